// The headless backend's windows, message loop, file dialogs, text-entry
// windows and external programs: nothing is shown and nothing waits for a
// person; every request is logged and answered from a script or by default.

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/HeadlessBackend.h"
#include "platform/RecordingCanvas.h"

namespace platform {

namespace {

constexpr Size kDefaultClientSize{1024, 700};

Point MousePoint(long lparam) {
  return {static_cast<int>(lparam & 0xFFFF), static_cast<int>((lparam >> 16) & 0xFFFF)};
}

std::string JoinPaths(const std::vector<std::string>& paths) {
  std::string joined;
  for (const auto& p : paths) joined += (joined.empty() ? "" : " ") + p;
  return joined;
}

}  // namespace

class HeadlessBackend::Window : public WindowHost {
 public:
  Window(HeadlessBackend& backend, WindowClient& client, std::string title)
      : backend_(backend), client_(client), title_(std::move(title)) {
    MakeCanvas(kDefaultClientSize);
  }
  ~Window() override {
    std::lock_guard lock(backend_.mutex_);
    auto& w = backend_.windows_;
    w.erase(std::remove(w.begin(), w.end(), this), w.end());
  }

  WindowHandle Handle() const override { return this; }
  void Show() override {
    shown_ = true;
    Log("window shown \"" + title_ + "\"");
    Invalidate();
  }
  void SetTitle(const std::string& title) override { title_ = title; }
  std::string Title() const override { return title_; }
  void SetAccelerators(std::vector<Accelerator> table) override {
    accelerators_ = std::move(table);
  }
  Size ClientSize() const override { return size_; }
  void ResizeClient(Size size) override {
    if (size.width <= 0 || size.height <= 0) return;
    MakeCanvas(size);
    client_.OnSize(size);
    Invalidate();
  }
  Canvas& ClientCanvas() override { return *canvas_; }
  void Invalidate() override { paintDue_ = true; }
  void UpdateNow() override {
    if (paintDue_) Paint();
  }
  RgbImage Snapshot() override {
    canvas_->Save();
    canvas_->SetMapMode(MapMode::Text);
    canvas_->SetWindowOrigin({0, 0});
    canvas_->SetViewportOrigin({0, 0});
    canvas_->ResetClip();
    RgbImage image = canvas_->ReadPixels({0, 0, size_.width, size_.height});
    canvas_->Restore();
    return image;
  }
  void SetCursor(CursorShape) override {}
  void CaptureMouse(bool) override {}
  void AcceptDroppedFiles(bool accept) override { acceptsDrops_ = accept; }
  void SetTimer(int id, int intervalMs) override {
    Log("timer " + std::to_string(id) + " every " + std::to_string(intervalMs) + " ms");
  }
  void KillTimer(int id) override { Log("timer " + std::to_string(id) + " stopped"); }

  void Paint() {
    paintDue_ = false;
    client_.OnPaint(*canvas_, true);
    client_.OnPaint(*canvas_, false);
  }
  bool PaintDue() const { return paintDue_ && shown_; }
  bool AcceptsDrops() const { return acceptsDrops_; }

  void Dispatch(const Message& m) {
    const bool input =
        m.kind == MessageKind::KeyDown || m.kind == MessageKind::Char ||
        m.kind == MessageKind::LeftButtonDown || m.kind == MessageKind::RightButtonDown ||
        m.kind == MessageKind::LeftDoubleClick || m.kind == MessageKind::RightDoubleClick;
    if (input && client_.IsBusy()) {
      client_.OnInputWhileBusy();
      return;
    }
    MouseEvent e;
    e.at = MousePoint(m.lparam);
    e.control = m.control;
    e.shift = m.shift;
    switch (m.kind) {
      case MessageKind::Command:
        client_.OnCommand(static_cast<int>(m.wparam));
        break;
      case MessageKind::KeyDown:
        if (const int command = AcceleratorCommand(m); command != 0)
          client_.OnCommand(command);
        else
          client_.OnKeyDown(static_cast<int>(m.wparam));
        break;
      case MessageKind::Char:
        client_.OnChar(static_cast<int>(m.wparam));
        break;
      case MessageKind::MouseMove:
        client_.OnMouse(MouseAction::Move, e);
        break;
      case MessageKind::LeftButtonDown:
        client_.OnMouse(MouseAction::LeftDown, e);
        break;
      case MessageKind::LeftButtonUp:
        client_.OnMouse(MouseAction::LeftUp, e);
        break;
      case MessageKind::LeftDoubleClick:
        client_.OnMouse(MouseAction::LeftDoubleClick, e);
        break;
      case MessageKind::RightButtonDown:
        client_.OnMouse(MouseAction::RightDown, e);
        break;
      case MessageKind::RightButtonUp:
        client_.OnMouse(MouseAction::RightUp, e);
        break;
      case MessageKind::RightDoubleClick:
        client_.OnMouse(MouseAction::RightDoubleClick, e);
        break;
      case MessageKind::Timer:
        client_.OnTimer(static_cast<int>(m.wparam));
        break;
      case MessageKind::Paint:
        Paint();
        break;
      case MessageKind::Close:
        if (client_.OnClose()) backend_.PostQuitMessage(0);
        break;
      case MessageKind::KeyUp:
      case MessageKind::Other:
        break;
    }
  }

  int AcceleratorCommand(const Message& m) const {
    for (const auto& a : accelerators_)
      if (a.key == m.wparam && a.control == m.control && a.alt == m.alt && a.shift == m.shift)
        return a.command;
    return 0;
  }

 private:
  void MakeCanvas(Size size) {
    size_ = size;
    if (backend_.canvasFactory_) {
      canvas_ = backend_.canvasFactory_(size);
    } else {
      canvas_ = std::make_unique<RecordingCanvas>();
    }
  }
  void Log(std::string line) {
    std::lock_guard lock(backend_.mutex_);
    backend_.Append(std::move(line));
  }

  HeadlessBackend& backend_;
  WindowClient& client_;
  std::string title_;
  std::vector<Accelerator> accelerators_;
  Size size_;
  std::unique_ptr<Canvas> canvas_;
  bool paintDue_ = false;
  bool shown_ = false;
  bool acceptsDrops_ = false;
};

void HeadlessBackend::SetCanvasFactory(CanvasFactory factory) {
  std::lock_guard lock(mutex_);
  canvasFactory_ = std::move(factory);
}

void HeadlessBackend::ScriptFileDialog(std::optional<std::vector<std::string>> paths) {
  std::lock_guard lock(mutex_);
  fileDialogs_.push_back(std::move(paths));
}

void HeadlessBackend::ScriptTextEntry(std::optional<std::string> text) {
  std::lock_guard lock(mutex_);
  textEntries_.push_back(std::move(text));
}

void HeadlessBackend::SetProgramsAvailable(bool available) {
  std::lock_guard lock(mutex_);
  programsAvailable_ = available;
}

WindowHost* HeadlessBackend::LastWindow() const {
  std::lock_guard lock(mutex_);
  return windows_.empty() ? nullptr : windows_.back();
}

std::unique_ptr<WindowHost> HeadlessBackend::CreateMainWindow(WindowClient& client, MenuModel&,
                                                              const std::string& title) {
  auto window = std::make_unique<Window>(*this, client, title);
  std::lock_guard lock(mutex_);
  windows_.push_back(window.get());
  Append("window created \"" + title + "\"");
  return window;
}

HeadlessBackend::Window* HeadlessBackend::FindWindow(WindowHandle handle) const {
  std::lock_guard lock(mutex_);
  for (Window* w : windows_)
    if (handle == nullptr || w->Handle() == handle) return w;
  return nullptr;
}

Canvas* HeadlessBackend::WindowCanvas(WindowHandle window) {
  if (window == nullptr) return nullptr;
  Window* w = FindWindow(window);
  return w != nullptr ? &w->ClientCanvas() : nullptr;
}

void HeadlessBackend::ShowWindowDrawing(WindowHandle window, const Rect&) {
  if (window == nullptr || FindWindow(window) == nullptr) return;
  std::lock_guard lock(mutex_);
  ++windowDrawingShown_;
}

int HeadlessBackend::WindowDrawingShownCount() const {
  std::lock_guard lock(mutex_);
  return windowDrawingShown_;
}

void HeadlessBackend::Dispatch(const Message& message) {
  if (Window* w = FindWindow(message.window)) w->Dispatch(message);
}

int HeadlessBackend::RunMessageLoop() {
  for (;;) {
    {
      std::lock_guard lock(mutex_);
      if (quitCode_) return *quitCode_;
    }
    std::optional<Message> next = PeekMessage({}, true);
    if (next) {
      Dispatch(*next);
      continue;
    }
    // Idle: the paint that is due, then stop when nothing new arrived.
    Window* w = FindWindow(nullptr);
    const bool painted = w != nullptr && w->PaintDue();
    if (painted) w->Paint();
    if (!painted && PendingMessages() == 0) {
      std::lock_guard lock(mutex_);
      return quitCode_.value_or(0);
    }
  }
}

bool HeadlessBackend::FileDialog(const char* kind, FileDialogRequest& request) {
  std::lock_guard lock(mutex_);
  request.chosen.clear();
  std::optional<std::vector<std::string>> answer;
  if (!fileDialogs_.empty()) {
    answer = std::move(fileDialogs_.front());
    fileDialogs_.pop_front();
  }
  if (answer && !answer->empty()) {
    request.chosen = *answer;
    request.fileName = answer->front();
  }
  Append(std::string(kind) + " file dialog \"" + request.title + "\" in " + request.initialFolder +
         " -> " + (request.chosen.empty() ? std::string("Cancel") : JoinPaths(request.chosen)));
  return !request.chosen.empty();
}

bool HeadlessBackend::ShowOpenFileDialog(FileDialogRequest& request) {
  return FileDialog("open", request);
}

bool HeadlessBackend::ShowSaveFileDialog(FileDialogRequest& request) {
  return FileDialog("save", request);
}

bool HeadlessBackend::ShowTextEntryWindow(TextEntryRequest& request) {
  std::lock_guard lock(mutex_);
  std::optional<std::string> answer;
  if (!textEntries_.empty()) {
    answer = std::move(textEntries_.front());
    textEntries_.pop_front();
  }
  Append("text entry \"" + request.caption + "\" -> " + (answer ? "OK" : "Cancel"));
  if (!answer) return false;
  request.text = *answer;
  return true;
}

bool HeadlessBackend::StartProgram(const std::string& program,
                                   const std::vector<std::string>& arguments) {
  std::lock_guard lock(mutex_);
  Append("start program " + program + (arguments.empty() ? "" : " " + JoinPaths(arguments)));
  return programsAvailable_;
}

bool HeadlessBackend::OpenInTextEditor(const std::string& path) {
  std::lock_guard lock(mutex_);
  Append("open in text editor " + path);
  return programsAvailable_;
}

bool HeadlessBackend::OpenWebAddress(const std::string& url) {
  std::lock_guard lock(mutex_);
  Append("open web address " + url);
  return programsAvailable_;
}

void HeadlessBackend::SetPagePrinter(PagePrinter printer) {
  pagePrinter_ = std::move(printer);
}

bool HeadlessBackend::PrintPage(PrintRequest& request) {
  {
    std::lock_guard lock(mutex_);
    Append("print " + request.title);
  }
  if (pagePrinter_) return pagePrinter_(request);
  RecordingCanvas page;
  if (request.paint) request.paint(page);
  return true;
}

}  // namespace platform

namespace platform {

bool MatchesFilePattern(const std::string& fileName, const std::string& pattern) {
  auto lower = [](char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  };
  // Iterative wildcard match with one backtracking point for the last '*'.
  std::size_t n = 0, p = 0, star = std::string::npos, mark = 0;
  while (n < fileName.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(fileName[n]))) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

bool MatchesFileFilter(const std::string& fileName, const FileFilter& filter) {
  const std::string name = std::filesystem::path(fileName).filename().string();
  return std::any_of(filter.patterns.begin(), filter.patterns.end(),
                     [&](const std::string& p) { return MatchesFilePattern(name, p); });
}

}  // namespace platform
