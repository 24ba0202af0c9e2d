// The toolkit-free menu model and the headless window: the program's menu
// edits, command dispatch through menus and accelerators, the busy filter,
// the two-pass paint and the scripted file dialogs.
#include <gtest/gtest.h>

#include "platform/Menu.h"
#include "platform/Window.h"
#include "support/TestSupport.h"

using namespace platform;

namespace {

MenuModel SmallMenu() {
  return MenuModel(
      {MenuItem::Popup("&Data", {MenuItem::Command(200, "&Load New Files\t^L"),
                                 MenuItem::Separator(), MenuItem::Command(230, "Exit")}),
       MenuItem::Popup("D&isplay", {MenuItem::Popup(
                                       "Sub", {MenuItem::Command(209, "Show Residuals", true)})})});
}

struct RecordingClient : WindowClient {
  std::vector<std::string> events;
  bool busy = false;
  void OnCommand(int id) override { events.push_back("command " + std::to_string(id)); }
  void OnPaint(Canvas&, bool erase) override { events.push_back(erase ? "erase" : "draw"); }
  void OnKeyDown(int k) override { events.push_back("key " + std::to_string(k)); }
  void OnMouse(MouseAction a, const MouseEvent& e) override {
    events.push_back("mouse " + std::to_string(static_cast<int>(a)) + " " + std::to_string(e.at.x) +
                     "," + std::to_string(e.at.y));
  }
  bool IsBusy() const override { return busy; }
  void OnInputWhileBusy() override { events.push_back("abort"); }
};

}  // namespace

TEST(MenuModel, EditsFindItemsAtAnyDepthAndReportUnknownIds) {
  MenuModel menu = SmallMenu();
  int changes = 0;
  menu.SetChangeListener([&] { ++changes; });
  EXPECT_TRUE(menu.IsChecked(209));
  EXPECT_TRUE(menu.Check(209, false));
  EXPECT_FALSE(menu.IsChecked(209));
  EXPECT_TRUE(menu.Enable(230, false));
  EXPECT_TRUE(menu.IsGrayed(230));
  EXPECT_TRUE(menu.InsertBefore(230, MenuItem::Command(999, "Run-time item")));
  EXPECT_EQ(menu.CommandIds(), (std::vector<int>{200, 999, 230, 209}));
  EXPECT_TRUE(menu.Delete(999));
  EXPECT_FALSE(menu.Delete(999));
  EXPECT_FALSE(menu.Check(12345, true));
  EXPECT_FALSE(menu.InsertBefore(12345, MenuItem::Command(1, "x")));
  EXPECT_EQ(changes, 4);
  EXPECT_EQ(PlainMenuText("&Load New Files\t^L"), "Load New Files");
  EXPECT_EQ(PlainMenuText("Fish && &Chips"), "Fish & Chips");
}

TEST(FilePatterns, MatchWithoutRegardToCase) {
  struct Case {
    const char* name;
    const char* pattern;
    bool match;
  } cases[] = {{"00012.RA1", "*.RA*", true},     {"00012.ra1", "*.RA*", true},
               {"scan.ip2", "*.IP*", true},      {"scan.txt", "*.RA*", false},
               {"mylist.txt", "*list*.*", true}, {"a.xp", "*.xp", true},
               {"a.xpx", "*.xp", false},         {"abc", "a?c", true}};
  for (const auto& c : cases) EXPECT_EQ(MatchesFilePattern(c.name, c.pattern), c.match) << c.name;
  FileFilter filter{"AUC", {"*.RA*", "*.IP*"}};
  EXPECT_TRUE(MatchesFileFilter("/data/RUN.IP*/x/00001.ip1", filter));
  EXPECT_FALSE(MatchesFileFilter("/data/x.ra1/readme", filter));
}

class HeadlessWindowTest : public HeadlessTest {};

TEST_F(HeadlessWindowTest, DispatchesCommandsAcceleratorsAndMouseAndPaintsInTwoPasses) {
  MenuModel menu = SmallMenu();
  RecordingClient client;
  auto window = backend().CreateMainWindow(client, menu, "Sedimentation Analysis");
  window->SetAccelerators({{'L', true, false, false, 200}});
  window->Show();
  const WindowHandle h = window->Handle();
  backend().QueueMessage({h, MessageKind::Command, 230, 0});
  Message ctrlL{h, MessageKind::KeyDown, 'L', 0};
  ctrlL.control = true;
  backend().QueueMessage(ctrlL);
  backend().QueueMessage({h, MessageKind::KeyDown, 'L', 0});
  backend().QueueMessage({h, MessageKind::LeftButtonDown, 0, (20L << 16) | 10});
  EXPECT_EQ(backend().RunMessageLoop(), 0);
  EXPECT_EQ(client.events, (std::vector<std::string>{"command 230", "command 200", "key 76",
                                                     "mouse 1 10,20", "erase", "draw"}));
  EXPECT_EQ(window->Title(), "Sedimentation Analysis");
}

TEST_F(HeadlessWindowTest, InputWhileBusyOnlyReachesTheAbortHook) {
  MenuModel menu;
  RecordingClient client;
  client.busy = true;
  auto window = backend().CreateMainWindow(client, menu, "w");
  backend().QueueMessage({window->Handle(), MessageKind::KeyDown, key::Escape, 0});
  backend().QueueMessage({window->Handle(), MessageKind::LeftButtonDown, 0, 0});
  backend().RunMessageLoop();
  EXPECT_EQ(client.events, (std::vector<std::string>{"abort", "abort"}));
}

TEST_F(HeadlessWindowTest, QuitEndsTheLoopWithItsCode) {
  MenuModel menu;
  RecordingClient client;
  auto window = backend().CreateMainWindow(client, menu, "w");
  backend().PostQuitMessage(3);
  backend().QueueMessage({window->Handle(), MessageKind::Command, 1, 0});
  EXPECT_EQ(backend().RunMessageLoop(), 3);
  EXPECT_TRUE(client.events.empty());
}

TEST_F(HeadlessWindowTest, FileDialogsAndTextEntryAnswerFromTheScriptElseCancel) {
  backend().ScriptFileDialog(std::vector<std::string>{"/d/a.ra1", "/d/b.ra1"});
  FileDialogRequest request;
  request.title = "select files";
  EXPECT_TRUE(backend().ShowOpenFileDialog(request));
  EXPECT_EQ(request.chosen.size(), 2u);
  EXPECT_FALSE(backend().ShowSaveFileDialog(request));
  EXPECT_TRUE(request.chosen.empty());
  TextEntryRequest text{nullptr, "EDIT", "old"};
  EXPECT_FALSE(backend().ShowTextEntryWindow(text));
  EXPECT_EQ(text.text, "old");
  EXPECT_EQ(LogLinesWith("file dialog").size(), 2u);
  EXPECT_FALSE(backend().StartProgram("quorvel", {}));
}
