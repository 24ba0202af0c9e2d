// The smoothness penalty: the coefficient rows against the published
// difference tables, the quadratic form against explicit differences of an
// amplitude vector, and the geometries (first point separate, priors,
// weights, the s × f/f0 plane) on a small system.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "distributions/SecondDerivativePenalty.h"

namespace {

using Rows = std::vector<std::vector<double>>;

// Rows of DᵀD written out as tables for a chain of L points.
void ExpectRows(double (*coefficient)(int, int, int), int length, const Rows& expected) {
  for (int r = 1; r <= length; ++r)
    for (int k = 1; k <= length; ++k)
      EXPECT_EQ(coefficient(length, r, k),
                expected[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(k - 1)])
          << "row " << r << " column " << k;
}

TEST(PenaltyCoefficientsTest, SecondDifferenceRowsOfSixPoints) {
  ExpectRows(SecondDifferenceCoefficient, 6,
             {{1, -2, 1, 0, 0, 0},
              {-2, 5, -4, 1, 0, 0},
              {1, -4, 6, -4, 1, 0},
              {0, 1, -4, 6, -4, 1},
              {0, 0, 1, -4, 5, -2},
              {0, 0, 0, 1, -2, 1}});
}

TEST(PenaltyCoefficientsTest, ThirdDifferenceRowsOfEightPoints) {
  ExpectRows(ThirdDifferenceCoefficient, 8,
             {{1, -3, 3, -1, 0, 0, 0, 0},
              {-3, 10, -12, 6, -1, 0, 0, 0},
              {3, -12, 19, -15, 6, -1, 0, 0},
              {-1, 6, -15, 20, -15, 6, -1, 0},
              {0, -1, 6, -15, 20, -15, 6, -1},
              {0, 0, -1, 6, -15, 19, -12, 3},
              {0, 0, 0, -1, 6, -12, 10, -3},
              {0, 0, 0, 0, -1, 3, -3, 1}});
}

TEST(PenaltyCoefficientsTest, Ff0DirectionRowsOfSixSlices) {
  ExpectRows(Ff0DirectionCoefficient, 6,
             {{11, -12, 1, 0, 0, 0},
              {-12, 15, -4, 1, 0, 0},
              {1, -4, 6, -4, 1, 0},
              {0, 1, -4, 6, -4, 1},
              {0, 0, 1, -4, 15, -12},
              {0, 0, 0, 1, -12, 11}});
}

// xᵀPx equals the sum of squared differences of x, for every chain length
// including the short ones, where the penalty must stay symmetric.
double SquaredDifferences(const std::vector<double>& x, int order) {
  std::vector<double> d = x;
  for (int o = 0; o < order; ++o) {
    for (std::size_t i = 0; i + 1 < d.size(); ++i) d[i] = d[i + 1] - d[i];
    if (!d.empty()) d.pop_back();
  }
  double sum = 0.0;
  for (double v : d) sum += v * v;
  return sum;
}

double Form(double (*coefficient)(int, int, int), const std::vector<double>& x) {
  const int length = static_cast<int>(x.size());
  double sum = 0.0;
  for (int r = 1; r <= length; ++r)
    for (int k = 1; k <= length; ++k) {
      EXPECT_EQ(coefficient(length, r, k), coefficient(length, k, r));
      sum += x[static_cast<std::size_t>(r - 1)] * coefficient(length, r, k) *
             x[static_cast<std::size_t>(k - 1)];
    }
  return sum;
}

TEST(PenaltyCoefficientsTest, QuadraticFormIsSumOfSquaredDifferences) {
  std::mt19937 rng(3u);
  std::uniform_real_distribution<double> entry(-1.0, 1.0);
  for (int length = 1; length <= 9; ++length) {
    SCOPED_TRACE(length);
    std::vector<double> x(static_cast<std::size_t>(length));
    for (double& v : x) v = entry(rng);
    EXPECT_NEAR(Form(SecondDifferenceCoefficient, x), SquaredDifferences(x, 2), 1e-12);
    EXPECT_NEAR(Form(ThirdDifferenceCoefficient, x), SquaredDifferences(x, 3), 1e-12);
    double ends = 0.0;
    if (length >= 2) {
      ends = (x[0] - x[1]) * (x[0] - x[1]) +
             (x[x.size() - 2] - x.back()) * (x[x.size() - 2] - x.back());
    }
    EXPECT_NEAR(Form(Ff0DirectionCoefficient, x), SquaredDifferences(x, 2) + 10.0 * ends, 1e-12);
  }
}

// A small system with a random symmetric normal matrix.
class PenaltyMatrixTest : public ::testing::Test {
 protected:
  void Prepare(int n) {
    neq.Allocate(n, 1, 1);
    std::mt19937 rng(5u);
    std::uniform_real_distribution<double> entry(-1.0, 1.0);
    for (int i = 1; i <= n; ++i)
      for (int j = i; j <= n; ++j) neq.NormalMatrix[i][j] = neq.NormalMatrix[j][i] = entry(rng);
    for (int i = 1; i <= n; ++i)
      for (int j = 0; j <= n; ++j) neq.RegularizedMatrix[i][j] = kSentinel;
  }
  // (R − A)[i][j]: what the penalty added.
  double Added(int i, int j) { return neq.RegularizedMatrix[i][j] - neq.NormalMatrix[i][j]; }
  // xᵀ(R − A)x over amplitudes 1..count.
  double AddedForm(const std::vector<double>& x) {
    double sum = 0.0;
    const int count = static_cast<int>(x.size()) - 1;
    for (int i = 1; i <= count; ++i)
      for (int j = 1; j <= count; ++j)
        sum += x[static_cast<std::size_t>(i)] * Added(i, j) * x[static_cast<std::size_t>(j)];
    return sum;
  }
  static constexpr double kSentinel = 1234.5;
  NormalEquationArrays neq;
};

TEST_F(PenaltyMatrixTest, PlainCopyWhenNothingIsAdded) {
  Prepare(7);
  struct Case {
    const char* name;
    PenaltyKind kind;
    double alpha;
  } cases[] = {{"alpha 0", PenaltyKind::SecondDerivative, 0.0},
               {"no penalty", PenaltyKind::None, 3.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PenaltySetup setup;
    setup.Kind = c.kind;
    setup.PointCount = 6;
    AddSecondDerivativeMatrix(neq, setup, c.alpha);
    for (int i = 1; i <= 7; ++i)
      for (int j = 1; j <= 7; ++j) {
        if (i <= 6 && j <= 6)
          EXPECT_EQ(neq.RegularizedMatrix[i][j], neq.NormalMatrix[i][j]);
        else
          EXPECT_EQ(neq.RegularizedMatrix[i][j], kSentinel);  // outside the block: untouched
      }
  }
}

TEST_F(PenaltyMatrixTest, SeparateFirstPointStaysUnpenalised) {
  Prepare(6);
  PenaltySetup setup;
  setup.Geometry = PenaltyGeometry::ChainAfterFirst;
  setup.PointCount = 6;
  AddSecondDerivativeMatrix(neq, setup, 2.0);
  for (int j = 1; j <= 6; ++j) {
    EXPECT_EQ(Added(1, j), 0.0);
    EXPECT_EQ(Added(j, 1), 0.0);
  }
  // The chain starts at grid point 2 with the first-row coefficients.
  EXPECT_NEAR(Added(2, 2), 2.0, 1e-12);
  EXPECT_NEAR(Added(2, 3), -4.0, 1e-12);
  EXPECT_NEAR(Added(2, 4), 2.0, 1e-12);
  EXPECT_NEAR(Added(6, 6), 2.0, 1e-12);
}

TEST_F(PenaltyMatrixTest, PriorsDivideAndWeightsMultiplyEachEntry) {
  Prepare(8);
  const double alpha = 0.5;
  OneBasedArray<double> priors(1, 8), weights(1, 8);
  for (int i = 1; i <= 8; ++i) {
    priors[i] = 1.0;
    weights[i] = 0.25 * i;
  }
  priors[4] = 0.001;
  struct Case {
    const char* name;
    PenaltyKind kind;
    const double* priors;
    const double* weights;
  } cases[] = {
      {"second, priors", PenaltyKind::SecondDerivative, priors.data(), nullptr},
      {"second, weights ignored", PenaltyKind::SecondDerivative, nullptr, weights.data()},
      {"third, unweighted", PenaltyKind::ThirdDerivative, nullptr, nullptr},
      {"third, weights and priors", PenaltyKind::ThirdDerivative, priors.data(), weights.data()}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PenaltySetup setup;
    setup.Kind = c.kind;
    setup.PointCount = 8;
    setup.Priors = c.priors;
    setup.TP3Weights = c.weights;
    AddSecondDerivativeMatrix(neq, setup, alpha);
    const bool third = c.kind == PenaltyKind::ThirdDerivative;
    for (int i = 1; i <= 8; ++i)
      for (int j = 1; j <= 8; ++j) {
        double expected = alpha * (third ? ThirdDifferenceCoefficient(8, i, j)
                                         : SecondDifferenceCoefficient(8, i, j));
        if (third && c.weights != nullptr) expected *= weights[i] * weights[j];
        if (c.priors != nullptr) expected /= priors[i] * priors[j];
        EXPECT_NEAR(Added(i, j), expected, 1e-9 * std::max(1.0, std::fabs(expected)));
      }
  }
  // A prior of 0.001 raises that point's diagonal penalty a millionfold.
  PenaltySetup flat, low;
  flat.PointCount = low.PointCount = 8;
  low.Priors = priors.data();
  AddSecondDerivativeMatrix(neq, flat, alpha);
  const double plain = Added(4, 4);
  AddSecondDerivativeMatrix(neq, low, alpha);
  EXPECT_NEAR(Added(4, 4) / plain, 1e6, 1e-3);
}

// The plane's penalty as a quadratic form: second differences along s in
// every slice plus, weighted, second differences along f/f0 at every s with
// the end terms.
double PlaneForm(const std::vector<double>& x, int n, int slices, double weight, bool afterFirst,
                 const std::vector<double>& q) {
  double sum = 0.0;
  for (int slice = 1; slice <= slices; ++slice) {
    const int first = afterFirst && slice == 1 ? 2 : 1;
    std::vector<double> chain;
    for (int j = first; j <= n; ++j)
      chain.push_back(x[static_cast<std::size_t>((slice - 1) * n + j)]);
    sum += SquaredDifferences(chain, 2);
  }
  for (int j = 1; j <= n; ++j) {
    std::vector<double> chain;
    for (int slice = 1; slice <= slices; ++slice)
      chain.push_back(x[static_cast<std::size_t>((slice - 1) * n + j)] /
                      q[static_cast<std::size_t>(slice)]);
    const double ends =
        (chain[0] - chain[1]) * (chain[0] - chain[1]) +
        (chain[chain.size() - 2] - chain.back()) * (chain[chain.size() - 2] - chain.back());
    sum += weight * (SquaredDifferences(chain, 2) + 10.0 * ends);
  }
  return sum;
}

TEST_F(PenaltyMatrixTest, PlaneIsPenalisedAlongBothAxes) {
  const int n = 5, slices = 4;
  Prepare(n * slices);
  std::mt19937 rng(9u);
  std::uniform_real_distribution<double> entry(-1.0, 1.0);
  std::vector<double> x(n * slices + 1);
  for (double& v : x) v = entry(rng);
  std::vector<float> ff0Priors = {0.0f, 1.0f, 0.5f, 2.0f, 1.0f};
  std::vector<double> q(ff0Priors.begin(), ff0Priors.end());
  const std::vector<double> ones(slices + 1, 1.0);
  struct Case {
    const char* name;
    PenaltyGeometry geometry;
    float weight;
    bool priors;
  } cases[] = {{"plane", PenaltyGeometry::Plane, 10.0f, false},
               {"s direction only", PenaltyGeometry::Plane, 0.0f, false},
               {"discrete species at slice 1", PenaltyGeometry::PlaneAfterFirst, 1.0f, false},
               {"f/f0 priors", PenaltyGeometry::Plane, 1.0f, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PenaltySetup setup;
    setup.Geometry = c.geometry;
    setup.Kind = PenaltyKind::None;  // the plane ignores the 1-D choice
    setup.PointCount = n;
    setup.SliceCount = slices;
    setup.Ff0Weight = c.weight;
    if (c.priors) setup.Ff0Priors = ff0Priors.data();
    const double alpha = 0.7;
    AddSecondDerivativeMatrix(neq, setup, alpha);
    const double expected =
        alpha * PlaneForm(x, n, slices, c.weight, c.geometry == PenaltyGeometry::PlaneAfterFirst,
                          c.priors ? q : ones);
    EXPECT_NEAR(AddedForm(x), expected, 1e-9 * std::fabs(expected));
  }
}

TEST(OneDimensionalPenaltyTest, CombinedSettingGetsTheSecondDerivative) {
  struct Case {
    const char* name;
    RegularizationTypeRecord type;
    PenaltyKind kind;
  } cases[] = {
      {"maximum entropy", {true, false, false, false}, PenaltyKind::None},
      {"second derivative", {false, true, false, false}, PenaltyKind::SecondDerivative},
      {"weighted third derivative", {false, false, true, false}, PenaltyKind::ThirdDerivative},
      {"none", {false, false, false, false}, PenaltyKind::None},
      {"both, Tikhonov pass", {true, false, false, true}, PenaltyKind::SecondDerivative},
  };
  for (const Case& c : cases) EXPECT_EQ(OneDimensionalPenalty(c.type), c.kind) << c.name;
}

}  // namespace
