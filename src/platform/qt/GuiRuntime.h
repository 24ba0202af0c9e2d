#pragma once
// QtGui needs an application object before it can render text. Batch runs
// and tests have no window and no main-loop owner, so the drawing layer makes
// one itself on first use, on the "offscreen" platform unless the
// environment chose another: no display server is needed.

namespace platform::qt {

// Creates the application object when none exists yet; it lives until the
// program ends. Also makes sure the DejaVu faces are known.
void EnsureGuiApplication();
// The same for the desktop window: the platform the environment names, or
// Qt's own default (a display) when it names none. Whichever of the two runs
// first decides; the desktop backend therefore asks before anything draws.
void EnsureDesktopApplication();

}  // namespace platform::qt
