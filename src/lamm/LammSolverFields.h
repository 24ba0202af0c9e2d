#pragma once
// The fields of the Lamm equation solver, grouped in plain structs by kind:
// the set-up that callers fill and CopySetup copies (physical parameters,
// output binding, numerics, model, loading, solvent, rotor, optics,
// photobleaching, profile output, diagnostics), and the run state and work
// arrays that each run rebuilds. CLammIdeal derives from all of them, so the
// fields are the solver's own.
//
// Units: radii cm; s in Svedberg (1e-13 s); D cm^2/s; times s; speeds rpm;
// concentrations in signal units. Arrays are one-based.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "data/ScanHeader.h"
#include "lamm/CFluorophore.h"
#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/Resampling.h"
#include "state/WindowHandle.h"

class CWINPlot;

// Physical parameters and fit limits (SetParameters; SetEquation sets s and D).
struct LammPhysicalParameters {
  double LoadingConcentration = 0.0;  // c0, signal units
  double Bottom = 0.0;                // cm
  double Meniscus = 0.0;              // cm
  double SedimentationCoeff = 0.0;    // s, Svedberg; negative for flotation
  double DiffusionCoeff = 0.0;        // D, cm^2/s; the no-diffusion test may zero it for a run
  float RightFitLimit = 6.0f;         // outer radial fit limit, cm (Solve refuses until set)
  float LeftFitLimit = 7.0f;          // inner radial fit limit, cm
  std::uint8_t ParametersValid = 0;   // the checks of SetParameters passed
  std::uint8_t FitLimitsInside = 0;   // Meniscus <= RightFitLimit <= Bottom
  std::int32_t ParameterError = 0;    // 0 none, 1 meniscus or bottom <= 0, 2 c0 < 0, 3 D < 0
};

// Where computed scans go (SetOutput; SetEquation rebinds one list equation).
// Only AddBuffer and an identity ScanList are owned (their storage lives in
// the solver); every other pointer is borrowed from the caller.
struct LammOutputBinding {
  platform::WindowHandle MainWindow = nullptr;  // window of the status text, may be null
  CWINPlot* LivePlot = nullptr;  // plot each computed scan is drawn over, may be null
  ScanHeader* ScanHeaders = nullptr;  // one-based headers of the data set (read only)
  std::int32_t ScanCount = 0;         // scans to compute
  std::int32_t* ScanList = nullptr;   // one-based scan indices in production (time) order
  std::uint8_t OwnsScanList = 0;      // ScanList is the solver's own identity list
  std::int32_t EquationIndex = 1;     // equation within a list (status, colour, profile row)
  std::int32_t ThreadNumber = 0;      // worker number (status text, debug-log name)
  float** Output = nullptr;           // caller's rows: Output[scan][point]
  float** AddBuffer = nullptr;        // solver's rows added to Output after a run
  std::int32_t AddBufferColumns = 0;
  std::int32_t AddBufferRows = 0;
  float* OutputRadius = nullptr;  // common output radii, cm
  std::int32_t OutputPointCount = 0;
  std::uint8_t PerScanRadii = 0;      // radii differ per scan (no common radii given)
  std::uint8_t AddToOutput = 0;       // computed scans are added to Output's content
  float** ScanRadiusTable = nullptr;  // per-scan output radii [scan][point], cm
  std::int32_t* ScanPointCounts = nullptr;
  std::uint8_t ShowProgress = 0;       // draw status text and live plot
  std::uint8_t FitInProgress = 1;      // a fit runs: no status text, no live plot
  std::uint8_t DisplaySuppressed = 1;  // no status text, no live plot
  std::uint8_t OutputValid = 0;        // rows, headers and scan list usable
};

// Numerical settings (SetNumerics; the comments quote the settings dialog).
struct LammNumericalSettings {
  std::int32_t MinGridSize = 100;          // "lower limit" of grid points
  std::int32_t MaxGridSize = 2000;         // "upper limit"
  float PointsPerSigma = 5.0f;             // grid points per sd of the diffusion spread
  std::uint8_t ForceBackDiffusionCut = 0;  // back-diffusion counts as negligible untested
  double BackDiffusionLevel = 1e-4;        // "level": relative equilibrium conc. at the limit
  std::uint8_t BackDiffusionShutOff = 1;   // "shut off back-diffusion"
  std::uint8_t OptimizeGridSpacing = 1;    // "optimize time-invariant grid spacing"
  std::uint8_t AutoGridSize = 1;           // "automatic dynamic grid size"
  float FrictionalRatio = 1.0f;            // f/f0 of the species (SetSolvent recomputes it)
  std::uint8_t SimulateAcceleration = 1;   // "ramp rotor speed"
  std::uint8_t FixedTimeStep = 0;          // StepControl is the time step itself, s
  std::int32_t ReportTotalAmount = 0;      // compute and show the total amount per step
  double SteadyStateRate = 1e-6;           // relative change per s that counts as steady
  double AutoSGridValue = 1.0;             // grid s of the moving frame, S (sign: first interval)
  std::uint8_t AutoSGrid = 1;              // "automatic s_grid": the grid s follows the species
  std::uint8_t RunBeyondLastScan = 0;      // keep integrating after the last scan
  std::uint8_t AutomaticAlgorithm = 1;     // "automatic finite element algorithm"
  double StepControl = 1.0;                // tolerance of the adaptive step (or the step, s)
  double StepControlLow = 0.1;             // lower tolerance
  double StepControlHigh = 0.3;            // target tolerance
  double MaxChangePerStep = 1.0;           // "max dc/c"
  std::int32_t DefaultGridSize = 1000;     // "default FE grid size"
  std::int32_t AllocatedGridSize = 0;      // grid size of the allocated work arrays
  std::uint8_t MovingFrame = 0;            // "moving hat algorithm"
  std::uint8_t FixedGrid = 1;              // "Claverie algorithm"
  float FixedGridTolerance = 1e-4f;        // end-probe fraction that ends a fixed-grid run
  double TruncationThreshold = 1e-6;       // relative conc. below which the grid is cut
  std::uint8_t DynamicTruncation = 1;      // "dynamically truncate grid"
  double StepRelaxation = 1.0;             // weight of the error-based step proposal
  double StepChangeFactor = 2.0;           // factor of step reduction and enlargement
  double SwitchThreshold = 5.0;            // "normalized s for automatic change", S
  double SwitchThresholdOptimized = 60.0;  // "when optimized", S
  std::uint8_t NumericsLoaded = 0;         // numerical settings usable
  std::uint8_t RetryMode = 0;              // Solve repeats a failed run
};

// Model switches and constants (SetIdealModel, SetConcentrationDependence,
// SetSelfAssociation).
struct LammModelSwitches {
  std::uint8_t ConcDependentModel = 0;  // Propagate runs the concentration-dependent loop
  std::uint8_t IdealModel = 0;
  std::uint8_t MonomerDimerModel = 0;  // rapid self-association schemes
  std::uint8_t TetramerOctamerModel = 0;
  std::uint8_t DimerTetramerModel = 0;
  std::uint8_t MonomerTrimerModel = 0;
  std::uint8_t NonidealSingleSpecies = 0;  // one species with s(c), D(c)
  std::uint8_t NonidealMeanField = 0;
  std::uint8_t IsNonIdealSolver = 0;  // the object is a concentration-dependent solver
  std::uint8_t ModelSet = 0;
  std::uint8_t SelfAssociationOn = 0;
  std::uint8_t NonIdealityOn = 0;
  std::uint8_t SelfAssociationValid = 1;
  std::uint8_t NonIdealityValid = 1;
  std::uint8_t MultiSpecies = 0;  // several species in rapid equilibrium
  std::int32_t SpeciesCount = 0;
  OneBasedArray<double> SpeciesLoadings;    // per species: c0, signal units
  OneBasedArray<double> SpeciesS;           // S
  OneBasedArray<double> SpeciesD;           // cm^2/s
  OneBasedArray<double> SpeciesWeights;     // signal weight (1 when none given)
  float MonomerS = 0.0f, OligomerS = 0.0f;  // S
  float MonomerD = 0.0f, OligomerD = 0.0f;  // cm^2/s
  float LogAssociationK = 0.0f;
  float TableS1 = 0.0f, TableSA = 0.0f, TableSB = 0.0f;  // tabulated schemes, S
  float TableD1 = 0.0f, TableDA = 0.0f, TableDB = 0.0f;  // cm^2/s
  float LogTableKA = 0.0f, LogTableKB = 0.0f;
  float NonidealityParamS = -8.0f;  // log10 ks or hard-sphere constant
  float NonidealityParamD = -8.0f;  // log10 kd or hard-sphere constant
  float KsValue = 1e-8f, KdValue = 1e-8f;
  std::uint8_t KsPositive = 1, KdPositive = 1;
  std::uint8_t HardSphereNonideality = 0;
  double NonidealityScale = 3.3;  // signal units per mg/ml
  // Table of the tabulated association schemes: rows and the range of
  // monomer concentrations it spans (geometric steps).
  std::int32_t AssociationTableSize = 1000;
  double TableMinMonomer = 1e-5, TableMaxMonomer = 100.0;
};

// Loading of the cell (SetBandLoading, SetBandProfile, SetInitialProfile).
struct LammLoading {
  std::uint8_t BandLoading = 0;      // a zone next to the meniscus
  float BandWidth = 0.1f;            // cm
  std::uint8_t BandInverted = 0;     // the zone is empty, the rest filled
  std::uint8_t TwoLevelLoading = 0;  // the zone holds TwoLevelFactor c0, the rest c0
  float TwoLevelFactor = 0.0f;
  std::uint8_t InitialProfileOn = 0;           // start from an experimental profile
  OneBasedArray<double> InitialProfileValue;   // signal units
  OneBasedArray<double> InitialProfileRadius;  // cm
  std::int32_t InitialProfileCount = 0;
};

// Solvent (SetSolvent, SetDensityGradient).
struct LammSolvent {
  float Temperature = 20.0f;       // degrees Celsius
  float RelativeViscosity = 1.0f;  // relative to water
  float SolventDensity = 1.0f;     // g/ml
  float Vbar = 0.73f;              // ml/g
  float VbarRho = 0.73f;           // Vbar * SolventDensity
};

// Inhomogeneous solvent and co-sedimenting solute (SetDensityGradient,
// SetCosolute).
struct LammInhomogeneousSolvent {
  std::uint8_t InhomogeneousSolvent = 0;
  std::uint8_t CompressibleSolvent = 0;               // static gradient from compressibility
  std::uint8_t LinearSolventProfile = 0;              // density and viscosity given at both ends
  double Compressibility = 0.0;                       // 1e-4/MPa
  float SolvatedVbar = 0.73f;                         // ml/g
  float DensityAt1Atm = 0.99823f;                     // g/ml
  float ViscosityAt1Atm = 1.0f;                       // relative to water
  double MeniscusDensity = 1.0, BottomDensity = 1.0;  // g/ml
  double MeniscusViscosity = 1.0, BottomViscosity = 1.0;  // absolute, poise
  std::uint8_t SolventFactorsEachStep = 0;  // dynamic gradient: factors follow the cosolute
  std::uint8_t AddWaterCompressibility = 0;
  std::uint8_t CosoluteOn = 0;
  std::uint8_t CosoluteSmoothing = 0;
  std::uint8_t NonidealCosolute = 0;
  std::uint8_t CsClBuiltIn = 0;
  double CosoluteS = 0.0;        // S
  double CosoluteD = 0.0;        // cm^2/s
  double CosoluteLoading = 0.0;  // M
  std::int32_t CosoluteGridSize = 0;
  std::uint8_t SaveCosolute = 1;
  std::uint8_t PlotCosolute = 1;
  std::string CosoluteFileName;  // at most 259 characters each
  std::string SCoefficientFile;
  std::string DCoefficientFile;
  OneBasedArray<double> SCoefficients;  // s(c) series
  std::int32_t SCoefficientCount = 0;
  OneBasedArray<double> DCoefficients;  // D(c) series
  std::int32_t DCoefficientCount = 0;
  OneBasedArray<double> ViscosityCoefficients;  // poise, c in M
  std::int32_t ViscosityCoefficientCount = 0;
  OneBasedArray<double> DensityCoefficients;  // g/ml, c in M
  std::int32_t DensityCoefficientCount = 0;
};

// Time, rotor speed and speed schedule (SetStartTime, SetMaxTimeStep,
// ClearAccelerationCheck, SetRotorSpeedProfile; InitRotorSpeed prepares the
// rest before each run).
struct LammTimeAndRotor {
  double StartTime = 0.0;              // t0 of the time loop, s
  double InitialTimeStep = 1.0;        // first time step, s
  std::uint8_t MaxTimeStepSet = 0;     // MaxTimeStepValue replaces the computed maximal step
  double MaxTimeStepValue = 0.0;       // s
  std::uint8_t CheckAcceleration = 1;  // Solve refuses too slow recorded accelerations
  std::uint8_t Accelerating = 0;       // the rotor changes speed in the current step
  double AccelerationMaxStep = 0.0;    // largest time step while accelerating, s
  double AccelerationEnd = 0.0;        // end of the initial acceleration, s (0: none simulated)
  double Acceleration = 0.0;           // of the first listed scan, rpm/s
  double FinalRpm = 10000.0;           // last listed scan's rpm, or the schedule's last target
  double CurrentRpm = 0.0;             // effective speed of the current step, rpm
  double OmegaSquaredS = 0.0;          // (FinalRpm 2 pi/60)^2 s 1e-13, 1/s
  std::uint8_t SpeedScheduleOn = 0;    // a speed program is attached (never detached)
  std::int32_t ScheduleStep = 1;       // step in force
  std::uint8_t ScheduleAtSpeed = 0;    // the step in force has reached its target
  std::uint8_t ScheduleDone = 0;       // the last step has reached its target
  std::int32_t ScheduleStepCount = 0;
  OneBasedArray<double> ScheduleStart;         // start of each step, s
  OneBasedArray<double> ScheduleRampEnd;       // time each step reaches its target, s
  OneBasedArray<double> ScheduleRpm;           // target of each step, rpm
  OneBasedArray<double> ScheduleAcceleration;  // rpm/s
  // Plateaus reached so far in this run (0 before the first) and the speed of
  // the latest one, rpm. Matrices that depend on the speed and are kept over
  // many steps remember the count they were built at and are rebuilt when it
  // has moved on.
  std::int32_t SpeedPlateauCount = 0;
  double SpeedPlateauRpm = 0.0;
};

// Optics and fluorescence detection; finite scan time and radial resolution
// of absorbance scans; Wiener skewing.
struct LammOptics {
  double ScanTimeOffset = 0.0;  // added to every scan time, s
  std::uint8_t RadialMagnificationOn = 0;
  double RadialMagnificationSlope = 0.0;    // "1+da/dr" minus 1, per cm
  std::optional<CFluorophore> Fluorophore;  // owned copy of a photophysics template
  std::int32_t FluorophoreChannel = 0;
  std::uint8_t SignalDriftOn = 0;
  std::uint8_t LinearDriftOn = 0;
  double LinearDriftRate = 0.0;  // 1/s
  std::uint8_t PhotoChangeOn = 0;
  double PhotoChangeRate = 0.0;         // 1/s
  double PhotoChangeLimit = 1.0;        // limiting signal fraction
  OneBasedArray<double> SignalFactors;  // per output radius of the scan being corrected
  std::int32_t SignalFactorCount = 0;
  std::uint8_t SignalFactorsValid = 0;
  std::uint8_t ConeConvolutionOn = 0;
  double ConeConvolutionRange = 0.0;  // cm
  double ConeConvolutionWidth = 2.0;  // half-width of the kernel, in ranges
  std::int32_t ConeGridKind = -1;     // -1 untested, 0 to test, 1 equidistant, 2 not
  std::int32_t ConeFirstIndex = 0, ConeLastIndex = 0;
  OneBasedArray<float> ConeKernel;
  std::int32_t ConeKernelCount = 0;
  std::uint8_t ExcitationShadowOn = 0;
  double ExcitationShadowWidth = 0.0;  // cm
  std::uint8_t TimeResolutionOn = 0;
  float ScanVelocity = 2.43f;  // cm/min
  std::uint8_t RadialResolutionOn = 0;
  float RadialResolutionRange = 0.008f;  // cm
  std::uint8_t AbsorbanceOptics = 0;
  std::uint8_t WienerSkewingOn = 0;
  double WienerSkewingMagnitude = 0.0;
  double WienerSignalPerConcentration = 0.0;
  OneBasedArray<double> WienerQuantity, WienerShiftedRadius, WienerResampled;
  std::int32_t WienerArrayCount = 0;
  std::uint8_t WienerConflict = 0;  // met finite scan time: the next Solve refuses
};

// Photobleaching by the excitation beam.
struct LammPhotobleaching {
  std::uint8_t PhotophysicsOn = 0;
  std::uint8_t BeamOn = 0;
  double BeamMaxTimeStep = 10.0;             // s
  double BeamStart = 0.0, BeamEnd = 0.0;     // s
  double BeamCentre = 0.0, BeamWidth = 0.0;  // cm
  double BeamAspect = 0.0;
  double BleachRate = 0.0;  // per hour
  double BleachScale = 0.0;
  double BeamDepth = 0.0;                                // cm
  double SecondBeamCentre = 0.0, SecondBeamWidth = 0.0;  // cm
  double SecondBeamWeight = 0.0;
  std::uint8_t DarkStateFrozen = 0;
  double DarkResetTime = -1.0;        // s; -1 never
  OneBasedArray<double> BleachRates;  // per grid point, 1/s
  std::int32_t BleachRateCount = 0;
  std::uint8_t PhotophysicsProfileOn = 0;
  OneBasedArray<double> PhotophysicsProfileRadius;  // cm
  OneBasedArray<double> PhotophysicsProfileValue;   // dark fraction
  std::int32_t PhotophysicsProfileCount = 0;
};

// Concentration profiles at requested times (borrowed bindings).
struct LammProfileOutput {
  std::uint8_t ProfileOutputOn = 0;
  std::uint8_t ProfilePerEquation = 0;
  double* ProfileTimes = nullptr;  // s
  float* ProfileRadii = nullptr;   // cm
  float*** ProfileRowsByEquation = nullptr;
  float** ProfileRows = nullptr;
  std::int32_t ProfileNext = 0;
  double ProfileNextTime = 0.0;
  std::int32_t ProfileRowCount = 0;
  std::int32_t ProfilePointCount = 0;
};

// Diagnostics.
struct LammDiagnostics {
  std::uint8_t DebugLogOn = 0;
  std::string LogFileName;  // created on first use
  std::string LogMessage;   // created on first use
  std::uint8_t LogFileStarted = 0;
  std::uint8_t NoKeyPoll = 0;  // worker copies never poll the keyboard
};

// Method and grid choice made before each run.
struct LammGridChoice {
  float GridSizeMovingFrame = 0.0f;   // grid size computed for the moving frame
  float GridSizeFixed = 0.0f;         // grid size computed for the fixed grid
  float GridRefRadius = 0.0f;         // max(LeftFitLimit, Meniscus + 0.001), cm
  std::uint8_t BackDiffusionCut = 0;  // back-diffusion from the cell end is negligible
  std::uint8_t GridSizeChosen = 0;    // size from the settings: the window is not narrowed
  std::uint8_t NoRightTruncation = 0;
  std::uint8_t OptimizedGrid = 0;  // the next grid build makes the widening grid
  double OptimizedGridRef = 0.0;   // cm
  double OptimizedGridStep = 0.0;  // dr0 of the uniform part, cm
  std::uint8_t NonUniformGrid = 0;
  double StretchRadius = 0.0;  // cm
  std::int32_t StretchIndex = 0;
  double StretchInterval = 0.0;  // cm
  double StretchRatio = 0.0;
  double StretchStart = 0.0;  // cm
};

// Run state shared by Solve and the propagation variants.
struct LammRunState {
  std::int32_t GridSize = 0;  // N (0 until chosen)
  std::int32_t WorkArraysAllocated = 0;
  double CurrentTime = 0.0;     // s
  double TimeStep = 0.0;        // s
  std::int32_t NextScan = 0;    // position in ScanList of the next scan
  double NextOutputTime = 0.0;  // s
  std::uint8_t Interrupted = 0;
  std::uint8_t StoppedEarly = 0;
  std::uint8_t ZeroSedimentation = 0;
  std::int32_t BlowUpError = 0;
  std::int32_t TridagError = 0;
  std::int32_t ConcDependenceError = 0;
};

// State of the output at scan times.
struct LammScanOutputState {
  std::int32_t ContinueLoop = 0;
  std::int32_t StepCount = 0;
  std::int32_t StopPending = 0;
  double StopTime = 0.0;     // s
  double TotalAmount = 0.0;  // integral of c r dr
  double ScanSegments = 100.0;
  double ScanDuration = 0.0;     // s
  double SegmentDuration = 0.0;  // s
  std::int32_t SegmentsDone = 0;
  double SegmentEndRadius = 0.0;  // cm
  std::int32_t SnapshotFilled = 0;
  std::int32_t SegmentPoints = 0;
  double SegmentElapsed = 0.0;  // s
  std::uint8_t ScanInProgress = 0;
  std::uint8_t AdvanceScan = 0;
  // The status lines are put on screen a few times a second, not at every
  // step: the latest step's lines wait until the interval has passed or the
  // run ends.
  std::uint64_t StatusShownMs = 0;
  std::uint8_t StatusShownOnce = 0;
  std::uint8_t StatusPending = 0;
  double StatusValue = 0.0;
  // Where the output radii fall in a grid that stays put, planned at the
  // first scan on it.
  ResamplingPlan ScanSampling;
};

// Work arrays of N + 1 doubles, allocated together by AllocWorkArrays (all
// that the settings need, or none) into one owned block; the pointers are
// one-based views into it.
struct LammWorkArrays {
  double* ScanSnapshot = nullptr;
  double* Concentration = nullptr;
  double* Radius = nullptr;  // cm
  double* PreviousConcentration = nullptr;
  double* RightHandSide = nullptr;
  double *ImplicitLower = nullptr, *ImplicitDiag = nullptr, *ImplicitUpper = nullptr;
  double *ExplicitLower = nullptr, *ExplicitDiag = nullptr, *ExplicitUpper = nullptr;
  double* TridagGamma = nullptr;
  double *TransportLower = nullptr, *TransportDiag = nullptr, *TransportUpper = nullptr;
  double *MassUpper = nullptr, *MassDiag = nullptr, *MassLower = nullptr;
  double* TridagPivots = nullptr;
  double* TridagCoupling = nullptr;  // the fixed grid's kept elimination ratios
  double* ResolutionScratch =
      nullptr;  // radial-resolution results before they replace the snapshot
  // Photobleaching.
  double *DarkState = nullptr, *DarkStateOld = nullptr;
  // Moving frame.
  double *DiffusionLower = nullptr, *DiffusionDiagonal = nullptr, *DiffusionUpper = nullptr;
  double *SedimentationLower = nullptr, *SedimentationDiagonal = nullptr,
         *SedimentationUpper = nullptr;
  double *FrameTermLower = nullptr, *FrameTermDiagonal = nullptr, *FrameTermUpper = nullptr;
  double* FrameGrid = nullptr;  // frame coordinates of the nodes, cm
  double *IntervalRhsLower = nullptr, *IntervalRhsDiagonal = nullptr, *IntervalRhsUpper = nullptr;
  double *IntervalLhsLower = nullptr, *IntervalLhsDiagonal = nullptr, *IntervalLhsUpper = nullptr;
  double* IntervalRatios = nullptr;
  // Share the storage of the implicit matrix.
  double *NewOperatorLower = nullptr, *NewOperatorDiagonal = nullptr, *NewOperatorUpper = nullptr;
  // Concentration-dependent models.
  double* NodeSedimentation = nullptr;
  std::array<double*, 14> ElementIntegralArrays{};
  double* NodeDiffusion = nullptr;
  double* PredictedConcentration = nullptr;
  double* TotalConcentration = nullptr;
  // Several species: SpeciesCount rows by N columns each.
  OneBasedMatrix<double> SpeciesProfiles, SpeciesPredicted, SpeciesOld;
  OneBasedMatrix<double> WeightedProfiles, WeightedPredicted, WeightedOld;
  OneBasedMatrix<double> SpeciesNodeSedimentation, SpeciesNodeDiffusion;
  // Total amount over time of the moving frame (ReportTotalAmount).
  std::unique_ptr<CVector> AmountTimes, AmountValues;
  std::unique_ptr<CCurve> AmountCurve;
};

// Work state of the fixed-grid propagation and its matrices.
struct LammFixedGridState {
  std::int32_t WindowLeft = 1, WindowRight = 0;  // active window of nodes
  std::uint8_t WindowingOn = 0;
  std::uint8_t LeftEdgeFixed = 0;
  std::int32_t LeftEdgeLimit = 0;
  std::int32_t WindowGrowth = 0;
  double TruncationLevel = 0.0;
  double StartMeniscusConcentration = 0.0;
  double PlateauConcentration = 0.0, PlateauTime = 0.0, PlateauLevel = 0.0;
  double MaxTimeStep = 0.0;       // s
  double PreviousTimeStep = 0.0;  // s
  double LastStepSize = 0.0;      // s
  double LastRelativeChange = 0.0;
  std::int32_t ForcedReductions = 0;
  float StepResult = 0.0f;
  double StepStartTime = 0.0;  // s
  std::int32_t EndProbeIndex = 0;
  float EndLevel = 0.0f;
  std::int32_t MatrixSize = 0;
  std::int32_t TwistRow = 0;  // the row where the kept factors' two eliminations meet
  std::int32_t FullAssemblySize = 0;
  std::uint8_t MatricesChanged = 0;
  double StepMatricesTimeStep = 0.0;  // s
  std::int32_t RebuildStepMatrices = 0;
  double SOmega2 = 0.0;       // s omega^2 of the current matrices, 1/s
  double ElementWidth = 0.0;  // h of the equally spaced grid, cm
};

// Work state of the moving-frame propagation.
struct LammMovingFrameState {
  double BottomMeniscusRatio = 0.0;
  double GridRatio = 0.0;
  double FrameOriginTime = 0.0;        // s
  double ShiftInterval = 0.0;          // s
  double SedimentationRate = 0.0;      // sigma, 1/s
  double GridSedimentationRate = 0.0;  // kappa, 1/s
  double FrameStep = 0.0;              // s
  double FrameStretch = 1.0, FrameStretchSquared = 1.0, FrameStretchAtShift = 1.0;
  std::array<double, 12> ShiftWeights{};
  std::uint8_t IntervalStepping = 0;
  std::uint8_t StartUpSteps = 0, FirstStep = 0;
  std::uint8_t StepToShiftPoint = 0, WholeIntervalNext = 0, UseIntervalMatrices = 0;
  // SpeedPlateauCount at which the whole-interval matrices were prepared.
  std::int32_t IntervalMatricesPlateau = -1;
  // Entries (1,1), (1,2), (2,1), (2,2), (N-1,N-1), (N-1,N), (N,N-1), (N,N) of
  // M, K, sigma S and V at the end of the step under way: only these move
  // while meniscus and bottom pass through the frame.
  struct BoundaryEntries {
    std::array<double, 8> Mass{}, Diffusion{}, Sedimentation{}, FrameTerm{};
  };
  BoundaryEntries NewBoundaryEntries;
};

// Work state of the concentration-dependent variant and of the association
// schemes; rebuilt by every run and never copied.
struct LammConcDependentState {
  double ConcDepMaxTimeStep = 1000.0;  // s
  double IntegralsRpm = 0.0;           // speed of the element integrals in use
  std::int32_t SlowSteps = 0;          // consecutive steps below the steady-state rate
  double AssociationK = 0.0, AssociationKSquared = 0.0, AssociationKCubed = 0.0;
  double TableKA = 0.0, TableKB = 0.0, TableRatio = 0.0;
  std::int32_t TableCursor = 1;
  double LookupS = 0.0, LookupD = 0.0;
  std::uint8_t AssociationTableOn = 0;
  // Rows of monomer concentration, total concentration, s and D.
  OneBasedMatrix<double> AssociationTable;
};

// Co-solute arrays (one owned block) and the local solvent factors.
struct LammCosoluteWork {
  double *CosoluteRadius = nullptr, *CosoluteConcentration = nullptr;
  double *CosolutePredicted = nullptr, *CosolutePrevious = nullptr, *CosoluteRhs = nullptr;
  double *CosoluteMassLower = nullptr, *CosoluteMassDiag = nullptr, *CosoluteMassUpper = nullptr;
  double *CosoluteTransportLower = nullptr, *CosoluteTransportDiag = nullptr,
         *CosoluteTransportUpper = nullptr;
  double *CosoluteImplicitLower = nullptr, *CosoluteImplicitDiag = nullptr,
         *CosoluteImplicitUpper = nullptr;
  double *CosoluteExplicitLower = nullptr, *CosoluteExplicitDiag = nullptr,
         *CosoluteExplicitUpper = nullptr;
  double *CosoluteGamma = nullptr, *CosolutePivots = nullptr;
  double *CosoluteNodeS = nullptr, *CosoluteNodeD = nullptr;
  double* CosoluteScratch = nullptr;
  std::array<double*, 14> CosoluteIntegralArrays{};  // nonideal cosolute only
  std::int32_t CosoluteArraysAllocated = 0;
  std::int32_t CosoluteAllocatedSize = 0;
  double CosoluteStepLength = 0.0, PreviousCosoluteStep = 0.0;  // s
  // dt of the stored factorisation of the ideal co-solute's implicit
  // matrix, and whether none belongs to the current matrices.
  double CosoluteFactoredStep = 0.0;
  std::int32_t CosoluteUnfactored = 1;
  double CosoluteNonidealStep = 0.0;       // s
  double CosoluteRpm = 0.0;                // speed of the co-solute's matrices
  OneBasedArray<double> ViscosityFactors;  // eta_w / eta(r) per node
  OneBasedArray<double> BuoyancyFactors;   // (1 - vbar' rho(r)) / (1 - Vbar rho_w)
  OneBasedArray<double> LocalDensity;      // g/ml
  OneBasedArray<double> LocalCosolute;     // M
  std::int32_t SolventFactorCount = 0;
};
