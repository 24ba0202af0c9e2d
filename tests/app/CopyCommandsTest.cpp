// The copy commands: the scan tables on the clipboard for scans of different
// lengths, the noise tables, and the data plot's picture, after which the
// plot shows the scans as it did before.
#include <gtest/gtest.h>

#include <sstream>

#include "app/datacmds/CopyCommands.h"
#include "app/datacmds/DisplayCommands.h"
#include "app/viewcmds/ViewCommands.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/DataOpsTestSupport.h"
#include "display/MainPlots.h"
#include "state/ModelParameters.h"

namespace {

std::vector<std::vector<std::string>> Rows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (;;) {
      const auto tab = line.find('\t', start);
      cells.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    rows.push_back(cells);
  }
  return rows;
}

class CopyCommandsTest : public DataOpsTest {
 protected:
  void SetUp() override {
    DataOpsTest::SetUp();
    // Scan 2 is shorter, and the later one in time comes first in the set.
    LoadNamedScans({NamedScan{.name = "00001.RA1", .time = 2000.0, .last = 6.1},
                    NamedScan{.name = "00002.RA1", .time = 1000.0, .last = 6.05}});
    auto& d = ScanDataSet;
    d.ScanTimeOrder[1] = 2;
    d.ScanTimeOrder[2] = 1;
    d.FitLeftLim = 6.0f;
    d.FitRightLim = 6.2f;
  }
  void TearDown() override {
    display::DestroyMainPlots();
    ModelParameters = ModelParametersRecord{};
    DataOpsTest::TearDown();
  }
  std::vector<std::vector<std::string>> Clipboard() {
    const auto text = backend().ClipboardText();
    EXPECT_TRUE(text.has_value());
    if (text) {
      EXPECT_EQ(text->back(), '\n');
    }
    return text ? Rows(*text) : std::vector<std::vector<std::string>>{};
  }
  TXLAWindow window{"w"};
};

// Data, fit and residual tables cover the same rows: every point of each
// scan's fit range, in time order, the shorter scan's cells empty past its
// end.
TEST_F(CopyCommandsTest, ScanTablesOfDataFitAndResidualsCoverTheSameRows) {
  const auto& d = ScanDataSet;
  struct Case {
    void (*command)(TXLAWindow&);
    ScanArrays ScanDataSetRecord::*values;
  };
  const Case cases[] = {{&CmCopyDataTable, &ScanDataSetRecord::ScanSignal},
                        {&CmCopyFitDataTable, &ScanDataSetRecord::ScanModel},
                        {&CmCopyResidualsTable, &ScanDataSetRecord::ScanResiduals}};
  for (const Case& c : cases) {
    c.command(window);
    const auto rows = Clipboard();
    ASSERT_EQ(rows.size(), 11u);
    for (const auto& row : rows) ASSERT_EQ(row.size(), 4u);
    // Columns 1-2: scan 2 (the earlier), 6 points; columns 3-4: scan 1.
    // Six significant digits.
    EXPECT_NEAR(std::stof(rows[5][1]), (d.*c.values)[2][6], 1e-6f);
    EXPECT_TRUE(rows[6][0].empty() && rows[6][1].empty());
    EXPECT_FLOAT_EQ(std::stof(rows[10][2]), d.ScanRadius[1][11]);
    EXPECT_NEAR(std::stof(rows[10][3]), (d.*c.values)[1][11], 1e-6f);
  }
}

// Without fit limits the tables take the whole cell.
TEST_F(CopyCommandsTest, TablesWithoutFitLimitsTakeMeniscusToBottom) {
  ScanDataSet.FitLeftLim = 0.0f;
  ModelParameters.Meniscus = 6.02f;
  ModelParameters.Bottom = 7.0f;
  CmCopyDataTable(window);
  EXPECT_GT(ScanDataSet.FitLeftLim, 6.0f);
  EXPECT_LE(ScanDataSet.FitRightLim, 7.0f);
  const auto rows = Clipboard();
  ASSERT_FALSE(rows.empty());
  EXPECT_NEAR(std::stof(rows[0][0]), 6.03f, 1e-5f);
}

TEST_F(CopyCommandsTest, RadialNoiseTableListsScanTimesInTimeOrder) {
  ModelParameters.RINoiseFitted = true;
  SetupCommonRadialGrid();
  CommonRadialGrid.RINoise[1] = 0.25f;
  CommonRadialGrid.RINoise[2] = -0.5f;
  CmCopyRINoiseTable(window);
  const auto rows = Clipboard();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0][0], "1000");
  EXPECT_EQ(rows[0][1], "-0.5");
  EXPECT_EQ(rows[1][0], "2000");
  EXPECT_EQ(rows[1][1], "0.25");
  // Not fitted: nothing is copied.
  backend().SetClipboardText("kept");
  ModelParameters.RINoiseFitted = false;
  CmCopyRINoiseTable(window);
  EXPECT_EQ(backend().ClipboardText(), "kept");
}

// A copy in black with lines leaves the plot with the colours and point
// styles it had, also a style the user had chosen.
TEST_F(CopyCommandsTest, CopyDataPlotRestoresStylesAndColours) {
  display::BuildMainDataPlots();
  CWINPlot* plot = display::MainPlots.DataPlot.get();
  ASSERT_NE(plot, nullptr);
  plot->SetCurveStyle(0, 22);
  const platform::Color colour = plot->GetCurveColor(1);
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // lines
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // black and white
  CmCopyDataPlot(window);
  EXPECT_TRUE(backend().ClipboardPicture().has_value());
  EXPECT_EQ(plot->GetCurveStyle(0), 22);
  EXPECT_EQ(plot->GetCurveStyle(1), 6);
  EXPECT_EQ(plot->GetCurveColor(1), colour);
}

TEST_F(CopyCommandsTest, SetRangeOrdersTheLimitsAndFullRangeEmptiesTheHistory) {
  display::BuildMainDataPlots();
  DisplayRangeStack = DisplayRangeStackRecord{};
  for (const char* v : {"6.1", "6.0", "0.9", "0.4"}) backend().ScriptEntry(std::string(v));
  CmSetRange(window);
  EXPECT_EQ(DisplayRangeStack.Level, 1);
  EXPECT_FLOAT_EQ(DisplayRangeStack.MinRadius[1], 6.0f);
  EXPECT_FLOAT_EQ(DisplayRangeStack.MaxSignal[1], 0.9f);
  backend().ScriptEntry(std::nullopt);  // cancelled at once: no change
  CmSetRange(window);
  EXPECT_EQ(DisplayRangeStack.Level, 1);
  CmFullRange(window);
  EXPECT_EQ(DisplayRangeStack.Level, 0);
}

}  // namespace
