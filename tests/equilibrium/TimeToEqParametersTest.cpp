#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/CRotorSpeedProfile.h"
#include "equilibrium/TimeToEqParameters.h"
#include "support/TestSupport.h"

namespace {

class TimeToEqParametersTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    saved_ = Snapshot();
  }
  void TearDown() override {
    Restore(saved_);
    HeadlessTest::TearDown();
  }
  struct Values {
    float finalRpm, meniscus, step, d1;
    int count;
    bool history, exponential;
  };
  static Values Snapshot() {
    const auto& p = TimeToEqParameters;
    return {p.FinalRpm,       p.ColumnMeniscus, p.InitialStep, p.Species1D,
            p.ParameterCount, p.HistoryMode,    p.ExponentialParameterization};
  }
  static void Restore(const Values& v) {
    auto& p = TimeToEqParameters;
    p.FinalRpm = v.finalRpm;
    p.ColumnMeniscus = v.meniscus;
    p.InitialStep = v.step;
    p.Species1D = v.d1;
    p.ParameterCount = v.count;
    p.HistoryMode = v.history;
    p.ExponentialParameterization = v.exponential;
  }
  Values saved_{};
};

TEST_F(TimeToEqParametersTest, VolumeGivesTheMeniscusOfA12mmCentrepiece) {
  EXPECT_NEAR(VolumeToMeniscus(130.0f, 7.2f), 0.1 * std::sqrt(72.0 * 72.0 - 130.0 / 0.24985548),
              1e-5);
  EXPECT_NEAR(VolumeToMeniscus(130.0f, 7.2f), 6.83f, 0.005f);
  EXPECT_FLOAT_EQ(VolumeToMeniscus(0.0f, 7.2f), 7.2f);
}

TEST_F(TimeToEqParametersTest, FileRoundTripAndShortFile) {
  ScratchFolder folder;
  auto& p = TimeToEqParameters;
  p.HistoryMode = false;
  p.FinalRpm = 21000.0f;
  p.InitialStep = 6.9f;
  p.Species1D = 5.5e-7f;
  p.ParameterCount = 7;
  p.ExponentialParameterization = false;
  const std::string path = folder.File("params.ini");
  ASSERT_TRUE(SaveTimeToEqParameters(path));
  const std::string text = ReadWholeFile(path);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), TimeToEqParameterLines);
  EXPECT_NE(text.find("\n5.500000\n"), std::string::npos);  // D in 1e-7 cm^2/s

  p.FinalRpm = 1.0f;
  p.InitialStep = 0.0f;
  p.Species1D = 0.0f;
  p.ParameterCount = 5;
  p.ExponentialParameterization = true;
  ASSERT_TRUE(LoadTimeToEqParameters(path));
  EXPECT_FLOAT_EQ(p.FinalRpm, 21000.0f);
  EXPECT_FLOAT_EQ(p.InitialStep, 6.9f);
  EXPECT_NEAR(p.Species1D, 5.5e-7f, 1e-12f);
  EXPECT_EQ(p.ParameterCount, 7);
  EXPECT_FALSE(p.ExponentialParameterization);

  // Forty lines: nothing of the file is taken.
  const std::string shortFile = text.substr(0, text.rfind('\n', text.size() - 2) + 1);
  const std::string shortPath = folder.Write("short.ini", shortFile);
  p.FinalRpm = 1.0f;
  EXPECT_FALSE(LoadTimeToEqParameters(shortPath));
  EXPECT_FLOAT_EQ(p.FinalRpm, 1.0f);
  EXPECT_FALSE(LoadTimeToEqParameters(folder.File("none.ini")));
  EXPECT_TRUE(LogLinesWith("could not open").empty());
}

// Every line of the file lands in a field of its own and comes back on the
// same line: a file of distinct values survives a load and a save.
TEST_F(TimeToEqParametersTest, EveryLineSurvivesALoadAndASave) {
  ScratchFolder folder;
  const std::vector<int> flags = {16, 17, 19, 20, 26, 27, 33, 38, 39};  // 0-based lines
  const std::vector<int> wholes = {10, 14, 18};
  std::vector<double> written;
  std::string text;
  for (int i = 0; i < TimeToEqParameterLines; ++i) {
    double v = i + 1.25;
    if (std::find(wholes.begin(), wholes.end(), i) != wholes.end()) v = i + 1;
    // Flags alternate; the history flag stays off (it would ask for its companions).
    if (std::find(flags.begin(), flags.end(), i) != flags.end()) v = i == 39 ? 0 : i % 2;
    written.push_back(v);
    text += std::to_string(v) + "\n";
  }
  ASSERT_TRUE(LoadTimeToEqParameters(folder.Write("in.ini", text)));
  const std::string out = folder.File("out.ini");
  ASSERT_TRUE(SaveTimeToEqParameters(out));
  std::ifstream in(out);
  for (int i = 0; i < TimeToEqParameterLines; ++i) {
    double v = -1;
    ASSERT_TRUE(in >> v) << "line " << i + 1;
    EXPECT_NEAR(v, written[static_cast<std::size_t>(i)], 1e-4 * (1 + std::fabs(v)))
        << "line " << i + 1;
  }
}

TEST_F(TimeToEqParametersTest, HistoryCompanionsAreWrittenAndRequired) {
  ScratchFolder folder;
  auto& p = TimeToEqParameters;
  p.HistoryMode = true;
  p.HistoryDuration = 5400.0f;
  p.HistoryProfile = std::make_unique<CRotorSpeedProfile>();
  float start[3] = {0, 0, 3000}, rpm[3] = {0, 20000, 30000}, acc[3] = {0, 200, 200};
  p.HistoryProfile->SetSteps(2, start, rpm, acc);
  const std::string path = folder.File("sim.ini");
  ASSERT_TRUE(SaveTimeToEqParameters(path));
  const float savedRpm = p.FinalRpm;
  EXPECT_TRUE(std::filesystem::exists(folder.File("sim_iniduration.ini")));
  EXPECT_TRUE(std::filesystem::exists(folder.File("sim_speedsteps.ini")));
  p.HistoryDuration = 0.0f;
  ASSERT_TRUE(LoadTimeToEqParameters(path));
  EXPECT_FLOAT_EQ(p.HistoryDuration, 5400.0f);
  EXPECT_EQ(p.HistoryProfile->SpeedStepCount(), 2);

  // Without the duration file the 41 values still apply; the error names it.
  std::filesystem::remove(folder.File("sim_iniduration.ini"));
  p.FinalRpm = 1.0f;
  EXPECT_FALSE(LoadTimeToEqParameters(path));
  EXPECT_FLOAT_EQ(p.FinalRpm, savedRpm);
  EXPECT_EQ(LogLinesWith("sim_iniduration.ini is missing").size(), 1u);
  p.HistoryProfile.reset();
}

TEST_F(TimeToEqParametersTest, TimeEstimateGrowsWithTheColumnAndTheTarget) {
  const float base = EstimateTimeToEquilibrium(15000, 20, 65000, 0.73f, 1.0f, 7.2f, 6.75f,
                                               6.0e-7f, 0.001f);
  EXPECT_TRUE(std::isfinite(base));
  EXPECT_GT(base, 5.0f);
  EXPECT_LT(base, 100.0f);
  EXPECT_GT(EstimateTimeToEquilibrium(15000, 20, 65000, 0.73f, 1.0f, 7.2f, 6.3f, 6.0e-7f, 0.001f),
            1.5f * base);
  // A target ten times closer adds the decay time of the slowest mode of
  // the column times ln 10: (b - m)^2 / (pi^2 D beta) with beta = 1 +
  // 1/(4 pi^2 alpha^2), alpha = 1/(sigma (b^2 - m^2)).
  const double omega = 15000.0 * 2.0 * M_PI / 60.0;
  const double sigma = 65000.0 * 0.27 * omega * omega / (2.0 * 8.31451e7 * 293.15);
  const double alpha = 1.0 / (sigma * (7.2 * 7.2 - 6.75 * 6.75));
  const double beta = 1.0 + 1.0 / (4.0 * M_PI * M_PI * alpha * alpha);
  const double decayHours = 0.45 * 0.45 / (M_PI * M_PI * 6.0e-7 * beta) / 3600.0;
  const float closer =
      EstimateTimeToEquilibrium(15000, 20, 65000, 0.73f, 1.0f, 7.2f, 6.75f, 6.0e-7f, 0.0001f);
  EXPECT_NEAR(closer - base, decayHours * std::log(10.0), 1e-3 * decayHours);
}

}  // namespace
