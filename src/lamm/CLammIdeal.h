#pragma once
// Finite-element solution of the Lamm equation for one sedimenting and
// diffusing species in a sector-shaped cell:
//   dc/dt = -(1/r) d/dr [ r (s w^2 r c - D dc/dr) ]
// between meniscus and bottom (no flux through either end unless the
// back-diffusion cut-off opens one), sampled at the scan times into
// caller-owned rows.
//
// A caller creates the object, fills its settings in a fixed order (model,
// parameters, output, numerics, solvent, rotor; see the set-up operations),
// calls Solve and turns its code into a message; list runners copy a
// configured master into worker objects with CopySetup.
//
// Units throughout: radii cm; s in Svedberg (1e-13 s, negative for
// flotation); D cm^2/s; times s; rotor speeds rpm with omega = rpm 2 pi/60;
// concentrations in signal units. Every array is one-based: element 0 is never
// used.
//
// The fields are public and grouped in plain structs, one per kind of setting
// or run state (lamm/LammSolverFields.h). The groups that make up the set-up
// are copied as a whole by CopySetup; run state and work arrays never are.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "lamm/LammSolverFields.h"
#include "numerics/OneBasedArrays.h"

class CRotorSpeedProfile;
struct FluorescenceDetectionRecord;

// Program-wide switch of the solver's diagnostics files; new solvers copy it.
// Toggled together with the list workers' switch by the diagnostics command.
extern std::atomic<bool> LammDiagnosticsOn;

class CLammIdeal : public LammPhysicalParameters,
                   public LammOutputBinding,
                   public LammNumericalSettings,
                   public LammModelSwitches,
                   public LammLoading,
                   public LammSolvent,
                   public LammInhomogeneousSolvent,
                   public LammTimeAndRotor,
                   public LammOptics,
                   public LammPhotobleaching,
                   public LammProfileOutput,
                   public LammDiagnostics,
                   public LammGridChoice,
                   public LammRunState,
                   public LammScanOutputState,
                   public LammWorkArrays,
                   public LammFixedGridState,
                   public LammMovingFrameState,
                   public LammConcDependentState,
                   public LammCosoluteWork {
 public:
  CLammIdeal();
  // Worker threads delete copies of derived solvers through this class.
  virtual ~CLammIdeal();
  // A solver is copied only through CopySetup, which decides what is shared.
  CLammIdeal(const CLammIdeal&) = delete;
  CLammIdeal& operator=(const CLammIdeal&) = delete;

  // --- Virtual operations, in the order a derived solver replaces them ---
  // Takes over the master's whole set-up as an independent solver: settings
  // and owned settings arrays copied, caller bindings shared, no work arrays,
  // no run state, a fresh AddBuffer.
  virtual void CopySetup(const CLammIdeal& master);
  // Chooses the propagation variant (fixed grid or moving frame).
  virtual void ChooseMethod();
  // Chooses the number of grid points, allocates the work arrays, builds the
  // grid.
  virtual void ChooseGridSize();
  // Initialises time and runs the chosen propagation variant.
  virtual void Propagate();
  // A new independent solver of this solver's own kind with this one's
  // set-up; list workers solve each equation with one.
  virtual std::unique_ptr<CLammIdeal> NewCopy() const;

  // --- Run ---
  // 0 scans computed; 1 work arrays not allocated; 2 blow-up; 3 zero pivot;
  // 4 invalid set-up (message shown); 5 too slow rotor acceleration;
  // 6 non-ideality parameters not loaded; 7 Wiener/finite-time conflict or
  // ks c0 > 1.
  virtual std::int32_t Solve();
  // True when a key was pressed; a solver with NoKeyPoll set never polls.
  bool UserAbort() const;
  // Appends text to this solver's diagnostics file when DebugLogOn; null text
  // on the first call only starts the session.
  void DebugLog(const char* text);

  // --- Set-up operations (in the callers' order) ---
  void SetIdealModel();
  void SetParameters(double s, double D, double meniscus, double bottom, double c0,
                     float leftFitLimit, float rightFitLimit);
  void SetOutput(platform::WindowHandle window, CWINPlot* livePlot, ScanHeader* headers, float** output,
                 float* radii, std::int32_t pointCount, float** scanRadii,
                 std::int32_t* scanPointCounts, std::uint8_t showProgress, std::int32_t* scanList,
                 std::int32_t scanCount, std::int32_t equationIndex, std::uint8_t fitInProgress,
                 std::uint8_t displaySuppressed, std::uint8_t timeResolutionOn, float scanVelocity,
                 std::uint8_t radialResolutionOn, float radialRange, std::uint8_t absorbanceOptics);
  void SetEquation(double s, double D, float** output, float* radii, std::int32_t pointCount,
                   float** scanRadii, std::int32_t* scanPointCounts);
  void SetAddToOutput(std::uint8_t on);
  void SetNumerics(std::int32_t minGrid, std::int32_t maxGrid, float pointsPerSigma,
                   std::uint8_t forceBackDiffusionCut, double backDiffusionLevel,
                   std::uint8_t backDiffusionShutOff, std::uint8_t optimizeGridSpacing,
                   std::uint8_t autoGridSize, float frictionalRatio,
                   std::uint8_t simulateAcceleration, std::uint8_t fixedTimeStep,
                   std::int32_t reportTotalAmount, double steadyStateRate, double autoSGridValue,
                   std::uint8_t autoSGrid, std::uint8_t runBeyondLastScan,
                   std::uint8_t automaticAlgorithm, double stepControl, double stepControlLow,
                   double stepControlHigh, double maxChangePerStep, std::int32_t defaultGridSize,
                   std::int32_t allocatedGridSize, std::uint8_t movingFrame, std::uint8_t fixedGrid,
                   float fixedGridTolerance, double truncationThreshold,
                   std::uint8_t dynamicTruncation, double stepRelaxation, double stepChangeFactor,
                   double switchThreshold, double switchThresholdOptimized);
  void SetSolvent(double temperature, double vbar, double density, double relativeViscosity);
  void SetConcentrationDependence(std::uint8_t concDependentModel, std::uint8_t ideal,
                                  std::uint8_t monomerDimer, std::uint8_t tetramerOctamer,
                                  std::uint8_t dimerTetramer, std::uint8_t monomerTrimer, float s1,
                                  float s2, float D1, float D2, float logK, float c0,
                                  std::uint8_t nonIdealityOn, float logKs, float logKd,
                                  std::uint8_t ksPositive, std::uint8_t kdPositive,
                                  double signalPerConcentration, std::uint8_t hardSphere,
                                  std::uint8_t stickyModel, float sT1, float sT2, float sT3,
                                  float DT1, float DT2, float DT3, float logKa, float logKb);
  void SetSelfAssociation(std::uint8_t ideal, std::uint8_t singleNonIdeal,
                          std::uint8_t concDependentModel, std::uint8_t meanField,
                          std::uint8_t multiSpecies, std::int32_t speciesCount, const double* c0s,
                          const double* ss, const double* Ds, const double* weights, float logKs,
                          float logKd, std::uint8_t ksPositive, std::uint8_t kdPositive,
                          double signalPerConcentration, std::uint8_t hardSphere,
                          std::uint8_t stickyModel, double s, double D, double c0);
  void SetDensityGradient(std::uint8_t inhomogeneous, std::uint8_t reservedFlag,
                          std::uint8_t compressibleSolvent, std::uint8_t linearSolventProfile,
                          double compressibility, float solvatedVbar, float relativeViscosity,
                          float density, float vbar, float vbarRho, float densityAt1Atm,
                          float reservedValue1, float viscosityAt1Atm, float reservedValue2,
                          double meniscusDensity, double bottomDensity, double meniscusViscosity,
                          double bottomViscosity);
  void SetCosolute(std::uint8_t inhomogeneous, std::uint8_t solventFactorsEachStep,
                   std::uint8_t addWaterCompressibility, double cosoluteS, double cosoluteD,
                   std::uint8_t cosoluteOn, std::int32_t cosoluteGridSize,
                   std::uint8_t cosoluteSmoothing, std::uint8_t nonidealCosolute,
                   double cosoluteLoading, std::uint8_t saveCosolute, std::uint8_t plotCosolute,
                   double compressibility, const char* cosoluteFileName, std::uint8_t csClBuiltIn,
                   const char* sCoefficientFile, const char* dCoefficientFile,
                   const double* viscosityCoefficients, std::int32_t viscosityCount,
                   const double* densityCoefficients, std::int32_t densityCount);
  bool SetInitialProfile(std::int32_t count, const float* radii, const float* values);
  void SetBandLoading(std::uint8_t on, float width, std::uint8_t inverted);
  void SetBandProfile(float width, float factor);

  // --- Rotor speed and speed schedule ---
  void ClearAccelerationCheck();
  void SetStartTime(double t0);
  void SetMaxTimeStep(double dtMax);
  void SetRotorSpeedProfile(const CRotorSpeedProfile* profile, double shutOffFactor);
  void LoadSpeedSchedule(std::int32_t n, const float* starts, const float* rpms,
                         const float* accelerations, std::int32_t mode);
  void InitRotorSpeed();
  void LimitAccelerationStep();
  double RpmOverStep(double t, double dt);
  void UpdateSpeedStep(double t);
  double ScheduleRpmAt(double t) const;
  bool ScheduleSettled(double t) const;
  double ClipTimeStep(std::uint8_t setFlag, std::uint8_t* clipped);
  // A step clipped to the pending scan time must end on it exactly: t +
  // (T - t) need not round to T. Begin clips TimeStep from t to the stop
  // time when it would pass it, and answers false (TimeStep 1) when no step
  // is left; Shortened hands the landing on to the next step when the step
  // was cut again; Accepted puts the time exactly on the stop time.
  struct StepLanding {
    bool OnStop = false;
    double Step = 0.0;
    bool Lands(double dt) const { return OnStop && dt == Step; }
  };
  bool BeginStepLanding(double t, StepLanding& landing);
  void ShortenedStepLanding(StepLanding& landing);
  void AcceptedStepLanding(const StepLanding& landing);

  // --- Method, grid size and grid ---
  bool TestNoDiffusion();
  bool BackDiffusionNegligible(double s, double D) const;
  bool BackDiffusionNegligibleAt(double t, double rpm, double s, double D) const;
  std::int32_t ChooseOptimizedGrid(float ref);
  void BuildRadialGrid();
  bool StretchGridToBottom(double sigma);
  double GridEndResidual(double q) const;
  // Brent's root of GridEndResidual in [x1, x2].
  double zbrent(double x1, double x2, double tol) const;

  // --- Work arrays ---
  void Release();
  bool AllocCosoluteArrays();
  void FreeCosoluteArrays();
  std::int32_t ResizeWorkArrays(std::int32_t n);
  std::int32_t AllocWorkArrays();
  void FreeWorkArrays();

  // --- Initial condition, output at scan times, corrections ---
  void SetInitialCondition();
  // Time, first scan, stop time and tolerances at the start of a run.
  void BeginTimeLoop();
  void CLEachIterationOutput(double diagnosticValue);
  // The status lines of the run's last step, when the interval of the
  // status display held them back.
  void ShowPendingStatus();
  // Concentration profiles at given times (borrowed rows); ignored without
  // times or rows.
  void SetProfileOutput(std::int32_t rowCount, std::int32_t pointCount, float** rows,
                        float*** rowsByEquation, double* times, float* radii);
  void SampleProfiles(double t);
  void FillRemainingProfiles();
  // With RunBeyondLastScan: the profile the run ended with (equilibrium,
  // or RunOnEndTime) becomes the last scan in time order.
  void WriteFinalProfileAsLastScan();
  // A run kept going beyond its last scan ends here at the latest (s).
  static constexpr double RunOnEndTime = 1e8;
  // Status line of a list runner: which equation this solver is solving.
  void DrawEquationStatus(std::int32_t x, std::int32_t y);
  void PostCorrectScans();
  void TestOutputSpacing();
  void BuildConeKernel();
  // After a run without diffusion: each scan in closed form, then corrected.
  void PostCorrectNoDiffusion();
  // After a run without sedimentation and diffusion: each scan is the
  // initial condition, corrected.
  void PostCorrectStatic();

  // --- Optics and fluorescence detection ---
  void SetScanTimeOffset(float startRadius);
  void SetRadialMagnification(std::uint8_t on, float factor);
  void SetFluorophore(const CFluorophore* fluorophoreTemplate, std::int32_t channel,
                      std::uint8_t linearDriftOn, float driftPerHour);
  void SetSignalDrift(std::uint8_t on, std::uint8_t linearDriftOn, float linearPerHour,
                      std::uint8_t photoChangeOn, float photoPerHour, float limit);
  void SetConeConvolution(std::uint8_t on, float range, float widthInStd);
  void SetExcitationShadow(std::uint8_t on, float width);
  void SetFluorescenceDetection(const FluorescenceDetectionRecord& record,
                                std::int32_t templateIndex);
  void SetWienerSkewing(float magnitude, float signalPerConcentration);
  void AllocWienerArrays(std::int32_t n);
  void FreeWienerArrays();
  // Fills SignalFactors[1..count] for a scan at time t; false when they do
  // not apply.
  bool ComputeSignalFactors(double t, std::int32_t count, const float* radii, double rpm, double s);
  double SignalFactorAt(double t) const;
  // Photophysical factors of the attached fluorophore; m = s omega^2, 1/s.
  bool FluorophoreFactors(std::int32_t channel, double t, std::int32_t count, const float* radii,
                          double m);
  double FluorophoreFactorMoving(std::int32_t channel, double t, double r, double m) const;
  double FluorophoreFactorAt(std::int32_t channel, double t) const;
  void ApplyConeConvolution(float* values, const float* radii, std::int32_t count, float range,
                            float widthInStd, float meniscus, float bottom) const;
  void ApplyExcitationShadow(float* values, const float* radii, std::int32_t count, float bottom,
                             float width) const;
  // Finite radial resolution of an absorbance snapshot on the grid.
  void ApplyRadialResolution(std::int32_t n, double range, const double* radii, double* values);
  void ApplyWienerSkewing(std::int32_t n, const double* radii, double* values, std::int32_t count,
                          const double* quantity);

  // --- Solution without diffusion ---
  void CLLammNoDiffvec(float c0, double time, double rpm, double omega2t, const float* radii,
                       float* out, std::int32_t count);
  void NoDiffRadialResolution(std::int32_t count, float range, const float* radii,
                              float* values) const;

  // --- Photobleaching by the excitation beam ---
  bool SetPhotophysics(double beamStart, double beamEnd, double resetTime, double bleachScale,
                       double bleachRate, double beamCentre, double beamWidth, double beamDepth,
                       double beamAspect, double secondBeamCentre, double secondBeamWidth,
                       double secondBeamWeight);
  void SetPhotophysicsProfile(std::int32_t count, const double* radii, const double* fractions);
  bool InitializeBurn();
  void ApplyBleaching(double dt);
  void RestoreBleached();
  void ApplyPhotophysicsProfile();
  bool LoadCosoluteCoefficients();

  // --- Propagation variants ---
  void PropagateFixedGrid();
  void PropagateMovingFrame();

  // --- Fixed grid: step control, active window, early end ---
  // One accepted step; the relative change of the profile, or 1 for a step
  // taken without error control.
  double FixedGridStep();
  double RelativeChange();
  void AcceptStep();
  // Integral of c r dr over the cell (lumped hat weights).
  double ComputeTotalAmount();
  void CorrectMeniscusValue();
  void CorrectMeniscusValueDark();
  std::int32_t UpdateLeftEdge();
  std::int32_t UpdateRightEdge(double t);
  void SetEndProbe();
  bool EndConditionMet();

  // --- Fixed grid: matrices and Crank-Nicolson step ---
  void CrankNicolsonStep(double dt);
  void AssembleMatrices(std::int32_t n);
  void ResizeMatrices(std::int32_t n);
  void BuildStepMatrices(double dt, std::int32_t n);
  // Tridiagonal product, solution and re-solution on the active window.
  void MultiplyTridiagonal(const double* lower, const double* diag, const double* upper,
                           const double* x, double* y, std::int32_t n) const;
  void SolveTridiagonal(const double* lower, const double* diag, const double* upper,
                        const double* rhs, double* u, std::int32_t n);
  void ResolveTridiagonal(const double* lower, const double* rhs, double* u, std::int32_t n) const;

  // --- Moving frame: time loop, frame and grid shift ---
  // Frame, matrices and stepping state of a run (the loop's set-up); false
  // when the run cannot start.
  bool StartMovingFrame();
  // Chooses the next step, performs it and advances the time; 1, or the step
  // length on the first step of a free-stepping run.
  float MovingFrameTimeStep();
  void AdvanceMovingFrameTime();
  // After a step with a sedimenting co-solute: the nodes' solvent factors at
  // their cell radii, and the matrices made from them.
  void FollowCosolute();
  void SetUpFrameGrid();
  // Frame stretch E = exp(kappa x); the end nodes' frame coordinates follow.
  void SetFrameBoundaries(double x);
  void ShiftFrameGrid();
  // Real radii of the frame nodes at the current time.
  void UpdateFrameRadii();
  double MovingFrameTotalAmount() const;
  void DampRunawayValues();
  double FrameStretchAt(double x) const;
  double BottomSlope() const;
  double MeniscusSlope() const;

  // --- Moving frame: element integrals on the frame grid, matrices, step ---
  double FrameMassIntegral(int i, int j) const;
  double FrameDiffusionIntegral(int i, int j) const;
  double FrameSedimentationIntegral(int i, int j) const;
  double FrameConvectionIntegral(int i, int j) const;
  double FrameTermIntegral(int i, int j) const;
  double FrameNodeWeight(int i) const;
  void AssembleFrameMatrices();
  void ReassembleForSpeed();
  void BoundaryEntriesNow();
  void BoundaryEntriesAt(double x);
  void PrepareIntervalMatrices();
  void MovingFrameStep(double dt);

  // --- Concentration-dependent variant: s and D follow the local
  // concentration (one species, several species coupled through their total,
  // or a rapid self-association); predictor-corrector Crank-Nicolson steps on
  // the whole fixed grid ---
  void PropagateConcDependent();
  // KsValue and KdValue of the run from the settings; false (and the
  // non-ideality error) when the linear ks times the meniscus concentration
  // exceeds 1.
  bool StartNonidealityValues();
  // One step with error control: its relative change, or 1 for a step taken
  // without control.
  double ConcDependentStep();
  void ConcDependentPredictor(double dt);
  void ConcDependentCorrector();
  void ConcDependentAdvance();
  double ConcDependentError();
  // M - dt/2 B and M + dt/2 B from the assembled B.
  void ConcDependentSystem(double dt);
  // B from the node coefficients and the element integrals.
  void AssembleNodeTransport();
  // M and the fourteen three-hat integrals at CurrentRpm (nothing when the
  // integrals are already those of this speed).
  void ComputeElementIntegrals();
  double TotalAmountInCell() const;
  void MeniscusSignFix();
  // Step rules of the error control: a shorter step after E exceeded the
  // tolerance, a longer one after a small E; bound is the largest step.
  void ReduceConcDependentStep(double E, double bound, bool countForced);
  void GrowConcDependentStep(double E, double bound);
  // After a step accepted with relative change E: the length of the next
  // step (bound is the largest), cut at the stop time and clipped; returns E.
  double NextConcDependentStep(double E, double bound, std::uint8_t* clipped);
  // A step taken as tried, without error control: one landing on the stop
  // time (result 1), the first step from a loaded meniscus (result: its
  // length) and every step of a fixed length (result: the last relative
  // change).
  bool UncontrolledConcDependentStep(const StepLanding& landing, double t, double& result) const;
  // A zero pivot, a blown-up profile or a non-ideality factor out of bounds.
  bool ConcDependentRunFailed() const;
  // The speed over a step of length dt about to be tried while the rotor
  // accelerates, and the element integrals of that speed.
  void ElementIntegralsOverStep(double dt);
  // The speed after a step of length dt accepted at t: the end of the
  // acceleration and the steps of a speed schedule.
  void ElementIntegralsAfterStep(double t, double dt);
  // Node coefficients of the old level, and averaged with the predicted one.
  void NonidealNodeCoefficients();
  void NonidealNodeCoefficientsAveraged();
  void SpeciesNodeCoefficients();
  void SpeciesNodeCoefficientsAveraged();
  void SpeciesNodeCoefficientsAveraged2();
  // The builders of the model in use (non-ideal species or association).
  void OldLevelCoefficients();
  void AveragedCoefficients();
  // The linear s and D factors at a concentration, or false (and the run's
  // non-ideality error) when one of them has fallen to the bound where s or
  // D would change sign.
  bool LinearFactors(double c, double& fs, double& fd);
  // A steady profile is what every scan still to come shows.
  void WriteSteadyScans();
  // Counts in slow the steps in a row of at least 30 s (stepLength) whose
  // change per second (StepResult) is below the steady-state rate; true
  // after more than ten.
  bool SteadyStateReached(double stepLength, int& slow) const;
  // A hundred steps in a row shorter than 1e-12 s: the run is stuck
  // (BlowUpError).
  void CountTinySteps(int& tiny);
  // MaxTimeStep: the set value, or the time in which sedimentation (s) and
  // diffusion (D) move a boundary over comparable distances.
  void SetLargestTimeStep(double s, double D);

  // --- Inhomogeneous solvent: local solvent factors and the co-solute ---
  // Factors f = eta_w/eta(r) and g = (1 - vbar' rho(r))/(1 - Vbar rho_w)
  // for the n nodes of grid at the start of a run.
  void SetUpSolventFactors(const double* grid, std::int32_t n);
  // After a step: the factors of the co-solute's current profile.
  void UpdateSolventFactors(const double* grid, std::int32_t n);
  // s in the solvent at the reference point (followed by the moving frame).
  double EffectiveGridS(double s) const;
  void CompressedDensities(double* out, const double* grid, std::int32_t n, double rho0,
                           double compressibility) const;
  double SolventViscosityAt(double c) const;
  double SolventDensityAt(double c) const;
  bool SetUpCosolute();
  void StepCosolute();
  void CosoluteIdealMatrices();
  void CosoluteElementIntegrals();
  void CosoluteNodeCoefficients();
  void AverageCosoluteCoefficients();
  void CosoluteTransportMatrix();
  void CosoluteStepMatrices(double dt);
  void CosoluteIdealStep(double dt);
  void CosolutePredictorStep(double dt);
  void CosoluteCorrectorStep();
  // The co-solute profile at the time of scan item, as the scan file
  // "comp2_<scan>.r00" in the folder of CosoluteFileName.
  void WriteCosoluteScan(std::int32_t item);

  // --- Rapid self-association coefficients ---
  void PrepareAssociation();
  void MonomerDimerCoefficients();
  void MonomerDimerCoefficientsAveraged();
  void MonomerTrimerCoefficients();
  void MonomerTrimerCoefficientsAveraged();
  double MonomerTrimerFreeMonomer(double c) const;
  void BuildAssociationTable();
  void FreeAssociationTable();
  void LookupAssociationTable(double c);
  void TableNodeCoefficients();
  void TableNodeCoefficientsAveraged();
  double AssociationTotalConcentration(double c1) const;
  double AssociationWeightAverageS(double c1) const;
  double AssociationGradientAverageD(double c1) const;
  // s and D of the closed-form schemes at total concentration c, without
  // non-ideality.
  void MonomerDimerSD(double c, double& s, double& D) const;
  void MonomerTrimerSD(double c, double& s, double& D) const;
  // The non-ideality factors of the association builders at c.
  void AssociationNonidealFactors(double c, double& fs, double& fd);

 private:
  // Headers of the first and last scan in production order; null without an
  // output binding.
  const ScanHeader* FirstListedScan() const;
  const ScanHeader* LastListedScan() const;
  // The equilibrium test of back-diffusion for s and D at the given speed.
  bool EquilibriumBelowLevelAtLimit(double rpm, double s, double D) const;
  // Settings of the work arrays as they were allocated; a change reallocates.
  struct WorkLayout {
    std::int32_t GridSize = 0;
    bool Photophysics = false, MovingFrame = false, ConcentrationDependent = false;
    bool operator==(const WorkLayout&) const = default;
  };
  WorkLayout RequiredWorkLayout() const;
  void CutWorkBlock(const WorkLayout& layout);
  void AllocSpeciesMatrices();
  void ClearWorkPointers();
  void AllocAddBuffer(std::int32_t rows, std::int32_t columns);
  void BindPerScanAddBuffer();
  // Ramp end of each schedule step from its targets and accelerations.
  void ComputeScheduleRampEnds();
  void CheckScansAgainstSchedule(std::int32_t mode);
  void NoteSpeedPlateau(double rpm);

  std::vector<double> WorkBlock;  // every work array of the current layout
  WorkLayout AllocatedLayout;
  std::vector<double> CosoluteBlock;  // co-solute arrays
  std::vector<double> CosoluteIntegralBlock;
  OneBasedArray<std::int32_t> OwnedScanList;  // identity list made by SetOutput
  OneBasedMatrix<float> AddBufferStore;
};
