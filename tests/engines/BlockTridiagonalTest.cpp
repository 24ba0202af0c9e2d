// The 2 x 2 block-tridiagonal solver against the matrix it was given: a
// random well-posed system is solved and multiplied back, and a singular
// pivot block is reported at its node before anything divides by it.

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "engines/BlockTridiagonal.h"

namespace {

Block2x2 RandomBlock(std::mt19937& rng, double diagonal) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  return {diagonal + u(rng), u(rng), u(rng), diagonal + u(rng)};
}

// A copy of the blocks, since the solver overwrites them.
struct Dense {
  OneBasedArray<Block2x2> l, d, u;
};

NodePair Apply(const Block2x2& m, const NodePair& x) {
  return {m.m11 * x.a + m.m12 * x.b, m.m21 * x.a + m.m22 * x.b};
}

TEST(BlockTridiagonal, SolutionReproducesTheRightHandSide) {
  std::mt19937 rng(20261210);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int n : {1, 2, 3, 57}) {
    BlockTridiagonalSystem s(n);
    for (int i = 1; i <= n; ++i) {
      // Strong coupling between the two species, weaker between nodes.
      s.Lower[i] = RandomBlock(rng, 0.0);
      s.Diagonal[i] = RandomBlock(rng, 5.0);
      s.Upper[i] = RandomBlock(rng, 0.0);
      s.Rhs[i] = {u(rng), u(rng)};
    }
    const Dense copy{s.Lower, s.Diagonal, s.Upper};
    const OneBasedArray<NodePair> rhs = s.Rhs;
    ASSERT_EQ(SolveBlockTridiagonal(s), 0);
    for (int i = 1; i <= n; ++i) {
      NodePair y = Apply(copy.d[i], s.Rhs[i]);
      if (i > 1) {
        const NodePair p = Apply(copy.l[i], s.Rhs[i - 1]);
        y = {y.a + p.a, y.b + p.b};
      }
      if (i < n) {
        const NodePair p = Apply(copy.u[i], s.Rhs[i + 1]);
        y = {y.a + p.a, y.b + p.b};
      }
      EXPECT_NEAR(y.a, rhs[i].a, 1e-13) << "n " << n << " node " << i;
      EXPECT_NEAR(y.b, rhs[i].b, 1e-13) << "n " << n << " node " << i;
    }
  }
}

TEST(BlockTridiagonal, SingularPivotBlockIsReportedAtItsNode) {
  struct Case {
    int node;  // node whose pivot block becomes singular
    bool notFinite;
  };
  for (const Case c : {Case{1, false}, Case{4, false}, Case{6, false}, Case{3, true}}) {
    const int n = 6;
    BlockTridiagonalSystem s(n);
    for (int i = 1; i <= n; ++i) {
      s.Diagonal[i] = {2.0, 0.5, 0.25, 3.0};
      s.Rhs[i] = {1.0, 1.0};
    }
    // With no coupling between nodes the pivot blocks are the diagonal
    // blocks themselves: rows (1, 2) and (2, 4) are dependent.
    s.Diagonal[c.node] = c.notFinite ? Block2x2{NAN, 0.0, 0.0, 1.0} : Block2x2{1.0, 2.0, 2.0, 4.0};
    EXPECT_EQ(SolveBlockTridiagonal(s), c.node);
  }
}

}  // namespace
