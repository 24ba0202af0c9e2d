#pragma once
// The keys of the main window: any key stops a running computation; the
// arrows move the cursor line; Esc leaves whatever transient screen or
// pending action is active; Enter and Tab confirm, and carry out the
// confirmation of the keyboard cursor (the meniscus or the bottom, the
// reference meniscus, or a fit limit).

class TXLAWindow;

void HandleKeyDown(TXLAWindow& window, int key);
void HandleChar(TXLAWindow& window, int character);

// The keyboard cursor moves by this much per arrow key (cm).
inline constexpr double kKeyCursorStep = 0.0003;
