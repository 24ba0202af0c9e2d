#include "data/ScanPointFilter.h"

#include <cmath>

void ScanPointFilter::Add(const ScanPoint& point) {
  if (distance_ > 0.0f && !points_.empty() && groupStart_ + distance_ > point.Radius) {
    Merge(point);
    return;
  }
  if (distance_ > 0.0f) {
    merged_ = 1.0f;
    groupStart_ = point.Radius;
  }
  if (spikeTest_ && points_.size() >= 3 && LastIsSpike(point)) {
    points_.back() = point;
    return;
  }
  points_.push_back(point);
}

void ScanPointFilter::Merge(const ScanPoint& point) {
  ScanPoint& p = points_.back();
  const float w = merged_;
  p.Radius = (w * p.Radius + point.Radius) / (w + 1.0f);
  p.Signal = (w * p.Signal + point.Signal) / (w + 1.0f);
  if (keepThird_) p.Third = (w * p.Third + point.Third) / (w + 1.0f);
  merged_ += 1.0f;
}

bool ScanPointFilter::LastIsSpike(const ScanPoint& point) const {
  const std::size_t n = points_.size();
  const float last = points_[n - 1].Signal;
  const float before = points_[n - 2].Signal;
  return std::fabs(last - before) > threshold_ && std::fabs(point.Signal - last) > threshold_;
}
