// Kernel and normal-equation arrays: shapes, zeroing, reallocation with a
// different size, release, and refusal of sizes that cannot be addressed.

#include <gtest/gtest.h>

#include <climits>

#include "distributions/DistributionArrays.h"
#include "support/TestSupport.h"

namespace {

class DistributionArraysTest : public HeadlessTest {
 protected:
  void TearDown() override {
    FreeKernelArray();
    FreeNormalEqArrays();
    HeadlessTest::TearDown();
  }
};

TEST_F(DistributionArraysTest, KernelIsOneContiguousZeroedBlockInGridScanRadiusOrder) {
  ASSERT_TRUE(AllocKernelArray(3, 2, 4));
  float*** k = DistKernel.get();
  ASSERT_NE(k, nullptr);
  for (int g = 1; g <= 3; ++g)
    for (int s = 1; s <= 2; ++s)
      for (int r = 0; r <= 4; ++r) {
        EXPECT_EQ(k[g][s][r], 0.0f);
        // Grid g, scan s starts ((g − 1)·S + (s − 1))·(R + 1) floats in.
        EXPECT_EQ(&k[g][s][r], &k[1][1][0] + ((g - 1) * 2 + (s - 1)) * 5 + r);
      }
  k[3][2][4] = 1.5f;

  // A new size releases the old kernel and gives a fresh zeroed one.
  ASSERT_TRUE(AllocKernelArray(5, 1, 2));
  EXPECT_EQ(DistKernel.GridCount(), 5);
  EXPECT_EQ(DistKernel.ScanCount(), 1);
  EXPECT_EQ(DistKernel.RadiusCount(), 2);
  for (int g = 1; g <= 5; ++g)
    for (int r = 0; r <= 2; ++r) EXPECT_EQ(DistKernel.get()[g][1][r], 0.0f);

  FreeKernelArray();
  EXPECT_FALSE(DistKernel.Exists());
  EXPECT_EQ(DistKernel.get(), nullptr);
  FreeKernelArray();  // releasing nothing does nothing
}

// The storage of a released kernel serves the next one: it must come back
// zeroed and with its tables pointing into it, for an equal and a smaller
// size.
TEST_F(DistributionArraysTest, KernelAfterAReleasedOneStartsZeroed) {
  for (const int grid : {6, 4}) {
    SCOPED_TRACE(grid);
    ASSERT_TRUE(AllocKernelArray(6, 3, 7));
    for (int g = 1; g <= 6; ++g)
      for (int s = 1; s <= 3; ++s)
        for (int r = 0; r <= 7; ++r) DistKernel.get()[g][s][r] = 2.0f;
    FreeKernelArray();
    ASSERT_TRUE(AllocKernelArray(grid, 3, 7));
    float*** k = DistKernel.get();
    for (int g = 1; g <= grid; ++g)
      for (int s = 1; s <= 3; ++s)
        for (int r = 0; r <= 7; ++r) {
          EXPECT_EQ(k[g][s][r], 0.0f);
          EXPECT_EQ(&k[g][s][r], &k[1][1][0] + ((g - 1) * 3 + (s - 1)) * 8 + r);
        }
  }
}

TEST_F(DistributionArraysTest, KernelOfUnaddressableSizeIsRefusedQuietly) {
  ASSERT_TRUE(AllocKernelArray(2, 2, 2));
  EXPECT_FALSE(AllocKernelArray(INT_MAX, INT_MAX, INT_MAX));
  EXPECT_FALSE(DistKernel.Exists());
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(DistributionArraysTest, NormalEquationArraysHaveTheirShapesAndStartZeroed) {
  ASSERT_TRUE(AllocNormalEqArrays(4, 3, 6));
  NormalEquationArrays& neq = NormalEquations;
  EXPECT_EQ(neq.Size, 4);
  for (int i = 1; i <= 4; ++i) {
    for (int j = 0; j <= 4; ++j) {
      EXPECT_EQ(neq.NormalMatrix[i][j], 0.0);
      EXPECT_EQ(neq.RegularizedMatrix[i][j], 0.0);
      EXPECT_EQ(neq.NnlsReducedMatrix[i][j], 0.0);
    }
    for (int s = 0; s <= 3; ++s) EXPECT_EQ(neq.KernelScanMean[i][s], 0.0);
    for (int r = 0; r <= 6; ++r) EXPECT_EQ(neq.KernelRadialMean[i][r], 0.0);
    EXPECT_EQ(neq.NnlsPassiveSet[i], 0);
  }
  EXPECT_EQ(neq.DataScanMean.hi(), 3);
  EXPECT_EQ(neq.DataRadialMean.hi(), 6);
  EXPECT_EQ(neq.DistSolution.hi(), 4);
  EXPECT_EQ(neq.SavedTikhonovSolution.hi(), 4);

  neq.NormalMatrix[2][3] = 1.0;
  neq.DataSquareSum = 5.0;
  ASSERT_TRUE(AllocNormalEqArrays(2, 1, 1));
  EXPECT_EQ(neq.Size, 2);
  EXPECT_EQ(neq.NormalMatrix[2][2], 0.0);
  EXPECT_EQ(neq.DataSquareSum, 0.0);

  FreeNormalEqArrays();
  EXPECT_FALSE(neq.Exists());
  FreeNormalEqArrays();
}

// A fit releases and allocates arrays of one size again and again; the
// storage is handed on, so what a run left must not reach the next one.
TEST_F(DistributionArraysTest, NormalEquationArraysAfterAReleasedSetStartZeroed) {
  NormalEquationArrays& neq = NormalEquations;
  ASSERT_TRUE(AllocNormalEqArrays(4, 3, 6));
  for (int i = 1; i <= 4; ++i) {
    for (int j = 0; j <= 4; ++j)
      neq.NormalMatrix[i][j] = neq.RegularizedMatrix[i][j] = neq.NnlsReducedMatrix[i][j] = 1.0;
    for (int r = 0; r <= 6; ++r) neq.KernelRadialMean[i][r] = 2.0;
    neq.NnlsPassiveSet[i] = 1;
    neq.DistSolution[i] = neq.NormalVector[i] = 3.0;
  }
  neq.DataSquareSum = 5.0;
  neq.RegularizedCount = 4;
  FreeNormalEqArrays();
  EXPECT_FALSE(neq.Exists());
  EXPECT_EQ(neq.NormalMatrix.rows(), 0);
  for (const int n : {4, 3}) {
    SCOPED_TRACE(n);
    ASSERT_TRUE(AllocNormalEqArrays(n, 3, 6));
    for (int i = 1; i <= n; ++i) {
      for (int j = 0; j <= n; ++j) {
        EXPECT_EQ(neq.NormalMatrix[i][j], 0.0);
        EXPECT_EQ(neq.RegularizedMatrix[i][j], 0.0);
        EXPECT_EQ(neq.NnlsReducedMatrix[i][j], 0.0);
      }
      for (int r = 0; r <= 6; ++r) EXPECT_EQ(neq.KernelRadialMean[i][r], 0.0);
      EXPECT_EQ(neq.NnlsPassiveSet[i], 0);
      EXPECT_EQ(neq.DistSolution[i], 0.0);
      EXPECT_EQ(neq.NormalVector[i], 0.0);
    }
    EXPECT_EQ(neq.NormalMatrix.rows(), n);
    EXPECT_EQ(neq.DataSquareSum, 0.0);
    EXPECT_EQ(neq.RegularizedCount, 0);
    neq.NormalMatrix[1][1] = 7.0;
    neq.DataSquareSum = 5.0;
    FreeNormalEqArrays();
  }
}

TEST_F(DistributionArraysTest, NormalEquationsOfUnaddressableSizeAreRefusedWithMessage) {
  EXPECT_FALSE(AllocNormalEqArrays(INT_MAX, 1, 1));
  EXPECT_FALSE(NormalEquations.Exists());
  EXPECT_EQ(LogLinesWith("could not allocate arrays, increase memory or take fewer scans").size(),
            1u);
}

}  // namespace
