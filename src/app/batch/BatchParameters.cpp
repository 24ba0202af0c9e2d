#include "app/batch/BatchParameters.h"

#include <algorithm>
#include <filesystem>
#include <type_traits>
#include <utility>
#include <variant>

#include "app/batch/BatchOutputFolder.h"
#include "app/batch/BatchSettingsChecks.h"
#include "app/batch/BatchStatus.h"
#include "app/batch/BatchTagSearch.h"
#include "state/ProgramFlags.h"
#include "state/ProgramPaths.h"
#include "platform/Platform.h"

std::unique_ptr<CIniCustomPars> IniCustomPars;

namespace {

// Reads keys of one file text. A key given twice fails its own read and
// marks the whole file as refused, whichever key it was.
class TagReader {
 public:
  explicit TagReader(const std::string& text) : text_(text) {}

  bool Text(const std::string& key, std::string& field, std::size_t maxLength) {
    std::string value;
    if (!Read(key, {.text = &value}) || value.size() > maxLength) return false;
    field = std::move(value);
    return true;
  }
  bool Text(const std::string& key, std::optional<std::string>& field) {
    std::string value;
    if (!Read(key, {.text = &value})) return false;
    field = std::move(value);
    return true;
  }
  bool Real(const std::string& key, float& field) { return Read(key, {.real = &field}); }
  bool Integer(const std::string& key, int& field) { return Read(key, {.integer = &field}); }
  bool Boolean(const std::string& key, bool& field) { return Read(key, {.boolean = &field}); }
  bool DuplicateFound() const { return duplicate_; }

  // Why the key could not be read, for the refusal: given twice, missing, or
  // a value that is no number in range (or, for a text, too long).
  std::string Problem(const std::string& key) const {
    const std::string opening = "<" + key + ">", closing = "</" + key + ">";
    const std::size_t tag = text_.find(opening);
    if (tag == std::string::npos) return key + " is missing";
    const std::size_t start = tag + opening.size();
    const std::size_t end = text_.find(closing, start);
    if (end == std::string::npos) return key + " has no closing tag " + closing;
    if (text_.find(opening, end) != std::string::npos) return key + " is given twice";
    std::string value = text_.substr(start, std::min<std::size_t>(end - start, 40));
    for (char& c : value)
      if (c == '\n') c = ' ';
    return key + ": \"" + value + "\" cannot be read as its value";
  }
  bool Present(const std::string& key) const { return text_.find("<" + key + ">") != std::string::npos; }

 private:
  bool Read(const std::string& key, const TagValueOutputs& outputs) {
    return XmlTagValue(&text_, std::string(), key, outputs, &duplicate_);
  }

  const std::string& text_;
  bool duplicate_ = false;
};

struct NameField {
  std::string CIniCustomPars::*field;
};

using OptionalField =
    std::variant<float CIniCustomPars::*, int CIniCustomPars::*, bool CIniCustomPars::*, NameField>;

struct OptionalKey {
  const char* key;
  OptionalField field;
};

// The optional keys in the order they are looked up. "FittinAlgorithm" is an
// old misspelling still accepted; the correct key comes later and so wins.
const OptionalKey OptionalKeys[] = {
    {"Meniscus", &CIniCustomPars::Meniscus},
    {"MeniscusLowerLimit", &CIniCustomPars::MeniscusLowerLimit},
    {"MeniscusUpperLimit", &CIniCustomPars::MeniscusUpperLimit},
    {"MeniscusFitted", &CIniCustomPars::MeniscusFitted},
    {"Bottom", &CIniCustomPars::Bottom},
    {"BottomLowerLimit", &CIniCustomPars::BottomLowerLimit},
    {"BottomUpperLimit", &CIniCustomPars::BottomUpperLimit},
    {"BottomFitted", &CIniCustomPars::BottomFitted},
    {"LeftFitLimit", &CIniCustomPars::LeftFitLimit},
    {"RightFitLimit", &CIniCustomPars::RightFitLimit},
    {"Model", NameField{&CIniCustomPars::Model}},
    {"RegularizationType", NameField{&CIniCustomPars::RegularizationType}},
    {"RegularizationPvalue", &CIniCustomPars::RegularizationPvalue},
    {"StartingFrictionalRatio", &CIniCustomPars::StartingFrictionalRatio},
    {"FrictionalRatioFitted", &CIniCustomPars::FrictionalRatioFitted},
    {"BaselineFitted", &CIniCustomPars::BaselineFitted},
    {"RINoiseFitted", &CIniCustomPars::RINoiseFitted},
    {"TINoiseFitted", &CIniCustomPars::TINoiseFitted},
    {"Resolution", &CIniCustomPars::Resolution},
    {"Smin", &CIniCustomPars::Smin},
    {"Smax", &CIniCustomPars::Smax},
    {"FlotationDeconvolutionR", &CIniCustomPars::FlotationDeconvolutionR},
    {"FlotationDeconvolutionD", &CIniCustomPars::FlotationDeconvolutionD},
    {"FlotationMinS", &CIniCustomPars::FlotationMinS},
    {"FlotationMaxS", &CIniCustomPars::FlotationMaxS},
    {"FlotationGridN", &CIniCustomPars::FlotationGridN},
    {"FlotationOnly", &CIniCustomPars::FlotationOnly},
    {"GridfromFile", &CIniCustomPars::GridfromFile},
    {"UseLogSpaceSgrid", &CIniCustomPars::UseLogSpaceSgrid},
    {"Vbar", &CIniCustomPars::Vbar},
    {"BufferDensity", &CIniCustomPars::BufferDensity},
    {"BufferViscosity", &CIniCustomPars::BufferViscosity},
    {"SupressBaselineCorrelation", &CIniCustomPars::SupressBaselineCorrelation},
    {"FittinAlgorithm", NameField{&CIniCustomPars::FittingAlgorithm}},
    {"FittingAlgorithm", NameField{&CIniCustomPars::FittingAlgorithm}},
    {"ShowResidualsHistogram", &CIniCustomPars::ShowResidualsHistogram},
    {"AutoRun", &CIniCustomPars::AutoRun},
    {"SimulateOnly", &CIniCustomPars::SimulateOnly},
    {"AutoExit", &CIniCustomPars::AutoExit},
    {"AutoFit", &CIniCustomPars::AutoFit},
    {"AutoSubtractSystematicNoise", &CIniCustomPars::AutoSubtractSystematicNoise},
    {"NumberComputationThreads", &CIniCustomPars::NumberComputationThreads},
    {"FilterDataSpikes", &CIniCustomPars::FilterDataSpikes},
    {"DataSpikeThreshold", &CIniCustomPars::DataSpikeThreshold},
    {"CheckTimeStamps", &CIniCustomPars::CheckTimeStamps},
    {"LogSpacedSmin", &CIniCustomPars::LogSpacedSmin},
    {"SimulateS", &CIniCustomPars::SimulateS},
    {"SimulateD", &CIniCustomPars::SimulateD},
    {"SimulateC", &CIniCustomPars::SimulateC},
    {"SaveRadialScanFit", &CIniCustomPars::SaveRadialScanFit},
};

// False when the key holds a number that cannot be read: read as 0 or left
// at its default, it would silently change the analysis.
bool ReadOptionalKey(TagReader& reader, const OptionalKey& entry, CIniCustomPars& record) {
  return std::visit(
      [&](auto field) {
        using Field = decltype(field);
        if constexpr (std::is_same_v<Field, float CIniCustomPars::*>)
          return reader.Real(entry.key, record.*field) || !reader.Present(entry.key);
        else if constexpr (std::is_same_v<Field, int CIniCustomPars::*>)
          return reader.Integer(entry.key, record.*field) || !reader.Present(entry.key);
        else if constexpr (std::is_same_v<Field, bool CIniCustomPars::*>)
          reader.Boolean(entry.key, record.*field);
        else
          reader.Text(entry.key, record.*(field.field), BatchNameLength);
        return true;
      },
      entry.field);
}

std::string OutsideRange(const char* key, long long value, long long low, long long high) {
  return std::string(key) + " " + std::to_string(value) + " is outside the range " +
         std::to_string(low) + " to " + std::to_string(high);
}

// The counts that size the run, against their ranges; empty when all fit.
std::string CountProblem(const CIniCustomPars& r) {
  if (r.nIndividualScanFilePaths < 0 || r.nIndividualScanFilePaths > BatchMaxScans)
    return OutsideRange("nIndividualScanFilePaths", r.nIndividualScanFilePaths, 0, BatchMaxScans);
  if (r.nIndividualScanFilePaths < 2) {
    if (r.FirstScan < 1 || r.FirstScan > BatchMaxScanNumber)
      return OutsideRange("FirstScan", r.FirstScan, 1, BatchMaxScanNumber);
    if (r.LastScan < 1 || r.LastScan > BatchMaxScanNumber)
      return OutsideRange("LastScan", r.LastScan, 1, BatchMaxScanNumber);
    if (r.ScanInterval < 1 || r.ScanInterval > BatchMaxScanNumber)
      return OutsideRange("ScanInterval", r.ScanInterval, 1, BatchMaxScanNumber);
    const long long scans =
        r.LastScan >= r.FirstScan ? (r.LastScan - r.FirstScan) / r.ScanInterval + 1 : 0;
    if (scans > BatchMaxScans)
      return "FirstScan " + std::to_string(r.FirstScan) + " to LastScan " +
             std::to_string(r.LastScan) + " in steps of ScanInterval " +
             std::to_string(r.ScanInterval) + " names " + std::to_string(scans) +
             " scans, more than " + std::to_string(BatchMaxScans);
  }
  if (r.Resolution < BatchMinResolution || r.Resolution > BatchMaxResolution)
    return OutsideRange("Resolution", r.Resolution, BatchMinResolution, BatchMaxResolution);
  if (r.FlotationGridN < BatchMinResolution || r.FlotationGridN > BatchMaxResolution)
    return OutsideRange("FlotationGridN", r.FlotationGridN, BatchMinResolution,
                        BatchMaxResolution);
  if (r.NumberComputationThreads > BatchMaxThreads)
    return OutsideRange("NumberComputationThreads", r.NumberComputationThreads, 1,
                        BatchMaxThreads);
  return {};
}

// The scans: two or more explicit paths, or else numbered files of a folder.
// On failure, problem names the key.
bool ReadScanList(TagReader& reader, CIniCustomPars& record, std::string& problem) {
  if (!reader.Integer("nIndividualScanFilePaths", record.nIndividualScanFilePaths) &&
      reader.Present("nIndividualScanFilePaths")) {
    problem = reader.Problem("nIndividualScanFilePaths");
    return false;
  }
  const int count = record.nIndividualScanFilePaths;
  if (count < 2) {
    if (!reader.Text("Channel", record.Channel, BatchChannelLength)) {
      problem = reader.Problem("Channel");
      return false;
    }
    for (auto [key, field] : {std::pair{"FirstScan", &record.FirstScan},
                              std::pair{"LastScan", &record.LastScan},
                              std::pair{"ScanInterval", &record.ScanInterval}}) {
      if (!reader.Integer(key, *field)) {
        problem = reader.Problem(key);
        return false;
      }
    }
    return true;
  }
  if (count > BatchMaxScans) {
    problem = OutsideRange("nIndividualScanFilePaths", count, 0, BatchMaxScans);
    return false;
  }
  // Read one by one before anything is kept, so that a count far beyond the
  // listed paths takes no memory.
  std::vector<std::string> paths;
  for (int i = 1; i <= count; ++i) {
    std::string path;
    const std::string key = "ScanFilePath" + std::to_string(i);
    if (!reader.Text(key, path, BatchPathLength)) {
      problem = reader.Problem(key);
      return false;
    }
    paths.push_back(std::move(path));
  }
  record.ScanFilePaths.Resize(1, count);
  for (int i = 1; i <= count; ++i) record.ScanFilePaths[i] = std::move(paths[i - 1]);
  return true;
}

void ShowOwnerlessBox(const std::string& text, const std::string& caption) {
  platform::Current().ShowMessageBox(
      {nullptr, text, caption, platform::BoxIcon::None, platform::BoxButtons::Ok});
}

}  // namespace

bool ReadBatchParameters(CIniCustomPars& record, const std::string& path) {
  record.Valid = false;
  record.Refusal.clear();
  record.ParameterFile = path;
  std::string text, unread;
  if (!ReadWholeFile(path, text, &unread)) {
    record.Refusal = unread;
    return false;
  }
  TagReader reader(text);
  auto refuse = [&record](std::string why) {
    record.Refusal = std::move(why);
    return false;
  };
  for (auto [key, field] : {std::pair{"AllDoneFlagFile", &record.AllDoneFlagFile},
                            std::pair{"OutputResultsDirectory", &record.OutputResultsDirectory},
                            std::pair{"DataDirectory", &record.DataDirectory}})
    if (!reader.Text(key, *field, BatchPathLength)) return refuse(reader.Problem(key));
  if (!reader.Text("PassThrough", record.PassThrough)) return refuse(reader.Problem("PassThrough"));
  std::string problem;
  if (!ReadScanList(reader, record, problem)) return refuse(problem);
  for (const OptionalKey& entry : OptionalKeys)
    if (!ReadOptionalKey(reader, entry, record) && problem.empty())
      problem = reader.Problem(entry.key);
  if (reader.DuplicateFound()) {
    for (const OptionalKey& entry : OptionalKeys)
      if (reader.Problem(entry.key).ends_with("given twice")) return refuse(reader.Problem(entry.key));
    return refuse("a key is given twice");
  }
  if (!problem.empty()) return refuse(problem);
  // The computations run on at least one thread.
  if (record.NumberComputationThreads < 1) record.NumberComputationThreads = 1;
  if (std::string range = CountProblem(record); !range.empty()) return refuse(range);
  record.Valid = true;
  return true;
}

CommandLineRequest InterpretCommandLine(const std::vector<std::string>& arguments) {
  CommandLineRequest request;
  if (arguments.size() == 1) {
    request.batch = true;
    request.parameterFile = arguments[0];
  } else if (arguments.size() == 2) {
    request.batch = true;
    request.handshake = arguments[0];
    request.parameterFile = arguments[1];
  }
  return request;
}

BatchAcceptance CheckBatchParameters(const CIniCustomPars& record, const std::string& fileName) {
  if (!record.Valid) {
    const std::string why = record.Refusal.empty() ? "" : ":\n" + record.Refusal;
    ShowOwnerlessBox("sorry, input from " + fileName + " could not be processed properly" + why,
                     "command line parameters found");
    NoteBatchFailure(BatchExitCode::ParameterFileRefused,
                     "the parameter file " + fileName + " was refused" +
                         (record.Refusal.empty() ? std::string(": it cannot be read")
                                                 : ": " + record.Refusal));
    return BatchAcceptance::Exit;
  }
  if (record.SimulateOnly && (record.Model != "discrete" || record.SimulateS == 0.0f ||
                              record.SimulateD == 0.0f || record.SimulateC == 0.0f)) {
    const std::string text =
        "Simulation mode requires 'discrete' model and SimulateS, simulateD, and SimulateC to be "
        "non-zero";
    ShowOwnerlessBox(text, "error reading parameters");
    // A caller that asked for a simulation gets a refusal it can see (exit
    // code, report, flag), not a window waiting for a person or a run that
    // ends having done nothing.
    NoteBatchFailure(BatchExitCode::ParameterFileRefused, "SimulateOnly: " + text);
    return BatchAcceptance::Exit;
  }
  std::string problem = ImpossibleBatchSetting(record);
  if (problem.empty()) problem = FlagFilePathProblem(record);
  if (!problem.empty()) {
    ShowOwnerlessBox("sorry, input from " + fileName + " could not be processed properly:\n" +
                         problem,
                     "command line parameters found");
    NoteBatchFailure(BatchExitCode::ParameterFileRefused,
                     "the parameter file " + fileName + " was refused: " + problem);
    return BatchAcceptance::Exit;
  }
  return BatchAcceptance::RunBatch;
}

BatchAcceptance TakeBatchCommandLine(const std::vector<std::string>& arguments) {
  const CommandLineRequest request = InterpretCommandLine(arguments);
  if (!request.batch) return BatchAcceptance::Interactive;
  ResetBatchStatus();
  IniCustomPars = std::make_unique<CIniCustomPars>();
  CIniCustomPars& record = *IniCustomPars;
  ReadBatchParameters(record, request.parameterFile);
  if (request.handshake) {
    record.HandshakeText = *request.handshake;
    record.HandshakeLength = static_cast<int>(record.HandshakeText.size());
  } else {
    record.HandshakeLength = -1;
  }
  BatchAcceptance acceptance = CheckBatchParameters(record, request.parameterFile);
  // The output folder is claimed also for a refused file, whose report goes
  // there: never beside an earlier run's results, never into a folder
  // another run is writing.
  if (acceptance == BatchAcceptance::RunBatch || !record.OutputResultsDirectory.empty())
    if (ClaimBatchOutputFolder(record) != OutputClaim::Claimed) acceptance = BatchAcceptance::Exit;
  if (acceptance == BatchAcceptance::RunBatch) {
    BatchMode = true;
    // The reports of the fits belong to the run's results, not to the
    // installation: several runs at once each keep their own.
    ProgramPaths.FitReportFile =
        (std::filesystem::path(record.OutputResultsDirectory) / "mlfitreport.txt").string();
  }
  return acceptance;
}
