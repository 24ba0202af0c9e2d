#include "app/window/Disclaimer.h"

#include <string>

#include "app/window/TXLAWindow.h"
#include "platform/Platform.h"
#include "resources/AppStrings.h"

bool ShowAboutBox(TXLAWindow& window) {
  DialogBusyScope busy(window);
  platform::BoxRequest box;
  box.owner = window.Handle();
  box.caption = AboutCaption;
  box.text = std::string(ProgramName) + "\nversion " + ProgramVersion + "\n\n" + DisclaimerText +
             DisclaimerQuestion;
  box.icon = platform::BoxIcon::Information;
  box.buttons = platform::BoxButtons::YesNo;
  return platform::Current().ShowMessageBox(box) == platform::BoxAnswer::Yes;
}
