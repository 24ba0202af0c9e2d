// The stored distribution: amplitudes become densities whose integral is
// the amount solved, on linear, logarithmic, decreasing and M grids; the
// cumulative form ends at the total; the s20,w and Stokes-radius axes agree
// with the hydrodynamic conversions point by point and keep the area under
// the change of variable; files loaded as distributions.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/DataTestSupport.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "distributions/ContiGrid.h"
#include "distributions/DistributionArrays.h"
#include "distributions/DistributionTestGrids.h"
#include "distributions/StoredDistribution.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "state/DistributionShown.h"
#include "state/ModelParameters.h"
#include "numerics/Hydrodynamics.h"
#include "support/TestSupport.h"

namespace {

using dist_grids::Floats;
using dist_grids::Gaussian;
using dist_grids::GeometricGrid;
using dist_grids::LinearGrid;

// The share of the axis that belongs to each grid point: from the midpoint
// with the previous point to the midpoint with the next, the ends cut at
// the first and last grid value. Computed from the cell boundaries.
std::vector<double> CellWidths(const Floats& x, int first, int n) {
  std::vector<double> boundary(n + 2, 0.0);
  boundary[first] = x[first];
  for (int i = first + 1; i <= n; ++i) boundary[i] = 0.5 * (double(x[i - 1]) + x[i]);
  boundary[n + 1] = x[n];
  std::vector<double> w(n + 1, 0.0);
  for (int i = first; i <= n; ++i) w[i] = std::fabs(boundary[i + 1] - boundary[i]);
  return w;
}

// Amplitudes of the density c on the grid: c(x_i) times the cell width.
Floats AmplitudesOf(const Floats& x, int first, int n, double mean, double sd) {
  const auto w = CellWidths(x, first, n);
  Floats a(n + 1, 0.0f);
  for (int i = first; i <= n; ++i) a[i] = static_cast<float>(Gaussian(x[i], mean, sd) * w[i]);
  return a;
}

void ScaleValuesBy(Floats& v, float factor) {
  for (auto& x : v) x *= factor;
}

double Sum(const Floats& v, int first, int n) {
  double s = 0.0;
  for (int i = first; i <= n; ++i) s += v[i];
  return s;
}

// ---- Conversions on arrays ----------------------------------------------------

struct DensityCase {
  const char* name;
  Floats x;
  DensityWidths widths;
  double mean, sd;
};

TEST(AmplitudesToDensity, ReproducesTheDensityAndConservesTheArea) {
  const DensityCase cases[] = {
      {"linear s grid", LinearGrid(0.5, 15.0, 120), DensityWidths::Absolute, 6.0, 0.8},
      {"logarithmic s grid", GeometricGrid(0.3, 30.0, 150), DensityWidths::Absolute, 4.0, 1.0},
      {"decreasing grid", LinearGrid(-2.0, -12.0, 90), DensityWidths::Absolute, -7.0, 1.2},
      {"grid through zero", LinearGrid(-5.0, 5.0, 101), DensityWidths::Absolute, 1.0, 1.5},
      {"ascending M grid", GeometricGrid(1e4, 1e6, 80), DensityWidths::Signed, 2e5, 5e4},
      {"separate first point", GeometricGrid(1.0, 20.0, 100), DensityWidths::AbsoluteAfterFirst,
       8.0, 2.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int n = static_cast<int>(c.x.size()) - 1;
    const int first = c.widths == DensityWidths::AbsoluteAfterFirst ? 2 : 1;
    Floats v = AmplitudesOf(c.x, first, n, c.mean, c.sd);
    v[1] = first == 2 ? 0.37f : v[1];
    const double total = Sum(v, first, n);
    const Floats amplitudes = v;

    AmplitudesToDensity(v, c.x, n, c.widths);
    for (int i = first; i <= n; ++i)
      ASSERT_NEAR(v[i], Gaussian(c.x[i], c.mean, c.sd), 2e-5) << "point " << i;
    if (first == 2) {
      EXPECT_EQ(v[1], amplitudes[1]);
    }
    // The trapezoidal integral of the density is the amount solved.
    Floats xs(c.x.begin() + first - 1, c.x.end());
    Floats vs(v.begin() + first - 1, v.end());
    EXPECT_NEAR(std::fabs(TrapezoidArea(vs, xs, n - first + 1)), total, 2e-5 * total);
  }
}

TEST(AmplitudesToDensity, SignedWidthsTurnNegativeOnADecreasingGridAbsoluteOnesDoNot) {
  const Floats x = LinearGrid(10.0, 1.0, 10);
  Floats signedV(11, 1.0f), absoluteV(11, 1.0f);
  AmplitudesToDensity(signedV, x, 10, DensityWidths::Signed);
  AmplitudesToDensity(absoluteV, x, 10, DensityWidths::Absolute);
  for (int i = 1; i <= 10; ++i) {
    EXPECT_LT(signedV[i], 0.0f);
    EXPECT_FLOAT_EQ(absoluteV[i], -signedV[i]);
  }
}

TEST(AmplitudesToDensity, GridsTooSmallForAWidthStayAmplitudes) {
  struct Case {
    const char* name;
    int n;
    DensityWidths widths;
  } cases[] = {
      {"no point", 0, DensityWidths::Absolute},
      {"one point", 1, DensityWidths::Absolute},
      {"a separate point and one more", 2, DensityWidths::AbsoluteAfterFirst},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Floats x = {0.0f, 1.0f, 2.0f};
    Floats v = {0.0f, 3.0f, 4.0f};
    AmplitudesToDensity(v, x, c.n, c.widths);
    EXPECT_EQ(v, (Floats{0.0f, 3.0f, 4.0f}));
  }
}

TEST(DensityToCumulative, FollowsTheIntegralOfAGaussianAndEndsAtTheTotal) {
  const double mean = 5.0, sd = 0.7;
  struct Case {
    const char* name;
    Floats x;
  } cases[] = {{"linear", LinearGrid(0.0, 12.0, 241)},
               {"logarithmic", GeometricGrid(0.5, 12.0, 300)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int n = static_cast<int>(c.x.size()) - 1;
    Floats v(n + 1, 0.0f);
    for (int i = 1; i <= n; ++i) v[i] = static_cast<float>(Gaussian(c.x[i], mean, sd));
    const double area = TrapezoidArea(v, c.x, n);
    DensityToCumulative(v, c.x, n, 1, false);
    const double norm = sd * std::sqrt(2.0 * M_PI);
    for (int i = 1; i <= n; i += 10) {
      const double exact = 0.5 * norm *
                           (std::erf((c.x[i] - mean) / (sd * std::sqrt(2.0))) -
                            std::erf((c.x[1] - mean) / (sd * std::sqrt(2.0))));
      ASSERT_NEAR(v[i], exact, 2e-3 * norm) << "point " << i;
    }
    EXPECT_FLOAT_EQ(v[n], static_cast<float>(area));
  }
}

TEST(DensityToCumulative, StartsAtTheFirstContinuousPointAndLeavesTheOneBefore) {
  const Floats x = {0.0f, 0.0f, 1.0f, 2.0f, 4.0f};
  Floats v = {0.0f, 9.0f, 1.0f, 3.0f, 1.0f};
  DensityToCumulative(v, x, 4, 2, false);
  EXPECT_EQ(v, (Floats{0.0f, 9.0f, 0.0f, 2.0f, 6.0f}));
}

// ---- The program's stored distribution --------------------------------------------

class StoredDistributionTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    // The data set's records at their defaults, with the layers above the
    // data standing in before anything frees it.
    ResetDataRecords();
    settings_ = DistributionSettings;
    flags_ = DistributionRunFlags;
    model_ = ModelSelection;
    result_ = DistributionResult;
    grid_ = DistributionGrid;
    services_ = StoredDistributionServices;
    gridServices_ = GridServices;
    repaint_ = RepaintMainWindow;
    solvent_ = SolventConditions;
    dls_ = DlsDataMode;
    shown_ = DistributionShown;
    meniscus_ = ModelParameters.Meniscus;
    dataChanged_ = ScanDataSet.DataChanged;
    StoredDistributionServices = {};
    GridServices = {};
    DistributionSettings.RegularizationType.BothRegularizations = false;
    DistributionRunFlags = {};
    StoredDistributionServices.RenderDistributionPlot = [this] { calls_.push_back("render"); };
    StoredDistributionServices.SetDistributionXTitle = [this](const std::string& t) { title_ = t; };
    RepaintMainWindow = [this](platform::WindowHandle) { calls_.push_back("repaint"); };
  }
  void TearDown() override {
    FreeKernelArray();
    FreeNormalEqArrays();
    if (ScanDataSet.NFILES > 0 || CommonRadialGrid.CommonGrid) FreeDataSet();
    DistributionSettings = settings_;
    DistributionRunFlags = flags_;
    ModelSelection = model_;
    DistributionResult = result_;
    DistributionGrid = grid_;
    StoredDistributionServices = services_;
    GridServices = gridServices_;
    RepaintMainWindow = repaint_;
    SolventConditions = solvent_;
    DlsDataMode = dls_;
    DistributionShown = shown_;
    ModelParameters.Meniscus = meniscus_;
    ScanDataSet.DataChanged = dataChanged_;
    HeadlessTest::TearDown();
  }

  // A grid of the model: s values (and M values for the c(M) models).
  static void SetGrid(ModelKind kind, const Floats& s, const Floats& m = {}) {
    ModelSelection.Kind = kind;
    const int n = static_cast<int>(s.size()) - 1;
    DistributionSettings.DistGridSize = n;
    ResizeDistributionGrids(n);
    DistributionResult.DistSGrid = s;
    if (!m.empty()) DistributionResult.DistMGrid = m;
  }
  // Solved amplitudes in the normal equations, as a run leaves them.
  static void Solve(const Floats& amplitudes, const Floats& tikhonov = {}) {
    const int n = static_cast<int>(amplitudes.size()) - 1;
    ASSERT_TRUE(AllocKernelArray(n, 1, 4));
    ASSERT_TRUE(AllocNormalEqArrays(n, 1, 4));
    for (int i = 1; i <= n; ++i) {
      NormalEquations.DistSolution[i] = amplitudes[i];
      NormalEquations.SavedTikhonovSolution[i] = tikhonov.empty() ? 0.0 : tikhonov[i];
    }
  }

  std::vector<std::string> calls_;
  std::string title_;

 private:
  DistributionSettingsRecord settings_;
  DistributionRunFlagsRecord flags_;
  ModelSelectionRecord model_;
  DistributionResultRecord result_;
  DistributionGridRecord grid_;
  StoredDistributionServicesRecord services_;
  GridServicesRecord gridServices_;
  std::function<void(platform::WindowHandle)> repaint_;
  SolventConditionsRecord solvent_;
  bool dls_ = false, shown_ = false, dataChanged_ = false;
  float meniscus_ = 0.0f;
};

struct StoreCase {
  const char* name;
  ModelKind kind;
  Floats s, m;  // m empty: the s grid is the axis
  int first;    // first point of the continuous part
};

TEST_F(StoredDistributionTest, StoredDensityIntegratesToTheAmountsSolvedOnTheModelsAxis) {
  const StoreCase cases[] = {
      {"c(s), linear grid", ModelKind::ContinuousCS, LinearGrid(0.5, 15.0, 100), {}, 1},
      {"c(s), logarithmic grid", ModelKind::ContinuousCS, GeometricGrid(0.5, 15.0, 100), {}, 1},
      {"c(M) on its M grid", ModelKind::ContinuousCM, LinearGrid(1.0, 9.0, 60),
       GeometricGrid(2e4, 8e5, 60), 1},
      {"c(s) with one discrete species",
       ModelKind::CSWithOneDiscrete,
       GeometricGrid(1.0, 15.0, 80),
       {},
       2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetGrid(c.kind, c.s, c.m);
    const Floats& axis = c.m.empty() ? c.s : c.m;
    const int n = static_cast<int>(c.s.size()) - 1;
    const double mean = 0.5 * (axis[1] + axis[n]), sd = 0.1 * std::fabs(axis[n] - axis[1]);
    Floats amplitudes = AmplitudesOf(axis, c.first, n, mean, sd);
    if (c.first == 2) amplitudes[1] = 0.25f;
    Solve(amplitudes);

    StoreDistributionResult(nullptr);

    const auto& v = DistributionResult.DistValues;
    for (int i = c.first; i <= n; ++i)
      ASSERT_NEAR(v[i], Gaussian(axis[i], mean, sd), 2e-5) << "point " << i;
    if (c.first == 2) {
      EXPECT_FLOAT_EQ(v[1], 0.25f);
    }
    Floats xs(axis.begin() + c.first - 1, axis.end()), vs(v.begin() + c.first - 1, v.end());
    EXPECT_NEAR(TrapezoidArea(vs, xs, n - c.first + 1), Sum(amplitudes, c.first, n),
                2e-5 * Sum(amplitudes, c.first, n));
  }
}

TEST_F(StoredDistributionTest, StoringComputesTheFitBeforeReleasingTheArraysThenShowsIt) {
  SetGrid(ModelKind::ContinuousCS, LinearGrid(1.0, 10.0, 10));
  Solve(Floats(11, 1.0f), Floats(11, 2.0f));
  DistributionRunFlags.RepaintAfterRun = true;
  StoredDistributionServices.CalculateppAFit = [this](platform::WindowHandle) {
    calls_.push_back(DistKernel.Exists() && NormalEquations.Exists() ? "fit on arrays"
                                                                     : "fit without arrays");
  };
  StoredDistributionServices.RestoreDetectionView = [this] { calls_.push_back("detection"); };

  StoreDistributionResult(nullptr);

  EXPECT_EQ(calls_, (std::vector<std::string>{"fit on arrays", "detection", "render", "repaint"}));
  EXPECT_FALSE(DistKernel.Exists());
  EXPECT_FALSE(NormalEquations.Exists());
  EXPECT_TRUE(DistributionRunFlags.FitCurvesShown);
  EXPECT_TRUE(DistributionShown);
  // Outside the combined setting the second solution is kept as solved.
  EXPECT_FLOAT_EQ(DistributionResult.DistSecondValues[5], 2.0f);
  EXPECT_FLOAT_EQ(DistributionResult.DistValues[5], 1.0f);
}

TEST_F(StoredDistributionTest, CombinedSettingTurnsBothSolutionsIntoDensities) {
  SetGrid(ModelKind::ContinuousCS, LinearGrid(1.0, 10.0, 10));
  DistributionSettings.RegularizationType.BothRegularizations = true;
  Solve(Floats(11, 1.0f), Floats(11, 2.0f));
  StoreDistributionResult(nullptr);
  EXPECT_FLOAT_EQ(DistributionResult.DistValues[1], 2.0f);  // end cell of width 0.5
  EXPECT_FLOAT_EQ(DistributionResult.DistSecondValues[1], 4.0f);
  EXPECT_FLOAT_EQ(DistributionResult.DistSecondValues[5], 2.0f);  // interior cell of width 1
}

TEST_F(StoredDistributionTest, TwoDimensionalModelStoresTheSMarginalAndKeepsItsKernel) {
  const int n = 5, rows = 3;
  SetGrid(ModelKind::CSFf0, LinearGrid(1.0, 5.0, n));
  DistributionSettings.Ff0GridCount = rows;
  DistributionSettings.Grid2DSize = n * rows;
  DistributionRunFlags.Grid2DRebuild = true;
  Floats amplitudes(n * rows + 1, 0.0f);
  for (int k = 1; k <= n * rows; ++k) amplitudes[k] = static_cast<float>(k);
  Solve(amplitudes);

  StoreDistributionResult(nullptr);

  EXPECT_EQ(DistributionResult.Grid2DAmplitudes, amplitudes);
  // Point i sums i, i + 5 and i + 10; the end cells are half as wide.
  for (int i = 1; i <= n; ++i) {
    const double width = (i == 1 || i == n) ? 0.5 : 1.0;
    EXPECT_FLOAT_EQ(DistributionResult.DistValues[i], static_cast<float>((3 * i + 15) / width));
  }
  EXPECT_TRUE(DistKernel.Exists());
  EXPECT_TRUE(NormalEquations.Exists());
  EXPECT_FALSE(DistributionRunFlags.Grid2DRebuild);
}

TEST_F(StoredDistributionTest, OnePointDistributionIsStoredButNotADensity) {
  SetGrid(ModelKind::ContinuousCS, Floats{0.0f, 4.0f});
  Solve(Floats{0.0f, 0.6f});
  StoreDistributionResult(nullptr);
  EXPECT_FLOAT_EQ(DistributionResult.DistValues[1], 0.6f);
}

TEST_F(StoredDistributionTest, LsGStarAmplitudesBeyondTheObservableSAreZero) {
  // Earliest scan at omega^2 t = 1e11: s_max = 1e13 ln(7.0 / 6.0) / 1e11.
  ModelParameters.Meniscus = 6.0f;
  AllocScanSlots(1);
  ScanDataSet.NFILES = 1;
  ScanDataSet.ScanTimeOrder[1] = 1;
  ScanDataSet.ScanHeaders[1].Omega2t = 1e11;
  float radii[] = {0.0f, 6.1f, 6.5f, 7.0f, 7.1f};
  CommonRadialGrid.CommonGrid = radii;
  CommonRadialGrid.CommonGridSize = 4;
  CommonRadialGrid.GridLastFitIndex = 3;
  const double smax = 1e13 * std::log(7.0 / 6.0) / 1e11;  // 15.4 S

  SetGrid(ModelKind::LsGStar, LinearGrid(1.0, 30.0, 30));
  Solve(Floats(31, 1.0f));
  StoreDistributionResult(nullptr);

  EXPECT_NEAR(DistributionGrid.MaxObservableS, smax, 1e-3);
  for (int i = 1; i <= 30; ++i) {
    if (DistributionResult.DistSGrid[i] > smax)
      EXPECT_EQ(DistributionResult.DistValues[i], 0.0f) << i;
    else
      EXPECT_GT(DistributionResult.DistValues[i], 0.0f) << i;
  }
  CommonRadialGrid.CommonGrid = nullptr;
  CommonRadialGrid.CommonGridSize = 0;
}

TEST_F(StoredDistributionTest, LightScatteringDensitiesArePositiveOnTheDescendingRadiusAxis) {
  // Equal steps in log10 D: log10 Rh descends.
  const int n = 40;
  Floats logD = LinearGrid(-8.0, -6.0, n), logRh(n + 1, 0.0f);
  for (int i = 1; i <= n; ++i) logRh[i] = -9.0f - (logD[i] + 7.0f);
  struct Case {
    const char* name;
    bool linear;
  } cases[] = {{"per decade", false}, {"per nm", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DlsDataMode = true;
    DistributionSettings.DlsLinearDensity = c.linear;
    SetGrid(ModelKind::DlsIRh, logRh, logD);
    Floats axis = logRh;
    if (c.linear)
      for (int i = 1; i <= n; ++i) axis[i] = static_cast<float>(std::pow(10.0, logRh[i] + 9.0));
    const auto w = CellWidths(axis, 1, n);
    Floats amplitudes(n + 1, 0.0f);
    for (int i = 1; i <= n; ++i) amplitudes[i] = static_cast<float>(0.5 + 0.01 * i);
    Solve(amplitudes);
    StoreDistributionResult(nullptr);
    for (int i = 1; i <= n; ++i) {
      EXPECT_GT(DistributionResult.DistValues[i], 0.0f) << i;
      EXPECT_NEAR(DistributionResult.DistValues[i] * w[i], amplitudes[i], 1e-5 * amplitudes[i]);
    }
  }
}

TEST_F(StoredDistributionTest, CumulativeFormEndsAtTheTotalAmount) {
  const StoreCase cases[] = {
      {"c(s)", ModelKind::ContinuousCS, GeometricGrid(0.5, 20.0, 90), {}, 1},
      {"c(M)", ModelKind::ContinuousCM, LinearGrid(1.0, 9.0, 70), GeometricGrid(1e4, 1e6, 70), 1},
      {"non-ideal c(s): point 1 always apart",
       ModelKind::NonidealCS,
       LinearGrid(1.0, 9.0, 50),
       {},
       2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetGrid(c.kind, c.s, c.m);
    const int n = static_cast<int>(c.s.size()) - 1;
    Floats amplitudes(n + 1, 0.0f);
    for (int i = 1; i <= n; ++i) amplitudes[i] = static_cast<float>(1.0 + std::sin(0.3 * i));
    Solve(amplitudes);
    StoreDistributionResult(nullptr);
    const float firstValue = DistributionResult.DistValues[1];
    calls_.clear();

    CumulativeDistribution();

    const auto& v = DistributionResult.DistValues;
    // The non-ideal model's point 1 was a density point and stays what it was.
    if (c.first == 2) {
      EXPECT_EQ(v[1], firstValue);
    }
    EXPECT_EQ(v[c.first], 0.0f);
    for (int i = c.first + 1; i <= n; ++i) ASSERT_GE(v[i], v[i - 1]) << i;
    // For the non-ideal model the density of point 2 had a full cell; in the
    // cumulative form, which starts at point 2, only its upper half counts.
    double expected = Sum(amplitudes, 1, n);
    if (c.first == 2) expected -= amplitudes[1] + amplitudes[2] / 2.0;
    EXPECT_NEAR(v[n], expected, 1e-5 * expected);
    EXPECT_EQ(calls_, (std::vector<std::string>{"render"}));
  }
}

TEST_F(StoredDistributionTest, CumulativeLeavesLightScatteringDataAlone) {
  DlsDataMode = true;
  SetGrid(ModelKind::DlsID, LinearGrid(-9.0, -8.0, 5), LinearGrid(-8.0, -6.0, 5));
  DistributionResult.DistValues = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
  CumulativeDistribution();
  EXPECT_EQ(DistributionResult.DistValues, (Floats{0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f}));
}

// ---- Axis transforms ------------------------------------------------------------

// A Gaussian density on the s grid, as a stored distribution.
void StoreGaussian(double mean, double sd, Floats& values) {
  const int n = DistributionSettings.DistGridSize;
  values.assign(n + 1, 0.0f);
  for (int i = 1; i <= n; ++i)
    values[i] = static_cast<float>(Gaussian(DistributionResult.DistSGrid[i], mean, sd));
}

TEST_F(StoredDistributionTest, S20wAxisAgreesWithTheConversionPointByPointAndKeepsTheArea) {
  const float vbar = 0.74f, vbar20 = 0.73f, viscosity = 0.00125f, density = 1.03f;
  SetGrid(ModelKind::ContinuousCS, LinearGrid(1.0, 12.0, 111));
  const Floats s = DistributionResult.DistSGrid;
  StoreGaussian(5.0, 0.6, DistributionResult.DistValues);
  DistributionResult.DistSecondValues = DistributionResult.DistValues;
  const double area = TrapezoidArea(DistributionResult.DistValues, s, 111);

  ASSERT_TRUE(DistributionToS20w(vbar, vbar20, viscosity, density));

  const auto& r = DistributionResult;
  for (int i = 1; i <= 111; ++i) {
    const float expected = SToS20w(s[i], viscosity, density, vbar, vbar20);
    ASSERT_NEAR(r.DistSGrid[i], expected, 1e-6f * expected) << i;
  }
  EXPECT_NEAR(TrapezoidArea(r.DistValues, r.DistSGrid, 111), area, 1e-5 * area);
  EXPECT_NEAR(TrapezoidArea(r.DistSecondValues, r.DistSGrid, 111), area, 1e-5 * area);
  // The peak at 5 S sits at the s20,w of 5 S.
  int peak = 1;
  for (int i = 2; i <= 111; ++i)
    if (r.DistValues[i] > r.DistValues[peak]) peak = i;
  EXPECT_FLOAT_EQ(r.DistSGrid[peak], SToS20w(5.0f, viscosity, density, vbar, vbar20));
  EXPECT_EQ(title_, "s20 [S]");
  EXPECT_EQ(calls_, (std::vector<std::string>{"render"}));
}

TEST_F(StoredDistributionTest, S20wIsRefusedWhereThereIsNoSAxisOrNoFactor) {
  struct Case {
    const char* name;
    ModelKind kind;
    bool dls;
    float vbar, density;
  } cases[] = {
      {"c(M)", ModelKind::ContinuousCM, false, 0.73f, 1.0f},
      {"light scattering", ModelKind::DlsIRh, true, 0.73f, 1.0f},
      {"solvent as dense as the particle", ModelKind::ContinuousCS, false, 0.5f, 2.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DlsDataMode = c.dls;
    SetGrid(c.kind, LinearGrid(1.0, 5.0, 5));
    DistributionResult.DistValues = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
    const auto before = DistributionResult.DistSGrid;
    EXPECT_FALSE(DistributionToS20w(c.vbar, 0.73f, 0.001002f, c.density));
    EXPECT_EQ(DistributionResult.DistSGrid, before);
    EXPECT_EQ(DistributionResult.DistValues, (Floats{0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f}));
  }
}

TEST_F(StoredDistributionTest, S20wOfFloatingSpeciesKeepsTheSignOfTheDistribution) {
  // In a solvent denser than the particle s is negative; in water it is not.
  const float vbar = 0.73f, density = 1.5f;
  SetGrid(ModelKind::CSFlotation, LinearGrid(-10.0, -1.0, 46));
  StoreGaussian(-5.0, 1.0, DistributionResult.DistValues);
  const double area =
      TrapezoidArea(DistributionResult.DistValues, DistributionResult.DistSGrid, 46);
  ASSERT_TRUE(DistributionToS20w(vbar, vbar, 0.001002f, density));
  const auto& r = DistributionResult;
  EXPECT_GT(r.DistSGrid[1], 0.0f);
  for (int i = 1; i <= 46; ++i) EXPECT_GE(r.DistValues[i], 0.0f) << i;
  EXPECT_NEAR(std::fabs(TrapezoidArea(r.DistValues, r.DistSGrid, 46)), area, 1e-5 * area);
}

TEST_F(StoredDistributionTest, StokesRadiusAxisAgreesWithTheConversionAndFollowsTheJacobian) {
  const float vbar20 = 0.73f;
  const int n = 200;
  SetGrid(ModelKind::ContinuousCS, LinearGrid(1.0, 14.0, n));
  const Floats s = DistributionResult.DistSGrid;
  StoreGaussian(6.0, 1.0, DistributionResult.DistValues);
  const Floats cs = DistributionResult.DistValues;
  const double area = TrapezoidArea(cs, s, n);

  ASSERT_TRUE(DistributionToRh(vbar20));

  const auto& r = DistributionResult;
  EXPECT_TRUE(r.DistAxisTransformed);
  EXPECT_EQ(title_, "Rh [nm]");
  EXPECT_NEAR(TrapezoidArea(r.DistValues, r.DistSGrid, n), area, 1e-5 * area);
  for (int i = 1; i <= n; ++i) {
    const float rh = S20ToStokesRadius(s[i], vbar20) * 1e9f;
    ASSERT_NEAR(r.DistSGrid[i], rh, 1e-6f * rh) << i;
    if (cs[i] < 1e-3f) continue;
    // c(Rh) = c(s) ds/dRh, the derivative from the conversion itself.
    const float h = 1e-3f * s[i];
    const double dRds =
        (S20ToStokesRadius(s[i] + h, vbar20) - S20ToStokesRadius(s[i] - h, vbar20)) * 1e9 / (2 * h);
    ASSERT_NEAR(r.DistValues[i], cs[i] / dRds, 2e-3 * cs[i] / dRds) << i;
  }
}

TEST_F(StoredDistributionTest, StokesRadiusKeepsEachAreaAndTwiceIsNotTheIdentity) {
  SetGrid(ModelKind::ContinuousCS, LinearGrid(1.0, 10.0, 91));
  DistributionSettings.RegularizationType.BothRegularizations = true;
  StoreGaussian(4.0, 0.8, DistributionResult.DistValues);
  StoreGaussian(5.0, 1.5, DistributionResult.DistSecondValues);
  ScaleValuesBy(DistributionResult.DistSecondValues, 3.0f);
  const auto& r = DistributionResult;
  const double area = TrapezoidArea(r.DistValues, r.DistSGrid, 91);
  const double secondArea = TrapezoidArea(r.DistSecondValues, r.DistSGrid, 91);

  ASSERT_TRUE(DistributionToRh(0.73f));
  EXPECT_NEAR(TrapezoidArea(r.DistValues, r.DistSGrid, 91), area, 1e-5 * area);
  EXPECT_NEAR(TrapezoidArea(r.DistSecondValues, r.DistSGrid, 91), secondArea, 1e-5 * secondArea);
  const Floats once = r.DistSGrid;

  // The second call reads the radii as s values.
  ASSERT_TRUE(DistributionToRh(0.73f));
  EXPECT_FLOAT_EQ(r.DistSGrid[50], S20ToStokesRadius(once[50], 0.73f) * 1e9f);
  EXPECT_NE(r.DistSGrid[50], once[50]);
}

TEST_F(StoredDistributionTest, StokesRadiusOfAZeroDistributionStaysZero) {
  SetGrid(ModelKind::ContinuousCS, LinearGrid(1.0, 10.0, 10));
  ASSERT_TRUE(DistributionToRh(0.73f));
  for (int i = 1; i <= 10; ++i) EXPECT_EQ(DistributionResult.DistValues[i], 0.0f) << i;
}

TEST_F(StoredDistributionTest, StokesRadiusRefusesAVbar20NotPositiveWithOneMessage) {
  SetGrid(ModelKind::ContinuousCS, LinearGrid(1.0, 10.0, 10));
  const auto before = DistributionResult.DistSGrid;
  EXPECT_FALSE(DistributionToRh(0.0f));
  EXPECT_EQ(LogLinesWith("vbar20 <= 0 in function S20ToStokesRadius").size(), 1u);
  EXPECT_EQ(DistributionResult.DistSGrid, before);
  EXPECT_FALSE(DistributionResult.DistAxisTransformed);
}

TEST_F(StoredDistributionTest, DividesByThePolynomialOfTheFile) {
  ScratchFolder folder;
  struct Case {
    const char* name;
    std::string coefficients;
    double a0, a1, a2;
  } cases[] = {
      {"constant", "4\n", 4, 0, 0},
      {"quadratic", "1.5\n-0.25\n0.125\n", 1.5, -0.25, 0.125},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetGrid(ModelKind::ContinuousCS, LinearGrid(1.0, 6.0, 6));
    DistributionSettings.RegularizationType.BothRegularizations = true;
    DistributionResult.DistValues = Floats(7, 2.0f);
    DistributionResult.DistSecondValues = Floats(7, 1.0f);
    ASSERT_TRUE(DivideDistributionByPolynomial(folder.Write("poly.txt", c.coefficients)));
    for (int i = 1; i <= 6; ++i) {
      const double p = c.a0 + c.a1 * i + c.a2 * i * i;
      EXPECT_FLOAT_EQ(DistributionResult.DistValues[i], static_cast<float>(2.0 / p)) << i;
      EXPECT_FLOAT_EQ(DistributionResult.DistSecondValues[i], static_cast<float>(1.0 / p)) << i;
    }
  }
  DistributionResult.DistValues = Floats(7, 2.0f);
  EXPECT_FALSE(DivideDistributionByPolynomial(folder.File("missing.txt")));
  EXPECT_FALSE(DivideDistributionByPolynomial(folder.Write("empty.txt", "")));
  EXPECT_EQ(DistributionResult.DistValues, Floats(7, 2.0f));
}

// ---- Loading a distribution to simulate from ----------------------------------------

class LoadDistributionFileTest : public StoredDistributionTest {
 protected:
  void SetUp() override {
    StoredDistributionTest::SetUp();
    AllocScanSlots(2);
    ScanDataSet.NFILES = 2;
    ScanDataSet.ScanPointCount[1] = 25;
  }
  ScratchFolder folder_;
};

TEST_F(LoadDistributionFileTest, TakesTheColumnsOntoTheModelsGridAndSizesTheArrays) {
  struct Case {
    const char* name;
    ModelKind kind;
    bool onS;
  } cases[] = {{"c(s)", ModelKind::ContinuousCS, true}, {"c(M)", ModelKind::ContinuousCM, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ModelSelection.Kind = c.kind;
    const std::string path = folder_.Write("dist.txt", "1.0 0.5\n2.0 1.5\n4.0, 2.5\n8.0;0.5\n");
    ASSERT_TRUE(LoadDistributionFile(path));
    const auto& r = DistributionResult;
    EXPECT_EQ(DistributionSettings.DistGridSize, 4);
    EXPECT_EQ(c.onS ? r.DistSGrid : r.DistMGrid, (Floats{0.0f, 1.0f, 2.0f, 4.0f, 8.0f}));
    EXPECT_EQ(c.onS ? r.DistMGrid : r.DistSGrid, Floats(5, 0.0f));
    EXPECT_EQ(r.DistValues, (Floats{0.0f, 0.5f, 1.5f, 2.5f, 0.5f}));
    EXPECT_EQ(r.DistSecondValues, Floats(5, 0.0f));
    EXPECT_EQ(DistributionGrid.PriorProbabilities, std::vector<double>(5, 0.01));
    EXPECT_EQ(DistKernel.GridCount(), 4);
    EXPECT_EQ(DistKernel.ScanCount(), 2);
    EXPECT_EQ(DistKernel.RadiusCount(), 25);
    EXPECT_EQ(NormalEquations.Size, 4);
  }
}

TEST_F(LoadDistributionFileTest, ADensityBecomesAmplitudesSummingToItsIntegral) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  DistributionRunFlags.NormalizeLoadedDistribution = true;
  std::string text;
  const Floats x = GeometricGrid(0.5, 20.0, 60);
  Floats y(61, 0.0f);
  for (int i = 1; i <= 60; ++i) {
    y[i] = static_cast<float>(Gaussian(x[i], 6.0, 2.0));
    text += std::to_string(x[i]) + " " + std::to_string(y[i]) + "\n";
  }
  ASSERT_TRUE(LoadDistributionFile(folder_.Write("density.txt", text)));
  const auto& r = DistributionResult;
  const double integral = TrapezoidArea(y, r.DistSGrid, 60);
  EXPECT_NEAR(Sum(r.DistValues, 1, 60), integral, 1e-5 * integral);
}

TEST_F(LoadDistributionFileTest, RefusalsKeepTheCurrentDistribution) {
  struct Case {
    const char* name;
    ModelKind kind;
    int scans;
    std::string file;
  } cases[] = {
      {"s x f/f0 model", ModelKind::CSFf0, 2, "good"},
      {"no scans", ModelKind::ContinuousCS, 0, "good"},
      {"unreadable file", ModelKind::ContinuousCS, 2, ""},
      {"no number in the file", ModelKind::ContinuousCS, 2, "bad"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetGrid(c.kind, LinearGrid(1.0, 3.0, 3));
    DistributionResult.DistValues = {0.0f, 7.0f, 8.0f, 9.0f};
    ScanDataSet.NFILES = c.scans;
    std::string path = folder_.File("missing.txt");
    if (c.file == "good") path = folder_.Write("good.txt", "1 2\n3 4\n");
    if (c.file == "bad") path = folder_.Write("bad.txt", "one two\n");
    EXPECT_FALSE(LoadDistributionFile(path));
    EXPECT_EQ(DistributionResult.DistValues, (Floats{0.0f, 7.0f, 8.0f, 9.0f}));
    EXPECT_FALSE(DistKernel.Exists());
  }
}

}  // namespace
