#pragma once
// The grid of a continuous distribution: the s (or M, Stokes radius, D)
// value of every grid point, the f/f0 dimension of the s x f/f0 models, the
// default priors, and the kernel and normal-equation arrays sized for the
// grid. Logarithmic grids may keep linear spacing below a minimum s, so
// that small species are not crowded with points.
//
// Every array here is one-based: element i (1..n) is grid point i, element 0
// is unused.

#include <functional>
#include <vector>

#include "state/ModelSelection.h"

// What the grid step makes besides the grid values of DistributionResult.
struct DistributionGridRecord {
  // Prior per grid point, 0.01 unless the prior step replaces it, and the
  // prior step's own vector.
  std::vector<double> PriorProbabilities;
  std::vector<double> PriorWork;
  // The s x f/f0 models, point k + (j − 1)·n for s index k and f/f0 index j:
  // s, f/f0, M, D (cm^2/s) and Stokes radius (nm) of every point.
  std::vector<float> Grid2DS, Grid2DFf0, Grid2DM, Grid2DD, Grid2DStokesRadius;
  // The f/f0 values and their priors.
  std::vector<float> Ff0Values, Ff0PriorProbabilities;
  // Largest s that can still be seen in the fit range (set by each run).
  float MaxObservableS = 0.0f;
  // The grid point being converted; read by the kernel column routines.
  int CurrentGridIndex = 0;
  float CurrentGridMass = 0.0f;
  // Points of the last mixed linear/logarithmic grid trial.
  int MixedGridPointCount = 0;
};

extern DistributionGridRecord DistributionGrid;

// The settings of the last grid build that decide whether the kernel of an
// s x f/f0 model can be kept, and the values of the fit-limit check.
struct GridBuildMemoryRecord {
  float Resolution = 0.0f, Smin = 0.0f, Smax = 0.0f, Ff0Min = 0.0f, Ff0Max = 0.0f;
  float Ff0GridCount = 0.0f;
  int Grid2DSize = 0;
  bool Saved = false;
  // omega^2 x 1e-13 of the last scan, the s values at the fit limits and the
  // boundary position of the largest s in the last scan.
  double Omega2Last = 0.0, SLeftLimit = 0.0, SRightLimit = 0.0, SmaxBoundary = 0.0;
};

extern GridBuildMemoryRecord GridBuildMemory;

// Services of other parts of the analysis that the grid step calls when they
// are installed: the distribution plot, the prior step, the M(s) table of
// the c(s) model with an M(s) table, and the mean field of the non-ideal
// c(s) model. Without an installed M(s) table or mean field those models
// are refused with a message; the others are simply skipped.
struct GridServicesRecord {
  std::function<void()> ClearDistributionPlots;
  std::function<void()> BuildDistributionPlot;
  std::function<void()> MakePriorProfile;
  std::function<bool()> LoadMsTable;
  // Molar mass (g/mol) of the M(s) table at a sedimentation coefficient (S).
  std::function<double(double)> MsTableMolarMass;
  std::function<bool()> PrepareNonidealMeanField;
};

extern GridServicesRecord GridServices;

// Kinds of grid.
bool IsTwoDimensionalModel(ModelKind kind);  // s x f/f0
bool IsMolarMassGridModel(ModelKind kind);   // the c(M) family: the grid is M
bool IsLightScatteringModel(ModelKind kind);

// Number of grid points the settings ask for (before a file grid).
int RequestedGridPointCount(ModelKind kind);

// Builds the grid: values, priors, the fit-limit check of the ls-g*(s)
// models, the distribution plot, the kernel and the normal-equation arrays.
// False when the user declined a warning, the grid has fewer than two
// points, the sdist file was unreadable, a flotation file grid had fewer
// than two negative values, an allocation failed, nothing is loaded, or a
// service the model needs is not available.
bool MakeContiGrid();

// The grid values alone (grid size, grid vectors, priors and the s x f/f0
// arrays), without the fit-limit check and the allocations. False as
// MakeContiGrid for the grid itself.
bool MakeGridPoints();

// Whether the s x f/f0 grid and kernel must be made again; sets
// Grid2DRebuild for the models it decides.
bool Grid2DChanged();

// out[1..count]: linear below s0, spacing growing in proportion to s above
// it; the plain logarithmic grid for s0 <= smin; the linear grid for 10 or
// fewer points or limits that allow neither.
void MakeLogGrid(float* out, float smin, float smax, float s0, int count);

// One trial of the mixed grid in r[1..capacity] with nlin linear points
// from smin to smax: the number of points produced, or −1 when s0 lies
// beyond the work array. firstIndexOut receives the last linear index.
int MixedGridPoints(float* r, int capacity, int nlin, float smin, float smax, float s0,
                    int* firstIndexOut);

// out[1..count] = exp of count values equally spaced from ln|a| to ln|b|.
void LogGrid(float* out, float a, float b, int count);

// out[1..count] equally spaced from first to last, both ends exact; a single
// point is first.
void EqualSpacing(float* out, float first, float last, int count);
