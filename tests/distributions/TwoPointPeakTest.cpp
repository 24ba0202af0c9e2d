// The two-point placement of a sharp prior peak: the trapezoid over four
// grid points keeps the peak's area and puts its centroid at the peak's
// position; peaks too close to either end of the grid are not placed.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "distributions/TwoPointPeak.h"

namespace {

// The centroid and area of the piecewise linear profile w over s[1..n].
void Moments(const std::vector<double>& s, const std::vector<double>& w, double& area,
             double& centroid) {
  double moment = 0.0;
  area = 0.0;
  for (std::size_t i = 1; i + 1 < s.size(); ++i) {
    const double a = s[i], b = s[i + 1], ya = w[i], yb = w[i + 1];
    area += (b - a) * (ya + yb) / 2.0;
    moment += (b - a) / 6.0 * (ya * (2.0 * a + b) + yb * (a + 2.0 * b));
  }
  centroid = area != 0.0 ? moment / area : 0.0;
}

// 1..n with spacing 0.5 from 0.5, or log-like spacing when uneven.
std::vector<double> Grid(int n, bool uneven) {
  std::vector<double> s(static_cast<std::size_t>(n) + 1, 0.0);
  for (int j = 1; j <= n; ++j) s[static_cast<std::size_t>(j)] = uneven ? 0.5 * std::pow(1.2, j) : 0.5 * j;
  return s;
}

// On a growing grid only centroids between (s0 + s1 + s2) / 3 and
// (s1 + s2 + s3) / 3 can be reached; the uneven cases lie inside.
TEST(TwoPointPeak, CentroidSitsAtTheTargetAndEvenGridsKeepTheArea) {
  const struct {
    bool uneven;
    double target, area;
  } cases[] = {{false, 4.3, 0.6}, {false, 4.05, 1.0}, {false, 7.49, 0.25},
               {true, 3.4, 0.6},  {true, 9.7, 2.0}};
  for (const auto& c : cases) {
    std::vector<double> s = Grid(20, c.uneven), w(21, 0.0);
    ASSERT_TRUE(PlaceTwoPointPeak(s.data(), w.data(), 20, 1, c.target, c.area)) << c.target;
    int raised = 0;
    for (double v : w) raised += v != 0.0;
    EXPECT_LE(raised, 2) << c.target;
    double area = 0.0, centroid = 0.0;
    Moments(s, w, area, centroid);
    EXPECT_NEAR(centroid, c.target, 1e-4) << c.target;
    if (!c.uneven) {
      EXPECT_NEAR(area, c.area, 1e-9) << c.target;
    }
  }
}

TEST(TwoPointPeak, ATargetOnAGridPointTakesTwiceTheHeightThere) {
  std::vector<double> s = Grid(20, false), w(21, 0.0);
  ASSERT_TRUE(PlaceTwoPointPeak(s.data(), w.data(), 20, 1, 5.0, 1.0));
  // h = 2A / (2 + 2 intervals) = 1 for A = 1 on a 0.5 grid.
  EXPECT_DOUBLE_EQ(w[10], 2.0);
  EXPECT_DOUBLE_EQ(w[11], 0.0);
}

TEST(TwoPointPeak, PeaksAtTheGridEndsOrOutsideAreNotPlaced) {
  // Interval index b must lie in 2 .. n - 2: its neighbours on both sides
  // carry the trapezoid's feet.
  for (double target : {0.2, 0.7, 9.6, 9.9, 12.0}) {
    std::vector<double> s = Grid(20, false), w(21, 0.0);
    EXPECT_FALSE(PlaceTwoPointPeak(s.data(), w.data(), 20, 1, target, 1.0)) << target;
    for (double v : w) EXPECT_EQ(v, 0.0) << target;
  }
  // The search starts at the given index: a target below it is not found.
  std::vector<double> s = Grid(20, false), w(21, 0.0);
  EXPECT_FALSE(PlaceTwoPointPeak(s.data(), w.data(), 20, 12, 4.3, 1.0));
}

TEST(TwoPointPeak, OffsetOfTheCentroid) {
  const TwoPointPlacement p{1.0, 2.0, 3.0, 4.0, 1.0, 2.5};
  // Symmetric trapezoid: centroid at 2.5.
  EXPECT_NEAR(PeakCentroidOffset(p, 0.0), 0.0, 1e-12);
  // Weight moved to the left point pulls the centroid left.
  EXPECT_LT(PeakCentroidOffset(p, 0.5), 0.0);
  // No area: the target itself.
  const TwoPointPlacement flat{1.0, 2.0, 3.0, 4.0, 0.0, 2.5};
  EXPECT_EQ(PeakCentroidOffset(flat, 0.0), 2.5);
}

}  // namespace
