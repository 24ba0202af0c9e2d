// The planner's plots: its progress while it optimises, drawn straight into
// the window, and the results of a planning run and of the speed-profile
// tool in the tool plot slots.

#include <memory>
#include <string>
#include <vector>

#include "app/eqplanning/EqPlanningCommands.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/CRotorSpeedProfile.h"
#include "data/LoadMessages.h"
#include "display/DirectRedraws.h"
#include "state/MainPlotLayout.h"
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

// The second plot, inside the first in its upper right: what remains of
// the difference to equilibrium across the column when each run met its
// target, for the constant-speed run and for another course. Without
// otherComplete only the other course's first two points are shown, at 0.
void AddProfilePlot(const CApproachToEqSim& constant, const CApproachToEqSim* other,
                    platform::Color constantColour, bool otherComplete) {
  const TimeToEqParametersRecord& p = TimeToEqParameters;
  const auto& l = MainPlotLayout;
  auto& t = ToolPlotData;
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
  AddRemainingDifference(profile, ResultCurves, constant, f, constantColour);
  if (other == nullptr) return;
  if (otherComplete) {
    AddRemainingDifference(profile, ResultCurves, *other, f, platform::Rgb(255, 0, 255));
  } else if (other->PointCount >= 2) {
    const float zero[3] = {0, 0, 0};
    profile.AddCurve(ResultCurves.Add(other->Radii.data(), zero, 1, 2));
    profile.SetCurveColor(profile.nCurves - 1, platform::Rgb(255, 0, 255));
    profile.SetCurveStyle(profile.nCurves - 1, -1);
  }
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

  AddProfilePlot(constant, p.ObjectiveSim.get(), platform::Rgb(100, 100, 100), true);
  t.ToolPlotFixedLayout = false;
  InvalidateMainWindow(window);
}

void PaintToolPlot(TXLAWindow& window) {
  const TimeToEqParametersRecord& p = TimeToEqParameters;
  SpeedProfileToolFlagsRecord& flags = SpeedProfileToolFlags;
  ReleaseToolPlotData(window);
  ResultCurves.Clear();
  flags.ShowDifference = flags.ConstSpeed || flags.Optimized;
  const CApproachToEqSim* tool = p.ToolSim.get();
  const CApproachToEqSim* constant = p.ConstantSpeedSim.get();
  const bool course = flags.ProfileLoaded && tool != nullptr;
  if (!course && !flags.ShowDifference) {
    InvalidateMainWindow(window);
    return;
  }
  auto& t = ToolPlotData;
  const auto& l = MainPlotLayout;
  t.ToolPlot = std::make_unique<CWINPlot>();
  CWINPlot& plot = *t.ToolPlot;
  plot.Place(l.DataTop, l.PlotLeft, l.DataBottom, l.PlotRight);
  plot.bConnectPoints = true;
  if (course) {
    if (flags.ShowDifference) {
      AddScaledSpeedCourse(plot, ResultCurves, *tool, platform::Rgb(0, 240, 0));
    } else {
      int n = 0;
      OneBasedArray<float> hours, rpm;
      if (tool->SpeedCourse(&n, &hours, &rpm) && n >= 1) {
        plot.AddCurve(ResultCurves.Add(hours.data(), rpm.data(), 1, n));
        plot.SetCurveColor(plot.nCurves - 1, platform::Rgb(0, 240, 0));
        plot.SetCurveStyle(plot.nCurves - 1, -1);
      }
    }
  }
  if (flags.ConstSpeed && constant != nullptr)
    AddDistanceCurve(plot, ResultCurves, *constant, platform::Rgb(220, 220, 255));
  if (flags.Optimized && tool != nullptr)
    AddDistanceCurve(plot, ResultCurves, *tool, platform::Rgb(255, 0, 255));
  plot.SetXTitle("time (h)");
  plot.SetYTitle(!flags.ShowDifference ? "rotor speed"
                 : course             ? "difference to eq / rotor speed"
                                      : "difference to eq");
  plot.SetRanges(0.0f, p.ConstSpeedEqTime / 3600.0f, 0.0f,
                 flags.ShowDifference ? p.RpmPlotTop : p.RpmPlotScale);
  if (constant != nullptr)
    AddProfilePlot(*constant, tool, platform::Rgb(220, 220, 255), flags.Optimized);

  std::string status;
  auto add = [&status](const std::string& text) {
    status += status.empty() ? text : "   " + text;
  };
  if (flags.ConstSpeed)
    add(FormatText("teq constant speed:  %.1fh", static_cast<double>(p.ConstSpeedEqTime / 3600.0f)));
  if (flags.Optimized && tool != nullptr)
    add(FormatText("teq toSE:  %.1fh", static_cast<double>(tool->TimeToRmsd / 3600.0f)));
  if (p.HistoryMode) {
    const std::string name = p.HistoryProfile ? p.HistoryProfile->FileName() : std::string();
    add(FormatText("initial condition %.1f sec of %s", static_cast<double>(p.HistoryDuration),
                   name.c_str()));
  } else if (flags.ShowDifference) {
    add(p.InitialEqRpm != 0.0f
            ? FormatText("initial condition SE at %f rpm", static_cast<double>(p.InitialEqRpm))
            : std::string("initial condition from rest"));
  }
  window.ToolCaptionText = status;
  window.ToolCaptionPending = !status.empty();
  t.ToolPlotFixedLayout = false;
  InvalidateMainWindow(window);
}
