#pragma once
// The systematic noise that a fit found, taken out of (or the time-invariant
// part put back into) the raw data, for presentation: the data then show
// the sedimentation alone, and the model and residuals stay as they were.

class TXLAWindow;
class CommandTable;

void CmSubtractTINoise(TXLAWindow& window);
void CmSubtractRINoise(TXLAWindow& window);
void CmSubtractAllSystematicNoise(TXLAWindow& window);
void CmRestoreTINoise(TXLAWindow& window);

void RegisterNoiseCommands(CommandTable& table);
