#include "display/MonteCarloCurves.h"

#include <memory>

#include "display/DistributionPlot.h"
#include "distributions/MonteCarlo.h"

namespace display {

MonteCarloLimitCurvesRecord MonteCarloLimitCurves;

namespace {

MonteCarloLimitCurvesRecord& Curves() {
  return MonteCarloLimitCurves;
}

void Release() {
  MonteCarloLimitCurvesRecord& c = Curves();
  c.UpperCurve.reset();
  c.LowerCurve.reset();
  c.Upper.reset();
  c.Lower.reset();
}

void AddLimitCurves(float* upper, float* lower, int n) {
  auto& p = DistributionPlots;
  CWINPlot* plot = p.DistributionPlot.get();
  if (plot == nullptr || !p.DistPlotX || n < 1) return;
  MonteCarloLimitCurvesRecord& c = Curves();
  Release();
  c.Upper = std::make_unique<CVector>();
  c.Lower = std::make_unique<CVector>();
  // Wrapped, not copied: later limits show at once.
  c.Upper->AttachFrom(upper, static_cast<unsigned>(n), 1);
  c.Lower->AttachFrom(lower, static_cast<unsigned>(n), 1);
  c.UpperCurve = std::make_unique<CCurve>(p.DistPlotX.get(), c.Upper.get());
  c.LowerCurve = std::make_unique<CCurve>(p.DistPlotX.get(), c.Lower.get());
  plot->AddCurve(c.UpperCurve.get());
  plot->AddCurve(c.LowerCurve.get());
  plot->SetCurveColor(1, platform::Rgb(255, 0, 0));
  plot->SetCurveColor(2, platform::Rgb(0, 0, 255));
}

void RemoveLimitCurves() {
  CWINPlot* plot = DistributionPlots.DistributionPlot.get();
  if (plot != nullptr)
    for (int k = 0; k < 2; ++k)
      if (plot->nCurves > 1) plot->RemoveLastCurve();
  Release();
}

}  // namespace

void InstallMonteCarloCurveHooks() {
  MonteCarloDisplayLinks.AddLimitCurves = AddLimitCurves;
  MonteCarloDisplayLinks.RemoveLimitCurves = RemoveLimitCurves;
  DistributionPlotLinks.ReleaseMonteCarloCurves = Release;
}

}  // namespace display
