#include "data/SyntheticData.h"

#include <cmath>
#include <numbers>

#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramPaths.h"
#include "state/SyntheticSeries.h"
#include "data/CommonRadialGrid.h"
#include "data/DataOperationLinks.h"
#include "data/DataSetServices.h"
#include "data/FilePathParts.h"
#include "data/InitialDistribution.h"
#include "data/LoadMessages.h"
#include "data/LoadSteps.h"
#include "data/ScanDataSet.h"
#include "data/ScanOutputSupport.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "state/DisplayState.h"
#include "state/DistributionSettingsRecords.h"
#include "state/DistributionShown.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "numerics/RandomNumbers.h"

namespace {

// (rpm / 60 * 2 pi)^2 without the division by 60 squared done twice.
double Omega2(float rpm) {
  return static_cast<double>(rpm) * rpm / 3600.0 * 4.0 * std::numbers::pi * std::numbers::pi;
}

// The loading of the first switched-on component; the self-association
// models start from the total concentration the caller stored.
float InitialLoading() {
  const ModelKind k = ModelSelection.Kind;
  if (k == ModelKind::MonomerDimer || k == ModelKind::SelfAssociation124 ||
      k == ModelKind::SelfAssociation148)
    return SyntheticTotalLoading;
  const auto& m = ModelParameters;
  for (int c = 1; c <= NCOMP; ++c)
    if (m.ComponentOn[static_cast<std::size_t>(c)] != 0) return m.Concentration[static_cast<std::size_t>(c)];
  return 0.0f;
}

void BuildInitialDistribution(platform::WindowHandle window, const std::vector<float>& radii,
                              float rpm) {
  auto& init = InitialDistribution;
  const int n = static_cast<int>(radii.size());
  init = InitialDistributionRecord{};
  init.Radius.Resize(1, n);
  init.Signal.Resize(1, n);
  init.Count = n;
  const float loading = InitialLoading();
  for (int k = 1; k <= n; ++k) {
    init.Radius[k] = radii[static_cast<std::size_t>(k - 1)];
    init.Signal[k] = loading;
  }
  ModelSelection.InvertBand =
      IsZoneModel(ModelSelection.Kind) && AskYesNo(window, "invert band initial distribution?", "");
  ScanHeader& h = init.InitialDataHeader;
  h.Description = "synthetic";
  h.Rpm = rpm;
  h.Wavelength = 100.0f;
  h.ColumnCode = 1;
  h.FileMeniscus = ModelParameters.Meniscus;
  h.PointCount = n;
  h.TimeStampChecked = true;
}

void BuildScans(const SyntheticDataRequest& q, const std::vector<float>& radii) {
  auto& d = ScanDataSet;
  const int n = static_cast<int>(radii.size());
  ScanReaderOptions.AbsorbanceData = true;
  ScanReaderOptions.IntensityData = false;
  ScanReaderOptions.InterferenceData = false;
  AllocScanSlots(q.scanCount);
  d.NFILES = q.scanCount;
  const double w2 = Omega2(q.rpm);
  for (int i = 1; i <= q.scanCount; ++i) {
    d.ScanFilePaths[i] = FormatText("%05d.ra0", i);
    for (ScanArrays* a : {&d.ScanRadius, &d.ScanSignal, &d.ScanModel, &d.ScanNoise, &d.ScanResiduals})
      (*a)[i].Resize(1, n);
    for (int k = 1; k <= n; ++k) {
      d.ScanRadius[i][k] = radii[static_cast<std::size_t>(k - 1)];
      d.ScanSignal[i][k] = d.ScanModel[i][k] = d.ScanNoise[i][k] = 0.0f;
      d.ScanResiduals[i][k] = q.noise > 0.0f ? GaussianRandom(q.noise) : 0.0f;
    }
    d.ScanPointCount[i] = n;
    d.ScanTimeOrder[i] = i;
    ScanHeader& h = d.ScanHeaders[i];
    h = ScanHeader{};
    h.Description = "synthetic";
    h.DataType = 'R';
    h.Cell = 1;
    h.Temperature = 20.0f;
    h.Rpm = q.rpm;
    h.Wavelength = 100.0f;
    h.ColumnCode = 1;
    h.FileMeniscus = ModelParameters.Meniscus;
    h.PointCount = n;
    h.Time = q.firstTime == 0.0f ? static_cast<double>(i) * q.interval
                                 : static_cast<double>(q.firstTime) + (i - 1.0) * q.interval;
    h.Omega2t = w2 * h.Time;
    h.TimeStampChecked = true;
    if (q.acceleration > 0.0f) {
      h.RampAcceleration = q.acceleration;
      h.RampDuration = static_cast<double>(q.rpm) / q.acceleration;
      h.Time += h.RampDuration;
      // A linear ramp reaches a third of the omega^2 t of full speed.
      h.Omega2t += w2 * h.RampDuration / 3.0;
    }
    h.RecordedTime = h.Time;
    d.ScanFirstFitIndex[i] = 1;
    d.ScanLastFitIndex[i] = n;
    BuildScanPlotVectors(i);
  }
  if (!SeriesGenerationRunning) {
    d.FitLeftLim = ModelParameters.Meniscus + 0.01f;
    d.FitRightLim = ModelParameters.Bottom - 0.01f;
  }
  auto& s = SolventConditions;
  s.BufferTemperature = d.ScanHeaders[d.NFILES].Temperature + 273.15f;
  s.GasConstantRT = s.BufferTemperature * 8.31451e7f;
}

void SimulateContinuousModel(platform::WindowHandle window) {
  const std::string& file = ProgramPaths.DistribFile;
  platform::Current().ShowMessageBox(
      {window, FormatText("put synthetic distribution in %s", file.c_str()), "ATTENTION",
       platform::BoxIcon::Information, platform::BoxButtons::Ok});
  auto& flags = DistributionRunFlags;
  flags.NormalizeLoadedDistribution = AskYesNo(window, "is synthetic distribution normalized?", "ATTENTION");
  if (DataOperationLinks.LoadDistributionFile(file)) {
    // The distribution is computed on the scans' own radii.
    ScanReaderOptions.AbsorbanceData = false;
    SetupCommonRadialGrid();
    flags.SimulateFromDistribution = true;
    DataOperationLinks.RunContinuousModel(window);
    flags.SimulateFromDistribution = false;
    FreeCommonRadialGrid();
    ScanReaderOptions.AbsorbanceData = true;
  }
  flags.NormalizeLoadedDistribution = false;
}

void Simulate(platform::WindowHandle window, const SyntheticDataRequest& q) {
  auto& d = ScanDataSet;
  LammSolverSettings.LammRunning = true;
  const bool ramp = d.RampRotorSpeed, fromW2t = d.TimesFromW2t;
  d.RampRotorSpeed = q.acceleration >= 0.0f;
  if (d.RampRotorSpeed) d.TimesFromW2t = false;
  if (IsContinuousModel(ModelSelection.Kind))
    SimulateContinuousModel(window);
  else
    DataOperationLinks.SimulateModel(window);
  LammSolverSettings.LammRunning = false;
  d.RampRotorSpeed = ramp;
  d.TimesFromW2t = fromW2t;
  if (d.TimesFromW2t)
    for (int i = 1; i <= d.NFILES; ++i) {
      const double w = static_cast<double>(d.ScanHeaders[i].Rpm) * std::numbers::pi / 30.0;
      d.ScanHeaders[i].Time = d.ScanHeaders[i].Omega2t / (w * w);
    }
}

}  // namespace

bool GenerateSyntheticData(platform::WindowHandle window, const SyntheticDataRequest& q) {
  if (q.scanCount < 1) return false;
  auto& d = ScanDataSet;
  auto& m = ModelParameters;
  d.DataChanged = true;
  m.InitialConcentrationConstant = true;
  m.InitialConcentrationExperimental = false;
  m.SystematicNoiseOn = false;
  m.RINoiseFitted = false;
  FitControl.TINoiseFitted = false;
  const PathParts parts = SplitPath(q.path);
  DataFileLocation.Drive = parts.Drive;
  DataFileLocation.Directory = parts.Directory;
  DataFileLocation.DataFolder = FolderOf(parts);
  // A step that does not advance would never reach the bottom.
  if (!(q.radialStep > 0.0f)) {
    if (q.radialStep < 0.0f || std::isnan(q.radialStep))
      ShowLoadError(window, "the density of points dr must be positive", "ERROR");
    return false;
  }
  if (m.Bottom < m.Meniscus) return false;

  if (!q.reuseScans) {
    std::vector<float> radii;
    int count = 0;
    for (float r = m.Meniscus; r <= m.Bottom; r += q.radialStep) ++count;
    for (int i = 1; i <= count; ++i)
      radii.push_back(m.Meniscus + static_cast<float>(i - 1) * q.radialStep);
    if (d.NFILES > 0) FreeDataSet();
    BuildInitialDistribution(window, radii, q.rpm);
    BuildScans(q, radii);
  }
  if (d.NFILES < 1) return false;
  // The residual arrays hold the noise (with reused scans, the residuals of
  // the loaded data); a simulation that updates residuals must not lose it.
  std::vector<std::vector<float>> noise(static_cast<std::size_t>(d.NFILES) + 1);
  for (int i = 1; i <= d.NFILES; ++i)
    noise[static_cast<std::size_t>(i)].assign(d.ScanResiduals[i].data() + 1,
                                              d.ScanResiduals[i].data() + 1 + d.ScanPointCount[i]);
  Simulate(window, q);
  for (int i = 1; i <= d.NFILES; ++i)
    for (int k = 1; k <= d.ScanPointCount[i]; ++k) {
      d.ScanResiduals[i][k] = noise[static_cast<std::size_t>(i)][static_cast<std::size_t>(k - 1)];
      d.ScanSignal[i][k] = d.ScanModel[i][k] + d.ScanResiduals[i][k];
    }
  SortScansByTime();
  SetupCommonRadialGrid();
  const std::string folder = OutputFolderOf(q.path);
  bool all = true;
  for (int i = 1; i <= d.NFILES; ++i)
    all = WriteScanFileReported(folder + d.ScanFilePaths[i], d.ScanPointCount[i],
                                d.ScanRadius[i].data(), d.ScanSignal[i].data(), nullptr, nullptr,
                                d.ScanHeaders[i].TimeStampChecked, d.ScanHeaders[i]) &&
          all;
  const std::string meanDev =
      q.noise > 0.0f ? FormatText("mean dev = %f  ", static_cast<double>(ScanRmsd())) : "";
  DistributionShown = false;
  BuildMainDataPlots();
  RenderDataPlot(true);
  if (!SeriesGenerationRunning) {
    RepaintMainWindow(window);
    if (DrawingAllowed && !meanDev.empty())
      platform::Current().DrawWindowText(window, 10, 50, meanDev);
  }
  return all;
}
