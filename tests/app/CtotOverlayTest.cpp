// The mean field ctot(r,t) over the data plot: command 1105 shows it only
// when there is something to show, the first paint widens the signal axis
// to the profiles, the profiles are drawn in their colour, and Esc hides
// them.
#include <gtest/gtest.h>

#include <fstream>

#include "app/PlotInteractionFixture.h"
#include "app/commands/CtotCommands.h"
#include "distributions/CtotMovie.h"
#include "platform/Window.h"

namespace {

class CtotOverlay : public PlotInteraction {
 protected:
  void SetUp() override {
    PlotInteraction::SetUp();
    ModelSelection.Kind = ModelKind::NonidealCS;
    LoadScans();
    InstallCtotOverlay(*window);
  }
  void TearDown() override {
    RemoveCtotOverlay();
    DeleteCtotMovie();
    CtotMovieLinks = CtotMovieLinksRecord{};
    PlotInteraction::TearDown();
  }
  // Two frames over 6.1, 6.5 and 6.9 cm that end at 2 mg/ml.
  void LoadFrames() {
    const std::string path = (folder_.path() / "field.ctot").string();
    std::ofstream(path) << "2 3 6.0 7.2 1.0 50000\n100 200 \n6.1 6.5 6.9 \n0.5 1.0 2.0 \n"
                           "0.2 1.0 2.0 \n";
    EnsureCtotMovie();
    ASSERT_EQ(pCtotMovie->Read(path), 1);
  }
  // Whether the profile colour is painted within 2 pixels of (r, c).
  bool ProfileAt(float r, float c) {
    const CWINPlot& plot = *display::MainPlots.DataPlot;
    const int x = display::ValueToWindowX(plot, r);
    const int y = display::PlotRowToWindowY(static_cast<float>(plot.MapY(c)));
    const platform::RgbImage image = window->Host()->Snapshot();
    for (int dx = -2; dx <= 2; ++dx)
      for (int dy = -2; dy <= 2; ++dy)
        if (image.At(x + dx, y + dy) == platform::Rgb(100, 100, 244)) return true;
    return false;
  }

 private:
  ScratchFolder folder_;
};

TEST_F(CtotOverlay, NothingToShowLeavesTheDisplayAlone) {
  window->OnCommand(1105);
  EXPECT_FALSE(CtotOverlayShown);
  // A model field in use is shown, made into frames at the paint.
  CtotMovieLinks.FieldInUse = [] { return true; };
  window->OnCommand(1105);
  EXPECT_TRUE(CtotOverlayShown);
}

TEST_F(CtotOverlay, TheFirstPaintWidensTheAxisThenTheProfilesShowUntilEsc) {
  LoadFrames();
  CWINPlot& plot = *display::MainPlots.DataPlot;
  plot.SetRanges(5.9f, 7.1f, 0.1f, 0.5f);
  plot.Render();
  window->OnCommand(1105);
  ASSERT_TRUE(CtotOverlayShown);
  Paint();
  EXPECT_NEAR(plot.fYMin, -0.1f, 1e-6f);
  EXPECT_NEAR(plot.fYMax, 2.2f, 1e-6f);
  Paint();
  EXPECT_TRUE(ProfileAt(6.5f, 1.0f));
  EXPECT_TRUE(ProfileAt(6.9f, 2.0f));
  // An axis that spans the profiles already is kept.
  Paint();
  EXPECT_NEAR(plot.fYMax, 2.2f, 1e-6f);

  Char(platform::key::Escape);
  EXPECT_FALSE(CtotOverlayShown);
  Paint();
  EXPECT_FALSE(ProfileAt(6.5f, 1.0f));
}

}  // namespace
