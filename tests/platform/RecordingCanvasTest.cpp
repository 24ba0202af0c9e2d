// The device-side state every backend shares: clipping fixed in device
// pixels, pen widths and font heights through the mapping, the current
// position, and the state stack.
#include <gtest/gtest.h>

#include "platform/RecordingCanvas.h"

namespace platform {
namespace {

void HalfScale(Canvas& c) {
  c.SetMapMode(MapMode::Anisotropic);
  c.SetWindowExtent(Size{1000, 1000});
  c.SetViewportExtent(Size{500, 250});
}

TEST(RecordingCanvas, ClipIsFixedWhenSetAndNarrowsOnEachIntersection) {
  RecordingCanvas c;
  HalfScale(c);
  c.IntersectClipRect(Rect{200, 400, 600, 0});  // given upside down
  c.SetMapMode(MapMode::Text);                  // a later mapping does not move it
  c.IntersectClipRect(Rect{0, 50, 250, 80});
  c.Rectangle(Rect{0, 0, 10, 10});
  ASSERT_EQ(c.Calls().size(), 1u);
  EXPECT_EQ(c.Calls()[0].clip, (Rect{100, 50, 250, 80}));
  c.ResetClip();
  c.Rectangle(Rect{0, 0, 10, 10});
  EXPECT_FALSE(c.Calls()[1].clip.has_value());
}

TEST(RecordingCanvas, PenWidthsAndFontHeightsFollowTheMapping) {
  RecordingCanvas c;
  HalfScale(c);
  c.SelectPen(SolidPen(kBlack, 8));  // 4 pixels across
  Font f;
  f.height = 40;  // 10 pixels down
  c.SelectFont(f);
  c.DrawLine(Point{0, 0}, Point{100, 0});
  c.SelectPen(SolidPen(kBlack, 2));  // one pixel: cosmetic
  c.TextOut(Point{0, 0}, "x");
  ASSERT_EQ(c.Calls().size(), 2u);
  EXPECT_EQ(c.Calls()[0].penWidth, 4);
  EXPECT_EQ(c.Calls()[1].penWidth, 0);
  EXPECT_DOUBLE_EQ(c.Calls()[1].fontHeight, 10.0);
}

TEST(RecordingCanvas, NullPenDrawsNoLineButMovesThePosition) {
  RecordingCanvas c;
  c.SelectPen(NullPen());
  c.LineTo(Point{10, 20});
  c.Arc(Rect{0, 0, 10, 10}, Point{5, 0}, Point{5, 0});
  const Point corners[] = {{0, 0}, {5, 5}};
  c.Polyline(corners);
  EXPECT_TRUE(c.Calls().empty());
  EXPECT_EQ(c.CurrentPosition(), (Point{10, 20}));
}

TEST(RecordingCanvas, SaveAndRestoreCoverPositionMappingAndObjects) {
  RecordingCanvas c;
  c.MoveTo(Point{3, 4});
  c.Save();
  HalfScale(c);
  c.SelectBrush(NullBrush());
  c.SetRasterOp(RasterOp::Not);
  c.MoveTo(Point{100, 100});
  EXPECT_TRUE(c.Restore());
  EXPECT_FALSE(c.Restore());
  EXPECT_EQ(c.CurrentPosition(), (Point{3, 4}));
  c.LineTo(Point{100, 100});
  ASSERT_EQ(c.Calls().size(), 1u);
  EXPECT_EQ(c.Calls()[0].points, (std::vector<Point>{{3, 4}, {100, 100}}));
  EXPECT_EQ(c.Calls()[0].rasterOp, RasterOp::CopyPen);
  EXPECT_EQ(c.Calls()[0].brush, WhiteBrush());
}

TEST(RecordingCanvas, TextAtTheCurrentPositionAdvancesAlongTheBaseline) {
  RecordingCanvas c;
  Font f;
  f.height = -10;  // em of 10: six units per character by the estimate
  c.SelectFont(f);
  c.SetTextAlign(TextAlign{HAlign::Left, VAlign::Baseline, true});
  c.MoveTo(Point{100, 50});
  c.TextOut(Point{0, 0}, "abcde");
  EXPECT_EQ(c.Calls()[0].points[0], (Point{100, 50}));
  EXPECT_EQ(c.CurrentPosition(), (Point{130, 50}));
  c.SetTextAlign(TextAlign{HAlign::Right, VAlign::Baseline, true});
  c.TextOut(Point{0, 0}, "ab");
  EXPECT_EQ(c.CurrentPosition(), (Point{118, 50}));
  f.escapement = 900;  // reading upwards: the position climbs
  c.SelectFont(f);
  c.SetTextAlign(TextAlign{HAlign::Left, VAlign::Baseline, true});
  c.TextOut(Point{0, 0}, "abc");
  EXPECT_EQ(c.CurrentPosition(), (Point{118, 32}));
  c.SetTextAlign(TextAlign{HAlign::Center, VAlign::Top, true});
  c.TextOut(Point{0, 0}, "abc");
  EXPECT_EQ(c.CurrentPosition(), (Point{118, 32}));
}

TEST(RecordingCanvas, TextExtentIsInLogicalUnits) {
  RecordingCanvas c;
  Font f;
  f.height = -100;
  c.SelectFont(f);
  const Size plain = c.TextExtent("0.25");
  HalfScale(c);
  const Size mapped = c.TextExtent("0.25");
  EXPECT_EQ(plain, (Size{240, 116}));
  // Glyphs keep their proportions (scaled by the vertical factor), so the
  // width in logical units grows where the horizontal scale is larger.
  EXPECT_EQ(mapped.height, 116);
  EXPECT_EQ(mapped.width, 120);
}

}  // namespace
}  // namespace platform
