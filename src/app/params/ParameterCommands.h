#pragma once
// The commands of the model parameters: the Parameters dialog of the
// current model, the meniscus and bottom limits and the Lamm numerics
// dialog, and the hooks by which the model code opens them.

class TXLAWindow;
class CommandTable;

void CmParametersCommand(TXLAWindow& window);
void CmSetFitLimitsMeniscusBottom(TXLAWindow& window);
void CmLammEquationParametersCommand(TXLAWindow& window);
// The parameter report on the clipboard; the prior dialog.
void CmCopyFitParameters(TXLAWindow& window);

void RegisterParameterCommands(CommandTable& table);
// Lets the simulation's error messages open the Lamm numerics dialog and
// the Parameters command reach the window (limits, repaint, eq test).
void InstallParameterDialogHooks(TXLAWindow& window);
