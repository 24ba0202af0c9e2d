// Storing a solved distribution as a density, and the transforms of a
// stored distribution.

#include "distributions/StoredDistribution.h"

#include <cassert>
#include <cmath>
#include <cstddef>

#include "state/LoadOptions.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/DlsLoading.h"
#include "data/ScanDataSet.h"
#include "distributions/BestFitSignal.h"
#include "distributions/ContiGrid.h"
#include "distributions/DistributionArrays.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "state/DistributionShown.h"
#include "state/ModelParameters.h"
#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "numerics/Hydrodynamics.h"
#include "ui/Boxes.h"

namespace {

StoredDistributionServicesRecord DefaultServices() {
  StoredDistributionServicesRecord services;
  services.CalculateppAFit = [](platform::WindowHandle) { CalculateppAFit(); };
  return services;
}

}  // namespace

StoredDistributionServicesRecord StoredDistributionServices = DefaultServices();

// ---- Layout ------------------------------------------------------------------

bool DensityFirstPointSeparate(ModelKind kind, const DistributionLayoutFlags& flags) {
  switch (kind) {
    case ModelKind::CSWithOneDiscrete:
    case ModelKind::CSWithMsTable:
    case ModelKind::CSBimodalFf0OneDiscrete:
    case ModelKind::LsGStarOneDiscrete:
      return true;
    case ModelKind::HybridCSLsGStar:
      return flags.HybridIncludesDiscrete || flags.BufferMismatchOn;
    case ModelKind::NonidealCS:
      return flags.NonidealExtraSpecies || flags.BufferMismatchOn;
    default:
      return flags.BufferMismatchOn;
  }
}

bool IntegralFirstPointSeparate(ModelKind kind, const DistributionLayoutFlags& flags) {
  switch (kind) {
    case ModelKind::CSFf0OneDiscrete:
    case ModelKind::CSWithOneDiscrete:
    case ModelKind::CSWithMsTable:
    case ModelKind::CSBimodalFf0OneDiscrete:
    case ModelKind::NonidealCS:
    case ModelKind::LsGStarOneDiscrete:
      return true;
    case ModelKind::HybridCSLsGStar:
      return flags.HybridIncludesDiscrete || flags.BufferMismatchOn;
    default:
      return flags.BufferMismatchOn;
  }
}

DistributionLayoutFlags CurrentDistributionLayoutFlags() {
  const auto& services = StoredDistributionServices;
  DistributionLayoutFlags flags;
  flags.HybridIncludesDiscrete = DistributionSettings.HybridIncludesDiscrete;
  flags.BufferMismatchOn = services.BufferMismatchOn && services.BufferMismatchOn();
  flags.NonidealExtraSpecies = services.NonidealExtraSpecies && services.NonidealExtraSpecies();
  return flags;
}

// ---- Conversions on arrays -----------------------------------------------------

void AmplitudesToDensity(std::vector<float>& v, const std::vector<float>& x, int n,
                         DensityWidths widths) {
  const int first = widths == DensityWidths::AbsoluteAfterFirst ? 2 : 1;
  // A single point of the continuous part has no neighbour to measure its
  // width against: it stays an amplitude.
  if (n - first + 1 < 2) return;
  assert(v.size() > static_cast<std::size_t>(n) && x.size() > static_cast<std::size_t>(n));
  auto span = [&](int lo, int hi) {
    const double d = static_cast<double>(x[hi]) - x[lo];
    return widths == DensityWidths::Signed ? d : std::fabs(d);
  };
  v[first] = static_cast<float>(2.0 * v[first] / span(first, first + 1));
  for (int i = first + 1; i < n; ++i) v[i] = static_cast<float>(v[i] / (span(i - 1, i + 1) / 2.0));
  v[n] = static_cast<float>(2.0 * v[n] / span(n - 1, n));
}

void DensityToCumulative(std::vector<float>& v, const std::vector<float>& x, int n, int first,
                         bool signedWidths) {
  assert(first >= 1);
  if (n < first) return;
  assert(v.size() > static_cast<std::size_t>(n) && x.size() > static_cast<std::size_t>(n));
  double integral = 0.0;
  double previous = v[first];
  v[first] = 0.0f;
  for (int j = first + 1; j <= n; ++j) {
    const double current = v[j];
    const double d = static_cast<double>(x[j]) - x[j - 1];
    integral += (previous + current) / 2.0 * (signedWidths ? d : std::fabs(d));
    v[j] = static_cast<float>(integral);
    previous = current;
  }
}

double TrapezoidArea(const std::vector<float>& v, const std::vector<float>& x, int n) {
  if (n < 2) return 0.0;
  assert(v.size() > static_cast<std::size_t>(n) && x.size() > static_cast<std::size_t>(n));
  double area = 0.0;
  for (int i = 2; i <= n; ++i)
    area += (static_cast<double>(v[i - 1]) + v[i]) / 2.0 * (static_cast<double>(x[i]) - x[i - 1]);
  return area;
}

// ---- The program's stored distribution -----------------------------------------

namespace {

DistributionResultRecord& Result() {
  return DistributionResult;
}

int GridSize() {
  return DistributionSettings.DistGridSize;
}

bool CombinedSetting() {
  return DistributionSettings.RegularizationType.BothRegularizations;
}

void RenderPlot() {
  if (StoredDistributionServices.RenderDistributionPlot)
    StoredDistributionServices.RenderDistributionPlot();
}

void SetXTitle(const std::string& title) {
  if (StoredDistributionServices.SetDistributionXTitle)
    StoredDistributionServices.SetDistributionXTitle(title);
}

// The grid is s (or a velocity), not M or a light-scattering axis.
bool IsSBasedModel(ModelKind kind) {
  return !IsMolarMassGridModel(kind) && !IsLightScatteringModel(kind);
}

// Largest s whose boundary is still inside the fit range of the earliest
// scan: ln(r_R / meniscus) / (omega^2 t). Infinite when the data do not
// tell (nothing is then cut off).
float ObservableSLimit() {
  const auto& data = ScanDataSet;
  const auto& grid = CommonRadialGrid;
  const float meniscus = ModelParameters.Meniscus;
  if (data.NFILES < 1 || grid.CommonGridSize < 1 || meniscus <= 0) return INFINITY;
  const int right = grid.GridLastFitIndex >= 1 ? grid.GridLastFitIndex : grid.CommonGridSize;
  const double w2t = data.ScanHeaders[data.ScanTimeOrder[1]].Omega2t;
  const double rR = grid.CommonGrid[right];
  if (w2t <= 0 || rR <= 0) return INFINITY;
  return static_cast<float>(1e13 * std::log(rR / meniscus) / w2t);
}

void CutBeyondObservableS(int n) {
  DistributionGrid.MaxObservableS = ObservableSLimit();
  auto& r = Result();
  for (int i = 1; i <= n; ++i) {
    if (r.DistSGrid[i] > DistributionGrid.MaxObservableS) {
      r.DistValues[i] = 0.0f;
      r.DistSecondValues[i] = 0.0f;
    }
  }
}

// The abscissae of the densities of light-scattering data: decades of Rh
// (or D), or nm of Rh (or F of D).
std::vector<float> LightScatteringAxis(ModelKind kind, int n) {
  const bool byD = kind == ModelKind::DlsID;
  std::vector<float> x = byD ? Result().DistMGrid : Result().DistSGrid;
  if (DistributionSettings.DlsLinearDensity) {
    const double shift = byD ? 7.0 : 9.0;
    for (int i = 1; i <= n; ++i) x[i] = static_cast<float>(std::pow(10.0, x[i] + shift));
  }
  return x;
}

void ScaleValues(std::vector<float>& v, int n, double factor) {
  for (int i = 1; i <= n; ++i) v[i] = static_cast<float>(v[i] * factor);
}

}  // namespace

// Copies the solved amplitudes into DistValues: the s marginal (sum over the
// f/f0 rows) for the s x f/f0 models.
void TakeSolution(ModelKind kind, int n) {
  auto& r = Result();
  const auto& neq = NormalEquations;
  if (!neq.Exists()) return;
  if (IsTwoDimensionalModel(kind)) {
    const int total = DistributionSettings.Grid2DSize;
    const int rows = static_cast<int>(DistributionSettings.Ff0GridCount);
    assert(neq.Size >= total);
    r.Grid2DAmplitudes.assign(static_cast<std::size_t>(total) + 1, 0.0f);
    for (int k = 1; k <= total; ++k)
      r.Grid2DAmplitudes[k] = static_cast<float>(neq.DistSolution[k]);
    for (int i = 1; i <= n; ++i) {
      double sum = 0.0;
      for (int c = 1; c <= rows && (c - 1) * n + i <= total; ++c)
        sum += r.Grid2DAmplitudes[(c - 1) * n + i];
      r.DistValues[i] = static_cast<float>(sum);
    }
    return;
  }
  assert(neq.Size >= n);
  for (int i = 1; i <= n; ++i) {
    r.DistValues[i] = static_cast<float>(neq.DistSolution[i]);
    r.DistSecondValues[i] = static_cast<float>(neq.SavedTikhonovSolution[i]);
  }
}

void StoreDistributionResult(platform::WindowHandle window) {
  const auto& services = StoredDistributionServices;
  if (services.CalculateppAFit) services.CalculateppAFit(window);
  if (services.RestoreDetectionView) services.RestoreDetectionView();

  const ModelKind kind = ModelSelection.Kind;
  const int n = GridSize();
  assert(Result().DistValues.size() > static_cast<std::size_t>(n));
  TakeSolution(kind, n);
  DistributionDensity();

  // The s x f/f0 kernel is kept for the next run with the same grid.
  if (IsTwoDimensionalModel(kind)) {
    DistributionRunFlags.Grid2DRebuild = false;
  } else {
    FreeKernelArray();
    FreeNormalEqArrays();
  }

  DistributionRunFlags.FitCurvesShown = true;
  DistributionShown = true;
  RenderPlot();
  if (DistributionRunFlags.RepaintAfterRun) RepaintMainWindow(window);

  if (kind == ModelKind::CSWormlikeChain) WriteWormChainMofS();
}

void DistributionDensity() {
  const int n = GridSize();
  if (n < 2) return;
  auto& r = Result();
  assert(r.DistValues.size() > static_cast<std::size_t>(n));
  assert(r.DistSecondValues.size() > static_cast<std::size_t>(n));
  const ModelKind kind = ModelSelection.Kind;
  if (kind == ModelKind::LsGStar) CutBeyondObservableS(n);

  std::vector<float> axis;
  DensityWidths widths = DensityWidths::Absolute;
  if (DlsDataMode) {
    // The light-scattering grids run backwards on one of their two axes
    // (log D ascending makes log Rh descending); absolute widths keep the
    // densities positive on either.
    axis = LightScatteringAxis(kind, n);
  } else if (IsMolarMassGridModel(kind)) {
    axis = r.DistMGrid;
    widths = DensityWidths::Signed;
  } else {
    axis = r.DistSGrid;
    if (DensityFirstPointSeparate(kind, CurrentDistributionLayoutFlags()))
      widths = DensityWidths::AbsoluteAfterFirst;
  }
  AmplitudesToDensity(r.DistValues, axis, n, widths);
  if (CombinedSetting()) AmplitudesToDensity(r.DistSecondValues, axis, n, widths);
}

void CumulativeDistribution() {
  if (DlsDataMode) return;
  auto& r = Result();
  const int n = GridSize();
  const ModelKind kind = ModelSelection.Kind;
  const bool massGrid = IsMolarMassGridModel(kind);
  const int first = IntegralFirstPointSeparate(kind, CurrentDistributionLayoutFlags()) ? 2 : 1;
  DensityToCumulative(r.DistValues, massGrid ? r.DistMGrid : r.DistSGrid, n, first, massGrid);
  RenderPlot();
}

bool DistributionToS20w(float vbar, float vbar20, float viscosity, float density) {
  if (DlsDataMode || !IsSBasedModel(ModelSelection.Kind)) return false;
  const double f = SToS20w(1.0f, viscosity, density, vbar, vbar20);
  // A solvent as dense as the particle (or no viscosity) has no s20,w axis;
  // scaling by it would destroy the stored distribution.
  if (!std::isfinite(f) || f == 0.0) return false;
  auto& r = Result();
  const int n = GridSize();
  for (int i = 1; i <= n; ++i) r.DistSGrid[i] = static_cast<float>(f * r.DistSGrid[i]);
  // A density per unit of s20,w: divided by |ds20,w/ds|, so that the
  // distribution of floating species (negative s, positive s20,w) keeps
  // its sign.
  ScaleValues(r.DistValues, n, 1.0 / std::fabs(f));
  ScaleValues(r.DistSecondValues, n, 1.0 / std::fabs(f));
  SetXTitle("s20 [S]");
  RenderPlot();
  return true;
}

bool DistributionToRh(float vbar20) {
  if (vbar20 <= 0) {
    // The conversion would show this for every grid point and give radius 0.
    ErrorBox("vbar20 <= 0 in function S20ToStokesRadius");
    return false;
  }
  auto& r = Result();
  const int n = GridSize();
  const bool combined = CombinedSetting();
  // Both areas on the s axis, before the axis changes.
  const double areaS = TrapezoidArea(r.DistValues, r.DistSGrid, n);
  const double secondAreaS = combined ? TrapezoidArea(r.DistSecondValues, r.DistSGrid, n) : 0.0;

  // s grows as Rh^2 at constant f/f0, so ds/dRh is proportional to Rh; the
  // constant follows from keeping the area.
  for (int i = 1; i <= n; ++i) {
    const double rh = S20ToStokesRadius(r.DistSGrid[i], vbar20) * 1e9;
    r.DistSGrid[i] = static_cast<float>(rh);
    r.DistValues[i] = static_cast<float>(2.0 * rh * r.DistValues[i]);
    if (combined) r.DistSecondValues[i] = static_cast<float>(2.0 * rh * r.DistSecondValues[i]);
  }
  auto keepArea = [&](std::vector<float>& v, double areaBefore) {
    const double areaAfter = TrapezoidArea(v, r.DistSGrid, n);
    if (areaAfter != 0.0 && std::isfinite(areaAfter)) ScaleValues(v, n, areaBefore / areaAfter);
  };
  keepArea(r.DistValues, areaS);
  if (combined) keepArea(r.DistSecondValues, secondAreaS);

  SetXTitle("Rh [nm]");
  RenderPlot();
  r.DistAxisTransformed = true;
  return true;
}

bool DivideDistributionByPolynomial(const std::string& path) {
  CVector coefficients;
  if (!coefficients.ReadFile(path) || coefficients.count() == 0) return false;
  auto& r = Result();
  const int n = GridSize();
  const bool combined = CombinedSetting();
  for (int i = 1; i <= n; ++i) {
    const double s = r.DistSGrid[i];
    double p = 0.0;
    for (unsigned j = coefficients.count(); j-- > 0;) p = p * s + coefficients[j];
    r.DistValues[i] = static_cast<float>(r.DistValues[i] / p);
    if (combined) r.DistSecondValues[i] = static_cast<float>(r.DistSecondValues[i] / p);
  }
  RenderPlot();
  return true;
}

bool LoadDistributionFile(const std::string& path) {
  const ModelKind kind = ModelSelection.Kind;
  if (IsTwoDimensionalModel(kind)) return false;
  // The kernel is sized by the loaded scans: without scans the current
  // distribution is kept rather than replaced by one nothing can use.
  if (ScanDataSet.NFILES < 1 || (DlsDataMode && DlsRecords.hi() < 1)) return false;
  if (GridServices.ClearDistributionPlots) GridServices.ClearDistributionPlots();
  CCurve curve;
  if (!curve.ReadFile(path, 1, 2)) return false;
  const int n = static_cast<int>(curve.x()->count());
  if (n < 1) return false;

  DistributionSettings.DistGridSize = n;
  ResizeDistributionGrids(n);
  DistributionGrid.PriorProbabilities.assign(static_cast<std::size_t>(n) + 1, 0.01);
  DistributionGrid.PriorWork.assign(static_cast<std::size_t>(n) + 1, 0.0);
  auto& r = Result();
  const bool sGrid = IsSBasedModel(kind);
  for (int i = 1; i <= n; ++i) {
    const float x = (*curve.x())[static_cast<unsigned>(i - 1)];
    (sGrid ? r.DistSGrid : r.DistMGrid)[i] = x;
    r.DistValues[i] = (*curve.y())[static_cast<unsigned>(i - 1)];
  }

  // A density in the file: amplitudes that sum to its trapezoidal integral.
  if (DistributionRunFlags.NormalizeLoadedDistribution) {
    double total = 0.0;
    for (int i = 1; i <= n; ++i) total += r.DistValues[i];
    const double area = TrapezoidArea(r.DistValues, sGrid ? r.DistSGrid : r.DistMGrid, n);
    if (area > 0.0 && total != 0.0) ScaleValues(r.DistValues, n, area / total);
  }

  if (GridServices.BuildDistributionPlot) GridServices.BuildDistributionPlot();
  const int scans = ScanDataSet.NFILES;
  const int points = DlsDataMode ? DlsRecords[1].DlsPointCount : ScanDataSet.ScanPointCount[1];
  if (!AllocKernelArray(n, scans, points)) return false;
  if (!AllocNormalEqArrays(n, scans, points)) {
    FreeKernelArray();
    return false;
  }
  return true;
}
