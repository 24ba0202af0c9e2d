// A c(s) analysis of data seen through a nonlinear detector, run with the
// inverse power law as the detection transform, finds the species of the
// data as they were before the detector bent them.
#include <gtest/gtest.h>

#include <cmath>

#include "data/DataSetLinks.h"
#include "distributions/ContiRunFixture.h"
#include "distributions/RunContiSed.h"
#include "distributions/StoredDistribution.h"
#include "distributions/SyntheticVelocityData.h"
#include "models/ParameterPacking.h"
#include "models/SimulationRoads.h"
#include "models/TempParameterFile.h"
#include "numerics/Hydrodynamics.h"
#include "tools/NonlinearDetection.h"

namespace {

namespace sv = synthetic_velocity;

class NonlinearDetectionRunTest : public ContiRunTest {
 protected:
  void TearDown() override {
    StoredDistributionServices = savedServices_;
    ContiKernelServices = ContiKernelServicesRecord{};
    ::ReapplyNonlinearDetection = [](bool) {};
    ::FreeNonlinearDetectionArrays = [] {};
    SimulationRoads.ApplyNonlinearDetection = nullptr;
    SimulationRoads.UpdateNonlinearDetection = nullptr;
    CorrectionOptions.Fluorescence = FluorescenceCorrectionsRecord{};
    ContiRunTest::TearDown();
  }
  StoredDistributionServicesRecord savedServices_ = StoredDistributionServices;
};

// Signal-weighted mean s of the stored density between lo and hi.
double PeakPosition(double lo, double hi) {
  const auto& x = DistributionResult.DistSGrid;
  const auto& v = DistributionResult.DistValues;
  double area = 0.0, moment = 0.0;
  for (int i = 2; i < DistributionSettings.DistGridSize; ++i) {
    if (x[i] < lo || x[i] >= hi) continue;
    const double a = v[i] * (x[i + 1] - x[i - 1]) / 2.0;
    area += a;
    moment += a * x[i];
  }
  return area > 0.0 ? moment / area : 0.0;
}

}  // namespace

TEST_F(NonlinearDetectionRunTest, TransformedDataGiveTheOriginalPeaks) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  ParameterVector[1] = 1.0f;
  ParameterVector[2] = 0.68f;
  ParameterVector[3] = 0.73f;
  ParameterVector[4] = 0.3f;
  ParameterVector[5] = 12.0f;
  ParameterVector[7] = 1.0f;
  ParameterVector[9] = 50.0f;
  ParameterVector[11] = 1.2f;
  ParameterVector[12] = 0.01002f;
  ParameterVector[13] = 5.8f;
  ParameterVector[14] = 7.2f;
  UnpackParameterVector();
  const auto species = [](double s, double c) {
    const float M = CalculateM(static_cast<float>(s));
    return sv::Species{s, DFromMass(M, 20.0f), c};
  };
  sv::Experiment e;
  e.TIScale = e.RIScale = 0.0;
  sv::Data data = sv::MakeData(e, {species(3.0, 0.5), species(6.0, 0.5)});
  // The detector's response: x^1.25 above the baseline 0.
  for (int j = 1; j <= e.Scans; ++j)
    for (int k = 1; k <= e.Points; ++k)
      if (data.Signal[j][k] > 0.0) data.Signal[j][k] = std::pow(data.Signal[j][k], 1.25);
  LoadExperiment(e, data);
  const float seen = ScanDataSet.ScanSignal[5][200];

  auto& f = CorrectionOptions.Fluorescence;
  f.NonlinearDetectionOn = true;
  f.NonlinearExponent = 0.8f;
  f.NonlinearBaseline = 0.0f;
  f.NonlinearDetectionSecondFlag = false;  // the user looks at the data as measured
  InstallNonlinearDetectionHooks();
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  EXPECT_NEAR(PeakPosition(0.0, 4.5), 3.0, 0.03 * 3.0);
  EXPECT_NEAR(PeakPosition(4.5, 20.0), 6.0, 0.03 * 6.0);
  // The data shown afterwards are the measured ones.
  EXPECT_FLOAT_EQ(ScanDataSet.ScanSignal[5][200], seen);
}
