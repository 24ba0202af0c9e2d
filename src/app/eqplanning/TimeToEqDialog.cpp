#include "app/eqplanning/TimeToEqDialog.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "state/ProgramPaths.h"
#include "app/viewcmds/FileNameDialogs.h"
#include "app/window/TXLAWindow.h"
#include "data/FilePathParts.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "equilibrium/ApproachToEqSim.h"
#include "equilibrium/TimeToEqParameters.h"
#include "numerics/PhysicalConstants.h"
#include "ui/Boxes.h"

platform::FormState TimeToEqTransfer;

namespace {

using platform::FormCheckBox;
using platform::FormEdit;
using platform::FormGroupBox;
using platform::FormItem;
using platform::FormLabel;
using platform::FormRadio;
using platform::FormState;

enum : int {
  kBottom = 628, kMeniscus = 627, kRightLimit = 616, kInitialStep = 407, kInitialEqRpm = 612,
  kFinalRpm = 639, kHistoryDuration = 421, kTemperature = 629, kDensity = 834, kViscosity = 835,
  kInitialEqRadio = 832, kS1 = 412, kM1 = 428, kVbar1 = 426, kFF01 = 413, kUseS1 = 621,
  kUseFF01 = 620, kSecondSpecies = 615, kFraction = 406, kS2 = 405, kM2 = 414, kVbar2 = 420,
  kFF02 = 427, kUseS2 = 624, kUseFF02 = 625, kMaxOverconc = 614, kEpsilon = 617,
  kOverspeedHours = 643, kParameterCount = 619, kExponential = 626, kRepeats = 618,
  kHistoryRadio = 924, kSaveScans = 623, kSaveEqu = 833, kRunSpeedFile = 640,
  // Group boxes.
  kRunBox = 901, kColumnBox = 902, kCriteriaBox = 903, kOptimizationBox = 904,
  kSedimentationBox = 905, kSolventBox = 906,
};

constexpr int kStartRadios = 1, kSpecies1Radios = 2, kSpecies2Radios = 3;

// The s fields may be negative (flotation); every other number is not.
const std::vector<int> kSignedFields = {kS1, kS2};
const std::vector<int> kNumberFields = {
    kBottom, kMeniscus, kRightLimit, kInitialStep, kInitialEqRpm, kFinalRpm, kHistoryDuration,
    kTemperature, kDensity, kViscosity, kS1, kM1, kVbar1, kFF01, kFraction, kS2, kM2, kVbar2,
    kFF02, kMaxOverconc, kEpsilon, kOverspeedHours, kParameterCount, kRepeats};

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

float Value(const FormState& s, int id) {
  return static_cast<float>(std::strtod(s.Text(id).c_str(), nullptr));
}
bool Ticked(const FormState& s, int id) { return s.Checked(id) != 0; }

std::vector<FormItem> DialogItems() {
  std::vector<FormItem> items = {
      FormGroupBox(kColumnBox, 0, 0, 0, "Solution Column"),
      FormEdit(kBottom, kColumnBox, 0, 0, "bottom (cm)"),
      FormEdit(kMeniscus, kColumnBox, 1, 0, "meniscus (cm) or volume (ul) (12 mm CP)"),
      FormEdit(kRightLimit, kColumnBox, 2, 0, "consider up to right fitting limit at (cm)"),
      FormEdit(kInitialStep, kColumnBox, 3, 0, "initial step (cm) "),
      FormLabel(kColumnBox, 4, 0, "or 0 for uniform loading"),

      FormGroupBox(kRunBox, 0, 0, 1, "Run Parameters"),
      FormEdit(kFinalRpm, kRunBox, 0, 0, "final EQ (rpm)"),
      FormEdit(kTemperature, kRunBox, 1, 0, "temperature (C)"),
      FormRadio(kInitialEqRadio, kStartRadios, kRunBox, 2, 0, "iniital EQ at (rpm)"),
      FormEdit(kInitialEqRpm, kRunBox, 2, 1),
      FormRadio(kHistoryRadio, kStartRadios, kRunBox, 3, 0, "continue current rpm(t) history"),
      FormEdit(kHistoryDuration, kRunBox, 3, 1, "up to [sec]"),

      FormGroupBox(kSolventBox, 0, 1, 0, "Solvent"),
      FormEdit(kDensity, kSolventBox, 0, 0, "density (g/ml)"),
      FormEdit(kViscosity, kSolventBox, 1, 0, "viscosity (cP)"),

      FormGroupBox(kCriteriaBox, 0, 1, 1, "EQ Criteria"),
      FormEdit(kMaxOverconc, kCriteriaBox, 0, 0, "max overconc at bottom"),
      FormEdit(kEpsilon, kCriteriaBox, 1, 0, "target rmsd/loading signal"),

      FormGroupBox(kSedimentationBox, 0, 2, 0, "Sedimentation Parameters", 1, 2),
      FormRadio(kUseS1, kSpecies1Radios, kSedimentationBox, 0, 0, "use s[20w] (S)"),
      FormEdit(kS1, kSedimentationBox, 0, 1),
      FormEdit(kM1, kSedimentationBox, 0, 2, "molar mass (Da)"),
      FormEdit(kVbar1, kSedimentationBox, 0, 3, "vbar (ml/g)"),
      FormRadio(kUseFF01, kSpecies1Radios, kSedimentationBox, 1, 0, "use ff0"),
      FormEdit(kFF01, kSedimentationBox, 1, 1),
      FormCheckBox(kSecondSpecies, kSedimentationBox, 2, 0, "with 2nd species, fraction"),
      FormEdit(kFraction, kSedimentationBox, 2, 1),
      FormRadio(kUseS2, kSpecies2Radios, kSedimentationBox, 3, 0, "use s2[20w] (S)"),
      FormEdit(kS2, kSedimentationBox, 3, 1),
      FormEdit(kM2, kSedimentationBox, 3, 2, "molar mass (Da)"),
      FormEdit(kVbar2, kSedimentationBox, 3, 3, "vbar (ml/g)"),
      FormRadio(kUseFF02, kSpecies2Radios, kSedimentationBox, 4, 0, "use ff02"),
      FormEdit(kFF02, kSedimentationBox, 4, 1),

      FormGroupBox(kOptimizationBox, 0, 3, 0, "Optimization Parameters", 1, 2),
      FormEdit(kOverspeedHours, kOptimizationBox, 0, 0, "overspeed time (h)"),
      FormEdit(kParameterCount, kOptimizationBox, 0, 1, "# of parameters"),
      FormCheckBox(kExponential, kOptimizationBox, 1, 0, "exponential parameterization"),
      FormEdit(kRepeats, kOptimizationBox, 1, 1, "# of repeats"),
      FormCheckBox(kSaveScans, kOptimizationBox, 2, 0, "save scan files for best prediction"),
      FormCheckBox(kSaveEqu, kOptimizationBox, 2, 1, "save in RAZ EQ Methods format"),
      FormCheckBox(kRunSpeedFile, kOptimizationBox, 3, 0, "just run a rotor speed params file"),
  };
  for (FormItem& item : items)
    if (item.id == kVbar2) item.readOnly = true;  // species 2 shares vbar with species 1
  return items;
}

using Record = TimeToEqParametersRecord;

// The fields shown as they are kept, with the format they are shown in.
struct NumberField {
  int id;
  float Record::*value;
  const char* format;
};
const NumberField kPlainNumbers[] = {
    {kBottom, &Record::ColumnBottom, "%.3f"},
    {kRightLimit, &Record::RightFitLimit, "%.3f"},
    {kInitialStep, &Record::InitialStep, "%.3f"},
    {kFinalRpm, &Record::FinalRpm, "%.0f"},
    {kHistoryDuration, &Record::HistoryDuration, "%.0f"},
    {kTemperature, &Record::TemperatureC, "%.0f"},
    {kDensity, &Record::SolventDensity, "%.6f"},
    {kS1, &Record::Species1S, "%.3f"},
    {kM1, &Record::Species1M, "%.0f"},
    {kVbar1, &Record::Vbar1, "%.3f"},
    {kFF01, &Record::Species1FF0, "%.2f"},
    {kFraction, &Record::Species2Fraction, "%.2f"},
    {kS2, &Record::Species2S, "%.3f"},
    {kM2, &Record::Species2M, "%.0f"},
    {kVbar2, &Record::Vbar2, "%.3f"},
    {kFF02, &Record::Species2FF0, "%.2f"},
    {kMaxOverconc, &Record::MaxOverconcentration, "%.2f"},
    {kEpsilon, &Record::Epsilon, "%.4f"},
};

struct SwitchField {
  int id;
  bool Record::*value;
};
const SwitchField kPlainSwitches[] = {
    {kSecondSpecies, &Record::SecondSpecies},
    {kExponential, &Record::ExponentialParameterization},
    {kSaveScans, &Record::SaveScanFiles},
    {kSaveEqu, &Record::SaveEquFormat},
    {kRunSpeedFile, &Record::RunSpeedFile},
};

void FillState(FormState& s) {
  const TimeToEqParametersRecord& p = TimeToEqParameters;
  s = FormState();
  for (const NumberField& f : kPlainNumbers) s.texts[f.id] = Format(f.format, p.*(f.value));
  for (const SwitchField& f : kPlainSwitches) s.checked[f.id] = p.*(f.value) ? 1 : 0;
  s.texts[kMeniscus] = Format("%.3f", p.ColumnMeniscus);
  s.texts[kInitialEqRpm] = Format("%.0f", p.InitialEqRpm);
  // Kept in Pa s, shown in poise (0.01002 for water).
  s.texts[kViscosity] = Format("%.6f", 10.0 * p.SolventViscosity);
  s.checked[kInitialEqRadio] = p.HistoryMode ? 0 : 1;
  s.checked[kHistoryRadio] = p.HistoryMode ? 1 : 0;
  s.checked[kUseS1] = p.Species1UseFF0 ? 0 : 1;
  s.checked[kUseFF01] = p.Species1UseFF0 ? 1 : 0;
  s.checked[kUseS2] = p.Species2UseFF0 ? 0 : 1;
  s.checked[kUseFF02] = p.Species2UseFF0 ? 1 : 0;
  s.texts[kOverspeedHours] = Format("%.2f", p.OverspeedTime / 3600.0);
  s.texts[kParameterCount] = std::to_string(p.ParameterCount);
  s.texts[kRepeats] = std::to_string(p.RepeatCount);
}

platform::FormRefusal CheckEntries(const FormState& s) {
  for (int id : kNumberFields) {
    const std::string text = s.Text(id);
    const bool isSigned = id == kS1 || id == kS2;
    const bool ok = isSigned ? IsNumber(text.c_str()) : IsNonNegativeNumber(text.c_str());
    if (!ok) {
      platform::Current().Beep(platform::BoxIcon::Information);
      return platform::RefuseWith("Invalid Entry", "Input Error", id);
    }
  }
  // The speed course needs a decay time and an amplitude in the exponential
  // form, and at least one interval in the piecewise form.
  const bool exponential = Ticked(s, kExponential);
  const int needed = MinimumSpeedCourseParameters(exponential);
  if (std::floor(Value(s, kParameterCount)) < needed) {
    platform::Current().Beep(platform::BoxIcon::Information);
    return platform::RefuseWith(exponential
                                    ? "the exponential parameterization needs at least 2 parameters"
                                    : "the speed course needs at least 1 parameter",
                                "Input Error", kParameterCount);
  }
  return {};
}

void ReadBack(const FormState& s) {
  TimeToEqParametersRecord& p = TimeToEqParameters;
  for (const NumberField& f : kPlainNumbers) p.*(f.value) = Value(s, f.id);
  for (const SwitchField& f : kPlainSwitches) p.*(f.value) = Ticked(s, f.id);
  const float meniscus = Value(s, kMeniscus);
  // A number beyond the bottom can only be a filling volume.
  p.ColumnMeniscus = meniscus > p.ColumnBottom ? VolumeToMeniscus(meniscus, p.ColumnBottom)
                                               : meniscus;
  p.SolventViscosity = Value(s, kViscosity) * 0.1f;
  p.HistoryMode = Ticked(s, kHistoryRadio);
  if (Ticked(s, kInitialEqRadio)) {
    p.HistoryMode = false;
    p.InitialEqRpm = Value(s, kInitialEqRpm);
  }
  p.Species1UseFF0 = !Ticked(s, kUseS1);
  p.Species2UseFF0 = !Ticked(s, kUseS2);
  p.OverspeedTime = Value(s, kOverspeedHours) * 3600.0f;
  const int count = static_cast<int>(std::floor(Value(s, kParameterCount)));
  if (count != p.ParameterCount) {
    p.SpeedCourseParameters = OneBasedArray<float>();
    p.HasSpeedCourseParameters = false;
  }
  p.ParameterCount = count;
  p.RepeatCount = static_cast<int>(std::floor(Value(s, kRepeats)));
}

}  // namespace

void ResetTimeToEqTransfer(platform::FormState& transfer) { transfer = platform::FormState(); }

void PlannerMessage(TXLAWindow& window, const std::string& text, const std::string& caption) {
  platform::Current().ShowMessageBox({window.Handle(), text, caption,
                                      platform::BoxIcon::Information, platform::BoxButtons::Ok});
}

bool PlannerQuestion(TXLAWindow& window, const std::string& text, const std::string& caption) {
  return platform::Current().ShowMessageBox({window.Handle(), text, caption,
                                             platform::BoxIcon::Question,
                                             platform::BoxButtons::YesNo}) ==
         platform::BoxAnswer::Yes;
}

void InitTimeToEquilibrium() {
  ResetTimeToEqTransfer(TimeToEqTransfer);
  LoadTimeToEqParameters(ProgramPaths.TimeToEqParameterFile);
  TimeToEqParameters.SimparamsPath.clear();
  if (!TimeToEqParameters.ToolSim) TimeToEqParameters.ToolSim = std::make_unique<CApproachToEqSim>();
}

int TimeToEqParamsExchange(TXLAWindow& window) {
  TimeToEqParametersRecord& p = TimeToEqParameters;
  const SolventConditionsRecord& sc = SolventConditions;
  if (p.SolventDensity == 0.0f) p.SolventDensity = sc.BufferDensity;
  if (p.SolventViscosity == 0.0f)
    p.SolventViscosity = sc.RELVISCOSITY * PhysicalConstantsRecord::STANDARDVISCOSITY;
  if (p.Vbar1 == 0.0f) p.Vbar1 = sc.VBAR;
  p.Vbar2 = p.Vbar1;
  if (ScanDataSet.NFILES <= 0) p.ExtrapolateData = false;

  FillState(TimeToEqTransfer);
  platform::FormRequest form;
  form.owner = window.Handle();
  form.caption = "Parameters For Optimizing Time To Equilibrium";
  form.items = DialogItems();
  form.state = TimeToEqTransfer;
  form.check = CheckEntries;
  window.DialogBusy = true;
  const bool ok = platform::ShowForm(form);
  window.DialogBusy = false;
  if (!ok) return 0;
  TimeToEqTransfer = form.state;
  ReadBack(form.state);
  p.LeftFitLimit = p.ColumnMeniscus + 0.02f;
  DeriveTimeToEqSpecies();
  CreateBackupFolder();
  SaveTimeToEqParameters(ProgramPaths.TimeToEqParameterFile);
  return 1;
}

bool PickRotorSpeedFile(TXLAWindow& window) {
  TimeToEqParametersRecord& p = TimeToEqParameters;
  std::string path = p.RunSpeedFilePath;
  if (!ChooseOpenFileName(window, path, 10000, "Pick Rotor Speed File")) return false;
  p.RunSpeedFilePath = path;
  const PathParts parts = SplitPath(path);
  const std::string simparams = parts.Drive + parts.Directory + "simparams.txt";
  p.SimparamsPath.clear();
  if (FileExists(simparams) &&
      PlannerQuestion(window, "also use associated simparams.txt file?", "Pick Rotor Speed File"))
    p.SimparamsPath = simparams;
  return true;
}

int TimeToEqParamsDialog(TXLAWindow& window) {
  if (TimeToEqParamsExchange(window) == 0) return 0;
  TimeToEqParametersRecord& p = TimeToEqParameters;
  const ScanDataSetRecord& d = ScanDataSet;
  if (p.HistoryMode) {
    if (d.NFILES > 0) {
      p.InitialEqRpm = d.ScanHeaders[d.ScanTimeOrder[d.NFILES]].Rpm;
    } else {
      PlannerMessage(window, "sorry, no scan files are loaded, simulating from rest at 0 rpm",
                     kPlannerCaption);
      p.HistoryMode = false;
      p.InitialEqRpm = 0.0f;
    }
  }
  if (p.ExtrapolateData) {
    PlannerMessage(window, "sorry, extrapolation of given data not yet implemented, switching off",
                   kPlannerCaption);
    p.ExtrapolateData = false;
  }
  if (p.RunSpeedFile) {
    if (PickRotorSpeedFile(window) && !p.SimparamsPath.empty())
      LoadTimeToEqParameters(p.SimparamsPath);
  } else {
    p.RunSpeedFilePath.clear();
    p.SimparamsPath.clear();
  }
  p.ResultPath = NewNumberedResultPath(ProgramPaths.TempFolder, "optimizedoverspeedsteps");
  if (p.ResultPath.empty()) PlannerMessage(window, "could not create new config directory", "");
  return 1;
}
