// The installer of the simulation's hooks: models whose kernels live in the
// equilibrium, light-scattering and distribution libraries are refused while
// the hooks are empty and, once installed, simulate to the closed forms of
// their physics: the Boltzmann distribution of sedimentation equilibrium,
// the exponential decay of a diffusing species' field autocorrelation (and
// its square, the intensity autocorrelation), the diffusion-free boundary;
// and the conversion of intensity data into field autocorrelations.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/wiring/AnalysisHooks.h"
#include "data/DlsLoading.h"
#include "state/DisplayState.h"
#include "models/ModelsTestSupport.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "models/SimulationRoads.h"
#include "models/TempParameterFile.h"
#include "numerics/ConstantShorthands.h"

namespace {

constexpr double kMeniscus = 6.0, kBottom = 7.0;
constexpr float kRpm = 20000.0f;
constexpr const char* kRefusal = "simulation of this model is not available in this version";

class AnalysisHooksTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    SimulationRoads = SimulationRoadsRecord{};
    DlsRecords = OneBasedArray<DlsRecord>();
  }
  void TearDown() override {
    SimulationRoads = SimulationRoadsRecord{};
    DlsRecords = OneBasedArray<DlsRecord>();
    ModelsTest::TearDown();
  }

  // Component 1 of the discrete model alone.
  static void OneSpecies(float s, float massOrD, float loading) {
    ModelSelection.Kind = ModelKind::NonInteractingSpecies;
    ModelParametersRecord& mp = ModelParameters;
    mp.ComponentOn = {0, 1, 0, 0, 0};
    mp.Concentration = {0, loading, 0, 0, 0};
    mp.SedCoefficient = {0, s, 0, 0, 0};
    mp.MassOrD = {0, massOrD, 0, 0, 0};
  }

  // Two equilibrium scans at 20 degrees Celsius, one species of M 40 kDa.
  static void EquilibriumData() {
    LoadTestScans({{kMeniscus, kBottom, 0.01, 3600.0, nullptr, 0},
                   {kMeniscus, kBottom, 0.01, 7200.0, nullptr, 0}});
    for (int j = 1; j <= 2; ++j) {
      ScanDataSet.ScanHeaders[j].Rpm = kRpm;
      ScanDataSet.ScanHeaders[j].Temperature = 20.0f;
    }
    ScanDataSet.EquilibriumDataMode = true;
    ModelParameters.Meniscus = static_cast<float>(kMeniscus);
    ModelParameters.Bottom = static_cast<float>(kBottom);
    LammSolverSettings.LammGridSize = 200;
    SolventConditions.VbarRho = 0.73f * 0.99823f;
    SolventConditions.GasConstantRT = static_cast<float>(kGasConstant * 293.15);
    FitControl.MassInsteadOfD = true;
    OneSpecies(3.0f, 40000.0f, 0.5f);
  }

  // Two measurements at 90 degrees, 632.8 nm in water, log10 lags from
  // 1 microsecond to 1 second; the values g(1) or g(2) - 1.
  static void DlsData(bool field) {
    LoadTestScans({{-6.0, 0.0, 0.05, 0.0, nullptr, 0}, {-6.0, 0.0, 0.05, 1.0, nullptr, 0}});
    DlsRecords.Resize(1, 2);
    for (int i = 1; i <= 2; ++i) {
      DlsRecords[i].DlsSetting4 = 1.333f;
      DlsRecords[i].DlsSetting6 = 90.0f;
      DlsRecords[i].DlsSetting7 = 632.8e-9f;
      DlsRecords[i].HoldsFieldAcf = field;
    }
    DlsDataMode = true;
    FitControl.MassInsteadOfD = false;
    OneSpecies(0.0f, 5.0f, 0.8f);  // D 5e-7 cm^2/s
  }

  // q^2 in 1/cm^2 of the measurements: the scattered and the incident wave
  // vectors, both of length 2 pi n / lambda, at 90 degrees.
  static double QSquared() {
    const double k = 2.0 * kPi * 1.333 / 632.8e-9;
    return 2.0 * k * k * 1e-4;
  }

  static void Simulate() {
    PackParameterVector();
    SimulateModel(nullptr);
  }
};

TEST_F(AnalysisHooksTest, KernelModelsAreRefusedUntilInstalledThenSimulate) {
  struct Case {
    const char* name;
    void (*data)();
  };
  const Case cases[] = {
      {"equilibrium data", [] { EquilibriumData(); }},
      {"light scattering, g(1)", [] { DlsData(true); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimulationRoads = SimulationRoadsRecord{};
    c.data();
    Simulate();
    EXPECT_EQ(LogLinesWith(kRefusal).size(), 1u);
    EXPECT_EQ(ScanDataSet.ScanModel[1][1], 0.0f);
    backend().ClearLog();
    InstallAnalysisHooks();
    Simulate();
    EXPECT_TRUE(backend().Log().empty());
    EXPECT_GT(ScanDataSet.ScanModel[1][1], 0.0f);
    ResetModelRecords();
    ResetDataRecords();
    DlsRecords = OneBasedArray<DlsRecord>();
  }
}

TEST_F(AnalysisHooksTest, EquilibriumModelIsTheBoltzmannDistribution) {
  InstallAnalysisHooks();
  EquilibriumData();
  Simulate();
  ASSERT_TRUE(backend().Log().empty());
  const double omega = kRpm * kPi / 30.0;
  const double Mb = 40000.0 * (1.0 - SolventConditions.VbarRho);
  const double a = Mb * omega * omega / (2.0 * kGasConstant * 293.15);
  for (int j = 1; j <= 2; ++j) {
    const int n = ScanDataSet.ScanPointCount[j];
    const float* r = ScanDataSet.ScanRadius[j].data();
    const float* c = ScanDataSet.ScanModel[j].data();
    // Shape: c(r) / c(m) = exp(a (r^2 - m^2)).
    for (int k : {n / 2, n})
      EXPECT_NEAR(c[k] / c[1], std::exp(a * (r[k] * r[k] - r[1] * r[1])), 1e-4 * c[k] / c[1]);
    // Mass: the r-weighted mean over the sector is the loading.
    double amount = 0.0;
    for (int k = 1; k < n; ++k)
      amount += 0.5 * (c[k] * r[k] + c[k + 1] * r[k + 1]) * (r[k + 1] - r[k]);
    EXPECT_NEAR(amount / ((kBottom * kBottom - kMeniscus * kMeniscus) / 2.0), 0.5, 1e-3);
  }
}

TEST_F(AnalysisHooksTest, LightScatteringModelIsTheDiffusionDecay) {
  InstallAnalysisHooks();
  for (bool field : {true, false}) {
    SCOPED_TRACE(field ? "g(1)" : "g(2) - 1");
    DlsData(field);
    Simulate();
    ASSERT_TRUE(backend().Log().empty());
    for (int j = 1; j <= 2; ++j)
      for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; k += 20) {
        const double tau = std::pow(10.0, ScanDataSet.ScanRadius[j][k]);
        const double g1 = 0.8 * std::exp(-5e-7 * QSquared() * tau);
        // One species' intensity autocorrelation is the square of its field
        // autocorrelation (Siegert).
        const double expected = field ? g1 : g1 * g1;
        EXPECT_NEAR(ScanDataSet.ScanModel[j][k], expected, 1e-5);
      }
    ResetModelRecords();
    ResetDataRecords();
    DlsRecords = OneBasedArray<DlsRecord>();
  }
}

TEST_F(AnalysisHooksTest, IntensityDataAreConvertedToFieldAutocorrelations) {
  InstallAnalysisHooks();
  int rebuilds = 0;
  BuildMainDataPlots = [&rebuilds] { ++rebuilds; };
  DlsData(false);
  for (int j = 1; j <= 2; ++j)
    for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k)
      ScanDataSet.ScanSignal[j][k] = k == 1 ? -0.04f : 0.25f;
  EXPECT_FALSE(SimulationRoads.DataAreFieldAcf());
  // Converting twice converts once: the records say which form they hold.
  for (int pass = 1; pass <= 2; ++pass) {
    SimulationRoads.ConvertToFieldAcf(nullptr);
    EXPECT_TRUE(SimulationRoads.DataAreFieldAcf());
    for (int j = 1; j <= 2; ++j) {
      // g(1) is the signed square root of g(2) - 1 (Siegert), in every scan.
      EXPECT_FLOAT_EQ(ScanDataSet.ScanSignal[j][1], -0.2f);
      EXPECT_FLOAT_EQ(ScanDataSet.ScanSignal[j][7], 0.5f);
    }
  }
  EXPECT_EQ(rebuilds, 2);
  BuildMainDataPlots = [] {};
}

TEST_F(AnalysisHooksTest, StepBoundaryIsTheDiffusionFreeBoundary) {
  InstallAnalysisHooks();
  ASSERT_NE(SimulationRoads.StepBoundary, nullptr);
  LoadTestScans({{kMeniscus, kBottom, 0.01, 1000.0, nullptr, 0}});
  ScanDataSet.ScanHeaders[1].Rpm = kRpm;
  ModelParameters.Meniscus = static_cast<float>(kMeniscus);
  ModelParameters.Bottom = static_cast<float>(kBottom);
  const double s = 10.0, omega = kRpm * kPi / 30.0, rate = s * 1e-13 * omega * omega;
  const double t = 3000.0;
  const int n = ScanDataSet.ScanPointCount[1];
  const float* r = ScanDataSet.ScanRadius[1].data();
  std::vector<float> out(static_cast<std::size_t>(n) + 1, -1.0f);
  SimulationRoads.StepBoundary(rate, s, 2.0, t, r, out.data(), n);
  // The boundary at m exp(s w^2 t); beyond it the plateau diluted radially.
  const double boundary = kMeniscus * std::exp(rate * t);
  for (int k = 1; k <= n; ++k) {
    if (std::fabs(r[k] - boundary) < 0.02) continue;
    const double expected = r[k] < boundary ? 0.0 : 2.0 * std::exp(-2.0 * rate * t);
    EXPECT_NEAR(out[static_cast<std::size_t>(k)], expected, 1e-5) << "r = " << r[k];
  }
}

TEST_F(AnalysisHooksTest, BufferMismatchHasItsSimulation) {
  InstallAnalysisHooks();
  EXPECT_NE(SimulationRoads.BufferSedimentation, nullptr);
  EXPECT_NE(SimulationRoads.ConfigureSolverSolvent, nullptr);
}

}  // namespace
