// ls-g*(s) of successive groups of scans, cut into equal-area fractions
// whose s is extrapolated against 1/sqrt(t) to infinite time.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetServices.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "distributions/ContiGrid.h"
#include "distributions/ContiKernel.h"
#include "distributions/ContiRunSolve.h"
#include "distributions/DistributionArrays.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "models/FitResultDisplay.h"
#include "models/NelderMead.h"
#include "models/ParameterPacking.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "numerics/RandomNumbers.h"
#include "numerics/Resampling.h"
#include "tools/BoundaryAnalysis.h"
#include "tools/BoundaryCentring.h"
#include "ui/Boxes.h"

namespace {

void Message(platform::WindowHandle window, const std::string& text) {
  platform::Current().ShowMessageBox(
      {window, text, "", platform::BoxIcon::None, platform::BoxButtons::Ok});
}

void Progress(int x, int y, const std::string& text) {
  if (BoundaryAnalysisLinks.Text) BoundaryAnalysisLinks.Text(x, y, text);
}

// The two progress lines: simplex run and evaluation count, and the rmsd of
// the last evaluation of the boundary model with its points and sum of
// squares.
void ShowLsgProgressLines() {
  const auto& f = FitControl;
  Progress(10, 30, FormatText("s%d, step #%d     ", f.OptimizerStep, f.EvaluationCount));
  const double rmsd = f.CurrentRmsd, n = f.FitPointCount;
  Progress(10, 50, FormatText("rmsd=%f (n=%.0f,SSR=%f)     ", rmsd, n, n * rmsd * rmsd));
}

double Omega2OfLastScan() {
  const auto& d = ScanDataSet;
  const double omega = d.ScanHeaders[d.ScanTimeOrder[d.NFILES]].Rpm * 2.0 * std::numbers::pi / 60.0;
  return omega * omega;
}

double TimeAt(int position) {
  const auto& d = ScanDataSet;
  return d.ScanHeaders[d.ScanTimeOrder[position]].Time;
}

struct Run {
  std::vector<float> s;  // [1..n]
  int n = 0;
  double omega2 = 0.0;
  int first = 0, last = 0, radii = 0;  // grid fit range
  std::vector<std::vector<double>> steps;  // [k][1..r]
  std::vector<double> stepTimes;         // [k], 1-based
};

const float* GridRadii(const Run& run) {
  return CommonRadialGrid.CommonGrid + run.first - 1;
}

// The ls-g*(s) of the scans at time-order positions first..last; false
// when a key interrupted it.
bool LsgStepDistribution(platform::WindowHandle window, const Run& run, int first, int last,
                         std::vector<float>& values) {
  auto& fc = FitControl;
  if (KeyPressed()) fc.FitAbort = true;
  if (fc.FitAbort) return false;
  const int f = last - first + 1, R = run.radii, n = run.n;
  const auto& g = CommonRadialGrid;
  const CentringMode mode = CurrentCentringMode();
  Rows y(f, std::vector<double>(R + 1));
  for (int j = 0; j < f; ++j)
    for (int k = 1; k <= R; ++k)
      y[j][k] = g.ResampledSignals[ScanDataSet.ScanTimeOrder[first + j]][run.first + k - 1];
  Centre(y, mode);
  std::vector<Rows> kernel(n + 1);
  std::vector<float> column(R + 1);
  for (int i = 1; i <= n; ++i) {
    kernel[i].assign(f, std::vector<double>(R + 1));
    const double s = run.s[i];
    const StepBoundarySetup setup = CurrentStepBoundarySetup(s * run.omega2 * 1e-13, s);
    for (int j = 0; j < f; ++j) {
      StepBoundaryKernel(setup, 1.0, TimeAt(first + j), GridRadii(run), column.data(), R);
      for (int k = 1; k <= R; ++k) kernel[i][j][k] = column[k];
    }
    Centre(kernel[i], mode);
  }
  NormalEquationArrays neq;
  if (!neq.Allocate(n, f, R)) return false;
  for (int i = 1; i <= n; ++i) {
    for (int l = i; l <= n; ++l) {
      double sum = 0.0;
      for (int j = 0; j < f; ++j)
        for (int k = 1; k <= R; ++k) sum += kernel[i][j][k] * kernel[l][j][k];
      neq.NormalMatrix[i][l] = neq.NormalMatrix[l][i] = sum;
    }
    double b = 0.0;
    for (int j = 0; j < f; ++j)
      for (int k = 1; k <= R; ++k) b += kernel[i][j][k] * y[j][k];
    neq.NormalVector[i] = b;
  }
  double yy = 0.0;
  for (int j = 0; j < f; ++j)
    for (int k = 1; k <= R; ++k) yy += y[j][k] * y[j][k];
  neq.DataSquareSum = yy;
  neq.RegularizedCount = n;
  RegularizationContext context = MakeRegularizationContext(ModelKind::LsGStar, n);
  context.ScanCount = f;
  context.FitPointCount = R;
  context.InfoAndWizardMessages = false;
  ScaleRegularization(neq, context);
  if (KeyPressed()) fc.FitAbort = true;
  if (fc.FitAbort) return false;

  // Nothing can have sedimented beyond the end of the fit range by the
  // step's first scan.
  const double sLimit =
      std::log(g.CommonGrid[run.last] / ModelParameters.Meniscus) * 1e13 /
      (run.omega2 * TimeAt(first));
  values.assign(n + 1, 0.0f);
  double total = 0.0;
  for (int i = 1; i <= n; ++i) {
    const double v = neq.DistSolution[i];
    values[i] = run.s[i] > sLimit || !std::isfinite(v) ? 0.0f : static_cast<float>(v);
    total += values[i];
  }
  const double area = IntegrateTabulated(run.s.data(), values.data(), run.s[1], run.s[n], n);
  if (area > 0.0 && total > 0.0)
    for (int i = 1; i <= n; ++i) values[i] = static_cast<float>(values[i] * total / area);
  (void)window;
  return true;
}

// The total area of the step's distribution; fills the s of every fraction.
double LsgStepFractions(const Run& run, const std::vector<float>& values, int r,
                        std::vector<double>& fractions) {
  const int n = run.n;
  const double total = IntegrateTabulated(run.s.data(), values.data(), run.s[1], run.s[n], n);
  fractions.assign(r + 1, 0.0);
  for (int j = 1; j <= r; ++j)
    fractions[j] = InverseCumulativeArea((j - 0.5) * total / r, run.s.data(), values.data(),
                                         run.s[1], n);
  return total;
}

// The model of all scans from the extrapolation lines: a step of equal
// height per fraction at each fraction's boundary, radially diluted, its
// amplitude fitted with the noise of the model. Returns the rmsd.
double LsgBoundaryModel(const Run& run, const std::vector<double>& slopes,
                        const std::vector<double>& intercepts) {
  auto& d = ScanDataSet;
  const auto& g = CommonRadialGrid;
  const int r = static_cast<int>(slopes.size()) - 1, R = run.radii, N = d.NFILES;
  const double meniscus = ModelParameters.Meniscus;
  Rows unit(N, std::vector<double>(R + 1, 0.0));
  Rows data(N, std::vector<double>(R + 1, 0.0));
  for (int i = 1; i <= N; ++i) {
    const double t = d.ScanHeaders[i].Time, b = run.omega2 * t;
    for (int j = 1; j <= r; ++j) {
      const double sigma = (slopes[j] / std::sqrt(t) + intercepts[j]) * b * 1e-13;
      const double boundary = meniscus * std::exp(sigma);
      const double height = std::exp(-2.0 * sigma) / r;
      for (int k = R; k >= 1 && g.CommonGrid[run.first + k - 1] > boundary; --k)
        unit[i - 1][k] += height;
    }
    for (int k = 1; k <= R; ++k) data[i - 1][k] = g.ResampledSignals[i][run.first + k - 1];
  }
  const CentringMode mode = CurrentCentringMode();
  Rows cu = unit, cy = data;
  Centre(cu, mode);
  Centre(cy, mode);
  double num = 0.0, den = 0.0;
  for (int i = 0; i < N; ++i)
    for (int k = 1; k <= R; ++k) {
      num += cu[i][k] * cy[i][k];
      den += cu[i][k] * cu[i][k];
    }
  const double c = den > 0.0 ? std::max(0.0, num / den) : 0.0;
  LsgExtrapolationSettings.LoadingAmount = c;
  // The model on the grid: the fitted steps plus the noise that the
  // centring took out of the residuals.
  Rows model(N, std::vector<double>(R + 1, 0.0));
  Rows residual(N, std::vector<double>(R + 1, 0.0));
  for (int i = 0; i < N; ++i)
    for (int k = 1; k <= R; ++k) residual[i][k] = data[i][k] - c * unit[i][k];
  Rows centred = residual;
  Centre(centred, mode);
  double sum = 0.0;
  for (int i = 0; i < N; ++i)
    for (int k = 1; k <= R; ++k) {
      model[i][k] = c * unit[i][k] + residual[i][k] - centred[i][k];
      sum += centred[i][k] * centred[i][k];
    }
  std::vector<float> gridRadii(R + 1), row(R + 1);
  for (int k = 1; k <= R; ++k) gridRadii[k] = g.CommonGrid[run.first + k - 1];
  for (int i = 1; i <= N; ++i) {
    for (int k = 1; k <= R; ++k) row[k] = static_cast<float>(model[i - 1][k]);
    const int count = d.ScanPointCount[i];
    if (d.ScanModel[i].size() < count) d.ScanModel[i].Resize(1, count);
    ResampleCurve(count, d.ScanRadius[i].data(), d.ScanModel[i].data(), R, gridRadii.data(),
                  row.data());
  }
  const double rmsd = N * R > 0 ? std::sqrt(sum / (N * R)) : 0.0;
  FitControl.CurrentRmsd = static_cast<float>(rmsd);
  FitControl.FitPointCount = static_cast<float>(N * R);
  return rmsd;
}

// Refines each fraction's line by a two-parameter simplex on the boundary
// model of all scans, the other lines held; two passes.
void LsgExtrapolationFit(const Run& run, std::vector<double>& slopes,
                         std::vector<double>& intercepts) {
  auto& fc = FitControl;
  const int r = static_cast<int>(slopes.size()) - 1;
  double best = LsgBoundaryModel(run, slopes, intercepts);
  ShowLsgStepResult();
  for (int pass = 0; pass < 2 && !fc.FitAbort; ++pass) {
    for (int j = 1; j <= r && !fc.FitAbort; ++j) {
      for (int restart = 0; restart < 20 && !fc.FitAbort; ++restart) {
        float p[4][3] = {};
        float* rows[4] = {nullptr, p[1], p[2], p[3]};
        p[1][1] = static_cast<float>(intercepts[j]);
        p[1][2] = static_cast<float>(slopes[j]);
        for (int v = 2; v <= 3; ++v) {
          p[v][1] = p[1][1] + GaussianRandom(0.01f * std::fabs(p[1][1]) + 1e-6f);
          p[v][2] = p[1][2] + GaussianRandom(0.01f * std::fabs(p[1][2]) + 1e-6f);
        }
        const FitObjective objective = [&](float* point) -> float {
          if (KeyPressed()) fc.FitAbort = true;
          if (fc.FitAbort) return 1e10f;
          std::vector<double> a = intercepts, b = slopes;
          a[j] = point[1];
          b[j] = point[2];
          return static_cast<float>(LsgBoundaryModel(run, b, a));
        };
        float y[4] = {0.0f, objective(p[1]), objective(p[2]), objective(p[3])};
        int evaluations = 0;
        NelderMead(rows, y, 2, 0.0005f, objective, evaluations,
                   [](float*, float) { ShowLsgProgress(); });
        if (y[1] < best) {
          const double change = (best - y[1]) / std::max(1e-30, best);
          best = y[1];
          intercepts[j] = p[1][1];
          slopes[j] = p[1][2];
          if (change <= 0.001) break;
        } else {
          break;
        }
      }
    }
  }
  fc.FitAbort = false;
  LsgBoundaryModel(run, slopes, intercepts);
}

}  // namespace

void ShowLsgProgress() {
  ++FitControl.EvaluationCount;
  ShowLsgProgressLines();
}

void ShowLsgStepResult() {
  // The fit-status lines go: blanks as long as each drawn line (no wider,
  // so the plots beside them stay), and the record emptied.
  for (int k = 0; k < FitResultLineCount; ++k) {
    std::string& text = FitResultLines.Text[static_cast<std::size_t>(k)];
    if (FitResultLines.Drawn[static_cast<std::size_t>(k)] && !text.empty())
      Progress(FitResultLineX, FitResultLineY(k), std::string(text.size(), ' '));
    text.clear();
    FitResultLines.Drawn[static_cast<std::size_t>(k)] = false;
  }
  ShowLsgProgressLines();
  Progress(10, 110, FormatText("loccload = %.3f", LsgExtrapolationSettings.LoadingAmount));
  Progress(10, 230,
           FormatText("Runs test Z (#stddev) = %.2f", static_cast<double>(ScanRunsTestZ())));
}

bool RunLsgExtrapolation(platform::WindowHandle window) {
  auto& fc = FitControl;
  auto& d = ScanDataSet;
  auto& m = ModelParameters;
  auto& settings = LsgExtrapolationSettings;
  fc.FitAbort = false;
  if (d.NFILES < 1) return false;
  if (m.Meniscus == 0.0f || m.Bottom == 0.0f) {
    Message(window, "set Meniscus and Bottom first");
    return false;
  }
  if (d.FitLeftLim == 0.0f) {
    d.FitLeftLim = m.Meniscus;
    SetFirstFitIndex();
  }
  if (d.FitRightLim == 0.0f) {
    d.FitRightLim = m.Bottom;
    SetLastFitIndex();
  }
  UnpackParameterVector();
  const int f = std::max(2, settings.ScansPerStep);
  const int r = std::max(1, settings.Fractions);
  const std::vector<int> starts = LsgStepStarts(d.NFILES, f, settings.ConsecutiveSteps);
  const int steps = static_cast<int>(starts.size());
  // A line through fewer than two steps says nothing about infinite time.
  if (steps < 2) {
    Message(window, FormatText("the extrapolation needs at least 2 steps of %d scans - load more "
                               "scans or take fewer scans per step",
                               f));
    return false;
  }
  const auto& g = CommonRadialGrid;
  if (g.CommonGridSize < 2) SetupCommonRadialGrid();
  Run run;
  run.omega2 = Omega2OfLastScan();
  run.first = std::max(1, g.GridFirstFitIndex);
  run.last = std::min(g.CommonGridSize, g.GridLastFitIndex);
  run.radii = run.last - run.first + 1;
  DistributionSettings.DistGridSize = static_cast<int>(std::floor(DistributionSettings.Resolution));
  if (run.radii < 2 || !MakeGridPoints()) return false;
  run.n = DistributionSettings.DistGridSize;
  auto& result = DistributionResult;
  if (run.n < 2 || static_cast<int>(result.DistSGrid.size()) <= run.n) return false;
  run.s.assign(result.DistSGrid.begin(), result.DistSGrid.begin() + run.n + 1);

  FreeExtrapolationData();
  auto& kept = LsgStepDistributions;
  kept = LsgStepDistributionsRecord{};
  kept.SGrid = run.s;
  kept.Points = run.n;
  run.stepTimes.assign(steps + 1, 0.0);
  run.steps.assign(steps + 1, {});
  double totalArea = 0.0;
  std::vector<float> values;
  for (int k = 1; k <= steps; ++k) {
    const int p = starts[k - 1];
    settings.CurrentStep = k;
    double sum = 0.0;
    for (int q = p; q < p + f; ++q) sum += TimeAt(q);
    run.stepTimes[k] = sum / f;
    Progress(10, 30, FormatText("step %d of %d      ", k, steps));
    if (!LsgStepDistribution(window, run, p, p + f - 1, values)) return false;
    kept.Values.push_back(values);
    if (BoundaryAnalysisLinks.StepShown) BoundaryAnalysisLinks.StepShown(run.s, values);
    totalArea += LsgStepFractions(run, values, r, run.steps[k]);
  }
  settings.LoadingAmount = totalArea / steps;

  std::vector<double> intercepts(r + 1, 0.0), slopes(r + 1, 0.0), x(steps + 1), y(steps + 1);
  for (int k = 1; k <= steps; ++k) x[k] = 1.0 / std::sqrt(run.stepTimes[k]);
  for (int j = 1; j <= r; ++j) {
    for (int k = 1; k <= steps; ++k) y[k] = run.steps[k][j];
    LinearRegression(intercepts[j], slopes[j], x.data(), y.data(), steps);
  }
  if (settings.FitFractions)
    LsgExtrapolationFit(run, slopes, intercepts);
  else
    LsgBoundaryModel(run, slopes, intercepts);
  UpdateResiduals(false);
  ScanRmsd();
  // The boundary model has fitted the loading to all scans; the mean area of
  // the step distributions was only its start.
  const double loading = settings.LoadingAmount;

  auto& e = ExtrapolationData;
  e.Rows = steps;
  e.Fractions = r;
  e.Times = run.stepTimes;
  e.SValues = run.steps;
  e.Intercepts = intercepts;
  e.Slopes = slopes;
  settings.PlotShown = settings.ShowPlot;

  const int size = std::max(run.n, r);
  ResizeDistributionGrids(size);
  DistributionSettings.DistGridSize = size;
  for (int j = 1; j <= size; ++j) {
    const int jj = std::min(j, r);
    result.DistSGrid[j] = static_cast<float>(intercepts[jj]);
    result.DistValues[j] = static_cast<float>(jj * loading / (r + 1));
  }
  return true;
}
