#include "platform/HeadlessBackend.h"

#include <chrono>
#include <cstdio>

namespace platform {

BoxAnswer DefaultAnswer(BoxButtons buttons) {
  switch (buttons) {
    case BoxButtons::YesNo:
    case BoxButtons::YesNoCancel:
      return BoxAnswer::Yes;
    case BoxButtons::Ok:
    case BoxButtons::OkCancel:
      break;
  }
  return BoxAnswer::Ok;
}

const char* AnswerName(BoxAnswer answer) {
  switch (answer) {
    case BoxAnswer::Ok: return "OK";
    case BoxAnswer::Cancel: return "Cancel";
    case BoxAnswer::Yes: return "Yes";
    case BoxAnswer::No: return "No";
  }
  return "?";
}

namespace {
const char* IconName(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::None: return "none";
    case BoxIcon::Information: return "information";
    case BoxIcon::Question: return "question";
    case BoxIcon::Warning: return "warning";
    case BoxIcon::Error: return "error";
  }
  return "?";
}

bool Matches(const Message& m, const MessageFilter& f) {
  if (f.window != nullptr && m.window != f.window) return false;
  if (f.keyboardOnly && !IsKeyboardMessage(m.kind)) return false;
  return true;
}
}  // namespace

void HeadlessBackend::Append(std::string line) {
  // Called with mutex_ held.
  if (echo_) std::fprintf(stderr, "%s\n", line.c_str());
  log_.push_back(std::move(line));
}

void HeadlessBackend::ScriptBoxAnswer(BoxAnswer answer) {
  std::lock_guard lock(mutex_);
  boxAnswers_.push_back(answer);
}

void HeadlessBackend::ScriptEntry(std::optional<std::string> text) {
  std::lock_guard lock(mutex_);
  entries_.push_back(std::move(text));
}

void HeadlessBackend::QueueMessage(const Message& message) {
  std::lock_guard lock(mutex_);
  queue_.push_back(message);
}

void HeadlessBackend::QueueKeyPress(WindowHandle window, long keyCode, long character) {
  std::lock_guard lock(mutex_);
  queue_.push_back({window, MessageKind::KeyDown, keyCode, character});
  queue_.push_back({window, MessageKind::KeyUp, keyCode, character});
}

void HeadlessBackend::SetClockStep(std::uint64_t millisecondsPerRead) {
  std::lock_guard lock(mutex_);
  clockStep_ = millisecondsPerRead;
}

void HeadlessBackend::SetEcho(bool on) {
  std::lock_guard lock(mutex_);
  echo_ = on;
}

std::vector<std::string> HeadlessBackend::Log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

void HeadlessBackend::ClearLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

std::size_t HeadlessBackend::PendingMessages() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

std::optional<int> HeadlessBackend::QuitCode() const {
  std::lock_guard lock(mutex_);
  return quitCode_;
}

BoxAnswer HeadlessBackend::ShowMessageBox(const BoxRequest& request) {
  std::lock_guard lock(mutex_);
  BoxAnswer answer = DefaultAnswer(request.buttons);
  if (!boxAnswers_.empty()) {
    answer = boxAnswers_.front();
    boxAnswers_.pop_front();
  }
  Append("box [" + request.caption + "] (" + IconName(request.icon) + ") " + request.text +
         " -> " + AnswerName(answer));
  return answer;
}

bool HeadlessBackend::ShowEntryDialog(EntryRequest& request) {
  std::lock_guard lock(mutex_);
  std::optional<std::string> answer;
  if (!entries_.empty()) {
    answer = entries_.front();
    entries_.pop_front();
    lastUnscriptedEntry_.clear();
  } else {
    // Unscripted: accept what the field shows. A dialog shown again with the
    // text it just refused (a beep came in between) is cancelled, so an
    // unattended run can never loop on one dialog.
    const std::string key = request.caption + '\n' + request.prompt + '\n' + request.text;
    const bool refusedAgain = entryRefused_ && key == lastUnscriptedEntry_;
    if (!request.text.empty() && !refusedAgain) answer = request.text;
    lastUnscriptedEntry_ = key;
  }
  entryRefused_ = false;
  if (answer && request.capacity > 0 && answer->size() > request.capacity - 1)
    answer->resize(request.capacity - 1);
  Append("entry [" + request.caption + "] " + request.prompt + " [" + request.text + "] -> " +
         (answer ? "OK " + *answer : std::string("Cancel")));
  if (!answer) return false;
  request.text = *answer;
  return true;
}

void HeadlessBackend::Beep(BoxIcon kind) {
  std::lock_guard lock(mutex_);
  entryRefused_ = true;
  Append(std::string("beep ") + IconName(kind));
}

std::deque<Message>::iterator HeadlessBackend::FindMessage(const MessageFilter& filter) {
  for (auto it = queue_.begin(); it != queue_.end(); ++it)
    if (Matches(*it, filter)) return it;
  return queue_.end();
}

std::optional<Message> HeadlessBackend::PeekMessage(const MessageFilter& filter, bool remove) {
  std::lock_guard lock(mutex_);
  auto it = FindMessage(filter);
  if (it == queue_.end()) return std::nullopt;
  Message m = *it;
  if (remove) queue_.erase(it);
  return m;
}

std::optional<Message> HeadlessBackend::WaitMessage(const MessageFilter& filter) {
  // Nothing else can post into a headless queue while we wait.
  return PeekMessage(filter, true);
}

void HeadlessBackend::PostMessage(const Message& message) {
  std::lock_guard lock(mutex_);
  queue_.push_back(message);
}

void HeadlessBackend::TranslateMessage(const Message& message) {
  // A key without a character (Shift, Alt) gives none.
  if (message.kind != MessageKind::KeyDown || message.lparam == 0) return;
  std::lock_guard lock(mutex_);
  // The character follows the key-down at once, ahead of later messages.
  auto it = queue_.begin();
  queue_.insert(it, Message{message.window, MessageKind::Char, message.lparam, 0});
}

void HeadlessBackend::PostQuitMessage(int exitCode) {
  std::lock_guard lock(mutex_);
  quitCode_ = exitCode;
  Append("quit " + std::to_string(exitCode));
}

void HeadlessBackend::DrawWindowText(WindowHandle, int x, int y, const std::string& text) {
  std::lock_guard lock(mutex_);
  Append("text (" + std::to_string(x) + "," + std::to_string(y) + ") " + text);
}

std::uint64_t HeadlessBackend::TickCountMs() {
  std::lock_guard lock(mutex_);
  if (clockStep_ > 0) return fakeClock_ += clockStep_;
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void HeadlessBackend::PlaySoundFile(const std::string& path, bool wait) {
  std::lock_guard lock(mutex_);
  Append(std::string(wait ? "sound wait " : "sound async ") + path);
}

bool HeadlessBackend::SetClipboardText(const std::string& text) {
  std::lock_guard lock(mutex_);
  clipboardText_ = text;
  clipboardPicture_.reset();
  clipboardBitmap_.reset();
  Append("clipboard text " + std::to_string(text.size()) + " bytes");
  return true;
}

bool HeadlessBackend::SetClipboardPicture(const Metafile& picture, int widthHundredthsMm,
                                          int heightHundredthsMm) {
  std::lock_guard lock(mutex_);
  clipboardText_.reset();
  clipboardPicture_ = picture;
  clipboardBitmap_.reset();
  Append("clipboard picture " + std::to_string(widthHundredthsMm) + "x" +
         std::to_string(heightHundredthsMm));
  return true;
}

bool HeadlessBackend::SetClipboardBitmap(const RgbImage& image) {
  std::lock_guard lock(mutex_);
  clipboardText_.reset();
  clipboardPicture_.reset();
  clipboardBitmap_ = image;
  Append("clipboard bitmap " + std::to_string(image.Width()) + "x" +
         std::to_string(image.Height()));
  return true;
}

std::optional<std::string> HeadlessBackend::ClipboardText() const {
  std::lock_guard lock(mutex_);
  return clipboardText_;
}

std::optional<Metafile> HeadlessBackend::ClipboardPicture() const {
  std::lock_guard lock(mutex_);
  return clipboardPicture_;
}

std::optional<RgbImage> HeadlessBackend::ClipboardBitmap() const {
  std::lock_guard lock(mutex_);
  return clipboardBitmap_;
}

}  // namespace platform
