#pragma once
// The program's own file format for dynamic light scattering (extension
// "dlsdat"): one measured autocorrelation function per file. The DLS loader
// of the data set reads it, and the light-scattering tools (importers of
// instrument exports, averaged and fitted saves) build on this reader and
// writer.
//
// Layout of a file (text, blank-separated numbers):
//   line 1  the title
//   line 2  a type letter and seven numbers: temperature (deg C), measurement
//           time (s), three measurement settings, the solvent viscosity (in
//           units in which 0.01002 is the standard viscosity) and two more
//           settings. "A": the values are the intensity autocorrelation
//           g(2)-1; "C": the normalised correlation g(2) (baseline 1).
//   then    one "lag value" pair per line, the lag time in seconds.
// A line that begins with the digit 0 ends the data.

#include <string>

#include "numerics/OneBasedArrays.h"

// What one file says about its measurement.
struct DlsRecord {
  std::string DlsTitle;      // line 1, at most 99 characters
  float DlsTemperature = 0;  // deg C
  double DlsTime = 0;        // s
  float DlsSetting3 = 0;     // third and fourth values of the parameter line
  float DlsSetting4 = 0;
  float DlsViscosity = 0;  // 0.01002 is the standard viscosity
  float DlsSetting6 = 0;   // sixth and seventh values
  float DlsSetting7 = 0;
  int DlsPointCount = 0;       // lag/value pairs
  bool HoldsFieldAcf = false;  // the values are field autocorrelations g(1)
};

// Reads one file into record and new arrays lags[1..count] (log10 of the lag
// time in seconds, the axis on which correlation functions are analysed)
// and values[1..count]. Type "C" values lose their baseline of 1. Unless
// alwaysG2 is set the values become field autocorrelations g(1) by a signed
// square root, and the record says so.
//
// False, with the outputs unchanged, for a missing argument, a file that
// cannot be opened, no parameter line, a type letter other than A or C, a
// parameter line without seven numbers, no lag/value pair, a word that is
// not wholly a finite number, a parameter or value beyond float range, or a
// lag that is not positive. Every data line of the
// file is one point. Sets DlsDataMode when the file was read.
bool ReadDLSDataFile(const std::string& path, DlsRecord* record, int* count,
                     OneBasedArray<float>* lags, OneBasedArray<float>* values, bool alwaysG2);

// Writes lags[1..count] (log10 seconds, written as seconds) and
// values[1..count]: the title (the record's own when title is null), the
// parameter line from the record, one pair per line. Values of a record
// that holds field correlations (HoldsFieldAcf) are written as g(2)-1, by a
// signed square; those of any other record as they are. A written value above
// 1 draws the message "please check DLSDAT format - should be g(2)-1" after
// the file is complete. A file that cannot be written (or not to its end)
// draws the error box "\n\aAttention: could not open <path>". True when the
// whole file was written. With lagsLinear the lags are seconds themselves
// (the importers of instrument exports hold them so).
bool SaveDLSDataFile(const std::string& path, int count, const float* lags, const float* values,
                     const char* title, const DlsRecord& record, bool lagsLinear = false);

// The signed square that turns a field autocorrelation g(1) into g(2)-1 by
// the Siegert relation, keeping the sign of noisy negative values; and its
// inverse.
float SignedSquare(float v);
float SignedSquareRoot(float v);
