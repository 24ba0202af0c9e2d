#include "app/datacmds/DataToolRegistration.h"

#include "app/datacmds/CopyCommands.h"
#include "app/datacmds/DisplayCommands.h"
#include "app/datacmds/SaveCommands.h"
#include "app/generate/GenerateCommands.h"
#include "app/options/FittingOptionCommands.h"
#include "app/options/LoadingToolCommands.h"
#include "app/serial/MonitorSerialFit.h"
#include "app/serial/SerialFitCommands.h"
#include "app/statistics/ErrorEstimateCommands.h"

void RegisterDataAndToolCommands(CommandTable& table) {
  RegisterSaveCommands(table);
  RegisterCopyCommands(table);
  RegisterDisplayCommands(table);
  RegisterLoadingToolCommands(table);
  RegisterFittingOptionCommands(table);
  RegisterGenerateCommands(table);
  RegisterErrorEstimateCommands(table);
  RegisterSerialFitCommands(table);
  RegisterMonitorSerialFitCommands(table);
}
