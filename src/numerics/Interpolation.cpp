#include "numerics/Interpolation.h"

#include <cassert>
#include <cmath>

#include "numerics/FatalError.h"
#include "numerics/OneBasedArrays.h"

namespace {

template <class T>
void Neville(const T* xa, const T* ya, int n, T x, T& y, T& dy) {
  assert(n >= 1);
  // c and d are the upward and downward differences of the current column of
  // Neville's tableau.
  OneBasedArray<T> c(1, n), d(1, n);
  int ns = 1;
  T nearest = std::fabs(x - xa[1]);
  for (int i = 1; i <= n; ++i) {
    const T distance = std::fabs(x - xa[i]);
    if (distance < nearest) {
      ns = i;
      nearest = distance;
    }
    c[i] = ya[i];
    d[i] = ya[i];
  }
  y = ya[ns--];
  dy = T{0};
  for (int m = 1; m < n; ++m) {
    for (int i = 1; i <= n - m; ++i) {
      const T ho = xa[i] - x;
      const T hp = xa[i + m] - x;
      const T w = c[i + 1] - d[i];
      const T den = ho - hp;
      if (den == T{0}) FatalError("Error in routine polint");
      const T scale = w / den;
      d[i] = hp * scale;
      c[i] = ho * scale;
    }
    // Take the branch that keeps the path through the tableau centred on x.
    dy = (2 * ns < n - m) ? c[ns + 1] : d[ns--];
    y += dy;
  }
}

}  // namespace

void polint(const float* xa, const float* ya, int n, float x, float& y, float& dy) {
  Neville(xa, ya, n, x, y, dy);
}

void dpolint(const double* xa, const double* ya, int n, double x, double& y, double& dy) {
  Neville(xa, ya, n, x, y, dy);
}
