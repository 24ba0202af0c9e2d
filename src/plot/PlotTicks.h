#pragma once
// Tick values of one plot axis: round numbers between two limits, a decade
// step halved when it would give too few major ticks, and finer minor ticks;
// on an axis whose values are decimal logarithms (PlotSettings.LogTickMode)
// the minor ticks sit at the logarithms of 2 .. 9 times each decade.

#include <memory>

#include "numerics/CVector.h"

// At most this many linear ticks.
inline constexpr int kMaxTickCount = 10000;

// The tick values from lo to hi, major or minor; an empty vector for equal
// limits, limits beyond +-1e30 or limits that are not numbers.
std::unique_ptr<CVector> MakeTicks(bool major, float lo, float hi);
