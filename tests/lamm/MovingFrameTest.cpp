// The moving-frame solver: its matrices against closed forms, the grid shift,
// and runs against the invariants of the Lamm equation (mass in a closed
// cell, the plateau's exponential decay, the second moment of the boundary),
// under a speed program, and against the fixed-grid solver.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "lamm/CLammIdeal.h"
#include "lamm/LammSetupFixture.h"
#include "support/TestSupport.h"

namespace {

constexpr double kRpmToOmega = 2.0 * std::numbers::pi / 60.0;

double SedimentationRate(double s, double rpm) {
  const double omega = rpm * kRpmToOmega;
  return omega * omega * s * 1e-13;
}

// Integral of c r dr over the cell for the profile that is linear between the
// nodes, element by element.
double Amount(const CLammIdeal& l) {
  double sum = 0.0;
  for (int i = 1; i < l.GridSize; ++i) {
    const double u = l.Radius[i], w = l.Radius[i + 1];
    sum += (w - u) / 6 * (l.Concentration[i] * (2 * u + w) + l.Concentration[i + 1] * (u + 2 * w));
  }
  return sum;
}

// Integral of c r dr from node a to node b (a < b).
double AmountBetween(const CLammIdeal& l, int a, int b) {
  double sum = 0.0;
  for (int i = a; i < b; ++i) {
    const double u = l.Radius[i], w = l.Radius[i + 1];
    sum += (w - u) / 6 * (l.Concentration[i] * (2 * u + w) + l.Concentration[i + 1] * (u + 2 * w));
  }
  return sum;
}

// The first node at or beyond radius r.
int NodeAt(const CLammIdeal& l, double r) {
  int i = 1;
  while (i < l.GridSize && l.Radius[i] < r) ++i;
  return i;
}

class MovingFrameTest : public HeadlessTest {
 protected:
  // A solver for the standard cell configured for the moving frame by hand
  // (no automatic choice), its rotor state and grid prepared as a run would
  // prepare them, loaded with c0 = 1.
  std::unique_ptr<CLammIdeal> Prepared(double s, double D, float rpm, int gridSize = 0) {
    if (data.ScanCount() == 0) data.MakeScans(10, rpm);
    auto l = std::make_unique<CLammIdeal>();
    data.Configure(*l, s, D);
    LammSetupFixture::SetDefaultNumerics(*l, 1, 0, 0);
    l->SetSolvent(20, 0.73, 1.0, 1.0);
    l->BackDiffusionShutOff = 0;  // a closed cell
    l->InitRotorSpeed();
    l->ChooseMethod();
    if (gridSize > 0) {
      l->GridSize = gridSize;
      l->AllocWorkArrays();
    } else {
      l->ChooseGridSize();
    }
    for (int i = 1; i <= l->GridSize; ++i) l->Concentration[i] = 1.0;
    l->CurrentTime = 0;
    l->StepCount = 0;
    l->ContinueLoop = 1;
    l->StepControl = l->MaxChangePerStep;
    return l;
  }

  // Steps the solver until time t, which a step must meet exactly.
  static void RunTo(CLammIdeal& l, double t) {
    l.StopPending = 1;
    l.StopTime = t;
    for (int guard = 0; l.CurrentTime < t && !l.TridagError && !l.BlowUpError; ++guard) {
      ASSERT_LT(guard, 200000) << "no progress at t = " << l.CurrentTime;
      l.MovingFrameTimeStep();
    }
    // Steps end exactly on the times that are asked for.
    EXPECT_EQ(l.CurrentTime, t);
    l.UpdateFrameRadii();
  }

  LammSetupFixture data;
};

// ---------------------------------------------------------------------------
// Matrices

TEST_F(MovingFrameTest, AssembledMatricesMeetTheirClosedForms) {
  auto l = Prepared(4.5, 6e-7, 50000, 12);
  l->AutoSGridValue = 4.5;
  l->AssembleFrameMatrices();
  const int n = l->GridSize;
  const double* x = l->FrameGrid;
  const double sigma = SedimentationRate(4.5, 50000);
  auto tol = [](double v) { return 1e-12 * (1 + std::fabs(v)); };
  // Geometric frame grid with the meniscus and bottom at its ends.
  EXPECT_DOUBLE_EQ(x[1], 5.8);
  EXPECT_DOUBLE_EQ(x[n], 7.2);
  const double q = std::pow(7.2 / 5.8, 1.0 / (n - 1));
  EXPECT_NEAR(x[2] / x[1], std::sqrt(q), 1e-12);
  for (int i = 3; i <= n - 1; ++i) EXPECT_NEAR(x[i] / x[i - 1], q, 1e-12);
  EXPECT_NEAR(x[n] / x[n - 1], std::pow(q, 1.5), 1e-12);
  // Entry (i, j) of a tridiagonal matrix held as three arrays.
  auto entry = [](const double* lower, const double* diag, const double* upper, int i, int j) {
    return j == i ? diag[i] : (j > i ? upper[i] : lower[i]);
  };
  for (int j = 1; j <= n; ++j) {
    // Columns: the mass matrix sums to the node weight, the transport terms
    // to zero (nothing leaves a closed cell).
    double mass = 0, k = 0, sed = 0, v = 0;
    for (int i = std::max(1, j - 1); i <= std::min(n, j + 1); ++i) {
      mass += entry(l->MassLower, l->MassDiag, l->MassUpper, i, j);
      k += entry(l->DiffusionLower, l->DiffusionDiagonal, l->DiffusionUpper, i, j);
      sed += entry(l->SedimentationLower, l->SedimentationDiagonal, l->SedimentationUpper, i, j);
      v += entry(l->FrameTermLower, l->FrameTermDiagonal, l->FrameTermUpper, i, j);
    }
    EXPECT_NEAR(mass, l->FrameNodeWeight(j), tol(1)) << "column " << j;
    EXPECT_NEAR(k, 0.0, 1e-9) << "column " << j;
    EXPECT_NEAR(sed, 0.0, tol(sigma)) << "column " << j;
    EXPECT_NEAR(v, 0.0, tol(sigma)) << "column " << j;
  }
  for (int i = 1; i <= n; ++i) {
    const double w = l->FrameNodeWeight(i);
    const double rowMass = l->MassLower[i] + l->MassDiag[i] + l->MassUpper[i];
    EXPECT_NEAR(rowMass, w, tol(w)) << "row " << i;
    if (i >= 3 && i <= n - 2) {
      // The frame moving with the species carries it: no transport term
      // inside, where every node moves.
      EXPECT_NEAR(l->FrameTermDiagonal[i], 0.0, tol(sigma));
      EXPECT_NEAR(l->FrameTermUpper[i], 0.0, tol(sigma));
      EXPECT_NEAR(l->FrameConvectionIntegral(i, i), l->MassDiag[i], tol(1));
      EXPECT_NEAR(l->FrameTermIntegral(i, i + 1), 2 * l->MassUpper[i], tol(1));
      EXPECT_NEAR(l->MassUpper[i], (x[i + 1] * x[i + 1] - x[i] * x[i]) / 12, tol(1));
      EXPECT_NEAR(l->DiffusionUpper[i], -(x[i] + x[i + 1]) / (2 * (x[i + 1] - x[i])), tol(1e3));
      EXPECT_NEAR(w, (x[i + 1] - x[i - 1]) * (x[i - 1] + x[i] + x[i + 1]) / 6, tol(1));
    }
  }
  // End elements, where the meniscus and bottom nodes stay in place.
  EXPECT_NEAR(l->MassDiag[1], (x[2] - x[1]) * (3 * x[1] + x[2]) / 12, tol(1));
  const double w11 = x[2] * (x[1] + x[2]) / 12;
  EXPECT_NEAR(l->FrameConvectionIntegral(1, 1), w11, tol(1));
  EXPECT_NEAR(l->FrameConvectionIntegral(1, 2), -w11, tol(1));
  EXPECT_NEAR(l->FrameConvectionIntegral(2, 1), x[2] * (x[1] + 3 * x[2]) / 12, tol(1));
  EXPECT_NEAR(l->FrameConvectionIntegral(2, 2), (x[3] * x[3] + 2 * x[2] * x[3] - x[1] * x[2]) / 12,
              tol(1));
  EXPECT_NEAR(l->FrameConvectionIntegral(n, n), -x[n - 1] * (x[n - 1] + x[n]) / 12, tol(1));
  EXPECT_NEAR(l->FrameConvectionIntegral(n - 1, n), -x[n - 1] * (x[n] + 3 * x[n - 1]) / 12, tol(1));
  EXPECT_NEAR(l->FrameConvectionIntegral(n - 1, n - 1),
              (x[n] * x[n - 1] - 2 * x[n - 2] * x[n - 1] - x[n - 2] * x[n - 2]) / 12, tol(1));
  const double x11 = x[1] * x[1] / 4 + x[1] * x[2] / 4 + x[2] * x[2] / 6;
  EXPECT_NEAR(l->FrameTermIntegral(1, 1), x11, tol(1));
  EXPECT_EQ(l->FrameMassIntegral(1, 3), 0.0);
  EXPECT_EQ(l->FrameNodeWeight(n + 1), 0.0);
}

TEST_F(MovingFrameTest, FrameTermFollowsTheGridSpeedAndOpenEndsLetMaterialOut) {
  struct Case {
    double s, gridS;
    std::uint8_t autoGrid, cut;
  };
  const Case cases[] = {
      {4.5, 9.0, 0, 0},   // frame twice as fast as the species
      {4.5, 4.5, 1, 1},   // open bottom
      {-3.0, -3.0, 1, 1}  // open meniscus
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "s " << c.s << " grid s " << c.gridS << " cut " << +c.cut);
    auto l = Prepared(c.s, 6e-7, 50000, 10);
    l->AutoSGrid = c.autoGrid;
    l->AutoSGridValue = c.gridS;
    l->BackDiffusionCut = c.cut;
    l->AssembleFrameMatrices();
    const int n = l->GridSize;
    const double* x = l->FrameGrid;
    const double sigma = SedimentationRate(c.s, 50000), kappa = SedimentationRate(c.gridS, 50000);
    for (int i = 1; i <= n; ++i) {
      const double rowK = l->DiffusionLower[i] + l->DiffusionDiagonal[i] + l->DiffusionUpper[i];
      EXPECT_NEAR(rowK, 0.0, 1e-9) << "row " << i;
      for (int j = std::max(1, i - 1); j <= std::min(n, i + 1); ++j) {
        const double s = l->FrameSedimentationIntegral(i, j);
        const double v = j == i ? l->FrameTermDiagonal[i]
                                : (j > i ? l->FrameTermUpper[i] : l->FrameTermLower[i]);
        const double sed = j == i ? l->SedimentationDiagonal[i]
                                  : (j > i ? l->SedimentationUpper[i] : l->SedimentationLower[i]);
        // The open end adds the outflow -xi^2 sigma c (S_NN -= xi_N^2 at the
        // bottom, S_11 += xi_1^2 at the meniscus).
        double open = 0.0;
        if (c.cut && c.s > 0 && i == n && j == n) open = -x[n] * x[n];
        if (c.cut && c.s < 0 && i == 1 && j == 1) open = x[1] * x[1];
        EXPECT_NEAR(sed, sigma * (s + open), 1e-12 * (1 + std::fabs(sed)));
        const double want = -kappa * l->FrameConvectionIntegral(j, i) - sigma * (s + open);
        EXPECT_NEAR(v, want, 1e-11 * (1 + std::fabs(v))) << i << "," << j;
      }
    }
    if (c.cut && c.s > 0) {
      EXPECT_NEAR(l->DiffusionLower[n] - l->FrameDiffusionIntegral(n, n - 1),
                  x[n] / (x[n] - x[n - 1]), 1e-9);
    }
  }
}

TEST_F(MovingFrameTest, PreparedIntervalStepEqualsTheGeneralStep) {
  auto l = Prepared(4.5, 6e-7, 50000, 60);
  l->AutoSGridValue = 4.5;
  l->AssembleFrameMatrices();
  const int n = l->GridSize;
  // The boundary entries at the frame origin are those of the set-up.
  std::vector<double> diag(l->MassDiag, l->MassDiag + n + 1);
  l->BoundaryEntriesNow();
  l->BoundaryEntriesAt(0.0);
  EXPECT_DOUBLE_EQ(l->NewBoundaryEntries.Mass[0], diag[1]);
  EXPECT_DOUBLE_EQ(l->NewBoundaryEntries.Mass[7], diag[n]);
  EXPECT_DOUBLE_EQ(l->MassDiag[2], diag[2]);

  l->PrepareIntervalMatrices();
  ASSERT_EQ(l->TridagError, 0);
  auto loadBoundary = [&] {
    for (int i = 1; i <= n; ++i)
      l->Concentration[i] = l->PreviousConcentration[i] =
          0.5 * std::erfc((6.2 - l->FrameGrid[i]) / 0.05);
  };
  loadBoundary();
  l->IntervalStepping = l->UseIntervalMatrices = 1;
  l->MovingFrameStep(l->ShiftInterval);
  const std::vector<double> prepared(l->Concentration, l->Concentration + n + 1);

  // The same step on the general path: an accelerating rotor never uses the
  // prepared matrices, and without a ramp its speed does not change.
  loadBoundary();
  l->IntervalStepping = l->UseIntervalMatrices = 0;
  l->SimulateAcceleration = 0;
  l->Accelerating = 1;
  l->MovingFrameStep(l->ShiftInterval);
  for (int i = 1; i <= n; ++i) EXPECT_NEAR(l->Concentration[i], prepared[i], 1e-12) << i;
  // Something happened: the boundary moved by about one node.
  EXPECT_GT(std::fabs(prepared[n / 2] - 0.5 * std::erfc((6.2 - l->FrameGrid[n / 2]) / 0.05)), 1e-3);
}

// ---------------------------------------------------------------------------
// Grid shift

TEST_F(MovingFrameTest, GridShiftMovesTheProfileOneNodeAndKeepsTheAmount) {
  struct Case {
    double s, D;
  };
  const Case cases[] = {{4.5, 6e-7}, {4.5, 0.0}, {-3.0, 6e-7}, {-3.0, 0.0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "s " << c.s << " D " << c.D);
    auto l = Prepared(c.s, c.D, 50000, 40);
    l->AutoSGridValue = c.s;
    l->AssembleFrameMatrices();
    const int n = l->GridSize;
    // A smooth boundary with a meniscus depletion or a bottom pile, at the end
    // of one shift interval.
    l->CurrentTime = l->ShiftInterval;
    l->UpdateFrameRadii();
    for (int i = 1; i <= n; ++i) {
      const double r = l->Radius[i];
      l->Concentration[i] = c.s > 0
                                ? 0.5 * std::erfc((6.3 - r) / 0.1) + 2 * std::exp((r - 7.2) / 0.05)
                                : 0.5 * std::erfc((r - 6.7) / 0.1) + 2 * std::exp((5.8 - r) / 0.05);
    }
    const double before = Amount(*l);
    const std::vector<double> old(l->Concentration, l->Concentration + n + 1);
    l->ShiftFrameGrid();
    l->UpdateFrameRadii();
    EXPECT_DOUBLE_EQ(l->FrameOriginTime, l->CurrentTime);
    EXPECT_DOUBLE_EQ(l->FrameGrid[1], 5.8);
    EXPECT_DOUBLE_EQ(l->FrameGrid[n], 7.2);
    // The nodes are back at their set-up radii.
    const double q = std::pow(7.2 / 5.8, 1.0 / (n - 1));
    EXPECT_NEAR(l->Radius[4] / l->Radius[3], q, 1e-12);
    const int from = c.s > 0 ? -1 : 1;
    for (int i = 3; i <= n - 2; ++i) EXPECT_EQ(l->Concentration[i], old[i + from]) << "node " << i;
    for (int i = 1; i <= n; ++i) EXPECT_EQ(l->PreviousConcentration[i], l->Concentration[i]);
    EXPECT_NEAR(Amount(*l), before, 1e-12 * before);
  }
}

// ---------------------------------------------------------------------------
// Runs

TEST_F(MovingFrameTest, ClosedCellKeepsItsAmount) {
  struct Case {
    const char* name;
    double s, D, stepControl, t;
    std::uint8_t autoGrid;
    double gridS;
  };
  const Case cases[] = {
      {"whole intervals", 4.5, 6e-7, 1.0, 3000, 1, 0},
      {"quarter intervals", 4.5, 6e-7, 0.25, 3000, 1, 0},
      {"fast and pelleting", 100, 2e-8, 1.0, 1200, 1, 0},
      {"floating", -3.0, 3e-7, 1.0, 3000, 1, 0},
      {"floating on a frame set outward", -3.0, 3e-7, 1.0, 3000, 0, 3.0},
      {"frame at rest", 4.5, 6e-7, 1.0, 60, 0, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto l = Prepared(c.s, c.D, 50000);
    l->MaxChangePerStep = l->StepControl = c.stepControl;
    l->AutoSGrid = c.autoGrid;
    if (!c.autoGrid) l->AutoSGridValue = c.gridS;
    ASSERT_TRUE(l->StartMovingFrame());
    l->UpdateFrameRadii();
    const double start = Amount(*l);
    for (double t = c.t / 3; t <= c.t + 1; t += c.t / 3) {
      RunTo(*l, t);
      ASSERT_EQ(l->TridagError + l->BlowUpError, 0);
      EXPECT_NEAR(Amount(*l) / start, 1.0, 1e-6) << "t = " << t;
    }
    // A frame at rest never shifts: steps of StepControl seconds (0.1 s for
    // a grid s below 1 S) on a fixed geometric grid.
    if (!c.autoGrid && c.gridS == 0) {
      EXPECT_EQ(l->ShiftInterval, 1e10);
      EXPECT_EQ(l->FrameOriginTime, 0.0);
      EXPECT_NEAR(l->StepCount, c.t / 0.1, 3);
    }
  }
}

// The plateau decays as c0 exp(-2 s w^2 t), and the second moment of the
// boundary moves as m^2 exp(2 s w^2 t) (outward from the meniscus; for a
// floating species inward from the bottom, b^2 exp(2 s w^2 t)).
TEST_F(MovingFrameTest, PlateauAndSecondMomentFollowTheSedimentationCoefficient) {
  struct Case {
    const char* name;
    double s, D, stepControl, t, plateauRadius;
  };
  const Case cases[] = {
      {"whole intervals", 4.5, 6e-7, 1.0, 3000, 6.6},
      {"quarter intervals", 4.5, 6e-7, 0.25, 2400, 6.6},
      {"fast", 100, 2e-8, 1.0, 300, 6.8},
      {"floating", -3.0, 3e-7, 1.0, 3000, 6.2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto l = Prepared(c.s, c.D, 50000);
    l->MaxChangePerStep = l->StepControl = c.stepControl;
    ASSERT_TRUE(l->StartMovingFrame());
    RunTo(*l, c.t);
    ASSERT_EQ(l->TridagError + l->BlowUpError, 0);
    const double sigma = SedimentationRate(c.s, 50000);
    const int p = NodeAt(*l, c.plateauRadius);
    const double cp = l->Concentration[p], rp = l->Radius[p];
    EXPECT_NEAR(cp, std::exp(-2 * sigma * c.t), 1e-5);
    double moment;
    if (c.s > 0)
      moment = rp * rp - 2 / cp * AmountBetween(*l, 1, p);
    else
      moment = rp * rp + 2 / cp * AmountBetween(*l, p, l->GridSize);
    const double edge = c.s > 0 ? 5.8 : 7.2;
    const double s = std::log(moment / (edge * edge)) / (2 * sigma / c.s * c.t);
    EXPECT_NEAR(s / c.s, 1.0, 1e-3);
  }
}

// Two plateaus of a speed program: the whole-interval matrices made for the
// first speed must not carry the run at the second. The plateau and the
// second moment then follow the integral of omega^2 over the program.
TEST_F(MovingFrameTest, SpeedProgramWithTwoPlateausRebuildsTheIntervalMatrices) {
  const double s = 4.5, D = 6e-7;
  auto l = Prepared(s, D, 50000);
  const float starts[] = {0, 0, 1500}, rpms[] = {0, 30000, 50000}, accelerations[] = {0, 300, 300};
  l->LoadSpeedSchedule(2, starts, rpms, accelerations, 0);
  l->InitRotorSpeed();
  l->AutoSGrid = 1;
  ASSERT_TRUE(l->StartMovingFrame());
  ASSERT_EQ(l->IntervalStepping, 1);
  // omega^2 t of the program: linear ramps, omega^2 integrated exactly.
  auto omega2t = [](double t) {
    auto ramp = [](double r0, double r1, double length) {
      return length * (r0 * r0 + r0 * r1 + r1 * r1) / 3;
    };
    const double rampEnd1 = 100, rampEnd2 = 1500 + 20000.0 / 300;
    double sum = ramp(0, 30000, std::min(t, rampEnd1));
    if (t > rampEnd1) sum += 30000.0 * 30000 * (std::min(t, 1500.0) - rampEnd1);
    if (t > 1500)
      sum +=
          ramp(30000, 30000 + 300 * (std::min(t, rampEnd2) - 1500), std::min(t, rampEnd2) - 1500);
    if (t > rampEnd2) sum += 50000.0 * 50000 * (t - rampEnd2);
    return sum * kRpmToOmega * kRpmToOmega;
  };
  int plateausSeen = 0;
  for (double t : {1200.0, 2400.0, 3600.0}) {
    RunTo(*l, t);
    ASSERT_EQ(l->TridagError + l->BlowUpError, 0);
    plateausSeen = l->SpeedPlateauCount;
    const double integral = omega2t(t) * s * 1e-13;
    const int p = NodeAt(*l, 6.7);
    const double cp = l->Concentration[p], rp = l->Radius[p];
    EXPECT_NEAR(cp, std::exp(-2 * integral), 2e-5) << "t = " << t;
    const double moment = rp * rp - 2 / cp * AmountBetween(*l, 1, p);
    EXPECT_NEAR(std::log(moment / (5.8 * 5.8)) / (2 * integral), 1.0, 1e-3) << "t = " << t;
  }
  EXPECT_EQ(plateausSeen, 2);
  EXPECT_EQ(l->IntervalMatricesPlateau, 2);
}

// Whatever the steps, the grid shifts only where the frame has moved by one
// grid ratio: at whole multiples of the shift interval. A shift interval just
// above the 1 s start-up step tempts the second start-up step past it.
TEST_F(MovingFrameTest, GridShiftsOnlyAtWholeShiftIntervals) {
  const double interval = 1.05;
  const int n = 200;
  const double kappa = std::log(7.2 / 5.8) / (interval * (n - 1));
  const double s = kappa / SedimentationRate(1.0, 50000);
  auto l = Prepared(s, 1e-6, 50000, n);
  ASSERT_TRUE(l->StartMovingFrame());
  ASSERT_NEAR(l->ShiftInterval, interval, 1e-9);
  // A boundary already formed: no negative meniscus value cuts the start-up
  // steps short.
  for (int i = 1; i <= n; ++i) l->Concentration[i] = 0.5 * std::erfc((6.0 - l->Radius[i]) / 0.05);
  for (double t : {2.0, 20.0, 45.3}) {
    RunTo(*l, t);
    const double shifts = l->FrameOriginTime / interval;
    EXPECT_NEAR(shifts, std::round(shifts), 1e-9) << "t = " << t;
    EXPECT_GT(l->FrameOriginTime, t - interval - 1e-9);
  }
  // From the uniform loading the first steps are shortened until the
  // meniscus stays non-negative; a scan time within them is still met.
  auto loaded = Prepared(s, 1e-6, 50000, n);
  ASSERT_TRUE(loaded->StartMovingFrame());
  RunTo(*loaded, 0.5);
  EXPECT_GT(loaded->StepCount, 1);
}

// A profile time inside a shift interval ends the step there: the interval
// is then finished by a partial step, never by the whole-interval matrices
// over a shorter step, and the grid shifts only at the shift point.
TEST_F(MovingFrameTest, AProfileTimeInsideAnIntervalCutsTheWholeIntervalStep) {
  auto plain = Prepared(4.5, 6e-7, 50000);
  ASSERT_TRUE(plain->StartMovingFrame());
  RunTo(*plain, 1500);
  auto cut = Prepared(4.5, 6e-7, 50000);
  ASSERT_TRUE(cut->StartMovingFrame());
  cut->UpdateFrameRadii();
  const double start = Amount(*cut);
  cut->ProfileOutputOn = 1;
  cut->ProfileNextTime = 1000 + 0.3 * cut->ShiftInterval;
  RunTo(*cut, 1500);
  EXPECT_NEAR(Amount(*cut) / start, 1.0, 1e-6);
  EXPECT_GT(cut->StepCount, plain->StepCount);
  ASSERT_EQ(cut->GridSize, plain->GridSize);
  // The same profile up to the order of the step error (the bottom's pile,
  // the least resolved part, left aside).
  for (int i = 1; i <= cut->GridSize && cut->Radius[i] <= 7.1; ++i)
    EXPECT_NEAR(cut->Concentration[i], plain->Concentration[i], 1e-3) << "node " << i;
}

// The two propagation variants solve the same equation: forced onto each in
// turn by the settings, a 4.5 S protein at 50,000 rpm gives the same scans.
TEST_F(MovingFrameTest, MovingFrameAndFixedGridAgreeScanByScan) {
  data.MakeScans(10, 50000);
  auto run = [&](std::uint8_t moving) {
    CLammIdeal l;
    data.Configure(l, 4.5, 6e-7);
    LammSetupFixture::SetDefaultNumerics(l, moving, moving ? 0 : 1, 0);
    l.SetSolvent(20, 0.73, 1.0, 1.0);
    EXPECT_EQ(l.Solve(), 0);
    EXPECT_EQ(l.MovingFrame, moving);
    std::vector<std::vector<float>> scans;
    for (int k = 1; k <= data.ScanCount(); ++k)
      scans.emplace_back(&data.Output[k][1], &data.Output[k][1] + data.PointCount());
    return scans;
  };
  const auto moving = run(1), fixed = run(0);
  // Two computations, not one variant standing in for the other.
  EXPECT_NE(moving, fixed);
  for (int k = 0; k < data.ScanCount(); ++k) {
    double sum = 0;
    int count = 0;
    for (int i = 0; i < data.PointCount() && data.Radii[i + 1] <= data.RightFitLimit; ++i, ++count)
      sum += std::pow(moving[k][i] - fixed[k][i], 2);
    EXPECT_LT(std::sqrt(sum / count), 1e-3) << "scan " << k + 1;
    // Proper scans: the plateau has fallen below c0, as it should.
    const float plateau =
        static_cast<float>(std::exp(-2 * SedimentationRate(4.5, 50000) * 300 * (k + 1)));
    EXPECT_NEAR(moving[k][count - 40], plateau, 1e-4) << "scan " << k + 1;
  }
}

}  // namespace

// Next to the bottom the profile piles up in a layer about D/(s w^2 b)
// thick (7e-3 cm here), no wider than one element of a frame grid of a few
// hundred nodes. The frame's error there is that of the grid, not of the
// frame's motion or its shifts: it falls at second order as the grid is
// refined, with short steps as with whole shift intervals. (Against a
// fixed grid of 1,760 nodes: 2.1e-4 and 4.6e-5 of the loading on 220 and 440
// nodes with whole intervals, 7.0e-4 and 1.8e-4 with quarter intervals.)
TEST_F(MovingFrameTest, TheErrorNextToTheBottomFallsAtSecondOrderWithTheGrid) {
  LammSetupFixture e;
  e.MakeScans(8, 50000, 450, 450);
  CLammIdeal reference;
  e.Configure(reference, 4.5, 6e-7);
  reference.SetNumerics(100, 4000, 5.0f, 0, 1e-4, 1, 0, 0, 1.0f, 1, 1, 0, 1e-6, 1.0, 1, 0, 0, 1.0,
                        0.1, 0.3, 1.0, 1760, 0, 0, 1, 1e-4f, 1e-6, 0, 1.0, 2.0, 5.0, 60.0);
  ASSERT_EQ(reference.Solve(), 0);
  const OneBasedMatrix<float> converged = e.Output;
  for (double stepControl : {1.0, 0.25}) {
    double previous = 0.0;
    for (int nodes : {220, 440}) {
      SCOPED_TRACE(std::to_string(nodes) + " nodes, step control " + std::to_string(stepControl));
      CLammIdeal l;
      e.Configure(l, 4.5, 6e-7);
      l.SetNumerics(100, 4000, 5.0f, 0, 1e-4, 1, 0, 0, 1.0f, 1, 0, 0, 1e-6, 1.0, 1, 0, 0, 1.0, 0.1,
                    0.3, stepControl, nodes, 0, 1, 0, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
      ASSERT_EQ(l.Solve(), 0);
      ASSERT_TRUE(l.MovingFrame);
      const double error = e.RmsAgainst(converged, e.RightFitLimit);
      if (previous > 0) {
        EXPECT_LT(error, previous / 3);
      }
      previous = error;
    }
  }
}
