#include "ui/MouseFlick.h"

#include <cassert>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/Platform.h"

MouseFlickSettingsRecord MouseFlickSettings;

namespace {

// A mouse rests when it has not moved for this long before the release.
constexpr float kRestingGap = 0.3f;
// Half the slot count of a glide beyond anything a mouse can give (some
// twenty-five million pixels per second at the standard friction).
constexpr float kMaxGlideHalfSlots = 5.0e6f;

float Sign(float u) {
  return u > 0.0f ? 1.0f : (u < 0.0f ? -1.0f : 0.0f);
}

// Slope at the last sample of the least-squares parabola x = A t^2 + B t + K,
// from the centred normal equations: the straight line's slope beta, the
// regression gamma of t^2 on t, and A from what the line leaves over. With
// only two distinct times the quadratic term is undetermined and the line's
// slope stands.
float ParabolaSlopeAtEnd(const std::vector<double>& t, const std::vector<double>& x) {
  const std::size_t n = t.size();
  double tm = 0.0, t2m = 0.0, xm = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    tm += t[i];
    t2m += t[i] * t[i];
    xm += x[i];
  }
  tm /= static_cast<double>(n);
  t2m /= static_cast<double>(n);
  xm /= static_cast<double>(n);
  double stt = 0.0, sxt = 0.0, sqt = 0.0, sqq = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double dt = t[i] - tm, dq = t[i] * t[i] - t2m;
    stt += dt * dt;
    sxt += (x[i] - xm) * dt;
    sqt += dq * dt;
    sqq += dq * dq;
  }
  if (stt == 0.0) return 0.0f;  // every sample at the same time
  const double beta = sxt / stt, gamma = sqt / stt;
  double num = 0.0, den = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double dt = t[i] - tm;
    const double rq = t[i] * t[i] - t2m - gamma * dt;
    num += (x[i] - xm - beta * dt) * rq;
    den += rq * rq;
  }
  // What rounding leaves of an exact zero (t^2 linear in t over two distinct
  // times) is no curvature to fit.
  if (n == 2 || den <= 1e-9 * sqq) return static_cast<float>(beta);
  const double a = num / den;
  const double b = beta - a * gamma;
  return static_cast<float>(2.0 * a * t[n - 1] + b);
}

// Keeps slots 1..last and cuts the glide where it comes to rest early: at
// the first timed slot whose position the next ten slots all keep.
int KeptSlots(const std::vector<int>& p, const std::vector<float>& w, int last, int slots) {
  for (int k = 1; k <= last; ++k) {
    if (!(w[static_cast<std::size_t>(k)] > 0.0f)) continue;
    bool resting = true;
    for (int m = k + 1; m <= k + 10 && m <= slots && resting; ++m)
      resting = p[static_cast<std::size_t>(m)] == p[static_cast<std::size_t>(k)];
    if (resting) return k;
  }
  return last;
}

}  // namespace

void MouseFlickReset() {
  if (!MouseFlickSettings.SlidingOff) MouseFlickSettings.SampleCount = 0;
}

void MouseFlickRecord(platform::Point point) {
  auto& m = MouseFlickSettings;
  if (m.SlidingOff) return;
  const std::uint64_t tick = platform::Current().TickCountMs();
  if (m.SampleCount < kMouseFlickSamples) {
    ++m.SampleCount;
  } else {
    for (int i = 1; i < kMouseFlickSamples; ++i) {
      m.FlickTicks[static_cast<std::size_t>(i)] = m.FlickTicks[static_cast<std::size_t>(i + 1)];
      m.FlickPoints[static_cast<std::size_t>(i)] = m.FlickPoints[static_cast<std::size_t>(i + 1)];
    }
  }
  m.FlickTicks[static_cast<std::size_t>(m.SampleCount)] = tick;
  m.FlickPoints[static_cast<std::size_t>(m.SampleCount)] = point;
}

float MouseFlickVelocity() {
  auto& m = MouseFlickSettings;
  if (m.SlidingOff || m.SampleCount < 2) return 0.0f;
  const int n = m.SampleCount;
  const auto ticks = [&](int i) {
    return static_cast<double>(
        static_cast<std::int64_t>(m.FlickTicks[static_cast<std::size_t>(i)] - m.FlickTicks[1]));
  };
  m.LastGap = static_cast<float>((ticks(n) - ticks(n - 1)) * 1000.0 * 1e-6);
  if (m.LastGap > kRestingGap) {
    m.ReleaseVelocity = 0.0f;
    return 0.0f;
  }
  std::vector<double> t, x;
  for (int i = 1; i <= n; ++i) {
    t.push_back(ticks(i) * 0.001);
    x.push_back(m.FlickPoints[static_cast<std::size_t>(i)].x);
  }
  m.ReleaseVelocity = ParabolaSlopeAtEnd(t, x);
  return m.ReleaseVelocity;
}

bool MouseFlickGlide(OneBasedArray<int>& positions, OneBasedArray<float>& steps, int& count,
                     int low, int high, int start) {
  positions.Resize(1, 0);
  steps.Resize(1, 0);
  count = 0;
  const auto& m = MouseFlickSettings;
  if (m.SlidingOff) return false;
  const float v = MouseFlickVelocity();
  if (v == 0.0f || !std::isfinite(v)) return false;
  const float a = std::fabs(m.Friction), dt = m.GlideStep;
  assert(a > 0.0f && dt > 0.0f);
  // Twice the slots the friction alone needs to stop the motion.
  const float half = std::ceil((std::fabs(v) / (0.5f * a)) / dt);
  if (!(half <= kMaxGlideHalfSlots)) return false;
  const int slots = 2 * static_cast<int>(half) + 1;

  std::vector<int> p(static_cast<std::size_t>(slots) + 1, 0);
  std::vector<float> w(static_cast<std::size_t>(slots) + 1, 0.0f);
  p[1] = start;
  float u = v, pull = 0.0f;
  bool edgeHit = false;
  int restingEdge = 0;
  int i = 1;
  while (i < slots) {
    ++i;
    const auto at = static_cast<std::size_t>(i);
    // The last step is shortened to the moment the friction stops the motion.
    const float d = std::fabs(u) - a * dt < 0.0f ? std::fabs(u) / a : dt;
    w[at] = d;
    const float dm = d < 1e-6f ? 0.0f : d;
    int s = static_cast<int>(u > 0.0f ? std::ceil(u * dm) : std::floor(u * dm));
    bool stepHitEdge = false;
    const int previous = p[at - 1];
    if (previous + s < low || previous + s > high) {
      const int edge = previous + s < low ? low : high;
      s = edge - previous;
      stepHitEdge = true;
      if (!edgeHit) {
        edgeHit = true;
        restingEdge = edge;
        if (m.Bouncing) pull = edge == low ? -m.BouncePull : m.BouncePull;
      }
      u = -(1.0f - m.BounceDamping) * u;
    }
    p[at] = previous + s;
    const float g = -Sign(u) * a;  // the friction opposes the current motion
    u = u + (g + pull) * dm;
    const bool settled = m.Bouncing && edgeHit ? std::abs(p[at] - restingEdge) < 3 &&
                                                     std::abs(s) <= 1 && std::fabs(u) <= 10.0f
                                               : (!stepHitEdge && s == 0) || std::fabs(u) <= 1.0f;
    if (settled) break;
  }
  count = KeptSlots(p, w, i, slots);
  positions.Resize(1, count);
  steps.Resize(1, count);
  for (int k = 1; k <= count; ++k) {
    positions[k] = p[static_cast<std::size_t>(k)];
    steps[k] = w[static_cast<std::size_t>(k)];
  }
  return true;
}
