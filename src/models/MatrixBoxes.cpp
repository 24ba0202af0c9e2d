#include "models/MatrixBoxes.h"

#include <algorithm>
#include <cstdio>

#include "models/ParametersCommand.h"

namespace {

// Pixels of the layout shared by both dialogs.
constexpr int kControlHeight = 18;
constexpr int kEditChars = 8;  // about 55 pixels
constexpr int kEditCapacity = 101;  // 100 characters
constexpr int kMinimumColumn = 70;

// Captions are kept from the previous run when none is given.
std::string& LastCaption(bool fitBox) {
  static std::string plain = "Testing Dialog Boxes";
  static std::string fit = "Testing Dialog Boxes";
  return fitBox ? fit : plain;
}

int LabelId(int i, int j) { return -(10 * i + j); }
int EditId(int i, int j) { return 1000 - (10 * i + j); }
int FitBoxId(int i, int j) { return LabelId(i, j) + 2000; }

// Reads a number the way "%f" does (leading blanks, then a float); false
// when the text holds none.
bool ReadCell(const std::string& text, float& value) {
  return std::sscanf(text.c_str(), "%f", &value) == 1;
}

struct TableRequest {
  int rows = 0, columns = 0;
  MatrixTable<float>* values = nullptr;
  const MatrixTable<int>* editCells = nullptr;
  MatrixTable<int>* fitFlags = nullptr;
  const MatrixTable<int>* fitBoxCells = nullptr;
  const MatrixTable<std::string>* labels = nullptr;
};

bool HasEdit(const TableRequest& r, int i, int j) {
  return r.editCells == nullptr || (*r.editCells)(i, j) != 0;
}

bool HasFitBox(const TableRequest& r, int i, int j) {
  return r.fitFlags != nullptr && r.fitBoxCells != nullptr && (*r.fitBoxCells)(i, j) != 0;
}

bool RunTable(platform::WindowHandle window, const TableRequest& r, bool fitBox,
              const std::string& caption) {
  if (!caption.empty()) LastCaption(fitBox) = caption;
  const MatrixBoxGeometry geometry = MatrixBoxLayout(r.rows, *r.labels, fitBox);
  platform::FormRequest request;
  request.owner = window;
  request.caption = LastCaption(fitBox);
  // Dialog units to pixels, for a font of average size.
  request.minWidth = geometry.width * 7 / 4;
  request.minHeight = geometry.height * 2;
  for (int i = 1; i <= r.rows; ++i) {
    for (int j = 1; j <= r.columns; ++j) {
      const int column = 3 * (j - 1);
      platform::FormItem label = platform::FormLabel(0, i - 1, column, (*r.labels)(i, j));
      label.rightAligned = true;
      request.items.push_back(label);
      if (HasFitBox(r, i, j)) {
        request.items.push_back(platform::FormCheckBox(FitBoxId(i, j), 0, i - 1, column + 1, ""));
        request.state.checked[FitBoxId(i, j)] = (*r.fitFlags)(i, j) != 0;
      }
      if (HasEdit(r, i, j)) {
        platform::FormItem edit = platform::FormEdit(EditId(i, j), 0, i - 1, column + 2, "",
                                                     kEditCapacity);
        edit.widthChars = kEditChars;
        request.items.push_back(edit);
        request.state.texts[EditId(i, j)] = FieldText("%.4f", (*r.values)(i, j));
      }
    }
  }
  // Every cell is read into a copy; the caller's table changes only when all
  // of them are numbers and the user confirmed.
  request.check = [&r](const platform::FormState& s) {
    platform::FormRefusal refusal;
    for (int i = 1; i <= r.rows; ++i)
      for (int j = 1; j <= r.columns; ++j) {
        float v = 0.0f;
        if (!HasEdit(r, i, j) || ReadCell(s.Text(EditId(i, j)), v)) continue;
        if (!refusal.refused) refusal.focusId = EditId(i, j);
        refusal.refused = true;
        refusal.messages.push_back({nullptr, "not a number in " + (*r.labels)(i, j), "errror",
                                    platform::BoxIcon::Error, platform::BoxButtons::Ok});
      }
    return refusal;
  };
  if (!platform::ShowForm(request)) return false;
  for (int i = 1; i <= r.rows; ++i)
    for (int j = 1; j <= r.columns; ++j) {
      if (HasEdit(r, i, j)) ReadCell(request.state.Text(EditId(i, j)), (*r.values)(i, j));
      if (HasFitBox(r, i, j)) (*r.fitFlags)(i, j) = request.state.Checked(FitBoxId(i, j));
    }
  return true;
}

}  // namespace

MatrixBoxGeometry MatrixBoxLayout(int rows, const MatrixTable<std::string>& labels,
                                  bool fitBoxes) {
  MatrixBoxGeometry g;
  if (rows <= 4)
    g = {1086, 299, 63, 240, 44, 240, 28, {}};
  else if (rows <= 6)
    g = {1097, 347, 103, 288, 84, 288, 68, {}};
  else
    g = {1096, 333, 143, 276, 124, 276, 108, {}};
  const int perCharacter = fitBoxes ? 9 : 8;
  for (int j = 1; j <= labels.Columns(); ++j) {
    std::size_t longest = 0;
    for (int i = 1; i <= labels.Rows(); ++i) longest = std::max(longest, labels(i, j).size());
    int width = std::max(kMinimumColumn, perCharacter * static_cast<int>(longest));
    if (fitBoxes) width += kControlHeight;
    g.columnWidths.push_back(width);
  }
  return g;
}

int RunGetMatrixBox(platform::WindowHandle window, int rows, int columns,
                    MatrixTable<float>& values, const MatrixTable<std::string>& labels,
                    const std::string& caption) {
  if (rows <= 0 || columns <= 0) return 0;
  TableRequest r;
  r.rows = rows;
  r.columns = columns;
  r.values = &values;
  r.labels = &labels;
  return RunTable(window, r, false, caption) ? 1 : 0;
}

bool RunGetMatrixFitBox(platform::WindowHandle window, int rows, int columns,
                        MatrixTable<float>& values, const MatrixTable<int>* editCells,
                        MatrixTable<int>* fitFlags, const MatrixTable<int>* fitBoxCells,
                        const MatrixTable<std::string>& labels, const std::string& caption) {
  if (rows <= 0 || columns <= 0) return false;
  TableRequest r;
  r.rows = rows;
  r.columns = columns;
  r.values = &values;
  r.editCells = editCells;
  r.fitFlags = fitFlags;
  r.fitBoxCells = fitBoxCells;
  r.labels = &labels;
  return RunTable(window, r, true, caption);
}
