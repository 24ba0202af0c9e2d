// The s(M) power law of c(M) calibrated from pairs of s and M.
#include <cmath>
#include <string>
#include <vector>

#include "app/calculators/CalculatorCommands.h"
#include "app/calculators/NumberForm.h"
#include "app/models/ModelCommandSupport.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "display/ClientPixels.h"
#include "display/DirectRedraws.h"
#include "state/PaintState.h"
#include "state/DistributionSettingsRecords.h"
#include "numerics/MatrixFiles.h"
#include "numerics/OneBasedArrays.h"
#include "platform/Window.h"
#include "tools/BeadModels.h"

namespace {

const char* const kCaption = "CALIBRATE C(M) POWER LAW";

// The calibration file's pairs; false (after saying why) when unusable.
bool ReadCalibration(TXLAWindow& window, const std::string& path, std::vector<double>& logM,
                     std::vector<double>& logS) {
  int count = 0;
  float** m = ReadColumnsFile(path, 2, count);
  if (m == nullptr || count < 1) {
    if (m) free_matrix(m, 1, 2, 1, count);
    return false;
  }
  bool valid = true;
  for (int k = 1; k <= count; ++k) {
    const float s = m[1][k], mass = m[2][k];
    if (!(s > 0) || !(mass > 0)) valid = false;
    logS.push_back(std::log10(static_cast<double>(s)));
    logM.push_back(std::log10(static_cast<double>(mass)));
  }
  free_matrix(m, 1, 2, 1, count);
  if (!valid) {
    ShowNote(window, "every s and M of the calibration must be positive", kCaption,
             platform::BoxIcon::Error);
    return false;
  }
  return true;
}

// Draws the calibration plot at once, over the data plot's place.
void DrawNow(TXLAWindow& window, CWINPlot& plot) {
  platform::WindowHost* host = window.Host();
  if (host == nullptr) return;
  plot.Render();
  const platform::Size client = host->ClientSize();
  display::InClientPixels(*host, [&](platform::Canvas& c) {
    c.SelectPen(platform::NullPen());
    c.SelectBrush(platform::WhiteBrush());
    c.Rectangle({0, 0, client.width + 1, client.height + 1});
    display::ReplayInPlotSpace(c, client, plot.hMetaFile);
  });
  platform::Current().ShowWindowDrawing(window.Handle(), {0, 0, client.width, client.height});
}

void WaitForKey(TXLAWindow& window) {
  for (;;) {
    const auto m = platform::Current().WaitMessage({window.Handle(), true});
    if (!m || m->kind == platform::MessageKind::KeyDown) return;
  }
}

}  // namespace

bool CalibrateCMPowerLaw(TXLAWindow& window) {
  if (!AskYesNo(window,
                "select enter ASCII file with calibration data\nformat: each row with two columns "
                "containing (s M) pairs, tab or space-delimited\n(if there's only one calibration "
                "point, scaling exponent will be requested as user input)",
                kCaption))
    return false;
  platform::FileDialogRequest file;
  file.owner = window.Handle();
  file.title = "please locate the calibration file";
  file.filters = {{"calibration text files (*.dat)", {"*.dat"}}};
  file.initialFolder = DataFileLocation.DataFolder;
  file.fileName = "calibration.dat";
  file.defaultExtension = "dat";
  file.mustExist = true;
  if (!platform::Current().ShowOpenFileDialog(file) || file.chosen.empty()) return false;
  std::vector<double> x, y;
  if (!ReadCalibration(window, file.chosen.front(), x, y)) return false;
  const std::size_t n = x.size();
  double bs = 0, logKs = 0;
  if (n == 1) {
    float exponent = 0.66f;
    if (!AskNumber(window, "c(M) with scaling law", "scaling exponent:", exponent)) return false;
    bs = exponent;
    logKs = y[0] - bs * x[0];
  } else {
    LineFit fit;
    if (!FitLine(x, y, fit)) {
      ShowNote(window,
               "all calibration points have the same M: the exponent cannot be determined",
               kCaption, platform::BoxIcon::Error);
      return false;
    }
    bs = fit.slope;
    logKs = fit.intercept;
  }
  const double ks = std::pow(10.0, logKs);
  std::vector<float> px, py, lx, ly;
  for (std::size_t k = 0; k < std::max<std::size_t>(n, 2); ++k) {
    px.push_back(static_cast<float>(x[std::min(k, n - 1)]));
    py.push_back(static_cast<float>(y[std::min(k, n - 1)]));
  }
  if (n == 1) {
    lx = {static_cast<float>(x[0] - 0.3 * x[0]), static_cast<float>(x[0] + 0.3 * x[0])};
  } else {
    for (double v : x) lx.push_back(static_cast<float>(v));
    const double widen = 0.1 * (x.back() - x.front());
    lx.front() = static_cast<float>(lx.front() - widen);
    lx.back() = static_cast<float>(lx.back() + widen);
  }
  for (float v : lx) ly.push_back(static_cast<float>(bs * v + logKs));
  const std::string title = Printf("ks = %.3e, kb = %.3e  (press a key to continue...)", ks, bs);
  CWINPlot& plot = ShowPointsAndLineToolPlot(window, px, py, lx, ly, "log10(M)", "log10(s)");
  const float yLow = ly.front(), yHigh = ly.back(), spread = 0.05f * (yHigh - yLow);
  plot.SetRanges(lx.front(), lx.back(), std::min(yLow, yHigh) - std::fabs(spread),
                 std::max(yLow, yHigh) + std::fabs(spread));
  plot.SetTopTitle(title);
  plot.SetTopTitleOffset(-10);
  DrawNow(window, plot);
  WaitForKey(window);
  if (!AskYesNo(window, Printf("ks = %.3e, kb = %.3e\naccept?", ks, bs), kCaption)) return false;
  DistributionSettings.GeneralScalingLaw.ScalingKs = static_cast<float>(ks);
  DistributionSettings.GeneralScalingLaw.ScalingExponent = static_cast<float>(bs);
  SetSlot(11, static_cast<float>(ks));
  SetSlot(18, static_cast<float>(bs));
  ReleaseToolPlotData(window);
  PaintState.ToolPlotShown = true;
  InvalidateMainWindow(window);
  return true;
}
