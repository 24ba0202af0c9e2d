#pragma once
// The Lamm equation of a small sedimenting co-solute (typically a salt such as
// CsCl) that builds the density and viscosity gradient of an inhomogeneous
// solvent while a macromolecule sediments in it. The co-solute lives on a
// uniform grid of its own (the co-solute arrays of GlobalLammArrays) and is
// advanced in step with the macromolecule's engine: the engine sets
// CosoluteTimeRef to its time before a step, steps, and calls
// AdvanceCosoluteGradient, which carries the co-solute to the engine's new
// time GlobalLammRun.SimTime.
//
// Galerkin linear hats weighted by r, zero flux at both ends of the closed
// sector, Crank-Nicolson steps: M dc/dt = A c with
//   A(i,j) = omega^2 1e-13 s int r^2 phi_i' phi_j dr - D int r phi_i' phi_j' dr.
// An ideal co-solute has constant s and D and reuses the factorisation of
// M - (dt/2) A while dt stays the same; a non-ideal one has s(c) and D(c)
// (built in for CsCl at 25 degrees Celsius, or series from two files),
// interpolated linearly between the nodes, and takes a predictor and a
// corrector step. Settings: InhomogeneousSolventSettings. A zero pivot sets
// GlobalLammRun.TridiagError and keeps the profile of the step's start.
// User-interface thread only.

#include <string>

#include "numerics/OneBasedArrays.h"

// The co-solute arrays (indices into CosoluteArray; each [1..N]).
enum CosoluteArrayIndex {
  kCosoluteRadius = 0,
  kCosolute,           // current concentration, M
  kCosoluteOld,        // at the start of the step
  kCosolutePredicted,  // predictor of a non-ideal step
  kCosoluteRhs,
  kCosoluteMassL,
  kCosoluteMassD,
  kCosoluteMassU,
  kCosoluteOperatorL,
  kCosoluteOperatorD,
  kCosoluteOperatorU,
  kCosoluteLeftL,  // M - (dt/2) A
  kCosoluteLeftD,
  kCosoluteLeftU,
  kCosoluteRightL,  // M + (dt/2) A
  kCosoluteRightD,
  kCosoluteRightU,
  kCosolutePivots,
  kCosoluteRatios,
  kCosoluteLocalS,  // S, non-ideal co-solute
  kCosoluteLocalD,  // cm^2/s, non-ideal co-solute
  kCosoluteScratch,
};

// The smallest co-solute grid: the profile's resampling onto the
// macromolecule's grid needs five points.
inline constexpr int MinimumCosoluteGridSize = 5;

struct CosoluteStateRecord {
  double CosoluteTimeRef = 0.0;         // s: the engine's time before its step
  double CosoluteStepSize = 0.0;        // s
  double CosolutePrevStep = 0.0;        // s
  double CosoluteFactorizedStep = 0.0;  // s: dt of the stored factorisation
  bool FactorizationValid = false;      // the stored factorisation belongs to the current bands
  double CosoluteNonidealStep = 0.0;    // s
  double BandRpm = 0.0;                 // rotor speed the bands were made for
  bool NonidealRun = false;             // the run's co-solute is non-ideal
};

extern CosoluteStateRecord CosoluteState;

// The co-solute's grid and current profile (null before InitCosoluteGradient)
// and their point count.
const double* CosoluteRadius();
const double* CosoluteProfile();
int CosolutePointCount();

// Allocates the arrays, loads the co-solute (none in the loading band of a
// zone-centrifugation run) and builds its matrices for the run's speed.
// False when the grid size is below MinimumCosoluteGridSize (after an error
// box) or the arrays cannot be allocated.
bool InitCosoluteGradient();
// Advances the co-solute from CosoluteTimeRef to GlobalLammRun.SimTime.
void AdvanceCosoluteGradient();

// CsCl at 25 degrees Celsius, c in M: s in S and D in cm^2/s.
double CsClSedCoeff(double c);
double CsClDiffCoeff(double c);
// p[1] + p[2] c + ... + p[k] c^(k-1); 0 for a null p or k < 1.
double PolynomialOfC(const double* p, int k, double c);
// Frees both s(c) and D(c) series and, unless CsCl is built in, reads them
// from their files (one value per line; the folder of the program for a
// bare file name).
void LoadCosoluteNonidealTables();
// Reads a series of coefficients (one value per line; the folder of the
// program for a bare file name) into p[1..count]; both stay as they were
// when the file cannot be read.
void ReadSeries(const std::string& name, OneBasedArray<double>& p, int& count);
