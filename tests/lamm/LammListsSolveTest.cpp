// Lists of real Lamm equation solutions: whatever the number of worker
// threads and whether the workers share a counter or keep fixed shares, the
// rows are bitwise those of the sequential runner, and each equation's rows
// are those of a solver configured for it by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "LammSetupFixture.h"
#include "state/LammThreadCount.h"
#include "lamm/CLammIdeal.h"
#include "lamm/LammLists.h"
#include "lamm/LammWorkerThread.h"
#include "state/ComputationAbort.h"
#include "support/TestSupport.h"

namespace {

constexpr int kScans = 4;

// Species from a slowly diffusing small protein to a fast large particle,
// so that both propagation variants of the automatic choice take part.
struct ListSpecies {
  double s, D, vbar;
};
const ListSpecies kSpecies[] = {{1.0, 9e-7, 0.73},  {4.5, 6e-7, 0.72},  {11.0, 4e-7, 0.74},
                                {25.0, 2e-7, 0.73}, {60.0, 5e-8, 0.71}, {100.0, 2e-8, 0.73},
                                {-5.0, 5e-7, 1.10}};
constexpr int kCount = static_cast<int>(std::size(kSpecies));

class LammListsSolveTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ComputationAbort = false;
    experiment_.MakeScans(kScans, 50000, 600, 600);
    experiment_.Configure(master_, kSpecies[0].s, kSpecies[0].D);
    master_.SetSolvent(20.0, 0.73, 0.99823, 1.0);
    for (int i = 1; i <= kCount; ++i) {
      s_[i] = kSpecies[i - 1].s;
      D_[i] = kSpecies[i - 1].D;
      vbar_[i] = kSpecies[i - 1].vbar;
    }
  }
  void TearDown() override {
    LammThreadCount = 2;
    LammListFixedShares = false;
    ComputationAbort = false;
    HeadlessTest::TearDown();
  }

  // Fresh rows for every equation, each filled with NaN so that an unwritten
  // point cannot pass for a result.
  std::vector<OneBasedMatrix<float>> FreshRows(OneBasedArray<float**>& outputs) {
    std::vector<OneBasedMatrix<float>> rows(kCount + 1);
    for (int i = 1; i <= kCount; ++i) {
      rows[i].Resize(1, kScans, 1, experiment_.PointCount());
      for (int j = 1; j <= kScans; ++j)
        for (int p = 1; p <= experiment_.PointCount(); ++p) rows[i][j][p] = std::nanf("");
      outputs[i] = rows[i].get();
    }
    return rows;
  }
  bool SameBits(const std::vector<OneBasedMatrix<float>>& a,
                const std::vector<OneBasedMatrix<float>>& b, int i) {
    for (int j = 1; j <= kScans; ++j)
      if (std::memcmp(a[i][j] + 1, b[i][j] + 1, experiment_.PointCount() * sizeof(float)) != 0)
        return false;
    return true;
  }

  LammSetupFixture experiment_;
  CLammIdeal master_;
  OneBasedArray<double> s_{1, kCount}, D_{1, kCount}, vbar_{1, kCount};
};

TEST_F(LammListsSolveTest, ThreadedListEqualsSequentialListBitwise) {
  OneBasedArray<float**> sequentialOut(1, kCount);
  auto sequential = FreshRows(sequentialOut);
  ASSERT_EQ(RunLammListSequential(master_, kCount, s_.data(), D_.data(), vbar_.data(),
                                  sequentialOut.data(), experiment_.Radii.data(),
                                  experiment_.PointCount(), nullptr, nullptr),
            0);
  // The sequential rows are real solutions: each equation's own solver,
  // configured by hand, gives the same bits, and the profiles move.
  for (int i = 1; i <= kCount; ++i) {
    LammSetupFixture single = experiment_;
    CLammIdeal solver;
    single.Configure(solver, s_[i], D_[i]);
    solver.SetSolvent(20.0, vbar_[i], 0.99823, 1.0);
    ASSERT_EQ(solver.Solve(), 0) << "equation " << i;
    for (int j = 1; j <= kScans; ++j)
      EXPECT_EQ(std::memcmp(single.Output[j] + 1, sequential[i][j] + 1,
                            experiment_.PointCount() * sizeof(float)),
                0)
          << "equation " << i << ", scan " << j;
    EXPECT_NE(std::memcmp(sequential[i][1] + 1, sequential[i][kScans] + 1,
                          experiment_.PointCount() * sizeof(float)),
              0)
        << "equation " << i;
  }
  for (bool fixedShares : {false, true})
    for (int threads : {1, 2, 3, 4, kCount + 3}) {
      LammListFixedShares = fixedShares;
      LammThreadCount = threads;
      OneBasedArray<float**> threadedOut(1, kCount);
      auto threaded = FreshRows(threadedOut);
      EXPECT_EQ(CLRunMTList(master_, kCount, s_.data(), D_.data(), vbar_.data(),
                            threadedOut.data(), experiment_.Radii.data(),
                            experiment_.PointCount(), nullptr, nullptr),
                0);
      for (int i = 1; i <= kCount; ++i)
        EXPECT_TRUE(SameBits(threaded, sequential, i))
            << threads << " threads, " << (fixedShares ? "fixed shares" : "shared counter")
            << ", equation " << i;
    }
  EXPECT_TRUE(backend().Log().empty());
}

}  // namespace
