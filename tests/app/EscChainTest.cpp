// Esc on the main window ends one transient thing after another in a fixed
// order: the steps that stop the chain (a scan tool, the concentration
// overlay, a pending line move) each take one press, everything after them
// waits for the next; the steps that do not stop all run on the same press.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/PlotInteractionFixture.h"
#include "app/viewcmds/ViewLinks.h"
#include "distributions/CtotMovie.h"
#include "state/ScreenModes.h"

namespace {

class EscChain : public PlotInteraction {
 protected:
  void SetUp() override {
    PlotInteraction::SetUp();
    LoadScans();
    ModelParameters.Meniscus = 6.0f;
    ModelParameters.Bottom = 7.2f;
    ScanDataSet.FitLeftLim = 6.2f;
    ScanDataSet.FitRightLim = 6.9f;
    saved_ = ViewLinks;
    // The scan tools, the equilibrium test and the extrapolation plot are
    // stood in for: each says when it is asked to end.
    ViewLinks.CancelMouseAction = [this] {
      if (!toolActive) return false;
      toolActive = false;
      ended.push_back("tool");
      return true;
    };
    ViewLinks.ResetEqTest = [this](TXLAWindow&) {
      ScreenModes.EqTestScreenActive = false;
      ended.push_back("eq test");
    };
    ViewLinks.CloseExtrapolationPlot = [this] {
      if (!extrapolationShown) return false;
      extrapolationShown = false;
      ended.push_back("extrapolation plot");
      return true;
    };
  }
  void TearDown() override {
    ViewLinks = saved_;
    CtotOverlayShown = false;
    ScreenModes.EqTestScreenActive = false;
    PlotInteraction::TearDown();
  }

  // Everything at once that Esc can end outside the Mw screen.
  void ShowEverything() {
    // A dragged line waits for its confirmation.
    Drag(Column(6.0f), Column(6.5f), DataRow());
    ASSERT_TRUE(LineMoveState.MoveAwaitsConfirm);
    toolActive = true;
    extrapolationShown = true;
    CtotOverlayShown = true;
    ScreenModes.EqTestScreenActive = true;
    ScreenButtons.PeakLabelCount = 1;
    ScreenButtons.PeakLabelsShown = true;
    RangeSelection.RangeRectangleArmed = true;
    RangeSelection.IntegrationPending = true;
  }

  std::vector<std::string> Press() {
    ended.clear();
    Char(platform::key::Escape);
    return ended;
  }

  bool toolActive = false;
  bool extrapolationShown = false;
  std::vector<std::string> ended;

 private:
  ViewLinksRecord saved_;
};

using Ended = std::vector<std::string>;

TEST_F(EscChain, EachStoppingStepTakesOnePressInTheirOrder) {
  ShowEverything();

  // 1: the scan tool only.
  EXPECT_EQ(Press(), Ended{"tool"});
  EXPECT_TRUE(CtotOverlayShown);
  EXPECT_EQ(ScreenButtons.PeakLabelCount, 1);
  EXPECT_TRUE(LineMoveState.MoveAwaitsConfirm);

  // 2: the concentration overlay only.
  EXPECT_EQ(Press(), Ended{});
  EXPECT_FALSE(CtotOverlayShown);
  EXPECT_EQ(ScreenButtons.PeakLabelCount, 1);
  EXPECT_TRUE(LineMoveState.MoveAwaitsConfirm);

  // 3: the peak labels go on the way to the pending move, which is
  // cancelled and stops the chain before the equilibrium test.
  EXPECT_EQ(Press(), Ended{});
  EXPECT_EQ(ScreenButtons.PeakLabelCount, 0);
  EXPECT_FALSE(LineMoveState.MoveAwaitsConfirm);
  EXPECT_FLOAT_EQ(ModelParameters.Meniscus, 6.0f);
  EXPECT_TRUE(ScreenModes.EqTestScreenActive);
  EXPECT_TRUE(RangeSelection.RangeRectangleArmed);

  // 4: the rest in one press: equilibrium test, keyboard cursor, range
  // selection, extrapolation plot.
  CursorLineState.CursorLineShown = true;
  CursorLineState.CursorValue = 6.3f;
  EXPECT_EQ(Press(), (Ended{"eq test", "extrapolation plot"}));
  EXPECT_FALSE(CursorLineState.CursorLineShown);
  EXPECT_FLOAT_EQ(CursorLineState.CursorValue, 0.0f);
  EXPECT_FALSE(RangeSelection.RangeRectangleArmed);
  EXPECT_FALSE(RangeSelection.IntegrationPending);

  // Nothing left to end.
  EXPECT_EQ(Press(), Ended{});
}

TEST_F(EscChain, AKeyboardCursorIsNotAMoveToCancelSoTheChainGoesOn) {
  // A keyboard cursor waiting for Enter: its Esc runs the whole rest of the
  // chain on one press.
  CursorLineState.CursorLineShown = true;
  CursorLineState.Mode = KeyCursorMode::SetFitLimit;
  LineMoveState.MoveAwaitsConfirm = true;
  ScreenModes.EqTestScreenActive = true;
  extrapolationShown = true;
  EXPECT_EQ(Press(), (Ended{"eq test", "extrapolation plot"}));
  EXPECT_FALSE(CursorLineState.CursorLineShown);
  EXPECT_EQ(CursorLineState.Mode, KeyCursorMode::None);
  EXPECT_FALSE(LineMoveState.MoveAwaitsConfirm);
  EXPECT_FLOAT_EQ(ScanDataSet.FitLeftLim, 6.2f);
}

}  // namespace
