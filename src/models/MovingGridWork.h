#pragma once
// The run-local workspace of the moving-grid engine and the pieces of one
// Crank-Nicolson solve: element integrals of a row, local coefficients, and
// the assembly and solution of the tridiagonal system. Only the engine's own
// sources use these.

#include <vector>

#include "models/MovingGridEngine.h"

namespace moving_grid {

// The element integrals of one Galerkin row i on the reference grid. Pairs
// (i, j) are stored by offset j - i + 1 in 0..2; the triple integrals (i, j,
// l) of the nodes l shared with both i and j by MovingGridTriple below.
struct MovingGridRow {
  double Mass[3] = {};  // int phi_i phi_j r dr
  // Motion(j, i) = -int phi_j phi_i' S r dr, S the grid velocity over k.
  double MotionT[3] = {};
  double Sed[7] = {};   // int phi_i' phi_j phi_l r^2 dr
  double Diff[7] = {};  // int phi_i' phi_j' phi_l r dr
};

// The seven (j - i, l - i) pairs of a row's triple integrals.
inline constexpr int kTripleColumn[7] = {-1, -1, 0, 0, 0, 1, 1};
inline constexpr int kTripleNode[7] = {-1, 0, -1, 0, 1, 0, 1};

// What the concentration laws need, with the linear constants of the run.
struct MovingGridModel {
  MovingGridLaw Law = MovingGridLaw::LinearNonideal;
  double s1 = 0.0, s2 = 0.0;  // S
  double D1 = 0.0, D2 = 0.0;  // cm^2/s
  double Ka = 0.0;
  double Ks = 0.0, Kd = 0.0;
  bool AssociationNonideal = false;  // the monomer-dimer's hydrodynamic ks
};

// Vectors of n + 2 values: index 0 and n + 1 stay 0 so that a row's
// neighbours can be read at both ends.
struct MovingGridWorkspace {
  explicit MovingGridWorkspace(int n);

  int N;
  MovingGridModel Model;
  std::vector<MovingGridRow> Rows;  // rows 3..N-2, fixed for the run
  std::vector<double> Frame;        // the reference radii with moved end nodes
  std::vector<double> Start, Trial, Rhs;
  // Coefficients of the current pass; the predictor's values and the
  // monomer-dimer's undivided s, kept for the corrector's average.
  std::vector<double> S, D, PlainS;
  std::vector<double> PredS, PredD, PredPlainS;
  std::vector<double> Lower, Diag, Upper, Gamma, Beta;
};

// The rows 3..N-2 on the reference grid MovingGridState.ReferenceRadius.
void StoreInteriorRows(MovingGridWorkspace& w);

// Local s and D of profile c into w.S, w.D (and w.PlainS).
void LocalCoefficients(MovingGridWorkspace& w, const double* c);
// The corrector's coefficients: the law at the trial profile averaged with
// the predictor's values (saved by SavePredictorCoefficients).
void SavePredictorCoefficients(MovingGridWorkspace& w);
void AveragedCoefficients(MovingGridWorkspace& w);

// One Crank-Nicolson solve of length dt from grid time tau (SimTime - t0)
// with the coefficients in w.S and w.D: (M_new - dt/2 F_new) out =
// (e_old/e_new)^2 (M_old + dt/2 F_old) w.Start. False after a zero pivot
// (out untouched).
bool SolveMovingGridStep(MovingGridWorkspace& w, double tau, double dt, double* out);

// The reference grid with its end nodes at the real meniscus and bottom of
// grid time tau (m e^-k tau, b e^-k tau), in w.Frame.
void PlaceFrameEnds(MovingGridWorkspace& w, double tau);

}  // namespace moving_grid
