#pragma once
// Small distribution problems with systematic noise for the normal-equation
// and best-fit tests: a kernel in the program's own layout, data on a common
// grid with a fit range that leaves points outside it, and an independent
// reference built here: the least-squares problem with one explicit column
// per noise offset, whose noise unknowns are eliminated by a dense Schur
// complement (Cholesky of the noise block). Nothing here uses centring.

#include <cassert>
#include <cmath>
#include <random>
#include <vector>

#include "distributions/DistributionArrays.h"
#include "distributions/DistributionNormalEquations.h"
#include "numerics/OneBasedArrays.h"

namespace noise_problem {

using Dense = std::vector<std::vector<double>>;

struct Problem {
  int n = 0, scans = 0, radii = 0, fitFirst = 1, fitLast = 0;
  DistributionKernelArray kernel;
  OneBasedMatrix<float> data;  // [scan][radius]
  NormalEquationArrays neq;

  NormalEquationProblem Describe(SystematicNoise noise, double baseline = 0.0,
                                 bool fixedFirst = false) {
    NormalEquationProblem p;
    p.Kernel = kernel.get();
    p.Data = data.get();
    p.KernelColumns = n;
    p.ScanCount = scans;
    p.RadiusCount = radii;
    p.FitFirst = fitFirst;
    p.FitLast = fitLast;
    p.Noise = noise;
    p.Baseline = baseline;
    p.FixedFirst = fixedFirst;
    p.FixedFirstValue = fixedFirst ? 0.7 : 0.0;
    return p;
  }
};

// Smooth boundaries of different position per column and scan plus a little
// seeded randomness, so that the columns are far from orthogonal but of full
// rank; data around 1 with random structure.
inline void Fill(Problem& p, int n, int scans, int radii, int fitFirst, int fitLast,
                 unsigned seed) {
  p.n = n;
  p.scans = scans;
  p.radii = radii;
  p.fitFirst = fitFirst;
  p.fitLast = fitLast;
  const bool allocated = p.kernel.Allocate(n, scans, radii) && p.neq.Allocate(n, scans, radii);
  assert(allocated);
  (void)allocated;
  p.data.Resize(1, scans, 1, radii);
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(0.0, 1.0);
  for (int g = 1; g <= n; ++g)
    for (int s = 1; s <= scans; ++s)
      for (int r = 1; r <= radii; ++r) {
        const double centre = radii * (0.15 + 0.12 * g + 0.05 * s);
        const double step = 0.5 * std::erfc((centre - r) / (0.05 * radii));
        p.kernel.get()[g][s][r] = static_cast<float>(step * std::exp(-0.1 * s) + 0.2 * u(rng));
      }
  for (int s = 1; s <= scans; ++s)
    for (int r = 1; r <= radii; ++r) p.data[s][r] = static_cast<float>(0.5 + u(rng));
}

// The eliminated system of the explicit fit: A, b over the unknown columns
// and the residual sum of squares left after the noise alone.
struct Reduced {
  Dense A;
  std::vector<double> b;
  double yy = 0.0;
};

// Solves S X = B for a symmetric positive definite S (Cholesky), in place.
inline void CholeskySolve(Dense S, Dense& B) {
  const std::size_t q = S.size();
  for (std::size_t j = 0; j < q; ++j) {
    double d = S[j][j];
    for (std::size_t k = 0; k < j; ++k) d -= S[j][k] * S[j][k];
    assert(d > 0);
    S[j][j] = std::sqrt(d);
    for (std::size_t i = j + 1; i < q; ++i) {
      double v = S[i][j];
      for (std::size_t k = 0; k < j; ++k) v -= S[i][k] * S[j][k];
      S[i][j] = v / S[j][j];
    }
  }
  for (auto& col : B) {
    for (std::size_t i = 0; i < q; ++i) {
      double v = col[i];
      for (std::size_t k = 0; k < i; ++k) v -= S[i][k] * col[k];
      col[i] = v / S[i][i];
    }
    for (std::size_t i = q; i-- > 0;) {
      double v = col[i];
      for (std::size_t k = i + 1; k < q; ++k) v -= S[k][i] * col[k];
      col[i] = v / S[i][i];
    }
  }
}

// y ≈ Σ c_g K_g + noise, with one column per offset: TI one per fit radius,
// RI one per scan (scan 1's dropped with TI, whose columns already span the
// constant), a baseline one column of ones; none subtracts the baseline
// from y; a fixed first column is subtracted from y and is no unknown.
inline Reduced ExplicitNoiseFit(Problem& p, SystematicNoise noise, double baseline,
                                bool fixedFirst) {
  const int fitCount = p.fitLast - p.fitFirst + 1;
  const bool ti =
      noise == SystematicNoise::TimeInvariant || noise == SystematicNoise::TimeAndRadialInvariant;
  const bool ri =
      noise == SystematicNoise::RadialInvariant || noise == SystematicNoise::TimeAndRadialInvariant;
  const int riFirstScan = ti ? 2 : 1;
  const int tiColumns = ti ? fitCount : 0;
  const int q = tiColumns + (ri ? p.scans - riFirstScan + 1 : 0) +
                (noise == SystematicNoise::Baseline ? 1 : 0);
  const int first = fixedFirst ? 2 : 1;
  const std::size_t m = static_cast<std::size_t>(p.n - first + 1);
  const auto uq = static_cast<std::size_t>(q);
  Dense Mcc(m, std::vector<double>(m, 0.0)), Mnc(m, std::vector<double>(uq, 0.0));
  Dense Mnn(uq, std::vector<double>(uq, 0.0));
  std::vector<double> vc(m, 0.0);
  Dense vn(1, std::vector<double>(uq, 0.0));
  double yy = 0.0;
  float*** K = p.kernel.get();
  for (int s = 1; s <= p.scans; ++s)
    for (int r = p.fitFirst; r <= p.fitLast; ++r) {
      double y = p.data[s][r];
      if (fixedFirst) y -= K[1][s][r];
      if (noise == SystematicNoise::None) y -= baseline;
      std::vector<double> x(m);
      for (std::size_t a = 0; a < m; ++a) x[a] = K[first + static_cast<int>(a)][s][r];
      std::vector<std::size_t> ones;  // noise columns equal to 1 in this row
      if (ti) ones.push_back(static_cast<std::size_t>(r - p.fitFirst));
      if (ri && s >= riFirstScan)
        ones.push_back(static_cast<std::size_t>(tiColumns + s - riFirstScan));
      if (noise == SystematicNoise::Baseline) ones.push_back(0);
      yy += y * y;
      for (std::size_t a = 0; a < m; ++a) {
        vc[a] += x[a] * y;
        for (std::size_t c = 0; c < m; ++c) Mcc[a][c] += x[a] * x[c];
        for (std::size_t o : ones) Mnc[a][o] += x[a];
      }
      for (std::size_t o : ones) {
        vn[0][o] += y;
        for (std::size_t o2 : ones) Mnn[o][o2] += 1.0;
      }
    }
  Reduced out{Mcc, vc, yy};
  if (q == 0) return out;
  Dense Zc = Mnc, Zv = vn;
  CholeskySolve(Mnn, Zc);
  CholeskySolve(Mnn, Zv);
  for (std::size_t a = 0; a < m; ++a) {
    for (std::size_t c = 0; c < m; ++c)
      for (std::size_t o = 0; o < uq; ++o) out.A[a][c] -= Mnc[a][o] * Zc[c][o];
    for (std::size_t o = 0; o < uq; ++o) out.b[a] -= Mnc[a][o] * Zv[0][o];
  }
  for (std::size_t o = 0; o < uq; ++o) out.yy -= vn[0][o] * Zv[0][o];
  return out;
}

// Solves the m × m system of neq (rows and columns 1..m) for x[1..m].
inline std::vector<double> SolveSystem(const NormalEquationArrays& neq, int m) {
  Dense S(static_cast<std::size_t>(m), std::vector<double>(static_cast<std::size_t>(m)));
  Dense B(1, std::vector<double>(static_cast<std::size_t>(m)));
  for (int i = 1; i <= m; ++i) {
    for (int l = 1; l <= m; ++l)
      S[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(l - 1)] = neq.NormalMatrix[i][l];
    B[0][static_cast<std::size_t>(i - 1)] = neq.NormalVector[i];
  }
  CholeskySolve(S, B);
  std::vector<double> x(static_cast<std::size_t>(m) + 1, 0.0);
  for (int i = 1; i <= m; ++i)
    x[static_cast<std::size_t>(i)] = B[0][static_cast<std::size_t>(i - 1)];
  return x;
}

}  // namespace noise_problem
