#pragma once
// The work arrays of the global-array Lamm engines (GlobalLammArrays) and
// their radial grid: allocation for the grid size in use
// (LammSolverSettings.LammGridSize) and the current model and algorithm, the
// grid of each finite-element algorithm (geometric for the moving hat,
// uniform or optimised for Claverie's fixed grid, cell centres otherwise),
// the stretch of an optimised grid towards the equilibrium profile at the
// bottom, and the automatic grid size of a species from its boundary width.
// A failed allocation frees everything and reports 0; it never ends the
// program.

// Allocates what is missing (nothing when the arrays exist), checks that the
// blocks the model and algorithm need are there, and builds the grid.
// 1 on success; 0 after freeing everything.
int AllocSimulationArrays();
// Nothing and 0 when the arrays do not exist; otherwise frees them, sets the
// grid size in use to n and allocates again.
int ResizeSimulationArrays(int n);
void FreeSimulationArrays();

// Builds LammRadius[1..N] for the current algorithm between meniscus and
// bottom (only when the arrays exist, the data are not light-scattering
// data and the cell is known: 0 < meniscus < bottom).
void MakeRadialGrid();

// An optimised fixed grid for a boundary that has reached rb (cm) at the
// left fit limit: uniform steps of the current spacing up to rb, then steps
// growing towards the bottom. Reallocates the arrays for the points that
// takes (at least 50) and returns the new grid size.
int OptimizedGridFromRadius(double rb);

// Stretches an optimised grid towards the bottom where a species of reduced
// buoyant molar mass a = M_b omega^2 / (2 R T) (1/cm^2) approaches
// sedimentation equilibrium, so that its steep profile there is resolved.
// 1 when it stretched the grid.
int EquilibriumGridStretch(double a);
// Bottom minus the end of the grid extended from StretchStartIndex with
// intervals growing by the ratio x (the root function of the stretch).
double GrowthRatioResidual(double x);

// The automatic grid size of a species of sedimentation coefficient s (S)
// and diffusion coefficient D (cm^2/s): enough points per width of its
// boundary at the left fit limit, within the dynamic limits; sets the
// back-diffusion and truncation switches of the species and reallocates.
void ChooseSpeciesGridSize(float s, float D);
// Set for a species whose frictional ratio is implausibly small (below 0.5):
// the fixed-grid engine then keeps the whole grid.
extern bool TruncationOffForSpecies;

// The co-solute arrays of an inhomogeneous solvent for a grid of n points
// (tables: the block of tabulated properties as well); the first array is a
// uniform grid from meniscus to bottom. 1 on success, 0 after freeing.
int AllocCosoluteArrays(int n, bool tables);
void FreeCosoluteArrays();
