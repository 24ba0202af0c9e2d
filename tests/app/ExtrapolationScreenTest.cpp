// The copy commands after a real ls-g*(s) extrapolation run (solver-made
// scans of one species): on the extrapolation screen the data and fit tables
// are the extrapolation table and the data plot's picture is the
// extrapolation plot; Copy Distribution offers the step distributions or the
// integral distribution of the boundary fractions.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "app/commands/RunFitCommands.h"
#include "app/datacmds/CopyCommands.h"
#include "app/models/ModelCommands.h"
#include "app/scantools/BoundaryAnalysisCommands.h"
#include "app/window/TXLAWindow.h"
#include "display/DistributionPlot.h"
#include "display/MainPlots.h"
#include "display/ScanColours.h"
#include "state/PaintState.h"
#include "distributions/ContiRunFixture.h"
#include "distributions/SyntheticVelocityData.h"
#include "ModelCommandsFixture.h"
#include "platform/RecordingCanvas.h"
#include "tools/BoundaryAnalysis.h"

namespace {

namespace sv = synthetic_velocity;
using Table = std::vector<std::vector<double>>;

// A clipboard table as numbers; an empty cell reads as NaN.
Table ParseTable(const std::string& text) {
  Table rows;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::vector<double> cells;
    std::istringstream cellsIn(line);
    for (std::string cell; std::getline(cellsIn, cell, '\t');)
      cells.push_back(cell.empty() ? std::nan("") : std::stod(cell));
    rows.push_back(cells);
  }
  return rows;
}

class ExtrapolationScreenTest : public ContiRunTest {
 protected:
  void SetUp() override {
    ContiRunTest::SetUp();
    WireAsTheProgramStartDoes(window);
    ResetModelCommandRecords();
    savedRepaint_ = RepaintMainWindow;
    RunFitState = RunFitStateRecord{};
    PaintState = PaintStateRecord{};
  }
  void TearDown() override {
    RemoveBoundaryAnalysisHooks();
    FreeExtrapolationData();
    LsgExtrapolationSettings = LsgExtrapolationSettingsRecord{};
    LsgStepDistributions = LsgStepDistributionsRecord{};
    display::ClearDistributionPlots();
    display::DestroyMainPlots();
    RepaintMainWindow = savedRepaint_;
    RunFitState = RunFitStateRecord{};
    PaintState = PaintStateRecord{};
    ResetModelCommandRecords();
    ContiRunTest::TearDown();
  }

  // Ten scans of a 4.3 S species, the model chosen with its extrapolation
  // plot and run: eight sliding steps of three scans.
  void RunExtrapolation() {
    experiment.Scans = 10;
    experiment.Points = 151;
    experiment.RadialStep = 0.008;
    experiment.FirstTime = 2000.0;
    experiment.Interval = 600.0;
    experiment.TIScale = experiment.RIScale = 0.0;
    experiment.NoiseSd = 0.001;
    LoadExperiment(experiment, sv::MakeData(experiment, {{4.3, 6e-7, 1.0}}));
    display::BuildMainDataPlots();
    backend().ScriptBoxAnswer(platform::BoxAnswer::Ok);   // the model's note
    backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // show the extrapolation plot
    CmExtrapolateLsGSAreaFractions(window);
    RunModelCommand(window);
    ASSERT_TRUE(ExtrapolationPlotShown());
  }

  Table Clipboard() {
    const auto text = backend().ClipboardText();
    EXPECT_TRUE(text.has_value());
    if (!text) return {};
    EXPECT_EQ(text->back(), '\n');
    return ParseTable(*text);
  }

  // The mean time of the three scans of sliding step k.
  double StepTime(int k) const {
    return experiment.FirstTime + k * experiment.Interval;
  }

  sv::Experiment experiment;
  TXLAWindow window{"Sedimentation Analysis"};

 private:
  std::function<void(platform::WindowHandle)> savedRepaint_;
};

}  // namespace

TEST_F(ExtrapolationScreenTest, TablesAndPictureAreTheExtrapolation) {
  RunExtrapolation();
  const int steps = 8, r = LsgExtrapolationSettings.Fractions;
  ASSERT_EQ(r, 20);

  CmCopyDataTable(window);
  const Table table = Clipboard();
  ASSERT_EQ(table.size(), static_cast<std::size_t>(steps + 1));
  for (const auto& row : table) ASSERT_EQ(row.size(), static_cast<std::size_t>(1 + 2 * r));
  for (int k = 1; k <= steps; ++k)
    EXPECT_NEAR(table[k - 1][0], 1.0 / std::sqrt(StepTime(k)), 1e-5 / std::sqrt(StepTime(k)));
  EXPECT_EQ(table[steps][0], 0.0);
  for (int j = 1; j <= r; ++j) {
    // Infinite time: the line's intercept, which is the fraction's s in the
    // integral distribution, and no measured s.
    EXPECT_NEAR(table[steps][j], DistributionResult.DistSGrid[j], 1e-4 * table[steps][j]);
    EXPECT_EQ(table[steps][r + j], 0.0);
    // Each line is the least-squares line through the fraction's measured s:
    // its deviations sum to zero.
    double deviation = 0.0;
    for (int k = 0; k < steps; ++k) deviation += table[k][r + j] - table[k][j];
    EXPECT_NEAR(deviation, 0.0, 1e-4 * steps * std::fabs(table[0][r + j])) << "fraction " << j;
  }
  // The middle fractions of one species extrapolate to its s (ten scans on
  // a grid of 0.18 S: within 4 %).
  for (int j = 5; j <= r - 4; ++j) EXPECT_NEAR(table[steps][j], 4.3, 0.04 * 4.3) << j;

  CmCopyFitDataTable(window);
  EXPECT_EQ(Clipboard(), table);

  backend().SetClipboardText("kept");
  CmCopyDataPlot(window);
  EXPECT_TRUE(LogLinesWith("connect data points with lines?").empty());
  const auto picture = backend().ClipboardPicture();
  ASSERT_TRUE(picture.has_value());
  EXPECT_FALSE(picture->IsNull());
  // The picture draws every fraction's line through all steps to x = 0.
  platform::RecordingCanvas canvas;
  picture->Play(canvas);
  std::size_t segments = 0;
  const platform::Color lineColour = display::ScanColour(2);
  for (const auto& call : canvas.Calls()) {
    if (call.pen.color != lineColour || call.points.size() < 2) continue;
    if (call.kind == platform::DrawKind::Line || call.kind == platform::DrawKind::Polyline)
      segments += call.points.size() - 1;
  }
  EXPECT_GE(segments, static_cast<std::size_t>(r * steps));

  // Esc: the tables are the scans' again, every point of the fit range.
  CloseExtrapolationPlot(window);
  CmCopyDataTable(window);
  const Table scans = Clipboard();
  ASSERT_EQ(scans.size(), static_cast<std::size_t>(experiment.Points));
  EXPECT_NEAR(scans[0][0], experiment.FirstRadius, 1e-5);
}

TEST_F(ExtrapolationScreenTest, CopyDistributionOffersTheStepDistributions) {
  RunExtrapolation();
  const int steps = 8, r = LsgExtrapolationSettings.Fractions;
  const int points = static_cast<int>(std::floor(DistributionSettings.Resolution));
  ASSERT_EQ(points, 50);

  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  CmCopyDistribution(window);
  EXPECT_EQ(LogLinesWith("ls-g*(s) distributions?").size(), 1u);
  const Table distributions = Clipboard();
  ASSERT_EQ(distributions.size(), static_cast<std::size_t>(points));
  for (const auto& row : distributions) ASSERT_EQ(row.size(), static_cast<std::size_t>(1 + steps));
  EXPECT_NEAR(distributions.front()[0], 1.0, 1e-5);
  EXPECT_NEAR(distributions.back()[0], 10.0, 1e-4);
  // Every step sees the one species: its distribution peaks there, and holds
  // the loading concentration (the kernel dilutes the boundary radially).
  for (int c = 1; c <= steps; ++c) {
    int peak = 0;
    double area = 0.0;
    for (int i = 0; i < points; ++i) {
      if (distributions[i][c] > distributions[peak][c]) peak = i;
      if (i > 0)
        area += 0.5 * (distributions[i][c] + distributions[i - 1][c]) *
                (distributions[i][0] - distributions[i - 1][0]);
    }
    EXPECT_NEAR(distributions[peak][0], 4.3, 0.3) << "step " << c;
    EXPECT_NEAR(area, 1.0, 0.1) << "step " << c;
  }

  // No: the integral distribution, one row per boundary fraction (not the
  // whole grid).
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  CmCopyDistribution(window);
  const Table integral = Clipboard();
  ASSERT_EQ(integral.size(), static_cast<std::size_t>(r));
  for (int j = 1; j <= r; ++j) {
    EXPECT_NEAR(integral[j - 1][0], DistributionResult.DistSGrid[j], 1e-4 * 4.3);
    EXPECT_NEAR(integral[j - 1][1], integral[0][1] * j, 1e-4 * j);
  }
}
