#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "state/ProgramFlags.h"
#include "numerics/RootFinders.h"
#include "support/TestSupport.h"

namespace {

const char* const kLimitText = "Maximum number of iterations exceeded in zbrent";
const char* const kRegularizationText =
    "problem in regularization, cannot reach chi-square increase; try using fewer scans";
const char* const kWormChainText = "problem in finding M(s) for low Mw in worm-like chain model";

// A headless backend and clean program-wide flags for every test.
class RootFinderTest : public HeadlessTest {
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
    WormChainInversionActive = false;
  }
};

struct RootCase {
  const char* name;
  double (*f)(double);
  double x1, x2, tol, root;
};

const RootCase kRootCases[] = {
    {"cos x - x", [](double x) { return std::cos(x) - x; }, 0.0, 1.0, 1e-10, 0.7390851332151607},
    {"Wallis cubic", [](double x) { return x * x * x - 2 * x - 5; }, 2.0, 3.0, 1e-10,
     2.0945514815423265},
    {"reversed bracket", [](double x) { return x * x - 2; }, 2.0, 0.0, 1e-12, std::sqrt(2.0)},
    {"one of three roots", [](double x) { return (x - 1) * (x - 2) * (x - 3); }, 2.5, 7.0, 1e-9,
     3.0},
    {"coarse tolerance", [](double x) { return x * x * x - 1e6 * x - 3e8; }, 500.0, 5000.0, 1.0,
     1125.4187827566261},
    {"flat near the root", [](double x) { return std::pow(x - 0.3, 5); }, -1.0, 1.0, 1e-6, 0.3},
    {"root at an end", [](double x) { return x - 1; }, 1.0, 3.0, 1e-6, 1.0},
};

TEST_F(RootFinderTest, ZbrentFindsKnownRootsWithinTheTolerance) {
  for (const RootCase& c : kRootCases) {
    SCOPED_TRACE(c.name);
    const double root = zbrent(c.f, c.x1, c.x2, c.tol);
    EXPECT_NEAR(root, c.root, c.tol + 1e-7 * std::abs(c.root));
  }
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(RootFinderTest, ZbrentfFindsKnownRootsWithinTheTolerance) {
  for (const RootCase& c : kRootCases) {
    SCOPED_TRACE(c.name);
    const auto f = [&c](float x) { return static_cast<float>(c.f(x)); };
    const float tol = std::max(static_cast<float>(c.tol), 1e-6f);
    const float root = zbrentf(f, static_cast<float>(c.x1), static_cast<float>(c.x2), tol);
    EXPECT_NEAR(root, c.root, tol + 1e-6 * std::abs(c.root));
  }
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(RootFinderTest, ZbrentReportsAnUnbracketedStartAndGoesOn) {
  int evaluations = 0;
  const auto f = [&](double x) {
    ++evaluations;
    return (x - 2) * (x - 2) - 1;  // roots at 1 and 3, none changes sign over [-1, 5]
  };
  zbrent(f, -1.0, 5.0, 1e-8);
  EXPECT_EQ(LogLinesWith("too many iterations finding root").size(), 1u);
  EXPECT_GT(evaluations, 2);
  EXPECT_EQ(SerialFitErrorCode, 0);
}

TEST_F(RootFinderTest, SuppressedRedrawTurnsReportsIntoCodes) {
  struct CodeCase {
    const char* name;
    void (*search)();
    int code;
  };
  const CodeCase cases[] = {
      {"zbrent without bracket",
       [] { zbrent([](double x) { return x * x + 1; }, -1.0, 2.0, 1e-8); }, 5},
      {"zbrentf without bracket",
       [] { zbrentf([](float x) { return x * x + 1; }, -1.0f, 2.0f, 1e-6f); }, 3},
      {"zbrent at its iteration limit",
       [] { zbrent([](double x) { return x > 0 ? 1.0 : -1.0; }, -1.0, 2.0, 0.0); }, 4},
  };
  RedrawSuppressed = true;
  for (const CodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    SerialFitErrorCode = 0;
    NumericErrorState = 0;
    c.search();
    EXPECT_EQ(SerialFitErrorCode, c.code);
    EXPECT_EQ(NumericErrorState, c.code);
  }
  EXPECT_TRUE(backend().Log().empty());
}

// A jump at 0 with no tolerance: the convergence test is relative to the
// estimate, which tends to 0, so bisection cannot satisfy it in 200 steps.
TEST_F(RootFinderTest, IterationLimitReportsAndReturnsZero) {
  int evaluations = 0;
  const double root = zbrent(
      [&](double x) {
        ++evaluations;
        return x > 0 ? 1.0 : -1.0;
      },
      -1.0, 2.0, 0.0);
  EXPECT_EQ(root, 0.0);
  EXPECT_EQ(evaluations, 202);
  EXPECT_EQ(LogLinesWith(kLimitText).size(), 1u);

  evaluations = 0;
  const float rootf = zbrentf(
      [&](float x) {
        ++evaluations;
        return x > 0 ? 1.0f : -1.0f;
      },
      -1e30f, 3e30f, 0.0f);
  EXPECT_EQ(rootf, 0.0f);
  EXPECT_EQ(evaluations, 202);
  EXPECT_EQ(LogLinesWith(kLimitText).size(), 2u);
  EXPECT_TRUE(LogLinesWith("finding root").empty());
  EXPECT_TRUE(LogLinesWith("problem in").empty());
}

// zbrentf on f(x) = x − r from [0, 1]: the upper end doubles until it passes r.
struct DoublingCase {
  float r;
  std::vector<float> bracketSearch;  // the first evaluations, in order
  bool bracketed;
};

TEST_F(RootFinderTest, ZbrentfDoublesTheUpperEndUpToTenTimes) {
  const DoublingCase cases[] = {
      {0.5f, {0, 1}, true},
      {3.0f, {0, 1, 2, 4}, true},
      {1000.0f, {0, 1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024}, true},
      // 2048 would bracket it, but that is an eleventh doubling.
      {1500.0f, {0, 1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024}, false},
  };
  for (const DoublingCase& c : cases) {
    SCOPED_TRACE(c.r);
    backend().ClearLog();
    std::vector<float> evaluated;
    const auto f = [&](float x) {
      evaluated.push_back(x);
      return x - c.r;
    };
    const float root = zbrentf(f, 0.0f, 1.0f, 1e-4f * c.r);
    ASSERT_GT(evaluated.size(), c.bracketSearch.size());
    const std::vector<float> head(evaluated.begin(),
                                  evaluated.begin() + static_cast<long>(c.bracketSearch.size()));
    EXPECT_EQ(head, c.bracketSearch);
    if (c.bracketed) {
      EXPECT_NEAR(root, c.r, 1e-4f * c.r);
      EXPECT_TRUE(backend().Log().empty());
    } else {
      EXPECT_NE(evaluated[c.bracketSearch.size()], 2048.0f);
      EXPECT_EQ(LogLinesWith(kRegularizationText).size(), 1u);
    }
  }
}

TEST_F(RootFinderTest, ZbrentfNamesTheWormChainInversionWhenItRuns) {
  const auto noRoot = [](float x) { return x * x + 1; };
  WormChainInversionActive = true;
  zbrentf(noRoot, 1.0f, 2.0f, 1e-3f);
  EXPECT_EQ(LogLinesWith(kWormChainText).size(), 1u);
  EXPECT_TRUE(LogLinesWith("problem in regularization").empty());

  backend().ClearLog();
  WormChainInversionActive = false;
  zbrentf(noRoot, 1.0f, 2.0f, 1e-3f);
  EXPECT_EQ(LogLinesWith(kRegularizationText).size(), 1u);
  EXPECT_TRUE(LogLinesWith("worm-like chain").empty());
}

}  // namespace
