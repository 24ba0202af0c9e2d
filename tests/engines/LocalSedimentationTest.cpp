// Local s and D of concentration-dependent components against the mass-action
// equilibrium solved independently here: the total c = sum_i K_i x^n_i of
// species i of n_i monomers (weight concentrations, K_1 = 1) is inverted for
// the free monomer x by bisection; s is the weight average and D the
// gradient average sum_i D_i dc_i/dc, taken by central differences. The
// non-ideal laws against their closed forms: hindered settling of a sphere,
// the s(c) and D(c) series and the CsCl formulas.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engines/CosoluteSolver.h"
#include "engines/InhomogeneousSolvent.h"
#include "engines/LocalSedimentation.h"
#include "models/ModelsTestSupport.h"
#include "numerics/ConstantShorthands.h"

namespace {

struct Species {
  int n;
  double K, s, D;
};

struct Mixture {
  std::vector<Species> species;

  double Total(double x) const {
    double c = 0.0;
    for (const Species& sp : species) c += sp.K * std::pow(x, sp.n);
    return c;
  }
  double FreeMonomer(double c) const {
    double lo = 0.0, hi = std::max(c, 1e-300);
    for (int k = 0; k < 200; ++k) {
      const double mid = 0.5 * (lo + hi);
      (Total(mid) < c ? lo : hi) = mid;
    }
    return 0.5 * (lo + hi);
  }
  double WeightS(double c) const {
    const double x = FreeMonomer(c);
    double sum = 0.0;
    for (const Species& sp : species) sum += sp.K * std::pow(x, sp.n) * sp.s;
    return sum / Total(x);
  }
  double GradientD(double c) const {
    const double x = FreeMonomer(c), h = 1e-5 * x;
    double num = 0.0;
    for (const Species& sp : species)
      num += sp.D * sp.K * (std::pow(x + h, sp.n) - std::pow(x - h, sp.n));
    return num / (Total(x + h) - Total(x - h));
  }
};

const std::vector<double> kConcentrations{0.01, 0.3, 1.0, 5.0, 40.0};

class LocalSedimentationTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    AssociationParameters = AssociationParametersRecord{};
    FreeAssociationTable();
  }
  void TearDown() override {
    FreeAssociationTable();
    AssociationParameters = AssociationParametersRecord{};
    ModelsTest::TearDown();
  }

  // Arrays for one node per concentration, the concentrations as the old
  // profile (and node 1 of the loading).
  // (A grid has at least three nodes; shorter lists repeat their last
  // value.)
  void Nodes(ModelKind kind, std::vector<double> c) {
    while (c.size() < 3) c.push_back(c.back());
    ModelSelection.Kind = kind;
    ModelParameters.Meniscus = 5.8f;
    ModelParameters.Bottom = 7.2f;
    LammSolverSettings.LammGridSize = static_cast<int>(c.size());
    LammSolverSettings.MovingFrame = false;
    LammSolverSettings.FixedGrid = true;
    ASSERT_EQ(AllocSimulationArrays(), 1);
    const LocalSedimentationArrays w = LocalSedimentationWork();
    for (std::size_t i = 0; i < c.size(); ++i) {
      w.OldTotalSignal[i + 1] = c[i];
      GlobalLammArrays.LammConcentration[i + 1] = c[i];
    }
  }
  static double S(int i) { return LocalSedimentationWork().LocalSedimentation[i]; }
  static double D(int i) { return LocalSedimentationWork().LocalDiffusion[i]; }
};

struct AssociationCase {
  std::string name;
  ModelKind kind;
  double logKa, logKb;
  Mixture truth;
  double tolerance;  // relative; the 1-2-4 and 1-4-8 models interpolate a table
};

std::vector<AssociationCase> AssociationCases() {
  const double Ka = 0.7, Ka13 = 2.0, K12 = 1.5, K14 = 0.4, K18 = 0.05;
  return {
      {"monomer-dimer",
       ModelKind::MonomerDimer,
       std::log10(Ka),
       0.0,
       {{{1, 1.0, 4.0, 6e-7}, {2, Ka, 6.2, 4.7e-7}}},
       1e-9},
      {"monomer-trimer",
       ModelKind::MonomerTrimer,
       std::log10(Ka13),
       0.0,
       {{{1, 1.0, 4.0, 6e-7}, {3, Ka13, 8.0, 4e-7}}},
       1e-9},
      {"1-2-4",
       ModelKind::SelfAssociation124,
       std::log10(K12),
       std::log10(K14),
       {{{1, 1.0, 3.0, 7e-7}, {2, K12, 4.6, 5.5e-7}, {4, K14, 7.1, 4.3e-7}}},
       2e-4},
      {"1-4-8",
       ModelKind::SelfAssociation148,
       std::log10(K14),
       std::log10(K18),
       {{{1, 1.0, 3.0, 7e-7}, {4, K14, 7.1, 4.3e-7}, {8, K18, 11.0, 3.4e-7}}},
       2e-4},
  };
}

void SetAssociation(const AssociationCase& c) {
  AssociationParametersRecord& p = AssociationParameters;
  const std::vector<Species>& sp = c.truth.species;
  if (c.kind == ModelKind::MonomerDimer || c.kind == ModelKind::MonomerTrimer) {
    p.s1 = sp[0].s;
    p.D1 = sp[0].D;
    p.s2 = sp[1].s;
    p.D2 = sp[1].D;
    p.LogK = c.logKa;
  } else {
    for (int i = 1; i <= 3; ++i) {
      p.OligomerS[i] = sp[static_cast<std::size_t>(i - 1)].s;
      p.OligomerD[i] = sp[static_cast<std::size_t>(i - 1)].D;
    }
    p.LogKa = c.logKa;
    p.LogKb = c.logKb;
  }
}

TEST_F(LocalSedimentationTest, AssociationsFollowTheMassActionEquilibrium) {
  for (const AssociationCase& c : AssociationCases()) {
    SetAssociation(c);
    Nodes(c.kind, kConcentrations);
    ASSERT_TRUE(PrepareLocalSedimentation()) << c.name;
    ModelLocalSD();
    for (std::size_t k = 0; k < kConcentrations.size(); ++k) {
      const int i = static_cast<int>(k) + 1;
      const double conc = kConcentrations[k];
      const double sTrue = c.truth.WeightS(conc), dTrue = c.truth.GradientD(conc);
      EXPECT_NEAR(S(i), sTrue, c.tolerance * sTrue + 1e-12) << c.name << " c " << conc;
      EXPECT_NEAR(D(i), dTrue, std::max(c.tolerance, 1e-7) * dTrue) << c.name << " c " << conc;
    }
    FreeAssociationTable();
    FreeSimulationArrays();
  }
}

// K -> 0 leaves the monomer; K -> infinity (monomer-dimer, -trimer) the
// oligomer; at c = 0 every model is the monomer.
TEST_F(LocalSedimentationTest, LimitsOfTheAssociationConstants) {
  for (const AssociationCase& base : AssociationCases()) {
    const Species& monomer = base.truth.species[0];
    AssociationCase weak = base;
    weak.logKa = weak.logKb = -30.0;
    SetAssociation(weak);
    Nodes(base.kind, {0.0, 0.5, 20.0});
    ASSERT_TRUE(PrepareLocalSedimentation());
    ModelLocalSD();
    for (int i = 1; i <= 3; ++i) {
      EXPECT_NEAR(S(i), monomer.s, 1e-6 * monomer.s) << base.name << " node " << i;
      EXPECT_NEAR(D(i), monomer.D, 1e-6 * monomer.D) << base.name << " node " << i;
    }
    FreeAssociationTable();
    FreeSimulationArrays();
    if (base.kind != ModelKind::MonomerDimer && base.kind != ModelKind::MonomerTrimer) continue;
    AssociationCase strong = base;
    strong.logKa = 12.0;
    SetAssociation(strong);
    Nodes(base.kind, {0.0, 0.5, 20.0});
    ASSERT_TRUE(PrepareLocalSedimentation());
    ModelLocalSD();
    const Species& oligomer = base.truth.species[1];
    EXPECT_EQ(S(1), monomer.s) << base.name;
    EXPECT_EQ(D(1), monomer.D) << base.name;
    for (int i = 2; i <= 3; ++i) {
      EXPECT_NEAR(S(i), oligomer.s, 1e-4 * oligomer.s) << base.name;
      EXPECT_NEAR(D(i), oligomer.D, 1e-4 * oligomer.D) << base.name;
    }
    FreeSimulationArrays();
  }
}

// The averaged form is the mean of the plain forms at the old and the
// predicted profile.
TEST_F(LocalSedimentationTest, AveragedFormIsTheMeanOverTheStep) {
  const std::vector<double> old{0.0, 0.2, 1.0, 3.0}, trial{0.1, 0.25, 0.8, 3.5};
  for (const AssociationCase& c : AssociationCases()) {
    SetAssociation(c);
    Nodes(c.kind, trial);
    ASSERT_TRUE(PrepareLocalSedimentation());
    ModelLocalSD();
    std::vector<double> sTrial, dTrial;
    for (int i = 1; i <= 4; ++i) {
      sTrial.push_back(S(i));
      dTrial.push_back(D(i));
    }
    const LocalSedimentationArrays w = LocalSedimentationWork();
    for (int i = 1; i <= 4; ++i) {
      w.OldTotalSignal[i] = old[static_cast<std::size_t>(i - 1)];
      w.TrialSignal[i] = trial[static_cast<std::size_t>(i - 1)];
    }
    ModelLocalSD();
    std::vector<double> sOld, dOld;
    for (int i = 1; i <= 4; ++i) {
      sOld.push_back(S(i));
      dOld.push_back(D(i));
    }
    ModelLocalSDAverage();
    for (std::size_t k = 0; k < 4; ++k) {
      const int i = static_cast<int>(k) + 1;
      EXPECT_NEAR(S(i), 0.5 * (sOld[k] + sTrial[k]), 1e-12 * S(i)) << c.name;
      EXPECT_NEAR(D(i), 0.5 * (dOld[k] + dTrial[k]), 1e-12 * D(i)) << c.name;
    }
    FreeAssociationTable();
    FreeSimulationArrays();
  }
}

// The table's search remembers where the last node was found; a profile
// that falls again must still be interpolated between the right rows, and a
// concentration on a table row returns that row.
TEST_F(LocalSedimentationTest, TableLookupInAnyOrder) {
  const AssociationCase c = AssociationCases()[2];
  SetAssociation(c);
  Nodes(c.kind, {1.0});
  ASSERT_TRUE(PrepareLocalSedimentation());
  const OneBasedMatrix<double>& t = AssociationTable.Table;
  double s = 0.0, D = 0.0;
  AssociationTableLookup(t[700][2], s, D);
  EXPECT_EQ(s, t[700][3]);
  EXPECT_EQ(D, t[700][4]);
  const double lower = 0.5 * (t[695][2] + t[696][2]);
  AssociationTableLookup(lower, s, D);
  EXPECT_NEAR(s, c.truth.WeightS(lower), 1e-5 * s);
  AssociationTableLookup(1e12, s, D);  // beyond the table: its last row
  EXPECT_EQ(s, t[AssociationTable.Rows][3]);
  AssociationTableLookup(0.0, s, D);  // below it: its first row
  EXPECT_EQ(s, t[1][3]);
}

TEST_F(LocalSedimentationTest, CubicRootSolvesTheTrimerBalance) {
  for (double logK : {-14.0, -6.0, 0.0, 3.0, 8.0}) {
    AssociationParameters.K = std::pow(10.0, logK);
    EXPECT_EQ(CubicRoot(0.0), 0.0);
    for (double c : {1e-6, 0.02, 1.0, 50.0}) {
      const double K = AssociationParameters.K, y = CubicRoot(c);
      EXPECT_GT(y, 0.0);
      EXPECT_NEAR(y + K * y * y * y, c, 1e-12 * c) << "log K " << logK << " c " << c;
    }
  }
}

// Non-ideal species: with log ks = log kd = -10 it is the ideal species; a
// repulsive ks slows it and a kd speeds its diffusion with concentration, the
// attractive (non-repulsive) form the reverse.
TEST_F(LocalSedimentationTest, NonidealSpecies) {
  AssociationParametersRecord& p = AssociationParameters;
  p.s1 = 4.5;
  p.D1 = 6e-7;
  Nodes(ModelKind::NonidealSingleSpecies, {0.5, 0.0, 2.0});
  ASSERT_TRUE(PrepareLocalSedimentation());
  NonidealLocalSD();
  for (int i = 1; i <= 3; ++i) {
    EXPECT_NEAR(S(i), 4.5, 1e-8);
    EXPECT_NEAR(D(i), 6e-7, 1e-15);
  }
  for (bool repulsive : {true, false}) {
    p.Repulsive = repulsive;
    p.EnteredKs = std::log10(0.1);
    p.EnteredKd = std::log10(0.05);
    ASSERT_TRUE(PrepareLocalSedimentation());
    NonidealLocalSD();
    EXPECT_DOUBLE_EQ(S(2), 4.5);
    EXPECT_DOUBLE_EQ(D(2), 6e-7);
    const double sign = repulsive ? 1.0 : -1.0;
    EXPECT_NEAR(S(3), 4.5 / (1 + sign * 0.2), 1e-9) << repulsive;
    EXPECT_NEAR(D(3), 6e-7 * (1 + sign * 0.1), 1e-15) << repulsive;
    EXPECT_EQ(GlobalLammRun.NonidealityError, 0);
  }
}

// Out of range: a repulsive ks c above 1 at the loading refuses the run; an
// attractive ks or kd that brings 1 + k c to 0 at some node is reported
// instead of divided through.
TEST_F(LocalSedimentationTest, NonidealityOutOfRange) {
  AssociationParametersRecord& p = AssociationParameters;
  p.s1 = 4.5;
  p.D1 = 6e-7;
  p.EnteredKs = 0.0;  // ks = 1
  Nodes(ModelKind::NonidealSingleSpecies, {1.5, 1.5, 1.5});
  EXPECT_FALSE(PrepareLocalSedimentation());
  EXPECT_EQ(GlobalLammRun.NonidealityError, 1);
  FreeSimulationArrays();

  p.Repulsive = false;
  Nodes(ModelKind::NonidealSingleSpecies, {0.2, 0.6, 1.0});
  ASSERT_TRUE(PrepareLocalSedimentation());
  EXPECT_EQ(GlobalLammRun.NonidealityError, 0);
  NonidealLocalSD();
  EXPECT_EQ(GlobalLammRun.NonidealityError, 1);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_TRUE(std::isfinite(S(i)));
    EXPECT_TRUE(std::isfinite(D(i)));
  }
}

// Hindered settling: s1 and D1 times the hard-sphere factors of phi = 1e-3
// (c / signal per mg/ml) k (f/f0)^3 vbar; a sphere's s and D (f/f0 = 1, from
// Stokes' law) make phi known. The entered k is taken as its absolute value.
TEST_F(LocalSedimentationTest, HinderedSettlingOfASphere) {
  const double M = 66000.0, vbar = 0.73, k = 2.0, perMgMl = 2.0;
  const double r0 = std::cbrt(3.0 * M * vbar * 1e-6 / 6.02214e23 / (4.0 * kPi));
  const double f0 = 6.0 * kPi * 0.001002 * r0 * 1000.0;
  AssociationParametersRecord& p = AssociationParameters;
  p.s1 = M * (1.0 - vbar * 0.99823) / (6.02214e23 * f0) * 1e13;
  p.D1 = 8.31451e7 * 293.15 / (6.02214e23 * f0);
  p.EnteredKs = -k;
  p.EnteredKd = 3.0;  // Baxter temperature, unused by hard spheres
  SolventConditions.VBAR = static_cast<float>(vbar);
  SolventConditions.BufferDensity = 0.99823f;
  SolventConditions.BufferTemperature = 293.15f;
  SolventConditions.RELVISCOSITY = 1.0f;
  ScanDataSet.SignalPerConcentration = static_cast<float>(perMgMl);
  const std::vector<double> c{0.0, 40.0, 200.0};
  Nodes(ModelKind::HinderedSingleSpecies, c);
  ASSERT_TRUE(PrepareLocalSedimentation());
  ModelLocalSD();
  for (int i = 1; i <= 3; ++i) {
    const double phi = 1e-3 * c[static_cast<std::size_t>(i - 1)] / perMgMl * k * vbar;
    const double ks = std::pow(1.0 - phi, 4.27) / (1.0 + 2.28 * phi);
    const double thermo = std::pow((1.0 - phi) * (1.0 - phi) / (1.0 + 2.0 * phi), 2);
    EXPECT_NEAR(S(i), p.s1 * ks, 1e-5 * p.s1) << c[static_cast<std::size_t>(i - 1)];
    EXPECT_NEAR(D(i), p.D1 * ks / thermo, 1e-5 * p.D1) << c[static_cast<std::size_t>(i - 1)];
  }
  EXPECT_EQ(GlobalLammRun.NonidealityError, 0);
}

// The series and the CsCl law replace ks and kd while "Polynomial s(c) and
// D(c)" is on, and only then: every run start reads the current options and
// the series files anew, and leaves the co-solute's own CsCl choice alone.
TEST_F(LocalSedimentationTest, SourceFollowsTheOptionsOfEveryRun) {
  ScratchFolder folder;
  InhomogeneousSolventSettingsRecord& t = InhomogeneousSolventSettings;
  t = InhomogeneousSolventSettingsRecord{};
  t.CosoluteCsCl = true;  // the co-solute dialog's choice
  t.CosoluteSFile = folder.Write("s.dat", "4.5\n-0.1\n");
  t.CosoluteDFile = folder.Write("d.dat", "6e-7\n2e-8\n");
  AssociationParametersRecord& p = AssociationParameters;
  p.s1 = 3.0;
  p.D1 = 5e-7;
  p.EnteredKs = p.EnteredKd = -10.0;
  struct Run {
    bool polynomial, cscl;
    double s0, D0, s2, D2;  // at c = 0 and c = 2
  };
  const Run runs[] = {
      {true, true, 0.596 - 0.0633, 2.03e-5, CsClSedCoeff(2.0), CsClDiffCoeff(2.0)},
      {true, false, 4.5, 6e-7, 4.3, 6.4e-7},
      {false, false, 3.0, 5e-7, 3.0, 5e-7},
      {false, true, 3.0, 5e-7, 3.0, 5e-7},  // CsCl only as a polynomial source
  };
  for (const Run& r : runs) {
    p.PolynomialOption = r.polynomial;
    p.CsClOption = r.cscl;
    Nodes(ModelKind::NonidealSingleSpecies, {0.0, 2.0});
    ASSERT_TRUE(PrepareLocalSedimentation());
    ModelLocalSD();
    EXPECT_NEAR(S(1), r.s0, 1e-6 * r.s0) << r.polynomial << r.cscl;
    EXPECT_NEAR(D(1), r.D0, 1e-6 * r.D0) << r.polynomial << r.cscl;
    EXPECT_NEAR(S(2), r.s2, 1e-6 * r.s2) << r.polynomial << r.cscl;
    EXPECT_NEAR(D(2), r.D2, 1e-6 * r.D2) << r.polynomial << r.cscl;
    EXPECT_TRUE(t.CosoluteCsCl);
    FreeSimulationArrays();
  }
  // Series that cannot be read refuse the run rather than simulate s = 0.
  t.CosoluteSFile = folder.File("missing.dat");
  p.PolynomialOption = true;
  p.CsClOption = false;
  Nodes(ModelKind::NonidealSingleSpecies, {1.0});
  EXPECT_FALSE(PrepareLocalSedimentation());
  EXPECT_EQ(GlobalLammRun.NonidealityError, 1);
  t = InhomogeneousSolventSettingsRecord{};
}

// With the dimer's hydrodynamic non-ideality the weight average is divided
// by 1 + ks c: below the ideal weight average at high concentration.
TEST_F(LocalSedimentationTest, DimerNonideality) {
  const AssociationCase c = AssociationCases()[0];
  SetAssociation(c);
  AssociationParameters.DimerNonideality = true;
  AssociationParameters.EnteredKs = std::log10(0.02);
  Nodes(c.kind, {0.0, 10.0});
  ASSERT_TRUE(PrepareLocalSedimentation());
  ModelLocalSD();
  EXPECT_DOUBLE_EQ(S(1), c.truth.species[0].s);
  EXPECT_NEAR(S(2), c.truth.WeightS(10.0) / 1.2, 1e-9);
  EXPECT_NEAR(D(2), c.truth.GradientD(10.0), 1e-7 * D(2));
}

}  // namespace
