#include "data/ResidualHistogram.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"

namespace {

void Fill(OneBasedArray<float>* out, const std::vector<double>& values) {
  if (out == nullptr) return;
  const int n = static_cast<int>(values.size());
  out->Resize(1, n);
  for (int i = 1; i <= n; ++i)
    (*out)[i] = static_cast<float>(values[static_cast<std::size_t>(i - 1)]);
}

// The number of residuals in all fit ranges.
std::int64_t FitRangePoints() {
  const auto& d = ScanDataSet;
  std::int64_t points = 0;
  for (int i = 1; i <= d.NFILES; ++i)
    points += std::max(0, d.ScanLastFitIndex[i] - d.ScanFirstFitIndex[i] + 1);
  return points;
}

// Half the number of bins beside the centre one: about one bin per 2 d
// residuals, d = 100 for absorbance data and 1000 otherwise, halving d until
// there are more than nine bins. Negative when d falls below 1 first.
std::int64_t HalfBinCount(std::int64_t points) {
  double d = ScanReaderOptions.AbsorbanceData ? 100.0 : 1000.0;
  std::int64_t k = static_cast<std::int64_t>(std::floor(points / (2.0 * d)));
  while (2 * k + 1 <= 9) {
    d *= 0.5;
    if (d < 1.0) return -1;
    k = static_cast<std::int64_t>(std::floor(points / (2.0 * d)));
  }
  return k;
}

}  // namespace

int ResidualHistogram(OneBasedArray<float>* centres, OneBasedArray<float>* lowerEdges,
                      OneBasedArray<float>* upperEdges, OneBasedArray<float>* counts,
                      OneBasedArray<float>* gaussian, float* misfit) {
  const auto& d = ScanDataSet;
  if (DlsDataMode || d.NFILES <= 0) return 0;
  const float sigma = ScanRmsd();
  if (!(sigma > 0.0f)) return 0;
  const std::int64_t k = HalfBinCount(FitRangePoints());
  if (k < 0) {
    const std::vector<double> zero(1, 0.0);
    for (OneBasedArray<float>* out : {centres, lowerEdges, upperEdges, counts, gaussian})
      Fill(out, zero);
    if (misfit != nullptr) *misfit = 0.0f;
    return 1;
  }
  const auto bins = static_cast<std::size_t>(2 * k + 1);
  const double width = 10.0 * sigma / static_cast<double>(2 * k);
  std::vector<double> centre(bins), lower(bins), upper(bins);
  std::vector<float> upperEdge(bins);
  for (std::size_t i = 0; i < bins; ++i) {
    centre[i] = static_cast<float>(-5.0 * sigma + static_cast<double>(i) * width);
    lower[i] = static_cast<float>(centre[i] - 0.5 * width);
    upper[i] = static_cast<float>(lower[i] + width);
    upperEdge[i] = static_cast<float>(upper[i]);
  }

  // Bin 1 takes everything at or below its lower edge, the last bin
  // everything above its upper edge; otherwise the first bin whose upper
  // edge reaches the residual.
  std::vector<double> count(bins, 0.0);
  const float firstLower = static_cast<float>(lower[0]);
  for (int i = 1; i <= d.NFILES; ++i) {
    const float* r = d.ScanResiduals[i].data();
    for (int p = d.ScanFirstFitIndex[i]; p <= d.ScanLastFitIndex[i]; ++p) {
      const float v = r[p];
      std::size_t bin = 0;
      if (!(v <= firstLower)) {
        const auto it = std::lower_bound(upperEdge.begin(), upperEdge.end(), v);
        bin = it == upperEdge.end() ? bins - 1 : static_cast<std::size_t>(it - upperEdge.begin());
      }
      count[bin] += 1.0;
    }
  }

  // The Gaussian of width sigma, scaled to the counts by least squares.
  std::vector<double> g(bins);
  double cg = 0.0, gg = 0.0;
  for (std::size_t i = 0; i < bins; ++i) {
    g[i] = std::exp(-centre[i] * centre[i] / (2.0 * sigma * sigma));
    cg += count[i] * g[i];
    gg += g[i] * g[i];
  }
  const double scale = cg / gg;
  double misfitSum = 0.0, scaledSum = 0.0;
  for (std::size_t i = 0; i < bins; ++i) {
    g[i] *= scale;
    misfitSum += (g[i] - count[i]) * (g[i] - count[i]);
    scaledSum += g[i] * g[i];
  }
  Fill(centres, centre);
  Fill(lowerEdges, lower);
  Fill(upperEdges, upper);
  Fill(counts, count);
  Fill(gaussian, g);
  if (misfit != nullptr)
    *misfit = scaledSum > 0.0 ? static_cast<float>(100.0 * misfitSum / scaledSum) : 0.0f;
  return static_cast<int>(bins);
}
