// "Estimate Equilibrium Rotor Speeds": three speeds for a molar-mass range,
// their equilibrium distributions as a tool plot, and the time to the first
// equilibrium.

#include <memory>
#include <string>
#include <vector>

#include "app/eqplanning/EqPlanningCommands.h"
#include "app/eqplanning/TimeToEqDialog.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/LoadMessages.h"
#include "state/SolventConditions.h"
#include "state/MainPlotLayout.h"
#include "equilibrium/EqRotorSpeedEstimate.h"
#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "plot/CWINPlot.h"
#include "ui/Boxes.h"

namespace {

const char* const kCaption = "ESTIMATE EQ ROTOR SPEED";

void ShowSpeedPlot(TXLAWindow& window, const EqRotorSpeedPlan& plan, float meniscus,
                   float bottom) {
  ReleaseToolPlotData(window);
  auto& t = ToolPlotData;
  const int n = static_cast<int>(plan.Radii.size()) - 1;
  t.FirstLength = n;
  // Array 0 holds the radii, arrays 1..9 the curves; the vectors wrap them.
  auto wrap = [&](int k, const std::vector<float>& values) {
    t.FirstArrays[k].Resize(1, n);
    for (int j = 1; j <= n; ++j) t.FirstArrays[k][j] = values[j];
    t.FirstVectors[k] = std::make_unique<CVector>();
    t.FirstVectors[k]->AttachFrom(t.FirstArrays[k].data(), static_cast<unsigned>(n), 1);
  };
  wrap(0, plan.Radii);
  for (int c = 0; c < 9; ++c) wrap(c + 1, plan.Curves[c]);
  t.ToolPlot = std::make_unique<CWINPlot>();
  CWINPlot& plot = *t.ToolPlot;
  const auto& l = MainPlotLayout;
  plot.Place(l.DataTop, l.PlotLeft, l.DataBottom, l.PlotRight);
  plot.SetXTitle("radius");
  plot.SetYTitle("signal");
  for (int c = 0; c < 9; ++c) {
    t.FirstCurves[c] =
        std::make_unique<CCurve>(t.FirstVectors[0].get(), t.FirstVectors[c + 1].get());
    plot.AddCurve(t.FirstCurves[c].get());
    plot.SetCurveStyle(c, c < 6 ? 14 : 12);
    plot.SetCurveColor(c, c < 3   ? platform::Rgb(255, 0, 0)
                          : c < 6 ? platform::Rgb(0, 0, 255)
                                  : platform::kBlack);
  }
  plot.SetRanges(meniscus, bottom, 0.0f, 5.0f);
  plot.Relayout();
  plot.Render();
  t.ToolPlotFixedLayout = true;
  InvalidateMainWindow(window);
}

}  // namespace

void EstimateEqRotorSpeeds(TXLAWindow& window) {
  float mLow = 0, mHigh = 0, bottom = 7.2f, meniscus = 6.7f;
  if (!InputFloat(mLow, 0.0f, true, "lowest Mw of interest (Da)", kCaption)) return;
  if (!InputFloat(mHigh, 0.0f, true, "highest Mw of interest (Da)", kCaption)) return;
  if (!InputFloat(bottom, 7.2f, true, "bottom (cm)", kCaption)) return;
  PlannerMessage(window,
                 "for predicting meniscus position, consider in 12 mm centerpieces\n130 ul -> "
                 "~6.8 cm\n170 ul -> ~6.65 cm\n200 ul -> ~6.55",
                 kPlannerCaption);
  if (!InputFloat(meniscus, 6.7f, true, "meniscus (cm)", kCaption)) return;
  const SolventConditionsRecord& sc = SolventConditions;
  // Every formula divides by the masses, the column's width and the
  // buoyancy: such input has no speeds.
  if (!(mLow > 0 && mHigh > 0 && meniscus < bottom && sc.VBAR * sc.BufferDensity < 1.0f)) {
    PlannerMessage(window,
                   "the molar masses must be positive, the meniscus below the bottom and the "
                   "molecules heavier than the buffer",
                   kCaption);
    return;
  }
  const EqRotorSpeedPlan plan =
      PlanEqRotorSpeeds(mLow, mHigh, bottom, meniscus, sc.VBAR, sc.BufferDensity);
  ShowSpeedPlot(window, plan, meniscus, bottom);
  std::string text = FormatText("first rotor speed of %.0f rpm brings highest Mw in c(b)/c(m) = %.1f",
                                static_cast<double>(plan.Rpm1), 5.0);
  text += FormatText("\nsecond rotor speed of %.0f rpm brings lowest Mw in c(b)/c(m) = %.1f",
                     static_cast<double>(plan.Rpm2), 10.0);
  text += FormatText("\nthird rotor speed of %.0f rpm brings lowest Mw close to meniscus depletion",
                     static_cast<double>(plan.Rpm3));
  text +=
      "\n\nWhat we see in the plot are the distributions for the lowest Mw (blue),\nthe highest Mw "
      "(red), and the average (black)\n(all normalized to unit loading concentration).";
  text += FormatText(
      "\n\nAt 4C, moderately globular proteins would need at least %.0f h to reach the first "
      "equilibrium at a constant rotor speed",
      static_cast<double>(plan.Hours));
  text += "\n\nConsider smart overspeeding with toEQ tool";
  PlannerMessage(window, text, kPlannerCaption);
}
