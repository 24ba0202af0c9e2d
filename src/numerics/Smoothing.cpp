#include "numerics/Smoothing.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <string>
#include <vector>

#include "numerics/CVector.h"
#include "numerics/FatalError.h"
#include "numerics/LinearSolvers.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/Resampling.h"
#include "ui/Boxes.h"

void savgol(float* c, int np, int nl, int nr, int ld, int m) {
  if (np < nl + nr + 1 || nl < 0 || nr < 0 || ld < 0 || m < 0 || ld > m || nl + nr < m)
    FatalError("bad args in savgol");
  // Normal matrix of the polynomial fit over the window: the element for the
  // exponents (i, j) is the power sum of the offsets with exponent i + j.
  OneBasedMatrix<float> a(1, m + 1, 1, m + 1);
  for (int ipj = 0; ipj <= 2 * m; ++ipj) {
    float sum = ipj ? 0.0f : 1.0f;
    for (int k = 1; k <= nr; ++k) sum += static_cast<float>(std::pow(double(k), double(ipj)));
    for (int k = 1; k <= nl; ++k) sum += static_cast<float>(std::pow(double(-k), double(ipj)));
    const int mm = static_cast<int>(FloatMin(float(ipj), float(2 * m - ipj)));
    for (int imj = -mm; imj <= mm; imj += 2) a[1 + (ipj + imj) / 2][1 + (ipj - imj) / 2] = sum;
  }
  OneBasedArray<int> indx(1, m + 1);
  float d = 0.0f;
  ludcmp(a.get(), m + 1, indx.data(), d);
  // Row ld+1 of the inverse gives the weights of the ld-th coefficient.
  OneBasedArray<float> b(1, m + 1);
  b[ld + 1] = 1.0f;
  lusubst(a.get(), m + 1, indx.data(), b.data());
  for (int kk = 1; kk <= np; ++kk) c[kk] = 0.0f;
  for (int k = -nl; k <= nr; ++k) {
    float sum = b[1];
    float fac = 1.0f;
    for (int j = 1; j <= m; ++j) sum += b[j + 1] * (fac *= static_cast<float>(k));
    c[((np - k) % np) + 1] = sum;
  }
}

namespace {

// Weights w[0..left+right] for the offsets -left..right of one window. Order
// 1 is the plain moving average; any other order is a Savitzky-Golay filter
// whose order is lowered to what the window can carry, so that the short
// windows at the ends of a vector never ask for an impossible fit.
std::vector<float> WindowWeights(int left, int right, int order) {
  const int np = left + right + 1;
  std::vector<float> w(static_cast<std::size_t>(np));
  if (order == 1) {
    std::fill(w.begin(), w.end(), 1.0f / static_cast<float>(np));
    return w;
  }
  OneBasedArray<float> c(1, np);
  savgol(c.data(), np, left, right, 0, std::min(order, left + right));
  for (int k = -left; k <= right; ++k)
    w[static_cast<std::size_t>(k + left)] = c[((np - k) % np) + 1];
  return w;
}

float SmoothedPoint(const float* y, int i, int left, int right, int order) {
  const std::vector<float> w = WindowWeights(left, right, order);
  float sum = 0.0f;
  for (int k = -left; k <= right; ++k) sum += w[static_cast<std::size_t>(k + left)] * y[i + k];
  return sum;
}

}  // namespace

int CVector::Smooth(int nl, int nr, int order) {
  assert(nl >= 0 && nr >= 0);
  const int np = nl + nr + 1;
  if (nl < 0 || nr < 0 || np < 2) return 0;
  const int count = static_cast<int>(count_);
  if (count < np) {
    ErrorBox("window for smoothing too big!\n" + std::to_string(nl) + "+" + std::to_string(nr) +
             "+1<" + std::to_string(count));
    return 0;
  }
  std::vector<float> out;
  if (!AllocVectorData(out, count_)) {
    ErrorBox("Could not allocate temporary vector while smoothing");
    return 0;
  }
  const float* y = data_;
  for (int i = 0; i < nl; ++i) out[static_cast<std::size_t>(i)] = SmoothedPoint(y, i, i, nr, order);
  // The interior shares one set of weights. Summing offset by offset keeps
  // the inner loop a contiguous multiply-add; doing it tile by tile keeps the
  // partial sums in the first-level cache however wide the window.
  const std::vector<float> w = WindowWeights(nl, nr, order);
  constexpr int kTile = 2048;
  for (int start = nl; start < count - nr; start += kTile) {
    const int length = std::min(kTile, count - nr - start);
    float* sums = out.data() + start;
    for (int k = -nl; k <= nr; ++k) {
      const float weight = w[static_cast<std::size_t>(k + nl)];
      const float* source = y + start + k;
      for (int i = 0; i < length; ++i) sums[i] += weight * source[i];
    }
  }
  for (int i = count - nr; i < count; ++i)
    out[static_cast<std::size_t>(i)] = SmoothedPoint(y, i, nl, count - 1 - i, order);
  std::copy(out.begin(), out.end(), data_);
  return 1;
}

namespace {

// Whether ResampleCurve writes its output for this target and source; when
// it does not, the output keeps whatever it held.
bool ResampleWrites(int count, const float* grid, int n, const float* xs) {
  return count >= 5 && n >= 5 && grid[count] >= xs[1] && xs[n] >= grid[1] && grid[5] <= xs[n - 4];
}

}  // namespace

int CVector::SmoothNonUniform(int count, const CVector& x, int nl, int nr, int order) {
  if (x.count() != count_) return 0;
  const int n = static_cast<int>(count_);
  if (n == 0 || count < 2) return 1;
  OneBasedArray<float> xs(1, n), ys(1, n);
  for (int i = 1; i <= n; ++i) xs[i] = x[static_cast<unsigned>(i - 1)], ys[i] = data_[i - 1];
  const float lo = x.Min(), hi = x.Max();
  if (!(hi > lo)) return 1;
  OneBasedArray<float> grid(1, count), u(1, count);
  for (int i = 1; i <= count; ++i)
    grid[i] = lo + (hi - lo) * static_cast<float>(i - 1) / static_cast<float>(count - 1);
  // Both resamplings must write, or the values would be replaced by a
  // smoothed grid that was never filled.
  if (!ResampleWrites(count, grid.data(), n, xs.data()) ||
      !ResampleWrites(n, xs.data(), count, grid.data()))
    return 1;
  ResampleCurve(count, grid.data(), u.data(), n, xs.data(), ys.data());
  CVector onGrid;
  onGrid.Attach(&u[1], static_cast<unsigned>(count));
  onGrid.Smooth(nl, nr, order);
  ResampleCurve(n, xs.data(), ys.data(), count, grid.data(), u.data());
  for (int i = 1; i <= n; ++i) data_[i - 1] = ys[i];
  return 1;
}
