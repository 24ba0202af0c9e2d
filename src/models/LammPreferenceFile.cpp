#include "models/LammPreferenceFile.h"

#include <climits>
#include <cmath>

#include "state/LoadOptions.h"
#include "state/ProgramPaths.h"
#include "data/ScanDataSet.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "numerics/CVector.h"
#include "ui/Boxes.h"

namespace {

const char* const kCaption = "LAMM EQUATION PARAMETERS";

float Flag(bool on) {
  return on ? 1.0f : 0.0f;
}

// Truncation towards zero into the int range: a damaged file may hold values
// that no int can take, or no number at all.
int TruncateToInt(float value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<float>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<float>(INT_MIN)) return INT_MIN;
  return static_cast<int>(value);
}

CVector PreferenceValues() {
  const LammSolverSettingsRecord& s = LammSolverSettings;
  const float values[LammPreferenceValueCount] = {
      s.SwitchThreshold,
      Flag(s.BackDiffusionShutOff),
      static_cast<float>(s.BackDiffusionLevel),
      Flag(s.AutoGridSize),
      static_cast<float>(s.DefaultLammGridSize),
      s.PointsPerSigma,
      static_cast<float>(s.MaxGridSize),
      static_cast<float>(s.MinGridSize),
      Flag(ScanDataSet.TimesFromW2t),
      Flag(s.AutomaticAlgorithm),
      Flag(s.FixedTimeStep),
      Flag(s.FixedGrid),
      Flag(s.MovingFrame),
      Flag(s.AutoSGrid),
      static_cast<float>(s.AutoSGridValue),
      FitControl.FitCycleTolerance,
      static_cast<float>(s.MaxChangePerStep),
      s.SwitchThresholdOptimized,
      Flag(s.OptimizeGridSpacing),
      Flag(ModelParameters.InitialConcentrationExperimental),
      Flag(s.DynamicTruncation),
      static_cast<float>(std::log10(s.TruncationThreshold)),
      Flag(s.ScanTimeCorrectionOn),
      Flag(s.RadialResolutionOn),
      s.ScanVelocity,
      s.RadialResolutionRange,
      Flag(ScanDataSet.CheckRotorAcceleration),
      static_cast<float>(s.VariableSpeedDShutOff),
  };
  return CVector(LammPreferenceValueCount, values);
}

// Values 0 to 25, which every readable file holds.
void StoreCommonValues(const CVector& v) {
  LammSolverSettingsRecord& s = LammSolverSettings;
  s.SwitchThreshold = v[0];
  s.BackDiffusionShutOff = v[1] > 0;
  s.BackDiffusionLevel = v[2];
  s.AutoGridSize = v[3] > 0;
  s.DefaultLammGridSize = TruncateToInt(v[4]);
  s.PointsPerSigma = v[5];
  s.MaxGridSize = TruncateToInt(v[6]);
  s.MinGridSize = TruncateToInt(v[7]);
  ScanDataSet.TimesFromW2t = v[8] > 0;
  ScanDataSet.RampRotorSpeed = !ScanDataSet.TimesFromW2t;
  s.AutomaticAlgorithm = v[9] > 0;
  s.FixedTimeStep = v[10] > 0;
  s.FixedGrid = v[11] > 0;
  s.MovingFrame = v[12] > 0;
  s.AutoSGrid = v[13] > 0;
  s.AutoSGridValue = v[14];
  FitControl.FitCycleTolerance = v[15];
  s.MaxChangePerStep = v[16];
  s.SwitchThresholdOptimized = v[17];
  s.OptimizeGridSpacing = v[18] > 0;
  // Only the experimental switch: its partner keeps what it was.
  ModelParameters.InitialConcentrationExperimental = v[19] > 0;
  s.DynamicTruncation = v[20] > 0;
  s.TruncationThreshold = std::pow(10.0, static_cast<double>(v[21]));
  s.ScanTimeCorrectionOn = v[22] > 0;
  s.RadialResolutionOn = v[23] > 0;
  s.ScanVelocity = v[24];
  s.RadialResolutionRange = v[25];
}

}  // namespace

std::string LammPreferenceFilePath() {
  if (!ProgramPaths.LammPreferenceFile.empty()) return ProgramPaths.LammPreferenceFile;
  return ProgramPaths.InstallationFolder + "zedarozazururaro.ini";
}

void SaveLammEqParameterPreferences(platform::WindowHandle window) {
  DebugLog(window, "\nEnter SaveLammEqParameterPreferences");
  PreferenceValues().WriteFile(LammPreferenceFilePath());
  DebugLog(window, " --> done.");
}

bool ReadLammEqParameterPreferences(platform::WindowHandle window) {
  DebugLog(window, "\nEnter ReadLammEqParameterPreferences");
  const std::string path = LammPreferenceFilePath();
  if (!FileExists(path)) return false;
  CVector values;
  values.ReadFile(path);
  const int count = static_cast<int>(values.count());
  if (count < LammPreferenceMinimumCount) {
    platform::Current().ShowMessageBox(
        {window,
         "cannot find " + path + " to initialize Lamm eq. preferences\n -> using defaults now",
         kCaption, platform::BoxIcon::None, platform::BoxButtons::Ok});
    return false;
  }
  StoreCommonValues(values);
  bool rewrite = false;
  if (count >= 27)
    ScanDataSet.CheckRotorAcceleration = values[26] > 0;
  else
    rewrite = true;
  if (count >= 28)
    LammSolverSettings.VariableSpeedDShutOff = values[27];
  else
    rewrite = true;
  EnforceLammGridMinimums(LammSolverSettings);
  DebugLog(window, "-> done.");
  if (rewrite) SaveLammEqParameterPreferences(window);
  return true;
}
