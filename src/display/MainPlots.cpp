#include "display/MainPlots.h"

#include <memory>

#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "data/ResidualBitmap.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "display/ResidualHistogramPlot.h"
#include "display/ScanColours.h"
#include "state/DisplayState.h"
#include "state/MainPlotLayout.h"
#include "plot/PlotSettings.h"
#include "ui/WidgetLinks.h"
#include "ui/WindowProgressLine.h"

namespace display {

MainPlotsRecord MainPlots;

namespace {

// Curve point styles: connected line, open symbol, filled symbol.
constexpr int kLineStyle = -1;
constexpr int kSymbolStyle = 6;
constexpr int kSecondColumnStyle = 7;
// Interference data with more scans than this are drawn as lines.
constexpr int kMaxSymbolScans = 50;

struct AxisTitles {
  const char* data = nullptr;
  const char* residuals = nullptr;
};

AxisTitles TitlesForData() {
  const auto& o = ScanReaderOptions;
  if (o.AbsorbanceData && !o.FluorescenceData) return {"absorbance [OD]", "residuals [OD]"};
  if (o.IntensityData) return {"intensity", "intensity"};
  if (o.FluorescenceData) return {"fluorescence counts", "fluorescence counts"};
  if (o.InterferenceData) return {"fringes", "fringes"};
  if (DlsDataMode) {
    const auto& d = ScanDataSet;
    const bool field = d.DlsRecords.size() >= 1 && d.DlsRecords[1].HoldsFieldAcf;
    if (field) return {"g(1) field autocorrelation ", "g(1) field autocorrelation "};
    return {"g(2)-1 intensity autocorrelation ", "g(2)-1 intensity autocorrelation "};
  }
  return {};
}

void AddScanCurves() {
  auto& d = ScanDataSet;
  CWINPlot& data = *MainPlots.DataPlot;
  CWINPlot& residuals = *MainPlots.ResidualPlot;
  const int scans = d.NFILES;
  const int dataStyle = ScanReaderOptions.FluorescenceData ? kLineStyle : kSymbolStyle;
  for (int i = 1; i <= scans; ++i) {
    ScanPlotViews& v = d.ScanPlotVectors[static_cast<std::size_t>(d.ScanTimeOrder[i])];
    data.AddCurve(v.SignalCurve.get());
    data.SetCurveStyle(i - 1, dataStyle);
    data.SetCurveColor(i - 1, ScanColour(i));
    residuals.AddCurve(v.ResidualCurve.get());
    residuals.SetCurveStyle(i - 1, kLineStyle);
    residuals.SetCurveColor(i - 1, ScanColour(i));
  }
  if (ScanReaderOptions.IntensityData) {
    for (int i = 1; i <= scans; ++i) {
      ScanPlotViews& v = d.ScanPlotVectors[static_cast<std::size_t>(d.ScanTimeOrder[i])];
      if (!v.SecondColumnCurve) continue;
      data.AddCurve(v.SecondColumnCurve.get());
      data.SetCurveStyle(data.nCurves - 1, kSecondColumnStyle);
      data.SetCurveColor(data.nCurves - 1, ScanColour(i));
    }
  }
  if (ScanReaderOptions.InterferenceData) {
    data.nSymbolSize = 0;
    if (scans > kMaxSymbolScans)
      for (int c = 0; c < scans; ++c) data.SetCurveStyle(c, kLineStyle);
  } else {
    data.nSymbolSize = 2;
  }
}

bool HasDataCurves() {
  const auto& d = ScanDataSet;
  return d.NFILES >= 1 && d.ScanPlotVectors.size() > 1 && d.ScanPlotVectors[1].SignalCurve;
}

}  // namespace

void BuildMainDataPlots() {
  if (!HasDataCurves()) return;
  MainPlots.DataPlot = std::make_unique<CWINPlot>();
  MainPlots.ResidualPlot = std::make_unique<CWINPlot>();
  MainPlots.AuxPlot.reset();
  if (!DlsDataMode) MainPlots.AuxPlot = std::make_unique<CWINPlot>();
  LayoutMainPlots();
  AddScanCurves();
  MainPlots.DataPlot->ShowRightYLabels();
  if (MainPlots.AuxPlot) AddHistogramCurves(*MainPlots.AuxPlot);
  const AxisTitles titles = TitlesForData();
  if (titles.data) {
    MainPlots.DataPlot->SetYTitle(titles.data);
    MainPlots.ResidualPlot->SetYTitle(titles.residuals);
  }
}

void DestroyMainPlots() {
  MainPlots.DataPlot.reset();
  MainPlots.ResidualPlot.reset();
  MainPlots.AuxPlot.reset();
}

namespace {

// The residual bitmap takes one row per scan above the residual row.
int ResidualRowTop() {
  return MainPlotLayout.ResidualTop +
         (MainDisplayOptions.ShowResidualsBitmap ? ScanDataSet.NFILES : 0);
}

int HistogramSplit() {
  return MainPlotLayout.PlotRight - MainPlotLayout.HistogramWidth;
}

}  // namespace

void LayoutMainPlots() {
  const auto& l = MainPlotLayout;
  if (MainPlots.DataPlot)
    MainPlots.DataPlot->Place(l.DataTop, l.PlotLeft, l.DataBottom, l.PlotRight);
  const int right = MainDisplayOptions.ShowResidualsHistogram ? HistogramSplit() : l.PlotRight;
  if (MainPlots.ResidualPlot)
    MainPlots.ResidualPlot->Place(ResidualRowTop(), l.PlotLeft, l.ResidualBottom, right);
  PlaceHistogramPlot();
}

void PlaceHistogramPlot() {
  const auto& l = MainPlotLayout;
  if (!MainDisplayOptions.ShowResidualsHistogram || !MainPlots.AuxPlot) return;
  MainPlots.AuxPlot->bNoYAxis = true;
  MainPlots.AuxPlot->Place(ResidualRowTop(), HistogramSplit() + 10, l.ResidualBottom,
                           l.PlotRight);
}

void LayoutAndRenderMainPlots() {
  LayoutMainPlots();
  for (auto* plot :
       {MainPlots.DataPlot.get(), MainPlots.ResidualPlot.get(), MainPlots.AuxPlot.get()})
    if (plot) plot->Render();
}

void PlaceAndRenderDataPlot() {
  const auto& l = MainPlotLayout;
  if (!MainPlots.DataPlot) return;
  MainPlots.DataPlot->Place(l.DataTop, l.PlotLeft, l.ResidualBottom, l.PlotRight);
  MainPlots.DataPlot->Render();
}

void PlaceAndRenderResidualPlot() {
  const auto& l = MainPlotLayout;
  if (!MainPlots.ResidualPlot) return;
  // The histogram keeps its place at the right end of the residual row.
  const int right = MainDisplayOptions.ShowResidualsHistogram ? HistogramSplit() : l.PlotRight;
  MainPlots.ResidualPlot->Place(l.DataTop, l.PlotLeft, l.ResidualBottom, right);
  MainPlots.ResidualPlot->Render();
}

void RenderDataPlot(bool relayout) {
  if (!MainPlots.DataPlot) return;
  if (relayout) MainPlots.DataPlot->Relayout();
  MainPlots.DataPlot->Render();
}

namespace {
platform::Metafile PictureOf(const std::unique_ptr<CWINPlot>& plot) {
  return plot ? plot->hMetaFile : platform::Metafile{};
}
}  // namespace

platform::Metafile DataPlotMetafile() {
  return PictureOf(MainPlots.DataPlot);
}
platform::Metafile ResidualPlotMetafile() {
  return PictureOf(MainPlots.ResidualPlot);
}
platform::Metafile HistogramPlotMetafile() {
  return PictureOf(MainPlots.AuxPlot);
}

void UpdateResiduals(bool rangeFlag) {
  auto& d = ScanDataSet;
  CWINPlot* plot = MainPlots.ResidualPlot.get();
  if (!plot || d.NFILES <= 0) return;
  if (d.FitLeftLim == 0.0f || d.FitRightLim == 0.0f) {
    for (int i = 1; i <= d.NFILES; ++i)
      for (int j = 1; j <= d.ScanPointCount[i]; ++j)
        d.ScanResiduals[i][j] = d.ScanSignal[i][j] - d.ScanModel[i][j];
    if (rangeFlag) plot->Relayout();
  } else {
    for (int i = 1; i <= d.NFILES; ++i) {
      const int n = d.ScanPointCount[i];
      const int first = d.ScanFirstFitIndex[i] == 0 ? 1 : d.ScanFirstFitIndex[i];
      const int last = d.ScanLastFitIndex[i] == 0 ? n : d.ScanLastFitIndex[i];
      for (int j = 1; j <= n; ++j)
        d.ScanResiduals[i][j] =
            j >= first && j <= last ? d.ScanSignal[i][j] - d.ScanModel[i][j] : 0.0f;
    }
    if (rangeFlag) plot->SetXRangeAutoY(d.FitLeftLim, d.FitRightLim);
    RefreshScanRmsTable();
  }
  plot->Render();
}

namespace {

// The progress line of the running load, at 10, 10 of the main window.
std::unique_ptr<WindowProgressLine> LoadProgress;

}  // namespace

void InstallMainPlotHooks() {
  // The on-screen widgets lie out in the plots' space.
  WidgetLinks.PlotSpace = [] {
    WidgetPlotSpace space;
    space.AspectRatio = PlotSettings.AspectRatio;
    space.PlotHeight = PlotSettings.PlotHeight;
    return space;
  };
  ::ShowLoadProgress = [](platform::WindowHandle window, float fraction) {
    if (!LoadProgress) LoadProgress = std::make_unique<WindowProgressLine>(window, 10, 10);
    LoadProgress->Update(fraction);
  };
  ::RemoveLoadProgress = [] { LoadProgress.reset(); };
  ::BuildMainDataPlots = [] { BuildMainDataPlots(); };
  ::RenderDataPlot = [](bool relayout) { RenderDataPlot(relayout); };
  ::RenderResidualPlot = [] {
    if (MainPlots.ResidualPlot) MainPlots.ResidualPlot->Render();
  };
  ::UpdateHistogramPlot = [](bool render) { UpdateHistogramPlot(render); };
  ::BuildResidualHistogram = [] { BuildResidualHistogram(); };
  ::DestroyMainPlots = [] { DestroyMainPlots(); };
  ::ResidualPlotYRange = []() -> std::pair<float, float> {
    if (!MainPlots.ResidualPlot) return {0.0f, 0.0f};
    return {MainPlots.ResidualPlot->fYMin, MainPlots.ResidualPlot->fYMax};
  };
}

}  // namespace display
