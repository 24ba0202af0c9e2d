// Normal equations, regularisation and simulation of a distribution run.

#include "distributions/ContiRunSolve.h"

#include <algorithm>
#include <cstddef>

#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "distributions/ContiGrid.h"
#include "distributions/ContiKernel.h"
#include "distributions/DistributionArrays.h"
#include "distributions/DistributionDiagnostics.h"
#include "distributions/DistributionNormalEquations.h"
#include "distributions/DistributionTimeCourse.h"
#include "distributions/MaximumEntropy.h"
#include "distributions/StoredDistribution.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "state/PriorSettings.h"
#include "state/DisplayState.h"
#include "models/TempParameterFile.h"
#include "platform/Platform.h"

namespace {

// Grid point 1 is a separate species (a discrete component) that the
// smoothness penalty leaves out.
bool PenaltySkipsFirstPoint(ModelKind kind) {
  // A solved buffer amplitude is no part of the distribution's shape; a
  // fixed one is no unknown at all.
  if (BufferTermInKernel(kind)) return !NoiseElimination.FixedFirstComponent;
  switch (kind) {
    case ModelKind::LsGStarOneDiscrete:
    case ModelKind::CSWithOneDiscrete:
    case ModelKind::NonidealCS:
    case ModelKind::HinderedCS:
    case ModelKind::CSBimodalFf0OneDiscrete:
    case ModelKind::CSWithMsTable:
      return true;
    case ModelKind::HybridCSLsGStar:
      return DistributionSettings.HybridIncludesDiscrete;
    default:
      return false;
  }
}

// Grid point 1 has no entropy term.
bool EntropySkipsFirstPoint(ModelKind kind) {
  return PenaltySkipsFirstPoint(kind) && kind != ModelKind::CSBimodalFf0OneDiscrete;
}

// Moves a[1..n−1] to a[2..n] and puts first into a[1].
template <class Array>
void ShiftUp(Array& a, int n, double first) {
  for (int i = n; i >= 2; --i) a[i] = a[i - 1];
  a[1] = first;
}

// The search for the regularisation parameter shows its steps in the
// window's regularisation line.
void ShowProgressIn(RegularizationContext& context, platform::WindowHandle window) {
  if (window == nullptr || !DrawingAllowed) return;
  context.Progress = [window](const std::string& text) {
    platform::Current().DrawWindowText(window, 10, 70, text);
  };
}

}  // namespace

void BuildContiNormalEquations(platform::WindowHandle window) {
  // A window of the DLS time course: its averaged scan with a baseline.
  if (ModelSelection.Kind == ModelKind::DlsIRhTimeCourse && TimeCourse.WindowLastScan > 0) {
    LogDistributionStep(window, "\n RunContiSed starting normal equations");
    NormalEquationsTimeWindow();
    LogDistributionStep(window, "\n normal equations done");
    return;
  }
  const auto& ds = DistributionSettings;
  ContiNormalEquationSettings settings;
  settings.MultithreadingOn = ds.MultithreadingOn;
  settings.ThreadCount = ds.ThreadCount;
  if (BufferAmplitudeFixed(ModelSelection.Kind)) {
    settings.FixedFirstComponent = true;
    settings.FixedFirstValue = CorrectionOptions.BufferMismatch.BufferSignal;
  }
  ContiNormalEquations(window, settings);
}

RegularizationContext MakeRegularizationContext(ModelKind kind, int n) {
  const auto& ds = DistributionSettings;
  const auto& flags = DistributionRunFlags;
  RegularizationContext c;
  c.UnknownCount = n;
  PenaltySetup& p = c.Penalty;
  if (IsTwoDimensionalModel(kind)) {
    p.Geometry = kind == ModelKind::CSFf0OneDiscrete ? PenaltyGeometry::PlaneAfterFirst
                                                     : PenaltyGeometry::Plane;
    p.SliceCount = static_cast<int>(ds.Ff0GridCount);
    p.PointCount = n / std::max(1, p.SliceCount);
  } else {
    p.Geometry =
        PenaltySkipsFirstPoint(kind) ? PenaltyGeometry::ChainAfterFirst : PenaltyGeometry::Chain;
    p.PointCount = n;
  }
  p.Kind = OneDimensionalPenalty(ds.RegularizationType);
  p.Ff0Weight = ds.Ff0RegularizationWeight;
  c.Pvalue = ds.RegularizationPvalue;
  c.SuppressBaselineCorrelation = ds.SuppressBaselineCorrelation;
  const auto& g = CommonRadialGrid;
  c.FitPointCount = std::max(0, g.GridLastFitIndex - g.GridFirstFitIndex + 1);
  c.ScanCount = ScanDataSet.NFILES;
  c.DlsData = DlsDataMode;
  c.InNonlinearSearch = flags.InNonlinearSearch;
  c.FinalEvaluation = flags.FinalEvaluation;
  c.MonteCarloRunning = flags.MonteCarloRunning;
  c.ThreadCount = ds.MultithreadingOn ? std::max(1, ds.ThreadCount) : 1;
  c.FirstPointSeparate = EntropySkipsFirstPoint(kind);
  // A prior weights the penalty and is the entropy's reference.
  const auto& grid = DistributionGrid;
  if (PriorSettings.PriorOnS && grid.PriorProbabilities.size() > static_cast<std::size_t>(p.PointCount))
    p.Priors = grid.PriorProbabilities.data();
  if (PriorSettings.PriorOnFf0 && IsTwoDimensionalModel(kind) &&
      grid.Ff0PriorProbabilities.size() > static_cast<std::size_t>(p.SliceCount))
    p.Ff0Priors = grid.Ff0PriorProbabilities.data();
  return c;
}

RegularizationOutcome RegularizeDistribution(ModelKind kind, int n,
                                             platform::WindowHandle window) {
  auto& neq = NormalEquations;
  neq.RegularizedCount = n;
  if (IsTwoDimensionalModel(kind)) {
    RegularizationContext context = MakeRegularizationContext(kind, n);
    ShowProgressIn(context, window);
    return ScaleRegularization(neq, context);
  }

  // A first amplitude of fixed value is no unknown: the system has n − 1
  // amplitudes, and the priors follow them.
  const bool fixedFirst = NoiseElimination.FixedFirstComponent;
  auto& priors = DistributionGrid.PriorProbabilities;
  const double firstPrior = priors.size() > 1 ? priors[1] : 0.0;
  if (fixedFirst) {
    std::rotate(priors.begin() + 1, priors.begin() + 2, priors.end());
    neq.RegularizedCount = n - 1;
  }
  RegularizationContext context = MakeRegularizationContext(kind, neq.RegularizedCount);
  ShowProgressIn(context, window);
  // Inside a search the lines come only with the evaluations that
  // regularise (a fit's last one, a Monte Carlo base fit).
  const auto& flags = DistributionRunFlags;
  const bool logged = !flags.InNonlinearSearch || flags.FinalEvaluation || flags.MonteCarloRunning;
  if (logged) LogDistributionStep(window, "\nStarting Regularization");
  const auto& type = DistributionSettings.RegularizationType;
  RegularizationOutcome outcome;
  if (type.BothRegularizations) {
    ScaleRegularization(neq, context);
    for (int i = 1; i <= n; ++i) neq.SavedTikhonovSolution[i] = neq.DistSolution[i];
    outcome = MaxEntRegularization(neq, context);
  } else if (type.MaxEntRegularizationOn) {
    outcome = MaxEntRegularization(neq, context);
  } else {
    outcome = ScaleRegularization(neq, context);
  }
  if (logged) LogDistributionStep(window, " --> DONE");
  // The buffer of the mismatch model was solved at unit amplitude: its
  // amplitude is the buffer signal.
  if (BufferTermInKernel(kind) && !fixedFirst && n >= 1)
    CorrectionOptions.BufferMismatch.BufferSignal = neq.DistSolution[1];
  if (fixedFirst) {
    const double value = NoiseElimination.FixedFirstValue;
    ShiftUp(neq.DistSolution, n, value);
    if (type.BothRegularizations) ShiftUp(neq.SavedTikhonovSolution, n, value);
    std::rotate(priors.begin() + 1, priors.end() - 1, priors.end());
    priors[1] = firstPrior;
  }
  return outcome;
}

void SimulateFromDistribution(int n) {
  auto& neq = NormalEquations;
  auto& r = DistributionResult;
  for (int i = 1; i <= n; ++i) {
    const auto p = static_cast<std::size_t>(i);
    neq.DistSolution[i] = r.DistValues[p];
    neq.SavedTikhonovSolution[i] = 0.0;
    r.DistSecondValues[p] = 0.0f;
  }
  auto& d = ScanDataSet;
  float*** kernel = DistKernel.get();
  for (int position = 1; position <= d.NFILES; ++position) {
    const int j = d.ScanTimeOrder[position];
    const int points = d.ScanPointCount[j];
    const int covered = std::min(points, DistKernel.RadiusCount());
    float* model = d.ScanModel[j].data();
    std::fill(model + 1, model + points + 1, 0.0f);
    for (int i = 1; i <= n; ++i) {
      const float a = static_cast<float>(neq.DistSolution[i]);
      const float* column = kernel[i][j];
      for (int k = 1; k <= covered; ++k) model[k] += a * column[k];
    }
  }
  DistributionDensity();
  FreeKernelArray();
  FreeNormalEqArrays();
  if (StoredDistributionServices.RenderDistributionPlot)
    StoredDistributionServices.RenderDistributionPlot();
}
