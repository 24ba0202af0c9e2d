#include "numerics/Sorting.h"

#include <utility>

#include "numerics/MedianQuicksort.h"
#include "numerics/OneBasedArrays.h"

void indexx(int n, const float* arr, unsigned int* indx) {
  for (int j = 1; j <= n; ++j) indx[j] = static_cast<unsigned int>(j);
  if (n < 2) return;
  MedianOfThreeQuicksort(
      n, [&](int i) { return arr[indx[i]]; }, [&](int i, int j) { std::swap(indx[i], indx[j]); },
      "NSTACK too small in indexx.");
}

void sort2(int n, float* arr, float* brr) {
  if (n < 2) return;
  MedianOfThreeQuicksort(
      n, [&](int i) { return arr[i]; },
      [&](int i, int j) {
        std::swap(arr[i], arr[j]);
        std::swap(brr[i], brr[j]);
      },
      "NSTACK too small in sort2.");
}

void sort3(int n, float* ra, float* rb, float* rc) {
  if (n < 2) return;
  OneBasedArray<unsigned int> order(1, n);
  indexx(n, ra, order.data());
  OneBasedArray<float> scratch(1, n);
  for (float* companion : {ra, rb, rc}) {
    for (int j = 1; j <= n; ++j) scratch[j] = companion[j];
    for (int j = 1; j <= n; ++j) companion[j] = scratch[static_cast<int>(order[j])];
  }
}
