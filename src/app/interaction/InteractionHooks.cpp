#include "app/interaction/InteractionHooks.h"

#include "app/commands/CommandTable.h"
#include "app/commands/DistributionCommands.h"
#include "app/interaction/DistributionTools.h"
#include "app/interaction/PlotInput.h"
#include "app/interaction/ScreenButtons.h"
#include "app/options/ProgramOptions.h"
#include "app/window/TXLAWindow.h"
#include "display/DisplayLinks.h"
#include "display/DistributionPlot.h"
#include "state/DisplayState.h"

void InstallInteractionHooks(TXLAWindow& window) {
  TXLAWindow* w = &window;
  auto& links = display::MainDisplayLinks;
  links.PaintScreenButtons = [w](platform::Canvas& canvas) {
    if (w->Host() != nullptr) PaintScreenButtons(canvas, w->Host()->ClientSize());
  };
  links.PeakLabelsActive = [] {
    return ScreenButtons.PeakLabelsShown || ScreenButtons.PeakInfoBusy;
  };
  // The paint erases the window, so nothing lies under the labels to put
  // back.
  links.ClearPeakLabels = [] { ClearPeakLabels(nullptr); };
  display::DistributionPlotLinks.ShowIntegrateButton = [] { ShowIntegrateButton(); };
  display::DistributionPlotLinks.HideIntegrateButton = [] { HideIntegrateButton(); };
  DistributionCommandLinks.HideIntegrateButton = [] { HideIntegrateButton(); };
  ::ShowNoiseButtons = [w](int redraw) { PlaceNoiseButtons(redraw ? w : nullptr); };
  ::HideNoiseButtons = [w](int redraw) { RemoveNoiseButtons(redraw ? w : nullptr); };
  PreferenceLinks.LoadIntegrationRanges = [] { LoadIntegrationRanges(); };
}

void RemoveInteractionHooks() {
  auto& links = display::MainDisplayLinks;
  links.PaintScreenButtons = links::Unwired;
  links.PeakLabelsActive = links::Unwired;
  links.ClearPeakLabels = links::Unwired;
  display::DistributionPlotLinks.ShowIntegrateButton = links::Unwired;
  // Clearing the plots after the window is gone still hides its buttons:
  // with the window they went too, so there is nothing left to hide.
  display::DistributionPlotLinks.HideIntegrateButton = [] {};
  DistributionCommandLinks.HideIntegrateButton = [] {};
  ::ShowNoiseButtons = [](int) {};
  ::HideNoiseButtons = [](int) {};
  ResetScreenButtons();
}

void RegisterInteractionCommands(CommandTable& table) {
  RegisterDistributionToolCommands(table);
  table.Add(837, &CmToggleMouseSliding, false, "CmToggleMouseSliding");
}
