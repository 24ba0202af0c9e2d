#pragma once
// The display options of the menus "Display", "Copy" and "Options": which
// plots a running fit redraws and how often, the residual bitmap (shown or
// not, its brightness scale, black and white or colour, continuous shading,
// copied to the clipboard) and the residual histogram.

class TXLAWindow;

// "Change Fit Updating Preferences" (592); writes the preference file.
void CmChangeFitUpdatingPreferences(TXLAWindow& window);
// "Show Residuals Bitmap" (504): off, or on after asking its scale.
void CmShowResidualsBitmap(TXLAWindow& window);
// "Black and White" (505) and "Continuous Shading" (506).
void CmBlackAndWhite(TXLAWindow& window);
void CmContinuousShading(TXLAWindow& window);
// "Copy Residuals Bitmap" (507).
void CmCopyResidualsBitmap(TXLAWindow& window);
// "Show Residuals Histogram" (943): switches the histogram of the main
// layout on or off, or, when the user keeps the setting, shows the
// histogram once as a tool plot. Nothing for light-scattering data.
void CmShowResidualsHistogram(TXLAWindow& window);
