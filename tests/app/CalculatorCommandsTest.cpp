// The Calculator menu's commands as a user drives them: entries made in
// their dialogs, the result boxes they show, refusals of bad entries and the
// one setting (vbar at 20 C) a calculator keeps. HYDROPRO runs as a fake
// program made by the test.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <fstream>

#include "app/ProgramStartLinks.h"
#include "app/calculators/CalculatorCommands.h"
#include "app/calculators/TimeDependentFit.h"
#include "data/InitialData.h"
#include "data/InitialDistribution.h"
#include "state/DistributionSettingsRecords.h"
#include "state/ParameterVector.h"
#include "state/FitScanWindow.h"
#include "state/ProgramPaths.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;

class CalculatorCommands : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    savedPaths = ProgramPaths;
    savedSolvent = SolventConditions;
    SetInstallationFolder(install.path().string());
    WireAsTheProgramStartDoes(window);
    FreeDataSet();
  }
  void TearDown() override {
    ProgramPaths = savedPaths;
    SolventConditions = savedSolvent;
    HeadlessTest::TearDown();
  }
  // The entries of one dialog, field by field from the first.
  void Enter(std::vector<std::string> texts, bool ok = true) {
    platform::FormState entries;
    for (std::size_t i = 0; i < texts.size(); ++i)
      entries.texts[101 + static_cast<int>(i)] = texts[i];
    backend().ScriptForm(entries, ok);
  }
  bool Shown(const std::string& text) { return !LogLinesWith(text).empty(); }
  std::string Log() {
    std::string all;
    for (const std::string& line : backend().Log()) all += line + "\n";
    return all;
  }

  TXLAWindow window{"Sedimentation Analysis"};
  ScratchFolder install;
  ProgramPathsRecord savedPaths;
  SolventConditionsRecord savedSolvent;
};

TEST_F(CalculatorCommands, BufferInWaterAndHeavyWater) {
  Enter({"1.005", "1.1", "20"});
  backend().ScriptBoxAnswer(platform::BoxAnswer::Ok);  // the explanation
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // no heavy water
  CmWaterDensityViscosity(window);
  EXPECT_TRUE(Shown("density = 1.005005 g/ml \nviscosity = 1.100000 cP")) << Log();

  struct Refusal {
    std::vector<std::string> entries;
    const char* kind;
    const char* message;
  } refusals[] = {{{"1", "1", "36"}, nullptr, "definitely outside range"},
                  {{"1", "1", "20"}, "1.5", "incorrect entry"},
                  {{"1", "1", "20"}, "4", "incorrect entry"}};
  for (const Refusal& r : refusals) {
    SCOPED_TRACE(r.kind ? r.kind : "T 36");
    backend().ClearLog();
    Enter(r.entries);
    if (r.kind) Enter({r.kind});
    CmWaterDensityViscosity(window);
    EXPECT_TRUE(Shown(r.message)) << Log();
    EXPECT_FALSE(Shown("density ="));
  }
}

TEST_F(CalculatorCommands, NonNumbersAreRefusedInTheDialog) {
  Enter({"abc", "1", "20"});
  Enter({"1", "1", "20"});
  backend().ScriptBoxAnswer(platform::BoxAnswer::Ok);  // the explanation
  backend().ScriptBoxAnswer(platform::BoxAnswer::Ok);  // the refusal
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  CmWaterDensityViscosity(window);
  EXPECT_TRUE(Shown("please enter a number")) << Log();
  EXPECT_TRUE(Shown("density =")) << Log();
}

TEST_F(CalculatorCommands, S20wKeepsTheSignAndStoresVbar20) {
  SolventConditions.VBAR20 = 0.7f;
  Enter({"-5", "0.73", "0.73", "0.99823", "0.01002"});
  backend().ScriptBoxAnswer(platform::BoxAnswer::Ok);
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // no further s-value
  CmCalculateS20w(window);
  EXPECT_TRUE(Shown("s(xp) of -5.000 S converts to s(20,w) = -5.000")) << Log();
  EXPECT_FLOAT_EQ(SolventConditions.VBAR20, 0.73f);
  // Cancel leaves vbar(20,w) alone.
  Enter({"5", "0.73", "0.75", "1", "0.01"}, false);
  CmCalculateS20w(window);
  EXPECT_FLOAT_EQ(SolventConditions.VBAR20, 0.73f);
}

TEST_F(CalculatorCommands, FrictionForceVelocity) {
  Enter({"5", "7", "1.2", "50000", "100000", "0.73", "1"});
  CmCalculateHydrodynamicFrictionForce(window);
  EXPECT_TRUE(Shown("v = 9.595e-07 m/s")) << Log();
}

TEST_F(CalculatorCommands, SequenceFromTheTextWindow) {
  backend().ScriptTextEntry(std::string("AAA"));
  CmSequenceVbarDndcExtinction(window);
  EXPECT_TRUE(Shown("3 amino acids read:\nmass = 231.2 Da")) << Log();
  EXPECT_TRUE(Shown("molar extinction coefficient: 5560 OD205/Mcm")) << Log();
}

TEST_F(CalculatorCommands, HydroproRunsInItsOwnFolderAndReportsItsResult) {
  // A stand-in for HYDROPRO: it answers from its working folder with the
  // results file named after the structure.
  const fs::path program = install.path() / "hydropro7cmsd";
  {
    std::ofstream out(program);
    out << "#!/bin/sh\nname=$(head -n 1 hydropro.dat)\n"
           "printf 'HYDROPRO\\n*** few beads\\nSedimentation coefficient:  1.91E+00 S\\n' > "
           "\"$name.res\"\n";
  }
  fs::permissions(program, fs::perms::owner_all);
  const std::string structure = install.Write("lyso.pdb", "ATOM\n");
  for (const char* folder : {"lyso", "lyso_"}) {
    SCOPED_TRACE(folder);
    backend().ClearLog();
    backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // cite
    backend().ScriptBoxAnswer(platform::BoxAnswer::Ok);   // select the structure
    backend().ScriptFileDialog(std::vector<std::string>{structure});
    backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // no user guide
    backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // no paper
    CmStartHydroPro(window);
    const fs::path work = install.path() / "HydroPro" / folder;
    ASSERT_TRUE(fs::exists(work / "lyso.res"));
    EXPECT_EQ(ReadWholeFile((work / "hydropro.dat").string()),
              "lyso\nlyso\nlyso.pdb\n3.20,\t\t!AER, radius of atomic elements\n-1,\t\t!NSIG\n"
              "293.1,\t\t!Temperature (K)\n0.01002,\t\t!Solvent viscosity (Poise)\n"
              "-1.0,\t\t!Mw (Da)\n0.7300,\t\t!vbar (ml/g)\n0.99823,\t\t!Solvent density (g/ml)\n"
              "0,\n0,\n0,\n0,\n*                   ");
    EXPECT_TRUE(Shown("Error Messages:\n*** few beads\n\n\nSedimentation coefficient:  1.91E+00 S")) << Log();
  }
}

TEST_F(CalculatorCommands, HydroproMissingIsLocatedOrOffered) {
  backend().ScriptFileDialog(std::nullopt);
  backend().ScriptBoxAnswer(platform::BoxAnswer::Ok);  // not found
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // no download
  CmStartHydroPro(window);
  EXPECT_TRUE(Shown("was not found in the install folder")) << Log();
  EXPECT_FALSE(fs::exists(install.path() / "HydroPro"));
}

TEST_F(CalculatorCommands, BestExtrapolationMessage) {
  std::string text;
  for (double n : {1600.0, 800.0, 400.0}) {
    char block[160];
    std::snprintf(block, sizeof block,
                  "Number of Surface Patches%8.0f\nDTT(EXACT) = %.6E\n", n, 6e-7 + 1e-5 / n);
    text += block;
  }
  const std::string file = install.Write("tdat", text);
  Enter({"100000", "0.73"});
  backend().ScriptFileDialog(std::vector<std::string>{file});
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // no plot
  ReadBeadModelDiffusion(window);
  EXPECT_TRUE(Shown("found 3 D-values:")) << Log();
  EXPECT_TRUE(Shown("extrapolation to 1/N = 0 gives D = 6.0000")) << Log();
  EXPECT_TRUE(Shown("this results in an s-value of 6.678")) << Log();
}

}  // namespace

namespace {

// A run whose first component's s grows linearly in time: the stand-in
// fitter "finds" the s of the middle of the scans it is given.
class TimeDependentFitTest : public CalculatorCommands {
 protected:
  void LoadScans(int n) {
    AllocScanSlots(n);
    auto& d = ScanDataSet;
    d.NFILES = n;
    for (int i = 1; i <= n; ++i) {
      d.ScanPointCount[i] = 3;
      for (auto* a : {&d.ScanRadius[i], &d.ScanSignal[i], &d.ScanModel[i]}) a->Resize(1, 3);
      for (int k = 1; k <= 3; ++k) {
        d.ScanRadius[i][k] = 6.0f + 0.1f * k;
        d.ScanSignal[i][k] = static_cast<float>(i);
      }
      d.ScanHeaders[i].Time = 100.0 * i;
      d.ScanTimeOrder[i] = i;
    }
    DataFileLocation.DataFolder = install.path().string() + "/";
  }
  void SetUp() override {
    CalculatorCommands::SetUp();
    savedFit = TimeDependentSetFit;
    TimeDependentSetFit = [this](platform::WindowHandle) {
      const double mid = 50.0 * (FitScanWindow.First + FitScanWindow.Last);
      ParameterVector[5] = static_cast<float>(2.0 + 0.01 * mid);
      ParameterVector[1] = static_cast<float>(1000.0 * FitScanWindow.Last);
      windows.emplace_back(FitScanWindow.First, FitScanWindow.Last);
      return true;
    };
  }
  void TearDown() override {
    TimeDependentSetFit = savedFit;
    FreeTimeDependentFitData();
    FreeInitialData();
    FreeDataSet();
    CalculatorCommands::TearDown();
  }
  std::vector<std::vector<double>> Rows(const std::string& name) {
    std::vector<std::vector<double>> rows;
    std::ifstream in(install.File(name));
    for (double t, v; in >> t >> v;) rows.push_back({t, v});
    return rows;
  }
  std::function<bool(platform::WindowHandle)> savedFit;
  std::vector<std::pair<int, int>> windows;
};

TEST_F(TimeDependentFitTest, MovingSetsRecoverTheTimeCourse) {
  LoadScans(6);
  ParameterVector[5] = 4.0f;
  ASSERT_TRUE(FitTimeDependentSMMoving(window.Handle(), 3));
  // Growing sets 1-2, 1-3, then moving 1-4, 2-5, 3-6; each fitted twice.
  const std::vector<std::pair<int, int>> sets = {{1, 2}, {1, 3}, {1, 4}, {2, 5}, {3, 6}};
  ASSERT_EQ(windows.size(), 2 * sets.size());
  for (std::size_t k = 0; k < sets.size(); ++k) EXPECT_EQ(windows[2 * k], sets[k]);
  const auto s = Rows("Sdcdt.dat");
  ASSERT_EQ(s.size(), 5u);  // N - 1 lines
  for (const auto& row : s) EXPECT_NEAR(row[1], 2.0 + 0.01 * row[0], 1e-4) << row[0];
  EXPECT_EQ(Rows("MWdcdt.dat").size(), 5u);
  // The parameters and the initial profile are those of the start again.
  EXPECT_EQ(ParameterVector[5], 4.0f);
  EXPECT_FALSE(FitScanWindow.On);
  EXPECT_EQ(InitialDistribution.Signal[1], 1.0f);
  EXPECT_FALSE(RenderTimeDependentPlot().IsNull());
}

TEST_F(TimeDependentFitTest, IncreasingSetsAndRefusedSetSizes) {
  LoadScans(4);
  ASSERT_TRUE(FitTimeDependentSMIncreasing(window.Handle(), 4));
  const auto m = Rows("MW(t).dat");
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m[2][0], 400.0);
  EXPECT_EQ(m[2][1], 4000.0);
  windows.clear();
  EXPECT_FALSE(FitTimeDependentSMMoving(window.Handle(), 5));
  EXPECT_FALSE(FitTimeDependentSMMoving(window.Handle(), 0));
  EXPECT_TRUE(windows.empty());
  EXPECT_EQ(LogLinesWith("between 1 and 4").size(), 2u);
}

TEST_F(CalculatorCommands, PowerLawCalibrationRecoversTheLaw) {
  // s = 0.01 M^0.6 at three masses.
  std::string text;
  for (double m : {1e4, 1e5, 1e6}) text += std::to_string(0.01 * std::pow(m, 0.6)) + "\t" +
                                           std::to_string(m) + "\n";
  const std::string file = install.Write("calibration.dat", text);
  const auto saved = DistributionSettings.GeneralScalingLaw;
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  backend().ScriptFileDialog(std::vector<std::string>{file});
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // accept
  ASSERT_TRUE(CalibrateCMPowerLaw(window));
  EXPECT_NEAR(DistributionSettings.GeneralScalingLaw.ScalingExponent, 0.6, 1e-4);
  EXPECT_NEAR(DistributionSettings.GeneralScalingLaw.ScalingKs, 0.01, 1e-5);
  // Equal masses have no exponent: refused, the law kept.
  const std::string flat = install.Write("flat.dat", "2 1e5\n3 1e5\n");
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  backend().ScriptFileDialog(std::vector<std::string>{flat});
  EXPECT_FALSE(CalibrateCMPowerLaw(window));
  EXPECT_TRUE(Shown("the same M")) << Log();
  EXPECT_NEAR(DistributionSettings.GeneralScalingLaw.ScalingExponent, 0.6, 1e-4);
  DistributionSettings.GeneralScalingLaw = saved;
}

}  // namespace
