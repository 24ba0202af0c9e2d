// The linear algebra under the fixed-grid Crank-Nicolson steps of the Lamm
// solver. The Galerkin form of the Lamm equation with linear hat functions on
// the radial grid is M dc/dt = B c, with the mass matrix M_ij = int r phi_i
// phi_j dr and the transport matrix B = s w^2 S - D K, S_ij = int r^2 phi_j
// phi_i' dr, K_ij = int r phi_i' phi_j' dr (row i, column j). One step solves
//   (M - dt/2 B) c_new = (M + dt/2 B) c_old.
// Only the active window of nodes is solved: nodes left of it are depleted
// and held at zero, nodes right of it carry the analytic plateau.

#include <algorithm>
#include <cassert>
#include <cmath>
#include <numbers>

#include "lamm/CLammIdeal.h"
#include "lamm/ElementIntegrals.h"
#include "lamm/SolventFactors.h"
#include "numerics/ConstantShorthands.h"
#include "ui/Boxes.h"

namespace {

// Row i of M and B for a grid cut at node n (row n carries the bottom form:
// its hat keeps only its left element), with q = s w^2 in 1/s. The
// back-diffusion cut-off opens the bottom row (s > 0) or the meniscus row
// (s < 0) to an outflow.
void AssembleRow(CLammIdeal& l, int i, int n, double q) {
  assert(n >= 2 && i >= 1 && i <= n);
  const double D = l.DiffusionCoeff;
  const double* r = l.Radius;
  double ml = 0.0, md = 0.0, mu = 0.0, bl = 0.0, bd = 0.0, bu = 0.0;
  // In an inhomogeneous solvent the local s and D factors of the solvent,
  // interpolated between the nodes, weight the integrals.
  const bool factors = l.InhomogeneousSolvent && l.SolventFactorCount >= n;
  if (!l.NonUniformGrid && !factors) {
    // Closed forms of the integrals on equal elements of width h.
    const double h = l.ElementWidth, ri = r[i], h2 = h * h;
    if (i == 1) {
      md = (h / 3) * (ri + h / 4);
      bd = -q * (ri * ri / 2 + h * ri / 3 + h2 / 12) - D * (ri + h / 2) / h;
    } else if (i == n) {
      md = (h / 3) * (ri - h / 4);
      bd = q * (ri * ri / 2 - h * ri / 3 + h2 / 12) - D * (ri - h / 2) / h;
    } else {
      md = (2 * h / 3) * ri;
      bd = -(2 * h / 3) * q * ri - 2 * D * ri / h;
    }
    if (i > 1) {
      ml = (h / 6) * (ri - h / 2);
      bl = q * (ri * ri / 2 - 2 * h * ri / 3 + h2 / 4) + D * (ri - h / 2) / h;
    }
    if (i < n) {
      mu = (h / 6) * (ri + h / 2);
      bu = -q * (ri * ri / 2 + 2 * h * ri / 3 + h2 / 4) + D * (ri + h / 2) / h;
    }
  } else {
    const HatGrid grid{l.Radius, l.GridSize};
    const double* f = l.ViscosityFactors.data();
    const double* g = l.BuoyancyFactors.data();
    const auto transport = [&](int j) {
      if (factors)
        return q * FactorWeightedSedimentationIntegral(f, g, r, n, i, j) -
               D * ViscosityWeightedDiffusionIntegral(f, r, n, i, j);
      return q * SedimentationIntegral(grid, i, j, n) - D * StiffnessIntegral(grid, i, j, n);
    };
    md = MassIntegral(grid, i, i, n);
    bd = transport(i);
    if (i > 1) {
      ml = MassIntegral(grid, i, i - 1, n);
      bl = transport(i - 1);
    }
    if (i < n) {
      mu = MassIntegral(grid, i, i + 1, n);
      bu = transport(i + 1);
    }
  }
  if (l.BackDiffusionCut && factors) {
    const double s = l.SedimentationCoeff;
    const double* f = l.ViscosityFactors.data();
    if (s > 0 && i == n) {
      const double g = D * ViscosityWeightedBoundaryTerm(f, r, n);
      bl += g;
      bd -= g + q * LocalSedimentationBoundaryTerm(f, l.BuoyancyFactors.data(), r, n);
    } else if (s < 0 && i == 1) {
      ErrorBox("CLbShutOffBackDiffusion for flotation with inhomogeneous solvent not implemented",
               false);
    }
  } else if (l.BackDiffusionCut) {
    const double s = l.SedimentationCoeff;
    if (s > 0 && i == n) {
      // Outflow -r_n (q r_n c_n + D (c_n - c_{n-1})/(r_n - r_{n-1})).
      const double g = D * r[n] / (r[n] - r[n - 1]);
      bl += g;
      bd -= g + q * r[n] * r[n];
    } else if (s < 0 && i == 1) {
      // Outflow through the meniscus of a floating species (q < 0).
      const double g = D * r[1] / (r[2] - r[1]);
      bu += g;
      bd += q * r[1] * r[1] - g;
    }
  }
  l.MassLower[i] = ml;
  l.MassDiag[i] = md;
  l.MassUpper[i] = mu;
  l.TransportLower[i] = bl;
  l.TransportDiag[i] = bd;
  l.TransportUpper[i] = bu;
}

// A step that failed is undone from the start-of-step copies.
void UndoStep(CLammIdeal& l, bool dark) {
  const int L = l.WindowLeft, R = l.WindowRight;
  const int first = L <= 3 ? 1 : L - 2;
  std::copy(l.PreviousConcentration + first, l.PreviousConcentration + R + 1,
            l.Concentration + first);
  if (dark) std::copy(l.DarkStateOld + first, l.DarkStateOld + R + 1, l.DarkState + first);
}

// The left edge of the window after a step. Its five values near zero are
// either a smooth rise, which is left alone, or an oscillation about their
// mean, which is smoothed into a rising ramp with the same sum. A mean of
// ten times the truncation level or more means that material has come back
// into the dropped region (flotation near the meniscus): the window no
// longer holds the solution, the step fails, and the run is repeated
// without the window.
//
// The failure must not be raised for the smooth low edge, the normal state
// of a depleted meniscus region: doing so failed every truncated run the
// first time the edge moved, and each solve then ran twice.
void CheckLeftEdge(CLammIdeal& l, double* x) {
  const int L = l.WindowLeft;
  const double m = (x[L - 1] + x[L] + x[L + 1] + x[L + 2] + x[L + 3]) / 5;
  if (!(m < 10 * l.TruncationLevel)) {
    l.TridagError = 1;
    return;
  }
  const bool oscillates = (x[L] - m) * (x[L - 1] - m) < 0 && (x[L + 1] - m) * (x[L] - m) != 0;
  if (!oscillates) return;
  constexpr double kRamp[5] = {5.0 / 27, 10.0 / 27, 20.0 / 27, 40.0 / 27, 60.0 / 27};
  for (int k = 0; k < 5; ++k) x[L - 1 + k] = m * kRamp[k];
}

}  // namespace

void CLammIdeal::AssembleMatrices(std::int32_t n) {
  const double s = SedimentationCoeff, D = DiffusionCoeff;
  const double omega = CurrentRpm * kRpmToOmega;
  const double q = omega * omega * s * 1e-13;
  // The matrices and the plateau of the window share this s w^2.
  SOmega2 = q;
  if ((SimulateAcceleration || SpeedScheduleOn) && BackDiffusionShutOff &&
      BackDiffusionNegligibleAt(CurrentTime, CurrentRpm, s, D))
    BackDiffusionCut = 1;
  n = std::min(n, GridSize);
  ElementWidth = (Bottom - Meniscus) / (GridSize - 1);
  for (int i = 1; i <= n; ++i) AssembleRow(*this, i, n, q);
  MatrixSize = n;
  FullAssemblySize = n;
  MatricesChanged = 1;
}

void CLammIdeal::ResizeMatrices(std::int32_t n) {
  n = std::min(n, GridSize);
  if (n == MatrixSize) return;
  MatricesChanged = 1;
  if (n > FullAssemblySize || MatrixSize < 1) {
    AssembleMatrices(n);
    return;
  }
  // Only the old bottom row and the new one differ from the full assembly:
  // the old one returns to the form it has there, the new one takes the
  // bottom form.
  const int old = MatrixSize;
  AssembleRow(*this, old, FullAssemblySize, SOmega2);
  AssembleRow(*this, n, n, SOmega2);
  MatrixSize = n;
}

void CLammIdeal::BuildStepMatrices(double dt, std::int32_t n) {
  n = std::min(n, GridSize);
  const double half = dt / 2;
  for (int i = 1; i <= n; ++i) {
    ImplicitLower[i] = MassLower[i] - half * TransportLower[i];
    ImplicitDiag[i] = MassDiag[i] - half * TransportDiag[i];
    ImplicitUpper[i] = MassUpper[i] - half * TransportUpper[i];
    ExplicitLower[i] = MassLower[i] + half * TransportLower[i];
    ExplicitDiag[i] = MassDiag[i] + half * TransportDiag[i];
    ExplicitUpper[i] = MassUpper[i] + half * TransportUpper[i];
  }
}

void CLammIdeal::MultiplyTridiagonal(const double* lower, const double* diag, const double* upper,
                                     const double* x, double* y, std::int32_t n) const {
  assert(n >= 2);
  const int L = WindowLeft;
  int first = 2;
  if (L > 3) {
    std::fill(y + 1, y + L - 1, 0.0);
    first = L - 1;
  } else {
    y[1] = diag[1] * x[1] + upper[1] * x[2];
  }
  for (int i = first; i < n; ++i) y[i] = lower[i] * x[i - 1] + diag[i] * x[i] + upper[i] * x[i + 1];
  y[n] = lower[n] * x[n - 1] + diag[n] * x[n];
}

namespace {

// The first row of the active window: rows above it are depleted and held at
// zero.
int FirstWindowRow(int windowLeft) {
  return windowLeft > 3 ? windowLeft - 1 : 1;
}

// Substitution with twisted factors (see SolveTridiagonal): the rows above
// the twist row are eliminated downward, those below it upward, as two
// independent chains side by side; the twist row joins them, and the two
// back substitutions run outward, side by side again. The right-hand side
// of the depleted rows counts as zero; their values are cleared at the end.
void TwistedSubstitution(const CLammIdeal& l, const double* rhs, double* u, int n, int first) {
  const int k = l.TwistRow;
  const double *inverse = l.TridagPivots, *back = l.TridagGamma, *coupling = l.TridagCoupling;
  const auto r = [&](int i) { return i >= first ? rhs[i] : 0.0; };
  // Downward rows first..k-1 (nothing above the window), upward rows
  // n..k+1; the chains' last values stay in registers.
  double top = 0.0, bottom = 0.0;
  int i = std::max(first, 1), j = n;
  const int both = std::min(k - i, n - k);
  for (int m = 0; m < both; ++m, ++i, --j) {
    top = u[i] = rhs[i] * inverse[i] - coupling[i] * top;
    bottom = u[j] = r(j) * inverse[j] - coupling[j] * bottom;
  }
  for (; i < k; ++i) top = u[i] = rhs[i] * inverse[i] - coupling[i] * top;
  for (; j > k; --j) bottom = u[j] = r(j) * inverse[j] - coupling[j] * bottom;
  const double middle = u[k] = r(k) * inverse[k] - coupling[k] * top - back[k] * bottom;
  top = bottom = middle;
  i = k - 1;
  j = k + 1;
  const int up = std::max(k - first, 0), down = n - k;
  for (int m = 0; m < std::min(up, down); ++m, --i, ++j) {
    top = u[i] -= back[i] * top;
    bottom = u[j] -= back[j] * bottom;
  }
  for (; i >= first; --i) top = u[i] -= back[i] * top;
  for (; j <= n; ++j) bottom = u[j] -= back[j] * bottom;
  if (first > 1) std::fill(u + 1, u + first, 0.0);
}

}  // namespace

// The Thomas algorithm of tridag with its pivot tests and messages, on the
// active window, as a twisted factorisation: rows above the twist row k are
// eliminated downward from row 1, rows below it upward from row n, and row
// k takes both. The two halves are independent chains of dependent
// operations, so a modern core runs them side by side in the time of one
// half. Per row the reciprocal pivot, the ratio toward the row eliminated
// before (coupling) and the ratio toward the row after (back) are kept for
// the re-solutions of later steps, which then multiply instead of divide.
// The depleted rows above the window are eliminated too: the kept factors
// then serve whatever window a later re-solution has.
void CLammIdeal::SolveTridiagonal(const double* lower, const double* diag, const double* upper,
                                  const double* rhs, double* u, std::int32_t n) {
  double* back = TridagGamma;
  double* inverse = TridagPivots;
  double* coupling = TridagCoupling;
  const int first = FirstWindowRow(WindowLeft);
  const int k = std::clamp((first + n + 1) / 2, 1, n);
  TwistRow = k;
  const auto fail = [&](int row) {
    ErrorBox(row == 1 ? "Error 1 in tridag" : "Error 2 in tridag", false);
    TridagError = 1;
    return false;
  };
  const auto keep = [&](int row, double pivot, double toward, double away) {
    if (pivot == 0.0) return fail(row);
    inverse[row] = 1.0 / pivot;
    coupling[row] = toward * inverse[row];
    back[row] = away * inverse[row];
    return true;
  };
  int i = 1, j = n;
  const int both = std::min(k - 1, n - k);
  for (int m = 0; m < both; ++m, ++i, --j) {
    if (!keep(i, i == 1 ? diag[1] : diag[i] - lower[i] * back[i - 1], lower[i], upper[i]) ||
        !keep(j, j == n ? diag[n] : diag[j] - upper[j] * back[j + 1], upper[j], lower[j]))
      return;
  }
  for (; i < k; ++i)
    if (!keep(i, i == 1 ? diag[1] : diag[i] - lower[i] * back[i - 1], lower[i], upper[i])) return;
  for (; j > k; --j)
    if (!keep(j, j == n ? diag[n] : diag[j] - upper[j] * back[j + 1], upper[j], lower[j])) return;
  double middle = diag[k];
  if (k > 1) middle -= lower[k] * back[k - 1];
  if (k < n) middle -= upper[k] * back[k + 1];
  if (!keep(k, middle, lower[k], upper[k])) return;
  TwistedSubstitution(*this, rhs, u, n, first);
}

void CLammIdeal::ResolveTridiagonal(const double* /*lower*/, const double* rhs, double* u,
                                    std::int32_t n) const {
  TwistedSubstitution(*this, rhs, u, n, FirstWindowRow(WindowLeft));
}

void CLammIdeal::CrankNicolsonStep(double dt) {
  const int L = WindowLeft, R = WindowRight;
  const bool dark = PhotophysicsOn && !DarkStateFrozen;
  if ((SimulateAcceleration || SpeedScheduleOn) && Accelerating) {
    CurrentRpm = RpmOverStep(CurrentTime, dt);
    AssembleMatrices(R);
  }
  if (R != MatrixSize) ResizeMatrices(R);
  if (dt != StepMatricesTimeStep || RebuildStepMatrices || Accelerating || MatricesChanged) {
    RebuildStepMatrices = 0;
    StepMatricesTimeStep = dt;
    BuildStepMatrices(dt, R);
    MultiplyTridiagonal(ExplicitLower, ExplicitDiag, ExplicitUpper, PreviousConcentration,
                        RightHandSide, R);
    SolveTridiagonal(ImplicitLower, ImplicitDiag, ImplicitUpper, RightHandSide, Concentration, R);
    if (dark && !TridagError) {
      MultiplyTridiagonal(ExplicitLower, ExplicitDiag, ExplicitUpper, DarkStateOld, RightHandSide,
                          R);
      SolveTridiagonal(ImplicitLower, ImplicitDiag, ImplicitUpper, RightHandSide, DarkState, R);
    }
    MatricesChanged = 0;
  } else {
    MultiplyTridiagonal(ExplicitLower, ExplicitDiag, ExplicitUpper, PreviousConcentration,
                        RightHandSide, R);
    ResolveTridiagonal(ImplicitLower, RightHandSide, Concentration, R);
    if (dark) {
      MultiplyTridiagonal(ExplicitLower, ExplicitDiag, ExplicitUpper, DarkStateOld, RightHandSide,
                          R);
      ResolveTridiagonal(ImplicitLower, RightHandSide, DarkState, R);
    }
  }
  if (L > 3 && !TridagError) {
    if (dark) CheckLeftEdge(*this, DarkState);
    if (!TridagError) CheckLeftEdge(*this, Concentration);
  }
  if (TridagError) {
    // A failed step leaves the profile as it was and its factors unused.
    RebuildStepMatrices = 1;
    UndoStep(*this, dark);
    return;
  }
  if (R < GridSize) {
    // Beyond the window the cell holds the plateau, diluted radially.
    const double plateau = PlateauConcentration * std::exp(-2 * SOmega2 * dt);
    std::fill(Concentration + R + 1, Concentration + GridSize + 1, plateau);
  }
}
