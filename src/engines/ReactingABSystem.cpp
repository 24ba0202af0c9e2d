#include "engines/ReactingABSystem.h"

#include <algorithm>
#include <cmath>

#include "engines/BlockTridiagonal.h"
#include "engines/EngineRunReads.h"
#include "engines/GlobalLammMatrices.h"
#include "engines/HatElementIntegrals.h"
#include "engines/ReactingABDisplay.h"
#include "engines/ReactingABEngine.h"
#include "models/GlobalLammState.h"
#include "state/ModelParameters.h"
#include "ui/Boxes.h"

namespace {

// Newton passes end once the correction is this small against the
// concentrations; the remainder of the conservation laws is then of its
// square. The bound on the passes only guards against a stalled iteration.
constexpr double kNewtonTolerance = 1e-12;
constexpr int kMaxNewtonPasses = 12;
constexpr double kAcceptedCorrection = 1e-8;
// A step whose iteration stalls is made again in 2, 4, ... parts, up to this
// many, before the run gives up.
constexpr int kMaxStepParts = 16;

HatGrid Grid() {
  return HatGrid{GlobalLammArrays.LammRadius, GridSize()};
}

// The species node j and the partner node k of three-hat band b in row i.
void BandPair(int b, int i, int& j, int& k) {
  static constexpr int kSpecies[7] = {-1, -1, 0, 0, 0, 1, 1};
  static constexpr int kPartner[7] = {-1, 0, -1, 0, 1, 0, 1};
  j = i + kSpecies[b];
  k = i + kPartner[b];
}

// Three bands of one row.
struct RowBands {
  double l = 0.0, d = 0.0, u = 0.0;
};

double RowTimes(const RowBands& r, const double* x, int i, int n) {
  double sum = r.d * x[i];
  if (i > 1) sum += r.l * x[i - 1];
  if (i < n) sum += r.u * x[i + 1];
  return sum;
}

// Row i of M + f S for the stiffness bands S.
RowBands MassPlus(const TridiagonalBands& m, double f, double* const stiffness[3], int i) {
  return {m.l[i] + f * stiffness[0][i], m.d[i] + f * stiffness[1][i], m.u[i] + f * stiffness[2][i]};
}

// Row i of the complex's bands for partner y, with the three-hat bands
// ComplexMass + f ComplexTransport: entry (i, j) = sum_k P(i; j, k) y_k.
// Row 1 has no sub-diagonal and row n no super-diagonal.
RowBands PartnerRow(const ReactingArrays& w, double f, const double* y, int i, int n) {
  const auto P = [&](int b) { return w.ComplexMass[b][i] + f * w.ComplexTransport[b][i]; };
  RowBands r;
  r.d = y[i] * P(3);
  if (i > 1) {
    r.l = y[i - 1] * P(0) + y[i] * P(1);
    r.d += y[i - 1] * P(2);
  }
  if (i < n) {
    r.u = y[i] * P(5) + y[i + 1] * P(6);
    r.d += y[i + 1] * P(4);
  }
  return r;
}

// The old level's part of the Crank-Nicolson residuals, h = dt/2:
// (M - h S_X) x_old + (complex mass - h complex transport)(a_old, b_old).
void OldLevelTerms(const ReactingArrays& w, double h, const double* a, const double* b,
                   OneBasedArray<NodePair>& out) {
  const int n = GridSize();
  const TridiagonalBands m = GlobalLammWork().Mass;
  for (int i = 1; i <= n; ++i) {
    const double complex = RowTimes(PartnerRow(w, -h, b, i, n), a, i, n);
    out[i] = {RowTimes(MassPlus(m, -h, w.StiffnessA, i), a, i, n) + complex,
              RowTimes(MassPlus(m, -h, w.StiffnessB, i), b, i, n) + complex};
  }
}

// Residuals of the conservation of A and of B at the current FreeA, FreeB
// into FluxA, FluxB; with a system, also the Jacobian and the Newton
// right-hand side -F.
void Residuals(const ReactingArrays& w, double h, const OneBasedArray<NodePair>& old,
               BlockTridiagonalSystem* system) {
  const int n = GridSize();
  const double* a = w.FreeA;
  const double* b = w.FreeB;
  const TridiagonalBands m = GlobalLammWork().Mass;
  for (int i = 1; i <= n; ++i) {
    const RowBands ma = MassPlus(m, h, w.StiffnessA, i), mb = MassPlus(m, h, w.StiffnessB, i);
    const RowBands eb = PartnerRow(w, h, b, i, n), ea = PartnerRow(w, h, a, i, n);
    const double complex = RowTimes(eb, a, i, n);
    w.FluxA[i] = RowTimes(ma, a, i, n) + complex - old[i].a;
    w.FluxB[i] = RowTimes(mb, b, i, n) + complex - old[i].b;
    if (system == nullptr) continue;
    // d(complex)/da_j = eb(i, j), d(complex)/db_k = ea(i, k): the three-hat
    // integrals are symmetric in the species and the partner node.
    system->Lower[i] = {ma.l + eb.l, ea.l, eb.l, mb.l + ea.l};
    system->Diagonal[i] = {ma.d + eb.d, ea.d, eb.d, mb.d + ea.d};
    system->Upper[i] = {ma.u + eb.u, ea.u, eb.u, mb.u + ea.u};
    system->Rhs[i] = {-w.FluxA[i], -w.FluxB[i]};
  }
}

void UpdateAsymmetry(const ReactingArrays& w) {
  const int n = GridSize();
  double sum = 0.0;
  for (int i = 1; i <= n; ++i) sum += std::fabs(w.FluxA[i] - w.FluxB[i]);
  ReactingEngine.assymfact = sum / n;
}

void RestoreOldLevel(const ReactingArrays& w) {
  const int n = GridSize();
  std::copy(w.OldA + 1, w.OldA + n + 1, w.FreeA + 1);
  std::copy(w.OldB + 1, w.OldB + n + 1, w.FreeB + 1);
}

bool AllFinite(const ReactingArrays& w) {
  for (int i = 1; i <= GridSize(); ++i)
    if (!std::isfinite(w.FreeA[i]) || !std::isfinite(w.FreeB[i])) return false;
  return true;
}

// One Newton pass; returns the largest correction, or the node of a singular
// pivot block as a negative number.
double NewtonPass(const ReactingArrays& w, double h, const OneBasedArray<NodePair>& old,
                  BlockTridiagonalSystem& system) {
  Residuals(w, h, old, &system);
  const int singular = SolveBlockTridiagonal(system);
  if (singular != 0) return -singular;
  double largest = 0.0;
  for (int i = 1; i <= GridSize(); ++i) {
    w.FreeA[i] += system.Rhs[i].a;
    w.FreeB[i] += system.Rhs[i].b;
    largest = std::max({largest, std::fabs(system.Rhs[i].a), std::fabs(system.Rhs[i].b)});
  }
  return largest;
}

enum class NewtonResult { Converged, Stalled, Singular };

// Newton passes for one Crank-Nicolson step of length dt from the level
// (a0, b0) into FreeA, FreeB, starting from (a0, b0). The first pass of the
// first part is the predictor of the diagnostics.
NewtonResult NewtonSolve(const ReactingArrays& w, double dt, const double* a0, const double* b0,
                         bool showPredictor) {
  const int n = GridSize();
  const double h = 0.5 * dt;
  OneBasedArray<NodePair> old(1, n);
  OldLevelTerms(w, h, a0, b0, old);
  double scale = 0.0;
  for (int i = 1; i <= n; ++i) scale = std::max(scale, std::fabs(a0[i]) + std::fabs(b0[i]));
  BlockTridiagonalSystem system(n);
  double correction = 0.0;
  for (int pass = 1; pass <= kMaxNewtonPasses; ++pass) {
    correction = NewtonPass(w, h, old, system);
    // Singular at the start of a step, the system itself is; later, the
    // iteration has strayed.
    if (correction < 0.0 && pass > 1) return NewtonResult::Stalled;
    if (correction < 0.0) {
      ErrorBox(correction == -1.0 ? "Error 1 in tridag" : "Error 2 in tridag", false);
      GlobalLammRun.TridiagError = 1;
      return NewtonResult::Singular;
    }
    ReactingEngine.NewtonPasses = pass;
    if (pass == 1 && showPredictor) {
      std::copy(w.FreeA + 1, w.FreeA + n + 1, w.FreeATemp + 1);
      std::copy(w.FreeB + 1, w.FreeB + n + 1, w.FreeBTemp + 1);
      UpdateAsymmetry(w);
      ShowReactingDiagnostics(ReactingDisplay::Predictor);
    }
    if (!std::isfinite(correction)) return NewtonResult::Stalled;
    if (correction <= kNewtonTolerance * scale) break;
  }
  // Round-off can hold the correction above the tolerance; a remainder of
  // the square of what is left is still far below any concern.
  if (!(correction <= kAcceptedCorrection * scale) || !AllFinite(w)) return NewtonResult::Stalled;
  Residuals(w, h, old, nullptr);
  UpdateAsymmetry(w);
  return NewtonResult::Converged;
}

}  // namespace

void ReactingMakeGrid() {
  const int n = GridSize();
  const double m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
  double* r = GlobalLammArrays.LammRadius;
  r[1] = m;
  // A half interval at the meniscus, where the boundary forms.
  for (int i = 2; i <= n - 1; ++i) r[i] = m * std::pow(b / m, (i - 1.5) / (n - 1));
  r[n] = b;
  MovingGridState.ReferenceRadius.assign(r, r + n + 1);
  MovingGridState.GridRate = 0.0;
  MovingGridState.GridTime = GlobalLammRun.SimTime;
}

void ReactingAssemble(double w) {
  const ReactingSystemParametersRecord& p = ReactingSystemParameters;
  const double K = ReactingEngine.BindingConstant;
  const ReactingArrays a = ReactingWork();
  const GlobalLammWorkArrays m = GlobalLammWork();
  const HatGrid g = Grid();
  const int n = GridSize();
  const auto stiffness = [&](double s, double D, int i, int j) {
    return D * ReferenceDiffusionIntegral(g, i, j) -
           w * s * ReferenceSedimentationIntegral(g, i, j);
  };
  for (int i = 1; i <= n; ++i) {
    for (int k = 0; k < 3; ++k) {
      const int j = i - 1 + k;
      (k == 0 ? m.Mass.l : k == 1 ? m.Mass.d : m.Mass.u)[i] = HatElementIntegralB(g, i, j);
      a.StiffnessA[k][i] = stiffness(p.SedimentationA, p.DiffusionA, i, j);
      a.StiffnessB[k][i] = stiffness(p.SedimentationB, p.DiffusionB, i, j);
    }
    for (int band = 0; band < 7; ++band) {
      int j, k;
      BandPair(band, i, j, k);
      a.ComplexMass[band][i] = K * HatTripleMassIntegral(g, i, j, k);
      a.ComplexTransport[band][i] =
          K * (p.DiffusionComplex * HatTripleDiffusionIntegral(g, i, j, k) -
               w * p.SedimentationComplex * HatTripleIntegralA(g, i, j, k));
    }
    a.MassWeight[i] = HatElementIntegralC(g, i);
  }
}

bool ReactingCoupledStep(double dt) {
  const ReactingArrays w = ReactingWork();
  const int n = GridSize();
  OneBasedArray<double> startA(1, n), startB(1, n);
  // Steps that Newton's method cannot finish are made again in equal parts.
  for (int parts = 1; parts <= kMaxStepParts; parts *= 2) {
    RestoreOldLevel(w);
    NewtonResult result = NewtonResult::Converged;
    for (int k = 0; k < parts && result == NewtonResult::Converged; ++k) {
      std::copy(w.FreeA + 1, w.FreeA + n + 1, startA.data() + 1);
      std::copy(w.FreeB + 1, w.FreeB + n + 1, startB.data() + 1);
      result = NewtonSolve(w, dt / parts, startA.data(), startB.data(), k == 0);
    }
    if (result == NewtonResult::Singular) {
      RestoreOldLevel(w);
      return false;
    }
    if (result == NewtonResult::Converged) {
      const double K = ReactingEngine.BindingConstant;
      for (int i = 1; i <= n; ++i) w.Complex[i] = K * w.FreeA[i] * w.FreeB[i];
      ShowReactingDiagnostics(ReactingDisplay::Corrector);
      return true;
    }
  }
  GlobalLammRun.DiscretizationError = 1;
  RestoreOldLevel(w);
  return false;
}
