#pragma once
// The About box with the warranty disclaimer, and whether the user has
// agreed to it (kept in the preference file; asked at start until agreed).

class TXLAWindow;

extern bool DisclaimerAgreed;

// Shows the About box: the program's name and version and the disclaimer,
// answered with "agree" (Yes) or "don't agree" (No). True on "agree".
bool ShowAboutBox(TXLAWindow& window);
