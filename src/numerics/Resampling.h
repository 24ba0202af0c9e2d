#pragma once
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
