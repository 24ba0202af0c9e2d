#include "equilibrium/EquilibriumKernels.h"

#include <algorithm>
#include <cassert>
#include <cfloat>
#include <cmath>

#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "models/DetectorConvolution.h"
#include "models/GlobalLammState.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/PhysicalConstants.h"
#include "ui/Boxes.h"

namespace {

// 2R, erg/(mol K).
constexpr double kTwoR = 1.662902e8;

// The profile of one scan, c(r) = Scale exp(Rate (r^2 - Reference)), with
// the exponent never positive inside the cell.
struct EquilibriumProfile {
  double Rate = 0.0;       // Mb omega^2 / (2 R T), 1/cm^2
  double Reference = 0.0;  // cm^2
  double Scale = 0.0;

  double At(double r) const {
    if (Rate == 0.0) return Scale;
    const double value = Scale * std::exp(Rate * (r * r - Reference));
    // Beyond the cell's end the continuation still rises; keep it finite.
    return std::min(value, static_cast<double>(FLT_MAX));
  }
};

EquilibriumProfile ProfileOfScan(double Mb, double c0, double a, double m2, double b2) {
  EquilibriumProfile p;
  p.Rate = Mb * a;
  p.Scale = c0;
  // Without a buoyant mass or a field the species stays uniform.
  if (p.Rate == 0.0) return p;
  // Span of the exponent over the cell: the sector mean of exp(Rate (r^2 -
  // Reference)) is (1 - e^-|x|)/|x| referred to the high end.
  const double x = p.Rate * (b2 - m2);
  if (x > 0.0) {
    p.Reference = b2;
    p.Scale = c0 * x / -std::expm1(-x);
  } else {
    p.Reference = m2;
    p.Scale = c0 * x / std::expm1(x);
  }
  return p;
}

// Multiplies by the radial magnification gradient, then applies the
// detector's smearing, as the Lamm solver does to its scans.
void ApplyDetection(int n, const float* r, float* y, const FluorescenceDetectionRecord& d) {
  const float meniscus = ModelParameters.Meniscus, bottom = ModelParameters.Bottom;
  if (std::fabs(d.Magnification - 1.0f) > 1e-5f) {
    const double slope = static_cast<double>(d.Magnification) - 1.0;
    for (int j = 1; j <= n; ++j)
      y[j] = static_cast<float>(y[j] * ((r[j] - meniscus) * slope + 1.0));
  }
  if (std::fabs(d.ShadowWidth) > 0.001f)
    ExcitationConeWeights(n, r, y, std::fabs(d.ShadowWidth), bottom);
  const bool absorbance = ScanReaderOptions.AbsorbanceData && !ScanReaderOptions.IntensityData;
  if (absorbance && LammSolverSettings.RadialResolutionOn)
    SmearByRadialWindow(n, LammSolverSettings.RadialResolutionRange, r, y);
  else if (std::fabs(d.ConeRange) > 0.001f)
    GaussianConvolveProfile(n, r, y, std::fabs(d.ConeRange), d.ConeWidthInStd, meniscus, bottom);
}

void FillProfile(const EquilibriumProfile& p, int n, const float* r, float* y) {
  for (int j = 1; j <= n; ++j) y[j] = static_cast<float>(p.At(r[j]));
}

}  // namespace

double EquilibriumExponentFactor(float rpm, float temperatureC) {
  const double omega = rpm * 2.0 * static_cast<double>(PhysicalConstantsRecord::Pi) / 60.0;
  return omega * omega / ((static_cast<double>(temperatureC) + 273.15) * kTwoR);
}

void EqExponentialKernel(double Mb, double c0, const KernelColumnTarget& column,
                         const FluorescenceDetectionRecord& detection) {
  const double meniscus = ModelParameters.Meniscus, bottom = ModelParameters.Bottom;
  assert(meniscus < bottom);
  const double m2 = meniscus * meniscus, b2 = bottom * bottom;
  const bool continuous = IsContinuousModel(ModelSelection.Kind);
  const bool speciesBasis = ModelParameters.LinearConcentrations || FitControl.TINoiseFitted;
  const int gridSize = CommonRadialGrid.CommonGridSize;
  const float* grid = CommonRadialGrid.CommonGrid;
  auto& data = ScanDataSet;

  for (int position = 1; position <= data.NFILES; ++position) {
    if (KeyPressed()) ComputationAbort = true;
    const int i = data.ScanTimeOrder[position];
    const ScanHeader& header = data.ScanHeaders[i];
    const EquilibriumProfile p =
        ProfileOfScan(Mb, c0, EquilibriumExponentFactor(header.Rpm, header.Temperature), m2, b2);

    if (continuous) {
      assert(column.Kernel && column.GridPoint >= 1);
      const int n = column.AtScanRadii ? data.ScanPointCount[i] : gridSize;
      const float* r = column.AtScanRadii ? data.ScanRadius[i].data() : grid;
      assert(n <= column.PointCapacity);
      float* y = column.Kernel[column.GridPoint][i];
      FillProfile(p, n, r, y);
      ApplyDetection(n, r, y, detection);
    } else if (speciesBasis) {
      ScanArray& basis = SpeciesSignals.SpeciesBasis[GlobalLammRun.CurrentSpecies][i];
      assert(basis.size() >= gridSize);
      FillProfile(p, gridSize, grid, basis.data());
      ApplyDetection(gridSize, grid, basis.data(), detection);
    } else {
      const int n = data.ScanPointCount[i];
      const float* r = data.ScanRadius[i].data();
      OneBasedArray<float> profile(1, n);
      FillProfile(p, n, r, profile.data());
      ApplyDetection(n, r, profile.data(), detection);
      for (int j = 1; j <= n; ++j) data.ScanModel[i][j] += profile[j];
    }
  }
}
