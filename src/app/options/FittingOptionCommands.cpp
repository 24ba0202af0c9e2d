#include "app/options/FittingOptionCommands.h"

#include <string>

#include "app/commands/CommandTable.h"
#include "app/datacmds/SaveDialogs.h"
#include "app/loading/LoadingSupport.h"
#include "app/options/OptionBoxes.h"
#include "state/ModelSelection.h"
#include "app/viewcmds/FileNameDialogs.h"
#include "app/viewcmds/ViewCommands.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "distributions/GStarBoundaryModel.h"
#include "models/ErrorProjections.h"
#include "models/FitDriver.h"
#include "models/GlobalLammState.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"
#include "numerics/MatrixFiles.h"

namespace {

constexpr int kFitT0Item = 255;
constexpr int kTimeOffsetItem = 256;
constexpr int kTimeOffsetSlot = 24;
constexpr int kVbarSlot = 3;
constexpr int kDensitySlot = 7;

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

// Lets the simulations run on past the last scan to equilibrium; that
// profile becomes the last scan's model (saved by command 225).
void CmToggleSolverVariant(TXLAWindow& window) {
  LammSolverSettingsRecord& l = LammSolverSettings;
  l.SimulatePastLastScan = !l.SimulatePastLastScan;
  window.CheckMenuItem(223, l.SimulatePastLastScan);
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

void CmGStarToDirectBoundaryModel(TXLAWindow& window) {
  if (ScanDataSet.NFILES < 1) return;
  {
    DialogBusyScope busy(window);
    ShowOkBox(window,
              "1) calculate g(s*) by dcdt (uncorrected s)\n2) write graph data to disk as ASCII "
              "(with error estimates)",
              "Make direct boundary model from g(s*)", platform::BoxIcon::None);
    std::string path;
    if (!ChooseOpenFileName(window, path, 260, "select g*(s) ASCII file from dcdt analysis"))
      return;
    constexpr int kColumns = 6;
    int rows = 0;
    float** columns = ReadColumnsFile(path, kColumns, rows);
    if (columns == nullptr) return;
    GStarToBoundaryModel(window.Handle(), columns, kColumns, rows);
    free_matrix(columns, 1, kColumns, 1, rows);
  }
  SpeciesSignals.ModelCurvesValid = true;
  CmDataRange(window);
  if (FitDisplayLinks.FitResultText) FitDisplayLinks.FitResultText(window.Handle());
}

void RegisterFittingOptionCommands(CommandTable& table) {
  AddCatalogued(table, 223, &CmToggleSolverVariant);
  AddCatalogued(table, 218, &CmSetVRho);
  AddCatalogued(table, 255, &CmFitT0OfSedimentation);
  AddCatalogued(table, 256, &CmSedimentationTimeOffset);
  AddCatalogued(table, 224, &CmSimplexSettings);
  AddCatalogued(table, 533, &CmGStarToDirectBoundaryModel);
}
