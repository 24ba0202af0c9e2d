#include "app/commands/DistributionCommands.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/options/OptionBoxes.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "app/window/TXLAWindow.h"
#include "data/DataSetLinks.h"
#include "state/SolventConditions.h"
#include "distributions/ContiGrid.h"
#include "distributions/StoredDistribution.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "state/DistributionShown.h"
#include "state/ModelParameters.h"
#include "platform/Window.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

DistributionCommandLinksRecord DistributionCommandLinks;
int TimeDependentScansPerSet = 4;

namespace {

constexpr const char* kS20Failure = "could not calculate s20 from sapp in distribution";
constexpr const char* kRhFailure = "could not calculate Rh from s20 in distribution";

int GridSize() {
  return DistributionSettings.DistGridSize;
}

// The abscissae the distribution is shown against: molar masses for the
// c(M) family and the diffusion axis of DLS I(D), else the s (or Stokes
// radius) grid.
const std::vector<float>& DistributionAxis() {
  const ModelKind kind = ModelSelection.Kind;
  const auto& r = DistributionResult;
  const bool onM = DlsDataMode ? kind == ModelKind::DlsID : IsMolarMassGridModel(kind);
  return onM ? r.DistMGrid : r.DistSGrid;
}

// A computed distribution is there to be transformed or saved.
bool DistributionExists() {
  const int n = GridSize();
  const auto needed = static_cast<std::size_t>(n) + 1;
  return DistributionShown && n >= 1 && DistributionResult.DistValues.size() >= needed &&
         DistributionResult.DistSGrid.size() >= needed && DistributionAxis().size() >= needed;
}

void Repaint(TXLAWindow& window) {
  if (RepaintMainWindow) RepaintMainWindow(window.Handle());
}

// Steps shared by both transforms: onto the s20,w axis. True when the
// distribution was transformed; a declined or failed transform leaves the
// distribution as it was and unmarked.
bool TransformToS20w(TXLAWindow& window) {
  if (DistributionTransformed()) {
    ShowStopBox(window, "distribution is already transformed - need to recalculate first");
    return false;
  }
  if (DistributionCommandLinks.HideIntegrateButton) DistributionCommandLinks.HideIntegrateButton();
  if (!DistributionExists()) {
    ShowStopBox(window, kS20Failure);
    return false;
  }
  if (!AskYesNoBox(window, "transform s to s20?", "")) return false;

  SolventConditionsRecord& solvent = SolventConditions;
  const char* caption = "Transform s to Rh Distribution";
  float vbar20 = 0.0f, vbar = 0.0f, density = 0.0f, viscosity = 0.0f;
  if (!EnterNumberBox(window, vbar20, solvent.VBAR20, "enter partial specific volume [ml/g] at 20C",
                      caption) ||
      !EnterNumberBox(window, vbar, solvent.VBAR,
                      "enter partial specific volume [ml/g] in experiment", caption) ||
      !EnterNumberBox(window, density, 1.0f, "enter buffer density [g/ml] in experiment",
                      caption) ||
      !EnterNumberBox(window, viscosity, 0.01002f * solvent.RELVISCOSITY,
                      "enter absolute viscosity (Poise) in experiment",
                      "CALCULATE FRICTIONAL AND AXIAL RATIOS"))
    return false;

  solvent.VBAR20 = vbar20;
  // Poise to Pa s.
  if (!DistributionToS20w(vbar, vbar20, viscosity * 0.1f, density)) {
    ShowStopBox(window, kS20Failure);
    return false;
  }
  DistributionResult.DistAxisTransformed = true;
  Repaint(window);
  return true;
}

std::string ChooseFile(TXLAWindow& window, bool save, const char* title, const char* fileName) {
  platform::FileDialogRequest request;
  request.owner = window.Handle();
  request.title = title;
  request.fileName = fileName;
  request.defaultExtension = "dat";
  request.filters = {{"Data Files (*.dat)", {"*.dat"}}, {"All Files (*.*)", {"*.*"}}};
  request.mustExist = !save;
  const bool wasBusy = window.DialogBusy;
  window.DialogBusy = true;
  platform::Backend& ui = platform::Current();
  const bool chosen = save ? ui.ShowSaveFileDialog(request) : ui.ShowOpenFileDialog(request);
  window.DialogBusy = wasBusy;
  return chosen && !request.chosen.empty() ? request.chosen.front() : std::string();
}

}  // namespace

bool DistributionTransformed() {
  return DistributionResult.DistAxisTransformed;
}

void CmTransformToS20wDistribution(TXLAWindow& window) {
  TransformToS20w(window);
}

void CmTransformSDistributionToRDistribution(TXLAWindow& window) {
  if (!TransformToS20w(window)) return;
  if (!AskYesNoBox(window, "transform s20 to Stokes-Radius?", "")) return;
  if (!DistributionToRh(SolventConditions.VBAR20)) {
    ShowStopBox(window, kRhFailure);
    return;
  }
  Repaint(window);
  if (!AskYesNoBox(window, "correct distribution c(R) for a size-dependent signal a(R)?", ""))
    return;
  const std::string path =
      ChooseFile(window, false, "open power series for a(R)", "MieScatCoeffs.dat");
  if (path.empty()) return;
  if (!DivideDistributionByPolynomial(path)) {
    ShowStopBox(window, kRhFailure);
    return;
  }
  Repaint(window);
}

bool WriteDistributionCurve(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "w"), &std::fclose);
  if (!file) {
    ErrorBox("\n\aAttention: could not open " + path);
    return false;
  }
  const std::vector<float>& x = DistributionAxis();
  const std::vector<float>& y = DistributionResult.DistValues;
  for (int i = 1; i <= GridSize(); ++i) {
    std::fprintf(file.get(), "%e ", static_cast<double>(x[static_cast<std::size_t>(i)]));
    std::fprintf(file.get(), "%e\n", static_cast<double>(y[static_cast<std::size_t>(i)]));
  }
  const bool written = std::fflush(file.get()) == 0 && !std::ferror(file.get());
  if (!written) ErrorBox("\n\aAttention: could not open " + path);
  return written;
}

void CmSaveContinuousDistribution(TXLAWindow& window) {
  const ModelKind kind = ModelSelection.Kind;
  if (!(IsContinuousModel(kind) || IsVanHoldeWeischetFamily(kind)) || !DistributionExists()) return;
  const std::string path = ChooseFile(window, true, "save mass distribution as", "newdat.dat");
  if (path.empty()) return;
  const bool twoDimensional = kind == ModelKind::CSFf0 || kind == ModelKind::CSFf0OneDiscrete;
  if (twoDimensional && DistributionCommandLinks.WriteDistribution2D &&
      AskYesNoBox(window, "2d distributions?", "")) {
    DistributionCommandLinks.WriteDistribution2D(path);
    return;
  }
  WriteDistributionCurve(path);
}

void CmFitTimeDependentSM(TXLAWindow& window) {
  const char* caption = "FIT TIME DEPENDENT s,M";
  if (!ModelParameters.InitialConcentrationExperimental) {
    ShowOkBox(window,
              "please switch to experimental initial  condition (in parameter box) and load "
              "initial scan",
              "time dependence analysis");
    return;
  }
  const auto& links = DistributionCommandLinks;
  if (!links.FitTimeDependentSMMoving || !links.FitTimeDependentSMIncreasing) {
    ErrorBox(
        "\"Fit Time Dependent s,M (e.g. in Archibald analysis)\" is not available in this "
        "version.");
    return;
  }
  float entered = 0.0f;
  if (EnterNumberBox(window, entered, static_cast<float>(TimeDependentScansPerSet),
                     "enter number of scans per set", caption))
    TimeDependentScansPerSet = static_cast<int>(std::trunc(entered));
  if (AskYesNoBox(window, "moving average (scans 1-4, 2-5, 3-6,...)", caption)) {
    links.FitTimeDependentSMMoving(window.Handle(), TimeDependentScansPerSet);
  } else if (AskYesNoBox(window, "increasing set (scans 1-4, 1-5, 1-6,...)", caption)) {
    links.FitTimeDependentSMIncreasing(window.Handle(), TimeDependentScansPerSet);
  } else {
    return;
  }
  // The plot goes to the clipboard as a picture of 130 x 90 mm.
  if (links.RenderTimeDependentPlot) {
    const platform::Metafile picture = links.RenderTimeDependentPlot();
    if (!picture.IsNull()) platform::Current().SetClipboardPicture(picture, 13000, 9000);
  }
  if (links.FreeTimeDependentFitData) links.FreeTimeDependentFitData();
  if (RunModel) RunModel(window.Handle());
}
