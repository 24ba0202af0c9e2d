#pragma once
// Screens and switches of other tools that change what the main window's
// paint draws. Each tool sets its flag while its screen is up; the paint
// only reads them.

struct ScreenModesRecord {
  // The M* / apparent molar mass screen of equilibrium data replaces the
  // main plots and moves the cursor lines to its own plot.
  bool MStarScreenActive = false;
  // The approach-to-equilibrium test shows its own plot over the data plot.
  bool EqTestScreenActive = false;
  bool EqTestHidesResidualExtras = false;
  // A calibration holds the display: the distribution plot is not replayed.
  bool DisplayHoldForCalibration = false;
  // The next paint lays the data plot out again before replaying it (a
  // detector setting changed the data in place).
  bool DataPlotRelayoutOnPaint = false;
};

extern ScreenModesRecord ScreenModes;

// The vertical extent of the cursor lines on the M* screen, in the 1000
// units of the plot space's height.
inline constexpr int EqScreenLineTop = 50;
inline constexpr int EqScreenLineBottom = 450;
