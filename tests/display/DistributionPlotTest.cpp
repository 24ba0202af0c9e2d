// The distribution plot below the main plots: built by a c(s) run over its
// grid, drawn where the distribution has its peak, titled by model, shown
// over M after the c(M) conversion, as the two-dimensional displays of the
// s x f/f0 models, and cleared again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "DisplayTestSupport.h"
#include "display/DirectRedraws.h"
#include "display/DistributionPlot.h"
#include "display/MainWindowPaint.h"
#include "state/DistributionPlotState.h"
#include "distributions/ContiRunFixture.h"
#include "distributions/RunContiSed.h"
#include "distributions/StoredDistribution.h"
#include "distributions/SyntheticVelocityData.h"
#include "state/DistributionPlotFlags.h"
#include "models/ParameterPacking.h"
#include "numerics/Hydrodynamics.h"
#include "plot/PlotSettings.h"

namespace {

namespace sv = synthetic_velocity;
using display::DistributionPlots;

CWINPlot* Plot() {
  return DistributionPlots.DistributionPlot.get();
}

std::vector<float> Values(const CVector& v) {
  std::vector<float> out;
  for (unsigned i = 0; i < v.count(); ++i) out.push_back(v[i]);
  return out;
}

// Elements first..last of a one-based array.
std::vector<float> Slice(const std::vector<float>& a, int first, int last) {
  return {a.begin() + first, a.begin() + last + 1};
}

class DistributionPlotTest : public ContiRunTest {
 protected:
  void SetUp() override {
    ContiRunTest::SetUp();
    ResetDisplayRecords();
    ResetPlotRecords();
    display::InstallDistributionPlotHooks();
    display::DistributionPlotLinks.ShowIntegrateButton = [this] { ++integrateShown; };
    display::DistributionPlotLinks.HideIntegrateButton = [this] { ++integrateHidden; };
  }
  void TearDown() override {
    ResetPlotRecords();
    ResetDisplayRecords();
    StoredDistributionServices = savedServices_;
    PlotSettings.ErrorBarCapWidth = savedCapWidth_;
    ContiRunTest::TearDown();
  }

  void ResetPlotRecords() {
    DistributionPlots.DistributionPlot.reset();
    DistributionPlots = display::DistributionPlotsRecord{};
    display::DistributionPlotLinks = display::DistributionPlotLinksRecord{};
    DistributionPlotState = DistributionPlotStateRecord{};
    DistributionPlotFlags = DistributionPlotFlagsRecord{};
    ::InitDistributionPlot = [] {};
  }

  // The model's slots as the parameter dialog leaves them, then unpacked.
  static void SetModel(ModelKind kind, float smin, float smax, float resolution) {
    ModelSelection.Kind = kind;
    ParameterVector[1] = smin;
    ParameterVector[2] = 0.68f;
    ParameterVector[3] = 0.73f;
    ParameterVector[4] = 0.3f;
    ParameterVector[5] = smax;
    ParameterVector[7] = 1.0f;
    ParameterVector[9] = resolution;
    ParameterVector[11] = 1.2f;
    ParameterVector[12] = 0.01002f;
    ParameterVector[13] = 5.8f;
    ParameterVector[14] = 7.2f;
    UnpackParameterVector();
  }

  // One species of 5 S on the model's frictional ratio, in ten scans with
  // the main plots built over them; then a c(s) run from 1 to 10 S.
  void RunCsOnOneSpecies() {
    SetModel(ModelKind::ContinuousCS, 1.0f, 10.0f, 40.0f);
    sv::Experiment e;
    e.Scans = 10;
    e.Points = 151;
    e.RadialStep = 0.008;
    const float M = CalculateM(5.0f);
    const sv::Data data = sv::MakeData(e, {{5.0, DFromMass(M, 20.0f), 0.8}});
    std::vector<SyntheticScan> scans;
    for (int j = 1; j <= e.Scans; ++j) scans.push_back({data.Headers[j].Time, e.Rpm});
    LoadScans(scans, e.Points, e.FirstRadius, e.RadialStep, 5.8f, 7.2f, [&](int j, double r) {
      const int k = static_cast<int>(std::lround((r - e.FirstRadius) / e.RadialStep)) + 1;
      return static_cast<float>(data.Signal[j][k]);
    });
    ScanDataSet.FitLeftLim = static_cast<float>(e.FirstRadius);
    ScanDataSet.FitRightLim = static_cast<float>(e.FirstRadius + (e.Points - 1) * e.RadialStep);
    SetFirstFitIndex();
    SetLastFitIndex();
    FitControl.TINoiseFitted = true;
    ModelParameters.RINoiseFitted = true;
    ModelParameters.SystematicNoiseOn = true;
    ScanReaderOptions.AbsorbanceData = true;
    for (int i = 1; i <= e.Scans; ++i) BuildScanPlotVectors(i);
    display::BuildMainDataPlots();
    ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  }

  // A grid of n points without a run: s = 1, 2, ..., M = 1000 s^1.5,
  // values v = 1 + i.
  static void MakeGrid(int n) {
    DistributionSettings.DistGridSize = n;
    ResizeDistributionGrids(n);
    auto& r = DistributionResult;
    for (int i = 1; i <= n; ++i) {
      r.DistSGrid[i] = static_cast<float>(i);
      r.DistMGrid[i] = 1000.0f * std::pow(static_cast<float>(i), 1.5f);
      r.DistValues[i] = 1.0f + static_cast<float>(i);
      r.DistSecondValues[i] = 0.5f;
    }
    DistributionGrid.PriorProbabilities.assign(static_cast<std::size_t>(n) + 1, 0.01);
  }

  // The s x f/f0 arrays for resolution points of s and count f/f0 values;
  // every array distinct, so that a view shows which one it wraps.
  static void Make2DGrid(int resolution, int count) {
    auto& ds = DistributionSettings;
    ds.Resolution = static_cast<float>(resolution);
    ds.Ff0GridCount = static_cast<float>(count);
    ds.Ff0Min = 1.0f;
    ds.Ff0Max = 2.5f;
    ds.Grid2DSize = resolution * count;
    MakeGrid(resolution);
    auto& g = DistributionGrid;
    const auto size = static_cast<std::size_t>(ds.Grid2DSize) + 1;
    for (auto* v : {&g.Grid2DS, &g.Grid2DFf0, &g.Grid2DM, &g.Grid2DD, &g.Grid2DStokesRadius,
                    &DistributionResult.Grid2DAmplitudes})
      v->assign(size, 0.0f);
    for (int p = 1; p <= ds.Grid2DSize; ++p) {
      const int k = (p - 1) % resolution + 1, j = (p - 1) / resolution + 1;
      g.Grid2DS[p] = static_cast<float>(k);
      g.Grid2DFf0[p] = ds.Ff0Min + (ds.Ff0Max - ds.Ff0Min) * static_cast<float>(j - 1) /
                                       static_cast<float>(std::max(count - 1, 1));
      g.Grid2DM[p] = 100.0f * static_cast<float>(p);
      g.Grid2DD[p] = 1e-7f * static_cast<float>(p);
      g.Grid2DStokesRadius[p] = 0.5f * static_cast<float>(p);
      DistributionResult.Grid2DAmplitudes[p] = static_cast<float>(p % 7);
    }
    g.Ff0Values.assign(static_cast<std::size_t>(count) + 1, 1.0f);
    g.Ff0PriorProbabilities.assign(static_cast<std::size_t>(count) + 1, 0.01f);
  }

  int integrateShown = 0;
  int integrateHidden = 0;

 private:
  StoredDistributionServicesRecord savedServices_ = StoredDistributionServices;
  int savedCapWidth_ = PlotSettings.ErrorBarCapWidth;
};

// ---- A c(s) run --------------------------------------------------------------

TEST_F(DistributionPlotTest, CsRunShowsOneBlackCurveOverItsGrid) {
  RunCsOnOneSpecies();
  CWINPlot* plot = Plot();
  ASSERT_NE(plot, nullptr);
  const int n = DistributionSettings.DistGridSize;
  ASSERT_EQ(plot->nCurves, 1);
  const CCurve& curve = *plot->pCurves[0];
  EXPECT_EQ(Values(*curve.x()), Slice(DistributionResult.DistSGrid, 1, n));
  EXPECT_EQ(Values(*curve.y()), Slice(DistributionResult.DistValues, 1, n));
  EXPECT_EQ(plot->GetCurveColor(0), platform::kBlack);
  EXPECT_EQ(plot->szXTitle, "sed coefficient [S]");
  EXPECT_EQ(plot->szYTitle, "c(s)");
  EXPECT_TRUE(plot->bYFromZero);
  EXPECT_TRUE(plot->bConnectPoints);
  EXPECT_FALSE(DistributionPlotState.Dist2DShown);
  // Rows 630 .. 950 for the distribution, the main plots above it.
  EXPECT_EQ(plot->nTop, 630);
  EXPECT_EQ(plot->nBottom, 950);
  EXPECT_EQ(MainPlotLayout.DataBottom, 350);
  EXPECT_EQ(MainPlotLayout.ResidualTop, 405);
  EXPECT_EQ(MainPlotLayout.ResidualBottom, 575);
  ASSERT_TRUE(display::MainPlots.DataPlot);
  EXPECT_EQ(display::MainPlots.DataPlot->nBottom, 350);
  EXPECT_EQ(display::MainPlots.ResidualPlot->nBottom, 575);
  EXPECT_GE(integrateShown, 1);
}

TEST_F(DistributionPlotTest, RenderedPictureHasItsPeakWhereTheDistributionHasIt) {
  RunCsOnOneSpecies();
  const platform::Metafile picture = display::MainDisplayLinks.RedrawDistributionPlot();
  ASSERT_FALSE(picture.IsNull());
  CWINPlot& plot = *Plot();

  // The peak of the distribution, near the species' 5 S.
  const auto& r = DistributionResult;
  int peak = 1;
  for (int i = 2; i <= DistributionSettings.DistGridSize; ++i)
    if (r.DistValues[i] > r.DistValues[peak]) peak = i;
  EXPECT_NEAR(r.DistSGrid[peak], 5.0f, 0.5f);

  // Replayed one pixel per plot unit, the highest curve pixel inside the
  // frame (clear of the ticks) lies over the peak.
  const platform::Size space = PlotSpaceSize();
  platform::RasterCanvas canvas(space.width, space.height);
  picture.PlayInto(canvas, platform::Rect{0, 0, space.width, space.height});
  const platform::RgbImage image = canvas.ToRgbImage();
  const int margin = 12;
  const int left = plot.nLeft + margin, right = plot.nRight - margin;
  const int top = plot.nTop + margin, bottom = plot.nBottom - margin;
  EXPECT_GT(InkedPixels(image, left, top, right, bottom), 200);
  int peakX = -1, peakY = bottom;
  for (int y = top; y < bottom && peakX < 0; ++y)
    for (int x = left; x < right; ++x)
      if (image.At(x, y) == platform::kBlack) {
        peakX = x;
        peakY = y;
        break;
      }
  ASSERT_GE(peakX, 0);
  EXPECT_NEAR(peakX, plot.MapX(r.DistSGrid[peak]), 4);
  EXPECT_NEAR(peakY, plot.MapY(r.DistValues[peak]), 4);
}

TEST_F(DistributionPlotTest, ClearingGivesTheMainPlotsTheirHeightBack) {
  for (const bool relayout : {true, false}) {
    RunCsOnOneSpecies();
    integrateHidden = 0;
    DistributionPlotFlags.RelayoutMainPlotsOnClear = relayout;
    display::ClearDistributionPlots();
    EXPECT_EQ(Plot(), nullptr);
    EXPECT_TRUE(display::RedrawDistributionPlot().IsNull());
    EXPECT_TRUE(DistributionResult.DistValues.empty());
    EXPECT_TRUE(DistributionResult.DistSGrid.empty());
    EXPECT_TRUE(DistributionGrid.PriorProbabilities.empty());
    EXPECT_EQ(MainPlotLayout.DataTop, 50);
    EXPECT_EQ(MainPlotLayout.DataBottom, 475);
    EXPECT_EQ(MainPlotLayout.ResidualTop, 550);
    EXPECT_EQ(MainPlotLayout.ResidualBottom, 950);
    // Held off by the grid step, which builds a new plot at once.
    EXPECT_EQ(display::MainPlots.DataPlot->nBottom, relayout ? 475 : 350) << relayout;
    EXPECT_EQ(integrateHidden, 1);
    ResetDistributionRecords();
    ResetDisplayRecords();
    display::InstallDistributionPlotHooks();
  }
}

// ---- Titles and abscissae by model ------------------------------------------

struct TitleCase {
  ModelKind kind;
  bool sAxis;
  const char* x;
  const char* y;
  bool logTicks = false;
  int noDeconvolution = 0;
  bool bufferMismatch = false;
};

TEST_F(DistributionPlotTest, TitlesAndAbscissaFollowTheModel) {
  const TitleCase cases[] = {
      {ModelKind::DlsIRh, true, "log hydrodynamic radius (m)", "Scattering Intensity", true},
      {ModelKind::DlsIRhTimeCourse, true, "log hydrodynamic radius (m)", "Scattering Intensity",
       true},
      {ModelKind::DlsID, false, "log diffusion coefficient (cm^2/sec)", "Scattering Intensity",
       true},
      {ModelKind::ContinuousCM, false, "molar mass [Da]", "c(M)"},
      {ModelKind::FMScalingLaw, false, "molar mass [Da]", "c(M)"},
      {ModelKind::FMScalingLaw, false, "molar mass [Da]", "f(M)", false, 1},
      {ModelKind::ContinuousCM, true, "sed coefficient [S]", "c(s)", false, 0, true},
      {ModelKind::ElectrophoresisCV, true, "migration velocity [um/sec]", "c(s)"},
      {ModelKind::ExtrapolateLsGStar, true, "sed coefficient [S]", "fraction"},
      {ModelKind::LsGStar, true, "sed coefficient [S]", "ls-g*(s)"},
      {ModelKind::LsGStarOneDiscrete, true, "sed coefficient [S]", "ls-g*(s)"},
      {ModelKind::HybridCSLsGStar, true, "sed coefficient [S]", "c(s)/ls-g*(s)"},
      {ModelKind::ContinuousCS, true, "sed coefficient [S]", "c(s)"},
      {ModelKind::CSWithMsTable, true, "sed coefficient [S]", "c(s)"},
      {ModelKind::HinderedCS, true, "sed coefficient [S]", "c(s)"},
  };
  for (const TitleCase& c : cases) {
    SCOPED_TRACE(c.y + std::string(" ") + std::to_string(static_cast<int>(c.kind)));
    ModelSelection.Kind = c.kind;
    DistributionSettings.ScalingNoDeconvolution = c.noDeconvolution;
    StoredDistributionServices.BufferMismatchOn = [&c] { return c.bufferMismatch; };
    DistributionPlotFlags.DistShownAsMolarMass = true;
    MakeGrid(6);
    display::BuildDistributionPlot();
    ASSERT_NE(Plot(), nullptr);
    EXPECT_EQ(Plot()->szXTitle, c.x);
    EXPECT_EQ(Plot()->szYTitle, c.y);
    EXPECT_EQ(Plot()->bLogTicksX, c.logTicks);
    const auto& grid = c.sAxis ? DistributionResult.DistSGrid : DistributionResult.DistMGrid;
    EXPECT_EQ(Values(*Plot()->pCurves[0]->x()), Slice(grid, 1, 6));
    // Only a plot over s ends the c(M) conversion.
    EXPECT_EQ(DistributionPlotFlags.DistShownAsMolarMass, !c.sAxis);
    display::ClearDistributionPlots();
  }
}

TEST_F(DistributionPlotTest, BothRegularizationsShowTheSecondCurveInBlue) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  DistributionSettings.RegularizationType.BothRegularizations = true;
  MakeGrid(8);
  display::BuildDistributionPlot();
  ASSERT_EQ(Plot()->nCurves, 2);
  EXPECT_EQ(Plot()->GetCurveColor(0), platform::kBlack);
  EXPECT_EQ(Plot()->GetCurveColor(1), platform::Rgb(0, 0, 255));
  EXPECT_EQ(Values(*Plot()->pCurves[1]->y()), Slice(DistributionResult.DistSecondValues, 1, 8));
}

TEST_F(DistributionPlotTest, BuildingAgainReplacesThePlotAndKeepsTheGrid) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  MakeGrid(5);
  display::BuildDistributionPlot();
  display::BuildDistributionPlot();
  ASSERT_NE(Plot(), nullptr);
  EXPECT_EQ(Plot()->nCurves, 1);
  EXPECT_EQ(Values(*Plot()->pCurves[0]->y()), Slice(DistributionResult.DistValues, 1, 5));
}

// The views follow the arrays even when these were allocated anew: a
// rendering must neither read freed memory nor show the old values.
TEST_F(DistributionPlotTest, RenderingFollowsReallocatedArrays) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  MakeGrid(5);
  display::BuildDistributionPlot();
  DistributionResult.DistValues = {0.0f, 9.0f, 8.0f, 7.0f, 6.0f, 5.0f};
  DistributionResult.DistSGrid = {0.0f, 2.0f, 4.0f, 6.0f, 8.0f, 10.0f};
  EXPECT_FALSE(display::RedrawDistributionPlot().IsNull());
  EXPECT_EQ(Values(*Plot()->pCurves[0]->y()), (std::vector<float>{9, 8, 7, 6, 5}));
  EXPECT_EQ(Values(*Plot()->pCurves[0]->x()), (std::vector<float>{2, 4, 6, 8, 10}));
  // A grid shorter than its size says: only the points it holds are shown.
  DistributionResult.DistValues.resize(3);
  display::RedrawDistributionPlot();
  EXPECT_EQ(Plot()->pCurves[0]->y()->count(), 2u);
  EXPECT_EQ(Plot()->pCurves[0]->x()->count(), 2u);

  // The colours of the two-dimensional display likewise.
  display::ClearDistributionPlots();
  ModelSelection.Kind = ModelKind::CSFf0;
  Make2DGrid(10, 3);
  display::BuildDistributionPlot();
  DistributionResult.Grid2DAmplitudes = std::vector<float>(31, 2.0f);
  DistributionGrid.Grid2DS = std::vector<float>(21, 4.0f);
  EXPECT_FALSE(display::RedrawDistributionPlot().IsNull());
  EXPECT_EQ(Plot()->pColorValues, DistributionResult.Grid2DAmplitudes.data() + 1);
  EXPECT_EQ(Plot()->nColorValues, 20);
  EXPECT_EQ(Values(*Plot()->pCurves[0]->x()), std::vector<float>(20, 4.0f));
}

TEST_F(DistributionPlotTest, HooksReachThePlot) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  MakeGrid(5);
  GridServices.BuildDistributionPlot();
  ASSERT_NE(Plot(), nullptr);
  StoredDistributionServices.SetDistributionXTitle("s20,w [S]");
  EXPECT_EQ(Plot()->szXTitle, "s20,w [S]");
  StoredDistributionServices.RenderDistributionPlot();
  EXPECT_FALSE(Plot()->hMetaFile.IsNull());
  GridServices.ClearDistributionPlots();
  EXPECT_EQ(Plot(), nullptr);
  EXPECT_TRUE(display::MainDisplayLinks.RedrawDistributionPlot().IsNull());
  StoredDistributionServices.SetDistributionXTitle("nothing to title");
}

// ---- The c(M) conversion -------------------------------------------------------

TEST_F(DistributionPlotTest, MolarMassConversionDividesByTheSlopeOfM) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  const int n = 60;
  MakeGrid(n);
  auto& r = DistributionResult;
  // A Gaussian c(s) on s = 1..60 with M = 1000 s^1.5: c(M) = c(s) / (dM/ds).
  std::vector<double> cs(static_cast<std::size_t>(n) + 1);
  for (int i = 1; i <= n; ++i) {
    cs[i] = std::exp(-std::pow((i - 30.0) / 8.0, 2));
    r.DistValues[i] = static_cast<float>(cs[i]);
  }
  const float point1 = r.DistValues[1];
  display::BuildDistributionPlot();
  display::PlotMolarMassDistribution();
  EXPECT_TRUE(DistributionPlotFlags.DistShownAsMolarMass);
  EXPECT_EQ(r.DistValues[1], point1);
  for (int i = 3; i < n; ++i) {
    const double slope = 1500.0 * std::sqrt(static_cast<double>(i));
    EXPECT_NEAR(r.DistValues[i], cs[i] / slope, 1e-2 * cs[i] / slope) << i;
  }
  // Point 2: the s width looks forward, the M width backward.
  const double m1 = 1000.0, m2 = 1000.0 * std::pow(2.0, 1.5);
  EXPECT_NEAR(r.DistValues[2], cs[2] * 1.0 / (m2 - m1), 1e-6 * cs[2] / (m2 - m1));
  EXPECT_NEAR(r.DistValues[n], cs[n] / (r.DistMGrid[n] - r.DistMGrid[n - 1]), 1e-9);

  CWINPlot* plot = Plot();
  ASSERT_NE(plot, nullptr);
  EXPECT_EQ(plot->szXTitle, "molar mass [Da]");
  EXPECT_EQ(plot->szYTitle, "c(M)");
  EXPECT_EQ(Values(*plot->pCurves[0]->x()), Slice(r.DistMGrid, 1, n));
  EXPECT_EQ(MainPlotLayout.DataBottom, 350);

  // A second conversion without a new run changes nothing.
  const std::vector<float> once = r.DistValues;
  display::PlotMolarMassDistribution();
  EXPECT_EQ(r.DistValues, once);
  EXPECT_EQ(Plot(), plot);
}

TEST_F(DistributionPlotTest, MolarMassConversionIsRefusedWhereItHasNoMeaning) {
  struct Case {
    const char* name;
    ModelKind kind;
    bool msTable;
    bool shown2D;
    int n;
  };
  const Case cases[] = {
      {"two-dimensional display", ModelKind::CSFf0, false, true, 6},
      {"M(s) table", ModelKind::CSWithMsTable, true, false, 6},
      {"a single point", ModelKind::ContinuousCS, false, false, 1},
  };
  for (const Case& c : cases) {
    ModelSelection.Kind = c.kind;
    DistributionRunFlags.MsTableDistribution = c.msTable;
    DistributionPlotState.Dist2DShown = c.shown2D;
    MakeGrid(c.n);
    const std::vector<float> before = DistributionResult.DistValues;
    display::PlotMolarMassDistribution();
    EXPECT_EQ(DistributionResult.DistValues, before) << c.name;
    EXPECT_FALSE(DistributionPlotFlags.DistShownAsMolarMass) << c.name;
  }
  // Two points: the one converted point is measured backwards on both grids.
  ModelSelection.Kind = ModelKind::ContinuousCS;
  DistributionRunFlags.MsTableDistribution = false;
  DistributionPlotState.Dist2DShown = false;
  MakeGrid(2);
  display::PlotMolarMassDistribution();
  const auto& r = DistributionResult;
  EXPECT_FLOAT_EQ(r.DistValues[2], 3.0f * 1.0f / (r.DistMGrid[2] - r.DistMGrid[1]));

  // Two points of one M (no width on the M axis) keep their value instead
  // of becoming infinite.
  DistributionPlotFlags.DistShownAsMolarMass = false;
  MakeGrid(4);
  DistributionResult.DistMGrid[4] = DistributionResult.DistMGrid[3];
  display::PlotMolarMassDistribution();
  EXPECT_EQ(r.DistValues[4], 5.0f);
  EXPECT_TRUE(std::isfinite(r.DistValues[3]));
}

// ---- The two-dimensional displays --------------------------------------------

TEST_F(DistributionPlotTest, ColourMapTilesTheSAndFf0Plane) {
  ModelSelection.Kind = ModelKind::CSFf0;
  Make2DGrid(100, 10);
  display::BuildDistributionPlot();
  CWINPlot* plot = Plot();
  ASSERT_NE(plot, nullptr);
  EXPECT_TRUE(DistributionPlotState.Dist2DShown);
  ASSERT_EQ(plot->nCurves, 2);
  const int total = DistributionSettings.Grid2DSize;
  EXPECT_EQ(Values(*plot->pCurves[0]->x()), Slice(DistributionGrid.Grid2DS, 1, total));
  EXPECT_EQ(Values(*plot->pCurves[0]->y()), Slice(DistributionGrid.Grid2DFf0, 1, total));
  EXPECT_EQ(plot->GetCurveStyle(0), 11);
  EXPECT_TRUE(plot->bPointColors);
  EXPECT_EQ(plot->iColorCurve, 0);
  EXPECT_EQ(plot->pColorValues, DistributionResult.Grid2DAmplitudes.data() + 1);
  EXPECT_TRUE(plot->bShowColorBar);
  EXPECT_TRUE(plot->bSecondaryY);
  EXPECT_EQ(plot->fSecondaryYLow, 1.0f);
  EXPECT_EQ(plot->fSecondaryYHigh, 2.5f);
  // Rows 630 .. 950 over 10 f/f0 values, columns 75 .. 975 over 100 s values.
  EXPECT_EQ(plot->nSymbolSize, 18);
  EXPECT_EQ(plot->nBarHalfWidth, 6);
  EXPECT_EQ(PlotSettings.ErrorBarCapWidth, 27);
  // The marginal c(s) on top.
  EXPECT_EQ(plot->pCurves[1], DistributionPlots.DistCurve.get());
  EXPECT_EQ(plot->GetCurveColor(1), platform::kBlack);
  EXPECT_EQ(plot->szXTitle, "sed coefficient [S]");
  EXPECT_EQ(plot->szYTitle, "c(s,*) or ff0");
  EXPECT_EQ(plot->szYBottomLabel, "ff0=1.00");
  EXPECT_EQ(plot->szYTopLabel, "ff0=2.50");

  // The rectangles cover the frame: most of it is coloured. The PNG stays
  // in the temporary folder for a look.
  const platform::Metafile picture = display::RedrawDistributionPlot();
  ASSERT_FALSE(picture.IsNull());
  const platform::Size space = PlotSpaceSize();
  platform::RasterCanvas canvas(space.width, space.height);
  picture.PlayInto(canvas, platform::Rect{0, 0, space.width, space.height});
  ASSERT_TRUE(canvas.SavePng(
      (std::filesystem::temp_directory_path() / "taluvo-display-colour-map.png").string()));
  const int area = (plot->nRight - plot->nLeft) * (plot->nBottom - plot->nTop);
  EXPECT_GT(InkedPixels(canvas.ToRgbImage(), plot->nLeft, plot->nTop, plot->nRight, plot->nBottom),
            area / 2);
}

TEST_F(DistributionPlotTest, ColourMapOfASingleFf0RowStaysFinite) {
  ModelSelection.Kind = ModelKind::CSFf0;
  Make2DGrid(1, 1);
  display::BuildDistributionPlot();
  ASSERT_NE(Plot(), nullptr);
  EXPECT_EQ(Plot()->nSymbolSize, 161);
  EXPECT_EQ(Plot()->nBarHalfWidth, 541);
}

struct ScatterCase {
  bool DistributionSettingsRecord::*choice;
  std::vector<float> DistributionGridRecord::*x;
  std::vector<float> DistributionGridRecord::*y;
  const char* xTitle;
  const char* yTitle;
};

TEST_F(DistributionPlotTest, ScatterShowsTheChosenAxes) {
  using DS = DistributionSettingsRecord;
  using DG = DistributionGridRecord;
  const ScatterCase cases[] = {
      {&DS::Ff0PlotSM, &DG::Grid2DS, &DG::Grid2DM, "sed coefficient [S]", "molar mass [Da]"},
      {&DS::Ff0PlotSR, &DG::Grid2DS, &DG::Grid2DStokesRadius, "sed coefficient [S]",
       "Stokes radius (nm)"},
      {&DS::Ff0PlotSD, &DG::Grid2DS, &DG::Grid2DD, "sed coefficient [S]", "D (cm^2/sec)"},
      {&DS::Ff0PlotMFf0, &DG::Grid2DM, &DG::Grid2DFf0, "molar mass [Da]", "frictional ratio"},
  };
  for (const ModelKind kind : {ModelKind::CSFf0, ModelKind::CSFf0OneDiscrete}) {
    // The discrete species of the second model, 2-D point 1, is not shown.
    const int first = kind == ModelKind::CSFf0 ? 1 : 2;
    for (const ScatterCase& c : cases) {
      SCOPED_TRACE(c.yTitle);
      ModelSelection.Kind = kind;
      DistributionSettings = DistributionSettingsRecord{};
      DistributionSettings.*c.choice = true;
      Make2DGrid(20, 5);
      display::BuildDistributionPlot();
      CWINPlot* plot = Plot();
      ASSERT_NE(plot, nullptr);
      ASSERT_EQ(plot->nCurves, 1);
      const int total = DistributionSettings.Grid2DSize;
      EXPECT_EQ(Values(*plot->pCurves[0]->x()), Slice(DistributionGrid.*c.x, first, total));
      EXPECT_EQ(Values(*plot->pCurves[0]->y()), Slice(DistributionGrid.*c.y, first, total));
      EXPECT_EQ(plot->pColorValues, DistributionResult.Grid2DAmplitudes.data() + first);
      EXPECT_EQ(plot->nColorValues, total - first + 1);
      EXPECT_EQ(plot->GetCurveStyle(0), 9);
      EXPECT_EQ(plot->nSymbolSize, 10);
      EXPECT_EQ(PlotSettings.ErrorBarCapWidth, 15);
      EXPECT_TRUE(plot->bShowColorBar);
      EXPECT_EQ(plot->szXTitle, c.xTitle);
      EXPECT_EQ(plot->szYTitle, c.yTitle);
      EXPECT_TRUE(DistributionPlotState.Dist2DShown);
      display::ClearDistributionPlots();
      EXPECT_FALSE(DistributionPlotState.Dist2DShown);
      EXPECT_TRUE(DistributionGrid.Grid2DS.empty());
      EXPECT_TRUE(DistributionResult.Grid2DAmplitudes.empty());
    }
  }
}

TEST_F(DistributionPlotTest, NewChoiceOfAxesRebuildsOnlyTheTwoDimensionalDisplay) {
  ModelSelection.Kind = ModelKind::CSFf0;
  Make2DGrid(30, 4);
  display::BuildDistributionPlot();
  MainPlotLayout.DataBottom = 123;  // a layout the rebuild must not touch
  DistributionSettings.Ff0PlotSR = true;
  display::PlotDistribution2D();
  ASSERT_NE(Plot(), nullptr);
  EXPECT_EQ(Plot()->szYTitle, "Stokes radius (nm)");
  EXPECT_EQ(Values(*Plot()->pCurves[0]->y()),
            Slice(DistributionGrid.Grid2DStokesRadius, 1, DistributionSettings.Grid2DSize));
  EXPECT_TRUE(Plot()->bYFromZero);
  EXPECT_TRUE(Plot()->bConnectPoints);
  EXPECT_EQ(MainPlotLayout.DataBottom, 123);
  EXPECT_TRUE(DistributionPlotState.Dist2DShown);

  // Not for a one-dimensional model, nor without the 2-D arrays.
  CWINPlot* kept = Plot();
  ModelSelection.Kind = ModelKind::ContinuousCS;
  display::PlotDistribution2D();
  EXPECT_EQ(Plot(), kept);
  ModelSelection.Kind = ModelKind::CSFf0;
  DistributionResult.Grid2DAmplitudes.clear();
  display::PlotDistribution2D();
  EXPECT_EQ(Plot(), kept);
}

// ---- Choosing a continuous model -----------------------------------------------

TEST_F(DistributionPlotTest, ChoosingAModelWithoutAPlotSetsDefaultLimitsOnly) {
  struct Case {
    ModelKind kind;
    float smin, smax;
  };
  const Case cases[] = {{ModelKind::ContinuousCS, 0.0f, 20.0f},
                        {ModelKind::HybridCSLsGStar, 0.0f, 20.0f},
                        {ModelKind::CSFf0, 0.0f, 20.0f},
                        {ModelKind::ContinuousCM, 10000.0f, 500000.0f},
                        {ModelKind::LsGStar, 10000.0f, 500000.0f}};
  for (const Case& c : cases) {
    ModelSelection.Kind = c.kind;
    ::InitDistributionPlot();
    EXPECT_EQ(DistributionSettings.Smin, c.smin);
    EXPECT_EQ(DistributionSettings.Smax, c.smax);
    EXPECT_EQ(Plot(), nullptr);
  }
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(DistributionPlotTest, ChoosingAModelWithAPlotRebuildsItOverTheGridEnds) {
  struct Case {
    ModelKind kind;
    bool suppressHint;
    bool msTable;
    double hybridThreshold;
    bool sAxis;
    const char* yTitle;
  };
  const Case cases[] = {
      {ModelKind::ContinuousCS, false, false, 0.0, true, "c(s)"},
      {ModelKind::ContinuousCS, true, false, 0.0, true, "c(s)"},
      {ModelKind::CSWithMsTable, false, true, 0.0, true, "c(s)"},
      // ls-g*(s) counts as an M model until its grid is made.
      {ModelKind::LsGStar, false, false, 0.0, false, "c(M)"},
      {ModelKind::LsGStar, false, false, 5.0, false, "c(s)/ls-g*(s)"},
      {ModelKind::DlsIRh, false, false, 0.0, true, "Scattering Intensity"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.yTitle);
    ModelSelection.Kind = ModelKind::ContinuousCS;
    MakeGrid(7);
    display::BuildDistributionPlot();
    MainPlotLayout = MainPlotLayoutRecord{};
    ModelSelection.Kind = c.kind;
    DistributionPlotState.SuppressRecalculateHint = c.suppressHint;
    DistributionRunFlags.MsTableDistribution = c.msTable;
    DistributionSettings.HybridSThreshold = c.hybridThreshold;
    display::InitDistributionPlot();
    ASSERT_NE(Plot(), nullptr);
    const auto& grid = c.sAxis ? DistributionResult.DistSGrid : DistributionResult.DistMGrid;
    EXPECT_EQ(DistributionSettings.Smin, grid[1]);
    EXPECT_EQ(DistributionSettings.Smax, grid[7]);
    EXPECT_EQ(Values(*Plot()->pCurves[0]->x()), Slice(grid, 1, 7));
    EXPECT_EQ(Values(*Plot()->pCurves[0]->y()), Slice(DistributionResult.DistValues, 1, 7));
    EXPECT_EQ(Plot()->szYTitle, c.yTitle);
    EXPECT_EQ(MainPlotLayout.DataBottom, 350);
    const bool hint = !c.suppressHint && !c.msTable;
    EXPECT_EQ(LogLinesWith("may need to recalculate before integrating distribution data").size(),
              hint ? 1u : 0u);
    backend().ClearLog();
    DistributionPlotState = DistributionPlotStateRecord{};
    DistributionRunFlags = DistributionRunFlagsRecord{};
    DistributionSettings.HybridSThreshold = 0.0;
    display::ClearDistributionPlots();
  }
}

TEST_F(DistributionPlotTest, ChoosingAModelLeavesAShownTwoDimensionalDisplayAlone) {
  ModelSelection.Kind = ModelKind::CSFf0;
  Make2DGrid(10, 3);
  display::BuildDistributionPlot();
  CWINPlot* plot = Plot();
  DistributionSettings.Smin = 3.0f;
  display::InitDistributionPlot();
  EXPECT_EQ(Plot(), plot);
  EXPECT_EQ(DistributionSettings.Smin, 3.0f);
}

// ---- The picture ---------------------------------------------------------------

// The main window after a c(s) run: data, residuals and the distribution
// below them. The PNG stays in the temporary folder for a look.
TEST_F(DistributionPlotTest, PaintedWindowShowsTheDistributionBelowTheMainPlots) {
  RunCsOnOneSpecies();
  display::UpdateResiduals(true);
  display::LayoutAndRenderMainPlots();
  MainDisplayOptions.ShowResidualsBitmap = false;
  RasterHost host(1120, 800);
  const display::PaintContext context{&host, host.ClientSize(), false};
  PaintState.DisclaimerPending = false;
  display::PaintMainWindow(host.Raster(), true, context);
  display::PaintMainWindow(host.Raster(), false, context);
  const std::string png =
      (std::filesystem::temp_directory_path() / "taluvo-display-distribution-plot.png").string();
  ASSERT_TRUE(host.Raster().SavePng(png));
  const platform::RgbImage image = host.Snapshot();
  // Data above row 280, residuals between 324 and 460, distribution below 504.
  EXPECT_GT(InkedPixels(image, 0, 40, 1120, 280), 5000);
  EXPECT_GT(InkedPixels(image, 0, 330, 1120, 460), 1000);
  EXPECT_GT(InkedPixels(image, 100, 520, 1090, 750), 300);
}

}  // namespace
