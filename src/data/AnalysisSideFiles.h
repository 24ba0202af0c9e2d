#pragma once
// Files that analyses keep beside the loaded data: the sdist vector of the
// continuous-distribution analysis (its grid of sedimentation coefficients,
// read back when the grid is made again) and the equilibrium scan, the model
// of the latest scan written as a scan file.

#include <string>

#include "numerics/OneBasedArrays.h"

// Writes values[1..n] to the sdist file (SdistFilePath), one "%f" per line.
// False after "Attention: could not open <path>" when it cannot be created.
bool SaveSdistVector(float* values, int n);

// Reads the sdist file into values[1..count]; false with both outputs
// untouched when the file holds no value (after a message when it cannot be
// opened).
bool LoadSdistVector(int* count, OneBasedArray<float>* values);

// Writes the latest scan in time as a scan file with the description
// "equilibrium": its radii, its model values as the signal, no third column,
// its own header and time-stamp flag. False when nothing is loaded or the
// file cannot be written.
bool SaveEquilibriumScan(const std::string& path);
