#include "app/external/ExternalPrograms.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>

#include "app/calculators/NumberForm.h"
#include "app/commands/CommandTable.h"
#include "app/commands/DistributionCommands.h"
#include "app/models/ModelCommandSupport.h"
#include "state/ModelSelection.h"
#include "state/ProgramPaths.h"
#include "app/window/TXLAWindow.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "display/MainPlots.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "state/ModelParameters.h"
#include "numerics/Hydrodynamics.h"
#include "platform/Menu.h"
#include "platform/Window.h"
#include "plot/CWINPlot.h"
#include "tools/PlotExports.h"
#include "tools/SvdfrExport.h"
#include "ui/Boxes.h"

namespace {

// The six plotting programs by command id 878 .. 883.
constexpr int kFirstPlotCommand = 878;
constexpr std::array<const char*, 6> kPlotPrograms = {
    "plot3dgraph", "sedmovie", "plotdatafitres", "plotdatafitresdist", "plotsizeshape",
    "plotbeststructure"};
std::array<bool, 6> Available{};

// The second field of every plotting program's command line.
const char* const kProgramKey = "4113";

bool Available878(int id) {
  const int k = id - kFirstPlotCommand;
  return k >= 0 && k < 6 && Available[static_cast<std::size_t>(k)];
}

std::string E(double v) {
  return Printf("%e", v);
}

std::string D(int v) {
  return std::to_string(v);
}

bool VelocityDataShown() {
  return ScanDataSet.NFILES > 0 && !DlsDataMode && !ScanDataSet.EquilibriumDataMode &&
         display::MainPlots.DataPlot != nullptr;
}

int DataKindCode() {
  if (ScanReaderOptions.FluorescenceData) return 3;
  if (ScanReaderOptions.InterferenceData) return 2;
  return 1;
}

struct PlotRanges {
  float dataMin = 0, dataMax = 0, axisMin = 0, axisMax = 0, yMin = 0, yMax = 0;
  int scans = 0;
};

// The questions of the data plots; false when a prompt was cancelled.
bool AskRanges(TXLAWindow& window, int id, PlotRanges& r) {
  const CWINPlot& plot = *display::MainPlots.DataPlot;
  const auto& d = ScanDataSet;
  r.dataMin = r.axisMin = plot.fXMin;
  r.dataMax = r.axisMax = plot.fXMax;
  r.yMin = plot.fYMin;
  r.yMax = plot.fYMax;
  const bool fitPlot = id == 880 || id == 881;
  const char* caption = fitPlot ? "PLOT FIT" : "PLOT 3D";
  bool chosen = false;
  if (AskYesNo(window, "show data within fitting limits?", "PLOT 3D")) {
    r.dataMin = r.axisMin = d.FitLeftLim;
    r.dataMax = r.axisMax = d.FitRightLim;
    chosen = true;
  }
  if (AskYesNo(window, "radial axis range from meniscus to bottom?", "PLOT 3D")) {
    r.axisMin = ModelParameters.Meniscus;
    r.axisMax = ModelParameters.Bottom;
    chosen = true;
  }
  if (!chosen) ShowNote(window, "using current display limits in the TALUVO data plot", "PLOT 3D");
  bool askY = false;
  if (fitPlot && AskYesNo(window, "auto y-axis limits?", "PLOT FIT")) {
    r.yMin = r.yMax = 0;
  } else {
    askY = !AskYesNo(window, "use current y-axis limits?", caption);
  }
  if (askY) {
    std::vector<NumberField> y = {{"y-min", r.yMin}, {"y-max", r.yMax}};
    if (!AskNumbers(window, caption, y)) return false;
    r.yMin = y[0].value;
    r.yMax = y[1].value;
  }
  if (id == 879) {
    r.scans = d.NFILES;
    return true;
  }
  float scans = static_cast<float>(std::min(20, d.NFILES));
  if (!AskNumber(window, caption,
                 fitPlot ? "#of scans to plot (constant time interval)" : "#of scans to plot",
                 scans))
    return false;
  r.scans = std::clamp(static_cast<int>(scans), 1, d.NFILES);
  return true;
}

std::vector<std::string> RangeFields(const PlotRanges& r) {
  return {E(r.dataMin), E(r.dataMax), E(r.yMin), E(r.yMax), E(r.axisMin), E(r.axisMax),
          E(r.scans)};
}

// The program found at set-up may be gone or refuse to run by now: the user
// hears so instead of waiting for a plot that never comes.
void Start(TXLAWindow& window, const std::string& program,
           const std::vector<std::string>& arguments) {
  if (!platform::Current().StartProgram(program, arguments))
    ShowNote(window, "the plotting program cannot be started (" + program + ")", "ERROR",
             platform::BoxIcon::Error);
}

// PELKO with one option and its data file; says so when it is missing or
// does not start.
void StartPelko(TXLAWindow& window, const std::string& option, const std::string& file,
                bool executableWording = false) {
  const std::string tool = PelkoPath();
  if (!std::filesystem::exists(tool)) {
    ShowNote(window,
             Printf(executableWording ? "Can't seem to find PELKO executable at %s - Sorry!"
                                      : "Can't seem to find PELKO script at %s - Sorry!",
                    tool.c_str()),
             "PELKO");
    return;
  }
  if (!platform::Current().StartProgram(tool, {option, file}))
    ShowNote(window, "PELKO cannot be started (" + tool + ")", "ERROR", platform::BoxIcon::Error);
}

bool SGridDistributionModel() {
  const ModelKind k = ModelSelection.Kind;
  return UsesStandardCSKernel(k) || IsLsGStarModel(k) || k == ModelKind::CSBimodalFf0 ||
         k == ModelKind::CSBimodalFf0OneDiscrete || k == ModelKind::CSFlotation ||
         (IsContinuousModel(k) && k != ModelKind::ContinuousCM && k != ModelKind::CMInvariantD &&
          k != ModelKind::CMVariant278 && k != ModelKind::CMPriorVbar &&
          k != ModelKind::FMScalingLaw && !IsDlsModel(k));
}

float FirstGridS() {
  const auto& g = DistributionResult.DistSGrid;
  return g.size() > 1 ? g[1] : 0.0f;
}

float LastGridS() {
  const auto& g = DistributionResult.DistSGrid;
  const int n = std::min<int>(DistributionSettings.DistGridSize, static_cast<int>(g.size()) - 1);
  return n >= 1 ? g[static_cast<std::size_t>(n)] : 0.0f;
}

}  // namespace

std::string PlotProgramPath(int commandId) {
  const int k = commandId - kFirstPlotCommand;
  if (k < 0 || k >= 6) return {};
  return (std::filesystem::path(ProgramPaths.InstallationFolder) / "bin" /
          kPlotPrograms[static_cast<std::size_t>(k)])
      .string();
}

std::string PelkoPath() {
  return (std::filesystem::path(ProgramPaths.InstallationFolder) / "PELKO" / "PELKO").string();
}

void FindPlotPrograms(TXLAWindow& window) {
  for (int k = 0; k < 6; ++k) {
    const int id = kFirstPlotCommand + k;
    Available[static_cast<std::size_t>(k)] = std::filesystem::exists(PlotProgramPath(id));
    if (!Available[static_cast<std::size_t>(k)]) window.Menu().Delete(id);
  }
}

void CmPlotDataIn3dGraph(TXLAWindow& window) {
  if (!VelocityDataShown() || !Available878(878)) return;
  if (WriteDataFiles() == 0) return;
  PlotRanges r;
  if (!AskRanges(window, 878, r)) return;
  std::vector<std::string> args = {kProgramKey, ExportFolder(), D(ScanDataSet.NFILES),
                                   D(DataKindCode())};
  for (const std::string& f : RangeFields(r)) args.push_back(f);
  Start(window, PlotProgramPath(878), args);
}

void CmMakeSedimentationMovie(TXLAWindow& window) {
  if (!VelocityDataShown() || !Available878(879)) return;
  if (WriteDataFiles() == 0) return;
  PlotRanges r;
  if (!AskRanges(window, 879, r)) return;
  platform::FileDialogRequest file;
  file.owner = window.Handle();
  file.title = "select filename for movie file";
  file.filters = {{"movie files (*.avi)", {"*.avi"}}};
  file.initialFolder = DataFileLocation.DataFolder;
  file.fileName = "sedmovie.avi";
  file.defaultExtension = "avi";
  file.mustExist = false;
  if (!platform::Current().ShowSaveFileDialog(file) || file.chosen.empty()) return;
  std::vector<std::string> args = {kProgramKey, ExportFolder(), file.chosen.front(),
                                   D(ScanDataSet.NFILES), D(DataKindCode())};
  for (const std::string& f : RangeFields(r)) args.push_back(f);
  Start(window, PlotProgramPath(879), args);
}

void CmPlotDataFitResiduals(TXLAWindow& window) {
  if (!VelocityDataShown() || !Available878(880)) return;
  if (WriteDataFiles() == 0 || WriteFitFiles() == 0) return;
  PlotRanges r;
  if (!AskRanges(window, 880, r)) return;
  std::vector<std::string> args = {kProgramKey, ExportFolder(), D(ScanDataSet.NFILES),
                                   D(DataKindCode())};
  for (const std::string& f : RangeFields(r)) args.push_back(f);
  Start(window, PlotProgramPath(880), args);
}

void CmPlotDataFitResidualsDistribution(TXLAWindow& window) {
  if (!VelocityDataShown() || !Available878(881) || !SGridDistributionModel()) return;
  if (WriteDistributionFile(false) == 0 || WriteDataFiles() == 0 || WriteFitFiles() == 0) return;
  PlotRanges r;
  if (!AskRanges(window, 881, r)) return;
  std::vector<NumberField> s = {{"minimum value for s-axis in distribution plot", FirstGridS()},
                                {"maximum value for s-axis in distribution plot", LastGridS()}};
  if (!AskNumbers(window, "PLOT FIT", s)) return;
  std::vector<std::string> args = {kProgramKey, ExportFolder(), D(ScanDataSet.NFILES),
                                   D(DataKindCode())};
  for (const std::string& f : RangeFields(r)) args.push_back(f);
  args.push_back(E(s[0].value));
  args.push_back(E(s[1].value));
  Start(window, PlotProgramPath(881), args);
}

void CmPlotSizeAndShapeDistribution(TXLAWindow& window) {
  const ModelKind k = ModelSelection.Kind;
  if (!Available878(882) || (k != ModelKind::CSFf0 && k != ModelKind::CSFf0OneDiscrete)) return;
  if (!WriteSizeShapeDistribution(DistributionCommandLinks.WriteDistribution2D)) return;
  const auto& ds = DistributionSettings;
  const int axes = ds.Ff0PlotSM ? 5 : ds.Ff0PlotSR ? 3 : ds.Ff0PlotSD ? 4 : ds.Ff0PlotMFf0 ? 2 : 1;
  const bool showS = axes != 2, showFf0 = axes == 1 || axes == 2, showM = axes == 2 || axes == 5;
  // The grid's corners give the ranges of the derived axes.
  const float s0 = FirstGridS(), s1 = LastGridS(), f0 = ds.Ff0Min, f1 = ds.Ff0Max;
  const auto& c = SolventConditions;
  const float t = c.BufferTemperature - 273.15f;
  std::vector<float> masses, radii, ds7;
  for (float s : {s0, s1})
    for (float f : {f0, f1}) {
      const float m = CalculateMff02(s, f);
      masses.push_back(m * 0.001f);
      radii.push_back(m > 0 ? CalculateRadius(m, c.VBAR) * f * 1e9f : 0.0f);
      ds7.push_back(m > 0 ? DFromMassAndFF0(m, t, f) * 1e7f : 0.0f);
    }
  auto low = [](const std::vector<float>& v) { return *std::min_element(v.begin(), v.end()); };
  auto high = [](const std::vector<float>& v) { return *std::max_element(v.begin(), v.end()); };
  std::array<float, 10> range{};
  std::vector<NumberField> in;
  if (showS) {
    in.push_back({"minimum value for s-axis in distribution plot", s0});
    in.push_back({"maximum value for s-axis in distribution plot", s1});
  }
  if (showFf0) {
    in.push_back({"minimum value for ff0-axis in distribution plot", f0});
    in.push_back({"maximum value for ff0-axis in distribution plot", f1});
  }
  if (showM) {
    in.push_back({"minimum value for M-axis (kDa) in distribution plot", low(masses)});
    in.push_back({"maximum value for M-axis (kDa) in distribution plot", high(masses)});
  }
  if (axes == 3) {
    in.push_back({"minimum value for Rh-axis (nm) in distribution plot", low(radii)});
    in.push_back({"maximum value for Rh-axis (nm) in distribution plot", high(radii)});
  }
  if (axes == 4) {
    in.push_back({"minimum value for D-axis (F) in distribution plot", low(ds7)});
    in.push_back({"maximum value for D-axis (F) in distribution plot", high(ds7)});
  }
  if (!AskNumbers(window, "PLOT FIT", in)) return;
  std::size_t next = 0;
  auto take = [&](bool shown, int pair) {
    if (!shown) return;
    range[static_cast<std::size_t>(2 * pair)] = in[next++].value;
    range[static_cast<std::size_t>(2 * pair + 1)] = in[next++].value;
  };
  take(showS, 0);
  take(showFf0, 1);
  take(showM, 2);
  take(axes == 3, 3);
  take(axes == 4, 4);
  std::vector<std::string> args = {kProgramKey, ExportFolder(), D(axes),
                                   D(k == ModelKind::CSFf0OneDiscrete ? 1 : 0)};
  for (float v : range) args.push_back(E(v));
  Start(window, PlotProgramPath(882), args);
}

void CmPlotTriangulatedStructure(TXLAWindow& window) {
  if (!Available878(883)) return;
  platform::FileDialogRequest file;
  file.owner = window.Handle();
  file.title = "select filename for movie file";
  file.initialFolder = DataFileLocation.DataFolder;
  file.fileName = "*";
  file.mustExist = true;
  if (!platform::Current().ShowOpenFileDialog(file) || file.chosen.empty()) return;
  Start(window, PlotProgramPath(883), {kProgramKey, file.chosen.front()});
}

void StartPelkoDLS(TXLAWindow& window) {
  const auto& d = ScanDataSet;
  if (d.NFILES <= 0 || !DlsDataMode || display::MainPlots.DataPlot == nullptr) return;
  if (WriteDLSExport() == 0) return;
  const bool field = d.DlsRecords.size() >= 1 && d.DlsRecords[1].HoldsFieldAcf;
  StartPelko(window, field ? "--dls" : "--idls", ExportFolder() + "dlsdata.dat");
}

void StartPelkoEquilibrium(TXLAWindow& window) {
  const auto& d = ScanDataSet;
  if (d.NFILES <= 0 || !d.EquilibriumDataMode || display::MainPlots.DataPlot == nullptr) return;
  if (WriteSEDataFile() == 0) return;
  StartPelko(window, "--sedfr", ExportFolder() + "SEdata.dat");
}

void CmPelkoDataFitResidualsPlot(TXLAWindow& window) {
  const auto& d = ScanDataSet;
  if (d.NFILES <= 0) return;
  if (DlsDataMode) return StartPelkoDLS(window);
  if (d.EquilibriumDataMode) return StartPelkoEquilibrium(window);
  if (display::MainPlots.DataPlot == nullptr) return;
  const std::string file = ExportFolder() + "svdfrdata.dat";
  if (WriteSvdfrData(file) == 0) return;
  StartPelko(window, "--svdfr", file);
}

void CmPelkoCsPlot(TXLAWindow& window) {
  if (ScanDataSet.NFILES <= 0 || display::MainPlots.DataPlot == nullptr) return;
  if (WriteDistributionFile(true) == 0) return;
  if (DlsDataMode) ShowNote(window, "PELKO distribution will be in log10(R/nM)", "Attention");
  const std::string file = ExportFolder() + "dist.txt";
  const std::string tool = PelkoPath();
  if (!std::filesystem::exists(tool)) {
    StartPelko(window, "--cofs", file, true);
    return;
  }
  // The command line is kept beside the exports.
  const std::string last = ExportFolder() + "lastcommand.txt";
  std::FILE* f = std::fopen(last.c_str(), "w");
  if (f == nullptr) {
    ErrorBox("\n\aAttention: could not open " + last);
    return;
  }
  std::fprintf(f, "%s --cofs %s", tool.c_str(), file.c_str());
  if (std::fclose(f) != 0) {
    ErrorBox("\n\aAttention: could not open " + last);
    return;
  }
  StartPelko(window, "--cofs", file, true);
}

void CmPelkoPlot(TXLAWindow& window) {
  if (AskYesNo(window, "PELKO for data, fit, and residuals?", "PELKO")) {
    if (DlsDataMode)
      StartPelkoDLS(window);
    else if (ScanDataSet.EquilibriumDataMode)
      StartPelkoEquilibrium(window);
    else
      CmPelkoDataFitResidualsPlot(window);
  }
  if (IsContinuousModel(ModelSelection.Kind) && AskYesNo(window, "PELKO for c(s)?", "PELKO"))
    CmPelkoCsPlot(window);
}

void CmMinimumSValueForLogSpacedGrid(TXLAWindow& window) {
  const char* caption = "DISTRIBUTION OPTIONS";
  auto& d = DistributionSettings;
  d.LogSpacedSminOn = AskYesNo(window, "use minimum s-value for log spaced grids?", caption);
  window.Menu().Check(1107, d.LogSpacedSminOn);
  if (d.LogSpacedSminOn) AskNumber(window, caption, "min s-value:", d.LogSpacedSmin);
}

void RegisterExternalProgramCommands(CommandTable& table) {
  table.Add(878, &CmPlotDataIn3dGraph, false, "CmPlotDataIn3dGraph");
  table.Add(879, &CmMakeSedimentationMovie, false, "CmMakeSedimentationMovie");
  table.Add(880, &CmPlotDataFitResiduals, false, "CmPlotDataFitResiduals");
  table.Add(881, &CmPlotDataFitResidualsDistribution, false,
            "CmPlotDataFitResidualsDistribution");
  table.Add(882, &CmPlotSizeAndShapeDistribution, false, "CmPlotSizeAndShapeDistribution");
  table.Add(883, &CmPlotTriangulatedStructure, false, "CmPlotTriangulatedStructure");
  table.Add(899, &CmPelkoCsPlot, false, "CmPelkoCsPlot");
  table.Add(900, &CmPelkoDataFitResidualsPlot, false, "CmPelkoDataFitResidualsPlot");
  table.Add(901, &CmPelkoPlot, false, "CmPelkoPlot");
  table.Add(1107, &CmMinimumSValueForLogSpacedGrid, false, "CmMinimumSValueForLogSpacedGrid");
}
