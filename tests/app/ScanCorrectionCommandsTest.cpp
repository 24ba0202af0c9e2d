// Each scan-correction command changes what it names and nothing else, and
// a correction applied with its inverse gives the data back bit for bit.
#include "app/ProgramStartLinks.h"
#include "app/scantools/ScanCorrectionCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "support/TestSupport.h"

namespace {

using platform::BoxAnswer;

struct Snapshot {
  std::vector<float> radii, signals;
  std::vector<double> times, w2t;
  bool operator==(const Snapshot&) const = default;
};

Snapshot Take() {
  Snapshot s;
  const auto& d = ScanDataSet;
  for (int i = 1; i <= d.NFILES; ++i) {
    for (int k = 1; k <= d.ScanPointCount[i]; ++k) {
      s.radii.push_back(d.ScanRadius[i][k]);
      s.signals.push_back(d.ScanSignal[i][k]);
    }
    s.times.push_back(d.ScanHeaders[i].RecordedTime);
    s.w2t.push_back(d.ScanHeaders[i].Omega2t);
  }
  return s;
}

class ScanCorrectionCommandsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    WireAsTheProgramStartDoes(window);
    LoadScans();
  }
  void LoadScans() {
    FreeDataSet();
    AllocScanSlots(3);
    auto& d = ScanDataSet;
    d.NFILES = 3;
    for (int i = 1; i <= 3; ++i) {
      d.ScanPointCount[i] = 50;
      for (auto* a : {&d.ScanRadius, &d.ScanSignal, &d.ScanModel, &d.ScanResiduals})
        (*a)[i].Resize(1, 50);
      for (int k = 1; k <= 50; ++k) {
        d.ScanRadius[i][k] = 5.9f + 0.024f * static_cast<float>(k);
        d.ScanSignal[i][k] = 0.37f * std::tanh(0.2f * (k - 10.0f * i)) + 0.013f * k;
        d.ScanModel[i][k] = d.ScanSignal[i][k];
      }
      d.ScanHeaders[i].Rpm = 50000.0f;
      d.ScanHeaders[i].RecordedTime = 600.0 * i;
      d.ScanHeaders[i].Omega2t = 1.6e7 * i;
      d.ScanFirstFitIndex[i] = 1;
      d.ScanLastFitIndex[i] = 50;
      d.ScanTimeOrder[i] = i;
    }
    SetupCommonRadialGrid();
    before = Take();
  }
  void TearDown() override {
    FreeDataSet();
    HeadlessTest::TearDown();
  }

 public:
  void Answer(BoxAnswer a) { backend().ScriptBoxAnswer(a); }
  void Enter(const char* text) { backend().ScriptEntry(std::string(text)); }
  void Cancel() { backend().ScriptEntry(std::nullopt); }
  TXLAWindow window{"w"};
  Snapshot before;
};

}  // namespace

TEST_F(ScanCorrectionCommandsTest, EachCommandChangesOnlyWhatItNames) {
  struct Case {
    const char* name;
    std::function<void(ScanCorrectionCommandsTest&)> script;
    void (*command)(TXLAWindow&);
    std::function<void(const Snapshot& before, Snapshot& expected)> change;
  } cases[] = {
      {"invert", [](auto& t) { t.Answer(BoxAnswer::No); }, &CmInvertRawData,
       [](const Snapshot&, Snapshot& e) {
         for (float& y : e.signals) y = -y;
       }},
      {"constant",
       [](auto& t) {
         t.Enter("0.25");
         t.Answer(BoxAnswer::No);
       },
       &CmSubtractConstant,
       [](const Snapshot&, Snapshot& e) {
         for (float& y : e.signals) y -= 0.25f;
       }},
      {"calibration",
       [](auto& t) {
         t.Answer(BoxAnswer::Ok);
         t.Enter("5.8");
         t.Enter("7.2");
         t.Answer(BoxAnswer::No);
       },
       &CmCorrectIFRadialCalibration,
       [](const Snapshot&, Snapshot& e) {
         const float a = (7.2f - 5.8f) / (7.15f - 5.85f), b = 5.8f - 5.85f * a;
         for (float& r : e.radii) r = a * r + b;
       }},
      {"time offset",
       [](auto& t) {
         t.Answer(BoxAnswer::Ok);
         t.Enter("120");
         t.Enter("3000");
         t.Answer(BoxAnswer::No);
       },
       &CmAddConstantTimeAndW2t,
       [](const Snapshot&, Snapshot& e) {
         for (double& x : e.times) x += 120.0;
         for (double& x : e.w2t) x += 3000.0;
       }},
      {"cancelled scale", [](auto& t) { t.Cancel(); },
       &CmAddNoiseOrMultiply, [](const Snapshot&, Snapshot&) {}},
  };
  for (const Case& c : cases) {
    LoadScans();
    c.script(*this);
    c.command(window);
    Snapshot expected = before;
    c.change(before, expected);
    const Snapshot after = Take();
    ASSERT_EQ(after.signals.size(), expected.signals.size());
    for (std::size_t n = 0; n < after.signals.size(); ++n) {
      EXPECT_NEAR(after.signals[n], expected.signals[n], 1e-6f) << c.name << " " << n;
      EXPECT_NEAR(after.radii[n], expected.radii[n], 1e-5f) << c.name << " " << n;
    }
    EXPECT_EQ(after.times, expected.times) << c.name;
    EXPECT_EQ(after.w2t, expected.w2t) << c.name;
  }
}

TEST_F(ScanCorrectionCommandsTest, InversionTwiceAndMirrorTwiceRestoreTheDataBitForBit) {
  Answer(BoxAnswer::No);
  CmInvertRawData(window);
  Answer(BoxAnswer::No);
  CmInvertRawData(window);
  EXPECT_EQ(Take(), before);
  for (int pass = 0; pass < 2; ++pass) {
    Answer(BoxAnswer::Ok);
    Enter("5.5");
    Enter("7.5");
    Answer(BoxAnswer::Yes);  // upside down
    Answer(BoxAnswer::No);   // no save
    CmMirrorImageOfRawData(window);
  }
  const Snapshot after = Take();
  EXPECT_EQ(after.signals, before.signals);
  for (std::size_t n = 0; n < after.radii.size(); ++n)
    EXPECT_NEAR(after.radii[n], before.radii[n], 2e-6f);
}

TEST_F(ScanCorrectionCommandsTest, FringeThresholdBelowHalfAFringeRunsWithHalf) {
  ScanReaderOptions.InterferenceData = true;
  auto& d = ScanDataSet;
  d.FitLeftLim = 5.9f;
  d.FitRightLim = 7.2f;
  for (int k = 30; k <= 50; ++k) d.ScanSignal[2][k] += 1.0f;
  Enter("0.3");
  Answer(BoxAnswer::Ok);
  Answer(BoxAnswer::No);  // judge from the signal
  Answer(BoxAnswer::No);
  CmFindFringeJumpsFromDiscontinuity(window);
  ScanReaderOptions.InterferenceData = false;
  EXPECT_EQ(LogLinesWith("threshold cannot be smaller than 0.5").size(), 1u);
  EXPECT_NEAR(d.ScanSignal[2][40], before.signals[50 + 39], 1e-5f);
}

// A fitted model holds its time-invariant noise. Subtracting a constant from
// the data moves that noise and the model with the data: the fit shown still
// matches the corrected data exactly as before, and the RI noise and the TI
// noise removed earlier survive the rebuild of the grid. Without a fitted TI
// noise the model stays and the TI noise is the mean residual.
TEST_F(ScanCorrectionCommandsTest, SubtractConstantTakesTheFittedNoiseAlong) {
  struct Case {
    const char* name;
    bool resampledGrid, tiFitted;
  } cases[] = {{"grid of the scans", false, true},
               {"resampled grid", true, true},
               {"no TI noise in the model", false, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScanReaderOptions.AbsorbanceData = c.resampledGrid;
    LoadScans();
    auto& d = ScanDataSet;
    auto& g = CommonRadialGrid;
    ASSERT_EQ(g.GridResampled, c.resampledGrid);
    // Residuals that average to zero over the scans at every radius, as a
    // fitted TI noise leaves them.
    const float wiggle[] = {0.0f, 0.004f, -0.001f, -0.003f};
    std::vector<float> residuals;
    for (int i = 1; i <= 3; ++i)
      for (int k = 1; k <= 50; ++k) {
        d.ScanModel[i][k] = d.ScanSignal[i][k] - wiggle[i] * std::sin(0.3f * k);
        residuals.push_back(d.ScanSignal[i][k] - d.ScanModel[i][k]);
      }
    FitControl.TINoiseFitted = c.tiFitted;
    for (int j = 1; j <= g.CommonGridSize; ++j) {
      g.TINoise[j] = 0.01f * std::cos(0.2f * j);
      g.RemovedTINoise[j] = 0.002f;
    }
    for (int i = 1; i <= 3; ++i) g.RINoise[i] = 0.05f * i;
    const std::vector<float> ti(g.TINoise.data() + 1, g.TINoise.data() + 1 + g.CommonGridSize);

    Enter("0.25");
    Answer(BoxAnswer::No);
    CmSubtractConstant(window);

    std::size_t n = 0;
    for (int i = 1; i <= 3; ++i)
      for (int k = 1; k <= 50; ++k, ++n) {
        const float now = d.ScanSignal[i][k] - d.ScanModel[i][k];
        EXPECT_NEAR(now, c.tiFitted ? residuals[n] : residuals[n] - 0.25f, 2e-5f) << i << " " << k;
      }
    for (int j = 1; j <= g.CommonGridSize; j += 5) {
      EXPECT_NEAR(g.TINoise[j], c.tiFitted ? ti[static_cast<std::size_t>(j - 1)] - 0.25f : -0.25f,
                  2e-5f)
          << j;
      EXPECT_FLOAT_EQ(g.RemovedTINoise[j], 0.002f);
    }
    for (int i = 1; i <= 3; ++i) EXPECT_FLOAT_EQ(g.RINoise[i], 0.05f * i);
  }
  ScanReaderOptions.AbsorbanceData = false;
  FitControl.TINoiseFitted = false;
}

// The buffer-mismatch estimate leaves data and model alike: the residuals
// stay, and so does the TI noise that the fit put into the model.
TEST_F(ScanCorrectionCommandsTest, SubtractedBufferEstimateKeepsTheFittedTINoise) {
  auto& d = ScanDataSet;
  auto& g = CommonRadialGrid;
  for (int i = 1; i <= 3; ++i) {
    d.ScanHeaders[i].Time = d.ScanHeaders[i].RecordedTime;
    for (int k = 1; k <= 50; ++k) d.ScanModel[i][k] = d.ScanSignal[i][k] - 0.002f * (i - 2);
  }
  ModelParameters.Meniscus = 5.9f;
  ModelParameters.Bottom = 7.2f;
  d.FitLeftLim = 5.93f;
  d.FitRightLim = 7.1f;
  SolventConditions.GasConstantRT = 2.436e10f;
  // Without the dialog's switch-off the command switches the model off itself.
  const auto switchOff = TempParameterFileLinks.BufferSedOff;
  TempParameterFileLinks.BufferSedOff = nullptr;
  auto& b = CorrectionOptions.BufferMismatch;
  b.On = true;
  b.BufferSignal = 0.1;
  b.BufferS = 0.21;
  b.BufferD = 86;
  FitControl.TINoiseFitted = true;
  for (int j = 1; j <= g.CommonGridSize; ++j) g.TINoise[j] = 0.01f * std::cos(0.2f * j);
  for (int i = 1; i <= 3; ++i) g.RINoise[i] = 0.05f * i;
  const std::vector<float> ti(g.TINoise.data() + 1, g.TINoise.data() + 1 + g.CommonGridSize);

  CmSubtractBufferMismatchEstimate(window);

  EXPECT_FALSE(b.On);
  float moved = 0.0f;
  std::size_t n = 0;
  for (int i = 1; i <= 3; ++i)
    for (int k = 1; k <= 50; ++k, ++n) {
      moved = std::max(moved, std::fabs(d.ScanSignal[i][k] - before.signals[n]));
      EXPECT_NEAR(d.ScanSignal[i][k] - d.ScanModel[i][k], 0.002f * (i - 2), 1e-5f);
    }
  EXPECT_GT(moved, 1e-3f);  // the buffer's signal is gone from the data
  for (int j = 1; j <= g.CommonGridSize; ++j)
    EXPECT_NEAR(g.TINoise[j], ti[static_cast<std::size_t>(j - 1)], 1e-5f) << j;
  for (int i = 1; i <= 3; ++i) EXPECT_FLOAT_EQ(g.RINoise[i], 0.05f * i);
  b = BufferMismatchSettingsRecord{};
  TempParameterFileLinks.BufferSedOff = switchOff;
  SolventConditions = SolventConditionsRecord{};
  FitControl.TINoiseFitted = false;
  ModelParameters = ModelParametersRecord{};
}
