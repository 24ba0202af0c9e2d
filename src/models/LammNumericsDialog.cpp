#include "models/LammNumericsDialog.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <string>

#include "state/ModelSelection.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "data/SpeedStepsForData.h"
#include "models/GlobalLammState.h"
#include "models/LammPreferenceFile.h"
#include "models/ScanTimesFromW2t.h"
#include "data/DataSetServices.h"
#include "models/SimulationArrays.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "ui/Boxes.h"

platform::FormState LammPBoxTransfer;

namespace {

using platform::FormCheckBox;
using platform::FormEdit;
using platform::FormGroupBox;
using platform::FormItem;
using platform::FormRadio;
using platform::FormState;

// Control ids of the dialog.
enum : int {
  kAutoSwitchS = 612, kBackDiffusionOn = 613, kBackDiffusionLevel = 614, kAutoGridSize = 615,
  kDefaultGridSize = 616, kPointsPerSigma = 617, kLowerLimit = 618, kUpperLimit = 619,
  kTimesFromW2t = 620, kRampRotor = 621, kAutomaticFE = 622, kFixedTimeStep = 623,
  kClaverie = 624, kMovingHat = 625, kAutoSGrid = 626, kGridDesignS = 627, kTolerance = 628,
  kMaxChange = 629, kExperimental = 630, kAutoSwitchSOptimized = 639, kOptimizedSpacing = 640,
  kTruncation = 641, kTruncationLog = 643, kTimeResolution = 832, kRadialResolution = 833,
  kConvolutionRange = 834, kScanVelocity = 835, kCheckAcceleration = 924,
  kUsingSpeedSteps = 944, kSpeedDShutOff = 948,
  // Group boxes.
  kAlgorithmBox = 637, kSpatialBox = 635, kTemporalBox = 636, kDiffusionBox = 638,
  kResolutionBox = 101,
};

constexpr int kAlgorithmRadios = 1;
constexpr int kTimeRadios = 2;

const char* const kCaption = "LAMM EQUATION PARAMETERS";

std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string FormatInt(int value) { return std::to_string(value); }

double Value(const FormState& s, int id) { return std::atof(s.Text(id).c_str()); }

// Rounded down into the int range, as the grid sizes are taken.
int FloorToInt(double value) {
  if (!(value == value)) return 0;
  const double floored = std::floor(value);
  if (floored >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (floored <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(floored);
}

bool Ticked(const FormState& s, int id) { return s.Checked(id) != 0; }

// The settings compared before and after the dialog: a change among them
// leads to the question whether to keep them as defaults.
std::vector<float> ComparedSettings() {
  const LammSolverSettingsRecord& s = LammSolverSettings;
  auto f = [](bool b) { return b ? 1.0f : 0.0f; };
  return {f(ScanReaderOptions.IntensityData), f(IsZoneModel(ModelSelection.Kind)),
          s.SwitchThreshold, f(s.BackDiffusionShutOff), static_cast<float>(s.BackDiffusionLevel),
          f(s.AutoGridSize), static_cast<float>(s.DefaultLammGridSize), s.PointsPerSigma,
          static_cast<float>(s.MaxGridSize), static_cast<float>(s.MinGridSize),
          f(ScanDataSet.TimesFromW2t), f(s.AutomaticAlgorithm), f(s.FixedTimeStep),
          f(s.FixedGrid), f(s.MovingFrame), f(s.AutoSGrid),
          static_cast<float>(s.AutoSGridValue), FitControl.FitCycleTolerance,
          static_cast<float>(s.MaxChangePerStep), s.SwitchThresholdOptimized,
          f(s.OptimizeGridSpacing), f(ModelParameters.InitialConcentrationExperimental),
          f(s.DynamicTruncation), static_cast<float>(s.TruncationThreshold),
          f(s.ScanTimeCorrectionOn), f(s.RadialResolutionOn), s.ScanVelocity,
          s.RadialResolutionRange, static_cast<float>(s.VariableSpeedDShutOff)};
}

bool InitialDataMustBeConstant() {
  return ScanReaderOptions.IntensityData || IsZoneModel(ModelSelection.Kind);
}

void MakeInitialDistributionConstant() {
  ModelParameters.InitialConcentrationExperimental = false;
  ModelParameters.InitialConcentrationConstant = true;
}

bool ScanTimesFollowRotorSpeed() {
  return !ScanReaderOptions.ElectrophoresisDataMode && !DlsDataMode;
}

// Scan times from omega^2 t at each scan's own speed, in single precision
// as the dialog always computed them.
void ScanTimesFromW2tSingle() {
  ScanDataSetRecord& d = ScanDataSet;
  for (int i = 1; i <= d.NFILES; ++i) {
    ScanHeader& h = d.ScanHeaders[i];
    if (!(h.Rpm > 0.0f)) continue;  // no speed: the header cannot tell the time
    const float omega = static_cast<float>(h.Rpm * 3.14159265358979323846 / 30.0);
    const float omega2 = omega * omega;
    h.Time = h.Omega2t / static_cast<double>(omega2);
  }
}

void RecordedScanTimes() {
  ScanDataSetRecord& d = ScanDataSet;
  for (int i = 1; i <= d.NFILES; ++i) d.ScanHeaders[i].Time = d.ScanHeaders[i].RecordedTime;
}

void FillTransfer(FormState& t) {
  const LammSolverSettingsRecord& s = LammSolverSettings;
  const ScanDataSetRecord& d = ScanDataSet;
  t.texts[kAutoSwitchS] = Format("%f", s.SwitchThreshold);
  t.texts[kAutoSwitchSOptimized] = Format("%.2f", s.SwitchThresholdOptimized);
  t.texts[kBackDiffusionLevel] = Format("%.2e", s.BackDiffusionLevel);
  t.texts[kDefaultGridSize] = FormatInt(s.DefaultLammGridSize);
  t.texts[kPointsPerSigma] = Format("%.1f", s.PointsPerSigma);
  t.texts[kUpperLimit] = FormatInt(s.MaxGridSize);
  t.texts[kLowerLimit] = FormatInt(s.MinGridSize);
  t.texts[kGridDesignS] = Format("%.2f", s.AutoSGridValue);
  t.texts[kTolerance] = Format("%.3f", 100.0 * FitControl.FitCycleTolerance);
  t.texts[kMaxChange] = Format("%.2f", s.MaxChangePerStep);
  t.texts[kTruncationLog] = Format("%.2f", std::log10(s.TruncationThreshold));
  t.texts[kScanVelocity] = Format("%.2f", s.ScanVelocity);
  t.texts[kConvolutionRange] = Format("%.4f", s.RadialResolutionRange);
  t.texts[kSpeedDShutOff] = Format("%.4f", s.VariableSpeedDShutOff);
  t.checked[kBackDiffusionOn] = s.BackDiffusionShutOff;
  t.checked[kAutoGridSize] = s.AutoGridSize;
  t.checked[kTimesFromW2t] = d.TimesFromW2t;
  t.checked[kRampRotor] = !d.TimesFromW2t;
  t.checked[kUsingSpeedSteps] = d.UsingSpeedSteps;
  // While speed steps are in use the acceleration check does not apply.
  t.checked[kCheckAcceleration] = d.UsingSpeedSteps ? 0 : d.CheckRotorAcceleration;
  if (d.UsingSpeedSteps) t.checked[kTimesFromW2t] = t.checked[kRampRotor] = 0;
  t.checked[kAutomaticFE] = s.AutomaticAlgorithm;
  t.checked[kFixedTimeStep] = s.FixedTimeStep;
  t.checked[kClaverie] = s.FixedGrid && !s.AutomaticAlgorithm;
  t.checked[kMovingHat] = s.MovingFrame && !s.AutomaticAlgorithm;
  t.checked[kAutoSGrid] = s.AutoSGrid;
  t.checked[kExperimental] = ModelParameters.InitialConcentrationExperimental;
  t.checked[kOptimizedSpacing] = s.OptimizeGridSpacing;
  t.checked[kTruncation] = s.DynamicTruncation;
  t.checked[kTimeResolution] = s.ScanTimeCorrectionOn;
  t.checked[kRadialResolution] = s.RadialResolutionOn;
}

// Steps after OK that touch the loaded data: speed steps, then the way scan
// times follow the rotor.
void ApplyRotorChoices(platform::WindowHandle window, FormState& t) {
  ScanDataSetRecord& d = ScanDataSet;
  d.TimesFromW2t = Ticked(t, kTimesFromW2t);
  d.RampRotorSpeed = Ticked(t, kRampRotor);
  const bool speedSteps = Ticked(t, kUsingSpeedSteps);
  if (speedSteps && !d.UsingSpeedSteps) {
    if (d.NFILES < 1) {
      ErrorBox(
          "Error: Please Load SV Data First - speedsteps will be automatically loaded if "
          "speedsteps.txt is present");
      t.checked[kUsingSpeedSteps] = 0;
      t.checked[kCheckAcceleration] = 1;
    } else {
      LoadSpeedStepsForData();
    }
    d.TimesFromW2t = false;
    d.RampRotorSpeed = true;
  } else if (!speedSteps && d.UsingSpeedSteps) {
    d.DataSpeedProfile.reset();
    d.UsingSpeedSteps = false;
  }
  d.TimesFromW2t = !d.RampRotorSpeed;
  if (d.TimesFromW2t) {
    if (d.UsingSpeedSteps) {
      ErrorBox("Error: In variable rotor speed run times from wwt is not possible");
      d.TimesFromW2t = false;
      d.RampRotorSpeed = true;
    } else if (ScanTimesFollowRotorSpeed()) {
      ScanTimesFromW2tSingle();
    }
  }
  if (d.RampRotorSpeed) {
    d.TimesFromW2t = false;
    if (ScanTimesFollowRotorSpeed()) RecordedScanTimes();
  }
  (void)window;
}

void StoreTransfer(platform::WindowHandle window, FormState& t, int previousGridSize,
                   bool previousMovingFrame, double previousMaxChange) {
  LammSolverSettingsRecord& s = LammSolverSettings;
  s.TruncationThreshold = std::pow(10.0, Value(t, kTruncationLog));
  s.SwitchThreshold = static_cast<float>(Value(t, kAutoSwitchS));
  s.SwitchThresholdOptimized = static_cast<float>(Value(t, kAutoSwitchSOptimized));
  s.DynamicTruncation = Ticked(t, kTruncation);
  if (InhomogeneousSolventOn)
    platform::Current().ShowMessageBox(
        {window,
         "make sure Lamm equation option 'dyanmically trucate grid' \nis not used when "
         "macromolecular flotation near meniscus can occur",
         "", platform::BoxIcon::Information, platform::BoxButtons::Ok});
  s.BackDiffusionShutOff = Ticked(t, kBackDiffusionOn);
  s.BackDiffusionLevel = Value(t, kBackDiffusionLevel);
  s.AutoGridSize = Ticked(t, kAutoGridSize);
  s.DefaultLammGridSize = FloorToInt(Value(t, kDefaultGridSize));
  s.LammGridSize = s.DefaultLammGridSize;
  if (s.LammGridSize != previousGridSize) ResizeSimulationArrays(s.LammGridSize);
  s.MaxGridSize = FloorToInt(Value(t, kUpperLimit));
  s.MinGridSize = FloorToInt(Value(t, kLowerLimit));
  s.PointsPerSigma = static_cast<float>(Value(t, kPointsPerSigma));
  ApplyRotorChoices(window, t);

  ScanDataSet.CheckRotorAcceleration = Ticked(t, kCheckAcceleration);
  s.OptimizeGridSpacing = Ticked(t, kOptimizedSpacing);
  s.AutomaticAlgorithm = Ticked(t, kAutomaticFE);
  s.FixedTimeStep = Ticked(t, kFixedTimeStep);
  s.FixedGrid = Ticked(t, kClaverie);
  s.MovingFrame = !s.FixedGrid;
  if (s.MovingFrame != previousMovingFrame) FreeSimulationArrays();

  s.AutoSGrid = Ticked(t, kAutoSGrid);
  s.AutoSGridValue = Value(t, kGridDesignS);
  FitControl.FitCycleTolerance = static_cast<float>(Value(t, kTolerance) * 0.01);
  s.MaxChangePerStep = Value(t, kMaxChange);
  if (s.MaxChangePerStep != previousMaxChange) {
    // A new limit restarts the step control's adapted thresholds.
    GlobalLammRun.MaxRelativeChange = s.MaxChangePerStep;
    GlobalLammRun.RelativeChangeLow = 0.05 * s.MaxChangePerStep;
    GlobalLammRun.RelativeChangeMid = 0.2 * s.MaxChangePerStep;
  }
  s.ScanTimeCorrectionOn = Ticked(t, kTimeResolution);
  if (s.ScanTimeCorrectionOn && ScanReaderOptions.FluorescenceData) {
    s.ScanTimeCorrectionOn = false;
    platform::Current().ShowMessageBox(
        {window, "scan time correction for fluorescence data not yet implemented, switching off",
         "", platform::BoxIcon::Information, platform::BoxButtons::Ok});
  }
  s.RadialResolutionOn = Ticked(t, kRadialResolution);
  s.ScanVelocity = static_cast<float>(Value(t, kScanVelocity));
  s.RadialResolutionRange = static_cast<float>(Value(t, kConvolutionRange));
  s.VariableSpeedDShutOff = Value(t, kSpeedDShutOff);

  ModelParameters.InitialConcentrationExperimental = Ticked(t, kExperimental);
  ModelParameters.InitialConcentrationConstant = !Ticked(t, kExperimental);
  if (InitialDataMustBeConstant()) MakeInitialDistributionConstant();
  if (ModelParameters.InitialConcentrationExperimental) {
    if (ScanDataSet.RampRotorSpeed) RampRotorSpeedOff(window);
    if (ScanDataSet.TimesFromW2t) TimesFromW2tOff(window);
  }
}

}  // namespace

void ClearLammPBoxTransfer(FormState& transfer) {
  transfer = FormState{};
}

std::vector<FormItem> LammPBoxItems() {
  std::vector<FormItem> items = {
      FormGroupBox(kAlgorithmBox, 0, 0, 0, "Finite Element Algorithm"),
      FormGroupBox(kSpatialBox, 0, 1, 0, "Finite Element Spatial Discretization", 2),
      FormGroupBox(kTemporalBox, 0, 0, 1, "Temporal Discretization"),
      FormGroupBox(kDiffusionBox, 0, 1, 1, "Shut Off Diffusion"),
      FormGroupBox(kResolutionBox, 0, 2, 1, "Account for Finite Resolution in ABS"),
      FormRadio(kAutomaticFE, kAlgorithmRadios, kAlgorithmBox, 0, 0,
                "automatic finite element algorithm", 2),
      FormEdit(kAutoSwitchS, kAlgorithmBox, 1, 0, "normalized s for automatic change"),
      FormEdit(kAutoSwitchSOptimized, kAlgorithmBox, 1, 1, "when optimized"),
      FormRadio(kClaverie, kAlgorithmRadios, kAlgorithmBox, 2, 0, "Claverie algorithm", 2),
      FormRadio(kMovingHat, kAlgorithmRadios, kAlgorithmBox, 3, 0, "moving hat algorithm", 2),
      FormCheckBox(kAutoSGrid, kAlgorithmBox, 4, 0, "automatic s_grid"),
      FormEdit(kGridDesignS, kAlgorithmBox, 4, 1),
      FormEdit(kDefaultGridSize, kSpatialBox, 0, 0, "default FE grid size"),
      FormCheckBox(kAutoGridSize, kSpatialBox, 1, 0, "automatic dynamic grid size", 2),
      FormEdit(kPointsPerSigma, kSpatialBox, 2, 0, "points per sigma"),
      FormEdit(kUpperLimit, kSpatialBox, 3, 0, "upper limit"),
      FormEdit(kLowerLimit, kSpatialBox, 4, 0, "lower limit"),
      FormCheckBox(kOptimizedSpacing, kSpatialBox, 5, 0, "optimize time-invariant grid spacing",
                   2),
      FormCheckBox(kTruncation, kSpatialBox, 6, 0, "dynamically truncate grid"),
      FormEdit(kTruncationLog, kSpatialBox, 6, 1, "log10"),
      FormCheckBox(kCheckAcceleration, kTemporalBox, 0, 0, "check rotor acceleration"),
      FormRadio(kTimesFromW2t, kTimeRadios, kTemporalBox, 1, 0, "times from wwt"),
      FormRadio(kRampRotor, kTimeRadios, kTemporalBox, 2, 0, "ramp rotor speed"),
      FormRadio(kUsingSpeedSteps, kTimeRadios, kTemporalBox, 3, 0, "using speedsteps"),
      FormCheckBox(kFixedTimeStep, kTemporalBox, 4, 0, "fix Lamm Eq. simulation timestep"),
      FormEdit(kMaxChange, kTemporalBox, 5, 0, "max dc/c"),
      FormCheckBox(kBackDiffusionOn, kDiffusionBox, 0, 0, "shut off back-diffusion"),
      FormEdit(kBackDiffusionLevel, kDiffusionBox, 1, 0, "level"),
      FormEdit(kSpeedDShutOff, kDiffusionBox, 2, 0,
               "Variable Speed D shut off at x-fold grid dist"),
      FormCheckBox(kTimeResolution, kResolutionBox, 0, 0, "simulate time resolution"),
      FormEdit(kScanVelocity, kResolutionBox, 1, 0, "scan velocity (cm/min)"),
      FormCheckBox(kRadialResolution, kResolutionBox, 2, 0, "simulate radial resolution"),
      FormEdit(kConvolutionRange, kResolutionBox, 3, 0, "radial range of convolution (cm)"),
      FormCheckBox(kExperimental, 0, 3, 0, "Experimental Initial Distribution"),
      FormEdit(kTolerance, 0, 3, 1, "Tolerance"),
  };
  return items;
}

platform::FormRefusal LammPBoxCheck(const FormState& state) {
  static const int kNonNegative[] = {kAutoSwitchS,  kBackDiffusionLevel, kDefaultGridSize,
                                     kPointsPerSigma, kUpperLimit,       kLowerLimit,
                                     kGridDesignS,  kTolerance,          kMaxChange,
                                     kScanVelocity, kConvolutionRange};
  int bad = 0;
  for (int id : kNonNegative)
    if (bad == 0 && !IsNonNegativeNumber(state.Text(id).c_str())) bad = id;
  if (bad == 0 && !IsNumber(state.Text(kTruncationLog).c_str())) bad = kTruncationLog;
  if (bad != 0) {
    platform::Current().Beep(platform::BoxIcon::Information);
    return platform::RefuseWith("Invalid Entry", "Input Error", bad);
  }
  // The grids the solvers can work with, as the preference file is held to.
  const int gridSize = FloorToInt(Value(state, kDefaultGridSize));
  const int lower = FloorToInt(Value(state, kLowerLimit));
  const int upper = FloorToInt(Value(state, kUpperLimit));
  const std::string minimum = std::to_string(MinimumLammGridSize);
  if (gridSize < MinimumLammGridSize)
    return platform::RefuseWith("the default FE grid size must be at least " + minimum,
                                "Input Error", kDefaultGridSize);
  if (lower < MinimumLammGridSize)
    return platform::RefuseWith("the lower limit of the grid size must be at least " + minimum,
                                "Input Error", kLowerLimit);
  if (upper < lower)
    return platform::RefuseWith("the upper limit of the grid size must not be below the lower",
                                "Input Error", kUpperLimit);
  if (Value(state, kPointsPerSigma) < MinimumPointsPerSigma)
    return platform::RefuseWith(
        "points per sigma must be at least " + Format("%g", MinimumPointsPerSigma), "Input Error",
        kPointsPerSigma);
  return {};
}

void CmLammEquationParameters(platform::WindowHandle window) {
  const LammSolverSettingsRecord& s = LammSolverSettings;
  const bool previousMovingHat = s.MovingFrame && !s.AutomaticAlgorithm;
  const bool previousFixedStep = s.FixedTimeStep;
  const bool previousMovingFrame = s.MovingFrame;
  const double previousMaxChange = s.MaxChangePerStep;
  const int previousGridSize = s.LammGridSize;
  if (InitialDataMustBeConstant()) MakeInitialDistributionConstant();

  FillTransfer(LammPBoxTransfer);
  const std::vector<float> before = ComparedSettings();
  platform::FormRequest request;
  request.owner = window;
  request.caption = "Numerical Control of Lamm Equation Solution";
  request.items = LammPBoxItems();
  request.state = LammPBoxTransfer;
  request.check = LammPBoxCheck;
  if (!platform::ShowForm(request)) return;
  LammPBoxTransfer = request.state;

  StoreTransfer(window, LammPBoxTransfer, previousGridSize, previousMovingFrame,
                previousMaxChange);

  if (previousMovingHat && previousFixedStep && !s.MovingFrame && s.FixedTimeStep) {
    // A fixed time step belongs to the moving hat.
    LammSolverSettings.FixedTimeStep = false;
    platform::Current().ShowMessageBox({window, "switching off fixed dt - confirm", "",
                                        platform::BoxIcon::Information,
                                        platform::BoxButtons::Ok});
    CmLammEquationParameters(window);
  }
  if (ComparedSettings() != before &&
      platform::Current().ShowMessageBox(
          {window,
           "save new parameters as default? (reset defaults by deleting the file "
           "'zedarozazururaro.ini' and restarting TALUVO)",
           kCaption, platform::BoxIcon::Question, platform::BoxButtons::YesNo}) ==
          platform::BoxAnswer::Yes)
    SaveLammEqParameterPreferences(window);
}
