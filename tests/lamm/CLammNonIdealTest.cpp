// The non-ideal solver with a given total concentration: refused until it
// has one; a table whose levels all lie at the meniscus makes every node see
// the highest level, so s and D are constants of the hard-sphere factors
// there and the run is the ideal one of those constants; the level radii
// interpolate in time and radius; lists on worker threads equal the
// sequential ones bit for bit; the ctot diagnostics files are named by
// source and counter.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#include "state/LammThreadCount.h"
#include "lamm/CLammNonIdeal.h"
#include "lamm/LammLists.h"
#include "lamm/LammSetupFixture.h"
#include "lamm/VolumeFractionFactors.h"
#include "state/ComputationAbort.h"
#include "numerics/OneBasedArrays.h"
#include "support/TestSupport.h"

namespace {

constexpr double kS = 4.5, kD = 6e-7;

void Numerics(CLammIdeal& l) {
  l.SetNumerics(100, 2000, 5.0f, 0, 1e-4, 1, 0, 0, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 0, 1.0, 0.1, 0.3,
                0.05, 1000, 0, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
}

// A mean-field table of b levels up to `top` whose radii stay at `radius` at
// every time.
struct Table {
  int a = 2, b = 3;
  OneBasedMatrix<double> rows{1, 2, 1, 3};
  OneBasedArray<double> times{1, 2}, levels{1, 3};
  Table(double top, double radius) {
    times[1] = 1e4;
    times[2] = 2e4;
    for (int j = 1; j <= b; ++j) {
      levels[j] = top * j / b;
      for (int i = 1; i <= a; ++i) rows[i][j] = radius;
    }
  }
  bool Load(CLammNonIdeal& l, const char* prefix = "") {
    const OneBasedMatrix<double>& r = rows;
    return l.SetMeanField(a, b, r.get(), times.data(), levels.data(), levels[1], prefix);
  }
};

class CLammNonIdealTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ComputationAbort = false;
    StickyHardSpheres = false;
    data.MakeScans(4, 50000, 600, 600);
  }
  void TearDown() override {
    ComputationAbort = false;
    LammThreadCount = 2;
    HeadlessTest::TearDown();
  }
  void Bind(CLammIdeal& l, double s, double D) {
    data.Configure(l, s, D);
    Numerics(l);
  }
  LammSetupFixture data;
};

TEST_F(CLammNonIdealTest, RefusedUntilItHasATotalConcentration) {
  CLammNonIdeal l;
  Bind(l, kS, kD);
  l.SetNonidealModel(1.0f, 1.0f, 1.0, 1, 0);
  EXPECT_EQ(l.Solve(), 6);
  // A table that cannot be had leaves the run refused.
  Table empty(1.0, 5.8);
  empty.a = 0;
  EXPECT_FALSE(empty.Load(l));
  EXPECT_EQ(l.NonIdealityValid, 0);
  EXPECT_EQ(l.Solve(), 6);
  // An attached solution on another grid is not attached.
  OneBasedMatrix<float> rows(1, 1, 1, 50);
  OneBasedArray<double> times(1, 1);
  l.SetCtotFromSolution(1, 50, rows.get(), times.data());
  EXPECT_EQ(l.SolutionAttached, 0);
  EXPECT_EQ(l.Solve(), 6);
}

TEST_F(CLammNonIdealTest, UniformTotalGivesTheIdealRunOfTheFactoredCoefficients) {
  // Hard spheres, k = 1.2, at a total of 6 mg/ml everywhere (signal units
  // per mg/ml 1).
  const double top = 6.0, k = 1.2;
  CLammNonIdeal l;
  Bind(l, kS, kD);
  l.SetSolvent(20.0, 0.73, 0.99823, 1.0);
  l.SetNonidealModel(static_cast<float>(k), 1.0f, 1.0, 1, 0);
  Table table(top, data.Meniscus);
  ASSERT_TRUE(table.Load(l));
  ASSERT_EQ(l.Solve(), 0);
  const OneBasedMatrix<float> nonideal = data.Output;
  double s = 0, D = 0;
  NonidealSDAtConc(top, k, 1.0, kS, kD, 0.73, 0.99823, 20.0, 1.0, s, D);
  ASSERT_LT(s, 0.97 * kS);
  CLammIdeal ideal;
  Bind(ideal, s, D);
  ideal.SetSolvent(20.0, 0.73, 0.99823, 1.0);
  ASSERT_EQ(ideal.Solve(), 0);
  const OneBasedMatrix<float> reference = data.Output;
  data.Output = nonideal;
  // Up to 7.0 cm: the non-ideal solver lets material leave through the
  // bottom (its back-diffusion is always cut), the ideal one piles it up.
  EXPECT_LT(data.RmsAgainst(reference, 7.0f), 1e-3);
}

TEST_F(CLammNonIdealTest, LevelRadiiInterpolateInTimeAndRadius) {
  CLammNonIdeal l;
  Bind(l, kS, kD);
  l.SetNonidealModel(-8.0f, -8.0f, 1.0, 0, 0);
  // Levels 1, 2, 3 at 6.0, 6.2, 6.4 cm at both times.
  Table table(3.0, 0.0);
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 3; ++j) table.rows[i][j] = 5.8 + 0.2 * j;
  ASSERT_TRUE(table.Load(l));
  l.GridSize = 15;
  l.DefaultGridSize = 15;
  ASSERT_EQ(l.AllocWorkArrays(), 1);  // radii every 0.1 cm from 5.8
  l.WindowLeft = 1;
  // At time 0 every level lies at the meniscus: the highest level everywhere.
  l.TotalConcentrationAt(0.0);
  for (int i = 1; i <= 15; ++i) EXPECT_DOUBLE_EQ(l.TotalConcentration[i], 3.0) << i;
  // At the first table time: linear between the level radii, the highest
  // level beyond the outermost one, none (clamped at 0) well inside.
  l.TotalConcentrationAt(1e4);
  EXPECT_DOUBLE_EQ(l.TotalConcentration[1], 0.0);    // 5.8 cm
  EXPECT_NEAR(l.TotalConcentration[4], 1.5, 1e-12);  // 6.1 cm
  EXPECT_NEAR(l.TotalConcentration[6], 2.5, 1e-12);  // 6.3 cm
  EXPECT_DOUBLE_EQ(l.TotalConcentration[15], 3.0);   // 7.2 cm
  // Half way to the first time the radii are half way from the meniscus.
  l.TotalConcentrationAt(5e3);
  EXPECT_NEAR(l.MeanFieldWorkRadii[2], (5.8 + 6.2) / 2, 1e-12);
  // Nodes left of the window see nothing.
  l.WindowLeft = 5;
  l.TotalConcentrationAt(1e4);
  EXPECT_EQ(l.TotalConcentration[4], 0.0);
}

TEST_F(CLammNonIdealTest, ThreadedListsEqualSequentialListsBitwise) {
  constexpr int kCount = 3;
  CLammNonIdeal master;
  Bind(master, kS, kD);
  master.SetSolvent(20.0, 0.73, 0.99823, 1.0);
  master.SetNonidealModel(1.0f, 1.0f, 1.0, 1, 0);
  Table table(4.0, 6.2);
  ASSERT_TRUE(table.Load(master));
  OneBasedArray<double> s(1, kCount), D(1, kCount);
  for (int i = 1; i <= kCount; ++i) {
    s[i] = 2.0 + 2.0 * i;
    D[i] = 8e-7 / i;
  }
  const auto run = [&](bool threaded, std::vector<OneBasedMatrix<float>>& rows) {
    OneBasedArray<float**> outputs(1, kCount);
    rows.assign(kCount + 1, OneBasedMatrix<float>());
    for (int i = 1; i <= kCount; ++i) {
      rows[i].Resize(1, data.ScanCount(), 1, data.PointCount());
      outputs[i] = rows[i].get();
    }
    return threaded
               ? CLRunMTList(master, kCount, s.data(), D.data(), nullptr, outputs.data(),
                             data.Radii.data(), data.PointCount(), nullptr, nullptr)
               : RunLammListSequential(master, kCount, s.data(), D.data(), nullptr, outputs.data(),
                                       data.Radii.data(), data.PointCount(), nullptr, nullptr);
  };
  std::vector<OneBasedMatrix<float>> sequential, threaded;
  ASSERT_EQ(run(false, sequential), 0);
  LammThreadCount = 3;
  ASSERT_EQ(run(true, threaded), 0);
  for (int i = 1; i <= kCount; ++i)
    for (int j = 1; j <= data.ScanCount(); ++j)
      EXPECT_EQ(
          std::memcmp(sequential[i][j] + 1, threaded[i][j] + 1, data.PointCount() * sizeof(float)),
          0)
          << i << " " << j;
  // The equations differ: the rows are real solutions.
  EXPECT_NE(
      std::memcmp(sequential[1][4] + 1, sequential[3][4] + 1, data.PointCount() * sizeof(float)),
      0);
}

TEST_F(CLammNonIdealTest, CtotFilesCarrySourceAndCounter) {
  ScratchFolder folder;
  CLammNonIdeal l;
  Bind(l, kS, kD);
  l.SetNonidealModel(-8.0f, -8.0f, 1.0, 0, 0);
  Table table(1.0, 6.5);
  const std::string prefix = folder.path().string() + "/";
  ASSERT_TRUE(table.Load(l, prefix.c_str()));
  l.WriteCtotFiles = 1;
  l.CtotTraceEquation = 1;
  l.EquationIndex = 1;
  ASSERT_EQ(l.Solve(), 0);
  EXPECT_GT(l.CtotFileCounter, 1);
  EXPECT_TRUE(std::filesystem::exists(prefix + "it1ctot  1.ip0"));
  // Another equation of a list writes none.
  CLammNonIdeal other;
  Bind(other, kS, kD);
  other.SetNonidealModel(-8.0f, -8.0f, 1.0, 0, 0);
  ASSERT_TRUE(table.Load(other, prefix.c_str()));
  other.WriteCtotFiles = 1;
  other.EquationIndex = 2;
  ASSERT_EQ(other.Solve(), 0);
  EXPECT_EQ(other.CtotFileCounter, 0);
}

}  // namespace
