#pragma once
// The settings of the speed planner: how a sedimentation-equilibrium run is
// to be planned (column, species, solvent, target, the overspeed course) and
// what the last planning run found. One program-wide record, kept in the
// parameter file "taluvosimappeqparams.ini" of the installation folder (41
// values, one per line) with two companions while the run continues a rotor
// speed history: "<name>_iniduration<ext>" (the history's length) and
// "<name>_speedsteps<ext>" (its speed steps).

#include <memory>
#include <string>

#include "numerics/OneBasedArrays.h"

class CApproachToEqSim;
class CRotorSpeedProfile;

struct TimeToEqParametersRecord {
  TimeToEqParametersRecord();
  ~TimeToEqParametersRecord();
  TimeToEqParametersRecord(TimeToEqParametersRecord&&) noexcept;
  TimeToEqParametersRecord& operator=(TimeToEqParametersRecord&&) noexcept;

  bool ParametersValid = false;  // the parameter file was read or written successfully
  float FinalRpm = 15000.0f;
  float InitialEqRpm = 0.0f;         // speed of an initial equilibrium; 0 = none
  float ConstSpeedEqTime = 50000.0f;  // s, set by each planning run
  float Acceleration = 280.0f;       // rpm/s
  float Deceleration = 280.0f;       // rpm/s
  float HistoryDuration = 0.0f;      // s
  std::unique_ptr<CRotorSpeedProfile> HistoryProfile;
  float KnotSpacing = 900.0f;       // s
  float OverspeedTime = 30000.0f;   // s
  float ColumnBottom = 7.2f;        // cm
  float ColumnMeniscus = 6.75f;     // cm
  float RightFitLimit = 7.15f;      // cm
  float InitialStep = 0.0f;         // cm; 0 = uniform loading
  float LeftFitLimit = 6.77f;       // cm
  int SpeciesCount = 1;
  OneBasedArray<float> SpeciesS, SpeciesD, SpeciesConcentration;
  float Vbar1 = 0.0f;
  float TemperatureC = 20.0f;
  float Epsilon = 0.001f;           // target rmsd relative to the loading signal
  float TimeScaleFactor = 1.0f;     // not saved
  float TimeScaleEnd = 0.0f;        // s; not saved
  int ParameterCount = 5;
  float MaxOverconcentration = 1.5f;  // 0 = no limit
  bool DistributionMode = false;
  bool HistoryMode = false;
  bool ExtrapolateData = false;
  int RepeatCount = 1;
  bool SaveScanFiles = true;
  bool SaveEquFormat = true;
  bool RunSpeedFile = false;
  float SolventDensity = 0.0f;    // g/ml; 0 = the buffer's
  float SolventViscosity = 0.0f;  // Pa s; 0 = the buffer's
  float Species1S = 4.31f, Species1M = 65000.0f, Species1FF0 = 1.4f;
  bool Species1UseFF0 = true;
  bool SecondSpecies = false;
  float Species2Fraction = 0.0f, Species2S = 6.5f, Species2M = 130000.0f, Vbar2 = 0.0f,
        Species2FF0 = 1.4f;
  bool Species2UseFF0 = true;
  float Species1D = 0.0f, Species2D = 0.0f;  // cm^2/s
  float OptimizedTime = 0.0f;                // h
  // Present once a planning run has allocated it; ParameterCount long.
  OneBasedArray<float> SpeedCourseParameters;
  bool HasSpeedCourseParameters = false;
  std::unique_ptr<CApproachToEqSim> ObjectiveSim, ConstantSpeedSim, ToolSim;
  float RpmStep = 1.0f;
  float MaxSimTime = 0.0f;      // h
  float ConstSpeedTime = 0.0f;  // h
  float BestObjective = 0.0f;
  float RpmPlotTop = 0.1f, RpmPlotScale = 35000.0f;
  float DecayTimeUnit = 5.0f;     // h
  float MinFirstParameter = 0.2f;
  bool ExponentialParameterization = true;

  std::string ResultPath, BackupPath, RunSpeedFilePath, SimparamsPath;
};

extern TimeToEqParametersRecord TimeToEqParameters;

// The file has this many values; a shorter one is not read at all.
inline constexpr int TimeToEqParameterLines = 41;

// Writes the 41 values; while HistoryMode is on also the duration file and
// (when there is one) the history's speed steps. False when the main file
// or the duration file could not be written.
bool SaveTimeToEqParameters(const std::string& path);
// Applies a file of at least 41 values; an unreadable or short file changes
// nothing and gives false, silently. While HistoryMode is on the two
// companions are read too; a missing or bad one is named in an error box
// and gives false (the 41 values stay applied).
bool LoadTimeToEqParameters(const std::string& path);
// The companion of the parameter file at path: name + suffix, same folder
// and extension.
std::string TimeToEqCompanionPath(const std::string& path, const char* suffix);

// The meniscus (cm) of a filling of volume ul in a 12 mm double-sector
// centrepiece whose bottom is at bottom cm.
float VolumeToMeniscus(float volume, float bottom);

// The first free "<temp>/<stem>N/<stem>N.txt" (N = 1, 2, ...) with its
// folder created; empty when the folder cannot be made.
std::string NewNumberedResultPath(const std::string& tempFolder, const char* stem);
// BackupPath = the first free backupoptimizedoverspeedstepsN folder's file.
void CreateBackupFolder();

// s and D of the planned species from their mass, vbar and either f/f0 or
// s, in the planner's solvent (what the dialog does after OK).
void DeriveTimeToEqSpecies();

// Parameter count the speed course needs to be built without a division by
// zero: two for the exponential form (one decay time, one amplitude), one
// for the piecewise form.
int MinimumSpeedCourseParameters(bool exponential);

// The planned species of a run: the constant-speed time (s) to simulate up
// to, and copies of the species' loadings, s and D.
void SetPlanSpecies(float timeToEq, int count, const float* concentration, const float* s,
                    const float* D);

// The time (h) a species needs to come within epsilon of equilibrium at a
// constant speed, from the first term of the series solution of the Lamm
// equation at equilibrium (a closed-form estimate).
float EstimateTimeToEquilibrium(float rpm, float temperatureC, float M, float vbar, float density,
                                float bottom, float meniscus, float D, float epsilon);
