#pragma once
// Work arrays on the common grid for each switched-on component of the
// discrete-species models: one grid-size array per scan, one grid-size array
// and one scan-count array. They remember the dimensions they were made with.

#include <array>

#include "data/ScanDataSet.h"
#include "state/ModelParameters.h"
#include "numerics/OneBasedArrays.h"

struct ComponentGridArrays {
  bool Allocated = false;
  ScanArrays ScanSignals;           // [1..ScanCount][1..GridSize]
  OneBasedArray<float> GridValues;  // [1..GridSize]
  OneBasedArray<float> ScanValues;  // [1..ScanCount]
};

struct ComponentGridSignalsRecord {
  std::array<ComponentGridArrays, NCOMP + 1> Component;  // 1..NCOMP; slot 0 unused
  int ScanCount = 0;
  int GridSize = 0;
};

extern ComponentGridSignalsRecord ComponentGridSignals;

// Zeroed arrays for every component switched on in ModelParameters, sized by
// NFILES and the common grid; whatever existed before is released first.
void AllocComponentGridArrays();
void FreeComponentGridArrays();
