// Dispatch of commands to their handlers: the menu-help mode (F1 on a
// highlighted item), the commands that answer it with the help prompt and
// those that run anyway, and the box of commands without a handler.
#include <gtest/gtest.h>

#include "app/ShellFixture.h"
#include "app/commands/CommandTable.h"
#include "app/window/TXLAWindow.h"
#include "resources/AppStrings.h"

class CommandDispatch : public ShellTest {
 protected:
  bool QuitPosted() { return backend().QuitCode().has_value(); }
};

TEST_F(CommandDispatch, HelpModeDecidesBetweenPromptAndRunningByTheCommand) {
  struct Case {
    int id;
    const char* what;
    const char* expectedBox;  // the caption of the box the command shows
    bool modeAfter;
  } cases[] = {
      // Exit answers help: the prompt, and the program does not end.
      {230, "registered, answers help", "[HELP]", false},
      // The keyboard shortcuts run in help mode and leave the mode set.
      {869, "registered, runs", "[KEYBOARD SHORTCUTS]", true},
      // Parameters has no handler yet but answers help all the same.
      {212, "no handler, answers help", "[HELP]", false},
      // Run has no handler and does not answer help: the box, mode kept.
      {213, "no handler, runs", "[Error]", true},
  };
  for (const Case& c : cases) {
    backend().ClearLog();
    TXLAWindow window(MainWindowTitle);
    window.MenuHelpMode = true;
    backend().ScriptBoxAnswer(platform::BoxAnswer::No);
    DispatchCommand(window, c.id);
    ASSERT_EQ(LogLinesWith("box ").size(), 1u) << c.what;
    EXPECT_NE(LogLinesWith("box ").front().find(c.expectedBox), std::string::npos)
        << c.what << ": " << LogLinesWith("box ").front();
    EXPECT_EQ(window.MenuHelpMode, c.modeAfter) << c.what;
    EXPECT_FALSE(QuitPosted()) << c.what;
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
  window.OnMenuKey(platform::key::F1, 213);  // "&Run"
  EXPECT_EQ(LogLinesWith("\"Run\" is not available in this version.").size(), 1u);
  EXPECT_TRUE(window.MenuHelpMode);
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  window.OnCommand(200);  // "&Load New Files" answers help
  EXPECT_EQ(LogLinesWith("box [HELP]").size(), 1u);
  EXPECT_FALSE(window.MenuHelpMode);
  // Other keys in a menu do nothing.
  window.OnMenuKey('A', 230);
  EXPECT_FALSE(window.MenuHelpMode);
  EXPECT_FALSE(QuitPosted());
}

TEST_F(CommandDispatch, CommandWithoutHandlerNamesItselfInTheBox) {
  TXLAWindow window(MainWindowTitle);
  DispatchCommand(window, 518);
  DispatchCommand(window, 4321);
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
