#include "data/ScanFileText.h"

#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/BoundedFileRead.h"

namespace {

// The blanks of the "C" locale, without a locale lookup per character.
bool IsSeparator(char c) {
  return c == ' ' || c == '\n' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDescriptionCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || std::strchr("[] _-#/\\:,.", c) != nullptr;
}

bool HoldsWord(std::string_view line) {
  for (char c : line)
    if (!IsSeparator(c)) return true;
  return false;
}

}  // namespace

bool LoadScanText(const std::string& path, std::string& text, std::string* problem) {
  const FileReadResult read = ReadBoundedRegularFile(path, kLargestScanFile, text);
  if (read != FileReadResult::Read) {
    if (problem && read != FileReadResult::CannotOpen)
      *problem = FileReadProblem(read, kLargestScanFile);
    return false;
  }
  // Text-mode reading: a carriage return before a line feed is dropped.
  std::size_t kept = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    text[kept++] = text[i];
  }
  text.resize(kept);
  return true;
}

bool IsScanTypeLetter(char c) {
  return c != '\0' && std::strchr("RWIPFV", c) != nullptr;
}

std::string FilterDescription(std::string_view text) {
  std::string description;
  for (std::size_t i = 0; i < text.size() && i < 99; ++i) {
    if (text[i] == '\n' || !IsDescriptionCharacter(text[i])) break;
    description.push_back(text[i]);
  }
  return description;
}

float ReadFileMeniscus(std::string_view text) {
  const std::size_t tag = text.find(" - meniscus");
  if (tag == std::string_view::npos) return 0.0f;
  const std::size_t from = tag >= 6 ? tag - 6 : 0;
  const std::string piece(text.substr(from, tag - from));
  const double value = std::strtod(piece.c_str(), nullptr);
  return std::isfinite(value) && std::fabs(value) < 1e30 ? static_cast<float>(value) : 0.0f;
}

double WordValue(std::string_view word) {
  // A plain decimal number (nearly every word of a scan file) converts in
  // place; anything else (a sign "+", hexadecimal, a value out of range,
  // trailing characters) takes the standard conversion, which settles it.
  double value = 0.0;
  const char* end = word.data() + word.size();
  const auto [ptr, ec] = std::from_chars(word.data(), end, value);
  if (ec == std::errc{} && ptr == end) return value;
  const std::string copy(word);
  return std::strtod(copy.c_str(), nullptr);
}

int TruncateToInt(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(value);
}

int LeadingInt(std::string_view text) {
  const std::string copy(text.substr(0, 64));
  const long value = std::strtol(copy.c_str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

bool WordCursor::Next(std::string_view& word) {
  while (position_ < text_.size() && IsSeparator(text_[position_])) ++position_;
  if (position_ >= text_.size()) return false;
  const std::size_t start = position_;
  while (position_ < text_.size() && !IsSeparator(text_[position_])) ++position_;
  word = text_.substr(start, position_ - start);
  return true;
}

double WordCursor::NextValue() {
  std::string_view word;
  return Next(word) ? WordValue(word) : 0.0;
}

void WordCursor::SkipRestOfLine() {
  while (position_ < text_.size() && text_[position_] != '\n') ++position_;
}

int CountDataLines(std::string_view text, std::size_t headerStart, bool electrophoresis) {
  bool counting = true;
  int lines = 0;
  bool headerLine = true;
  for (std::size_t start = headerStart; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    if (!headerLine && !line.empty()) {
      if (IsScanTypeLetter(line.front()))
        counting = true;
      else if (counting && !electrophoresis && line.front() == '0')
        counting = false;
    }
    if (counting && HoldsWord(line)) ++lines;
    headerLine = false;
    start = end + 1;
  }
  return lines - 1;
}
