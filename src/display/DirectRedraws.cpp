#include "display/DirectRedraws.h"

#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/InitialDistribution.h"
#include "data/ScanDataSet.h"
#include "display/CursorLineDrawing.h"
#include "display/DisplayLinks.h"
#include "display/MainPlots.h"
#include "display/ScanColours.h"
#include "display/WindowCoordinates.h"
#include "state/CursorLines.h"
#include "state/MainPlotLayout.h"
#include "state/ScreenModes.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "plot/PlotSettings.h"

namespace display {

namespace {

constexpr int kOverlayLineStyle = -1;

template <class Draw>
void OnWindow(platform::WindowHost* window, Draw draw) {
  if (window) draw(window->ClientCanvas(), window->ClientSize());
}

// The solid lines of RedrawDataPlotNow: the ranges are left out, and the
// lines the keyboard cursor is placing.
void DrawDataPlotLines(platform::Canvas& window, const CWINPlot& plot) {
  const auto& d = ScanDataSet;
  const KeyCursorMode mode = CursorLineState.Mode;
  const bool mstar = ScreenModes.MStarScreenActive;
  const auto line = [&](float value, CursorLineKind kind) {
    DrawCursorLine(window, ValueToWindowX(plot, value), CursorLineColour(kind));
  };
  const float meniscus = ModelParameters.Meniscus;
  if (meniscus != 0.0f && mode != KeyCursorMode::SetMeniscusOrBottom) {
    line(meniscus, CursorLineKind::MeniscusLine);
    const std::optional<float> reference =
        MainDisplayLinks.ReferenceMeniscus ? MainDisplayLinks.ReferenceMeniscus() : std::nullopt;
    if (reference && mode != KeyCursorMode::SetReferenceMeniscus &&
        InsidePlotFrameX(plot, *reference))
      line(*reference, CursorLineKind::ReferenceMeniscusLine);
  }
  if (ModelParameters.Bottom != 0.0f) line(ModelParameters.Bottom, CursorLineKind::BottomLine);
  if (d.FitLeftLim != 0.0f && !mstar && mode != KeyCursorMode::SetFitLimit)
    line(d.FitLeftLim, CursorLineKind::FitLeftLine);
  if (d.FitRightLim != 0.0f && !mstar) line(d.FitRightLim, CursorLineKind::FitRightLine);
}

}  // namespace

void ReplayInPlotSpace(platform::Canvas& window, platform::Size client,
                       const platform::Metafile& picture) {
  if (picture.IsNull()) return;
  window.Save();
  window.SetMapMode(platform::MapMode::Anisotropic);
  window.SetWindowOrigin({0, 0});
  window.SetViewportOrigin({0, 0});
  window.SetWindowExtent(PlotSpaceSize());
  window.SetViewportExtent(client);
  picture.Play(window);
  window.Restore();
}

void ReplayDataPlotOverlays(platform::Canvas& window, platform::Size client) {
  const CWINPlot* plot = MainPlots.DataPlot.get();
  if (!plot) return;
  auto& d = ScanDataSet;
  if (MainDisplayLinks.ModelCurvesReady && MainDisplayLinks.ModelCurvesReady()) {
    // The model curves in the colours of their data curves (time order).
    for (int i = 1; i <= d.NFILES; ++i) {
      const ScanPlotViews& v = d.ScanPlotVectors[static_cast<std::size_t>(d.ScanTimeOrder[i])];
      if (!v.ModelCurve) continue;
      ReplayInPlotSpace(window, client,
                        plot->RenderOverlay(*v.ModelCurve, ScanColour(i), kOverlayLineStyle, 1));
    }
  }
  auto& g = CommonRadialGrid;
  if (FitControl.TINoiseFitted && g.TINoise.size() > 0 && g.CommonGridSize > 0 && g.CommonGrid)
    ReplayInPlotSpace(window, client,
                      plot->RenderOverlayArrays(g.CommonGrid, g.TINoise.data(), g.CommonGridSize,
                                                platform::kBlack, kOverlayLineStyle, 1));
  auto& initial = InitialDistribution;
  if (ModelParameters.InitialConcentrationExperimental && initial.Count > 0)
    ReplayInPlotSpace(
        window, client,
        plot->RenderOverlayArrays(initial.Radius.data(), initial.Signal.data(), initial.Count,
                                  platform::Rgb(0, 255, 0), kOverlayLineStyle, 0));
}

void RedrawDataPlotNow(platform::Canvas& window, platform::Size client) {
  const CWINPlot* plot = MainPlots.DataPlot.get();
  if (!MainDisplayOptions.ShowData || !plot) return;
  ReplayInPlotSpace(window, client, plot->hMetaFile);
  DrawDataPlotLines(window, *plot);
  if (CursorLineState.CursorLineShown)
    XorCursorLine(window, ValueToWindowX(*plot, CursorLineState.CursorValue), false);
  ReplayDataPlotOverlays(window, client);
}

void RedrawResidualPlotsNow(platform::Canvas& window, platform::Size client) {
  if (!MainPlots.ResidualPlot) return;
  ReplayInPlotSpace(window, client, MainPlots.ResidualPlot->hMetaFile);
  if (MainDisplayOptions.ShowResidualsHistogram && !DlsDataMode && MainPlots.AuxPlot)
    ReplayInPlotSpace(window, client, MainPlots.AuxPlot->hMetaFile);
}

void RedrawDistributionPlotNow(platform::Canvas& window, platform::Size client) {
  const ModelKind kind = ModelSelection.Kind;
  if (!IsContinuousModel(kind) && !IsVanHoldeWeischetFamily(kind)) return;
  if (!MainDisplayLinks.RedrawDistributionPlot) return;
  ReplayInPlotSpace(window, client, MainDisplayLinks.RedrawDistributionPlot());
}

void RedrawDataPlotNow(platform::WindowHost* window) {
  OnWindow(window, [](platform::Canvas& c, platform::Size s) { RedrawDataPlotNow(c, s); });
}
void RedrawResidualPlotsNow(platform::WindowHost* window) {
  OnWindow(window, [](platform::Canvas& c, platform::Size s) { RedrawResidualPlotsNow(c, s); });
}
void RedrawDistributionPlotNow(platform::WindowHost* window) {
  OnWindow(window, [](platform::Canvas& c, platform::Size s) { RedrawDistributionPlotNow(c, s); });
}

}  // namespace display
