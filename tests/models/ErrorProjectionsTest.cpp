// Error projections on synthetic one-species data of known noise, and the
// rmsd maps walked over analytic surfaces: row counts, the snake of the
// full grid, the contour line and a level that is never reached.

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "models/ErrorProjections.h"
#include "models/FitDriver.h"
#include "models/ModelsTestSupport.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "state/ParameterVector.h"
#include "numerics/RandomNumbers.h"

namespace {

constexpr int kScans = 8;
constexpr float kRpm = 50000.0f;

class ErrorProjectionsTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    SeedClockRandomGenerators(5);
    SetUpVelocityFitCell(kScans, 0.005, 1500.0, kRpm);
    ContourRefit = SimplexWithRestarts;
  }
  void TearDown() override {
    ContourRefit = SimplexWithRestarts;
    ModelsTest::TearDown();
  }
  // One species of 4 S and 50 kDa with seeded noise; then the model with
  // only its loading floating (solved linearly), s and M fixed at the truth.
  static void MakeData(float noise) {
    ModelParametersRecord& m = ModelParameters;
    m.ComponentOn = {0, 1, 0, 0, 0};
    m.SedCoefficient[1] = 4.0f;
    m.MassOrD[1] = 50000.0f;
    m.Concentration[1] = 1.0f;
    m.SedCoefficientFitted[1] = m.MassOrDFitted[1] = m.ConcentrationFitted[1] = 0;
    DeriveFitModeFlags();
    PackParameterVector();
    SimulateModel(nullptr);
    DataFromModelWithNoise(77, noise);
    m.ConcentrationFitted[1] = 1;
    DeriveFitModeFlags();
    PackParameterVector();
  }
};

TEST_F(ErrorProjectionsTest, ProjectionOfSBracketsTheTruthAndNarrowsWithLessNoise) {
  float widths[2] = {0.0f, 0.0f};
  const float noises[2] = {0.01f, 0.005f};
  for (int i = 0; i < 2; ++i) {
    MakeData(noises[i]);
    const float best = SimplexWithRestarts(nullptr);
    ASSERT_GT(best, 0.0f);
    EXPECT_NEAR(best, noises[i], 0.1f * noises[i]);
    const float critical = best * 1.02f;
    float lower = 0.0f, upper = 0.0f;
    ASSERT_EQ(ErrorProjectionS(nullptr, 0.02f, critical, lower, upper), ProjectionResult::Found);
    EXPECT_LT(lower, 4.0f);
    EXPECT_GT(upper, 4.0f);
    // The held s is back at its value, and stays unfitted.
    EXPECT_FLOAT_EQ(ParameterVector[5], 4.0f);
    EXPECT_EQ(ParameterFitted[5], 0);
    widths[i] = upper - lower;
  }
  // The interval scales with the noise.
  EXPECT_NEAR(widths[1] / widths[0], 0.5f, 0.15f);
  EXPECT_EQ(ProjectionSummaryS(4.0f, 3.9f, 4.1f, 0.0102f),
            "s = 4.000 [3.900, 4.100] S\n(critical rmsd value is 0.010200)");
}

TEST_F(ErrorProjectionsTest, ProjectionThatNeverReachesTheLevelSaysNotFound) {
  MakeData(0.01f);
  // A flat surface: no held value ever reaches the critical rmsd.
  ContourRefit = [](platform::WindowHandle) { return 0.0f; };
  float lower = 0.0f, upper = 0.0f;
  EXPECT_EQ(ErrorProjectionS(nullptr, 0.1f, 1e6f, lower, upper), ProjectionResult::NotFound);
  EXPECT_EQ(lower, 0.0f);
  EXPECT_EQ(upper, 0.0f);
  EXPECT_FLOAT_EQ(ParameterVector[5], 4.0f);
}

class ContourMapsTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    SelectModelKind(ModelKind::NonInteractingSpecies);
    PackParameterVector();
  }
  void TearDown() override {
    ContourRefit = SimplexWithRestarts;
    ModelsTest::TearDown();
  }
  static std::vector<std::vector<float>> ReadRows(const std::string& path) {
    std::vector<std::vector<float>> rows;
    std::istringstream in(ReadWholeFile(path));
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream fields(line);
      std::vector<float> row;
      float v = 0.0f;
      while (fields >> v) row.push_back(v);
      if (!row.empty()) rows.push_back(row);
    }
    return rows;
  }
  ScratchFolder folder_;
};

TEST_F(ContourMapsTest, GridCountsAndTheLgKRows) {
  EXPECT_EQ(ContourGridCount(3.0f, 5.0f, 0.5f), 5);
  EXPECT_EQ(ContourGridCount(3.0f, 5.2f, 0.5f), 5);
  EXPECT_EQ(ContourGridCount(0.0f, 0.3f, 0.1f), 4);  // float steps that land just short
  ContourRefit = [](platform::WindowHandle) { return ParameterVector[3] * 0.001f; };
  const std::string path = folder_.File("Kcontour.dat");
  EXPECT_EQ(ContourMapK(nullptr, path, 3.0f, 5.2f, 0.5f), 5);
  const auto rows = ReadRows(path);
  ASSERT_EQ(rows.size(), 5u);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_NEAR(rows[i][0], 3.0f + 0.5f * static_cast<float>(i), 1e-5f);
    EXPECT_NEAR(rows[i][1], rows[i][0] * 0.001f, 1e-6f);
  }
  EXPECT_FALSE(FitControl.FitAbort);
}

TEST_F(ContourMapsTest, FullGridWalksYUpDownUp) {
  ContourRefit = [](platform::WindowHandle) { return ParameterVector[5] + ParameterVector[1]; };
  const std::string path = folder_.File("contour.dat");
  // x = s: 1, 2, 3; y = M: 10, 20, 30, 40.
  EXPECT_EQ(ContourMapSM(nullptr, path, 1, 3, 1, 10, 40, 10, 0, 1, 10), 12);
  const auto rows = ReadRows(path);
  ASSERT_EQ(rows.size(), 12u);
  const float ys[12] = {10, 20, 30, 40, 40, 30, 20, 10, 10, 20, 30, 40};
  for (std::size_t i = 0; i < 12; ++i) {
    EXPECT_FLOAT_EQ(rows[i][0], static_cast<float>(1 + i / 4)) << i;
    EXPECT_FLOAT_EQ(rows[i][1], ys[i]) << i;
    EXPECT_FLOAT_EQ(rows[i][2], rows[i][0] + rows[i][1]) << i;
  }
}

TEST_F(ContourMapsTest, ContourLineOfABowlIsClosedAndNearTheLevel) {
  // rmsd = distance squared from (5, 5): the level 4 is the circle of radius 2.
  ContourRefit = [](platform::WindowHandle) {
    const float dx = ParameterVector[5] - 5.0f, dy = ParameterVector[6] - 5.0f;
    return dx * dx + dy * dy;
  };
  const std::string path = folder_.File("contour.dat");
  const int evaluated = ContourMapS1S2(nullptr, path, 0, 10, 0.5f, 0, 10, 0.5f, 4.0f, 5, 5);
  EXPECT_GT(evaluated, 4);
  EXPECT_LT(evaluated, 21 * 21);  // it follows the line instead of covering the grid
  const auto points = ReadRows(path);
  ASSERT_GE(points.size(), 3u);
  EXPECT_EQ(points.front(), points.back());
  for (const auto& p : points) {
    const float r = std::hypot(p[0] - 5.0f, p[1] - 5.0f);
    EXPECT_NEAR(r, 2.0f, 0.3f);
  }

  // A level above every value of the surface: an empty line and the message.
  ContourRefit = [](platform::WindowHandle) { return 1.0f; };
  ContourMapS1S2(nullptr, path, 0, 2, 1, 0, 2, 1, 5.0f, 0, 0);
  EXPECT_EQ(ReadWholeFile(path), "");
  EXPECT_EQ(LogLinesWith("level not reached").size(), 1u);
}

}  // namespace
