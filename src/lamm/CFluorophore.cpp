#include "lamm/CFluorophore.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <utility>

#include "ui/Boxes.h"

namespace {

// Resizes a one-based array to 1..n, keeping the first min(old, n) values and
// giving the new ones `fill`.
template <class T>
void ResizeKeeping(OneBasedArray<T>& array, int n, const T& fill) {
  OneBasedArray<T> resized(1, n);
  for (int i = 1; i <= n; ++i) resized[i] = i <= array.hi() ? array[i] : fill;
  array = std::move(resized);
}

template <class T>
OneBasedArray<T> Filled(int lo, int hi, const T& value) {
  OneBasedArray<T> array(lo, hi);
  for (int i = lo; i <= hi; ++i) array[i] = value;
  return array;
}

template <class T>
bool SameValues(const OneBasedArray<T>& a, const OneBasedArray<T>& b, int n) {
  for (int i = 1; i <= n; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

}  // namespace

CFluorophore::CFluorophore()
    : pSpecificSignalCoeffs(Filled(1, 1, 1.0f)),
      pRateConstantsOn(Filled(1, 1, 0.0f)),
      pInfTimeSteadyStateOn(Filled(1, 1, 1.0f)),
      pResetTimes(1, 0),
      ppRecoveryLevels(1, 1),
      pbFitRecoveryLevels(0, 0),
      pInitialBurnFact(1, 0),
      pInitialBurnRad(1, 0) {}

CFluorophore::Phase CFluorophore::PhaseAt(int w, double t) const {
  assert(w >= 1 && w <= nWavelengths);
  Phase phase{t, 1.0};
  if (!bSwitching) return phase;
  for (int k = 1; k <= nResetTimes && pResetTimes[k] < t; ++k)
    phase = {t - pResetTimes[k], ppRecoveryLevels[w][k]};
  return phase;
}

double CFluorophore::RelativeBrightness(int w, double t) const {
  const Phase phase = PhaseAt(w, t);
  const double rate = std::fabs(pRateConstantsOn[w]) / 3600.0;
  const double steady = pInfTimeSteadyStateOn[w];
  const double brightness = phase.Level * (steady + (1.0 - steady) * std::exp(-rate * phase.Tau));
  return std::max(brightness, 0.0);
}

void CFluorophore::CopyTo(CFluorophore* destination) const {
  if (!destination || destination == this) return;
  *destination = *this;
  if (nInitialBurn <= 0) {
    destination->pInitialBurnFact = OneBasedArray<double>(1, 0);
    destination->pInitialBurnRad = OneBasedArray<double>(1, 0);
  }
}

void CFluorophore::SetNumberOfWavelengths(int n) {
  if (n < 2) return;
  ResizeKeeping(pSpecificSignalCoeffs, n, 1.0f);
  ResizeKeeping(pRateConstantsOn, n, 0.0f);
  ResizeKeeping(pInfTimeSteadyStateOn, n, 1.0f);
  ResizeKeeping(ppRecoveryLevels, n, Filled(1, nResetTimes, 1.0f));
  nWavelengths = n;
}

void CFluorophore::SetResetTimes(int n, const float* times) {
  if (n <= 0 || !times || nWavelengths < 1) return;
  if (n != nResetTimes) {
    pResetTimes = OneBasedArray<float>(1, n);
    for (int w = 1; w <= nWavelengths; ++w) ppRecoveryLevels[w] = Filled(1, n, 1.0f);
    pbFitRecoveryLevels = OneBasedArray<std::uint8_t>(0, n);
    nResetTimes = n;
  }
  for (int k = 1; k <= n; ++k) pResetTimes[k] = times[k];
}

void CFluorophore::LoadRecoveryLevels(int w, int k, float value) {
  if (w <= 0 || k <= 0) return;
  if (w > nWavelengths) {
    ErrorBox("LoadRecoveryLevels error: wl index exceeding nWavelengths");
    return;
  }
  if (k > nResetTimes) {
    ErrorBox("LoadRecoveryLevels error: n index exceeding nResetTimes");
    return;
  }
  ppRecoveryLevels[w][k] = value;
}

void CFluorophore::TiedResets(int& from, int& to) const {
  from = AllSameFrom;
  to = AllSameTo;
  if (from > to) std::swap(from, to);
  to = std::min(to, static_cast<int>(nResetTimes));
  from = std::max(from, 1);
  if (!bRecoveryAllSame || from >= nResetTimes) to = from;  // nothing tied
}

void CFluorophore::NormalizeRecoveryLevels() {
  if (!bSwitching)
    for (int k = 0; k <= nResetTimes; ++k) pbFitRecoveryLevels[k] = 0;
  if (AllSameFrom > AllSameTo) std::swap(AllSameFrom, AllSameTo);
  AllSameTo = std::min(AllSameTo, nResetTimes);
  AllSameFrom = std::max(AllSameFrom, 1);
  if (!bRecoveryAllSame || AllSameFrom >= nResetTimes) return;
  for (int i = AllSameFrom + 1; i <= AllSameTo; ++i) {
    pbFitRecoveryLevels[i] = 0;
    for (int w = 1; w <= nWavelengths; ++w) {
      OneBasedArray<float>& levels = ppRecoveryLevels[w];
      // A geometric series: each tied reset recovers by the first reset's
      // fraction of the level before it.
      levels[i] = bRecoveryExponential ? levels[i - 1] * levels[1] : levels[i - 1];
    }
  }
}

bool CFluorophore::ParametersEqual(const CFluorophore* other) const {
  if (!other) return false;
  const CFluorophore& o = *other;
  if (nWavelengths != o.nWavelengths || nResetTimes != o.nResetTimes) return false;
  if (!SameValues(pSpecificSignalCoeffs, o.pSpecificSignalCoeffs, nWavelengths) ||
      !SameValues(pRateConstantsOn, o.pRateConstantsOn, nWavelengths) ||
      !SameValues(pInfTimeSteadyStateOn, o.pInfTimeSteadyStateOn, nWavelengths))
    return false;
  for (int w = 1; w <= nWavelengths; ++w)
    if (!SameValues(ppRecoveryLevels[w], o.ppRecoveryLevels[w], nResetTimes)) return false;
  const bool sameBeam = bSwitching == o.bSwitching && bBurning == o.bBurning &&
                        bWithBurnReset == o.bWithBurnReset && BurnStartTime == o.BurnStartTime &&
                        BurnEndTime == o.BurnEndTime && BurnResetTime == o.BurnResetTime &&
                        BurnRate == o.BurnRate && BurnCenterRadius == o.BurnCenterRadius &&
                        BurnZone == o.BurnZone && BurnAsym == o.BurnAsym &&
                        BurnDepth == o.BurnDepth && BurnCenterRadius2 == o.BurnCenterRadius2 &&
                        BurnZone2 == o.BurnZone2 && BurnRate2Fract == o.BurnRate2Fract &&
                        bWithInitialBurn == o.bWithInitialBurn;
  if (!sameBeam || nInitialBurn != o.nInitialBurn) return false;
  return SameValues(pInitialBurnFact, o.pInitialBurnFact, nInitialBurn) &&
         SameValues(pInitialBurnRad, o.pInitialBurnRad, nInitialBurn);
}

bool CFluorophore::RecoveryLevelAdjusted(int k) const {
  if (!bSwitching || !pbFitRecoveryLevels[k]) return false;
  int from = 0, to = 0;
  TiedResets(from, to);
  return k <= from || k > to;
}

int CFluorophore::CountAdjustableParameters() const {
  return CreateListOfAdjustableParameters(0, nullptr);
}

int CFluorophore::CreateListOfAdjustableParameters(int capacity, float* list) const {
  if (list && capacity < (nResetTimes + ScalarParameterSlots) * nWavelengths) {
    ErrorBox("too few parameters in CFluorophore::CreateListOfAdjustableParameters");
    return 0;
  }
  int count = 0;
  auto put = [&](bool adjusted, double value) {
    if (!adjusted) return;
    ++count;
    assert(!list || count <= capacity);
    if (list) list[count] = static_cast<float>(value);
  };
  put(bFitRateConstants, pRateConstantsOn[1]);
  put(bFitSteadyStateLevels, pInfTimeSteadyStateOn[1]);
  if (bSwitching)
    for (int k = 1; k <= nResetTimes; ++k) put(RecoveryLevelAdjusted(k), ppRecoveryLevels[1][k]);
  put(bFitBurnRate, BurnRate);
  put(bFitBurnCenterRadius, BurnCenterRadius);
  put(bFitBurnZone, BurnZone);
  put(bFitBurnAsym, BurnAsym);
  put(bFitBurnCenterRadius2, BurnCenterRadius2);
  put(bFitBurnZone2, BurnZone2);
  put(bFitBurnRate2Fract, BurnRate2Fract);
  return count;
}

bool CFluorophore::ApplyListOfAdjustableParameters(const float* list, int count) {
  if (!list || count != CountAdjustableParameters()) {
    ErrorBox("wrong number of parameters in CFluorophore::ApplyListOfAdjustableParameters");
    return false;
  }
  int next = 0;
  auto takeChannels = [&](OneBasedArray<float>& perChannel) {
    const float value = list[++next];
    for (int w = 1; w <= nWavelengths; ++w) perChannel[w] = value;
  };
  auto take = [&](bool adjusted, double& value) {
    if (adjusted) value = list[++next];
  };
  if (bFitRateConstants) takeChannels(pRateConstantsOn);
  if (bFitSteadyStateLevels) takeChannels(pInfTimeSteadyStateOn);
  if (bSwitching && nResetTimes > 0) {
    for (int k = 1; k <= nResetTimes; ++k) {
      if (!RecoveryLevelAdjusted(k)) continue;
      const float value = list[++next];
      for (int w = 1; w <= nWavelengths; ++w) ppRecoveryLevels[w][k] = value;
    }
    NormalizeRecoveryLevels();
  }
  take(bFitBurnRate, BurnRate);
  take(bFitBurnCenterRadius, BurnCenterRadius);
  take(bFitBurnZone, BurnZone);
  take(bFitBurnAsym, BurnAsym);
  take(bFitBurnCenterRadius2, BurnCenterRadius2);
  take(bFitBurnZone2, BurnZone2);
  take(bFitBurnRate2Fract, BurnRate2Fract);
  assert(next == count);
  return true;
}
