#pragma once
// What the dialogs of the solvent and buffer models share: an information
// box, a number in a dialog format, and an entry read back.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/FormDialog.h"
#include "platform/Platform.h"

namespace solvent_dialogs {

inline void Box(platform::WindowHandle window, const std::string& text, const char* caption) {
  platform::Current().ShowMessageBox(
      {window, text, caption, platform::BoxIcon::Information, platform::BoxButtons::Ok});
}

inline std::string Format(const char* format, double value) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

inline double Value(const platform::FormState& s, int id) {
  return std::atof(s.Text(id).c_str());
}

inline bool Ticked(const platform::FormState& s, int id) { return s.Checked(id) != 0; }

}  // namespace solvent_dialogs
