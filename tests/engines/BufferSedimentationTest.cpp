// The two simulated sides of a buffer mismatch: their derived constants and
// amplitudes.

#include <gtest/gtest.h>

#include "engines/BufferSedimentation.h"

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

}  // namespace
