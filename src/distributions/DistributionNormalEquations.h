#pragma once
// Normal equations of a continuous distribution with the systematic noise
// eliminated. The data are modelled as
//   y[s][r] ≈ Σ_g c_g K_g[s][r] + noise[s][r],
// the noise being a time-invariant profile (one offset per radius, the same
// in every scan: TI), a radial-invariant offset per scan (RI), both, or one
// common baseline. These offsets enter linearly and without constraint, so
// projecting them out of the data and out of every kernel column (taking
// away the scan, radial and grand means, as in a two-way analysis of
// variance) gives exactly the normal equations of the amplitudes with the
// offsets optimised away. The offsets follow from the amplitudes afterwards
// (BestFitSignal.h).
//
// The builders never write into the data or the kernel: the values are
// copied to double precision in a scratch block per worker, so the loaded
// signals cannot drift over repeated runs, and a kernel shared with the
// best-fit signal stays exactly as the Lamm solutions left it.
//
// Accumulation runs scan by scan, over the lower triangle only, in double,
// as rank updates of blocks of columns; the projection is applied to the
// summed matrix as a correction made of the means. Every element is summed
// in an order fixed by the problem alone, so the threaded builder
// (ThreadedNormalEquations.h) gives the same bits as the single-threaded
// one, whatever the number of workers.

#include <functional>

#include "distributions/DistributionArrays.h"
#include "platform/Platform.h"

enum class SystematicNoise {
  None,                    // the fixed baseline is subtracted from the data
  Baseline,                // one offset common to all scans and radii
  TimeInvariant,           // one offset per radius
  RadialInvariant,         // one offset per scan
  TimeAndRadialInvariant,  // both
};

// The noise model of the fit flags, first match: TI and RI, TI, RI, the
// baseline (systematic noise on without TI or RI), none.
SystematicNoise SelectSystematicNoise(bool tiFitted, bool riFitted, bool systematicNoiseOn);

// What the builders read. Every handle is borrowed and only read.
struct NormalEquationProblem {
  const float* const* const* Kernel = nullptr;  // K[g][s][r], g = 1..KernelColumns
  const float* const* Data = nullptr;           // y[s][r] on the common radial grid
  int KernelColumns = 0;                        // n: grid points
  int ScanCount = 0;                            // s = 1..ScanCount
  int RadiusCount = 0;                          // r = 1..RadiusCount (the common grid)
  int FitFirst = 1, FitLast = 0;                // the common fit range
  SystematicNoise Noise = SystematicNoise::None;
  double Baseline = 0.0;  // the user's fixed baseline, subtracted in the None model
  // Kernel column 1 is a signal of fixed amplitude (the buffer of a buffer
  // mismatch, already scaled): it is subtracted from the data and is no
  // unknown, so row i of the system belongs to kernel column i + 1. Only
  // with TI and RI noise.
  bool FixedFirst = false;
  double FixedFirstValue = 0.0;

  // Unknowns of the system: the rows of NormalMatrix that are built.
  int Unknowns() const { return FixedFirst ? KernelColumns - 1 : KernelColumns; }
  int FitPointCount() const { return FitLast >= FitFirst ? FitLast - FitFirst + 1 : 0; }
};

// The scalars of a build that NormalEquationArrays does not hold: what the
// best-fit signal needs to put the eliminated noise back.
struct NoiseEliminationRecord {
  SystematicNoise Noise = SystematicNoise::None;
  double Baseline = 0.0;       // the fixed baseline of the None model
  double DataSum = 0.0;        // Σ y over all scans and fit radii
  double DataGrandMean = 0.0;  // DataSum / DataPointCount
  long long DataPointCount = 0;
  bool FixedFirstComponent = false;
  double FixedFirstValue = 0.0;
};

// The record of the program's last build.
extern NoiseEliminationRecord NoiseElimination;

// Means of the data (after subtracting a fixed first column) and of every
// kernel column, all in double: over the scans at each radius of the whole
// common grid (DataRadialMean, KernelRadialMean), over the fit radii of each
// scan (DataScanMean, KernelScanMean) and over all scans and fit radii
// (DataGrandMean, KernelGrandMean). Computed for every noise model, so the
// best-fit signal finds them whatever it needs.
void ComputeNoiseMeans(const NormalEquationProblem& problem, NormalEquationArrays& neq,
                       NoiseEliminationRecord& record);

// What a build reports while it runs.
struct NormalEquationProgress {
  // Fraction of the accumulation done (0..1). The single-threaded builder
  // calls it on the calling thread; the threaded one from worker 1, with
  // the pieces of all workers counted.
  std::function<void(double)> Fraction;
  // The threaded builder calls this on the calling thread every few
  // hundredths of a second while its workers run (to show what Fraction
  // reported from the worker).
  std::function<void()> Tick;
};

// The single-threaded build: the means, then NormalMatrix (mirrored into the
// upper triangle), NormalVector and DataSquareSum of the centred data, for
// rows 1..Unknowns(); every other row of the arrays is cleared. Polls the
// keyboard once per scan; a key or a ComputationAbort set elsewhere sets
// ComputationAbort, clears the system (matrix, vector and DataSquareSum 0)
// and returns false.
bool BuildNormalEquations(const NormalEquationProblem& problem, NormalEquationArrays& neq,
                          NoiseEliminationRecord& record,
                          const NormalEquationProgress& progress = {});

// The program's problem: DistKernel, the signals of the common radial grid
// and its fit range, the loaded scans, the noise flags and the fixed
// baseline of the model parameters; NormalEquations.Size unknowns.
NormalEquationProblem CurrentNormalEquationProblem();

// The single-threaded builders on the program's arrays, one per noise model.
// NormalEquationsFixedFirst takes kernel column 1 as the buffer signal at its
// fixed amplitude value and eliminates TI and RI noise.
bool NormalEquationsNoNoise();
bool NormalEquationsBaseline();
bool NormalEquationsTI();
bool NormalEquationsRI();
bool NormalEquationsTIRI();
bool NormalEquationsFixedFirst(double value);

// How the run wants its normal equations built.
struct ContiNormalEquationSettings {
  bool MultithreadingOn = true;
  int ThreadCount = 2;
  // Buffer mismatch with a fixed buffer concentration: kernel column 1 holds
  // the buffer signal at the amplitude FixedFirstValue.
  bool FixedFirstComponent = false;
  double FixedFirstValue = 0.0;
  // Without a Fraction of its own the build shows its progress line in the
  // window (purple for the non-ideal c(s) model, blue otherwise).
  NormalEquationProgress Progress;
  bool PurpleProgress = false;
};

// The normal-equation step of a distribution run on the program's arrays:
// clears ComputationAbort, then builds with the noise model of the flags,
// in worker threads when multithreading is on. A fixed first component
// needs TI and RI noise; with another model it shows "buffer mismatch with
// fixed concentration not implemented in c(s) for this noise model\n(need
// RI+TI noise)" (caption "ERROR") and builds nothing. False when nothing
// complete was built (refused or interrupted; an interruption leaves
// ComputationAbort set).
bool ContiNormalEquations(platform::WindowHandle window,
                          const ContiNormalEquationSettings& settings);
