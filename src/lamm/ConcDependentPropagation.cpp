// Concentration-dependent propagation of the Lamm solver: one non-ideal
// species, or several species coupled through their total concentration,
// whose sedimentation and diffusion coefficients follow the local
// concentration. Linear hat functions on the fixed grid as in the ideal
// variant, but every node carries its own s and D, so the transport matrix
// is assembled from three-index element integrals. Each step is a
// Crank-Nicolson predictor with the coefficients of the old level and a
// corrector with the coefficients averaged between the old and the predicted
// level; the step length follows the relative change of the prediction.

#include "lamm/ConcDependentPropagation.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "lamm/CLammIdeal.h"
#include "lamm/ElementIntegrals.h"
#include "lamm/Tridiagonal.h"
#include "lamm/VolumeFractionFactors.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// Negative values below this count as an overshoot that asks for a shorter
// step (the variant leaves the solver's truncation level at its default).
constexpr double kNegativeLevel = 1e-6;
constexpr double kLongestStep = 1000.0;  // s

// The seven (j, k) pairs of a row i: test function i, trial function j and
// coefficient node k, each i - 1, i or i + 1.
constexpr int kPairs = 7;
constexpr std::array<int, kPairs> kJ = {-1, 0, -1, 0, 1, 0, 1};
constexpr std::array<int, kPairs> kK = {-1, -1, 0, 0, 0, 1, 1};

// What one run keeps besides the solver's own fields.
struct Run {
  CLammIdeal& l;
  double integralsRpm = -1.0;
  bool multi = false;

  double* K(int pair) const { return l.ElementIntegralArrays[static_cast<std::size_t>(pair)]; }
  double* S(int pair) const {
    return l.ElementIntegralArrays[static_cast<std::size_t>(kPairs + pair)];
  }
};

// The mass matrix and the integrals of the transport matrix at the current
// rotor speed (omega^2 1e-13 folded into the sedimentation integrals).
void ComputeElementIntegrals(Run& run) {
  CLammIdeal& l = run.l;
  if (l.CurrentRpm == run.integralsRpm) return;
  run.integralsRpm = l.CurrentRpm;
  const double omega = l.CurrentRpm * 2.0 * kPi / 60.0;
  const double field = omega * omega * 1e-13;
  const int N = l.GridSize;
  const EqualHatGrid grid = MakeEqualHatGrid(l.Radius, N, l.Meniscus, l.Bottom);
  for (int i = 1; i <= N; ++i) {
    l.MassLower[i] = MassIntegralEqual(grid, i, i - 1);
    l.MassDiag[i] = MassIntegralEqual(grid, i, i);
    l.MassUpper[i] = MassIntegralEqual(grid, i, i + 1);
    for (int p = 0; p < kPairs; ++p) {
      const int j = i + kJ[p], k = i + kK[p];
      run.K(p)[i] = DiffusionTripleEqual(grid, i, j, k);
      run.S(p)[i] = field * SedimentationTripleEqual(grid, i, j, k);
    }
  }
}

// B from the node coefficients NodeSedimentation (S) and NodeDiffusion
// (cm^2/s).
void AssembleNodeTransport(const Run& run) {
  CLammIdeal& l = run.l;
  const int N = l.GridSize;
  const double* s = l.NodeSedimentation;
  const double* D = l.NodeDiffusion;
  const auto term = [&](int p, int i) {
    const int k = i + kK[p];
    if (k < 1 || k > N) return 0.0;
    return s[k] * run.S(p)[i] - D[k] * run.K(p)[i];
  };
  for (int i = 1; i <= N; ++i) {
    l.TransportLower[i] = i > 1 ? term(0, i) + term(2, i) : 0.0;
    l.TransportDiag[i] = term(1, i) + term(3, i) + term(5, i);
    l.TransportUpper[i] = i < N ? term(4, i) + term(6, i) : 0.0;
  }
  // Without back-diffusion from the bottom the last node lets the material
  // through instead of piling it up.
  if (l.BackDiffusionCut && s[N] > 0 && N > 1) {
    const double omega = l.CurrentRpm * 2.0 * kPi / 60.0;
    const double r = l.Radius[N], a = r / (r - l.Radius[N - 1]) * D[N];
    l.TransportLower[N] += a;
    l.TransportDiag[N] -= s[N] * 1e-13 * omega * omega * r * r + a;
  }
}

// M - dt/2 B and M + dt/2 B.
void BuildSystem(CLammIdeal& l, double dt) {
  for (int i = 1; i <= l.GridSize; ++i) {
    const double h = 0.5 * dt;
    l.ImplicitLower[i] = l.MassLower[i] - h * l.TransportLower[i];
    l.ImplicitDiag[i] = l.MassDiag[i] - h * l.TransportDiag[i];
    l.ImplicitUpper[i] = l.MassUpper[i] - h * l.TransportUpper[i];
    l.ExplicitLower[i] = l.MassLower[i] + h * l.TransportLower[i];
    l.ExplicitDiag[i] = l.MassDiag[i] + h * l.TransportDiag[i];
    l.ExplicitUpper[i] = l.MassUpper[i] + h * l.TransportUpper[i];
  }
  l.StepMatricesTimeStep = dt;
}

// One Crank-Nicolson solve from the old level; on a zero pivot the old level
// is the result.
void SolveFrom(Run& run, double dt, const double* old, double* out) {
  CLammIdeal& l = run.l;
  const int N = l.GridSize;
  AssembleNodeTransport(run);
  BuildSystem(l, dt);
  TridiagonalTimesVector(l.ExplicitLower, l.ExplicitDiag, l.ExplicitUpper, old, l.RightHandSide, N);
  const TridagWork work{l.TridagGamma, l.TridagPivots, &l.TridagError};
  if (!tridag(work, l.ImplicitLower, l.ImplicitDiag, l.ImplicitUpper, l.RightHandSide, out, N))
    std::copy(old + 1, old + N + 1, out + 1);
}

// The factors of s and D at a concentration c (signal units).
void Factors(const CLammIdeal& l, double c, double s0, double D0, bool clamp, double& fs,
             double& fd) {
  if (l.HardSphereNonideality) {
    const double x = c / l.NonidealityScale;
    fs = SedFactorAtConcFromSD(x, l.KsValue, l.KdValue, s0, D0, l.Vbar, l.SolventDensity,
                               l.Temperature, l.RelativeViscosity);
    fd = DiffFactorAtConcFromSD(x, l.KsValue, l.KdValue, s0, D0, l.Vbar, l.SolventDensity,
                                l.Temperature, l.RelativeViscosity);
    return;
  }
  fs = 1.0 - l.KsValue * c;
  fd = 1.0 + l.KdValue * c;
  if (clamp) {
    fs = std::max(0.0, fs);
    fd = std::max(0.0, fd);
  }
}

// Single species: node coefficients at the old level, or averaged with the
// level c.
void SingleCoefficients(CLammIdeal& l, const double* c, bool average) {
  if (l.NonidealMeanField) return;
  const double s0 = l.SedimentationCoeff, D0 = l.DiffusionCoeff;
  for (int i = 1; i <= l.GridSize; ++i) {
    double fs = 1.0, fd = 1.0;
    if (l.NonIdealityOn) Factors(l, c[i], s0, D0, false, fs, fd);
    const double s = fs * s0, D = fd * D0;
    l.NodeSedimentation[i] = average ? 0.5 * (s + l.NodeSedimentation[i]) : s;
    l.NodeDiffusion[i] = average ? 0.5 * (D + l.NodeDiffusion[i]) : D;
  }
}

// Several species: each follows the factors of the unweighted total of the
// given profiles.
void SpeciesCoefficients(CLammIdeal& l, const OneBasedMatrix<double>& profiles, bool average) {
  const int N = l.GridSize, K = l.SpeciesCount;
  for (int i = 1; i <= N; ++i) {
    double total = 0.0;
    for (int k = 1; k <= K; ++k) total += profiles[k][i];
    double fs = 1.0, fd = 1.0;
    if (l.NonIdealityOn) Factors(l, total, l.SpeciesS[1], l.SpeciesD[1], true, fs, fd);
    for (int k = 1; k <= K; ++k) {
      const double s = fs * l.SpeciesS[k], D = fd * l.SpeciesD[k];
      double& sk = l.SpeciesNodeSedimentation[k][i];
      double& dk = l.SpeciesNodeDiffusion[k][i];
      sk = average ? 0.5 * (s + sk) : s;
      dk = average ? 0.5 * (D + dk) : D;
    }
  }
}

// Solves every species from its old profile with its node coefficients into
// out[k]; the signal (weighted sum) into signal.
void SolveSpecies(Run& run, double dt, OneBasedMatrix<double>& out,
                  OneBasedMatrix<double>& weighted, double* signal) {
  CLammIdeal& l = run.l;
  const int N = l.GridSize;
  std::fill(signal + 1, signal + N + 1, 0.0);
  for (int k = 1; k <= l.SpeciesCount; ++k) {
    std::copy(l.SpeciesNodeSedimentation[k] + 1, l.SpeciesNodeSedimentation[k] + N + 1,
              l.NodeSedimentation + 1);
    std::copy(l.SpeciesNodeDiffusion[k] + 1, l.SpeciesNodeDiffusion[k] + N + 1,
              l.NodeDiffusion + 1);
    SolveFrom(run, dt, l.SpeciesOld[k], out[k]);
    for (int i = 1; i <= N; ++i) {
      weighted[k][i] = l.SpeciesWeights[k] * out[k][i];
      signal[i] += weighted[k][i];
    }
  }
}

void Predictor(Run& run, double dt) {
  CLammIdeal& l = run.l;
  if ((l.SimulateAcceleration || l.SpeedScheduleOn) && l.Accelerating) {
    l.CurrentRpm = l.RpmOverStep(l.CurrentTime, dt);
    ComputeElementIntegrals(run);
  }
  if (run.multi) {
    SpeciesCoefficients(l, l.SpeciesOld, false);
    SolveSpecies(run, dt, l.SpeciesPredicted, l.WeightedPredicted, l.PredictedConcentration);
  } else {
    SingleCoefficients(l, l.PreviousConcentration, false);
    SolveFrom(run, dt, l.PreviousConcentration, l.PredictedConcentration);
  }
}

void Corrector(Run& run, double dt) {
  CLammIdeal& l = run.l;
  if (run.multi) {
    SpeciesCoefficients(l, l.SpeciesPredicted, true);
    SolveSpecies(run, dt, l.SpeciesProfiles, l.WeightedProfiles, l.Concentration);
  } else {
    SingleCoefficients(l, l.PredictedConcentration, true);
    SolveFrom(run, dt, l.PreviousConcentration, l.Concentration);
  }
}

// A slightly negative value at the meniscus of a repeated run is reflected;
// the neighbour gives up what it gains, so the amount in the cell stays.
void MeniscusSignFix(CLammIdeal& l) {
  if (!l.RetryMode || l.GridSize < 2) return;
  double* c = l.Concentration;
  const double h = (l.Bottom - l.Meniscus) / (l.GridSize - 1);
  const double w1 = (3.0 * l.Radius[1] + h) * h / 6.0, w2 = h * l.Radius[2];
  const double b = -c[1] * w1 / w2;
  c[1] = -c[1];
  c[2] -= 2.0 * b;
}

void Advance(Run& run, double dt, bool landsOnStop) {
  CLammIdeal& l = run.l;
  const double start = l.CurrentTime;
  ++l.StepCount;
  l.CurrentTime = landsOnStop ? l.StopTime : start + dt;
  const double t = l.CurrentTime;
  const auto followSpeed = [&] {
    if (!l.Accelerating) return;
    l.CurrentRpm = l.RpmOverStep(t, dt);
    ComputeElementIntegrals(run);
  };
  if (t >= l.AccelerationEnd) {
    followSpeed();
    l.Accelerating = 0;
  }
  if (l.SpeedScheduleOn && !l.ScheduleDone) {
    followSpeed();
    l.UpdateSpeedStep(t);
  }
  if (!run.multi && -kNegativeLevel < l.Concentration[1] && l.Concentration[1] < 0)
    MeniscusSignFix(l);
}

// Largest relative change of a predicted against an old profile; a clearly
// negative prediction halves the tolerances and asks for a shorter step.
double ProfileChange(CLammIdeal& l, const double* p, const double* o) {
  const int N = l.GridSize;
  double top = 0.0;
  for (int i = 1; i <= N; ++i) top = std::max(top, p[i]);
  const double floor = 1e-4 * top;
  double E = p[N] > floor && o[N] >= floor ? std::fabs(p[N] - o[N]) / o[N] : 0.0;
  for (int j = N - 1; j >= 1; --j) {
    if (p[j] < -kNegativeLevel) {
      l.StepControl *= 0.5;
      l.StepControlLow *= 0.5;
      l.StepControlHigh *= 0.5;
      ++l.ForcedReductions;
      return 2.0 * l.StepControl;
    }
    const double d = p[j] - o[j];
    if (o[j] > floor) {
      E = std::max(E, std::fabs(d / o[j]));
    } else if (d > floor) {
      if (o[j + 1] > floor)
        E = std::max(E, std::fabs(d / o[j + 1]));
      else if (j >= 2 && o[j - 1] > floor)
        E = std::max(E, std::fabs(d / o[j - 1]));
    }
  }
  return E;
}

double StepError(Run& run) {
  CLammIdeal& l = run.l;
  if (!run.multi) return ProfileChange(l, l.PredictedConcentration, l.PreviousConcentration);
  double E = 0.0;
  for (int k = 1; k <= l.SpeciesCount; ++k) {
    const int forced = l.ForcedReductions;
    E = std::max(E, ProfileChange(l, l.SpeciesPredicted[k], l.SpeciesOld[k]));
    if (l.ForcedReductions != forced) return E;
  }
  return E;
}

bool BlownUp(const double* x, int n) {
  for (int i = 1; i <= n; ++i)
    if (!(std::fabs(x[i]) <= 1e100)) return true;
  return false;
}

// The relaxed step rule of the ideal variant: between the step that just
// meets the target change and a change by the factor, limited.
void NewStep(CLammIdeal& l, double E, double factor, double lo, double hi, double stretch) {
  double& dt = l.TimeStep;
  const double old = dt;
  const double q = E == 0 ? 0.0 : l.StepControlHigh / E * dt;
  const double b = dt * factor;
  dt = b + (q - b) * l.StepRelaxation;
  if (lo * old <= dt && dt <= hi * old) dt *= stretch;
  dt = std::min({dt, 10.0 * old, kLongestStep});
  dt = std::max({dt, 1e-15, 0.1 * old});
}

// One step with control; the error measure, or 1 (the given step) for steps
// taken without control.
double Step(Run& run) {
  CLammIdeal& l = run.l;
  const int N = l.GridSize;
  double& dt = l.TimeStep;
  l.PreviousTimeStep = 1.0;
  if (run.multi) {
    for (int k = 1; k <= l.SpeciesCount; ++k) {
      std::copy(l.SpeciesProfiles[k] + 1, l.SpeciesProfiles[k] + N + 1, l.SpeciesOld[k] + 1);
      std::copy(l.WeightedProfiles[k] + 1, l.WeightedProfiles[k] + N + 1, l.WeightedOld[k] + 1);
    }
  }
  std::copy(l.Concentration + 1, l.Concentration + N + 1, l.PreviousConcentration + 1);
  if (l.FixedTimeStep) dt = l.StepControl;
  l.ClipTimeStep(1, nullptr);
  bool landsOnStop = false;
  if (l.StopPending && l.CurrentTime + dt > l.StopTime) {
    l.StopPending = 0;
    dt = l.StopTime - l.CurrentTime;
    landsOnStop = true;
  }
  if (!(dt > 0)) {
    dt = 1.0;
    return 1.0;
  }
  Predictor(run, dt);
  if (BlownUp(l.PredictedConcentration, N)) {
    l.BlowUpError = 1;
    return 0.0;
  }
  const auto finish = [&] {
    Corrector(run, dt);
    Advance(run, dt, landsOnStop);
  };
  if (landsOnStop && l.StepCount > 0) {
    finish();
    return 1.0;
  }
  if (l.StepCount == 0 && l.Concentration[1] > 0) {
    const double first = dt;
    finish();
    return first;
  }
  if (l.FixedTimeStep) {
    finish();
    return l.LastRelativeChange;
  }
  double E = StepError(run);
  while (E > l.StepControl) {
    if (l.ForcedReductions > 10) {
      l.BlowUpError = 1;
      return 0.0;
    }
    if (l.TridagError) return 0.0;
    NewStep(l, E, 1.0 / l.StepChangeFactor, 0.8, 1.2, 0.5);
    l.ClipTimeStep(1, nullptr);
    if (landsOnStop && l.StopTime - l.CurrentTime != dt) {
      // The shorter step no longer reaches the scan time: a later one must.
      l.StopPending = 1;
      landsOnStop = false;
    }
    Predictor(run, dt);
    E = StepError(run);
  }
  finish();
  if (E == 0) {
    dt = std::min(10.0 * dt, kLongestStep);
  } else if (E < l.StepControlLow) {
    NewStep(l, E, l.StepChangeFactor, 0.9, 1.1, 2.0);
  }
  if (l.StopPending && l.CurrentTime + dt > l.StopTime) dt = l.StopTime - l.CurrentTime;
  l.ClipTimeStep(0, nullptr);
  l.LastRelativeChange = E;
  return E;
}

// The profile has stopped changing: every scan still to come shows it.
void WriteSteadyScans(CLammIdeal& l) {
  while (l.ContinueLoop && l.NextOutputTime < 1e8) {
    l.CurrentTime = std::max(l.CurrentTime, l.StopPending ? l.StopTime : l.NextOutputTime);
    l.CLEachIterationOutput(l.StepResult);
  }
  l.ContinueLoop = 0;
}

}  // namespace

bool ConcDependentPropagationAvailable(const CLammIdeal& l) {
  const bool association = l.MonomerDimerModel || l.TetramerOctamerModel || l.DimerTetramerModel ||
                           l.MonomerTrimerModel || l.SelfAssociationOn;
  const bool multi = l.MultiSpecies && l.SpeciesCount > 0;
  return !association && !l.NonidealMeanField && (l.NonidealSingleSpecies || multi);
}

void PropagateConcDependent(CLammIdeal& l) {
  if (!l.WorkArraysAllocated) return;
  Run run{l};
  run.multi = l.MultiSpecies && l.SpeciesCount > 0 && l.SpeciesProfiles.rows() >= l.SpeciesCount;
  l.StepResult = 1.0f;
  l.StepMatricesTimeStep = 0;
  l.ConcDependenceError = 0;
  if (l.NonIdealityOn) {
    if (l.HardSphereNonideality) {
      l.KsValue = std::fabs(l.NonidealityParamS);
      l.KdValue = std::fabs(l.NonidealityParamD);
    } else {
      const double ks = std::pow(10.0, l.NonidealityParamS) * (l.KsPositive ? 1.0 : -1.0);
      const double kd = std::pow(10.0, l.NonidealityParamD) * (l.KdPositive ? 1.0 : -1.0);
      l.KsValue = static_cast<float>(ks / l.NonidealityScale);
      l.KdValue = static_cast<float>(kd / l.NonidealityScale);
      // s would turn negative at the loading concentration.
      if (l.KsValue * l.Concentration[1] > 1.0) {
        l.ConcDependenceError = 1;
        return;
      }
    }
  }
  l.TridagError = l.BlowUpError = l.ForcedReductions = 0;
  std::copy(l.Concentration + 1, l.Concentration + l.GridSize + 1, l.PreviousConcentration + 1);
  ComputeElementIntegrals(run);
  // The whole grid takes part in every step.
  l.WindowLeft = 1;
  l.WindowRight = l.GridSize;
  l.SetEndProbe();
  int slow = 0;
  while (l.ContinueLoop && !l.TridagError && !l.BlowUpError) {
    const double dt0 = l.TimeStep;
    const double E = Step(run);
    l.CLEachIterationOutput(E);
    l.StepResult = static_cast<float>(E / dt0);
    slow = dt0 >= 30.0 && E / dt0 < l.SteadyStateRate ? slow + 1 : 0;
    if (slow > 10) {
      l.StoppedEarly = 1;
      WriteSteadyScans(l);
    }
    if (!l.BandLoading && l.ContinueLoop && l.EndConditionMet()) {
      l.StoppedEarly = 1;
      l.ContinueLoop = 0;
    }
  }
}
