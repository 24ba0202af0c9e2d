#pragma once
#include <string>

// Shows the text in the error box, plays the farewell sound and ends the
// program. Reserved for exhausted memory and programming errors; failures
// that come from the data are returned to the caller instead.
[[noreturn]] void FatalError(const std::string& text);

inline float FloatMax(float a, float b) { return a > b ? a : b; }
inline float FloatMin(float a, float b) { return a < b ? a : b; }
