// The time-to-equilibrium optimisation with the planner's default settings
// (15000 rpm, 65 kDa at f/f0 1.4, 20 degrees C, 6.75 - 7.2 cm, target rmsd
// 0.001, five exponential parameters): the constant-speed run, then the two
// optimisation passes the planning command makes (to the rpm, then on the
// 100 rpm grid). Argument: the number of Lamm worker threads.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "app/records/ProgramPaths.h"
#include "data/records/SolventConditions.h"
#include "distributions/records/LammThreadCount.h"
#include "equilibrium/ApproachToEqSim.h"
#include "equilibrium/SpeedCourseOptimizer.h"
#include "equilibrium/TimeToEqParameters.h"
#include "models/records/FitControl.h"
#include "numerics/PhysicalConstants.h"
#include "platform/HeadlessBackend.h"

namespace {

void BM_DefaultSpeedPlan(benchmark::State& state) {
  auto previous = platform::Install(std::make_unique<platform::HeadlessBackend>());
  const auto temp = std::filesystem::temp_directory_path() / "taluvo-speed-plan-bench";
  std::filesystem::create_directories(temp);
  ProgramPaths.TempFolder = temp.string() + "/";
  LammThreadCount = static_cast<int>(state.range(0));
  for (auto _ : state) {
    auto& p = TimeToEqParameters;
    p = TimeToEqParametersRecord{};
    p.SolventDensity = SolventConditions.BufferDensity;
    p.SolventViscosity = PhysicalConstantsRecord::STANDARDVISCOSITY;
    p.Vbar1 = p.Vbar2 = 0.73f;
    DeriveTimeToEqSpecies();
    const float maxHours = 1.5f * EstimateTimeToEquilibrium(
                                      p.FinalRpm, p.TemperatureC, p.Species1M, p.Vbar1,
                                      p.SolventDensity, p.ColumnBottom, p.ColumnMeniscus,
                                      p.Species1D, p.Epsilon);
    const float c[2] = {0, 1.0f}, s[2] = {0, p.Species1S}, D[2] = {0, p.Species1D};
    CApproachToEqSim constant;
    constant.SetSystem(nullptr, maxHours, p.ColumnBottom, p.ColumnMeniscus, p.RightFitLimit,
                       p.LeftFitLimit, 1, c, s, D, p.Vbar1, p.TemperatureC, p.FinalRpm);
    constant.SimulateAll();
    constant.EvaluateApproach(p.Epsilon, p.Epsilon);
    SetPlanSpecies(constant.TimeToRmsd, 1, c, s, D);
    p.BestObjective = AppEqSimplexSim(p.SpeedCourseParameters.data(), nullptr);
    for (float step : {1.0f, 100.0f}) {
      p.RpmStep = step;
      FitControl.FitAbort = false;
      OptimizeSpeedCourse(nullptr);
    }
    state.counters["t_const_h"] = constant.TimeToRmsd / 3600.0f;
    state.counters["t_opt_h"] = p.OptimizedTime;
  }
  platform::Install(std::move(previous));
}
BENCHMARK(BM_DefaultSpeedPlan)->Arg(1)->Arg(8)->Iterations(1)->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
