#pragma once
// Sedimentation velocity of two components A and B that bind into a complex
// AB in rapid, local equilibrium, A + B <-> AB with the binding constant
// K = 10^LogK: at every point the complex concentration is K a b, a and b
// being the free concentrations of A and B. Free A, free B and the complex
// each sediment and diffuse with their own s and D.
//
// Linear finite elements on a fixed geometric grid. The unknowns are the
// free concentrations at the nodes; the complex enters as the product of the
// two interpolants, so its mass and transport are three-hat integrals. The
// Galerkin form of the conservation law of all of A (free A plus complex),
//   d/dt [M a + K T_m(a, b)] + S_A a + K T_t(a, b) = 0,
// and of all of B alike, is stepped by Crank-Nicolson: each step is one
// nonlinear system for a and b together, solved by Newton passes on the
// 2 x 2 block-tridiagonal Jacobian. The columns of the transport operators
// sum to zero, so a closed sector cell keeps the amounts of A and of B to
// round-off.
//
// The engine works on the program-wide work arrays: its own arrays in the
// reacting block, the mass bands in the main block, the grid in LammRadius
// and the total signal (the model of the scans) in LammConcentration. It
// reads the clock, the rotor speed and the scan times from GlobalLammRun and
// hands every step to LammStepCallback. A run switches the automatic s_grid
// off (grid s 0) and "fix Lamm Eq. simulation timestep" on, and they stay
// so; the step is "max dc/c" taken in seconds. Each of A, B and AB keeps the
// s and D entered for it. User-interface thread only.

// The model's parameters, program-wide and kept between runs. Diffusion
// coefficients in cm^2/s (the dispatcher converts the entered values).
struct ReactingSystemParametersRecord {
  float LogK = 0.0f;             // decadic logarithm of the binding constant
  float BindingConstant = 1.0f;  // K, set by ReactingEquilibrium
  float LoadingSignalA = 0.0f;   // total loading signal of component A
  float LoadingSignalB = 0.0f;
  float SignalFactorA = 1.0f;  // signal per unit concentration (extinction)
  float SignalFactorB = 1.0f;
  float LoadingComplex = 0.0f;       // complex concentration at loading
  double SignalFactorComplex = 2.0;  // SignalFactorA + SignalFactorB
  float SedimentationA = 0.0f, SedimentationB = 0.0f, SedimentationComplex = 0.0f;  // S
  float DiffusionA = 0.0f, DiffusionB = 0.0f, DiffusionComplex = 0.0f;              // cm^2/s
};

extern ReactingSystemParametersRecord ReactingSystemParameters;

// The engine's state; every run sets up the step and the grid anew.
struct ReactingEngineRecord {
  double BindingConstant = 1.0;  // K in double precision
  double PrevTimeStep = 0.0;     // s, the last accepted step (0 before the first)
  double FixedStep = 1.0;        // s, the run's copy of "max dc/c" taken in seconds
  double assymfact = 0.0;        // mean |FluxA - FluxB| of the last pass
  int NewtonPasses = 0;          // passes of the last step
  // The next display waits for a key ("r" runs on without waiting, "s" stops).
  bool FluxDisplayPause = true;
};

extern ReactingEngineRecord ReactingEngine;

// The engine's arrays, one-based over the grid; null pointers when the
// reacting block is not allocated. The three-hat bands of row i hold the
// pairs (j, k) = (i-1,i-1), (i-1,i), (i,i-1), (i,i), (i,i+1), (i+1,i),
// (i+1,i+1), j being the node of the species and k that of its partner.
struct ReactingArrays {
  double* FreeA = nullptr;  // free concentrations at the new time level
  double* FreeB = nullptr;
  double* OldA = nullptr;  // the previous level
  double* OldB = nullptr;
  double* OlderA = nullptr;  // the level before that
  double* OlderB = nullptr;
  double* FreeATemp = nullptr;  // the first Newton pass (the predictor)
  double* FreeBTemp = nullptr;
  double* FluxA = nullptr;  // residuals of the conservation of A and of B
  double* FluxB = nullptr;
  double* Complex = nullptr;         // K a b at the nodes
  double* StiffnessA[3] = {};        // S_A: sub-diagonal, diagonal, super-diagonal
  double* StiffnessB[3] = {};        // S_B
  double* ComplexMass[7] = {};       // K int r phi_i phi_j phi_k dr
  double* ComplexTransport[7] = {};  // K (D_AB int r phi_i' (phi_j phi_k)' dr
                                     //    - w s_AB int r^2 phi_i' phi_j phi_k dr)
  double* MassWeight = nullptr;      // int r phi_i dr
};
ReactingArrays ReactingWork();

// Sets FluxDisplayPause: the first display of a run waits for a key.
void SetFluxDisplayFlag();

// K, LoadingComplex and SignalFactorComplex from the parameters; with the
// arrays present, the uniform initial state of free A, free B and the total
// signal. PrevTimeStep becomes 0. False, with nothing changed but K, when
// the loading cannot be formed (a signal factor not positive, a negative or
// non-finite loading, K not finite).
bool ReactingEquilibrium();

// LammConcentration = a SignalFactorA + b SignalFactorB
// + SignalFactorComplex K a b and Complex = K a b, at every node.
void ReactingSignal();

// The whole run from SimTime until KeepRunning is cleared or an error word
// is set (TridiagError: singular system; DiscretizationError: the step left
// values that are not finite).
void PropagateReactingSystem();

// One step of the fixed length (shortened to end on a pending output time);
// returns the value handed to the callback: the step for the first step of
// the run, 1 otherwise. Exposed for the tests.
double ReactingStep();

// Amounts of all of A (free plus complex) and of all of B in a 2-degree
// sector of 1.2 cm path length, from the finite-element interpolants, the
// quantities each step conserves.
double ReactingTotalA();
double ReactingTotalB();

// Amount of a nodal array in a 2-degree sector of 1.2 cm path length.
double ReactingSectorAmount(const double* y);

// The complex concentration of the loading equilibrium of total
// concentrations a and b, c = K (a - c)(b - c), by the root
// 2abK / (1 + (a + b)K + sqrt((a - b)^2 K^2 + 2(a + b)K + 1)), which has no
// cancellation for any K >= 0.
double ReactingComplexAtEquilibrium(double a, double b, double K);
