#pragma once
// The model-parameter dialog: one set of 55 controls (ids 401-455) serves
// the dialogs of every model. Each model shows the controls it uses, with
// its own labels (ParamsBoxLayout); all controls exchange their entries
// with one transfer record that lives for the whole run, so entries a model
// neither fills nor reads keep what they held. Numbers travel as texts of
// at most 14 characters.

#include <string>
#include <vector>

#include "state/ModelSelection.h"
#include "platform/FormDialog.h"

// The transfer record of the dialog, kept between calls.
extern platform::FormState ParamsBoxTransfer;

// Initial values: check boxes of every component on, concentration and s
// fitted; the constant initial distribution; TI noise and the Claverie
// simulations ticked; every edit empty.
void InitParamsBoxTransfer(platform::FormState& transfer);

// Control ids of component k (1..4): on, concentration fitted, M or D
// fitted, s fitted, and the three edits concentration, M or D, s.
inline int ComponentOnId(int k) { return 401 + 7 * (k - 1); }
inline int ConcentrationFitId(int k) { return 402 + 7 * (k - 1); }
inline int MassOrDFitId(int k) { return 403 + 7 * (k - 1); }
inline int SedFitId(int k) { return 404 + 7 * (k - 1); }
inline int ConcentrationId(int k) { return 405 + 7 * (k - 1); }
inline int MassOrDId(int k) { return 406 + 7 * (k - 1); }
inline int SedId(int k) { return 407 + 7 * (k - 1); }

enum ParamsBoxControl : int {
  kExperimentalInitial = 429,
  kConstantInitial = 430,
  kTINoiseFit = 431,
  kBaselineFit = 432,
  kBaseline = 433,
  kMeniscusFit = 434,
  kMeniscus = 435,
  kBottomFit = 436,
  kBottom = 437,
  kToleranceEntry = 438,
  kGridSizeEntry = 439,
  kStepEntry = 440,
  kClaverieSimulations = 441,
  kAutoMethod = 442,
  kModelEntry = 443,
  kMoveHat = 444,
  kAutoSHat = 445,
  kFixedDt = 446,
  kRINoiseFit = 455,
};

// The dialog of a model: its resource number (0: the model shows none),
// its title and its controls.
struct ParamsBoxLayoutInfo {
  int resource = 0;
  std::string title;
  std::vector<platform::FormItem> items;
};
ParamsBoxLayoutInfo ParamsBoxLayout(ModelKind kind, bool massForm);

// Whether column 4 holds the word "buffer" (a discrete species model with
// the buffer-mismatch option).
bool BufferColumnShown(ModelKind kind);

// The dialog's refusal of OK: DLS data with s and D of one component both
// floated, a non-positive invariant D, and entries that are not numbers of
// their sign ("Invalid Entry", caption "Input Error", with the error sound).
platform::FormRefusal ParamsBoxCheck(const platform::FormState& state);
// The check of one model's dialog: ParamsBoxCheck, then, where the dialog
// shows a distribution grid, a resolution of at least 2 points and a lower
// grid limit below the upper one.
platform::FormCheck ParamsBoxCheckFor(std::vector<platform::FormItem> items);
