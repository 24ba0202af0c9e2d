// What the engines draw over the data plot when a scan of a simulation is
// complete: the reacting system's three species, the co-solute's profile
// (and its scan file), the scan's model during a Run; and that nothing is
// drawn without a window, in a fit or in a batch run.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/ScanFileReader.h"
#include "engines/CosoluteSolver.h"
#include "engines/EngineRoads.h"
#include "engines/EngineScanOverlays.h"
#include "engines/EngineTestSupport.h"
#include "engines/InhomogeneousSolvent.h"
#include "engines/ReactingABEngine.h"
#include "lamm/LammDisplayLinks.h"
#include "models/SimulationRoads.h"
#include "state/ProgramFlags.h"
#include "state/ProgramPaths.h"

namespace {

struct DrawnCurve {
  platform::Color colour;
  int size;
  std::vector<float> x, y;
};

// The display stands in: a data plot that is never looked into, and every
// curve drawn over it kept.
class OverlayRecorder {
 public:
  OverlayRecorder() {
    saved_ = LammDisplayLinks;
    LammDisplayLinks.DataPlot = [this] { return plot_ ? reinterpret_cast<CWINPlot*>(&plot_) : nullptr; };
    LammDisplayLinks.DrawCurve = [this](platform::WindowHandle w, CWINPlot* p, int n, float* x,
                                        float* y, platform::Color colour, int size) {
      EXPECT_NE(w, nullptr);
      EXPECT_EQ(p, reinterpret_cast<CWINPlot*>(&plot_));
      curves.push_back({colour, size, std::vector<float>(x + 1, x + n + 1),
                        std::vector<float>(y + 1, y + n + 1)});
    };
  }
  ~OverlayRecorder() { LammDisplayLinks = saved_; }
  void ShowPlot(bool shown) { plot_ = shown ? 1 : 0; }
  std::vector<platform::Color> Colours() const {
    std::vector<platform::Color> c;
    for (const DrawnCurve& d : curves) c.push_back(d.colour);
    return c;
  }
  std::vector<DrawnCurve> curves;

 private:
  int plot_ = 1;
  LammDisplayLinksRecord saved_;
};

const platform::Color kBlue = platform::Rgb(0, 0, 255);
const platform::Color kGreen = platform::Rgb(0, 255, 0);
const platform::Color kRed = platform::Rgb(255, 0, 0);
const platform::Color kPurple = platform::Rgb(150, 0, 150);

class EngineScanOverlays : public engine_test::EngineRunTest {
 protected:
  void SetUp() override {
    EngineRunTest::SetUp();
    savedRoads_ = SimulationRoads;
    InstallEngineRoads();
    Reset();
  }
  void TearDown() override {
    Reset();
    BatchMode = false;
    FitControl.FitRunning = false;
    SimulationRoads = savedRoads_;
    EngineRunTest::TearDown();
  }
  static void Reset() {
    ReactingSystemParameters = ReactingSystemParametersRecord{};
    ReactingEngine = ReactingEngineRecord{};
    InhomogeneousSolventSettings = InhomogeneousSolventSettingsRecord{};
    InhomogeneousSolventWork = InhomogeneousSolventWorkRecord{};
    CosoluteState = CosoluteStateRecord{};
    SpeciesSignals.LiveRunDisplay = false;
  }

 private:
  SimulationRoadsRecord savedRoads_;
};

TEST_F(EngineScanOverlays, TheReactingSystemShowsItsThreeSpeciesAtEachScanWhereAWindowIs) {
  struct Case {
    bool window, plot, fit, batch;
    std::size_t curves;  // per scan
  } const cases[] = {
      {true, true, false, false, 3},
      {false, true, false, false, 0},  // a worker or a computation without a window
      {true, false, false, false, 0},  // no data plot shown
      {true, true, true, false, 0},    // a fit
      {true, true, false, true, 0},    // a batch run
  };
  int window = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.window << c.plot << c.fit << c.batch);
    OverlayRecorder shown;
    shown.ShowPlot(c.plot);
    FitControl.FitRunning = c.fit;
    BatchMode = c.batch;
    // "r": the run's diagnostics do not wait for keys.
    if (c.window && !c.fit && !c.batch) backend().QueueKeyPress(&window, 114, 114);
    ModelSelection.Kind = ModelKind::ReactingABC;
    SetUpEngineRun({10.0, 20.0}, 50000, 60, 0.0, {});
    GlobalLammRun.CallbackWindow = c.window ? &window : nullptr;
    ReactingSystemParametersRecord& p = ReactingSystemParameters;
    p.LogK = 0.5f;
    p.LoadingSignalA = 0.6f;
    p.LoadingSignalB = 0.4f;
    p.SedimentationA = 4.0f;
    p.SedimentationB = 2.0f;
    p.SedimentationComplex = 7.0f;
    p.DiffusionA = 6e-7f;
    p.DiffusionB = 8e-7f;
    p.DiffusionComplex = 4.5e-7f;
    PropagateReactingSystem();
    ASSERT_EQ(shown.curves.size(), 2 * c.curves);
    if (c.curves > 0) {
      EXPECT_EQ(shown.Colours(),
                (std::vector<platform::Color>{kBlue, kGreen, kRed, kBlue, kGreen, kRed}));
      // The last scan's species are the engine's final free A, free B and
      // complex on its grid.
      const ReactingArrays w = ReactingWork();
      const int n = GlobalLammArrays.LammAllocatedSize;
      const double* last[] = {w.FreeA, w.FreeB, w.Complex};
      for (int k = 0; k < 3; ++k) {
        const DrawnCurve& d = shown.curves[static_cast<std::size_t>(3 + k)];
        ASSERT_EQ(d.y.size(), static_cast<std::size_t>(n));
        EXPECT_FLOAT_EQ(d.x[0], static_cast<float>(GlobalLammArrays.LammRadius[1]));
        EXPECT_FLOAT_EQ(d.y[static_cast<std::size_t>(n / 2)], static_cast<float>(last[k][n / 2 + 1]));
      }
      // Free A and free B of the loading never exceed their totals.
      EXPECT_LT(shown.curves[0].y[static_cast<std::size_t>(n - 1)], 0.6f);
    }
    ResetModelRecords();
    Reset();
  }
}

TEST_F(EngineScanOverlays, TheCosoluteIsDrawnAndSavedAsItsOptionsSay) {
  ScratchFolder temp;
  const std::string savedTemp = ProgramPaths.TempFolder;
  ProgramPaths.TempFolder = temp.path().string() + "/";
  LoadVelocityTestScans(2, 0.01, 300.0, 50000.0f);
  ModelParameters.Meniscus = 5.8f;
  ModelParameters.Bottom = 7.2f;
  GlobalLammRun.RunRpm = GlobalLammRun.FinalRpm = 50000.0;
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  s.SedimentingCosolute = s.CosoluteOn = true;
  s.CosoluteGridSize = 71;
  ASSERT_TRUE(InitCosoluteGradient());
  int window = 0;
  GlobalLammRun.CallbackWindow = &window;
  const std::string file = temp.File(ScanDataSet.ScanFilePaths[2]);

  struct Case {
    bool plot, save, fit;
    std::size_t curves;
    bool written;
  } const cases[] = {
      {false, false, false, 0, false},
      {true, false, false, 1, false},
      {false, true, false, 0, true},
      {true, true, false, 1, true},
      {true, true, true, 0, false},  // a fit shows and writes nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.plot << c.save << c.fit);
    std::filesystem::remove(file);
    OverlayRecorder shown;
    s.CosolutePlot = c.plot;
    s.CosoluteSave = c.save;
    FitControl.FitRunning = c.fit;
    DrawEngineScanOverlays(2);
    ASSERT_EQ(shown.curves.size(), c.curves);
    if (c.curves > 0) {
      const DrawnCurve& d = shown.curves[0];
      EXPECT_EQ(d.colour, kBlue);
      EXPECT_EQ(d.size, 1);
      ASSERT_EQ(d.y.size(), 71u);
      EXPECT_FLOAT_EQ(d.x[70], static_cast<float>(CosoluteRadius()[71]));
      EXPECT_FLOAT_EQ(d.y[0], static_cast<float>(CosoluteProfile()[1]));
    }
    EXPECT_EQ(std::filesystem::exists(file), c.written);
    if (c.written) {
      const ReadScan scan = ReadScanAt(file);
      EXPECT_EQ(scan.result, 1);
      EXPECT_NE(scan.header.Description.find("component 2"), std::string::npos) << scan.header.Description;
      EXPECT_FLOAT_EQ(scan.signal[1], static_cast<float>(CosoluteProfile()[1]));
    }
  }
  FitControl.FitRunning = false;
  ProgramPaths.TempFolder = savedTemp;
}

TEST_F(EngineScanOverlays, ARunShowsEachScansModelInTheColourOfItsSpecies) {
  OverlayRecorder shown;
  LoadVelocityTestScans(2, 0.01, 300.0, 50000.0f);
  int window = 0;
  GlobalLammRun.CallbackWindow = &window;
  GlobalLammRun.CurrentSpecies = 1;
  ScanDataSet.ScanModel[2][5] = 0.25f;
  for (const bool live : {false, true}) {
    SpeciesSignals.LiveRunDisplay = live;
    DrawEngineScanOverlays(2);
  }
  ASSERT_EQ(shown.curves.size(), 1u);
  EXPECT_EQ(shown.curves[0].colour, kPurple);
  ASSERT_EQ(shown.curves[0].y.size(), static_cast<std::size_t>(ScanDataSet.ScanPointCount[2]));
  EXPECT_FLOAT_EQ(shown.curves[0].y[4], 0.25f);
  EXPECT_FLOAT_EQ(shown.curves[0].x[0], ScanDataSet.ScanRadius[2][1]);
}

}  // namespace
