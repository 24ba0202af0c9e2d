#include "tools/SvdfrExport.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "numerics/Resampling.h"
#include "ui/Boxes.h"

namespace {

struct Column {
  std::vector<double> a, b, c;  // rows 0.. of the column's two or three values
};

// A fit index of 0 counts as the scan's first or last point.
int FirstIndex(int i) {
  const int k = ScanDataSet.ScanFirstFitIndex[i];
  return k >= 1 ? k : 1;
}

int LastIndex(int i) {
  const int k = ScanDataSet.ScanLastFitIndex[i];
  return k >= 1 && k <= ScanDataSet.ScanPointCount[i] ? k : ScanDataSet.ScanPointCount[i];
}

bool NoModelYet() {
  const auto& d = ScanDataSet;
  for (int i = 1; i <= d.NFILES; ++i)
    for (int k = 1; k <= d.ScanPointCount[i] && k <= d.ScanModel[i].size(); ++k)
      if (d.ScanModel[i][k] != 0.0f) return false;
  return true;
}

// Removed TI noise plus TI noise over the common grid's fit range, widened
// by one point on either side where the grid goes on.
Column TiColumn() {
  Column col;
  const auto& g = CommonRadialGrid;
  if (g.CommonGrid == nullptr || g.CommonGridSize <= 0) return col;
  const int first = std::max(1, g.GridFirstFitIndex > 1 ? g.GridFirstFitIndex - 1 : 1);
  const int last =
      std::min(g.CommonGridSize,
               g.GridLastFitIndex < g.CommonGridSize ? g.GridLastFitIndex + 1 : g.CommonGridSize);
  for (int k = first; k <= last; ++k) {
    col.a.push_back(g.CommonGrid[k]);
    const double removed = g.RemovedTINoise.size() >= k ? g.RemovedTINoise[k] : 0.0;
    const double fitted = g.TINoise.size() >= k ? g.TINoise[k] : 0.0;
    col.b.push_back(removed + fitted);
  }
  return col;
}

// The removed TI noise on scan i's radii (0 where none was removed).
std::vector<float> RemovedTiOnScan(int i) {
  const auto& d = ScanDataSet;
  const auto& g = CommonRadialGrid;
  const int n = d.ScanPointCount[i];
  std::vector<float> out(static_cast<std::size_t>(n) + 1, 0.0f);
  if (g.CommonGrid != nullptr && g.CommonGridSize > 4 &&
      g.RemovedTINoise.size() >= g.CommonGridSize)
    ResampleCurve(n, d.ScanRadius[i].data(), out.data(), g.CommonGridSize, g.CommonGrid,
                  g.RemovedTINoise.data());
  return out;
}

double At(const std::vector<double>& v, int row) {
  return row < static_cast<int>(v.size()) ? v[static_cast<std::size_t>(row)] : 0.0;
}

}  // namespace

int WriteSvdfrData(const std::string& path) {
  const auto& d = ScanDataSet;
  const std::string file = path.empty() ? DataFileLocation.DataFolder + "svdfrdata.dat" : path;
  const bool noModel = NoModelYet();

  Column ti = TiColumn();
  std::vector<Column> scans;
  int rows = std::max<int>(static_cast<int>(ti.a.size()), d.NFILES);
  for (int l = 1; l <= d.NFILES; ++l) {
    const int s = d.ScanTimeOrder[l];
    const std::vector<float> removed = RemovedTiOnScan(s);
    Column col;
    for (int k = FirstIndex(s); k <= LastIndex(s); ++k) {
      const double t = removed[static_cast<std::size_t>(k)];
      const double signal = d.ScanSignal[s][k];
      const double model = d.ScanModel[s].size() >= k ? d.ScanModel[s][k] : 0.0;
      col.a.push_back(d.ScanRadius[s][k]);
      col.b.push_back(signal + t);
      col.c.push_back(noModel ? signal + 0.001 + t : model + t);
    }
    rows = std::max<int>(rows, static_cast<int>(col.a.size()));
    scans.push_back(std::move(col));
  }
  // Fluorescence data: a short TI column starts at row 2 (row 1 repeats
  // it); a full one gets its first radius lowered a little.
  if (ScanReaderOptions.FluorescenceData && !ti.a.empty()) {
    if (static_cast<int>(ti.a.size()) < rows) {
      ti.a.insert(ti.a.begin(), ti.a.front());
      ti.b.insert(ti.b.begin(), ti.b.front());
    } else {
      ti.a.front() -= 0.001;
    }
  }
  std::vector<double> ri(static_cast<std::size_t>(rows), 0.0);
  const auto& g = CommonRadialGrid;
  if (ModelParameters.RINoiseFitted && g.RINoise.size() >= d.NFILES)
    for (int j = 1; j <= d.NFILES; ++j) {
      const int row = d.ScanTimeOrder[j] - 1;
      if (row >= 0 && row < rows) ri[static_cast<std::size_t>(row)] = g.RINoise[j];
    }

  std::FILE* f = std::fopen(file.c_str(), "w");
  if (f == nullptr) {
    ErrorBox("\n\aAttention: could not open " + file);
    return 0;
  }
  for (int row = 0; row < rows; ++row) {
    std::fprintf(f, "%e %e %e ", At(ti.a, row), At(ti.b, row), ri[static_cast<std::size_t>(row)]);
    for (const Column& col : scans)
      std::fprintf(f, "%e %e %e ", At(col.a, row), At(col.b, row), At(col.c, row));
    std::fprintf(f, "\n");
  }
  return std::fclose(f) == 0 ? d.NFILES : 0;
}
