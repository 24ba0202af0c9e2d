#pragma once
// The Parameters command: shows the dialog of the current model, moving the
// values between the model parameters, the settings of the continuous
// models and the dialog's transfer record; afterwards re-derives the fit
// modes, packs the parameter vector and asks the follow-up questions.

#include <functional>
#include <string>

#include "platform/FormDialog.h"
#include "platform/Platform.h"
#include "state/Links.h"

// Set when the command starts, cleared when the user cancels; the "Series"
// command reads it.
extern bool ParametersConfirmed;
// True while the dialog is up: the main window paints nothing meanwhile.
extern bool ParameterDialogOpen;

// The switches of the direct-boundary van Holde-Weischet extrapolation that
// its dialog edits ("slide frame" is shown as the negation of noSlide).
struct ExtrapolationSwitches {
  bool noSlide = false;
  bool fitBoundaryFractions = false;
  bool resultAsDGds = false;
};
// The switches as last entered in the model's dialog; the boundary analysis
// reads them at each run.
inline ExtrapolationSwitches KeptExtrapolationSwitches;

// What the command needs of higher layers, installed by the window's start;
// until then each is the loud "not wired" default.
struct ParametersCommandLinksRecord {
  // The approach-to-equilibrium test screen is shown / leave it.
  std::function<bool()> EqTestActive = links::Unwired;
  std::function<void()> ResetEqTest = links::Unwired;
  // Meniscus and bottom limits (asks only when inconsistent unless forced).
  std::function<void(platform::WindowHandle, bool)> EditMeniscusBottomLimits = links::Unwired;
  // The two-dimensional distribution plot after a change of its choice.
  std::function<void()> RebuildTwoDimensionalPlot = links::Unwired;
  // The external mean-field files of the non-ideal c(s) models.
  std::function<void(platform::WindowHandle)> LoadCtotDataFiles = links::Unwired;
  // The Wiener skew set-up table.
  std::function<void(platform::WindowHandle)> WienerSkewingParameters = links::Unwired;
  // The calibration of the c(M) scaling law (false: failed or declined).
  std::function<bool(platform::WindowHandle)> CalibrateCMPowerLaw = links::Unwired;
};
extern ParametersCommandLinksRecord ParametersCommandLinks;

// Formats a value for a dialog field: with the field's format, unless that
// would change the value when read back or exceed the 14 characters of the
// field; then in the shortest form that keeps it.
std::string FieldText(const char* format, double value);

// Fills the transfer record from the parameters (the generic table).
void FillParamsBoxTransfer(platform::FormState& t);
// Reads the transfer record back into the parameters (after OK).
void ReadParamsBoxTransfer(const platform::FormState& t);

// The command. Returns false when the user cancelled.
bool CmParameters(platform::WindowHandle window);
