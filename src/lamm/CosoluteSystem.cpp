// The sedimenting co-solute of an inhomogeneous solvent (a salt such as CsCl
// building a density gradient): its own Lamm equation on a uniform grid from
// meniscus to bottom, closed at both ends, advanced over exactly the
// macromolecule's steps. An ideal co-solute has constant s and D and keeps
// one factorisation while the step and the speed stay the same; a non-ideal
// one takes s(c) and D(c) node by node (built-in CsCl laws or loaded series)
// with a predictor and a corrector per step.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>

#include "data/ScanFileWriter.h"
#include "lamm/CLammIdeal.h"
#include "lamm/CosoluteCoefficients.h"
#include "lamm/ElementIntegrals.h"
#include "lamm/Tridiagonal.h"
#include "numerics/CVector.h"
#include "numerics/ConstantShorthands.h"

namespace {

// Fewest co-solute nodes: the factors are resampled from its profile, which
// needs five points.
constexpr int kFewestCosoluteNodes = 5;

double Omega2(double rpm) {
  const double w = rpm * kRpmToOmega;
  return w * w * 1e-13;
}

TridagWork CosoluteTridag(CLammIdeal& l) {
  return {l.CosoluteGamma, l.CosolutePivots, &l.TridagError};
}

bool SpeedChanging(const CLammIdeal& l) {
  return (l.SimulateAcceleration || (l.SpeedScheduleOn && !l.ScheduleDone)) && l.Accelerating;
}

// Solves (M - dt/2 B) out = (M + dt/2 B) c_prev with a fresh factorisation;
// the previous profile on a zero pivot.
void FactorAndSolve(CLammIdeal& l, double* out) {
  const int n = l.CosoluteGridSize;
  TridiagonalTimesVector(l.CosoluteExplicitLower, l.CosoluteExplicitDiag, l.CosoluteExplicitUpper,
                         l.CosolutePrevious, l.CosoluteRhs, n);
  if (!tridag(CosoluteTridag(l), l.CosoluteImplicitLower, l.CosoluteImplicitDiag,
              l.CosoluteImplicitUpper, l.CosoluteRhs, out, n))
    std::copy(l.CosolutePrevious + 1, l.CosolutePrevious + n + 1, out + 1);
}

// s and D of the non-ideal co-solute at c; false without a law for them.
bool CoefficientsAt(const CLammIdeal& l, double c, double& s, double& D) {
  if (l.CsClBuiltIn) {
    s = CsClSedimentation(c);
    D = CsClDiffusion(c);
    return true;
  }
  if (l.SCoefficientCount < 1 || l.DCoefficientCount < 1) return false;
  s = EvaluateCoefficientSeries(l.SCoefficients.data(), l.SCoefficientCount, c);
  D = EvaluateCoefficientSeries(l.DCoefficients.data(), l.DCoefficientCount, c);
  return true;
}

void ReadSeries(const std::string& file, OneBasedArray<double>& series, std::int32_t& count) {
  CVector values;
  if (file.empty() || !values.ReadFile(file)) return;
  count = static_cast<std::int32_t>(values.count());
  series = OneBasedArray<double>(1, std::max(count, 0));
  for (int i = 1; i <= count; ++i) series[i] = values.At(static_cast<unsigned>(i - 1));
}

}  // namespace

bool CLammIdeal::LoadCosoluteCoefficients() {
  if (CsClBuiltIn) return true;
  if (DCoefficientCount < 1) ReadSeries(DCoefficientFile, DCoefficients, DCoefficientCount);
  if (SCoefficientCount < 1) ReadSeries(SCoefficientFile, SCoefficients, SCoefficientCount);
  return SCoefficientCount > 0 && DCoefficientCount > 0;
}

bool CLammIdeal::SetUpCosolute() {
  if (CosoluteGridSize < kFewestCosoluteNodes || !AllocCosoluteArrays()) return false;
  const int n = CosoluteGridSize;
  for (int i = 1; i <= n; ++i) {
    const bool inBand = BandLoading && CosoluteRadius[i] < CosoluteRadius[1] + BandWidth;
    CosoluteConcentration[i] = inBand ? 0.0 : CosoluteLoading;
  }
  CosoluteRpm = CurrentRpm;
  // The matrices are those of this run: no factorisation of an earlier set-up
  // may serve it.
  CosoluteUnfactored = 1;
  if (NonidealCosolute) {
    CosoluteNodeCoefficients();
    CosoluteElementIntegrals();
    CosoluteTransportMatrix();
  } else {
    CosoluteIdealMatrices();
  }
  StepStartTime = 0;
  PreviousCosoluteStep = 0;
  CosoluteStepLength = 0;
  return true;
}

void CLammIdeal::CosoluteIdealMatrices() {
  const int n = CosoluteGridSize;
  const HatGrid grid{CosoluteRadius, n};
  const double sigma = Omega2(CosoluteRpm) * CosoluteS;
  for (int i = 1; i <= n; ++i) {
    CosoluteMassLower[i] = MassIntegral(grid, i, i - 1, n);
    CosoluteMassDiag[i] = MassIntegral(grid, i, i, n);
    CosoluteMassUpper[i] = MassIntegral(grid, i, i + 1, n);
    const auto transport = [&](int j) {
      return sigma * SedimentationIntegral(grid, i, j, n) -
             CosoluteD * StiffnessIntegral(grid, i, j, n);
    };
    CosoluteTransportLower[i] = transport(i - 1);
    CosoluteTransportDiag[i] = transport(i);
    CosoluteTransportUpper[i] = transport(i + 1);
  }
  CosoluteUnfactored = 1;
}

void CLammIdeal::CosoluteElementIntegrals() {
  const int n = CosoluteGridSize;
  const HatGrid general{CosoluteRadius, n};
  const EqualHatGrid grid = MakeEqualHatGrid(CosoluteRadius, n, Meniscus, Bottom);
  const double w = Omega2(CosoluteRpm);
  for (int i = 1; i <= n; ++i) {
    CosoluteMassLower[i] = MassIntegral(general, i, i - 1, n);
    CosoluteMassDiag[i] = MassIntegral(general, i, i, n);
    CosoluteMassUpper[i] = MassIntegral(general, i, i + 1, n);
    for (int p = 0; p < 7; ++p) {
      const int j = i + kPairOffsets[p][0], k = i + kPairOffsets[p][1];
      CosoluteIntegralArrays[p][i] = DiffusionTripleEqual(grid, i, j, k);
      CosoluteIntegralArrays[7 + p][i] = w * SedimentationTripleEqual(grid, i, j, k);
    }
  }
}

void CLammIdeal::CosoluteNodeCoefficients() {
  for (int i = 1; i <= CosoluteGridSize; ++i)
    if (!CoefficientsAt(*this, CosoluteConcentration[i], CosoluteNodeS[i], CosoluteNodeD[i]))
      return;
}

void CLammIdeal::AverageCosoluteCoefficients() {
  for (int i = 1; i <= CosoluteGridSize; ++i) {
    double s, D;
    if (!CoefficientsAt(*this, CosolutePredicted[i], s, D)) return;
    CosoluteNodeS[i] = (s + CosoluteNodeS[i]) / 2;
    CosoluteNodeD[i] = (D + CosoluteNodeD[i]) / 2;
  }
}

void CLammIdeal::CosoluteTransportMatrix() {
  const int n = CosoluteGridSize;
  const auto& I = CosoluteIntegralArrays;
  for (int i = 1; i <= n; ++i) {
    const auto term = [&](int p) {
      const int k = i + kPairOffsets[p][1];
      if (k < 1 || k > n) return 0.0;
      return CosoluteNodeS[k] * I[7 + p][i] - CosoluteNodeD[k] * I[p][i];
    };
    CosoluteTransportLower[i] = i > 1 ? term(0) + term(2) : 0.0;
    CosoluteTransportDiag[i] = term(1) + term(3) + term(5);
    CosoluteTransportUpper[i] = i < n ? term(4) + term(6) : 0.0;
  }
}

void CLammIdeal::CosoluteStepMatrices(double dt) {
  const double half = dt / 2;
  for (int i = 1; i <= CosoluteGridSize; ++i) {
    CosoluteImplicitLower[i] = CosoluteMassLower[i] - half * CosoluteTransportLower[i];
    CosoluteImplicitDiag[i] = CosoluteMassDiag[i] - half * CosoluteTransportDiag[i];
    CosoluteImplicitUpper[i] = CosoluteMassUpper[i] - half * CosoluteTransportUpper[i];
    CosoluteExplicitLower[i] = CosoluteMassLower[i] + half * CosoluteTransportLower[i];
    CosoluteExplicitDiag[i] = CosoluteMassDiag[i] + half * CosoluteTransportDiag[i];
    CosoluteExplicitUpper[i] = CosoluteMassUpper[i] + half * CosoluteTransportUpper[i];
  }
}

void CLammIdeal::StepCosolute() {
  if (!CosoluteArraysAllocated) return;
  const int n = CosoluteGridSize;
  PreviousCosoluteStep = CosoluteStepLength;
  CosoluteStepLength = CurrentTime - StepStartTime;
  std::copy(CosoluteConcentration + 1, CosoluteConcentration + n + 1, CosolutePrevious + 1);
  if (CosoluteStepLength == 0) return;
  if (NonidealCosolute) {
    CosolutePredictorStep(CosoluteStepLength);
    CosoluteCorrectorStep();
    return;
  }
  CosoluteIdealStep(CosoluteStepLength);
  if (CosoluteSmoothing && CurrentTime < 10) {
    double* c = CosoluteConcentration;
    const double* r = CosoluteRadius;
    for (int i = 2; i <= n - 1; ++i) {
      if (c[i] >= 1e-10) continue;
      c[i - 1] += 0.5 * c[i] * r[i] / r[i - 1];
      c[i + 1] += 0.5 * c[i] * r[i] / r[i + 1];
      c[i] = 0;
    }
  }
}

void CLammIdeal::CosoluteIdealStep(double dt) {
  const int n = CosoluteGridSize;
  const bool changing = SpeedChanging(*this);
  if (changing) {
    // The speed over the step just taken by the macromolecule.
    CosoluteRpm = RpmOverStep(StepStartTime, dt);
    CosoluteIdealMatrices();
  }
  if (!changing && !CosoluteUnfactored && dt == CosoluteFactoredStep) {
    TridiagonalTimesVector(CosoluteExplicitLower, CosoluteExplicitDiag, CosoluteExplicitUpper,
                           CosolutePrevious, CosoluteRhs, n);
    SolveWithStoredPivots(CosoluteTridag(*this), CosoluteImplicitLower, CosoluteRhs,
                          CosoluteConcentration, n);
    return;
  }
  CosoluteFactoredStep = dt;
  CosoluteStepMatrices(dt);
  FactorAndSolve(*this, CosoluteConcentration);
  // A failed factorisation must not serve a later step.
  CosoluteUnfactored = TridagError ? 1 : 0;
}

void CLammIdeal::CosolutePredictorStep(double dt) {
  CosoluteNonidealStep = dt;
  CosoluteNodeCoefficients();
  if (SpeedChanging(*this)) {
    CosoluteRpm = RpmOverStep(StepStartTime, dt);
    CosoluteElementIntegrals();
  }
  CosoluteTransportMatrix();
  CosoluteStepMatrices(dt);
  // The factors of this step's matrices serve no other step.
  CosoluteUnfactored = 1;
  FactorAndSolve(*this, CosolutePredicted);
}

void CLammIdeal::CosoluteCorrectorStep() {
  AverageCosoluteCoefficients();
  CosoluteTransportMatrix();
  CosoluteStepMatrices(CosoluteNonidealStep);
  FactorAndSolve(*this, CosoluteConcentration);
}

void CLammIdeal::WriteCosoluteScan(std::int32_t item) {
  if (!CosoluteArraysAllocated || CosoluteFileName.empty() || !ScanHeaders) return;
  const std::size_t slash = CosoluteFileName.find_last_of('/');
  const std::string folder =
      slash == std::string::npos ? std::string() : CosoluteFileName.substr(0, slash + 1);
  char name[40];
  std::snprintf(name, sizeof name, "comp2_%d.r00", NextScan);
  const int n = CosoluteGridSize;
  OneBasedArray<float> radii(1, n), values(1, n);
  for (int i = 1; i <= n; ++i) {
    radii[i] = static_cast<float>(CosoluteRadius[i]);
    values[i] = static_cast<float>(CosoluteConcentration[i]);
  }
  WriteScanFile(folder + name, n, radii.data(), values.data(), nullptr, "component 2", true,
                ScanHeaders[item]);
}
