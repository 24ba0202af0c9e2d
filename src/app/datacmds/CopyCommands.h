#pragma once
// The "&Copy" menu: the data, residual, histogram and distribution plots as
// pictures on the clipboard, and the analysis tables (data, fit, residuals,
// systematic noise, prior profile, distribution) as tab-separated text.

class CommandTable;
class TXLAWindow;

void CmCopyDataPlot(TXLAWindow& window);
void CmCopyResidualsPlot(TXLAWindow& window);
void CmCopyResidualsHistogram(TXLAWindow& window);
void CmCopyDistributionPlot(TXLAWindow& window);
void CmCopyDataTable(TXLAWindow& window);
void CmCopyFitDataTable(TXLAWindow& window);
void CmCopyResidualsTable(TXLAWindow& window);
void CmCopyTINoiseTable(TXLAWindow& window);
void CmCopyRINoiseTable(TXLAWindow& window);
void CmCopyDistribution(TXLAWindow& window);

void RegisterCopyCommands(CommandTable& table);
