#pragma once
// QtGui needs an application object before it can render text. Batch runs
// and tests have no window and no main-loop owner, so the drawing layer makes
// one itself on first use, on the "offscreen" platform unless the
// environment chose another: no display server is needed.

namespace platform::qt {

// Creates the application object when none exists yet; it lives until the
// program ends (or EndGuiApplication). Also makes sure the DejaVu faces are known.
void EnsureGuiApplication();
// The same for the desktop window: the platform the environment names, or
// Qt's own default (a display) when it names none. Whichever of the two runs
// first decides; the desktop backend therefore asks before anything draws.
void EnsureDesktopApplication();
// Destroys the application object made here (if any) now, not among the
// static objects at exit, where parts of the toolkit it needs may already
// be gone. Every window, backend and canvas must be gone before.
void EndGuiApplication();
// The end of a program on the toolkit, in the one safe order: the installed
// backend (with its windows' toolkit objects) first, then the application
// object; nothing of the program's may use the toolkit afterwards.
void EndToolkit();

}  // namespace platform::qt
