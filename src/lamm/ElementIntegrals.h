#pragma once
// Integrals of products of linear hat functions over a radial grid, weighted
// by r (the sector geometry) or r^2 (the centrifugal force), in closed form.
// They are the entries of the Galerkin matrices of the Lamm equation: the
// first index is the test function of the row, so entry (i, j) is row i,
// column j.
//
// The hat phi_i is 1 at node i and 0 at every other node, non-zero only on
// the elements [r_{i-1}, r_i] and [r_i, r_{i+1}] that exist; phi_i' is +-1 over
// the element length. An integral over the grid is a sum over the (at most
// two) elements that carry all its hats, and 0 when the indices share none.
// An index outside 1..n gives 0.

// A grid of hat functions borrowed from the solver: node radii (cm)
// Radius[1..GridSize], ascending, one-based.
struct HatGrid {
  const double* Radius = nullptr;
  int GridSize = 0;
};

// The solver grid read as equally spaced: elements of width ElementWidth,
// measured from the radius of the node of the first index, so that on an
// exactly equal grid the results agree with the general members.
struct EqualHatGrid {
  const double* Radius = nullptr;
  int GridSize = 0;
  double ElementWidth = 0.0;
};

// The equally spaced view of the solver grid between meniscus and bottom:
// ElementWidth = (bottom - meniscus)/(gridSize - 1), 0 for fewer than two
// nodes. The solver keeps this width in its ElementWidth field.
EqualHatGrid MakeEqualHatGrid(const double* radius, int gridSize, double meniscus, double bottom);

// Equally spaced grid (n = GridSize).
// int r phi_i phi_j
double MassIntegralEqual(const EqualHatGrid& grid, int i, int j);
// int r phi_i' phi_j' phi_k
double DiffusionTripleEqual(const EqualHatGrid& grid, int i, int j, int k);
// int r^2 phi_i' phi_j phi_k
double SedimentationTripleEqual(const EqualHatGrid& grid, int i, int j, int k);
// int r phi_i phi_j phi_k
double MassTripleEqual(const EqualHatGrid& grid, int i, int j, int k);

// Solver grid cut at the truncation index a: node min(a, GridSize) is the
// last node (its hat keeps only its left element); indices above it give 0.
// int r phi_i
double LumpedWeight(const HatGrid& grid, int i, int a);
// int r phi_i phi_j
double MassIntegral(const HatGrid& grid, int i, int j, int a);
// int r phi_i' phi_j'
double StiffnessIntegral(const HatGrid& grid, int i, int j, int a);
// int r^2 phi_i' phi_j
double SedimentationIntegral(const HatGrid& grid, int i, int j, int a);

// Frame grid of the moving-frame solver (n = GridSize, no truncation). The
// frame-motion members weight with v(r), the radial speed of a frame point
// over the frame rate: the linear interpolation of the node speeds r_i of the
// inner nodes and 0 at the two end nodes, which stay where they are. So v = r
// on inner elements, r_2 R on the first and r_{n-1} L on the last element.
// int r phi_i
double PinnedFrameLumpedWeight(const HatGrid& frame, int i);
// int r phi_i phi_j
double PinnedFrameMassIntegral(const HatGrid& frame, int i, int j);
// int r phi_i' phi_j'
double PinnedFrameStiffnessIntegral(const HatGrid& frame, int i, int j);
// int r^2 phi_i' phi_j
double PinnedFrameSedimentationIntegral(const HatGrid& frame, int i, int j);
// -int r v phi_i phi_j'
double PinnedFrameTermIntegral(const HatGrid& frame, int i, int j);
// -int r v phi_i phi_k phi_j'
double PinnedFrameTermTriple(const HatGrid& frame, int i, int j, int k);
// -int r v phi_i (phi_j phi_k)'
double PinnedFrameTermProductIntegral(const HatGrid& frame, int i, int j, int k);
// int r phi_i phi_j phi_k
double PinnedFrameMassTriple(const HatGrid& frame, int i, int j, int k);
// int r^2 phi_i' phi_j phi_k
double PinnedFrameSedimentationTriple(const HatGrid& frame, int i, int j, int k);
// int r phi_i' phi_j' phi_k
double PinnedFrameDiffusionTriple(const HatGrid& frame, int i, int j, int k);
// int r phi_i' (phi_j phi_k)' = int r phi_i' phi_j' phi_k + int r phi_i' phi_j phi_k'
double PinnedFrameDiffusionProductIntegral(const HatGrid& frame, int i, int j, int k);

// Entry (i, j), |i - j| <= 1 inside the grid, of four frame-grid matrices at
// once, equal bit for bit to the single members: PinnedFrameMassIntegral,
// PinnedFrameStiffnessIntegral, PinnedFrameSedimentationIntegral (i, j) and
// the transposed PinnedFrameTermIntegral (j, i).
struct FrameEntryIntegrals {
  double Mass, Stiffness, Sedimentation, Term;
};
FrameEntryIntegrals PinnedFrameEntry(const HatGrid& frame, int i, int j);


// The seven (j, k) pairs of row i of the three-hat bands, as offsets from i,
// in the order the concentration-dependent integral arrays keep them:
// diffusion integrals of pair p in array p, sedimentation ones (times
// w^2 1e-13) in array 7 + p.
inline constexpr int kPairOffsets[7][2] = {{-1, -1}, {0, -1}, {-1, 0}, {0, 0}, {1, 0}, {0, 1}, {1, 1}};
