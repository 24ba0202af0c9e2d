#pragma once
// Helpers of the widget tests: the display's records and the plot-space link
// at their defaults (drawing allowed only when a test says so, the recorded
// client size as a test sets it), and a recording canvas that also
// keeps pixels for what the widgets copy in and out (saved backgrounds) and
// for straight lines, so that a test can see a window put back as it was.

#include <gtest/gtest.h>

#include <utility>

#include "state/DisplayState.h"
#include "state/MainPlotLayout.h"
#include "platform/RecordingCanvas.h"
#include "support/TestSupport.h"
#include "ui/WidgetLinks.h"

class WidgetTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ResetDisplayRecords();
  }
  void TearDown() override {
    ResetDisplayRecords();
    HeadlessTest::TearDown();
  }
  static void AllowDrawing(bool allowed) { DrawingAllowed = allowed; }
  static void RecordClientSize(float width, float height) {
    MainPlotLayout.ClientWidth = width;
    MainPlotLayout.ClientHeight = height;
  }

 private:
  static void ResetDisplayRecords() {
    WidgetLinks = WidgetLinksRecord{};
    DrawingAllowed = false;
    MainPlotLayout = MainPlotLayoutRecord{};
  }
};

class PixelCanvas : public platform::RecordingCanvas {
 public:
  explicit PixelCanvas(platform::RgbImage start) : pixels(std::move(start)) {}
  platform::RgbImage pixels;

 protected:
  // Horizontal and vertical lines in the pen colour, the last point left out.
  void DrawDeviceLine(platform::Point from, platform::Point to) override {
    RecordingCanvas::DrawDeviceLine(from, to);
    const int dx = (to.x > from.x) - (to.x < from.x), dy = (to.y > from.y) - (to.y < from.y);
    if (dx != 0 && dy != 0) return;
    for (platform::Point p = from; !(p == to); p.x += dx, p.y += dy)
      Put(p.x, p.y, State().pen.color);
  }
  void DrawDeviceImage(const platform::Rect& d, const platform::RgbImage& image) override {
    RecordingCanvas::DrawDeviceImage(d, image);
    for (int y = d.top; y < d.bottom; ++y)
      for (int x = d.left; x < d.right; ++x)
        Put(x, y,
            image.At((x - d.left) * image.Width() / d.Width(),
                     (y - d.top) * image.Height() / d.Height()));
  }
  platform::RgbImage ReadDevicePixels(const platform::Rect& area) override {
    platform::RgbImage out(area.Width(), area.Height());
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x)
        if (Inside(x, y)) out.Set(x - area.left, y - area.top, pixels.At(x, y));
    return out;
  }

 private:
  bool Inside(int x, int y) const {
    return x >= 0 && y >= 0 && x < pixels.Width() && y < pixels.Height();
  }
  void Put(int x, int y, platform::Color c) {
    if (Inside(x, y)) pixels.Set(x, y, c);
  }
};

// A picture of distinct colours, so that a pixel put back in the wrong place
// shows.
inline platform::RgbImage Pattern(int width, int height) {
  platform::RgbImage image(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.Set(x, y, platform::Rgb(x * 7, y * 11, x * y));
  return image;
}
