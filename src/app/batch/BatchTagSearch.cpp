#include "app/batch/BatchTagSearch.h"

#include <cassert>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

#include "platform/BoundedFileRead.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The longest leading decimal number of the value, as the C library's
// string-to-double conversion reads it (blanks skipped, a sign), but
// independent of the process locale: a desktop toolkit may switch the locale
// to one that writes a decimal comma. Nothing when the value does not start
// with a number (read as 0 it would pass for a setting) or the number lies
// beyond the range of a double.
std::optional<double> LeadingNumber(const std::string& value) {
  const char* p = value.data();
  const char* const end = p + value.size();
  while (p != end && IsBlank(*p)) ++p;
  // from_chars takes a minus sign but no plus sign.
  if (p != end && *p == '+' && (p + 1 == end || p[1] != '-')) ++p;
  double number = 0.0;
  const auto [rest, error] = std::from_chars(p, end, number);
  (void)rest;
  if (error == std::errc::invalid_argument) return std::nullopt;
  if (error == std::errc::result_out_of_range) return std::nullopt;
  return number;
}

std::optional<float> AsFloat(double number) {
  if (!std::isfinite(number) || std::fabs(number) > std::numeric_limits<float>::max())
    return std::nullopt;
  return static_cast<float>(number);
}

std::optional<int> AsInteger(double number) {
  if (!std::isfinite(number)) return std::nullopt;
  const double whole = std::trunc(number);
  if (whole < std::numeric_limits<int>::min() || whole > std::numeric_limits<int>::max())
    return std::nullopt;
  return static_cast<int>(whole);
}

std::optional<bool> AsBoolean(const std::string& value) {
  const auto holds = [&value](const char* word) { return value.find(word) != std::string::npos; };
  if (holds("TRUE") || holds("true")) return true;
  if (holds("FALSE") || holds("false")) return false;
  return std::nullopt;
}

// Converts the value into every output asked for; writes nothing unless all
// of them can be read.
bool ConvertValue(const std::string& value, const TagValueOutputs& outputs) {
  std::optional<double> number;
  if (outputs.real != nullptr || outputs.integer != nullptr) {
    number = LeadingNumber(value);
    if (!number) return false;
  }
  std::optional<float> real;
  if (outputs.real != nullptr && !(real = AsFloat(*number))) return false;
  std::optional<int> integer;
  if (outputs.integer != nullptr && !(integer = AsInteger(*number))) return false;
  std::optional<bool> boolean;
  if (outputs.boolean != nullptr && !(boolean = AsBoolean(value))) return false;

  if (outputs.text != nullptr) *outputs.text = value;
  if (real) *outputs.real = *real;
  if (integer) *outputs.integer = *integer;
  if (boolean) *outputs.boolean = *boolean;
  return true;
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& text, std::string* problem) {
  std::string content;
  const FileReadResult read = ReadBoundedRegularFile(path, BatchParameterFileBound, content);
  if (read != FileReadResult::Read) {
    if (problem) *problem = FileReadProblem(read, BatchParameterFileBound);
    return false;
  }
  std::string lines;
  lines.reserve(content.size());
  for (std::size_t i = 0; i < content.size(); ++i) {
    if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') continue;
    lines.push_back(content[i]);
  }
  text = std::move(lines);
  return true;
}

bool XmlTagValue(const std::string* fileText, const std::string& fileName, const std::string& key,
                 const TagValueOutputs& outputs, bool* duplicateTag) {
  assert(!key.empty());
  std::string loaded;
  if (fileText == nullptr) {
    if (!ReadWholeFile(fileName, loaded)) return false;
    fileText = &loaded;
  }
  const std::string opening = "<" + key + ">";
  const std::string closing = "</" + key + ">";
  const std::size_t tag = fileText->find(opening);
  if (tag == std::string::npos) return false;
  const std::size_t valueStart = tag + opening.size();
  const std::size_t valueEnd = fileText->find(closing, valueStart);
  if (valueEnd == std::string::npos) return false;
  if (fileText->find(opening, valueEnd + closing.size()) != std::string::npos) {
    if (duplicateTag != nullptr) *duplicateTag = true;
    return false;
  }
  return ConvertValue(fileText->substr(valueStart, valueEnd - valueStart), outputs);
}
