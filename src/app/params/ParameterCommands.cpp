#include "app/params/ParameterCommands.h"

#include "app/commands/CommandTable.h"
#include "app/commands/CtotCommands.h"
#include "app/params/ContourCommands.h"
#include "app/params/PriorKnowledgeCommands.h"
#include "app/models/ModelCommandSupport.h"
#include "state/LoadOptions.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "state/DisplayState.h"
#include "distributions/PriorDialog.h"
#include "models/LammNumericsDialog.h"
#include "models/MeniscusBottomLimits.h"
#include "models/ParameterReport.h"
#include "models/ParametersCommand.h"
#include "models/SimulationErrors.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"

void CmParametersCommand(TXLAWindow& window) {
  DialogBusyScope busy(window);
  const bool confirmed = CmParameters(window.Handle());
  if (confirmed) {
    // The on-screen buttons of the noise that is fitted now.
    if (FitControl.TINoiseFitted || ModelParameters.RINoiseFitted)
      ShowNoiseButtons(0);
    else
      HideNoiseButtons(0);
  }
  InvalidateMainWindow(window);
}

void CmSetFitLimitsMeniscusBottom(TXLAWindow& window) {
  DialogBusyScope busy(window);
  EditMeniscusBottomLimits(window.Handle(), true);
}

void CmLammEquationParametersCommand(TXLAWindow& window) {
  DialogBusyScope busy(window);
  CmLammEquationParameters(window.Handle());
}

void CmCopyFitParameters(TXLAWindow& window) {
  if (!CopyParametersText(window.Handle()))
    platform::Current().ShowMessageBox({window.Handle(), "could not open the clipboard", "ERROR",
                                        platform::BoxIcon::Warning, platform::BoxButtons::Ok});
}

void RegisterParameterCommands(CommandTable& table) {
  table.Add(204, &CmCopyFitParameters, true, "CmCopyFitParameters");
  table.Add(212, &CmParametersCommand, true, "CmParameters");
  table.Add(240, &CmSetFitLimitsMeniscusBottom, true, "CmSetFitLimitsMeniscusBottom");
  table.Add(611, &CmLammEquationParametersCommand, false, "CmLammEquationParameters");
  RegisterContourCommands(table);
  RegisterPriorKnowledgeCommands(table);
}

void InstallParameterDialogHooks(TXLAWindow& window) {
  InstallPriorKnowledgeHooks(window);
  OpenLammNumericsDialog = [&window](platform::WindowHandle) {
    CmLammEquationParametersCommand(window);
  };
  ParametersCommandLinks.EditMeniscusBottomLimits = [](platform::WindowHandle w, bool force) {
    EditMeniscusBottomLimits(w, force);
  };
  ParametersCommandLinks.EqTestActive = [] { return LoadOptions.EqTestMode; };
  ParametersCommandLinks.CalibrateCMPowerLaw = [&window](platform::WindowHandle) {
    return ModelCommandLinks.CalibrateCMPowerLaw(window);
  };
  ParametersCommandLinks.ResetEqTest = [&window] {
    ModelCommandLinks.ResetEqTest(window);
    LoadOptions.EqTestMode = false;
    InvalidateMainWindow(window);
  };
  ParametersCommandLinks.LoadCtotDataFiles = [&window](platform::WindowHandle) {
    LoadCtotDataFiles(window);
  };
}
