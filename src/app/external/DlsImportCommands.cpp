// The commands of "Convert DLS Data To TALUVO Format", the mean DLS save and
// the CD stub: each asks for the export, the output file and what the export
// lacks, then runs its importer.
#include <cmath>
#include <filesystem>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "app/calculators/NumberForm.h"
#include "app/commands/CommandTable.h"
#include "app/external/ExternalPrograms.h"
#include "app/models/ModelCommandSupport.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/DlsLoading.h"
#include "data/ScanDataSet.h"
#include "platform/Window.h"
#include "tools/DlsImporters.h"

namespace {

constexpr const char* kCaption = "MAKE DLS DATA";
constexpr const char* kSaveFormatted = "select filename for saving formatted data files";
constexpr const char* kSaveTaluvo = "select filename for saving taluvo formatted data file";

bool ChooseSources(TXLAWindow& window, const char* pattern, const char* extension,
                   std::vector<std::string>& sources) {
  platform::FileDialogRequest file;
  file.owner = window.Handle();
  file.title = "select data file";
  file.filters = {{std::string("export files (") + pattern + ")", {pattern}}};
  file.initialFolder = DataFileLocation.DataFolder;
  file.fileName = pattern;
  file.defaultExtension = extension;
  file.mustExist = true;
  if (!platform::Current().ShowOpenFileDialog(file) || file.chosen.empty()) return false;
  sources = file.chosen;
  return true;
}

bool ChooseOutput(TXLAWindow& window, const char* title, std::string& output,
                  const std::string& initial = "00001.dlsdat") {
  platform::FileDialogRequest file;
  file.owner = window.Handle();
  file.title = title;
  file.filters = {{"DLS data (*.dlsdat)", {"*.dlsdat"}}};
  file.initialFolder = DataFileLocation.DataFolder;
  file.fileName = initial;
  file.defaultExtension = "dlsdat";
  file.mustExist = false;
  if (!platform::Current().ShowSaveFileDialog(file) || file.chosen.empty()) return false;
  output = file.chosen.front();
  return true;
}

// Viscosity (poise), refractive index, wavelength (nm, passed in m), angle
// and temperature, as the Protein Solutions and Wyatt commands ask them.
bool AskOptics(TXLAWindow& window, float wavelengthDefault, bool confirmWavelength,
               std::vector<float>& v) {
  std::vector<NumberField> in = {{"absolute viscosity of solvent (Poise)", 0.01002f},
                                 {"refractive index of solvent", 1.333f},
                                 {"laser wavelength (nm)", wavelengthDefault}};
  if (!AskNumbers(window, kCaption, in)) return false;
  float wavelength = in[2].value;
  if (confirmWavelength) {
    ShowNote(window,
             "are you sure about the wavelengt? (DynaPro used to have 825 nm laser, but Wyatt "
             "Dynapro Nanostar (WDPN-04) has 660 nm laser)",
             kCaption);
    if (!AskNumber(window, kCaption, "laser wavelength (nm)", wavelength)) return false;
  }
  std::vector<NumberField> rest = {{"scattering angle (degrees)", 90.0f},
                                   {"temperature (C)", 20.0f}};
  if (!AskNumbers(window, kCaption, rest)) return false;
  v = {in[0].value, in[1].value, wavelength * 1e-9f, rest[0].value, rest[1].value};
  return true;
}

bool AskChannels(TXLAWindow& window, float defaultValue, int& channels) {
  float value = defaultValue;
  if (!AskNumber(window, kCaption, "# of channels", value)) return false;
  channels = static_cast<int>(std::floor(value));
  return true;
}

// What each importer needs beyond the source and output files is asked
// here; false when the user cancels a prompt.
bool AskAndImportDynamics7(TXLAWindow& window, const std::string& source,
                           const std::string& output) {
  std::vector<float> v;
  if (!AskOptics(window, 660, true, v)) return false;
  ImportDynamics7(source, output, v[1], v[0], v[2], v[3], v[4]);
  return true;
}

bool AskAndImportPS99v6205(TXLAWindow& window, const std::string& source,
                           const std::string& output) {
  std::vector<float> v;
  if (!AskOptics(window, 824.7f, false, v)) return false;
  ImportPS99v6205(source, output, v[1], v[0], v[2], v[3], v[4]);
  return true;
}

// Viscosity, refractive index and the channel count of the PS99 exports.
bool AskSolventAndChannels(TXLAWindow& window, std::vector<NumberField>& in) {
  in = {{"absolute viscosity of solvent (Poise)", 0.01002f},
        {"refractive index of solvent", 1.333f},
        {"# of channels", 161.0f}};
  return AskNumbers(window, kCaption, in);
}

bool AskAndImportPS99v52638(TXLAWindow& window, const std::string& source,
                            const std::string& output) {
  std::vector<NumberField> in;
  if (!AskSolventAndChannels(window, in)) return false;
  const bool each = AskYesNo(window, "load entire time-course?", kCaption);
  ImportPS99v52638(source, output, in[1].value, in[0].value,
                   static_cast<int>(std::floor(in[2].value)), each);
  return true;
}

bool AskAndImportPS99v52005(TXLAWindow& window, const std::string& source,
                            const std::string& output) {
  std::vector<NumberField> in;
  if (!AskSolventAndChannels(window, in)) return false;
  ImportPS99v52005(source, output, in[1].value, in[0].value,
                   static_cast<int>(std::floor(in[2].value)), 90.0f, 8.083e-7f);
  return true;
}

bool AskAndImportPSv4(TXLAWindow& window, const std::string& source, const std::string& output) {
  std::vector<float> v;
  int channels = 0;
  if (!AskOptics(window, 824.7f, false, v) || !AskChannels(window, 20, channels)) return false;
  ImportPSv4(source, output, v[1], v[0], v[2], v[3], v[4], channels);
  return true;
}

bool AskAndImportTwoColumnData(TXLAWindow& window, const std::string& source,
                               const std::string& output) {
  std::vector<NumberField> in = {{"unit of correlation times (*sec)", 1e-6f},
                                 {"measured baseline countrate", 100000.0f},
                                 {"temperature (C)", 20.0f},
                                 {"time (sec)", 1.0f},
                                 {"count rate (cps)", 1.0f},
                                 {"refractive index", 1.333f},
                                 {"absolute viscosity of solvent (Poise)", 0.01002f},
                                 {"scattering angle (degrees)", 90.0f},
                                 {"wavelength (nm)", 808.3f}};
  if (!AskNumbers(window, kCaption, in)) return false;
  DlsMeasurementSettings s{in[5].value, in[6].value, in[8].value * 1e-9f, in[7].value,
                           in[2].value, in[3].value, in[4].value};
  ImportTwoColumnData(source, output, in[0].value, in[1].value, s);
  return true;
}

bool AskAndImportTwoColumnG2(TXLAWindow& window, const std::string& source,
                             const std::string& output) {
  std::vector<NumberField> in = {{"temperature (C)", 25.0f},
                                 {"time (sec)", 1.0f},
                                 {"refractive index", 1.333f},
                                 {"absolute viscosity of solvent (Poise)", 0.01002f},
                                 {"scattering angle (degrees)", 173.0f},
                                 {"wavelength (nm)", 632.8f}};
  if (!AskNumbers(window, kCaption, in)) return false;
  DlsMeasurementSettings s{in[2].value, in[3].value, in[5].value * 1e-9f, in[4].value,
                           in[0].value, in[1].value, 1.0f};
  ImportTwoColumnG2(source, output, s);
  return true;
}

// Exports that carry everything the data file needs.
template <int (*Importer)(const std::string&, const std::string&)>
bool ImportAsItIs(TXLAWindow&, const std::string& source, const std::string& output) {
  Importer(source, output);
  return true;
}

using AskAndImport = bool (*)(TXLAWindow&, const std::string& source, const std::string& output);

// One import command: the note of the expected export (none: no question),
// the source files offered, the output dialog's title, and what the
// instrument needs asked before its importer runs.
struct DlsImportCommand {
  int id;
  const char* name;
  bool answersHelp;
  const char* note;
  const char* pattern;
  const char* extension;
  const char* outputTitle;
  AskAndImport run;
  // Several sources may be chosen; each goes to its own name stem beside
  // the output file.
  bool severalSources = false;
  bool updatesMenus = true;
};

constexpr DlsImportCommand kImportCommands[] = {
    {897, "CmImportDynamics7", false, "needs data of Wyatt DLS (Dynamics 7.0.2.7.)", "*.csv",
     "csv", kSaveFormatted, &AskAndImportDynamics7},
    {584, "CmImportPS99v6205", false,
     "needs data of Protein Solutions (Dynamics Version 6.2.05), exported by right-clicking in "
     "the correlation graph, select autocorrelation coefficients only",
     "*.dat", "txt", kSaveFormatted, &AskAndImportPS99v6205},
    {543, "CmImportPS99v52638", false,
     "needs data of Protein Solutions 99 (Version 5.26.38), exported as 'this experiment only', "
     "with autocorrelation coefficients, parameter settings, and cumulants data log",
     "*.txt", "txt", kSaveFormatted, &AskAndImportPS99v52638},
    {299, "CmImportPS99v52005", true,
     "needs data of Protein Solutions 99 (Version 5.20.05), exported with options:\n"
     "analysis results, autocorrelation coefficients, all measurements, ASCII text, include "
     "headers",
     "*.txt", "txt", kSaveFormatted, &AskAndImportPS99v52005, false, false},
    {601, "CmImportPSv4", false,
     "needs data of Protein Solutions Dynamics Version 4, exported with options:\n"
     "analysis results, autocorrelation coefficients, all measurements, ASCII text, include "
     "headers, results summary",
     "*.txt", "txt", kSaveFormatted, &AskAndImportPSv4},
    {534, "CmImportALV", true,
     "needs data of ALV-5000/E V.2.0.6.2 (6/99), exported with File->Save As...->Datatype:  "
     "ALV-5000 Data (ASCII)",
     "*.asc", "asc", kSaveTaluvo, &ImportAsItIs<ImportALV>},
    {527, "CmImportBIC9kdlsw32", true, nullptr, "*.dat", "dat", kSaveTaluvo,
     &ImportAsItIs<ImportBIC9kdlsw32>, true, false},
    {544, "CmImportOldDOSBIC", false, nullptr, "*.dat", "dat", kSaveTaluvo,
     &ImportAsItIs<ImportOldDOSBIC>},
    {583, "CmImportPhotoCor", false,
     "needs data of PhotoCor (Version 0.3), exported as 'PhotoCor Runtime Report' txt file",
     "*.txt", "txt", kSaveFormatted, &ImportAsItIs<ImportPhotoCor>},
    {532, "CmImportTwoColumnData", false,
     "needs two-column ASCII data of intensity autocorrelation g(2)", "*.txt", "txt",
     kSaveTaluvo, &AskAndImportTwoColumnData},
    {600, "CmImportTwoColumnG2", false,
     "needs two-column ASCII data of intensity autocorrelation g(2)-1 versus "
     "time[microseconds]\nFrom Malvern Zetasizer NanoS output delete first two lines.",
     "*.txt", "txt", kSaveTaluvo, &AskAndImportTwoColumnG2},
};

// Every import command: the note, the source file(s), the output file, the
// instrument's prompts and its importer, then the menus.
void RunImportCommand(TXLAWindow& window, const DlsImportCommand& c) {
  if (c.note != nullptr && !AskYesNo(window, c.note, kCaption)) return;
  std::vector<std::string> sources;
  std::string output;
  if (!ChooseSources(window, c.pattern, c.extension, sources) ||
      !ChooseOutput(window, c.outputTitle, output))
    return;
  if (c.severalSources) {
    for (const std::string& source : sources) {
      const std::string stem = std::filesystem::path(source).stem().string();
      if (!c.run(window, source, SeriesFilePath(output, stem))) return;
    }
  } else if (!c.run(window, sources.front(), output)) {
    return;
  }
  if (c.updatesMenus) UpdateRuntimeMenus(window);
}

template <std::size_t Row>
void ImportCommandOfRow(TXLAWindow& window) {
  RunImportCommand(window, kImportCommands[Row]);
}

template <std::size_t... Rows>
void RegisterImportCommands(CommandTable& table, std::index_sequence<Rows...>) {
  (table.Add(kImportCommands[Rows].id, &ImportCommandOfRow<Rows>,
             kImportCommands[Rows].answersHelp, kImportCommands[Rows].name),
   ...);
}

void CmSaveMeanDLSData(TXLAWindow& window) {
  std::string output;
  if (!ChooseOutput(window, "select filename for new average DLS data set", output,
                    "mean.dlsdat"))
    return;
  if (!SaveMeanDlsData(output))
    ShowNote(window, "no DLS data loaded to average", kCaption, platform::BoxIcon::Error);
  UpdateRuntimeMenus(window);
}

void CmFormatCDData(TXLAWindow& window) {
  AskYesNo(window, "not implemented yet", "Format CD DATA");
  UpdateRuntimeMenus(window);
}

}  // namespace

void RegisterDlsImportCommands(CommandTable& table) {
  RegisterImportCommands(table, std::make_index_sequence<std::size(kImportCommands)>{});
  table.Add(500, &CmSaveMeanDLSData, true, "CmSaveMeanDLSData");
  table.Add(528, &CmFormatCDData, false, "CmFormatCDData");
}
