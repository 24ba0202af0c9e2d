#include "distributions/BestFitSignal.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <vector>

#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "numerics/Resampling.h"
#include "numerics/SharedWork.h"
#include "state/DistributionSettingsRecords.h"

namespace {

// The amplitudes that multiply kernel columns: 2..n with a fixed first
// column (which enters with amplitude one), else 1..n.
int FirstFreeColumn(const NoiseEliminationRecord& record) {
  return record.FixedFirstComponent ? 2 : 1;
}

// Σ_i c_i m_i over the free columns, for a per-column mean m_i.
template <class Mean>
double AmplitudeWeighted(const NormalEquationProblem& p, const NormalEquationArrays& neq,
                         const NoiseEliminationRecord& record, Mean mean) {
  double sum = 0.0;
  for (int i = FirstFreeColumn(record); i <= p.KernelColumns; ++i)
    sum += neq.DistSolution[i] * mean(i);
  return sum;
}

// The time-invariant profile over the whole common grid; false when the
// model has none (the profile is then 0).
bool TimeInvariantNoise(const NormalEquationProblem& p, const NormalEquationArrays& neq,
                        const NoiseEliminationRecord& record, float* ti) {
  const bool withRI = record.Noise == SystematicNoise::TimeAndRadialInvariant;
  if (record.Noise != SystematicNoise::TimeInvariant && !withRI) {
    for (int k = 1; k <= p.RadiusCount; ++k) ti[k] = 0.0f;
    return false;
  }
  std::vector<double> value(static_cast<std::size_t>(p.RadiusCount) + 1, 0.0);
  for (int k = 1; k <= p.RadiusCount; ++k)
    value[static_cast<std::size_t>(k)] =
        neq.DataRadialMean[k] - (withRI ? record.DataGrandMean : 0.0);
  for (int i = FirstFreeColumn(record); i <= p.KernelColumns; ++i) {
    const double c = neq.DistSolution[i];
    if (c == 0.0) continue;
    const double* radial = neq.KernelRadialMean[i];
    const double grand = withRI ? neq.KernelGrandMean[i] : 0.0;
    for (int k = 1; k <= p.RadiusCount; ++k)
      value[static_cast<std::size_t>(k)] -= c * (radial[k] - grand);
  }
  for (int k = 1; k <= p.RadiusCount; ++k)
    ti[k] = static_cast<float>(value[static_cast<std::size_t>(k)]);
  return true;
}

// The radial-invariant offsets of every scan (0 when the model has none).
void RadialInvariantNoise(const NormalEquationProblem& p, const NormalEquationArrays& neq,
                          const NoiseEliminationRecord& record, float* ri) {
  const bool fitted = record.Noise == SystematicNoise::RadialInvariant ||
                      record.Noise == SystematicNoise::TimeAndRadialInvariant;
  for (int j = 1; j <= p.ScanCount; ++j) {
    ri[j] =
        fitted
            ? static_cast<float>(neq.DataScanMean[j] -
                                 AmplitudeWeighted(p, neq, record,
                                                   [&](int i) { return neq.KernelScanMean[i][j]; }))
            : 0.0f;
  }
}

double ModelBaseline(const NormalEquationProblem& p, const NormalEquationArrays& neq,
                     const NoiseEliminationRecord& record) {
  switch (record.Noise) {
    case SystematicNoise::None:
      return record.Baseline;
    case SystematicNoise::Baseline:
      return record.DataGrandMean -
             AmplitudeWeighted(p, neq, record, [&](int i) { return neq.KernelGrandMean[i]; });
    default:
      return 0.0;
  }
}

// Scan j's model: the profile profile[1..R] on the common grid (kernel sum
// plus TI noise) interpolated onto the scan's radii, plus a constant.
class ScanModelBuilder {
 public:
  ScanModelBuilder(const NormalEquationProblem& p, const NormalEquationArrays& neq,
                   const NoiseEliminationRecord& record, const BestFitTargets& targets)
      : p_(p),
        neq_(neq),
        record_(record),
        targets_(targets),
        radii_(static_cast<std::size_t>(p.RadiusCount) + 1, 0.0),
        profile_(static_cast<std::size_t>(p.RadiusCount) + 1, 0.0) {
    for (int k = 1; k <= p.RadiusCount; ++k)
      radii_[static_cast<std::size_t>(k)] = targets.GridRadii[k];
  }

  void Build(int j, const float* ti, double constant) {
    const int R = p_.RadiusCount;
    for (int k = 1; k <= R; ++k) profile_[static_cast<std::size_t>(k)] = ti ? ti[k] : 0.0;
    if (record_.FixedFirstComponent) AddColumn(1, j, 1.0);
    for (int i = FirstFreeColumn(record_); i <= p_.KernelColumns; ++i)
      AddColumn(i, j, neq_.DistSolution[i]);
    const int points = targets_.ScanPointCount[j];
    float* model = targets_.ScanModel[j];
    for (int q = 1; q <= points; ++q) model[q] = 0.0f;
    ResampleCurveFromDouble(points, targets_.ScanRadius[j], model, R, radii_.data(),
                            profile_.data());
    const auto shift = static_cast<float>(constant);
    for (int q = 1; q <= points; ++q) model[q] += shift;
  }

 private:
  void AddColumn(int i, int j, double c) {
    if (c == 0.0) return;
    const float* column = p_.Kernel[i][j];
    double* profile = profile_.data();
    for (int k = 1; k <= p_.RadiusCount; ++k) profile[k] += c * column[k];
  }

  const NormalEquationProblem& p_;
  const NormalEquationArrays& neq_;
  const NoiseEliminationRecord& record_;
  const BestFitTargets& targets_;
  std::vector<double> radii_, profile_;
};

}  // namespace

double CalculateBestFit(const NormalEquationProblem& problem, const NormalEquationArrays& neq,
                        const NoiseEliminationRecord& record, const BestFitTargets& targets,
                        int threads) {
  assert(problem.Kernel != nullptr && problem.KernelColumns <= neq.Size);
  const bool hasTI = TimeInvariantNoise(problem, neq, record, targets.TINoise);
  RadialInvariantNoise(problem, neq, record, targets.RINoise);
  const double baseline = ModelBaseline(problem, neq, record);
  // Scans are independent: each thread builds whole scans with its own
  // builder, so who builds one does not matter.
  std::atomic<int> next{1};
  RunOnThreads(std::clamp(threads, 1, std::max(problem.ScanCount, 1)), [&] {
    ScanModelBuilder builder(problem, neq, record, targets);
    for (int j = next.fetch_add(1); j <= problem.ScanCount; j = next.fetch_add(1))
      builder.Build(j, hasTI ? targets.TINoise : nullptr,
                    baseline + static_cast<double>(targets.RINoise[j]));
  });
  return baseline;
}

double CalculateWindowFit(const NormalEquationProblem& problem, const NormalEquationArrays& neq,
                          const NoiseEliminationRecord& record, const BestFitTargets& targets,
                          const int* scanOrder, int first, int last) {
  NoiseEliminationRecord window = record;
  window.Noise = SystematicNoise::Baseline;
  const double baseline = ModelBaseline(problem, neq, window);
  ScanModelBuilder builder(problem, neq, window, targets);
  for (int position = first; position <= last; ++position)
    builder.Build(scanOrder[position], nullptr, baseline);
  return baseline;
}

DataSetTargets::DataSetTargets(int scans)
    : radii_(static_cast<std::size_t>(scans) + 1, nullptr),
      models_(static_cast<std::size_t>(scans) + 1, nullptr) {
  for (int j = 1; j <= scans; ++j) {
    radii_[static_cast<std::size_t>(j)] = ScanDataSet.ScanRadius[j].data();
    models_[static_cast<std::size_t>(j)] = ScanDataSet.ScanModel[j].data();
  }
  targets.GridRadii = CommonRadialGrid.CommonGrid;
  targets.ScanRadius = radii_.data();
  targets.ScanPointCount = ScanDataSet.ScanPointCount.data();
  targets.ScanModel = models_.data();
}

void CalculateppAFit() {
  NormalEquationProblem problem = CurrentNormalEquationProblem();
  DataSetTargets onData(problem.ScanCount);
  BestFitTargets& targets = onData.targets;
  targets.TINoise = CommonRadialGrid.TINoise.data();
  targets.RINoise = CommonRadialGrid.RINoise.data();
  const auto& ds = DistributionSettings;
  const double baseline = CalculateBestFit(problem, NormalEquations, NoiseElimination, targets,
                                           ds.MultithreadingOn ? ds.ThreadCount : 1);
  if (NoiseElimination.Noise == SystematicNoise::None) return;
  ModelParameters.Baseline = static_cast<float>(baseline);
  ParameterVector[BaselineSlot] = static_cast<float>(baseline);
}
