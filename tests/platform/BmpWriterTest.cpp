// The 24-bit BMP screenshot format: header fields byte by byte, row padding
// for widths that are not multiples of four, bottom-up rows, and a round
// trip through a reader written here from the format alone.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/BmpWriter.h"
#include "support/TestSupport.h"

namespace platform {
namespace {

std::uint32_t Read32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t Read16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

// Pixels of a bottom-up, uncompressed 24-bit file; nothing for anything else.
std::optional<RgbImage> DecodeBmp24(const std::vector<std::uint8_t>& b) {
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || Read16(b, 28) != 24) return std::nullopt;
  const int width = static_cast<int>(Read32(b, 18));
  const int height = static_cast<int>(Read32(b, 22));
  const std::size_t row = ((width * 3 + 3) / 4) * 4;
  const std::size_t offset = Read32(b, 10);
  if (b.size() < offset + row * height) return std::nullopt;
  RgbImage image(width, height);
  for (int y = 0; y < height; ++y) {
    const std::size_t start = offset + row * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const std::size_t p = start + 3 * x;
      image.Set(x, y, Rgb(b[p + 2], b[p + 1], b[p]));
    }
  }
  return image;
}

// A picture with distinct colours in every pixel, so that any swap of rows,
// columns or channels shows.
RgbImage Gradient(int width, int height) {
  RgbImage image(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) image.Set(x, y, Rgb(x * 7 + 1, y * 13 + 2, (x + y) * 3 + 5));
  }
  return image;
}

struct LayoutCase {
  int width;
  int height;
  std::uint32_t rowBytes;
};

TEST(BmpWriter, HeaderFieldsAndRowPadding) {
  const LayoutCase cases[] = {{1, 1, 4},  {2, 3, 8},     {3, 2, 12}, {4, 1, 12},
                              {5, 2, 16}, {101, 3, 304}, {0, 0, 0}};
  for (const LayoutCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
    EXPECT_EQ(BmpRowBytes(c.width), c.rowBytes);
    const std::vector<std::uint8_t> b = EncodeBmp24(Gradient(c.width, c.height));
    const std::uint32_t imageBytes = c.rowBytes * c.height;
    ASSERT_EQ(b.size(), 54 + imageBytes);
    EXPECT_EQ(Read16(b, 0), 19778);  // "BM"
    EXPECT_EQ(Read32(b, 2), 54 + imageBytes);
    EXPECT_EQ(Read32(b, 6), 0u);
    EXPECT_EQ(Read32(b, 10), 54u);
    EXPECT_EQ(Read32(b, 14), 40u);
    EXPECT_EQ(Read32(b, 18), static_cast<std::uint32_t>(c.width));
    EXPECT_EQ(Read32(b, 22), static_cast<std::uint32_t>(c.height));
    EXPECT_EQ(Read16(b, 26), 1);
    EXPECT_EQ(Read16(b, 28), 24);
    EXPECT_EQ(Read32(b, 30), 0u);
    EXPECT_EQ(Read32(b, 34), imageBytes);
    for (std::size_t i = 38; i < 54; ++i) EXPECT_EQ(b[i], 0) << "byte " << i;
    // Padding bytes at the end of every row are zero.
    for (int row = 0; row < c.height; ++row) {
      for (std::uint32_t i = 3 * c.width; i < c.rowBytes; ++i) {
        EXPECT_EQ(b[54 + row * c.rowBytes + i], 0) << "row " << row << " byte " << i;
      }
    }
  }
}

TEST(BmpWriter, BottomRowFirstInBlueGreenRed) {
  RgbImage image(3, 2, kWhite);
  image.Set(0, 1, Rgb(10, 20, 30));  // bottom left
  image.Set(2, 0, Rgb(40, 50, 60));  // top right
  const std::vector<std::uint8_t> b = EncodeBmp24(image);
  EXPECT_EQ(b[54], 30);
  EXPECT_EQ(b[55], 20);
  EXPECT_EQ(b[56], 10);
  EXPECT_EQ(b[54 + 12 + 6], 60);  // second stored row is the top one
  EXPECT_EQ(b[54 + 12 + 7], 50);
  EXPECT_EQ(b[54 + 12 + 8], 40);
}

TEST(BmpWriter, FileRoundTrip) {
  ScratchFolder folder;
  for (int width : {1, 3, 7, 101}) {
    const RgbImage image = Gradient(width, 5);
    const std::string path = folder.File("screenshot.bmp");
    ASSERT_TRUE(WriteBmp24(path, image));
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    const std::optional<RgbImage> back = DecodeBmp24(bytes);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, image) << width;
  }
  EXPECT_FALSE(WriteBmp24(folder.File("missing/screenshot.bmp"), Gradient(2, 2)));
}

}  // namespace
}  // namespace platform
