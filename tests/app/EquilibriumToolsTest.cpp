// The equilibrium tools of the window: the approach-to-equilibrium test on
// a loaded run (series, rmsd, files, Run and Fit), the realtime update's
// rules, the rotor speed estimate and the planning command end to end.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/ProgramStartLinks.h"
#include "app/commands/RunFitCommands.h"
#include "app/eqplanning/EqPlanningCommands.h"
#include "app/eqtest/EqTestCommands.h"
#include "app/eqtest/RealtimeUpdate.h"
#include "app/interaction/DistributionTools.h"
#include "state/ModelSelection.h"
#include "state/ProgramPaths.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/window/TXLAWindow.h"
#include "data/LoadTestSupport.h"
#include "display/MainPlots.h"
#include "display/DistributionPlot.h"
#include "state/ScreenModes.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "equilibrium/EqRotorSpeedEstimate.h"
#include "equilibrium/ApproachToEqSim.h"
#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "equilibrium/EqTestSeries.h"
#include "equilibrium/SpeedCourseOptimizer.h"
#include "equilibrium/TimeToEqParameters.h"

namespace {

std::string FormattedName(int k) {
  char name[20];
  std::snprintf(name, sizeof name, "%05d.RA1", k);
  return name;
}

// A scan whose signal is shape(r) + offset.
std::string EqScanText(double time, float rpm, float temperature, double offset, double slope) {
  char header[200];
  std::snprintf(header, sizeof header, "R 1 %.1f %.0f %.0f %.5E 280 2",
                static_cast<double>(temperature), static_cast<double>(rpm), time,
                Omega2(rpm) * time);
  std::vector<double> signals;
  for (int k = 0; k <= 100; ++k) {
    const double r = 6.9 + 0.003 * k;
    signals.push_back(offset + 0.2 * std::exp(slope * (r - 6.9)));
  }
  return ScanText("eq scan", header, DataLines(signals, 6.9, 0.003));
}

class EquilibriumToolsTest : public LoadTest {
 protected:
  void SetUp() override {
    LoadTest::SetUp();
    savedPaths_ = ProgramPaths;
    SetInstallationFolder(install.path().string());
    WireAsTheProgramStartDoes(window);
    // The runs, repaints and plots a load sets off are counted, not done.
    InstallCountingHooks(calls);
  }
  void TearDown() override {
    ResetEqTest(window);
    // The planner's result plots stay up as the window's tool plot.
    ReleaseToolPlotData(window);
    // The rebuilt main plots borrow the scans' curves, which go next.
    display::DestroyMainPlots();
    EqTestSeries = EqTestSeriesRecord{};
    LoadOptions.EqTestMode = false;
    ScreenModes = ScreenModesRecord{};
    RealtimeState = RealtimeStateRecord{};
    ProgramPaths = savedPaths_;
    LoadTest::TearDown();
  }

  // The planner's parameters for a short column (7.08 to 7.17 cm, two
  // course parameters, epsilon 0.005) with the given overspeed time, saved
  // where the planning command reads them.
  static bool SaveShortColumnPlan(float overspeedTime) {
    auto& p = TimeToEqParameters;
    p = TimeToEqParametersRecord{};
    p.ColumnMeniscus = 7.08f;
    p.RightFitLimit = 7.17f;
    p.OverspeedTime = overspeedTime;
    p.ParameterCount = 2;
    p.Epsilon = 0.005f;
    p.Vbar1 = 0.73f;
    p.SaveEquFormat = false;
    return SaveTimeToEqParameters(ProgramPaths.TimeToEqParameterFile);
  }

  // Series at 50000 rpm: two scans still changing, then two of one shape
  // that differ by a constant; and one scan at 40000 rpm.
  void LoadRun() {
    data.Write("00001.RA1", EqScanText(3600, 50000, 20, 0.0, 2.0));
    data.Write("00002.RA1", EqScanText(7200, 50000, 20, 0.0, 3.0));
    data.Write("00003.RA1", EqScanText(10800, 50000, 20, 0.1, 4.0));
    data.Write("00004.RA1", EqScanText(14400, 50000, 20, 0.0, 4.0));
    data.Write("00005.RA1", EqScanText(18000, 40000, 20, 0.0, 4.0));
    LoadAllData(nullptr, {data.path().string(), "00001.RA1", "00002.RA1", "00003.RA1",
                          "00004.RA1", "00005.RA1"});
    ASSERT_EQ(ScanDataSet.NFILES, 5);
  }

  ScratchFolder install, data;
  TXLAWindow window{"Sedimentation Analysis"};

 private:
  ProgramPathsRecord savedPaths_;
};

TEST_F(EquilibriumToolsTest, ApproachTestComparesEachSeriesWithItsLatestScanAndSavesShownSeries) {
  LoadRun();
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // accept the limits of series 1
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // accept the limits of series 2
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // save the curves
  const std::string chosen = data.File("approach_to_eq_test.txt");
  backend().ScriptFileDialog(std::vector<std::string>{chosen});
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // no realtime update
  CmTestApproachToEquilibrium(window);

  ASSERT_EQ(EqTestSeries.Count(), 2);
  EXPECT_TRUE(LoadOptions.EqTestMode);
  // Sorted by speed: the single scan at 40000 rpm is series 1.
  EXPECT_EQ(EqTestSeries.At(1).Scans.size(), 1u);
  const EqTestSeriesData& s = EqTestSeries.At(2);
  ASSERT_EQ(s.Scans.size(), 4u);
  ASSERT_EQ(s.Rmsd.size(), 3u);
  EXPECT_FLOAT_EQ(s.Hours[0], -3.0f);
  EXPECT_GT(s.Rmsd[0], s.Rmsd[1]);
  EXPECT_NEAR(s.Rmsd[2], 0.0f, 1e-5f);  // a constant offset is no difference
  EXPECT_NEAR(s.LastPairRmsd, 0.0f, 1e-5f);
  // Files only for series with two scans or more, numbered by series.
  EXPECT_FALSE(std::filesystem::exists(data.File("approach_to_eq_test_1.txt")));
  const std::string text = ReadWholeFile(data.File("approach_to_eq_test_2.txt"));
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
  EXPECT_EQ(text.substr(0, 9), "1.000000 ");

  // Run and Fit run the test while its mode is on.
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  RunModelCommand(window);
  EXPECT_EQ(LogLinesWith("save approach to equilibrium data?").size(), 2u);
  EXPECT_TRUE(LogLinesWith("not available").empty());
}

TEST_F(EquilibriumToolsTest, TestWithoutDataOnlySaysSo) {
  CmTestApproachToEquilibrium(window);
  EXPECT_EQ(LogLinesWith("please load data first").size(), 1u);
  EXPECT_FALSE(LoadOptions.EqTestMode);
}

TEST(RealtimeRulesTest, ListStepSpreadsTheLoadOverTheRun) {
  EXPECT_EQ(RealtimeListStep(1, 100, 20), 5);
  EXPECT_EQ(RealtimeListStep(1, 1, 20), 0);
  EXPECT_EQ(RealtimeListStep(1, 100, 0), 99);  // never a division by zero
  struct Case {
    float share, factor;
  } cases[] = {{0.0005f, 0.9f}, {0.001f, 1.0f}, {0.02f, 1.0f}, {0.03f, 1.0f}, {0.031f, 1.5f}};
  for (const Case& c : cases) EXPECT_FLOAT_EQ(SmaxFactorForTailShare(c.share), c.factor) << c.share;
}

TEST_F(EquilibriumToolsTest, RealtimeUpdateLoadsNewFilesWarnsOfTemperatureAndStopsOnAKey) {
  for (int k = 1; k <= 3; ++k)
    data.Write(FormattedName(k), EqScanText(3600.0 * k, 50000, k == 3 ? 21.0f : 20.0f, 0, 3));
  LoadAllData(nullptr, {data.path().string(), FormattedName(1)});
  ASSERT_EQ(ScanDataSet.NFILES, 1);
  // Zero files per load is refused.
  backend().ScriptEntry("0");
  CmRealtimeUpdateOfFiles(window);
  EXPECT_FALSE(RealtimeState.Active);
  EXPECT_EQ(LogLinesWith("at least one file").size(), 1u);

  backend().ScriptEntry("20");
  CmRealtimeUpdateOfFiles(window);
  ASSERT_TRUE(RealtimeState.Active);
  EXPECT_EQ(ScanDataSet.NFILES, 3);
  // Exactly one degree warms the warning, once.
  EXPECT_EQ(LogLinesWith("temperature fluctuations > 1 C").size(), 1u);

  // A tick that finds nothing new reloads nothing; one running tick keeps
  // the next one out.
  const int runs = calls.RunModel;
  RealtimeState.InTick = true;
  RealtimeTimer(window, kRealtimeTimerId);
  EXPECT_EQ(calls.RunModel, runs);
  RealtimeState.InTick = false;
  data.Write(FormattedName(4), EqScanText(4 * 3600.0, 50000, 20, 0, 3));
  RealtimeTimer(window, kRealtimeTimerId);
  EXPECT_EQ(ScanDataSet.NFILES, 4);
  EXPECT_EQ(calls.RunModel, runs + 1);
  RealtimeTimer(window, 12);  // another timer
  EXPECT_EQ(calls.RunModel, runs + 1);

  RealtimeKeyDown(window);
  EXPECT_FALSE(RealtimeState.Active);
  EXPECT_EQ(LogLinesWith("realtime update stopped by user interrupt").size(), 1u);
  RealtimeTimer(window, kRealtimeTimerId);
  EXPECT_EQ(calls.RunModel, runs + 1);
}

// A zoom of the distribution plot made while the mode is on is re-applied
// after each reload, which builds the plot anew.
TEST_F(EquilibriumToolsTest, RealtimeUpdateKeepsTheDistributionZoom) {
  const ModelSelectionRecord savedModel = ModelSelection;
  ModelSelection.Kind = ModelKind::ContinuousCS;
  data.Write(FormattedName(1), EqScanText(3600.0, 50000, 20, 0, 3));
  LoadAllData(nullptr, {data.path().string(), FormattedName(1)});
  auto& plots = display::DistributionPlots;
  const float s[5] = {1, 3, 5, 7, 9}, c[5] = {0.1f, 0.4f, 0.2f, 0.3f, 0.1f};
  CVector sv(5, s), cv(5, c);
  plots.DistCurve = std::make_unique<CCurve>(&sv, &cv);
  plots.DistributionPlot = std::make_unique<CWINPlot>();
  plots.DistributionPlot->AddCurve(plots.DistCurve.get());
  backend().ScriptEntry("20");
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // no automatic range
  CmRealtimeUpdateOfFiles(window);
  ASSERT_TRUE(RealtimeState.Active);
  EXPECT_FALSE(RealtimeState.RescalePending);

  RescaleDistributionToRange(window, 2.0f, 6.0f);
  EXPECT_TRUE(RealtimeState.RescalePending);
  plots.DistributionPlot->SetXRange(0.0f, 20.0f);  // as a new plot would be
  data.Write(FormattedName(2), EqScanText(7200.0, 50000, 20, 0, 3));
  RealtimeTimer(window, kRealtimeTimerId);
  EXPECT_EQ(ScanDataSet.NFILES, 2);
  EXPECT_FLOAT_EQ(plots.DistributionPlot->fXMin, 2.0f);
  EXPECT_FLOAT_EQ(plots.DistributionPlot->fXMax, 6.0f);

  CmStopRealtimeUpdate(window);
  plots.DistributionPlot.reset();
  plots.DistCurve.reset();
  ModelSelection = savedModel;
}

// The range rule integrates from the first point of the continuous part:
// the third grid point where the grid begins with a discrete species, as the
// hybrid model's does only with its extra species.
TEST(RealtimeRulesTest, RangeRuleSkipsTheDiscretePointOfTheHybridModel) {
  const ModelSelectionRecord savedModel = ModelSelection;
  const DistributionSettingsRecord savedSettings = DistributionSettings;
  const DistributionResultRecord savedResult = DistributionResult;
  ModelSelection.Kind = ModelKind::HybridCSLsGStar;
  DistributionSettings.DistGridSize = 6;
  DistributionResult.DistSGrid = {0, 0, 1, 2, 3, 4, 5};
  DistributionResult.DistValues = {0, 0, 0, 1, 1, 0.02f, 0};
  struct Case {
    bool extraSpecies;
    float total;
  } cases[] = {{false, 2.02f}, {true, 1.52f}};
  for (const Case& c : cases) {
    RealtimeState = RealtimeStateRecord{};
    DistributionSettings.HybridIncludesDiscrete = c.extraSpecies;
    AdjustDistributionRangeRealtime();
    EXPECT_NEAR(RealtimeState.TotalArea, c.total, 1e-5f) << c.extraSpecies;
    EXPECT_NEAR(RealtimeState.TailArea, 0.01f, 1e-6f);
    EXPECT_FALSE(RealtimeState.RangeChanged);  // a tail share inside 0.1 % .. 3 %
  }
  RealtimeState = RealtimeStateRecord{};
  DistributionResult = savedResult;
  DistributionSettings = savedSettings;
  ModelSelection = savedModel;
}

TEST_F(EquilibriumToolsTest, ExcludeListHoldsAtMost500EntriesAndWarnsOnce) {
  LoadRun();
  EqTestSeries.CapacityWarned = false;
  std::vector<CellWavelength> list;
  int added = 0;
  for (int k = 0; k < kEqTestCapacity + 20; ++k) added += AddToEqTestList(list, 1, nullptr);
  EXPECT_EQ(added, kEqTestCapacity);
  EXPECT_EQ(list.size(), static_cast<std::size_t>(kEqTestCapacity));
  EXPECT_EQ(LogLinesWith("more than 500 excluded or included series").size(), 1u);
}

// The speed-profile tool shows what it holds: a loaded profile alone as a
// rotor speed plot; after the constant-speed run the distance to
// equilibrium with the course scaled under it, the profile plot, and the
// status texts.
TEST_F(EquilibriumToolsTest, SpeedProfileToolPlotsWhatItHolds) {
  auto& p = TimeToEqParameters;
  p = TimeToEqParametersRecord{};
  SpeedProfileToolFlags = SpeedProfileToolFlagsRecord{};
  p.ColumnMeniscus = 7.08f;
  p.RightFitLimit = 7.17f;
  p.Epsilon = 0.005f;
  p.Vbar1 = 0.73f;
  DeriveTimeToEqSpecies();
  data.Write("steps.txt", "0 30000 280\n20000 15000 280\n");
  backend().ScriptFileDialog(std::vector<std::string>{data.File("steps.txt")});
  CmToolLoadSpeedProfile(window);
  EXPECT_FLOAT_EQ(p.ConstSpeedEqTime, 40000.0f);
  auto& t = ToolPlotData;
  ASSERT_TRUE(t.ToolPlot);
  EXPECT_EQ(t.ToolPlot->nCurves, 1);
  EXPECT_FLOAT_EQ(t.ToolPlot->fYMax, p.RpmPlotScale);
  EXPECT_FALSE(t.SecondToolPlot);

  CmToolRunConstantSpeed(window);
  ASSERT_TRUE(SpeedProfileToolFlags.ConstSpeed);
  ASSERT_TRUE(t.ToolPlot);
  EXPECT_EQ(t.ToolPlot->nCurves, 2);
  EXPECT_FLOAT_EQ(t.ToolPlot->fYMax, p.RpmPlotTop);
  ASSERT_TRUE(t.SecondToolPlot);
  EXPECT_EQ(t.SecondToolPlot->nCurves, 1);
  EXPECT_NE(window.ToolCaptionText.find("teq constant speed:  "), std::string::npos);
  EXPECT_NE(window.ToolCaptionText.find("initial condition from rest"), std::string::npos);
  EXPECT_EQ(window.ToolCaptionText.find("teq toSE"), std::string::npos);
  ReleaseToolPlotData(window);
  SpeedProfileToolFlags = SpeedProfileToolFlagsRecord{};
  p = TimeToEqParametersRecord{};
}

TEST(EqRotorSpeedEstimateTest, SpeedsOfAMolarMassRange) {
  const EqRotorSpeedPlan plan = PlanEqRotorSpeeds(20000, 200000, 7.2f, 6.7f, 0.73f, 1.0f);
  EXPECT_FLOAT_EQ(plan.Rpm1, 4200.0f);
  EXPECT_FLOAT_EQ(plan.Rpm2, 16000.0f);
  EXPECT_FLOAT_EQ(plan.Rpm3, 27000.0f);
  const std::size_t last = plan.Radii.size() - 1;
  // The first speed brings the highest mass to c(b)/c(m) = 5, the second the
  // lowest to 10, each a little less for the rounding down to 100 rpm.
  const float first = plan.Curves[0][last] / plan.Curves[0][1];
  const float second = plan.Curves[4][last] / plan.Curves[4][1];
  EXPECT_LE(first, 5.0f);
  EXPECT_GT(first, 4.7f);
  EXPECT_LE(second, 10.0f);
  EXPECT_GT(second, 9.7f);
  EXPECT_LE(plan.Curves[5][1], 0.01f);
  EXPECT_GT(plan.Hours, 1.0f);
  // A mass too small to deplete the meniscus has no third speed.
  EXPECT_FLOAT_EQ(PlanEqRotorSpeeds(200, 2000, 7.2f, 6.7f, 0.73f, 1.0f).Rpm3, 0.0f);
  // Equal masses: the mean curves are the single-species curves.
  const EqRotorSpeedPlan same = PlanEqRotorSpeeds(50000, 50000, 7.2f, 6.7f, 0.73f, 1.0f);
  EXPECT_FLOAT_EQ(same.Curves[6][50], same.Curves[0][50]);
}

TEST_F(EquilibriumToolsTest, EstimateCommandRefusesInputWithoutSpeeds) {
  for (const char* entry : {"0", "200000", "7.2"}) backend().ScriptEntry(std::string(entry));
  backend().ScriptEntry(std::string("6.7"));
  EstimateEqRotorSpeeds(window);
  EXPECT_EQ(LogLinesWith("molar masses must be positive").size(), 1u);
  EXPECT_TRUE(LogLinesWith("first rotor speed").empty());
}

// The planning command with a short column: it writes the constant-speed
// and optimised distance tables, the speed steps with their course and the
// planner's parameters into a new folder of the temp folder.
TEST_F(EquilibriumToolsTest, PlanningWritesItsResultFiles) {
  auto& p = TimeToEqParameters;
  ASSERT_TRUE(SaveShortColumnPlan(7200.0f));
  // Each optimisation pass ends at a key after a few progress steps.
  int steps = 0;
  SpeedPlanningLinks.ShowProgressPlot = [&](platform::WindowHandle) {
    if (++steps % 30 == 0) backend().QueueKeyPress(nullptr, 'x', 'x');
  };
  MinimizeTimeToEqCommand(window);
  SpeedPlanningLinks.ShowProgressPlot = [](platform::WindowHandle) {};

  const std::string folder = ProgramPaths.TempFolder + "optimizedoverspeedsteps1/";
  for (const char* name :
       {"constantspeed_DeltaEQ.txt", "optimized_DeltaEQ.txt", "optimizedoverspeedsteps1.txt",
        "optimizedoverspeedsteps1_rpmtimecourse.txt", "simparams.txt", "00001.R00", "eq.R00"})
    EXPECT_TRUE(std::filesystem::exists(folder + name)) << name;
  EXPECT_GT(p.ConstSpeedTime, 0.0f);
  EXPECT_LE(p.OptimizedTime, p.ConstSpeedTime + 1e-3f);
  EXPECT_NE(window.ToolCaptionText.find("epsilon = 0.0050: t(const) = "), std::string::npos);
  EXPECT_NE(window.ToolCaptionText.find("optimizedoverspeedsteps1"), std::string::npos);
  p = TimeToEqParametersRecord{};
}

// Keys pressed at once end both optimisation passes before they improve on
// the plain overspeed course they start from: twice the final speed for
// over eight hours, which on this short column does not come to
// equilibrium within the constant-speed time. The plan is then constant
// speed.
TEST_F(EquilibriumToolsTest, PlanningEndedAtOnceIsNeverSlowerThanConstantSpeed) {
  auto& p = TimeToEqParameters;
  ASSERT_TRUE(SaveShortColumnPlan(30000.0f));
  for (int k = 0; k < 2000; ++k) backend().QueueKeyPress(nullptr, 'x', 'x');
  MinimizeTimeToEqCommand(window);

  ASSERT_GT(p.ConstSpeedTime, 0.0f);
  EXPECT_LE(p.OptimizedTime, p.ConstSpeedTime + 1e-3f);
  // The steps written are those of the constant course: every step at the
  // final speed.
  std::FILE* f = std::fopen(
      (ProgramPaths.TempFolder + "optimizedoverspeedsteps1/optimizedoverspeedsteps1.txt").c_str(),
      "r");
  ASSERT_NE(f, nullptr);
  double start = 0, rpm = 0, acceleration = 0;
  int steps = 0;
  while (std::fscanf(f, "%lf %lf %lf", &start, &rpm, &acceleration) == 3) {
    EXPECT_DOUBLE_EQ(rpm, p.FinalRpm) << "step at " << start;
    ++steps;
  }
  std::fclose(f);
  EXPECT_GE(steps, 1);
  ASSERT_TRUE(p.ObjectiveSim);
  EXPECT_NEAR(p.ObjectiveSim->TimeToRmsd / 3600.0f, p.OptimizedTime, 1e-3f);
  p = TimeToEqParametersRecord{};
}

TEST(PlannerInfoLineTest, AFailedConstantSpeedRunShowsNoOldTimes) {
  TimeToEqParameters.ConstSpeedTime = 12.0f;
  TimeToEqParameters.OptimizedTime = 7.0f;
  const std::string failed = PlannerInfoLine(-1.0f);
  EXPECT_NE(failed.find("failed"), std::string::npos);
  EXPECT_EQ(failed.find("t(const) = 12"), std::string::npos);
  EXPECT_NE(PlannerInfoLine(12.0f).find("t(const) = 12 h, t(opt) = 7 h"), std::string::npos);
}

}  // namespace
