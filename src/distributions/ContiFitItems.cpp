// The floating items of a distribution fit: which float, where they live,
// how they are clamped on the way into and out of the optimisers' vector,
// their spread in a fresh simplex and their derivative steps.

#include <algorithm>
#include <cassert>
#include <cmath>
#include <functional>

#include "state/SolventConditions.h"
#include "distributions/ContiFit.h"
#include "state/DistributionSettingsRecords.h"
#include "models/FitDriver.h"
#include "models/LevenbergMarquardt.h"
#include "models/SimulationArrays.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "state/SpeciesEngineParameters.h"

ContiFitStateRecord ContiFitState;

namespace {

using K = ModelKind;

bool Is(std::initializer_list<K> kinds) {
  return std::find(kinds.begin(), kinds.end(), ModelSelection.Kind) != kinds.end();
}

bool HasDiscreteSpecies() {
  const K k = ModelSelection.Kind;
  if (k == K::HybridCSLsGStar) return DistributionSettings.HybridIncludesDiscrete;
  return Is({K::CSBimodalFf0OneDiscrete, K::CSFf0OneDiscrete, K::CSWithOneDiscrete,
             K::CSWithMsTable, K::NonidealCS, K::HinderedCS, K::LsGStarOneDiscrete});
}

// The discrete species of the s-and-D form carries D instead of M.
bool DiscreteCarriesD() {
  return ModelSelection.Kind == K::CSWithOneDiscrete && !FitControl.MassInsteadOfD;
}

bool DiscreteInExtraParameters() {
  return Is({K::CSFf0OneDiscrete, K::CSBimodalFf0OneDiscrete});
}

// The floating vbar among the settings items of the discrete fits.
constexpr int kVbarSetting = 1;

bool ZoneModel() {
  return Is({K::ZoneCS, K::ZoneLsGStar});
}

// A reference to a value of the model, whatever its type.
struct ValueRef {
  std::function<float()> get;
  std::function<void(float)> set;
};

template <typename T>
ValueRef Ref(T& v) {
  return {[&v] { return static_cast<float>(v); }, [&v](float x) { v = static_cast<T>(x); }};
}

// The item's place in the model while it floats; get is empty when it does
// not float now.
ValueRef Locate(ContiFitItem item) {
  auto& fl = CorrectionOptions.Fluorescence;
  auto& bm = CorrectionOptions.BufferMismatch;
  auto& ds = DistributionSettings;
  auto& mp = ModelParameters;
  auto& se = SpeciesEngineParameters;
  const bool bufferOn = bm.On;
  const bool massForm = FitControl.MassInsteadOfD;
  using I = ContiFitItem;
  switch (item) {
    case I::Vbar:
      // The vbar of the inhomogeneous solvent is the discrete fits' floating
      // setting: the apparent vbar while that is on, else VBAR (whose
      // buoyancy term follows it).
      if (!FloatingSettingOn(kVbarSetting)) return {};
      return {[] { return FloatingSettingValue(kVbarSetting); },
              [](float x) { SetFloatingSetting(kVbarSetting, x); }};
    case I::ExcitationCone:
      return fl.ShadowOn && fl.ShadowFitted ? Ref(fl.ShadowRadius) : ValueRef{};
    case I::BleachRate:
      return fl.DriftOn && fl.PhotophysicsOn && fl.ExponentialDriftFitted
                 ? Ref(fl.ExponentialDriftRate)
                 : ValueRef{};
    case I::BleachLimit:
      return fl.DriftOn && fl.PhotophysicsOn && fl.LimitingSignalFitted ? Ref(fl.LimitingSignal)
                                                                        : ValueRef{};
    case I::SignalDrift:
      return fl.DriftOn && fl.LinearDriftOn && fl.LinearDriftFitted ? Ref(fl.LinearDrift)
                                                                    : ValueRef{};
    case I::ConvolutionWidth:
      return fl.ConvolutionOn && fl.ConvolutionWidthFitted ? Ref(fl.ConvolutionWidth) : ValueRef{};
    case I::RadialMagnification:
      return fl.MagnificationGradientOn && fl.MagnificationGradientFitted
                 ? Ref(fl.MagnificationGradient)
                 : ValueRef{};
    case I::NonlinearCoefficient:
      return fl.NonlinearDetectionOn && fl.NonlinearExponentFitted ? Ref(fl.NonlinearExponent)
                                                                   : ValueRef{};
    case I::DepletionS:
      return fl.DepletionOn && fl.DepletionSFitted ? Ref(fl.DepletionS) : ValueRef{};
    case I::DepletionD:
      return fl.DepletionOn && fl.DepletionDFitted ? Ref(fl.DepletionD) : ValueRef{};
    case I::DepletionAmplitude:
      return fl.DepletionOn && fl.DepletionAmplitudeFitted ? Ref(fl.DepletionAmplitude)
                                                           : ValueRef{};
    case I::BufferSignal:
      return bufferOn && bm.BufferSignalFitted && !mp.LinearConcentrations ? Ref(bm.BufferSignal)
                                                                           : ValueRef{};
    case I::BufferDOrMb:
      if (!(bufferOn && bm.BufferDOrMbFitted)) return {};
      return massForm ? Ref(bm.BufferMb) : Ref(bm.BufferD);
    case I::BufferS:
      return bufferOn && bm.BufferSFitted ? Ref(bm.BufferS) : ValueRef{};
    case I::MeniscusDifference:
      return bufferOn && bm.MeniscusMismatchOn && bm.MeniscusDifferenceFitted
                 ? Ref(bm.MeniscusDifference)
                 : ValueRef{};
    case I::ConcentrationRatio:
      return bufferOn && bm.MeniscusMismatchOn && bm.ConcentrationRatioFitted
                 ? Ref(bm.ConcentrationRatio)
                 : ValueRef{};
    case I::ReferenceDOrMb:
      if (!(bufferOn && bm.DifferentReferenceBuffer && bm.ReferenceDOrMbFitted)) return {};
      return massForm ? Ref(bm.ReferenceMb) : Ref(bm.ReferenceD);
    case I::ReferenceS:
      return bufferOn && bm.DifferentReferenceBuffer && bm.ReferenceSFitted ? Ref(bm.ReferenceS)
                                                                            : ValueRef{};
    case I::FrictionalRatio:
      return ds.FrictionalRatioFitted == 1 && !Is({K::CSFf0, K::CSFf0OneDiscrete})
                 ? Ref(ds.StartingFrictionalRatio)
                 : ValueRef{};
    case I::SecondFrictionalRatio:
      return ds.SecondRangeSminFitted == 1 && Is({K::CSBimodalFf0, K::CSBimodalFf0OneDiscrete})
                 ? Ref(ds.SecondFf0)
                 : ValueRef{};
    case I::FixedFf0Vbar:
      return ModelSelection.Kind == K::CSFixFf0FloatingVbar && ds.VbarFitted == 1
                 ? Ref(SolventConditions.VBAR)
                 : ValueRef{};
    case I::ScalingKs:
      return ds.ScalingKsFitted == 1 && Is({K::CSGeneralScalingLaw, K::FMScalingLaw})
                 ? Ref(ds.GeneralScalingLaw.ScalingKs)
                 : ValueRef{};
    case I::ScalingExponent:
      return ds.ScalingExponentFitted == 1 && Is({K::CSGeneralScalingLaw, K::FMScalingLaw})
                 ? Ref(ds.GeneralScalingLaw.ScalingExponent)
                 : ValueRef{};
    case I::PersistenceLength:
      return ds.PersistenceLengthFitted == 1 && ModelSelection.Kind == K::CSWormlikeChain
                 ? Ref(ds.WormChainSettings.PersistenceLength)
                 : ValueRef{};
    case I::InvariantD:
      return ds.InvariantDFitted == 1 && ModelSelection.Kind == K::CSInvariantD ? Ref(ds.InvariantD)
                                                                                : ValueRef{};
    case I::FirstNonideality:
      return Is({K::NonidealCS, K::HinderedCS}) && se.LogKsFitted ? Ref(se.LogKs) : ValueRef{};
    case I::SecondNonideality:
      return Is({K::NonidealCS, K::HinderedCS}) && se.LogKdFitted ? Ref(se.LogKd) : ValueRef{};
    case I::DiscreteS:
      return HasDiscreteSpecies() && ds.DiscreteSpeciesSFitted == 1 ? Ref(ds.DiscreteSpeciesS)
                                                                    : ValueRef{};
    case I::DiscreteDOrM:
      if (!HasDiscreteSpecies()) return {};
      if (DiscreteCarriesD())
        return ds.DiscreteSpeciesDFitted == 1 ? Ref(ds.DiscreteSpeciesD) : ValueRef{};
      return ds.DiscreteSpeciesMassFitted == 1 ? Ref(ds.DiscreteSpeciesMass) : ValueRef{};
    case I::Meniscus:
      return ParameterFitted[MeniscusSlot] ? Ref(mp.Meniscus) : ValueRef{};
    case I::Bottom:
      return ParameterFitted[BottomSlot] ? Ref(mp.Bottom) : ValueRef{};
    case I::LamellaWidth:
      return ZoneModel() && ParameterFitted[23] ? Ref(mp.LamellaWidth) : ValueRef{};
    case I::ConstantD:
      return ModelSelection.Kind == K::ElectrophoresisCV && ds.ConstantDFitted == 1
                 ? Ref(ds.ConstantD)
                 : ValueRef{};
  }
  return {};
}

// The parameter-vector slot that mirrors an item (0: none).
int MirrorSlot(ContiFitItem item) {
  using I = ContiFitItem;
  switch (item) {
    case I::FrictionalRatio:
    case I::FixedFf0Vbar:
    case I::ScalingKs:
    case I::PersistenceLength:
    case I::InvariantD:
      return 11;
    case I::SecondFrictionalRatio:
      return 10;
    case I::ScalingExponent:
      return 18;
    case I::FirstNonideality:
      return 20;
    case I::SecondNonideality:
      return 21;
    case I::DiscreteS:
      return DiscreteInExtraParameters() ? 17 : 6;
    case I::DiscreteDOrM:
      return !DiscreteCarriesD() && DiscreteInExtraParameters() ? 16 : 10;
    case I::Meniscus:
      return MeniscusSlot;
    case I::Bottom:
      return BottomSlot;
    case I::LamellaWidth:
      return 23;
    case I::ConstantD:
      return 3;
    default:
      return 0;
  }
}

// Packing clamp; true when the value changed.
bool PackClamp(ContiFitItem item, float& v) {
  using I = ContiFitItem;
  const float old = v;
  switch (item) {
    case I::Vbar:
      if (v < 0.0f) v = 0.01f;
      break;
    case I::BufferDOrMb:
      if (!FitControl.MassInsteadOfD && v < 0.01f) v = 0.01f;
      break;
    case I::ConcentrationRatio:
      if (v <= 0.0001f) v = 0.0001f;
      break;
    case I::ReferenceDOrMb:
      if (!FitControl.MassInsteadOfD && v < 0.0f) v = 0.01f;
      break;
    case I::FrictionalRatio:
    case I::SecondFrictionalRatio:
    case I::DiscreteDOrM:
      if (v < 0.0f) v = 0.01f;
      break;
    case I::FixedFf0Vbar:
      if (v < 0.1f) {
        v = 0.1f;
        SolventConditions.VbarRho = v * SolventConditions.BufferDensity;
      }
      break;
    case I::ScalingKs:
      if (v < 1e-8f) v = 1e-8f;
      break;
    case I::ScalingExponent:
      if (v < 0.001f) v = 0.001f;
      break;
    case I::PersistenceLength:
      if (v < 0.1f) v = 0.1f;
      break;
    case I::InvariantD:
      if (v < 0.0f) v = 0.001f;
      break;
    default:
      break;
  }
  return v != old;
}

// Unpacking clamp; true when the clamped value goes back into the vector.
// Frictional ratios and the invariant D are raised to the small positive
// values of the packing: a frictional ratio or D of 0 has no physical
// meaning and would make every diffusion coefficient of the grid infinite
// or zero.
bool UnpackClamp(ContiFitItem item, float& v) {
  using I = ContiFitItem;
  const bool mass = FitControl.MassInsteadOfD;
  switch (item) {
    case I::Vbar:
      if (v < 0.0f) v = 0.0f;
      return true;
    case I::ExcitationCone:
      v = std::clamp(v, 0.01f, 1.0f);
      return false;
    case I::BleachRate:
    case I::BleachLimit:
      if (v < 0.0f) v = 0.0f;
      return true;
    case I::RadialMagnification:
      v = std::clamp(v, 0.5f, 2.0f);
      return false;
    case I::DepletionS:
    case I::DepletionD:
      if (v < 0.0f) v = 0.01f;
      return false;
    case I::DepletionAmplitude:
    case I::BufferSignal:
    case I::LamellaWidth:
    case I::ConstantD:
      if (v < 0.0f) v = 0.0f;
      return false;
    case I::BufferDOrMb:
    case I::ReferenceDOrMb:
      v = std::fabs(v);
      if (mass && v < 10.0f) v = 10.0f;
      if (!mass) v = std::clamp(v, 0.01f, 1000.0f);
      return false;
    case I::ConcentrationRatio:
      if (v < 0.0001f) v = 0.0001f;
      return false;
    case I::FrictionalRatio:
    case I::SecondFrictionalRatio:
      if (v < 0.0f) v = 0.01f;
      return true;
    case I::FixedFf0Vbar:
      if (v <= 0.1f) v = 0.1f;
      return true;
    case I::ScalingKs:
      if (v <= 1e-8f) v = 1e-8f;
      return true;
    case I::ScalingExponent:
      if (v <= 0.001f) v = 0.001f;
      return true;
    case I::PersistenceLength:
      if (v <= 0.1f) v = 0.1f;
      return true;
    case I::InvariantD:
      if (v < 0.0f) v = 0.001f;
      return true;
    case I::DiscreteDOrM:
      if (v < 0.0f) v = 0.001f;
      return true;
    case I::Meniscus: {
      const auto& f = FitControl;
      if (f.MAXMENISCUS > f.MINMENISCUS) v = std::clamp(v, f.MINMENISCUS, f.MAXMENISCUS);
      return false;
    }
    case I::Bottom: {
      const auto& f = FitControl;
      if (f.MAXBOTTOM > f.MINBOTTOM) v = std::clamp(v, f.MINBOTTOM, f.MAXBOTTOM);
      return false;
    }
    default:
      return false;
  }
}

void WriteMirror(ContiFitItem item, float v) {
  const int slot = MirrorSlot(item);
  if (slot > 0) ParameterVector[static_cast<std::size_t>(slot)] = v;
  auto& extra = ModelParameters.ExtraParameter;
  if (item == ContiFitItem::DiscreteS && DiscreteInExtraParameters()) extra[2] = v;
  if (item == ContiFitItem::DiscreteDOrM && DiscreteInExtraParameters() && !DiscreteCarriesD())
    extra[1] = v;
}

// The radial grid of the simulation arrays follows meniscus and bottom.
void FollowGeometry() {
  auto& st = ContiFitState;
  const float m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
  if (!st.GridRemembered) {
    st.GridMeniscus = m;
    st.GridBottom = b;
    st.GridRemembered = true;
    return;
  }
  if (m == st.GridMeniscus && b == st.GridBottom) return;
  MakeRadialGrid();
  st.GridMeniscus = m;
  st.GridBottom = b;
}

}  // namespace

int PackContiParameters(int capacity, float* out) {
  auto& st = ContiFitState;
  int n = 0;
  for (int k = 1; k <= ContiFitMaxItems; ++k) {
    const auto item = static_cast<ContiFitItem>(k);
    ValueRef ref = Locate(item);
    if (!ref.get) continue;
    ++n;
    st.ItemAt[n] = item;
    if (!out || n > capacity) continue;
    float v = ref.get();
    if (PackClamp(item, v)) ref.set(v);
    out[n] = v;
    const int slot = MirrorSlot(item);
    if (item == ContiFitItem::Meniscus || item == ContiFitItem::Bottom ||
        item == ContiFitItem::LamellaWidth || item == ContiFitItem::ConstantD)
      ParameterVector[static_cast<std::size_t>(slot)] = v;
  }
  st.ItemCount = n;
  return n;
}

void UnpackContiParameters(float* x) {
  const int n = PackContiParameters(0, nullptr);
  for (int i = 1; i <= n; ++i) {
    const ContiFitItem item = ContiFitState.ItemAt[i];
    float v = x[i];
    if (UnpackClamp(item, v)) x[i] = v;
    Locate(item).set(v);
    if (item >= ContiFitItem::FrictionalRatio) WriteMirror(item, v);
    if (item == ContiFitItem::FixedFf0Vbar)
      SolventConditions.VbarRho = SolventConditions.VBAR * SolventConditions.BufferDensity;
  }
  FollowGeometry();
}

float ContiSpreadFactor(int position) {
  assert(position >= 1 && position <= ContiFitMaxItems);
  using I = ContiFitItem;
  switch (ContiFitState.ItemAt[position]) {
    case I::Meniscus:
    case I::Bottom:
      return 0.01f;
    case I::LamellaWidth:
    case I::FrictionalRatio:
      return 0.1f;
    case I::FirstNonideality:
    case I::SecondNonideality:
      return 0.2f;
    default:
      return 1.0f;
  }
}

namespace {

DerivativeStep ContiDerivativeStep(ContiFitItem item, float value) {
  using I = ContiFitItem;
  switch (item) {
    case I::BufferSignal:
    case I::BufferS:
    case I::ReferenceS:
    case I::DiscreteS:
    case I::FrictionalRatio:
    case I::SecondFrictionalRatio:
      return {1.001, 0.001};
    case I::BufferDOrMb:
    case I::ReferenceDOrMb:
      return {1.01, FitControl.MassInsteadOfD ? 10.0 : 0.1};
    case I::MeniscusDifference:
    case I::Meniscus:
    case I::Bottom:
    case I::LamellaWidth:
      return {1.0001, 0.001};
    case I::ConcentrationRatio:
    case I::PersistenceLength:
    case I::InvariantD:
    case I::DiscreteDOrM:
    case I::ConstantD:
      return {1.01, 0.01};
    case I::FixedFf0Vbar:
      return {1.0001, 0.0001};
    case I::ScalingKs:
      return {1.01, 1e-6};
    case I::ScalingExponent:
      return {1.01, 0.0001};
    case I::FirstNonideality:
      if (value > -1.5f) return {1.0005, 0.0005};
      if (value > -2.5f) return {1.001, 0.0005};
      return {1.005, 0.005};
    case I::SecondNonideality:
      if (value > -1.5f) return {1.001, 0.001};
      if (value > -2.5f) return {1.003, 0.003};
      return {1.01, 0.01};
    default:  // the fluorescence corrections
      return {1.0001, 0.0001};
  }
}

}  // namespace

int SetContiDerivativeSteps(int n) {
  std::vector<float> values(static_cast<std::size_t>(ContiFitMaxItems) + 1, 0.0f);
  PackContiParameters(ContiFitMaxItems, values.data());
  auto& w = MarquardtWork;
  for (int i = 1; i <= n; ++i) {
    const DerivativeStep step =
        ContiDerivativeStep(ContiFitState.ItemAt[i], values[static_cast<std::size_t>(i)]);
    w.DerivativeStepFactor[i] = step.factor;
    w.DerivativeStepFloor[i] = step.floor;
  }
  return n;
}

bool ContiCycleConverged(float rmsd, float previousRmsd, const float* previous,
                         const float* current, int n, float tolerance) {
  const float rmsdChange = std::fabs(rmsd - previousRmsd);
  if (previousRmsd == 0.0f ? rmsdChange > 0.0f : rmsdChange / std::fabs(previousRmsd) > tolerance)
    return false;
  for (int i = 1; i <= n; ++i) {
    const float old = previous[i];
    const float change =
        old == 0.0f ? std::fabs(current[i]) : std::fabs(old - current[i]) / std::fabs(old);
    if (!(change <= tolerance)) return false;
  }
  return true;
}

bool ContiCycleEnds(bool moved, int& stalled, float rmsd, float previousRmsd, const float* previous,
                    const float* current, int n, float tolerance) {
  if (moved && !ContiCycleConverged(rmsd, previousRmsd, previous, current, n, tolerance)) {
    stalled = 0;
    return false;
  }
  return ++stalled >= ContiStalledCyclesToConverge;
}
