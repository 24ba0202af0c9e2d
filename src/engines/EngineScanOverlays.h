#pragma once
// What the engines on the shared arrays show of themselves each time a scan
// of the simulation is complete: during a Run the scan's model so far in the
// colour of the species (purple, green, blue, teal, black), the reacting
// system's free A, free B and complex over the data plot (blue, green, red),
// and the co-solute's profile of an inhomogeneous solvent (drawn in blue,
// and, with its save option, written as a scan file "component 2" named
// like the scan, in the program's temporary folder). Everything is drawn
// straight into the run's window, only where a window is shown: workers,
// batch runs and fits have none, or draw nothing. User-interface thread.

// scan: the scan that was just completed (its index in the data set).
void DrawEngineScanOverlays(int scan);
