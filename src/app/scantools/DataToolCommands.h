#pragma once
// Tools on the loaded files: the restore of the recorded times from the
// file times, and the Wiener skewing settings. The check of the recorded
// times against the file times is installed as the loaders' TimeStampCheck.

class TXLAWindow;

void CmRestoreTimeAndW2t(TXLAWindow& window);
void CmWienerSkewingCorrection(TXLAWindow& window);
void CmSortFluorescenceData(TXLAWindow& window);
// The table of the Wiener skewing parameters; true when accepted.
bool WienerSkewingParameters(TXLAWindow& window);
