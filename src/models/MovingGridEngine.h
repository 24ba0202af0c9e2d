#pragma once
// Lamm equation of one sedimenting species whose s and D depend on its local
// total concentration, on the moving-hat grid: a logarithmic radial grid whose
// interior nodes travel outward as r_i exp(k (t - t0)), k = omega^2 s_grid
// 1e-13, and are shifted back by one node whenever they have moved one grid
// interval, so the boundary rides on the grid. The concentration laws are the
// rapid self-association of monomer and dimer or trimer (instantaneous
// mass-action equilibrium: weight-average s, gradient-average D) and the
// linear non-ideality s = s1/(1 + ks c), D = D1 (1 + kd c); the hindered and
// the tabulated laws come from an installed coefficient source.
//
// Time steps are Crank-Nicolson with a predictor (coefficients of the profile
// at the start of the step) and a corrector (coefficients averaged over the
// start and the predicted profile). The step is fixed, a fraction "max dc/c"
// of the grid period; steps end exactly at scan times, at the end of the
// rotor's acceleration and at every shift of the grid.
//
// Works on the program-wide arrays: the profile in
// GlobalLammArrays.LammConcentration (in: the loading, out: the current
// profile), the radii in LammRadius, the reference radii, grid rate and grid
// time in MovingGridState; reads the species, clock and step bounds of
// GlobalLammRun and the model of SpeciesEngineParameters; hands every step to
// LammStepCallback. The run's matrices live in a workspace made at set-up and
// released at the end of the run. User-interface thread only.

#include <functional>

// How the local s and D follow the concentration.
enum class MovingGridLaw {
  MonomerDimer,
  MonomerTrimer,
  LinearNonideal,  // s1/(1 + ks c), D1 (1 + kd c)
  Installed,       // hindered or tabulated: MovingGridCoefficientSource
};

// The run state of the engine, set up anew by every run.
struct MovingGridEngineRecord {
  MovingGridLaw Law = MovingGridLaw::LinearNonideal;
  double GridS = 0.0;          // design s of the grid, S
  double GridRate = 0.0;       // k, 1/s
  double GridPeriod = 1e10;    // T_g, s: the time the interior nodes take for one interval
  double FixedStep = 1.0;      // s
  double OmegaSquared = 0.0;   // omega^2 1e-13 of the current rotor speed
  double StepLength = 0.0;     // length of the step in progress, s
  bool AtEquilibrium = false;  // the run ended by the equilibrium rule
  int RegridCount = 0;
  double TotalAmount = 0.0;  // amount in the sector after the last step, with ShowLoading
  // The refusal of a floating grid was shown during the current fit.
  bool RefusalShownInFit = false;
};

extern MovingGridEngineRecord MovingGridEngine;

// Local s (S) and D (cm^2/s) at nodes 1..n of a profile c[1..n] (one-based
// pointers) for the hindered and tabulated laws, whose functions belong to the
// solvent models; and the grid's design s at the loading concentration
// c0 for automatic s_grid. Installed by the layer that owns those models;
// while empty, such models are refused (NonidealityError).
struct MovingGridCoefficientSourceRecord {
  std::function<void(const double* c, double* s, double* D, int n)> LocalSD;
  std::function<double(double c0)> DesignS;
};

extern MovingGridCoefficientSourceRecord MovingGridCoefficientSource;

// The engine. Returns at once when the simulation arrays do not exist. Runs
// from GlobalLammRun.SimTime until KeepRunning is cleared (by the step
// callback after the last scan, or by the equilibrium rule), or until
// TridiagError (a zero pivot) or DiscretizationError (a step that left
// values that are no numbers; the step is undone) is set. A model it cannot simulate (a
// floating grid, s_grid < 0; a hindered or tabulated law without a source)
// is refused before the first step: a message, NonidealityError = 1, the
// profile untouched.
void RunMovingGridNonidealLamm();

// Amount of the current profile in a 2-degree sector of 1.2 cm path length,
// with the end nodes at their real positions of SimTime.
double MovingGridTotalAmount();

// Free monomer c1 of a monomer-trimer system of total c: the real root of
// Ka c1^3 + c1 = c (c <= 0 gives 0).
double MonomerTrimerFreeMonomer(double c, double Ka);
