// The concentration-dependent time loop against truths it must meet: with
// vanishing ks and kd it is the ideal solution; two identical species that
// share the loading are one species (away from the bottom); a repulsive ks slows and sharpens the
// boundary; a ks that would make s negative at the loading is refused.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "lamm/CLammIdeal.h"
#include "lamm/LammSetupFixture.h"
#include "state/ComputationAbort.h"
#include "support/TestSupport.h"

namespace {

constexpr double kS = 4.5, kD = 6e-7;  // S, cm^2/s

class ConcDependentPropagationTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    data.MakeScans(4, 50000, 600, 600);
    ComputationAbort = false;
  }

  std::vector<float> Scans() const {
    std::vector<float> all;
    for (int k = 1; k <= data.ScanCount(); ++k)
      for (int i = 1; i <= data.PointCount(); ++i) all.push_back(data.Output[k][i]);
    return all;
  }

  // One non-ideal species of loading c0 with log10 ks and log10 kd (ml/mg,
  // repulsive), on a fixed grid of 1000 points.
  std::vector<float> Nonideal(double c0, float logKs, float logKd, int* code = nullptr) {
    CLammIdeal l;
    data.Configure(l, kS, kD, c0);
    LammSetupFixture::SetDefaultNumerics(l, 0, 1, 0, 0, 0);
    l.SetSelfAssociation(0, 1, 1, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, logKs, logKd, 1, 1,
                         1.0, 0, 0, kS, kD, c0);
    const int result = l.Solve();
    if (code) *code = result;
    return Scans();
  }

  // The radius at which the boundary of scan k passes half its plateau.
  double Midpoint(int k) const {
    float top = 0.0f;
    for (int i = 1; i <= data.PointCount(); ++i) top = std::max(top, data.Output[k][i]);
    for (int i = 1; i <= data.PointCount(); ++i)
      if (data.Output[k][i] >= 0.5f * top) return data.Radii[i];
    return 0.0;
  }

  LammSetupFixture data;
};

}  // namespace

TEST_F(ConcDependentPropagationTest, VanishingNonidealityIsTheIdealSolution) {
  CLammIdeal ideal;
  data.Configure(ideal, kS, kD, 1.0);
  LammSetupFixture::SetDefaultNumerics(ideal, 0, 1, 0, 0, 0);
  ASSERT_EQ(ideal.Solve(), 0);
  const std::vector<float> expected = Scans();
  int code = -1;
  const std::vector<float> nonideal = Nonideal(1.0, -8.0f, -8.0f, &code);
  ASSERT_EQ(code, 0);
  ASSERT_EQ(nonideal.size(), expected.size());
  double worst = 0.0;
  for (std::size_t n = 0; n < expected.size(); ++n)
    worst = std::max(worst, std::fabs(static_cast<double>(nonideal[n] - expected[n])));
  EXPECT_LT(worst, 5e-3);
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(ConcDependentPropagationTest, RepulsiveKsSlowsTheBoundary) {
  Nonideal(1.0, -8.0f, -8.0f);
  const double idealMidpoint = Midpoint(4);
  // ks = 10^-0.7 ml/mg: s falls by a fifth at the loading.
  int code = -1;
  Nonideal(1.0, -0.7f, -8.0f, &code);
  ASSERT_EQ(code, 0);
  EXPECT_LT(Midpoint(4), idealMidpoint - 0.01);
  // The plateau still follows the radial dilution of a sedimenting species.
  EXPECT_GT(data.Output[4][data.PointCount() - 5], 0.8f);
}

TEST_F(ConcDependentPropagationTest, KsBeyondTheLoadingIsRefused) {
  int code = -1;
  Nonideal(1.0, 0.5f, -8.0f, &code);  // ks c0 = 3.2
  EXPECT_EQ(code, 7);
}

TEST_F(ConcDependentPropagationTest, TwoIdenticalSpeciesAreOneSpecies) {
  const std::vector<float> single = Nonideal(1.0, -0.7f, -1.0f);
  CLammIdeal l;
  data.Configure(l, kS, kD, 1.0);
  LammSetupFixture::SetDefaultNumerics(l, 0, 1, 0, 0, 0);
  const double c0s[] = {0.0, 0.4, 0.6};
  const double ss[] = {0.0, kS, kS};
  const double Ds[] = {0.0, kD, kD};
  l.SetSelfAssociation(0, 0, 1, 0, 1, 2, c0s, ss, Ds, nullptr, -0.7f, -1.0f, 1, 1, 1.0, 0, 0, kS,
                       kD, 1.0);
  ASSERT_EQ(l.Solve(), 0);
  const std::vector<float> pair = Scans();
  ASSERT_EQ(pair.size(), single.size());
  // Several species let the material leave through the bottom instead of
  // piling it up there: the two agree up to the bottom region.
  double worst = 0.0;
  const int points = data.PointCount();
  for (std::size_t n = 0; n < single.size(); ++n)
    if (data.Radii[static_cast<int>(n % points) + 1] <= 7.0f)
      worst = std::max(worst, std::fabs(static_cast<double>(pair[n] - single[n])));
  EXPECT_LT(worst, 2e-3);
}
