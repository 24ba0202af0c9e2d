#pragma once

#include <cstdint>
#include <vector>
// Piecewise-linear resampling of a curve onto another grid, for carrying
// scans, Lamm solutions, noise vectors and distributions between their
// radial or parameter grids.
//
// All arrays are one-based: the source is xs[1..n], ys[1..n] with strictly
// ascending xs, the target grid[1..count] ascending, the result out[1..count].
//
// Points inside the source get the straight line through their two
// neighbouring source points. Points outside it get the straight line through
// the two end points when the target reaches at most one source step beyond
// that end; when it reaches farther, every point beyond that end gets the flat
// mean of the ten end values (the end value itself for n <= 10), so that a
// far extrapolation cannot run away with the slope of the last interval.
//
// The five resampling members write nothing unless count >= 5, n >= 5, the
// two ranges overlap (grid[count] >= xs[1], xs[n] >= grid[1]) and
// grid[5] <= xs[n-4]; callers that need a result fill out beforehand or check
// these conditions. Float results are rounded when stored.

void ResampleCurve(int count, const float* grid, float* out, int n, const float* xs,
                   const float* ys);
void ResampleCurveFromDouble(int count, const float* grid, float* out, int n, const double* xs,
                             const double* ys);
// Adds the resampled values to what out already holds.
void AddResampledCurveFromDouble(int count, const float* grid, float* out, int n, const double* xs,
                                 const double* ys);
void ResampleCurveToDouble(int count, const double* grid, double* out, int n, const float* xs,
                           const float* ys);
void ResampleCurveDouble(int count, const double* grid, double* out, int n, const double* xs,
                         const double* ys);

// Linear interpolation for the target points with xs[1] <= grid[c] <= xs[n]
// only; every other point keeps its value. No minimum counts.
void InterpolateInsideDouble(int count, const double* grid, double* out, int n, const double* xs,
                             const double* ys);

// ResampleCurveFromDouble planned once for a fixed pair of grids: the
// source interval and the offset in it of every target point are found once,
// so that resampling many curves on the same source grid (the scans of a
// Lamm solution on its fixed grid) costs one multiply-add per target point
// and one division per source interval that a target point uses. Applied,
// it writes every target point once: what the resampling gives, bit for bit,
// and 0 where it gives nothing (too few points, no overlap).
class ResamplingPlan {
 public:
  // Whether the plan was made for these grids (the same values).
  bool Fits(int count, const float* grid, int n, const double* xs) const;
  void Plan(int count, const float* grid, int n, const double* xs);
  // out[1..count] from ys[1..n] on the planned source grid.
  void Apply(const double* ys, float* out) const;

 private:
  // Targets of one kind in [first, end): on the line of source interval
  // (lo, lo + 1), or the flat mean of the ten end values.
  struct Run {
    int first, end, lo;
    std::uint8_t flat;   // the flat value beyond an end
    std::uint8_t inner;  // the prepared slope of the inside, not the end lines'
  };
  int count_ = 0, n_ = 0;
  std::vector<float> grid_;
  std::vector<double> xs_;
  std::vector<double> offset_;  // grid[c] - xs[lo] of target c, in double
  std::vector<Run> runs_;
};
