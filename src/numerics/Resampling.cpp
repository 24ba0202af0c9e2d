#include "numerics/Resampling.h"

#include <type_traits>

namespace {

// Number of end values whose mean is the flat value far outside the source.
constexpr int kFlatEndValues = 10;

// The straight line through source points lo and hi, evaluated at x, in the
// wider of the two precisions. Written as a correction to ys[lo] so that a
// target point on xs[lo] gets ys[lo] exactly; a zero-width interval (a
// repeated last abscissa) gives the value at hi instead of a division by zero.
template <class W, class S, class G>
W LineThrough(const S* xs, const S* ys, int lo, int hi, G x) {
  const W step = static_cast<W>(xs[hi]) - static_cast<W>(xs[lo]);
  if (step == W(0)) return static_cast<W>(ys[hi]);
  return static_cast<W>(ys[lo]) + (static_cast<W>(ys[hi]) - static_cast<W>(ys[lo])) *
                                      (static_cast<W>(x) - static_cast<W>(xs[lo])) / step;
}

template <class S>
S MeanOfFirst(const S* ys, int n) {
  if (n <= kFlatEndValues) return ys[1];
  S sum = 0;
  for (int i = 1; i <= kFlatEndValues; ++i) sum += ys[i];
  return sum / kFlatEndValues;
}

template <class S>
S MeanOfLast(const S* ys, int n) {
  if (n <= kFlatEndValues) return ys[n];
  S sum = 0;
  for (int i = n - kFlatEndValues + 1; i <= n; ++i) sum += ys[i];
  return sum / kFlatEndValues;
}

template <bool Add, class T, class W>
void Put(T* out, int c, W value) {
  if constexpr (Add)
    out[c] += static_cast<T>(value);
  else
    out[c] = static_cast<T>(value);
}

// One pass over target and source together: before, inside, after.
template <bool Add, class T, class S>
void Resample(int count, const T* grid, T* out, int n, const S* xs, const S* ys) {
  using W = std::common_type_t<T, S>;
  if (count < 5 || n < 5) return;
  if (grid[count] < xs[1] || xs[n] < grid[1] || grid[5] > xs[n - 4]) return;

  int c = 1;
  if (grid[1] < xs[1]) {
    const bool farBefore = grid[1] < 2 * xs[1] - xs[2];
    const W flat = static_cast<W>(MeanOfFirst(ys, n));
    for (; c <= count && grid[c] < xs[1]; ++c)
      Put<Add>(out, c, farBefore ? flat : LineThrough<W>(xs, ys, 1, 2, grid[c]));
  }

  int d = 2;
  if constexpr (sizeof(W) > sizeof(T)) {
    // Targets are usually denser than the source: the line of each source
    // interval is formed once, when the first target enters it, and every
    // target in it costs one multiply-add instead of a division. Computed in
    // the wider precision, the two forms differ far below the rounding of
    // the narrower result: the results agree but for a rare tie in the last
    // place.
    int prepared = 0;
    W lo = 0, start = 0, slope = 0, end = 0;
    bool empty = false;
    for (; c <= count && grid[c] <= xs[n]; ++c) {
      while (d < n && grid[c] >= xs[d]) ++d;
      if (d != prepared) {
        prepared = d;
        lo = static_cast<W>(xs[d - 1]);
        start = static_cast<W>(ys[d - 1]);
        end = static_cast<W>(ys[d]);
        const W step = static_cast<W>(xs[d]) - lo;
        empty = step == W(0);
        slope = empty ? W(0) : (end - start) / step;
      }
      Put<Add>(out, c, empty ? end : start + slope * (static_cast<W>(grid[c]) - lo));
    }
  } else {
    for (; c <= count && grid[c] <= xs[n]; ++c) {
      while (d < n && grid[c] >= xs[d]) ++d;
      Put<Add>(out, c, LineThrough<W>(xs, ys, d - 1, d, grid[c]));
    }
  }

  if (c <= count) {
    const bool farAfter = grid[count] > 2 * xs[n] - xs[n - 1];
    const W flat = static_cast<W>(MeanOfLast(ys, n));
    for (; c <= count; ++c)
      Put<Add>(out, c, farAfter ? flat : LineThrough<W>(xs, ys, n - 1, n, grid[c]));
  }
}

}  // namespace

void ResampleCurve(int count, const float* grid, float* out, int n, const float* xs,
                   const float* ys) {
  Resample<false>(count, grid, out, n, xs, ys);
}

void ResampleCurveFromDouble(int count, const float* grid, float* out, int n, const double* xs,
                             const double* ys) {
  Resample<false>(count, grid, out, n, xs, ys);
}

void AddResampledCurveFromDouble(int count, const float* grid, float* out, int n, const double* xs,
                                 const double* ys) {
  Resample<true>(count, grid, out, n, xs, ys);
}

void ResampleCurveToDouble(int count, const double* grid, double* out, int n, const float* xs,
                           const float* ys) {
  Resample<false>(count, grid, out, n, xs, ys);
}

void ResampleCurveDouble(int count, const double* grid, double* out, int n, const double* xs,
                         const double* ys) {
  Resample<false>(count, grid, out, n, xs, ys);
}

void InterpolateInsideDouble(int count, const double* grid, double* out, int n, const double* xs,
                             const double* ys) {
  if (count < 1 || n < 1) return;
  if (grid[count] < xs[1] || xs[n] < grid[1]) return;
  if (n == 1) {
    // A single source point defines a value only on itself.
    for (int c = 1; c <= count; ++c)
      if (grid[c] == xs[1]) out[c] = ys[1];
    return;
  }
  int c = 1;
  while (c <= count && grid[c] < xs[1]) ++c;
  int d = 2;
  for (; c <= count && grid[c] <= xs[n]; ++c) {
    while (d < n && grid[c] >= xs[d]) ++d;
    out[c] = LineThrough<double>(xs, ys, d - 1, d, grid[c]);
  }
}
