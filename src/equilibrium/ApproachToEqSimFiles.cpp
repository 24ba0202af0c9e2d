// The speed course of a simulated approach and the result files of a plan.

#include <cmath>
#include <cstdio>
#include <filesystem>

#include "state/ProgramPaths.h"
#include "data/CRotorSpeedProfile.h"
#include "data/FilePathParts.h"
#include "data/LoadMessages.h"
#include "data/ScanFileWriter.h"
#include "equilibrium/ApproachToEqSim.h"
#include "equilibrium/TimeToEqParameters.h"
#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "ui/Boxes.h"

namespace {

void CouldNotOpen(const std::string& path) {
  ErrorBox(FormatText("\n\aAttention: could not open %s", path.c_str()));
}

// The folder of path with its trailing separator ("" for a bare name).
std::string FolderWithSeparator(const std::string& path) {
  const PathParts parts = SplitPath(path);
  return parts.Drive + parts.Directory;
}

bool CloseWritten(std::FILE* f, const std::string& path) {
  const bool ok = !std::ferror(f);
  if (std::fclose(f) != 0 || !ok) {
    CouldNotOpen(path);
    return false;
  }
  return true;
}

}  // namespace

bool CApproachToEqSim::SpeedCourse(int* count, OneBasedArray<float>* times,
                                   OneBasedArray<float>* rpm, std::unique_ptr<CVector>* x,
                                   std::unique_ptr<CVector>* y,
                                   std::unique_ptr<CCurve>* curve) const {
  if (count == nullptr || times == nullptr || rpm == nullptr) return false;
  const int n = StepCount;
  *count = n >= 1 ? 2 * n + 1 : 0;
  times->Resize(1, std::max(*count, 1));
  rpm->Resize(1, std::max(*count, 1));
  if (n >= 1) {
    OneBasedArray<float>& t = *times;
    OneBasedArray<float>& w = *rpm;
    t[1] = 0.0f;
    w[1] = 0.0f;
    t[2] = StepRpm[1] / StepAcceleration[1];
    w[2] = StepRpm[1];
    int k = 2;
    for (int i = 2; i <= n; ++i) {
      t[++k] = StepStart[i];
      w[k] = StepRpm[i - 1];
      t[++k] = StepStart[i] + std::fabs(StepRpm[i] - StepRpm[i - 1]) / StepAcceleration[i];
      w[k] = StepRpm[i];
    }
    const float previous = t[k];
    ++k;
    t[k] = ScanCount >= 1 ? static_cast<float>(ScanHeaders[ScanCount].Time) : 1.5f * previous;
    w[k] = StepRpm[n];
    for (int i = 1; i <= *count; ++i) t[i] /= 3600.0f;
  }
  // The vectors hold copies of the one-based arrays' values.
  if (x != nullptr) *x = std::make_unique<CVector>(*count, times->data() + 1);
  if (y != nullptr) *y = std::make_unique<CVector>(*count, rpm->data() + 1);
  if (curve != nullptr && x != nullptr && y != nullptr && *x && *y)
    *curve = std::make_unique<CCurve>(x->get(), y->get());
  return true;
}

bool CApproachToEqSim::WriteDeltaEqFile(const std::string& pathForFolder,
                                        const std::string& fileName) const {
  const PathParts name = SplitPath(fileName);
  const std::string path = FolderWithSeparator(pathForFolder) + name.Name + name.Extension;
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) {
    CouldNotOpen(path);
    return false;
  }
  // The last scan only closes the simulated span; it is not a result.
  for (int k = 1; k <= ScanCount - 1 && k <= ScanHours.hi(); ++k)
    std::fprintf(f, "%f\t%f\t%f\n", static_cast<double>(ScanHours[k]),
                 static_cast<double>(Rmsd[k]), static_cast<double>(MaxDeviation[k]));
  return CloseWritten(f, path);
}

bool CApproachToEqSim::WriteSimulatedScans(const std::string& pathForFolder) {
  const std::string folder = FolderWithSeparator(pathForFolder);
  const char* description = " simulated approach to equilibrium";
  for (int k = 1; k <= ScanCount; ++k) {
    const std::string path = FormatText("%s00%03d.R00", folder.c_str(), k);
    if (!WriteScanFile(path, PointCount, Radii.data(), TotalScans[k], nullptr, description, true,
                       ScanHeaders[k]))
      return false;
  }
  if (ScanCount >= 1 &&
      !WriteScanFile(folder + "eq.R00", PointCount, Radii.data(), EquilibriumProfile.data(),
                     nullptr, description, true, ScanHeaders[ScanCount]))
    return false;
  const TimeToEqParametersRecord& p = TimeToEqParameters;
  if (!(p.HistoryMode || p.InitialEqRpm > 0)) return true;
  for (int j = 1; HasInitialProfiles && j <= SpeciesCount; ++j) {
    if (InitialProfiles[static_cast<std::size_t>(j)].hi() < PointCount) continue;
    const std::string path = FormatText("%sinitial%d.R00", folder.c_str(), j);
    if (!WriteScanFile(path, PointCount, Radii.data(), InitialProfiles[j].data(), nullptr,
                       " initial for approach to equilibrium", true, InitialScanHeaders[1]))
      return false;
  }
  if (SpeedProfile) SpeedProfile->SaveSpeedSteps(folder + "initial_speedsteps.txt");
  return true;
}

bool CApproachToEqSim::WriteRpmTimeCourse(const std::string& path, bool openInEditor) const {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) {
    CouldNotOpen(path);
    return false;
  }
  if (StepCount >= 1) {
    std::fprintf(f, "%f\t%f\n", 0.0, 0.0);
    const double firstEnd = static_cast<double>(StepRpm[1]) / StepAcceleration[1] / 3600.0;
    std::fprintf(f, StepCount == 1 ? "%f\t%f" : "%f\t%f\n", firstEnd,
                 static_cast<double>(StepRpm[1]));
    for (int i = 2; i <= StepCount; ++i) {
      const double ramp = std::fabs(StepRpm[i] - StepRpm[i - 1]) / StepAcceleration[i];
      std::fprintf(f, "%f\t%f\n", StepStart[i] / 3600.0, static_cast<double>(StepRpm[i - 1]));
      std::fprintf(f, i == StepCount ? "%f\t%f" : "%f\t%f\n", (StepStart[i] + ramp) / 3600.0,
                   static_cast<double>(StepRpm[i]));
    }
  }
  if (!CloseWritten(f, path)) return false;
  if (openInEditor) platform::Current().OpenInTextEditor(path);
  return true;
}

bool CApproachToEqSim::WriteSpeedSteps(const std::string& path, bool openInEditor) const {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) {
    CouldNotOpen(path);
    return false;
  }
  for (int i = 1; i <= StepCount; ++i)
    std::fprintf(f, i < StepCount ? "%f\t%f\t%f\n" : "%f\t%f\t%f",
                 static_cast<double>(StepStart[i]), static_cast<double>(StepRpm[i]),
                 static_cast<double>(StepAcceleration[i]));
  if (!CloseWritten(f, path)) return false;
  PathParts course = SplitPath(path);
  course.Name += "_rpmtimecourse";
  WriteRpmTimeCourse(MergePath(course), false);
  // The planner's parameters go beside the steps they produced.
  PathParts simparams = SplitPath(path);
  simparams.Name = "simparams";
  std::error_code ec;
  std::filesystem::copy_file(ProgramPaths.TimeToEqParameterFile, MergePath(simparams),
                             std::filesystem::copy_options::overwrite_existing, ec);
  if (openInEditor) platform::Current().OpenInTextEditor(path);
  return true;
}

bool CApproachToEqSim::WriteEquMethodFile(const std::string& path, float scanCycleTime,
                                          int temperature, int finalScans, int scansPerStep,
                                          bool flag) const {
  PathParts parts = SplitPath(path);
  parts.Extension = ".EQU";
  CRotorSpeedProfile profile;
  profile.SetSteps(StepCount, StepStart.data(), StepRpm.data(), StepAcceleration.data());
  return profile.WriteEquMethodRows(MergePath(parts), scanCycleTime, temperature, finalScans,
                                    scansPerStep, flag);
}
