// The "&Help" menu: the help prompt and the browser, the keyboard
// shortcuts, and the About box with its withdrawal of the agreement.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/ShellFixture.h"
#include "app/help/OnlineHelp.h"
#include "app/window/TXLAWindow.h"
#include "resources/AppStrings.h"
#include "state/ProgramPaths.h"

class OnlineHelp : public ShellTest {};

// The help pages are files beside the program: the prompt names them and
// the desktop's opener shows them on Yes; without them, or without an
// opener, a box says so instead of sending the user nowhere.
TEST_F(OnlineHelp, PromptOpensTheHelpPagesBesideTheProgramOnlyWhenAsked) {
  const std::string savedFolder = ProgramPaths.InstallationFolder;
  const ScratchFolder scratch;
  const std::filesystem::path& folder = scratch.path();
  std::filesystem::create_directories(folder / "help");
  ProgramPaths.InstallationFolder = folder.string() + "/";
  const std::string page = HelpPagesPath();
  EXPECT_EQ(page, folder.string() + "/help/README.md");
  struct Case {
    const char* name;
    bool installed;
    platform::BoxAnswer answer;
    bool openerThere;
    bool asked, opened, warning;
  } cases[] = {{"declined", true, platform::BoxAnswer::No, true, true, false, false},
               {"opened", true, platform::BoxAnswer::Yes, true, true, true, false},
               {"no opener", true, platform::BoxAnswer::Yes, false, true, true, true},
               {"not installed", false, platform::BoxAnswer::Yes, true, false, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(page);
    if (c.installed) std::ofstream(page) << "# Taluvo\n";
    backend().ClearLog();
    backend().SetProgramsAvailable(c.openerThere);
    backend().ScriptBoxAnswer(c.answer);
    TXLAWindow window(MainWindowTitle);
    window.MenuHelpMode = true;
    window.OnCommand(268);
    const auto prompt = LogLinesWith("box [HELP] (question)");
    ASSERT_EQ(prompt.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_NE(prompt[0].find(page), std::string::npos);
      EXPECT_NE(prompt[0].find("\nConnect? ->"), std::string::npos);
    }
    EXPECT_EQ(LogLinesWith("open web address " + page).size(), c.opened ? 1u : 0u);
    EXPECT_EQ(LogLinesWith("box [HELP] (warning)").size(), c.warning ? 1u : 0u);
    EXPECT_FALSE(window.MenuHelpMode);
    EXPECT_FALSE(window.DialogBusy);
  }
  ProgramPaths.InstallationFolder = savedFolder;
}

TEST_F(OnlineHelp, KeyboardShortcutsListTheControlKeys) {
  TXLAWindow window(MainWindowTitle);
  window.OnCommand(869);
  const auto box = LogLinesWith("box [KEYBOARD SHORTCUTS]");
  ASSERT_EQ(box.size(), 1u);
  EXPECT_NE(box[0].find("current keyboard shortcuts (with control key unless otherwise "
                        "mentioned):\n\n\nL - Data->Load New Files\nA - Data->Add More Files"),
            std::string::npos);
  EXPECT_NE(box[0].find("Prior Knowledge of Discrete Species\n\n(M - toggle mouse sliding) ->"),
            std::string::npos);
}

TEST_F(OnlineHelp, AboutBoxKeepsAnAgreementAndEndsTheProgramOnWithdrawal) {
  ProgramOptions.DisclaimerAgreed = true;
  TXLAWindow window(MainWindowTitle);
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  window.OnCommand(221);
  EXPECT_TRUE(ProgramOptions.DisclaimerAgreed);
  EXPECT_TRUE(calls.empty());
  EXPECT_FALSE(backend().QuitCode().has_value());
  const auto about = LogLinesWith("box [About]");
  ASSERT_EQ(about.size(), 1u);
  EXPECT_NE(about[0].find("THIS SOFTWARE IS PROVIDED AS IS, AND WITH ALL FAULTS."),
            std::string::npos);

  // Withdrawn in help mode too: "About" does not answer help, so the Exit
  // it calls must end the program and not show the help prompt.
  window.MenuHelpMode = true;
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  window.OnCommand(221);
  EXPECT_FALSE(ProgramOptions.DisclaimerAgreed);
  EXPECT_EQ(calls, (std::vector<std::string>{"WritePreferences refused"}));
  EXPECT_EQ(backend().QuitCode(), 0);
  EXPECT_TRUE(LogLinesWith("box [HELP]").empty());
}
