#include "plot/PlotText.h"

namespace {

bool IsContinuationByte(char c) {
  return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

}  // namespace

std::string BoundedPlotText(std::string_view text, std::size_t limit) {
  if (text.size() <= limit) return std::string(text);
  std::size_t cut = limit;
  // Back up to the start of the character that would be split.
  while (cut > 0 && IsContinuationByte(text[cut])) --cut;
  return std::string(text.substr(0, cut));
}
