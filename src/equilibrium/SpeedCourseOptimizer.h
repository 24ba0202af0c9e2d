#pragma once
// The search for the rotor speed course that reaches sedimentation
// equilibrium soonest. A course is a short parameter vector p: either the
// speed relative to the final speed in m equal intervals of the overspeed
// period (piecewise), or an exponential decay towards the final speed whose
// decay time is p[1] x 5 h and whose amplitude is p[i+1] in interval i of
// m - 1 (exponential). The course becomes speed steps on a grid of change
// times (knots), is simulated with CApproachToEqSim, and scores the hours
// until the rms distance from equilibrium falls below the target, with
// penalties for overshoot and for overconcentration at the bottom.
// Simplex restarts (or simulated annealing first) minimise the score; the
// settings and results live in TimeToEqParameters.

#include <functional>
#include <string>
#include <vector>

#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"
#include "state/Links.h"

// Speeds of a course stay within these bounds during the overspeed period.
inline constexpr float kLowestCourseRpm = 3000.0f;
inline constexpr float kHighestCourseRpm = 50000.0f;
// Score of a course that cannot be built or simulated.
inline constexpr float kFailedCourseScore = 1e10f;

// What the planner needs of the window: the plot of the current best
// course's approach (distance to equilibrium and speed course of
// TimeToEqParameters.ObjectiveSim) drawn at once. Installed by the shell.
struct SpeedPlanningLinksRecord {
  std::function<void(platform::WindowHandle)> ShowProgressPlot = links::Unwired;
};
extern SpeedPlanningLinksRecord SpeedPlanningLinks;

// Program-wide state of the optimisation.
struct SpeedOptimizationStateRecord {
  bool PenaltyOn = false;
  bool OvershootPenalty = true;
  int EvaluationCounter = 0;
  platform::WindowHandle Window = nullptr;
};
extern SpeedOptimizationStateRecord SpeedOptimizationState;

// The speed (rpm) of course p at time s; FinalRpm outside the overspeed
// period or without p. With rounding, to a multiple of step.
float RotorSpeedAt(const float* p, float time, bool rounding, float step);

// The change times of a course: 0, then every 2/3 knot spacing in the first
// hour, every spacing up to 3 h, twice the spacing after, up to the first
// time at or beyond the overspeed time.
std::vector<float> SpeedCourseKnots();

// The speed steps of course p (or of the rotor speed file when RunSpeedFile
// is on): the first knot, each later knot before the overspeed time whose
// speed differs by at least step from the knot before it, and last the
// final speed at the overspeed time. Speeds between knots are limited to
// what the acceleration and deceleration allow. False without outputs, or
// when the parameter count does not describe a course (fewer than 2 for the
// exponential form, 1 for the piecewise form).
bool BuildSpeedSteps(const float* p, int& count, OneBasedArray<float>& start,
                     OneBasedArray<float>& rpm, OneBasedArray<float>& acceleration, bool rounding,
                     float step);
// Speed steps from a speed-steps file, or from an instrument method file
// (extension beginning with E), converted to "speedsteps.txt" beside it.
bool LoadSpeedStepArrays(const std::string& path, int& count, OneBasedArray<float>& start,
                         OneBasedArray<float>& rpm, OneBasedArray<float>& acceleration);

// The score of course p (hours), leaving its simulation in ObjectiveSim.
float AppEqSimplexSim(const float* p, platform::WindowHandle window);
// Shows the progress: the plot when x is the best so far, and the status
// line. True when a key was pressed.
bool ShowTimeToEqProgress(float bestValue, const float* p, platform::WindowHandle window);
// The status line of the progress display.
std::string TimeToEqProgressText(float bestValue, const float* p);

// Simplex restarts from SpeedCourseParameters until two runs agree, or
// until FitAbort; annealing first when that optimiser is chosen.
bool OptimizeSpeedCourse(platform::WindowHandle window);
bool AnnealSpeedCourse(platform::WindowHandle window);
// The course that holds the final speed throughout: no overspeed (all
// amplitudes 0 in the exponential form, all speeds 1 in the piecewise form).
void SetConstantSpeedCourse(float* p, int m);
// A pass ended early (a key) can leave a course that reaches equilibrium
// later than the constant-speed run, or not within its time at all, which
// is no plan worth giving: the
// constant-speed course then becomes SpeedCourseParameters, is simulated
// into ObjectiveSim, and OptimizedTime and BestObjective take its time.
// True when it replaced the course.
bool KeepConstantSpeedWhenFaster(float constantSpeedHours, platform::WindowHandle window);
