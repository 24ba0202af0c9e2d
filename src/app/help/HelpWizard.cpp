#include "app/help/HelpWizard.h"

#include <array>
#include <cassert>
#include <cmath>

#include "app/options/OptionBoxes.h"
#include "app/options/PreferenceFile.h"
#include "app/options/ProgramOptions.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "app/start/ProgramStart.h"
#include "app/window/TXLAWindow.h"
#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "distributions/DistributionIntegration.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "ui/Sounds.h"

namespace {

// Entry (0-based) of the wizard switch in the preference file.
constexpr int kWizardEntry = 8;

// Residuals of interference and absorbance data beyond this rmsd are
// larger than the optics' noise.
constexpr float kLargeRmsd = 0.02f;
// Edge residuals count as large beyond this multiple of the overall rmsd.
constexpr float kEdgeFactor = 1.5f;

const std::array<const char*, 7> kMessages = {
    "Residuals seem larger than typically expected for the interference and absorbance optical "
    "system\n(However, if the total loading signal >> 1, the residuals may be fine, but should "
    "not exceed 0.1% of the total loading signal).",
    "Residuals close to meniscus are significantly larger than elsewhere.\nThis could indicate "
    "(a) problems with the model, (b) initial convection.\n\n*(a) Model problems that frequently "
    "show up in this region include wrong position of the meniscus,\n     too tight left fitting "
    "limits (too close to optical artifacts at meniscus),\n     unaccounted for "
    "concentration-dependent non-ideality (usually at concentrations > 1 mg/ml),\n     or "
    "unaccounted for small species.\n\n*(b) Initial convection may be caused by misalingment of "
    "the cell, or non-uniform temperature at the \n     start of the run.  The latter may "
    "sometimes be diagnosed also from the temperature plot showing large (> 0.5C) initial "
    "variation.",
    "Residuals close to bottom are significantly larger than elsewhere.\nFrequently this arises "
    "from improperly modeled backdiffusion, either from \n\n**the data containing back-diffusion "
    "that is not modeled\n(for example, from the bottom position in the model being at too high "
    "radii or from lack of smaller species in \nthe model)\n\n** or from back-diffusion in the "
    "model but not in the real data (in which case the bottom position in the model\nmay be too "
    "far to the left [too close to the fitting limit])",
    "Meniscus estimate has reached max/min value. \nThis may indicate that a better fit would be "
    "achieved when relaxing the max/min constraint.\n If the max/min settings are adjusted "
    "purposely as extreme values of the physically possible range\n (from graphical inspection of "
    "clearly discernable air and solvent range), \nthis suggests that there may have been "
    "convection.",
    "Bottom estimate has reached max/min value. \nThis may indicate that a better fit would be "
    "achieved when relaxing the max/min constraint.\n If the min settings are adjusted purposely "
    "as extreme values of the physically possible range\n (the minimum from graphical inspection "
    "of clearly identifiable solvent range [the maximum is usually not possible to visually "
    "discern]), \nthis suggests that there may be a problem with the model.",
    "Distribution value at min value is going up.  Assuming default distribution settings, this "
    "indicates that there's something smaller sedimenting that has not been captured in this "
    "range of the distribution.\n To fix this, set smin to a lower value (mabye 0).",
    "Distribution value at max value is going up.  This indicates that the distribution range is "
    "too small.\n(When setting the max value higher, you may sometimes want to consider "
    "increasing the resolution, as well, or changing the type of grid [linear/log])"};

bool WizardStaysSilent() {
  return LoadOptions.EqTestMode || LoadOptions.RealtimeModeActive || DlsDataMode ||
         DistributionRunFlags.MonteCarloRunning || RedrawSuppressed;
}

struct EdgeRms {
  float meniscus = 0.0f;
  float bottom = 0.0f;
};

// Root-mean-square of model minus signal over the first and the last tenth
// of every scan's fit range (at least one point each).
EdgeRms EdgeResidualRms() {
  const ScanDataSetRecord& d = ScanDataSet;
  double sumM = 0.0, sumB = 0.0;
  long countM = 0, countB = 0;
  for (int i = 1; i <= d.NFILES; ++i) {
    const int f = d.ScanFirstFitIndex[i];
    const int l = d.ScanLastFitIndex[i];
    if (f < 1 || l < f || l > d.ScanPointCount[i]) continue;
    const int band = static_cast<int>(std::floor(0.1 * (l - f)));
    const ScanArray& signal = d.ScanSignal[i];
    const ScanArray& model = d.ScanModel[i];
    auto squared = [&](int j) {
      const double r = static_cast<double>(model[j]) - signal[j];
      return r * r;
    };
    for (int j = f; j <= f + band; ++j, ++countM) sumM += squared(j);
    for (int j = l - band; j <= l; ++j, ++countB) sumB += squared(j);
  }
  EdgeRms rms;
  if (countM > 0) rms.meniscus = static_cast<float>(std::sqrt(sumM / countM));
  if (countB > 0) rms.bottom = static_cast<float>(std::sqrt(sumB / countB));
  return rms;
}

// The kinds whose distribution ends tell whether the grid range is wide
// enough: the plain c(s) kernels and the s-grid variants that keep one
// continuous range without an extra discrete species.
bool ChecksDistributionEnds(ModelKind k) {
  if (!IsContinuousModel(k) || IsVanHoldeWeischetFamily(k)) return false;
  switch (k) {
    case ModelKind::LsGStar:
    case ModelKind::LsGStarOneDiscrete:
    case ModelKind::ElectrophoresisLsGStar:
    case ModelKind::ZoneLsGStar:
    case ModelKind::CSFf0:
    case ModelKind::CSFf0OneDiscrete:
    case ModelKind::CSWithOneDiscrete:
    case ModelKind::NonidealCS:
      return false;
    case ModelKind::HybridCSLsGStar:
      return !DistributionSettings.HybridIncludesDiscrete;
    case ModelKind::ContinuousCS:
    case ModelKind::ZoneCS:
    case ModelKind::ElectrophoresisCV:
    case ModelKind::CSConformationalChange:
    case ModelKind::CSFixFf0FloatingVbar:
    case ModelKind::CSGeneralScalingLaw:
    case ModelKind::CSWormlikeChain:
    case ModelKind::CSBimodalFf0:
    case ModelKind::CSBimodalFf0OneDiscrete:
    case ModelKind::CSWithMsTable:
    case ModelKind::CSInvariantD:
    case ModelKind::CSLinearRods:
      return true;
    default:
      return CorrectionOptions.BufferMismatch.On;
  }
}

struct Amounts {
  float between = 0.0f;  // between the two limits
  float whole = 0.0f;    // of the whole distribution
};

Amounts Integrate(float a, float b) {
  Amounts amounts;
  float average = 0.0f;
  IntegrateDistribution(a, b, amounts.between, average, amounts.whole);
  return amounts;
}

// Messages 6 and 7: a distribution that still rises towards an end of its
// grid has material beyond the grid.
void CheckDistributionEnds(std::vector<int>& findings) {
  const int n = DistributionSettings.DistGridSize;
  const auto& s = DistributionResult.DistSGrid;
  const auto& v = DistributionResult.DistValues;
  const auto needed = static_cast<std::size_t>(n) + 1;
  if (n <= 2 || s.size() < needed || v.size() < needed) return;
  const auto at = [](int i) { return static_cast<std::size_t>(i); };
  if (v[1] > v[2]) {
    const Amounts first = Integrate(s[1], s[2]);
    if (first.between > 0.01f * first.whole) findings.push_back(6);
  }
  if (v[at(n)] > v[at(n - 1)] &&
      Integrate(s[at(n - 1)], s[at(n)]).between > 0.01f * Integrate(s[2], s[at(n)]).between)
    findings.push_back(7);
}

}  // namespace

std::vector<int> HelpWizardFindings() {
  std::vector<int> findings;
  if (WizardStaysSilent()) return findings;
  const float rmsd = ScanRmsd();
  if (rmsd > kLargeRmsd) findings.push_back(1);
  const EdgeRms edges = EdgeResidualRms();
  if (edges.meniscus > kEdgeFactor * rmsd) findings.push_back(2);
  if (edges.bottom > kEdgeFactor * rmsd) findings.push_back(3);

  // Exact equality: a value that the optimiser pushed onto its bound.
  const ModelParametersRecord& p = ModelParameters;
  const FitControlRecord& fc = FitControl;
  if (p.MeniscusFitted && (p.Meniscus == fc.MAXMENISCUS || p.Meniscus == fc.MINMENISCUS))
    findings.push_back(4);
  if (p.BottomFitted && (p.Bottom == fc.MAXBOTTOM || p.Bottom == fc.MINBOTTOM))
    findings.push_back(5);

  if (ChecksDistributionEnds(ModelSelection.Kind)) CheckDistributionEnds(findings);
  return findings;
}

std::string HelpWizardMessage(int number) {
  assert(number >= 1 && number <= 7);
  return std::string(kMessages[static_cast<std::size_t>(number - 1)]) + WizardFootnote;
}

void HelpWizard(TXLAWindow& window) {
  for (int number : HelpWizardFindings()) {
    PlayErrorSound();
    ShowOkBox(window, HelpWizardMessage(number), "Help Wizard");
  }
}

void CmInfoAndWizardMessages(TXLAWindow& window) {
  bool& on = ProgramOptions.WizardMessagesOn;
  on = !on;
  window.CheckMenuItem(kInfoAndWizardMessagesItem, on);
  if (AskYesNoBox(window, "Save Setting?", "HELP MESSAGES"))
    WritePreferenceEntry(window, kWizardEntry, on ? 1 : 0);
}
