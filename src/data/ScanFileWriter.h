#pragma once
// Writing one radial scan file: the description line (always carrying a
// time-stamp tag), the header line and one data line per point. A rewritten
// scan keeps the file times it had when it was read.
//
// The writers return true when the whole file was written. A file that
// cannot be opened is reported on the standard output only, as
// "\n\aAttention: could not open <path>", and nothing is written.

#include <string>

#include "data/ScanFileTimes.h"
#include "data/ScanHeader.h"

class CCurve;

// The values of the header line.
struct ScanHeaderLineValues {
  char DataType = 'R';
  int Cell = 0;
  float Temperature = 0.0f;
  float Rpm = 0.0f;
  double Time = 0.0;  // written truncated to whole seconds
  double Omega2t = 0.0;
  float Wavelength = 0.0f;
  int ColumnCode = 0;
};

// The header-line values of a header; the time written is RecordedTime.
ScanHeaderLineValues HeaderLineValuesOf(const ScanHeader& header);

// Writes radius[1..n], signal[1..n] and, when given, third[1..n]. A given
// description replaces the header's; stampChecked asks for the "[T OK]" tag.
// Types W and V write the wavelength with decimals.
bool WriteScanFile(const std::string& path, int pointCount, float* radius, float* signal,
                   const float* third, const char* description, bool stampChecked,
                   const ScanHeader& header);

// Wrap the caller's arrays in a curve and write it; the arrays stay with the
// caller (values of magnitude below 1e-30 are set to 0 in them, as every
// vector view does). The WV variant writes the wavelength with decimals.
bool WriteScanFileCurve(const std::string& path, int pointCount, float* radius, float* signal,
                        const float* third, const std::string& text, bool stampChecked,
                        const ScanFileTimes& times, const ScanHeaderLineValues& line);
bool WriteScanFileCurveWV(const std::string& path, int pointCount, float* radius, float* signal,
                          const float* third, const std::string& text, bool stampChecked,
                          const ScanFileTimes& times, const ScanHeaderLineValues& line);

// Write the file from a curve; the point count is the count of its x values.
bool WriteScanFileLines(const std::string& path, const CCurve& curve, const float* third,
                        const std::string& text, const ScanFileTimes& times,
                        const ScanHeaderLineValues& line);
bool WriteScanFileLinesWV(const std::string& path, const CCurve& curve, const float* third,
                          const std::string& text, const ScanFileTimes& times,
                          const ScanHeaderLineValues& line);
