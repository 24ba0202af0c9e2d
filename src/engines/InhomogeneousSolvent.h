#pragma once
// A macromolecule sedimenting in an inhomogeneous solvent: the solvent is
// compressed by the centrifugal pressure (a static gradient), or a small
// co-solute such as a salt sediments and builds a density and viscosity
// gradient while the run goes on (a dynamic gradient), or both. Relative to
// water at 20 degrees Celsius the local s of a macromolecule is
// s20,w * ViscosityFactor * BuoyancyFactor and its local D is
// D20,w * ViscosityFactor, with
//   ViscosityFactor = eta_w / eta(r)
//   BuoyancyFactor  = (1 - vbar_b rho(r)) / (1 - VBAR rho_w)
// (eta_w = STANDARDVISCOSITY, rho_w = StandardWaterDensity). This file holds
// the settings of that model, the solvent's density and viscosity as series in
// the co-solute molarity, the per-node factors on the engines' grid and the
// finite-element integrals that carry them into the Lamm equation (the
// formulas themselves are in lamm/SolventFactors.h, shared with the solver
// object CLammIdeal). Program-wide; user-interface thread only.

#include <string>

#include "numerics/OneBasedArrays.h"

class CLammIdeal;

struct InhomogeneousSolventSettingsRecord {
  // The model's on switch is InhomogeneousSolventOn (state/ModelParameters.h).
  bool CompressibleSolvent = false;  // "compressible solvent (static gradient)"
  // "sedimenting cosolute (dynamic gradient)"; CosoluteOn is set and
  // cleared together with it. The two modes exclude each other.
  bool SedimentingCosolute = false;
  bool CosoluteOn = false;
  double SolventCompressibility = 0.0;  // 1/MPa (entered in units of 1e-4/MPa)
  // At 1 atm; in the co-solute mode at the loading concentration.
  float DensityAt1atm = 0.99823f;     // g/ml
  float ViscosityAt1atm = 0.001002f;  // Pa s (entered in poise)
  float RelativeViscosity = 1.0f;     // ViscosityAt1atm / STANDARDVISCOSITY
  float SolvatedVbar = 0.0f;          // "vbar (macromolecule including solvation)"; 0: VBAR
  // The partial specific volume of the local buoyancy: SolvatedVbar in the
  // co-solute mode, VBAR otherwise.
  float BuoyancyVbar = 0.73f;
  // In the co-solute mode the solvent is compressed as well (water's
  // compressibility, 0.0004591 1/MPa, replaces SolventCompressibility).
  int AddWaterCompressibility = 0;
  bool WaterCompressibilityOn = false;
  // Series of the solvent's viscosity and density in the co-solute molarity
  // (read from the VISCOSITY(c) and DENSITY(c) files); count 0: not loaded.
  OneBasedArray<double> ViscosityCoefficients;
  int ViscosityCoefficientCount = 0;
  OneBasedArray<double> DensityCoefficients;
  int DensityCoefficientCount = 0;
  bool StandardConditionsApplied = false;  // the entered s and D are for standard conditions
  // A solvent given by its values at meniscus and bottom (handed on to the
  // solver object CLammIdeal with the rest of the record).
  bool LinearSolventGradient = false;
  double DensityAtMeniscus = 0.99823, DensityAtBottom = 0.99823;        // g/ml
  double ViscosityAtMeniscus = 0.001002, ViscosityAtBottom = 0.001002;  // Pa s

  // The sedimenting co-solute (engines/CosoluteSolver.h).
  bool CosoluteNonideal = false;  // off: "ideally sedimenting cosolute"
  bool CosoluteCsCl = false;      // built-in CsCl s(c) and D(c) (with CosoluteNonideal only)
  double CosoluteS = 0.2;         // S
  double CosoluteD = 3e-6;        // cm^2/s
  double CosoluteLoading = 1.5;   // M
  int CosoluteGridSize = 50;      // "radial grid size"
  bool CosolutePlot = false;
  bool CosoluteSave = false;
  std::string CosoluteFileName;
  // Series of the co-solute's s(c) and D(c) (the NONIDEAL s(c) and D(c) files).
  OneBasedArray<double> CosoluteSCoefficients;
  int CosoluteSCoefficientCount = 0;
  OneBasedArray<double> CosoluteDCoefficients;
  int CosoluteDCoefficientCount = 0;
  std::string CosoluteSFile = "snonid.dat";
  std::string CosoluteDFile = "dnonid.dat";
  // The files of DensityCoefficients and ViscosityCoefficients.
  std::string DensityFile = "density.dat";
  std::string ViscosityFile = "viscosity.dat";
};

extern InhomogeneousSolventSettingsRecord InhomogeneousSolventSettings;

inline constexpr double CsClMolarMass = 168.4;             // g/mol
inline constexpr double WaterCompressibility = 0.0004591;  // 1/MPa

// The per-node arrays of the engines' grid, each [1..AllocatedSize].
struct InhomogeneousSolventWorkRecord {
  int AllocatedSize = 0;
  OneBasedArray<double> ViscosityFactor;  // eta_w / eta(r_i)
  OneBasedArray<double> BuoyancyFactor;   // (1 - vbar_b rho(r_i)) / (1 - VBAR rho_w)
  OneBasedArray<double> CosoluteAtGrid;   // M
  OneBasedArray<double> PressureDensity;  // g/ml, the compressed solvent
};

extern InhomogeneousSolventWorkRecord InhomogeneousSolventWork;

// Viscosity (Pa s) of the solvent at co-solute molarity c: eta_w (p1 +
// p2 1e-3 sqrt(c) + p3 1e-2 c + p4 1e-3 c^2 + p5 1e-4 c^3), as many terms as
// there are coefficients (at most five); eta_w without coefficients.
double CosoluteViscosity(double c);
// Density (g/ml): p1 + p2 1e-3 sqrt(c) + p3 1e-2 c + p4 1e-3 c^2 +
// p5 1e-4 c^3 + p6 1e-6 c^4 (at most six terms); rho_w without coefficients.
double CosoluteDensity(double c);

// Density of a solvent of density rho0 at 1 atm and compressibility kappa
// (1/MPa) under the rotor's hydrostatic pressure,
// P_i = rho0 1000 omega^2 (r_i^2 - m^2) / 2 (converted to MPa), m the
// meniscus: out[i] = rho0 / (1 - kappa P_i) for i = 1..n. omega is the speed
// of the first loaded scan (the run's speed when none is loaded).
void CompressedDensityProfile(double* out, const double* radii, int n, double rho0, double kappa);

// Allocates the factor arrays for the grid radii[1..n] (anew when n
// changed) and fills them for the start of a run: the compressed solvent,
// the solvent of the co-solute's loading concentration (with the water's
// compression when that is on), or factors of 1.
void SolventGradientFactors(const double* radii, int n);
// Refills the factors from the current co-solute profile (co-solute mode
// only, and only when the profile and the factor arrays exist).
void UpdateSolventFactors(const double* radii, int n);

// The s (S) in the experimental solvent of a species of s20w under standard
// conditions.
double StandardToSolventS(double s20w);

// Convert the model's entered s and D (or M) of components 1..NCOMP between
// the experimental solvent and standard conditions (water at 20 degrees
// Celsius), and the buffer values of SolventConditions with them. D scales
// with the viscosity, s with viscosity and buoyancy; a molar mass follows
// from the Svedberg equation in the new solvent. D or M values <= 0 become 0.
void ToStandardConditions();
void ToExperimentalConditions();

// Element integrals with the factors interpolated linearly between the nodes
// of r[1..n], n = min(count, AllocatedSize); 0 for an index outside 1..n or
// |i - j| > 1. The end rows keep their single element.
double FactorDiffusionIntegral(int i, int j, const double* r,
                               int count);  // int r f phi_i' phi_j' dr
double FactorSedimentationIntegral(int i, int j, const double* r,
                                   int count);  // int r^2 f g phi_i' phi_j dr
// The bottom's open-boundary terms: r_n f_n / (r_n - r_{n-1}) and r_n^2 f_n g_n.
double BottomDiffusionTerm(const double* r, int count);
double BottomSedimentationTerm(const double* r, int count);

// Hands the inhomogeneous solvent (and its sedimenting co-solute) to a solver
// object, after its SetSolvent.
void ConfigureSolverSolvent(CLammIdeal& solver);
