#include "models/LinearParameters.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <utility>

#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "models/GlobalLammState.h"
#include "models/SimulateModel.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "numerics/LinearSolvers.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/Resampling.h"

namespace {

// Applies f to every element of a one-based array.
template <class F>
void ForEachValue(OneBasedArray<float>& a, F f) {
  for (int k = a.lo(); k <= a.hi(); ++k) f(a[k]);
}

bool DiscreteKind() {
  return IsDiscreteSpeciesKind(ModelSelection.Kind);
}

// The data and species signals of one completion on the common grid, with
// the means that the noise eliminations subtract. Centred values are formed
// on the fly; nothing here writes into the signals.
class GridProblem {
 public:
  explicit GridProblem(std::vector<int> list) : species(std::move(list)) {
    const CommonRadialGridRecord& g = CommonRadialGrid;
    scans = ScanDataSet.NFILES;
    size = g.CommonGridSize;
    first = g.GridFirstFitIndex >= 1 ? g.GridFirstFitIndex : 1;
    last = g.GridLastFitIndex >= first && g.GridLastFitIndex <= size ? g.GridLastFitIndex : size;
    assert(scans >= 1 && size >= 1);
    scanMeanY.assign(static_cast<std::size_t>(scans + 1), 0.0);
    scanMeanB.assign(species.size(), std::vector<double>(static_cast<std::size_t>(scans + 1), 0.0));
  }

  float Y(int j, int k) const { return CommonRadialGrid.ResampledSignals[j][k]; }
  float B(std::size_t n, int j, int k) const {
    return SpeciesSignals.SpeciesBasis[species[n]][j][k];
  }
  int FitPoints() const { return last - first + 1; }

  // Per-scan means over the fit range of data and listed bases.
  void RemoveScanMeans() {
    centred = true;
    for (int j = 1; j <= scans; ++j) {
      scanMeanY[j] = RangeMean([&](int k) { return Y(j, k); });
      for (std::size_t n = 0; n < species.size(); ++n)
        scanMeanB[n][j] = RangeMean([&](int k) { return B(n, j, k); });
    }
  }
  double Yc(int j, int k) const { return Y(j, k) - (centred ? scanMeanY[j] : 0.0); }
  double Bc(std::size_t n, int j, int k) const {
    return B(n, j, k) - (centred ? scanMeanB[n][j] : 0.0);
  }
  // Mean over scans at every grid point of the (centred) data.
  std::vector<double> MeanProfileY() const {
    std::vector<double> m(static_cast<std::size_t>(size + 1), 0.0);
    for (int k = 1; k <= size; ++k) {
      for (int j = 1; j <= scans; ++j) m[k] += Yc(j, k);
      m[k] /= scans;
    }
    return m;
  }
  std::vector<double> MeanProfileB(std::size_t n) const {
    std::vector<double> m(static_cast<std::size_t>(size + 1), 0.0);
    for (int k = 1; k <= size; ++k) {
      for (int j = 1; j <= scans; ++j) m[k] += Bc(n, j, k);
      m[k] /= scans;
    }
    return m;
  }

  // Normal equations of sum_n c_n u_n = v over all scans and the fit range,
  // solved non-negatively; u and v are given as functions of (n, j, k) and
  // (j, k).
  template <class U, class V>
  std::vector<double> Solve(U u, V v) const {
    const int n = static_cast<int>(species.size());
    std::vector<double> c(species.size(), 0.0);
    if (n == 0) return c;
    OneBasedMatrix<float> a(1, n, 1, n);
    OneBasedArray<float> b(1, n);
    for (int p = 1; p <= n; ++p) {
      double bp = 0.0;
      for (int j = 1; j <= scans; ++j)
        for (int k = first; k <= last; ++k) bp += u(p - 1, j, k) * v(j, k);
      b[p] = static_cast<float>(bp);
      for (int q = 1; q <= p; ++q) {
        double apq = 0.0;
        for (int j = 1; j <= scans; ++j)
          for (int k = first; k <= last; ++k) apq += u(p - 1, j, k) * u(q - 1, j, k);
        a[p][q] = a[q][p] = static_cast<float>(apq);
      }
    }
    NonNegativeSolve(a.get(), b.data(), n, false);
    for (int p = 1; p <= n; ++p) c[p - 1] = b[p] > 0.0f ? b[p] : 0.0;
    return c;
  }

  // Solve with the mean profile over the scans taken out of data and bases:
  // what every scan shares is the time-invariant noise.
  std::vector<double> SolveWithoutMeanProfiles() const {
    std::vector<std::vector<double>> mb;
    for (std::size_t n = 0; n < species.size(); ++n) mb.push_back(MeanProfileB(n));
    const std::vector<double> my = MeanProfileY();
    return Solve([&](std::size_t n, int j, int k) { return Bc(n, j, k) - mb[n][k]; },
                 [&](int j, int k) { return Yc(j, k) - my[k]; });
  }

  std::vector<int> species;
  int scans = 0, size = 0, first = 1, last = 0;

 private:
  template <class F>
  double RangeMean(F f) const {
    double sum = 0.0;
    for (int k = first; k <= last; ++k) sum += f(k);
    return sum / FitPoints();
  }
  bool centred = false;
  std::vector<double> scanMeanY;
  std::vector<std::vector<double>> scanMeanB;
};

void EnsureNoiseArrays() {
  CommonRadialGridRecord& g = CommonRadialGrid;
  if (g.TINoise.size() != g.CommonGridSize) g.TINoise.Resize(1, g.CommonGridSize);
  if (g.RINoise.size() != ScanDataSet.NFILES) g.RINoise.Resize(1, ScanDataSet.NFILES);
  if (g.MeanProfile.size() != g.CommonGridSize) g.MeanProfile.Resize(1, g.CommonGridSize);
}

// MeanProfile and the grid sums of the signals as loaded.
void MeanDataProfile(const GridProblem& p) {
  CommonRadialGridRecord& g = CommonRadialGrid;
  double sum = 0.0;
  for (int k = 1; k <= p.size; ++k) {
    double m = 0.0;
    for (int j = 1; j <= p.scans; ++j) m += p.Y(j, k);
    g.MeanProfile[k] = static_cast<float>(m / p.scans);
    if (k >= p.first && k <= p.last) sum += g.MeanProfile[k];
  }
  g.GridSignalSum = static_cast<float>(p.scans * sum);
  g.GridPointTotal = static_cast<float>(p.scans * p.FitPoints());
}

// Every listed basis divided by the loading it was simulated with.
void NormalizeSpeciesBasis(const std::vector<int>& list) {
  if (!DiscreteKind()) return;
  for (int i : list) {
    const float amplitude = SpeciesSignals.SpeciesAmplitude[i];
    for (int j = 1; j <= ScanDataSet.NFILES; ++j)
      ForEachValue(SpeciesSignals.SpeciesBasis[i][j],
                   [&](float& v) { v = amplitude != 0.0f ? v / amplitude : 0.0f; });
  }
}

void ScaleSpeciesBasis(const std::vector<int>& list, const std::vector<double>& c) {
  if (!DiscreteKind()) return;
  for (std::size_t n = 0; n < list.size(); ++n) {
    const int i = list[n];
    for (int j = 1; j <= ScanDataSet.NFILES; ++j)
      ForEachValue(SpeciesSignals.SpeciesBasis[i][j],
                   [&](float& v) { v = static_cast<float>(v * c[n]); });
    SpeciesSignals.SpeciesAmplitude[i] = static_cast<float>(c[n]);
  }
}

void StoreConcentrations(const std::vector<int>& list, const std::vector<double>& c) {
  for (std::size_t n = 0; n < list.size(); ++n) {
    ModelParameters.Concentration[list[n]] = static_cast<float>(c[n]);
    ParameterVector[8 + list[n]] = static_cast<float>(c[n]);
  }
}

// TI[k] = mean data profile - sum_i c_i (mean species profile), on the
// values of p as centred at the time of the call.
void TiNoiseAfterSpecies(const GridProblem& p, const std::vector<double>& c) {
  std::vector<double> ti = p.MeanProfileY();
  for (std::size_t n = 0; n < p.species.size(); ++n) {
    const std::vector<double> mb = p.MeanProfileB(n);
    for (int k = 1; k <= p.size; ++k) ti[k] -= c[n] * mb[k];
  }
  for (int k = 1; k <= p.size; ++k) CommonRadialGrid.TINoise[k] = static_cast<float>(ti[k]);
}

void ClearTiNoise() {
  ForEachValue(CommonRadialGrid.TINoise, [&](float& v) { v = 0.0f; });
}

bool SwitchedOn(int i) {
  return ModelParameters.ComponentOn[i] != 0;
}

// RI[scan] = mean over the fit range of the data minus every switched-on
// basis.
void RiNoiseFromResiduals(const GridProblem& p) {
  for (int j = 1; j <= p.scans; ++j) {
    double sum = 0.0;
    for (int k = p.first; k <= p.last; ++k) {
      double r = p.Y(j, k);
      for (int i = 1; i <= NCOMP; ++i)
        if (SwitchedOn(i) && SpeciesSignals.SpeciesBasis.size() >= i)
          r -= SpeciesSignals.SpeciesBasis[i][j][k];
      sum += r;
    }
    CommonRadialGrid.RINoise[j] = static_cast<float>(sum / p.FitPoints());
  }
}

// ScanModel := TI resampled onto the scan's radii plus every switched-on
// basis resampled likewise.
void AssembleModelFromBasis() {
  ScanDataSetRecord& d = ScanDataSet;
  const CommonRadialGridRecord& g = CommonRadialGrid;
  for (int t = 1; t <= d.NFILES; ++t) {
    const int j = d.ScanTimeOrder[t];
    const int count = d.ScanPointCount[j];
    float* model = d.ScanModel[j].data();
    ResampleCurve(count, d.ScanRadius[j].data(), model, g.CommonGridSize, g.CommonGrid,
                  g.TINoise.data());
    OneBasedArray<float> scratch(1, count);
    for (int i = 1; i <= NCOMP; ++i) {
      if (!SwitchedOn(i) || SpeciesSignals.SpeciesBasis.size() < i) continue;
      ResampleCurve(count, d.ScanRadius[j].data(), scratch.data(), g.CommonGridSize, g.CommonGrid,
                    SpeciesSignals.SpeciesBasis[i][j].data());
      for (int k = 1; k <= count; ++k) model[k] += scratch[k];
    }
  }
}

void AddRiNoiseToModel() {
  ScanDataSetRecord& d = ScanDataSet;
  for (int j = 1; j <= d.NFILES; ++j)
    ForEachValue(d.ScanModel[j], [&](float& v) { v += CommonRadialGrid.RINoise[j]; });
}

void SetBaseline(float value) {
  ModelParameters.Baseline = value;
  ParameterVector[BaselineSlot] = value;
}

// The completions with TI and/or RI noise from the centred values and the
// concentrations c: TI (or zero), the bases scaled, RI from the residuals,
// the model assembled.
void FinishWithRiNoise(GridProblem& p, const std::vector<double>& c, bool ti, bool fractions) {
  if (ti)
    TiNoiseAfterSpecies(p, c);
  else
    ClearTiNoise();
  MeanDataProfile(p);
  ScaleSpeciesBasis(p.species, c);
  RiNoiseFromResiduals(p);
  if (fractions) ConcentrationsToFractions();
  SetBaseline(0.0f);
  AssembleModelFromBasis();
  AddRiNoiseToModel();
}

std::vector<double> Amplitudes(const std::vector<int>& list) {
  std::vector<double> c;
  for (int i : list) c.push_back(SpeciesSignals.SpeciesAmplitude[i]);
  return c;
}

// A constant species cannot be told from the noise: its concentration is
// the given value instead of a solve.
std::vector<double> FixedValues(const std::vector<int>& list, double value) {
  return std::vector<double>(list.size(), value);
}

}  // namespace

std::vector<int> ListActiveSpecies() {
  std::vector<int> list;
  const ModelKind kind = ModelSelection.Kind;
  if (IsDiscreteSpeciesKind(kind)) {
    for (int i = 1; i <= NCOMP; ++i)
      if (SwitchedOn(i)) list.push_back(i);
  } else {
    list.push_back(1);
  }
  return list;
}

void ConcentrationsToFractions() {
  if (!DiscreteKind()) return;
  ModelParametersRecord& mp = ModelParameters;
  // A sedimenting buffer takes the last column: it is no part of the
  // sample's loading, and its solved amount is the buffer signal itself.
  const bool buffer = CorrectionOptions.BufferMismatch.On;
  const int sampleColumns = buffer ? NCOMP - 1 : NCOMP;
  if (buffer && mp.LinearConcentrations) {
    ParameterVector[8 + NCOMP] = mp.Concentration[NCOMP];
    CorrectionOptions.BufferMismatch.BufferSignal = mp.Concentration[NCOMP];
  }
  double total = 0.0;
  int firstOn = 0;
  for (int i = 1; i <= sampleColumns; ++i) {
    if (!SwitchedOn(i)) continue;
    total += mp.Concentration[i];
    if (firstOn == 0) firstOn = i;
  }
  for (int i = 1; i <= sampleColumns; ++i) {
    if (!SwitchedOn(i)) continue;
    const double value = i == firstOn ? total : (total != 0.0 ? mp.Concentration[i] / total : 0.0);
    mp.Concentration[i] = static_cast<float>(total != 0.0 ? value : 0.0);
    ParameterVector[8 + i] = mp.Concentration[i];
  }
}

float MeanResidualOffset() {
  const ScanDataSetRecord& d = ScanDataSet;
  double sum = 0.0;
  long count = 0;
  for (int j = 1; j <= d.NFILES; ++j) {
    const int n = d.ScanPointCount[j];
    const int a = d.ScanFirstFitIndex.size() ? std::max(1, d.ScanFirstFitIndex[j]) : 1;
    const int b = d.ScanLastFitIndex.size() && d.ScanLastFitIndex[j] >= 1
                      ? std::min(n, d.ScanLastFitIndex[j])
                      : n;
    for (int k = a; k <= b; ++k, ++count) sum += d.ScanSignal[j][k] - d.ScanModel[j][k];
  }
  return count > 0 ? static_cast<float>(sum / count) : 0.0f;
}

void LinearFitConcTiRi() {
  EnsureNoiseArrays();
  GridProblem p(ListActiveSpecies());
  NormalizeSpeciesBasis(p.species);
  p.RemoveScanMeans();
  std::vector<double> c;
  if (SpeciesSignals.ConstantSpecies) {
    c = FixedValues(p.species, 1.0);
  } else {
    c = p.SolveWithoutMeanProfiles();
  }
  StoreConcentrations(p.species, c);
  FinishWithRiNoise(p, c, true, true);
}

void LinearFitConcTi() {
  EnsureNoiseArrays();
  GridProblem p(ListActiveSpecies());
  NormalizeSpeciesBasis(p.species);
  std::vector<double> c;
  if (SpeciesSignals.ConstantSpecies) {
    c = FixedValues(p.species, 0.0);
  } else {
    c = p.SolveWithoutMeanProfiles();
  }
  StoreConcentrations(p.species, c);
  ConcentrationsToFractions();
  TiNoiseAfterSpecies(p, c);
  MeanDataProfile(p);
  ScaleSpeciesBasis(p.species, c);
  SetBaseline(0.0f);
  AssembleModelFromBasis();
}

void LinearFitConcRi() {
  EnsureNoiseArrays();
  GridProblem p(ListActiveSpecies());
  NormalizeSpeciesBasis(p.species);
  p.RemoveScanMeans();
  std::vector<double> c;
  if (SpeciesSignals.ConstantSpecies)
    c = FixedValues(p.species, 0.0);
  else
    c = p.Solve([&](std::size_t n, int j, int k) { return p.Bc(n, j, k); },
                [&](int j, int k) { return p.Yc(j, k); });
  StoreConcentrations(p.species, c);
  FinishWithRiNoise(p, c, false, true);
}

namespace {
// Radial-invariant noise (and, with ti, time-invariant noise) at the current
// loading concentrations.
void FitNoiseAtCurrentAmplitudes(bool ti) {
  EnsureNoiseArrays();
  GridProblem p(ListActiveSpecies());
  const std::vector<double> c = Amplitudes(p.species);
  NormalizeSpeciesBasis(p.species);
  p.RemoveScanMeans();
  FinishWithRiNoise(p, c, ti, false);
}
}  // namespace

void FitTiRiNoise() { FitNoiseAtCurrentAmplitudes(true); }

void FitRiNoise() { FitNoiseAtCurrentAmplitudes(false); }

void FitTiNoise() {
  EnsureNoiseArrays();
  std::vector<int> on;
  for (int i = 1; i <= NCOMP; ++i)
    if (SwitchedOn(i) && SpeciesSignals.SpeciesBasis.size() >= i) on.push_back(i);
  GridProblem p(on);
  TiNoiseAfterSpecies(p, std::vector<double>(on.size(), 1.0));
  MeanDataProfile(p);
  AssembleModelFromBasis();
  SetBaseline(0.0f);
}

void LinearFitConcBaseline() {
  EnsureNoiseArrays();
  GridProblem p(ListActiveSpecies());
  NormalizeSpeciesBasis(p.species);
  MeanDataProfile(p);
  const double count = static_cast<double>(p.scans) * p.FitPoints();
  std::vector<double> grand(p.species.size(), 0.0);
  double yMean = 0.0;
  for (int j = 1; j <= p.scans; ++j)
    for (int k = p.first; k <= p.last; ++k) {
      yMean += p.Y(j, k);
      for (std::size_t n = 0; n < p.species.size(); ++n) grand[n] += p.B(n, j, k);
    }
  yMean /= count;
  for (double& g : grand) g /= count;
  const std::vector<double> c =
      p.Solve([&](std::size_t n, int j, int k) { return p.B(n, j, k) - grand[n]; },
              [&](int j, int k) { return p.Y(j, k) - yMean; });
  ScaleSpeciesBasis(p.species, c);
  StoreConcentrations(p.species, c);
  ConcentrationsToFractions();
  ClearTiNoise();
  AssembleModelFromBasis();
  SetBaseline(MeanResidualOffset());
  AddBaselineToModel();
}

void LinearFitConc() {
  EnsureNoiseArrays();
  GridProblem p(ListActiveSpecies());
  NormalizeSpeciesBasis(p.species);
  MeanDataProfile(p);
  const double baseline = ModelParameters.Baseline;
  const std::vector<double> c = p.Solve([&](std::size_t n, int j, int k) { return p.B(n, j, k); },
                                        [&](int j, int k) { return p.Y(j, k) - baseline; });
  ScaleSpeciesBasis(p.species, c);
  StoreConcentrations(p.species, c);
  ConcentrationsToFractions();
  ClearTiNoise();
  AssembleModelFromBasis();
  AddBaselineToModel();
}

void FitBaselineOffset() {
  if (CommonRadialGrid.CommonGridSize > 0) {
    EnsureNoiseArrays();
    ClearTiNoise();
  }
  SetBaseline(MeanResidualOffset());
  AddBaselineToModel();
}

void AddBaselineToModel() {
  ScanDataSetRecord& d = ScanDataSet;
  const float baseline = ModelParameters.Baseline;
  for (int t = GlobalLammRun.FirstSimulatedScan; t <= d.NFILES; ++t)
    ForEachValue(d.ScanModel[d.ScanTimeOrder[t]], [&](float& v) { v += baseline; });
}

void SolveLinearParameters() {
  const ModelParametersRecord& mp = ModelParameters;
  const bool linear = mp.LinearConcentrations, ri = mp.RINoiseFitted;
  if (FitControl.TINoiseFitted) {
    if (linear)
      ri ? LinearFitConcTiRi() : LinearFitConcTi();
    else
      ri ? FitTiRiNoise() : FitTiNoise();
  } else if (mp.SystematicNoiseOn) {
    if (linear)
      ri ? LinearFitConcRi() : LinearFitConcBaseline();
    else
      ri ? FitRiNoise() : FitBaselineOffset();
  } else {
    linear ? LinearFitConc() : AddBaselineToModel();
  }
}
