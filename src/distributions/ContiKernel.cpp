#include "distributions/ContiKernel.h"

#include <cassert>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "distributions/ContiGrid.h"
#include "distributions/DistributionArrays.h"
#include "distributions/DistributionDiagnostics.h"
#include "state/DistributionSettingsRecords.h"
#include "lamm/CLammIdeal.h"
#include "lamm/LammDisplayLinks.h"
#include "lamm/LammLists.h"
#include "models/DetectorConvolution.h"
#include "models/GlobalLammState.h"
#include "models/LammSolverSetup.h"
#include "models/SimulationErrors.h"
#include "models/SimulationRoads.h"
#include "models/TempParameterFile.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "numerics/Resampling.h"

namespace {

bool IsElectrophoresisModel(ModelKind kind) {
  return kind == ModelKind::ElectrophoresisCV || kind == ModelKind::ElectrophoresisLsGStar;
}

// The scans' absorbance is averaged over the scanner's radial window.
bool RadialAveraging() {
  return ScanReaderOptions.AbsorbanceData && !ScanReaderOptions.IntensityData &&
         LammSolverSettings.RadialResolutionOn;
}

// The column of the grid point being converted and the radii it is sampled
// on.
struct ColumnTarget {
  float* column = nullptr;
  const float* radii = nullptr;
  int count = 0;
};

ColumnTarget CurrentColumn(int scan) {
  const int g = DistributionGrid.CurrentGridIndex;
  assert(DistKernel.Exists() && g >= 1 && g <= DistKernel.GridCount() && scan >= 1 &&
         scan <= DistKernel.ScanCount());
  ColumnTarget t;
  t.column = DistKernel.get()[g][scan];
  if (DistributionRunFlags.SimulateFromDistribution) {
    t.radii = ScanDataSet.ScanRadius[1].data();
    t.count = ScanDataSet.ScanPointCount[1];
  } else {
    t.radii = CommonRadialGrid.CommonGrid;
    t.count = CommonRadialGrid.CommonGridSize;
  }
  assert(t.count <= DistKernel.RadiusCount());
  return t;
}

// Column 1 becomes the buffer signal of both sectors: at unit amplitude
// when the distribution solves for it, at the buffer signal when that is
// fixed (the normal equations then take the column as it stands).
void AddBufferColumn() {
  const ModelKind kind = ModelSelection.Kind;
  if (!BufferTermInKernel(kind) || DistributionRunFlags.SimulateFromDistribution ||
      !SimulationRoads.BufferSignalOnGrid)
    return;
  DistributionGrid.CurrentGridIndex = 1;
  const auto& b = CorrectionOptions.BufferMismatch;
  const double amplitude = b.BufferSignalFitted ? 1.0 : b.BufferSignal;
  float** column = DistKernel.get()[1];
  if (!SimulationRoads.BufferSignalOnGrid(column, amplitude))
    for (int j = 1; j <= ScanDataSet.NFILES; ++j)
      for (int k = 1; k <= CommonRadialGrid.CommonGridSize; ++k) column[j][k] = 0.0f;
}

}  // namespace

bool BufferTermInKernel(ModelKind kind) {
  return CorrectionOptions.BufferMismatch.On && IsContinuousModel(kind) && !DlsDataMode &&
         !ScanDataSet.EquilibriumDataMode && !IsElectrophoresisModel(kind) &&
         !IsTwoDimensionalModel(kind) && !IsNonidealCsFamily(kind);
}

bool BufferAmplitudeFixed(ModelKind kind) {
  return BufferTermInKernel(kind) && !CorrectionOptions.BufferMismatch.BufferSignalFitted;
}

// The master of the list: one ideal species at c0 = 1 with everything of a
// simulation of the loaded scans; s and D of grid point `last` until the
// workers load their own.
void ConfigureKernelMaster(platform::WindowHandle window, CLammIdeal& master, double s, double D,
                           bool idealModel) {
  ScanDataSetRecord& d = ScanDataSet;
  const LammSolverSettingsRecord& l = LammSolverSettings;
  const ModelParametersRecord& mp = ModelParameters;
  if (idealModel) master.SetIdealModel();
  master.SetParameters(s, D, mp.Meniscus, mp.Bottom, 1.0, d.FitLeftLim, d.FitRightLim);
  if (!d.CheckRotorAcceleration) master.ClearAccelerationCheck();
  // The window shows the list's status line; the workers draw nothing.
  master.SetOutput(window, LammDisplayLinks.DataPlot(), d.ScanHeaders.data(), DistKernel.get()[1],
                   CommonRadialGrid.CommonGrid, CommonRadialGrid.CommonGridSize, nullptr, nullptr,
                   0, d.ScanTimeOrder.data(), d.NFILES, 1, FitControl.FitRunning,
                   DistributionRunFlags.InNonlinearSearch, l.ScanTimeCorrectionOn, l.ScanVelocity,
                   l.RadialResolutionOn, l.RadialResolutionRange, ScanReaderOptions.AbsorbanceData);
  ApplyLammSolverSettings(master, DistributionSettings.StartingFrictionalRatio);
  if (IsZoneModel(ModelSelection.Kind))
    master.SetBandLoading(1, mp.LamellaWidth, ModelSelection.InvertBand);
  // The solver takes degrees Celsius.
  const SolventConditionsRecord& sc = SolventConditions;
  master.SetSolvent(sc.BufferTemperature - 273.15, sc.VBAR, sc.BufferDensity, sc.RELVISCOSITY);
  if (InhomogeneousSolventOn && SimulationRoads.ConfigureSolverSolvent)
    SimulationRoads.ConfigureSolverSolvent(master);
  if (mp.TimeOffsetOn) master.SetStartTime(mp.TimeOffset);
  if (d.UsingSpeedSteps && d.DataSpeedProfile)
    master.SetRotorSpeedProfile(d.DataSpeedProfile.get(), l.VariableSpeedDShutOff);
  if (ScanReaderOptions.AbsorbanceData && l.ScanTimeCorrectionOn && l.ScanVelocity > 0)
    master.SetScanTimeOffset(FirstRadius(1));
}

namespace {

// The ls-g*(v) kernel of electrophoresis: a boundary without diffusion
// moving at the grid velocity (um/s) through the linear column, one column
// per grid point and scan in closed form.
void ElectrophoresisStepKernel(int n, const double* v) {
  const ScanDataSetRecord& d = ScanDataSet;
  const CommonRadialGridRecord& g = CommonRadialGrid;
  for (int i = 1; i <= n && !ComputationAbort; ++i) {
    const StepBoundarySetup setup = CurrentStepBoundarySetup(v[i] * 1e-4, v[i]);
    for (int j = 1; j <= d.NFILES; ++j)
      StepBoundaryKernel(setup, 1.0, d.ScanHeaders[j].Time, g.CommonGrid, DistKernel.get()[i][j],
                         g.CommonGridSize);
  }
}

}  // namespace

bool RunSVContiSedList(platform::WindowHandle window, int n, const double* s, const double* D,
                       const double* vbar) {
  LogDistributionStep(window, "\nEnter RunSVContiSedList");
  if (ModelSelection.Kind == ModelKind::ElectrophoresisCV) {
    platform::Current().ShowMessageBox(
        {window,
         "the kernel of the c(v) model (a moving boundary of constant D in the linear "
         "electrophoresis geometry) is not available in this version",
         "ERROR", platform::BoxIcon::Error, platform::BoxButtons::Ok});
    ComputationAbort = true;
    return false;
  }
  if (ModelSelection.Kind == ModelKind::ElectrophoresisLsGStar) {
    assert(n >= 1 && DistKernel.Exists() && DistKernel.GridCount() >= n);
    ElectrophoresisStepKernel(n, s);
    LogDistributionStep(window, " --> OUT");
    return true;
  }
  assert(n >= 1 && DistKernel.Exists() && DistKernel.GridCount() >= n);
  assert(DistKernel.ScanCount() >= ScanDataSet.NFILES &&
         DistKernel.RadiusCount() >= CommonRadialGrid.CommonGridSize);
  GlobalLammRun.CallbackWindow = window;
  GlobalLammRun.DiscretizationError = 0;
  GlobalLammRun.TridiagError = 0;
  const std::int32_t result = [&] {
    CLammIdeal master;
    ConfigureKernelMaster(window, master, s[n], D[n], true);
    const std::int32_t code =
        CLRunMTList(master, n, s, D, vbar, DistKernel.get(), CommonRadialGrid.CommonGrid,
                    CommonRadialGrid.CommonGridSize, nullptr, nullptr);
    LogDistributionStep(window, " --> done with sims");
    return code;
  }();
  LogDistributionStep(window, " --> pLammSolutions deleted");
  ReportSimulationError(window, result);
  AddBufferColumn();
  LogDistributionStep(window, " --> OUT");
  return true;
}

void MapLammColumnToScan(int scan, const double* radii, const double* values, int count) {
  const ColumnTarget t = CurrentColumn(scan);
  ResampleCurveFromDouble(t.count, t.radii, t.column, count, radii, values);
  if (RadialAveraging())
    SmearByRadialWindow(t.count, LammSolverSettings.RadialResolutionRange, t.radii, t.column);
}

void MapLammColumnToGrid(int scan, const double* radii, const double* values, int count) {
  const ColumnTarget t = CurrentColumn(scan);
  AddResampledCurveFromDouble(t.count, t.radii, t.column, count, radii, values);
}

StepBoundarySetup CurrentStepBoundarySetup(double sOmega2, double s) {
  const LammSolverSettingsRecord& l = LammSolverSettings;
  StepBoundarySetup setup;
  setup.Meniscus = ModelParameters.Meniscus;
  setup.Bottom = ModelParameters.Bottom;
  setup.SOmega2 = sOmega2;
  setup.Electrophoresis = ModelSelection.Kind == ModelKind::ElectrophoresisLsGStar;
  setup.FiniteScanTime = l.ScanTimeCorrectionOn && l.ScanVelocity > 0;
  setup.ScanVelocity = l.ScanVelocity;
  setup.BandLoading = IsZoneModel(ModelSelection.Kind);
  setup.LamellaWidth = ModelParameters.LamellaWidth;
  setup.RadialResolution = RadialAveraging();
  setup.RadialRange = l.RadialResolutionRange;
  setup.Vbar = SolventConditions.VBAR;
  setup.DensityAt1Atm = SolventConditions.BufferDensity;
  setup.ViscosityAt1Atm = SolventConditions.RELVISCOSITY;
  setup.S = s;
  if (ScanDataSet.NFILES > 0) setup.Rpm = ScanDataSet.ScanHeaders[ScanDataSet.NFILES].Rpm;
  return setup;
}

namespace {

// A compressible solvent: the pressure of the liquid column raises density
// and viscosity towards the bottom, so a species slows down as it goes. The
// closed form follows each material point of the loading from its radius
// to where it is at time t, with the concentration it carries.
void CompressibleStepBoundary(const StepBoundarySetup& p, double a, double t, const float* radii,
                              float* out, int count) {
  const double omega = p.Rpm * std::numbers::pi / 30.0, omega2 = omega * omega;
  const double u = p.Vbar * p.DensityAt1Atm, A = 1.0 - u;
  const double w = 1e3 * p.DensityAt1Atm * u * omega2 * 1e-6 * p.Compressibility / 2.0;
  const double cw = omega2 * (p.S * 1e-13 / p.ViscosityAt1Atm) * (1.0 - p.Vbar * p.DensityAt1Atm) /
                    (1.0 - p.Vbar * p.WaterDensity) / A;
  double time = t;
  if (p.FiniteScanTime)
    time += (p.Meniscus * std::exp(p.SOmega2 * t) - p.Meniscus) / (p.ScanVelocity / 60.0);
  const double m = 0.01 * p.Meniscus;  // m
  const double top = A + w * m * m;
  const double X = 2.0 * cw * time * top, eX = std::exp(X), emX = std::exp(-X);
  const double boundary = 100.0 * m * std::sqrt(top) / std::sqrt(emX * (eX * w * m * m + A));
  // Where each loaded radius has moved, and the concentration it carries.
  std::vector<float> moved(static_cast<std::size_t>(count) + 1), level(moved.size());
  int used = 0;
  for (int j = 1; j <= count; ++j) {
    const double r = 0.01 * radii[j];
    const double inner = eX * w * r * r + w * m * m - w * r * r + A;
    moved[static_cast<std::size_t>(j)] =
        static_cast<float>(100.0 * r * std::sqrt(top) / std::sqrt(emX * inner));
    level[static_cast<std::size_t>(j)] = static_cast<float>(a * emX * inner * inner / (top * top));
    used = j;
    if (moved[static_cast<std::size_t>(j)] > radii[count] + 0.001) break;
  }
  int first = 1;
  while (first <= count && radii[first] < boundary) out[first++] = 0.0f;
  if (first <= count)
    ResampleCurve(count - first + 1, radii + first - 1, out + first - 1, used, moved.data(),
                  level.data());
}

}  // namespace

void StepBoundaryKernel(const StepBoundarySetup& p, double a, double t, const float* radii,
                        float* out, int count) {
  assert(count >= 0 && (count == 0 || (radii != nullptr && out != nullptr)));
  if (p.CompressibleSolvent && !p.Electrophoresis) {
    CompressibleStepBoundary(p, a, t, radii, out, count);
  } else {
    const double k = p.SOmega2, m = p.Meniscus, b = p.Bottom;
    const double v = p.ScanVelocity / 60.0;  // cm/s
    const bool finite = p.FiniteScanTime && p.ScanVelocity > 0;
    // The scanner meets the boundary later than the scan's time by the
    // time it needs to get there from the meniscus.
    double front, amplitude, rear = 0.0;
    if (p.Electrophoresis) {
      const double tf = finite ? t + k * t / v : t;
      front = m + k * tf;
      amplitude = a;
    } else {
      const double start = k > 0 ? m : b;
      const double tf = finite ? t + (start * std::exp(k * t) - m) / v : t;
      front = start * std::exp(k * tf);
      amplitude = a * std::exp(-2.0 * k * tf);
      const double edge = m + p.LamellaWidth;
      const double te = finite ? t + (edge * std::exp(k * t) - m) / v : t;
      rear = edge * std::exp(k * te);
    }
    for (int j = 1; j <= count; ++j) {
      const double r = radii[j];
      bool inside;
      if (p.BandLoading)
        inside = front <= r && r < rear;
      else if (k > 0 || p.Electrophoresis)
        inside = r >= front;
      else
        inside = r <= front;
      // Each plateau point is diluted further until the scanner passes it.
      const double dilution = finite ? std::exp(-2.0 * k * (r - m) / v) : 1.0;
      out[j] = inside ? static_cast<float>(amplitude * dilution) : 0.0f;
    }
  }
  if (p.RadialResolution && count > 0) SmearByRadialWindow(count, p.RadialRange, radii, out);
}
