// The planner's plots: its progress while it optimises, drawn straight into
// the window, and the results of a planning run in the tool plot slots.

#include <memory>
#include <vector>

#include "app/eqplanning/EqPlanningCommands.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "display/DirectRedraws.h"
#include "display/records/MainPlotLayout.h"
#include "equilibrium/ApproachToEqSim.h"
#include "equilibrium/TimeToEqParameters.h"
#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "plot/CWINPlot.h"

using display::ReplayInPlotSpace;

namespace {

// The curves the planner's plots borrow; they stay until the next plots,
// since the paint lets the plots go after one showing.
struct PlannerCurveStore {
  std::vector<std::unique_ptr<CVector>> vectors;
  std::vector<std::unique_ptr<CCurve>> curves;

  void Clear() {
    curves.clear();
    vectors.clear();
  }
  // A curve of copies of x[first..last], y[first..last] (one-based arrays).
  CCurve* Add(const float* x, const float* y, int first, int last) {
    const int n = std::max(last - first + 1, 0);
    vectors.push_back(std::make_unique<CVector>(static_cast<unsigned>(n), x + first));
    CVector* xv = vectors.back().get();
    vectors.push_back(std::make_unique<CVector>(static_cast<unsigned>(n), y + first));
    CVector* yv = vectors.back().get();
    curves.push_back(std::make_unique<CCurve>(xv, yv));
    return curves.back().get();
  }
};

PlannerCurveStore ProgressCurves, ResultCurves;

// The speed course of a simulation scaled into the distance plot's range.
void AddScaledSpeedCourse(CWINPlot& plot, PlannerCurveStore& store, const CApproachToEqSim& sim,
                          platform::Color colour) {
  int n = 0;
  OneBasedArray<float> t, w;
  if (!sim.SpeedCourse(&n, &t, &w) || n < 1) return;
  const TimeToEqParametersRecord& p = TimeToEqParameters;
  for (int i = 1; i <= n; ++i) w[i] *= p.RpmPlotTop / p.RpmPlotScale;
  plot.AddCurve(store.Add(t.data(), w.data(), 1, n));
  plot.SetCurveColor(plot.nCurves - 1, colour);
  plot.SetCurveStyle(plot.nCurves - 1, -1);
}

void AddDistanceCurve(CWINPlot& plot, PlannerCurveStore& store, const CApproachToEqSim& sim,
                      platform::Color colour) {
  if (sim.ScanCount < 1 || sim.Rmsd.hi() < sim.ScanCount) return;
  plot.AddCurve(store.Add(sim.ScanHours.data(), sim.Rmsd.data(), 1, sim.ScanCount));
  plot.SetCurveColor(plot.nCurves - 1, colour);
  plot.SetCurveStyle(plot.nCurves - 1, -1);
}

// EquilibriumProfile - f TotalScans at the scan that met the target, over
// the evaluation range.
void AddRemainingDifference(CWINPlot& plot, PlannerCurveStore& store, const CApproachToEqSim& sim,
                            double f, platform::Color colour) {
  const int k = sim.RmsdScanIndex;
  if (k < 1 || k > sim.ScanCount || sim.FitFirstIndex > sim.FitLastIndex) return;
  OneBasedArray<float> diff(1, sim.PointCount);
  for (int i = 1; i <= sim.PointCount; ++i)
    diff[i] = static_cast<float>(sim.EquilibriumProfile[i] - f * sim.TotalScans[k][i]);
  plot.AddCurve(store.Add(sim.Radii.data(), diff.data(), sim.FitFirstIndex, sim.FitLastIndex));
  plot.SetCurveColor(plot.nCurves - 1, colour);
  plot.SetCurveStyle(plot.nCurves - 1, -1);
}

}  // namespace

void ShowSpeedPlanningProgress(TXLAWindow& window) {
  const TimeToEqParametersRecord& p = TimeToEqParameters;
  platform::WindowHost* host = window.Host();
  if (!p.ObjectiveSim || host == nullptr) return;
  ProgressCurves.Clear();
  CWINPlot plot;
  const auto& l = MainPlotLayout;
  plot.Place(l.DataTop, l.PlotLeft, l.DataBottom, l.PlotRight);
  plot.SetXTitle("time (h)");
  plot.SetYTitle("difference to eq");
  plot.bConnectPoints = true;
  AddDistanceCurve(plot, ProgressCurves, *p.ObjectiveSim, platform::Rgb(255, 0, 255));
  AddScaledSpeedCourse(plot, ProgressCurves, *p.ObjectiveSim, platform::Rgb(0, 0, 240));
  plot.SetRanges(0.0f, p.ConstSpeedEqTime / 3600.0f, 0.0f, p.RpmPlotTop);
  plot.Render();
  platform::Canvas& canvas = host->ClientCanvas();
  const platform::Size client = host->ClientSize();
  ReplayInPlotSpace(canvas, client, plot.hMetaFile);
  platform::Current().ShowWindowDrawing(window.Handle(),
                                        platform::Rect{0, 0, client.width, client.height});
}

void ShowPlannerResultPlots(TXLAWindow& window) {
  const TimeToEqParametersRecord& p = TimeToEqParameters;
  if (!p.ConstantSpeedSim) return;
  const CApproachToEqSim& constant = *p.ConstantSpeedSim;
  ReleaseToolPlotData(window);
  ResultCurves.Clear();
  auto& t = ToolPlotData;
  const auto& l = MainPlotLayout;

  t.ToolPlot = std::make_unique<CWINPlot>();
  CWINPlot& approach = *t.ToolPlot;
  approach.Place(l.DataTop, l.PlotLeft, l.DataBottom, l.PlotRight);
  approach.SetXTitle("elapsed time (h)");
  approach.SetYTitle("rms difference to eq from left to right fit limit");
  approach.bConnectPoints = true;
  AddDistanceCurve(approach, ResultCurves, constant, platform::Rgb(100, 100, 100));
  if (constant.ScanCount >= 1 && constant.ScanHours.hi() >= constant.ScanCount) {
    OneBasedArray<float> level(1, constant.ScanCount);
    for (int k = 1; k <= constant.ScanCount; ++k)
      level[k] = p.FinalRpm * p.RpmPlotTop / p.RpmPlotScale;
    approach.AddCurve(ResultCurves.Add(constant.ScanHours.data(), level.data(), 1,
                                       constant.ScanCount));
    approach.SetCurveColor(approach.nCurves - 1, platform::Rgb(200, 255, 200));
    approach.SetCurveStyle(approach.nCurves - 1, -1);
  }
  if (p.ObjectiveSim) {
    AddDistanceCurve(approach, ResultCurves, *p.ObjectiveSim, platform::Rgb(255, 0, 255));
    AddScaledSpeedCourse(approach, ResultCurves, *p.ObjectiveSim, platform::Rgb(0, 0, 240));
  }
  approach.SetRanges(0.0f, p.ConstSpeedTime, 0.0f, p.RpmPlotTop);

  // The second plot sits inside the first, in its upper right.
  t.SecondToolPlot = std::make_unique<CWINPlot>();
  CWINPlot& profile = *t.SecondToolPlot;
  profile.Place(l.DataTop + 100, l.PlotLeft + 500, l.DataBottom - 500 > l.DataTop + 150
                                                       ? l.DataBottom - 500
                                                       : (l.DataTop + l.DataBottom) / 2,
                l.PlotRight - 50);
  profile.SetXTitle("radius (cm)");
  profile.SetYTitle("difference to eq");
  profile.bConnectPoints = true;
  double f = 1.0;
  if (p.InitialStep > p.ColumnMeniscus && constant.RmsdScanIndex >= 1 &&
      constant.RmsdScanIndex <= constant.ScanCount) {
    const double mass = constant.RadialIntegral(constant.TotalScans[constant.RmsdScanIndex]);
    if (mass != 0.0) f = constant.RadialIntegral(constant.EquilibriumProfile.data()) / mass;
  }
  AddRemainingDifference(profile, ResultCurves, constant, f, platform::Rgb(100, 100, 100));
  if (p.ObjectiveSim)
    AddRemainingDifference(profile, ResultCurves, *p.ObjectiveSim, f, platform::Rgb(255, 0, 255));
  t.ToolPlotFixedLayout = false;
  InvalidateMainWindow(window);
}
