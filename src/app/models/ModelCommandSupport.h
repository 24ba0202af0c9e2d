#pragma once
// What the model commands share: the services of other subsystems they call
// (installed by those subsystems; until then each has a harmless default),
// the presets they copy into the parameter vector, the state they keep
// beside the model, and small helpers for the menu-help mode, the refusals
// of unsuitable data, message boxes, check marks and parameter slots.

#include <functional>
#include <initializer_list>
#include <string>

#include "state/ModelSelection.h"
#include "state/DistributionSettingsRecords.h"
#include "platform/Platform.h"

class TXLAWindow;

// Services of other subsystems, installed by the window's start
// (ResetModelCommandLinks puts the defaults back). Defaults that stand for
// behaviour of their own: the distribution plots are cleared through the
// grid services; the option "Fit M and s" flips the mass-or-D switch and its
// check mark (without converting slots 1-4); the buffer-sedimentation check
// uses the temporary parameter file's link. The others are not wired until
// the window installs them (links::Unwired).
struct ModelCommandLinksRecord {
  std::function<void()> ClearDistributionPlots;
  // Rebuilds the distribution plot; modelChange: for a new kind of model.
  std::function<void(bool modelChange)> InitDistributionPlot;
  std::function<void(TXLAWindow&)> ResetEqTest;
  std::function<bool()> MwScreenOpen;
  std::function<void(TXLAWindow&)> CloseMwScreen;
  std::function<bool()> ExtrapolationDataExist;
  std::function<void()> FreeExtrapolationData;
  std::function<bool(TXLAWindow&)> CalibrateCMPowerLaw;
  std::function<void(TXLAWindow&)> ToggleFitMAndS;
  std::function<void(TXLAWindow&)> CheckBufferSedCompatibility;
};

extern ModelCommandLinksRecord ModelCommandLinks;
void ResetModelCommandLinks();

// Presets that the model commands copy into the parameter vector and that
// keep the user's last values. Presets with a home in the model or
// distribution records (the non-ideality coefficients, the per-model values
// of the continuous models, the power law and vbar(M) relation) are read
// there.
struct ModelPresetsRecord {
  // The 1-4-8 and 1-2-4 self-association models: the monomer's molar mass,
  // and the values of slots 3, 5, 6, 7, 8 and 11 (index = slot).
  float MonomerMass = 34237.0f;
  int MonomerMassFitted = 0;
  float OligomerSlot[12] = {0, 0, 0, 3.155f, 0, 2.2f, 6.03f, 7.4048f, 9.06f, 0, 0, 0.5f};
  int OligomerSlotFitted[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  // The reacting system A + B <-> AB: log10 K, loading signals and signal
  // coefficients, molar masses and sedimentation coefficients; M_AB and the
  // signal coefficient of AB are derived.
  float LogK = 0.0f;
  float LoadingA = 0.5f, SignalCoefficientA = 1.0f;
  float LoadingB = 0.5f, SignalCoefficientB = 1.0f;
  float MassA = 100000.0f, MassB = 100000.0f, MassAB = 200000.0f;
  float SA = 7.0f, SB = 7.0f, SAB = 11.0f;
  float SignalCoefficientAB = 2.0f;
  // The non-ideal single species: s and M (or D) of component 1 at selection.
  float NonidealReferenceS = 0.0f;
  float NonidealReferenceMassOrD = 0.0f;
  // Width of the loading lamella of the zone models (slot 23), cm.
  float ZoneLoading = 0.1f;
  float ExternalLoadingOilVolume = 0.01f;  // ml
  // The discrete component of the continuous models.
  float DiscreteD = 1.0f, DiscreteMass = 350.0f, DiscreteS = 0.34f;
  int DiscreteDFitted = 0, DiscreteMassFitted = 0, DiscreteSFitted = 0;
  // Flotation c(s): the fixed size of floating species, and the s range of
  // the floating part (slots 10, 6, 8).
  float FlotationSize = 5.9e-9f, FlotationSmin = -100.0f, FlotationSmax = -10.0f;
  float InvariantD = 5e-7f;
  int InvariantDFitted = 0;
  float ElectrophoresisConstantD = 5.0f;
  int ElectrophoresisConstantDFitted = 0;
  float TimeCourseValue = 1.0f;
  // The ls-g*(s) extrapolation: the values of slots 11 and 3.
  float ExtrapolationSlot11 = 20.0f, ExtrapolationSlot3 = 3.0f;
  // The species of the discrete models as they were when a distribution
  // model took their slots over: M or D (slots 1-4) and s (slots 5-8), in
  // the form (M or D) of that moment. Before any, those of a fresh start.
  bool DiscreteSpeciesKept = false;
  bool DiscreteSpeciesMassForm = false;
  float DiscreteSpeciesSlot[9] = {};
};

extern ModelPresetsRecord ModelPresets;

// Options of the parameter dialog and of the displays that the model
// commands switch, and data modes they read that have no record elsewhere.
struct ModelCommandStateRecord {
  bool NonidealEngineOption = false;
  bool ContinuousDistributionOption = false;
  // The ls-g*(s) extrapolation and van Holde-Weischet analyses show the
  // extrapolation of s(app) against 1/sqrt(time), and their result screen
  // replaces the main display.
  bool ShowExtrapolationPlot = false;
  bool ExtrapolationPlotShown = false;
  // Data of several rotor speeds are loaded for one analysis.
  bool MultiSpeedDataMode = false;
  // The display keeps its scale while the c(M) power law is calibrated.
  bool DisplayHoldForCalibration = false;
};

extern ModelCommandStateRecord ModelCommandState;

// The menu-help mode: shows where help is found, leaves the mode and answers
// true; false when the mode is off.
bool AnswerHelp(TXLAWindow& window);

// Boxes owned by the main window.
void ShowNote(TXLAWindow& window, const std::string& text, const std::string& caption,
              platform::BoxIcon icon = platform::BoxIcon::None);
bool AskYesNo(TXLAWindow& window, const std::string& text, const std::string& caption);
// A number entry; false on Cancel (value unchanged).
bool AskFloat(TXLAWindow& window, float& value, float defaultValue, const char* prompt,
              const char* caption);

// The loaded data.
bool DlsDataLoaded();
bool EquilibriumDataLoaded();
bool ElectrophoresisDataLoaded();
bool ScansLoaded();
// Temperature of the last loaded scan (for DLS data the buffer's), deg C.
float LastScanTemperature();

// The refusals of unsuitable data: each shows its message and answers true
// when the data are refused.
bool RefuseDlsData(TXLAWindow& window);
bool RefuseEquilibriumData(TXLAWindow& window);
bool RefuseWithoutDlsData(TXLAWindow& window);
bool RefuseWithoutElectrophoresisData(TXLAWindow& window);

// Check marks.
void CheckItems(TXLAWindow& window, std::initializer_list<int> ids);
void UncheckItems(TXLAWindow& window, std::initializer_list<int> ids);

// Parameter slots (1..34). The model parameters are the master copy of the
// parameter vector, so every write goes to both; SyncParameterVector then
// lets the records beside the vector follow the slots of the current kind.
float SlotValue(int slot);
int SlotFitted(int slot);
void SetSlot(int slot, float value);
void SetSlotFitted(int slot, int fitted);
void SetSlot(int slot, float value, int fitted);
void SyncParameterVector();

// A discrete species model hands its slots to a distribution model: its
// species (M or D and s) are kept for the next discrete model.
void KeepDiscreteSpecies();
// A discrete model entered from a distribution model, whose grid fills the
// species slots: the species kept last, or those of a fresh start (M 50000
// Da or D 5e-7 cm^2/s, 4 S for species 1; nothing for the others).
void RestoreDiscreteSpecies();

// The finite-element algorithm of the Lamm solvers.
void SetFiniteElementChoice(bool automatic, bool claverie, bool movingHat);
// Toggles "Fit M and s" when needed so that it ends as asked.
void SetFitMAndS(TXLAWindow& window, bool on);
// Frees and allocates the simulation arrays for the grid size in use, when
// they exist.
void ReallocateSimulationArrays();

// Regularisation with its menu check marks (295 maximum entropy, 294 second
// derivative, 1118 weighted third derivative).
void SelectRegularizationChecked(TXLAWindow& window, RegularizationChoice choice);
bool SecondDerivativeOrBothSelected();
// The confidence level of a model command: slot 2, the preset of later
// switches and the regularisation's level.
void SetConfidenceLevel(float p);
// Grid resolution (slot 9) and limits (slots 1 and 5).
void SetResolution(float resolution);
void SetLimits(float smin, float smax);
// Limits above 1000 are the molar masses of a c(M) kind: with scans loaded
// each becomes the s of a species of that mass (with the global frictional
// ratio) at the temperature of the last scan. Otherwise the defaults apply
// when given (else the limits stay). Slots 1 and 5 follow.
struct GridLimits {
  float smin = 0.0f;
  float smax = 0.0f;
};
void ConvertOrDefaultLimits(const GridLimits* defaults);
// Slots 9 to 12 to 0.
void ZeroConcentrations();

// Concentration of the complex AB in A + B <-> AB at equilibrium for total
// molar loadings a and b and the association constant K (mass action law),
// in a form that keeps its precision for strong binding.
double ComplexConcentration(double a, double b, double K);

// All ids of the model commands, in the order of the reset's list.
extern const int AllModelCommandIds[ModelKindCount];
// The command id that selects a kind (0 for NoModel).
int CommandIdOf(ModelKind kind);
