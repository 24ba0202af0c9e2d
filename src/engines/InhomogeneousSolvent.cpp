#include "engines/InhomogeneousSolvent.h"

#include <algorithm>

#include "state/ModelSelection.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "engines/CosoluteSolver.h"
#include "lamm/SolventFactors.h"
#include "models/GlobalLammState.h"
#include "models/ParameterPacking.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "numerics/PhysicalConstants.h"
#include "numerics/Resampling.h"

InhomogeneousSolventSettingsRecord InhomogeneousSolventSettings;
InhomogeneousSolventWorkRecord InhomogeneousSolventWork;

namespace {

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
  return SolventBuoyancyFactor(vbar, rho, SolventConditions.VBAR);
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
  return SolventViscosityAt(s.ViscosityCoefficients.data(), s.ViscosityCoefficientCount, c);
}

double CosoluteDensity(double c) {
  const InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  if (s.DensityCoefficientCount < 1) return WaterDensity();
  return SolventDensityAt(s.DensityCoefficients.data(), s.DensityCoefficientCount, c);
}

void CompressedDensityProfile(double* out, const double* radii, int n, double rho0, double kappa) {
  CompressedDensities(out, radii, n, rho0, kappa, SolventRpm(), ModelParameters.Meniscus);
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
  return ViscosityWeightedDiffusionIntegral(InhomogeneousSolventWork.ViscosityFactor.data(), r,
                                            FactorNodes(count), i, j);
}

double FactorSedimentationIntegral(int i, int j, const double* r, int count) {
  const InhomogeneousSolventWorkRecord& w = InhomogeneousSolventWork;
  return FactorWeightedSedimentationIntegral(w.ViscosityFactor.data(), w.BuoyancyFactor.data(), r,
                                             FactorNodes(count), i, j);
}

double BottomDiffusionTerm(const double* r, int count) {
  return ViscosityWeightedBoundaryTerm(InhomogeneousSolventWork.ViscosityFactor.data(), r,
                                       FactorNodes(count));
}

double BottomSedimentationTerm(const double* r, int count) {
  const InhomogeneousSolventWorkRecord& w = InhomogeneousSolventWork;
  return LocalSedimentationBoundaryTerm(w.ViscosityFactor.data(), w.BuoyancyFactor.data(), r,
                                        FactorNodes(count));
}
