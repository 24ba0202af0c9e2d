#pragma once
// Qt's key events in the program's terms: the classic virtual-key numbers of
// platform::key, the character a key types, and the modifiers held.

#include <QKeyEvent>

#include "platform/Platform.h"

namespace platform::qt {

// The virtual-key code of a Qt key, or 0 for keys the program has no code
// for (they still type their character).
int VirtualKey(int qtKey, bool keypad);
// The character code a key press types (a control character for control
// combinations, as the classic character message gives it), or 0.
int TypedCharacter(const QKeyEvent& event);
// A key event as a key message of `window`: wparam the virtual key, lparam
// the character, with the modifiers.
Message KeyMessage(const QKeyEvent& event, WindowHandle window);

}  // namespace platform::qt
