// Closed-form determinants of 2×2 and 3×3 float matrices (one-based).

#include "numerics/LinearSolvers.h"

float Determinant2x2(float** m) {
  return m[1][1] * m[2][2] - m[1][2] * m[2][1];
}

float Determinant3x3(float** m) {
  const float minor1 = m[2][2] * m[3][3] - m[2][3] * m[3][2];
  const float minor2 = m[2][1] * m[3][3] - m[2][3] * m[3][1];
  const float minor3 = m[2][1] * m[3][2] - m[2][2] * m[3][1];
  return m[1][1] * minor1 - m[1][2] * minor2 + m[1][3] * minor3;
}
