#pragma once
// A global analysis of sedimentation-equilibrium scans at several rotor
// speeds and temperatures with one buoyant molar mass Mb = M (1 - vbar rho):
// every scan is one exponential in r^2 with an amplitude of its own, plus
// time-invariant noise (one value per radius, common to all scans) and
// radial-invariant noise (one offset per scan). For a given Mb both noises
// are eliminated algebraically (the data and the exponentials are taken
// relative to their means), the amplitudes follow by non-negative least
// squares, and the noises from them; Mb itself is found by a one-parameter
// simplex. The scans are read on the common radial grid.
//
// The fitted parameter is the first species' molar mass (species given by M
// and s) or its diffusion coefficient in units of 1e-7 cm^2/s (given by s
// and D); Mb then is s D-conversion s 1e-13 RT / (D 1e-7).

#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"

// exp((r^2 - rRef^2) Mb omega^2 / (2 R T)), omega = rpm 2 pi / 60,
// R = 8.314472e7 erg/(mol K), T in deg C.
double EqExponential(double r, double Mb, double rpm, double temperatureC, double rRef);

// The buoyant molar mass of the current parameters for a scan at this
// temperature: M (1 - vbar rho), or s 1e-6 R T / D with D in 1e-7 cm^2/s;
// 0 for a D of 0.
double EqBuoyantMassOf(float temperatureC);

struct EqBuoyantStateRecord {
  int Scans = 0;
  int First = 0, Last = 0;                 // grid fit range
  OneBasedMatrix<double> Exponential;      // [scan][grid point]
  OneBasedArray<double> ScanMean;          // data mean per scan over the fit range
  OneBasedArray<double> GridMean;          // data mean per grid point over the scans
  OneBasedArray<double> ExponentialMean;   // per scan over the fit range
  double Mean = 0.0;                       // of all fit-range data
  OneBasedMatrix<double> A;                // normal matrix [scan][scan]
  OneBasedArray<double> B;                 // right-hand side
  double SumY2 = 0.0;
  OneBasedArray<double> Amplitude;         // c_i >= 0
  double StoredRmsd = 1e10;
  bool Solved = false;
};

extern EqBuoyantStateRecord EqBuoyantState;

// One evaluation for the current parameters: the exponentials, the normal
// equations and their non-negative solution. Outside the fit objective it
// also writes the model, TI and RI noise and the rmsd. False (with "set
// Meniscus and Bottom first" when they are missing) when nothing could be
// computed.
bool RunEqBuoyantMass(platform::WindowHandle window, bool inObjective = false);
void EqBuoyantNormalEquations();
// sqrt(SSR / (points x scans)), the sum of squared residuals clamped at 0.
double EqBuoyantRmsd();
// TI and RI noise from the amplitudes, and every scan's model.
void EqBuoyantModel();
void EqBuoyantFinish();

// The simplex fit of the buoyant molar mass (slot 1); with slot 1 not to be
// fitted only one evaluation. A key press ends it with the best value.
void FitEqBuoyantMass(platform::WindowHandle window);
// The objective at vertex[1]: the rmsd, 1e10 when the non-negative fit
// failed or a key was pressed (which sets FitAbort).
float EqBuoyantObjective(const float* vertex, platform::WindowHandle window);
void ShowEqBuoyantProgress(platform::WindowHandle window, int simplexRun, int evaluation);
