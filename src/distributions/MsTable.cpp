// The M(s) table and its lookup.

#include "distributions/MsTable.h"

#include <cstddef>

#include "state/ProgramPaths.h"
#include "state/SolventConditions.h"
#include "numerics/MatrixFiles.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/PhysicalConstants.h"

MsTableRecord MsTable;

void FreeMsTable() {
  MsTable = MsTableRecord{};
}

bool LoadMsTableFrom(const std::string& path) {
  FreeMsTable();
  int count = 0;
  float** columns = ReadColumnsFile(path, 2, count);
  if (columns == nullptr) return false;
  MsTableRecord& t = MsTable;
  t.Rows = count;
  t.S20w.assign(static_cast<std::size_t>(count) + 1, 0.0);
  t.MolarMass.assign(static_cast<std::size_t>(count) + 1, 0.0);
  for (int k = 1; k <= count; ++k) {
    t.S20w[static_cast<std::size_t>(k)] = columns[1][k];
    t.MolarMass[static_cast<std::size_t>(k)] = columns[2][k];
  }
  free_matrix(columns, 1, 2, 1, count);
  t.MsTableLoaded = count >= 1;
  return t.MsTableLoaded;
}

bool LoadMsTable() {
  return LoadMsTableFrom(ProgramPaths.MofsTable);
}

double MsTableMolarMass(double s) {
  const MsTableRecord& t = MsTable;
  if (!t.MsTableLoaded || t.Rows < 1) return 1.0;
  const auto& sc = SolventConditions;
  // s20,w: buoyancy in water at 20 °C over that of the buffer, and the
  // buffer's viscosity relative to water (the reference cancels).
  const double v = s * (1.0 - sc.VBAR * PhysicalConstantsRecord::StandardWaterDensity) *
                   sc.RELVISCOSITY / (1.0 - sc.VbarRho);
  const auto& x = t.S20w;
  const auto& y = t.MolarMass;
  const int n = t.Rows;
  double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;
  if (v < x[1]) {
    x1 = x[1];
    y1 = y[1];
  } else if (v > x[static_cast<std::size_t>(n)]) {
    if (n < 2) return 1.0;
    x0 = x[static_cast<std::size_t>(n - 1)];
    y0 = y[static_cast<std::size_t>(n - 1)];
    x1 = x[static_cast<std::size_t>(n)];
    y1 = y[static_cast<std::size_t>(n)];
  } else {
    int k = 2;
    while (k < n && !(x[static_cast<std::size_t>(k)] > v)) ++k;
    if (n == 1) return 1000.0 * y[1];
    x0 = x[static_cast<std::size_t>(k - 1)];
    y0 = y[static_cast<std::size_t>(k - 1)];
    x1 = x[static_cast<std::size_t>(k)];
    y1 = y[static_cast<std::size_t>(k)];
  }
  if (x1 == x0) return 1.0;
  return 1000.0 * (y0 + (v - x0) * (y1 - y0) / (x1 - x0));
}
