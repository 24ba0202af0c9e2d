#include "equilibrium/EqBuoyantMass.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "models/ParameterPacking.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "numerics/LinearSolvers.h"
#include "numerics/PhysicalConstants.h"
#include "numerics/Resampling.h"

EqBuoyantStateRecord EqBuoyantState;

namespace {

constexpr double kGasConstantOfExponentials = PhysicalConstantsRecord::GasConstant;
constexpr double kGasConstantSD = PhysicalConstantsRecord::GasConstantSDM;
// Above this exponent the exponentials are taken relative to their largest
// value in the fit range instead of mid-cell, so that neither they nor the
// normal equations overflow at large buoyant masses and speeds; the
// amplitudes absorb the factor.
constexpr double kExponentLimit = 50.0;

double Omega(double rpm) {
  return rpm * 2.0 * static_cast<double>(PhysicalConstantsRecord::Pi) / 60.0;
}

double Exponent(double r, double Mb, double rpm, double temperatureC, double rRef) {
  return (r * r - rRef * rRef) * Mb * Omega(rpm) * Omega(rpm) /
         (2.0 * kGasConstantOfExponentials * (temperatureC + 273.15));
}

bool Ready() {
  return ScanDataSet.NFILES > 0 && CommonRadialGrid.CommonGridSize > 0 &&
         CommonRadialGrid.ResampledSignals.size() >= ScanDataSet.NFILES;
}

double Data(int i, int k) {
  return CommonRadialGrid.ResampledSignals[i][k];
}

// Scan i's exponential on the grid over the fit range and one point on
// either side; 0 elsewhere.
void FillExponential(int i, double rRef) {
  auto& s = EqBuoyantState;
  const auto& g = CommonRadialGrid;
  const ScanHeader& h = ScanDataSet.ScanHeaders[i];
  const double Mb = EqBuoyantMassOf(h.Temperature);
  const int from = std::max(s.First - 1, 1), to = std::min(s.Last + 1, g.CommonGridSize);
  double largest = -HUGE_VAL;
  for (int k = from; k <= to; ++k)
    largest = std::max(largest, Exponent(g.CommonGrid[k], Mb, h.Rpm, h.Temperature, rRef));
  const double shift = largest > kExponentLimit ? largest : 0.0;
  for (int k = 1; k <= g.CommonGridSize; ++k) {
    s.Exponential[i][k] =
        k >= from && k <= to
            ? std::exp(Exponent(g.CommonGrid[k], Mb, h.Rpm, h.Temperature, rRef) - shift)
            : 0.0;
  }
}

}  // namespace

double EqExponential(double r, double Mb, double rpm, double temperatureC, double rRef) {
  return std::exp(Exponent(r, Mb, rpm, temperatureC, rRef));
}

double EqBuoyantMassOf(float temperatureC) {
  const auto& p = ModelParameters;
  if (FitControl.MassInsteadOfD)
    return static_cast<double>(p.MassOrD[1]) * (1.0 - SolventConditions.VbarRho);
  const double D = p.MassOrD[1];
  if (D == 0.0) return 0.0;
  // s in 1e-13 s and D in 1e-7 cm^2/s: Mb = s RT / D = s 1e-6 RT / D.
  return static_cast<double>(p.SedCoefficient[1]) * 1e-6 * kGasConstantSD *
         (temperatureC + 273.15) / D;
}

void EqBuoyantNormalEquations() {
  auto& s = EqBuoyantState;
  const int N = s.Scans, size = CommonRadialGrid.CommonGridSize;
  const int points = s.Last - s.First + 1;
  s.Mean = 0.0;
  for (int k = 1; k <= size; ++k) s.GridMean[k] = 0.0;
  for (int i = 1; i <= N; ++i) {
    double sy = 0.0, se = 0.0;
    for (int k = s.First; k <= s.Last; ++k) sy += Data(i, k), se += s.Exponential[i][k];
    s.ScanMean[i] = sy / points;
    s.ExponentialMean[i] = se / points;
    s.Mean += sy;
    for (int k = 1; k <= size; ++k) s.GridMean[k] += Data(i, k) / N;
  }
  s.Mean /= static_cast<double>(points) * N;
  // With the means removed, h_i(j, k) = e_i(k) (delta_ij - 1/N) gives
  // A_il = (delta_il - 1/N) sum_k e_i e_l and b_i = sum_k e_i y_ik, because
  // the centred data sum to zero over the scans at every radius.
  const auto y = [&](int i, int k) { return Data(i, k) - s.ScanMean[i] - s.GridMean[k] + s.Mean; };
  const auto e = [&](int i, int k) { return s.Exponential[i][k] - s.ExponentialMean[i]; };
  s.SumY2 = 0.0;
  for (int i = 1; i <= N; ++i) {
    double b = 0.0;
    for (int k = s.First; k <= s.Last; ++k) {
      b += e(i, k) * y(i, k);
      s.SumY2 += y(i, k) * y(i, k);
    }
    s.B[i] = b;
    for (int l = i; l <= N; ++l) {
      double sum = 0.0;
      for (int k = s.First; k <= s.Last; ++k) sum += e(i, k) * e(l, k);
      const double factor = (i == l ? 1.0 : 0.0) - 1.0 / N;
      s.A[i][l] = s.A[l][i] = factor * sum;
    }
  }
}

double EqBuoyantRmsd() {
  const auto& s = EqBuoyantState;
  double ssr = s.SumY2;
  for (int i = 1; i <= s.Scans; ++i) {
    ssr -= 2.0 * s.Amplitude[i] * s.B[i];
    for (int l = 1; l <= s.Scans; ++l) ssr += s.Amplitude[i] * s.Amplitude[l] * s.A[i][l];
  }
  ssr = std::max(ssr, 0.0);
  return std::sqrt(ssr / (static_cast<double>(s.Last - s.First + 1) * s.Scans));
}

namespace {

bool SolveAmplitudes() {
  auto& s = EqBuoyantState;
  const int n = s.Scans;
  OneBasedArray<int> passive(1, n);
  OneBasedArray<double> x(1, n), w(1, n), bsub(1, n), z(1, n), zsub(1, n), p(1, n);
  OneBasedMatrix<double> asub(1, n, 1, n);
  const ActiveSetEnd end = NonNegativeActiveSet(
      n, passive.data(), x.data(), w.data(), s.B.data(), s.A.get(), bsub.data(), asub.get(),
      z.data(), zsub.data(), p.data(), 0.0, false, 100LL * n * n + 100, nullptr);
  for (int i = 1; i <= n; ++i) s.Amplitude[i] = end == ActiveSetEnd::Solved ? x[i] : 0.0;
  return end == ActiveSetEnd::Solved;
}

// Values y at the grid, linearly continued over the two points before the
// fit range and the two after it.
void ExtendLinearly(OneBasedArray<float>& v, int first, int last, int size) {
  if (last - first < 1) return;
  const float lowSlope = v[first + 1] - v[first], highSlope = v[last] - v[last - 1];
  for (int j = 1; j <= 2; ++j) {
    if (first - j >= 1) v[first - j] = v[first] - static_cast<float>(j) * lowSlope;
    if (last + j <= size) v[last + j] = v[last] + static_cast<float>(j) * highSlope;
  }
}

}  // namespace

void EqBuoyantModel() {
  auto& s = EqBuoyantState;
  auto& g = CommonRadialGrid;
  auto& d = ScanDataSet;
  const int N = s.Scans, size = g.CommonGridSize;
  ModelParameters.Baseline = 0.0f;
  ParameterVector[BaselineSlot] = 0.0f;
  if (g.RINoise.size() < N) g.RINoise.Resize(1, N);
  if (g.TINoise.size() < size) g.TINoise.Resize(1, size);
  for (int i = 1; i <= N; ++i)
    g.RINoise[i] = static_cast<float>(s.ScanMean[i] - s.Amplitude[i] * s.ExponentialMean[i]);
  for (int k = 1; k <= size; ++k) {
    double sum = 0.0;
    for (int j = 1; j <= N; ++j)
      sum += (s.Exponential[j][k] - s.ExponentialMean[j]) * s.Amplitude[j];
    g.TINoise[k] = static_cast<float>(s.GridMean[k] - s.Mean - sum / N);
  }
  ExtendLinearly(g.TINoise, s.First, s.Last, size);
  OneBasedArray<float> exponential(1, size);
  for (int t = 1; t <= N; ++t) {
    const int i = d.ScanTimeOrder[t];
    const int n = d.ScanPointCount[i];
    ScanArray& model = d.ScanModel[i];
    if (model.size() < n) model.Resize(1, n);
    OneBasedArray<float> ti(1, n), e(1, n);
    for (int k = 1; k <= size; ++k) exponential[k] = static_cast<float>(s.Exponential[i][k]);
    ResampleCurve(n, d.ScanRadius[i].data(), ti.data(), size, g.CommonGrid, g.TINoise.data());
    ResampleCurve(n, d.ScanRadius[i].data(), e.data(), size, g.CommonGrid, exponential.data());
    for (int k = 1; k <= n; ++k)
      model[k] = ti[k] + g.RINoise[i] + static_cast<float>(s.Amplitude[i]) * e[k];
  }
}

void EqBuoyantFinish() {
  EqBuoyantModel();
  ScanDataSet.DataChanged = true;
}

bool RunEqBuoyantMass(platform::WindowHandle window, bool inObjective) {
  if (!Ready()) return false;
  auto& m = ModelParameters;
  if (m.Meniscus == 0.0f || m.Bottom == 0.0f) {
    platform::BoxRequest box;
    box.owner = window;
    box.text = "set Meniscus and Bottom first";
    platform::Current().ShowMessageBox(box);
    return false;
  }
  auto& d = ScanDataSet;
  if (d.FitLeftLim == 0.0f) {
    d.FitLeftLim = m.Meniscus;
    SetFirstFitIndex();
  }
  if (d.FitRightLim == 0.0f) {
    d.FitRightLim = m.Bottom;
    SetLastFitIndex();
  }
  auto& s = EqBuoyantState;
  const auto& g = CommonRadialGrid;
  const int N = d.NFILES, size = g.CommonGridSize;
  if (!inObjective) UnpackParameterVector();
  if (s.Scans != N || s.Exponential.cols() != size) {
    s.Scans = N;
    s.Exponential.Resize(1, N, 1, size);
    s.A.Resize(1, N, 1, N);
    for (auto* a : {&s.ScanMean, &s.ExponentialMean, &s.B, &s.Amplitude}) a->Resize(1, N);
    s.GridMean.Resize(1, size);
  }
  s.First = std::clamp(g.GridFirstFitIndex, 1, size);
  s.Last = std::clamp(g.GridLastFitIndex, s.First, size);
  if (s.Last <= s.First) return false;
  const double rRef = (static_cast<double>(m.Meniscus) + m.Bottom) / 2.0;
  for (int i = 1; i <= N; ++i) FillExponential(i, rRef);
  FitControl.TINoiseFitted = true;
  EqBuoyantNormalEquations();
  s.Solved = SolveAmplitudes();
  if (s.Solved) {
    s.StoredRmsd = EqBuoyantRmsd();
    FitControl.CurrentRmsd = static_cast<float>(s.StoredRmsd);
    if (!inObjective) EqBuoyantFinish();
  } else {
    s.StoredRmsd = 1e10;
    FitControl.CurrentRmsd = 1e10f;
  }
  return s.Solved;
}
