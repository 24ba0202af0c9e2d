#pragma once
// Corrections of interference scans, applied to the working signal
// (ScanSignal) in place:
//  - integral fringe offsets between scans: an interference optics measures
//    the refractive-index profile only up to a whole number of fringes per
//    scan, so scans are shifted by whole fringes onto the earliest one;
//  - integral fringe jumps inside a scan, where the fringe counting of the
//    optics slipped by one or more fringes between two points;
//  - baseline jitter between scans: the offset of each scan in an air-to-air
//    region, where the true signal is the same for all scans.
// When the common grid holds its own resampled copies of the signals, the
// copies are corrected with the data, so that the grid goes on describing
// them (a second correction then finds nothing more to do).

// Shifts every scan but the earliest by the nearest whole number of fringes
// (when the difference exceeds half a fringe) by which its signal at its
// first point with a radius >= radius differs from the earliest scan's there;
// then adds offset to every scan. Interference data only. A radius beyond the
// last point of a scan is refused with a message and changes nothing. True
// when the scans were aligned.
bool AlignFringeOffsetsAtRadius(float offset, float radius);

// Removes steps larger than threshold (fringes) between neighbouring points
// of each scan's fit range: judged from the signal (the step to the previous
// point) or, with fromResiduals, from the residuals (the step to the mean of
// the three previous residuals). A step is removed by lowering or raising
// everything from that point to the scan's end by whole fringes, until the
// step is no larger than threshold. Needs both fit limits and a positive
// threshold; values that are not finite are left alone. True when the scans
// were examined.
bool RemoveFringeJumps(float threshold, bool fromResiduals);

// Takes each scan's mean over the common grid points in [r1, r2) relative to
// the earliest scan's, stores it as the scan's radial-invariant noise and
// subtracts it from the scan's signal. Interference data only. A range that
// holds no grid point is refused with a message and changes nothing. True
// when the scans were corrected.
bool EliminateJitter(float r1, float r2);
