#include "data/ScanFileWriter.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <memory>

#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "platform/FileHandle.h"

namespace {

long TruncateToLong(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(LONG_MAX)) return LONG_MAX;
  if (v <= static_cast<double>(LONG_MIN)) return LONG_MIN;
  return static_cast<long>(v);
}

int TruncateWavelength(float v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0f) return INT_MAX;
  if (v <= -2147483648.0f) return INT_MIN;
  return static_cast<int>(v);
}

// The first line of the file: a line end inside the text would turn the rest
// of it into a header line, so it becomes a blank.
std::string DescriptionLine(const std::string& text) {
  std::string line = HasTimeStampTag(text) ? text : "[T OK]" + text;
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  return line;
}

void WriteHeaderLine(std::FILE* f, const ScanHeaderLineValues& v, bool decimalWavelength) {
  const long rpm = TruncateToLong(v.Rpm);
  const long time = TruncateToLong(v.Time);
  const double omega2t = static_cast<float>(v.Omega2t);
  if (decimalWavelength)
    std::fprintf(f, "%c %d %2.1f %ld %ld %1.4e %1.3f %d\n", v.DataType, v.Cell,
                 static_cast<double>(v.Temperature), rpm, time, omega2t,
                 static_cast<double>(v.Wavelength), v.ColumnCode);
  else
    std::fprintf(f, "%c %d %2.1f %ld %ld %1.4e %d %d\n", v.DataType, v.Cell,
                 static_cast<double>(v.Temperature), rpm, time, omega2t,
                 TruncateWavelength(v.Wavelength), v.ColumnCode);
}

void WriteDataLines(std::FILE* f, const CCurve& curve, const float* third, char type) {
  const int n = curve.x() ? static_cast<int>(curve.x()->count()) : 0;
  for (int k = 1; k <= n; ++k) {
    const double r = curve.x()->At(k - 1);
    const double s = curve.y()->At(k - 1);
    if (!third && type == 'P')
      std::fprintf(f, "   %1.4f  %1.5e \n", r, s);
    else
      std::fprintf(f, "   %1.4f  %1.5e   %1.5e \n", r, s,
                   third ? static_cast<double>(third[k]) : 0.0);
  }
}

bool WriteLines(const std::string& path, const CCurve& curve, const float* third,
                const std::string& text, const ScanFileTimes& times,
                const ScanHeaderLineValues& line, bool decimalWavelength) {
  FileHandle f(std::fopen(path.c_str(), "w"));
  if (!f) {
    std::printf("\n\aAttention: could not open %s", path.c_str());
    std::fflush(stdout);
    return false;
  }
  std::fprintf(f.get(), "%s\n", DescriptionLine(text).c_str());
  WriteHeaderLine(f.get(), line, decimalWavelength);
  WriteDataLines(f.get(), curve, third, line.DataType);
  const bool written = std::fflush(f.get()) == 0 && !std::ferror(f.get());
  const bool closed = std::fclose(f.release()) == 0;
  if (times.FileTimesValid) RestoreFileTimes(path, times);
  return written && closed;
}

bool WriteCurve(const std::string& path, int pointCount, float* radius, float* signal,
                const float* third, const std::string& text, const ScanFileTimes& times,
                const ScanHeaderLineValues& line, bool decimalWavelength) {
  const unsigned n = pointCount > 0 ? static_cast<unsigned>(pointCount) : 0u;
  CVector x, y;
  x.AttachFrom(radius, n, 1);
  y.AttachFrom(signal, n, 1);
  const CCurve curve(&x, &y);
  return WriteLines(path, curve, third, text, times, line, decimalWavelength);
}

// The text of line 1 and whether it is to carry the "[T OK]" tag.
std::string ChooseDescription(const char* description, bool stampChecked,
                              const ScanHeader& header) {
  bool stamp = stampChecked;
  if (description) {
    const std::string given(description);
    if (HasTimeStampTag(given)) return given;
    if (HasTimeStampTag(header.Description)) stamp = true;
    return stamp ? "[T OK]" + given : given;
  }
  if (HasTimeStampTag(header.Description)) return header.Description;
  return stamp ? "[T OK]" + header.Description : header.Description;
}

}  // namespace

ScanHeaderLineValues HeaderLineValuesOf(const ScanHeader& h) {
  return {h.DataType,     h.Cell,    h.Temperature, h.Rpm,
          h.RecordedTime, h.Omega2t, h.Wavelength,  h.ColumnCode};
}

bool WriteScanFile(const std::string& path, int pointCount, float* radius, float* signal,
                   const float* third, const char* description, bool stampChecked,
                   const ScanHeader& header) {
  const std::string text = ChooseDescription(description, stampChecked, header);
  const ScanFileTimes times = FileTimesOf(header);
  const ScanHeaderLineValues line = HeaderLineValuesOf(header);
  if (header.DataType == 'W' || header.DataType == 'V')
    return WriteScanFileCurveWV(path, pointCount, radius, signal, third, text, stampChecked, times,
                                line);
  return WriteScanFileCurve(path, pointCount, radius, signal, third, text, stampChecked, times,
                            line);
}

bool WriteScanFileCurve(const std::string& path, int pointCount, float* radius, float* signal,
                        const float* third, const std::string& text, bool,
                        const ScanFileTimes& times, const ScanHeaderLineValues& line) {
  return WriteCurve(path, pointCount, radius, signal, third, text, times, line, false);
}

bool WriteScanFileCurveWV(const std::string& path, int pointCount, float* radius, float* signal,
                          const float* third, const std::string& text, bool,
                          const ScanFileTimes& times, const ScanHeaderLineValues& line) {
  return WriteCurve(path, pointCount, radius, signal, third, text, times, line, true);
}

bool WriteScanFileLines(const std::string& path, const CCurve& curve, const float* third,
                        const std::string& text, const ScanFileTimes& times,
                        const ScanHeaderLineValues& line) {
  return WriteLines(path, curve, third, text, times, line, false);
}

bool WriteScanFileLinesWV(const std::string& path, const CCurve& curve, const float* third,
                          const std::string& text, const ScanFileTimes& times,
                          const ScanHeaderLineValues& line) {
  return WriteLines(path, curve, third, text, times, line, true);
}
