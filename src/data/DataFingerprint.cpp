#include "data/DataFingerprint.h"

#include <algorithm>
#include <cassert>
#include <cmath>

namespace {

// The header fields that decide whether a result still belongs to the data:
// a changed time (for instance from switching times-from-omega^2 t on) must
// invalidate it even when the recorded time stays.
ScanHeader HeaderImage(const ScanHeader& h) {
  ScanHeader image;
  image.DataType = h.DataType;
  image.Cell = h.Cell;
  image.Temperature = h.Temperature;
  image.Rpm = h.Rpm;
  image.Time = h.Time;
  image.Wavelength = h.Wavelength;
  image.RecordedTime = h.RecordedTime;
  return image;
}

bool SameHeaderFields(const ScanHeader& a, const ScanHeader& b) {
  return a.DataType == b.DataType && a.Cell == b.Cell && a.Temperature == b.Temperature &&
         a.Rpm == b.Rpm && a.Time == b.Time && a.Wavelength == b.Wavelength &&
         a.RecordedTime == b.RecordedTime;
}

constexpr float kValueTolerance = 1e-6f;

}  // namespace

void CSVDataFingerPrint::Store(int count, const OneBasedArray<ScanHeader>& headers,
                               const OneBasedArray<int>& pointCounts, const ScanArrays& signals) {
  assert(count >= 0);
  count_ = 0;
  pointCounts_ = OneBasedArray<int>{};
  middleValues_ = OneBasedArray<float>{};
  middleIndex_ = 1;
  if (count == 0) return;
  assert(headers.hi() >= headerIndex_ && pointCounts.hi() >= count && signals.hi() >= count);

  count_ = count;
  pointCounts_.Resize(1, count);
  int longest = 0;
  for (int i = 1; i <= count; ++i) {
    pointCounts_[i] = pointCounts[i];
    longest = std::max(longest, pointCounts[i]);
  }
  middleIndex_ = std::max(1, longest / 2);
  middleValues_.Resize(1, count);
  for (int i = 1; i <= count; ++i) {
    const int k = RecordedIndex(i);
    assert(signals[i].hi() >= pointCounts[i]);
    if (k >= 1) middleValues_[i] = signals[i][k];
  }
  headerImage_ = HeaderImage(headers[headerIndex_]);
}

int CSVDataFingerPrint::RecordedIndex(int i) const {
  assert(i >= 1 && i <= count_);
  return std::min(middleIndex_, std::max(0, pointCounts_[i]));
}

bool CSVDataFingerPrint::Matches(int count, const OneBasedArray<ScanHeader>& headers,
                                 const OneBasedArray<int>* pointCounts,
                                 const ScanArrays* signals) const {
  if (count_ == 0 || count != count_) return false;
  if (pointCounts) {
    if (pointCounts->hi() < count) return false;
    for (int i = 1; i <= count; ++i)
      if ((*pointCounts)[i] != pointCounts_[i]) return false;
  }
  if (signals) {
    if (signals->hi() < count) return false;
    for (int i = 1; i <= count; ++i) {
      const int k = RecordedIndex(i);
      if (k < 1) continue;
      // A scan that no longer reaches the recorded point has changed.
      if ((*signals)[i].hi() < k) return false;
      if (!(std::fabs(middleValues_[i] - (*signals)[i][k]) <= kValueTolerance)) return false;
    }
  }
  if (headers.hi() < headerIndex_) return false;
  return SameHeaderFields(headerImage_, headers[headerIndex_]);
}
