// The desktop backend's message queue and its guard against re-entry: input
// that comes while the client is busy or while a command polls is held back
// and queued for the polls, paints wait until the command has returned, and
// posted messages, timers and quitting work through the main loop.
#include <gtest/gtest.h>

#include <QAction>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QWidget>

#include "platform/qt/DesktopTestSupport.h"

namespace platform::qt::test {
namespace {

class DesktopInputTest : public DesktopTest {
 protected:
  DesktopInputTest()
      : host(backend().CreateMainWindow(client, menu, "Input")),
        window(dynamic_cast<DesktopWindow&>(*host)) {
    window.Show();
    Settle();
    client.events.clear();
  }

  void PostKey(int qtKey, const QString& text) {
    QCoreApplication::postEvent(&window.ClientWidget(),
                                new QKeyEvent(QEvent::KeyPress, qtKey, Qt::NoModifier, text));
  }
  void PostClick(int x, int y) {
    const QPointF at(x, y);
    QCoreApplication::postEvent(
        &window.ClientWidget(),
        new QMouseEvent(QEvent::MouseButtonPress, at, window.ClientWidget().mapToGlobal(at),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
  }

  RecordingClient client;
  MenuModel menu{{MenuItem::Popup("&Run", {MenuItem::Command(5, "&Fit")})}};
  std::unique_ptr<WindowHost> host;
  DesktopWindow& window;
};

TEST_F(DesktopInputTest, KeyWhileBusyBecomesBusyInputAndThePollSeesIt) {
  client.busy = true;
  PostKey(Qt::Key_A, "a");
  const std::optional<Message> m = backend().PeekMessage({nullptr, true}, true);
  ASSERT_TRUE(m.has_value());
  EXPECT_EQ(m->kind, MessageKind::KeyDown);
  EXPECT_EQ(m->wparam, 'A');
  EXPECT_EQ(m->lparam, 'a');
  EXPECT_EQ(m->window, window.Handle());
  EXPECT_EQ(client.events, (std::vector<std::string>{"busy input"}));
}

TEST_F(DesktopInputTest, EveryKindOfInputWhileBusyIsHeldBackAndQueued) {
  client.busy = true;
  QWidget& area = window.ClientWidget();
  const auto mouse = [&](QEvent::Type type, int x, Qt::MouseButton button) {
    const QPointF at(x, 5);
    return new QMouseEvent(type, at, area.mapToGlobal(at), button,
                           type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                           Qt::NoModifier);
  };
  struct Case {
    QEvent* event;
    MessageKind queued;
    bool countsAsInput;
  };
  const Case cases[] = {
      {new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " "), MessageKind::KeyDown,
       true},
      {new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " "), MessageKind::KeyUp,
       false},
      {mouse(QEvent::MouseButtonPress, 1, Qt::RightButton), MessageKind::RightButtonDown, true},
      {mouse(QEvent::MouseButtonRelease, 1, Qt::RightButton), MessageKind::RightButtonUp, false},
      {mouse(QEvent::MouseButtonDblClick, 1, Qt::LeftButton), MessageKind::LeftDoubleClick, true},
      {mouse(QEvent::MouseMove, 9, Qt::NoButton), MessageKind::MouseMove, true},
  };
  for (const Case& c : cases) {
    client.events.clear();
    QCoreApplication::postEvent(&area, c.event);
    const std::optional<Message> m = backend().PeekMessage({}, true);
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->kind, c.queued);
    const std::vector<std::string> expected =
        c.countsAsInput ? std::vector<std::string>{"busy input"} : std::vector<std::string>{};
    EXPECT_EQ(client.events, expected) << static_cast<int>(c.queued);
  }
  // The toolkit repeating a move to where the mouse already is, is no input.
  client.events.clear();
  QCoreApplication::postEvent(&area, mouse(QEvent::MouseMove, 9, Qt::NoButton));
  EXPECT_FALSE(backend().PeekMessage({}, true).has_value());
  EXPECT_TRUE(client.events.empty());
}

TEST_F(DesktopInputTest, WaitMessageWaitsForInputThatComesLater) {
  client.busy = true;
  QTimer::singleShot(20, [&] { PostKey(Qt::Key_X, "x"); });
  const std::optional<Message> m = backend().WaitMessage({window.Handle(), true});
  ASSERT_TRUE(m.has_value());
  EXPECT_EQ(m->wparam, 'X');
}

TEST_F(DesktopInputTest, ClickWhileBusyIsNotDispatchedEvenAfterTheBusySpell) {
  client.busy = true;
  PostClick(30, 40);
  Settle();
  EXPECT_EQ(client.events, (std::vector<std::string>{"busy input"}));
  client.busy = false;
  backend().PostMessage({window.Handle(), MessageKind::Command, 9});
  Settle();
  // The click was answered already; only the posted command follows.
  EXPECT_EQ(client.events, (std::vector<std::string>{"busy input", "command 9"}));
}

TEST_F(DesktopInputTest, CommandThatPollsIsNotReenteredAndLeftoverInputFollowsIt) {
  std::vector<std::optional<Message>> polled;
  std::vector<std::string> duringCommand;
  client.onCommand = [&](int) {
    window.Invalidate();
    PostKey(Qt::Key_Escape, "\x1b");
    PostClick(7, 8);
    polled.push_back(backend().PeekMessage({nullptr, true}, true));
    polled.push_back(backend().PeekMessage({nullptr, true}, true));
    duringCommand = client.events;
  };
  FindAction(*window.Frame().menuBar(), 5)->trigger();
  Settle();
  // Inside the command: no key, click or paint reached the client; the
  // keyboard poll took the key and found nothing more.
  EXPECT_EQ(duringCommand, (std::vector<std::string>{"command 5"}));
  ASSERT_TRUE(polled[0].has_value());
  EXPECT_EQ(polled[0]->wparam, key::Escape);
  EXPECT_FALSE(polled[1].has_value());
  // Afterwards the click the poll left and the paint that fell due.
  EXPECT_EQ(client.events,
            (std::vector<std::string>{"command 5", "mouse 1 7,8 L", "erase", "draw"}));
}

TEST_F(DesktopInputTest, QueueFiltersAndTranslation) {
  const WindowHandle h = window.Handle();
  backend().PostMessage({h, MessageKind::Command, 1});
  backend().PostMessage({h, MessageKind::KeyDown, key::Return, '\r'});
  const std::optional<Message> key = backend().PeekMessage({h, true}, false);
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(key->kind, MessageKind::KeyDown);
  EXPECT_FALSE(backend().PeekMessage({reinterpret_cast<WindowHandle>(&client), false}, false));
  EXPECT_EQ(backend().PendingMessages(), 2u);
  backend().TranslateMessage(*key);
  const std::optional<Message> first = backend().PeekMessage({}, true);
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(first->kind, MessageKind::Char);
  EXPECT_EQ(first->wparam, '\r');
  EXPECT_EQ(backend().WaitMessage({})->kind, MessageKind::Command);
}

TEST_F(DesktopInputTest, MainLoopDispatchesUntilQuitAndReturnsItsCode) {
  client.onCommand = [&](int id) {
    if (id == 2) backend().PostQuitMessage(7);
  };
  backend().PostMessage({window.Handle(), MessageKind::Command, 1});
  backend().PostMessage({window.Handle(), MessageKind::Command, 2});
  EXPECT_EQ(backend().RunMessageLoop(), 7);
  EXPECT_EQ(client.events, (std::vector<std::string>{"command 1", "command 2"}));
  EXPECT_FALSE(backend().WaitMessage({}).has_value());
}

TEST_F(DesktopInputTest, TimerTicksReachTheClientUntilKilled) {
  int ticks = 0;
  client.onTimer = [&](int) {
    if (++ticks == 2) {
      window.KillTimer(4);
      backend().PostQuitMessage(0);
    }
  };
  QTimer guard;  // ends the loop should the timer never tick
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [&] { backend().PostQuitMessage(99); });
  guard.start(5000);
  window.SetTimer(4, 5);
  EXPECT_EQ(backend().RunMessageLoop(), 0);
  EXPECT_EQ(client.events, (std::vector<std::string>{"timer 4", "timer 4"}));
}

}  // namespace
}  // namespace platform::qt::test
