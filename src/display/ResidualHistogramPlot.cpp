#include "display/ResidualHistogramPlot.h"

#include "data/DataSetLinks.h"
#include "data/ResidualHistogram.h"
#include "data/ScanDataSet.h"
#include "display/MainPlots.h"
#include "state/MainPlotLayout.h"

namespace display {

ResidualHistogramRecord ResidualHistogramData;

namespace {

constexpr int kBarStyle = 21;
constexpr int kGaussianStyle = 12;

std::unique_ptr<CVector> ViewOf(OneBasedArray<float>& a, int n) {
  auto v = std::make_unique<CVector>();
  v->AttachFrom(a.data(), static_cast<unsigned>(n), 1);
  return v;
}

}  // namespace

void ComputeResidualHistogram() {
  auto& h = ResidualHistogramData;
  h.HistogramBinCount =
      ResidualHistogram(&h.Centres, &h.LowerEdges, &h.UpperEdges, &h.Counts, &h.Gaussian, nullptr);
}

void FreeResidualHistogram() {
  auto& h = ResidualHistogramData;
  // The auxiliary plot views the curves: it must not keep them past here.
  if (MainPlots.AuxPlot) MainPlots.AuxPlot->ClearCurves();
  h.CountCurve.reset();
  h.GaussianCurve.reset();
  h.CountCentres.reset();
  h.GaussianCentres.reset();
  h.CountValues.reset();
  h.GaussianValues.reset();
  h.Centres = {};
  h.LowerEdges = {};
  h.UpperEdges = {};
  h.Counts = {};
  h.Gaussian = {};
  h.HistogramBinCount = 0;
}

void BuildResidualHistogram() {
  if (DlsDataMode) return;
  FreeResidualHistogram();
  ComputeResidualHistogram();
  auto& h = ResidualHistogramData;
  const int n = h.HistogramBinCount;
  if (n <= 0) return;
  h.CountCentres = ViewOf(h.Centres, n);
  h.GaussianCentres = ViewOf(h.Centres, n);
  h.CountValues = ViewOf(h.Counts, n);
  h.GaussianValues = ViewOf(h.Gaussian, n);
  h.CountCurve = std::make_unique<CCurve>(h.CountCentres.get(), h.CountValues.get());
  h.GaussianCurve = std::make_unique<CCurve>(h.GaussianCentres.get(), h.GaussianValues.get());
}

void AddHistogramCurves(CWINPlot& plot) {
  auto& h = ResidualHistogramData;
  if (h.HistogramBinCount <= 0 || !h.CountCurve) return;
  const int first = plot.nCurves;
  plot.AddCurve(h.CountCurve.get());
  plot.SetCurveStyle(first, kBarStyle);
  plot.SetBarEdges(first, h.LowerEdges.data(), h.UpperEdges.data(), h.HistogramBinCount);
  plot.SetCurveColor(first, platform::Rgb(100, 100, 100));
  plot.AddCurve(h.GaussianCurve.get());
  plot.SetCurveStyle(first + 1, kGaussianStyle);
  plot.SetCurveColor(first + 1, platform::Rgb(255, 0, 0));
}

void BuildHistogramPlot() {
  if (DlsDataMode) return;
  BuildResidualHistogram();
  MainPlots.AuxPlot = std::make_unique<CWINPlot>();
  PlaceHistogramPlot();
  AddHistogramCurves(*MainPlots.AuxPlot);
}

void UpdateHistogramPlot(bool render) {
  if (DlsDataMode || !MainDisplayOptions.ShowResidualsHistogram || !MainPlots.AuxPlot ||
      ScanDataSet.NFILES <= 0)
    return;
  BuildHistogramPlot();
  if (!render) return;
  MainPlots.AuxPlot->Relayout();
  MainPlots.AuxPlot->Render();
}

}  // namespace display
