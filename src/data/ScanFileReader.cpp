#include "data/ScanFileReader.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "data/ScanFileText.h"
#include "data/ScanFileTimes.h"
#include "data/ScanPointFilter.h"
#include "data/ScanReaderOptions.h"

namespace {

// (30/pi)^2: turns rpm^2 into omega^2.
constexpr double kRpmSquaredPerOmegaSquared = 91.189065278104;

// What a scan of a real run can hold, with a wide margin: radii in cm, a run
// of at most a few months, omega^2 t of that run at any rotor speed.
constexpr float kLargestRadius = 100.0f;
constexpr double kLongestRunSeconds = 1e8;
constexpr double kLargestOmega2t = 1e20;
constexpr double kFastestRpm = 200000.0;
constexpr double kColdestCelsius = -100.0;
constexpr double kHottestCelsius = 200.0;

// How the words of the data lines make points.
struct ColumnLayout {
  int WordsPerPoint = 3;
  bool KeepThird = false;
  bool TwoColumn = false;  // radius and signal only, the third word (if any) dropped
};

ColumnLayout ChooseLayout(const ScanHeader& h, bool thirdWanted) {
  const auto& o = ScanReaderOptions;
  if (o.FixedColumnsOn) return {o.FixedColumnCount, false, false};
  if ((h.ColumnCode >= 2 && thirdWanted && !o.InterferenceData) || o.IntensityData ||
      o.ElectrophoresisDataMode || o.FluorescenceData)
    return {3, true, false};
  if (o.InterferenceData) return {2, false, true};
  return {3, false, true};
}

float ToFloat(double v) {
  if (v > FLT_MAX) return HUGE_VALF;
  if (v < -FLT_MAX) return -HUGE_VALF;
  return static_cast<float>(v);
}

void SetKindFlags(char letter) {
  auto& o = ScanReaderOptions;
  o.IntensityData = letter == 'I' || letter == 'V';
  o.AbsorbanceData = letter == 'R' || letter == 'W';
  o.InterferenceData = letter == 'P';
  o.FluorescenceData = letter == 'F';
  if (o.AbsorbanceData) o.SpikeThreshold = o.SpikeThresholdAbsorbance;
  if (o.FluorescenceData) o.SpikeThreshold = o.SpikeThresholdFluorescence;
}

// A linear ramp from rest that lasts three halves of the time lost against
// omega^2 t: t_ramp = 1.5 (t - omega^2t / omega^2).
void EstimateRamp(ScanHeader& h) {
  const double n2 = static_cast<double>(h.Rpm) * h.Rpm;
  h.RampDuration =
      n2 > 0.0 ? 1.5 * (n2 * h.Time - h.Omega2t * kRpmSquaredPerOmegaSquared) / n2 : 0.0;
  h.RampAcceleration = h.RampDuration > 0.0 ? h.Rpm / h.RampDuration : 1e6;
}

void ReadHeaderLine(WordCursor& words, char letter, ScanHeader& h) {
  SetKindFlags(letter);
  h.DataType = letter;
  h.Cell = TruncateToInt(words.NextValue());
  h.Temperature = ToFloat(words.NextValue());
  h.Rpm = ToFloat(words.NextValue());
  h.Time = words.NextValue();
  h.Omega2t = words.NextValue();
  h.Wavelength = ToFloat(words.NextValue());
  h.ColumnCode = TruncateToInt(words.NextValue());
  h.RecordedTime = h.Time;
  h.StampCorrectedTime = h.Time;
  EstimateRamp(h);
}

// Electrophoresis files carry a time in place of a rotor speed; the kind
// flags stay as the load command set them.
void ReadElectrophoresisHeaderLine(WordCursor& words, char letter, ScanHeader& h) {
  h.DataType = letter;
  words.NextValue();
  h.Cell = 0;
  h.Temperature = 20.0f;
  h.Rpm = 1.0f;
  h.Time = words.NextValue();
  h.Omega2t = h.Time;
  h.Wavelength = ToFloat(words.NextValue());
  h.ColumnCode = TruncateToInt(words.NextValue());
  words.NextValue();
  h.RecordedTime = h.Time;
  h.RampAcceleration = 1e6;
  h.RampDuration = 0.0;
}

void ReadFluorescenceSettings(ScanHeader& h) {
  h.IsFluorescence = false;
  h.PmtVoltage = 0.0f;
  h.Gain = 0;
  h.Range = 0;
  if (h.DataType != 'F') return;
  h.IsFluorescence = true;
  h.TimeStampChecked = true;
  const std::string_view d = h.Description;
  if (auto p = d.find("Voltage: "); p != std::string_view::npos)
    h.PmtVoltage = ToFloat(WordValue(d.substr(p + 9)));
  if (auto p = d.find("Gain: "); p != std::string_view::npos) h.Gain = LeadingInt(d.substr(p + 6));
  if (auto p = d.find("Range: "); p != std::string_view::npos)
    h.Range = LeadingInt(d.substr(p + 7));
}

bool SpikeTestApplies() {
  const auto& o = ScanReaderOptions;
  return o.SpikeFilterOn && (o.AbsorbanceData || o.FluorescenceData) &&
         (!o.ElectrophoresisDataMode || o.FixedColumnsOn);
}

// Reads at most dataLines points of layout.WordsPerPoint words each, one per
// line (words beyond those on a line are dropped); a last group that the
// text does not complete is no point. False when the words of one point lie
// on more than one line: a line short of a value would shift every later
// point by one column.
// allFinite turns false when a point holds a value that is no finite float:
// it is tested here, before the spike filter, which would otherwise drop
// such a point silently.
bool ReadPoints(WordCursor& words, std::string_view text, int dataLines,
                const ColumnLayout& layout, float averagingDistance,
                std::vector<ScanPoint>& points, bool& allFinite) {
  ScanPointFilter filter(averagingDistance, SpikeTestApplies(), ScanReaderOptions.SpikeThreshold,
                         layout.KeepThird);
  std::string_view word;
  for (int n = 0; n < dataLines; ++n) {
    double values[3] = {0.0, 0.0, 0.0};
    std::size_t first = 0;
    for (int j = 0; j < layout.WordsPerPoint; ++j) {
      if (!words.Next(word)) {
        points = std::move(filter.Points());
        return true;
      }
      const std::size_t at = static_cast<std::size_t>(word.data() - text.data());
      if (j == 0) first = at;
      else if (text.substr(first, at - first).find('\n') != std::string_view::npos)
        return false;
      if (j < 3) values[j] = WordValue(word);
    }
    words.SkipRestOfLine();
    ScanPoint p{ToFloat(values[0]), ToFloat(values[1]), 0.0f};
    if (layout.KeepThird) p.Third = ToFloat(values[2]);
    if (!std::isfinite(p.Radius) || !std::isfinite(p.Signal) || !std::isfinite(p.Third))
      allFinite = false;
    filter.Add(p);
  }
  points = std::move(filter.Points());
  return true;
}

// Radii must rise from point to point within the reach of a rotor: a single
// stray radius would stretch the common grid of the whole run over millions
// of points.
bool RadiiIncrease(const std::vector<ScanPoint>& points) {
  for (std::size_t k = 0; k < points.size(); ++k) {
    if (std::fabs(points[k].Radius) > kLargestRadius) return false;
    if (k > 0 && !(points[k].Radius > points[k - 1].Radius)) return false;
  }
  return true;
}

bool Within(double value, double low, double high) {
  return std::isfinite(value) && value >= low && value <= high;
}

// A header whose time, omega^2 t, speed or temperature is no number in range
// would carry into every time and fit of the run.
bool HeaderInRange(const ScanHeader& h, bool electrophoresis) {
  if (!Within(h.Time, -kLongestRunSeconds, kLongestRunSeconds) || !std::isfinite(h.Omega2t))
    return false;
  if (electrophoresis) return true;
  return h.Time >= 0.0 && Within(h.Omega2t, 0.0, kLargestOmega2t) &&
         Within(h.Rpm, 0.0, kFastestRpm) && Within(h.Temperature, kColdestCelsius, kHottestCelsius);
}

bool AllFinite(const std::vector<ScanPoint>& points) {
  for (const auto& p : points)
    if (!std::isfinite(p.Radius) || !std::isfinite(p.Signal) || !std::isfinite(p.Third))
      return false;
  return true;
}

// Electrophoresis signals are transmitted intensities: absorbance
// log10(1000 / x) for the positive ones.
void ConvertElectrophoresisSignals(std::vector<ScanPoint>& points, ScanHeader& h) {
  // In double precision: 1000 / x overflows a float for the smallest
  // positive x, and the logarithm of that would be stored as infinity.
  for (auto& p : points)
    if (p.Signal > 0.0f)
      p.Signal = static_cast<float>(std::log10(1000.0 / static_cast<double>(p.Signal)));
  ScanReaderOptions.AbsorbanceData = true;
  h.DataType = 'R';
}

void StorePoints(const std::vector<ScanPoint>& points, bool keepThird, OneBasedArray<float>& radius,
                 OneBasedArray<float>& signal, OneBasedArray<float>* third) {
  const int n = static_cast<int>(points.size());
  radius.Resize(1, n);
  signal.Resize(1, n);
  if (keepThird) third->Resize(1, n);
  for (int k = 1; k <= n; ++k) {
    const ScanPoint& p = points[static_cast<std::size_t>(k - 1)];
    radius[k] = p.Radius;
    signal[k] = p.Signal;
    if (keepThird) (*third)[k] = p.Third;
  }
}

thread_local std::string LastProblem;

int Fail(const char* problem) {
  LastProblem = problem;
  return 0;
}

// The first data line after the header line that holds a word whose value is
// not a finite number (the points are merged and filtered, so the line is
// found again in the text).
std::string UnreadableLine(std::string_view text, std::size_t headerStart) {
  std::size_t start = text.find('\n', headerStart);
  while (start != std::string_view::npos && start + 1 < text.size()) {
    ++start;
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    WordCursor words(line, 0);
    std::string_view word;
    while (words.Next(word))
      if (!std::isfinite(ToFloat(WordValue(word)))) return std::string(line);
    start = end;
  }
  return {};
}

}  // namespace

const std::string& ScanFileProblem() {
  return LastProblem;
}

int ReadScanFile(const std::string& path, ScanHeader* header, int* pointCount,
                 OneBasedArray<float>* radius, OneBasedArray<float>* signal,
                 OneBasedArray<float>* third, bool* stampChecked, float averagingDistance) {
  LastProblem.clear();
  if (path.empty() || !header || !pointCount || !radius || !signal) return Fail("no file");
  const auto& options = ScanReaderOptions;
  if (options.FixedColumnsOn && options.FixedColumnCount < 2)
    return Fail("fewer than two fixed columns are set");
  std::string text, unread;
  if (!LoadScanText(path, text, &unread)) {
    // A name that is there but is no scan-sized regular file is no scan.
    LastProblem = unread.empty() ? std::string("could not open the file")
                                 : "not a scan file (" + unread + ")";
    return 0;
  }
  ScanHeader& h = *header;
  const ScanFileTimes times = ReadFileTimes(path);
  h.CreationTime = times.CreationTime;
  h.LastAccessTime = times.LastAccessTime;
  h.LastWriteTime = times.LastWriteTime;
  h.FileTimesValid = times.FileTimesValid;
  if (text.empty()) return Fail("not a scan file (the file is empty)");

  const std::size_t lineEnd = text.find('\n');
  if (lineEnd == std::string::npos) return Fail("not a scan file (no header line)");
  const std::size_t letterAt = text.find_first_not_of(" \t\n\v\f\r", lineEnd + 1);
  if (letterAt == std::string::npos || !IsScanTypeLetter(text[letterAt]))
    return Fail("not a scan file");
  const char letter = text[letterAt];
  const bool electrophoresis = options.ElectrophoresisDataMode;
  const int dataLines = CountDataLines(text, letterAt, electrophoresis);

  h.Description = FilterDescription(text);
  h.TimeStampChecked = HasTimeStampTag(h.Description);
  h.FileMeniscus = ReadFileMeniscus(text);
  WordCursor words(text, letterAt + 1);
  if (electrophoresis)
    ReadElectrophoresisHeaderLine(words, letter, h);
  else
    ReadHeaderLine(words, letter, h);
  // Words after the header's values are no data.
  if (words.position() < text.find('\n', letterAt)) words.SkipRestOfLine();
  ReadFluorescenceSettings(h);
  if (stampChecked) *stampChecked = h.TimeStampChecked;
  if (!HeaderInRange(h, electrophoresis))
    return Fail("the header's time, speed or temperature is not a number in range");

  const ColumnLayout layout = ChooseLayout(h, third != nullptr);
  std::vector<ScanPoint> points;
  bool allFinite = true;
  if (!ReadPoints(words, text, dataLines, layout, averagingDistance, points, allFinite))
    return Fail("a data line holds fewer values than the scan kind needs");
  if (layout.TwoColumn)
    while (!points.empty() && points.back().Radius == 0.0f) points.pop_back();
  if (points.empty()) return Fail("no data lines");
  if (!allFinite || !AllFinite(points)) {
    LastProblem = "could not read the line: " + UnreadableLine(text, letterAt);
    return 0;
  }
  if (!RadiiIncrease(points)) return Fail("the radii do not increase");
  // A radius at or behind the rotor's axis belongs to no cell; the radii
  // rise, so the first is the smallest. Electrophoresis positions may be
  // negative.
  if (!electrophoresis && !(points.front().Radius > 0.0f))
    return Fail("a radius is not above 0 cm");
  if (electrophoresis) {
    ConvertElectrophoresisSignals(points, h);
    if (!AllFinite(points)) return Fail("the electrophoresis conversion gave values out of range");
  }
  if (ScanReaderOptions.FluorescenceData) ScanReaderOptions.AbsorbanceData = true;

  // Kinds that always read three columns keep the third only when the
  // caller gave somewhere to put it.
  StorePoints(points, layout.KeepThird && third != nullptr, *radius, *signal, third);
  h.PointCount = static_cast<int>(points.size());
  *pointCount = h.PointCount;
  return 1;
}

int ReadAuxiliaryScanFile(const std::string& path, ScanHeader* header, int* pointCount,
                          OneBasedArray<float>* radius, OneBasedArray<float>* signal,
                          OneBasedArray<float>* third, bool* stampChecked,
                          float averagingDistance) {
  const ScanKindFlags found = CurrentScanKindFlags();
  const int result = ReadScanFile(path, header, pointCount, radius, signal, third, stampChecked,
                                  averagingDistance);
  RestoreScanKindFlags(found);
  return result;
}
