#pragma once
// Settings of the continuous distribution models that the hydrodynamic
// conversions read: the global frictional ratio, the worm-like chain, the
// general scaling law, the flotation model and the grid size. Program-wide,
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

struct DistributionSettingsRecord {
  // Global f/f0 of the c(s) models.
  float StartingFrictionalRatio = 1.2f;
  int FrictionalRatioFitted = 0;
  // Number of grid points in use.
  int DistGridSize = 100;
  WormChainSettingsRecord WormChainSettings;
  GeneralScalingLawRecord GeneralScalingLaw;
  FlotationSettingsRecord FlotationSettings;
};

extern DistributionSettingsRecord DistributionSettings;
