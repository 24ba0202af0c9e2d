#include "app/wiring/WindowLinks.h"

#include <optional>
#include <string>

#include "app/commands/DistributionCommands.h"
#include "app/datacmds/DisplayCommands.h"
#include "app/datacmds/SaveCommands.h"
#include "app/interaction/WindowDrawing.h"
#include "app/models/ModelCommandSupport.h"
#include "app/params/ParameterCommands.h"
#include "app/serial/SerialFitStep.h"
#include "app/viewcmds/ViewLinks.h"
#include "app/window/TXLAWindow.h"
#include "display/CursorLineDrawing.h"
#include "display/DisplayLinks.h"
#include "display/DistributionPlot.h"
#include "display/MainPlots.h"
#include "display/WindowCoordinates.h"
#include "distributions/MonteCarlo.h"
#include "engines/BufferSedDialog.h"
#include "models/ParametersCommand.h"
#include "models/TempParameterFile.h"
#include "state/Links.h"
#include "state/ModelParameters.h"
#include "state/ModelSelection.h"

namespace {

// The reference meniscus of a buffer-mismatch fit with a meniscus
// difference: the meniscus less that difference.
std::optional<float> ReferenceMeniscus() {
  const BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  if (!b.On || !b.MeniscusMismatchOn) return std::nullopt;
  return ModelParameters.Meniscus - static_cast<float>(b.MeniscusDifference);
}

}  // namespace

void InstallWindowLinks(TXLAWindow& window) {
  TXLAWindow* w = &window;
  display::MainDisplayLinks.ReferenceMeniscus = ReferenceMeniscus;
  TempParameterFileLinksRecord& t = TempParameterFileLinks;
  // A restored buffer-mismatch fit shows where its reference meniscus lies.
  t.DrawMeniscusCursor = [w](platform::WindowHandle, float radius) {
    const CWINPlot* plot = display::MainPlots.DataPlot.get();
    if (plot == nullptr || w->Host() == nullptr || !display::InsidePlotFrameX(*plot, radius))
      return;
    display::DrawCursorLine(w->Host(), display::ValueToWindowX(*plot, radius),
                            display::CursorLineColour(CursorLineKind::ReferenceMeniscusLine));
    ShowDirectDrawing(*w);
  };
  t.ReloadSavedFitParameters = [w](platform::WindowHandle) { CmReloadSavedFitParameters(*w); };
  // Questions are skipped while one command drives another (and during the
  // start and a batch run), as the model commands' notes are.
  t.QuietMode = [] { return ModelSwitchState.SuppressModelNotes; };
  ViewLinks.OpenParameterDialog = [](TXLAWindow& target) { CmParametersCommand(target); };
  DistributionCommandLinks.WriteDistribution2D = [](const std::string& path) {
    WriteDistribution2D(path);
  };
  // A serial fit that was asked to restore each set's saved analysis takes
  // it without a question.
  t.SerialFitRunning = [] { return SerialFitSeries.Running && SerialFitSeries.SerialFitRestoreParams; };
  ModelCommandLinks.ClearDistributionPlots = [] { display::ClearDistributionPlots(); };
  ModelCommandLinks.CheckBufferSedCompatibility = [](TXLAWindow& target) {
    CheckBufferSedCompatibility(target.Handle());
  };
  ParametersCommandLinks.RebuildTwoDimensionalPlot = [w] {
    display::PlotDistribution2D();
    CmUpdate(*w);
  };
}

void RemoveWindowLinks() {
  display::MainDisplayLinks.ReferenceMeniscus = links::Unwired;
  TempParameterFileLinks.DrawMeniscusCursor = links::Unwired;
  TempParameterFileLinks.ReloadSavedFitParameters = links::Unwired;
  TempParameterFileLinks.QuietMode = links::Unwired;
  ViewLinks.OpenParameterDialog = links::Unwired;
  DistributionCommandLinks.WriteDistribution2D = links::Unwired;
  ParametersCommandLinks.RebuildTwoDimensionalPlot = links::Unwired;
  TempParameterFileLinks.SerialFitRunning = links::Unwired;
}
