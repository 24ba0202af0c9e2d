// Each scan-correction command changes what it names and nothing else, and
// a correction applied with its inverse gives the data back bit for bit.
#include "app/scantools/ScanCorrectionCommands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
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
