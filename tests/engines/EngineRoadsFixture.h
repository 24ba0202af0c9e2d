// What the tests of the simulation through the installed engine roads
// share: four scans of one cell at 50000 rpm, the engine records reset
// around every test, the whole model of the fitted range as one list, and
// its distance from another.

#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "data/InitialDistribution.h"
#include "engines/EngineRoads.h"
#include "engines/InhomogeneousSolvent.h"
#include "engines/LocalSedimentation.h"
#include "engines/ReactingABEngine.h"
#include "models/ModelsTestSupport.h"
#include "models/MovingGridEngine.h"
#include "models/ParameterPacking.h"
#include "models/SimulateModel.h"
#include "state/SpeciesEngineParameters.h"
#include "numerics/ConstantShorthands.h"

namespace engine_roads_test {

inline constexpr double kMeniscus = 5.8, kBottom = 7.2;
inline constexpr float kRpm = 50000.0f;

class RoadsFixture : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    ResetEngineRecords();
    InstallEngineRoads();
    std::vector<TestScan> scans;
    for (int j = 1; j <= 4; ++j) scans.push_back({kMeniscus, kBottom, 0.01, 600.0 * j, nullptr, 0});
    LoadTestScans(scans);
    for (int j = 1; j <= ScanDataSet.NFILES; ++j) {
      ScanHeader& h = ScanDataSet.ScanHeaders[j];
      h.Rpm = kRpm;
      h.Temperature = 20.0f;
      h.RecordedTime = h.Time;
      const double omega = kRpm * kPi / 30.0;
      h.Omega2t = static_cast<float>(omega * omega * h.Time);
      h.RampAcceleration = 1e6;
    }
    ScanDataSet.RampRotorSpeed = false;
    ScanDataSet.FitLeftLim = static_cast<float>(kMeniscus + 0.1);
    ScanDataSet.FitRightLim = static_cast<float>(kBottom - 0.05);
    SolventConditions.GasConstantRT = static_cast<float>(8.31451e7 * 293.15);
    FitControl.MassInsteadOfD = false;
    ModelParameters.Meniscus = static_cast<float>(kMeniscus);
    ModelParameters.Bottom = static_cast<float>(kBottom);
    LammSolverSettings.AutomaticAlgorithm = false;
  }
  void TearDown() override {
    ResetEngineRecords();
    ModelsTest::TearDown();
  }
  static void ResetEngineRecords() {
    SimulationRoads = SimulationRoadsRecord{};
    SpeciesEngineParameters = SpeciesEngineParametersRecord{};
    FreeAssociationTable();
    AssociationParameters = AssociationParametersRecord{};
    ReactingSystemParameters = ReactingSystemParametersRecord{};
    ReactingEngine = ReactingEngineRecord{};
    MovingGridEngine = MovingGridEngineRecord{};
    MovingGridCoefficientSource = MovingGridCoefficientSourceRecord{};
    InhomogeneousSolventSettings = InhomogeneousSolventSettingsRecord{};
    InitialDistribution = InitialDistributionRecord{};
  }

  // One ideal species (s in S, D in 1e-7 cm^2/s, loading in signal units)
  // as the discrete model's only component.
  static void SetIdealComponent(float s, float d, float loading) {
    ModelSelection.Kind = ModelKind::NonInteractingSpecies;
    ModelParametersRecord& mp = ModelParameters;
    mp.ComponentOn = {0, 1, 0, 0, 0};
    mp.Concentration = {0, loading, 0, 0, 0};
    mp.SedCoefficient = {0, s, 0, 0, 0};
    mp.MassOrD = {0, d, 0, 0, 0};
  }

  // The model of every scan inside the fitted range, scan after scan.
  static std::vector<float> Simulate() {
    PackParameterVector();
    SimulateModel(nullptr);
    std::vector<float> all;
    for (int j = 1; j <= ScanDataSet.NFILES; ++j)
      for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k)
        if (ScanDataSet.ScanRadius[j][k] <= ScanDataSet.FitRightLim)
          all.push_back(ScanDataSet.ScanModel[j][k]);
    return all;
  }

  static double RmsDifference(const std::vector<float>& a, const std::vector<float>& b) {
    EXPECT_EQ(a.size(), b.size());
    double sum = 0.0;
    for (std::size_t k = 0; k < a.size(); ++k) sum += (a[k] - b[k]) * (a[k] - b[k]);
    return std::sqrt(sum / static_cast<double>(a.size()));
  }
};

}  // namespace engine_roads_test
