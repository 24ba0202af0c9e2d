// The Lamm numerics dialog run headless: what it shows, what it refuses,
// how entries are taken (grid sizes rounded down, step thresholds restarted)
// and when it offers to keep the settings as defaults.

#include <string>

#include "ModelsTestSupport.h"
#include "state/ProgramPaths.h"
#include "models/LammNumericsDialog.h"
#include "models/LammPreferenceFile.h"
#include "ui/Boxes.h"

namespace {

class LammNumericsDialogTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    savedPaths_ = ProgramPaths;
    SetInstallationFolder(folder_.path().string());
    ClearLammPBoxTransfer(LammPBoxTransfer);
  }
  void TearDown() override {
    ProgramPaths = savedPaths_;
    ModelsTest::TearDown();
  }
  // One OK with these texts and ticks.
  void Enter(std::map<int, std::string> texts, std::map<int, int> ticks = {}, bool ok = true) {
    platform::FormState entries;
    entries.texts = std::move(texts);
    entries.checked = std::move(ticks);
    backend().ScriptForm(entries, ok);
  }
  std::size_t SaveQuestions() const {
    return LogLinesWith("box [LAMM EQUATION PARAMETERS] (question) save new parameters").size();
  }
  ScratchFolder folder_;
  ProgramPathsRecord savedPaths_;
};

TEST_F(LammNumericsDialogTest, ShowsTheSettingsInTheirFormats) {
  CmLammEquationParameters(nullptr);
  const auto shown = backend().ShownForms();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "Numerical Control of Lamm Equation Solution");
  const platform::FormState& s = shown[0].initial;
  const std::pair<int, const char*> texts[] = {
      {612, "5.000000"}, {639, "60.00"}, {614, "1.00e-04"}, {616, "1000"}, {617, "5.0"},
      {619, "2000"},     {618, "75"},    {627, "0.00"},     {628, "1.000"}, {629, "1.00"},
      {643, "-6.00"},    {835, "2.43"},  {834, "0.0080"},   {948, "10.0000"}};
  for (const auto& [id, text] : texts) EXPECT_EQ(s.Text(id), text) << id;
  // Automatic algorithm: neither explicit algorithm radio is ticked.
  EXPECT_EQ(s.Checked(622), 1);
  EXPECT_EQ(s.Checked(624), 0);
  EXPECT_EQ(s.Checked(625), 0);
  EXPECT_EQ(s.Checked(621), 1);
  for (int id : {612, 616, 628, 643, 948})
    EXPECT_NE(platform::FindFormItem(shown[0].items, id), nullptr) << id;
  // Unchanged settings: no question about defaults.
  EXPECT_EQ(SaveQuestions(), 0u);
}

TEST_F(LammNumericsDialogTest, GridSizesAreRoundedDownAndTheWorkingSizeFollows) {
  for (const auto& [text, expected] : {std::pair{"1e3", 1000}, std::pair{"999.9", 999}}) {
    LammSolverSettings.DefaultLammGridSize = 500;
    LammSolverSettings.LammGridSize = 500;
    Enter({{616, text}});
    backend().ScriptBoxAnswer(platform::BoxAnswer::No);
    CmLammEquationParameters(nullptr);
    EXPECT_EQ(LammSolverSettings.DefaultLammGridSize, expected) << text;
    EXPECT_EQ(LammSolverSettings.LammGridSize, expected) << text;
  }
  EXPECT_EQ(SaveQuestions(), 2u);
}

TEST_F(LammNumericsDialogTest, RefusesWhatIsNoNumberAndGridsBelowTheMinimums) {
  struct Case {
    std::map<int, std::string> texts;
    const char* message;
  };
  const Case cases[] = {
      {{{628, "abc"}}, "box [Input Error] (error) Invalid Entry"},
      {{{614, "-1"}}, "box [Input Error] (error) Invalid Entry"},
      {{{643, ""}}, "box [Input Error] (error) Invalid Entry"},
      {{{616, "10"}}, "the default FE grid size must be at least 50"},
      {{{618, "0"}}, "the lower limit of the grid size must be at least 50"},
      {{{619, "60"}, {618, "75"}}, "the upper limit of the grid size must not be below"},
      {{{617, "0.5"}}, "points per sigma must be at least 1"},
  };
  for (const Case& c : cases) {
    backend().ClearLog();
    ResetModelRecords();
    Enter(c.texts);  // refused; nothing scripted after it: the dialog is given up
    CmLammEquationParameters(nullptr);
    EXPECT_EQ(LogLinesWith(c.message).size(), 1u) << c.message;
    EXPECT_EQ(LogLinesWith("refused").size(), 1u) << c.message;
    EXPECT_EQ(LammSolverSettings.DefaultLammGridSize, 1000) << c.message;
    EXPECT_EQ(LammSolverSettings.MinGridSize, 75) << c.message;
    EXPECT_FLOAT_EQ(FitControl.FitCycleTolerance, 0.01f) << c.message;
  }
  // The refused text corrected on the same dialog is taken.
  Enter({{618, "0"}});
  Enter({{618, "60"}});
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  CmLammEquationParameters(nullptr);
  EXPECT_EQ(LammSolverSettings.MinGridSize, 60);
}

TEST_F(LammNumericsDialogTest, AlgorithmSwitchAsksToSaveAndTheAccelerationCheckDoesNot) {
  LammSolverSettings.AutomaticAlgorithm = false;
  LammSolverSettings.FixedGrid = true;
  LammSolverSettings.MovingFrame = false;
  Enter({}, {{625, 1}});
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  CmLammEquationParameters(nullptr);
  EXPECT_TRUE(LammSolverSettings.MovingFrame);
  EXPECT_FALSE(LammSolverSettings.FixedGrid);
  EXPECT_EQ(SaveQuestions(), 1u);
  EXPECT_TRUE(FileExists(LammPreferenceFilePath()));

  backend().ClearLog();
  Enter({}, {{924, 0}});
  CmLammEquationParameters(nullptr);
  EXPECT_FALSE(ScanDataSet.CheckRotorAcceleration);
  EXPECT_EQ(SaveQuestions(), 0u);
}

TEST_F(LammNumericsDialogTest, NewStepLimitRestartsTheAdaptedThresholds) {
  GlobalLammRun.RelativeChangeLow = 0.3;
  GlobalLammRun.RelativeChangeMid = 0.7;
  Enter({});  // unchanged: the adapted thresholds stay
  CmLammEquationParameters(nullptr);
  EXPECT_DOUBLE_EQ(GlobalLammRun.RelativeChangeLow, 0.3);
  Enter({{629, "2"}});
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  CmLammEquationParameters(nullptr);
  EXPECT_DOUBLE_EQ(LammSolverSettings.MaxChangePerStep, 2.0);
  EXPECT_DOUBLE_EQ(GlobalLammRun.RelativeChangeLow, 0.1);
  EXPECT_DOUBLE_EQ(GlobalLammRun.RelativeChangeMid, 0.4);
}

TEST_F(LammNumericsDialogTest, CancelKeepsEverySettingAndSpeedStepsNeedData) {
  Enter({{616, "200"}, {628, "5"}}, {{622, 0}, {624, 1}}, false);
  CmLammEquationParameters(nullptr);
  EXPECT_EQ(LammSolverSettings.DefaultLammGridSize, 1000);
  EXPECT_FLOAT_EQ(FitControl.FitCycleTolerance, 0.01f);
  EXPECT_TRUE(LammSolverSettings.AutomaticAlgorithm);

  // Speed steps without loaded scans: the message, the ramp stays on.
  Enter({}, {{944, 1}});
  CmLammEquationParameters(nullptr);
  EXPECT_EQ(LogLinesWith("Please Load SV Data First").size(), 1u);
  EXPECT_FALSE(ScanDataSet.UsingSpeedSteps);
  EXPECT_TRUE(ScanDataSet.RampRotorSpeed);
  EXPECT_FALSE(ScanDataSet.TimesFromW2t);
}

TEST_F(LammNumericsDialogTest, MovingHatWithFixedStepLeftForClaverieTurnsTheFixedStepOff) {
  LammSolverSettings.AutomaticAlgorithm = false;
  LammSolverSettings.FixedGrid = false;
  LammSolverSettings.MovingFrame = true;
  LammSolverSettings.FixedTimeStep = true;
  Enter({}, {{624, 1}});
  Enter({});  // the dialog opens once more after the notice
  CmLammEquationParameters(nullptr);
  EXPECT_FALSE(LammSolverSettings.FixedTimeStep);
  EXPECT_TRUE(LammSolverSettings.FixedGrid);
  EXPECT_EQ(LogLinesWith("switching off fixed dt - confirm").size(), 1u);
  EXPECT_EQ(backend().ShownForms().size(), 2u);
}

}  // namespace
