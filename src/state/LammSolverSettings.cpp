#include "state/LammSolverSettings.h"

#include <cmath>

LammSolverSettingsRecord LammSolverSettings;

namespace {

bool RaiseTo(int& value, int minimum) {
  if (value >= minimum) return false;
  value = minimum;
  return true;
}

}  // namespace

bool EnforceLammGridMinimums(LammSolverSettingsRecord& settings) {
  bool changed = RaiseTo(settings.DefaultLammGridSize, MinimumLammGridSize);
  changed = RaiseTo(settings.LammGridSize, MinimumLammGridSize) || changed;
  changed = RaiseTo(settings.MinGridSize, MinimumLammGridSize) || changed;
  changed = RaiseTo(settings.MaxGridSize, settings.MinGridSize) || changed;
  float& pps = settings.PointsPerSigma;
  if (!std::isfinite(pps)) {
    pps = LammSolverSettingsRecord{}.PointsPerSigma;
    changed = true;
  } else if (pps < MinimumPointsPerSigma) {
    pps = MinimumPointsPerSigma;
    changed = true;
  }
  return changed;
}
