// Normal equations with systematic noise: the analytic elimination equals
// the explicit fit of one column per noise offset, the loaded signals and
// the kernel are never written, kernel columns without signal are carried
// through to a solvable system, interruptions leave no half-built system,
// and the program's normal-equation step takes its inputs from the loaded
// data.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "ContiRunFixture.h"
#include "NoiseProblemFixture.h"
#include "distributions/DistributionNNLS.h"
#include "state/DisplayState.h"
#include "distributions/DistributionNormalEquations.h"
#include "numerics/DenseKernels.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "platform/RecordingCanvas.h"
#include "platform/Window.h"
#include "support/TestSupport.h"

namespace {

using noise_problem::Problem;

struct EliminationCase {
  const char* name;
  SystematicNoise noise;
  double baseline;
  bool fixedFirst;
};

const EliminationCase kEliminationCases[] = {
    {"none, fixed baseline subtracted", SystematicNoise::None, 0.3, false},
    {"baseline", SystematicNoise::Baseline, 0.0, false},
    {"time-invariant", SystematicNoise::TimeInvariant, 0.0, false},
    {"radial-invariant", SystematicNoise::RadialInvariant, 0.0, false},
    {"time- and radial-invariant", SystematicNoise::TimeAndRadialInvariant, 0.0, false},
    {"TI + RI with a fixed first column", SystematicNoise::TimeAndRadialInvariant, 0.0, true},
};

double MaxAbs(const noise_problem::Dense& a) {
  double m = 0.0;
  for (const auto& row : a)
    for (double v : row) m = std::max(m, std::fabs(v));
  return m;
}

// 300 fit radii (more than one block of the accumulation) with points
// outside the fit range on both sides.
void FillStandard(Problem& p, unsigned seed = 7u) {
  noise_problem::Fill(p, 6, 4, 320, 11, 310, seed);
}

// Builds p's system for case c and compares it with the explicit fit.
void ExpectTheExplicitFit(Problem& p, const EliminationCase& c) {
  NoiseEliminationRecord record;
  ASSERT_TRUE(BuildNormalEquations(p.Describe(c.noise, c.baseline, c.fixedFirst), p.neq, record));
  const noise_problem::Reduced ref =
      noise_problem::ExplicitNoiseFit(p, c.noise, c.baseline, c.fixedFirst);
  const int m = static_cast<int>(ref.b.size());
  ASSERT_EQ(m, c.fixedFirst ? p.n - 1 : p.n);
  const double scaleA = MaxAbs(ref.A);
  double scaleB = 0.0;
  for (double v : ref.b) scaleB = std::max(scaleB, std::fabs(v));
  for (int i = 1; i <= m; ++i) {
    for (int l = 1; l <= m; ++l)
      EXPECT_NEAR(p.neq.NormalMatrix[i][l],
                  ref.A[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(l - 1)],
                  1e-11 * scaleA)
          << i << "," << l;
    EXPECT_NEAR(p.neq.NormalVector[i], ref.b[static_cast<std::size_t>(i - 1)], 1e-11 * scaleB);
  }
  EXPECT_NEAR(p.neq.DataSquareSum, ref.yy, 1e-11 * ref.yy);
  // A system reduced by the fixed column leaves its last row empty.
  if (c.fixedFirst) {
    for (int l = 0; l <= p.n; ++l) EXPECT_EQ(p.neq.NormalMatrix[p.n][l], 0.0);
  }
  EXPECT_EQ(record.FixedFirstComponent, c.fixedFirst);
}

// On both Gram kernels: the wide-vector one where the processor has it, and
// the portable one that machines without it take.
TEST(DistributionNormalEquationsTest, EliminatingNoiseEqualsFittingItExplicitly) {
  for (const bool wide : {true, false}) {
    const bool earlier = AllowWideVectorKernels(wide);
    for (const EliminationCase& c : kEliminationCases) {
      SCOPED_TRACE(testing::Message() << c.name << (wide ? "" : ", portable kernels"));
      Problem p;
      FillStandard(p);
      ExpectTheExplicitFit(p, c);
    }
    AllowWideVectorKernels(earlier);
  }
}

TEST(DistributionNormalEquationsTest, LongScansAndManyScansAreSummedWhole) {
  // Scans longer than one piece of the accumulation (split in two), and
  // more scans than lanes, so that every piece and lane boundary is crossed.
  const EliminationCase cases[] = {
      {"radial-invariant", SystematicNoise::RadialInvariant, 0.0, false},
      {"baseline", SystematicNoise::Baseline, 0.0, false}};
  Problem p;
  noise_problem::Fill(p, 3, 20, 4300, 5, 4290, 11u);
  for (const EliminationCase& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectTheExplicitFit(p, c);
  }
}

TEST(DistributionNormalEquationsTest, RepeatedBuildsNeverChangeTheDataOrTheKernel) {
  Problem p;
  FillStandard(p);
  const auto kernelBefore = [&] {
    std::vector<float> v;
    for (int g = 1; g <= p.n; ++g)
      for (int s = 1; s <= p.scans; ++s)
        v.insert(v.end(), p.kernel.get()[g][s] + 1, p.kernel.get()[g][s] + p.radii + 1);
    return v;
  };
  const auto dataBefore = [&] {
    std::vector<float> v;
    for (int s = 1; s <= p.scans; ++s) v.insert(v.end(), p.data[s] + 1, p.data[s] + p.radii + 1);
    return v;
  };
  const std::vector<float> kernel0 = kernelBefore(), data0 = dataBefore();
  for (const EliminationCase& c : kEliminationCases) {
    SCOPED_TRACE(c.name);
    std::vector<double> first;
    for (int run = 0; run < 3; ++run) {
      NoiseEliminationRecord record;
      ASSERT_TRUE(
          BuildNormalEquations(p.Describe(c.noise, c.baseline, c.fixedFirst), p.neq, record));
      EXPECT_EQ(kernelBefore(), kernel0);
      EXPECT_EQ(dataBefore(), data0);
      std::vector<double> result(p.neq.NormalMatrix[1], p.neq.NormalMatrix[1] + p.n + 1);
      result.push_back(p.neq.NormalVector[p.n - 1]);
      result.push_back(p.neq.DataSquareSum);
      if (run == 0)
        first = result;
      else
        EXPECT_EQ(result, first);
    }
  }
}

// Grid point 2 never reaches the data (a zero column); grid point 5 is a
// plateau of the same height everywhere, which the TI and RI offsets
// explain completely (the "smin too low" case). Both must leave zero rows
// that the non-negative solver keeps at zero, and the rest of the
// distribution must still be found.
TEST(DistributionNormalEquationsTest, KernelColumnsWithoutSignalGiveZeroRowsThatTheSolverKeeps) {
  Problem p;
  FillStandard(p, 11u);
  float*** K = p.kernel.get();
  const double truth[] = {0.0, 0.8, 0.5, 0.0, 1.2, 0.9, 0.4};
  for (int s = 1; s <= p.scans; ++s)
    for (int r = 1; r <= p.radii; ++r) {
      K[2][s][r] = 0.0f;
      K[5][s][r] = 0.8f;
      double y = 0.05 * std::sin(0.1 * r) + 0.02 * s;  // TI + RI offsets
      for (int g = 1; g <= p.n; ++g) y += truth[g] * K[g][s][r];
      p.data[s][r] = static_cast<float>(y);
    }
  NoiseEliminationRecord record;
  ASSERT_TRUE(
      BuildNormalEquations(p.Describe(SystematicNoise::TimeAndRadialInvariant), p.neq, record));
  for (int l = 1; l <= p.n; ++l) {
    for (int zero : {2, 5}) {
      EXPECT_EQ(p.neq.NormalMatrix[zero][l], 0.0);
      EXPECT_EQ(p.neq.NormalMatrix[l][zero], 0.0);
    }
  }
  EXPECT_EQ(p.neq.NormalVector[2], 0.0);
  EXPECT_EQ(p.neq.NormalVector[5], 0.0);
  for (int i = 1; i <= p.n; ++i)
    for (int l = 1; l <= p.n; ++l) p.neq.RegularizedMatrix[i][l] = p.neq.NormalMatrix[i][l];
  ASSERT_EQ(NNLS(p.neq, p.n), NnlsResult::Solved);
  EXPECT_EQ(p.neq.DistSolution[2], 0.0);
  EXPECT_EQ(p.neq.DistSolution[5], 0.0);
  for (int g : {1, 3, 4, 6}) EXPECT_NEAR(p.neq.DistSolution[g], truth[g], 1e-4) << g;
}

// Under each noise model a column of the shape that its offsets take (one
// constant, a profile the same in every scan, one level per scan) is
// explained completely: its row and column are exactly zero, and the rest
// of the system is still that of the explicit fit.
TEST(DistributionNormalEquationsTest, ColumnsThatTheOffsetsExplainGiveExactlyZeroRows) {
  struct Case {
    const char* name;
    SystematicNoise noise;
    float (*value)(int s, int r);
  };
  const auto constant = [](int, int) { return 0.8f; };
  const auto profile = [](int, int r) { return 0.3f + 0.001f * static_cast<float>(r); };
  const auto level = [](int s, int) { return 0.1f * static_cast<float>(s); };
  const Case cases[] = {
      {"baseline, a constant", SystematicNoise::Baseline, constant},
      {"time-invariant, a radial profile", SystematicNoise::TimeInvariant, profile},
      {"radial-invariant, a level per scan", SystematicNoise::RadialInvariant, level},
      {"TI + RI, a radial profile", SystematicNoise::TimeAndRadialInvariant, profile},
  };
  constexpr int kExplained = 3;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Problem p;
    FillStandard(p);
    for (int s = 1; s <= p.scans; ++s)
      for (int r = 1; r <= p.radii; ++r) p.kernel.get()[kExplained][s][r] = c.value(s, r);
    ExpectTheExplicitFit(p, {c.name, c.noise, 0.0, false});
    for (int l = 1; l <= p.n; ++l) {
      EXPECT_EQ(p.neq.NormalMatrix[kExplained][l], 0.0) << l;
      EXPECT_EQ(p.neq.NormalMatrix[l][kExplained], 0.0) << l;
    }
    EXPECT_EQ(p.neq.NormalVector[kExplained], 0.0);
  }
}

class NormalEquationInterruptTest : public HeadlessTest {
 protected:
  void TearDown() override {
    ComputationAbort = false;
    HeadlessTest::TearDown();
  }
};

TEST_F(NormalEquationInterruptTest, AnInterruptedBuildLeavesNoSystemAndTheFlagSet) {
  struct Interrupt {
    const char* name;
    bool abortFlag;
    bool keyPress;
  };
  for (const Interrupt& in : {Interrupt{"abort flag set elsewhere", true, false},
                              Interrupt{"key pressed", false, true}}) {
    SCOPED_TRACE(in.name);
    Problem p;
    FillStandard(p);
    NoiseEliminationRecord record;
    ASSERT_TRUE(BuildNormalEquations(p.Describe(SystematicNoise::TimeInvariant), p.neq, record));
    ComputationAbort = in.abortFlag;
    if (in.keyPress) backend().PostMessage({nullptr, platform::MessageKind::KeyDown, 'A', 0});
    EXPECT_FALSE(BuildNormalEquations(p.Describe(SystematicNoise::TimeInvariant), p.neq, record));
    EXPECT_TRUE(ComputationAbort);
    for (int i = 1; i <= p.n; ++i) {
      EXPECT_EQ(p.neq.NormalVector[i], 0.0);
      for (int l = 1; l <= p.n; ++l) EXPECT_EQ(p.neq.NormalMatrix[i][l], 0.0);
    }
    EXPECT_EQ(p.neq.DataSquareSum, 0.0);
    ComputationAbort = false;
  }
}

// The program's step on loaded scans: the kernel and the common grid's
// signals of the data set, the fit range of the grid, the noise flags of the
// model parameters.
class ContiNormalEquationsTest : public ContiRunTest {
 protected:
  static constexpr int kScans = 3, kPoints = 40, kGrid = 5;

  void SetUp() override {
    ContiRunTest::SetUp();
    std::vector<SyntheticScan> scans;
    for (int i = 1; i <= kScans; ++i) scans.push_back({300.0 * i});
    LoadScans(scans, kPoints, 6.0, 0.01, 5.9f, 7.2f,
              [](int i, double r) { return static_cast<float>(std::cos(3 * r) + 0.1 * i); });
    CommonRadialGrid.GridFirstFitIndex = 4;
    CommonRadialGrid.GridLastFitIndex = 37;
    ASSERT_TRUE(AllocKernelArray(kGrid, kScans, CommonRadialGrid.CommonGridSize));
    ASSERT_TRUE(AllocNormalEqArrays(kGrid, kScans, CommonRadialGrid.CommonGridSize));
    for (int g = 1; g <= kGrid; ++g)
      for (int s = 1; s <= kScans; ++s)
        for (int r = 1; r <= kPoints; ++r)
          DistKernel.get()[g][s][r] = static_cast<float>(std::sin(0.3 * g * r + s));
  }

  // The same build on an explicit description of the loaded problem.
  NormalEquationArrays Expected(SystematicNoise noise) {
    NormalEquationArrays neq;
    neq.Allocate(kGrid, kScans, kPoints);
    NormalEquationProblem p;
    p.Kernel = DistKernel.get();
    p.Data = CommonRadialGrid.ResampledSignals.data();
    p.KernelColumns = kGrid;
    p.ScanCount = kScans;
    p.RadiusCount = kPoints;
    p.FitFirst = 4;
    p.FitLast = 37;
    p.Noise = noise;
    p.Baseline = ModelParameters.Baseline;
    NoiseEliminationRecord record;
    BuildNormalEquations(p, neq, record);
    return neq;
  }
};

TEST_F(ContiNormalEquationsTest, BuildsFromTheLoadedDataWithTheNoiseModelOfTheFlags) {
  struct FlagCase {
    bool ti, ri, systematic;
    SystematicNoise noise;
    bool threads;
  };
  const FlagCase cases[] = {
      {true, true, true, SystematicNoise::TimeAndRadialInvariant, true},
      {true, false, true, SystematicNoise::TimeInvariant, false},
      {false, true, false, SystematicNoise::RadialInvariant, true},
      {false, false, true, SystematicNoise::Baseline, false},
      {false, false, false, SystematicNoise::None, true},
  };
  ModelParameters.Baseline = 0.25f;
  for (const FlagCase& c : cases) {
    FitControl.TINoiseFitted = c.ti;
    ModelParameters.RINoiseFitted = c.ri;
    ModelParameters.SystematicNoiseOn = c.systematic;
    ComputationAbort = true;  // left over from an earlier interruption
    ContiNormalEquationSettings settings;
    settings.MultithreadingOn = c.threads;
    settings.ThreadCount = 3;
    ASSERT_TRUE(ContiNormalEquations(nullptr, settings));
    EXPECT_EQ(NoiseElimination.Noise, c.noise);
    const NormalEquationArrays expected = Expected(c.noise);
    for (int i = 1; i <= kGrid; ++i) {
      EXPECT_EQ(NormalEquations.NormalVector[i], expected.NormalVector[i]);
      for (int l = 1; l <= kGrid; ++l)
        EXPECT_EQ(NormalEquations.NormalMatrix[i][l], expected.NormalMatrix[i][l]);
    }
    EXPECT_EQ(NormalEquations.DataSquareSum, expected.DataSquareSum);
  }
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(ContiNormalEquationsTest, AFixedBufferSignalNeedsTimeAndRadialInvariantNoise) {
  FitControl.TINoiseFitted = true;
  ModelParameters.RINoiseFitted = false;
  ContiNormalEquationSettings settings;
  settings.FixedFirstComponent = true;
  settings.FixedFirstValue = 0.4;
  EXPECT_FALSE(ContiNormalEquations(nullptr, settings));
  ASSERT_EQ(LogLinesWith("buffer mismatch with fixed concentration not implemented in c(s) for "
                         "this noise model")
                .size(),
            1u);
  EXPECT_EQ(LogLinesWith("ERROR").size(), 1u);
  for (int i = 1; i <= kGrid; ++i) EXPECT_EQ(NormalEquations.NormalVector[i], 0.0);

  ModelParameters.RINoiseFitted = true;
  EXPECT_TRUE(ContiNormalEquations(nullptr, settings));
  EXPECT_TRUE(NoiseElimination.FixedFirstComponent);
  EXPECT_EQ(NoiseElimination.FixedFirstValue, 0.4);
  for (int l = 1; l <= kGrid; ++l) EXPECT_EQ(NormalEquations.NormalMatrix[kGrid][l], 0.0);
  EXPECT_NE(NormalEquations.NormalMatrix[kGrid - 1][kGrid - 1], 0.0);
}

// In a window the build writes its line and draws a blue progress line at
// 10, 65 that grows to full, drawn on the window's own thread also when
// workers do the work; a fit's builds draw no progress.
TEST_F(ContiNormalEquationsTest, ShowsItsProgressInTheWindowWhileItBuilds) {
  struct NoClient : platform::WindowClient {
    void OnCommand(int) override {}
    void OnPaint(platform::Canvas&, bool) override {}
  } client;
  platform::MenuModel menu;
  auto host = backend().CreateMainWindow(client, menu, "main");
  auto& canvas = static_cast<platform::RecordingCanvas&>(host->ClientCanvas());
  DrawingAllowed = true;
  struct Case {
    bool threads, fitRunning;
  };
  for (const Case c : {Case{false, false}, Case{true, false}, Case{true, true}}) {
    SCOPED_TRACE(c.threads);
    canvas.Clear();
    backend().ClearLog();
    FitControl.FitRunning = c.fitRunning;
    ContiNormalEquationSettings settings;
    settings.MultithreadingOn = c.threads;
    settings.ThreadCount = 2;
    ASSERT_TRUE(ContiNormalEquations(host->Handle(), settings));
    const auto lines = canvas.CallsOf(platform::DrawKind::Line);
    if (c.fitRunning) {
      EXPECT_TRUE(lines.empty());
      EXPECT_TRUE(LogLinesWith("calculating normal equations").empty());
      continue;
    }
    EXPECT_EQ(LogLinesWith("text (10,50) calculating normal equations").size(), 1u);
    ASSERT_GE(lines.size(), 8u);
    const auto& last = lines.back();
    EXPECT_EQ(last.pen.color, platform::Rgb(0, 100, 255));
    EXPECT_EQ(last.points, (std::vector<platform::Point>{{10, 64}, {110, 64}}));
  }
  FitControl.FitRunning = false;
  DrawingAllowed = false;
}

}  // namespace
