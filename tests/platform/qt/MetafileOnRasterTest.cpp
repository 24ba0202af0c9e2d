// A recorded plot-like picture replayed onto the raster canvas the way a
// window shows it: stretched from the 1399 x 1000 plot space onto the client
// area, fonts scaled with it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Metafile.h"
#include "platform/qt/RasterCanvas.h"

namespace platform {
namespace {

const Rect kFrame{69, 75, 1329, 475};

Metafile PlotLikePicture() {
  MetafileRecorder rec;
  rec.SetWindowExtent(Size{1399, 1000});
  rec.SelectPen(NullPen());
  rec.SelectBrush(SolidBrush(kWhite));
  rec.Rectangle(Rect{61, 67, 1337, 503});
  rec.SelectBrush(SolidBrush(Rgb(230, 250, 230)));
  rec.Rectangle(Rect{400, 75, 600, 475});
  // A decaying curve with filled circles.
  rec.SelectPen(SolidPen(Rgb(255, 0, 0)));
  rec.SelectBrush(SolidBrush(Rgb(255, 0, 0)));
  std::vector<Point> curve;
  for (int i = 0; i <= 20; ++i) {
    const int x = kFrame.left + i * 63;
    const int y = kFrame.bottom - static_cast<int>(380 * std::exp(-i / 6.0));
    curve.push_back(Point{x, y});
    rec.Ellipse(Rect{x - 10, y - 10, x + 10, y + 10});
  }
  rec.Polyline(curve);
  rec.SelectBrush(NullBrush());
  rec.SelectPen(BlackPen());
  rec.Rectangle(kFrame);
  rec.SetBackgroundMode(BackgroundMode::Transparent);
  Font ticks;
  ticks.height = 17;
  ticks.family = FontFamily::Roman;
  rec.SelectFont(ticks);
  rec.SetTextAlign(TextAlign{HAlign::Center, VAlign::Top});
  for (int k = 0; k <= 4; ++k) {
    const int x = kFrame.left + k * 315;
    rec.DrawLine(Point{x, kFrame.bottom}, Point{x, kFrame.bottom + 8});
    rec.TextOut(Point{x, kFrame.bottom + 10}, std::to_string(6.0 + 0.3 * k).substr(0, 3));
  }
  Font yTitle = ticks;
  yTitle.height = 19;
  yTitle.escapement = 900;
  rec.SelectFont(yTitle);
  rec.SetTextAlign(TextAlign{HAlign::Center, VAlign::Bottom});
  rec.TextOut(Point{kFrame.left - 42, 275}, "signal (fringes)");
  Font top = ticks;
  top.height = 32;
  rec.SelectFont(top);
  rec.SetTextAlign(TextAlign{HAlign::Center, VAlign::Top});
  rec.TextOut(Point{699, 75 - 32 - 2}, "Sedimentation velocity data");
  return rec.Close();
}

TEST(MetafileOnRaster, WindowReplayScalesShapesAndText) {
  RasterCanvas window(700, 500);
  PlotLikePicture().PlayInto(window, Rect{0, 0, 700, 500});
  const RgbImage img = window.ToRgbImage();
  // The frame at half size: columns 35 and 664, rows 38 and 237.
  EXPECT_EQ(img.At(35, 150), kBlack);
  EXPECT_EQ(img.At(664, 150), kBlack);
  EXPECT_EQ(img.At(100, 38), kBlack);
  EXPECT_EQ(img.At(100, 237), kBlack);
  // The shaded band between logical x 400 and 600.
  EXPECT_EQ(img.At(250, 60), Rgb(230, 250, 230));
  // The y title reads upwards left of the frame: ink between the window's
  // edge and the frame, spread over rows well above and below its middle.
  int titleInk = 0, top = 500, bottom = 0;
  for (int y = 40; y < 237; ++y) {
    for (int x = 0; x < 30; ++x) {
      if (img.At(x, y) != kWhite) {
        ++titleInk;
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  EXPECT_GT(titleInk, 30);
  EXPECT_GT(bottom - top, 50);
  if (const char* keep = std::getenv("TALUVO_KEEP_RENDERINGS")) {
    window.SavePng(std::string(keep) + "/metafile_on_raster.png");
  }
}

}  // namespace
}  // namespace platform
