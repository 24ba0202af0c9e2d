// The continuous-model commands: limits, confidence levels, regularisation
// notes and the questions of the c(M) variants.

#include "app/ModelCommandsFixture.h"
#include "app/models/ContinuousModelCommands.h"
#include "app/models/ModelCommands.h"
#include "numerics/Hydrodynamics.h"

namespace {

using K = ModelKind;
constexpr const char* kMaxEntNote = "Please Note: Switching now to Maximum Entropy Regularization";
constexpr const char* kTikhonovNote =
    "Please Note: Switching now to Tikhonov-Phillips Regularization";

}  // namespace

class ContinuousModelCommandsTest : public ModelCommandsTest {
 protected:
  void SetUp() override {
    ModelCommandsTest::SetUp();
    ModelSwitchState.SuppressModelNotes = false;  // the window's set-up has ended
  }
  // The distribution plot's rebuild left out: without a plot it puts its own
  // default limits in place, and these tests follow the commands' own rules.
  static void LeaveOutThePlotRebuild() { ModelCommandLinks.InitDistributionPlot = [](bool) {}; }
};

TEST_F(ContinuousModelCommandsTest, ContinuousCSWithoutScansTakesItsDefaultLimits) {
  CmContinuousCSDistribution(window);
  EXPECT_EQ(ModelSelection.Kind, K::ContinuousCS);
  EXPECT_FLOAT_EQ(DistributionSettings.Smin, 0.0f);
  EXPECT_FLOAT_EQ(DistributionSettings.Smax, 15.0f);
  EXPECT_FLOAT_EQ(ParameterVector[5], 15.0f);
  EXPECT_EQ(CheckedModelItems(), std::vector<int>{275});
}

// Molar-mass limits of a c(M) kind become the s of species of those masses
// at the last scan's temperature: the Svedberg equation gives the masses
// back.
TEST_F(ContinuousModelCommandsTest, MolarMassLimitsBecomeSedimentationCoefficients) {
  LeaveOutThePlotRebuild();
  LoadOneScan(4.0f);
  DistributionSettings.Smin = 10000.0f;
  DistributionSettings.Smax = 200000.0f;
  CmContinuousCSDistribution(window);
  for (const auto& [s, mass] : {std::pair{DistributionSettings.Smin, 10000.0f},
                                std::pair{DistributionSettings.Smax, 200000.0f}}) {
    EXPECT_GT(s, 0.0f);
    EXPECT_LT(s, 20.0f);
    EXPECT_NEAR(MFromSAndD(s, DFromMass(mass, 4.0f), 4.0f) / mass, 1.0f, 1e-4f);
  }
  EXPECT_LT(DistributionSettings.Smin, DistributionSettings.Smax);
}

TEST_F(ContinuousModelCommandsTest, ContinuousCSLeavesElectrophoresisAndKeepsTheLimits) {
  LeaveOutThePlotRebuild();
  ScanReaderOptions.ElectrophoresisDataMode = true;
  CmElectrophoresisCVDistributionWithConstantD(window);
  EXPECT_EQ(LammSolverSettings.LammGridSize, 200);
  DistributionSettings.Smin = 3.0f;
  DistributionSettings.Smax = 30.0f;
  CmContinuousCSDistribution(window);
  EXPECT_EQ(ModelSelection.Kind, K::ContinuousCS);
  EXPECT_EQ(CurrentGeometry(), LammGeometry::SectorCell);
  EXPECT_FALSE(HasConstantD(ModelSelection.Kind));
  EXPECT_FLOAT_EQ(DistributionSettings.Smin, 3.0f);
  EXPECT_FLOAT_EQ(DistributionSettings.Smax, 30.0f);
  EXPECT_EQ(CheckedModelItems(), std::vector<int>{275});
}

TEST_F(ContinuousModelCommandsTest, LsgFromSecondDerivativeShowsBothNotes) {
  SelectSecondDerivative();
  CmContinuousCSDistribution(window);  // switches to maximum entropy
  SelectSecondDerivative();
  backend().ClearLog();
  CmLsGStarS(window);
  const auto log = backend().Log();
  ASSERT_GE(log.size(), 2u);
  EXPECT_NE(log[0].find(kMaxEntNote), std::string::npos);
  EXPECT_NE(log[1].find(kTikhonovNote), std::string::npos);
  EXPECT_TRUE(DistributionSettings.RegularizationType.SecondDerivativeRegularization);
  EXPECT_TRUE(window.Menu().IsChecked(294));
  EXPECT_FALSE(window.Menu().IsChecked(295));
  EXPECT_FLOAT_EQ(DistributionSettings.RegularizationPvalue, 0.683f);
  EXPECT_FLOAT_EQ(DistributionSettings.Smin, 1.0f);
  EXPECT_FLOAT_EQ(DistributionSettings.Smax, 20.0f);
}

TEST_F(ContinuousModelCommandsTest, LsgInBatchModeSaysNothingAboutScanTimes) {
  BatchMode = true;
  LoadOneScan(20.0f);
  CmLsGStarS(window);
  EXPECT_TRUE(ScanDataSet.TimesFromW2t);
  EXPECT_EQ(BoxesWith("switching on times from w^2t option"), 0);
  EXPECT_EQ(BoxesWith(kTikhonovNote), 1);
  EXPECT_TRUE(DistributionSettings.RegularizationType.SecondDerivativeRegularization);
}

TEST_F(ContinuousModelCommandsTest, ZoneLsgSwitchesRegularisationOnceAndPresetsItsLevel) {
  CmAnalyticalZoneCentrifugationLsGS(window);
  EXPECT_EQ(ModelSelection.Kind, K::ZoneLsGStar);
  EXPECT_EQ(BoxesWith(kTikhonovNote), 1);
  EXPECT_TRUE(DistributionSettings.RegularizationType.SecondDerivativeRegularization);
  EXPECT_FLOAT_EQ(DistributionSettings.RegularizationPvalue, 0.95f);
  EXPECT_FLOAT_EQ(ModelSwitchState.ModelPvaluePreset, 0.95f);
  EXPECT_FLOAT_EQ(DistributionSettings.StartingFrictionalRatio, 1.0f);
  EXPECT_EQ(ModelParameters.LamellaWidthFitted, 1);
  EXPECT_EQ(CheckedModelItems(), std::vector<int>{510});
}

TEST_F(ContinuousModelCommandsTest, HybridShowsNoNoteOfItsEmbeddedCommand) {
  SelectSecondDerivative();
  CmHybridCSLsGS(window);
  EXPECT_EQ(ModelSelection.Kind, K::HybridCSLsGStar);
  EXPECT_EQ(BoxesWith(kMaxEntNote), 0);
  EXPECT_FALSE(ModelSwitchState.SuppressModelNotes);
  EXPECT_TRUE(DistributionSettings.RegularizationType.SecondDerivativeRegularization);
  EXPECT_FLOAT_EQ(DistributionSettings.Resolution, 101.0f);
  EXPECT_EQ(CheckedModelItems(), std::vector<int>{950});
}

TEST_F(ContinuousModelCommandsTest, NonidealCSKeepsTheSecondDerivative) {
  SelectSecondDerivative();
  FitControl.TINoiseFitted = true;
  CmNonidealCS(window);
  EXPECT_EQ(ModelSelection.Kind, K::NonidealCS);
  EXPECT_TRUE(DistributionSettings.RegularizationType.SecondDerivativeRegularization);
  EXPECT_EQ(BoxesWith(kMaxEntNote), 0);
  EXPECT_EQ(BoxesWith("you may need to run normal c(s) first, to get estimates for baselines"), 1);
  EXPECT_FALSE(ModelSwitchState.KeepRegularizationOnSwitch);
  EXPECT_FLOAT_EQ(ParameterVector[10], 350.0f);
  EXPECT_FLOAT_EQ(ParameterVector[6], 0.34f);
}

TEST_F(ContinuousModelCommandsTest, HinderedCSTakesNonNegativeCoefficients) {
  SpeciesEngineParameters.LogKs = -8.0f;
  SpeciesEngineParameters.LogKd = -6.0f;
  CmContinuousModel1100(window);
  EXPECT_EQ(ModelSelection.Kind, K::HinderedCS);
  EXPECT_FLOAT_EQ(ParameterVector[20], 8.0f);
  EXPECT_FLOAT_EQ(ParameterVector[21], 6.0f);
  EXPECT_EQ(ParameterFitted[21], 0);
}

TEST_F(ContinuousModelCommandsTest, VbarOfMCancelledFallsBackToCM) {
  backend().ScriptEntry("1.1");
  backend().ScriptEntry("0.02");
  backend().ScriptEntry(std::nullopt);
  CmCMWithPriorKnowledgeVbarM(window);
  EXPECT_EQ(ModelSelection.Kind, K::ContinuousCM);
  EXPECT_FALSE(window.Menu().IsChecked(279));
  EXPECT_EQ(BoxesWith("information missing, switching off vbar(M)"), 1);
  EXPECT_DOUBLE_EQ(PhysicalConstants.VbarLawV0, 1.04248);
  EXPECT_DOUBLE_EQ(PhysicalConstants.SofMLawA, 0.0159);
}

TEST_F(ContinuousModelCommandsTest, VbarOfMAskedAgainWhenChosenAgain) {
  for (int round = 0; round < 2; ++round) {
    backend().ScriptEntry("1.1");
    backend().ScriptEntry("0.02");
    backend().ScriptEntry("7.9");
    CmCMWithPriorKnowledgeVbarM(window);
  }
  EXPECT_EQ(LogLinesWith("Enter M-scale s:").size(), 2u);
  EXPECT_EQ(ModelSelection.Kind, K::CMPriorVbar);
  EXPECT_EQ(PhysicalConstants.VbarLawScaleExponent, 7);  // truncated
  EXPECT_EQ(CheckedModelItems(), (std::vector<int>{235, 279}));
}

TEST_F(ContinuousModelCommandsTest, PowerLawIsStoredWhenBothValuesAreGiven) {
  backend().ScriptEntry("0.02");
  backend().ScriptEntry("0.5");
  CmCMWithPowerLawSM(window);
  EXPECT_EQ(ModelSelection.Kind, K::CMVariant278);
  EXPECT_DOUBLE_EQ(PhysicalConstants.SofMLawA, 0.02f);
  EXPECT_DOUBLE_EQ(PhysicalConstants.SofMLawB, 0.5f);
  EXPECT_EQ(BoxesWith("using power law s(M) \n(disregard f/f0 and viscosity entry)"), 1);
}

TEST_F(ContinuousModelCommandsTest, FlotationSetsItsLimitsOnlyOnce) {
  LeaveOutThePlotRebuild();
  CmContinuousCSWithFlotation(window);
  EXPECT_FLOAT_EQ(DistributionSettings.Smin, 1.0f);
  EXPECT_FLOAT_EQ(DistributionSettings.Smax, 10.0f);
  DistributionSettings.Smin = -40.0f;
  DistributionSettings.Smax = 12.0f;
  CmContinuousCSDistribution(window);
  CmContinuousCSWithFlotation(window);
  EXPECT_FLOAT_EQ(DistributionSettings.Smin, -40.0f);
  EXPECT_FLOAT_EQ(DistributionSettings.Smax, 12.0f);
  EXPECT_FLOAT_EQ(ParameterVector[6], -100.0f);
}

TEST_F(ContinuousModelCommandsTest, FailedPowerLawCalibrationKeepsTheKind) {
  ModelCommandLinks.CalibrateCMPowerLaw = [](TXLAWindow&) { return false; };
  CmFMVsMWithScalingLaw(window);
  EXPECT_EQ(ModelSelection.Kind, K::FMScalingLaw);
  EXPECT_EQ(BoxesWith("box [C(M) POWERLAW] (none) sorry, s(M) power-law calibration failed!"), 1);
  EXPECT_TRUE(DistributionSettings.RegularizationType.SecondDerivativeRegularization);
  EXPECT_EQ(ParameterFitted[18], 0);
}

TEST_F(ContinuousModelCommandsTest, DlsDistributionsTakeTheirRanges) {
  DlsDataMode = true;
  const struct {
    void (*command)(TXLAWindow&);
    K kind;
    float smin, smax;
  } cases[] = {{CmDLSContinuousIRhDistribution, K::DlsIRh, 1.0f, 50.0f},
               {CmDLSContinuousIDDistribution, K::DlsID, 0.1f, 10.0f},
               {CmContinuousIRhTimeCourse, K::DlsIRhTimeCourse, 1.0f, 50.0f}};
  for (const auto& c : cases) {
    c.command(window);
    EXPECT_EQ(ModelSelection.Kind, c.kind);
    EXPECT_FLOAT_EQ(DistributionSettings.Smin, c.smin);
    EXPECT_FLOAT_EQ(DistributionSettings.Smax, c.smax);
    EXPECT_FLOAT_EQ(DistributionSettings.RegularizationPvalue, 0.55f);
    EXPECT_EQ(CheckedModelItems(), std::vector<int>{CommandIdOf(c.kind)});
  }
}
