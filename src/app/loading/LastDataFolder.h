#pragma once
// The folder of the last loaded data, kept in "taluvo.ini" beside the
// program (one line of text without a line end), so that the next file
// dialog starts there.

#include <string>

class TXLAWindow;

// Records the folder of path: a folder (the first entry of a multiple
// selection, or the folder line of a list) is kept whole, with one trailing
// '/'. Nothing happens when the file cannot be created.
void WriteLastDataFolder(TXLAWindow& window, const std::string& path);
// The recorded folder up to and including its last '/' into destination;
// destination stays as it was when the file cannot be opened.
void ReadLastDataFolder(TXLAWindow& window, std::string& destination);
