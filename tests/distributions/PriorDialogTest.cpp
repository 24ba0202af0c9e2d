// The prior dialog run headless: peaks shown in order until the first empty
// one, entries taken back, the sources and when the prior switches off.

#include <string>

#include "distributions/PriorDialog.h"
#include "state/PriorSettings.h"
#include "support/TestSupport.h"

namespace {

class PriorDialogTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    PriorSettings = PriorSettingsRecord{};
    InitPriorBoxTransfer(PriorBoxTransfer);
    PriorDialogLinks = PriorDialogLinksRecord{};
  }
  void TearDown() override {
    PriorSettings = PriorSettingsRecord{};
    PriorDialogLinks = PriorDialogLinksRecord{};
    HeadlessTest::TearDown();
  }
  static platform::FormState Entries(std::map<int, std::string> texts,
                                     std::map<int, int> ticks) {
    platform::FormState s;
    s.texts = std::move(texts);
    s.checked = std::move(ticks);
    return s;
  }
};

TEST_F(PriorDialogTest, PeaksAreShownUntilTheFirstEmptyOne) {
  PriorSettings.PriorOnS = true;
  PriorSettings.PriorPeaks[1] = {5.0, 1.0, 1.0};
  PriorSettings.PriorPeaks[2] = {7.0, 0.5, 0.0};  // amplitude 0: empty
  PriorSettings.PriorPeaks[3] = {9.0, 0.0, 2.0};  // after an empty one: not shown
  backend().ScriptForm({}, false);
  CmUsePriorProbabilities(nullptr);
  const auto shown = backend().ShownForms().back();
  EXPECT_EQ(shown.caption, "Generate Prior Probability From Peaks");
  const platform::FormState& s = shown.initial;
  EXPECT_EQ(s.Text(777), "no filename selected");
  EXPECT_EQ(s.Checked(778), 1);
  EXPECT_EQ(s.Text(788), "5.000 ");
  EXPECT_EQ(s.Text(808), "1.000 ");
  EXPECT_EQ(s.Checked(779), 0);
  EXPECT_EQ(s.Checked(780), 0);
  EXPECT_EQ(s.Text(790), "0.000 ");
  EXPECT_EQ(s.Checked(820), 1);  // from peaks
  EXPECT_EQ(PriorSettings.PriorPeaks[2].Width, -1.0);
}

TEST_F(PriorDialogTest, TypedPeaksBecomeThePriorAndAnEmptyFirstPeakSwitchesItOff) {
  backend().ScriptForm(Entries({{788, "4.5"}, {798, "0"}, {808, "2"}},
                               {{778, 1}, {820, 1}}));
  CmUsePriorProbabilities(nullptr);
  EXPECT_TRUE(PriorSettings.PriorOnS);  // a source chosen switches the prior on
  EXPECT_DOUBLE_EQ(PriorSettings.PriorPeaks[1].Position, 4.5);
  EXPECT_DOUBLE_EQ(PriorSettings.PriorPeaks[1].Width, 0.0);  // a delta peak
  EXPECT_DOUBLE_EQ(PriorSettings.PriorPeaks[1].Amplitude, 2.0);

  backend().ScriptForm(Entries({}, {{778, 0}, {820, 1}}));
  CmUsePriorProbabilities(nullptr);
  EXPECT_FALSE(PriorSettings.PriorOnS);
  EXPECT_DOUBLE_EQ(PriorSettings.PriorPeaks[1].Width, -1.0);
}

TEST_F(PriorDialogTest, BadNumbersAreRefusedWithoutAMessageAndNegativeWidthPasses) {
  backend().ScriptForm(Entries({{808, "-1"}}, {{778, 1}, {820, 1}}));
  backend().ScriptForm(Entries({{788, "3"}, {798, "-2"}, {808, "1"}}, {}));
  CmUsePriorProbabilities(nullptr);
  EXPECT_EQ(LogLinesWith("refused").size(), 1u);
  EXPECT_TRUE(LogLinesWith("box [").empty());
  EXPECT_DOUBLE_EQ(PriorSettings.PriorPeaks[1].Width, -2.0);
}

TEST_F(PriorDialogTest, PriorFileIsChosenSwitchedOffAndOnAgain) {
  backend().ScriptFileDialog(std::vector<std::string>{"/data/prior.dat"});
  backend().ScriptForm(Entries({}, {{819, 1}, {821, 1}}));
  CmUsePriorProbabilities(nullptr);
  EXPECT_TRUE(PriorSettings.PriorOnS);
  EXPECT_TRUE(PriorFileInUse());
  EXPECT_EQ(PriorSettings.PriorFileName, "/data/prior.dat");

  backend().ScriptForm(Entries({}, {{818, 0}, {819, 0}}));
  CmUsePriorProbabilities(nullptr);
  EXPECT_FALSE(PriorSettings.PriorOnS);
  EXPECT_FALSE(PriorFileInUse());
  EXPECT_EQ(backend().ShownForms().back().initial.Text(777), "/data/prior.dat");

  backend().ScriptForm(Entries({}, {{819, 1}}));
  CmUsePriorProbabilities(nullptr);
  EXPECT_TRUE(PriorSettings.PriorOnS);
  EXPECT_TRUE(PriorFileInUse());

  // Cancelled file dialog: the message, no prior.
  backend().ScriptFileDialog(std::nullopt);
  backend().ScriptForm(Entries({}, {{819, 1}, {821, 1}}));
  CmUsePriorProbabilities(nullptr);
  EXPECT_EQ(LogLinesWith("Could Not Open MaxEnt Prior File").size(), 1u);
  EXPECT_FALSE(PriorSettings.PriorOnS);

  PriorSettings.PriorFileName = std::string(999, 'a');
  PriorSettings.PriorFileInitial = 'a';
  backend().ScriptForm({}, false);
  CmUsePriorProbabilities(nullptr);
  EXPECT_EQ(backend().ShownForms().back().initial.Text(777), "filename too long");
}

}  // namespace
