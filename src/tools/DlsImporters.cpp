#include "tools/DlsImporters.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>

#include "ui/Boxes.h"

namespace {

constexpr int kMaxPoints = 1000;
// Larger exports are refused rather than read into memory.
constexpr std::uintmax_t kMaxFileBytes = 64u * 1024u * 1024u;

bool Refuse(std::string& reason, const std::string& why) {
  reason = why;
  return false;
}

int RefuseImport(const std::string& source, const std::string& why) {
  platform::BoxRequest box;
  box.text = "could not convert " + source + ":\n" + why;
  box.caption = "MAKE DLS DATA";
  box.icon = platform::BoxIcon::Error;
  platform::Current().ShowMessageBox(box);
  return 0;
}

bool ReadWhole(const std::string& path, std::string& text, std::string& reason) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return Refuse(reason, "the file cannot be opened");
  if (size > kMaxFileBytes) return Refuse(reason, "the file is too large for an export");
  std::ifstream in(path, std::ios::binary);
  if (!in) return Refuse(reason, "the file cannot be opened");
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return true;
}

// A decimal number starting at text[at] after blanks; at moves past it.
bool ReadNumber(const std::string& text, std::size_t& at, double& value) {
  while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' ||
                              text[at] == '\n'))
    ++at;
  if (at >= text.size()) return false;
  const char* begin = text.c_str() + at;
  char* end = nullptr;
  errno = 0;
  value = std::strtod(begin, &end);
  if (end == begin || errno == ERANGE || !std::isfinite(value)) return false;
  at += static_cast<std::size_t>(end - begin);
  return true;
}

// The number after the first delimiter that follows the first key.
bool ValueAfter(const std::string& text, const std::string& key, char delimiter, double& value) {
  const std::size_t k = text.find(key);
  if (k == std::string::npos) return false;
  std::size_t at = text.find(delimiter, k);
  if (at == std::string::npos) return false;
  ++at;
  return ReadNumber(text, at, value);
}

// The number right after the first key.
bool ValueRightAfter(const std::string& text, const std::string& key, double& value) {
  const std::size_t k = text.find(key);
  if (k == std::string::npos) return false;
  std::size_t at = k + key.size();
  return ReadNumber(text, at, value);
}

std::size_t LineEnd(const std::string& text, std::size_t from) {
  const std::size_t e = text.find('\n', from);
  return e == std::string::npos ? text.size() : e;
}

bool BlankLine(const std::string& text, std::size_t from, std::size_t end) {
  for (std::size_t i = from; i < end; ++i)
    if (text[i] != ' ' && text[i] != '\t' && text[i] != '\r') return false;
  return true;
}

// Two numbers at the start of the line [from, end); false when not there.
bool PairOnLine(const std::string& text, std::size_t from, std::size_t end, double& x, double& y) {
  const std::string line = text.substr(from, end - from);
  std::size_t at = 0;
  return ReadNumber(line, at, x) && ReadNumber(line, at, y);
}

void FillRecord(DlsRecord& r, const DlsMeasurementSettings& s) {
  r.DlsTemperature = s.temperature;
  r.DlsTime = s.time;
  r.DlsSetting3 = s.countRate;
  r.DlsSetting4 = s.refractiveIndex;
  r.DlsViscosity = s.viscosity;
  r.DlsSetting6 = s.angle;
  r.DlsSetting7 = s.wavelength;
  r.HoldsFieldAcf = false;
}

std::vector<std::string> Tokens(const std::string& text, std::size_t from, std::size_t count,
                                std::size_t* end = nullptr) {
  std::vector<std::string> out;
  std::size_t at = from;
  while (out.size() < count) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    if (at >= text.size()) break;
    std::size_t stop = at;
    while (stop < text.size() && !std::isspace(static_cast<unsigned char>(text[stop]))) ++stop;
    out.push_back(text.substr(at, stop - at));
    at = stop;
  }
  if (end) *end = at;
  return out;
}

bool TokenNumber(const std::string& token, double& value) {
  if (token.empty()) return false;
  char* end = nullptr;
  errno = 0;
  value = std::strtod(token.c_str(), &end);
  return end != token.c_str() && errno != ERANGE && std::isfinite(value);
}

// n pairs of numbers from text at `at`: lag scaled, value minus `minus`.
bool ReadPairs(const std::string& text, std::size_t& at, int n, double lagScale, double minus,
               std::vector<float>& lags, std::vector<float>& values) {
  for (int k = 0; k < n; ++k) {
    double x = 0, y = 0;
    if (!ReadNumber(text, at, x) || !ReadNumber(text, at, y)) return false;
    lags.push_back(static_cast<float>(x * lagScale));
    values.push_back(static_cast<float>(y - minus));
  }
  return true;
}

std::string SeriesStem(int k) {
  char name[16];
  std::snprintf(name, sizeof name, "%05d", k);
  return name;
}

int Finish(const std::string& source, const std::string& output, bool parsed,
           const DlsMeasurement& m, const std::string& reason) {
  if (!parsed) return RefuseImport(source, reason);
  return WriteDlsMeasurement(output, m) ? 1 : 0;
}

int ImportSingle(const std::string& source, const std::string& output,
                 bool (*parse)(const std::string&, DlsMeasurement&, std::string&)) {
  std::string text, reason;
  DlsMeasurement m;
  const bool parsed = ReadWhole(source, text, reason) && parse(text, m, reason);
  return Finish(source, output, parsed, m, reason);
}

bool ParseBicNew(const std::string& text, DlsMeasurement& m, std::string& reason) {
  return ParseBic(text, false, m, reason);
}
bool ParseBicOld(const std::string& text, DlsMeasurement& m, std::string& reason) {
  return ParseBic(text, true, m, reason);
}

// The m rows of a series table that start just after "SOS": how many, read
// as the line ends between the 5th character after "SOS" and the next stop
// character, less one.
int SeriesRows(const std::string& text, std::size_t sos, char stop) {
  const std::size_t from = sos + 3 + 5;
  if (from >= text.size()) return 0;
  const std::size_t to = text.find(stop, from);
  if (to == std::string::npos) return 0;
  const auto ends = std::count(text.begin() + static_cast<long>(from),
                               text.begin() + static_cast<long>(to), '\n');
  return static_cast<int>(ends) - 1;
}

}  // namespace

std::string SeriesFilePath(const std::string& output, const std::string& stem) {
  const std::filesystem::path folder = std::filesystem::path(output).parent_path();
  return (folder / (stem + ".dlsdat")).string();
}

bool WriteDlsMeasurement(const std::string& path, const DlsMeasurement& m) {
  const int n = static_cast<int>(m.lags.size());
  // One-based handles onto the vectors.
  return SaveDLSDataFile(path, n, m.lags.data() - 1, m.values.data() - 1, m.title.c_str(),
                         m.record, true);
}

bool ParseDynamics7(std::string text, bool commas, const DlsMeasurementSettings& s,
                    DlsMeasurement& m, std::string& reason) {
  if (commas) std::replace(text.begin(), text.end(), ',', ' ');
  std::size_t at = text.find("Coef");
  if (at == std::string::npos) at = 0;
  const std::size_t end = text.find('\n', at);
  if (end == std::string::npos) return Refuse(reason, "no data lines after the heading");
  at = end + 1;
  m = DlsMeasurement{};
  while (at < text.size() && static_cast<int>(m.lags.size()) < kMaxPoints) {
    const std::size_t e = LineEnd(text, at);
    if (BlankLine(text, at, e)) break;
    double x = 0, y = 0;
    if (!PairOnLine(text, at, e, x, y)) break;
    m.lags.push_back(static_cast<float>(x * 1e-6));
    m.values.push_back(static_cast<float>(y - 1.0));
    at = e + 1;
  }
  if (m.lags.empty()) return Refuse(reason, "no lag and correlation pairs were found");
  FillRecord(m.record, s);
  m.record.DlsTime = 0;
  m.record.DlsSetting3 = 1.0f;
  return true;
}

bool ParsePhotoCor(const std::string& text, DlsMeasurement& m, std::string& reason) {
  struct Key {
    const char* text;
    double value;
  } keys[] = {{"Temperature, C", 0},        {"Viscosity, cP", 0},
              {"Refractive index", 0},      {"Laser wavelength, nm", 0},
              {"Scatteting angle, deg", 0}, {"Mean signal intensity, Hz", 0},
              {"Sample time, s", 0},        {"Number of channels", 0}};
  for (Key& k : keys)
    if (!ValueAfter(text, k.text, ':', k.value))
      return Refuse(reason, std::string("no value for \"") + k.text + "\"");
  m = DlsMeasurement{};
  DlsRecord& r = m.record;
  r.DlsTemperature = static_cast<float>(keys[0].value);
  r.DlsViscosity = static_cast<float>(keys[1].value * 0.01);
  r.DlsSetting4 = static_cast<float>(keys[2].value);
  // The key names nanometres, as in every other export.
  r.DlsSetting7 = static_cast<float>(keys[3].value * 1e-9);
  r.DlsSetting6 = static_cast<float>(keys[4].value);
  r.DlsSetting3 = static_cast<float>(keys[5].value);
  r.DlsTime = 1.0;
  const double unit = keys[6].value;
  int channels = static_cast<int>(std::min(keys[7].value, 1e6));
  if (channels < 1) return Refuse(reason, "the number of channels is not positive");
  channels = std::min(channels, kMaxPoints);
  for (int k = 1; k <= channels; ++k) {
    double lag = 0, value = 0;
    char key[40];
    std::snprintf(key, sizeof key, "ARG[%d] =", k);
    if (!ValueAfter(text, key, '=', lag)) return Refuse(reason, std::string("no ") + key);
    std::snprintf(key, sizeof key, "ACF[%d] =", k);
    if (!ValueAfter(text, key, '=', value)) return Refuse(reason, std::string("no ") + key);
    m.lags.push_back(static_cast<float>(lag * unit));
    m.values.push_back(static_cast<float>(value));
  }
  return true;
}

bool ParseAlv(const std::string& text, DlsMeasurement& m, std::string& reason) {
  m = DlsMeasurement{};
  const std::size_t timeKey = text.find("Time");
  if (timeKey == std::string::npos) return Refuse(reason, "no \"Time\"");
  const std::size_t quote = text.find('"', timeKey);
  if (quote == std::string::npos || quote + 8 >= text.size())
    return Refuse(reason, "no time of day after \"Time\"");
  auto twoDigits = [&](std::size_t at, int& v) {
    const char a = text[at], b = text[at + 1];
    if (!std::isdigit(static_cast<unsigned char>(a)) || !std::isdigit(static_cast<unsigned char>(b)))
      return false;
    v = (a - '0') * 10 + (b - '0');
    return true;
  };
  int h = 0, mi = 0, se = 0;
  if (!twoDigits(quote + 1, h) || !twoDigits(quote + 4, mi) || !twoDigits(quote + 7, se))
    return Refuse(reason, "the time of day is not hh:mm:ss");
  DlsRecord& r = m.record;
  r.DlsTime = 3600.0 * h + 60.0 * mi + se;
  struct Key {
    const char* text;
    double value;
  } keys[] = {{"Temperature ", 0}, {"Viscosity ", 0}, {"Index", 0},
              {"Wavelength ", 0},  {"Angle ", 0},     {"MeanCR0 ", 0}};
  for (Key& k : keys)
    if (!ValueAfter(text, k.text, '\t', k.value))
      return Refuse(reason, std::string("no value for \"") + k.text + "\"");
  r.DlsTemperature = static_cast<float>(keys[0].value - 273.15);
  r.DlsViscosity = static_cast<float>(keys[1].value * 0.01);
  r.DlsSetting4 = static_cast<float>(keys[2].value);
  r.DlsSetting7 = static_cast<float>(keys[3].value * 1e-9);
  r.DlsSetting6 = static_cast<float>(keys[4].value);
  r.DlsSetting3 = static_cast<float>(keys[5].value * 1000);
  std::size_t head = text.find("Lag [ms]");
  if (head == std::string::npos) head = text.find("Correlation");
  if (head == std::string::npos) return Refuse(reason, "no \"Correlation\" data block");
  std::size_t at = text.find('\n', head);
  if (at == std::string::npos) return Refuse(reason, "no data lines after the heading");
  ++at;
  while (at < text.size() && static_cast<int>(m.lags.size()) < kMaxPoints) {
    const std::size_t e = text.find('\n', at);
    if (e == std::string::npos) return Refuse(reason, "the data block ends inside a line");
    if (BlankLine(text, at, e)) break;
    double x = 0, y = 0;
    if (!PairOnLine(text, at, e, x, y)) break;
    m.lags.push_back(static_cast<float>(x * 0.001));
    m.values.push_back(static_cast<float>(y));
    at = e + 1;
  }
  if (m.lags.empty()) return Refuse(reason, "no lag and correlation pairs were found");
  return true;
}

bool ParseBic(const std::string& text, bool oldDos, DlsMeasurement& m, std::string& reason) {
  m = DlsMeasurement{};
  const std::size_t headerTokens = oldDos ? 23 : 37;
  std::size_t at = 0;
  const std::vector<std::string> header = Tokens(text, 0, headerTokens, &at);
  if (header.size() < headerTokens) return Refuse(reason, "the header is incomplete");
  auto token = [&](int i, double& v) { return TokenNumber(header[static_cast<std::size_t>(i - 1)], v); };
  double rate, k1, theta, lambda, kelvin, eta, n, k2 = 0, baseline;
  if (!token(2, rate) || !token(7, k1) || !token(9, theta) || !token(10, lambda) ||
      !token(11, kelvin) || !token(12, eta) || !token(14, n) || !token(23, baseline) ||
      (!oldDos && !token(21, k2)))
    return Refuse(reason, "the header holds a word that is not a number");
  const double points = std::floor(k1) + (oldDos ? 0 : std::floor(k2));
  if (!(points >= 1 && points <= 100000)) return Refuse(reason, "the number of points is not valid");
  if (baseline == 0) return Refuse(reason, "the baseline is 0");
  const int count = static_cast<int>(points);
  for (int k = 0; k < count; ++k) {
    double x = 0, y = 0;
    if (!ReadNumber(text, at, x) || !ReadNumber(text, at, y))
      return Refuse(reason, "the file holds fewer pairs than its header says");
    m.lags.push_back(static_cast<float>(x * 1e-6));
    m.values.push_back(static_cast<float>(y / baseline - 1.0));
  }
  DlsRecord& r = m.record;
  r.DlsSetting3 = static_cast<float>(rate);
  r.DlsSetting6 = static_cast<float>(theta);
  r.DlsSetting7 = static_cast<float>(lambda * 1e-9);
  r.DlsTemperature = static_cast<float>(kelvin - 273.15);
  r.DlsViscosity = static_cast<float>(eta * 0.01);
  r.DlsSetting4 = static_cast<float>(n);
  r.DlsTime = 0;
  if (!oldDos) {
    std::size_t line = LineEnd(text, at);
    std::string parts[4];
    for (std::string& part : parts) {
      if (line >= text.size()) break;
      const std::size_t e = LineEnd(text, line + 1);
      part = text.substr(line + 1, std::min<std::size_t>(e - line - 1, 99));
      if (!part.empty() && part.back() == '\r') part.pop_back();
      line = e;
    }
    m.title = "sample: " + parts[0] + ", operator: " + parts[1] + ", " + parts[2] + ", " + parts[3];
  }
  return true;
}

namespace {

int ImportCorrelator(const std::string& source, const std::string& output, bool commas, float n,
                     float eta, float lambda, float theta, float t) {
  std::string text, reason;
  DlsMeasurementSettings s;
  s.refractiveIndex = n;
  s.viscosity = eta;
  s.wavelength = lambda;
  s.angle = theta;
  s.temperature = t;
  DlsMeasurement m;
  const bool parsed = ReadWhole(source, text, reason) && ParseDynamics7(text, commas, s, m, reason);
  return Finish(source, output, parsed, m, reason);
}

}  // namespace

int ImportDynamics7(const std::string& source, const std::string& output, float n, float eta,
                    float lambda, float theta, float t) {
  return ImportCorrelator(source, output, true, n, eta, lambda, theta, t);
}

int ImportPS99v6205(const std::string& source, const std::string& output, float n, float eta,
                    float lambda, float theta, float t) {
  return ImportCorrelator(source, output, false, n, eta, lambda, theta, t);
}

int ImportPhotoCor(const std::string& source, const std::string& output) {
  return ImportSingle(source, output, &ParsePhotoCor);
}

int ImportALV(const std::string& source, const std::string& output) {
  return ImportSingle(source, output, &ParseAlv);
}

int ImportBIC9kdlsw32(const std::string& source, const std::string& output) {
  return ImportSingle(source, output, &ParseBicNew);
}

int ImportOldDOSBIC(const std::string& source, const std::string& output) {
  return ImportSingle(source, output, &ParseBicOld);
}

int ImportPSv4(const std::string& source, const std::string& output, float n, float eta,
               float lambda, float theta, float t, int points) {
  std::string text, reason;
  if (!ReadWhole(source, text, reason)) return RefuseImport(source, reason);
  if (points < 1 || points > kMaxPoints)
    return RefuseImport(source, "the number of channels must lie within 1 .. 1000");
  const std::string label = "Measurement number ";
  int count = 0;
  for (std::size_t at = text.find(label); at != std::string::npos; at = text.find(label, at + 1))
    ++count;
  if (count == 0) return RefuseImport(source, "no \"Measurement number\" found");
  // Every measurement is parsed before any file is written.
  std::vector<DlsMeasurement> series;
  std::vector<double> sum(static_cast<std::size_t>(points), 0.0);
  for (int k = 1; k <= count; ++k) {
    const std::string key = label + std::to_string(k);
    const std::size_t found = text.find(key);
    if (found == std::string::npos) return RefuseImport(source, "no \"" + key + "\"");
    std::size_t at = found + key.size() + 26;
    if (at > text.size()) return RefuseImport(source, "\"" + key + "\" has no data");
    DlsMeasurement m;
    if (!ReadPairs(text, at, points, 1.0, 1.0, m.lags, m.values))
      return RefuseImport(source, "\"" + key + "\" holds fewer points than asked for");
    for (int j = 0; j < points; ++j) sum[static_cast<std::size_t>(j)] += m.values[static_cast<std::size_t>(j)];
    DlsMeasurementSettings s{n, eta, lambda, theta, t, static_cast<float>(k), 1.0f};
    FillRecord(m.record, s);
    m.title = source;
    series.push_back(std::move(m));
  }
  for (int k = 1; k <= count; ++k)
    WriteDlsMeasurement(SeriesFilePath(output, SeriesStem(k)), series[static_cast<std::size_t>(k - 1)]);
  DlsMeasurement average = series.back();
  for (int j = 0; j < points; ++j)
    average.values[static_cast<std::size_t>(j)] = static_cast<float>(sum[static_cast<std::size_t>(j)] / count);
  average.record.DlsTime = 0;
  WriteDlsMeasurement(SeriesFilePath(output, "average"), average);
  return 1;
}

int ImportPS99v52005(const std::string& source, const std::string& output, float n, float eta,
                     int points, float theta, float lambda) {
  std::string text, reason;
  if (!ReadWhole(source, text, reason)) return RefuseImport(source, reason);
  if (points < 1 || points > kMaxPoints)
    return RefuseImport(source, "the number of channels must lie within 1 .. 1000");
  const std::size_t sos = text.find("SOS");
  if (sos == std::string::npos) return RefuseImport(source, "no \"SOS\" table");
  const int count = SeriesRows(text, sos, 'M');
  if (count < 1) return RefuseImport(source, "the \"SOS\" table has no rows");
  std::size_t at = sos + 3;
  std::vector<DlsMeasurementSettings> rows;
  for (int k = 1; k <= count; ++k) {
    const std::vector<std::string> row = Tokens(text, at, 17, &at);
    double time, t, rate;
    if (row.size() < 17 || !TokenNumber(row[1], time) || !TokenNumber(row[13], t) ||
        !TokenNumber(row[14], rate))
      return RefuseImport(source, "row " + std::to_string(k) + " of the \"SOS\" table is short");
    rows.push_back({n, eta, lambda, theta, static_cast<float>(t), std::trunc(static_cast<float>(time)),
                    static_cast<float>(rate)});
  }
  std::vector<DlsMeasurement> series;
  for (int k = 1; k <= count; ++k) {
    const std::string key = "Measurement number " + std::to_string(k);
    const std::size_t found = text.find(key);
    if (found == std::string::npos) return RefuseImport(source, "no \"" + key + "\"");
    std::size_t data = found + key.size() + 26;
    if (data > text.size()) return RefuseImport(source, "\"" + key + "\" has no data");
    DlsMeasurement m;
    if (!ReadPairs(text, data, points, 1.0, 1.0, m.lags, m.values))
      return RefuseImport(source, "\"" + key + "\" holds fewer points than asked for");
    FillRecord(m.record, rows[static_cast<std::size_t>(k - 1)]);
    m.title = source;
    series.push_back(std::move(m));
  }
  for (int k = 1; k <= count; ++k)
    WriteDlsMeasurement(SeriesFilePath(output, SeriesStem(k)), series[static_cast<std::size_t>(k - 1)]);
  return count;
}

int ImportPS99v52638(const std::string& source, const std::string& output, float n, float eta,
                     int points, bool writeEach) {
  std::string text, reason;
  if (!ReadWhole(source, text, reason)) return RefuseImport(source, reason);
  if (points < 1 || points > kMaxPoints)
    return RefuseImport(source, "the number of channels must lie within 1 .. 1000");
  double wavelength = 0, angle = 0;
  if (!ValueRightAfter(text, "Laser Wavelength (A)   =", wavelength))
    return RefuseImport(source, "no \"Laser Wavelength (A)\"");
  if (!ValueRightAfter(text, "Scattering Angle (deg) =", angle))
    return RefuseImport(source, "no \"Scattering Angle (deg)\"");
  const std::size_t sos = text.find("SOS");
  if (sos == std::string::npos) return RefuseImport(source, "no \"SOS\" table");
  const int count = SeriesRows(text, sos, '-');
  if (count < 1) return RefuseImport(source, "the \"SOS\" table has no rows");
  std::size_t at = sos + 3;
  std::vector<DlsMeasurementSettings> rows;
  DlsMeasurementSettings mean{n, eta, static_cast<float>(wavelength * 1e-10),
                              static_cast<float>(angle), 0, 0, 0};
  for (int k = 1; k <= count; ++k) {
    const std::vector<std::string> row = Tokens(text, at, 11, &at);
    double time, t, rate;
    if (row.size() < 11 || !TokenNumber(row[1], time) || !TokenNumber(row[7], t) ||
        !TokenNumber(row[8], rate))
      return RefuseImport(source, "row " + std::to_string(k) + " of the \"SOS\" table is short");
    DlsMeasurementSettings s = mean;
    s.time = static_cast<float>(time);
    s.temperature = static_cast<float>(t);
    s.countRate = static_cast<float>(rate);
    rows.push_back(s);
  }
  for (const auto& r : rows) {
    mean.time += r.time / static_cast<float>(count);
    mean.temperature += r.temperature / static_cast<float>(count);
    mean.countRate += r.countRate / static_cast<float>(count);
  }
  mean.time = std::trunc(mean.time);
  const std::size_t table = text.find("Coefficients (Ave)");
  if (table == std::string::npos) return RefuseImport(source, "no \"Coefficients (Ave)\" table");
  at = table + 18;
  const std::size_t columns = static_cast<std::size_t>(count) + 2;
  std::vector<DlsMeasurement> series(columns);
  for (int j = 1; j <= points; ++j) {
    const std::vector<std::string> row = Tokens(text, at, columns, &at);
    if (row.size() < columns) return RefuseImport(source, "the coefficient table is short");
    double lag;
    if (!TokenNumber(row[0], lag)) return RefuseImport(source, "the coefficient table holds a word");
    for (std::size_t c = 1; c < columns; ++c) {
      double v;
      if (!TokenNumber(row[c], v)) return RefuseImport(source, "the coefficient table holds a word");
      series[c].lags.push_back(static_cast<float>(lag));
      series[c].values.push_back(static_cast<float>(v - 1.0));
    }
  }
  if (writeEach) {
    for (int k = 1; k <= count; ++k) {
      DlsMeasurement& m = series[static_cast<std::size_t>(k)];
      DlsMeasurementSettings s = rows[static_cast<std::size_t>(k - 1)];
      FillRecord(m.record, s);
      m.title = source;
      WriteDlsMeasurement(SeriesFilePath(output, SeriesStem(k)), m);
    }
  }
  DlsMeasurement& average = series[columns - 1];
  FillRecord(average.record, mean);
  average.title = source;
  WriteDlsMeasurement(SeriesFilePath(output, "average"), average);
  return count;
}

int ImportTwoColumnData(const std::string& source, const std::string& output, float lagUnit,
                        float baseline, const DlsMeasurementSettings& s) {
  std::string text, reason;
  if (!ReadWhole(source, text, reason)) return RefuseImport(source, reason);
  if (baseline == 0) return RefuseImport(source, "the baseline count rate is 0");
  DlsMeasurement m;
  std::istringstream lines(text);
  std::string line;
  std::vector<std::pair<float, float>> points;
  while (std::getline(lines, line)) {
    double x = 0, y = 0;
    if (!PairOnLine(line, 0, line.size(), x, y)) continue;
    points.emplace_back(static_cast<float>(lagUnit * x), static_cast<float>(y / baseline - 1.0));
  }
  if (points.empty()) return RefuseImport(source, "no lines with two numbers");
  std::stable_sort(points.begin(), points.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [x, y] : points) {
    m.lags.push_back(x);
    m.values.push_back(y);
  }
  FillRecord(m.record, s);
  return WriteDlsMeasurement(output, m) ? 1 : 0;
}

int ImportTwoColumnG2(const std::string& source, const std::string& output,
                      const DlsMeasurementSettings& s) {
  std::string text, reason;
  if (!ReadWhole(source, text, reason)) return RefuseImport(source, reason);
  DlsMeasurement m;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    double x = 0, y = 0;
    if (!PairOnLine(line, 0, line.size(), x, y)) continue;
    m.lags.push_back(static_cast<float>(x * 1e-6));
    m.values.push_back(static_cast<float>(y));
  }
  if (m.lags.empty()) return RefuseImport(source, "no lines with two numbers");
  FillRecord(m.record, s);
  m.record.DlsSetting3 = 1.0f;
  return WriteDlsMeasurement(output, m) ? 1 : 0;
}
