#include <gtest/gtest.h>

#include <cmath>

#include "equilibrium/EquilibriumScans.h"
#include "equilibrium/HingePoint.h"
#include "equilibrium/MStarTransform.h"

namespace {

using namespace eqtest;

class MStarTransform : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    MStarSettings = MStarSettingsRecord{};
  }
  void TearDown() override {
    FreeMStarData();
    MStarSettings = MStarSettingsRecord{};
    ModelsTest::TearDown();
  }
  // The screen's bases for the current fit limits, then one recompute.
  bool Recompute() {
    const float left = ScanDataSet.FitLeftLim, right = ScanDataSet.FitRightLim;
    MStarSettings.MeniscusBasis = {left, left + 0.2f * (right - left)};
    MStarSettings.BottomBasis = {right - 0.005f - 0.2f * (right - left), right - 0.005f};
    return RecomputeMStarSets(nullptr);
  }
  const MStarDataSet& Set(int i) { return MStarData.Sets[i]; }
};

TEST_F(MStarTransform, OneSpeciesAtTwoSpeedsGivesItsMolarMassEveryWay) {
  // 50 kDa at two speeds, with noise of 0.2 % of the signal's scale.
  LoadRun({.rpms = {15000, 22000}, .species = {{50000, 0.5}}, .noise = 0.002});
  ASSERT_TRUE(Recompute());
  for (int i = 1; i <= 2; ++i) {
    const MStarDataSet& s = Set(i);
    EXPECT_NEAR(s.MwLinear, 50.0, 0.5) << "set " << i;
    EXPECT_NEAR(s.MwAvg, 50.0, 0.5) << "set " << i;
    EXPECT_NEAR(s.KFactor, KFactor(ScanDataSet.ScanHeaders[i].Rpm), 1e-6 * s.KFactor);
    // The meniscus value is the profile there, without the baseline.
    const double cm = Profile({50000, 0.5}, ScanDataSet.ScanHeaders[i].Rpm, kMeniscus);
    EXPECT_NEAR(s.MeniscusValue, cm, 0.01 * cm + 0.002) << "set " << i;
    // The local apparent molar mass of a single species is M everywhere.
    const int h = MStarSettings.SmoothHalfWindow, w = MStarSettings.BoxHalfWindow;
    const int middle = (s.FirstFit + h + w + s.LastFit - h - w) / 2;
    EXPECT_NEAR(ShownMwApp(s)[middle], 50.0, 5.0) << "set " << i;
  }
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(MStarTransform, AMixtureGivesTheLoadingsWeightAverageAtTheBottom) {
  const Species monomer{40000, 0.4}, tetramer{160000, 0.2};
  LoadRun({.rpms = {9000, 14000}, .species = {monomer, tetramer}});
  ASSERT_TRUE(Recompute());
  const double byHand = (40.0 * 0.4 + 160.0 * 0.2) / 0.6;  // kDa
  for (int i = 1; i <= 2; ++i) {
    EXPECT_NEAR(Set(i).MwAvg, byHand, 0.01 * byHand) << "set " << i;
    EXPECT_GT(Set(i).MwLinear, 40.0);
    EXPECT_LT(Set(i).MwLinear, 160.0);
  }
}

TEST_F(MStarTransform, ExtendsTheDataToMeniscusAndBottomKeepingTheFitPoints) {
  LoadRun({.rpms = {15000}, .species = {{50000, 0.5}}});
  ASSERT_TRUE(Recompute());
  const MStarDataSet& s = Set(1);
  const auto& d = ScanDataSet;
  EXPECT_EQ(s.MeniscusExtension, 13);  // 0.0125 cm in steps of 0.001 cm
  // About 0.005 cm to the bottom: the last added point is the first at or
  // beyond it.
  const int n = s.SetPointCount;
  EXPECT_GE(n, 13 + d.ScanPointCount[1] + 5);
  EXPECT_GE(s.Radius[n], kBottom);
  EXPECT_LT(s.Radius[n - 1], kBottom);
  EXPECT_EQ(s.Signal[13], 0.0f);
  EXPECT_LE(s.Radius[1], kMeniscus);
  EXPECT_EQ(s.Radius[s.FirstFit], d.ScanRadius[1][d.ScanFirstFitIndex[1]]);
  EXPECT_EQ(s.Radius[s.LastFit], d.ScanRadius[1][d.ScanLastFitIndex[1]]);
  // M* is 0 outside the fit limits; Mw,app's last point copies the one
  // before.
  EXPECT_EQ(s.MStar[s.FirstFit - 1], 0.0f);
  EXPECT_EQ(s.MStar[s.SetPointCount], 0.0f);
  EXPECT_EQ(s.MwAppLog[s.SetPointCount], s.MwAppLog[s.SetPointCount - 1]);
}

TEST_F(MStarTransform, StraightLnCGivesItsSlopeWhateverTheSmoothing) {
  LoadRun({.rpms = {15000}, .species = {{80000, 0.5}}});
  const double k = KFactor(15000);
  for (const auto& [half, order, box] : {std::tuple{20, 1, 10}, {50, 2, 3}, {5, 3, 40}}) {
    MStarSettings.SmoothHalfWindow = half;
    MStarSettings.SmoothOrder = order;
    MStarSettings.BoxHalfWindow = box;
    ASSERT_TRUE(Recompute());
    const MStarDataSet& s = Set(1);
    // The slope of ln c against r^2 is k M: MwLinear = slope 0.001 / k.
    const double slope = (s.LnCLine[s.LastFit] - s.LnCLine[s.FirstFit]) /
                         (s.RSquared[s.LastFit] - s.RSquared[s.FirstFit]);
    EXPECT_NEAR(s.MwLinear, slope * 0.001 / k, 1e-3 * s.MwLinear);
    EXPECT_NEAR(s.MwLinear, 80.0, 0.1) << half << " " << order << " " << box;
  }
}

TEST_F(MStarTransform, BasisAndBaselineFailuresKeepEarlierValues) {
  LoadRun({.rpms = {15000}, .species = {{50000, 0.5}}});
  ASSERT_TRUE(Recompute());
  const float menValue = Set(1).MeniscusValue, mwAvg = Set(1).MwAvg;
  ASSERT_GT(menValue, 0.0f);
  // A basis holding exactly as many points as the order: the box, values kept.
  MStarSettings.MeniscusBasis = {kMeniscus + 0.0105f, kMeniscus + 0.0115f};  // one point
  MStarSettings.MeniscusOrder = 1;
  MStarSettings.BottomBasis = {7.18f, 7.1805f};
  ASSERT_TRUE(RecomputeMStarSets(nullptr));
  EXPECT_EQ(LogLinesWith(kExtrapolationOrderError).size(), 2u);
  EXPECT_EQ(Set(1).MeniscusValue, menValue);
  EXPECT_EQ(Set(1).MwAvg, mwAvg);
  // A baseline above the extrapolated signal gives a meniscus value of 0.
  ModelParameters.Baseline = 5.0f;
  ASSERT_TRUE(Recompute());
  EXPECT_EQ(Set(1).MeniscusValue, 0.0f);
}

TEST_F(MStarTransform, CMSmoothingNeedsDataFromMeniscusToBottom) {
  LoadRun({.rpms = {15000}, .species = {{50000, 0.5}}});
  MStarSettings.CMSmoothing = true;
  EXPECT_FALSE(Recompute());
  EXPECT_EQ(LogLinesWith("MISSING DATA").size(), 1u);
}

TEST_F(MStarTransform, CMMeniscusValueComesFromTheFirstTwoPositiveModelPoints) {
  LoadRun({.rpms = {15000}, .species = {{50000, 0.5}}, .first = kMeniscus - 0.01,
           .last = kBottom + 0.01});
  auto& d = ScanDataSet;
  // A fitted curve 0 up to point 5 and a straight line from point 6 on.
  for (int k = 1; k <= d.ScanPointCount[1]; ++k)
    d.ScanModel[1][k] = k <= 5 ? 0.0f : 0.01f + 0.1f * (d.ScanRadius[1][k] - 6.8f);
  MStarSettings.CMSmoothing = true;
  ASSERT_TRUE(Recompute());
  EXPECT_NEAR(Set(1).MeniscusValue, 0.1f * (kMeniscus - 6.8f), 1e-4f);
}

TEST_F(MStarTransform, SmoothingWindowsAreCheckedBeforeUse) {
  const struct {
    int half, order;
    bool ok;
  } cases[] = {{20, 1, true}, {1, 1, true}, {0, 0, false}, {3, 4, false}, {499, 2, true},
               {500, 2, false}};
  for (const auto& c : cases)
    EXPECT_EQ(SmoothingWindowAcceptable(c.half, c.order), c.ok) << c.half << " " << c.order;
}

TEST_F(MStarTransform, HingePointLiesWhereTheSignalCrossesTheLoading) {
  const Species s{50000, 0.5};
  LoadRun({.rpms = {15000}, .species = {s}, .first = kMeniscus, .last = kBottom});
  ASSERT_TRUE(Recompute());
  // The loading signal is the species' loading concentration.
  const float L = EstimateLoadingSignal(1);
  EXPECT_NEAR(L, 0.5f, 0.005f);
  float rh = 0, from = 0, to = 0;
  const float mw = HingePointMwApp(1, L, 0.01f, rh, from, to);
  // Where c(r) = c0: r^2 = m^2 + ln(c0 / c_m) / (k M).
  const double cm = Profile(s, 15000, kMeniscus);
  const double hinge = std::sqrt(kMeniscus * kMeniscus + std::log(0.5 / cm) / (KFactor(15000) * s.M));
  EXPECT_NEAR(rh, hinge, 0.01);
  EXPECT_NEAR(mw, 50.0, 2.0);
  // Nothing above a loading higher than every signal: 0, outputs untouched.
  float untouched = -1;
  EXPECT_EQ(HingePointMwApp(1, 100.0f, 0.01f, untouched, from, to), 0.0f);
  EXPECT_EQ(untouched, -1.0f);
}

TEST_F(MStarTransform, HingeWindowReachesTheFirstPointBeyondTheInterval) {
  LoadRun({.rpms = {15000}, .species = {{50000, 0.5}}, .first = 6.0, .last = 7.5, .step = 0.25});
  ASSERT_TRUE(PrepareMStarData(nullptr));
  const int k = MStarData.Sets[1].MeniscusExtension + 1;
  EXPECT_EQ(HingeWindowPoints(1, k, 0.5f), 3);
  EXPECT_EQ(HingeWindowPoints(1, k, 0.01f), 2);  // at least two points
}

}  // namespace
