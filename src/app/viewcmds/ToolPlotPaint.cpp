// The one-shot tool plots in the paint: the ad-hoc plot of a scan
// correction, or the tool plot with the rotor speed course and the second
// plot, each shown for one paint and then let go.

#include "app/viewcmds/ToolPlots.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"

namespace {

void RenderAndReplay(CWINPlot& plot, platform::Canvas& dc) {
  plot.Render();
  plot.hMetaFile.Play(dc);
}

void WritePendingCaption(TXLAWindow& window, platform::Canvas& dc, platform::Point at) {
  if (!window.ToolCaptionPending || window.ToolCaptionText.empty()) return;
  dc.SetTextAlign({platform::HAlign::Left, platform::VAlign::Top});
  dc.TextOut(at, window.ToolCaptionText);
}

// The speed course of the profile coupled to the data, over the plotted
// speeds of the scans.
void ReplaySpeedCourse(const CWINPlot& plot, platform::Canvas& dc) {
  CRotorSpeedProfile* profile = ScanDataSet.DataSpeedProfile.get();
  if (profile == nullptr) return;
  profile->BuildSpeedCourse();
  const int n = profile->SpeedCoursePointCount();
  if (n <= 0) return;
  OneBasedArray<float> times(1, n), rpms(1, n);
  for (int k = 1; k <= n; ++k) {
    times[k] = profile->SpeedCourseTimes()[k];
    rpms[k] = profile->SpeedCourseRpms()[k];
  }
  plot.RenderOverlayArrays(times.data(), rpms.data(), n, platform::kBlack, -1, 1).Play(dc);
}

}  // namespace

display::ToolLayer PaintToolPlotLayers(TXLAWindow& window, platform::Canvas& dc) {
  auto& adHoc = AdHocToolPlots;
  if (adHoc.AdHocToolPlot) {
    RenderAndReplay(*adHoc.AdHocToolPlot, dc);
    WritePendingCaption(window, dc, {10, 100});
    ClearAdHocPlots(window);
    window.ToolCaptionPending = false;
    return display::ToolLayer::AdHocToolPlot;
  }
  auto& t = ToolPlotData;
  if (!t.ToolPlot) return display::ToolLayer::None;
  if (!t.ToolPlotFixedLayout) t.ToolPlot->Relayout();
  RenderAndReplay(*t.ToolPlot, dc);
  const CCurve* highlighted = t.FirstCurves[static_cast<std::size_t>(t.HighlightCurve)].get();
  if (t.ApproachHighlightOn && highlighted != nullptr)
    t.ToolPlot
        ->RenderOverlayCurve(*highlighted, t.HighlightFirst, t.HighlightLast,
                             platform::Rgb(255, 0, 0), 12, 1)
        .Play(dc);
  if (t.RotorSpeedPlotShown) ReplaySpeedCourse(*t.ToolPlot, dc);
  if (t.SecondToolPlot) {
    t.SecondToolPlot->Relayout();
    RenderAndReplay(*t.SecondToolPlot, dc);
  }
  WritePendingCaption(window, dc, {600, 100});
  window.ToolCaptionPending = false;
  // The approach-to-equilibrium test keeps its plot while it asks about it,
  // as a screen of its own: the mouse then tells where it points in it.
  if (t.ApproachHighlightOn) return display::ToolLayer::Screen;
  ReleaseToolPlotData(window);
  return display::ToolLayer::ToolPlot;
}
