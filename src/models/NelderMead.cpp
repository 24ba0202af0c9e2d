#include "models/NelderMead.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "state/ProgramFlags.h"
#include "models/SimplexVertices.h"
#include "state/FitControl.h"
#include "numerics/OneBasedArrays.h"
#include "ui/Boxes.h"

namespace {

// Serial-fit problem code of a run that used up its evaluations.
constexpr int NotConvergedProblemCode = 10;

struct Ranking {
  int ilo = 1, ihi = 1, inhi = 1;
};

// Best (the last of equal minima), worst and second-worst vertex.
Ranking RankVertices(const float* y, int n) {
  Ranking r;
  if (y[1] > y[2]) {
    r.ihi = 1;
    r.inhi = 2;
  } else {
    r.ihi = 2;
    r.inhi = 1;
  }
  for (int i = 1; i <= n + 1; ++i) {
    if (y[i] <= y[r.ilo]) r.ilo = i;
    if (y[i] > y[r.ihi]) {
      r.inhi = r.ihi;
      r.ihi = i;
    } else if (y[i] > y[r.inhi] && i != r.ihi) {
      r.inhi = i;
    }
  }
  return r;
}

// True when every vertex agrees with the best one to within
// SimplexCollapseTolerance, relative to the best vertex's coordinate, or
// absolute where that coordinate is 0.
bool SimplexCollapsedOnto(float** p, int n, int ilo) {
  for (int j = 1; j <= n; ++j) {
    const float best = p[ilo][j];
    for (int k = 1; k <= n + 1; ++k) {
      const float spread = best == 0.0f ? std::fabs(p[k][j]) : std::fabs((p[k][j] - best) / best);
      if (spread > SimplexCollapseTolerance) return false;
    }
  }
  return true;
}

// The spread of the vertices along coordinate j.
float Extent(float** p, int n, int j) {
  float lo = p[1][j], hi = p[1][j];
  for (int i = 2; i <= n + 1; ++i) {
    lo = std::min(lo, p[i][j]);
    hi = std::max(hi, p[i][j]);
  }
  return hi - lo;
}

// True when the simplex spans at most half its initial extent along every
// coordinate it spanned.
bool Contracted(float** p, int n, const float* initialExtent) {
  for (int j = 1; j <= n; ++j)
    if (Extent(p, n, j) > 0.5f * initialExtent[j]) return false;
  return true;
}

void ReportNotConverged() {
  if (RedrawSuppressed)
    SerialFitErrorCode = NotConvergedProblemCode;
  else
    ErrorBox("Nelder-Mead not converged");
}

}  // namespace

float NelderMeadTrial(float** p, float* y, float* psum, int n, const FitObjective& objective,
                      int ihi, float factor) {
  OneBasedArray<float> trial(1, n);
  SimplexTrialPoint(p, psum, n, ihi, factor, trial.data());
  const float ytry = objective(trial.data());
  if (ytry < y[ihi]) ReplaceVertex(p, y, psum, n, ihi, trial.data(), ytry);
  return ytry;
}

void NelderMead(float** p, float* y, int n, float ftol, const FitObjective& objective,
                int& evaluations, const ShowBestVertex& showBest, bool untilContracted) {
  assert(n >= 1);
  FitControl.SimplexCollapsed = false;
  ++FitControl.OptimizerStep;
  FitControl.EvaluationCount = 0;
  evaluations = 0;
  OneBasedArray<float> psum(1, n);
  SumVertices(p, n, psum.data());
  OneBasedArray<float> initialExtent(1, n);
  if (untilContracted)
    for (int j = 1; j <= n; ++j) initialExtent[j] = Extent(p, n, j);

  while (!FitControl.FitAbort) {
    const Ranking r = RankVertices(y, n);
    if (showBest) showBest(p[r.ilo], y[r.ilo]);

    const double hi = y[r.ihi], lo = y[r.ilo];
    const float rtol =
        static_cast<float>(2.0 * std::fabs(hi - lo) / (std::fabs(hi) + std::fabs(lo)));
    if (rtol < ftol && (!untilContracted || evaluations >= NelderMeadWalkEvaluations * n ||
                        Contracted(p, n, initialExtent.data())))
      break;
    if (evaluations >= NelderMeadMaxEvaluations) {
      ReportNotConverged();
      break;
    }
    if (SimplexCollapsedOnto(p, n, r.ilo)) {
      FitControl.SimplexCollapsed = true;
      break;
    }

    evaluations += 2;
    float ytry = NelderMeadTrial(p, y, psum.data(), n, objective, r.ihi, -1.0f);
    if (ytry <= y[r.ilo]) {
      NelderMeadTrial(p, y, psum.data(), n, objective, r.ihi, 2.0f);
    } else if (ytry >= y[r.inhi]) {
      const float ysave = y[r.ihi];
      ytry = NelderMeadTrial(p, y, psum.data(), n, objective, r.ihi, 0.5f);
      if (ytry >= ysave) {
        ShrinkTowardsBest(p, y, psum.data(), n, r.ilo, objective);
        evaluations += n;
      }
    } else {
      --evaluations;
    }
  }
  // However the run ends, the next cycle spreads its fresh simplex around
  // row 1: that must be the best point found, not a vertex left behind.
  MoveVertexToFirstRow(p, y, n, RankVertices(y, n).ilo);
}
