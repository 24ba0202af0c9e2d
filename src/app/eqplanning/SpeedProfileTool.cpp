// The command set of the speed-profile tool: load a rotor speed profile, run
// it and the constant-speed reference, optimise, save the results and
// parameter files, and hand the simulated scans to the monitoring tool. No
// menu of this program carries these ids; they run when a command with
// their id arrives.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/eqplanning/PlanSpecies.h"
#include "app/eqplanning/EqPlanningCommands.h"
#include "app/eqplanning/TimeToEqDialog.h"
#include "state/ProgramPaths.h"
#include "app/viewcmds/FileNameDialogs.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/CRotorSpeedProfile.h"
#include "data/LoadMessages.h"
#include "equilibrium/ApproachToEqSim.h"
#include "equilibrium/SpeedCourseOptimizer.h"
#include "equilibrium/TimeToEqParameters.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "ui/Boxes.h"

SpeedProfileToolFlagsRecord SpeedProfileToolFlags;

namespace {

const char* const kToolCaption = "TOSE";

SpeedProfileToolFlagsRecord& ToolFlags = SpeedProfileToolFlags;

CApproachToEqSim& ToolSim() {
  auto& p = TimeToEqParameters;
  if (!p.ToolSim) p.ToolSim = std::make_unique<CApproachToEqSim>();
  return *p.ToolSim;
}


bool PrepareToolRun(TXLAWindow& window) {
  auto& p = TimeToEqParameters;
  if (p.HistoryMode) {
    if (p.HistoryProfile && p.HistoryDuration > 0) {
      CApproachToEqSim& tool = ToolSim();
      tool.InitialTime = p.HistoryDuration;
      tool.SpeedProfile = std::make_unique<CRotorSpeedProfile>();
      tool.SpeedProfile->CopyFrom(*p.HistoryProfile);
    } else {
      PlannerMessage(window, "sorry, no history speed steps are loaded, simulating from rest at 0 rpm",
                     kPlannerCaption);
      p.HistoryMode = false;
      p.InitialEqRpm = 0.0f;
    }
  }
  if (!SetMaxSimTime(window)) return false;
  if (p.DistributionMode) {
    PlannerMessage(window, "...distribution needs to be implemented", kPlannerCaption);
    return false;
  }
  const PlanSpecies sp = CurrentPlanSpecies();
  SetPlanSpecies(p.MaxSimTime * 3600.0f, sp.count, sp.c, sp.s, sp.D);
  if (p.BackupPath.empty()) CreateBackupFolder();
  return true;
}

bool RunToolConstantSpeed(TXLAWindow& window) {
  auto& p = TimeToEqParameters;
  const PlanSpecies sp = CurrentPlanSpecies();
  p.ConstantSpeedSim = std::make_unique<CApproachToEqSim>();
  CApproachToEqSim& constant = *p.ConstantSpeedSim;
  constant.SetSystem(window.Handle(), p.MaxSimTime, p.ColumnBottom, p.ColumnMeniscus,
                     p.RightFitLimit, p.LeftFitLimit, sp.count, sp.c, sp.s, sp.D, p.Vbar1,
                     p.TemperatureC, p.FinalRpm);
  InitialConditionOf(constant, ToolSim().SpeedProfile.get());
  if (!constant.SimulateAll()) return false;
  constant.EvaluateApproach(p.Epsilon, p.Epsilon);
  constant.WriteDeltaEqFile(p.BackupPath, "constantspeed_DeltaEQ.txt");
  p.ConstSpeedTime = constant.TimeToRmsd / 3600.0f;
  p.ConstSpeedEqTime = constant.TimeToRmsd;
  ToolFlags.ConstSpeed = true;
  return true;
}

void ClearAbort() {
  FitControl.FitAbort = false;
  ComputationAbort = false;
}

}  // namespace

void CmToolRunConstantSpeed(TXLAWindow& window) {
  if (PrepareToolRun(window)) RunToolConstantSpeed(window);
  PaintToolPlot(window);
}

void CmToolRunSpeedProfile(TXLAWindow& window) {
  if (!PrepareToolRun(window)) return;
  RunToolConstantSpeed(window);
  auto& p = TimeToEqParameters;
  if (ToolSim().HasSpeedSteps) {
    p.RunSpeedFile = true;
    AppEqSimplexSim(p.SpeedCourseParameters.data(), window.Handle());
    ToolSim().CopyFrom(p.ObjectiveSim.get());
    ToolFlags.Optimized = true;
    PaintToolPlot(window);
  } else if (PlannerQuestion(window, "no rotor speed profile loaded -> optimize from scratch?",
                              "RUN speed profile")) {
    CmToolOptimize(window);
  }
}

void CmToolOptimize(TXLAWindow& window) {
  if (!PrepareToolRun(window)) return;
  RunToolConstantSpeed(window);
  auto& p = TimeToEqParameters;
  p.RunSpeedFile = false;
  CApproachToEqSim& tool = ToolSim();
  const bool refine = ToolFlags.Optimized && tool.HasSpeedSteps && tool.ParameterCount > 0 &&
                      PlannerQuestion(window, "refine current rotor speed profile?",
                                      "OPTIMIZE speed profile");
  if (refine) {
    p.ParameterCount = tool.ParameterCount;
    p.ExponentialParameterization = tool.ExponentialParameterization;
  }
  const int m = p.ParameterCount;
  if (m < MinimumSpeedCourseParameters(p.ExponentialParameterization)) return;
  OneBasedArray<float> start(1, m), best(1, m);
  for (int i = 1; i <= m; ++i) start[i] = refine ? tool.ParameterValues[i] : 1.0f;
  p.SpeedCourseParameters.Resize(1, m);
  p.HasSpeedCourseParameters = true;
  float bestTime = AppEqSimplexSim(start.data(), window.Handle());
  best = start;
  for (int r = 1; r <= p.RepeatCount; ++r) {
    for (int i = 1; i <= m; ++i) p.SpeedCourseParameters[i] = start[i];
    if (!refine && !p.ExponentialParameterization) p.SpeedCourseParameters[1] = 1.5f;
    p.BestObjective = p.OptimizedTime =
        AppEqSimplexSim(p.SpeedCourseParameters.data(), window.Handle());
    ShowTimeToEqProgress(p.BestObjective, p.SpeedCourseParameters.data(), window.Handle());
    for (float step : {1.0f, 100.0f}) {
      p.RpmStep = step;
      OptimizeSpeedCourse(window.Handle());
      ClearAbort();
    }
    if (p.OptimizedTime < bestTime) {
      bestTime = p.OptimizedTime;
      for (int i = 1; i <= m; ++i) best[i] = p.SpeedCourseParameters[i];
    }
  }
  for (int i = 1; i <= m; ++i) p.SpeedCourseParameters[i] = best[i];
  AppEqSimplexSim(p.SpeedCourseParameters.data(), window.Handle());
  if (!p.ObjectiveSim) return;
  p.OptimizedTime = p.ObjectiveSim->TimeToRmsd / 3600.0f;
  KeepConstantSpeedWhenFaster(p.ConstSpeedTime, window.Handle());
  CApproachToEqSim& result = *p.ObjectiveSim;
  result.WriteDeltaEqFile(p.BackupPath, "optimized_DeltaEQ.txt");
  result.WriteSpeedSteps(p.BackupPath, false);
  result.WriteSimulatedScans(p.BackupPath);
  tool.CopyFrom(&result);
  tool.ExponentialParameterization = p.ExponentialParameterization;
  tool.ParameterValues = p.SpeedCourseParameters;
  tool.ParameterCount = m;
  ToolFlags.Optimized = true;
  PaintToolPlot(window);
}

void CmToolLoadSpeedProfile(TXLAWindow& window) {
  auto& p = TimeToEqParameters;
  if (!PickRotorSpeedFile(window)) return;
  int n = 0;
  OneBasedArray<float> start, rpm, acc;
  if (!LoadSpeedStepArrays(p.RunSpeedFilePath, n, start, rpm, acc)) return;
  ToolSim().SetSpeedSteps(n, start.data(), rpm.data(), acc.data(), 2);
  if (n >= 1) {
    p.ConstSpeedEqTime = 2.0f * start[n];
    float highest = 0.0f;
    for (int i = 1; i <= n; ++i) highest = std::max(highest, rpm[i]);
    p.RpmPlotScale = 1.1f * highest;
    ToolFlags.ProfileLoaded = true;
  }
  if (!p.SimparamsPath.empty()) LoadTimeToEqParameters(p.SimparamsPath);
  PaintToolPlot(window);
}

void CmToolLoadParameterFile(TXLAWindow& window) {
  auto& p = TimeToEqParameters;
  if (p.SimparamsPath.empty()) p.SimparamsPath = ProgramPaths.TimeToEqParameterFile;
  std::string path = p.SimparamsPath;
  if (!ChooseOpenFileName(window, path, 10000, "Pick Rotor Speed File")) return;
  LoadTimeToEqParameters(path);
  SaveTimeToEqParameters(ProgramPaths.TimeToEqParameterFile);
}

void CmToolSaveParameterFiles(TXLAWindow& window) {
  auto& p = TimeToEqParameters;
  if (p.SimparamsPath.empty()) p.SimparamsPath = ProgramPaths.TimeToEqParameterFile;
  std::string path = p.SimparamsPath;
  if (!ChooseSaveFileName(window, path, 10000, "Pick A Parameter Filename")) return;
  SaveTimeToEqParameters(path);
}

void CmToolSaveResults(TXLAWindow& window) {
  auto& p = TimeToEqParameters;
  if (!ToolFlags.Optimized) return;
  std::string path = "bestspeedsteps.txt";
  if (!ChooseSaveFileName(window, path, 10000, "Pick A Path")) return;
  ToolSim().WriteSpeedSteps(path, false);
  if (p.ObjectiveSim) {
    if (p.SaveScanFiles) p.ObjectiveSim->WriteSimulatedScans(path);
    p.ObjectiveSim->WriteDeltaEqFile(path, "optimized_DeltaEQ.txt");
  }
  if (p.SaveEquFormat) {
    float cycle = 90.0f, perStep = 1.0f, finalScans = 0.0f;
    if (!InputFloat(cycle, 90.0f, true, "scan cycle time (sec)", kToolCaption) ||
        !InputFloat(perStep, 1.0f, true, "max # of scans per step", kToolCaption) ||
        !InputFloat(finalScans, 0.0f, true, "# of final scans", kToolCaption))
      return;
    ToolSim().WriteEquMethodFile(path, cycle, static_cast<int>(p.TemperatureC),
                                 static_cast<int>(std::floor(finalScans)),
                                 static_cast<int>(std::floor(perStep)), true);
  }
}

void CmToolParameters(TXLAWindow& window) { TimeToEqParamsExchange(window); }

// The simulated scans as "svdfr" columns: three zeros, then radius and twice
// the total concentration (data and fit alike) of each scan, per grid point.
int WriteScansForPelko(const std::string& path, const CApproachToEqSim& sim, int scanCount) {
  const int n = std::min(scanCount, sim.ScanCount);
  const std::string file = path.empty() ? ProgramPaths.TempFolder + "svdfrdata.dat" : path;
  std::FILE* f = std::fopen(file.c_str(), "w");
  if (f == nullptr) {
    ErrorBox(FormatText("\n\aAttention: could not open %s", file.c_str()));
    return 0;
  }
  for (int i = 1; i <= sim.PointCount; ++i) {
    std::fprintf(f, "%e %e %e ", 0.0, 0.0, 0.0);
    for (int j = 1; j <= n; ++j)
      std::fprintf(f, "%e %e %e ", static_cast<double>(sim.Radii[i]),
                   static_cast<double>(sim.TotalScans[j][i]),
                   static_cast<double>(sim.TotalScans[j][i]));
    std::fprintf(f, "\n");
  }
  std::fclose(f);
  return n;
}

void CmToolPelkoScans(TXLAWindow& window) {
  auto& p = TimeToEqParameters;
  if (!ToolFlags.Optimized && !ToolFlags.ConstSpeed) return;
  const CApproachToEqSim* sim = ToolFlags.Optimized ? p.ToolSim.get() : p.ConstantSpeedSim.get();
  if (sim == nullptr) return;
  float hours = 0.5f * static_cast<float>(sim->RmsdScanIndex);
  if (!InputFloat(hours, hours, true, "max time (hours)", kToolCaption)) return;
  if (WriteScansForPelko("", *sim, static_cast<int>(std::floor(2.0f * hours))) == 0) return;
  const std::string script = ProgramPaths.InstallationFolder + "PELKO/PELKO.exe";
  if (!std::filesystem::exists(script)) {
    PlannerMessage(window, FormatText("Can't seem to find PELKO script at %s - Sorry!",
                                      script.c_str()),
                   "PELKO");
    return;
  }
  if (!platform::Current().StartProgram(
          script, {"--svdfr", ProgramPaths.TempFolder + "svdfrdata.dat"}))
    PlannerMessage(window, "the monitoring tool could not be started", "ERROR");
}
