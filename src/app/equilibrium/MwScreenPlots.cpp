// The four plots of the Mw/M* screen: their curves over the sets' arrays,
// looks, titles and axis ranges.

#include <algorithm>

#include "app/equilibrium/MwScreen.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "display/MainPlots.h"
#include "state/MainPlotLayout.h"
#include "equilibrium/MStarTransform.h"
#include "state/ModelParameters.h"

namespace {

constexpr int kLines = -1;
constexpr int kDashes = 14;
constexpr int kSymbol = 1;

// Running extremes of an axis, starting at +-1e8.
struct Extremes {
  float min = 1e8f, max = -1e8f;
  void Take(float v) {
    min = std::min(min, v);
    max = std::max(max, v);
  }
  float Span() const { return max - min; }
  // Axis ends with a margin: the fraction f of the span above the largest
  // value, and f of the span up to that top below the smallest.
  float Top(float f) const { return max + f * Span(); }
  float Bottom(float f) const { return min - f * (Top(f) - min); }
};

void Attach(CVector& v, OneBasedArray<float>& a, int n) {
  v.AttachFrom(a.data(), static_cast<unsigned>(n), 1);
}

std::unique_ptr<CWINPlot> NewPlot(int top, int left, int bottom, int right) {
  auto plot = std::make_unique<CWINPlot>();
  plot->Place(top, left, bottom, right);
  plot->nSymbolSize = 15;  // the markers: 1.5 times the usual symbol
  return plot;
}

void AddCurve(CWINPlot& plot, CCurve& curve, int style, platform::Color colour, int first = -1,
              int last = -1) {
  plot.AddCurve(&curve);
  const int i = plot.nCurves - 1;
  plot.SetCurveStyle(i, style);
  plot.SetCurveColor(i, colour);
  if (first >= 0) plot.SetCurveRange(i, first, last);
}

MwSetViews& ViewsOf(int i);

// Points first..last of a set: the whole curve with first < 0.
struct PointRange {
  int first = -1, last = -1;
};
const auto kWholeCurve = [](const MStarDataSet&) { return PointRange{}; };
// Between the points nearest to meniscus and bottom (c(M) curves).
const auto InsideTheColumn = [](const MStarDataSet& s) {
  return PointRange{s.NearMeniscus + 1, s.NearBottom - 1};
};
// The fit range of the data curves.
const auto InsideTheFitLimits = [](const MStarDataSet& s) {
  return PointRange{s.FirstFit - 1, s.LastFit - 2};
};

// The same curve of every set, in set order.
template <class RangeOf>
void AddCurveOfEachSet(CWINPlot& plot, CCurve MwSetViews::*curve, int style,
                       platform::Color colour, RangeOf rangeOf) {
  for (int i = 1; i <= MStarData.Count; ++i) {
    const PointRange r = rangeOf(MStarData.Sets[i]);
    AddCurve(plot, ViewsOf(i).*curve, style, colour, r.first, r.last);
  }
}

// The values a[first..last] that exist (the set has n points).
void TakeValues(Extremes& e, const OneBasedArray<float>& a, int first, int last, int n) {
  for (int k = first; k <= last && k <= n; ++k) e.Take(a[k]);
}

MwSetViews& ViewsOf(int i) {
  auto& views = MStarScreen.Views;
  if (static_cast<int>(views.size()) <= i) views.resize(static_cast<std::size_t>(i) + 1);
  auto& slot = views[static_cast<std::size_t>(i)];
  if (!slot) {
    slot = std::make_unique<MwSetViews>();
    MwSetViews& v = *slot;
    v.SignalCurve = CCurve(&v.Radius, &v.Signal);
    v.BaselineCurve = CCurve(&v.BaselineX, &v.BaselineY);
    v.MeniscusCurve = CCurve(&v.MeniscusX, &v.MeniscusY);
    v.MeniscusMarker = CCurve(&v.MeniscusMarkX, &v.MeniscusMarkY);
    v.CMSignalCurve = CCurve(&v.Radius, &v.CMSignal);
    v.MStarCurve = CCurve(&v.Radius, &v.MStar);
    v.BottomCurve = CCurve(&v.BottomX, &v.BottomY);
    v.MStarCMCurve = CCurve(&v.Radius, &v.MStarCM);
    v.BottomMarker = CCurve(&v.BottomMarkX, &v.BottomMarkY);
    v.LnCCurve = CCurve(&v.RSquared, &v.LnC);
    v.LnCSmoothedCurve = CCurve(&v.RSquared, &v.LnCSmoothed);
    v.LnCLineCurve = CCurve(&v.RSquared, &v.LnCLine);
    v.LnCCMCurve = CCurve(&v.RSquared, &v.LnCCM);
  }
  return *slot;
}

// Points the views of set i at its current arrays.
void AttachSet(int i) {
  MStarDataSet& s = MStarData.Sets[i];
  MwSetViews& v = ViewsOf(i);
  const int n = s.SetPointCount;
  const auto& m = ModelParameters;
  const float b = SetBaseline(i);
  for (int j = 1; j <= 100; ++j) {
    v.BaselineXs[j] = m.Meniscus + static_cast<float>(j - 1) * (m.Bottom - m.Meniscus) / 99.0f;
    v.BaselineYs[j] = b;
  }
  v.MarkerValues[1] = m.Meniscus;
  v.MarkerValues[2] = s.MeniscusValue + b;
  v.MarkerValues[3] = m.Bottom;
  v.MarkerValues[4] = s.MwAvg;
  Attach(v.Radius, s.Radius, n);
  Attach(v.Signal, s.Signal, n);
  Attach(v.CMSignal, s.CMSignal, n);
  Attach(v.MStar, s.MStar, n);
  Attach(v.MStarCM, s.MStarCM, n);
  Attach(v.RSquared, s.RSquared, n);
  Attach(v.LnC, s.LnC, n);
  Attach(v.LnCSmoothed, s.LnCSmoothed, n);
  Attach(v.LnCLine, s.LnCLine, n);
  Attach(v.LnCCM, s.LnCCM, n);
  Attach(v.MwApp, MStarSettings.MwAppGradientForm ? s.MwAppGrad : s.MwAppLog, n);
  Attach(v.MwAppCM, s.MwAppCM, n);
  Attach(v.MeniscusX, s.MeniscusCurveX, 100);
  Attach(v.MeniscusY, s.MeniscusCurveY, 100);
  Attach(v.BottomX, s.BottomCurveX, 100);
  Attach(v.BottomY, s.BottomCurveY, 100);
  Attach(v.BaselineX, v.BaselineXs, 100);
  Attach(v.BaselineY, v.BaselineYs, 100);
  v.MeniscusMarkX.AttachFrom(v.MarkerValues.data(), 1, 1);
  v.MeniscusMarkY.AttachFrom(v.MarkerValues.data(), 1, 2);
  v.BottomMarkX.AttachFrom(v.MarkerValues.data(), 1, 3);
  v.BottomMarkY.AttachFrom(v.MarkerValues.data(), 1, 4);
  const bool ofC = MStarScreen.ShowMwAppOfC;
  v.MwAppCurve = CCurve(ofC ? &v.Signal : &v.Radius, &v.MwApp);
  v.MwAppCMCurve = CCurve(ofC ? &v.CMSignal : &v.Radius, &v.MwAppCM);
}

int Sets() {
  return MStarData.Count;
}

void FillSignalPlot() {
  CWINPlot* plot = MStarScreen.SignalPlot;
  if (!plot) return;
  plot->ClearCurves();
  const bool cm = MStarSettings.CMSmoothing;
  const int N = Sets();
  AddCurveOfEachSet(*plot, &MwSetViews::SignalCurve, kLines, platform::kBlack, kWholeCurve);
  AddCurveOfEachSet(*plot, &MwSetViews::BaselineCurve, kDashes, platform::Rgb(150, 200, 250),
                    kWholeCurve);
  if (cm)
    AddCurveOfEachSet(*plot, &MwSetViews::CMSignalCurve, kLines, platform::Rgb(255, 0, 0),
                      InsideTheColumn);
  else
    AddCurveOfEachSet(*plot, &MwSetViews::MeniscusCurve, kLines, platform::Rgb(255, 0, 0),
                      kWholeCurve);
  if (!cm)
    AddCurveOfEachSet(*plot, &MwSetViews::MeniscusMarker, kSymbol, platform::Rgb(255, 0, 0),
                      kWholeCurve);
  Extremes y;
  for (int i = 1; i <= N; ++i) {
    const MStarDataSet& s = MStarData.Sets[i];
    TakeValues(y, s.Signal, s.NearMeniscus + 1, s.NearBottom - 1, s.SetPointCount);
    if (cm) {
      TakeValues(y, s.CMSignal, s.NearMeniscus + 1, s.LastFit - 1, s.SetPointCount);
    } else {
      y.Take(s.MeniscusCurveY[1]);
      y.Take(s.MeniscusCurveY[100]);
    }
  }
  const auto& m = ModelParameters;
  plot->SetRanges(m.Meniscus - 0.01f, m.Bottom + 0.01f, y.Bottom(0.05f), y.Top(0.05f));
}

void FillMStarPlot() {
  CWINPlot* plot = MStarScreen.MStarPlot.get();
  if (!plot) return;
  plot->ClearCurves();
  const bool cm = MStarSettings.CMSmoothing;
  const int N = Sets();
  AddCurveOfEachSet(*plot, &MwSetViews::MStarCurve, kLines, platform::Rgb(100, 0, 0),
                    InsideTheFitLimits);
  if (cm)
    AddCurveOfEachSet(*plot, &MwSetViews::MStarCMCurve, kLines, platform::Rgb(255, 0, 0),
                      InsideTheColumn);
  else
    AddCurveOfEachSet(*plot, &MwSetViews::BottomCurve, kLines, platform::Rgb(255, 0, 0),
                      kWholeCurve);
  AddCurveOfEachSet(*plot, &MwSetViews::BottomMarker, kSymbol, platform::Rgb(255, 0, 0),
                    kWholeCurve);
  Extremes y;
  float largestAvg = 0.0f;
  for (int i = 1; i <= N; ++i) {
    const MStarDataSet& s = MStarData.Sets[i];
    largestAvg = std::max(largestAvg, s.MwAvg);
    TakeValues(y, s.MStar, s.FirstFit + 1, s.LastFit - 1, s.SetPointCount);
    if (cm)
      TakeValues(y, s.MStarCM, s.FirstFit + 1, s.NearBottom - 1, s.SetPointCount);
    else
      y.Take(s.BottomCurveY[100]);
  }
  if (largestAvg > 0.0f) y.max = std::min(y.max, 1.5f * largestAvg);
  if (y.min < 0.0f) y.min = 0.0f;
  const float bottom = y.min > 0.0f ? y.Bottom(0.05f) : y.min;
  const auto& m = ModelParameters;
  plot->SetRanges(m.Meniscus - 0.01f, m.Bottom + 0.01f, bottom, y.Top(0.05f));
}

void FillLnCPlot() {
  CWINPlot* plot = MStarScreen.LnCPlot.get();
  if (!plot) return;
  plot->ClearCurves();
  const bool cm = MStarSettings.CMSmoothing;
  const int N = Sets(), h = MStarSettings.SmoothHalfWindow;
  AddCurveOfEachSet(*plot, &MwSetViews::LnCCurve, kLines,
                    cm ? platform::kBlack : platform::Rgb(175, 175, 255), InsideTheFitLimits);
  if (cm)
    AddCurveOfEachSet(*plot, &MwSetViews::LnCCMCurve, kLines, platform::Rgb(255, 50, 50),
                      InsideTheColumn);
  else
    AddCurveOfEachSet(*plot, &MwSetViews::LnCSmoothedCurve, kLines, platform::Rgb(0, 200, 0),
                      [h](const MStarDataSet& s) {
                        return PointRange{s.FirstFit + h - 1, s.LastFit - h - 2};
                      });
  if (!cm)
    AddCurveOfEachSet(*plot, &MwSetViews::LnCLineCurve, kDashes, platform::Rgb(100, 100, 200),
                      InsideTheFitLimits);
  Extremes y;
  for (int i = 1; i <= N; ++i) {
    const MStarDataSet& s = MStarData.Sets[i];
    TakeValues(y, s.LnC, s.FirstFit + 1, s.LastFit - 1, s.SetPointCount);
  }
  const auto& m = ModelParameters;
  plot->SetRanges(m.Meniscus * m.Meniscus, m.Bottom * m.Bottom, y.Bottom(0.05f), y.Top(0.05f));
  plot->Relayout();
}

const char* MwAppTitle() {
  const bool grad = MStarSettings.MwAppGradientForm, ofC = MStarScreen.ShowMwAppOfC;
  if (ofC)
    return grad ? "Mwapp(c) [=(1/k)*{(1/2)(1/(c*r))*(dc/dr)}] (kDa)"
                : "Mwapp(c) [=(1/k)*dlnc/dr^2] (kDa)";
  return grad ? "Mwapp(r) [=(1/k)*{(1/2)(1/(c*r))*(dc/dr)}] (kDa)"
              : "Mwapp(r) [=(1/k)*dlnc/dr^2] (kDa)";
}

void FillMwAppPlot() {
  CWINPlot* plot = MStarScreen.MwAppPlot.get();
  if (!plot) return;
  plot->ClearCurves();
  plot->SetXTitle(MStarScreen.ShowMwAppOfC ? "total signal" : "radius (cm)");
  plot->SetYTitle(MwAppTitle());
  const bool cm = MStarSettings.CMSmoothing;
  const int N = Sets();
  const int hw = MStarSettings.SmoothHalfWindow + MStarSettings.BoxHalfWindow;
  AddCurveOfEachSet(*plot, &MwSetViews::MwAppCurve, kLines, platform::Rgb(0, 100, 0),
                    [hw](const MStarDataSet& s) {
                      return PointRange{s.FirstFit + hw - 1, s.LastFit - hw - 2};
                    });
  if (cm)
    AddCurveOfEachSet(*plot, &MwSetViews::MwAppCMCurve, kLines, platform::Rgb(255, 50, 50),
                      InsideTheColumn);
  Extremes y;
  float largestSignal = 0.0f;
  for (int i = 1; i <= N; ++i) {
    const MStarDataSet& s = MStarData.Sets[i];
    TakeValues(y, s.MwAppLog, s.FirstFit + hw + 1, s.LastFit - hw - 1, s.SetPointCount);
    const int k = s.LastFit - hw - 1;
    if (k >= 1 && k <= s.SetPointCount) largestSignal = std::max(largestSignal, s.Signal[k]);
  }
  const float top = y.Top(0.3f), bottom = y.Bottom(0.3f);
  const auto& m = ModelParameters;
  if (MStarScreen.ShowMwAppOfC)
    plot->SetRanges(0.0f, 1.1f * largestSignal, bottom, top);
  else
    plot->SetRanges(m.Meniscus, m.Bottom, bottom, top);
  plot->Relayout();
}

}  // namespace

std::unique_ptr<CWINPlot> MakeMStarSignalPlot() {
  auto plot = NewPlot(50, 75, 450, 450);
  plot->SetXTitle("radius (cm)");
  plot->SetYTitle(ScanReaderOptions.InterferenceData ? "signal (fringes)" : "signal (OD)");
  plot->AddShadedInterval(&MStarScreen.MeniscusBasisView);
  plot->AddShadedInterval(&MStarScreen.BottomBasisView);
  return plot;
}

void BuildMStarPlot() {
  MStarScreen.MStarPlot = NewPlot(525, 75, 925, 450);
  MStarScreen.MStarPlot->SetXTitle("radius (cm)");
  MStarScreen.MStarPlot->SetYTitle("M* (kDa)");
  MStarScreen.MStarPlot->AddShadedInterval(&MStarScreen.BottomBasisView);
}

void BuildLnCPlot() {
  MStarScreen.LnCPlot = NewPlot(50, 550, 450, 975);
  MStarScreen.LnCPlot->SetXTitle("r^2(cm^2)");
  MStarScreen.LnCPlot->SetYTitle("ln(signal-baseline)");
}

void BuildMwAppPlot() {
  MStarScreen.MwAppPlot = NewPlot(525, 550, 925, 975);
  FillMwAppPlot();
}

void FreeMStarPlot() {
  MStarScreen.MStarPlot.reset();
}
void FreeLnCPlot() {
  MStarScreen.LnCPlot.reset();
}
void FreeMwAppPlot() {
  MStarScreen.MwAppPlot.reset();
}

void UpdateMwScreenPlots() {
  auto& screen = MStarScreen;
  for (int i = 1; i <= Sets(); ++i) AttachSet(i);
  screen.MeniscusBasisView[0] = MStarSettings.MeniscusBasis.R1;
  screen.MeniscusBasisView[1] = MStarSettings.MeniscusBasis.R2;
  screen.BottomBasisView[0] = MStarSettings.BottomBasis.R1;
  screen.BottomBasisView[1] = MStarSettings.BottomBasis.R2;
  FillSignalPlot();
  FillMStarPlot();
  FillLnCPlot();
  FillMwAppPlot();
}
