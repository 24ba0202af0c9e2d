// The recorded elapsed times checked against the files' modification times:
// the factor of the spans, the rewritten "tcorr_" scans with their list, and
// the cases that change nothing.
#include "tools/TimeStampAnalysis.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "data/DataTestSupport.h"
#include "data/ScanDataSet.h"
#include "data/ScanFileTimes.h"
#include "data/ScanFileWriter.h"

namespace {

using platform::BoxAnswer;

class TimeStampAnalysisTest : public DataTest {
 protected:
  void TearDown() override {
    DataFileLocation = DataFileLocationRecord{};
    DataTest::TearDown();
  }
  // Scans recorded at the given times whose files were written at
  // fileStart + rate x (recorded - first recorded).
  void MakeRun(const std::vector<double>& recorded, double rate) {
    const int n = static_cast<int>(recorded.size());
    FreeDataSet();
    AllocScanSlots(n);
    auto& d = ScanDataSet;
    d.NFILES = n;
    DataFileLocation.DataFolder = folder.path().string();
    for (int i = 1; i <= n; ++i) {
      d.ScanFilePaths[i] = FormatName(i);
      d.ScanPointCount[i] = 3;
      for (auto* a : {&d.ScanRadius, &d.ScanSignal}) (*a)[i].Resize(1, 3);
      for (int k = 1; k <= 3; ++k) {
        d.ScanRadius[i][k] = 6.0f + 0.1f * k;
        d.ScanSignal[i][k] = 0.5f * k;
      }
      ScanHeader& h = d.ScanHeaders[i];
      h.Description = "run";
      h.Rpm = 50000.0f;
      h.Time = h.RecordedTime = h.StampCorrectedTime = recorded[i - 1];
      h.Omega2t = 2.7e7 * recorded[i - 1];
      d.ScanTimeOrder[i] = i;
      const std::string path = folder.File(FormatName(i));
      ASSERT_TRUE(WriteScanFile(path, 3, d.ScanRadius[i].data(), d.ScanSignal[i].data(), nullptr,
                                "run", false, h));
      ScanFileTimes t;
      const double seconds = 1.7e9 + rate * (recorded[i - 1] - recorded[0]);
      t.LastWriteTime = t.LastAccessTime = {static_cast<std::int64_t>(seconds), 0};
      t.FileTimesValid = 1;
      RestoreFileTimes(path, t);
    }
  }
  static std::string FormatName(int i) { return "0000" + std::to_string(i) + ".RA1"; }
  ScratchFolder folder;
};

}  // namespace

TEST_F(TimeStampAnalysisTest, FactorAboveThresholdWritesCorrectedScansAndTheirList) {
  MakeRun({1000.0, 2000.0, 3000.0, 4000.0}, 1.01);
  const TimeStampOutcome o = TimeStampOutliers(false, 1.001);
  EXPECT_NEAR(o.Factor, 1.01, 1e-9);
  EXPECT_EQ(o.Outliers, 0);
  EXPECT_TRUE(std::filesystem::exists(folder.File("timestampanalysis.RA1")));

  backend().ScriptBoxAnswer(BoxAnswer::Ok);   // the report named
  backend().ScriptBoxAnswer(BoxAnswer::Yes);  // save corrected files and reload?
  ASSERT_TRUE(TimeStampCheckWith(nullptr, 1.001, false));
  const std::string list = ReadWholeFile(folder.File("list_corr.RA1"));
  EXPECT_EQ(list, "newformat n=1\n" + folder.path().string() +
                      "\ntcorr_00001.RA1\ntcorr_00002.RA1\ntcorr_00003.RA1\ntcorr_00004.RA1\n");
  const std::string scan = ReadWholeFile(folder.File("tcorr_00003.RA1"));
  EXPECT_NE(scan.find("[TIMESTAMP CORRECTED 1.010000]"), std::string::npos) << scan;
  EXPECT_NEAR(ScanDataSet.ScanHeaders[3].RecordedTime, 3030.0, 1e-6);
  EXPECT_NEAR(ScanDataSet.ScanHeaders[3].Omega2t, 2.7e7 * 3030.0, 1.0);
  // The corrected scans count as checked from now on.
  bool mixed = true;
  EXPECT_TRUE(ReadTimeStampMark(mixed, 1.001));
  EXPECT_FALSE(mixed);
}

TEST_F(TimeStampAnalysisTest, CasesThatChangeNothing) {
  // A recorded span under a minute gives no factor and the manual question.
  MakeRun({1000.0, 1010.0, 1020.0, 1030.0}, 1.5);
  EXPECT_EQ(TimeStampOutliers(false, 1.001).Factor, 0.0);
  backend().ScriptBoxAnswer(BoxAnswer::No);
  EXPECT_FALSE(TimeStampCheckWith(nullptr, 1.001, false));
  EXPECT_EQ(LogLinesWith("enter manually").size(), 1u);

  // A factor exactly at the threshold: no report, nothing written.
  MakeRun({1000.0, 2000.0, 3000.0}, 1.25);
  const double f = TimeStampOutliers(false, 100.0).Factor;
  EXPECT_NEAR(f, 1.25, 1e-9);
  EXPECT_FALSE(TimeStampCheckWith(nullptr, f, false));
  EXPECT_FALSE(std::filesystem::exists(folder.File("timestampanalysis.RA1")));
  EXPECT_FALSE(std::filesystem::exists(folder.File("list_corr.RA1")));

  // Mixed marks: an error, and no list for the caller to load.
  ScanDataSet.ScanHeaders[1].Description = "[T OK] run";
  ScanDataSet.ScanHeaders[3].Description = "[T OK] run";
  EXPECT_FALSE(TimeStampCheckWith(nullptr, 1.001, false));
  EXPECT_EQ(LogLinesWith("some scans time corrected, others not").size(), 1u);
}

TEST_F(TimeStampAnalysisTest, RestoredTimesFollowTheFileTimesOrChangeNothing) {
  MakeRun({1000.0, 2000.0, 3000.0}, 1.1);
  ASSERT_TRUE(RestoreTimesFromFiles(1));
  EXPECT_NEAR(ScanDataSet.ScanHeaders[3].RecordedTime, 1000.0 + 2200.0, 1e-6);
  EXPECT_NEAR(ScanDataSet.ScanHeaders[2].Time, 1000.0 + 1100.0, 1e-6);
  const double before = ScanDataSet.ScanHeaders[2].RecordedTime;
  std::filesystem::remove(folder.File(FormatName(3)));
  EXPECT_FALSE(RestoreTimesFromFiles(1));
  EXPECT_EQ(ScanDataSet.ScanHeaders[2].RecordedTime, before);
  EXPECT_EQ(LogLinesWith("could not open").size(), 1u);
}
