#pragma once
// The optimisers' view of the model parameters: a flat one-based vector of
// ParameterCount values, each with a fit flag. Slot 13 is the meniscus, 14
// the bottom and 15 the baseline; the packing of the other slots belongs to
// the models. Slot 0 is unused.

#include <array>

inline constexpr int ParameterCount = 34;
inline constexpr int MeniscusSlot = 13;
inline constexpr int BottomSlot = 14;
inline constexpr int BaselineSlot = 15;

extern std::array<float, ParameterCount + 1> ParameterVector;
extern std::array<int, ParameterCount + 1> ParameterFitted;
