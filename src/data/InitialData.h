#pragma once
// The experimental initial concentration profile (InitialDistribution): a
// scan read beside the loaded data that the simulations start from instead
// of a constant loading concentration. Outside the fit limits the measured
// profile is unreliable (meniscus artefacts on the left, the bottom and back
// diffusion on the right), so it is replaced there by a polynomial fitted to
// block means of the profile just inside the limits.

#include <string>

#include "platform/Platform.h"

// Reads the initial scan at path into InitialDistribution (releasing earlier
// initial data), converts its time as the loaded scans' times are converted,
// notes whether it stands for the earliest loaded scan (whose model then
// becomes its own signal) and applies the fit limits again, which extends the
// profile. Returns 1 when the scan was read; 0 after "please load data files
// first" without loaded data, or after a "LOAD ERROR" box naming the file.
// The data-kind flags describe the loaded data afterwards as before.
int SetInitialData(platform::WindowHandle window, const std::string& path);

// Releases the initial profile; its count becomes 0.
void FreeInitialData();

// Replace the profile from its first point up to the left fit limit, and
// from the right fit limit to its last point, by the polynomial of order
// InitialDataPolynomialOrder through the means of equal blocks of points
// inside the limits (values below Baseline are raised to it; on the left the
// profile is made non-decreasing towards the limit). They act only with an
// experimental initial concentration and a limit inside the cell. Too few
// points inside the limits for the blocks are refused with a message, and
// the profile stays. True when the profile was extended.
bool ExtrapolateInitialProfileLeft();
bool ExtrapolateInitialProfileRight();

// Installs the two extensions as ExtrapolateInitialDataLeft and
// ExtrapolateInitialDataRight, which the fit-limit setters call while initial
// data are present. SetInitialData installs them itself.
void InstallInitialDataExtrapolations();
