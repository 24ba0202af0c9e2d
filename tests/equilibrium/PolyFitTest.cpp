#include <gtest/gtest.h>

#include "equilibrium/PolyFit.h"
#include "support/TestSupport.h"

namespace {

class PolyFit : public HeadlessTest {};

TEST_F(PolyFit, ReproducesAParabolaAndRefusesSingularOrders) {
  // y = 2 + 3u + u^2 with u = x - x[1].
  const double x[] = {0, 5.0, 5.5, 6.0};
  double y[4];
  for (int i = 1; i <= 3; ++i) {
    const double u = x[i] - 5.0;
    y[i] = 2 + 3 * u + u * u;
  }
  const float grid[] = {0, 5.0f, 5.25f, 7.0f};
  float out[] = {0, -9, -9, -9};
  ASSERT_TRUE(polyfit(2, x, y, 3, grid, out, 3));
  EXPECT_NEAR(out[1], 2.0f, 1e-5f);
  EXPECT_NEAR(out[2], 2 + 0.75 + 0.0625, 1e-5);
  EXPECT_NEAR(out[3], 2 + 6 + 4, 1e-4);  // extrapolated
  EXPECT_TRUE(backend().Log().empty());

  // Order -1 writes zeros.
  float zeros[] = {0, 7, 7, 7};
  EXPECT_TRUE(polyfit(-1, x, y, 3, grid, zeros, 3));
  EXPECT_EQ(zeros[1], 0.0f);
  EXPECT_EQ(zeros[3], 0.0f);

  // Two coincident abscissae cannot carry a line: the box, output untouched.
  const double same[] = {0, 6.0, 6.0};
  const double ys[] = {0, 1.0, 2.0};
  float kept[] = {0, 4, 4, 4};
  EXPECT_FALSE(polyfit(1, same, ys, 2, grid, kept, 3));
  EXPECT_EQ(kept[2], 4.0f);
  EXPECT_EQ(LogLinesWith("error in polyfit").size(), 1u);
}

TEST_F(PolyFit, OrderZeroIsTheMeanAndStaysInsideItsArrays) {
  // Order 0 used to need sums it does not have; it is the mean.
  const double x[] = {0, 6.0, 6.1, 6.2, 6.3};
  const double y[] = {0, 1.0, 2.0, 3.0, 6.0};
  const float grid[] = {0, 5.0f, 6.15f};
  float out[] = {0, 0, 0};
  ASSERT_TRUE(polyfit(0, x, y, 4, grid, out, 2));
  EXPECT_FLOAT_EQ(out[1], 3.0f);
  EXPECT_FLOAT_EQ(out[2], 3.0f);
  // A single point is enough for a constant.
  ASSERT_TRUE(polyfit(0, x, y, 1, grid, out, 2));
  EXPECT_FLOAT_EQ(out[1], 1.0f);
}

}  // namespace
