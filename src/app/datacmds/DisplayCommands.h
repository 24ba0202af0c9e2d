#pragma once
// The "D&isplay" commands that set or free the displayed ranges of the data
// plot, show or hide the data and residual plots and set the data marks;
// the scan-picking switch and the electrophoresis load, which no menu item
// carries.

class CommandTable;
class TXLAWindow;

void CmSetRange(TXLAWindow& window);
void CmFullRange(TXLAWindow& window);
void CmUpdate(TXLAWindow& window);
void CmDataMarkSize(TXLAWindow& window);
void CmShowData(TXLAWindow& window);
void CmShowResiduals(TXLAWindow& window);
void CmToggleScanPicking(TXLAWindow& window);
void CmLoadElectrophoresisData(TXLAWindow& window);

// The data plot shows lines because the user asked for lines (-1) as its
// data mark size.
extern bool DataLinesMode;

void RegisterDisplayCommands(CommandTable& table);
