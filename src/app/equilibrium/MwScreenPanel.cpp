// The button panel of the Mw/M* screen: the buttons with their captions and
// places, the clicks, and the right-button drags that set the two
// extrapolation bases.

#include <cmath>
#include <cstdio>
#include <string>

#include "app/equilibrium/MwScreen.h"
#include "app/interaction/ScreenButtons.h"
#include "app/interaction/WindowDrawing.h"
#include "app/models/ModelCommandSupport.h"
#include "app/viewcmds/WindowHelpers.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "display/MainPlots.h"
#include "display/WindowCoordinates.h"
#include "state/ScreenModes.h"
#include "data/CommonRadialGrid.h"
#include "equilibrium/MStarTransform.h"
#include "state/ModelParameters.h"
#include "ui/Boxes.h"

namespace {

constexpr const char* kMStarCaption = "M* transformation";
constexpr const char* kLnCCaption = "lnc-r2 transformation";
constexpr float kRow = 24.0f;     // height of a button row, plot-space units
constexpr float kHeight = 22.0f;  // height of a button

int N() {
  return MStarData.Count;
}

std::string Format(const char* format, auto... values) {
  char text[200];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

// A push button whose width follows its longer caption.
float WidthOf(const std::string& a, const std::string& b) {
  return 14.0f + 7.5f * static_cast<float>(std::max(a.size(), b.size()));
}

void Place(int index, float top, float left, const std::string& caption,
           const std::string& onCaption, bool rightAligned = false, bool on = false) {
  const float width = WidthOf(caption, onCaption);
  if (rightAligned) left -= width;
  auto button = MakeScreenButton(top, left, top + kHeight, left + width, caption, onCaption, true);
  button->AlignBaselineRaised();
  button->On = on;
  button->Render();
  MStarScreen.PanelButtons[static_cast<std::size_t>(index)] = std::move(button);
  MStarScreen.PanelRightAligned[static_cast<std::size_t>(index)] = rightAligned;
}

// New captions; the width follows them, the button keeping its anchored
// edge.
void Recaption(CScreenButton* b, const std::string& caption, const std::string& onCaption) {
  if (!b) return;
  b->SetCaptions(caption, static_cast<int>(caption.size()), onCaption,
                 static_cast<int>(onCaption.size()));
  const auto& buttons = MStarScreen.PanelButtons;
  bool right = false;
  for (std::size_t i = 0; i < buttons.size(); ++i)
    if (buttons[i].get() == b) right = MStarScreen.PanelRightAligned[i];
  const float width = WidthOf(caption, onCaption);
  if (right)
    b->SetRect(b->RectTop, b->RectRight - width, b->RectBottom, b->RectRight);
  else
    b->SetRect(b->RectTop, b->RectLeft, b->RectBottom, b->RectLeft + width);
  b->Render();
}

void Press(TXLAWindow& window, CScreenButton* b, bool on) {
  if (!b) return;
  b->On = on;
  b->Render();
  PaintButtonNow(window, *b);
}

std::string SmoothCaption() {
  return Format("SG smooth = %.1f %%(%d)", MStarSettings.SmoothHalfWindow * 0.1,
                MStarSettings.SmoothOrder);
}
std::string BoxCaption() {
  return Format("SG smooth = %.1f %%(box)", MStarSettings.BoxHalfWindow * 0.1);
}
std::string BaselineCaption(int i) {
  if (ModelParameters.RINoiseFitted) return Format("Baseline(%d) = %.4f", i, SetBaseline(i));
  return Format("Baseline = %.4f", static_cast<double>(ModelParameters.Baseline));
}
std::string MeniscusValueCaption(int i) {
  const char* name = ScanReaderOptions.InterferenceData ? "Ja" : "A0";
  std::string text = Format("%s(%d) = %.4f", name, i,
                            static_cast<double>(MStarData.Sets[i].MeniscusValue));
  if (MStarSettings.MeniscusValueFixed) text += " (fix)";
  return text;
}

// Radii of two window columns through the signal plot's abscissa.
RadialBasis BasisFromDrag(int leftX, int rightX) {
  const CWINPlot* plot = MStarScreen.SignalPlot;
  if (!plot) return {};
  RadialBasis b{display::WindowXToValue(*plot, leftX), display::WindowXToValue(*plot, rightX)};
  if (b.R1 > b.R2) std::swap(b.R1, b.R2);
  return b;
}

void SetCrossCursor(TXLAWindow& window) {
  if (platform::WindowHost* host = window.Host()) host->SetCursor(platform::CursorShape::Cross);
}

bool EnterOrder(TXLAWindow& window, int& order) {
  float value = static_cast<float>(order);
  if (!AskFloat(window, value, value, "polynomial order (1 or 2):", kMStarCaption)) return false;
  const int entered = static_cast<int>(std::floor(value));
  if (entered < 0) {
    ShowNote(window, "sorry, the polynomial order cannot be negative", kMStarCaption);
    return false;
  }
  order = entered;
  return true;
}

// The Savitzky-Golay entries are refused unless the smoothing can use them:
// at least one point on each side and an order not above the half-window.
constexpr const char* kWindowRefusal =
    "sorry, the smoothing window must reach at least 0.1 % of the radial distance on each side "
    "(and at most 49.9 %), and the order must not exceed its number of points on each side";

void ClickSmoothing(TXLAWindow& window) {
  auto& st = MStarSettings;
  float distance = st.SmoothHalfWindow * 0.1f;
  if (!AskFloat(window, distance, distance, "SG smooth %distance:", kLnCCaption)) return;
  float order = static_cast<float>(st.SmoothOrder);
  if (!AskFloat(window, order, order, "SG smooth order (box=1):", kLnCCaption)) return;
  const int half = static_cast<int>(std::floor(10.0f * distance + 1e-4f));
  const int newOrder = static_cast<int>(std::floor(order));
  if (!SmoothingWindowAcceptable(half, newOrder)) {
    ShowNote(window, kWindowRefusal, kLnCCaption);
    return;
  }
  st.SmoothHalfWindow = half;
  st.SmoothOrder = newOrder;
}

void ClickBox(TXLAWindow& window) {
  auto& st = MStarSettings;
  float distance = st.BoxHalfWindow * 0.1f;
  if (!AskFloat(window, distance, distance, "SG smooth %distance:", kLnCCaption)) return;
  const int half = static_cast<int>(std::floor(10.0f * distance + 1e-4f));
  if (!SmoothingWindowAcceptable(half, 1)) {
    ShowNote(window, kWindowRefusal, kLnCCaption);
    return;
  }
  st.BoxHalfWindow = half;
}

void ClickMeniscusExtrapolation(TXLAWindow& window, CScreenButton* button) {
  Press(window, button, true);
  EnterOrder(window, MStarSettings.MeniscusOrder);
  if (AskYesNo(window, "change extrapolation basis?", kMStarCaption)) {
    MStarScreen.MeniscusDragPending = true;
    for (int i = 1; i <= N(); ++i) {
      CScreenButton* b = PanelButton(8 + 3 * N() + i);
      Recaption(b, "drag right mouse", "drag right mouse");
      if (b) PaintButtonNow(window, *b);
    }
    SetCrossCursor(window);
    return;
  }
  MStarSettings.MeniscusValueFixed = false;
  BusyWait(0.1f);
  MwAnalysisPerSet(window);
  Press(window, button, false);
}

void ClickBottomExtrapolation(TXLAWindow& window, CScreenButton* button) {
  Press(window, button, true);
  EnterOrder(window, MStarSettings.BottomOrder);
  if (AskYesNo(window, "change extrapolation basis (in A(r) plot)?", kMStarCaption)) {
    MStarScreen.BottomDragPending = true;
    Recaption(button, "drag right mouse in A(r)", "drag right mouse in A(r)");
    if (button) PaintButtonNow(window, *button);
    SetCrossCursor(window);
    return;
  }
  Press(window, button, false);
}

void ClickBaseline(TXLAWindow& window, int i, CScreenButton* button) {
  Press(window, button, true);
  auto& m = ModelParameters;
  if (m.RINoiseFitted) {
    auto& ri = CommonRadialGrid.RINoise;
    if (i >= ri.lo() && i <= ri.hi()) {
      float value = ri[i];
      const std::string prompt = Format("new baseline %d signal:", i);
      if (AskFloat(window, value, value, prompt.c_str(), kMStarCaption)) ri[i] = value;
    }
  } else {
    float value = m.Baseline;
    if (AskFloat(window, value, value, "new baseline signal:", kMStarCaption)) m.Baseline = value;
  }
  Recaption(button, BaselineCaption(i), "set");
  Press(window, button, false);
}

void ClickMeniscusValue(TXLAWindow& window, int i, CScreenButton* button) {
  MStarDataSet& s = MStarData.Sets[i];
  const std::string prompt =
      Format(ScanReaderOptions.InterferenceData ? "new Ja(%d):" : "new A0(%d):", i);
  float value = s.MeniscusValue;
  if (!AskFloat(window, value, value, prompt.c_str(), kMStarCaption)) return;
  s.MeniscusValue = value;
  MStarSettings.MeniscusValueFixed = true;
  Recaption(button, MeniscusValueCaption(i), MeniscusValueCaption(i));
  if (button) PaintButtonNow(window, *button);
}

void RebuildMwAppPlot() {
  FreeMwAppPlot();
  BuildMwAppPlot();
}

}  // namespace

CScreenButton* PanelButton(int index) {
  auto& b = MStarScreen.PanelButtons;
  if (index < 1 || index >= static_cast<int>(b.size())) return nullptr;
  return b[static_cast<std::size_t>(index)].get();
}

void BuildMwScreenPanel(TXLAWindow& window) {
  FreeMwScreenPanel();
  auto& screen = MStarScreen;
  const auto& st = MStarSettings;
  const int n = N();
  screen.PanelButtonCount = 4 * n + 9;
  screen.PanelButtons.resize(static_cast<std::size_t>(screen.PanelButtonCount) + 1);
  screen.PanelRightAligned.assign(screen.PanelButtons.size(), false);
  const CWINPlot* signal = screen.SignalPlot;
  const float sLeft = signal ? signal->nLeft : 105.0f, sRight = signal ? signal->nRight : 630.0f;
  const float sTop = signal ? signal->nTop : 50.0f;
  const float mLeft = screen.MStarPlot ? screen.MStarPlot->nLeft : sLeft;
  const float mRight = screen.MStarPlot ? screen.MStarPlot->nRight : sRight;
  const float mTop = screen.MStarPlot ? screen.MStarPlot->nTop : 525.0f;
  const float lLeft = 550.0f * 1.4f, lRight = 975.0f * 1.4f, lTop = 50.0f, lBottom = 450.0f;
  const float aLeft = lLeft, aTop = 525.0f;
  (void)mLeft;
  const bool cm = st.CMSmoothing;
  if (!cm) Place(1, sTop + 2, sLeft + 130, "extrap.", "extrap.");
  Place(2, lTop + 2, lLeft + 235, SmoothCaption(), SmoothCaption());
  Place(3, aTop + 2, aLeft + 235, BoxCaption(), BoxCaption());
  if (!cm) Place(4, mTop + 2, mRight - 2, "extrap.", "extrap.", true);
  if (n >= 2)
    Place(5, sTop - kRow, sRight, "RI off", "RI on ", false, ModelParameters.RINoiseFitted);
  Place(6, sTop - 2 * kRow, sRight, "c(M) off", "c(M) on ", false, cm);
  Place(7, sTop - 2 * kRow, sRight + 125, " hinge point info ", " hinge point info ");
  Place(8, aTop + 2 + kRow, aLeft + 115, " toggle to dlnc/dr2",
        " toggle to (1/2)(1/(c*r))(dc/dr)", false, !st.MwAppGradientForm);
  for (int i = 1; i <= n; ++i) {
    Place(8 + i, mTop + 2 + i * kRow, mRight - 2, "Mwavg", "Mwavg", true);
    if (!cm) Place(8 + n + i, lBottom - 2 - (n - i + 1) * kRow, lRight - 2, "linear fit", "", true);
    Place(8 + 2 * n + i, sTop + 2 + (i - 1) * kRow, sRight - 2, BaselineCaption(i), "set", true);
    Place(8 + 3 * n + i, sTop + 2 + i * kRow, sLeft + 35, MeniscusValueCaption(i), "");
  }
  Place(4 * n + 9, aTop + 2, aLeft + 115, "go to Mwapp(r)", "go to Mwapp(c)", false,
        !screen.ShowMwAppOfC);
  UpdatePanelSetCaptions(window);
}

void FreeMwScreenPanel() {
  MStarScreen.PanelButtons.clear();
  MStarScreen.PanelRightAligned.clear();
  MStarScreen.PanelButtonCount = 0;
}

void UpdatePanelSetCaptions(TXLAWindow&) {
  const int n = N();
  for (int i = 1; i <= n; ++i) {
    const MStarDataSet& s = MStarData.Sets[i];
    const std::string avg = Format("Mwavg(%d) = %.1f (kDa)", i, static_cast<double>(s.MwAvg));
    Recaption(PanelButton(8 + i), avg, avg);
    const std::string linear =
        Format("linear fit to lnc(r^2)(%d) --> %.1f (kDa)", i, static_cast<double>(s.MwLinear));
    Recaption(PanelButton(8 + n + i), linear, linear);
    Recaption(PanelButton(8 + 2 * n + i), BaselineCaption(i), "set");
    if (!MStarScreen.MeniscusDragPending)
      Recaption(PanelButton(8 + 3 * n + i), MeniscusValueCaption(i), MeniscusValueCaption(i));
  }
}

void MwScreenButtonClick(TXLAWindow& window, int index) {
  if (!ScreenModes.MStarScreenActive) return;
  const int n = N();
  auto& st = MStarSettings;
  auto& screen = MStarScreen;
  CScreenButton* button = PanelButton(index);
  if (index != 0 && !button) return;
  if (index == 1) {
    ClickMeniscusExtrapolation(window, button);
    if (screen.MeniscusDragPending) return;
  } else if (index == 2 || index == 3) {
    Press(window, button, true);
    if (index == 2)
      ClickSmoothing(window);
    else
      ClickBox(window);
    Recaption(button, index == 2 ? SmoothCaption() : BoxCaption(),
              index == 2 ? SmoothCaption() : BoxCaption());
    Press(window, button, false);
  } else if (index == 4) {
    ClickBottomExtrapolation(window, button);
  } else if (index == 5) {
    Press(window, button, !button->On);
    ModelParameters.RINoiseFitted = !ModelParameters.RINoiseFitted;
    if (st.CMSmoothing) {
      st.AskCMRange = false;
      RunCMForMStar(window);
      st.AskCMRange = true;
      return;
    }
  } else if (index == 6) {
    Press(window, button, !button->On);
    if (st.CMSmoothing) {
      FreeMStarSignalPlot();
      st.CMSmoothing = false;
      screen.OpenedSinceCM = false;
      StartMStarTransformation(window);
    } else {
      RunCMForMStar(window);
    }
    return;
  } else if (index == 7) {
    Press(window, button, true);
    ShowHingePointInfo(window);
    Press(window, button, false);
  } else if (index == 8) {
    Press(window, button, !button->On);
    st.MwAppGradientForm = !st.MwAppGradientForm;
    RebuildMwAppPlot();
  } else if (index > 8 + 2 * n && index <= 8 + 3 * n) {
    ClickBaseline(window, index - 8 - 2 * n, button);
  } else if (index > 8 + 3 * n && index <= 8 + 4 * n) {
    ClickMeniscusValue(window, index - 8 - 3 * n, button);
  } else if (index == 4 * n + 9) {
    screen.ShowMwAppOfC = !screen.ShowMwAppOfC;
    Press(window, button, !screen.ShowMwAppOfC);
    RebuildMwAppPlot();
  }
  MwAnalysisPerSet(window);
}

void MwScreenDragBasis(TXLAWindow& window, int mode, int leftX, int rightX) {
  auto& screen = MStarScreen;
  if (mode == 1 && screen.MeniscusDragPending) {
    screen.MeniscusDragPending = false;
    MStarSettings.MeniscusBasis = BasisFromDrag(leftX, rightX);
    MStarSettings.MeniscusValueFixed = false;
    MwAnalysisPerSet(window);
    Press(window, PanelButton(1), false);
  } else if (mode == 4 && screen.BottomDragPending) {
    CScreenButton* button = PanelButton(4);
    Recaption(button, "extrap.", "extrap.");
    Press(window, button, false);
    screen.BottomDragPending = false;
    MStarSettings.BottomBasis = BasisFromDrag(leftX, rightX);
    MwAnalysisPerSet(window);
  } else if (mode == 0) {
    MwAnalysisPerSet(window);
  }
}
