#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "numerics/MatrixFiles.h"
#include "numerics/OneBasedArrays.h"
#include "support/TestSupport.h"

namespace {

class MatrixFiles : public HeadlessTest {
 protected:
  // Log lines of error boxes whose text is exactly this message.
  std::vector<std::string> BoxesWithText(const std::string& text) const {
    return LogLinesWith(") " + text + " -> ");
  }
  std::size_t BoxCount() const { return LogLinesWith("box [").size(); }

  ScratchFolder folder;
};

// Both precisions and both directions go through one writer table.
struct WriterCase {
  const char* name;
  bool transposed;
  std::function<bool(int, int, int, int, const std::vector<double>&, const std::string&)> write;
};

const WriterCase kWriters[] = {
    {"WriteMatrixFile", false,
     [](int rl, int rh, int cl, int ch, const std::vector<double>& values, const std::string& p) {
       float** m = matrix(rl, rh, cl, ch);
       for (int i = rl, k = 0; i <= rh; ++i)
         for (int j = cl; j <= ch; ++j) m[i][j] = static_cast<float>(values[k++]);
       const bool ok = WriteMatrixFile(m, rl, rh, cl, ch, p);
       free_matrix(m, rl, rh, cl, ch);
       return ok;
     }},
    {"WriteDMatrixFile", false,
     [](int rl, int rh, int cl, int ch, const std::vector<double>& values, const std::string& p) {
       double** m = dmatrix(rl, rh, cl, ch);
       for (int i = rl, k = 0; i <= rh; ++i)
         for (int j = cl; j <= ch; ++j) m[i][j] = values[k++];
       const bool ok = WriteDMatrixFile(m, rl, rh, cl, ch, p);
       free_dmatrix(m, rl, rh, cl, ch);
       return ok;
     }},
    {"WriteMatrixFileTransposed", true,
     [](int rl, int rh, int cl, int ch, const std::vector<double>& values, const std::string& p) {
       float** m = matrix(rl, rh, cl, ch);
       for (int i = rl, k = 0; i <= rh; ++i)
         for (int j = cl; j <= ch; ++j) m[i][j] = static_cast<float>(values[k++]);
       const bool ok = WriteMatrixFileTransposed(m, rl, rh, cl, ch, p);
       free_matrix(m, rl, rh, cl, ch);
       return ok;
     }},
    {"WriteDMatrixFileTransposed", true,
     [](int rl, int rh, int cl, int ch, const std::vector<double>& values, const std::string& p) {
       double** m = dmatrix(rl, rh, cl, ch);
       for (int i = rl, k = 0; i <= rh; ++i)
         for (int j = cl; j <= ch; ++j) m[i][j] = values[k++];
       const bool ok = WriteDMatrixFileTransposed(m, rl, rh, cl, ch, p);
       free_dmatrix(m, rl, rh, cl, ch);
       return ok;
     }},
};

}  // namespace

TEST_F(MatrixFiles, WritersPutATabBeforeEveryValue) {
  for (const WriterCase& w : kWriters) {
    SCOPED_TRACE(w.name);
    const std::string path = folder.File(std::string(w.name) + ".txt");
    ASSERT_TRUE(w.write(1, 2, 1, 2, {1, 2, 3, 4}, path));
    EXPECT_EQ(ReadWholeFile(path), w.transposed ? "\t1.000000\t3.000000\n\t2.000000\t4.000000\n"
                                                : "\t1.000000\t2.000000\n\t3.000000\t4.000000\n");
  }
  EXPECT_EQ(BoxCount(), 0u);
}

// Written with six decimals, read back as floats: the same numbers to the
// written precision, for any bounds of the written matrix.
TEST_F(MatrixFiles, TablesRoundTripThroughBothReaders) {
  const int rl = 0, rh = 2, cl = 3, ch = 6;  // 3 rows, 4 columns
  std::vector<double> values;
  for (int k = 0; k < 12; ++k) values.push_back(-2.5 + 1.234567 * k * (k % 2 ? 1 : -1));
  const auto at = [&](int row, int col) { return values[static_cast<std::size_t>(row * 4 + col)]; };
  for (const WriterCase& w : kWriters) {
    SCOPED_TRACE(w.name);
    const std::string path = folder.File("table.txt");
    ASSERT_TRUE(w.write(rl, rh, cl, ch, values, path));
    const int lines = w.transposed ? 4 : 3, perLine = w.transposed ? 3 : 4;
    // m[line][k] and its transpose hold written row r, column c at:
    const auto written = [&](int line, int k) { return w.transposed ? at(k, line) : at(line, k); };

    int count = -1;
    float** rows = ReadRowsFile(path, perLine, count);
    ASSERT_NE(rows, nullptr);
    ASSERT_EQ(count, lines);
    for (int l = 1; l <= lines; ++l)
      for (int k = 1; k <= perLine; ++k) EXPECT_NEAR(rows[l][k], written(l - 1, k - 1), 1e-6);
    free_matrix(rows, 1, count, 1, perLine);

    float** columns = ReadColumnsFile(path, perLine, count);
    ASSERT_NE(columns, nullptr);
    ASSERT_EQ(count, lines);
    for (int l = 1; l <= lines; ++l)
      for (int k = 1; k <= perLine; ++k) EXPECT_NEAR(columns[k][l], written(l - 1, k - 1), 1e-6);
    free_matrix(columns, 1, perLine, 1, count);
  }
  EXPECT_EQ(BoxCount(), 0u);
}

TEST_F(MatrixFiles, MissingOrUnreadableFilesFailWithTheOpenMessage) {
  const std::string missing = folder.File("no such folder/table.txt");
  const std::string folderPath = folder.path().string();  // a folder cannot be read as a file
  for (const std::string& path : {missing, folderPath}) {
    SCOPED_TRACE(path);
    backend().ClearLog();
    int count = 7, last = 7;
    EXPECT_EQ(ReadRowsFile(path, 2, count), nullptr);
    EXPECT_EQ(count, 0);
    count = 7;
    EXPECT_EQ(ReadColumnsFile(path, 2, count), nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(ReadFloatColumn(path, last, 1), nullptr);
    EXPECT_EQ(last, 0);  // no elements
    EXPECT_EQ(BoxesWithText("\n\aAttention: could not open " + path).size(), 3u);
    EXPECT_EQ(BoxCount(), 3u);
  }

  backend().ClearLog();
  float** m = matrix(1, 1, 1, 1);
  m[1][1] = 1;
  EXPECT_FALSE(WriteMatrixFile(m, 1, 1, 1, 1, missing));
  EXPECT_FALSE(WriteMatrixFileTransposed(m, 1, 1, 1, 1, missing));
  free_matrix(m, 1, 1, 1, 1);
  double** d = dmatrix(1, 1, 1, 1);
  d[1][1] = 1;
  EXPECT_FALSE(WriteDMatrixFile(d, 1, 1, 1, 1, missing));
  EXPECT_FALSE(WriteDMatrixFileTransposed(d, 1, 1, 1, 1, missing));
  free_dmatrix(d, 1, 1, 1, 1);
  EXPECT_EQ(BoxesWithText("\n\aAttention: could not open " + missing).size(), 4u);
  OneBasedArray<float> v(1, 3);
  WriteFloatColumn(missing, v.data(), 3, 1);
  EXPECT_EQ(BoxesWithText("\nAttention: could not open " + missing).size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(missing));
}

// A device that accepts the open and refuses every write, like a full disk:
// the file is incomplete, so the writer must not report success.
TEST_F(MatrixFiles, AFailedWriteIsNotReportedAsSuccess) {
  const std::string full = "/dev/full";
  if (!std::filesystem::exists(full)) GTEST_SKIP() << "no " << full << " on this system";
  float** m = matrix(1, 2, 1, 2);
  EXPECT_FALSE(WriteMatrixFile(m, 1, 2, 1, 2, full));
  free_matrix(m, 1, 2, 1, 2);
  EXPECT_EQ(BoxesWithText("\n\aAttention: could not write to " + full).size(), 1u);
  OneBasedArray<float> v(1, 3);
  WriteFloatColumn(full, v.data(), 3, 1);
  EXPECT_EQ(BoxesWithText("\nAttention: could not write to " + full).size(), 1u);
}

// Every line counts; a line that runs out of numbers takes them from the next
// one, so any short or unreadable line makes the table fail as a whole.
TEST_F(MatrixFiles, MalformedTablesFailCleanlyOrReadWhatIsThere) {
  struct Case {
    const char* name;
    std::string contents;
    std::vector<float> want;  // two numbers per line; empty: the read fails
  };
  const std::string longTail(3000, 'x');
  const Case cases[] = {
      {"empty file", "", {}},
      {"a blank line only", "\n", {}},
      {"garbage line", "1 2\nabc def\n5 6\n", {}},
      {"short line", "1 2\n3\n5 6\n", {}},
      {"ends with an empty line", "1 2\n3 4\n\n", {}},
      {"number then garbage", "1 2\n3x 4\n", {}},
      {"comma separated", "1,2\n", {}},
      {"no line end at the end", "1 2\n3 4", {1, 2, 3, 4}},
      {"crlf line ends and tabs", "\t1\t2\r\n\t3\t4\r\n", {1, 2, 3, 4}},
      {"text after the wanted numbers", "1 2 three\n3 4 5 6\n", {1, 2, 3, 4}},
      {"exponents and signs", "-1e-3 +2.5E2\n.5 -0\n", {-1e-3f, 250.0f, 0.5f, 0.0f}},
      {"a line longer than any read buffer", "1 2 " + longTail + "\n3 4\n", {1, 2, 3, 4}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    backend().ClearLog();
    const std::string path = folder.Write("malformed.txt", k.contents);
    int count = -1;
    float** m = ReadRowsFile(path, 2, count);
    if (k.want.empty()) {
      EXPECT_EQ(m, nullptr);
      EXPECT_EQ(count, 0);
      EXPECT_EQ(BoxesWithText("\n\aAttention: could not read from " + path).size(), 1u);
      continue;
    }
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(count, static_cast<int>(k.want.size() / 2));
    for (int l = 1; l <= count; ++l)
      for (int c = 1; c <= 2; ++c) EXPECT_FLOAT_EQ(m[l][c], k.want[(l - 1) * 2 + c - 1]);
    free_matrix(m, 1, count, 1, 2);
    EXPECT_EQ(BoxCount(), 0u);
  }
}

TEST_F(MatrixFiles, ColumnsRoundTripFromAnyFirstIndex) {
  const std::string path = folder.Write("column.txt", "5\n6\n7\n");
  int last = -1;
  float* v = ReadFloatColumn(path, last, 0);
  ASSERT_NE(v, nullptr);
  ASSERT_EQ(last, 2);
  EXPECT_EQ(v[0], 5.0f);
  EXPECT_EQ(v[1], 6.0f);
  EXPECT_EQ(v[2], 7.0f);
  free_vector(v, 0, last);

  OneBasedArray<float> out(1, 6);
  for (int i = 1; i <= 6; ++i) out[i] = 0.5f * static_cast<float>(i * i) - 3.25f;
  WriteFloatColumn(path, out.data(), 6, 3);  // values 3..6
  EXPECT_EQ(ReadWholeFile(path), "1.250000\n4.750000\n9.250000\n14.750000\n");
  v = ReadFloatColumn(path, last, 3);
  ASSERT_EQ(last, 6);
  for (int i = 3; i <= 6; ++i) EXPECT_EQ(v[i], out[i]);
  free_vector(v, 3, last);
  EXPECT_EQ(BoxCount(), 0u);
}

// A line without a number repeats the value before it; the user hears about
// it once per file, however many lines are bad.
TEST_F(MatrixFiles, ColumnReaderRepeatsTheLastValueOverBadLines) {
  struct Case {
    const char* name;
    std::string contents;
    std::vector<float> want;
    bool told;
  };
  const Case cases[] = {
      {"garbage in the middle", "5\nabc\n7\nxyz\n", {5, 5, 7, 7}, true},
      {"garbage first", "??\n2\n", {0, 2}, true},
      {"empty file", "", {0}, true},
      {"text after the number", "1 a\n2 b\n", {1, 2}, false},
      {"blank line at the end", "1\n2\n\n", {1, 2, 2}, true},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    backend().ClearLog();
    const std::string path = folder.Write("column.txt", k.contents);
    int last = -1;
    float* v = ReadFloatColumn(path, last, 1);
    ASSERT_NE(v, nullptr);
    ASSERT_EQ(last, static_cast<int>(k.want.size()));
    for (int i = 1; i <= last; ++i) EXPECT_EQ(v[i], k.want[i - 1]) << i;
    free_vector(v, 1, last);
    EXPECT_EQ(BoxesWithText("Attention: could not open " + path).size(), k.told ? 1u : 0u);
    EXPECT_EQ(BoxCount(), k.told ? 1u : 0u);
  }
}
