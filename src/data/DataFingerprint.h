#pragma once
// A small signature of the loaded scans, so that an expensive result computed
// for them is reused only while the data are unchanged: the scan count, each
// scan's point count, each scan's signal at one fixed middle index and a few
// header fields of the first scan.

#include "data/ScanDataSet.h"
#include "data/ScanHeader.h"
#include "numerics/OneBasedArrays.h"

class CSVDataFingerPrint {
 public:
  CSVDataFingerPrint() = default;

  // Records scans 1..count. headers[1] gives the header fields; pointCounts
  // and signals must hold every scan (each signal array reaching at least its
  // point count).
  void Store(int count, const OneBasedArray<ScanHeader>& headers,
             const OneBasedArray<int>& pointCounts, const ScanArrays& signals);

  // False when nothing is stored or the scan count differs; when given, the
  // point counts must agree and each signal at the middle index must lie
  // within 1e-6 of the stored one; finally the header fields must be equal.
  bool Matches(int count, const OneBasedArray<ScanHeader>& headers,
               const OneBasedArray<int>* pointCounts, const ScanArrays* signals) const;

  int count() const { return count_; }
  int MiddleIndex() const { return middleIndex_; }
  // The index at which scan i's signal is recorded: the middle index, or the
  // scan's last point when the scan is shorter than that (0 for a scan
  // without points, which records nothing).
  int RecordedIndex(int i) const;

 private:
  int count_ = 0;
  int headerIndex_ = 1;
  ScanHeader headerImage_;
  OneBasedArray<int> pointCounts_;
  int middleIndex_ = 1;
  OneBasedArray<float> middleValues_;
};
