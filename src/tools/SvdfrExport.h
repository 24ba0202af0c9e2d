#pragma once
// The loaded scans, the fit and the systematic noise as one table of
// columns, for the plotting programs and the batch result "dfr.dat": per row
// the radius and value of the time-invariant noise and the radial-invariant
// noise, then radius, data and model of every scan in time order.

#include <string>

// Writes the table to path ("<data folder>svdfrdata.dat" when empty) and
// returns the number of scans; 0 (after the "could not open" box) when the
// file cannot be written.
int WriteSvdfrData(const std::string& path);
