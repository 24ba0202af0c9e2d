#pragma once
// The finite-element bands of the global-state Lamm solver: the mass bands M
// and the transport bands K that the solver combines into its Crank-Nicolson
// systems M -+ (dt/2) K, for the sector-shaped cell and for the non-sector
// geometries (linear Lamm equation, external loading cell, the numerically
// integrated linear cell, linear force for electrophoresis), and the total
// loading of the cell for the progress text.
//
// Galerkin weak form with linear hat functions phi_i on the grid r[1..N]:
//   sector:     M_ij = int phi_i phi_j r dr,
//               K_ij = w int phi_i' phi_j r^2 dr - D int phi_i' phi_j' r dr,
//               w = omega^2 s 1e-13 (1/s);
//   non-sector: M_ij = int g phi_i phi_j dx,
//               K_ij = f int g x phi_i' phi_j dx - D int g phi_i' phi_j' dx
//               (electrophoresis: f int g phi_i' phi_j dx), f = GeometryForce,
// with the cross-section g(x) of the geometry. Row i is the test function.
// All bands are one-based arrays of the global work arrays: l[i] = (i, i-1),
// d[i] = (i, i), u[i] = (i, i+1). User-interface thread only.

// The run state of the global-state engine, kept between runs; every run
// sets it up anew (except the depletion probe of a resting species).
struct GlobalLammEngineRecord {
  bool TruncationActive = false;      // dynamic truncation runs in this run
  bool EndGrowthActive = false;       // the last active node grows with the boundary
  int TruncationStart = 1;            // first active node
  int TruncationEnd = 0;              // last active node
  double TruncationThreshold = 0.0;   // truncation level times the loading
  int TruncationStartCap = 0;         // floor(0.95 N)
  int EndGrowthStep = 0;              // floor(0.1 N)
  double InitialPlateau = 0.0;        // c[1] at the start of the run
  double PlateauConcentration = 0.0;  // plateau beyond the last active node
  double PlateauTime = 0.0;           // s, last plateau update under a speed ramp
  double SedimentationRate = 0.0;     // omega^2 s 1e-13, 1/s
  int DepletionProbeNode = 1;         // node watched by the depletion stop test
  float DepletionStopLevel = 0.0f;
  int StepTroubleCount = 0;     // shortest steps and early negative values in one step
  double LastSystemStep = 0.0;  // s: dt of the Crank-Nicolson bands
  int BuiltSize = 0;            // node count of the current bands
  int LargestBuiltSize = 0;     // largest node count since the last full build
  bool BandsChanged = false;    // M or K changed since the Crank-Nicolson bands
  double GeometryForce = 0.0;   // f of the non-sector geometries
};

extern GlobalLammEngineRecord GlobalLammEngine;

// The external loading cell: the sample column ends on a layer of oil in a
// bottom whose cross-section narrows linearly.
struct ExternalLoadingCellRecord {
  float OilVolume = 0.01f;        // mL, "enter volume of oil used in run [ml]"
  double TaperLength = 0.0373;    // cm
  double TaperNarrowing = 0.311;  // relative loss of cross-section over the taper
  double TaperVolume = 0.0121;    // mL
  double CellWidth = 0.32;        // cm
  double CellPathLength = 1.2;    // cm
  double OilHeight = 0.0;         // cm, computed
  double TaperStart = 0.0373;     // cm, computed
};

extern ExternalLoadingCellRecord ExternalLoadingCell;

// Three bands of a tridiagonal matrix.
struct TridiagonalBands {
  double* l = nullptr;
  double* d = nullptr;
  double* u = nullptr;
};

// The engine's arrays in the main block of the global work arrays: the
// profile at the start of the step, the right-hand side, M, K, the left
// system M - (dt/2) K, and the stored factorisation of the left system.
struct GlobalLammWorkArrays {
  double* OldTotalSignal = nullptr;
  double* RightHandSide = nullptr;
  TridiagonalBands Mass;
  TridiagonalBands Transport;
  TridiagonalBands LeftSystem;
  double* PivotArray = nullptr;
  double* MultiplierArray = nullptr;
};
GlobalLammWorkArrays GlobalLammWork();

// Sector cell: rows 1..min(m, N) of M and K, row m the last; BuiltSize and
// LargestBuiltSize become m, BandsChanged is set.
void BuildSectorMatrices(int m);
// Moves the last node of the sector system to m, re-forming only the rows
// that change unless m exceeds every node count since the last full build.
void ResizeSectorMatrices(int m);
// Non-sector geometry: all N rows.
void BuildGeometryMatrices();
// True when one of the non-sector geometries is chosen.
bool NonSectorGeometry();

// Amount of material in the cell (for the progress text): a 2-degree sector
// of 1.2 cm path length, or 1.2 times the weighted sum of the geometry.
double SectorTotalLoading();
double GeometryTotalLoading();

// Entries of the non-sector geometries, column a (or j) first, row b (or i)
// second; 0 for an index outside 1..N.
double LinearMassEntry(int a, int b);                // int phi_a phi_b dx
double LinearDiffusionEntry(int a, int b);           // int phi_a' phi_b' dx
double LinearSedimentationEntry(int a, int b);       // int x phi_a phi_b' dx
double LinearForceSedimentationEntry(int a, int b);  // int phi_a phi_b' dx
double LinearWeight(int i);  // 0.5 at the end nodes, 1 elsewhere (not times the spacing)
void ExternalLoadingSetup();
double ExternalLoadingMassEntry(int j, int i);
double ExternalLoadingDiffusionEntry(int j, int i);
double ExternalLoadingSedimentationEntry(int j, int i);
double ExternalLoadingWeight(int i);
// Chooses the entries of the current geometry (and sets up the loading cell).
void SelectGeometryWeight();
double GeometryMassEntry(int j, int i);
double GeometryDiffusionEntry(int j, int i);
double GeometrySedimentationEntry(int j, int i);
double GeometryWeight(int i);
