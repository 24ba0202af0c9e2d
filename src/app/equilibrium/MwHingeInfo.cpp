// The " hinge point info " button: per set the loading signal (with a
// manual override), the smoothing interval and Mw,app at the hinge, with
// marker lines drawn straight into the window until the next repaint.

#include <cstdio>
#include <string>

#include "app/equilibrium/MwScreen.h"
#include "app/models/ModelCommandSupport.h"
#include "app/options/OptionBoxes.h"
#include "app/window/TXLAWindow.h"
#include "display/WindowCoordinates.h"
#include "equilibrium/HingePoint.h"
#include "equilibrium/MStarTransform.h"
#include "state/ModelParameters.h"

namespace {

constexpr const char* kCaption = "HINGE POINT INFO";

int Column(const CWINPlot& plot, float v) {
  return display::ValueToWindowX(plot, v);
}
int Row(const CWINPlot& plot, float v) {
  return display::PlotRowToWindowY(static_cast<float>(plot.MapY(v)));
}
int Row(float planeRow) {
  return display::PlotRowToWindowY(planeRow);
}

void DrawHingeMarkers(TXLAWindow& window, int i, float L, float mw, float rh) {
  platform::WindowHost* host = window.Host();
  const auto& screen = MStarScreen;
  if (!host || !screen.SignalPlot || !screen.LnCPlot || !screen.MwAppPlot) return;
  platform::Canvas& dc = host->ClientCanvas();
  dc.Save();
  dc.SetMapMode(platform::MapMode::Text);
  dc.SetWindowOrigin({0, 0});
  dc.SetViewportOrigin({0, 0});
  dc.SetRasterOp(platform::RasterOp::CopyPen);
  dc.SelectPen(platform::SolidPen(platform::Rgb(203, 0, 245), 1));
  const CWINPlot& signal = *screen.SignalPlot;
  const CWINPlot& lnc = *screen.LnCPlot;
  const CWINPlot& mwapp = *screen.MwAppPlot;
  const auto& m = ModelParameters;
  const auto vertical = [&](int x, float top, float bottom) {
    dc.DrawLine({x, Row(top)}, {x, Row(bottom)});
  };
  vertical(Column(signal, rh), 50, 450);
  vertical(Column(lnc, rh * rh), 50, 450);
  // With the total signal as abscissa the hinge lies at the loading signal
  // plus the set's baseline.
  const float b = SetBaseline(i);
  vertical(Column(mwapp, MStarScreen.ShowMwAppOfC ? L + b : rh), 525, 925);
  dc.DrawLine({Column(signal, m.Meniscus), Row(signal, L + b)},
              {Column(signal, m.Bottom), Row(signal, L + b)});
  dc.DrawLine({Column(mwapp, mwapp.fXMin), Row(mwapp, mw)},
              {Column(mwapp, mwapp.fXMax), Row(mwapp, mw)});
  dc.Restore();
  host->UpdateNow();
}

}  // namespace

void ShowHingePointInfo(TXLAWindow& window) {
  float dr = 0.01f;
  const auto& m = ModelParameters;
  for (int i = 1; i <= MStarData.Count; ++i) {
    float L = EstimateLoadingSignal(i);
    char text[300];
    std::snprintf(text, sizeof text,
                  "estimated loading signal from meniscus (%.3f) to bottom (%.3f) = %.3f "
                  "\n\tmanual override?",
                  static_cast<double>(m.Meniscus), static_cast<double>(m.Bottom),
                  static_cast<double>(L));
    if (AskYesNoBox(window, text, kCaption)) AskFloat(window, L, L, "new total signal", kCaption);
    AskFloat(window, dr, dr, "radial interval for smoothing Mapp(r_hinge)", kCaption);
    float rh = 0.0f, from = 0.0f, to = 0.0f;
    const float mw = HingePointMwApp(i, L, dr, rh, from, to);
    std::snprintf(text, sizeof text, "Mwapp(rhinge=%.3f cm) = %.3f kDa", static_cast<double>(rh),
                  static_cast<double>(mw));
    DrawHingeMarkers(window, i, L, mw, rh);
    ShowNote(window, text, kCaption);
  }
}
