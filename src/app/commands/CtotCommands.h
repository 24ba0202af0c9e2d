#pragma once
// The mean-field commands of the non-ideal c(s) model: restore ctot(r,t)
// from a CTOT file, export it, and clear it; and the question about the
// mean field before new files are loaded.

class CommandTable;
class TXLAWindow;

void LoadCtotDataFiles(TXLAWindow& window);
void SaveCtotDataFile(TXLAWindow& window);
void CmClearMeanFieldCtot(TXLAWindow& window);
// Before "Load New Files": with a mean field, asks whether to reset it.
void AskResetCtot(TXLAWindow& window);
void RegisterCtotCommands(CommandTable& table);
