#pragma once
// A modal message box with an Ok button: the plain notice that computations
// give when they refuse or give up.

#include <string>

#include "platform/Platform.h"

inline void ShowBox(platform::WindowHandle window, const std::string& text,
                    const std::string& caption, platform::BoxIcon icon = platform::BoxIcon::None) {
  platform::Current().ShowMessageBox({window, text, caption, icon, platform::BoxButtons::Ok});
}
