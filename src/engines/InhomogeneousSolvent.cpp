#include "engines/InhomogeneousSolvent.h"

#include <algorithm>
#include <cmath>

#include "app/records/ModelSelection.h"
#include "data/ScanDataSet.h"
#include "data/records/SolventConditions.h"
#include "engines/CosoluteSolver.h"
#include "models/GlobalLammState.h"
#include "models/ParameterPacking.h"
#include "models/records/FitControl.h"
#include "models/records/ModelParameters.h"
#include "models/records/ParameterVector.h"
#include "numerics/PhysicalConstants.h"
#include "numerics/Resampling.h"

InhomogeneousSolventSettingsRecord InhomogeneousSolventSettings;
InhomogeneousSolventWorkRecord InhomogeneousSolventWork;

namespace {

constexpr double kPi = 3.14159265358979323846;

double WaterViscosity() {
  return PhysicalConstantsRecord::STANDARDVISCOSITY;
}
double WaterDensity() {
  return PhysicalConstantsRecord::StandardWaterDensity;
}

// 1 - VBAR rho_w: the buoyancy of the standard conditions.
double StandardBuoyancy() {
  return 1.0 - SolventConditions.VBAR * WaterDensity();
}

// The series' terms in sqrt(c), c, c^2, c^3 and c^4 with their scales.
double SolventSeries(const OneBasedArray<double>& p, int count, int maxTerms, double c) {
  const int k = std::min(count, maxTerms);
  const double scale[7] = {0.0, 1.0, 1e-3, 1e-2, 1e-3, 1e-4, 1e-6};
  const double power[7] = {0.0,       1.0,          std::sqrt(std::max(c, 0.0)), c, c * c,
                           c * c * c, c * c * c * c};
  double sum = 0.0;
  for (int t = 1; t <= k; ++t) sum += scale[t] * p[t] * power[t];
  return sum;
}

double SolventRpm() {
  if (ScanDataSet.ScanHeaders.size() >= 1) return ScanDataSet.ScanHeaders[1].Rpm;
  return GlobalLammRun.RunRpm;
}

void AllocateFactorArrays(int n) {
  InhomogeneousSolventWorkRecord& w = InhomogeneousSolventWork;
  if (w.AllocatedSize == n) return;
  w.ViscosityFactor.Resize(1, n);
  w.BuoyancyFactor.Resize(1, n);
  w.CosoluteAtGrid.Resize(1, n);
  w.PressureDensity.Resize(1, n);
  w.AllocatedSize = n;
}

double BuoyancyFactorAt(double vbar, double rho) {
  return (1.0 - vbar * rho) / StandardBuoyancy();
}

// The density change under pressure at node i, added to the co-solute's
// density when the water's compression is modelled.
double PressureIncrement(int i) {
  if (!InhomogeneousSolventSettings.WaterCompressibilityOn) return 0.0;
  return static_cast<float>(InhomogeneousSolventWork.PressureDensity[i] - WaterDensity());
}

int FactorNodes(int count) {
  return std::min(count, InhomogeneousSolventWork.AllocatedSize);
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

double HatSlope(int node, int a, double h) {
  if (node == a) return -1.0 / h;
  return 1.0 / h;
}

// s in the experimental solvent over s under standard conditions, viscosity
// apart: (1 - v rho) / (1 - VBAR rho_w).
double BuoyancyRatio() {
  const InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  const double vbar = s.SedimentingCosolute ? s.BuoyancyVbar : SolventConditions.VBAR;
  return (1.0 - vbar * s.DensityAt1atm) / StandardBuoyancy();
}

// Scales the components' s by sFactor and D by dFactor. A molar mass M =
// s RT / (D (1 - vbar rho)) takes the ratio of both and the change of the
// buoyancy from oldBuoyancy to newBuoyancy.
void ScaleComponents(double sFactor, double dFactor, double oldBuoyancy, double newBuoyancy) {
  ModelParametersRecord& mp = ModelParameters;
  const bool mass = FitControl.MassInsteadOfD;
  for (int k = 1; k <= NCOMP; ++k) {
    const double v = mp.MassOrD[k];
    double scaled = v * dFactor;
    if (mass) scaled = v * sFactor / dFactor * oldBuoyancy / newBuoyancy;
    mp.MassOrD[k] = v <= 0.0 ? 0.0f : static_cast<float>(scaled);
    mp.SedCoefficient[k] = static_cast<float>(mp.SedCoefficient[k] * sFactor);
  }
}

// The buffer slots of the continuous distributions (density; viscosity in
// poise), in the vector and in the model parameters that Pack copies there.
void StoreBufferSlots() {
  const ModelKind k = ModelSelection.Kind;
  if (!IsContinuousModel(k) || k == ModelKind::ExtrapolateLsGStar) return;
  const float density = SolventConditions.BufferDensity;
  const float viscosity = SolventConditions.RELVISCOSITY * 0.01002f;
  ParameterVector[NCOMP + 3] = ModelParameters.SedCoefficient[3] = density;
  ParameterVector[2 * NCOMP + 4] = ModelParameters.Concentration[4] = viscosity;
}

// The slots of a continuous distribution hold its grid, confidence level,
// vbar and buffer, not species: only discrete models have s and D to convert.
bool HasSpecies() {
  return !IsContinuousModel(ModelSelection.Kind);
}

}  // namespace

void ToStandardConditions() {
  const InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  SolventConditionsRecord& sc = SolventConditions;
  const double eta = s.RelativeViscosity;
  const double oldBuoyancy = 1.0 - sc.VbarRho;
  if (HasSpecies()) {
    ScaleComponents(eta / BuoyancyRatio(), eta, oldBuoyancy, StandardBuoyancy());
    PackParameterVector();
  }
  sc.BufferDensity = static_cast<float>(WaterDensity());
  sc.VbarRho = static_cast<float>(sc.VBAR * WaterDensity());
  sc.RELVISCOSITY = 1.0f;
  StoreBufferSlots();
  InhomogeneousSolventSettings.StandardConditionsApplied = true;
}

void ToExperimentalConditions() {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  SolventConditionsRecord& sc = SolventConditions;
  const double eta = s.RelativeViscosity;
  const double ratio = BuoyancyRatio();
  const double oldBuoyancy = 1.0 - sc.VbarRho;
  sc.BufferDensity = s.DensityAt1atm;
  if (s.SedimentingCosolute) sc.VBAR = s.BuoyancyVbar;
  sc.VbarRho = sc.VBAR * sc.BufferDensity;
  sc.RELVISCOSITY = s.RelativeViscosity;
  if (HasSpecies()) ScaleComponents(ratio / eta, 1.0 / eta, oldBuoyancy, 1.0 - sc.VbarRho);
  StoreBufferSlots();
  s.StandardConditionsApplied = false;
  PackParameterVector();
}

double CosoluteViscosity(double c) {
  const InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  if (s.ViscosityCoefficientCount < 1) return WaterViscosity();
  return WaterViscosity() *
         SolventSeries(s.ViscosityCoefficients, s.ViscosityCoefficientCount, 5, c);
}

double CosoluteDensity(double c) {
  const InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  if (s.DensityCoefficientCount < 1) return WaterDensity();
  return SolventSeries(s.DensityCoefficients, s.DensityCoefficientCount, 6, c);
}

void CompressedDensityProfile(double* out, const double* radii, int n, double rho0, double kappa) {
  const double omega = SolventRpm() * 2.0 * kPi / 60.0;
  const double m = ModelParameters.Meniscus;
  for (int i = 1; i <= n; ++i) {
    if (kappa == 0.0) {
      out[i] = rho0;
      continue;
    }
    // Pa from g/ml and cm (1000 kg/m^3 per g/ml, 1e-4 m^2 per cm^2), then MPa.
    const double pressure =
        0.5 * (rho0 * 1000.0) * omega * omega * (radii[i] * radii[i] - m * m) * 1e-4 * 1e-6;
    out[i] = rho0 / (1.0 - kappa * pressure);
  }
}

void SolventGradientFactors(const double* radii, int n) {
  const InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  InhomogeneousSolventWorkRecord& w = InhomogeneousSolventWork;
  if (n < 1) return;
  AllocateFactorArrays(n);
  if (s.CompressibleSolvent) {
    CompressedDensityProfile(w.PressureDensity.data(), radii, n, s.DensityAt1atm,
                             s.SolventCompressibility);
    for (int i = 1; i <= n; ++i) {
      w.ViscosityFactor[i] = 1.0 / s.RelativeViscosity;
      w.BuoyancyFactor[i] = BuoyancyFactorAt(SolventConditions.VBAR, w.PressureDensity[i]);
    }
    return;
  }
  if (!s.SedimentingCosolute) {
    for (int i = 1; i <= n; ++i) w.ViscosityFactor[i] = w.BuoyancyFactor[i] = 1.0;
    return;
  }
  if (s.WaterCompressibilityOn)
    CompressedDensityProfile(w.PressureDensity.data(), radii, n, WaterDensity(),
                             s.SolventCompressibility);
  const double eta = CosoluteViscosity(s.CosoluteLoading);
  const double rho = CosoluteDensity(s.CosoluteLoading);
  for (int i = 1; i <= n; ++i) {
    w.ViscosityFactor[i] = WaterViscosity() / eta;
    w.BuoyancyFactor[i] = BuoyancyFactorAt(s.BuoyancyVbar, rho + PressureIncrement(i));
  }
}

void UpdateSolventFactors(const double* radii, int n) {
  const InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  InhomogeneousSolventWorkRecord& w = InhomogeneousSolventWork;
  if (!s.SedimentingCosolute || !s.CosoluteOn) return;
  if (CosoluteProfile() == nullptr || w.AllocatedSize < 1) return;
  n = std::min(n, w.AllocatedSize);
  ResampleCurveDouble(n, radii, w.CosoluteAtGrid.data(), CosolutePointCount(), CosoluteRadius(),
                      CosoluteProfile());
  for (int i = 1; i <= n; ++i) {
    const double c = w.CosoluteAtGrid[i];
    w.ViscosityFactor[i] = WaterViscosity() / CosoluteViscosity(c);
    w.BuoyancyFactor[i] =
        BuoyancyFactorAt(s.BuoyancyVbar, CosoluteDensity(c) + PressureIncrement(i));
  }
}

double StandardToSolventS(double s20w) {
  const InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  if (s.CompressibleSolvent)
    return s20w * BuoyancyFactorAt(SolventConditions.VBAR, s.DensityAt1atm) / s.RelativeViscosity;
  if (s.SedimentingCosolute)
    return s20w * BuoyancyFactorAt(s.BuoyancyVbar, s.DensityAt1atm) / s.RelativeViscosity;
  return s20w;
}

double FactorDiffusionIntegral(int i, int j, const double* r, int count) {
  const int n = FactorNodes(count);
  int first = 0, last = 0;
  if (!SharedElements(i, j, n, first, last)) return 0.0;
  const OneBasedArray<double>& f = InhomogeneousSolventWork.ViscosityFactor;
  double sum = 0.0;
  for (int a = first; a <= last; ++a) {
    const double ra = r[a], rb = r[a + 1], h = rb - ra;
    // int_a^b r f dr for f linear between f_a and f_b.
    const double weight = h * (f[a] * (2.0 * ra + rb) + f[a + 1] * (ra + 2.0 * rb)) / 6.0;
    sum += HatSlope(i, a, h) * HatSlope(j, a, h) * weight;
  }
  return sum;
}

double FactorSedimentationIntegral(int i, int j, const double* r, int count) {
  const int n = FactorNodes(count);
  int first = 0, last = 0;
  if (!SharedElements(i, j, n, first, last)) return 0.0;
  const OneBasedArray<double>& f = InhomogeneousSolventWork.ViscosityFactor;
  const OneBasedArray<double>& g = InhomogeneousSolventWork.BuoyancyFactor;
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

double BottomDiffusionTerm(const double* r, int count) {
  const int n = FactorNodes(count);
  if (n < 2) return 0.0;
  return r[n] * InhomogeneousSolventWork.ViscosityFactor[n] / (r[n] - r[n - 1]);
}

double BottomSedimentationTerm(const double* r, int count) {
  const int n = FactorNodes(count);
  if (n < 1) return 0.0;
  return r[n] * r[n] * InhomogeneousSolventWork.ViscosityFactor[n] *
         InhomogeneousSolventWork.BuoyancyFactor[n];
}
