#pragma once
// Text sizes for canvases that cannot measure glyphs (recordings, SVG): the
// proportions of the DejaVu faces that the raster canvas renders with, so the
// estimates come close to what the picture will show.

#include <cstddef>
#include <string_view>

#include "platform/DeviceCanvas.h"

namespace platform {

// Vertical metrics of DejaVu per em: ascent 1901/2048, descent 483/2048.
inline constexpr double kEstimatedAscentPerEm = 0.928;
inline constexpr double kEstimatedDescentPerEm = 0.236;
inline constexpr double kEstimatedCellPerEm = kEstimatedAscentPerEm + kEstimatedDescentPerEm;
// A typical advance (digits are 0.636 em in DejaVu Sans, lower case less).
inline constexpr double kEstimatedAdvancePerEm = 0.6;

// Characters of a UTF-8 text (bytes that do not start a sequence are skipped).
std::size_t CountCharacters(std::string_view text);

struct TextBox {
  double width = 0;
  double ascent = 0;
  double descent = 0;
};

// The em height of the font in pixels.
double EstimatedEm(const DeviceFont& font);
TextBox EstimateText(std::string_view text, const DeviceFont& font);

}  // namespace platform
