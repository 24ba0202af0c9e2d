#pragma once
// Helpers of the display tests: every test starts and ends with the records
// of the data set and of the display at their defaults and with no hook left
// pointing at a finished test; a small synthetic data set of sedimentation
// boundaries with noise; and a main window over a raster image.

#include <cmath>
#include <memory>
#include <optional>
#include <random>
#include <vector>

#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "data/InitialDistribution.h"
#include "data/ResidualBitmap.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "display/DisplayLinks.h"
#include "state/ContiNonidSimLink.h"
#include "state/LoadOptions.h"
#include "display/LiveRefresh.h"
#include "display/MainPlots.h"
#include "display/ResidualHistogramPlot.h"
#include "state/CursorLines.h"
#include "state/DisplayState.h"
#include "state/MainPlotLayout.h"
#include "state/PaintState.h"
#include "state/ScreenModes.h"
#include "models/FitResultDisplay.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "platform/Window.h"
#include "platform/qt/RasterCanvas.h"
#include "support/TestSupport.h"

// The paint's links to the window's own layers (tool screens, buttons,
// labels, overlays), which these tests leave out: each draws and answers
// nothing.
inline display::MainDisplayLinksRecord NoWindowLayers() {
  display::MainDisplayLinksRecord r;
  r.ExitProgram = [] {};
  r.ModelCurvesReady = [] { return false; };
  r.ReferenceMeniscus = [] { return std::optional<float>{}; };
  r.RedrawDistributionPlot = [] { return platform::Metafile{}; };
  r.DrawPriorOverlay = [](platform::Canvas&) {};
  r.ToolPlotsExist = [] { return false; };
  r.PaintToolLayer = [](platform::Canvas&) { return display::ToolLayer::None; };
  r.RepaintEqTestPlot = [] { return platform::Metafile{}; };
  r.ExtrapolationPlot = [] { return platform::Metafile{}; };
  r.DrawCtotOverlay = [](platform::Canvas&) {};
  r.FitResultText = [] {};
  r.PaintToolStatus = [](platform::Canvas&) {};
  r.PaintScreenButtons = [](platform::Canvas&) {};
  r.PeakLabelsActive = [] { return false; };
  r.ClearPeakLabels = [] {};
  r.PaintFitResultLines = [](platform::Canvas&, int, int) {};
  r.UpdateRuntimeMenus = [] {};
  return r;
}

inline void ResetDisplayRecords() {
  // The layers below and above the display that the program start links
  // in: here they do nothing.
  BuildMainDataPlots = [] {};
  RenderDataPlot = [](bool) {};
  RenderResidualPlot = [] {};
  UpdateHistogramPlot = [](bool) {};
  BuildResidualHistogram = [] {};
  DestroyMainPlots = [] {};
  DestroyContiNonidSim = [] {};
  FreeNonlinearDetectionArrays = [] {};
  ResidualPlotYRange = [] { return std::pair<float, float>{0.0f, 0.0f}; };
  ::TimedPlotRefresh = [] {};
  WriteScanRmsDefault = [] {};
  // The diagnostics file is the window's; a distribution run still reports
  // its steps to it.
  DebugLog = [](platform::WindowHandle, const std::string&) {};
  display::MainDisplayLinks = NoWindowLayers();
  display::FreeResidualHistogram();
  display::DestroyMainPlots();
  FreeDataSet();
  ScanDataSet = ScanDataSetRecord{};
  CommonRadialGrid = CommonRadialGridRecord{};
  ScanReaderOptions = ScanReaderOptionsRecord{};
  ModelParameters = ModelParametersRecord{};
  FitControl = FitControlRecord{};
  InitialDistribution = InitialDistributionRecord{};
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  DlsDataMode = false;
  BatchDone = false;
  ExitRequested = false;
  DrawingAllowed = false;
  ScanRmsFileOn = false;
  MainPlotLayout = MainPlotLayoutRecord{};
  MainDisplayOptions = MainDisplayOptionsRecord{};
  CursorLineState = CursorLineStateRecord{};
  ScreenModes = ScreenModesRecord{};
  PaintState = PaintStateRecord{};
  display::LiveRefreshState = display::LiveRefreshStateRecord{};
}

class DisplayTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ResetDisplayRecords();
  }
  void TearDown() override {
    ResetDisplayRecords();
    HeadlessTest::TearDown();
  }
};

// Sedimentation boundaries moving out with time over 6.0 .. 7.0 cm, noisy
// signal and the noise-free boundary as model. With reversed order the files
// come latest first, so that time rank and file slot differ.
inline void LoadSyntheticScans(int scans, int points = 101, bool reversedOrder = false,
                               float noise = 0.01f) {
  AllocScanSlots(scans);
  auto& d = ScanDataSet;
  d.NFILES = scans;
  std::mt19937 random(12345);
  std::normal_distribution<float> gauss(0.0f, noise);
  for (int i = 1; i <= scans; ++i) {
    const int rank = reversedOrder ? scans + 1 - i : i;
    d.ScanPointCount[i] = points;
    d.ScanRadius[i].Resize(1, points);
    d.ScanSignal[i].Resize(1, points);
    d.ScanModel[i].Resize(1, points);
    d.ScanNoise[i].Resize(1, points);
    d.ScanResiduals[i].Resize(1, points);
    d.ScanHeaders[i].Time = 600.0 * rank;
    d.ScanTimeOrder[rank] = i;
    d.ScanFirstFitIndex[i] = 1;
    d.ScanLastFitIndex[i] = points;
    const float front = 6.1f + 0.8f * static_cast<float>(rank) / static_cast<float>(scans + 1);
    for (int k = 1; k <= points; ++k) {
      const float r = 6.0f + static_cast<float>(k - 1) / static_cast<float>(points - 1);
      const float model = 0.5f * (1.0f + std::erf((r - front) / 0.03f));
      d.ScanRadius[i][k] = r;
      d.ScanModel[i][k] = model;
      d.ScanSignal[i][k] = model + gauss(random);
    }
    BuildScanPlotVectors(i);
  }
}

// The main window as direct drawing sees it: a client area over a raster
// image, nothing else.
class RasterHost : public platform::WindowHost {
 public:
  RasterHost(int width, int height) : canvas_(width, height) {}
  platform::WindowHandle Handle() const override { return this; }
  void Show() override {}
  void SetTitle(const std::string&) override {}
  std::string Title() const override { return {}; }
  void SetAccelerators(std::vector<platform::Accelerator>) override {}
  platform::Size ClientSize() const override { return {canvas_.Width(), canvas_.Height()}; }
  void ResizeClient(platform::Size size) override { canvas_.Resize(size.width, size.height); }
  platform::Canvas& ClientCanvas() override { return canvas_; }
  void Invalidate() override { ++invalidations; }
  void UpdateNow() override {}
  platform::RgbImage Snapshot() override { return canvas_.ToRgbImage(); }
  void SetCursor(platform::CursorShape) override {}
  void CaptureMouse(bool) override {}
  void AcceptDroppedFiles(bool) override {}
  void SetTimer(int, int) override {}
  void KillTimer(int) override {}

  platform::RasterCanvas& Raster() { return canvas_; }
  int invalidations = 0;

 private:
  platform::RasterCanvas canvas_;
};

// Pixels of the image that are not white.
inline int InkedPixels(const platform::RgbImage& image, int left, int top, int right, int bottom) {
  int inked = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      if (!(image.At(x, y) == platform::kWhite)) ++inked;
  return inked;
}
