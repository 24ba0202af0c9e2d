#pragma once
// What a detector makes of a simulated concentration profile: the Gaussian
// blur of a fluorescence detection cone, the part of the excitation cone cut
// off by the cell bottom, and the finite radial resolution of an absorbance
// scanner, averaged on transmission. Also the closed-form Faxen
// approximation of a sedimenting boundary with the complementary error
// function it needs. Profiles are one-based float arrays r[1..n] (cm,
// ascending) and y[1..n]; results replace y.

// Gaussian convolution exp(-(x - r)^2 / sigma^2) over the points within
// rangeInSigma * sigma of each radius. Beyond the ends the grid is continued
// with the mean spacing; points outside [meniscus, bottom] and the continued
// points add weight but no signal, so the profile drops near the cell ends as
// the cone reaches past them. Nothing happens for fewer than two points, a
// width that is not positive or radii that do not increase.
void GaussianConvolveProfile(int n, const float* r, float* y, float sigma, float rangeInSigma,
                             float meniscus, float bottom);

// Multiplies the values within coneRadius of the bottom by the visible part
// of the excitation cone: 1 at a distance coneRadius, 1/2 at the bottom, 0 at
// coneRadius beyond it and further out. Nothing happens for a cone radius
// that is not positive.
void ExcitationConeWeights(int n, const float* r, float* y, float coneRadius, float bottom);

// Running average over a window of width w centred on each radius, taken on
// the transmission 10^(-y) because the detector averages light intensity,
// not absorbance. A window without points, or a mean that is not positive,
// gives 0.
void SmearByRadialWindow(int n, float w, const float* r, float* y);

// erfc(x) by the Chebyshev-fitted approximation of Numerical Recipes
// (fractional error below 1.2e-7 everywhere).
float ErfcApprox(float x);

// Faxen's approximation of the boundary of a single species sedimenting from
// a uniform loading c0 in a sector cell, at time t (s), with the
// sedimentation rate k = omega^2 s (1/s), the diffusion coefficient D
// (cm^2/s) and the meniscus m (cm), into out[1..n] at the radii r[1..n].
// With absorbance data and the finite radial resolution simulated, the
// profile is then smeared like a scan.
void FaxenProfile(float c0, double t, const float* r, float* out, int n, double k, double D,
                  double m);
