// The concentration-dependent variant of the Lamm solver against what must
// hold whatever its numerics: without concentration dependence it is the
// ideal solution; a rapid self-association at K -> 0 sediments as the
// monomer and at K -> infinity as the oligomer; the closed cell keeps its
// amount; a positive ks sharpens the boundary; s and D never change sign.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "lamm/CLammIdeal.h"
#include "lamm/LammSetupFixture.h"
#include "state/ComputationAbort.h"
#include "numerics/OneBasedArrays.h"
#include "support/TestSupport.h"

namespace {

constexpr double kS = 4.5, kD = 6e-7;  // S, cm^2/s

// Fixed grid of 1000 points from full speed, with a tight step tolerance so
// that the two solvers compared converge to their spatial solution.
void TightNumerics(CLammIdeal& l, double maxChange = 0.05) {
  l.SetNumerics(100, 2000, 5.0f, 0, 1e-4, 1, 0, 0, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 0, 1.0, 0.1, 0.3,
                maxChange, 1000, 0, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
}

class ConcDependentTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ComputationAbort = false;
    data.MakeScans(6, 50000, 500, 500);
  }
  void TearDown() override {
    ComputationAbort = false;
    HeadlessTest::TearDown();
  }

  void Bind(CLammIdeal& l, double s, double D, double c0) {
    data.Configure(l, s, D, c0);
    TightNumerics(l);
  }

  // The scans of an ideal run of s and D.
  OneBasedMatrix<float> Ideal(double s, double D, double c0 = 1.0) {
    CLammIdeal l;
    Bind(l, s, D, c0);
    EXPECT_EQ(l.Solve(), 0);
    return data.Output;
  }

  // One species whose s and D depend linearly on its concentration:
  // s = s0 (1 - ks c), D = D0 (1 + kd c), ks and kd in ml/mg.
  std::int32_t RunLinear(CLammIdeal& l, double ks, double kd, double c0 = 1.0,
                         std::uint8_t ksPositive = 1, std::uint8_t kdPositive = 1) {
    Bind(l, kS, kD, c0);
    const float logKs = static_cast<float>(std::log10(ks)),
                logKd = static_cast<float>(std::log10(kd));
    l.SetSelfAssociation(0, 1, 1, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, logKs, logKd,
                         ksPositive, kdPositive, 1.0, 0, 0, kS, kD, c0);
    return l.Solve();
  }

  // A monomer-dimer system of log10 K (per signal unit).
  std::int32_t RunMonomerDimer(CLammIdeal& l, float logK, double c0 = 1.0) {
    Bind(l, kS, kD, c0);
    l.SetConcentrationDependence(1, 0, 1, 0, 0, 0, 4.5f, 7.0f, 6e-7f, 4.8e-7f, logK,
                                 static_cast<float>(c0), 0, -8, -8, 1, 1, 1.0, 0, 0, 4.5f, 7.0f, 0,
                                 6e-7f, 4.8e-7f, 0, 0, 0);
    l.SetSelfAssociation(0, 0, 1, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, -8, -8, 1, 1, 1.0, 0,
                         0, 4.5, 6e-7, c0);
    return l.Solve();
  }

  // Radial distance between 20 % and 80 % of the plateau (taken at 6.8 cm,
  // clear of the bottom) in the last scan.
  double BoundaryWidth() const {
    const int k = data.ScanCount();
    const float* row = data.Output[k];
    const int n = data.PointCount();
    const float plateau = row[static_cast<int>((6.8 - data.Meniscus) / 0.01 + 0.5) + 1];
    double low = 0.0, high = 0.0;
    for (int i = 1; i <= n; ++i) {
      if (low == 0.0 && row[i] >= 0.2f * plateau) low = data.Radii[i];
      if (high == 0.0 && row[i] >= 0.8f * plateau) high = data.Radii[i];
    }
    return high - low;
  }

  LammSetupFixture data;
};

TEST_F(ConcDependentTest, WithoutConcentrationDependenceItIsTheIdealSolution) {
  const OneBasedMatrix<float> ideal = Ideal(kS, kD);
  CLammIdeal l;
  EXPECT_EQ(RunLinear(l, 1e-12, 1e-12), 0);
  EXPECT_LT(data.RmsAgainst(ideal), 1e-5);
}

TEST_F(ConcDependentTest, MonomerDimerTendsToItsTwoSpecies) {
  struct Case {
    float logK;
    double s, D;
  };
  for (const Case& c : {Case{-12.0f, 4.5, 6e-7}, Case{12.0f, 7.0, 4.8e-7}}) {
    const OneBasedMatrix<float> ideal = Ideal(c.s, c.D);
    CLammIdeal l;
    EXPECT_EQ(RunMonomerDimer(l, c.logK), 0) << c.logK;
    EXPECT_LT(data.RmsAgainst(ideal), 1e-4) << c.logK;
  }
}

TEST_F(ConcDependentTest, ClosedCellKeepsItsAmountAndKsSharpensTheBoundary) {
  Ideal(kS, kD);
  const double idealWidth = BoundaryWidth();
  CLammIdeal l;
  l.ReportTotalAmount = 1;
  ASSERT_EQ(RunLinear(l, 0.05, 0.01, 5.0), 0);
  // The integral of c r dr at the end of the run against the loading.
  const double h = (data.Bottom - data.Meniscus) / (l.GridSize - 1);
  const double loaded = 5.0 *
                        ((3 * data.Meniscus + h) * h / 6 + (3 * data.Bottom - h) * h / 6 +
                         [&] {
                           double sum = 0.0;
                           for (int i = 2; i < l.GridSize; ++i) sum += h * l.Radius[i];
                           return sum;
                         }()) *
                        1.2 * 0.03490658503988659;
  EXPECT_NEAR(l.TotalAmountInCell() / loaded, 1.0, 1e-5);
  EXPECT_LT(BoundaryWidth(), 0.8 * idealWidth);
}

TEST_F(ConcDependentTest, CoefficientsThatWouldChangeSignEndTheRun) {
  struct Case {
    const char* what;
    double ks, kd, c0;
    std::uint8_t kdPositive;
    bool midRun;
  };
  const Case cases[] = {
      // ks c0 > 1 at the meniscus: refused before the first step.
      {"ks c0 above 1 at the start", 0.5, 0.01, 3.0, 1, false},
      // 1 - 0.5 c reaches zero once the bottom piles up beyond 2: D would
      // turn negative there, so the run ends instead.
      {"falling D", 0.01, 0.5, 1.5, 0, true},
  };
  for (const Case& c : cases) {
    CLammIdeal l;
    EXPECT_EQ(RunLinear(l, c.ks, c.kd, c.c0, 1, c.kdPositive), 7) << c.what;
    EXPECT_EQ(l.StepCount > 0, c.midRun) << c.what;
  }
  // A negative ks (s rising with c) is never refused for its size.
  CLammIdeal negative;
  EXPECT_NE(RunLinear(negative, 0.5, 0.01, 3.0, 0, 1), 7);
}

TEST_F(ConcDependentTest, AssociationTablesAtTheirEndsAndRows) {
  struct Case {
    const char* what;
    std::uint8_t dimerTetramer, tetramerOctamer;
    int a, b;
  };
  for (const Case& c : {Case{"1-2-4", 1, 0, 2, 4}, Case{"1-4-8", 0, 1, 4, 8}}) {
    CLammIdeal l;
    l.SetConcentrationDependence(1, 0, 0, c.tetramerOctamer, c.dimerTetramer, 0, 0, 0, 0, 0, 0,
                                 1.0f, 0, -8, -8, 1, 1, 1.0, 0, 0, 4.0f, 7.0f, 10.0f, 6e-7f, 4e-7f,
                                 3e-7f, 1.0f, 2.0f);
    l.PrepareAssociation();
    ASSERT_EQ(l.AssociationTable.rows(), 1000) << c.what;
    // Row totals are those of the mass-action law.
    const double c1 = l.AssociationTable[500][1];
    EXPECT_NEAR(l.AssociationTable[500][2], c1 + 10 * std::pow(c1, c.a) + 100 * std::pow(c1, c.b),
                1e-9 * l.AssociationTable[500][2])
        << c.what;
    EXPECT_DOUBLE_EQ(l.AssociationTable[1][1], 1e-5);
    EXPECT_NEAR(l.AssociationTable[1000][1], 100.0, 1e-9);
    // Below the first total: row 1 (nearly the monomer); beyond the last: the
    // last row (nearly the largest oligomer).
    l.LookupAssociationTable(0.0);
    EXPECT_DOUBLE_EQ(l.LookupS, l.AssociationTable[1][3]) << c.what;
    EXPECT_NEAR(l.LookupS, 4.0, 1e-3) << c.what;
    l.LookupAssociationTable(1e30);
    EXPECT_DOUBLE_EQ(l.LookupS, l.AssociationTable[1000][3]) << c.what;
    EXPECT_NEAR(l.LookupS, 10.0, 1e-3) << c.what;
    EXPECT_NEAR(l.LookupD, 3e-7, 1e-10) << c.what;
    // At a row's exact total: that row; between rows: linear in the total.
    for (int row : {2, 321, 999}) {
      l.LookupAssociationTable(l.AssociationTable[row][2]);
      EXPECT_DOUBLE_EQ(l.LookupS, l.AssociationTable[row][3]) << c.what << row;
      EXPECT_DOUBLE_EQ(l.LookupD, l.AssociationTable[row][4]) << c.what << row;
    }
    // A look-up a few rows below the last one found still brackets its
    // concentration (the cursor starts the search near the last row).
    l.LookupAssociationTable(l.AssociationTable[700][2]);
    const double mid = (l.AssociationTable[694][2] + l.AssociationTable[695][2]) / 2;
    l.LookupAssociationTable(mid);
    EXPECT_NEAR(l.LookupS, (l.AssociationTable[694][3] + l.AssociationTable[695][3]) / 2,
                1e-9 + 1e-6 * std::fabs(l.AssociationTable[695][3] - l.AssociationTable[694][3]))
        << c.what;
  }
}

TEST_F(ConcDependentTest, ClosedFormSchemesSolveTheirMassActionLaw) {
  CLammIdeal l;
  l.SetConcentrationDependence(1, 0, 0, 0, 0, 1, 4.0f, 8.0f, 6e-7f, 4e-7f, 1.0f, 1.0f, 0, -8, -8, 1,
                               1, 1.0, 0, 0, 4.0f, 8.0f, 0, 6e-7f, 4e-7f, 0, 0, 0);
  l.PrepareAssociation();
  for (double c : {0.01, 0.3, 2.0, 50.0}) {
    const double c1 = l.MonomerTrimerFreeMonomer(c);
    EXPECT_NEAR(10 * c1 * c1 * c1 + c1, c, 1e-9 * c) << c;
  }
  // Monomer-dimer: at K c = 2 the dimer/monomer ratio x solves x = K c1 with
  // c1 (1 + x) = c: x = 1.
  l.MonomerDimerModel = 1;
  l.MonomerTrimerModel = 0;
  l.AssociationK = 1.0;
  double s = 0.0, D = 0.0;
  l.MonomerDimerSD(2.0, s, D);
  EXPECT_DOUBLE_EQ(s, (8.0f + 4.0f) / 2.0);
  EXPECT_NEAR(D, (2 * 4e-7 + 6e-7) / 3, 1e-13);
}

}  // namespace
