#include "display/DistributionPlot.h"
#include "display/PriorOverlay.h"
#include "display/MonteCarloCurves.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "state/ModelSelection.h"
#include "data/DataSetLinks.h"
#include "display/DisplayLinks.h"
#include "display/MainPlots.h"
#include "display/ResidualHistogramPlot.h"
#include "state/DistributionPlotState.h"
#include "state/MainPlotLayout.h"
#include "distributions/ContiGrid.h"
#include "distributions/StoredDistribution.h"
#include "state/DistributionPlotFlags.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "plot/PlotSettings.h"

namespace display {

DistributionPlotsRecord DistributionPlots;
DistributionPlotLinksRecord DistributionPlotLinks;

namespace {

// Point styles of the two-dimensional displays: filled squares of the
// symbol size, and rectangles of separate half-height and half-width.
constexpr int kScatterStyle = 9;
constexpr int kColourMapStyle = 11;

constexpr const char* kSAxisTitle = "sed coefficient [S]";
constexpr const char* kMAxisTitle = "molar mass [Da]";

void Notify(const std::function<void()>& f) {
  if (f) f();
}

// ---- Model sets --------------------------------------------------------------

bool BufferMismatchOn() {
  return CurrentDistributionLayoutFlags().BufferMismatchOn;
}

// The c(s) models: a grid of sedimentation coefficients described by a
// frictional ratio, a scaling law or a fixed D. The zone and hindered forms
// are variants of the plain and the non-ideal c(s) model. Point 1 of a
// buffer mismatch is the sedimenting buffer, so any model is shown as c(s)
// then.
bool IsCSModel(ModelKind kind) {
  switch (kind) {
    case ModelKind::ContinuousCS:
    case ModelKind::ZoneCS:
    case ModelKind::CSConformationalChange:
    case ModelKind::CSFixFf0FloatingVbar:
    case ModelKind::CSGeneralScalingLaw:
    case ModelKind::CSWormlikeChain:
    case ModelKind::CSBimodalFf0:
    case ModelKind::CSBimodalFf0OneDiscrete:
    case ModelKind::CSFlotation:
    case ModelKind::CSFf0:
    case ModelKind::CSFf0OneDiscrete:
    case ModelKind::CSWithOneDiscrete:
    case ModelKind::CSWithMsTable:
    case ModelKind::CSInvariantD:
    case ModelKind::NonidealCS:
    case ModelKind::HinderedCS:
    case ModelKind::CSLinearRods:
      return true;
    default:
      return BufferMismatchOn();
  }
}

// The ls-g*(s) models with their zone and electrophoresis forms.
bool IsLsGStarPlotModel(ModelKind kind) {
  return kind == ModelKind::LsGStar || kind == ModelKind::LsGStarOneDiscrete ||
         kind == ModelKind::ZoneLsGStar || kind == ModelKind::ElectrophoresisLsGStar;
}

// Models shown over their s grid; every other one is shown over M.
bool IsSAxisModel(ModelKind kind) {
  return IsCSModel(kind) || IsLsGStarPlotModel(kind) || kind == ModelKind::HybridCSLsGStar ||
         kind == ModelKind::ElectrophoresisCV || kind == ModelKind::ExtrapolateLsGStar;
}

bool IsRhModel(ModelKind kind) {
  return kind == ModelKind::DlsIRh || kind == ModelKind::DlsIRhTimeCourse;
}

bool Is2DModel(ModelKind kind) {
  return IsTwoDimensionalModel(kind);
}

const char* MolarMassYTitle(ModelKind kind) {
  const bool plainScaling =
      kind == ModelKind::FMScalingLaw && DistributionSettings.ScalingNoDeconvolution != 0;
  return plainScaling ? "f(M)" : "c(M)";
}

// ---- Views -------------------------------------------------------------------

// Points of an array of one-based values that a view may take: at most
// wanted, and no more than the array holds.
int Available(const std::vector<float>* array, int wanted) {
  if (array == nullptr) return 0;
  return std::clamp(static_cast<int>(array->size()) - 1, 0, std::max(wanted, 0));
}

void Wrap(CVector& view, std::vector<float>* array, int first, int count) {
  view.AttachFrom(count > 0 ? array->data() : nullptr, static_cast<unsigned>(count), first);
}

// The last 2-D point the views may show: Grid2DSize, or fewer when one of
// the arrays holds fewer.
int Last2DPoint() {
  const auto& p = DistributionPlots;
  int last = DistributionSettings.Grid2DSize;
  for (std::vector<float>* a : {p.X2DSource, p.Y2DSource, &DistributionResult.Grid2DAmplitudes})
    last = Available(a, last);
  return last;
}

// Attaches every vector of the plot to its array as it is now.
void AttachViews() {
  auto& p = DistributionPlots;
  auto& r = DistributionResult;
  if (p.DistPlotValues && p.DistPlotSecondValues) {
    int n = DistributionSettings.DistGridSize;
    for (std::vector<float>* a : {p.XSource, &r.DistValues, &r.DistSecondValues})
      if (a != nullptr) n = Available(a, n);
    if (p.DistPlotX) Wrap(*p.DistPlotX, p.XSource, 1, n);
    Wrap(*p.DistPlotValues, &r.DistValues, 1, n);
    Wrap(*p.DistPlotSecondValues, &r.DistSecondValues, 1, n);
  }
  if (p.Dist2DX && p.Dist2DY) {
    const int last = Last2DPoint();
    const int count = std::max(last - p.First2DPoint + 1, 0);
    Wrap(*p.Dist2DX, p.X2DSource, p.First2DPoint, count);
    Wrap(*p.Dist2DY, p.Y2DSource, p.First2DPoint, count);
    CWINPlot* plot = p.DistributionPlot.get();
    if (plot && plot->bPointColors && plot->iColorCurve == 0 && count > 0)
      plot->SetPointColorValues(0, r.Grid2DAmplitudes.data(), p.First2DPoint, last, 0);
  }
}

// New curves over the abscissa and the two value arrays; the value vectors
// are kept when they exist.
void MakeOneDimensionalCurves(std::vector<float>& abscissa) {
  auto& p = DistributionPlots;
  p.XSource = &abscissa;
  p.DistPlotX = std::make_unique<CVector>();
  if (!p.DistPlotValues) p.DistPlotValues = std::make_unique<CVector>();
  if (!p.DistPlotSecondValues) p.DistPlotSecondValues = std::make_unique<CVector>();
  AttachViews();
  p.DistCurve = std::make_unique<CCurve>(p.DistPlotX.get(), p.DistPlotValues.get());
  p.DistSecondCurve = std::make_unique<CCurve>(p.DistPlotX.get(), p.DistPlotSecondValues.get());
}

// Deletes the plot and the abscissa with the curves over it.
void DeletePlotAndCurves() {
  auto& p = DistributionPlots;
  p.DistributionPlot.reset();
  p.DistCurve.reset();
  p.DistSecondCurve.reset();
  p.DistPlotX.reset();
  p.XSource = nullptr;
}

void Delete2DViews() {
  auto& p = DistributionPlots;
  p.Dist2DCurve.reset();
  p.Dist2DX.reset();
  p.Dist2DY.reset();
  p.X2DSource = p.Y2DSource = nullptr;
}

// ---- Plot and layout -------------------------------------------------------

CWINPlot& NewPlot() {
  const auto& s = DistributionPlotState;
  const auto& l = MainPlotLayout;
  auto& plot = DistributionPlots.DistributionPlot;
  plot = std::make_unique<CWINPlot>();
  plot->Place(s.DistPlotTop, l.PlotLeft, s.DistPlotBottom, l.PlotRight);
  return *plot;
}

void AddOneDimensionalCurves(CWINPlot& plot) {
  auto& p = DistributionPlots;
  plot.AddCurve(p.DistCurve.get());
  plot.SetCurveColor(0, platform::kBlack);
  if (DistributionSettings.RegularizationType.BothRegularizations) {
    plot.AddCurve(p.DistSecondCurve.get());
    plot.SetCurveColor(1, platform::Rgb(0, 0, 255));
  }
  DistributionPlotState.Dist2DShown = false;
}

void SetTitles(CWINPlot& plot, const char* x, const char* y) {
  plot.SetXTitle(x);
  plot.SetYTitle(y);
}

// Both options are off on a new plot, so both end up on.
void YFromZeroAndJoinedPoints(CWINPlot& plot) {
  plot.ToggleYFromZero();
  plot.ToggleConnectPoints();
}

void MakeRoomBelowMainPlots() {
  auto& l = MainPlotLayout;
  l.DataBottom = 350;
  l.ResidualTop = 405;
  l.ResidualBottom = 575;
}

void GiveMainPlotsFullHeight() {
  auto& l = MainPlotLayout;
  l.DataTop = 50;
  l.DataBottom = 475;
  l.ResidualTop = 550;
  l.ResidualBottom = 950;
}

void RenderMainPlotsInPlace(bool withResiduals) {
  LayoutAndRenderMainPlots();
  if (!withResiduals) return;
  UpdateResiduals(true);
  UpdateHistogramPlot(true);
  RenderDataPlot(true);
}

// ---- Two-dimensional display -----------------------------------------------

enum class Display2D { ColourMap, SM, SR, SD, MFf0 };

Display2D ChosenDisplay() {
  const auto& ds = DistributionSettings;
  if (ds.Ff0PlotSM) return Display2D::SM;
  if (ds.Ff0PlotSR) return Display2D::SR;
  if (ds.Ff0PlotSD) return Display2D::SD;
  if (ds.Ff0PlotMFf0) return Display2D::MFf0;
  return Display2D::ColourMap;
}

// Half-extent in plot units of one of count cells spread over length;
// a single cell takes half the length.
int HalfCell(double length, float count) {
  const double gaps = std::max(static_cast<double>(count) - 1.0, 1.0);
  return static_cast<int>(std::trunc(0.5 * length / gaps)) + 1;
}

// The error-bar caps of the engine scale with the symbols.
void SetMarkerExtent(int symbolSize) {
  PlotSettings.ErrorBarCapWidth = static_cast<int>(std::floor(1.5 * symbolSize));
}

void SetColourCoded(CWINPlot& plot) {
  const int first = DistributionPlots.First2DPoint, last = Last2DPoint();
  if (last >= first)
    plot.SetPointColorValues(0, DistributionResult.Grid2DAmplitudes.data(), first, last, 0);
  plot.bShowColorBar = true;
  plot.nColorBarOffset = 0;
}

void ScatterTitles(CWINPlot& plot, Display2D d) {
  const char* y = d == Display2D::SR   ? "Stokes radius (nm)"
                  : d == Display2D::SD ? "D (cm^2/sec)"
                  : d == Display2D::SM ? kMAxisTitle
                                       : "frictional ratio";
  SetTitles(plot, d == Display2D::MFf0 ? kMAxisTitle : kSAxisTitle, y);
}

// The s x f/f0 display of the current axis choice on a new plot.
void Build2DDisplay(CWINPlot& plot) {
  auto& p = DistributionPlots;
  auto& g = DistributionGrid;
  const auto& ds = DistributionSettings;
  const auto& st = DistributionPlotState;
  const auto& l = MainPlotLayout;
  const Display2D d = ChosenDisplay();
  p.First2DPoint = ModelSelection.Kind == ModelKind::CSFf0OneDiscrete ? 2 : 1;
  p.X2DSource = d == Display2D::MFf0 ? &g.Grid2DM : &g.Grid2DS;
  p.Y2DSource = d == Display2D::SR   ? &g.Grid2DStokesRadius
                : d == Display2D::SD ? &g.Grid2DD
                : d == Display2D::SM ? &g.Grid2DM
                                     : &g.Grid2DFf0;
  p.Dist2DX = std::make_unique<CVector>();
  p.Dist2DY = std::make_unique<CVector>();
  AttachViews();
  p.Dist2DCurve = std::make_unique<CCurve>(p.Dist2DX.get(), p.Dist2DY.get());
  plot.AddCurve(p.Dist2DCurve.get());
  SetColourCoded(plot);
  if (d != Display2D::ColourMap) {
    plot.SetCurveStyle(0, kScatterStyle);
    plot.nSymbolSize = st.Ff0ScatterSymbolSize;
    SetMarkerExtent(plot.nSymbolSize);
    ScatterTitles(plot, d);
    return;
  }
  plot.SetSecondaryYScale(ds.Ff0Min, ds.Ff0Max);
  plot.SetCurveStyle(0, kColourMapStyle);
  // Rectangles that tile the plot: one row per f/f0 value, one column per
  // s value (1.2 times wider, so that neighbours overlap without gaps).
  plot.nSymbolSize = HalfCell(st.DistPlotBottom - st.DistPlotTop, ds.Ff0GridCount);
  SetMarkerExtent(plot.nSymbolSize);
  plot.nBarHalfWidth = HalfCell(1.2 * (l.PlotRight - l.PlotLeft), ds.Resolution);
  if (p.DistCurve) {
    plot.AddCurve(p.DistCurve.get());
    plot.SetCurveColor(1, platform::kBlack);
  }
  SetTitles(plot, kSAxisTitle, "c(s,*) or ff0");
  char label[40];
  std::snprintf(label, sizeof label, "ff0=%.2f", ds.Ff0Min);
  plot.SetYBottomLabel(label);
  std::snprintf(label, sizeof label, "ff0=%.2f", ds.Ff0Max);
  plot.SetYTopLabel(label);
}

// ---- Titles ----------------------------------------------------------------

// Axis titles of a built plot; the two-dimensional display sets its own.
void BuildTitles(CWINPlot& plot, ModelKind kind) {
  if (IsRhModel(kind)) {
    SetTitles(plot, "log hydrodynamic radius (m)", "Scattering Intensity");
    plot.bLogTicksX = true;
  } else if (kind == ModelKind::DlsID) {
    SetTitles(plot, "log diffusion coefficient (cm^2/sec)", "Scattering Intensity");
    plot.bLogTicksX = true;
  } else if (!IsSAxisModel(kind)) {
    SetTitles(plot, kMAxisTitle, MolarMassYTitle(kind));
  } else if (Is2DModel(kind)) {
    return;
  } else if (kind == ModelKind::ElectrophoresisCV) {
    SetTitles(plot, "migration velocity [um/sec]", "c(s)");
  } else if (kind == ModelKind::ExtrapolateLsGStar) {
    SetTitles(plot, kSAxisTitle, "fraction");
  } else if (IsLsGStarPlotModel(kind)) {
    SetTitles(plot, kSAxisTitle, "ls-g*(s)");
  } else if (kind == ModelKind::HybridCSLsGStar) {
    SetTitles(plot, kSAxisTitle, "c(s)/ls-g*(s)");
  } else {
    SetTitles(plot, kSAxisTitle, "c(s)");
  }
}

// Titles of a plot made when a continuous model is chosen, before its first
// grid: only the c(s) models and the hybrid model count as s models yet.
void InitTitles(CWINPlot& plot, ModelKind kind) {
  if (IsCSModel(kind)) {
    SetTitles(plot, kSAxisTitle, "c(s)");
  } else if (DistributionSettings.HybridSThreshold != 0.0) {
    SetTitles(plot, kSAxisTitle, "c(s)/ls-g*(s)");
  } else if (IsRhModel(kind)) {
    SetTitles(plot, "hydrodynamic radius (nm)", "Scattering Intensity");
  } else if (kind == ModelKind::DlsID) {
    SetTitles(plot, "diffusion coefficient (10^-7 cm^2/sec)", "Scattering Intensity");
  } else {
    SetTitles(plot, kMAxisTitle, MolarMassYTitle(kind));
  }
}

// ---- Conversion into c(M) --------------------------------------------------

// v[2..n] from a density per unit s into one per unit M: times the width of
// each point on the s grid (half-way to each neighbour), divided by its
// width on the M grid. At point 2 the s width looks forward and the M width
// backward, as the program has always measured them; point 1 (a separate
// species in several models) stays.
void ToMolarMassDensity(std::vector<float>& v, const std::vector<float>& s,
                        const std::vector<float>& M, int n) {
  auto width = [n](const std::vector<float>& x, int i, bool forwardAtTwo) {
    if (i == n) return x[n] - x[n - 1];
    if (i == 2 && forwardAtTwo) return x[3] - x[2];
    if (i == 2) return x[2] - x[1];
    return x[i + 1] - x[i - 1];
  };
  for (int i = 2; i <= n; ++i) {
    const float ds = std::fabs(width(s, i, true));
    const float dM = width(M, i, false);
    // Two grid points of one M give no density; the value is left as it is.
    if (dM == 0.0f) continue;
    v[i] = v[i] * ds / dM;
  }
}

bool HoldsPoints(const std::vector<float>& v, int n) {
  return static_cast<int>(v.size()) > n;
}

}  // namespace

// ---- Operations ------------------------------------------------------------

void ClearDistributionPlots() {
  auto& r = DistributionResult;
  for (std::vector<float>* v : {&r.DistMGrid, &r.DistSGrid, &r.DistValues, &r.DistSecondValues})
    std::vector<float>().swap(*v);
  auto& p = DistributionPlots;
  DeletePlotAndCurves();
  p.DistPlotValues.reset();
  p.DistPlotSecondValues.reset();
  // The limit curves belong to the Monte Carlo analysis; the plot that
  // showed them is gone, so nothing is removed from it.
  Notify(DistributionPlotLinks.ReleaseMonteCarloCurves);
  if (Is2DModel(ModelSelection.Kind)) {
    auto& g = DistributionGrid;
    for (std::vector<float>* v :
         {&g.Grid2DS, &g.Grid2DM, &g.Grid2DD, &g.Grid2DStokesRadius, &g.Grid2DFf0,
          &r.Grid2DAmplitudes, &g.Ff0Values, &g.Ff0PriorProbabilities})
      std::vector<float>().swap(*v);
  }
  Delete2DViews();
  DistributionPlotState.Dist2DShown = false;
  GiveMainPlotsFullHeight();
  if (MainPlots.DataPlot && DistributionPlotFlags.RelayoutMainPlotsOnClear)
    RenderMainPlotsInPlace(true);
  Notify(DistributionPlotLinks.HideIntegrateButton);
  std::vector<double>().swap(DistributionGrid.PriorProbabilities);
  std::vector<double>().swap(DistributionGrid.PriorWork);
}

void BuildDistributionPlot() {
  const ModelKind kind = ModelSelection.Kind;
  auto& r = DistributionResult;
  // A plot still present is replaced; the grid it shows stays.
  DeletePlotAndCurves();
  Delete2DViews();
  const bool sAxis = IsSAxisModel(kind) || IsRhModel(kind);
  if (sAxis) DistributionPlotFlags.DistShownAsMolarMass = false;
  MakeOneDimensionalCurves(sAxis ? r.DistSGrid : r.DistMGrid);
  CWINPlot& plot = NewPlot();
  if (Is2DModel(kind)) {
    Build2DDisplay(plot);
    DistributionPlotState.Dist2DShown = true;
  } else {
    AddOneDimensionalCurves(plot);
  }
  BuildTitles(plot, kind);
  YFromZeroAndJoinedPoints(plot);
  MakeRoomBelowMainPlots();
  if (MainPlots.DataPlot || MainPlots.ResidualPlot) {
    RenderMainPlotsInPlace(true);
    Notify(DistributionPlotLinks.ShowIntegrateButton);
  }
}

void PlotDistribution2D() {
  const auto& g = DistributionGrid;
  auto& p = DistributionPlots;
  const bool arrays = !g.Grid2DS.empty() && !g.Grid2DStokesRadius.empty() && !g.Grid2DD.empty() &&
                      !g.Grid2DM.empty() && !DistributionResult.Grid2DAmplitudes.empty();
  if (!Is2DModel(ModelSelection.Kind) || !arrays || !DistributionPlotState.Dist2DShown ||
      !p.DistributionPlot)
    return;
  p.DistributionPlot.reset();
  Delete2DViews();
  CWINPlot& plot = NewPlot();
  Build2DDisplay(plot);
  YFromZeroAndJoinedPoints(plot);
}

void InitDistributionPlot() {
  const ModelKind kind = ModelSelection.Kind;
  auto& st = DistributionPlotState;
  auto& ds = DistributionSettings;
  auto& r = DistributionResult;
  if (Is2DModel(kind) && st.Dist2DShown) return;
  const bool sModel = IsCSModel(kind) || kind == ModelKind::HybridCSLsGStar;
  if (!DistributionPlots.DistributionPlot) {
    ds.Smin = sModel ? 0.0f : 10000.0f;
    ds.Smax = sModel ? 20.0f : 500000.0f;
    return;
  }
  DeletePlotAndCurves();
  Delete2DViews();
  std::vector<float>& abscissa = sModel || IsRhModel(kind) ? r.DistSGrid : r.DistMGrid;
  MakeOneDimensionalCurves(abscissa);
  const int n = static_cast<int>(DistributionPlots.DistPlotX->count());
  if (n >= 1) {
    ds.Smin = abscissa[1];
    ds.Smax = abscissa[static_cast<std::size_t>(n)];
  }
  CWINPlot& plot = NewPlot();
  AddOneDimensionalCurves(plot);
  InitTitles(plot, kind);
  YFromZeroAndJoinedPoints(plot);
  MakeRoomBelowMainPlots();
  RenderMainPlotsInPlace(!st.FMModelJustSet);
  if (!DistributionRunFlags.MsTableDistribution && !st.SuppressRecalculateHint)
    platform::Current().ShowMessageBox(
        {nullptr, "may need to recalculate before integrating distribution data", "",
         platform::BoxIcon::None, platform::BoxButtons::Ok});
}

void PlotMolarMassDistribution() {
  const ModelKind kind = ModelSelection.Kind;
  auto& r = DistributionResult;
  auto& flags = DistributionPlotFlags;
  if ((Is2DModel(kind) && DistributionPlotState.Dist2DShown) ||
      DistributionRunFlags.MsTableDistribution || flags.DistShownAsMolarMass)
    return;
  const int n = DistributionSettings.DistGridSize;
  const bool both = DistributionSettings.RegularizationType.BothRegularizations;
  // Without a distribution over both grids there is nothing to convert.
  if (n < 2 || !HoldsPoints(r.DistSGrid, n) || !HoldsPoints(r.DistMGrid, n) ||
      !HoldsPoints(r.DistValues, n) || (both && !HoldsPoints(r.DistSecondValues, n)))
    return;
  DeletePlotAndCurves();
  ToMolarMassDensity(r.DistValues, r.DistSGrid, r.DistMGrid, n);
  if (both) ToMolarMassDensity(r.DistSecondValues, r.DistSGrid, r.DistMGrid, n);
  MakeOneDimensionalCurves(r.DistMGrid);
  CWINPlot& plot = NewPlot();
  AddOneDimensionalCurves(plot);
  SetTitles(plot, kMAxisTitle, MolarMassYTitle(kind));
  YFromZeroAndJoinedPoints(plot);
  MakeRoomBelowMainPlots();
  RenderMainPlotsInPlace(true);
  flags.DistShownAsMolarMass = true;
}

platform::Metafile RedrawDistributionPlot() {
  CWINPlot* plot = DistributionPlots.DistributionPlot.get();
  if (!plot) return {};
  AttachViews();
  plot->Relayout();
  plot->Render();
  return plot->hMetaFile;
}

void SetDistributionXTitle(const std::string& title) {
  if (DistributionPlots.DistributionPlot) DistributionPlots.DistributionPlot->SetXTitle(title);
}

void InstallDistributionPlotHooks() {
  GridServices.ClearDistributionPlots = [] { ClearDistributionPlots(); };
  GridServices.BuildDistributionPlot = [] { BuildDistributionPlot(); };
  StoredDistributionServices.RenderDistributionPlot = [] { RedrawDistributionPlot(); };
  StoredDistributionServices.SetDistributionXTitle = [](const std::string& title) {
    SetDistributionXTitle(title);
  };
  MainDisplayLinks.RedrawDistributionPlot = [] { return RedrawDistributionPlot(); };
  MainDisplayLinks.DrawPriorOverlay = [](platform::Canvas& canvas) { DrawPriorOverlay(canvas); };
  ::InitDistributionPlot = [] { InitDistributionPlot(); };
  InstallMonteCarloCurveHooks();
}

}  // namespace display
