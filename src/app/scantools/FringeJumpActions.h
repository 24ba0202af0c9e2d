#pragma once
// The interactive repair of integral fringe jumps in interference scans:
// in one scan, from a picked point on, by whole fringes placed with the keys
// (up to three jump points); and in all scans at once at one picked radius,
// where every scan whose residuals left and right of it differ by more than
// half a fringe is corrected by one fringe from there to its end.

// Points of the single-scan view around the current point.
extern int FringeJumpWindowPoints;
// cm left and right of the picked radius at which the all-scans tool reads
// the residuals.
extern float ScratchJumpDistance;

class TXLAWindow;

void CmRemoveFringeJumpsInScan(TXLAWindow& window);
void CmRemoveFringeJumpsAtPosition(TXLAWindow& window);

// What the single-scan tool holds, for tests and for the window's status.
struct FringeJumpView {
  int ScanPosition = 0;  // time-order position of the current scan; 0 none
  int PointIndex = 0;
  double Radius = 0.0;
  double Direction = 0.0;
  double Magnitude = 0.0;
  int Focus = 1;
};
FringeJumpView CurrentFringeJumpView();
