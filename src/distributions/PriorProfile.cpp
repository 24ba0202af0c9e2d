// Prior probabilities on the current grid.

#include "distributions/PriorProfile.h"

#include <cmath>
#include <cstddef>

#include "state/ProgramFlags.h"
#include "distributions/ContiGrid.h"
#include "distributions/TwoPointPeak.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "state/PriorSettings.h"
#include "numerics/MatrixFiles.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/Resampling.h"
#include "numerics/RootFinders.h"
#include "ui/Boxes.h"

std::vector<double> PriorGridValues;

namespace {

constexpr double kFloor = 0.001;
// Close to the square root of pi: a Gaussian of amplitude A adds an area of
// about A above the floor.
constexpr double kGaussNorm = 1.772;

void AddDeltaPeak(const double* x, double* p, int n, double P, double A) {
  // Not in the first interval nor in the last two: the split needs a
  // neighbour on either side of its two points.
  int j = 0;
  for (int k = 1; k <= n - 3; ++k)
    if (x[k] <= P && P < x[k + 1]) {
      j = k;
      break;
    }
  if (j <= 1) return;
  const double D = A / (x[j + 1] - x[j]);
  if (P == x[j]) {
    p[j] += 2.0 * D;
    return;
  }
  // The profile 0, D + u, D - u, 0 over x[j - 1 .. j + 2] with its centroid at P.
  const TwoPointPlacement placement{x[j - 1], x[j], x[j + 1], x[j + 2], D, P};
  const double u =
      zbrent([&](double v) { return PeakCentroidOffset(placement, v); }, -D, D, 0.0001);
  p[j] += D + u;
  p[j + 1] += D - u;
}

bool ReadPriorFile() {
  PriorSettingsRecord& s = PriorSettings;
  int count = 0;
  float** columns = ReadColumnsFile(s.PriorFileName, 2, count);
  if (columns == nullptr || count < 1) {
    if (columns != nullptr) free_matrix(columns, 1, 2, 1, count);
    if (!RedrawSuppressed) ErrorBox("Could Not Open MaxEnt Prior File");
    s.PriorOnS = false;
    return false;
  }
  const int n = DistributionSettings.DistGridSize;
  auto& priors = DistributionGrid.PriorProbabilities;
  ResampleCurveToDouble(n, PriorGridValues.data(), priors.data(), count, columns[1], columns[2]);
  free_matrix(columns, 1, 2, 1, count);
  // The penalty divides by the priors and the entropy takes their logarithm:
  // a zero or negative value of the file becomes a small positive one (a
  // thousandth of the smallest positive prior), which still keeps that
  // region nearly empty.
  double smallest = 0.0;
  for (int j = 1; j <= n; ++j)
    if (priors[static_cast<std::size_t>(j)] > 0.0 &&
        (smallest == 0.0 || priors[static_cast<std::size_t>(j)] < smallest))
      smallest = priors[static_cast<std::size_t>(j)];
  const double floor = smallest > 0.0 ? 0.001 * smallest : kFloor;
  for (int j = 1; j <= n; ++j)
    if (!(priors[static_cast<std::size_t>(j)] > 0.0)) priors[static_cast<std::size_t>(j)] = floor;
  return true;
}

void AddFf0Peaks() {
  auto& q = DistributionGrid.Ff0PriorProbabilities;
  const auto& f = DistributionGrid.Ff0Values;
  if (q.size() < 2 || f.size() != q.size()) return;
  for (std::size_t i = 1; i < q.size(); ++i) q[i] = static_cast<float>(kFloor);
  for (int k = 1; k <= PriorPeakCount; ++k) {
    const PriorPeak& peak = PriorProfileSource.Ff0PriorPeaks[static_cast<std::size_t>(k)];
    if (peak.Position == 0.0 || peak.Width == 0.0 || peak.Amplitude == 0.0) continue;
    for (std::size_t i = 1; i < q.size(); ++i) {
      const double d = peak.Position - f[i];
      q[i] += static_cast<float>(peak.Amplitude * std::exp(-d * d / (peak.Width * peak.Width)) /
                                 (kGaussNorm * peak.Width));
    }
  }
}

}  // namespace

bool DistributionOnSAxis(ModelKind kind) {
  switch (kind) {
    case ModelKind::ContinuousCS:
    case ModelKind::CSFf0:
    case ModelKind::CSFf0OneDiscrete:
    case ModelKind::CSConformationalChange:
    case ModelKind::CSBimodalFf0:
    case ModelKind::CSBimodalFf0OneDiscrete:
    case ModelKind::CSFlotation:
    case ModelKind::CSGeneralScalingLaw:
    case ModelKind::CSWormlikeChain:
    case ModelKind::CSFixFf0FloatingVbar:
    case ModelKind::NonidealCS:
    case ModelKind::CSWithMsTable:
    case ModelKind::CSWithOneDiscrete:
    case ModelKind::CSInvariantD:
    case ModelKind::DlsIRh:
    case ModelKind::ExtrapolateLsGStar:
      return true;
    default:
      return false;
  }
}

void AddPriorPeak(const double* x, double* p, int n, double position, double width,
                  double amplitude) {
  if (width == 0.0) {
    AddDeltaPeak(x, p, n, position, amplitude);
    return;
  }
  for (int j = 1; j <= n; ++j) {
    const double d = position - x[j];
    p[j] += amplitude * std::exp(-d * d / (width * width)) / (kGaussNorm * width);
  }
}

bool MakePriorProfile() {
  const int n = DistributionSettings.DistGridSize;
  const auto& r = DistributionResult;
  auto& priors = DistributionGrid.PriorProbabilities;
  const auto size = static_cast<std::size_t>(n) + 1;
  if (n < 1 || r.DistSGrid.size() < size || r.DistMGrid.size() < size) return true;
  if (priors.size() < size) priors.assign(size, 0.01);
  const ModelKind kind = ModelSelection.Kind;
  const bool sGrid = DistributionOnSAxis(kind);
  PriorGridValues.assign(size, 0.0);
  for (std::size_t j = 1; j < size; ++j)
    PriorGridValues[j] = sGrid ? r.DistSGrid[j] : r.DistMGrid[j];

  PriorSettingsRecord& s = PriorSettings;
  if (s.PriorOnS) {
    const PriorProfileSourceRecord& src = PriorProfileSource;
    // A profile made of the distribution's own peaks is meant for this run,
    // whatever file the dialog left switched on.
    if (PriorFileInUse() && !s.DiscreteSpeciesPriorOn) {
      ReadPriorFile();
    } else if (s.GjPriorImported || s.PriorFromDistributionPeaks || s.DiscreteSpeciesPriorOn) {
      if (src.GjPriorCount >= 1 && src.GjPriorGrid.size() > static_cast<std::size_t>(src.GjPriorCount) &&
          src.GjPriorValues.size() > static_cast<std::size_t>(src.GjPriorCount))
        ResampleCurveDouble(n, PriorGridValues.data(), priors.data(), src.GjPriorCount,
                            src.GjPriorGrid.data(), src.GjPriorValues.data());
    } else {
      for (std::size_t j = 1; j < size; ++j) priors[j] = kFloor;
      for (int k = 1; k <= PriorPeakCount; ++k) {
        const PriorPeak& peak = s.PriorPeaks[static_cast<std::size_t>(k)];
        if (!PriorPeakInUse(peak)) continue;
        AddPriorPeak(PriorGridValues.data(), priors.data(), n, peak.Position, peak.Width,
                     peak.Amplitude);
      }
    }
  }
  if ((kind == ModelKind::CSFf0 || kind == ModelKind::CSFf0OneDiscrete) && s.PriorOnFf0)
    AddFf0Peaks();
  return true;
}
