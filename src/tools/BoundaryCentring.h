#pragma once
// The systematic noise of the boundary analyses, eliminated by centring
// data and model alike before they are compared: time-invariant noise is
// the same at a radius in every scan, radial-invariant noise the same at
// every radius of a scan, a baseline the same everywhere.

#include <vector>

enum class CentringMode {
  None,
  Baseline,     // one overall mean
  TI,           // the mean over scans at every radius
  RI,           // the mean over radii of every scan
  TIAndRI,      // both, the overall mean added back
};

// rows[scan][1..R] (index 0 of each row unused).
using Rows = std::vector<std::vector<double>>;

// The mode of the model's noise switches.
CentringMode CurrentCentringMode();
void Centre(Rows& rows, CentringMode mode);
