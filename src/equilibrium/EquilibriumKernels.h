#pragma once
// The sedimentation-equilibrium profile of one ideal species, for every
// loaded scan at that scan's own rotor speed and temperature: the Boltzmann
// distribution in the centrifugal potential,
//   c(r) = N exp(Mb omega^2 (r^2 - r_ref^2) / (2 R T)),
// with the buoyant molar mass Mb = M (1 - vbar rho), normalised so that the
// species' mean over the sector between meniscus and bottom (weighted by r,
// the sector's cross-section) is its loading concentration c0. It is the
// equilibrium counterpart of a Lamm-equation solution and goes where the
// Lamm kernels go: a column of a continuous distribution's kernel, the
// current species' signal on the common grid, or added to the scans' model.
//
// The exponent is taken relative to the end of the cell where the profile
// is highest (the bottom for a sedimenting, the meniscus for a floating
// species) and the normalisation uses expm1, so that neither overflows for
// large buoyant masses at high speed: the peak value is c0 x / (1 - e^-x)
// with x the exponent's span over the cell, about c0 x.

#include "lamm/FluorescenceDetectionRecord.h"

// The column of a continuous distribution's kernel that a kernel fills:
// Kernel[GridPoint][scan][1..points], with room for PointCapacity points per
// scan.
struct KernelColumnTarget {
  float*** Kernel = nullptr;
  int GridPoint = 0;
  int PointCapacity = 0;
  // Evaluate at each scan's own radii instead of the common grid (while
  // synthetic data are computed from a distribution).
  bool AtScanRadii = false;
};

// Mb omega^2 / (2 R T) per unit Mb, 1/(g/mol cm^2), at a scan's rotor speed
// (rpm) and temperature (deg C).
double EquilibriumExponentFactor(float rpm, float temperatureC);

// The equilibrium profile of a species of buoyant molar mass Mb (g/mol; zero
// or negative allowed) and loading c0 (signal units), for every scan in time
// order. The destination follows the current model: a continuous model
// writes the column target (overwriting; Kernel must be given); otherwise, in
// the linear-concentration mode or while time-invariant noise is fitted, the
// current species' SpeciesBasis on the common grid (overwritten); otherwise
// the profile is added to each scan's ScanModel at the scan's radii. Then the
// detector's corrections: the radial magnification gradient, the excitation
// shadow at the bottom, and either the radial smearing of absorbance scans
// (when radial resolution is simulated) or the cone convolution of
// fluorescence detection. A key press sets ComputationAbort; every scan is
// still computed. Needs Meniscus < Bottom.
void EqExponentialKernel(double Mb, double c0, const KernelColumnTarget& column,
                         const FluorescenceDetectionRecord& detection);
