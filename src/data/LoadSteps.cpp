#include "data/LoadSteps.h"

#include <cctype>
#include <utility>

#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetServices.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "data/ScanFileReader.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "state/DisplayState.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"

namespace {

// pi / 30: rpm to rad/s.
constexpr float kOmegaPerRpm = 0.10471975511965977f;
constexpr float kKelvinOffset = 273.15f;
constexpr float kGasConstantSingle = 8.31451e7f;  // erg / (mol K)

// The character after the dot of a file name's extension, upper case.
char KindLetter(const std::string& fileName) {
  const std::string ext = SplitPath(fileName).Extension;
  return ext.size() >= 2 ? static_cast<char>(std::toupper(static_cast<unsigned char>(ext[1])))
                         : '\0';
}

}  // namespace

LoadProgressLine::LoadProgressLine(platform::WindowHandle window) : window_(window) {
  ShowLoadProgress(window_, 0.0f);
}

LoadProgressLine::~LoadProgressLine() {
  RemoveLoadProgress();
}

void LoadProgressLine::Advance(int done, int total) {
  ShowLoadProgress(window_, total > 0 ? static_cast<float>(done) / static_cast<float>(total) : 0);
}

float LoadAveragingDistance() {
  const auto& d = ScanDataSet;
  return d.RadialResolution > 0.001f && !d.EquilibriumDataMode ? d.RadialResolution : 0.0f;
}

bool ReadScanIntoSlot(platform::WindowHandle window, int i, const LoadFile& file,
                      float averagingDistance, bool w2tTimes, bool& stampChecked) {
  auto& d = ScanDataSet;
  d.ScanTimeOrder[i] = i;
  // The name as it is on disk, so that files written later beside the scan
  // (corrected times, lists) name the same file.
  const std::string path = ExistingCaseOfExtension(file.FullPath);
  const PathParts found = SplitPath(path);
  d.ScanFilePaths[i] = path == file.FullPath ? file.FileName : found.Name + found.Extension;
  ScanHeader& h = d.ScanHeaders[i];
  h = ScanHeader{};
  stampChecked = false;
  if (!ReadScanFile(path, &h, &d.ScanPointCount[i], &d.ScanRadius[i], &d.ScanSignal[i],
                    &d.ScanSecondColumn[i], &stampChecked, averagingDistance))
    return false;
  const int n = d.ScanPointCount[i];
  DebugLog(window, FormatText("\n --> %s (%d data points)", path.c_str(), n));
  if (ScanReaderOptions.IntensityData && d.ScanSecondColumn[i].size() == n) {
    // The third column of an intensity file is the sample's intensity, the
    // working signal; the second is the reference.
    std::swap(d.ScanSignal[i], d.ScanSecondColumn[i]);
    ModelParameters.InitialConcentrationConstant = true;
    ModelParameters.InitialConcentrationExperimental = false;
  }
  if (w2tTimes) {
    const float omega = h.Rpm * kOmegaPerRpm;
    const float omega2 = omega * omega;
    if (omega2 > 0.0f) h.Time = h.Omega2t / omega2;
  }
  d.ScanModel[i].Resize(1, n);
  d.ScanNoise[i].Resize(1, n);
  d.ScanResiduals[i] = d.ScanSignal[i];
  BuildScanPlotVectors(i);
  return true;
}

bool MixesInterferenceWithOtherKinds() {
  const auto& d = ScanDataSet;
  const char first = KindLetter(d.ScanFilePaths[1]);
  for (int i = 2; i <= d.NFILES; ++i) {
    const char other = KindLetter(d.ScanFilePaths[i]);
    if (other != first && (other == 'I' || first == 'I')) return true;
  }
  return false;
}

void SetTempParameterFilePath(const PathParts& location) {
  auto& where = DataFileLocation;
  PathParts p = location;
  if (LoadOptions.OldFilenameConvention) {
    p.Name = where.FileName;
    p.Extension = ".~p";
  } else {
    p.Name = "~tmppars";
    p.Extension = where.Extension;
  }
  where.TempParameterFilePath = MergePath(p);
}

void SetSdistFilePath(const PathParts& location) {
  PathParts p = location;
  p.Name = "sdist";
  p.Extension = DataFileLocation.Extension;
  DataFileLocation.SdistFilePath = MergePath(p);
}

void SetNotesFilePath(const PathParts& location, const LoadFile& first) {
  const PathParts file = SplitPath(first.FileName);
  PathParts p = location;
  if (LoadOptions.OldFilenameConvention) {
    p.Name = file.Name;
    p.Extension = ".not";
  } else {
    p.Name = "notes";
    p.Extension = file.Extension;
  }
  DataFileLocation.NotesFilePath = MergePath(p);
}

void SetRunTemperature() {
  const auto& d = ScanDataSet;
  // The scan loaded last, which need not be the latest in time.
  const float kelvin = d.ScanHeaders[d.NFILES].Temperature + kKelvinOffset;
  SolventConditions.BufferTemperature = kelvin;
  SolventConditions.GasConstantRT = kelvin * kGasConstantSingle;
}

void SetMeniscusBottomLimitDefaults() {
  auto& d = ScanDataSet;
  auto& m = ModelParameters;
  if (m.Meniscus == 0.0f) {
    m.Meniscus = FirstRadius(1);
    ParameterVector[MeniscusSlot] = m.Meniscus;
  }
  if (m.Bottom == 0.0f) {
    m.Bottom = LastRadius(1);
    ParameterVector[BottomSlot] = m.Bottom;
  }
  if (d.FitLeftLim == 0.0f) d.FitLeftLim = m.Meniscus + 0.005f;
  if (d.FitRightLim == 0.0f) d.FitRightLim = m.Bottom - 0.15f;
  m.MeniscusBottomLimitsUserSet = false;
  DefaultMeniscusBottomLimits();
}

void SortScansByTime() {
  auto& d = ScanDataSet;
  // Exchange sort that steps back after each exchange: stable, so scans of
  // equal times keep the order in which they were read.
  for (int p = 1; p < d.NFILES;) {
    const int a = d.ScanTimeOrder[p], b = d.ScanTimeOrder[p + 1];
    if (d.ScanHeaders[a].Time > d.ScanHeaders[b].Time) {
      std::swap(d.ScanTimeOrder[p], d.ScanTimeOrder[p + 1]);
      if (p > 1) --p;
    } else {
      ++p;
    }
  }
}

void SetNoiseDefaults(platform::WindowHandle window, bool setFlags) {
  auto& m = ModelParameters;
  if (setFlags) {
    // Interference optics carry time-invariant and radial-invariant offsets;
    // absorbance optics a baseline only.
    const bool noisy = ScanReaderOptions.InterferenceData ||
                       ModelSelection.Kind == ModelKind::BuoyantMassEquilibrium;
    FitControl.TINoiseFitted = noisy;
    m.RINoiseFitted = noisy;
    m.BaselineFitted = 1;
    ParameterFitted[BaselineSlot] = 1;
  }
  if (ScanReaderOptions.ElectrophoresisDataMode) {
    if (ScanDataSet.RampRotorSpeed) RampRotorSpeedOff(window);
    if (ScanDataSet.TimesFromW2t) TimesFromW2tOff(window);
  }
  if (FitControl.TINoiseFitted || m.RINoiseFitted)
    ShowNoiseButtons(0);
  else
    HideNoiseButtons(0);
}

void BuildGridAndFitIndices() {
  SetupCommonRadialGrid();
  if (ScanDataSet.FitLeftLim != 0.0f) SetFirstFitIndex();
  if (ScanDataSet.FitRightLim != 0.0f) SetLastFitIndex();
}
