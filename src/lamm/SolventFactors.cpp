#include "lamm/SolventFactors.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "lamm/CosoluteCoefficients.h"
#include "numerics/ConstantShorthands.h"
#include "numerics/PhysicalConstants.h"

namespace {

double WaterViscosity() {
  return PhysicalConstantsRecord::STANDARDVISCOSITY;
}
double WaterDensity() {
  return PhysicalConstantsRecord::StandardWaterDensity;
}

// The series' terms in sqrt(c), c, c^2, c^3 and c^4 with their scales.
double SolventSeries(const double* p, int count, int maxTerms, double c) {
  const int k = std::min(count, maxTerms);
  const double scale[7] = {0.0, 1.0, 1e-3, 1e-2, 1e-3, 1e-4, 1e-6};
  const double power[7] = {0.0,       1.0,          std::sqrt(std::max(c, 0.0)), c, c * c,
                           c * c * c, c * c * c * c};
  double sum = 0.0;
  for (int t = 1; t <= k; ++t) sum += scale[t] * p[t] * power[t];
  return sum;
}

// The elements [r_a, r_{a+1}], a = first..last, that carry both hats i and
// j: both of i's for j = i, the one between them for |i - j| = 1.
bool SharedElements(int i, int j, int n, int& first, int& last) {
  if (i < 1 || j < 1 || i > n || j > n || std::abs(i - j) > 1 || n < 2) return false;
  if (i == j) {
    first = std::max(i - 1, 1);
    last = std::min(i, n - 1);
  } else {
    first = last = std::min(i, j);
  }
  return true;
}

// Slope of hat `node` on the element [r_a, r_a + h].
double HatSlope(int node, int a, double h) {
  return node == a ? -1.0 / h : 1.0 / h;
}

}  // namespace

double SolventViscosityAt(const double* p, int count, double c) {
  if (p == nullptr || count < 1) return WaterViscosity();
  return WaterViscosity() * SolventSeries(p, count, 5, c);
}

double SolventDensityAt(const double* p, int count, double c) {
  if (p == nullptr || count < 1) return WaterDensity();
  return SolventSeries(p, count, 6, c);
}

void CompressedDensities(double* out, const double* radii, int n, double rho0, double kappa,
                         double rpm, double meniscus) {
  const double omega = rpm * 2.0 * kPi / 60.0;
  for (int i = 1; i <= n; ++i) {
    if (kappa == 0.0) {
      out[i] = rho0;
      continue;
    }
    // Pa from g/ml and cm (1000 kg/m^3 per g/ml, 1e-4 m^2 per cm^2), then MPa.
    const double pressure = 0.5 * (rho0 * 1000.0) * omega * omega *
                            (radii[i] * radii[i] - meniscus * meniscus) * 1e-4 * 1e-6;
    out[i] = rho0 / (1.0 - kappa * pressure);
  }
}

double SolventBuoyancyFactor(double localVbar, double rho, double vbar) {
  return (1.0 - localVbar * rho) / (1.0 - vbar * WaterDensity());
}

double ViscosityWeightedDiffusionIntegral(const double* f, const double* r, int n, int i, int j) {
  int first = 0, last = 0;
  if (!SharedElements(i, j, n, first, last)) return 0.0;
  double sum = 0.0;
  for (int a = first; a <= last; ++a) {
    const double ra = r[a], rb = r[a + 1], h = rb - ra;
    // int_a^b r f dr for f linear between f_a and f_b.
    const double weight = h * (f[a] * (2.0 * ra + rb) + f[a + 1] * (ra + 2.0 * rb)) / 6.0;
    sum += HatSlope(i, a, h) * HatSlope(j, a, h) * weight;
  }
  return sum;
}

double FactorWeightedSedimentationIntegral(const double* f, const double* g, const double* r, int n,
                                           int i, int j) {
  int first = 0, last = 0;
  if (!SharedElements(i, j, n, first, last)) return 0.0;
  // Three-point Gauss-Legendre rule: exact for the quintic r^2 f g phi_j.
  const double x[3] = {-std::sqrt(0.6), 0.0, std::sqrt(0.6)};
  const double wt[3] = {5.0 / 9.0, 8.0 / 9.0, 5.0 / 9.0};
  double sum = 0.0;
  for (int a = first; a <= last; ++a) {
    const double ra = r[a], rb = r[a + 1], h = rb - ra;
    double element = 0.0;
    for (int q = 0; q < 3; ++q) {
      const double u = 0.5 * (1.0 + x[q]);  // 0 at r_a, 1 at r_b
      const double rr = ra + u * h;
      const double fq = f[a] + u * (f[a + 1] - f[a]);
      const double gq = g[a] + u * (g[a + 1] - g[a]);
      const double phiJ = j == a ? 1.0 - u : u;
      element += wt[q] * rr * rr * fq * gq * phiJ;
    }
    sum += HatSlope(i, a, h) * 0.5 * h * element;
  }
  return sum;
}

double ViscosityWeightedBoundaryTerm(const double* f, const double* r, int n) {
  if (n < 2) return 0.0;
  return r[n] * f[n] / (r[n] - r[n - 1]);
}

double LocalSedimentationBoundaryTerm(const double* f, const double* g, const double* r, int n) {
  if (n < 1) return 0.0;
  return r[n] * r[n] * f[n] * g[n];
}

double CsClSedimentation(double c) {
  const double a = 168.4 * c;
  return 0.596 - 0.000322 * a - 0.0633 * std::exp(-0.00399 * a);
}

double CsClDiffusion(double c) {
  return 1e-5 * (2.04 + (2.03 - 2.04) * std::exp(-18.1 * c) + 0.507 * c - 0.0341 * c * c -
                 0.614 * std::sqrt(std::max(c, 0.0)));
}

double EvaluateCoefficientSeries(const double* a, int n, double x) {
  if (a == nullptr || n < 1) return 0.0;
  double sum = 0.0;
  for (int i = n; i >= 1; --i) sum = sum * x + a[i];
  return sum;
}
