#pragma once
// Savitzky-Golay filters: least-squares polynomial smoothing and
// differentiation over a moving window (Savitzky and Golay, Anal. Chem. 1964).
// The in-place smoothing of a vector is CVector::Smooth and
// CVector::SmoothNonUniform.

// Fills the one-based c[1..np] with the coefficients of a filter that fits a
// polynomial of order m to nl points on the left and nr on the right of each
// point and yields its ld-th derivative (ld = 0: the smoothed value), in
// wrap-around order: c[1] weighs the point itself, c[1+k] the point k places
// to the left and c[np+1-k] the point k places to the right; the rest of c is
// 0. Impossible arguments end the program ("bad args in savgol").
void savgol(float* c, int np, int nl, int nr, int ld, int m);
