#pragma once
// The commands that correct or transform the loaded scans in memory (or
// write corrected copies): each asks its few questions, calls one operation
// of the data set and offers to save the changed scans.

class TXLAWindow;
class CommandTable;

// Geometry and time.
void CmShiftScansUndoRotorStretch(TXLAWindow& window);
void CmCreateSpeedstepsFile(TXLAWindow& window);
void CmCorrectIFRadialCalibration(TXLAWindow& window);
void CmAddConstantTimeAndW2t(TXLAWindow& window);
void CmSortEqDataToDisk(TXLAWindow& window);
void CmExcludeRegion(TXLAWindow& window);
void CmMirrorImageOfRawData(TXLAWindow& window);
void CmSetNColumns(TXLAWindow& window);

// Signals.
void CmInvertRawData(TXLAWindow& window);
void CmEliminateJitter(TXLAWindow& window);
void CmSubtractBlankScan(TXLAWindow& window);
void CmSubtractConstant(TXLAWindow& window);
void CmAddOrSubtractSimulatedData(TXLAWindow& window);
void CmAddNoiseOrMultiply(TXLAWindow& window);
void CmFindFringeJumpsFromDiscontinuity(TXLAWindow& window);
void CmSubtractBufferMismatchEstimate(TXLAWindow& window);

void RegisterScanCorrectionCommands(CommandTable& table);
