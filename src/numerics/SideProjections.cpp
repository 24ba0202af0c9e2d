#include "numerics/SideProjections.h"

#include "numerics/OneBasedArrays.h"
#include "numerics/Sorting.h"

namespace {

// Sorts a copy of the coordinates with the values alongside and keeps, for
// each distinct coordinate, the largest value. Returns the number of distinct
// coordinates.
int ProjectOnto(int n, const float* coordinate, const float* v, float* distinct, float* largest) {
  OneBasedArray<float> keys(1, n), values(1, n);
  for (int i = 1; i <= n; ++i) {
    keys[i] = coordinate[i];
    values[i] = v[i];
  }
  sort2(n, keys.data(), values.data());
  int count = 0;
  for (int i = 1; i <= n; ++i) {
    if (count == 0 || keys[i] > distinct[count]) {
      ++count;
      distinct[count] = keys[i];
      largest[count] = values[i];
    } else if (values[i] > largest[count]) {
      largest[count] = values[i];
    }
  }
  return count;
}

}  // namespace

bool ProjectMaxima(int n, const float* x, const float* y, const float* v, int& nx, float* xs,
                   float* xmax, int& ny, float* ymax, float* ys) {
  nx = 0;
  ny = 0;
  if (n < 1) return true;
  nx = ProjectOnto(n, x, v, xs, xmax);
  ny = ProjectOnto(n, y, v, ys, ymax);
  return true;
}
