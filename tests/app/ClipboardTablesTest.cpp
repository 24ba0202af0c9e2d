// Tab-separated tables on the clipboard: the exact text of column tables and
// of scan tables with scans of different lengths, column order lists and the
// number form.
#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "app/clipboard/ClipboardTables.h"
#include "numerics/OneBasedArrays.h"
#include "support/TestSupport.h"

namespace {

OneBasedArray<float> Values(std::initializer_list<float> values) {
  OneBasedArray<float> a(1, static_cast<int>(values.size()));
  int i = 1;
  for (float v : values) a[i++] = v;
  return a;
}

// One-based handles of a set of arrays: handles[k] is array k.
template <class T>
std::vector<const T*> Handles(const std::vector<OneBasedArray<T>>& arrays) {
  std::vector<const T*> handles{nullptr};
  for (const auto& a : arrays) handles.push_back(a.data());
  return handles;
}

class ClipboardTables : public HeadlessTest {
 protected:
  std::string Clipboard() { return backend().ClipboardText().value_or("<nothing>"); }
};

TEST_F(ClipboardTables, ColumnsShareTheXColumnAndRowRange) {
  const auto x = Values({6.0f, 6.1f, 6.2f, 6.3f});
  const std::vector<OneBasedArray<float>> columns = {
      Values({1, 2, 3, 4}), Values({0.5f, 1.25f, -3, 7}), Values({10, 20, 30, 40})};
  const auto handles = Handles(columns);

  CopyColumnsToClipboard(nullptr, x.data(), handles.data(), 1, 3, 2);
  EXPECT_EQ(Clipboard(), "6\t1\t0.5\n6.1\t2\t1.25\n6.2\t3\t-3\n");

  const OneBasedArray<int> order = [] {
    OneBasedArray<int> o(1, 3);
    o[1] = 3, o[2] = 1, o[3] = 2;
    return o;
  }();
  CopyColumnsToClipboard(nullptr, x.data(), handles.data(), 2, 4, 3, order.data());
  EXPECT_EQ(Clipboard(), "6.1\t20\t2\t1.25\n6.2\t30\t3\t-3\n6.3\t40\t4\t7\n");

  CopyColumnsToClipboard(nullptr, x.data(), handles.data(), 2, 3, 0);
  EXPECT_EQ(Clipboard(), "6.1\n6.2\n");
}

TEST_F(ClipboardTables, ShorterScansLeaveEmptyCellsBelowTheirEnd) {
  // Scan 1 uses points 2..6 of its arrays, scan 2 points 1..3.
  const std::vector<OneBasedArray<float>> x = {Values({0, 6.01f, 6.02f, 6.03f, 6.04f, 6.05f}),
                                               Values({6.5f, 6.6f, 6.7f, 6.8f})};
  const std::vector<OneBasedArray<float>> y = {Values({0, 1, 2, 3, 4, 5}),
                                               Values({0.1f, 0.2f, 0.3f, 0.4f})};
  const auto xs = Handles(x), ys = Handles(y);
  const int first[] = {0, 2, 1}, last[] = {0, 6, 3};

  CopyScanTable(nullptr, xs.data(), ys.data(), first, last, 2);
  EXPECT_EQ(Clipboard(),
            "6.01\t1\t6.5\t0.1\n"
            "6.02\t2\t6.6\t0.2\n"
            "6.03\t3\t6.7\t0.3\n"
            "6.04\t4\t\t\n"
            "6.05\t5\t\t\n");

  const int timeOrder[] = {0, 2, 1};
  CopyScanTable(nullptr, xs.data(), ys.data(), first, last, 2, timeOrder);
  EXPECT_EQ(Clipboard(),
            "6.5\t0.1\t6.01\t1\n"
            "6.6\t0.2\t6.02\t2\n"
            "6.7\t0.3\t6.03\t3\n"
            "\t\t6.04\t4\n"
            "\t\t6.05\t5\n");
}

TEST_F(ClipboardTables, NumbersTakeSixSignificantDigits) {
  const struct {
    float value;
    const char* text;
  } cases[] = {
      {3.14159265f, "3.14159"},
      {1234567.0f, "1.23457e+06"},
      {100000.0f, "100000"},
      {0.0001f, "0.0001"},
      {1e-5f, "1e-05"},
      {-2.5e-12f, "-2.5e-12"},
      {0.0f, "0"},
      {6.5f, "6.5"},
      {-0.125f, "-0.125"},
  };
  OneBasedArray<float> x(1, 1), column(1, 1);
  const float* columns[] = {nullptr, column.data()};
  for (const auto& c : cases) {
    x[1] = c.value;
    column[1] = -c.value;
    CopyColumnsToClipboard(nullptr, x.data(), columns, 1, 1, 1);
    const std::string text(c.text);
    const std::string negated = text == "0" ? "-0" : text[0] == '-' ? text.substr(1) : "-" + text;
    EXPECT_EQ(Clipboard(), text + "\t" + negated + "\n") << c.text;
  }
}

}  // namespace
