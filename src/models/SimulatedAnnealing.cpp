#include "models/SimulatedAnnealing.h"

#include <cassert>
#include <cmath>

#include "state/ProgramFlags.h"
#include "models/SimplexVertices.h"
#include "state/FitControl.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/RandomNumbers.h"
#include "ui/Boxes.h"

namespace {

// ln(u) of a uniform deviate u in (0, 1): a negative number whose negative
// is exponentially distributed with mean 1.
float LogUniform() {
  return std::log(SeededUniformRandom(FitControl.AnnealSeed));
}

struct FluctuatedRanking {
  int ilo = 1, ihi = 2;
  float ylo = 0.0f, ynhi = 0.0f, yhi = 0.0f;
};

// Best, worst and second-worst vertex by values that each carry their own
// thermal disturbance (a positive one, of mean T * ybest).
FluctuatedRanking RankFluctuated(const float* y, int n, float tt) {
  FluctuatedRanking r;
  r.ylo = r.ynhi = y[1] + tt * LogUniform();
  r.yhi = y[2] + tt * LogUniform();
  if (r.ylo > r.yhi) {
    r.ihi = 1;
    r.ilo = 2;
    r.ynhi = r.yhi;
    r.yhi = r.ylo;
    r.ylo = r.ynhi;
  }
  for (int i = 3; i <= n + 1; ++i) {
    const float yt = y[i] + tt * LogUniform();
    if (yt <= r.ylo) {
      r.ilo = i;
      r.ylo = yt;
    }
    if (yt > r.yhi) {
      r.ynhi = r.yhi;
      r.ihi = i;
      r.yhi = yt;
    } else if (yt > r.ynhi) {
      r.ynhi = yt;
    }
  }
  return r;
}

}  // namespace

float AnnealSimplexTrial(float tt, float** p, float* y, float* psum, int n, float* pbest,
                         float& ybest, const FitObjective& objective, int ihi, float& yhi,
                         float factor) {
  OneBasedArray<float> trial(1, n);
  SimplexTrialPoint(p, psum, n, ihi, factor, trial.data());
  const float ytry = objective(trial.data());
  if (ytry <= ybest) {
    for (int j = 1; j <= n; ++j) pbest[j] = trial[j];
    ybest = ytry;
  }
  // The trial competes with a disturbance of the opposite sign to the
  // vertices' own, so that uphill moves are taken at a finite temperature.
  const float yflu = ytry - tt * LogUniform();
  if (yflu < yhi) {
    ReplaceVertex(p, y, psum, n, ihi, trial.data(), ytry);
    yhi = yflu;
  }
  return yflu;
}

void AnnealSimplex(float T, float** p, float* y, int n, float* pbest, float& ybest, float ftol,
                   const FitObjective& objective, int& iterations, const ShowBestVertex& showBest) {
  assert(n >= 1);
  FitControl.EvaluationCount = 0;
  const float tt = -T * ybest;
  OneBasedArray<float> psum(1, n);
  SumVertices(p, n, psum.data());

  while (!FitControl.FitAbort) {
    FluctuatedRanking r = RankFluctuated(y, n, tt);
    if (showBest) showBest(p[r.ilo], y[r.ilo]);

    const double hi = r.yhi, lo = r.ylo;
    const float rtol =
        static_cast<float>(2.0 * std::fabs(hi - lo) / (std::fabs(hi) + std::fabs(lo)));
    if (rtol < ftol || iterations < 0) {
      MoveVertexToFirstRow(p, y, n, r.ilo);
      return;
    }

    iterations -= 2;
    float ytry =
        AnnealSimplexTrial(tt, p, y, psum.data(), n, pbest, ybest, objective, r.ihi, r.yhi, -1.0f);
    if (ytry <= r.ylo) {
      AnnealSimplexTrial(tt, p, y, psum.data(), n, pbest, ybest, objective, r.ihi, r.yhi, 2.0f);
    } else if (ytry >= r.ynhi) {
      const float ysave = r.yhi;
      ytry =
          AnnealSimplexTrial(tt, p, y, psum.data(), n, pbest, ybest, objective, r.ihi, r.yhi, 0.5f);
      if (ytry >= ysave) {
        // These evaluations do not update the best point.
        ShrinkTowardsBest(p, y, psum.data(), n, r.ilo, objective);
        iterations -= n;
      }
    } else {
      ++iterations;
    }
  }
}

float AnnealScheduleTemperature(int i, int steps, float start) {
  assert(steps >= MinimumAnnealSteps && i >= 0 && i < steps);
  const float fall = 1.0f - static_cast<float>(i) / static_cast<float>(steps - 1);
  return start * fall * fall;
}

bool AnnealStepsAccepted() {
  if (FitControl.AnnealSteps >= MinimumAnnealSteps) return true;
  if (!RedrawSuppressed) ErrorBox("simulated annealing needs at least 2 temperature steps");
  return false;
}

bool RunAnnealSchedule(float** p, float* y, int n, float* pbest, float& ybest, float ftol,
                       const FitObjective& objective, const ShowBestVertex& showBest) {
  if (!AnnealStepsAccepted()) return false;
  FitControl.AnnealSeed = -3;
  SeededUniformRandom(FitControl.AnnealSeed);
  const int steps = FitControl.AnnealSteps;
  for (int i = 0; i < steps && !FitControl.FitAbort; ++i) {
    ++FitControl.OptimizerStep;
    FitControl.EvaluationCount = 0;
    int iterations = FitControl.AnnealIterations;
    const float T = AnnealScheduleTemperature(i, steps, FitControl.AnnealStartTemperature);
    FitControl.AnnealTemperature = T;
    AnnealSimplex(T, p, y, n, pbest, ybest, ftol, objective, iterations, showBest);
    if (iterations > 0) break;
  }
  return true;
}

bool AnnealMinimize(const AnnealProblem& problem, float* point, int n, float ftol) {
  assert(n >= 1);
  if (!AnnealStepsAccepted()) return false;
  OneBasedMatrix<float> p(1, n + 1, 1, n);
  OneBasedArray<float> y(1, n + 1), pbest(1, n);
  for (int j = 1; j <= n; ++j) p[1][j] = point[j];
  problem.initialSimplex(n, p.get());
  for (int i = n + 1; i >= 1; --i) y[i] = problem.objective(p[i]);

  int b = 1;
  for (int i = 2; i <= n + 1; ++i)
    if (y[i] < y[b]) b = i;
  float ybest = y[b];
  problem.applyPoint(p[b]);
  problem.readPoint(pbest.data());

  RunAnnealSchedule(p.get(), y.data(), n, pbest.data(), ybest, ftol, problem.objective,
                    problem.showBest);

  FitControl.FitRunning = false;
  FitControl.FitAbort = false;
  problem.applyPoint(pbest.data());
  problem.objective(pbest.data());
  for (int j = 1; j <= n; ++j) point[j] = pbest[j];
  return true;
}
