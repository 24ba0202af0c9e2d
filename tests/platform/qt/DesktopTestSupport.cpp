#include "platform/qt/DesktopTestSupport.h"

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>

#include "platform/qt/GuiRuntime.h"
#include "platform/qt/QtMenuBar.h"

namespace platform::qt::test {

void RecordingClient::OnCommand(int id) {
  events.push_back("command " + std::to_string(id));
  if (onCommand) onCommand(id);
}

void RecordingClient::OnPaint(Canvas& canvas, bool erase) {
  events.push_back(deferPaint ? "deferred paint" : erase ? "erase" : "draw");
  canvas.SelectPen(NullPen());
  if (erase) {
    canvas.SelectBrush(WhiteBrush());
    canvas.Rectangle({0, 0, 4000, 4000});
  } else {
    canvas.SelectBrush(SolidBrush(Rgb(255, 0, 0)));
    canvas.Rectangle({10, 10, 50, 40});
  }
}

void RecordingClient::OnSize(Size size) {
  events.push_back("size " + std::to_string(size.width) + "x" + std::to_string(size.height));
}

void RecordingClient::OnKeyDown(int key) {
  events.push_back("key " + std::to_string(key));
}

void RecordingClient::OnChar(int character) {
  events.push_back("char " + std::to_string(character));
}

void RecordingClient::OnMouse(MouseAction action, const MouseEvent& e) {
  events.push_back("mouse " + std::to_string(static_cast<int>(action)) + " " +
                   std::to_string(e.at.x) + "," + std::to_string(e.at.y) +
                   (e.leftButton ? " L" : "") + (e.control ? " ctrl" : ""));
}

void RecordingClient::OnDropFiles(const std::vector<std::string>& paths) {
  std::string line = "drop";
  for (const auto& p : paths) line += " " + p;
  events.push_back(line);
}

void RecordingClient::OnTimer(int id) {
  events.push_back("timer " + std::to_string(id));
  if (onTimer) onTimer(id);
}

void RecordingClient::OnMenuKey(int key, int highlightedId) {
  events.push_back("menu key " + std::to_string(key) + " " + std::to_string(highlightedId));
}

DesktopTest::DesktopTest() {
  // Offscreen unless the environment chose: the tests need no display.
  EnsureGuiApplication();
  backend_ = std::make_unique<DesktopBackend>();
}

DesktopTest::~DesktopTest() {
  backend_.reset();
  Settle();
}

void DesktopTest::Settle() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

namespace {
QAction* FindIn(const QList<QAction*>& actions, int id) {
  for (QAction* a : actions) {
    if (QtMenuBar::CommandId(a) == id && id != 0) return a;
    if (a->menu() != nullptr)
      if (QAction* found = FindIn(a->menu()->actions(), id)) return found;
  }
  return nullptr;
}
}  // namespace

QAction* FindAction(QMenuBar& bar, int id) {
  return FindIn(bar.actions(), id);
}

ModalAnswer::ModalAnswer(std::function<void(QWidget&)> act) : timer_(std::make_unique<QTimer>()) {
  timer_->setInterval(5);
  QObject::connect(timer_.get(), &QTimer::timeout, timer_.get(), [this, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || answered_) return;
    answered_ = true;
    act(*modal);
    if (modal->isVisible())
      if (auto* dialog = qobject_cast<QDialog*>(modal)) dialog->reject();
  });
  timer_->start();
}

ModalAnswer::~ModalAnswer() = default;

}  // namespace platform::qt::test
