// The planning commands in the command table, and the planner's links to
// the main window.

#include "app/commands/CommandTable.h"
#include "app/eqplanning/EqPlanningCommands.h"
#include "app/eqplanning/TimeToEqDialog.h"
#include "app/window/TXLAWindow.h"
#include "equilibrium/SpeedCourseOptimizer.h"

void InstallEqPlanningHooks(TXLAWindow& window) {
  TXLAWindow* w = &window;
  SpeedPlanningLinks.ShowProgressPlot = [w](platform::WindowHandle) {
    ShowSpeedPlanningProgress(*w);
  };
}

void RemoveEqPlanningHooks() {
  SpeedPlanningLinks.ShowProgressPlot = [](platform::WindowHandle) {};
}

void RegisterEqPlanningCommands(CommandTable& table) {
  table.Add(874, &MinimizeTimeToEqCommand, false, "MinimizeTimeToEqCommand");
  table.Add(875, &EstimateEqRotorSpeeds, false, "EstimateEqRotorSpeeds");
  // The speed-profile tool: no menu item carries these ids.
  table.Add(929, &CmToolLoadSpeedProfile, false, "CmToolLoadSpeedProfile");
  table.Add(940, &CmToolLoadParameterFile, false, "CmToolLoadParameterFile");
  table.Add(936, &CmToolSaveResults, false, "CmToolSaveResults");
  table.Add(941, &CmToolSaveParameterFiles, false, "CmToolSaveParameterFiles");
  table.Add(933, &CmToolParameters, false, "CmToolParameters");
  table.Add(934, &CmToolRunSpeedProfile, false, "CmToolRunSpeedProfile");
  table.Add(938, &CmToolRunConstantSpeed, false, "CmToolRunConstantSpeed");
  table.Add(932, &CmToolOptimize, false, "CmToolOptimize");
  table.Add(935, &CmToolPelkoScans, false, "CmToolPelkoScans");
}
