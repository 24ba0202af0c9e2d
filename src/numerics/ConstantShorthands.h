#pragma once
// Constants that many computations write as plain doubles. One definition,
// so that every file computes with the same bits.

#include <numbers>

#include "numerics/PhysicalConstants.h"

inline constexpr double kPi = std::numbers::pi;
// Angular velocity (rad/s) of one revolution per minute.
inline constexpr double kRpmToOmega = 2.0 * std::numbers::pi / 60.0;
// Gas constant of the Svedberg equation, erg/(mol K).
inline constexpr double kGasConstant = PhysicalConstantsRecord::GasConstantSDM;

static_assert(kPi == 3.14159265358979323846 && kPi == 3.141592653589793);
static_assert(kRpmToOmega == 2.0 * 3.14159265358979323846 / 60.0);
static_assert(kGasConstant == 8.31451e7);
