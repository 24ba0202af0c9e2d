#include "engines/BlockTridiagonal.h"

#include <cmath>

namespace {

NodePair Times(const Block2x2& m, const NodePair& x) {
  return {m.m11 * x.a + m.m12 * x.b, m.m21 * x.a + m.m22 * x.b};
}

Block2x2 Times(const Block2x2& p, const Block2x2& q) {
  return {p.m11 * q.m11 + p.m12 * q.m21, p.m11 * q.m12 + p.m12 * q.m22,
          p.m21 * q.m11 + p.m22 * q.m21, p.m21 * q.m12 + p.m22 * q.m22};
}

// The inverse of m, false (out untouched) when m is singular.
bool Invert(const Block2x2& m, Block2x2& out) {
  const double det = m.m11 * m.m22 - m.m12 * m.m21;
  if (det == 0.0 || !std::isfinite(det)) return false;
  out = {m.m22 / det, -m.m12 / det, -m.m21 / det, m.m11 / det};
  return true;
}

}  // namespace

int SolveBlockTridiagonal(BlockTridiagonalSystem& s) {
  const int n = s.Size();
  // Forward elimination: Diagonal[i] becomes the pivot block D'_i =
  // D_i - L_i D'_{i-1}^-1 U_{i-1}, and Rhs[i] the reduced right-hand side.
  // Upper[i] is replaced by D'_i^-1 U_i and Rhs[i] by D'_i^-1 r'_i, which is
  // all the back substitution needs.
  for (int i = 1; i <= n; ++i) {
    if (i > 1) {
      const Block2x2& l = s.Lower[i];
      const Block2x2 lu = Times(l, s.Upper[i - 1]);
      const NodePair lr = Times(l, s.Rhs[i - 1]);
      Block2x2& d = s.Diagonal[i];
      d = {d.m11 - lu.m11, d.m12 - lu.m12, d.m21 - lu.m21, d.m22 - lu.m22};
      s.Rhs[i] = {s.Rhs[i].a - lr.a, s.Rhs[i].b - lr.b};
    }
    Block2x2 inverse;
    if (!Invert(s.Diagonal[i], inverse)) return i;
    if (i < n) s.Upper[i] = Times(inverse, s.Upper[i]);
    s.Rhs[i] = Times(inverse, s.Rhs[i]);
  }
  for (int i = n - 1; i >= 1; --i) {
    const NodePair ux = Times(s.Upper[i], s.Rhs[i + 1]);
    s.Rhs[i] = {s.Rhs[i].a - ux.a, s.Rhs[i].b - ux.b};
  }
  return 0;
}
