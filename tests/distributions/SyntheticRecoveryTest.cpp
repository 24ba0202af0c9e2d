// Synthetic data made from a discrete model by the Lamm solver, then
// analysed by c(s) like any loaded run: a kernel column is the discrete
// simulation of its species, and the distribution finds the species of a
// generated three-species run where they were put.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "ContiRunFixture.h"
#include "data/DataOperationLinks.h"
#include "data/DataSetServices.h"
#include "data/SyntheticData.h"
#include "distributions/ContiKernel.h"
#include "distributions/RunContiSed.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "numerics/Hydrodynamics.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/Resampling.h"
#include "numerics/RandomNumbers.h"

namespace {

constexpr float kMeniscus = 5.9f, kBottom = 7.2f;

class SyntheticRecoveryTest : public ContiRunTest {
 protected:
  void TearDown() override {
    ResetDataOperationLinks();
    ContiRunTest::TearDown();
  }

  // D (cm^2/s) of a species of s on the frictional ratio of the c(s) grid.
  static double DOnGridRatio(double s) {
    return DFromMass(CalculateM(static_cast<float>(s)), 20.0f);
  }

  // A discrete run of non-interacting species (s, loading) generated at
  // 50,000 rpm with a 200 rpm/s ramp, 400 s apart, on 5 um radii.
  void Generate(const std::vector<std::pair<double, double>>& species, float noise, int scans) {
    ModelSelection.Kind = ModelKind::NonInteractingSpecies;
    FitControl.MassInsteadOfD = false;
    auto& m = ModelParameters;
    m.Meniscus = kMeniscus;
    m.Bottom = kBottom;
    m.ComponentOn.fill(0);
    m.Concentration.fill(0.0f);
    // The first component holds the total, the others their fractions of it.
    double total = 0.0;
    for (const auto& sp : species) total += sp.second;
    for (std::size_t k = 0; k < species.size(); ++k) {
      const std::size_t c = k + 1;
      m.ComponentOn[c] = 1;
      m.Concentration[c] = static_cast<float>(k == 0 ? total : species[k].second / total);
      m.SedCoefficient[c] = static_cast<float>(species[k].first);
      m.MassOrD[c] = static_cast<float>(DOnGridRatio(species[k].first) * 1e7);
    }
    PackParameterVector();
    DataOperationLinks.SimulateModel = [](platform::WindowHandle w) { SimulateModel(w); };
    SeedClockRandomGenerators(11);
    SyntheticDataRequest q;
    q.radialStep = 0.005f;
    q.rpm = 50000.0f;
    q.acceleration = 200.0f;
    q.noise = noise;
    q.interval = 400.0f;
    q.scanCount = scans;
    q.path = scratch.File("synthetic");
    ASSERT_TRUE(GenerateSyntheticData(nullptr, q));
    ASSERT_EQ(ScanDataSet.NFILES, scans);
  }

  // The c(s) model of the generated cell: vbar 0.73 in water, f/f0 1.2.
  static void SelectCs(float smin, float smax, int points) {
    ModelSelection.Kind = ModelKind::ContinuousCS;
    ParameterVector[1] = smin;
    ParameterVector[2] = 0.68f;
    ParameterVector[3] = 0.73f;
    ParameterVector[4] = 0.3f;
    ParameterVector[5] = smax;
    ParameterVector[7] = 1.0f;
    ParameterVector[9] = static_cast<float>(points);
    ParameterVector[11] = 1.2f;
    ParameterVector[12] = 0.01002f;
    ParameterVector[13] = kMeniscus;
    ParameterVector[14] = kBottom;
    UnpackParameterVector();
  }
};

// The kernel's column of a species and the discrete model's simulation of
// the same species must be one curve: c(s) can only recover what the
// discrete road generates when both solve the same experiment.
TEST_F(SyntheticRecoveryTest, AKernelColumnIsTheDiscreteSimulationOfItsSpecies) {
  const double s = 4.3;
  Generate({{s, 1.0}}, 0.0f, 12);
  SelectCs(1.0f, 15.0f, 50);
  const int n = CommonRadialGrid.CommonGridSize;
  const double sv[] = {0.0, s}, Dv[] = {0.0, DOnGridRatio(s)}, vbar[] = {0.0, 0.73};
  ASSERT_TRUE(AllocKernelArray(1, ScanDataSet.NFILES, n));
  ASSERT_TRUE(RunSVContiSedList(nullptr, 1, sv, Dv, vbar));
  // The kernel lies on the common grid, the model on the scans' radii.
  double worst = 0.0;
  int worstScan = 0, worstPoint = 0;
  float worstKernel = 0.0f;
  for (int j = 1; j <= ScanDataSet.NFILES; ++j) {
    const int m = ScanDataSet.ScanPointCount[j];
    OneBasedArray<float> onScan(1, m);
    ResampleCurve(m, ScanDataSet.ScanRadius[j].data(), onScan.data(), n, CommonRadialGrid.CommonGrid,
                  DistKernel.get()[1][j]);
    for (int k = 1; k <= m; ++k) {
      const float r = ScanDataSet.ScanRadius[j][k];
      if (r <= CommonRadialGrid.CommonGrid[1] || r >= CommonRadialGrid.CommonGrid[n]) continue;
      const double d = std::fabs(onScan[k] - ScanDataSet.ScanModel[j][k]);
      if (d > worst) {
        worst = d;
        worstScan = j;
        worstPoint = k;
        worstKernel = onScan[k];
      }
    }
  }
  EXPECT_LT(worst, 5e-4) << "scan " << worstScan << " at "
                         << ScanDataSet.ScanRadius[worstScan][worstPoint] << " cm: kernel "
                         << worstKernel << ", model " << ScanDataSet.ScanModel[worstScan][worstPoint];
}

// The fit stops short of the bottom: the generated pile-up there rises
// steeply within a few points, and the data interpolated onto the finer
// common grid overshoot it by several per cent, which no distribution can
// fit (an analyst leaves the pile-up out for the same reason).
TEST_F(SyntheticRecoveryTest, CsOfAGeneratedThreeSpeciesRunFindsTheSpecies) {
  const double s[] = {4.3, 6.6, 10.5};
  const double loading[] = {0.4, 0.3, 0.2};
  Generate({{s[0], loading[0]}, {s[1], loading[1]}, {s[2], loading[2]}}, 0.005f, 20);
  // The model carries the boundaries: the plateau of the first scan is
  // lower than the loading, the noise sits on top of it.
  EXPECT_GT(ScanDataSet.ScanModel[1][200], 0.5f);
  EXPECT_LT(ScanDataSet.ScanModel[1][200], 0.9f);
  ScanDataSet.FitRightLim = 7.1f;
  SetLastFitIndex();
  SelectCs(1.0f, 15.0f, 100);
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  // The distribution fits to the noise of the data.
  EXPECT_LT(ScanRmsd(), 0.0055f);
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
