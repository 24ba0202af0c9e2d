#pragma once
// Uncompressed 24-bit BMP files (the batch screenshot): a 14-byte file
// header, a 40-byte information header, then the pixel rows bottom row first,
// each pixel blue, green, red, each row padded with zero bytes to a multiple
// of four. All fields little-endian.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/RgbImage.h"

namespace platform {

inline constexpr std::uint32_t kBmpHeaderBytes = 54;

// Bytes of one stored row: 24 bits per pixel rounded up to whole 32-bit words.
constexpr std::uint32_t BmpRowBytes(int width) {
  return ((24u * static_cast<std::uint32_t>(width) + 31u) / 32u) * 4u;
}

std::vector<std::uint8_t> EncodeBmp24(const RgbImage& image);
// False when the file cannot be opened or not all of it was written.
bool WriteBmp24(const std::string& path, const RgbImage& image);

}  // namespace platform
