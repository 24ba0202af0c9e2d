#include "numerics/OneBasedArrays.h"

#include <cstdlib>
#include <cstring>

#include "numerics/FatalError.h"

namespace {

// Position in the block of the element addressed by the lower bound. It is
// at least 1 (slot 0 is the spare one below), and for lower bounds above 1
// the block is padded so that the handle itself stays inside the block.
inline std::size_t FirstSlot(int lower) {
  return lower > 1 ? static_cast<std::size_t>(lower) : 1;
}

// Handle offset: handle = block + HandleOffset(lower), so handle[lower] is
// block[FirstSlot(lower)].
inline std::size_t HandleOffset(int lower) {
  return static_cast<std::size_t>(static_cast<long>(FirstSlot(lower)) - lower);
}

template <class T>
T* AllocateVector(int nl, int nh, int spareAbove, bool clear, const char* message) {
  const std::size_t count =
      FirstSlot(nl) + static_cast<std::size_t>(nh - nl + 1) + static_cast<std::size_t>(spareAbove);
  void* block = clear ? std::calloc(count, sizeof(T)) : std::malloc(count * sizeof(T));
  if (block == nullptr) FatalError(message);
  return static_cast<T*>(block) + HandleOffset(nl);
}

template <class T>
void FreeVector(T* v, int nl) {
  if (v == nullptr) return;
  std::free(v - HandleOffset(nl));
}

// Slots for n row (or column) pointers. The allocators always store the
// pointer of the first row, which the releasers read back, so a matrix
// without rows still gets that one slot.
inline std::size_t PointerSlots(std::size_t n) {
  return n > 0 ? n : 1;
}

template <class T>
T** AllocateMatrix(int nrl, int nrh, int ncl, int nch) {
  const std::size_t nrow = static_cast<std::size_t>(nrh - nrl + 1);
  const std::size_t ncol = static_cast<std::size_t>(nch - ncl + 1);
  auto** rows = static_cast<T**>(std::malloc((FirstSlot(nrl) + PointerSlots(nrow)) * sizeof(T*)));
  if (rows == nullptr) FatalError("allocation failure 1 in matrix()");
  T** m = rows + HandleOffset(nrl);
  auto* data = static_cast<T*>(std::malloc((FirstSlot(ncl) + nrow * ncol) * sizeof(T)));
  if (data == nullptr) FatalError("allocation failure 2 in matrix()");
  m[nrl] = data + HandleOffset(ncl);
  for (int i = nrl + 1; i <= nrh; ++i) m[i] = m[i - 1] + ncol;
  return m;
}

template <class T>
void FreeMatrix(T** m, int nrl, int ncl) {
  if (m == nullptr) return;
  std::free(m[nrl] - HandleOffset(ncl));
  std::free(m - HandleOffset(nrl));
}

// A row-pointer array over rows that already exist.
float** AllocateRowPointers(int nrl, int nrh, const char* message) {
  const std::size_t nrow = static_cast<std::size_t>(nrh - nrl + 1);
  auto** rows = static_cast<float**>(std::malloc((FirstSlot(nrl) + nrow) * sizeof(float*)));
  if (rows == nullptr) FatalError(message);
  return rows + HandleOffset(nrl);
}

}  // namespace

float* vector(int nl, int nh) {
  return AllocateVector<float>(nl, nh, 1, true, "allocation failure in vector()");
}
int* ivector(int nl, int nh) {
  return AllocateVector<int>(nl, nh, 0, true, "allocation failure in ivector()");
}
unsigned int* lvector(int nl, int nh) {
  return AllocateVector<unsigned int>(nl, nh, 0, true, "allocation failure in lvector()");
}
double* dvector(int nl, int nh) {
  return AllocateVector<double>(nl, nh, 0, true, "allocation failure in dvector()");
}
char* cvector(int nl, int nh) {
  return AllocateVector<char>(nl, nh, 0, false, "allocation failure in cvector()");
}

void free_vector(float* v, int nl, int) {
  FreeVector(v, nl);
}
void free_ivector(int* v, int nl, int) {
  FreeVector(v, nl);
}
void free_lvector(unsigned int* v, int nl, int) {
  FreeVector(v, nl);
}
void free_dvector(double* v, int nl, int) {
  FreeVector(v, nl);
}
void free_cvector(char* v, int nl, int) {
  FreeVector(v, nl);
}

float** matrix(int nrl, int nrh, int ncl, int nch) {
  return AllocateMatrix<float>(nrl, nrh, ncl, nch);
}
double** dmatrix(int nrl, int nrh, int ncl, int nch) {
  return AllocateMatrix<double>(nrl, nrh, ncl, nch);
}
int** imatrix(int nrl, int nrh, int ncl, int nch) {
  return AllocateMatrix<int>(nrl, nrh, ncl, nch);
}

void free_matrix(float** m, int nrl, int, int ncl, int) {
  FreeMatrix(m, nrl, ncl);
}
void free_dmatrix(double** m, int nrl, int, int ncl, int) {
  FreeMatrix(m, nrl, ncl);
}
void free_imatrix(int** m, int nrl, int, int ncl, int) {
  FreeMatrix(m, nrl, ncl);
}

float** submatrix(float** a, int oldrl, int oldrh, int oldcl, int, int newrl, int newcl) {
  float** m =
      AllocateRowPointers(newrl, newrl + (oldrh - oldrl), "allocation failure in submatrix()");
  // Row newrl + k of the view starts at old column oldcl of old row oldrl + k.
  // The row pointer is formed as an offset from an element inside the row,
  // so it is only ever used as m[i][j] with j >= newcl.
  for (int k = 0; k <= oldrh - oldrl; ++k) m[newrl + k] = a[oldrl + k] + oldcl - newcl;
  return m;
}

float** convert_matrix(float* a, int nrl, int nrh, int ncl, int nch) {
  const int ncol = nch - ncl + 1;
  float** m = AllocateRowPointers(nrl, nrh, "allocation failure in convert_matrix()");
  for (int i = 0; i <= nrh - nrl; ++i) m[nrl + i] = a + static_cast<std::ptrdiff_t>(i) * ncol - ncl;
  return m;
}

void free_submatrix(float** b, int nrl, int, int, int) {
  std::free(b - HandleOffset(nrl));
}
void free_convert_matrix(float** b, int nrl, int, int, int) {
  std::free(b - HandleOffset(nrl));
}

float*** f3tensor(int nrl, int nrh, int ncl, int nch, int ndl, int ndh) {
  const std::size_t nrow = static_cast<std::size_t>(nrh - nrl + 1);
  const std::size_t ncol = static_cast<std::size_t>(nch - ncl + 1);
  const std::size_t ndep = static_cast<std::size_t>(ndh - ndl + 1);

  auto** rowsBlock =
      static_cast<float***>(std::malloc((FirstSlot(nrl) + PointerSlots(nrow)) * sizeof(float**)));
  if (rowsBlock == nullptr) FatalError("allocation failure 1 in f3tensor()");
  float*** t = rowsBlock + HandleOffset(nrl);

  auto** plane = static_cast<float**>(
      std::malloc((FirstSlot(ncl) + PointerSlots(nrow * ncol)) * sizeof(float*)));
  if (plane == nullptr) FatalError("allocation failure 2 in f3tensor()");
  t[nrl] = plane + HandleOffset(ncl);

  auto* data =
      static_cast<float*>(std::malloc((FirstSlot(ndl) + nrow * ncol * ndep) * sizeof(float)));
  if (data == nullptr) FatalError("allocation failure 3 in f3tensor()");
  t[nrl][ncl] = data + HandleOffset(ndl);
  if (nrow == 0) return t;  // only the pointers the releaser reads

  for (int j = ncl + 1; j <= nch; ++j) t[nrl][j] = t[nrl][j - 1] + ndep;
  for (int i = nrl + 1; i <= nrh; ++i) {
    t[i] = t[i - 1] + ncol;
    t[i][ncl] = t[i - 1][ncl] + ncol * ndep;
    for (int j = ncl + 1; j <= nch; ++j) t[i][j] = t[i][j - 1] + ndep;
  }
  return t;
}

void free_f3tensor(float*** t, int nrl, int, int ncl, int, int ndl, int) {
  if (t == nullptr) return;
  std::free(t[nrl][ncl] - HandleOffset(ndl));
  std::free(t[nrl] - HandleOffset(ncl));
  std::free(t - HandleOffset(nrl));
}
