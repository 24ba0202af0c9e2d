#pragma once
// "&Run" computes the current model once for the loaded data, "&Fit" runs
// its fit. Both are thin dispatchers: the model selection decides which
// engine does the work; around it they check the data, ask about fit limits
// that would hinder the fit, keep the busy state and repaint afterwards. The
// data loader, the batch run and the serial fits use the same entries.

class TXLAWindow;
class CommandTable;

struct RunFitStateRecord {
  float MaxGradientAllowed = 500.0f;  // signal units per cm
};

extern RunFitStateRecord RunFitState;

void RunModelCommand(TXLAWindow& window);
// "Simulate Non-Interacting Species with Faxen Approximation": one Run in
// which the discrete species follow Faxen's closed-form boundary.
void CmSimulateFaxen(TXLAWindow& window);
void CmFit(TXLAWindow& window);
void CmFitMAndS(TXLAWindow& window);
// True when the computation may go on; false after reporting a rising
// signal steeper than MaxGradientAllowed over four successive intervals.
bool CheckStrongGradients(TXLAWindow& window);

void RegisterRunFitCommands(CommandTable& table);
// Points the data layer's run hooks (RunModel, InvokeRunModel: the run after
// a load) at this window's Run.
void InstallRunFitHooks(TXLAWindow& window);
