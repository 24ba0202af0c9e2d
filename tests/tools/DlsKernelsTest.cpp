#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "data/DlsLoading.h"
#include "models/ModelsTestSupport.h"
#include "numerics/ConstantShorthands.h"
#include "tools/DlsKernels.h"

namespace {

// The scattering vector as the difference of the scattered and the incident
// wave vectors, both of length 2 pi n / lambda, at the angle theta.
double WaveVectorDifference(double n, double degrees, double lambda) {
  const double k = 2.0 * kPi * n / lambda, theta = degrees * kPi / 180.0;
  return std::hypot(k * std::cos(theta) - k, k * std::sin(theta));
}

// Scans of log10 lags from 1 microsecond to 1 second, one per measurement,
// each with its optics, and a common grid of every other lag.
class DlsKernel : public ModelsTest {
 protected:
  struct Measurement {
    float refractiveIndex = 1.333f;
    float angle = 90.0f;
    float wavelength = 632.8e-9f;
    bool field = true;
  };
  void SetUp() override {
    ModelsTest::SetUp();
    DlsRecords = OneBasedArray<DlsRecord>();
  }
  void TearDown() override {
    DlsRecords = OneBasedArray<DlsRecord>();
    ModelsTest::TearDown();
  }
  void Load(const std::vector<Measurement>& measurements) {
    std::vector<TestScan> scans;
    for (std::size_t k = 0; k < measurements.size(); ++k)
      scans.push_back({-6.0, 0.0, 0.05, static_cast<double>(k), nullptr, 0.0f});
    LoadTestScans(scans);
    DlsRecords.Resize(1, ScanDataSet.NFILES);
    for (int i = 1; i <= ScanDataSet.NFILES; ++i) {
      const Measurement& m = measurements[static_cast<std::size_t>(i - 1)];
      DlsRecords[i].DlsSetting4 = m.refractiveIndex;
      DlsRecords[i].DlsSetting6 = m.angle;
      DlsRecords[i].DlsSetting7 = m.wavelength;
      DlsRecords[i].HoldsFieldAcf = m.field;
    }
    const int n = (ScanDataSet.ScanPointCount[1] + 1) / 2;
    grid.Resize(1, n);
    for (int k = 1; k <= n; ++k) grid[k] = ScanDataSet.ScanRadius[1][2 * k - 1];
    CommonRadialGrid.CommonGrid = grid.data();
    CommonRadialGrid.CommonGridSize = n;
  }
  // A kernel of two grid points, [scan][point 0..capacity] each; the inputs
  // point at grid point 2.
  void MakeKernel(DlsKernelInputs& in) {
    const int capacity = ScanDataSet.ScanPointCount[1];
    for (int g = 1; g <= 2; ++g) {
      kernel[static_cast<std::size_t>(g)].Resize(1, ScanDataSet.NFILES, 0, capacity);
      table[static_cast<std::size_t>(g)] = kernel[static_cast<std::size_t>(g)].get();
    }
    in.Kernel = table.data();
    in.GridPoint = 2;
    in.PointCapacity = capacity;
  }
  void SpeciesSlots() {
    GlobalLammRun.CurrentSpecies = 2;
    SpeciesSignals.SpeciesBasis.Resize(1, NCOMP);
    SpeciesSignals.SpeciesBasis[2].Resize(1, ScanDataSet.NFILES);
    for (int i = 1; i <= ScanDataSet.NFILES; ++i)
      SpeciesSignals.SpeciesBasis[2][i].Resize(1, CommonRadialGrid.CommonGridSize);
  }
  static double Q(const Measurement& m) {
    const double q = WaveVectorDifference(m.refractiveIndex, m.angle, m.wavelength);
    return 1e-4 * q * q;
  }

  OneBasedArray<float> grid;
  std::vector<OneBasedMatrix<float>> kernel = std::vector<OneBasedMatrix<float>>(3);
  std::vector<float**> table = std::vector<float**>(3, nullptr);
};

TEST_F(DlsKernel, ScatteringVectorIsTheWaveVectorDifference) {
  const struct {
    float n, angle, lambda;
  } cases[] = {
      {1.333f, 90.0f, 632.8e-9f}, {1.333f, 173.0f, 632.8e-9f}, {1.33f, 15.0f, 532e-9f},
      {1.5f, 60.0f, 830e-9f},     {1.0f, 180.0f, 400e-9f},
  };
  for (const auto& c : cases) {
    const double want = WaveVectorDifference(c.n, c.angle, c.lambda);
    EXPECT_NEAR(DlsScatteringVector(c.n, c.angle, c.lambda), want, 1e-6 * want)
        << c.n << " " << c.angle << " " << c.lambda;
  }
  // Water, 90 degrees, the helium-neon line: q = 1.8718e7 /m, q^2 = 3.504e10
  // /cm^2.
  const double q = DlsScatteringVector(1.333f, 90.0f, 632.8e-9f);
  EXPECT_NEAR(q, 1.8718e7, 1e3);
  EXPECT_NEAR(1e-4 * q * q, 3.504e10, 1e7);
}

TEST_F(DlsKernel, DecayOfTheWorkedExampleAndOfAStokesEinsteinSphere) {
  Load({{}});
  // D = 1e-7 cm^2/s at tau = 1e-4 s (log10 lag -4, point 41).
  DlsKernelInputs in;
  in.D = 1e-7;
  DLSKernel(in);
  ASSERT_NEAR(ScanDataSet.ScanRadius[1][41], -4.0f, 1e-6f);
  EXPECT_NEAR(ScanDataSet.ScanModel[1][41], 0.7044, 5e-5);

  // A sphere of 5 nm radius in water at 20 deg C: D = kT / (6 pi eta R). Each
  // value of its column gives the radius back.
  const double kT = 1.380649e-23 * 293.15, eta = 1.002e-3, radius = 5e-9;
  const double D = kT / (6.0 * kPi * eta * radius) * 1e4;  // cm^2/s
  ModelSelection.Kind = ModelKind::DlsID;
  in.D = D;
  MakeKernel(in);
  ASSERT_TRUE(DLSKernel(in));
  const double q = WaveVectorDifference(1.333, 90.0, 632.8e-9);
  int used = 0;
  for (int j = 1; j <= CommonRadialGrid.CommonGridSize; ++j) {
    const double value = kernel[2][1][j];
    if (value < 0.05 || value > 0.95) continue;
    const double tau = std::pow(10.0, grid[j]);
    const double gamma = -std::log(value) / tau;  // 1/s
    EXPECT_NEAR(kT * q * q / (6.0 * kPi * eta * gamma), radius, 1e-5 * radius) << j;
    ++used;
  }
  EXPECT_GE(used, 5);
}

TEST_F(DlsKernel, WritesWhereTheModelAndFitModeSay) {
  const std::vector<Measurement> optics = {{1.333f, 90.0f, 632.8e-9f, true},
                                           {1.333f, 173.0f, 633e-9f, true}};
  const struct {
    std::string name;
    ModelKind kind;
    bool linear, tiNoise, atScanRadii;
  } cases[] = {
      {"I(D) on the common grid", ModelKind::DlsID, false, false, false},
      {"I(Rh) at the scans' lags", ModelKind::DlsIRh, false, false, true},
      {"linear concentrations", ModelKind::NonInteractingSpecies, true, false, false},
      {"time-invariant noise", ModelKind::NonInteractingSpecies, false, true, false},
  };
  for (const auto& c : cases) {
    ResetModelRecords();
    ResetDataRecords();
    Load(optics);
    SpeciesSlots();
    ModelSelection.Kind = c.kind;
    ModelParameters.LinearConcentrations = c.linear;
    FitControl.TINoiseFitted = c.tiNoise;
    DlsKernelInputs in;
    in.D = 3e-7;
    in.Amplitude = 0.8;
    in.AtScanRadii = c.atScanRadii;
    MakeKernel(in);
    EXPECT_TRUE(DLSKernel(in)) << c.name;
    const bool continuous = c.kind != ModelKind::NonInteractingSpecies;
    for (int i = 1; i <= 2; ++i) {
      const int count =
          c.atScanRadii ? ScanDataSet.ScanPointCount[i] : CommonRadialGrid.CommonGridSize;
      const float* lags = c.atScanRadii ? ScanDataSet.ScanRadius[i].data() : grid.data();
      const float* got = continuous ? kernel[2][i] : SpeciesSignals.SpeciesBasis[2][i].data();
      for (int j = 1; j <= count; j += 7) {
        const double exponent =
            3e-7 * Q(optics[static_cast<std::size_t>(i - 1)]) * std::pow(10.0, lags[j]);
        const double want = 0.8 * std::exp(-exponent);
        // The kernel's single-precision pi shifts a large exponent slightly.
        EXPECT_NEAR(got[j], want, want * (2e-6 + 1e-7 * exponent) + 1e-30)
            << c.name << " scan " << i << " " << j;
      }
      EXPECT_EQ(ScanDataSet.ScanModel[i][1], 0.0f) << c.name;
      EXPECT_EQ(kernel[1][i][1], 0.0f) << c.name;
      const float untouched = continuous ? SpeciesSignals.SpeciesBasis[2][i][1] : kernel[2][i][1];
      EXPECT_EQ(untouched, 0.0f) << c.name;
    }
  }
}

TEST_F(DlsKernel, ScanModelAddsSpeciesAndANonDecayingSpeciesFillsOnlyTheFirstLag) {
  Load({{}});
  DlsKernelInputs fast, slow, still;
  fast.D = 5e-7;
  fast.Amplitude = 0.3;
  slow.D = 2e-8;
  slow.Amplitude = 0.5;
  still.D = 0.0;
  still.Amplitude = 0.2;
  for (const DlsKernelInputs* in : {&fast, &slow, &still}) DLSKernel(*in);
  const double q2 = Q({});
  const auto& d = ScanDataSet;
  for (int j = 1; j <= d.ScanPointCount[1]; j += 10) {
    const double tau = std::pow(10.0, d.ScanRadius[1][j]);
    const double want =
        0.3 * std::exp(-5e-7 * q2 * tau) + 0.5 * std::exp(-2e-8 * q2 * tau) + (j == 1 ? 0.2 : 0.0);
    EXPECT_NEAR(d.ScanModel[1][j], want, 1e-6) << j;
  }
}

TEST_F(DlsKernel, ZeroDiffusionColumns) {
  const struct {
    std::string name;
    ModelKind kind;
    bool linear, atScanRadii;
    double D;
  } cases[] = {
      {"kernel on the common grid", ModelKind::DlsID, false, false, 0.0},
      {"kernel at the scans' lags, D = 0", ModelKind::DlsID, false, true, 0.0},
      {"species signal, D < 0", ModelKind::NonInteractingSpecies, true, false, -1e-7},
  };
  for (const auto& c : cases) {
    ResetModelRecords();
    ResetDataRecords();
    Load({{}});
    SpeciesSlots();
    ModelSelection.Kind = c.kind;
    ModelParameters.LinearConcentrations = c.linear;
    DlsKernelInputs in;
    in.D = c.D;
    in.Amplitude = 0.6;
    in.AtScanRadii = c.atScanRadii;
    MakeKernel(in);
    float* got = c.linear ? SpeciesSignals.SpeciesBasis[2][1].data() : kernel[2][1];
    // Leftovers of an earlier column must not survive.
    for (int j = 1; j <= CommonRadialGrid.CommonGridSize; ++j) got[j] = 9.0f;
    DLSKernel(in);
    const int count =
        c.atScanRadii ? ScanDataSet.ScanPointCount[1] : CommonRadialGrid.CommonGridSize;
    for (int j = 1; j <= count; ++j) {
      // At the scans' own lags the exponential of D = 0 is 1 everywhere.
      const float want = (j == 1 || c.atScanRadii) ? 0.6f : 0.0f;
      EXPECT_FLOAT_EQ(got[j], want) << c.name << " " << j;
    }
  }
}

TEST_F(DlsKernel, CumulantFormFollowsTheMomentsOfTheDDistribution) {
  // Three diffusion coefficients of a skewed distribution: D-bar - delta with
  // weight 2/3, D-bar + 2 delta with weight 1/3; mu2 = 2 delta^2, mu3 =
  // 2 delta^3. The cumulant form agrees with the exact mean decay to fourth
  // order in delta Q tau, and with no spread it is the plain decay at D-bar.
  Load({{}});
  ModelSelection.Kind = ModelKind::CumulantAnalysis;
  const double meanD = 4e-7, delta = 4e-8, q2 = Q({});
  const struct {
    std::string name;
    double mu2, mu3, spread;
  } cases[] = {
      {"no spread", 0.0, 0.0, 0.0},
      {"skewed spread", 2 * delta * delta, 2 * delta * delta * delta, delta},
  };
  for (const auto& c : cases) {
    for (int j = 1; j <= ScanDataSet.ScanPointCount[1]; ++j) ScanDataSet.ScanModel[1][j] = 0.0f;
    DlsKernelInputs in;
    in.D = 1.0;  // only its sign matters here
    in.MeanD = meanD;
    in.Mu2 = c.mu2;
    in.Mu3 = c.mu3;
    DLSKernel(in);
    for (int j = 1; j <= ScanDataSet.ScanPointCount[1]; j += 3) {
      const double tau = std::pow(10.0, ScanDataSet.ScanRadius[1][j]);
      if (c.spread * q2 * tau > 0.2) continue;  // beyond the expansion's reach
      const double exact = 2.0 / 3.0 * std::exp(-(meanD - c.spread) * q2 * tau) +
                           1.0 / 3.0 * std::exp(-(meanD + 2 * c.spread) * q2 * tau);
      const double x = c.spread * q2 * tau;
      EXPECT_NEAR(ScanDataSet.ScanModel[1][j], exact, 1e-6 + 0.5 * x * x * x * x)
          << c.name << " tau = " << tau;
    }
  }
}

TEST_F(DlsKernel, IntensityDataStopTheDistributionKernelButNotDiscreteModels) {
  Load({{1.333f, 90.0f, 632.8e-9f, true},
        {1.333f, 90.0f, 632.8e-9f, false},
        {1.333f, 90.0f, 632.8e-9f, true}});
  ModelSelection.Kind = ModelKind::DlsID;
  DlsKernelInputs in;
  in.D = 1e-7;
  MakeKernel(in);
  EXPECT_FALSE(DLSKernel(in));
  EXPECT_EQ(LogLinesWith("no field ACF in DLS distribution model").size(), 1u);
  EXPECT_GT(kernel[2][1][1], 0.9f);
  EXPECT_EQ(kernel[2][2][1], 0.0f);
  EXPECT_EQ(kernel[2][3][1], 0.0f);

  backend().ClearLog();
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  EXPECT_TRUE(DLSKernel(in));
  EXPECT_TRUE(backend().Log().empty());
  for (int i = 1; i <= 3; ++i) EXPECT_GT(ScanDataSet.ScanModel[i][1], 0.9f) << i;
}

TEST_F(DlsKernel, TimeCourseColumnCoversItsScansAndNotesAKey) {
  Load({{}, {}, {}, {1.333f, 90.0f, 632.8e-9f, false}});
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;  // the column ignores the model
  DlsKernelInputs in;
  in.D = 1e-7;
  in.FirstScan = 2;
  in.LastScan = 3;
  MakeKernel(in);
  int window = 0;
  backend().QueueKeyPress(&window, 27, 27);
  EXPECT_TRUE(DLSKernelColumn(in));
  EXPECT_TRUE(ComputationAbort);
  EXPECT_EQ(kernel[2][1][1], 0.0f);
  EXPECT_GT(kernel[2][2][1], 0.9f);
  EXPECT_GT(kernel[2][3][1], 0.9f);
  EXPECT_EQ(ScanDataSet.ScanModel[2][1], 0.0f);

  in.LastScan = 4;  // the fourth holds g(2) - 1
  EXPECT_FALSE(DLSKernelColumn(in));
  EXPECT_EQ(LogLinesWith("no field ACF in DLS distribution model").size(), 1u);
}

}  // namespace
