#pragma once
// Settings of the continuous distribution models: the global frictional
// ratio, the worm-like chain, the general scaling law, the flotation model,
// the grid sizes and the regularisation. Program-wide,
// set by the model commands, dialogs and batch files, alive for the whole run.

struct WormChainSettingsRecord {
  float PersistenceLength = 36.0f;  // P, nm
  float CrossSection = 23.0f;       // dehydrated cross-section A, nm^2
  float MonomerMass = 9000.0f;      // M0, Da
  float Hydration = 0.4f;           // delta, g/g
  bool WormChainModelOn = false;    // the worm-like chain c(s) model is selected
};

// s = ScalingKs * M^ScalingExponent
struct GeneralScalingLawRecord {
  float ScalingKs = 0.003f;
  float ScalingExponent = 0.667f;
};

// Species with s above FlotationSmax sediment and are described by the
// frictional ratio; those at or below it float with a fixed size.
struct FlotationSettingsRecord {
  float FlotationSmax = -10.0f;  // S
  // The fixed size is a Stokes radius in m (FlotationDeconvolutionR set) or a
  // diffusion coefficient in cm^2/s.
  bool FlotationDeconvolutionR = true;
  float FlotationDeconvolutionSize = 5.9e-9f;
  // The negative (floating) part of the grid: its s range, its number of
  // points, and whether it is the whole grid (no sedimenting part).
  float FlotationMinS = -10.0f;  // S
  float FlotationMaxS = -1.0f;   // S
  int FlotationGridN = 50;
  bool FlotationOnly = true;
};

// How a distribution is regularised. A choice from the menus, preferences or
// batch file sets one of the first three and clears the others (none set: no
// regularisation); BothRegularizations runs the second-derivative pass and
// then maximum entropy, and shows both results.
struct RegularizationTypeRecord {
  bool MaxEntRegularizationOn = true;
  bool SecondDerivativeRegularization = false;
  bool TP3Regularization = false;  // weighted third derivative
  bool BothRegularizations = false;
};

enum class RegularizationChoice { None, MaxEnt, SecondDerivative, TP3 };

struct DistributionSettingsRecord {
  // Global f/f0 of the c(s) models.
  float StartingFrictionalRatio = 1.2f;
  int FrictionalRatioFitted = 0;
  // Number of grid points in use.
  int DistGridSize = 100;
  RegularizationTypeRecord RegularizationType;
  // Confidence level P of the regularisation; above 1 it is read as the
  // chi-square ratio itself.
  float RegularizationPvalue = 0.95f;
  // Maximum entropy: the baseline-like first grid point takes no part in the
  // entropy ("Suppress Baseline Correlation in Max Ent").
  bool SuppressBaselineCorrelation = true;
  // The export of the distribution matrices (its menu switch only).
  bool ExportMatricesOn = false;
  // The s × f/f0 models: grid points in all (s points times Ff0GridCount),
  // number of f/f0 values (an integer held as a float), and the weight of the
  // f/f0 direction of their smoothness penalty relative to the s direction.
  int Grid2DSize = 50;
  float Ff0GridCount = 10.0f;
  float Ff0RegularizationWeight = 10.0f;
  WormChainSettingsRecord WormChainSettings;
  GeneralScalingLawRecord GeneralScalingLaw;
  FlotationSettingsRecord FlotationSettings;

  // Grid requested by the user; the parameter vector writes these (slots 9,
  // 1 and 5, and the fit flags of slots 3 and 4). Smin and Smax are in the
  // unit of the model's grid axis (S, Da, nm or F).
  float Resolution = 100.0f;  // the grid uses its floor
  float Smin = 10000.0f;
  float Smax = 500000.0f;
  float Ff0Min = 1.0f;  // f/f0 range of the two-dimensional models
  float Ff0Max = 2.0f;
  bool GridFromFile = false;     // the grid is read from the sdist file
  bool LogarithmicGrid = false;  // logarithmically spaced grid
  // Below LogSpacedSmin (S) a logarithmic grid keeps linear spacing, while
  // LogSpacedSminOn is set.
  float LogSpacedSmin = 10.0f;
  bool LogSpacedSminOn = true;
  // Spacing of the light-scattering grids: linear, logarithmic in the Stokes
  // radius or logarithmic in D (tested in this order).
  bool DlsGridLinear = false;
  bool DlsGridLogRh = false;
  bool DlsGridLogD = true;
  // Light-scattering densities per nm of the Stokes radius or per F of D
  // instead of per decade.
  bool DlsLinearDensity = false;
  // Axes of the s x f/f0 distribution display, the first set flag deciding:
  // s and M, s and Stokes radius, s and D, M and f/f0; none: s and f/f0.
  bool Ff0PlotSM = false;
  bool Ff0PlotSR = false;
  bool Ff0PlotSD = false;
  bool Ff0PlotMFf0 = false;

  // Worker threads: the normal equations are assembled by ThreadCount
  // workers while MultithreadingOn is set (the Lamm lists have their own
  // count, LammThreadCount). ProgressLineOn draws a progress line meanwhile.
  bool MultithreadingOn = true;
  int ThreadCount = 2;
  bool ProgressLineOn = true;

  // Parameters of particular continuous models, with their fit flags.
  // The hybrid c(s)/ls-g*(s) model includes its discrete species.
  bool HybridIncludesDiscrete = false;
  float DiscreteSpeciesS = 0.0f;     // S
  float DiscreteSpeciesMass = 0.0f;  // Da
  float DiscreteSpeciesD = 0.0f;     // units of 1e-7 cm^2/s
  int DiscreteSpeciesSFitted = 0;
  int DiscreteSpeciesMassFitted = 0;
  int DiscreteSpeciesDFitted = 0;
  float ConformationMass = 200000.0f;  // Da
  float ConformationSmin = 7.0f;       // S
  float ConformationSmax = 10.0f;      // S
  float SecondFf0 = 2.0f;              // f/f0 of the second species range
  float SecondRangeSmin = 10.0f;       // S
  float SecondRangeSmax = 20.0f;       // S
  int SecondRangeSminFitted = 0;
  int ScalingNoDeconvolution = 0;
  int ScalingKsFitted = 0;
  int ScalingExponentFitted = 0;
  int PersistenceLengthFitted = 0;
  int VbarFitted = 0;      // the partial specific volume floats (fixed f/f0 model)
  float ConstantD = 0.0f;  // units of 1e-7 cm^2/s, one D for all grid points
  int ConstantDFitted = 0;
  float InvariantD = 0.0f;  // units of 1e-7 cm^2/s
  int InvariantDFitted = 0;
  float RodMassPerLength = 10000.0f;
  float TimeCourseInterval = 0.0f;  // minutes
  // The hybrid c(s)/ls-g*(s) model: above this s (S) the boundaries are
  // taken without diffusion.
  double HybridSThreshold = 0.0;
};

extern DistributionSettingsRecord DistributionSettings;

// How the callers of a distribution run want it done, and what an
// interrupted or stored run leaves for the display and the realtime update.
struct DistributionRunFlagsRecord {
  // An optimiser evaluates the model: no grid rebuild (except the s x f/f0
  // kernel), no unpacking of the parameter vector, no regularisation and no
  // storing, unless FinalEvaluation or MonteCarloRunning asks for the
  // regularisation.
  bool InNonlinearSearch = false;
  bool FinalEvaluation = false;
  bool MonteCarloRunning = false;
  // Compute the model signal from the distribution already in DistValues
  // instead of fitting (synthetic data).
  bool SimulateFromDistribution = false;
  // A distribution loaded from a file is a density to be turned into
  // amplitudes (synthetic data).
  bool NormalizeLoadedDistribution = false;
  // The s x f/f0 grid and kernel must be made again.
  bool Grid2DRebuild = true;
  // Repaint the main window after an interrupted run and after storing.
  bool RepaintAfterRun = false;
  // The last run was interrupted; the realtime update stops repeating.
  bool ComputationInterrupted = false;
  // The model curves of the last run are drawn over the data.
  bool FitCurvesShown = false;
  // The distribution shown is that of the c(s) model with an M(s) table.
  bool MsTableDistribution = false;
};

extern DistributionRunFlagsRecord DistributionRunFlags;

// Sets the one regularisation of the choice and clears the other two;
// BothRegularizations is a separate switch and stays as it is.
void SelectRegularization(RegularizationTypeRecord& type, RegularizationChoice choice);
