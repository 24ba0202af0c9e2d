#include "app/options/FittingOptionCommands.h"

#include <string>

#include "app/commands/CommandTable.h"
#include "app/datacmds/SaveDialogs.h"
#include "app/loading/LoadingSupport.h"
#include "app/options/OptionBoxes.h"
#include "app/records/ModelSelection.h"
#include "app/window/TXLAWindow.h"
#include "data/records/SolventConditions.h"
#include "models/ErrorProjections.h"
#include "models/FitDriver.h"
#include "models/records/FitControl.h"
#include "models/records/ModelParameters.h"
#include "models/records/ParameterVector.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

namespace {

constexpr int kFitT0Item = 255;
constexpr int kTimeOffsetItem = 256;
constexpr int kTimeOffsetSlot = 24;
constexpr int kVbarSlot = 3;
constexpr int kDensitySlot = 7;
constexpr int kAssociationSlot = 3;

bool Ask(TXLAWindow& window, float& value, float start, const char* prompt, const char* caption) {
  return InputFloatIn(window.Handle(), value, start, true, prompt, caption);
}

// min, max and step of one axis of a contour map; false on cancel or a step
// that does not lead from min to max.
bool AskAxis(TXLAWindow& window, const char* caption, const char* minText, const char* maxText,
             const char* stepText, float start, float stepFraction, float& min, float& max,
             float& step) {
  if (!Ask(window, min, start, minText, caption)) return false;
  if (!Ask(window, max, start, maxText, caption)) return false;
  if (!Ask(window, step, stepFraction * (max - min), stepText, caption)) return false;
  return StepLeadsThrough(min, max, step);
}

bool AskContourPath(TXLAWindow& window, const std::string& name, std::string& path) {
  path = InDataFolder(name);
  return ChooseSavePath(window, path, "save generated data as");
}

void SetTimeOffsetFitted(TXLAWindow& window, bool on) {
  ModelParameters.TimeOffsetFitted = on;
  ParameterFitted[kTimeOffsetSlot] = on ? 1 : 0;
  window.CheckMenuItem(kFitT0Item, on);
}

}  // namespace

bool StepLeadsThrough(float min, float max, float step) {
  if (max > min) return step > 0.0f;
  if (max < min) return step < 0.0f;
  return step != 0.0f;
}

void CmSetVRho(TXLAWindow& window) {
  DialogBusyScope busy(window);
  auto& s = SolventConditions;
  const auto h = window.Handle();
  if (InhomogeneousSolventOn) {
    ShowOkBox(window,
              "note: vbar at standard conditions and apparent vbar will be different \n(due to "
              "different chemical composition of solvent, causing hydration or preferential "
              "solvation)",
              "INHOMOGENEOUS SOLVENT");
    if (!InputFloatIn(h, s.VBAR, s.VBAR, true, "vbar (sequence) = ", "")) return;
    auto& apparent = FitDriverSettings.ApparentVbar;
    if (!InputFloatIn(h, apparent, apparent, true, "apparent vbar = ", "")) return;
    // The solvent model gives the densities: the buffer stays as it is.
    PlayErrorSound();
    ShowOkBox(window,
              "buffer conditions cannot be changed - if this is necessary switch off "
              "inhomogeneous solvent",
              "Error");
  } else {
    if (!InputFloatIn(h, s.VBAR, s.VBAR, true, "partial spec. volume = ", "")) return;
    if (!InputFloatIn(h, s.VBAR20, s.VBAR20, true, "partial spec. volume at 20C = ", "")) return;
    if (!InputFloatIn(h, s.BufferDensity, s.BufferDensity, true, "buffer density = ", "")) return;
  }
  s.VbarRho = s.VBAR * s.BufferDensity;
  const ModelKind kind = ModelSelection.Kind;
  if (IsContinuousModel(kind) && kind != ModelKind::ExtrapolateLsGStar) {
    if (kind != ModelKind::CSFixFf0FloatingVbar && kind != ModelKind::CSWormlikeChain)
      ParameterVector[kVbarSlot] = s.VBAR;
    if (!InhomogeneousSolventOn) ParameterVector[kDensitySlot] = s.BufferDensity;
  }
  FitDriverSettings.VbarFloating =
      InhomogeneousSolventOn &&
      AskYesNoBox(window, "fit for partial specific volume of macromolecule?", "INHOMOGENEOUS SOLVENT");
}

void CmFitT0OfSedimentation(TXLAWindow& window) {
  if (ModelParameters.TimeOffsetFitted) {
    SetTimeOffsetFitted(window, false);
    return;
  }
  if (!ModelParameters.TimeOffsetOn) CmSedimentationTimeOffset(window);
  SetTimeOffsetFitted(window, true);
}

void CmSedimentationTimeOffset(TXLAWindow& window) {
  auto& p = ModelParameters;
  if (p.TimeOffsetOn) {
    p.TimeOffsetOn = false;
    window.CheckMenuItem(kTimeOffsetItem, false);
    SetTimeOffsetFitted(window, false);
  } else {
    p.TimeOffsetOn = true;
    window.CheckMenuItem(kTimeOffsetItem, true);
  }
  DialogBusyScope busy(window);
  float offset = p.TimeOffset;
  if (InputFloatIn(window.Handle(), offset, offset, true, "offset by (sec)",
                   "SET SIMULATION START TIME")) {
    p.TimeOffset = offset;
    ParameterVector[kTimeOffsetSlot] = offset;
  }
}

void CmSimplexSettings(TXLAWindow& window) {
  DialogBusyScope busy(window);
  float tolerance = FitControl.FitCycleTolerance;
  if (!InputFloatIn(window.Handle(), tolerance, tolerance, true, "maximum relativ change < ", ""))
    return;
  FitControl.FitCycleTolerance = tolerance;
  float spread = FitDriverSettings.SimplexRandomization;
  if (InputFloatIn(window.Handle(), spread, spread, true, "%initial randomization in simplex", ""))
    FitDriverSettings.SimplexRandomization = spread;
}

void CmSMContour(TXLAWindow& window) {
  DialogBusyScope busy(window);
  const auto& p = ModelParameters;
  float sMin = 0, sMax = 0, sStep = 0, mMin = 0, mMax = 0, mStep = 0;
  if (!AskAxis(window, "s and M Contour", "minimum s", "maximum s", "s increment",
               p.SedCoefficient[1], 0.2f, sMin, sMax, sStep))
    return;
  if (!AskAxis(window, "s and M Contour", "minimum M", "maximum M", "M increment", p.MassOrD[1],
               0.2f, mMin, mMax, mStep))
    return;
  float level = 0.01f, xStart = sMin, yStart = mMin;
  if (!Ask(window, level, 0.01f, "rmsd contour level (0 for all)", "s and M Contour")) return;
  if (!Ask(window, xStart, sMin, "starting s1", "s1 and M Contour")) return;
  if (!Ask(window, yStart, mMin, "starting s2", "s1 and M Contour")) return;
  std::string path;
  if (!AskContourPath(window, "contour.dat", path)) return;
  loading::WaitCursor wait(window);
  ContourMapSM(window.Handle(), path, sMin, sMax, sStep, mMin, mMax, mStep, level, xStart, yStart);
}

void CmS1S2Contour(TXLAWindow& window) {
  DialogBusyScope busy(window);
  const auto& p = ModelParameters;
  const char* caption = "s1,s2 Contour";
  float aMin = 0, aMax = 0, aStep = 0, bMin = 0, bMax = 0, bStep = 0;
  if (!AskAxis(window, caption, "minimum s1", "maximum s1", "s1 increment", p.SedCoefficient[1],
               0.2f, aMin, aMax, aStep))
    return;
  if (!AskAxis(window, caption, "minimum s2", "maximum s2", "s2 increment", p.SedCoefficient[2],
               0.2f, bMin, bMax, bStep))
    return;
  float level = 0.01f, xStart = aMin, yStart = bMin;
  if (!Ask(window, level, 0.01f, "rmsd contour level (0 for all)", caption)) return;
  if (!Ask(window, xStart, aMin, "starting s1", caption)) return;
  if (!Ask(window, yStart, bMin, "starting s2", caption)) return;
  std::string path;
  if (!AskContourPath(window, "contour.dat", path)) return;
  loading::WaitCursor wait(window);
  ContourMapS1S2(window.Handle(), path, aMin, aMax, aStep, bMin, bMax, bStep, level, xStart,
                 yStart);
}

void CmKContour(TXLAWindow& window) {
  const ModelKind kind = ModelSelection.Kind;
  if (kind != ModelKind::MonomerDimer && kind != ModelKind::MonomerTrimer) return;
  DialogBusyScope busy(window);
  float min = 0, max = 0, step = 0;
  if (!AskAxis(window, "K Contour", "minimum lg(K)", "maximum lg(K)", "lg(K) increment",
               ParameterVector[kAssociationSlot], 0.1f, min, max, step))
    return;
  std::string path;
  if (!AskContourPath(window, "Kcontour.dat", path)) return;
  loading::WaitCursor wait(window);
  ContourMapK(window.Handle(), path, min, max, step);
}

void RegisterFittingOptionCommands(CommandTable& table) {
  AddCatalogued(table, 218, &CmSetVRho);
  AddCatalogued(table, 255, &CmFitT0OfSedimentation);
  AddCatalogued(table, 256, &CmSedimentationTimeOffset);
  AddCatalogued(table, 224, &CmSimplexSettings);
  AddCatalogued(table, 241, &CmSMContour);
  AddCatalogued(table, 244, &CmS1S2Contour);
  AddCatalogued(table, 245, &CmKContour);
}
