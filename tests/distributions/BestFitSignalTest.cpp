// Best-fit signal and noise: on noise-free synthetic data made as
// kernel · c + TI + RI (or a baseline), the solved distribution's model
// reproduces every scan on its own radii, inside and outside the fit range,
// and the fitted noise is the noise that was added; the noise a model does
// not fit is zero. The time-course variant models only its window; the
// program's version writes the scans, the grid's noise and the baseline.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ContiRunFixture.h"
#include "NoiseProblemFixture.h"
#include "distributions/BestFitSignal.h"

namespace {

using noise_problem::Problem;

struct FitCase {
  const char* name;
  SystematicNoise noise;
  bool fixedFirst;
};

const FitCase kFitCases[] = {
    {"time- and radial-invariant", SystematicNoise::TimeAndRadialInvariant, false},
    {"TI + RI with a fixed first column", SystematicNoise::TimeAndRadialInvariant, true},
    {"time-invariant", SystematicNoise::TimeInvariant, false},
    {"radial-invariant", SystematicNoise::RadialInvariant, false},
    {"baseline", SystematicNoise::Baseline, false},
    {"none, fixed baseline", SystematicNoise::None, false},
};

constexpr double kAmplitudes[] = {0.0, 0.6, 0.3, 1.1, 0.0, 0.45};
constexpr double kBaseline = 0.17;

double TrueTI(int r) {
  return 0.03 * std::sin(0.2 * r);
}
double TrueRI(int s) {
  return 0.01 * s - 0.02;
}

// A problem whose data are kernel · c plus the noise of the model, the scans
// with their own radii: odd scans every other grid point, even scans every
// grid point.
struct SyntheticFit {
  Problem p;
  OneBasedArray<float> gridRadii;
  std::vector<OneBasedArray<float>> scanRadii, scanModel;
  std::vector<const float*> radiusRows;
  std::vector<float*> modelRows;
  std::vector<int> pointCounts;
  OneBasedArray<float> ti, ri;

  SyntheticFit(SystematicNoise noise, bool fixedFirst) {
    noise_problem::Fill(p, 5, 4, 60, 5, 55, 21u);
    const bool hasTI =
        noise == SystematicNoise::TimeInvariant || noise == SystematicNoise::TimeAndRadialInvariant;
    const bool hasRI = noise == SystematicNoise::RadialInvariant ||
                       noise == SystematicNoise::TimeAndRadialInvariant;
    const bool hasBaseline = noise == SystematicNoise::Baseline || noise == SystematicNoise::None;
    for (int s = 1; s <= p.scans; ++s)
      for (int r = 1; r <= p.radii; ++r) {
        double y =
            (hasTI ? TrueTI(r) : 0.0) + (hasRI ? TrueRI(s) : 0.0) + (hasBaseline ? kBaseline : 0.0);
        for (int g = 1; g <= p.n; ++g)
          y += (fixedFirst && g == 1 ? 1.0 : kAmplitudes[g]) * p.kernel.get()[g][s][r];
        p.data[s][r] = static_cast<float>(y);
      }
    gridRadii.Resize(1, p.radii);
    for (int r = 1; r <= p.radii; ++r) gridRadii[r] = static_cast<float>(6.0 + 0.01 * (r - 1));
    scanRadii.resize(static_cast<std::size_t>(p.scans) + 1);
    scanModel.resize(static_cast<std::size_t>(p.scans) + 1);
    radiusRows.assign(static_cast<std::size_t>(p.scans) + 1, nullptr);
    modelRows.assign(static_cast<std::size_t>(p.scans) + 1, nullptr);
    pointCounts.assign(static_cast<std::size_t>(p.scans) + 1, 0);
    for (int s = 1; s <= p.scans; ++s) {
      const auto js = static_cast<std::size_t>(s);
      const int step = s % 2 == 1 ? 2 : 1;
      const int count = (p.radii - 1) / step + 1;
      scanRadii[js].Resize(1, count);
      scanModel[js].Resize(1, count);
      for (int q = 1; q <= count; ++q) {
        scanRadii[js][q] = gridRadii[1 + (q - 1) * step];
        scanModel[js][q] = 99.0f;
      }
      radiusRows[js] = scanRadii[js].data();
      modelRows[js] = scanModel[js].data();
      pointCounts[js] = count;
    }
    ti.Resize(1, p.radii);
    ri.Resize(1, p.scans);
    for (int r = 1; r <= p.radii; ++r) ti[r] = 99.0f;
    for (int s = 1; s <= p.scans; ++s) ri[s] = 99.0f;
  }

  // Builds and solves the normal equations exactly; the amplitudes go into
  // DistSolution by kernel column.
  NoiseEliminationRecord Solve(const NormalEquationProblem& problem) {
    NoiseEliminationRecord record;
    EXPECT_TRUE(BuildNormalEquations(problem, p.neq, record));
    const int m = problem.Unknowns();
    const std::vector<double> x = noise_problem::SolveSystem(p.neq, m);
    const int offset = problem.FixedFirst ? 1 : 0;
    if (problem.FixedFirst) p.neq.DistSolution[1] = problem.FixedFirstValue;
    for (int i = 1; i <= m; ++i) p.neq.DistSolution[i + offset] = x[static_cast<std::size_t>(i)];
    return record;
  }

  BestFitTargets Targets() {
    BestFitTargets t;
    t.GridRadii = gridRadii.data();
    t.ScanRadius = radiusRows.data();
    t.ScanPointCount = pointCounts.data();
    t.ScanModel = modelRows.data();
    t.TINoise = ti.data();
    t.RINoise = ri.data();
    return t;
  }

  // The data of scan s at its q-th radius.
  float DataAt(int s, int q) const { return p.data[s][1 + (q - 1) * (s % 2 == 1 ? 2 : 1)]; }
};

TEST(BestFitSignalTest, ReproducesNoiseFreeSyntheticDataAndTheNoiseThatWasAdded) {
  for (const FitCase& c : kFitCases) {
    SCOPED_TRACE(c.name);
    SyntheticFit f(c.noise, c.fixedFirst);
    const NormalEquationProblem problem = f.p.Describe(c.noise, kBaseline, c.fixedFirst);
    const NoiseEliminationRecord record = f.Solve(problem);
    const double baseline = CalculateBestFit(problem, f.p.neq, record, f.Targets());

    for (int s = 1; s <= f.p.scans; ++s)
      for (int q = 1; q <= f.pointCounts[static_cast<std::size_t>(s)]; ++q)
        ASSERT_NEAR(f.scanModel[static_cast<std::size_t>(s)][q], f.DataAt(s, q), 2e-6)
            << "scan " << s << " point " << q;
    // Shared among threads, the models come out the same to the bit.
    const auto single = f.scanModel;
    for (int s = 1; s <= f.p.scans; ++s)
      for (int q = 1; q <= f.pointCounts[static_cast<std::size_t>(s)]; ++q)
        f.scanModel[static_cast<std::size_t>(s)][q] = -1.0f;
    EXPECT_EQ(CalculateBestFit(problem, f.p.neq, record, f.Targets(), 3), baseline);
    for (int s = 1; s <= f.p.scans; ++s)
      for (int q = 1; q <= f.pointCounts[static_cast<std::size_t>(s)]; ++q)
        ASSERT_EQ(f.scanModel[static_cast<std::size_t>(s)][q],
                  single[static_cast<std::size_t>(s)][q]);

    const bool noiseFree = c.noise == SystematicNoise::Baseline || c.noise == SystematicNoise::None;
    EXPECT_NEAR(baseline, noiseFree ? kBaseline : 0.0, 1e-6);
    for (int s = 1; s <= f.p.scans; ++s)
      for (int r = 1; r <= f.p.radii; ++r) {
        const double fitted = f.ti[r] + f.ri[s];
        switch (c.noise) {
          case SystematicNoise::TimeAndRadialInvariant:
            // Only the sum is defined: a constant may move between the two.
            ASSERT_NEAR(fitted, TrueTI(r) + TrueRI(s), 1e-6);
            break;
          case SystematicNoise::TimeInvariant:
            ASSERT_NEAR(f.ti[r], TrueTI(r), 1e-6);
            ASSERT_EQ(f.ri[s], 0.0f);
            break;
          case SystematicNoise::RadialInvariant:
            ASSERT_NEAR(f.ri[s], TrueRI(s), 1e-6);
            ASSERT_EQ(f.ti[r], 0.0f);
            break;
          default:
            ASSERT_EQ(f.ti[r], 0.0f);
            ASSERT_EQ(f.ri[s], 0.0f);
        }
      }
  }
}

TEST(BestFitSignalTest, TheWindowVariantModelsTheScansOfItsWindowOnly) {
  SyntheticFit f(SystematicNoise::Baseline, false);
  const NormalEquationProblem problem = f.p.Describe(SystematicNoise::Baseline);
  const NoiseEliminationRecord record = f.Solve(problem);
  const int order[] = {0, 3, 1, 2, 4};  // scans by time
  const double baseline = CalculateWindowFit(problem, f.p.neq, record, f.Targets(), order, 2, 3);
  EXPECT_NEAR(baseline, kBaseline, 1e-6);
  for (int s : {1, 2})
    for (int q = 1; q <= f.pointCounts[static_cast<std::size_t>(s)]; ++q)
      ASSERT_NEAR(f.scanModel[static_cast<std::size_t>(s)][q], f.DataAt(s, q), 2e-6);
  for (int s : {3, 4}) EXPECT_EQ(f.scanModel[static_cast<std::size_t>(s)][1], 99.0f);
}

// The program's version on loaded scans whose data are kernel · c + TI + RI:
// the scans' models reproduce their signals, the grid's noise vectors hold
// the offsets, the baseline goes into the parameters only when fitted.
class CalculateppAFitTest : public ContiRunTest {};

TEST_F(CalculateppAFitTest, WritesTheScansNoiseAndFittedBaseline) {
  struct ProgramCase {
    bool ti, ri, systematic;
    float expectedBaseline;
  };
  for (const ProgramCase& c :
       {ProgramCase{true, true, true, 0.0f}, ProgramCase{false, false, true, 0.3f},
        ProgramCase{false, false, false, 0.3f}}) {
    ResetDistributionRecords();
    constexpr int kScans = 3, kPoints = 30, kGrid = 3;
    const auto kernelAt = [](int g, int s, int r) {
      return static_cast<float>(std::exp(-0.1 * g * s) * (1.0 + std::tanh(0.3 * (r - 5 * g))));
    };
    std::vector<SyntheticScan> scans;
    for (int i = 1; i <= kScans; ++i) scans.push_back({600.0 * i});
    LoadScans(scans, kPoints, 6.0, 0.02, 5.9f, 7.2f, [&](int s, double radius) {
      const int r = static_cast<int>(std::lround((radius - 6.0) / 0.02)) + 1;
      double y = 0.3;  // TI + RI absorb it, else it is the baseline
      if (c.ti) y += 0.02 * std::cos(0.5 * r) + 0.01 * s;
      for (int g = 1; g <= kGrid; ++g) y += 0.5 * g * kernelAt(g, s, r);
      return static_cast<float>(y);
    });
    ModelParameters.Baseline = 0.3f;  // the user's fixed baseline
    FitControl.TINoiseFitted = c.ti;
    ModelParameters.RINoiseFitted = c.ri;
    ModelParameters.SystematicNoiseOn = c.systematic;
    ASSERT_TRUE(AllocKernelArray(kGrid, kScans, kPoints));
    ASSERT_TRUE(AllocNormalEqArrays(kGrid, kScans, kPoints));
    for (int g = 1; g <= kGrid; ++g)
      for (int s = 1; s <= kScans; ++s)
        for (int r = 1; r <= kPoints; ++r) DistKernel.get()[g][s][r] = kernelAt(g, s, r);
    ContiNormalEquationSettings settings;
    ASSERT_TRUE(ContiNormalEquations(nullptr, settings));
    const std::vector<double> x = noise_problem::SolveSystem(NormalEquations, kGrid);
    for (int g = 1; g <= kGrid; ++g) {
      EXPECT_NEAR(x[static_cast<std::size_t>(g)], 0.5 * g, 1e-4);
      NormalEquations.DistSolution[g] = x[static_cast<std::size_t>(g)];
    }
    CalculateppAFit();
    for (int s = 1; s <= kScans; ++s)
      for (int k = 1; k <= kPoints; ++k)
        ASSERT_NEAR(ScanDataSet.ScanModel[s][k], ScanDataSet.ScanSignal[s][k], 2e-6);
    EXPECT_NEAR(ModelParameters.Baseline, c.expectedBaseline, 1e-6);
    EXPECT_EQ(ParameterVector[BaselineSlot], c.systematic ? ModelParameters.Baseline : 0.0f);
    if (c.ti) {
      EXPECT_NEAR(CommonRadialGrid.TINoise[4] + CommonRadialGrid.RINoise[2],
                  0.3 + 0.02 * std::cos(2.0) + 0.02, 1e-6);
    }
  }
}

}  // namespace
