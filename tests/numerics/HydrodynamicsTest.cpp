// s, D, M, Stokes radius and f/f0: physical truths with textbook constants,
// round trips over a table of solvents, and the guards.

#include <gtest/gtest.h>

#include <functional>

#include "numerics/Hydrodynamics.h"
#include "numerics/HydrodynamicsFixture.h"

namespace {

struct Solvent {
  float vbar, density, relativeViscosity, t;
};

// Water at 20 and 4 degrees, a dense viscous buffer at 37, a buffer in which
// the species floats (1 - vbar rho < 0).
const Solvent kSolvents[] = {
    {0.73f, 0.99823f, 1.0f, 20.0f},
    {0.70f, 1.0f, 1.57f, 4.0f},
    {0.74f, 1.10f, 2.3f, 37.0f},
    {0.95f, 1.20f, 1.3f, 25.0f},
};

}  // namespace

using Svedberg = HydrodynamicsTest;

TEST_F(Svedberg, GivesTheMolarMassesOfKnownProteins) {
  // s20,w and D20,w from the literature; the Svedberg value recomputed with
  // R = 8.314462618e7 erg/(mol K).
  struct Case {
    const char* name;
    float s, d, vbar;
    double svedbergM, knownM;
  };
  const Case cases[] = {
      {"BSA", 4.3f, 6.1e-7f, 0.73f, 63332.3, 66400},
      {"lysozyme", 1.91f, 1.12e-6f, 0.703f, 13936.9, 14300},
      {"IgG", 6.6f, 4.0e-7f, 0.739f, 153319.2, 150000},
  };
  for (const Case& c : cases) {
    SetSolvent(c.vbar, 0.99823f, 1.0f);
    const float m = MFromSAndD(c.s, c.d, 20.0f);
    EXPECT_NEAR(m, c.svedbergM, RelTol(c.svedbergM, 1e-4)) << c.name;
    EXPECT_NEAR(m, c.knownM, RelTol(c.knownM, 0.06)) << c.name;
  }
}

TEST_F(Svedberg, UsesTheBuoyancyOfTheRunNotVbarTimesDensity) {
  SetSolvent(0.73f, 1.0f, 1.0f);
  SolventConditions.VbarRho = 0.5f;  // as a restored analysis may leave it
  EXPECT_NEAR(MFromSAndD(4.3f, 6.1e-7f, 20.0f), 4.3e-13 * 8.31451e7 * 293.15 / (6.1e-7 * 0.5), 1.0);
}

TEST_F(Svedberg, RoundTripsBetweenSDAndM) {
  const float svalues[] = {0.5f, 4.3f, 30.0f};
  const float ff0s[] = {1.0f, 1.2f, 2.5f};
  for (const Solvent& solvent : kSolvents) {
    SetSolvent(solvent.vbar, solvent.density, solvent.relativeViscosity);
    const float sign = solvent.vbar * solvent.density > 1 ? -1.0f : 1.0f;
    for (float s : svalues) {
      s *= sign;  // a floating species has a negative s
      for (float ff0 : ff0s) {
        SCOPED_TRACE(testing::Message() << "s " << s << " ff0 " << ff0 << " vbar " << solvent.vbar
                                        << " t " << solvent.t);
        const float m = CalculateMff02(s, ff0);
        ASSERT_GT(m, 0);
        const float d = DFromMassAndFF0(m, solvent.t, ff0);
        EXPECT_NEAR(SFromMassAndD(m, d, solvent.t), s, RelTol(s, 1e-5));
        EXPECT_NEAR(DFromMassAndS(m, s, solvent.t), d, RelTol(d, 1e-5));
        EXPECT_NEAR(MFromSAndD(s, d, solvent.t), m, RelTol(m, 1e-5));
        DistributionSettings.StartingFrictionalRatio = ff0;
        EXPECT_FLOAT_EQ(CalculateM(s), m);
        EXPECT_FLOAT_EQ(DFromMass(m, solvent.t), d);
      }
    }
  }
  EXPECT_EQ(BoxesWith("Error"), 0u);
}

TEST_F(Svedberg, ASphereOfGivenFrictionalRatioInvertsToItsMass) {
  // SFromMassAndFF0 takes its solvent from the arguments (water viscosity);
  // the sphere mass from s takes it from its arguments too, whatever the run.
  SetSolvent(0.6f, 1.3f, 3.0f);
  for (double m : {1e3, 6.64e4, 5e6}) {
    for (float vbar : {0.6f, 0.73f}) {
      const float s = SFromMassAndFF0(static_cast<float>(m), vbar, 20.0f, 1.0f, 1.0f);
      EXPECT_NEAR(CalculateMassFromSedcoeffSphere(s, 1.0f, vbar, 1.0f), m, RelTol(m, 1e-5)) << m;
    }
  }
}

TEST_F(Svedberg, SpeciesMovingAgainstTheirBuoyancyKeepAMirroredMass) {
  const float m = CalculateMff02(4.3f, 1.2f);
  EXPECT_FLOAT_EQ(CalculateMff02(-4.3f, 1.2f), -m);
  EXPECT_FLOAT_EQ(DFromMassAndS(-m, -4.3f, 20.0f), DFromMassAndS(m, 4.3f, 20.0f));
  EXPECT_FLOAT_EQ(DFromMass(-m, 20.0f), DFromMass(m, 20.0f));
}

using StokesEinstein = HydrodynamicsTest;

TEST_F(StokesEinstein, MatchesKTOverSixPiEtaR) {
  // kT/(6 pi eta R) with CODATA constants, eta = 1.002 cP times the relative
  // viscosity, in cm^2/s.
  struct Case {
    float radius, t, relativeViscosity;
    double d;
  };
  const Case cases[] = {
      {3.5e-9f, 20.0f, 1.0f, 6.12261e-07},
      {1e-9f, 4.0f, 1.0f, 2.02595e-06},
      {1e-8f, 37.0f, 1.0f, 2.26718e-07},
      {3.5e-9f, 20.0f, 2.5f, 2.44904e-07},
  };
  for (const Case& c : cases) {
    SolventConditions.RELVISCOSITY = c.relativeViscosity;
    EXPECT_NEAR(DFromStokesRadius(c.radius, c.t), c.d, RelTol(c.d, 1e-4)) << c.radius;
    // The relation is its own inverse: applied to D it gives the radius.
    EXPECT_NEAR(DFromRadius(DFromRadius(c.radius, c.t), c.t), c.radius, RelTol(c.radius, 1e-5));
  }
}

TEST_F(StokesEinstein, StokesRadiusOfAMassIsTheSphereRadiusTimesFF0) {
  // Anhydrous sphere radii (3 M vbar / (4 pi N_A))^(1/3).
  struct Case {
    float mass, vbar;
    double radius;
  };
  const Case cases[] = {
      {66400, 0.73f, 2.67845e-09}, {14300, 0.703f, 1.58544e-09}, {1e6f, 0.73f, 6.61446e-09}};
  for (const Case& c : cases) {
    SetSolvent(c.vbar, 1.0f, 1.4f);
    EXPECT_NEAR(CalculateRadius(c.mass, c.vbar), c.radius, RelTol(c.radius, 1e-5));
    EXPECT_NEAR(MassFromRadius(CalculateRadius(c.mass, c.vbar), c.vbar), c.mass,
                RelTol(c.mass, 1e-5));
    for (float ff0 : {1.0f, 1.3f, 2.0f}) {
      const float stokesRadius = DFromRadius(DFromMassAndFF0(c.mass, 20.0f, ff0), 20.0f);
      EXPECT_NEAR(stokesRadius, ff0 * c.radius, RelTol(ff0 * c.radius, 1e-5));
      EXPECT_NEAR(MassFromRadius(stokesRadius / ff0, c.vbar), c.mass, RelTol(c.mass, 1e-4));
      // The same from s20,w under standard conditions with the global f/f0.
      DistributionSettings.StartingFrictionalRatio = ff0;
      const float s20w = SFromMassAndFF0(c.mass, c.vbar, 20.0f, 0.99823f, ff0);
      EXPECT_NEAR(S20ToStokesRadius(s20w, c.vbar), ff0 * c.radius, RelTol(ff0 * c.radius, 1e-5));
    }
  }
}

TEST_F(StokesEinstein, HydratedRadiusAddsTheHydrationVolume) {
  SetSolvent(0.73f, 1.0f, 1.0f);
  SolventConditions.Hydration = 0.3f;
  const double anhydrous = CalculateRadius(66400, 0.73f);
  EXPECT_NEAR(CalculateHydratedRadius(66400), anhydrous * std::cbrt(1.03 / 0.73),
              RelTol(anhydrous, 1e-5));
}

using FrictionalRatio = HydrodynamicsTest;

TEST_F(FrictionalRatio, RoundTripsThroughMassAndS) {
  for (const Solvent& solvent : kSolvents) {
    SetSolvent(solvent.vbar, solvent.density, solvent.relativeViscosity);
    for (float m : {5e3f, 1.5e5f, 2e7f}) {
      for (float ff0 : {1.0f, 1.25f, 3.0f}) {
        SCOPED_TRACE(testing::Message() << "M " << m << " ff0 " << ff0 << " vbar " << solvent.vbar);
        const float d = DFromMassAndFF0(m, solvent.t, ff0);
        const float s = SFromMassAndD(m, d, solvent.t);
        EXPECT_NEAR(FF0FromMassAndS(m, s, solvent.vbar, solvent.density, solvent.relativeViscosity),
                    ff0, 1e-5 * ff0);
        EXPECT_NEAR(DFromMassAndSWithViscosity(m, s, solvent.vbar, solvent.t, solvent.density,
                                               solvent.relativeViscosity),
                    d, RelTol(d, 1e-5));
        EXPECT_EQ(SolventConditions.RELVISCOSITY, solvent.relativeViscosity);
      }
    }
  }
}

TEST_F(FrictionalRatio, SphereFrictionIsStokesLawInTheRunsBuffer) {
  // 6 pi eta r in g/s: eta = 1.4 * 1.002 cP, r of the anhydrous sphere of
  // 66.4 kDa at vbar 0.73 (2.67845 nm).
  SetSolvent(0.73f, 1.0f, 1.4f);
  EXPECT_NEAR(SphereFriction(66400, 0.73f), 7.0824e-8, RelTol(7.0824e-8, 1e-4));
  // The friction a sphere's s and M imply is that sphere's friction.
  const float s = SFromMassAndD(66400, DFromMassAndFF0(66400, 20.0f, 1.0f), 20.0f);
  EXPECT_NEAR(FrictionFromMassAndS(66400, s, 0.73f, 1.0f), SphereFriction(66400, 0.73f),
              RelTol(7.0824e-8, 1e-5));
}

TEST_F(FrictionalRatio, FollowsTheViscosityItIsGiven) {
  // Friction measured in a buffer of twice the viscosity, but compared with
  // a sphere in a buffer of the given one.
  SetSolvent(0.73f, 1.0f, 2.0f);
  const float s = SFromMassAndD(1e5f, DFromMassAndFF0(1e5f, 20.0f, 1.2f), 20.0f);
  EXPECT_NEAR(FF0FromMassAndS(1e5f, s, 0.73f, 1.0f, 1.0f), 2.4, 2.4e-5);
}

using StandardConditions = HydrodynamicsTest;

TEST_F(StandardConditions, ConvertBackAndForth) {
  for (const Solvent& solvent : kSolvents) {
    SetSolvent(solvent.vbar, solvent.density, solvent.relativeViscosity);
    for (float s : {0.3f, 4.3f, -12.0f, 250.0f}) {
      EXPECT_NEAR(S20wToSBuffer(SToS20wBuffer(s)), s, RelTol(s, 2e-7)) << s;
    }
  }
  // Water at 20 degrees is the standard.
  EXPECT_FLOAT_EQ(SToS20w(4.3f, 0.001002f, 0.99823f, 0.73f, 0.73f), 4.3f);
  // A buffer of 1.5 times the viscosity slows the species by 1.5.
  EXPECT_FLOAT_EQ(SToS20w(4.0f, 0.001503f, 0.99823f, 0.73f, 0.73f), 6.0f);
}

using HydrodynamicGuards = HydrodynamicsTest;

TEST_F(HydrodynamicGuards, ReturnTheDocumentedValuesQuietly) {
  struct Case {
    const char* call;
    std::function<float()> f;
    float expected;
  };
  const Case cases[] = {
      {"DFromMass(0)", [] { return DFromMass(0, 20); }, 1e-4f},
      {"DFromMassAndFF0(0)", [] { return DFromMassAndFF0(0, 20, 1.2f); }, 1e-4f},
      {"DFromMassAndS(0, s)", [] { return DFromMassAndS(0, 4.3f, 20); }, 1e-4f},
      {"DFromMassAndS(M, 0)", [] { return DFromMassAndS(1e5f, 0, 20); }, 1e-4f},
      {"DFromStokesRadius(0)", [] { return DFromStokesRadius(0, 20); }, 0},
      {"DFromRadius(-1)", [] { return DFromRadius(-1e-9f, 20); }, 0},
      {"MFromSAndD(s, 0)", [] { return MFromSAndD(4.3f, 0, 20); }, 0},
      {"MFromSAndD(s, -D)", [] { return MFromSAndD(4.3f, -6e-7f, 20); }, 0},
      {"CalculateM(0)", [] { return CalculateM(0); }, 0},
      {"CalculateMassFromSedcoeffSphere(0)",
       [] { return CalculateMassFromSedcoeffSphere(0, 1, 0.73f, 1); }, 0},
      {"CalculateRadius(-M)", [] { return CalculateRadius(-1e5f, 0.73f); }, 0},
      {"MassFromRadius(0)", [] { return MassFromRadius(0, 0.73f); }, 0},
      {"MassFromRadius(r, 0)", [] { return MassFromRadius(3e-9f, 0); }, 0},
      {"FrictionFromMassAndS(M, 0)", [] { return FrictionFromMassAndS(1e5f, 0, 0.73f, 1); }, 0},
      {"SphereFriction(0)", [] { return SphereFriction(0, 0.73f); }, 0},
      {"SphereFriction(M, -vbar)", [] { return SphereFriction(1e5f, -0.73f); }, 0},
      {"FF0FromMassAndS(0)", [] { return FF0FromMassAndS(0, 4.3f, 0.73f, 1, 1); }, 0},
      {"FF0FromMassAndS(-M)", [] { return FF0FromMassAndS(-1e5f, 4.3f, 0.73f, 1, 1); }, 0},
      {"SFromMassAndFF0(0)", [] { return SFromMassAndFF0(0, 0.73f, 20, 1, 1.2f); }, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.f(), c.expected) << c.call;
  EXPECT_EQ(BoxesWith("Error"), 0u);
}

TEST_F(HydrodynamicGuards, ShowTheirMessageAndReturnZero) {
  struct Case {
    const char* message;
    std::function<float()> f;
  };
  const auto withVbar = [](float vbar, std::function<float()> f) {
    return [vbar, f] {
      SolventConditions.VBAR = vbar;
      return f();
    };
  };
  const Case cases[] = {
      {"(mass == 0)||(vbar== 0) in function CalculateRadius",
       [] { return CalculateRadius(0, 0.73f); }},
      {"(mass == 0)||(vbar== 0) in function CalculateRadius",
       [] { return CalculateRadius(1e5f, 0); }},
      {"mass <= 0 in function CalculateHydratedRadius", [] { return CalculateHydratedRadius(0); }},
      {"VBAR <= 0 in function CalculateHydratedRadius",
       withVbar(0, [] { return CalculateHydratedRadius(1e5f); })},
      {"VBAR <= 0 in function CalculateM", withVbar(-0.1f, [] { return CalculateM(4.3f); })},
      // Checked before s: even s = 0 reports.
      {"VBAR <= 0 in function CalculateM", withVbar(0, [] { return CalculateM(0); })},
      {"VBAR <= 0 in function CalculateMff02",
       withVbar(0, [] { return CalculateMff02(4.3f, 1.2f); })},
      {"vbar <= 0 in function CalculateMassFromSedcoeffSphere",
       [] { return CalculateMassFromSedcoeffSphere(4.3f, 1, 0, 1); }},
      {"vbar20 <= 0 in function S20ToStokesRadius", [] { return S20ToStokesRadius(4.3f, 0); }},
  };
  for (const Case& c : cases) {
    backend().ClearLog();
    EXPECT_EQ(c.f(), 0.0f) << c.message;
    EXPECT_EQ(BoxesWith(std::string("[Error] (information) ") + c.message), 1u) << c.message;
  }
  // s = 0 is tested before vbar here: no message.
  backend().ClearLog();
  SolventConditions.VBAR = 0;
  EXPECT_EQ(CalculateMff02(0, 1.2f), 0.0f);
  EXPECT_EQ(BoxesWith("Error"), 0u);
}
