#include <gtest/gtest.h>

#include <cmath>

#include "equilibrium/EqBuoyantMass.h"
#include "equilibrium/EquilibriumScans.h"
#include "models/ParameterPacking.h"
#include "state/ParameterVector.h"

namespace {

using namespace eqtest;

class EqBuoyantMass : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    EqBuoyantState = EqBuoyantStateRecord{};
    ModelSelection.Kind = ModelKind::BuoyantMassEquilibrium;
    FitControl.MassInsteadOfD = true;
  }
  void TearDown() override {
    EqBuoyantState = EqBuoyantStateRecord{};
    ModelsTest::TearDown();
  }
  // Scans at two speeds plus a different offset per scan and a ripple
  // common to all scans (time-invariant noise).
  void LoadNoisyRun(double M) {
    LoadRun({.rpms = {12000, 18000, 24000}, .species = {{M, 0.6}}, .noise = 0.003});
    auto& d = ScanDataSet;
    for (int i = 1; i <= d.NFILES; ++i)
      for (int k = 1; k <= d.ScanPointCount[i]; ++k)
        d.ScanSignal[i][k] += 0.02f * i + 0.01f * std::sin(300.0f * d.ScanRadius[i][k]);
    SetupCommonRadialGrid();
  }
  void SetMass(float M, bool fitted) {
    ModelParameters.MassOrD[1] = M;
    ModelParameters.MassOrDFitted[1] = fitted ? 1 : 0;
    PackParameterVector();
    ParameterFitted[1] = fitted ? 1 : 0;
  }
};

TEST_F(EqBuoyantMass, FitRecoversTheBuoyantMassAtEverySpeedTogether) {
  LoadNoisyRun(60000);
  SetMass(45000, true);
  FitEqBuoyantMass(nullptr);
  const double Mb = 60000 * (1 - kVbarRho);
  EXPECT_NEAR(EqBuoyantMassOf(20.0f), Mb, 0.01 * Mb);
  // The rmsd is the noise's, the ripple and the offsets being absorbed.
  EXPECT_LT(EqBuoyantState.StoredRmsd, 0.0045);
  // The model carries the offsets: scan 3's lies above scan 1's by 0.04.
  const auto& g = CommonRadialGrid;
  EXPECT_GT(g.RINoise[3] - g.RINoise[1], 0.0);
  const int k = ScanDataSet.ScanPointCount[2] / 2;
  EXPECT_NEAR(ScanDataSet.ScanModel[2][k], ScanDataSet.ScanSignal[2][k], 0.015);
}

TEST_F(EqBuoyantMass, RunAloneComputesTheModelWithoutFitting) {
  LoadNoisyRun(60000);
  SetMass(60000, false);
  FitEqBuoyantMass(nullptr);  // slot 1 not fitted: one evaluation
  EXPECT_FLOAT_EQ(ModelParameters.MassOrD[1], 60000.0f);
  const double atTruth = EqBuoyantState.StoredRmsd;
  EXPECT_LT(atTruth, 0.0045);
  SetMass(30000, false);
  ASSERT_TRUE(RunEqBuoyantMass(nullptr));
  EXPECT_GT(EqBuoyantState.StoredRmsd, 2 * atTruth);
}

TEST_F(EqBuoyantMass, SAndDGiveTheBuoyantMassInTheUnitsTheSpeciesHold) {
  FitControl.MassInsteadOfD = false;
  ModelParameters.SedCoefficient[1] = 4.0f;  // S
  ModelParameters.MassOrD[1] = 6.0f;         // 1e-7 cm^2/s
  // Svedberg: Mb = s R T / D with s in seconds and D in cm^2/s.
  const double want = 4e-13 * 8.31451e7 * 293.15 / 6e-7;
  EXPECT_NEAR(EqBuoyantMassOf(20.0f), want, 1e-6 * want);
  ModelParameters.MassOrD[1] = 0.0f;
  EXPECT_EQ(EqBuoyantMassOf(20.0f), 0.0);
}

TEST_F(EqBuoyantMass, ExponentialsStayFiniteAtLargeMassesAndSpeeds) {
  EXPECT_DOUBLE_EQ(EqExponential(7.0, 0.0, 60000, 20, 6.5), 1.0);
  EXPECT_DOUBLE_EQ(EqExponential(6.5, 1e5, 60000, 20, 6.5), 1.0);
  LoadRun({.rpms = {60000}, .species = {{2000, 0.6}}});
  SetMass(5e7f, false);  // exponent spans thousands over the column
  ASSERT_TRUE(RunEqBuoyantMass(nullptr));
  EXPECT_TRUE(std::isfinite(EqBuoyantState.StoredRmsd));
  for (int k = 1; k <= ScanDataSet.ScanPointCount[1]; ++k)
    ASSERT_TRUE(std::isfinite(ScanDataSet.ScanModel[1][k])) << k;
}

TEST_F(EqBuoyantMass, ZeroBuoyantMassLeavesOnlyNoiseAndOffsets) {
  LoadRun({.rpms = {12000, 18000}, .species = {}, .noise = 0.0, .baseline = 0.3});
  SetMass(0.0f, false);
  ASSERT_TRUE(RunEqBuoyantMass(nullptr));
  EXPECT_NEAR(EqBuoyantState.StoredRmsd, 0.0, 1e-6);
  EXPECT_NEAR(ScanDataSet.ScanModel[1][10], 0.3f, 1e-5f);
}

TEST_F(EqBuoyantMass, RefusesWithoutMeniscusAndBottom) {
  LoadRun({.rpms = {12000}, .species = {{50000, 0.5}}});
  ModelParameters.Bottom = 0.0f;
  EXPECT_FALSE(RunEqBuoyantMass(nullptr));
  EXPECT_EQ(LogLinesWith("set Meniscus and Bottom first").size(), 1u);
}

}  // namespace
