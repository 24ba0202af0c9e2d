// Prior laws of the c(M) models, the general scaling law and the flotation
// rules.

#include <gtest/gtest.h>

#include "numerics/Hydrodynamics.h"
#include "numerics/HydrodynamicsFixture.h"

using PriorLaws = HydrodynamicsTest;

TEST_F(PriorLaws, VbarAndSFollowTheirLaws) {
  EXPECT_NEAR(VbarFromMass(1e8f), 1.06157, 1e-6);
  EXPECT_NEAR(VbarFromMass(1e5f), 1.04248 + 0.001909, 1e-6);
  EXPECT_NEAR(SFromM(1e5f), 3.55957, 1e-5);
  // The model commands change the laws.
  PhysicalConstants.VbarLawScaleExponent = 5;
  PhysicalConstants.VbarLawV0 = 0.7;
  PhysicalConstants.VbarLawA = 0.05;
  EXPECT_NEAR(VbarFromMass(1e5f), 0.75, 1e-6);
  EXPECT_NEAR(VbarFromMass(8e5f), 0.8, 1e-6);
  PhysicalConstants.SofMLawA = 0.01;
  PhysicalConstants.SofMLawB = 0.5;
  EXPECT_NEAR(SFromM(1e6f), 10.0, 1e-5);
  EXPECT_EQ(BoxesWith("Error"), 0u);
}

TEST_F(PriorLaws, RefuseAZeroMass) {
  EXPECT_EQ(VbarFromMass(0), 0);
  EXPECT_EQ(BoxesWith("mass == 0 in function VbarFromMass ->"), 1u);
  EXPECT_EQ(SFromM(0), 0);
  EXPECT_EQ(BoxesWith("mass == 0 in function SFromM ->"), 1u);
}

TEST_F(PriorLaws, ScalingLawRoundTrips) {
  EXPECT_NEAR(ScalingLawSFromM(1e5f), 6.48816, 1e-4);
  struct Law {
    float k, a;
  };
  for (Law law : {Law{0.003f, 0.667f}, Law{0.0159f, 0.47f}, Law{0.02f, 0.33f}}) {
    DistributionSettings.GeneralScalingLaw = {law.k, law.a};
    for (float m : {1e3f, 1e5f, 1e8f}) {
      EXPECT_NEAR(ScalingLawMFromS(ScalingLawSFromM(m)), m, RelTol(m, 1e-5)) << law.k;
    }
  }
}

using Flotation = HydrodynamicsTest;

TEST_F(Flotation, BuoyantMassAndDSatisfyTheSvedbergEquationOnBothSides) {
  // Lipoprotein-like species float in a dense buffer; s above the threshold
  // sediments with the global f/f0.
  SetSolvent(0.98f, 1.15f, 1.4f);
  SolventConditions.BufferTemperature = 310.15f;
  DistributionSettings.FlotationSettings.FlotationSmax = -2.0f;
  const double rt = 8.31451e7 * 310.15;
  for (bool radiusGiven : {true, false}) {
    DistributionSettings.FlotationSettings.FlotationDeconvolutionR = radiusGiven;
    DistributionSettings.FlotationSettings.FlotationDeconvolutionSize =
        radiusGiven ? 5.9e-9f : 3e-7f;
    for (float s : {-30.0f, -2.0f, -1.5f, 4.0f}) {
      SCOPED_TRACE(testing::Message() << "s " << s << " radius " << radiusGiven);
      const double d = DFromS(s);
      ASSERT_GT(d, 0);
      // The buoyant mass does not depend on vbar: M_b = s R T / D.
      EXPECT_NEAR(BuoyantMassFromS(s), s * 1e-13 * rt / d, RelTol(s * 1e-13 * rt / d, 1e-5));
      if (s <= -2.0f) {
        const double fixed = radiusGiven ? DFromStokesRadius(5.9e-9f, 37.0f) : 3e-7;
        EXPECT_NEAR(d, fixed, RelTol(fixed, 1e-6));
      } else {
        EXPECT_NEAR(d, DFromMassAndS(CalculateM(s), s, 37.0f), RelTol(d, 1e-5));
      }
    }
  }
  EXPECT_EQ(DFromS(0), 0);
  EXPECT_EQ(BuoyantMassFromS(0), 0);
}
