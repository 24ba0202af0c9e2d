#include "tools/TimeStampAnalysis.h"

#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "data/ListFiles.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "data/ScanFileTimes.h"
#include "data/ScanFileWriter.h"
#include "data/ScanReaderOptions.h"
#include "data/ShowTextFile.h"
#include "ui/Boxes.h"

namespace {

constexpr double kOutlierSeconds = 60.0;

// The modification time of a file, seconds since the epoch; false when the
// file cannot be read.
bool ModificationTime(const std::string& path, double& seconds) {
  std::ifstream probe(path);
  if (!probe) return false;
  const ScanFileTimes t = ReadFileTimes(path);
  if (t.FileTimesValid == 0) return false;
  seconds = static_cast<double>(t.LastWriteTime.Seconds) + t.LastWriteTime.Nanoseconds * 1e-9;
  return true;
}

void CouldNotOpen(const std::string& path) {
  ErrorBox(FormatText("\n\aAttention: could not open %s", path.c_str()));
}

std::string TimeText(double seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::string text = std::ctime(&t);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

const ScanHeader& HeaderAt(int position) {
  const auto& d = ScanDataSet;
  return d.ScanHeaders[d.ScanTimeOrder[position]];
}

bool Marked(const ScanHeader& h) {
  return HasTimeStampTag(h.Description);
}

}  // namespace

bool ReadTimeStampMark(bool& mixed, double threshold) {
  mixed = false;
  const auto& d = ScanDataSet;
  if (d.NFILES <= 0 || (ScanReaderOptions.FluorescenceData && threshold > 1.001)) return true;
  const bool first = Marked(HeaderAt(1));
  if (!first) return false;
  for (int k = 2; k < d.NFILES; ++k)
    if (!Marked(HeaderAt(k))) mixed = true;
  return d.NFILES > 1 && Marked(HeaderAt(d.NFILES));
}

TimeStampOutcome TimeStampOutliers(bool showReport, double threshold) {
  TimeStampOutcome out;
  auto& d = ScanDataSet;
  const int N = d.NFILES;
  if (N <= 1) return out;
  d.DataChanged = true;
  BuildFileNameList(0);
  const auto& paths = FileNameList.Paths;
  double t1 = 0.0, tN = 0.0;
  if (!ModificationTime(paths[1], t1)) {
    CouldNotOpen(paths[1]);
    out.Failed = true;
    return out;
  }
  if (!ModificationTime(paths[N], tN)) {
    CouldNotOpen(paths[N]);
    out.Failed = true;
    return out;
  }
  out.FileDifferences.assign(N + 1, 0.0);
  out.RecordedDifferences.assign(N + 1, 0.0);
  const double r1 = HeaderAt(1).RecordedTime;
  out.FileDifferences[N] = tN - t1;
  out.RecordedDifferences[N] = HeaderAt(N).RecordedTime - r1;
  const double EN = out.RecordedDifferences[N];
  const double f = EN >= kOutlierSeconds ? out.FileDifferences[N] / EN : 0.0;
  std::string report = FormatText("t1 = %s\n", TimeText(t1).c_str());
  const auto line = [&](int k, double tk, bool outlier) {
    const double F = out.FileDifferences[k], E = out.RecordedDifferences[k], P = f * E;
    return (outlier ? FormatText("OUTLIER %s: ", paths[k].c_str()) : std::string()) +
           FormatText("t%d = %s, \tdelta-t(%d-1) = %.1f sec, \t%.1f elapsed time difference "
                      "recorded in file; discrepancy = %.1f; [residual from OS projection = %f]\n",
                      k, TimeText(tk).c_str(), k, F, E, F - E, P - F);
  };
  for (int k = 2; k <= N - 1; ++k) {
    double tk = 0.0;
    if (!ModificationTime(paths[k], tk)) {
      CouldNotOpen(paths[k]);
      out.Failed = true;
      out.Factor = 1.0;
      return out;
    }
    out.FileDifferences[k] = tk - t1;
    out.RecordedDifferences[k] = HeaderAt(k).RecordedTime - r1;
    if (f > 0.0) {
      const bool outlier =
          std::fabs(f * out.RecordedDifferences[k] - out.FileDifferences[k]) > kOutlierSeconds;
      if (outlier) ++out.Outliers;
      report += line(k, tk, outlier);
    }
  }
  out.Factor = f;
  if (f > threshold) {
    report += line(N, tN, false);
    if (out.Outliers > 0)
      report += FormatText("\n\n--> attention - found %d files with odd time stamp (see above)",
                           out.Outliers);
    report += FormatText("\n\n--> correction factor (delta-file timestamp/delta-recorded time) = %f",
                         f);
    const std::filesystem::path first(paths[1]);
    const std::string path =
        (first.parent_path() / ("timestampanalysis" + first.extension().string())).string();
    std::ofstream file(path);
    if (!file) {
      CouldNotOpen(path);
      out.Failed = true;
      out.Factor = 1.0;
      return out;
    }
    file << report << "\n";
    file.close();
    out.ReportPath = path;
    if (showReport) ShowTextFile(path);
  }
  return out;
}

bool TimeStampCheckWith(platform::WindowHandle window, double threshold, bool autoload) {
  auto& d = ScanDataSet;
  if (d.EquilibriumDataMode) {
    for (int i = 1; i <= d.NFILES; ++i) d.ScanHeaders[i].TimeStampChecked = true;
    return false;
  }
  bool mixed = false;
  const bool nothing = ReadTimeStampMark(mixed, threshold);
  // Mixed marks stop the check before anything is written: there is no
  // corrected list for the caller to load.
  if (mixed) {
    ErrorBox("Attention: some scans time corrected, others not");
    return false;
  }
  if (nothing) return false;
  const TimeStampOutcome outcome = TimeStampOutliers(true, threshold);
  if (outcome.Failed) return false;
  double f = outcome.Factor;
  bool manual = false;
  const char* caption = "CHECK TIME STAMP";
  const auto ask = [&](const std::string& text) {
    return platform::Current().ShowMessageBox({window, text, caption, platform::BoxIcon::Question,
                                               platform::BoxButtons::YesNo}) ==
           platform::BoxAnswer::Yes;
  };
  if (f <= 0.1) {
    if (!ask("Attention: no time stamp information available - enter manually (version# >= 6)?"))
      return false;
    float entry = 1.0f;
    if (!InputFloatIn(window, entry, 1.0f, true, "time dilation factor", caption)) return false;
    f = entry;
    manual = true;
  }
  if (f <= threshold) return false;
  if (!autoload && !ask("save corrected files and reload?")) return false;
  BuildFileNameList(0);
  auto& paths = FileNameList.Paths;
  for (int k = 1; k <= d.NFILES; ++k) {
    const int i = d.ScanTimeOrder[k];
    const std::filesystem::path old(paths[k]);
    paths[k] = (old.parent_path() / ("tcorr_" + old.filename().string())).string();
    ScanHeader& h = d.ScanHeaders[i];
    h.Description = FormatText(manual ? "[TIMESTAMP CORRECTED %f (manual)]" : "[TIMESTAMP CORRECTED %f]",
                               f) +
                    h.Description;
    h.Time *= f;
    h.RecordedTime *= f;
    h.StampCorrectedTime *= f;
    h.Omega2t *= f;
    h.TimeStampChecked = true;
    const int n = d.ScanPointCount[i];
    const bool third = d.ScanSecondColumn[i].size() >= n && n > 0;
    float* signal = d.ScanSignal[i].data();
    float* second = third ? d.ScanSecondColumn[i].data() : nullptr;
    // Intensity data keep the reference intensity in the second column.
    const bool intensity = ScanReaderOptions.IntensityData && third;
    WriteScanFileCurve(paths[k], n, d.ScanRadius[i].data(), intensity ? second : signal,
                       intensity ? signal : second, h.Description, false, FileTimesOf(h),
                       HeaderLineValuesOf(h));
  }
  return WriteListFile(true);
}

bool RestoreTimesFromFiles(int reference) {
  auto& d = ScanDataSet;
  const int N = d.NFILES;
  if (N < 2 || reference < 1 || reference > N) return false;
  BuildFileNameList(0);
  const auto& paths = FileNameList.Paths;
  std::vector<double> times(N + 1, 0.0);
  for (int k = 1; k <= N; ++k)
    if (!ModificationTime(paths[k], times[k])) {
      CouldNotOpen(paths[k]);
      return false;
    }
  const ScanHeader ref = HeaderAt(reference);
  const float omega = ref.Rpm * 0.10471975511965977f;
  const float omega2 = omega * omega;
  for (int k = 1; k <= N; ++k) {
    if (k == reference) continue;
    const double dt = times[k] - times[reference];
    ScanHeader& h = d.ScanHeaders[d.ScanTimeOrder[k]];
    h.Time = ref.Time + dt;
    h.RecordedTime = ref.RecordedTime + dt;
    h.StampCorrectedTime = ref.StampCorrectedTime + dt;
    h.Omega2t = ref.Omega2t + omega2 * dt;
  }
  d.DataChanged = true;
  return true;
}
