// Curve and vector files: two chosen columns, averaged lines, and one value
// per line into an empty and into a sized vector.
#include "FuzzSupport.h"
#include "numerics/CCurve.h"
#include "numerics/CVector.h"

namespace {

void ReadCurves(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return;
  const int xcol = 1 + data[0] % 3;
  const int ycol = xcol + 1 + (data[0] >> 2) % 3;
  const int averaged = 1 + (data[0] >> 4) % 4;
  const std::string path = FuzzInputFile(data + 1, size - 1, "curve.dat");
  CCurve curve;
  curve.ReadFile(path, xcol, ycol);
  CCurve means;
  means.ReadFileAveraged(path, xcol, ycol, averaged);
  CVector any;
  any.ReadFile(path);
  CVector sized(5);
  sized.ReadFile(path);
}

const FuzzTargetRegistration kTarget("curve_vector_files", &ReadCurves);

}  // namespace
