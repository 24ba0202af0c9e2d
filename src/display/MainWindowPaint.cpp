#include "display/MainWindowPaint.h"

#include <type_traits>
#include <utility>

#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "data/ResidualBitmap.h"
#include "data/ScanDataSet.h"
#include "display/CursorLineDrawing.h"
#include "display/DirectRedraws.h"
#include "display/DisplayLinks.h"
#include "display/MainPlots.h"
#include "display/PrintedPage.h"
#include "display/ResidualHistogramPlot.h"
#include "display/WindowCoordinates.h"
#include "state/CursorLines.h"
#include "state/DisplayState.h"
#include "state/MainPlotLayout.h"
#include "state/PaintState.h"
#include "state/ScreenModes.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "plot/PlotSettings.h"

namespace display {

const char* const kDisclaimerLines[kDisclaimerLineCount] = {
    "DISCLAIMER:", "", "", "", "", "", "", "", ""};

namespace {

template <class F, class... Args>
auto Call(const F& hook, Args&&... args) {
  using Result = decltype(hook(std::forward<Args>(args)...));
  if constexpr (std::is_void_v<Result>) {
    if (hook) hook(std::forward<Args>(args)...);
  } else {
    if (!hook) return Result{};
    return hook(std::forward<Args>(args)...);
  }
}

void EraseClientArea(platform::Canvas& dc, platform::Size client) {
  dc.Save();
  dc.SetMapMode(platform::MapMode::Text);
  dc.ResetClip();
  dc.SelectPen(platform::NullPen());
  dc.SelectBrush(platform::WhiteBrush());
  dc.Rectangle({0, 0, client.width + 1, client.height + 1});
  dc.Restore();
}

// A small semi-bold serif in grey at the top left, in device pixels.
void DrawDisclaimer(platform::Canvas& dc) {
  platform::Font font;
  font.height = 12;
  font.weight = 600;
  font.family = platform::FontFamily::Roman;
  const platform::Font previousFont = dc.SelectFont(font);
  const platform::Color previousColour = dc.SetTextColor(platform::Rgb(100, 100, 100));
  for (int k = 0; k < kDisclaimerLineCount; ++k) dc.TextOut({10, 55 + 15 * k}, kDisclaimerLines[k]);
  dc.SetTextColor(previousColour);
  dc.SelectFont(previousFont);
}

// True when this paint armed the exit of a finished batch run: Exit then
// runs once, from this paint alone (Exit itself paints the window again).
bool CommonStart(platform::Canvas& dc) {
  const bool exitArmed = BatchDone && !ExitRequested;
  if (exitArmed) ExitRequested = true;
  DrawingAllowed = true;
  if (!Call(MainDisplayLinks.PeakLabelsActive)) Call(MainDisplayLinks.ClearPeakLabels);
  if (PaintState.DisclaimerPending) {
    DrawDisclaimer(dc);
    PaintState.DisclaimerPending = false;
  }
  return exitArmed;
}

bool AnyPlotExists() {
  return MainPlots.DataPlot || MainPlots.ResidualPlot || Call(MainDisplayLinks.ToolPlotsExist);
}

void SetPlotSpaceMapping(platform::Canvas& dc, platform::Size client) {
  dc.SetMapMode(platform::MapMode::Anisotropic);
  dc.SetWindowOrigin({0, 0});
  dc.SetViewportOrigin({0, 0});
  dc.SetWindowExtent(PlotSpaceSize());
  dc.SetViewportExtent(client);
}

// The fixed lines over the data plot; light-scattering data have no
// meniscus, bottom or ranges.
void DrawPaintCursorLines(platform::Canvas& dc, const CWINPlot& plot) {
  const auto& d = ScanDataSet;
  const KeyCursorMode mode = CursorLineState.Mode;
  const bool dls = DlsDataMode;
  const auto at = [&](float value) { return ValueToWindowX(plot, value); };
  const auto& f = FitControl;
  const float meniscus = ModelParameters.Meniscus;
  if (meniscus != 0.0f && mode != KeyCursorMode::SetMeniscusOrBottom && !dls) {
    DrawCursorLine(dc, at(meniscus), CursorLineColour(CursorLineKind::MeniscusLine));
    const std::optional<float> reference = Call(MainDisplayLinks.ReferenceMeniscus);
    // The reference can lie outside the radii shown: no line over the axis then.
    if (reference && mode != KeyCursorMode::SetReferenceMeniscus &&
        InsidePlotFrameX(plot, *reference))
      DrawCursorLine(dc, at(*reference), CursorLineColour(CursorLineKind::ReferenceMeniscusLine));
    const platform::Color range = CursorLineColour(CursorLineKind::MeniscusLowLine);
    for (float value : {f.MAXMENISCUS, f.MINMENISCUS, f.MAXBOTTOM, f.MINBOTTOM})
      if (value != 0.0f) DrawDashedCursorLine(dc, at(value), range, kRangeLineDashes);
    if (f.MAXMENISCUS != 0.0f && f.MINMENISCUS != 0.0f && f.MAXBOTTOM != 0.0f &&
        f.MINBOTTOM != 0.0f)
      PaintState.MeniscusRangesSet = true;
  }
  if (!dls && ModelParameters.Bottom != 0.0f)
    DrawCursorLine(dc, at(ModelParameters.Bottom), CursorLineColour(CursorLineKind::BottomLine));
  const platform::Color limit = CursorLineColour(CursorLineKind::FitLeftLine);
  if (d.FitLeftLim != 0.0f && mode != KeyCursorMode::SetFitLimit)
    DrawCursorLine(dc, at(d.FitLeftLim), limit);
  if (d.FitRightLim != 0.0f) DrawCursorLine(dc, at(d.FitRightLim), limit);
  if (CursorLineState.CursorLineShown) XorCursorLine(dc, at(CursorLineState.CursorValue), false);
}

void PaintResiduals(platform::Canvas& dc, platform::Size client) {
  const auto& o = MainDisplayOptions;
  UpdateResiduals(true);
  ReplayInPlotSpace(dc, client, ResidualPlotMetafile());
  if (ScreenModes.EqTestHidesResidualExtras) return;
  if (o.ShowResidualsBitmap) {
    dc.Save();
    dc.SetMapMode(platform::MapMode::Text);
    DrawResidualBitmap(dc);
    dc.Restore();
  }
  if (o.ShowResidualsHistogram) {
    UpdateHistogramPlot();
    ReplayInPlotSpace(dc, client, HistogramPlotMetafile());
  }
}

void PaintMainDisplay(platform::Canvas& dc, platform::Size client) {
  const auto& o = MainDisplayOptions;
  const bool eqTest = ScreenModes.EqTestScreenActive;
  if (ScreenModes.DataPlotRelayoutOnPaint) RenderDataPlot(true);
  const platform::Metafile extrapolation = Call(MainDisplayLinks.ExtrapolationPlot);
  if (o.ShowData)
    ReplayInPlotSpace(dc, client, extrapolation.IsNull() ? DataPlotMetafile() : extrapolation);
  ReplayInPlotSpace(dc, client, Call(MainDisplayLinks.RepaintEqTestPlot));
  if (const CWINPlot* plot = MainPlots.DataPlot.get()) {
    // The lines and model curves belong to the data plot's axes, not to an
    // extrapolation plot shown in its place.
    if (o.ShowData && !eqTest && extrapolation.IsNull()) {
      DrawPaintCursorLines(dc, *plot);
      ReplayDataPlotOverlays(dc, client);
      Call(MainDisplayLinks.DrawCtotOverlay, dc);
    }
    if (o.ShowResiduals) PaintResiduals(dc, client);
  }
  const ModelKind kind = ModelSelection.Kind;
  if (!ScreenModes.DisplayHoldForCalibration && !eqTest &&
      (IsContinuousModel(kind) || IsVanHoldeWeischetFamily(kind))) {
    const platform::Metafile distribution = Call(MainDisplayLinks.RedrawDistributionPlot);
    if (!distribution.IsNull()) {
      ReplayInPlotSpace(dc, client, distribution);
      Call(MainDisplayLinks.DrawPriorOverlay, dc);
    }
  }
  if (PaintState.FitResultPending && !eqTest) {
    ScanRmsd();
    Call(MainDisplayLinks.FitResultText);
    PaintState.FitResultPending = false;
  }
}

void RecordPaintedDataFrame(const CWINPlot* plot) {
  int* frame = PaintState.PaintedDataFrame;
  frame[0] = plot ? plot->nLeft : 0;
  frame[1] = plot ? plot->nTop : 0;
  frame[2] = plot ? plot->nRight : 0;
  frame[3] = plot ? plot->nBottom : 0;
}

void PaintScreen(platform::Canvas& dc, platform::Size client) {
  dc.Save();
  SetPlotSpaceMapping(dc, client);
  PaintState.ToolPlotShown = false;
  PaintState.AdHocToolPlotShown = false;
  const ToolLayer layer =
      MainDisplayLinks.PaintToolLayer ? MainDisplayLinks.PaintToolLayer(dc) : ToolLayer::None;
  if (layer == ToolLayer::ToolPlot) PaintState.ToolPlotShown = true;
  if (layer == ToolLayer::AdHocToolPlot) PaintState.AdHocToolPlotShown = true;
  if (layer == ToolLayer::None) PaintMainDisplay(dc, client);
  RecordPaintedDataFrame(layer == ToolLayer::None && MainDisplayOptions.ShowData
                             ? MainPlots.DataPlot.get()
                             : nullptr);
  Call(MainDisplayLinks.PaintToolStatus, dc);
  if (!ScreenModes.EqTestScreenActive && !ScreenModes.MStarScreenActive &&
      !PaintState.AdHocToolPlotShown && !PaintState.ToolPlotShown)
    Call(MainDisplayLinks.PaintScreenButtons, dc);
  dc.Restore();
  Call(MainDisplayLinks.UpdateRuntimeMenus);
}

}  // namespace

bool DataPlotWhereLastPainted() {
  const CWINPlot* plot = MainPlots.DataPlot.get();
  const int* frame = PaintState.PaintedDataFrame;
  return plot != nullptr && frame[0] == plot->nLeft && frame[1] == plot->nTop &&
         frame[2] == plot->nRight && frame[3] == plot->nBottom &&
         frame[2] > frame[0];
}

void ResizeMainWindow(platform::Size client) {
  MainPlotLayout.ClientWidth = static_cast<float>(client.width);
  MainPlotLayout.ClientHeight = static_cast<float>(client.height);
}

void PaintMainWindow(platform::Canvas& dc, bool erase, const PaintContext& context) {
  // The platform's erasing call is the first pass; a drawing call that
  // comes without one first erases and asks for the drawing pass.
  const bool printing = PaintState.PrintingFlag;
  const bool firstPass = !printing && (erase || !PaintState.PaintSecondPass);
  if (firstPass && !context.busy) EraseClientArea(dc, context.client);
  const bool exitArmed = CommonStart(dc);
  if (context.busy) return;
  if (firstPass) {
    PaintState.PaintSecondPass = true;
    if (!erase && context.host) context.host->Invalidate();
    // Before the test for plots, so that a batch run whose data failed to
    // load still ends by itself.
    if (exitArmed) Call(MainDisplayLinks.ExitProgram);
    return;
  }
  if (!AnyPlotExists()) return;
  if (printing) {
    PrintMainPlots(dc, context.host ? context.host->Handle() : nullptr);
    return;
  }
  PaintState.PaintSecondPass = false;
  ResizeMainWindow(context.client);
  PaintScreen(dc, context.client);
}

}  // namespace display
