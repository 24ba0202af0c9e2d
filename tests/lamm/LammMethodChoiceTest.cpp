// Method choice, grid size, radial grids and copies of a configured solver.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "lamm/CLammIdeal.h"
#include "lamm/LammSetupFixture.h"
#include "support/TestSupport.h"

namespace {

class LammMethodChoiceTest : public HeadlessTest {
 protected:
  // A solver for the standard cell at the given speed, configured in the
  // callers' order, with its rotor state prepared as a run would.
  std::unique_ptr<CLammIdeal> Configured(double s, double D, float rpm) {
    data.MakeScans(6, rpm);
    auto l = std::make_unique<CLammIdeal>();
    data.Configure(*l, s, D);
    l->SetSolvent(20, 0.73, 1.0, 1.0);
    l->InitRotorSpeed();
    return l;
  }
  LammSetupFixture data;
};

TEST_F(LammMethodChoiceTest, FastSpeciesGoToTheMovingFrame) {
  struct Case {
    double s, D;
    float rpm;
    std::uint8_t optimize;
    bool movingFrame;
  };
  const Case cases[] = {
      // (60000/30000)^2 = 4: threshold 5/4 = 1.25 S, or 60/4 = 15 S optimised.
      {5.0, 6e-7, 60000, 0, true},
      {1.2, 6e-7, 60000, 0, false},
      {5.0, 6e-7, 60000, 1, false},
      {16.0, 6e-7, 60000, 1, true},
      // Standard cases at 50000 rpm: threshold 60/(25/9) = 21.6 S.
      {4.5, 6e-7, 50000, 1, false},
      {100.0, 2e-8, 50000, 1, true},
      // Floating species with little diffusion: a tenth of the threshold.
      {-0.2, 5e-9, 60000, 0, true},
      {-0.2, 5e-8, 60000, 0, false},
  };
  for (const Case& c : cases) {
    auto l = Configured(c.s, c.D, c.rpm);
    LammSetupFixture::SetDefaultNumerics(*l, 0, 1, 1, c.optimize, 1);
    l->ChooseMethod();
    SCOPED_TRACE(testing::Message() << "s " << c.s << " rpm " << c.rpm);
    EXPECT_EQ(l->MovingFrame, c.movingFrame ? 1 : 0);
    EXPECT_EQ(l->FixedGrid, c.movingFrame ? 0 : 1);
    if (c.movingFrame) {
      EXPECT_EQ(l->AutoSGrid, 1);
    }
  }
}

TEST_F(LammMethodChoiceTest, SettingsAndModelsCanForceTheMethod) {
  // The user's choice stands without the automatic algorithm.
  auto slowInMovingFrame = Configured(0.5, 6e-7, 50000);
  LammSetupFixture::SetDefaultNumerics(*slowInMovingFrame, 1, 0, 0);
  slowInMovingFrame->ChooseMethod();
  EXPECT_EQ(slowInMovingFrame->MovingFrame, 1);
  auto fastOnFixedGrid = Configured(100, 2e-8, 50000);
  LammSetupFixture::SetDefaultNumerics(*fastOnFixedGrid, 0, 1, 0);
  fastOnFixedGrid->ChooseMethod();
  EXPECT_EQ(fastOnFixedGrid->FixedGrid, 1);
  EXPECT_EQ(fastOnFixedGrid->MovingFrame, 0);

  // A speed schedule, photobleaching and concentration dependence keep the
  // fixed grid.
  auto scheduled = Configured(100, 2e-8, 50000);
  const float starts[] = {0, 0}, rpms[] = {0, 50000}, accelerations[] = {0, 300};
  scheduled->LoadSpeedSchedule(1, starts, rpms, accelerations, 0);
  scheduled->ChooseMethod();
  EXPECT_EQ(scheduled->FixedGrid, 1);
  auto bleached = Configured(100, 2e-8, 50000);
  bleached->PhotophysicsOn = 1;
  bleached->MovingFrame = 1;
  bleached->FixedTimeStep = 1;
  bleached->ChooseMethod();
  EXPECT_EQ(bleached->FixedGrid + bleached->FixedTimeStep * 2 + bleached->MovingFrame * 4, 1);
  auto associating = Configured(100, 2e-8, 50000);
  associating->NonIdealityOn = 1;
  associating->ChooseMethod();
  EXPECT_EQ(associating->FixedGrid, 1);
  EXPECT_EQ(associating->OptimizeGridSpacing + associating->AutoGridSize, 0);
}

TEST_F(LammMethodChoiceTest, GridSizeFollowsTheDiffusionSpreadAtTheFitLimit) {
  struct Case {
    double s, D;
    float fixedSize, movingSize;
    int gridSize;
  };
  // The spread sqrt(D t) at the time the boundary reaches the inner fit
  // limit, resolved with 5 points per sigma; the moving frame's narrowest
  // interval is matched to the same spacing.
  const Case cases[] = {
      {4.5, 6e-7, 243, 220, 243}, {100.0, 2e-8, 6295, 5641, 2000}, {20.0, 3e-7, 726, 653, 0}};
  for (const Case& c : cases) {
    auto l = Configured(c.s, c.D, 50000);
    l->ChooseMethod();
    l->ChooseGridSize();
    SCOPED_TRACE(testing::Message() << "s " << c.s);
    EXPECT_EQ(l->GridSizeFixed, c.fixedSize);
    EXPECT_EQ(l->GridSizeMovingFrame, c.movingSize);
    EXPECT_FLOAT_EQ(l->GridRefRadius, 5.9f);
    if (c.gridSize) {
      EXPECT_EQ(l->GridSize, c.gridSize);
    }
    ASSERT_EQ(l->WorkArraysAllocated, 1);
    EXPECT_EQ(l->Radius[1], data.Meniscus);
    EXPECT_EQ(l->Radius[l->GridSize], data.Bottom);
  }
}

TEST_F(LammMethodChoiceTest, MovingFrameGridHasTheWantedSpacingNearTheMeniscus) {
  auto l = Configured(100, 2e-8, 50000);
  l->SetNumerics(10, 20000, 5.0f, 0, 1e-4, 1, 1, 1, 1.0f, 1, 0, 0, 1e-6, 1.0, 1, 0, 0, 1.0, 0.1,
                 0.3, 1.0, 1000, 0, 1, 0, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
  l->ChooseGridSize();
  ASSERT_EQ(l->GridSize, 5641);
  const double wanted = 0.0011119636060914018 / 5;
  const auto secondInterval = [&](int n) {
    const double q = data.Bottom / data.Meniscus;
    return data.Meniscus * (std::pow(q, 1.5 / (n - 1)) - std::pow(q, 0.5 / (n - 1)));
  };
  EXPECT_LE(secondInterval(l->GridSize), wanted);
  EXPECT_GT(secondInterval(l->GridSize - 1), wanted);
  EXPECT_NEAR(l->Radius[3] - l->Radius[2], secondInterval(l->GridSize), 1e-12);
}

TEST_F(LammMethodChoiceTest, GridSizeRulesOfTheSpecialCases) {
  // A frictional ratio below 0.5 takes the default size.
  auto compact = Configured(4.5, 6e-7, 50000);
  compact->FrictionalRatio = 0.4f;
  compact->ChooseGridSize();
  EXPECT_EQ(compact->GridSize, 1000);
  EXPECT_EQ(compact->GridSizeChosen, 1);
  // A speed schedule takes the default size and never truncates on the right.
  auto scheduled = Configured(4.5, 6e-7, 50000);
  const float starts[] = {0, 0}, rpms[] = {0, 50000}, accelerations[] = {0, 300};
  scheduled->LoadSpeedSchedule(1, starts, rpms, accelerations, 0);
  scheduled->ChooseGridSize();
  EXPECT_EQ(scheduled->GridSize, 1000);
  EXPECT_EQ(scheduled->NoRightTruncation, 1);
  // A very small spread is raised to 0.001 cm: 1.4 cm at 5 points per 0.001 cm.
  auto slowDiffusion = Configured(4.5, 1e-12, 50000);
  slowDiffusion->ChooseGridSize();
  EXPECT_EQ(slowDiffusion->GridSizeFixed, 7000.0f);
  EXPECT_LE(slowDiffusion->GridSize, 2000);
  // Band loading falls back to the default size.
  auto band = Configured(4.5, 6e-7, 50000);
  band->SetBandLoading(1, 0.05f, 0);
  band->ChooseGridSize();
  EXPECT_EQ(band->GridSize, 1000);
  // A fast diffuser needs few points, but never fewer than the lower limit.
  auto fastDiffusion = Configured(4.5, 1e-4, 50000);
  fastDiffusion->FrictionalRatio = 1.0f;
  fastDiffusion->ChooseGridSize();
  EXPECT_EQ(fastDiffusion->GridSize, 100);
}

// The relative equilibrium concentration at the fit limit by numerical
// quadrature of c ~ exp(a x^2) over the sector.
double EquilibriumRatioAtLimit(double a, double meniscus, double bottom, double limit) {
  const int n = 20000;
  const double h = (bottom - meniscus) / n;
  const double peak = a > 0 ? bottom : meniscus;  // scale against overflow
  double mass = 0, area = 0;
  for (int i = 0; i <= n; ++i) {
    const double r = meniscus + i * h;
    const double weight = (i == 0 || i == n) ? 1 : (i % 2 ? 4 : 2);
    mass += weight * std::exp(a * (r * r - peak * peak)) * r;
    area += weight * r;
  }
  return std::exp(a * (limit * limit - peak * peak)) / (mass / area);
}

TEST_F(LammMethodChoiceTest, BackDiffusionIsNegligibleWhereEquilibriumWouldEmptyTheLimit) {
  int negligible = 0, notNegligible = 0;
  for (const double s : {4.5, 10.0, 20.0, -3.0, -10.0}) {
    for (const double D : {6e-7, 2e-7, 6e-8}) {
      auto l = Configured(s, D, 50000);
      const double omega = 50000 * 2 * std::numbers::pi / 60;
      // s w^2 / (2 D), with the gas constants the test uses.
      const double a = s * 1e-13 * omega * omega / (2 * D) * (8.31451e7 / 8.314472e7);
      const double limit = s > 0 ? l->RightFitLimit : l->LeftFitLimit;
      const double ratio = EquilibriumRatioAtLimit(a, data.Meniscus, data.Bottom, limit);
      if (std::fabs(std::log10(ratio / 1e-4)) < 0.01) continue;  // too close to call
      const bool expected = ratio < 1e-4;
      EXPECT_EQ(l->BackDiffusionNegligible(s, D), expected) << "s " << s << " D " << D;
      (expected ? negligible : notNegligible) += 1;
    }
  }
  EXPECT_GT(negligible, 0);
  EXPECT_GT(notNegligible, 0);

  auto l = Configured(4.5, 6e-7, 50000);
  l->ForceBackDiffusionCut = 1;
  EXPECT_TRUE(l->BackDiffusionNegligible(4.5, 6e-7));
  l->ForceBackDiffusionCut = 0;
  l->BackDiffusionShutOff = 0;
  EXPECT_FALSE(l->BackDiffusionNegligible(100, 1e-8));
  l->BackDiffusionShutOff = 1;
  EXPECT_FALSE(l->BackDiffusionNegligible(0, 1e-8));
  EXPECT_TRUE(l->BackDiffusionNegligible(100, 1e-8));
}

TEST_F(LammMethodChoiceTest, BackDiffusionUnderAScheduleWaitsUntilNoSlowerStepIsAhead) {
  auto l = Configured(100, 1e-8, 50000);
  // 60000 rpm, then down to 20000 rpm at 3600 s.
  const float starts[] = {0, 0, 3600}, rpms[] = {0, 60000, 20000}, accelerations[] = {0, 300, 300};
  l->LoadSpeedSchedule(2, starts, rpms, accelerations, 0);
  EXPECT_FALSE(l->BackDiffusionNegligibleAt(1000, 60000, 100, 1e-8));
  EXPECT_TRUE(l->BackDiffusionNegligibleAt(4000, 20000, 100, 1e-8));
  EXPECT_FALSE(l->BackDiffusionNegligibleAt(4000, 20000, -100, 1e-8));
}

TEST_F(LammMethodChoiceTest, DiffusionTheGridCannotResolveIsLeftOutUnderASchedule) {
  const float starts[] = {0, 0}, rpms[] = {0, 50000}, accelerations[] = {0, 300};
  struct Case {
    double s, D, firstScan;
    bool noDiffusion;
  };
  const Case cases[] = {
      {100, 2e-8, 300, true},   // sqrt(D t) far below 10 grid spacings
      {100, 6e-6, 300, false},  // a resolvable spread
      {100, 6e-6, 3000, true},  // every boundary already beyond the fit limit
      {-100, 2e-8, 300, true},  // floating: 3 spacings
  };
  for (const Case& c : cases) {
    data.MakeScans(3, 50000, c.firstScan, 150);
    CLammIdeal l;
    data.Configure(l, c.s, c.D);
    l.GridSize = 1000;
    EXPECT_FALSE(l.TestNoDiffusion()) << "without a schedule D always stays";
    l.LoadSpeedSchedule(1, starts, rpms, accelerations, 0);
    EXPECT_EQ(l.TestNoDiffusion(), c.noDiffusion) << "s " << c.s << " D " << c.D;
    EXPECT_EQ(l.DiffusionCoeff == 0, c.noDiffusion);
  }
}

TEST_F(LammMethodChoiceTest, OptimizedGridWidensBeyondTheFitLimit) {
  auto l = Configured(20, 3e-7, 50000);  // back-diffusion negligible, fixed grid
  l->ChooseMethod();
  ASSERT_EQ(l->FixedGrid, 1);
  l->ChooseGridSize();
  ASSERT_EQ(l->BackDiffusionCut, 1);
  EXPECT_EQ(l->NonUniformGrid, 1);
  EXPECT_EQ(l->OptimizedGrid, 0);  // set only while the grid is built
  const double dr0 = (data.Bottom - data.Meniscus) / (726 - 1);
  EXPECT_DOUBLE_EQ(l->OptimizedGridStep, dr0);
  const double* r = l->Radius;
  const int N = l->GridSize;
  EXPECT_LT(N, 726);
  EXPECT_EQ(r[1], data.Meniscus);
  EXPECT_EQ(r[N], data.Bottom);
  int k = 2;
  for (; r[k - 1] <= 5.9; ++k) EXPECT_NEAR(r[k] - r[k - 1], dr0, 1e-12);
  for (; k < N; ++k) EXPECT_GT(r[k] - r[k - 1], r[k - 1] - r[k - 2] - 1e-15) << k;
  EXPECT_GT(r[N], r[N - 1]);
  EXPECT_GT(r[N - 1] - r[N - 2], 2 * dr0);

  // Small grids are only reallocated.
  l->GridSize = 40;
  EXPECT_EQ(l->ChooseOptimizedGrid(5.9f), 40);
  EXPECT_EQ(l->NonUniformGrid, 0);
  EXPECT_NEAR(l->Radius[2] - l->Radius[1], 1.4 / 39, 1e-12);
}

TEST_F(LammMethodChoiceTest, RadialGridsOfTheThreeLayouts) {
  CLammIdeal l;
  l.SetParameters(4.5, 6e-7, 6.0, 7.2, 1, 6.1f, 7.1f);
  l.GridSize = 50;
  l.MovingFrame = 1;
  l.FixedGrid = 0;
  ASSERT_EQ(l.AllocWorkArrays(), 1);
  // Geometric: every interior node the same ratio from its neighbour.
  const double c = std::pow(1.2, 1.0 / 49);
  EXPECT_NEAR(l.Radius[2], 6.0 * std::pow(1.2, 0.5 / 49), 1e-12);
  for (int i = 3; i <= 49; ++i) EXPECT_NEAR(l.Radius[i] / l.Radius[i - 1], c, 1e-12);
  EXPECT_EQ(l.Radius[50], 7.2);
  l.AutoSGridValue = -1;
  l.BuildRadialGrid();
  EXPECT_NEAR(l.Radius[2], 6.0 * std::pow(1.2, 1.5 / 49), 1e-12);

  l.MovingFrame = 0;
  ASSERT_EQ(l.AllocWorkArrays(), 1);  // neither variant: cell-centred points
  EXPECT_NEAR(l.Radius[1], 6.0 + 0.5 * 1.2 / 50, 1e-12);
  EXPECT_NEAR(l.Radius[50], 7.2 - 0.5 * 1.2 / 50, 1e-12);
}

class StretchedGridTest : public LammMethodChoiceTest {
 protected:
  // A widening grid on which the stretch may act.
  void SetUp() override {
    LammMethodChoiceTest::SetUp();
    l.SetParameters(20, 3e-7, 5.8, 7.2, 1, 5.9f, 7.15f);
    l.GridSize = 300;
    const int n = l.ChooseOptimizedGrid(5.9f);
    ASSERT_GT(n, 49);
    ASSERT_LT(n, 300);
    ASSERT_EQ(l.NonUniformGrid, 1);
    unstretched.assign(l.Radius + 1, l.Radius + l.GridSize + 1);
  }
  CLammIdeal l;
  std::vector<double> unstretched;
};

TEST_F(StretchedGridTest, StretchReachesTheBottomWithGeometricIntervals) {
  ASSERT_TRUE(l.StretchGridToBottom(5.0));
  const int N = l.GridSize;
  EXPECT_NEAR(l.StretchStart, 5.8 + 0.14, 1e-12);
  EXPECT_GT(l.StretchRadius, l.StretchStart);
  EXPECT_NEAR(l.GridEndResidual(l.StretchRatio), 0.0, 1e-5);
  for (int k = 2; k <= N; ++k) ASSERT_GT(l.Radius[k], l.Radius[k - 1]) << k;
  for (int k = l.StretchIndex + 2; k < N; ++k)
    EXPECT_NEAR((l.Radius[k] - l.Radius[k - 1]) / (l.Radius[k - 1] - l.Radius[k - 2]),
                l.StretchRatio, 1e-9);
  EXPECT_EQ(l.Radius[N], 7.2);
  EXPECT_TRUE(LogLinesWith("box [").empty());
}

TEST_F(StretchedGridTest, WithoutARatioTheUnstretchedGridStays) {
  // The e^10 point lies so close to the bottom that the first stretched node
  // overruns it: no ratio fills the rest of the cell.
  EXPECT_FALSE(l.StretchGridToBottom(1e6));
  EXPECT_FALSE(LogLinesWith("too many iterations finding root").empty());
  for (int k = 1; k <= l.GridSize; ++k) ASSERT_EQ(l.Radius[k], unstretched[k - 1]) << k;
}

TEST_F(StretchedGridTest, StretchNeedsAWideningGridAndAClosedBottom) {
  l.BackDiffusionCut = 1;
  EXPECT_FALSE(l.StretchGridToBottom(5.0));
  l.BackDiffusionCut = 0;
  l.NonUniformGrid = 0;
  EXPECT_FALSE(l.StretchGridToBottom(5.0));
  for (int k = 1; k <= l.GridSize; ++k) ASSERT_EQ(l.Radius[k], unstretched[k - 1]);
}

TEST_F(LammMethodChoiceTest, CopiesAreIndependentOfTheirMaster) {
  data.MakeScans(4, 50000);
  auto master = std::make_unique<CLammIdeal>();
  data.Configure(*master, 4.5, 6e-7);
  master->SetSolvent(20, 0.73, 1.0, 1.0);
  master->SetAddToOutput(1);
  const float radii[] = {0, 5.7f, 6.0f, 6.4f, 6.8f, 7.3f}, values[] = {0, 1, 1, 2, 3, 4};
  ASSERT_TRUE(master->SetInitialProfile(5, radii, values));
  const float starts[] = {0, 0, 1800}, rpms[] = {0, 40000, 50000}, acc[] = {0, 200, 200};
  master->LoadSpeedSchedule(2, starts, rpms, acc, 0);
  master->Fluorophore.emplace();
  master->WienerConflict = 1;
  master->ChooseMethod();
  master->ChooseGridSize();
  ASSERT_EQ(master->WorkArraysAllocated, 1);

  CLammIdeal copy;
  copy.CopySetup(*master);
  // Shared bindings, settings by value.
  EXPECT_EQ(copy.Output, master->Output);
  EXPECT_EQ(copy.ScanHeaders, master->ScanHeaders);
  EXPECT_EQ(copy.OutputRadius, master->OutputRadius);
  EXPECT_EQ(copy.SedimentationCoeff, 4.5);
  EXPECT_EQ(copy.FrictionalRatio, master->FrictionalRatio);
  EXPECT_EQ(copy.ScheduleRampEnd[2], master->ScheduleRampEnd[2]);
  EXPECT_TRUE(copy.Fluorophore.has_value());
  // Nothing of the run: no work arrays, no validated output, no conflict.
  EXPECT_EQ(copy.WorkArraysAllocated, 0);
  EXPECT_EQ(copy.GridSize, 0);
  EXPECT_EQ(copy.Concentration, nullptr);
  EXPECT_EQ(copy.OutputValid, 0);
  EXPECT_EQ(copy.WienerConflict, 0);
  // Owned arrays are the copy's own.
  ASSERT_NE(copy.AddBuffer, nullptr);
  EXPECT_NE(copy.AddBuffer, master->AddBuffer);
  EXPECT_EQ(copy.AddBufferRows, 4);
  EXPECT_NE(copy.ScanList, master->ScanList);
  EXPECT_NE(copy.InitialProfileValue.data(), master->InitialProfileValue.data());
  EXPECT_NE(copy.ScheduleRpm.data(), master->ScheduleRpm.data());

  // The master goes first, as a list runner may release it; the copy still
  // runs its set-up on everything it holds.
  master.reset();
  copy.SetEquation(10.0, 4e-7, data.Output.get(), data.Radii.data(), data.PointCount(), nullptr,
                   nullptr);
  EXPECT_EQ(copy.OutputValid, 1);
  copy.AddBuffer[4][data.PointCount()] = 1.0f;
  copy.ChooseMethod();
  copy.ChooseGridSize();
  EXPECT_EQ(copy.WorkArraysAllocated, 1);
  EXPECT_EQ(copy.ScanList[4], 4);
  EXPECT_DOUBLE_EQ(copy.InitialProfileValue[5], 4.0);
  EXPECT_EQ(copy.ScheduleRpm[2], 50000.0);
}

TEST_F(LammMethodChoiceTest, NewRowsOfACopyLeaveTheMastersRowsAlone) {
  data.MakeScans(3, 50000);
  CLammIdeal master;
  data.Configure(master, 4.5, 6e-7);
  OneBasedMatrix<float> otherRows(1, 3, 1, data.PointCount());
  CLammIdeal copy;
  copy.CopySetup(master);
  copy.SetEquation(2.0, 5e-7, otherRows.get(), data.Radii.data(), data.PointCount(), nullptr,
                   nullptr);
  EXPECT_EQ(master.Output, data.Output.get());
  EXPECT_EQ(master.SedimentationCoeff, 4.5);
  EXPECT_EQ(copy.Output, otherRows.get());
}

}  // namespace
