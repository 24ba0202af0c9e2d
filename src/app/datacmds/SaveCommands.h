#pragma once
// The commands of the "&Data" menu that write what the program holds: the
// fitted data with residuals and a parameter report, the saved analysis
// ("~tmppars") and its reload, the raw scans under new names, the fitted
// systematic noise, an equilibrium scan without its time-invariant noise,
// six-channel scans cut into their channels, intensity scans as absorbance,
// and the export of the loaded set to the sibling analysis program, which
// it can start. Each chooses a file name in a save dialog and hands the
// writing to the data operations.

class CommandTable;
class TXLAWindow;

void CmUpdateSavedFitParameters(TXLAWindow& window);
void CmReloadSavedFitParameters(TXLAWindow& window);
void CmSaveFitData(TXLAWindow& window);
void CmExportDataToQuorvel(TXLAWindow& window);
void CmSaveRawDataSet(TXLAWindow& window);
void CmSaveNoiseInFile(TXLAWindow& window);
void CmSubtractNoiseFromEqData(TXLAWindow& window);
void CmSave6ChannelRawDataIn3Subsets(TXLAWindow& window);
void CmSaveIntensityDataAsAbsorbanceData(TXLAWindow& window);
void CmSaveIntensityAsPseudoAbsorbance(TXLAWindow& window);
// Only while simulations run on to equilibrium (command 223): the last
// scan's model in a scan file.
void CmSaveEquilibriumData(TXLAWindow& window);

// The models whose analysis the saved-parameter file can hold: the c(s)
// family on the standard s grid (also with one discrete component, with a
// second dimension f/f0, non-ideal, hindered and floating), never for light
// scattering or equilibrium data.
bool FitParametersSavable();

void RegisterSaveCommands(CommandTable& table);
