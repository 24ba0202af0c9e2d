// The non-ideal time loop allocates nothing while it steps: a run of many
// scans takes exactly as many allocations as a run of two (the work arrays
// are made once, at set-up).

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "AllocationCounting.h"
#include "lamm/CLammNonIdeal.h"
#include "lamm/LammSetupFixture.h"
#include "state/ComputationAbort.h"
#include "numerics/OneBasedArrays.h"
#include "support/TestSupport.h"

namespace {

constexpr double kS = 4.5, kD = 6e-7;

class TimeLoopAllocationTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ComputationAbort = false;
  }

  // Allocations of one Solve over `scans` scans 300 s apart, after the
  // solver and its output exist; the solver is set up by `configure`.
  template <typename Solver, typename Configure>
  long AllocationsOfRun(int scans, Configure configure) {
    LammSetupFixture data;
    data.MakeScans(scans, 50000, 300, 300);
    Solver l;
    data.Configure(l, kS, kD);
    // No automatic grid size: the grid must not differ between the runs.
    l.SetNumerics(100, 2000, 5.0f, 0, 1e-4, 1, 0, 0, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 0, 1.0, 0.1,
                  0.3, 0.05, 1000, 0, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
    OneBasedMatrix<double> rows(1, 2, 1, 3);
    OneBasedArray<double> times(1, 2), levels(1, 3);
    configure(l, rows, times, levels);
    AllocationCount = 0;
    CountingAllocations = true;
    const std::int32_t code = l.Solve();
    CountingAllocations = false;
    EXPECT_EQ(code, 0);
    return AllocationCount;
  }
};

TEST_F(TimeLoopAllocationTest, ANonIdealRunOfManyScansAllocatesNoMoreThanARunOfTwo) {
  // Non-ideal: ks 0.01 ml/mg, kd 0.005 ml/mg on a total concentration
  // table of 1 mg/ml at every radius.
  const auto nonideal = [](CLammNonIdeal& l, OneBasedMatrix<double>& rows,
                           OneBasedArray<double>& times, OneBasedArray<double>& levels) {
    l.SetNonidealModel(static_cast<float>(std::log10(0.01)), static_cast<float>(std::log10(0.005)),
                       1.0, 0, 0);
    times[1] = 1e4;
    times[2] = 2e4;
    for (int j = 1; j <= 3; ++j) {
      levels[j] = j / 3.0;
      rows[1][j] = rows[2][j] = 5.8;
    }
    const OneBasedMatrix<double>& r = rows;
    ASSERT_TRUE(l.SetMeanField(2, 3, r.get(), times.data(), levels.data(), levels[1], ""));
  };
  const long few = AllocationsOfRun<CLammNonIdeal>(2, nonideal);
  const long many = AllocationsOfRun<CLammNonIdeal>(30, nonideal);
  EXPECT_EQ(few, many);
}

}  // namespace
