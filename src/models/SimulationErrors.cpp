#include "models/SimulationErrors.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "models/SimulationRoads.h"
#include "data/ScanReaderOptions.h"
#include "data/SpeedStepsForData.h"
#include "models/DetectorConvolution.h"
#include "models/GlobalLammState.h"
#include "state/ComputationAbort.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "numerics/ConstantShorthands.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/Resampling.h"
#include "ui/Boxes.h"
#include "ui/OkBox.h"
#include "ui/Sounds.h"
#include "state/Links.h"
#include "state/KeysReadByDisplay.h"

std::function<void(platform::WindowHandle)> OpenLammNumericsDialog = links::Unwired;
std::function<void(int, const double*, const double*, int)> StoreLammColumnForKernel = links::Unwired;

namespace {

const char* const kSimulationCaption = "ERROR in simulation";
const char* const kSwitchToW2t =
    "--> please switch to \"times from wwt\" in Lamm equation parameters (Options menu)\n(this "
    "is suboptimal and prohibits simulating of the rotor acceleration phase, but is a fix to "
    "analyze this data)";

void ShowError(platform::WindowHandle window, const std::string& text,
               platform::BoxIcon icon = platform::BoxIcon::None) {
  PlayErrorSound();
  ShowBox(window, text, kSimulationCaption, icon);
}

void ReportDiscretizationError(platform::WindowHandle window) {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  run.DiscretizationError = 1;
  if (FitControl.FitRunning) {
    if (run.DiscretizationReported) return;
    run.DiscretizationReported = true;
  }
  PlayInfoSound();
  ShowBox(window, "change grid size and readjust max dc/c", "DISCRETIZATION ERROR",
          platform::BoxIcon::Warning);
}

// The first scan's rotor accelerated too slowly for a run started at full
// speed: most likely the rotor sat at a low speed first. Offers to describe
// that phase by a two-step speed profile, or advises scan times from
// omega^2 t.
void ReportSlowAcceleration(platform::WindowHandle window) {
  PlayErrorSound();
  if (!AskYesNo(window, "possible error: initial low-speed phase before full acceleration?",
                "ERROR"))
    return;
  if (!AskYesNo(window, "was the low-speed phase already temperature equilibrated?", "ERROR")) {
    ShowBox(window,
            "possible error in setup: SV requires temperature equilibration at 0 rpm in RUN mode "
            "(please refer to experimental protocol)\n " +
                std::string(kSwitchToW2t),
            kSimulationCaption, platform::BoxIcon::Warning);
    OpenLammNumericsDialog(window);
    return;
  }
  if (ScanDataSet.NFILES < 1) return;
  float lowSpeed = 3000.0f, acceleration = 280.0f;
  InputFloatIn(window, lowSpeed, lowSpeed, true, "rotor speed of low-speed phase (rpm)",
               "timing correction");
  InputFloatIn(window, acceleration, acceleration, true, "acceleration (rpm/sec) (usually 280)",
               "timing correction");
  const ScanHeader& first = ScanDataSet.ScanHeaders[ScanDataSet.ScanTimeOrder[1]];
  const float duration = RampTimeOffset(lowSpeed, acceleration, first);
  // A phase at or above the final speed, a ramp that does not accelerate or
  // a phase of negative length cannot be written as a speed profile.
  const bool possible = acceleration > 0.0f && lowSpeed >= 0.0f && lowSpeed < first.Rpm &&
                        std::isfinite(duration) && duration >= 0.0f;
  if (possible &&
      AskYesNo(window,
               FormatText("found low speed %.0f rpm phase had to be %.0f sec, to account for t "
                          "and w^2t entries of file headers\n\n --> want to account for it by "
                          "creating and loading speedsteps.txt file (recommended)?",
                          static_cast<double>(lowSpeed), static_cast<double>(duration)),
               "ERROR")) {
    MakeTwoStepSpeedProfile(duration, lowSpeed, first, acceleration);
    return;
  }
  if (!possible)
    ShowBox(window,
            FormatText("sorry, no phase at %.0f rpm with an acceleration of %.0f rpm/sec explains "
                       "the t and w^2t entries of the file headers",
                       static_cast<double>(lowSpeed), static_cast<double>(acceleration)),
            "ERROR in data", platform::BoxIcon::Warning);
  ShowBox(window, kSwitchToW2t, "ERROR in data", platform::BoxIcon::Warning);
  OpenLammNumericsDialog(window);
}

void DrawProgressLine(int y, const std::string& text) {
  const platform::WindowHandle window = GlobalLammRun.CallbackWindow;
  if (window) platform::Current().DrawWindowText(window, 10, y, text);
}

void DrawStepText(double value) {
  ShowIterationText();
  ShowTimeStepText();
  ShowSimTimeText();
  ShowRadiusText(value);
}

// Each line goes on screen at once; drawn at every step of a fine grid they
// would cost more than the step. The first step of a run is always shown.
constexpr std::uint64_t kStepTextIntervalMs = 100;

void ShowStepText(double value) {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  if (!run.CallbackWindow) return;
  const std::uint64_t now = platform::Current().TickCountMs();
  if (run.IterationCount > 1 && now - run.StepTextShownMs < kStepTextIntervalMs) {
    run.StepTextPending = true;
    run.StepTextValue = value;
    return;
  }
  run.StepTextShownMs = now;
  run.StepTextPending = false;
  DrawStepText(value);
}

// The lines of the run's last step, when the interval held them back.
void ShowPendingStepText() {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  if (!run.StepTextPending) return;
  run.StepTextPending = false;
  DrawStepText(run.StepTextValue);
}

void ResetSliceState() {
  GlobalLammRun.SlicePointsDone = 0;
  GlobalLammRun.SliceOffset = 0.0;
  GlobalLammRun.SliceIndex = 0;
}

// Copies LammConcentration into LammOutputProfile: at once, or slice by
// slice as the scanner passes the radii. True when the scan is complete.
bool AssembleScanProfile() {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  GlobalLammArraysRecord& a = GlobalLammArrays;
  const LammSolverSettingsRecord& s = LammSolverSettings;
  const int n = a.LammAllocatedSize;
  if (!(s.ScanVelocity > 0.0f && ScanReaderOptions.AbsorbanceData && s.ScanTimeCorrectionOn &&
        run.ScanSliceCount > 2.0)) {
    std::copy(a.LammConcentration + 1, a.LammConcentration + n + 1, a.LammOutputProfile + 1);
    return true;
  }
  const double m = ModelParameters.Meniscus, b = ModelParameters.Bottom;
  const double velocity = s.ScanVelocity / 60.0;  // cm/s
  run.ScanDuration = (b - m) / velocity;
  run.SliceDuration = run.ScanDuration / run.ScanSliceCount;
  const auto copyUpTo = [&](bool all) {
    run.SliceRadius = m + velocity * (run.SliceIndex + 1) * run.SliceDuration;
    int i = run.SlicePointsDone + 1;
    for (; i <= n && (all || a.LammRadius[i] < run.SliceRadius); ++i)
      a.LammOutputProfile[i] = a.LammConcentration[i];
    run.SlicePointsDone = i - 1;
  };
  bool complete = false;
  if (run.SliceIndex == 0) {
    copyUpTo(false);
    std::fill(a.LammOutputProfile + run.SlicePointsDone + 1, a.LammOutputProfile + n + 1, 0.0);
    run.SliceOffset = (run.SimTime - run.NextScanTime) + run.SliceDuration;
    run.SliceIndex = 1;
  } else if (run.SimTime >= run.NextScanTime + run.SliceOffset + run.SliceDuration - 1e-10) {
    const bool last = run.SliceIndex >= run.ScanSliceCount - 1.0;
    copyUpTo(last);
    run.SliceOffset += run.SliceDuration;
    run.SliceIndex += 1;
    complete = last;
  }
  run.ScanAssemblyPending = !complete;
  if (!complete) {
    run.OutputTime = run.NextScanTime + run.SliceOffset + run.SliceDuration;
    run.OutputPending = 1;
  }
  return complete;
}

bool SmearLikeAbsorbanceScan() {
  return ScanReaderOptions.AbsorbanceData && !ScanReaderOptions.IntensityData &&
         LammSolverSettings.RadialResolutionOn;
}

// The finished profile goes to the scan: into the kernel column of the c(M)
// analysis, added into the scan's model, or into the species' basis on the
// common grid.
void HandOverProfile(int scan) {
  GlobalLammArraysRecord& a = GlobalLammArrays;
  const int n = a.LammAllocatedSize;
  if (ModelSelection.Kind == ModelKind::ContinuousCM)
    StoreLammColumnForKernel(scan, a.LammRadius, a.LammOutputProfile, n);
  const float range = LammSolverSettings.RadialResolutionRange;
  if (!GlobalLammRun.BasisMode) {
    ScanDataSetRecord& d = ScanDataSet;
    const int count = d.ScanPointCount[scan];
    OneBasedArray<float> scratch(1, count);
    const float* radii = d.ScanRadius[scan].data();
    ResampleCurveFromDouble(count, radii, scratch.data(), n, a.LammRadius, a.LammOutputProfile);
    if (SmearLikeAbsorbanceScan()) SmearByRadialWindow(count, range, radii, scratch.data());
    for (int k = 1; k <= count; ++k) d.ScanModel[scan][k] += scratch[k];
  } else {
    const int count = CommonRadialGrid.CommonGridSize;
    float* basis = SpeciesSignals.SpeciesBasis[GlobalLammRun.CurrentSpecies][scan].data();
    ResampleCurveFromDouble(count, CommonRadialGrid.CommonGrid, basis, n, a.LammRadius,
                            a.LammOutputProfile);
    if (SmearLikeAbsorbanceScan())
      SmearByRadialWindow(count, range, CommonRadialGrid.CommonGrid, basis);
  }
}

}  // namespace

void ReportSimulationError(platform::WindowHandle window, int code) {
  switch (code) {
    case 1:
      ShowError(window, "could not allocate Lamm simulation arrays");
      CheckSoundsOn();
      break;
    case 2:
      ReportDiscretizationError(window);
      break;
    case 3:
      GlobalLammRun.TridiagError = 1;
      ShowError(window, "singular tridiagonal matrix!");
      CheckSoundsOn();
      break;
    case 5:
      ReportSlowAcceleration(window);
      break;
    case 6:
      ShowError(window, "possible error in setupof Lamm eq. solution, nonideal parameters",
                platform::BoxIcon::Warning);
      break;
    case 7:
      GlobalLammRun.NonidealityError = 1;
      ShowError(window, "nonideality out of range");
      CheckSoundsOn();
      break;
    default:
      break;
  }
}

void LammStepCallback(double value) {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  if (SpeciesSignals.LiveRunDisplay) ShowStepText(value);
  if (run.SimTime < run.NextScanTime) {
    ResetSliceState();
    return;
  }
  if (!KeysReadByDisplay && KeyPressed()) {
    run.KeepRunning = 0;
    ComputationAbort = true;
    ShowPendingStepText();
  }
  ScanDataSetRecord& d = ScanDataSet;
  const int scan = d.ScanTimeOrder[run.NextScan];
  if (LammSolverSettings.MovingFrame) MovingHatGridUpdate();
  if (!AssembleScanProfile()) return;
  HandOverProfile(scan);
  if (SimulationRoads.ScanOverlays) SimulationRoads.ScanOverlays(scan);
  if (run.NextScan < d.NFILES) {
    run.NextScan += 1;
    const ScanHeader& next = d.ScanHeaders[d.ScanTimeOrder[run.NextScan]];
    run.NextScanTime = d.RampRotorSpeed && !DlsDataMode ? next.RecordedTime : next.Time;
    run.OutputPending = 1;
    run.OutputTime = run.NextScanTime;
    ResetSliceState();
  } else {
    run.KeepRunning = 0;
    ShowPendingStepText();
  }
}

double AccelerationPhaseRpm(double t, double dt) {
  GlobalLammRunStateRecord& run = GlobalLammRun;
  if (run.AccelDuration < 10.0 || t >= run.AccelDuration) {
    run.Accelerating = false;
    return run.FinalRpm;
  }
  const double early = run.AccelRate * t, late = run.AccelRate * (t + dt);
  return std::min(std::sqrt((late * late + early * early) / 2.0), run.FinalRpm);
}

bool BackDiffusionShutOffTest(double s, double D) {
  if (!LammSolverSettings.BackDiffusionShutOff || !(s > 0.0) || !(D > 0.0)) return false;
  const ScanDataSetRecord& d = ScanDataSet;
  if (d.NFILES < 1) return false;
  const ScanHeader& last = d.ScanHeaders[d.ScanTimeOrder[d.NFILES]];
  const double kelvin = last.Temperature + 273.15;
  const double omega = 2.0 * kPi * last.Rpm / 60.0;
  // Reduced buoyant molar mass M_b omega^2 / (2 R T) of the Svedberg
  // equation, 1/cm^2.
  const double buoyantMass = kelvin * s * 1e-13 * 8.31451e7 / D;
  const double a = buoyantMass * omega * omega / (kelvin * 1.6628944e8);
  if (a > 100.0) return true;
  // The equilibrium profile exp(a (r^2 - R^2)) relative to its mean over the
  // cell is the equilibrium concentration at the right fit limit R relative
  // to the loading concentration.
  const double b = ModelParameters.Bottom, m = ModelParameters.Meniscus;
  const double R = d.FitRightLim;
  const double mean = (std::exp(a * (b * b - R * R)) - std::exp(a * (m * m - R * R))) / (2.0 * a) /
                      ((b * b - m * m) / 2.0);
  return 1.0 / mean < LammSolverSettings.BackDiffusionLevel;
}

void ShowIterationText() {
  DrawProgressLine(90, FormatText("#it = %d   ", GlobalLammRun.IterationCount));
}

void ShowTimeStepText() {
  DrawProgressLine(70, FormatText("dt = %f sec  ", GlobalLammRun.TimeStep));
}

void ShowSimTimeText() {
  const GlobalLammRunStateRecord& run = GlobalLammRun;
  DrawProgressLine(110, run.ShowLoading
                            ? FormatText("t = %.0f sec (M=%f) ", run.SimTime, run.LoadingDisplay)
                            : FormatText("t = %.0f sec  ", run.SimTime));
}

void ShowRadiusText(double value) {
  DrawProgressLine(130, FormatText("ri=%f  ", value));
}
