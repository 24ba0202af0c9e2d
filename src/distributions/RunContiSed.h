#pragma once
// One evaluation of a continuous distribution model for the loaded scans:
// grid, conversion of every grid point into a species (s, D, M), kernel of
// Lamm solutions, normal equations with the systematic noise eliminated,
// regularisation scaled to a confidence level, non-negative amplitudes, and
// the stored distribution with its best-fit signal. The Run command, every
// evaluation of a distribution fit, the base fit of a Monte Carlo analysis
// and synthetic-data generation all go through it, with different run-control
// flags (DistributionRunFlags).
//
// Runs on the user-interface thread; the Lamm equations of the kernel and the
// normal equations run in worker threads that it starts and joins.

#include <functional>

#include "state/ModelSelection.h"
#include "platform/Platform.h"

// How a run ended.
enum class ContiRunOutcome {
  Stored,       // solved and, outside a search, stored
  Solved,       // solved inside a search (nothing stored)
  Simulated,    // model signal computed from the distribution in DistValues
  Interrupted,  // a key press stopped the kernel or the normal equations
  Refused,      // a message said why the model or data cannot be run
  Silent,       // nothing to do (no scans) or the work arrays are missing
};

// Kernel routines of models that other engines compute: light-scattering
// correlation functions, equilibrium exponentials, the non-ideal c(s)
// species. A model whose kernel routine is not installed is refused with a
// message before anything is computed.
struct ContiKernelServicesRecord {
  // Fills kernel column CurrentGridIndex for all scans.
  std::function<void(double D)> DlsKernel;
  std::function<void(double D)> DlsKernelColumn;
  std::function<void(double buoyantMass)> EqExponentialKernel;
  // Fills all kernel columns of the non-ideal c(s) model.
  std::function<void(platform::WindowHandle, int n, const double* s, const double* D,
                     const double* vbar)>
      RunNonidcofsSedList;
  // Applies or removes the nonlinear-detection transform of the signals
  // (true: work on the transformed data; false: the user's view).
  std::function<void(bool)> ApplyNonlinearDetection;
  // With nonlinear detection on: brings the model just computed into both
  // forms and gives the rmsd of the data as measured (true); false when
  // detection is off, and the fit keeps its own rmsd.
  std::function<bool(float& rmsd)> NonlinearDetectionRmsd;
  // Light-scattering data: whether scan 1 holds the field autocorrelation
  // g(1); and every scan turned from g(2) - 1 into g(1), the data plots
  // rebuilt.
  std::function<bool()> DataAreFieldAcf;
  std::function<void(platform::WindowHandle)> ConvertToFieldAcf;
};

extern ContiKernelServicesRecord ContiKernelServices;

// Computes one distribution of the current continuous model.
ContiRunOutcome RunContiSed(platform::WindowHandle window);

// The species of one grid point.
struct GridPointSpecies {
  double s = 0.0;        // S
  double D = 0.0;        // cm^2/s
  float M = 0.0f;        // g/mol (buoyant for the invariant-D c(M) model)
  bool Refused = false;  // a D of 0 where the model needs diffusion; message shown
};

// Converts grid point i of the model into its species at temperature t
// (degrees Celsius) and writes the grid vectors back as the model defines
// (DistSGrid, DistMGrid, or the s x f/f0 arrays). Every point takes its s,
// D and M from its own grid values and the model's settings alone.
GridPointSpecies ConvertGridPoint(int i, ModelKind kind, float t);

// Whether the run can compute a kernel for the model on the loaded data;
// otherwise shows why not and returns false.
bool ContiKernelAvailable(ModelKind kind);
