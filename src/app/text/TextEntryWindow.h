#pragma once
// A window for a longer text than a one-line entry box takes (an amino-acid
// sequence, say): a resizable multi-line editor, optionally filled with a
// starting text. The caller waits until the user closes it; the main window
// keeps being served meanwhile.

#include <cstddef>
#include <string>

// Shows the editor and leaves the text in `text` when it closes: the edited
// text, or the starting text (empty without one) when the editor was closed
// without taking the edit. At most capacity - 1 characters are kept, as a
// buffer of `capacity` with its terminator would. Always returns true.
bool RunTextEntryWindow(std::string& text, std::size_t capacity, bool hasStartingText,
                        const std::string& startingText);

// The first `count` characters of a UTF-8 text (a character is never split).
std::string FirstCharacters(const std::string& text, std::size_t count);
