#include "app/OptionsFixture.h"
#include "app/help/HelpWizard.h"
#include "app/start/ProgramStart.h"
#include "distributions/StoredDistribution.h"
#include "resources/AppStrings.h"

namespace {

class HelpWizardTest : public OptionsTest {
 protected:
  // One scan whose model differs from its signal by residuals[k] at point
  // k + 1; the fit range is the whole scan.
  static void LoadScan(const std::vector<float>& residuals) {
    const int n = static_cast<int>(residuals.size());
    AllocScanSlots(1);
    ScanDataSetRecord& d = ScanDataSet;
    d.NFILES = 1;
    d.ScanTimeOrder[1] = 1;
    d.ScanPointCount[1] = n;
    d.ScanFirstFitIndex[1] = 1;
    d.ScanLastFitIndex[1] = n;
    d.ScanRadius[1].Resize(1, n);
    d.ScanSignal[1].Resize(1, n);
    d.ScanModel[1].Resize(1, n);
    for (int k = 1; k <= n; ++k) {
      d.ScanRadius[1][k] = 6.0f + 0.01f * static_cast<float>(k);
      d.ScanSignal[1][k] = 0.5f;
      d.ScanModel[1][k] = 0.5f + residuals[static_cast<std::size_t>(k - 1)];
    }
  }

  // A c(s) distribution on s = 1, 2, 3.
  static void SetDistribution(ModelKind kind, std::vector<float> values) {
    ModelSelection.Kind = kind;
    DistributionSettings.DistGridSize = 3;
    DistributionResult.DistSGrid = {0.0f, 1.0f, 2.0f, 3.0f};
    DistributionResult.DistMGrid = {0.0f, 1.0f, 2.0f, 3.0f};
    values.insert(values.begin(), 0.0f);
    DistributionResult.DistValues = values;
    DistributionResult.DistSecondValues.assign(4, 0.0f);
    DistributionShown = true;
  }
};

using Findings = std::vector<int>;

TEST_F(HelpWizardTest, OverallRmsdAboveTwoHundredthsCallsForMessageOne) {
  struct Case {
    float residual;
    Findings expected;
  } cases[] = {{0.019f, {}}, {0.021f, {1}}, {-0.05f, {1}}, {0.0f, {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.residual);
    LoadScan(std::vector<float>(40, c.residual));
    EXPECT_EQ(HelpWizardFindings(), c.expected);
  }
}

TEST_F(HelpWizardTest, EdgeBandsAreTheFirstAndLastTenthOfTheFitRange) {
  struct Case {
    const char* name;
    std::vector<float> residuals;
    Findings expected;
  } cases[] = {
      // 21 points: bands of three points at each end.
      {"large at the meniscus",
       {0.005f, 0.005f, 0.005f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f,
        0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f},
       {2}},
      {"large at the bottom",
       {0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f,
        0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.005f, 0.005f, 0.005f},
       {3}},
      // 9 points: one point per band; point 2 lies outside the meniscus band.
      {"nine points",
       {0.001f, 0.009f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.001f, 0.009f},
       {3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoadScan(c.residuals);
    EXPECT_EQ(HelpWizardFindings(), c.expected);
  }
}

TEST_F(HelpWizardTest, FittedMeniscusOrBottomExactlyAtALimit) {
  struct Case {
    int fitted;
    float meniscus, bottom;
    Findings expected;
  } cases[] = {
      {1, 6.0f, 7.1f, {4}}, {1, 5.8f, 7.1f, {4}}, {1, 5.99f, 7.1f, {}},
      {0, 6.0f, 7.2f, {}},  {1, 5.9f, 7.2f, {5}}, {1, 6.0f, 7.0f, {4, 5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.meniscus) + " " + std::to_string(c.bottom));
    FitControl.MINMENISCUS = 5.8f;
    FitControl.MAXMENISCUS = 6.0f;
    FitControl.MINBOTTOM = 7.0f;
    FitControl.MAXBOTTOM = 7.2f;
    ModelParameters.MeniscusFitted = c.fitted;
    ModelParameters.BottomFitted = c.fitted;
    ModelParameters.Meniscus = c.meniscus;
    ModelParameters.Bottom = c.bottom;
    EXPECT_EQ(HelpWizardFindings(), c.expected);
  }
}

TEST_F(HelpWizardTest, DistributionRisingAtAnEndOfItsGrid) {
  struct Case {
    const char* name;
    ModelKind kind;
    std::vector<float> values;
    bool hybridDiscrete;
    bool bufferMismatch;
    Findings expected;
  } cases[] = {
      {"c(s) rising at smin", ModelKind::ContinuousCS, {2, 1, 1}, false, false, {6}},
      {"c(s) rising at smax", ModelKind::ContinuousCS, {1, 1, 2}, false, false, {7}},
      {"c(s) both", ModelKind::ContinuousCS, {2, 1, 2}, false, false, {6, 7}},
      {"c(s) falling", ModelKind::ContinuousCS, {1, 2, 1}, false, false, {}},
      {"ls-g*(s)", ModelKind::LsGStar, {2, 1, 2}, false, false, {}},
      {"c(s,f/f0)", ModelKind::CSFf0, {2, 1, 2}, false, false, {}},
      {"hybrid", ModelKind::HybridCSLsGStar, {2, 1, 1}, false, false, {6}},
      {"hybrid with discrete", ModelKind::HybridCSLsGStar, {2, 1, 1}, true, false, {}},
      {"flotation", ModelKind::CSFlotation, {2, 1, 1}, false, false, {}},
      // With buffer mismatch point 1 is the buffer, no part of the
      // distribution's amount.
      {"flotation, buffer", ModelKind::CSFlotation, {2, 1, 1}, false, true, {}},
      {"discrete model", ModelKind::NonInteractingSpecies, {2, 1, 1}, false, true, {}},
  };
  // As the program installs it: the integration sees the buffer point.
  const StoredDistributionServicesRecord kept = StoredDistributionServices;
  StoredDistributionServices.BufferMismatchOn = [] { return CorrectionOptions.BufferMismatch.On; };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetDistribution(c.kind, c.values);
    DistributionSettings.HybridIncludesDiscrete = c.hybridDiscrete;
    CorrectionOptions.BufferMismatch.On = c.bufferMismatch;
    EXPECT_EQ(HelpWizardFindings(), c.expected);
  }
  StoredDistributionServices = kept;
}

TEST_F(HelpWizardTest, SmallEndAmountGivesNoMessage) {
  // Rising at the top, but the last interval holds far less than 1% of the
  // distribution above s[2].
  ModelSelection.Kind = ModelKind::ContinuousCS;
  DistributionSettings.DistGridSize = 4;
  DistributionResult.DistSGrid = {0.0f, 1.0f, 2.0f, 3.0f, 3.001f};
  DistributionResult.DistValues = {0.0f, 1.0f, 1.0f, 1.0f, 1.5f};
  DistributionResult.DistSecondValues.assign(5, 0.0f);
  EXPECT_EQ(HelpWizardFindings(), Findings{});
}

TEST_F(HelpWizardTest, SilentDuringToolModesAndSerialFits) {
  struct Case {
    const char* name;
    void (*set)();
  } cases[] = {
      {"DLS data", [] { DlsDataMode = true; }},
      {"serial fit", [] { RedrawSuppressed = true; }},
      {"equilibrium test", [] { LoadOptions.EqTestMode = true; }},
      {"realtime update", [] { LoadOptions.RealtimeModeActive = true; }},
      {"Monte Carlo", [] { DistributionRunFlags.MonteCarloRunning = true; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetRecords();
    LoadScan(std::vector<float>(20, 0.05f));
    c.set();
    EXPECT_EQ(HelpWizardFindings(), Findings{});
  }
}

TEST_F(HelpWizardTest, EachFindingShowsItsBoxWithTheFootnote) {
  WizardFootnote = WizardFootnoteText;  // formed at start-up
  Sounds.SoundsOn = true;
  LoadScan(std::vector<float>(20, 0.05f));
  FitControl.MAXMENISCUS = 6.0f;
  ModelParameters.MeniscusFitted = 1;
  ModelParameters.Meniscus = 6.0f;
  HelpWizard(window());
  const auto boxes = LogLinesWith("box [Help Wizard]");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].find("should not exceed 0.1% of the total loading signal)."),
            std::string::npos);
  EXPECT_NE(boxes[1].find("Meniscus estimate has reached max/min value."), std::string::npos);
  for (const auto& box : boxes)
    EXPECT_NE(
        box.find(
            "\n\n\n(to switch off wizard messages, use menu Help->Info and Wizard Messages) -> OK"),
        std::string::npos)
        << box;
  EXPECT_EQ(LogLinesWith("error.wav").size(), 2u);
}

}  // namespace
