#pragma once
// The text of a scan file and the pieces the reader takes out of it: the
// filtered description, the meniscus tag, the words of the header and data
// lines, and the number of data lines.

#include <cstddef>
#include <cstddef>
#include <string>
#include <string_view>

// The largest scan file read: real scans are tens of kB, and a bound keeps a
// device or a huge file named as a scan from being read without end.
inline constexpr std::size_t kLargestScanFile = std::size_t{8} << 20;

// Reads the whole file; false when it cannot be opened, is no regular file
// or is larger than kLargestScanFile (problem, when given, then says which
// in a few words; it stays empty for a file that cannot be opened). A carriage return before a line feed is dropped, as
// text-mode reading does, so files with either line end read alike.
bool LoadScanText(const std::string& path, std::string& text, std::string* problem = nullptr);

bool IsScanTypeLetter(char c);

// Line 1 copied from its start while the characters are letters, digits or
// one of "[] _-#/\:,."; at most 99 characters.
std::string FilterDescription(std::string_view text);

// The number written before the tag " - meniscus": read from the text that
// starts 6 characters before the tag (or at the start of the text); 0 when
// there is no tag or no number there.
float ReadFileMeniscus(std::string_view text);

// The value of a number word as the standard decimal conversion gives it (the
// longest leading number; 0 when the word starts with none).
double WordValue(std::string_view word);
// A converted value truncated toward zero; values beyond the int range are
// clamped and a value that is not a number gives 0.
int TruncateToInt(double value);
// The integer that leads the text (after blanks), 0 when there is none.
int LeadingInt(std::string_view text);

// Words separated by blanks, tabs and line ends, read from a position on.
class WordCursor {
 public:
  WordCursor(std::string_view text, std::size_t position) : text_(text), position_(position) {}
  // The next word; false at the end of the text (word untouched).
  bool Next(std::string_view& word);
  // The next word's value, 0 past the end of the text.
  double NextValue();
  // Passes over the rest of the current line, up to its line end.
  void SkipRestOfLine();
  std::size_t position() const { return position_; }

 private:
  std::string_view text_;
  std::size_t position_;
};

// Counts the data lines that follow the header line, which starts at
// headerStart. A line beginning with the digit 0 ends the data (not in the
// electrophoresis mode); a later line beginning with a type letter starts
// counting again. Lines that hold no word are not data lines; the last line
// counts whether or not it ends with a line end.
int CountDataLines(std::string_view text, std::size_t headerStart, bool electrophoresis);
