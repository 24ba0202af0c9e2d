// The time course of s and M with the real discrete fit: scans of one
// species made by the program's own solver are fitted set by set, moving
// sets starting from their first scan as the initial profile and growing
// sets from the loading. Every set must give the species' s and M back at
// its time, and the series must leave the model as it found it.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/ProgramStartLinks.h"
#include "app/calculators/TimeDependentFit.h"
#include "data/InitialData.h"
#include "data/InitialDistribution.h"
#include "models/FitDriver.h"
#include "models/ModelsTestSupport.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "state/ParameterVector.h"
#include "numerics/RandomNumbers.h"
#include "state/FitScanWindow.h"

namespace {

constexpr int kScans = 6;
constexpr float kS = 4.0f, kM = 50000.0f;

class TimeDependentRealFit : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    ResetFitDisplayLinks();
    WireAsTheProgramStartDoes(window);
    FitDriverSettings = FitDriverSettingsRecord{};
    FitDriverSettings.OptimizerKind = OptimizerChoice::LevenbergMarquardt;
    SeedClockRandomGenerators(7);
    SetUpVelocityFitCell(kScans, 0.01, 900.0, 50000.0f);
    DataFileLocation.DataFolder = folder.path().string() + "/";
    // The data: the species simulated, plus seeded noise.
    SetSpecies(kS, kM, false);
    SimulateModel(nullptr);
    DataFromModelWithNoise(99, 0.003f);
    // The fit starts away from the truth.
    SetSpecies(3.7f, 42000.0f, true);
  }
  void TearDown() override {
    FreeTimeDependentFitData();
    FreeInitialData();
    FitDriverSettings = FitDriverSettingsRecord{};
    ResetFitDisplayLinks();
    ModelsTest::TearDown();
  }
  static void SetSpecies(float s, float M, bool fit) {
    ModelParametersRecord& mp = ModelParameters;
    mp.ComponentOn = {0, 1, 0, 0, 0};
    mp.SedCoefficient[1] = s;
    mp.MassOrD[1] = M;
    mp.Concentration[1] = 1.0f;
    mp.SedCoefficientFitted[1] = mp.MassOrDFitted[1] = mp.ConcentrationFitted[1] = fit ? 1 : 0;
    DeriveFitModeFlags();
    PackParameterVector();
  }
  std::vector<std::vector<double>> Rows(const std::string& name) const {
    std::vector<std::vector<double>> rows;
    std::ifstream in(folder.File(name));
    for (double t, v; in >> t >> v;) rows.push_back({t, v});
    return rows;
  }
  static double Time(int k) { return ScanDataSet.ScanHeaders[ScanDataSet.ScanTimeOrder[k]].Time; }

  ScratchFolder folder;
  TXLAWindow window{"Sedimentation Analysis"};
};

}  // namespace

TEST_F(TimeDependentRealFit, EverySetGivesTheSpeciesBack) {
  struct Case {
    bool moving;
    const char* sFile;
    const char* mFile;
    std::vector<double> times;  // of the sets, in order
  } cases[] = {
      // Sets 1-2, 1-3, then 1-4, 2-5, 3-6 at the middle of their first and
      // last scan.
      {true, "Sdcdt.dat", "MWdcdt.dat",
       {(Time(1) + Time(2)) / 2, (Time(1) + Time(3)) / 2, (Time(1) + Time(4)) / 2,
        (Time(2) + Time(5)) / 2, (Time(3) + Time(6)) / 2}},
      // Sets 1-2 .. 1-6 at their last scan.
      {false, "S(t).dat", "MW(t).dat", {Time(2), Time(3), Time(4), Time(5), Time(6)}},
  };
  const auto start = ParameterVector;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.moving ? "moving sets" : "growing sets");
    ASSERT_TRUE(c.moving ? FitTimeDependentSMMoving(nullptr, 3)
                         : FitTimeDependentSMIncreasing(nullptr, kScans));
    const auto s = Rows(c.sFile), m = Rows(c.mFile);
    ASSERT_EQ(s.size(), c.times.size());
    ASSERT_EQ(m.size(), c.times.size());
    for (std::size_t k = 0; k < s.size(); ++k) {
      EXPECT_NEAR(s[k][0], c.times[k], 1e-3) << k;
      EXPECT_NEAR(s[k][1], kS, 0.01 * kS) << "set " << k;
      EXPECT_NEAR(m[k][1], kM, 0.1 * kM) << "set " << k;
    }
    // The model, the scan window and the initial profile as before.
    EXPECT_EQ(ParameterVector, start);
    EXPECT_FALSE(FitScanWindow.On);
    EXPECT_EQ(InitialDistribution.Signal[1], ScanDataSet.ScanSignal[ScanDataSet.ScanTimeOrder[1]][1]);
  }
}
