#pragma once
// The commands of the solvent and buffer models: "Inhomogeneous Solvent"
// and "Corrections For Buffer Sedimentation". Each runs its dialog and sets
// the check mark of its menu item to whether the model is on.

class CommandTable;
class TXLAWindow;

void CmInhomogeneousSolvent(TXLAWindow& window);
void CmBufferSedimentation(TXLAWindow& window);

void RegisterSolventCommands(CommandTable& table);
// The buffer model's checks and fit flags, reached by the restore of a saved
// analysis, and the menu check marks it sets.
void InstallSolventCommandHooks(TXLAWindow& window);
// Back to the harmless defaults when the window goes.
void RemoveSolventCommandHooks();
