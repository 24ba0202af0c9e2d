#pragma once
// Reads numbers out of a text file the way formatted float input does:
// blanks, tabs and line ends before a number are skipped, then the longest
// leading text that forms a decimal number is taken. The whole file is held
// in memory, so a failed number never consumes characters and no read can run
// past the end of a buffer, whatever the file holds.

#include <cstddef>
#include <string>

class NumberTextScanner {
 public:
  // Reads the whole file; false when it cannot be opened.
  bool Open(const std::string& path);

  // The next number as a float. On failure (end of file, a character that
  // starts no number, or a value beyond the float range) nothing but the
  // leading white space is consumed and false is returned.
  bool ReadFloat(float& value);

  // Consumes the next character when it is one of the given ones.
  bool SkipOneOf(const char* characters);

  // Discards the rest of the current line as a line reader with a buffer of
  // 100 characters would: up to 99 characters, or through the line end when
  // that comes first.
  void DiscardLinePiece();

  // The number of pieces a line reader with a buffer of 100 characters
  // returns for the whole file; a line longer than 99 characters counts once
  // for each piece, and an empty file counts as one line.
  int CountLinePieces() const;

  void Rewind() { position_ = 0; }
  bool AtEnd() const { return position_ >= text_.size(); }

 private:
  std::string text_;
  std::size_t position_ = 0;
};

// The longest leading part of text[from..] that forms a decimal number
// (optional sign, digits with an optional point, optional exponent), as a
// length; 0 when there is none.
std::size_t DecimalNumberLength(const std::string& text, std::size_t from);
