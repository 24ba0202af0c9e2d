// The two simulated sides of a buffer mismatch: their derived constants and
// amplitudes, the model's refusal of an option switched on since, and a
// failed buffer run that is reported and keeps what it computed.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "data/CommonRadialGrid.h"
#include "data/ScanReaderOptions.h"
#include "engines/BufferSedDialog.h"
#include "engines/BufferSedimentation.h"
#include "lamm/CLammIdeal.h"
#include "models/ModelsTestSupport.h"

namespace {

constexpr double kRT = 2.436002e10;  // erg/mol at 20 degrees Celsius

BufferMismatchSettingsRecord Buffer() {
  BufferMismatchSettingsRecord b;
  b.On = true;
  b.BufferD = 86;
  b.BufferMb = 60;
  b.BufferS = 0.21;
  b.BufferSignal = 30;
  b.MeniscusDifference = 0.1;
  b.ConcentrationRatio = 1.0;
  b.ReferenceD = 200;
  b.ReferenceMb = 100;
  b.ReferenceS = 0.1;
  return b;
}

TEST(BufferSedimentationTest, SameBufferCancelsWithoutMeniscusMismatch) {
  BufferMismatchSettingsRecord b = Buffer();
  BufferRuns runs = DeriveBufferRuns(b, false, kRT, 5.9, 7.2);
  EXPECT_EQ(runs.Sample.Amplitude, 30.0);
  EXPECT_NEAR(runs.Sample.D, 86e-7, 1e-15);
  EXPECT_EQ(runs.Reference.Amplitude, 0.0);
  // With a mismatch the reference starts 0.1 cm further in, at the signal
  // over the concentration ratio.
  b.MeniscusMismatchOn = true;
  b.ConcentrationRatio = 0.0;
  runs = DeriveBufferRuns(b, false, kRT, 5.9, 7.2);
  EXPECT_DOUBLE_EQ(runs.Reference.Meniscus, 5.8);
  EXPECT_DOUBLE_EQ(b.ConcentrationRatio, 1e-6);
  EXPECT_DOUBLE_EQ(runs.Reference.Amplitude, 30.0 / 1e-6);
  // A different reference buffer takes its own s and D.
  b.DifferentReferenceBuffer = true;
  runs = DeriveBufferRuns(b, false, kRT, 5.9, 7.2);
  EXPECT_DOUBLE_EQ(runs.Reference.S, 0.1);
  EXPECT_NEAR(runs.Reference.D, 200e-7, 1e-15);
}

TEST(BufferSedimentationTest, DerivedMassesAndDiffusion) {
  // M mode: a buoyant mass below 10 (negative included) becomes 10, D
  // follows from the Svedberg equation, a negative s becomes positive.
  BufferMismatchSettingsRecord b = Buffer();
  b.BufferMb = -5;
  b.BufferS = -0.2;
  b.ReferenceMb = 3;
  BufferRuns runs = DeriveBufferRuns(b, true, kRT, 5.9, 7.2);
  EXPECT_EQ(b.BufferMb, 10.0);
  EXPECT_EQ(b.ReferenceMb, 10.0);
  EXPECT_DOUBLE_EQ(b.BufferS, 0.2);
  EXPECT_NEAR(b.BufferD, 0.2 * 1e-6 * kRT / 10, 1e-9);
  EXPECT_NEAR(runs.Sample.D, b.BufferD * 1e-7, 1e-15);
  // D mode with D = 0: Mb 10 and a trace of diffusion in the solver.
  b = Buffer();
  b.BufferD = 0;
  runs = DeriveBufferRuns(b, false, kRT, 5.9, 7.2);
  EXPECT_EQ(b.BufferMb, 10.0);
  EXPECT_EQ(runs.Sample.D, 1e-10);
  // Out of range D values are limited.
  b.BufferD = -3;
  b.ReferenceD = 5000;
  DeriveBufferRuns(b, false, kRT, 5.9, 7.2);
  EXPECT_EQ(b.BufferD, 0.01);
  EXPECT_EQ(b.ReferenceD, 1000.0);
}


class BufferSimulationTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    ResetBufferSedNotes();
    LoadVelocityTestScans(4, 0.01, 600, 50000.0f);
    SelectModelKind(ModelKind::NonInteractingSpecies);
    ModelParameters.Meniscus = 5.9f;
    ModelParameters.Bottom = 7.2f;
    ScanDataSet.FitLeftLim = 6.0f;
    ScanDataSet.FitRightLim = 7.0f;
    SetupCommonRadialGrid();
    ScanReaderOptions.InterferenceData = true;
    CorrectionOptions.BufferMismatch = Buffer();
    for (int j = 1; j <= ScanDataSet.NFILES; ++j)
      for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k) ScanDataSet.ScanModel[j][k] = 0.0f;
  }
  void TearDown() override {
    CorrectionOptions.BufferMismatch = BufferMismatchSettingsRecord{};
    InhomogeneousSolventOn = false;
    ScanReaderOptions = ScanReaderOptionsRecord{};
    ModelsTest::TearDown();
  }
  static double LargestModelSignal() {
    double top = 0.0;
    for (int j = 1; j <= ScanDataSet.NFILES; ++j)
      for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k)
        top = std::max(top, std::fabs(static_cast<double>(ScanDataSet.ScanModel[j][k])));
    return top;
  }
};

// The buffer adds its boundary at the meniscus; an option switched on after
// the model (here the inhomogeneous solvent) rules it out: the simulation
// says so, switches it off and adds nothing.
TEST_F(BufferSimulationTest, OptionSwitchedOnSinceSwitchesTheModelOff) {
  SimulateBufferSedimentation(nullptr);
  EXPECT_GT(LargestModelSignal(), 1.0);
  EXPECT_TRUE(CorrectionOptions.BufferMismatch.On);

  SetUp();
  InhomogeneousSolventOn = true;
  SimulateBufferSedimentation(nullptr);
  EXPECT_EQ(LargestModelSignal(), 0.0);
  EXPECT_FALSE(CorrectionOptions.BufferMismatch.On);
  EXPECT_EQ(LogLinesWith("buffer sedimentation model is incompatible with this model").size(), 1u);
  // The kernel column of a c(s) analysis is refused the same way.
  CorrectionOptions.BufferMismatch.On = true;
  OneBasedMatrix<float> rows(1, ScanDataSet.NFILES, 1, CommonRadialGrid.CommonGridSize);
  EXPECT_FALSE(SimulateBufferSignalOnGrid(rows.get(), 30.0));
  EXPECT_FALSE(CorrectionOptions.BufferMismatch.On);
}

// A solver whose systems turn singular after it has computed the scans.
class SingularSolver : public CLammIdeal {
 public:
  void Propagate() override {
    CLammIdeal::Propagate();
    TridagError = 1;
  }
};

TEST_F(BufferSimulationTest, SingularSystemIsReportedAndTheScansReachedKeepTheirSignal) {
  const BufferSideRun run{5.9, 7.2, 30.0, 0.21, 86e-7};
  OneBasedMatrix<float> rows;
  SingularSolver solver;
  EXPECT_TRUE(SolveBufferSide(nullptr, run, rows, solver));
  EXPECT_EQ(LogLinesWith("box [ERROR in simulation] (none) singular tridiagonal matrix in buffer "
                         "sedimentation!")
                .size(),
            1u);
  // The plateau of the last scan, beyond the boundary: the loading diluted.
  const int n = CommonRadialGrid.CommonGridSize;
  EXPECT_NEAR(rows[ScanDataSet.NFILES][n / 2], 30.0, 1.0);
}

}  // namespace
