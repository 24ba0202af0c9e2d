#pragma once
// The menu commands that switch the corrections of fluorescence detection
// on and off and ask their values, one correction each, and the dialog
// "Tools For Fitting Fluorescence AUC data" that edits all of them at once.
// The values live in CorrectionOptions.Fluorescence; the models and fits read
// them there.

#include "platform/FormDialog.h"

class TXLAWindow;
class CommandTable;

void CmSignalRadialConvolution(TXLAWindow& window);
void CmJohnstonOgstonDepletion(TXLAWindow& window);
void CmExcitationShadowAtBottom(TXLAWindow& window);
void CmSignalMagnificationDriftWithTime(TXLAWindow& window);
void CmSignalMagnificationRadialGradient(TXLAWindow& window);
void CmNonlinearDetection(TXLAWindow& window);
void CmFloToolBox(TXLAWindow& window);

// The dialog's controls, its state filled from the settings, the check of
// OK, and the settings taken from an accepted state.
platform::FormRequest FloToolForm(TXLAWindow& window);
void ApplyFloToolState(TXLAWindow& window, const platform::FormState& state);

// The dialog's kept entries (its transfer record): cleared at start.
void InitFloToolSettings();

void RegisterFluorescenceCommands(CommandTable& table);
