// The kernels that the installer hands to the continuous distribution run:
// light-scattering data of one diffusing species, made with the decay kernel
// itself, give an I(Rh), I(D) or I(Rh,t) distribution that peaks at that
// species; sedimentation-equilibrium data of one molar mass give a c(M)
// that peaks at it and holds its loading; intensity data in the first scan
// are converted to field autocorrelations when the user agrees, and end the
// run untouched when not; a kernel that stops at intensity data ends the run
// instead of storing a distribution of a partial kernel; and the models whose kernels this version
// lacks stay refused.

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

#include "app/HookedContiRunFixture.h"
#include "state/LoadOptions.h"
#include "data/DataSetServices.h"
#include "equilibrium/EquilibriumKernels.h"
#include "models/SimulationArrays.h"
#include "models/TempParameterFile.h"
#include "state/LammSolverSettings.h"
#include "numerics/Hydrodynamics.h"

namespace {

class DistributionKernelHooksTest : public HookedContiRunTest {
 protected:
  // A model as its dialog leaves it, f/f0 1.2, with Tikhonov-Phillips
  // regularisation.
  static void SetModel(ModelKind kind, float lo, float hi, float n, float meniscus, float bottom) {
    SetModelSlots(kind, lo, hi, n, meniscus, bottom, 1.2f);
    SelectRegularization(DistributionSettings.RegularizationType,
                         RegularizationChoice::SecondDerivative);
  }
  static void ModelBecomesData(double noise) { HookedContiRunTest::ModelBecomesData(noise, 17); }

  // Three measurements, one a minute.
  void LoadDlsData(int intensityScan = 0) { LoadDlsMeasurements({0.0, 60.0, 120.0}, intensityScan); }
  static void DlsSpecies(double D) { HookedContiRunTest::DlsSpecies(D, 17); }

  // The loaded field autocorrelations become what the instrument records,
  // g(2) - 1 = |g(1)|^2 (Siegert), the sign kept where noise takes g(1)
  // below zero; every record says so. Returns the field data of each scan.
  static std::vector<std::vector<float>> FieldDataBecomeIntensityData() {
    auto& d = ScanDataSet;
    std::vector<std::vector<float>> field(static_cast<std::size_t>(d.NFILES) + 1);
    for (int j = 1; j <= d.NFILES; ++j) {
      auto& f = field[static_cast<std::size_t>(j)];
      f.push_back(0.0f);
      for (int k = 1; k <= d.ScanPointCount[j]; ++k) {
        const float g1 = d.ScanSignal[j][k];
        f.push_back(g1);
        d.ScanSignal[j][k] = g1 * std::fabs(g1);
      }
      DlsRecords[j].HoldsFieldAcf = false;
    }
    return field;
  }

  // Three equilibrium scans at 8000, 12000 and 16000 rpm, 6.86 to 7.19 cm
  // in a column from 6.85 to 7.2 cm.
  void LoadEquilibriumData() {
    LoadScans({{40000.0, 8000.0f}, {80000.0, 12000.0f}, {120000.0, 16000.0f}}, 34, 6.86, 0.01,
              6.85f, 7.2f);
    ScanDataSet.EquilibriumDataMode = true;
    ScanDataSet.FitLeftLim = 6.86f;
    ScanDataSet.FitRightLim = 7.19f;
    SetFirstFitIndex();
    SetLastFitIndex();
  }

  // Data of one species of buoyant molar mass Mb and loading c0, written by
  // the equilibrium kernel into the model of a discrete species.
  static void EquilibriumSpecies(double Mb, double c0) {
    ModelSelection.Kind = ModelKind::NonInteractingSpecies;
    EqExponentialKernel(Mb, c0, KernelColumnTarget{}, FluorescenceDetectionRecord{});
    ModelBecomesData(1e-3);
  }

  // Amplitude-weighted mean of x over the stored distribution, the
  // amplitudes being the densities times the grid widths on x.
  struct Peak {
    double area = 0.0, position = 0.0;
  };
  static Peak PeakOf(const std::vector<float>& x) {
    const auto& v = DistributionResult.DistValues;
    const int n = DistributionSettings.DistGridSize;
    Peak p;
    for (int i = 1; i <= n; ++i) {
      const auto lo = static_cast<std::size_t>(std::max(i - 1, 1));
      const auto hi = static_cast<std::size_t>(std::min(i + 1, n));
      const double a = v[static_cast<std::size_t>(i)] * (x[hi] - x[lo]) / 2.0;
      p.area += a;
      p.position += a * x[static_cast<std::size_t>(i)];
    }
    if (p.area > 0) p.position /= p.area;
    return p;
  }
};

TEST_F(DistributionKernelHooksTest, LightScatteringDistributionsPeakAtTheSpecies) {
  // A 20 nm sphere at 20 degrees Celsius in water (Stokes-Einstein).
  const double rh = 20e-9;
  const double D = DFromStokesRadius(static_cast<float>(rh), kCelsius);
  struct Case {
    const char* name;
    ModelKind kind;
    float lo, hi;  // nm, or 1e-7 cm^2/s for I(D)
    bool onRadius;
  };
  const Case cases[] = {
      {"I(Rh)", ModelKind::DlsIRh, 1.0f, 1000.0f, true},
      {"I(D)", ModelKind::DlsID, 0.05f, 50.0f, false},
      {"I(Rh,t)", ModelKind::DlsIRhTimeCourse, 1.0f, 1000.0f, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoadDlsData();
    DlsSpecies(D);
    SetModel(c.kind, c.lo, c.hi, 60.0f, -6.0f, -0.5f);
    EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
    EXPECT_TRUE(backend().Log().empty());
    // The grids hold log10 of Rh in m and of D in cm^2/s.
    const auto& r = DistributionResult;
    const Peak p = PeakOf(c.onRadius ? r.DistSGrid : r.DistMGrid);
    EXPECT_NEAR(p.position, std::log10(c.onRadius ? rh : D), 0.02);
    // Each grid point's column is a decay of unit amplitude at the first
    // lag, so the distribution holds the species' amplitude.
    EXPECT_NEAR(p.area, 0.8, 0.05);
    ResetDistributionRecords();
    DlsRecords = OneBasedArray<DlsRecord>();
    InstallAnalysisHooks();
  }
}

TEST_F(DistributionKernelHooksTest, EquilibriumMolarMassDistributionPeaksAtTheSpecies) {
  LoadEquilibriumData();
  const double M = 50000.0, vbar = 0.73, c0 = 0.5;
  EquilibriumSpecies(M * (1.0 - vbar), c0);
  SetModel(ModelKind::ContinuousCM, 5000.0f, 300000.0f, 50.0f, 6.85f, 7.2f);
  EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  for (const auto& line : backend().Log()) ADD_FAILURE() << line;
  const Peak p = PeakOf(DistributionResult.DistMGrid);
  EXPECT_NEAR(p.position, M, 0.05 * M);
  // Unit loading per grid point: the amplitudes are loading concentrations.
  EXPECT_NEAR(p.area, c0, 0.02 * c0);
}

TEST_F(DistributionKernelHooksTest, IntensityDataEndTheLightScatteringRunOnce) {
  // The kernel stops at the scan that still holds g(2) - 1; the run must
  // neither go on through every grid point nor store a distribution.
  LoadDlsData(2);
  DlsSpecies(1e-7);
  SetModel(ModelKind::DlsIRh, 1.0f, 1000.0f, 30.0f, -6.0f, -0.5f);
  EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Interrupted);
  EXPECT_EQ(LogLinesWith("no field ACF in DLS distribution model").size(), 1u);
  EXPECT_EQ(backend().Log().size(), 1u);
  EXPECT_TRUE(DistributionRunFlags.ComputationInterrupted);
  EXPECT_FALSE(DistKernel.Exists());
  EXPECT_FALSE(ComputationAbort);
}

constexpr const char* kTransformQuestion =
    "DLS data for this model must be field autocorrelation g(1) - transform?";

TEST_F(DistributionKernelHooksTest, AcceptedIntensityDataAreConvertedAndRun) {
  // The same 20 nm sphere, measured as intensity autocorrelations: once
  // converted, the I(Rh) distribution is that of the field data.
  const double rh = 20e-9;
  LoadDlsData();
  DlsSpecies(DFromStokesRadius(static_cast<float>(rh), kCelsius));
  const auto field = FieldDataBecomeIntensityData();
  SetModel(ModelKind::DlsIRh, 1.0f, 1000.0f, 60.0f, -6.0f, -0.5f);
  int repaints = 0;
  RepaintMainWindow = [&repaints](platform::WindowHandle) { ++repaints; };
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  RepaintMainWindow = [](platform::WindowHandle) {};
  EXPECT_EQ(LogLinesWith(std::string("box [ERROR] (question) ") + kTransformQuestion).size(), 1u);
  EXPECT_EQ(backend().Log().size(), 1u);
  EXPECT_GE(repaints, 1);
  const auto& d = ScanDataSet;
  for (int j = 1; j <= d.NFILES; ++j) {
    SCOPED_TRACE(j);
    EXPECT_TRUE(DlsRecords[j].HoldsFieldAcf);
    for (int k = 1; k <= d.ScanPointCount[j]; ++k)
      ASSERT_NEAR(d.ScanSignal[j][k],
                  field[static_cast<std::size_t>(j)][static_cast<std::size_t>(k)], 1e-5);
  }
  const Peak p = PeakOf(DistributionResult.DistSGrid);
  EXPECT_NEAR(p.position, std::log10(rh), 0.02);
  EXPECT_NEAR(p.area, 0.8, 0.05);
}

TEST_F(DistributionKernelHooksTest, DeclinedIntensityDataEndTheRunUntouched) {
  LoadDlsData();
  DlsSpecies(1e-7);
  FieldDataBecomeIntensityData();
  const std::vector<float> scan1(&ScanDataSet.ScanSignal[1][1],
                                 &ScanDataSet.ScanSignal[1][1] + ScanDataSet.ScanPointCount[1]);
  SetModel(ModelKind::DlsIRh, 1.0f, 1000.0f, 30.0f, -6.0f, -0.5f);
  // The run ends before it touches the solver's settings.
  LammSolverSettings.MovingFrame = false;
  LammSolverSettings.FixedGrid = true;
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Refused);
  EXPECT_EQ(LogLinesWith(kTransformQuestion).size(), 1u);
  EXPECT_EQ(backend().Log().size(), 1u);
  for (int j = 1; j <= ScanDataSet.NFILES; ++j) EXPECT_FALSE(DlsRecords[j].HoldsFieldAcf);
  EXPECT_EQ(std::vector<float>(&ScanDataSet.ScanSignal[1][1],
                               &ScanDataSet.ScanSignal[1][1] + ScanDataSet.ScanPointCount[1]),
            scan1);
  EXPECT_FALSE(LammSolverSettings.MovingFrame);
  EXPECT_TRUE(LammSolverSettings.FixedGrid);
  EXPECT_TRUE(DistributionResult.DistValues.empty());
  EXPECT_FALSE(DistKernel.Exists());
  EXPECT_FALSE(DistributionRunFlags.ComputationInterrupted);
}

TEST_F(DistributionKernelHooksTest, HinderedModelRunsTheNonidealList) {
  // The hindered variant solves its grid in the mean field like the
  // non-ideal c(s) model, through the same list, and stores a distribution.
  // Arrays an earlier test left for another solver are no part of this run.
  LammSolverSettings = LammSolverSettingsRecord{};
  FreeSimulationArrays();
  LoadScans({{1200.0}, {2400.0}}, 50, 6.0, 0.02, 5.9f, 7.2f);
  SetModel(ModelKind::HinderedCS, 1.0f, 10.0f, 20.0f, 5.9f, 7.2f);
  auto& hook = ContiKernelServices.RunNonidcofsSedList;
  ASSERT_NE(hook, nullptr);
  const auto real = hook;
  int lists = 0;
  hook = [&](platform::WindowHandle w, int n, const double* s, const double* D,
             const double* vbar) {
    ++lists;
    real(w, n, s, D, vbar);
  };
  EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  hook = real;
  EXPECT_GE(lists, 1);
  EXPECT_TRUE(LogLinesWith("not available in this version").empty());
}

// The sedimenting buffer of the mismatch model is column 1 of the c(s)
// kernel. Data: a 4 S protein, a buffer salt (0.21 S, 8.6e-6 cm^2/s) of
// signal 0.3 in the sample sector and a different, faster salt (0.1 S,
// 2e-5 cm^2/s) at half that in the reference sector, all made by the Lamm
// solver itself: the buffer signal is the sample salt's minus the
// reference salt's, which no single grid species gives (a plain species at
// the buffer's s and D would come back near the net plateau, 0.15). Solved
// with the distribution, its amplitude is the buffer signal; held at its
// true value (with both noises, as a fixed amplitude needs), the fit is as
// good.
TEST_F(DistributionKernelHooksTest, BufferMismatchIsTheFirstKernelColumn) {
  namespace sv = synthetic_velocity;
  SetModel(ModelKind::ContinuousCS, 1.0f, 8.0f, 40.0f, 5.8f, 7.2f);
  const double proteinD = DFromMass(CalculateM(4.0f), 20.0f);
  sv::Experiment e;
  e.TIScale = e.RIScale = 0.0;
  e.NoiseSd = 0.002;
  sv::Data data = sv::MakeData(e, {{4.0, proteinD, 0.5}});
  const OneBasedMatrix<float> sample = sv::SolveSpecies(e, data, {0.21, 86e-7, 1.0});
  const OneBasedMatrix<float> reference = sv::SolveSpecies(e, data, {0.1, 200e-7, 1.0});
  for (int j = 1; j <= e.Scans; ++j)
    for (int k = 1; k <= e.Points; ++k)
      data.Signal[j][k] += 0.3 * sample[j][k] - 0.15 * reference[j][k];
  auto& b = CorrectionOptions.BufferMismatch;
  for (const bool fitted : {true, false}) {
    SCOPED_TRACE(fitted ? "solved" : "fixed");
    LoadExperiment(e, data);
    SetModel(ModelKind::ContinuousCS, 1.0f, 8.0f, 40.0f, 5.8f, 7.2f);
    FitControl.TINoiseFitted = ModelParameters.RINoiseFitted = ModelParameters.SystematicNoiseOn =
        !fitted;
    b = BufferMismatchSettingsRecord{};
    // The salts by their D, as entered.
    FitControl.MassInsteadOfD = false;
    b.DifferentReferenceBuffer = true;
    b.ReferenceS = 0.1;
    b.ReferenceD = 200.0;
    b.ConcentrationRatio = 2.0;
    b.On = true;
    b.BufferSignalFitted = fitted;
    b.BufferSignal = fitted ? 1.0 : 0.3;
    ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
    EXPECT_LT(ScanRmsd(), 0.004);
    EXPECT_NEAR(b.BufferSignal, 0.3, 0.03);
    EXPECT_FLOAT_EQ(DistributionResult.DistSGrid[1], 0.21f);
    // The protein's peak, without the buffer point.
    double area = 0.0, moment = 0.0;
    const auto& r = DistributionResult;
    for (int i = 2; i <= DistributionSettings.DistGridSize; ++i) {
      area += r.DistValues[static_cast<std::size_t>(i)];
      moment += r.DistValues[static_cast<std::size_t>(i)] * r.DistSGrid[static_cast<std::size_t>(i)];
    }
    EXPECT_NEAR(moment / area, 4.0, 0.1);
  }
  b = BufferMismatchSettingsRecord{};
}
}  // namespace
