#include <filesystem>

#include "app/OptionsFixture.h"
#include "app/commands/DistributionCommands.h"
#include "app/commands/RegularizationCommands.h"
#include "app/options/PreferenceFile.h"

using platform::BoxAnswer;

namespace {

class RegularizationCommandsTest : public OptionsTest {
 protected:
  void SetUp() override {
    OptionsTest::SetUp();
    WritePreferenceText(FullFile());
  }
};

TEST_F(RegularizationCommandsTest, OneChoiceAtATimeWithItsMarkAndItsSavedCode) {
  struct Case {
    void (*command)(TXLAWindow&);
    int item;
    int code;
  } cases[] = {
      {&CmRegularizationBy2ndDerivative, 294, 2},
      {&CmShowBothRegularizations, 642, 4},
      {&CmRegularizationByWeighted3rdDerivative, 1118, 3},
      {&CmRegularizationByMaxEnt, 295, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    backend().ScriptBoxAnswer(BoxAnswer::Yes);
    c.command(window());
    const RegularizationTypeRecord& r = DistributionSettings.RegularizationType;
    EXPECT_EQ(r.MaxEntRegularizationOn, c.code == 1);
    EXPECT_EQ(r.SecondDerivativeRegularization, c.code == 2);
    EXPECT_EQ(r.TP3Regularization, c.code == 3);
    EXPECT_EQ(r.BothRegularizations, c.code == 4);
    for (int item : {295, 294, 1118, 642}) EXPECT_EQ(Checked(item), item == c.item) << item;
    EXPECT_FLOAT_EQ(std::stof(PreferenceLines()[9]), static_cast<float>(c.code));

    // The next start selects the saved choice.
    const int saved = c.code;
    SelectRegularizationCode(saved == 1 ? 2 : 1);
    ReadPreferences(window());
    EXPECT_EQ(CurrentRegularizationCode(), saved);
  }
}

TEST_F(RegularizationCommandsTest, ChoosingTheSelectedRegularisationAsksNothing) {
  const auto before = PreferenceLines();
  CmRegularizationByMaxEnt(window());
  EXPECT_EQ(BoxCount(), 0u);
  EXPECT_EQ(PreferenceLines(), before);

  backend().ScriptBoxAnswer(BoxAnswer::No);
  CmRegularizationBy2ndDerivative(window());
  EXPECT_EQ(CurrentRegularizationCode(), 2);
  EXPECT_EQ(PreferenceLines(), before);
}

// A c(s) distribution of three grid points, stored and shown.
class DistributionCommandsTest : public RegularizationCommandsTest {
 protected:
  void SetUp() override {
    RegularizationCommandsTest::SetUp();
    ModelSelection.Kind = ModelKind::ContinuousCS;
    DistributionSettings.DistGridSize = 3;
    DistributionResult.DistSGrid = {0.0f, 1.0f, 2.0f, 3.0f};
    DistributionResult.DistMGrid = {0.0f, 10.0f, 20.0f, 30.0f};
    DistributionResult.DistValues = {0.0f, 0.5f, 1.5f, 2.5f};
    DistributionResult.DistSecondValues = {0.0f, 0.0f, 0.0f, 0.0f};
    DistributionShown = true;
  }

  // Answers for a transform to s20,w: yes, then the four numbers.
  void ScriptS20w(const char* vbar20 = "0.73") {
    backend().ScriptBoxAnswer(BoxAnswer::Yes);
    backend().ScriptEntry(vbar20);
    backend().ScriptEntry("0.73");
    backend().ScriptEntry("1.0");
    backend().ScriptEntry("0.01002");
  }
};

TEST_F(DistributionCommandsTest, TransformMovesTheAxisOnceUntilTheNextRun) {
  ScriptS20w("0.74");
  CmTransformToS20wDistribution(window());
  EXPECT_TRUE(DistributionTransformed());
  EXPECT_FLOAT_EQ(SolventConditions.VBAR20, 0.74f);
  const float factor = DistributionResult.DistSGrid[1];
  EXPECT_GT(factor, 0.0f);
  EXPECT_NE(factor, 1.0f);
  EXPECT_FLOAT_EQ(DistributionResult.DistSGrid[3], 3.0f * factor);
  EXPECT_TRUE(LogLinesWith("entry [CALCULATE FRICTIONAL AND AXIAL RATIOS] enter absolute "
                           "viscosity (Poise) in experiment")
                  .size() == 1u);

  backend().ClearLog();
  CmTransformToS20wDistribution(window());
  EXPECT_EQ(LogLinesWith("box [ERROR] (error) distribution is already transformed - need to "
                         "recalculate first")
                .size(),
            1u);
  EXPECT_EQ(BoxCount(), 1u);
  EXPECT_FLOAT_EQ(DistributionResult.DistSGrid[1], factor);
}

TEST_F(DistributionCommandsTest, DeclinedOrFailedTransformLeavesTheDistributionUnmarked) {
  backend().ScriptBoxAnswer(BoxAnswer::No);
  CmTransformToS20wDistribution(window());
  EXPECT_FALSE(DistributionTransformed());

  // Cancel at the third number.
  backend().ScriptBoxAnswer(BoxAnswer::Yes);
  backend().ScriptEntry("0.73");
  backend().ScriptEntry("0.73");
  backend().ScriptEntry(std::nullopt);
  CmTransformToS20wDistribution(window());
  EXPECT_FALSE(DistributionTransformed());
  EXPECT_FLOAT_EQ(DistributionResult.DistSGrid[2], 2.0f);

  // A c(M) distribution has no s axis to move.
  ModelSelection.Kind = ModelKind::ContinuousCM;
  ScriptS20w();
  CmTransformToS20wDistribution(window());
  EXPECT_EQ(
      LogLinesWith("box [ERROR] (error) could not calculate s20 from sapp in distribution").size(),
      1u);
  EXPECT_FALSE(DistributionTransformed());
  ModelSelection.Kind = ModelKind::ContinuousCS;

  // After all that, a transform still goes through.
  ScriptS20w();
  CmTransformToS20wDistribution(window());
  EXPECT_TRUE(DistributionTransformed());
}

TEST_F(DistributionCommandsTest, TransformWithoutADistributionSaysItCannot) {
  DistributionShown = false;
  DistributionResult = DistributionResultRecord{};
  DistributionSettings.DistGridSize = 100;
  CmTransformToS20wDistribution(window());
  EXPECT_EQ(LogLinesWith("box [ERROR] (error) could not calculate s20 from sapp").size(), 1u);
  EXPECT_FALSE(DistributionTransformed());
}

TEST_F(DistributionCommandsTest, StokesRadiusTransformDividesByThePowerSeriesFromItsFile) {
  const DistributionResultRecord untransformed = DistributionResult;
  ScriptS20w();
  backend().ScriptBoxAnswer(BoxAnswer::Yes);  // to Stokes radius
  backend().ScriptBoxAnswer(BoxAnswer::No);   // no a(R) correction
  CmTransformSDistributionToRDistribution(window());
  ASSERT_TRUE(DistributionTransformed());
  const std::vector<float> onRadius = DistributionResult.DistValues;

  // The same again, now divided by the constant a(R) = 2.
  DistributionResult = untransformed;
  ScratchFolder files;
  const std::string coefficients = files.Write("MieScatCoeffs.dat", "2.0\n");
  ScriptS20w();
  backend().ScriptBoxAnswer(BoxAnswer::Yes);
  backend().ScriptBoxAnswer(BoxAnswer::Yes);
  backend().ScriptFileDialog(std::vector<std::string>{coefficients});
  CmTransformSDistributionToRDistribution(window());
  EXPECT_EQ(LogLinesWith("open file dialog \"open power series for a(R)\"").size(), 1u);
  for (std::size_t i = 1; i <= 3; ++i)
    EXPECT_FLOAT_EQ(DistributionResult.DistValues[i], onRadius[i] / 2.0f) << i;

  backend().ClearLog();
  CmTransformSDistributionToRDistribution(window());
  EXPECT_EQ(LogLinesWith("distribution is already transformed").size(), 1u);
  EXPECT_EQ(BoxCount(), 1u);
}

TEST_F(DistributionCommandsTest, SaveWritesOneLineOfTwoNumbersPerGridPoint) {
  ScratchFolder files;
  const std::string path = files.File("dist.dat");
  backend().ScriptFileDialog(std::vector<std::string>{path});
  CmSaveContinuousDistribution(window());
  EXPECT_EQ(ReadWholeFile(path),
            "1.000000e+00 5.000000e-01\n2.000000e+00 1.500000e+00\n3.000000e+00 2.500000e+00\n");
  EXPECT_EQ(LogLinesWith("save file dialog \"save mass distribution as\"").size(), 1u);

  // c(M) is saved against molar mass.
  ModelSelection.Kind = ModelKind::ContinuousCM;
  backend().ScriptFileDialog(std::vector<std::string>{path});
  CmSaveContinuousDistribution(window());
  EXPECT_EQ(ReadWholeFile(path).substr(0, 26), "1.000000e+01 5.000000e-01\n");
}

TEST_F(DistributionCommandsTest, SaveDoesNothingWithoutAContinuousDistribution) {
  for (ModelKind kind : {ModelKind::NonInteractingSpecies, ModelKind::MonomerDimer}) {
    ModelSelection.Kind = kind;
    CmSaveContinuousDistribution(window());
  }
  ModelSelection.Kind = ModelKind::ContinuousCS;
  DistributionShown = false;
  CmSaveContinuousDistribution(window());
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(DistributionCommandsTest, TwoDimensionalSaveAsksAndUsesItsWriter) {
  ScratchFolder files;
  const std::string path = files.File("dist2d.dat");
  std::string written2d;
  DistributionCommandLinks.WriteDistribution2D = [&](const std::string& p) { written2d = p; };
  ModelSelection.Kind = ModelKind::CSFf0;
  backend().ScriptFileDialog(std::vector<std::string>{path});
  backend().ScriptBoxAnswer(BoxAnswer::Yes);
  CmSaveContinuousDistribution(window());
  EXPECT_EQ(written2d, path);
  EXPECT_FALSE(std::filesystem::exists(path));

  backend().ScriptFileDialog(std::vector<std::string>{path});
  backend().ScriptBoxAnswer(BoxAnswer::No);
  CmSaveContinuousDistribution(window());
  EXPECT_TRUE(std::filesystem::exists(path));
  DistributionCommandLinks = DistributionCommandLinksRecord{};
}

TEST_F(DistributionCommandsTest, TimeDependentFitNeedsExperimentalInitialData) {
  int fits = 0;
  DistributionCommandLinks.FitTimeDependentSMMoving = [&](platform::WindowHandle, int) { ++fits; };
  DistributionCommandLinks.FitTimeDependentSMIncreasing = [&](platform::WindowHandle, int) {
    ++fits;
  };
  CmFitTimeDependentSM(window());
  EXPECT_EQ(LogLinesWith("box [time dependence analysis] (information) please switch to "
                         "experimental initial  condition (in parameter box) and load initial "
                         "scan")
                .size(),
            1u);
  EXPECT_EQ(BoxCount(), 1u);

  ModelParameters.InitialConcentrationExperimental = true;
  int setSize = 0;
  DistributionCommandLinks.FitTimeDependentSMIncreasing = [&](platform::WindowHandle, int n) {
    setSize = n;
  };
  backend().ScriptEntry("6.8");
  backend().ScriptBoxAnswer(BoxAnswer::No);
  backend().ScriptBoxAnswer(BoxAnswer::Yes);
  CmFitTimeDependentSM(window());
  EXPECT_EQ(setSize, 6);
  EXPECT_EQ(TimeDependentScansPerSet, 6);
  EXPECT_EQ(fits, 0);
  DistributionCommandLinks = DistributionCommandLinksRecord{};
  TimeDependentScansPerSet = 4;
}

}  // namespace
