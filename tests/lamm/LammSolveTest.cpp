// The run driver of the Lamm solver: the order and texts of its refusals and
// their codes, the repeats of a failed run, the runs without diffusion, the
// start of a run (loading patterns, experimental profiles) and the output at
// scan times (finite scan time, profiles at requested times, interruption).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "state/ModelSelection.h"
#include "state/ProgramPaths.h"
#include "lamm/CLammIdeal.h"
#include "lamm/LammSetupFixture.h"
#include "state/ComputationAbort.h"
#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"
#include "support/TestSupport.h"

namespace {

constexpr float kUnwritten = -7.0f;

double SOmega2(double s, double rpm) {
  const double omega = rpm * 2 * std::numbers::pi / 60;
  return s * 1e-13 * omega * omega;
}

// The numerical settings of the dialog with a few of them changed.
struct Numerics {
  std::uint8_t simulateAcceleration = 1, autoGridSize = 1;
  std::int32_t defaultGridSize = 1000;

  void Apply(CLammIdeal& l) const {
    l.SetNumerics(100, 2000, 5.0f, 0, 1e-4, 1, 1, autoGridSize, 1.0f, simulateAcceleration, 0, 0,
                  1e-6, 1.0, 1, 0, 0, 1.0, 0.1, 0.3, 1.0, defaultGridSize, 0, 0, 1, 1e-4f, 1e-6, 1,
                  1.0, 2.0, 5.0, 60.0);
  }
};

class LammSolveTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    data.MakeScans(4, 50000);
    ComputationAbort = false;
  }
  void TearDown() override {
    ModelSelection.LammGeometry = LammGeometryRecord{};
    ComputationAbort = false;
    HeadlessTest::TearDown();
  }

  // Model, parameters, output and the fixed grid, in the callers' order.
  void Configure(CLammIdeal& l, double s, double D, double c0 = 1.0) {
    data.Configure(l, s, D, c0);
    LammSetupFixture::SetDefaultNumerics(l, 0, 1, 0);
  }

  void MarkRowsUnwritten() {
    for (int k = 1; k <= data.ScanCount(); ++k)
      for (int i = 1; i <= data.PointCount(); ++i) data.Output[k][i] = kUnwritten;
  }
  bool RowsUnwritten() const {
    for (int k = 1; k <= data.ScanCount(); ++k)
      for (int i = 1; i <= data.PointCount(); ++i)
        if (data.Output[k][i] != kUnwritten) return false;
    return true;
  }

  // Texts of the message boxes shown so far, in order.
  std::vector<std::string> BoxTexts() const {
    std::vector<std::string> texts;
    for (const std::string& line : LogLinesWith("box [")) {
      const std::size_t from = line.find(") ") + 2, to = line.rfind(" -> ");
      texts.push_back(line.substr(from, to - from));
    }
    return texts;
  }

  // Index of the output radius nearest r.
  int Point(double r) const {
    return static_cast<int>(std::lround((r - data.Meniscus) / 0.01)) + 1;
  }

  LammSetupFixture data;
};

struct Refusal {
  const char* what;
  void (*setUp)(CLammIdeal&, LammSetupFixture&);
  std::int32_t code;
  std::vector<std::string> boxes;
};

void Output(CLammIdeal& l, LammSetupFixture& d) {
  l.SetOutput(nullptr, nullptr, d.Headers.data(), d.Output.get(), d.Radii.data(), d.PointCount(),
              nullptr, nullptr, 0, nullptr, d.ScanCount(), 1, 0, 1, 0, 2.43f, 0, 0.008f, 1);
}

const std::string kInvalidParameters = "invalid geometry or s, D parameters loaded in CLammIdeal";

TEST_F(LammSolveTest, RefusedSetUpsShowTheFirstProblemAndLeaveTheRowsAlone) {
  const Refusal cases[] = {
      {"special geometry",
       [](CLammIdeal& l, LammSetupFixture& d) {
         d.Configure(l, 4.5, 6e-7);
         ModelSelection.LammGeometry.ExternalLoadingCell = true;
       },
       4,
       {"can't do special geometries in CLammIdeal"}},
      {"fit limit inside the meniscus",
       [](CLammIdeal& l, LammSetupFixture& d) {
         d.Configure(l, 4.5, 6e-7);
         l.SetParameters(4.5, 6e-7, 5.8, 7.2, 1.0, 5.7f, 7.15f);
       },
       4,
       {kInvalidParameters}},
      {"fit limit beyond the bottom",
       [](CLammIdeal& l, LammSetupFixture& d) {
         d.Configure(l, 4.5, 6e-7);
         l.SetParameters(4.5, 6e-7, 5.8, 7.2, 1.0, 5.9f, 7.3f);
       },
       4,
       {"meniscus or bottom parameters in conflict with fitting limits in CLammIdeal"}},
      {"meniscus 0",
       [](CLammIdeal& l, LammSetupFixture& d) {
         d.Configure(l, 4.5, 6e-7);
         l.SetParameters(4.5, 6e-7, 0.0, 7.2, 1.0, 5.9f, 7.15f);
       },
       4,
       {kInvalidParameters, "meniscus or bottom <= 0 loaded in CLammIdeal"}},
      {"negative loading",
       [](CLammIdeal& l, LammSetupFixture& d) {
         d.Configure(l, 4.5, 6e-7);
         l.SetParameters(4.5, 6e-7, 5.8, 7.2, -1.0, 5.9f, 7.15f);
       },
       4,
       {kInvalidParameters, "c0 < 0 loaded in CLammIdeal"}},
      {"negative D",
       [](CLammIdeal& l, LammSetupFixture& d) {
         d.Configure(l, 4.5, 6e-7);
         l.SetParameters(4.5, -6e-7, 5.8, 7.2, 1.0, 5.9f, 7.15f);
       },
       4,
       {kInvalidParameters, "diffcoeff < 0 loaded in CLammIdeal"}},
      {"no output",
       [](CLammIdeal& l, LammSetupFixture& d) {
         l.SetIdealModel();
         l.SetParameters(4.5, 6e-7, d.Meniscus, d.Bottom, 1.0, d.LeftFitLimit, d.RightFitLimit);
         LammSetupFixture::SetDefaultNumerics(l);
       },
       4,
       {"invalid output parameters loaded in CLammIdeal"}},
      {"no model",
       [](CLammIdeal& l, LammSetupFixture& d) {
         l.SetParameters(4.5, 6e-7, d.Meniscus, d.Bottom, 1.0, d.LeftFitLimit, d.RightFitLimit);
         Output(l, d);
         LammSetupFixture::SetDefaultNumerics(l);
       },
       4,
       {"model not set properly in CLammIdeal"}},
      {"no numerics",
       [](CLammIdeal& l, LammSetupFixture& d) {
         l.SetIdealModel();
         l.SetParameters(4.5, 6e-7, d.Meniscus, d.Bottom, 1.0, d.LeftFitLimit, d.RightFitLimit);
         Output(l, d);
       },
       4,
       {"Lamm discretization parameters not loaded in CLammIdeal"}},
      {"association constants missing",
       [](CLammIdeal& l, LammSetupFixture& d) {
         d.Configure(l, 4.5, 6e-7);
         l.SetConcentrationDependence(1, 0, 1, 0, 0, 0, 4.0f, 0.0f, 6e-7f, 5e-7f, 5.0f, 1.0f, 0, -8,
                                      -8, 1, 1, 3.3, 0, 0, 4.0f, 0, 0, 6e-7f, 0, 0, 0, 0);
       },
       4,
       {"self-association parameters not loaded properly in CLammIdeal"}},
      {"non-ideality without D",
       [](CLammIdeal& l, LammSetupFixture& d) {
         d.Configure(l, 4.5, 6e-7);
         l.SetSelfAssociation(0, 1, 1, 0, 0, 0, nullptr, nullptr, nullptr, nullptr, -8, -8, 1, 1,
                              3.3, 0, 0, 4.5, 0.0, 1.0);
       },
       6,
       {"non-ideality parameters not loaded properly in CLammIdeal"}},
      {"Wiener skewing met a finite scan time",
       [](CLammIdeal& l, LammSetupFixture& d) {
         d.Configure(l, 4.5, 6e-7);
         l.WienerConflict = 1;
       },
       7,
       {"Wiener skewing correction incompatible with finite scan time resolution"}},
      {"several problems",
       [](CLammIdeal& l, LammSetupFixture& d) {
         l.SetParameters(4.5, -6e-7, d.Meniscus, d.Bottom, 1.0, d.LeftFitLimit, d.RightFitLimit);
       },
       4,
       {kInvalidParameters, "diffcoeff < 0 loaded in CLammIdeal"}},
  };
  for (const Refusal& c : cases) {
    backend().ClearLog();
    MarkRowsUnwritten();
    CLammIdeal l;
    c.setUp(l, data);
    EXPECT_EQ(l.Solve(), c.code) << c.what;
    EXPECT_EQ(BoxTexts(), c.boxes) << c.what;
    EXPECT_EQ(l.WorkArraysAllocated, 0) << c.what;
    EXPECT_TRUE(RowsUnwritten()) << c.what;
    EXPECT_FALSE(ComputationAbort.load()) << c.what;
    ModelSelection.LammGeometry = LammGeometryRecord{};
  }
}

TEST_F(LammSolveTest, OnlyARecordedSlowAccelerationIsRefused) {
  struct Case {
    double acceleration;  // rpm/s recorded with the first scan
    bool checked;
    std::int32_t code;
  };
  const Case cases[] = {{100, true, 5}, {0, true, 0},   {1e-4, true, 0},
                        {150, true, 0}, {1e6, true, 0}, {100, false, 0}};
  for (const Case& c : cases) {
    backend().ClearLog();
    ComputationAbort = false;
    data.MakeScans(4, 50000, 300, 300, c.acceleration, 0);
    CLammIdeal l;
    l.SetIdealModel();
    l.SetParameters(4.5, 6e-7, data.Meniscus, data.Bottom, 1.0, data.LeftFitLimit,
                    data.RightFitLimit);
    if (!c.checked) l.ClearAccelerationCheck();
    Output(l, data);
    LammSetupFixture::SetDefaultNumerics(l, 0, 1, 0);
    EXPECT_EQ(l.Solve(), c.code) << c.acceleration;
    EXPECT_EQ(ComputationAbort.load(), c.code == 5) << c.acceleration;
    const std::vector<std::string> expected =
        c.code == 5 ? std::vector<std::string>{"too slow rotor acceleration"}
                    : std::vector<std::string>{};
    EXPECT_EQ(BoxTexts(), expected) << c.acceleration;
  }
}

TEST_F(LammSolveTest, MissingWorkArraysGiveCode1WithoutAMessage) {
  CLammIdeal l;
  Configure(l, 4.5, 6e-7);
  Numerics n;
  n.autoGridSize = 0;
  n.defaultGridSize = 0;  // no grid can be made
  n.Apply(l);
  EXPECT_EQ(l.Solve(), 1);
  EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(LammSolveTest, ABlowUpIsReportedAfterEveryRepeatAndTheSettingsReturn) {
  CLammIdeal l;
  Configure(l, 4.5, 6e-7, 1e101);  // beyond the limit of a sound solution
  EXPECT_EQ(l.Solve(), 2);
  EXPECT_EQ(l.FixedGrid, 1);
  EXPECT_EQ(l.MovingFrame, 0);
  EXPECT_EQ(l.FixedTimeStep, 0);
  EXPECT_EQ(l.DynamicTruncation, 1);
  EXPECT_EQ(l.RetryMode, 0);
  // The next run reports its own outcome.
  l.SetParameters(4.5, 6e-7, data.Meniscus, data.Bottom, 1.0, data.LeftFitLimit,
                  data.RightFitLimit);
  EXPECT_EQ(l.Solve(), 0);
  // A value that is not a number has blown up as surely as a huge one.
  l.Concentration[50] = std::nan("");
  l.Propagate();
  EXPECT_EQ(l.BlowUpError, 1);
}

// A solver whose runs fail with a zero pivot or a blow-up until a given
// attempt, recording the numerical choices each attempt was made with.
class FailingSolver : public CLammIdeal {
 public:
  struct Attempt {
    std::uint8_t fixedGrid, movingFrame, truncation, retry;
    std::int32_t gridSize;
    bool operator==(const Attempt&) const = default;
  };
  std::vector<Attempt> attempts;
  int succeedAt = 0;  // 0: never
  bool blowUp = false;

  void Propagate() override {
    attempts.push_back({FixedGrid, MovingFrame, DynamicTruncation, RetryMode, GridSize});
    if (static_cast<int>(attempts.size()) == succeedAt) {
      CLammIdeal::Propagate();
      return;
    }
    TridagError = !blowUp;
    BlowUpError = blowUp;
  }
};

std::int32_t Clamped(float size) {
  return std::clamp(static_cast<std::int32_t>(std::floor(size)), 100, 2000);
}

TEST_F(LammSolveTest, FailedRunsAreRepeatedWithSaferChoicesUntilOneSucceeds) {
  // Without the truncated window on the same grid, then in the moving frame
  // (from the fixed grid only), then on the fixed grid of the grid rule with
  // the meniscus value corrected. A 4.5 S protein is put on the fixed grid,
  // a 30 S one on the moving frame by the automatic choice.
  struct Case {
    const char* what;
    double s;
    bool blowUp;
    int succeedAt;
    std::int32_t code;
  };
  const Case cases[] = {{"fixed grid, zero pivots", 4.5, false, 0, 3},
                        {"fixed grid, blow-ups", 4.5, true, 0, 2},
                        {"fixed grid, cured by the moving frame", 4.5, true, 3, 0},
                        {"moving frame, zero pivots", 30.0, false, 0, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FailingSolver l;
    l.blowUp = c.blowUp;
    l.succeedAt = c.succeedAt;
    data.Configure(l, c.s, 2e-7);
    // A closed cell: every grid follows the grid rule, none is widened.
    l.BackDiffusionShutOff = 0;
    const bool moving = c.s > 20;
    EXPECT_EQ(l.Solve(), c.code);
    using A = FailingSolver::Attempt;
    const std::int32_t first = moving ? Clamped(l.GridSizeMovingFrame) : Clamped(l.GridSizeFixed);
    std::vector<A> expected = {{!moving, moving, 1, 0, first}, {!moving, moving, 0, 0, first}};
    if (!moving) expected.push_back({0, 1, 0, 0, Clamped(l.GridSizeMovingFrame)});
    expected.push_back({1, 0, 0, 1, Clamped(l.GridSizeFixed)});
    if (c.succeedAt) expected.resize(c.succeedAt);
    EXPECT_EQ(l.attempts, expected);
    // The settings return; the scans are those of the successful repeat.
    EXPECT_EQ(l.DynamicTruncation, 1);
    EXPECT_EQ(l.RetryMode, 0);
    if (!moving) {
      EXPECT_EQ(l.FixedGrid, 1);
      EXPECT_EQ(l.MovingFrame, 0);
    }
    if (c.code == 0) {
      const double q = SOmega2(c.s, 50000);
      for (int k = 1; k <= data.ScanCount(); ++k)
        EXPECT_NEAR(data.Output[k][Point(7.0)], std::exp(-2 * q * data.Headers[k].Time), 1e-5);
    }
  }
}

// Counts the propagations of a run: more than one means it was repeated.
class CountingSolver : public CLammIdeal {
 public:
  int propagations = 0;
  void Propagate() override {
    ++propagations;
    CLammIdeal::Propagate();
  }
};

TEST_F(LammSolveTest, TheTruncatedWindowCarriesARunToItsEndWithoutARepeat) {
  // Once the meniscus region is depleted the window's left edge moves off
  // node 1; its smooth, near-zero edge is the normal state there and must
  // not fail the step. Slow and fast species, each over two hours, so that
  // the edge moves early and late in the run; the scans equal those of a
  // run without the window to far below the discretisation error of this
  // grid (several 1e-3 next to the boundary).
  data.MakeScans(24, 50000);
  for (const double s : {4.5, 10.0}) {
    SCOPED_TRACE(testing::Message() << "s " << s << " S");
    CountingSolver truncated, full;
    Configure(truncated, s, 6e-7);
    ASSERT_EQ(truncated.DynamicTruncation, 1);
    ASSERT_EQ(truncated.Solve(), 0);
    EXPECT_EQ(truncated.propagations, 1);
    EXPECT_GT(truncated.WindowLeft, 3);
    OneBasedMatrix<float> withWindow(1, data.ScanCount(), 1, data.PointCount());
    for (int k = 1; k <= data.ScanCount(); ++k)
      for (int i = 1; i <= data.PointCount(); ++i) withWindow[k][i] = data.Output[k][i];

    Configure(full, s, 6e-7);
    full.DynamicTruncation = 0;
    ASSERT_EQ(full.Solve(), 0);
    EXPECT_EQ(full.propagations, 1);
    double largest = 0;
    for (int k = 1; k <= data.ScanCount(); ++k)
      for (int i = 1; i <= data.PointCount(); ++i)
        largest = std::max(largest, static_cast<double>(std::fabs(withWindow[k][i] - data.Output[k][i])));
    EXPECT_LT(largest, 5e-4);
  }
}

TEST_F(LammSolveTest, RunsThatCannotBeDoneAreRefusedWithCode4) {
  // These used to show their message and report success over unwritten rows.
  struct Case {
    const char* what;
    void (*setUp)(CLammIdeal&, LammSetupFixture&);
    std::string box;
  };
  const auto associating = [](CLammIdeal& l, LammSetupFixture& d, double D) {
    l.SetConcentrationDependence(1, 0, 1, 0, 0, 0, 4.0f, 6.0f, 6e-7f, 5e-7f, 5.0f, 1.0f, 0, -8, -8,
                                 1, 1, 3.3, 0, 0, 4.0f, 6.0f, 0, 6e-7f, 5e-7f, 0, 0, 0);
    l.SetParameters(4.5, D, d.Meniscus, d.Bottom, 1.0, d.LeftFitLimit, d.RightFitLimit);
    Output(l, d);
    LammSetupFixture::SetDefaultNumerics(l);
  };
  const auto inhomogeneous = [](CLammIdeal& l) {
    l.SetDensityGradient(1, 0, 0, 1, 0.0, 0.73f, 1.0f, 1.0f, 0.73f, 0.73f, 0.99823f, 0, 1.0f, 0,
                         1.0, 1.1, 0.01, 0.012);
  };
  static const auto kAssociating = associating;
  static const auto kInhomogeneous = inhomogeneous;
  const Case cases[] = {
      {"association without diffusion",
       [](CLammIdeal& l, LammSetupFixture& d) { kAssociating(l, d, 0.0); },
       "D = 0 or s = 0 models are not implemented yet for concentration dependent sedimentation "
       "models"},
      {"inhomogeneous solvent without diffusion",
       [](CLammIdeal& l, LammSetupFixture& d) {
         d.Configure(l, 4.5, 0.0);
         kInhomogeneous(l);
       },
       "D = 0 or s = 0 models are not implemented yet for inhomogeneous solvent"},
  };
  for (const Case& c : cases) {
    backend().ClearLog();
    MarkRowsUnwritten();
    CLammIdeal l;
    c.setUp(l, data);
    EXPECT_EQ(l.Solve(), 4) << c.what;
    EXPECT_EQ(BoxTexts(), std::vector<std::string>{c.box}) << c.what;
    EXPECT_TRUE(RowsUnwritten()) << c.what;
  }
}

TEST_F(LammSolveTest, RunsWithoutDiffusionAreComputedInClosedForm) {
  // Without sedimentation either, every scan is the loading.
  CLammIdeal still;
  Configure(still, 0.0, 0.0, 0.8);
  EXPECT_EQ(still.Solve(), 0);
  for (int k = 1; k <= data.ScanCount(); ++k)
    for (int i = 1; i <= data.PointCount(); ++i) ASSERT_FLOAT_EQ(data.Output[k][i], 0.8f);
  // A sharp boundary at m exp(s w^2 t), a plateau diluted radially behind it.
  CLammIdeal sharp;
  Configure(sharp, 20.0, 0.0);
  EXPECT_EQ(sharp.Solve(), 0);
  const double q = SOmega2(20.0, 50000);
  for (int k = 1; k <= data.ScanCount(); ++k) {
    const double t = data.Headers[k].Time;
    const double boundary = data.Meniscus * std::exp(q * t);
    EXPECT_EQ(data.Output[k][Point(boundary - 0.02)], 0.0f) << k;
    EXPECT_NEAR(data.Output[k][Point(boundary + 0.02)], std::exp(-2 * q * t), 1e-6) << k;
  }
}

TEST_F(LammSolveTest, DiagnosticsGoToTheProgramTempFolder) {
  ScratchFolder folder;
  const std::string previous = ProgramPaths.TempFolder;
  ProgramPaths.TempFolder = folder.path().string() + "/";
  CLammIdeal l;
  Configure(l, 4.5, 6e-7);
  l.DebugLogOn = 1;
  EXPECT_EQ(l.Solve(), 0);
  ProgramPaths.TempFolder = previous;
  EXPECT_EQ(ReadWholeFile(folder.File("debug_t0.txt"))
                .rfind("starting new debugging session for Lamm equation s = 4.5000 S", 0),
            0u);
}

TEST_F(LammSolveTest, ARunRepeatedOnTheSameSolverGivesTheSameScans) {
  CLammIdeal l;
  Configure(l, 4.5, 6e-7);
  ASSERT_EQ(l.Solve(), 0);
  OneBasedMatrix<float> first(1, data.ScanCount(), 1, data.PointCount());
  for (int k = 1; k <= data.ScanCount(); ++k)
    for (int i = 1; i <= data.PointCount(); ++i) first[k][i] = data.Output[k][i];
  MarkRowsUnwritten();
  ASSERT_EQ(l.Solve(), 0);
  for (int k = 1; k <= data.ScanCount(); ++k)
    for (int i = 1; i <= data.PointCount(); ++i) ASSERT_EQ(data.Output[k][i], first[k][i]);
}

TEST_F(LammSolveTest, LoadingPatternsOfTheCell) {
  // A grid every 0.01 cm from 6.0 cm; the band is 0.1 cm wide.
  struct Case {
    const char* what;
    std::uint8_t band, inverted;
    float twoLevelFactor;
    double below, at, beyond;  // relative to c0 below 6.1 cm, at it, beyond it
  };
  const Case cases[] = {{"band", 1, 0, 0, 1, 1, 0},
                        {"empty band", 1, 1, 0, 0, 1, 1},
                        {"two levels", 0, 0, 0.25f, 0.25, 1, 1},
                        {"uniform", 0, 0, 0, 1, 1, 1}};
  for (const Case& c : cases) {
    CLammIdeal l;
    l.SetParameters(4.5, 6e-7, 6.0, 7.0, 2.0, 6.1f, 6.9f);
    l.SetBandLoading(c.band, 0.1f, c.inverted);
    if (c.twoLevelFactor > 0) l.SetBandProfile(0.1f, c.twoLevelFactor);
    l.GridSize = 101;
    ASSERT_EQ(l.AllocWorkArrays(), 1);
    l.SetInitialCondition();
    EXPECT_EQ(l.Concentration[10], 2.0 * c.below) << c.what;  // 6.09 cm
    EXPECT_EQ(l.Concentration[11], 2.0 * c.at) << c.what;     // 6.10 cm
    EXPECT_EQ(l.Concentration[12], 2.0 * c.beyond) << c.what;
    EXPECT_EQ(l.Concentration[101], 2.0 * c.beyond) << c.what;
  }
}

TEST_F(LammSolveTest, AFivePointProfileIsWhereTheRunStarts) {
  // Five points spanning the cell are too few for the resampling of scans,
  // but straight lines between them give the start on every grid point.
  const float radii[] = {0, 5.7f, 6.2f, 6.5f, 6.8f, 7.3f};
  const float values[] = {0, 0.7f, 1.2f, 1.5f, 1.8f, 2.3f};  // r - 5 cm
  CLammIdeal l;
  Configure(l, 0.0, 1e-12);
  ASSERT_TRUE(l.SetInitialProfile(5, radii, values));
  ASSERT_EQ(l.Solve(), 0);
  for (int i = 1; i <= data.PointCount(); i += 10)
    EXPECT_NEAR(data.Output[1][i], data.Radii[i] - 5.0, 1e-4) << data.Radii[i];
}

TEST_F(LammSolveTest, AFiniteScanTimeReadsOuterRadiiLater) {
  // The optics cross the cell at 2.43 cm/min: the plateau at radius r is
  // read (r - m)/v after the scan time, and diluted that much further.
  CLammIdeal l;
  Configure(l, 4.5, 6e-7);
  l.SetOutput(nullptr, nullptr, data.Headers.data(), data.Output.get(), data.Radii.data(),
              data.PointCount(), nullptr, nullptr, 0, nullptr, data.ScanCount(), 1, 0, 1, 1, 2.43f,
              0, 0.008f, 1);
  ASSERT_EQ(l.Solve(), 0);
  const double q = SOmega2(4.5, 50000), v = 2.43 / 60;
  for (int k = 1; k <= data.ScanCount(); ++k)
    for (const double r : {6.2, 6.6, 7.0}) {
      const double read = data.Headers[k].Time + (r - data.Meniscus) / v;
      EXPECT_NEAR(data.Output[k][Point(r)], std::exp(-2 * q * read), 2e-5) << k << " " << r;
    }
}

TEST_F(LammSolveTest, ProfilesAtRequestedTimes) {
  // The steps end exactly at each profile time; times after the run get the
  // last profile taken, and a run that ends before the first time leaves
  // every profile empty.
  const int points = data.PointCount();
  double times[] = {0, 450, 1050, 1e6};
  OneBasedMatrix<float> rows(1, 3, 1, points);
  CLammIdeal l;
  Configure(l, 4.5, 6e-7);
  l.SetProfileOutput(3, points, nullptr, nullptr, nullptr, data.Radii.data());
  EXPECT_EQ(l.ProfileOutputOn, 0);
  l.SetProfileOutput(3, points, rows.get(), nullptr, times, data.Radii.data());
  ASSERT_EQ(l.Solve(), 0);
  const double q = SOmega2(4.5, 50000);
  const int plateau = Point(6.8);
  EXPECT_NEAR(rows[1][plateau], std::exp(-2 * q * 450), 2e-6);
  EXPECT_NEAR(rows[2][plateau], std::exp(-2 * q * 1050), 2e-6);
  for (int i = 1; i <= points; ++i) ASSERT_EQ(rows[3][i], rows[2][i]);

  double late[] = {0, 5000, 6000, 7000};
  CLammIdeal early;
  Configure(early, 4.5, 6e-7);
  early.SetProfileOutput(3, points, rows.get(), nullptr, late, data.Radii.data());
  ASSERT_EQ(early.Solve(), 0);
  for (int k = 1; k <= 3; ++k)
    for (int i = 1; i <= points; ++i) ASSERT_EQ(rows[k][i], 0.0f);
}

TEST_F(LammSolveTest, MovingFrameProfilesBetweenScansAreTakenWhereTheNodesThenAre) {
  // The moving frame's nodes ride outward with the species: a profile asked
  // for between two scans is the scan a run would write at that time.
  const int points = data.PointCount();
  double times[] = {0, 1050};
  OneBasedMatrix<float> rows(1, 1, 1, points);
  CLammIdeal l;
  data.Configure(l, 30.0, 2e-7);
  ASSERT_EQ(l.Solve(), 0);  // the automatic choice: the moving frame
  ASSERT_EQ(l.MovingFrame, 1);
  l.SetProfileOutput(1, points, rows.get(), nullptr, times, data.Radii.data());
  ASSERT_EQ(l.Solve(), 0);

  LammSetupFixture at1050;
  at1050.MakeScans(1, 50000, 1050);
  CLammIdeal scan;
  at1050.Configure(scan, 30.0, 2e-7);
  ASSERT_EQ(scan.Solve(), 0);
  // The profile time ends a step as the scan time does: the same profile.
  // (Sampled at the radii of the last scan the boundary was off by up to a
  // node, 5e-3 here.)
  for (int i = 1; i <= points; ++i)
    ASSERT_NEAR(rows[1][i], at1050.Output[1][i], 1e-6) << data.Radii[i];
}

TEST_F(LammSolveTest, AKeyPressEndsTheRunAfterTheCurrentScan) {
  CLammIdeal l;
  Configure(l, 4.5, 6e-7);
  MarkRowsUnwritten();
  platform::Current().PostMessage({nullptr, platform::MessageKind::KeyDown, 'X', 0});
  EXPECT_EQ(l.Solve(), 0);
  EXPECT_EQ(l.Interrupted, 1);
  EXPECT_TRUE(ComputationAbort.load());
  // The first scan is written; the scans the run did not reach are empty.
  EXPECT_GT(data.Output[1][Point(6.8)], 0.9f);
  for (int k = 2; k <= data.ScanCount(); ++k)
    for (int i = 1; i <= data.PointCount(); ++i) ASSERT_EQ(data.Output[k][i], 0.0f) << k;
}

}  // namespace
