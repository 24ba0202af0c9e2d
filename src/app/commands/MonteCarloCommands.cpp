#include "app/commands/MonteCarloCommands.h"

#include <string>

#include "app/commands/CommandTable.h"
#include "app/loading/LoadingSupport.h"
#include "app/options/OptionBoxes.h"
#include "app/records/LoadOptions.h"
#include "app/records/ModelSelection.h"
#include "app/viewcmds/FileNameDialogs.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "distributions/MonteCarlo.h"
#include "ui/Boxes.h"

namespace {

constexpr const char* kCaption = "Monte Carlo for Distributions";
constexpr const char* kIntro =
    "This Monte-Carlo routine will show the statistics only arising from the distribution and "
    "regularization.\n";

bool DistributionLoaded() {
  const ModelKind kind = ModelSelection.Kind;
  return ScanDataSet.NFILES > 0 && IsContinuousModel(kind) && !IsVanHoldeWeischetFamily(kind);
}

bool Ask(TXLAWindow& window, float& value, float defaultValue, const char* prompt) {
  return InputPositiveFloatIn(window.Handle(), value, defaultValue, true, prompt, kCaption);
}

// The folder of the replica files, chosen by a file name in it.
bool ChooseFolder(TXLAWindow& window, std::string& path) {
  path = "mc.dat";
  return ChooseSaveFileName(window, path, 260,
                            "select directory (keep dummy filename) for Distributions", "*");
}

bool AskWriteEach(TXLAWindow& window) {
  return AskYesNoBox(window, "write distribution to file at each iteration?", "SET PREFERENCE");
}

void Repaint(TXLAWindow& window) {
  if (RepaintMainWindow) RepaintMainWindow(window.Handle());
}

}  // namespace

void CmMonteCarloForDistributions(TXLAWindow& window) {
  if (!DistributionLoaded()) return;
  if (!AskYesNoBox(window, std::string(kIntro) + " - continue?", kCaption)) return;
  float count = 0.0f, P = 0.0f;
  if (!Ask(window, count, 100.0f, "number of simulations")) return;
  if (!Ask(window, P, 0.68f, "confidence level for display")) return;
  std::string path;
  if (!ChooseFolder(window, path)) return;
  const bool writeEach = AskWriteEach(window);
  {
    const loading::WaitCursor hourglass(window);
    MonteCarloDistributions(window.Handle(), static_cast<int>(count), P, path, writeEach);
  }
  Repaint(window);
  float level = P;
  while (Ask(window, level, level, "change confidence level")) {
    MonteCarloLimits(level);
    Repaint(window);
  }
  MonteCarloFinish(window.Handle());
  Repaint(window);
}

void CmMonteCarloForIntegratedSw(TXLAWindow& window) {
  const std::string text =
      std::string(kIntro) +
      "It will not optimize at each step non-linear parameters (such as meniscus value) but "
      "considers them fixed.\n"
      "If you need to consider their influence on confidence limits on integrated sw, too, you "
      "can use the Monte-Carlo procedure\n"
      "to the hybrid discrete/continuous distribution of QUORVEL (slow), or, alternatively, do a "
      "two-step analysis of determining confidence intervals\n"
      "of the nonlinear parameter first, and then apply the present Monte-Carlo for "
      "distributions procedure to the extreme values (faster)." +
      " - continue?";
  if (!AskYesNoBox(window, text, kCaption)) return;
  if (!DistributionLoaded()) return;
  float count = 0.0f, P = 0.0f, smin = 0.0f, smax = 0.0f;
  if (!Ask(window, count, 100.0f, "number of simulations")) return;
  if (!Ask(window, P, 0.68f, "confidence level of regularization (P-value, recommended 0.68)"))
    return;
  if (!Ask(window, smin, 1.0f, "left integration limit (smin)")) return;
  if (!Ask(window, smax, 10.0f, "right integration limit (smax)")) return;
  std::string path;
  if (!ChooseFolder(window, path)) return;
  const bool writeEach = AskWriteEach(window);
  {
    const loading::WaitCursor hourglass(window);
    RunMonteCarloSw(window.Handle(), static_cast<int>(count), P, smin, smax, path, writeEach);
  }
  Repaint(window);
  while (AskYesNoBox(window, "other integration limits?", kCaption)) {
    if (!Ask(window, smin, smin, "left integration limit (smin)")) return;
    if (!Ask(window, smax, smax, "right integration limit (smax)")) return;
    MonteCarloSw(window.Handle(), smin, smax, P);
  }
  MonteCarloFinish(window.Handle());
  Repaint(window);
}

void RegisterMonteCarloCommands(CommandTable& table) {
  table.Add(296, &CmMonteCarloForDistributions, true, "CmMonteCarloForDistributions");
  table.Add(546, &CmMonteCarloForIntegratedSw, true, "CmMonteCarloForIntegratedSw");
}
