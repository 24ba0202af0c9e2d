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
  // The s × f/f0 models: grid points in all (s points times Ff0GridCount),
  // number of f/f0 values (an integer held as a float), and the weight of the
  // f/f0 direction of their smoothness penalty relative to the s direction.
  int Grid2DSize = 50;
  float Ff0GridCount = 10.0f;
  float Ff0RegularizationWeight = 10.0f;
  WormChainSettingsRecord WormChainSettings;
  GeneralScalingLawRecord GeneralScalingLaw;
  FlotationSettingsRecord FlotationSettings;
};

extern DistributionSettingsRecord DistributionSettings;

// Sets the one regularisation of the choice and clears the other two;
// BothRegularizations is a separate switch and stays as it is.
void SelectRegularization(RegularizationTypeRecord& type, RegularizationChoice choice);
