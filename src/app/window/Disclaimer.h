#pragma once
// The About box with the warranty disclaimer. Whether the user has agreed
// is ProgramOptions.DisclaimerAgreed, kept in the preference file; the box is
// shown at start until the user agrees.

class TXLAWindow;

// Shows the About box: the program's name and version and the disclaimer,
// answered with "agree" (Yes) or "don't agree" (No). True on "agree".
bool ShowAboutBox(TXLAWindow& window);
