#pragma once
// Simulated annealing on a downhill simplex (after Press et al.'s amebsa):
// the vertex values are disturbed by thermal fluctuations whose size is the
// temperature times the best rmsd, so that uphill moves are accepted with a
// probability that falls with the temperature, over a schedule of falling
// temperatures; the best point ever evaluated is kept. The discrete fits, the
// fits of distribution models and the speed planning share it; each supplies
// its objective and what is done with the best vertex.
//
// The fluctuations come from the program's reproducible uniform stream
// (SeededUniformRandom with FitControl.AnnealSeed), restarted with seed -3 at
// every annealing fit, so that two fits from the same simplex follow the same
// path. Settings, counters and the stop flag live in FitControl.

#include <functional>

#include "models/NelderMead.h"

// One temperature step. tt = -T * ybest (ybest as on entry) scales the
// fluctuations. Ends when the relative spread of the fluctuated values falls
// below ftol or the budget iterations (counted down by the caller's variable)
// is used up; then the best vertex is moved to row 1. Ends at once, leaving
// the simplex as it is, when FitAbort is set. Every evaluated trial at or
// below ybest becomes pbest / ybest, whether it enters the simplex or not.
void AnnealSimplex(float T, float** p, float* y, int n, float* pbest, float& ybest, float ftol,
                   const FitObjective& objective, int& iterations, const ShowBestVertex& showBest);

// The trial point psum*f1 - p[ihi]*f2 (f1 = (1 - factor)/n, f2 = f1 - factor)
// evaluated as ytry; a ytry at or below ybest becomes the best point. Its
// fluctuated value yflu = ytry - tt*ln(u); when yflu < yhi the trial replaces
// vertex ihi (psum follows) and yhi becomes yflu. Returns yflu.
float AnnealSimplexTrial(float tt, float** p, float* y, float* psum, int n, float* pbest,
                         float& ybest, const FitObjective& objective, int ihi, float& yhi,
                         float factor);

// The schedule needs a first and a last temperature: fewer than two steps
// would divide 0 by 0.
inline constexpr int MinimumAnnealSteps = 2;

// Temperature of step i (0-based) of a schedule of steps >= 2 temperatures:
// start * (1 - i/(steps - 1))^2, falling from start to 0.
float AnnealScheduleTemperature(int i, int steps, float start);

// True when FitControl.AnnealSteps allows a schedule; otherwise says so
// (a box, or nothing while redrawing is suppressed) and answers false.
bool AnnealStepsAccepted();

// The schedule on a simplex whose values y are known and whose best point is
// pbest / ybest: restarts the random stream with seed -3, then runs one
// AnnealSimplex per temperature of FitControl (AnnealSteps temperatures from
// AnnealStartTemperature, AnnealIterations evaluations each, the running
// temperature in AnnealTemperature, OptimizerStep counting the steps) until
// the last temperature, a step that meets its tolerance within its budget,
// or FitAbort. False, without any evaluation, when the step count is refused.
bool RunAnnealSchedule(float** p, float* y, int n, float* pbest, float& ybest, float ftol,
                       const FitObjective& objective, const ShowBestVertex& showBest);

// What an annealing fit needs of its model besides the objective: how a
// fresh simplex is spread around its first vertex, how a point is written
// into the model, and how the model's current values are read back into a
// point (with the clamps of the packing).
struct AnnealProblem {
  FitObjective objective;
  ShowBestVertex showBest;
  std::function<void(int n, float** p)> initialSimplex;
  std::function<void(float* point)> applyPoint;
  std::function<void(float* point)> readPoint;
};

// The minimisation of an annealing fit from point[1..n] (the current model):
// spreads a simplex around it, evaluates its vertices (the last evaluation is
// the starting point), runs the schedule, clears FitRunning and FitAbort,
// applies and evaluates the best point ever evaluated and returns it in
// point. False, without any evaluation, when the step count is refused.
bool AnnealMinimize(const AnnealProblem& problem, float* point, int n, float ftol);
