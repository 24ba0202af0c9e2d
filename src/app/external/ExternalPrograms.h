#pragma once
// The external plotting programs in the "bin" folder beside the executable
// and the monitoring and plotting tool PELKO in its own folder: each command
// writes the export files into the temp folder, asks for ranges and starts
// the program with them on its command line, without waiting for it.
// Missing plotting programs lose their menu items at start; PELKO is looked
// for at each start.

#include <string>
#include <vector>

class CommandTable;
class TXLAWindow;

// The file of a plotting program (ids 878 .. 883) and of PELKO.
std::string PlotProgramPath(int commandId);
std::string PelkoPath();

// Sets the availability of the six plotting programs and removes the menu
// item of each missing one.
void FindPlotPrograms(TXLAWindow& window);

void CmPlotDataIn3dGraph(TXLAWindow& window);
void CmMakeSedimentationMovie(TXLAWindow& window);
void CmPlotDataFitResiduals(TXLAWindow& window);
void CmPlotDataFitResidualsDistribution(TXLAWindow& window);
void CmPlotSizeAndShapeDistribution(TXLAWindow& window);
void CmPlotTriangulatedStructure(TXLAWindow& window);
void CmPelkoCsPlot(TXLAWindow& window);
void CmPelkoDataFitResidualsPlot(TXLAWindow& window);
void CmPelkoPlot(TXLAWindow& window);
void StartPelkoDLS(TXLAWindow& window);
void StartPelkoEquilibrium(TXLAWindow& window);
void CmMinimumSValueForLogSpacedGrid(TXLAWindow& window);

void RegisterExternalProgramCommands(CommandTable& table);
// The DLS importers' commands, the mean DLS save and the CD stub.
void RegisterDlsImportCommands(CommandTable& table);
