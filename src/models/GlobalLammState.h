#pragma once
// The shared state of the global-array Lamm engines and of the discrete
// simulation: the run-control record that the dispatcher, the engines and the
// step callback share, the work arrays sized by the grid size in use, the
// moving grid's reference state, and the per-species signals on the common
// grid. Program-wide; one simulation runs at a time, on the user-interface
// thread. (The solver object CLammIdeal carries run state and work arrays of
// its own; these are the program-wide ones of the engines that work on global
// arrays.)

#include <array>
#include <cstdint>
#include <vector>

#include "data/ScanDataSet.h"
#include "state/ModelParameters.h"
#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"

struct GlobalLammRunStateRecord {
  int FirstSimulatedScan = 1;  // 2 when the first scan is the experimental initial profile
  int CurrentSpecies = 1;      // component being simulated
  // Basis mode: the species' signal goes to its SpeciesBasis slot on the
  // common grid; direct mode: it is added into the scans' ScanModel.
  bool BasisMode = false;
  int NextScan = 1;           // position in ScanTimeOrder of the next scan to output
  double NextScanTime = 0.0;  // s
  double SimTime = 0.0;       // s
  double TimeStep = 1.0;      // s
  int KeepRunning = 0;        // the engine runs while 1
  double OutputTime = 0.0;    // s: next time at which the callback wants the profile
  int OutputPending = 0;
  int IterationCount = 0;
  // Step-control bounds of the engines.
  double MaxRelativeChange = 1.0;
  double RelativeChangeLow = 0.1;
  double RelativeChangeMid = 0.5;
  double MaxTimeStep = 0.0;  // s
  // "maximum relativ change < ": a run ends after more than ten steps of at
  // least 30 s in a row whose change per second stays below it.
  double EquilibriumThreshold = 1e-6;
  // The species' boundary is too diffuse for the automatic grid size: the
  // fixed-grid engine keeps its whole grid in this run.
  bool SuppressGridTruncation = false;
  bool RetryRun = false;           // the repeat of a failed run, without truncation
  bool ForceSystemRebuild = false;  // the solver bands must be formed anew
  bool ShowLoading = false;        // the progress text shows the total loading
  double LoadingDisplay = 0.0;     // that loading
  // The progress lines go on screen a few times a second: a step's lines
  // wait (pending, with the step's value) until the interval has passed or
  // the run's last scan is done.
  std::uint64_t StepTextShownMs = 0;
  bool StepTextPending = false;
  double StepTextValue = 0.0;
  platform::WindowHandle CallbackWindow = nullptr;
  // Error words set by the engines and by ReportSimulationError.
  int TridiagError = 0;
  int DiscretizationError = 0;
  int NonidealityError = 0;
  bool DiscretizationReported = false;  // the discretisation message was shown in this fit
  double SpeciesS = 0.0;                // S
  double SpeciesD = 0.0;                // cm^2/s
  double RunRpm = 0.0;
  double FinalRpm = 0.0;
  // The initial acceleration of the rotor.
  double AccelDuration = 0.0;  // s
  double AccelRate = 0.0;      // rpm/s
  double AccelMaxStep = 0.0;   // s
  bool Accelerating = false;
  // Working values of one species.
  float BoundaryWidth = 0.0f;  // cm
  float SpeciesFraction = 0.0f;
  float FrictionalRatioEstimate = 0.0f;
  double SedimentationRate = 0.0;
  // A scan assembled slice by slice while the finite scan time is simulated.
  double ScanSliceCount = 100.0;
  double ScanDuration = 0.0;   // s
  double SliceDuration = 0.0;  // s
  double SliceRadius = 0.0;    // cm
  int SliceIndex = 0;
  double SliceOffset = 0.0;  // s
  int SlicePointsDone = 0;
  bool ScanAssemblyPending = false;
};

extern GlobalLammRunStateRecord GlobalLammRun;

// Block sizes of the global work arrays, in arrays of N + 1 values.
inline constexpr int MainArrayCount = 16;
inline constexpr int SliceArrayCount = 4;
inline constexpr int ReactingArrayCount = 34;
inline constexpr int MovingHatArrayCount = 17;
inline constexpr int ConcDependentArrayCount = 17;
inline constexpr int CosoluteArrayCount = 22;
inline constexpr int CosoluteTableArrayCount = 14;

// The work arrays: doubles indexed 0..N (the grid uses 1..N), N the grid
// size they were made for. Each block is one allocation split into arrays;
// a block the model does not need is empty and its arrays are null.
struct GlobalLammArraysRecord {
  int LammArraysAllocated = 0;
  int LammAllocatedSize = 0;
  std::vector<double> MainBlock;
  std::vector<double> SliceBlock;
  std::vector<double> ReactingBlock;
  std::vector<double> MovingHatBlock;
  std::vector<double> ConcDependentBlock;
  // Main arrays 0, 1 and 2.
  double* LammOutputProfile = nullptr;  // the profile handed to the scans
  double* LammConcentration = nullptr;  // the current profile; the initial one on entry
  double* LammRadius = nullptr;         // the grid
  // Grid state.
  bool OptimizedGridRequested = false;
  double OptimizedGridBreak = 0.0;     // cm
  double OptimizedGridBaseStep = 0.0;  // cm
  bool OptimizedGridMade = false;
  int StretchStartIndex = 0;
  // What the automatic grid size found, for the retries of a failed run.
  double UniformGridCount = 0.0;
  double GeometricGridCount = 0.0;
  double LeftLimitRadius = 0.0;  // cm

  // Arrays of the sedimenting co-solute of an inhomogeneous solvent; the
  // first is its radial grid.
  int CosoluteArraysAllocated = 0;
  int CosoluteGridSize = 0;
  std::vector<double> CosoluteBlock;
  std::vector<double> CosoluteTableBlock;
};

extern GlobalLammArraysRecord GlobalLammArrays;

// Array k (0-based) of a block; null when the block is empty.
double* MainArray(int k);
double* SliceArray(int k);
double* ReactingArray(int k);
double* MovingHatArray(int k);
double* ConcDependentArray(int k);
double* CosoluteArray(int k);
double* CosoluteTableArray(int k);

// The moving grid: interior node i lies at ReferenceRadius[i] exp(GridRate
// (t - GridTime)); set up by the concentration-dependent engine.
struct MovingGridStateRecord {
  double GridRate = 0.0;                // 1/s
  double GridTime = 0.0;                // s
  std::vector<double> ReferenceRadius;  // [1..N], index 0 unused
};

extern MovingGridStateRecord MovingGridState;

// Brings the interior radii LammRadius[2..N-1] to the time SimTime.
void MovingHatGridUpdate();

// Per-species state of the discrete simulation.
struct SpeciesSignalsRecord {
  // Loading concentration simulated for each component 1..NCOMP.
  std::array<float, NCOMP + 1> SpeciesAmplitude{};
  // Signal of component i in scan j at common-grid point k:
  // SpeciesBasis[i][j][k], sized by the simulation for the switched-on
  // components.
  OneBasedArray<ScanArrays> SpeciesBasis;
  // The species neither sediments nor diffuses.
  bool ConstantSpecies = false;
  // Back-diffusion from the bottom can be neglected for the current species.
  bool BackDiffusionShutOffApplies = false;
  // The run repaints and the step callback draws progress and live curves.
  bool LiveRunDisplay = false;
  // The scans' model signals stem from a completed simulation.
  bool ModelCurvesValid = false;
  // The discrete species are simulated by Faxen's closed-form boundary
  // instead of the Lamm equation; set by its Run command for one run.
  bool FaxenApproximationOn = false;
};

extern SpeciesSignalsRecord SpeciesSignals;
