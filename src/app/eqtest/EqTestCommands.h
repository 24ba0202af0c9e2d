#pragma once
// "Test Approach to Equilibrium" (645) and, while the window is in the
// test's mode, the body of Run and Fit: the rmsd of every scan of a series
// against its latest scan, plotted against the time before it, in place of
// the data plot; the last pair's differences in place of the residuals; the
// shape of the latest scans in a small third plot.

#include "platform/Metafile.h"

class CommandTable;
class TXLAWindow;

void CmTestApproachToEquilibrium(TXLAWindow& window);
// Recomputes and redraws the test, then offers to save its curves.
void RunEqTest(TXLAWindow& window);
// The per-series questions: include the series, accept its radial limits.
void SelectEqTestSeries(TXLAWindow& window);
bool SetupEqTestPlots(TXLAWindow& window);
// Leaves the test and gives the main plots back.
void ResetEqTest(TXLAWindow& window);
// The third plot's picture (none without the test's plots).
platform::Metafile RepaintEqTestPlot();

void InstallEqTestHooks(TXLAWindow& window);
void RemoveEqTestHooks();
void RegisterEqTestCommands(CommandTable& table);
