#include "app/statistics/ErrorEstimateCommands.h"

#include <cmath>
#include <string>

#include "app/commands/CommandTable.h"
#include "app/datacmds/SaveDialogs.h"
#include "app/loading/LoadingSupport.h"
#include "app/options/OptionBoxes.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "state/MonteCarloLinks.h"
#include "models/ErrorProjections.h"
#include "state/FitControl.h"
#include "state/ParameterVector.h"
#include "numerics/Statistics.h"
#include "ui/Boxes.h"

namespace {

const char* const kMonteCarloCaption = "Monte Carlo for Distributions";
const char* const kMonteCarloIntro =
    "This Monte-Carlo routine will show the statistics only arising from the distribution and "
    "regularization.\n";
constexpr int kSlotS1 = 5;
constexpr int kSlotM1 = 1;

bool AskPositive(TXLAWindow& window, float& value, float start, const char* prompt,
                 const char* caption) {
  return InputPositiveFloatIn(window.Handle(), value, start, true, prompt, caption);
}

bool DistributionLoaded() {
  const ModelKind k = ModelSelection.Kind;
  return ScanDataSet.NFILES > 0 && (IsContinuousModel(k) || IsVanHoldeWeischetFamily(k));
}

bool MonteCarloAvailable() {
  if (MonteCarloLinks.Installed) return true;
  ErrorBox("\"Monte Carlo\" of distributions is not available in this version.");
  return false;
}

// The folder of the replica files, chosen with a dummy file name.
bool AskReplicaFolder(TXLAWindow& window, std::string& path) {
  path = InDataFolder("mc.dat");
  return ChooseSavePath(window, path, "select directory (keep dummy filename) for Distributions");
}

void ErrorProjection(TXLAWindow& window, bool forS) {
  if (ScanDataSet.NFILES <= 0) return;
  const bool massAndS = FitControl.MassInsteadOfD;
  const char* caption = forS ? "calculate error in s" : "calculate error in M";
  const float value = ParameterVector[forS ? kSlotS1 : kSlotM1];
  float level = 0.683f;
  float step = forS || !massAndS ? 0.01f : 100.0f;
  {
    DialogBusyScope busy(window);
    if (!AskPositive(window, level, 0.683f, "confidence level", caption)) return;
    if (!AskPositive(window, step, step, forS ? "test interval for s" : "test interval for M",
                     caption))
      return;
    const char* question = forS ? "are current parameters best fit? \nuncheck s (first component "
                                  "only), but float all other unknowns"
                                : "are current parameters best fit? \nuncheck M (first component "
                                  "only), but float all other unknowns";
    if (!AskYesNoBox(window, question, caption)) return;
  }
  const int n = FitPointCount();
  if (n < 2) {
    ShowOkBox(window, "too few data points in the fit range for an error estimate", caption,
              platform::BoxIcon::Error);
    return;
  }
  const float critical = CriticalRmsd(level, n, FitControl.CurrentRmsd);
  float lower = 0.0f, upper = 0.0f;
  {
    loading::WaitCursor wait(window);
    if (forS)
      ErrorProjectionS(window.Handle(), step, critical, lower, upper);
    else
      ErrorProjectionM(window.Handle(), step, critical, lower, upper);
  }
  const std::string text = forS ? ProjectionSummaryS(value, lower, upper, critical)
                                : ProjectionSummaryM(value, lower, upper, critical);
  ShowOkBox(window, text, caption);
}

}  // namespace

int FitPointCount() {
  const auto& d = ScanDataSet;
  int n = 0;
  for (int i = 1; i <= d.NFILES; ++i)
    if (d.ScanLastFitIndex[i] >= d.ScanFirstFitIndex[i])
      n += d.ScanLastFitIndex[i] - d.ScanFirstFitIndex[i] + 1;
  return n;
}

float CriticalRmsd(float p, int n, float rmsd) {
  if (n < 2) return 0.0f;
  const double f = FCriticalRatio(p, n - 1.0, n);
  if (!std::isfinite(f)) return 0.0f;
  return static_cast<float>(std::sqrt(f * n / (n - 1.0)) * rmsd);
}

void CmErrorInS(TXLAWindow& window) {
  ErrorProjection(window, true);
}

void CmErrorInM(TXLAWindow& window) {
  ErrorProjection(window, false);
}

void CmMonteCarloForDistributions(TXLAWindow& window) {
  if (!DistributionLoaded() || !MonteCarloAvailable()) return;
  float count = 100.0f, level = 0.68f;
  std::string path;
  bool writeEach = false;
  {
    DialogBusyScope busy(window);
    if (!AskYesNoBox(window, std::string(kMonteCarloIntro) + " - continue?", kMonteCarloCaption))
      return;
    if (!AskPositive(window, count, 100.0f, "number of simulations", kMonteCarloCaption)) return;
    if (!AskPositive(window, level, 0.68f, "confidence level for display", kMonteCarloCaption))
      return;
    if (!AskReplicaFolder(window, path)) return;
    writeEach = AskYesNoBox(window, "write distribution to file at each iteration?", "SET PREFERENCE");
  }
  const auto h = window.Handle();
  loading::WaitCursor wait(window);
  MonteCarloSwMode = false;
  if (MonteCarloLinks.MonteCarloDistributions(h, static_cast<int>(std::floor(count)), level, path,
                                              writeEach)) {
    for (;;) {
      float next = level;
      DialogBusyScope busy(window);
      if (!InputPositiveFloatIn(h, next, level, true, "change confidence level", kMonteCarloCaption))
        break;
      level = next;
      MonteCarloLinks.MonteCarloLimits(level);
      RepaintMainWindow(h);
    }
  }
  MonteCarloLinks.MonteCarloFinish(h);
  RepaintMainWindow(h);
}

void CmMonteCarloForIntegratedSw(TXLAWindow& window) {
  const std::string intro =
      std::string(kMonteCarloIntro) +
      "It will not optimize at each step non-linear parameters (such as meniscus value) but "
      "considers them fixed.\n"
      "If you need to consider their influence on confidence limits on integrated sw, too, you can "
      "use the Monte-Carlo procedure\n"
      "to the hybrid discrete/continuous distribution of QUORVEL (slow), or, alternatively, do a "
      "two-step analysis of determining confidence intervals\n"
      "of the nonlinear parameter first, and then apply the present Monte-Carlo for distributions "
      "procedure to the extreme values (faster)." +
      " - continue?";
  {
    DialogBusyScope busy(window);
    if (!AskYesNoBox(window, intro, kMonteCarloCaption)) return;
  }
  if (!DistributionLoaded() || !MonteCarloAvailable()) return;
  float count = 100.0f, level = 0.68f, smin = 1.0f, smax = 10.0f;
  std::string path;
  bool writeEach = false;
  {
    DialogBusyScope busy(window);
    if (!AskPositive(window, count, 100.0f, "number of simulations", kMonteCarloCaption)) return;
    if (!AskPositive(window, level, 0.68f,
                     "confidence level of regularization (P-value, recommended 0.68)",
                     kMonteCarloCaption))
      return;
    if (!AskPositive(window, smin, 1.0f, "left integration limit (smin)", kMonteCarloCaption))
      return;
    if (!AskPositive(window, smax, 10.0f, "right integration limit (smax)", kMonteCarloCaption))
      return;
    if (!AskReplicaFolder(window, path)) return;
    writeEach = AskYesNoBox(window, "write distribution to file at each iteration?", "SET PREFERENCE");
  }
  const auto h = window.Handle();
  // The replicas are freed and the cursor given back however the questions
  // below end, also on a cancel.
  loading::WaitCursor wait(window);
  MonteCarloSwMode = true;
  if (MonteCarloLinks.RunMonteCarloSw(h, static_cast<int>(std::floor(count)), level, smin, smax,
                                      path, writeEach)) {
    for (;;) {
      DialogBusyScope busy(window);
      if (!AskYesNoBox(window, "other integration limits?", kMonteCarloCaption)) break;
      if (!AskPositive(window, smin, smin, "left integration limit (smin)", kMonteCarloCaption))
        break;
      if (!AskPositive(window, smax, smax, "right integration limit (smax)", kMonteCarloCaption))
        break;
      MonteCarloLinks.MonteCarloSw(h, smin, smax, level);
    }
  }
  MonteCarloLinks.MonteCarloFinish(h);
  RepaintMainWindow(h);
}

void RegisterErrorEstimateCommands(CommandTable& table) {
  AddCatalogued(table, 285, &CmErrorInS);
  AddCatalogued(table, 286, &CmErrorInM);
  AddCatalogued(table, 296, &CmMonteCarloForDistributions);
  AddCatalogued(table, 546, &CmMonteCarloForIntegratedSw);
}
