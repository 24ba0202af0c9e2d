#include "display/PrintedPage.h"

#include <cmath>
#include <vector>

#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/InitialDistribution.h"
#include "data/ScanDataSet.h"
#include "display/DisplayLinks.h"
#include "display/MainPlots.h"
#include "display/ResidualHistogramPlot.h"
#include "display/ScanColours.h"
#include "display/WindowCoordinates.h"
#include "state/CursorLines.h"
#include "state/MainPlotLayout.h"
#include "state/ScreenModes.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"

namespace display {

namespace {

constexpr int kOverlayLineStyle = -1;

// Colours of every curve of the plot, to be put back after a black print.
std::vector<platform::Color> CurveColours(const CWINPlot& plot) {
  std::vector<platform::Color> colours;
  for (int c = 0; c < plot.nCurves; ++c) colours.push_back(plot.GetCurveColor(c));
  return colours;
}

void SetCurveColours(CWINPlot& plot, const std::vector<platform::Color>& colours) {
  for (int c = 0; c < plot.nCurves && c < static_cast<int>(colours.size()); ++c)
    plot.SetCurveColor(c, colours[static_cast<std::size_t>(c)]);
}

void Play(platform::Canvas& page, const platform::Metafile& picture) {
  picture.Play(page);
}

// Model curves in the given colour (black), or each in its scan's colour.
void PlayModelCurves(platform::Canvas& page, const CWINPlot& plot, bool black) {
  auto& d = ScanDataSet;
  for (int i = 1; i <= d.NFILES; ++i) {
    const ScanPlotViews& v = d.ScanPlotVectors[static_cast<std::size_t>(d.ScanTimeOrder[i])];
    if (!v.ModelCurve) continue;
    const platform::Color colour = black ? platform::kBlack : ScanColour(i);
    Play(page, plot.RenderOverlay(*v.ModelCurve, colour, kOverlayLineStyle, 1));
  }
}

void PlayNoiseOverlay(platform::Canvas& page, const CWINPlot& plot) {
  auto& g = CommonRadialGrid;
  if (FitControl.TINoiseFitted && g.TINoise.size() > 0 && g.CommonGridSize > 0 && g.CommonGrid)
    Play(page, plot.RenderOverlayArrays(g.CommonGrid, g.TINoise.data(), g.CommonGridSize,
                                        platform::kBlack, kOverlayLineStyle, 1));
}

void PlayInitialDistribution(platform::Canvas& page, const CWINPlot& plot) {
  auto& initial = InitialDistribution;
  if (ModelParameters.InitialConcentrationExperimental && initial.Count > 0)
    Play(page, plot.RenderOverlayArrays(initial.Radius.data(), initial.Signal.data(), initial.Count,
                                        platform::Rgb(0, 255, 0), kOverlayLineStyle, 0));
}

// The meniscus, reference meniscus, bottom and fit-limit lines in the
// page's pen, in client pixels that the page's mapping places.
void DrawPageLines(platform::Canvas& page, const CWINPlot& plot) {
  const auto& d = ScanDataSet;
  const KeyCursorMode mode = CursorLineState.Mode;
  const auto& l = MainPlotLayout;
  const int top = static_cast<int>(std::floor(l.DataTop * l.ClientHeight / 1000.0f));
  const int bottom = static_cast<int>(std::floor(l.DataBottom * l.ClientHeight / 1000.0f));
  const auto line = [&](float value) {
    const int x = ValueToWindowX(plot, value);
    page.MoveTo({x, top});
    page.LineTo({x, bottom});
  };
  const float meniscus = ModelParameters.Meniscus;
  if (meniscus != 0.0f && mode != KeyCursorMode::SetMeniscusOrBottom) {
    line(meniscus);
    const std::optional<float> reference =
        MainDisplayLinks.ReferenceMeniscus ? MainDisplayLinks.ReferenceMeniscus() : std::nullopt;
    if (reference && mode != KeyCursorMode::SetReferenceMeniscus) line(*reference);
  }
  if (ModelParameters.Bottom != 0.0f) line(ModelParameters.Bottom);
  if (d.FitLeftLim != 0.0f && mode != KeyCursorMode::SetFitLimit) line(d.FitLeftLim);
  if (d.FitRightLim != 0.0f) line(d.FitRightLim);
}

bool AskForFitInformation(platform::WindowHandle owner) {
  platform::BoxRequest box;
  box.owner = owner;
  box.text = "print with last best-fit information?";
  box.caption = "Printing";
  box.icon = platform::BoxIcon::Question;
  box.buttons = platform::BoxButtons::YesNo;
  return platform::Current().ShowMessageBox(box) == platform::BoxAnswer::Yes;
}

}  // namespace

void PrintMainPlots(platform::Canvas& page, platform::WindowHandle owner) {
  const auto& o = MainDisplayOptions;
  CWINPlot* data = MainPlots.DataPlot.get();
  CWINPlot* residuals = MainPlots.ResidualPlot.get();
  page.Save();
  if (o.ShowResiduals) {
    UpdateResiduals(true);
    if (o.ShowResidualsHistogram) UpdateHistogramPlot();
  }
  // The page shows the scans in black; the screen gets its colours back.
  std::vector<platform::Color> dataColours, residualColours;
  for (auto [plot, saved] :
       {std::pair{data, &dataColours}, std::pair{residuals, &residualColours}}) {
    if (!plot) continue;
    *saved = CurveColours(*plot);
    SetCurveColours(*plot, std::vector<platform::Color>(saved->size(), platform::kBlack));
    plot->Render();
    SetCurveColours(*plot, *saved);
  }
  if (data && o.ShowData) Play(page, data->hMetaFile);
  const ModelKind kind = ModelSelection.Kind;
  if ((IsContinuousModel(kind) || IsVanHoldeWeischetFamily(kind)) &&
      !ScreenModes.DisplayHoldForCalibration && MainDisplayLinks.RedrawDistributionPlot)
    Play(page, MainDisplayLinks.RedrawDistributionPlot());
  if (data) {
    const bool modelCurves =
        MainDisplayLinks.ModelCurvesReady && MainDisplayLinks.ModelCurvesReady();
    if (o.ShowData) {
      if (modelCurves) PlayModelCurves(page, *data, false);
      PlayInitialDistribution(page, *data);
      PlayNoiseOverlay(page, *data);
    }
    if (o.ShowResiduals && residuals) Play(page, residuals->hMetaFile);
    DrawPageLines(page, *data);
    if (modelCurves) PlayModelCurves(page, *data, true);
    PlayNoiseOverlay(page, *data);
  }
  if (AskForFitInformation(owner) && MainDisplayLinks.PaintFitResultLines)
    MainDisplayLinks.PaintFitResultLines(page, 300, 100);
  if (data) data->Render();
  if (residuals) residuals->Render();
  page.Restore();
}

}  // namespace display
