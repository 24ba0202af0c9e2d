#pragma once
// What the main window's display needs of the application shell and of the
// tools above it. The shell installs these at start; each one not installed
// does nothing (questions answer no, pictures are none).
//
// Canvases handed to the paint hooks carry the paint's mapping: the plot
// space (1399 x 1000 logical units) stretched over the client area.

#include <functional>
#include <optional>

#include "platform/Canvas.h"
#include "platform/Metafile.h"
#include "platform/Window.h"
#include "state/Links.h"

namespace display {

// Which layer a tool painted in place of the main plots.
enum class ToolLayer {
  None,           // no tool screen: the main plots are drawn
  Screen,         // an extrapolation or equilibrium screen
  ToolPlot,       // a one-shot tool plot
  AdHocToolPlot,  // the plot of an interactive scan correction
};

struct MainDisplayLinksRecord {
  // Ends the program (the Exit command), called by the first paint after a
  // batch run asked for AutoExit.
  std::function<void()> ExitProgram = links::Unwired;
  // A run has computed the model curves of the scans.
  std::function<bool()> ModelCurvesReady = links::Unwired;
  // The reference meniscus (meniscus less the meniscus difference) while a
  // buffer mismatch with a meniscus difference is fitted.
  std::function<std::optional<float>()> ReferenceMeniscus = links::Unwired;
  // The distribution plot's picture, rendered anew when due; none when no
  // distribution plot exists. Asked only for continuous and van
  // Holde-Weischet models.
  std::function<platform::Metafile()> RedrawDistributionPlot = links::Unwired;
  // Prior probabilities drawn over the distribution plot, when in use.
  std::function<void(platform::Canvas&)> DrawPriorOverlay = links::Unwired;
  // Any tool plot, ad-hoc plot or equilibrium screen plot exists.
  std::function<bool()> ToolPlotsExist = links::Unwired;
  // Paints the first tool layer whose screen is up (extrapolation,
  // equilibrium, ad-hoc tool plot, tool plot) with its captions and
  // releases one-shot plots; ToolLayer::None when there is none.
  std::function<ToolLayer(platform::Canvas&)> PaintToolLayer = links::Unwired;
  // The approach-to-equilibrium test's picture over the data plot; none
  // while the test does not show one.
  std::function<platform::Metafile()> RepaintEqTestPlot = links::Unwired;
  // The extrapolation plot of the boundary analyses, shown in the data
  // plot's place while it is switched on; none otherwise.
  std::function<platform::Metafile()> ExtrapolationPlot = links::Unwired;
  // The total-concentration overlay of the distribution tools (draws only
  // while switched on).
  std::function<void(platform::Canvas&)> DrawCtotOverlay = links::Unwired;
  // Writes the fit-result text after a Run or Fit.
  std::function<void()> FitResultText = links::Unwired;
  // Closing steps of every paint: the realtime-update status lines, the M*
  // screen's buttons and the moment texts of the equilibrium tools.
  std::function<void(platform::Canvas&)> PaintToolStatus = links::Unwired;
  // The on-screen buttons of the main display and the peak labels.
  std::function<void(platform::Canvas&)> PaintScreenButtons = links::Unwired;
  // Peak information is busy or its labels are shown; otherwise each paint
  // clears the peak labels first.
  std::function<bool()> PeakLabelsActive = links::Unwired;
  std::function<void()> ClearPeakLabels = links::Unwired;
  // Writes the last best-fit information onto a printed page at (x, y) in
  // the page's mapping.
  std::function<void(platform::Canvas&, int x, int y)> PaintFitResultLines = links::Unwired;
  // Enables the menu items that depend on what is loaded and computed.
  std::function<void()> UpdateRuntimeMenus = links::Unwired;
};

extern MainDisplayLinksRecord MainDisplayLinks;

}  // namespace display
