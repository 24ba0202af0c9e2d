#pragma once
// The commands of sedimentation-equilibrium planning: "Minimize Time to
// Equilibrium" (874), "Estimate Equilibrium Rotor Speeds" (875) and the
// command set of the speed-profile tool, whose ids no menu of this program
// carries (they run when a command with their id arrives).

#include <string>

class CApproachToEqSim;
class CommandTable;
class CRotorSpeedProfile;
class TXLAWindow;

void MinimizeTimeToEqCommand(TXLAWindow& window);
// The planning run after the dialog: the constant-speed run, the
// optimisation, the files and plots. ConstSpeedTime in hours, 0 when it
// stops early, -1 when the constant-speed simulation fails.
float CalculateMinimumTimeToEq(TXLAWindow& window);
// The starting state the planner's settings ask for: the rotor speed
// history (under history), an equilibrium at the initial speed, a step, or
// nothing (uniform loading, true).
bool InitialConditionOf(CApproachToEqSim& sim, const CRotorSpeedProfile* history);
// MaxSimTime (h) from the closed-form estimate of the planned species; false
// when the user cancels the manual entry a distribution would need.
bool SetMaxSimTime(TXLAWindow& window);

// The information line after a planning run (result as from
// CalculateMinimumTimeToEq).
std::string PlannerInfoLine(float result);

void EstimateEqRotorSpeeds(TXLAWindow& window);

// The plots of a planning run: the approach of the constant-speed and the
// optimised run with the optimised speed course, and the remaining
// difference to equilibrium across the column.
void ShowPlannerResultPlots(TXLAWindow& window);
// The progress plot of the best course so far, drawn straight into the
// window.
void ShowSpeedPlanningProgress(TXLAWindow& window);

// The speed-profile tool. Its flags only ever go from off to on.
struct SpeedProfileToolFlagsRecord {
  bool ProfileLoaded = false;   // a rotor speed profile was loaded into ToolSim
  bool Optimized = false;       // ToolSim holds a run or optimised course
  bool ConstSpeed = false;      // ConstantSpeedSim holds the constant-speed run
  bool ShowDifference = false;  // the tool plot shows distances to equilibrium
};
extern SpeedProfileToolFlagsRecord SpeedProfileToolFlags;

void CmToolLoadSpeedProfile(TXLAWindow& window);
void CmToolLoadParameterFile(TXLAWindow& window);
void CmToolSaveResults(TXLAWindow& window);
void CmToolSaveParameterFiles(TXLAWindow& window);
void CmToolParameters(TXLAWindow& window);
void CmToolRunSpeedProfile(TXLAWindow& window);
void CmToolRunConstantSpeed(TXLAWindow& window);
void CmToolOptimize(TXLAWindow& window);
void CmToolPelkoScans(TXLAWindow& window);
// The simulated scans of sim up to scanCount in the monitoring tool's
// columns, at path (empty: "svdfrdata.dat" in the temp folder); the number
// of scans written, 0 when the file cannot be written.
int WriteScansForPelko(const std::string& path, const CApproachToEqSim& sim, int scanCount);
// The tool's plots in the tool plot slots: the loaded or optimised speed
// course, the distances to equilibrium of the constant-speed run and of the
// tool's course, and the remaining difference across the column; the status
// texts (equilibrium times, initial condition) go into the tool caption.
void PaintToolPlot(TXLAWindow& window);

// Installs the planner's links to this window (progress plot, start-up
// reading of the parameter file).
void InstallEqPlanningHooks(TXLAWindow& window);
void RemoveEqPlanningHooks();
void RegisterEqPlanningCommands(CommandTable& table);
