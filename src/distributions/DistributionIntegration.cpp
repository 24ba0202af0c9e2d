// Integration of distributions between limits.

#include "distributions/DistributionIntegration.h"

#include <cassert>
#include <cmath>
#include <cstddef>
#include <utility>

#include "state/ModelSelection.h"
#include "data/DataSetLinks.h"
#include "state/SolventConditions.h"
#include "distributions/ContiGrid.h"
#include "distributions/StoredDistribution.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "numerics/Hydrodynamics.h"

// The sums are kept in double: the closed forms of the moments subtract
// powers of the abscissa that nearly cancel over a short interval (M grids
// reach 1e6 and more), which single precision would not survive.
PiecewiseLinearIntegrals IntegratePiecewiseLinear(const std::vector<float>& x,
                                                  const std::vector<float>& c, int first, int n,
                                                  double a, double b, bool reciprocal) {
  assert(first >= 1);
  PiecewiseLinearIntegrals sums;
  if (n <= first) return sums;
  assert(x.size() > static_cast<std::size_t>(n) && c.size() > static_cast<std::size_t>(n));
  for (int i = first; i < n; ++i) {
    double xlo = x[i], xhi = x[i + 1], clo = c[i], chi = c[i + 1];
    if (xlo == xhi) continue;
    if (xlo > xhi) {
      std::swap(xlo, xhi);
      std::swap(clo, chi);
    }
    // The line c = k x + e through the interval's ends.
    const double k = (chi - clo) / (xhi - xlo);
    const double e = clo - k * xlo;
    sums.Whole += (clo + chi) / 2.0 * (xhi - xlo);

    if (xhi <= a || xlo >= b) continue;
    const double X = xlo < a ? a : xlo, cX = xlo < a ? k * a + e : clo;
    const double Y = xhi > b ? b : xhi, cY = xhi > b ? k * b + e : chi;
    if (X == Y) continue;
    const double X2 = X * X, Y2 = Y * Y, X3 = X2 * X, Y3 = Y2 * Y;
    sums.Inside += (cX + cY) / 2.0 * (Y - X);
    sums.FirstMoment += k * (Y3 - X3) / 3.0 + e * (Y2 - X2) / 2.0;
    sums.SecondMoment += k * (Y3 * Y - X3 * X) / 4.0 + e * (Y3 - X3) / 3.0;
    if (reciprocal) sums.Reciprocal += e * (std::log(Y) - std::log(X)) + k * (Y - X);
  }
  return sums;
}

namespace {

struct RegionAxisValues {
  const float* x;
  const float* y;
};

RegionAxisValues AxesOf(const Ff0GridPoints& p, Ff0PlotAxes axes) {
  switch (axes) {
    case Ff0PlotAxes::SAndM:
      return {p.S, p.M};
    case Ff0PlotAxes::SAndStokesRadius:
      return {p.S, p.StokesRadius};
    case Ff0PlotAxes::SAndD:
      return {p.S, p.D};
    case Ff0PlotAxes::MAndFf0:
      return {p.M, p.Ff0};
    case Ff0PlotAxes::SAndFf0:
      break;
  }
  return {p.S, p.Ff0};
}

}  // namespace

Ff0RegionStatistics RegionStatistics(const Ff0GridPoints& points, Ff0PlotAxes axes, float a,
                                     float b, float ymin, float ymax, float celsius) {
  const RegionAxisValues v = AxesOf(points, axes);
  auto inside = [&](int j) {
    return a <= v.x[j] && v.x[j] <= b && ymin <= v.y[j] && v.y[j] <= ymax;
  };
  double weight = 0.0, sumM = 0.0, sumR = 0.0, sumF = 0.0, sumS = 0.0, sumD = 0.0;
  for (int j = 1; j <= points.Count; ++j) {
    if (!inside(j)) continue;
    const double w = points.Amplitude[j];
    weight += w;
    sumM += points.M[j] * w;
    sumR += points.StokesRadius[j] * w;
    sumF += points.Ff0[j] * w;
    sumS += points.S[j] * w;
    sumD += points.D[j] * w;
  }
  Ff0RegionStatistics r;
  if (weight <= 0.0) return r;
  r.MeanM = static_cast<float>(sumM / weight);
  r.MeanStokesRadius = static_cast<float>(sumR / weight);
  r.MeanFf0 = static_cast<float>(sumF / weight);
  r.MFromSD = sumD > 0.0 ? MFromSAndD(static_cast<float>(sumS / weight),
                                      static_cast<float>(sumD / weight), celsius)
                         : 0.0f;
  double varM = 0.0, varR = 0.0;
  for (int j = 1; j <= points.Count; ++j) {
    if (!inside(j)) continue;
    const double w = points.Amplitude[j];
    varM += (points.M[j] - r.MeanM) * (points.M[j] - r.MeanM) * w;
    varR += (points.StokesRadius[j] - r.MeanStokesRadius) *
            (points.StokesRadius[j] - r.MeanStokesRadius) * w;
  }
  r.MSd = static_cast<float>(std::sqrt(varM / weight));
  r.StokesRadiusSd = static_cast<float>(std::sqrt(varR / weight));
  return r;
}

Ff0PlotAxes CurrentFf0PlotAxes() {
  const auto& s = DistributionSettings;
  if (s.Ff0PlotSM) return Ff0PlotAxes::SAndM;
  if (s.Ff0PlotSR) return Ff0PlotAxes::SAndStokesRadius;
  if (s.Ff0PlotSD) return Ff0PlotAxes::SAndD;
  if (s.Ff0PlotMFf0) return Ff0PlotAxes::MAndFf0;
  return Ff0PlotAxes::SAndFf0;
}

namespace {

// The s x f/f0 arrays of the grid step, when all of them exist.
bool Ff0PointsOfGrid(Ff0GridPoints& points) {
  const auto& g = DistributionGrid;
  const int count = DistributionSettings.Grid2DSize;
  const auto need = static_cast<std::size_t>(count) + 1;
  const std::vector<float>* arrays[] = {&g.Grid2DS,   &g.Grid2DM,
                                        &g.Grid2DD,   &g.Grid2DStokesRadius,
                                        &g.Grid2DFf0, &DistributionResult.Grid2DAmplitudes};
  if (count < 1) return false;
  for (const auto* v : arrays)
    if (v->size() < need) return false;
  points = {count,
            g.Grid2DS.data(),
            g.Grid2DM.data(),
            g.Grid2DD.data(),
            g.Grid2DStokesRadius.data(),
            g.Grid2DFf0.data(),
            DistributionResult.Grid2DAmplitudes.data()};
  return true;
}

void UpdateRegionStatistics(float a, float b) {
  Ff0GridPoints points;
  if (!Ff0PointsOfGrid(points)) return;
  auto& r = DistributionResult;
  const Ff0RegionStatistics s =
      RegionStatistics(points, CurrentFf0PlotAxes(), a, b, r.RegionYMin, r.RegionYMax,
                       SolventConditions.BufferTemperature - 273.15f);
  r.RegionMeanM = s.MeanM;
  r.RegionMSd = s.MSd;
  r.RegionMeanStokesRadius = s.MeanStokesRadius;
  r.RegionStokesRadiusSd = s.StokesRadiusSd;
  r.RegionMeanFf0 = s.MeanFf0;
  r.RegionMFromSD = s.MFromSD;
}

// 10^(x + shift): decades of D in cm^2/s to F (shift 7), of Rh in m to nm
// (shift 9).
double FromDecades(double x, double shift) {
  return std::pow(10.0, x + shift);
}

}  // namespace

void IntegrateDistribution(float a, float b, float& total, float& average, float& totalAll,
                           float* stddev, float* numberAverage, float* zAverage) {
  const auto& r = DistributionResult;
  const ModelKind kind = ModelSelection.Kind;
  const int n = DistributionSettings.DistGridSize;
  const bool dls = DlsDataMode;
  const bool linearDls = dls && DistributionSettings.DlsLinearDensity;
  const double shift = kind == ModelKind::DlsID ? 7.0 : 9.0;

  std::vector<float> x;
  if (dls)
    x = kind == ModelKind::DlsID ? r.DistMGrid : r.DistSGrid;
  else
    x = IsMolarMassGridModel(kind) ? r.DistMGrid : r.DistSGrid;
  double lo = a, hi = b;
  if (linearDls) {
    for (int i = 1; i <= n; ++i) x[i] = static_cast<float>(FromDecades(x[i], shift));
    lo = FromDecades(a, shift);
    hi = FromDecades(b, shift);
  }
  const int first =
      !dls && IntegralFirstPointSeparate(kind, CurrentDistributionLayoutFlags()) ? 2 : 1;
  const bool allOptional = stddev && numberAverage && zAverage;
  const bool reciprocal = allOptional && !dls && a > 0 && b > 0;
  const PiecewiseLinearIntegrals sums =
      IntegratePiecewiseLinear(x, r.DistValues, first, n, lo, hi, reciprocal);

  if (!dls && IsTwoDimensionalModel(kind)) UpdateRegionStatistics(a, b);

  if (sums.Inside == 0.0) {
    total = average = totalAll = 0.0f;
    return;
  }
  const double Q = sums.Inside, O = sums.FirstMoment, T = sums.SecondMoment;
  total = static_cast<float>(Q);
  totalAll = static_cast<float>(sums.Whole);
  average = static_cast<float>(dls && !linearDls ? FromDecades(O / Q, shift) : O / Q);
  if (stddev)
    *stddev = dls ? 0.0f : static_cast<float>(std::sqrt(std::fabs(T / Q - (O / Q) * (O / Q))));
  if (allOptional) {
    *numberAverage = reciprocal ? static_cast<float>(Q / sums.Reciprocal) : 0.0f;
    *zAverage = reciprocal ? static_cast<float>(T / O) : 0.0f;
  }
}
