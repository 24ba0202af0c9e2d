#include "app/options/OptionBoxes.h"

#include "app/options/PreferenceFile.h"
#include "app/window/TXLAWindow.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

namespace {

platform::BoxAnswer ShowBox(TXLAWindow& window, const std::string& text, const std::string& caption,
                            platform::BoxIcon icon, platform::BoxButtons buttons) {
  const bool wasBusy = window.DialogBusy;
  window.DialogBusy = true;
  const platform::BoxAnswer answer =
      platform::Current().ShowMessageBox({window.Handle(), text, caption, icon, buttons});
  window.DialogBusy = wasBusy;
  return answer;
}

}  // namespace

bool AskYesNoBox(TXLAWindow& window, const std::string& text, const std::string& caption,
                 platform::BoxIcon icon) {
  return ShowBox(window, text, caption, icon, platform::BoxButtons::YesNo) ==
         platform::BoxAnswer::Yes;
}

void ShowOkBox(TXLAWindow& window, const std::string& text, const std::string& caption,
               platform::BoxIcon icon) {
  ShowBox(window, text, caption, icon, platform::BoxButtons::Ok);
}

void ShowStopBox(TXLAWindow& window, const std::string& text) {
  PlayErrorSound();
  ShowBox(window, text, "ERROR", platform::BoxIcon::Error, platform::BoxButtons::Ok);
}

bool EnterNumberBox(TXLAWindow& window, float& value, float start, const char* prompt,
                    const char* caption) {
  const bool wasBusy = window.DialogBusy;
  window.DialogBusy = true;
  const bool ok = InputFloatIn(window.Handle(), value, start, true, prompt, caption);
  window.DialogBusy = wasBusy;
  return ok;
}

void OfferToSavePreference(TXLAWindow& window, int index, int value) {
  if (AskYesNoBox(window, "save as default setting?", "SET PREFERENCE"))
    WritePreferenceEntry(window, index, value);
}
