#include "engines/InhomogeneousSolventDialog.h"

#include <cmath>
#include <string>

#include "state/ModelSelection.h"
#include "state/ProgramPaths.h"
#include "state/SolventConditions.h"
#include "state/DistributionSettingsRecords.h"
#include "engines/CosoluteSolver.h"
#include "engines/InhomogeneousSolvent.h"
#include "engines/SolventDialogSupport.h"
#include "models/FitDriver.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "numerics/PhysicalConstants.h"
#include "platform/Window.h"
#include "ui/Boxes.h"

platform::FormState DensgradTransfer;

namespace {

using platform::FormCheckBox;
using platform::FormEdit;
using platform::FormGroupBox;
using platform::FormItem;
using platform::FormRadio;
using platform::FormState;
using solvent_dialogs::Box;
using solvent_dialogs::Format;
using solvent_dialogs::Ticked;
using solvent_dialogs::Value;

enum : int {
  kVbar = 838, kFitVbar = 839, kCompressible = 840, kCompressibility = 841, kDensity = 842,
  kViscosity = 843, kCosoluteMode = 844, kSolvatedVbar = 845, kLoading = 846, kNonideal = 847,
  kDFile = 848, kSFile = 849, kCsCl = 850, kGridSize = 851, kPlot = 852, kSave = 853,
  kDensityFile = 854, kViscosityFile = 855, kWaterCompressibility = 856, kOn = 857,
  kLoadD = 858, kLoadS = 859, kLoadDensity = 860, kLoadViscosity = 861, kSaveFolder = 862,
  kIdeal = 863, kCosoluteS = 864, kCosoluteD = 865,
  // Group boxes.
  kStaticBox = 101, kDynamicBox = 102, kFilesBox = 103,
};
constexpr int kModeRadios = 1, kCosoluteRadios = 2;
constexpr int kPathCapacity = 1000;

constexpr double kStandardViscosity = PhysicalConstantsRecord::STANDARDVISCOSITY;

struct OwnState {
  bool truncationNote = false, cosoluteNote = false, compressibleNote = false;
  float savedVbar = 0.0f, savedSmin = 0.0f;
};
OwnState own;


// The models whose parameter slots hold a grid with vbar in slot 3 and s
// min in slot 1.
bool CsTypeModel() {
  const ModelKind k = ModelSelection.Kind;
  return IsContinuousModel(k) && k != ModelKind::ExtrapolateLsGStar;
}

void FillTransfer(FormState& t) {
  const InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  const SolventConditionsRecord& sc = SolventConditions;
  t.checked[kOn] = InhomogeneousSolventOn;
  t.texts[kVbar] = Format("%.4f", sc.VBAR);
  t.checked[kFitVbar] = FitDriverSettings.VbarFloating;
  // The two modes exclude each other; without the co-solute the solvent is
  // the compressible one, and the dialog shows it so.
  t.checked[kCompressible] = s.CompressibleSolvent || !s.SedimentingCosolute;
  t.texts[kCompressibility] = Format("%.4f", s.SolventCompressibility * 1e4);
  t.texts[kDensity] = Format("%.6f", s.DensityAt1atm);
  // In poise a water-like viscosity (0.01002) needs six decimals: with four
  // it would come back 0.2 % off every time the dialog is confirmed.
  t.texts[kViscosity] = Format("%.6f", s.ViscosityAt1atm * 10.0);
  t.checked[kCosoluteMode] = s.SedimentingCosolute;
  t.texts[kSolvatedVbar] = Format("%.4f", s.SolvatedVbar > 0 ? s.SolvatedVbar : sc.VBAR);
  t.texts[kLoading] = Format("%.3f", s.CosoluteLoading);
  t.checked[kIdeal] = !s.CosoluteNonideal;
  t.texts[kCosoluteS] = Format("%.3f", s.CosoluteS);
  t.texts[kCosoluteD] = Format("%.2f", s.CosoluteD * 1e7);
  t.checked[kNonideal] = s.CosoluteNonideal && !s.CosoluteCsCl;
  t.texts[kDFile] = s.CosoluteDFile;
  t.texts[kSFile] = s.CosoluteSFile;
  t.checked[kCsCl] = s.CosoluteNonideal && s.CosoluteCsCl;
  t.texts[kGridSize] = std::to_string(s.CosoluteGridSize);
  t.checked[kPlot] = s.CosolutePlot;
  t.checked[kSave] = s.CosoluteSave;
  t.texts[kDensityFile] = s.DensityFile;
  t.texts[kViscosityFile] = s.ViscosityFile;
  t.checked[kWaterCompressibility] = s.AddWaterCompressibility;
  for (int id : {kLoadD, kLoadS, kLoadDensity, kLoadViscosity}) t.checked[id] = 0;
  t.texts[kSaveFolder] = ProgramPaths.TempFolder;
}

// A file chosen by the user, or empty.
std::string ChooseDataFile(platform::WindowHandle window, const char* title) {
  platform::FileDialogRequest request;
  request.owner = window;
  request.title = title;
  request.filters = {{"dat files (*.dat*)", {"*.dat*"}}, {"All Files (*.*)", {"*.*"}}};
  request.mustExist = true;
  if (!platform::Current().ShowOpenFileDialog(request) || request.chosen.empty()) return {};
  return request.chosen.front();
}

// A coefficient series read anew from its file; empty when it cannot be
// read, so that the solvent falls back to water.
void LoadSeries(const std::string& path, OneBasedArray<double>& p, int& count) {
  p.Resize(1, 0);
  count = 0;
  ReadSeries(path, p, count);
}

void ChooseCosoluteFiles(platform::WindowHandle window, const FormState& t) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  struct Choice {
    int button;
    const char* title;
    const char* failure;
    std::string* path;
  };
  const Choice series[] = {
      {kLoadD, "Select NONIDEAL D(c) Data File", "Could Not Open New NONIDEAL D(c) Data File",
       &s.CosoluteDFile},
      {kLoadS, "Select NONIDEAL s(c) Data File", "Could Not Open New NONIDEAL s(c) Data File",
       &s.CosoluteSFile},
  };
  for (const Choice& c : series) {
    if (!Ticked(t, c.button)) continue;
    const std::string chosen = ChooseDataFile(window, c.title);
    if (!chosen.empty()) {
      *c.path = chosen;
      continue;
    }
    ErrorBox(c.failure);
    if (!s.CosoluteCsCl) s.CosoluteNonideal = false;
  }
}

void ChooseSolventFiles(platform::WindowHandle window, const FormState& t) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  struct Choice {
    int button;
    const char* title;
    const char* failure;
    std::string* path;
    OneBasedArray<double>* values;
    int* count;
  };
  const Choice files[] = {
      {kLoadDensity, "Select DENSITY(c) Data File", "Could Not Open New DENSITY(c) Data File",
       &s.DensityFile, &s.DensityCoefficients, &s.DensityCoefficientCount},
      {kLoadViscosity, "Select VISCOSITY(c) Data File",
       "Could Not Open New VISCOSITY(c) Data File", &s.ViscosityFile, &s.ViscosityCoefficients,
       &s.ViscosityCoefficientCount},
  };
  for (const Choice& c : files) {
    if (!Ticked(t, c.button)) continue;
    const std::string chosen = ChooseDataFile(window, c.title);
    if (chosen.empty()) {
      ErrorBox(c.failure);
      continue;
    }
    *c.path = chosen;
    LoadSeries(chosen, *c.values, *c.count);
  }
}

void ApplyEntries(platform::WindowHandle window, const FormState& t) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  SolventConditionsRecord& sc = SolventConditions;
  sc.VBAR = static_cast<float>(Value(t, kVbar));
  sc.VbarRho = sc.VBAR * sc.BufferDensity;
  FitDriverSettings.VbarFloating = Ticked(t, kFitVbar);
  s.SedimentingCosolute = s.CosoluteOn = Ticked(t, kCosoluteMode);
  s.CompressibleSolvent = !s.SedimentingCosolute;
  s.SolventCompressibility = Value(t, kCompressibility) * 1e-4;
  s.DensityAt1atm = static_cast<float>(Value(t, kDensity));
  s.ViscosityAt1atm = static_cast<float>(Value(t, kViscosity) * 0.1);
  s.RelativeViscosity = static_cast<float>(s.ViscosityAt1atm / kStandardViscosity);
  s.SolvatedVbar = static_cast<float>(Value(t, kSolvatedVbar));
  s.BuoyancyVbar = s.SedimentingCosolute ? s.SolvatedVbar : sc.VBAR;
  s.CosoluteLoading = Value(t, kLoading);
  s.CosoluteNonideal = !Ticked(t, kIdeal);
  s.CosoluteS = Value(t, kCosoluteS);
  s.CosoluteD = Value(t, kCosoluteD) * 1e-7;
  s.CosoluteCsCl = Ticked(t, kCsCl);
  ChooseCosoluteFiles(window, t);
  s.CosoluteGridSize = static_cast<int>(Value(t, kGridSize));
  s.CosolutePlot = Ticked(t, kPlot);
  s.CosoluteSave = Ticked(t, kSave);
  ChooseSolventFiles(window, t);
  s.AddWaterCompressibility = Ticked(t, kWaterCompressibility) ? 1 : 0;
  if (!s.SedimentingCosolute) return;
  if (s.DensityCoefficientCount < 1)
    LoadSeries(s.DensityFile, s.DensityCoefficients, s.DensityCoefficientCount);
  if (s.ViscosityCoefficientCount < 1)
    LoadSeries(s.ViscosityFile, s.ViscosityCoefficients, s.ViscosityCoefficientCount);
  s.WaterCompressibilityOn = s.AddWaterCompressibility != 0;
  if (s.WaterCompressibilityOn) s.SolventCompressibility = WaterCompressibility;
  const double c0 = s.CosoluteLoading;
  s.RelativeViscosity = static_cast<float>(CosoluteViscosity(c0) / kStandardViscosity);
  s.ViscosityAt1atm = static_cast<float>(kStandardViscosity * s.RelativeViscosity);
  s.DensityAt1atm = static_cast<float>(CosoluteDensity(c0));
}

void SwitchOn(platform::WindowHandle window) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  InhomogeneousSolventOn = true;
  if (CsTypeModel()) {
    ParameterVector[3] = SolventConditions.VBAR;
    own.savedVbar = SolventConditions.VBAR;
    own.savedSmin = ParameterVector[1];
  }
  if (LammSolverSettings.DynamicTruncation && !own.truncationNote) {
    own.truncationNote = true;
    Box(window,
        "make sure Lamm equation option 'dyanmically trucate grid' \nis not used when "
        "macromolecular flotation near meniscus can occur",
        "");
  }
  if (s.SedimentingCosolute && !own.cosoluteNote) {
    own.cosoluteNote = true;
    Box(window,
        "this is only implemented for regular Lamm equation models\nlike discrete "
        "noninteracting species (boundary and analytical zone centrifugation)\nc(s) and c(M) "
        "distributions",
        "Attention");
  } else if (!s.SedimentingCosolute && !own.compressibleNote) {
    own.compressibleNote = true;
    Box(window,
        "this is only implemented for regular Lamm equation models and ls-g*(s)\nlike discrete "
        "noninteracting species (boundary and analytical zone centrifugation)\nc(s) and c(M) "
        "distributions",
        "Attention");
  }
  if (CsTypeModel()) ParameterVector[3] = SolventConditions.VBAR;
  Box(window, "changing s and D (and M) to standard conditions!", "");
  ToStandardConditions();
}

void SwitchOff(platform::WindowHandle window) {
  InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  InhomogeneousSolventOn = false;
  if (s.StandardConditionsApplied) {
    Box(window, "changing s and D (and M) back to experimental conditions!", "");
    ToExperimentalConditions();
  }
  s.DensityCoefficients.Resize(1, 0);
  s.DensityCoefficientCount = 0;
  s.ViscosityCoefficients.Resize(1, 0);
  s.ViscosityCoefficientCount = 0;
  FitDriverSettings.VbarFloating = false;
  if (CsTypeModel()) {
    ParameterVector[3] = own.savedVbar;
    ParameterVector[1] = own.savedSmin;
    DistributionSettings.Smin = own.savedSmin;
  }
}

}  // namespace

void ResetDensgradTransfer(FormState& transfer) {
  transfer = FormState{};
}

void ResetDensgradNotes() {
  own = OwnState{};
}

std::vector<FormItem> DensgradBoxItems() {
  auto path = [](int id, int box, int row, int column, const char* label) {
    FormItem item = FormEdit(id, box, row, column, label, kPathCapacity);
    item.widthChars = 40;
    return item;
  };
  return {
      FormCheckBox(kOn, 0, 0, 0, "Use Inhomogeneous Solvent Model", 2),
      FormEdit(kVbar, 0, 1, 0, "vbar (macromolecule)"),
      FormCheckBox(kFitVbar, 0, 1, 1, "fit vbar (requires strong density gradients)"),
      FormGroupBox(kStaticBox, 0, 2, 0, "Static Gradient", 1, 2),
      FormRadio(kCompressible, kModeRadios, kStaticBox, 0, 0,
                "compressible solvent (static gradient)", 2),
      FormEdit(kCompressibility, kStaticBox, 1, 0, "compressibility [1e-4/MPa]"),
      FormEdit(kDensity, kStaticBox, 2, 0, "buffer density at 1 atm [g/ml]"),
      FormEdit(kViscosity, kStaticBox, 3, 0, "buffer viscosity at 1 atm [Poise]"),
      FormGroupBox(kDynamicBox, 0, 3, 0, "Dynamic Gradient", 1, 2),
      FormRadio(kCosoluteMode, kModeRadios, kDynamicBox, 0, 0,
                "sedimenting cosolute (dynamic gradient)", 2),
      FormEdit(kSolvatedVbar, kDynamicBox, 1, 0, "vbar (macromolecule including solvation)"),
      FormEdit(kLoading, kDynamicBox, 2, 0, "cosolute loading concentration [M]"),
      FormRadio(kIdeal, kCosoluteRadios, kDynamicBox, 3, 0, "ideally sedimenting cosolute", 2),
      FormEdit(kCosoluteS, kDynamicBox, 4, 0, "apparent s [S]"),
      FormEdit(kCosoluteD, kDynamicBox, 5, 0, "apparent D [1e-7 cm^2/sec]"),
      FormRadio(kNonideal, kCosoluteRadios, kDynamicBox, 6, 0, "nonideal cosolute", 2),
      path(kDFile, kDynamicBox, 7, 0, "NONIDEAL D(c)"),
      FormCheckBox(kLoadD, kDynamicBox, 7, 1, "Load New Nonideal D(c) File"),
      path(kSFile, kDynamicBox, 8, 0, "NONIDEAL s(c)"),
      FormCheckBox(kLoadS, kDynamicBox, 8, 1, "Load New Nonideal s(c) File"),
      FormRadio(kCsCl, kCosoluteRadios, kDynamicBox, 9, 0,
                "CsCl at 25 degrees Celsius (published s(c) and D(c) of CsCl)", 2),
      FormEdit(kGridSize, kDynamicBox, 10, 0, "radial grid size"),
      FormCheckBox(kPlot, kDynamicBox, 11, 0, "plot cosolute data"),
      FormCheckBox(kSave, kDynamicBox, 12, 0, "save cosolute data in "),
      path(kSaveFolder, kDynamicBox, 12, 1, ""),
      FormGroupBox(kFilesBox, 0, 4, 0, "Solvent", 1, 2),
      path(kDensityFile, kFilesBox, 0, 0, "density(c) coefficients [g/ml], (c in [M])"),
      FormCheckBox(kLoadDensity, kFilesBox, 0, 1, "Load New DENSITY(c) File"),
      path(kViscosityFile, kFilesBox, 1, 0, "viscosity(c) coefficients [Poise], (c in [M])"),
      FormCheckBox(kLoadViscosity, kFilesBox, 1, 1, "Load New VISCOSITY(c) File"),
      FormCheckBox(kWaterCompressibility, kFilesBox, 2, 0, "add H2O compressibility"),
  };
}

platform::FormRefusal DensgradBoxCheck(const FormState& state) {
  if (!Ticked(state, kOn)) return {};
  platform::FormRefusal refusal;
  for (int id : {kVbar, kDensity, kViscosity, kSolvatedVbar, kLoading, kCosoluteS, kCosoluteD,
                 kGridSize})
    if (!IsNonNegativeNumber(state.Text(id).c_str())) {
      refusal.refused = true;
      refusal.focusId = id;
      return refusal;
    }
  if (!IsNumber(state.Text(kCompressibility).c_str())) {
    refusal.refused = true;
    refusal.focusId = kCompressibility;
    return refusal;
  }
  // The co-solute's finite elements and the macromolecule's interpolation
  // of its profile need a few points.
  if (static_cast<int>(Value(state, kGridSize)) < MinimumCosoluteGridSize)
    return platform::RefuseWith(
        "the cosolute radial grid size must be at least " +
            std::to_string(MinimumCosoluteGridSize),
        "Input Error", kGridSize);
  return {};
}

bool SetInhomogeneousSolvent(platform::WindowHandle window) {
  const bool wasOn = InhomogeneousSolventOn;
  InhomogeneousSolventSettings.LinearSolventGradient = false;
  FillTransfer(DensgradTransfer);
  platform::FormRequest request;
  request.owner = window;
  request.caption = "Inhomogeneous Solvent Parameters";
  request.items = DensgradBoxItems();
  request.state = DensgradTransfer;
  request.check = DensgradBoxCheck;
  if (!platform::ShowForm(request)) return InhomogeneousSolventOn;
  DensgradTransfer = request.state;
  ApplyEntries(window, DensgradTransfer);
  const bool on = Ticked(DensgradTransfer, kOn);
  if (on && !wasOn) SwitchOn(window);
  if (!on && wasOn) SwitchOff(window);
  return InhomogeneousSolventOn;
}
