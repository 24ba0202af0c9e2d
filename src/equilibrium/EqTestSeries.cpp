#include "equilibrium/EqTestSeries.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "data/EquilibriumSort.h"
#include "data/FilePathParts.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "data/ScanOutputSupport.h"
#include "ui/Boxes.h"

EqTestSeriesRecord EqTestSeries;

namespace {

void WarnCapacityOnce(platform::WindowHandle window, const char* what) {
  if (EqTestSeries.CapacityWarned) return;
  EqTestSeries.CapacityWarned = true;
  platform::Current().ShowMessageBox(
      {window,
       FormatText("more than %d %s: the test takes the first %d only", kEqTestCapacity, what,
                  kEqTestCapacity),
       "EQ TEST", platform::BoxIcon::Warning, platform::BoxButtons::Ok});
}

bool Matches(const std::vector<CellWavelength>& list, int scan) {
  const auto& d = ScanDataSet;
  if (scan < 1 || scan > d.NFILES) return false;
  const ScanHeader& h = d.ScanHeaders[scan];
  for (const CellWavelength& e : list)
    if (e.Cell == h.Cell && std::fabs(e.Wavelength - h.Wavelength) < kEqTestWavelengthTolerance)
      return true;
  return false;
}

// The third character of the extension after the dot (".RI1": 'I').
char DataKindLetter(const std::string& fileName) {
  const std::string e = ExtensionOf(fileName);
  return e.size() >= 3 ? e[2] : '\0';
}

int FirstScan(const EqTestSeriesData& s) { return s.Scans.empty() ? 0 : s.Scans.front(); }
int LatestScan(const EqTestSeriesData& s) { return s.Scans.empty() ? 0 : s.Scans.back(); }

}  // namespace

int ScanFileNumber(const std::string& fileName) {
  return std::atoi(SplitPath(fileName).Name.c_str());
}

bool IsIntensityScanFile(const std::string& fileName) {
  const char c = DataKindLetter(fileName);
  return c == 'i' || c == 'I';
}

bool IsInterferenceScanFile(const std::string& fileName) {
  const char c = DataKindLetter(fileName);
  return c == 'p' || c == 'P';
}

bool IsEqTestSeriesExcluded(int scan) { return Matches(EqTestSeries.Excluded, scan); }
bool IsEqTestSeriesIncluded(int scan) { return Matches(EqTestSeries.Included, scan); }

bool AddToEqTestList(std::vector<CellWavelength>& list, int scan, platform::WindowHandle window) {
  const auto& d = ScanDataSet;
  if (scan < 1 || scan > d.NFILES) return false;
  if (static_cast<int>(list.size()) >= kEqTestCapacity) {
    WarnCapacityOnce(window, "excluded or included series");
    return false;
  }
  list.push_back({d.ScanHeaders[scan].Cell, d.ScanHeaders[scan].Wavelength});
  return true;
}

void SwapEqTestSeries(int i, int j) {
  auto& t = EqTestSeries;
  if (i < 1 || j < 1 || i > t.Count() || j > t.Count()) return;
  std::swap(t.At(i).Scans, t.At(j).Scans);
}

int BuildEqTestSeries(platform::WindowHandle window) {
  auto& t = EqTestSeries;
  const auto& d = ScanDataSet;
  t.SingleCell = true;
  auto& c = EqSeriesCollection;
  c.EqCollectMode = true;
  c.EqSeriesSameCell = true;
  EqSortRequest request;
  request.tolerance = kEqTestWavelengthTolerance;
  SortEqDataToDisk(window, request);
  c.EqCollectMode = false;
  t.SingleCell = c.EqSeriesSameCell;

  std::vector<EqTestSeriesData> old = std::move(t.Series);
  t.Series.clear();
  for (const std::vector<int>& scans : c.EqSeries) {
    if (t.Count() >= kEqTestCapacity) {
      WarnCapacityOnce(window, "series");
      break;
    }
    EqTestSeriesData s;
    s.Scans = scans;
    t.Series.push_back(std::move(s));
  }
  const int n = t.Count();
  if (n == 0) {
    t.Extensions.clear();
    return 0;
  }
  const bool profile = d.UsingSpeedSteps;
  if (!profile) {
    // Ascending rotor speed of the first scans; a neighbour exchange that
    // steps back keeps equal speeds in their order.
    for (int i = 1; i < n;) {
      if (d.ScanHeaders[FirstScan(t.At(i))].Rpm > d.ScanHeaders[FirstScan(t.At(i + 1))].Rpm) {
        SwapEqTestSeries(i, i + 1);
        if (i > 1) --i;
      } else {
        ++i;
      }
    }
  }
  // The series that run at the speed the rotor reached last.
  if (profile) {
    for (auto& s : t.Series) s.AtCurrentSpeed = true;
  } else {
    float speed = d.ScanHeaders[FirstScan(t.At(1))].Rpm;
    double time = d.ScanHeaders[FirstScan(t.At(1))].Time;
    for (int i = 2; i <= n; ++i) {
      const ScanHeader& h = d.ScanHeaders[FirstScan(t.At(i))];
      if (h.Time > time && h.Rpm != speed) {
        speed = h.Rpm;
        time = h.Time;
      }
    }
    for (auto& s : t.Series) s.AtCurrentSpeed = d.ScanHeaders[FirstScan(s)].Rpm == speed;
  }
  // Comparison ranges and shown flags survive a rebuild where a series of
  // the same latest scan existed.
  for (auto& s : t.Series) {
    for (const auto& o : old)
      if (!o.Scans.empty() && o.Scans.front() == s.Scans.front()) {
        s.FirstIndex = o.FirstIndex;
        s.LastIndex = o.LastIndex;
        break;
      }
    s.Shown = !IsEqTestSeriesExcluded(FirstScan(s));
  }
  t.Extensions.clear();
  for (const auto& s : t.Series) {
    const std::string e = ExtensionOf(d.ScanFilePaths[FirstScan(s)]);
    bool known = false;
    for (const auto& g : t.Extensions) known = known || g.Extension == e;
    if (known || static_cast<int>(t.Extensions.size()) >= kEqTestCapacity) continue;
    ExtensionGroup g{e, 0};
    for (int k = 1; k <= d.NFILES; ++k) {
      if (ExtensionOf(d.ScanFilePaths[k]) != e) continue;
      const int number = ScanFileNumber(d.ScanFilePaths[k]);
      if (g.SmallestNumber == 0 || number < g.SmallestNumber) g.SmallestNumber = number;
    }
    t.Extensions.push_back(g);
  }
  t.HighestSpeed = profile ? 0.0f : d.ScanHeaders[FirstScan(t.At(n))].Rpm;
  return n;
}

float EqTestScanRmsd(int a, int b, int first, int last, EqTestSeriesData* capture) {
  if (capture == nullptr) return ScanPairRmsdOver(a, b, first, last, nullptr);
  ScanPairDifferences points;
  const float rmsd = ScanPairRmsdOver(a, b, first, last, &points);
  capture->PairRadius = std::move(points.radius);
  capture->PairDifference = std::move(points.difference);
  return rmsd;
}

void ComputeEqTestCurves() {
  const auto& d = ScanDataSet;
  for (auto& s : EqTestSeries.Series) {
    s.Hours.clear();
    s.Rmsd.clear();
    s.Offset.clear();
    s.Relative.clear();
    s.PairRadius.clear();
    s.PairDifference.clear();
    const int n = static_cast<int>(s.Scans.size());
    if (n < 2) continue;
    const int latest = LatestScan(s);
    const double tLatest = d.ScanHeaders[latest].Time;
    for (int j = 0; j < n - 1; ++j) {
      s.Hours.push_back(static_cast<float>((d.ScanHeaders[s.Scans[j]].Time - tLatest) / 3600.0));
      s.Rmsd.push_back(EqTestScanRmsd(s.Scans[j], latest, s.FirstIndex, s.LastIndex));
    }
    s.LastPairRmsd = EqTestScanRmsd(s.Scans[n - 2], latest, s.FirstIndex, s.LastIndex, &s);
    // The shape of the latest scan, centred and scaled to its span.
    const std::vector<float> v = EqScanValues(latest);
    const int first = std::max(s.FirstIndex, 1);
    const int last = std::min(s.LastIndex, d.ScanPointCount[latest]);
    if (last < first) continue;
    double mean = 0.0, meanR = 0.0;
    float lo = v[static_cast<std::size_t>(first)], hi = lo;
    for (int k = first; k <= last; ++k) {
      mean += v[static_cast<std::size_t>(k)];
      meanR += d.ScanRadius[latest][k];
      lo = std::min(lo, v[static_cast<std::size_t>(k)]);
      hi = std::max(hi, v[static_cast<std::size_t>(k)]);
    }
    const int count = last - first + 1;
    mean /= count;
    meanR /= count;
    const float span = hi - lo != 0.0f ? hi - lo : 1.0f;
    for (int k = first; k <= last; ++k) {
      s.Relative.push_back(static_cast<float>((v[static_cast<std::size_t>(k)] - mean) / span));
      s.Offset.push_back(static_cast<float>(d.ScanRadius[latest][k] - meanR));
    }
  }
}

bool WriteEqTestFiles(const std::string& path) {
  const auto& d = ScanDataSet;
  const PathParts chosen = SplitPath(path);
  for (int i = 1; i <= EqTestSeries.Count(); ++i) {
    const EqTestSeriesData& s = EqTestSeries.At(i);
    if (!s.Shown || s.Scans.size() < 2 || s.Hours.size() + 1 != s.Scans.size()) continue;
    PathParts parts = chosen;
    parts.Name += FormatText("_%d", i);
    const std::string file = MergePath(parts);
    std::FILE* f = std::fopen(file.c_str(), "w");
    if (f == nullptr) {
      ErrorBox(FormatText("\n\aAttention: could not open %s", file.c_str()));
      return false;
    }
    for (std::size_t j = 0; j < s.Hours.size(); ++j)
      std::fprintf(f, "%f %f %f\n", d.ScanHeaders[s.Scans[j]].Time / 3600.0,
                   static_cast<double>(s.Hours[j]), static_cast<double>(s.Rmsd[j]));
    std::fclose(f);
  }
  return true;
}
