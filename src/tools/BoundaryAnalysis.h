#pragma once
// Model-free analyses of sedimentation boundaries that remove the broadening
// by diffusion by extrapolation to infinite time: the area fractions of
// ls-g*(s) distributions of successive groups of scans, and the van
// Holde-Weischet division of every boundary into fractions of equal height.
// In both, the s of each fraction is extrapolated linearly against 1/sqrt(t);
// the intercepts against the fraction make the integral distribution G(s),
// stored in DistSGrid (s) and DistValues (cumulative amount or fraction).
//
// Everything runs on the user-interface thread. Messages go through the
// platform's boxes; progress texts through the Progress hook.

#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "state/Links.h"

struct LsgExtrapolationSettingsRecord {
  bool ModelOn = false;
  int Fractions = 20;           // r
  int ScansPerStep = 3;         // f; at least 2 are used
  bool ConsecutiveSteps = false;  // off: the step window slides by one scan
  bool FitFractions = false;    // refine the lines by fitting the step-boundary model
  bool ShowPlot = false;        // the answer at model selection
  bool PlotShown = false;
  double LoadingAmount = 1.0;   // "loccload": mean total area of the step distributions
  int CurrentStep = 0;
};

extern LsgExtrapolationSettingsRecord LsgExtrapolationSettings;

// What the last analysis leaves for the extrapolation plot: per row
// (step or scan) its time and the s of every fraction, and per fraction the
// line of its extrapolation.
struct ExtrapolationDataRecord {
  std::vector<double> Times;                // [1..rows]
  std::vector<std::vector<double>> SValues;  // [1..rows][1..r]
  std::vector<double> Intercepts, Slopes;    // [1..r]
  int Rows = 0;
  int Fractions = 0;
  bool Exists() const { return Rows > 0 && Fractions > 0; }
};

extern ExtrapolationDataRecord ExtrapolationData;
void FreeExtrapolationData();

// The ls-g*(s) distribution of every step of the last extrapolation run,
// over the s grid they share; kept for copying until the next run (a run
// stopped by a key keeps the steps it finished).
struct LsgStepDistributionsRecord {
  std::vector<float> SGrid;                 // [1..Points]
  std::vector<std::vector<float>> Values;   // [step][1..Points], steps from 0
  int Points = 0;
  bool Exist() const { return Points > 0 && !Values.empty(); }
};

extern LsgStepDistributionsRecord LsgStepDistributions;

// Where the analyses show their progress and steps, installed by the window's
// start; an empty part does nothing.
struct BoundaryAnalysisLinksRecord {
  std::function<void(int x, int y, const std::string&)> Text = links::Unwired;
  // A step distribution (s grid, values) was computed.
  std::function<void(const std::vector<float>& s, const std::vector<float>& values)> StepShown = links::Unwired;
};

extern BoundaryAnalysisLinksRecord BoundaryAnalysisLinks;

// Ordinary least squares y = intercept + slope x over n points (one-based
// arrays); false (both 0) when the x values do not determine a line.
bool LinearRegression(double& intercept, double& slope, const double* x, const double* y, int n);

// Trapezoid integral of the table x[1..n], y[1..n] from a to b: limits are
// clipped to the table, the partial end intervals use interpolated values;
// reversed limits give the negated integral, and 0 outside the table.
double IntegrateTabulated(const float* x, const float* y, double a, double b, int n);
// The x at which the integral from a reaches target, solving the quadratic
// of the linearly interpolated segment (linear where its values are equal);
// x[n] when the table's integral never reaches it.
double InverseCumulativeArea(double target, const float* x, const float* y, double a, int n);

// The progress lines of the boundary-fraction fit, drawn at x 10: the
// simplex run and its evaluation count (counted up here) at y 30, the rmsd
// with the number of points and the sum of squares at y 50.
void ShowLsgProgress();
// The state at the start of the boundary-fraction fit: the fit-status lines
// cleared, the two progress lines, the loading amount at y 110 and the runs
// test of all scans over their fit ranges at y 230.
void ShowLsgStepResult();

// The ls-g*(s) extrapolation of the loaded scans with the current model
// settings. False when refused (with a message), interrupted or without a
// result.
bool RunLsgExtrapolation(platform::WindowHandle window);
// The step positions (first time-order position of every step) for
// scanCount scans and f scans per step.
std::vector<int> LsgStepStarts(int scanCount, int f, bool consecutive);

// The van Holde-Weischet analysis; false when the resolution fell below 5
// or the run was refused.
bool RunVanHoldeWeischet(platform::WindowHandle window);
