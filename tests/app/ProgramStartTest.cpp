// The program's start and end: the installation folder on a first and a
// later start, the sibling-program check, the whole start on the headless
// backend with the disclaimer agreed or refused, the batch run inside the
// construction, and the Exit command.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/ShellFixture.h"
#include "app/window/TXLAWindow.h"
#include "resources/AppStrings.h"

namespace fs = std::filesystem;

class ProgramStart : public ShellTest {
 protected:
  // ProgramMain with the program file in the installation folder.
  int RunProgram(std::vector<std::string> arguments = {}) {
    const std::string program = install().File("taluvo");
    std::vector<const char*> argv{program.c_str()};
    for (const std::string& a : arguments) argv.push_back(a.c_str());
    return ProgramMain(static_cast<int>(argv.size()), argv.data());
  }
  void InstallSibling() { install().Write("quorvel", ""); }
};

TEST_F(ProgramStart, FirstStartCreatesTempFolderAndLastFolderFileAndALaterStartKeepsThem) {
  InstallSibling();
  InitInstallPaths();
  const std::string folder = install().path().string() + "/";
  EXPECT_TRUE(fs::is_directory(install().File("temp")));
  EXPECT_EQ(ReadWholeFile(install().File("taluvo.ini")), folder);
  EXPECT_EQ(ProgramPaths.TempFolder, folder + "temp/");
  EXPECT_EQ(ProgramPaths.DistribFile, folder + "temp/distrib.dat");
  EXPECT_TRUE(backend().Log().empty());

  // The user's last data folder survives the next start.
  install().Write("taluvo.ini", "/data/run7/");
  InitInstallPaths();
  EXPECT_EQ(ReadWholeFile(install().File("taluvo.ini")), "/data/run7/");
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(ProgramStart, MissingSiblingProgramIsReportedUnlessThreeOrMoreArguments) {
  struct Case {
    int arguments;
    bool siblingThere;
    bool box;
  } cases[] = {{0, false, true},  {1, false, true},  {2, false, true},
               {3, false, false}, {4, false, false}, {0, true, false}};
  for (const Case& c : cases) {
    backend().ClearLog();
    fs::remove(install().File("quorvel"));
    if (c.siblingThere) InstallSibling();
    CommandLineArgs.Arguments.assign(static_cast<std::size_t>(c.arguments), "x");
    InitInstallPaths();
    const auto boxes = LogLinesWith("box [ERROR]");
    EXPECT_EQ(boxes.size(), c.box ? 1u : 0u) << c.arguments << " arguments";
    if (c.box && !boxes.empty()) {
      EXPECT_NE(boxes[0].find("could not find " + install().File("quorvel")), std::string::npos);
    }
  }
}

TEST_F(ProgramStart, UnusableInstallationFolderIsReportedAndThePathsAreStillFormed) {
  const std::string missing = install().File("no/such/folder");
  SetInstallationFolder(missing);
  CommandLineArgs.Arguments.assign(3, "x");
  InitInstallPaths();
  const auto boxes = LogLinesWith("box [ERROR]");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("could not create " + missing + "/temp"), std::string::npos);
  EXPECT_FALSE(fs::exists(missing + "/taluvo.ini"));
  // The tables and sounds of the folder are still named.
  EXPECT_EQ(ProgramPaths.MofsTable, missing + "/mofs.dat");
  EXPECT_EQ(ProgramPaths.FitReportFile, missing + "/mlfitreport.txt");
  EXPECT_EQ(ProgramPaths.NonIdCtotTable, missing + "/temp/ppNonIdCtotTable.dat");
}

TEST_F(ProgramStart, AgreeingStartShowsTheWindowWithItsMenuAndWritesThePreferences) {
  InstallSibling();
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_EQ(LogLinesWith("box [About]").size(), 1u);
  EXPECT_TRUE(ProgramOptions.DisclaimerAgreed);
  EXPECT_EQ(calls, (std::vector<std::string>{"ReadPreferences", "WritePreferences agreed",
                                             "AllowModelNotes"}));
  EXPECT_EQ(LogLinesWith("window created \"Sedimentation Analysis\"").size(), 1u);
  EXPECT_EQ(LogLinesWith("window shown").size(), 1u);
  EXPECT_EQ(ProgramPaths.InstallationFolder, install().path().string() + "/");
  EXPECT_EQ(WizardFootnote.substr(0, 3), "\n\n\n");
  EXPECT_FALSE(backend().QuitCode().has_value());
}

TEST_F(ProgramStart, RefusedDisclaimerEndsTheProgramWithoutWindowOrPreferences) {
  InstallSibling();
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_FALSE(ProgramOptions.DisclaimerAgreed);
  EXPECT_EQ(calls, (std::vector<std::string>{"ReadPreferences"}));
  EXPECT_TRUE(LogLinesWith("window created").empty());
  EXPECT_EQ(backend().QuitCode(), 0);
}

TEST_F(ProgramStart, AgreementIsKeptInThePreferenceFileForTheNextStart) {
  InstallSibling();
  UseProgramPreferences();
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  ASSERT_EQ(RunProgram(), 0);
  const std::string preferences = ReadWholeFile(install().File("taluvoparams.ini"));
  EXPECT_EQ(preferences.substr(0, 2), "1\n");

  backend().ClearLog();
  ProgramOptions.DisclaimerAgreed = false;
  ASSERT_EQ(RunProgram(), 0);
  EXPECT_TRUE(LogLinesWith("box [About]").empty());
  EXPECT_TRUE(ProgramOptions.DisclaimerAgreed);
  EXPECT_EQ(LogLinesWith("window shown").size(), 1u);
}

TEST_F(ProgramStart, AgreementFromThePreferencesSkipsTheDisclaimer) {
  InstallSibling();
  ShellServices.ReadPreferences = [this](TXLAWindow&) {
    calls.push_back("ReadPreferences");
    ProgramOptions.DisclaimerAgreed = true;
    return true;
  };
  EXPECT_EQ(RunProgram(), 0);
  EXPECT_TRUE(LogLinesWith("box [About]").empty());
  EXPECT_EQ(calls, (std::vector<std::string>{"ReadPreferences", "AllowModelNotes"}));
  EXPECT_EQ(LogLinesWith("window shown").size(), 1u);
}

TEST_F(ProgramStart, BatchRunsInsideTheConstructionButNotAfterARefusal) {
  struct Case {
    platform::BoxAnswer disclaimer;
    std::vector<std::string> calls;
  } cases[] = {
      {platform::BoxAnswer::Yes, {"ReadPreferences", "WritePreferences agreed", "RunBatch"}},
      // The refusal's Exit writes the results at once; no run follows.
      {platform::BoxAnswer::No, {"ReadPreferences", "WriteBatchResultsAndExit"}}};
  for (const Case& c : cases) {
    calls.clear();
    ProgramOptions.DisclaimerAgreed = false;
    ProgramEndRequested = false;
    BatchMode = true;
    backend().ScriptBoxAnswer(c.disclaimer);
    TXLAWindow window(MainWindowTitle);
    window.StartUp();
    EXPECT_EQ(calls, c.calls);
  }
}

TEST_F(ProgramStart, UnreadableBatchFileEndsTheProgramWithoutDisclaimerOrRun) {
  InstallSibling();
  const std::string file = install().Write("batch.txt", "no tags in here");
  testing::internal::CaptureStderr();
  EXPECT_EQ(RunProgram({file}), 2);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("AllDoneFlagFile is missing"),
            std::string::npos);
  const auto refusal = LogLinesWith("box [command line parameters found]");
  ASSERT_EQ(refusal.size(), 1u);
  EXPECT_NE(refusal[0].find("sorry, input from " + file + " could not be processed properly"),
            std::string::npos);
  EXPECT_TRUE(LogLinesWith("box [About]").empty());
  EXPECT_TRUE(LogLinesWith("window created").empty());
  EXPECT_FALSE(ProgramOptions.WizardMessagesOn);
  EXPECT_EQ(calls, (std::vector<std::string>{"ReadPreferences"}));
  // The refusal is a failure a caller can see.
  EXPECT_EQ(backend().QuitCode(), 2);
}

TEST_F(ProgramStart, ExitWritesBatchResultsOnlyInBatchModeAndQuitsWithZero) {
  for (bool batch : {false, true}) {
    calls.clear();
    BatchMode = batch;
    TXLAWindow window(MainWindowTitle);
    window.OnCommand(230);
    EXPECT_EQ(calls.size(), batch ? 1u : 0u);
    EXPECT_EQ(backend().QuitCode(), 0);
  }
}

TEST_F(ProgramStart, CloseBoxEndsTheLoopWithoutBatchResultsOrFarewell) {
  InstallSibling();
  ProgramOptions.DisclaimerAgreed = true;
  BatchMode = true;
  TXLAApp app;
  app.CreateMainWindow();
  app.MainWindow()->Create();
  calls.clear();
  backend().QueueMessage({app.MainWindow()->Handle(), platform::MessageKind::Close});
  EXPECT_EQ(platform::Current().RunMessageLoop(), 0);
  EXPECT_TRUE(calls.empty());
  EXPECT_FALSE(ProgramEndRequested);
}
