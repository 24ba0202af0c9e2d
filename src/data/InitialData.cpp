#include "data/InitialData.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "state/LoadOptions.h"
#include "state/ProgramFlags.h"
#include "data/CommonRadialGrid.h"
#include "data/InitialDistribution.h"
#include "data/ScanDataSet.h"
#include "data/ScanFileReader.h"
#include "data/ScanReaderOptions.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "numerics/ConstantShorthands.h"
#include "numerics/Interpolation.h"
#include "ui/Boxes.h"
#include "ui/OkBox.h"
#include "ui/Sounds.h"

namespace {

void ShowInitialDataError(platform::WindowHandle window, const std::string& text) {
  PlayErrorSound();
  ShowBox(window, text, "LOAD ERROR", platform::BoxIcon::Information);
}

// Point averaging as the loaders do it: not for equilibrium data, and not at
// the finest resolution, which keeps every point.
float AveragingDistance() {
  const auto& d = ScanDataSet;
  return d.RadialResolution > 0.001f && !d.EquilibriumDataMode ? d.RadialResolution : 0.0f;
}

// The polynomial through the nodes; its value never falls below the baseline.
struct Nodes {
  std::vector<float> radius{0.0f}, signal{0.0f};  // one-based: slot 0 unused
  float At(float r) const {
    float y = 0.0f, dy = 0.0f;
    polint(radius.data(), signal.data(), static_cast<int>(radius.size()) - 1, r, y, dy);
    return y < ModelParameters.Baseline ? ModelParameters.Baseline : y;
  }
};

// Means of `blocks` consecutive blocks of q points, the first starting at
// `from` and the others following in direction step (+1 or -1).
Nodes BlockMeans(int from, int step, int q, int blocks) {
  const auto& p = InitialDistribution;
  Nodes nodes;
  for (int b = 0; b < blocks; ++b) {
    double r = 0.0, s = 0.0;
    for (int j = 0; j < q; ++j) {
      const int k = from + step * (b * q + j);
      r += p.Radius[k];
      s += p.Signal[k];
    }
    nodes.radius.push_back(static_cast<float>(r / q));
    nodes.signal.push_back(static_cast<float>(s / q));
  }
  return nodes;
}

// Neville's scheme divides by differences of the node radii: they must differ.
bool DistinctRadii(const Nodes& nodes) {
  for (std::size_t a = 1; a < nodes.radius.size(); ++a)
    for (std::size_t b = a + 1; b < nodes.radius.size(); ++b)
      if (nodes.radius[a] == nodes.radius[b]) return false;
  return true;
}

void ShowTooFewPoints(int available, int order) {
  if (RedrawSuppressed) return;
  char text[300];
  std::snprintf(text, sizeof text,
                "too few points to extrapolate the initial data: %d points inside the fit limit "
                "for a polynomial of order %d",
                available, order);
  ErrorBox(text);
}

// The extension acts on experimental initial data only, and not on intensity
// data, whose profile would have to be extended in both columns.
bool ExtensionApplies() {
  if (!ModelParameters.InitialConcentrationExperimental || InitialDistribution.Count <= 0)
    return false;
  if (!ScanReaderOptions.IntensityData) return true;
  PlayInfoSound();
  ShowBox(nullptr, "initial extrapolation not implemented yet!", "ERROR",
          platform::BoxIcon::Information);
  return false;
}

// Nodes from the points between index `from` (the limit) and `end` (the far
// side of the fitting region); false after the message when they are too few.
bool FitRegionNodes(int from, int end, Nodes& nodes) {
  const int order = InitialDistribution.InitialDataPolynomialOrder;
  const int available = std::abs(end - from);
  const int q = order >= 0 ? available / (order + 1) : 0;
  if (q < 1) {
    ShowTooFewPoints(available, order);
    return false;
  }
  nodes = BlockMeans(from, end > from ? 1 : -1, q, order + 1);
  if (DistinctRadii(nodes)) return true;
  ShowTooFewPoints(available, order);
  return false;
}

}  // namespace

void FreeInitialData() {
  auto& p = InitialDistribution;
  p.Radius = OneBasedArray<float>{};
  p.Signal = OneBasedArray<float>{};
  p.ThirdColumn = OneBasedArray<float>{};
  p.Count = 0;
}

bool ExtrapolateInitialProfileLeft() {
  auto& p = InitialDistribution;
  const float meniscus = ModelParameters.Meniscus;
  const float limit = ScanDataSet.FitLeftLim;
  if (!(limit > meniscus) || !ExtensionApplies()) return false;
  const int n = p.Count;
  const float far = limit + (limit - meniscus) * p.InitialDataExtrapolationFactor;
  int atMeniscus = 1;
  while (atMeniscus <= n && p.Radius[atMeniscus] < meniscus) ++atMeniscus;
  int atLimit = atMeniscus;
  while (atLimit <= n && p.Radius[atLimit] < limit) ++atLimit;
  if (atLimit > n) {
    ShowTooFewPoints(0, p.InitialDataPolynomialOrder);
    return false;
  }
  int atFar = atLimit;
  while (atFar < n && p.Radius[atFar] < far) ++atFar;
  Nodes nodes;
  if (!FitRegionNodes(atLimit, atFar, nodes)) return false;

  for (int k = 1; k <= atLimit; ++k) p.Signal[k] = nodes.At(p.Radius[k]);
  // The loading rises towards the fit region, never falls.
  for (int k = atLimit - 1; k >= 1; --k)
    if (p.Signal[k] > p.Signal[k + 1]) p.Signal[k] = p.Signal[k + 1];
  return true;
}

bool ExtrapolateInitialProfileRight() {
  auto& p = InitialDistribution;
  const float bottom = ModelParameters.Bottom;
  const float limit = ScanDataSet.FitRightLim;
  if (!(limit < bottom) || !ExtensionApplies()) return false;
  const int n = p.Count;
  // A fixed width of three times the distance to the bottom.
  const float far = limit - 3.0f * (bottom - limit);
  int atBottom = n;
  while (atBottom >= 1 && p.Radius[atBottom] > bottom) --atBottom;
  int atLimit = atBottom;
  while (atLimit >= 1 && p.Radius[atLimit] > limit) --atLimit;
  if (atLimit < 1) {
    ShowTooFewPoints(0, p.InitialDataPolynomialOrder);
    return false;
  }
  int atFar = atLimit;
  while (atFar > 1 && p.Radius[atFar] > far) --atFar;
  Nodes nodes;
  if (!FitRegionNodes(atLimit, atFar, nodes)) return false;

  for (int k = n; k >= atLimit; --k) p.Signal[k] = nodes.At(p.Radius[k]);
  return true;
}

void InstallInitialDataExtrapolations() {
  ExtrapolateInitialDataLeft = [] { ExtrapolateInitialProfileLeft(); };
  ExtrapolateInitialDataRight = [] { ExtrapolateInitialProfileRight(); };
}

int SetInitialData(platform::WindowHandle window, const std::string& path) {
  auto& d = ScanDataSet;
  auto& p = InitialDistribution;
  d.DataChanged = true;
  const float averaging = AveragingDistance();
  if (d.NFILES <= 0) {
    ShowBox(window, "please load data files first", "", platform::BoxIcon::Information);
    return 0;
  }
  FreeInitialData();
  InstallInitialDataExtrapolations();
  bool stampChecked = false;
  if (!ReadAuxiliaryScanFile(path, &p.InitialDataHeader, &p.Count, &p.Radius, &p.Signal,
                             &p.ThirdColumn, &stampChecked, averaging)) {
    FreeInitialData();
    ShowInitialDataError(window, path);
    return 0;
  }
  ScanHeader& h = p.InitialDataHeader;
  if (LoadOptions.TimeStampCheckOn && h.TimeStampChecked != d.ScanHeaders[1].TimeStampChecked)
    ShowInitialDataError(window, path + "\n time stamp correction discrepancy with previous data!");
  if (d.TimesFromW2t && h.Rpm > 0.0f) {
    const double omega = h.Rpm * kPi / 30.0;
    h.Time = h.Omega2t / (omega * omega);
  }
  const int earliest = d.ScanTimeOrder[1];
  LammSolverSettings.InitialDataIsFirstScan = h.Time == d.ScanHeaders[earliest].Time;
  if (LammSolverSettings.InitialDataIsFirstScan)
    for (int k = 1; k <= d.ScanPointCount[earliest]; ++k)
      d.ScanModel[earliest][k] = d.ScanSignal[earliest][k];
  if (d.FitLeftLim != 0.0f) SetFirstFitIndex();
  if (d.FitRightLim != 0.0f) SetLastFitIndex();
  return 1;
}
