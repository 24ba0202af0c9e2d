// Text on the raster canvas: it lands inside the box its extent and
// alignment describe, cell heights mean cell heights, rotation turns it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/qt/RasterCanvas.h"

namespace platform {
namespace {

struct InkBox {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // inclusive
  int pixels = 0;
};

InkBox FindInk(const RgbImage& img) {
  InkBox box;
  for (int y = 0; y < img.Height(); ++y) {
    for (int x = 0; x < img.Width(); ++x) {
      if (img.At(x, y) == kWhite) continue;
      box.left = std::min(box.left, x);
      box.right = std::max(box.right, x);
      box.top = std::min(box.top, y);
      box.bottom = std::max(box.bottom, y);
      ++box.pixels;
    }
  }
  return box;
}

Font CellFont(int height, int escapement = 0) {
  Font f;
  f.height = height;
  f.escapement = escapement;
  f.family = FontFamily::Roman;
  return f;
}

// Left edge of a text of the given width placed at x with the alignment.
int ExpectedLeft(HAlign h, int x, int width) {
  if (h == HAlign::Center) return x - width / 2;
  if (h == HAlign::Right) return x - width;
  return x;
}

TEST(RasterText, InkLiesInsideTheExtentForEveryAlignment) {
  const HAlign hs[] = {HAlign::Left, HAlign::Center, HAlign::Right};
  const VAlign vs[] = {VAlign::Top, VAlign::Baseline, VAlign::Bottom};
  const Point anchor{300, 60};
  for (HAlign h : hs) {
    for (VAlign v : vs) {
      RasterCanvas c(600, 120);
      c.SelectFont(CellFont(32));
      c.SetTextAlign(TextAlign{h, v});
      c.SetBackgroundMode(BackgroundMode::Transparent);
      const Size extent = c.TextExtent("Sedimentation 0.25");
      c.TextOut(anchor, "Sedimentation 0.25");
      const InkBox ink = FindInk(c.ToRgbImage());
      ASSERT_GT(ink.pixels, 50);
      const int left = ExpectedLeft(h, anchor.x, extent.width);
      // Top of the cell: at the anchor, a descent (about a fifth of the
      // cell) above the baseline anchor, or a cell above the bottom anchor.
      const int cellTop = v == VAlign::Top      ? anchor.y
                          : v == VAlign::Bottom ? anchor.y - extent.height
                                                : anchor.y - extent.height * 4 / 5;
      EXPECT_GE(ink.left, left - 1);
      EXPECT_LE(ink.right, left + extent.width + 1);
      EXPECT_GE(ink.top, cellTop - 2);
      EXPECT_LE(ink.bottom, cellTop + extent.height + 2);
      // The text fills most of its extent across.
      EXPECT_GT(ink.right - ink.left, extent.width * 9 / 10);
    }
  }
}

TEST(RasterText, CellAndCharacterHeights) {
  RasterCanvas c(100, 100);
  c.SelectFont(CellFont(17));
  const Size cell = c.TextExtent("0123456789");
  EXPECT_NEAR(cell.height, 17, 1);
  c.SelectFont(CellFont(-17));  // the em: a DejaVu cell is 1.164 em
  EXPECT_NEAR(c.TextExtent("0123456789").height, 20, 1);
  // Ten digits of DejaVu Serif are 0.636 em each.
  EXPECT_NEAR(c.TextExtent("0123456789").width, 108, 2);
  // A wider average character stretches the text.
  Font wide = CellFont(-17);
  wide.width = 20;
  c.SelectFont(wide);
  EXPECT_GT(c.TextExtent("0123456789").width, 150);
}

TEST(RasterText, EscapementOf900ReadsUpwards) {
  RasterCanvas c(120, 300);
  c.SelectFont(CellFont(19, 900));
  c.SetTextAlign(TextAlign{HAlign::Center, VAlign::Bottom});
  const Size extent = c.TextExtent("concentration");
  c.TextOut(Point{60, 150}, "concentration");
  const InkBox ink = FindInk(c.ToRgbImage());
  // Bottom of the text at the anchor's column: the letters lie left of it,
  // and the text runs vertically, centred on the anchor's row.
  EXPECT_LE(ink.right, 61);
  EXPECT_GE(ink.left, 60 - extent.height - 1);
  EXPECT_GT(ink.bottom - ink.top, extent.width * 9 / 10);
  EXPECT_NEAR((ink.top + ink.bottom) / 2.0, 150, 3);
}

TEST(RasterText, OpaqueModeFillsTheCellBehindTheText) {
  RasterCanvas c(200, 60);
  c.SelectFont(CellFont(20));
  c.SetBackgroundColor(Rgb(0, 255, 0));
  c.SetBackgroundMode(BackgroundMode::Opaque);
  c.SetTextColor(Rgb(0, 0, 255));
  const Size extent = c.TextExtent("Mw");
  c.TextOut(Point{10, 10}, "Mw");
  const RgbImage img = c.ToRgbImage();
  EXPECT_EQ(img.At(10, 10), Rgb(0, 255, 0));
  EXPECT_EQ(img.At(10 + extent.width - 1, 10 + extent.height - 1), Rgb(0, 255, 0));
  EXPECT_EQ(img.At(10 + extent.width + 1, 10), kWhite);
  EXPECT_EQ(img.At(9, 10), kWhite);
}

TEST(RasterText, LatinOneBytesAndUtf8BothRender) {
  RasterCanvas c(200, 40);
  c.SelectFont(CellFont(20));
  const std::string latin1 =
      "25 \xB0"
      "C";  // degree sign as one byte
  const std::string utf8 =
      "25 \xC2\xB0"
      "C";  // and as UTF-8
  EXPECT_EQ(c.TextExtent(latin1), c.TextExtent(utf8));
  c.TextOut(Point{5, 5}, latin1);
  EXPECT_GT(FindInk(c.ToRgbImage()).pixels, 20);
}

TEST(RasterText, SavesPng) {
  RasterCanvas c(50, 20);
  c.TextOut(Point{2, 2}, "ok");
  const std::string path = testing::TempDir() + "raster_text.png";
  ASSERT_TRUE(c.SavePng(path));
  FILE* f = std::fopen(path.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  unsigned char signature[8] = {};
  EXPECT_EQ(std::fread(signature, 1, 8, f), 8u);
  std::fclose(f);
  std::remove(path.c_str());
  EXPECT_EQ(signature[1], 'P');
  EXPECT_EQ(signature[2], 'N');
  EXPECT_EQ(signature[3], 'G');
  EXPECT_FALSE(c.SavePng("/nonexistent-folder/x.png"));
}

}  // namespace
}  // namespace platform
