#include "equilibrium/HingePoint.h"

#include <vector>

#include "data/ScanDataSet.h"
#include "equilibrium/MStarTransform.h"
#include "equilibrium/PolyFit.h"
#include "state/ModelParameters.h"
#include "numerics/OneBasedArrays.h"
#include "ui/Boxes.h"

float EstimateLoadingSignal(int i) {
  const MStarDataSet& s = MStarData.Sets[i];
  const int n = s.SetPointCount;
  const float b = SetBaseline(i);
  const double meniscus = ModelParameters.Meniscus, bottom = ModelParameters.Bottom;
  const float right = ScanDataSet.FitRightLim;
  const auto& r = s.Radius;
  const auto& c = s.MStarInput;
  int k0 = 1;
  while (k0 < n && !(r[k0 + 1] > meniscus)) ++k0;
  double inner = 0.0;
  for (int k = k0; k < n; ++k) {
    inner += ((c[k] + c[k + 1]) / 2.0 - b) * ((r[k] + r[k + 1]) / 2.0) * (r[k + 1] - r[k]);
    if (r[k] > right) break;
  }
  std::vector<double> x, y;
  const int count = BasisPoints(s, MStarSettings.BottomBasis, c, x, y);
  if (count <= MStarSettings.MeniscusOrder) {
    ErrorBox(kExtrapolationOrderError);
    return 0.0f;
  }
  OneBasedArray<float> xs(1, 100), ys(1, 100);
  for (int j = 1; j <= 100; ++j)
    xs[j] = right + static_cast<float>(j - 1) * (static_cast<float>(bottom) - right) / 99.0f;
  polyfit(MStarSettings.MeniscusOrder, x.data(), y.data(), count, xs.data(), ys.data(), 100);
  double outer = 0.0;
  for (int j = 1; j < 100; ++j)
    outer += ((ys[j] + ys[j + 1]) / 2.0 - b) * ((xs[j] + xs[j + 1]) / 2.0) * (xs[j + 1] - xs[j]);
  const double area = (bottom * bottom - meniscus * meniscus) / 2.0;
  return area > 0.0 ? static_cast<float>((inner + outer) / area) : 0.0f;
}

int HingeWindowPoints(int i, int k, float dr) {
  const MStarDataSet& s = MStarData.Sets[i];
  const int n = s.SetPointCount;
  int w = 1;
  while (k + w < n && s.Radius[k + w] < s.Radius[k] + dr) ++w;
  return w + 1;
}

float HingePointMwApp(int i, float L, float dr, float& rHinge, float& rFrom, float& rTo) {
  const MStarDataSet& s = MStarData.Sets[i];
  const int n = s.SetPointCount;
  const float b = SetBaseline(i);
  const OneBasedArray<float>& mw = ShownMwApp(s);
  for (int k = 1; k < n; ++k) {
    const int points = HingeWindowPoints(i, k, dr);
    double signal = 0.0, mass = 0.0, radius = 0.0;
    for (int j = k; j < k + points; ++j) {
      signal += s.MStarInput[j];
      mass += mw[j];
      radius += s.Radius[j];
    }
    if (signal / points - b <= L) continue;
    rHinge = static_cast<float>(radius / points);
    rFrom = s.Radius[k];
    rTo = s.Radius[k + points - 1];
    return static_cast<float>(mass / points);
  }
  return 0.0f;
}
