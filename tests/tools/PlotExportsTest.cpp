// The export files of the plotting programs byte for byte on a two-scan data
// set: scans in time order, the distribution's closing line, the noise blocks
// and sentinels of the equilibrium file, and the DLS blocks.
#include <gtest/gtest.h>

#include "state/ProgramPaths.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/DataTestSupport.h"
#include "data/ScanDataSet.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "tools/PlotExports.h"

namespace {

class PlotExports : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    savedTemp = ProgramPaths.TempFolder;
    ProgramPaths.TempFolder = folder.path().string() + "/";
    FreeDataSet();
    ModelParameters = ModelParametersRecord{};
    FitControl.TINoiseFitted = false;
    // Scan 1 was recorded after scan 2; two of its three points are fitted.
    AllocScanSlots(2);
    auto& d = ScanDataSet;
    d.NFILES = 2;
    for (int i = 1; i <= 2; ++i) {
      d.ScanPointCount[i] = 3;
      for (auto* a : {&d.ScanRadius[i], &d.ScanSignal[i], &d.ScanModel[i], &d.ScanResiduals[i]})
        a->Resize(1, 3);
      for (int k = 1; k <= 3; ++k) {
        d.ScanRadius[i][k] = 6.0f + 0.5f * k;
        d.ScanSignal[i][k] = static_cast<float>(i) + 0.25f * k;
        d.ScanModel[i][k] = static_cast<float>(i);
        d.ScanResiduals[i][k] = 0.25f * k;
      }
      d.ScanFirstFitIndex[i] = 2;
      d.ScanLastFitIndex[i] = 3;
      d.ScanHeaders[i].Time = 1000.0 * (3 - i);
    }
    d.ScanTimeOrder[1] = 2;
    d.ScanTimeOrder[2] = 1;
  }
  void TearDown() override {
    FreeDataSet();
    DlsDataMode = false;
    DistributionResult = DistributionResultRecord{};
    ProgramPaths.TempFolder = savedTemp;
    DataTest::TearDown();
  }
  std::string Read(const std::string& name) { return ReadWholeFile(folder.File(name)); }
  ScratchFolder folder;
  std::string savedTemp;
};

TEST_F(PlotExports, DataAndFitFilesInTimeOrder) {
  ASSERT_EQ(WriteDataFiles(), 2);
  EXPECT_EQ(Read("1.dat"),
            "6.500000e+00 2.250000e+00\n7.000000e+00 2.500000e+00\n7.500000e+00 2.750000e+00\n");
  EXPECT_EQ(Read("2.dat"),
            "6.500000e+00 1.250000e+00\n7.000000e+00 1.500000e+00\n7.500000e+00 1.750000e+00\n");
  EXPECT_EQ(Read("times.dat"), "1.000000e+03\n2.000000e+03\n");
  ASSERT_EQ(WriteFitFiles(), 2);
  EXPECT_EQ(Read("1.fit"),
            "6.500000e+00 2.000000e+00\n7.000000e+00 2.000000e+00\n7.500000e+00 2.000000e+00\n");
}

TEST_F(PlotExports, DistributionForms) {
  EXPECT_EQ(WriteDistributionFile(true), 0);  // nothing computed yet
  const int saved = DistributionSettings.DistGridSize;
  DistributionSettings.DistGridSize = 2;
  DistributionResult.DistSGrid = {0, 1.5f, 3.0f};
  DistributionResult.DistValues = {0, 0.5f, 0.25f};
  ASSERT_EQ(WriteDistributionFile(true), 1);
  EXPECT_EQ(Read("dist.txt"), "1.500000e+00 5.000000e-01\n3.000000e+00 2.500000e-01\n"
                              "-999.999 -999.999\n");
  ASSERT_EQ(WriteDistributionFile(false), 1);
  EXPECT_EQ(Read("dist.dat"), "1.500000e+00 5.000000e-01\n3.000000e+00 2.500000e-01\n");
  // DLS grids are log10 of nm-scale radii: shifted by 9.
  DlsDataMode = true;
  ASSERT_EQ(WriteDistributionFile(false, folder.File("mine.dat")), 1);
  EXPECT_EQ(Read("mine.dat"), "1.050000e+01 5.000000e-01\n1.200000e+01 2.500000e-01\n");
  DistributionSettings.DistGridSize = saved;
}

TEST_F(PlotExports, EquilibriumFileWithoutNoise) {
  ASSERT_EQ(WriteSEDataFile(), 2);
  EXPECT_EQ(Read("SEdata.dat"),
            "7.000000\t1.500000\n7.500000\t1.750000\n-666.666 -666.666\n"
            "7.000000\t1.000000\n7.500000\t1.000000\n-777.777 -777.777\n-999.999 -999.999\n"
            "7.000000\t2.500000\n7.500000\t2.750000\n-666.666 -666.666\n"
            "7.000000\t2.000000\n7.500000\t2.000000\n-777.777 -777.777\n-999.999 -999.999\n"
            "-1001 -1001\n0 nan\n-1010 -1010\n-1100 -1100\n0 nan\n-1110 -1110\n");
}

TEST_F(PlotExports, DlsBlocks) {
  for (int i = 1; i <= 2; ++i)
    for (int k = 1; k <= 3; ++k) ScanDataSet.ScanRadius[i][k] = static_cast<float>(-k);
  ASSERT_EQ(WriteDLSExport(), 2);
  const std::string text = Read("dlsdata.dat");
  EXPECT_EQ(text.substr(0, text.find("-999.999")),
            "1.000000e-02\t1.500000e+00\n1.000000e-03\t1.750000e+00\n-666.666 -666.666\n"
            "1.000000e-02\t1.000000e+00\n1.000000e-03\t1.000000e+00\n-777.777 -777.777\n"
            "1.000000e-02\t5.000000e-01\n1.000000e-03\t7.500000e-01\n-888.888 -888.888\n");
}

TEST_F(PlotExports, UnwritableFolderIsReported) {
  ProgramPaths.TempFolder = folder.File("missing") + "/";
  EXPECT_EQ(WriteDataFiles(), 0);
  EXPECT_EQ(LogLinesWith("could not open").size(), 1u);
}

}  // namespace
