// Instrument method files of equilibrium runs: 100 rows of six lines (speed,
// acceleration, duration, temperature, number of scans, "NO"), written from a
// speed profile with a readable summary beside them, and read back into
// speed steps.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "data/CRotorSpeedProfile.h"
#include "data/SpeedSeries.h"
#include "platform/Platform.h"
#include "ui/Boxes.h"

namespace {

constexpr int MethodRowCount = 100;
constexpr int MaxMethodSteps = 49;
// An instrument ramp row is given half as much time again as the ideal
// ramp, and a scan takes 30% more than the nominal scan cycle.
constexpr float RampFactor = 1.5f;
constexpr float ScanFactor = 1.3f;

struct HoursMinutes {
  int hours = 0;
  int minutes = 0;
  int Seconds() const { return 3600 * hours + 60 * minutes; }
};

// floor(v) as an int; values beyond the int range are held at its ends and
// a value that is not a number gives 0.
int FloorToInt(float v) {
  if (!(v == v)) return 0;
  const double f = std::floor(static_cast<double>(v));
  if (f >= 2147483647.0) return 2147483647;
  if (f <= -2147483648.0) return -2147483647 - 1;
  return static_cast<int>(f);
}

// Whole hours and minutes of a duration, truncated. A negative duration
// (a step shorter than its ramp row) has no meaning on the instrument and
// becomes 0:00.
HoursMinutes SplitDuration(float seconds) {
  HoursMinutes d;
  if (!(seconds > 0.0f)) return d;
  d.hours = seconds >= 3600.0f ? FloorToInt(seconds / 3600.0f) : 0;
  d.minutes = FloorToInt((seconds - 3600.0f * static_cast<float>(d.hours)) / 60.0f);
  if (d.minutes == 60) {
    d.minutes = 0;
    ++d.hours;
  }
  return d;
}

struct MethodFiles {
  std::FILE* method = nullptr;
  std::FILE* summary = nullptr;
  ~MethodFiles() {
    if (method != nullptr) std::fclose(method);
    if (summary != nullptr) std::fclose(summary);
  }
};

// One row in the method file and, for rows of the program, in the summary.
struct MethodRow {
  int rpm = 0;
  int acceleration = 0;
  bool hold = false;
  HoursMinutes duration;
  int temperature = 0;
  int scans = 0;
};

void WriteRow(MethodFiles& files, const MethodRow& row, bool summarize) {
  std::fprintf(files.method, "%d\n%d\n", row.rpm, row.acceleration);
  if (row.hold)
    std::fprintf(files.method, "hold\n");
  else
    std::fprintf(files.method, "%d:%02d\n", row.duration.hours, row.duration.minutes);
  std::fprintf(files.method, "%d\n%d\n", row.temperature, row.scans);
  if (!summarize) return;
  if (row.hold)
    std::fprintf(files.summary, "%d\t%d\thold\t%d\t0\n", row.rpm, row.acceleration,
                 row.temperature);
  else
    std::fprintf(files.summary, "%d\t%d\t%d:%02d\t%d\t%d\n", row.rpm, row.acceleration,
                 row.duration.hours, row.duration.minutes, row.temperature, row.scans);
}

void ShowTooManySteps() {
  platform::Current().ShowMessageBox({nullptr, "too many speed steps",
                                      "CALCULATE MINIMUM TIME TO EQ",
                                      platform::BoxIcon::Information, platform::BoxButtons::Ok});
}

}  // namespace

std::string MethodSummaryPath(const std::string& methodPath) {
  std::filesystem::path p(methodPath);
  p.replace_filename(p.stem().string() + ".MethodRows.txt");
  return p.string();
}

bool CRotorSpeedProfile::WriteEquMethodRows(const std::string& methodPath, float cycleSeconds,
                                            int temperature, int finalScans, int maxScansPerStep,
                                            bool convertBack) {
  const int n = speedStepCount_;
  if (n > MaxMethodSteps) {
    ShowTooManySteps();
    return false;
  }
  // Every row but the last needs the start of the step after it; a single
  // step has none, and its scan count and hold time would be made up.
  if (n < 2) {
    ShowMessage("cannot write an EQU method from " + fileName_ +
                ": a method needs at least two speed steps");
    return false;
  }
  MethodFiles files;
  files.method = std::fopen(methodPath.c_str(), "w");
  if (files.method == nullptr) {
    ShowMessage("\n\aAttention: could not open " + methodPath);
    return false;
  }
  const std::string summaryPath = MethodSummaryPath(methodPath);
  files.summary = std::fopen(summaryPath.c_str(), "w");
  if (files.summary == nullptr) {
    ShowMessage("\n\aAttention: could not open " + summaryPath);
    return false;
  }

  const int cycleMinutes = static_cast<int>(std::ceil(cycleSeconds / 60.0f));
  int effective = n;  // trailing steps that repeat the final speed add nothing
  while (effective > 1 && stepRpm_[effective] == stepRpm_[effective - 1]) --effective;

  int i = 0;  // steps 1..i are written
  bool holdPending = false;
  HoursMinutes rampTime;
  for (int r = 1; r <= MethodRowCount; ++r) {
    if (0 < i && i < effective && !holdPending) {
      if (stepStart_[i + 1] <= stepStart_[i]) ++i;
      if (i < effective && stepRpm_[i + 1] == stepRpm_[i]) ++i;
    }
    MethodRow row;
    row.temperature = temperature;
    const bool program = i < effective;
    if (!program) {
      row.acceleration = 400;
    } else {
      const int s = i + 1;
      const bool finalStep = i == effective - 1 && i != 0;
      row.rpm = FloorToInt(stepRpm_[s]);
      row.acceleration = FloorToInt(stepAcceleration_[s]);
      if (!holdPending) {
        const float previous = i == 0 ? 0.0f : stepRpm_[i];
        rampTime =
            SplitDuration(std::fabs(stepRpm_[s] - previous) * RampFactor / stepAcceleration_[s]);
        row.duration = rampTime;
        if (finalStep) {
          row.scans = finalScans;
        } else {
          const float room =
              stepStart_[s + 1] - stepStart_[s] - static_cast<float>(rampTime.Seconds());
          const float fit =
              std::floor(room / (ScanFactor * 60.0f * static_cast<float>(cycleMinutes)));
          // No negative scan counts when the ramp row outlasts the step.
          row.scans = std::max(std::min(FloorToInt(fit), maxScansPerStep), 0);
        }
        holdPending = true;
      } else {
        if (finalStep)
          row.hold = true;
        else
          row.duration = SplitDuration(stepStart_[s + 1] - stepStart_[s] -
                                       static_cast<float>(rampTime.Seconds()));
        holdPending = false;
        ++i;
      }
    }
    WriteRow(files, row, program);
    std::fprintf(files.method, r < MethodRowCount ? "NO\n" : "NO");
  }
  const bool written = !std::ferror(files.method) && !std::ferror(files.summary);
  const bool methodClosed = std::fclose(files.method) == 0;
  const bool summaryClosed = std::fclose(files.summary) == 0;
  const bool closed = methodClosed && summaryClosed;
  files.method = files.summary = nullptr;
  if (!written || !closed) {
    ShowMessage("\n\aAttention: could not open " + methodPath);
    return false;
  }
  if (convertBack) {
    const auto folder = std::filesystem::path(methodPath).parent_path();
    ConvertEquToSpeedSteps(methodPath, (folder / SpeedStepsFileName).string());
  }
  return true;
}

namespace {

struct MethodRowValues {
  float rpm = 0.0f;
  float acceleration = 0.0f;
  float duration = 0.0f;  // s; -1 for "hold"
  float temperature = 0.0f;
  float scans = 0.0f;
};

// The leading decimal number of a line, 0 when there is none.
float LineNumber(const std::string& line) {
  return static_cast<float>(std::strtod(line.c_str(), nullptr));
}

// "h:mm" in seconds; the text before the first ':' is hours, the text
// after it (up to a second ':') minutes.
float LineDuration(const std::string& line) {
  if (line.find("hold") != std::string::npos) return -1.0f;
  const std::size_t colon = line.find(':');
  const double hours = std::strtod(line.substr(0, colon).c_str(), nullptr);
  double minutes = 0.0;
  if (colon != std::string::npos) {
    const std::size_t next = line.find(':', colon + 1);
    minutes = std::strtod(line.substr(colon + 1, next - colon - 1).c_str(), nullptr);
  }
  return static_cast<float>(minutes * 60.0 + hours * 3600.0);
}

// The rows of a method text, up to 100 and up to the first "hold" row. A
// row needs its five value lines; the "NO" line may be missing at the end.
std::vector<MethodRowValues> ParseMethodRows(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  std::vector<MethodRowValues> rows;
  for (std::size_t k = 0;
       k + 5 <= lines.size() && rows.size() < static_cast<std::size_t>(MethodRowCount); k += 6) {
    MethodRowValues row;
    row.rpm = LineNumber(lines[k]);
    row.acceleration = LineNumber(lines[k + 1]);
    row.duration = LineDuration(lines[k + 2]);
    row.temperature = LineNumber(lines[k + 3]);
    row.scans = LineNumber(lines[k + 4]);
    rows.push_back(row);
    if (row.duration < 0.0f) break;
  }
  return rows;
}

std::string ReadText(const std::string& path, bool& opened) {
  std::string text;
  std::FILE* f = std::fopen(path.c_str(), "r");
  opened = f != nullptr;
  if (f == nullptr) return text;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
    text.append(buffer, got);
  std::fclose(f);
  return text;
}

}  // namespace

bool CRotorSpeedProfile::SpeedStepsFromEqu(const std::string& methodPath) {
  bool opened = false;
  const std::string text = ReadText(methodPath, opened);
  if (!opened || text.empty()) return false;
  const std::vector<MethodRowValues> rows = ParseMethodRows(text);
  if (rows.empty()) return false;
  const int count = static_cast<int>(rows.size());
  auto row = [&](int k) -> const MethodRowValues& { return rows[static_cast<std::size_t>(k - 1)]; };

  // Scans between the ramps take time that the durations of the rows do not
  // hold; the cycle time is asked only where such scans exist.
  std::vector<float> starts{0.0f}, rpms{0.0f}, accelerations{0.0f};
  auto addStep = [&](float start, const MethodRowValues& r) {
    starts.push_back(start);
    rpms.push_back(r.rpm);
    accelerations.push_back(r.acceleration);
  };
  float t = row(1).duration;
  float cycle = 0.0f;
  addStep(0.0f, row(1));
  if (count >= 2 && row(2).rpm != row(1).rpm && row(1).scans > 0.0f) {
    if (!InputFloat(cycle, 0.0f, true, "scan cycle time (sec)", "CREATE SPEEDSTEPS from EQU"))
      return false;
    t += row(1).scans * cycle;
  }
  for (int k = 2; k <= count; ++k) {
    if (row(k).rpm == row(k - 1).rpm) {
      t += row(k).duration;
      continue;
    }
    addStep(t, row(k));
    t += row(k).duration;
    t -= row(k - 1).scans * cycle;
    if (k + 1 <= count && row(k + 1).rpm != row(k).rpm) t += row(k).scans * cycle;
  }
  SetSteps(static_cast<int>(starts.size()) - 1, starts.data(), rpms.data(), accelerations.data());
  return true;
}
