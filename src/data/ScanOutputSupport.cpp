#include "data/ScanOutputSupport.h"

#include <cmath>

#include "state/LoadOptions.h"
#include "data/DataSetLinks.h"
#include "data/FilePathParts.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "data/ScanFileWriter.h"
#include "ui/Sounds.h"

bool IsIntensityFileName(const std::string& fileName) {
  const std::string ext = ExtensionOf(fileName);
  return ext.size() >= 3 && (ext[2] == 'i' || ext[2] == 'I');
}

float PseudoAbsorbance(float reference, float sample) {
  if (reference > 0.0f && sample > 0.0f) return std::log10(reference / sample);
  return 10.0f;
}

float PseudoAbsorbanceOf1000(float value) {
  if (value > 0.0f) return std::log10(1000.0f / value);
  return 10.0f;
}

std::string OutputFolderOf(const std::string& path) {
  const PathParts parts = SplitPath(path);
  return parts.Drive + parts.Directory;
}

std::string NamePartOf(const std::string& fileName) {
  return SplitPath(fileName).Name;
}

std::string ExtensionOf(const std::string& fileName) {
  return SplitPath(fileName).Extension;
}

std::string WithExtensionLetter(const std::string& extension, char letter) {
  std::string ext = extension;
  if (ext.size() >= 3) ext[2] = letter;
  return ext;
}

bool RefuseDlsData(platform::WindowHandle owner) {
  if (!DlsDataMode) return false;
  PlayInfoSound();
  platform::Current().ShowMessageBox({owner, "not implemented for DLS data", "ERROR",
                                      platform::BoxIcon::Information, platform::BoxButtons::Ok});
  return true;
}

bool WriteScanFileReported(const std::string& path, int pointCount, float* radius, float* signal,
                           const float* third, const char* description, bool stampChecked,
                           const ScanHeader& header) {
  if (WriteScanFile(path, pointCount, radius, signal, third, description, stampChecked, header))
    return true;
  ShowLoadError(nullptr, "could not write " + path, "ERROR");
  return false;
}

ScanHeader AsAbsorbanceHeader(const ScanHeader& header) {
  ScanHeader h = header;
  if (h.DataType == 'I') h.DataType = 'R';
  if (h.DataType == 'V') h.DataType = 'W';
  return h;
}

void MoveTempParameterFile(const std::string& folder) {
  const auto& d = ScanDataSet;
  if (d.NFILES < 1) return;
  const std::string& earliest = d.ScanFilePaths[d.ScanTimeOrder[1]];
  DataFileLocation.TempParameterFilePath =
      LoadOptions.OldFilenameConvention ? folder + NamePartOf(earliest) + ".~p"
                                        : folder + "~tmppars" + ExtensionOf(earliest);
}

void ReportCouldNotOpen(platform::WindowHandle owner, const std::string& path) {
  PlayInfoSound();
  platform::Current().ShowMessageBox({owner, FormatText("could not open %s", path.c_str()),
                                      "ERROR", platform::BoxIcon::Information,
                                      platform::BoxButtons::Ok});
}
