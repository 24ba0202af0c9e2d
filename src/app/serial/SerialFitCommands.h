#pragma once
// Serial fits: the analysis set up on the loaded data repeated over a series
// of data sets, unattended: over cell numbers and numbered subfolders, or
// over the "list.*" files of the data folder. Each set is loaded, its
// parameters restored, the model run and optionally fitted, and its results
// written beside its scans; the list-file series also keeps two summary
// files in the series folder.

#include <string>

class CommandTable;
class TXLAWindow;

void CmSerializeFitByCell(TXLAWindow& window);
void CmSerializeFitByListFile(TXLAWindow& window);

// A scan of the loaded set is saturated: its first point strictly between
// 6.9 and 7.0 cm lies above 1.8 (absorbance) or 3900 (other signals). Never
// for interference data.
bool SignalMaxedOut();

void RegisterSerialFitCommands(CommandTable& table);
