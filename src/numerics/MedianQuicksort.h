#pragma once
// The quicksort behind the index table and the sorts with companions:
// median-of-three partitioning, straight insertion for ranges of at most
// seven elements, and an explicit stack on which the larger part waits while
// the smaller one is sorted, so that at most log2(n) ranges are ever pending.
//
// It works on positions 1..n through two callables: key(i), the float that
// orders position i, and swap(i, j), which exchanges two positions together
// with everything that travels with them. Comparisons with NaN are false, so
// every scan stops at a NaN and no scan leaves its range.

#include <vector>

#include "ui/Boxes.h"

namespace quicksort_detail {

// Sorts positions lo..hi by repeated sifting; needs no stack. Only used when
// the range stack is exhausted.
template <class Key, class Swap>
void HeapSortRange(int lo, int hi, Key& key, Swap& swap) {
  const int n = hi - lo + 1;
  auto sift = [&](int root, int size) {
    for (;;) {
      int child = 2 * root + 1;
      if (child >= size) return;
      if (child + 1 < size && key(lo + child) < key(lo + child + 1)) ++child;
      if (!(key(lo + root) < key(lo + child))) return;
      swap(lo + root, lo + child);
      root = child;
    }
  };
  for (int start = n / 2 - 1; start >= 0; --start) sift(start, n);
  for (int end = n - 1; end > 0; --end) {
    swap(lo, lo + end);
    sift(0, end);
  }
}

}  // namespace quicksort_detail

// stackEntries is the size of the range stack (two entries per pending
// range); 50 suffices for arrays of more than 200 million elements. When it
// is exhausted anyway, overflowMessage is shown once in the plain error box
// and the range at hand is finished by heap sort.
template <class Key, class Swap>
void MedianOfThreeQuicksort(int n, Key key, Swap swap, const char* overflowMessage,
                            int stackEntries = 50) {
  constexpr int kInsertionRange = 7;
  std::vector<int> stack(static_cast<std::size_t>(stackEntries) + 1);
  int pending = 0;
  int l = 1, ir = n;
  bool reported = false;
  for (;;) {
    if (ir - l < kInsertionRange) {
      for (int j = l + 1; j <= ir; ++j)
        for (int i = j - 1; i >= l && key(i) > key(i + 1); --i) swap(i, i + 1);
    } else {
      const int k = (l + ir) / 2;
      swap(k, l + 1);
      if (key(l) > key(ir)) swap(l, ir);
      if (key(l + 1) > key(ir)) swap(l + 1, ir);
      if (key(l) > key(l + 1)) swap(l, l + 1);
      // The pivot stays at l + 1 until the scans have met.
      int i = l + 1, j = ir;
      const float pivot = key(l + 1);
      for (;;) {
        do ++i;
        while (key(i) < pivot);
        do --j;
        while (key(j) > pivot);
        if (j < i) break;
        swap(i, j);
      }
      swap(l + 1, j);
      if (pending + 2 > stackEntries) {
        if (!reported) ErrorBox(overflowMessage);
        reported = true;
        quicksort_detail::HeapSortRange(l, ir, key, swap);
      } else {
        pending += 2;
        if (ir - i + 1 >= j - l) {
          stack[static_cast<std::size_t>(pending)] = ir;
          stack[static_cast<std::size_t>(pending) - 1] = i;
          ir = j - 1;
        } else {
          stack[static_cast<std::size_t>(pending)] = j - 1;
          stack[static_cast<std::size_t>(pending) - 1] = l;
          l = i;
        }
        continue;
      }
    }
    if (pending == 0) return;
    ir = stack[static_cast<std::size_t>(pending--)];
    l = stack[static_cast<std::size_t>(pending--)];
  }
}
