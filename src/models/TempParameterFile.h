#pragma once
// The temporary parameter file "~tmppars" beside the data: the whole state
// of an analysis (model and parameters with their fit flags, fit limits,
// solvent, Lamm numerics and the option records of the corrections a model
// can carry) as 215 "%f" values, one per line. It is written after fits and,
// while FitControl.SaveBestParameters is on, after every improvement inside a
// running optimiser; it is read back when the same data are loaded again.
//
// Flags are written as 1 or 0 and read as set only when the value is exactly
// 1.0. Newer layouts only append values: a file of at least 99 values is
// read, and a value it does not hold keeps the program's current setting, or,
// for a flag, the default of the layout. Every value is read before anything
// is applied, so a short, damaged or truncated file changes nothing.

#include <functional>
#include <string>
#include <vector>

#include "state/ModelSelection.h"
#include "platform/Platform.h"

inline constexpr int TempParameterValueCount = 215;
// Files with fewer values are refused.
inline constexpr int TempParameterMinimumCount = 99;

// Buffer mismatch: a sedimenting buffer component in the sample (or the
// reference) sector, its meniscus and concentration mismatch and fit flags.
struct BufferMismatchSettingsRecord {
  bool On = false;
  bool ExcessInSample = true;
  bool ExcessInReference = false;
  double Sign = 1.0;  // +1 sample side, -1 reference side
  // Set only while the estimate of the buffer signal is subtracted from the data.
  bool EstimateSubtracted = false;
  // A typical small buffer salt: D in 1e-7 cm^2/s, Mb buoyant molar mass
  // in g/mol, s in S, the signal in the data's units.
  double BufferD = 86.0;
  double BufferMb = 60.0;
  double BufferS = 0.21;
  double BufferSignal = 30.0;
  bool MeniscusMismatchOn = false;
  double MeniscusDifference = 0.1;  // sample - reference, cm
  double ConcentrationRatio = 1.0;  // sample / reference
  bool DifferentReferenceBuffer = false;
  double ReferenceD = 200.0;
  double ReferenceMb = 100.0;
  double ReferenceS = 0.1;
  bool BufferDOrMbFitted = false;
  bool BufferSFitted = false;
  bool BufferSignalFitted = true;
  bool MeniscusDifferenceFitted = false;
  bool ConcentrationRatioFitted = false;
  bool ReferenceDOrMbFitted = false;
  bool ReferenceSFitted = false;
};

// Corrections of fluorescence detection: radial magnification gradient,
// nonlinear detection, magnification drift with time (exponential
// photophysics and linear drift), radial convolution, excitation shadow and
// signal depletion.
struct FluorescenceCorrectionsRecord {
  bool MagnificationGradientOn = false;
  float MagnificationGradient = 1.0f;  // "1+da/dr"
  bool MagnificationGradientFitted = false;
  bool NonlinearDetectionOn = false;
  bool NonlinearDetectionSecondFlag = false;  // the user shows the transformed data
  float NonlinearExponent = 1.0f;  // d(log a)/dc
  float NonlinearBaseline = 0.0f;
  bool NonlinearExponentFitted = false;
  bool DriftOn = false;  // either drift model below is on
  bool PhotophysicsOn = false;
  float ExponentialDriftRate = 0.0f;  // per hour
  bool ExponentialDriftFitted = false;
  bool LimitingSignalFitted = false;
  float LimitingSignal = 1.0f;  // fraction
  bool LinearDriftOn = false;
  bool LinearDriftFitted = false;
  float LinearDrift = 0.0f;  // fraction per hour
  bool ConvolutionOn = false;
  float ConvolutionWidth = 0.0f;  // cm
  bool ConvolutionWidthFitted = false;
  float ConsiderDistFactor = 2.0f;  // Gaussian within this many widths
  bool ShadowOn = false;
  float ShadowRadius = 0.0f;  // cm
  bool ShadowFitted = false;
  bool DepletionOn = false;
  float DepletionS = 3.0f;          // S
  float DepletionD = 3e-7f;         // cm^2/s
  float DepletionAmplitude = 0.5f;  // signal units
  float DepletionLogKs = -3.0f;
  bool DepletionSFitted = false;
  bool DepletionDFitted = false;
  bool DepletionAmplitudeFitted = false;
  bool DepletionKsFitted = false;
};

// Wiener skewing of the optical signal by the refractive-index gradient.
struct WienerSkewingRecord {
  bool On = false;
  float Magnitude = 0.0f;               // cm^2 ml/mg
  float SignalPerConcentration = 0.0f;  // display only
  int MagnitudeFitted = 0;
};

// The mean field ctot(r, t) of the non-ideal c(s) model and the volume-
// fraction non-ideality switch.
struct CtotSettingsRecord {
  bool CtotFromDataOnly = true;
  bool ExcludeDiscreteFromCtot = false;
  bool VolumeFractionNonideality = false;
  bool UseExternalCtot = false;
  bool FreezeCtot = false;
  int MovienGrid = 500;        // radial grid of the non-ideal Lamm solutions
  int CtotRadialPoints = 100;  // radii at which the mean field is kept
  bool CreateDebugFiles = false;  // the run writes its intermediate profiles
};

// The option records above as the file keeps them between runs; the tools
// of these corrections read and write them here.
struct CorrectionOptionsRecord {
  BufferMismatchSettingsRecord BufferMismatch;
  FluorescenceCorrectionsRecord Fluorescence;
  WienerSkewingRecord WienerSkewing;
  CtotSettingsRecord Ctot;
};

extern CorrectionOptionsRecord CorrectionOptions;

// Set while a reload re-issues a model command: the command keeps the
// settings the reload has put in place.
extern bool ReloadInProgress;

// What the file needs of the application shell, the main window and the
// tools. Each has a default fit for runs without a window: the model
// commands set the model kind, the rest do nothing and the shell flags read
// false.
struct TempParameterFileLinksRecord {
  std::function<void(platform::WindowHandle)> ResetModelFlags;
  std::function<void(platform::WindowHandle, ModelKind)> IssueModelCommand;
  // The flotation command resets its grid limits once, unless this clears it.
  std::function<void()> ClearFlotationGridReset;
  std::function<void(const std::string&)> SaveCtotBesideParameters;
  std::function<void(platform::WindowHandle, const std::string&)> LoadCtotBesideParameters;
  std::function<bool(platform::WindowHandle)> CheckBufferSedCompatibility;
  std::function<void()> FixBufferSedimentationParams;
  std::function<void(platform::WindowHandle)> BufferSedOff;
  // A cursor line over the data plot at the reference meniscus.
  std::function<void(platform::WindowHandle, float radius)> DrawMeniscusCursor;
  std::function<void(platform::WindowHandle, int command, bool checked)> CheckMenuItem;
  // The command that lets the user choose a saved parameter file to reload.
  std::function<void(platform::WindowHandle)> ReloadSavedFitParameters;
  std::function<bool()> QuietMode;
  std::function<bool()> SerialFitRunning;
};

extern TempParameterFileLinksRecord TempParameterFileLinks;
// Puts every link back to its default.
void ResetTempParameterFileLinks();

// The 215 values of the current state; value 0 is 0 when intermediate (from
// inside a running optimiser), else 1.
std::vector<float> TempParameterValues(bool intermediate);

// Writes the file at DataFileLocation.TempParameterFilePath (nothing when
// it is empty); the best parameters are unpacked first.
void TmpSaveBestParams(platform::WindowHandle window, bool intermediate);

// Reads the file at path into the program-wide records and re-selects the
// model; 1 when restored, 0 when the file cannot be read or holds fewer than
// 99 values (then nothing is changed).
int ReloadParameters(platform::WindowHandle window, const std::string& path);

// After a load: offers to restore the analysis kept beside the data; 1 when
// parameters were restored or the reload command was run, else 0.
int OfferRestoreFromTempParameterFile(platform::WindowHandle window);

// Installs the offer above as the loaders' OfferRestorePreviousData.
void InstallTempParameterFile();
