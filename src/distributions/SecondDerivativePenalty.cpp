#include "distributions/SecondDerivativePenalty.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <functional>

namespace {

constexpr std::array<double, 3> kSecondDifference = {1.0, -2.0, 1.0};
constexpr std::array<double, 4> kThirdDifference = {-1.0, 3.0, -3.0, 1.0};
// Strength of the first-difference terms at the ends of an f/f0 chain,
// relative to its second differences.
constexpr double kFf0EndWeight = 10.0;

// (DᵀD)[r][k] for the difference operator with the given stencil: row m of D
// holds the stencil at columns m..m + order, for m = 1..L − order.
template <std::size_t Width>
double OperatorSquareEntry(const std::array<double, Width>& stencil, int length, int r, int k) {
  constexpr int order = static_cast<int>(Width) - 1;
  if (r < 1 || k < 1 || r > length || k > length) return 0.0;
  const int first = std::max({1, r - order, k - order});
  const int last = std::min({length - order, r, k});
  double sum = 0.0;
  for (int m = first; m <= last; ++m)
    sum += stencil[static_cast<std::size_t>(r - m)] * stencil[static_cast<std::size_t>(k - m)];
  return sum;
}

// Adds scale·coefficient(L, r, k)/(prior_r·prior_k)·weight_r·weight_k to
// the matrix at the amplitudes index(r), index(k), for a chain of L points
// and the band of the given half-width.
struct ChainPenalty {
  int length;
  int halfWidth;
  double scale;
  std::function<double(int, int, int)> coefficient;
  std::function<int(int)> index;
  std::function<double(int)> prior;   // by chain position; 1 without prior
  std::function<double(int)> weight;  // by chain position; 1 without weights
};

void AddChain(double** m, const ChainPenalty& chain) {
  for (int r = 1; r <= chain.length; ++r) {
    const int k0 = std::max(1, r - chain.halfWidth),
              k1 = std::min(chain.length, r + chain.halfWidth);
    for (int k = k0; k <= k1; ++k) {
      const double c = chain.coefficient(chain.length, r, k);
      if (c == 0.0) continue;
      m[chain.index(r)][chain.index(k)] +=
          chain.scale * c * chain.weight(r) * chain.weight(k) / (chain.prior(r) * chain.prior(k));
    }
  }
}

std::function<double(int)> PriorAt(const double* priors, int offset) {
  if (priors == nullptr) return [](int) { return 1.0; };
  return [priors, offset](int r) { return priors[offset + r]; };
}

void CopyBlock(NormalEquationArrays& neq, int count) {
  for (int i = 1; i <= count; ++i) {
    const double* from = neq.NormalMatrix[i];
    double* to = neq.RegularizedMatrix[i];
    std::copy(from + 1, from + count + 1, to + 1);
  }
}

void AddOneDimensional(double** m, const PenaltySetup& setup, double alpha) {
  if (setup.Kind == PenaltyKind::None) return;
  const int offset = setup.Geometry == PenaltyGeometry::ChainAfterFirst ? 1 : 0;
  const bool third = setup.Kind == PenaltyKind::ThirdDerivative;
  std::function<double(int)> weight = [](int) { return 1.0; };
  if (third && setup.TP3Weights != nullptr) {
    const double* w = setup.TP3Weights;
    weight = [w, offset](int r) { return w[offset + r]; };
  }
  AddChain(m, {setup.PointCount - offset, third ? 3 : 2, alpha,
               third ? ThirdDifferenceCoefficient : SecondDifferenceCoefficient,
               [offset](int r) { return offset + r; }, PriorAt(setup.Priors, offset), weight});
}

void AddPlane(double** m, const PenaltySetup& setup, double alpha) {
  const int n = setup.PointCount, slices = setup.SliceCount;
  const auto one = [](int) { return 1.0; };
  for (int slice = 1; slice <= slices; ++slice) {
    const int first = (setup.Geometry == PenaltyGeometry::PlaneAfterFirst && slice == 1) ? 2 : 1;
    const int base = (slice - 1) * n + first - 1;
    AddChain(m, {n - first + 1, 2, alpha, SecondDifferenceCoefficient,
                 [base](int r) { return base + r; }, PriorAt(setup.Priors, first - 1), one});
  }
  const double c = static_cast<double>(setup.Ff0Weight) * alpha;
  if (c == 0.0) return;
  std::function<double(int)> ff0Prior = one;
  if (setup.Ff0Priors != nullptr) {
    const float* q = setup.Ff0Priors;
    ff0Prior = [q](int r) { return static_cast<double>(q[r]); };
  }
  for (int j = 1; j <= n; ++j) {
    AddChain(m, {slices, 2, c, Ff0DirectionCoefficient, [n, j](int r) { return (r - 1) * n + j; },
                 ff0Prior, one});
  }
}

}  // namespace

int PenaltyUnknownCount(const PenaltySetup& setup) {
  const bool plane = setup.Geometry == PenaltyGeometry::Plane ||
                     setup.Geometry == PenaltyGeometry::PlaneAfterFirst;
  return plane ? setup.PointCount * setup.SliceCount : setup.PointCount;
}

double SecondDifferenceCoefficient(int chainLength, int r, int k) {
  return OperatorSquareEntry(kSecondDifference, chainLength, r, k);
}

double ThirdDifferenceCoefficient(int chainLength, int r, int k) {
  return OperatorSquareEntry(kThirdDifference, chainLength, r, k);
}

double Ff0DirectionCoefficient(int sliceCount, int r, int k) {
  double c = SecondDifferenceCoefficient(sliceCount, r, k);
  if (sliceCount < 2 || r < 1 || k < 1 || r > sliceCount || k > sliceCount) return c;
  // (x1 − x2)² and (x(F−1) − xF)², each contributing [1 −1; −1 1].
  const auto end = [](int a, int b, int p, int q) {
    if ((a == p || a == q) && (b == p || b == q)) return a == b ? 1.0 : -1.0;
    return 0.0;
  };
  c += kFf0EndWeight * (end(r, k, 1, 2) + end(r, k, sliceCount - 1, sliceCount));
  return c;
}

void AddSecondDerivativeMatrix(NormalEquationArrays& neq, const PenaltySetup& setup, double alpha) {
  const int count = PenaltyUnknownCount(setup);
  assert(count >= 0 && count <= neq.Size);
  CopyBlock(neq, count);
  if (alpha == 0.0) return;
  double** m = neq.RegularizedMatrix.get();
  if (setup.Geometry == PenaltyGeometry::Plane ||
      setup.Geometry == PenaltyGeometry::PlaneAfterFirst)
    AddPlane(m, setup, alpha);
  else
    AddOneDimensional(m, setup, alpha);
}

PenaltyKind OneDimensionalPenalty(const RegularizationTypeRecord& type) {
  if (type.SecondDerivativeRegularization || type.BothRegularizations)
    return PenaltyKind::SecondDerivative;
  if (type.TP3Regularization) return PenaltyKind::ThirdDerivative;
  return PenaltyKind::None;
}
