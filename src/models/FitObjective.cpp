#include "models/FitObjective.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "app/records/LoadOptions.h"
#include "app/records/ModelSelection.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "models/FitDriver.h"
#include "models/GlobalLammState.h"
#include "models/LevenbergMarquardt.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "models/SimulationArrays.h"
#include "models/records/ComputationAbort.h"
#include "models/records/FitControl.h"
#include "models/records/ModelParameters.h"
#include "models/records/ParameterVector.h"
#include "ui/Boxes.h"

namespace {

void Log(platform::WindowHandle window, const char* text) {
  if (DebugLog) DebugLog(window, text);
}

bool LogConstantsInSlots9To12(ModelKind kind) {
  return kind == ModelKind::NonidealSingleSpecies || kind == ModelKind::HinderedSingleSpecies ||
         kind == ModelKind::NonidealMultipleSpecies;
}

// Slots 1-4: masses, D or amplitudes that only make sense when positive;
// the association models keep their log10 constant in slot 3.
float ClampMassSlot(int slot, float value) {
  const ModelKind kind = ModelSelection.Kind;
  switch (kind) {
    case ModelKind::NonInteractingSpecies:
    case ModelKind::LinearLammSpecies:
    case ModelKind::ExternalLoadingCellSpecies:
    case ModelKind::Geometry282Species:
    case ModelKind::ElectrophoresisSpecies:
    case ModelKind::ZoneIndependentSpecies:
    case ModelKind::DiscreteStokesRadii:
    case ModelKind::CumulantAnalysis:
      return ScanDataSet.EquilibriumDataMode ? value : std::max(value, 0.0f);
    case ModelKind::MonomerDimer:
    case ModelKind::MonomerTrimer:
    case ModelKind::SelfAssociation148:
    case ModelKind::SelfAssociation124:
      return slot == 3 ? value : std::max(value, 0.0f);
    default:
      return value;
  }
}

float ClampSlot(int slot, float value) {
  const FitControlRecord& f = FitControl;
  if (slot <= 4) return ClampMassSlot(slot, value);
  if (slot <= 8) return value;
  if (slot <= 12)
    return LogConstantsInSlots9To12(ModelSelection.Kind) ? value : std::max(value, 0.0f);
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
  const float r = ScanRmsd();
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
