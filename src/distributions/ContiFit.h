#pragma once
// Fits of the nonlinear parameters of a continuous distribution model
// (meniscus, bottom, frictional ratio, scaling-law and discrete-species
// parameters, non-ideality, buffer sedimentation and fluorescence
// corrections). The distribution is linear in its amplitudes, so every
// evaluation of the objective is a complete distribution run with the trial
// parameters; its rmsd is what the optimisers minimise. The search runs the
// non-negative fit without regularisation; only the final evaluation of a
// fit regularises and stores the distribution.
//
// The floating parameters travel as one one-based float vector whose items
// keep a fixed order (ContiFitItem); an item is present only while its model
// and fit flag ask for it.

#include <string>

#include "platform/Platform.h"

// The kinds of floating items, in vector order.
enum class ContiFitItem {
  Vbar = 1,
  ExcitationCone,
  BleachRate,
  BleachLimit,
  SignalDrift,
  ConvolutionWidth,
  RadialMagnification,
  NonlinearCoefficient,
  DepletionS,
  DepletionD,
  DepletionAmplitude,
  BufferSignal,
  BufferDOrMb,
  BufferS,
  MeniscusDifference,
  ConcentrationRatio,
  ReferenceDOrMb,
  ReferenceS,
  FrictionalRatio,
  SecondFrictionalRatio,
  FixedFf0Vbar,
  ScalingKs,
  ScalingExponent,
  PersistenceLength,
  InvariantD,
  FirstNonideality,
  SecondNonideality,
  DiscreteS,
  DiscreteDOrM,
  Meniscus,
  Bottom,
  LamellaWidth,
  ConstantD,
};

// What lives between fits: the meniscus and bottom of the last radial grid
// and the item kind at every position of the last pack. The optimiser
// choice, the floating vbar and the interruption flags that the realtime
// update and serial fits read are the discrete fits' (FitDriverSettings):
// the program has one of each.
struct ContiFitStateRecord {
  float GridMeniscus = 0.0f;
  float GridBottom = 0.0f;
  bool GridRemembered = false;
  ContiFitItem ItemAt[34] = {};  // [1..n] of the last pack
  int ItemCount = 0;
};

extern ContiFitStateRecord ContiFitState;

// Largest number of floating items.
inline constexpr int ContiFitMaxItems = 33;
// Relative spread of a fresh simplex and the tolerance of each Nelder-Mead run
// of an annealing.
inline constexpr float ContiSimplexSpread = 0.1f;
inline constexpr float ContiSimplexFtol = 0.005f;
// Tolerance of each Nelder-Mead run of the simplex cycles. The rmsd of a
// c(s) fit is shallow in f/f0 (a start 0.15 off the best f/f0 is only a few
// per cent worse) and steep in the meniscus, so a run that stops once its
// vertices agree to 0.5 % stops after a handful of evaluations wherever it
// starts, and the next cycle, moving less than FitCycleTolerance, then ends
// the fit far from its minimum. At 0.05 % each run follows the valley to
// the minimum, as the discrete fits' runs do.
inline constexpr float ContiCycleFtol = 0.0005f;

// With out null only counts the floating items (and records their kinds);
// otherwise fills out[1..n] with their values, writing pack clamps back into
// the model. Returns n (at most capacity items are written).
int PackContiParameters(int capacity, float* out);
// Writes x[1..n] into the model with the unpack clamps (some clamped values
// go back into x); rebuilds the radial grid when meniscus or bottom moved.
void UnpackContiParameters(float* x);
// Relative spread of the item at a position in a fresh simplex.
float ContiSpreadFactor(int position);
// Fills the derivative steps of Levenberg-Marquardt for the current items.
int SetContiDerivativeSteps(int n);

// The objective: one distribution run at x, unregularised unless
// FinalEvaluation is set; the rmsd over the fit ranges (1e10 while FitAbort).
float ContiSimplexSim(float* x, platform::WindowHandle window);
// UnpackContiParameters, then the status display.
void ApplyContiParams(platform::WindowHandle window, float* x);
void DisplayBestContiParams(platform::WindowHandle window);
// The first progress line of the running optimiser.
std::string ContiOptimizerLine();

// End of the simplex cycles: the rmsd and every item changed by at most the
// tolerance relative to the magnitude of their previous values (an item
// that was 0 must stay within the tolerance of 0; a previous rmsd of 0 is
// met only by an rmsd of 0).
bool ContiCycleConverged(float rmsd, float previousRmsd, const float* previous,
                         const float* current, int n, float tolerance);

// Whether a simplex cycle ends the fit. A cycle whose Nelder-Mead run moved
// (it took steps, did not collapse, and improved on the previous cycle's
// best by more than the runs' tolerance) beyond ContiCycleConverged's
// tolerance starts the count (stalled) again. Any other cycle only counts:
// one that found nothing better compares the best vertex with itself, and
// one that crept by less than the tolerance may still be on its way down a
// shallow valley, so the fit ends once ContiStalledCyclesToConverge such
// cycles came in a row (each with a wider fresh simplex than the last).
inline constexpr int ContiStalledCyclesToConverge = 3;
bool ContiCycleEnds(bool moved, int& stalled, float rmsd, float previousRmsd, const float* previous,
                    const float* current, int n, float tolerance);

// The Fit command of a continuous model: annealing, Levenberg-Marquardt or
// simplex cycles as FitDriverSettings.OptimizerKind and FitControl select.
// False when the fit is refused (the discrete fits' preconditions, with
// their messages, or a distribution grid that cannot be built).
bool FitContiModel(platform::WindowHandle window);
bool AnnealContiFit(platform::WindowHandle window);
bool MLContiFit(platform::WindowHandle window);
