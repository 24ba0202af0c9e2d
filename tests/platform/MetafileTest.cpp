// Recording a picture and replaying it: the operations survive the trip, the
// player's mapping places them, and the player's state is left as it was.
#include <gtest/gtest.h>

#include <vector>

#include "platform/Metafile.h"
#include "platform/RecordingCanvas.h"

namespace platform {
namespace {

// A small picture in the plot space of 1399 x 1000 units.
Metafile PlotLikePicture() {
  MetafileRecorder rec;
  rec.SetWindowExtent(Size{1399, 1000});
  rec.SelectPen(SolidPen(Rgb(255, 0, 0)));
  rec.SelectBrush(SolidBrush(Rgb(0, 0, 255)));
  rec.DrawLine(Point{0, 0}, Point{1399, 1000});
  rec.Rectangle(Rect{69, 75, 1329, 475});
  const std::vector<Point> corners{{100, 900}, {200, 800}, {300, 900}};
  rec.Polygon(corners);
  Font title;
  title.height = 32;
  rec.SelectFont(title);
  rec.SetTextAlign(TextAlign{HAlign::Center, VAlign::Top});
  rec.TextOut(Point{699, 40}, "Title");
  return rec.Close();
}

TEST(Metafile, ReplayInTextModeDrawsAtTheRecordedCoordinates) {
  const Metafile picture = PlotLikePicture();
  RecordingCanvas device;
  picture.Play(device);
  ASSERT_EQ(device.Calls().size(), 4u);
  const DrawCall& line = device.Calls()[0];
  EXPECT_EQ(line.kind, DrawKind::Line);
  EXPECT_EQ(line.points, (std::vector<Point>{{0, 0}, {1399, 1000}}));
  EXPECT_EQ(line.pen.color, Rgb(255, 0, 0));
  const DrawCall& rect = device.Calls()[1];
  EXPECT_EQ(rect.rect, (Rect{69, 75, 1329, 475}));
  EXPECT_EQ(rect.brush.color, Rgb(0, 0, 255));
  EXPECT_EQ(device.Calls()[2].points, (std::vector<Point>{{100, 900}, {200, 800}, {300, 900}}));
  const DrawCall& text = device.Calls()[3];
  EXPECT_EQ(text.text, "Title");
  EXPECT_EQ(text.points[0], (Point{699, 40}));
  EXPECT_EQ(text.align, (TextAlign{HAlign::Center, VAlign::Top}));
  EXPECT_DOUBLE_EQ(text.fontHeight, 32.0);
}

struct PlayCase {
  const char* name;
  Rect target;
  PlayFit fit;
  Point farCorner;  // where logical (1399, 1000) lands
  Rect frame;       // where the rectangle (69, 75)-(1329, 475) lands
  double fontHeight;
};

TEST(Metafile, PlayIntoMapsThePictureOntoTheTargetRectangle) {
  const PlayCase cases[] = {
      // 700 / 1399 = 0.50036 per unit across, 250 / 1000 down.
      {"stretched", Rect{0, 0, 700, 250}, PlayFit::Stretch, {700, 250}, {35, 19, 665, 119}, 8.0},
      {"stretched and moved",
       Rect{100, 50, 800, 300},
       PlayFit::Stretch,
       {800, 300},
       {135, 69, 765, 169},
       8.0},
      // One scale for both axes: 700 wide allows 0.50036 per unit, so the
      // picture is 500 high however tall the target is.
      {"aspect kept",
       Rect{0, 0, 700, 700},
       PlayFit::KeepAspect,
       {700, 500},
       {35, 38, 665, 238},
       16.0},
      // Twice the plot space: 2798 x 2000 pixels.
      {"enlarged",
       Rect{0, 0, 2798, 2000},
       PlayFit::Stretch,
       {2798, 2000},
       {138, 150, 2658, 950},
       64.0},
  };
  const Metafile picture = PlotLikePicture();
  for (const PlayCase& c : cases) {
    RecordingCanvas device;
    picture.PlayInto(device, c.target, c.fit);
    ASSERT_EQ(device.Calls().size(), 4u) << c.name;
    EXPECT_EQ(device.Calls()[0].points[0], (Point{c.target.left, c.target.top})) << c.name;
    EXPECT_EQ(device.Calls()[0].points[1], c.farCorner) << c.name;
    EXPECT_EQ(device.Calls()[1].rect, c.frame) << c.name;
    EXPECT_NEAR(device.Calls()[3].fontHeight, c.fontHeight, 0.02) << c.name;
  }
}

TEST(Metafile, PlayUsesTheCallersMappingAndPutsTheStateBack) {
  const Metafile picture = PlotLikePicture();
  RecordingCanvas device;
  device.SetMapMode(MapMode::Anisotropic);
  device.SetWindowExtent(Size{1399, 1000});
  device.SetViewportExtent(Size{1399, -1000});  // y upwards
  device.SetViewportOrigin(Point{0, 1000});
  const Pen mine = SolidPen(Rgb(1, 2, 3));
  device.SelectPen(mine);
  device.MoveTo(Point{5, 6});

  picture.Play(device);

  EXPECT_EQ(device.Calls()[0].points[1], (Point{1399, 0}));
  EXPECT_EQ(device.Calls()[1].rect, (Rect{69, 525, 1329, 925}));
  EXPECT_EQ(device.SelectPen(BlackPen()), mine);
  EXPECT_EQ(device.CurrentPosition(), (Point{5, 6}));
  EXPECT_EQ(device.State().mapping.ViewportExtent(), (Size{1399, -1000}));
}

TEST(Metafile, ARecordingThatSavesWithoutRestoringLeavesThePlayerAsItWas) {
  MetafileRecorder rec;
  rec.Save();
  rec.SelectPen(SolidPen(Rgb(255, 0, 0)));
  rec.Save();
  rec.SetMapMode(MapMode::Anisotropic);
  const Metafile unbalanced = rec.Close();
  RecordingCanvas device;
  const Pen mine = SolidPen(Rgb(9, 9, 9));
  device.SelectPen(mine);
  unbalanced.Play(device);
  EXPECT_EQ(device.SelectPen(BlackPen()), mine);
  EXPECT_EQ(device.State().mapping.Mode(), MapMode::Text);
  EXPECT_FALSE(device.Restore());
}

TEST(Metafile, CopiesShareTheOperationsAndReleaseOnlyTheirOwnShare) {
  Metafile first = PlotLikePicture();
  const Metafile copy = first;
  EXPECT_EQ(&first.Operations(), &copy.Operations());
  first.Release();
  EXPECT_TRUE(first.IsNull());
  EXPECT_TRUE(first.Operations().empty());
  EXPECT_FALSE(copy.IsNull());
  EXPECT_EQ(copy.WindowExtent(), (Size{1399, 1000}));
  RecordingCanvas device;
  first.Play(device);
  EXPECT_TRUE(device.Calls().empty());
  copy.Play(device);
  EXPECT_EQ(device.Calls().size(), 4u);
}

TEST(Metafile, CloseStartsAFreshRecording) {
  MetafileRecorder rec;
  rec.SelectPen(SolidPen(Rgb(255, 0, 0)));
  rec.LineTo(Point{3, 3});
  const Metafile first = rec.Close();
  rec.LineTo(Point{4, 4});
  const Metafile second = rec.Close();
  EXPECT_EQ(first.Operations().size(), 2u);
  ASSERT_EQ(second.Operations().size(), 1u);
  EXPECT_EQ(std::get<OpLineTo>(second.Operations()[0]).point, (Point{4, 4}));
  EXPECT_FALSE(second.WindowExtent().has_value());
  // The recorder forgot the red pen with the first recording.
  EXPECT_EQ(rec.SelectPen(BlackPen()), BlackPen());
}

TEST(Metafile, RecorderReturnsWhatItReplaces) {
  MetafileRecorder rec;
  EXPECT_EQ(rec.SelectPen(NullPen()), BlackPen());
  EXPECT_EQ(rec.SelectBrush(NullBrush()), WhiteBrush());
  EXPECT_EQ(rec.SetBackgroundMode(BackgroundMode::Transparent), BackgroundMode::Opaque);
  EXPECT_EQ(rec.MoveTo(Point{7, 8}), (Point{0, 0}));
  rec.Save();
  rec.SelectPen(SolidPen(Rgb(1, 1, 1)));
  rec.MoveTo(Point{1, 1});
  EXPECT_TRUE(rec.Restore());
  EXPECT_EQ(rec.SelectPen(BlackPen()), NullPen());
  EXPECT_EQ(rec.CurrentPosition(), (Point{7, 8}));
  EXPECT_TRUE(rec.ReadPixels(Rect{0, 0, 5, 5}).IsEmpty());
}

TEST(Metafile, ImagesTravelWithTheRecording) {
  RgbImage block(3, 2, Rgb(10, 20, 30));
  block.Set(2, 1, Rgb(200, 0, 0));
  MetafileRecorder rec;
  rec.SetWindowExtent(Size{100, 100});
  rec.DrawImage(Rect{10, 10, 40, 30}, block);
  block.Set(0, 0, kBlack);  // the recording holds its own copy
  const Metafile picture = rec.Close();
  const auto& op = std::get<OpImage>(picture.Operations()[1]);
  EXPECT_EQ(op.image->At(0, 0), Rgb(10, 20, 30));
  EXPECT_EQ(op.image->At(2, 1), Rgb(200, 0, 0));
  RecordingCanvas device;
  picture.PlayInto(device, Rect{0, 0, 200, 200});
  ASSERT_EQ(device.Calls().size(), 1u);
  EXPECT_EQ(device.Calls()[0].rect, (Rect{20, 20, 80, 60}));
  EXPECT_EQ(device.Calls()[0].imageSize, (Size{3, 2}));
}

}  // namespace
}  // namespace platform
