#pragma once
// The main window on the headless backend with a raster client area of
// 1400 x 1000 pixels over a data plot of synthetic scans, the plot mapping
// fixed at 1000 plot units per cm (6.0 cm at column 500), and input sent as
// the platform's queued messages. Everything the interaction touches is put
// back afterwards.

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "app/ProgramStartLinks.h"
#include "app/ShellFixture.h"
#include "app/interaction/CursorActions.h"
#include "app/interaction/DistributionTools.h"
#include "app/interaction/InteractionHooks.h"
#include "app/interaction/InteractionState.h"
#include "app/interaction/ScanPicking.h"
#include "app/interaction/ScreenButtons.h"
#include "app/viewcmds/ViewCommands.h"
#include "app/window/TXLAWindow.h"
#include "display/DisplayTestSupport.h"
#include "display/DistributionPlot.h"
#include "display/WindowCoordinates.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "models/TempParameterFile.h"
#include "numerics/Hydrodynamics.h"
#include "platform/qt/RasterWindows.h"
#include "resources/AppStrings.h"

inline void ResetInteractionRecords() {
  ResetInteractionState();
  ResetScreenButtons();
  CursorLineState = CursorLineStateRecord{};
  DisplayRangeStack = DisplayRangeStackRecord{};
  ScanEditState = ScanEditStateRecord{};
  IntegrationRanges = IntegrationRangesRecord{};
  CorrectionOptions.BufferMismatch = BufferMismatchSettingsRecord{};
}

class PlotInteraction : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    ResetDisplayRecords();
    ResetInteractionRecords();
    savedModel_ = ModelSelection.Kind;
    savedDistribution_ = DistributionSettings;
    savedResult_ = DistributionResult;
    platform::qt::UseRasterWindows(backend());
    window = std::make_unique<TXLAWindow>(MainWindowTitle);
    WireAsTheProgramStartDoes(*window);
    window->Create();
    window->Host()->ResizeClient({1400, 1000});
    Paint();
  }

  void TearDown() override {
    window.reset();
    display::ClearDistributionPlots();
    ResetInteractionRecords();
    ResetDisplayRecords();
    ModelSelection.Kind = savedModel_;
    DistributionSettings = savedDistribution_;
    DistributionResult = savedResult_;
    ShellTest::TearDown();
  }

  void Paint() {
    window->Host()->Invalidate();
    window->Host()->UpdateNow();
  }

  // Synthetic scans in a data plot whose mapping puts value v at column
  // 1000 v - 5500 (6.0 cm at 500, 6.5 cm at 1000).
  void LoadScans() {
    LoadSyntheticScans(6);
    display::BuildMainDataPlots();
    display::LayoutAndRenderMainPlots();
    FixMapping();
  }

  // Pixels of a screen button's caption (darker than its grey or light red
  // face and its light edges) in columns x0..x1 and rows y0..y1.
  static int CaptionPixels(const platform::RgbImage& image, int x0, int x1, int y0, int y1) {
    int n = 0;
    for (int x = x0; x <= x1; ++x)
      for (int y = y0; y <= y1; ++y) n += image.At(x, y).red < 200 ? 1 : 0;
    return n;
  }

  // At 1400 x 1000 a logical unit is a pixel: the caption of b shows, and
  // the two columns inside its border on either side stay clear of it.
  static void ExpectWholeCaption(const platform::RgbImage& image, const CScreenButton& b) {
    const int top = std::min(b.RectTop, b.RectBottom) + 1;
    const int bottom = std::max(b.RectTop, b.RectBottom) - 2;
    EXPECT_GT(CaptionPixels(image, b.RectLeft + 6, b.RectRight - 6, top, bottom), 30);
    EXPECT_EQ(CaptionPixels(image, b.RectLeft + 3, b.RectLeft + 4, top, bottom), 0);
    EXPECT_EQ(CaptionPixels(image, b.RectRight - 3, b.RectRight - 2, top, bottom), 0);
  }

  static void FixMapping() {
    CWINPlot& plot = *display::MainPlots.DataPlot;
    plot.fXScale = 1000.0f;
    plot.fXOffset = -5500.0f;
  }

  // s = 0.5, 1.0, ... (0.5 S apart, one point per value) with the given
  // values, and the distribution plot.
  static void MakeDistribution(const std::vector<float>& values) {
    const int n = static_cast<int>(values.size());
    DistributionSettings.DistGridSize = n;
    ResizeDistributionGrids(n);
    auto& r = DistributionResult;
    for (int i = 1; i <= n; ++i) {
      r.DistSGrid[i] = 0.5f * static_cast<float>(i);
      r.DistMGrid[i] = CalculateM(r.DistSGrid[i]);
      r.DistValues[i] = values[static_cast<std::size_t>(i - 1)];
    }
    display::BuildDistributionPlot();
    FixMapping();
  }

  static int Column(float v) { return display::ValueToWindowX(*display::MainPlots.DataPlot, v); }
  // A row in the middle of the data plot.
  static int DataRow() { return 200; }

  void Send(platform::MessageKind kind, int x, int y, bool control = false, bool shift = false) {
    platform::Message m;
    m.window = window->Handle();
    m.kind = kind;
    m.lparam = static_cast<long>(x) | (static_cast<long>(y) << 16);
    m.control = control;
    m.shift = shift;
    backend().QueueMessage(m);
    backend().RunMessageLoop();
  }
  void Key(int key) {
    platform::Message m{window->Handle(), platform::MessageKind::KeyDown, key, 0};
    backend().QueueMessage(m);
    backend().RunMessageLoop();
  }
  void Char(int character) {
    platform::Message m{window->Handle(), platform::MessageKind::Char, character, 0};
    backend().QueueMessage(m);
    backend().RunMessageLoop();
  }
  // Press at x, move to x2, release there.
  void Drag(int x, int x2, int y) {
    Send(platform::MessageKind::LeftButtonDown, x, y);
    Send(platform::MessageKind::MouseMove, x2, y);
    Send(platform::MessageKind::LeftButtonUp, x2, y);
  }
  void RightDrag(int x, int y, int x2, int y2) {
    Send(platform::MessageKind::RightButtonDown, x, y);
    Send(platform::MessageKind::MouseMove, x2, y2);
    Send(platform::MessageKind::RightButtonUp, x2, y2);
  }

  std::unique_ptr<TXLAWindow> window;

 private:
  ModelKind savedModel_ = ModelKind::NonInteractingSpecies;
  DistributionSettingsRecord savedDistribution_;
  DistributionResultRecord savedResult_;
};
