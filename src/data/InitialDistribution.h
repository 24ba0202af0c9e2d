#pragma once
// An experimental initial concentration profile that the simulations start
// from instead of a constant, with the header of the scan it was read from.

#include <functional>

#include "data/ScanHeader.h"
#include "numerics/OneBasedArrays.h"

struct InitialDistributionRecord {
  OneBasedArray<float> Radius;       // [1..Count]
  OneBasedArray<float> Signal;       // [1..Count]
  OneBasedArray<float> ThirdColumn;  // [1..Count] when the file had one
  int Count = 0;                     // 0 = no initial data
  ScanHeader InitialDataHeader;
  int InitialDataPolynomialOrder = 1;
  float InitialDataExtrapolationFactor = 1.0f;
  // Whether the initial scan stands for the earliest loaded scan is kept
  // with the solver settings (LammSolverSettings.InitialDataIsFirstScan),
  // which the simulations and the rmsd read.
};

extern InitialDistributionRecord InitialDistribution;

// Extend the profile beyond the left and right fit limits; called by the
// fit-index setters whenever a profile is loaded. Installed with the
// initial-data commands.
extern std::function<void()> ExtrapolateInitialDataLeft;
extern std::function<void()> ExtrapolateInitialDataRight;
