// The fluorescence detection corrections set through their menu commands
// and through the "FloTools" dialog.
#include "app/ProgramStartLinks.h"
#include "app/scantools/FluorescenceCommands.h"

#include <gtest/gtest.h>

#include "app/window/TXLAWindow.h"
#include "data/ScanReaderOptions.h"
#include "models/TempParameterFile.h"
#include "support/TestSupport.h"

namespace {

using platform::BoxAnswer;

class FluorescenceCommandsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    WireAsTheProgramStartDoes(window);
    CorrectionOptions.Fluorescence = FluorescenceCorrectionsRecord{};
    ScanReaderOptions.FluorescenceData = true;
  }
  void TearDown() override {
    CorrectionOptions.Fluorescence = FluorescenceCorrectionsRecord{};
    ScanReaderOptions.FluorescenceData = false;
    HeadlessTest::TearDown();
  }
  void Yes() { backend().ScriptBoxAnswer(BoxAnswer::Yes); }
  void No() { backend().ScriptBoxAnswer(BoxAnswer::No); }
  void Enter(const char* text) { backend().ScriptEntry(std::string(text)); }
  FluorescenceCorrectionsRecord& f() { return CorrectionOptions.Fluorescence; }
  TXLAWindow window{"w"};
};

}  // namespace

TEST_F(FluorescenceCommandsTest, DepletionStoresKsAsItsLogarithmAndANonPositiveKsAsMinusEight) {
  struct Case {
    const char* ks;
    float logKs;
  } cases[] = {{"0.01", -2.0f}, {"0", -8.0f}, {"-3", -8.0f}};
  for (const Case& c : cases) {
    Yes();  // account for the anomaly
    Enter("2.5");
    No();
    Enter("4");  // D in units of 1e-7
    Yes();
    Enter("0.3");
    No();
    Enter(c.ks);
    Yes();
    CmJohnstonOgstonDepletion(window);
    EXPECT_TRUE(f().DepletionOn);
    EXPECT_FLOAT_EQ(f().DepletionS, 2.5f);
    EXPECT_FLOAT_EQ(f().DepletionD, 4e-7f);
    EXPECT_TRUE(f().DepletionDFitted);
    EXPECT_FLOAT_EQ(f().DepletionLogKs, c.logKs) << c.ks;
    EXPECT_TRUE(f().DepletionKsFitted);
  }
}

TEST_F(FluorescenceCommandsTest, DriftWithOnlyTheExponentialChangeAndRefusalOnOtherData) {
  No();   // no linear drift
  Yes();  // exponential photophysics
  Enter("0.5");
  Enter("80");  // limiting level in %
  Yes();
  No();
  CmSignalMagnificationDriftWithTime(window);
  EXPECT_TRUE(f().DriftOn);
  EXPECT_TRUE(f().PhotophysicsOn);
  EXPECT_FALSE(f().LinearDriftOn);
  EXPECT_FLOAT_EQ(f().LimitingSignal, 0.8f);
  EXPECT_TRUE(f().LimitingSignalFitted);
  EXPECT_FALSE(f().ExponentialDriftFitted);
  EXPECT_TRUE(window.Menu().IsChecked(910));

  // On absorbance data a No at "proceed anyway?" leaves the correction off.
  ScanReaderOptions.FluorescenceData = false;
  f().ShadowOn = true;
  No();
  CmExcitationShadowAtBottom(window);
  EXPECT_FALSE(f().ShadowOn);
  No();
  CmSignalMagnificationDriftWithTime(window);
  EXPECT_FALSE(f().DriftOn);
}

TEST_F(FluorescenceCommandsTest, NonlinearDetectionAsksAgainForAPositivePowerCoefficient) {
  Yes();
  Enter("-1");
  Enter("0");
  Enter("1.4");
  No();
  Enter("0.1");
  No();
  CmNonlinearDetection(window);
  EXPECT_TRUE(f().NonlinearDetectionOn);
  EXPECT_FLOAT_EQ(f().NonlinearExponent, 1.4f);
  EXPECT_FLOAT_EQ(f().NonlinearBaseline, 0.1f);
  EXPECT_EQ(LogLinesWith("must be greater than 0").size(), 2u);
}

TEST_F(FluorescenceCommandsTest, DialogShowsStoredValuesAndRefusesBadEntries) {
  f().LimitingSignal = 0.75f;
  f().DepletionD = 5e-7f;
  f().DepletionLogKs = -2.0f;
  platform::FormRequest form = FloToolForm(window);
  EXPECT_EQ(form.state.Text(450), "75.000");
  EXPECT_EQ(form.state.Text(413), "5.0000");
  EXPECT_EQ(form.state.Text(412), "0.01000");
  // Negative where only non-negative values make sense; any number in 612.
  platform::FormState bad = form.state;
  bad.texts[617] = "-0.1";
  EXPECT_TRUE(form.check(bad).refused);
  bad.texts[617] = "abc";
  EXPECT_TRUE(form.check(bad).refused);
  platform::FormState good = form.state;
  good.texts[612] = "-0.5";
  EXPECT_FALSE(form.check(good).refused);

  // A ks of 0 in the dialog stores -8; switching the drift off clears its fit.
  good.texts[412] = "0";
  good.checked[621] = 0;
  good.checked[620] = 1;
  good.checked[615] = 1;
  ApplyFloToolState(window, good);
  EXPECT_FLOAT_EQ(f().DepletionLogKs, -8.0f);
  EXPECT_FALSE(f().LinearDriftFitted);
  EXPECT_TRUE(f().MagnificationGradientOn);
  EXPECT_FLOAT_EQ(f().MagnificationGradient, -0.5f);
  EXPECT_TRUE(window.Menu().IsChecked(907));
}
