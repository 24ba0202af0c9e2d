#include "equilibrium/TimeToEqParameters.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <iterator>
#include <variant>
#include <vector>

#include "state/ProgramPaths.h"
#include "data/CRotorSpeedProfile.h"
#include "data/FilePathParts.h"
#include "data/LoadMessages.h"
#include "state/SolventConditions.h"
#include "equilibrium/ApproachToEqSim.h"
#include "numerics/CVector.h"
#include "numerics/Hydrodynamics.h"
#include "numerics/PhysicalConstants.h"
#include "ui/Boxes.h"

TimeToEqParametersRecord TimeToEqParameters;

TimeToEqParametersRecord::TimeToEqParametersRecord() = default;
TimeToEqParametersRecord::~TimeToEqParametersRecord() = default;
TimeToEqParametersRecord::TimeToEqParametersRecord(TimeToEqParametersRecord&&) noexcept = default;
TimeToEqParametersRecord& TimeToEqParametersRecord::operator=(TimeToEqParametersRecord&&) noexcept =
    default;

namespace {

using Record = TimeToEqParametersRecord;

// A diffusion coefficient, kept in cm^2/s and written in 1e-7 cm^2/s.
struct Diffusion {
  float Record::*value;
};
// One line of the file: a number, a whole number (written as a number and
// read back rounded down), a flag (1 or 0; read as set when above 0) or a
// diffusion coefficient.
using FileLine = std::variant<float Record::*, int Record::*, bool Record::*, Diffusion>;

const FileLine kFileLines[] = {
    &Record::FinalRpm,          &Record::InitialEqRpm,
    &Record::Acceleration,      &Record::Deceleration,
    &Record::KnotSpacing,       &Record::OverspeedTime,
    &Record::ColumnBottom,      &Record::ColumnMeniscus,
    &Record::RightFitLimit,     &Record::LeftFitLimit,
    &Record::SpeciesCount,      &Record::Vbar1,
    &Record::TemperatureC,      &Record::Epsilon,
    &Record::ParameterCount,    &Record::MaxOverconcentration,
    &Record::DistributionMode,  &Record::ExtrapolateData,
    &Record::RepeatCount,       &Record::SaveScanFiles,
    &Record::SaveEquFormat,     &Record::SolventDensity,
    &Record::SolventViscosity,  &Record::Species1S,
    &Record::Species1M,         &Record::Species1FF0,
    &Record::Species1UseFF0,    &Record::SecondSpecies,
    &Record::Species2Fraction,  &Record::Species2S,
    &Record::Species2M,         &Record::Vbar2,
    &Record::Species2FF0,       &Record::Species2UseFF0,
    Diffusion{&Record::Species1D}, Diffusion{&Record::Species2D},
    &Record::OptimizedTime,     &Record::RpmStep,
    &Record::ExponentialParameterization, &Record::HistoryMode,
    &Record::InitialStep,
};
static_assert(std::size(kFileLines) == static_cast<std::size_t>(TimeToEqParameterLines));

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

// The values of the file in their line order.
std::vector<float> FileValues(const Record& p) {
  std::vector<float> values;
  for (const FileLine& line : kFileLines)
    values.push_back(std::visit(
        Overloaded{[&](float Record::*m) { return p.*m; },
                   [&](int Record::*m) { return static_cast<float>(p.*m); },
                   [&](bool Record::*m) { return p.*m ? 1.0f : 0.0f; },
                   [&](Diffusion d) { return p.*(d.value) * 1e7f; }},
        line));
  return values;
}

void ApplyFileValues(Record& p, const std::vector<float>& v) {
  // Another count of course parameters makes the stored course meaningless.
  const auto count = static_cast<int>(std::floor(v[14]));
  if (count != p.ParameterCount) {
    p.SpeedCourseParameters = OneBasedArray<float>();
    p.HasSpeedCourseParameters = false;
  }
  for (std::size_t i = 0; i < std::size(kFileLines); ++i) {
    const float x = v[i];
    std::visit(Overloaded{[&](float Record::*m) { p.*m = x; },
                          [&](int Record::*m) { p.*m = static_cast<int>(std::floor(x)); },
                          [&](bool Record::*m) { p.*m = x > 0.0f; },
                          [&](Diffusion d) { p.*(d.value) = x * 1e-7f; }},
               kFileLines[i]);
  }
}

// The numbers at the start of the file's lines, up to the first line that
// does not begin with one; empty when the file cannot be opened. No message:
// a missing file at start-up simply leaves the defaults.
std::vector<float> ReadNumberLines(const std::string& path) {
  std::vector<float> values;
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (f == nullptr) return values;
  char line[512];
  while (std::fgets(line, sizeof line, f) != nullptr) {
    char* end = nullptr;
    errno = 0;
    const float x = std::strtof(line, &end);
    if (end == line || errno == ERANGE || !std::isfinite(x)) break;
    values.push_back(x);
  }
  std::fclose(f);
  return values;
}

// A companion file of the parameter file (what it holds: "duration" or
// "speedsteps") that is "missing" or "corrupt".
void ReportAuxiliaryFile(const char* what, const std::string& path, const char* state) {
  ErrorBox(FormatText(
      "error - auxillary %s parameter file %s is %s - please enter new in parameter box ", what,
      path.c_str(), state));
}

}  // namespace

std::string TimeToEqCompanionPath(const std::string& path, const char* suffix) {
  PathParts parts = SplitPath(path);
  parts.Name += suffix;
  return MergePath(parts);
}

bool SaveTimeToEqParameters(const std::string& path) {
  TimeToEqParametersRecord& p = TimeToEqParameters;
  const std::vector<float> values = FileValues(p);
  const CVector v(static_cast<unsigned>(values.size()), values.data());
  if (v.WriteFile(path) == 0) return false;
  if (!p.HistoryMode) return true;
  const std::string durationPath = TimeToEqCompanionPath(path, "_iniduration");
  const float duration = p.HistoryDuration;
  const bool durationWritten = CVector(1, &duration).WriteFile(durationPath) != 0;
  if (p.HistoryProfile) p.HistoryProfile->SaveSpeedSteps(TimeToEqCompanionPath(path, "_speedsteps"));
  return durationWritten;
}

bool LoadTimeToEqParameters(const std::string& path) {
  const std::vector<float> values = ReadNumberLines(path);
  if (static_cast<int>(values.size()) < TimeToEqParameterLines) return false;
  TimeToEqParametersRecord& p = TimeToEqParameters;
  ApplyFileValues(p, values);
  if (!p.HistoryMode) return true;
  const std::string durationPath = TimeToEqCompanionPath(path, "_iniduration");
  if (!FileExists(durationPath)) {
    ReportAuxiliaryFile("duration", durationPath, "missing");
    return false;
  }
  const std::vector<float> duration = ReadNumberLines(durationPath);
  if (duration.empty()) {
    ReportAuxiliaryFile("duration", durationPath, "corrupt");
    return false;
  }
  p.HistoryDuration = duration[0];
  if (!p.HistoryProfile) p.HistoryProfile = std::make_unique<CRotorSpeedProfile>();
  const std::string stepsPath = TimeToEqCompanionPath(path, "_speedsteps");
  p.HistoryProfile->LoadSpeedSteps(stepsPath);
  if (p.HistoryProfile->SpeedStepCount() < 1) {
    ReportAuxiliaryFile("speedsteps", stepsPath, "corrupt");
    return false;
  }
  return true;
}

float VolumeToMeniscus(float volume, float bottom) {
  // Sector angle of a double-sector centrepiece (2.39 degrees), 12 mm path.
  constexpr double phi = 0.041642580181360245;
  const double b10 = 10.0 * bottom;
  const double area = b10 * b10 - volume / (phi * 12.0 * 0.5);
  return static_cast<float>(0.1 * std::sqrt(std::max(area, 0.0)));
}

std::string NewNumberedResultPath(const std::string& tempFolder, const char* stem) {
  for (int n = 1; n < 100000; ++n) {
    const std::string folder = FormatText("%s%s%d", tempFolder.c_str(), stem, n);
    const std::string file = FormatText("%s/%s%d.txt", folder.c_str(), stem, n);
    if (FileExists(file)) continue;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec)) return std::string();
    return file;
  }
  return std::string();
}

void CreateBackupFolder() {
  TimeToEqParameters.BackupPath =
      NewNumberedResultPath(ProgramPaths.TempFolder, "backupoptimizedoverspeedsteps");
}

void DeriveTimeToEqSpecies() {
  TimeToEqParametersRecord& p = TimeToEqParameters;
  if (p.DistributionMode) return;
  const float relativeViscosity = p.SolventViscosity / PhysicalConstantsRecord::STANDARDVISCOSITY;
  const float vbarRho = SolventConditions.VbarRho;
  auto derive = [&](float M, float vbar, bool useFF0, float& s, float& ff0, float& D) {
    // s of the compact sphere in the planner's solvent.
    const float s0 = SFromMassAndFF0(M, vbar, p.TemperatureC, p.SolventDensity, relativeViscosity);
    if (useFF0)
      s = ff0 != 0.0f ? s0 / ff0 : 0.0f;
    else
      ff0 = s != 0.0f ? s0 / s : 0.0f;
    // The Svedberg conversion works with the buffer's vbar rho: hand it the
    // mass whose buoyancy there equals this species' in the planner's solvent.
    D = DFromMassAndS(M * (1.0f - vbar * p.SolventDensity) / (1.0f - vbarRho), s, p.TemperatureC);
  };
  derive(p.Species1M, p.Vbar1, p.Species1UseFF0, p.Species1S, p.Species1FF0, p.Species1D);
  derive(p.Species2M, p.Vbar2, p.Species2UseFF0, p.Species2S, p.Species2FF0, p.Species2D);
}

int MinimumSpeedCourseParameters(bool exponential) { return exponential ? 2 : 1; }

void SetPlanSpecies(float timeToEq, int count, const float* concentration, const float* s,
                    const float* D) {
  TimeToEqParametersRecord& p = TimeToEqParameters;
  p.ConstSpeedEqTime = timeToEq;
  p.SpeciesCount = count;
  p.SpeciesS.Resize(1, count);
  p.SpeciesD.Resize(1, count);
  p.SpeciesConcentration.Resize(1, count);
  for (int j = 1; j <= count; ++j) {
    p.SpeciesS[j] = s[j];
    p.SpeciesD[j] = D[j];
    p.SpeciesConcentration[j] = concentration[j];
  }
  p.OptimizedTime = 0.0f;
  if (!p.HasSpeedCourseParameters) {
    p.SpeedCourseParameters.Resize(1, std::max(p.ParameterCount, 1));
    for (int i = 1; i <= p.SpeedCourseParameters.hi(); ++i) p.SpeedCourseParameters[i] = 1.0f;
    p.HasSpeedCourseParameters = true;
  }
}

float EstimateTimeToEquilibrium(float rpm, float temperatureC, float M, float vbar, float density,
                                float bottom, float meniscus, float D, float epsilon) {
  constexpr float pi = 3.14159265358979f;
  const float omega = rpm * 0.10471975511965977f;
  // The reciprocal of sigma (b^2 - m^2), with 2R = 1.662902e8 erg/(mol K).
  const float alpha = (temperatureC + 273.15f) * 1.662902e8f /
                      ((bottom * bottom - meniscus * meniscus) * (1.0f - vbar * density) * M *
                       omega * omega);
  const float beta = 1.0f + 1.0f / (4.0f * pi * pi * alpha * alpha);
  const float span = bottom - meniscus;
  const double lnTerm = std::log(static_cast<double>(epsilon) * pi * pi * beta * beta /
                                 (4.0 * (1.0 + std::cosh(1.0 / (2.0 * alpha)))));
  return static_cast<float>(-(span * span) / (pi * pi * D * beta) * lnTerm / 3600.0);
}
