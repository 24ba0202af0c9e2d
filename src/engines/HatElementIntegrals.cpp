#include "engines/HatElementIntegrals.h"

// The integrals are those of the main solver's finite elements: the current
// grid with its last node is the solver's truncated grid, the reference grid
// is its frame grid with pinned end nodes, whose frame speed is S.

double HatWeightIntegral(const HatGrid& grid, int i, int m) {
  return LumpedWeight(grid, i, m);
}

double GridMassIntegral(const HatGrid& grid, int i, int j, int m) {
  return MassIntegral(grid, i, j, m);
}

double GridDiffusionIntegral(const HatGrid& grid, int i, int j, int m) {
  return StiffnessIntegral(grid, i, j, m);
}

double GridSedimentationIntegral(const HatGrid& grid, int i, int j, int m) {
  return SedimentationIntegral(grid, i, j, m);
}

double HatElementIntegralC(const HatGrid& grid, int i) {
  return PinnedFrameLumpedWeight(grid, i);
}

double HatElementIntegralB(const HatGrid& grid, int i, int j) {
  return PinnedFrameMassIntegral(grid, i, j);
}

double ReferenceDiffusionIntegral(const HatGrid& grid, int i, int j) {
  return PinnedFrameStiffnessIntegral(grid, i, j);
}

double ReferenceSedimentationIntegral(const HatGrid& grid, int i, int j) {
  return PinnedFrameSedimentationIntegral(grid, i, j);
}

double HatElementIntegralA(const HatGrid& grid, int i, int j) {
  return PinnedFrameTermIntegral(grid, i, j);
}

double HatTripleMassIntegral(const HatGrid& grid, int a, int b, int c) {
  return PinnedFrameMassTriple(grid, a, b, c);
}

double HatTripleIntegralA(const HatGrid& grid, int a, int b, int c) {
  return PinnedFrameSedimentationTriple(grid, a, b, c);
}

double HatTripleIntegralB(const HatGrid& grid, int a, int b, int c) {
  return PinnedFrameDiffusionTriple(grid, a, b, c);
}

double HatTripleDiffusionIntegral(const HatGrid& grid, int a, int b, int c) {
  return PinnedFrameDiffusionProductIntegral(grid, a, b, c);
}

double HatTripleMotionIntegral(const HatGrid& grid, int a, int b, int c) {
  return PinnedFrameTermProductIntegral(grid, a, b, c);
}
