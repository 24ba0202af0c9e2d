#pragma once
// What single models put into the parameter dialog beyond the generic
// table, take back from it and ask afterwards. An entry that a model
// borrows for a setting of its own is restored after the dialog, so the
// generic read-back does not turn it into a parameter.

#include <map>
#include <string>

#include "state/ModelSelection.h"
#include "platform/FormDialog.h"
#include "platform/Platform.h"

class ModelEntries {
 public:
  ModelEntries(platform::WindowHandle window, ModelKind kind) : window_(window), kind_(kind) {}
  // Fills the model's own entries (the generic fill has run).
  void BeforeDialog(platform::FormState& t);
  // After Cancel: the borrowed entries get their texts back.
  void Cancelled(platform::FormState& t);
  // After OK, before the generic read-back: takes the model's own entries
  // and restores the borrowed ones.
  void AfterDialog(platform::FormState& t);
  // After the generic read-back: the model's corrections and prompts.
  void AfterReadBack(const platform::FormState& t);
  // False when the grid settings were refused (the command then shows the
  // dialog again with the corrected settings).
  bool GridSettingsAccepted();
  // The last steps (external mean-field files).
  void Finish();

 private:
  // The non-ideal and hindered models (their own file).
  void BeforeNonidealDialog(platform::FormState& t);
  void AfterNonidealDialog(platform::FormState& t);
  void AfterNonidealReadBack(const platform::FormState& t);
  // The Wiener skew switch (entry 441) and its set-up table.
  void TakeWienerSkewing(const platform::FormState& t);

  void Borrow(platform::FormState& t, int id, std::string text);
  void BorrowTick(platform::FormState& t, int id, int on);
  void Restore(platform::FormState& t);

  platform::WindowHandle window_;
  ModelKind kind_;
  std::map<int, std::string> savedTexts_;
  std::map<int, int> savedTicks_;
  bool plotChoiceChanged_ = false;
  bool calibrationFailed_ = false;
  // Generic slots the non-ideal c(s) entries must not overwrite.
  int keptMassOrDFitted2_ = 0;
};

// Entry texts and ticks as numbers, and the numeric prompt of the follow-ups.
namespace model_entries {
double Number(const platform::FormState& t, int id);
int Tick(const platform::FormState& t, int id);
float Prompt(const char* caption, const char* label, float value);
}  // namespace model_entries

// The grid check of the continuous models: a logarithmic grid needs
// positive limits (unless flotation data allow negative ones), and the
// c(s,ff0) models an f/f0 range and more than one f/f0 value. Corrects the
// setting with its message and returns false when something was wrong.
bool bCofSff0(platform::WindowHandle window);
