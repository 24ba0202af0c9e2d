#pragma once
// The boxes of the loading code: an error with its own caption, preceded by
// the error sound, and a yes/no question.

#include <string>

#include "platform/Platform.h"

void ShowLoadError(platform::WindowHandle owner, const std::string& text,
                   const std::string& caption = "LOAD ERROR");
bool AskYesNo(platform::WindowHandle owner, const std::string& text, const std::string& caption);

// printf-style formatting into a string of the needed length.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
