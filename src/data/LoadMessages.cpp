#include "data/LoadMessages.h"

#include <cstdarg>
#include <cstdio>

#include "ui/Sounds.h"

void ShowLoadError(platform::WindowHandle owner, const std::string& text,
                   const std::string& caption) {
  PlayErrorSound();
  platform::Current().ShowMessageBox(
      {owner, text, caption, platform::BoxIcon::Error, platform::BoxButtons::Ok});
}

bool AskYesNo(platform::WindowHandle owner, const std::string& text, const std::string& caption) {
  return platform::Current().ShowMessageBox(
             {owner, text, caption, platform::BoxIcon::Question, platform::BoxButtons::YesNo}) ==
         platform::BoxAnswer::Yes;
}

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int n = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string text(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0) std::vsnprintf(text.data(), text.size() + 1, format, again);
  va_end(again);
  return text;
}
