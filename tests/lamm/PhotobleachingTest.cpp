// Photobleaching by the excitation beam: the settings' validity, the radial
// rate profile of the beam, first-order transfer into the dark state that
// conserves bright plus dark, recovery at the reset time and an initial dark
// profile.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "lamm/CLammIdeal.h"
#include "lamm/LammSetupFixture.h"
#include "support/TestSupport.h"

namespace {

class PhotobleachingTest : public HeadlessTest {
 protected:
  // A beam of width 0.1 cm at 6.5 cm, 0.4 cm deep, bleaching 5 per hour per
  // 0.01 scale, with an optional second zone of 0.2 cm at 6.9 cm.
  bool Beam(double aspect = 1.0, double secondWeight = 0.0, double reset = 800) {
    return l.SetPhotophysics(100, 500, reset, 0.01, 5, 6.5, 0.1, 0.4, aspect, 6.9, 0.2,
                             secondWeight);
  }
  // That beam over a uniform grid of n points loaded with c0, nothing dark.
  void MakeGrid(int n = 1401, double aspect = 1.0, double secondWeight = 0.0) {
    data.MakeScans(2, 50000);
    data.Configure(l, 4, 1e-7, c0);
    ASSERT_TRUE(Beam(aspect, secondWeight));
    l.GridSize = n;
    ASSERT_EQ(l.AllocWorkArrays(), 1);
    ASSERT_NE(l.DarkState, nullptr);
    for (int i = 1; i <= n; ++i) {
      l.Concentration[i] = l.PreviousConcentration[i] = c0;
      l.DarkState[i] = l.DarkStateOld[i] = 0;
    }
  }

  LammSetupFixture data;
  CLammIdeal l;
  double c0 = 1.3;
};

TEST_F(PhotobleachingTest, SettingsAreValidOnlyForAnOrderedBeamWindowAndAPositiveScale) {
  struct Case {
    double start, end, reset, scale, weight;
    bool valid;
    double resetTime, weightUsed;
  };
  const Case cases[] = {
      {100, 500, 800, 0.01, 0.3, true, 800, 0.3},
      {100, 500, 0, 0.01, 0.3, true, -1, 0.3},      // no reset
      {100, 500, 400, 0.01, 1.7, true, -1, 1.0},    // reset inside the window: none
      {500, 100, 800, 0.01, 0.0, false, 800, 0.0},  // window backwards
      {-1, 500, 800, 0.01, -0.5, false, 800, 0.0},
      {100, 500, 800, 0.0, 0.0, false, 800, 0.0},  // the rate would be divided by 0
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.start);
    const bool valid = l.SetPhotophysics(c.start, c.end, c.reset, c.scale, 5, 6.5, 0.1, 0.4, 1, 6.9,
                                         0.2, c.weight);
    EXPECT_EQ(valid, c.valid);
    EXPECT_EQ(l.PhotophysicsOn, c.valid ? 1 : 0);
    EXPECT_EQ(l.DarkResetTime, c.resetTime);
    EXPECT_EQ(l.SecondBeamWeight, c.weightUsed);
  }
}

// The rate profile is zero beyond the zone's half-width (stretched by the
// aspect on one side), symmetric without aspect, and sums over the grid to
// the total rate 1.7 rate / scale / 3600 per second, shared between zones.
TEST_F(PhotobleachingTest, BeamRateProfileCoversTheZoneAndCarriesTheTotalRate) {
  const double e = 1.7 * 5 / 0.01 / 3600;
  struct Case {
    double aspect, weight;
    double innerReach, outerReach;  // cm from the first zone's centre
  };
  const Case cases[] = {{1.0, 0.0, 0.05, 0.05},
                        {2.0, 0.0, 0.05, 0.1},
                        {0.5, 0.0, 0.1, 0.05},
                        {1.0, 0.25, 0.05, 0.05}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.aspect);
    MakeGrid(1401, c.aspect, c.weight);
    ASSERT_TRUE(l.InitializeBurn());
    ASSERT_EQ(l.BleachRateCount, l.GridSize);
    double total = 0, first = 0;
    for (int i = 1; i <= l.GridSize; ++i) {
      const double r = l.Radius[i], rate = l.BleachRates[i];
      EXPECT_LE(rate, 0.0);
      total += rate;
      if (r < 6.7) first += rate;
      const bool outside =
          r < 6.5 - c.innerReach - 1e-9 || (r > 6.5 + c.outerReach + 1e-9 && r < 6.7);
      if (outside) {
        EXPECT_EQ(rate, 0.0) << "r " << r;
      }
    }
    EXPECT_NEAR(total, -e, 1e-9 * e);
    EXPECT_NEAR(first, -e * (1 - c.weight), 1e-9 * e);
    // Inside the reach on both sides the beam bleaches.
    const int centre = 701;  // 6.5 cm
    EXPECT_LT(l.BleachRates[centre + static_cast<int>(c.outerReach / 0.001) - 5], 0.0);
    EXPECT_LT(l.BleachRates[centre - static_cast<int>(c.innerReach / 0.001) + 5], 0.0);
    if (c.aspect == 1.0) {
      for (int k = 1; k < 50; ++k)
        EXPECT_NEAR(l.BleachRates[centre + k], l.BleachRates[centre - k], 1e-9 * e) << k;
    }
  }
}

// Under a uniform rate k the dark fraction is 1 - exp(-k t) however the time
// is split into steps, and bright plus dark stays the loading everywhere.
TEST_F(PhotobleachingTest, BleachingFollowsTheFirstOrderLawAndConservesMolecules) {
  MakeGrid(201);
  ASSERT_TRUE(l.InitializeBurn());
  const double k = 2e-3;  // 1/s
  for (int i = 1; i <= 100; ++i) l.BleachRates[i] = -k;
  const double steps[] = {1.0, 7.5, 0.25, 40.0, 13.0, 100.0, 3.3};
  double t = 0;
  for (double dt : steps) {
    l.ApplyBleaching(dt);
    t += dt;
    for (int i = 1; i <= l.GridSize; ++i)
      EXPECT_NEAR(l.Concentration[i] + l.DarkState[i], c0, 1e-12) << i;
    EXPECT_NEAR(l.DarkState[50] / c0, 1 - std::exp(-k * t), 1e-12);
  }
}

TEST_F(PhotobleachingTest, AtTheResetTimeTheDarkMoleculesAreBrightAgain) {
  MakeGrid(301);
  ASSERT_TRUE(l.InitializeBurn());
  l.ApplyBleaching(400);
  for (int i = 1; i <= l.GridSize; ++i) l.DarkStateOld[i] = 0.5 * l.DarkState[i];
  double dark = 0;
  for (int i = 1; i <= l.GridSize; ++i) dark += l.DarkState[i];
  ASSERT_GT(dark, 0.01);
  std::vector<double> oldDark(l.DarkStateOld + 1, l.DarkStateOld + l.GridSize + 1);
  l.RestoreBleached();
  for (int i = 1; i <= l.GridSize; ++i) {
    EXPECT_NEAR(l.Concentration[i], c0, 1e-12) << i;
    EXPECT_NEAR(l.PreviousConcentration[i], c0 + oldDark[i - 1], 1e-12) << i;
    EXPECT_EQ(l.DarkState[i], 0.0);
    EXPECT_EQ(l.DarkStateOld[i], 0.0);
  }
}

TEST_F(PhotobleachingTest, AnInitialDarkProfileSplitsTheLoading) {
  MakeGrid(141);
  const double radii[] = {0, 5.7, 6.0, 6.3, 6.6, 6.9, 7.3};
  const double constant[] = {0, 0.2, 0.2, 0.2, 0.2, 0.2, 0.2};
  const double rising[] = {0, 0.0, 0.1, 0.2, 0.3, 0.4, 1.6 / 3};
  struct Case {
    const double* fractions;
    double slope, offset;  // fraction = offset + slope (r - 5.7)
  };
  const Case cases[] = {{constant, 0.0, 0.2}, {rising, 1.0 / 3, 0.0}};
  for (const Case& c : cases) {
    for (int i = 1; i <= l.GridSize; ++i) {
      l.Concentration[i] = c0;
      l.DarkState[i] = 0;
    }
    l.SetPhotophysicsProfile(6, radii, c.fractions);
    l.ApplyPhotophysicsProfile();
    for (int i = 1; i <= l.GridSize; ++i) {
      const double f = c.offset + c.slope * (l.Radius[i] - 5.7);
      EXPECT_NEAR(l.DarkState[i], f * c0, 1e-9) << i;
      EXPECT_NEAR(l.Concentration[i] + l.DarkState[i], c0, 1e-12) << i;
    }
  }
  l.SetPhotophysicsProfile(0, radii, constant);
  EXPECT_EQ(l.PhotophysicsProfileOn, 0);
}

}  // namespace

namespace {

// A run through Solve without sedimentation: the beam digs a hole into the
// bright profile while it is on, and at the reset time every bleached
// molecule is bright again, so the cell is uniform once more.
TEST_F(PhotobleachingTest, ARunBleachesDuringTheBeamAndRecoversAtTheResetTime) {
  data.MakeScans(2, 50000, 600, 400);  // scans at 600 s and 1000 s
  data.Configure(l, 0, 2e-7, c0);
  ASSERT_TRUE(Beam());
  ASSERT_EQ(l.Solve(), 0);
  double deepest = c0;
  for (int j = 1; j <= data.PointCount(); ++j) {
    const double r = data.Radii[j];
    if (r < 5.9 || r > 7.1) continue;
    deepest = std::min(deepest, static_cast<double>(data.Output[1][j]));
    if (std::fabs(r - 6.5) > 0.3) {
      EXPECT_NEAR(data.Output[1][j], c0, 1e-3 * c0) << "r " << r;
    }
    EXPECT_NEAR(data.Output[2][j], c0, 1e-4 * c0) << "r " << r;
  }
  EXPECT_LT(deepest, 0.9 * c0);
}

}  // namespace
