#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "app/PlotInteractionFixture.h"
#include "app/commands/RunFitCommands.h"
#include "app/equilibrium/MwScreen.h"
#include "app/models/ModelSwitching.h"
#include "display/MainPlots.h"
#include "state/ScreenModes.h"
#include "equilibrium/EqBuoyantMass.h"
#include "equilibrium/EquilibriumScans.h"
#include "equilibrium/MStarTransform.h"
#include "models/ParameterPacking.h"
#include "state/ParameterVector.h"

namespace {

using namespace eqtest;

class MwScreen : public PlotInteraction {
 protected:
  void SetUp() override {
    PlotInteraction::SetUp();
    MStarSettings = MStarSettingsRecord{};
    InstallMwScreenHooks(*window);
  }
  void TearDown() override {
    RemoveMwScreenHooks(*window);
    MStarScreen.ShowMwAppOfC = false;
    MStarScreen.OpenedSinceCM = false;
    MStarSettings = MStarSettingsRecord{};
    EqBuoyantState = EqBuoyantStateRecord{};
    PlotInteraction::TearDown();
    ResetModelRecords();
  }
  // Two 50 kDa data sets at two speeds, shown in the main plots.
  void LoadEquilibrium(std::vector<double> rpms = {15000, 22000}) {
    LoadRun({.rpms = rpms, .species = {{50000, 0.5}}, .noise = 0.002});
    display::BuildMainDataPlots();
    display::LayoutAndRenderMainPlots();
    Paint();
  }
  // A click in the middle of panel button index, in client pixels.
  void Click(int index) {
    CScreenButton* b = PanelButton(index);
    ASSERT_NE(b, nullptr) << index;
    const float x = (b->RectLeft + b->RectRight) / 2.0f, y = (b->RectTop + b->RectBottom) / 2.0f;
    Send(platform::MessageKind::LeftButtonDown, static_cast<int>(x * 1400.0f / 1399.0f),
         static_cast<int>(y));
    Send(platform::MessageKind::LeftButtonUp, static_cast<int>(x * 1400.0f / 1399.0f),
         static_cast<int>(y));
  }
  std::string Caption(int index) {
    CScreenButton* b = PanelButton(index);
    return b ? b->Caption : "<none>";
  }
};

TEST_F(MwScreen, OpensInPlaceOfTheDataPlotAndGivesItBack) {
  LoadEquilibrium();
  CWINPlot* original = display::MainPlots.DataPlot.get();
  const int top = MainPlotLayout.DataTop, bottom = MainPlotLayout.DataBottom;
  CmTransformEquilibriumDataMStar(*window);
  ASSERT_TRUE(ScreenModes.MStarScreenActive);
  EXPECT_NE(display::MainPlots.DataPlot.get(), original);
  EXPECT_NEAR(MStarData.Sets[1].MwAvg, 50.0, 1.0);
  EXPECT_EQ(Caption(9).rfind("Mwavg(1) = ", 0), 0u);
  // A button grows with its new caption (and keeps its right edge here).
  EXPECT_GE(PanelButton(9)->RectRight - PanelButton(9)->RectLeft,
            static_cast<int>(7 * Caption(9).size()));
  EXPECT_NE(Caption(8 + 3 * 2 + 1).find("A0(1) = "), std::string::npos);
  Paint();
  // Opening it again rebuilds it in place; closing still gives back the
  // plot shown before it first opened.
  CmTransformEquilibriumDataMStar(*window);
  ASSERT_TRUE(ScreenModes.MStarScreenActive);
  Paint();
  Char(platform::key::Escape);
  EXPECT_FALSE(ScreenModes.MStarScreenActive);
  EXPECT_EQ(display::MainPlots.DataPlot.get(), original);
  EXPECT_EQ(MainPlotLayout.DataTop, top);
  EXPECT_EQ(MainPlotLayout.DataBottom, bottom);
  Paint();
}

TEST_F(MwScreen, EscEndsAPendingPickAndTheScreenAndGoesOnDownTheChain) {
  LoadEquilibrium();
  for (const bool bottom : {false, true}) {
    CmTransformEquilibriumDataMStar(*window);
    ASSERT_TRUE(ScreenModes.MStarScreenActive);
    (bottom ? MStarScreen.BottomDragPending : MStarScreen.MeniscusDragPending) = true;
    ScreenButtons.PeakLabelCount = 1;
    ScreenButtons.PeakLabelsShown = true;
    Char(platform::key::Escape);
    EXPECT_FALSE(MStarScreen.MeniscusDragPending || MStarScreen.BottomDragPending) << bottom;
    EXPECT_FALSE(ScreenModes.MStarScreenActive) << bottom;
    // Closing the screen does not stop the chain: the peak labels go too.
    EXPECT_EQ(ScreenButtons.PeakLabelCount, 0) << bottom;
  }
}

TEST_F(MwScreen, RefusesDataThatAreNotEquilibriumData) {
  LoadEquilibrium();
  ScanDataSet.EquilibriumDataMode = false;
  CmTransformEquilibriumDataMStar(*window);
  EXPECT_FALSE(ScreenModes.MStarScreenActive);
  EXPECT_EQ(LogLinesWith("equilibrium data set must be loaded for MSTAR").size(), 1u);
}

TEST_F(MwScreen, OneSetHasNoRIButtonAndAModelCommandClosesTheScreen) {
  LoadEquilibrium({15000});
  CmTransformEquilibriumDataMStar(*window);
  EXPECT_EQ(MStarScreen.PanelButtonCount, 4 * 1 + 9);
  EXPECT_EQ(PanelButton(5), nullptr);
  ResetModelFlags(*window);
  EXPECT_FALSE(ScreenModes.MStarScreenActive);
}

TEST_F(MwScreen, SmoothingEntriesAreRoundedDownAndBadOnesRefused) {
  LoadEquilibrium();
  CmTransformEquilibriumDataMStar(*window);
  backend().ScriptEntry("2.0");
  backend().ScriptEntry("2.9");
  Click(2);
  EXPECT_EQ(MStarSettings.SmoothHalfWindow, 20);
  EXPECT_EQ(MStarSettings.SmoothOrder, 2);
  EXPECT_EQ(Caption(2), "SG smooth = 2.0 %(2)");
  // A half-window of no point, and an order above the half-window.
  for (const auto& [distance, order] : {std::pair{"0.05", "1"}, {"0.3", "4"}}) {
    backend().ScriptEntry(distance);
    backend().ScriptEntry(order);
    Click(2);
    EXPECT_EQ(MStarSettings.SmoothHalfWindow, 20);
    EXPECT_EQ(MStarSettings.SmoothOrder, 2);
  }
  EXPECT_EQ(LogLinesWith("sorry, the smoothing window").size(), 2u);
}

TEST_F(MwScreen, ARightDragSetsThePendingBasisEitherWay) {
  LoadEquilibrium();
  CmTransformEquilibriumDataMStar(*window);
  const CWINPlot& signal = *MStarScreen.SignalPlot;
  const int a = display::ValueToWindowX(signal, 6.95f), b = display::ValueToWindowX(signal, 7.0f);
  for (const auto& [from, to] : {std::pair{a, b}, {b, a}}) {
    backend().ScriptEntry("1");
    backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // change extrapolation basis?
    Click(1);
    ASSERT_TRUE(MStarScreen.MeniscusDragPending);
    EXPECT_EQ(Caption(8 + 3 * 2 + 1), "drag right mouse");
    RightDrag(from, 200, to, 300);
    EXPECT_FALSE(MStarScreen.MeniscusDragPending);
    EXPECT_EQ(MStarSettings.MeniscusOrder, 1);
    EXPECT_NEAR(MStarSettings.MeniscusBasis.R1, 6.95f, 0.003f);
    EXPECT_NEAR(MStarSettings.MeniscusBasis.R2, 7.0f, 0.003f);
  }
  EXPECT_TRUE(ScreenModes.MStarScreenActive);
}

TEST_F(MwScreen, ATypedMeniscusValueStaysUntilTheExtrapolationIsAskedFor) {
  LoadEquilibrium();
  CmTransformEquilibriumDataMStar(*window);
  backend().ScriptEntry("0.25");
  Click(8 + 3 * 2 + 1);
  EXPECT_TRUE(MStarSettings.MeniscusValueFixed);
  EXPECT_FLOAT_EQ(MStarData.Sets[1].MeniscusValue, 0.25f);
  EXPECT_EQ(Caption(8 + 3 * 2 + 1), "A0(1) = 0.2500 (fix)");
  MwScreenButtonClick(*window, 0);
  EXPECT_FLOAT_EQ(MStarData.Sets[1].MeniscusValue, 0.25f);
  backend().ScriptEntry("2");
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  Click(1);
  EXPECT_FALSE(MStarSettings.MeniscusValueFixed);
  EXPECT_NE(MStarData.Sets[1].MeniscusValue, 0.25f);
}

TEST_F(MwScreen, CopyCommandsCopyTheSetsTables) {
  LoadEquilibrium({15000});
  CmCopyLnCData(*window);  // screen closed: nothing
  EXPECT_TRUE(backend().Log().empty() || LogLinesWith("clipboard").empty());
  CmTransformEquilibriumDataMStar(*window);
  CmCopyLnCData(*window);
  EXPECT_TRUE(LogLinesWith("which data set?").empty());
  EXPECT_EQ(LogLinesWith("is in clipboard - paste before continuing").size(), 3u);
  const MStarDataSet& s = MStarData.Sets[1];
  const std::string table = backend().ClipboardText().value_or("");
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), s.LastFit - s.FirstFit);
  // The last table is r^2 against the straight line of ln c.
  EXPECT_NEAR(std::stof(table), s.RSquared[s.FirstFit], 1e-3);
  CmCopyMStarData(*window);
  CmCopyMavgData(*window);
  EXPECT_EQ(LogLinesWith("is in clipboard - paste before continuing").size(), 3u + 2u + 1u);
  EXPECT_EQ(LogLinesWith("r vs Mapp(r) is in clipboard").size(), 1u);
}

TEST_F(MwScreen, HingePointInfoReportsTheHingeOfEverySet) {
  LoadEquilibrium({15000});
  CmTransformEquilibriumDataMStar(*window);
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // no manual override
  backend().ScriptEntry("0.01");
  Click(7);
  const auto lines = LogLinesWith("Mwapp(rhinge=");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].find("Mwapp(rhinge=0.000"), std::string::npos);
}

TEST_F(MwScreen, RunAndFitComputeTheBuoyantMassModel) {
  LoadEquilibrium();
  ModelSelection.Kind = ModelKind::BuoyantMassEquilibrium;
  FitControl.MassInsteadOfD = true;
  ModelParameters.MassOrD[1] = 50000.0f;
  PackParameterVector();
  RunModelCommand(*window);
  EXPECT_TRUE(LogLinesWith("not available").empty());
  EXPECT_LT(EqBuoyantState.StoredRmsd, 0.003);
}

}  // namespace
