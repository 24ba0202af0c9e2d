#pragma once
// The modal boxes of the option and distribution commands, owned by the main
// window. While one is up the window is marked busy with a dialog, so that
// mouse and keys reaching it are ignored.

#include <string>

#include "platform/Platform.h"

class TXLAWindow;

// A yes/no question; true on yes.
bool AskYesNoBox(TXLAWindow& window, const std::string& text, const std::string& caption,
                 platform::BoxIcon icon = platform::BoxIcon::Question);
// A message with an OK button.
void ShowOkBox(TXLAWindow& window, const std::string& text, const std::string& caption,
               platform::BoxIcon icon = platform::BoxIcon::Information);
// The error sound, then a message captioned "ERROR" with the stop icon.
void ShowStopBox(TXLAWindow& window, const std::string& text);

// A number-entry box that starts at `start` and repeats until a number is
// entered; false on cancel (value unchanged).
bool EnterNumberBox(TXLAWindow& window, float& value, float start, const char* prompt,
                    const char* caption);

// Asks "save as default setting?" (caption "SET PREFERENCE"); on yes writes
// the value into entry index (0-based) of the preference file.
void OfferToSavePreference(TXLAWindow& window, int index, int value);
