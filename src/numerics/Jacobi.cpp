#include "numerics/Jacobi.h"

#include <cassert>
#include <cmath>
#include <utility>

#include "numerics/FatalError.h"
#include "numerics/OneBasedArrays.h"

namespace {

constexpr int kMaxSweeps = 50;

// True when adding the small g to |base| leaves it unchanged in the working
// precision: the off-diagonal element is negligible against it.
template <class T>
bool Negligible(T base, T g) {
  const T magnitude = std::fabs(base);
  return magnitude + g == magnitude;
}

template <class T>
void Rotate(T** m, int i, int j, int k, int l, T s, T tau) {
  const T g = m[i][j];
  const T h = m[k][l];
  m[i][j] = g - s * (h + g * tau);
  m[k][l] = h + s * (g - h * tau);
}

template <class T>
T OffDiagonalSum(T** a, int n) {
  T sum = 0;
  for (int p = 1; p < n; ++p)
    for (int q = p + 1; q <= n; ++q) sum += std::fabs(a[p][q]);
  return sum;
}

// Annihilates a[p][q] by one plane rotation, accumulating the shift of the
// diagonal in z and the rotation in v (Rutishauser's tau form keeps the
// rounding small).
template <class T>
void Annihilate(T** a, int n, T* d, T* z, T** v, int p, int q, T g) {
  T h = d[q] - d[p];
  T t;
  if (Negligible(h, g)) {
    t = a[p][q] / h;
  } else {
    const T theta = T(0.5) * h / a[p][q];
    t = T(1) / (std::fabs(theta) + std::sqrt(T(1) + theta * theta));
    if (theta < 0) t = -t;
  }
  const T c = T(1) / std::sqrt(T(1) + t * t);
  const T s = t * c;
  const T tau = s / (T(1) + c);
  h = t * a[p][q];
  z[p] -= h;
  z[q] += h;
  d[p] -= h;
  d[q] += h;
  a[p][q] = 0;
  for (int j = 1; j < p; ++j) Rotate(a, j, p, j, q, s, tau);
  for (int j = p + 1; j < q; ++j) Rotate(a, p, j, j, q, s, tau);
  for (int j = q + 1; j <= n; ++j) Rotate(a, p, j, q, j, s, tau);
  for (int j = 1; j <= n; ++j) Rotate(v, j, p, j, q, s, tau);
}

template <class T>
void CyclicJacobi(T** a, int n, T* d, T** v, int& nrot, const char* failure) {
  assert(n >= 1);
  OneBasedArray<T> b(1, n), z(1, n);
  for (int p = 1; p <= n; ++p) {
    for (int q = 1; q <= n; ++q) v[p][q] = 0;
    v[p][p] = 1;
    b[p] = d[p] = a[p][p];
  }
  nrot = 0;
  for (int sweep = 1; sweep <= kMaxSweeps; ++sweep) {
    const T sum = OffDiagonalSum(a, n);
    if (sum == T(0)) return;
    const T threshold = sweep < 4 ? T(0.2) * sum / (static_cast<T>(n) * static_cast<T>(n)) : T(0);
    for (int p = 1; p < n; ++p) {
      for (int q = p + 1; q <= n; ++q) {
        const T g = 100 * std::fabs(a[p][q]);
        if (sweep > 4 && Negligible(d[p], g) && Negligible(d[q], g)) {
          a[p][q] = 0;
        } else if (std::fabs(a[p][q]) > threshold) {
          Annihilate(a, n, d, z.data(), v, p, q, g);
          ++nrot;
        }
      }
    }
    for (int p = 1; p <= n; ++p) {
      b[p] += z[p];
      d[p] = b[p];
      z[p] = 0;
    }
  }
  FatalError(failure);
}

// Selection sort: for each place the largest remaining value (the last one
// found among equals) is exchanged into it, the columns of v alongside.
template <class T>
void SortDescending(T* d, T** v, int n) {
  for (int i = 1; i < n; ++i) {
    int k = i;
    T largest = d[i];
    for (int j = i + 1; j <= n; ++j) {
      if (d[j] >= largest) {
        k = j;
        largest = d[j];
      }
    }
    if (k == i) continue;
    d[k] = d[i];
    d[i] = largest;
    for (int j = 1; j <= n; ++j) std::swap(v[j][i], v[j][k]);
  }
}

}  // namespace

void jacobi(float** a, int n, float* d, float** v, int& nrot) {
  CyclicJacobi(a, n, d, v, nrot, "Too many iterations in routine jacobi");
}

void djacobi(double** a, int n, double* d, double** v, int& nrot) {
  CyclicJacobi(a, n, d, v, nrot, "Too many iterations in routine djacobi");
}

void sorteig(float* d, float** v, int n) {
  SortDescending(d, v, n);
}

void dsorteig(double* d, double** v, int n) {
  SortDescending(d, v, n);
}
