#include "app/batch/BatchRun.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <vector>

#include "app/batch/BatchSettingsChecks.h"
#include "app/batch/BatchStatus.h"
#include "app/commands/CommandTable.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "app/window/TXLAWindow.h"
#include "data/CRotorSpeedProfile.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetServices.h"
#include "data/FilePathParts.h"
#include "data/LoadMessages.h"
#include "data/ListFiles.h"
#include "data/LoadData.h"
#include "data/ScanDataSet.h"
#include "data/ScanFileReader.h"
#include "data/ScanReaderOptions.h"
#include "data/SpeedSeries.h"
#include "data/SpeedStepsForData.h"
#include "state/SolventConditions.h"
#include "display/MainPlots.h"
#include "state/DisplayState.h"
#include "state/MainPlotLayout.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "state/LammThreadCount.h"
#include "models/FitDriver.h"
#include "models/ParameterPacking.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "numerics/RandomNumbers.h"
#include "ui/Boxes.h"

std::uint32_t BatchRandomSeed = 20061;

namespace {

// Command ids the batch runs exactly as the user's command would.
namespace id {
constexpr int Run = 213;
constexpr int Fit = 215;
constexpr int FitMAndS = 217;
constexpr int ContinuousCS = 275;
constexpr int LsGStarS = 288;
constexpr int ContinuousCSWithFlotation = 1117;
constexpr int SubtractTINoise = 508;
constexpr int SubtractRINoise = 509;
constexpr int LogSpacedSmin = 1107;
constexpr int SuppressBaselineCorrelation = 829;
constexpr int SecondDerivative = 294;
constexpr int WeightedThirdDerivative = 1118;
constexpr int MaxEnt = 295;
constexpr int BothRegularizations = 642;
constexpr int Simplex = 826;
constexpr int Annealing = 825;
constexpr int LevenbergMarquardt = 824;
constexpr int ShowResidualsHistogramItem = 943;
}  // namespace id

constexpr float kWaterViscosityPoise = 0.01002f;
// What a distribution fit reports for a run it could not complete.
constexpr float kAbortedRunRmsd = 1e10f;

void Command(TXLAWindow& window, int command) {
  DispatchCommand(window, command);
}

// Why a load of the listed scans failed: the first scan that does not read
// (read again, each read is bounded), named with the reader's words.
std::string LoadFailure(const std::vector<std::string>& paths) {
  for (const std::string& listed : paths) {
    const std::string path = ExistingCaseOfExtension(listed);
    if (!FileExists(path)) return "the scan file " + listed + " could not be loaded";
    ScanHeader header;
    int points = 0;
    OneBasedArray<float> radius, signal;
    if (!ReadAuxiliaryScanFile(path, &header, &points, &radius, &signal, nullptr, nullptr, 0.0f))
      return "the scan file " + path + " could not be loaded: " + ScanFileProblem();
  }
  return "the scans could not be loaded (see the load message)";
}

// The same file named twice would be fitted twice, weighing its noise
// double.
std::string ScanListedTwice(const std::vector<std::string>& paths) {
  std::map<std::string, std::size_t> seen;
  for (std::size_t k = 0; k < paths.size(); ++k) {
    std::error_code ec;
    const std::string path = ExistingCaseOfExtension(paths[k]);
    std::filesystem::path key = std::filesystem::weakly_canonical(path, ec);
    if (ec) key = std::filesystem::path(path).lexically_normal();
    const auto [at, fresh] = seen.emplace(key.string(), k);
    if (!fresh)
      return FormatText("the scan file %s is listed twice (ScanFilePath%zu and ScanFilePath%zu)",
                        paths[k].c_str(), at->second + 1, k + 1);
  }
  return {};
}

// The data type letter of the header that each extension kind of the
// instrument stands for: RA absorbance, RI intensity, IP interference, FI
// fluorescence, WA and WI wavelength scans. Other extensions say nothing.
char HeaderTypeOfExtension(const std::string& fileName) {
  std::string ext = SplitPath(fileName).Extension;
  if (ext.size() < 3) return '\0';
  const std::string kind = {static_cast<char>(std::toupper(static_cast<unsigned char>(ext[1]))),
                            static_cast<char>(std::toupper(static_cast<unsigned char>(ext[2])))};
  static const std::pair<const char*, char> kinds[] = {
      {"RA", 'R'}, {"RI", 'I'}, {"IP", 'P'}, {"FI", 'F'}, {"WA", 'W'}, {"WI", 'V'}};
  for (const auto& [name, letter] : kinds)
    if (kind == name) return letter;
  return '\0';
}

// A scan whose header names another kind than its extension (an
// interference scan renamed .RA1) would be fitted as the wrong kind of data.
std::string ScanOfAnotherKind() {
  const auto& d = ScanDataSet;
  for (int i = 1; i <= d.NFILES; ++i) {
    const char expected = HeaderTypeOfExtension(d.ScanFilePaths[i]);
    const char found = d.ScanHeaders[i].DataType;
    if (expected != '\0' && found != expected)
      return FormatText("the scan file %s holds data of type %c, but its extension names type %c "
                        "(mixed data types)",
                        d.ScanFilePaths[i].c_str(), found, expected);
  }
  return {};
}

const ScanHeader* LoadedHeaders() {
  return ScanDataSet.ScanHeaders.data();
}

// The speed course the simulations follow. Scans at one speed need none
// (or take speedsteps.txt of their folder when it agrees). Scans at changing
// speeds take speedsteps.txt when it agrees with their recorded speeds, or
// else a profile built from those speeds; a speedsteps.txt that contradicts
// them is never used. Empty, with BatchStatus.SpeedProfile saying which
// profile was taken, or the contradiction.
std::string ChooseSpeedProfile() {
  auto& d = ScanDataSet;
  std::string& used = BatchStatus.SpeedProfile;
  const bool consistent = d.DataSpeedProfile && d.UsingSpeedSteps &&
                          d.DataSpeedProfile->CheckScansAgainstSpeedSteps(d.NFILES, LoadedHeaders());
  const std::string file = d.DataSpeedProfile ? d.DataSpeedProfile->FileName() : std::string();
  if (!HasVariableSpeed(d.NFILES, LoadedHeaders())) {
    used = consistent ? "speedsteps.txt of the data folder (" + file + ")"
                      : "none: every scan was recorded at one rotor speed";
    return {};
  }
  if (consistent) {
    used = "speedsteps.txt of the data folder (" + file + ")";
    return {};
  }
  float low = d.ScanHeaders[1].Rpm, high = low;
  for (int i = 2; i <= d.NFILES; ++i) {
    low = std::min(low, d.ScanHeaders[i].Rpm);
    high = std::max(high, d.ScanHeaders[i].Rpm);
  }
  const std::string speeds =
      FormatText("the scans were recorded at %.0f to %.0f rpm", static_cast<double>(low),
                 static_cast<double>(high));
  const std::string beside =
      MergePath({DataFileLocation.Drive, DataFileLocation.Directory, "speedsteps", ".txt"});
  if (FileExists(beside))
    return "the rotor speed profile " + beside + " contradicts the scans' recorded speeds (" +
           speeds + ")";
  if (SpeedStepsFromScans(280.0f, 100.0f) && d.DataSpeedProfile &&
      d.DataSpeedProfile->CheckScansAgainstSpeedSteps(d.NFILES, LoadedHeaders())) {
    used = FormatText("built from the scans' recorded speeds (%d steps, %.0f to %.0f rpm)",
                      d.DataSpeedProfile->SpeedStepCount(), static_cast<double>(low),
                      static_cast<double>(high));
    return {};
  }
  return speeds + ", and no rotor speed profile built from them agrees with their times";
}

// After the run: a profile that the computations put in place (a low-speed
// phase the simulation guessed) must still agree with the scans.
std::string SpeedProfileContradiction() {
  const auto& d = ScanDataSet;
  if (!d.DataSpeedProfile || d.DataSpeedProfile->SpeedStepCount() < 1) return {};
  if (d.DataSpeedProfile->CheckScansAgainstSpeedSteps(d.NFILES, LoadedHeaders())) return {};
  return "the rotor speed profile " + d.DataSpeedProfile->FileName() +
         " that the run used contradicts the scans' recorded speeds";
}

void NoteFlotationRefused() {
  NoteBatchFailure(BatchExitCode::ParameterFileRefused,
                   "the flotation settings of the parameter file contradict each other");
}

// The run gave a result a caller can use: a model that was computed, finite
// everywhere, and for a distribution finite values.
std::string AnalysisProblem() {
  if (FitControl.CurrentRmsd >= kAbortedRunRmsd) return "the fit stopped before it gave a result";
  const auto& d = ScanDataSet;
  bool computed = false;
  for (int i = 1; i <= d.NFILES; ++i) {
    for (int k = 1; k <= d.ScanModel[i].size(); ++k) {
      if (!std::isfinite(d.ScanModel[i][k]))
        return "the analysis gave a model that holds values that are not numbers";
      computed = computed || d.ScanModel[i][k] != 0.0f;
    }
  }
  if (!computed) return "the analysis computed no model";
  // The rmsd as the window and the report show it.
  const float rmsd = ScanRmsd();
  if (!std::isfinite(rmsd))
    return FormatText("the analysis gave no valid result (rmsd %g)", static_cast<double>(rmsd));
  if (IsContinuousModel(ModelSelection.Kind)) {
    const auto& values = DistributionResult.DistValues;
    const int n = std::min<int>(DistributionSettings.DistGridSize,
                                static_cast<int>(values.size()) - 1);
    if (n < 1) return "the analysis computed no distribution";
    for (int i = 1; i <= n; ++i)
      if (!std::isfinite(values[i]))
        return "the computed distribution holds values that are not numbers";
  }
  return {};
}

// The c(s) settings of the record, each with its slot of the parameter
// vector: resolution; s range and f/f0; confidence level and grid kind.
void ApplyResolution(const CIniCustomPars& p) {
  DistributionSettings.Resolution = static_cast<float>(p.Resolution);
  ParameterVector[2 * NCOMP + 1] = DistributionSettings.Resolution;
}

void ApplyRangeAndFf0(float smin, float smax, float ff0, bool ff0Fitted) {
  auto& ds = DistributionSettings;
  auto& v = ParameterVector;
  ds.Smin = v[1] = smin;
  ds.Smax = v[NCOMP + 1] = smax;
  ds.StartingFrictionalRatio = v[2 * NCOMP + 3] = ff0;
  ds.FrictionalRatioFitted = ParameterFitted[2 * NCOMP + 3] = ff0Fitted ? 1 : 0;
}

void ApplyRegularizationAndGrid(const CIniCustomPars& p) {
  auto& ds = DistributionSettings;
  ds.RegularizationPvalue = ParameterVector[2] = p.RegularizationPvalue;
  ds.GridFromFile = p.GridfromFile;
  ParameterFitted[3] = p.GridfromFile ? 1 : 0;
  ds.LogarithmicGrid = p.UseLogSpaceSgrid;
  ParameterFitted[4] = p.UseLogSpaceSgrid ? 1 : 0;
}

void ApplyCSSettings(const CIniCustomPars& p) {
  ApplyResolution(p);
  ApplyRangeAndFf0(p.Smin, p.Smax, p.StartingFrictionalRatio, p.FrictionalRatioFitted);
  ApplyRegularizationAndGrid(p);
}

bool ApplyFlotationSettings(const CIniCustomPars& p, TXLAWindow& window) {
  if (p.FlotationDeconvolutionR <= 0.0f && p.FlotationDeconvolutionD <= 0.0f) {
    ErrorBox(
        "\n\aERROR: Flotation c(s) model needs either FlotationDeconvolutionR or "
        "FlotationDeconvolutionD");
    return false;
  }
  if (p.FlotationDeconvolutionR > 0.0f && p.FlotationDeconvolutionD > 0.0f) {
    ErrorBox(
        "\n\aERROR: Flotation c(s) model cannot use both FlotationDeconvolutionR and "
        "FlotationDeconvolutionD");
    return false;
  }
  if (!(p.FlotationMinS < p.FlotationMaxS && p.FlotationMaxS < 0.0f)) {
    ErrorBox("\n\aERROR: Flotation c(s) model needs FlotationMinS < FlotationMaxS < 0");
    return false;
  }
  auto& fl = DistributionSettings.FlotationSettings;
  auto& v = ParameterVector;
  auto& f = ParameterFitted;
  ModelSwitchState.FlotationLimitsPending = false;
  Command(window, id::ContinuousCSWithFlotation);
  ApplyResolution(p);
  if (p.FlotationOnly)
    ApplyRangeAndFf0(1.0f, 10.0f, 1.3f, false);
  else
    ApplyRangeAndFf0(p.Smin, p.Smax, p.StartingFrictionalRatio, p.FrictionalRatioFitted);
  ApplyRegularizationAndGrid(p);
  if (p.FlotationDeconvolutionR > 0.0f) {
    fl.FlotationDeconvolutionR = true;
    fl.FlotationDeconvolutionSize = p.FlotationDeconvolutionR * 1e-9f;
  } else {
    fl.FlotationDeconvolutionR = false;
    fl.FlotationDeconvolutionSize = p.FlotationDeconvolutionD * 1e-7f;
  }
  v[10] = fl.FlotationDeconvolutionSize;
  fl.FlotationMinS = p.FlotationMinS;
  v[6] = p.FlotationMinS;
  fl.FlotationMaxS = p.FlotationMaxS;
  v[8] = p.FlotationMaxS;
  fl.FlotationGridN = p.FlotationGridN;
  fl.FlotationOnly = p.FlotationOnly;
  f[6] = 0;
  return true;
}

void ApplyDiscreteSpecies(const CIniCustomPars& p, TXLAWindow& window) {
  if (FitControl.MassInsteadOfD) Command(window, id::FitMAndS);
  auto& mp = ModelParameters;
  auto& v = ParameterVector;
  auto& f = ParameterFitted;
  v[NCOMP + 1] = p.SimulateS;
  mp.SedCoefficient[1] = p.SimulateS;
  v[1] = p.SimulateD;
  mp.MassOrD[1] = p.SimulateD;
  v[2 * NCOMP + 1] = p.SimulateC;
  mp.Concentration[1] = p.SimulateC;
  f[NCOMP + 1] = f[1] = f[2 * NCOMP + 1] = 0;
  mp.SedCoefficientFitted[1] = mp.MassOrDFitted[1] = mp.ConcentrationFitted[1] = 0;
}

void ApplyRegularizationType(const std::string& type, TXLAWindow& window) {
  auto& r = DistributionSettings.RegularizationType;
  r = RegularizationTypeRecord{};
  r.MaxEntRegularizationOn = true;
  if (type == "Tikhonov") {
    r.MaxEntRegularizationOn = false;
    r.SecondDerivativeRegularization = true;
  } else if (type == "TP3") {
    r.MaxEntRegularizationOn = false;
    r.TP3Regularization = true;
  }
  window.CheckMenuItem(id::MaxEnt, r.MaxEntRegularizationOn);
  window.CheckMenuItem(id::SecondDerivative, r.SecondDerivativeRegularization);
  window.CheckMenuItem(id::WeightedThirdDerivative, r.TP3Regularization);
  window.CheckMenuItem(id::BothRegularizations, false);
}

void ApplyFittingAlgorithm(const std::string& name, TXLAWindow& window) {
  auto& kind = FitDriverSettings.OptimizerKind;
  kind = name == "Levenberg-Marquardt" ? OptimizerChoice::LevenbergMarquardt
                                       : OptimizerChoice::Simplex;
  window.CheckMenuItem(id::Simplex, kind == OptimizerChoice::Simplex);
  window.CheckMenuItem(id::Annealing, false);
  window.CheckMenuItem(id::LevenbergMarquardt, kind == OptimizerChoice::LevenbergMarquardt);
}

void ApplyNoiseSwitches(const CIniCustomPars& p) {
  auto& mp = ModelParameters;
  mp.BaselineFitted = p.BaselineFitted ? 1 : 0;
  ParameterFitted[BaselineSlot] = mp.BaselineFitted;
  FitControl.TINoiseFitted = p.TINoiseFitted;
  mp.RINoiseFitted = p.RINoiseFitted;
  // A fitted baseline is the simplest systematic noise.
  mp.SystematicNoiseOn = mp.BaselineFitted != 0;
  mp.BaselineFitted = 0;
  if (FitControl.TINoiseFitted) {
    mp.BaselineFitted = 0;
    mp.SystematicNoiseOn = true;
  }
  if (mp.RINoiseFitted) mp.SystematicNoiseOn = true;
}

void SubtractFittedNoise(const CIniCustomPars& p, TXLAWindow& window) {
  if (p.RINoiseFitted) Command(window, id::SubtractRINoise);
  if (p.TINoiseFitted) Command(window, id::SubtractTINoise);
}

}  // namespace

std::vector<std::string> BatchScanPaths(const CIniCustomPars& p) {
  std::vector<std::string> paths;
  if (p.nIndividualScanFilePaths >= 2) {
    for (int i = 1; i <= p.nIndividualScanFilePaths; ++i) paths.push_back(p.ScanFilePaths[i]);
    return paths;
  }
  if (p.nIndividualScanFilePaths == 1) return paths;
  if (p.FirstScan < 1 || p.LastScan < 1 || p.ScanInterval < 1 || p.LastScan <= p.FirstScan)
    return paths;
  std::string folder = p.DataDirectory;
  if (folder.empty() || folder.back() != '/') folder += '/';
  const std::string dot = !p.Channel.empty() && p.Channel.front() == '.' ? "" : ".";
  // Counted in a wide type: a last scan near the int limit must not wrap.
  for (long long n = p.FirstScan; n <= p.LastScan; n += p.ScanInterval) {
    char number[24];
    std::snprintf(number, sizeof number, "%05lld", n);
    paths.push_back(folder + number + dot + p.Channel);
  }
  return paths;
}

bool BuildBatchScanList(const CIniCustomPars& p, TXLAWindow& window) {
  const std::vector<std::string> paths = BatchScanPaths(p);
  if (paths.empty()) return false;
  FreeFileNameList();
  FileNameList.Count = static_cast<int>(paths.size());
  FileNameList.Paths.Resize(1, FileNameList.Count);
  for (int i = 1; i <= FileNameList.Count; ++i) FileNameList.Paths[i] = paths[i - 1];
  ScanReaderOptions.SpikeThreshold = p.DataSpikeThreshold;
  ScanReaderOptions.SpikeThresholdAbsorbance = p.DataSpikeThreshold;
  ScanReaderOptions.SpikeFilterOn = p.FilterDataSpikes;
  LoadOptions.TimeStampCheckOn = p.CheckTimeStamps;
  LoadFromList(window.Handle());
  SetMainWindowCaption(window.Handle(), "command line mode loaded -> " + paths.front() + "...");
  return true;
}

bool ApplyBatchParameters(const CIniCustomPars& p, TXLAWindow& window) {
  auto& mp = ModelParameters;
  auto& fc = FitControl;
  auto& v = ParameterVector;
  auto& f = ParameterFitted;
  mp.Meniscus = v[MeniscusSlot] = p.Meniscus;
  fc.MINMENISCUS = p.MeniscusLowerLimit;
  fc.MAXMENISCUS = p.MeniscusUpperLimit;
  mp.MeniscusFitted = f[MeniscusSlot] = p.MeniscusFitted ? 1 : 0;
  mp.Bottom = v[BottomSlot] = p.Bottom;
  fc.MINBOTTOM = p.BottomLowerLimit;
  fc.MAXBOTTOM = p.BottomUpperLimit;
  mp.BottomFitted = f[BottomSlot] = p.BottomFitted ? 1 : 0;
  ScanDataSet.FitLeftLim = p.LeftFitLimit;
  ScanDataSet.FitRightLim = p.RightFitLimit;
  PackParameterVector();

  if (p.Model == "discrete") {
    ApplyDiscreteSpecies(p, window);
  } else if (p.Model == "cofs") {
    Command(window, id::ContinuousCS);
    ApplyCSSettings(p);
  } else if (p.Model == "lsgofs") {
    Command(window, id::LsGStarS);
    ApplyCSSettings(p);
  } else if (p.Model == "flotationcofs") {
    if (!ApplyFlotationSettings(p, window)) return false;
  }

  auto& ds = DistributionSettings;
  if (p.UseLogSpaceSgrid && ds.Smin <= 0.0f) v[1] = ds.Smin = ds.Smin + 0.5f;
  ds.LogSpacedSminOn = p.LogSpacedSmin > 0.0f;
  if (ds.LogSpacedSminOn) ds.LogSpacedSmin = p.LogSpacedSmin;
  window.CheckMenuItem(id::LogSpacedSmin, ds.LogSpacedSminOn);

  ApplyNoiseSwitches(p);

  if (ScanDataSet.NFILES > 0) {
    SetupCommonRadialGrid();
    if (ScanDataSet.FitLeftLim != 0.0f) SetFirstFitIndex();
    if (ScanDataSet.FitRightLim != 0.0f) SetLastFitIndex();
  }

  auto& sc = SolventConditions;
  sc.VBAR = v[3] = p.Vbar;
  sc.BufferDensity = v[NCOMP + 3] = p.BufferDensity;
  v[2 * NCOMP + 4] = p.BufferViscosity;
  sc.RELVISCOSITY = p.BufferViscosity / kWaterViscosityPoise;
  sc.VbarRho = sc.VBAR * sc.BufferDensity;

  UnpackParameterVector();
  PackParameterVector();

  ds.SuppressBaselineCorrelation = p.SupressBaselineCorrelation;
  window.CheckMenuItem(id::SuppressBaselineCorrelation, p.SupressBaselineCorrelation);
  ApplyRegularizationType(p.RegularizationType, window);
  ApplyFittingAlgorithm(p.FittingAlgorithm, window);

  const int threads = std::max(1, p.NumberComputationThreads);
  if (threads > 1) ds.MultithreadingOn = true;
  ds.ThreadCount = threads;
  LammThreadCount = threads;

  MainDisplayOptions.ShowResidualsHistogram = p.ShowResidualsHistogram;
  window.CheckMenuItem(id::ShowResidualsHistogramItem, p.ShowResidualsHistogram);
  return true;
}

bool RunBatch(TXLAWindow& window) {
  if (!IniCustomPars) return false;
  const CIniCustomPars& p = *IniCustomPars;
  // A batch analysis is repeatable: the random starts of the fits (the
  // spread of a fresh simplex) draw the same numbers in every run of the
  // same parameter file. The window keeps seeding them from the clock.
  SeedClockRandomGenerators(BatchRandomSeed);
  // A caller waiting for the flag file is never left waiting: when the run
  // cannot go on and AutoExit was asked for, the program still ends (and
  // writes what it can).
  auto endIfAsked = [&] {
    if (p.AutoExit) BatchDone = true;
  };
  ResetBatchStatus();
  if (const std::string twice = ScanListedTwice(BatchScanPaths(p)); !twice.empty()) {
    NoteBatchFailure(BatchExitCode::DataNotLoaded, twice);
    endIfAsked();
    return true;
  }
  if (!BuildBatchScanList(p, window)) {
    NoteBatchFailure(BatchExitCode::DataNotLoaded,
                     "the parameter file names no valid list of scans; nothing was loaded");
    const bool applied = ApplyBatchParameters(p, window);
    if (!applied) NoteFlotationRefused();
    endIfAsked();
    if (!applied) return false;
    RepaintMainWindow(window.Handle());
    return true;
  }
  if (!ApplyBatchParameters(p, window)) {
    NoteFlotationRefused();
    endIfAsked();
    return false;
  }
  RepaintMainWindow(window.Handle());
  if (ScanDataSet.NFILES <= 0) {
    NoteBatchFailure(BatchExitCode::DataNotLoaded, LoadFailure(BatchScanPaths(p)));
    endIfAsked();
    return true;
  }
  // Data that cannot be analysed as the file says: nothing is run, and the
  // report lists no scan as loaded.
  auto refuse = [&](BatchExitCode code, const std::string& why) {
    NoteBatchFailure(code, why);
    FreeDataSet();
    endIfAsked();
    RepaintMainWindow(window.Handle());
    return true;
  };
  if (const std::string other = ScanOfAnotherKind(); !other.empty())
    return refuse(BatchExitCode::DataNotLoaded, other);
  if (const std::string outside = BatchSettingOutsideTheData(p); !outside.empty())
    return refuse(BatchExitCode::ParameterFileRefused,
                  "the parameter file " + p.ParameterFile + " was refused: " + outside);
  if (const std::string speeds = ChooseSpeedProfile(); !speeds.empty())
    return refuse(BatchExitCode::DataNotLoaded, speeds);
  const bool computes = p.SimulateOnly || p.AutoRun || p.AutoFit;
  if (p.SimulateOnly) {
    Command(window, id::Run);
  } else {
    if (p.AutoRun) Command(window, id::Run);
    if (p.AutoSubtractSystematicNoise) SubtractFittedNoise(p, window);
    if (p.AutoFit) Command(window, id::Fit);
    if (p.AutoSubtractSystematicNoise) SubtractFittedNoise(p, window);
    if (p.ShowResidualsHistogram) display::LayoutAndRenderMainPlots();
  }
  if (const std::string contradiction = SpeedProfileContradiction(); !contradiction.empty())
    NoteBatchFailure(BatchExitCode::DataNotLoaded, contradiction);
  if (computes)
    if (const std::string problem = AnalysisProblem(); !problem.empty())
      NoteBatchFailure(BatchExitCode::AnalysisFailed, problem);
  endIfAsked();
  RepaintMainWindow(window.Handle());
  return true;
}
