#pragma once
// A window of scans in time order that the time-dependent s and M fits fit
// alone; the rmsd of a fit then counts only those scans.

struct FitScanWindowRecord {
  bool On = false;
  int First = 1;  // positions in ScanTimeOrder, 1-based
  int Last = 1;
};

extern FitScanWindowRecord FitScanWindow;
