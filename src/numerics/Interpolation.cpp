#include "numerics/Interpolation.h"

#include <cassert>
#include <cmath>

#include "numerics/FatalError.h"
#include "numerics/OneBasedArrays.h"

void polint(const float* xa, const float* ya, int n, float x, float& y, float& dy) {
  assert(n >= 1);
  // c and d are the upward and downward differences of the current column of
  // Neville's tableau.
  OneBasedArray<float> c(1, n), d(1, n);
  int ns = 1;
  float nearest = std::fabs(x - xa[1]);
  for (int i = 1; i <= n; ++i) {
    const float distance = std::fabs(x - xa[i]);
    if (distance < nearest) {
      ns = i;
      nearest = distance;
    }
    c[i] = ya[i];
    d[i] = ya[i];
  }
  y = ya[ns--];
  dy = 0.0f;
  for (int m = 1; m < n; ++m) {
    for (int i = 1; i <= n - m; ++i) {
      const float ho = xa[i] - x;
      const float hp = xa[i + m] - x;
      const float w = c[i + 1] - d[i];
      const float den = ho - hp;
      if (den == 0.0f) FatalError("Error in routine polint");
      const float scale = w / den;
      d[i] = hp * scale;
      c[i] = ho * scale;
    }
    // Take the branch that keeps the path through the tableau centred on x.
    dy = (2 * ns < n - m) ? c[ns + 1] : d[ns--];
    y += dy;
  }
}
