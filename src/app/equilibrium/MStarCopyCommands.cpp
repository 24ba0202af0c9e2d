// "Copy Ln(c) Data", "Copy M* Data" and "Copy Mavg Data": the curves of one
// data set of the Mw/M* screen as tab-separated columns on the clipboard,
// one table after another, each followed by a box so that it can be pasted
// before the next replaces it.

#include <cmath>
#include <string>

#include "app/clipboard/ClipboardTables.h"
#include "app/equilibrium/MwScreen.h"
#include "app/models/ModelCommandSupport.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "state/ScreenModes.h"
#include "equilibrium/MStarTransform.h"

namespace {

// The chosen set, 0 when nothing is to be copied.
int ChooseSet(TXLAWindow& window, const char* caption) {
  if (ScanDataSet.NFILES <= 0 || !ScreenModes.MStarScreenActive || MStarData.Count <= 0) return 0;
  if (MStarData.Count == 1) return 1;
  float entry = 1.0f;
  if (!AskFloat(window, entry, 1.0f, "which data set?", caption)) return 0;
  const int i = static_cast<int>(std::floor(entry));
  return i >= 1 && i <= MStarData.Count ? i : 0;
}

bool HasPoints(const OneBasedArray<float>& a, const MStarDataSet& s) {
  return s.SetPointCount > 0 && a.size() >= s.SetPointCount;
}

// Rows first..last of (x, y), clamped to the arrays, then the box.
void CopyTable(TXLAWindow& window, const OneBasedArray<float>& x, const OneBasedArray<float>& y,
               int first, int last, const std::string& what, const char* caption) {
  const int n = std::min(x.hi(), y.hi());
  first = std::max(first, 1);
  last = std::min(last, n);
  const float* columns[2] = {nullptr, y.data()};
  if (last >= first) CopyColumnsToClipboard(window.Handle(), x.data(), columns, first, last, 1);
  ShowNote(window, what + " is in clipboard - paste before continuing", caption);
}

}  // namespace

void CmCopyMStarData(TXLAWindow& window) {
  constexpr const char* caption = "COPY M* DATA";
  const int i = ChooseSet(window, caption);
  if (i == 0) return;
  const MStarDataSet& s = MStarData.Sets[i];
  const bool cm = MStarSettings.CMSmoothing;
  if (!HasPoints(s.MStar, s) || (cm && !HasPoints(s.MStarCM, s))) return;
  CopyTable(window, s.Radius, s.MStar, s.FirstFit, s.LastFit - 1, "r vs M*(r)", caption);
  if (cm)
    CopyTable(window, s.Radius, s.MStarCM, s.NearMeniscus + 1, s.NearBottom - 1,
              "r vs fit of M*(r) [c(M)-based]", caption);
  else
    CopyTable(window, s.BottomCurveX, s.BottomCurveY, 1, 100, "extrapolation of r vs M*(r)",
              caption);
}

void CmCopyLnCData(TXLAWindow& window) {
  constexpr const char* caption = "COPY LNC DATA";
  const int i = ChooseSet(window, caption);
  if (i == 0) return;
  const MStarDataSet& s = MStarData.Sets[i];
  const bool cm = MStarSettings.CMSmoothing;
  if (!HasPoints(s.LnC, s) || (cm && !HasPoints(s.LnCCM, s))) return;
  const int h = MStarSettings.SmoothHalfWindow;
  CopyTable(window, s.RSquared, s.LnC, s.FirstFit, s.LastFit - 1, "r^2 vs ln(c)", caption);
  if (cm) {
    CopyTable(window, s.RSquared, s.LnCCM, s.NearMeniscus, s.NearBottom - 1,
              "r^2 vs fit of ln(c) [c(M)-based]", caption);
    return;
  }
  CopyTable(window, s.RSquared, s.LnCSmoothed, s.FirstFit + h, s.LastFit - h - 1,
            "r^2 vs smoothed ln(c)", caption);
  CopyTable(window, s.RSquared, s.LnCLine, s.FirstFit, s.LastFit - 1, "r^2 vs linear fit of ln(c)",
            caption);
}

void CmCopyMavgData(TXLAWindow& window) {
  constexpr const char* caption = "COPY MW DATA";
  const int i = ChooseSet(window, caption);
  if (i == 0) return;
  const MStarDataSet& s = MStarData.Sets[i];
  const bool cm = MStarSettings.CMSmoothing;
  if (!HasPoints(s.LnC, s) || (cm && !HasPoints(s.MwAppCM, s))) return;
  const OneBasedArray<float>& y = ShownMwApp(s);
  const bool ofC = MStarScreen.ShowMwAppOfC;
  OneBasedArray<float> x = ofC ? s.Signal : s.Radius;
  if (ofC && AskYesNo(window, "for c vs Mapp(c), subtract baseline?", caption)) {
    const float b = SetBaseline(i);
    for (int k = 1; k <= s.SetPointCount; ++k) x[k] -= b;
  }
  const int hw = MStarSettings.SmoothHalfWindow + MStarSettings.BoxHalfWindow;
  CopyTable(window, x, y, s.FirstFit + hw, s.LastFit - hw - 1,
            ofC ? "c vs Mapp(c)" : "r vs Mapp(r)", caption);
  if (cm)
    CopyTable(window, x, s.MwAppCM, s.NearMeniscus + 1, s.NearBottom - 1,
              ofC ? "c vs fit of Mapp(c) [c(M)-based]" : "r vs fit of Mapp(r) [c(M)-based]",
              caption);
}
