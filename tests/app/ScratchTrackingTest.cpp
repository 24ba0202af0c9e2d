// A sharp feature of the time-invariant noise, moved by a known radial
// shift in every scan, is tracked back to those shifts.
#include "app/scantools/ScratchTracking.h"
#include "numerics/RandomNumbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "app/ProgramStartLinks.h"
#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "support/TestSupport.h"

namespace {

class ScratchTrackingTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    WireAsTheProgramStartDoes(window);
  }
  void TearDown() override {
    FreeDataSet();
    HeadlessTest::TearDown();
  }
  // Never shown: the tool runs in the program under its window.
  TXLAWindow window{"Sedimentation Analysis"};
};

}  // namespace

TEST_F(ScratchTrackingTest, KnownShiftsOfAFeatureAreRecovered) {
  const double shifts[] = {0.0, 0.001, 0.002, -0.001};
  const int scans = 4, points = 2001;
  FreeDataSet();
  AllocScanSlots(scans);
  auto& d = ScanDataSet;
  d.NFILES = scans;
  std::mt19937 random(3);
  std::normal_distribution<float> noise(0.0f, 0.001f);
  // Time order differs from file order: file 2 is the earliest scan.
  const int order[] = {2, 1, 3, 4};
  for (int i = 1; i <= scans; ++i) {
    d.ScanPointCount[i] = points;
    for (auto* a : {&d.ScanRadius, &d.ScanSignal, &d.ScanModel, &d.ScanResiduals})
      (*a)[i].Resize(1, points);
    for (int k = 1; k <= points; ++k) {
      const double r = 6.0 + 0.0005 * (k - 1);
      const double x = (r - 6.5 - shifts[i - 1]) / 0.0015;
      d.ScanRadius[i][k] = static_cast<float>(r);
      d.ScanSignal[i][k] = static_cast<float>(0.3 * std::exp(-x * x) + 0.1 * r + 0.01 * i) + noise(random);
    }
    d.ScanFirstFitIndex[i] = 1;
    d.ScanLastFitIndex[i] = points;
    d.ScanTimeOrder[i] = order[i - 1];
  }
  SetupCommonRadialGrid();
  // The restarts draw from the clock-seeded stream; a fixed seed makes the
  // run the same at every second of the clock.
  SeedClockRandomGenerators(11);
  double quality = 0.0;
  const TrackedScratch s = TrackScratchAt(1001, 21, quality);
  EXPECT_NEAR(s.Radius, 6.5, 1e-4);
  ASSERT_EQ(s.Shifts.size(), 5u);
  // Relative to the earliest scan (file 2), in time order.
  const int first = order[0];
  for (int k = 1; k <= scans; ++k) {
    const int file = d.ScanTimeOrder[k];
    EXPECT_NEAR(s.Shifts[k], shifts[file - 1] - shifts[first - 1], 3e-4) << k;
  }
  EXPECT_EQ(s.Shifts[1], 0.0);
}
