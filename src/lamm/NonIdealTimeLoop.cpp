// Time loop of the non-ideal solver with a given total concentration: the
// step control and active window of the fixed-grid solver, with one
// Crank-Nicolson step per try whose transport matrix is assembled from node
// coefficients taken at the middle of the step.

#include <algorithm>
#include <cmath>

#include "lamm/CLammNonIdeal.h"
#include "lamm/ProfileRepairs.h"

void CLammNonIdeal::NonIdealLammTimeLoop() {
  if (!WorkArraysAllocated) return;
  const int N = GridSize;
  StepResult = 1.0f;
  StepMatricesTimeStep = 0;
  ConcDependenceError = 0;
  if (!StartNonidealityValues()) return;
  TridagError = BlowUpError = ForcedReductions = 0;
  std::copy(Concentration + 1, Concentration + N + 1, PreviousConcentration + 1);
  StartMeniscusConcentration = Concentration[1];
  TruncationLevel = TruncationThreshold * Concentration[1];
  WindowLeft = 1;
  WindowRight = N;

  FindLinearRange();
  NodeCoefficientsFromTotal(CurrentTime);
  if (ConcDependenceError) return;
  IntegralsRpm = -1.0;
  ComputeElementIntegrals();
  AssembleNodeTransport();

  const double s = SedimentationCoeff, D = DiffusionCoeff;
  LeftEdgeLimit = static_cast<std::int32_t>(0.95 * N);
  WindowingOn = DynamicTruncation && s > 0;
  LeftEdgeFixed = !WindowingOn;
  NoRightTruncation = 1;
  SetLargestTimeStep(s, D);
  if (ProfileOutputOn) SampleProfiles(CurrentTime);
  if (WienerSkewingOn) AllocWienerArrays(N);
  if (FixedTimeStep) TimeStep = StepControl;
  SetEndProbe();
  StoppedEarly = 0;

  int tiny = 0, slow = 0;
  while (ContinueLoop) {
    if (ConcDependentRunFailed()) break;
    const double dt0 = TimeStep;
    const double E = NonIdealLammStep();
    if (ConcDependentRunFailed()) break;
    if (WindowingOn) UpdateLeftEdge();
    CountTinySteps(tiny);
    if (WienerSkewingOn && CurrentTime >= NextOutputTime) {
      TotalConcentrationAt(CurrentTime);
      for (int i = 1; i <= std::min(N, WienerArrayCount); ++i)
        WienerQuantity[i] = TotalConcentration[i] / WienerSignalPerConcentration;
    }
    CLEachIterationOutput(E);
    StepResult = static_cast<float>(E / dt0);
    if (EndConditionMet()) ContinueLoop = 0;
    if (SteadyStateReached(dt0, slow)) WriteSteadyScans();
  }
  FreeWienerArrays();
}

double CLammNonIdeal::NonIdealLammStep() {
  const int N = GridSize;
  double& dt = TimeStep;
  const double t = CurrentTime;
  PreviousTimeStep = 1.0;
  if (FixedTimeStep) dt = StepControl;
  const int first = WindowLeft < 4 ? 1 : WindowLeft - 2;
  std::copy(Concentration + first, Concentration + WindowRight + 1, PreviousConcentration + first);

  std::uint8_t clipped = 0;
  ClipTimeStep(1, &clipped);
  StepLanding landing;
  if (!BeginStepLanding(t, landing)) return 1.0;
  const auto accept = [&] {
    NonIdealAdvance();
    AcceptedStepLanding(landing);
  };
  // One try of the step with its clean-ups; false when the run failed.
  const auto tryStep = [&] {
    NonIdealCNStep(dt);
    if (ConcDependentRunFailed()) return false;
    if (ProfileBlownUp(Concentration, N)) {
      BlowUpError = 1;
      return false;
    }
    if ((BandLoading || InitialProfileOn) && t < 10) RemoveTinyValues(Radius, Concentration, N);
    if (SpeedScheduleOn) RemoveNegativeWiggles(Radius, Concentration, N);
    return true;
  };

  if (!tryStep()) return 0.0;
  double uncontrolled = 0.0;
  if (UncontrolledConcDependentStep(landing, t, uncontrolled)) {
    accept();
    return uncontrolled;
  }
  double E = RelativeChange();
  if (!BackDiffusionCut && SedimentationCoeff > 0 && Concentration[N] < PreviousConcentration[N]) {
    // The bottom concentration of a sedimenting species cannot fall.
    if (dt > 1) dt /= 2;
    ShortenedStepLanding(landing);
    if (!tryStep()) return 0.0;
    E = RelativeChange();
  }
  while (E > StepControl) {
    if (ForcedReductions > 10) {
      BlowUpError = 1;
      return 0.0;
    }
    ReduceConcDependentStep(E, MaxTimeStep, true);
    ClipTimeStep(1, &clipped);
    if (StopPending && t + dt > StopTime) {
      StopPending = 0;
      dt = StopTime - t;
    }
    ShortenedStepLanding(landing);
    if (!(dt > 0)) {
      dt = 1.0;
      return 1.0;
    }
    if (!tryStep()) return 0.0;
    E = RelativeChange();
  }
  accept();
  return NextConcDependentStep(E, MaxTimeStep, &clipped);
}

void CLammNonIdeal::NonIdealCNStep(double dt) {
  const int N = GridSize;
  ElementIntegralsOverStep(dt);
  NodeCoefficientsFromTotal(CurrentTime + dt / 2);
  if (ConcDependenceError) return;
  AssembleNodeTransport();
  ConcDependentSystem(dt);
  MultiplyTridiagonal(ExplicitLower, ExplicitDiag, ExplicitUpper, PreviousConcentration,
                      RightHandSide, N);
  SolveTridiagonal(ImplicitLower, ImplicitDiag, ImplicitUpper, RightHandSide, Concentration, N);
  if (TridagError) {
    const int first = WindowLeft < 4 ? 1 : WindowLeft - 2;
    std::copy(PreviousConcentration + first, PreviousConcentration + N + 1, Concentration + first);
    return;
  }
  double* c = Concentration;
  const int L = WindowLeft;
  if (L > 3 && L + 3 <= N) {
    // A depleted edge that oscillates about its mean becomes a rising ramp
    // with the same sum.
    const double m = (c[L - 1] + c[L] + c[L + 1] + c[L + 2] + c[L + 3]) / 5;
    if (10 * TruncationLevel > m && (c[L - 1] - m) * (c[L] - m) < 0 &&
        (c[L] - m) * (c[L + 1] - m) < 0) {
      constexpr double kRamp[5] = {5.0 / 27, 10.0 / 27, 20.0 / 27, 40.0 / 27, 60.0 / 27};
      for (int k = 0; k < 5; ++k) c[L - 1 + k] = m * kRamp[k];
    }
  }
  if (SedimentationCoeff > 0) {
    // Small negative values ahead of the boundary move on to the next node
    // (keeping the integral of c r dr).
    for (int k = std::max(1, L - 2); k < N; ++k) {
      if (c[k] > 0.1) break;
      if (c[k] > -0.001 && c[k] < 0) {
        c[k + 1] += c[k] * Radius[k] / Radius[k + 1];
        c[k] = 0;
      }
    }
  }
}

void CLammNonIdeal::NonIdealAdvance() {
  const double dt = TimeStep;
  ++StepCount;
  CurrentTime += dt;
  const double t = CurrentTime;
  if (PhotophysicsOn) {
    BeamOn = BeamStart <= t && t <= BeamEnd;
    if (DarkResetTime > 0 && t >= DarkResetTime && !DarkStateFrozen) {
      RestoreBleached();
      DarkStateFrozen = 1;
    }
  }
  ElementIntegralsAfterStep(t, dt);
  if (-TruncationLevel < Concentration[1] && Concentration[1] < 0) MeniscusSignFix();
  if (ReportTotalAmount) TotalAmount = TotalAmountInCell();
}
