#pragma once
// Downhill-simplex minimisation (Nelder and Mead's amoeba: reflection,
// expansion, one-dimensional contraction and shrink towards the best vertex)
// for every nonlinear fit of the program. The fit supplies the objective and
// what is done with the best vertex at each iteration (the discrete fits
// apply it to the model and show the status; the distribution fits write it
// into the distribution settings), so the same minimiser serves discrete
// models, distribution models and the tools.
//
// The simplex is a one-based matrix p[1..n+1][1..n], one vertex per row, with
// the objective values y[1..n+1]; both belong to the caller. The run reads
// and writes FitControl: it stops at the top of an iteration while FitAbort
// is set, counts OptimizerStep and reports a collapsed simplex in
// SimplexCollapsed.

#include <functional>

// The objective of a fit: the rmsd at point[1..n]. It may clamp values of the
// point in place; the clamped values then enter the simplex.
using FitObjective = std::function<float(float* point)>;
// Called with the best vertex [1..n] and its value at every iteration.
using ShowBestVertex = std::function<void(float* vertex, float value)>;

// Budget of objective evaluations of one Nelder-Mead run.
inline constexpr int NelderMeadMaxEvaluations = 5000;
// Relative spread below which every vertex agrees with the best one and the
// simplex counts as collapsed.
inline constexpr float SimplexCollapseTolerance = 2e-6f;
inline constexpr int NelderMeadWalkEvaluations = 30;

// Moves vertex ihi to psum*f1 - p[ihi]*f2 with f1 = (1 - factor)/n and
// f2 = f1 - factor, evaluates it and, when the value is below y[ihi], takes
// it in place of vertex ihi (psum follows). Returns the trial value. Factor
// -1 reflects the worst vertex through the centroid of the others, 2 extends
// the reflection, 0.5 contracts halfway.
float NelderMeadTrial(float** p, float* y, float* psum, int n, const FitObjective& objective,
                      int ihi, float factor);

// Minimises objective from the simplex p with values y (y[i] must hold the
// objective at p[i] on entry). Ends when the relative spread of the values
// falls below ftol, after
// NelderMeadMaxEvaluations evaluations ("Nelder-Mead not converged", or the
// serial-fit problem code 10 while redrawing is suppressed), when the simplex
// has collapsed onto its best vertex, or when FitAbort is set; in every case
// the best vertex is then in row 1. evaluations receives the number of
// objective calls of the run.
// With untilContracted, agreeing values end the run only once the simplex
// spans at most half its initial extent along every coordinate: along a
// shallow valley the values of a fresh, small simplex agree at once although
// the minimum lies far off, and the run must first walk there. An objective
// flat in some direction never contracts there, so after
// NelderMeadWalkEvaluations per coordinate agreeing values end the run again.
void NelderMead(float** p, float* y, int n, float ftol, const FitObjective& objective,
                int& evaluations, const ShowBestVertex& showBest, bool untilContracted = false);
