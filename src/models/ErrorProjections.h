#pragma once
// The error surface of a discrete-species fit, explored by complete refits:
// confidence limits of s or M (or D) of component 1 by projection (the
// parameter is held at trial values while every other floating parameter is
// refitted, until the rmsd reaches a critical value), and maps of the
// refitted rmsd over a grid of one or two held parameters, optionally
// reduced to the contour line at one rmsd level. A key press ends them.

#include <string>

#include "platform/Platform.h"

// Nelder-Mead fits repeated until the result settles (at most a bounded
// number of rounds): the rmsd of the settled fit; -1 when FitAbort is set on
// entry; 0 when the fit's preconditions refuse.
float SimplexWithRestarts(platform::WindowHandle window);

// The outcome of one projection.
enum class ProjectionResult { Found, Interrupted, NotFound };

// Confidence limits of SedCoefficient[1] (slot 5) or MassOrD[1] (slot 1):
// the search starts step away from the best fit and halves its step at
// every crossing of the band critical +- 1e-6. A search that does not reach
// the band within its bounded number of refits, or that leaves the
// parameter's sensible range, reports NotFound for that side (the limit
// stays 0). The vector is restored afterwards; the held parameter stays
// unfitted.
ProjectionResult ErrorProjectionS(platform::WindowHandle window, float step, float critical,
                                  float& lower, float& upper);
ProjectionResult ErrorProjectionM(platform::WindowHandle window, float step, float critical,
                                  float& lower, float& upper);
// The caller's summary text, "s = %.3f [%.3f, %.3f] S\n..." and the M/D forms.
std::string ProjectionSummaryS(float value, float lower, float upper, float critical);
std::string ProjectionSummaryM(float value, float lower, float upper, float critical);

// Grid counts: floor((max - min)/step + 0.00001) + 1 (0 for a step that does
// not advance).
int ContourGridCount(float min, float max, float step);

// rmsd over lg K (slot 3 and the engine's log10 Ka) from min to max; the
// table (lg K, rmsd) is written to path. Returns the rows written.
int ContourMapK(platform::WindowHandle window, const std::string& path, float min, float max,
                float step);

// Two held parameters: x = s of species 1 and y = s of species 2 (the
// association models), or x = s and y = M (or D) of component 1. Level 0:
// the full grid as (x, y, rmsd) rows, traversed in a snake from the start;
// level > 0: the contour at that rmsd followed through the grid and written
// as the interpolated points of the line (closed), or, when no neighbouring
// rows enclose the level, an empty file and the message "level not
// reached". Returns the rows evaluated.
int ContourMapS1S2(platform::WindowHandle window, const std::string& path, float xMin,
                   float xMax, float xStep, float yMin, float yMax, float yStep, float level,
                   float xStart, float yStart);
int ContourMapSM(platform::WindowHandle window, const std::string& path, float xMin, float xMax,
                 float xStep, float yMin, float yMax, float yStep, float level, float xStart,
                 float yStart);

// The refit at each grid point of the maps (SimplexWithRestarts; tests put
// an analytic surface in its place).
#include <functional>
extern std::function<float(platform::WindowHandle)> ContourRefit;

// One progress line "%d: (%.2f , %.2f) %f" at row 1..15 of the status column.
void ShowSimplexVertex(platform::WindowHandle window, float x, float y, float rmsd, int index);
