// The boundary analyses against data of known species made by the
// program's own Lamm equation solver: the extrapolated s of every fraction
// is the species' s, and a mixture shows one plateau per species.
#include "tools/BoundaryAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "state/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataTestSupport.h"
#include "data/ScanDataSet.h"
#include "distributions/SyntheticVelocityData.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "models/FitResultDisplay.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "models/ParameterPacking.h"
#include "state/ParameterVector.h"

namespace {

namespace sv = synthetic_velocity;

class BoundaryAnalysisTest : public DataTest {
 protected:
  void SetUp() override {
    DataTest::SetUp();
    // No window: the progress lines and the step distributions are not
    // shown (a test that looks at them records them).
    BoundaryAnalysisLinks.Text = [](int, int, const std::string&) {};
    BoundaryAnalysisLinks.StepShown = [](const std::vector<float>&, const std::vector<float>&) {};
  }
  void TearDown() override {
    FitControl.TINoiseFitted = false;
    ModelParameters.RINoiseFitted = false;
    ModelSelection = ModelSelectionRecord{};
    DistributionSettings = DistributionSettingsRecord{};
    LsgExtrapolationSettings = LsgExtrapolationSettingsRecord{};
    ParameterVector.fill(0.0f);
    BoundaryAnalysisLinks = BoundaryAnalysisLinksRecord{};
    LsgStepDistributions = LsgStepDistributionsRecord{};
    DataTest::TearDown();
  }
  // Loads the experiment's scans with the fit range [left, right].
  void Load(const sv::Experiment& e, const sv::Data& data, float left, float right) {
    FreeDataSet();
    AllocScanSlots(e.Scans);
    auto& d = ScanDataSet;
    d.NFILES = e.Scans;
    for (int i = 1; i <= e.Scans; ++i) {
      d.ScanHeaders[i] = data.Headers[i];
      d.ScanPointCount[i] = e.Points;
      for (auto* a : {&d.ScanRadius, &d.ScanSignal, &d.ScanModel, &d.ScanResiduals})
        (*a)[i].Resize(1, e.Points);
      for (int k = 1; k <= e.Points; ++k) {
        d.ScanRadius[i][k] = data.Radii[k];
        d.ScanSignal[i][k] = static_cast<float>(data.Signal[i][k]);
      }
      d.ScanTimeOrder[i] = i;
      d.ScanFirstFitIndex[i] = 1;
      d.ScanLastFitIndex[i] = e.Points;
    }
    ModelParameters.Meniscus = static_cast<float>(e.Meniscus);
    ModelParameters.Bottom = static_cast<float>(e.Bottom);
    SetupCommonRadialGrid();
    d.FitLeftLim = left;
    d.FitRightLim = right;
    SetFirstFitIndex();
    SetLastFitIndex();
  }
  const DistributionResultRecord& Result() const { return DistributionResult; }
  // The ls-g*(s) model over 1..10 S on 60 grid points, as the model command
  // leaves it in the parameter vector.
  static void SelectLsgModel() {
    ModelSelection.Kind = ModelKind::ExtrapolateLsGStar;
    PackParameterVector();
    ParameterVector[9] = 60.0f;  // grid points
    ParameterVector[1] = 1.0f;   // s min
    ParameterVector[5] = 10.0f;  // s max
    ParameterVector[2] = 0.9f;   // confidence level
  }
};

struct WrittenLine {
  int x, y;
  std::string text;
};

sv::Experiment OneSpeciesRun() {
  sv::Experiment e;
  e.FirstRadius = 5.82;
  e.Points = 320;
  return e;
}

}  // namespace

TEST(BoundaryFractions, StepsTablesAndIntegrals) {
  struct Case {
    int scans, f;
    bool consecutive;
    std::vector<int> starts;
  } cases[] = {{10, 3, false, {1, 2, 3, 4, 5, 6, 7, 8}},
               {10, 3, true, {1, 4, 7}},
               {10, 1, true, {1, 3, 5, 7, 9}},  // at least 2 scans per step
               {2, 3, false, {}}};
  for (const Case& c : cases) EXPECT_EQ(LsgStepStarts(c.scans, c.f, c.consecutive), c.starts);

  const float x[] = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f};
  const float y[] = {0.0f, 1.0f, 3.0f, 3.0f, 1.0f};
  const double forward = IntegrateTabulated(x, y, 1.5, 3.5, 4);
  EXPECT_NEAR(forward, 1.25 + 3.0 + 1.25, 1e-12);
  EXPECT_NEAR(IntegrateTabulated(x, y, 3.5, 1.5, 4), -forward, 1e-12);
  EXPECT_EQ(IntegrateTabulated(x, y, 4.0, 9.0, 4), 0.0);
  EXPECT_NEAR(IntegrateTabulated(x, y, -5.0, 9.0, 4), 2.0 + 3.0 + 2.0, 1e-12);
  // The inverse on a rising segment and on one of equal values.
  EXPECT_NEAR(InverseCumulativeArea(1.0, x, y, 1.0, 4), 1.0 + (std::sqrt(5.0) - 1.0) / 2.0, 1e-9);
  EXPECT_NEAR(InverseCumulativeArea(3.5, x, y, 1.0, 4), 2.5, 1e-9);
  EXPECT_EQ(InverseCumulativeArea(99.0, x, y, 1.0, 4), 4.0);

  const double xs[] = {0.0, 1.0, 2.0, 3.0}, ys[] = {0.0, 5.0, 7.0, 9.0};
  double a = 0.0, b = 0.0;
  ASSERT_TRUE(LinearRegression(a, b, xs, ys, 3));
  EXPECT_NEAR(a, 3.0, 1e-12);
  EXPECT_NEAR(b, 2.0, 1e-12);
  const double same[] = {0.0, 1.0, 1.0};
  EXPECT_FALSE(LinearRegression(a, b, same, ys, 2));
}

TEST_F(BoundaryAnalysisTest, LsgExtrapolationGivesTheSpeciesS) {
  // Random noise alone, and with time- and radial-invariant offsets that
  // the analysis eliminates. The elimination centres three scans per step,
  // and the centred differences of a diffusing boundary read part of its
  // spreading as sedimentation: about 2 % high, by the method itself (the
  // next test shows the elimination exact and this boundary unbiased
  // without diffusion).
  struct Case {
    bool offsets;
    double tolerance;
  } cases[] = {{false, 0.02}, {true, 0.04}};
  for (const Case& c : cases) {
    sv::Experiment e = OneSpeciesRun();
    if (!c.offsets) e.TIScale = e.RIScale = 0.0;
    Load(e, sv::MakeData(e, {{4.3, 6e-7, 1.0}}), 5.85f, 7.0f);
    FitControl.TINoiseFitted = c.offsets;
    ModelParameters.RINoiseFitted = c.offsets;
    SelectLsgModel();
    ASSERT_TRUE(RunLsgExtrapolation(nullptr));
    const int r = LsgExtrapolationSettings.Fractions;
    EXPECT_EQ(ExtrapolationData.Rows, e.Scans - 2);  // sliding steps of 3 scans
    for (int j = 4; j <= r - 3; ++j)
      EXPECT_NEAR(Result().DistSGrid[j], 4.3, c.tolerance * 4.3) << "fraction " << j;
    // The cumulative amount rises in equal steps and is flat beyond r.
    const double step = Result().DistValues[1];
    EXPECT_GT(step, 0.0);
    for (int j = 1; j <= r; ++j) EXPECT_NEAR(Result().DistValues[j], j * step, 1e-5 * j);
    EXPECT_EQ(Result().DistValues[r + 1], Result().DistValues[r]);
  }
}

TEST_F(BoundaryAnalysisTest, VanHoldeWeischetGivesTheSpeciesSAndTheFractionAxis) {
  sv::Experiment e = OneSpeciesRun();
  e.TIScale = e.RIScale = 0.0;
  Load(e, sv::MakeData(e, {{4.3, 6e-7, 1.0}}), 5.85f, 7.0f);
  ModelSelection.Kind = ModelKind::VanHoldeWeischet;
  DistributionSettings.Resolution = 10.0f;
  ASSERT_TRUE(RunVanHoldeWeischet(nullptr));
  EXPECT_TRUE(LogLinesWith("resolution was reduced").empty());
  for (int j = 1; j <= 10; ++j) {
    EXPECT_NEAR(Result().DistValues[j], j / 11.0, 1e-6);
    if (j >= 2 && j <= 9) {
      EXPECT_NEAR(Result().DistSGrid[j], 4.3, 0.02 * 4.3) << j;
    }
  }
}

TEST_F(BoundaryAnalysisTest, VanHoldeWeischetOfAMixtureShowsTwoPlateaus) {
  sv::Experiment e = OneSpeciesRun();
  e.TIScale = e.RIScale = 0.0;
  e.Scans = 12;
  e.FirstTime = 2000.0;
  Load(e, sv::MakeData(e, {{3.0, 7e-7, 0.5}, {8.0, 4.5e-7, 0.5}}), 5.83f, 7.0f);
  ModelSelection.Kind = ModelKind::VanHoldeWeischet;
  DistributionSettings.Resolution = 10.0f;
  ASSERT_TRUE(RunVanHoldeWeischet(nullptr));
  for (int j = 2; j <= 4; ++j) EXPECT_NEAR(Result().DistSGrid[j], 3.0, 0.1 * 3.0) << j;
  for (int j = 7; j <= 9; ++j) EXPECT_NEAR(Result().DistSGrid[j], 8.0, 0.1 * 8.0) << j;
}

TEST_F(BoundaryAnalysisTest, RefusalsAndTheResolutionReducedBelowFive) {
  sv::Experiment e = OneSpeciesRun();
  e.Scans = 4;
  sv::Data data = sv::MakeData(e, {{4.3, 6e-7, 1.0}});
  // Sharp steps: no point lies inside the boundary, every inner fraction
  // is empty.
  for (int i = 1; i <= e.Scans; ++i)
    for (int k = 1; k <= e.Points; ++k) data.Signal[i][k] = k > 100 + 10 * i ? 1.0 : 0.0;
  Load(e, data, 5.85f, 7.0f);
  ModelSelection.Kind = ModelKind::VanHoldeWeischet;
  DistributionSettings.Resolution = 8.0f;
  EXPECT_FALSE(RunVanHoldeWeischet(nullptr));
  EXPECT_EQ(LogLinesWith("resolution was reduced to 4").size(), 1u);

  // Four scans in consecutive steps of three make one step: no line.
  ModelSelection.Kind = ModelKind::ExtrapolateLsGStar;
  LsgExtrapolationSettings.ConsecutiveSteps = true;
  EXPECT_FALSE(RunLsgExtrapolation(nullptr));
  EXPECT_EQ(LogLinesWith("needs at least 2 steps").size(), 1u);
}


// The height of the integral distribution is the loading that the boundary
// model fits to all scans, not the mean area of the step distributions. The
// two part when the data carry offsets that neither eliminates: the step
// distributions turn them into area near the meniscus.
TEST_F(BoundaryAnalysisTest, TheIntegralDistributionRisesToTheFittedLoading) {
  for (bool fit : {false, true}) {
    SCOPED_TRACE(fit);
    sv::Experiment e = OneSpeciesRun();
    e.Scans = 8;
    e.NoiseSd = 0.0;
    Load(e, sv::MakeData(e, {{4.3, 6e-7, 2.0}}), 5.85f, 7.0f);
    SelectLsgModel();
    LsgExtrapolationSettings.Fractions = 10;
    LsgExtrapolationSettings.FitFractions = fit;
    ASSERT_TRUE(RunLsgExtrapolation(nullptr));
    const int r = LsgExtrapolationSettings.Fractions;
    const double top = Result().DistValues[r] * (r + 1.0) / r;
    const LsgStepDistributionsRecord& kept = LsgStepDistributions;
    double meanArea = 0.0;
    for (const std::vector<float>& v : kept.Values)
      meanArea += IntegrateTabulated(kept.SGrid.data(), v.data(), kept.SGrid[1],
                                     kept.SGrid[kept.Points], kept.Points) /
                  static_cast<double>(kept.Values.size());
    EXPECT_NEAR(top, LsgExtrapolationSettings.LoadingAmount, 1e-5);
    EXPECT_GT(std::fabs(top - meanArea), 0.005) << top << " " << meanArea;
  }
}

// The elimination of time- and radial-invariant offsets removes them
// exactly: the fractions come out the same with and without offsets. And
// with a boundary that hardly diffuses the eliminated analysis gives the s
// without the bias that diffusion brings into it.
TEST_F(BoundaryAnalysisTest, NoiseEliminationIsExactAndUnbiasedWithoutDiffusion) {
  const auto run = [&](double D, bool offsets, std::vector<float>& fractions) {
    sv::Experiment e = OneSpeciesRun();
    e.NoiseSd = 0.0;
    if (!offsets) e.TIScale = e.RIScale = 0.0;
    Load(e, sv::MakeData(e, {{4.3, D, 1.0}}), 5.85f, 7.0f);
    FitControl.TINoiseFitted = ModelParameters.RINoiseFitted = true;
    SelectLsgModel();
    ASSERT_TRUE(RunLsgExtrapolation(nullptr));
    const int r = LsgExtrapolationSettings.Fractions;
    fractions.assign(Result().DistSGrid.begin() + 1, Result().DistSGrid.begin() + r + 1);
  };
  std::vector<float> with, without;
  run(6e-7, true, with);
  run(6e-7, false, without);
  ASSERT_EQ(with.size(), without.size());
  for (std::size_t j = 0; j < with.size(); ++j) EXPECT_NEAR(with[j], without[j], 1e-4f) << j;

  std::vector<float> sharp;
  run(1e-8, true, sharp);
  const int r = static_cast<int>(sharp.size());
  double mean = 0.0;
  for (int j = 3; j < r - 3; ++j) mean += sharp[static_cast<std::size_t>(j)] / (r - 6);
  EXPECT_NEAR(mean, 4.3, 0.005 * 4.3);
}

// The fit of the boundary fractions shows its starting state (the lines of
// the status block blanked, the loading amount and the runs test) and then the
// simplex's progress: every simplex run counts its steps from 1, and the
// rmsd line carries the points of the boundary model and their sum of
// squares. Every step distribution is kept for copying.
TEST_F(BoundaryAnalysisTest, FractionFitShowsItsStartAndProgress) {
  sv::Experiment e = OneSpeciesRun();
  e.Scans = 8;
  e.TIScale = e.RIScale = 0.0;
  Load(e, sv::MakeData(e, {{4.3, 6e-7, 1.0}}), 5.85f, 7.0f);
  SelectLsgModel();
  LsgExtrapolationSettings.Fractions = 4;
  LsgExtrapolationSettings.FitFractions = true;
  // Two lines of an earlier fit's status block are on the screen.
  FitResultLines.Text[3] = "s = 4.3";
  FitResultLines.Drawn[3] = true;
  FitResultLines.Text[12] = "vbar = 0.7300 (fix)";
  FitResultLines.Drawn[12] = true;
  std::vector<WrittenLine> lines;
  BoundaryAnalysisLinks.Text = [&](int x, int y, const std::string& text) {
    lines.push_back({x, y, text});
  };
  ASSERT_TRUE(RunLsgExtrapolation(nullptr));

  std::size_t start = 0;
  while (start < lines.size() && lines[start].text.rfind("step ", 0) == 0) ++start;
  EXPECT_EQ(start, 6u);  // "step k of 6" for the six sliding steps
  ASSERT_GE(lines.size(), start + 6);
  // Each is blanked over its own length, and the block is empty.
  const WrittenLine blanks[] = {{10, 70, std::string(7, ' ')}, {10, 250, std::string(19, ' ')}};
  for (std::size_t k = 0; k < 2; ++k) {
    EXPECT_EQ(lines[start + k].x, blanks[k].x);
    EXPECT_EQ(lines[start + k].y, blanks[k].y);
    EXPECT_EQ(lines[start + k].text, blanks[k].text);
  }
  for (int k = 0; k < FitResultLineCount; ++k) {
    EXPECT_FALSE(FitResultLines.Drawn[static_cast<std::size_t>(k)]);
    EXPECT_TRUE(FitResultLines.Text[static_cast<std::size_t>(k)].empty());
  }
  const std::size_t after = start + 2;
  EXPECT_EQ(lines[after].y, 30);
  EXPECT_EQ(lines[after + 1].y, 50);
  double loading = 0.0, z = -1.0;
  EXPECT_EQ(lines[after + 2].y, 110);
  EXPECT_EQ(std::sscanf(lines[after + 2].text.c_str(), "loccload = %lf", &loading), 1);
  EXPECT_GT(loading, 0.5);  // the boundary's height is 1 in these data
  EXPECT_LT(loading, 1.5);
  EXPECT_EQ(lines[after + 3].y, 230);
  EXPECT_EQ(std::sscanf(lines[after + 3].text.c_str(), "Runs test Z (#stddev) = %lf", &z), 1);
  EXPECT_GE(z, 0.0);

  // The simplex's lines, in pairs.
  const int gridPoints = CommonRadialGrid.GridLastFitIndex - CommonRadialGrid.GridFirstFitIndex + 1;
  int runs = 0, lastRun = -1, lastStep = 0;
  for (std::size_t i = after + 4; i + 1 < lines.size(); i += 2) {
    int run = 0, step = 0;
    ASSERT_EQ(lines[i].y, 30) << lines[i].text;
    ASSERT_EQ(std::sscanf(lines[i].text.c_str(), "s%d, step #%d", &run, &step), 2)
        << lines[i].text;
    if (run != lastRun) {
      EXPECT_EQ(step, 1);
      ++runs;
    } else {
      EXPECT_EQ(step, lastStep + 1);
    }
    lastRun = run;
    lastStep = step;
    double rmsd = 0.0, n = 0.0, ssr = 0.0;
    ASSERT_EQ(lines[i + 1].y, 50);
    ASSERT_EQ(std::sscanf(lines[i + 1].text.c_str(), "rmsd=%lf (n=%lf,SSR=%lf)", &rmsd, &n, &ssr),
              3)
        << lines[i + 1].text;
    EXPECT_EQ(n, e.Scans * gridPoints);
    EXPECT_NEAR(ssr, n * rmsd * rmsd, 1e-5 + 1e-3 * ssr);
  }
  // At least one simplex per fraction and pass.
  EXPECT_GE(runs, 2 * 4);

  const LsgStepDistributionsRecord& kept = LsgStepDistributions;
  ASSERT_TRUE(kept.Exist());
  EXPECT_EQ(kept.Points, 60);
  ASSERT_EQ(kept.Values.size(), 6u);
  for (const auto& step : kept.Values) {
    ASSERT_EQ(step.size(), 61u);
    int peak = 1;
    for (int i = 2; i <= 60; ++i)
      if (step[static_cast<std::size_t>(i)] > step[static_cast<std::size_t>(peak)]) peak = i;
    EXPECT_NEAR(kept.SGrid[static_cast<std::size_t>(peak)], 4.3, 0.3);
  }
}
