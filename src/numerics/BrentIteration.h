#pragma once
// The iteration of Brent's method (Brent 1973, with the published constants):
// inverse quadratic interpolation, or a secant step when only two points are
// distinct, accepted only while it stays well inside the bracket; bisection
// otherwise. One body serves the double and single precision root finders
// and the F statistics, which differ only in precision and in their limits
// and messages.

#include <algorithm>
#include <cmath>
#include <optional>

namespace brent {

// Machine-precision constant of the published method; the convergence test
// uses twice it, relative to the current estimate.
template <class T>
inline constexpr T kPrecision = T(3e-8);

// The interpolation step of one iteration: proposes d (and keeps the step
// before the last in e), falling back to bisection (d = xm) when the
// interpolated point would leave the bracket or converge too slowly.
template <class T>
void ChooseStep(T a, T b, T c, T fa, T fb, T fc, T xm, T tol1, T& d, T& e) {
  if (std::abs(e) < tol1 || std::abs(fa) <= std::abs(fb)) {
    d = xm;
    e = d;
    return;
  }
  T p, q;
  const T s = fb / fa;
  if (a == c) {
    p = 2 * xm * s;
    q = 1 - s;
  } else {
    const T qa = fa / fc, r = fb / fc;
    p = s * (2 * xm * qa * (qa - r) - (b - a) * (r - 1));
    q = (qa - 1) * (r - 1) * (s - 1);
  }
  if (p > 0) q = -q;
  p = std::abs(p);
  const T min1 = 3 * xm * q - std::abs(tol1 * q);
  const T min2 = std::abs(e * q);
  if (2 * p < std::min(min1, min2)) {
    e = d;
    d = p / q;
  } else {
    d = xm;
    e = d;
  }
}

// Iterates from the evaluated ends a, b (fa = f(a), fb = f(b)). Returns the
// estimate once half the bracket is within 2·precision·|b| + tol/2 or f is
// exactly 0 there; nothing after maxEvaluations evaluations without that.
// With ends of equal sign it still iterates, as the callers want.
template <class T, class Function>
std::optional<T> Iterate(const Function& f, T a, T b, T fa, T fb, T tol, int maxEvaluations) {
  T c = b, fc = fb;
  T d = b - a, e = d;
  for (int evaluation = 1; evaluation <= maxEvaluations; ++evaluation) {
    if ((fb > 0 && fc > 0) || (fb < 0 && fc < 0)) {
      c = a;
      fc = fa;
      e = d = b - a;
    }
    if (std::abs(fc) < std::abs(fb)) {
      a = b;
      b = c;
      c = a;
      fa = fb;
      fb = fc;
      fc = fa;
    }
    const T tol1 = 2 * kPrecision<T> * std::abs(b) + T(0.5) * tol;
    const T xm = T(0.5) * (c - b);
    if (std::abs(xm) <= tol1 || fb == 0) return b;
    ChooseStep(a, b, c, fa, fb, fc, xm, tol1, d, e);
    a = b;
    fa = fb;
    if (std::abs(d) > tol1)
      b += d;
    else
      b += xm >= 0 ? std::abs(tol1) : -std::abs(tol1);
    fb = f(b);
  }
  return std::nullopt;
}

// The ends do not enclose a sign change (a zero at an end counts as one).
template <class T>
bool SameSign(T fa, T fb) {
  return (fa > 0 && fb > 0) || (fa < 0 && fb < 0);
}

}  // namespace brent
