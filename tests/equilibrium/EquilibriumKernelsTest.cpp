#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "equilibrium/EquilibriumKernels.h"
#include "models/ModelsTestSupport.h"

namespace {

// Meniscus and bottom are single-precision model parameters.
constexpr double kMeniscus = static_cast<double>(5.8f), kBottom = static_cast<double>(7.2f);
constexpr double kR = 8.31451e7;  // erg/(mol K)

double Omega(double rpm) {
  return rpm * 2.0 * 3.1415927 / 60.0;
}

// The textbook sedimentation-equilibrium profile, written from the meniscus:
// c(r) = c0 s (b^2 - m^2)/2 / (exp(s (b^2 - m^2)/2) - 1) exp(s (r^2 - m^2)/2)
// with s = Mb omega^2 / (R T).
double TextbookProfile(double Mb, double c0, double rpm, double celsius, double r) {
  const double sigma = Mb * Omega(rpm) * Omega(rpm) / (kR * (celsius + 273.15));
  const double span = sigma * (kBottom * kBottom - kMeniscus * kMeniscus) / 2.0;
  return c0 * span / (std::exp(span) - 1.0) *
         std::exp(sigma * (r * r - kMeniscus * kMeniscus) / 2.0);
}

// The integral of c r dr of one scan's model by Simpson's rule on its evenly
// spaced radii (an odd number of points). The radii are single-precision
// numbers, off their even spacing by up to half a unit in the last place,
// which on a steep profile limits the sum to about 1e-4.
double SectorAmount(int scan) {
  const auto& d = ScanDataSet;
  const int n = d.ScanPointCount[scan];
  EXPECT_EQ(n % 2, 1);
  const double h = (d.ScanRadius[scan][n] - d.ScanRadius[scan][1]) / (n - 1);
  double sum = 0.0;
  for (int k = 1; k <= n; ++k) {
    const double w = (k == 1 || k == n) ? 1.0 : (k % 2 == 0 ? 4.0 : 2.0);
    sum += w * d.ScanModel[scan][k] * d.ScanRadius[scan][k];
  }
  return sum * h / 3.0;
}

// The same on the scan's own radii, however spaced, by the trapezoid rule.
double SectorAmountTrapezoid(int scan) {
  const auto& d = ScanDataSet;
  double sum = 0.0;
  for (int k = 2; k <= d.ScanPointCount[scan]; ++k) {
    const double r0 = d.ScanRadius[scan][k - 1], r1 = d.ScanRadius[scan][k];
    sum += 0.5 * (r1 - r0) * (d.ScanModel[scan][k - 1] * r0 + d.ScanModel[scan][k] * r1);
  }
  return sum;
}

double LoadingAmount(double c0) {
  return c0 * (kBottom * kBottom - kMeniscus * kMeniscus) / 2.0;
}

class EquilibriumKernel : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    ModelParameters.Meniscus = static_cast<float>(kMeniscus);
    ModelParameters.Bottom = static_cast<float>(kBottom);
    ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  }
  // Scans from meniscus to bottom, one per rotor speed, all at 20 deg C.
  void LoadScans(const std::vector<float>& rpms, double step = 0.0007) {
    std::vector<TestScan> scans;
    for (std::size_t k = 0; k < rpms.size(); ++k)
      scans.push_back({kMeniscus, kBottom, step, 100.0 * static_cast<double>(k), nullptr, 0.0f});
    LoadTestScans(scans);
    for (int i = 1; i <= ScanDataSet.NFILES; ++i) {
      ScanDataSet.ScanHeaders[i].Rpm = rpms[static_cast<std::size_t>(i - 1)];
      ScanDataSet.ScanHeaders[i].Temperature = 20.0f;
    }
  }
  // A common grid of its own: every fifth radius of scan 1.
  void MakeCommonGrid() {
    const int n = (ScanDataSet.ScanPointCount[1] - 1) / 5 + 1;
    commonGrid.Resize(1, n);
    for (int k = 1; k <= n; ++k) commonGrid[k] = ScanDataSet.ScanRadius[1][5 * (k - 1) + 1];
    CommonRadialGrid.CommonGrid = commonGrid.data();
    CommonRadialGrid.CommonGridSize = n;
  }
  OneBasedArray<float> commonGrid;
  FluorescenceDetectionRecord noDetection;
};

TEST_F(EquilibriumKernel, MatchesTheTextbookProfileAndConservesMass) {
  const struct {
    std::string name;
    double Mb, c0;
    float rpm;
  } cases[] = {
      {"protein of 50 kDa", 50000 * 0.27, 0.8, 15000.0f},
      {"larger protein, faster", 150000 * 0.27, 1.2, 20000.0f},
      {"floating lipoprotein", -8000.0, 0.5, 30000.0f},
      {"small solute", 300.0, 2.0, 50000.0f},
  };
  for (const auto& c : cases) {
    ResetDataRecords();
    ModelParameters.Meniscus = static_cast<float>(kMeniscus);
    ModelParameters.Bottom = static_cast<float>(kBottom);
    LoadScans({c.rpm});
    EqExponentialKernel(c.Mb, c.c0, {}, noDetection);
    const auto& d = ScanDataSet;
    for (int k = 1; k <= d.ScanPointCount[1]; k += 50) {
      const double r = d.ScanRadius[1][k];
      const double want = TextbookProfile(c.Mb, c.c0, c.rpm, 20.0, r);
      EXPECT_NEAR(d.ScanModel[1][k], want, 2e-6 * want + 1e-30) << c.name << " at r = " << r;
    }
    EXPECT_NEAR(SectorAmount(1), LoadingAmount(c.c0), 1e-4 * LoadingAmount(c.c0)) << c.name;
  }
}

TEST_F(EquilibriumKernel, HugeBuoyantMassAtHighSpeedStaysFiniteAndConservesMass) {
  // Mb omega^2 (b^2 - m^2)/(2RT) of about 15000: the exponential of the span
  // overflows any floating-point type, and so does the exponential taken from
  // a fixed reference radius of 7 cm. The whole amount then sits in a layer
  // of about a micrometre at the bottom, resolved by a scan of its own.
  LoadScans({60000.0f, 60000.0f});
  auto& d = ScanDataSet;
  const int n = 1001;
  const double first = kBottom - 0.002;
  d.ScanRadius[2].Resize(1, n);
  d.ScanModel[2].Resize(1, n);
  d.ScanPointCount[2] = n;
  for (int k = 1; k <= n; ++k)
    d.ScanRadius[2][k] = static_cast<float>(first + (kBottom - first) * (k - 1) / (n - 1));
  const double Mb = 1e6;
  EqExponentialKernel(Mb, 1.0, {}, noDetection);
  for (int i = 1; i <= 2; ++i)
    for (int k = 1; k <= d.ScanPointCount[i]; ++k)
      ASSERT_TRUE(std::isfinite(d.ScanModel[i][k])) << "scan " << i << " point " << k;
  EXPECT_NEAR(SectorAmountTrapezoid(2), LoadingAmount(1.0), 1e-3 * LoadingAmount(1.0));
  EXPECT_EQ(d.ScanModel[1][1], 0.0f);  // nothing left at the meniscus
}

TEST_F(EquilibriumKernel, ZeroBuoyantMassIsFlatAndFasterScansAreSteeperWithEqualMeans) {
  LoadScans({10000.0f, 25000.0f});
  EqExponentialKernel(0.0, 0.7, {}, noDetection);
  auto& d = ScanDataSet;
  for (int i = 1; i <= 2; ++i)
    for (int k = 1; k <= d.ScanPointCount[i]; ++k) ASSERT_EQ(d.ScanModel[i][k], 0.7f);

  for (int i = 1; i <= 2; ++i)
    for (int k = 1; k <= d.ScanPointCount[i]; ++k) d.ScanModel[i][k] = 0.0f;
  EqExponentialKernel(20000.0, 1.0, {}, noDetection);
  const int n = d.ScanPointCount[1];
  const double slow = d.ScanModel[1][n] / d.ScanModel[1][1];
  const double fast = d.ScanModel[2][n] / d.ScanModel[2][1];
  EXPECT_GT(slow, 1.0);
  EXPECT_GT(fast, slow * slow);  // the exponent grows with omega^2
  EXPECT_NEAR(SectorAmount(1), SectorAmount(2), 1e-4 * SectorAmount(1));
}

TEST_F(EquilibriumKernel, ScanModelAccumulatesSpeciesAndAKeyPressFinishesAllScans) {
  LoadScans({12000.0f, 18000.0f, 24000.0f});
  int window = 0;
  backend().QueueKeyPress(&window, 27, 27);
  EqExponentialKernel(10000.0, 0.4, {}, noDetection);
  EXPECT_TRUE(ComputationAbort);
  EqExponentialKernel(40000.0, 0.6, {}, noDetection);
  const auto& d = ScanDataSet;
  for (int i = 1; i <= 3; ++i) {
    const float rpm = d.ScanHeaders[i].Rpm;
    for (int k = 1; k <= d.ScanPointCount[i]; k += 100) {
      const double r = d.ScanRadius[i][k];
      const double want =
          TextbookProfile(10000.0, 0.4, rpm, 20.0, r) + TextbookProfile(40000.0, 0.6, rpm, 20.0, r);
      EXPECT_NEAR(d.ScanModel[i][k], want, 2e-6 * want) << "scan " << i << " r = " << r;
    }
  }
}

TEST_F(EquilibriumKernel, WritesWhereTheModelAndFitModeSay) {
  LoadScans({15000.0f, 30000.0f});
  MakeCommonGrid();
  const auto& d = ScanDataSet;
  const int n = CommonRadialGrid.CommonGridSize, points = d.ScanPointCount[1];
  const double Mb = 30000.0;
  // A kernel of three grid points, each [scan 1..2][point 0..capacity];
  // grid point 2 is filled.
  const int capacity = points;
  std::vector<OneBasedMatrix<float>> storage(4);
  std::vector<float**> table(4, nullptr);
  KernelColumnTarget column{table.data(), 2, capacity, false};

  const struct {
    std::string name;
    ModelKind kind;
    bool linear, tiNoise, atScanRadii;
  } cases[] = {
      {"continuous c(M) on the common grid", ModelKind::ContinuousCM, false, false, false},
      {"continuous c(M) at the scan radii", ModelKind::ContinuousCM, false, false, true},
      {"linear concentrations", ModelKind::NonInteractingSpecies, true, false, false},
      {"time-invariant noise", ModelKind::NonInteractingSpecies, false, true, false},
  };
  for (const auto& c : cases) {
    ModelSelection.Kind = c.kind;
    ModelParameters.LinearConcentrations = c.linear;
    FitControl.TINoiseFitted = c.tiNoise;
    column.AtScanRadii = c.atScanRadii;
    GlobalLammRun.CurrentSpecies = 3;
    SpeciesSignals.SpeciesBasis.Resize(1, NCOMP);
    SpeciesSignals.SpeciesBasis[3].Resize(1, 2);
    for (int i = 1; i <= 2; ++i) SpeciesSignals.SpeciesBasis[3][i].Resize(1, n);
    for (int g = 1; g <= 3; ++g) {
      storage[static_cast<std::size_t>(g)].Resize(1, 2, 0, capacity);
      table[static_cast<std::size_t>(g)] = storage[static_cast<std::size_t>(g)].get();
    }

    EqExponentialKernel(Mb, 1.0, column, noDetection);
    const bool continuous = c.kind == ModelKind::ContinuousCM;
    for (int i = 1; i <= 2; ++i) {
      const float rpm = d.ScanHeaders[i].Rpm;
      const int count = c.atScanRadii ? points : n;
      const float* radii = c.atScanRadii ? d.ScanRadius[i].data() : commonGrid.data();
      const float* got = continuous ? storage[2][i] : SpeciesSignals.SpeciesBasis[3][i].data();
      for (int k = 1; k <= count; k += 37) {
        const double want = TextbookProfile(Mb, 1.0, rpm, 20.0, radii[k]);
        EXPECT_NEAR(got[k], want, 2e-6 * want + 1e-30)
            << c.name << ", scan " << i << " point " << k;
      }
      // Nothing else is touched.
      EXPECT_EQ(d.ScanModel[i][1], 0.0f) << c.name;
      EXPECT_EQ(storage[1][i][1], 0.0f) << c.name;
      EXPECT_EQ(storage[3][i][1], 0.0f) << c.name;
      const float untouched = continuous ? SpeciesSignals.SpeciesBasis[3][i][1] : storage[2][i][1];
      EXPECT_EQ(untouched, 0.0f) << c.name;
    }
  }
}

TEST_F(EquilibriumKernel, DetectorCorrectionsFollowTheOptics) {
  // A flat profile (Mb = 0) shows each correction by itself: the
  // magnification gradient tilts it, the excitation shadow halves it at the
  // bottom, the cone convolution lets it fall at the cell ends, and the
  // smearing of absorbance scans leaves a flat profile flat.
  LoadScans({20000.0f}, 0.001);
  const auto& d = ScanDataSet;
  const int n = d.ScanPointCount[1];
  auto run = [&](const FluorescenceDetectionRecord& detection) {
    for (int k = 1; k <= n; ++k) ScanDataSet.ScanModel[1][k] = 0.0f;
    EqExponentialKernel(0.0, 1.0, {}, detection);
  };

  FluorescenceDetectionRecord magnified;
  magnified.Magnification = 1.5f;
  run(magnified);
  for (int k = 1; k <= n; k += 100)
    EXPECT_NEAR(d.ScanModel[1][k], 1.0 + 0.5 * (d.ScanRadius[1][k] - kMeniscus), 1e-5) << k;

  FluorescenceDetectionRecord shadowed;
  shadowed.ShadowWidth = 0.05f;
  run(shadowed);
  EXPECT_NEAR(d.ScanModel[1][n], 0.5, 1e-3);
  EXPECT_EQ(d.ScanModel[1][n / 2], 1.0f);

  FluorescenceDetectionRecord cone;
  cone.ConeRange = 0.02f;
  ScanReaderOptions.AbsorbanceData = false;
  run(cone);
  EXPECT_LT(d.ScanModel[1][1], 0.9f);
  EXPECT_NEAR(d.ScanModel[1][n / 2], 1.0, 1e-5);

  // Absorbance data with the radial resolution simulated: the smearing
  // replaces the convolution.
  ScanReaderOptions.AbsorbanceData = true;
  LammSolverSettings.RadialResolutionOn = true;
  run(cone);
  EXPECT_NEAR(d.ScanModel[1][1], 1.0, 1e-5);
  EXPECT_NEAR(d.ScanModel[1][n], 1.0, 1e-5);
}

}  // namespace
