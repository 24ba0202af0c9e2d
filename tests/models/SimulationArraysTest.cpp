// Simulation arrays and the radial grid: the blocks each model and algorithm
// needs, the grids of every algorithm against their defining properties, the
// optimised grid and its stretch towards the bottom, and the automatic grid
// size of a species within its limits.

#include <cmath>

#include "ModelsTestSupport.h"
#include "models/SimulationArrays.h"

namespace {

class SimulationArraysTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    ModelParameters.Meniscus = 5.9f;
    ModelParameters.Bottom = 7.2f;
  }
  static double R(int i) { return GlobalLammArrays.LammRadius[i]; }
  // Meniscus and bottom as the grids see them (single precision).
  const double m = 5.9f, b = 7.2f;
  static int N() { return GlobalLammArrays.LammAllocatedSize; }
};

TEST_F(SimulationArraysTest, ResizeBeforeAnyAllocationDoesNothing) {
  EXPECT_EQ(ResizeSimulationArrays(400), 0);
  EXPECT_EQ(GlobalLammArrays.LammArraysAllocated, 0);
  EXPECT_EQ(LammSolverSettings.LammGridSize, 1000);
}

TEST_F(SimulationArraysTest, BlocksFollowTheModelAndTheAlgorithm) {
  struct Case {
    ModelKind kind;
    bool movingHat;
    bool reacting, movingBlock, concDependent;
  };
  const Case cases[] = {
      {ModelKind::NonInteractingSpecies, true, false, true, false},
      {ModelKind::NonInteractingSpecies, false, false, false, false},
      {ModelKind::ReactingABC, false, true, false, false},
      {ModelKind::MonomerDimer, true, false, true, true},
      {ModelKind::NonidealCS, false, false, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    FreeSimulationArrays();
    ModelSelection.Kind = c.kind;
    LammSolverSettings.MovingFrame = c.movingHat;
    LammSolverSettings.FixedGrid = !c.movingHat;
    LammSolverSettings.LammGridSize = 120;
    ASSERT_EQ(AllocSimulationArrays(), 1);
    EXPECT_EQ(N(), 120);
    EXPECT_EQ(GlobalLammArrays.MainBlock.size(), 16u * 121u);
    EXPECT_EQ(GlobalLammArrays.SliceBlock.size(), 4u * 121u);
    EXPECT_EQ(ReactingArray(33) != nullptr, c.reacting);
    EXPECT_EQ(MovingHatArray(16) != nullptr, c.movingBlock);
    EXPECT_EQ(ConcDependentArray(16) != nullptr, c.concDependent);
    EXPECT_EQ(GlobalLammArrays.LammRadius, MainArray(2));
  }
  // Arrays made without the moving-hat block do not serve the moving hat.
  LammSolverSettings.MovingFrame = false;
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  ASSERT_EQ(ResizeSimulationArrays(100), 1);
  LammSolverSettings.MovingFrame = true;
  EXPECT_EQ(AllocSimulationArrays(), 0);
  EXPECT_EQ(GlobalLammArrays.LammArraysAllocated, 0);
  EXPECT_EQ(GlobalLammArrays.LammRadius, nullptr);
  EXPECT_EQ(AllocSimulationArrays(), 1);
}

TEST_F(SimulationArraysTest, GridOfEachAlgorithm) {
  for (int design = 0; design < 2; ++design) {
    // Moving hat: equal steps in ln r between the second and the last but
    // one point; the second point half a step from the meniscus, one and a
    // half for a floating grid.
    FreeSimulationArrays();
    LammSolverSettings.MovingFrame = true;
    LammSolverSettings.AutoSGridValue = design == 0 ? 2.0 : -2.0;
    LammSolverSettings.LammGridSize = 200;
    ASSERT_EQ(AllocSimulationArrays(), 1);
    const double step = std::log(b / m) / 199.0;
    EXPECT_DOUBLE_EQ(R(1), m);
    EXPECT_NEAR(std::log(R(2) / m), (design == 0 ? 0.5 : 1.5) * step, 1e-12);
    for (int i = 3; i <= 199; ++i) EXPECT_NEAR(std::log(R(i) / R(i - 1)), step, 1e-12);
    EXPECT_EQ(R(200), b);
  }
  // Claverie: uniform from meniscus to bottom.
  FreeSimulationArrays();
  LammSolverSettings.MovingFrame = false;
  LammSolverSettings.FixedGrid = true;
  ASSERT_EQ(AllocSimulationArrays(), 1);
  for (int i = 1; i <= 200; ++i) EXPECT_NEAR(R(i), m + (i - 1) * (b - m) / 199.0, 1e-12);
  // Neither: the centres of 200 equal cells.
  LammSolverSettings.FixedGrid = false;
  MakeRadialGrid();
  for (int i = 1; i <= 200; ++i) EXPECT_NEAR(R(i), m + (i - 0.5) * (b - m) / 200.0, 1e-12);
  // A model chosen before any data: no cell, no grid of infinities.
  ModelParameters.Meniscus = ModelParameters.Bottom = 0.0f;
  LammSolverSettings.MovingFrame = true;
  FreeSimulationArrays();
  ASSERT_EQ(AllocSimulationArrays(), 1);
  for (int i = 1; i <= 200; ++i) EXPECT_EQ(R(i), 0.0);
}

class OptimizedGridTest : public SimulationArraysTest {
 protected:
  void SetUp() override {
    SimulationArraysTest::SetUp();
    LammSolverSettings.MovingFrame = false;
    LammSolverSettings.FixedGrid = true;
    LammSolverSettings.LammGridSize = 500;
    ASSERT_EQ(AllocSimulationArrays(), 1);
  }
};

TEST_F(OptimizedGridTest, UniformToTheBreakThenGrowingStepsToTheBottom) {
  const double rb = 6.1, h0 = (b - m) / 499.0;
  const int n = OptimizedGridFromRadius(rb);
  EXPECT_EQ(n, N());
  EXPECT_GE(n, 50);
  EXPECT_LT(n, 500);
  EXPECT_TRUE(GlobalLammArrays.OptimizedGridMade);
  EXPECT_FALSE(GlobalLammArrays.OptimizedGridRequested);
  EXPECT_EQ(R(1), m);
  EXPECT_EQ(R(n), b);
  int i = 2;
  for (; R(i - 1) <= rb; ++i) EXPECT_NEAR(R(i) - R(i - 1), h0, 1e-12);
  for (++i; i < n; ++i) EXPECT_GT(R(i) - R(i - 1), R(i - 1) - R(i - 2));
}

TEST_F(OptimizedGridTest, BreakBeyondTheGridGivesTheUniformGrid) {
  EXPECT_EQ(OptimizedGridFromRadius(7.5), 500);
  for (int i = 1; i <= 500; ++i) EXPECT_NEAR(R(i), m + (i - 1) * (b - m) / 499.0, 1e-9);
  EXPECT_EQ(R(500), b);
}

TEST_F(OptimizedGridTest, NeverFewerThanFiftyPoints) {
  LammSolverSettings.LammGridSize = 60;
  ASSERT_EQ(ResizeSimulationArrays(60), 1);
  // Breaking just after the meniscus, the steps grow so fast that few points
  // reach the bottom: a uniform grid of 50 points instead.
  EXPECT_EQ(OptimizedGridFromRadius(5.905), 50);
  EXPECT_FALSE(GlobalLammArrays.OptimizedGridMade);
  for (int i = 1; i <= 50; ++i) EXPECT_NEAR(R(i), m + (i - 1) * (b - m) / 49.0, 1e-9);
}

TEST_F(OptimizedGridTest, OnlyForTheFixedGridWithAKnownCell) {
  LammSolverSettings.MovingFrame = true;
  ASSERT_EQ(ResizeSimulationArrays(500), 1);
  EXPECT_EQ(OptimizedGridFromRadius(6.1), 500);
  EXPECT_FALSE(GlobalLammArrays.OptimizedGridMade);
  LammSolverSettings.MovingFrame = false;
  EXPECT_EQ(OptimizedGridFromRadius(5.8), 500);  // break before the meniscus
  EXPECT_FALSE(GlobalLammArrays.OptimizedGridMade);
}

TEST_F(OptimizedGridTest, StretchTowardsTheEquilibriumAtTheBottom) {
  // Not on a grid that is not optimised, nor when back-diffusion is cut.
  EXPECT_EQ(EquilibriumGridStretch(2.0), 0);
  const int n = OptimizedGridFromRadius(6.1);
  SpeciesSignals.BackDiffusionShutOffApplies = true;
  EXPECT_EQ(EquilibriumGridStretch(2.0), 0);
  SpeciesSignals.BackDiffusionShutOffApplies = false;
  ASSERT_EQ(EquilibriumGridStretch(2.0), 1);
  const int k = GlobalLammArrays.StretchStartIndex;
  const double rc = b * std::sqrt(1.0 - 10.0 / (2.0 * b * b));
  EXPECT_GT(R(k), rc);
  EXPECT_LE(R(k - 1), rc);
  EXPECT_EQ(R(n), b);
  // Geometric growth from the stretch point, ending on the bottom.
  const double x = (R(k + 2) - R(k + 1)) / (R(k + 1) - R(k));
  for (int j = k + 2; j < n; ++j) EXPECT_NEAR((R(j) - R(j - 1)) / (R(j - 1) - R(j - 2)), x, 1e-6);
  EXPECT_NEAR(R(n) - R(n - 1), (R(n - 1) - R(n - 2)) * x, 1e-5);
  for (int j = 2; j <= n; ++j) EXPECT_GT(R(j), R(j - 1));
}

class SpeciesGridSizeTest : public SimulationArraysTest {
 protected:
  void SetUp() override {
    SimulationArraysTest::SetUp();
    LoadTestScans(
        {{5.9, 7.2, 0.001, 1200.0, nullptr, 0.1f}, {5.9, 7.2, 0.001, 6000.0, nullptr, 0.1f}});
    for (int i = 1; i <= 2; ++i) {
      ScanDataSet.ScanHeaders[i].Rpm = 50000.0f;
      ScanDataSet.ScanHeaders[i].Temperature = 20.0f;
      ScanDataSet.ScanFirstFitIndex[i] = 101;  // 6.0 cm
    }
    ScanDataSet.FitRightLim = 7.1f;
    LammSolverSettings.LammGridSize = 500;
    ASSERT_EQ(AllocSimulationArrays(), 1);
  }
};

// The boundary of a species reaches the left fit limit r_L after about
// ln(r_L / m) / (s omega^2); its width is then sqrt(D t).
TEST_F(SpeciesGridSizeTest, BoundaryWidthAndLimits) {
  const double omega = 50000.0 * 2.0 * 3.14159265358979 / 60.0;
  struct Case {
    float s, D;
  };
  const Case cases[] = {{4.0f, 6e-7f}, {10.0f, 4e-7f}, {1.5f, 1.2e-6f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s);
    ChooseSpeciesGridSize(c.s, c.D);
    const double t = std::log(6.0 / 5.9) / (c.s * 1e-13 * omega * omega);
    EXPECT_NEAR(GlobalLammRun.BoundaryWidth, std::sqrt(c.D * t), 0.01 * std::sqrt(c.D * t));
    EXPECT_GE(LammSolverSettings.LammGridSize, LammSolverSettings.MinGridSize);
    EXPECT_LE(LammSolverSettings.LammGridSize, LammSolverSettings.MaxGridSize);
    EXPECT_EQ(N(), LammSolverSettings.LammGridSize);
    EXPECT_FALSE(TruncationOffForSpecies);
  }
}

TEST_F(SpeciesGridSizeTest, NarrowBoundaryIsTakenAsAThousandthOfACentimetre) {
  ChooseSpeciesGridSize(4.0f, 1e-12f);
  EXPECT_EQ(GlobalLammRun.BoundaryWidth, 0.001f);
  EXPECT_EQ(LammSolverSettings.LammGridSize, LammSolverSettings.MaxGridSize);
  LammSolverSettings.MaxGridSize = 300;
  LammSolverSettings.MinGridSize = 250;
  ChooseSpeciesGridSize(4.0f, 1e-12f);
  EXPECT_EQ(LammSolverSettings.LammGridSize, 300);
  ChooseSpeciesGridSize(1.0f, 1.1e-6f);  // a small protein: a wide boundary
  EXPECT_EQ(LammSolverSettings.LammGridSize, 250);
}

TEST_F(SpeciesGridSizeTest, ImplausibleFrictionalRatioKeepsTheDefaultGrid) {
  // s and D of no real particle: friction far below that of a sphere.
  ChooseSpeciesGridSize(50.0f, 1e-5f);
  EXPECT_LT(GlobalLammRun.FrictionalRatioEstimate, 0.5f);
  EXPECT_TRUE(TruncationOffForSpecies);
  EXPECT_FALSE(SpeciesSignals.BackDiffusionShutOffApplies);
  EXPECT_EQ(LammSolverSettings.LammGridSize, LammSolverSettings.DefaultLammGridSize);
  EXPECT_EQ(N(), 1000);
}

TEST_F(SimulationArraysTest, CosoluteGridIsUniformAndFollowsItsSize) {
  ASSERT_EQ(AllocCosoluteArrays(11, false), 1);
  EXPECT_EQ(CosoluteTableArray(0), nullptr);
  EXPECT_NEAR(CosoluteArray(0)[1], 5.9, 1e-6);
  EXPECT_NEAR(CosoluteArray(0)[6], 6.55, 1e-6);
  EXPECT_NEAR(CosoluteArray(0)[11], 7.2, 1e-6);
  ASSERT_EQ(AllocCosoluteArrays(21, true), 1);
  EXPECT_EQ(GlobalLammArrays.CosoluteBlock.size(), 22u * 22u);
  EXPECT_NE(CosoluteTableArray(13), nullptr);
  EXPECT_NEAR(CosoluteArray(0)[21], 7.2, 1e-6);
  EXPECT_EQ(AllocCosoluteArrays(1, false), 0);
}

}  // namespace
