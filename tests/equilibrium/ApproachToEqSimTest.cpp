#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "equilibrium/ApproachToEqSim.h"
#include "equilibrium/EquilibriumKernels.h"
#include "equilibrium/TimeToEqParameters.h"
#include "support/TestSupport.h"

namespace {

constexpr double kR = 8.31451e7;  // erg/(mol K)

struct SimSpecies {
  float c = 1.0f, s = 4.31f, D = 6.0e-7f;
};

// A one-based copy of one value, as SetSystem takes its species arrays.
struct OneSpecies {
  float c[2], s[2], D[2];
  explicit OneSpecies(SimSpecies sp) : c{0, sp.c}, s{0, sp.s}, D{0, sp.D} {}
};

// The amount in the cell, the integral of c r dr from the meniscus to the
// bottom of the piecewise-linear profile on the grid, cut at the bottom (the
// grid's last point may lie beyond it). Trapezoids of c r, fine enough on
// the 0.002 cm grid.
double AmountToBottom(const CApproachToEqSim& sim, const float* c) {
  double sum = 0.0;
  for (int i = 1; i < sim.PointCount; ++i) {
    const double r0 = sim.Radii[i], r1 = sim.Radii[i + 1];
    if (r0 >= sim.Bottom) break;
    double c1 = c[i + 1], end = r1;
    if (r1 > sim.Bottom) {
      end = sim.Bottom;
      c1 = c[i] + (c[i + 1] - c[i]) * (end - r0) / (r1 - r0);
    }
    sum += 0.5 * (c[i] * r0 + c1 * end) * (end - r0);
  }
  return sum;
}

class ApproachToEqSimTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    TimeToEqParameters.HistoryMode = false;
    TimeToEqParameters.InitialEqRpm = 0.0f;
    TimeToEqParameters.InitialStep = 0.0f;
  }
};

TEST_F(ApproachToEqSimTest, GridScansAndLimitsOfTheSystem) {
  const OneSpecies sp({});
  CApproachToEqSim sim;
  // Limits in reverse order, the left one below the meniscus.
  sim.SetSystem(nullptr, 10.0f, 7.2f, 6.75f, 7.15f, 0.0f, 1, sp.c, sp.s, sp.D, 0.73f, 20.0f,
                15000.0f);
  EXPECT_EQ(sim.PointCount, 227);
  EXPECT_NEAR(sim.Radii[227], 7.202f, 1e-4f);
  EXPECT_EQ(sim.ScanCount, 20);
  EXPECT_DOUBLE_EQ(sim.ScanHeaders[1].Time, 1800.0);
  EXPECT_DOUBLE_EQ(sim.ScanHeaders[20].Time, 36000.0);
  EXPECT_FLOAT_EQ(sim.FitLeftLimit, 6.76f);
  EXPECT_FLOAT_EQ(sim.FitRightLimit, 7.15f);
  EXPECT_GT(sim.Radii[sim.FitFirstIndex], sim.FitLeftLimit);
  EXPECT_LE(sim.Radii[sim.FitFirstIndex - 1], sim.FitLeftLimit);
  EXPECT_LE(sim.Radii[sim.FitLastIndex], sim.FitRightLimit);
  EXPECT_GT(sim.Radii[sim.FitLastIndex + 1], sim.FitRightLimit);
  // Omega^2 t of a scan after the ramp: full speed minus two thirds of the
  // ramp.
  const double w2 = std::pow(15000.0 * 2.0 * M_PI / 60.0, 2.0);
  EXPECT_NEAR(sim.ScanHeaders[1].Omega2t, w2 * (1800.0 - 2.0 / 3.0 * 15000.0 / 280.0),
              1e-6 * w2 * 1800.0);
}

// The equilibrium profile against the Boltzmann distribution written from
// the meniscus with the buoyant mass of the Svedberg equation, and against
// the exponent factor of the equilibrium kernels.
TEST_F(ApproachToEqSimTest, EquilibriumProfileIsTheBoltzmannDistribution) {
  const SimSpecies species{2.0f, 4.31f, 6.0e-7f};
  const OneSpecies sp(species);
  CApproachToEqSim sim;
  sim.SetSystem(nullptr, 1.0f, 7.2f, 6.75f, 6.77f, 7.15f, 1, sp.c, sp.s, sp.D, 0.73f, 20.0f,
                15000.0f);
  const double T = 293.15;
  const double Mb = species.s * 1e-13 * kR * T / species.D;
  const double sigma = Mb * EquilibriumExponentFactor(15000.0f, 20.0f);
  const double m = 6.75, b = 7.2;
  const double span = sigma * (b * b - m * m);
  for (int i : {1, 50, 150, 226}) {
    const double r = sim.Radii[i];
    const double expected = species.c * span / (std::exp(span) - 1.0) *
                            std::exp(sigma * (r * r - m * m));
    EXPECT_NEAR(sim.EquilibriumProfile[i], expected, 2e-4 * expected) << "point " << i;
  }
}

TEST_F(ApproachToEqSimTest, ANonSedimentingSpeciesStaysFlat) {
  const OneSpecies sp({0.7f, 0.0f, 6.0e-7f});
  CApproachToEqSim sim;
  sim.SetSystem(nullptr, 1.0f, 7.2f, 6.75f, 6.77f, 7.15f, 1, sp.c, sp.s, sp.D, 0.73f, 20.0f,
                15000.0f);
  for (int i = 1; i <= sim.PointCount; ++i) ASSERT_FLOAT_EQ(sim.EquilibriumProfile[i], 0.7f);
  EXPECT_TRUE(sim.MakeInitialProfiles(15000.0f, 0, 0, nullptr, nullptr, nullptr, 0.0f, 0.0f));
  EXPECT_FLOAT_EQ(sim.InitialProfiles[1][100], 1.0f);
}

TEST_F(ApproachToEqSimTest, StepLoadingRisesOverThreePoints) {
  const OneSpecies sp({});
  CApproachToEqSim sim;
  sim.SetSystem(nullptr, 1.0f, 7.2f, 6.75f, 6.77f, 7.15f, 1, sp.c, sp.s, sp.D, 0.73f, 20.0f,
                15000.0f);
  ASSERT_TRUE(sim.MakeInitialProfiles(15000.0f, 0, 0, nullptr, nullptr, nullptr, 0.0f, 6.9f));
  int step = 1;
  while (sim.Radii[step] <= 6.9f) ++step;
  const OneBasedArray<float>& q = sim.InitialProfiles[1];
  const float H = q[step + 2];
  EXPECT_GT(H, 1.0f);
  EXPECT_FLOAT_EQ(q[step - 2], 0.0f);
  EXPECT_FLOAT_EQ(q[step - 1], 0.2f * H);
  EXPECT_FLOAT_EQ(q[step], 0.5f * H);
  EXPECT_FLOAT_EQ(q[step + 1], 0.8f * H);
  EXPECT_FLOAT_EQ(q[sim.PointCount], H);
  EXPECT_FLOAT_EQ(sim.InitialTime, 1.0f);
  // A different number of given profiles than species is refused.
  float r[3] = {0, 6.7f, 7.3f}, v[3] = {0, 1, 1};
  float* profiles[3] = {nullptr, v, v};
  EXPECT_FALSE(sim.MakeInitialProfiles(15000.0f, 2, 2, r, profiles, nullptr, 0.0f, 0.0f));
}

TEST_F(ApproachToEqSimTest, SpeedCourseAndItsFiles) {
  const OneSpecies sp({});
  CApproachToEqSim sim;
  sim.SetSystem(nullptr, 10.0f, 7.2f, 6.75f, 6.77f, 7.15f, 1, sp.c, sp.s, sp.D, 0.73f, 20.0f,
                15000.0f);
  float start[3] = {0, 0, 3600}, rpm[3] = {0, 28000, 15000}, acc[3] = {0, 280, 200};
  sim.SetSpeedSteps(1, start, rpm, acc, 2);
  int n = 0;
  OneBasedArray<float> t, w;
  ASSERT_TRUE(sim.SpeedCourse(&n, &t, &w));
  ASSERT_EQ(n, 3);
  EXPECT_FLOAT_EQ(t[1], 0.0f);
  EXPECT_FLOAT_EQ(w[1], 0.0f);
  EXPECT_FLOAT_EQ(t[2], 100.0f / 3600.0f);
  EXPECT_FLOAT_EQ(w[2], 28000.0f);
  EXPECT_FLOAT_EQ(t[3], 10.0f);
  EXPECT_FALSE(sim.SpeedCourse(nullptr, &t, &w));

  sim.SetSpeedSteps(2, start, rpm, acc, 2);
  ASSERT_TRUE(sim.SpeedCourse(&n, &t, &w));
  ASSERT_EQ(n, 5);
  EXPECT_FLOAT_EQ(t[3], 1.0f);
  EXPECT_FLOAT_EQ(w[3], 28000.0f);
  EXPECT_FLOAT_EQ(t[4], (3600.0f + 13000.0f / 200.0f) / 3600.0f);
  EXPECT_FLOAT_EQ(w[4], 15000.0f);

  ScratchFolder folder;
  ASSERT_TRUE(sim.WriteSpeedSteps(folder.File("steps.txt"), false));
  EXPECT_EQ(ReadWholeFile(folder.File("steps.txt")),
            "0.000000\t28000.000000\t280.000000\n3600.000000\t15000.000000\t200.000000");
  const std::string course = ReadWholeFile(folder.File("steps_rpmtimecourse.txt"));
  EXPECT_EQ(std::count(course.begin(), course.end(), '\n'), 3);
  EXPECT_EQ(course.back(), '0');  // the last line has no line end

  // Twenty scans: the distance table leaves the last one out.
  for (int k = 1; k <= sim.ScanCount; ++k)
    for (int i = 1; i <= sim.PointCount; ++i) sim.TotalScans[k][i] = sim.EquilibriumProfile[i];
  sim.EvaluateApproach(0.001f, 0.001f);
  EXPECT_EQ(sim.RmsdScanIndex, 1);
  EXPECT_FLOAT_EQ(sim.TimeToRmsd, 1800.0f);
  ASSERT_TRUE(sim.WriteDeltaEqFile(folder.File("any.name"), "constantspeed_DeltaEQ.txt"));
  const std::string table = ReadWholeFile(folder.File("constantspeed_DeltaEQ.txt"));
  EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 19);
  EXPECT_FALSE(sim.WriteDeltaEqFile(folder.File("missing/x"), "d.txt"));
  EXPECT_FALSE(LogLinesWith("could not open").empty());
}

// A constant-speed run: the simulated column keeps its amount (the integral
// of c r dr) at every scan, approaches equilibrium monotonically, and ends
// at the equilibrium profile; the two species are solved side by side.
TEST_F(ApproachToEqSimTest, SimulatedApproachKeepsMassAndEndsAtEquilibrium) {
  float c[3] = {0, 0.6f, 0.4f}, s[3] = {0, 4.0f, 6.0f}, D[3] = {0, 8.0e-7f, 6.0e-7f};
  CApproachToEqSim sim;
  sim.ScanInterval = 7200.0f;
  sim.SetSystem(nullptr, 40.0f, 7.2f, 7.0f, 7.01f, 7.15f, 2, c, s, D, 0.73f, 20.0f, 12000.0f);
  ASSERT_TRUE(sim.SimulateAll());
  const double loaded = 1.0 * (7.2 * 7.2 - 7.0 * 7.0) / 2.0;
  for (int k = 1; k <= sim.ScanCount; ++k)
    EXPECT_NEAR(AmountToBottom(sim, sim.TotalScans[k]), loaded, 2e-3 * loaded) << "scan " << k;
  EXPECT_NEAR(AmountToBottom(sim, sim.EquilibriumProfile.data()), loaded, 1e-3 * loaded);
  sim.EvaluateApproach(0.002f, 0.002f);
  // Monotone until the distance reaches the grid's discretisation floor.
  for (int k = 2; k <= sim.ScanCount; ++k) {
    if (sim.Rmsd[k - 1] > 1e-3f) {
      EXPECT_LE(sim.Rmsd[k], sim.Rmsd[k - 1]) << "scan " << k;
    }
  }
  EXPECT_LT(sim.Rmsd[sim.ScanCount], 0.002f);
  EXPECT_LT(sim.TimeToRmsd, 40.0f * 3600.0f);
  EXPECT_GT(sim.Rmsd[1], 0.01f);
}

}  // namespace
