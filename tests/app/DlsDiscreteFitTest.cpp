// Discrete fits of light-scattering data, with the program's decay kernel
// installed, against field autocorrelations written here from their
// physics: Stokes-Einstein for the diffusion of a sphere in water.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "app/HookedContiRunFixture.h"
#include "models/FitDriver.h"
#include "numerics/RandomNumbers.h"
#include "state/FitControl.h"

namespace {

class DlsDiscreteFitTest : public HookedContiRunTest {
 protected:
  void SetUp() override {
    HookedContiRunTest::SetUp();
    LoadDlsMeasurements({0.0});
    FitControl.SaveBestParameters = false;
    // The light-scattering commands fit D, not M and s.
    FitControl.MassInsteadOfD = false;
  }
  void TearDown() override {
    FitDriverSettings = FitDriverSettingsRecord{};
    FitControl.MassInsteadOfD = FitControlRecord{}.MassInsteadOfD;
    HookedContiRunTest::TearDown();
  }

  // q^2 in cm^-2 at 90 degrees, 632.8 nm, refractive index 1.333 (the
  // fixture's measurement).
  static double QSquared() {
    const double pi = 3.14159265358979;
    const double q = 4.0 * pi * 1.333 * std::sin(pi / 4.0) / 632.8e-7;
    return q * q;
  }

  // D (cm^2/s) of a sphere of radius r (m) in water at the fixture's 20 C.
  static double StokesEinsteinD(double r) {
    const double kB = 1.380649e-23, T = 293.15, eta = 1.002e-3, pi = 3.14159265358979;
    return kB * T / (6.0 * pi * eta * r) * 1e4;
  }

  // The data: amplitude times the mean of exp(-D q^2 tau) over the given D
  // values (cm^2/s), with seeded noise of 1e-3.
  static void FieldAutocorrelation(std::initializer_list<double> Ds, double amplitude) {
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 1e-3);
    auto& d = ScanDataSet;
    for (int k = 1; k <= d.ScanPointCount[1]; ++k) {
      const double tau = std::pow(10.0, static_cast<double>(d.ScanRadius[1][k]));
      double g = 0.0;
      for (double D : Ds) g += std::exp(-D * QSquared() * tau) / static_cast<double>(Ds.size());
      d.ScanSignal[1][k] = static_cast<float>(amplitude * g + noise(random));
      d.ScanModel[1][k] = 0.0f;
    }
  }

  // amplitude exp(-D q^2 tau) (1 + mu2 (q^2 tau)^2 / 2): the mean of the
  // decays over a distribution of D of mean D and variance mu2, to second
  // order; seeded noise of 1e-3.
  static void CumulantExpansion(double D, double mu2, double amplitude) {
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, 1e-3);
    auto& d = ScanDataSet;
    for (int k = 1; k <= d.ScanPointCount[1]; ++k) {
      const double qt = QSquared() * std::pow(10.0, static_cast<double>(d.ScanRadius[1][k]));
      const double g = std::exp(-D * qt) * (1.0 + 0.5 * mu2 * qt * qt);
      d.ScanSignal[1][k] = static_cast<float>(amplitude * g + noise(random));
      d.ScanModel[1][k] = 0.0f;
    }
  }

  // One switched-on species of the given kind whose slot 5 (D, radius or
  // mean D) starts at start, with its amplitude fitted.
  static void OneSpecies(ModelKind kind, float start) {
    ModelSelection.Kind = kind;
    ModelParametersRecord& mp = ModelParameters;
    mp.ComponentOn = {0, 1, 0, 0, 0};
    mp.Concentration = {0, 1.0f, 0, 0, 0};
    mp.ConcentrationFitted = {0, 1, 0, 0, 0};
    mp.MassOrD = {0, start, 0, 0, 0};
    mp.MassOrDFitted = {0, 1, 0, 0, 0};
    PackParameterVector();
  }

  static bool Fit(OptimizerChoice optimizer) {
    FitDriverSettings.OptimizerKind = optimizer;
    return FitDriver(nullptr);
  }
};

// A Stokes radius slot is in nm: data of 60 nm spheres, fitted from 100 nm,
// end at 60 nm and fit to the noise, with either optimiser.
TEST_F(DlsDiscreteFitTest, StokesRadiusFitFindsTheSpheres) {
  for (OptimizerChoice optimizer : {OptimizerChoice::LevenbergMarquardt, OptimizerChoice::Simplex}) {
    FieldAutocorrelation({StokesEinsteinD(60e-9)}, 0.8);
    OneSpecies(ModelKind::DiscreteStokesRadii, 100.0f);
    SeedClockRandomGenerators(3);
    ASSERT_TRUE(Fit(optimizer));
    EXPECT_NEAR(ModelParameters.MassOrD[1], 60.0f, 0.6f);
    EXPECT_NEAR(ModelParameters.Concentration[1], 0.8f, 0.01f);
    EXPECT_LT(FitControl.CurrentRmsd, 1.3e-3f);
  }
}

// Data written from the cumulant expansion of a narrow distribution of D
// with a known mean and variance: Levenberg-Marquardt started as the window
// starts a cumulant analysis (mean D at the default 5e-7 cm^2/s, mu2 at 0)
// must find the variance, like the simplex does.
TEST_F(DlsDiscreteFitTest, CumulantFitFindsTheSecondCumulant) {
  const double meanD = StokesEinsteinD(60e-9);
  const double mu2 = 0.065 * meanD * meanD;
  for (OptimizerChoice optimizer : {OptimizerChoice::LevenbergMarquardt, OptimizerChoice::Simplex}) {
    SCOPED_TRACE(optimizer == OptimizerChoice::Simplex ? "simplex" : "Levenberg-Marquardt");
    CumulantExpansion(meanD, mu2, 0.8);
    OneSpecies(ModelKind::CumulantAnalysis, 5.0f);
    ModelParametersRecord& mp = ModelParameters;
    mp.MassOrDFitted[2] = 1;
    mp.BaselineFitted = 1;
    PackParameterVector();
    SeedClockRandomGenerators(3);
    ASSERT_TRUE(Fit(optimizer));
    EXPECT_NEAR(mp.MassOrD[1] * 1e-7, meanD, 0.005 * meanD);
    const double found = mp.MassOrD[2] * 1e-14;
    EXPECT_NEAR(found / (meanD * meanD), 0.065, 0.006);
    EXPECT_LT(FitControl.CurrentRmsd, 1.3e-3f);
  }
}

// Two sizes, 30 and 200 nm, in equal amounts, fitted by the simplex from D
// 5 and 1 (1e-7 cm^2/s). With this seed a vertex crossed D = 0 on the way;
// held there the rmsd no longer changed with D, and the fit ended with the
// first species at D = 0 (rmsd 27 times the noise). It now ends at both
// sizes.
TEST_F(DlsDiscreteFitTest, SimplexCrossingZeroDiffusionFindsBothSizes) {
  const double small = StokesEinsteinD(30e-9), large = StokesEinsteinD(200e-9);
  FieldAutocorrelation({small, large}, 0.8);
  OneSpecies(ModelKind::NonInteractingSpecies, 5.0f);
  ModelParametersRecord& mp = ModelParameters;
  mp.ComponentOn[2] = 1;
  mp.MassOrD[2] = 1.0f;
  mp.MassOrDFitted[2] = 1;
  mp.Concentration[2] = 0.5f;
  mp.ConcentrationFitted[2] = 1;
  PackParameterVector();
  SeedClockRandomGenerators(1);
  ASSERT_TRUE(Fit(OptimizerChoice::Simplex));
  const double D1 = mp.MassOrD[1] * 1e-7, D2 = mp.MassOrD[2] * 1e-7;
  EXPECT_NEAR(std::max(D1, D2), small, 0.02 * small);
  EXPECT_NEAR(std::min(D1, D2), large, 0.02 * large);
  EXPECT_LT(FitControl.CurrentRmsd, 1.3e-3f);
}

}  // namespace
