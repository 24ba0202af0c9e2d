#pragma once
// The small commands of "Loading Options and Tools": the spike filter and
// the strong-gradient check of the scan reader, the radial resolution of
// the common grid, the alignment of interference scans at a radius, the
// removal of the worst-fitting scan, the polynomial of the initial data, a
// change of cell for the loaded selection, and the data set's notes file.

class CommandTable;
class TXLAWindow;

void CmDontLoadSpikes(TXLAWindow& window);
void CmFlagTooStrongGradients(TXLAWindow& window);
void CmSetRadialResolution(TXLAWindow& window);
void CmAlignAllScansInterferenceOffsetAtRadius(TXLAWindow& window);
void CmExcludeWorstScan(TXLAWindow& window);
void CmSetPolynomOrderForInitialData(TXLAWindow& window);
void CmChangeCellSameSelection(TXLAWindow& window);
void CmOpenResultInNotepad(TXLAWindow& window);


void RegisterLoadingToolCommands(CommandTable& table);
