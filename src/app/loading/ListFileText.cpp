#include "app/loading/ListFileText.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace {

constexpr const char* kNewFormatTag = "newformat n=";

std::string Trimmed(const std::string& s) {
  const char* blanks = " \t\r";
  const std::size_t a = s.find_first_not_of(blanks);
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(blanks) - a + 1);
}

bool StartsWithTag(const std::string& line) {
  const std::string tag = kNewFormatTag;
  if (line.size() < tag.size()) return false;
  for (std::size_t k = 0; k < tag.size(); ++k)
    if (std::tolower(static_cast<unsigned char>(line[k])) != tag[k]) return false;
  return true;
}

// The lines that hold text once the comments are gone.
std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    line = Trimmed(line.substr(0, line.find('%')));
    if (!line.empty()) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace

LoadList ParseLoadList(const std::string& text) {
  std::string body = text;
  if (body.starts_with("\xEF\xBB\xBF")) body.erase(0, 3);
  std::vector<std::string> lines = TextLines(body);
  LoadList list;
  if (!lines.empty() && StartsWithTag(lines.front())) {
    const std::string digits = lines.front().substr(std::string(kNewFormatTag).size(), 4);
    list.Step = std::max(1, std::atoi(digits.c_str()));
    lines.erase(lines.begin());
  } else {
    for (auto& line : lines) std::replace(line.begin(), line.end(), '_', '.');
  }
  if (lines.size() >= 2) list.Entries = std::move(lines);
  return list;
}

std::string MakeLoadListText(int step, const std::string& folder,
                             const std::vector<std::string>& names) {
  std::string text = std::string(kNewFormatTag) + std::to_string(step) + "\n" + folder + "\n";
  for (const auto& name : names) text += name + "\n";
  return text;
}
