// The set-up operations of the Lamm solver. They store values and validity
// flags and never refuse loudly: Solve checks the flags in a fixed order and
// reports the first problem. Callers use them in this order: model,
// parameters, acceleration check, output, numerics, then loading, solvent,
// start time, rotor speed profile, inhomogeneous solvent and optics.

#include <algorithm>
#include <cmath>
#include <utility>

#include "lamm/CLammIdeal.h"

namespace {

// Longest stored file name (the buffers of the settings hold 260 characters).
constexpr std::size_t kFileNameCapacity = 259;

OneBasedArray<double> CopyOneBased(const double* values, int count) {
  OneBasedArray<double> copy(1, count);
  for (int i = 1; i <= count; ++i) copy[i] = values[i];
  return copy;
}

}  // namespace

void CLammIdeal::SetIdealModel() {
  IdealModel = 1;
  ModelSet = 1;
}

void CLammIdeal::SetParameters(double s, double D, double meniscus, double bottom, double c0,
                               float leftFitLimit, float rightFitLimit) {
  SedimentationCoeff = s;
  DiffusionCoeff = D;
  Meniscus = meniscus;
  Bottom = bottom;
  LoadingConcentration = c0;
  if (rightFitLimit < leftFitLimit) std::swap(leftFitLimit, rightFitLimit);
  LeftFitLimit = leftFitLimit;
  RightFitLimit = rightFitLimit;
  const auto inside = [&](double r) { return meniscus <= r && r <= bottom; };
  ParametersValid = 0 < meniscus && meniscus <= bottom && inside(LeftFitLimit) &&
                    inside(RightFitLimit) && c0 >= 0 && D >= 0;
  FitLimitsInside = inside(RightFitLimit);
  ParameterError = 0;
  if (meniscus <= 0 || bottom <= 0) ParameterError = 1;
  if (c0 < 0) ParameterError = 2;
  if (D < 0) ParameterError = 3;
}

void CLammIdeal::AllocAddBuffer(std::int32_t rows, std::int32_t columns) {
  AddBufferStore = OneBasedMatrix<float>();
  AddBuffer = nullptr;
  AddBufferRows = AddBufferColumns = 0;
  if (rows <= 0 || columns <= 0) return;
  AddBufferStore.Resize(1, rows, 1, columns);
  AddBuffer = AddBufferStore.get();
  AddBufferRows = rows;
  AddBufferColumns = columns;
}

void CLammIdeal::BindPerScanAddBuffer() {
  std::int32_t columns = 0;
  if (ScanPointCounts)
    for (int i = 1; i <= ScanCount; ++i) columns = std::max(columns, ScanPointCounts[i]);
  AllocAddBuffer(ScanCount, columns);
}

void CLammIdeal::SetOutput(platform::WindowHandle window, CWINPlot* livePlot, ScanHeader* headers,
                           float** output, float* radii, std::int32_t pointCount, float** scanRadii,
                           std::int32_t* scanPointCounts, std::uint8_t showProgress,
                           std::int32_t* scanList, std::int32_t scanCount,
                           std::int32_t equationIndex, std::uint8_t fitInProgress,
                           std::uint8_t displaySuppressed, std::uint8_t timeResolutionOn,
                           float scanVelocity, std::uint8_t radialResolutionOn, float radialRange,
                           std::uint8_t absorbanceOptics) {
  MainWindow = window;
  LivePlot = livePlot;
  ScanHeaders = headers;
  ShowProgress = showProgress;
  ScanCount = scanCount;
  EquationIndex = equationIndex;
  FitInProgress = fitInProgress;
  DisplaySuppressed = displaySuppressed;

  if (!scanList && scanCount > 0) {
    OwnedScanList.Resize(1, scanCount);
    for (int i = 1; i <= scanCount; ++i) OwnedScanList[i] = i;
    ScanList = OwnedScanList.data();
    OwnsScanList = 1;
  } else {
    ScanList = scanList;
    OwnsScanList = 0;
    OwnedScanList = OneBasedArray<std::int32_t>();
  }

  TimeResolutionOn = timeResolutionOn;
  RadialResolutionOn = radialResolutionOn;
  AbsorbanceOptics = absorbanceOptics;
  if (scanVelocity > 0) ScanVelocity = scanVelocity;
  if (radialRange > 0) RadialResolutionRange = radialRange;
  if (scanVelocity <= 0) TimeResolutionOn = 0;
  if (radialRange <= 0) RadialResolutionOn = 0;
  if (!absorbanceOptics) TimeResolutionOn = RadialResolutionOn = 0;

  // The output arrays are bound as a list equation rebinds them, with the
  // current s and D.
  SetEquation(SedimentationCoeff, DiffusionCoeff, output, radii, pointCount, scanRadii,
              scanPointCounts);
}

void CLammIdeal::SetEquation(double s, double D, float** output, float* radii,
                             std::int32_t pointCount, float** scanRadii,
                             std::int32_t* scanPointCounts) {
  SedimentationCoeff = s;
  DiffusionCoeff = D;
  Output = output;
  OutputRadius = radii;
  OutputPointCount = pointCount;
  ScanRadiusTable = scanRadii;
  ScanPointCounts = scanPointCounts;
  PerScanRadii = !radii || pointCount == 0;
  if (PerScanRadii)
    BindPerScanAddBuffer();
  else
    AllocAddBuffer(AddToOutput ? ScanCount : 0, pointCount);
  OutputValid =
      ScanCount > 0 && ScanHeaders && output && (!PerScanRadii || (scanRadii && scanPointCounts));
  if (ConeConvolutionOn) {
    TestOutputSpacing();
    BuildConeKernel();
  }
}

void CLammIdeal::SetAddToOutput(std::uint8_t on) {
  if (PerScanRadii) return;
  AddToOutput = on;
  if (on && !AddBuffer) AllocAddBuffer(ScanCount, OutputPointCount);
}

void CLammIdeal::SetNumerics(
    std::int32_t minGrid, std::int32_t maxGrid, float pointsPerSigma,
    std::uint8_t forceBackDiffusionCut, double backDiffusionLevel,
    std::uint8_t backDiffusionShutOff, std::uint8_t optimizeGridSpacing, std::uint8_t autoGridSize,
    float frictionalRatio, std::uint8_t simulateAcceleration, std::uint8_t fixedTimeStep,
    std::int32_t reportTotalAmount, double steadyStateRate, double autoSGridValue,
    std::uint8_t autoSGrid, std::uint8_t runBeyondLastScan, std::uint8_t automaticAlgorithm,
    double stepControl, double stepControlLow, double stepControlHigh, double maxChangePerStep,
    std::int32_t defaultGridSize, std::int32_t allocatedGridSize, std::uint8_t movingFrame,
    std::uint8_t fixedGrid, float fixedGridTolerance, double truncationThreshold,
    std::uint8_t dynamicTruncation, double stepRelaxation, double stepChangeFactor,
    double switchThreshold, double switchThresholdOptimized) {
  if (minGrid > 0) MinGridSize = minGrid;
  if (maxGrid > 0) MaxGridSize = maxGrid;
  if (pointsPerSigma > 0) PointsPerSigma = pointsPerSigma;
  if (backDiffusionLevel > 0) BackDiffusionLevel = backDiffusionLevel;
  ForceBackDiffusionCut = forceBackDiffusionCut;
  BackDiffusionShutOff = backDiffusionShutOff;
  OptimizeGridSpacing = optimizeGridSpacing;
  AutoGridSize = autoGridSize;
  FrictionalRatio = frictionalRatio;
  SimulateAcceleration = simulateAcceleration;
  FixedTimeStep = fixedTimeStep;
  ReportTotalAmount = reportTotalAmount;
  SteadyStateRate = steadyStateRate;
  AutoSGridValue = autoSGridValue;
  AutoSGrid = autoSGrid;
  RunBeyondLastScan = runBeyondLastScan;
  AutomaticAlgorithm = automaticAlgorithm;
  StepControl = stepControl;
  StepControlLow = stepControlLow;
  StepControlHigh = stepControlHigh;
  MaxChangePerStep = maxChangePerStep;
  DefaultGridSize = defaultGridSize;
  AllocatedGridSize = allocatedGridSize;
  MovingFrame = movingFrame && !fixedGrid;
  FixedGrid = fixedGrid;
  FixedGridTolerance = fixedGridTolerance;
  TruncationThreshold = truncationThreshold;
  DynamicTruncation = dynamicTruncation;
  StepRelaxation = stepRelaxation;
  StepChangeFactor = stepChangeFactor;
  SwitchThreshold = switchThreshold;
  SwitchThresholdOptimized = switchThresholdOptimized;
  NumericsLoaded = frictionalRatio > 0 || !(DiffusionCoeff > 0);
  // A floating species that never reaches the meniscus region in
  // equilibrium is simulated with the start-up of the rotor.
  if (SedimentationCoeff < 0 && BackDiffusionNegligible(SedimentationCoeff, DiffusionCoeff))
    SimulateAcceleration = 1;
}

void CLammIdeal::SetSolvent(double temperature, double vbar, double density,
                            double relativeViscosity) {
  Temperature = static_cast<float>(temperature);
  Vbar = static_cast<float>(vbar);
  SolventDensity = static_cast<float>(density);
  RelativeViscosity = static_cast<float>(relativeViscosity);
  VbarRho = static_cast<float>(vbar * density);
  // f/f0 from the Svedberg equation: M from s and D, the volume of an
  // anhydrous sphere of that mass, and Stokes' friction of that sphere.
  const double s = SedimentationCoeff, D = DiffusionCoeff;
  const double buoyancy = 1 - static_cast<double>(VbarRho);
  double ratio = 0.0;
  if (D > 0) {
    const double M = s * 1e-13 * (temperature + 273.15) * 8.31451e7 / (buoyancy * D);
    if (M > 0 && vbar > 0) {
      const double V = M * 1.6605392767355127e-24 * vbar * 1e-6;  // m^3
      const double R0 = std::exp(0.333333333333333 * std::log(3 * V * 0.07957747163687819));
      const double f0 = relativeViscosity * 0.018887255011800004 * R0 * 1000;  // g/s
      if (f0 > 0 && s != 0) ratio = buoyancy * M * 1.6605392767355127e-24 / (s * 1e-13) / f0;
    }
  }
  FrictionalRatio = static_cast<float>(ratio);
}

void CLammIdeal::SetConcentrationDependence(
    std::uint8_t concDependentModel, std::uint8_t ideal, std::uint8_t monomerDimer,
    std::uint8_t tetramerOctamer, std::uint8_t dimerTetramer, std::uint8_t monomerTrimer, float s1,
    float s2, float D1, float D2, float logK, float c0, std::uint8_t nonIdealityOn, float logKs,
    float logKd, std::uint8_t ksPositive, std::uint8_t kdPositive, double signalPerConcentration,
    std::uint8_t hardSphere, std::uint8_t /*stickyModel*/, float sT1, float sT2, float sT3,
    float DT1, float DT2, float DT3, float logKa, float logKb) {
  ConcDependentModel = concDependentModel;
  IdealModel = ideal;
  MonomerDimerModel = monomerDimer;
  TetramerOctamerModel = tetramerOctamer;
  DimerTetramerModel = dimerTetramer;
  MonomerTrimerModel = monomerTrimer;
  ModelSet = 1;
  MonomerS = s1;
  OligomerS = s2;
  MonomerD = D1;
  OligomerD = D2;
  LogAssociationK = logK;
  LoadingConcentration = c0;
  TableS1 = sT1;
  TableSA = sT2;
  TableSB = sT3;
  TableD1 = DT1;
  TableDA = DT2;
  TableDB = DT3;
  LogTableKA = logKa;
  LogTableKB = logKb;
  MonomerS = sT1;
  MonomerD = DT1;
  if (nonIdealityOn) {
    NonidealityParamS = logKs;
    NonidealityParamD = logKd;
    KsPositive = ksPositive;
    KdPositive = kdPositive;
    NonidealityScale = signalPerConcentration;
    HardSphereNonideality = hardSphere;
  }
  NonIdealityOn = nonIdealityOn;
  const bool closedForm = monomerDimer || monomerTrimer;
  const bool tabulated = tetramerOctamer || dimerTetramer;
  SelfAssociationOn = !ideal && (closedForm || tabulated);
  bool valid = true;
  if (closedForm)
    valid = MonomerS != 0 && OligomerS != 0 && MonomerD != 0 && OligomerD != 0 && c0 != 0;
  if (tabulated)
    valid = valid && TableS1 != 0 && TableSA != 0 && TableSB != 0 && TableD1 != 0 && TableDA != 0 &&
            TableDB != 0 && c0 != 0;
  if (ideal || !concDependentModel) valid = false;
  if (InhomogeneousSolvent) {
    valid = false;
    ModelSet = 0;
  }
  SelfAssociationValid = valid;
  AutoGridSize = 0;
  OptimizeGridSpacing = 0;
}

void CLammIdeal::SetSelfAssociation(std::uint8_t ideal, std::uint8_t singleNonIdeal,
                                    std::uint8_t concDependentModel, std::uint8_t meanField,
                                    std::uint8_t multiSpecies, std::int32_t speciesCount,
                                    const double* c0s, const double* ss, const double* Ds,
                                    const double* weights, float logKs, float logKd,
                                    std::uint8_t ksPositive, std::uint8_t kdPositive,
                                    double signalPerConcentration, std::uint8_t hardSphere,
                                    std::uint8_t /*stickyModel*/, double s, double D, double c0) {
  NonIdealityValid = 0;
  IdealModel = ideal;
  NonidealSingleSpecies = singleNonIdeal;
  ConcDependentModel = concDependentModel;
  NonidealMeanField = meanField;
  MultiSpecies = multiSpecies;
  NonIdealityOn = !ideal && (SelfAssociationOn || singleNonIdeal || meanField || multiSpecies);
  SpeciesCount = std::max(speciesCount, 0);
  if (SpeciesCount > 0) {
    if (!c0s || !ss || !Ds) return;
    // Species loaded at exactly zero at the end of the table take no part.
    while (SpeciesCount > 0 && c0s[SpeciesCount] == 0) --SpeciesCount;
    SpeciesLoadings = CopyOneBased(c0s, SpeciesCount);
    SpeciesS = CopyOneBased(ss, SpeciesCount);
    SpeciesD = CopyOneBased(Ds, SpeciesCount);
    SpeciesWeights = OneBasedArray<double>(1, SpeciesCount);
    for (int k = 1; k <= SpeciesCount; ++k) SpeciesWeights[k] = weights ? weights[k] : 1.0;
  }
  NonidealityParamS = logKs;
  NonidealityParamD = logKd;
  KsPositive = ksPositive;
  KdPositive = kdPositive;
  NonidealityScale = signalPerConcentration;
  HardSphereNonideality = hardSphere;
  SedimentationCoeff = s;
  DiffusionCoeff = D;
  LoadingConcentration = c0;
  bool speciesDPositive = true;
  for (int k = 1; k <= SpeciesCount; ++k) speciesDPositive = speciesDPositive && SpeciesD[k] > 0;
  const bool valid = speciesDPositive && D != 0 && !ideal && concDependentModel &&
                     (!multiSpecies || SpeciesCount > 0);
  NonIdealityValid = valid;
  NonIdealityOn = valid;
  AutoGridSize = 0;
  OptimizeGridSpacing = 0;
  if (multiSpecies) ForceBackDiffusionCut = 1;
}

void CLammIdeal::SetDensityGradient(std::uint8_t inhomogeneous, std::uint8_t /*reservedFlag*/,
                                    std::uint8_t compressibleSolvent,
                                    std::uint8_t linearSolventProfile, double compressibility,
                                    float solvatedVbar, float relativeViscosity, float density,
                                    float vbar, float vbarRho, float densityAt1Atm,
                                    float /*reservedValue1*/, float viscosityAt1Atm,
                                    float /*reservedValue2*/, double meniscusDensity,
                                    double bottomDensity, double meniscusViscosity,
                                    double bottomViscosity) {
  InhomogeneousSolvent = inhomogeneous;
  CompressibleSolvent = compressibleSolvent;
  LinearSolventProfile = linearSolventProfile;
  Compressibility = compressibility;
  SolvatedVbar = solvatedVbar;
  RelativeViscosity = relativeViscosity;
  SolventDensity = density;
  Vbar = vbar;
  VbarRho = vbarRho;
  DensityAt1Atm = densityAt1Atm;
  ViscosityAt1Atm = viscosityAt1Atm;
  MeniscusDensity = meniscusDensity;
  BottomDensity = bottomDensity;
  MeniscusViscosity = meniscusViscosity;
  BottomViscosity = bottomViscosity;
}

void CLammIdeal::SetCosolute(std::uint8_t inhomogeneous, std::uint8_t solventFactorsEachStep,
                             std::uint8_t addWaterCompressibility, double cosoluteS,
                             double cosoluteD, std::uint8_t cosoluteOn,
                             std::int32_t cosoluteGridSize, std::uint8_t cosoluteSmoothing,
                             std::uint8_t nonidealCosolute, double cosoluteLoading,
                             std::uint8_t saveCosolute, std::uint8_t plotCosolute,
                             double compressibility, const char* cosoluteFileName,
                             std::uint8_t csClBuiltIn, const char* sCoefficientFile,
                             const char* dCoefficientFile, const double* viscosityCoefficients,
                             std::int32_t viscosityCount, const double* densityCoefficients,
                             std::int32_t densityCount) {
  InhomogeneousSolvent = inhomogeneous;
  SolventFactorsEachStep = solventFactorsEachStep;
  AddWaterCompressibility = addWaterCompressibility;
  CosoluteS = cosoluteS;
  CosoluteD = cosoluteD;
  CosoluteOn = cosoluteOn;
  CosoluteGridSize = cosoluteGridSize;
  // New co-solute settings: no stored factorisation belongs to them.
  CosoluteUnfactored = 1;
  CosoluteSmoothing = cosoluteSmoothing;
  NonidealCosolute = nonidealCosolute;
  CosoluteLoading = cosoluteLoading;
  SaveCosolute = saveCosolute;
  PlotCosolute = plotCosolute;
  Compressibility = compressibility;
  CsClBuiltIn = csClBuiltIn;
  const auto keep = [](std::string& field, const char* name) {
    if (name) field = std::string(name).substr(0, kFileNameCapacity);
  };
  keep(CosoluteFileName, cosoluteFileName);
  keep(SCoefficientFile, sCoefficientFile);
  keep(DCoefficientFile, dCoefficientFile);
  if (NonidealCosolute) LoadCosoluteCoefficients();
  if (viscosityCoefficients) {
    ViscosityCoefficientCount = std::max(viscosityCount, 0);
    ViscosityCoefficients = CopyOneBased(viscosityCoefficients, ViscosityCoefficientCount);
  }
  if (densityCoefficients) {
    DensityCoefficientCount = std::max(densityCount, 0);
    DensityCoefficients = CopyOneBased(densityCoefficients, DensityCoefficientCount);
  }
}

bool CLammIdeal::SetInitialProfile(std::int32_t count, const float* radii, const float* values) {
  InitialProfileOn = 0;
  // The resampling onto the grid needs five points; with fewer it would
  // leave the previous run's concentrations in place.
  constexpr std::int32_t kFewestPoints = 5;
  if (MultiSpecies || !radii || !values || count < kFewestPoints) return false;
  if (!(radii[1] <= Meniscus && radii[count] >= Bottom)) return false;
  InitialProfileRadius = OneBasedArray<double>(1, count);
  InitialProfileValue = OneBasedArray<double>(1, count);
  for (int i = 1; i <= count; ++i) {
    InitialProfileRadius[i] = radii[i];
    InitialProfileValue[i] = values[i];
  }
  InitialProfileCount = count;
  InitialProfileOn = 1;
  return true;
}

void CLammIdeal::SetBandLoading(std::uint8_t on, float width, std::uint8_t inverted) {
  BandLoading = on;
  BandWidth = width;
  BandInverted = inverted;
}

void CLammIdeal::SetBandProfile(float width, float factor) {
  BandWidth = width;
  TwoLevelFactor = factor;
  TwoLevelLoading = width > 0 && factor > 0;
  if (width > 0 && factor == 0) {
    BandLoading = 1;
    BandInverted = 1;
  }
}
