#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "numerics/MedianQuicksort.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/Sorting.h"
#include "support/TestSupport.h"

namespace {

struct Input {
  std::string name;
  std::vector<float> keys;
};

// Inputs that take the insertion path, the partition path and its worst
// cases: ties, sorted, reversed, all equal, organ pipe, many duplicates.
std::vector<Input> Inputs() {
  std::vector<Input> inputs = {{"empty", {}},
                               {"one", {4}},
                               {"two reversed", {2, 1}},
                               {"seven", {3, 1, 2, 7, 7, -1, 0}},
                               {"eight", {8, 7, 6, 5, 4, 3, 2, 1}}};
  std::mt19937 random(2024);
  std::uniform_int_distribution<int> few(0, 9);
  std::uniform_real_distribution<float> any(-1e3f, 1e3f);
  Input ties{"ties", {}}, noisy{"random", {}}, sorted{"sorted", {}}, reversed{"reversed", {}},
      equal{"all equal", std::vector<float>(500, 2.5f)}, pipe{"organ pipe", {}};
  for (int i = 0; i < 1000; ++i) {
    ties.keys.push_back(static_cast<float>(few(random)));
    noisy.keys.push_back(any(random));
    sorted.keys.push_back(static_cast<float>(i / 3));
    reversed.keys.push_back(static_cast<float>(-i));
    pipe.keys.push_back(static_cast<float>(std::min(i, 999 - i)));
  }
  for (auto& input : {ties, noisy, sorted, reversed, equal, pipe}) inputs.push_back(input);
  return inputs;
}

OneBasedArray<float> OneBased(const std::vector<float>& values) {
  OneBasedArray<float> a(1, static_cast<int>(values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) a[static_cast<int>(i) + 1] = values[i];
  return a;
}

// The companions hold the original position of each key (and functions of
// it), so a pair torn apart shows at once.
void ExpectSortedWithCompanions(const std::vector<float>& keys, const OneBasedArray<float>& sorted,
                                const OneBasedArray<float>& origin) {
  const int n = static_cast<int>(keys.size());
  std::vector<bool> seen(keys.size(), false);
  for (int i = 1; i <= n; ++i) {
    if (i > 1) {
      EXPECT_LE(sorted[i - 1], sorted[i]) << i;
    }
    const int from = static_cast<int>(origin[i]);
    ASSERT_TRUE(from >= 1 && from <= n && !seen[static_cast<std::size_t>(from - 1)]);
    seen[static_cast<std::size_t>(from - 1)] = true;
    EXPECT_EQ(sorted[i], keys[static_cast<std::size_t>(from - 1)]) << i;
  }
}

}  // namespace

TEST(Sorting, SmallExamples) {
  float arr[] = {0, 3, 1, 2}, brr[] = {0, 30, 10, 20};
  unsigned int indx[4] = {};
  indexx(3, arr, indx);
  EXPECT_EQ((std::vector<unsigned>{indx[1], indx[2], indx[3]}), (std::vector<unsigned>{2, 3, 1}));
  EXPECT_EQ(arr[1], 3.0f);
  sort2(3, arr, brr);
  EXPECT_EQ((std::vector<float>{arr[1], arr[2], arr[3], brr[1], brr[2], brr[3]}),
            (std::vector<float>{1, 2, 3, 10, 20, 30}));
}

TEST(Sorting, Sort2KeepsPairsTogether) {
  for (const Input& input : Inputs()) {
    SCOPED_TRACE(input.name);
    const int n = static_cast<int>(input.keys.size());
    OneBasedArray<float> arr = OneBased(input.keys), brr(1, n);
    for (int i = 1; i <= n; ++i) brr[i] = static_cast<float>(i);
    sort2(n, arr.data(), brr.data());
    ExpectSortedWithCompanions(input.keys, arr, brr);
  }
}

TEST(Sorting, IndexTableOrdersWithoutTouchingTheKeys) {
  for (const Input& input : Inputs()) {
    SCOPED_TRACE(input.name);
    const int n = static_cast<int>(input.keys.size());
    const OneBasedArray<float> arr = OneBased(input.keys);
    OneBasedArray<unsigned int> indx(1, n);
    indexx(n, arr.data(), indx.data());
    OneBasedArray<float> sorted(1, n), origin(1, n);
    for (int i = 1; i <= n; ++i) {
      EXPECT_EQ(arr[i], input.keys[static_cast<std::size_t>(i - 1)]);
      origin[i] = static_cast<float>(indx[i]);
      sorted[i] = arr[static_cast<int>(indx[i])];
    }
    ExpectSortedWithCompanions(input.keys, sorted, origin);
  }
}

TEST(Sorting, Sort3AppliesOnePermutationToAllThree) {
  for (const Input& input : Inputs()) {
    SCOPED_TRACE(input.name);
    const int n = static_cast<int>(input.keys.size());
    OneBasedArray<float> ra = OneBased(input.keys), rb(1, n), rc(1, n);
    for (int i = 1; i <= n; ++i) rb[i] = static_cast<float>(i), rc[i] = -2.0f * i;
    sort3(n, ra.data(), rb.data(), rc.data());
    ExpectSortedWithCompanions(input.keys, ra, rb);
    for (int i = 1; i <= n; ++i) EXPECT_EQ(rc[i], -2.0f * rb[i]);
  }
}

// NaN keys compare false both ways; the sort must stay inside the array and
// keep every pair, wherever the NaNs end.
TEST(Sorting, NaNKeysNeverLeaveTheArray) {
  std::vector<float> keys(300);
  std::mt19937 random(5);
  for (std::size_t i = 0; i < keys.size(); ++i)
    keys[i] = i % 7 == 0 ? std::nanf("") : static_cast<float>(random() % 50);
  const int n = static_cast<int>(keys.size());
  OneBasedArray<float> arr = OneBased(keys), brr(1, n);
  for (int i = 1; i <= n; ++i) brr[i] = static_cast<float>(i);
  sort2(n, arr.data(), brr.data());
  for (int i = 1; i <= n; ++i) {
    const float original = keys[static_cast<std::size_t>(brr[i]) - 1];
    EXPECT_TRUE(arr[i] == original || (std::isnan(arr[i]) && std::isnan(original)));
  }
}

class SortingStack : public HeadlessTest {};

// A range stack far too small for the input: the overflow is reported once
// and the pending range is finished another way, still sorted.
TEST_F(SortingStack, AnExhaustedStackIsReportedAndTheSortCompleted) {
  std::mt19937 random(99);
  std::vector<float> keys(5000);
  for (float& k : keys) k = static_cast<float>(random() % 1000);
  const int n = static_cast<int>(keys.size());
  OneBasedArray<float> arr = OneBased(keys), brr(1, n);
  for (int i = 1; i <= n; ++i) brr[i] = static_cast<float>(i);
  MedianOfThreeQuicksort(
      n, [&](int i) { return arr[i]; },
      [&](int i, int j) {
        std::swap(arr[i], arr[j]);
        std::swap(brr[i], brr[j]);
      },
      "NSTACK too small in sort2.", 4);
  ExpectSortedWithCompanions(keys, arr, brr);
  EXPECT_EQ(LogLinesWith("NSTACK too small in sort2.").size(), 1u);

  OneBasedArray<float> big = OneBased(keys), companion(1, n);
  sort2(n, big.data(), companion.data());
  EXPECT_EQ(LogLinesWith("NSTACK").size(), 1u);
}
