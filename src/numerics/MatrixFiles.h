#pragma once
// Matrices and columns of numbers as plain text files.
//
// Matrix file: one line per written row, every value preceded by a tab and
// printed with six decimals ("\t%f"), the line end after the last value.
// Column file: one number per line ("%f\n").
// Table files read back: numbers separated by blanks, tabs or line ends, a
// fixed number per line; whatever follows the last wanted number on a line is
// skipped.
//
// File problems are reported in the plain error box and the operation
// returns false or null; nothing ends the program.

#include <string>

// Each writer creates or truncates the file and returns true, or false after
// "\n\aAttention: could not open <path>".
// Line k holds m[nrl+k][ncl..nch].
bool WriteMatrixFile(float** m, int nrl, int nrh, int ncl, int nch, const std::string& path);
bool WriteDMatrixFile(double** m, int nrl, int nrh, int ncl, int nch, const std::string& path);
// Column by column: line k holds m[nrl..nrh][ncl+k].
bool WriteMatrixFileTransposed(float** m, int nrl, int nrh, int ncl, int nch,
                               const std::string& path);
bool WriteDMatrixFileTransposed(double** m, int nrl, int nrh, int ncl, int nch,
                                const std::string& path);

// Writes v[first..last], one value per line; reports
// "\nAttention: could not open <path>" on failure.
void WriteFloatColumn(const std::string& path, const float* v, int last, int first);

// Every line of the file counts (an empty file is one line), so a table that
// ends with an empty line fails. Each reader returns a new array that the
// caller releases with the bounds given, or null with count 0 after
// "\n\aAttention: could not open <path>" or
// "\n\aAttention: could not read from <path>".
//
// m[1..ncols][1..count]: m[c][l] is the c-th number of line l.
float** ReadColumnsFile(const std::string& path, int ncols, int& count);
// m[1..count][1..ncols]: one line of the file per row.
float** ReadRowsFile(const std::string& path, int ncols, int& count);

// One number from each line into v[first..last] (released with
// free_vector(v, first, last)). A line without a number repeats the value
// before it (0 for the first); "Attention: could not open <path>" tells the
// user once per file that this happened.
// Returns null with last = first - 1 (no elements) after
// "\n\aAttention: could not open <path>" when the file cannot be opened.
float* ReadFloatColumn(const std::string& path, int& last, int first);
