#pragma once
// Small services of the main window that the whole program uses: asking for
// a repaint, redrawing the plots at once, the window's reaction to a new
// size, and the run-time menu items that follow the loaded data and the
// model (the fluorescence tools, the mean-field ctot items of the non-ideal
// c(s) model, the copy items of the equilibrium M* screen).

class TXLAWindow;

// Whether the run-time items of each group are in the menu now (all clear
// at start). A failed insertion leaves its flag clear, so that the next
// update tries again.
struct RuntimeMenuStateRecord {
  bool FloToolsItemShown = false;
  bool CtotItemsShown = false;
  bool EquilibriumCopyItemsShown = false;
};

extern RuntimeMenuStateRecord RuntimeMenuState;

// Asks for a paint of the whole client area (erased first) and returns at
// once; nothing while RedrawSuppressed is set or before the window exists.
// This is what the program-wide RepaintMainWindow operation does once
// InstallViewHooks has run.
void InvalidateMainWindow(TXLAWindow& window);
// Redraws the data plot and the cursor lines straight into the window,
// without waiting for a paint; nothing while RedrawSuppressed is set.
void RedrawPlotsNow(TXLAWindow& window);
// The window got a new size: the whole client area is painted again, also
// while RedrawSuppressed is set.
void ResizeMainWindow(TXLAWindow& window);

// After every load, every paint and the fluorescence and DLS tools: "FloTools"
// with fluorescence data, the four ctot items with the non-ideal c(s) model,
// "Save Intensity Data as Absorbance Data" enabled only with intensity data.
// Nothing without loaded scans.
void UpdateRuntimeMenus(TXLAWindow& window);
// The copy items of the M* screen, while it is open.
void InsertEquilibriumCopyItems(TXLAWindow& window);
void RemoveEquilibriumCopyItems(TXLAWindow& window);

// Points the program-wide operations of the data loaders (RepaintMainWindow,
// SetMainWindowCaption, CheckTemperatureFluctuation) and the display's
// run-time menu update and one-shot tool plot layer at this window. The
// equilibrium and extrapolation tools, whose screens come before the tool
// plots, wrap ToolPlotsExist and PaintToolLayer when they install theirs.
void InstallViewHooks(TXLAWindow& window);
// Puts those operations back to doing nothing, before the window goes.
void RemoveViewHooks();
