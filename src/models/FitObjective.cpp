#include "models/FitObjective.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <vector>

#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "models/FitDriver.h"
#include "models/GlobalLammState.h"
#include "models/LevenbergMarquardt.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "models/SimulationArrays.h"
#include "models/SimulationRoads.h"
#include "models/TempParameterFile.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "numerics/RandomNumbers.h"
#include "ui/Boxes.h"

namespace {

void Log(platform::WindowHandle window, const char* text) {
  if (DebugLog) DebugLog(window, text);
}

// Slots 1-4: masses, D or amplitudes that only make sense when positive;
// the association models keep their log10 constant in slot 3.
float ClampMassSlot(int slot, float value) {
  const ModelKind kind = ModelSelection.Kind;
  // The higher cumulants of a cumulant analysis take either sign in a fit:
  // held at 0, a negative trial would leave the fit no slope to climb out.
  if (kind == ModelKind::CumulantAnalysis && slot >= 2) return value;
  // A decay rate (or radius) held at 0 gives a flat model whose rmsd no
  // longer changes with the slot, and a simplex that lands there never comes
  // back; the magnitude keeps the rmsd's slope on both sides of 0.
  if (DlsDataMode && IsDiscreteSpeciesModel(kind)) return std::fabs(value);
  if (IsDiscreteSpeciesModel(kind))
    return ScanDataSet.EquilibriumDataMode ? value : std::max(value, 0.0f);
  if (IsAssociationKind(kind)) return slot == 3 ? value : std::max(value, 0.0f);
  return value;
}

float ClampSlot(int slot, float value) {
  const FitControlRecord& f = FitControl;
  if (slot <= 4) return ClampMassSlot(slot, value);
  if (slot <= 8) return value;
  // The non-ideal species keep log10 constants in slots 9-12.
  if (slot <= 12) return IsNonidealSpeciesKind(ModelSelection.Kind) ? value : std::max(value, 0.0f);
  if (slot == MeniscusSlot) return std::clamp(value, f.MINMENISCUS, f.MAXMENISCUS);
  if (slot == BottomSlot) return std::clamp(value, f.MINBOTTOM, f.MAXBOTTOM);
  if (slot >= 16 && slot <= 19) return std::max(value, 0.0f);
  if (slot == 23) return std::max(value, 0.0f);
  if (slot == 25 || slot == 27 || slot == 29 || slot == 31 || slot == 33)
    return std::max(value, 0.0f);
  if (slot == 26 || slot == 30 || slot == 34) return std::clamp(value, 0.0f, 1.0f);
  return value;
}

// The objective's own, stricter unpacking of the settings items.
void UnpackSettingForObjective(int item, float& value) {
  switch (item) {
    case 3:
    case 4:
    case 5:
      if (value < 0.0f) value = 0.0f;
      SetFloatingSetting(item, value);
      return;
    case 7:
      SetFloatingSetting(item, value > 1.0f ? 1.0f : (value <= 0.001f ? 0.001f : value));
      return;
    case 15:
    case 19:
      SetFloatingSetting(item, std::fabs(value));
      return;
    default:
      SetFloatingSetting(item, value);
  }
}

void UnpackForObjective(float* v) {
  const std::vector<int> items = FloatingItemNumbers();
  const std::vector<int> slots = FloatingSlotNumbers();
  const int n = static_cast<int>(items.size());
  for (int pos = 1; pos <= n; ++pos) {
    const std::size_t k = static_cast<std::size_t>(pos - 1);
    if (items[k] > 0) {
      UnpackSettingForObjective(items[k], v[pos]);
    } else {
      ParameterVector[slots[k]] = ClampSlot(slots[k], v[pos]);
    }
  }
  const ModelKind kind = ModelSelection.Kind;
  if (kind == ModelKind::SelfAssociation124) {
    ParameterVector[2] = 2.0f * ParameterVector[1];
    ParameterVector[12] = 4.0f * ParameterVector[1];
  } else if (kind == ModelKind::SelfAssociation148) {
    ParameterVector[2] = 4.0f * ParameterVector[1];
    ParameterVector[12] = 8.0f * ParameterVector[1];
  }
  ModelParametersRecord& mp = ModelParameters;
  if (ModelSelection.LammGeometry.LinearForceElectrophoresis) {
    // The column keeps its length behind a moving meniscus.
    if (ParameterFitted[BottomSlot]) mp.ElectrophoresisColumnLength = ParameterVector[BottomSlot];
    ParameterVector[BottomSlot] = ParameterVector[MeniscusSlot] + mp.ElectrophoresisColumnLength;
  }
  UnpackParameterVector();
}

}  // namespace

float SimplexSim(float* v, platform::WindowHandle window) {
  Log(window, "\nEnter SimplexSim");
  FitControlRecord& f = FitControl;
  FitDriverSettingsRecord& g = FitDriverSettings;
  if (f.FitAbort) return FitAbortRmsd;
  if (g.GridMeniscus == 0.0f || g.GridBottom == 0.0f) {
    MakeRadialGrid();
    g.GridMeniscus = ParameterVector[MeniscusSlot];
    g.GridBottom = ParameterVector[BottomSlot];
  }
  UnpackForObjective(v);
  const ModelParametersRecord& mp = ModelParameters;
  if (mp.Meniscus != g.GridMeniscus || mp.Bottom != g.GridBottom) {
    MakeRadialGrid();
    g.GridMeniscus = mp.Meniscus;
    g.GridBottom = mp.Bottom;
  }
  ++f.EvaluationCount;
  ++f.SimulationCount;
  if (FitDisplayLinks.ShowEvaluationProgress)
    FitDisplayLinks.ShowEvaluationProgress(window, EvaluationProgressLine(),
                                           EvaluationProgressSecondLine());
  SimulateModel(window);
  if (KeyPressed()) ComputationAbort = true;
  if (ComputationAbort) {
    ComputationAbort = false;
    f.FitAbort = true;
  }
  float r = ScanRmsd();
  // A nonlinear detector's fit is judged on the data as measured.
  float measured = 0.0f;
  if (SimulationRoads.NonlinearDetectionRmsd && SimulationRoads.NonlinearDetectionRmsd(measured)) {
    r = measured;
    f.CurrentRmsd = measured;
  }
  Log(window, " --> SimplexSim DONE");
  return r;
}

namespace {

std::string Printed(const char* format, auto... values) {
  const int size = std::snprintf(nullptr, 0, format, values...);
  std::string text(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  std::snprintf(text.data(), text.size() + 1, format, values...);
  return text;
}

}  // namespace

std::string EvaluationProgressLine() {
  const FitControlRecord& f = FitControl;
  switch (FitDriverSettings.OptimizerKind) {
    case OptimizerChoice::LevenbergMarquardt:
      return Printed("sim #%d, ML step #%d, step #%d    ", f.SimulationCount, f.OptimizerStep,
                     f.EvaluationCount);
    case OptimizerChoice::SimulatedAnnealing:
      return Printed("sim #%d, SA step #%d, step#%d, T=%.3f    ", f.SimulationCount,
                     f.OptimizerStep, f.EvaluationCount, static_cast<double>(f.AnnealTemperature));
    case OptimizerChoice::Simplex:
      break;
  }
  return Printed("s%d, step #%d     ", f.OptimizerStep, f.EvaluationCount);
}

std::string EvaluationProgressSecondLine() {
  if (FitDriverSettings.OptimizerKind != OptimizerChoice::LevenbergMarquardt) return {};
  const MarquardtWorkArraysRecord& w = MarquardtWork;
  return Printed("testrmsd=%f (n=%.0f,lambda=%.1e          )", w.MarquardtRmsd,
                 w.MarquardtPointCount, w.alamda);
}

// The floating items: the settings of the corrections and the fitted slots.

namespace {

// Density of water, which turns a floating vbar into v*rho.
constexpr float kWaterDensity = 0.99823f;
constexpr int kSettingItems = 20;

FluorescenceCorrectionsRecord& Fluorescence() {
  return CorrectionOptions.Fluorescence;
}
BufferMismatchSettingsRecord& Buffer() {
  return CorrectionOptions.BufferMismatch;
}

int FloatingSettingCount() {
  int a = 0;
  for (int item = 1; item <= kSettingItems; ++item) a += FloatingSettingOn(item) ? 1 : 0;
  return a;
}

}  // namespace

bool FloatingSettingOn(int item) {
  const FluorescenceCorrectionsRecord& fl = Fluorescence();
  const BufferMismatchSettingsRecord& bm = Buffer();
  const bool photophysics = fl.DriftOn && fl.PhotophysicsOn;
  switch (item) {
    case 1:
      return FitDriverSettings.VbarFloating && InhomogeneousSolventOn;
    case 2:
      return fl.ShadowOn && fl.ShadowFitted;
    case 3:
      return CorrectionOptions.WienerSkewing.On && CorrectionOptions.WienerSkewing.MagnitudeFitted;
    case 4:
      return photophysics && fl.ExponentialDriftFitted;
    case 5:
      return photophysics && fl.LimitingSignalFitted;
    case 6:
      return fl.DriftOn && fl.LinearDriftOn && fl.LinearDriftFitted;
    case 7:
      return fl.ConvolutionOn && fl.ConvolutionWidthFitted;
    case 8:
      return fl.MagnificationGradientOn && fl.MagnificationGradientFitted;
    case 9:
      return fl.NonlinearDetectionOn && fl.NonlinearExponentFitted;
    case 10:
      return fl.DepletionOn && fl.DepletionSFitted;
    case 11:
      return fl.DepletionOn && fl.DepletionDFitted;
    case 12:
      return fl.DepletionOn && fl.DepletionAmplitudeFitted;
    case 13:
      return fl.DepletionOn && fl.DepletionKsFitted;
    case 14:
      return bm.On && bm.BufferSignalFitted && !ModelParameters.LinearConcentrations;
    case 15:
      return bm.On && bm.BufferDOrMbFitted;
    case 16:
      return bm.On && bm.BufferSFitted;
    case 17:
      return bm.On && bm.MeniscusMismatchOn && bm.MeniscusDifferenceFitted;
    case 18:
      return bm.On && bm.MeniscusMismatchOn && bm.ConcentrationRatioFitted;
    case 19:
      return bm.On && bm.DifferentReferenceBuffer && bm.ReferenceDOrMbFitted;
    case 20:
      return bm.On && bm.DifferentReferenceBuffer && bm.ReferenceSFitted;
    default:
      return false;
  }
}

float FloatingSettingValue(int item) {
  const FluorescenceCorrectionsRecord& fl = Fluorescence();
  const BufferMismatchSettingsRecord& bm = Buffer();
  const bool mass = FitControl.MassInsteadOfD;
  switch (item) {
    case 1:
      return FitDriverSettings.ApparentVbarOn ? FitDriverSettings.ApparentVbar
                                              : SolventConditions.VBAR;
    case 2:
      return fl.ShadowRadius;
    case 3:
      return CorrectionOptions.WienerSkewing.Magnitude;
    case 4:
      return fl.ExponentialDriftRate;
    case 5:
      return fl.LimitingSignal;
    case 6:
      return fl.LinearDrift;
    case 7:
      return fl.ConvolutionWidth;
    case 8:
      return fl.MagnificationGradient;
    case 9:
      return fl.NonlinearExponent;
    case 10:
      return fl.DepletionS;
    case 11:
      return fl.DepletionD;
    case 12:
      return fl.DepletionAmplitude;
    case 13:
      return fl.DepletionLogKs;
    case 14:
      return static_cast<float>(bm.BufferSignal);
    case 15:
      return static_cast<float>(mass ? bm.BufferMb : bm.BufferD);
    case 16:
      return static_cast<float>(bm.BufferS);
    case 17:
      return static_cast<float>(bm.MeniscusDifference);
    case 18:
      return static_cast<float>(bm.ConcentrationRatio);
    case 19:
      return static_cast<float>(mass ? bm.ReferenceMb : bm.ReferenceD);
    case 20:
      return static_cast<float>(bm.ReferenceS);
    default:
      assert(false && "no such floating setting");
      return 0.0f;
  }
}

void SetFloatingSetting(int item, float value) {
  FluorescenceCorrectionsRecord& fl = Fluorescence();
  BufferMismatchSettingsRecord& bm = Buffer();
  const bool mass = FitControl.MassInsteadOfD;
  switch (item) {
    case 1:
      if (FitDriverSettings.ApparentVbarOn) {
        FitDriverSettings.ApparentVbar = value;
      } else {
        SolventConditions.VBAR = value;
        SolventConditions.VbarRho = value * kWaterDensity;
      }
      return;
    case 2:
      fl.ShadowRadius = value;
      return;
    case 3:
      CorrectionOptions.WienerSkewing.Magnitude = value;
      return;
    case 4:
      fl.ExponentialDriftRate = value;
      return;
    case 5:
      fl.LimitingSignal = value;
      return;
    case 6:
      fl.LinearDrift = value;
      return;
    case 7:
      fl.ConvolutionWidth = value;
      return;
    case 8:
      fl.MagnificationGradient = value;
      return;
    case 9:
      fl.NonlinearExponent = value;
      return;
    case 10:
      fl.DepletionS = value;
      return;
    case 11:
      fl.DepletionD = value;
      return;
    case 12:
      fl.DepletionAmplitude = value;
      return;
    case 13:
      fl.DepletionLogKs = value;
      return;
    case 14:
      bm.BufferSignal = value;
      return;
    case 15:
      (mass ? bm.BufferMb : bm.BufferD) = value;
      return;
    case 16:
      bm.BufferS = value;
      return;
    case 17:
      bm.MeniscusDifference = value;
      return;
    case 18:
      bm.ConcentrationRatio = value;
      return;
    case 19:
      (mass ? bm.ReferenceMb : bm.ReferenceD) = value;
      return;
    case 20:
      bm.ReferenceS = value;
      return;
    default:
      assert(false && "no such floating setting");
  }
}

std::vector<int> FloatingItemNumbers() {
  std::vector<int> items;
  for (int item = 1; item <= kSettingItems; ++item)
    if (FloatingSettingOn(item)) items.push_back(item);
  for (int k = 1; k <= ParameterCount; ++k)
    if (ParameterFitted[k]) items.push_back(0);
  return items;
}

std::vector<int> FloatingSlotNumbers() {
  std::vector<int> slots(static_cast<std::size_t>(FloatingSettingCount()), 0);
  for (int k = 1; k <= ParameterCount; ++k)
    if (ParameterFitted[k]) slots.push_back(k);
  return slots;
}

std::vector<float> FloatingValues() {
  const std::vector<int> items = FloatingItemNumbers();
  const std::vector<int> slots = FloatingSlotNumbers();
  std::vector<float> values;
  for (std::size_t k = 0; k < items.size(); ++k)
    values.push_back(items[k] > 0 ? FloatingSettingValue(items[k]) : ParameterVector[slots[k]]);
  return values;
}

namespace {

// The packing clamps: values the optimisers must not start from.
float PackClamp(int item, float value) {
  const bool mass = FitControl.MassInsteadOfD;
  switch (item) {
    case 1:
      return value < 0.0f ? 0.01f : value;
    case 15:
      return !mass && value < 0.01f ? 0.01f : value;
    case 18:
      return value < 0.0001f ? 0.0001f : value;
    case 19:
      return !mass && value < 0.0f ? 0.01f : value;
    default:
      return value;
  }
}

// A buffer D or Mb from a vector: a magnitude within physical limits.
float BufferMassOrD(float value) {
  const float m = std::fabs(value);
  if (FitControl.MassInsteadOfD) return m < 10.0f ? 10.0f : m;
  return std::clamp(m, 0.01f, 1000.0f);
}

}  // namespace

int PackFloating(int capacity, float* vector) {
  const std::vector<int> items = FloatingItemNumbers();
  const std::vector<int> slots = FloatingSlotNumbers();
  const int n = static_cast<int>(items.size());
  for (int pos = 1; pos <= n; ++pos) {
    const std::size_t k = static_cast<std::size_t>(pos - 1);
    float value = ParameterVector[slots[k]];
    if (items[k] > 0) {
      const float raw = FloatingSettingValue(items[k]);
      value = PackClamp(items[k], raw);
      if (value != raw) SetFloatingSetting(items[k], value);
    }
    if (vector != nullptr && pos <= capacity) vector[pos] = value;
  }
  return n;
}

void UnpackFloating(float* vector) {
  const std::vector<int> items = FloatingItemNumbers();
  const std::vector<int> slots = FloatingSlotNumbers();
  const int n = static_cast<int>(items.size());
  for (int pos = 1; pos <= n; ++pos) {
    const std::size_t k = static_cast<std::size_t>(pos - 1);
    float& v = vector[pos];
    switch (items[k]) {
      case 0:
        ParameterVector[slots[k]] = v;
        continue;
      case 1:
      case 3:
      case 4:
      case 5:
        if (v < 0.0f) v = 0.0f;
        SetFloatingSetting(items[k], v);
        continue;
      case 2:
        SetFloatingSetting(2, std::clamp(v, 0.01f, 1.0f));
        continue;
      case 7:
        SetFloatingSetting(7, v < 0.0f ? 0.01f : std::min(v, 1.0f));
        continue;
      case 8:
        SetFloatingSetting(8, std::clamp(v, 0.5f, 2.0f));
        continue;
      case 14:
        SetFloatingSetting(14, std::max(v, 0.0f));
        continue;
      case 15:
      case 19:
        SetFloatingSetting(items[k], BufferMassOrD(v));
        continue;
      case 18:
        SetFloatingSetting(18, v <= 0.0001f ? 0.0001f : v);
        continue;
      default:
        SetFloatingSetting(items[k], v);
    }
  }
  UnpackParameterVector();
}

void ApplyVertex(float* vertex) {
  const std::vector<int> items = FloatingItemNumbers();
  const std::vector<int> slots = FloatingSlotNumbers();
  const int n = static_cast<int>(items.size());
  for (int pos = 1; pos <= n; ++pos) {
    const std::size_t k = static_cast<std::size_t>(pos - 1);
    float& v = vertex[pos];
    const int item = items[k];
    if (item == 0) {
      ParameterVector[slots[k]] = v;
      continue;
    }
    if ((item == 3 || item == 4 || item == 5) && v < 0.0f) v = 0.0f;
    SetFloatingSetting(item, item == 15 || item == 19 ? std::fabs(v) : v);
  }
  UnpackParameterVector();
}

namespace {

// Vertex coordinate of slot k in a fresh simplex, given the first vertex's
// value x and the relative spread r. Absolute spreads let log10 constants,
// the cell ends and the time offset move away from a start at 0.
float SpreadSlot(int k, float x, float current, float r) {
  const FitControlRecord& f = FitControl;
  const ModelKind kind = ModelSelection.Kind;
  auto relative = [&] { return x + GaussianRandom(r * x); };
  auto withAbsolute = [&] { return relative() + GaussianRandom(0.3f * r); };
  const bool sa = kind == ModelKind::SelfAssociation124 || kind == ModelKind::SelfAssociation148;
  if ((k == 3 || k == 7) && sa) return withAbsolute();
  if (k <= 2 && IsAssociationKind(kind)) return std::max(current, 0.0f);
  if (k >= 2 && k <= 4 && kind == ModelKind::CumulantAnalysis) {
    // A cumulant started at 0 is spread on the scale of the mean D's power.
    const float scale = std::pow(std::fabs(ParameterVector[1]), static_cast<float>(k));
    return relative() + GaussianRandom(r * scale);
  }
  if (k <= 4 && !IsAssociationKind(kind))
    return ScanDataSet.EquilibriumDataMode ? current : std::max(current, 0.0f);
  if (k >= 9 && k <= 12)
    return IsNonidealSpeciesKind(kind) ? withAbsolute() : std::max(current, 0.0f);
  if (k >= 16 && k <= 19) return std::max(current, 0.0f);
  if (k == MeniscusSlot)
    return std::clamp(x + GaussianRandom((f.MAXMENISCUS - f.MINMENISCUS) / 3.0f), f.MINMENISCUS,
                      f.MAXMENISCUS);
  if (k == BottomSlot)
    return std::clamp(x + GaussianRandom((f.MAXBOTTOM - f.MINBOTTOM) / 3.0f), f.MINBOTTOM,
                      f.MAXBOTTOM);
  if (k == 15 || k == 22) return withAbsolute();
  if (k == 23 || k == 25 || k == 27 || k == 29 || k == 31 || k == 33)
    return std::max(relative(), 0.0f);
  if (k == 26 || k == 30 || k == 34) return std::clamp(relative(), 0.0f, 1.0f);
  if (k == 24) return x + GaussianRandom(x) + GaussianRandom(100.0f);
  return current;
}

}  // namespace

void InitialSimplex(int n, float** p) {
  const float r = FitDriverSettings.SimplexRandomization;
  for (int j = 2; j <= n + 1; ++j)
    for (int i = 1; i <= n; ++i) p[j][i] = p[1][i] + GaussianRandom(r * p[1][i]);
  // Without a model the vector belongs to another fit: relative spread only.
  const std::vector<int> slots = FloatingSlotNumbers();
  if (static_cast<int>(slots.size()) != n) return;
  for (int pos = 1; pos <= n; ++pos) {
    const int k = slots[static_cast<std::size_t>(pos - 1)];
    if (k == 0) continue;
    for (int j = 2; j <= n + 1; ++j) p[j][pos] = SpreadSlot(k, p[1][pos], p[j][pos], r);
  }
}
