#include "engines/BufferSedimentation.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "engines/BufferSedDialog.h"
#include "state/SolventConditions.h"
#include "lamm/CLammIdeal.h"
#include "models/GlobalLammState.h"
#include "models/LammSolverSetup.h"
#include "models/SimulateModel.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/Resampling.h"
#include "ui/OkBox.h"
#include "ui/Sounds.h"

namespace {

// The smallest buoyant molar mass of a buffer component, g/mol.
constexpr double kLightestBuffer = 10.0;
// The buffer is simulated on its own 200-point grid.
constexpr int kBufferGridSize = 200;

// D (cm^2/s) of the sedimenting buffer from its entry in 1e-7 cm^2/s, or a
// trace of diffusion when none was entered.
double SolverD(double enteredD) {
  const double D = std::fabs(enteredD) * 1e-7;
  return D == 0 ? 1e-10 : D;
}

// Makes one side's D and Mb consistent, in the mode the user entered.
void DeriveSide(double& D, double& Mb, double& s, bool massMode, double RT) {
  if (massMode) {
    if (Mb < kLightestBuffer) Mb = kLightestBuffer;
    // Svedberg: D = s RT / Mb, D in 1e-7 cm^2/s.
    D = std::fabs(s) * 1e-6 * RT / Mb;
    s = std::fabs(s);
    return;
  }
  if (D < 0) D = 0.01;
  if (D > 1000) D = 1000;
  Mb = D > 0 ? s * 1e-6 * RT / D : kLightestBuffer;
  if (Mb < kLightestBuffer) Mb = kLightestBuffer;
}

}  // namespace

BufferRuns DeriveBufferRuns(BufferMismatchSettingsRecord& b, bool massMode, double RT,
                            double meniscus, double bottom) {
  DeriveSide(b.BufferD, b.BufferMb, b.BufferS, massMode, RT);
  DeriveSide(b.ReferenceD, b.ReferenceMb, b.ReferenceS, massMode, RT);
  if (b.ConcentrationRatio == 0) b.ConcentrationRatio = 1e-6;
  BufferRuns runs;
  runs.Sample = {meniscus, bottom, b.BufferSignal, b.BufferS, SolverD(b.BufferD)};
  const double shifted = meniscus - b.MeniscusDifference;
  if (b.DifferentReferenceBuffer) {
    runs.Reference = {shifted, bottom, b.BufferSignal / b.ConcentrationRatio, b.ReferenceS,
                      SolverD(b.ReferenceD)};
  } else {
    // The same buffer on both sides cancels unless the menisci differ.
    const double amplitude = b.MeniscusMismatchOn ? b.BufferSignal / b.ConcentrationRatio : 0.0;
    runs.Reference = {b.MeniscusMismatchOn ? shifted : meniscus, bottom, amplitude, b.BufferS,
                      SolverD(b.BufferD)};
  }
  return runs;
}

namespace {

// What the solver's codes mean here: a singular system or a run that blew
// up still leaves the scans it reached (the later ones stay 0); a refused
// set-up leaves nothing (the solver has said why).
constexpr std::int32_t kBlownUp = 2;
constexpr std::int32_t kSingularSystem = 3;

}  // namespace

bool SolveBufferSide(platform::WindowHandle window, const BufferSideRun& run,
                     OneBasedMatrix<float>& rows, CLammIdeal& l) {
  ScanDataSetRecord& d = ScanDataSet;
  const CommonRadialGridRecord& g = CommonRadialGrid;
  if (run.Amplitude == 0 || d.NFILES < 1 || g.CommonGridSize < 2) return false;
  rows = OneBasedMatrix<float>(1, d.NFILES, 1, g.CommonGridSize);
  for (int j = 1; j <= d.NFILES; ++j) std::fill(rows[j] + 1, rows[j] + g.CommonGridSize + 1, 0.0f);
  l.SetIdealModel();
  // The fit limits of the data may lie outside a shifted reference cell.
  const float left = static_cast<float>(std::max<double>(d.FitLeftLim, run.Meniscus));
  const float right = static_cast<float>(std::min<double>(d.FitRightLim, run.Bottom));
  l.SetParameters(run.S, run.D, run.Meniscus, run.Bottom, std::fabs(run.Amplitude), left, right);
  if (!d.CheckRotorAcceleration) l.ClearAccelerationCheck();
  l.SetOutput(nullptr, nullptr, d.ScanHeaders.data(), rows.get(), g.CommonGrid, g.CommonGridSize,
              nullptr, nullptr, 0, d.ScanTimeOrder.data(), d.NFILES, 1, 1, 1, 0, 0.0f, 0, 0.0f, 0);
  ApplyLammSolverSettings(l, 1.0f);
  l.AutoGridSize = 0;
  l.OptimizeGridSpacing = 0;
  l.AutomaticAlgorithm = 0;
  l.FixedGrid = 1;
  l.MovingFrame = 0;
  l.DefaultGridSize = kBufferGridSize;
  l.SimulateAcceleration = d.RampRotorSpeed;
  const SolventConditionsRecord& sc = SolventConditions;
  l.SetSolvent(sc.BufferTemperature - 273.15, sc.VBAR, sc.BufferDensity, sc.RELVISCOSITY);
  const std::int32_t code = l.Solve();
  if (code == kSingularSystem) {
    PlayErrorSound();
    ShowBox(window, "singular tridiagonal matrix in buffer sedimentation!", "ERROR in simulation");
  }
  return code == 0 || code == kBlownUp || code == kSingularSystem;
}

namespace {

bool SolveSide(platform::WindowHandle window, const BufferSideRun& run,
               OneBasedMatrix<float>& rows) {
  CLammIdeal solver;
  return SolveBufferSide(window, run, rows, solver);
}

// Where the buffer's signal goes on the common grid: the discrete models'
// buffer column, or the one signal of a model simulated as a whole
// (association, reacting and non-ideal species), whose noise and model
// assembly read that species only. The latter's signal must be kept.
int BufferSignalRow() {
  const int current = GlobalLammRun.CurrentSpecies;
  return current >= 1 && current <= NCOMP ? current : NCOMP;
}

// One side added into the buffer component's place; sign +1 for the
// sample, -1 for the reference. The sample's signal replaces the buffer
// column's basis, the reference's is added; in another species' basis both
// are added.
void SimulateSide(platform::WindowHandle window, const BufferSideRun& run, double sign,
                  bool sample) {
  ScanDataSetRecord& d = ScanDataSet;
  const CommonRadialGridRecord& g = CommonRadialGrid;
  OneBasedMatrix<float> rows;
  if (!SolveSide(window, run, rows)) return;
  const double signal = sign * (run.Amplitude < 0 ? -1.0 : 1.0);
  const int component = BufferSignalRow();
  const bool replace = sample && IsBufferColumn(component);
  const bool basis = GlobalLammRun.BasisMode && SpeciesSignals.SpeciesBasis.hi() >= component;
  for (int t = GlobalLammRun.FirstSimulatedScan; t <= d.NFILES; ++t) {
    const int j = d.ScanTimeOrder[t];
    const float* row = rows[j];
    if (basis) {
      ScanArray& out = SpeciesSignals.SpeciesBasis[component][j];
      for (int k = 1; k <= std::min(g.CommonGridSize, out.hi()); ++k)
        out[k] = static_cast<float>((replace ? 0.0f : out[k]) + signal * row[k]);
      continue;
    }
    const int n = d.ScanPointCount[j];
    OneBasedArray<float> scratch(1, n);
    ResampleCurve(n, d.ScanRadius[j].data(), scratch.data(), g.CommonGridSize, g.CommonGrid, row);
    for (int k = 1; k <= n; ++k) d.ScanModel[j][k] += static_cast<float>(signal * scratch[k]);
  }
}

BufferRuns CurrentRuns(double amplitude) {
  BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  // The record keeps its derived D and Mb; the amplitude is the caller's.
  BufferRuns runs = DeriveBufferRuns(b, FitControl.MassInsteadOfD, SolventConditions.GasConstantRT,
                                     ModelParameters.Meniscus, ModelParameters.Bottom);
  BufferMismatchSettingsRecord scaled = b;
  scaled.BufferSignal = amplitude;
  const BufferRuns at = DeriveBufferRuns(scaled, FitControl.MassInsteadOfD,
                                         SolventConditions.GasConstantRT, ModelParameters.Meniscus,
                                         ModelParameters.Bottom);
  runs.Sample.Amplitude = at.Sample.Amplitude;
  runs.Reference.Amplitude = at.Reference.Amplitude;
  return runs;
}

}  // namespace

void SimulateBufferSedimentation(platform::WindowHandle window) {
  BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  // An option switched on since (the inhomogeneous solvent, say) may rule
  // the model out: the check says so and switches it off.
  if (!b.On || !CheckBufferSedCompatibility(window)) return;
  const BufferRuns runs = CurrentRuns(b.BufferSignal);
  // The sign says which sector holds the excess.
  SimulateSide(window, runs.Sample, b.Sign, true);
  SimulateSide(window, runs.Reference, -b.Sign, false);
}

bool SimulateBufferSignalOnGrid(float** rows, double amplitude) {
  const BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  const ScanDataSetRecord& d = ScanDataSet;
  const int size = CommonRadialGrid.CommonGridSize;
  if (!b.On || rows == nullptr || !CheckBufferSedCompatibility(nullptr)) return false;
  for (int j = 1; j <= d.NFILES; ++j)
    for (int k = 1; k <= size; ++k) rows[j][k] = 0.0f;
  const BufferRuns runs = CurrentRuns(amplitude);
  bool any = false;
  const std::pair<const BufferSideRun*, double> sides[] = {{&runs.Sample, b.Sign},
                                                          {&runs.Reference, -b.Sign}};
  for (const auto& [run, sign] : sides) {
    OneBasedMatrix<float> side;
    if (!SolveSide(nullptr, *run, side)) continue;
    any = true;
    const double signal = sign * (run->Amplitude < 0 ? -1.0 : 1.0);
    for (int j = 1; j <= d.NFILES; ++j)
      for (int k = 1; k <= size; ++k) rows[j][k] += static_cast<float>(signal * side[j][k]);
  }
  return any;
}
