#include "app/commands/RegularizationCommands.h"

#include <array>

#include "app/commands/CommandTable.h"
#include "app/commands/DistributionCommands.h"
#include "app/options/OptionBoxes.h"
#include "app/options/PreferenceFile.h"
#include "app/window/TXLAWindow.h"
#include "state/DistributionSettingsRecords.h"

namespace {

// Menu items of the codes 1 to 4.
constexpr std::array<int, 4> kRegularizationItems = {295, 294, 1118, 642};

// Entry (0-based) of the regularisation in the preference file.
constexpr int kRegularizationEntry = 9;

void ChooseRegularization(TXLAWindow& window, int code) {
  if (CurrentRegularizationCode() == code) return;
  SelectRegularizationCode(code);
  CheckRegularizationMarks(window);
  if (AskYesNoBox(window, "save new regularization as default setting?", "SET PREFERENCE"))
    WritePreferenceEntry(window, kRegularizationEntry, code);
}

}  // namespace

int CurrentRegularizationCode() {
  const RegularizationTypeRecord& r = DistributionSettings.RegularizationType;
  if (r.BothRegularizations) return kRegularizationBoth;
  if (r.MaxEntRegularizationOn) return kRegularizationMaxEnt;
  if (r.SecondDerivativeRegularization) return kRegularizationSecondDerivative;
  if (r.TP3Regularization) return kRegularizationWeightedThirdDerivative;
  return 0;
}

bool SelectRegularizationCode(int code) {
  if (code < kRegularizationMaxEnt || code > kRegularizationBoth) return false;
  RegularizationTypeRecord& r = DistributionSettings.RegularizationType;
  r.MaxEntRegularizationOn = code == kRegularizationMaxEnt;
  r.SecondDerivativeRegularization = code == kRegularizationSecondDerivative;
  r.TP3Regularization = code == kRegularizationWeightedThirdDerivative;
  r.BothRegularizations = code == kRegularizationBoth;
  return true;
}

int RegularizationMenuId(int code) {
  return kRegularizationItems[static_cast<std::size_t>(code - 1)];
}

void CheckRegularizationMarks(TXLAWindow& window) {
  const int current = CurrentRegularizationCode();
  for (int code = 1; code <= 4; ++code)
    window.CheckMenuItem(RegularizationMenuId(code), code == current);
}

void CmRegularizationBy2ndDerivative(TXLAWindow& window) {
  ChooseRegularization(window, kRegularizationSecondDerivative);
}

void CmRegularizationByWeighted3rdDerivative(TXLAWindow& window) {
  ChooseRegularization(window, kRegularizationWeightedThirdDerivative);
}

void CmRegularizationByMaxEnt(TXLAWindow& window) {
  ChooseRegularization(window, kRegularizationMaxEnt);
}

void CmShowBothRegularizations(TXLAWindow& window) {
  ChooseRegularization(window, kRegularizationBoth);
}

void RegisterRegularizationCommands(CommandTable& table) {
  table.Add(294, &CmRegularizationBy2ndDerivative, true, "CmRegularizationBy2ndDerivative");
  table.Add(1118, &CmRegularizationByWeighted3rdDerivative, true,
            "CmRegularizationByWeighted3rdDerivative");
  table.Add(295, &CmRegularizationByMaxEnt, true, "CmRegularizationByMaxEnt");
  table.Add(642, &CmShowBothRegularizations, false, "CmShowBothRegularizations");
  table.Add(836, &CmTransformToS20wDistribution, false, "CmTransformToS20wDistribution");
  table.Add(525, &CmTransformSDistributionToRDistribution, true,
            "CmTransformSDistributionToRDistribution");
  table.Add(271, &CmSaveContinuousDistribution, true, "CmSaveContinuousDistribution");
  table.Add(266, &CmFitTimeDependentSM, true, "CmFitTimeDependentSM");
}
