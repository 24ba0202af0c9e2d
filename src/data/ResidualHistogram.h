#pragma once
// The residual histogram: every residual inside the scans' fit ranges counted
// in bins from -5 to +5 root-mean-square deviations, compared with the
// Gaussian of that width. Its misfit percentage says how far the residuals
// are from normally distributed noise; the fit results and the batch report
// quote it.

#include "numerics/OneBasedArrays.h"

// Fills each requested output (a null pointer is not requested) with a new
// array [1..bins] and returns the number of bins: bin centres, lower and
// upper edges, counts, the Gaussian exp(-c^2 / 2 sigma^2) scaled to the
// counts by least squares, and the misfit 100 sum (g - counts)^2 / sum g^2
// (percent). No bins (0) for light-scattering data, without data or with an
// rmsd of 0; one empty bin (all outputs 0) when there are too few residuals
// for a histogram.
int ResidualHistogram(OneBasedArray<float>* centres, OneBasedArray<float>* lowerEdges,
                      OneBasedArray<float>* upperEdges, OneBasedArray<float>* counts,
                      OneBasedArray<float>* gaussian, float* misfit);
