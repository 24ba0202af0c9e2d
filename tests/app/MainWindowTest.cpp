// The main window on the headless backend: its frame, title, menu and
// accelerators, the check marks of its set-up, the busy filter, and the
// diagnostics log with its menu switch.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/ProgramStartLinks.h"
#include "app/ShellFixture.h"
#include "state/DlsPreferences.h"
#include "state/LoadOptions.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "distributions/RunContiSed.h"
#include "state/LammSolverSettings.h"
#include "state/ModelSelection.h"
#include "state/DistributionSettingsRecords.h"
#include "models/FitDriver.h"
#include "state/ComputationAbort.h"
#include "resources/AppStrings.h"
#include "resources/MainMenu.h"
#include "state/KeysReadByDisplay.h"

class MainWindow : public ShellTest {};

TEST_F(MainWindow, CreatedWindowCarriesTitleMenuAndAccelerators) {
  TXLAWindow window(MainWindowTitle);
  WireAsTheProgramStartDoes(window);
  window.Create();
  platform::WindowHost* host = backend().LastWindow();
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(window.Handle(), host->Handle());
  EXPECT_EQ(host->Title(), "Sedimentation Analysis");
  EXPECT_EQ(window.Menu().Bar().front().text, "&Data");
  EXPECT_TRUE(window.Menu().Contains(1119));
  EXPECT_EQ(window.MainFileDialog.owner, window.Handle());
  EXPECT_EQ(window.MainFileDialog.title, "select files");
  EXPECT_EQ(window.MainFileDialog.filters.size(), 16u);
  EXPECT_TRUE(window.SecondFileDialog.multiSelect);

  // The accelerators reach their commands: Ctrl+D, Ctrl+O and Ctrl+L send
  // commands that answer the help mode, so each shows the help prompt.
  EXPECT_EQ(window.Accelerators().size(), MainAccelerators().size());
  for (char key : {'D', 'O', 'L'}) {
    window.MenuHelpMode = true;
    backend().ScriptBoxAnswer(platform::BoxAnswer::No);
    platform::Message m;
    m.window = window.Handle();
    m.kind = platform::MessageKind::KeyDown;
    m.wparam = key;
    m.control = true;
    backend().QueueMessage(m);
    backend().RunMessageLoop();
    EXPECT_FALSE(window.MenuHelpMode) << key;
  }
  EXPECT_EQ(LogLinesWith("box [HELP]").size(), 3u);
}

TEST_F(MainWindow, SetUpMarksTheOptionsAsTheyStand) {
  const DistributionSettingsRecord savedDistribution = DistributionSettings;
  const OptimizerChoice savedOptimizer = FitDriverSettings.OptimizerKind;
  const ScanReaderOptionsRecord savedReader = ScanReaderOptions;
  const bool savedG2 = AlwaysLoadG2;
  const bool savedStamps = LoadOptions.TimeStampCheckOn;

  DistributionSettings.RegularizationType = {false, true, false, false};
  DistributionSettings.SuppressBaselineCorrelation = false;
  DistributionSettings.MultithreadingOn = true;
  DistributionSettings.LogSpacedSminOn = false;
  FitDriverSettings.OptimizerKind = OptimizerChoice::LevenbergMarquardt;
  ScanReaderOptions.SpikeFilterOn = false;
  ScanReaderOptions.FlagStrongGradients = true;
  AlwaysLoadG2 = true;
  LoadOptions.TimeStampCheckOn = true;
  MainDisplayOptions.ShowResidualsHistogram = true;
  ProgramOptions.WizardMessagesOn = false;
  ProgramOptions.ErrorPropagationToSw = true;
  ProgramOptions.UseIntegrationRangesFile = true;

  TXLAWindow window(MainWindowTitle);
  window.Create();
  const platform::MenuModel& menu = window.Menu();
  const std::pair<int, bool> marks[] = {
      {294, true},   {1118, false}, {295, false}, {642, false}, {829, false}, {648, true},
      {1107, false}, {826, false},  {825, false}, {824, true},  {894, true},  {902, true},
      {247, false},  {868, true},   {594, false}, {609, true},  {943, false}, {198, true}};
  for (const auto& [id, checked] : marks) EXPECT_EQ(menu.IsChecked(id), checked) << id;
  EXPECT_FALSE(MainDisplayOptions.ShowResidualsHistogram);
  EXPECT_EQ(calls.back(), "AllowModelNotes");

  DistributionSettings = savedDistribution;
  FitDriverSettings.OptimizerKind = savedOptimizer;
  ScanReaderOptions = savedReader;
  AlwaysLoadG2 = savedG2;
  LoadOptions.TimeStampCheckOn = savedStamps;
}

TEST_F(MainWindow, BatchSetUpOnlySetsTheMarks) {
  BatchMode = true;
  MainDisplayOptions.ShowResidualsHistogram = true;
  TXLAWindow window(MainWindowTitle);
  window.Create();
  EXPECT_TRUE(MainDisplayOptions.ShowResidualsHistogram);
  EXPECT_TRUE(window.Menu().IsChecked(943));
  EXPECT_TRUE(calls.empty());
}

TEST_F(MainWindow, InputDuringARunOrFitAsksTheComputationToStop) {
  TXLAWindow window(MainWindowTitle);
  WireAsTheProgramStartDoes(window);
  window.Create();
  ComputationAbort = false;
  window.FitBusy = true;
  backend().QueueKeyPress(window.Handle(), 'R', 'r');
  backend().RunMessageLoop();
  EXPECT_TRUE(ComputationAbort);
  ComputationAbort = false;
  // A display of the computation that reads the keys itself gets them: "r"
  // there means "run on", not "stop".
  KeysReadByDisplay = true;
  backend().QueueKeyPress(window.Handle(), 'R', 'r');
  backend().RunMessageLoop();
  KeysReadByDisplay = false;
  EXPECT_FALSE(ComputationAbort);
}

class DiagnosticsLog : public ShellTest {
 protected:
  std::string LogFile() const { return temp().File("Taluvodebug_t0.txt"); }
};

TEST_F(DiagnosticsLog, WritesNothingWhileOffAndHeaderThenTextsWhileOn) {
  TXLAWindow window(MainWindowTitle);
  window.StartUp();
  window.DebugLog("\nEnter LoadAllData");
  EXPECT_FALSE(std::filesystem::exists(LogFile()));

  window.OnCommand(867);
  EXPECT_TRUE(DiagnosticsOn);
  EXPECT_TRUE(LammDiagnosticsOn);
  EXPECT_TRUE(ThreadDiagnosticsOn);
  EXPECT_TRUE(window.Menu().IsChecked(867));

  // Analysis code writes through the program-wide hook; a per cent sign is
  // no format directive.
  ::DebugLog(nullptr, "\nEnter LoadAllData");
  window.DebugLog(" --> 100% done.");
  EXPECT_EQ(ReadWholeFile(LogFile()),
            "\nstarting new taluvo debugging session for thread #0\nEnter LoadAllData --> 100% "
            "done.");
  EXPECT_EQ(window.DiagnosticsFileName(), LogFile());

  // Off and on again: the menu's test truncates the file, no new header.
  window.OnCommand(867);
  EXPECT_FALSE(DiagnosticsOn);
  EXPECT_FALSE(window.Menu().IsChecked(867));
  window.OnCommand(867);
  window.DebugLog("\nEnter SimplexSim");
  EXPECT_EQ(ReadWholeFile(LogFile()), "\nEnter SimplexSim");
}

TEST_F(DiagnosticsLog, StartOfTheWindowStartsTheLogWhenDiagnosticsAreOn) {
  DiagnosticsOn = true;
  {
    TXLAWindow window(MainWindowTitle);
    window.StartUp();
    EXPECT_EQ(ReadWholeFile(LogFile()), "\nstarting new taluvo debugging session for thread #0");
  }
  // The hook outlives no window.
  ::DebugLog(nullptr, "\nafter the window");
  EXPECT_EQ(ReadWholeFile(LogFile()), "\nstarting new taluvo debugging session for thread #0");
}

// A distribution run writes its lines through the window into the file
// while diagnostics are on, and leaves no file while they are off (a run
// without scans stops after its first line).
TEST_F(DiagnosticsLog, DistributionRunWritesOnlyWhileDiagnosticsAreOn) {
  const int savedScans = ScanDataSet.NFILES;
  const ModelSelectionRecord savedModel = ModelSelection;
  const LammSolverSettingsRecord savedLamm = LammSolverSettings;
  ScanDataSet.NFILES = 0;
  ModelSelection.Kind = ModelKind::ContinuousCS;
  TXLAWindow window(MainWindowTitle);
  window.StartUp();
  RunContiSed(window.Handle());
  EXPECT_FALSE(std::filesystem::exists(LogFile()));

  window.OnCommand(867);
  RunContiSed(window.Handle());
  EXPECT_EQ(ReadWholeFile(LogFile()),
            "\nstarting new taluvo debugging session for thread #0\nEntering RunContiSed");
  ScanDataSet.NFILES = savedScans;
  ModelSelection = savedModel;
  LammSolverSettings = savedLamm;
}

TEST_F(DiagnosticsLog, UnwritableFileLeavesTheSwitchAndItsMarkAlone) {
  std::filesystem::create_directory(LogFile());  // a folder where the file should go
  TXLAWindow window(MainWindowTitle);
  window.OnCommand(867);
  const auto boxes = LogLinesWith("box [Error]");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(
      boxes[0].find("could not open " + LogFile() + " to write debugging info: Create Directory"),
      std::string::npos);
  EXPECT_FALSE(DiagnosticsOn);
  EXPECT_FALSE(LammDiagnosticsOn);
  EXPECT_FALSE(window.Menu().IsChecked(867));

  DiagnosticsOn = true;
  window.DebugLog("\nEnter LoadAllData");
  EXPECT_EQ(LogLinesWith("to write debugging info").size(), 2u);
}
