// The reacting A + B <-> AB engine against independent truths: the loading
// equilibrium satisfies the law of mass action for any K; a closed sector
// cell keeps the amounts of all of A and all of B; without binding each
// component sediments like a single ideal species solved by CLammIdeal; with
// equal s and D the signal behaves as one ideal species whatever K; in the
// plateau the local equilibrium follows the radial dilution of each species
// (an independent integration of the plateau's rate equations). Also the
// run's effect on the user's settings, the stop-time step, a singular system
// and the diagnostics displays with their keys.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engines/EngineTestSupport.h"
#include "engines/ReactingABEngine.h"
#include "state/ProgramFlags.h"
#include "state/KeysReadByDisplay.h"

namespace {

using engine_test::Cell;
using engine_test::kBottom;
using engine_test::kMeniscus;
using engine_test::OmegaSquared;
using engine_test::Reference;
using engine_test::Times;

constexpr double kSector = 1.2 * kPi / 90.0;

struct Species {
  double s, D;  // S, cm^2/s
};

struct System {
  double logK;
  double loadingA, loadingB;  // signals
  double factorA, factorB;    // signal per unit concentration
  Species A, B, AB;
};

class ReactingABEngineTest : public engine_test::EngineRunTest {
 protected:
  void SetUp() override {
    EngineRunTest::SetUp();
    ResetRecords();
  }
  void TearDown() override {
    ResetRecords();
    EngineRunTest::TearDown();
  }
  static void ResetRecords() {
    ReactingSystemParameters = ReactingSystemParametersRecord{};
    ReactingEngine = ReactingEngineRecord{};
  }

  static void SetParameters(const System& p) {
    ReactingSystemParametersRecord& r = ReactingSystemParameters;
    r.LogK = static_cast<float>(p.logK);
    r.LoadingSignalA = static_cast<float>(p.loadingA);
    r.LoadingSignalB = static_cast<float>(p.loadingB);
    r.SignalFactorA = static_cast<float>(p.factorA);
    r.SignalFactorB = static_cast<float>(p.factorB);
    r.SedimentationA = static_cast<float>(p.A.s);
    r.SedimentationB = static_cast<float>(p.B.s);
    r.SedimentationComplex = static_cast<float>(p.AB.s);
    r.DiffusionA = static_cast<float>(p.A.D);
    r.DiffusionB = static_cast<float>(p.B.D);
    r.DiffusionComplex = static_cast<float>(p.AB.D);
  }

  // The dispatcher's preparation for the reacting model, then the engine
  // with a fixed step of `step` seconds.
  static void Run(const System& p, const std::vector<double>& times, double rpm, int n,
                  double step = 1.0, Cell cell = {}) {
    ModelSelection.Kind = ModelKind::ReactingABC;
    SetUpEngineRun(times, rpm, n, 0.0, cell);
    GlobalLammRun.MaxRelativeChange = step;
    SetParameters(p);
    PropagateReactingSystem();
  }

  // Loading concentrations: the loading signals over the signal factors.
  static double A0(const System& p) {
    return static_cast<double>(static_cast<float>(p.loadingA)) / static_cast<float>(p.factorA);
  }
  static double B0(const System& p) {
    return static_cast<double>(static_cast<float>(p.loadingB)) / static_cast<float>(p.factorB);
  }

  // Value of a nodal array of the engine at radius x (linear interpolation).
  static double ValueAt(const double* y, double x) {
    for (int i = 1; i < N(); ++i)
      if (R()[i + 1] >= x) return y[i] + (y[i + 1] - y[i]) * (x - R()[i]) / (R()[i + 1] - R()[i]);
    return y[N()];
  }
};

// The binding constant as the engine sees it (single precision, as stored).
double StoredK(double logK) {
  return std::pow(10.0, static_cast<double>(static_cast<float>(logK)));
}

TEST_F(ReactingABEngineTest, LoadingEquilibriumObeysMassActionForAnyK) {
  struct Case {
    double a, b, logK;
  };
  // From no binding to tight binding, equal and very unequal totals; for a
  // tiny K the naive root e - sqrt(e^2 - 4ab) would cancel to nothing.
  const Case cases[] = {{0.7, 0.4, -12.0}, {0.7, 0.4, -3.0}, {1.0, 1.0, 0.0},
                        {0.3, 2.0, 1.5},   {2.0, 1e-4, 4.0}, {0.5, 0.5, 8.0}};
  for (const Case& c : cases) {
    const double K = std::pow(10.0, c.logK);
    const double complex = ReactingComplexAtEquilibrium(c.a, c.b, K);
    const double freeA = c.a - complex, freeB = c.b - complex;
    EXPECT_GE(freeA, 0.0);
    EXPECT_GE(freeB, 0.0);
    // c = K (a - c)(b - c), relative to the complex itself.
    EXPECT_NEAR(K * freeA * freeB / complex, 1.0, c.logK > 6 ? 1e-6 : 1e-10)
        << c.a << " " << c.b << " " << c.logK;
  }
  EXPECT_EQ(ReactingComplexAtEquilibrium(0.0, 1.0, 10.0), 0.0);
  EXPECT_EQ(ReactingComplexAtEquilibrium(1.0, 1.0, 0.0), 0.0);
}

TEST_F(ReactingABEngineTest, InitialStateIsTheLoadingEquilibriumWithItsSignal) {
  const System p{0.5, 0.6, 1.5, 1.2, 2.5, {4, 6e-7}, {2, 8e-7}, {7, 4.5e-7}};
  ModelSelection.Kind = ModelKind::ReactingABC;
  SetUpEngineRun({1000.0}, 50000, 100, 0.0, {});
  SetParameters(p);
  ASSERT_TRUE(ReactingEquilibrium());
  const ReactingArrays w = ReactingWork();
  const double K = StoredK(p.logK), a0 = A0(p), b0 = B0(p);
  for (int i : {1, 50, 100}) {
    EXPECT_NEAR(w.FreeA[i] + w.Complex[i], a0, 1e-14);
    EXPECT_NEAR(w.FreeB[i] + w.Complex[i], b0, 1e-14);
    EXPECT_NEAR(w.Complex[i], K * w.FreeA[i] * w.FreeB[i], 1e-14);
    // Each component's signal, free or bound, with its own extinction.
    EXPECT_NEAR(C()[i], a0 * p.factorA + b0 * p.factorB, 1e-6);
  }
  EXPECT_NEAR(ReactingSystemParameters.SignalFactorComplex, p.factorA + p.factorB, 1e-6);
  EXPECT_EQ(ReactingEngine.PrevTimeStep, 0.0);
}

TEST_F(ReactingABEngineTest, ClosedSectorCellKeepsTheAmountsOfAAndOfB) {
  // Sedimenting and floating members, weak and tight binding, in a short
  // column, so that the fastest species piles up at the bottom within the
  // run.
  struct Case {
    System p;
    int n;
  };
  const Case cases[] = {
      {{0.5, 0.6, 0.4, 1.0, 1.0, {4, 6e-7}, {2, 8e-7}, {7, 4.5e-7}}, 100},
      {{2.0, 0.8, 1.2, 1.0, 2.0, {6, 5e-7}, {-3, 9e-7}, {4, 4e-7}}, 180},
      {{-1.0, 1.0, 1.0, 1.0, 1.0, {12, 6e-7}, {1, 1e-6}, {15, 5e-7}}, 160},
  };
  const Cell cell{6.8, 7.2};
  for (const Case& c : cases) {
    const System& p = c.p;
    Run(p, {1500.0, 3000.0}, 50000, c.n, 4.0, cell);
    ASSERT_EQ(GlobalLammRun.TridiagError, 0);
    ASSERT_EQ(GlobalLammRun.DiscretizationError, 0);
    EXPECT_NEAR(GlobalLammRun.SimTime, 3000.0, 1e-9);
    // Uniform loading over the cell: c0 (b^2 - m^2)/2 in the sector.
    // The cell ends as the engine reads them, in single precision.
    const double m = static_cast<float>(cell.meniscus), b = static_cast<float>(cell.bottom);
    const double volume = (b * b - m * m) / 2 * kSector;
    EXPECT_NEAR(ReactingTotalA() / (A0(p) * volume), 1.0, 1e-10) << p.logK;
    EXPECT_NEAR(ReactingTotalB() / (B0(p) * volume), 1.0, 1e-10) << p.logK;
    // The material has moved: the profile is far from uniform.
    const ReactingArrays w = ReactingWork();
    EXPECT_GT(w.FreeA[c.n] + w.Complex[c.n], 2.0 * A0(p)) << p.logK;
    ResetModelRecords();
    ResetRecords();
  }
}

TEST_F(ReactingABEngineTest, WithoutBindingEachComponentIsAnIdealSpecies) {
  const System p{-12.0, 0.7, 1.0, 1.0, 2.5, {3, 9e-7}, {5, 7e-7}, {12, 3e-7}};
  const std::vector<double> times = Times(1000, 1000, 3);
  const double rpm = 40000;
  Run(p, times, rpm, 300, 2.0);
  ASSERT_EQ(GlobalLammRun.TridiagError, 0);
  Reference refA, refB;
  refA.Solve(times, p.A.s, p.A.D, rpm);
  refB.Solve(times, p.B.s, p.B.D, rpm);
  const double a0 = A0(p), b0 = B0(p);
  const ScanDataSetRecord& d = ScanDataSet;
  double sumSignal = 0.0, sumA = 0.0, sumB = 0.0;
  int count = 0;
  for (int i = 1; i <= d.ScanPointCount[3]; ++i) {
    const double r = d.ScanRadius[3][i];
    if (r > d.FitRightLim) continue;
    for (int k = 1; k <= 3; ++k) {
      const double signal = a0 * p.factorA * refA.output[k][i] + b0 * p.factorB * refB.output[k][i];
      sumSignal += std::pow(d.ScanModel[k][i] - signal, 2);
    }
    // The free components at the end of the run, each against its own
    // reference, relative to its loading.
    const ReactingArrays w = ReactingWork();
    sumA += std::pow(ValueAt(w.FreeA, r) / a0 - refA.output[3][i], 2);
    sumB += std::pow(ValueAt(w.FreeB, r) / b0 - refB.output[3][i], 2);
    ++count;
  }
  EXPECT_LT(std::sqrt(sumSignal / (3 * count)), 1e-3 * (p.loadingA + p.loadingB));
  EXPECT_LT(std::sqrt(sumA / count), 1e-3);
  EXPECT_LT(std::sqrt(sumB / count), 1e-3);
}

TEST_F(ReactingABEngineTest, EqualSAndDMakeTheSignalOneIdealSpeciesWhateverK) {
  const std::vector<double> times = Times(1000, 1000, 3);
  const double rpm = 40000;
  const Species same{4, 8e-7};
  for (double logK : {0.0, 3.0}) {
    const System p{logK, 0.5, 1.2, 1.0, 1.5, same, same, same};
    Run(p, times, rpm, 200, 2.0);
    ASSERT_EQ(GlobalLammRun.TridiagError, 0);
    Reference ref;
    ref.Solve(times, same.s, same.D, rpm);
    // All of A and all of B are each an ideal species: the signal is the
    // summed loading times the ideal profile.
    const double scale = p.loadingA + p.loadingB;
    const ScanDataSetRecord& d = ScanDataSet;
    for (int k = 1; k <= 3; ++k)
      for (int i = 1; i <= d.ScanPointCount[k]; ++i) ref.output[k][i] *= static_cast<float>(scale);
    EXPECT_LT(ref.RmsDifferenceUpToFitLimit(), 1e-3 * scale) << "log K " << logK;
    ResetModelRecords();
    ResetRecords();
  }
}

// Plateau totals of A and B under radial dilution with instant binding:
// dA/dt = -2 w (s_A a + s_AB c), dB/dt = -2 w (s_B b + s_AB c), with a, b,
// c the local equilibrium of A, B; classical fourth-order Runge-Kutta.
void PlateauTotals(const System& p, double K, double w, double t, double& A, double& B) {
  const auto rates = [&](double x, double y, double& dx, double& dy) {
    const double c = ReactingComplexAtEquilibrium(x, y, K);
    dx = -2 * w * 1e-13 * (p.A.s * (x - c) + p.AB.s * c);
    dy = -2 * w * 1e-13 * (p.B.s * (y - c) + p.AB.s * c);
  };
  const int steps = 1000;
  const double h = t / steps;
  for (int k = 0; k < steps; ++k) {
    double k1x, k1y, k2x, k2y, k3x, k3y, k4x, k4y;
    rates(A, B, k1x, k1y);
    rates(A + h / 2 * k1x, B + h / 2 * k1y, k2x, k2y);
    rates(A + h / 2 * k2x, B + h / 2 * k2y, k3x, k3y);
    rates(A + h * k3x, B + h * k3y, k4x, k4y);
    A += h / 6 * (k1x + 2 * k2x + 2 * k3x + k4x);
    B += h / 6 * (k1y + 2 * k2y + 2 * k3y + k4y);
  }
}

TEST_F(ReactingABEngineTest, PlateauKeepsTheLocalEquilibriumOfTheDilutedTotals) {
  // Three different s: the totals dilute at rates that depend on how much is
  // bound, and each species uses its own s.
  const System p{0.3, 0.8, 0.6, 1.0, 1.0, {3, 9e-7}, {5, 7e-7}, {7, 6e-7}};
  const double rpm = 50000, t = 1500;
  Run(p, {t}, rpm, 200);
  ASSERT_EQ(GlobalLammRun.TridiagError, 0);
  const double K = StoredK(p.logK);
  double A = A0(p), B = B0(p);
  PlateauTotals(p, K, OmegaSquared(rpm), t, A, B);
  const double c = ReactingComplexAtEquilibrium(A, B, K);
  const ReactingArrays w = ReactingWork();
  for (double r : {6.5, 6.7}) {
    const double a = ValueAt(w.FreeA, r), b = ValueAt(w.FreeB, r);
    EXPECT_NEAR(a, A - c, 2e-4 * A0(p)) << r;
    EXPECT_NEAR(b, B - c, 2e-4 * B0(p)) << r;
    EXPECT_NEAR(ValueAt(w.Complex, r), K * a * b, 2e-4 * A0(p)) << r;
  }
  // Dilution is visible at this tolerance.
  EXPECT_LT(A, 0.99 * A0(p));
}

// The run fixes the step and rests the grid, and these settings stay; the s
// and D entered for each species stay theirs (the tests above show that
// each species moves with its own).
TEST_F(ReactingABEngineTest, RunFixesTheStepAndTheGridButKeepsTheEnteredCoefficients) {
  const System p{0.5, 0.6, 0.4, 1.0, 1.0, {4, 6e-7}, {2, 8e-7}, {7, 4.5e-7}};
  LammSolverSettings.FixedTimeStep = false;
  LammSolverSettings.AutoSGrid = true;
  LammSolverSettings.AutoSGridValue = 3.5;
  LammSolverSettings.MaxChangePerStep = 2.0;
  Run(p, {300.0}, 50000, 100, 2.0);
  EXPECT_TRUE(LammSolverSettings.FixedTimeStep);
  EXPECT_FALSE(LammSolverSettings.AutoSGrid);
  EXPECT_EQ(LammSolverSettings.AutoSGridValue, 0.0);
  EXPECT_EQ(LammSolverSettings.MaxChangePerStep, 2.0);
  const ReactingSystemParametersRecord& r = ReactingSystemParameters;
  EXPECT_EQ(r.SedimentationA, 4.0f);
  EXPECT_EQ(r.SedimentationComplex, 7.0f);
  EXPECT_EQ(r.DiffusionA, 6e-7f);
  EXPECT_EQ(r.DiffusionComplex, 4.5e-7f);
  // 150 steps of the run's 2 s step.
  EXPECT_EQ(GlobalLammRun.IterationCount, 150);
}

TEST_F(ReactingABEngineTest, ScanAtTheStartTimeIsTheLoadingWithoutAStep) {
  const System p{0.5, 0.6, 0.4, 1.0, 2.0, {4, 6e-7}, {2, 8e-7}, {7, 4.5e-7}};
  Run(p, {0.0, 100.0}, 50000, 100);
  const ScanDataSetRecord& d = ScanDataSet;
  const double loading = p.loadingA + p.loadingB;
  for (int i = 1; i <= d.ScanPointCount[1]; i += 20) EXPECT_NEAR(d.ScanModel[1][i], loading, 1e-6);
  EXPECT_EQ(GlobalLammRun.IterationCount, 100);
  EXPECT_EQ(GlobalLammRun.SimTime, 100.0);
}

TEST_F(ReactingABEngineTest, BadLoadingIsRefusedWithAMessage) {
  System p{0.5, 0.6, 0.4, 0.0, 1.0, {4, 6e-7}, {2, 8e-7}, {7, 4.5e-7}};
  Run(p, {100.0}, 50000, 100);
  EXPECT_EQ(GlobalLammRun.KeepRunning, 0);
  EXPECT_EQ(GlobalLammRun.IterationCount, 0);
  EXPECT_EQ(LogLinesWith("signals per unit concentration must be positive").size(), 1u);
}

TEST_F(ReactingABEngineTest, SingularSystemEndsTheRunWithTheSolverError) {
  // A cell without height has no mass: the first pivot block is zero.
  const System p{0.5, 0.6, 0.4, 1.0, 1.0, {0, 0}, {0, 0}, {0, 0}};
  Run(p, {100.0}, 50000, 50, 1.0, Cell{6.5, 6.5});
  EXPECT_EQ(GlobalLammRun.TridiagError, 1);
  EXPECT_EQ(LogLinesWith("Error 1 in tridag").size(), 1u);
  EXPECT_EQ(GlobalLammRun.IterationCount, 0);
  const ReactingArrays w = ReactingWork();
  EXPECT_TRUE(std::isfinite(w.FreeA[10]) && std::isfinite(w.FreeB[10]));
}

TEST_F(ReactingABEngineTest, DiagnosticsPauseForAKeyExceptInFitsAndBatchRuns) {
  struct Case {
    bool window, fit, batch;
    int key;         // key queued before the run, 0 for none
    int displays;    // header lines drawn by the run
    int iterations;  // steps computed
    bool abort;      // ComputationAbort afterwards
  };
  const System p{0.5, 0.6, 0.4, 1.0, 1.0, {4, 6e-7}, {2, 8e-7}, {7, 4.5e-7}};
  const Case cases[] = {
      // No output window, a fit, a batch run: no display, no waiting.
      {false, false, false, 0, 0, 20, false},
      {true, true, false, 0, 0, 20, false},
      {true, false, true, 0, 0, 20, false},
      // "s" at the first display: the step ends, then the run.
      {true, false, false, 115, 2, 1, true},
      // "r": no further waiting, a display after every pass of every step.
      {true, false, false, 114, 40, 20, false},
  };
  int window = 0;
  for (const Case& c : cases) {
    backend().ClearLog();
    FitControl.FitRunning = c.fit;
    BatchMode = c.batch;
    if (c.key) backend().QueueKeyPress(&window, c.key, c.key);
    ModelSelection.Kind = ModelKind::ReactingABC;
    SetUpEngineRun({20.0}, 50000, 60, 0.0, {});
    GlobalLammRun.CallbackWindow = c.window ? &window : nullptr;
    SetParameters(p);
    PropagateReactingSystem();
    const int headers = static_cast<int>(LogLinesWith("#:    -     Free").size());
    EXPECT_EQ(headers, c.displays);
    EXPECT_EQ(GlobalLammRun.IterationCount, c.iterations);
    EXPECT_EQ(ComputationAbort.load(), c.abort);
    EXPECT_FALSE(KeysReadByDisplay);  // the next engine's run polls again
    if (c.displays > 0) {
      EXPECT_FALSE(LogLinesWith("total A  = ").empty());
      EXPECT_FALSE(LogLinesWith("__1:    ").empty());
    }
    ResetModelRecords();
    ResetRecords();
  }
  BatchMode = false;
}

// The displays own the keys while they are shown: "r" runs on, a later key
// pauses at the next display, "s" there stops; afterwards the keys are the
// poll's again.
TEST_F(ReactingABEngineTest, DisplaysOwnTheKeysOfTheirRunOnly) {
  const System p{0.5, 0.6, 0.4, 1.0, 1.0, {4, 6e-7}, {2, 8e-7}, {7, 4.5e-7}};
  int window = 0;
  for (int key : {'r', 'x', 's'}) backend().QueueKeyPress(&window, key, key);
  ModelSelection.Kind = ModelKind::ReactingABC;
  SetUpEngineRun({20.0}, 50000, 60, 0.0, {});
  GlobalLammRun.CallbackWindow = &window;
  SetParameters(p);
  PropagateReactingSystem();
  // pause at the first predictor ("r"), the corrector of step 1 takes "x",
  // the predictor of step 2 waits and takes "s"; that step still ends.
  EXPECT_EQ(GlobalLammRun.IterationCount, 2);
  EXPECT_EQ(static_cast<int>(LogLinesWith("#:    -     Free").size()), 4);
  EXPECT_TRUE(ComputationAbort.load());
  EXPECT_FALSE(KeysReadByDisplay);
}

// A close of the window while the displays wait for a key (it sets the
// interrupt, the only other way it is set while they own the keys) ends
// the run as "s" does instead of waiting for a key nobody will press.
TEST_F(ReactingABEngineTest, CloseWhileADisplayWaitsEndsTheRun) {
  const System p{0.5, 0.6, 0.4, 1.0, 1.0, {4, 6e-7}, {2, 8e-7}, {7, 4.5e-7}};
  int window = 0;
  ModelSelection.Kind = ModelKind::ReactingABC;
  SetUpEngineRun({20.0}, 50000, 60, 0.0, {});
  GlobalLammRun.CallbackWindow = &window;
  SetParameters(p);
  ComputationAbort = true;
  PropagateReactingSystem();
  EXPECT_LE(GlobalLammRun.IterationCount, 1);
  EXPECT_EQ(GlobalLammRun.KeepRunning, 0);
  EXPECT_FALSE(KeysReadByDisplay);
}

}  // namespace
