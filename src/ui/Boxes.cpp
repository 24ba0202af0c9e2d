#include "ui/Boxes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <limits>
#include <optional>
#include <vector>

#include "platform/Thread.h"
#include "ui/Sounds.h"

std::atomic<bool> KeyInterruptPending{false};

namespace {

using platform::Message;
using platform::MessageFilter;
using platform::MessageKind;

platform::Backend& Ui() {
  return platform::Current();
}

// How long a poll that met a key press waits for the rest of the keystroke.
// The release can stay away for good: a key combination the window manager
// keeps for itself (Alt+F4) brings the press to us and the release to it.
constexpr std::uint64_t kKeystrokeWaitMs = 500;

// Removes messages of the filter until one of the given kinds has been
// removed, and returns it; nothing when none came within kKeystrokeWaitMs.
// A request to close the window met on the way is not the poll's to drop:
// it goes back into the queue for the main loop.
std::optional<Message> RemoveUntil(const MessageFilter& filter,
                                   std::initializer_list<MessageKind> kinds) {
  std::vector<Message> closes;
  std::optional<Message> found;
  const std::uint64_t start = Ui().TickCountMs();
  for (;;) {
    auto m = Ui().PeekMessage(filter, true);
    if (m && std::find(kinds.begin(), kinds.end(), m->kind) != kinds.end()) {
      found = m;
      break;
    }
    if (m && m->kind == MessageKind::Close) closes.push_back(*m);
    if (!m && Ui().TickCountMs() - start >= kKeystrokeWaitMs) break;
  }
  for (const Message& c : closes) Ui().PostMessage(c);
  return found;
}

bool PollKey(const MessageFilter& filter) {
  // The message queue belongs to the user-interface thread; a worker that
  // solves part of a long computation leaves the keyboard to it.
  if (platform::Thread::Running() != nullptr) return false;
  auto m = Ui().PeekMessage(filter, true);
  if (m && m->kind == MessageKind::Close) Ui().PostMessage(*m);
  if (!m || m->kind != MessageKind::KeyDown) return false;
  RemoveUntil(filter, {MessageKind::KeyUp});
  return true;
}

// The character of a key-down just taken, and the rest of its keystroke.
// The translation puts the character first in the queue; a key without one
// (Shift, Alt) has none, and its key-up comes first.
std::optional<Message> TakeCharacter(const MessageFilter& filter, const Message& keyDown) {
  Ui().TranslateMessage(keyDown);
  auto c = RemoveUntil(filter, {MessageKind::Char, MessageKind::KeyUp});
  if (c && c->kind == MessageKind::Char) {
    RemoveUntil(filter, {MessageKind::KeyUp});
    return c;
  }
  return std::nullopt;
}

// The length of the longest leading part of text that forms a decimal number:
// blanks, sign, digits with an optional point, optional exponent.
std::size_t DecimalPrefix(const char* text) {
  const char* p = text;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  if (*p == '+' || *p == '-') ++p;
  bool digits = false;
  while (std::isdigit(static_cast<unsigned char>(*p))) ++p, digits = true;
  if (*p == '.') {
    ++p;
    while (std::isdigit(static_cast<unsigned char>(*p))) ++p, digits = true;
  }
  if (!digits) return 0;
  if (*p == 'e' || *p == 'E') {
    const char* q = p + 1;
    if (*q == '+' || *q == '-') ++q;
    if (std::isdigit(static_cast<unsigned char>(*q))) {
      while (std::isdigit(static_cast<unsigned char>(*q))) ++q;
      p = q;
    }
  }
  return static_cast<std::size_t>(p - text);
}

// The leading decimal number of the text, 0 when there is none. Only the
// decimal form is read: "inf", "nan" and hexadecimal texts are not numbers
// to an entry box.
double LeadingNumber(const char* text) {
  const std::size_t n = DecimalPrefix(text);
  if (n == 0) return 0.0;
  return std::strtod(std::string(text, n).c_str(), nullptr);
}

// The leading number as a float; nothing when it lies beyond the float range,
// where the conversion has no defined result (a typed 1e39 or 1e400 is no
// value the program can hold).
std::optional<float> LeadingFloat(const char* text) {
  const double value = LeadingNumber(text);
  if (!(std::fabs(value) <= std::numeric_limits<float>::max())) return std::nullopt;
  return static_cast<float>(value);
}

// The default as the edit field shows it. The fixed form of a large default
// does not fit the field; cut short it would read as another number, so such
// a default is shown in exponent form.
std::string FormatDefault(float value, std::size_t capacity) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, value > 0.01f ? "%f" : "%e", static_cast<double>(value));
  std::string text = buffer;
  if (text.find('.') > capacity - 1) {
    std::snprintf(buffer, sizeof buffer, "%e", static_cast<double>(value));
    text = buffer;
  }
  return text;
}

std::string Clip(const char* text, std::size_t capacity) {
  std::string s = text ? text : "";
  if (s.size() > capacity - 1) s.resize(capacity - 1);
  return s;
}

bool EntryBox(platform::WindowHandle owner, float& value, float defaultValue, bool showDefault,
              const char* prompt, const char* caption, const char* defaultCaption,
              bool (*test)(const char*)) {
  PlayQuestionSound();
  platform::EntryRequest request;
  request.owner = owner;
  request.caption = Clip(caption ? caption : defaultCaption, 500);
  request.prompt = Clip(prompt, 500);
  request.capacity = 15;
  request.text = showDefault ? Clip(FormatDefault(defaultValue, 15).c_str(), 15) : std::string();
  for (;;) {
    if (!Ui().ShowEntryDialog(request)) {
      CheckSoundsOn();
      return false;
    }
    if (test(request.text.c_str())) break;
    Ui().Beep(platform::BoxIcon::Information);
  }
  value = *LeadingFloat(request.text.c_str());
  CheckSoundsOn();
  return true;
}

}  // namespace

void ErrorBox(const std::string& text, bool quit) {
  // A worker thread never shows a box: its message waits for the thread that
  // started it, which shows it after the join.
  if (auto* worker = platform::Thread::Running(); worker != nullptr && !quit) {
    worker->DeferMessage(text);
    return;
  }
  PlayErrorSound();
  Ui().ShowMessageBox(
      {nullptr, text, "Error", platform::BoxIcon::Information, platform::BoxButtons::Ok});
  if (quit) {
    PlayByeSound();
    Ui().PostQuitMessage(0);
  }
}

void BusyWait(float seconds) {
  if (!(seconds > 0)) return;
  const auto wait = static_cast<std::uint64_t>(seconds * 1000.0f);
  const std::uint64_t start = Ui().TickCountMs();
  while (Ui().TickCountMs() - start < wait) {
  }
}

bool KeyPressed() {
  return PollKey({nullptr, false});
}

bool KeyPressedInWindow(platform::WindowHandle window) {
  if (window == nullptr) return false;
  return PollKey({window, false});
}

bool WaitForKeyDown(platform::WindowHandle window, float seconds) {
  if (!(seconds > 0)) return false;
  const auto wait = static_cast<std::uint64_t>(seconds * 1000.0f);
  const std::uint64_t start = Ui().TickCountMs();
  while (Ui().TickCountMs() - start < wait) {
    if (window == nullptr) continue;
    auto m = Ui().PeekMessage({window, false}, false);
    if (m && m->kind == MessageKind::KeyDown) return true;
  }
  return false;
}

bool InterruptRequested(platform::WindowHandle window) {
  if (window == nullptr) return false;
  const bool removed = Ui().PeekMessage({window, true}, true).has_value();
  if (removed || KeyInterruptPending) {
    KeyInterruptPending = false;
    return true;
  }
  return false;
}

bool ReadKeyChar(int& code) {
  const MessageFilter any{nullptr, false};
  auto m = Ui().PeekMessage(any, true);
  if (m && m->kind == MessageKind::Close) Ui().PostMessage(*m);
  if (!m || m->kind != MessageKind::KeyDown) return false;
  auto c = TakeCharacter(any, *m);
  if (c) code = static_cast<signed char>(c->wparam & 0xff);
  return c.has_value();
}

int ReadKeyEcho(platform::WindowHandle window) {
  const MessageFilter filter{window, false};
  auto m = Ui().PeekMessage(filter, true);
  if (m && m->kind == MessageKind::Close) Ui().PostMessage(*m);
  if (!m || m->kind != MessageKind::KeyDown) return -1;
  auto c = TakeCharacter(filter, *m);
  if (!c) return -1;
  const int code = static_cast<signed char>(c->wparam & 0xff);
  Ui().DrawWindowText(window, 5, 5, std::to_string(code));
  return code;
}

bool FileExists(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (f == nullptr) return false;
  std::fclose(f);
  return true;
}

bool InputFloat(float& value, float defaultValue, bool showDefault, const char* prompt,
                const char* caption) {
  return EntryBox(nullptr, value, defaultValue, showDefault, prompt, caption, "enter float",
                  IsNumber);
}

bool InputPositiveFloat(float& value, float defaultValue, bool showDefault, const char* prompt,
                        const char* caption) {
  return EntryBox(nullptr, value, defaultValue, showDefault, prompt, caption,
                  "enter positive float", IsNonNegativeNumber);
}

bool InputFloatIn(platform::WindowHandle window, float& value, float defaultValue, bool showDefault,
                  const char* prompt, const char* caption) {
  return EntryBox(window, value, defaultValue, showDefault, prompt, caption, "enter float",
                  IsNumber);
}

bool InputPositiveFloatIn(platform::WindowHandle window, float& value, float defaultValue,
                          bool showDefault, const char* prompt, const char* caption) {
  return EntryBox(window, value, defaultValue, showDefault, prompt, caption, "enter positive float",
                  IsNonNegativeNumber);
}

bool InputString(std::string& text, const char* prompt, const char* caption) {
  PlayQuestionSound();
  platform::EntryRequest request;
  request.caption = Clip(caption ? caption : "enter float", 500);
  request.prompt = Clip(prompt, 500);
  request.capacity = 10000;
  if (!Ui().ShowEntryDialog(request)) return false;
  text = request.text;
  return true;
}

bool IsNumber(const char* text) {
  if (text == nullptr) return false;
  const std::optional<float> value = LeadingFloat(text);
  if (!value) return false;
  return *value != 0.0f || text[0] == '0';
}

bool IsNonNegativeNumber(const char* text) {
  if (!IsNumber(text)) return false;
  return !(*LeadingFloat(text) < 0.0f);
}
