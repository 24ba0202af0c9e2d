// Appending files to the loaded set ("Add More Files"): the old scans stay,
// the new ones follow them, and the set is ordered, gridded and shown again
// as a whole. Unlike a fresh load, a file that cannot be read does not stop
// the reading; the set is released only after every file has been tried, so
// the user learns of every bad file at once.

#include "state/LoadOptions.h"
#include "data/CommonRadialGrid.h"
#include "data/LoadData.h"
#include "data/LoadMessages.h"
#include "data/LoadSteps.h"
#include "data/ScanDataSet.h"
#include "data/ScanFileReader.h"
#include "data/SpeedStepsForData.h"
#include "state/DisplayState.h"
#include "state/DistributionShown.h"

namespace {

std::vector<LoadFile> FilesToAdd(const FileSelection& selection, const PathParts& location) {
  std::vector<LoadFile> files;
  if (selection.size() == 1) {
    const PathParts p = SplitPath(selection[0]);
    files.push_back({selection[0], p.Name + p.Extension});
    return files;
  }
  for (std::size_t k = 1; k < selection.size(); ++k)
    files.push_back({location.Drive + location.Directory + selection[k], selection[k]});
  return files;
}

PathParts LocationOf(const FileSelection& selection) {
  if (selection.size() > 1) return SplitFolder(selection[0]);
  PathParts p = SplitPath(selection[0]);
  p.Name.clear();
  p.Extension.clear();
  return p;
}

}  // namespace

void AddMoreFiles(platform::WindowHandle window, const FileSelection& selection) {
  auto& d = ScanDataSet;
  if (d.NFILES <= 0) {
    LoadAllData(window, selection);
    return;
  }
  if (selection.empty()) return;
  d.DataChanged = true;
  const PathParts location = LocationOf(selection);
  const std::vector<LoadFile> files = FilesToAdd(selection, location);
  const int old = d.NFILES;
  const int total = old + static_cast<int>(files.size());
  // The grid views the scans' arrays; it goes before they move.
  FreeCommonRadialGrid();
  GrowScanSlots(total);
  const float averaging = LoadAveragingDistance();
  const bool checkStamps = LoadOptions.TimeStampCheckOn && !d.EquilibriumDataMode;
  bool anyFailed = false, discrepancyShown = false;
  for (int i = old + 1; i <= total; ++i) {
    const LoadFile& file = files[static_cast<std::size_t>(i - old - 1)];
    bool stampChecked = false;
    if (!ReadScanIntoSlot(window, i, file, averaging, d.TimesFromW2t, stampChecked)) {
      ShowLoadError(window, file.FullPath + "\n" + ScanFileProblem());
      anyFailed = true;
      continue;
    }
    if (checkStamps && !discrepancyShown && stampChecked != d.ScanHeaders[1].TimeStampChecked) {
      discrepancyShown = true;
      ShowLoadError(window,
                    file.FullPath + "\n time stamp correction discrepancy with previous data!");
    }
  }
  d.NFILES = total;
  if (anyFailed) {
    FreeDataSet();
    return;
  }
  auto& where = DataFileLocation;
  const PathParts last = SplitPath(files.back().FileName);
  where.Drive = location.Drive;
  where.Directory = location.Directory;
  where.FileName = last.Name;
  where.Extension = last.Extension;
  CoupleSpeedStepsFileForAddedFiles(window, location.Drive, location.Directory);
  DistributionShown = false;
  SetTempParameterFilePath(location);
  SetRunTemperature();
  SortScansByTime();
  BuildGridAndFitIndices();
  BuildMainDataPlots();
  RenderDataPlot(true);
  RepaintMainWindow(window);
}
