// A c(s) analysis of data seen through a nonlinear detector, run with the
// inverse power law as the detection transform, finds the species of the
// data as they were before the detector bent them.
#include <gtest/gtest.h>

#include <cmath>

#include "data/DataSetLinks.h"
#include "distributions/ContiFit.h"
#include "distributions/ContiGrid.h"
#include "distributions/ContiRunFixture.h"
#include "distributions/RunContiSed.h"
#include "distributions/StoredDistribution.h"
#include "distributions/SyntheticVelocityData.h"
#include "models/FitObjective.h"
#include "models/ParameterPacking.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
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
    SimulationRoads.NonlinearDetectionRmsd = nullptr;
    CorrectionOptions.Fluorescence = FluorescenceCorrectionsRecord{};
    ContiRunTest::TearDown();
  }
  // Data of a 3 S and a 6 S species seen through the detector x -> x^1.25,
  // loaded, with the inverse law switched on as the detection transform.
  void LoadBentData() {
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
    auto& f = CorrectionOptions.Fluorescence;
    f.NonlinearDetectionOn = true;
    f.NonlinearExponent = 0.8f;
    f.NonlinearBaseline = 0.0f;
    f.NonlinearDetectionSecondFlag = false;  // the user looks at the data as measured
    InstallNonlinearDetectionHooks();
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

void SetUpCsModel() {
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
}

}  // namespace

TEST_F(NonlinearDetectionRunTest, TransformedDataGiveTheOriginalPeaks) {
  SetUpCsModel();
  LoadBentData();
  const float seen = ScanDataSet.ScanSignal[5][200];
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  EXPECT_NEAR(PeakPosition(0.0, 4.5), 3.0, 0.03 * 3.0);
  EXPECT_NEAR(PeakPosition(4.5, 20.0), 6.0, 0.03 * 6.0);
  // The data shown afterwards are the measured ones.
  EXPECT_FLOAT_EQ(ScanDataSet.ScanSignal[5][200], seen);
}

// The objectives of both kinds of fit report the rmsd of the data as
// measured against the model brought back through the inverse law, not the
// rmsd of the transformed arrays they were computed on.
TEST_F(NonlinearDetectionRunTest, FitsReportTheRmsdOfTheMeasuredData) {
  SetUpCsModel();
  LoadBentData();
  const auto& s = NonlinearDetectionState;
  // The search runs on the grid and arrays its fit has made.
  ASSERT_TRUE(MakeContiGrid());
  float x[ContiFitMaxItems + 1] = {};
  PackContiParameters(ContiFitMaxItems, x);
  FitControl.CurrentRmsd = 0.0f;
  ContiSimplexSim(x, nullptr);
  ASSERT_GT(s.UntransformedRmsd, 0.0f);
  ASSERT_GT(std::fabs(s.UntransformedRmsd - s.TransformedRmsd), 0.05f * s.UntransformedRmsd);
  EXPECT_FLOAT_EQ(FitControl.CurrentRmsd, s.UntransformedRmsd);

  // A discrete one-species model simulated on the same data, the user
  // looking at the transformed data meanwhile.
  CorrectionOptions.Fluorescence.NonlinearDetectionSecondFlag = true;
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  ModelParametersRecord& mp = ModelParameters;
  mp.ComponentOn = {0, 1, 0, 0, 0};
  mp.Concentration = {0, 0.5f, 0, 0, 0};
  mp.SedCoefficient = {0, 3.0f, 0, 0, 0};
  mp.MassOrD = {0, CalculateM(3.0f), 0, 0, 0};
  PackParameterVector();
  ParameterFitted.fill(0);
  float v[2] = {};
  const float r = SimplexSim(v, nullptr);
  EXPECT_FLOAT_EQ(r, s.UntransformedRmsd);
  EXPECT_FLOAT_EQ(FitControl.CurrentRmsd, s.UntransformedRmsd);
  EXPECT_NE(s.UntransformedRmsd, s.TransformedRmsd);
}
