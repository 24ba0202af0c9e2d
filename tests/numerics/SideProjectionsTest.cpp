#include <gtest/gtest.h>

#include <map>
#include <random>

#include "numerics/OneBasedArrays.h"
#include "numerics/SideProjections.h"

namespace {

struct Cloud {
  explicit Cloud(int n) : x(1, n), y(1, n), v(1, n) {}
  OneBasedArray<float> x, y, v;
};

struct Projections {
  explicit Projections(int n) : xs(1, n), xmax(1, n), ys(1, n), ymax(1, n) {}
  int nx = -1, ny = -1;
  OneBasedArray<float> xs, xmax, ys, ymax;
};

Projections Project(Cloud& c) {
  const int n = c.x.size();
  Projections p(n);
  EXPECT_TRUE(ProjectMaxima(n, c.x.data(), c.y.data(), c.v.data(), p.nx, p.xs.data(), p.xmax.data(),
                            p.ny, p.ymax.data(), p.ys.data()));
  return p;
}

void ExpectProjection(const std::map<float, float>& want, int count, const OneBasedArray<float>& at,
                      const OneBasedArray<float>& largest) {
  ASSERT_EQ(count, static_cast<int>(want.size()));
  int i = 1;
  for (const auto& [coordinate, value] : want) {
    EXPECT_EQ(at[i], coordinate) << i;
    EXPECT_EQ(largest[i], value) << i;
    ++i;
  }
}

}  // namespace

TEST(ProjectMaxima, KeepsTheLargestValueOfEachDistinctCoordinate) {
  Cloud c(3);
  const float points[3][3] = {{1, 1, 2}, {1, 2, 5}, {2, 1, 3}};
  for (int i = 1; i <= 3; ++i)
    c.x[i] = points[i - 1][0], c.y[i] = points[i - 1][1], c.v[i] = points[i - 1][2];
  const Projections p = Project(c);
  ExpectProjection({{1.0f, 5.0f}, {2.0f, 3.0f}}, p.nx, p.xs, p.xmax);
  ExpectProjection({{1.0f, 3.0f}, {2.0f, 5.0f}}, p.ny, p.ys, p.ymax);
  // The input is left as it was.
  EXPECT_EQ(c.x[1], 1.0f);
  EXPECT_EQ(c.v[2], 5.0f);
}

// A shuffled grid with negative values and coordinates, checked against the
// maxima collected by brute force.
TEST(ProjectMaxima, AgreesWithBruteForceOnAShuffledGrid) {
  std::mt19937 random(17);
  std::uniform_int_distribution<int> coordinate(-6, 9);
  std::uniform_real_distribution<float> value(-5.0f, 1.0f);
  const int n = 400;
  Cloud c(n);
  std::map<float, float> byX, byY;
  for (int i = 1; i <= n; ++i) {
    c.x[i] = 0.5f * static_cast<float>(coordinate(random));
    c.y[i] = static_cast<float>(coordinate(random)) - 0.25f;
    c.v[i] = value(random);
    auto keep = [&](std::map<float, float>& m, float key) {
      auto [it, fresh] = m.emplace(key, c.v[i]);
      if (!fresh && c.v[i] > it->second) it->second = c.v[i];
    };
    keep(byX, c.x[i]);
    keep(byY, c.y[i]);
  }
  const Projections p = Project(c);
  ExpectProjection(byX, p.nx, p.xs, p.xmax);
  ExpectProjection(byY, p.ny, p.ys, p.ymax);
}

TEST(ProjectMaxima, NoPointsGiveEmptyProjections) {
  Cloud c(0);
  const Projections p = Project(c);
  EXPECT_EQ(p.nx, 0);
  EXPECT_EQ(p.ny, 0);
}
