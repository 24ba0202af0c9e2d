#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "lamm/CFluorophore.h"
#include "support/TestSupport.h"

namespace {

using FluorophoreTest = HeadlessTest;

// A fluorophore with reset times at the given seconds.
CFluorophore WithResets(std::vector<float> seconds) {
  CFluorophore f;
  std::vector<float> oneBased(seconds.size() + 1, 0.0f);
  std::copy(seconds.begin(), seconds.end(), oneBased.begin() + 1);
  f.SetResetTimes(static_cast<int>(seconds.size()), oneBased.data());
  return f;
}

// ---------------------------------------------------------------------------
// Time course

TEST(FluorophoreTimeCourse, NewFluorophoreLeavesTheSignalUnchanged) {
  const CFluorophore f;
  EXPECT_EQ(f.nWavelengths, 1);
  EXPECT_EQ(f.nResetTimes, 0);
  for (double t : {0.0, 1.0, 3600.0, 1e6}) EXPECT_EQ(f.RelativeBrightness(1, t), 1.0) << t;
  EXPECT_EQ(f.CountAdjustableParameters(), 0);
}

TEST(FluorophoreTimeCourse, FollowsTheRelaxationAndItsResets) {
  const double e = std::exp(1.0);
  struct Case {
    const char* name;
    float ratePerHour, steady;
    bool switching;
    std::vector<float> resets, levels;
    double t, expected;
  };
  const Case cases[] = {
      {"one per second", 3600, 0.2f, false, {}, {}, 1.0, 0.2 + 0.8 / e},
      {"sign of the rate ignored", -3600, 0.2f, false, {}, {}, 1.0, 0.2 + 0.8 / e},
      {"at t = 0 the start value", 3600, 0.2f, false, {}, {}, 0.0, 1.0},
      {"long illumination: steady state", 3600, 0.2f, false, {}, {}, 1e4, 0.2},
      {"steady state 1: no change", 7200, 1.0f, false, {}, {}, 50.0, 1.0},
      {"rate 0: no change", 0, 0.3f, false, {}, {}, 1e5, 1.0},
      {"a reset is not before its own time",
       3600,
       0.2f,
       true,
       {10},
       {0.5f},
       10.0,
       0.2 + 0.8 * std::exp(-10.0)},
      {"after a reset", 3600, 0.2f, true, {10}, {0.5f}, 10.5, 0.5 * (0.2 + 0.8 * std::exp(-0.5))},
      {"the last reset before t counts",
       3600,
       0.2f,
       true,
       {10, 20, 30},
       {0.5f, 0.7f, 0.9f},
       25.0,
       0.7 * (0.2 + 0.8 * std::exp(-5.0))},
      {"resets ignored without switching",
       3600,
       0.2f,
       false,
       {10},
       {0.5f},
       10.5,
       0.2 + 0.8 * std::exp(-10.5)},
      {"rate 0 after a reset: the recovery level", 0, 0.2f, true, {10}, {0.6f}, 11.0, 0.6},
      {"never negative", 3600, -1.0f, false, {}, {}, 10.0, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CFluorophore f = c.resets.empty() ? CFluorophore() : WithResets(c.resets);
    f.pRateConstantsOn[1] = c.ratePerHour;
    f.pInfTimeSteadyStateOn[1] = c.steady;
    f.bSwitching = c.switching;
    for (std::size_t k = 0; k < c.levels.size(); ++k)
      f.ppRecoveryLevels[1][static_cast<int>(k) + 1] = c.levels[k];
    EXPECT_NEAR(f.RelativeBrightness(1, c.t), c.expected, 1e-7 * c.expected + 1e-15);
  }
}

TEST(FluorophoreTimeCourse, ChannelsFollowTheirOwnValues) {
  CFluorophore f = WithResets({100});
  f.SetNumberOfWavelengths(2);
  f.bSwitching = 1;
  f.pRateConstantsOn[2] = 1800;
  f.pInfTimeSteadyStateOn[2] = 0.4f;
  f.ppRecoveryLevels[2][1] = 0.8f;
  EXPECT_EQ(f.RelativeBrightness(1, 200.0), 1.0);
  const double tau = 200.0 - 100.0;
  EXPECT_NEAR(f.RelativeBrightness(2, 200.0), 0.8 * (0.4 + 0.6 * std::exp(-0.5 * tau)), 1e-7);
  const CFluorophore::Phase phase = f.PhaseAt(2, 200.0);
  EXPECT_DOUBLE_EQ(phase.Tau, tau);
  EXPECT_FLOAT_EQ(static_cast<float>(phase.Level), 0.8f);
}

// ---------------------------------------------------------------------------
// Channels, reset times and recovery levels

TEST(FluorophoreChannels, GrowAndShrinkKeepingTheExistingChannels) {
  CFluorophore f = WithResets({10, 20});
  f.SetNumberOfWavelengths(3);
  f.pSpecificSignalCoeffs[3] = 2.5f;
  f.pRateConstantsOn[1] = 60;
  f.ppRecoveryLevels[3][2] = 0.25f;

  f.SetNumberOfWavelengths(1);  // fewer than two channels: no change
  EXPECT_EQ(f.nWavelengths, 3);
  EXPECT_EQ(f.pSpecificSignalCoeffs[3], 2.5f);

  f.SetNumberOfWavelengths(4);
  EXPECT_EQ(f.nWavelengths, 4);
  EXPECT_EQ(f.pSpecificSignalCoeffs[3], 2.5f);
  EXPECT_EQ(f.pRateConstantsOn[1], 60.0f);
  EXPECT_EQ(f.ppRecoveryLevels[3][2], 0.25f);
  EXPECT_EQ(f.pSpecificSignalCoeffs[4], 1.0f);
  EXPECT_EQ(f.pRateConstantsOn[4], 0.0f);
  EXPECT_EQ(f.pInfTimeSteadyStateOn[4], 1.0f);
  EXPECT_EQ(f.ppRecoveryLevels[4].hi(), 2);
  EXPECT_EQ(f.ppRecoveryLevels[4][1], 1.0f);
  EXPECT_EQ(f.ppRecoveryLevels[4][2], 1.0f);

  f.SetNumberOfWavelengths(2);
  EXPECT_EQ(f.nWavelengths, 2);
  EXPECT_EQ(f.pSpecificSignalCoeffs.hi(), 2);
  EXPECT_EQ(f.ppRecoveryLevels.hi(), 2);
  EXPECT_EQ(f.pRateConstantsOn[1], 60.0f);
}

TEST(FluorophoreResets, ANewCountStartsFreshLevelsTheSameCountOnlyMovesTheTimes) {
  CFluorophore f = WithResets({10, 20});
  f.SetNumberOfWavelengths(2);
  f.ppRecoveryLevels[2][2] = 0.3f;
  f.pbFitRecoveryLevels[2] = 1;

  const float same[] = {0, 15, 25};
  f.SetResetTimes(2, same);
  EXPECT_EQ(f.pResetTimes[1], 15.0f);
  EXPECT_EQ(f.pResetTimes[2], 25.0f);
  EXPECT_EQ(f.ppRecoveryLevels[2][2], 0.3f);
  EXPECT_EQ(f.pbFitRecoveryLevels[2], 1);

  f.SetResetTimes(0, same);
  f.SetResetTimes(-1, same);
  f.SetResetTimes(3, nullptr);
  EXPECT_EQ(f.nResetTimes, 2);

  const float three[] = {0, 5, 6, 7};
  f.SetResetTimes(3, three);
  EXPECT_EQ(f.nResetTimes, 3);
  EXPECT_EQ(f.pResetTimes[3], 7.0f);
  for (int w = 1; w <= 2; ++w)
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(f.ppRecoveryLevels[w][k], 1.0f);
  for (int k = 0; k <= 3; ++k) EXPECT_EQ(f.pbFitRecoveryLevels[k], 0);
}

TEST_F(FluorophoreTest, RecoveryLevelIndicesBeyondTheCountsAreReported) {
  CFluorophore f = WithResets({10, 20});
  struct Case {
    int w, k;
    const char* message;  // null: no box
    bool sets;
  };
  const Case cases[] = {
      {1, 2, nullptr, true},
      {0, 1, nullptr, false},
      {1, -3, nullptr, false},
      {2, 1, "LoadRecoveryLevels error: wl index exceeding nWavelengths", false},
      {1, 3, "LoadRecoveryLevels error: n index exceeding nResetTimes", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "," + std::to_string(c.k));
    backend().ClearLog();
    CFluorophore g = f;
    g.LoadRecoveryLevels(c.w, c.k, 0.42f);
    EXPECT_EQ(g.ppRecoveryLevels[1][2] == 0.42f, c.sets);
    if (!c.sets) {
      EXPECT_TRUE(g.ParametersEqual(&f));
    }
    const auto boxes = LogLinesWith("LoadRecoveryLevels");
    if (c.message) {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_NE(boxes[0].find(c.message), std::string::npos) << boxes[0];
    } else {
      EXPECT_TRUE(boxes.empty());
    }
  }
}

TEST(FluorophoreResets, TiedRecoveryLevelsFollowTheFirstOfTheRange) {
  struct Case {
    const char* name;
    int from, to;
    bool allSame, exponential, switching;
    int expectFrom, expectTo;
    std::vector<float> levels;  // of resets 1..3 afterwards
    std::vector<int> flags;     // of resets 1..3 afterwards
  };
  const Case cases[] = {
      {"reversed range, equal", 3, 1, true, false, true, 1, 3, {0.5f, 0.5f, 0.5f}, {1, 0, 0}},
      {"reversed range, geometric", 3, 1, true, true, true, 1, 3, {0.5f, 0.25f, 0.125f}, {1, 0, 0}},
      {"end limited to the reset count",
       2,
       9,
       true,
       false,
       true,
       2,
       3,
       {0.5f, 0.6f, 0.6f},
       {1, 1, 0}},
      {"start raised to 1", 0, 2, true, false, true, 1, 2, {0.5f, 0.5f, 0.7f}, {1, 0, 1}},
      {"not tied", 1, 3, false, false, true, 1, 3, {0.5f, 0.6f, 0.7f}, {1, 1, 1}},
      {"start at the last reset", 3, 3, true, false, true, 3, 3, {0.5f, 0.6f, 0.7f}, {1, 1, 1}},
      {"no switching clears the flags",
       1,
       3,
       true,
       false,
       false,
       1,
       3,
       {0.5f, 0.5f, 0.5f},
       {0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CFluorophore f = WithResets({10, 20, 30});
    f.SetNumberOfWavelengths(2);
    for (int w = 1; w <= 2; ++w)
      for (int k = 1; k <= 3; ++k) f.ppRecoveryLevels[w][k] = 0.4f + 0.1f * k;
    for (int k = 1; k <= 3; ++k) f.pbFitRecoveryLevels[k] = 1;
    f.bSwitching = c.switching;
    f.bRecoveryAllSame = c.allSame;
    f.bRecoveryExponential = c.exponential;
    f.AllSameFrom = c.from;
    f.AllSameTo = c.to;

    f.NormalizeRecoveryLevels();
    EXPECT_EQ(f.AllSameFrom, c.expectFrom);
    EXPECT_EQ(f.AllSameTo, c.expectTo);
    for (int k = 1; k <= 3; ++k) {
      for (int w = 1; w <= 2; ++w)
        EXPECT_FLOAT_EQ(f.ppRecoveryLevels[w][k], c.levels[static_cast<std::size_t>(k - 1)])
            << "channel " << w << " reset " << k;
      EXPECT_EQ(f.pbFitRecoveryLevels[k], c.flags[static_cast<std::size_t>(k - 1)]) << k;
    }
  }
}

// ---------------------------------------------------------------------------
// Copies and comparison

CFluorophore Configured() {
  CFluorophore f = WithResets({100, 200});
  f.SetNumberOfWavelengths(2);
  f.pRateConstantsOn[2] = 12;
  f.pInfTimeSteadyStateOn[1] = 0.3f;
  f.ppRecoveryLevels[2][1] = 0.9f;
  f.bSwitching = f.bBurning = f.bWithBurnReset = 1;
  f.BurnStartTime = 50;
  f.BurnEndTime = 80;
  f.BurnResetTime = 500;
  f.BurnCenterRadius = 6.8;
  f.bWithInitialBurn = 1;
  f.nInitialBurn = 3;
  f.pInitialBurnFact = OneBasedArray<double>(1, 3);
  f.pInitialBurnRad = OneBasedArray<double>(1, 3);
  for (int i = 1; i <= 3; ++i) f.pInitialBurnFact[i] = 0.1 * i, f.pInitialBurnRad[i] = 6 + 0.2 * i;
  return f;
}

TEST(FluorophoreCopies, ACopyIsEqualAndIndependent) {
  const CFluorophore original = Configured();
  CFluorophore copy;
  original.CopyTo(&copy);
  EXPECT_TRUE(copy.ParametersEqual(&original));
  EXPECT_TRUE(original.ParametersEqual(&copy));
  EXPECT_EQ(copy.pInitialBurnRad[3], original.pInitialBurnRad[3]);
  EXPECT_NE(copy.pInitialBurnRad.data(), original.pInitialBurnRad.data());

  copy.pInitialBurnFact[2] = 0.99;
  EXPECT_FALSE(copy.ParametersEqual(&original));
  EXPECT_DOUBLE_EQ(original.pInitialBurnFact[2], 0.2);

  original.CopyTo(nullptr);
  EXPECT_FALSE(original.ParametersEqual(nullptr));
}

TEST(FluorophoreCopies, ComparisonSeesThePhotophysicsButNotTimesWidthOrFlags) {
  using Change = std::function<void(CFluorophore&)>;
  const std::vector<std::pair<const char*, Change>> compared = {
      {"channel count", [](CFluorophore& f) { f.SetNumberOfWavelengths(3); }},
      {"signal coefficient", [](CFluorophore& f) { f.pSpecificSignalCoeffs[2] = 3; }},
      {"rate constant", [](CFluorophore& f) { f.pRateConstantsOn[2] = 13; }},
      {"steady state", [](CFluorophore& f) { f.pInfTimeSteadyStateOn[1] = 0.31f; }},
      {"recovery level", [](CFluorophore& f) { f.ppRecoveryLevels[2][2] = 0.5f; }},
      {"reset count",
       [](CFluorophore& f) {
         f.SetResetTimes(1, std::vector<float>{0, 1}.data());
       }},
      {"switching", [](CFluorophore& f) { f.bSwitching = 0; }},
      {"burning", [](CFluorophore& f) { f.bBurning = 0; }},
      {"burn reset", [](CFluorophore& f) { f.bWithBurnReset = 0; }},
      {"beam start", [](CFluorophore& f) { f.BurnStartTime = 51; }},
      {"beam end", [](CFluorophore& f) { f.BurnEndTime = 81; }},
      {"burn reset time", [](CFluorophore& f) { f.BurnResetTime = 501; }},
      {"burn rate", [](CFluorophore& f) { f.BurnRate = 6; }},
      {"zone centre", [](CFluorophore& f) { f.BurnCenterRadius = 6.81; }},
      {"zone width", [](CFluorophore& f) { f.BurnZone = 0.2; }},
      {"asymmetry", [](CFluorophore& f) { f.BurnAsym = 1.1; }},
      {"depth", [](CFluorophore& f) { f.BurnDepth = 0.5; }},
      {"second centre", [](CFluorophore& f) { f.BurnCenterRadius2 = 6.6; }},
      {"second width", [](CFluorophore& f) { f.BurnZone2 = 0.5; }},
      {"second fraction", [](CFluorophore& f) { f.BurnRate2Fract = 0.2; }},
      {"initial burn on", [](CFluorophore& f) { f.bWithInitialBurn = 0; }},
      {"initial burn radius", [](CFluorophore& f) { f.pInitialBurnRad[1] = 6.0; }},
  };
  const std::vector<std::pair<const char*, Change>> ignored = {
      {"reset times", [](CFluorophore& f) { f.pResetTimes[2] = 250; }},
      {"beam width", [](CFluorophore& f) { f.BurnBeamWidth = 0.02; }},
      {"fit flags",
       [](CFluorophore& f) {
         f.bFitRateConstants = f.bFitBurnZone = f.bFitBurnRate2Fract = 1;
         f.pbFitRecoveryLevels[1] = 1;
       }},
  };
  const CFluorophore base = Configured();
  for (const auto& [name, change] : compared) {
    CFluorophore f = Configured();
    change(f);
    EXPECT_FALSE(f.ParametersEqual(&base)) << name;
  }
  for (const auto& [name, change] : ignored) {
    CFluorophore f = Configured();
    change(f);
    EXPECT_TRUE(f.ParametersEqual(&base)) << name;
  }
}

// ---------------------------------------------------------------------------
// Lists of adjustable values

TEST_F(FluorophoreTest, AdjustableValuesGoOutAndComeBackInListOrder) {
  CFluorophore f = WithResets({10, 20, 30});
  f.SetNumberOfWavelengths(2);
  f.bSwitching = 1;
  f.bFitRateConstants = f.bFitSteadyStateLevels = 1;
  f.pRateConstantsOn[1] = 40;
  f.pInfTimeSteadyStateOn[1] = 0.6f;
  for (int k = 1; k <= 3; ++k) f.pbFitRecoveryLevels[k] = 1, f.ppRecoveryLevels[1][k] = 0.1f * k;
  // Reset 3 is tied to reset 2: its flag does not count.
  f.bRecoveryAllSame = 1;
  f.AllSameFrom = 2;
  f.AllSameTo = 3;
  f.bFitBurnRate = f.bFitBurnAsym = f.bFitBurnRate2Fract = 1;
  f.BurnRate = 7.5;
  f.BurnAsym = 1.25;
  f.BurnRate2Fract = 0.1;

  ASSERT_EQ(f.CountAdjustableParameters(), 7);
  std::vector<float> list(1 + (3 + 9) * 2, -1.0f);
  ASSERT_EQ(f.CreateListOfAdjustableParameters(static_cast<int>(list.size()) - 1, list.data()), 7);
  const std::vector<float> expected = {40, 0.6f, 0.1f, 0.2f, 7.5f, 1.25f, 0.1f};
  for (int m = 1; m <= 7; ++m) EXPECT_FLOAT_EQ(list[m], expected[m - 1]) << m;
  EXPECT_EQ(list[8], -1.0f);

  const float changed[] = {0, 80, 0.5f, 0.9f, 0.8f, 2.0f, 1.5f, 0.25f};
  ASSERT_TRUE(f.ApplyListOfAdjustableParameters(changed, 7));
  for (int w = 1; w <= 2; ++w) {
    EXPECT_EQ(f.pRateConstantsOn[w], 80.0f);
    EXPECT_EQ(f.pInfTimeSteadyStateOn[w], 0.5f);
    EXPECT_EQ(f.ppRecoveryLevels[w][1], 0.9f);
    EXPECT_EQ(f.ppRecoveryLevels[w][2], 0.8f);
    EXPECT_EQ(f.ppRecoveryLevels[w][3], 0.8f);  // tied to reset 2
  }
  EXPECT_EQ(f.pbFitRecoveryLevels[3], 0);
  EXPECT_DOUBLE_EQ(f.BurnRate, 2.0);
  EXPECT_DOUBLE_EQ(f.BurnAsym, 1.5);
  EXPECT_DOUBLE_EQ(f.BurnRate2Fract, 0.25);
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(FluorophoreTest, ListsOfTheWrongSizeAreReportedAndChangeNothing) {
  CFluorophore f = WithResets({10});
  f.bFitRateConstants = f.bFitBurnZone = 1;
  const CFluorophore before = f;
  const float values[] = {0, 1, 2, 3};

  EXPECT_FALSE(f.ApplyListOfAdjustableParameters(values, 3));
  EXPECT_FALSE(f.ApplyListOfAdjustableParameters(nullptr, 2));
  EXPECT_EQ(LogLinesWith("wrong number of parameters in "
                         "CFluorophore::ApplyListOfAdjustableParameters")
                .size(),
            2u);
  EXPECT_TRUE(f.ParametersEqual(&before));
  EXPECT_EQ(f.pRateConstantsOn[1], 0.0f);
  EXPECT_DOUBLE_EQ(f.BurnZone, 0.1);

  std::vector<float> small(1 + 9, 0.0f);  // needs (1 + 9) * 1 entries
  EXPECT_EQ(f.CreateListOfAdjustableParameters(9, small.data()), 0);
  EXPECT_EQ(
      LogLinesWith("too few parameters in CFluorophore::CreateListOfAdjustableParameters").size(),
      1u);
  EXPECT_EQ(f.CreateListOfAdjustableParameters(10, small.data()), 2);
}

}  // namespace
