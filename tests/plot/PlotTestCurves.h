#pragma once
// Curves for plot tests: vectors owned by the test, a curve viewing them,
// and replays of plot pictures onto a recording canvas in plot-space units.

#include <memory>
#include <vector>

#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "platform/Metafile.h"
#include "platform/RecordingCanvas.h"

class TestCurve {
 public:
  TestCurve(const std::vector<float>& xs, const std::vector<float>& ys)
      : x_(static_cast<unsigned>(xs.size()), xs.data()),
        y_(static_cast<unsigned>(ys.size()), ys.data()),
        curve_(&x_, &y_) {}
  TestCurve(const TestCurve&) = delete;
  TestCurve& operator=(const TestCurve&) = delete;

  CCurve* get() { return &curve_; }
  CCurve& operator*() { return curve_; }
  CVector& x() { return x_; }
  CVector& y() { return y_; }

 private:
  CVector x_;
  CVector y_;
  CCurve curve_;
};

// n points x = x0 + k * dx, y = f(x).
template <class F>
std::unique_ptr<TestCurve> SampledCurve(int n, float x0, float dx, F f) {
  std::vector<float> xs, ys;
  for (int k = 0; k < n; ++k) {
    const float x = x0 + static_cast<float>(k) * dx;
    xs.push_back(x);
    ys.push_back(static_cast<float>(f(x)));
  }
  return std::make_unique<TestCurve>(xs, ys);
}

// The picture replayed one logical unit to one device pixel.
inline std::vector<platform::DrawCall> Replay(const platform::Metafile& picture) {
  platform::RecordingCanvas canvas;
  picture.Play(canvas);
  return canvas.Calls();
}

inline std::vector<platform::DrawCall> CallsOf(const std::vector<platform::DrawCall>& calls,
                                               platform::DrawKind kind) {
  std::vector<platform::DrawCall> out;
  for (const auto& c : calls)
    if (c.kind == kind) out.push_back(c);
  return out;
}
