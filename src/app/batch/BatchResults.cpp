#include "app/batch/BatchResults.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "app/batch/BatchOutputFolder.h"
#include "app/batch/BatchStatus.h"
#include "app/commands/CommandTable.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetServices.h"
#include "data/FilePathParts.h"
#include "data/FitDataFiles.h"
#include "data/ListFiles.h"
#include "data/LoadMessages.h"
#include "data/ResidualHistogram.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "engines/GlobalLammSolver.h"
#include "models/FitDriver.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "platform/BmpWriter.h"
#include "tools/SvdfrExport.h"
#include "ui/Boxes.h"

const char* const TaluvoVersionText = "0.1";

namespace {

namespace fs = std::filesystem;

constexpr float kWaterViscosityPoise = 0.01002f;

// Paths and free texts go into the report escaped, so that an ampersand or
// an angle bracket in a folder name keeps the report well-formed.
std::string Escaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

const char* TrueFalse(bool on) {
  return on ? "TRUE" : "FALSE";
}

std::string Element(const char* name, bool on) {
  return FormatText("\n<%s>%s</%s>", name, TrueFalse(on), name);
}

std::string ResultPath(const CIniCustomPars& pars, const char* name) {
  return (fs::path(pars.OutputResultsDirectory) / name).string();
}

// The status of the last fit in the optimiser's own words. The blanks
// after it tell a reader of the report which engine did the last
// simulation: 8 (Levenberg-Marquardt) or 6 (annealing) after the fixed-grid
// engine on the global arrays, else 5.
std::string FittingStepsText() {
  const auto& f = FitControl;
  const bool globalEngine = GlobalLammEngineUsed;
  switch (FitDriverSettings.OptimizerKind) {
    case OptimizerChoice::LevenbergMarquardt:
      return FormatText("sim #%d, ML step #%d, step #%d", f.SimulationCount, f.OptimizerStep,
                        f.EvaluationCount) +
             std::string(globalEngine ? 8 : 5, ' ');
    case OptimizerChoice::SimulatedAnnealing:
      return FormatText("sim #%d, SA step #%d, step#%d, T=%.3f", f.SimulationCount, f.OptimizerStep,
                        f.EvaluationCount, static_cast<double>(f.AnnealTemperature)) +
             std::string(globalEngine ? 6 : 5, ' ');
    case OptimizerChoice::Simplex:
      break;
  }
  return FormatText("s%d, step #%d", f.OptimizerStep, f.EvaluationCount) + std::string(5, ' ');
}


// How the run ended, in the words a caller can test for.
std::string StatusElements() {
  if (!BatchStatus.Failed()) return "\n<RunStatus>completed</RunStatus>\n<ExitCode>0</ExitCode>";
  return "\n<RunStatus>failed</RunStatus>" +
         FormatText("\n<ExitCode>%d</ExitCode>", BatchExitCodeValue()) + "\n<FailureReason>" +
         Escaped(BatchStatus.Reason) + "</FailureReason>";
}

// The scan files that are in the data set now. A load keeps all of its
// files or none, so these are the listed ones, named as they are on disk.
std::vector<std::string> LoadedScanPaths() {
  const auto& d = ScanDataSet;
  std::vector<std::string> paths;
  if (d.NFILES <= 0) return paths;
  if (FileNameList.Count == d.NFILES) {
    for (int i = 1; i <= FileNameList.Count; ++i)
      paths.push_back(ExistingCaseOfExtension(FileNameList.Paths[i]));
  } else {
    for (int i = 1; i <= d.NFILES; ++i) paths.push_back(d.ScanFilePaths[i]);
  }
  return paths;
}

std::FILE* OpenResultFile(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) ErrorBox("\n\aAttention: could not open " + path);
  return f;
}

bool Close(std::FILE* f) {
  return std::fclose(f) == 0;
}

}  // namespace

std::string BatchResultXml(const CIniCustomPars& pars) {
  const auto& d = ScanDataSet;
  const auto& fc = FitControl;
  const auto& mp = ModelParameters;
  const auto& ds = DistributionSettings;
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cGMPTaluvo>\n";
  x += FormatText("\n<TALUVOVersion>TALUVO  version %s</TALUVOVersion>", TaluvoVersionText);
  x += "\n<ScreenShotPath>" + Escaped(ResultPath(pars, "screenshot.bmp")) + "</ScreenShotPath>";
  x += "\n<CofsDataPath>" + Escaped(ResultPath(pars, "distribution.dat")) + "</CofsDataPath>";
  x += "\n<TINoisePath>" + Escaped(ResultPath(pars, "TInoise.dat")) + "</TINoisePath>";
  x += "\n<RINoisePath>" + Escaped(ResultPath(pars, "RInoise.dat")) + "</RINoisePath>";
  x += "\n<ScanRMSDpath>" + Escaped(ResultPath(pars, "ScanRMSD.dat")) + "</ScanRMSDpath>";
  if (pars.PassThrough) x += "\n<PassThrough>" + Escaped(*pars.PassThrough) + "</PassThrough>";
  x += "\n<ScanDataFilesLoaded>";
  for (const std::string& path : LoadedScanPaths()) x += "\n  " + Escaped(path);
  x += "\n</ScanDataFilesLoaded>";
  x += "\n<FittingStepsText>" + FittingStepsText() + "</FittingStepsText>";
  // Without data there is no fit to measure; a zero would read as a perfect one.
  if (d.NFILES > 0) {
    x += FormatText("\n<RMSD>%f</RMSD>", static_cast<double>(fc.CurrentRmsd));
    x += FormatText("\n<RMSD-points>%.0f</RMSD-points>", static_cast<double>(fc.FitPointCount));
    x += FormatText("\n<RMSD-SSR>%f</RMSD-SSR>",
                    static_cast<double>(fc.CurrentRmsd) * fc.CurrentRmsd * fc.FitPointCount);
    x += FormatText("\n<RunsTestZ>%f</RunsTestZ>", static_cast<double>(ScanRunsTestZ()));
    float misfit = 0.0f;
    ResidualHistogram(nullptr, nullptr, nullptr, nullptr, nullptr, &misfit);
    x += FormatText("\n<HistogramH>%f</HistogramH>", static_cast<double>(misfit));
  }
  x += "\n<FittingAlgorithm>";
  switch (FitDriverSettings.OptimizerKind) {
    case OptimizerChoice::Simplex:
      x += "Simplex</FittingAlgorithm>";
      break;
    case OptimizerChoice::LevenbergMarquardt:
      x += "Levenberg-Marquardt</FittingAlgorithm>";
      break;
    case OptimizerChoice::SimulatedAnnealing:
      x += "SimulatedAnnealing</FittingAlgorithm>";
      break;
  }
  x += FormatText("\n<Meniscus>%f</Meniscus>", static_cast<double>(mp.Meniscus));
  x += FormatText("\n<MeniscusLowerLimit>%f</MeniscusLowerLimit>",
                  static_cast<double>(fc.MINMENISCUS));
  x += FormatText("\n<MeniscusUpperLimit>%f</MeniscusUpperLimit>",
                  static_cast<double>(fc.MAXMENISCUS));
  x += Element("MeniscusFitted", mp.MeniscusFitted != 0);
  x += FormatText("\n<Bottom>%f</Bottom>", static_cast<double>(mp.Bottom));
  x += FormatText("\n<BottomLowerLimit>%f</BottomLowerLimit>", static_cast<double>(fc.MINBOTTOM));
  x += FormatText("\n<BottomUpperLimit>%f</BottomUpperLimit>", static_cast<double>(fc.MAXBOTTOM));
  x += Element("BottomFitted", mp.BottomFitted != 0);
  x += FormatText("\n<LeftFitLimit>%f</LeftFitLimit>", static_cast<double>(d.FitLeftLim));
  x += FormatText("\n<RightFitLimit>%f</RightFitLimit>", static_cast<double>(d.FitRightLim));
  const bool baseline =
      mp.BaselineFitted != 0 || (mp.SystematicNoiseOn && !mp.RINoiseFitted && !fc.TINoiseFitted);
  x += FormatText("\n\t<BaselineFitted>%s</BaselineFitted>", TrueFalse(baseline));
  x += Element("RINoiseFitted", mp.RINoiseFitted);
  x += Element("TINoiseFitted", fc.TINoiseFitted);
  const ModelKind kind = ModelSelection.Kind;
  if (IsContinuousModel(kind) && (kind == ModelKind::CSFlotation || UsesStandardCSKernel(kind))) {
    if (IsLsGStarModel(kind))
      x += "\n<Model>lsgofs</Model>";
    else if (kind == ModelKind::CSFlotation)
      x += "\n<Model>flotationcofs</Model>";
    else
      x += "\n<Model>cofs</Model>";
  } else if (pars.SimulateOnly) {
    x += "\n<Model>discrete</Model>";
    x += "\n<SimulateOnly>TRUE</SimulateOnly>";
    x += FormatText("\n<SimulateS>%f</SimulateS>", static_cast<double>(pars.SimulateS));
    x += FormatText("\n<SimulateD>%f</SimulateD>", static_cast<double>(pars.SimulateD));
    x += FormatText("\n<SimulateC>%f</SimulateC>", static_cast<double>(pars.SimulateC));
  }
  x += "\n<RegularizationType>";
  if (ds.RegularizationType.SecondDerivativeRegularization)
    x += "Tikhonov</RegularizationType>";
  else if (ds.RegularizationType.TP3Regularization)
    x += "TP3</RegularizationType>";
  else
    x += "maxent</RegularizationType>";
  x += FormatText("\n<RegularizationPvalue>%f</RegularizationPvalue>",
                  static_cast<double>(ds.RegularizationPvalue));
  x += FormatText("\n<StartingFrictionalRatio>%f</StartingFrictionalRatio>",
                  static_cast<double>(pars.StartingFrictionalRatio));
  x += FormatText("\n<FrictionalRatio>%f</FrictionalRatio>",
                  static_cast<double>(ds.StartingFrictionalRatio));
  x += Element("FrictionalRatioFitted", ds.FrictionalRatioFitted != 0);
  x += FormatText("\n<Resolution>%.0f</Resolution>", static_cast<double>(ds.Resolution));
  x += FormatText("\n<Smin>%f</Smin>", static_cast<double>(ds.Smin));
  x += FormatText("\n<Smax>%f</Smax>", static_cast<double>(ds.Smax));
  const auto& fl = ds.FlotationSettings;
  if (fl.FlotationDeconvolutionR)
    x += FormatText("\n<FlotationDeconvolutionR>%f</FlotationDeconvolutionR>",
                    static_cast<double>(fl.FlotationDeconvolutionSize) * 1e9);
  else
    x += FormatText("\n<FlotationDeconvolutionD>%f</FlotationDeconvolutionD>",
                    static_cast<double>(fl.FlotationDeconvolutionSize) * 1e7);
  x += FormatText("\n<FlotationSmin>%f</FlotationSmin>", static_cast<double>(fl.FlotationMinS));
  x += FormatText("\n<FlotationSmax>%f</FlotationSmax>", static_cast<double>(fl.FlotationMaxS));
  x += FormatText("\n<FlotationResolution>%d</FlotationResolution>", fl.FlotationGridN);
  x += Element("FlotationOnly", fl.FlotationOnly);
  x += Element("GridfromFile", ds.GridFromFile);
  x += Element("UseLogSpaceSgrid", ds.LogarithmicGrid);
  if (ds.LogSpacedSminOn)
    x += FormatText("\n<LogSpacedSmin>%f</LogSpacedSmin>", static_cast<double>(ds.LogSpacedSmin));
  else
    x += "\n<LogSpacedSmin>0</LogSpacedSmin>";
  x += FormatText("\n<Vbar>%f</Vbar>", static_cast<double>(SolventConditions.VBAR));
  x += FormatText("\n<BufferDensity>%f</BufferDensity>",
                  static_cast<double>(SolventConditions.BufferDensity));
  x += FormatText("\n<BufferViscosity>%f</BufferViscosity>",
                  static_cast<double>(kWaterViscosityPoise * SolventConditions.RELVISCOSITY));
  x += Element("SupressBaselineCorrelation", ds.SuppressBaselineCorrelation);
  x += Element("CheckTimeStamps", LoadOptions.TimeStampCheckOn);
  if (d.NFILES > 0) {
    const ScanHeader& last = d.ScanHeaders[d.ScanTimeOrder[d.NFILES]];
    x += FormatText("\n<RotorSpeed>%.0f</RotorSpeed>", static_cast<double>(last.Rpm));
    x += FormatText("\n<Wavelength>%.3f</Wavelength>", static_cast<double>(last.Wavelength));
    x += FormatText("\n<w2tLastScan>%e</w2tLastScan>", last.Omega2t);
    x += FormatText("\n<tLastScan>%e</tLastScan>", last.Time);
    float sum = 0.0f;
    float lo = d.ScanHeaders[1].Temperature, hi = lo;
    for (int p = 1; p <= d.NFILES; ++p) {
      const float t = d.ScanHeaders[d.ScanTimeOrder[p]].Temperature;
      sum += t;
      lo = std::min(lo, t);
      hi = std::max(hi, t);
    }
    x += FormatText("\n<TemperatureStart>%e</TemperatureStart>",
                    static_cast<double>(d.ScanHeaders[d.ScanTimeOrder[1]].Temperature));
    x += FormatText("\n<TemperatureEnd>%e</TemperatureEnd>", static_cast<double>(last.Temperature));
    x += FormatText("\n<TemperatureAverage>%e</TemperatureAverage>",
                    static_cast<double>(sum / static_cast<float>(d.NFILES)));
    x += FormatText("\n<TemperatureDiffMax-Min>%.3f</TemperatureDiffMax-Min>",
                    static_cast<double>(hi - lo));
  }
  if (pars.AutoExit) x += "\n<AutoExit>TRUE</AutoExit>";
  if (!BatchStatus.SpeedProfile.empty())
    x += "\n<SpeedProfile>" + Escaped(BatchStatus.SpeedProfile) + "</SpeedProfile>";
  // Last, so that readers of the earlier elements find them where they were.
  x += StatusElements();
  x += "\n</cGMPTaluvo>\n";
  return x;
}

bool WriteDistributionResultFile(const std::string& path) {
  std::FILE* f = OpenResultFile(path);
  if (f == nullptr) return false;
  const auto& r = DistributionResult;
  const int n =
      std::min<int>(DistributionSettings.DistGridSize,
                    static_cast<int>(std::min(r.DistSGrid.size(), r.DistValues.size())) - 1);
  for (int i = 1; i <= n; ++i)
    std::fprintf(f, "%e %e\n", static_cast<double>(r.DistSGrid[i]),
                 static_cast<double>(r.DistValues[i]));
  return Close(f);
}

bool WriteTINoiseFile(const std::string& path) {
  const auto& g = CommonRadialGrid;
  std::vector<float> radius{0.0f}, noise{0.0f};
  for (int k = g.GridFirstFitIndex;
       g.CommonGrid != nullptr && k >= 1 && k <= g.GridLastFitIndex && k <= g.CommonGridSize; ++k) {
    radius.push_back(g.CommonGrid[k]);
    const float fitted = g.TINoise.size() >= k ? g.TINoise[k] : 0.0f;
    const float removed = g.RemovedTINoise.size() >= k ? g.RemovedTINoise[k] : 0.0f;
    noise.push_back(fitted + removed);
  }
  std::FILE* f = OpenResultFile(path);
  if (f == nullptr) return false;
  for (std::size_t k = 1; k < radius.size(); ++k)
    std::fprintf(f, "%f %f\n", static_cast<double>(radius[k]), static_cast<double>(noise[k]));
  return Close(f);
}

bool WriteRINoiseFile(const std::string& path) {
  std::FILE* f = OpenResultFile(path);
  if (f == nullptr) return false;
  const auto& d = ScanDataSet;
  const auto& g = CommonRadialGrid;
  for (int p = 1; p <= d.NFILES; ++p) {
    const int i = d.ScanTimeOrder[p];
    const float noise = g.RINoise.size() >= i ? g.RINoise[i] : 0.0f;
    std::fprintf(f, "%f %f\n", d.ScanHeaders[i].RecordedTime, static_cast<double>(noise));
  }
  return Close(f);
}

namespace {

std::string FlagText(const CIniCustomPars& pars) {
  return pars.HandshakeLength >= 1 ? pars.HandshakeText : "no handshake found";
}

}  // namespace

bool WriteAllDoneFlagFile(const CIniCustomPars& pars) {
  if (WriteFileWhole(pars.AllDoneFlagFile, FlagText(pars))) return true;
  ErrorBox("\n\aAttention: could not open " + pars.AllDoneFlagFile);
  return false;
}

// The fitted scans as the fit-saving command writes them: one scan file per
// scan over its fit range, named after the scan ('f' for its first letter)
// in the folder of `path`; files of an earlier run are replaced without a
// question.
bool SaveBatchFitData(const std::string& path) {
  const bool asked = OverwriteWithoutAsking;
  OverwriteWithoutAsking = true;
  const bool written = SaveFitData(path, false);
  OverwriteWithoutAsking = asked;
  return written;
}

bool BmpScreenshot(const std::string& path, const platform::RgbImage& image) {
  return platform::WriteBmp24(path, image);
}

namespace {

// A command of the window, when the program has it.
void RunCommandIfPresent(TXLAWindow& window, int id) {
  if (const CommandEntry* e = MainCommandTable().Find(id); e != nullptr && e->handler != nullptr)
    e->handler(window);
}

constexpr int kDataRangeCommand = 518;
constexpr int kShowLastFitInfoCommand = 517;

// Writes one result file under its partial name and puts it in place only
// when it was written whole: a run killed while writing leaves no result
// that looks complete.
template <typename Writer>
bool WriteResultWhole(const CIniCustomPars& pars, const char* name, Writer write) {
  const std::string path = ResultPath(pars, name);
  const std::string partial = PartialFilePath(path);
  if (!write(partial)) {
    std::error_code ec;
    fs::remove(partial, ec);
    return false;
  }
  return PutFileInPlace(partial, path);
}

// The report and then the flag file, written last and whatever happened
// before, since callers wait for the flag file and read the report. The
// flag is written first under its partial name, so that a flag that cannot
// be written is in the report (which then never says "completed" for a run
// that exits with a failure); it is renamed into place after the report.
// report false: the flag alone (no output folder to write a report into).
// False when either could not be written.
bool WriteReportAndFlag(const CIniCustomPars& pars, bool report,
                        std::string (*xml)(const CIniCustomPars&)) {
  const bool flagAllowed = FlagFilePathProblem(pars).empty();
  const std::string flagPartial = PartialFilePath(pars.AllDoneFlagFile);
  bool flag = false;
  if (flagAllowed) {
    flag = WriteFileWhole(flagPartial, FlagText(pars));
    if (!flag) {
      ErrorBox("\n\aAttention: could not open " + pars.AllDoneFlagFile);
      NoteBatchFailure(BatchExitCode::ResultsNotWritten,
                       "the flag file " + pars.AllDoneFlagFile + " could not be written");
    }
  }
  const std::string reportPath = ResultPath(pars, BatchReportFileName);
  bool written = !report;
  if (report) {
    written = WriteFileWhole(reportPath, xml(pars));
    if (!written) {
      ErrorBox("\n\aAttention: could not open " + reportPath);
      NoteBatchFailure(BatchExitCode::ResultsNotWritten,
                       "the report " + reportPath + " could not be written");
    }
  }
  // The flag's partial file was made before the report; it is dated now,
  // so that by its time too it is the last file of the run.
  if (flag) {
    std::error_code ec;
    std::filesystem::last_write_time(flagPartial, std::filesystem::file_time_type::clock::now(), ec);
  }
  if (flag && !PutFileInPlace(flagPartial, pars.AllDoneFlagFile)) {
    flag = false;
    const bool reported = !BatchStatus.Failed();
    NoteBatchFailure(BatchExitCode::ResultsNotWritten,
                     "the flag file " + pars.AllDoneFlagFile + " could not be written");
    // The report said completed: it is written again to say what happened.
    if (report && written && reported) written = WriteFileWhole(reportPath, xml(pars));
  }
  return written && flag;
}

}  // namespace

bool WriteBatchResults(TXLAWindow& window, const CIniCustomPars& pars) {
  // Another run writes into this folder: nothing of this run may go there.
  if (BatchOutputFolderInUse()) return false;
  if (!BatchOutputFolderClaimed()) {
    const bool flag = WriteReportAndFlag(pars, false, BatchResultXml);
    ReleaseBatchOutputFolder();
    return flag;
  }
  RunCommandIfPresent(window, kDataRangeCommand);
  bool all = true;
  auto check = [&all, &pars](bool written, const char* name) {
    if (written) return;
    all = false;
    NoteBatchFailure(BatchExitCode::ResultsNotWritten,
                     "the result file " + ResultPath(pars, name) + " could not be written");
  };
  if (platform::WindowHost* host = window.Host()) {
    host->Invalidate();
    host->UpdateNow();
    RunCommandIfPresent(window, kShowLastFitInfoCommand);
    const platform::RgbImage shot = host->Snapshot();
    check(WriteResultWhole(pars, "screenshot.bmp",
                           [&shot](const std::string& p) { return BmpScreenshot(p, shot); }),
          "screenshot.bmp");
  }
  if (pars.Model != "discrete")
    check(WriteResultWhole(pars, "distribution.dat", WriteDistributionResultFile),
          "distribution.dat");
  check(WriteResultWhole(pars, "TInoise.dat", WriteTINoiseFile), "TInoise.dat");
  check(WriteResultWhole(pars, "RInoise.dat", WriteRINoiseFile), "RInoise.dat");
  check(WriteResultWhole(pars, "ScanRMSD.dat", WriteScanRmsTable), "ScanRMSD.dat");
  // The table counts the scans it wrote: none without data, which a failed
  // load has reported already.
  int tableScans = 0;
  const bool table = WriteResultWhole(pars, "dfr.dat", [&tableScans](const std::string& p) {
    tableScans = WriteSvdfrData(p);
    return tableScans != 0;
  });
  if (ScanDataSet.NFILES > 0) check(table, "dfr.dat");
  if (pars.SaveRadialScanFit) check(SaveBatchFitData(ResultPath(pars, "simulate.dat")), "simulate.dat");
  const bool finished = WriteReportAndFlag(pars, true, BatchResultXml) && all;
  ReleaseBatchOutputFolder();
  return finished;
}

std::string BatchFailureXml(const CIniCustomPars& pars) {
  std::string x = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cGMPTaluvo>\n";
  x += FormatText("\n<TALUVOVersion>TALUVO  version %s</TALUVOVersion>", TaluvoVersionText);
  if (pars.PassThrough) x += "\n<PassThrough>" + Escaped(*pars.PassThrough) + "</PassThrough>";
  x += "\n<ScanDataFilesLoaded>\n</ScanDataFilesLoaded>";
  x += StatusElements();
  x += "\n</cGMPTaluvo>\n";
  return x;
}

bool WriteBatchFailureReport(const CIniCustomPars& pars) {
  if (pars.AllDoneFlagFile.empty() || BatchOutputFolderInUse()) return false;
  const bool flag = WriteReportAndFlag(pars, BatchOutputFolderClaimed(), BatchFailureXml);
  ReleaseBatchOutputFolder();
  return flag;
}

void WriteBatchResultsAndExit(TXLAWindow& window) {
  if (!BatchMode || !IniCustomPars) return;
  WriteBatchResults(window, *IniCustomPars);
  std::this_thread::sleep_for(std::chrono::milliseconds(1000));
}
