#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "DataTestSupport.h"
#include "state/LoadOptions.h"
#include "data/InitialData.h"
#include "state/LammSolverSettings.h"

namespace {

class InitialDataTest : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    // Two loaded scans, 6.0 to 7.0 cm, at 600 s and 1200 s.
    LoadTestScans(
        {{6.0, 7.0, 0.002, 1200.0, nullptr, 0.3f}, {6.0, 7.0, 0.002, 600.0, nullptr, 0.2f}});
    ScanReaderOptions.InterferenceData = true;
    ModelParameters.Meniscus = 5.95f;
    ModelParameters.Bottom = 7.2f;
    ModelParameters.InitialConcentrationExperimental = true;
  }
  void TearDown() override {
    ExtrapolateInitialDataLeft = [] {};
    ExtrapolateInitialDataRight = [] {};
    LoadOptions = LoadOptionsRecord{};
    LammSolverSettings = LammSolverSettingsRecord{};
    DataTest::TearDown();
  }

  // An initial profile at radii 5.96, 5.961, ... 7.15 with the given signal.
  static void SetProfile(const std::function<float(float)>& signal, double first = 5.96,
                         double last = 7.15) {
    auto& p = InitialDistribution;
    const int n = static_cast<int>(std::lround((last - first) / 0.001)) + 1;
    p.Radius.Resize(1, n);
    p.Signal.Resize(1, n);
    p.Count = n;
    for (int k = 1; k <= n; ++k) {
      p.Radius[k] = static_cast<float>(first + 0.001 * (k - 1));
      p.Signal[k] = signal(p.Radius[k]);
    }
  }

  static std::vector<float> ProfileSignal() {
    const auto& p = InitialDistribution;
    return std::vector<float>(p.Signal.data() + 1, p.Signal.data() + 1 + p.Count);
  }

  // A scan file whose signal is a function of the radius.
  std::string InitialScanFile(const std::string& header, const std::string& description = "init") {
    std::vector<double> signals;
    for (int k = 0; k < 1191; ++k) signals.push_back(0.1 + 0.0005 * k);
    return scratch.Write("initial.ra1", ScanText(description, header, DataLines(signals, 5.96)));
  }
};

// Spikes of a meniscus artefact left of the fit limit, and a bottom artefact
// right of it, on a profile that is a straight line in between.
float Artefacts(float r, float (*line)(float)) {
  if (r < 6.05f || r > 6.95f) return 3.0f + 10.0f * std::sin(40.0f * r);
  return line(r);
}
float Rising(float r) {
  return 0.5f + 5.0f * (r - 6.05f);
}
float Falling(float r) {
  return 1.0f - 2.0f * (r - 6.05f);
}

// With order 1 the profile left of the limit becomes the straight line
// through the means of two equal blocks between the limit and as far again
// beyond it: for a straight profile, that line itself, never below the
// baseline and non-decreasing towards the limit.
TEST_F(InitialDataTest, LeftOfTheLimitTheProfileBecomesTheLineThroughBlockMeans) {
  struct Case {
    const char* what;
    float (*line)(float);
    float baseline;
  };
  const Case cases[] = {{"rising line, clipped at the baseline", Rising, 0.3f},
                        {"falling line, made non-decreasing", Falling, 0.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ModelParameters.Baseline = c.baseline;
    ScanDataSet.FitLeftLim = 6.05f;
    SetProfile([&c](float r) { return Artefacts(r, c.line); });
    const auto before = ProfileSignal();
    ASSERT_TRUE(ExtrapolateInitialProfileLeft());
    const auto& p = InitialDistribution;
    const float atLimit = c.line(6.05f);
    for (int k = 1; k <= p.Count; ++k) {
      const float r = p.Radius[k];
      float expected = before[static_cast<std::size_t>(k - 1)];
      if (r < 6.05f) expected = std::min(std::max(c.line(r), c.baseline), atLimit);
      ASSERT_NEAR(p.Signal[k], expected, 2e-4f) << r;
    }
  }
}

TEST_F(InitialDataTest, RightOfTheLimitTheProfileBecomesTheLineThroughBlockMeans) {
  ModelParameters.Baseline = 0.0f;
  ScanDataSet.FitRightLim = 6.95f;
  SetProfile([](float r) { return Artefacts(r, Rising); });
  const auto before = ProfileSignal();
  ASSERT_TRUE(ExtrapolateInitialProfileRight());
  const auto& p = InitialDistribution;
  for (int k = 1; k <= p.Count; ++k) {
    const float r = p.Radius[k];
    // Beyond the bottom too: no monotonic step on this side.
    const float expected = r > 6.95f ? Rising(r) : before[static_cast<std::size_t>(k - 1)];
    ASSERT_NEAR(p.Signal[k], expected, 2e-4f) << r;
  }
}

// Too few points for the blocks of the polynomial would divide by zero (or
// make coinciding nodes): refused with a message, the profile untouched.
TEST_F(InitialDataTest, TooFewPointsForTheBlocksAreRefusedWithAMessage) {
  struct Case {
    const char* what;
    bool left;
    float meniscus, bottom, limit;
    int order;
    float factor;
    double first, last;
  };
  const Case cases[] = {
      {"ten points, order 12", true, 6.04f, 7.2f, 6.05f, 12, 1.0f, 5.96, 7.15},
      {"no extrapolation distance", true, 5.95f, 7.2f, 6.05f, 1, 0.0f, 5.96, 7.15},
      {"negative order", true, 5.95f, 7.2f, 6.05f, -1, 1.0f, 5.96, 7.15},
      {"profile ends before the limit", true, 5.95f, 7.2f, 6.05f, 1, 1.0f, 5.96, 6.04},
      {"one point inside the limit", true, 5.95f, 7.2f, 6.05f, 1, 1.0f, 5.96, 6.05},
      {"right: thirty points, order 40", false, 5.95f, 6.97f, 6.96f, 40, 1.0f, 5.96, 7.15},
      {"right: profile starts beyond the limit", false, 5.95f, 7.2f, 6.95f, 1, 1.0f, 6.96, 7.15},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    backend().ClearLog();
    ModelParameters.Meniscus = c.meniscus;
    ModelParameters.Bottom = c.bottom;
    (c.left ? ScanDataSet.FitLeftLim : ScanDataSet.FitRightLim) = c.limit;
    InitialDistribution.InitialDataPolynomialOrder = c.order;
    InitialDistribution.InitialDataExtrapolationFactor = c.factor;
    SetProfile([](float r) { return Rising(r); }, c.first, c.last);
    const auto before = ProfileSignal();
    EXPECT_FALSE(c.left ? ExtrapolateInitialProfileLeft() : ExtrapolateInitialProfileRight());
    EXPECT_EQ(ProfileSignal(), before);
    EXPECT_EQ(LogLinesWith("too few points to extrapolate the initial data").size(), 1u);
  }
}

TEST_F(InitialDataTest, ExtensionNeedsExperimentalLoadingALimitInsideTheCellAndNoIntensityData) {
  struct Case {
    const char* what;
    std::function<void()> setting;
    const char* message;
  };
  const Case cases[] = {
      {"constant loading", [] { ModelParameters.InitialConcentrationExperimental = false; },
       nullptr},
      {"limits at meniscus and bottom",
       [] {
         ScanDataSet.FitLeftLim = 5.95f;
         ScanDataSet.FitRightLim = 7.2f;
       },
       nullptr},
      {"intensity data", [] { ScanReaderOptions.IntensityData = true; },
       "initial extrapolation not implemented yet!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    backend().ClearLog();
    ModelParameters.InitialConcentrationExperimental = true;
    ScanReaderOptions.IntensityData = false;
    ScanDataSet.FitLeftLim = 6.05f;
    ScanDataSet.FitRightLim = 6.95f;
    c.setting();
    SetProfile([](float r) { return Artefacts(r, Rising); });
    const auto before = ProfileSignal();
    EXPECT_FALSE(ExtrapolateInitialProfileLeft());
    EXPECT_FALSE(ExtrapolateInitialProfileRight());
    EXPECT_EQ(ProfileSignal(), before);
    if (c.message) {
      EXPECT_EQ(LogLinesWith(c.message).size(), 2u);
      EXPECT_EQ(LogLinesWith("[ERROR]").size(), 2u);
    } else {
      EXPECT_TRUE(LogLinesWith("box").empty());
    }
  }
}

TEST_F(InitialDataTest, NothingIsReadWithoutLoadedData) {
  ResetDataRecords();
  EXPECT_EQ(SetInitialData(nullptr, InitialScanFile("R 1 20.0 50000 600 1.6449e+10 280 2")), 0);
  EXPECT_EQ(InitialDistribution.Count, 0);
  EXPECT_EQ(LogLinesWith("please load data files first").size(), 1u);
}

TEST_F(InitialDataTest, UnreadableFileGivesLoadErrorAndNoInitialData) {
  const std::string paths[] = {scratch.File("missing.ra1"), scratch.Write("empty.ra1", ""),
                               scratch.Write("garbage.ra1", "x\nQ 1 2 3\n6.0 0.1\n")};
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    backend().ClearLog();
    EXPECT_EQ(SetInitialData(nullptr, path), 0);
    EXPECT_EQ(InitialDistribution.Count, 0);
    EXPECT_EQ(InitialDistribution.Signal.size(), 0);
    EXPECT_EQ(LogLinesWith("[LOAD ERROR]").size(), 1u);
    EXPECT_EQ(LogLinesWith(path).size(), 1u);
  }
}

// An initial scan recorded at the time of the earliest data scan stands for
// that scan, whose model becomes its own data.
TEST_F(InitialDataTest, InitialScanAtTheEarliestTimeStandsForThatScan) {
  struct Case {
    const char* header;
    bool firstScan;
  };
  const Case cases[] = {{"R 1 20.0 50000 600 1.6449e+10 280 2", true},
                        {"R 1 20.0 50000 1200 3.2898e+10 280 2", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    for (int k = 1; k <= ScanDataSet.ScanPointCount[2]; ++k) ScanDataSet.ScanModel[2][k] = 0.0f;
    ASSERT_EQ(SetInitialData(nullptr, InitialScanFile(c.header)), 1);
    EXPECT_EQ(InitialDistribution.Count, 1191);
    EXPECT_EQ(LammSolverSettings.InitialDataIsFirstScan, c.firstScan);
    // Scan 2 is the earliest (600 s).
    EXPECT_EQ(ScanDataSet.ScanModel[2][10], c.firstScan ? 0.2f : 0.0f);
    EXPECT_EQ(ScanDataSet.ScanModel[1][10], 0.0f);
  }
  // Reading the absorbance file beside interference data leaves the kind
  // flags describing the loaded data.
  EXPECT_TRUE(ScanReaderOptions.InterferenceData);
  EXPECT_FALSE(ScanReaderOptions.AbsorbanceData);
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(InitialDataTest, TimesFromOmega2tConvertTheInitialScansTime) {
  ScanDataSet.TimesFromW2t = true;
  ASSERT_EQ(SetInitialData(nullptr, InitialScanFile("R 1 20.0 50000 660 1.6449e+10 280 2")), 1);
  const double omega = 50000.0 * 3.14159265358979 / 30.0;
  EXPECT_NEAR(InitialDistribution.InitialDataHeader.Time, 1.6449e10 / (omega * omega), 1e-6);
  EXPECT_NEAR(InitialDistribution.InitialDataHeader.RecordedTime, 660.0, 1e-9);
}

TEST_F(InitialDataTest, TimeStampDiscrepancyIsReportedAndTheDataKept) {
  LoadOptions.TimeStampCheckOn = true;
  ScanDataSet.ScanHeaders[1].TimeStampChecked = true;
  const std::string path = InitialScanFile("R 1 20.0 50000 600 1.6449e+10 280 2");
  ASSERT_EQ(SetInitialData(nullptr, path), 1);
  EXPECT_EQ(InitialDistribution.Count, 1191);
  EXPECT_EQ(LogLinesWith(path + "\n time stamp correction discrepancy with previous data!").size(),
            1u);
  backend().ClearLog();
  ASSERT_EQ(
      SetInitialData(nullptr, InitialScanFile("R 1 20.0 50000 600 1.6449e+10 280 2", "[T OK]init")),
      1);
  EXPECT_TRUE(backend().Log().empty());
}

// Reading the initial scan applies the fit limits again, which extends the
// profile beyond them; a later change of a limit extends it again.
TEST_F(InitialDataTest, ReadingAppliesTheFitLimitsAndExtendsTheProfile) {
  ScanDataSet.FitLeftLim = 6.05f;
  ScanDataSet.FitRightLim = 6.95f;
  const std::string path = InitialScanFile("R 1 20.0 50000 600 1.6449e+10 280 2");
  ASSERT_EQ(SetInitialData(nullptr, path), 1);
  const auto& p = InitialDistribution;
  // The file's profile is the line 0.1 + 0.5 (r - 5.96), which the
  // extension reproduces.
  for (int k = 1; k <= p.Count; ++k)
    ASSERT_NEAR(p.Signal[k], 0.1f + 0.5f * (p.Radius[k] - 5.96f), 1e-4f) << k;
  EXPECT_GT(ScanDataSet.ScanFirstFitIndex[1], 1);

  for (int k = 1; k <= 50; ++k) InitialDistribution.Signal[k] = 5.0f;
  ScanDataSet.FitLeftLim = 6.1f;
  SetFirstFitIndex();
  EXPECT_NEAR(p.Signal[1], 0.1f, 1e-4f);
}

}  // namespace
