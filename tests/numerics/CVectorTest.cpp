#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "numerics/CVector.h"
#include "numerics/OneBasedArrays.h"
#include "support/TestSupport.h"

namespace {

CVector Values(std::vector<float> v) {
  return CVector(static_cast<unsigned>(v.size()), v.data());
}

std::vector<float> Contents(const CVector& v) {
  return std::vector<float>(v.data(), v.data() + v.count());
}

}  // namespace

TEST(CVectorWrapping, FlushesVanishingValuesInTheCallersArrayAndNeverFreesIt) {
  float* array = vector(1, 4);
  array[1] = 2.0f, array[2] = 1e-31f, array[3] = -3e-40f, array[4] = 5.0f;
  {
    CVector view;
    view.AttachFrom(array, 4, 1);
    EXPECT_FALSE(view.owns());
    EXPECT_EQ(Contents(view), (std::vector<float>{2, 0, 0, 5}));
    EXPECT_EQ(array[2], 0.0f);
    EXPECT_EQ(array[3], 0.0f);
    view[0] = 7.0f;  // a view writes through
  }
  EXPECT_EQ(array[1], 7.0f);
  free_vector(array, 1, 4);  // the sanitizer build catches a block freed twice

  CVector none;
  none.AttachFrom(nullptr, 0, 1);
  EXPECT_EQ(none.data(), nullptr);
  EXPECT_FALSE(none.owns());
}

// Every operation that leaves the caller's block must take an owned copy and
// leave the block itself alone, whatever happens to the vector afterwards.
TEST(CVectorWrapping, OperationsThatReplaceTheBlockLeaveTheCallersArrayIntact) {
  float* array = vector(1, 3);
  array[1] = 1, array[2] = 2, array[3] = 3;
  {
    CVector appended, resized, assigned, moved, copied;
    appended.AttachFrom(array, 3, 1);
    appended.Append(4.0f);
    EXPECT_TRUE(appended.owns());
    EXPECT_EQ(Contents(appended), (std::vector<float>{1, 2, 3, 4}));
    resized.AttachFrom(array, 3, 1);
    resized.Resize(2);
    EXPECT_EQ(Contents(resized), (std::vector<float>{1, 2}));
    assigned.AttachFrom(array, 3, 1);
    assigned.Assign(Values({9}));
    EXPECT_EQ(Contents(assigned), (std::vector<float>{9}));
    moved.AttachFrom(array, 3, 1);
    CVector target(std::move(moved));
    EXPECT_FALSE(target.owns());
    EXPECT_EQ(target.data(), array + 1);
    copied.AttachFrom(array, 3, 1);
    CVector copy(copied);
    EXPECT_TRUE(copy.owns());
    EXPECT_NE(copy.data(), array + 1);
    appended[0] = resized[0] = copy[0] = -1.0f;
  }
  EXPECT_EQ(array[1], 1.0f);
  EXPECT_EQ(array[3], 3.0f);
  free_vector(array, 1, 3);
}

TEST(CVectorConstruction, CopiesAreDeepAndKeepTheAttribute) {
  const float values[] = {1, 2, 3};
  CVector original(3, values, 5);
  CVector copy(original);
  copy[1] = -2.0f;
  EXPECT_EQ(original[1], 2.0f);
  EXPECT_EQ(copy.attribute(), 5);
  CVector empty;
  CVector emptyCopy(empty);
  EXPECT_EQ(emptyCopy.data(), nullptr);
  EXPECT_EQ(emptyCopy.count(), 0u);
  EXPECT_TRUE(emptyCopy.owns());
  EXPECT_EQ(CVector(0).data(), nullptr);

  CVector moved(std::move(original));
  EXPECT_EQ(Contents(moved), (std::vector<float>{1, 2, 3}));
  EXPECT_EQ(original.count(), 0u);
  EXPECT_EQ(original.data(), nullptr);
}

TEST(CVectorExtremes, MaxMinAndRangesClampToTheVector) {
  const CVector v = Values({3, -1, 7});
  const CVector none;
  EXPECT_EQ(v.Max(), 7.0f);
  EXPECT_EQ(v.Min(), -1.0f);
  EXPECT_EQ(none.Max(), 0.0f);
  EXPECT_EQ(none.Min(), 0.0f);
  EXPECT_EQ(v.MaxInRange(-5, 100), 7.0f);
  EXPECT_EQ(v.MinInRange(-5, 100), -1.0f);
  EXPECT_EQ(v.MaxInRange(2, 1), 0.0f);
  EXPECT_EQ(v.MinInRange(0, 0), 3.0f);
  EXPECT_EQ(v.At(2), 7.0f);
  EXPECT_EQ(v.At(3), 0.0f);
  EXPECT_EQ(v.At(-1), 0.0f);
  EXPECT_EQ(none.At(0), 0.0f);
}

TEST(CVectorExtremes, PositiveExtremesSetTheFlagOnlyWhenNothingIsPositive) {
  struct Case {
    std::vector<float> values;
    int first, last;
    float min, max;
    bool flagged;
  };
  const Case cases[] = {
      {{-1, 0, 4}, 0, 2, 4, 4, false},
      {{-1, 0, -4}, 0, 2, 1, 1, true},
      {{0.5f, 2, 0.1f, 9}, 0, 2, 0.1f, 2, false},
      {{0.5f, 2, 0.1f, 9}, -3, 99, 0.1f, 9, false},
      {{0.5f, 2}, 1, 0, 1, 1, true},
      {{}, 0, 5, 1, 1, true},
  };
  for (const Case& c : cases) {
    const CVector v = Values(c.values);
    bool minFlag = false, maxFlag = false;
    EXPECT_EQ(v.MinPositiveInRange(c.first, c.last, minFlag), c.min);
    EXPECT_EQ(v.MaxPositiveInRange(c.first, c.last, maxFlag), c.max);
    EXPECT_EQ(minFlag, c.flagged);
    EXPECT_EQ(maxFlag, c.flagged);
  }
  bool flag = true;  // untouched when something is positive
  Values({2}).MinPositiveInRange(0, 0, flag);
  EXPECT_TRUE(flag);
}

TEST(CVectorTickLabels, IntegersWithoutPointOthersInSixSignificantDigits) {
  struct Case {
    float value, factor;
    int size;
    const char* text;
  };
  const Case cases[] = {
      {2.5f, 2, 20, "5"},      {2.5f, 1, 20, "2.5"},
      {2.5f, 1, 2, "2"},       {-20, 1, 20, "-20"},
      {1e5f, 1, 20, "100000"}, {1.5e-5f, 1, 20, "1.5e-05"},
      {0.25f, 1, 20, "0.25"},  {1234567.5f, 1, 20, "1.23457e+06"},
      {-0.0f, 1, 20, "0"},     {3e9f, 1, 20, "3e+09"},
      {1e20f, 1, 20, "1e+20"}, {-123.456f, 1, 4, "-12"},
      {7, 1, 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const CVector v = Values({c.value});
    char text[32];
    std::memset(text, 'x', sizeof text);
    const int length = v.FormatElement(0, text, c.size, c.factor);
    EXPECT_STREQ(text, c.text);
    EXPECT_EQ(length, static_cast<int>(std::strlen(c.text)));
  }
}

TEST(CVectorTickLabels, PowersOfTenAndMissingValues) {
  const CVector v = Values({2, -1, 0.5f});
  char text[32];
  EXPECT_EQ(v.FormatElementPow10(0, text, 32, 1), 3);
  EXPECT_STREQ(text, "100");
  v.FormatElementPow10(1, text, 32, 1);
  EXPECT_STREQ(text, "0.1");
  v.FormatElementPow10(2, text, 32, 1);
  EXPECT_STREQ(text, "3.16228");
  v.FormatElementPow10(2, text, 32, 2);
  EXPECT_STREQ(text, "10");

  std::strcpy(text, "keep");
  EXPECT_EQ(v.FormatElement(3, text, 32, 1), 0);
  EXPECT_EQ(CVector().FormatElement(0, text, 32, 1), 0);
  EXPECT_EQ(v.FormatElementPow10(-1, text, 32, 1), 0);
  EXPECT_STREQ(text, "keep");
}

TEST(CVectorArithmetic, ScaleEqualsAssignResizeAppend) {
  CVector v = Values({1, 2});
  EXPECT_TRUE(v.Equals(Values({1, 2})));
  EXPECT_FALSE(v.Equals(Values({1, 2, 3})));
  EXPECT_TRUE(v.Differs(Values({1, 2.5f})));
  v.Scale(3);
  EXPECT_EQ(Contents(v), (std::vector<float>{3, 6}));

  // Equal counts: the values go into the existing block.
  const float* block = v.data();
  v.Assign(CVector(2, std::vector<float>{4, 5}.data(), 7));
  EXPECT_EQ(v.data(), block);
  EXPECT_EQ(Contents(v), (std::vector<float>{4, 5}));
  EXPECT_EQ(v.attribute(), 7);
  v.Assign(CVector(3, std::vector<float>{6, 7, 8}.data(), 2));
  EXPECT_EQ(Contents(v), (std::vector<float>{6, 7, 8}));
  EXPECT_EQ(v.attribute(), 2);
  v.Assign(CVector());
  EXPECT_EQ(v.data(), nullptr);

  CVector r = Values({1, 2, 3});
  r.Resize(2);
  EXPECT_EQ(Contents(r), (std::vector<float>{1, 2}));
  r.Resize(4);
  EXPECT_EQ(r.count(), 4u);
  EXPECT_EQ(r[1], 2.0f);
  EXPECT_EQ(r.attribute(), 1);
  r.Resize(0);
  EXPECT_EQ(r.data(), nullptr);

  CVector a;
  a.Append(1.5f);
  EXPECT_EQ(a.count(), 1u);
  EXPECT_EQ(a.capacity(), 1u);
  EXPECT_TRUE(a.owns());
  for (int i = 0; i < 100; ++i) a.AppendValue(static_cast<float>(i));
  EXPECT_EQ(a.count(), 101u);
  EXPECT_EQ(a[100], 99.0f);
}

class CVectorFiles : public HeadlessTest {
 protected:
  ScratchFolder folder;
};

TEST_F(CVectorFiles, WrittenValuesReadBackIntoAnEmptyVector) {
  const CVector v = Values({1.5f, -2.25f, 1000, 0.000125f});
  const std::string path = folder.File("values.txt");
  ASSERT_EQ(v.WriteFile(path), 1);
  EXPECT_EQ(ReadWholeFile(path), "1.500000\n-2.250000\n1000.000000\n0.000125\n");
  CVector back;
  EXPECT_EQ(back.ReadFile(path), 1);
  EXPECT_TRUE(back.Equals(v));
  EXPECT_TRUE(back.owns());

  ASSERT_EQ(Values({0, 2, -1}).WritePow10File(path), 1);
  EXPECT_EQ(ReadWholeFile(path), "1.000000\n100.000000\n0.100000\n");
}

TEST_F(CVectorFiles, ReadingStopsAtTheFirstLineWithoutANumber) {
  CVector grown;
  grown.ReadFile(folder.Write("a.txt", "1\n2 word\n\nword\n4\n"));
  EXPECT_EQ(Contents(grown), (std::vector<float>{1, 2}));
  EXPECT_TRUE(grown.owns());

  CVector fixed = Values({9, 9, 9});
  fixed.ReadFile(folder.Write("b.txt", "1\n2\n"));
  EXPECT_EQ(Contents(fixed), (std::vector<float>{1, 2, 9}));
  fixed.ReadFile(folder.Write("c.txt", "5\n6\n7\n8\n"));
  EXPECT_EQ(Contents(fixed), (std::vector<float>{5, 6, 7}));
}

// Text that only looks like a number, or a number beyond the float range,
// ends the read like a word does; nothing is read out of bounds.
TEST_F(CVectorFiles, MalformedNumbersEndTheReadSafely) {
  struct Case {
    std::string text;
    std::vector<float> values;
  };
  const Case cases[] = {
      {"1e999\n2\n", {}},
      {"3\n-1e999\n4\n", {3}},
      {"--5\n", {}},
      {"+\n.\n", {}},
      {"1e\n2\n", {1, 2}},
      {"1.5.5\n3\n", {1.5f, 3}},
      {"  \t 7abc\n\n\n8", {7, 8}},
      {"1e-400\n", {0}},
      {std::string("4\n\0\0\x01\xff", 6) + "\n5\n", {4}},
      {std::string(5000, '9') + "\n1\n", {}},
      {"0." + std::string(500, '0') + "1\n2\n", {0, 2}},
      {"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 20));
    CVector v;
    EXPECT_EQ(v.ReadFile(folder.Write("m.txt", c.text)), 1);
    EXPECT_EQ(Contents(v), c.values);
  }
}

TEST_F(CVectorFiles, OnlyTheFirst99CharactersOfALineAreDiscarded) {
  CVector v;
  v.ReadFile(folder.Write("long.txt", "1" + std::string(150, ' ') + "2\n3\n"));
  EXPECT_EQ(Contents(v), (std::vector<float>{1, 2, 3}));
}

TEST_F(CVectorFiles, FileProblemsAreReportedAndChangeNothing) {
  CVector v = Values({1, 2});
  const std::string missing = folder.File("no/such/folder/file.txt");
  EXPECT_EQ(v.ReadFile(missing), 0);
  EXPECT_EQ(Contents(v), (std::vector<float>{1, 2}));
  EXPECT_EQ(LogLinesWith("\nAttention: could not open " + missing).size(), 1u);
  EXPECT_EQ(v.WriteFile(missing), 0);
  EXPECT_EQ(v.WritePow10File(missing), 0);
  EXPECT_EQ(LogLinesWith("Attention: could not open " + missing).size(), 3u);
  // A device that takes no data stands for a full disk: the writes fail at
  // the flush, and the save must say so instead of reporting success.
  if (std::FILE* probe = std::fopen("/dev/full", "w")) {
    std::fclose(probe);
    EXPECT_EQ(v.WriteFile("/dev/full"), 0);
    EXPECT_EQ(v.WritePow10File("/dev/full"), 0);
    EXPECT_EQ(LogLinesWith("Attention: could not write /dev/full").size(), 2u);
  }
}

TEST_F(CVectorFiles, DisplayContentsOnlyReports) {
  Values({1}).DisplayContents();
  EXPECT_EQ(LogLinesWith("Display vector contents not implemented").size(), 1u);
}
