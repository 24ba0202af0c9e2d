#pragma once
// The parameters of the current model as the user sees them: up to NCOMP
// discrete components (each switched on or off, with a concentration, a
// molar mass or diffusion coefficient and a sedimentation coefficient, each
// with a fit flag), meniscus, bottom and baseline, the noise switches and the
// extra parameters of the chosen model. Program-wide, edited by the model
// dialogs, batch files and restored analyses; the loaders fill meniscus and
// bottom. The optimisers see these values only through the parameter vector
// (models/ParameterPacking.h). Per-component arrays are one-based: index
// 1..NCOMP, slot 0 unused.

#include <array>

inline constexpr int NCOMP = 4;
inline constexpr int SpareParameterCount = 3;
inline constexpr int NonidealMultiSettingCount = 10;

// One setting of the non-ideal multi-species model: a switch and a value.
struct NonidealMultiSettingEntry {
  int Flag = 0;
  float Value = 0.0f;
};

struct ModelParametersRecord {
  float Meniscus = 0.0f;  // cm; 0 = not set
  float Bottom = 0.0f;    // cm; 0 = not set
  float Baseline = 0.0f;  // signal units
  // Fit flags; each has its mirror in ParameterFitted (slots 13, 14, 15).
  int MeniscusFitted = 0;
  int BottomFitted = 0;
  int BaselineFitted = 0;
  bool RINoiseFitted = false;      // one radial-invariant offset per scan is fitted
  bool SystematicNoiseOn = false;  // baseline, TI or RI noise fitting is requested
  // The concentrations of all switched-on components are fitted, so they are
  // solved as linear parameters and hidden from the optimisers.
  bool LinearConcentrations = false;
  // The initial loading is a constant step, or it is taken from the data.
  bool InitialConcentrationConstant = true;
  bool InitialConcentrationExperimental = false;
  // Cleared by a load so that the parameter dialog offers the meniscus and
  // bottom ranges again for the new data.
  bool MeniscusRangeConfirmed = false;
  // The user set the meniscus and bottom ranges; the defaults then leave them.
  bool MeniscusBottomLimitsUserSet = false;
  // Component k (1..NCOMP) is switched on when ComponentOn[k] != 0; slot 0 unused.
  std::array<int, NCOMP + 1> ComponentOn{};

  // Loading concentration in signal units: the first switched-on component
  // holds the total, every other one its fraction of the total.
  std::array<float, NCOMP + 1> Concentration{};
  std::array<int, NCOMP + 1> ConcentrationFitted{};
  // Molar mass in Da (FitControl.MassInsteadOfD) or diffusion coefficient in
  // units of 1e-7 cm^2/s.
  std::array<float, NCOMP + 1> MassOrD{};
  std::array<int, NCOMP + 1> MassOrDFitted{};
  std::array<float, NCOMP + 1> SedCoefficient{};  // S
  std::array<int, NCOMP + 1> SedCoefficientFitted{};
  // Four further parameters whose meaning the model decides (slots 16-19).
  std::array<float, NCOMP + 1> ExtraParameter{};
  std::array<int, NCOMP + 1> ExtraParameterFitted{};
  // Slots 20-22.
  std::array<float, SpareParameterCount + 1> SpareParameter{};
  std::array<int, SpareParameterCount + 1> SpareParameterFitted{};

  // Width of the loading lamella of the zone-centrifugation models, cm.
  float LamellaWidth = 0.1f;
  int LamellaWidthFitted = 0;
  // Offset of the start of sedimentation, s; applied while TimeOffsetOn.
  float TimeOffset = 0.0f;
  bool TimeOffsetFitted = false;
  bool TimeOffsetOn = false;

  // Local/global choices kept for the dialog; the fourth is "conc local".
  std::array<bool, 5> LocalGlobalSwitches{false, true, true, true, true};
  // Component 1 follows the concentration-dependent engine ("c1 nonideal").
  bool FirstComponentNonideal = false;
  // Length of the column in the electrophoresis geometry, cm: the bottom
  // follows the meniscus at this distance.
  float ElectrophoresisColumnLength = 0.4f;

  // The non-ideal multi-species model: a synthetic-boundary overlay is
  // simulated; its ten settings (slots 25-34: overlay position in cm, overlay
  // fraction of species 1, loading weight, s, D and overlay fraction of
  // species 2, the same of species 3); signal per unit loading of species 1-3.
  int SyntheticBoundaryOverlay = 0;
  std::array<NonidealMultiSettingEntry, NonidealMultiSettingCount + 1> NonidealMultiSetting{
      {{}, {0, 6.5f}, {}, {}, {0, 1.0f}, {0, 1.0f}, {}, {}, {0, 1.0f}, {0, 1.0f}, {}}};
  std::array<float, 4> SpeciesExtinction{0.0f, 1.0f, 1.0f, 1.0f};
};

extern ModelParametersRecord ModelParameters;

// What the hindered single-species parameters imply (molar mass in Da,
// frictional ratio, effective volume fraction of the loading, reduced second
// virial coefficient): shown in that model's dialog only; -1 until computed.
extern float ImpliedMass;
extern float ImpliedFf0;
extern float ImpliedVolumeFraction;
extern float ImpliedB2Ratio;

// The inhomogeneous-solvent model (a solvent gradient with a sedimenting
// co-solute) is in use; the standard conditions of the solvent are then
// fixed.
extern bool InhomogeneousSolventOn;
