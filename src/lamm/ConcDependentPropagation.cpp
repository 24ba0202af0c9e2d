// Time loop of the concentration-dependent variant. The Lamm equation with
// s(c) and D(c) is non-linear; each step linearises it twice: a
// Crank-Nicolson predictor with the coefficients of the old level, then a
// corrector with coefficients averaged between the old and the predicted
// level (a second-order predictor-corrector). The step length follows the
// relative change between the prediction and the old profile; a prediction
// that turns negative halves the tolerances for the rest of the run.

#include <algorithm>
#include <cmath>

#include "lamm/CLammIdeal.h"
#include "lamm/ProfileRepairs.h"
#include "lamm/Tridiagonal.h"

namespace {

TridagWork Tridag(CLammIdeal& l) {
  return {l.TridagGamma, l.TridagPivots, &l.TridagError};
}

// Solves (M - dt/2 B) out = (M + dt/2 B) old with the current step matrices;
// on a zero pivot the old level is the result.
void SolveFromOld(CLammIdeal& l, const double* old, double* out) {
  const int N = l.GridSize;
  TridiagonalTimesVector(l.ExplicitLower, l.ExplicitDiag, l.ExplicitUpper, old, l.RightHandSide, N);
  if (!tridag(Tridag(l), l.ImplicitLower, l.ImplicitDiag, l.ImplicitUpper, l.RightHandSide, out, N))
    std::copy(old + 1, old + N + 1, out + 1);
}

// One stage (predictor or corrector) of every species of the multi-species
// model: each solved with its own coefficients from its old profile; the
// signal is the weighted sum.
void SpeciesStage(CLammIdeal& l, double dt, OneBasedMatrix<double>& out,
                  OneBasedMatrix<double>& weighted, double* signal) {
  const int N = l.GridSize;
  std::fill(signal + 1, signal + N + 1, 0.0);
  for (int k = 1; k <= l.SpeciesCount; ++k) {
    std::copy(l.SpeciesNodeSedimentation[k] + 1, l.SpeciesNodeSedimentation[k] + N + 1,
              l.NodeSedimentation + 1);
    std::copy(l.SpeciesNodeDiffusion[k] + 1, l.SpeciesNodeDiffusion[k] + N + 1,
              l.NodeDiffusion + 1);
    l.AssembleNodeTransport();
    l.ConcDependentSystem(dt);
    SolveFromOld(l, l.SpeciesOld[k], out[k]);
    const double w = l.SpeciesWeights[k];
    for (int i = 1; i <= N; ++i) {
      weighted[k][i] = w * out[k][i];
      signal[i] += weighted[k][i];
    }
  }
}

// The error measure of one profile pair; floor-relative changes of the
// nodes, and a forced reduction when the prediction turned negative.
double ProfileChange(CLammIdeal& l, const double* p, const double* o, bool& forced) {
  const int N = l.GridSize;
  double m = 0.0;
  for (int i = 1; i <= N; ++i) m = std::max(m, p[i]);
  const double floor = 1e-4 * m;
  double E = p[N] > floor && o[N] >= floor ? std::fabs(p[N] - o[N]) / o[N] : 0.0;
  for (int j = N - 1; j >= 1; --j) {
    if (p[j] < -l.TruncationLevel) {
      l.StepControl /= 2;
      l.StepControlLow /= 2;
      l.StepControlHigh /= 2;
      ++l.ForcedReductions;
      forced = true;
      return 2 * l.StepControl;
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

}  // namespace

void CLammIdeal::PropagateConcDependent() {
  if (!WorkArraysAllocated) return;
  const int N = GridSize;
  StepResult = 1.0f;
  StepMatricesTimeStep = 0;
  ConcDependenceError = 0;
  if (NonIdealityOn && !StartNonidealityValues()) return;
  PrepareAssociation();
  TridagError = BlowUpError = ForcedReductions = 0;
  // Negative predictions below this level force a shorter step.
  TruncationLevel = 1e-6;
  if (MultiSpecies) {
    for (int k = 1; k <= SpeciesCount; ++k) {
      std::copy(WeightedProfiles[k] + 1, WeightedProfiles[k] + N + 1, WeightedOld[k] + 1);
      std::copy(SpeciesProfiles[k] + 1, SpeciesProfiles[k] + N + 1, SpeciesOld[k] + 1);
    }
  }
  const bool wiener = WienerSkewingOn && (NonidealSingleSpecies || MultiSpecies);
  if (wiener) AllocWienerArrays(N);
  std::copy(Concentration + 1, Concentration + N + 1, PreviousConcentration + 1);
  // Every run (also a retry on a new grid) starts with integrals of its own
  // grid; a rotor at rest has speed 0, so "none yet" is a negative speed.
  IntegralsRpm = -1.0;
  ComputeElementIntegrals();
  ConcDepMaxTimeStep = 1000.0;
  WindowLeft = 1;
  WindowRight = N;
  SetEndProbe();
  StoppedEarly = 0;
  SlowSteps = 0;

  while (ContinueLoop) {
    if (ConcDependentRunFailed()) break;
    const double dt0 = TimeStep;
    const double E = ConcDependentStep();
    if (ConcDependentRunFailed()) break;
    if (wiener && CurrentTime >= NextOutputTime) {
      for (int i = 1; i <= N; ++i) {
        double c = PreviousConcentration[i];
        if (MultiSpecies) {
          c = 0.0;
          for (int k = 1; k <= SpeciesCount; ++k) c += SpeciesOld[k][i];
        }
        if (i <= WienerArrayCount) WienerQuantity[i] = c / WienerSignalPerConcentration;
      }
    }
    CLEachIterationOutput(E);
    StepResult = static_cast<float>(E / dt0);
    if (SteadyStateReached(dt0, SlowSteps)) {
      WriteSteadyScans();
      break;
    }
    if (!BandLoading && EndProbeIndex >= 1 && EndProbeIndex <= N &&
        Concentration[EndProbeIndex] < EndLevel) {
      StoppedEarly = 1;
      break;
    }
  }
  FreeAssociationTable();
  FreeWienerArrays();
}

bool CLammIdeal::StartNonidealityValues() {
  if (HardSphereNonideality) {
    KsValue = std::fabs(NonidealityParamS);
    KdValue = std::fabs(NonidealityParamD);
    return true;
  }
  const double ks = std::pow(10.0, static_cast<double>(NonidealityParamS));
  const double kd = std::pow(10.0, static_cast<double>(NonidealityParamD));
  KsValue = static_cast<float>((KsPositive ? ks : -ks) / NonidealityScale);
  KdValue = static_cast<float>((KdPositive ? kd : -kd) / NonidealityScale);
  // s would turn negative at the meniscus concentration.
  if (KsValue * Concentration[1] > 1) {
    ConcDependenceError = 1;
    return false;
  }
  return true;
}

double CLammIdeal::ConcDependentStep() {
  const int N = GridSize;
  double& dt = TimeStep;
  const double t = CurrentTime;
  PreviousTimeStep = 1.0;
  if (MultiSpecies) {
    for (int k = 1; k <= SpeciesCount; ++k) {
      std::copy(SpeciesProfiles[k] + 1, SpeciesProfiles[k] + N + 1, SpeciesOld[k] + 1);
      std::copy(WeightedProfiles[k] + 1, WeightedProfiles[k] + N + 1, WeightedOld[k] + 1);
    }
  }
  std::copy(Concentration + 1, Concentration + N + 1, PreviousConcentration + 1);
  if (FixedTimeStep) dt = StepControl;
  std::uint8_t clipped = 0;
  ClipTimeStep(1, &clipped);
  StepLanding landing;
  if (!BeginStepLanding(t, landing)) return 1.0;
  const auto finish = [&] {
    ConcDependentCorrector();
    if (ProfileBlownUp(Concentration, N)) BlowUpError = 1;
    if (ConcDependentRunFailed()) return;
    ConcDependentAdvance();
    AcceptedStepLanding(landing);
  };

  ConcDependentPredictor(dt);
  if (ConcDependenceError) return 0.0;
  if (ProfileBlownUp(PredictedConcentration, N)) {
    BlowUpError = 1;
    return 0.0;
  }
  double uncontrolled = 0.0;
  if (UncontrolledConcDependentStep(landing, t, uncontrolled)) {
    finish();
    return uncontrolled;
  }

  double E = ConcDependentError();
  const bool association =
      MonomerDimerModel || MonomerTrimerModel || DimerTetramerModel || TetramerOctamerModel;
  const bool wrongWay =
      (MonomerS > 0 && OligomerS > 0 && PredictedConcentration[N] < PreviousConcentration[N]) ||
      (MonomerS < 0 && OligomerS < 0 && PredictedConcentration[N] > PreviousConcentration[N]);
  if (association && wrongWay) {
    // The bottom concentration of a sedimenting system cannot fall.
    if (dt > 1) dt /= 2;
    ShortenedStepLanding(landing);
    ConcDependentPredictor(dt);
    E = ConcDependentError();
  }
  while (E > StepControl) {
    if (ForcedReductions > 10) {
      BlowUpError = 1;
      return 0.0;
    }
    if (ConcDependentRunFailed()) return 0.0;
    ReduceConcDependentStep(E, ConcDepMaxTimeStep, false);
    ClipTimeStep(1, &clipped);
    ShortenedStepLanding(landing);
    ConcDependentPredictor(dt);
    if (ConcDependentRunFailed()) return 0.0;
    E = ConcDependentError();
  }
  finish();
  if (ConcDependentRunFailed()) return 0.0;
  return NextConcDependentStep(E, ConcDepMaxTimeStep, &clipped);
}

double CLammIdeal::NextConcDependentStep(double E, double bound, std::uint8_t* clipped) {
  double& dt = TimeStep;
  ForcedReductions = 0;
  if (E == 0)
    dt *= 10;
  else if (E < StepControlLow)
    GrowConcDependentStep(E, bound);
  if (StopPending && CurrentTime + dt > StopTime) dt = StopTime - CurrentTime;
  ClipTimeStep(0, clipped);
  LastRelativeChange = E;
  return E;
}

bool CLammIdeal::UncontrolledConcDependentStep(const StepLanding& landing, double t,
                                               double& result) const {
  const double dt = TimeStep;
  if (StepCount > 0 && (landing.Lands(dt) || t + dt == StopTime))
    result = 1.0;
  else if (StepCount == 0 && Concentration[1] > 0)
    result = dt;
  else if (FixedTimeStep)
    result = LastRelativeChange;
  else
    return false;
  return true;
}

bool CLammIdeal::ConcDependentRunFailed() const {
  return TridagError || BlowUpError || ConcDependenceError;
}

void CLammIdeal::ElementIntegralsOverStep(double dt) {
  if ((SimulateAcceleration || SpeedScheduleOn) && Accelerating) {
    CurrentRpm = RpmOverStep(CurrentTime, dt);
    ComputeElementIntegrals();
  }
}

void CLammIdeal::ElementIntegralsAfterStep(double t, double dt) {
  if (t >= AccelerationEnd) {
    if (Accelerating) {
      CurrentRpm = RpmOverStep(t, dt);
      ComputeElementIntegrals();
    }
    Accelerating = 0;
  }
  if (SpeedScheduleOn && !ScheduleDone) {
    if (Accelerating) {
      CurrentRpm = RpmOverStep(t, dt);
      ComputeElementIntegrals();
    }
    UpdateSpeedStep(t);
  }
}

void CLammIdeal::ReduceConcDependentStep(double E, double bound, bool countForced) {
  double& dt = TimeStep;
  const double old = dt, g = StepChangeFactor, w = StepRelaxation;
  const double q = E == 0 ? 0.0 : StepControlHigh / E * dt;
  double next = dt / g + (q - dt / g) * w;
  if (0.8 * old <= next && next <= 1.2 * old) next *= 0.5;
  next = std::min({next, 10 * old, bound});
  if (next < 1e-15) {
    next = 1e-15;
    if (countForced) ++ForcedReductions;
  }
  dt = std::max(next, 0.1 * old);
}

void CLammIdeal::GrowConcDependentStep(double E, double bound) {
  double& dt = TimeStep;
  const double old = dt, g = StepChangeFactor, w = StepRelaxation;
  const double q = E == 0 ? 0.0 : StepControlHigh / E * dt;
  double next = dt * g + (q - dt * g) * w;
  if (0.9 * old <= next && next <= 1.1 * old) next *= 2;
  next = std::min({next, 10 * old, bound});
  next = std::max(next, 1e-15);
  dt = std::max(next, 0.1 * old);
}

double CLammIdeal::ConcDependentError() {
  bool forced = false;
  if (!MultiSpecies)
    return ProfileChange(*this, PredictedConcentration, PreviousConcentration, forced);
  double E = 0.0;
  for (int k = 1; k <= SpeciesCount; ++k) {
    const double e = ProfileChange(*this, SpeciesPredicted[k], SpeciesOld[k], forced);
    if (forced) return e;
    E = std::max(E, e);
  }
  return E;
}

void CLammIdeal::ConcDependentPredictor(double dt) {
  ElementIntegralsOverStep(dt);
  OldLevelCoefficients();
  if (ConcDependenceError) return;
  if (MultiSpecies) {
    SpeciesStage(*this, dt, SpeciesPredicted, WeightedPredicted, PredictedConcentration);
    return;
  }
  AssembleNodeTransport();
  ConcDependentSystem(dt);
  SolveFromOld(*this, PreviousConcentration, PredictedConcentration);
}

void CLammIdeal::ConcDependentCorrector() {
  AveragedCoefficients();
  if (ConcDependenceError) return;
  if (MultiSpecies) {
    SpeciesStage(*this, TimeStep, SpeciesProfiles, WeightedProfiles, Concentration);
    return;
  }
  AssembleNodeTransport();
  ConcDependentSystem(TimeStep);
  SolveFromOld(*this, PreviousConcentration, Concentration);
}

void CLammIdeal::ConcDependentAdvance() {
  const double dt = TimeStep;
  ++StepCount;
  CurrentTime += dt;
  const double t = CurrentTime;
  ElementIntegralsAfterStep(t, dt);
  if (!MultiSpecies && -TruncationLevel < Concentration[1] && Concentration[1] < 0)
    MeniscusSignFix();
  if (ReportTotalAmount) TotalAmount = TotalAmountInCell();
}

void CLammIdeal::MeniscusSignFix() {
  if (!RetryMode) return;
  double w1, w2;
  if (NonUniformGrid) {
    const double h1 = Radius[2] - Radius[1];
    w1 = (3 * Radius[1] + h1) * h1 / 6;
    const double h2 = Radius[3] - Radius[2];
    w2 = (h1 * (3 * Radius[2] - h1) + h2 * (3 * Radius[2] + h2)) / 6;
  } else {
    const double h = (Bottom - Meniscus) / (GridSize - 1);
    w1 = (3 * Radius[1] + h) * h / 6;
    w2 = h * Radius[2];
  }
  // The reflected value's gain is taken from the neighbour: the amount in
  // the cell stays the same.
  const double b = -Concentration[1] * w1 / w2;
  Concentration[1] = -Concentration[1];
  Concentration[2] -= 2 * b;
}

double CLammIdeal::TotalAmountInCell() const {
  const int N = GridSize;
  const double h = (Bottom - Meniscus) / (N - 1);
  const double* c = Concentration;
  const double* r = Radius;
  double A = (3 * r[1] + h) * h / 6 * c[1] + (3 * r[N] - h) * h / 6 * c[N];
  for (int i = 2; i <= N - 1; ++i) A += h * r[i] * c[i];
  // A 1.2 cm optical path through a 2 degree sector.
  return A * 1.2 * 0.03490658503988659;
}
