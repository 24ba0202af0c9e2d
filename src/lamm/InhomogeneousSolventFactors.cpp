// The solvent a macromolecule meets in an inhomogeneous solvent, node by
// node: relative to water at 20 degrees Celsius its local D is D f and its
// local s is s f g, with f = eta_w / eta(r) and
// g = (1 - vbar' rho(r)) / (1 - Vbar rho_w). The solvent is a compressible
// one under the rotor's hydrostatic pressure, one given by its values at
// meniscus and bottom, or the solution of a sedimenting co-solute whose
// profile the factors follow after every step.

#include <algorithm>
#include <cmath>

#include "lamm/CLammIdeal.h"
#include "lamm/SolventFactors.h"
#include "numerics/PhysicalConstants.h"
#include "numerics/Resampling.h"

namespace {

constexpr double kWaterViscosity = PhysicalConstantsRecord::STANDARDVISCOSITY;
constexpr double kWaterDensity = PhysicalConstantsRecord::StandardWaterDensity;

void Resize(OneBasedArray<double>& a, int n) {
  if (a.hi() != n) a = OneBasedArray<double>(1, n);
}

}  // namespace

double CLammIdeal::SolventViscosityAt(double c) const {
  return ::SolventViscosityAt(ViscosityCoefficients.data(), ViscosityCoefficientCount, c);
}

double CLammIdeal::SolventDensityAt(double c) const {
  return ::SolventDensityAt(DensityCoefficients.data(), DensityCoefficientCount, c);
}

void CLammIdeal::CompressedDensities(double* out, const double* grid, std::int32_t n, double rho0,
                                     double compressibility) const {
  ::CompressedDensities(out, grid, n, rho0, compressibility, CurrentRpm, Meniscus);
}

void CLammIdeal::SetUpSolventFactors(const double* grid, std::int32_t n) {
  if (SolventFactorCount != n) {
    for (OneBasedArray<double>* a :
         {&ViscosityFactors, &BuoyancyFactors, &LocalDensity, &LocalCosolute})
      Resize(*a, n);
    SolventFactorCount = n;
  }
  double* f = ViscosityFactors.data();
  double* g = BuoyancyFactors.data();
  double* rho = LocalDensity.data();
  const double reference = 1 - Vbar * kWaterDensity;
  if (CompressibleSolvent) {
    CompressedDensities(rho, grid, n, DensityAt1Atm, Compressibility);
    for (int i = 1; i <= n; ++i) {
      f[i] = 1.0 / ViscosityAt1Atm;
      g[i] = (1 - Vbar * rho[i]) / reference;
    }
  } else if (LinearSolventProfile) {
    const double span = grid[n] - grid[1];
    for (int i = 1; i <= n; ++i) {
      const double u = span > 0 ? (grid[i] - grid[1]) / span : 0.0;
      const double eta = MeniscusViscosity + (BottomViscosity - MeniscusViscosity) * u;
      const double density = MeniscusDensity + (BottomDensity - MeniscusDensity) * u;
      f[i] = kWaterViscosity / eta;
      g[i] = (1 - Vbar * density) / reference;
    }
  } else if (SolventFactorsEachStep) {
    const double c0 = CosoluteLoading;
    const double eta = SolventViscosityAt(c0), density = SolventDensityAt(c0);
    if (AddWaterCompressibility) CompressedDensities(rho, grid, n, kWaterDensity, Compressibility);
    for (int i = 1; i <= n; ++i) {
      f[i] = kWaterViscosity / eta;
      const double local = AddWaterCompressibility ? density + rho[i] - kWaterDensity : density;
      g[i] = (1 - SolvatedVbar * local) / reference;
    }
  } else {
    std::fill(f + 1, f + n + 1, 1.0);
    std::fill(g + 1, g + n + 1, 1.0);
  }
}

void CLammIdeal::UpdateSolventFactors(const double* grid, std::int32_t n) {
  if (!SolventFactorsEachStep || !CosoluteOn || !CosoluteArraysAllocated || SolventFactorCount != n)
    return;
  double* c = LocalCosolute.data();
  ResampleCurveDouble(n, grid, c, CosoluteGridSize, CosoluteRadius, CosoluteConcentration);
  double* f = ViscosityFactors.data();
  double* g = BuoyancyFactors.data();
  const double* rho = LocalDensity.data();
  const double reference = 1 - Vbar * kWaterDensity;
  for (int i = 1; i <= n; ++i) {
    f[i] = kWaterViscosity / SolventViscosityAt(c[i]);
    double density = SolventDensityAt(c[i]);
    if (AddWaterCompressibility) density += rho[i] - kWaterDensity;
    g[i] = (1 - SolvatedVbar * density) / reference;
  }
}

double CLammIdeal::EffectiveGridS(double s) const {
  const double reference = 1 - Vbar * kWaterDensity;
  double F = 1.0, G = 1.0;
  if (LinearSolventProfile) {
    F = (kWaterViscosity / MeniscusViscosity + kWaterViscosity / BottomViscosity) / 2;
    G = ((1 - Vbar * MeniscusDensity) + (1 - Vbar * BottomDensity)) / (2 * reference);
  } else if (CompressibleSolvent) {
    F = 1.0 / ViscosityAt1Atm;
    G = (1 - Vbar * DensityAt1Atm) / reference;
  } else if (SolventFactorsEachStep) {
    F = 1.0 / ViscosityAt1Atm;
    G = (1 - SolvatedVbar * DensityAt1Atm) / reference;
  }
  return s * F * G;
}
