// Rods and worm-like chains: inversions, limits, the end-correction switch,
// the chain's M(s) table, and the rod inversion's inputs without a root.

#include <gtest/gtest.h>

#include <cmath>

#include "numerics/Hydrodynamics.h"
#include "numerics/HydrodynamicsFixture.h"
#include "numerics/MatrixFiles.h"
#include "numerics/OneBasedArrays.h"

namespace {

// Diameter (m) of the dehydrated cylinder of a mass per length (Da/nm).
double RodDiameter(double massPerLength, double vbar) {
  return std::sqrt(4.0 * vbar * 1e-6 * massPerLength * 1e9 / (3.1415927 * 6.02214e23));
}

// Mass per length (Da/nm) of the chain: monomer mass over monomer length,
// the length being the dry monomer volume over the cross-section.
double ChainMassPerLength(const WormChainSettingsRecord& c, double vbar) {
  const double monomerLength = c.MonomerMass * vbar * 1e21 / 6.023e23 / c.CrossSection;
  return c.MonomerMass / monomerLength;
}

}  // namespace

using LinearRods = HydrodynamicsTest;

TEST_F(LinearRods, InversionRoundTrips) {
  struct Case {
    float mass, massPerLength;
  };
  // From short rods that are spheres (p < 1) to long thin ones.
  const Case cases[] = {{5e4f, 2e4f},   {2e5f, 2e4f},    {4392.0f, 500.0f},
                        {1e6f, 500.0f}, {1e8f, 3000.0f}, {1e4f, 2.0f}};
  for (const Case& c : cases) {
    const float s = SLinearRod(c.mass, c.massPerLength);
    ASSERT_GT(s, 0) << c.mass;
    EXPECT_NEAR(CalculateMofSforLinearRod(s, c.massPerLength), c.mass, RelTol(c.mass, 1e-4))
        << c.mass << " Da at " << c.massPerLength << " Da/nm";
  }
  EXPECT_EQ(BoxesWith("Error"), 0u);
}

TEST_F(LinearRods, ShorterThanWideIsACompactSphere) {
  SetSolvent(0.73f, 1.05f, 1.2f);
  const double shortMass = 0.5 * RodDiameter(2e4, 0.73) * 2e4 * 1e9;  // p = 0.5
  const float sphere = SFromMassAndFF0(static_cast<float>(shortMass), 0.73f, 20.0f, 1.05f, 1.0f);
  EXPECT_NEAR(SLinearRod(shortMass, 2e4), sphere / 1.2, RelTol(sphere / 1.2, 1e-5));
}

TEST_F(LinearRods, EndCorrectionBecomesConstantAtAxialRatioTen) {
  const double massPerLength = 500;
  const double m10 = 10 * RodDiameter(massPerLength, 0.73) * massPerLength * 1e9;
  const double below = SLinearRod(m10 * (1 - 1e-7), massPerLength);
  const double above = SLinearRod(m10 * (1 + 1e-7), massPerLength);
  const double nuBelow = 0.312 + 0.561 / 10 + 0.1 / 100;
  EXPECT_NEAR(above / below, (std::log(10.0) + 0.386) / (std::log(10.0) + nuBelow), 1e-5);
  // Far above, s grows as ln p + 0.386 alone.
  const double s100 = SLinearRod(10 * m10, massPerLength);
  EXPECT_NEAR(s100 / above, (std::log(100.0) + 0.386) / (std::log(10.0) + 0.386), 1e-5);
}

TEST_F(LinearRods, InputsWithoutARootGiveZeroInsteadOfSearchingForEver) {
  struct Case {
    float s, massPerLength, vbarRho;
  };
  const Case cases[] = {
      {0.0f, 500.0f, 0.73f},
      {-3.0f, 500.0f, 0.73f},
      {5.0f, 1.0f, 0.73f},
      {5.0f, 0.5f, 0.73f},
      {5.0f, -2.0f, 0.73f},
      {5.0f, 500.0f, 1.0f},
      {5.0f, 500.0f, 1.2f},
      {-5.0f, 500.0f, 1.2f},
      {1e3f, 2.0f, 0.73f},  // would need a rod heavier than any float mass
      // The s of a rod just beyond the float range: the last doubling of the
      // upper end brackets it, yet the mass has no float value.
      {SLinearRod(3.45e38, 2.0), 2.0f, 0.73f},
  };
  for (const Case& c : cases) {
    SolventConditions.VbarRho = c.vbarRho;
    EXPECT_EQ(CalculateMofSforLinearRod(c.s, c.massPerLength), 0)
        << c.s << " S, " << c.massPerLength << " Da/nm, vbar rho " << c.vbarRho;
  }
  EXPECT_EQ(BoxesWith("Error"), 0u);
}

TEST_F(LinearRods, RefuseANonPositiveVbarOrViscosity) {
  SolventConditions.VBAR = 0;
  EXPECT_EQ(CalculateMofSforLinearRod(5, 500), 0);
  EXPECT_EQ(BoxesWith("VBAR <= 0 in function CalculateMofSforLinearRod ->"), 1u);
  SolventConditions.VBAR = 0.73f;
  SolventConditions.RELVISCOSITY = 0;
  EXPECT_EQ(CalculateMofSforLinearRod(5, 500), 0);
  EXPECT_EQ(
      BoxesWith("STANDARDVISCOSITY*RELVISCOSITY <= 0 in function CalculateMofSforLinearRod ->"),
      1u);
}

using WormLikeChains = HydrodynamicsTest;

TEST_F(WormLikeChains, LimitsOfTheChain) {
  const WormChainSettingsRecord& chain = DistributionSettings.WormChainSettings;
  const double ml = ChainMassPerLength(chain, 0.73);
  // Lighter than one monomer: no chain.
  EXPECT_EQ(SWormLikeChain(0.99f * chain.MonomerMass), 0);
  // Shorter than a tenth of a Kuhn length: a straight rod.
  const float shortChain = static_cast<float>(0.05 * ml * 2 * chain.PersistenceLength);
  EXPECT_NEAR(SWormLikeChain(shortChain), SLinearRod(shortChain, ml), 1e-6);
  // The two forms of the wormlike cylinder meet at 2.4 Kuhn lengths.
  const double m24 = 2.4 * ml * 2 * chain.PersistenceLength;
  const double below = SWormLikeChain(static_cast<float>(m24 * (1 - 1e-5)));
  const double above = SWormLikeChain(static_cast<float>(m24 * (1 + 1e-5)));
  EXPECT_NEAR(above / below, 1.0, 1e-3);
  // Long chains approach a random coil, s ~ M^(1/2).
  const double slope = std::log(SWormLikeChain(4e9f) / SWormLikeChain(1e9f)) / std::log(4.0);
  EXPECT_GT(slope, 0.48);
  EXPECT_LT(slope, 0.5);
}

TEST_F(WormLikeChains, SedimentAtExperimentalConditions) {
  const float water = SWormLikeChain(1e7f);
  SetSolvent(0.73f, 1.02f, 1.5f);
  EXPECT_NEAR(SWormLikeChain(1e7f), S20wToSBuffer(water), RelTol(water, 1e-6));
  EXPECT_LT(SWormLikeChain(1e7f), water / 1.5);
}

TEST_F(WormLikeChains, InversionRoundTrips) {
  for (auto settings : {WormChainSettingsRecord{}, WormChainSettingsRecord{5, 1, 110, 0.3f}}) {
    DistributionSettings.WormChainSettings = settings;
    for (float s : {2.0f, 5.0f, 20.0f, 50.0f, 200.0f}) {
      const float m = MFromSWormLikeChain(s);
      ASSERT_GT(m, settings.MonomerMass) << s;
      EXPECT_NEAR(SWormLikeChain(m), s, 1e-3 * s) << s << " S, P " << settings.PersistenceLength;
    }
  }
  EXPECT_EQ(BoxesWith("Error"), 0u);
}

TEST_F(WormLikeChains, BelowTheMonomerTheInversionGivesTheSphereMass) {
  const float sphere = CalculateMff02(1.0f, 1.0f);
  ASSERT_LT(sphere, DistributionSettings.WormChainSettings.MonomerMass);
  EXPECT_EQ(MFromSWormLikeChain(1.0f), sphere);
}

TEST_F(WormLikeChains, TableOfTheGridReadsBack) {
  ScratchFolder folder;
  SetInstallationFolder(folder.path().string());
  SetSolvent(0.73f, 1.02f, 1.3f);
  const float svalues[] = {2.0f, 5.0f, 20.0f};
  DistributionSettings.DistGridSize = 3;
  ResizeDistributionGrids(3);
  for (int i = 1; i <= 3; ++i) {
    DistributionResult.DistSGrid[i] = svalues[i - 1];
    DistributionResult.DistMGrid[i] = MFromSWormLikeChain(svalues[i - 1]);
  }
  ASSERT_TRUE(WriteWormChainMofS());
  int rows = 0;
  float** table = ReadRowsFile(folder.File("~WormChain_mofs.dat"), 2, rows);
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(rows, 3);
  const double buoyancyRatio = (1 - 0.73 * 0.99823) / (1 - 0.73 * 1.02);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_NEAR(table[i][1], SToS20wBuffer(svalues[i - 1]), 1e-5) << i;
    EXPECT_NEAR(table[i][2], DistributionResult.DistMGrid[i] * buoyancyRatio / 1000, 1e-5) << i;
  }
  free_matrix(table, 1, rows, 1, 2);
}

TEST_F(WormLikeChains, TableReportsAFolderItCannotWrite) {
  SetInstallationFolder("/nonexistent-folder/for/the/table");
  ResizeDistributionGrids(DistributionSettings.DistGridSize);
  EXPECT_FALSE(WriteWormChainMofS());
  EXPECT_EQ(BoxesWith("Attention: could not open /nonexistent-folder/for/the/table/"
                      "~WormChain_mofs.dat"),
            1u);
}
