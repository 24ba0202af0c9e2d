#pragma once
// The commands of the "Data" menu that bring scans into the program: a new
// set chosen in the file dialog (scan files, a list file written by an
// earlier load, or an experiment file of the sibling program), more files
// for the loaded set, light-scattering and sedimentation-equilibrium data,
// multi-speed data with their automatic corrections, the initial
// concentration profile, and a scan opened in the text editor. They choose
// the files, remember the data folder, write the list file beside the data
// and hand the names to the data set's loaders, which do the reading.

#include <string>
#include <vector>

class CommandTable;
class TXLAWindow;

struct LoadingStateRecord {
  // A load command's file dialog or number box is open; the paint reads it.
  bool FileDialogOpen = false;
  // The caption of a load reads "ELECTROPHORESIS ANALYSIS -> ".
  bool ElectrophoresisLoad = false;
};

extern LoadingStateRecord LoadingState;

void CmLoadNewFiles(TXLAWindow& window);
void CmAddMoreFiles(TXLAWindow& window);
void CmLoadDLSData(TXLAWindow& window);
void CmLoadSedimentationEquilibriumData(TXLAWindow& window);
void CmLoadRawMultiSpeedDataAndAutocorrect(TXLAWindow& window);
void CmSetInitialData(TXLAWindow& window);
void CmEditDataFiles(TXLAWindow& window);
// "Convert speedsteps.txt And speedssteps.EQU", with the window's file
// dialogs; it sits in the gravitational-sweep and the equilibrium tools.
void CmConvertSpeedStepsEquInWindow(TXLAWindow& window);

// Files dropped on the main window: an experiment file is imported, a saved
// parameter file ("~...") may be switched to, and several scan files of one
// cell (".IP1" .. ".IP8", ".RA1" .. ".RA8", ".R00") are loaded, every n-th
// of them as the user asks.
void DropFilesOnWindow(TXLAWindow& window, const std::vector<std::string>& paths);
// The dropped files 0, n, 2n, ... (n at least 1).
std::vector<std::string> EveryNthFile(const std::vector<std::string>& paths, int n);

// Imports an experiment file of the sibling program: its scans and, when
// they loaded, the solvent, meniscus, bottom, their ranges, the fit limits
// and the fit flags it lists. 1 when scans were loaded, else 0.
int ImportXpFile(TXLAWindow& window, const std::string& path);

void RegisterLoadingCommands(CommandTable& table);
