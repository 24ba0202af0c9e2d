// "Minimize Time to Equilibrium": plans a sedimentation-equilibrium run from
// the species, column and solvent of the planner's dialog.

#include <cmath>
#include <cstdio>

#include "app/eqplanning/PlanSpecies.h"
#include "app/eqplanning/EqPlanningCommands.h"
#include "app/eqplanning/TimeToEqDialog.h"
#include "app/models/ModelCommands.h"
#include "state/ModelSelection.h"
#include "state/ProgramPaths.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "equilibrium/ApproachToEqSim.h"
#include "equilibrium/SpeedCourseOptimizer.h"
#include "equilibrium/TimeToEqParameters.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "ui/Boxes.h"

namespace {

const char* const kNote =
    "Please Note:  This estimate is only a guide for the order of magnitude it's really going to "
    "take. It does not take into account chemical reactions.\nOne needs to experimentally verify "
    "attainment of equilibrium by sequential scans, if possible in 3 to 6 h intervals. (See the "
    "tool for testing attainment of equilibrium in the Loading Options menu.)";


void ClearAbortFlags() {
  FitControl.FitAbort = false;
  ComputationAbort = false;
}

// One optimisation from the plain course: first to the rpm, then on the
// grid of 100 rpm.
void OptimizeOnce(TXLAWindow& window) {
  TimeToEqParametersRecord& p = TimeToEqParameters;
  for (int i = 1; i <= p.ParameterCount; ++i) p.SpeedCourseParameters[i] = 1.0f;
  if (!p.ExponentialParameterization) p.SpeedCourseParameters[1] = 1.5f;
  p.BestObjective = AppEqSimplexSim(p.SpeedCourseParameters.data(), window.Handle());
  p.OptimizedTime = p.BestObjective;
  ShowTimeToEqProgress(p.BestObjective, p.SpeedCourseParameters.data(), window.Handle());
  for (float step : {1.0f, 100.0f}) {
    p.RpmStep = step;
    OptimizeSpeedCourse(window.Handle());
    ClearAbortFlags();
  }
}

}  // namespace

bool InitialConditionOf(CApproachToEqSim& sim, const CRotorSpeedProfile* history) {
  const TimeToEqParametersRecord& p = TimeToEqParameters;
  if (p.HistoryMode)
    return sim.MakeInitialProfiles(p.InitialEqRpm, 0, 0, nullptr, nullptr, history,
                                   p.HistoryDuration, 0.0f);
  if (p.InitialEqRpm > 0)
    return sim.MakeInitialProfiles(p.InitialEqRpm, 0, 0, nullptr, nullptr, nullptr, 0.0f, 0.0f);
  if (p.InitialStep > p.ColumnMeniscus)
    return sim.MakeInitialProfiles(p.FinalRpm, 0, 0, nullptr, nullptr, nullptr, 0.0f,
                                   p.InitialStep);
  return true;
}

bool SetMaxSimTime(TXLAWindow& window) {
  TimeToEqParametersRecord& p = TimeToEqParameters;
  if (p.DistributionMode) {
    PlannerMessage(window, "...need to implement maximum time calculation... please enter manually (h)",
                   kPlannerCaption);
    float hours = p.MaxSimTime;
    if (!InputFloat(hours, p.MaxSimTime, true, "max sim time (h)", kPlannerCaption)) return false;
    p.MaxSimTime = hours;
    return true;
  }
  // Half as long again as the closed-form estimate, for the slower species.
  p.MaxSimTime = 1.5f * EstimateTimeToEquilibrium(p.FinalRpm, p.TemperatureC, p.Species1M,
                                                  p.Vbar1, p.SolventDensity, p.ColumnBottom,
                                                  p.ColumnMeniscus, p.Species1D, p.Epsilon);
  if (p.SecondSpecies) {
    const float second =
        1.5f * EstimateTimeToEquilibrium(p.FinalRpm, p.TemperatureC, p.Species2M, p.Vbar2,
                                         p.SolventDensity, p.ColumnBottom, p.ColumnMeniscus,
                                         p.Species2D, p.Epsilon);
    if (second > p.MaxSimTime) p.MaxSimTime = second;
  }
  return true;
}

float CalculateMinimumTimeToEq(TXLAWindow& window) {
  TimeToEqParametersRecord& p = TimeToEqParameters;
  p.ConstantSpeedSim = std::make_unique<CApproachToEqSim>();
  if (p.DistributionMode) {
    PlannerMessage(window, "...distribution needs to be implemented", kPlannerCaption);
    return 0.0f;
  }
  const PlanSpecies sp = CurrentPlanSpecies();
  CApproachToEqSim& constant = *p.ConstantSpeedSim;
  constant.SetSystem(window.Handle(), p.MaxSimTime, p.ColumnBottom, p.ColumnMeniscus,
                     p.RightFitLimit, p.LeftFitLimit, sp.count, sp.c, sp.s, sp.D, p.Vbar1,
                     p.TemperatureC, p.FinalRpm);
  if (!InitialConditionOf(constant, ScanDataSet.DataSpeedProfile.get())) return 0.0f;
  if (!constant.SimulateAll()) return -1.0f;
  constant.EvaluateApproach(p.Epsilon, p.Epsilon);
  constant.WriteDeltaEqFile(p.ResultPath, "constantspeed_DeltaEQ.txt");
  p.ConstSpeedTime = constant.TimeToRmsd / 3600.0f;
  // From here every candidate is simulated up to the constant-speed time.
  SetPlanSpecies(constant.TimeToRmsd, sp.count, sp.c, sp.s, sp.D);
  if (p.SpeedCourseParameters.hi() < p.ParameterCount) {
    p.SpeedCourseParameters.Resize(1, p.ParameterCount);
    p.HasSpeedCourseParameters = true;
  }

  if (p.RunSpeedFile) {
    p.BestObjective = AppEqSimplexSim(p.SpeedCourseParameters.data(), window.Handle());
    if (p.ObjectiveSim) p.BestObjective = p.ObjectiveSim->TimeToRmsd / 3600.0f;
    p.OptimizedTime = p.BestObjective;
  } else if (p.RepeatCount == 1) {
    OptimizeOnce(window);
  } else {
    OneBasedArray<float> best(1, p.ParameterCount);
    for (int i = 1; i <= p.ParameterCount; ++i) best[i] = 1.0f;
    float bestTime = AppEqSimplexSim(best.data(), window.Handle());
    for (int r = 1; r <= p.RepeatCount; ++r) {
      OptimizeOnce(window);
      if (p.OptimizedTime < bestTime) {
        bestTime = p.OptimizedTime;
        for (int i = 1; i <= p.ParameterCount; ++i) best[i] = p.SpeedCourseParameters[i];
      }
    }
    for (int i = 1; i <= p.ParameterCount; ++i) p.SpeedCourseParameters[i] = best[i];
    AppEqSimplexSim(p.SpeedCourseParameters.data(), window.Handle());
    if (p.ObjectiveSim) p.BestObjective = p.OptimizedTime = p.ObjectiveSim->TimeToRmsd / 3600.0f;
  }
  KeepConstantSpeedWhenFaster(p.ConstSpeedTime, window.Handle());

  if (p.ObjectiveSim) {
    CApproachToEqSim& best = *p.ObjectiveSim;
    best.WriteSpeedSteps(p.ResultPath, false);
    if (p.SaveScanFiles) best.WriteSimulatedScans(p.ResultPath);
    best.WriteDeltaEqFile(p.ResultPath, "optimized_DeltaEQ.txt");
    if (p.SaveEquFormat) {
      float cycle = 90.0f, perStep = 1.0f, finalScans = 0.0f;
      if (!InputFloat(cycle, 90.0f, true, "scan cycle time (sec)", kPlannerCaption) ||
          !InputFloat(perStep, 1.0f, true, "max # of scans per step", kPlannerCaption) ||
          !InputFloat(finalScans, 0.0f, true, "# of final scans", kPlannerCaption))
        return 0.0f;
      best.WriteEquMethodFile(p.ResultPath, cycle, static_cast<int>(p.TemperatureC),
                              static_cast<int>(std::floor(finalScans)),
                              static_cast<int>(std::floor(perStep)), true);
    }
  }
  ShowPlannerResultPlots(window);
  return p.ConstSpeedTime;
}

std::string PlannerInfoLine(float result) {
  const TimeToEqParametersRecord& p = TimeToEqParameters;
  // Old times would read as this run's result.
  if (result < 0)
    return FormatText("epsilon = %.4f: the constant-speed simulation failed, no times computed",
                      static_cast<double>(p.Epsilon));
  const std::string line =
      FormatText("epsilon = %.4f: t(const) = %.0f h, t(opt) = %.0f h, saved in %s",
                 static_cast<double>(p.Epsilon), static_cast<double>(p.ConstSpeedTime),
                 static_cast<double>(p.OptimizedTime), p.ResultPath.c_str());
  return p.RunSpeedFile ? "[" + p.RunSpeedFilePath + "]" + line : line;
}

void MinimizeTimeToEqCommand(TXLAWindow& window) {
  PlannerMessage(window, kNote, kPlannerCaption);
  if (ModelSelection.Kind != ModelKind::NonInteractingSpecies) {
    PlannerMessage(window, "switching to non-interacting species model", kPlannerCaption);
    CmNonInteractingDiscreteSpecies(window);
  }
  TimeToEqParametersRecord& p = TimeToEqParameters;
  p.ResultPath.clear();
  if (!p.ParametersValid) LoadTimeToEqParameters(ProgramPaths.TimeToEqParameterFile);
  if (TimeToEqParamsDialog(window) == 0) return;
  p.ParametersValid = SaveTimeToEqParameters(ProgramPaths.TimeToEqParameterFile);
  if (!SetMaxSimTime(window)) return;
  const float result = CalculateMinimumTimeToEq(window);
  window.ToolCaptionPending = true;
  window.ToolCaptionText = PlannerInfoLine(result);
  InvalidateMainWindow(window);
}
