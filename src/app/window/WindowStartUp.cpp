// The main window's start: the file-dialog records of the constructor, the
// start-up work (command line, preferences, disclaimer, diagnostics, batch
// run) and the set-up step that puts the menu in line with the settings.

#include <fstream>
#include <iterator>
#include <string>

#include "app/batch/BatchParameters.h"
#include "app/options/ProgramOptions.h"
#include "state/DlsPreferences.h"
#include "state/LoadOptions.h"
#include "state/ProgramFlags.h"
#include "state/ProgramPaths.h"
#include "app/start/ExitProgram.h"
#include "app/start/ProgramStart.h"
#include "app/start/ShellServices.h"
#include "app/window/Disclaimer.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanReaderOptions.h"
#include "state/MainPlotLayout.h"
#include "state/DistributionSettingsRecords.h"
#include "models/FitDriver.h"
#include "models/LammPreferenceFile.h"
#include "ui/Sounds.h"

namespace {

std::vector<platform::FileFilter> ScanFileFilters() {
  std::vector<platform::FileFilter> filters = {
      {"All AUC Files (*.IP*;*.RA*;*.RI*;*.R0*;*.FI*;*.xp;*list*.*)",
       {"*.IP*", "*.RA*", "*.RI*", "*.R0*", "*.FI*", "*.xp", "*list*.*"}},
      {"Previously Loaded Lists (list*.*)", {"list*.*"}},
      {"QUORVEL Experiments (*.xp)", {"*.xp"}}};
  for (int cell = 1; cell <= 8; ++cell) {
    const std::string n = std::to_string(cell);
    filters.push_back({"cell " + n + " (*.*" + n + ")", {"*.*" + n}});
  }
  filters.push_back({"Interference Files (*.IP*)", {"*.IP*"}});
  filters.push_back({"Absorbance Files (*.RA*)", {"*.RA*"}});
  filters.push_back({"Intensity Files (*.RI*)", {"*.RI*"}});
  filters.push_back({"Fluorescence Files (*.FI*)", {"*.FI*"}});
  filters.push_back({"All Files (*.*)", {"*.*"}});
  return filters;
}

// The folder of the last load, kept in "taluvo.ini"; empty when unknown.
std::string LastDataFolder() {
  std::ifstream in(ProgramPaths.LastDataFolderFile);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

constexpr int kResidualsHistogramItem = 943;

}  // namespace

void TXLAWindow::FillFileDialogRecords() {
  platform::FileDialogRequest record;
  record.owner = Handle();
  record.title = "select files";
  record.filters = ScanFileFilters();
  record.filterIndex = 1;
  record.multiSelect = true;
  record.mustExist = true;
  record.defaultExtension = "*";
  record.initialFolder = LastDataFolder();
  MainFileDialog = record;
  SecondFileDialog = record;
}

void TXLAWindow::StartUp() {
  MenuHelpMode = false;
  RightButtonDown = false;
  RunBusy = FitBusy = DialogBusy = false;
  PrinterCreated = false;
  InstallWindowHooks();

  const BatchAcceptance batch = TakeBatchCommandLine(CommandLineArgs.Arguments);
  // Whatever becomes of a named parameter file, the help wizard stays silent.
  if (IniCustomPars) ProgramOptions.WizardMessagesOn = false;
  if (batch == BatchAcceptance::Exit) ExitProgram(*this);

  ShellServices.InitTimeToEquilibrium();
  ShellServices.ReadPreferences(*this);
  if (!BatchMode) ReadLammEqParameterPreferences(Handle());

  // A program that is already ending (an unreadable batch file) asks for no
  // agreement it would not use.
  if (!ProgramOptions.DisclaimerAgreed && !ProgramEndRequested) {
    if (ShowAboutBox(*this)) {
      ProgramOptions.DisclaimerAgreed = true;
      ShellServices.WritePreferences(*this);
    } else {
      ExitProgram(*this);
    }
  }

  ShellServices.CreateMouseActions();

  diagnosticsHeader_.clear();
  diagnosticsFile_.clear();
  diagnosticsStarted_ = false;
  debugLogOpen_ = true;
  DebugLog();

  // A program that is already ending (the disclaimer refused, the batch file
  // unreadable) runs nothing: its batch results would describe no run.
  if (BatchMode && !ProgramEndRequested) ShellServices.RunBatch(*this);
}

void TXLAWindow::SetOptionCheckMarks() {
  const DistributionSettingsRecord& d = DistributionSettings;
  CheckMenuItem(829, d.SuppressBaselineCorrelation);
  CheckMenuItem(644, ProgramOptions.UseIntegrationRangesFile);
  CheckMenuItem(594, Sounds.SoundsOn);
  CheckMenuItem(648, d.MultithreadingOn);
  CheckMenuItem(610, ProgramOptions.WizardMessagesOn);

  const RegularizationTypeRecord& r = d.RegularizationType;
  for (int id : {294, 1118, 295, 642}) CheckMenuItem(id, false);
  if (r.BothRegularizations)
    CheckMenuItem(642, true);
  else if (r.MaxEntRegularizationOn)
    CheckMenuItem(295, true);
  else if (r.SecondDerivativeRegularization)
    CheckMenuItem(294, true);
  else if (r.TP3Regularization)
    CheckMenuItem(1118, true);

  CheckMenuItem(1107, d.LogSpacedSminOn);

  for (int id : {826, 825, 824}) CheckMenuItem(id, false);
  switch (FitDriverSettings.OptimizerKind) {
    case OptimizerChoice::Simplex:
      CheckMenuItem(826, true);
      break;
    case OptimizerChoice::SimulatedAnnealing:
      CheckMenuItem(825, true);
      break;
    case OptimizerChoice::LevenbergMarquardt:
      CheckMenuItem(824, true);
      break;
  }

  CheckMenuItem(894, AlwaysLoadG2);
  CheckMenuItem(902, LoadOptions.TimeStampCheckOn);
  CheckMenuItem(952, ProgramOptions.ErrorPropagationToSw);
  CheckMenuItem(247, ScanReaderOptions.SpikeFilterOn);
  CheckMenuItem(868, ScanReaderOptions.FlagStrongGradients);
}

void TXLAWindow::OnSetup() {
  SetOptionCheckMarks();
  ShellServices.FindPlotPrograms(*this);
  if (BatchMode) return;

  MainDisplayOptions.ShowResidualsHistogram = false;
  CheckMenuItem(kResidualsHistogramItem, false);
  ShellServices.LayoutAndRenderMainPlots(*this);
  CountSoundFiles();
  PlayHiSound();
  if (host_) host_->AcceptDroppedFiles(true);
  // From now on the model commands show their notes; a batch run, which
  // stopped above, keeps them silent throughout.
  ShellServices.AllowModelNotes();
}
