// The desktop main window: its menu bar follows the menu model, items and
// accelerators reach the client, and the client area's backing image takes
// both the two-pass paint and direct drawing.
#include <gtest/gtest.h>

#include <QAction>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUrl>

#include "platform/qt/DesktopTestSupport.h"
#include "platform/qt/RasterWindows.h"
#include "support/TestSupport.h"

namespace platform::qt::test {
namespace {

const Color kRed = Rgb(255, 0, 0);
const Color kBlue = Rgb(0, 0, 255);

MenuModel TwoLevelMenu() {
  return MenuModel(
      {MenuItem::Popup("&File", {MenuItem::Command(101, "&Open\tCtrl+O"), MenuItem::Separator(),
                                 MenuItem::Popup("&Recent", {MenuItem::Command(102, "One")})}),
       MenuItem::Popup("&Help", {MenuItem::Command(201, "&About")})});
}

class DesktopWindowTest : public DesktopTest {
 protected:
  DesktopWindowTest()
      : host(backend().CreateMainWindow(client, menu, "Test")),
        window(dynamic_cast<DesktopWindow&>(*host)),
        bar(*window.Frame().menuBar()) {}

  void Key(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, qtKey, modifiers, text);
    QApplication::sendEvent(&window.ClientWidget(), &press);
  }

  RecordingClient client;
  MenuModel menu = TwoLevelMenu();
  std::unique_ptr<WindowHost> host;
  DesktopWindow& window;
  QMenuBar& bar;
};

TEST_F(DesktopWindowTest, MenuBarShowsTheModelAndFollowsItsEdits) {
  ASSERT_EQ(bar.actions().size(), 2);
  EXPECT_EQ(bar.actions()[0]->text(), "&File");
  QAction* open = FindAction(bar, 101);
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->text(), "&Open\tCtrl+O");
  EXPECT_FALSE(open->isChecked());
  ASSERT_NE(FindAction(bar, 102), nullptr);

  menu.Check(101, true);
  menu.Enable(102, false);
  EXPECT_TRUE(FindAction(bar, 101)->isChecked());
  EXPECT_FALSE(FindAction(bar, 102)->isEnabled());

  menu.InsertBefore(102, MenuItem::Command(103, "Two"));
  QAction* one = FindAction(bar, 102);
  QAction* two = FindAction(bar, 103);
  ASSERT_NE(two, nullptr);
  auto* recentMenu = qobject_cast<QMenu*>(one->parent());
  ASSERT_NE(recentMenu, nullptr);
  const QList<QAction*> recent = recentMenu->actions();
  ASSERT_EQ(recent.size(), 2);
  EXPECT_EQ(recent[0], two);
  EXPECT_EQ(recent[1], one);
  // The rebuilt bar keeps the states set before.
  EXPECT_TRUE(FindAction(bar, 101)->isChecked());
  EXPECT_FALSE(one->isEnabled());

  menu.Delete(101);
  EXPECT_EQ(FindAction(bar, 101), nullptr);
}

TEST_F(DesktopWindowTest, ChosenItemReachesTheClientAndTheModelKeepsTheCheckMark) {
  menu.Check(101, true);
  FindAction(bar, 101)->trigger();  // Qt would untick a checkable item itself
  FindAction(bar, 201)->trigger();
  EXPECT_EQ(client.events, (std::vector<std::string>{"command 101", "command 201"}));
  EXPECT_TRUE(FindAction(bar, 101)->isChecked());
}

TEST_F(DesktopWindowTest, CommandThatEditsTheMenuFromItsOwnItemIsSafe) {
  client.onCommand = [&](int) { menu.Delete(201); };
  FindAction(bar, 201)->trigger();
  Settle();
  EXPECT_EQ(FindAction(bar, 201), nullptr);
  EXPECT_NE(FindAction(bar, 101), nullptr);
}

TEST_F(DesktopWindowTest, KeysGoThroughAcceleratorsThenKeyDownAndCharacter) {
  window.Show();
  window.SetAccelerators({{'L', true, false, false, 301}, {key::F1 + 1, false, false, true, 302}});
  struct Case {
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    QString text;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {Qt::Key_L, Qt::ControlModifier, "\x0c", {"command 301"}},
      {Qt::Key_F2, Qt::ShiftModifier, "", {"command 302"}},
      {Qt::Key_F2, Qt::NoModifier, "", {"key 113"}},
      {Qt::Key_L, Qt::NoModifier, "l", {"key 76", "char 108"}},
      {Qt::Key_Left, Qt::NoModifier, "", {"key 37"}},
      {Qt::Key_Return, Qt::NoModifier, "\r", {"key 13", "char 13"}},
      {Qt::Key_Tab, Qt::NoModifier, "\t", {"key 9", "char 9"}},
      {Qt::Key_Plus, Qt::KeypadModifier, "+", {"key 107", "char 43"}},
      {Qt::Key_Delete, Qt::NoModifier, "\x7f", {"key 46"}},
  };
  for (const Case& c : cases) {
    client.events.clear();
    Key(c.qtKey, c.modifiers, c.text);
    EXPECT_EQ(client.events, c.expected) << c.qtKey;
  }
}

TEST_F(DesktopWindowTest, AcceleratorsWorkWhereverTheFocusIs) {
  window.Show();
  window.SetAccelerators({{'L', true, false, false, 301}});
  window.ClientWidget().clearFocus();
  // A key that the focused widget leaves (the menu bar, the frame itself)
  // travels up to the frame.
  for (QWidget* focused : {static_cast<QWidget*>(&bar), static_cast<QWidget*>(&window.Frame())}) {
    client.events.clear();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_L, Qt::ControlModifier, "\x0c");
    QApplication::sendEvent(focused, &press);
    EXPECT_EQ(client.events, (std::vector<std::string>{"command 301"})) << focused->metaObject()->className();
  }
}

// An accelerator goes before the menu bar's mnemonic on the same key (Alt+F
// here, the mnemonic of "&File"): the key is claimed from the shortcut
// system, so it arrives as a key press; without such an accelerator the
// mnemonic keeps it.
TEST_F(DesktopWindowTest, AnAcceleratorGoesBeforeAMenuMnemonicOnItsKey) {
  window.Show();
  for (const bool accelerator : {false, true}) {
    window.SetAccelerators(accelerator ? std::vector<Accelerator>{{'F', false, true, false, 611}}
                                       : std::vector<Accelerator>{});
    QKeyEvent override(QEvent::ShortcutOverride, Qt::Key_F, Qt::AltModifier, "f");
    override.ignore();
    QApplication::sendEvent(&window.Frame(), &override);
    EXPECT_EQ(override.isAccepted(), accelerator);
  }
  client.events.clear();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_F, Qt::AltModifier, "f");
  QApplication::sendEvent(&window.Frame(), &press);
  EXPECT_EQ(client.events, (std::vector<std::string>{"command 611"}));
}

// Once the menus have been used the menu bar holds the focus and would open
// "&File" on Alt+F itself: the accelerator still goes first. Inside an open
// menu the keys stay the menu's.
TEST_F(DesktopWindowTest, AnAcceleratorGoesFirstAlsoWhenTheMenuBarHasTheFocus) {
  window.Show();
  window.SetAccelerators({{'F', false, true, false, 611}});
  QKeyEvent press(QEvent::KeyPress, Qt::Key_F, Qt::AltModifier, "f");
  QApplication::sendEvent(&bar, &press);
  EXPECT_EQ(client.events, (std::vector<std::string>{"command 611"}));
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  client.events.clear();
  QMenu& file = *bar.actions().front()->menu();
  QKeyEvent inMenu(QEvent::KeyPress, Qt::Key_F, Qt::AltModifier, "f");
  QApplication::sendEvent(&file, &inMenu);
  EXPECT_TRUE(client.events.empty());
}

TEST_F(DesktopWindowTest, APaintTheClientWouldSkipStaysDueUntilItsCommandHasEnded) {
  window.Show();
  Settle();
  // A command that repaints and then shows a box: the box's own loop
  // delivers the paint while the client is still busy with the command.
  client.onCommand = [&](int) {
    client.deferPaint = true;
    window.Invalidate();
    ModalAnswer close([](QWidget&) {});
    backend().ShowMessageBox({window.Handle(), "done", "Run", BoxIcon::Information, BoxButtons::Ok});
    client.deferPaint = false;
  };
  client.events.clear();
  window.Dispatch({window.Handle(), MessageKind::Command, 7});
  Settle();
  EXPECT_EQ(client.events, (std::vector<std::string>{"command 7", "erase", "draw"}));
}

TEST_F(DesktopWindowTest, PaintErasesThenDrawsIntoTheBackingImage) {
  window.Show();
  Settle();
  EXPECT_EQ(client.events.back(), "draw");
  client.events.clear();
  window.Invalidate();
  Settle();
  EXPECT_EQ(client.events, (std::vector<std::string>{"erase", "draw"}));
  const RgbImage shot = window.Snapshot();
  EXPECT_EQ(shot.Width(), window.ClientSize().width);
  EXPECT_EQ(shot.At(20, 20), kRed);
  EXPECT_EQ(shot.At(5, 5), kWhite);
  EXPECT_EQ(shot.At(50, 40), kWhite);
}

TEST_F(DesktopWindowTest, DirectDrawingStaysAndShowsOnUpdateNowWithoutAPaint) {
  window.Show();
  Settle();
  client.events.clear();
  Canvas& canvas = window.ClientCanvas();
  canvas.SelectPen(NullPen());
  canvas.SelectBrush(SolidBrush(kBlue));
  canvas.Rectangle({100, 100, 120, 110});
  window.UpdateNow();
  EXPECT_TRUE(client.events.empty());
  const QImage shown = window.ClientWidget().grab().toImage();
  EXPECT_EQ(QColor(shown.pixel(105, 105)), QColor(0, 0, 255));
  EXPECT_EQ(QColor(shown.pixel(20, 20)), QColor(255, 0, 0));
  // A paint that is due runs at once on UpdateNow, from the default state:
  // the blue brush left selected above does not leak into it.
  window.Invalidate();
  window.UpdateNow();
  EXPECT_EQ(client.events, (std::vector<std::string>{"erase", "draw"}));
  EXPECT_EQ(window.Snapshot().At(105, 105), kWhite);
}

TEST_F(DesktopWindowTest, ResizeGivesANewBackingSizeTheClientHearsOfAndARepaint) {
  window.Show();
  Settle();
  client.events.clear();
  window.ResizeClient({300, 200});
  Settle();
  EXPECT_EQ(window.ClientSize(), (Size{300, 200}));
  EXPECT_EQ(window.Snapshot().Width(), 300);
  EXPECT_EQ(window.Snapshot().Height(), 200);
  ASSERT_FALSE(client.events.empty());
  EXPECT_EQ(client.events.front(), "size 300x200");
  EXPECT_EQ(client.events.back(), "draw");
}

TEST_F(DesktopWindowTest, DroppedFilesReachTheClientOnlyWhenAccepted) {
  window.Show();
  for (const bool accept : {false, true}) {
    client.events.clear();
    window.AcceptDroppedFiles(accept);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/tmp/a.ip1"), QUrl::fromLocalFile("/tmp/b.ra2")});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window.ClientWidget(), &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window.ClientWidget(), &drop);
    const std::vector<std::string> expected =
        accept ? std::vector<std::string>{"drop /tmp/a.ip1 /tmp/b.ra2"}
               : std::vector<std::string>{};
    EXPECT_EQ(client.events, expected) << accept;
  }
}

TEST_F(DesktopWindowTest, CloseBoxAsksTheClientAndEndsTheLoopOnlyWhenAllowed) {
  window.Show();
  client.allowClose = false;
  window.Frame().close();
  EXPECT_TRUE(window.Frame().isVisible());
  client.allowClose = true;
  window.Frame().close();
  EXPECT_FALSE(window.Frame().isVisible());
  EXPECT_EQ(client.events, (std::vector<std::string>{"close", "close"}));
  EXPECT_EQ(backend().RunMessageLoop(), 0);
}

TEST_F(DesktopWindowTest, HelpKeyOnAHighlightedMenuItemTellsTheClientAndClosesTheMenu) {
  window.Show();
  QAction* about = FindAction(bar, 201);
  auto* help = qobject_cast<QMenu*>(about->parent());
  ASSERT_NE(help, nullptr);
  help->popup(QPoint(0, 0));
  help->setActiveAction(about);
  Settle();
  client.events.clear();
  QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
  QApplication::sendEvent(help, &f1);
  EXPECT_EQ(client.events, (std::vector<std::string>{"menu key 112 201"}));
  EXPECT_FALSE(help->isVisible());
}

TEST_F(DesktopWindowTest, DrawWindowTextGoesIntoTheBackingImage) {
  window.Show();
  Settle();
  const RgbImage before = window.Snapshot();
  backend().DrawWindowText(window.Handle(), 200, 300, "Fitting...");
  const RgbImage after = window.Snapshot();
  int changed = 0;
  for (int y = 300; y < 320; ++y)
    for (int x = 200; x < 260; ++x) changed += before.At(x, y) != after.At(x, y);
  EXPECT_GT(changed, 20);
  EXPECT_EQ(after.At(20, 20), kRed);
}

TEST(RasterWindows, HeadlessWindowsDrawRealPixels) {
  HeadlessBackend headless;
  UseRasterWindows(headless);
  RecordingClient client;
  MenuModel menu;
  auto host = headless.CreateMainWindow(client, menu, "Batch");
  host->Show();
  headless.RunMessageLoop();
  EXPECT_EQ(client.events, (std::vector<std::string>{"erase", "draw"}));
  const RgbImage shot = host->Snapshot();
  ASSERT_FALSE(shot.IsEmpty());
  EXPECT_EQ(shot.At(20, 20), kRed);
  EXPECT_EQ(shot.At(60, 60), kWhite);
}

}  // namespace
}  // namespace platform::qt::test
