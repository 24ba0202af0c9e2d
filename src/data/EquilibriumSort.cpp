#include "data/EquilibriumSort.h"

#include <algorithm>
#include <cmath>

#include "state/LoadOptions.h"
#include "data/DataOperationLinks.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "data/ScanFileReader.h"
#include "data/ScanOutputSupport.h"
#include "numerics/Resampling.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

EqSeriesCollectionRecord EqSeriesCollection;

namespace {

// Scan i's values as the equilibrium analysis sees them: the signal, or the
// pseudo-absorbance of an intensity scan.
std::vector<float> EqValues(int i) {
  const auto& d = ScanDataSet;
  const int n = d.ScanPointCount[i];
  std::vector<float> v(static_cast<std::size_t>(n) + 1, 0.0f);
  const bool intensity =
      IsIntensityFileName(d.ScanFilePaths[i]) && d.ScanSecondColumn[i].size() >= n;
  for (int k = 1; k <= n; ++k)
    v[static_cast<std::size_t>(k)] = intensity
                                         ? PseudoAbsorbance(d.ScanSecondColumn[i][k], d.ScanSignal[i][k])
                                         : d.ScanSignal[i][k];
  return v;
}

void FitRangeOf(int i, int& first, int& last) {
  const auto& d = ScanDataSet;
  first = d.ScanFirstFitIndex[i] > 0 ? d.ScanFirstFitIndex[i] : 1;
  last = d.ScanLastFitIndex[i] > 0 ? d.ScanLastFitIndex[i] : d.ScanPointCount[i];
  last = std::min(last, d.ScanPointCount[i]);
}

// The earlier scans sorted by time (a stable exchange sort).
void SortByTime(std::vector<int>& scans) {
  const auto& h = ScanDataSet.ScanHeaders;
  std::stable_sort(scans.begin(), scans.end(),
                   [&](int a, int b) { return h[a].Time < h[b].Time; });
}

bool Ask(platform::WindowHandle window, const std::string& text) {
  return AskYesNo(window, text, "EQ Test");
}

void ShowProfile(platform::WindowHandle window, int latest) {
  const auto& d = ScanDataSet;
  int first = 1, last = 0;
  FitRangeOf(latest, first, last);
  const std::vector<float> values = EqValues(latest);
  ToolCurvePlot plot;
  for (int k = first; k <= last; ++k) {
    plot.x.push_back(d.ScanRadius[latest][k]);
    plot.y.push_back(values[static_cast<std::size_t>(k)]);
  }
  plot.xTitle = "radius";
  plot.yTitle = "signal";
  DataOperationLinks.ShowToolPlot(plot);
  RepaintMainWindow(window);
  PlayInfoSound();
}

}  // namespace

float ScanPairRmsd(int other, int reference) {
  const auto& d = ScanDataSet;
  if (other < 1 || reference < 1 || other > d.NFILES || reference > d.NFILES) return 0.0f;
  int first = 1, last = 0;
  FitRangeOf(reference, first, last);
  return ScanPairRmsdOver(other, reference, first, last, nullptr);
}

std::vector<float> EqScanValues(int i) { return EqValues(i); }

float ScanPairRmsdOver(int other, int reference, int first, int last, ScanPairDifferences* capture) {
  const auto& d = ScanDataSet;
  if (capture != nullptr) *capture = ScanPairDifferences();
  if (other < 1 || reference < 1 || other > d.NFILES || reference > d.NFILES) return 0.0f;
  const int n = d.ScanPointCount[reference];
  if (n < 1 || other == reference) return 0.0f;
  first = std::max(first, 1);
  last = std::min(last, n);
  if (last < first) return 0.0f;
  const std::vector<float> a = EqValues(reference);
  const std::vector<float> b = EqValues(other);
  OneBasedArray<float> c(1, n);
  for (int k = 1; k <= n; ++k) c[k] = 0.0f;
  ResampleCurve(n, d.ScanRadius[reference].data(), c.data(), d.ScanPointCount[other],
                d.ScanRadius[other].data(), b.data());
  float offset = 0.0f;
  for (int k = first; k <= last; ++k) offset += a[static_cast<std::size_t>(k)] - c[k];
  offset /= static_cast<float>(last - first + 1);
  float S = 0.0f;
  for (int k = first; k <= last; ++k) {
    const float e = c[k] - a[static_cast<std::size_t>(k)] + offset;
    S += e * e;
    if (capture != nullptr) {
      capture->radius.push_back(d.ScanRadius[reference][k]);
      capture->difference.push_back(e);
    }
  }
  return S > 0.0f ? std::sqrt(S / static_cast<float>(last - first + 1)) : 0.0f;
}

bool TestEquilibriumAttained(platform::WindowHandle window, const std::vector<int>& series,
                             int latest) {
  const auto& h = ScanDataSet.ScanHeaders[latest];
  const int count = static_cast<int>(series.size());
  if (count <= 1 || (count == 2 && series[0] == series[1])) {
    ShowProfile(window, latest);
    return Ask(window, FormatText("accept EQ scan at %.0f nm and %.0f rpm to be included? "
                                  "(no time-course available)",
                                  static_cast<double>(h.Wavelength), static_cast<double>(h.Rpm)));
  }
  std::vector<int> earlier;
  for (int s : series)
    if (s != latest) earlier.push_back(s);
  SortByTime(earlier);
  ToolCurvePlot course;
  for (int s : earlier) {
    course.x.push_back(static_cast<float>(ScanDataSet.ScanHeaders[s].Time));
    course.y.push_back(ScanPairRmsd(s, latest));
  }
  course.xTitle = "elapsed time (sec)";
  course.yTitle = "rmsd difference";
  course.symbols = true;
  DataOperationLinks.ShowToolPlot(course);
  RepaintMainWindow(window);
  PlayInfoSound();
  if (!Ask(window, FormatText("was equilibrium attained at %.0f nm and %.0f rpm?",
                              static_cast<double>(h.Wavelength), static_cast<double>(h.Rpm))))
    return false;
  ShowProfile(window, latest);
  return Ask(window, FormatText("accept EQ scan at %.0f nm and %.0f rpm to be included? ",
                                static_cast<double>(h.Wavelength), static_cast<double>(h.Rpm)));
}

namespace {

// A blank scan read for subtraction, as equilibrium values.
struct Blank {
  bool present = false;
  int count = 0;
  OneBasedArray<float> radius, signal;
  float wavelength = 0.0f;
};

Blank ReadBlank(const std::string& path) {
  Blank b;
  if (path.empty()) return b;
  ScanHeader header;
  OneBasedArray<float> third;
  bool stamp = false;
  if (!ReadAuxiliaryScanFile(path, &header, &b.count, &b.radius, &b.signal, &third, &stamp,
                             0.0f)) {
    ErrorBox("LOAD ERROR in blank");
    return b;
  }
  if (IsIntensityFileName(path) && third.size() >= b.count)
    for (int k = 1; k <= b.count; ++k)
      if (third[k] > 0.0f && b.signal[k] > 0.0f) b.signal[k] = std::log10(third[k] / b.signal[k]);
  b.wavelength = header.Wavelength;
  b.present = true;
  return b;
}

// The state of one sort.
struct EqSort {
  platform::WindowHandle window = nullptr;
  const EqSortRequest& request;
  bool collect = false;
  std::string folder;
  Blank blank;
  bool channelMode = false;
  std::vector<long> groupKeys;
  // The group being handled.
  int first = 0;  // its first scan
  char channel = '0';
  float wavelength = 0.0f;
  std::vector<long> speeds;
  std::vector<std::string> savedFiles;

  explicit EqSort(const EqSortRequest& r) : request(r) {}

  long GroupKey(int i) {
    const auto& d = ScanDataSet;
    const std::string& name = d.ScanFilePaths[i];
    const char c = name.empty() ? '\0' : name[0];
    if (c == 'i' || c == 'm' || c == 'o') channelMode = true;
    long offset = 0;
    if (channelMode) offset = c == 'i' ? 10000 : c == 'm' ? 20000 : c == 'o' ? 30000 : 0;
    return static_cast<long>(std::floor(d.ScanHeaders[i].Wavelength)) +
           1000L * d.ScanHeaders[i].Cell + offset;
  }

  bool InGroup(int j) const {
    const auto& d = ScanDataSet;
    const ScanHeader& h = d.ScanHeaders[j];
    if (h.Cell != d.ScanHeaders[first].Cell) return false;
    if (channelMode && (d.ScanFilePaths[j].empty() || d.ScanFilePaths[j][0] != channel))
      return false;
    const float tol = request.tolerance;
    return h.Wavelength > wavelength - tol && h.Wavelength < wavelength + tol;
  }

  float SeriesSpeed(int j) const {
    const auto& d = ScanDataSet;
    return d.UsingSpeedSteps ? d.ScanHeaders[d.NFILES].Rpm : d.ScanHeaders[j].Rpm;
  }

  // The series of the speed of scan j: the scans of that speed from j on,
  // then the latest of them once more.
  std::vector<int> SeriesFrom(int j, float speed, int& latest) const {
    const auto& d = ScanDataSet;
    std::vector<int> series{j};
    latest = j;
    double latestTime = std::floor(d.ScanHeaders[j].Time);
    for (int k = j + 1; k <= d.NFILES; ++k) {
      if (!InGroup(k) || (!d.UsingSpeedSteps && d.ScanHeaders[k].Rpm != speed)) continue;
      series.push_back(k);
      if (d.ScanHeaders[k].Time > latestTime) {
        latest = k;
        latestTime = std::floor(d.ScanHeaders[k].Time);
      }
    }
    series.push_back(latest);
    return series;
  }

  void Collect(const std::vector<int>& series, int latest) {
    auto& c = EqSeriesCollection;
    std::vector<int> stored;
    if (series.size() == 2 && series[0] == series[1]) {
      stored = {latest};
    } else {
      for (int s : series)
        if (s != latest) stored.push_back(s);
      SortByTime(stored);
      stored.push_back(latest);
    }
    const int cell = ScanDataSet.ScanHeaders[latest].Cell;
    if (c.EqSeriesSameCell) {
      if (c.EqSeries.empty())
        c.EqSeriesFirstCell = cell;
      else if (cell != c.EqSeriesFirstCell)
        c.EqSeriesSameCell = false;
    }
    c.EqSeries.push_back(std::move(stored));
  }

  void SaveEquilibriumScan(int F) {
    auto& d = ScanDataSet;
    ScanHeader& h = d.ScanHeaders[F];
    const std::string& file = d.ScanFilePaths[F];
    const int k = static_cast<int>(std::floor(0.001 * static_cast<double>(h.Rpm)));
    const std::string name =
        channelMode ? FormatText("%c_eq%dk_%.0f", channel, k, static_cast<double>(wavelength))
                    : FormatText("eq%dk_%.0f", k, static_cast<double>(wavelength));
    const bool intensity = IsIntensityFileName(file) && d.ScanSecondColumn[F].size() >= d.ScanPointCount[F];
    const std::string extension =
        intensity ? WithExtensionLetter(ExtensionOf(file), 'a') : ExtensionOf(file);
    const int n = d.ScanPointCount[F];
    std::vector<float> values = EqValues(F);
    if (blank.present && std::fabs(blank.wavelength - wavelength) < request.tolerance) {
      OneBasedArray<float> onScan(1, n);
      for (int p = 1; p <= n; ++p) onScan[p] = 0.0f;
      ResampleCurve(n, d.ScanRadius[F].data(), onScan.data(), blank.count, blank.radius.data(),
                    blank.signal.data());
      for (int p = 1; p <= n; ++p) values[static_cast<std::size_t>(p)] -= onScan[p];
    }
    const ScanHeader written = intensity ? AsAbsorbanceHeader(h) : h;
    WriteScanFileReported(folder + name + extension, n, d.ScanRadius[F].data(), values.data(),
                          intensity ? d.ScanSecondColumn[F].data() : nullptr, file.c_str(), true,
                          written);
    if (request.makeXp) savedFiles.push_back(name + extension);
  }

  void WriteGroupXp() {
    const int cell = ScanDataSet.ScanHeaders[first].Cell;
    const bool interference = wavelength == 660.0f || wavelength == 675.0f;
    const int w = static_cast<int>(std::floor(wavelength));
    std::string name = interference ? FormatText("cell%d_IF", cell) : FormatText("cell%d_%d", cell, w);
    if (channelMode) name = std::string(1, channel) + "_" + name;
    WriteEquilibriumXp(folder + name + ".xp", folder, savedFiles, request.xp);
  }

  void Group(int i) {
    const auto& d = ScanDataSet;
    first = i;
    channel = d.ScanFilePaths[i].empty() ? '\0' : d.ScanFilePaths[i][0];
    wavelength = d.ScanHeaders[i].Wavelength;
    speeds.clear();
    savedFiles.clear();
    for (int j = i; j <= d.NFILES; ++j) {
      if (!InGroup(j)) continue;
      const float speed = SeriesSpeed(j);
      // Speeds are told apart by their whole rpm.
      const long whole = static_cast<long>(std::floor(speed));
      if (std::find(speeds.begin(), speeds.end(), whole) != speeds.end()) continue;
      speeds.push_back(whole);
      int latest = j;
      const std::vector<int> series = SeriesFrom(j, speed, latest);
      if (collect)
        Collect(series, latest);
      else if (TestEquilibriumAttained(window, series, latest))
        SaveEquilibriumScan(latest);
    }
    if (!collect && request.makeXp && !savedFiles.empty()) WriteGroupXp();
  }

  void Run() {
    const auto& d = ScanDataSet;
    for (int i = 1; i <= d.NFILES; ++i) {
      const long key = GroupKey(i);
      const double tol = request.tolerance;
      const bool handled = std::any_of(groupKeys.begin(), groupKeys.end(), [&](long k) {
        return static_cast<double>(k) - tol <= static_cast<double>(key) &&
               static_cast<double>(key) <= static_cast<double>(k) + tol;
      });
      if (handled) continue;
      groupKeys.push_back(key);
      Group(i);
    }
  }
};

}  // namespace

void SortEqDataToDisk(platform::WindowHandle window, const EqSortRequest& request) {
  EqSort sort(request);
  sort.window = window;
  sort.collect = EqSeriesCollection.EqCollectMode;
  if (sort.collect) {
    EqSeriesCollection.EqSeries.clear();
  } else {
    sort.blank = ReadBlank(request.blankPath);
    sort.folder = OutputFolderOf(request.outputPath);
  }
  sort.Run();
  if (!sort.collect) RepaintMainWindow(window);
}
