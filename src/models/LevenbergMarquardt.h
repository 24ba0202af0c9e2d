#pragma once
// Levenberg-Marquardt minimisation of the sum of squared residuals of all
// fitted points, for any fit whose objective leaves a model signal at every
// fitted point: damped Gauss-Newton steps on normal equations built from
// forward-difference derivatives (one extra evaluation per parameter), a
// step accepted only when chi-square falls (after Press et al.'s mrqmin /
// mrqcof). Particulars: the parameters are scaled to 1 at the start, the
// damping starts at 0.01, small relative steps end the search, one step may
// change a parameter at most tenfold, and each parameter has its own
// relative and absolute derivative step. The discrete fits and the fits of
// distribution models share it through MarquardtProblem.

#include <functional>
#include <string>
#include <vector>

#include "models/NelderMead.h"
#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"

inline constexpr int MarquardtMaxIterations = 100;
inline constexpr double MarquardtStepTolerance = 1e-4;
inline constexpr double MarquardtMaxStepRatio = 10.0;
inline constexpr double MarquardtChiSquareTolerance = 1e-7;
inline constexpr double MarquardtChiSquareFloor = 1e-10;

// The work arrays of one fit, program-wide beside FitControl (the fit
// objective's progress text reads the damping, rmsd and point count).
struct MarquardtWorkArraysRecord {
  double alamda = 0.0;  // damping; < 0 asks mlmin to start, 0 for the covariance
  double MarquardtChiSquare = 0.0;
  double MarquardtRmsd = 0.0;
  double MarquardtPointCount = 0.0;
  OneBasedMatrix<double> covariance;     // damped matrix; after the final call the covariance
  OneBasedMatrix<double> scaledInverse;  // inverse curvature in scaled units
  OneBasedMatrix<double> alpha;          // curvature J'J of the accepted point
  OneBasedArray<double> solverScratch;
  OneBasedArray<double> atry, beta, da, differencePoint, trial;
  OneBasedArray<double> DerivativeStepFactor, DerivativeStepFloor;
  OneBasedArray<float> objectivePoint, ParameterScale;
  OneBasedArray<int> flags;  // all 1: every packed parameter floats
  bool MarquardtStepConverged = false;
  // d model / d parameter at every fitted point, parameter by parameter;
  // the model and the data at the current point, and the model and data of
  // a difference point.
  std::vector<float> derivatives, reference, data, differenceModel, differenceData;
  int parameterCount = 0;
  int flaggedCount = 0;       // parameters with a set flag
  double oldChiSquare = 0.0;  // chi-square of the accepted point within mlmin
  bool allocated = false;
};

extern MarquardtWorkArraysRecord MarquardtWork;

// What the optimiser needs of a fit.
struct MarquardtProblem {
  // The objective (the rmsd; 1e10 while FitAbort is set). Each call leaves
  // the model signal of the evaluated point behind.
  FitObjective objective;
  // After an evaluation: the data and the model at every fitted point, always
  // in the same order.
  std::function<void(std::vector<float>& data, std::vector<float>& model)> fitPoints;
  // Optional: progress of the derivatives (0..1), and what is done after the
  // start and after each small step (the temporary parameter file, the status).
  std::function<void(float fraction)> progress;
  std::function<void()> afterSmallStep;
  platform::WindowHandle window = nullptr;  // owner of the diagnostics
  bool distributionFit = false;             // diagnostics lines of the distribution fits
};

// The fitted points of the loaded scans: ScanSignal and ScanModel of every
// scan over its fit index range, scans in index order.
void ScanFitPoints(std::vector<float>& data, std::vector<float>& model);

// Sizes the work arrays for n parameters (earlier ones are released first).
// Returns 1.
int AllocMarquardtArrays(int n);
void FreeMarquardtArrays();

// p[i] *= ParameterScale[i] wherever the scale is not 0.
void UnscaleParameters(float* p, int n);
// trial[i] = DerivativeStepFactor[i] * a[i], or DerivativeStepFloor[i] where
// that product is 0.
void SetDerivativeTrials(int n, const double* a);

// Relative factor and absolute floor of the derivative step of one floating
// item of a discrete fit: items 1-20 the floating settings in the packing
// order of the fit driver, 0 a slot of ParameterVector.
struct DerivativeStep {
  double factor;
  double floor;
};
DerivativeStep DiscreteDerivativeStep(int item, bool massInsteadOfD);
// Fills the derivative steps of the floating items in vector order
// (floatingItems[i-1] is the item of parameter i, as above) with
// FitControl.MassInsteadOfD; returns their count.
int SetDiscreteDerivativeSteps(const std::vector<int>& floatingItems);

// Chi-square, gradient beta = J'r and curvature alpha = J'J at the scaled
// point a (flagged parameters only, unit weights); returns early, leaving
// them incomplete, when FitAbort is set.
void mlcof(const MarquardtProblem& problem, const double* a, const int* flags, int n,
           double** alpha, double* beta, double& chisq);
// One damped step from a (a negative alamda starts the search, 0 computes
// the covariance in physical units without any evaluation).
void mlmin(const MarquardtProblem& problem, double* a, const int* flags, int n, double& chisq,
           double& alamda);

// The search from p[1..n] (the work arrays allocated and the derivative
// steps set): scales p, iterates until the second small step, the first
// small step after a declined converged step, or MarquardtMaxIterations;
// then computes the covariance and evaluates the result once more. p
// receives the result (the last accepted point after an interruption).
// True on a normal end; false after an interruption, which clears FitAbort
// and leaves no covariance.
bool MarquardtMinimize(const MarquardtProblem& problem, float* p, int n);

// The report of a finished fit: per parameter "%d: %e\t(%e)\t - " with its
// number, value and the square root of its variance, then its covariance
// row as "%e\t", then a line end. False when the file cannot be written.
bool WriteMarquardtReport(const std::string& path, const float* p, int n);
// The report file in the installation folder.
std::string MarquardtReportFile();
