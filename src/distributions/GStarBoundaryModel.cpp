#include "distributions/GStarBoundaryModel.h"

#include <cmath>
#include <cstddef>

#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "distributions/ContiGrid.h"
#include "distributions/StoredDistribution.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "models/GlobalLammState.h"
#include "models/LinearParameters.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"

namespace {

void ShowBox(platform::WindowHandle window, const char* text) {
  platform::Current().ShowMessageBox(
      {window, text, "", platform::BoxIcon::None, platform::BoxButtons::Ok});
}

void ClearModels() {
  ScanDataSetRecord& d = ScanDataSet;
  for (int j = 1; j <= d.NFILES; ++j)
    for (int k = 1; k <= d.ScanPointCount[j]; ++k) d.ScanModel[j][k] = 0.0f;
  // The model on the common grid is the signal of component 1 alone.
  for (int i = 1; i <= NCOMP; ++i)
    for (int j = 1; j <= d.NFILES; ++j) {
      auto& row = SpeciesSignals.SpeciesBasis[i][j];
      for (int k = row.lo(); k <= row.hi(); ++k) row[k] = 0.0f;
    }
}

struct FitRange {
  int first = 1, last = 0;
};

// A fit range inside 1..size; an unset end means the whole side.
FitRange Clamped(int first, int last, int size) {
  FitRange r;
  r.first = first >= 1 ? first : 1;
  r.last = last >= r.first && last <= size ? last : size;
  return r;
}

FitRange ScanRange(int j) {
  const ScanDataSetRecord& d = ScanDataSet;
  const int n = d.ScanPointCount[j];
  return Clamped(d.ScanFirstFitIndex.size() ? d.ScanFirstFitIndex[j] : 1,
                 d.ScanLastFitIndex.size() ? d.ScanLastFitIndex[j] : n, n);
}

// One boundary per bin: the plateau A exp(-2 w s) from the radius
// meniscus exp(w s) outwards (w = omega^2 t, s in units of 1e-13 s).
void AddBoundaries(const float* sStar, const float* gStar, int n) {
  ScanDataSetRecord& d = ScanDataSet;
  const CommonRadialGridRecord& g = CommonRadialGrid;
  const float ds = n >= 2 ? sStar[2] - sStar[1] : 0.0f;
  const double meniscus = ModelParameters.Meniscus;
  for (int i = 1; i <= n; ++i) {
    const float amplitude = ds * gStar[i];
    if (!(amplitude > 0.0f)) continue;
    for (int j = 1; j <= d.NFILES; ++j) {
      const double ws = d.ScanHeaders[j].Omega2t * sStar[i] * 1e-13;
      const float plateau = static_cast<float>(amplitude * std::exp(-2.0 * ws));
      const double boundary = meniscus * std::exp(ws);
      auto& grid = SpeciesSignals.SpeciesBasis[1][j];
      const FitRange gr = Clamped(g.GridFirstFitIndex, g.GridLastFitIndex, g.CommonGridSize);
      for (int k = gr.first; k <= gr.last; ++k)
        if (g.CommonGrid[k] >= boundary) grid[k] += plateau;
      const FitRange sr = ScanRange(j);
      for (int k = sr.first; k <= sr.last; ++k)
        if (d.ScanRadius[j][k] >= boundary) d.ScanModel[j][k] += plateau;
    }
  }
}

// The noise of the discrete models, fitted to the boundaries at loading 1;
// component 1 alone carries them and keeps that set-up afterwards.
void FitNoiseToBoundaries() {
  ModelParametersRecord& mp = ModelParameters;
  const ModelKind kept = ModelSelection.Kind;
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  mp.ComponentOn[1] = 1;
  mp.Concentration[1] = 1.0f;
  ParameterVector[9] = 1.0f;
  for (int i = 2; i <= NCOMP; ++i) mp.ComponentOn[i] = 0;
  SpeciesSignals.SpeciesAmplitude[1] = 1.0f;
  GlobalLammRun.FirstSimulatedScan = 1;
  if (FitControl.TINoiseFitted && mp.RINoiseFitted)
    FitTiRiNoise();
  else if (FitControl.TINoiseFitted)
    FitTiNoise();
  else if (mp.SystematicNoiseOn)
    FitBaselineOffset();
  else
    AddBaselineToModel();
  ModelSelection.Kind = kept;
}

// The ls-g*(s) model shows the file's distribution in place of its own.
void ShowAsStoredDistribution(const float* sStar, const float* gStar, int n) {
  if (ModelSelection.Kind != ModelKind::LsGStar) return;
  DistributionSettings.DistGridSize = n;
  ResizeDistributionGrids(n);
  DistributionResultRecord& r = DistributionResult;
  for (int i = 1; i <= n; ++i) {
    r.DistSGrid[static_cast<std::size_t>(i)] = sStar[i];
    r.DistMGrid[static_cast<std::size_t>(i)] = 1.0f;
    r.DistValues[static_cast<std::size_t>(i)] = gStar[i];
  }
  if (GridServices.BuildDistributionPlot) GridServices.BuildDistributionPlot();
  if (StoredDistributionServices.RenderDistributionPlot)
    StoredDistributionServices.RenderDistributionPlot();
}

}  // namespace

float GStarToBoundaryModel(platform::WindowHandle window, float** columns, int columnCount,
                           int n) {
  ScanDataSetRecord& d = ScanDataSet;
  if (d.NFILES < 1 || columns == nullptr || columnCount < 2 || n < 1) return 0.0f;
  ModelParametersRecord& mp = ModelParameters;
  if (mp.Meniscus == 0.0f || mp.Bottom == 0.0f) {
    ShowBox(window, "set Meniscus and Bottom first");
    return 0.0f;
  }
  if (d.FitLeftLim == 0.0f) {
    d.FitLeftLim = mp.Meniscus;
    SetFirstFitIndex();
  }
  if (d.FitRightLim == 0.0f) {
    d.FitRightLim = mp.Bottom;
    SetLastFitIndex();
  }
  UnpackParameterVector();
  if (!PrepareSpeciesBasis()) return 0.0f;
  ClearModels();
  AddBoundaries(columns[1], columns[2], n);
  FitNoiseToBoundaries();
  ShowAsStoredDistribution(columns[1], columns[2], n);
  return ScanRmsd();
}
