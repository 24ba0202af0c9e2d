#pragma once
// A colour as the drawing layer sees it: red, green and blue, eight bits each.
// The plotting code also computes colours as packed 32-bit values 0x00BBGGRR
// (red in the low byte); the conversions below translate both ways.

#include <cstdint>

namespace platform {

struct Color {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;

  friend bool operator==(const Color&, const Color&) = default;
};

// Each component keeps its low eight bits, as packing into a 32-bit value does.
constexpr Color Rgb(int red, int green, int blue) {
  return Color{static_cast<std::uint8_t>(red & 0xFF), static_cast<std::uint8_t>(green & 0xFF),
               static_cast<std::uint8_t>(blue & 0xFF)};
}

// Packed 0x00BBGGRR value; the top byte is ignored.
constexpr Color ColorFromPacked(std::uint32_t packed) {
  return Rgb(static_cast<int>(packed & 0xFF), static_cast<int>((packed >> 8) & 0xFF),
             static_cast<int>((packed >> 16) & 0xFF));
}

constexpr std::uint32_t PackedColor(Color c) {
  return static_cast<std::uint32_t>(c.red) | (static_cast<std::uint32_t>(c.green) << 8) |
         (static_cast<std::uint32_t>(c.blue) << 16);
}

inline constexpr Color kBlack = Rgb(0, 0, 0);
inline constexpr Color kWhite = Rgb(255, 255, 255);

}  // namespace platform
