// The residual histogram: how many bins a number of residuals gets, where
// extreme residuals go, the Gaussian fitted to a normal sample, and the
// misfit percentage against the least-squares identity.

#include <cmath>
#include <random>
#include <vector>

#include "LoadTestSupport.h"
#include "data/ResidualHistogram.h"

namespace {

class ResidualHistogramTest : public LoadTest {
 protected:
  // One scan whose fit range holds exactly these residuals.
  static void LoadResiduals(const std::vector<float>& residuals, bool absorbance) {
    const int n = static_cast<int>(residuals.size());
    LoadTestScans({{6.0, 6.0 + 0.0001 * (n - 1), 0.0001, 100.0, nullptr, 0.5f}});
    auto& d = ScanDataSet;
    ASSERT_EQ(d.ScanPointCount[1], n);
    for (int k = 1; k <= n; ++k)
      d.ScanModel[1][k] = d.ScanSignal[1][k] - residuals[static_cast<std::size_t>(k - 1)];
    d.ScanFirstFitIndex[1] = 1;
    d.ScanLastFitIndex[1] = n;
    ScanReaderOptions.AbsorbanceData = absorbance;
    ScanReaderOptions.InterferenceData = !absorbance;
    UpdateResiduals(false);
  }
  // +a, -a, +a, ...: an rmsd of exactly a.
  static std::vector<float> Alternating(int n, float a = 1.0f) {
    std::vector<float> r;
    for (int k = 0; k < n; ++k) r.push_back(k % 2 == 0 ? a : -a);
    return r;
  }

  struct Histogram {
    int bins = -1;
    OneBasedArray<float> centres, lower, upper, counts, gaussian;
    float misfit = -1.0f;
  };
  static Histogram Compute() {
    Histogram h;
    h.bins = ResidualHistogram(&h.centres, &h.lower, &h.upper, &h.counts, &h.gaussian, &h.misfit);
    return h;
  }
};

TEST_F(ResidualHistogramTest, BinsFollowTheNumberOfResiduals) {
  struct Case {
    int points;
    bool absorbance;
    int bins;
  };
  const Case cases[] = {
      {5000, true, 51},    // 2 x 100 residuals a bin
      {20000, false, 21},  // 2 x 1000
      {500, false, 17},    // halved to 62.5 (9 bins, too few), then 31.25
      {16, true, 11},      // the fewest bins: 2 x 1.5625 residuals a bin
      {15, true, 1},       // no histogram before the halving falls below 1
      {3, false, 1},
  };
  for (const Case& c : cases) {
    ResetDataRecords();
    LoadResiduals(Alternating(c.points), c.absorbance);
    const Histogram h = Compute();
    ASSERT_EQ(h.bins, c.bins) << c.points;
    ASSERT_EQ(h.counts.size(), c.bins) << c.points;
    if (c.bins == 1) {
      for (const auto* a : {&h.centres, &h.lower, &h.upper, &h.counts, &h.gaussian})
        EXPECT_EQ((*a)[1], 0.0f) << c.points;
      EXPECT_EQ(h.misfit, 0.0f);
      continue;
    }
    // From -5 to +5 rmsd (here 1), edges half a bin to either side.
    const float width = 10.0f / static_cast<float>(c.bins - 1);
    EXPECT_NEAR(h.centres[1], -5.0f, 1e-5f) << c.points;
    EXPECT_NEAR(h.centres[c.bins], 5.0f, 1e-4f) << c.points;
    EXPECT_NEAR(h.lower[1], -5.0f - width / 2, 1e-5f) << c.points;
    EXPECT_NEAR(h.upper[c.bins], 5.0f + width / 2, 1e-4f) << c.points;
    double total = 0.0;
    for (int i = 1; i <= c.bins; ++i) total += h.counts[i];
    EXPECT_EQ(total, c.points) << c.points;
  }
}

TEST_F(ResidualHistogramTest, ResidualsBeyondTheRangeGoToTheEndBins) {
  // 4998 residuals of +-1 and one each of +-7 rmsd: the rmsd s then solves
  // s^2 (5000 - 98) = 4998.
  const float s = static_cast<float>(std::sqrt(4998.0 / 4902.0));
  std::vector<float> r = Alternating(4998);
  r.push_back(7.0f * s);
  r.push_back(-7.0f * s);
  LoadResiduals(r, true);
  ASSERT_NEAR(ScanRmsd(), s, 1e-5f);
  const Histogram h = Compute();
  ASSERT_EQ(h.bins, 51);
  EXPECT_EQ(h.counts[1], 1.0f);
  EXPECT_EQ(h.counts[51], 1.0f);
  EXPECT_EQ(h.counts[21], 2499.0f);  // -1 is about -s
  EXPECT_EQ(h.counts[31], 2499.0f);
}

TEST_F(ResidualHistogramTest, MisfitIsTheLeastSquaresRemainder) {
  // Two spikes at -1 and +1 rmsd. With the least-squares scale, the misfit
  // is 100 (sum c^2 sum g^2 / (sum c g)^2 - 1) for the unscaled Gaussian g;
  // here sum c^2 = 2 x 2500^2 and sum c g = 5000 exp(-1/2).
  LoadResiduals(Alternating(5000), true);
  const Histogram h = Compute();
  ASSERT_EQ(h.bins, 51);
  EXPECT_EQ(h.counts[21], 2500.0f);
  EXPECT_EQ(h.counts[31], 2500.0f);
  double gg = 0.0;
  for (int i = 0; i < 51; ++i) {
    const double c = -5.0 + 0.2 * i;
    gg += std::exp(-c * c);
  }
  const double expected = 100.0 * (0.5 * std::exp(1.0) * gg - 1.0);
  EXPECT_NEAR(h.misfit, expected, 1e-4 * expected);
  // The fitted Gaussian at the centre is the scale itself.
  EXPECT_NEAR(h.gaussian[26], 5000.0 * std::exp(-0.5) / gg, 1e-3);

  // Only what is asked for is filled.
  float misfit = -1.0f;
  EXPECT_EQ(ResidualHistogram(nullptr, nullptr, nullptr, nullptr, nullptr, &misfit), 51);
  EXPECT_NEAR(misfit, expected, 1e-4 * expected);
}

TEST_F(ResidualHistogramTest, GaussianFitsANormalSample) {
  const int n = 20000;
  const float sigma = 0.01f;
  std::mt19937 random(20240611u);
  std::normal_distribution<float> normal(0.0f, sigma);
  std::vector<float> r;
  for (int k = 0; k < n; ++k) r.push_back(normal(random));
  LoadResiduals(r, true);
  const float rmsd = ScanRmsd();
  const Histogram h = Compute();
  ASSERT_EQ(h.bins, 201);
  // The expected count in the centre bin: n w / (rmsd sqrt(2 pi)), w = rmsd / 20.
  const double peak = n * 0.05 / std::sqrt(2.0 * std::acos(-1.0));
  EXPECT_NEAR(h.gaussian[101], peak, 0.02 * peak);
  EXPECT_NEAR(h.centres[101], 0.0f, 1e-6f * rmsd);
  EXPECT_LT(h.misfit, 1.5f);

  // Uniform residuals of the same rmsd are far from a Gaussian.
  std::uniform_real_distribution<float> flat(-std::sqrt(3.0f) * sigma, std::sqrt(3.0f) * sigma);
  for (float& v : r) v = flat(random);
  ResetDataRecords();
  LoadResiduals(r, true);
  EXPECT_GT(Compute().misfit, 10.0f);
}

TEST_F(ResidualHistogramTest, NoHistogramWithoutResidualsToCount) {
  EXPECT_EQ(Compute().bins, 0);  // no data
  LoadResiduals(std::vector<float>(100, 0.0f), true);
  EXPECT_EQ(Compute().bins, 0);  // rmsd 0
  ResetDataRecords();
  LoadResiduals(Alternating(100), true);
  DlsDataMode = true;
  EXPECT_EQ(Compute().bins, 0);
}

}  // namespace
