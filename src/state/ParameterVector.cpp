#include "state/ParameterVector.h"

std::array<float, ParameterCount + 1> ParameterVector{};
std::array<int, ParameterCount + 1> ParameterFitted{};
