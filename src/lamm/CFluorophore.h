#pragma once
// Photophysics of one fluorescent species for fluorescence-detected
// sedimentation. Under illumination the brightness relaxes exponentially from
// its start value towards a steady state; at reset times it jumps back to a
// recovery level; an excitation beam can bleach a zone of the cell. The
// solver multiplies computed scans by the brightness and bleaches with the
// beam; an optimiser adjusts the values whose fit flags are set.
//
// All arrays are one-based (element 0 unused) and owned by the object; the
// fit flags of the reset times run 0..nResetTimes. The object is a plain
// value: copying it copies every array.

#include <cstdint>

#include "numerics/OneBasedArrays.h"

class CFluorophore {
 public:
  CFluorophore();

  // Brightness phase at time t (s) in channel w: the time since the last
  // reset strictly before t and the level that reset restored (t and 1 before
  // the first reset or without switching).
  struct Phase {
    double Tau;
    double Level;
  };
  Phase PhaseAt(int w, double t) const;
  // Relative brightness F_w(t) = b (S + (1 - S) exp(-k tau)) with k the rate
  // constant per second and S the steady-state level; never negative.
  double RelativeBrightness(int w, double t) const;

  // Makes the destination an equal copy; nothing for a null destination.
  void CopyTo(CFluorophore* destination) const;
  // Resizes the per-channel values to n >= 2 channels, keeping the existing
  // ones; new channels get coefficient 1, rate 0, steady state 1 and recovery
  // levels 1. n < 2 changes nothing.
  void SetNumberOfWavelengths(int n);
  // Takes n reset times (times[1..n], s, ascending). A new count replaces the
  // recovery levels (all 1) and their fit flags (all clear); the same count
  // copies only the times. Nothing for n <= 0, no times or no channel.
  void SetResetTimes(int n, const float* times);
  // Sets the recovery level of reset k in channel w; indices <= 0 are
  // ignored, indices beyond the counts reported.
  void LoadRecoveryLevels(int w, int k, float value);
  // Ties the recovery levels of resets AllSameFrom + 1..AllSameTo to the one
  // at AllSameFrom (equal, or a geometric series with bRecoveryExponential)
  // and clears their fit flags; without switching clears every recovery fit
  // flag.
  void NormalizeRecoveryLevels();

  // Equal photophysics (reset times, beam width and fit flags not compared).
  bool ParametersEqual(const CFluorophore* other) const;

  // The adjusted values, counted as after NormalizeRecoveryLevels: the rate
  // constant, the steady state, one recovery level per flagged reset, then
  // BurnRate, BurnCenterRadius, BurnZone, BurnAsym, BurnCenterRadius2,
  // BurnZone2 and BurnRate2Fract, each only when its flag is set.
  int CountAdjustableParameters() const;
  // Writes the adjusted values into list[1..] in that order when a list is
  // given and returns their count; reports a capacity below
  // (nResetTimes + ScalarParameterSlots) * nWavelengths and returns 0.
  int CreateListOfAdjustableParameters(int capacity, float* list) const;
  // Takes the values back in the same order (channel-wide values go to every
  // channel); reports a null list or a wrong count and changes nothing.
  bool ApplyListOfAdjustableParameters(const float* list, int count);

  std::int32_t nWavelengths = 1;
  OneBasedArray<float> pSpecificSignalCoeffs;
  OneBasedArray<float> pRateConstantsOn;  // per hour; its absolute value is used
  std::uint8_t bFitRateConstants = 0;
  OneBasedArray<float> pInfTimeSteadyStateOn;
  std::uint8_t bFitSteadyStateLevels = 0;
  std::uint8_t bSwitching = 0;
  std::int32_t nResetTimes = 0;
  OneBasedArray<float> pResetTimes;
  OneBasedArray<OneBasedArray<float>> ppRecoveryLevels;  // [channel][reset]
  OneBasedArray<std::uint8_t> pbFitRecoveryLevels;       // 0..nResetTimes
  std::uint8_t bRecoveryAllSame = 0;
  std::int32_t AllSameFrom = 0;
  std::int32_t AllSameTo = 0;
  std::uint8_t bRecoveryExponential = 0;
  std::uint8_t bBurning = 0;
  std::uint8_t bWithBurnReset = 0;
  double BurnStartTime = 0.0;
  double BurnEndTime = 0.0;
  double BurnResetTime = -1.0;
  double BurnBeamWidth = 0.01;
  double BurnRate = 5.0;  // per hour
  std::uint8_t bFitBurnRate = 0;
  double BurnCenterRadius = 6.49;
  std::uint8_t bFitBurnCenterRadius = 0;
  double BurnZone = 0.1;
  std::uint8_t bFitBurnZone = 0;
  double BurnAsym = 1.0;
  std::uint8_t bFitBurnAsym = 0;
  double BurnDepth = 0.4;
  double BurnCenterRadius2 = 6.49;
  std::uint8_t bFitBurnCenterRadius2 = 0;
  double BurnZone2 = 0.4;
  std::uint8_t bFitBurnZone2 = 0;
  double BurnRate2Fract = 0.0;
  std::uint8_t bFitBurnRate2Fract = 0;
  std::uint8_t bWithInitialBurn = 0;
  std::int32_t nInitialBurn = 0;
  OneBasedArray<double> pInitialBurnFact;
  OneBasedArray<double> pInitialBurnRad;
  std::int32_t ScalarParameterSlots = 9;

 private:
  // The tied range as NormalizeRecoveryLevels leaves it, without changing
  // the object; empty when nothing is tied.
  void TiedResets(int& from, int& to) const;
  bool RecoveryLevelAdjusted(int k) const;
};
