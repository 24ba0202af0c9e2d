#pragma once
// Columns of numbers as tab-separated text on the clipboard, ready to be
// pasted into a spreadsheet. Numbers take the stream's default form (up to
// six significant digits, exponent form where the value needs it); cells are
// separated by one tab and every row, the last included, ends with a single
// line feed. There is no header line. When the clipboard cannot be opened
// the table is not placed and nothing is reported.
//
// Arrays are one-based handles as the numerical routines store them: x[r] is
// row r; a column set is indexed 1..n. The optional column order is one-based
// too: table column j shows array order[j]; callers pass the scans' time
// order so that scans appear in time order.

#include "platform/Platform.h"

// Rows first..last; each row holds x[r] and then columns[c][r] for the n
// columns. window is the window on whose behalf the table is copied.
void CopyColumnsToClipboard(platform::WindowHandle window, const float* x,
                            const float* const* columns, int first, int last, int n,
                            const int* order = nullptr);

// A pair of columns (x, y) per scan s = 1..n, each over its own rows
// first[s]..last[s]. Rows run to the longest scan; a shorter scan leaves its
// two cells empty in the rows past its end, so every row has 2n cells.
void CopyScanTable(platform::WindowHandle window, const float* const* x, const float* const* y,
                   const int* first, const int* last, int n, const int* order = nullptr);
