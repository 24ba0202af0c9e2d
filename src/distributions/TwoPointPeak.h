#pragma once
// A sharp peak of a prior profile on a distribution grid: a peak of area A
// at s* becomes the trapezoid 0, h, h, 0 over four neighbouring grid points
// whose two inner heights are tilted (h + d, h - d) until the centroid of
// the polygon sits at s*. Used by the prior made of the peaks of the current
// distribution and by the imported reaction-boundary profile.

struct TwoPointPlacement {
  double S0 = 0.0, S1 = 0.0, S2 = 0.0, S3 = 0.0;  // s0 < s1 <= s* < s2 < s3
  double Height = 0.0;                            // h
  double Target = 0.0;                            // s*
};

// The centroid of the polygon through (s0, 0), (s1, h + d), (s2, h - d),
// (s3, 0) minus s*; s* itself when the polygon has no area.
double PeakCentroidOffset(const TwoPointPlacement& p, double d);

// Places the peak (area, at target) into the weights w[1..n] over the
// ascending grid s[1..n], searching the interval s[b] <= target < s[b+1]
// upwards from grid index from. The weights at s[b] and s[b+1] are raised
// by h + d and h - d. False (nothing changed) when the interval is not
// found or b lies outside 2 .. n - 2.
bool PlaceTwoPointPeak(const double* s, double* w, int n, int from, double target, double area);
