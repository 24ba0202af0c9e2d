#include "data/DlsLoading.h"

#include <algorithm>
#include <numeric>
#include <utility>
#include <vector>

#include "state/DlsPreferences.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/FilePathParts.h"
#include "data/LoadSteps.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "state/DisplayState.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "numerics/ConstantShorthands.h"
#include "state/DlsFlags.h"
#include "ui/Sounds.h"

OneBasedArray<DlsRecord>& DlsRecords = ScanDataSet.DlsRecords;

namespace {

constexpr double kKelvinOffset = 273.15;
// The files' viscosity unit: 0.01002 is the standard viscosity of water.
constexpr double kStandardViscosityPercent = 1.002;

struct DlsSelection {
  PathParts Location;
  std::vector<LoadFile> Files;
};

DlsSelection FilesOf(const FileSelection& selection) {
  DlsSelection s;
  if (selection.size() == 1) {
    s.Location = SplitPath(selection[0]);
    s.Location.Name.clear();
    s.Location.Extension.clear();
    const PathParts p = SplitPath(selection[0]);
    s.Files.push_back({WithForwardSlashes(selection[0]), p.Name + p.Extension});
    return s;
  }
  s.Location = SplitFolder(selection[0]);
  for (std::size_t k = 1; k < selection.size(); ++k) {
    PathParts p = s.Location;
    const PathParts name = SplitPath(selection[k]);
    p.Name = name.Name;
    p.Extension = name.Extension;
    s.Files.push_back({MergePath(p), name.Name + name.Extension});
  }
  return s;
}

void ReleaseDlsSet() {
  FreeDataSet();
  DlsDataMode = false;
}

void ReportUnreadable(platform::WindowHandle window, const std::string& path) {
  PlayInfoSound();
  platform::Current().ShowMessageBox(
      {window, path, "LOAD ERROR", platform::BoxIcon::Information, platform::BoxButtons::Ok});
}

bool ReadIntoSlot(int i, const LoadFile& file) {
  auto& d = ScanDataSet;
  d.ScanTimeOrder[i] = i;
  d.ScanFilePaths[i] = file.FileName;
  if (!ReadDLSDataFile(file.FullPath, &d.DlsRecords[i], &d.ScanPointCount[i], &d.ScanRadius[i],
                       &d.ScanSignal[i], AlwaysLoadG2))
    return false;
  const int n = d.ScanPointCount[i];
  d.ScanModel[i].Resize(1, n);
  d.ScanNoise[i].Resize(1, n);
  d.ScanResiduals[i] = d.ScanSignal[i];
  BuildScanPlotVectors(i);
  return true;
}

void SetSolventConditions() {
  const int n = ScanDataSet.NFILES;
  double temperature = 0.0, viscosity = 0.0;
  for (int i = 1; i <= n; ++i) {
    temperature += ScanDataSet.DlsRecords[i].DlsTemperature + kKelvinOffset;
    viscosity += ScanDataSet.DlsRecords[i].DlsViscosity;
  }
  temperature /= n;
  viscosity /= n;
  auto& s = SolventConditions;
  s.BufferTemperature = static_cast<float>(temperature);
  s.RELVISCOSITY = static_cast<float>(viscosity * 100.0 / kStandardViscosityPercent);
  s.GasConstantRT = static_cast<float>(temperature * kGasConstant);
}

// Meniscus and bottom mark the first file's lag range; fit limits outside it
// (for instance radii left from sedimentation data) give way to it.
void SetLagRangeAndLimits() {
  auto& d = ScanDataSet;
  auto& m = ModelParameters;
  m.Meniscus = FirstRadius(1);
  m.Bottom = LastRadius(1);
  if (d.FitLeftLim > m.Bottom || d.FitRightLim < m.Meniscus || d.FitLeftLim == 0.0f ||
      d.FitRightLim == 0.0f) {
    d.FitLeftLim = m.Meniscus;
    d.FitRightLim = m.Bottom;
  }
}

// A correlation function has no meniscus, bottom or systematic noise of an
// optical system; its baseline is fitted.
void SetDlsModelSettings() {
  auto& o = ScanReaderOptions;
  o.AbsorbanceData = false;
  o.InterferenceData = false;
  // Nor is it an intensity or fluorescence scan: a kind left from earlier
  // sedimentation data would change what the common grid holds.
  o.IntensityData = false;
  o.FluorescenceData = false;
  if (ModelSelection.Kind == ModelKind::BuoyantMassEquilibrium)
    ModelSelection.Kind = ModelKind::NoModel;
  auto& m = ModelParameters;
  m.InitialConcentrationConstant = true;
  m.InitialConcentrationExperimental = false;
  FitControl.TINoiseFitted = false;
  m.RINoiseFitted = false;
  m.MeniscusFitted = 0;
  m.BottomFitted = 0;
  ParameterFitted[MeniscusSlot] = 0;
  ParameterFitted[BottomSlot] = 0;
  m.BaselineFitted = 1;
  ParameterFitted[BaselineSlot] = 1;
}

void RememberLastFile(const DlsSelection& s) {
  auto& where = DataFileLocation;
  const PathParts last = SplitPath(s.Files.back().FileName);
  where.Drive = s.Location.Drive;
  where.Directory = s.Location.Directory;
  where.FileName = last.Name;
  where.Extension = last.Extension;
  SetTempParameterFilePath(s.Location);
}

template <class T>
void Permute(OneBasedArray<T>& slots, const std::vector<int>& order) {
  OneBasedArray<T> sorted(1, slots.hi());
  for (int k = 1; k <= slots.hi(); ++k)
    sorted[k] = std::move(slots[order[static_cast<std::size_t>(k - 1)]]);
  slots = std::move(sorted);
}

// Slot k receives the k-th earliest measurement; equal times keep the
// selection order.
void SortMeasurementsByTime() {
  auto& d = ScanDataSet;
  const int n = d.NFILES;
  std::vector<int> order(static_cast<std::size_t>(n));
  std::iota(order.begin(), order.end(), 1);
  std::stable_sort(order.begin(), order.end(), [&d](int a, int b) {
    return d.DlsRecords[a].DlsTime < d.DlsRecords[b].DlsTime;
  });
  // The views borrow the arrays about to move; they are built again below.
  for (auto& views : d.ScanPlotVectors) views = ScanPlotViews{};
  Permute(d.ScanFilePaths, order);
  Permute(d.DlsRecords, order);
  Permute(d.ScanPointCount, order);
  Permute(d.ScanRadius, order);
  Permute(d.ScanSignal, order);
  Permute(d.ScanModel, order);
  Permute(d.ScanNoise, order);
  Permute(d.ScanResiduals, order);
  for (int i = 1; i <= n; ++i) {
    d.ScanTimeOrder[i] = i;
    BuildScanPlotVectors(i);
  }
}

}  // namespace

bool LoadDlsData(platform::WindowHandle window, const FileSelection& selection) {
  auto& d = ScanDataSet;
  if (selection.empty()) return false;
  if (d.NFILES > 0) FreeDataSet();
  const DlsSelection s = FilesOf(selection);
  const int n = static_cast<int>(s.Files.size());
  if (n == 0) return false;

  AllocScanSlots(n);
  d.NFILES = n;
  d.DlsRecords.Resize(1, n);
  BuildResidualHistogram();
  DataFileLocation.DataFolder =
      selection.size() == 1 ? FolderOf(s.Location) : WithForwardSlashes(selection[0]);
  SetNotesFilePath(s.Location, s.Files.front());
  for (int i = 1; i <= n; ++i) {
    const LoadFile& file = s.Files[static_cast<std::size_t>(i - 1)];
    if (ReadIntoSlot(i, file)) continue;
    ReportUnreadable(window, file.FullPath);
    ReleaseDlsSet();
    return false;
  }
  SetSolventConditions();
  SetLagRangeAndLimits();
  SetDlsModelSettings();
  RememberLastFile(s);
  SortMeasurementsByTime();

  SetupCommonRadialGrid();
  SetFirstFitIndex();
  SetLastFitIndex();
  BuildMainDataPlots();
  RenderDataPlot(true);
  RepaintMainWindow(window);
  return true;
}

bool SaveMeanDlsData(const std::string& path) {
  const auto& d = ScanDataSet;
  const auto& g = CommonRadialGrid;
  if (!DlsDataMode || d.NFILES <= 0 || d.DlsRecords.size() < d.NFILES || g.CommonGridSize <= 0)
    return false;
  const int n = d.NFILES, size = g.CommonGridSize;
  OneBasedArray<float> mean(1, size);
  for (int k = 1; k <= size; ++k) {
    double sum = 0.0;
    for (int i = 1; i <= n; ++i) {
      const float y = g.ResampledSignals[i][k];
      sum += d.DlsRecords[i].HoldsFieldAcf ? SignedSquare(y) : y;
    }
    mean[k] = static_cast<float>(sum / n);
  }
  // The first measurement's settings at the buffer's temperature; the
  // averages are intensity correlations already.
  DlsRecord first = ScanDataSet.DlsRecords[1];
  first.DlsTemperature = static_cast<float>(SolventConditions.BufferTemperature - kKelvinOffset);
  first.HoldsFieldAcf = false;
  DlsFieldAcf = false;
  return SaveDLSDataFile(path, size, g.CommonGrid, mean.data(), "averaged", first);
}
