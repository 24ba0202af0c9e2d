// The two noise buttons at the top right of the data plot, as the window
// shows them: their captions must be readable whatever the window's size
// was when they were made.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/PlotInteractionFixture.h"

namespace {

class NoiseButtons : public PlotInteraction {
 protected:
  void TearDown() override {
    RemoveNoiseButtons(nullptr);
    PlotInteraction::TearDown();
  }
};

TEST_F(NoiseButtons, CaptionsFitButtonsMadeInASmallWindow) {
  // The buttons keep the size they were made with, so a small window at
  // their making leaves small buttons for a window enlarged afterwards.
  LoadScans();
  window->Host()->ResizeClient({1000, 700});
  Paint();
  PlaceNoiseButtons(nullptr);
  window->Host()->ResizeClient({1400, 1000});
  Paint();
  const platform::RgbImage image = window->Host()->Snapshot();
  // Besides the sides, the row under the top edge stays clear: a button
  // lower than its font cuts the caption's top.
  for (const auto* slot : {&ScreenButtons.RemoveNoiseButton, &ScreenButtons.RestoreTINoiseButton}) {
    ASSERT_TRUE(*slot);
    const CScreenButton& b = **slot;
    SCOPED_TRACE(b.Caption);
    ExpectWholeCaption(image, b);
    const int top = std::min(b.RectTop, b.RectBottom) + 1;
    EXPECT_EQ(CaptionPixels(image, b.RectLeft + 3, b.RectRight - 2, top, top), 0);
  }
}

}  // namespace
