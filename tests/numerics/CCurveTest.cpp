#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "numerics/CCurve.h"
#include "numerics/OneBasedArrays.h"
#include "support/TestSupport.h"

namespace {

struct Point {
  float x, y;
  bool operator==(const Point&) const = default;
};

std::vector<Point> PointsOf(const CCurve& c) {
  std::vector<Point> points;
  for (unsigned i = 0; i < c.x()->count(); ++i) points.push_back({(*c.x())[i], (*c.y())[i]});
  return points;
}

// A curve owning copies of the points.
CCurve Curve(const std::vector<Point>& points) {
  std::vector<float> xs, ys;
  for (const Point& p : points) xs.push_back(p.x), ys.push_back(p.y);
  return CCurve(xs.data(), ys.data(), static_cast<int>(points.size()), 0, 0);
}

CCurve CurveOfY(const std::vector<float>& ys) {
  std::vector<Point> points;
  for (std::size_t i = 0; i < ys.size(); ++i) points.push_back({static_cast<float>(i + 1), ys[i]});
  return Curve(points);
}

}  // namespace

static_assert(!std::is_copy_constructible_v<CCurve> && !std::is_copy_assignable_v<CCurve>,
              "a copied view would delete vectors that belong to someone else");

TEST(CCurveOwnership, ViewsNeverDeleteTheirVectorsOwnersDo) {
  float* xs = vector(1, 3);
  float* ys = vector(1, 3);
  for (int i = 1; i <= 3; ++i) xs[i] = static_cast<float>(i), ys[i] = 10.0f * i;
  CVector x, y;
  x.AttachFrom(xs, 3, 1);
  y.AttachFrom(ys, 3, 1);
  {
    CCurve view(&x, &y);
    EXPECT_FALSE(view.owns());
    CCurve moved(std::move(view));
    EXPECT_EQ(moved.x(), &x);
    EXPECT_FALSE(moved.owns());
    CCurve another(moved.x(), moved.y());
    EXPECT_EQ(another.YAt(2.5f), 25.0f);
  }
  EXPECT_EQ(x.count(), 3u);  // the sanitizer build catches a deleted vector
  EXPECT_EQ(y.At(2), 30.0f);

  CCurve owner(xs, ys, 3, 1, 1);
  EXPECT_TRUE(owner.owns());
  EXPECT_EQ(PointsOf(owner), (std::vector<Point>{{1, 10}, {2, 20}, {3, 30}}));
  CCurve taken(std::move(owner));
  EXPECT_TRUE(taken.owns());
  EXPECT_EQ(owner.x(), nullptr);
  CCurve adopted(std::make_unique<CVector>(2), std::make_unique<CVector>(2));
  EXPECT_TRUE(adopted.owns());
  free_vector(xs, 1, 3);
  free_vector(ys, 1, 3);
}

class CCurveFiles : public HeadlessTest {
 protected:
  ScratchFolder folder;
};

TEST_F(CCurveFiles, ColumnsAreReadWhateverTheSeparator) {
  struct Case {
    std::string text;
    int xcol, ycol, result;
    std::vector<Point> points;
  };
  const Case cases[] = {
      {"1 10\n2;20\n3,30\n", 1, 2, 1, {{1, 10}, {2, 20}, {3, 30}}},
      {"1 10\n2;20\n3,30", 1, 2, 1, {{1, 10}, {2, 20}, {3, 30}}},
      {"1\t10\r\n2\t20\r\n", 1, 2, 1, {{1, 10}, {2, 20}}},
      {"0 1 2 3\n4;5,6 7 extra\n", 2, 4, 1, {{1, 3}, {5, 7}}},
      {"0,1;2\n3 4 5\n", 1, 3, 1, {{0, 2}, {3, 5}}},
      // Skipped columns may be empty; the wanted ones may not.
      {"1,,3\n4;;6\n", 1, 3, 1, {{1, 3}, {4, 6}}},
      {",7,8\n;9;10\n", 2, 3, 1, {{7, 8}, {9, 10}}},
      {"1,,3\n", 2, 3, 0, {{0, 0}}},
      // Every line counts: an empty last line or a line without the two
      // numbers fails, keeping the points read before it.
      {"1 10\n2;20\n3,30\n\n", 1, 2, 0, {{1, 10}, {2, 20}, {3, 30}, {0, 0}}},
      {"1 10\nx 20\n3 30\n", 1, 2, 0, {{1, 10}, {0, 0}, {0, 0}}},
      {"1 1e999\n", 1, 2, 0, {{0, 0}}},
      {"", 1, 2, 0, {{0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    CCurve curve;
    EXPECT_EQ(curve.ReadFile(folder.Write("c.txt", c.text), c.xcol, c.ycol), c.result);
    EXPECT_TRUE(curve.owns());
    EXPECT_EQ(PointsOf(curve), c.points);
  }
}

TEST_F(CCurveFiles, AveragedReadingMeansGroupsOfLines) {
  const std::string path = folder.Write("a.txt", "1 10\n2 20\n3 30\n4 40\n5 50\n");
  CCurve curve;
  EXPECT_EQ(curve.ReadFileAveraged(path, 1, 2, 2), 1);
  EXPECT_EQ(PointsOf(curve), (std::vector<Point>{{1.5f, 15}, {3.5f, 35}, {5, 50}}));
  EXPECT_EQ(curve.ReadFileAveraged(path, 1, 2, 5), 1);
  EXPECT_EQ(PointsOf(curve), (std::vector<Point>{{3, 30}}));
  EXPECT_EQ(curve.ReadFileAveraged(path, 1, 2, 1), 1);
  EXPECT_EQ(curve.x()->count(), 5u);
}

TEST_F(CCurveFiles, WrittenCurvesReadBack) {
  const CCurve curve = Curve({{0.001f, -3.25e7f}, {2.5f, 1.0f / 3}, {1e-20f, 42}});
  const std::string path = folder.File("curve.dat");
  ASSERT_EQ(curve.WriteFile(path), 1);
  EXPECT_EQ(ReadWholeFile(path).substr(0, 27), "1.000000e-03 -3.250000e+07\n");
  CCurve back;
  ASSERT_EQ(back.ReadFile(path, 1, 2), 1);
  const auto original = PointsOf(curve), read = PointsOf(back);
  ASSERT_EQ(read.size(), original.size());
  for (std::size_t i = 0; i < read.size(); ++i) {
    EXPECT_NEAR(read[i].x, original[i].x, 1e-6 * std::abs(original[i].x));
    EXPECT_NEAR(read[i].y, original[i].y, 1e-6 * std::abs(original[i].y));
  }

  const float x[] = {0, 1, 2}, y[] = {0, 0.5f, -4};
  WriteXYFile(path, 2, x, y);
  EXPECT_EQ(ReadWholeFile(path), "1.000000 0.500000\n2.000000 -4.000000\n");
  ASSERT_EQ(back.ReadFile(path, 1, 2), 1);
  EXPECT_EQ(PointsOf(back), (std::vector<Point>{{1, 0.5f}, {2, -4}}));
}

TEST_F(CCurveFiles, ReadingOverAViewLeavesTheViewedVectorsAlone) {
  CVector x(2), y(2);
  x[0] = 7, y[0] = 8;
  CCurve curve(&x, &y);
  ASSERT_EQ(curve.ReadFile(folder.Write("v.txt", "1 2\n"), 1, 2), 1);
  EXPECT_TRUE(curve.owns());
  EXPECT_NE(curve.x(), &x);
  EXPECT_EQ(x[0], 7.0f);
  EXPECT_EQ(y[0], 8.0f);
}

TEST_F(CCurveFiles, FileProblemsAreReportedAndLeaveTheCurve) {
  CVector x(1), y(1);
  CCurve curve(&x, &y);
  const std::string missing = folder.File("none/curve.dat");
  EXPECT_EQ(curve.ReadFile(missing, 1, 2), 0);
  EXPECT_EQ(curve.ReadFileAveraged(missing, 1, 2, 3), 0);
  EXPECT_EQ(curve.x(), &x);
  EXPECT_EQ(curve.WriteFile(missing), 0);
  const float a[] = {0, 1};
  WriteXYFile(missing, 1, a, a);
  EXPECT_EQ(LogLinesWith("\n\aAttention: could not open " + missing).size(), 4u);
}

TEST(CCurveQueries, WindowsStopAtTheFirstPointBeyondTheirEnd) {
  const CCurve c = Curve({{1, 5}, {2, 4}, {3, 6}, {4, 1}});
  EXPECT_EQ(c.MinYInWindow(2, 3), 4.0f);
  EXPECT_EQ(c.MaxYInWindow(2, 3), 6.0f);
  EXPECT_EQ(c.MinYInWindow(0, 10), 1.0f);
  EXPECT_EQ(c.MinYInWindow(0, 10, 1, 3), 4.0f);
  EXPECT_EQ(c.MaxYInWindow(0, 10, -4, 2), 5.0f);
  EXPECT_EQ(c.MinYInWindow(0, 10, 2, 99), 1.0f);
  EXPECT_EQ(c.MinYInWindow(5, 6), 0.0f);
  EXPECT_EQ(c.MaxYInWindow(1.5f, 1.8f), 0.0f);
  EXPECT_EQ(c.MeanYInWindow(2, 3), 5.0f);
  EXPECT_EQ(c.MeanYInWindow(5, 6), 0.0f);
  // The mean does not stop early on unsorted x.
  EXPECT_EQ(Curve({{1, 2}, {9, 100}, {1, 4}}).MeanYInWindow(0, 2), 3.0f);
  EXPECT_EQ(c.XAtMaxY(), 3.0f);
  EXPECT_EQ(Curve({{1, 2}, {2, 7}, {3, 7}}).XAtMaxY(), 2.0f);
}

TEST(CCurveQueries, NearestPointsTakeTheFirstOfEquallyClose) {
  const CCurve c = Curve({{1, 30}, {2, 10}, {3, 20}});
  EXPECT_EQ(c.NearestXIndex(2.5f), 1);
  EXPECT_EQ(c.NearestXIndex(-7), 0);
  EXPECT_EQ(c.NearestXIndex(70), 2);
  EXPECT_EQ(Curve({{4, 1}}).NearestXIndex(0), 0);
  float x = 0, y = 0;
  EXPECT_EQ(c.NearestPointByX(2.9f, &x, &y), 2);
  EXPECT_EQ((Point{x, y}), (Point{3, 20}));
  EXPECT_EQ(c.NearestPointByY(14, &x, nullptr), 1);
  EXPECT_EQ(x, 2.0f);
  EXPECT_EQ(c.NearestPointByY(25, nullptr, &y), 0);  // 30 and 20 equally close: 30 comes first
  EXPECT_EQ(y, 30.0f);
  // Unscaled squared distance: y dominates here.
  EXPECT_EQ(c.NearestPoint(1, 12, &x, &y), 1);
  EXPECT_EQ(c.NearestPoint(2.9f, 29, nullptr, nullptr), 0);
}

TEST(CCurveQueries, YAtInterpolatesInsideAndExtrapolatesFromTheEnds) {
  const CCurve c = Curve({{1, 1}, {2, 2}, {3, 4}});
  struct Case {
    float x, y;
  };
  for (Case k : {Case{3.5f, 5}, Case{2, 2}, Case{1.5f, 1.5f}, Case{2.5f, 3}, Case{0, 0},
                 Case{2.75f, 3.5f}, Case{1, 1}}) {
    SCOPED_TRACE(k.x);
    EXPECT_FLOAT_EQ(c.YAt(k.x), k.y);
  }
}

TEST(CCurveQueries, PeaksAreStrictMaximaHighestFirst) {
  struct Case {
    std::vector<float> y;
    int maxCount, n;
    std::vector<float> heights;
    std::vector<int> positions;
  };
  const Case cases[] = {
      {{0, 2, 1, 3, 3, 0}, 10, 1, {2}, {2}},
      {{0, 2, 0, 5, 0}, 1, 1, {5}, {4}},
      {{0, 3, 0, 5, 0, 3, 0}, 10, 1, {5, 3, 3}, {4, 2, 6}},
      {{0, 1, 2, 9, 2, 1, 0, 4, 0}, 10, 2, {9}, {4}},
      {{0, 4, 0}, 10, 2, {}, {}},
      {{1, 1, 1, 1}, 10, 1, {}, {}},
  };
  for (const Case& c : cases) {
    const CCurve curve = CurveOfY(c.y);
    float xs[12] = {}, ys[12] = {};
    int indices[12] = {};
    const int found = curve.FindPeaks(xs, ys, indices, c.maxCount, c.n);
    ASSERT_EQ(found, static_cast<int>(c.heights.size()));
    for (int k = 1; k <= found; ++k) {
      EXPECT_EQ(ys[k], c.heights[static_cast<std::size_t>(k - 1)]);
      EXPECT_EQ(indices[k], c.positions[static_cast<std::size_t>(k - 1)]);
      EXPECT_EQ(xs[k], static_cast<float>(indices[k]));  // x of point k is k here
    }
  }
  const CCurve curve = CurveOfY({0, 2, 0});
  float xs[3], ys[3];
  EXPECT_EQ(curve.FindPeaks(xs, ys, nullptr, 5, 1), 1);
  EXPECT_EQ(curve.FindPeaks(xs, nullptr, nullptr, 5, 1), 0);
  EXPECT_EQ(curve.FindPeaks(xs, ys, nullptr, 0, 1), 0);
  EXPECT_EQ(curve.FindPeaks(xs, ys, nullptr, 5, 0), 0);
}

TEST(CCurveReordering, SortByXMovesEachYWithItsXAndKeepsTies) {
  struct Case {
    std::vector<Point> in, out;
  };
  const Case cases[] = {
      {{{3, 30}, {1, 10}, {2, 20}}, {{1, 10}, {2, 20}, {3, 30}}},
      {{{2, 1}, {1, 2}, {2, 3}, {1, 4}}, {{1, 2}, {1, 4}, {2, 1}, {2, 3}}},
      {{{1, 1}, {2, 2}}, {{1, 1}, {2, 2}}},
      {{{5, 1}}, {{5, 1}}},
  };
  for (const Case& c : cases) {
    CCurve curve = Curve(c.in);
    curve.SortByX();
    EXPECT_EQ(PointsOf(curve), c.out);
  }
  std::vector<Point> reversed, sorted;
  for (int i = 0; i < 500; ++i) {
    reversed.push_back({static_cast<float>(500 - i), static_cast<float>(-i)});
    sorted.push_back({static_cast<float>(i + 1), static_cast<float>(i - 499)});
  }
  CCurve curve = Curve(reversed);
  curve.SortByX();
  EXPECT_EQ(PointsOf(curve), sorted);
}
