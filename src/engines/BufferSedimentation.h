#pragma once
// Buffer mismatch of interference data: when the buffers of the sample and
// the reference sector differ, their components sediment too and leave a
// small signal on top of the macromolecule's. The buffer component on the
// sample side is simulated as one ideal species with a positive sign, the one
// on the reference side with a negative sign, and their signal is added to
// the model as the buffer component of a discrete model.

#include "models/TempParameterFile.h"
#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"

class CLammIdeal;

// One simulated side: meniscus and bottom (cm), the amplitude (signal
// units), s (S) and D (cm^2/s) of the solver; an amplitude of 0 simulates
// nothing.
struct BufferSideRun {
  double Meniscus = 0.0, Bottom = 0.0;
  double Amplitude = 0.0;
  double S = 0.0, D = 0.0;
};

struct BufferRuns {
  BufferSideRun Sample, Reference;
};

// The derived values of the record for a simulation (buoyant molar mass or
// D, their limits, the relative concentration kept away from 0; written back
// into the record) and the two runs. massMode: the entered values are buoyant
// molar masses instead of D; RT in erg/mol.
BufferRuns DeriveBufferRuns(BufferMismatchSettingsRecord& b, bool massMode, double RT,
                            double meniscus, double bottom);

// One side on the common grid for every scan (rows[scan][k]), solved by the
// given solver object. False when the side has no signal or the solver
// refused its set-up (it has said why). A singular system is reported
// ("singular tridiagonal matrix in buffer sedimentation!"); then, as after a
// run that blew up, the scans reached keep their signal and the later ones
// get none.
bool SolveBufferSide(platform::WindowHandle window, const BufferSideRun& run,
                     OneBasedMatrix<float>& rows, CLammIdeal& solver);

// Simulates both sides for the loaded scans and adds their signal into the
// buffer component's place (the scans' models, or its basis on the common
// grid); nothing when the model is off, or when the model or the data rule
// it out (then it is switched off, with a message).
void SimulateBufferSedimentation(platform::WindowHandle window);
// Both sides at the given sample-side amplitude (signal units) into
// rows[1..NFILES][1..CommonGridSize], replacing what they held: the buffer
// column of a c(s) kernel. False when the model is off or neither side has
// a signal.
bool SimulateBufferSignalOnGrid(float** rows, double amplitude);
