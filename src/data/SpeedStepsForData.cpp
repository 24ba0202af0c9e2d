#include "data/SpeedStepsForData.h"

#include <cmath>
#include <memory>
#include <numbers>

#include "state/LoadOptions.h"
#include "data/CRotorSpeedProfile.h"
#include "data/DataSetServices.h"
#include "data/FilePathParts.h"
#include "data/LoadMessages.h"
#include "data/ScanDataSet.h"
#include "data/SpeedSeries.h"
#include "numerics/OneBasedArrays.h"
#include "ui/Boxes.h"

namespace {

// (30/pi)^2: turns rpm^2 into omega^2.
constexpr float kRpmSquaredPerOmegaSquared = 91.18906527810401f;
constexpr const char* kInconsistentProfile =
    "oops - speedsteps.txt rotor speed profile inconsistent with data";

const ScanHeader* Headers() {
  return ScanDataSet.ScanHeaders.data();
}

// "speedsteps.txt" in a folder.
std::string SpeedStepsPathIn(const PathParts& folder) {
  PathParts p = folder;
  p.Name = "speedsteps";
  p.Extension = ".txt";
  return MergePath(p);
}

std::string SpeedStepsBesideEarliestScan() {
  return SpeedStepsPathIn(SplitFolder(DataFileLocation.DataFolder));
}

void Couple(std::unique_ptr<CRotorSpeedProfile> profile) {
  auto& d = ScanDataSet;
  d.DataSpeedProfile = std::move(profile);
  d.UsingSpeedSteps = d.DataSpeedProfile && d.DataSpeedProfile->SpeedStepCount() > 1;
}

void Uncouple() {
  ScanDataSet.DataSpeedProfile.reset();
  ScanDataSet.UsingSpeedSteps = false;
}

bool Coupling(platform::WindowHandle window, const std::string& drive, const std::string& directory,
              bool adding) {
  auto& d = ScanDataSet;
  if (!adding && LoadOptions.MultiSpeedAutoload) return true;
  const std::string path = SpeedStepsPathIn({drive, directory, "", ""});
  d.SpeedSeriesIrregular = false;
  d.SpeedsOnlyIncrease = false;
  const bool variable =
      AnalyzeSpeedChanges(d.NFILES, Headers(), d.SpeedSeriesIrregular, d.SpeedsOnlyIncrease);
  const bool present = FileExists(path);
  if (!variable && !present) {
    Uncouple();
    return true;
  }
  if (!adding && d.SpeedSeriesIrregular && !present) {
    ShowLoadError(window,
                  "detecting approach to equilibrium data without speedsteps file - please only "
                  "sort, don't fit");
    return true;
  }
  auto profile = std::make_unique<CRotorSpeedProfile>();
  profile->SetFileName(path);
  profile->Reload();
  // A profile that contradicts the scans' own times and speeds would make
  // every simulation follow a speed course the run did not have.
  if (profile->CheckScansAgainstSpeedSteps(d.NFILES, Headers())) {
    Couple(std::move(profile));
  } else {
    ShowLoadError(window, kInconsistentProfile);
    Uncouple();
  }
  TimesFromW2tOff(window);
  return true;
}

// The start of the ramp from f to l (rpm, ramp rate b, duration e) between
// the scans at times tp and tc with omega^2 t values wp and wc: the speed
// course f until T, linear ramp, l until tc must reproduce the omega^2 t
// that the rotor accumulated between the two scans.
float RampStart(float f, float l, float b, float e, float tp, float tc, float wp, float wc) {
  const float ramp = b * b * e * e * e / 3.0f + f * b * e * e + f * f * e;
  const float t = (f * f * tp + kRpmSquaredPerOmegaSquared * (wc - wp) - l * l * (tc - e) - ramp) /
                  (f * f - l * l);
  return std::fmin(std::fmax(t, tp + 1.0f), tc - e - 1.0f);
}

}  // namespace

bool CoupleSpeedStepsFile(platform::WindowHandle window, const std::string& drive,
                          const std::string& directory) {
  return Coupling(window, drive, directory, false);
}

bool CoupleSpeedStepsFileForAddedFiles(platform::WindowHandle window, const std::string& drive,
                                       const std::string& directory) {
  return Coupling(window, drive, directory, true);
}

bool SpeedStepsFromScans(float acceleration, float deceleration) {
  auto& d = ScanDataSet;
  // A rate of zero makes a ramp that never ends (and a step no solver can
  // follow); such rates derive nothing and leave the coupling as it is.
  const bool ratesUsable = std::isfinite(acceleration) && acceleration > 0.0f &&
                           std::isfinite(deceleration) && deceleration != 0.0f;
  if (!ratesUsable) return false;
  if (d.NFILES <= 0 || !HasVariableSpeed(d.NFILES, Headers())) {
    d.UsingSpeedSteps = false;
    return false;
  }
  OneBasedArray<float> starts(1, d.NFILES), rpms(1, d.NFILES), accelerations(1, d.NFILES);
  int steps = 1;
  starts[1] = 0.0f;
  rpms[1] = d.ScanHeaders[d.ScanTimeOrder[1]].Rpm;
  accelerations[1] = acceleration;
  float f = rpms[1];
  for (int k = 2; k <= d.NFILES; ++k) {
    const ScanHeader& p = d.ScanHeaders[d.ScanTimeOrder[k - 1]];
    const ScanHeader& c = d.ScanHeaders[d.ScanTimeOrder[k]];
    const float l = c.Rpm;
    if (l == f) continue;
    const float b = l > f ? acceleration : -std::fabs(deceleration);
    const float e = std::fabs((l - f) / b);
    ++steps;
    starts[steps] = RampStart(f, l, b, e, static_cast<float>(p.RecordedTime),
                              static_cast<float>(c.RecordedTime), static_cast<float>(p.Omega2t),
                              static_cast<float>(c.Omega2t));
    rpms[steps] = l;
    accelerations[steps] = std::fabs(b);
    f = l;
  }
  if (steps > 1) {
    auto profile = std::make_unique<CRotorSpeedProfile>();
    profile->SetSteps(steps, starts.data(), rpms.data(), accelerations.data());
    PathParts folder = SplitPath(DataFileLocation.TempParameterFilePath);
    folder.Name.clear();
    folder.Extension.clear();
    profile->SaveSpeedSteps(SpeedStepsPathIn(folder));
    Couple(std::move(profile));
  }
  return d.UsingSpeedSteps;
}

bool LoadSpeedStepsForData() {
  auto& d = ScanDataSet;
  if (d.NFILES <= 0 || LoadOptions.MultiSpeedAutoload) return false;
  // Every loaded scan lives in the data folder, the earliest one included.
  auto profile = std::make_unique<CRotorSpeedProfile>();
  profile->LoadSpeedSteps(SpeedStepsBesideEarliestScan());
  if (!profile->CheckScansAgainstSpeedSteps(d.NFILES, Headers())) {
    ShowLoadError(nullptr, kInconsistentProfile);
    Uncouple();
    return false;
  }
  Couple(std::move(profile));
  if (d.UsingSpeedSteps) RestoreRecordedScanTimes();
  return d.UsingSpeedSteps;
}

float RampTimeOffset(float e, float b, const ScanHeader& header) {
  const float c = header.Rpm;
  const float omega = c * std::numbers::pi_v<float> / 30.0f;
  const float t = static_cast<float>(header.RecordedTime);
  const float w = static_cast<float>(header.Omega2t);
  const float c2 = c * c, e2 = e * e;
  return c2 * (t - w / (omega * omega)) / (c2 - e2) + e / b -
         2.0f * c2 * c / (3.0f * b * (c2 - e2));
}

void MakeTwoStepSpeedProfile(float lowSpeedDuration, float lowSpeed, const ScanHeader& header,
                             float acceleration) {
  const float starts[] = {0.0f, 0.0f, lowSpeedDuration};
  const float rpms[] = {0.0f, lowSpeed, header.Rpm};
  const float accelerations[] = {0.0f, acceleration, acceleration};
  auto profile = std::make_unique<CRotorSpeedProfile>();
  profile->SetSteps(2, starts, rpms, accelerations);
  profile->SaveSpeedSteps(SpeedStepsBesideEarliestScan());
  Couple(std::move(profile));
  if (ScanDataSet.UsingSpeedSteps) RestoreRecordedScanTimes();
}
