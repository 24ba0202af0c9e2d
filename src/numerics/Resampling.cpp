#include "numerics/Resampling.h"

#include <algorithm>
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
    // place. Interval by interval: the targets of one interval are written
    // in one loop, so the search costs a test per interval, not per target.
    while (c <= count && grid[c] <= xs[n]) {
      while (d < n && grid[c] >= xs[d]) ++d;
      const W lo = static_cast<W>(xs[d - 1]);
      const W start = static_cast<W>(ys[d - 1]), end = static_cast<W>(ys[d]);
      const W step = static_cast<W>(xs[d]) - lo;
      // The last interval also takes the targets on its right end.
      const auto inside = [&](int k) { return d < n ? grid[k] < xs[d] : grid[k] <= xs[n]; };
      if (step == W(0)) {
        for (; c <= count && inside(c); ++c) Put<Add>(out, c, end);
        continue;
      }
      const W slope = (end - start) / step;
      for (; c <= count && inside(c); ++c)
        Put<Add>(out, c, start + slope * (static_cast<W>(grid[c]) - lo));
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

bool ResamplingPlan::Fits(int count, const float* grid, int n, const double* xs) const {
  return count == count_ && n == n_ && count > 0 && n > 0 &&
         std::equal(grid + 1, grid + count + 1, grid_.begin()) &&
         std::equal(xs + 1, xs + n + 1, xs_.begin());
}

// The same decisions as Resample<false> with float targets on a double
// source, taken once: which targets lie before, inside or after the source,
// on which interval, and whether far outside.
void ResamplingPlan::Plan(int count, const float* grid, int n, const double* xs) {
  count_ = count;
  n_ = n;
  grid_.assign(grid + 1, grid + std::max(count, 0) + 1);
  xs_.assign(xs + 1, xs + std::max(n, 0) + 1);
  offset_.assign(static_cast<std::size_t>(std::max(count, 0)) + 1, 0.0);
  runs_.clear();
  if (count < 5 || n < 5) return;
  if (grid[count] < xs[1] || xs[n] < grid[1] || grid[5] > xs[n - 4]) return;
  const auto add = [&](int c, int lo, bool flat, bool inner) {
    if (!runs_.empty()) {
      Run& last = runs_.back();
      if (last.end == c && last.lo == lo && last.flat == flat && last.inner == inner) {
        ++last.end;
        return;
      }
    }
    runs_.push_back({c, c + 1, lo, static_cast<std::uint8_t>(flat), static_cast<std::uint8_t>(inner)});
  };
  int c = 1;
  if (grid[1] < xs[1]) {
    const bool farBefore = grid[1] < 2 * xs[1] - xs[2];
    for (; c <= count && grid[c] < xs[1]; ++c) add(c, 1, farBefore, false);
  }
  int d = 2;
  for (; c <= count && grid[c] <= xs[n]; ++c) {
    while (d < n && grid[c] >= xs[d]) ++d;
    offset_[static_cast<std::size_t>(c)] = static_cast<double>(grid[c]) - xs[d - 1];
    add(c, d - 1, false, true);
  }
  if (c <= count) {
    const bool farAfter = grid[count] > 2 * xs[n] - xs[n - 1];
    for (; c <= count; ++c) add(c, n - 1, farAfter, false);
  }
}

void ResamplingPlan::Apply(const double* ys, float* out) const {
  if (runs_.empty()) {
    std::fill(out + 1, out + count_ + 1, 0.0f);
    return;
  }
  const double* x = xs_.data() - 1;  // one-based
  for (const Run& run : runs_) {
    if (run.flat) {
      const float flat = static_cast<float>(run.lo == 1 ? MeanOfFirst(ys, n_) : MeanOfLast(ys, n_));
      std::fill(out + run.first, out + run.end, flat);
    } else if (run.inner) {
      const int lo = run.lo;
      const double start = ys[lo], end = ys[lo + 1], step = x[lo + 1] - x[lo];
      if (step == 0.0) {
        std::fill(out + run.first, out + run.end, static_cast<float>(end));
        continue;
      }
      const double slope = (end - start) / step;
      const double* offset = offset_.data();
      for (int c = run.first; c < run.end; ++c)
        out[c] = static_cast<float>(start + slope * offset[c]);
    } else {
      for (int c = run.first; c < run.end; ++c)
        out[c] = static_cast<float>(LineThrough<double>(x, ys, run.lo, run.lo + 1, grid_[c - 1]));
    }
  }
}
