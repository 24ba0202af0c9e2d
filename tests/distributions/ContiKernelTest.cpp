// Kernel of Lamm solutions: a column is the Lamm solution of its species at
// unit loading (against a solver set up here by hand), a species whose
// boundary has left the data gives a zero column without complaint, the
// c(v) model is refused instead of leaving an empty kernel, the ls-g*(v)
// kernel is the moving step of the linear column,
// the mapping routines place a foreign solution on the kernel's radii, and
// the diffusion-free step boundary agrees with the solver's own closed form.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "ContiRunFixture.h"
#include "distributions/ContiKernel.h"
#include "distributions/RunContiSed.h"
#include "state/LammThreadCount.h"
#include "lamm/CLammIdeal.h"
#include "models/DetectorConvolution.h"
#include "models/SimulationErrors.h"
#include "numerics/OneBasedArrays.h"

namespace {

constexpr int kScans = 4, kPoints = 241;
constexpr double kFirstRadius = 5.9, kStep = 0.005;  // to 7.1 cm
constexpr float kMeniscus = 5.8f, kBottom = 7.2f, kRpm = 50000.0f;

class ContiKernelTest : public ContiRunTest {
 protected:
  void SetUp() override {
    ContiRunTest::SetUp();
    std::vector<SyntheticScan> scans;
    for (int i = 1; i <= kScans; ++i) scans.push_back({600.0 * i, kRpm});
    LoadScans(scans, kPoints, kFirstRadius, kStep, kMeniscus, kBottom);
    for (int i = 1; i <= kScans; ++i) ScanDataSet.ScanHeaders[i].RampAcceleration = 1e6;
    ScanDataSet.FitLeftLim = 5.9f;
    ScanDataSet.FitRightLim = 7.1f;
    ModelSelection.Kind = ModelKind::ContinuousCS;
    SolventConditions.VBAR = 0.73f;
    SolventConditions.BufferDensity = 1.0f;
    previousThreads_ = LammThreadCount;
    LammThreadCount = 2;
  }
  void TearDown() override {
    LammThreadCount = previousThreads_;
    ContiRunTest::TearDown();
  }

  // The species solved alone at loading c0 by a solver configured here,
  // onto the common grid: [scan][point].
  OneBasedMatrix<float> DirectSolution(double s, double D, double c0) {
    OneBasedMatrix<float> rows(1, kScans, 1, kPoints);
    CLammIdeal solver;
    solver.SetIdealModel();
    solver.SetParameters(s, D, kMeniscus, kBottom, c0, 5.9f, 7.1f);
    solver.SetOutput(nullptr, nullptr, ScanDataSet.ScanHeaders.data(), rows.get(),
                     CommonRadialGrid.CommonGrid, kPoints, nullptr, nullptr, 0, nullptr, kScans, 1,
                     1, 1, 0, 2.43f, 0, 0.008f, 0);
    solver.SetNumerics(400, 4000, 8.0f, 0, 1e-4, 1, 1, 1, 1.2f, 1, 0, 0, 1e-6, 1.0, 1, 0, 1, 1.0,
                       0.1, 0.3, 1.0, 1000, 0, 1, 0, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
    solver.SetSolvent(20.0, 0.73, 1.0, 1.0);
    EXPECT_EQ(solver.Solve(), 0);
    return rows;
  }

 private:
  int previousThreads_ = 2;
};

TEST_F(ContiKernelTest, AColumnIsTheLammSolutionOfItsSpeciesAtUnitLoading) {
  const double s[] = {0.0, 3.0, 8.0, 15.0};
  const double D[] = {0.0, 8e-7, 5e-7, 3e-7};
  const double vbar[] = {0.0, 0.73, 0.73, 0.73};
  ASSERT_TRUE(AllocKernelArray(3, kScans, kPoints));
  EXPECT_TRUE(RunSVContiSedList(nullptr, 3, s, D, vbar));
  EXPECT_TRUE(backend().Log().empty());
  EXPECT_FALSE(ComputationAbort);
  for (int g = 1; g <= 3; ++g) {
    SCOPED_TRACE(g);
    // Loaded at 2.5: the kernel must be a solution at unit loading.
    const OneBasedMatrix<float> direct = DirectSolution(s[g], D[g], 2.5);
    double worst = 0.0;
    for (int j = 1; j <= kScans; ++j)
      for (int k = 1; k <= kPoints; ++k)
        worst = std::max(worst, std::fabs(2.5 * DistKernel.get()[g][j][k] - direct[j][k]));
    EXPECT_LT(worst, 2.5 * 2e-3);
    // The plateau shows the radial dilution of a sedimenting species.
    const double plateau =
        std::exp(-2.0 * s[g] * 1e-13 * std::pow(kRpm * std::numbers::pi / 30.0, 2.0) * 600.0);
    EXPECT_NEAR(DistKernel.get()[g][1][kPoints], plateau, 5e-3);
  }
}

// 400 S at 50,000 rpm has left a 5.8 to 7.1 cm column before the first scan
// at 600 s: its column is zero in the fit range, and that is no error.
TEST_F(ContiKernelTest, ASpeciesBeyondTheDataGivesAZeroColumnWithoutComplaint) {
  const double s[] = {0.0, 5.0, 400.0};
  const double D[] = {0.0, 6e-7, 5e-8};
  const double vbar[] = {0.0, 0.73, 0.73};
  ASSERT_TRUE(AllocKernelArray(2, kScans, kPoints));
  EXPECT_TRUE(RunSVContiSedList(nullptr, 2, s, D, vbar));
  EXPECT_TRUE(backend().Log().empty());
  for (int j = 1; j <= kScans; ++j)
    for (int k = 1; k <= kPoints; ++k) ASSERT_LT(std::fabs(DistKernel.get()[2][j][k]), 1e-6f);
  EXPECT_GT(DistKernel.get()[1][1][kPoints], 0.5f);
}

// The c(v) model, whose kernel is not settled, is refused instead of
// leaving an empty kernel; the ls-g*(v) kernel is a step at the meniscus
// plus the distance the boundary has moved at the grid velocity (um/s).
TEST_F(ContiKernelTest, ElectrophoresisKernels) {
  const double v[] = {0.0, 1.5}, D[] = {0.0, 6e-7}, vbar[] = {0.0, 0.73};
  ModelSelection.Kind = ModelKind::ElectrophoresisCV;
  ComputationAbort = false;
  ASSERT_TRUE(AllocKernelArray(1, kScans, kPoints));
  EXPECT_FALSE(RunSVContiSedList(nullptr, 1, v, D, vbar));
  EXPECT_TRUE(ComputationAbort);
  for (int k = 1; k <= kPoints; ++k) ASSERT_EQ(DistKernel.get()[1][1][k], 0.0f);
  EXPECT_EQ(LogLinesWith("the kernel of the c(v) model").size(), 1u);

  ModelSelection.Kind = ModelKind::ElectrophoresisLsGStar;
  ComputationAbort = false;
  EXPECT_TRUE(RunSVContiSedList(nullptr, 1, v, D, vbar));
  for (int j = 1; j <= kScans; ++j) {
    const double front = kMeniscus + 1.5e-4 * 600.0 * j;
    for (int k = 1; k <= kPoints; ++k) {
      const double r = CommonRadialGrid.CommonGrid[k];
      if (std::fabs(r - front) < 1e-4) continue;
      ASSERT_EQ(DistKernel.get()[1][j][k], r >= front ? 1.0f : 0.0f) << j << " " << r;
    }
  }
}

TEST_F(ContiKernelTest, MappedSolutionsLandOnTheKernelRadii) {
  ASSERT_TRUE(AllocKernelArray(2, kScans, kPoints));
  DistributionGrid.CurrentGridIndex = 2;
  // A solution on a radial grid of its own, finer and wider than the data.
  std::vector<double> radii(602), values(602), step(602);
  for (int i = 1; i <= 601; ++i) {
    radii[static_cast<std::size_t>(i)] = 5.8 + 0.0025 * (i - 1);
    values[static_cast<std::size_t>(i)] = 2.0 * radii[static_cast<std::size_t>(i)] - 11.0;
    step[static_cast<std::size_t>(i)] = radii[static_cast<std::size_t>(i)] < 6.5 ? 0.0 : 1.0;
  }
  MapLammColumnToScan(3, radii.data(), values.data(), 601);
  MapLammColumnToGrid(3, radii.data(), values.data(), 601);
  for (int k = 1; k <= kPoints; k += 20)
    EXPECT_NEAR(DistKernel.get()[2][3][k], 2.0 * (2.0 * CommonRadialGrid.CommonGrid[k] - 11.0),
                1e-5);
  EXPECT_EQ(DistKernel.get()[1][3][kPoints / 2], 0.0f);
  EXPECT_EQ(DistKernel.get()[2][2][kPoints / 2], 0.0f);

  // Absorbance scans average the step over the scanner's radial window.
  ScanReaderOptions.AbsorbanceData = true;
  LammSolverSettings.RadialResolutionOn = true;
  LammSolverSettings.RadialResolutionRange = 0.02f;
  MapLammColumnToScan(1, radii.data(), step.data(), 601);
  const float* column = DistKernel.get()[2][1];
  const int edge = static_cast<int>(std::lround((6.5 - kFirstRadius) / kStep)) + 1;
  EXPECT_EQ(column[1], 0.0f);
  EXPECT_NEAR(column[kPoints], 1.0f, 1e-6);
  EXPECT_GT(column[edge], 0.0f);
  EXPECT_LT(column[edge], 1.0f);
}

// A profile that a global-array engine finishes during a distribution run
// reaches the kernel through the simulation's hook.
TEST_F(ContiKernelTest, TheDistributionRunRoutesEngineProfilesIntoTheKernel) {
  StoreLammColumnForKernel = [](int, const double*, const double*, int) {};
  ModelParameters.Meniscus = 0.0f;  // refused at once, after the hook is set
  RunContiSed(nullptr);
  ASSERT_TRUE(AllocKernelArray(2, kScans, kPoints));
  DistributionGrid.CurrentGridIndex = 2;
  std::vector<double> radii(602), values(602);
  for (int i = 1; i <= 601; ++i) {
    radii[static_cast<std::size_t>(i)] = 5.8 + 0.0025 * (i - 1);
    values[static_cast<std::size_t>(i)] = 3.0 - 0.25 * radii[static_cast<std::size_t>(i)];
  }
  StoreLammColumnForKernel(2, radii.data(), values.data(), 601);
  for (int k = 1; k <= kPoints; k += 40)
    EXPECT_NEAR(DistKernel.get()[2][2][k], 3.0 - 0.25 * CommonRadialGrid.CommonGrid[k], 1e-5);
  EXPECT_EQ(DistKernel.get()[1][2][kPoints / 2], 0.0f);
}

// The solver's closed form without diffusion for the same species, as an
// independent reference.
std::vector<float> SolverStep(const StepBoundarySetup& p, double a, double t,
                              const std::vector<float>& radii, int count) {
  CLammIdeal solver;
  solver.Meniscus = p.Meniscus;
  solver.Bottom = p.Bottom;
  solver.OmegaSquaredS = p.SOmega2;
  solver.SedimentationCoeff = p.S;
  solver.SimulateAcceleration = 0;
  solver.BandLoading = p.BandLoading;
  solver.BandWidth = static_cast<float>(p.LamellaWidth);
  solver.CompressibleSolvent = p.CompressibleSolvent;
  solver.Compressibility = p.Compressibility;
  solver.DensityAt1Atm = static_cast<float>(p.DensityAt1Atm);
  solver.ViscosityAt1Atm = static_cast<float>(p.ViscosityAt1Atm);
  solver.Vbar = static_cast<float>(p.Vbar);
  std::vector<float> out(radii.size(), 0.0f);
  solver.CLLammNoDiffvec(static_cast<float>(a), t, p.Rpm, 0.0, radii.data(), out.data(), count);
  return out;
}

TEST(StepBoundaryKernelTest, AgreesWithTheSolversClosedFormWithoutDiffusion) {
  const double omega2 = std::pow(40000.0 * std::numbers::pi / 30.0, 2.0);
  struct StepCase {
    const char* name;
    double s;
    bool band, compressible;
  };
  const StepCase cases[] = {
      {"sedimenting", 6.0, false, false},
      {"floating", -4.0, false, false},
      {"band", 6.0, true, false},
      {"compressible solvent", 6.0, false, true},
  };
  constexpr int count = 300;
  std::vector<float> radii(count + 2);
  for (int j = 1; j <= count; ++j) radii[static_cast<std::size_t>(j)] = 5.9f + 0.004f * (j - 1);
  for (const StepCase& c : cases) {
    SCOPED_TRACE(c.name);
    StepBoundarySetup p;
    p.Meniscus = 5.85;
    p.Bottom = 7.15;
    p.S = c.s;
    p.SOmega2 = c.s * 1e-13 * omega2;
    p.Rpm = 40000.0;
    p.BandLoading = c.band;
    p.LamellaWidth = 0.1;
    p.CompressibleSolvent = c.compressible;
    p.Compressibility = 4.6e-4;
    p.DensityAt1Atm = 1.1;
    p.Vbar = 0.73;
    std::vector<float> out(radii.size(), -1.0f);
    StepBoundaryKernel(p, 0.8, 2400.0, radii.data(), out.data(), count);
    const std::vector<float> expected = SolverStep(p, 0.8, 2400.0, radii, count);
    int inside = 0;
    for (int j = 1; j <= count; ++j) {
      EXPECT_NEAR(out[static_cast<std::size_t>(j)], expected[static_cast<std::size_t>(j)], 1e-5)
          << j;
      if (out[static_cast<std::size_t>(j)] > 0) ++inside;
    }
    EXPECT_GT(inside, 5);
    EXPECT_LT(inside, count - 5);
  }
}

// Without compressibility the compressible form is the plain one: the
// boundary at m·exp(sω²t) and the plateau diluted by exp(−2sω²t).
TEST(StepBoundaryKernelTest, AnIncompressibleLimitOfTheCompressibleFormIsThePlainStep) {
  StepBoundarySetup p;
  p.Meniscus = 5.85;
  p.Bottom = 7.15;
  p.S = 5.0;
  p.Rpm = 50000.0;
  p.SOmega2 = 5.0e-13 * std::pow(50000.0 * std::numbers::pi / 30.0, 2.0);
  p.DensityAt1Atm = p.WaterDensity;
  constexpr int count = 200;
  std::vector<float> radii(count + 2), plain(count + 2), compressible(count + 2);
  for (int j = 1; j <= count; ++j) radii[static_cast<std::size_t>(j)] = 5.9f + 0.006f * (j - 1);
  StepBoundaryKernel(p, 1.0, 3000.0, radii.data(), plain.data(), count);
  p.CompressibleSolvent = true;
  p.Compressibility = 0.0;
  StepBoundaryKernel(p, 1.0, 3000.0, radii.data(), compressible.data(), count);
  const double boundary = p.Meniscus * std::exp(p.SOmega2 * 3000.0);
  for (int j = 1; j <= count; ++j) {
    const auto u = static_cast<std::size_t>(j);
    if (std::fabs(radii[u] - boundary) < 0.01) continue;
    EXPECT_NEAR(compressible[u], plain[u], 2e-6) << radii[u];
    EXPECT_NEAR(plain[u], radii[u] < boundary ? 0.0 : std::exp(-2.0 * p.SOmega2 * 3000.0), 1e-6);
  }
}

}  // namespace
