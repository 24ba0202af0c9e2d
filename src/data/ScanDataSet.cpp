#include "data/ScanDataSet.h"

#include <algorithm>
#include <cassert>
#include <type_traits>
#include <utility>

#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/FitDataFiles.h"
#include "data/ScanReaderOptions.h"
#include "state/ContiNonidSimLink.h"

ScanDataSetRecord ScanDataSet;
DataFileLocationRecord DataFileLocation;

namespace {

template <class T>
void Grow(OneBasedArray<T>& slots, int count) {
  OneBasedArray<T> grown(1, count);
  for (int i = 1; i <= std::min(slots.hi(), count); ++i) grown[i] = std::move(slots[i]);
  slots = std::move(grown);
}

template <class Op>
void ForEachSlotArray(ScanDataSetRecord& d, Op op) {
  op(d.ScanFilePaths);
  op(d.ScanRadius);
  op(d.ScanSignal);
  op(d.ScanModel);
  op(d.ScanNoise);
  op(d.ScanResiduals);
  op(d.ScanSecondColumn);
  op(d.ScanHeaders);
  op(d.ScanPointCount);
  op(d.ScanTimeOrder);
  op(d.ScanFirstFitIndex);
  op(d.ScanLastFitIndex);
}

std::unique_ptr<CVector> ViewOf(ScanArray& a, int n) {
  auto v = std::make_unique<CVector>();
  v->AttachFrom(a.data(), static_cast<unsigned>(n), 1);
  return v;
}

}  // namespace

void AllocScanSlots(int count) {
  ForEachSlotArray(ScanDataSet, [count](auto& slots) { slots.Resize(1, count); });
  ScanDataSet.ScanPlotVectors.clear();
  ScanDataSet.ScanPlotVectors.resize(static_cast<std::size_t>(count) + 1);
}

void GrowScanSlots(int count) {
  ForEachSlotArray(ScanDataSet, [count](auto& slots) { Grow(slots, count); });
  ScanDataSet.ScanPlotVectors.resize(static_cast<std::size_t>(count) + 1);
}

void BuildScanPlotVectors(int i) {
  auto& d = ScanDataSet;
  const int n = d.ScanPointCount[i];
  assert(i >= 1 && static_cast<std::size_t>(i) < d.ScanPlotVectors.size());
  ScanPlotViews& v = d.ScanPlotVectors[static_cast<std::size_t>(i)];
  v = ScanPlotViews{};
  v.Radius = ViewOf(d.ScanRadius[i], n);
  v.Signal = ViewOf(d.ScanSignal[i], n);
  v.Model = ViewOf(d.ScanModel[i], n);
  v.Residuals = ViewOf(d.ScanResiduals[i], n);
  v.SignalCurve = std::make_unique<CCurve>(v.Radius.get(), v.Signal.get());
  v.ModelCurve = std::make_unique<CCurve>(v.Radius.get(), v.Model.get());
  v.ResidualCurve = std::make_unique<CCurve>(v.Radius.get(), v.Residuals.get());
  if (ScanReaderOptions.IntensityData && d.ScanSecondColumn[i].size() == n) {
    v.SecondColumn = ViewOf(d.ScanSecondColumn[i], n);
    v.SecondColumnCurve = std::make_unique<CCurve>(v.Radius.get(), v.SecondColumn.get());
  }
}

void FreeDataSet() {
  auto& d = ScanDataSet;
  WorstScanIndex = 0;
  FreeNonlinearDetectionArrays();
  // The views borrow the point arrays, so they go first.
  d.ScanPlotVectors.clear();
  ForEachSlotArray(d, [](auto& slots) { slots = std::decay_t<decltype(slots)>{}; });
  DestroyContiNonidSim();
  d.DlsRecords = OneBasedArray<DlsRecord>{};
  FreeCommonRadialGrid();
  DestroyMainPlots();
  d.NFILES = 0;
  SminWarningAccepted = false;
  d.DataChanged = true;
}
