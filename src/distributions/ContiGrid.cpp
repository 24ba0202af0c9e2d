// The grid step of a distribution run: grid values for every kind of
// continuous model, default priors, the visibility check of the ls-g*(s)
// grids against the fit limits, and the arrays of kernel and normal
// equations sized for the grid.

#include "distributions/ContiGrid.h"

#include "state/DistributionPlotFlags.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "data/AnalysisSideFiles.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/DlsLoading.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "data/SpeedSeries.h"
#include "state/SolventConditions.h"
#include "distributions/DistributionArrays.h"
#include "state/ContiNonidSimLink.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "numerics/ConstantShorthands.h"
#include "numerics/Hydrodynamics.h"
#include "platform/Platform.h"

DistributionGridRecord DistributionGrid;
GridBuildMemoryRecord GridBuildMemory;
GridServicesRecord GridServices;

namespace {

constexpr double kPriorDefault = 0.01;

void ShowGridMessage(const std::string& text, const std::string& caption) {
  platform::Current().ShowMessageBox(
      {nullptr, text, caption, platform::BoxIcon::None, platform::BoxButtons::Ok});
}

// A grid of one point has no spacing: its density, its penalty and its
// linear spacing (divided by count − 1) are all undefined.
bool RefuseTooSmallGrid(int n) {
  if (n >= 2) return false;
  ShowGridMessage("the distribution grid needs at least 2 points - increase the resolution",
                  "ERROR");
  return true;
}

bool IsLsGStarGrid(ModelKind kind) {
  return kind == ModelKind::LsGStar || kind == ModelKind::HybridCSLsGStar;
}

float BufferCelsius() {
  return SolventConditions.BufferTemperature - 273.15f;
}

float* S() {
  return DistributionResult.DistSGrid.data();
}
float* M() {
  return DistributionResult.DistMGrid.data();
}

// Step 3: the grid vectors, zeroed, priors 0.01; the s x f/f0 arrays.
void AllocateGridVectors(int n, ModelKind kind) {
  const auto size = static_cast<std::size_t>(n) + 1;
  DistributionResult.DistSGrid.assign(size, 0.0f);
  DistributionResult.DistMGrid.assign(size, 0.0f);
  DistributionResult.DistValues.assign(size, 0.0f);
  DistributionResult.DistSecondValues.assign(size, 0.0f);
  DistributionGrid.PriorProbabilities.assign(size, kPriorDefault);
  DistributionGrid.PriorWork.assign(size, 0.0);
  DistributionSettings.DistGridSize = n;
  auto& g = DistributionGrid;
  if (!IsTwoDimensionalModel(kind)) {
    for (auto* v : {&g.Grid2DS, &g.Grid2DFf0, &g.Grid2DM, &g.Grid2DD, &g.Grid2DStokesRadius,
                    &g.Ff0Values, &g.Ff0PriorProbabilities})
      v->clear();
    return;
  }
  // Every s value of every f/f0 value; the settings' own product may lag
  // behind a changed resolution.
  const int slices = std::max(1, static_cast<int>(DistributionSettings.Ff0GridCount));
  DistributionSettings.Grid2DSize = n * slices;
  const auto points = static_cast<std::size_t>(n * slices) + 1;
  DistributionResult.Grid2DAmplitudes.assign(points, 0.0f);
  for (auto* v : {&g.Grid2DS, &g.Grid2DFf0, &g.Grid2DM, &g.Grid2DD, &g.Grid2DStokesRadius})
    v->assign(points, 0.0f);
  g.Ff0Values.assign(static_cast<std::size_t>(slices) + 1, 0.0f);
  g.Ff0PriorProbabilities.assign(static_cast<std::size_t>(slices) + 1,
                                 static_cast<float>(kPriorDefault));
}

// Step 4: the light-scattering grids, log10 of the Stokes radius (m) and of
// D (cm^2/s), one derived from the other at the first measurement's
// temperature.
void MakeDlsGrid(int n, ModelKind kind) {
  const auto& ds = DistributionSettings;
  const float t = DlsRecords.size() >= 1 ? DlsRecords[1].DlsTemperature : BufferCelsius();
  auto logD = [&](int i) { M()[i] = std::log10(DFromStokesRadius(std::pow(10.0f, S()[i]), t)); };
  auto logRh = [&](int i) { S()[i] = std::log10(DFromRadius(std::pow(10.0f, M()[i]), t)); };
  const bool radiusModel = kind != ModelKind::DlsID;
  if (radiusModel) {
    const float dLo = DFromStokesRadius(ds.Smin * 1e-9f, t);
    const float dHi = DFromStokesRadius(ds.Smax * 1e-9f, t);
    if (ds.DlsGridLogRh || !(ds.DlsGridLogD || ds.DlsGridLinear)) {
      EqualSpacing(S(), std::log10(ds.Smin * 1e-9f), std::log10(ds.Smax * 1e-9f), n);
      for (int i = 1; i <= n; ++i) logD(i);
      return;
    }
    if (ds.DlsGridLogD) {
      EqualSpacing(M(), std::log10(dLo), std::log10(dHi), n);
    } else {
      EqualSpacing(M(), dLo, dHi, n);
      for (int i = 1; i <= n; ++i) M()[i] = std::log10(M()[i]);
    }
    for (int i = 1; i <= n; ++i) logRh(i);
    return;
  }
  if (ds.DlsGridLogD || !(ds.DlsGridLinear || ds.DlsGridLogRh)) {
    EqualSpacing(M(), std::log10(ds.Smin * 1e-7f), std::log10(ds.Smax * 1e-7f), n);
  } else if (ds.DlsGridLinear) {
    EqualSpacing(M(), ds.Smin * 1e-7f, ds.Smax * 1e-7f, n);
    for (int i = 1; i <= n; ++i) M()[i] = std::log10(M()[i]);
  } else {
    EqualSpacing(S(), std::log10(DFromRadius(ds.Smin * 1e-7f, t)),
                 std::log10(DFromRadius(ds.Smax * 1e-7f, t)), n);
    for (int i = 1; i <= n; ++i) logD(i);
    return;
  }
  for (int i = 1; i <= n; ++i) logRh(i);
}

// Step 5: equal steps in M^(2/3), about equal steps in s for compact
// particles (s grows as M^(2/3)), with the limits exact.
void MakeMolarMassGrid(int n) {
  const auto& ds = DistributionSettings;
  const float exponent = 0.66666666f;
  EqualSpacing(M(), std::pow(ds.Smin, exponent), std::pow(ds.Smax, exponent), n);
  for (int i = 1; i <= n; ++i) M()[i] = std::pow(M()[i], 1.5f);
  M()[1] = ds.Smin;
  M()[n] = ds.Smax;
}

// A part of a logarithmic s grid from a to b (both positive).
void LogPart(float* out, float a, float b, int count) {
  const auto& ds = DistributionSettings;
  if (ds.LogSpacedSminOn)
    MakeLogGrid(out, a, b, ds.LogSpacedSmin, count);
  else
    LogGrid(out, a, b, count);
}

// Stores the positive grid part[1..count] as negative values into
// out[1..count], reversed, so that the values increase.
void StoreNegated(float* out, const std::vector<float>& part, int count) {
  for (int j = 1; j <= count; ++j) out[j] = -part[static_cast<std::size_t>(count + 1 - j)];
}

// A logarithmic grid with a negative part (floating species).
void MakeSignedLogGrid(int n, ModelKind kind) {
  const auto& ds = DistributionSettings;
  const auto& fl = ds.FlotationSettings;
  const bool flotation = kind == ModelKind::CSFlotation;
  std::vector<float> part(static_cast<std::size_t>(n) + 2, 0.0f);
  if ((flotation && fl.FlotationOnly) || ds.Smax < 0) {
    const float lo = flotation ? std::fabs(fl.FlotationMaxS) : std::fabs(ds.Smax);
    const float hi = flotation ? std::fabs(fl.FlotationMinS) : std::fabs(ds.Smin);
    LogPart(part.data(), lo, hi, n);
    StoreNegated(S(), part, n);
    return;
  }
  int m = 0;
  if (flotation) {
    m = fl.FlotationGridN;
    LogPart(part.data(), std::fabs(fl.FlotationMaxS), std::fabs(fl.FlotationMinS), m);
    LogPart(S() + m, ds.Smin, ds.Smax, n - m);
  } else {
    const float a = std::fabs(ds.Smin) - 1.0f;
    m = static_cast<int>(std::floor(a / (a + (ds.Smax - 1.0f)) * static_cast<float>(n)));
    m = std::clamp(m, 0, n);
    LogPart(part.data(), 1.0f, std::fabs(ds.Smin), m);
    LogPart(S() + m, 1.0f, ds.Smax, n - m);
  }
  StoreNegated(S(), part, m);
}

void MakeLinearSGrid(int n, ModelKind kind) {
  const auto& ds = DistributionSettings;
  const auto& fl = ds.FlotationSettings;
  if (kind != ModelKind::CSFlotation) {
    EqualSpacing(S(), ds.Smin, ds.Smax, n);
    return;
  }
  EqualSpacing(S(), fl.FlotationMinS, fl.FlotationMaxS, fl.FlotationGridN);
  if (!fl.FlotationOnly)
    EqualSpacing(S() + fl.FlotationGridN, ds.Smin, ds.Smax, n - fl.FlotationGridN);
}

// The grid of the sdist file; the settings follow it.
bool ReadFileGrid(int& n, ModelKind kind) {
  auto& ds = DistributionSettings;
  ds.LogarithmicGrid = false;
  ParameterFitted[4] = 0;
  int count = 0;
  OneBasedArray<float> values;
  if (!LoadSdistVector(&count, &values)) return false;
  if (RefuseTooSmallGrid(count)) return false;
  n = count;
  AllocateGridVectors(n, kind);
  for (int i = 1; i <= n; ++i) S()[i] = values[i];
  if (kind == ModelKind::CSFlotation) {
    auto& fl = ds.FlotationSettings;
    int negative = 0;
    while (negative < n && values[negative + 1] <= 0.0f) ++negative;
    if (negative < 2) {
      ShowGridMessage("s-grid needs at least two values < 0 in flotation model", "ERROR");
      return false;
    }
    fl.FlotationGridN = negative;
    fl.FlotationMinS = values[1];
    fl.FlotationMaxS = values[negative];
    ds.Resolution = static_cast<float>(n - negative);
    fl.FlotationOnly = n == negative;
    ds.Smin = fl.FlotationOnly ? values[n] : values[negative + 1];
    ds.Smax = values[n];
  } else {
    ds.Resolution = static_cast<float>(n);
    ds.Smin = values[1];
    ds.Smax = values[n];
  }
  ParameterVector[9] = ds.Resolution;
  ParameterVector[1] = ds.Smin;
  ParameterVector[5] = ds.Smax;
  return true;
}

// Step 6: the s grid of every s-based model. n may change with a file grid.
bool MakeSGrid(int& n, ModelKind kind) {
  auto& ds = DistributionSettings;
  if (ds.GridFromFile) return ReadFileGrid(n, kind);
  const bool flotation = kind == ModelKind::CSFlotation;
  if (ds.LogarithmicGrid) {
    if (!flotation && ds.Smin > 0 && ds.Smax > 0) {
      if (IsNonidealCsFamily(kind) || ds.LogSpacedSminOn)
        MakeLogGrid(S(), ds.Smin, ds.Smax, ds.LogSpacedSmin, n);
      else
        LogGrid(S(), ds.Smin, ds.Smax, n);
    } else if (ds.Smin == 0 && ds.Smax > 0) {
      LogGrid(S(), 0.05f, ds.Smax, n);
    } else if ((ds.Smin < 0 && SminWarningAccepted) || flotation) {
      MakeSignedLogGrid(n, kind);
    } else {
      ds.LogarithmicGrid = false;
      MakeLinearSGrid(n, kind);
    }
  } else {
    MakeLinearSGrid(n, kind);
  }
  SaveSdistVector(S(), n);
  return true;
}

// Step 7: M of every s grid point.
void FillMolarMasses(int n, ModelKind kind) {
  const auto& sc = SolventConditions;
  const bool sameAsS = kind == ModelKind::ElectrophoresisLsGStar ||
                       kind == ModelKind::ElectrophoresisCV || kind == ModelKind::ZoneLsGStar ||
                       sc.VBAR == 0;
  for (int i = 1; i <= n; ++i) {
    DistributionResult.DistValues[static_cast<std::size_t>(i)] = 0.0f;
    DistributionResult.DistSecondValues[static_cast<std::size_t>(i)] = 0.0f;
    const float s = S()[i];
    if (sameAsS)
      M()[i] = s;
    else if (sc.VbarRho > 1)
      M()[i] = CalculateM(s);
    else if (kind == ModelKind::CSFlotation)
      M()[i] = BuoyantMassFromS(s);
    else
      M()[i] = CalculateM(std::fabs(s));
  }
}

// Step 8: the s x f/f0 points.
void FillTwoDimensionalGrid(int n) {
  const auto& ds = DistributionSettings;
  auto& g = DistributionGrid;
  const int slices = static_cast<int>(g.Ff0Values.size()) - 1;
  EqualSpacing(g.Ff0Values.data(), ds.Ff0Min, ds.Ff0Max, slices);
  const float t = BufferCelsius();
  for (int j = 1; j <= slices; ++j) {
    for (int k = 1; k <= n; ++k) {
      const auto p = static_cast<std::size_t>(k + (j - 1) * n);
      const float s = S()[k], ff0 = g.Ff0Values[static_cast<std::size_t>(j)];
      g.Grid2DS[p] = s;
      g.Grid2DFf0[p] = ff0;
      g.Grid2DM[p] = CalculateMff02(s, ff0);
      g.Grid2DD[p] = DFromMassAndS(g.Grid2DM[p], s, t);
      g.Grid2DStokesRadius[p] = DFromRadius(g.Grid2DD[p], t) * 1e9f;
    }
  }
}

void RunPriorStep() {
  if (GridServices.MakePriorProfile) GridServices.MakePriorProfile();
}

void SaveGridBuildSettings() {
  const auto& ds = DistributionSettings;
  auto& m = GridBuildMemory;
  m.Resolution = ds.Resolution;
  m.Grid2DSize = ds.Grid2DSize;
  m.Ff0GridCount = ds.Ff0GridCount;
  m.Smin = ds.Smin;
  m.Smax = ds.Smax;
  m.Ff0Min = ds.Ff0Min;
  m.Ff0Max = ds.Ff0Max;
  m.Saved = true;
}

// Step 9: can the boundaries of the grid's s values be seen inside the fit
// limits of the ls-g*(s) models?
bool CheckFitLimitsAgainstGrid(int n) {
  const auto& d = ScanDataSet;
  const float meniscus = ModelParameters.Meniscus;
  const ScanHeader& first = d.ScanHeaders[d.ScanTimeOrder[1]];
  const ScanHeader& last = d.ScanHeaders[d.ScanTimeOrder[d.NFILES]];
  auto& m = GridBuildMemory;
  const double omega = 2.0 * kPi / 60.0 * last.Rpm;
  m.Omega2Last = omega * omega * 1e-13;
  m.SLeftLimit = std::log(d.FitLeftLim / meniscus) / (m.Omega2Last * last.Time);
  m.SRightLimit = std::log(d.FitRightLim / meniscus) / (m.Omega2Last * first.Time);
  const float smin = S()[1], smax = S()[n];
  if (m.SRightLimit >= smin) {
    const double travel = m.Omega2Last * smax * last.Time;
    m.SmaxBoundary = travel > 2 ? 10.0 : meniscus * std::exp(travel);
    if (!SminWarningAccepted && m.SmaxBoundary < d.FitLeftLim) {
      const std::string text = FormatText(
          "smax %.2f too low - boundary does not reach left fit limit in last scan!\nnote: fit "
          "limits correspond to s-values of %.2f-%.2f\ncontinue anyway? (maybe looking at "
          "flotation?)",
          smax, m.SLeftLimit, m.SRightLimit);
      if (!AskYesNo(nullptr, text, "ERROR")) return false;
      SminWarningAccepted = true;
    }
  } else if (!SminWarningAccepted) {
    const std::string text = FormatText(
        "smin %.2f too low - boundary would be beyond right fit limit in last scan!\nnote: fit "
        "limits correspond to s-values of %.2f-%.2f\ncontinue anyway (may cause crash)?",
        smin, m.SLeftLimit, m.SRightLimit);
    if (!AskYesNo(nullptr, text, "ERROR")) return false;
    SminWarningAccepted = true;
  }
  return true;
}

void ShowServiceMissing(const char* what) {
  ShowGridMessage(FormatText("%s is not available in this version", what), "ERROR");
}

// Step 11.
bool AllocateGridArrays(ModelKind kind) {
  const int points = IsTwoDimensionalModel(kind) ? DistributionSettings.Grid2DSize
                                                 : DistributionSettings.DistGridSize;
  const int scans = ScanDataSet.NFILES, radii = CommonRadialGrid.CommonGridSize;
  if (scans < 1) return false;
  if (!AllocKernelArray(points, scans, radii)) return false;
  if (!AllocNormalEqArrays(points, scans, radii)) {
    FreeKernelArray();
    return false;
  }
  if (kind == ModelKind::CSWithMsTable) {
    if (!GridServices.LoadMsTable) {
      ShowServiceMissing("the M(s) table");
      return false;
    }
    return GridServices.LoadMsTable();
  }
  if (IsNonidealCsFamily(kind)) {
    if (!GridServices.PrepareNonidealMeanField) {
      ShowServiceMissing("the mean field of the non-ideal c(s) model");
      return false;
    }
    return GridServices.PrepareNonidealMeanField();
  }
  return true;
}

}  // namespace

bool IsTwoDimensionalModel(ModelKind kind) {
  return kind == ModelKind::CSFf0 || kind == ModelKind::CSFf0OneDiscrete;
}

bool IsLightScatteringModel(ModelKind kind) {
  return kind == ModelKind::DlsIRh || kind == ModelKind::DlsIRhTimeCourse ||
         kind == ModelKind::DlsID;
}

bool IsMolarMassGridModel(ModelKind kind) {
  switch (kind) {
    case ModelKind::LsGStar:
    case ModelKind::LsGStarOneDiscrete:
    case ModelKind::HybridCSLsGStar:
    case ModelKind::ElectrophoresisCV:
    case ModelKind::ContinuousCS:
    case ModelKind::CSConformationalChange:
    case ModelKind::CSFf0:
    case ModelKind::CSFf0OneDiscrete:
    case ModelKind::CSFixFf0FloatingVbar:
    case ModelKind::CSGeneralScalingLaw:
    case ModelKind::CSWormlikeChain:
    case ModelKind::CSBimodalFf0:
    case ModelKind::CSBimodalFf0OneDiscrete:
    case ModelKind::CSFlotation:
    case ModelKind::CSWithOneDiscrete:
    case ModelKind::CSWithMsTable:
    case ModelKind::CSInvariantD:
    case ModelKind::CSLinearRods:
    case ModelKind::NonidealCS:
    case ModelKind::ExtrapolateLsGStar:
    // The zone, electrophoresis and hindered variants are s-based as well.
    case ModelKind::ZoneCS:
    case ModelKind::ZoneLsGStar:
    case ModelKind::ElectrophoresisLsGStar:
    case ModelKind::HinderedCS:
      return false;
    default:
      return IsContinuousModel(kind);
  }
}

int RequestedGridPointCount(ModelKind kind) {
  const auto& ds = DistributionSettings;
  const int resolution = static_cast<int>(std::floor(ds.Resolution));
  if (kind != ModelKind::CSFlotation) return resolution;
  return ds.FlotationSettings.FlotationGridN +
         (ds.FlotationSettings.FlotationOnly ? 0 : resolution);
}

bool MakeGridPoints() {
  const ModelKind kind = ModelSelection.Kind;
  const auto& ds = DistributionSettings;
  int n = RequestedGridPointCount(kind);
  if (kind == ModelKind::CSFlotation && ds.FlotationSettings.FlotationGridN < 2 &&
      !ds.GridFromFile) {
    ShowGridMessage("s-grid needs at least two values < 0 in flotation model", "ERROR");
    return false;
  }
  if (!ds.GridFromFile && RefuseTooSmallGrid(n)) return false;
  AllocateGridVectors(std::max(n, 1), kind);
  if (DlsDataMode) {
    MakeDlsGrid(n, kind);
    return true;
  }
  if (IsMolarMassGridModel(kind)) {
    MakeMolarMassGrid(n);
    RunPriorStep();
    return true;
  }
  if (!MakeSGrid(n, kind)) return false;
  FillMolarMasses(n, kind);
  if (IsTwoDimensionalModel(kind)) FillTwoDimensionalGrid(n);
  RunPriorStep();
  return true;
}

bool MakeContiGrid() {
  if (GridServices.ClearDistributionPlots) {
    // A new distribution plot follows at once: the main plots are laid out
    // with it, not once more in between.
    DistributionPlotFlags.RelayoutMainPlotsOnClear = false;
    GridServices.ClearDistributionPlots();
    DistributionPlotFlags.RelayoutMainPlotsOnClear = true;
  }
  if (!MakeGridPoints()) return false;
  // Saved after the grid, which may have taken resolution and limits from
  // the sdist file and the s x f/f0 size from the resolution.
  SaveGridBuildSettings();
  const ModelKind kind = ModelSelection.Kind;
  const int n = DistributionSettings.DistGridSize;
  if (!DlsDataMode && IsLsGStarGrid(kind) && ScanDataSet.NFILES > 0 &&
      !HasVariableSpeed(ScanDataSet.NFILES, ScanDataSet.ScanHeaders.data()) &&
      !CheckFitLimitsAgainstGrid(n))
    return false;
  if (GridServices.BuildDistributionPlot) GridServices.BuildDistributionPlot();
  return AllocateGridArrays(kind);
}

bool Grid2DChanged() {
  auto& flags = DistributionRunFlags;
  if (flags.InNonlinearSearch) return true;
  if (!IsTwoDimensionalModel(ModelSelection.Kind)) {
    flags.Grid2DRebuild = true;
    return true;
  }
  const auto& ds = DistributionSettings;
  const auto& m = GridBuildMemory;
  const bool settingsChanged = !m.Saved || m.Resolution != ds.Resolution ||
                               m.Grid2DSize != ds.Grid2DSize || m.Ff0GridCount != ds.Ff0GridCount ||
                               m.Smin != ds.Smin || m.Smax != ds.Smax || m.Ff0Min != ds.Ff0Min ||
                               m.Ff0Max != ds.Ff0Max;
  flags.Grid2DRebuild = settingsChanged || ScanDataSet.DataChanged || !DistKernel.Exists() ||
                        !NormalEquations.Exists();
  return flags.Grid2DRebuild;
}
