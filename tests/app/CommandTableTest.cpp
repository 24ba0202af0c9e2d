// Dispatch of commands to their handlers: the menu-help mode (F1 on a
// highlighted item), the commands that answer it with the help prompt and
// those that run anyway, and the box of commands without a handler.
#include <gtest/gtest.h>

#include "app/ShellFixture.h"
#include "app/commands/CommandTable.h"
#include "app/window/TXLAWindow.h"
#include "resources/AppStrings.h"

namespace {

int handlerRuns = 0;
void CountingHandler(TXLAWindow&) {
  ++handlerRuns;
}

}  // namespace

class CommandDispatch : public ShellTest {
 protected:
  bool QuitPosted() { return backend().QuitCode().has_value(); }
};

TEST_F(CommandDispatch, HelpModeDecidesBetweenPromptAndRunningByTheCommand) {
  CommandTable table;
  table.Add(230, &CountingHandler, true, "ExitProgram");
  table.Add(869, &CountingHandler, false, "CmKeyboardShortcuts");
  struct Case {
    int id;
    const char* what;
    bool helpMode;
    const char* expectedBox;  // caption of the box shown, or none
    bool runs;
    bool modeAfter;
  } cases[] = {
      {230, "answers help", true, "[HELP]", false, false},
      {230, "answers help, no help mode", false, nullptr, true, false},
      {869, "runs in help mode", true, nullptr, true, true},
      // Without a handler yet, a command still answers help as its own would.
      {212, "no handler, answers help", true, "[HELP]", false, false},
      {213, "no handler, runs", true, "[Error]", false, true},
      {213, "no handler", false, "[Error]", false, false},
  };
  for (const Case& c : cases) {
    backend().ClearLog();
    handlerRuns = 0;
    TXLAWindow window(MainWindowTitle);
    window.MenuHelpMode = c.helpMode;
    backend().ScriptBoxAnswer(platform::BoxAnswer::No);
    DispatchCommand(table, window, c.id);
    const auto boxes = LogLinesWith("box ");
    if (c.expectedBox == nullptr) {
      EXPECT_TRUE(boxes.empty()) << c.what;
    } else {
      ASSERT_EQ(boxes.size(), 1u) << c.what;
      EXPECT_NE(boxes.front().find(c.expectedBox), std::string::npos) << c.what;
    }
    EXPECT_EQ(handlerRuns, c.runs ? 1 : 0) << c.what;
    EXPECT_EQ(window.MenuHelpMode, c.modeAfter) << c.what;
  }
}

TEST_F(CommandDispatch, F1OnExitShowsHelpAndTheNextExitEndsTheProgram) {
  TXLAWindow window(MainWindowTitle);
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  window.OnMenuKey(platform::key::F1, 230);
  EXPECT_EQ(LogLinesWith("box [HELP]").size(), 1u);
  EXPECT_FALSE(window.MenuHelpMode);
  EXPECT_FALSE(QuitPosted());

  window.OnCommand(230);
  ASSERT_TRUE(QuitPosted());
  EXPECT_EQ(*backend().QuitCode(), 0);
  EXPECT_TRUE(ProgramEndRequested);
}

TEST_F(CommandDispatch, F1OnACommandWithoutHelpRunsItAndTheNextHelpCommandPrompts) {
  TXLAWindow window(MainWindowTitle);
  window.OnMenuKey(platform::key::F1, 869);  // "Keyboard Shortcuts"
  EXPECT_EQ(LogLinesWith("box [KEYBOARD SHORTCUTS]").size(), 1u);
  EXPECT_TRUE(window.MenuHelpMode);
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  window.OnCommand(230);
  EXPECT_EQ(LogLinesWith("box [HELP]").size(), 1u);
  EXPECT_FALSE(window.MenuHelpMode);
  // Other keys in a menu do nothing.
  window.OnMenuKey('A', 230);
  EXPECT_FALSE(window.MenuHelpMode);
  EXPECT_FALSE(QuitPosted());
}

TEST_F(CommandDispatch, CommandWithoutHandlerNamesItselfInTheBox) {
  const CommandTable empty;
  TXLAWindow window(MainWindowTitle);
  DispatchCommand(empty, window, 518);
  DispatchCommand(empty, window, 4321);
  const auto boxes = LogLinesWith("box [Error]");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].find("\"Data Range\" is not available in this version."), std::string::npos);
  EXPECT_NE(boxes[1].find("\"4321\" is not available"), std::string::npos);
}

TEST(CommandTableEntries, FirstEntryOfAnIdIsTheOneFound) {
  CommandTable table;
  table.Add(
      5, [](TXLAWindow&) {}, true, "First");
  table.Add(
      5, [](TXLAWindow&) {}, false, "Second");
  ASSERT_NE(table.Find(5), nullptr);
  EXPECT_STREQ(table.Find(5)->name, "First");
  EXPECT_TRUE(CommandAnswersHelp(table, 5));
  EXPECT_EQ(table.Find(6), nullptr);
  // Ids without an entry answer as the list of commands says.
  EXPECT_TRUE(CommandAnswersHelp(table, 212));
  EXPECT_FALSE(CommandAnswersHelp(table, 213));
  EXPECT_FALSE(CommandAnswersHelp(table, 4321));
}
