#pragma once
// How one or two ideal, non-interacting species in a sector cell approach
// sedimentation equilibrium under a rotor speed course: an own radial grid
// (0.002 cm), simulated scans every ScanInterval seconds, the final
// equilibrium profile in closed form, one Lamm solution per species for all
// scans at once (the species on the solver's worker threads), and per scan
// how far the total concentration still is from equilibrium. The planner
// makes one object per constant-speed run and per evaluated speed course;
// the speed-profile tool keeps one for the whole session. The object also
// writes the results of a plan: distance table, simulated scans, speed
// steps, the rotor speed course and an instrument method file.
//
// Use: construct, SetSystem (once), optionally MakeInitialProfiles and
// SetTimeScale, SetSpeedSteps, SimulateAll, EvaluateApproach, then the
// outputs; or CopyFrom into a long-lived object. All arrays are one-based.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/ScanHeader.h"
#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"

class CRotorSpeedProfile;
class CCurve;
class CVector;

// (2 pi / 60)^2: omega^2 per rpm^2.
inline constexpr double kOmegaPerRpmSquared = 39.47841760435743 / 3600.0;
// Acceleration (rpm/s) assumed for the simulated rotor start.
inline constexpr float kPlannerAcceleration = 280.0f;

class CApproachToEqSim {
 public:
  CApproachToEqSim();
  ~CApproachToEqSim();
  CApproachToEqSim(const CApproachToEqSim&) = delete;
  CApproachToEqSim& operator=(const CApproachToEqSim&) = delete;

  // Grid, scans, headers and the equilibrium profile. The species arrays are
  // one-based [1..speciesCount]. Always true.
  bool SetSystem(platform::WindowHandle window, float maxHours, float bottom, float meniscus,
                 float fitLimitA, float fitLimitB, int speciesCount, const float* concentrations,
                 const float* sValues, const float* dValues, float vbar, float temperatureC,
                 float rotorSpeed);
  // Starting profiles of the species: resampled from given profiles, the
  // history simulated under historyProfile for historyTime s, an equilibrium
  // at rotorSpeed, or a step at stepRadius. False without a grid or when the
  // number of given profiles is not the number of species.
  bool MakeInitialProfiles(float rotorSpeed, int profileCount, int sourceCount,
                           const float* sourceRadii, const float* const* sourceProfiles,
                           const CRotorSpeedProfile* history, float historyTime,
                           float stepRadius);
  // One species from uniform loading to InitialTime under SpeedProfile:
  // c0 times the solution on the grid.
  OneBasedArray<float> SimulateOne(double c0, double s, double D);
  int SetSpeedSteps(int count, const float* start, const float* rpm, const float* acceleration,
                    int mode);
  void SetTimeScale(float factor, float end);

  // All species over all scans; true when the solver succeeded.
  bool SimulateAll();
  void EvaluateApproach(float rmsdThreshold, float maxDevThreshold);
  float BottomOverconcentration() const;
  // Integral of c r dr over the grid, exact for piecewise-linear c.
  double RadialIntegral(const float* values) const;
  // Corner points of the speed course (hours, rpm); the optional outputs
  // wrap the arrays.
  bool SpeedCourse(int* count, OneBasedArray<float>* times, OneBasedArray<float>* rpm,
                   std::unique_ptr<CVector>* x = nullptr, std::unique_ptr<CVector>* y = nullptr,
                   std::unique_ptr<CCurve>* curve = nullptr) const;
  void CopyFrom(const CApproachToEqSim* other);

  // Result files. Each shows "could not open" and returns false when its
  // file cannot be written.
  bool WriteDeltaEqFile(const std::string& pathForFolder, const std::string& fileName) const;
  bool WriteSimulatedScans(const std::string& pathForFolder);
  bool WriteRpmTimeCourse(const std::string& path, bool openInEditor) const;
  bool WriteSpeedSteps(const std::string& path, bool openInEditor) const;
  bool WriteEquMethodFile(const std::string& path, float scanCycleTime, int temperature,
                          int finalScans, int scansPerStep, bool flag) const;

  // --- State (public, as the planner and its plots read it) ---
  float ScanInterval = 1800.0f;
  float RadialStep = 0.002f;
  int ScanCount = 0;
  float TimeScaleFactor = 1.0f;
  float TimeScaleEnd = 0.0f;
  float ScaledTimeScaleEnd = 0.0f;
  bool TimeScaleOn = false;
  int PointCount = 0;
  int FitFirstIndex = 0, FitLastIndex = 0;
  OneBasedArray<float> Radii;
  OneBasedArray<float> EquilibriumProfile;
  OneBasedMatrix<float> TotalScans;  // [scan][point]
  // Per species [1..SpeciesCount]; empty vectors mean uniform loading.
  std::vector<OneBasedArray<float>> InitialProfiles;
  bool HasInitialProfiles = false;
  std::vector<OneBasedMatrix<float>> SpeciesScans;  // [species][scan][point]
  OneBasedArray<std::int32_t> ScanList;
  OneBasedArray<ScanHeader> ScanHeaders;
  OneBasedArray<ScanHeader> InitialScanHeaders;  // slot 1 used
  std::unique_ptr<CRotorSpeedProfile> SpeedProfile;
  float InitialTime = 0.0f;
  platform::WindowHandle Window = nullptr;
  float FitLeftLimit = 0.0f, FitRightLimit = 0.0f;
  float Meniscus = 6.75f, Bottom = 7.2f;
  float Vbar = 0.73f;
  float Temperature = 4.0f;
  float RotorSpeed = 10000.0f;
  int SpeciesCount = 1;
  OneBasedArray<double> Concentrations, SValues, DValues;
  int SolverError = 0;
  int GridParameter = 80;
  float RmsdThreshold = 0.001f;
  float TimeToRmsd = -1.0f;
  float MaxDevThreshold = 0.001f;
  OneBasedArray<float> ScanTimes, ScanHours, MaxDeviation, Rmsd;
  int RmsdScanIndex = 1;
  bool HasSpeedSteps = false;
  int StepCount = 0;
  OneBasedArray<float> StepStart, StepRpm, StepAcceleration;
  int StepMode = 0;
  bool ExponentialParameterization = true;
  OneBasedArray<float> ParameterValues;
  int ParameterCount = 0;

 private:
  void CompressTimes();
  void RestoreTimes();
  // Both time fields, ramp and omega^2 t of a header of a run that starts
  // from rest at kPlannerAcceleration towards rpm.
  static void SetRampHeaderTimes(ScanHeader& h, double t, float rpm);
  // True when the planner's settings ask for starting profiles.
  static bool InitialProfileMode();
};

// The equilibrium profile of unit loading at reduced molar mass per r^2
// sigma (1/cm^2) in a cell from m to b, at radius r:
//   sigma (b^2 - m^2) / (1 - exp(-sigma (b^2 - m^2))) exp(sigma (r^2 - b^2)).
// Evaluated with expm1, so a species that does not sediment (sigma = 0)
// gives the flat profile 1 instead of 0/0.
double UnitEquilibriumProfile(double sigma, double m, double b, double r);
