#pragma once
// Two small table dialogs that callers lay out at run time: a label and an
// edit field per cell (GetMatrixBox), optionally a fit box per cell
// (GetMatrixFitBox). The edited numbers are checked on OK and written into
// the caller's table only when every cell reads as a number; Cancel leaves
// the table as it was.

#include <string>
#include <vector>

#include "platform/FormDialog.h"
#include "platform/Platform.h"

// A rows x columns table, addressed one-based (row i, column j).
template <typename T>
class MatrixTable {
 public:
  MatrixTable() = default;
  MatrixTable(int rows, int columns, T fill = T{})
      : rows_(rows), columns_(columns),
        cells_(static_cast<std::size_t>(rows > 0 && columns > 0 ? rows * columns : 0), fill) {}
  int Rows() const { return rows_; }
  int Columns() const { return columns_; }
  T& operator()(int i, int j) { return cells_[Index(i, j)]; }
  const T& operator()(int i, int j) const { return cells_[Index(i, j)]; }
  bool Empty() const { return cells_.empty(); }

 private:
  std::size_t Index(int i, int j) const {
    return static_cast<std::size_t>((i - 1) * columns_ + (j - 1));
  }
  int rows_ = 0;
  int columns_ = 0;
  std::vector<T> cells_;
};

// The layout a table dialog takes: its template (by the number of rows), the
// template's size and button places in dialog units, and each column's
// label width in pixels.
struct MatrixBoxGeometry {
  int templateId = 0;
  int width = 0, height = 0;
  int okX = 0, okY = 0, cancelX = 0, cancelY = 0;
  std::vector<int> columnWidths;  // [0] is column 1
};
MatrixBoxGeometry MatrixBoxLayout(int rows, const MatrixTable<std::string>& labels, bool fitBoxes);

// Returns 1 on OK, 0 on Cancel or when rows or columns are not positive. An
// empty caption keeps the caption of the previous table dialog.
int RunGetMatrixBox(platform::WindowHandle window, int rows, int columns,
                    MatrixTable<float>& values, const MatrixTable<std::string>& labels,
                    const std::string& caption);

// As above with fit boxes. An empty edit-cell table gives every cell an
// edit field; without fit flags, or without a fit-box table, there are no
// fit boxes.
bool RunGetMatrixFitBox(platform::WindowHandle window, int rows, int columns,
                        MatrixTable<float>& values, const MatrixTable<int>* editCells,
                        MatrixTable<int>* fitFlags, const MatrixTable<int>* fitBoxCells,
                        const MatrixTable<std::string>& labels, const std::string& caption);
