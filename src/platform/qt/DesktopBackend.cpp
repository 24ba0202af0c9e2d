// The desktop backend's message queue, main loop and input filter, and its
// windows' registry.

#include "platform/qt/DesktopBackend.h"

#include <QApplication>
#include <QDialog>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QWidget>
#include <algorithm>
#include <cassert>

#include "platform/qt/DesktopWindow.h"
#include "platform/qt/GuiRuntime.h"
#include "platform/qt/KeyCodes.h"
#include "platform/qt/QtMenuBar.h"

namespace platform::qt {

namespace {

bool Matches(const Message& m, const MessageFilter& f) {
  if (f.window != nullptr && m.window != f.window) return false;
  if (f.keyboardOnly && !IsKeyboardMessage(m.kind)) return false;
  return true;
}

// The events a person makes; they never reach a window that is busy or
// inside a poll.
bool IsInputEvent(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

long MouseParam(const QMouseEvent& e) {
  const QPoint at = e.position().toPoint();
  return (static_cast<long>(std::clamp(at.y(), 0, 0xFFFF)) << 16) |
         static_cast<long>(std::clamp(at.x(), 0, 0xFFFF));
}

std::optional<MessageKind> MouseKind(const QMouseEvent& e) {
  const bool left = e.button() == Qt::LeftButton;
  const bool right = e.button() == Qt::RightButton;
  switch (e.type()) {
    case QEvent::MouseMove:
      return MessageKind::MouseMove;
    case QEvent::MouseButtonPress:
      if (left) return MessageKind::LeftButtonDown;
      if (right) return MessageKind::RightButtonDown;
      break;
    case QEvent::MouseButtonRelease:
      if (left) return MessageKind::LeftButtonUp;
      if (right) return MessageKind::RightButtonUp;
      break;
    case QEvent::MouseButtonDblClick:
      if (left) return MessageKind::LeftDoubleClick;
      if (right) return MessageKind::RightDoubleClick;
      break;
    default:
      break;
  }
  return std::nullopt;
}

void CloseOpenMenus() {
  for (int guard = 0; guard < 16; ++guard) {
    QWidget* popup = QApplication::activePopupWidget();
    if (popup == nullptr) return;
    popup->close();
  }
}

}  // namespace

class DesktopBackend::InputFilter : public QObject {
 public:
  explicit InputFilter(DesktopBackend& backend) : backend_(backend) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    return backend_.FilterEvent(watched, event);
  }

 private:
  DesktopBackend& backend_;
};

DesktopBackend::DesktopBackend() {
  EnsureDesktopApplication();
  assert(qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr);
  // Dialogs come and go; only PostQuitMessage ends the program.
  QApplication::setQuitOnLastWindowClosed(false);
  context_ = std::make_unique<QObject>();
  filter_ = std::make_unique<InputFilter>(*this);
  QCoreApplication::instance()->installEventFilter(filter_.get());
}

DesktopBackend::~DesktopBackend() {
  if (QCoreApplication::instance() != nullptr)
    QCoreApplication::instance()->removeEventFilter(filter_.get());
  if (sound_) sound_->kill();
  // Windows outlive a backend only by mistake; they must not call back.
  assert(windows_.empty());
}

std::unique_ptr<WindowHost> DesktopBackend::CreateMainWindow(WindowClient& client, MenuModel& menu,
                                                             const std::string& title) {
  return std::make_unique<DesktopWindow>(*this, client, menu, title);
}

void DesktopBackend::Register(DesktopWindow* window) {
  windows_.push_back(window);
}

void DesktopBackend::Unregister(DesktopWindow* window) {
  windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
  std::lock_guard lock(mutex_);
  // Messages for a window that is gone have nobody to go to.
  std::erase_if(queue_, [&](const Queued& q) { return q.message.window == window->Handle(); });
}

DesktopWindow* DesktopBackend::FindWindow(WindowHandle handle) const {
  for (DesktopWindow* w : windows_)
    if (handle == nullptr || w->Handle() == handle) return w;
  return nullptr;
}

DesktopWindow* DesktopBackend::WindowOf(const QWidget& widget) const {
  for (DesktopWindow* w : windows_)
    if (w->Owns(widget)) return w;
  return nullptr;
}

QWidget* DesktopBackend::OwnerWidget(WindowHandle owner) const {
  if (owner == nullptr) return nullptr;
  DesktopWindow* w = FindWindow(owner);
  return w != nullptr ? &w->Frame() : nullptr;
}

namespace {

bool InsideMenu(const QWidget& widget) {
  for (const QWidget* w = &widget; w != nullptr; w = w->parentWidget())
    if (qobject_cast<const QMenu*>(w) != nullptr) return true;
  return false;
}

}  // namespace

bool DesktopBackend::FilterEvent(QObject* watched, QEvent* event) {
  if (!IsInputEvent(event->type()) || !watched->isWidgetType()) return false;
  auto& widget = static_cast<QWidget&>(*watched);
  DesktopWindow* window = WindowOf(widget);
  if (window == nullptr) return false;
  const bool busy = window->Client().IsBusy();
  if (Polling() || busy) return HoldBack(*window, widget, *event, busy);
  // An accelerator goes before a menu mnemonic on the same key (Alt+G is
  // "Lamm Equation Parameters", not the menu "&Generate"): claimed here, the
  // key arrives as a key press and the frame dispatches the accelerator.
  if (event->type() == QEvent::ShortcutOverride &&
      window->AcceleratorCommand(KeyMessage(static_cast<QKeyEvent&>(*event), window->Handle())) != 0) {
    event->accept();
    return true;
  }
  // Once the menus have been used the menu bar keeps the focus, and its own
  // key handling opens the menu whose mnemonic matches (Alt+G the menu
  // "&Generate"): an accelerator is the window's wherever the focus is,
  // except inside an open menu.
  if (event->type() == QEvent::KeyPress && !InsideMenu(widget)) {
    const auto& key = static_cast<QKeyEvent&>(*event);
    if (window->AcceleratorCommand(KeyMessage(key, window->Handle())) != 0 &&
        window->CanCallClient()) {
      window->KeyPressed(key);
      return true;
    }
  }
  // The help key on a highlighted menu item: the client is told which item,
  // and the menu closes so that what the client shows is not hidden by it.
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1) {
    if (auto* menu = qobject_cast<QMenu*>(&widget)) {
      const int id = QtMenuBar::HighlightedCommand(*menu);
      if (id == 0 || !window->CanCallClient()) return false;
      CloseOpenMenus();
      window->MenuKey(key::F1, id);
      return true;
    }
  }
  return false;
}

bool DesktopBackend::HoldBack(DesktopWindow& window, QWidget& target, QEvent& event, bool busy) {
  const bool onClient = &target == &window.ClientWidget();
  switch (event.type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      const auto& key = static_cast<const QKeyEvent&>(event);
      const bool press = event.type() == QEvent::KeyPress;
      Enqueue({KeyMessage(key, window.Handle()), busy && press});
      if (busy && press) window.InputWhileBusy();
      break;
    }
    case QEvent::ShortcutOverride:
      // Claimed, so that no shortcut (a menu mnemonic) acts on the key; the
      // key press itself then comes here and is queued.
      event.accept();
      break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      const auto& mouse = static_cast<const QMouseEvent&>(event);
      const std::optional<MessageKind> kind = MouseKind(mouse);
      if (!onClient || !kind) break;
      Message m{window.Handle(), *kind, 0, MouseParam(mouse)};
      m.control = mouse.modifiers().testFlag(Qt::ControlModifier);
      m.shift = mouse.modifiers().testFlag(Qt::ShiftModifier);
      // A move where the mouse already was is the toolkit's, not the user's.
      const bool moved = *kind != MessageKind::MouseMove || m.lparam != lastMouseParam_;
      lastMouseParam_ = m.lparam;
      const bool absorb = busy && moved && *kind != MessageKind::LeftButtonUp &&
                          *kind != MessageKind::RightButtonUp;
      if (moved) Enqueue({m, absorb});
      if (absorb) window.InputWhileBusy();
      break;
    }
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      event.ignore();
      break;
    default:
      break;
  }
  return true;
}

void DesktopBackend::Enqueue(Queued entry) {
  std::lock_guard lock(mutex_);
  // Moves coalesce, as a classic queue keeps only the latest position.
  if (entry.message.kind == MessageKind::MouseMove && !queue_.empty() &&
      queue_.back().message.kind == MessageKind::MouseMove &&
      queue_.back().message.window == entry.message.window) {
    entry.absorbed = entry.absorbed || queue_.back().absorbed;
    queue_.back() = entry;
    return;
  }
  queue_.push_back(entry);
}

void DesktopBackend::Pump(bool waitForEvents) {
  ++pollDepth_;
  // A command draws its progress straight into the backing image and
  // dispatches nothing meanwhile: its key polls put that on screen.
  for (DesktopWindow* w : windows_) w->ShowPendingDrawing();
  QCoreApplication::processEvents(waitForEvents ? QEventLoop::WaitForMoreEvents
                                                : QEventLoop::AllEvents);
  --pollDepth_;
  // A poll outside any handler (a batch run before the loop starts) lets
  // held-back paints and messages go on at once; inside one, they wait until
  // the handler returns.
  if (Polling() || std::any_of(windows_.begin(), windows_.end(),
                               [](DesktopWindow* w) { return w->InHandler(); }))
    return;
  for (DesktopWindow* w : windows_) w->Resume();
  if (drainDeferred_) {
    drainDeferred_ = false;
    ScheduleDrain();
  }
}

void DesktopBackend::HandlerEnded() {
  if (Polling()) return;
  for (DesktopWindow* w : windows_) w->Resume();
  drainDeferred_ = false;
  ScheduleDrain();
}

std::optional<Message> DesktopBackend::Take(const MessageFilter& filter, bool remove) {
  std::lock_guard lock(mutex_);
  auto it = std::find_if(queue_.begin(), queue_.end(),
                         [&](const Queued& q) { return Matches(q.message, filter); });
  if (it == queue_.end()) return std::nullopt;
  Message m = it->message;
  if (remove) queue_.erase(it);
  return m;
}

std::optional<Message> DesktopBackend::PeekMessage(const MessageFilter& filter, bool remove) {
  Pump(false);
  return Take(filter, remove);
}

std::optional<Message> DesktopBackend::WaitMessage(const MessageFilter& filter) {
  for (;;) {
    if (std::optional<Message> m = Take(filter, true)) return m;
    {
      std::lock_guard lock(mutex_);
      if (quitCode_) return std::nullopt;
    }
    // Without a window no input can come, and nothing would wake us.
    if (windows_.empty()) return std::nullopt;
    Pump(true);
  }
}

void DesktopBackend::PostMessage(const Message& message) {
  Enqueue({message, false});
  ScheduleDrain();
}

void DesktopBackend::TranslateMessage(const Message& message) {
  if (message.kind != MessageKind::KeyDown || message.lparam == 0) return;
  std::lock_guard lock(mutex_);
  // The character follows the key-down at once, ahead of later messages.
  queue_.push_front({Message{message.window, MessageKind::Char, message.lparam, 0}, false});
}

void DesktopBackend::PostQuitMessage(int exitCode) {
  {
    std::lock_guard lock(mutex_);
    quitCode_ = exitCode;
  }
  if (loop_) loop_->exit(exitCode);
}

void DesktopBackend::ScheduleDrain() {
  {
    std::lock_guard lock(mutex_);
    if (drainScheduled_ || queue_.empty()) return;
    drainScheduled_ = true;
  }
  // Queued, so that a message posted inside a handler runs after it; the
  // context object drops the call if the backend is gone by then.
  QMetaObject::invokeMethod(
      context_.get(), [this] { Drain(); }, Qt::QueuedConnection);
}

void DesktopBackend::Drain() {
  {
    std::lock_guard lock(mutex_);
    drainScheduled_ = false;
  }
  // Inside a poll the queue belongs to the poll; the drain waits until the
  // handler that polls has returned.
  if (Polling()) drainDeferred_ = true;
  while (!Polling()) {
    Queued next;
    {
      std::lock_guard lock(mutex_);
      if (quitCode_ || queue_.empty()) return;
      next = queue_.front();
      queue_.pop_front();
    }
    if (next.absorbed) continue;
    if (DesktopWindow* w = FindWindow(next.message.window)) w->Dispatch(next.message);
  }
}

int DesktopBackend::RunMessageLoop() {
  {
    std::lock_guard lock(mutex_);
    if (quitCode_) return *quitCode_;
  }
  QEventLoop loop;
  loop_ = &loop;
  ScheduleDrain();
  loop.exec();
  loop_ = nullptr;
  std::lock_guard lock(mutex_);
  return quitCode_.value_or(0);
}

int DesktopBackend::RunModal(QDialog& dialog) {
  ++modalDepth_;
  ScheduleDrain();
  const int result = dialog.exec();
  --modalDepth_;
  return result;
}

std::size_t DesktopBackend::PendingMessages() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

}  // namespace platform::qt
