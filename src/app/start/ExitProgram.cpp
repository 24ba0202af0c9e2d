#include "app/start/ExitProgram.h"

#include "app/records/ProgramFlags.h"
#include "app/start/ShellServices.h"
#include "data/InitialData.h"
#include "data/ScanDataSet.h"
#include "models/SimulationArrays.h"
#include "platform/Platform.h"
#include "ui/Sounds.h"

bool ProgramEndRequested = false;

void ExitProgram(TXLAWindow& window) {
  if (BatchMode) ShellServices.WriteBatchResultsAndExit(window);
  FreeSimulationArrays();
  FreeInitialData();
  FreeDataSet();
  platform::Current().PostQuitMessage(0);
  ProgramEndRequested = true;
  PlayByeSound();
}
