// Synthetic runs: radii, scan times with and without an acceleration phase,
// the noise, the files read back, the continuous-model road, and the
// requests that leave the data set alone.

#include <cmath>
#include <filesystem>

#include "DataOpsTestSupport.h"
#include "state/ModelSelection.h"
#include "state/ProgramPaths.h"
#include "data/SyntheticData.h"
#include "state/DistributionSettingsRecords.h"
#include "numerics/RandomNumbers.h"

namespace {

class SyntheticDataTest : public DataOpsTest {
 protected:
  void SetUp() override {
    DataOpsTest::SetUp();
    ModelSelection = ModelSelectionRecord{};
    ModelParameters.Meniscus = 6.0f;
    ModelParameters.Bottom = 7.2f;
    // The model: a boundary that moves with time.
    DataOperationLinks.SimulateModel = [this](platform::WindowHandle) {
      ++calls.Simulations;
      auto& d = ScanDataSet;
      for (int i = 1; i <= d.NFILES; ++i)
        for (int k = 1; k <= d.ScanPointCount[i]; ++k)
          d.ScanModel[i][k] =
              d.ScanRadius[i][k] > 6.0f + 1e-5f * static_cast<float>(d.ScanHeaders[i].Time) ? 1.0f
                                                                                             : 0.0f;
    };
  }
  void TearDown() override {
    ModelSelection = ModelSelectionRecord{};
    DistributionRunFlags = DistributionRunFlagsRecord{};
    DataOpsTest::TearDown();
  }
  SyntheticDataRequest Request(int scans = 50) const {
    SyntheticDataRequest q;
    q.scanCount = scans;
    q.radialStep = 0.001f;
    q.rpm = 50000.0f;
    q.acceleration = -1.0f;
    q.interval = 300.0f;
    q.path = scratch.File("synthetic.ra0");
    return q;
  }
};

TEST_F(SyntheticDataTest, RadiiFollowTheAccumulatedStep) {
  ASSERT_TRUE(GenerateSyntheticData(nullptr, Request(2)));
  const auto& d = ScanDataSet;
  int count = 0;
  for (float r = 6.0f; r <= 7.2f; r += 0.001f) ++count;
  ASSERT_EQ(d.ScanPointCount[1], count);
  EXPECT_NEAR(count, 1201, 1);
  EXPECT_EQ(d.ScanRadius[1][1], 6.0f);
  EXPECT_EQ(d.ScanRadius[2][601], 6.0f + 600.0f * 0.001f);
  EXPECT_EQ(InitialDistribution.Count, count);
  EXPECT_FLOAT_EQ(d.FitLeftLim, 6.01f);
  EXPECT_FLOAT_EQ(d.FitRightLim, 7.19f);
  EXPECT_GT(CommonRadialGrid.CommonGridSize, 0);
}

TEST_F(SyntheticDataTest, ScanTimesWithAndWithoutAcceleration) {
  const struct {
    float firstTime, acceleration;
    double first, second, last, ramp;
  } cases[] = {{0.0f, -1.0f, 300.0, 600.0, 15000.0, 0.0},
               {100.0f, -1.0f, 100.0, 400.0, 14800.0, 0.0},
               {0.0f, 200.0f, 550.0, 850.0, 15250.0, 250.0}};
  const double w2 = std::pow(50000.0 * 3.14159265358979323846 / 30.0, 2.0);
  for (const auto& c : cases) {
    SyntheticDataRequest q = Request();
    q.radialStep = 0.01f;
    q.firstTime = c.firstTime;
    q.acceleration = c.acceleration;
    ASSERT_TRUE(GenerateSyntheticData(nullptr, q));
    const auto& h = ScanDataSet.ScanHeaders;
    EXPECT_DOUBLE_EQ(h[1].Time, c.first);
    EXPECT_DOUBLE_EQ(h[2].Time, c.second);
    EXPECT_DOUBLE_EQ(h[50].Time, c.last);
    EXPECT_DOUBLE_EQ(h[50].RecordedTime, c.last);
    EXPECT_DOUBLE_EQ(h[1].RampDuration, c.ramp);
    EXPECT_NEAR(h[2].Omega2t, w2 * (c.second - c.ramp) + w2 * c.ramp / 3.0, 1.0);
  }
}

TEST_F(SyntheticDataTest, FilesReadBackAsTheScans) {
  SyntheticDataRequest q = Request(3);
  q.radialStep = 0.01f;
  ASSERT_TRUE(GenerateSyntheticData(nullptr, q));
  const auto& d = ScanDataSet;
  for (int i = 1; i <= 3; ++i) {
    char name[20];
    std::snprintf(name, sizeof name, "%05d.ra0", i);
    const ReadScan s = ReadScanAt(scratch.File(name));
    ASSERT_EQ(s.result, 1) << name;
    ASSERT_EQ(s.count, d.ScanPointCount[i]);
    for (int k = 1; k <= s.count; k += 7) EXPECT_NEAR(s.signal[k], d.ScanSignal[i][k], 1e-6f);
    EXPECT_EQ(s.header.Description, "[T OK]synthetic");
    EXPECT_FLOAT_EQ(s.header.Rpm, 50000.0f);
    EXPECT_DOUBLE_EQ(s.header.RecordedTime, d.ScanHeaders[i].Time);
    EXPECT_FLOAT_EQ(s.header.Wavelength, 100.0f);
  }
  EXPECT_EQ(DataFileLocation.DataFolder, scratch.path().string());
}

TEST_F(SyntheticDataTest, NoiseIsAddedToTheModelAndReported) {
  DrawingAllowed = true;
  SyntheticDataRequest q = Request(20);
  q.radialStep = 0.005f;
  ASSERT_TRUE(GenerateSyntheticData(nullptr, q));
  const auto& d = ScanDataSet;
  EXPECT_EQ(d.ScanSignal[5][100], d.ScanModel[5][100]);
  EXPECT_TRUE(LogLinesWith("mean dev").empty());

  SeedClockRandomGenerators(17);
  q.noise = 0.01f;
  ASSERT_TRUE(GenerateSyntheticData(nullptr, q));
  double sum = 0.0, squares = 0.0;
  int n = 0;
  for (int i = 1; i <= d.NFILES; ++i)
    for (int k = 1; k <= d.ScanPointCount[i]; ++k, ++n) {
      const double e = d.ScanSignal[i][k] - d.ScanModel[i][k];
      sum += e;
      squares += e * e;
    }
  EXPECT_NEAR(sum / n, 0.0, 1e-3);
  EXPECT_NEAR(std::sqrt(squares / n), 0.01, 5e-4);
  EXPECT_EQ(LogLinesWith("mean dev = 0.01").size(), 1u);
  DrawingAllowed = false;
}

TEST_F(SyntheticDataTest, RequestsThatMakeNoData) {
  LoadNamedScans({{"00001.RA1"}});
  ModelParameters.SystematicNoiseOn = true;
  FitControl.TINoiseFitted = true;
  const struct {
    float step, bottom;
    bool message;
  } cases[] = {{0.0f, 7.2f, false}, {-0.001f, 7.2f, true}, {0.001f, 5.9f, false}};
  for (const auto& c : cases) {
    SyntheticDataRequest q = Request();
    q.radialStep = c.step;
    ModelParameters.Bottom = c.bottom;
    backend().ClearLog();
    EXPECT_FALSE(GenerateSyntheticData(nullptr, q));
    EXPECT_EQ(ScanDataSet.NFILES, 1);
    EXPECT_EQ(ScanDataSet.ScanFilePaths[1], "00001.RA1");
    EXPECT_FALSE(ModelParameters.SystematicNoiseOn);
    EXPECT_FALSE(FitControl.TINoiseFitted);
    EXPECT_EQ(LogLinesWith("must be positive").size(), c.message ? 1u : 0u);
  }
  SyntheticDataRequest none = Request(0);
  FitControl.TINoiseFitted = true;
  EXPECT_FALSE(GenerateSyntheticData(nullptr, none));
  EXPECT_TRUE(FitControl.TINoiseFitted);
  EXPECT_EQ(calls.Simulations, 0);
}

TEST_F(SyntheticDataTest, ContinuousModelsSimulateTheDistributionFile) {
  SelectModelKind(ModelKind::ContinuousCS);
  std::string loaded;
  bool simulatedFromDistribution = false;
  DataOperationLinks.LoadDistributionFile = [&](const std::string& path) {
    loaded = path;
    return true;
  };
  DataOperationLinks.RunContinuousModel = [&](platform::WindowHandle) {
    simulatedFromDistribution = DistributionRunFlags.SimulateFromDistribution &&
                                CommonRadialGrid.CommonGridSize == ScanDataSet.ScanPointCount[1];
  };
  backend().ScriptBoxAnswer(platform::BoxAnswer::Ok);
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  SyntheticDataRequest q = Request(2);
  q.radialStep = 0.01f;
  ASSERT_TRUE(GenerateSyntheticData(nullptr, q));
  EXPECT_EQ(loaded, ProgramPaths.DistribFile);
  EXPECT_TRUE(simulatedFromDistribution);
  EXPECT_FALSE(DistributionRunFlags.SimulateFromDistribution);
  EXPECT_EQ(LogLinesWith("put synthetic distribution in").size(), 1u);
  EXPECT_EQ(calls.Simulations, 0);
  EXPECT_TRUE(ScanReaderOptions.AbsorbanceData);
}

}  // namespace
