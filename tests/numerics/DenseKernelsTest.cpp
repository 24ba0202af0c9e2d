// The Gram matrix of a block given by its rows, against sums written out:
// shapes with partial register tiles, a row count across the kernel's
// chunks, a scaled sum, each added to what the matrix held. Only the lower triangle
// inside the matrix may change.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "numerics/DenseKernels.h"

namespace {

// Each test runs on the wide-vector path (where the processor has it) and on
// the portable one, since a machine without wide vectors takes the latter.
class DenseKernelsTest : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override { earlier_ = AllowWideVectorKernels(GetParam()); }
  void TearDown() override { AllowWideVectorKernels(earlier_); }

 private:
  bool earlier_ = true;
};

INSTANTIATE_TEST_SUITE_P(Paths, DenseKernelsTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "WideWhereAvailable" : "Portable";
                         });

TEST_P(DenseKernelsTest, GramOfRowsAddsTheLowerTriangleOnly) {
  struct Shape {
    int n, k;
    double alpha;
  } shapes[] = {{1, 1, 1.0}, {7, 3, 1.0}, {17, 130, -0.5}, {79, 257, 1.0}, {102, 1201, 2.0}};
  std::mt19937 rng(5u);
  std::uniform_real_distribution<double> entry(-1.0, 1.0);
  for (const Shape& shape : shapes) {
    const int n = shape.n, k = shape.k, ld = GramRowStride(n), ldc = n + 2;
    SCOPED_TRACE(testing::Message() << "n = " << n << ", k = " << k << ", alpha " << shape.alpha);
    ASSERT_GE(ld, n);
    std::vector<double> rows(static_cast<std::size_t>(k) * ld, 0.0);
    for (int r = 0; r < k; ++r)
      for (int i = 0; i < n; ++i) rows[static_cast<std::size_t>(r) * ld + i] = entry(rng);
    // c starts with known values everywhere, the rows beyond n included.
    constexpr double kMark = 1234.5;
    std::vector<double> c(static_cast<std::size_t>(ldc) * n, kMark);
    if (shape.alpha == 1.0)
      AddGramOfRowsLower(n, k, rows.data(), ld, c.data(), ldc);
    else
      AddScaledGramOfRowsLower(n, k, shape.alpha, rows.data(), ld, c.data(), ldc);
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < ldc; ++i) {
        const double got = c[static_cast<std::size_t>(j) * ldc + i];
        if (i < j || i >= n) {
          EXPECT_EQ(got, kMark) << "outside the lower triangle at " << i << ", " << j;
          continue;
        }
        double sum = 0.0, size = 0.0;
        for (int r = 0; r < k; ++r) {
          const double product = rows[static_cast<std::size_t>(r) * ld + i] *
                                 rows[static_cast<std::size_t>(r) * ld + j];
          sum += product;
          size += std::fabs(product);
        }
        EXPECT_NEAR(got, kMark + shape.alpha * sum, 1e-13 * (kMark + size)) << i << ", " << j;
      }
  }
}

// Float columns into double rows: whole 8 × 8 blocks and the leftover
// columns and radii, each value in its place and nothing else written.
TEST_P(DenseKernelsTest, FloatColumnsBecomeRows) {
  for (const auto& [columns, count] : {std::pair{3, 5}, std::pair{8, 8}, std::pair{19, 37}}) {
    SCOPED_TRACE(testing::Message() << columns << " columns of " << count);
    std::vector<std::vector<float>> data(static_cast<std::size_t>(columns));
    std::vector<const float*> pointers;
    for (int q = 0; q < columns; ++q) {
      for (int k = 0; k < count; ++k) data[static_cast<std::size_t>(q)].push_back(100.0f * q + k + 0.25f);
      pointers.push_back(data[static_cast<std::size_t>(q)].data());
    }
    const int ld = columns + 3;
    std::vector<double> rows(static_cast<std::size_t>(ld) * count, -1.0);
    FloatColumnsToRows(columns, count, pointers.data(), rows.data(), ld);
    for (int k = 0; k < count; ++k)
      for (int q = 0; q < ld; ++q)
        EXPECT_EQ(rows[static_cast<std::size_t>(k) * ld + q], q < columns ? 100.0 * q + k + 0.25 : -1.0)
            << k << ", " << q;
  }
}

}  // namespace
