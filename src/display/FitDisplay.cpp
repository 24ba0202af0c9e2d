#include "display/FitDisplay.h"

#include <utility>

#include "data/ScanDataSet.h"
#include "display/ClientPixels.h"
#include "display/DirectRedraws.h"
#include "display/MainPlots.h"
#include "display/ResidualHistogramPlot.h"
#include "display/ScanColours.h"
#include "state/DisplayState.h"
#include "state/MainPlotLayout.h"
#include "models/FitDriver.h"
#include "models/FitResultDisplay.h"

namespace display {

namespace {

// Model curves are drawn as plain lines of one pixel.
constexpr int kModelCurveStyle = -1;
constexpr int kModelCurveWidth = 1;

bool Drawable(const platform::WindowHost* window) {
  return window != nullptr && DrawingAllowed;
}

void DrawModelCurves(platform::WindowHost& window, const CWINPlot& plot) {
  const ScanDataSetRecord& d = ScanDataSet;
  const platform::Size client = window.ClientSize();
  for (int i = 1; i <= d.NFILES; ++i) {
    const auto scan = static_cast<std::size_t>(d.ScanTimeOrder[i]);
    if (scan >= d.ScanPlotVectors.size()) continue;
    const CCurve* model = d.ScanPlotVectors[scan].ModelCurve.get();
    if (!model) continue;
    ReplayInPlotSpace(
        window.ClientCanvas(), client,
        plot.RenderOverlay(*model, ScanColour(i), kModelCurveStyle, kModelCurveWidth));
  }
}

void DrawResidualPlots(platform::WindowHost& window) {
  const MainDisplayOptionsRecord& o = MainDisplayOptions;
  if (!o.ShowResiduals || !MainPlots.ResidualPlot) return;
  const platform::Size client = window.ClientSize();
  display::UpdateResiduals(true);
  ReplayInPlotSpace(window.ClientCanvas(), client, ResidualPlotMetafile());
  if (!o.ShowResidualsHistogram || !MainPlots.AuxPlot) return;
  display::UpdateHistogramPlot(true);
  ReplayInPlotSpace(window.ClientCanvas(), client, HistogramPlotMetafile());
}

}  // namespace

void ShowEvaluationProgress(platform::WindowHost* window, const std::string& first,
                            const std::string& second) {
  if (!Drawable(window)) return;
  InClientPixels(*window, [&](platform::Canvas& c) {
    c.SetBackgroundMode(platform::BackgroundMode::Opaque);
    c.SetBackgroundColor(platform::kWhite);
    c.SetTextColor(platform::kBlack);
    c.SetTextAlign(platform::TextAlign{});
    c.TextOut({EvaluationProgressX, EvaluationProgressY}, first);
    if (!second.empty()) c.TextOut({EvaluationProgressX, EvaluationProgressSecondY}, second);
  });
}

void DrawFinalFit(platform::WindowHost* window) {
  const CWINPlot* plot = MainPlots.DataPlot.get();
  if (!plot || !Drawable(window)) return;
  InClientPixels(*window, [](platform::Canvas& c) { FitResultText(c); });
  // The data plot itself stays as the paint before left it; without the data
  // shown its place belongs to the residual plot.
  if (MainDisplayOptions.ShowData) DrawModelCurves(*window, *plot);
  DrawResidualPlots(*window);
}

void InstallFitDisplayLinks(std::function<platform::WindowHost*()> window) {
  const auto host = [window = std::move(window)]() -> platform::WindowHost* {
    return window ? window() : nullptr;
  };
  FitDisplayLinks.DrawFinalFit = [host](platform::WindowHandle) { DrawFinalFit(host()); };
  FitDisplayLinks.ShowEvaluationProgress = [host](platform::WindowHandle, const std::string& first,
                                                  const std::string& second) {
    ShowEvaluationProgress(host(), first, second);
  };
}

}  // namespace display
