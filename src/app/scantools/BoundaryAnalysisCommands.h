#pragma once
// Run of the boundary analyses (ls-g*(s) extrapolation and van
// Holde-Weischet) from the Run command, with their display: the integral
// distribution in the distribution plot, and the extrapolation of the
// fractions' s against 1/sqrt(t) in the data plot's place until Esc.

class TXLAWindow;

void RunBoundaryAnalysis(TXLAWindow& window);
// The extrapolation plot is shown; Esc switches it off.
bool ExtrapolationPlotShown();
void CloseExtrapolationPlot(TXLAWindow& window);
void InstallBoundaryAnalysisHooks(TXLAWindow& window);
void RemoveBoundaryAnalysisHooks();
