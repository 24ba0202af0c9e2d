#include "models/MovingGridEngine.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "lamm/ElementIntegrals.h"
#include "models/GlobalLammState.h"
#include "models/MovingGridWork.h"
#include "models/SimulationErrors.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "state/SpeciesEngineParameters.h"
#include "numerics/ConstantShorthands.h"
#include "ui/Boxes.h"

MovingGridEngineRecord MovingGridEngine;
MovingGridCoefficientSourceRecord MovingGridCoefficientSource;

namespace {

using namespace moving_grid;

// 1.2 cm path length times a 2-degree sector.
constexpr double kSectorFactor = 1.2 * (2.0 * kPi / 180.0);
// Steps of at least this length whose change per second stays below the
// equilibrium limit, more than kSteadySteps of them in a row, end the run.
constexpr double kSteadyStepLength = 30.0;
constexpr int kSteadySteps = 10;

double* C() {
  return GlobalLammArrays.LammConcentration;
}

double OmegaSquaredOf(double rpm) {
  const double omega = 2.0 * kPi * rpm / 60.0;
  return omega * omega * 1e-13;
}

bool Ramping() {
  return ScanDataSet.RampRotorSpeed && GlobalLammRun.Accelerating;
}

// The moving grid carries the monomer-dimer and monomer-trimer laws only
// (not the larger self-associations).
bool IsAssociation(ModelKind kind) {
  return kind == ModelKind::MonomerDimer || kind == ModelKind::MonomerTrimer;
}

void Refuse(const std::string& text) {
  GlobalLammRun.NonidealityError = 1;
  MovingGridEngineRecord& h = MovingGridEngine;
  if (!FitControl.FitRunning) h.RefusalShownInFit = false;
  if (RedrawSuppressed || h.RefusalShownInFit) return;
  if (FitControl.FitRunning) h.RefusalShownInFit = true;
  ErrorBox(text);
}

// The concentration law, its linear constants and the grid's design s.
// False when the run is refused.
bool ChooseModel(MovingGridModel& m) {
  SpeciesEngineParametersRecord& p = SpeciesEngineParameters;
  const LammSolverSettingsRecord& settings = LammSolverSettings;
  MovingGridEngineRecord& h = MovingGridEngine;
  m.s1 = p.s1;
  m.s2 = p.s2;
  m.D1 = p.D1;
  m.D2 = p.D2;
  const double c0 = C()[1];
  double designS = settings.AutoSGridValue;
  if (IsAssociation(ModelSelection.Kind)) {
    m.Law = ModelSelection.Kind == ModelKind::MonomerDimer ? MovingGridLaw::MonomerDimer
                                                           : MovingGridLaw::MonomerTrimer;
    p.Ka = std::pow(10.0f, p.LogKa);
    m.Ka = p.Ka;
    if (m.Law == MovingGridLaw::MonomerDimer && p.AssociationNonidealityOn) {
      p.Ks = std::pow(10.0f, p.LogKs);
      m.Ks = p.Ks;
      m.AssociationNonideal = true;
    }
    if (settings.AutoSGrid) designS = 0.5 * (m.s1 + m.s2);
  } else if (p.TabulatedSD || ModelSelection.Kind == ModelKind::HinderedSingleSpecies) {
    if (ModelSelection.Kind == ModelKind::HinderedSingleSpecies && !p.TabulatedSD) {
      p.Ks = std::fabs(p.LogKs);
      p.Kd = std::fabs(p.LogKd);
    }
    m.Law = MovingGridLaw::Installed;
    const MovingGridCoefficientSourceRecord& source = MovingGridCoefficientSource;
    if (!source.LocalSD || (settings.AutoSGrid && !source.DesignS)) {
      Refuse("the s(c) and D(c) of this model are not available to the moving grid algorithm");
      return false;
    }
    if (settings.AutoSGrid) designS = source.DesignS(c0);
  } else {
    m.Law = MovingGridLaw::LinearNonideal;
    const double signal = ScanDataSet.SignalPerConcentration;
    p.Ks = static_cast<float>(std::pow(10.0, static_cast<double>(p.LogKs)) / signal);
    p.Kd = static_cast<float>(std::pow(10.0, static_cast<double>(p.LogKd)) / signal);
    if (!p.Repulsive) {
      p.Ks = -p.Ks;
      p.Kd = -p.Kd;
    }
    m.Ks = p.Ks;
    m.Kd = p.Kd;
    if (settings.AutoSGrid) designS = m.s1 / (m.Ks * c0 + 1.0);
  }
  h.GridS = designS;
  // A grid moving inward would need the shifts in the other direction; the
  // period below would be negative and time would run backwards.
  if (!(designS >= 0.0)) {
    Refuse(
        FormatText("the moving grid algorithm cannot follow a floating boundary "
                   "(s_grid = %.3f S)\n--> please use the Claverie algorithm",
                   designS));
    return false;
  }
  if (designS < 1.0 && GlobalLammRun.MaxRelativeChange >= 1.0)
    GlobalLammRun.MaxRelativeChange = 0.1;
  return true;
}

// Reference radii: the first interior node half an interval from the
// meniscus, the others a whole geometric interval apart; so the first element
// is half and the last one and a half intervals wide, and after one period
// the two have traded their widths.
void MakeGrid(MovingGridWorkspace& w) {
  MovingGridEngineRecord& h = MovingGridEngine;
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const int n = w.N;
  const double m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
  // While the rotor still accelerates the grid travels at the final speed.
  const double rpm = Ramping() && run.FinalRpm > 0.0 ? run.FinalRpm : run.RunRpm;
  h.GridRate = OmegaSquaredOf(rpm) * h.GridS;
  h.OmegaSquared = OmegaSquaredOf(run.RunRpm);
  h.GridPeriod = h.GridRate > 0.0 ? std::log(b / m) / (h.GridRate * (n - 1)) : 1e10;
  std::vector<double>& r0 = MovingGridState.ReferenceRadius;
  r0.assign(static_cast<std::size_t>(n) + 1, 0.0);
  r0[1] = m;
  for (int i = 2; i <= n - 1; ++i)
    r0[static_cast<std::size_t>(i)] = m * std::pow(b / m, (i - 1.5) / (n - 1));
  r0[static_cast<std::size_t>(n)] = b;
  std::copy(r0.begin() + 1, r0.end(), GlobalLammArrays.LammRadius + 1);
  MovingGridState.GridRate = h.GridRate;
  MovingGridState.GridTime = run.SimTime;
  StoreInteriorRows(w);
}

double WeightOnFrame(const MovingGridWorkspace& w, int i) {
  return PinnedFrameLumpedWeight(HatGrid{w.Frame.data(), w.N}, i);
}

void ShiftProfile(double* c, int n, double first, double second, double penultimate, double last) {
  for (int i = n - 2; i >= 3; --i) c[i] = c[i - 1];
  c[1] = first;
  c[2] = second;
  c[n - 1] = penultimate;
  c[n] = last;
}

// The interior nodes have moved one interval: shift the profile by one node
// and put the grid back. The new last element keeps the amount that lay
// between the old node N-2 and the bottom; at the meniscus a pure
// sedimentation keeps its amount too, otherwise node 2 is interpolated.
void Regrid(MovingGridWorkspace& w) {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const int n = w.N;
  const double tau = run.SimTime - MovingGridState.GridTime;
  const double e = std::exp(MovingGridEngine.GridRate * tau), E = e * e;
  const double m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
  const std::vector<double>& r = MovingGridState.ReferenceRadius;
  const auto R = [&r](int i) { return r[static_cast<std::size_t>(i)]; };
  const double* c = C();
  PlaceFrameEnds(w, tau);
  // Bottom side.
  const double amount = E * (WeightOnFrame(w, n) * c[n] + WeightOnFrame(w, n - 1) * c[n - 1] +
                             c[n - 2] * (R(n - 1) - R(n - 2)) * (R(n - 1) + 2.0 * R(n - 2)) / 6.0);
  const double v = (b - R(n - 1)) * (b + 2.0 * R(n - 1)) / 6.0;
  const double wN = (b - R(n - 1)) * (2.0 * b + R(n - 1)) / 6.0;
  double penultimate = c[n - 2];
  double last = (amount - penultimate * v) / wN;
  if (run.SpeciesS > 0.0 && last < penultimate) last = penultimate = amount / (v + wN);
  // Meniscus side.
  double first = c[1], second;
  if (run.SpeciesD == 0.0 && run.SpeciesS > 1e-10) {
    const double r1 = m / e;
    const double w2 = (R(3) - m) * (m + R(2) + R(3)) / 6.0;
    const double w3 = (R(3) - R(2)) * (2.0 * R(3) + R(2)) / 6.0;
    first = 0.0;
    second = (E * (WeightOnFrame(w, 1) * c[1] + c[2] * (R(2) - r1) * (2.0 * R(2) + r1) / 6.0) -
              c[2] * w3) /
             w2;
  } else {
    second = c[1] + (R(2) - m) * (c[2] - c[1]) / ((R(2) - m / e) * e);
  }
  ShiftProfile(C(), n, first, second, penultimate, last);
  ShiftProfile(w.Start.data(), n, first, second, penultimate, last);
  MovingGridState.GridTime = run.SimTime;
  std::copy(r.begin() + 1, r.end(), GlobalLammArrays.LammRadius + 1);
  MovingGridEngine.RegridCount += 1;
}

// The step ends at the grid shift, the end of the acceleration and the next
// scan time, whichever comes first.
double ChooseStep(MovingGridWorkspace& w) {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const MovingGridEngineRecord& h = MovingGridEngine;
  const double t = run.SimTime;
  double dt = run.IterationCount == 0 ? 1.0 : h.FixedStep;
  const double shift = MovingGridState.GridTime + h.GridPeriod;
  if (std::fabs(t - shift) < 1e-10) Regrid(w);
  const double intervalEnd = MovingGridState.GridTime + h.GridPeriod;
  if (t + dt > intervalEnd) dt = intervalEnd - t;
  if (Ramping()) {
    dt = std::min(dt, run.AccelMaxStep);
    if (run.AccelDuration > t && t + dt > run.AccelDuration) dt = run.AccelDuration - t;
  }
  if (run.OutputPending && t + dt > run.OutputTime) {
    // A scan time already passed is not reached by stepping back.
    if (run.OutputTime >= t) dt = run.OutputTime - t;
    run.OutputPending = 0;
  }
  return dt;
}

void AdvanceClock(double dt) {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  run.IterationCount += 1;
  run.SimTime += dt;
  if (run.Accelerating && run.SimTime >= run.AccelDuration) {
    run.RunRpm = AccelerationPhaseRpm(run.SimTime, dt);
    MovingGridEngine.OmegaSquared = OmegaSquaredOf(run.RunRpm);
    run.Accelerating = false;
  }
  if (run.ShowLoading) {
    MovingGridEngine.TotalAmount = MovingGridTotalAmount();
    run.LoadingDisplay = MovingGridEngine.TotalAmount;
  }
}

// One predictor-corrector step; returns the value for the step callback.
double Step(MovingGridWorkspace& w) {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const int n = w.N;
  const double t = run.SimTime;
  const double dt = ChooseStep(w);
  std::copy(C() + 1, C() + n + 1, w.Start.begin() + 1);
  if (dt == 0.0) {
    run.TimeStep = 1.0;
    return 1.0;
  }
  run.TimeStep = dt;
  MovingGridEngine.StepLength = dt;
  if (Ramping()) {
    run.RunRpm = AccelerationPhaseRpm(t, dt);
    MovingGridEngine.OmegaSquared = OmegaSquaredOf(run.RunRpm);
  }
  const double tau = t - MovingGridState.GridTime;
  LocalCoefficients(w, w.Start.data());
  SavePredictorCoefficients(w);
  // A zero pivot keeps the start-of-step profile and ends the run.
  if (!SolveMovingGridStep(w, tau, dt, w.Trial.data())) {
    run.TridiagError = 1;
    return 1.0;
  }
  AveragedCoefficients(w);
  if (!SolveMovingGridStep(w, tau, dt, C())) {
    run.TridiagError = 1;
    std::copy(w.Start.begin() + 1, w.Start.begin() + n + 1, C() + 1);
  } else if (!std::all_of(C() + 1, C() + n + 1, [](double c) { return std::isfinite(c); })) {
    // Coefficients out of their domain (1 + ks c through zero, a law that
    // returned no number): the step is void and the run ends as a
    // discretisation failure, with the last good profile.
    run.DiscretizationError = 1;
    std::copy(w.Start.begin() + 1, w.Start.begin() + n + 1, C() + 1);
  }
  // A failed step leaves the clock where the profile it restored belongs.
  if (run.TridiagError || run.DiscretizationError) return 1.0;
  const bool first = run.IterationCount == 0;
  AdvanceClock(dt);
  return first ? dt : 1.0;
}

void SetUpRun(MovingGridWorkspace& w) {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  MovingGridEngineRecord& h = MovingGridEngine;
  run.TridiagError = 0;
  run.DiscretizationError = 0;
  MakeGrid(w);
  h.FixedStep = h.GridS == 0.0 ? run.MaxRelativeChange : run.MaxRelativeChange * h.GridPeriod;
  h.FixedStep = std::min(h.FixedStep, h.GridPeriod);
  LammSolverSettings.FixedTimeStep = true;
  run.TimeStep = run.MaxRelativeChange;
  run.MaxTimeStep = 1000.0;
}

}  // namespace

double MovingGridTotalAmount() {
  const int n = GlobalLammArrays.LammAllocatedSize;
  const std::vector<double>& r0 = MovingGridState.ReferenceRadius;
  if (C() == nullptr || static_cast<int>(r0.size()) < n + 1) return 0.0;
  const double tau = GlobalLammRun.SimTime - MovingGridState.GridTime;
  const double e = std::exp(MovingGridState.GridRate * tau);
  std::vector<double> frame(r0);
  frame[1] = ModelParameters.Meniscus / e;
  frame[static_cast<std::size_t>(n)] = ModelParameters.Bottom / e;
  const HatGrid g{frame.data(), n};
  double sum = 0.0;
  for (int i = 1; i <= n; ++i) sum += PinnedFrameLumpedWeight(g, i) * C()[i];
  return e * e * sum * kSectorFactor;
}

void RunMovingGridNonidealLamm() {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  const int n = GlobalLammArrays.LammAllocatedSize;
  if (!GlobalLammArrays.LammArraysAllocated || C() == nullptr ||
      GlobalLammArrays.LammRadius == nullptr || n < 6)
    return;
  const bool shownInFit = MovingGridEngine.RefusalShownInFit && FitControl.FitRunning;
  MovingGridEngine = MovingGridEngineRecord{};
  MovingGridEngine.RefusalShownInFit = shownInFit;
  moving_grid::MovingGridWorkspace w(n);
  if (!ChooseModel(w.Model)) return;
  SetUpRun(w);
  int steadyCount = 0;
  while (run.KeepRunning && !run.TridiagError && !run.DiscretizationError) {
    const double before = run.TimeStep;
    double v = Step(w);
    LammStepCallback(v);
    v /= before;
    steadyCount = before >= kSteadyStepLength && v < run.EquilibriumThreshold ? steadyCount + 1 : 0;
    if (steadyCount > kSteadySteps) {
      MovingGridEngine.AtEquilibrium = true;
      run.KeepRunning = 0;
    }
  }
  MovingHatGridUpdate();
}
