// Assembly and solution of one Crank-Nicolson step of the moving-grid engine,
// and the local coefficients of its concentration laws.
//
// On the reference grid (real radius = reference radius times e = e^{k tau})
// the sector Lamm equation is taken in its conservative moving-grid form: for
// the hat of node i, which moves with the grid,
//   d/dt (e^2 sum_j M_ij c_j) = e^2 sum_j F_ij c_j,
//   F_ij = omega^2 sum_l s_l Sed(i,j,l) - sum_l D_l Diff(i,j,l) / e^2 + k Motion(j,i),
// the grid motion entering through the slope of the test function. The
// columns of F sum to zero, so a closed cell keeps sum_j e^2 W_j c_j, its
// amount, from step to step, also while the end elements change their width.
// Meniscus and bottom stay put in real space, so in the reference frame the
// end nodes move inward; the integrals of the two end elements are taken with
// the end nodes where they are at the old time level (for the old operator
// and mass matrix) and at the new one (for the new ones).

#include <algorithm>
#include <cmath>

#include "lamm/ElementIntegrals.h"
#include "lamm/Tridiagonal.h"
#include "models/GlobalLammState.h"
#include "models/MovingGridWork.h"
#include "state/ModelParameters.h"

namespace moving_grid {

MovingGridWorkspace::MovingGridWorkspace(int n)
    : N(n),
      Rows(static_cast<std::size_t>(n) + 2),
      Frame(static_cast<std::size_t>(n) + 2, 0.0),
      Start(Frame),
      Trial(Frame),
      Rhs(Frame),
      S(Frame),
      D(Frame),
      PlainS(Frame),
      PredS(Frame),
      PredD(Frame),
      PredPlainS(Frame),
      Lower(Frame),
      Diag(Frame),
      Upper(Frame),
      Gamma(Frame),
      Beta(Frame) {}

namespace {

MovingGridRow RowIntegrals(const HatGrid& g, int i) {
  MovingGridRow row;
  for (int dj = -1; dj <= 1; ++dj) {
    row.Mass[dj + 1] = PinnedFrameMassIntegral(g, i, i + dj);
    row.MotionT[dj + 1] = PinnedFrameTermIntegral(g, i + dj, i);
  }
  for (int t = 0; t < 7; ++t) {
    const int j = i + kTripleColumn[t], l = i + kTripleNode[t];
    row.Sed[t] = PinnedFrameSedimentationTriple(g, i, j, l);
    row.Diff[t] = PinnedFrameDiffusionTriple(g, i, j, l);
  }
  return row;
}

// Entry (i, i + dj) of F at one time level; eSquared = e^{2 k tau}.
double OperatorEntry(const MovingGridWorkspace& w, const MovingGridRow& row, int i, int dj,
                     double eSquared) {
  const MovingGridEngineRecord& h = MovingGridEngine;
  double sed = 0.0, diff = 0.0;
  for (int t = 0; t < 7; ++t) {
    if (kTripleColumn[t] != dj) continue;
    const std::size_t l = static_cast<std::size_t>(i + kTripleNode[t]);
    sed += w.S[l] * row.Sed[t];
    diff += w.D[l] * row.Diff[t];
  }
  return h.OmegaSquared * sed - diff / eSquared + h.GridRate * row.MotionT[dj + 1];
}

// Slot 0..3 of the rows that see the end nodes (1, 2, N-1, N); -1 otherwise.
int EndSlot(int i, int n) {
  if (i <= 2) return i - 1;
  if (i >= n - 1) return i - n + 3;
  return -1;
}

void EndRows(MovingGridWorkspace& w, double tau, MovingGridRow (&rows)[4]) {
  PlaceFrameEnds(w, tau);
  const HatGrid g{w.Frame.data(), w.N};
  const int n = w.N;
  const int index[4] = {1, 2, n - 1, n};
  for (int k = 0; k < 4; ++k) rows[k] = RowIntegrals(g, index[k]);
}

double Clamped(double c) {
  return c > 0.0 ? c : 0.0;
}

// s and D of total concentration c under the association and linear laws;
// plain is s before the monomer-dimer's hydrodynamic non-ideality.
void LawAt(const MovingGridModel& m, double c, double& s, double& D, double& plain) {
  // Undershoots of the profile would take the roots and ratios below out of
  // their domain; the laws see them as empty solution.
  const double x = Clamped(c);
  switch (m.Law) {
    case MovingGridLaw::MonomerDimer: {
      const double b = (std::sqrt(4.0 * m.Ka * x + 1.0) - 1.0) / 2.0;  // Ka c1
      plain = (m.s1 + b * m.s2) / (1.0 + b);
      s = m.AssociationNonideal ? plain / (1.0 + m.Ks * x) : plain;
      D = (m.D1 + 2.0 * b * m.D2) / (1.0 + 2.0 * b);
      return;
    }
    case MovingGridLaw::MonomerTrimer: {
      const double c1 = MonomerTrimerFreeMonomer(x, m.Ka);
      const double b = m.Ka * c1 * c1;
      plain = s = (m.s1 + b * m.s2) / (1.0 + b);
      D = (m.D1 + 3.0 * b * m.D2) / (1.0 + 3.0 * b);
      return;
    }
    case MovingGridLaw::LinearNonideal:
    case MovingGridLaw::Installed:
      plain = s = m.s1 / (1.0 + m.Ks * x);
      D = m.D1 * (1.0 + m.Kd * x);
      return;
  }
}

}  // namespace

void PlaceFrameEnds(MovingGridWorkspace& w, double tau) {
  const std::vector<double>& r0 = MovingGridState.ReferenceRadius;
  std::copy(r0.begin(), r0.begin() + w.N + 1, w.Frame.begin());
  const double e = std::exp(MovingGridEngine.GridRate * tau);
  w.Frame[1] = ModelParameters.Meniscus / e;
  w.Frame[static_cast<std::size_t>(w.N)] = ModelParameters.Bottom / e;
}

void StoreInteriorRows(MovingGridWorkspace& w) {
  const HatGrid g{MovingGridState.ReferenceRadius.data(), w.N};
  for (int i = 3; i <= w.N - 2; ++i) w.Rows[static_cast<std::size_t>(i)] = RowIntegrals(g, i);
}

void LocalCoefficients(MovingGridWorkspace& w, const double* c) {
  const int n = w.N;
  if (w.Model.Law == MovingGridLaw::Installed) {
    MovingGridCoefficientSource.LocalSD(c, w.S.data(), w.D.data(), n);
    std::copy(w.S.begin() + 1, w.S.begin() + n + 1, w.PlainS.begin() + 1);
    return;
  }
  for (std::size_t i = 1; i <= static_cast<std::size_t>(n); ++i)
    LawAt(w.Model, c[i], w.S[i], w.D[i], w.PlainS[i]);
}

void SavePredictorCoefficients(MovingGridWorkspace& w) {
  w.PredS = w.S;
  w.PredD = w.D;
  w.PredPlainS = w.PlainS;
}

void AveragedCoefficients(MovingGridWorkspace& w) {
  LocalCoefficients(w, w.Trial.data());
  const bool dimerKs = w.Model.Law == MovingGridLaw::MonomerDimer && w.Model.AssociationNonideal;
  for (std::size_t i = 1; i <= static_cast<std::size_t>(w.N); ++i) {
    w.D[i] = 0.5 * (w.D[i] + w.PredD[i]);
    if (dimerKs) {
      const double mean = Clamped(0.5 * (w.Start[i] + w.Trial[i]));
      w.S[i] = 0.5 * (w.PlainS[i] + w.PredPlainS[i]) / (1.0 + w.Model.Ks * mean);
    } else {
      w.S[i] = 0.5 * (w.S[i] + w.PredS[i]);
    }
  }
}

bool SolveMovingGridStep(MovingGridWorkspace& w, double tau, double dt, double* out) {
  const int n = w.N;
  const double k = MovingGridEngine.GridRate;
  const double eOld = std::exp(2.0 * k * tau), eNew = std::exp(2.0 * k * (tau + dt));
  const double scale = eOld / eNew;
  MovingGridRow oldEnds[4], newEnds[4];
  EndRows(w, tau, oldEnds);
  EndRows(w, tau + dt, newEnds);
  for (int i = 1; i <= n; ++i) {
    const int slot = EndSlot(i, n);
    const MovingGridRow& ro = slot >= 0 ? oldEnds[slot] : w.Rows[static_cast<std::size_t>(i)];
    const MovingGridRow& rn = slot >= 0 ? newEnds[slot] : ro;
    double rhs = 0.0;
    double left[3] = {};
    for (int dj = -1; dj <= 1; ++dj) {
      const int j = i + dj;
      if (j < 1 || j > n) continue;
      left[dj + 1] = rn.Mass[dj + 1] - 0.5 * dt * OperatorEntry(w, rn, i, dj, eNew);
      rhs += scale * (ro.Mass[dj + 1] + 0.5 * dt * OperatorEntry(w, ro, i, dj, eOld)) *
             w.Start[static_cast<std::size_t>(j)];
    }
    const std::size_t u = static_cast<std::size_t>(i);
    w.Lower[u] = left[0];
    w.Diag[u] = left[1];
    w.Upper[u] = left[2];
    w.Rhs[u] = rhs;
  }
  if (!FactorTridiagonal(w.Lower.data(), w.Diag.data(), w.Upper.data(), n, w.Gamma.data(),
                         w.Beta.data()))
    return false;
  SolveFactoredTridiagonal(w.Lower.data(), w.Gamma.data(), w.Beta.data(), w.Rhs.data(), out, n);
  return true;
}

}  // namespace moving_grid

double MonomerTrimerFreeMonomer(double c, double Ka) {
  if (!(c > 0.0)) return 0.0;
  if (!(Ka > 0.0)) return c;
  // f(x) = Ka x^3 + x - c rises and is convex for x > 0; Newton's method from
  // an upper bound of the root (x <= c and Ka x^3 <= c) descends to it
  // monotonically.
  double x = std::min(c, std::cbrt(c / Ka));
  for (int k = 0; k < 100; ++k) {
    const double step = (Ka * x * x * x + x - c) / (3.0 * Ka * x * x + 1.0);
    x -= step;
    if (std::fabs(step) <= 1e-15 * x) break;
  }
  return x;
}
