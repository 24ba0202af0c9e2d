// Spacings of a distribution grid: equal steps, logarithmic steps, and the
// mixed grid that is linear up to a minimum s and then grows its steps in
// proportion to s (constant resolution relative to s where boundaries of
// large species are sharp, no crowding of points at small s).

#include <cmath>
#include <vector>

#include "distributions/ContiGrid.h"
#include "ui/Boxes.h"

void EqualSpacing(float* out, float first, float last, int count) {
  if (count < 1) return;
  out[1] = first;
  if (count == 1) return;
  for (int j = 2; j < count; ++j)
    out[j] = first + static_cast<float>(j - 1) * (last - first) / static_cast<float>(count - 1);
  out[count] = last;
}

void LogGrid(float* out, float a, float b, int count) {
  if (count < 1) return;
  const double la = std::log(std::fabs(a)), lb = std::log(std::fabs(b));
  if (count == 1) {
    out[1] = static_cast<float>(std::exp(la));
    return;
  }
  for (int j = 1; j <= count; ++j)
    out[j] = static_cast<float>(std::exp(la + (j - 1) * (lb - la) / (count - 1)));
}

namespace {

// r[from..to] on the straight line through smin (index 1) with nlin points
// up to smax; a single point sits at smin.
void FillLinear(float* r, int from, int to, int nlin, float smin, float smax) {
  const float step = nlin > 1 ? (smax - smin) / static_cast<float>(nlin - 1) : 0.0f;
  for (int i = from; i <= to; ++i) r[i] = smin + static_cast<float>(i - 1) * step;
}

}  // namespace

int MixedGridPoints(float* r, int capacity, int nlin, float smin, float smax, float s0,
                    int* firstIndexOut) {
  // Index 0 continues the line too, so the step below the first point is the
  // linear step.
  FillLinear(r, 0, capacity, nlin, smin, smax);
  int e = 1;
  while (e < capacity && r[e + 1] < s0) ++e;
  if (e >= capacity) return -1;
  // Above s0 each step is the linear step scaled by s/s0.
  const float delta = r[e] - r[e - 1];
  float f = r[e] + delta;
  int i = e + 1;
  while (f <= smax && i < nlin && i < capacity) {
    const float h = f * delta / s0;
    r[i] = r[i - 1] + h;
    f = r[i] + h;
    r[i + 1] = f;
    ++i;
  }
  *firstIndexOut = e;
  return i;
}

void MakeLogGrid(float* out, float smin, float smax, float s0, int count) {
  if (count < 1) return;
  // Work array r[0..2·count + 1]: the trials write one point beyond their
  // capacity.
  std::vector<float> work(static_cast<std::size_t>(2 * count + 2), 0.0f);
  float* r = work.data();
  FillLinear(r, 1, count, count, smin, smax);
  if (count > 1) r[count] = smax;
  if (smin < smax && smin < s0 && s0 < smax && count > 10) {
    const int capacity = 2 * count;
    int e = 0;
    int u = count;
    int t = MixedGridPoints(r, capacity, u, smin, smax, s0, &e);
    while (t >= 0 && t < count) t = MixedGridPoints(r, capacity, ++u, smin, smax, s0, &e);
    if (t > count) t = MixedGridPoints(r, capacity, --u, smin, smax, s0, &e);
    DistributionGrid.MixedGridPointCount = t;
    if (t < 0) {
      FillLinear(r, 1, count, count, smin, smax);
      r[count] = smax;
      ErrorBox(
          "problem in log-spaced grid - turn off minimum s-value for log-spaced grid "
          "(Size-Distribution Options)");
    } else {
      for (int k = t + 1; k <= count; ++k) r[k] = 2.0f * r[k] - r[k - 1];
    }
  } else if (smin < smax && s0 <= smin && s0 < smax && count > 10) {
    LogGrid(r, smin, smax, count);
  }
  for (int i = 1; i <= count; ++i) out[i] = r[i];
}
