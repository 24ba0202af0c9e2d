// Discrete fits of light-scattering data, with the program's decay kernel
// installed, against field autocorrelations written here from their
// physics: Stokes-Einstein for the diffusion of a sphere in water.

#include <gtest/gtest.h>

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
  }
  void TearDown() override {
    FitDriverSettings = FitDriverSettingsRecord{};
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

}  // namespace
