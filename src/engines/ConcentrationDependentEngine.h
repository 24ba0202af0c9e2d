#pragma once
// Lamm equation of one component whose s and D depend on the local total
// concentration: the non-ideal and the hindered single species and the
// rapidly self-associating monomer-dimer, monomer-trimer, 1-2-4 and 1-4-8
// systems (local coefficients in engines/LocalSedimentation.h, whose law is
// chosen anew from the model's options at every run start).
//
// Linear finite elements on the evenly spaced grid of the global work
// arrays. With s(r) = sum_k s_k phi_k and D(r) = sum_k D_k phi_k the Galerkin
// form of the sector Lamm equation is M dc/dt = B c with
//   M_ij = int phi_i phi_j r dr,
//   B_ij = sum_k ( s_k omega^2 int phi_i' phi_j phi_k r^2 dr
//                - D_k int phi_i' phi_j' phi_k r dr ),
// so the triple integrals are formed once and every step only recombines
// them with the nodal coefficients. A step is a Crank-Nicolson predictor
// with the coefficients of the old profile, then, once the step length is
// accepted, a Crank-Nicolson corrector with the coefficients averaged over
// the old and the predicted profile. The step length is fixed or steered by
// the largest relative change of the profile.
//
// The dispatcher loads the profile into LammConcentration and sets the run
// record as for every global-array engine; the profile is handed to
// LammStepCallback after every step. Failures are left in the run's error
// words: TridiagError (zero pivot), DiscretizationError (negative values that
// ten halvings of the tolerance did not cure), NonidealityError (the run was
// refused: ks c0 above 1, or s(c) and D(c) series that could not be read; or
// 1 + k c vanished at a node). User-interface thread only.

// The engine's state of the current run.
struct ConcentrationDependentEngineRecord {
  // Run-local copies of the step tolerance ("max dc/c") and its 5 % and 20 %
  // companions: halvings last for the run, never for the user's setting.
  double Tolerance = 1.0;
  double Tolerance5 = 0.05;
  double Tolerance20 = 0.2;
  int HalvingCount = 0;
  double PredictorStep = 0.0;  // s, kept for the corrector
  // The step in progress ends on a scan time (StopTime, s).
  bool EndsOnStop = false;
  double StopTime = 0.0;
};

extern ConcentrationDependentEngineRecord ConcentrationDependentEngine;

// Simulates the current component from SimTime until KeepRunning is cleared
// or an error word is set.
void RunNonidealSingleSpeciesLamm();

// One step with step-length control; returns the relative change handed to
// the callback (1 for a step ending on a scan time, the step length for the
// first step).
double NonidealStep();

void NonidealPredictor(double dt);
void NonidealCorrector();
// Mass and triple-integral bands at the current rotor speed.
void NonidealAssemble();
// Rate bands B from the triple integrals and the nodal s and D.
void NonidealRateBands();
// Left system M - (dt/2) B.
void NonidealSystemBands(double dt);
// Largest relative change of the predicted profile against the old one.
double NonidealRelativeChange();
void NonidealAdvanceClock();
// Amount in a 2-degree sector of 1.2 cm path length.
double UniformGridTotalLoading();

// y = (M + (dt/2) B) x.
void TridiagProduct(double dt, const double* x, double* y, int n);
// Solves (M - (dt/2) B) x = y with the left system of NonidealSystemBands;
// a zero pivot sets TridiagError and leaves x untouched (false).
bool TridiagSolveChecked(const double* y, double* x, int n);
