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
}
