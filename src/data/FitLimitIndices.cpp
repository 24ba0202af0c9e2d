// The fit limits FitLeftLim and FitRightLim turned into per-scan point ranges
// and a grid range, after keeping them inside the data, the meniscus and the
// bottom.

#include <cstdio>
#include <string>

#include "state/ProgramFlags.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/InitialDistribution.h"
#include "state/ModelParameters.h"
#include "ui/Boxes.h"

namespace {

// The first index whose value is >= limit; fallback when there is none.
int FirstAtOrAbove(const float* values, int n, float limit, int fallback) {
  for (int k = 1; k <= n; ++k)
    if (values[k] >= limit) return k;
  return fallback;
}

// The last index whose value is <= limit; fallback when there is none.
int LastAtOrBelow(const float* values, int n, float limit, int fallback) {
  for (int k = n; k >= 1; --k)
    if (values[k] <= limit) return k;
  return fallback;
}

// A scan that has no point on the right side of a limit keeps its previous
// index, as long as that still lies inside the scan.
int Kept(int previous, int n, int otherwise) {
  return previous >= 1 && previous <= n ? previous : otherwise;
}

void ShowRightLimitProblem(int i) {
  char text[400];
  std::snprintf(text, sizeof text,
                "possible problem with right limit in file %s\nsetting right limit to %1.3f",
                ScanDataSet.ScanFilePaths[i].c_str(), static_cast<double>(LastRadius(i)));
  ErrorBox(text);
}

}  // namespace

void UpdateGridFitSums() {
  auto& g = CommonRadialGrid;
  const int scans = ScanDataSet.NFILES;
  const int first = g.GridFirstFitIndex < 1 ? 1 : g.GridFirstFitIndex;
  const int last = g.GridLastFitIndex > g.CommonGridSize ? g.CommonGridSize : g.GridLastFitIndex;
  const int count = last >= first ? last - first + 1 : 0;
  float sum = 0.0f;
  for (int j = first; j <= last; ++j) sum += g.MeanProfile[j];
  g.GridSignalSum = static_cast<float>(scans) * sum;
  g.GridPointTotal = static_cast<float>(scans) * static_cast<float>(count);
  if (g.ScanMeans.size() != scans) return;
  for (int i = 1; i <= scans; ++i) {
    float scanSum = 0.0f;
    for (int j = first; j <= last; ++j) scanSum += g.ResampledSignals[i][j];
    g.ScanMeans[i] = count > 0 ? scanSum / static_cast<float>(count) : 0.0f;
  }
}

void SetFirstFitIndex() {
  auto& d = ScanDataSet;
  auto& g = CommonRadialGrid;
  d.DataChanged = true;
  // The left limit never lies before any scan's first point.
  for (int i = 1; i <= d.NFILES; ++i)
    if (FirstRadius(i) > d.FitLeftLim) d.FitLeftLim = FirstRadius(i);
  if (!DlsDataMode) {
    const float meniscus = ModelParameters.Meniscus;
    if (meniscus + 0.01f > d.FitLeftLim || d.FitLeftLim > ModelParameters.Bottom)
      d.FitLeftLim = meniscus + 0.01f;
  }
  if (InitialDistribution.Count != 0) ExtrapolateInitialDataLeft();
  for (int i = 1; i <= d.NFILES; ++i) {
    const int n = d.ScanPointCount[i];
    d.ScanFirstFitIndex[i] =
        FirstAtOrAbove(d.ScanRadius[i].data(), n, d.FitLeftLim, Kept(d.ScanFirstFitIndex[i], n, n));
  }
  if (g.CommonGridSize > 0) {
    const int size = g.CommonGridSize;
    g.GridFirstFitIndex =
        FirstAtOrAbove(g.CommonGrid, size, d.FitLeftLim, Kept(g.GridFirstFitIndex, size, size));
    g.GridLastFitIndex =
        LastAtOrBelow(g.CommonGrid, size, d.FitRightLim, Kept(g.GridLastFitIndex, size, 1));
  }
  UpdateGridFitSums();
}

void SetLastFitIndex() {
  auto& d = ScanDataSet;
  auto& g = CommonRadialGrid;
  d.DataChanged = true;
  if (!DlsDataMode) {
    for (int i = 1; i <= d.NFILES; ++i) {
      if (LastRadius(i) >= d.FitRightLim) continue;
      if (!RedrawSuppressed) ShowRightLimitProblem(i);
      d.FitRightLim = LastRadius(i);
    }
    const float bottom = ModelParameters.Bottom;
    if (d.FitRightLim < ModelParameters.Meniscus || d.FitRightLim < d.FitLeftLim ||
        d.FitRightLim > bottom - 0.01f)
      d.FitRightLim = bottom - 0.01f;
  }
  if (InitialDistribution.Count != 0) ExtrapolateInitialDataRight();
  for (int i = 1; i <= d.NFILES; ++i) {
    const int n = d.ScanPointCount[i];
    d.ScanLastFitIndex[i] =
        LastAtOrBelow(d.ScanRadius[i].data(), n, d.FitRightLim, Kept(d.ScanLastFitIndex[i], n, 1));
  }
  if (g.CommonGridSize > 0) {
    const int size = g.CommonGridSize;
    g.GridLastFitIndex =
        LastAtOrBelow(g.CommonGrid, size, d.FitRightLim, Kept(g.GridLastFitIndex, size, 1));
  }
  UpdateGridFitSums();
}
