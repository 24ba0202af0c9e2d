#pragma once
// The Lamm equation preferences: the numerical settings of the solvers kept
// as defaults in "zedarozazururaro.ini" in the installation folder, one
// "%f" value per line, 28 values. Flags are written as 1 or 0 and read as set
// when greater than 0; integers are written as floats and read by truncation.
// Newer layouts only append values, so a file of an older layout (at least 26
// values) is read and then rewritten with the full layout.

#include <string>

#include "platform/Platform.h"

inline constexpr int LammPreferenceValueCount = 28;
// The fewest values of a file that is read at all.
inline constexpr int LammPreferenceMinimumCount = 26;

// Installation folder + "zedarozazururaro.ini".
std::string LammPreferenceFilePath();

// Writes the 28 values; an unwritable file is reported by the vector writer.
void SaveLammEqParameterPreferences(platform::WindowHandle window);

// Reads the preferences into the settings. Without a file, false and the
// defaults stay, silently; with fewer than 26 readable values, a message and
// false. The grid settings read are brought to their minimums, so a damaged or
// hand-edited file never yields an empty or negative grid.
bool ReadLammEqParameterPreferences(platform::WindowHandle window);
