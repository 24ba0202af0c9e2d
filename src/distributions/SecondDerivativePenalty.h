#pragma once
// The smoothness penalty of Tikhonov regularisation: RegularizedMatrix =
// NormalMatrix + alpha·DᵀD, D taking the second (or third) differences of the
// amplitudes along the distribution grid. Prior probabilities make the
// penalty act on the amplitudes relative to the prior.

#include "distributions/DistributionArrays.h"
#include "state/DistributionSettingsRecords.h"

enum class PenaltyKind { None, SecondDerivative, ThirdDerivative };

enum class PenaltyGeometry {
  // One-dimensional grid, penalised from grid point 1 to PointCount.
  Chain,
  // One-dimensional grid whose point 1 is a separate component (a discrete
  // species, the fitted buffer signal): penalised from point 2 on.
  ChainAfterFirst,
  // s × f/f0 grid: SliceCount slices of PointCount s values, s index j of
  // slice i at amplitude (i − 1)·PointCount + j; penalised along s in every
  // slice and along f/f0 at every s.
  Plane,
  // The same with s index 1 of slice 1 a discrete species: the s chain of
  // slice 1 starts at index 2 (the f/f0 chains keep it).
  PlaneAfterFirst,
};

struct PenaltySetup {
  PenaltyGeometry Geometry = PenaltyGeometry::Chain;
  // The one-dimensional penalty; the plane always gets second differences.
  PenaltyKind Kind = PenaltyKind::SecondDerivative;
  int PointCount = 0;  // N: grid points (1-D) or s points per slice (2-D)
  int SliceCount = 0;  // f/f0 values of the plane
  float Ff0Weight = 10.0f;
  // Prior per grid point (1-D) or per s index (2-D), 1-based; null when no
  // prior on s is in use. The maximum-entropy reference reads the same one.
  const double* Priors = nullptr;
  // Prior per f/f0 slice, 1-based; null when none.
  const float* Ff0Priors = nullptr;
  // Weights of the weighted third derivative per grid point, 1-based; null
  // outside a weighted pass (every weight 1).
  const double* TP3Weights = nullptr;
};

// The unknowns the penalty covers: PointCount, or PointCount·SliceCount.
int PenaltyUnknownCount(const PenaltySetup& setup);

// Entry (r, k) of DᵀD for a chain of L points (positions 1..L), D the
// second or third differences; 0 outside the band or the chain. Short chains
// (fewer than 4, resp. 6 points) keep the exact operator form, so the
// penalty stays symmetric and positive semi-definite.
double SecondDifferenceCoefficient(int chainLength, int r, int k);
double ThirdDifferenceCoefficient(int chainLength, int r, int k);
// The f/f0 direction in units of c = weight·alpha: second differences plus
// ten times a first difference at each end of the chain, which ties the
// outermost f/f0 values to their neighbours.
double Ff0DirectionCoefficient(int sliceCount, int r, int k);

// Copies the NormalMatrix block of the covered unknowns into
// RegularizedMatrix and adds alpha times the penalty; entries outside the
// block are left as they are. Alpha 0 gives the plain copy.
void AddSecondDerivativeMatrix(NormalEquationArrays& neq, const PenaltySetup& setup, double alpha);

// The penalty of one-dimensional models for the regularisation settings.
// The combined setting (BothRegularizations) runs a second-derivative pass
// before maximum entropy, so it gets the second derivative too.
PenaltyKind OneDimensionalPenalty(const RegularizationTypeRecord& type);
