// The Lamm preference file: missing and short files, damaged lines, the
// write/read round trip of all 28 values and the minimums of the grid
// settings read from a hand-edited file.

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "state/ProgramPaths.h"
#include "data/ScanDataSet.h"
#include "models/LammPreferenceFile.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "support/NoWindowHooks.h"
#include "support/TestSupport.h"

namespace {

class LammPreferenceFileTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    savedPaths_ = ProgramPaths;
    SetInstallationFolder(folder_.path().string());
    ResetRecords();
    // No window: the diagnostics lines of a read or save are dropped.
    testsupport::InstallNoWindowHooks();
  }
  void TearDown() override {
    ResetRecords();
    ProgramPaths = savedPaths_;
    HeadlessTest::TearDown();
  }
  static void ResetRecords() {
    LammSolverSettings = LammSolverSettingsRecord{};
    FitControl = FitControlRecord{};
    ModelParameters = ModelParametersRecord{};
    ScanDataSet.TimesFromW2t = false;
    ScanDataSet.RampRotorSpeed = true;
    ScanDataSet.CheckRotorAcceleration = true;
  }
  // A file of the default values with the given positions replaced; count
  // values are written.
  void WriteFile(int count, const std::vector<std::pair<int, std::string>>& replaced = {}) {
    SaveLammEqParameterPreferences(nullptr);
    std::vector<std::string> lines;
    std::istringstream in(ReadWholeFile(LammPreferenceFilePath()));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), 28u);
    for (const auto& [pos, text] : replaced) lines[static_cast<std::size_t>(pos)] = text;
    lines.resize(static_cast<std::size_t>(count));
    std::ofstream out(LammPreferenceFilePath(), std::ios::trunc);
    for (const std::string& line : lines) out << line << '\n';
  }
  int LinesInFile() const {
    std::istringstream in(ReadWholeFile(LammPreferenceFilePath()));
    int n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
  }

  ScratchFolder folder_;
  ProgramPathsRecord savedPaths_;
};

TEST_F(LammPreferenceFileTest, PathIsInTheInstallationFolder) {
  EXPECT_EQ(LammPreferenceFilePath(), folder_.File("zedarozazururaro.ini"));
}

TEST_F(LammPreferenceFileTest, MissingFileKeepsDefaultsSilently) {
  LammSolverSettings.PointsPerSigma = 7.0f;
  EXPECT_FALSE(ReadLammEqParameterPreferences(nullptr));
  EXPECT_EQ(LammSolverSettings.PointsPerSigma, 7.0f);
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(LammPreferenceFileTest, EveryValueSurvivesWriteAndRead) {
  LammSolverSettingsRecord& s = LammSolverSettings;
  s.SwitchThreshold = 4.5f;
  s.BackDiffusionShutOff = false;
  s.BackDiffusionLevel = 0.002;
  s.AutoGridSize = false;
  s.DefaultLammGridSize = 777;
  s.PointsPerSigma = 7.5f;
  s.MaxGridSize = 3000;
  s.MinGridSize = 120;
  ScanDataSet.TimesFromW2t = true;
  s.AutomaticAlgorithm = false;
  s.FixedTimeStep = true;
  s.FixedGrid = true;
  s.MovingFrame = false;
  s.AutoSGrid = false;
  s.AutoSGridValue = -2.5;
  FitControl.FitCycleTolerance = 0.002f;
  s.MaxChangePerStep = 2.0;
  s.SwitchThresholdOptimized = 45.25f;
  s.OptimizeGridSpacing = false;
  ModelParameters.InitialConcentrationExperimental = true;
  s.DynamicTruncation = false;
  s.TruncationThreshold = 1e-5;
  s.ScanTimeCorrectionOn = true;
  s.RadialResolutionOn = true;
  s.ScanVelocity = 1.5f;
  s.RadialResolutionRange = 0.0125f;
  ScanDataSet.CheckRotorAcceleration = false;
  s.VariableSpeedDShutOff = 12.5;
  const LammSolverSettingsRecord written = s;
  const float tolerance = FitControl.FitCycleTolerance;
  SaveLammEqParameterPreferences(nullptr);
  EXPECT_EQ(LinesInFile(), LammPreferenceValueCount);

  ResetRecords();
  ModelParameters.InitialConcentrationConstant = true;
  ASSERT_TRUE(ReadLammEqParameterPreferences(nullptr));
  const LammSolverSettingsRecord& r = LammSolverSettings;
  EXPECT_EQ(r.SwitchThreshold, written.SwitchThreshold);
  EXPECT_EQ(r.BackDiffusionShutOff, written.BackDiffusionShutOff);
  EXPECT_NEAR(r.BackDiffusionLevel, written.BackDiffusionLevel, 1e-9);
  EXPECT_EQ(r.AutoGridSize, written.AutoGridSize);
  EXPECT_EQ(r.DefaultLammGridSize, written.DefaultLammGridSize);
  EXPECT_EQ(r.PointsPerSigma, written.PointsPerSigma);
  EXPECT_EQ(r.MaxGridSize, written.MaxGridSize);
  EXPECT_EQ(r.MinGridSize, written.MinGridSize);
  EXPECT_TRUE(ScanDataSet.TimesFromW2t);
  EXPECT_FALSE(ScanDataSet.RampRotorSpeed);  // always the opposite
  EXPECT_EQ(r.AutomaticAlgorithm, written.AutomaticAlgorithm);
  EXPECT_EQ(r.FixedTimeStep, written.FixedTimeStep);
  EXPECT_EQ(r.FixedGrid, written.FixedGrid);
  EXPECT_EQ(r.MovingFrame, written.MovingFrame);
  EXPECT_EQ(r.AutoSGrid, written.AutoSGrid);
  EXPECT_DOUBLE_EQ(r.AutoSGridValue, written.AutoSGridValue);
  EXPECT_FLOAT_EQ(FitControl.FitCycleTolerance, tolerance);
  EXPECT_DOUBLE_EQ(r.MaxChangePerStep, written.MaxChangePerStep);
  EXPECT_EQ(r.SwitchThresholdOptimized, written.SwitchThresholdOptimized);
  EXPECT_EQ(r.OptimizeGridSpacing, written.OptimizeGridSpacing);
  EXPECT_TRUE(ModelParameters.InitialConcentrationExperimental);
  EXPECT_TRUE(ModelParameters.InitialConcentrationConstant);  // the partner keeps its value
  EXPECT_EQ(r.DynamicTruncation, written.DynamicTruncation);
  EXPECT_NEAR(std::log10(r.TruncationThreshold), -5.0, 1e-6);
  EXPECT_EQ(r.ScanTimeCorrectionOn, written.ScanTimeCorrectionOn);
  EXPECT_EQ(r.RadialResolutionOn, written.RadialResolutionOn);
  EXPECT_EQ(r.ScanVelocity, written.ScanVelocity);
  EXPECT_EQ(r.RadialResolutionRange, written.RadialResolutionRange);
  EXPECT_FALSE(ScanDataSet.CheckRotorAcceleration);
  EXPECT_DOUBLE_EQ(r.VariableSpeedDShutOff, written.VariableSpeedDShutOff);
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(LammPreferenceFileTest, OlderLayoutIsReadAndRewrittenInFull) {
  LammSolverSettings.PointsPerSigma = 8.0f;
  WriteFile(26);
  ResetRecords();
  ScanDataSet.CheckRotorAcceleration = false;  // not in the file: stays
  LammSolverSettings.VariableSpeedDShutOff = 3.0;
  ASSERT_TRUE(ReadLammEqParameterPreferences(nullptr));
  EXPECT_EQ(LammSolverSettings.PointsPerSigma, 8.0f);
  EXPECT_FALSE(ScanDataSet.CheckRotorAcceleration);
  EXPECT_EQ(LammSolverSettings.VariableSpeedDShutOff, 3.0);
  EXPECT_EQ(LinesInFile(), LammPreferenceValueCount);
}

// A file too short, or damaged before its 26th value, is reported once and
// changes nothing; damage after it only loses the newer values. A blank line
// is skipped like any white space before a number, so the values after it
// move up by one place; the grid settings stay sensible even then.
TEST_F(LammPreferenceFileTest, ShortOrDamagedFiles) {
  struct Case {
    const char* name;
    int count;
    std::vector<std::pair<int, std::string>> replaced;
    bool read;
    bool shifted;
  };
  const std::vector<Case> cases = {
      {"25 values", 25, {}, false, false},
      {"empty file", 0, {}, false, false},
      {"text on line 10", 28, {{9, "abc"}}, false, false},
      {"number out of range on line 2", 28, {{1, "1e99"}}, false, false},
      {"control bytes on line 1", 28, {{0, std::string("\x01\x02\xff", 3)}}, false, false},
      {"text on line 27", 28, {{26, "yes"}}, true, false},
      {"trailing words", 28, {{4, "500 points"}}, true, false},
      {"empty line 3", 28, {{2, ""}}, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetRecords();
    LammSolverSettings.PointsPerSigma = 6.0f;
    WriteFile(c.count, c.replaced);
    ResetRecords();
    backend().ClearLog();
    EXPECT_EQ(ReadLammEqParameterPreferences(nullptr), c.read);
    if (!c.shifted) {
      EXPECT_EQ(LammSolverSettings.PointsPerSigma, c.read ? 6.0f : 5.0f);
    }
    EXPECT_GE(LammSolverSettings.DefaultLammGridSize, MinimumLammGridSize);
    EXPECT_GE(LammSolverSettings.MinGridSize, MinimumLammGridSize);
    EXPECT_GE(LammSolverSettings.MaxGridSize, LammSolverSettings.MinGridSize);
    EXPECT_GE(LammSolverSettings.PointsPerSigma, MinimumPointsPerSigma);
    EXPECT_EQ(LogLinesWith("cannot find").size(), c.read ? 0u : 1u);
    if (!c.read) {
      ASSERT_EQ(LogLinesWith("LAMM EQUATION PARAMETERS").size(), 1u);
      EXPECT_NE(LogLinesWith("-> using defaults now").size(), 0u);
    }
  }
}

// Grid size, dynamic limits and points per sigma from a hand-edited file:
// never an empty, negative or inverted grid range, and no undefined
// conversion of huge values.
TEST_F(LammPreferenceFileTest, GridSettingsReadHaveSensibleMinimums) {
  struct Case {
    const char* name;
    const char *size, *pps, *upper, *lower;
    int wantSize;
    float wantPps;
    int wantUpper, wantLower;
  };
  const Case cases[] = {
      {"sound values", "800", "4.5", "1500", "100", 800, 4.5f, 1500, 100},
      {"zeros", "0", "0", "0", "0", 50, 1.0f, 50, 50},
      {"negatives", "-1000", "-3", "-5", "-75", 50, 1.0f, 50, 50},
      {"tiny", "3", "0.2", "10", "2", 50, 1.0f, 50, 50},
      {"upper below lower", "1000", "5", "80", "120", 1000, 5.0f, 120, 120},
      {"beyond every int", "3e38", "1e20", "3e38", "60", 2147483647, 1e20f, 2147483647, 60},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetRecords();
    WriteFile(28, {{4, c.size}, {5, c.pps}, {6, c.upper}, {7, c.lower}});
    ResetRecords();
    ASSERT_TRUE(ReadLammEqParameterPreferences(nullptr));
    EXPECT_EQ(LammSolverSettings.DefaultLammGridSize, c.wantSize);
    EXPECT_EQ(LammSolverSettings.PointsPerSigma, c.wantPps);
    EXPECT_EQ(LammSolverSettings.MaxGridSize, c.wantUpper);
    EXPECT_EQ(LammSolverSettings.MinGridSize, c.wantLower);
  }
}

// Values that a file cannot carry but an entry might.
TEST(LammGridMinimums, GridInUseAndValuesThatAreNoNumbers) {
  LammSolverSettingsRecord s;
  EXPECT_FALSE(EnforceLammGridMinimums(s));
  s.LammGridSize = 10;
  EXPECT_TRUE(EnforceLammGridMinimums(s));
  EXPECT_EQ(s.LammGridSize, MinimumLammGridSize);
  for (float pps : {std::nanf(""), INFINITY, -INFINITY}) {
    s.PointsPerSigma = pps;
    EXPECT_TRUE(EnforceLammGridMinimums(s));
    EXPECT_EQ(s.PointsPerSigma, LammSolverSettingsRecord{}.PointsPerSigma);
  }
}

}  // namespace
