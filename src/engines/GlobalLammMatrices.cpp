#include "engines/GlobalLammMatrices.h"

#include <cassert>
#include <cmath>

#include "state/ModelSelection.h"
#include "data/ScanDataSet.h"
#include "engines/EngineRunReads.h"
#include "engines/HatElementIntegrals.h"
#include "engines/InhomogeneousSolvent.h"
#include "engines/Romberg.h"
#include "models/GlobalLammState.h"
#include "state/ModelParameters.h"
#include "numerics/ConstantShorthands.h"

GlobalLammEngineRecord GlobalLammEngine;
ExternalLoadingCellRecord ExternalLoadingCell;

namespace {

// Path length (cm) and a 2-degree sector (rad) of the loading shown.
constexpr double kPathLength = 1.2;
constexpr double kSectorAngle = 0.03490658503988659;

enum class Geometry { Linear, Electrophoresis, ExternalLoading, Numeric };
Geometry SelectedGeometry = Geometry::Linear;

const double* Radius() {
  return GlobalLammArrays.LammRadius;
}
HatGrid CurrentGrid() {
  return HatGrid{Radius(), GridSize()};
}
bool Outside(int i) {
  return i < 1 || i > GridSize();
}

// Element width of the evenly spaced grid, from the cell ends as entered.
double UniformSpacing() {
  const float m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
  return static_cast<double>(b - m) / (GridSize() - 1);
}

double SedimentationRateNow() {
  const double omega = GlobalLammRun.RunRpm * 2.0 * kPi / 60.0;
  return omega * omega * GlobalLammRun.SpeciesS * 1e-13;
}

// In an inhomogeneous solvent the macromolecule's local s and D follow the
// solvent: K takes the factor-weighted integrals (the factors interpolated
// linearly between the nodes); M does not change.
void SolventTransportRow(int i, int m, double w) {
  const GlobalLammWorkArrays a = GlobalLammWork();
  const double D = GlobalLammRun.SpeciesD;
  const double* r = Radius();
  const int clip = i == m ? m : GridSize();
  const auto transport = [&](int j) {
    return w * FactorSedimentationIntegral(i, j, r, clip) -
           D * FactorDiffusionIntegral(i, j, r, clip);
  };
  a.Transport.l[i] = i == 1 ? 0.0 : transport(i - 1);
  a.Transport.d[i] = transport(i);
  a.Transport.u[i] = i == m ? 0.0 : transport(i + 1);
}

// Row i of M and K on the sector cell, i the first, an interior or the last
// row (last: u = 0). Interior rows read the whole grid; they never reach past
// the last node, so the result does not depend on where the system ends.
void SectorRow(int i, int m, double w) {
  const GlobalLammWorkArrays a = GlobalLammWork();
  const double D = GlobalLammRun.SpeciesD;
  const double* r = Radius();
  const bool first = i == 1, last = i == m;
  if (!GlobalLammArrays.OptimizedGridMade) {
    const double h = UniformSpacing(), ri = r[i];
    if (first) {
      a.Mass.l[i] = 0.0;
      a.Mass.d[i] = h * (h / 4 + ri) / 3;
      a.Mass.u[i] = h * (h / 2 + ri) / 6;
      a.Transport.l[i] = 0.0;
      a.Transport.d[i] = -w * (h * h / 12 + ri * h / 3 + ri * ri / 2) - D * (ri + h / 2) / h;
      a.Transport.u[i] = -w * (h * h / 4 + 2 * ri * h / 3 + ri * ri / 2) + D * (ri + h / 2) / h;
    } else if (last) {
      a.Mass.l[i] = h * (ri - h / 2) / 6;
      a.Mass.d[i] = h * (ri - h / 4) / 3;
      a.Mass.u[i] = 0.0;
      a.Transport.l[i] = w * (h * h / 4 + ri * ri / 2 - 2 * ri * h / 3) + D * (ri - h / 2) / h;
      a.Transport.d[i] = w * (h * h / 12 + ri * ri / 2 - ri * h / 3) - D * (ri - h / 2) / h;
      a.Transport.u[i] = 0.0;
    } else {
      a.Mass.l[i] = h * (ri - h / 2) / 6;
      a.Mass.d[i] = 2 * ri * h / 3;
      a.Mass.u[i] = h * (ri + h / 2) / 6;
      a.Transport.l[i] = w * (ri * ri / 2 - 2 * ri * h / 3 + h * h / 4) + D * (ri - h / 2) / h;
      a.Transport.d[i] = -2 * w * ri * h / 3 - 2 * D * ri / h;
      a.Transport.u[i] = -w * (h * h / 4 + 2 * ri * h / 3 + ri * ri / 2) + D * (ri + h / 2) / h;
    }
  } else {
    const HatGrid g = CurrentGrid();
    const int clip = last ? m : GridSize();
    const auto mass = [&](int j) { return GridMassIntegral(g, i, j, clip); };
    const auto transport = [&](int j) {
      return w * GridSedimentationIntegral(g, i, j, clip) -
             D * GridDiffusionIntegral(g, i, j, clip);
    };
    a.Mass.l[i] = first ? 0.0 : mass(i - 1);
    a.Mass.d[i] = mass(i);
    a.Mass.u[i] = last ? 0.0 : mass(i + 1);
    a.Transport.l[i] = first ? 0.0 : transport(i - 1);
    a.Transport.d[i] = transport(i);
    a.Transport.u[i] = last ? 0.0 : transport(i + 1);
  }
  if (InhomogeneousSolventOn) SolventTransportRow(i, m, w);
}

// Material leaves through the last node by sedimentation and diffusion when
// back-diffusion from the bottom is shut off.
void BottomOutflow(int m, double w) {
  if (!SpeciesSignals.BackDiffusionShutOffApplies || m < 2) return;
  const GlobalLammWorkArrays a = GlobalLammWork();
  const double* r = Radius();
  const double D = GlobalLammRun.SpeciesD;
  if (InhomogeneousSolventOn) {
    const double q = BottomDiffusionTerm(r, m);
    a.Transport.l[m] += D * q;
    a.Transport.d[m] -= w * BottomSedimentationTerm(r, m) + D * q;
    return;
  }
  const double q =
      GlobalLammArrays.OptimizedGridMade ? r[m] / (r[m] - r[m - 1]) : r[m] / UniformSpacing();
  a.Transport.l[m] += D * q;
  a.Transport.d[m] -= w * r[m] * r[m] + D * q;
}

double SectorRateForBuild() {
  const double w = SedimentationRateNow();
  if (ScanDataSet.RampRotorSpeed) GlobalLammEngine.SedimentationRate = w;
  return w;
}

RombergEntryGrid RombergGrid(bool taper) {
  RombergEntryGrid g;
  g.Radius = Radius();
  g.GridSize = GridSize();
  if (taper) {
    const ExternalLoadingCellRecord& cell = ExternalLoadingCell;
    const LoadingCellTaper t{cell.TaperStart, cell.TaperNarrowing, cell.TaperLength};
    g.Weight = [t](double x) { return LoadingCellCrossSection(x, t); };
    g.WeightBreak = cell.TaperStart;
  }
  return g;
}

// The loading cell's entries keep the closed forms of the linear cell where
// the element lies before the taper or the oil fills the whole taper.
bool BeforeTaper(int j, int i) {
  const int n = GridSize();
  if (ExternalLoadingCell.OilVolume > static_cast<float>(ExternalLoadingCell.TaperVolume))
    return true;
  const double* r = Radius();
  const double start = ExternalLoadingCell.TaperStart;
  return j < n && i < n && r[j + 1] < start && r[i + 1] < start;
}

}  // namespace

GlobalLammWorkArrays GlobalLammWork() {
  GlobalLammWorkArrays w;
  w.OldTotalSignal = MainArray(3);
  w.RightHandSide = MainArray(4);
  w.Mass = {MainArray(5), MainArray(6), MainArray(7)};
  w.Transport = {MainArray(8), MainArray(9), MainArray(10)};
  w.LeftSystem = {MainArray(11), MainArray(12), MainArray(13)};
  w.PivotArray = MainArray(14);
  w.MultiplierArray = MainArray(15);
  return w;
}

void BuildSectorMatrices(int m) {
  const int n = GridSize();
  if (m > n) m = n;
  assert(m >= 2 && Radius() != nullptr);
  const double w = SectorRateForBuild();
  for (int i = 1; i <= m; ++i) SectorRow(i, m, w);
  BottomOutflow(m, w);
  GlobalLammEngine.BuiltSize = GlobalLammEngine.LargestBuiltSize = m;
  GlobalLammEngine.BandsChanged = true;
}

void ResizeSectorMatrices(int m) {
  GlobalLammEngineRecord& e = GlobalLammEngine;
  if (m > GridSize()) m = GridSize();
  if (m == e.BuiltSize) return;
  e.BandsChanged = true;
  if (m > e.LargestBuiltSize) {
    BuildSectorMatrices(m);
    return;
  }
  const double w = SectorRateForBuild();
  const int old = e.BuiltSize;
  // The old last row becomes an interior row again.
  if (old - 1 >= 2) SectorRow(old - 1, GridSize(), w);
  if (old >= 2 && old < GridSize()) SectorRow(old, GridSize(), w);
  if (m - 1 >= 2) SectorRow(m - 1, GridSize(), w);
  SectorRow(m, m, w);
  BottomOutflow(m, w);
  e.BuiltSize = m;
}

bool NonSectorGeometry() {
  const LammGeometryRecord& g = ModelSelection.LammGeometry;
  return g.LinearLamm || g.ExternalLoadingCell || g.Geometry282 || g.LinearForceElectrophoresis;
}

void BuildGeometryMatrices() {
  GlobalLammEngineRecord& e = GlobalLammEngine;
  const int n = GridSize();
  const double D = GlobalLammRun.SpeciesD;
  if (ModelSelection.LammGeometry.LinearForceElectrophoresis) {
    e.GeometryForce = GlobalLammRun.SpeciesS * 1e-4;  // v in um/s to cm/s
  } else {
    e.GeometryForce = SedimentationRateNow();
  }
  SelectGeometryWeight();
  const GlobalLammWorkArrays a = GlobalLammWork();
  const double f = e.GeometryForce;
  for (int i = 1; i <= n; ++i) {
    const auto transport = [&](int j) {
      return f * GeometrySedimentationEntry(j, i) - D * GeometryDiffusionEntry(j, i);
    };
    a.Mass.l[i] = i > 1 ? GeometryMassEntry(i - 1, i) : 0.0;
    a.Mass.d[i] = GeometryMassEntry(i, i);
    a.Mass.u[i] = i < n ? GeometryMassEntry(i + 1, i) : 0.0;
    a.Transport.l[i] = i > 1 ? transport(i - 1) : 0.0;
    a.Transport.d[i] = transport(i);
    a.Transport.u[i] = i < n ? transport(i + 1) : 0.0;
  }
  e.BuiltSize = e.LargestBuiltSize = n;
  e.BandsChanged = true;
}

double SectorTotalLoading() {
  const int n = GridSize();
  const double* r = Radius();
  const double* c = GlobalLammArrays.LammConcentration;
  double sum = 0.0;
  if (GlobalLammArrays.OptimizedGridMade) {
    const HatGrid g = CurrentGrid();
    for (int i = 1; i <= n; ++i) sum += HatWeightIntegral(g, i, n) * c[i];
  } else {
    const double h = UniformSpacing();
    sum += h * (3 * r[1] + h) / 6 * c[1] + h * (3 * r[n] - h) / 6 * c[n];
    for (int i = 2; i < n; ++i) sum += r[i] * h * c[i];
  }
  return sum * kPathLength * kSectorAngle;
}

double GeometryTotalLoading() {
  SelectGeometryWeight();
  const double* c = GlobalLammArrays.LammConcentration;
  double sum = 0.0;
  for (int i = 1; i <= GridSize(); ++i) sum += GeometryWeight(i) * c[i];
  return sum * kPathLength;
}

double LinearMassEntry(int a, int b) {
  const int n = GridSize();
  if (Outside(a) || Outside(b)) return 0.0;
  const double* r = Radius();
  if (a == 1 && b == 1) return (r[2] - ModelParameters.Meniscus) / 3;
  if (a == n && b == n) return (ModelParameters.Bottom - r[n - 1]) / 3;
  if (a == b - 1) return (r[b] - r[b - 1]) / 6;
  if (a == b) return (r[b + 1] - r[b - 1]) / 3;
  if (a == b + 1) return (r[b + 1] - r[b]) / 6;
  return 0.0;
}

double LinearDiffusionEntry(int a, int b) {
  const int n = GridSize();
  if (Outside(a) || Outside(b)) return 0.0;
  const float he = (ModelParameters.Bottom - ModelParameters.Meniscus) / static_cast<float>(n - 1);
  if ((a == 1 && b == 1) || (a == n && b == n)) return 1.0 / he;
  if (a == b) return 2.0 / he;
  if (a == b - 1 || a == b + 1) return -1.0 / he;
  return 0.0;
}

double LinearSedimentationEntry(int a, int b) {
  const int n = GridSize();
  if (Outside(a) || Outside(b)) return 0.0;
  const double* r = Radius();
  if (a == 1 && b == 1) return -(r[1] / 3 + r[2] / 6);
  if (a == n && b == n) return r[n - 1] / 6 + r[n] / 3;
  if (a == b - 1) return r[b - 1] / 3 + r[b] / 6;
  if (a == b) return (r[b - 1] - r[b + 1]) / 6;
  if (a == b + 1) return -(r[b] / 6 + r[b + 1] / 3);
  return 0.0;
}

double LinearForceSedimentationEntry(int a, int b) {
  const int n = GridSize();
  if (Outside(a) || Outside(b)) return 0.0;
  if (a == 1 && b == 1) return -0.5;
  if (a == n && b == n) return 0.5;
  if (a == b - 1) return 0.5;
  if (a == b + 1) return -0.5;
  return 0.0;
}

double LinearWeight(int i) {
  if (Outside(i)) return 0.0;
  return i == 1 || i == GridSize() ? 0.5 : 1.0;
}

void ExternalLoadingSetup() {
  ExternalLoadingCellRecord& cell = ExternalLoadingCell;
  const double v = cell.OilVolume, L = cell.TaperLength, a = cell.TaperNarrowing;
  const double A = cell.CellWidth * cell.CellPathLength;
  if (v == 0.0) {
    cell.OilHeight = 0.0;
  } else if (v >= cell.TaperVolume) {
    cell.OilHeight = (v - cell.TaperVolume) / A;
  } else {
    // The height that v fills at the narrow end of a taper whose
    // cross-section falls linearly from A to (1 - a) A.
    cell.OilHeight = (L / a) * (-1 + a + std::sqrt(2 * a * v / (L * A) + (1 - a) * (1 - a)));
  }
  cell.TaperStart = Radius()[GridSize()] - (L - cell.OilHeight);
}

double ExternalLoadingMassEntry(int j, int i) {
  if (Outside(j) || Outside(i)) return 0.0;
  return BeforeTaper(j, i) ? LinearMassEntry(j, i) : RombergMassEntry(RombergGrid(true), j, i);
}

double ExternalLoadingDiffusionEntry(int j, int i) {
  if (Outside(j) || Outside(i)) return 0.0;
  return BeforeTaper(j, i) ? LinearDiffusionEntry(j, i)
                           : RombergDiffusionEntry(RombergGrid(true), j, i);
}

double ExternalLoadingSedimentationEntry(int j, int i) {
  if (Outside(j) || Outside(i)) return 0.0;
  return BeforeTaper(j, i) ? LinearSedimentationEntry(j, i)
                           : RombergSedimentationEntry(RombergGrid(true), j, i);
}

double ExternalLoadingWeight(int i) {
  if (Outside(i)) return 0.0;
  return BeforeTaper(i, i) ? LinearWeight(i) : RombergWeightEntry(RombergGrid(true), i);
}

void SelectGeometryWeight() {
  const LammGeometryRecord& g = ModelSelection.LammGeometry;
  if (g.LinearForceElectrophoresis) {
    SelectedGeometry = Geometry::Electrophoresis;
  } else if (g.ExternalLoadingCell) {
    SelectedGeometry = Geometry::ExternalLoading;
    ExternalLoadingSetup();
  } else if (g.Geometry282) {
    SelectedGeometry = Geometry::Numeric;
  } else {
    SelectedGeometry = Geometry::Linear;
  }
}

double GeometryMassEntry(int j, int i) {
  switch (SelectedGeometry) {
    case Geometry::ExternalLoading:
      return ExternalLoadingMassEntry(j, i);
    case Geometry::Numeric:
      return RombergMassEntry(RombergGrid(false), j, i);
    default:
      return LinearMassEntry(j, i);
  }
}

double GeometryDiffusionEntry(int j, int i) {
  switch (SelectedGeometry) {
    case Geometry::ExternalLoading:
      return ExternalLoadingDiffusionEntry(j, i);
    case Geometry::Numeric:
      return RombergDiffusionEntry(RombergGrid(false), j, i);
    default:
      return LinearDiffusionEntry(j, i);
  }
}

double GeometrySedimentationEntry(int j, int i) {
  switch (SelectedGeometry) {
    case Geometry::ExternalLoading:
      return ExternalLoadingSedimentationEntry(j, i);
    case Geometry::Numeric:
      return RombergSedimentationEntry(RombergGrid(false), j, i);
    case Geometry::Electrophoresis:
      return LinearForceSedimentationEntry(j, i);
    default:
      return LinearSedimentationEntry(j, i);
  }
}

double GeometryWeight(int i) {
  switch (SelectedGeometry) {
    case Geometry::ExternalLoading:
      return ExternalLoadingWeight(i);
    case Geometry::Numeric:
      return RombergWeightEntry(RombergGrid(false), i);
    default:
      return LinearWeight(i);
  }
}
