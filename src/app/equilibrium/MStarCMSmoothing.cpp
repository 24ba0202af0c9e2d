// c(M) smoothing of the M* transformation: the c(M) analysis run from the
// screen, which then works on the fitted model curves instead of the noisy
// data, and the moments of that c(M) written into the window.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/commands/RunFitCommands.h"
#include "app/equilibrium/MwScreen.h"
#include "app/models/ModelCommandSupport.h"
#include "app/models/ModelSwitching.h"
#include "state/ProgramFlags.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "state/ScreenModes.h"
#include "distributions/DistributionIntegration.h"
#include "state/DistributionSettingsRecords.h"
#include "equilibrium/MStarTransform.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"

namespace {

constexpr const char* kCaption = "M* transformation";
constexpr int kSecondDerivativeItem = 294;
constexpr int kMaxEntItem = 295;
constexpr int kBothItem = 642;
constexpr int kThirdDerivativeItem = 1118;
constexpr int kConfidenceSlot = 2;

bool AskRange(TXLAWindow& window) {
  float smallest = 1e30f, largest = 0.0f;
  for (int i = 1; i <= MStarData.Count; ++i) {
    smallest = std::min(smallest, MStarData.Sets[i].MwAvg);
    largest = std::max(largest, MStarData.Sets[i].MwAvg);
  }
  if (MStarData.Count == 0) smallest = 0.0f;
  float low = std::floor(0.5f * smallest), high = std::floor(2.0f * largest);
  if (!AskFloat(window, low, low, "min Mw (kDa)", kCaption)) return false;
  if (!AskFloat(window, high, high, "max Mw (kDa)", kCaption)) return false;
  DistributionSettings.Smin = low * 1000.0f;
  DistributionSettings.Smax = high * 1000.0f;
  return true;
}

void UseSecondDerivativeRegularization(TXLAWindow& window) {
  auto& r = DistributionSettings.RegularizationType;
  r.SecondDerivativeRegularization = true;
  r.MaxEntRegularizationOn = false;
  r.BothRegularizations = false;
  r.TP3Regularization = false;
  window.CheckMenuItem(kSecondDerivativeItem, true);
  window.CheckMenuItem(kMaxEntItem, false);
  window.CheckMenuItem(kBothItem, false);
  window.CheckMenuItem(kThirdDerivativeItem, false);
  // A P above 1 makes the regulariser aim at a chi-square ratio of 1.01.
  DistributionSettings.RegularizationPvalue = 1.01f;
  ParameterVector[kConfidenceSlot] = 1.01f;
}

}  // namespace

// The offered range from the sets' Mwavg values: half the smallest and twice
// the largest, rounded down (kDa).
void RunCMForMStar(TXLAWindow& window) {
  auto& st = MStarSettings;
  auto& m = ModelParameters;
  if (st.AskCMRange && !AskRange(window)) return;
  const bool individual = m.RINoiseFitted;
  const int sets = ScanDataSet.NFILES;
  if (sets == 1) FitControl.TINoiseFitted = false;
  if (sets > 1 && individual) {
    ShowNote(window, "recalculating individual baselines from c(M)", kCaption);
  } else if (AskYesNo(window, "determine Baseline from c(M)?", kCaption)) {
    m.BaselineFitted = 1;
    ParameterFitted[BaselineSlot] = 1;
    m.SystematicNoiseOn = true;
  } else {
    m.BaselineFitted = 0;
    ParameterFitted[BaselineSlot] = 0;
    m.SystematicNoiseOn = false;
    ParameterVector[BaselineSlot] = m.Baseline;
    m.RINoiseFitted = false;
  }
  CloseMStarScreen(window);
  if (!SetContinuousModel(window, ModelKind::ContinuousCM)) {
    m.RINoiseFitted = individual;
    StartMStarTransformation(window);
    return;
  }
  UseSecondDerivativeRegularization(window);
  RedrawSuppressed = true;
  ComputationAbort = false;
  if (platform::WindowHost* host = window.Host()) host->SetCursor(platform::CursorShape::Wait);
  if (sets == 1) {
    RunModelCommand(window);
  } else {
    m.BottomFitted = 1;
    ParameterFitted[BottomSlot] = 1;
    CmFit(window);
  }
  RedrawSuppressed = false;
  if (platform::WindowHost* host = window.Host()) host->SetCursor(platform::CursorShape::Arrow);
  m.RINoiseFitted = individual;
  InvalidateMainWindow(window);
  st.CMSmoothing = true;
  MStarScreen.OpenedSinceCM = false;
  StartMStarTransformation(window);
}

std::vector<std::string> CMMomentTexts() {
  float total = 0, average = 0, all = 0, stddev = 0, number = 0, z = 0;
  IntegrateDistribution(DistributionSettings.Smin, DistributionSettings.Smax, total, average, all,
                        &stddev, &number, &z);
  const double lines[][1] = {{FitControl.CurrentRmsd}, {total}, {average * 0.001}, {stddev * 0.001},
                             {z * 0.001}};
  const char* formats[] = {"rmsd = %.5f", "total loading signal c(M) = %.3f",
                           "signal average Mw = %.1f kDa",
                           "std (sqrt(2nd central moment) = %.1f kDa", "Mz = %.1f kDa"};
  std::vector<std::string> texts;
  for (int k = 0; k < 5; ++k) {
    char text[120];
    std::snprintf(text, sizeof text, formats[k], lines[k][0]);
    texts.emplace_back(text);
  }
  return texts;
}

void ShowCMMoments(TXLAWindow& window) {
  if (!MStarSettings.CMSmoothing || !ScreenModes.MStarScreenActive) return;
  const std::vector<std::string> texts = CMMomentTexts();
  for (std::size_t k = 0; k < texts.size(); ++k)
    platform::Current().DrawWindowText(window.Handle(), kMomentTextX,
                                       kMomentTextY + kMomentTextStep * static_cast<int>(k),
                                       texts[k]);
}
