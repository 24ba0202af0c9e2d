#include "app/scantools/BoundaryAnalysisCommands.h"

#include <algorithm>
#include <cstddef>
#include <cmath>
#include <memory>
#include <vector>

#include "app/interaction/WindowDrawing.h"
#include "app/models/ModelCommandSupport.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "app/window/TXLAWindow.h"
#include "display/DirectRedraws.h"
#include "display/DisplayLinks.h"
#include "display/DistributionPlot.h"
#include "display/ScanColours.h"
#include "state/MainPlotLayout.h"
#include "models/ParametersCommand.h"
#include "state/ParameterVector.h"
#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "numerics/OneBasedArrays.h"
#include "plot/CAdHocPlot.h"
#include "tools/BoundaryAnalysis.h"
#include "state/Links.h"

namespace {

std::unique_ptr<CAdHocPlot> ExtrapolationPicture;
// Curve styles: open symbols for the measured s, joined points for lines.
constexpr int kExtrapolationPointStyle = 2;
constexpr int kExtrapolationLineStyle = -1;

float* Filled(int n, float value) {
  float* v = vector(1, n);
  for (int k = 1; k <= n; ++k) v[k] = value;
  return v;
}

// Points of every row at their 1/sqrt(t), and the line of every fraction
// from the first row to infinite time (x = 0).
void SetupExtrapolationPlot() {
  const auto& e = ExtrapolationData;
  ExtrapolationPicture.reset();
  if (!e.Exists()) return;
  auto plot = std::make_unique<CAdHocPlot>();
  const int n = e.Rows, r = e.Fractions;
  std::vector<float> x(n + 2);
  for (int k = 1; k <= n; ++k) x[k] = static_cast<float>(1.0 / std::sqrt(e.Times[k]));
  x[n + 1] = 0.0f;
  CWINPlot& p = *plot->pPlot;
  for (int k = 1; k <= n; ++k) {
    float* ys = vector(1, r);
    for (int j = 1; j <= r; ++j) ys[j] = static_cast<float>(e.SValues[k][j]);
    const int c = plot->AddCurve(r, Filled(r, x[k]), ys);
    p.SetCurveStyle(c, kExtrapolationPointStyle);
    p.SetCurveColor(c, display::ScanColour(k));
  }
  const platform::Color lineColour = display::ScanColour(std::min(2, n));
  for (int j = 1; j <= r; ++j) {
    float* xs = vector(1, n + 1);
    float* ys = vector(1, n + 1);
    for (int k = 1; k <= n + 1; ++k) {
      xs[k] = x[k];
      ys[k] = static_cast<float>(e.Intercepts[j] + e.Slopes[j] * x[k]);
    }
    const int c = plot->AddCurve(n + 1, xs, ys);
    p.SetCurveStyle(c, kExtrapolationLineStyle);
    p.SetCurveColor(c, lineColour);
  }
  p.SetXTitle("1/sqrt(time)");
  p.SetYTitle("s(app)");
  p.nSymbolSize = 5;
  const auto& l = MainPlotLayout;
  p.Place(l.DataTop, l.PlotLeft, l.DataBottom, l.PlotRight);
  p.SetAutoRanges();
  p.Render();
  ExtrapolationPicture = std::move(plot);
}

// The distribution of every step computed so far, drawn over the
// distribution plot while the run goes on. The plot only borrows the
// curves, so they are let go only when the plot that shows them is replaced.
struct StepCurve {
  std::vector<float> s, values;  // one-based copies
  CVector x, y;
  std::unique_ptr<CCurve> curve;
};
std::vector<std::unique_ptr<StepCurve>> StepCurves;
bool StepPlotFresh = false;

void ShowStepCurve(TXLAWindow& window, const std::vector<float>& s,
                   const std::vector<float>& values) {
  auto& plots = display::DistributionPlots;
  if (!StepPlotFresh) {
    // A new plot over this run's grid; the curves of an earlier run go with
    // the plot that showed them.
    display::BuildDistributionPlot();
    StepCurves.clear();
    StepPlotFresh = true;
  }
  CWINPlot* plot = plots.DistributionPlot.get();
  const std::size_t n = std::min(s.size(), values.size());
  if (plot == nullptr || n < 3) return;
  auto c = std::make_unique<StepCurve>();
  c->s.assign(s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
  c->values.assign(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(n));
  c->x.AttachFrom(c->s.data(), static_cast<unsigned>(n - 1), 1);
  c->y.AttachFrom(c->values.data(), static_cast<unsigned>(n - 1), 1);
  c->curve = std::make_unique<CCurve>(&c->x, &c->y);
  plot->AddCurve(c->curve.get());
  plot->SetCurveStyle(plot->nCurves - 1, -1);
  plot->SetCurveColor(plot->nCurves - 1, platform::kBlack);
  StepCurves.push_back(std::move(c));
  display::RedrawDistributionPlotNow(window.Host());
}

void SyncSettings() {
  auto& s = LsgExtrapolationSettings;
  s.ShowPlot = ModelCommandState.ShowExtrapolationPlot;
  if (ParameterVector[11] >= 1.0f) s.Fractions = static_cast<int>(ParameterVector[11]);
  if (ParameterVector[3] >= 1.0f) s.ScansPerStep = static_cast<int>(ParameterVector[3]);
  // The switches of the model's parameter dialog.
  const ExtrapolationSwitches x = KeptExtrapolationSwitches;
  s.ConsecutiveSteps = x.noSlide;
  s.FitFractions = x.fitBoundaryFractions;
}

}  // namespace

void RunBoundaryAnalysis(TXLAWindow& window) {
  SyncSettings();
  CloseExtrapolationPlot(window);
  StepPlotFresh = false;
  const bool ok = ModelSelection.Kind == ModelKind::ExtrapolateLsGStar
                      ? RunLsgExtrapolation(window.Handle())
                      : RunVanHoldeWeischet(window.Handle());
  // A run stopped by a key keeps its partial step curves in view.
  if (!ok) return;
  display::BuildDistributionPlot();
  StepCurves.clear();
  if (LsgExtrapolationSettings.PlotShown) SetupExtrapolationPlot();
  ModelCommandState.ExtrapolationPlotShown = ExtrapolationPlotShown();
  RepaintMainWindow(window.Handle());
}

bool ExtrapolationPlotShown() {
  return ExtrapolationPicture != nullptr && LsgExtrapolationSettings.PlotShown;
}

void CloseExtrapolationPlot(TXLAWindow& window) {
  const bool was = ExtrapolationPicture != nullptr;
  ExtrapolationPicture.reset();
  FreeExtrapolationData();
  ModelCommandState.ExtrapolationPlotShown = false;
  if (was) RepaintMainWindow(window.Handle());
}

void InstallBoundaryAnalysisHooks(TXLAWindow& window) {
  TXLAWindow* w = &window;
  BoundaryAnalysisLinks.Text = [w](int x, int y, const std::string& text) {
    WriteWindowText(*w, x, y, text);
    ShowDirectDrawing(*w);
  };
  BoundaryAnalysisLinks.StepShown = [w](const std::vector<float>& s,
                                        const std::vector<float>& values) {
    ShowStepCurve(*w, s, values);
    ShowDirectDrawing(*w);
  };
  display::MainDisplayLinks.ExtrapolationPlot = [] {
    return ExtrapolationPlotShown() ? ExtrapolationPicture->pPlot->hMetaFile : platform::Metafile{};
  };
  ModelCommandLinks.ExtrapolationDataExist = [] { return ExtrapolationData.Exists(); };
  ModelCommandLinks.FreeExtrapolationData = [] {
    ExtrapolationPicture.reset();
    FreeExtrapolationData();
  };
}

void RemoveBoundaryAnalysisHooks() {
  display::MainDisplayLinks.ExtrapolationPlot = links::Unwired;
  BoundaryAnalysisLinks.Text = links::Unwired;
  BoundaryAnalysisLinks.StepShown = links::Unwired;
  ExtrapolationPicture.reset();
}
