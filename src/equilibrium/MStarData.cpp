// The sets of the M* transformation: the loaded scans copied and extended to
// meniscus and bottom, the baselines, the clamps of the fit limits and bases,
// and the recompute sequence.

#include <algorithm>
#include <cmath>
#include <utility>

#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "equilibrium/MStarTransform.h"
#include "state/ModelParameters.h"

MStarDataRecord MStarData;
MStarSettingsRecord MStarSettings;

namespace {

constexpr double kExtensionStep = 0.001;  // cm

void SizeSet(MStarDataSet& s, int n) {
  s.SetPointCount = n;
  for (OneBasedArray<float>* a :
       {&s.Radius, &s.Signal, &s.CMSignal, &s.MStarInput, &s.MStar, &s.MStarCM, &s.RSquared,
        &s.LnC, &s.LnCSmoothed, &s.Conc, &s.ConcSmoothed, &s.LnCLine, &s.LnCCM, &s.MwAppLog,
        &s.MwAppGrad, &s.MwAppCM})
    a->Resize(1, n);
}

// The 0-based index of the point nearest to x; ties keep the lower index.
int NearestIndex(const MStarDataSet& s, float x) {
  int best = 0;
  float distance = 0.0f;
  for (int k = 1; k <= s.SetPointCount; ++k) {
    const float d = std::fabs(s.Radius[k] - x);
    if (k == 1 || d < distance) {
      distance = d;
      best = k - 1;
    }
  }
  return best;
}

// Copies scan i into set i with its extension; true when it was extended.
bool CopyScan(int i, MStarDataSet& s) {
  const auto& d = ScanDataSet;
  const auto& m = ModelParameters;
  const int n = d.ScanPointCount[i];
  const double meniscus = m.Meniscus, bottom = m.Bottom;
  int p = 0, q = 0;
  if (n >= 1) {
    const double first = d.ScanRadius[i][1], last = d.ScanRadius[i][n];
    if (meniscus < first)
      for (p = 1; first - p * kExtensionStep > meniscus; ++p) {
      }
    if (last < bottom)
      for (q = 1; last + q * kExtensionStep < bottom; ++q) {
      }
  }
  SizeSet(s, p + n + q);
  s.MeniscusExtension = p;
  const bool cm = MStarSettings.CMSmoothing;
  for (int j = 1; j <= p; ++j)
    s.Radius[j] = static_cast<float>(d.ScanRadius[i][1] - (p - j + 1) * kExtensionStep);
  for (int k = 1; k <= n; ++k) {
    s.Radius[p + k] = d.ScanRadius[i][k];
    s.Signal[p + k] = d.ScanSignal[i][k];
  }
  for (int j = 1; j <= q; ++j)
    s.Radius[p + n + j] = static_cast<float>(d.ScanRadius[i][n] + j * kExtensionStep);
  const bool model = cm && d.ScanModel[i].size() >= n;
  for (int k = 1; k <= s.SetPointCount; ++k) {
    const float r = s.Radius[k];
    if (model && k > p && k <= p + n && r >= m.Meniscus && r <= m.Bottom)
      s.CMSignal[k] = d.ScanModel[i][k - p];
    s.MStarInput[k] = r > m.Meniscus && r < m.Bottom ? s.Signal[k] : 0.0f;
  }
  return p > 0 || q > 0;
}

}  // namespace

bool SmoothingWindowAcceptable(int halfWindow, int order) {
  return halfWindow >= 1 && order >= 0 && order <= halfWindow &&
         2 * halfWindow + 1 <= kSmoothingGrid;
}

float SetBaseline(int i) {
  const auto& g = CommonRadialGrid;
  if (ModelParameters.RINoiseFitted && i >= g.RINoise.lo() && i <= g.RINoise.hi())
    return g.RINoise[i];
  return ModelParameters.Baseline;
}

bool PrepareMStarData(platform::WindowHandle window) {
  const int count = ScanDataSet.NFILES;
  auto& data = MStarData;
  if (data.Count != count) {
    data.Sets = OneBasedArray<MStarDataSet>(1, count);
    data.Count = count;
  }
  bool missing = false;
  for (int i = 1; i <= count; ++i) {
    MStarDataSet& s = data.Sets[i];
    if (CopyScan(i, s) && MStarSettings.CMSmoothing) missing = true;
    s.FirstFit = s.MeniscusExtension + ScanDataSet.ScanFirstFitIndex[i];
    s.LastFit = s.MeniscusExtension + ScanDataSet.ScanLastFitIndex[i];
  }
  if (missing) {
    platform::BoxRequest box;
    box.owner = window;
    box.text =
        "ERROR:  Data Range Must Include Meniscus and Bottom for c(M) smoothing of MSTAR\n"
        "(manually edit the data file and append a few 'data points' beyond the desired bottom "
        "radius)";
    box.caption = "MISSING DATA";
    box.icon = platform::BoxIcon::Error;
    platform::Current().ShowMessageBox(box);
    return false;
  }
  return true;
}

void FreeMStarData() {
  MStarData = MStarDataRecord{};
}

void ClampMStarLimits() {
  auto& d = ScanDataSet;
  const auto& m = ModelParameters;
  const float leftBefore = d.FitLeftLim, rightBefore = d.FitRightLim;
  if (d.FitLeftLim < m.Meniscus) d.FitLeftLim = m.Meniscus + 0.01f;
  if (d.FitRightLim > m.Bottom) d.FitRightLim = m.Bottom - 0.01f;
  for (RadialBasis* b : {&MStarSettings.MeniscusBasis, &MStarSettings.BottomBasis}) {
    if (b->R1 > b->R2) std::swap(b->R1, b->R2);
    if (b->R1 < m.Meniscus) b->R1 = m.Meniscus + 0.01f;
    if (b->R2 > m.Bottom) b->R2 = m.Bottom - 0.01f;
    if (b->R1 < d.FitLeftLim) b->R1 = d.FitLeftLim;
    if (b->R2 > d.FitRightLim) b->R2 = d.FitRightLim;
  }
  if (d.FitLeftLim != leftBefore) SetFirstFitIndex();
  if (d.FitRightLim != rightBefore) SetLastFitIndex();
}

void UpdateSetIndices(int i) {
  MStarDataSet& s = MStarData.Sets[i];
  s.FirstFit = s.MeniscusExtension + ScanDataSet.ScanFirstFitIndex[i];
  s.LastFit = s.MeniscusExtension + ScanDataSet.ScanLastFitIndex[i];
  s.NearMeniscus = NearestIndex(s, ModelParameters.Meniscus);
  s.NearBottom = NearestIndex(s, ModelParameters.Bottom);
}

bool RecomputeMStarSets(platform::WindowHandle window) {
  if (!PrepareMStarData(window)) return false;
  ClampMStarLimits();
  const auto& m = ModelParameters;
  const auto& st = MStarSettings;
  for (int i = 1; i <= MStarData.Count; ++i) {
    MStarDataSet& s = MStarData.Sets[i];
    UpdateSetIndices(i);
    for (int j = 1; j <= 100; ++j)
      s.MeniscusCurveX[j] = m.Meniscus + static_cast<float>(j - 1) *
                                             (st.MeniscusBasis.R2 - m.Meniscus) / 99.0f;
    ExtrapolateToMeniscus(i);
    ComputeMStar(i);
    ComputeLnC(i);
    FitLnCLine(i);
    ComputeMwApp(i);
    for (int j = 1; j <= 100; ++j)
      s.BottomCurveX[j] = st.BottomBasis.R1 + static_cast<float>(j - 1) *
                                                  (m.Bottom - st.BottomBasis.R1) / 99.0f;
    ExtrapolateMStarToBottom(i);
  }
  return true;
}

const OneBasedArray<float>& ShownMwApp(const MStarDataSet& set) {
  return MStarSettings.MwAppGradientForm ? set.MwAppGrad : set.MwAppLog;
}
