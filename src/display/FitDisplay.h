#pragma once
// What a discrete fit shows in the main window while no paint message can
// be processed: the counters of the running evaluation, written over the
// progress line of the fit's status block before every simulation, and the
// final fit drawn over the plots when the fit has ended. Both draw straight
// into the window's client area (its backing image) and do nothing without
// a window, or while it cannot be drawn into (before its first paint, during
// a batch run inside its construction). User-interface thread only.

#include <functional>
#include <string>

#include "platform/Window.h"

namespace display {

// Where the counters go, in client pixels: the first line over the status
// block's progress line, the second (Levenberg-Marquardt's trial rmsd) over
// its rmsd line.
inline constexpr int EvaluationProgressX = 10;
inline constexpr int EvaluationProgressY = 30;
inline constexpr int EvaluationProgressSecondY = 50;

// The first line, and the second when it is not empty, on the opaque window
// background: the trailing blanks of each line then wipe out the rest of a
// longer line drawn there before.
void ShowEvaluationProgress(platform::WindowHost* window, const std::string& first,
                            const std::string& second);

// Only while the data plot exists: the fit status block, then the model
// curve of every scan (time order, in the scan's colour) over the data plot
// while the data are shown; when the residual plot is shown, the residuals
// recomputed and the residual plot replayed; when the histogram is shown
// too, the histogram rebuilt and replayed.
void DrawFinalFit(platform::WindowHost* window);

// Makes the fits' display links (FitDisplayLinks.DrawFinalFit and
// FitDisplayLinks.ShowEvaluationProgress) draw into the window that the
// given function names at the moment of the call (none before the window
// exists). Called once at start.
void InstallFitDisplayLinks(std::function<platform::WindowHost*()> window);

}  // namespace display
