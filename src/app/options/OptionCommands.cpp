#include "app/options/OptionCommands.h"

#include <cmath>

#include "app/commands/CommandTable.h"
#include "app/help/HelpWizard.h"
#include "app/options/OptionBoxes.h"
#include "app/options/PreferenceFile.h"
#include "app/options/ProgramOptions.h"
#include "state/DlsPreferences.h"
#include "state/LoadOptions.h"
#include "app/window/TXLAWindow.h"
#include "data/LoadData.h"
#include "data/ScanDataSet.h"
#include "state/DisplayState.h"
#include "state/MainPlotLayout.h"
#include "state/DistributionSettingsRecords.h"
#include "state/LammThreadCount.h"
#include "state/FitControl.h"
#include "state/TimeStampCheck.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

namespace {

// Preference entries (0-based) that the commands write.
constexpr int kSoundEntry = 6;
constexpr int kScanColourEntry = 7;
constexpr int kThreadCountEntry = 11;
constexpr int kOptimizerEntry = 12;
constexpr int kBaselineCorrelationEntry = 13;
constexpr int kLammThreadCountEntry = 14;
constexpr int kAlwaysLoadG2Entry = 16;
constexpr int kCheckTimestampsEntry = 17;
constexpr int kTimestampThresholdEntry = 18;
constexpr int kErrorPropagationEntry = 19;

bool AskPreference(TXLAWindow& window, const char* question) {
  return AskYesNoBox(window, question, "SET PREFERENCE");
}

// A count entered in a number box: its floor, and at least one, since every
// worker pool needs a worker.
int CountOf(float value) {
  const float floored = std::floor(value);
  if (!(floored >= 1.0f)) return 1;
  return floored > 1e6f ? 1000000 : static_cast<int>(floored);
}

// A yes/no option: ask, set, mark, offer to save, and the ok sound.
void AskOption(TXLAWindow& window, const char* question, bool& option, int item, int entry) {
  option = AskPreference(window, question);
  window.CheckMenuItem(item, option);
  OfferToSavePreference(window, entry, option ? 1 : 0);
  PlayOkSound();
}

void SelectOptimizer(TXLAWindow& window, OptimizerChoice choice) {
  FitDriverSettings.OptimizerKind = choice;
  CheckOptimizerMarks(window);
}

// The optimiser that follows an annealing: 1 Levenberg-Marquardt, 2
// simplex, 0 none.
int FinalFitCode() {
  if (FitControl.AnnealThenLM) return 1;
  if (FitControl.AnnealThenSimplex) return 2;
  return 0;
}

void AskAnnealingSettings(TXLAWindow& window) {
  const char* caption = "Fit With Simulated Annealing";
  FitControlRecord& f = FitControl;
  float v = 0.0f;
  if (EnterNumberBox(window, v, f.AnnealStartTemperature,
                     "starting 'temperature' (rel increase glob.chisq)", caption)) {
    f.AnnealStartTemperature = v;
    f.AnnealTemperature = v;
  }
  if (EnterNumberBox(window, v, static_cast<float>(f.AnnealSteps), "# of temperature steps",
                     caption))
    f.AnnealSteps = static_cast<int>(std::floor(v));
  if (EnterNumberBox(window, v, static_cast<float>(f.AnnealIterations),
                     "# of iterations per temperature", caption))
    f.AnnealIterations = static_cast<int>(std::floor(v));
  if (EnterNumberBox(window, v, static_cast<float>(FinalFitCode()),
                     "final ML (1), Simplex (2), or none (0)", caption)) {
    f.AnnealThenLM = v == 1.0f;
    f.AnnealThenSimplex = v == 2.0f;
  }
}

}  // namespace

int OptimizerCode(OptimizerChoice choice) {
  switch (choice) {
    case OptimizerChoice::Simplex:
      return 1;
    case OptimizerChoice::SimulatedAnnealing:
      return 2;
    case OptimizerChoice::LevenbergMarquardt:
      return 3;
  }
  return 1;
}

void CheckOptimizerMarks(TXLAWindow& window) {
  const OptimizerChoice k = FitDriverSettings.OptimizerKind;
  window.CheckMenuItem(kSimplexItem, k == OptimizerChoice::Simplex);
  window.CheckMenuItem(kSimulatedAnnealingItem, k == OptimizerChoice::SimulatedAnnealing);
  window.CheckMenuItem(kMarquardtLevenbergItem, k == OptimizerChoice::LevenbergMarquardt);
}

void CmSound(TXLAWindow& window) {
  const bool on = AskPreference(window, "Play Sounds?");
  Sounds.SoundsOn = on;
  window.CheckMenuItem(kSoundItem, on);
  OfferToSavePreference(window, kSoundEntry, on ? 1 : 0);
  PlayOkSound();
}

void CmScanColorTemperatureFromTime(TXLAWindow& window) {
  bool& on = MainDisplayOptions.ScanColourFromTime;
  on = !on;
  window.CheckMenuItem(kScanColourFromTimeItem, on);
  OfferToSavePreference(window, kScanColourEntry, on ? 1 : 0);
  if (BuildMainDataPlots) BuildMainDataPlots();
  if (RepaintMainWindow) RepaintMainWindow(window.Handle());
  PlayOkSound();
}

void CmAlwaysLoadG2(TXLAWindow& window) {
  AskOption(window, "calculate with DLS data as g(2)-1 intensity autocorrelation function?",
            AlwaysLoadG2, kAlwaysLoadG2Item, kAlwaysLoadG2Entry);
}

void CmSuppressBaselineCorrelationInMaxEnt(TXLAWindow& window) {
  AskOption(window, "Suppress Baseline Correlation in Max Ent?",
            DistributionSettings.SuppressBaselineCorrelation, kSuppressBaselineCorrelationItem,
            kBaselineCorrelationEntry);
}

void CmErrorPropagationOfResidualsToSw(TXLAWindow& window) {
  AskOption(window, "Calculate Error Propagation from Residuals to Sw in Integration Range?",
            ProgramOptions.ErrorPropagationToSw, kErrorPropagationItem, kErrorPropagationEntry);
}

void CmComputeWithMultipleThreads(TXLAWindow& window) {
  DistributionSettingsRecord& d = DistributionSettings;
  if (AskPreference(window, "Use Multiple Threads?")) {
    d.MultithreadingOn = true;
    float v = 0.0f;
    if (EnterNumberBox(window, v, static_cast<float>(d.ThreadCount), "number of threads",
                       "SET PREFERENCE"))
      d.ThreadCount = CountOf(v);
    else
      d.MultithreadingOn = false;
    if (EnterNumberBox(window, v, static_cast<float>(LammThreadCount.load()),
                       "number of threads for Lamm equations", "SET PREFERENCE"))
      LammThreadCount = CountOf(v);
    else
      LammThreadCount = 1;
  } else {
    d.MultithreadingOn = false;
    d.ThreadCount = 1;
    LammThreadCount = 1;
  }
  window.CheckMenuItem(kMultipleThreadsItem, d.MultithreadingOn);
  if (AskPreference(window, "save as default setting?")) {
    WritePreferenceEntry(window, kThreadCountEntry, d.MultithreadingOn ? d.ThreadCount : 0);
    WritePreferenceEntry(window, kLammThreadCountEntry, LammThreadCount.load());
  }
  PlayOkSound();
}

void CmCheckElapsedTimeAgainstTimestamp(TXLAWindow& window) {
  if (ScanDataSet.NFILES > 1 && TimeStampCheck && TimeStampCheck(window.Handle()))
    LoadFromList(window.Handle());
  if (AskPreference(window, "Always Check Timestamps Automatically?")) {
    LoadOptions.TimeStampCheckOn = true;
    WritePreferenceEntry(window, kCheckTimestampsEntry, 1);
    window.CheckMenuItem(kCheckTimestampsItem, true);
    float threshold = 0.0f;
    if (EnterNumberBox(window, threshold, ProgramOptions.TimestampThreshold,
                       "threshold for correction factor", "SET PREFERENCE")) {
      ProgramOptions.TimestampThreshold = threshold;
      WritePreferenceEntry(window, kTimestampThresholdEntry,
                           TimestampThresholdCodeOf(threshold));
    }
  } else {
    LoadOptions.TimeStampCheckOn = false;
    WritePreferenceEntry(window, kCheckTimestampsEntry, 0);
    window.CheckMenuItem(kCheckTimestampsItem, false);
  }
}

void CmSimplexAlgorithm(TXLAWindow& window) {
  SelectOptimizer(window, OptimizerChoice::Simplex);
  OfferToSavePreference(window, kOptimizerEntry, 1);
}

void CmSimulatedAnnealing(TXLAWindow& window) {
  SelectOptimizer(window, OptimizerChoice::SimulatedAnnealing);
  AskAnnealingSettings(window);
  OfferToSavePreference(window, kOptimizerEntry, 2);
}

void CmMarquardtLevenberg(TXLAWindow& window) {
  SelectOptimizer(window, OptimizerChoice::LevenbergMarquardt);
  OfferToSavePreference(window, kOptimizerEntry, 3);
}

void CmOldFilenameConvention(TXLAWindow& window) {
  LoadOptions.OldFilenameConvention = !LoadOptions.OldFilenameConvention;
  window.CheckMenuItem(kOldFilenameConventionItem, LoadOptions.OldFilenameConvention);
}

void CmPlayBeerSound(TXLAWindow&) {
  PlayBeerSound();
}

void RegisterOptionCommands(CommandTable& table) {
  table.Add(594, &CmSound, false, "CmSound");
  table.Add(609, &CmScanColorTemperatureFromTime, false, "CmScanColorTemperatureFromTime");
  table.Add(894, &CmAlwaysLoadG2, false, "CmAlwaysLoadG2");
  table.Add(829, &CmSuppressBaselineCorrelationInMaxEnt, false,
            "CmSuppressBaselineCorrelationInMaxEnt");
  table.Add(952, &CmErrorPropagationOfResidualsToSw, false, "CmErrorPropagationOfResidualsToSw");
  table.Add(648, &CmComputeWithMultipleThreads, false, "CmComputeWithMultipleThreads");
  table.Add(902, &CmCheckElapsedTimeAgainstTimestamp, false, "CmCheckElapsedTimeAgainstTimestamp");
  table.Add(826, &CmSimplexAlgorithm, false, "CmSimplexAlgorithm");
  table.Add(825, &CmSimulatedAnnealing, false, "CmSimulatedAnnealing");
  table.Add(824, &CmMarquardtLevenberg, false, "CmMarquardtLevenberg");
  table.Add(243, &CmOldFilenameConvention, true, "CmOldFilenameConvention");
  table.Add(597, &CmPlayBeerSound, false, "CmPlayBeerSound");
  table.Add(610, &CmInfoAndWizardMessages, false, "CmInfoAndWizardMessages");
}
