#include "models/SimulationArrays.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "state/ModelSelection.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "models/GlobalLammState.h"
#include "models/SimulateModel.h"
#include "models/SimulationErrors.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "numerics/ConstantShorthands.h"
#include "numerics/Hydrodynamics.h"
#include "numerics/RootFinders.h"

bool TruncationOffForSpecies = false;

namespace {

// The fewest points an optimised grid is made with.
constexpr int kOptimizedGridMinimum = 50;
// Fewer points leave no interior to build a finite-element grid on.
constexpr int kSmallestGrid = 3;

bool NeedsConcDependentBlock(ModelKind k) {
  return IsAssociationKind(k) || k == ModelKind::NonidealSingleSpecies ||
         k == ModelKind::HinderedSingleSpecies || IsNonidealCsFamily(k);
}

// count arrays of n + 1 values, zeroed; false on exhausted memory.
bool AllocBlock(std::vector<double>& block, int count, int n) {
  try {
    block.assign(static_cast<std::size_t>(count) * (static_cast<std::size_t>(n) + 1), 0.0);
  } catch (const std::bad_alloc&) {
    block.clear();
    block.shrink_to_fit();
    return false;
  }
  return true;
}

void ReleaseBlock(std::vector<double>& block) {
  std::vector<double>().swap(block);
}

bool AllocBlocks() {
  GlobalLammArraysRecord& a = GlobalLammArrays;
  const ModelKind kind = ModelSelection.Kind;
  const int n = LammSolverSettings.LammGridSize;
  if (n < kSmallestGrid) return false;
  a.LammAllocatedSize = n;
  a.LammArraysAllocated = 1;
  bool ok =
      AllocBlock(a.MainBlock, MainArrayCount, n) && AllocBlock(a.SliceBlock, SliceArrayCount, n);
  if (ok && kind == ModelKind::ReactingABC) ok = AllocBlock(a.ReactingBlock, ReactingArrayCount, n);
  if (ok && LammSolverSettings.MovingFrame)
    ok = AllocBlock(a.MovingHatBlock, MovingHatArrayCount, n);
  if (ok && NeedsConcDependentBlock(kind))
    ok = AllocBlock(a.ConcDependentBlock, ConcDependentArrayCount, n);
  a.LammOutputProfile = MainArray(0);
  a.LammConcentration = MainArray(1);
  a.LammRadius = MainArray(2);
  return ok;
}

// The blocks the current model and algorithm need are all there.
bool BlocksComplete() {
  const GlobalLammArraysRecord& a = GlobalLammArrays;
  const ModelKind kind = ModelSelection.Kind;
  if (a.MainBlock.empty() || a.SliceBlock.empty()) return false;
  if (LammSolverSettings.MovingFrame && a.MovingHatBlock.empty()) return false;
  if (kind == ModelKind::ReactingABC && a.ReactingBlock.empty()) return false;
  if (NeedsConcDependentBlock(kind) && a.ConcDependentBlock.empty()) return false;
  return true;
}

// The optimised fixed grid: uniform steps h0 from m up to and including the
// first point beyond rb, then steps h0 sqrt((rb/r)(r - m)/(rb - m)) that grow
// towards the bottom, since a boundary that has passed rb is wider there.
// The point whose step would reach b, or the maxPoints-th, is b. Writes the
// radii when out is given; returns the number of points.
int OptimizedGridWalk(double m, double b, double rb, double h0, int maxPoints, double* out) {
  double r = m;
  if (out) out[1] = r;
  int i = 1;
  while (true) {
    const double step = r <= rb ? h0 : h0 * std::sqrt((rb / r) * ((r - m) / (rb - m)));
    const double next = r + step;
    ++i;
    if (next >= b || i >= maxPoints) {
      if (out) out[i] = b;
      return i;
    }
    r = next;
    if (out) out[i] = r;
  }
}

}  // namespace

int AllocSimulationArrays() {
  if (!GlobalLammArrays.LammArraysAllocated && !AllocBlocks()) {
    FreeSimulationArrays();
    return 0;
  }
  if (!BlocksComplete()) {
    FreeSimulationArrays();
    return 0;
  }
  MakeRadialGrid();
  return 1;
}

int ResizeSimulationArrays(int n) {
  if (!GlobalLammArrays.LammArraysAllocated) return 0;
  FreeSimulationArrays();
  LammSolverSettings.LammGridSize = n;
  return AllocSimulationArrays();
}

void FreeSimulationArrays() {
  GlobalLammArraysRecord& a = GlobalLammArrays;
  ReleaseBlock(a.MainBlock);
  ReleaseBlock(a.SliceBlock);
  ReleaseBlock(a.ReactingBlock);
  ReleaseBlock(a.MovingHatBlock);
  ReleaseBlock(a.ConcDependentBlock);
  a.LammOutputProfile = a.LammConcentration = a.LammRadius = nullptr;
  a.LammArraysAllocated = 0;
}

void MakeRadialGrid() {
  GlobalLammArraysRecord& a = GlobalLammArrays;
  if (!a.LammArraysAllocated || DlsDataMode) return;
  const LammSolverSettingsRecord& s = LammSolverSettings;
  const double m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
  const int n = a.LammAllocatedSize;
  double* r = a.LammRadius;
  a.OptimizedGridMade = false;
  // Before meniscus and bottom are known (a model chosen before any data)
  // there is no cell to divide; the grid is built again before every run.
  if (!(m > 0.0 && b > m)) return;
  if (s.MovingFrame) {
    // Geometric: the moving hat keeps equal steps in ln r. The second point
    // lies half a step from the meniscus for a sedimenting grid and one and a
    // half for a floating one.
    const double q = b / m;
    const double g = std::pow(q, 1.0 / (n - 1));
    r[1] = m;
    r[2] = m * std::pow(q, (s.AutoSGridValue >= 0.0 ? 0.5 : 1.5) / (n - 1));
    for (int i = 3; i <= n - 1; ++i) r[i] = r[i - 1] * g;
    r[n] = b;
  } else if (s.FixedGrid && a.OptimizedGridRequested) {
    OptimizedGridWalk(m, b, a.OptimizedGridBreak, a.OptimizedGridBaseStep, n, r);
    a.OptimizedGridMade = true;
  } else if (s.FixedGrid) {
    for (int i = 1; i <= n; ++i) r[i] = m + (i - 1) * (b - m) / (n - 1);
  } else {
    for (int i = 1; i <= n; ++i) r[i] = m + (i - 0.5) * (b - m) / n;
  }
}

int OptimizedGridFromRadius(double rb) {
  GlobalLammArraysRecord& a = GlobalLammArrays;
  const LammSolverSettingsRecord& s = LammSolverSettings;
  const double m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
  const int n = s.LammGridSize;
  if (m == 0.0 || b == 0.0 || rb <= m || n < kOptimizedGridMinimum || !s.FixedGrid ||
      s.MovingFrame) {
    ResizeSimulationArrays(n);
    return LammSolverSettings.LammGridSize;
  }
  const double h0 = (b - m) / (n - 1);
  const int points = OptimizedGridWalk(m, b, rb, h0, n, nullptr);
  FreeSimulationArrays();
  if (points < kOptimizedGridMinimum) {
    LammSolverSettings.LammGridSize = kOptimizedGridMinimum;
    a.OptimizedGridRequested = false;
    AllocSimulationArrays();
  } else {
    LammSolverSettings.LammGridSize = points;
    a.OptimizedGridRequested = true;
    a.OptimizedGridBreak = rb;
    a.OptimizedGridBaseStep = h0;
    AllocSimulationArrays();
    a.OptimizedGridRequested = false;
  }
  return LammSolverSettings.LammGridSize;
}

double GrowthRatioResidual(double x) {
  const GlobalLammArraysRecord& a = GlobalLammArrays;
  const int k = a.StretchStartIndex, n = a.LammAllocatedSize;
  const double* r = a.LammRadius;
  const double h = r[k] - r[k - 1];
  double end = r[k], interval = h;
  for (int j = k + 1; j <= n; ++j) {
    interval *= x;
    end += interval;
  }
  return ModelParameters.Bottom - end;
}

int EquilibriumGridStretch(double a) {
  GlobalLammArraysRecord& g = GlobalLammArrays;
  if (!g.LammArraysAllocated || SpeciesSignals.BackDiffusionShutOffApplies || !g.OptimizedGridMade)
    return 0;
  const double m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
  const int n = g.LammAllocatedSize;
  double* r = g.LammRadius;
  // Where the equilibrium profile exp(a (r^2 - b^2)) has fallen to e^-10 of
  // its value at the bottom.
  const double nearest = m + 0.1 * (b - m);
  double rc = a * b * b > 10.0 ? b * std::sqrt(1.0 - 10.0 / (a * b * b)) : nearest;
  rc = std::max(rc, nearest);
  int k = 2;
  for (; k <= n; ++k) {
    r[k] = m + 1.1 * (r[k] - m);
    if (r[k] > rc) break;
  }
  k = std::min(k, n);
  g.StretchStartIndex = k;
  if (k < n) {
    const double h = r[k] - r[k - 1];
    const double x = zbrent(GrowthRatioResidual, 0.0, 10.0, 1e-6);
    double interval = h;
    for (int j = k + 1; j <= n; ++j) {
      interval *= x;
      r[j] = r[j - 1] + interval;
    }
  }
  r[n] = b;
  return 1;
}

void ChooseSpeciesGridSize(float s, float D) {
  LammSolverSettingsRecord& settings = LammSolverSettings;
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const ScanDataSetRecord& d = ScanDataSet;
  const SolventConditionsRecord& solvent = SolventConditions;
  const float celsius = solvent.BufferTemperature - 273.15f;
  const float mass = MFromSAndD(s, D, celsius);
  const float f0 = SphereFriction(mass, solvent.VBAR);
  run.FrictionalRatioEstimate =
      f0 > 0.0f ? FrictionFromMassAndS(mass, s, solvent.VBAR, solvent.BufferDensity) / f0 : 0.0f;
  if (run.FrictionalRatioEstimate < 0.5f) {
    SpeciesSignals.BackDiffusionShutOffApplies = false;
    TruncationOffForSpecies = true;
    settings.LammGridSize = settings.DefaultLammGridSize;
    ResizeSimulationArrays(settings.LammGridSize);
    return;
  }
  TruncationOffForSpecies = false;
  SpeciesSignals.BackDiffusionShutOffApplies = BackDiffusionShutOffTest(s, D);

  // When the boundary reaches the left fit limit, allowing for the distance
  // it travelled while the rotor accelerated.
  const float m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
  const int first = d.ScanTimeOrder[1], last = d.ScanTimeOrder[d.NFILES];
  const float rl = std::max(d.ScanRadius[1][d.ScanFirstFitIndex[1]], m + 0.001f);
  const float omega = static_cast<float>(2.0 * kPi * d.ScanHeaders[last].Rpm / 60.0);
  const float k = omega * omega * std::fabs(s) * 1e-13f;
  const float rate = static_cast<float>(d.ScanHeaders[first].RampAcceleration);
  const float ta = static_cast<float>(d.ScanHeaders[first].RampDuration);
  const float accelOmega = static_cast<float>(2.0 * kPi * rate / 60.0);
  const float da =
      std::fabs(s) * (1.0f / 3.0f) * 1e-13f * accelOmega * accelOmega * m * ta * ta * ta;
  const float tl = rl - m > da ? (rl - da - m) / (k * rl) + ta : (rl - m) / (k * rl);

  run.BoundaryWidth = std::fmax(std::sqrt(D * tl), 0.001f);
  const float spacing = run.BoundaryWidth / settings.PointsPerSigma;
  const int lower = settings.MinGridSize, upper = settings.MaxGridSize;
  // Counts beyond the upper limit end up there anyway; bounding them keeps
  // the search short and the conversions defined.
  float uniform = std::floor((b - m) * settings.PointsPerSigma / run.BoundaryWidth);
  uniform = std::fmin(std::fmax(uniform, 0.0f), static_cast<float>(upper) + 1.0f);
  // The geometric grid of the moving hat: the most points whose first
  // interval is still wider than the wanted spacing, plus one.
  const float q = b / m;
  int n = static_cast<int>(uniform);
  for (; n > lower; --n) {
    const float firstInterval = (std::pow(q, 1.5f / (n - 1)) - std::pow(q, 0.5f / (n - 1))) * m;
    if (firstInterval > spacing) break;
  }
  const int geometric = n > lower ? n + 1 : n;
  const int count = settings.MovingFrame ? geometric : static_cast<int>(uniform);
  settings.LammGridSize = std::clamp(count, lower, std::max(lower, upper));
  GlobalLammArrays.UniformGridCount = uniform;
  GlobalLammArrays.GeometricGridCount = geometric;
  GlobalLammArrays.LeftLimitRadius = rl;

  if (settings.FixedGrid && settings.OptimizeGridSpacing &&
      SpeciesSignals.BackDiffusionShutOffApplies && !IsZoneModel(ModelSelection.Kind))
    OptimizedGridFromRadius(rl);
  else
    ResizeSimulationArrays(settings.LammGridSize);
}

int AllocCosoluteArrays(int n, bool tables) {
  GlobalLammArraysRecord& a = GlobalLammArrays;
  if (a.CosoluteArraysAllocated && a.CosoluteGridSize != n) FreeCosoluteArrays();
  if (a.CosoluteArraysAllocated) return 1;
  if (n < 2) return 0;
  a.CosoluteGridSize = n;
  if (!AllocBlock(a.CosoluteBlock, CosoluteArrayCount, n) ||
      (tables && !AllocBlock(a.CosoluteTableBlock, CosoluteTableArrayCount, n))) {
    FreeCosoluteArrays();
    return 0;
  }
  const double m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
  double* grid = CosoluteArray(0);
  for (int i = 1; i <= n; ++i) grid[i] = m + (i - 1) * (b - m) / (n - 1);
  a.CosoluteArraysAllocated = 1;
  return 1;
}

void FreeCosoluteArrays() {
  GlobalLammArraysRecord& a = GlobalLammArrays;
  ReleaseBlock(a.CosoluteBlock);
  ReleaseBlock(a.CosoluteTableBlock);
  a.CosoluteArraysAllocated = 0;
  a.CosoluteGridSize = 0;
}
