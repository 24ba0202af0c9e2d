#include "data/DlsDataFile.h"

#include <cassert>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include "data/DataSetLinks.h"
#include "data/ScanFileText.h"
#include "platform/FileHandle.h"
#include "state/DlsFlags.h"
#include "ui/Boxes.h"

namespace {

constexpr std::size_t kTitleLength = 99;
constexpr int kParameterCount = 7;

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r';
}

// The blank-separated words of a line.
std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i])) ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

// A word that is wholly one finite decimal number. The conversion must end
// at the end of the word: a word with a zero byte inside would otherwise
// pass on its first part.
bool ReadNumber(std::string_view word, double& value) {
  const std::string text(word);
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || text.empty() || !std::isfinite(v)) return false;
  value = v;
  return true;
}

// A number that a float field keeps: beyond float range it would become
// infinity, and the file written from it could not be read back.
bool FitsFloat(double v) {
  return std::fabs(v) <= static_cast<double>(FLT_MAX);
}

struct ParsedFile {
  DlsRecord record;
  std::vector<float> lags, values;
};

bool ReadParameterLine(std::string_view line, ParsedFile& file) {
  const std::vector<std::string_view> words = Words(line);
  if (words.empty() || (words[0] != "A" && words[0] != "C")) return false;
  if (words.size() < 1 + kParameterCount) return false;
  double p[kParameterCount];
  for (int j = 0; j < kParameterCount; ++j)
    if (!ReadNumber(words[static_cast<std::size_t>(j) + 1], p[j]) || !FitsFloat(p[j]))
      return false;
  DlsRecord& r = file.record;
  r.DlsTemperature = static_cast<float>(p[0]);
  r.DlsTime = p[1];
  r.DlsSetting3 = static_cast<float>(p[2]);
  r.DlsSetting4 = static_cast<float>(p[3]);
  r.DlsViscosity = static_cast<float>(p[4]);
  r.DlsSetting6 = static_cast<float>(p[5]);
  r.DlsSetting7 = static_cast<float>(p[6]);
  return true;
}

// One "lag value" line; the lag must be a positive time for its logarithm.
bool ReadPair(std::string_view line, ParsedFile& file) {
  const std::vector<std::string_view> words = Words(line);
  double lag = 0.0, value = 0.0;
  if (words.size() < 2 || !ReadNumber(words[0], lag) || !ReadNumber(words[1], value)) return false;
  if (!(lag > 0.0) || !FitsFloat(value)) return false;
  const float logLag = static_cast<float>(std::log10(lag));
  const float v = static_cast<float>(value);
  if (!std::isfinite(logLag) || !std::isfinite(v)) return false;
  file.lags.push_back(logLag);
  file.values.push_back(v);
  return true;
}

bool ParseDlsText(std::string_view text, ParsedFile& file) {
  const std::vector<std::string_view> lines = SplitLines(text);
  if (lines.size() < 2) return false;
  file.record.DlsTitle = std::string(lines[0].substr(0, kTitleLength));
  std::size_t k = 1;
  while (k < lines.size() && Words(lines[k]).empty()) ++k;
  if (k == lines.size() || !ReadParameterLine(lines[k], file)) return false;
  const bool normalised = Words(lines[k])[0] == "C";
  for (++k; k < lines.size(); ++k) {
    const std::string_view line = lines[k];
    if (!line.empty() && line[0] == '0') break;
    if (Words(line).empty()) continue;
    if (!ReadPair(line, file)) return false;
  }
  if (file.values.empty()) return false;
  if (normalised)
    for (float& v : file.values) v -= 1.0f;
  return true;
}

long TruncateToLong(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(LONG_MAX)) return LONG_MAX;
  if (v <= static_cast<double>(LONG_MIN)) return LONG_MIN;
  return static_cast<long>(v);
}

std::string TitleLine(const char* title, const DlsRecord& record) {
  std::string line = title ? title : record.DlsTitle;
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  return line;
}

}  // namespace

float SignedSquare(float v) {
  return v < 0.0f ? -v * v : v * v;
}

float SignedSquareRoot(float v) {
  return v < 0.0f ? -std::sqrt(-v) : std::sqrt(v);
}

bool ReadDLSDataFile(const std::string& path, DlsRecord* record, int* count,
                     OneBasedArray<float>* lags, OneBasedArray<float>* values, bool alwaysG2) {
  if (path.empty() || !record || !count || !lags || !values) return false;
  std::string text;
  if (!LoadScanText(path, text)) return false;
  ParsedFile file;
  if (!ParseDlsText(text, file)) return false;

  const int n = static_cast<int>(file.values.size());
  file.record.DlsPointCount = n;
  file.record.HoldsFieldAcf = !alwaysG2;
  lags->Resize(1, n);
  values->Resize(1, n);
  for (int k = 1; k <= n; ++k) {
    const float v = file.values[static_cast<std::size_t>(k - 1)];
    (*lags)[k] = file.lags[static_cast<std::size_t>(k - 1)];
    (*values)[k] = alwaysG2 ? v : SignedSquareRoot(v);
  }
  *record = std::move(file.record);
  *count = n;
  DlsDataMode = true;
  return true;
}

bool SaveDLSDataFile(const std::string& path, int count, const float* lags, const float* values,
                     const char* title, const DlsRecord& record, bool lagsLinear) {
  assert(count >= 0 && (count == 0 || (lags && values)));
  FileHandle f(std::fopen(path.c_str(), "w"));
  if (!f) {
    ErrorBox("\n\aAttention: could not open " + path);
    return false;
  }
  std::fprintf(f.get(), "%s\n", TitleLine(title, record).c_str());
  std::fprintf(f.get(), "A %f %ld %.2f %f %f %f %e\n", static_cast<double>(record.DlsTemperature),
               TruncateToLong(record.DlsTime), static_cast<double>(record.DlsSetting3),
               static_cast<double>(record.DlsSetting4), static_cast<double>(record.DlsViscosity),
               static_cast<double>(record.DlsSetting6), static_cast<double>(record.DlsSetting7));
  bool aboveOne = false;
  for (int k = 1; k <= count; ++k) {
    const double lag =
        lagsLinear ? static_cast<double>(lags[k]) : std::pow(10.0, static_cast<double>(lags[k]));
    // The file holds intensity correlations: what the record says are
    // field correlations is turned into them, nothing else is.
    const float y = record.HoldsFieldAcf ? SignedSquare(values[k]) : values[k];
    if (y > 1.0f) aboveOne = true;
    std::fprintf(f.get(), "   %1.5e  %1.5e \n", lag, static_cast<double>(y));
  }
  const bool written = std::fflush(f.get()) == 0 && std::ferror(f.get()) == 0;
  const bool closed = std::fclose(f.release()) == 0;
  if (aboveOne) ErrorBox("please check DLSDAT format - should be g(2)-1");
  if (!(written && closed)) ErrorBox("\n\aAttention: could not write " + path);
  return written && closed;
}
