// Finite-element matrices and the implicit step of the moving-frame solver.
//
// The nodes ride on a frame that stretches as xi = r / E(t), E = exp(kappa
// (t - t0)); meniscus and bottom stay in the cell and so move through the
// frame. With c = sum c_j phi_j(xi) and the weak form weighted by xi, the Lamm
// equation in its conservative arbitrary Lagrangian-Eulerian form reads
// d/dt (E^2 M c) = E^2 A(t) c, A = -(D/E^2) K - V, V = -kappa W^T - sigma S:
// the diffusion of the cell seen in frame coordinates, the sedimentation of
// the cell and the transport by the moving nodes (W_ij = -int xi (xi - u)
// phi_i phi_j', u the motion of the pinned end nodes). The columns of K, S and
// W^T sum to zero, so the amount E^2 sum_j w_j c_j (w_j the node weights) is
// kept exactly by every Crank-Nicolson step, however the end elements change;
// with the frame at the species' speed the plateau falls by E^-2 exactly.
// Only the first two and the last two rows see the moving ends; every other
// entry is fixed for the run, and on the geometric frame grid a whole shift
// interval always meets the same matrices, which are factorised once.

#include <algorithm>
#include <cassert>
#include <cmath>
#include <type_traits>

#include "lamm/CLammIdeal.h"
#include "lamm/ElementIntegrals.h"
#include "lamm/SolventFactors.h"
#include "numerics/ConstantShorthands.h"
#include "ui/Boxes.h"

namespace {

// A tridiagonal matrix as the solver holds it.
struct Tri {
  double* Lower;
  double* Diag;
  double* Upper;
};

// The entry (row, col) of a tridiagonal matrix, |row - col| <= 1.
double& At(const Tri& m, int row, int col) {
  assert(col >= row - 1 && col <= row + 1);
  if (col == row) return m.Diag[row];
  return col > row ? m.Upper[row] : m.Lower[row];
}

// Row and column of the k-th boundary entry: (1,1), (1,2), (2,1), (2,2),
// (N-1,N-1), (N-1,N), (N,N-1), (N,N).
int BoundaryRow(int k, int n) {
  constexpr int rows[8] = {1, 1, 2, 2, -1, -1, 0, 0};
  return rows[k] > 0 ? rows[k] : n + rows[k];
}
int BoundaryColumn(int k, int n) {
  constexpr int columns[8] = {1, 2, 1, 2, -1, 0, -1, 0};
  return columns[k] > 0 ? columns[k] : n + columns[k];
}

// The four matrices of one set of boundary entries.
struct EntryValues {
  double Mass, Diffusion, Sedimentation, FrameTerm;
};

}  // namespace

// --- Element integrals on the frame grid (xi_1 and xi_N included) ---

double CLammIdeal::FrameMassIntegral(int i, int j) const {
  return PinnedFrameMassIntegral({FrameGrid, GridSize}, i, j);
}

// In an inhomogeneous solvent the local factors of the nodes weight the
// diffusion and sedimentation integrals; the nodes carry their factors as
// they ride with the frame.
double CLammIdeal::FrameDiffusionIntegral(int i, int j) const {
  if (InhomogeneousSolvent && SolventFactorCount == GridSize)
    return ViscosityWeightedDiffusionIntegral(ViscosityFactors.data(), FrameGrid, GridSize, i, j);
  return PinnedFrameStiffnessIntegral({FrameGrid, GridSize}, i, j);
}

double CLammIdeal::FrameSedimentationIntegral(int i, int j) const {
  if (InhomogeneousSolvent && SolventFactorCount == GridSize)
    return FactorWeightedSedimentationIntegral(ViscosityFactors.data(), BuoyancyFactors.data(),
                                               FrameGrid, GridSize, i, j);
  return PinnedFrameSedimentationIntegral({FrameGrid, GridSize}, i, j);
}

// The nodes move with the frame except the two end nodes, so the node speed
// over the frame rate is xi - u(xi) with u = xi_1 phi_1 + xi_N phi_N.
double CLammIdeal::FrameConvectionIntegral(int i, int j) const {
  return PinnedFrameTermIntegral({FrameGrid, GridSize}, i, j);
}

double CLammIdeal::FrameTermIntegral(int i, int j) const {
  return FrameConvectionIntegral(i, j) - FrameSedimentationIntegral(i, j);
}

double CLammIdeal::FrameNodeWeight(int i) const {
  return PinnedFrameLumpedWeight({FrameGrid, GridSize}, i);
}

namespace {

// The open end of a closed cell when back-diffusion is cut off: the end toward
// which the species moves lets its diffusion and sedimentation flux leave.
// Returns the corrections of K and S at (i, j).
struct CutOffTerms {
  double Diffusion = 0, Sedimentation = 0;
};

CutOffTerms OpenEndTerms(const CLammIdeal& l, int i, int j) {
  CutOffTerms t;
  if (!l.BackDiffusionCut || l.InhomogeneousSolvent) return t;
  const int n = l.GridSize;
  const double* x = l.FrameGrid;
  if (l.SedimentationCoeff < 0 && i == 1 && j <= 2) {
    const double g = x[1] / (x[2] - x[1]);
    t.Diffusion = j == 1 ? -g : g;
    if (j == 1) t.Sedimentation = x[1] * x[1];
  } else if (l.SedimentationCoeff > 0 && i == n && j >= n - 1) {
    const double g = x[n] / (x[n] - x[n - 1]);
    t.Diffusion = j == n ? -g : g;
    if (j == n) t.Sedimentation = -x[n] * x[n];
  }
  return t;
}

// Entries (i, j) of M, K, sigma S and V on the current frame grid. The frame
// term is that of the conservative form, -kappa W^T - sigma S: the transpose
// of the node-motion integral, whose columns sum to zero like those of K and
// S, so no step creates or loses material.
EntryValues FrameEntries(const CLammIdeal& l, int i, int j) {
  const CutOffTerms cut = OpenEndTerms(l, i, j);
  const double sigma = l.SedimentationRate, kappa = l.GridSedimentationRate;
  // All four integrals of the entry in one evaluation; an inhomogeneous
  // solvent weights diffusion and sedimentation by the nodes' factors.
  const FrameEntryIntegrals f = PinnedFrameEntry({l.FrameGrid, l.GridSize}, i, j);
  const bool weighted = l.InhomogeneousSolvent && l.SolventFactorCount == l.GridSize;
  EntryValues e;
  e.Mass = f.Mass;
  e.Diffusion = (weighted ? l.FrameDiffusionIntegral(i, j) : f.Stiffness) + cut.Diffusion;
  const double s =
      (weighted ? l.FrameSedimentationIntegral(i, j) : f.Sedimentation) + cut.Sedimentation;
  e.Sedimentation = sigma * s;
  e.FrameTerm = -kappa * f.Term - sigma * s;
  return e;
}

Tri MassMatrix(const CLammIdeal& l) {
  return {l.MassLower, l.MassDiag, l.MassUpper};
}
Tri DiffusionMatrix(const CLammIdeal& l) {
  return {l.DiffusionLower, l.DiffusionDiagonal, l.DiffusionUpper};
}
Tri SedimentationMatrix(const CLammIdeal& l) {
  return {l.SedimentationLower, l.SedimentationDiagonal, l.SedimentationUpper};
}
Tri FrameTermMatrix(const CLammIdeal& l) {
  return {l.FrameTermLower, l.FrameTermDiagonal, l.FrameTermUpper};
}

void StoreEntries(const CLammIdeal& l, int i, int j, const EntryValues& e) {
  At(MassMatrix(l), i, j) = e.Mass;
  At(DiffusionMatrix(l), i, j) = e.Diffusion;
  At(SedimentationMatrix(l), i, j) = e.Sedimentation;
  At(FrameTermMatrix(l), i, j) = e.FrameTerm;
}

// The end-element weights of the grid shift on the set-up grid: P1..P4 at the
// meniscus, Q1..Q4 at the bottom (partial integrals of xi phi_i over the
// first two and last two elements).
void StoreShiftWeights(CLammIdeal& l) {
  const int n = l.GridSize;
  const double* x = l.FrameGrid;
  const double m = l.Meniscus, b = l.Bottom;
  auto& w = l.ShiftWeights;
  w[0] = (x[2] - m) * (x[2] + 2 * m) / 6;
  w[1] = (x[3] - m) * (x[2] + m + x[3]) / 6;
  w[2] = (x[2] - m) * (2 * x[2] + m) / 6;
  w[3] = (x[3] - x[2]) * (2 * x[3] + x[2]) / 6;
  w[4] = (b - x[n - 1]) * (2 * b + x[n - 1]) / 6;
  w[5] = (b - x[n - 2]) * (x[n - 1] + x[n - 2] + b) / 6;
  w[6] = (b - x[n - 1]) * (b + 2 * x[n - 1]) / 6;
  w[7] = (x[n - 1] - x[n - 2]) * (x[n - 1] + 2 * x[n - 2]) / 6;
}

// Rows (i, i-1), (i, i), (i, i+1) that exist.
template <class F>
void ForEachEntry(int n, F&& f) {
  for (int i = 1; i <= n; ++i)
    for (int j = i - 1; j <= i + 1; ++j)
      if (j >= 1 && j <= n) f(i, j);
}

// The matrices of a step of length dt in the conservative form
// E1^2 M1 c1 - E0^2 M0 c0 = dt/2 (E0^2 A0 c0 + E1^2 A1 c1), divided by E1^2:
// rhs = (E0/E1)^2 (M0 + dt/2 A0), lhs = M1 - dt/2 A1, with A = -d K - V and
// d the diffusion coefficient in frame coordinates at each end (d0, d1). The
// arrays hold M, K and V at the start; the boundary entries at the end come
// from NewBoundaryEntries.
void FormStepMatrices(CLammIdeal& l, double dt, double e0, double e1, const Tri& rhs,
                      const Tri& lhs) {
  const int n = l.GridSize;
  const double h = 0.5 * dt, scale = (e0 * e0) / (e1 * e1);
  const double d0 = l.DiffusionCoeff / (e0 * e0), d1 = l.DiffusionCoeff / (e1 * e1);
  const Tri mass = MassMatrix(l), k = DiffusionMatrix(l), v = FrameTermMatrix(l);
  for (int i = 1; i <= n; ++i) {
    rhs.Lower[i] = scale * (mass.Lower[i] - h * (d0 * k.Lower[i] + v.Lower[i]));
    rhs.Diag[i] = scale * (mass.Diag[i] - h * (d0 * k.Diag[i] + v.Diag[i]));
    rhs.Upper[i] = scale * (mass.Upper[i] - h * (d0 * k.Upper[i] + v.Upper[i]));
    lhs.Lower[i] = mass.Lower[i] + h * (d1 * k.Lower[i] + v.Lower[i]);
    lhs.Diag[i] = mass.Diag[i] + h * (d1 * k.Diag[i] + v.Diag[i]);
    lhs.Upper[i] = mass.Upper[i] + h * (d1 * k.Upper[i] + v.Upper[i]);
  }
  const auto& e = l.NewBoundaryEntries;
  for (int b = 0; b < 8; ++b) {
    const int i = BoundaryRow(b, n), j = BoundaryColumn(b, n);
    At(lhs, i, j) = e.Mass[b] + h * (d1 * e.Diffusion[b] + e.FrameTerm[b]);
  }
  rhs.Lower[1] = lhs.Lower[1] = 0.0;
  rhs.Upper[n] = lhs.Upper[n] = 0.0;
}

}  // namespace

void CLammIdeal::AssembleFrameMatrices() {
  SetUpFrameGrid();
  FrameStretch = FrameStretchSquared = FrameStretchAtShift = 1.0;
  ForEachEntry(GridSize,
               [&](int i, int j) { StoreEntries(*this, i, j, FrameEntries(*this, i, j)); });
  for (double* diagonal : {MassLower, DiffusionLower, SedimentationLower, FrameTermLower})
    diagonal[1] = 0.0;
  for (double* diagonal : {MassUpper, DiffusionUpper, SedimentationUpper, FrameTermUpper})
    diagonal[GridSize] = 0.0;
  StoreShiftWeights(*this);
}

void CLammIdeal::ReassembleForSpeed() {
  const double omega = CurrentRpm * kRpmToOmega;
  const double previous = SedimentationRate;
  SedimentationRate = omega * omega * SedimentationCoeff * 1e-13;
  const int n = GridSize;
  const Tri sed = SedimentationMatrix(*this), v = FrameTermMatrix(*this);
  if (SolventFactorsEachStep) {
    // The factors have moved with the co-solute: diffusion, sedimentation
    // and frame term again, row by row, on the frame's current ends.
    const Tri k = DiffusionMatrix(*this);
    ForEachEntry(n, [&](int i, int j) {
      const EntryValues e = FrameEntries(*this, i, j);
      At(k, i, j) = e.Diffusion;
      At(sed, i, j) = e.Sedimentation;
      At(v, i, j) = e.FrameTerm;
    });
  } else if (previous != 0.0) {
    // The entries of S do not depend on the speed: rescale sigma S and move
    // the frame term by the change of sigma S.
    const double ratio = SedimentationRate / previous;
    for (int i = 1; i <= n; ++i) {
      double* s[3] = {&sed.Lower[i], &sed.Diag[i], &sed.Upper[i]};
      double* f[3] = {&v.Lower[i], &v.Diag[i], &v.Upper[i]};
      for (int k = 0; k < 3; ++k) {
        const double updated = *s[k] * ratio;
        *f[k] -= updated - *s[k];
        *s[k] = updated;
      }
    }
  } else if (SedimentationRate != 0.0) {
    ForEachEntry(n, [&](int i, int j) {
      const EntryValues e = FrameEntries(*this, i, j);
      At(sed, i, j) = e.Sedimentation;
      At(v, i, j) = e.FrameTerm;
    });
  }
  // The boundary entries again, exactly, at the frame's current ends.
  for (int b = 0; b < 8; ++b) {
    const int i = BoundaryRow(b, n), j = BoundaryColumn(b, n);
    const EntryValues e = FrameEntries(*this, i, j);
    At(sed, i, j) = NewBoundaryEntries.Sedimentation[b] = e.Sedimentation;
    At(v, i, j) = NewBoundaryEntries.FrameTerm[b] = e.FrameTerm;
  }
}

void CLammIdeal::BoundaryEntriesNow() {
  for (int b = 0; b < 8; ++b) {
    const int i = BoundaryRow(b, GridSize), j = BoundaryColumn(b, GridSize);
    StoreEntries(*this, i, j, FrameEntries(*this, i, j));
  }
}

void CLammIdeal::BoundaryEntriesAt(double x) {
  const int n = GridSize;
  FrameStretch = FrameStretchAt(x);
  const double first = FrameGrid[1], last = FrameGrid[n];
  FrameGrid[1] = Meniscus / FrameStretch;
  FrameGrid[n] = Bottom / FrameStretch;
  for (int b = 0; b < 8; ++b) {
    const EntryValues e = FrameEntries(*this, BoundaryRow(b, n), BoundaryColumn(b, n));
    NewBoundaryEntries.Mass[b] = e.Mass;
    NewBoundaryEntries.Diffusion[b] = e.Diffusion;
    NewBoundaryEntries.Sedimentation[b] = e.Sedimentation;
    NewBoundaryEntries.FrameTerm[b] = e.FrameTerm;
  }
  FrameGrid[1] = first;
  FrameGrid[n] = last;
}

namespace {

// Twisted factors of a tridiagonal matrix: rows above the middle row
// k = N/2 are eliminated downward, rows below it upward, so that every
// solution runs two independent chains of substitutions instead of one
// twice as long. Per row: the reciprocal pivot, the coupling to the row
// already eliminated over the pivot and the back-substitution ratio. The
// whole-interval matrix keeps its factors for the run (in the fixed grid's
// explicit upper and lower diagonals, free in this variant, and
// IntervalRatios); a general step factors its own matrix into the tridag
// scratch arrays. 0, or the row of a zero pivot.
struct TwistedFactors {
  double* Coupling;
  double* Inverse;
  double* Back;
};

int FactorTwisted(const Tri& m, int n, const TwistedFactors& f) {
  const int k = n / 2;
  const double *a = m.Lower, *b = m.Diag, *c = m.Upper;
  double *coupling = f.Coupling, *inverse = f.Inverse, *back = f.Back;
  auto row = [&](int i, double pivot, double toward, double away) {
    if (pivot == 0.0) return false;
    inverse[i] = 1.0 / pivot;
    coupling[i] = toward * inverse[i];
    back[i] = away * inverse[i];
    return true;
  };
  int i = 1, j = n;
  for (; i < k && j > k; ++i, --j) {
    if (!row(i, i == 1 ? b[1] : b[i] - a[i] * back[i - 1], a[i], c[i])) return i;
    if (!row(j, j == n ? b[n] : b[j] - c[j] * back[j + 1], c[j], a[j])) return j;
  }
  for (; i < k; ++i)
    if (!row(i, i == 1 ? b[1] : b[i] - a[i] * back[i - 1], a[i], c[i])) return i;
  for (; j > k; --j)
    if (!row(j, j == n ? b[n] : b[j] - c[j] * back[j + 1], c[j], a[j])) return j;
  const double middle = b[k] - a[k] * back[k - 1] - c[k] * back[k + 1];
  if (middle == 0.0) return k;
  inverse[k] = 1.0 / middle;
  return 0;
}

}  // namespace

void CLammIdeal::PrepareIntervalMatrices() {
  const double delta = ShiftInterval;
  FrameStretchSquared = 1.0;
  SetFrameBoundaries(0.0);
  BoundaryEntriesNow();
  BoundaryEntriesAt(delta);
  FormStepMatrices(*this, delta, 1.0, FrameStretchAt(delta),
                   {IntervalRhsLower, IntervalRhsDiagonal, IntervalRhsUpper},
                   {IntervalLhsLower, IntervalLhsDiagonal, IntervalLhsUpper});
  // A zero pivot here would meet every whole-interval step: the run ends as
  // for a zero pivot of a single step.
  if (FactorTwisted({IntervalLhsLower, IntervalLhsDiagonal, IntervalLhsUpper}, GridSize,
                    {ExplicitLower, ExplicitUpper, IntervalRatios}) != 0)
    TridagError = 1;
  IntervalMatricesPlateau = SpeedPlateauCount;
}

namespace {

// One step with twisted factors of the implicit matrix lhs: the right-hand
// side rhs x, the downward elimination of the upper half and the upward
// elimination of the lower half in one pass, the middle row, then the two
// back substitutions outward, side by side.
void TwistedSubstitution(const Tri& rhs, const Tri& lhs, const TwistedFactors& f, const double* x,
                         double* u, int n) {
  const int k = n / 2;
  const double *a = rhs.Lower, *b = rhs.Diag, *c = rhs.Upper;
  const double *coupling = f.Coupling, *inverse = f.Inverse, *back = f.Back;
  auto product = [&](int i) { return a[i] * x[i - 1] + b[i] * x[i] + c[i] * x[i + 1]; };
  // The last values of both chains stay in registers.
  double top = u[1] = (b[1] * x[1] + c[1] * x[2]) * inverse[1];
  double bottom = u[n] = (a[n] * x[n - 1] + b[n] * x[n]) * inverse[n];
  const int above = k - 2, below = n - k - 1;  // rows 2..k-1 and k+1..n-1
  const int both = std::min(above, below);
  int i = 2, j = n - 1;
  for (int m = 0; m < both; ++m, ++i, --j) {
    top = u[i] = product(i) * inverse[i] - coupling[i] * top;
    bottom = u[j] = product(j) * inverse[j] - coupling[j] * bottom;
  }
  for (; i < k; ++i) top = u[i] = product(i) * inverse[i] - coupling[i] * top;
  for (; j > k; --j) bottom = u[j] = product(j) * inverse[j] - coupling[j] * bottom;
  const double middle = u[k] =
      (product(k) - lhs.Lower[k] * u[k - 1] - lhs.Upper[k] * u[k + 1]) * inverse[k];
  top = bottom = middle;
  const int up = k - 1, down = n - k;  // rows k-1..1 and k+1..n
  i = k - 1;
  j = k + 1;
  for (int m = 0; m < std::min(up, down); ++m, --i, ++j) {
    top = u[i] -= back[i] * top;
    bottom = u[j] -= back[j] * bottom;
  }
  for (; i >= 1; --i) top = u[i] -= back[i] * top;
  for (; j <= n; ++j) bottom = u[j] -= back[j] * bottom;
}

// A step that is not a whole interval meets its matrices once: forming them,
// factoring the implicit one and the forward half of the solution run in one
// pass per row, where the formation and the right-hand side fill the time the
// pivots' chain of divisions leaves idle. Entries, factors and sums are those
// of FormStepMatrices, FactorTwisted and TwistedSubstitution, in the same
// order, so the result is the same to the bit.
class SingleStep {
 public:
  SingleStep(const CLammIdeal& l, double dt, double e0, double e1)
      : n_(l.GridSize),
        h_(0.5 * dt),
        scale_((e0 * e0) / (e1 * e1)),
        d0_(l.DiffusionCoeff / (e0 * e0)),
        d1_(l.DiffusionCoeff / (e1 * e1)),
        mass_(MassMatrix(l)),
        k_(DiffusionMatrix(l)),
        v_(FrameTermMatrix(l)) {
    // The implicit rows that see the frame's ends at the end of the step.
    const auto& e = l.NewBoundaryEntries;
    for (int r = 0; r < 4; ++r) edge_[r] = Regular(EdgeRow(r));
    for (int b = 0; b < 8; ++b) {
      const int i = BoundaryRow(b, n_), j = BoundaryColumn(b, n_);
      Row& row = edge_[i <= 2 ? i - 1 : i - n_ + 3];
      (j < i ? row.a : j == i ? row.b : row.c) =
          e.Mass[b] + h_ * (d1_ * e.Diffusion[b] + e.FrameTerm[b]);
    }
    edge_[0].a = 0.0;
    edge_[3].c = 0.0;
  }

  // Solves the step from x into u, keeping the back-substitution ratios in
  // back. 0, or the row of a zero pivot (u is then partly written).
  int Solve(const double* x, double* u, double* back) const {
    const int n = n_, k = n / 2;
    // Row i of the chain that eliminates downward (toward = lower entry) or
    // upward; the factor of the row's pivot, the forward value of u.
    struct Chain {
      double back = 0.0, u = 0.0;
    } top, bottom;
    // Rows 3 .. N-2 (Inner) are regular rows with three neighbours, so the
    // tests for the end rows drop out of the long stretch.
    auto downward = [&](int i, auto inner) {
      constexpr bool kInner = decltype(inner)::value;
      const Row m = kInner ? Regular(i) : Implicit(i);
      const bool first = !kInner && i == 1;
      const double pivot = first ? m.b : m.b - m.a * top.back;
      if (pivot == 0.0) return false;
      const double inverse = 1.0 / pivot, coupling = m.a * inverse;
      top.back = back[i] = m.c * inverse;
      const double p = kInner ? InnerProduct(x, i) : Product(x, i);
      top.u = u[i] = first ? p * inverse : p * inverse - coupling * top.u;
      return true;
    };
    auto upward = [&](int j, auto inner) {
      constexpr bool kInner = decltype(inner)::value;
      const Row m = kInner ? Regular(j) : Implicit(j);
      const bool last = !kInner && j == n;
      const double pivot = last ? m.b : m.b - m.c * bottom.back;
      if (pivot == 0.0) return false;
      const double inverse = 1.0 / pivot, coupling = m.c * inverse;
      bottom.back = back[j] = m.a * inverse;
      const double p = kInner ? InnerProduct(x, j) : Product(x, j);
      bottom.u = u[j] = last ? p * inverse : p * inverse - coupling * bottom.u;
      return true;
    };
    constexpr std::true_type kInner;
    constexpr std::false_type kAny;
    int i = 1, j = n;
    for (; i < k && j > k && (i <= 2 || j >= n - 1); ++i, --j) {
      if (!downward(i, kAny)) return i;
      if (!upward(j, kAny)) return j;
    }
    for (; i < k && j > k; ++i, --j) {
      if (!downward(i, kInner)) return i;
      if (!upward(j, kInner)) return j;
    }
    for (; i < k; ++i)
      if (!downward(i, kAny)) return i;
    for (; j > k; --j)
      if (!upward(j, kAny)) return j;
    const Row m = Implicit(k);
    const double middle = m.b - m.a * back[k - 1] - m.c * back[k + 1];
    if (middle == 0.0) return k;
    const double centre = u[k] = (Product(x, k) - m.a * u[k - 1] - m.c * u[k + 1]) * (1.0 / middle);
    double up = centre, down = centre;
    i = k - 1;
    j = k + 1;
    for (int s = 0; s < std::min(k - 1, n - k); ++s, --i, ++j) {
      up = u[i] -= back[i] * up;
      down = u[j] -= back[j] * down;
    }
    for (; i >= 1; --i) up = u[i] -= back[i] * up;
    for (; j <= n; ++j) down = u[j] -= back[j] * down;
    return 0;
  }

 private:
  struct Row {
    double a, b, c;
  };
  int EdgeRow(int r) const { return r < 2 ? r + 1 : n_ - 3 + r; }
  Row Regular(int i) const {
    return {mass_.Lower[i] + h_ * (d1_ * k_.Lower[i] + v_.Lower[i]),
            mass_.Diag[i] + h_ * (d1_ * k_.Diag[i] + v_.Diag[i]),
            mass_.Upper[i] + h_ * (d1_ * k_.Upper[i] + v_.Upper[i])};
  }
  Row Implicit(int i) const {
    if (i <= 2) return edge_[i - 1];
    if (i >= n_ - 1) return edge_[i - n_ + 3];
    return Regular(i);
  }
  // Row i of the right-hand-side matrix times x; InnerProduct for rows with
  // three neighbours.
  double Product(const double* x, int i) const {
    if (i == 1) return Diagonal(1) * x[1] + Upper(1) * x[2];
    if (i == n_) return Lower(n_) * x[n_ - 1] + Diagonal(n_) * x[n_];
    return InnerProduct(x, i);
  }
  double InnerProduct(const double* x, int i) const {
    return Lower(i) * x[i - 1] + Diagonal(i) * x[i] + Upper(i) * x[i + 1];
  }
  double Diagonal(int i) const {
    return scale_ * (mass_.Diag[i] - h_ * (d0_ * k_.Diag[i] + v_.Diag[i]));
  }
  double Lower(int i) const {
    return scale_ * (mass_.Lower[i] - h_ * (d0_ * k_.Lower[i] + v_.Lower[i]));
  }
  double Upper(int i) const {
    return scale_ * (mass_.Upper[i] - h_ * (d0_ * k_.Upper[i] + v_.Upper[i]));
  }

  int n_;
  double h_, scale_, d0_, d1_;
  Tri mass_, k_, v_;
  Row edge_[4];  // rows 1, 2, N-1, N
};

// The prepared whole-interval matrices fit a step that starts at the frame
// origin, lasts one shift interval, and runs at the speed they were made for.
bool PreparedPathFits(const CLammIdeal& l, double dt) {
  if (l.Accelerating || l.SolventFactorsEachStep || dt != l.ShiftInterval) return false;
  return (l.IntervalStepping && l.UseIntervalMatrices) || l.CurrentTime == l.FrameOriginTime;
}

}  // namespace

void CLammIdeal::MovingFrameStep(double dt) {
  const double t = CurrentTime, x = t - FrameOriginTime;
  if ((SimulateAcceleration || SpeedScheduleOn) && Accelerating) {
    CurrentRpm = RpmOverStep(t, dt);
    ReassembleForSpeed();
  }
  const int n = GridSize;
  if (PreparedPathFits(*this, dt)) {
    SetFrameBoundaries(0.0);
    // Matrices made at another speed (before a ramp ended, or at an earlier
    // plateau of a speed program) are made again for this plateau.
    if (IntervalMatricesPlateau != SpeedPlateauCount) PrepareIntervalMatrices();
    if (TridagError) {
      for (int i = 1; i <= n; ++i) Concentration[i] = PreviousConcentration[i];
      return;
    }
    TwistedSubstitution({IntervalRhsLower, IntervalRhsDiagonal, IntervalRhsUpper},
                        {IntervalLhsLower, IntervalLhsDiagonal, IntervalLhsUpper},
                        {ExplicitLower, ExplicitUpper, IntervalRatios}, PreviousConcentration,
                        Concentration, n);
    DampRunawayValues();
    return;
  }
  const double e0 = FrameStretchAt(x), e1 = FrameStretchAt(x + dt);
  FrameStretchSquared = e0 * e0;
  SetFrameBoundaries(x);
  BoundaryEntriesNow();
  BoundaryEntriesAt(x + dt);
  FrameStretch = e0;
  // The step's back-substitution ratios go into a tridag scratch array, so
  // the kept factors of the interval matrix survive.
  if (const int row = SingleStep(*this, dt, e0, e1).Solve(PreviousConcentration, Concentration,
                                                           TridagGamma);
      row != 0) {
    ErrorBox(row == 1 ? "Error 1 in tridag" : "Error 2 in tridag", false);
    TridagError = 1;
    for (int i = 1; i <= n; ++i) Concentration[i] = PreviousConcentration[i];
    return;
  }
  DampRunawayValues();
}
