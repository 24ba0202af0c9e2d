#include "distributions/MonteCarloReplicas.h"

#include <algorithm>
#include <cstddef>
#include <memory>

#include "distributions/MaximumEntropy.h"
#include "distributions/NormalEquationsAccumulation.h"
#include "platform/Thread.h"
#include "ui/Boxes.h"

namespace {

// Centred data of scan s over the fit radii into yc[0..count), as the
// builders centre them.
void CentreReplicaData(const NormalEquationProblem& p, const NormalEquationArrays& neq,
                       const NoiseEliminationRecord& record, int s, double* yc) {
  const int count = p.FitPointCount();
  const float* y = p.Data[s] + p.FitFirst;
  const float* fixed = p.FixedFirst ? p.Kernel[1][s] + p.FitFirst : nullptr;
  const double* radial = &neq.DataRadialMean[p.FitFirst];
  double shift = 0.0;
  bool radialToo = false;
  switch (p.Noise) {
    case SystematicNoise::None:
      shift = record.Baseline;
      break;
    case SystematicNoise::Baseline:
      shift = record.DataGrandMean;
      break;
    case SystematicNoise::RadialInvariant:
      shift = neq.DataScanMean[s];
      break;
    case SystematicNoise::TimeInvariant:
      radialToo = true;
      break;
    case SystematicNoise::TimeAndRadialInvariant:
      radialToo = true;
      shift = neq.DataScanMean[s] - record.DataGrandMean;
      break;
  }
  for (int k = 0; k < count; ++k) {
    double v = y[k];
    if (fixed) v -= fixed[k];
    if (radialToo) v -= radial[k];
    yc[k] = v - shift;
  }
}

double Dot(const double* a, const float* b, int count) {
  double s0 = 0.0, s1 = 0.0, s2 = 0.0, s3 = 0.0;
  int k = 0;
  for (; k + 3 < count; k += 4) {
    s0 += a[k] * b[k];
    s1 += a[k + 1] * b[k + 1];
    s2 += a[k + 2] * b[k + 2];
    s3 += a[k + 3] * b[k + 3];
  }
  for (; k < count; ++k) s0 += a[k] * b[k];
  return (s0 + s1) + (s2 + s3);
}

void SolveOne(ReplicaSystem& system, const float* const* data, NormalEquationProblem problem,
              const NormalEquationArrays& base, const ReplicaSolveSettings& settings) {
  problem.Data = data;
  NormalEquationArrays& neq = system.Neq;
  ReplicaRightHandSide(problem, base, neq, system.Record);
  const int unknowns = problem.Unknowns();
  neq.RegularizedCount = unknowns;
  if (settings.MaxEnt)
    MaxEntRegularization(neq, settings.Context);
  else
    ScaleRegularization(neq, settings.Context);
  const int n = settings.KernelColumns;
  system.Solution.assign(static_cast<std::size_t>(n) + 1, 0.0);
  const int offset = settings.FixedFirst ? 1 : 0;
  if (settings.FixedFirst) system.Solution[1] = settings.FixedFirstValue;
  for (int i = 1; i <= unknowns; ++i)
    system.Solution[static_cast<std::size_t>(i + offset)] = neq.DistSolution[i];
}

class ReplicaWorker : public platform::Thread {
 public:
  ReplicaWorker(int index, int stride, std::vector<ReplicaSystem>& systems, int batch,
                const std::vector<const float* const*>& data, const NormalEquationProblem& problem,
                const NormalEquationArrays& base, const ReplicaSolveSettings& settings)
      : index_(index), stride_(stride), systems_(systems), batch_(batch), data_(data),
        problem_(problem), base_(base), settings_(settings) {}

 protected:
  int Run() override {
    for (int k = index_; k < batch_; k += stride_)
      SolveOne(systems_[static_cast<std::size_t>(k)], data_[static_cast<std::size_t>(k)],
               problem_, base_, settings_);
    return 0;
  }

 private:
  int index_, stride_;
  std::vector<ReplicaSystem>& systems_;
  int batch_;
  const std::vector<const float* const*>& data_;
  const NormalEquationProblem& problem_;
  const NormalEquationArrays& base_;
  const ReplicaSolveSettings& settings_;
};

}  // namespace

void ReplicaRightHandSide(const NormalEquationProblem& p, const NormalEquationArrays& kernelMeans,
                          NormalEquationArrays& out, NoiseEliminationRecord& record) {
  ComputeDataNoiseMeans(p, out, record);
  const int U = p.Unknowns(), offset = p.FixedFirst ? 1 : 0;
  const int count = p.FitPointCount();
  for (int i = 0; i <= out.Size; ++i) out.NormalVector[i] = 0.0;
  out.DataSquareSum = 0.0;
  if (count == 0) return;
  std::vector<double> yc(static_cast<std::size_t>(count));
  std::vector<double> columnSums(static_cast<std::size_t>(count), 0.0);
  std::vector<double> scanSums(static_cast<std::size_t>(p.ScanCount) + 1, 0.0);
  double yy = 0.0;
  for (int s = 1; s <= p.ScanCount; ++s) {
    CentreReplicaData(p, out, record, s, yc.data());
    double sum = 0.0;
    for (int k = 0; k < count; ++k) {
      yy += yc[static_cast<std::size_t>(k)] * yc[static_cast<std::size_t>(k)];
      sum += yc[static_cast<std::size_t>(k)];
      columnSums[static_cast<std::size_t>(k)] += yc[static_cast<std::size_t>(k)];
    }
    scanSums[static_cast<std::size_t>(s)] = sum;
    for (int i = 1; i <= U; ++i)
      out.NormalVector[i] += Dot(yc.data(), p.Kernel[i + offset][s] + p.FitFirst, count);
  }
  double total = 0.0;
  for (int s = 1; s <= p.ScanCount; ++s) total += scanSums[static_cast<std::size_t>(s)];
  // The kernel's centring: Σ y'(K − K̄) = Σ y'K − Σ K̄ y' by the parts of K̄.
  const auto& km = kernelMeans;
  for (int i = 1; i <= U; ++i) {
    const int g = i + offset;
    double correction = 0.0;
    switch (p.Noise) {
      case SystematicNoise::None:
        break;
      case SystematicNoise::Baseline:
        correction = km.KernelGrandMean[g] * total;
        break;
      case SystematicNoise::TimeInvariant:
      case SystematicNoise::TimeAndRadialInvariant: {
        const double* radial = km.KernelRadialMean[g] + p.FitFirst;
        for (int k = 0; k < count; ++k) correction += radial[k] * columnSums[static_cast<std::size_t>(k)];
        if (p.Noise == SystematicNoise::TimeInvariant) break;
        for (int s = 1; s <= p.ScanCount; ++s)
          correction += (km.KernelScanMean[g][s] - km.KernelGrandMean[g]) *
                        scanSums[static_cast<std::size_t>(s)];
        break;
      }
      case SystematicNoise::RadialInvariant:
        for (int s = 1; s <= p.ScanCount; ++s)
          correction += km.KernelScanMean[g][s] * scanSums[static_cast<std::size_t>(s)];
        break;
    }
    out.NormalVector[i] -= correction;
  }
  out.DataSquareSum = yy;
}

bool PrepareReplicaSystems(std::vector<ReplicaSystem>& systems, int count,
                           const NormalEquationArrays& base) {
  if (static_cast<int>(systems.size()) != count) systems = std::vector<ReplicaSystem>(
                                                     static_cast<std::size_t>(count));
  const int n = base.Size;
  for (ReplicaSystem& s : systems) {
    if (s.Neq.Size != n || s.Neq.ScanCount != base.ScanCount ||
        s.Neq.RadiusCount != base.RadiusCount) {
      if (!s.Neq.Allocate(n, base.ScanCount, base.RadiusCount)) return false;
    }
    for (int i = 1; i <= n; ++i)
      std::copy(base.NormalMatrix[i], base.NormalMatrix[i] + n + 1, s.Neq.NormalMatrix[i]);
  }
  return true;
}

void SolveReplicaBatch(std::vector<ReplicaSystem>& systems, int batch,
                       const std::vector<const float* const*>& data,
                       const NormalEquationProblem& problem, const NormalEquationArrays& base,
                       const ReplicaSolveSettings& settings, int threads) {
  const int workers = std::max(1, std::min(threads, batch));
  if (workers == 1) {
    for (int k = 0; k < batch; ++k)
      SolveOne(systems[static_cast<std::size_t>(k)], data[static_cast<std::size_t>(k)], problem,
               base, settings);
    return;
  }
  std::vector<std::unique_ptr<ReplicaWorker>> pool;
  for (int w = 0; w < workers; ++w)
    pool.push_back(std::make_unique<ReplicaWorker>(w, workers, systems, batch, data, problem, base,
                                                   settings));
  for (auto& worker : pool)
    if (!worker->Start()) worker->RunHere();
  for (auto& worker : pool) {
    worker->WaitForExit();
    for (const std::string& text : worker->TakeDeferredMessages()) ErrorBox(text);
  }
}
