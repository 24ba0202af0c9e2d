#include "app/start/ExitProgram.h"

#include "app/batch/BatchParameters.h"
#include "app/batch/BatchResults.h"
#include "app/batch/BatchStatus.h"
#include "state/ProgramFlags.h"
#include "app/start/ShellServices.h"
#include "data/InitialData.h"
#include "data/ScanDataSet.h"
#include "models/SimulationArrays.h"
#include "platform/Platform.h"
#include "ui/Sounds.h"

bool ProgramEndRequested = false;

void ExitProgram(TXLAWindow& window) {
  if (BatchMode)
    ShellServices.WriteBatchResultsAndExit(window);
  else if (IniCustomPars && BatchStatus.Failed())
    // A refused parameter file still answers its caller with a report and
    // the flag file, as far as the file named them.
    WriteBatchFailureReport(*IniCustomPars);
  FreeSimulationArrays();
  FreeInitialData();
  FreeDataSet();
  // 0 unless a batch run was asked for and failed: automation reads the
  // exit code.
  platform::Current().PostQuitMessage(IniCustomPars ? BatchExitCodeValue() : 0);
  ProgramEndRequested = true;
  PlayByeSound();
}
