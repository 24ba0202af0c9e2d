#include "data/SpeedSeries.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <vector>

#include "state/ProgramPaths.h"
#include "data/ShowTextFile.h"
#include "ui/Boxes.h"

namespace {

constexpr float SameSpeedRpm = 10.0f;
// Scans after ten hours at a lower speed than an earlier one belong to a run
// that went back down, not to a rising series towards equilibrium.
constexpr double LateScanSeconds = 36000.0;

// A file dialog stand-in: an entry box captioned with the title, holding
// the offered path.
bool ChooseByEntryBox(std::string& path, const std::string& title, const std::string& filter) {
  platform::EntryRequest request;
  request.caption = title;
  request.prompt = filter;
  request.text = path;
  request.capacity = 4096;
  if (!platform::Current().ShowEntryDialog(request)) return false;
  path = request.text;
  return true;
}

}  // namespace

SpeedFileChooser ChooseSpeedFile = ChooseByEntryBox;

bool HasVariableSpeed(int scanCount, const ScanHeader* headers) {
  for (int k = 2; k <= scanCount; ++k)
    if (std::fabs(headers[k].Rpm - headers[1].Rpm) >= SameSpeedRpm) return true;
  return false;
}

bool AnalyzeSpeedChanges(int scanCount, const ScanHeader* headers, bool& SpeedSeriesIrregular,
                         bool& SpeedsOnlyIncrease) {
  SpeedSeriesIrregular = false;
  SpeedsOnlyIncrease = false;
  if (!HasVariableSpeed(scanCount, headers)) return false;
  SpeedsOnlyIncrease = true;
  std::vector<float> speeds{headers[1].Rpm};
  for (int k = 1; k <= scanCount; ++k) {
    const ScanHeader& scan = headers[k];
    for (int l = 1; l <= scanCount; ++l)
      if (headers[l].Rpm > scan.Rpm && headers[l].Time < scan.Time) SpeedsOnlyIncrease = false;
    if (std::find(speeds.begin(), speeds.end(), scan.Rpm) == speeds.end())
      speeds.push_back(scan.Rpm);
    if (scan.Time > LateScanSeconds &&
        std::any_of(speeds.begin(), speeds.end(), [&](float s) { return s > scan.Rpm; }))
      SpeedSeriesIrregular = true;
  }
  if (speeds.size() == 1) SpeedsOnlyIncrease = false;
  for (int k = 2; k <= scanCount; ++k) {
    if (headers[k].Cell != headers[1].Cell ||
        std::fabs(headers[k].Wavelength - headers[1].Wavelength) > 10.0f)
      SpeedSeriesIrregular = true;
  }
  return true;
}

bool ConvertEquToSpeedSteps(const std::string& methodPath, const std::string& stepsPath) {
  CRotorSpeedProfile profile;
  const bool read = profile.SpeedStepsFromEqu(methodPath);
  profile.SaveSpeedSteps(stepsPath);
  return read;
}

bool ConvertSpeedStepsToEqu(const std::string& stepsPath, const std::string& methodPath,
                            float cycleSeconds, int temperature, int finalScans,
                            int maxScansPerStep) {
  CRotorSpeedProfile profile;
  const bool loaded = profile.LoadSpeedSteps(stepsPath);
  // A file that did not load has said so; a single step is refused by the
  // writer with its own message.
  if (profile.SpeedStepCount() > 0)
    profile.WriteEquMethodRows(methodPath, cycleSeconds, temperature, finalScans, maxScansPerStep,
                               false);
  return loaded;
}

namespace {

bool AskMethodSettings(float& temperature, float& cycle, float& maxScans, float& finalScans) {
  return InputFloat(temperature, 20.0f, true, "temperature (C)", "create EQU method") &&
         InputFloat(cycle, 90.0f, true, "scan cycle time (sec)", "create EQU method") &&
         InputFloat(maxScans, 1.0f, true, "max # of scans per step", "create EQU method") &&
         InputFloat(finalScans, 0.0f, true, "# of final scans", "CALCULATE MINIMUM TIME TO EQ");
}

int FloorOf(float v) {
  return static_cast<int>(std::floor(std::clamp(v, -1e9f, 1e9f)));
}

}  // namespace

void CmConvertSpeedStepsEqu(platform::WindowHandle) {
  std::string input = ProgramPaths.InstallationFolder + SpeedStepsFileName;
  if (!ChooseSpeedFile(input, "input file", "speedsteps txt file (*.txt*)")) return;
  const std::filesystem::path in(input);
  const std::string extension = in.extension().string();
  const bool stepsFile = extension.size() > 1 && (extension[1] == 't' || extension[1] == 'T');
  std::string output;
  bool converted = false;
  if (stepsFile) {
    output = std::filesystem::path(in).replace_extension(".EQU").string();
    if (!ChooseSpeedFile(output, "output file", "speedsteps EQU file (*.EQU*)")) return;
    float temperature = 0, cycle = 0, maxScans = 0, finalScans = 0;
    if (!AskMethodSettings(temperature, cycle, maxScans, finalScans)) return;
    converted = ConvertSpeedStepsToEqu(input, output, cycle, FloorOf(temperature),
                                       FloorOf(finalScans), FloorOf(maxScans));
  } else {
    output = (in.parent_path() / SpeedStepsFileName).string();
    if (!ChooseSpeedFile(output, "output file", "speedsteps txt file (*.txt*)")) return;
    converted = ConvertEquToSpeedSteps(input, output);
  }
  if (converted) ShowTextFile(output);
}
