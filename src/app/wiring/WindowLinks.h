#pragma once
// Links of the lower layers that reach the window's commands and drawings:
// the reference meniscus and its cursor line, the reload of a saved analysis
// after a load, the parameter dialog after a dropped parameter file, the
// two-dimensional distribution's file and plot. Installed by the window's
// start, taken back with its other hooks.

class TXLAWindow;

void InstallWindowLinks(TXLAWindow& window);
void RemoveWindowLinks();
