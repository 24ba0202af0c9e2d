#pragma once
// s and D of a sedimenting co-solute as functions of its molarity c: the
// built-in laws of CsCl at 25 degrees Celsius (molar mass 168.4 g/mol) and
// the power series of the loaded s(c) and D(c) files.

// S: with a = 168.4 c, 0.596 - 0.000322 a - 0.0633 exp(-0.00399 a).
double CsClSedimentation(double c);
// cm^2/s: 1e-5 (2.04 + (2.03 - 2.04) exp(-18.1 c) + 0.507 c - 0.0341 c^2 -
// 0.614 sqrt(c)).
double CsClDiffusion(double c);
// a[1] + a[2] x + ... + a[n] x^(n-1); 0 for n < 1 or no array.
double EvaluateCoefficientSeries(const double* a, int n, double x);
