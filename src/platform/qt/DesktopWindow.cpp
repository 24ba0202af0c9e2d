#include "platform/qt/DesktopWindow.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <algorithm>

#include "platform/qt/DesktopBackend.h"
#include "platform/qt/KeyCodes.h"
#include "platform/qt/QtMenuBar.h"
#include "platform/qt/QtText.h"

namespace platform::qt {

namespace {

constexpr Size kDefaultClientSize{1024, 700};

Point MousePoint(long lparam) {
  return {static_cast<int>(lparam & 0xFFFF), static_cast<int>((lparam >> 16) & 0xFFFF)};
}

std::vector<std::string> LocalFiles(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr) return paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  return paths;
}

// The drawing state of a fresh device context: what a paint starts from,
// whatever direct drawing left selected.
void ResetDrawingState(Canvas& canvas) {
  canvas.SelectPen(BlackPen());
  canvas.SelectBrush(WhiteBrush());
  canvas.SelectFont(Font{});
  canvas.SetTextColor(kBlack);
  canvas.SetBackgroundColor(kWhite);
  canvas.SetBackgroundMode(BackgroundMode::Opaque);
  canvas.SetTextAlign(TextAlign{});
  canvas.SetRasterOp(RasterOp::CopyPen);
  canvas.SetMapMode(MapMode::Text);
  canvas.SetWindowOrigin({0, 0});
  canvas.SetViewportOrigin({0, 0});
  canvas.ResetClip();
  canvas.MoveTo({0, 0});
}

Qt::CursorShape QtCursor(CursorShape shape) {
  switch (shape) {
    case CursorShape::Arrow:
      return Qt::ArrowCursor;
    case CursorShape::Wait:
      return Qt::WaitCursor;
    case CursorShape::Cross:
      return Qt::CrossCursor;
    case CursorShape::SizeWE:
      return Qt::SizeHorCursor;
    case CursorShape::SizeNS:
      return Qt::SizeVerCursor;
    case CursorShape::Hand:
      return Qt::PointingHandCursor;
  }
  return Qt::ArrowCursor;
}

}  // namespace

class DesktopWindow::FrameWidget : public QMainWindow {
 public:
  explicit FrameWidget(DesktopWindow& owner) : owner_(owner) {}

 protected:
  // A key that no child took (the focus on the menu bar, on the frame
  // itself, or nowhere after a dialog closed) reaches the frame: the
  // window's accelerators and keys work wherever the focus is.
  void keyPressEvent(QKeyEvent* event) override { owner_.KeyPressed(*event); }
  void closeEvent(QCloseEvent* event) override {
    if (owner_.CloseRequested())
      event->accept();
    else
      event->ignore();
  }

 private:
  DesktopWindow& owner_;
};

class DesktopWindow::ClientArea : public QWidget {
 public:
  explicit ClientArea(DesktopWindow& owner) : owner_(owner) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // the backing image covers every pixel
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    owner_.PaintRequested();
    if (event->rect() == rect()) owner_.MarkShown();
    QPainter painter(this);
    painter.drawImage(0, 0, owner_.canvas_.Image());
  }
  void resizeEvent(QResizeEvent*) override { owner_.Resized({width(), height()}); }
  // Tab is a key like any other here, not a move to the next widget.
  bool focusNextPrevChild(bool) override { return false; }
  void keyPressEvent(QKeyEvent* event) override { owner_.KeyPressed(*event); }
  void mouseMoveEvent(QMouseEvent* event) override { owner_.Mouse(MouseAction::Move, *event); }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) owner_.Mouse(MouseAction::LeftDown, *event);
    if (event->button() == Qt::RightButton) owner_.Mouse(MouseAction::RightDown, *event);
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) owner_.Mouse(MouseAction::LeftUp, *event);
    if (event->button() == Qt::RightButton) owner_.Mouse(MouseAction::RightUp, *event);
  }
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) owner_.Mouse(MouseAction::LeftDoubleClick, *event);
    if (event->button() == Qt::RightButton) owner_.Mouse(MouseAction::RightDoubleClick, *event);
  }
  void dragEnterEvent(QDragEnterEvent* event) override {
    if (owner_.AcceptsDrops() && !LocalFiles(event->mimeData()).empty())
      event->acceptProposedAction();
  }
  void dropEvent(QDropEvent* event) override {
    const std::vector<std::string> paths = LocalFiles(event->mimeData());
    if (!owner_.AcceptsDrops() || paths.empty()) return;
    event->acceptProposedAction();
    owner_.FilesDropped(paths);
  }

 private:
  DesktopWindow& owner_;
};

template <class F>
auto DesktopWindow::Call(F&& f) {
  struct Depth {
    int& depth;
    DesktopWindow& window;
    explicit Depth(int& d, DesktopWindow& w) : depth(d), window(w) { ++depth; }
    ~Depth() {
      if (--depth == 0) window.backend_.HandlerEnded();
    }
  } depth(handlerDepth_, *this);
  return f();
}

DesktopWindow::DesktopWindow(DesktopBackend& backend, WindowClient& client, MenuModel& menu,
                             const std::string& title)
    : backend_(backend),
      client_(client),
      frame_(std::make_unique<FrameWidget>(*this)),
      canvas_(kDefaultClientSize.width, kDefaultClientSize.height) {
  clientWidget_ = new ClientArea(*this);  // the frame owns its central widget
  frame_->setCentralWidget(clientWidget_);
  frame_->setWindowTitle(ToQString(title));
  menuBar_ = std::make_unique<QtMenuBar>(*frame_->menuBar(), menu,
                                         [this](int id) { Call([&] { client_.OnCommand(id); }); });
  clientWidget_->resize(kDefaultClientSize.width, kDefaultClientSize.height);
  frame_->resize(kDefaultClientSize.width,
                 kDefaultClientSize.height + frame_->menuBar()->sizeHint().height());
  backend_.Register(this);
}

DesktopWindow::~DesktopWindow() {
  backend_.Unregister(this);
  timers_.clear();
  menuBar_.reset();
  frame_.reset();
}

QMainWindow& DesktopWindow::Frame() const {
  return *frame_;
}

bool DesktopWindow::Owns(const QWidget& widget) const {
  for (const QWidget* w = &widget; w != nullptr; w = w->parentWidget()) {
    if (w == frame_.get()) return true;
    // Popup menus belong to the frame; dialogs parented to it do not.
    if (w->isWindow() && qobject_cast<const QMenu*>(w) == nullptr) return false;
  }
  return false;
}

void DesktopWindow::Show() {
  frame_->show();
  clientWidget_->setFocus();
  Invalidate();
}

void DesktopWindow::SetTitle(const std::string& title) {
  frame_->setWindowTitle(ToQString(title));
}

std::string DesktopWindow::Title() const {
  return frame_->windowTitle().toStdString();
}

void DesktopWindow::SetAccelerators(std::vector<Accelerator> table) {
  accelerators_ = std::move(table);
}

Size DesktopWindow::ClientSize() const {
  return {canvas_.Width(), canvas_.Height()};
}

void DesktopWindow::ResizeClient(Size size) {
  if (size.width <= 0 || size.height <= 0) return;
  frame_->resize(size.width, size.height + frame_->menuBar()->sizeHint().height());
  clientWidget_->resize(size.width, size.height);
  // A hidden frame lays out only when shown; the size counts from now on.
  Resized(size);
}

void DesktopWindow::Resized(Size size) {
  if (size.width <= 0 || size.height <= 0) return;
  if (size == ClientSize()) return;
  canvas_.Resize(size.width, size.height);
  Call([&] { client_.OnSize(size); });
  Invalidate();
}

void DesktopWindow::Invalidate() {
  paintDue_ = true;
  clientWidget_->update();
}

void DesktopWindow::UpdateNow() {
  // Inside a command the paint stays due until the command has returned;
  // what was drawn directly shows now all the same.
  if (paintDue_ && ClientPaintsNow()) PaintClient();
  clientWidget_->repaint();
}

void DesktopWindow::MarkShown() {
  shownChanges_ = canvas_.Changes();
  lastShown_ = std::chrono::steady_clock::now();
}

void DesktopWindow::ShowDrawing(const Rect& area) {
  if (!clientWidget_->isVisible()) return;
  const Rect r = area.Normalized();
  clientWidget_->repaint(QRect(r.left, r.top, r.Width(), r.Height()));
}

void DesktopWindow::ShowPendingDrawing() {
  if (!clientWidget_->isVisible() || canvas_.Changes() == shownChanges_) return;
  if (std::chrono::steady_clock::now() - lastShown_ < kShowInterval) return;
  clientWidget_->repaint();
}

RgbImage DesktopWindow::Snapshot() {
  return canvas_.ToRgbImage();
}

void DesktopWindow::SetCursor(CursorShape shape) {
  clientWidget_->setCursor(QtCursor(shape));
}

void DesktopWindow::CaptureMouse(bool capture) {
  if (!clientWidget_->isVisible()) return;
  if (capture)
    clientWidget_->grabMouse();
  else
    clientWidget_->releaseMouse();
}

void DesktopWindow::AcceptDroppedFiles(bool accept) {
  acceptsDrops_ = accept;
  clientWidget_->setAcceptDrops(accept);
}

void DesktopWindow::SetTimer(int id, int intervalMs) {
  auto timer = std::make_unique<QTimer>();
  timer->setInterval(std::max(intervalMs, 1));
  QObject::connect(timer.get(), &QTimer::timeout, timer.get(), [this, id] {
    // A tick that comes while a command runs is dropped; the next one comes.
    if (CanCallClient()) Call([&] { client_.OnTimer(id); });
  });
  timer->start();
  timers_[id] = std::move(timer);
}

void DesktopWindow::KillTimer(int id) {
  timers_.erase(id);
}

bool DesktopWindow::CanCallClient() const {
  return !backend_.Polling() && (handlerDepth_ == 0 || backend_.InModalLoop());
}

void DesktopWindow::InputWhileBusy() {
  Call([&] { client_.OnInputWhileBusy(); });
}

void DesktopWindow::MenuKey(int key, int highlightedId) {
  Call([&] { client_.OnMenuKey(key, highlightedId); });
}

void DesktopWindow::Resume() {
  if (paintDue_) clientWidget_->update();
}

void DesktopWindow::PaintRequested() {
  if (paintDue_ && ClientPaintsNow()) PaintClient();
}

void DesktopWindow::PaintClient() {
  paintDue_ = false;
  ResetDrawingState(canvas_);
  Call([&] { client_.OnPaint(canvas_, true); });
  Call([&] { client_.OnPaint(canvas_, false); });
}

void DesktopWindow::DrawText(int x, int y, const std::string& text) {
  canvas_.Save();
  ResetDrawingState(canvas_);
  canvas_.TextOut({x, y}, text);
  canvas_.Restore();
  clientWidget_->repaint();
}

int DesktopWindow::AcceleratorCommand(const Message& m) const {
  if (m.wparam == 0) return 0;
  for (const Accelerator& a : accelerators_)
    if (a.key == m.wparam && a.control == m.control && a.alt == m.alt && a.shift == m.shift)
      return a.command;
  return 0;
}

void DesktopWindow::DispatchKey(const Message& m) {
  if (const int command = AcceleratorCommand(m); command != 0) {
    Call([&] { client_.OnCommand(command); });
    return;
  }
  if (m.wparam != 0) Call([&] { client_.OnKeyDown(static_cast<int>(m.wparam)); });
  if (m.lparam != 0) Call([&] { client_.OnChar(static_cast<int>(m.lparam)); });
}

void DesktopWindow::KeyPressed(const QKeyEvent& event) {
  DispatchKey(KeyMessage(event, Handle()));
}

void DesktopWindow::Mouse(MouseAction action, const QMouseEvent& event) {
  MouseEvent e;
  const QPoint at = event.position().toPoint();
  e.at = {at.x(), at.y()};
  e.leftButton = event.buttons().testFlag(Qt::LeftButton);
  e.rightButton = event.buttons().testFlag(Qt::RightButton);
  e.shift = event.modifiers().testFlag(Qt::ShiftModifier);
  e.control = event.modifiers().testFlag(Qt::ControlModifier);
  Call([&] { client_.OnMouse(action, e); });
}

void DesktopWindow::FilesDropped(const std::vector<std::string>& paths) {
  if (CanCallClient()) Call([&] { client_.OnDropFiles(paths); });
}

bool DesktopWindow::CloseRequested() {
  if (!CanCallClient() || client_.IsBusy()) {
    // Asked again once the running command has ended; a computation that
    // runs is told, as of a key press, so that the close is not kept
    // waiting until it has finished by itself.
    backend_.PostMessage({Handle(), MessageKind::Close});
    if (client_.IsBusy()) Call([&] { client_.OnCloseWhileBusy(); });
    return false;
  }
  if (!Call([&] { return client_.OnClose(); })) return false;
  backend_.PostQuitMessage(0);
  return true;
}

void DesktopWindow::Dispatch(const Message& m) {
  const bool input =
      m.kind == MessageKind::KeyDown || m.kind == MessageKind::Char ||
      m.kind == MessageKind::LeftButtonDown || m.kind == MessageKind::RightButtonDown ||
      m.kind == MessageKind::LeftDoubleClick || m.kind == MessageKind::RightDoubleClick;
  if (input && client_.IsBusy()) {
    InputWhileBusy();
    return;
  }
  MouseEvent e;
  e.at = MousePoint(m.lparam);
  e.control = m.control;
  e.shift = m.shift;
  // A queued message knows only the button it is about.
  e.leftButton = m.kind == MessageKind::LeftButtonDown || m.kind == MessageKind::LeftDoubleClick;
  e.rightButton = m.kind == MessageKind::RightButtonDown || m.kind == MessageKind::RightDoubleClick;
  const auto mouse = [&](MouseAction action) { Call([&] { client_.OnMouse(action, e); }); };
  switch (m.kind) {
    case MessageKind::Command:
      Call([&] { client_.OnCommand(static_cast<int>(m.wparam)); });
      break;
    case MessageKind::KeyDown:
      DispatchKey(m);
      break;
    case MessageKind::Char:
      Call([&] { client_.OnChar(static_cast<int>(m.wparam)); });
      break;
    case MessageKind::MouseMove:
      mouse(MouseAction::Move);
      break;
    case MessageKind::LeftButtonDown:
      mouse(MouseAction::LeftDown);
      break;
    case MessageKind::LeftButtonUp:
      mouse(MouseAction::LeftUp);
      break;
    case MessageKind::LeftDoubleClick:
      mouse(MouseAction::LeftDoubleClick);
      break;
    case MessageKind::RightButtonDown:
      mouse(MouseAction::RightDown);
      break;
    case MessageKind::RightButtonUp:
      mouse(MouseAction::RightUp);
      break;
    case MessageKind::RightDoubleClick:
      mouse(MouseAction::RightDoubleClick);
      break;
    case MessageKind::Timer:
      Call([&] { client_.OnTimer(static_cast<int>(m.wparam)); });
      break;
    case MessageKind::Paint:
      Invalidate();
      UpdateNow();
      break;
    case MessageKind::Close:
      if (CloseRequested()) frame_->hide();
      break;
    case MessageKind::KeyUp:
    case MessageKind::Other:
      break;
  }
}

}  // namespace platform::qt
