// The preference file of the window and the Lamm equation preferences, both
// read from the installation folder, here the scratch folder. The first byte
// chooses the file.
#include <memory>

#include "FuzzSupport.h"
#include "app/options/PreferenceFile.h"
#include "state/ProgramFlags.h"
#include "state/ProgramPaths.h"
#include "app/window/TXLAWindow.h"
#include "models/LammPreferenceFile.h"

namespace {

void ReadPreferenceFile(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return;
  static std::unique_ptr<TXLAWindow> window = std::make_unique<TXLAWindow>("fuzz");
  ProgramPaths.InstallationFolder = FuzzScratchFolder();
  BatchMode = false;
  if (data[0] & 1) {
    ProgramPaths.LammPreferenceFile = FuzzInputFile(data + 1, size - 1, "zedarozazururaro.ini");
    ReadLammEqParameterPreferences(window->Handle());
  } else {
    ProgramPaths.PreferenceFile = FuzzInputFile(data + 1, size - 1, "taluvoparams.ini");
    ReadPreferences(*window);
  }
}

const FuzzTargetRegistration kTarget("preference_files", &ReadPreferenceFile);

}  // namespace
