// The per-set steps of the M* transformation: meniscus value, M*(r), ln c
// against r^2 with its smoothed copy and straight line, the apparent molar
// masses, and M* extrapolated to the bottom.

#include "equilibrium/MStarTransform.h"

#include <cmath>
#include <vector>

#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "equilibrium/PolyFit.h"
#include "state/ModelParameters.h"
#include "numerics/CVector.h"
#include "numerics/ConstantShorthands.h"
#include "numerics/Resampling.h"
#include "ui/Boxes.h"

namespace {

constexpr float kToKDa = 0.001f;  // g/mol to kDa

// y at x on the straight line through (x1, y1) and (x2, y2); y1 when the
// two abscissae coincide.
float Line(float x1, float y1, float x2, float y2, float x) {
  if (x2 == x1) return y1;
  return y1 + (y2 - y1) * (x - x1) / (x2 - x1);
}

CVector View(OneBasedArray<float>& a, int n) {
  CVector v;
  v.AttachFrom(a.data(), static_cast<unsigned>(n), 1);
  return v;
}

bool FitIndexValid(const MStarDataSet& s) {
  return s.FirstFit >= 1 && s.FirstFit <= s.SetPointCount;
}

}  // namespace

int BasisPoints(const MStarDataSet& s, const RadialBasis& b, const OneBasedArray<float>& values,
                std::vector<double>& x, std::vector<double>& y) {
  x.assign(1, 0.0);
  y.assign(1, 0.0);
  for (int k = 1; k <= s.SetPointCount; ++k) {
    if (s.Radius[k] > b.R2) break;
    if (s.Radius[k] < b.R1) continue;
    x.push_back(s.Radius[k]);
    y.push_back(values[k]);
  }
  return static_cast<int>(x.size()) - 1;
}

void ExtrapolateToMeniscus(int i) {
  MStarDataSet& s = MStarData.Sets[i];
  const auto& st = MStarSettings;
  const float b = SetBaseline(i);
  const float meniscus = ModelParameters.Meniscus;
  const float left = ScanDataSet.FitLeftLim;
  const int n = s.SetPointCount;
  if (st.CMSmoothing) {
    int k0 = 1;
    while (k0 <= n && !(s.CMSignal[k0] > 0.0f)) ++k0;
    if (k0 > n) k0 = 1;
    const int k1 = k0 < n ? k0 + 1 : k0;
    const float atMeniscus =
        Line(s.Radius[k0], s.CMSignal[k0], s.Radius[k1], s.CMSignal[k1], meniscus);
    s.MeniscusValue = std::max(atMeniscus - b, 0.0f);
  } else if (st.MeniscusValueFixed) {
    s.MeniscusValue = std::max(s.MeniscusValue, 0.0f);
    if (n >= 5)
      ResampleCurve(100, s.MeniscusCurveX.data(), s.MeniscusCurveY.data(), n, s.Radius.data(),
                    s.Signal.data());
    if (FitIndexValid(s))
      for (int j = 1; j <= 100; ++j) {
        const float x = s.MeniscusCurveX[j];
        if (x >= meniscus && x <= left)
          s.MeniscusCurveY[j] = Line(meniscus, s.MeniscusValue + b, s.Radius[s.FirstFit],
                                     s.Signal[s.FirstFit], x);
      }
  } else {
    std::vector<double> x, y;
    const int count = BasisPoints(s, st.MeniscusBasis, s.Signal, x, y);
    if (count <= st.MeniscusOrder) {
      ErrorBox(kExtrapolationOrderError);
      return;
    }
    if (polyfit(st.MeniscusOrder, x.data(), y.data(), count, s.MeniscusCurveX.data(),
                s.MeniscusCurveY.data(), 100))
      s.MeniscusValue = std::max(s.MeniscusCurveY[1] - b, 0.0f);
  }
  // The polynomial only supplies the meniscus value: between the meniscus
  // and the left fit limit M* sees a straight line to the first fit point.
  if (!FitIndexValid(s)) return;
  const float firstR = s.Radius[s.FirstFit], firstS = s.Signal[s.FirstFit];
  for (int k = 1; k <= n; ++k) {
    const float r = s.Radius[k];
    float v = 0.0f;
    if (r < meniscus)
      v = 0.0f;
    else if (r <= left)
      v = st.CMSmoothing ? s.CMSignal[k] : Line(meniscus, s.MeniscusValue + b, firstR, firstS, r);
    else if (r <= ModelParameters.Bottom)
      v = s.Signal[k];
    s.MStarInput[k] = std::max(v, 0.0f);
  }
}

namespace {

// M* of the signal s (MStarInput or CMSignal) into out, where inside(k).
template <class Inside>
void MStarOf(const MStarDataSet& set, float b, const OneBasedArray<float>& s,
             OneBasedArray<float>& out, Inside inside) {
  const int n = set.SetPointCount;
  const double meniscus = ModelParameters.Meniscus;
  const double k = set.KFactor, cm = set.MeniscusValue;
  const auto f = [&](int j) { return (s[j] - b - cm) * static_cast<double>(set.Radius[j]); };
  // The smallest k with r[k+1] beyond the meniscus, plus one: the data
  // always start at or below the meniscus after their extension.
  int k1 = 1;
  while (k1 < n && !(set.Radius[k1 + 1] > meniscus)) ++k1;
  k1 += 1;
  std::vector<double> J(static_cast<std::size_t>(n) + 2, 0.0);
  if (k1 <= n) {
    J[static_cast<std::size_t>(k1)] = f(k1) * (set.Radius[k1] - meniscus);
    for (int j = k1; j < n; ++j)
      J[static_cast<std::size_t>(j + 1)] =
          J[static_cast<std::size_t>(j)] +
          (f(j) + f(j + 1)) / 2.0 * (set.Radius[j + 1] - set.Radius[j]);
  }
  for (int j = 1; j <= n; ++j) {
    out[j] = 0.0f;
    if (!inside(j)) continue;
    const double Jj = J[static_cast<std::size_t>(j)];
    if (Jj == 0.0 && cm == 0.0) continue;
    const double r = set.Radius[j];
    const double denominator = 2.0 * k * Jj + k * cm * (r * r - meniscus * meniscus);
    if (denominator == 0.0) continue;
    out[j] = static_cast<float>((s[j] - b - cm) / denominator) * kToKDa;
  }
}

}  // namespace

void ComputeMStar(int i) {
  MStarDataSet& s = MStarData.Sets[i];
  const float rpm = ScanDataSet.ScanHeaders[i].Rpm;
  const double omega = rpm * 2.0 * kPi * (1.0L / 60.0L);
  const auto& sc = SolventConditions;
  s.KFactor = sc.GasConstantRT > 0.0f
                  ? static_cast<float>((1.0 - sc.VbarRho) * omega * omega / (2.0 * sc.GasConstantRT))
                  : 0.0f;
  const float b = SetBaseline(i);
  const float left = ScanDataSet.FitLeftLim, right = ScanDataSet.FitRightLim;
  MStarOf(s, b, s.MStarInput, s.MStar,
          [&](int k) { return s.Radius[k] >= left && s.Radius[k] <= right; });
  if (MStarSettings.CMSmoothing) {
    const float meniscus = ModelParameters.Meniscus, bottom = ModelParameters.Bottom;
    MStarOf(s, b, s.CMSignal, s.MStarCM,
            [&](int k) { return s.Radius[k] > meniscus && s.Radius[k] < bottom; });
  }
}

void ComputeLnC(int i) {
  MStarDataSet& s = MStarData.Sets[i];
  const int n = s.SetPointCount;
  const float b = SetBaseline(i);
  const float left = ScanDataSet.FitLeftLim, right = ScanDataSet.FitRightLim;
  for (int k = 1; k <= n; ++k) {
    const float r = s.Radius[k], v = s.MStarInput[k];
    s.RSquared[k] = r * r;
    const bool inside = r >= left && r <= right && v > b;
    s.LnC[k] = inside ? std::log(v - b) : 0.0f;
    s.Conc[k] = inside ? v - b : 0.0f;
    s.LnCSmoothed[k] = s.LnC[k];
    s.ConcSmoothed[k] = s.Conc[k];
    s.LnCCM[k] = s.CMSignal[k] > b ? std::log(s.CMSignal[k] - b) : 0.0f;
  }
  const auto& st = MStarSettings;
  if (n < 2 || !SmoothingWindowAcceptable(st.SmoothHalfWindow, st.SmoothOrder)) return;
  CVector lnc = View(s.LnCSmoothed, n), conc = View(s.ConcSmoothed, n);
  CVector r2 = View(s.RSquared, n), r = View(s.Radius, n);
  lnc.SmoothNonUniform(kSmoothingGrid, r2, st.SmoothHalfWindow, st.SmoothHalfWindow,
                       st.SmoothOrder);
  conc.SmoothNonUniform(kSmoothingGrid, r, st.SmoothHalfWindow, st.SmoothHalfWindow,
                        st.SmoothOrder);
}

void FitLnCLine(int i) {
  MStarDataSet& s = MStarData.Sets[i];
  const int first = std::max(s.FirstFit, 1), last = std::min(s.LastFit - 1, s.SetPointCount);
  if (last < first) return;
  double sx = 0.0, sy = 0.0;
  for (int k = first; k <= last; ++k) sx += s.RSquared[k], sy += s.LnC[k];
  const double count = last - first + 1;
  const double mx = sx / count, my = sy / count;
  double sxy = 0.0, sxx = 0.0;
  for (int k = first; k <= last; ++k) {
    sxy += (s.RSquared[k] - mx) * (s.LnC[k] - my);
    sxx += (s.RSquared[k] - mx) * (s.RSquared[k] - mx);
  }
  const double slope = sxx > 0.0 ? sxy / sxx : 0.0;
  for (int k = 1; k <= s.SetPointCount; ++k)
    s.LnCLine[k] = static_cast<float>(slope * s.RSquared[k] + (my - slope * mx));
  s.MwLinear = s.KFactor != 0.0f ? static_cast<float>(slope * kToKDa / s.KFactor) : 0.0f;
}

void ComputeMwApp(int i) {
  MStarDataSet& s = MStarData.Sets[i];
  const int n = s.SetPointCount;
  if (n < 2 || s.KFactor == 0.0f) return;
  const float f = kToKDa / s.KFactor;
  for (int k = 1; k < n; ++k) {
    const float dr2 = s.RSquared[k + 1] - s.RSquared[k];
    s.MwAppLog[k] = dr2 != 0.0f ? (s.LnCSmoothed[k + 1] - s.LnCSmoothed[k]) / dr2 * f : 0.0f;
    s.MwAppCM[k] = dr2 != 0.0f ? (s.LnCCM[k + 1] - s.LnCCM[k]) / dr2 * f : 0.0f;
    const float c0 = s.ConcSmoothed[k], c1 = s.ConcSmoothed[k + 1];
    const float dr = s.Radius[k + 1] - s.Radius[k];
    const float rMean = (s.Radius[k] + s.Radius[k + 1]) / 2.0f, cMean = (c0 + c1) / 2.0f;
    s.MwAppGrad[k] = c0 + c1 == 0.0f || dr == 0.0f ? 0.0f : (c1 - c0) / dr * f * 0.5f / (rMean * cMean);
  }
  s.MwAppLog[n] = s.MwAppLog[n - 1];
  s.MwAppGrad[n] = s.MwAppGrad[n - 1];
  s.MwAppCM[n] = s.MwAppCM[n - 1];
  const int w = MStarSettings.BoxHalfWindow;
  if (w < 1 || 2 * w + 1 > n) return;
  OneBasedArray<float>& shown = MStarSettings.MwAppGradientForm ? s.MwAppGrad : s.MwAppLog;
  CVector v = View(shown, n);
  v.Smooth(w, w, 1);
}

void ExtrapolateMStarToBottom(int i) {
  MStarDataSet& s = MStarData.Sets[i];
  const float bottom = ModelParameters.Bottom;
  if (MStarSettings.CMSmoothing) {
    const int j = s.NearBottom;  // 0-based: the 1-based points j - 2 and j - 1 lie before it
    if (j - 2 < 1) return;
    s.MwAvg = Line(s.Radius[j - 2], s.MStarCM[j - 2], s.Radius[j - 1], s.MStarCM[j - 1], bottom);
    return;
  }
  std::vector<double> x, y;
  const int count = BasisPoints(s, MStarSettings.BottomBasis, s.MStar, x, y);
  if (count <= MStarSettings.BottomOrder) {
    ErrorBox(kExtrapolationOrderError);
    return;
  }
  if (polyfit(MStarSettings.BottomOrder, x.data(), y.data(), count, s.BottomCurveX.data(),
              s.BottomCurveY.data(), 100))
    s.MwAvg = s.BottomCurveY[100];
}
