#pragma once
// A rotor speed program as the instrument ran it: a list of speed steps, each
// with the time at which it begins, the speed it aims at and the acceleration
// with which the rotor gets there. The profile reads and writes the
// speed-steps file, repairs ramps that run into the next step, checks loaded
// scans against the program, converts to and from instrument method rows and
// builds the speed-time polyline of the rotor speed plot.
//
// Step arrays are one-based: StepStart()[1..SpeedStepCount()], in the form the
// solver's speed schedule takes them.
//
// The ramp of step i begins at StepStart[i] and lasts |StepRpm[1] /
// StepAcceleration[1]| for the first step (from rest) and |(StepRpm[i] -
// StepRpm[i-1]) / StepAcceleration[i]| for the later ones. A consistent
// profile ends every ramp by the start of the next step.

#include <string>

#include "data/ScanHeader.h"
#include "numerics/OneBasedArrays.h"

// The default name of a speed-steps file.
inline constexpr const char* SpeedStepsFileName = "speedsteps.txt";

class CRotorSpeedProfile {
 public:
  CRotorSpeedProfile();
  ~CRotorSpeedProfile() = default;
  CRotorSpeedProfile(const CRotorSpeedProfile&) = delete;
  CRotorSpeedProfile& operator=(const CRotorSpeedProfile&) = delete;

  // Reads a speed-steps file (three numbers per line: start s, rpm, rpm/s),
  // repairs overlapping ramps and returns VariableSpeed(): a file with a
  // single good step gives false and keeps that step. An unreadable file or
  // one with a zero or missing acceleration leaves the profile empty.
  bool LoadSpeedSteps(const std::string& path);
  bool Reload();
  // LoadSpeedSteps, then, only when that gave true, the scan check.
  bool LoadAndCheck(const std::string& path, int scanCount, const ScanHeader* headers);
  // Writes one "%f\t%f\t%f" line per step; the profile takes the path as its
  // name.
  bool SaveSpeedSteps(const std::string& path);
  // Moves the start of every step that begins before the previous ramp ends
  // to that ramp's end. With fix, a repaired profile is saved beside its file
  // under the file's name followed by "_fixed". Returns whether the profile
  // is (now) consistent.
  bool RepairSpeedStepRamps(bool fix);
  // Checks the times and speeds of scans headers[1..scanCount] against the
  // steps.
  bool CheckScansAgainstSpeedSteps(int scanCount, const ScanHeader* headers);

  // Copies of the one-based arrays become the steps; no test of the values.
  // Returns VariableSpeed().
  bool SetSteps(int n, const float* starts, const float* rpms, const float* accelerations);
  // Steps, VariableSpeed, ScheduleMode and file name of other; not the
  // polyline.
  void CopyFrom(const CRotorSpeedProfile& other);
  // Releases the steps; the polyline stays.
  void Clear();
  // Speed of the last step; only for profiles with steps.
  float FinalSpeed() const;
  // Speeds corrected for rotor stretch, floor(rpm * sqrt(a / (a - b rpm^2
  // 1e-6))), then saved to path.
  bool RescaleSpeeds(float a, float b, const std::string& path);

  // The speed-time polyline of the rotor speed plot (2n + 1 points, the last
  // speed held for 600 s). Built once; the getters build it when missing.
  void BuildSpeedCourse();
  const float* SpeedCourseTimes();
  const float* SpeedCourseRpms();
  int SpeedCoursePointCount();

  // Instrument method rows (the "EQU" file of 100 rows and its
  // "MethodRows.txt" summary) written from, and read into, the steps.
  bool WriteEquMethodRows(const std::string& methodPath, float cycleSeconds, int temperature,
                          int finalScans, int maxScansPerStep, bool convertBack);
  bool SpeedStepsFromEqu(const std::string& methodPath);

  // Duration (s) of the ramp of step i, and the time at which it ends.
  float RampDuration(int i) const;
  float RampEnd(int i) const;
  // The earliest stored start of step i + 1 that lies at or after the end of
  // step i's ramp (the ramp end rounded up to a float where needed).
  float StartAfterRamp(int i) const;
  // The rotor speed (rpm) at time t: at rest before the first step; within a
  // step linear from the previous step's target (0 for the first) to the
  // step's own target over its ramp, then held.
  double RpmAt(double t) const;
  // The integral of omega^2 from 0 to t over that speed course (rad^2/s).
  double Omega2tAt(double t) const;

  const std::string& FileName() const { return fileName_; }
  void SetFileName(const std::string& path) { fileName_ = path; }
  // The text of the last message the profile showed.
  const std::string& Message() const { return message_; }
  // More than one step.
  bool VariableSpeed() const { return variableSpeed_; }
  int SpeedStepCount() const { return speedStepCount_; }
  const float* StepStart() const { return stepStart_.data(); }
  const float* StepRpm() const { return stepRpm_.data(); }
  const float* StepAcceleration() const { return stepAcceleration_.data(); }
  // Handed unchanged to the solver's speed schedule as its mode.
  int ScheduleMode() const { return scheduleMode_; }

 private:
  void AllocateSteps(int n);
  // Keeps the text as the last message and shows it in an error box.
  void ShowMessage(const std::string& text);
  // The ramp duration in double precision, for the speed course.
  double RampSeconds(int i) const;

  std::string fileName_ = SpeedStepsFileName;
  std::string message_;
  OneBasedArray<float> courseTimes_;
  OneBasedArray<float> courseRpms_;
  int coursePointCount_ = 0;
  bool variableSpeed_ = false;
  int speedStepCount_ = 0;
  OneBasedArray<float> stepStart_;
  OneBasedArray<float> stepRpm_;
  OneBasedArray<float> stepAcceleration_;
  int scheduleMode_ = 2;
};
