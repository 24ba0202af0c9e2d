// Synthetic data made from a discrete three-species model by the Lamm
// solver, then analysed by c(s) like any loaded run: the distribution finds
// the three species where they were put.

#include <gtest/gtest.h>

#include <cmath>

#include "data/DataOperationLinks.h"
#include "data/SyntheticData.h"
#include "distributions/ContiRunFixture.h"
#include "distributions/RunContiSed.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "numerics/Hydrodynamics.h"
#include "numerics/RandomNumbers.h"

namespace {

class SyntheticRecoveryTest : public ContiRunTest {
 protected:
  void TearDown() override {
    ResetDataOperationLinks();
    ContiRunTest::TearDown();
  }
};

TEST_F(SyntheticRecoveryTest, CsOfAGeneratedThreeSpeciesRunFindsTheSpecies) {
  const double s[] = {4.3, 6.6, 10.5};
  const double loading[] = {0.4, 0.3, 0.2};
  // The species on the frictional ratio that the c(s) grid assumes (1.2).
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  FitControl.MassInsteadOfD = false;
  auto& m = ModelParameters;
  m.Meniscus = 5.9f;
  m.Bottom = 7.2f;
  m.ComponentOn = {0, 1, 1, 1, 0};
  // The first component holds the total, the others their fractions of it.
  const double total = loading[0] + loading[1] + loading[2];
  m.Concentration = {0.0f, static_cast<float>(total), static_cast<float>(loading[1] / total),
                     static_cast<float>(loading[2] / total), 0.0f};
  for (int k = 0; k < 3; ++k) {
    const float M = CalculateM(static_cast<float>(s[k]));
    m.SedCoefficient[static_cast<std::size_t>(k + 1)] = static_cast<float>(s[k]);
    m.MassOrD[static_cast<std::size_t>(k + 1)] = DFromMass(M, 20.0f) * 1e7f;
  }
  PackParameterVector();
  DataOperationLinks.SimulateModel = [](platform::WindowHandle w) { SimulateModel(w); };

  SeedClockRandomGenerators(11);
  SyntheticDataRequest q;
  q.radialStep = 0.005f;
  q.rpm = 50000.0f;
  q.acceleration = 200.0f;
  q.noise = 0.005f;
  q.interval = 400.0f;
  q.scanCount = 20;
  q.path = scratch.File("synthetic");
  ASSERT_TRUE(GenerateSyntheticData(nullptr, q));
  ASSERT_EQ(ScanDataSet.NFILES, 20);
  // The model carries the boundaries: the plateau of the last scan is
  // lower than the loading, the noise sits on top of it.
  EXPECT_GT(ScanDataSet.ScanModel[1][200], 0.5f);

  // c(s) from 1 to 15 S at 100 points with P = 0.68, meniscus and bottom as
  // generated, vbar 0.73 in water.
  ModelSelection.Kind = ModelKind::ContinuousCS;
  ParameterVector[1] = 1.0f;
  ParameterVector[2] = 0.68f;
  ParameterVector[3] = 0.73f;
  ParameterVector[4] = 0.3f;
  ParameterVector[5] = 15.0f;
  ParameterVector[7] = 1.0f;
  ParameterVector[9] = 100.0f;
  ParameterVector[11] = 1.2f;
  ParameterVector[12] = 0.01002f;
  ParameterVector[13] = 5.9f;
  ParameterVector[14] = 7.2f;
  UnpackParameterVector();
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);

  const auto& x = DistributionResult.DistSGrid;
  const auto& v = DistributionResult.DistValues;
  const int n = DistributionSettings.DistGridSize;
  const double bounds[] = {1.0, 5.4, 8.5, 15.0};
  for (int p = 0; p < 3; ++p) {
    double area = 0.0, moment = 0.0;
    for (int i = 2; i < n; ++i) {
      const double si = x[static_cast<std::size_t>(i)];
      if (si < bounds[p] || si >= bounds[p + 1]) continue;
      const double a = v[static_cast<std::size_t>(i)] *
                       (x[static_cast<std::size_t>(i + 1)] - x[static_cast<std::size_t>(i - 1)]) / 2.0;
      area += a;
      moment += a * si;
    }
    ASSERT_GT(area, 0.0) << "peak " << p;
    EXPECT_NEAR(moment / area, s[p], 0.02 * s[p]) << "peak " << p;
    EXPECT_NEAR(area, loading[p], 0.1 * loading[p]) << "peak " << p;
  }
}

}  // namespace
