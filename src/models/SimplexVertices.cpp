#include "models/SimplexVertices.h"

#include <utility>

#include "numerics/OneBasedArrays.h"

void SumVertices(float** p, int n, float* psum) {
  for (int j = 1; j <= n; ++j) {
    float sum = 0.0f;
    for (int i = 1; i <= n + 1; ++i) sum += p[i][j];
    psum[j] = sum;
  }
}

void SimplexTrialPoint(float** p, const float* psum, int n, int ihi, float factor, float* trial) {
  const float f1 = (1.0f - factor) / static_cast<float>(n);
  const float f2 = f1 - factor;
  for (int j = 1; j <= n; ++j) trial[j] = psum[j] * f1 - p[ihi][j] * f2;
}

void ReplaceVertex(float** p, float* y, float* psum, int n, int ihi, const float* trial,
                   float ytry) {
  y[ihi] = ytry;
  for (int j = 1; j <= n; ++j) {
    psum[j] += trial[j] - p[ihi][j];
    p[ihi][j] = trial[j];
  }
}

void ShrinkTowardsBest(float** p, float* y, float* psum, int n, int ilo,
                       const FitObjective& objective) {
  OneBasedArray<float> point(1, n);
  for (int i = 1; i <= n + 1; ++i) {
    if (i == ilo) continue;
    for (int j = 1; j <= n; ++j) {
      p[i][j] = 0.5f * (p[i][j] + p[ilo][j]);
      point[j] = p[i][j];
    }
    y[i] = objective(point.data());
  }
  SumVertices(p, n, psum);
}

void MoveVertexToFirstRow(float** p, float* y, int n, int ilo) {
  std::swap(y[1], y[ilo]);
  for (int j = 1; j <= n; ++j) std::swap(p[1][j], p[ilo][j]);
}
