#pragma once
// The loading signal of an equilibrium data set and its hinge point. Mass
// conservation makes the signal the cell held before sedimentation equal to
// the area-weighted mean of the equilibrium profile between meniscus and
// bottom; the hinge point is the radius where the local signal first rises
// above it, where the apparent weight-average molar mass is that of the
// loading.

// The loading signal of set i (baseline removed): the profile integrated
// from the meniscus to just beyond the right fit limit by trapezoids, and
// from the right fit limit to the bottom on the polynomial extrapolation of
// the bottom basis (order MeniscusOrder). 0 after the error box when the
// basis holds too few points.
float EstimateLoadingSignal(int i);

// The hinge window of set i: from the first point k whose window k..k+w
// (reaching the first point at least dr beyond r_k, w >= 1) has a mean
// signal above the baseline by more than L. Returns the mean of the shown
// Mw,app over the window with its mean radius and ends; 0 (outputs
// untouched) when no window qualifies.
float HingePointMwApp(int i, float L, float dr, float& rHinge, float& rFrom, float& rTo);

// The number of points of the hinge window starting at point k of set i
// (w + 1).
int HingeWindowPoints(int i, int k, float dr);
