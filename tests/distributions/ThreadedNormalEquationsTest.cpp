// Threaded normal equations: bit for bit the single-threaded build for every
// noise model and any number of workers (one, several, more than there are
// grid points), progress up to completion, and an interruption that leaves
// no half-built system and the inputs untouched.

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "NoiseProblemFixture.h"
#include "distributions/ThreadedNormalEquations.h"
#include "state/ComputationAbort.h"
#include "state/LoadOptions.h"

namespace {

using noise_problem::Problem;

struct NoiseCase {
  const char* name;
  SystematicNoise noise;
  double baseline;
};

const NoiseCase kNoiseCases[] = {
    {"none with a fixed baseline", SystematicNoise::None, -0.2},
    {"baseline", SystematicNoise::Baseline, 0.0},
    {"time-invariant", SystematicNoise::TimeInvariant, 0.0},
    {"radial-invariant", SystematicNoise::RadialInvariant, 0.0},
    {"time- and radial-invariant", SystematicNoise::TimeAndRadialInvariant, 0.0},
};

// Everything a build writes, for exact comparison.
std::vector<double> SystemOf(const NormalEquationArrays& neq) {
  std::vector<double> v;
  for (int i = 1; i <= neq.Size; ++i)
    v.insert(v.end(), neq.NormalMatrix[i], neq.NormalMatrix[i] + neq.Size + 1);
  for (int i = 0; i <= neq.Size; ++i) v.push_back(neq.NormalVector[i]);
  v.push_back(neq.DataSquareSum);
  return v;
}

// The build writes its steps to the diagnostics log, which is off here: the
// lines are dropped.
class ThreadedNormalEquationsTest : public ::testing::Test {
 protected:
  void SetUp() override { DebugLog = [](platform::WindowHandle, const std::string&) {}; }
};

TEST_F(ThreadedNormalEquationsTest, EqualsTheSingleThreadedBuildBitForBit) {
  Problem p;
  noise_problem::Fill(p, 7, 5, 600, 20, 570, 3u);  // 551 fit radii: three blocks
  for (const NoiseCase& c : kNoiseCases) {
    SCOPED_TRACE(c.name);
    const NormalEquationProblem problem = p.Describe(c.noise, c.baseline);
    NoiseEliminationRecord single;
    ASSERT_TRUE(BuildNormalEquations(problem, p.neq, single));
    const std::vector<double> expected = SystemOf(p.neq);
    for (int threads : {1, 2, 3, 8, p.n + 3}) {
      SCOPED_TRACE(threads);
      NoiseEliminationRecord threaded;
      ASSERT_TRUE(NormalEquationsThreaded(problem, p.neq, threaded, threads));
      EXPECT_EQ(SystemOf(p.neq), expected);
      EXPECT_EQ(threaded.DataGrandMean, single.DataGrandMean);
      EXPECT_EQ(threaded.DataPointCount, single.DataPointCount);
    }
  }
}

TEST_F(ThreadedNormalEquationsTest, ReportsProgressUpToCompletion) {
  Problem p;
  noise_problem::Fill(p, 4, 6, 50, 5, 45, 5u);
  for (int threads : {1, 3, 9}) {
    std::vector<double> seen;
    NormalEquationProgress progress;
    progress.Fraction = [&seen](double f) { seen.push_back(f); };
    NoiseEliminationRecord record;
    ASSERT_TRUE(NormalEquationsThreaded(p.Describe(SystematicNoise::TimeInvariant), p.neq, record,
                                        threads, progress));
    ASSERT_EQ(seen.size(), 6u) << threads;
    for (std::size_t k = 1; k < seen.size(); ++k) EXPECT_GT(seen[k], seen[k - 1]);
    EXPECT_DOUBLE_EQ(seen.back(), 1.0);
  }
}

TEST_F(ThreadedNormalEquationsTest, AnInterruptionClearsTheSystemAndLeavesTheInputs) {
  Problem p;
  noise_problem::Fill(p, 5, 4, 60, 3, 58, 9u);
  std::vector<float> data0;
  for (int s = 1; s <= p.scans; ++s)
    data0.insert(data0.end(), p.data[s] + 1, p.data[s] + p.radii + 1);
  const float kernel0 = p.kernel.get()[3][2][30];
  NoiseEliminationRecord record;
  ComputationAbort = true;
  EXPECT_FALSE(NormalEquationsThreaded(p.Describe(SystematicNoise::TimeAndRadialInvariant), p.neq,
                                       record, 3));
  EXPECT_TRUE(ComputationAbort);
  ComputationAbort = false;
  for (double v : SystemOf(p.neq)) EXPECT_EQ(v, 0.0);
  std::vector<float> data1;
  for (int s = 1; s <= p.scans; ++s)
    data1.insert(data1.end(), p.data[s] + 1, p.data[s] + p.radii + 1);
  EXPECT_EQ(data1, data0);
  EXPECT_EQ(p.kernel.get()[3][2][30], kernel0);
}

}  // namespace
