#pragma once
// The moving-hat Lamm engine: one ideal species on a finite-element grid
// whose interior nodes travel with a chosen sedimentation coefficient s_grid,
// r_i(t) = r0_i exp(k (t - t0)), k = omega^2 s_grid 1e-13, while the nodes at
// meniscus and bottom stay put. Once the moving nodes have advanced by one
// geometric grid interval the profile is shifted by one node and the grid
// returns to its reference position (re-gridding), so the boundary is carried
// by the grid and needs no fine steps. Time integration is Crank-Nicolson
// with a fixed step; when the step reaches the shift interval every regular
// step is one whole interval and uses one constant, prefactored system.
//
// In the reference frame (e = exp(k tau)) the weak form is taken in its
// conservative moving-grid form,
//   d(e^2 M c)/dt = e^2 F(tau) c,  F = -(D/e^2) K + sigma S + k A^T,
// with M, K, S, A the hat-function integrals on the reference grid (mass,
// stiffness, sedimentation, grid motion) and sigma = omega^2 s 1e-13; the
// columns of F sum to zero, so a closed cell keeps its amount exactly. Only
// the eight entries of the two end rows depend on tau, through the fixed end
// nodes, which lie at m/e and b/e in the reference frame.
//
// The engine works on the program-wide arrays: the profile in
// GlobalLammArrays.LammConcentration, the current radii in LammRadius, the
// reference radii in MovingGridState.ReferenceRadius, bands in the moving-hat
// block and the main block. It reads the species and the clock from
// GlobalLammRun and hands every step to LammStepCallback. The user's
// numerical settings are read only; every run works on its own copies.
// User-interface thread only.

#include "lamm/ElementIntegrals.h"

// The run state of the engine, set up anew by every run.
struct MovingHatEngineRecord {
  double GridS = 0.0;          // s_grid, S
  double StepTolerance = 1.0;  // the run's "max dc/c"
  double GridRate = 0.0;       // k, 1/s
  double SpeciesRate = 0.0;    // sigma, 1/s
  double GridRatio = 1.0;      // q = (b/m)^(1/(N-1))
  double ShiftTime = 1e10;     // T, s
  double FixedStep = 1.0;      // h, s
  bool ShiftStepMode = false;  // h reached T: regular steps are whole intervals
  bool FirstStep = false;      // step-state flags of the shift-step mode
  bool StartingUp = false;
  bool PartialInterval = false;
  bool CompletingInterval = false;
  bool FullInterval = false;
  int RegridCount = 0;
  bool GridOmegaFromFinalSpeed = false;
  // Set-up constants of the re-gridding: G_1, G_2, WL(2), WL(3) at the
  // meniscus, WR(N-2), WR(N-1), G_N-1, G_N at the bottom.
  double EndWeights[8] = {};
};

extern MovingHatEngineRecord MovingHatEngine;

// Simulates the current species from GlobalLammRun.SimTime until KeepRunning
// is cleared. Nothing happens with a speed-step profile coupled or without
// the moving-hat arrays. A singular system sets GlobalLammRun.TridiagError
// (after "Error 1 in tridag" or "Error 2 in tridag") and ends the run with
// the last good profile.
void RunMovingHatLamm();

// Element integrals of the engine on the reference grid (0 outside 1..N or
// for nodes that are no neighbours; row i is the test function):
double HatStiffnessIntegral(const HatGrid& grid, int i, int j);      // int phi_i' phi_j' r dr
double HatSedimentationIntegral(const HatGrid& grid, int i, int j);  // int phi_i' phi_j r^2 dr
double HatNetTransportIntegral(const HatGrid& grid, int i, int j);   // A_ij - S_ij

// Amount of material in a 2-degree sector of 1.2 cm path length.
double MovingHatTotalLoading();

// One step of the engine with its step-length choice; returns the value
// handed to the callback. Exposed for the tests.
double MovingHatStep();
