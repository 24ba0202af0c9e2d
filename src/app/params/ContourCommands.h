#pragma once
// The rmsd maps of a discrete-species fit as commands: the ranges of the
// held parameters, the contour level and the starting point are asked in
// entry boxes, the file in a save dialog; the maps themselves are refits.
// An increment that leads away from the maximum ends a command silently.

class TXLAWindow;
class CommandTable;

void CmSMContour(TXLAWindow& window);
void CmS1S2Contour(TXLAWindow& window);
// Only for the monomer-dimer and monomer-trimer models.
void CmKContour(TXLAWindow& window);

void RegisterContourCommands(CommandTable& table);
