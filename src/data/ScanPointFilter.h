#pragma once
// The treatment of the data points as they are read: merging of points that
// lie within the averaging distance of the first point of their group, and
// removal of isolated spikes (a point that differs by more than the spike
// level from both of its neighbours).

#include <vector>

struct ScanPoint {
  float Radius = 0.0f;
  float Signal = 0.0f;
  float Third = 0.0f;
};

class ScanPointFilter {
 public:
  // averagingDistance <= 0: no merging. spikeTest false: no spike removal.
  ScanPointFilter(float averagingDistance, bool spikeTest, float spikeThreshold, bool keepThird)
      : distance_(averagingDistance),
        spikeTest_(spikeTest),
        threshold_(spikeThreshold),
        keepThird_(keepThird) {}

  // Takes the next point read from the file.
  void Add(const ScanPoint& point);
  std::vector<ScanPoint>& Points() { return points_; }

 private:
  // A running mean over the points merged so far.
  void Merge(const ScanPoint& point);
  // True when the last kept point stands alone between the one before it and
  // the new point.
  bool LastIsSpike(const ScanPoint& point) const;

  float distance_;
  bool spikeTest_;
  float threshold_;
  bool keepThird_;
  std::vector<ScanPoint> points_;
  float groupStart_ = 0.0f;
  float merged_ = 1.0f;
};
