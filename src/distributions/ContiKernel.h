#pragma once
// The kernel of a continuous distribution: for every grid point the signal
// that one species of that point's s and D would give at unit loading
// concentration, in every scan, at every radius of the common radial grid.
// Because the Lamm equation is linear in the loading concentration, the
// data are then modelled as the kernel columns times non-negative
// amplitudes.
//
// RunSVContiSedList fills all columns at once: one master solver is set up
// exactly as a single-species simulation of the loaded scans would be, with
// c0 = 1, and the list runner solves one Lamm equation per grid point on
// LammThreadCount workers, each writing straight into its grid point's rows
// of DistKernel. A column may stay zero (a species whose boundary has left
// the fit range before the first scan); the solvers downstream take zero
// columns.
//
// Two mapping routines take a column that another engine computed, and
// StepBoundaryKernel gives the boundary of a species without diffusion in
// closed form.

#include "state/ModelSelection.h"
#include "platform/Platform.h"

class CLammIdeal;

// The kernel's column 1 is the sedimenting buffer of the buffer-mismatch
// model rather than a grid species: the model is on and the kernel is one
// of Lamm solutions on the common grid (not light scattering, equilibrium,
// electrophoresis, the s x f/f0 grids, or the non-ideal c(s), which refuses
// buffer signals).
bool BufferTermInKernel(ModelKind kind);
// The buffer's amplitude is a fixed value rather than solved with the
// distribution.
bool BufferAmplitudeFixed(ModelKind kind);

// Sets up the master of a kernel list: one species at c0 = 1 with
// everything of a simulation of the loaded scans (geometry, numerics,
// solvent, start time, speed profile, scan-time offset), output into
// DistKernel on the common radial grid; the ideal model unless a derived
// solver brings its own. The window (none: nothing drawn) shows the list's
// status line over the data plot.
void ConfigureKernelMaster(platform::WindowHandle window, CLammIdeal& master, double s, double D,
                           bool idealModel);

// Fills DistKernel columns 1..n for all scans from the species s[i] (S),
// D[i] (cm²/s) and vbar[i] (ml/g), i = 1..n, and reports solver errors
// (ReportSimulationError). The run continues with whatever the kernel holds
// after a solver error; a key press leaves ComputationAbort set. The
// ls-g*(v) model of electrophoresis gets its diffusion-free boundaries in
// the linear column. Returns false, after the message "the kernel of the
// c(v) model (a moving boundary of constant D in the linear electrophoresis
// geometry) is not available in this version" (caption "ERROR"), for the
// c(v) model, whose diffusing boundary in that column has no solver here;
// nothing is computed then and ComputationAbort is set, so that no
// all-zero distribution is reported as a result.
bool RunSVContiSedList(platform::WindowHandle window, int n, const double* s, const double* D,
                       const double* vbar);

// Resamples one solution (radii[1..count] in cm, values[1..count]) into
// kernel column DistributionGrid.CurrentGridIndex of scan `scan`: onto the
// common radial grid, or onto the radii of scan 1 when a model signal is
// simulated from a distribution. For absorbance data with the radial
// resolution of the scanner simulated, the column is then averaged over the
// radial window.
void MapLammColumnToScan(int scan, const double* radii, const double* values, int count);
// The same, adding the resampled values to the column, without averaging.
void MapLammColumnToGrid(int scan, const double* radii, const double* values, int count);

// A species without diffusion: what its boundary depends on.
struct StepBoundarySetup {
  double Meniscus = 0.0, Bottom = 0.0;  // cm
  // s ω² (1/s) for sedimentation (s × ω² × 1e-13); for electrophoresis the
  // velocity in cm/s. Positive: sedimenting; zero or negative: floating.
  double SOmega2 = 0.0;
  bool Electrophoresis = false;  // the boundary moves linearly, undiluted
  // The scanner passes radius r at (r − meniscus)/velocity after the scan's
  // time ("simulate time resolution").
  bool FiniteScanTime = false;
  double ScanVelocity = 0.0;  // cm/min
  // Zone loading: a lamella of this width on top of the meniscus.
  bool BandLoading = false;
  double LamellaWidth = 0.0;  // cm
  // Absorbance scans averaged over a radial window on transmission.
  bool RadialResolution = false;
  float RadialRange = 0.0f;  // cm
  // A compressible solvent: density and viscosity grow with the pressure
  // of the liquid column, which slows the species towards the bottom.
  bool CompressibleSolvent = false;
  double Compressibility = 0.0;  // κ, 1/bar as the solvent model gives it
  double DensityAt1Atm = 1.0;    // ρ0, g/ml
  double ViscosityAt1Atm = 1.0;  // relative viscosity η0
  double WaterDensity = 0.99823;
  double Vbar = 0.73;  // ml/g
  double Rpm = 0.0;    // rotor speed of the last scan
  double S = 0.0;      // Svedberg, for the compressible solvent
};

// The setup of the loaded data and model for a species of s ω² (or
// electrophoretic velocity) sOmega2 and sedimentation coefficient s (S):
// meniscus, bottom, zone loading, finite scan time and radial resolution of
// absorbance data, the solvent, the speed of the last scan.
StepBoundarySetup CurrentStepBoundarySetup(double sOmega2, double s);

// out[1..count] = the boundary of one species at time t (s) on radii[1..count]
// (cm, ascending) with plateau amplitude a before radial dilution: zero on
// the meniscus side of a sedimenting boundary, zero on the bottom side of a
// floating one, a band between the transported edges of the lamella.
void StepBoundaryKernel(const StepBoundarySetup& setup, double amplitude, double t,
                        const float* radii, float* out, int count);
