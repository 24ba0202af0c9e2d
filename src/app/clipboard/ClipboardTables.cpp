#include "app/clipboard/ClipboardTables.h"

#include <algorithm>
#include <cassert>
#include <locale>
#include <sstream>
#include <string>

namespace {

// Builds the table cell by cell. The classic locale keeps the decimal point
// whatever locale the desktop toolkit has set.
class TableText {
 public:
  TableText() { out_.imbue(std::locale::classic()); }

  void Number(float value) {
    Separate();
    out_ << value;
  }
  void Empty() { Separate(); }
  void EndRow() {
    out_ << '\n';
    rowStarted_ = false;
  }
  std::string Text() const { return out_.str(); }

 private:
  void Separate() {
    if (rowStarted_) out_ << '\t';
    rowStarted_ = true;
  }

  std::ostringstream out_;
  bool rowStarted_ = false;
};

int ArrayOfColumn(const int* order, int j, int n) {
  const int c = order != nullptr ? order[j] : j;
  assert(c >= 1 && c <= n);
  (void)n;
  return c;
}

void PlaceOnClipboard(const std::string& text) {
  // The table is simply not placed when the clipboard is busy.
  platform::Current().SetClipboardText(text);
}

}  // namespace

void CopyColumnsToClipboard(platform::WindowHandle, const float* x, const float* const* columns,
                            int first, int last, int n, const int* order) {
  assert(n >= 0);
  TableText table;
  for (int r = first; r <= last; ++r) {
    table.Number(x[r]);
    for (int j = 1; j <= n; ++j) table.Number(columns[ArrayOfColumn(order, j, n)][r]);
    table.EndRow();
  }
  PlaceOnClipboard(table.Text());
}

void CopyScanTable(platform::WindowHandle, const float* const* x, const float* const* y,
                   const int* first, const int* last, int n, const int* order) {
  assert(n >= 0);
  int rows = 0;
  for (int s = 1; s <= n; ++s) rows = std::max(rows, last[s] - first[s] + 1);
  TableText table;
  for (int t = 0; t < rows; ++t) {
    for (int j = 1; j <= n; ++j) {
      const int s = ArrayOfColumn(order, j, n);
      if (t < last[s] - first[s] + 1) {
        table.Number(x[s][first[s] + t]);
        table.Number(y[s][first[s] + t]);
      } else {
        table.Empty();
        table.Empty();
      }
    }
    table.EndRow();
  }
  PlaceOnClipboard(table.Text());
}
