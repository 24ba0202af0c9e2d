// The finite-element system of the concentration-dependent variant. Because
// s and D vary from node to node, each node carries its own coefficients,
// interpolated linearly over the elements, and the transport matrix
//   B_ij = sum_k ( s_k w^2 S(i, j, k) - D_k K(i, j, k) ),
//   S(i, j, k) = int r^2 phi_i' phi_j phi_k dr,  K(i, j, k) = int r phi_i' phi_j' phi_k dr,
// is assembled from three-hat integrals that depend only on the grid and the
// rotor speed (kept between steps). The node coefficients come from the
// concentration of the old level (predictor) or from the mean of the old and
// the predicted level (corrector).

#include <algorithm>
#include <cmath>
#include <numbers>

#include "lamm/CLammIdeal.h"
#include "lamm/ElementIntegrals.h"
#include "lamm/VolumeFractionFactors.h"
#include "numerics/ConstantShorthands.h"

namespace {

// A linear s or D factor at or below this bound would let the coefficient
// reach zero or change its sign: the model has left its range.
constexpr double kLowestLinearFactor = 1e-3;

// The node coefficient at k, or 0 for a node outside the grid (its
// integrals vanish there too).
double NodeValue(const double* values, int k, int n) {
  return k >= 1 && k <= n ? values[k] : 0.0;
}

}  // namespace

void CLammIdeal::ComputeElementIntegrals() {
  if (CurrentRpm == IntegralsRpm) return;
  IntegralsRpm = CurrentRpm;
  const double omega = CurrentRpm * kRpmToOmega;
  const double w = omega * omega * 1e-13;
  const int N = GridSize;
  const HatGrid general{Radius, N};
  const EqualHatGrid equal = MakeEqualHatGrid(Radius, N, Meniscus, Bottom);
  const bool uniform = !NonUniformGrid;
  for (int i = 1; i <= N; ++i) {
    if (uniform) {
      MassLower[i] = MassIntegralEqual(equal, i, i - 1);
      MassDiag[i] = MassIntegralEqual(equal, i, i);
      MassUpper[i] = MassIntegralEqual(equal, i, i + 1);
    } else {
      MassLower[i] = PinnedFrameMassIntegral(general, i, i - 1);
      MassDiag[i] = PinnedFrameMassIntegral(general, i, i);
      MassUpper[i] = PinnedFrameMassIntegral(general, i, i + 1);
    }
    for (int p = 0; p < 7; ++p) {
      const int j = i + kPairOffsets[p][0], k = i + kPairOffsets[p][1];
      ElementIntegralArrays[p][i] = uniform ? DiffusionTripleEqual(equal, i, j, k)
                                            : PinnedFrameDiffusionTriple(general, i, j, k);
      ElementIntegralArrays[7 + p][i] =
          w * (uniform ? SedimentationTripleEqual(equal, i, j, k)
                       : PinnedFrameSedimentationTriple(general, i, j, k));
    }
  }
}

void CLammIdeal::AssembleNodeTransport() {
  const int N = GridSize;
  const double* s = NodeSedimentation;
  const double* D = NodeDiffusion;
  const auto& I = ElementIntegralArrays;
  for (int i = 1; i <= N; ++i) {
    // Entry of pair p: the coefficient of node k = i + offset weights it.
    const auto term = [&](int p) {
      const int k = i + kPairOffsets[p][1];
      return NodeValue(s, k, N) * I[7 + p][i] - NodeValue(D, k, N) * I[p][i];
    };
    TransportLower[i] = i > 1 ? term(0) + term(2) : 0.0;
    TransportDiag[i] = term(1) + term(3) + term(5);
    TransportUpper[i] = i < N ? term(4) + term(6) : 0.0;
  }
  if (BackDiffusionCut && s[N] > 0) {
    // The bottom row loses the outflow r_N (s w^2 r_N c_N + D dc/dr).
    const double omega = CurrentRpm * kRpmToOmega;
    const double g = Radius[N] / (Radius[N] - Radius[N - 1]) * D[N];
    TransportLower[N] += g;
    TransportDiag[N] -= s[N] * 1e-13 * omega * omega * Radius[N] * Radius[N] + g;
  }
}

void CLammIdeal::ConcDependentSystem(double dt) {
  BuildStepMatrices(dt, GridSize);
  StepMatricesTimeStep = dt;
  RebuildStepMatrices = 0;
}

bool CLammIdeal::LinearFactors(double c, double& fs, double& fd) {
  fs = 1 - KsValue * c;
  fd = 1 + KdValue * c;
  if (fs > kLowestLinearFactor && fd > kLowestLinearFactor) return true;
  ConcDependenceError = 1;
  return false;
}

namespace {

// s and D of a single non-ideal species at concentration c (signal units):
// false when the linear model has left its range.
bool SingleSpeciesSD(CLammIdeal& l, double c, double& s, double& D) {
  const double s0 = l.SedimentationCoeff, D0 = l.DiffusionCoeff;
  if (l.HardSphereNonideality) {
    const double x = c / l.NonidealityScale;
    s = s0 * SedFactorAtConcFromSD(x, l.KsValue, l.KdValue, s0, D0, l.Vbar, l.SolventDensity,
                                   l.Temperature, l.RelativeViscosity);
    D = D0 * DiffFactorAtConcFromSD(x, l.KsValue, l.KdValue, s0, D0, l.Vbar, l.SolventDensity,
                                    l.Temperature, l.RelativeViscosity);
    return true;
  }
  double fs, fd;
  if (!l.LinearFactors(c, fs, fd)) return false;
  s = fs * s0;
  D = fd * D0;
  return true;
}

// The factors of the multi-species model at the unweighted total C; the
// linear ones are clamped at 0.
void SpeciesFactors(const CLammIdeal& l, double C, double& fs, double& fd) {
  if (l.HardSphereNonideality) {
    const double x = C / l.NonidealityScale;
    const double s1 = l.SpeciesS[1], D1 = l.SpeciesD[1];
    fs = SedFactorAtConcFromSD(x, l.KsValue, l.KdValue, s1, D1, l.Vbar, l.SolventDensity,
                               l.Temperature, l.RelativeViscosity);
    fd = DiffFactorAtConcFromSD(x, l.KsValue, l.KdValue, s1, D1, l.Vbar, l.SolventDensity,
                                l.Temperature, l.RelativeViscosity);
    return;
  }
  fs = std::max(0.0, 1 - C * l.KsValue);
  fd = std::max(0.0, 1 + C * l.KdValue);
}

// Fills every species' node coefficients from the total of the given rows;
// with `average` they are averaged with the values already there.
void FillSpeciesCoefficients(CLammIdeal& l, const OneBasedMatrix<double>& rows, bool average) {
  const int N = l.GridSize, K = l.SpeciesCount;
  for (int i = 1; i <= N; ++i) {
    double C = 0.0;
    for (int k = 1; k <= K; ++k) C += rows[k][i];
    double fs, fd;
    SpeciesFactors(l, C, fs, fd);
    for (int k = 1; k <= K; ++k) {
      double& s = l.SpeciesNodeSedimentation[k][i];
      double& D = l.SpeciesNodeDiffusion[k][i];
      const double sNew = fs * l.SpeciesS[k], DNew = fd * l.SpeciesD[k];
      s = average ? (sNew + s) / 2 : sNew;
      D = average ? (DNew + D) / 2 : DNew;
    }
  }
}

}  // namespace

void CLammIdeal::NonidealNodeCoefficients() {
  if (NonidealMeanField) return;
  for (int i = 1; i <= GridSize; ++i)
    if (!SingleSpeciesSD(*this, PreviousConcentration[i], NodeSedimentation[i], NodeDiffusion[i]))
      return;
}

void CLammIdeal::NonidealNodeCoefficientsAveraged() {
  if (NonidealMeanField) return;
  for (int i = 1; i <= GridSize; ++i) {
    double s, D;
    if (!SingleSpeciesSD(*this, PredictedConcentration[i], s, D)) return;
    NodeSedimentation[i] = (s + NodeSedimentation[i]) / 2;
    NodeDiffusion[i] = (D + NodeDiffusion[i]) / 2;
  }
}

void CLammIdeal::SpeciesNodeCoefficients() {
  FillSpeciesCoefficients(*this, SpeciesOld, false);
}

void CLammIdeal::SpeciesNodeCoefficientsAveraged() {
  FillSpeciesCoefficients(*this, SpeciesPredicted, true);
}

void CLammIdeal::SpeciesNodeCoefficientsAveraged2() {
  SpeciesNodeCoefficientsAveraged();
}

void CLammIdeal::OldLevelCoefficients() {
  if (MultiSpecies)
    SpeciesNodeCoefficients();
  else if (MonomerDimerModel)
    MonomerDimerCoefficients();
  else if (MonomerTrimerModel)
    MonomerTrimerCoefficients();
  else if (DimerTetramerModel || TetramerOctamerModel)
    TableNodeCoefficients();
  else
    NonidealNodeCoefficients();
}

void CLammIdeal::AveragedCoefficients() {
  if (MultiSpecies)
    SpeciesNodeCoefficientsAveraged();
  else if (MonomerDimerModel)
    MonomerDimerCoefficientsAveraged();
  else if (MonomerTrimerModel)
    MonomerTrimerCoefficientsAveraged();
  else if (DimerTetramerModel || TetramerOctamerModel)
    TableNodeCoefficientsAveraged();
  else
    NonidealNodeCoefficientsAveraged();
}
