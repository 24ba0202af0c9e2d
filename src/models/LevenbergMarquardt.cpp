#include "models/LevenbergMarquardt.h"

#include <cassert>
#include <cmath>
#include <cstdio>
#include <fstream>

#include "state/LoadOptions.h"
#include "state/ProgramFlags.h"
#include "state/ProgramPaths.h"
#include "data/ScanDataSet.h"
#include "state/FitControl.h"
#include "numerics/LinearSolvers.h"
#include "ui/Boxes.h"

MarquardtWorkArraysRecord MarquardtWork;

namespace {

// Serial-fit problem code of a parameter whose trial value equals its value.
constexpr int ZeroDifferentialProblemCode = 9;

void Diagnostics(const MarquardtProblem& problem, const char* discrete, const char* distribution) {
  const char* text = problem.distributionFit ? distribution : discrete;
  if (DebugLog && text[0] != '\0') DebugLog(problem.window, text);
}

void ReportZeroDifferential() {
  if (RedrawSuppressed)
    SerialFitErrorCode = ZeroDifferentialProblemCode;
  else
    ErrorBox("zero differential in mlcof");
}

// Evaluates the objective at the scaled point a.
float EvaluateScaled(const MarquardtProblem& problem, const double* a, int n) {
  MarquardtWorkArraysRecord& w = MarquardtWork;
  for (int i = 1; i <= n; ++i) w.objectivePoint[i] = static_cast<float>(a[i]);
  UnscaleParameters(w.objectivePoint.data(), n);
  return problem.objective(w.objectivePoint.data());
}

// Sums the normal equations of the current derivatives and residuals.
void AccumulateNormalEquations(const int* flags, int n, double** alpha, double* beta,
                               double& chisq) {
  MarquardtWorkArraysRecord& w = MarquardtWork;
  const std::size_t points = w.reference.size();
  for (std::size_t k = 0; k < points; ++k) {
    const double r = static_cast<double>(w.data[k]) - w.reference[k];
    for (int i = 1, j = 0; i <= n; ++i) {
      if (!flags[i]) continue;
      ++j;
      const double dj = w.derivatives[static_cast<std::size_t>(i - 1) * points + k];
      if (dj == 0.0) continue;
      for (int l = 1, m = 0; l <= i; ++l) {
        if (!flags[l]) continue;
        ++m;
        alpha[j][m] += dj * w.derivatives[static_cast<std::size_t>(l - 1) * points + k];
      }
      beta[j] += r * dj;
    }
    chisq += r * r;
  }
}

// The inverse of the m x m matrix a, column by column, into inverse.
void Invert(double** a, int m, double** inverse) {
  MarquardtWorkArraysRecord& w = MarquardtWork;
  OneBasedArray<double> unit(1, m), column(1, m);
  for (int i = 1; i <= m; ++i) {
    for (int k = 1; k <= m; ++k) unit[k] = k == i ? 1.0 : 0.0;
    CholeskyOrLUSolveD(a, unit.data(), m, column.data(), w.solverScratch.data());
    for (int k = 1; k <= m; ++k) inverse[k][i] = column[k];
  }
}

// The final call: the inverse curvature in scaled units, then the curvature,
// gradient and covariance in physical units (a scaled parameter is the
// physical one divided by its scale).
void FinalCovariance(const int* flags, int n, int m) {
  MarquardtWorkArraysRecord& w = MarquardtWork;
  Invert(w.alpha.get(), m, w.scaledInverse.get());
  OneBasedArray<float> scale(1, m);
  for (int i = 1, j = 0; i <= n; ++i)
    if (flags[i]) scale[++j] = w.ParameterScale[i];
  for (int i = 1; i <= m; ++i) {
    if (scale[i] != 0.0f) w.beta[i] /= scale[i];
    for (int j = 1; j <= m; ++j) {
      if (scale[i] != 0.0f) w.alpha[i][j] /= scale[i];
      if (scale[j] != 0.0f) w.alpha[i][j] /= scale[j];
    }
  }
  Invert(w.alpha.get(), m, w.covariance.get());
}

// True when every relative step (absolute where the parameter is 0) is
// within MarquardtStepTolerance: the step is then not taken.
bool StepConverged(const double* a, const int* flags, int n) {
  const MarquardtWorkArraysRecord& w = MarquardtWork;
  for (int j = 1, k = 0; j <= n; ++j) {
    if (!flags[j]) continue;
    ++k;
    const double change = a[j] != 0.0 ? std::fabs(w.da[k] / a[j]) : std::fabs(w.da[k]);
    if (change > MarquardtStepTolerance) return false;
  }
  return true;
}

// atry = a + da, each parameter changed at most MarquardtMaxStepRatio-fold
// (keeping the sign of the proposed value).
void TrialPoint(const double* a, const int* flags, int n) {
  MarquardtWorkArraysRecord& w = MarquardtWork;
  for (int j = 1, k = 0; j <= n; ++j) {
    if (!flags[j]) continue;
    w.atry[j] = a[j] + w.da[++k];
    if (a[j] != 0.0 && std::fabs(w.atry[j] / a[j]) > MarquardtMaxStepRatio) {
      const bool sameSign = (w.atry[j] > 0.0) == (a[j] > 0.0);
      w.atry[j] = (sameSign ? MarquardtMaxStepRatio : -MarquardtMaxStepRatio) * a[j];
    }
  }
}

void ResultPoint(const double* a, float* p, int n) {
  for (int i = 1; i <= n; ++i) p[i] = static_cast<float>(a[i]);
  UnscaleParameters(p, n);
}

}  // namespace

void ScanFitPoints(std::vector<float>& data, std::vector<float>& model) {
  data.clear();
  model.clear();
  for (int scan = 1; scan <= ScanDataSet.NFILES; ++scan) {
    const ScanArray& signal = ScanDataSet.ScanSignal[scan];
    const ScanArray& scanModel = ScanDataSet.ScanModel[scan];
    for (int i = ScanDataSet.ScanFirstFitIndex[scan]; i <= ScanDataSet.ScanLastFitIndex[scan];
         ++i) {
      data.push_back(signal[i]);
      model.push_back(scanModel[i]);
    }
  }
}

int AllocMarquardtArrays(int n) {
  assert(n >= 1);
  FreeMarquardtArrays();
  MarquardtWorkArraysRecord& w = MarquardtWork;
  w.covariance.Resize(1, n, 1, n);
  w.scaledInverse.Resize(1, n, 1, n);
  w.alpha.Resize(1, n, 1, n);
  for (OneBasedArray<double>* v : {&w.solverScratch, &w.atry, &w.beta, &w.da, &w.differencePoint,
                                   &w.trial, &w.DerivativeStepFactor, &w.DerivativeStepFloor})
    v->Resize(1, n);
  w.objectivePoint.Resize(1, n);
  w.ParameterScale.Resize(1, n);
  w.flags.Resize(1, n);
  w.parameterCount = n;
  w.allocated = true;
  return 1;
}

void FreeMarquardtArrays() {
  if (!MarquardtWork.allocated) return;
  const double alamda = MarquardtWork.alamda;
  const double chisq = MarquardtWork.MarquardtChiSquare;
  const double rmsd = MarquardtWork.MarquardtRmsd;
  const double points = MarquardtWork.MarquardtPointCount;
  MarquardtWork = MarquardtWorkArraysRecord{};
  // The figures of the last fit stay readable for the status display.
  MarquardtWork.alamda = alamda;
  MarquardtWork.MarquardtChiSquare = chisq;
  MarquardtWork.MarquardtRmsd = rmsd;
  MarquardtWork.MarquardtPointCount = points;
}

void UnscaleParameters(float* p, int n) {
  for (int i = 1; i <= n; ++i)
    if (MarquardtWork.ParameterScale[i] != 0.0f) p[i] *= MarquardtWork.ParameterScale[i];
}

void SetDerivativeTrials(int n, const double* a) {
  MarquardtWorkArraysRecord& w = MarquardtWork;
  for (int i = 1; i <= n; ++i) {
    w.trial[i] = w.DerivativeStepFactor[i] * a[i];
    if (w.trial[i] == 0.0) w.trial[i] = w.DerivativeStepFloor[i];
  }
}

DerivativeStep DiscreteDerivativeStep(int item, bool massInsteadOfD) {
  switch (item) {
    case 0:
      return {1.0005, 0.001};  // a slot of the parameter vector
    case 1:
      return {1.0001, 0.0001};  // partial specific volume
    case 2:
      return {1.001, 0.001};  // excitation cone
    case 3:
      return {1.01, 1e-6};  // Wiener skew
    case 4:
    case 5:
    case 6:
    case 7:
      return {1.001, 0.001};  // kbleach, Alim, drift, convolution
    case 8:
    case 9:
    case 10:
    case 11:
    case 12:
    case 13:
      return {1.0001, 0.0001};  // radial magnification, nonlinear coefficient, JO terms
    case 14:
    case 16:
    case 20:
      return {1.001, 0.001};  // buffer signal, buffer s, reference s
    case 15:
    case 19:
      return {1.01, massInsteadOfD ? 10.0 : 0.1};  // buffer, reference D or Mb
    case 17:
      return {1.0001, 0.001};  // meniscus difference
    case 18:
      return {1.01, 0.01};  // concentration ratio
    default:
      assert(false && "floating items are numbered 0 to 20");
      return {1.0005, 0.001};
  }
}

int SetDiscreteDerivativeSteps(const std::vector<int>& floatingItems) {
  MarquardtWorkArraysRecord& w = MarquardtWork;
  const int n = static_cast<int>(floatingItems.size());
  assert(n <= w.parameterCount);
  for (int i = 1; i <= n; ++i) {
    const DerivativeStep step =
        DiscreteDerivativeStep(floatingItems[i - 1], FitControl.MassInsteadOfD);
    w.DerivativeStepFactor[i] = step.factor;
    w.DerivativeStepFloor[i] = step.floor;
  }
  return n;
}

void mlcof(const MarquardtProblem& problem, const double* a, const int* flags, int n,
           double** alpha, double* beta, double& chisq) {
  MarquardtWorkArraysRecord& w = MarquardtWork;
  Diagnostics(problem, "", "\nEntering Contimlcof");
  int m = 0;
  for (int i = 1; i <= n; ++i)
    if (flags[i]) ++m;
  for (int j = 1; j <= m; ++j) {
    for (int k = 1; k <= j; ++k) alpha[j][k] = 0.0;
    beta[j] = 0.0;
  }
  chisq = 0.0;

  EvaluateScaled(problem, a, n);
  if (FitControl.FitAbort) return;
  problem.fitPoints(w.data, w.reference);
  const std::size_t points = w.reference.size();
  w.MarquardtPointCount = static_cast<double>(points);
  Diagnostics(problem, "", "\nContimlcof simulated and ref is set");

  SetDerivativeTrials(n, a);
  w.derivatives.assign(static_cast<std::size_t>(n) * points, 0.0f);
  for (int i = 1; i <= n; ++i) {
    if (!flags[i]) continue;
    if (problem.progress) problem.progress(static_cast<float>(i) / static_cast<float>(n));
    for (int k = 1; k <= n; ++k) w.differencePoint[k] = a[k];
    w.differencePoint[i] = w.trial[i];
    const double delta = w.trial[i] - a[i];
    if (delta == 0.0) {
      ReportZeroDifferential();
      continue;
    }
    EvaluateScaled(problem, w.differencePoint.data(), n);
    if (FitControl.FitAbort) return;
    problem.fitPoints(w.differenceData, w.differenceModel);
    float* derivative = w.derivatives.data() + static_cast<std::size_t>(i - 1) * points;
    for (std::size_t k = 0; k < points && k < w.differenceModel.size(); ++k)
      derivative[k] = static_cast<float>((w.differenceModel[k] - w.reference[k]) / delta);
  }
  Diagnostics(problem, "", ", partial derivative done");

  AccumulateNormalEquations(flags, n, alpha, beta, chisq);
  Diagnostics(problem, "", ", sosq done");
  for (int j = 2; j <= m; ++j)
    for (int k = 1; k < j; ++k) alpha[k][j] = alpha[j][k];
  w.MarquardtRmsd = points > 0 ? std::sqrt(chisq / static_cast<double>(points)) : 0.0;
  Diagnostics(problem, "", " --> Contimlcof done.");
}

void mlmin(const MarquardtProblem& problem, double* a, const int* flags, int n, double& chisq,
           double& alamda) {
  MarquardtWorkArraysRecord& w = MarquardtWork;
  Diagnostics(problem, "\nEnter mlmin", "\nEntering Contimlmin");
  FitControl.EvaluationCount = 0;
  auto countFlags = [&] {
    w.flaggedCount = 0;
    for (int j = 1; j <= n; ++j)
      if (flags[j]) ++w.flaggedCount;
  };
  if (alamda < 0.0) {
    countFlags();
    alamda = 0.01;
    mlcof(problem, a, flags, n, w.alpha.get(), w.beta.data(), chisq);
    if (FitControl.FitAbort) {
      Diagnostics(problem, "", " --> JUMPOUT");
      return;
    }
    w.oldChiSquare = chisq;
    for (int j = 1; j <= n; ++j) w.atry[j] = a[j];
  }
  if (alamda == 0.0) countFlags();
  const int m = w.flaggedCount;
  for (int j = 1; j <= m; ++j) {
    for (int k = 1; k <= m; ++k) w.covariance[j][k] = w.alpha[j][k];
    w.covariance[j][j] = w.alpha[j][j] * (1.0 + alamda);
  }
  if (alamda == 0.0) {
    FinalCovariance(flags, n, m);
    Diagnostics(problem, "", " --> *alamda=0 out");
    return;
  }

  // A singular damped system still yields a step vector; the search goes on.
  SolveReducedNormalEquationsD(w.covariance.get(), w.beta.data(), m, w.da.data(),
                               w.solverScratch.data());
  w.MarquardtStepConverged = StepConverged(a, flags, n);
  if (w.MarquardtStepConverged) {
    Diagnostics(problem, "", " --> *alambda=0 out or bpdaTooSmall");
    return;
  }
  TrialPoint(a, flags, n);
  mlcof(problem, w.atry.data(), flags, n, w.covariance.get(), w.da.data(), chisq);
  if (FitControl.FitAbort) {
    Diagnostics(problem, "", " --> JUMPOUT");
    return;
  }
  if (chisq < w.oldChiSquare) {
    alamda *= 0.1;
    w.oldChiSquare = chisq;
    for (int j = 1; j <= m; ++j) {
      for (int k = 1; k <= m; ++k) w.alpha[j][k] = w.covariance[j][k];
      w.beta[j] = w.da[j];
    }
    for (int j = 1; j <= n; ++j)
      if (flags[j]) a[j] = w.atry[j];
  } else {
    alamda *= 10.0;
    chisq = w.oldChiSquare;
  }
  Diagnostics(problem, " --> done.", " --> Contimlmin done.");
}

bool MarquardtMinimize(const MarquardtProblem& problem, float* p, int n) {
  MarquardtWorkArraysRecord& w = MarquardtWork;
  assert(w.allocated && n == w.parameterCount);
  OneBasedArray<double> a(1, n);
  for (int i = 1; i <= n; ++i) {
    w.ParameterScale[i] = p[i];
    a[i] = p[i] != 0.0f ? 1.0 : 0.0;
    w.flags[i] = 1;
  }
  FitControl.OptimizerStep = 0;
  FitControl.FitRunning = true;
  w.MarquardtChiSquare = 0.0;
  w.alamda = -1.0;

  mlmin(problem, a.data(), w.flags.data(), n, w.MarquardtChiSquare, w.alamda);
  if (!FitControl.FitAbort && problem.afterSmallStep) problem.afterSmallStep();
  bool smallStepSeen = false, done = false;
  while (!FitControl.FitAbort && !done && FitControl.OptimizerStep < MarquardtMaxIterations) {
    ++FitControl.OptimizerStep;
    const double oldAlamda = w.alamda, oldChiSquare = w.MarquardtChiSquare;
    mlmin(problem, a.data(), w.flags.data(), n, w.MarquardtChiSquare, w.alamda);
    if (w.MarquardtStepConverged) smallStepSeen = true;
    if (FitControl.FitAbort) break;
    const double chisq = w.MarquardtChiSquare;
    const bool accepted = chisq < oldChiSquare && w.alamda <= oldAlamda;
    const bool small =
        accepted && ((oldChiSquare - chisq) / oldChiSquare < MarquardtChiSquareTolerance ||
                     chisq < MarquardtChiSquareFloor);
    if (small) {
      if (smallStepSeen) done = true;
      smallStepSeen = true;
      if (problem.afterSmallStep) problem.afterSmallStep();
    }
  }

  if (FitControl.FitAbort) {
    ResultPoint(a.data(), p, n);
    FitControl.FitAbort = false;
    problem.objective(p);
    FitControl.FitRunning = false;
    return false;
  }
  w.alamda = 0.0;
  mlmin(problem, a.data(), w.flags.data(), n, w.MarquardtChiSquare, w.alamda);
  ResultPoint(a.data(), p, n);
  FitControl.FitRunning = false;
  problem.objective(p);
  return true;
}

bool WriteMarquardtReport(const std::string& path, const float* p, int n) {
  std::ofstream out(path);
  if (!out) return false;
  const MarquardtWorkArraysRecord& w = MarquardtWork;
  auto number = [](const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return std::string(text);
  };
  for (int l = 1; l <= n; ++l) {
    std::string line = std::to_string(l) + ": " + number("%e", p[l]) + "\t(" +
                       number("%e", std::sqrt(w.covariance[l][l])) + ")\t - ";
    for (int m = 1; m <= n; ++m) line += number("%e\t", w.covariance[l][m]);
    out << line << '\n';
  }
  return static_cast<bool>(out);
}

// The path program start and batch runs set; beside the installation when
// nothing set one.
std::string MarquardtReportFile() {
  if (!ProgramPaths.FitReportFile.empty()) return ProgramPaths.FitReportFile;
  return ProgramPaths.InstallationFolder + "mlfitreport.txt";
}
