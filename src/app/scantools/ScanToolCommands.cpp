#include "app/scantools/ScanToolCommands.h"

#include "app/scantools/BoundaryAnalysisCommands.h"
#include "app/scantools/FluorescenceCommands.h"
#include "app/scantools/ScanCorrectionCommands.h"
#include "app/options/ProgramOptions.h"
#include "state/LoadOptions.h"
#include "app/scantools/DataToolCommands.h"
#include "app/scantools/FringeJumpActions.h"
#include "app/scantools/MouseActions.h"
#include "app/scantools/ScratchTracking.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/viewcmds/ViewLinks.h"
#include "app/window/TXLAWindow.h"
#include "app/commands/CommandTable.h"
#include "display/DisplayLinks.h"
#include "state/MainPlotLayout.h"
#include "models/ParametersCommand.h"
#include "plot/CAdHocPlot.h"
#include "tools/TimeStampAnalysis.h"
#include "state/TimeStampCheck.h"
#include "state/Links.h"

namespace {

// The paint's tool layer before the scan tools took it over.
std::function<display::ToolLayer(platform::Canvas&)> PreviousToolLayer;

// While an interactive tool with a picture is active, the paint shows the
// picture and its lines in place of the main plots.
display::ToolLayer PaintActiveTool(platform::Canvas& dc) {
  const CMouseAction* a = ActiveMouseAction();
  if (a == nullptr || a->Picture() == nullptr) {
    return links::IsInstalled(PreviousToolLayer) ? PreviousToolLayer(dc) : display::ToolLayer::None;
  }
  a->Picture()->pPlot->hMetaFile.Play(dc);
  dc.SetTextAlign({platform::HAlign::Left, platform::VAlign::Top});
  const auto& l = MainPlotLayout;
  for (const CMouseAction::TextLine& line : a->Lines()) {
    const int x = l.ClientWidth > 0 ? static_cast<int>(line.x * 1400.0f / l.ClientWidth) : 0;
    const int y = l.ClientHeight > 0 ? static_cast<int>(line.y * 1000.0f / l.ClientHeight) : 0;
    dc.TextOut({x, y}, line.text);
  }
  return display::ToolLayer::AdHocToolPlot;
}

}  // namespace

void RegisterScanToolCommands(CommandTable& table) {
  RegisterFluorescenceCommands(table);
  RegisterScanCorrectionCommands(table);
  table.Add(1109, &CmTrackTINoiseFeature, false, "CmTrackTINoiseFeature");
  table.Add(1110, &CmRemoveFringeJumpsAtPosition, false, "CmRemoveFringeJumpsAtPosition");
  table.Add(1111, &CmRemoveFringeJumpsInScan, false, "CmRemoveFringeJumpsInScan");
  table.Add(199, &CmRemoveFringeJumpsInScan, false, "CmRemoveFringeJumpsInScan");
  table.Add(922, &CmRestoreTimeAndW2t, false, "CmRestoreTimeAndW2t");
  table.Add(1108, &CmWienerSkewingCorrection, false, "CmWienerSkewingCorrection");
  table.Add(903, &CmSortFluorescenceData, false, "CmSortFluorescenceData");
}

void InstallScanToolHooks(TXLAWindow& window) {
  InitFloToolSettings();
  InstallBoundaryAnalysisHooks(window);
  TXLAWindow* owner = &window;
  CreateMouseActions(&window);
  ViewLinks.FinishMouseAction = [] { return FinishMouseAction(); };
  ViewLinks.CancelMouseAction = [] { return CancelMouseAction(); };
  ViewLinks.CloseExtrapolationPlot = [owner] {
    if (!ExtrapolationPlotShown()) return false;
    CloseExtrapolationPlot(*owner);
    return true;
  };
  ViewLinks.ShiftScansUndoRotorStretch = [](TXLAWindow& w) { CmShiftScansUndoRotorStretch(w); };
  TimeStampCheck = [](platform::WindowHandle w) {
    return TimeStampCheckWith(w, ProgramOptions.TimestampThreshold, LoadOptions.MultiSpeedAutoload);
  };
  ParametersCommandLinks.WienerSkewingParameters = [owner](platform::WindowHandle) {
    WienerSkewingParameters(*owner);
  };
  auto& links = display::MainDisplayLinks;
  using Layer = display::ToolLayer (*)(platform::Canvas&);
  const Layer* current = links.PaintToolLayer.target<Layer>();
  if (current == nullptr || *current != &PaintActiveTool) {
    PreviousToolLayer = links.PaintToolLayer;
    links.PaintToolLayer = &PaintActiveTool;
  }
}

void RemoveScanToolHooks() {
  StopAllMouseActions();
  CreateMouseActions(nullptr);
  ViewLinks.FinishMouseAction = [] { return false; };
  // The window's own layer goes with the window's hooks.
  PreviousToolLayer = nullptr;
  RemoveBoundaryAnalysisHooks();
  ViewLinks.CancelMouseAction = links::Unwired;
  ViewLinks.CloseExtrapolationPlot = links::Unwired;
  ViewLinks.ShiftScansUndoRotorStretch = [](TXLAWindow&) {};
  TimeStampCheck = [](platform::WindowHandle) { return false; };
  ParametersCommandLinks.WienerSkewingParameters = [](platform::WindowHandle) {};
}
