// The commands of "Convert DLS Data To TALUVO Format", the mean DLS save and
// the CD stub: each asks for the export, the output file and what the export
// lacks, then runs its importer.
#include <cmath>
#include <filesystem>
#include <string>
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

const char* const kCaption = "MAKE DLS DATA";
const char* const kSaveFormatted = "select filename for saving formatted data files";
const char* const kSaveTaluvo = "select filename for saving taluvo formatted data file";

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

// The note of the expected export, the source and the output file.
bool Prepare(TXLAWindow& window, const char* note, const char* pattern, const char* extension,
             const char* outputTitle, std::string& source, std::string& output) {
  if (note != nullptr && !AskYesNo(window, note, kCaption)) return false;
  std::vector<std::string> sources;
  if (!ChooseSources(window, pattern, extension, sources)) return false;
  source = sources.front();
  return ChooseOutput(window, outputTitle, output);
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

void CmImportDynamics7(TXLAWindow& window) {
  std::string source, output;
  std::vector<float> v;
  if (!Prepare(window, "needs data of Wyatt DLS (Dynamics 7.0.2.7.)", "*.csv", "csv",
               kSaveFormatted, source, output) ||
      !AskOptics(window, 660, true, v))
    return;
  ImportDynamics7(source, output, v[1], v[0], v[2], v[3], v[4]);
  UpdateRuntimeMenus(window);
}

void CmImportPS99v6205(TXLAWindow& window) {
  std::string source, output;
  std::vector<float> v;
  if (!Prepare(window,
               "needs data of Protein Solutions (Dynamics Version 6.2.05), exported by "
               "right-clicking in the correlation graph, select autocorrelation coefficients only",
               "*.dat", "txt", kSaveFormatted, source, output) ||
      !AskOptics(window, 824.7f, false, v))
    return;
  ImportPS99v6205(source, output, v[1], v[0], v[2], v[3], v[4]);
  UpdateRuntimeMenus(window);
}

void CmImportPS99v52638(TXLAWindow& window) {
  std::string source, output;
  if (!Prepare(window,
               "needs data of Protein Solutions 99 (Version 5.26.38), exported as 'this "
               "experiment only', with autocorrelation coefficients, parameter settings, and "
               "cumulants data log",
               "*.txt", "txt", kSaveFormatted, source, output))
    return;
  std::vector<NumberField> in = {{"absolute viscosity of solvent (Poise)", 0.01002f},
                                 {"refractive index of solvent", 1.333f},
                                 {"# of channels", 161.0f}};
  if (!AskNumbers(window, kCaption, in)) return;
  const bool each = AskYesNo(window, "load entire time-course?", kCaption);
  ImportPS99v52638(source, output, in[1].value, in[0].value,
                   static_cast<int>(std::floor(in[2].value)), each);
  UpdateRuntimeMenus(window);
}

void CmImportPS99v52005(TXLAWindow& window) {
  std::string source, output;
  if (!Prepare(window,
               "needs data of Protein Solutions 99 (Version 5.20.05), exported with options:\n"
               "analysis results, autocorrelation coefficients, all measurements, ASCII text, "
               "include headers",
               "*.txt", "txt", kSaveFormatted, source, output))
    return;
  std::vector<NumberField> in = {{"absolute viscosity of solvent (Poise)", 0.01002f},
                                 {"refractive index of solvent", 1.333f},
                                 {"# of channels", 161.0f}};
  if (!AskNumbers(window, kCaption, in)) return;
  ImportPS99v52005(source, output, in[1].value, in[0].value,
                   static_cast<int>(std::floor(in[2].value)), 90.0f, 8.083e-7f);
}

void CmImportPSv4(TXLAWindow& window) {
  std::string source, output;
  std::vector<float> v;
  int channels = 0;
  if (!Prepare(window,
               "needs data of Protein Solutions Dynamics Version 4, exported with options:\n"
               "analysis results, autocorrelation coefficients, all measurements, ASCII text, "
               "include headers, results summary",
               "*.txt", "txt", kSaveFormatted, source, output) ||
      !AskOptics(window, 824.7f, false, v) || !AskChannels(window, 20, channels))
    return;
  ImportPSv4(source, output, v[1], v[0], v[2], v[3], v[4], channels);
  UpdateRuntimeMenus(window);
}

void CmImportALV(TXLAWindow& window) {
  std::string source, output;
  if (!Prepare(window,
               "needs data of ALV-5000/E V.2.0.6.2 (6/99), exported with File->Save "
               "As...->Datatype:  ALV-5000 Data (ASCII)",
               "*.asc", "asc", kSaveTaluvo, source, output))
    return;
  ImportALV(source, output);
  UpdateRuntimeMenus(window);
}

void CmImportBIC9kdlsw32(TXLAWindow& window) {
  std::vector<std::string> sources;
  std::string output;
  if (!ChooseSources(window, "*.dat", "dat", sources) ||
      !ChooseOutput(window, kSaveTaluvo, output))
    return;
  // Every chosen file goes to its own name stem beside the output file.
  for (const std::string& source : sources) {
    const std::string stem = std::filesystem::path(source).stem().string();
    ImportBIC9kdlsw32(source, SeriesFilePath(output, stem));
  }
}

void CmImportOldDOSBIC(TXLAWindow& window) {
  std::string source, output;
  if (!Prepare(window, nullptr, "*.dat", "dat", kSaveTaluvo, source, output)) return;
  ImportOldDOSBIC(source, output);
  UpdateRuntimeMenus(window);
}

void CmImportPhotoCor(TXLAWindow& window) {
  std::string source, output;
  if (!Prepare(window,
               "needs data of PhotoCor (Version 0.3), exported as 'PhotoCor Runtime Report' txt "
               "file",
               "*.txt", "txt", kSaveFormatted, source, output))
    return;
  ImportPhotoCor(source, output);
  UpdateRuntimeMenus(window);
}

void CmImportTwoColumnData(TXLAWindow& window) {
  std::string source, output;
  if (!Prepare(window, "needs two-column ASCII data of intensity autocorrelation g(2)", "*.txt",
               "txt", kSaveTaluvo, source, output))
    return;
  std::vector<NumberField> in = {{"unit of correlation times (*sec)", 1e-6f},
                                 {"measured baseline countrate", 100000.0f},
                                 {"temperature (C)", 20.0f},
                                 {"time (sec)", 1.0f},
                                 {"count rate (cps)", 1.0f},
                                 {"refractive index", 1.333f},
                                 {"absolute viscosity of solvent (Poise)", 0.01002f},
                                 {"scattering angle (degrees)", 90.0f},
                                 {"wavelength (nm)", 808.3f}};
  if (!AskNumbers(window, kCaption, in)) return;
  DlsMeasurementSettings s{in[5].value, in[6].value, in[8].value * 1e-9f, in[7].value,
                           in[2].value, in[3].value, in[4].value};
  ImportTwoColumnData(source, output, in[0].value, in[1].value, s);
  UpdateRuntimeMenus(window);
}

void CmImportTwoColumnG2(TXLAWindow& window) {
  std::string source, output;
  if (!Prepare(window,
               "needs two-column ASCII data of intensity autocorrelation g(2)-1 versus "
               "time[microseconds]\nFrom Malvern Zetasizer NanoS output delete first two lines.",
               "*.txt", "txt", kSaveTaluvo, source, output))
    return;
  std::vector<NumberField> in = {{"temperature (C)", 25.0f},
                                 {"time (sec)", 1.0f},
                                 {"refractive index", 1.333f},
                                 {"absolute viscosity of solvent (Poise)", 0.01002f},
                                 {"scattering angle (degrees)", 173.0f},
                                 {"wavelength (nm)", 632.8f}};
  if (!AskNumbers(window, kCaption, in)) return;
  DlsMeasurementSettings s{in[2].value, in[3].value, in[5].value * 1e-9f, in[4].value,
                           in[0].value, in[1].value, 1.0f};
  ImportTwoColumnG2(source, output, s);
  UpdateRuntimeMenus(window);
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
  table.Add(897, &CmImportDynamics7, false, "CmImportDynamics7");
  table.Add(584, &CmImportPS99v6205, false, "CmImportPS99v6205");
  table.Add(543, &CmImportPS99v52638, false, "CmImportPS99v52638");
  table.Add(299, &CmImportPS99v52005, true, "CmImportPS99v52005");
  table.Add(601, &CmImportPSv4, false, "CmImportPSv4");
  table.Add(534, &CmImportALV, true, "CmImportALV");
  table.Add(527, &CmImportBIC9kdlsw32, true, "CmImportBIC9kdlsw32");
  table.Add(544, &CmImportOldDOSBIC, false, "CmImportOldDOSBIC");
  table.Add(583, &CmImportPhotoCor, false, "CmImportPhotoCor");
  table.Add(532, &CmImportTwoColumnData, false, "CmImportTwoColumnData");
  table.Add(600, &CmImportTwoColumnG2, false, "CmImportTwoColumnG2");
  table.Add(500, &CmSaveMeanDLSData, true, "CmSaveMeanDLSData");
  table.Add(528, &CmFormatCDData, false, "CmFormatCDData");
}
