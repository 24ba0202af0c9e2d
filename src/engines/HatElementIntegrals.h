#pragma once
// The element integrals of the engines that work on the program-wide grids:
// products of two or three linear hat functions (or their slopes) with powers
// of the radius, in closed form, one entry per call by node indices. The
// first index carries the slope where only one does: it is the test function
// of a Galerkin row.
//
// Two grids are read, both borrowed from the caller: the current grid of the
// global-state solver (its members take a last node m), and the reference
// grid of the moving-hat and reacting-system engines (its members end at the
// grid's last node N). The hat of node 1 and that of the last node are half
// hats. An index below 1 or past the last node gives 0, and so do indices
// whose hats share no element.
//
// The moving reference grid's interior nodes move in proportion to their
// radius while the end nodes stay put; S(r) = sum over the interior nodes l of
// r_l phi_l(r) is the grid velocity over the rate constant: r on interior
// elements, falling to 0 towards the two end nodes.

#include "lamm/ElementIntegrals.h"

// Current grid, cut at node min(m, N): node m's hat keeps only its left
// element and every index above m gives 0.
double HatWeightIntegral(const HatGrid& grid, int i, int m);             // int phi_i r dr
double GridMassIntegral(const HatGrid& grid, int i, int j, int m);       // int phi_i phi_j r dr
double GridDiffusionIntegral(const HatGrid& grid, int i, int j, int m);  // int phi_i' phi_j' r dr
double GridSedimentationIntegral(const HatGrid& grid, int i, int j,
                                 int m);  // int phi_i' phi_j r^2 dr

// Reference grid.
double HatElementIntegralC(const HatGrid& grid, int i);                // int phi_i r dr
double HatElementIntegralB(const HatGrid& grid, int i, int j);         // int phi_i phi_j r dr
double ReferenceDiffusionIntegral(const HatGrid& grid, int i, int j);  // int phi_i' phi_j' r dr
double ReferenceSedimentationIntegral(const HatGrid& grid, int i,
                                      int j);                   // int phi_i' phi_j r^2 dr
double HatElementIntegralA(const HatGrid& grid, int i, int j);  // -int phi_i phi_j' S r dr
double HatTripleMassIntegral(const HatGrid& grid, int a, int b,
                             int c);  // int phi_a phi_b phi_c r dr
double HatTripleIntegralA(const HatGrid& grid, int a, int b,
                          int c);  // int phi_a' phi_b phi_c r^2 dr
double HatTripleIntegralB(const HatGrid& grid, int a, int b,
                          int c);  // int phi_a' phi_b' phi_c r dr
double HatTripleDiffusionIntegral(const HatGrid& grid, int a, int b,
                                  int c);  // int phi_a' (phi_b phi_c)' r dr
double HatTripleMotionIntegral(const HatGrid& grid, int a, int b,
                               int c);  // -int phi_a (phi_b phi_c)' S r dr
