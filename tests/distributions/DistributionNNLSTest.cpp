// Non-negative least squares on the distribution's normal equations: the
// Karush-Kuhn-Tucker conditions on random and degenerate systems, exact
// reproduction of a positive unconstrained optimum, and the failure paths.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "state/ProgramFlags.h"
#include "distributions/DistributionNNLS.h"
#include "numerics/LinearSolvers.h"
#include "support/TestSupport.h"

namespace {

using Matrix = std::vector<std::vector<double>>;

class DistributionNNLSTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ResetFlags();
  }
  void TearDown() override {
    ResetFlags();
    HeadlessTest::TearDown();
  }
  static void ResetFlags() {
    RedrawSuppressed = false;
    SerialFitErrorCode = 0;
    NumericErrorState = 0;
  }
};

// Normal equations of a design matrix and data, placed in fresh arrays
// (RegularizedMatrix = NormalMatrix, as with alpha 0).
NormalEquationArrays FromDesign(const Matrix& design, const std::vector<double>& y) {
  const int n = static_cast<int>(design.front().size());
  NormalEquationArrays neq;
  neq.Allocate(n, 1, 1);
  for (std::size_t r = 0; r < design.size(); ++r) {
    for (int i = 1; i <= n; ++i) {
      const double di = design[r][static_cast<std::size_t>(i - 1)];
      neq.NormalVector[i] += di * y[r];
      for (int j = 1; j <= n; ++j)
        neq.RegularizedMatrix[i][j] += di * design[r][static_cast<std::size_t>(j - 1)];
    }
  }
  for (int i = 1; i <= n; ++i)
    for (int j = 1; j <= n; ++j) neq.NormalMatrix[i][j] = neq.RegularizedMatrix[i][j];
  return neq;
}

enum class Shape { Random, ZeroColumns, DuplicateColumns, Wide, ZeroData };

struct KktCase {
  const char* name;
  Shape shape;
  int n;
  int rows;
  unsigned seed;
};

// A design of the given shape and data from a solution with negative
// entries, so that the constraint binds.
void MakeSystem(const KktCase& c, Matrix& design, std::vector<double>& y) {
  std::mt19937 rng(c.seed);
  std::uniform_real_distribution<double> entry(-1.0, 1.0);
  design.assign(static_cast<std::size_t>(c.rows),
                std::vector<double>(static_cast<std::size_t>(c.n)));
  for (auto& row : design)
    for (double& v : row) v = entry(rng);
  if (c.shape == Shape::ZeroColumns)
    for (auto& row : design) row[0] = row[3] = 0.0;
  if (c.shape == Shape::DuplicateColumns)
    for (auto& row : design) row[2] = row[1], row[5] = row[1];
  std::vector<double> truth(static_cast<std::size_t>(c.n));
  for (double& v : truth) v = 2.0 * entry(rng);
  y.assign(static_cast<std::size_t>(c.rows), 0.0);
  if (c.shape == Shape::ZeroData) return;
  for (std::size_t r = 0; r < y.size(); ++r) {
    y[r] = 0.05 * entry(rng);
    for (std::size_t j = 0; j < truth.size(); ++j) y[r] += design[r][j] * truth[j];
  }
}

TEST_F(DistributionNNLSTest, SatisfiesOptimalityConditions) {
  const KktCase cases[] = {
      {"small random", Shape::Random, 5, 12, 1u},
      {"medium random", Shape::Random, 30, 70, 2u},
      {"larger random", Shape::Random, 60, 150, 3u},
      {"zero kernel columns", Shape::ZeroColumns, 12, 30, 4u},
      {"duplicate columns", Shape::DuplicateColumns, 10, 25, 5u},
      {"more amplitudes than data", Shape::Wide, 20, 8, 6u},
      {"all-zero data", Shape::ZeroData, 8, 20, 7u},
  };
  for (const KktCase& c : cases) {
    SCOPED_TRACE(c.name);
    Matrix design;
    std::vector<double> y;
    MakeSystem(c, design, y);
    NormalEquationArrays neq = FromDesign(design, y);
    ASSERT_EQ(NNLS(neq, c.n), NnlsResult::Solved);

    double scale = 1.0;
    for (int i = 1; i <= c.n; ++i) scale = std::max(scale, std::fabs(neq.NormalVector[i]));
    const double tol = 1e-9 * scale;
    for (int i = 1; i <= c.n; ++i) {
      const double x = neq.DistSolution[i];
      double w = neq.NormalVector[i];
      for (int j = 1; j <= c.n; ++j) w -= neq.NormalMatrix[i][j] * neq.DistSolution[j];
      EXPECT_GE(x, 0.0) << i;
      // Free amplitudes sit at a stationary point; held ones could only
      // raise the objective by moving up.
      if (x > 0.0) {
        EXPECT_NEAR(w, 0.0, tol) << i;
      } else {
        EXPECT_LE(w, tol) << i;
      }
    }
    if (c.shape == Shape::ZeroColumns) {
      EXPECT_EQ(neq.DistSolution[1], 0.0);
      EXPECT_EQ(neq.DistSolution[4], 0.0);
    }
    if (c.shape == Shape::ZeroData) {
      for (int i = 1; i <= c.n; ++i) EXPECT_EQ(neq.DistSolution[i], 0.0);
    }
    EXPECT_TRUE(backend().Log().empty());
  }
}

TEST_F(DistributionNNLSTest, ReproducesPositiveUnconstrainedOptimumExactly) {
  const int n = 25, rows = 60;
  std::mt19937 rng(11u);
  std::uniform_real_distribution<double> entry(0.0, 1.0);
  Matrix design(rows, std::vector<double>(n));
  for (auto& row : design)
    for (double& v : row) v = entry(rng);
  std::vector<double> truth(n), y(rows, 0.0);
  for (double& v : truth) v = 0.5 + entry(rng);
  for (int r = 0; r < rows; ++r)
    for (int j = 0; j < n; ++j) y[r] += design[r][j] * truth[j];
  NormalEquationArrays neq = FromDesign(design, y);

  ASSERT_EQ(NNLS(neq, n), NnlsResult::Solved);
  OneBasedArray<double> x(1, n), p(1, n);
  ASSERT_EQ(
      CholeskyOrLUSolveD(neq.NormalMatrix.get(), neq.NormalVector.data(), n, x.data(), p.data()),
      1);
  for (int i = 1; i <= n; ++i) {
    // Every amplitude free: the last free system is the whole system.
    EXPECT_EQ(neq.DistSolution[i], x[i]) << i;
    EXPECT_NEAR(neq.DistSolution[i], truth[static_cast<std::size_t>(i - 1)], 1e-9) << i;
  }
}

struct FailureCase {
  const char* name;
  bool indefinite;  // else the pass limit
  bool suppressed;
  NnlsResult result;
  const char* text;
  int code;
};

// The failure paths. An indefinite matrix (not a normal matrix, but what a
// numerically indefinite free subset looks like) fails at the third free
// amplitude; a pass limit of 1 stops a problem that needs more passes.
TEST_F(DistributionNNLSTest, FailureIsReportedAndNeverReturnedAsSolution) {
  const FailureCase cases[] = {
      {"indefinite, box", true, false, NnlsResult::NotPositiveDefinite,
       "matrix not positive definite in NNLS", 0},
      {"indefinite, serial fit", true, true, NnlsResult::NotPositiveDefinite, nullptr, 2},
      {"pass limit, box", false, false, NnlsResult::IterationLimit,
       "max #iteration exceeded in NNLS", 0},
      {"pass limit, serial fit", false, true, NnlsResult::IterationLimit, nullptr, 1},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    backend().ClearLog();
    ResetFlags();
    RedrawSuppressed = c.suppressed;
    NormalEquationArrays neq;
    neq.Allocate(3, 1, 1);
    const double a[3][3] = {{1, 0, -1}, {0, 1, -1}, {-1, -1, 1}};
    const double b[3] = {1, 1, 0};
    for (int i = 1; i <= 3; ++i) {
      neq.NormalVector[i] = b[i - 1];
      for (int j = 1; j <= 3; ++j)
        neq.RegularizedMatrix[i][j] = c.indefinite ? a[i - 1][j - 1] : (i == j ? 1.0 : 0.0);
      neq.DistSolution[i] = -7.0;
    }
    EXPECT_EQ(NNLS(neq, 3, c.indefinite ? 0 : 1), c.result);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(neq.DistSolution[i], 0.0);
    EXPECT_EQ(SerialFitErrorCode, c.code);
    if (c.text != nullptr) {
      ASSERT_EQ(LogLinesWith(c.text).size(), 1u);
    } else {
      EXPECT_TRUE(backend().Log().empty());
    }
  }
}

}  // namespace
