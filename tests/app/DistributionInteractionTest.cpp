// The distribution plot under the mouse: peaks and their labels, the range
// report, the rubber-band zoom of the data plot and its history, the
// rescale of the distribution plot, and the integration ranges file.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "app/PlotInteractionFixture.h"
#include "app/interaction/DistributionPeaks.h"
#include "app/options/ProgramOptions.h"
#include "state/ProgramPaths.h"
#include "distributions/DistributionIntegration.h"
#include "state/SolventConditions.h"
#include "distributions/MsTable.h"
#include "lamm/VolumeFractionFactors.h"
#include "state/SpeciesEngineParameters.h"
#include "numerics/PhysicalConstants.h"
#include "numerics/Hydrodynamics.h"

using platform::MessageKind;

namespace {

class DistributionInteraction : public PlotInteraction {
 protected:
  void SetUp() override {
    PlotInteraction::SetUp();
    savedOptions_ = ProgramOptions;
    ProgramOptions.WizardMessagesOn = false;
    ModelSelection.Kind = ModelKind::ContinuousCS;
    LoadScans();
  }
  void TearDown() override {
    ProgramOptions = savedOptions_;
    PlotInteraction::TearDown();
  }

  // A triangle of height 1 from s = 3 to 7, its top at 5 (grid index 10).
  static void MakeTriangle() {
    std::vector<float> v;
    for (int i = 1; i <= 21; ++i) v.push_back(std::max(0.0f, 1.0f - std::fabs(0.5f * i - 5.0f) / 2));
    MakeDistribution(v);
  }
  static CWINPlot& Dist() { return *display::DistributionPlots.DistributionPlot; }
  static int DistColumn(float s) { return display::ValueToWindowX(Dist(), s); }
  // A row inside the distribution plot (630 .. 950 of 1000).
  static int DistRow() { return 800; }

 private:
  ProgramOptionsRecord savedOptions_;
};

TEST_F(DistributionInteraction, PeakWalkFindsTheFlanksAndNoPeakAtTheGridEnds) {
  MakeTriangle();
  const DistributionPeak peak = FindDistributionPeaks(10, 0.9f);
  EXPECT_EQ(peak.First, 6);
  EXPECT_EQ(peak.Last, 14);
  EXPECT_FLOAT_EQ(peak.SLo, 3.0f);
  EXPECT_FLOAT_EQ(peak.SHi, 7.0f);
  EXPECT_NEAR(peak.Signal, 2.0f, 1e-5f);
  EXPECT_NEAR(peak.Sw, 5.0f, 1e-5f);
  EXPECT_NEAR(peak.Fraction, 1.0f, 1e-5f);
  for (int k : {1, 2, 20, 21}) {
    const DistributionPeak none = FindDistributionPeaks(k, 0.9f);
    EXPECT_EQ(none.First, 0) << k;
    EXPECT_EQ(none.Last, 0) << k;
    EXPECT_FLOAT_EQ(none.SLo, 0.5f * k) << k;
    EXPECT_FLOAT_EQ(none.SHi, 0.5f * k) << k;
  }
}

TEST_F(DistributionInteraction, AFlankThatRisesAgainEndsAtItsMinimum) {
  // Peak at index 7; to its left 0.88, a minimum 0.8 at 5, then 0.95 at 4.
  MakeDistribution({0, 0, 0.3f, 0.95f, 0.8f, 0.88f, 1.0f, 0.5f, 0.2f, 0, 0, 0});
  const DistributionPeak peak = FindDistributionPeaks(7, 0.9f);
  EXPECT_EQ(peak.First, 5);
  EXPECT_EQ(peak.Last, 10);
}

TEST_F(DistributionInteraction, LabelTextsFollowTheModelAndTheSizeOfM) {
  const struct {
    float m;
    const char* text;
  } masses[] = {{2e7f, "Mf~20.0 MDa"}, {1e7f, "Mf~10.00 MDa"}, {2e6f, "Mf~2.00 MDa"},
                {2e5f, "Mf~200 kDa"},  {5e4f, "Mf~50.0 kDa"},  {2000, "Mf~2.00 kDa"},
                {500, "Mf~500 Da"},    {100, "Mf~100.0 Da"}};
  for (const auto& c : masses) EXPECT_EQ(MolarMassLabel(c.m), c.text) << c.m;

  ModelSelection.Kind = ModelKind::ContinuousCS;
  EXPECT_EQ(PeakLabelText(5.0f), MolarMassLabel(CalculateM(5.0f)));
  // ls-g*(s) has no frictional ratio: its peaks are labelled by s.
  ModelSelection.Kind = ModelKind::LsGStar;
  EXPECT_EQ(PeakLabelText(5.0f), "sw = 5.000 S");
  ModelSelection.Kind = ModelKind::CSFlotation;
  DistributionSettings.FlotationSettings.FlotationOnly = true;
  EXPECT_EQ(PeakLabelText(5.0f), "ignore ghost");
  EXPECT_EQ(PeakLabelText(-12.0f), "sw = -12.000 S");
}

// c(s) with an M(s) table: labels and the Ctrl+right double click read the
// molar mass from the table (linear between its rows, in water at 20 C so
// s20,w = s), not from the frictional ratio.
TEST_F(DistributionInteraction, TheMsTableGivesTheMolarMassOfItsModel) {
  ScratchFolder folder;
  const std::string table = (folder.path() / "mofs.dat").string();
  std::ofstream(table) << "2 20\n6 100\n10 300\n";
  ASSERT_TRUE(LoadMsTableFrom(table));
  const SolventConditionsRecord savedSolvent = SolventConditions;
  SolventConditions.RELVISCOSITY = 1.0f;
  SolventConditions.VbarRho = SolventConditions.VBAR * PhysicalConstantsRecord::StandardWaterDensity;
  ModelSelection.Kind = ModelKind::CSWithMsTable;
  EXPECT_NEAR(PeakMolarMass(4.0f), 60000.0f, 1.0f);
  EXPECT_NEAR(PeakMolarMass(8.0f), 200000.0f, 2.0f);
  EXPECT_EQ(PeakLabelText(4.0f), "Mf~60.0 kDa");
  MakeTriangle();
  const int x = DistColumn(5.0f);
  const float s = display::WindowXToValue(Dist(), x);
  Send(MessageKind::RightDoubleClick, x, DistRow(), true);
  EXPECT_EQ(LogLinesWith(MolarMassReadoutText(20000.0f * (s - 1.0f), CalculateMff02(s, 1.0f)))
                .size(),
            1u);
  FreeMsTable();
  SolventConditions = savedSolvent;
}

// The scans show the non-ideal species slower than their distribution's s
// (at infinite dilution), so the shaded range is moved: hindered c(s) by the
// hard-sphere factor of the signal below each limit, non-ideal c(s) by
// 1 - ks ctot; other models and nonsense factors keep the range.
TEST_F(DistributionInteraction, ShadedRangesOfNonidealModelsFollowTheirSlowerSpecies) {
  MakeTriangle();  // signal 2 between 3 and 7 S, none below 3 S
  ScanDataSet.SignalPerConcentration = 1.0;
  SpeciesEngineParameters.LogKs = -1.0f;
  SpeciesEngineParameters.LogKd = 0.0f;
  struct Case {
    ModelKind kind;
    float logKs, lo, hi;
  } cases[] = {
      {ModelKind::ContinuousCS, -1.0f, 4.0f, 6.0f},
      {ModelKind::NonidealCS, -1.0f, 4.0f * 0.8f, 6.0f * 0.8f},  // 1 - 0.1 x 2
      {ModelKind::NonidealCS, 0.0f, 4.0f, 6.0f},                 // 1 - 2 < 0: kept
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    ModelSelection.Kind = c.kind;
    SpeciesEngineParameters.LogKs = c.logKs;
    const ShadingRange r = NonidealShadingRange(4.0f, 6.0f);
    EXPECT_NEAR(r.Lo, c.lo, 1e-5f);
    EXPECT_NEAR(r.Hi, c.hi, 1e-5f);
  }
  // Hindered: nothing below 3 S leaves that limit; below 6 S lies
  // 2 - 0.25 = 1.75 of signal, which slows the upper limit.
  ModelSelection.Kind = ModelKind::HinderedCS;
  SpeciesEngineParameters.LogKs = 1.5f;
  const ShadingRange r = NonidealShadingRange(3.0f, 6.0f);
  EXPECT_NEAR(r.Lo, 3.0f, 1e-5f);
  const double factor = SedFactorAtConc(1.75, 1.5, 0.0, DistributionSettings.StartingFrictionalRatio,
                                        SolventConditions.VBAR);
  EXPECT_LT(factor, 1.0);
  EXPECT_NEAR(r.Hi, 6.0 * factor, 1e-4);
  ScanDataSet.SignalPerConcentration = 0.0;
  EXPECT_NEAR(NonidealShadingRange(3.0f, 6.0f).Hi, 6.0f, 1e-6f);
  SpeciesEngineParameters = SpeciesEngineParametersRecord{};
  ScanDataSet.SignalPerConcentration = 1.0;
}

TEST_F(DistributionInteraction, PeakLabelsAppearAndGoWithTheNextPaint) {
  MakeTriangle();
  ShowPeakMwLabels(*window);
  ASSERT_EQ(ScreenButtons.PeakLabelCount, 1);
  ASSERT_TRUE(ScreenButtons.PeakLabels[1]);
  EXPECT_EQ(ScreenButtons.PeakLabels[1]->Caption, MolarMassLabel(CalculateM(5.0f)));
  Paint();
  EXPECT_EQ(ScreenButtons.PeakLabelCount, 0);

  // After a label's report the repaint keeps the labels once; the paints
  // after it (those of a new run among them) take them away.
  ShowPeakMwLabels(*window);
  ShowPeakInfo(*window, 1);
  EXPECT_EQ(LogLinesWith("box [PEAK INFO]").size(), 1u);
  Paint();
  EXPECT_EQ(ScreenButtons.PeakLabelCount, 1);
  Paint();
  EXPECT_EQ(ScreenButtons.PeakLabelCount, 0);
  EXPECT_FALSE(ScreenButtons.PeakLabels[1]);
}

TEST_F(DistributionInteraction, IntegratingABandReportsTheIntegralOfTheDistribution) {
  MakeTriangle();
  // The integrate button starts the selection; the band over the
  // distribution plot ends it.
  window->OnCommand(456);
  EXPECT_TRUE(RangeSelection.IntegrationPending);
  ASSERT_TRUE(ScreenButtons.IntegrateButton);
  EXPECT_TRUE(ScreenButtons.IntegrateButton->On);
  const int x0 = DistColumn(4.0f), x1 = DistColumn(6.0f);
  // The limits as the band gives them (the release rescales the plot).
  const float a = display::WindowXToValue(Dist(), x0), b = display::WindowXToValue(Dist(), x1);
  RightDrag(x0, DistRow(), x1, DistRow());
  EXPECT_FALSE(RangeSelection.IntegrationPending);
  EXPECT_FALSE(ScreenButtons.IntegrateButton->On);
  float c = 0, sw = 0, total = 0;
  IntegrateDistribution(a, b, c, sw, total);
  // The triangle's area between a and b, against the integrator's answer.
  const auto below = [](float s) {  // area of the triangle below s (3 <= s <= 7)
    return s <= 5 ? 0.25f * (s - 3) * (s - 3) : 2.0f - 0.25f * (7 - s) * (7 - s);
  };
  EXPECT_NEAR(c, below(b) - below(a), 1e-4f);
  const auto boxes = LogLinesWith("box [INTEGRATE DISTRIBUTION]");
  ASSERT_EQ(boxes.size(), 1u);
  char expected[64];
  std::snprintf(expected, sizeof expected, "Loading Concentration [Signal] = %f", static_cast<double>(c));
  EXPECT_NE(boxes[0].find(expected), std::string::npos) << boxes[0];
  const auto clip = backend().ClipboardText();
  ASSERT_TRUE(clip.has_value());
  EXPECT_NEAR(std::stof(*clip), c, 1e-4f);
}

TEST_F(DistributionInteraction, TheIntegrateCommandTogglesTheSelection) {
  MakeTriangle();
  window->OnCommand(456);
  EXPECT_TRUE(RangeSelection.RangeRectangleArmed);
  window->OnCommand(456);
  EXPECT_FALSE(RangeSelection.RangeRectangleArmed);
  EXPECT_FALSE(RangeSelection.IntegrationPending);
  EXPECT_FALSE(ScreenButtons.IntegrateButton->On);
  // A plain right click on the distribution plot arms nothing, so the next
  // press starts a selection instead of cancelling one.
  Send(MessageKind::RightButtonDown, DistColumn(5.0f), DistRow());
  Send(MessageKind::RightButtonUp, DistColumn(5.0f), DistRow());
  EXPECT_FALSE(RangeSelection.RangeRectangleArmed);
  window->OnCommand(456);
  EXPECT_TRUE(RangeSelection.IntegrationPending);
}

TEST_F(DistributionInteraction, CtrlRightDoubleClickReadsOutTheMolarMass) {
  MakeTriangle();
  const int x = DistColumn(5.0f);
  const float s = display::WindowXToValue(Dist(), x);
  Send(MessageKind::RightDoubleClick, x, DistRow(), true);
  EXPECT_EQ(LogLinesWith(MolarMassReadoutText(CalculateM(s), CalculateMff02(s, 1.0f))).size(), 1u);
  ModelSelection.Kind = ModelKind::CSFlotation;
  Send(MessageKind::RightDoubleClick, x, DistRow(), true);
  EXPECT_EQ(LogLinesWith("|Mf=-1.0 (>").size(), 1u);
}

TEST_F(DistributionInteraction, RescalingToARangeWithoutSignalKeepsAnAutomaticYRange) {
  MakeTriangle();
  RescaleDistributionToRange(*window, 8.0f, 10.0f);
  EXPECT_TRUE(Dist().bFixedX);
  EXPECT_FALSE(Dist().bFixedY);
  RescaleDistributionToRange(*window, 4.0f, 6.0f);
  EXPECT_TRUE(Dist().bFixedY);
  CmFullscaleDistributionPlot(*window);
  EXPECT_TRUE(Dist().bFixedX);
  EXPECT_TRUE(Dist().bFixedY);
}

TEST_F(DistributionInteraction, BandsWiderThanTenPixelsZoomAndStepBackRestores) {
  const int x = Column(6.2f), y = DataRow();
  RightDrag(x, y - 50, x + 10, y + 50);
  EXPECT_EQ(DisplayRangeStack.Level, 0);
  EXPECT_FALSE(RubberBand.ZoomedByRubberBand);
  RightDrag(x, y - 50, x + 11, y + 50);
  EXPECT_EQ(DisplayRangeStack.Level, 1);
  CWINPlot& plot = *display::MainPlots.DataPlot;
  EXPECT_TRUE(plot.bFixedX);
  EXPECT_TRUE(RubberBand.ZoomedByRubberBand);
  // From the lower right to the upper left: the same ranges.
  const auto level1 = DisplayRangeStack;
  DisplayRangeStack.Level = 0;
  plot.SetAutoRanges();
  FixMapping();
  RightDrag(x + 11, y + 50, x, y - 50);
  EXPECT_EQ(DisplayRangeStack.MinRadius[1], level1.MinRadius[1]);
  EXPECT_EQ(DisplayRangeStack.MaxSignal[1], level1.MaxSignal[1]);

  for (int i = 0; i < 10; ++i) RightDrag(x, y - 50, x + 40, y + 50);
  EXPECT_EQ(DisplayRangeStack.Level, 9);
  DisplayRangeStack.Level = 1;
  Send(MessageKind::RightDoubleClick, x, y);
  EXPECT_EQ(DisplayRangeStack.Level, 0);
  EXPECT_FALSE(plot.bFixedX);
  Send(MessageKind::RightDoubleClick, x, y);
  EXPECT_EQ(DisplayRangeStack.Level, 0);
}

TEST_F(DistributionInteraction, IntegrationRangesFileRoundTrip) {
  MakeTriangle();
  const ScratchFolder data;
  const struct {
    const char* ranges;
    std::vector<std::string> lines;
  } cases[] = {
      {"3 7\n4 6\n8 9\n",
       {"1: from 3.00S to 7.00S", "c = 2.0000 (this is considered total for following % amounts)",
        "2: from 4.00S to 6.00S", "c = 1.5000 (75.00% of c in range #1), sw = 5.000",
        "c = 0.0000 (0.00% of c in range #1)"}},
      {"8 9\n3 7\n", {"c = 0.0000 (this is considered", "\t c = 2.0000, sw = 5.000"}},
  };
  for (const auto& c : cases) {
    const std::string rangeFile = data.Write("ranges.dat", c.ranges);
    std::ofstream(ProgramPaths.IntegrationRangeFile) << rangeFile;
    DataFileLocation.DataFolder = data.path().string();
    ProgramOptions.UseIntegrationRangesFile = true;
    ASSERT_TRUE(IntegrateRangesFromFile(*window));
    const std::string report = ReadWholeFile(data.File("integrals.dat"));
    for (const std::string& line : c.lines)
      EXPECT_NE(report.find(line), std::string::npos) << line << "\n" << report;
  }
  // The clipboard holds the last table: lo, hi, c, percentage, sw per row.
  const auto clip = backend().ClipboardText();
  ASSERT_TRUE(clip.has_value());
  EXPECT_EQ(std::count(clip->begin(), clip->end(), '\n'), 2);

  const std::string empty = data.Write("empty.dat", "no numbers here\n");
  std::ofstream(ProgramPaths.IntegrationRangeFile) << empty;
  EXPECT_FALSE(LoadIntegrationRanges());
  EXPECT_EQ(LogLinesWith("could not load distribution ranges from file " + empty).size(), 1u);
}

TEST_F(DistributionInteraction, TheSelectRangeCaptionFitsItsButton) {
  MakeTriangle();
  window->OnCommand(456);
  ASSERT_TRUE(ScreenButtons.IntegrateButton);
  ASSERT_TRUE(ScreenButtons.IntegrateButton->On);
  Paint();
  ExpectWholeCaption(window->Host()->Snapshot(), *ScreenButtons.IntegrateButton);
}

TEST_F(DistributionInteraction, PeakLabelsShowTheirWholeCaption) {
  MakeTriangle();
  ShowPeakMwLabels(*window);
  ASSERT_TRUE(ScreenButtons.PeakLabels[1]);
  // Eight units a character would cut the ends of its text.
  ExpectWholeCaption(window->Host()->Snapshot(), *ScreenButtons.PeakLabels[1]);
}

}  // namespace
