// The direct boundary model of an apparent distribution g(s*): sharp,
// radially diluted boundaries per s* bin, with the systematic noise fitted
// as for discrete species.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "distributions/ContiRunFixture.h"
#include "distributions/GStarBoundaryModel.h"
#include "models/GlobalLammState.h"
#include "numerics/OneBasedArrays.h"

namespace {

constexpr float kMeniscus = 6.0f, kBottom = 7.2f;
constexpr double kR0 = 6.05, kDr = 0.01;
constexpr int kPoints = 100;  // up to 7.04 cm

// A g(s*) table of six columns, rows (s*, g) with bins of 1 S.
struct GStarTable {
  explicit GStarTable(const std::vector<std::pair<float, float>>& rows)
      : n(static_cast<int>(rows.size())), m(1, 6, 1, n) {
    for (int i = 1; i <= n; ++i) {
      m[1][i] = rows[static_cast<std::size_t>(i - 1)].first;
      m[2][i] = rows[static_cast<std::size_t>(i - 1)].second;
    }
  }
  int n;
  OneBasedMatrix<float> m;
};

// The sharp boundary of every bin written out independently: at time t the
// plateau A exp(-2 w s) starts at meniscus exp(w s).
double SharpBoundaries(const std::vector<std::pair<float, float>>& rows, double omega2t,
                       double r) {
  double c = 0.0;
  for (const auto& [s, g] : rows) {
    const double ws = omega2t * s * 1e-13;
    if (g > 0 && r >= kMeniscus * std::exp(ws)) c += 1.0 * g * std::exp(-2.0 * ws);
  }
  return c;
}

class GStarBoundaryModelTest : public ContiRunTest {
 protected:
  // Scans every 600 s from 600 s on at 50,000 rpm: the 40 S bin passes the
  // last radius after a few scans, the 3 S bin stays inside.
  void Load(const std::vector<std::pair<float, float>>& rows, bool offsets) {
    std::vector<SyntheticScan> scans;
    for (int j = 1; j <= 8; ++j) scans.push_back({600.0 * j, 50000.0f});
    LoadScans(scans, kPoints, kR0, kDr, kMeniscus, kBottom, [&](int j, double r) {
      const double w = std::pow(50000.0 * 3.14159265358979323846 / 30.0, 2) * 600.0 * j;
      const double ti = offsets ? 0.02 * std::sin(5.0 * r) : 0.0;
      const double ri = offsets ? 0.01 * j : 0.0;
      return static_cast<float>(SharpBoundaries(rows, w, r) + ti + ri);
    });
    // The cell as the parameter vector holds it.
    ParameterVector[13] = kMeniscus;
    ParameterVector[14] = kBottom;
  }
  static double ModelRms() {
    double sum = 0.0;
    int count = 0;
    for (int j = 1; j <= ScanDataSet.NFILES; ++j)
      for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k, ++count)
        sum += std::pow(ScanDataSet.ScanModel[j][k], 2);
    return std::sqrt(sum / count);
  }
};

TEST_F(GStarBoundaryModelTest, ReproducesSharpBoundariesUnderTimeAndRadialNoise) {
  const std::vector<std::pair<float, float>> rows = {{3.0f, 0.2f}, {4.0f, 0.0f}, {5.0f, 0.1f},
                                                     {6.0f, -0.3f}, {40.0f, 0.05f}};
  Load(rows, true);
  FitTimeAndRadialInvariantNoise();
  GStarTable t(rows);
  const float rmsd = GStarToBoundaryModel(nullptr, t.m.get(), 6, t.n);
  EXPECT_LT(rmsd, 1e-5f);
  // The noise took the offsets, component 1 carries the boundaries at
  // loading 1 and is the only one switched on.
  EXPECT_NEAR(CommonRadialGrid.RINoise[8] - CommonRadialGrid.RINoise[1], 0.07, 1e-5);
  EXPECT_EQ(ModelParameters.ComponentOn[1], 1);
  EXPECT_EQ(ModelParameters.ComponentOn[2], 0);
  EXPECT_FLOAT_EQ(SpeciesSignals.SpeciesAmplitude[1], 1.0f);
  EXPECT_EQ(ModelSelection.Kind, ModelSelectionRecord{}.Kind);
}

TEST_F(GStarBoundaryModelTest, WithoutNoiseTheModelIsTheBoundariesAlone) {
  const std::vector<std::pair<float, float>> rows = {{3.0f, 0.2f}, {4.0f, 0.1f}};
  Load(rows, false);
  GStarTable t(rows);
  EXPECT_LT(GStarToBoundaryModel(nullptr, t.m.get(), 6, t.n), 1e-6f);
}

TEST_F(GStarBoundaryModelTest, NoPositiveBinLeavesOnlyTheNoise) {
  const std::vector<std::pair<float, float>> rows = {{3.0f, 0.0f}, {4.0f, -0.1f}};
  Load({{3.0f, 0.2f}}, false);
  GStarTable t(rows);
  GStarToBoundaryModel(nullptr, t.m.get(), 6, t.n);
  EXPECT_EQ(ModelRms(), 0.0);
  // With a baseline fitted the model is the mean of the data everywhere.
  ModelParameters.SystematicNoiseOn = true;
  GStarToBoundaryModel(nullptr, t.m.get(), 6, t.n);
  EXPECT_GT(ModelParameters.Baseline, 0.0f);
  EXPECT_FLOAT_EQ(ScanDataSet.ScanModel[3][50], ModelParameters.Baseline);
}

TEST_F(GStarBoundaryModelTest, UnsetMeniscusIsRefusedAndChangesNothing) {
  const std::vector<std::pair<float, float>> rows = {{3.0f, 0.2f}, {4.0f, 0.1f}};
  Load(rows, false);
  ScanDataSet.ScanModel[2][10] = 7.0f;
  ModelParameters.Meniscus = 0.0f;
  GStarTable t(rows);
  EXPECT_EQ(GStarToBoundaryModel(nullptr, t.m.get(), 6, t.n), 0.0f);
  EXPECT_FALSE(LogLinesWith("set Meniscus and Bottom first").empty());
  EXPECT_EQ(ScanDataSet.ScanModel[2][10], 7.0f);
}

}  // namespace
