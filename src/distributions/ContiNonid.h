#pragma once
// The non-ideal c(s) model: every grid species sediments with s and D that
// depend on the total concentration ctot(r, t) of all species together, so
// each is solved in the mean field of the whole distribution. This holds the
// mean field and its iteration across evaluations:
//  - data trajectories: for a set of signal levels, the radius at which
//    every scan reaches the level, extrapolated to early times (pass 1);
//  - the ctot field: the sum of the fitted species' concentration profiles,
//    stored per grid time and radius during the list solves and rebuilt
//    whenever an unregularised fit beats the best chi-square so far
//    (pass 2);
//  - external frames loaded from a CTOT file, copied into the field.
// Each Run or fit evaluation solves at most two lists; the field it leaves
// is the mean field of the next one while the data stay the same.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/DataFingerprint.h"
#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"

class CLammNonIdeal;

// The chi-square of the last unregularised solve.
extern double LastUnregularizedChi2;

class CContiNonid {
 public:
  CContiNonid();
  CContiNonid(const CContiNonid&) = delete;
  CContiNonid& operator=(const CContiNonid&) = delete;

  // --- Data extrapolation ---
  void AllocateLevelArrays();
  void ExtrapolateLevelTrajectories();

  // --- The ctot field ---
  // Grid times 0, 20, ..., 200 s, then 300, 400, ... up to the first time
  // not below tLast; the frames' times when external frames are loaded.
  void MakeCtotTimeGrid(double tLast);
  bool AllocateProfileStore(int equations);
  void AllocCtotField();
  void FreeCtotField();
  // ctot from the solution c[1..] over grid points first..last.
  void BuildCtotFromSolutions(const double* c, int first, int last);
  void ResampleCtot(float meniscus, float bottom, int n, bool force);
  void LoadExternalCtot();
  void FillCtotMovie();
  void StoreFingerprint();
  bool FingerprintMatches() const;

  // --- Debug files ---
  // With CreateDebugFiles: one scan file per grid time into the debug
  // folder, named stem + frame + ".ip0", of radii[1..count] and row(frame).
  void WriteDebugFrames(const std::string& stem, int count, const float* radii,
                        const std::function<const float*(int)>& row) const;
  void WriteFieldDebugFrames(const std::string& paddedStem, const std::string& resampledStem) const;

  // --- List solve ---
  int RunMTList(platform::WindowHandle window, int count, const double* s, const double* D,
                const double* vbar);

  bool UseDataExtrapolation = false;
  bool UseCtotField = true;
  int SolverGridSize = 500;

  bool LevelArraysAllocated = false;
  int LevelsRequested = 100, ExtrapolationTimeCount = 100, LevelCount = 100;
  double EarlyTimeFactor = 2.0;
  OneBasedMatrix<double> LevelRadiusPerScan;  // [scan in time order][level], cm
  OneBasedMatrix<double> LevelTrajectory;     // [time][level], cm
  OneBasedArray<double> ExtrapolationTimes;   // [1..ExtrapolationTimeCount], s
  OneBasedArray<double> LevelValues;          // [1..LevelCount], signal units
  double LowestLevel = 0.0, HighestLevel = 0.0, LevelStep = 0.0;
  double FirstScanTime = 0.0, LastScanTime = 0.0, TimeStep = 0.0;

  bool HasTimeGrid = false;
  OneBasedArray<double> CtotTimes;  // [1..CtotTimeCount], s
  int CtotTimeCount = 0;

  bool FieldUpdatesAllowed = true;
  bool ProfileStoreAllocated = false;
  OneBasedArray<float> StoredRadii;  // [1..CtotRadialPoints]
  // ProfileStore[equation][time][radius], one zeroed block.
  std::vector<float> ProfileBlock;
  std::vector<float*> ProfileRows;
  std::vector<float**> ProfileEquations;
  float*** ProfileStore() { return ProfileStoreAllocated ? ProfileEquations.data() : nullptr; }
  int StoredEquationCount = 0;
  int CtotRadialPoints = 100;

  bool FieldAllocated = false;
  OneBasedArray<float> PaddedRadii;  // [1..CtotRadialPoints + 2]
  OneBasedMatrix<float> Ctot;        // [time][1..CtotRadialPoints + 2]
  bool FieldValid = false;
  double BestChi2 = -1.0;
  bool RebuildAtFinalSolve = false;
  CSVDataFingerPrint Fingerprint;

  int ResampledSize = 0;
  float ResampledMeniscus = 0.0f, ResampledBottom = 0.0f;
  int ResampleCounter = 0;
  OneBasedArray<float> ResampledRadii;  // [1..ResampledSize]
  OneBasedMatrix<float> ResampledCtot;  // [time][1..ResampledSize]
  bool ExternalInUse = false;
};

extern std::unique_ptr<CContiNonid> pCContiNonidSim;

// The grid step's mean-field choice, before every run of the model.
bool PrepareNonidealMeanField();
// The kernel of the model: fills DistKernel for grid points 1..n.
void RunNonidcofsSedList(platform::WindowHandle window, int n, const double* s, const double* D,
                         const double* vbar);
// After the run's final normal equations: rebuilds the field from the best
// unregularised fit when it improved.
void UpdateCtotFromBestFit();
// After a run with TI or RI noise: the external frames have seeded the
// field, which the model goes on from.
void EndExternalMeanField();
// The folder of the debug files: the temporary folder's "ctotdebug".
std::string CtotDebugFolder();
// Deletes the object (every data load does).
void DeleteContiNonidSim();
// The field is allocated, valid and in use.
bool CtotFieldInUse();
