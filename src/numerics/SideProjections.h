#pragma once
// Side projections of a cloud of points with values: for every distinct x the
// largest value of the points that share it, and likewise for every distinct
// y. The plots draw them beside a two-dimensional colour plot.

// For points x[1..n], y[1..n] with values v[1..n] (one-based), writes the
// distinct x in ascending order to xs[1..nx] with their largest values in
// xmax[1..nx], and the distinct y to ys[1..ny] with theirs in ymax[1..ny].
// The output arrays need room for n values. Returns true.
bool ProjectMaxima(int n, const float* x, const float* y, const float* v, int& nx, float* xs,
                   float* xmax, int& ny, float* ymax, float* ys);
