// The interactive repair of fringe jumps driven by mouse and key messages
// through the main window, on scans with an added integer jump: the repaired
// scans equal the originals, and every other scan stays as it was.
#include "app/scantools/FringeJumpActions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/PlotInteractionFixture.h"
#include "app/scantools/MouseActions.h"
#include "app/scantools/ScanToolCommands.h"
#include "app/scantools/ScratchTracking.h"
#include "data/DataSetServices.h"
#include "data/LoadMessages.h"
#include "display/MainPlots.h"

namespace {

using platform::BoxAnswer;
using platform::MessageKind;

class FringeJumpActionsTest : public PlotInteraction {
 protected:
  void SetUp() override {
    PlotInteraction::SetUp();
    InstallScanToolHooks(*window);
    LoadScans();
    original = Signals();
  }
  void TearDown() override {
    RemoveScanToolHooks();
    PlotInteraction::TearDown();
  }
  std::vector<std::vector<float>> Signals() const {
    std::vector<std::vector<float>> s;
    const auto& d = ScanDataSet;
    for (int i = 1; i <= d.NFILES; ++i) {
      s.emplace_back();
      for (int k = 1; k <= d.ScanPointCount[i]; ++k) s.back().push_back(d.ScanSignal[i][k]);
    }
    return s;
  }
  // A jump of `fringes` from point `from` on in scan i; the model keeps the
  // original, so the residuals show the jump.
  void AddJump(int i, int from, float fringes) {
    auto& d = ScanDataSet;
    for (int k = from; k <= d.ScanPointCount[i]; ++k) d.ScanSignal[i][k] += fringes;
    UpdateResiduals(false);
    display::BuildMainDataPlots();
    display::LayoutAndRenderMainPlots();
    FixMapping();
  }
  void ClickDataPoint(int i, int k) {
    const CWINPlot& plot = *display::MainPlots.DataPlot;
    const int x = Column(ScanDataSet.ScanRadius[i][k]);
    const int y = display::PlotRowToWindowY(static_cast<float>(plot.MapY(ScanDataSet.ScanSignal[i][k])));
    Send(MessageKind::LeftButtonDown, x, y);
    Send(MessageKind::LeftButtonUp, x, y);
  }
  std::vector<std::vector<float>> original;
};

}  // namespace

TEST_F(FringeJumpActionsTest, SingleScanJumpIsPickedAndRepairedWithTheKeys) {
  const int scan = ScanDataSet.ScanTimeOrder[3];
  AddJump(scan, 21, 1.0f);
  // Keys before a scan is picked do nothing.
  StartFixPointScanFringeJump();
  ASSERT_NE(ActiveMouseAction(), nullptr);
  Key('R');
  EXPECT_EQ(CurrentFringeJumpView().ScanPosition, 0);

  // A point beyond the jump, where no other scan lies; then back to the
  // last point before the jump.
  ClickDataPoint(scan, 22);
  FringeJumpView view = CurrentFringeJumpView();
  ASSERT_EQ(view.ScanPosition, 3);
  EXPECT_EQ(view.PointIndex, 22);
  Key(platform::key::Left);
  Key(platform::key::Left);
  EXPECT_EQ(CurrentFringeJumpView().PointIndex, 20);
  Key('R');
  Key(platform::key::Down);
  view = CurrentFringeJumpView();
  EXPECT_EQ(view.Direction, 1.0);
  EXPECT_EQ(view.Magnitude, -1.0);
  backend().ScriptBoxAnswer(BoxAnswer::No);  // save scan data?
  Char(platform::key::Return);
  EXPECT_EQ(ActiveMouseAction(), nullptr);
  const auto repaired = Signals();
  for (std::size_t i = 0; i < repaired.size(); ++i)
    for (std::size_t k = 0; k < repaired[i].size(); ++k)
      EXPECT_NEAR(repaired[i][k], original[i][k], 1e-6f) << i << " " << k;
  EXPECT_EQ(LogLinesWith("save scan data?").size(), 1u);
}

TEST_F(FringeJumpActionsTest, EscapeDropsTheJumpPointsAndAMissedClickGoesToTheWindow) {
  const int scan = ScanDataSet.ScanTimeOrder[2];
  AddJump(scan, 30, 2.0f);
  const auto jumped = Signals();
  StartFixPointScanFringeJump();
  // Far from every point: not handled, the action stays on.
  Send(MessageKind::LeftButtonDown, 300, 20);
  EXPECT_NE(ActiveMouseAction(), nullptr);
  EXPECT_EQ(CurrentFringeJumpView().ScanPosition, 0);
  ClickDataPoint(scan, 31);
  Key('R');
  Key(platform::key::Down);
  Key(platform::key::Escape);
  EXPECT_EQ(ActiveMouseAction(), nullptr);
  EXPECT_EQ(Signals(), jumped);
}

TEST_F(FringeJumpActionsTest, AllScansJumpAtOnePositionIsRepaired) {
  auto& d = ScanDataSet;
  d.FitLeftLim = 6.0f;
  d.FitRightLim = 7.0f;
  for (int i : {2, 5}) AddJump(i, 31, 1.0f);  // from 6.30 cm on
  ScratchJumpDistance = 0.015f;
  StartFixScratchJump();
  ASSERT_NE(ActiveMouseAction(), nullptr);
  // Arrows before a position was picked change nothing.
  Key(platform::key::Left);
  const CWINPlot& residuals = *display::MainPlots.ResidualPlot;
  const int x = display::ValueToWindowX(residuals, 6.28f);
  const int y = display::PlotRowToWindowY(0.5f * (MainPlotLayout.ResidualTop + MainPlotLayout.ResidualBottom));
  Send(MessageKind::LeftButtonDown, x, y);
  // "save scan data?" Yes runs the data menu's save of the raw data set:
  // no speed in the names, a new folder.
  ScratchFolder saved;
  for (int i = 1; i <= d.NFILES; ++i) d.ScanFilePaths[i] = FormatText("%05d.IP1", i);
  backend().ScriptBoxAnswer(BoxAnswer::Yes);
  backend().ScriptBoxAnswer(BoxAnswer::No);
  backend().ScriptFileDialog(std::vector<std::string>{saved.File("x.rxx")});
  Char(platform::key::Return);
  EXPECT_EQ(ActiveMouseAction(), nullptr);
  for (int i = 1; i <= d.NFILES; ++i)
    for (int k = 1; k <= d.ScanPointCount[i]; ++k)
      EXPECT_NEAR(d.ScanSignal[i][k], original[i - 1][k - 1], 1e-6f) << i << " " << k;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(saved.path()))
    files += entry.path().extension() == ".IP1" ? 1 : 0;
  EXPECT_EQ(files, d.NFILES);
  ScratchJumpDistance = 0.003f;
}

TEST(ScratchFile, TextFormatListsRadiiThenSlopesAndShiftsPerScan) {
  TrackedScratch a{6.5, {0.0, 1.0, 2.0}, {0.0, 0.0, 0.001}};
  TrackedScratch b{6.75, {0.0, -1.5, 0.5}, {0.0, 0.0, -0.002}};
  EXPECT_EQ(ScratchFileText({a, b}, 2),
            "2 2 6.500000 6.750000\n"
            " 1.000000 0.000000 -1.500000 0.000000\n"
            " 2.000000 0.001000 0.500000 -0.002000\n");
}
