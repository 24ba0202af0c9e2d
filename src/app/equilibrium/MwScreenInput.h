#pragma once
// What the main window's mouse and key handlers hand to the Mw/M* screen
// while it is open. Each returns at once (false) while the screen is closed.

class TXLAWindow;
class CommandTable;

// A left click at (x, y) in thousandths of the client width and height: the
// first panel button hit gets the click. True when one did.
bool MwScreenLeftClick(TXLAWindow& window, float x, float y);
// A right-button drag from column leftX to rightX (pixels) wider than 10
// pixels: sets the basis whose drag is pending. True when one was.
bool MwScreenRightDrag(TXLAWindow& window, int leftX, int rightX);
// Esc: ends a pending basis drag and closes the screen. True when it was open.
bool MwScreenEscape(TXLAWindow& window);
// Meniscus, bottom or a fit limit was moved with the cursor lines: recompute.
void MwScreenLinesMoved(TXLAWindow& window);

void RegisterEquilibriumScreenCommands(CommandTable& table);
