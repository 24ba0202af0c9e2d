// The fit status block drawn onto a recording canvas and read back: which
// texts appear at which places for a few states of the model and the fit,
// the lines that are left out, and the refresh of the live plots for a new
// best rmsd.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/ScanReaderOptions.h"
#include "lamm/VolumeFractionFactors.h"
#include "state/DisplayState.h"
#include "state/DistributionSettingsRecords.h"
#include "models/FitDriver.h"
#include "models/FitResultDisplay.h"
#include "models/ModelsTestSupport.h"
#include "models/TempParameterFile.h"
#include "state/ParameterVector.h"
#include "state/PriorSettings.h"
#include "state/SolventConditions.h"
#include "state/SpeciesEngineParameters.h"
#include "platform/RecordingCanvas.h"

namespace {

class FitResultDisplayTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    Reset();
    DrawingAllowed = true;
    TimedPlotRefresh = [this] { ++refreshes; };
  }
  void TearDown() override {
    Reset();
    ModelsTest::TearDown();
  }
  static void Reset() {
    DrawingAllowed = false;
    TimedPlotRefresh = [] {};
    FitResultLines = FitResultLinesRecord{};
    ExtrapolationStatusSuppressed = false;
    FitDriverSettings = FitDriverSettingsRecord{};
    CorrectionOptions = CorrectionOptionsRecord{};
    DistributionSettings = DistributionSettingsRecord{};
    ParameterVector.fill(0.0f);
    InhomogeneousSolventOn = false;
  }

  // Two scans between 6.0 and 7.0 cm with fit limits 6.1 - 6.9; the model
  // lies 0.01 below the signal everywhere.
  static void LoadTwoScans() {
    LoadTestScans(
        {{6.0, 7.0, 0.01, 1000.0, nullptr, 0.5f}, {6.0, 7.0, 0.01, 500.0, nullptr, 0.5f}});
    ModelParameters.Meniscus = 5.9f;
    ModelParameters.Bottom = 7.2f;
    ScanDataSet.FitLeftLim = 6.1f;
    ScanDataSet.FitRightLim = 6.9f;
    SetFirstFitIndex();
    SetLastFitIndex();
    for (int i = 1; i <= 2; ++i)
      for (int k = 1; k <= ScanDataSet.ScanPointCount[i]; ++k)
        ScanDataSet.ScanModel[i][k] = ScanDataSet.ScanSignal[i][k] - 0.01f;
  }

  // The texts drawn, by their y; every text must start at x = 10.
  std::map<int, std::string> Draw() {
    platform::RecordingCanvas canvas;
    FitResultText(canvas);
    std::map<int, std::string> out;
    for (const platform::DrawCall& call : canvas.CallsOf(platform::DrawKind::Text)) {
      EXPECT_EQ(call.points.at(0).x, 10) << call.text;
      EXPECT_EQ(out.count(call.points.at(0).y), 0u) << "two texts at y " << call.points.at(0).y;
      out[call.points.at(0).y] = call.text;
    }
    return out;
  }

  int refreshes = 0;
};

TEST_F(FitResultDisplayTest, WithoutScansOnlyTheValuesAreShown) {
  ModelParameters.ComponentOn = {0, 1, 0, 0, 0};
  ParameterVector[1] = 150000.0f;
  ParameterVector[5] = 7.25f;
  ParameterVector[9] = 0.8f;
  ParameterVector[MeniscusSlot] = 5.95f;
  ParameterVector[BottomSlot] = 7.2f;
  const std::map<int, std::string> t = Draw();
  EXPECT_EQ(t.at(10), "no data loaded");
  EXPECT_EQ(t.count(30), 0u);
  EXPECT_EQ(t.count(50), 0u);
  EXPECT_EQ(t.at(70), "150000.000 | ");
  EXPECT_EQ(t.at(90), "s = 7.250 | ");
  EXPECT_EQ(t.at(110), "c = 0.800 | (first is total, next are fractions)");
  EXPECT_EQ(t.at(130), "Meniscus = 5.950000  ");
  EXPECT_EQ(t.at(150), "Bottom = 7.200000  ");
  EXPECT_EQ(t.count(210), 0u);
  EXPECT_EQ(t.at(250), "vbar = 0.7300 (fix)");
}

TEST_F(FitResultDisplayTest, DiscreteFitWithScansShowsFilesProgressAndRmsd) {
  LoadTwoScans();
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  ModelParameters.ComponentOn = {0, 1, 1, 0, 1};
  for (int k = 1; k <= 12; ++k) ParameterVector[static_cast<std::size_t>(k)] = 1.5f * k;
  FitControl.CurrentRmsd = 0.02f;
  FitControl.FitPointCount = 100.0f;
  FitControl.OptimizerStep = 3;
  FitControl.EvaluationCount = 41;
  ParameterVector[BaselineSlot] = -0.004f;
  const std::map<int, std::string> t = Draw();
  // Files in time order: scan 2 was taken first.
  EXPECT_EQ(t.at(10), "fitting files scan2.RA1 to scan1.RA1");
  EXPECT_EQ(t.at(30), "s3, step #41     ");
  EXPECT_EQ(t.at(50), "rmsd=0.020000 (n=100,SSR=0.040000)");
  EXPECT_EQ(t.at(70), "M = 1.500 | 3.000 | 6.000 | ");
  EXPECT_EQ(t.at(90), "s = 7.500 | 9.000 | 12.000 | ");
  EXPECT_EQ(t.at(110), "c = 13.500 | 15.000 | 18.000 | (first is total, next are fractions)");
  EXPECT_EQ(t.at(170), "fitting 6.1000 - 6.9000");
  EXPECT_EQ(t.at(190), "Baseline = -0.004000  ");
  EXPECT_EQ(t.at(230).rfind("Runs test Z (#stddev) = ", 0), 0u);
  EXPECT_NE(t.at(230).find(", Residuals Histogram H = "), std::string::npos);
  // The histogram's rmsd of the model arrays replaces the optimiser's.
  EXPECT_NEAR(FitControl.CurrentRmsd, 0.01f, 1e-5f);
  EXPECT_EQ(FitResultLines.Text[2], "rmsd=0.020000 (n=100,SSR=0.040000)");
}

TEST_F(FitResultDisplayTest, FilesLineTellsHowTheRunIsSimulated) {
  struct Case {
    bool speedSteps, ramp, absorbance, timeResolution, radialResolution, inhomogeneous;
    float gridStep;
    const char* tail;
  };
  const Case cases[] = {
      {false, true, false, false, false, false, 0.001f, ""},
      {true, false, false, false, false, false, 0.001f, " with speedsteps"},
      {false, false, false, false, false, false, 0.001f, " with effective sedimentation time"},
      {false, true, true, true, true, false, 0.001f,
       ", with scanner speed 2.430 cm/min and radial res = 0.0080 cm"},
      {false, true, true, true, false, false, 0.001f, ", with scanner speed 2.430 cm/min "},
      {false, true, true, false, true, true, 0.001f,
       ", with scanner radial res = 0.0080 cm with inhomogeneous solvent model"},
      {false, true, false, true, true, false, 0.002f, ", radial resolution 0.0020 cm"},
  };
  LoadTwoScans();
  for (const Case& c : cases) {
    ScanDataSet.UsingSpeedSteps = c.speedSteps;
    ScanDataSet.RampRotorSpeed = c.ramp;
    ScanDataSet.RadialResolution = c.gridStep;
    ScanReaderOptions.AbsorbanceData = c.absorbance;
    LammSolverSettings.ScanTimeCorrectionOn = c.timeResolution;
    LammSolverSettings.RadialResolutionOn = c.radialResolution;
    InhomogeneousSolventOn = c.inhomogeneous;
    EXPECT_EQ(Draw().at(10), std::string("fitting files scan2.RA1 to scan1.RA1") + c.tail);
  }
  DlsDataMode = true;
  EXPECT_EQ(Draw().at(10), "fitting file scan1.RA1");
}

TEST_F(FitResultDisplayTest, ProgressLineNamesTheOptimiser) {
  LoadTwoScans();
  FitControl.SimulationCount = 12;
  FitControl.OptimizerStep = 2;
  FitControl.EvaluationCount = 7;
  FitControl.AnnealTemperature = 0.5f;
  const std::pair<OptimizerChoice, const char*> cases[] = {
      {OptimizerChoice::Simplex, "s2, step #7     "},
      {OptimizerChoice::SimulatedAnnealing, "sim #12, SA step #2, step#7, T=0.500     "},
      {OptimizerChoice::LevenbergMarquardt, "sim #12, ML step #2, step #7     "}};
  for (const auto& [kind, text] : cases) {
    FitDriverSettings.OptimizerKind = kind;
    EXPECT_EQ(Draw().at(30), text);
  }
}

TEST_F(FitResultDisplayTest, ModelLayouts) {
  ParameterVector[1] = 50000.0f;
  ParameterVector[2] = 100000.0f;
  ParameterVector[3] = 4.5f;
  ParameterVector[5] = 4.0f;
  ParameterVector[6] = 6.0f;
  ParameterVector[11] = 0.7f;
  ParameterVector[23] = 0.02f;
  struct Case {
    ModelKind kind;
    int y;
    const char* text;
  };
  const Case cases[] = {
      {ModelKind::MonomerDimer, 70, "M1 = 50000.000, M2 = 100000.000"},
      {ModelKind::MonomerDimer, 90, "s1 = 4.000, s2 = 6.000"},
      {ModelKind::MonomerDimer, 110, "c=0.700,lgK=4.500"},
      {ModelKind::ZoneIndependentSpecies, 150, "Lamella thickness = 0.020000  "},
      {ModelKind::ContinuousCS, 70, "ME regularization P = 0.95"},
      {ModelKind::ContinuousCS, 90, "frict ratio = 1.200000        "},
      {ModelKind::CSWithOneDiscrete, 90,
       "frict ratio = 1.200000         - [s1 = 0.000, M1 = 0.000]"},
  };
  for (const Case& c : cases) {
    ModelSelection.Kind = c.kind;
    const std::map<int, std::string> t = Draw();
    EXPECT_EQ(t.at(c.y), c.text) << static_cast<int>(c.kind) << " at " << c.y;
  }
  ModelSelection.Kind = ModelKind::LsGStar;
  const std::map<int, std::string> t = Draw();
  EXPECT_EQ(t.count(70) + t.count(90) + t.count(110), 0u);
}

// The hindered models state their hard-sphere description as linear
// coefficients; at 1 mg/ml these are the limiting slopes of hard spheres,
// ks = 6.55 phi/c and kd = (8 - 6.55) phi/c (Carnahan-Starling), in ml/g.
TEST_F(FitResultDisplayTest, HinderedModelsShowTheirHardSphereCoefficients) {
  const SolventConditionsRecord solvent = SolventConditions;
  const SpeciesEngineParametersRecord engine = SpeciesEngineParameters;
  SolventConditions.VBAR = 0.73f;
  SolventConditions.BufferDensity = 0.998f;
  SolventConditions.RELVISCOSITY = 1.0f;
  SolventConditions.BufferTemperature = 293.15f;
  DistributionSettings.StartingFrictionalRatio = 1.3f;
  SpeciesEngineParameters.LogKs = 1.5f;  // the volume correction factor
  SpeciesEngineParameters.LogKd = 0.5f;  // the Baxter temperature
  ModelSelection.Kind = ModelKind::HinderedCS;
  const double volume = 1.5 * std::pow(1.3, 3.0) * 0.73;  // ml/g
  std::string line = Draw().at(90);
  double ff0 = 0, k = 0, ks1 = 0, ks100 = 0, kd1 = 0, kd100 = 0;
  ASSERT_EQ(std::sscanf(line.c_str(),
                        "frict ratio = %lf, hard sphere vol.corr. %lf, ks(1mgml)=%lf, "
                        "ks(100)=%lf, kd(1mgml)=%lf, kd(100)=%lf (all ml/g)",
                        &ff0, &k, &ks1, &ks100, &kd1, &kd100),
            6)
      << line;
  EXPECT_NEAR(k, 1.5, 1e-9);
  EXPECT_NEAR(ks1, 6.55 * volume, 0.03 * 6.55 * volume);
  EXPECT_NEAR(kd1, 1.45 * volume, 0.1 * 1.45 * volume);
  EXPECT_LT(ks100, ks1);  // the factor flattens at high volume fraction

  StickyHardSpheres = true;
  line = Draw().at(90);
  StickyHardSpheres = false;
  EXPECT_EQ(line.rfind("frict ratio = 1.300000, sticky hard sphere vol.corr. 1.500, Baxter t=0.500 "
                       "(red.B2(0)=0.500), ks(1mgml)=",
                       0),
            0u)
      << line;

  // The single hindered species: slots 10 and 11, at its loading.
  ModelSelection.Kind = ModelKind::HinderedSingleSpecies;
  ParameterVector[5] = 4.0f;
  ParameterVector[1] = 6.0f;
  ParameterVector[9] = 20.0f;
  ParameterVector[10] = 1.5f;
  ParameterVector[11] = 0.5f;
  line = Draw().at(90);
  EXPECT_EQ(line.rfind("hard sphere vol.corr. 1.500, ks(1mgml)=", 0), 0u) << line;
  EXPECT_NE(line.find(", ks(max)="), std::string::npos) << line;
  EXPECT_NE(line.find(", kd(max)="), std::string::npos) << line;
  SolventConditions = solvent;
  SpeciesEngineParameters = engine;
}

TEST_F(FitResultDisplayTest, RegularizationLineNamesThePrior) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  const PriorSettingsRecord saved = PriorSettings;
  PriorSettings.PriorOnS = true;
  PriorSettings.PriorFileName = "/data/run7/prior.dat";
  EXPECT_EQ(Draw().at(70), "ME regularization P = 0.95, with prior probability /data/run7/prior.dat");
  DistributionSettings.RegularizationType.BothRegularizations = true;
  EXPECT_EQ(Draw().at(70),
            "ME(black) and TP(blue) regularization P = 0.95, with prior probability prior.dat");
  PriorSettings.PriorOnS = false;
  EXPECT_EQ(Draw().at(70), "ME(black) and TP(blue) regularization P = 0.95");
  PriorSettings = saved;
}

TEST_F(FitResultDisplayTest, BufferMismatchHidesTheFourthConcentration) {
  ModelParameters.ComponentOn = {0, 1, 0, 0, 1};
  ParameterVector[9] = 1.0f;
  ParameterVector[12] = 0.25f;
  BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  b.On = true;
  b.BufferSignal = 0.05;
  b.BufferD = 12.0;
  b.BufferS = 0.2;
  b.BufferMb = 60.0;
  b.BufferSFitted = true;
  b.BufferSignalFitted = false;
  const std::map<int, std::string> t = Draw();
  EXPECT_EQ(t.at(110), "c = 1.000 | (first is total, next are fractions)");
  EXPECT_EQ(t.at(270), "buffer: 0.050, D=12.00, s=0.2000(fl), Mb=60.0");
}

TEST_F(FitResultDisplayTest, CorrectionItemsAreMarkedFloatingOrFixed) {
  FluorescenceCorrectionsRecord& f = CorrectionOptions.Fluorescence;
  f.ShadowOn = true;
  f.ShadowRadius = 0.015f;
  f.ShadowFitted = true;
  f.ConvolutionOn = true;
  f.ConvolutionWidth = 0.002f;
  CorrectionOptions.WienerSkewing.On = true;
  CorrectionOptions.WienerSkewing.Magnitude = 2e-4f;
  CorrectionOptions.WienerSkewing.SignalPerConcentration = 3.3f;
  const std::map<int, std::string> t = Draw();
  EXPECT_EQ(t.at(270),
            " - excit. cone = 0.0150 (floating) W-skew = 0.0002 (fix) - convolution 0.0020 (fix)");
  EXPECT_EQ(t.at(190),
            "Baseline = 0.000000   | Wiener skew with 2.000e-04 cm^2/(mg/ml) at 3.300 "
            "signal/(mg/ml)  ");
}

TEST_F(FitResultDisplayTest, TimeOffsetLineOnlyWhenItApplies) {
  ParameterVector[24] = -12.5f;
  EXPECT_EQ(Draw().count(210), 0u);
  ModelParameters.TimeOffsetFitted = true;
  EXPECT_EQ(Draw().at(210), "t0 for simulation is at -12.500000 sec");
  ModelParameters.TimeOffsetFitted = false;
  ModelSelection.Kind = ModelKind::NonidealMultipleSpecies;
  EXPECT_EQ(Draw().at(210).rfind("non-ideality with repulsive ks = ", 0), 0u);
}

TEST_F(FitResultDisplayTest, LivePlotsRefreshOnlyForANewBestBelowTheStart) {
  FitControl.StartRmsd = 0.05f;
  FitControl.BestRmsd = 0.03f;
  FitControl.CurrentRmsd = 0.03f;
  Draw();
  EXPECT_EQ(refreshes, 0);
  FitControl.CurrentRmsd = 0.02f;
  Draw();
  EXPECT_EQ(refreshes, 1);
  EXPECT_EQ(FitControl.BestRmsd, 0.02f);
  Draw();
  EXPECT_EQ(refreshes, 1);
}

TEST_F(FitResultDisplayTest, NothingIsDrawnBeforeTheWindowCanBeDrawnInto) {
  DrawingAllowed = false;
  FitControl.StartRmsd = FitControl.BestRmsd = 1.0f;
  FitControl.CurrentRmsd = 0.5f;
  EXPECT_TRUE(Draw().empty());
  EXPECT_EQ(refreshes, 0);
  DrawingAllowed = true;
  ExtrapolationStatusSuppressed = true;
  ModelSelection.Kind = ModelKind::ExtrapolateLsGStar;
  platform::RecordingCanvas canvas;
  ShowFitResultText(canvas);
  EXPECT_TRUE(canvas.Calls().empty());
}

// The printed block: the page's own places and the shorter forms.
TEST_F(FitResultDisplayTest, PrintedBlockHasItsOwnPlacesAndShorterForms) {
  LoadTwoScans();
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  ModelParameters.ComponentOn = {0, 1, 1, 0, 1};
  ModelParameters.FirstComponentNonideal = true;
  for (int k = 1; k <= 12; ++k) ParameterVector[static_cast<std::size_t>(k)] = 1.5f * k;
  FitControl.CurrentRmsd = 0.02f;
  FitControl.FitPointCount = 100.0f;
  FitControl.OptimizerStep = 3;
  FitControl.EvaluationCount = 41;
  FitDriverSettings.OptimizerKind = OptimizerChoice::LevenbergMarquardt;
  ScanDataSet.RadialResolution = 0.002f;
  ParameterVector[MeniscusSlot] = 5.9f;
  ParameterVector[BaselineSlot] = -0.004f;
  FluorescenceCorrectionsRecord& f = CorrectionOptions.Fluorescence;
  f.ShadowOn = f.ConvolutionOn = f.NonlinearDetectionOn = true;
  f.ShadowRadius = 0.015f;
  f.ConvolutionWidth = 0.002f;
  CorrectionOptions.BufferMismatch.On = true;
  CorrectionOptions.WienerSkewing.On = true;

  platform::RecordingCanvas page;
  PaintFitResultLines(page, 300, 100);
  std::map<int, std::pair<int, std::string>> t;  // by y: x and text
  for (const platform::DrawCall& call : page.CallsOf(platform::DrawKind::Text))
    t[call.points.at(0).y] = {call.points.at(0).x, call.text};
  ASSERT_EQ(t.size(), 12u);
  for (int y = 110; y <= 270; y += 20) EXPECT_EQ(t.at(y).first, 320) << y;
  for (int y = 290; y <= 330; y += 20) EXPECT_EQ(t.at(y).first, 310) << y;
  // No radial resolution, always the simplex's progress form.
  EXPECT_EQ(t.at(110).second, "fitting files scan2.RA1 to scan1.RA1");
  EXPECT_EQ(t.at(130).second, "s3, step #41     ");
  EXPECT_EQ(t.at(150).second, "rmsd=0.020000 (n=100,SSR=0.040000)");
  // No non-ideality forms, and the fourth concentration is kept.
  EXPECT_EQ(t.at(170).second, "M = 1.500 | 3.000 | 6.000 | ");
  EXPECT_EQ(t.at(190).second, "s = 7.500 | 9.000 | 12.000 | ");
  EXPECT_EQ(t.at(210).second, "c = 13.500 | 15.000 | 18.000 | (first is total, next are fractions)");
  EXPECT_EQ(t.at(230).second, "Meniscus = 5.900000  ");
  EXPECT_EQ(t.at(270).second, "fitting 6.1000 - 6.9000");
  // The baseline without the Wiener text; the vbar line.
  EXPECT_EQ(t.at(290).second, "Baseline = -0.004000  ");
  EXPECT_EQ(t.at(310).second.rfind("vbar = ", 0), 0u);
  const std::string& items = t.at(330).second;
  EXPECT_EQ(items.rfind("buffer: ", 0), 0u) << items;
  EXPECT_NE(items.find(" - excit. cone 0.0150 (fix)"), std::string::npos) << items;
  EXPECT_NE(items.find(" - convolution = 0.0020 (fix)"), std::string::npos) << items;
  EXPECT_EQ(items.find("[showing"), std::string::npos) << items;

  // Other models print the prefix alone on their first model line; the
  // multi-species non-ideal model and a window not drawn into print nothing.
  ModelSelection.Kind = ModelKind::ContinuousCS;
  const auto lines = FitResultPrintLines();
  EXPECT_EQ(lines[3], "M = ");
  EXPECT_EQ(lines[4], "");
  ModelSelection.Kind = ModelKind::NonidealMultipleSpecies;
  page.Clear();
  PaintFitResultLines(page, 300, 100);
  EXPECT_TRUE(page.CallsOf(platform::DrawKind::Text).empty());
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  DrawingAllowed = false;
  PaintFitResultLines(page, 300, 100);
  EXPECT_TRUE(page.CallsOf(platform::DrawKind::Text).empty());
}

}  // namespace
