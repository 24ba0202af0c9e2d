#include "data/CRotorSpeedProfile.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdio>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "ui/Boxes.h"

namespace {

// The number of lines of a text as a line reader with a 100-character
// buffer counts them: each read takes up to 99 characters and stops after a
// line feed, so a longer line counts more than once; an empty text counts as
// one line.
int CountLineReads(std::FILE* f) {
  const std::size_t maxRead = 99;
  int reads = 0;
  std::size_t taken = 0;
  bool any = false;
  for (int c = std::fgetc(f); c != EOF; c = std::fgetc(f)) {
    any = true;
    ++taken;
    if (c == '\n' || taken == maxRead) {
      ++reads;
      taken = 0;
    }
  }
  if (taken > 0 || !any) ++reads;
  return reads;
}

std::string Formatted(const char* format, const std::string& a) {
  std::string text(std::snprintf(nullptr, 0, format, a.c_str()), '\0');
  std::snprintf(text.data(), text.size() + 1, format, a.c_str());
  return text;
}

std::string Formatted(const char* format, const std::string& a, const std::string& b) {
  std::string text(std::snprintf(nullptr, 0, format, a.c_str(), b.c_str()), '\0');
  std::snprintf(text.data(), text.size() + 1, format, a.c_str(), b.c_str());
  return text;
}

}  // namespace

CRotorSpeedProfile::CRotorSpeedProfile() {
  AllocateSteps(0);
}

void CRotorSpeedProfile::AllocateSteps(int n) {
  assert(n >= 0);
  speedStepCount_ = n;
  stepStart_.Resize(1, n);
  stepRpm_.Resize(1, n);
  stepAcceleration_.Resize(1, n);
}

void CRotorSpeedProfile::ShowMessage(const std::string& text) {
  message_ = text;
  ErrorBox(text);
}

void CRotorSpeedProfile::Clear() {
  AllocateSteps(0);
  variableSpeed_ = false;
}

bool CRotorSpeedProfile::LoadSpeedSteps(const std::string& path) {
  Clear();
  fileName_ = path;
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (f == nullptr) {
    ShowMessage(Formatted("\n\aAttention: could not open %s", path));
    return false;
  }
  const int n = CountLineReads(f);
  AllocateSteps(n);
  std::rewind(f);
  // The numbers are taken in sequence, any white space between them; a step
  // that does not yield three numbers ends the reading, and the steps not
  // read keep zero accelerations, which the test below rejects.
  for (int i = 1; i <= n; ++i) {
    if (std::fscanf(f, "%f %f %f", &stepStart_[i], &stepRpm_[i], &stepAcceleration_[i]) != 3) break;
  }
  std::fclose(f);
  bool bad = false;
  for (int i = 1; i <= n; ++i) {
    // Besides a zero acceleration, a value that is not a finite number (a
    // "nan" or "inf" in the file) would poison every ramp and time test.
    bad = bad || stepAcceleration_[i] == 0.0f || !std::isfinite(stepAcceleration_[i]) ||
          !std::isfinite(stepStart_[i]) || !std::isfinite(stepRpm_[i]);
  }
  if (bad) {
    Clear();
    ShowMessage(Formatted("\n\aAttention: bad speedstep data in %s", path));
    return false;
  }
  RepairSpeedStepRamps(true);
  variableSpeed_ = speedStepCount_ > 1;
  return variableSpeed_;
}

bool CRotorSpeedProfile::Reload() {
  const std::string path = fileName_;
  return LoadSpeedSteps(path);
}

bool CRotorSpeedProfile::LoadAndCheck(const std::string& path, int scanCount,
                                      const ScanHeader* headers) {
  if (!LoadSpeedSteps(path)) return false;
  return CheckScansAgainstSpeedSteps(scanCount, headers);
}

bool CRotorSpeedProfile::SaveSpeedSteps(const std::string& path) {
  fileName_ = path;
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (f == nullptr) {
    ShowMessage(Formatted("\n\aAttention: could not open %s", path));
    return false;
  }
  for (int i = 1; i <= speedStepCount_; ++i)
    std::fprintf(f, "%f\t%f\t%f\n", static_cast<double>(stepStart_[i]),
                 static_cast<double>(stepRpm_[i]), static_cast<double>(stepAcceleration_[i]));
  // A full disk shows only when the buffered lines are flushed; a file cut
  // short must not pass for a saved profile.
  const bool written = !std::ferror(f);
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    ShowMessage(Formatted("\n\aAttention: could not open %s", path));
    return false;
  }
  return true;
}

float CRotorSpeedProfile::RampDuration(int i) const {
  assert(i >= 1 && i <= speedStepCount_);
  if (i == 1) return std::fabs(stepRpm_[1] / stepAcceleration_[1]);
  return std::fabs((stepRpm_[i] - stepRpm_[i - 1]) / stepAcceleration_[i]);
}

double CRotorSpeedProfile::RampSeconds(int i) const {
  const double from = i == 1 ? 0.0 : stepRpm_[i - 1];
  return std::fabs((stepRpm_[i] - from) / stepAcceleration_[i]);
}

float CRotorSpeedProfile::RampEnd(int i) const {
  return stepStart_[i] + RampDuration(i);
}

float CRotorSpeedProfile::StartAfterRamp(int i) const {
  const float ramp = RampDuration(i);
  float start = stepStart_[i] + ramp;
  // The sum rounds to the nearest float, which may lie a little inside the
  // ramp; the next floats up are the first starts that the check accepts.
  for (int k = 0; k < 64 && ramp > start - stepStart_[i]; ++k)
    start = std::nextafter(start, std::numeric_limits<float>::infinity());
  return start;
}

bool CRotorSpeedProfile::RepairSpeedStepRamps(bool fix) {
  const int n = speedStepCount_;
  if (n <= 1) return true;
  // Single precision throughout, as the steps are stored.
  bool consistent = true;
  for (int i = 1; i < n; ++i) {
    const float ramp = RampDuration(i);
    if (ramp <= stepStart_[i + 1] - stepStart_[i]) continue;
    consistent = false;
    if (fix) stepStart_[i + 1] = StartAfterRamp(i);
  }
  if (!fix || consistent) return consistent;
  if (RepairSpeedStepRamps(false)) {
    const std::string loaded = fileName_;
    const std::string fixed = loaded + "_fixed";
    SaveSpeedSteps(fixed);
    ShowMessage(Formatted("ERROR: rotor speed profile %s fixed in %s", loaded, fixed));
    return true;
  }
  ShowMessage(Formatted("ERROR: rotor speed profile %s could not be fixed", fileName_));
  return false;
}

bool CRotorSpeedProfile::CheckScansAgainstSpeedSteps(int scanCount, const ScanHeader* headers) {
  const int n = speedStepCount_;
  if (n == 0) return false;
  assert(scanCount <= 0 || headers != nullptr);
  for (int j = 1; j <= scanCount; ++j) {
    const double t = headers[j].Time;
    const float r = headers[j].Rpm;
    if (n == 1) {
      if (!(t > static_cast<double>(RampEnd(1)))) return false;
      continue;
    }
    int b = 0;
    for (int k = 1; k < n && b == 0; ++k)
      if (stepStart_[k] < t && t <= stepStart_[k + 1]) b = k;
    if (b == 0 && t > stepStart_[n]) b = n;
    if (b == 0) continue;  // before the program starts
    const double rampEnd = static_cast<double>(stepStart_[b]) + RampDuration(b);
    // Inside the program a scan may begin up to a second before its ramp
    // ends; the first and last steps want a second of full speed.
    const bool timeOk = (b == 1 || b == n) ? t >= rampEnd + 1.0 : t + 1.0 >= rampEnd;
    if (!timeOk) {
      char text[200];
      std::snprintf(text, sizeof text, "inconsistent file %d (t = %f, om = %f) with speed step %d",
                    j, t, static_cast<double>(r), b);
      ShowMessage(text);
      return false;
    }
    if (!(std::fabs(r - stepRpm_[b]) < 10.0f)) return false;
  }
  return true;
}

bool CRotorSpeedProfile::SetSteps(int n, const float* starts, const float* rpms,
                                  const float* accelerations) {
  assert(n >= 0);
  Clear();
  AllocateSteps(n);
  for (int i = 1; i <= n; ++i) {
    stepStart_[i] = starts[i];
    stepRpm_[i] = rpms[i];
    stepAcceleration_[i] = accelerations[i];
  }
  variableSpeed_ = n > 1;
  return variableSpeed_;
}

void CRotorSpeedProfile::CopyFrom(const CRotorSpeedProfile& other) {
  if (&other == this) return;
  SetSteps(other.speedStepCount_, other.StepStart(), other.StepRpm(), other.StepAcceleration());
  variableSpeed_ = other.variableSpeed_;
  scheduleMode_ = other.scheduleMode_;
  fileName_ = other.fileName_;
}

float CRotorSpeedProfile::FinalSpeed() const {
  assert(speedStepCount_ > 0);
  return stepRpm_[speedStepCount_];
}

bool CRotorSpeedProfile::RescaleSpeeds(float a, float b, const std::string& path) {
  // Rotor stretch moves the cell outwards with the square of the speed; the
  // corrected speed gives the same centrifugal field at the shifted radius.
  for (int i = 1; i <= speedStepCount_; ++i) {
    const float rpm = stepRpm_[i];
    const float stretch = static_cast<float>(static_cast<double>(b) * rpm * rpm * 1e-6);
    stepRpm_[i] = std::floor(rpm * std::sqrt(a / (a - stretch)));
  }
  return SaveSpeedSteps(path);
}

void CRotorSpeedProfile::BuildSpeedCourse() {
  const int n = speedStepCount_;
  if (n == 0) {
    coursePointCount_ = 1;
    courseTimes_.Resize(1, 1);
    courseRpms_.Resize(1, 1);
    return;
  }
  coursePointCount_ = 2 * n + 1;
  courseTimes_.Resize(1, coursePointCount_);
  courseRpms_.Resize(1, coursePointCount_);
  // The first ramp is drawn from time 0, as the run starts the rotor.
  courseTimes_[2] = stepRpm_[1] / stepAcceleration_[1];
  courseRpms_[2] = stepRpm_[1];
  for (int i = 2; i <= n; ++i) {
    courseTimes_[2 * i - 1] = stepStart_[i];
    courseRpms_[2 * i - 1] = stepRpm_[i - 1];
    courseTimes_[2 * i] = stepStart_[i] + RampDuration(i);
    courseRpms_[2 * i] = stepRpm_[i];
  }
  courseTimes_[2 * n + 1] = courseTimes_[2 * n] + 600.0f;
  courseRpms_[2 * n + 1] = stepRpm_[n];
}

const float* CRotorSpeedProfile::SpeedCourseTimes() {
  if (courseTimes_.size() == 0) BuildSpeedCourse();
  return courseTimes_.data();
}

const float* CRotorSpeedProfile::SpeedCourseRpms() {
  if (courseRpms_.size() == 0) BuildSpeedCourse();
  return courseRpms_.data();
}

int CRotorSpeedProfile::SpeedCoursePointCount() {
  if (coursePointCount_ == 0) BuildSpeedCourse();
  return coursePointCount_;
}

double CRotorSpeedProfile::RpmAt(double t) const {
  int step = 0;
  for (int i = 1; i <= speedStepCount_; ++i)
    if (t >= stepStart_[i]) step = i;
  if (step == 0) return 0.0;
  const double from = step == 1 ? 0.0 : stepRpm_[step - 1];
  const double to = stepRpm_[step];
  const double ramp = RampSeconds(step);
  const double u = t - stepStart_[step];
  // Written as "not before the end" so that a ramp of no length, or one
  // that a zero acceleration makes undefined, is at its target at once.
  if (!(u < ramp)) return to;
  return from + (to - from) * u / ramp;
}

double CRotorSpeedProfile::Omega2tAt(double t) const {
  if (!(t > 0.0)) return 0.0;
  // The speed is linear between the starts and ramp ends of the steps, so
  // omega^2 is quadratic there and two-point Gauss-Legendre quadrature on
  // each piece is exact. Its nodes lie inside the piece, clear of the
  // jumps that a ramp cut short by the next step leaves.
  std::vector<double> knots{0.0, t};
  for (int i = 1; i <= speedStepCount_; ++i) {
    for (const double k :
         {static_cast<double>(stepStart_[i]), static_cast<double>(stepStart_[i]) + RampSeconds(i)})
      if (std::isfinite(k) && k > 0.0 && k < t) knots.push_back(k);
  }
  std::sort(knots.begin(), knots.end());
  const double offset = 0.5 / std::sqrt(3.0);
  double integral = 0.0;
  for (std::size_t k = 1; k < knots.size(); ++k) {
    const double h = knots[k] - knots[k - 1];
    if (h <= 0.0) continue;
    const double mid = 0.5 * (knots[k] + knots[k - 1]);
    const double r1 = RpmAt(mid - offset * h), r2 = RpmAt(mid + offset * h);
    integral += 0.5 * h * (r1 * r1 + r2 * r2);
  }
  const double radPerSecondPerRpm = std::numbers::pi / 30.0;
  return integral * radPerSecondPerRpm * radPerSecondPerRpm;
}
