// The table of scans, fit and noise: rows as long as the longest column,
// zeros below a shorter one, the RI noise in its time-order row and the data
// standing in (plus 0.001) for a model that was never computed.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "data/CommonRadialGrid.h"
#include "data/DataTestSupport.h"
#include "data/ScanDataSet.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "tools/SvdfrExport.h"

namespace {

class SvdfrExport : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    FreeDataSet();
    ModelParameters = ModelParametersRecord{};
    // Scan 1 (recorded second) has 3 fit points, scan 2 (recorded first) 2.
    AllocScanSlots(2);
    auto& d = ScanDataSet;
    d.NFILES = 2;
    for (int i = 1; i <= 2; ++i) {
      d.ScanPointCount[i] = 4;
      d.ScanRadius[i].Resize(1, 4);
      d.ScanSignal[i].Resize(1, 4);
      d.ScanModel[i].Resize(1, 4);
      for (int k = 1; k <= 4; ++k) {
        d.ScanRadius[i][k] = 6.0f + 0.25f * k;
        d.ScanSignal[i][k] = static_cast<float>(10 * i + k);
      }
      d.ScanFirstFitIndex[i] = 1;
      d.ScanLastFitIndex[i] = i == 1 ? 3 : 2;
    }
    d.ScanTimeOrder[1] = 2;
    d.ScanTimeOrder[2] = 1;
  }
  void TearDown() override {
    FreeDataSet();
    DataTest::TearDown();
  }
  std::vector<std::vector<double>> Rows() {
    std::vector<std::vector<double>> rows;
    std::ifstream in(folder.File("dfr.dat"));
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream values(line);
      std::vector<double> row;
      for (double v; values >> v;) row.push_back(v);
      rows.push_back(row);
    }
    return rows;
  }
  ScratchFolder folder;
};

}  // namespace

TEST_F(SvdfrExport, ColumnsInTimeOrderWithZerosBelowAndDataForAMissingModel) {
  ModelParameters.RINoiseFitted = true;
  CommonRadialGrid.RINoise.Resize(1, 2);
  CommonRadialGrid.RINoise[1] = 0.5f;
  CommonRadialGrid.RINoise[2] = -0.25f;
  ASSERT_EQ(WriteSvdfrData(folder.File("dfr.dat")), 2);
  const auto rows = Rows();
  ASSERT_EQ(rows.size(), 3u);  // the longest fit range
  for (const auto& row : rows) ASSERT_EQ(row.size(), 9u);
  // No TI column (no common grid); RI of scan j in row ScanTimeOrder[j].
  EXPECT_DOUBLE_EQ(rows[1][2], 0.5);
  EXPECT_DOUBLE_EQ(rows[0][2], -0.25);
  EXPECT_DOUBLE_EQ(rows[2][2], 0.0);
  // First column: scan 2 (earlier), two rows, then zeros.
  EXPECT_DOUBLE_EQ(rows[0][3], 6.25);
  EXPECT_DOUBLE_EQ(rows[0][4], 21.0);
  EXPECT_NEAR(rows[0][5], 21.001, 1e-9);
  EXPECT_DOUBLE_EQ(rows[2][3], 0.0);
  // Second column: scan 1, three rows.
  EXPECT_DOUBLE_EQ(rows[2][7], 13.0);
}

TEST_F(SvdfrExport, ComputedModelIsWrittenAsItIs) {
  ScanDataSet.ScanModel[1][1] = 10.5f;
  ASSERT_EQ(WriteSvdfrData(folder.File("dfr.dat")), 2);
  const auto rows = Rows();
  EXPECT_DOUBLE_EQ(rows[0][8], 10.5);
  EXPECT_DOUBLE_EQ(rows[0][5], 0.0);  // scan 2's model stays 0
  EXPECT_DOUBLE_EQ(rows[0][2], 0.0);  // no RI noise fitted
}
