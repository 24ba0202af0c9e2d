// The window helpers and display commands: "Data Range" and its history,
// the run-time menu items, the temperature check and plots, the residual
// histogram switch and the fit-updating preferences.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/ProgramStartLinks.h"
#include "app/loading/LastDataFolder.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramPaths.h"
#include "app/viewcmds/DisplayOptionCommands.h"
#include "app/viewcmds/FileNameDialogs.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/viewcmds/ViewCommands.h"
#include "app/viewcmds/ViewLinks.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "display/MainPlots.h"
#include "state/MainPlotLayout.h"
#include "state/ModelParameters.h"
#include "platform/RecordingCanvas.h"
#include "plot/PlotSettings.h"
#include "support/TestSupport.h"

namespace {

class ViewCommandsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    WireAsTheProgramStartDoes(window);
    Reset();
    savedPaths_ = ProgramPaths;
    SetInstallationFolder(scratch.path().string());
  }
  void TearDown() override {
    Reset();
    ProgramPaths = savedPaths_;
    HeadlessTest::TearDown();
  }
  void Reset() {
    ReleaseToolPlotData(window);
    display::MainPlots.DataPlot.reset();
    curve.reset();
    FreeDataSet();
    ScanDataSet = ScanDataSetRecord{};
    CommonRadialGrid = CommonRadialGridRecord{};
    ScanReaderOptions = ScanReaderOptionsRecord{};
    ModelParameters = ModelParametersRecord{};
    ModelSelection = ModelSelectionRecord{};
    DisplayRangeStack = DisplayRangeStackRecord{};
    RuntimeMenuState = RuntimeMenuStateRecord{};
    MainDisplayOptions = MainDisplayOptionsRecord{};
    DlsDataMode = false;
    DestroyMainPlots = [] {};
    ResetViewLinks();
    RemoveViewHooks();
  }

  // count scans of 51 points from 6.0 cm in steps of 0.02 cm, with the
  // given signal, times 1000 s apart and temperatures from temperature(k);
  // the fit limits at the scans' ends.
  void LoadScans(int count, float (*signal)(int scan, int point),
                 float (*temperature)(int scan) = nullptr) {
    auto& d = ScanDataSet;
    constexpr int points = 51;
    AllocScanSlots(count);
    d.NFILES = count;
    for (int i = 1; i <= count; ++i) {
      for (auto* a : {&d.ScanRadius[i], &d.ScanSignal[i], &d.ScanModel[i], &d.ScanNoise[i],
                      &d.ScanResiduals[i]})
        a->Resize(1, points);
      for (int k = 1; k <= points; ++k) {
        d.ScanRadius[i][k] = 6.0f + 0.02f * static_cast<float>(k - 1);
        d.ScanSignal[i][k] = signal(i, k);
      }
      ScanHeader& h = d.ScanHeaders[i];
      h.Rpm = 50000.0f;
      h.Time = h.RecordedTime = 1000.0 * i;
      h.Temperature = temperature ? temperature(i) : 20.0f;
      h.PointCount = points;
      d.ScanPointCount[i] = points;
      d.ScanTimeOrder[i] = i;
      d.ScanFirstFitIndex[i] = 1;
      d.ScanLastFitIndex[i] = points;
      d.ScanFilePaths[i] = "scan" + std::to_string(i) + ".RA1";
    }
    ModelParameters.Meniscus = 5.9f;
    ModelParameters.Bottom = 7.2f;
    SetupCommonRadialGrid();
    d.FitLeftLim = 6.1f;
    d.FitRightLim = 6.9f;
    SetFirstFitIndex();
    SetLastFitIndex();
  }

  // A data plot over scan 1, given to the commands as the display's.
  void MakeDataPlot() {
    const auto& d = ScanDataSet;
    curve = std::make_unique<CCurve>(d.ScanRadius[1].data(), d.ScanSignal[1].data(),
                                     d.ScanPointCount[1], 1, 1);
    auto& plot = display::MainPlots.DataPlot;
    plot = std::make_unique<CWINPlot>();
    plot->Place(50, 75, 475, 975);
    plot->AddCurve(curve.get());
    dataPlot = plot.get();
  }

  TXLAWindow window{"Sedimentation Analysis"};
  std::unique_ptr<CCurve> curve;
  CWINPlot* dataPlot = nullptr;
  ScratchFolder scratch;

 private:
  ProgramPathsRecord savedPaths_;
};

float Flat(int, int) {
  return 0.8f;
}

// Scan i rises linearly; the fit range holds radii 6.1 .. 6.9.
float Rising(int scan, int point) {
  return 0.1f * static_cast<float>(scan) + 0.01f * static_cast<float>(point);
}

TEST_F(ViewCommandsTest, DataRangeZoomsToTheFitRangeAndKeepsTheLevelAtNine) {
  LoadScans(3, &Rising);
  MakeDataPlot();
  CmDataRange(window);
  const auto& s = DisplayRangeStack;
  ASSERT_EQ(s.Level, 1);
  EXPECT_FLOAT_EQ(s.MinRadius[1], 5.89f);
  const auto& g = CommonRadialGrid;
  EXPECT_FLOAT_EQ(s.MaxRadius[1], g.CommonGrid[g.GridLastFitIndex] + 0.01f);
  // Lowest: scan 1 at the first fit point; highest: scan 3 at the last.
  EXPECT_FLOAT_EQ(s.MinSignal[1], Rising(1, g.GridFirstFitIndex) - 0.1f);
  EXPECT_FLOAT_EQ(s.MaxSignal[1], Rising(3, g.GridLastFitIndex) + 0.1f);
  EXPECT_TRUE(dataPlot->bFixedX && dataPlot->bFixedY);
  EXPECT_FLOAT_EQ(dataPlot->fXMin, s.MinRadius[1]);
  EXPECT_FLOAT_EQ(dataPlot->fYMax, s.MaxSignal[1]);

  for (int k = 0; k < 9; ++k) CmDataRange(window);
  EXPECT_EQ(s.Level, 9);
}

TEST_F(ViewCommandsTest, DataRangeOfFlatScansStillSpansPointTwo) {
  LoadScans(2, &Flat);
  MakeDataPlot();
  CmDataRange(window);
  EXPECT_NEAR(dataPlot->fYMax - dataPlot->fYMin, 0.2f, 1e-6f);
  EXPECT_NEAR(dataPlot->fYMin, 0.7f, 1e-6f);
}

TEST_F(ViewCommandsTest, DataRangeWithoutScansDoesNothing) {
  CmDataRange(window);
  EXPECT_EQ(DisplayRangeStack.Level, 0);
}

// Fluorescence scans show "FloTools" before item 552; absorbance scans
// loaded afterwards remove it. The non-ideal c(s) model brings its four
// ctot items and takes them away again.
TEST_F(ViewCommandsTest, RuntimeMenuItemsFollowTheDataAndTheModel) {
  auto& menu = window.Menu();
  LoadScans(1, &Flat);
  ScanReaderOptions.FluorescenceData = true;
  UpdateRuntimeMenus(window);
  ASSERT_TRUE(menu.Contains(915));
  const std::vector<int> ids = menu.CommandIds();
  const auto at = [&](int id) { return std::find(ids.begin(), ids.end(), id) - ids.begin(); };
  EXPECT_EQ(at(915) + 1, at(552));
  UpdateRuntimeMenus(window);
  const std::vector<int> again = menu.CommandIds();
  EXPECT_EQ(std::count(again.begin(), again.end(), 915), 1);

  ScanReaderOptions.FluorescenceData = false;
  ScanReaderOptions.AbsorbanceData = true;
  UpdateRuntimeMenus(window);
  EXPECT_FALSE(menu.Contains(915));
  EXPECT_FALSE(RuntimeMenuState.FloToolsItemShown);

  ModelSelection.Kind = ModelKind::NonidealCS;
  UpdateRuntimeMenus(window);
  for (int id : {1103, 1104, 1105, 1106}) EXPECT_TRUE(menu.Contains(id)) << id;
  ModelSelection.Kind = ModelKind::NoModel;
  UpdateRuntimeMenus(window);
  for (int id : {1103, 1104, 1105, 1106}) EXPECT_FALSE(menu.Contains(id)) << id;

  ScanReaderOptions.IntensityData = false;
  UpdateRuntimeMenus(window);
  EXPECT_TRUE(menu.IsGrayed(231));
}

float TwentyDegrees(int) {
  return 20.0f;
}
float ExactlyHalfADegreeWarmer(int scan) {
  return scan == 3 ? 20.5f : 20.0f;
}
float TooWarm(int scan) {
  return scan == 3 ? 20.51f : 20.0f;
}

TEST_F(ViewCommandsTest, TemperatureFluctuationAgainstTheLimit) {
  struct Case {
    const char* name;
    int scans;
    float (*temperature)(int);
    bool within;
  } cases[] = {{"one scan", 1, &TooWarm, true},
               {"equal to the limit", 4, &ExactlyHalfADegreeWarmer, true},
               {"above the limit", 4, &TooWarm, false},
               {"constant", 4, &TwentyDegrees, true}};
  for (const auto& c : cases) {
    Reset();
    backend().ClearLog();
    LoadScans(c.scans, &Flat, c.temperature);
    EXPECT_EQ(CheckTemperatureFluctuationOf(window, 0.5f), c.within) << c.name;
    EXPECT_EQ(LogLinesWith("temperature fluctuations exceed 0.5 degrees").size(),
              c.within ? 0u : 1u)
        << c.name;
    EXPECT_EQ(ToolPlotData.ToolPlot != nullptr, !c.within) << c.name;
  }
}

TEST_F(ViewCommandsTest, TemperatureAndRotorSpeedPlotsOfTheScansInTimeOrder) {
  LoadScans(100, &Flat, &TooWarm);
  CmShowTemperaturePlot(window);
  ASSERT_TRUE(ToolPlotData.ToolPlot);
  EXPECT_EQ(ToolPlotData.ToolPlot->nSymbolSize, 5);
  EXPECT_EQ(PlotSettings.ErrorBarCapWidth, 7);
  EXPECT_EQ(ToolPlotData.ToolPlot->szYTitle, "temperature (C)");
  EXPECT_FLOAT_EQ(ToolPlotData.FirstArrays[1][3], 20.51f);
  EXPECT_FALSE(ToolPlotData.RotorSpeedPlotShown);

  Reset();
  LoadScans(5, &Flat);
  CmShowRotorSpeedPlot(window);
  ASSERT_TRUE(ToolPlotData.ToolPlot);
  EXPECT_EQ(ToolPlotData.ToolPlot->nSymbolSize, 10);
  EXPECT_EQ(PlotSettings.ErrorBarCapWidth, 15);
  EXPECT_EQ(ToolPlotData.ToolPlot->szYTitle, "rpm");
  EXPECT_FLOAT_EQ(ToolPlotData.FirstArrays[0][5], 5000.0f);
  EXPECT_TRUE(ToolPlotData.RotorSpeedPlotShown);

  ReleaseToolPlotData(window);
  ReleaseToolPlotData(window);
  EXPECT_FALSE(ToolPlotData.ToolPlot);
  EXPECT_FALSE(ToolPlotData.RotorSpeedPlotShown);
  EXPECT_EQ(ToolPlotData.FirstLength, 0);
}

// A tool plot is painted once, with the pending caption, and released; the
// next paint finds no tool layer and draws the main plots.
TEST_F(ViewCommandsTest, ToolPlotIsPaintedOnceThenReleased) {
  LoadScans(4, &Flat);
  CmShowTemperaturePlot(window);
  window.ToolCaptionPending = true;
  window.ToolCaptionText = "t(eq) = 12 h";
  platform::RecordingCanvas canvas;
  EXPECT_EQ(PaintToolPlotLayers(window, canvas), display::ToolLayer::ToolPlot);
  EXPECT_FALSE(canvas.CallsOf(platform::DrawKind::Polyline).empty() &&
               canvas.CallsOf(platform::DrawKind::Line).empty());
  bool captionDrawn = false;
  for (const auto& call : canvas.CallsOf(platform::DrawKind::Text))
    captionDrawn = captionDrawn || call.text == "t(eq) = 12 h";
  EXPECT_TRUE(captionDrawn);
  EXPECT_FALSE(ToolPlotData.ToolPlot);
  EXPECT_FALSE(window.ToolCaptionPending);
  EXPECT_EQ(PaintToolPlotLayers(window, canvas), display::ToolLayer::None);
}

// The loaders' temperature check and the paint's tool layer reach this
// window while its hooks are installed, and nothing after their removal.
TEST_F(ViewCommandsTest, InstalledHooksReachTheWindowUntilRemoved) {
  LoadScans(3, &Flat, &TooWarm);
  InstallViewHooks(window);
  EXPECT_FALSE(CheckTemperatureFluctuation(window.Handle(), 0.5f));
  ASSERT_TRUE(display::MainDisplayLinks.ToolPlotsExist);
  EXPECT_TRUE(display::MainDisplayLinks.ToolPlotsExist());
  platform::RecordingCanvas canvas;
  EXPECT_EQ(display::MainDisplayLinks.PaintToolLayer(canvas), display::ToolLayer::ToolPlot);
  RemoveViewHooks();
  EXPECT_TRUE(CheckTemperatureFluctuation(window.Handle(), 0.5f));
  EXPECT_FALSE(links::IsInstalled(display::MainDisplayLinks.PaintToolLayer));
}

TEST_F(ViewCommandsTest, FitUpdatingPreferences) {
  const std::string preferences = scratch.File("taluvoparams.ini");
  for (int k = 0; k < 4; ++k) backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  CmChangeFitUpdatingPreferences(window);
  EXPECT_TRUE(LogLinesWith("max updating interval").empty());
  EXPECT_TRUE(std::filesystem::exists(preferences));
  std::filesystem::remove(preferences);

  for (auto a : {platform::BoxAnswer::No, platform::BoxAnswer::Yes, platform::BoxAnswer::No,
                 platform::BoxAnswer::No})
    backend().ScriptBoxAnswer(a);
  backend().ScriptEntry("2.5");
  CmChangeFitUpdatingPreferences(window);
  EXPECT_TRUE(MainDisplayOptions.LiveUpdateResidualPlot);
  EXPECT_FALSE(MainDisplayOptions.LiveUpdateDataPlot);
  EXPECT_FLOAT_EQ(MainDisplayOptions.LiveUpdateInterval, 2.5f);
  EXPECT_TRUE(std::filesystem::exists(preferences));
}

// The dialogs start from the caller's path (or the last data folder), put
// the choice there, refuse a choice longer than the caller's room, and the
// main dialog record is as before afterwards.
TEST_F(ViewCommandsTest, FileNameDialogs) {
  std::string path = "/data/run7/fit.txt";
  backend().ScriptFileDialog(std::vector<std::string>{"/data/run7/other.txt"});
  EXPECT_TRUE(ChooseSaveFileName(window, path, 260, "select save path"));
  EXPECT_EQ(path, "/data/run7/other.txt");
  EXPECT_EQ(LogLinesWith("save file dialog \"select save path\" in /data/run7/").size(), 1u);

  backend().ScriptFileDialog(std::vector<std::string>{"/a/very/long/folder/name.txt"});
  EXPECT_FALSE(ChooseFileName(window, false, path, 10, "pick", "", {}));
  EXPECT_EQ(path, "/data/run7/other.txt");
  EXPECT_EQ(LogLinesWith("too long").size(), 1u);

  backend().ScriptFileDialog(std::nullopt);
  EXPECT_FALSE(ChooseSaveFileName(window, path, 260, "Pick A Parameter Filename"));
  EXPECT_EQ(path, "/data/run7/other.txt");

  WriteLastDataFolder(window, "/data/run9");
  const platform::FileDialogRequest before = window.MainFileDialog;
  backend().ScriptFileDialog(std::vector<std::string>{"/data/run9/00001.RA1"});
  EXPECT_TRUE(ChooseOpenFileName(window, path, 260, "select a scan"));
  EXPECT_EQ(path, "/data/run9/00001.RA1");
  EXPECT_EQ(LogLinesWith("open file dialog \"select a scan\" in /data/run9/").size(), 1u);
  EXPECT_EQ(window.MainFileDialog.title, before.title);
  EXPECT_EQ(window.MainFileDialog.multiSelect, before.multiSelect);
  EXPECT_EQ(window.MainFileDialog.filters.size(), before.filters.size());
}

// Yes switches the histogram of the main layout; No keeps the setting and
// shows the histogram once as a tool plot.
TEST_F(ViewCommandsTest, ResidualHistogramSwitchOrToolPlot) {
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  CmShowResidualsHistogram(window);
  EXPECT_TRUE(MainDisplayOptions.ShowResidualsHistogram);
  EXPECT_TRUE(window.Menu().IsChecked(943));

  LoadScans(3, &Rising);
  for (int i = 1; i <= 3; ++i)
    for (int k = 1; k <= 51; ++k)
      ScanDataSet.ScanModel[i][k] = ScanDataSet.ScanSignal[i][k] + 0.01f * ((k * 7 + i) % 5 - 2);
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  CmShowResidualsHistogram(window);
  EXPECT_TRUE(MainDisplayOptions.ShowResidualsHistogram);
  ASSERT_TRUE(ToolPlotData.ToolPlot);
  EXPECT_EQ(ToolPlotData.ToolPlot->nCurves, 2);
  EXPECT_EQ(ToolPlotData.ToolPlot->szXTitle, "residual value");
  EXPECT_GT(ToolPlotData.FirstLength, 0);

  DlsDataMode = true;
  backend().ClearLog();
  CmShowResidualsHistogram(window);
  EXPECT_TRUE(LogLinesWith("histogram").empty());
}

}  // namespace
