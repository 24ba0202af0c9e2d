#pragma once
// Reads of the shared Lamm arrays and run state that the engines make at
// every step, and the sector geometry their loading signal is scaled by.

#include "data/ScanDataSet.h"
#include "models/GlobalLammState.h"
#include "numerics/ConstantShorthands.h"

inline int GridSize() {
  return GlobalLammArrays.LammAllocatedSize;
}
inline double* Profile() {
  return GlobalLammArrays.LammConcentration;
}
// The rotor is still accelerating in a run that models its ramp.
inline bool Ramping() {
  return ScanDataSet.RampRotorSpeed && GlobalLammRun.Accelerating;
}

// Shortest time step (s) an engine takes; shorter ones count as trouble.
inline constexpr double kShortestStep = 1e-15;

// 1.2 cm path length times a 2-degree sector (pi/90).
inline constexpr double kSectorFactor = 1.2 * 0.03490658503988659;
static_assert(kSectorFactor == 1.2 * 2.0 * kPi / 180.0);
