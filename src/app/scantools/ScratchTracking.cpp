#include "app/scantools/ScratchTracking.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>

#include "app/interaction/PlotInput.h"
#include "app/scantools/MouseActions.h"
#include "app/scantools/ScanToolSupport.h"
#include "app/viewcmds/FileNameDialogs.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "display/CursorLineDrawing.h"
#include "display/DirectRedraws.h"
#include "display/MainPlots.h"
#include "display/ScanColours.h"
#include "display/WindowCoordinates.h"
#include "state/MainPlotLayout.h"
#include "models/NelderMead.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/RandomNumbers.h"
#include "numerics/Resampling.h"
#include "plot/CAdHocPlot.h"
#include "plot/PlotSettings.h"
#include "ui/Boxes.h"

float ScratchWindowWidth = 0.01f;
float ScratchShiftRandomization = 0.002f;
float ScratchRmsdPrecision = 0.001f;

namespace {

constexpr int kCapacity = 100;
constexpr double kShiftBound = 0.1;  // cm
constexpr float kTolerance = 0.001f;

// The fit of one window: trial shifts of every scan (scan 1 the reference)
// and what an evaluation derives from them.
struct ScratchFit {
  int n = 0, N = 0;
  std::vector<double> w, u;  // window radii, centred radii [1..n]
  double meanRadius = 0.0, sumU2 = 0.0;
  std::vector<double> shifts;  // [1..N]
  std::vector<std::vector<double>> x, y, z;  // [i][1..n]
  std::vector<double> slopes;  // b_i
  double Q = 0.0;
  TrackedScratch out;

  double Evaluate() {
    const auto& g = CommonRadialGrid;
    const int G = g.CommonGridSize;
    std::vector<double> m(N + 1, 0.0), p(n + 1, 0.0);
    for (int i = 1; i <= N; ++i) {
      for (int j = 1; j <= n; ++j) x[i][j] = w[j] + shifts[i];
      ResampleCurveToDouble(n, x[i].data(), y[i].data(), G, g.CommonGrid, g.ResampledSignals[i]);
      for (int j = 1; j <= n; ++j) m[i] += y[i][j] / n;
    }
    double grand = 0.0;
    for (int j = 1; j <= n; ++j) {
      for (int i = 1; i <= N; ++i) p[j] += y[i][j] / N;
    }
    for (int i = 1; i <= N; ++i) grand += m[i] / N;
    double sum = 0.0;
    for (int i = 1; i <= N; ++i) {
      double rb = 0.0;
      std::vector<double> r(n + 1);
      for (int j = 1; j <= n; ++j) {
        r[j] = y[i][j] - p[j] - m[i] + grand;
        rb += r[j] * u[j];
      }
      slopes[i] = sumU2 > 0.0 ? rb / sumU2 : 0.0;
      const double a = m[i] - slopes[i] * meanRadius;
      for (int j = 1; j <= n; ++j) {
        const double e = r[j] - slopes[i] * u[j];
        sum += e * e;
        z[i][j] = (p[j] - grand) + a + slopes[i] * w[j];
      }
    }
    Q = sum / std::sqrt(static_cast<double>(n) * N) * 1000.0;
    float profileSlope = 0.0f;
    for (int j = 1; j <= n; ++j)
      profileSlope += static_cast<float>(u[j] * (p[j] - grand) / std::max(1e-300, sumU2));
    const auto& d = ScanDataSet;
    out.Slopes.assign(N + 1, 0.0);
    out.Shifts.assign(N + 1, 0.0);
    const int first = d.ScanTimeOrder[1];
    for (int k = 1; k <= N; ++k) {
      const int i = d.ScanTimeOrder[k];
      out.Slopes[k] = slopes[i] + profileSlope;
      out.Shifts[k] = shifts[i] - shifts[first];
    }
    return Q;
  }
};

// Shifts of scans 2..N by downhill simplex with random restarts; every
// trial shift stays within the bound.
void OptimizeScratchShift(ScratchFit& fit) {
  const int D = fit.N - 1;
  fit.Evaluate();
  if (D < 1) return;  // one scan: nothing to shift against
  const FitObjective objective = [&fit, D](float* v) -> float {
    for (int k = 1; k <= D; ++k) {
      v[k] = static_cast<float>(std::clamp(static_cast<double>(v[k]), -kShiftBound, kShiftBound));
      fit.shifts[k + 1] = v[k];
    }
    return static_cast<float>(fit.Evaluate());
  };
  std::vector<double> best(fit.shifts);
  double reference = fit.Evaluate();
  OneBasedMatrix<float> p(1, D + 1, 1, D);
  std::vector<float> y(D + 2);
  int stalls = 0;
  for (int restart = 0; restart <= 100 && stalls < 2; ++restart) {
    for (int v = 1; v <= D + 1; ++v)
      for (int k = 1; k <= D; ++k)
        p[v][k] = static_cast<float>(best[k + 1]) +
                  (v > 1 ? GaussianRandom(ScratchShiftRandomization) : 0.0f);
    for (int v = 1; v <= D + 1; ++v) y[v] = objective(p[v]);
    int evaluations = 0;
    NelderMead(p.get(), y.data(), D, kTolerance, objective, evaluations, [](float*, float) {});
    int lowest = 1;
    for (int v = 2; v <= D + 1; ++v)
      if (y[v] < y[lowest]) lowest = v;
    if (restart > 0 && y[lowest] > reference) continue;
    if (restart > 0 && std::fabs(y[lowest] - reference) < kTolerance) ++stalls;
    for (int k = 1; k <= D; ++k) best[k + 1] = p[lowest][k];
    fit.shifts = best;
    reference = fit.Evaluate();
  }
  fit.shifts = best;
  fit.Evaluate();
}

ScratchFit MakeFit(int start, int n) {
  const auto& g = CommonRadialGrid;
  ScratchFit fit;
  fit.n = n;
  fit.N = ScanDataSet.NFILES;
  fit.w.assign(n + 1, 0.0);
  fit.u.assign(n + 1, 0.0);
  for (int j = 1; j <= n; ++j) fit.w[j] = g.CommonGrid[start + j];
  for (int j = 1; j <= n; ++j) fit.meanRadius += fit.w[j] / n;
  for (int j = 1; j <= n; ++j) {
    fit.u[j] = fit.w[j] - fit.meanRadius;
    fit.sumU2 += fit.u[j] * fit.u[j];
  }
  fit.shifts.assign(fit.N + 1, 0.0);
  fit.slopes.assign(fit.N + 1, 0.0);
  for (auto* a : {&fit.x, &fit.y, &fit.z})
    a->assign(fit.N + 1, std::vector<double>(n + 1, 0.0));
  return fit;
}

// Window start for a window of n points centred at grid index c, kept
// inside the grid.
int WindowStart(int c, int n) {
  const int G = CommonRadialGrid.CommonGridSize;
  return std::clamp(c - (n - 1) / 2 - 1, 0, std::max(0, G - n));
}

int WindowPointCount() {
  const auto& g = CommonRadialGrid;
  int n = 1;
  while (n < 101 && n + 1 <= g.CommonGridSize &&
         g.CommonGrid[n + 1] - g.CommonGrid[1] < ScratchWindowWidth)
    n += 2;
  return std::min(n, std::max(1, g.CommonGridSize));
}

class TrackScratch : public CMouseAction {
 public:
  void Begin() override {
    store_.clear();
    located_ = false;
    prepared_ = false;
  }
  void Discard() override {
    store_.clear();
    prepared_ = located_ = false;
  }
  void Finish() override {
    if (!store_.empty() && Owner() != nullptr) {
      SaveScratchFile(*Owner());
      PlotScratchShifts();
    }
    store_.clear();
  }

  bool LButtonDown(platform::Point pt) override {
    prepared_ = true;
    located_ = false;
    Locate(pt);
    WriteLine(10, 70, FormatText("press 'y' or 'n' to store scratch as #%d        ",
                                 static_cast<int>(store_.size()) + 1));
    return true;
  }

  bool KeyDown(int key, int, int) override {
    if (!prepared_) return false;
    namespace k = platform::key;
    switch (key) {
      case 'Y':
      case 'N':
        WriteLine(10, 70, "use left mouse button to locate next scratch      ");
        if (key == 'Y' && located_) store_.push_back(fit_.out);
        prepared_ = located_ = false;
        return true;
      case k::Return:
        prepared_ = located_ = false;
        Stop();
        OnStopped();
        Finish();
        return true;
      case k::Escape:
        Stop();
        OnStopped();
        Discard();
        return true;
      default:
        return false;
    }
  }

 private:
  void Locate(platform::Point pt) {
    const auto& g = CommonRadialGrid;
    const auto& d = ScanDataSet;
    const CWINPlot* plot = display::MainPlots.DataPlot.get();
    if (plot == nullptr || g.CommonGridSize < 2 || !IsOverDataPlot(pt.x, pt.y) ||
        static_cast<int>(store_.size()) >= kCapacity)
      return;
    const double r = display::WindowXToValue(*plot, pt.x);
    if (!(d.FitLeftLim <= r && r <= d.FitRightLim)) return;
    const int n = WindowPointCount();
    int c = 0;
    for (int i = std::max(2, g.GridFirstFitIndex); i <= g.GridLastFitIndex; ++i)
      if (g.CommonGrid[i] > r) {
        c = i - 1;
        break;
      }
    if (c == 0) return;
    fit_ = MakeFit(WindowStart(c, n), n);
    fit_.out.Radius = g.CommonGrid[c];
    OptimizeScratchShift(fit_);
    located_ = true;
    if (Owner() == nullptr) return;
    WriteLine(10, 50, FormatText("rmsd = %f             ", fit_.Q * 0.001));
    platform::WindowHost* host = Owner()->Host();
    if (host == nullptr) return;
    for (const TrackedScratch& s : store_)
      display::DrawDashedCursorLine(host, display::ValueToWindowX(*plot, static_cast<float>(s.Radius)),
                                    platform::kBlack, 10);
    display::DrawDashedCursorLine(host, display::ValueToWindowX(*plot, static_cast<float>(r)),
                                  platform::kBlack, 10);
    for (int i = 1; i <= fit_.N; ++i)
      display::ReplayInPlotSpace(host->ClientCanvas(), host->ClientSize(),
                                 plot->RenderOverlayDoubleArrays(fit_.x[i].data(), fit_.z[i].data(),
                                                                 fit_.n, platform::Rgb(255, 0, 0),
                                                                 -1, 1));
    host->UpdateNow();
  }

  void SaveScratchFile(TXLAWindow& window) {
    std::string path = "scratch";
    if (!ChooseFileName(window, true, path, 999, "save scratch data in file", "scratch",
                        {{"*.scratch", {"*.scratch"}}}))
      return;
    std::ofstream file(path);
    if (!file) return;
    file << ScratchFileText(store_, ScanDataSet.NFILES);
  }

  void PlotScratchShifts() {
    if (store_.empty()) return;
    auto plot = std::make_unique<CAdHocPlot>();
    const auto& l = MainPlotLayout;
    CWINPlot& p = *plot->pPlot;
    p.Place(l.DataTop, l.PlotLeft, l.ResidualBottom, l.PlotRight);
    p.SetXTitle("slopes (signal/cm)");
    p.SetYTitle("shifts (cm)");
    p.nSymbolSize = std::max(0, p.nSymbolSize - 1);
    // Error-bar caps are sized from the symbols, as on every tool screen
    // that changes a plot's symbol size.
    PlotSettings.ErrorBarCapWidth = static_cast<int>(std::floor(1.5 * p.nSymbolSize));
    const int count = static_cast<int>(store_.size()), N = ScanDataSet.NFILES;
    const auto scratchCurve = [&](int t, int style) {
      float* x = vector(1, N);
      float* y = vector(1, N);
      for (int k = 1; k <= N; ++k) {
        x[k] = static_cast<float>(store_[t - 1].Slopes[k]);
        y[k] = static_cast<float>(store_[t - 1].Shifts[k]);
      }
      const int c = plot->AddCurve(N, x, y);
      p.SetCurveColor(c, display::RampColour(t, count));
      p.SetCurveStyle(c, style);
    };
    for (int t = 1; t <= count; ++t) scratchCurve(t, 6);
    // Every scan's points over the scratches, in the scan's colour, so that
    // a scan that moves all its scratches alike stands out.
    for (int k = 1; k <= N; ++k) {
      float* x = vector(1, count);
      float* y = vector(1, count);
      for (int t = 1; t <= count; ++t) {
        x[t] = static_cast<float>(store_[t - 1].Slopes[k]);
        y[t] = static_cast<float>(store_[t - 1].Shifts[k]);
      }
      const int c = plot->AddCurve(count, x, y);
      p.SetCurveColor(c, display::ScanColour(k));
      p.SetCurveStyle(c, 23);
    }
    for (int t = 1; t <= count; ++t) scratchCurve(t, -1);
    RenderToolPlot(p);
    ShowPicture(std::move(plot));
  }

  ScratchFit fit_;
  bool prepared_ = false, located_ = false;
  std::vector<TrackedScratch> store_;
};

}  // namespace

std::unique_ptr<CMouseAction> MakeTrackScratchAction() {
  return std::make_unique<TrackScratch>();
}

std::string ScratchFileText(const std::vector<TrackedScratch>& scratches, int scanCount) {
  std::string text = FormatText("%d %d", static_cast<int>(scratches.size()), scanCount);
  for (const TrackedScratch& s : scratches) text += FormatText(" %f", s.Radius);
  text += "\n";
  for (int k = 1; k <= scanCount; ++k) {
    for (const TrackedScratch& s : scratches) {
      const bool has = k < static_cast<int>(s.Slopes.size());
      text += FormatText(" %f %f", has ? s.Slopes[k] : 0.0, has ? s.Shifts[k] : 0.0);
    }
    text += "\n";
  }
  return text;
}

TrackedScratch TrackScratchAt(int centre, int n, double& quality) {
  ScratchFit fit = MakeFit(WindowStart(centre, n), n);
  fit.out.Radius = CommonRadialGrid.CommonGrid[centre];
  OptimizeScratchShift(fit);
  quality = fit.Q;
  return fit.out;
}

void CmTrackTINoiseFeature(TXLAWindow& window) {
  if (!Ask(window, "click on radial values to examine, 'y' or 'n' to accept/reject, RETURN to end",
           "Track Scratch"))
    return;
  const char* caption = "TRACK SCRATCH";
  if (!AskNumber(window, ScratchWindowWidth, "window width (cm)", caption) ||
      !AskNumber(window, ScratchShiftRandomization, "randomize shift (cm)", caption) ||
      !AskNumber(window, ScratchRmsdPrecision, "rmsd precision", caption))
    return;
  StartTrackScratch();
}
