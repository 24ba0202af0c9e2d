// The finite-element bands of the global-state solver against the element
// integrals they stand for and against what a closed cell demands: the
// transport bands lose no material (every column of K sums to 0), the mass
// bands sum to the hat weights, and a uniform profile does not diffuse.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engines/GlobalLammMatrices.h"
#include "engines/HatElementIntegrals.h"
#include "engines/Romberg.h"
#include "models/ModelsTestSupport.h"
#include "numerics/ConstantShorthands.h"

namespace {

class GlobalLammMatricesTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    GlobalLammEngine = GlobalLammEngineRecord{};
    ExternalLoadingCell = ExternalLoadingCellRecord{};
  }
  void TearDown() override {
    GlobalLammEngine = GlobalLammEngineRecord{};
    ExternalLoadingCell = ExternalLoadingCellRecord{};
    ModelsTest::TearDown();
  }

  // An evenly spaced grid of n nodes from meniscus to bottom, or (geometric)
  // one whose elements grow by a constant ratio.
  void MakeGrid(int n, bool geometric, float meniscus = 5.8f, float bottom = 7.2f) {
    ModelParameters.Meniscus = meniscus;
    ModelParameters.Bottom = bottom;
    LammSolverSettings.LammGridSize = n;
    LammSolverSettings.MovingFrame = false;
    LammSolverSettings.FixedGrid = true;
    ASSERT_EQ(AllocSimulationArrays(), 1);
    if (!geometric) return;
    double* r = GlobalLammArrays.LammRadius;
    const double q = 1.01;
    const double first = (bottom - meniscus) * (q - 1) / (std::pow(q, n - 1) - 1);
    r[1] = meniscus;
    for (int i = 2; i <= n; ++i) r[i] = r[i - 1] + first * std::pow(q, i - 2);
    r[n] = bottom;
    GlobalLammArrays.OptimizedGridMade = true;
  }

  void SetSpecies(double s, double D, double rpm) {
    GlobalLammRun.SpeciesS = s;
    GlobalLammRun.SpeciesD = D;
    GlobalLammRun.RunRpm = rpm;
  }
  static double Rate(double s, double rpm) {
    const double omega = rpm * 2 * kPi / 60;
    return omega * omega * s * 1e-13;
  }
  HatGrid Grid() const {
    return HatGrid{GlobalLammArrays.LammRadius, GlobalLammArrays.LammAllocatedSize};
  }
  // Entry (i, j) of a band set, 0 off the three bands.
  static double Entry(const TridiagonalBands& b, int i, int j) {
    if (j == i - 1) return b.l[i];
    if (j == i) return b.d[i];
    if (j == i + 1) return b.u[i];
    return 0.0;
  }
  struct Snapshot {
    std::vector<double> values;
  };
  Snapshot Take(int m) const {
    const GlobalLammWorkArrays w = GlobalLammWork();
    Snapshot s;
    for (int i = 1; i <= m; ++i)
      for (const double* b :
           {w.Mass.l, w.Mass.d, w.Mass.u, w.Transport.l, w.Transport.d, w.Transport.u})
        s.values.push_back(b[i]);
    return s;
  }
};

struct SpeciesCase {
  double s, D, rpm;
};
const SpeciesCase kSpecies[] = {
    {4.5, 6e-7, 50000}, {100.0, 1e-7, 40000}, {-3.0, 2e-6, 20000}, {0.0, 1e-6, 50000}};

// The closed forms of the evenly spaced grid and the general element
// integrals are independent derivations of the same weak form.
TEST_F(GlobalLammMatricesTest, UniformBandsEqualTheElementIntegrals) {
  MakeGrid(60, false);
  for (const SpeciesCase& c : kSpecies) {
    SetSpecies(c.s, c.D, c.rpm);
    for (int m : {60, 37}) {
      BuildSectorMatrices(m);
      const GlobalLammWorkArrays w = GlobalLammWork();
      const double rate = Rate(c.s, c.rpm);
      for (int i = 1; i <= m; ++i) {
        for (int j = i - 1; j <= i + 1; ++j) {
          if (j < 1 || j > m) continue;
          const double mass = GridMassIntegral(Grid(), i, j, m);
          const double k = rate * GridSedimentationIntegral(Grid(), i, j, m) -
                           c.D * GridDiffusionIntegral(Grid(), i, j, m);
          EXPECT_NEAR(Entry(w.Mass, i, j), mass, 1e-6 * std::fabs(mass) + 1e-15)
              << "M " << i << "," << j << " m " << m;
          const double scale = std::fabs(rate) * 60 + c.D * 60 / 0.02;
          EXPECT_NEAR(Entry(w.Transport, i, j), k, 1e-6 * scale) << "K " << i << "," << j;
        }
      }
      EXPECT_EQ(w.Mass.u[m], 0.0);
      EXPECT_EQ(GlobalLammEngine.BuiltSize, m);
      EXPECT_TRUE(GlobalLammEngine.BandsChanged);
    }
  }
}

// A closed sector loses nothing: the columns of K sum to 0 (sum_i phi_i' = 0),
// the rows of the diffusion part sum to 0 (a uniform profile does not
// diffuse), and the columns of M sum to the hat weights int phi_j r dr.
TEST_F(GlobalLammMatricesTest, SectorBandsConserveMaterial) {
  for (bool geometric : {false, true}) {
    MakeGrid(80, geometric);
    const int n = 80;
    for (const SpeciesCase& c : kSpecies) {
      SetSpecies(c.s, c.D, c.rpm);
      BuildSectorMatrices(n);
      const GlobalLammWorkArrays w = GlobalLammWork();
      const double scale = std::fabs(Rate(c.s, c.rpm)) * 60 + c.D * 60 / 0.01;
      for (int j = 1; j <= n; ++j) {
        double kColumn = 0.0, mColumn = 0.0;
        for (int i = j - 1; i <= j + 1; ++i) {
          if (i < 1 || i > n) continue;
          kColumn += Entry(w.Transport, i, j);
          mColumn += Entry(w.Mass, i, j);
        }
        EXPECT_NEAR(kColumn, 0.0, 1e-9 * scale) << "column " << j << " geometric " << geometric;
        const double weight = HatWeightIntegral(Grid(), j, n);
        EXPECT_NEAR(mColumn, weight, 1e-6 * weight) << "column " << j;
      }
      SetSpecies(0.0, c.D, c.rpm);
      BuildSectorMatrices(n);
      for (int i = 1; i <= n; ++i) {
        const double row = w.Transport.l[i] + w.Transport.d[i] + w.Transport.u[i];
        EXPECT_NEAR(row, 0.0, 1e-9 * c.D * 60 / 0.01) << "row " << i;
      }
    }
  }
}

// Moving the last node re-forms a few rows only; the result must equal a full
// build for the new last node, shrinking or growing, with and without the
// bottom outflow, on both grids. Rows left behind by a shrink must stay
// usable interior rows for a later growth past them (50 -> 30 -> 60).
TEST_F(GlobalLammMatricesTest, ResizedBandsEqualAFullBuild) {
  for (bool geometric : {false, true}) {
    for (bool outflow : {false, true}) {
      MakeGrid(100, geometric);
      SpeciesSignals.BackDiffusionShutOffApplies = outflow;
      SetSpecies(4.5, 6e-7, 50000);
      BuildSectorMatrices(70);
      for (int m : {40, 55, 70, 20, 90, 100, 30, 50, 30, 60}) {
        const int largestBefore = GlobalLammEngine.LargestBuiltSize;
        ResizeSectorMatrices(m);
        EXPECT_EQ(GlobalLammEngine.BuiltSize, m);
        EXPECT_EQ(GlobalLammEngine.LargestBuiltSize, std::max(largestBefore, m));
        const Snapshot resized = Take(m);
        BuildSectorMatrices(m);
        const Snapshot built = Take(m);
        ASSERT_EQ(resized.values.size(), built.values.size());
        for (std::size_t k = 0; k < built.values.size(); ++k)
          EXPECT_NEAR(resized.values[k], built.values[k], 1e-12 * (1 + std::fabs(built.values[k])))
              << "m " << m << " entry " << k << " geometric " << geometric << " outflow "
              << outflow;
        // Put the history back as it was before the comparison build.
        GlobalLammEngine.LargestBuiltSize = std::max(largestBefore, m);
      }
    }
  }
}

// The loading of a uniform profile is the exact sector volume: the hat
// weights integrate r exactly.
TEST_F(GlobalLammMatricesTest, SectorLoadingOfAUniformProfile) {
  for (bool geometric : {false, true}) {
    MakeGrid(120, geometric);
    for (int i = 1; i <= 120; ++i) GlobalLammArrays.LammConcentration[i] = 0.7;
    const double m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
    const double exact = 0.7 * (b * b - m * m) / 2 * 1.2 * 2 * kPi / 180;
    EXPECT_NEAR(SectorTotalLoading(), exact, 1e-6 * exact) << "geometric " << geometric;
  }
}

// The linear cell: the numerically integrated bands equal the closed forms,
// the transport columns sum to 0, electrophoresis drifts at s 1e-4 cm/s
// whatever the speed, and the loading cell with its taper full of oil is the
// linear cell.
TEST_F(GlobalLammMatricesTest, LinearGeometryBands) {
  MakeGrid(25, false);
  SetSpecies(4.5, 6e-7, 50000);
  const int n = 25;
  ModelSelection.LammGeometry.LinearLamm = true;
  BuildGeometryMatrices();
  const Snapshot linear = Take(n);
  EXPECT_DOUBLE_EQ(GlobalLammEngine.GeometryForce, Rate(4.5, 50000));
  const GlobalLammWorkArrays w = GlobalLammWork();
  for (int j = 1; j <= n; ++j) {
    double column = 0.0;
    for (int i = std::max(1, j - 1); i <= std::min(n, j + 1); ++i)
      column += Entry(w.Transport, i, j);
    EXPECT_NEAR(column, 0.0, 1e-9) << j;
  }
  ModelSelection.LammGeometry.LinearLamm = false;
  ModelSelection.LammGeometry.Geometry282 = true;
  BuildGeometryMatrices();
  const Snapshot numeric = Take(n);
  for (std::size_t k = 0; k < linear.values.size(); ++k)
    EXPECT_NEAR(numeric.values[k], linear.values[k], 3e-6 * (1e-3 + std::fabs(linear.values[k])))
        << "entry " << k;

  ModelSelection.LammGeometry.Geometry282 = false;
  ModelSelection.LammGeometry.ExternalLoadingCell = true;
  ExternalLoadingCell.OilVolume = 0.02f;  // above the taper volume
  BuildGeometryMatrices();
  const Snapshot full = Take(n);
  for (std::size_t k = 0; k < linear.values.size(); ++k)
    EXPECT_EQ(full.values[k], linear.values[k]) << "entry " << k;
  ExternalLoadingCell.OilVolume = 0.0f;
  ExternalLoadingSetup();
  EXPECT_NEAR(ExternalLoadingCell.TaperStart, 7.2 - 0.0373, 1e-6);

  ModelSelection.LammGeometry.ExternalLoadingCell = false;
  ModelSelection.LammGeometry.LinearForceElectrophoresis = true;
  for (double rpm : {0.0, 50000.0}) {
    SetSpecies(2.5, 1e-6, rpm);
    BuildGeometryMatrices();
    EXPECT_DOUBLE_EQ(GlobalLammEngine.GeometryForce, 2.5e-4);
  }
  // A constant drift moves material, it does not dilute it: K 1 = 0 inside;
  // at the closed ends the drift's flux f c leaves the first and enters the
  // last hat.
  const auto row = [&](int i) { return w.Transport.l[i] + w.Transport.d[i] + w.Transport.u[i]; };
  for (int i = 2; i < n; ++i) EXPECT_NEAR(row(i), 0.0, 1e-12) << i;
  EXPECT_NEAR(row(1), -2.5e-4, 1e-12);
  EXPECT_NEAR(row(n), 2.5e-4, 1e-12);
}

// The loading cell with a partly filled taper: the cross-section shrinks only
// in the taper, so the mass bands there fall below the linear ones and the
// transport columns still sum to 0.
TEST_F(GlobalLammMatricesTest, ExternalLoadingTaper) {
  MakeGrid(30, false, 7.0f, 7.2f);
  SetSpecies(4.5, 6e-7, 50000);
  const int n = 30;
  ModelSelection.LammGeometry.ExternalLoadingCell = true;
  ExternalLoadingCell.OilVolume = 0.005f;
  BuildGeometryMatrices();
  const double start = ExternalLoadingCell.TaperStart;
  EXPECT_GT(start, 7.2 - 0.0373);
  EXPECT_LT(start, 7.2);
  const GlobalLammWorkArrays w = GlobalLammWork();
  const double* r = GlobalLammArrays.LammRadius;
  for (int i = 2; i < n; ++i) {
    const double linear = LinearMassEntry(i, i);
    if (r[i + 1] < start) {
      EXPECT_EQ(w.Mass.d[i], linear) << i;
    } else if (r[i - 1] > start) {
      EXPECT_LT(w.Mass.d[i], linear) << i;
    }
  }
  for (int j = 1; j <= n; ++j) {
    double column = 0.0;
    for (int i = std::max(1, j - 1); i <= std::min(n, j + 1); ++i)
      column += Entry(w.Transport, i, j);
    EXPECT_NEAR(column, 0.0, 1e-7) << j;
  }
}

}  // namespace
