// The Monte Carlo analysis of a distribution: base fit, replicas, stores,
// limits, integrals and their files.

#include "distributions/MonteCarlo.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "state/ProgramFlags.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "state/DisplayState.h"
#include "distributions/ContiGrid.h"
#include "distributions/BestFitSignal.h"
#include "distributions/ContiRunSolve.h"
#include "distributions/DistributionArrays.h"
#include "distributions/DistributionIntegration.h"
#include "distributions/MonteCarloReplicas.h"
#include "distributions/RunContiSed.h"
#include "distributions/StoredDistribution.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "numerics/CCurve.h"
#include "numerics/RandomNumbers.h"
#include "numerics/Resampling.h"
#include "ui/Boxes.h"

MonteCarloRecord MonteCarlo;
MonteCarloDisplayLinksRecord MonteCarloDisplayLinks;

namespace {

constexpr const char* kCaption = "Monte Carlo for Distributions";

bool TwoDimensional() {
  return IsTwoDimensionalModel(ModelSelection.Kind);
}

int GridPoints() {
  return DistributionSettings.DistGridSize;
}

// The abscissa of the distribution curve.
const std::vector<float>& CurveAxis() {
  return IsMolarMassGridModel(ModelSelection.Kind) ? DistributionResult.DistMGrid
                                                   : DistributionResult.DistSGrid;
}

void WriteDistributionCurve(const std::string& path) {
  const int n = GridPoints();
  CCurve curve(CurveAxis().data(), DistributionResult.DistValues.data(), n, 1, 1);
  curve.WriteFile(path);
}

std::string OutputPath(const std::string& stem) {
  return MonteCarlo.MonteCarloFolder + stem + ".dat";
}

void SplitFolder(const std::string& path) {
  const auto slash = path.find_last_of('/');
  MonteCarlo.MonteCarloFolder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

void RenderPlot() {
  if (StoredDistributionServices.RenderDistributionPlot)
    StoredDistributionServices.RenderDistributionPlot();
}

// The rows of the statistics: replica i is row i of the one-dimensional
// store and row i + 1 of the marginal store (row 1 there holds the base).
const float* StatisticsRow(int replica) {
  auto& mc = MonteCarlo;
  return TwoDimensional() ? mc.ReplicaMarginalStore[replica + 1] : mc.ReplicaStore[replica];
}

void ShowCaptionText(platform::WindowHandle window, int replica) {
  if (window == nullptr || !DrawingAllowed || RedrawSuppressed) return;
  char text[64];
  std::snprintf(text, sizeof text, "Monte-Carlo distribution #%d   ", replica);
  platform::Current().DrawWindowText(window, 10, 70, text);
}

// The solved amplitudes as DistValues (and, for the s x f/f0 models, the
// 2-D amplitudes), made a density.
void TakeAmplitudes(const std::vector<double>& solution) {
  auto& neq = NormalEquations;
  const int columns = neq.Size;
  for (int i = 1; i <= columns && i < static_cast<int>(solution.size()); ++i)
    neq.DistSolution[i] = solution[static_cast<std::size_t>(i)];
  TakeSolution(ModelSelection.Kind, GridPoints());
  DistributionDensity();
}

void StoreReplica(int row) {
  auto& mc = MonteCarlo;
  const auto& r = DistributionResult;
  if (TwoDimensional()) {
    for (int k = 1; k <= mc.StoreWidth; ++k)
      mc.ReplicaStore[row][k] = r.Grid2DAmplitudes[static_cast<std::size_t>(k)];
  } else {
    for (int k = 1; k <= mc.StoreWidth; ++k)
      mc.ReplicaStore[row][k] = r.DistValues[static_cast<std::size_t>(k)];
  }
}

void StoreMarginal(int row) {
  auto& mc = MonteCarlo;
  for (int k = 1; k <= GridPoints(); ++k)
    mc.ReplicaMarginalStore[row][k] = DistributionResult.DistValues[static_cast<std::size_t>(k)];
}

void WriteReplica(int number) {
  const std::string path = OutputPath(std::to_string(number));
  if (TwoDimensional())
    WriteDistribution2D(path);
  else
    WriteDistributionCurve(path);
}

bool AllocateStores(int N) {
  auto& mc = MonteCarlo;
  const int n = GridPoints();
  mc.StoreWidth = TwoDimensional() ? DistributionSettings.Grid2DSize : n;
  mc.ReplicaStore = OneBasedMatrix<float>(1, N + 1, 1, mc.StoreWidth);
  mc.ReplicaMarginalStore = OneBasedMatrix<float>(1, N + 1, 1, n);
  mc.MonteCarloMean.assign(static_cast<std::size_t>(n) + 1, 0.0f);
  mc.MonteCarloLower.assign(static_cast<std::size_t>(n) + 1, 0.0f);
  mc.MonteCarloUpper.assign(static_cast<std::size_t>(n) + 1, 0.0f);
  mc.ReplicaCount = N;
  return true;
}

void ShowLimitCurves() {
  auto& mc = MonteCarlo;
  if (RedrawSuppressed || !MonteCarloDisplayLinks.AddLimitCurves) return;
  MonteCarloDisplayLinks.AddLimitCurves(mc.MonteCarloUpper.data(), mc.MonteCarloLower.data(),
                                        GridPoints());
  mc.MonteCarloCurvesShown = true;
}

// The replica's signal on the scans' own radii, carried onto the common
// grid the normal equations read: copied where the grid is the scans' own
// radii, interpolated where the grid is resampled. The loaded data are
// never touched.
void ReplicaOnCommonGrid(const OneBasedMatrix<float>& noiseFree, float sigma,
                         std::vector<float>& scratch, OneBasedMatrix<float>& grid) {
  const auto& d = ScanDataSet;
  const auto& g = CommonRadialGrid;
  const int R = g.CommonGridSize;
  for (int j = 1; j <= d.NFILES; ++j) {
    const int points = d.ScanPointCount[j];
    scratch.resize(static_cast<std::size_t>(points) + 1);
    for (int k = 1; k <= points; ++k)
      scratch[static_cast<std::size_t>(k)] = noiseFree[j][k] + GaussianRandom(sigma);
    float* row = grid[j];
    if (!g.GridResampled) {
      const int covered = std::min(points, R);
      std::copy(scratch.data() + 1, scratch.data() + covered + 1, row + 1);
      std::fill(row + covered + 1, row + R + 1, 0.0f);
    } else {
      std::fill(row + 1, row + R + 1, 0.0f);
      ResampleCurve(R, g.CommonGrid, row, points, d.ScanRadius[j].data(), scratch.data());
    }
  }
}

// Step 5 and 6: the unregularised fit of the data, its signal and rmsd.
bool BaseFit(platform::WindowHandle window, OneBasedMatrix<float>& noiseFree) {
  auto& settings = DistributionSettings;
  const float saved = settings.RegularizationPvalue;
  settings.RegularizationPvalue = 0.0f;
  const ContiRunOutcome outcome = RunContiSed(window);
  settings.RegularizationPvalue = saved;
  if (outcome != ContiRunOutcome::Solved && outcome != ContiRunOutcome::Stored) return false;
  if (!DistKernel.Exists() || !NormalEquations.Exists()) return false;
  TakeSolution(ModelSelection.Kind, GridPoints());
  DistributionDensity();
  CalculateppAFit();
  const auto& d = ScanDataSet;
  int widest = 1;
  for (int j = 1; j <= d.NFILES; ++j) widest = std::max(widest, d.ScanPointCount[j]);
  noiseFree = OneBasedMatrix<float>(1, d.NFILES, 1, widest);
  for (int j = 1; j <= d.NFILES; ++j)
    for (int k = 1; k <= d.ScanPointCount[j]; ++k) noiseFree[j][k] = d.ScanModel[j][k];
  MonteCarlo.BaseRmsd = ScanRmsd();
  return true;
}

ReplicaSolveSettings SolveSettings() {
  const ModelKind kind = ModelSelection.Kind;
  const auto& neq = NormalEquations;
  ReplicaSolveSettings s;
  s.FixedFirst = NoiseElimination.FixedFirstComponent;
  s.FixedFirstValue = NoiseElimination.FixedFirstValue;
  s.KernelColumns = neq.Size;
  const int unknowns = s.FixedFirst ? neq.Size - 1 : neq.Size;
  s.Context = MakeRegularizationContext(kind, unknowns);
  s.Context.ThreadCount = 1;  // the replicas themselves run side by side
  const auto& type = DistributionSettings.RegularizationType;
  s.MaxEnt = !TwoDimensional() && (type.MaxEntRegularizationOn || type.BothRegularizations);
  return s;
}

int WorkerCount() {
  const auto& ds = DistributionSettings;
  return ds.MultithreadingOn ? std::max(1, ds.ThreadCount) : 1;
}

// Step 8: the replicas, drawn in order and solved in batches.
void SolveReplicas(platform::WindowHandle window, int N, const OneBasedMatrix<float>& noiseFree,
                   bool writeEach) {
  auto& mc = MonteCarlo;
  const int workers = WorkerCount();
  const int R = CommonRadialGrid.CommonGridSize, S = ScanDataSet.NFILES;
  NormalEquationProblem problem = CurrentNormalEquationProblem();
  problem.FixedFirst = NoiseElimination.FixedFirstComponent;
  problem.FixedFirstValue = NoiseElimination.FixedFirstValue;
  ReplicaSolveSettings settings = SolveSettings();
  // With a fixed first component the priors follow the unknowns.
  auto& priors = DistributionGrid.PriorProbabilities;
  const bool shiftPriors = settings.FixedFirst && priors.size() > 2;
  if (shiftPriors) std::rotate(priors.begin() + 1, priors.begin() + 2, priors.end());

  std::vector<ReplicaSystem> systems;
  if (!PrepareReplicaSystems(systems, workers, NormalEquations)) {
    if (shiftPriors) std::rotate(priors.begin() + 1, priors.end() - 1, priors.end());
    return;
  }
  std::vector<OneBasedMatrix<float>> grids;
  for (int w = 0; w < workers; ++w) grids.emplace_back(1, S, 0, R);
  std::vector<const float* const*> rows(static_cast<std::size_t>(workers));
  std::vector<float> scratch;
  for (int first = 1; first <= N; first += workers) {
    const int batch = std::min(workers, N - first + 1);
    for (int k = 0; k < batch; ++k) {
      ShowCaptionText(window, first + k);
      ReplicaOnCommonGrid(noiseFree, mc.BaseRmsd, scratch, grids[static_cast<std::size_t>(k)]);
      rows[static_cast<std::size_t>(k)] = grids[static_cast<std::size_t>(k)].get();
    }
    SolveReplicaBatch(systems, batch, rows, problem, NormalEquations, settings, workers);
    for (int k = 0; k < batch; ++k) {
      const int i = first + k;
      mc.ReplicaCounter = i;
      TakeAmplitudes(systems[static_cast<std::size_t>(k)].Solution);
      StoreReplica(i);
      if (TwoDimensional()) StoreMarginal(i + 1);
      if (writeEach) WriteReplica(i);
    }
  }
  if (shiftPriors) std::rotate(priors.begin() + 1, priors.end() - 1, priors.end());
}

void SumTwoDimensionalReplicas(int N) {
  auto& mc = MonteCarlo;
  auto& r = DistributionResult;
  r.Grid2DAmplitudes.assign(static_cast<std::size_t>(mc.StoreWidth) + 1, 0.0f);
  for (int row = 1; row <= N; ++row)
    for (int k = 1; k <= mc.StoreWidth; ++k) r.Grid2DAmplitudes[static_cast<std::size_t>(k)] += mc.ReplicaStore[row][k];
  const int n = GridPoints();
  const int slices = static_cast<int>(DistributionSettings.Ff0GridCount);
  for (int i = 1; i <= n; ++i) {
    double sum = 0.0;
    for (int c = 1; c <= slices && (c - 1) * n + i <= mc.StoreWidth; ++c)
      sum += r.Grid2DAmplitudes[static_cast<std::size_t>((c - 1) * n + i)];
    r.DistValues[static_cast<std::size_t>(i)] = static_cast<float>(sum);
  }
  WriteDistribution2D(OutputPath("_sum"));
}

}  // namespace

std::string LimitFileStem(double fraction) {
  char text[32];
  std::snprintf(text, sizeof text, "lim%3.0f", fraction * 1000.0);
  return text;
}

float KthSmallest(std::vector<float> v, int k) {
  if (k < 1 || v.size() < 2) return 0.0f;
  const auto n = static_cast<int>(v.size()) - 1;
  k = std::min(k, n);
  std::nth_element(v.begin() + 1, v.begin() + k, v.end());
  return v[static_cast<std::size_t>(k)];
}

bool MonteCarloDistributions(platform::WindowHandle window, int N, float P,
                             const std::string& path, bool writeEach) {
  auto& flags = DistributionRunFlags;
  auto& mc = MonteCarlo;
  if (DistributionSettings.RegularizationType.BothRegularizations && !RedrawSuppressed)
    platform::Current().ShowMessageBox({window, "only calculating for maximum entropy regularization",
                                        kCaption, platform::BoxIcon::None,
                                        platform::BoxButtons::Ok});
  if (ScanDataSet.NFILES < 1 || N <= 1) return false;
  flags.MonteCarloRunning = true;
  mc.ReplicaCounter = 0;
  flags.SimulateFromDistribution = false;
  flags.InNonlinearSearch = true;
  mc.MonteCarloCurvesShown = false;
  const auto done = [&](bool result) {
    flags.MonteCarloRunning = false;
    return result;
  };
  if (!MakeContiGrid()) return done(false);
  AllocateStores(N);
  ShowLimitCurves();
  OneBasedMatrix<float> noiseFree;
  if (!BaseFit(window, noiseFree)) return done(false);
  SplitFolder(path);
  StoreReplica(1);
  if (TwoDimensional()) StoreMarginal(1);
  if (writeEach) WriteReplica(0);
  SolveReplicas(window, N, noiseFree, writeEach);
  flags.MonteCarloRunning = false;
  if (!RedrawSuppressed) {
    if (TwoDimensional()) SumTwoDimensionalReplicas(N);
    MonteCarloLimits(P);
  }
  return true;
}

void MonteCarloLimits(float P) {
  auto& mc = MonteCarlo;
  const int N = mc.ReplicaCount, n = GridPoints();
  if (N < 1 || mc.ReplicaStore.rows() < 1 || mc.MonteCarloMean.size() < static_cast<std::size_t>(n) + 1)
    return;
  const float g = (1.0f - P) / 2.0f;
  const int lowerK = static_cast<int>(std::floor(g * static_cast<float>(N)));
  const int upperK = static_cast<int>(std::floor((P + g) * static_cast<float>(N)));
  std::vector<float> column(static_cast<std::size_t>(N) + 1);
  for (int i = 1; i <= n; ++i) {
    double sum = 0.0;
    for (int j = 1; j <= N; ++j) {
      column[static_cast<std::size_t>(j)] = StatisticsRow(j)[i];
      sum += column[static_cast<std::size_t>(j)];
    }
    mc.MonteCarloMean[static_cast<std::size_t>(i)] = static_cast<float>(sum / N);
    mc.MonteCarloLower[static_cast<std::size_t>(i)] = KthSmallest(column, lowerK);
    mc.MonteCarloUpper[static_cast<std::size_t>(i)] = KthSmallest(column, upperK);
  }
  auto& values = DistributionResult.DistValues;
  const auto write = [&](const std::vector<float>& v, const std::string& stem) {
    std::copy(v.begin() + 1, v.begin() + n + 1, values.begin() + 1);
    WriteDistributionCurve(OutputPath(stem));
  };
  write(mc.MonteCarloUpper, LimitFileStem(P + g));
  write(mc.MonteCarloLower, LimitFileStem(g));
  write(mc.MonteCarloMean, "mean");
  RenderPlot();
}

void MonteCarloSw(platform::WindowHandle window, float smin, float smax, float P) {
  auto& mc = MonteCarlo;
  const int N = mc.ReplicaCount, n = GridPoints();
  if (N < 1 || mc.ReplicaStore.rows() < 1) return;
  auto& values = DistributionResult.DistValues;
  const std::vector<float> shown(values);
  std::vector<float> sw(1, 0.0f), conc(1, 0.0f);
  for (int j = 1; j <= N; ++j) {
    const float* row = StatisticsRow(j);
    std::copy(row + 1, row + n + 1, values.begin() + 1);
    float total = 0.0f, average = 0.0f, all = 0.0f;
    IntegrateDistribution(smin, smax, total, average, all);
    conc.push_back(total);
    if (total > 0.0f) sw.push_back(average);
  }
  values = shown;
  const float g = (1.0f - P) / 2.0f;
  struct Stats {
    float mean = 0.0f, sd = 0.0f, low = 0.0f, high = 0.0f;
  };
  const auto stats = [&](const std::vector<float>& v) {
    Stats s;
    const int m = static_cast<int>(v.size()) - 1;
    if (m < 1) return s;
    double sum = 0.0;
    for (int k = 1; k <= m; ++k) sum += v[static_cast<std::size_t>(k)];
    s.mean = static_cast<float>(sum / m);
    double dev = 0.0;
    for (int k = 1; k <= m; ++k) dev += std::pow(v[static_cast<std::size_t>(k)] - s.mean, 2);
    s.sd = static_cast<float>(std::sqrt(dev / m));
    s.low = KthSmallest(v, static_cast<int>(std::floor(g * static_cast<float>(m))));
    s.high = KthSmallest(v, static_cast<int>(std::floor((P + g) * static_cast<float>(m))));
    return s;
  };
  const Stats s = stats(sw), c = stats(conc);
  if (RedrawSuppressed) {
    mc.MonteCarloSwResult = {0.0f, s.mean, s.sd, s.low, s.high, c.mean, c.sd, c.low, c.high};
    return;
  }
  char text[600];
  std::snprintf(text, sizeof text,
                "average sw = %.6f\n %.3f %% confidence interval from %.6f to %.6f\navg error = "
                "%.6f\n(simple stddev of all values = %.6f, assuming Gaussian distributed "
                "error)\naverage c = %.4f, confidence interval from %.6f to %.6f",
                static_cast<double>(s.mean), 100.0 * P, static_cast<double>(s.low),
                static_cast<double>(s.high), static_cast<double>(s.high - s.low) / 2.0,
                static_cast<double>(s.sd), static_cast<double>(c.mean),
                static_cast<double>(c.low), static_cast<double>(c.high));
  platform::Current().ShowMessageBox(
      {window, text, kCaption, platform::BoxIcon::None, platform::BoxButtons::Ok});
}

bool RunMonteCarloSw(platform::WindowHandle window, int N, float P, float smin, float smax,
                     const std::string& path, bool writeEach) {
  if (!MonteCarloDistributions(window, N, P, path, writeEach)) return false;
  MonteCarloSw(window, smin, smax, P);
  return true;
}

void MonteCarloFinish(platform::WindowHandle window) {
  auto& mc = MonteCarlo;
  mc.ReplicaStore = OneBasedMatrix<float>{};
  mc.ReplicaMarginalStore = OneBasedMatrix<float>{};
  const bool shown = mc.MonteCarloCurvesShown;
  mc.MonteCarloCurvesShown = false;
  if (shown && !RedrawSuppressed && MonteCarloDisplayLinks.RemoveLimitCurves)
    MonteCarloDisplayLinks.RemoveLimitCurves();
  mc.MonteCarloMean.clear();
  mc.MonteCarloLower.clear();
  mc.MonteCarloUpper.clear();
  mc.ReplicaCount = 0;
  if (NormalEquations.Exists() && DistKernel.Exists()) StoreDistributionResult(window);
}

bool WriteDistribution2D(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) {
    ErrorBox("\n\aAttention: could not open " + path);
    return false;
  }
  const auto& g = DistributionGrid;
  const auto& a = DistributionResult.Grid2DAmplitudes;
  const int total = DistributionSettings.Grid2DSize;
  for (int k = 1; k <= total && static_cast<std::size_t>(k) < g.Grid2DS.size() &&
                  static_cast<std::size_t>(k) < a.size();
       ++k) {
    const auto p = static_cast<std::size_t>(k);
    std::fprintf(f, "%e %e %e %e %e %e\n", static_cast<double>(g.Grid2DS[p]),
                 static_cast<double>(g.Grid2DM[p]), static_cast<double>(g.Grid2DFf0[p]),
                 static_cast<double>(g.Grid2DD[p]), static_cast<double>(g.Grid2DStokesRadius[p]),
                 static_cast<double>(a[p]));
  }
  std::fclose(f);
  return true;
}
