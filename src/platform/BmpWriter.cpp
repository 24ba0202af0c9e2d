#include "platform/BmpWriter.h"

#include <cstdio>
#include <memory>

namespace platform {

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
  out.push_back(static_cast<std::uint8_t>(v & 0xFF));
  out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp24(const RgbImage& image) {
  const std::uint32_t width = static_cast<std::uint32_t>(image.Width());
  const std::uint32_t height = static_cast<std::uint32_t>(image.Height());
  const std::uint32_t rowBytes = BmpRowBytes(image.Width());
  const std::uint32_t imageBytes = rowBytes * height;
  std::vector<std::uint8_t> out;
  out.reserve(kBmpHeaderBytes + imageBytes);
  // File header.
  out.push_back('B');
  out.push_back('M');
  Put32(out, kBmpHeaderBytes + imageBytes);
  Put32(out, 0);  // reserved
  Put32(out, kBmpHeaderBytes);
  // Information header; a positive height stores the bottom row first.
  Put32(out, 40);
  Put32(out, width);
  Put32(out, height);
  Put16(out, 1);   // planes
  Put16(out, 24);  // bits per pixel
  Put32(out, 0);   // no compression
  Put32(out, imageBytes);
  for (int i = 0; i < 4; ++i) Put32(out, 0);  // resolutions and colour counts
  for (int y = image.Height() - 1; y >= 0; --y) {
    for (int x = 0; x < image.Width(); ++x) {
      const Color c = image.At(x, y);
      out.push_back(c.blue);
      out.push_back(c.green);
      out.push_back(c.red);
    }
    for (std::uint32_t pad = 3 * width; pad < rowBytes; ++pad) out.push_back(0);
  }
  return out;
}

bool WriteBmp24(const std::string& path, const RgbImage& image) {
  const std::vector<std::uint8_t> bytes = EncodeBmp24(image);
  const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"),
                                                             &std::fclose);
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  return written && std::fflush(file.get()) == 0;
}

}  // namespace platform
