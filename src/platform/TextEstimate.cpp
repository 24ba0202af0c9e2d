#include "platform/TextEstimate.h"

namespace platform {

std::size_t CountCharacters(std::string_view text) {
  std::size_t n = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++n;
  }
  return n;
}

double EstimatedEm(const DeviceFont& font) {
  return font.heightIsCell ? font.height / kEstimatedCellPerEm : font.height;
}

TextBox EstimateText(std::string_view text, const DeviceFont& font) {
  const double em = EstimatedEm(font);
  const double advance = font.averageWidth > 0 ? font.averageWidth : kEstimatedAdvancePerEm * em;
  return TextBox{advance * static_cast<double>(CountCharacters(text)), kEstimatedAscentPerEm * em,
                 kEstimatedDescentPerEm * em};
}

}  // namespace platform
