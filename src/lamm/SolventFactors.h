#pragma once
// The solvent of an inhomogeneous-solvent model seen by a macromolecule:
// density and viscosity as series in the co-solute molarity, the density of a
// compressible solvent under the rotor's hydrostatic pressure, the local
// buoyancy factor, and the Galerkin element integrals that carry nodal
// viscosity and buoyancy factors into the Lamm equation. The factors are
//   f = eta_w / eta(r)                        (local D = D20,w f)
//   g = (1 - vbar' rho(r)) / (1 - vbar rho_w)  (local s = s20,w f g)
// with eta_w = STANDARDVISCOSITY and rho_w = StandardWaterDensity (water at
// 20 degrees Celsius). Pure functions of their arguments: the solver object
// and the global-array engines keep their own settings and factor arrays and
// share these formulas. Arrays are one-based, [1..n].

// Viscosity (Pa s) at co-solute molarity c: eta_w (p1 + p2 1e-3 sqrt(c) +
// p3 1e-2 c + p4 1e-3 c^2 + p5 1e-4 c^3), as many terms as there are
// coefficients (at most five); eta_w without coefficients.
double SolventViscosityAt(const double* p, int count, double c);
// Density (g/ml): p1 + p2 1e-3 sqrt(c) + p3 1e-2 c + p4 1e-3 c^2 +
// p5 1e-4 c^3 + p6 1e-6 c^4 (at most six terms); rho_w without coefficients.
double SolventDensityAt(const double* p, int count, double c);

// Density of a solvent of density rho0 at 1 atm and compressibility kappa
// (1/MPa) at radii[1..n] under the hydrostatic pressure of a rotor at rpm,
// P = rho0 1000 omega^2 (r^2 - m^2) / 2 (in MPa), m the meniscus:
// out[i] = rho0 / (1 - kappa P_i). kappa = 0 gives rho0 everywhere.
void CompressedDensities(double* out, const double* radii, int n, double rho0, double kappa,
                         double rpm, double meniscus);

// (1 - localVbar rho) / (1 - vbar rho_w).
double SolventBuoyancyFactor(double localVbar, double rho, double vbar);

// Element integrals on the grid r[1..n] with the nodal factors f and g
// interpolated linearly between the nodes and phi the linear hats (half hats
// at the end nodes); 0 for an index outside 1..n or |i - j| > 1.
// int r f phi_i' phi_j' dr, exact.
double ViscosityWeightedDiffusionIntegral(const double* f, const double* r, int n, int i, int j);
// int r^2 f g phi_i' phi_j dr, exact.
double FactorWeightedSedimentationIntegral(const double* f, const double* g, const double* r, int n,
                                           int i, int j);
// The open-boundary terms at the bottom node: r_n f_n / (r_n - r_{n-1}) and
// r_n^2 f_n g_n.
double ViscosityWeightedBoundaryTerm(const double* f, const double* r, int n);
double LocalSedimentationBoundaryTerm(const double* f, const double* g, const double* r, int n);
