// What the window's links do once the program has started, each through the
// command a user gives: the previous analysis restored after a load, the
// reference meniscus and the prior profile in the paint, the two-dimensional
// distribution written by "Save Continuous Distribution", the parameter
// dialog after a dropped parameter file, and the approach-to-equilibrium
// highlight over the tool plot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/PlotInteractionFixture.h"
#include "app/commands/DistributionCommands.h"
#include "app/external/ExternalPrograms.h"
#include "app/loading/LoadCommands.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/wiring/AnalysisHooks.h"
#include "data/CommonRadialGrid.h"
#include "data/LoadTestSupport.h"
#include "display/DisplayLinks.h"
#include "display/MainPlots.h"
#include "distributions/ContiGrid.h"
#include "distributions/PriorProfile.h"
#include "models/ParameterPacking.h"
#include "state/DistributionShown.h"
#include "state/PriorSettings.h"
#include "state/ProgramPaths.h"
#include "tools/PlotExports.h"

namespace {

class WiredLinks : public PlotInteraction {
 protected:
  void SetUp() override {
    PlotInteraction::SetUp();
    savedPrior_ = PriorSettings;
    savedLocation_ = DataFileLocation;
    InstallAnalysisHooks();
    ProgramOptions.DisclaimerAgreed = true;
    window->StartUp();
    backend().ClearLog();
  }
  void TearDown() override {
    PriorSettings = savedPrior_;
    DataFileLocation = savedLocation_;
    ReleaseToolPlotData(*window);
    PlotInteraction::TearDown();
  }

  int PixelsOf(platform::Color colour, int x0, int x1, int y0, int y1) {
    const platform::RgbImage image = window->Host()->Snapshot();
    int n = 0;
    for (int x = x0; x <= x1; ++x)
      for (int y = y0; y <= y1; ++y) n += image.At(x, y) == colour ? 1 : 0;
    return n;
  }

  // Scans 00001.RA2 .. in the folder and, beside them, a parameter file of
  // a finished fit whose meniscus is 6.123 cm; the program's meniscus is
  // then 5.9 cm.
  std::vector<std::string> ScansWithSavedAnalysis(const ScratchFolder& folder) {
    std::vector<double> times;
    for (int k = 0; k < 20; ++k) times.push_back(1000.0 + 300.0 * k);
    std::vector<std::string> paths;
    for (const auto& s : NumberedScans(times, ".RA2")) {
      folder.Write(s.name, ScanFileText(s));
      paths.push_back(folder.File(s.name));
    }
    ModelParameters.Meniscus = 6.123f;
    PackParameterVector();
    DataFileLocation.TempParameterFilePath = folder.File("~tmppars.RA2");
    TmpSaveBestParams(window->Handle(), false);
    ModelParameters.Meniscus = 5.9f;
    PackParameterVector();
    return paths;
  }

  static constexpr platform::Color kMagenta = platform::Rgb(255, 0, 255);

 private:
  PriorSettingsRecord savedPrior_;
  DataFileLocationRecord savedLocation_;
};

TEST_F(WiredLinks, AnsweringLoadPreviousAnalysisRestoresTheSavedParameters) {
  ScratchFolder data;
  const std::vector<std::string> scans = ScansWithSavedAnalysis(data);
  ModelSwitchState.SuppressModelNotes = false;  // as after the window's set-up
  backend().ScriptFileDialog(scans);
  backend().ScriptEntry("1");                           // load every n'th file
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // load previous analysis?
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // restore parameters from ... ?
  CmLoadNewFiles(*window);
  ASSERT_EQ(ScanDataSet.NFILES, 20);
  EXPECT_EQ(LogLinesWith("load previous analysis?").size(), 1u);
  EXPECT_EQ(LogLinesWith("restore parameters from " + data.File("~tmppars.RA2")).size(), 1u);
  EXPECT_FLOAT_EQ(ModelParameters.Meniscus, 6.123f);
}

// The restored analysis runs inside the load, which holds the window's
// paints back; its plots must still be on screen before the help wizard's
// first box talks about them.
TEST_F(WiredLinks, TheRestoredAnalysisIsPaintedBeforeTheWizardAsksAboutIt) {
  ScratchFolder data;
  const std::vector<std::string> scans = ScansWithSavedAnalysis(data);
  ProgramOptions.WizardMessagesOn = true;
  // The log's length at each whole paint (plots drawn), i.e. the index of
  // the first log line after it.
  std::vector<std::size_t> paints;
  const auto savedMenus = display::MainDisplayLinks.UpdateRuntimeMenus;
  display::MainDisplayLinks.UpdateRuntimeMenus = [&] {
    paints.push_back(backend().Log().size());
    if (savedMenus) savedMenus();
  };
  backend().ScriptFileDialog(scans);
  backend().ScriptEntry("1");                           // load every n'th file
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // load previous analysis?
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // restore parameters from ... ?
  CmLoadNewFiles(*window);
  display::MainDisplayLinks.UpdateRuntimeMenus = savedMenus;

  const std::vector<std::string> log = backend().Log();
  const auto firstWith = [&](const std::string& text) {
    for (std::size_t i = 0; i < log.size(); ++i)
      if (log[i].find(text) != std::string::npos) return i;
    return log.size();
  };
  const std::size_t restored = firstWith("restore parameters from");
  const std::size_t wizard = firstWith("box [Help Wizard]");
  ASSERT_LT(restored, log.size());
  ASSERT_LT(wizard, log.size()) << "the restored analysis gave the wizard nothing to say";
  EXPECT_TRUE(std::any_of(paints.begin(), paints.end(),
                          [&](std::size_t at) { return at > restored && at <= wizard; }));
}

TEST_F(WiredLinks, ADroppedParameterFileIsReloadedAndItsDialogOpens) {
  ScratchFolder data;
  ScansWithSavedAnalysis(data);
  const std::size_t formsBefore = backend().ShownForms().size();
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // switch to parameter file?
  DropFilesOnWindow(*window, {data.File("~tmppars.RA2")});
  EXPECT_FLOAT_EQ(ModelParameters.Meniscus, 6.123f);
  EXPECT_GT(backend().ShownForms().size(), formsBefore);
}

TEST_F(WiredLinks, TheReferenceMeniscusIsPaintedOnlyWhileAMeniscusDifferenceIsFitted) {
  LoadScans();
  ModelParameters.Meniscus = 6.05f;
  auto& b = CorrectionOptions.BufferMismatch;
  b.On = true;
  b.MeniscusDifference = 0.02;
  const int x = Column(6.03f);
  for (bool mismatch : {true, false}) {
    b.MeniscusMismatchOn = mismatch;
    Paint();
    EXPECT_EQ(PixelsOf(kMagenta, x, x, DataRow() - 20, DataRow() + 20) > 0, mismatch) << mismatch;
  }
}

// Pixels that differ between two pictures of the same size.
int DifferingPixels(const platform::RgbImage& a, const platform::RgbImage& b) {
  int n = 0;
  for (int x = 0; x < a.Width(); ++x)
    for (int y = 0; y < a.Height(); ++y) n += a.At(x, y) == b.At(x, y) ? 0 : 1;
  return n;
}

// A direct redraw of the data plot after the layout changed without a paint
// (a c(s) result on screen, then the discrete model chosen, which gives the
// data plot the full height) must not leave a mix of both layouts: Full
// Range, as the buffer mismatch dialog issues it, shows what a whole paint
// shows.
TEST_F(WiredLinks, FullRangeAfterALayoutChangeLeavesNoMixOfLayouts) {
  LoadScans();
  ModelSelection.Kind = ModelKind::ContinuousCS;
  MakeDistribution({0, 1, 3, 1, 0, 0, 2, 5, 2, 0});
  DistributionShown = true;
  Paint();
  window->OnCommand(198);  // Non-Interacting Discrete Species
  ASSERT_EQ(ModelSelection.Kind, ModelKind::NonInteractingSpecies);
  window->OnCommand(208);  // Full Range
  const platform::RgbImage redrawn = window->Host()->Snapshot();
  Paint();
  EXPECT_EQ(DifferingPixels(redrawn, window->Host()->Snapshot()), 0);
}

// A reload that runs the model (here through a new radial resolution)
// builds new plots; the data plot shown afterwards must be the whole plot
// of the reloaded scans, laid out over all of them, not the first scan
// alone on a range that leaves the others out.
TEST_F(WiredLinks, AReloadThatRunsTheModelShowsEveryScanOfTheDataPlot) {
  ScratchFolder data;
  std::vector<std::string> paths;
  // Scans at clearly different levels, so that the first alone has a range
  // of its own.
  for (const RunScanFile& s : NumberedScans({1000, 1600, 2200, 2800, 3400})) {
    const int k = std::stoi(s.name);
    std::vector<double> signals;
    for (int j = 0; j < 131; ++j) signals.push_back(0.2 * k + 0.001 * j);
    char header[200];
    std::snprintf(header, sizeof header, "R 1 20.0 50000 %.0f %.5E 280 2", s.time,
                  Omega2(50000) * s.time);
    data.Write(s.name, ScanText("test scan", header, DataLines(signals, 5.9, 0.01)));
    paths.push_back(data.File(s.name));
  }
  backend().ScriptFileDialog(paths);
  backend().ScriptEntry("1");  // load every n'th file
  CmLoadNewFiles(*window);
  ASSERT_EQ(ScanDataSet.NFILES, 5);
  window->OnCommand(198);  // Non-Interacting Discrete Species
  auto& m = ModelParameters;
  m.ComponentOn[1] = 1;
  m.Concentration[1] = 0.5f;
  m.SedCoefficient[1] = 4.0f;
  m.MassOrD[1] = 50000.0f;
  m.Meniscus = 5.95f;
  m.Bottom = 7.15f;
  PackParameterVector();
  // The model's curves drawn as they are computed.
  MainDisplayOptions.LiveUpdateDataPlot = true;

  backend().ScriptEntry("0.003");
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);   // save as startup default?
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // reload now?
  const CWINPlot* before = display::MainPlots.DataPlot.get();
  window->OnCommand(590);  // Set Radial Resolution
  ASSERT_EQ(ScanDataSet.NFILES, 5);
  ASSERT_NE(display::MainPlots.DataPlot.get(), before) << "no reload";
  const auto& d = ScanDataSet;
  bool computed = false;
  for (int i = 1; i <= d.NFILES; ++i)
    for (int k = 1; k <= d.ScanPointCount[i]; ++k) computed |= d.ScanModel[i][k] != 0.0f;
  ASSERT_TRUE(computed) << "the reload ran no model";

  Paint();
  Paint();  // the second without the result text the first drew
  const platform::RgbImage shown = window->Host()->Snapshot();
  const CWINPlot& plot = *display::MainPlots.DataPlot;
  EXPECT_LE(plot.fYMin, 0.2f);
  EXPECT_GE(plot.fYMax, 1.13f);
  display::RenderDataPlot(true);
  Paint();
  EXPECT_EQ(DifferingPixels(shown, window->Host()->Snapshot()), 0);
}

// Continuous c(s) chosen after c(s, f/f0) keeps the s range of the
// c(s, f/f0) result; chosen through the discrete model (a fresh switch, no
// distribution plot left) it starts from 0 - 15 S. Either way its parameter
// slots, which the dialog and the saved parameter file show, and the grid
// of the next Run agree.
TEST_F(WiredLinks, CsAfterAnotherModelRunsOnTheLimitsItsSlotsShow) {
  LoadScans();
  auto& d = ScanDataSet;
  for (int i = 1; i <= d.NFILES; ++i) {
    ScanHeader& h = d.ScanHeaders[i];
    h.Rpm = 50000;
    const double omega = h.Rpm * 3.14159265358979323846 / 30.0;
    h.Omega2t = omega * omega * h.Time;
    h.Temperature = 20.0f;
    h.RampAcceleration = 1e6;
  }
  SetupCommonRadialGrid();
  d.RadialResolution = 0.003f;
  const struct {
    bool throughDiscrete;
    float smin, smax;
  } cases[] = {{false, 1.0f, 10.0f}, {true, 0.0f, 15.0f}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.throughDiscrete ? "through the discrete model" : "directly");
    window->OnCommand(198);  // Non-Interacting Discrete Species
    window->OnCommand(595);  // c(s, f/f0)
    ASSERT_EQ(ModelSelection.Kind, ModelKind::CSFf0);
    ParameterVector[1] = 1.0f;   // s min
    ParameterVector[5] = 10.0f;  // s max
    ParameterVector[9] = 8.0f;   // resolution
    ParameterVector[10] = 1.0f;  // f/f0 min
    ParameterVector[6] = 2.0f;   // f/f0 max
    ParameterVector[8] = 3.0f;   // f/f0 steps
    ParameterVector[13] = 5.9f;
    ParameterVector[14] = 7.2f;
    UnpackParameterVector();
    window->OnCommand(213);  // Run
    if (c.throughDiscrete) window->OnCommand(198);
    window->OnCommand(275);  // Continuous c(s) Distribution
    ASSERT_EQ(ModelSelection.Kind, ModelKind::ContinuousCS);
    EXPECT_FLOAT_EQ(ParameterVector[1], c.smin);
    EXPECT_FLOAT_EQ(ParameterVector[5], c.smax);

    window->OnCommand(213);

    const auto n = static_cast<std::size_t>(DistributionSettings.DistGridSize);
    ASSERT_GE(n, 2u);
    EXPECT_FLOAT_EQ(DistributionResult.DistSGrid[1], ParameterVector[1]);
    EXPECT_FLOAT_EQ(DistributionResult.DistSGrid[n], ParameterVector[5]);
  }
}

TEST_F(WiredLinks, ThePriorProfileIsDrawnOverTheDistributionPlotWhileInUse) {
  LoadScans();
  ModelSelection.Kind = ModelKind::ContinuousCS;
  MakeDistribution({0, 1, 3, 1, 0, 0, 2, 5, 2, 0});
  DistributionShown = true;
  auto& priors = DistributionGrid.PriorProbabilities;
  priors.assign(11, 0.01);
  priors[3] = 1.0;
  PriorGridValues.assign(11, 0.0);
  for (int j = 1; j <= 10; ++j)
    PriorGridValues[static_cast<std::size_t>(j)] = DistributionResult.DistSGrid[j];
  const platform::Color prior = platform::Rgb(255, 100, 100);
  for (bool on : {true, false}) {
    PriorSettings.PriorOnS = on;
    Paint();
    EXPECT_EQ(PixelsOf(prior, 0, 1399, 500, 999) > 0, on) << on;
  }
}

// A size-and-shape result of two grid points.
void MakeSizeShapeResult() {
  ModelSelection.Kind = ModelKind::CSFf0;
  DistributionShown = true;
  DistributionSettings.Grid2DSize = 2;
  auto& g = DistributionGrid;
  g.Grid2DS = {0, 1.5f, 2.5f};
  g.Grid2DM = {0, 10000, 20000};
  g.Grid2DFf0 = {0, 1.2f, 1.4f};
  g.Grid2DD = {0, 6e-7f, 5e-7f};
  g.Grid2DStokesRadius = {0, 2.0f, 3.0f};
  DistributionResult.Grid2DAmplitudes = {0, 0.25f, 0.75f};
}

// The numbers of each line of a text file.
std::vector<std::vector<double>> SizeShapeFileRows(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::vector<double>> rows;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::vector<double> row;
    for (double v; fields >> v;) row.push_back(v);
    rows.push_back(row);
  }
  return rows;
}

TEST_F(WiredLinks, SaveContinuousDistributionOfTheSizeAndShapeModelWritesTheTwoDimensionalFile) {
  LoadScans();
  MakeDistribution({1, 2, 3});
  MakeSizeShapeResult();
  ScratchFolder files;
  const std::string path = files.File("dist2d.dat");
  backend().ScriptFileDialog(std::vector<std::string>{path});
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // 2d distributions?
  window->OnCommand(271);  // Save Continuous Distribution
  EXPECT_EQ(LogLinesWith("2d distributions?").size(), 1u);
  const auto rows = SizeShapeFileRows(path);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1], (std::vector<double>{2.5, 20000, 1.4, 5e-7, 3.0, 0.75}));
}

TEST_F(WiredLinks, PlotSizeAndShapeDistributionHandsTheTwoDimensionalFileToItsPlotter) {
  const std::filesystem::path plotter = PlotProgramPath(882);
  std::filesystem::create_directories(plotter.parent_path());
  std::ofstream(plotter) << "#!/bin/sh\n";
  std::filesystem::create_directories(ProgramPaths.TempFolder);
  FindPlotPrograms(*window);
  LoadScans();
  MakeDistribution({1, 2, 3});
  MakeSizeShapeResult();
  // A plotter that does not start (gone or not runnable since the set-up)
  // is reported rather than left to silence.
  for (const bool starts : {true, false}) {
    SCOPED_TRACE(starts ? "plotter starts" : "plotter does not start");
    backend().SetProgramsAvailable(starts);
    backend().ClearLog();
    backend().ScriptForm({});  // the ranges as proposed
    window->OnCommand(882);  // Plot Size and Shape Distribution
    const auto rows = SizeShapeFileRows(ExportFolder() + "sasdist.dat");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], (std::vector<double>{2.5, 20000, 1.4, 5e-7, 3.0, 0.75}));
    EXPECT_EQ(LogLinesWith("start program " + plotter.string()).size(), 1u);
    EXPECT_EQ(LogLinesWith("box [ERROR] (error) the plotting program cannot be started").size(),
              starts ? 0u : 1u);
  }
  backend().SetProgramsAvailable(false);
}

TEST_F(WiredLinks, AverageScansAnswersAsACommandOfItsOwn) {
  window->OnCommand(917);
  EXPECT_TRUE(LogLinesWith("not available in this version").empty());
  EXPECT_EQ(LogLinesWith("please load scans first").size(), 1u);
}

// Fifty points of a series rising over the radius, points 10 to 20 the
// comparison range.
CWINPlot& ShowApproachSeries(TXLAWindow& window) {
  std::vector<float> x, y;
  for (int k = 0; k < 50; ++k) {
    x.push_back(6.0f + 0.02f * static_cast<float>(k));
    y.push_back(0.1f + 0.01f * static_cast<float>(k));
  }
  return ShowHighlightedToolPlot(window, x, y, 10, 20, "radius", "signal");
}

TEST_F(WiredLinks, TheApproachHighlightMarksTheComparisonRangeUntilTheToolPlotIsReleased) {
  LoadScans();
  ShowApproachSeries(*window);
  const platform::Color red = platform::Rgb(255, 0, 0);
  for (int paint = 0; paint < 2; ++paint) {
    Paint();
    // The highlight keeps the plot from one paint to the next.
    ASSERT_NE(ToolPlotData.ToolPlot, nullptr) << paint;
    EXPECT_GT(PixelsOf(red, 0, 1399, 0, 999), 0) << paint;
  }
  ReleaseToolPlotData(*window);
  EXPECT_FALSE(ToolPlotData.ApproachHighlightOn);
  Paint();
  EXPECT_EQ(PixelsOf(red, 0, 1399, 0, 999), 0);
}

TEST_F(WiredLinks, TheMouseTellsWhereItPointsInTheHighlightedPlot) {
  LoadScans();
  CWINPlot& plot = ShowApproachSeries(*window);
  Paint();
  const auto shownValue = [&](int row) {
    const auto lines = LogLinesWith("text (10," + std::to_string(row) + ") ");
    return lines.empty() ? -1.0 : std::stod(lines.back().substr(lines.back().find(") ") + 2));
  };
  for (const float r : {6.2f, 6.5f, 6.9f}) {
    const int column = display::ValueToWindowX(plot, r);
    Send(platform::MessageKind::MouseMove, column, 300);
    EXPECT_NEAR(shownValue(50), r, 0.003) << r;
    const double high = shownValue(70);
    Send(platform::MessageKind::MouseMove, column, 400);
    // Further down the window, lower on the plot's y axis.
    EXPECT_LT(shownValue(70), high) << r;
  }
  // Without the highlight the tool plot is a picture: no coordinates.
  ReleaseToolPlotData(*window);
  Paint();
  const std::size_t before = LogLinesWith("text (10,50) ").size();
  Send(platform::MessageKind::MouseMove, 600, 300);
  EXPECT_EQ(LogLinesWith("text (10,50) ").size(), before);
}

}  // namespace
