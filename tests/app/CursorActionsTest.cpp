// Cursor lines of the data plot moved with the mouse and the keyboard on the
// headless main window: the grab zone, the confirmation rules and their
// clamps, the keyboard cursor, and the confirm/cancel pair.
#include <gtest/gtest.h>

#include "app/PlotInteractionFixture.h"
#include "state/ComputationAbort.h"

using platform::MessageKind;

namespace {

class CursorActions : public PlotInteraction {
 protected:
  void SetUp() override {
    PlotInteraction::SetUp();
    LoadScans();
    ModelParameters.Meniscus = 6.0f;
    ModelParameters.Bottom = 7.2f;
    FitControl.MINMENISCUS = 5.9f;
    FitControl.MAXMENISCUS = 6.1f;
    FitControl.MINBOTTOM = 7.1f;
    FitControl.MAXBOTTOM = 7.3f;
    ScanDataSet.FitLeftLim = 6.2f;
    ScanDataSet.FitRightLim = 6.9f;
  }
  // One plot unit of the mapping, in cm: a value taken from a column can
  // be off by as much.
  static constexpr float kPixel = 0.0015f;
};

TEST_F(CursorActions, APressWithinOnePixelGrabsTheLineTwoPixelsDoNot) {
  const int m = Column(6.0f);
  const struct {
    int offset;
    bool grabbed;
  } cases[] = {{0, true}, {1, true}, {-1, true}, {2, false}, {-2, false}};
  for (const auto& c : cases) {
    ResetInteractionRecords();
    Send(MessageKind::LeftButtonDown, m + c.offset, DataRow());
    EXPECT_EQ(LineMoveState.LineDragActive, c.grabbed) << c.offset;
    EXPECT_EQ(LineMoveState.IsSelected(CursorLineKind::MeniscusLine), c.grabbed) << c.offset;
    Send(MessageKind::LeftButtonUp, m + c.offset, DataRow());
  }
}

TEST_F(CursorActions, FitLimitWinsOverTheMeniscusOnTheSameColumn) {
  ScanDataSet.FitLeftLim = 6.0f;
  Send(MessageKind::LeftButtonDown, Column(6.0f), DataRow());
  EXPECT_TRUE(LineMoveState.IsSelected(CursorLineKind::FitLeftLine));
  EXPECT_FALSE(LineMoveState.IsSelected(CursorLineKind::MeniscusLine));
}

TEST_F(CursorActions, NoLineIsGrabbedInTheGapBelowTheDataPlot) {
  // While a distribution plot is shown the data plot ends at 350 of 1000;
  // its lines never reach the gap down to the old edge at 475.
  MainPlotLayout.DataBottom = 350;
  Send(MessageKind::LeftButtonDown, Column(6.0f), 400);
  EXPECT_FALSE(LineMoveState.LineDragActive);
  Send(MessageKind::LeftButtonDown, Column(6.0f), 340);
  EXPECT_TRUE(LineMoveState.LineDragActive);
}

TEST_F(CursorActions, DraggingTheMeniscusPastItsRangeMovesRangeAndLimit) {
  Drag(Column(6.0f), Column(6.5f), DataRow());
  EXPECT_TRUE(LineMoveState.MoveAwaitsConfirm);
  ASSERT_TRUE(ScreenButtons.MoveConfirmButton);
  EXPECT_EQ(ScreenButtons.MoveConfirmButton->Caption, "confirm");
  EXPECT_FLOAT_EQ(ModelParameters.Meniscus, 6.0f);  // nothing changes before the confirmation

  Char(platform::key::Return);
  const float m = ModelParameters.Meniscus;
  EXPECT_NEAR(m, 6.5f, kPixel);
  EXPECT_FLOAT_EQ(FitControl.MAXMENISCUS, m + 0.002f);
  // The rule puts the left limit 0.005 inside; the fit-index update then
  // keeps it 0.01 inside the meniscus.
  EXPECT_FLOAT_EQ(ScanDataSet.FitLeftLim, m + 0.01f);
  EXPECT_FLOAT_EQ(FitControl.MINMENISCUS, 5.9f);
  // The range question follows in the pair's place.
  EXPECT_TRUE(LineMoveState.MeniscusRangeQuestion);
  ASSERT_TRUE(ScreenButtons.MoveConfirmButton);
  EXPECT_EQ(ScreenButtons.MoveConfirmButton->Caption, "move fit limits, too?");
  Char(platform::key::Escape);
  EXPECT_FALSE(LineMoveState.MoveAwaitsConfirm);
  EXPECT_FLOAT_EQ(FitControl.MINMENISCUS, 5.9f);
}

TEST_F(CursorActions, AcceptingTheRangeQuestionShiftsTheRangeByTheMove) {
  FitControl.MAXMENISCUS = 6.2f;
  ScanDataSet.FitLeftLim = 6.3f;
  Drag(Column(6.0f), Column(6.05f), DataRow());
  Char(platform::key::Return);
  const float moved = ModelParameters.Meniscus - 6.0f;
  EXPECT_NEAR(moved, 0.05f, kPixel);
  EXPECT_FLOAT_EQ(FitControl.MAXMENISCUS, 6.2f);
  Char(platform::key::Return);
  EXPECT_NEAR(FitControl.MINMENISCUS, 5.9f + moved, 1e-5f);
  EXPECT_NEAR(FitControl.MAXMENISCUS, 6.2f + moved, 1e-5f);
  EXPECT_FALSE(LineMoveState.MeniscusRangeQuestion);
}

TEST_F(CursorActions, TheLowRangeLinePastTheHighOneSwapsAndPullsTheMeniscus) {
  Drag(Column(5.9f), Column(6.2f), DataRow());
  ASSERT_TRUE(LineMoveState.IsSelected(CursorLineKind::MeniscusLowLine));
  Char(platform::key::Return);
  EXPECT_FLOAT_EQ(FitControl.MINMENISCUS, 6.1f);
  EXPECT_NEAR(FitControl.MAXMENISCUS, 6.2f, kPixel);
  EXPECT_FLOAT_EQ(ModelParameters.Meniscus, 6.1f);
  EXPECT_FALSE(LineMoveState.AnySelected());
}

TEST_F(CursorActions, FitLimitsSwapWhenDraggedPastEachOther) {
  Drag(Column(6.2f), Column(6.95f), DataRow());
  Char(platform::key::Return);
  EXPECT_FLOAT_EQ(ScanDataSet.FitLeftLim, 6.9f);
  EXPECT_NEAR(ScanDataSet.FitRightLim, 6.95f, kPixel);

  // The right limit dragged left of the meniscus: the left one takes the
  // dragged place (raised to the meniscus plus 0.01), the right the old left.
  ScanDataSet.FitLeftLim = 6.2f;
  ScanDataSet.FitRightLim = 6.9f;
  Drag(Column(6.9f), Column(5.95f), DataRow());
  Char(platform::key::Return);
  EXPECT_FLOAT_EQ(ScanDataSet.FitLeftLim, 6.01f);
  EXPECT_FLOAT_EQ(ScanDataSet.FitRightLim, 6.2f);
}

TEST_F(CursorActions, ACancelledMoveChangesNothingAndLeavesNoSelection) {
  const float before[] = {FitControl.MINMENISCUS, FitControl.MAXMENISCUS, ModelParameters.Meniscus};
  Drag(Column(6.1f), Column(6.15f), DataRow());
  // Any other click declines the pending move.
  Send(MessageKind::LeftButtonDown, 50, 900);
  Send(MessageKind::LeftButtonUp, 50, 900);
  EXPECT_FALSE(LineMoveState.MoveAwaitsConfirm);
  EXPECT_FALSE(LineMoveState.AnySelected());
  EXPECT_FALSE(ScreenButtons.MoveConfirmButton);
  EXPECT_FLOAT_EQ(FitControl.MINMENISCUS, before[0]);
  EXPECT_FLOAT_EQ(FitControl.MAXMENISCUS, before[1]);
  EXPECT_FLOAT_EQ(ModelParameters.Meniscus, before[2]);
  // A later move of another line is not affected.
  Drag(Column(6.9f), Column(6.8f), DataRow());
  Char(platform::key::Return);
  EXPECT_NEAR(ScanDataSet.FitRightLim, 6.8f, kPixel);
  EXPECT_FLOAT_EQ(FitControl.MAXMENISCUS, before[1]);
}

TEST_F(CursorActions, ConfirmAndCancelButtonsConfirmAndCancel) {
  Drag(Column(6.9f), Column(6.8f), DataRow());
  ASSERT_TRUE(ScreenButtons.MoveCancelButton);
  const auto& cancel = *ScreenButtons.MoveCancelButton;
  const int cx = static_cast<int>((cancel.RectLeft + cancel.RectRight) / 2 * 1400 / 1399.9999f) + 1;
  const int cy = (cancel.RectTop + cancel.RectBottom) / 2;
  Send(MessageKind::LeftButtonDown, cx, cy);
  EXPECT_FALSE(LineMoveState.MoveAwaitsConfirm);
  EXPECT_FLOAT_EQ(ScanDataSet.FitRightLim, 6.9f);

  Drag(Column(6.9f), Column(6.8f), DataRow());
  const auto& confirm = *ScreenButtons.MoveConfirmButton;
  const int ox = static_cast<int>((confirm.RectLeft + confirm.RectRight) / 2) + 1;
  const int oy = (confirm.RectTop + confirm.RectBottom) / 2;
  Send(MessageKind::LeftButtonDown, ox, oy);
  EXPECT_NEAR(ScanDataSet.FitRightLim, 6.8f, kPixel);
}

TEST_F(CursorActions, ThePairStandsLeftOfAnAnchorFromLogicalColumn1250) {
  // At 1400 pixels wide a pixel is one logical unit.
  ShowMoveLimitsButtons(*window, 1250, 300);
  ASSERT_TRUE(ScreenButtons.MoveConfirmButton);
  EXPECT_LT(ScreenButtons.MoveConfirmButton->RectRight, 1250);
  EXPECT_LT(ScreenButtons.MoveCancelButton->RectRight, 1250);
  HideMoveLimitsButtons(nullptr);
  ShowMoveLimitsButtons(*window, 1249, 300);
  EXPECT_GE(ScreenButtons.MoveConfirmButton->RectLeft, 1249);
  // The question form stands where the pair stood, whatever point is given.
  HideMoveLimitsButtons(nullptr);
  LineMoveState.RangeQuestionShown = true;
  ShowMoveLimitsButtons(*window, 100, 100);
  EXPECT_GE(ScreenButtons.MoveConfirmButton->RectLeft, 1249);
  EXPECT_EQ(ScreenButtons.MoveConfirmButton->Caption, "move fit limits, too?");
}

TEST_F(CursorActions, TheQuestionStandsWhereThePairStoodAfterTheWindowChangedSize) {
  ShowMoveLimitsButtons(*window, 700, 300);
  const int left = ScreenButtons.MoveConfirmButton->RectLeft;
  const int top = ScreenButtons.MoveConfirmButton->RectTop;
  HideMoveLimitsButtons(nullptr);
  // Half as wide and high: the same place is now pixel (350, 150).
  window->Host()->ResizeClient({700, 500});
  Paint();
  LineMoveState.RangeQuestionShown = true;
  ShowMoveLimitsButtons(*window, 100, 100);
  EXPECT_NEAR(ScreenButtons.MoveConfirmButton->RectLeft, left, 2);
  EXPECT_NEAR(ScreenButtons.MoveConfirmButton->RectTop, top, 4);
  LineMoveState.RangeQuestionShown = false;
}

TEST_F(CursorActions, ArrowKeysMoveTheCursorByThreeTenThousandths) {
  Send(MessageKind::LeftDoubleClick, Column(6.5f), DataRow());
  ASSERT_TRUE(CursorLineState.CursorLineShown);
  EXPECT_EQ(CursorLineState.Mode, KeyCursorMode::SetFitLimit);
  CursorLineState.CursorValue = 6.5f;
  backend().ClearLog();
  for (int i = 0; i < 10; ++i) Key(platform::key::Right);
  EXPECT_NEAR(CursorLineState.CursorValue, 6.503f, 1e-5f);
  EXPECT_EQ(LogLinesWith("text (10,50) 6.5030    ").size(), 1u);
  EXPECT_EQ(CursorLineState.LastXorLineX, Column(CursorLineState.CursorValue));
  for (int i = 0; i < 10; ++i) Key(platform::key::Left);
  EXPECT_NEAR(CursorLineState.CursorValue, 6.5f, 1e-5f);
}

TEST_F(CursorActions, KeyboardCursorSetsTheNearerFitLimit) {
  Send(MessageKind::LeftDoubleClick, Column(6.8f), DataRow());
  Char(platform::key::Return);
  EXPECT_NEAR(ScanDataSet.FitRightLim, 6.8f, kPixel);
  EXPECT_FLOAT_EQ(ScanDataSet.FitLeftLim, 6.2f);
  EXPECT_FALSE(CursorLineState.CursorLineShown);
  EXPECT_EQ(CursorLineState.Mode, KeyCursorMode::None);
}

TEST_F(CursorActions, ControlDoubleClickMovesTheNearerOfMeniscusAndBottom) {
  Send(MessageKind::LeftDoubleClick, Column(6.05f), DataRow(), true);
  EXPECT_EQ(CursorLineState.Mode, KeyCursorMode::SetMeniscusOrBottom);
  Char(platform::key::Return);
  EXPECT_NEAR(ModelParameters.Meniscus, 6.05f, kPixel);
  EXPECT_FLOAT_EQ(ModelParameters.Bottom, 7.2f);
}

TEST_F(CursorActions, ShiftDoubleClickWithoutMeniscusSelectsNothing) {
  ModelParameters.Meniscus = 0.0f;
  const double difference = CorrectionOptions.BufferMismatch.MeniscusDifference;
  Send(MessageKind::LeftDoubleClick, Column(6.3f), DataRow(), false, true);
  EXPECT_FALSE(LineMoveState.AnySelected());
  EXPECT_FALSE(LineMoveState.MoveAwaitsConfirm);
  EXPECT_FALSE(CursorLineState.CursorLineShown);
  Char(platform::key::Return);
  EXPECT_EQ(CorrectionOptions.BufferMismatch.MeniscusDifference, difference);
  // With a meniscus, the reference meniscus lands where the cursor stood.
  ModelParameters.Meniscus = 6.0f;
  Send(MessageKind::LeftDoubleClick, Column(5.9f), DataRow(), false, true);
  const float cursor = CursorLineState.CursorValue;
  Char(platform::key::Return);
  EXPECT_NEAR(CorrectionOptions.BufferMismatch.MeniscusDifference, 6.0 - cursor, 1e-6);
}

TEST_F(CursorActions, InputDuringARunOnlyAsksTheRunToStop) {
  window->RunBusy = true;
  ComputationAbort = false;
  Send(MessageKind::MouseMove, Column(6.0f), DataRow());
  EXPECT_TRUE(ComputationAbort);
  ComputationAbort = false;
  Send(MessageKind::LeftButtonDown, Column(6.0f), DataRow());
  EXPECT_TRUE(ComputationAbort);
  EXPECT_FALSE(LineMoveState.LineDragActive);
  window->RunBusy = false;
  ComputationAbort = false;
}

TEST_F(CursorActions, HoveringHighlightsTheLineUnderTheMouseOnce) {
  Send(MessageKind::MouseMove, Column(6.0f) + 1, DataRow());
  EXPECT_FALSE(HoverState.ArrowCursorSet);
  const platform::RgbImage image = window->Host()->Snapshot();
  // Row 53 lies in the first dash of the highlight (rows 50 .. 56).
  EXPECT_EQ(image.At(Column(6.0f), 53), platform::Rgb(180, 0, 0));
  Send(MessageKind::MouseMove, Column(6.0f) + 2, DataRow());
  EXPECT_TRUE(HoverState.ArrowCursorSet);
  EXPECT_EQ(window->Host()->Snapshot().At(Column(6.0f), 53), platform::Rgb(255, 0, 0));
}

}  // namespace
