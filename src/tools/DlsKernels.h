#pragma once
// What a diffusing species contributes to a light-scattering autocorrelation
// function: its field autocorrelation decays as exp(-D q^2 tau) over the lag
// time tau, with the scattering vector q = 4 pi n sin(theta/2) / lambda of
// each measurement (refractive index n, scattering angle theta, laser
// wavelength lambda in vacuum). These kernels stand in for the Lamm-equation
// solutions when the loaded data are DLS data, and write where those go: a
// column of a continuous distribution's kernel, the current species' signal
// on the common grid, or added to the scans' model. Lags are held as log10
// of the lag time in seconds, on the common grid and in each scan's radius
// array.

// What the caller sets before each call.
struct DlsKernelInputs {
  double D = 0.0;          // diffusion coefficient of the grid point or species, cm^2/s
  double Amplitude = 1.0;  // A
  // Cumulant analysis: mean diffusion coefficient (cm^2/s) and the second
  // and third central moments of the D distribution, (cm^2/s)^2 and ^3.
  double MeanD = 0.0;
  double Mu2 = 0.0;
  double Mu3 = 0.0;
  // The continuous distribution's kernel Kernel[GridPoint][scan][1..points],
  // with room for PointCapacity points per scan.
  float*** Kernel = nullptr;
  int GridPoint = 0;
  int PointCapacity = 0;
  // Evaluate at each scan's own lags instead of the common grid (while
  // synthetic data are computed from a distribution).
  bool AtScanRadii = false;
  // The scans (positions in time) of the time-course column.
  int FirstScan = 1;
  int LastScan = 0;
};

// The scattering vector in 1/m for a refractive index, an angle in degrees
// and a wavelength in m.
double DlsScatteringVector(float refractiveIndex, float angleDegrees, float wavelength);

// The species' decay for every loaded scan. Under a continuous DLS
// distribution (I(Rh) or I(D)) it fills the kernel column, which needs field
// autocorrelations g(1): at the first scan holding g(2) - 1 it shows "no field
// ACF in DLS distribution model", stops and returns false, the scans before
// keeping their columns. Otherwise (discrete models, whatever form the data
// have) it overwrites the current species' signal on the common grid in the
// linear-concentration mode or while time-invariant noise is fitted, or adds
// to the scans' model; the cumulant analysis uses the cumulant expansion
// about MeanD. A D of 0 or less decays at once: the amplitude at the first
// point only (at the scans' own lags the kernel column evaluates the
// exponential for any D). True when every scan was written.
bool DLSKernel(const DlsKernelInputs& in);

// The kernel column of the time-course model over the scans FirstScan ..
// LastScan: always the continuous branch on the common grid, g(1) required
// as above. A key press sets ComputationAbort; the loop goes on.
bool DLSKernelColumn(const DlsKernelInputs& in);
