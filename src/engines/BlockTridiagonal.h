#pragma once
// Block-tridiagonal systems with 2 x 2 blocks: two species coupled at every
// node of a finite-element grid (free A and free B of a reacting system),
// each node coupled to its neighbours only. Row i reads
//   Lower[i] x[i-1] + Diagonal[i] x[i] + Upper[i] x[i+1] = rhs[i],
// with Lower[1] and Upper[n] not read. Solved by the block form of the
// Thomas algorithm (no exchanges between nodes); each 2 x 2 pivot block is
// inverted in closed form after its determinant has been tested.

#include "numerics/OneBasedArrays.h"

struct Block2x2 {
  double m11 = 0.0, m12 = 0.0, m21 = 0.0, m22 = 0.0;
};

// The two unknowns of one node.
struct NodePair {
  double a = 0.0, b = 0.0;
};

struct BlockTridiagonalSystem {
  OneBasedArray<Block2x2> Lower, Diagonal, Upper;
  OneBasedArray<NodePair> Rhs;

  explicit BlockTridiagonalSystem(int n) : Lower(1, n), Diagonal(1, n), Upper(1, n), Rhs(1, n) {}
  int Size() const { return Diagonal.size(); }
};

// Solves the system in place: the solution replaces Rhs, Diagonal and Rhs
// hold the elimination afterwards. Returns 0, or the first node whose pivot
// block is singular (zero or non-finite determinant), tested before it
// divides; the system is then unusable.
int SolveBlockTridiagonal(BlockTridiagonalSystem& system);
