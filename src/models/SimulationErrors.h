#pragma once
// Services that the discrete simulations and the global-array Lamm engines
// share while they run: the messages of the solver's result codes, the step
// callback that hands the profile to the scans at their times (assembling a
// scan slice by slice when the scanner's finite speed is simulated), the
// rotor speed during the simulated acceleration, and the test whether
// back-diffusion from the bottom can be neglected. User-interface thread
// only.

#include <functional>

#include "platform/Platform.h"

// Turns a result code of CLammIdeal::Solve into the user's message and the
// error words of GlobalLammRun: 1 no arrays, 2 discretisation failure (shown
// once per fit, every time outside fits), 3 singular tridiagonal matrix, 5 a
// slow first acceleration (the low-speed questions), 6 non-ideality
// parameters, 7 non-ideality out of range; 0, 4 (reported by the solver
// itself) and any other code: nothing.
void ReportSimulationError(platform::WindowHandle window, int code);

// Called by every global-array engine after each time step with a value of
// its own (shown as "ri=..."). At a scan's time it polls the keyboard, hands
// LammConcentration to the scan (directly into ScanModel or into the
// species' basis on the common grid) and moves on to the next scan; after
// the last one it stops the engine (KeepRunning 0).
void LammStepCallback(double value);

// Rotor speed (rpm) over the step t..t+dt during the simulated initial
// acceleration: the root mean square of the ramp speeds at both ends, never
// above the final speed. Clears Accelerating once t reaches the end of the
// acceleration, or at once for an acceleration shorter than 10 s.
double AccelerationPhaseRpm(double t, double dt);

// True when back-diffusion from the bottom can be neglected for a species
// of s (S) and D (cm^2/s): with the shut-off on, its sedimentation
// equilibrium at the speed and temperature of the last scan would leave less
// than the shut-off level at the right fit limit (relative to the loading),
// or it is steep beyond any doubt. Never for floating or static species.
bool BackDiffusionShutOffTest(double s, double D);

// Progress lines of the callback window (nothing without one).
void ShowIterationText();
void ShowTimeStepText();
void ShowSimTimeText();
void ShowRadiusText(double value);

// The Lamm numerics dialog, which the low-speed questions open; the main
// window installs it. Until then it does nothing.
extern std::function<void(platform::WindowHandle)> OpenLammNumericsDialog;
// Stores a finished profile (scan, radii[1..n], profile[1..n], n) as a kernel
// column of the c(M) distribution; the distribution analysis installs it.
extern std::function<void(int, const double*, const double*, int)> StoreLammColumnForKernel;
