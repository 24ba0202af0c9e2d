#include "numerics/MatrixFiles.h"

#include <cassert>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>

#include "numerics/OneBasedArrays.h"
#include "platform/FileHandle.h"
#include "ui/Boxes.h"

namespace {

FileHandle Open(const std::string& path, const char* mode) {
  return FileHandle(std::fopen(path.c_str(), mode));
}

// Flushes and closes the file; false when any write on it failed (a full
// disk), so that a truncated file is not reported as written.
bool Finish(FileHandle file) {
  const bool failed = std::ferror(file.get()) != 0;
  return std::fclose(file.release()) == 0 && !failed;
}

template <class T>
bool WriteLines(T** m, int nrl, int nrh, int ncl, int nch, bool transposed,
                const std::string& path) {
  FileHandle file = Open(path, "w");
  if (!file) {
    ErrorBox("\n\aAttention: could not open " + path);
    return false;
  }
  const int lines = transposed ? nch - ncl + 1 : nrh - nrl + 1;
  const int values = transposed ? nrh - nrl + 1 : nch - ncl + 1;
  for (int k = 0; k < lines; ++k) {
    for (int j = 0; j < values; ++j) {
      const T value = transposed ? m[nrl + j][ncl + k] : m[nrl + k][ncl + j];
      std::fprintf(file.get(), "\t%f", static_cast<double>(value));
    }
    std::fputc('\n', file.get());
  }
  if (!Finish(std::move(file))) {
    ErrorBox("\n\aAttention: could not write to " + path);
    return false;
  }
  return true;
}

// The whole text of a file, or nothing when it cannot be opened or read.
std::optional<std::string> LoadText(const std::string& path) {
  FileHandle file = Open(path, "r");
  if (!file) return std::nullopt;
  std::string text;
  char buffer[4096];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, got);
  if (std::ferror(file.get())) return std::nullopt;
  return text;
}

// Lines of a text: every line end closes one, a last line without an end
// counts too, and an empty text is one (empty) line. A line counts once
// however long it is: the matrix files this program writes hold a line per
// row, and a wide row must read back as one line, not as several.
int CountLines(const std::string& text) {
  int lines = 0;
  for (char ch : text)
    if (ch == '\n') ++lines;
  if (text.empty() || text.back() != '\n') ++lines;
  return lines;
}

// Reads numbers the way formatted input does: white space, line ends
// included, is skipped before a number; the number is the longest prefix
// that converts. Works on the text's own terminating zero.
class NumberCursor {
 public:
  explicit NumberCursor(const std::string& text) : at_(text.c_str()) {}

  bool Next(float& value) {
    while (*at_ == ' ' || *at_ == '\t' || *at_ == '\n' || *at_ == '\r' || *at_ == '\v' ||
           *at_ == '\f')
      ++at_;
    if (*at_ == '\0') return false;
    char* end = nullptr;
    const float read = std::strtof(at_, &end);
    if (end == at_) return false;
    at_ = end;
    value = read;
    return true;
  }

  void SkipRestOfLine() {
    while (*at_ != '\0' && *at_ != '\n') ++at_;
    if (*at_ == '\n') ++at_;
  }

 private:
  const char* at_;
};

// Reads a table of lines with ncols numbers each; store(line, column, value)
// receives them. Returns the number of lines, or nothing after the message.
template <class Store>
std::optional<int> ReadTable(const std::string& path, int ncols, const std::string& text, int lines,
                             Store store) {
  NumberCursor cursor(text);
  for (int l = 1; l <= lines; ++l) {
    for (int c = 1; c <= ncols; ++c) {
      float value;
      if (!cursor.Next(value)) {
        ErrorBox("\n\aAttention: could not read from " + path);
        return std::nullopt;
      }
      store(l, c, value);
    }
    cursor.SkipRestOfLine();
  }
  return lines;
}

enum class Layout { kColumnsAsRows, kRowsAsRows };

float** ReadTableFile(const std::string& path, int ncols, int& count, Layout layout) {
  assert(ncols >= 1);
  count = 0;
  const std::optional<std::string> text = LoadText(path);
  if (!text) {
    ErrorBox("\n\aAttention: could not open " + path);
    return nullptr;
  }
  const int lines = CountLines(*text);
  const bool columnsAsRows = layout == Layout::kColumnsAsRows;
  // Read into owned scratch first, so that a failure leaves nothing to free.
  OneBasedMatrix<float> table(1, lines, 1, ncols);
  if (!ReadTable(path, ncols, *text, lines,
                 [&](int l, int c, float value) { table[l][c] = value; }))
    return nullptr;
  float** m = columnsAsRows ? matrix(1, ncols, 1, lines) : matrix(1, lines, 1, ncols);
  for (int l = 1; l <= lines; ++l)
    for (int c = 1; c <= ncols; ++c) (columnsAsRows ? m[c][l] : m[l][c]) = table[l][c];
  count = lines;
  return m;
}

}  // namespace

bool WriteMatrixFile(float** m, int nrl, int nrh, int ncl, int nch, const std::string& path) {
  return WriteLines(m, nrl, nrh, ncl, nch, false, path);
}

bool WriteDMatrixFile(double** m, int nrl, int nrh, int ncl, int nch, const std::string& path) {
  return WriteLines(m, nrl, nrh, ncl, nch, false, path);
}

bool WriteMatrixFileTransposed(float** m, int nrl, int nrh, int ncl, int nch,
                               const std::string& path) {
  return WriteLines(m, nrl, nrh, ncl, nch, true, path);
}

bool WriteDMatrixFileTransposed(double** m, int nrl, int nrh, int ncl, int nch,
                                const std::string& path) {
  return WriteLines(m, nrl, nrh, ncl, nch, true, path);
}

void WriteFloatColumn(const std::string& path, const float* v, int last, int first) {
  FileHandle file = Open(path, "w");
  if (!file) {
    ErrorBox("\nAttention: could not open " + path);
    return;
  }
  for (int i = first; i <= last; ++i) std::fprintf(file.get(), "%f\n", static_cast<double>(v[i]));
  if (!Finish(std::move(file))) ErrorBox("\nAttention: could not write to " + path);
}

float** ReadColumnsFile(const std::string& path, int ncols, int& count) {
  return ReadTableFile(path, ncols, count, Layout::kColumnsAsRows);
}

float** ReadRowsFile(const std::string& path, int ncols, int& count) {
  return ReadTableFile(path, ncols, count, Layout::kRowsAsRows);
}

float* ReadFloatColumn(const std::string& path, int& last, int first) {
  const std::optional<std::string> text = LoadText(path);
  if (!text) {
    last = first - 1;
    ErrorBox("\n\aAttention: could not open " + path);
    return nullptr;
  }
  const int lines = CountLines(*text);
  last = first + lines - 1;
  float* v = vector(first, last);
  NumberCursor cursor(*text);
  float previous = 0.0f;
  bool told = false;
  for (int i = first; i <= last; ++i) {
    if (!cursor.Next(previous) && !told) {
      ErrorBox("Attention: could not open " + path);
      told = true;
    }
    v[i] = previous;
    cursor.SkipRestOfLine();
  }
  return v;
}
