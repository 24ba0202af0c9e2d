// The raster canvas checked by its pixels: shapes where the canvas promises
// them, inverting pens that undo themselves, clipping, pixel blocks and arcs.
#include <gtest/gtest.h>

#include <vector>

#include "platform/BmpWriter.h"
#include "platform/qt/RasterCanvas.h"

namespace platform {
namespace {

const Color kRed = Rgb(255, 0, 0);
const Color kBlue = Rgb(0, 0, 255);

// Columns (or rows) of one row (or column) that are not white.
std::vector<int> MarkedColumns(const RgbImage& image, int row) {
  std::vector<int> xs;
  for (int x = 0; x < image.Width(); ++x) {
    if (image.At(x, row) != kWhite) xs.push_back(x);
  }
  return xs;
}

TEST(RasterCanvas, FilledRectangleWithoutPenCoversLeftToRightMinusOne) {
  RasterCanvas c(40, 30);
  c.SelectPen(NullPen());
  c.SelectBrush(SolidBrush(kRed));
  c.Rectangle(Rect{10, 5, 20, 15});
  const RgbImage img = c.ToRgbImage();
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= 10 && x < 20 && y >= 5 && y < 15;
      ASSERT_EQ(img.At(x, y), inside ? kRed : kWhite) << x << "," << y;
    }
  }
}

TEST(RasterCanvas, RectangleWithPenHasOnePixelFrameAndFilledInside) {
  RasterCanvas c(40, 30);
  c.SelectPen(SolidPen(kBlue));
  c.SelectBrush(SolidBrush(kRed));
  c.Rectangle(Rect{20, 15, 10, 5});  // corners in either order
  const RgbImage img = c.ToRgbImage();
  for (int y = 5; y < 15; ++y) {
    for (int x = 10; x < 20; ++x) {
      const bool frame = x == 10 || x == 19 || y == 5 || y == 14;
      ASSERT_EQ(img.At(x, y), frame ? kBlue : kRed) << x << "," << y;
    }
  }
  EXPECT_EQ(img.At(20, 10), kWhite);
  EXPECT_EQ(img.At(15, 15), kWhite);
}

TEST(RasterCanvas, LinesLeaveOutTheirLastPoint) {
  RasterCanvas c(30, 30);
  c.DrawLine(Point{5, 3}, Point{15, 3});     // across
  c.DrawLine(Point{3, 5}, Point{3, 12});     // down
  c.DrawLine(Point{20, 20}, Point{10, 20});  // backwards
  const RgbImage img = c.ToRgbImage();
  std::vector<int> across;
  for (int x = 5; x < 15; ++x) across.push_back(x);
  EXPECT_EQ(MarkedColumns(img, 3), across);
  for (int y = 5; y < 12; ++y) EXPECT_EQ(img.At(3, y), kBlack) << y;
  EXPECT_EQ(img.At(3, 12), kWhite);
  EXPECT_EQ(img.At(10, 20), kWhite);
  EXPECT_EQ(img.At(11, 20), kBlack);
  EXPECT_EQ(img.At(20, 20), kBlack);
}

TEST(RasterCanvas, InvertingPensDrawnTwiceRestoreThePicture) {
  RasterCanvas c(60, 40);
  // A background of several colours under the cursor shapes.
  const Color stripes[] = {Rgb(10, 200, 30), Rgb(250, 250, 0), Rgb(0, 0, 0), Rgb(90, 60, 240)};
  c.SelectPen(NullPen());
  for (int i = 0; i < 4; ++i) {
    c.SelectBrush(SolidBrush(stripes[i]));
    c.Rectangle(Rect{i * 15, 0, i * 15 + 15, 40});
  }
  const RgbImage before = c.ToRgbImage();

  for (RasterOp op : {RasterOp::Not, RasterOp::XorPen}) {
    c.SetRasterOp(op);
    c.SelectPen(SolidPen(Rgb(255, 128, 1)));
    c.SelectBrush(NullBrush());
    const auto cursor = [&] {
      c.DrawLine(Point{22, 2}, Point{22, 38});  // a cursor line across two stripes
      c.MoveTo(Point{5, 5});                    // a rubber band closing on itself
      c.LineTo(Point{5, 30});
      c.LineTo(Point{50, 30});
      c.LineTo(Point{50, 5});
      c.LineTo(Point{5, 5});
      c.Rectangle(Rect{30, 10, 45, 20});
    };
    cursor();
    const RgbImage once = c.ToRgbImage();
    if (op == RasterOp::Not) {
      const Color under = before.At(22, 20);
      EXPECT_EQ(once.At(22, 20), Rgb(255 - under.red, 255 - under.green, 255 - under.blue));
      EXPECT_EQ(once.At(5, 5), Rgb(245, 55, 225));  // each corner inverted exactly once
      EXPECT_EQ(once.At(50, 30), Rgb(165, 195, 15));
    }
    EXPECT_NE(once, before);
    cursor();
    EXPECT_EQ(c.ToRgbImage(), before) << "raster op " << static_cast<int>(op);
  }
}

TEST(RasterCanvas, ClipKeepsDrawingInsideTheRectangle) {
  RasterCanvas c(30, 30);
  c.SelectPen(NullPen());
  c.SelectBrush(SolidBrush(kRed));
  c.Save();
  c.IntersectClipRect(Rect{10, 10, 20, 20});
  c.Rectangle(Rect{0, 0, 30, 30});
  c.Restore();
  c.SelectBrush(SolidBrush(kBlue));
  c.Rectangle(Rect{0, 0, 5, 5});  // the clip went with the restore
  const RgbImage img = c.ToRgbImage();
  EXPECT_EQ(img.At(10, 10), kRed);
  EXPECT_EQ(img.At(19, 19), kRed);
  EXPECT_EQ(img.At(9, 15), kWhite);
  EXPECT_EQ(img.At(20, 15), kWhite);
  EXPECT_EQ(img.At(2, 2), kBlue);
}

TEST(RasterCanvas, PixelBlocksCopyOutAndBackAndStretch) {
  RasterCanvas c(20, 20);
  c.SelectPen(NullPen());
  c.SelectBrush(SolidBrush(kRed));
  c.Rectangle(Rect{4, 4, 8, 8});
  const RgbImage saved = c.ReadPixels(Rect{2, 2, 10, 10});  // a button's background
  EXPECT_EQ(saved.Width(), 8);
  EXPECT_EQ(saved.At(2, 2), kRed);
  EXPECT_EQ(saved.At(1, 1), kWhite);
  c.SelectBrush(SolidBrush(kBlue));
  c.Rectangle(Rect{0, 0, 20, 20});  // the button drawn over it
  c.DrawImage(Rect{2, 2, 10, 10}, saved);
  EXPECT_EQ(c.ReadPixels(Rect{2, 2, 10, 10}), saved);
  EXPECT_EQ(c.ToRgbImage().At(0, 0), kBlue);

  RgbImage two(2, 1);
  two.Set(0, 0, kBlack);
  two.Set(1, 0, kRed);
  c.DrawImage(Rect{10, 12, 16, 15}, two);  // each pixel three wide, three high
  const RgbImage img = c.ToRgbImage();
  for (int y = 12; y < 15; ++y) {
    for (int x = 10; x < 16; ++x) EXPECT_EQ(img.At(x, y), x < 13 ? kBlack : kRed) << x << "," << y;
  }
  // Outside the surface reads white.
  const RgbImage edge = c.ReadPixels(Rect{18, 18, 22, 22});
  EXPECT_EQ(edge.At(0, 0), kBlue);
  EXPECT_EQ(edge.At(3, 3), kWhite);
}

TEST(RasterCanvas, ArcsRunCounterClockwiseFromStartToEnd) {
  RasterCanvas c(41, 41);
  // From twelve o'clock counter-clockwise to nine o'clock: the upper left
  // quarter only.
  c.Arc(Rect{0, 0, 41, 41}, Point{20, 0}, Point{0, 20});
  RgbImage img = c.ToRgbImage();
  int upperLeft = 0, elsewhere = 0;
  for (int y = 0; y < 41; ++y) {
    for (int x = 0; x < 41; ++x) {
      if (img.At(x, y) == kWhite) continue;
      (x <= 21 && y <= 21 ? upperLeft : elsewhere)++;
    }
  }
  EXPECT_GT(upperLeft, 20);
  EXPECT_EQ(elsewhere, 0);

  c.Erase(kWhite);
  c.Arc(Rect{0, 0, 41, 41}, Point{20, 0}, Point{20, 0});  // equal rays: the whole circle
  img = c.ToRgbImage();
  for (Point p : {Point{20, 0}, Point{0, 20}, Point{20, 40}, Point{40, 20}}) {
    bool near = false;
    for (int dy = -1; dy <= 1; ++dy) {
      for (int dx = -1; dx <= 1; ++dx) {
        const int x = p.x + dx, y = p.y + dy;
        if (x >= 0 && x < 41 && y >= 0 && y < 41 && img.At(x, y) != kWhite) near = true;
      }
    }
    EXPECT_TRUE(near) << p.x << "," << p.y;
  }
  EXPECT_EQ(img.At(20, 20), kWhite);
}

TEST(RasterCanvas, FilledEllipseStaysInItsBox) {
  RasterCanvas c(30, 30);
  c.SelectPen(SolidPen(kRed));
  c.SelectBrush(SolidBrush(kRed));
  c.Ellipse(Rect{5, 5, 25, 25});
  const RgbImage img = c.ToRgbImage();
  EXPECT_EQ(img.At(15, 15), kRed);
  EXPECT_EQ(img.At(5, 5), kWhite);
  EXPECT_EQ(img.At(24, 24), kWhite);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 30; ++x) {
      if (img.At(x, y) != kWhite) {
        EXPECT_TRUE(x >= 5 && x < 25 && y >= 5 && y < 25) << x << "," << y;
      }
    }
  }
}

TEST(RasterCanvas, ResizeKeepsThePixelsAtTheTopLeft) {
  RasterCanvas c(10, 10);
  c.SelectPen(NullPen());
  c.SelectBrush(SolidBrush(kRed));
  c.Rectangle(Rect{0, 0, 10, 10});
  c.Resize(15, 12, kBlue);
  EXPECT_EQ(c.Width(), 15);
  EXPECT_EQ(c.Height(), 12);
  const RgbImage img = c.ToRgbImage();
  EXPECT_EQ(img.At(9, 9), kRed);
  EXPECT_EQ(img.At(10, 9), kBlue);
  EXPECT_EQ(img.At(3, 11), kBlue);
  // A minimised window has no client area; its canvas still takes drawing.
  RasterCanvas empty(0, 0);
  empty.DrawLine(Point{0, 0}, Point{5, 5});
  EXPECT_EQ(empty.Width(), 1);
  EXPECT_EQ(empty.ToRgbImage().Height(), 1);
}

TEST(RasterCanvas, ScreenshotOfAWindowAreaAsBmp) {
  RasterCanvas c(101, 40);  // an odd width: rows of 304 bytes
  c.SelectPen(NullPen());
  c.SelectBrush(SolidBrush(Rgb(200, 100, 50)));
  c.Rectangle(Rect{0, 30, 10, 40});  // bottom left corner
  const std::vector<std::uint8_t> bmp = EncodeBmp24(c.ReadPixels(Rect{0, 0, 101, 40}));
  ASSERT_EQ(bmp.size(), 54u + 304u * 40u);
  // The first stored row is the bottom one, blue first.
  EXPECT_EQ(bmp[54], 50);
  EXPECT_EQ(bmp[55], 100);
  EXPECT_EQ(bmp[56], 200);
  EXPECT_EQ(bmp[54 + 30], 255);  // column 10 is white
  EXPECT_EQ(bmp, EncodeBmp24(c.ToRgbImage()));
}

}  // namespace
}  // namespace platform
