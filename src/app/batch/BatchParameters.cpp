#include "app/batch/BatchParameters.h"

#include <type_traits>
#include <utility>
#include <variant>

#include "app/batch/BatchTagSearch.h"
#include "app/records/ProgramFlags.h"
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

void ReadOptionalKey(TagReader& reader, const OptionalKey& entry, CIniCustomPars& record) {
  std::visit(
      [&](auto field) {
        using Field = decltype(field);
        if constexpr (std::is_same_v<Field, float CIniCustomPars::*>)
          reader.Real(entry.key, record.*field);
        else if constexpr (std::is_same_v<Field, int CIniCustomPars::*>)
          reader.Integer(entry.key, record.*field);
        else if constexpr (std::is_same_v<Field, bool CIniCustomPars::*>)
          reader.Boolean(entry.key, record.*field);
        else
          reader.Text(entry.key, record.*(field.field), BatchNameLength);
      },
      entry.field);
}

// The scans: two or more explicit paths, or else numbered files of a folder.
bool ReadScanList(TagReader& reader, CIniCustomPars& record) {
  reader.Integer("nIndividualScanFilePaths", record.nIndividualScanFilePaths);
  const int count = record.nIndividualScanFilePaths;
  if (count < 2) {
    return reader.Text("Channel", record.Channel, BatchChannelLength) &&
           reader.Integer("FirstScan", record.FirstScan) &&
           reader.Integer("LastScan", record.LastScan) &&
           reader.Integer("ScanInterval", record.ScanInterval);
  }
  // Read one by one before anything is kept, so that a count far beyond the
  // listed paths takes no memory.
  std::vector<std::string> paths;
  for (int i = 1; i <= count; ++i) {
    std::string path;
    if (!reader.Text("ScanFilePath" + std::to_string(i), path, BatchPathLength)) return false;
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
  std::string text;
  if (!ReadWholeFile(path, text)) return false;
  TagReader reader(text);
  if (!reader.Text("AllDoneFlagFile", record.AllDoneFlagFile, BatchPathLength) ||
      !reader.Text("OutputResultsDirectory", record.OutputResultsDirectory, BatchPathLength) ||
      !reader.Text("DataDirectory", record.DataDirectory, BatchPathLength) ||
      !reader.Text("PassThrough", record.PassThrough))
    return false;
  if (!ReadScanList(reader, record)) return false;
  for (const OptionalKey& entry : OptionalKeys) ReadOptionalKey(reader, entry, record);
  // The computations run on at least one thread.
  if (record.NumberComputationThreads < 1) record.NumberComputationThreads = 1;
  record.Valid = !reader.DuplicateFound();
  return record.Valid;
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
    ShowOwnerlessBox("sorry, input from " + fileName + " could not be processed properly",
                     "command line parameters found");
    return BatchAcceptance::Exit;
  }
  if (record.SimulateOnly && (record.Model != "discrete" || record.SimulateS == 0.0f ||
                              record.SimulateD == 0.0f || record.SimulateC == 0.0f)) {
    ShowOwnerlessBox(
        "Simulation mode requires 'discrete' model and SimulateS, simulateD, and SimulateC to be "
        "non-zero",
        "error reading parameters");
    return BatchAcceptance::Interactive;
  }
  return BatchAcceptance::RunBatch;
}

BatchAcceptance TakeBatchCommandLine(const std::vector<std::string>& arguments) {
  const CommandLineRequest request = InterpretCommandLine(arguments);
  if (!request.batch) return BatchAcceptance::Interactive;
  IniCustomPars = std::make_unique<CIniCustomPars>();
  CIniCustomPars& record = *IniCustomPars;
  ReadBatchParameters(record, request.parameterFile);
  if (request.handshake) {
    record.HandshakeText = *request.handshake;
    record.HandshakeLength = static_cast<int>(record.HandshakeText.size());
  } else {
    record.HandshakeLength = -1;
  }
  const BatchAcceptance acceptance = CheckBatchParameters(record, request.parameterFile);
  if (acceptance == BatchAcceptance::RunBatch) BatchMode = true;
  return acceptance;
}
