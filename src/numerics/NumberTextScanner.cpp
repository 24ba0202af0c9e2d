#include "numerics/NumberTextScanner.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr std::size_t kLinePiece = 99;

bool IsDigit(char c) {
  return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

std::size_t DecimalNumberLength(const std::string& text, std::size_t from) {
  std::size_t p = from;
  const std::size_t n = text.size();
  if (p < n && (text[p] == '+' || text[p] == '-')) ++p;
  bool digits = false;
  while (p < n && IsDigit(text[p])) ++p, digits = true;
  if (p < n && text[p] == '.') {
    ++p;
    while (p < n && IsDigit(text[p])) ++p, digits = true;
  }
  if (!digits) return 0;
  if (p < n && (text[p] == 'e' || text[p] == 'E')) {
    std::size_t q = p + 1;
    if (q < n && (text[q] == '+' || text[q] == '-')) ++q;
    if (q < n && IsDigit(text[q])) {
      while (q < n && IsDigit(text[q])) ++q;
      p = q;
    }
  }
  return p - from;
}

bool NumberTextScanner::Open(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  text_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  position_ = 0;
  return true;
}

bool NumberTextScanner::ReadFloat(float& value) {
  while (position_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[position_])))
    ++position_;
  const std::size_t length = DecimalNumberLength(text_, position_);
  if (length == 0) return false;
  const std::string number = text_.substr(position_, length);
  errno = 0;
  const float v = std::strtof(number.c_str(), nullptr);
  // A value beyond the float range is no number this program can hold;
  // underflow to zero or a denormal is kept.
  if (errno == ERANGE && std::isinf(v)) return false;
  value = v;
  position_ += length;
  return true;
}

bool NumberTextScanner::SkipOneOf(const char* characters) {
  if (AtEnd() || text_[position_] == '\0' || !std::strchr(characters, text_[position_]))
    return false;
  ++position_;
  return true;
}

void NumberTextScanner::DiscardLinePiece() {
  for (std::size_t taken = 0; taken < kLinePiece && !AtEnd(); ++taken)
    if (text_[position_++] == '\n') return;
}

int NumberTextScanner::CountLinePieces() const {
  int pieces = 0;
  std::size_t p = 0;
  while (p < text_.size()) {
    std::size_t taken = 0;
    while (taken < kLinePiece && p < text_.size()) {
      ++taken;
      if (text_[p++] == '\n') break;
    }
    ++pieces;
  }
  return pieces == 0 ? 1 : pieces;
}
