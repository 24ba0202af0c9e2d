#include "distributions/TwoPointPeak.h"

#include "numerics/RootFinders.h"

namespace {

// Adds ∫y dx and ∫x y dx of the straight line from (a, ya) to (b, yb).
void AddSegment(double a, double ya, double b, double yb, double& area, double& moment) {
  const double width = b - a;
  area += width * (ya + yb) / 2.0;
  moment += width / 6.0 * (ya * (2.0 * a + b) + yb * (a + 2.0 * b));
}

}  // namespace

double PeakCentroidOffset(const TwoPointPlacement& p, double d) {
  double area = 0.0, moment = 0.0;
  AddSegment(p.S0, 0.0, p.S1, p.Height + d, area, moment);
  AddSegment(p.S1, p.Height + d, p.S2, p.Height - d, area, moment);
  AddSegment(p.S2, p.Height - d, p.S3, 0.0, area, moment);
  if (area == 0.0) return p.Target;
  return moment / area - p.Target;
}

bool PlaceTwoPointPeak(const double* s, double* w, int n, int from, double target, double area) {
  int b = 0;
  for (int k = from < 1 ? 1 : from; k < n; ++k)
    if (s[k] <= target && target < s[k + 1]) {
      b = k;
      break;
    }
  if (b < 2 || b > n - 2) return false;
  TwoPointPlacement p{s[b - 1], s[b], s[b + 1], s[b + 2], 0.0, target};
  // The trapezoid 0, h, h, 0 over s0..s3 has the area A.
  p.Height = 2.0 * area / ((p.S2 - p.S0) + (p.S3 - p.S1));
  if (p.S1 == target) {
    w[b] += 2.0 * p.Height;
    return true;
  }
  const double d = zbrent([&p](double x) { return PeakCentroidOffset(p, x); }, -p.Height,
                          p.Height, 0.0001);
  w[b] += p.Height + d;
  w[b + 1] += p.Height - d;
  return true;
}
