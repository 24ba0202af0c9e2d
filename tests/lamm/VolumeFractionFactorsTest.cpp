// Hindered settling factors of the volume fraction: the hard-sphere factors
// against their closed forms, the volume fraction of an anhydrous sphere
// whose s and D follow from Stokes' law (f/f0 = 1), and the sticky-sphere
// forms against Baxter's Percus-Yevick condition and their hard-sphere limit.

#include <gtest/gtest.h>

#include <cmath>

#include "lamm/VolumeFractionFactors.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kNA = 6.02214e23;
constexpr double kR = 8.31451e7;  // erg/(mol K)
constexpr double kEtaW = 0.001002;
constexpr double kRhoW = 0.99823;

class VolumeFractionFactorsTest : public ::testing::Test {
 protected:
  void SetUp() override { StickyHardSpheres = false; }
  void TearDown() override { StickyHardSpheres = false; }
};

// s (S) and D (cm^2/s) at 20 degrees Celsius of an unhydrated sphere of mass
// M in water: Stokes friction 6 pi eta r0 of the sphere of volume M vbar/NA.
void SphereSD(double M, double vbar, double& s, double& D) {
  const double r0 = std::cbrt(3.0 * M * vbar * 1e-6 / kNA / (4.0 * kPi));  // m
  const double f0 = 6.0 * kPi * kEtaW * r0 * 1000.0;                       // g/s
  s = M * (1.0 - vbar * kRhoW) / (kNA * f0) * 1e13;
  D = kR * 293.15 / (kNA * f0);
}

TEST_F(VolumeFractionFactorsTest, HardSphereFactorsAgainstClosedForms) {
  struct Case {
    double phi, sed, thermo;
  };
  const Case cases[] = {
      {0.1, std::pow(0.9, 4.27) / 1.228, std::pow(0.81 / 1.2, 2)},
      {0.02, std::pow(0.98, 4.27) / 1.0456, std::pow(0.9604 / 1.04, 2)},
      {0.4, std::pow(0.6, 4.27) / 1.912, std::pow(0.36 / 1.8, 2)},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(SedFactorOfPhi(c.phi), c.sed, 1e-14) << c.phi;
    EXPECT_NEAR(ThermoFactorOfPhi(c.phi), c.thermo, 1e-14) << c.phi;
    EXPECT_NEAR(DiffFactorOfPhi(c.phi), c.sed / c.thermo, 1e-12) << c.phi;
    EXPECT_NEAR(DiffFactorFromSedFactor(c.phi, c.sed), c.sed / c.thermo, 1e-12) << c.phi;
    // A crowded solution sediments slower and diffuses faster.
    EXPECT_LT(SedFactorOfPhi(c.phi), 1.0);
    EXPECT_GT(DiffFactorOfPhi(c.phi), 1.0);
  }
  for (double phi : {0.0, -0.2, 1.5}) {
    EXPECT_EQ(SedFactorOfPhi(phi), 1.0) << phi;
    EXPECT_EQ(DiffFactorOfPhi(phi), 1.0) << phi;
  }
  // Fully packed: s stops and D tends to 0 as (1 - phi)^0.27.
  EXPECT_EQ(SedFactorOfPhi(1.0), 0.0);
  EXPECT_EQ(DiffFactorOfPhi(1.0), 0.0);
}

// For the anhydrous sphere the frictional ratio is 1, so phi = 1e-3 c k vbar
// whatever the units the s, D and temperature come in.
TEST_F(VolumeFractionFactorsTest, SphereFromItsSAndD) {
  const double M = 66000.0, vbar = 0.73;
  double s = 0.0, D = 0.0;
  SphereSD(M, vbar, s, D);
  EXPECT_NEAR(MassFromSD(s, D, vbar * kRhoW, 20.0), M, 1e-5 * M);
  EXPECT_NEAR(MassFromSD(s, D * 1e7, vbar * kRhoW, 293.15), M, 1e-5 * M);
  EXPECT_NEAR(FrictionalRatioFromMS(M, s, vbar, kRhoW, 1.0), 1.0, 1e-5);
  struct Case {
    double c, k;
  };
  for (const Case& c : {Case{10.0, 1.0}, Case{100.0, 2.5}, Case{300.0, 1.6}}) {
    const double phi = 1e-3 * c.c * c.k * vbar;
    EXPECT_NEAR(VolumeFractionFromSD(c.c, c.k, s, D, vbar, kRhoW, 293.15, 1.0), phi, 1e-4 * phi);
    EXPECT_NEAR(SedFactorAtConcFromSD(c.c, c.k, 5.0, s, D, vbar, kRhoW, 293.15, 1.0),
                std::pow(1.0 - phi, 4.27) / (1.0 + 2.28 * phi), 1e-5)
        << c.c;
    const double thermo = std::pow((1.0 - phi) * (1.0 - phi) / (1.0 + 2.0 * phi), 2);
    EXPECT_NEAR(DiffFactorAtConcFromSD(c.c, c.k, 5.0, s, D, vbar, kRhoW, 293.15, 1.0),
                std::pow(1.0 - phi, 4.27) / (1.0 + 2.28 * phi) / thermo, 1e-5)
        << c.c;
    double sc = 0.0, Dc = 0.0;
    EXPECT_NEAR(NonidealSDAtConc(c.c, c.k, 5.0, s, D, vbar, kRhoW, 293.15, 1.0, sc, Dc), phi,
                1e-4 * phi);
    EXPECT_NEAR(sc, s * SedFactorOfPhi(phi), 1e-5 * s);
    EXPECT_NEAR(Dc, D * DiffFactorOfPhi(phi), 1e-5 * D);
  }
  // No volume, no concentration or a negative one: the species is ideal.
  EXPECT_EQ(SedFactorAtConcFromSD(50.0, 0.0, 5.0, s, D, vbar, kRhoW, 20.0, 1.0), 1.0);
  EXPECT_EQ(DiffFactorAtConcFromSD(0.0, 2.0, 5.0, s, D, vbar, kRhoW, 20.0, 1.0), 1.0);
  double sc = -1.0, Dc = -1.0;
  EXPECT_EQ(NonidealSDAtConc(-1.0, 2.0, 5.0, s, D, vbar, kRhoW, 20.0, 1.0, sc, Dc), 1.0);
  EXPECT_EQ(sc, -1.0);
  EXPECT_EQ(SedFactorAtConcFromSD(-1.0, 2.0, 5.0, s, D, vbar, kRhoW, 20.0, 1.0), 1.0);
  // The finite differences per mg/ml of a repulsive solution are positive.
  EXPECT_GT(SedFactorStepFromSD(1.0, 2.0, 5.0, s, D, vbar, kRhoW, 20.0, 1.0), 0.0);
  EXPECT_GT(DiffFactorStepFromSD(1.0, 2.0, 5.0, s, D, vbar, kRhoW, 20.0, 1.0), 0.0);
}

TEST_F(VolumeFractionFactorsTest, StickySpheres) {
  const double phi = 0.15;
  // Switched off, tau has no influence.
  EXPECT_NEAR(SedFactorAtConc(100.0, 2.0, 0.2, 1.0, 0.75), SedFactorOfPhi(0.15), 1e-14);
  EXPECT_NEAR(SedFactorAtConc(100.0, 2.0, 50.0, 1.0, 0.75), SedFactorOfPhi(0.15), 1e-14);
  EXPECT_EQ(BaxterLambda(phi, 0.5), 0.0);
  EXPECT_EQ(BaxterReducedB2(0.25), 1.0);

  StickyHardSpheres = true;
  EXPECT_EQ(BaxterReducedB2(0.25), 0.0);
  for (double tau : {0.2, 0.5, 2.0}) {
    // lambda is the smaller root of Baxter's condition
    // (phi/12) l^2 - (tau + phi/(1 - phi)) l + (1 + phi/2)/(1 - phi)^2 = 0.
    const double l = BaxterLambda(phi, tau);
    const double residual =
        phi / 12 * l * l - (tau + phi / (1 - phi)) * l + (1 + phi / 2) / ((1 - phi) * (1 - phi));
    EXPECT_NEAR(residual, 0.0, 1e-10) << tau;
    EXPECT_GT(l, 0.0);
    EXPECT_LT(l, 6.0 / phi * (tau + phi / (1 - phi)));  // the smaller root
    // The dilute limit lambda = 1/tau is the one whose second virial
    // coefficient is 1 - 1/(4 tau) (the larger root runs off as 12 tau/phi).
    EXPECT_NEAR(BaxterLambda(1e-6, tau) * tau, 1.0, 1e-4) << tau;
    // Adhesion makes the solution more compressible and less hindered.
    EXPECT_GT(BaxterThermoFactorOfPhi(phi, tau), ThermoFactorOfPhi(phi)) << tau;
    EXPECT_GT(BaxterSedFactorOfPhi(phi, tau), SedFactorOfPhi(phi)) << tau;
    EXPECT_LT(BaxterDiffFactorOfPhi(phi, tau), DiffFactorOfPhi(phi)) << tau;
    EXPECT_NEAR(SedFactorAtConc(100.0, 2.0, tau, 1.0, 0.75), BaxterSedFactorOfPhi(phi, tau), 1e-14);
  }
  // Very weak adhesion is hard spheres again.
  EXPECT_NEAR(BaxterSedFactorOfPhi(phi, 1e9), SedFactorOfPhi(phi), 1e-9);
  EXPECT_NEAR(BaxterDiffFactorOfPhi(phi, 1e9), DiffFactorOfPhi(phi), 1e-7);
  EXPECT_EQ(BaxterSedFactorOfPhi(phi, 0.0), 1.0);
}

}  // namespace
