#include "numerics/CCurve.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <utility>
#include <vector>

#include "numerics/NumberTextScanner.h"
#include "platform/FileHandle.h"
#include "ui/Boxes.h"

namespace {

void ReportUnopened(const std::string& path) {
  ErrorBox("\n\aAttention: could not open " + path);
}

// Reads the columns xcol and ycol of one line and discards the rest of it.
// A ";" or "," directly after a number is taken as its separator. Only the
// two wanted numbers must be there: a column that is skipped may be empty
// between two separators ("1,,3").
bool ReadColumnPair(NumberTextScanner& in, int xcol, int ycol, float& x, float& y) {
  float dropped = 0.0f;
  for (int column = 1; column < xcol; ++column) {
    in.ReadFloat(dropped);
    in.SkipOneOf(";,");
  }
  if (!in.ReadFloat(x)) return false;
  in.SkipOneOf(";,");
  for (int column = xcol + 1; column < ycol; ++column) {
    in.ReadFloat(dropped);
    in.SkipOneOf(";,");
  }
  if (!in.ReadFloat(y)) return false;
  in.DiscardLinePiece();
  return true;
}

// NaN abscissae sort after every number, so the order stays a strict weak
// one whatever the data hold.
bool AbscissaBefore(float a, float b) {
  if (std::isnan(a)) return false;
  if (std::isnan(b)) return true;
  return a < b;
}

}  // namespace

CCurve::CCurve(CVector* x, CVector* y) : x_(x), y_(y) {}

CCurve::CCurve(std::unique_ptr<CVector> x, std::unique_ptr<CVector> y)
    : ownedX_(std::move(x)), ownedY_(std::move(y)), owns_(true) {
  x_ = ownedX_.get();
  y_ = ownedY_.get();
}

CCurve::CCurve(const float* xs, const float* ys, int count, int xfirst, int yfirst) {
  const unsigned n = count > 0 ? static_cast<unsigned>(count) : 0u;
  ReplaceByOwned(n);
  for (unsigned i = 0; i < n; ++i) {
    (*x_)[i] = xs[xfirst + static_cast<int>(i)];
    (*y_)[i] = ys[yfirst + static_cast<int>(i)];
  }
}

CCurve::CCurve(CCurve&& other) noexcept {
  *this = std::move(other);
}

CCurve& CCurve::operator=(CCurve&& other) noexcept {
  if (this == &other) return *this;
  ownedX_ = std::move(other.ownedX_);
  ownedY_ = std::move(other.ownedY_);
  x_ = std::exchange(other.x_, nullptr);
  y_ = std::exchange(other.y_, nullptr);
  owns_ = std::exchange(other.owns_, false);
  return *this;
}

void CCurve::ReplaceByOwned(unsigned count) {
  ownedX_ = std::make_unique<CVector>(count);
  ownedY_ = std::make_unique<CVector>(count);
  x_ = ownedX_.get();
  y_ = ownedY_.get();
  owns_ = true;
}

int CCurve::Points() const {
  if (!x_ || !y_) return 0;
  return static_cast<int>(std::min(x_->count(), y_->count()));
}

int CCurve::WriteFile(const std::string& path) const {
  FileHandle file(std::fopen(path.c_str(), "w"));
  if (!file) {
    ReportUnopened(path);
    return 0;
  }
  for (int i = 0; i < Points(); ++i)
    std::fprintf(file.get(), "%e %e\n", static_cast<double>(X(i)), static_cast<double>(Y(i)));
  return 1;
}

void WriteXYFile(const std::string& path, int n, const float* x, const float* y) {
  FileHandle file(std::fopen(path.c_str(), "w"));
  if (!file) {
    ReportUnopened(path);
    return;
  }
  for (int i = 1; i <= n; ++i)
    std::fprintf(file.get(), "%f %f\n", static_cast<double>(x[i]), static_cast<double>(y[i]));
}

int CCurve::ReadFile(const std::string& path, int xcol, int ycol) {
  return ReadColumns(path, xcol, ycol, 1);
}

int CCurve::ReadFileAveraged(const std::string& path, int xcol, int ycol, int m) {
  assert(m >= 1);
  if (m < 1) return 0;
  return ReadColumns(path, xcol, ycol, m);
}

// Every line counts, so the curve is sized before it is read; a line without
// the two numbers ends the read with 0, keeping the points read before it.
int CCurve::ReadColumns(const std::string& path, int xcol, int ycol, int m) {
  assert(xcol >= 1 && xcol < ycol);
  NumberTextScanner in;
  if (!in.Open(path)) {
    ReportUnopened(path);
    return 0;
  }
  const int lines = in.CountLinePieces();
  const int points = lines / m + (lines % m ? 1 : 0);
  ReplaceByOwned(static_cast<unsigned>(points));
  double sumX = 0.0, sumY = 0.0;
  int inGroup = 0;
  for (int line = 0; line < lines; ++line) {
    float x = 0.0f, y = 0.0f;
    if (!ReadColumnPair(in, xcol, ycol, x, y)) return 0;
    sumX += x;
    sumY += y;
    if (++inGroup == m || line == lines - 1) {
      const auto point = static_cast<unsigned>(line / m);
      (*x_)[point] = static_cast<float>(sumX / inGroup);
      (*y_)[point] = static_cast<float>(sumY / inGroup);
      sumX = sumY = 0.0;
      inGroup = 0;
    }
  }
  return 1;
}

float CCurve::XAtMaxY() const {
  const int n = Points();
  if (n == 0) return 0.0f;
  int best = 0;
  for (int i = 1; i < n; ++i)
    if (Y(i) > Y(best)) best = i;
  return X(best);
}

float CCurve::MinYInWindow(float x0, float x1) const {
  return MinYInWindow(x0, x1, 0, Points());
}

float CCurve::MaxYInWindow(float x0, float x1) const {
  return MaxYInWindow(x0, x1, 0, Points());
}

float CCurve::MinYInWindow(float x0, float x1, int first, int last) const {
  first = std::max(first, 0);
  last = std::min(last, Points());
  bool found = false;
  float m = 0.0f;
  for (int i = first; i < last && !(X(i) > x1); ++i)
    if (X(i) >= x0 && (!found || Y(i) < m)) m = Y(i), found = true;
  return m;
}

float CCurve::MaxYInWindow(float x0, float x1, int first, int last) const {
  first = std::max(first, 0);
  last = std::min(last, Points());
  bool found = false;
  float m = 0.0f;
  for (int i = first; i < last && !(X(i) > x1); ++i)
    if (X(i) >= x0 && (!found || Y(i) > m)) m = Y(i), found = true;
  return m;
}

float CCurve::MeanYInWindow(float x0, float x1) const {
  double sum = 0.0;
  int inside = 0;
  for (int i = 0; i < Points(); ++i)
    if (X(i) >= x0 && X(i) <= x1) sum += Y(i), ++inside;
  return inside ? static_cast<float>(sum / inside) : 0.0f;
}

int CCurve::NearestXIndex(float x) const {
  int best = 0;
  for (int i = 1; i < Points(); ++i)
    if (std::fabs(X(i) - x) < std::fabs(X(best) - x)) best = i;
  return best;
}

int CCurve::NearestPointByX(float x, float* xout, float* yout) const {
  const int i = NearestXIndex(x);
  if (Points() > 0) {
    if (xout) *xout = X(i);
    if (yout) *yout = Y(i);
  }
  return i;
}

int CCurve::NearestPointByY(float y, float* xout, float* yout) const {
  int best = 0;
  for (int i = 1; i < Points(); ++i)
    if (std::fabs(Y(i) - y) < std::fabs(Y(best) - y)) best = i;
  if (Points() > 0) {
    if (xout) *xout = X(best);
    if (yout) *yout = Y(best);
  }
  return best;
}

int CCurve::NearestPoint(float x, float y, float* xout, float* yout) const {
  auto distance = [&](int i) {
    const float dx = x - X(i), dy = y - Y(i);
    return dx * dx + dy * dy;
  };
  int best = 0;
  for (int i = 1; i < Points(); ++i)
    if (distance(i) < distance(best)) best = i;
  if (Points() > 0) {
    if (xout) *xout = X(best);
    if (yout) *yout = Y(best);
  }
  return best;
}

float CCurve::YAt(float x) const {
  const int n = Points();
  assert(n >= 2);
  if (n < 2) return n == 1 ? Y(0) : 0.0f;
  const int i = NearestXIndex(x);
  if (X(i) == x) return Y(i);
  int a = i, b = i + 1;
  if (x < X(i))
    a = std::max(i - 1, 0), b = a + 1;
  else if (i == n - 1)
    a = n - 2, b = n - 1;
  return Y(a) + (Y(b) - Y(a)) * (x - X(a)) / (X(b) - X(a));
}

int CCurve::FindPeaks(float* xs, float* ys, int* indices, int maxCount, int n) const {
  if (maxCount < 1 || n < 1 || !xs || !ys) return 0;
  std::vector<int> peaks;
  for (int i = n; i < Points() - n; ++i) {
    bool peak = true;
    for (int k = 1; k <= n && peak; ++k) peak = Y(i) > Y(i - k) && Y(i) > Y(i + k);
    if (peak) peaks.push_back(i);
  }
  // Highest first; equal heights keep their order along x.
  std::stable_sort(peaks.begin(), peaks.end(), [this](int a, int b) { return Y(a) > Y(b); });
  const int written = std::min(maxCount, static_cast<int>(peaks.size()));
  for (int k = 1; k <= written; ++k) {
    const int i = peaks[static_cast<std::size_t>(k - 1)];
    xs[k] = X(i);
    ys[k] = Y(i);
    if (indices) indices[k] = i + 1;
  }
  return written;
}

void CCurve::SortByX() {
  const int n = Points();
  if (n < 2) return;
  std::vector<int> order(static_cast<std::size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [this](int a, int b) { return AbscissaBefore(X(a), X(b)); });
  std::vector<float> xs(order.size()), ys(order.size());
  for (std::size_t k = 0; k < order.size(); ++k) xs[k] = X(order[k]), ys[k] = Y(order[k]);
  for (std::size_t k = 0; k < order.size(); ++k) {
    (*x_)[static_cast<unsigned>(k)] = xs[k];
    (*y_)[static_cast<unsigned>(k)] = ys[k];
  }
}
