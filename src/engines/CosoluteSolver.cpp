#include "engines/CosoluteSolver.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "state/ModelSelection.h"
#include "state/ProgramPaths.h"
#include "data/ScanDataSet.h"
#include "engines/EngineRunReads.h"
#include "engines/HatElementIntegrals.h"
#include "engines/InhomogeneousSolvent.h"
#include "lamm/CosoluteCoefficients.h"
#include "lamm/ElementIntegrals.h"
#include "lamm/Tridiagonal.h"
#include "models/GlobalLammState.h"
#include "models/SimulationArrays.h"
#include "models/SimulationErrors.h"
#include "state/ModelParameters.h"
#include "numerics/CVector.h"
#include "numerics/ConstantShorthands.h"
#include "ui/Boxes.h"

CosoluteStateRecord CosoluteState;

namespace {

// The seven (j, k) pairs of the three-hat bands of row i, as offsets from i:
// (i-1, i-1), (i, i-1), (i-1, i), (i, i), (i+1, i), (i, i+1), (i+1, i+1).
constexpr int kPairJ[7] = {-1, 0, -1, 0, 1, 0, 1};
constexpr int kPairK[7] = {-1, -1, 0, 0, 0, 1, 1};

int N() {
  return GlobalLammArrays.CosoluteGridSize;
}
double* Array(CosoluteArrayIndex k) {
  return CosoluteArray(k);
}
// Diffusion band t (0..6) and sedimentation band t of the non-ideal co-solute.
double* DiffusionBand(int t) {
  return CosoluteTableArray(t);
}
double* SedimentationBand(int t) {
  return CosoluteTableArray(7 + t);
}
HatGrid Grid() {
  return HatGrid{Array(kCosoluteRadius), N()};
}
double SedimentationRate(double rpm) {
  const double omega = rpm * 2.0 * kPi / 60.0;
  return omega * omega * 1e-13;
}

void BuildMassBands() {
  const HatGrid g = Grid();
  double *l = Array(kCosoluteMassL), *d = Array(kCosoluteMassD), *u = Array(kCosoluteMassU);
  for (int i = 1; i <= N(); ++i) {
    l[i] = MassIntegral(g, i, i - 1, N());
    d[i] = MassIntegral(g, i, i, N());
    u[i] = MassIntegral(g, i, i + 1, N());
  }
}

void BuildIdealOperator() {
  const InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  const HatGrid g = Grid();
  const double ws = SedimentationRate(CosoluteState.BandRpm) * s.CosoluteS;
  const double D = s.CosoluteD;
  double* a[3] = {Array(kCosoluteOperatorL), Array(kCosoluteOperatorD), Array(kCosoluteOperatorU)};
  for (int i = 1; i <= N(); ++i) {
    for (int o = -1; o <= 1; ++o) {
      const int j = i + o;
      a[o + 1][i] = ws * SedimentationIntegral(g, i, j, N()) - D * StiffnessIntegral(g, i, j, N());
    }
  }
}

// The three-hat integrals of every row, the sedimentation ones times
// omega^2 1e-13.
void BuildThreeHatBands() {
  const HatGrid g = Grid();
  const double w = SedimentationRate(CosoluteState.BandRpm);
  for (int t = 0; t < 7; ++t) {
    double *diff = DiffusionBand(t), *sed = SedimentationBand(t);
    for (int i = 1; i <= N(); ++i) {
      const int j = i + kPairJ[t], k = i + kPairK[t];
      diff[i] = HatTripleIntegralB(g, i, j, k);
      sed[i] = w * HatTripleIntegralA(g, i, j, k);
    }
  }
}

void AssembleNonidealOperator() {
  const double *s = Array(kCosoluteLocalS), *D = Array(kCosoluteLocalD);
  double* a[3] = {Array(kCosoluteOperatorL), Array(kCosoluteOperatorD), Array(kCosoluteOperatorU)};
  for (int i = 1; i <= N(); ++i) {
    a[0][i] = a[1][i] = a[2][i] = 0.0;
    for (int t = 0; t < 7; ++t) {
      const int k = i + kPairK[t];
      if (k < 1 || k > N()) continue;
      a[kPairJ[t] + 1][i] += s[k] * SedimentationBand(t)[i] - D[k] * DiffusionBand(t)[i];
    }
  }
}

// L = M - (dt/2) A and R = M + (dt/2) A.
void FormSystems(double dt) {
  const CosoluteArrayIndex m[3] = {kCosoluteMassL, kCosoluteMassD, kCosoluteMassU};
  const CosoluteArrayIndex a[3] = {kCosoluteOperatorL, kCosoluteOperatorD, kCosoluteOperatorU};
  const CosoluteArrayIndex left[3] = {kCosoluteLeftL, kCosoluteLeftD, kCosoluteLeftU};
  const CosoluteArrayIndex right[3] = {kCosoluteRightL, kCosoluteRightD, kCosoluteRightU};
  for (int b = 0; b < 3; ++b) {
    const double *mb = Array(m[b]), *ab = Array(a[b]);
    double *lb = Array(left[b]), *rb = Array(right[b]);
    for (int i = 1; i <= N(); ++i) {
      lb[i] = mb[i] - 0.5 * dt * ab[i];
      rb[i] = mb[i] + 0.5 * dt * ab[i];
    }
  }
}

TridagWork Work() {
  return TridagWork{Array(kCosoluteRatios), Array(kCosolutePivots), &GlobalLammRun.TridiagError};
}

void RightHandSide() {
  TridiagonalTimesVector(Array(kCosoluteRightL), Array(kCosoluteRightD), Array(kCosoluteRightU),
                         Array(kCosoluteOld), Array(kCosoluteRhs), N());
}

void RestoreOld(CosoluteArrayIndex target) {
  const double* old = Array(kCosoluteOld);
  double* c = Array(target);
  for (int i = 1; i <= N(); ++i) c[i] = old[i];
}

// Factorises L, solves it for R c_old into target; the start profile on failure.
bool FactorAndSolve(CosoluteArrayIndex target) {
  RightHandSide();
  if (tridag(Work(), Array(kCosoluteLeftL), Array(kCosoluteLeftD), Array(kCosoluteLeftU),
             Array(kCosoluteRhs), Array(target), N()))
    return true;
  RestoreOld(target);
  return false;
}

// The co-solute's s and D at molarity c from the built-in CsCl laws or the
// loaded series; false when neither is there.
bool CoefficientsAt(double c, double& s, double& D) {
  const InhomogeneousSolventSettingsRecord& set = InhomogeneousSolventSettings;
  if (set.CosoluteCsCl) {
    s = CsClSedCoeff(c);
    D = CsClDiffCoeff(c);
    return true;
  }
  if (set.CosoluteSCoefficientCount < 1 || set.CosoluteDCoefficientCount < 1) return false;
  s = PolynomialOfC(set.CosoluteSCoefficients.data(), set.CosoluteSCoefficientCount, c);
  D = PolynomialOfC(set.CosoluteDCoefficients.data(), set.CosoluteDCoefficientCount, c);
  return true;
}

// Local coefficients at the profile c; with average, the mean of those and
// the ones held (the corrector's).
void LocalCoefficients(const double* c, bool average) {
  double *ls = Array(kCosoluteLocalS), *ld = Array(kCosoluteLocalD);
  for (int i = 1; i <= N(); ++i) {
    double s = 0.0, D = 0.0;
    if (!CoefficientsAt(c[i], s, D)) return;
    ls[i] = average ? 0.5 * (s + ls[i]) : s;
    ld[i] = average ? 0.5 * (D + ld[i]) : D;
  }
}

// The rotor speed over the step from the engine's previous time, during the
// simulated acceleration; the co-solute's bands follow it.
bool FollowRamp(double dt) {
  if (!Ramping()) return false;
  CosoluteState.BandRpm = AccelerationPhaseRpm(CosoluteState.CosoluteTimeRef, dt);
  return true;
}

void IdealStep(double dt) {
  CosoluteStateRecord& st = CosoluteState;
  const bool ramped = FollowRamp(dt);
  if (ramped) BuildIdealOperator();
  if (!ramped && st.FactorizationValid && dt == st.CosoluteFactorizedStep) {
    RightHandSide();
    SolveWithStoredPivots(Work(), Array(kCosoluteLeftL), Array(kCosoluteRhs), Array(kCosolute),
                          N());
    return;
  }
  FormSystems(dt);
  st.CosoluteFactorizedStep = dt;
  st.FactorizationValid = FactorAndSolve(kCosolute);
}

void NonidealStep(double dt) {
  CosoluteStateRecord& st = CosoluteState;
  st.CosoluteNonidealStep = dt;
  st.FactorizationValid = false;
  LocalCoefficients(Array(kCosolute), false);
  if (FollowRamp(dt)) BuildThreeHatBands();
  AssembleNonidealOperator();
  FormSystems(dt);
  if (!FactorAndSolve(kCosolutePredicted)) return;
  LocalCoefficients(Array(kCosolutePredicted), true);
  AssembleNonidealOperator();
  FormSystems(dt);
  FactorAndSolve(kCosolute);
}

std::string TablePath(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  return ProgramPaths.InstallationFolder + name;
}

}  // namespace

void ReadSeries(const std::string& name, OneBasedArray<double>& p, int& count) {
  CVector values;
  if (!values.ReadFile(TablePath(name))) return;
  count = static_cast<int>(values.count());
  p.Resize(1, count);
  for (int i = 1; i <= count; ++i) p[i] = values.At(i - 1);
}

const double* CosoluteRadius() {
  return GlobalLammArrays.CosoluteArraysAllocated ? CosoluteArray(kCosoluteRadius) : nullptr;
}
const double* CosoluteProfile() {
  return GlobalLammArrays.CosoluteArraysAllocated ? CosoluteArray(kCosolute) : nullptr;
}
int CosolutePointCount() {
  return GlobalLammArrays.CosoluteArraysAllocated ? N() : 0;
}

bool InitCosoluteGradient() {
  const InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  const int n = s.CosoluteGridSize;
  if (n < MinimumCosoluteGridSize) {
    ErrorBox("the radial grid of the cosolute needs at least 5 points", false);
    return false;
  }
  const double m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
  if (!(m > 0.0 && b > m)) return false;
  const bool nonideal = s.CosoluteNonideal;
  if (!AllocCosoluteArrays(n, nonideal)) return false;
  // Arrays kept from a run of another kind may lack the three-hat bands.
  if (nonideal && CosoluteTableArray(0) == nullptr) {
    FreeCosoluteArrays();
    if (!AllocCosoluteArrays(n, true)) return false;
  }
  double* r = Array(kCosoluteRadius);
  double* c = Array(kCosolute);
  // The cell may have changed since the arrays were made.
  for (int i = 1; i <= n; ++i) r[i] = m + (i - 1) * (b - m) / (n - 1);
  const bool band = IsZoneModel(ModelSelection.Kind);
  for (int i = 1; i <= n; ++i)
    c[i] = band && r[i] < r[1] + ModelParameters.LamellaWidth ? 0.0 : s.CosoluteLoading;

  CosoluteStateRecord& st = CosoluteState;
  st.BandRpm = GlobalLammRun.RunRpm;
  st.NonidealRun = nonideal;
  st.FactorizationValid = false;
  st.CosoluteFactorizedStep = 0.0;
  st.CosoluteStepSize = 0.0;
  BuildMassBands();
  if (nonideal) {
    LoadCosoluteNonidealTables();
    LocalCoefficients(c, false);
    BuildThreeHatBands();
    AssembleNonidealOperator();
  } else {
    BuildIdealOperator();
  }
  st.CosoluteTimeRef = 0.0;
  st.CosolutePrevStep = 0.0;
  return true;
}

void AdvanceCosoluteGradient() {
  CosoluteStateRecord& st = CosoluteState;
  if (CosoluteProfile() == nullptr) return;
  st.CosolutePrevStep = st.CosoluteStepSize;
  st.CosoluteStepSize = GlobalLammRun.SimTime - st.CosoluteTimeRef;
  const double* c = Array(kCosolute);
  double* old = Array(kCosoluteOld);
  for (int i = 1; i <= N(); ++i) old[i] = c[i];
  const double dt = st.CosoluteStepSize;
  if (dt == 0.0) return;
  if (st.NonidealRun)
    NonidealStep(dt);
  else
    IdealStep(dt);
}

double CsClSedCoeff(double c) {
  return CsClSedimentation(c);
}

double CsClDiffCoeff(double c) {
  return CsClDiffusion(c);
}

double PolynomialOfC(const double* p, int k, double c) {
  return EvaluateCoefficientSeries(p, k, c);
}

void LoadCosoluteNonidealTables() {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  s.CosoluteSCoefficients.Resize(1, 0);
  s.CosoluteDCoefficients.Resize(1, 0);
  s.CosoluteSCoefficientCount = s.CosoluteDCoefficientCount = 0;
  if (s.CosoluteCsCl) return;
  ReadSeries(s.CosoluteDFile, s.CosoluteDCoefficients, s.CosoluteDCoefficientCount);
  ReadSeries(s.CosoluteSFile, s.CosoluteSCoefficients, s.CosoluteSCoefficientCount);
}
