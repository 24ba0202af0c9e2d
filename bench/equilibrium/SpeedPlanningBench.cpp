// The time-to-equilibrium optimisation with the planner's default settings
// (15000 rpm, 65 kDa at f/f0 1.4, 20 degrees C, 6.75 - 7.2 cm, target rmsd
// 0.001, five exponential parameters).
//
// BM_SpeedCourseEvaluation: one evaluation of the objective (a simulation
// of the approach under one speed course up to the constant-speed time).
// Arguments: Lamm worker threads, species (1, or 2 with a second species of
// twice the mass).
//
// BM_DefaultSpeedPlan: the constant-speed run, then the two optimisation
// passes the planning command makes (to the rpm, then on the 100 rpm grid).
// A pass ends when two simplex restarts agree to 1e-5 in the score and 1e-4
// in every parameter, or at a key. How many restarts that takes depends on
// the random spread of each fresh simplex, so a pass takes from under two
// to several minutes. Each pass gets a budget of wall time
// (TALUVO_PLAN_PASS_SECONDS, default 300), after which a key ends it, as a
// user would; the counters say how many simplex runs each pass made and
// whether the budget ended it.
// Argument: Lamm worker threads.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "state/ProgramPaths.h"
#include "state/SolventConditions.h"
#include "state/LammThreadCount.h"
#include "equilibrium/ApproachToEqSim.h"
#include "equilibrium/SpeedCourseOptimizer.h"
#include "equilibrium/TimeToEqParameters.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "numerics/PhysicalConstants.h"
#include "platform/HeadlessBackend.h"

namespace {

using Clock = std::chrono::steady_clock;

// A headless backend whose keyboard presses a key once the pass has used
// its budget of wall time.
class BudgetBackend : public platform::HeadlessBackend {
 public:
  explicit BudgetBackend(double seconds) : budget_(seconds) {}
  void StartPass() {
    start_ = Clock::now();
    fired_ = false;
  }
  bool Fired() const { return fired_; }
  std::optional<platform::Message> PeekMessage(const platform::MessageFilter& filter,
                                               bool remove) override {
    if (!fired_ && std::chrono::duration<double>(Clock::now() - start_).count() > budget_) {
      if (remove) fired_ = true;
      platform::Message key;
      key.kind = platform::MessageKind::KeyDown;
      key.wparam = 'x';
      return key;
    }
    return HeadlessBackend::PeekMessage(filter, remove);
  }

 private:
  double budget_;
  Clock::time_point start_ = Clock::now();
  bool fired_ = false;
};

double PassBudgetSeconds() {
  const char* text = std::getenv("TALUVO_PLAN_PASS_SECONDS");
  const double seconds = text != nullptr ? std::atof(text) : 0.0;
  return seconds > 0 ? seconds : 300.0;
}

void UseTempFolder() {
  const auto temp = std::filesystem::temp_directory_path() / "taluvo-speed-plan-bench";
  std::filesystem::create_directories(temp);
  ProgramPaths.TempFolder = temp.string() + "/";
}

// The planner's defaults and the constant-speed run; afterwards every
// course is simulated up to the constant-speed time, as in the command.
void PrepareDefaultPlan(int species, CApproachToEqSim& constant) {
  auto& p = TimeToEqParameters;
  p = TimeToEqParametersRecord{};
  p.SolventDensity = SolventConditions.BufferDensity;
  p.SolventViscosity = PhysicalConstantsRecord::STANDARDVISCOSITY;
  p.Vbar1 = p.Vbar2 = 0.73f;
  if (species == 2) {
    p.SecondSpecies = true;
    p.Species2Fraction = 0.5f;
    p.Species2M = 2.0f * p.Species1M;
  }
  DeriveTimeToEqSpecies();
  float maxHours = 0.0f;
  for (int j = 1; j <= species; ++j)
    maxHours = std::max(maxHours, 1.5f * EstimateTimeToEquilibrium(
                                             p.FinalRpm, p.TemperatureC,
                                             j == 1 ? p.Species1M : p.Species2M, p.Vbar1,
                                             p.SolventDensity, p.ColumnBottom, p.ColumnMeniscus,
                                             j == 1 ? p.Species1D : p.Species2D, p.Epsilon));
  const float c[3] = {0, species == 2 ? 0.5f : 1.0f, 0.5f};
  const float s[3] = {0, p.Species1S, p.Species2S}, D[3] = {0, p.Species1D, p.Species2D};
  constant.SetSystem(nullptr, maxHours, p.ColumnBottom, p.ColumnMeniscus, p.RightFitLimit,
                     p.LeftFitLimit, species, c, s, D, p.Vbar1, p.TemperatureC, p.FinalRpm);
  constant.SimulateAll();
  constant.EvaluateApproach(p.Epsilon, p.Epsilon);
  SetPlanSpecies(constant.TimeToRmsd, species, c, s, D);
  p.ConstSpeedTime = constant.TimeToRmsd / 3600.0f;
  for (int i = 1; i <= p.ParameterCount; ++i) p.SpeedCourseParameters[i] = 1.0f;
}

void BM_SpeedCourseEvaluation(benchmark::State& state) {
  auto previous = platform::Install(std::make_unique<platform::HeadlessBackend>());
  UseTempFolder();
  LammThreadCount = static_cast<int>(state.range(0));
  CApproachToEqSim constant;
  PrepareDefaultPlan(static_cast<int>(state.range(1)), constant);
  auto& p = TimeToEqParameters;
  for (auto _ : state)
    benchmark::DoNotOptimize(AppEqSimplexSim(p.SpeedCourseParameters.data(), nullptr));
  state.counters["scans"] = p.ObjectiveSim ? p.ObjectiveSim->ScanCount : 0;
  state.counters["t_const_h"] = p.ConstSpeedTime;
  platform::Install(std::move(previous));
}
BENCHMARK(BM_SpeedCourseEvaluation)
    ->Args({1, 1})
    ->Args({8, 1})
    ->Args({1, 2})
    ->Args({8, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_DefaultSpeedPlan(benchmark::State& state) {
  auto owned = std::make_unique<BudgetBackend>(PassBudgetSeconds());
  BudgetBackend& backend = *owned;
  auto previous = platform::Install(std::move(owned));
  UseTempFolder();
  LammThreadCount = static_cast<int>(state.range(0));
  for (auto _ : state) {
    CApproachToEqSim constant;
    PrepareDefaultPlan(1, constant);
    auto& p = TimeToEqParameters;
    p.BestObjective = AppEqSimplexSim(p.SpeedCourseParameters.data(), nullptr);
    int pass = 0;
    for (float step : {1.0f, 100.0f}) {
      ++pass;
      p.RpmStep = step;
      FitControl.FitAbort = false;
      ComputationAbort = false;
      backend.StartPass();
      const Clock::time_point start = Clock::now();
      OptimizeSpeedCourse(nullptr);
      const std::string name = "pass" + std::to_string(pass);
      state.counters[name + "_s"] = std::chrono::duration<double>(Clock::now() - start).count();
      state.counters[name + "_simplex_runs"] = FitControl.OptimizerStep;
      state.counters[name + "_ended_by_budget"] = backend.Fired() ? 1 : 0;
    }
    state.counters["t_const_h"] = p.ConstSpeedTime;
    state.counters["t_opt_h"] = p.OptimizedTime;
  }
  platform::Install(std::move(previous));
}
BENCHMARK(BM_DefaultSpeedPlan)->Arg(1)->Arg(8)->Iterations(1)->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
