#include <gtest/gtest.h>

#include "numerics/FatalError.h"
#include "numerics/OneBasedArrays.h"

TEST(OneBasedVectors, AreClearedOverTheirWholeRangeForAnyLowerBound) {
  struct Case {
    int lo, hi;
  };
  for (Case c : {Case{1, 7}, Case{0, 5}, Case{-5, 5}, Case{3, 9}, Case{1, 0}}) {
    SCOPED_TRACE(testing::Message() << c.lo << ".." << c.hi);
    float* v = vector(c.lo, c.hi);
    double* d = dvector(c.lo, c.hi);
    int* iv = ivector(c.lo, c.hi);
    unsigned int* lv = lvector(c.lo, c.hi);
    for (int i = c.lo; i <= c.hi; ++i) {
      EXPECT_EQ(v[i], 0.0f);
      EXPECT_EQ(d[i], 0.0);
      EXPECT_EQ(iv[i], 0);
      EXPECT_EQ(lv[i], 0u);
    }
    // The spare slots below every kind and above the float vector belong to
    // the block (the sanitizer build catches a write outside it).
    v[c.lo - 1] = 1.0f;
    v[c.hi + 1] = 2.0f;
    d[c.lo - 1] = 3.0;
    iv[c.lo - 1] = 4;
    char* cv = cvector(c.lo, c.hi);
    cv[c.lo - 1] = 'x';
    for (int i = c.lo; i <= c.hi; ++i) cv[i] = 'a';
    free_vector(v, c.lo, c.hi);
    free_dvector(d, c.lo, c.hi);
    free_ivector(iv, c.lo, c.hi);
    free_lvector(lv, c.lo, c.hi);
    free_cvector(cv, c.lo, c.hi);
  }
}

TEST(OneBasedVectors, NullHandlesAreIgnoredOnRelease) {
  free_vector(nullptr, 1, 5);
  free_cvector(nullptr, 1, 5);
  free_matrix(nullptr, 1, 3, 1, 3);
  free_dvector(nullptr, 0, 3);
}

TEST(OneBasedMatrices, AreContiguousRowAfterRow) {
  float** m = matrix(1, 3, 1, 4);
  EXPECT_EQ(m[2], m[1] + 4);
  for (int k = 0; k < 12; ++k) (&m[1][1])[k] = static_cast<float>(k);
  EXPECT_EQ(m[2][1], 4.0f);
  EXPECT_EQ(m[3][4], 11.0f);
  m[1][0] = -1.0f;  // spare slot of the block
  free_matrix(m, 1, 3, 1, 4);

  for (auto [rl, rh, cl, ch] : {std::tuple{0, 2, 0, 2}, {2, 4, 3, 5}, {-1, 1, -2, 0}}) {
    double** d = dmatrix(rl, rh, cl, ch);
    int** im = imatrix(rl, rh, cl, ch);
    for (int i = rl; i <= rh; ++i)
      for (int j = cl; j <= ch; ++j) d[i][j] = i * 10 + j, im[i][j] = i - j;
    EXPECT_EQ(&d[rh][ch] - &d[rl][cl], (rh - rl + 1) * (ch - cl + 1) - 1);
    EXPECT_EQ(d[rh][cl], rh * 10 + cl);
    EXPECT_EQ(im[rl][ch], rl - ch);
    free_dmatrix(d, rl, rh, cl, ch);
    free_imatrix(im, rl, rh, cl, ch);
  }
}

// A matrix without rows (or a tensor without columns) still records where
// its data start; that record must lie inside the row-pointer block.
TEST(OneBasedMatrices, EmptyMatricesAndTensorsAreValidHandles) {
  for (auto [rl, rh, cl, ch] :
       {std::tuple{1, 0, 1, 3}, {0, -1, 0, 0}, {3, 2, 5, 4}, {1, 0, 1, 0}}) {
    SCOPED_TRACE(testing::Message() << rl << ".." << rh << " x " << cl << ".." << ch);
    free_matrix(matrix(rl, rh, cl, ch), rl, rh, cl, ch);
    free_dmatrix(dmatrix(rl, rh, cl, ch), rl, rh, cl, ch);
    free_imatrix(imatrix(rl, rh, cl, ch), rl, rh, cl, ch);
  }
  free_f3tensor(f3tensor(1, 0, 1, 2, 1, 2), 1, 0, 1, 2, 1, 2);
  free_f3tensor(f3tensor(1, 2, 1, 0, 1, 2), 1, 2, 1, 0, 1, 2);
  float*** t = f3tensor(1, 2, 1, 2, 1, 0);
  EXPECT_EQ(t[2], t[1] + 2);
  free_f3tensor(t, 1, 2, 1, 2, 1, 0);
}

TEST(OneBasedMatrices, SubmatrixSharesStorageWithItsMatrix) {
  float** a = matrix(1, 4, 1, 4);
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= 4; ++j) a[i][j] = static_cast<float>(10 * i + j);
  float** s = submatrix(a, 2, 3, 2, 4, 1, 1);
  EXPECT_EQ(s[1][1], 22.0f);
  EXPECT_EQ(s[2][3], 34.0f);
  s[2][2] = -5.0f;
  EXPECT_EQ(a[3][3], -5.0f);
  a[2][4] = 99.0f;
  EXPECT_EQ(s[1][3], 99.0f);
  free_submatrix(s, 1, 2, 1, 3);
  EXPECT_EQ(a[4][4], 44.0f);
  free_matrix(a, 1, 4, 1, 4);
}

TEST(OneBasedMatrices, ConvertMatrixAndTensorAddressTheirData) {
  float storage[6] = {1, 2, 3, 4, 5, 6};
  float** m = convert_matrix(storage, 1, 2, 1, 3);
  EXPECT_EQ(m[1][1], 1.0f);
  EXPECT_EQ(m[2][1], 4.0f);
  EXPECT_EQ(m[2][3], 6.0f);
  free_convert_matrix(m, 1, 2, 1, 3);

  float*** t = f3tensor(1, 2, 1, 3, 1, 4);
  float counter = 0;
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 3; ++j)
      for (int k = 1; k <= 4; ++k) t[i][j][k] = counter++;
  // Contiguous in k, then j, then i.
  EXPECT_EQ((&t[1][1][1])[23], 23.0f);
  EXPECT_EQ(t[2][1][1], 12.0f);
  EXPECT_EQ(t[1][2][1], 4.0f);
  free_f3tensor(t, 1, 2, 1, 3, 1, 4);
}

TEST(OneBasedArray, OwnsItsBlockAndHandsOutAOneBasedHandle) {
  OneBasedArray<double> a(1, 5);
  for (int i = 1; i <= 5; ++i) a[i] = i;
  a[0] = -1;
  a[6] = 6;
  double* h = a.data();
  EXPECT_EQ(h[1], 1.0);
  EXPECT_EQ(h[5], 5.0);
  OneBasedMatrix<double> m(1, 2, 1, 3);
  m[2][3] = 7;
  EXPECT_EQ(m.get()[2][3], 7.0);
  EXPECT_EQ(&m[2][1] - &m[1][1], 3);
}

TEST(OneBasedMatrix, ACopyHoldsItsOwnValues) {
  // Copies used to keep row handles into the original's block, so that a
  // later change of the original showed through the copy.
  OneBasedMatrix<double> m(1, 2, 1, 3);
  m[2][3] = 7;
  OneBasedMatrix<double> copy = m;
  OneBasedMatrix<double> assigned;
  assigned = m;
  m[2][3] = 8;
  EXPECT_EQ(copy[2][3], 7.0);
  EXPECT_EQ(assigned.get()[2][3], 7.0);
  EXPECT_NE(&copy[1][1], &m[1][1]);
  OneBasedMatrix<double> moved = std::move(copy);
  EXPECT_EQ(moved[2][3], 7.0);
}

TEST(FatalErrorDeathTest, ShowsTheTextAndEndsTheProgram) {
  EXPECT_EXIT(FatalError("allocation failure in vector()"), testing::ExitedWithCode(1), "");
}

TEST(FloatMinMax, PickTheExpectedOperand) {
  EXPECT_EQ(FloatMax(1.0f, 2.0f), 2.0f);
  EXPECT_EQ(FloatMax(3.0f, 2.0f), 3.0f);
  EXPECT_EQ(FloatMin(1.0f, 2.0f), 1.0f);
  EXPECT_EQ(FloatMin(3.0f, 2.0f), 2.0f);
}
