#pragma once
// The direct boundary model of an apparent distribution g(s*): every s* bin
// of a g(s*) computed elsewhere (time-derivative method, saved as text) is
// turned into a sharp boundary that moves with exp(s* omega^2 t) and whose
// plateau is diluted radially, without diffusion. The systematic noise is
// then fitted to the residuals as for discrete models, and the rmsd tells
// how well the uncorrected g(s*) describes the loaded scans.

#include "platform/Platform.h"

// columns[1] holds s* (S), columns[2] g(s*), rows 1..n; the bin width is
// taken from the first two rows. Writes every scan's model and the species
// signal of component 1 on the common grid; afterwards component 1 is the
// only one switched on, with loading 1. Nothing without loaded scans; with
// the meniscus or bottom unset, a box says so and nothing changes. Returns
// the rmsd over the fit ranges (0 when nothing was done).
float GStarToBoundaryModel(platform::WindowHandle window, float** columns, int columnCount, int n);
