// Scan times from omega^2 t: the times of a run at constant speed come back
// from their omega^2 t, the recorded times come back when switched off, and
// light-scattering and electrophoresis data keep their times.

#include <cmath>

#include "data/DataSetServices.h"
#include "data/DataTestSupport.h"
#include "models/ScanTimesFromW2t.h"
#include "numerics/ConstantShorthands.h"

namespace {

class ScanTimesFromW2tTest : public DataTest {
 protected:
  // Scans at the given speeds whose omega^2 t is that of a run at constant
  // speed from t = 0 to the recorded time plus a lag: the recorded times lag
  // behind the times that omega^2 t implies, as after a slow acceleration.
  void LoadRun(const std::vector<float>& rpms, double lag) {
    std::vector<TestScan> scans;
    for (std::size_t i = 0; i < rpms.size(); ++i)
      scans.push_back({6.0, 6.1, 0.01, 600.0 * static_cast<double>(i + 1), nullptr, 0.1f});
    LoadTestScans(scans);
    for (int i = 1; i <= ScanDataSet.NFILES; ++i) {
      ScanHeader& h = ScanDataSet.ScanHeaders[i];
      h.Rpm = rpms[static_cast<std::size_t>(i - 1)];
      h.RecordedTime = h.Time;
      const double omega = 2.0 * kPi * h.Rpm / 60.0;
      h.Omega2t = omega * omega * (h.Time + lag);
    }
  }
};

TEST_F(ScanTimesFromW2tTest, AtConstantSpeedTheTimeIsOmega2tOverOmegaSquared) {
  LoadRun({50000.0f, 50000.0f, 42000.0f, 3000.0f}, 37.5);
  ScanDataSet.RampRotorSpeed = true;
  SetScanTimesFromW2t();
  EXPECT_TRUE(ScanDataSet.TimesFromW2t);
  EXPECT_FALSE(ScanDataSet.RampRotorSpeed);
  for (int i = 1; i <= ScanDataSet.NFILES; ++i) {
    const ScanHeader& h = ScanDataSet.ScanHeaders[i];
    EXPECT_NEAR(h.Time, h.RecordedTime + 37.5, 1e-9 * h.Time) << "scan " << i;
  }
  // Switched off: the recorded times again.
  TimesFromW2tOff(nullptr);
  EXPECT_FALSE(ScanDataSet.TimesFromW2t);
  for (int i = 1; i <= ScanDataSet.NFILES; ++i)
    EXPECT_EQ(ScanDataSet.ScanHeaders[i].Time, ScanDataSet.ScanHeaders[i].RecordedTime);
}

TEST_F(ScanTimesFromW2tTest, TenThousandSecondsAtFiftyThousandRpm) {
  LoadRun({50000.0f}, 0.0);
  ScanDataSet.ScanHeaders[1].Omega2t = 2.74155677808e11;
  SetScanTimesFromW2t();
  EXPECT_NEAR(ScanDataSet.ScanHeaders[1].Time, 10000.0, 1e-6);
}

TEST_F(ScanTimesFromW2tTest, ScanWithoutSpeedKeepsItsTime) {
  LoadRun({50000.0f, 0.0f}, 10.0);
  SetScanTimesFromW2t();
  EXPECT_NEAR(ScanDataSet.ScanHeaders[1].Time, 610.0, 1e-6);
  EXPECT_EQ(ScanDataSet.ScanHeaders[2].Time, 1200.0);
}

TEST_F(ScanTimesFromW2tTest, LightScatteringAndElectrophoresisKeepTheirTimes) {
  for (int mode = 0; mode < 2; ++mode) {
    SCOPED_TRACE(mode == 0 ? "light scattering" : "electrophoresis");
    ResetDataRecords();
    LoadRun({50000.0f, 50000.0f}, 25.0);
    DlsDataMode = mode == 0;
    ScanReaderOptions.ElectrophoresisDataMode = mode == 1;
    ScanDataSet.RampRotorSpeed = true;
    SetScanTimesFromW2t();
    EXPECT_TRUE(ScanDataSet.TimesFromW2t);
    EXPECT_FALSE(ScanDataSet.RampRotorSpeed);
    EXPECT_EQ(ScanDataSet.ScanHeaders[1].Time, 600.0);
    EXPECT_EQ(ScanDataSet.ScanHeaders[2].Time, 1200.0);
  }
}

}  // namespace
