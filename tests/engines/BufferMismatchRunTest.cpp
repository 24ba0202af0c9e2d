// A discrete model run with the buffer mismatch on: the last column is the
// sedimenting buffer, simulated on its own and added at the buffer signal.
// The truth is the same model without the buffer plus the buffer simulated
// as an ordinary species of the buffer's s and D at the buffer signal (and
// the reference side at its own meniscus and amount, with the opposite
// sign). Also the amounts that come back from a linear solve and a fit of
// data made with a known buffer signal.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "data/ScanReaderOptions.h"
#include "engines/BufferSedDialog.h"
#include "engines/EngineRoadsFixture.h"
#include "models/FitDriver.h"
#include "models/LinearParameters.h"
#include "state/ParameterVector.h"

namespace {

using namespace engine_roads_test;

// The macromolecule: s in S, D in 1e-7 cm^2/s, loading in signal units.
constexpr float kProteinS = 4.0f, kProteinD = 6.0f, kProteinLoading = 2.0f;

class BufferMismatchRunTest : public RoadsFixture {
 protected:
  void SetUp() override {
    RoadsFixture::SetUp();
    SetupCommonRadialGrid();
    ResetBufferSedNotes();
    ScanReaderOptions.InterferenceData = true;
    CorrectionOptions.BufferMismatch = BufferMismatchSettingsRecord{};
  }
  void TearDown() override {
    CorrectionOptions.BufferMismatch = BufferMismatchSettingsRecord{};
    ScanReaderOptions = ScanReaderOptionsRecord{};
    RoadsFixture::TearDown();
  }

  // The macromolecule as component 1 and, with the buffer on, the buffer in
  // the last column; `stray` is what the buffer column's concentration holds
  // (a linear solve leaves the buffer signal there).
  static void SetModel(bool buffer, float stray = 0.0f) {
    SetIdealComponent(kProteinS, kProteinD, kProteinLoading);
    CorrectionOptions.BufferMismatch.On = buffer;
    if (!buffer) return;
    ModelParameters.ComponentOn[NCOMP] = 1;
    ModelParameters.Concentration[NCOMP] = stray;
  }

  // The model inside the fitted range, scan after scan.
  static std::vector<float> FittedRangeModel() {
    std::vector<float> all;
    const ScanDataSetRecord& d = ScanDataSet;
    for (int j = 1; j <= d.NFILES; ++j)
      for (int k = 1; k <= d.ScanPointCount[j]; ++k)
        if (d.ScanRadius[j][k] >= d.FitLeftLim && d.ScanRadius[j][k] <= d.FitRightLim)
          all.push_back(d.ScanModel[j][k]);
    return all;
  }

  static std::vector<float> Run() {
    PackParameterVector();
    SimulateModel(nullptr);
    return FittedRangeModel();
  }

  // One ideal species (s in S, D in cm^2/s, loading) from the given
  // meniscus, through the plain discrete road without the buffer.
  static std::vector<float> OneSpecies(double s, double D, double loading, double meniscus) {
    const BufferMismatchSettingsRecord kept = CorrectionOptions.BufferMismatch;
    const ModelParametersRecord model = ModelParameters;
    const bool mass = FitControl.MassInsteadOfD;
    CorrectionOptions.BufferMismatch.On = false;
    FitControl.MassInsteadOfD = false;
    SetIdealComponent(static_cast<float>(s), static_cast<float>(D * 1e7),
                      static_cast<float>(loading));
    ModelParameters.Meniscus = static_cast<float>(meniscus);
    std::vector<float> out = Run();
    CorrectionOptions.BufferMismatch = kept;
    ModelParameters = model;
    FitControl.MassInsteadOfD = mass;
    PackParameterVector();
    return out;
  }

  // The macromolecule alone plus the buffer's two sides as ordinary species:
  // the sample side from the meniscus at the buffer signal, the reference
  // side (with a meniscus mismatch) from the reference meniscus at the
  // signal over the concentration ratio, with the opposite sign.
  static std::vector<float> Truth() {
    const BufferMismatchSettingsRecord b = CorrectionOptions.BufferMismatch;
    const double RT = SolventConditions.GasConstantRT;
    // D in cm^2/s of an entry in 1e-7 cm^2/s, or of a buoyant molar mass.
    const auto diffusion = [&](double D, double Mb, double s) {
      return FitControl.MassInsteadOfD ? s * 1e-13 * RT / Mb : D * 1e-7;
    };
    std::vector<float> truth = OneSpecies(kProteinS, kProteinD * 1e-7, kProteinLoading, kMeniscus);
    const auto add = [&truth](std::vector<float> side, double sign) {
      for (std::size_t k = 0; k < truth.size(); ++k) truth[k] += static_cast<float>(sign * side[k]);
    };
    add(OneSpecies(b.BufferS, diffusion(b.BufferD, b.BufferMb, b.BufferS), b.BufferSignal,
                   kMeniscus),
        b.Sign);
    if (!b.MeniscusMismatchOn && !b.DifferentReferenceBuffer) return truth;
    const bool own = b.DifferentReferenceBuffer;
    const double s = own ? b.ReferenceS : b.BufferS;
    const double D = own ? diffusion(b.ReferenceD, b.ReferenceMb, b.ReferenceS)
                         : diffusion(b.BufferD, b.BufferMb, b.BufferS);
    add(OneSpecies(s, D, b.BufferSignal / b.ConcentrationRatio, kMeniscus - b.MeniscusDifference),
        -b.Sign);
    return truth;
  }

  static double MaxAbsDifference(const std::vector<float>& a, const std::vector<float>& b) {
    EXPECT_EQ(a.size(), b.size());
    double m = 0.0;
    for (std::size_t k = 0; k < std::min(a.size(), b.size()); ++k)
      m = std::max(m, std::fabs(static_cast<double>(a[k]) - b[k]));
    return m;
  }
};

struct BufferCase {
  const char* name;
  double sign;  // +1: the excess in the sample sector
  bool meniscusMismatch;
  bool differentReference;
  bool massMode;  // the buffer entered by its buoyant molar mass
  float stray;    // left in the buffer column's concentration
};

// The buffer component's signal is the buffer simulated as a species, at
// the buffer signal, with the sign and the sides of the settings; nothing
// in the buffer column changes the macromolecule's loading.
TEST_F(BufferMismatchRunTest, BufferSignalIsTheBufferSpeciesAtItsAmount) {
  const BufferCase cases[] = {
      {"sample side", 1.0, false, false, false, 0.0f},
      {"reference side", -1.0, false, false, false, 0.0f},
      {"buffer signal left in its column", 1.0, false, false, false, 30.0f},
      {"meniscus mismatch", 1.0, true, false, false, 0.0f},
      {"different reference buffer", -1.0, true, true, false, 0.0f},
      {"buoyant molar mass", 1.0, false, false, true, 0.0f},
  };
  for (const BufferCase& c : cases) {
    SCOPED_TRACE(c.name);
    SetModel(true, c.stray);
    BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
    b.Sign = c.sign;
    b.MeniscusMismatchOn = c.meniscusMismatch;
    b.ConcentrationRatio = 0.8;
    b.MeniscusDifference = 0.05;
    b.DifferentReferenceBuffer = c.differentReference;
    FitControl.MassInsteadOfD = c.massMode;
    if (c.massMode) {
      // The macromolecule's M of the same D.
      const SolventConditionsRecord& sc = SolventConditions;
      ModelParameters.MassOrD[1] = static_cast<float>(kProteinS * 1e-13 * sc.GasConstantRT /
                                                      ((1.0 - sc.VbarRho) * kProteinD * 1e-7));
    }
    const std::vector<float> model = Run();
    EXPECT_TRUE(LogLinesWith("ERROR").empty());
    // Different grids: the buffer's own 200 points against the species'
    // (the largest difference is about 0.01 of a signal of 30).
    const std::vector<float> truth = Truth();
    EXPECT_LT(MaxAbsDifference(model, truth), 0.05);
    FitControl.MassInsteadOfD = false;
  }
}

// Data of two species (the second a quarter of the total) and a buffer of
// signal 30, with a little noise.
class BufferAmountTest : public BufferMismatchRunTest {
 protected:
  void MakeData(double sign) {
    SetModel(true);
    ModelParametersRecord& mp = ModelParameters;
    mp.ComponentOn[2] = 1;
    mp.SedCoefficient[2] = 8.0f;
    mp.MassOrD[2] = 4.0f;
    mp.Concentration[2] = 0.25f;
    mp.ConcentrationFitted = {};
    mp.LinearConcentrations = false;
    CorrectionOptions.BufferMismatch.BufferSignal = 30.0;
    CorrectionOptions.BufferMismatch.Sign = sign;
    Run();
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, 0.005f);
    for (int j = 1; j <= ScanDataSet.NFILES; ++j)
      for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k)
        ScanDataSet.ScanSignal[j][k] = ScanDataSet.ScanModel[j][k] + noise(random);
  }
  // The loadings and the buffer signal solved as linear parameters (every
  // switched-on concentration and the buffer's amount fitted), from a start
  // away from the truth.
  static void LinearAmounts() {
    ModelParametersRecord& mp = ModelParameters;
    mp.Concentration = {0, 0.5f, 0.5f, 0, 0};
    CorrectionOptions.BufferMismatch.BufferSignal = 5.0;
    mp.ConcentrationFitted = {0, 1, 1, 0, 1};
    DeriveFitModeFlags();
    ASSERT_TRUE(mp.LinearConcentrations);
  }
  static void ExpectTruth() {
    const ModelParametersRecord& mp = ModelParameters;
    EXPECT_NEAR(mp.Concentration[1], kProteinLoading, 0.01);
    EXPECT_NEAR(mp.Concentration[2], 0.25, 0.005);
    EXPECT_NEAR(CorrectionOptions.BufferMismatch.BufferSignal, 30.0, 0.05);
  }
};

// The linear solve gives the total loading, the second species' fraction
// (the buffer is no part of the total) and the buffer signal, which its
// column and slot keep too.
TEST_F(BufferAmountTest, LinearSolveGivesTheLoadingsAndTheBufferSignal) {
  for (const double sign : {1.0, -1.0}) {
    SCOPED_TRACE(sign);
    MakeData(sign);
    LinearAmounts();
    PackParameterVector();
    SimulateModel(nullptr);
    ExpectTruth();
    EXPECT_NEAR(ModelParameters.Concentration[NCOMP], 30.0, 0.05);
    EXPECT_NEAR(ParameterVector[8 + NCOMP], 30.0, 0.05);
  }
}

// A fit of the first species' s ends at the truth, with the amounts solved
// linearly or, with the loadings fixed, the buffer signal floating on its
// own.
TEST_F(BufferAmountTest, FitEndsAtTheKnownBufferSignal) {
  for (const bool linear : {true, false}) {
    SCOPED_TRACE(linear ? "linear amounts" : "floating buffer signal");
    MakeData(1.0);
    if (linear) {
      LinearAmounts();
    } else {
      CorrectionOptions.BufferMismatch.BufferSignal = 20.0;
      ModelParameters.ConcentrationFitted = {0, 0, 0, 0, 1};
      DeriveFitModeFlags();
      ASSERT_FALSE(ModelParameters.LinearConcentrations);
    }
    ModelParameters.SedCoefficient[1] = 3.6f;
    ModelParameters.SedCoefficientFitted[1] = 1;
    PackParameterVector();
    FitDriverSettings = FitDriverSettingsRecord{};
    FitDriverSettings.OptimizerKind = OptimizerChoice::LevenbergMarquardt;
    ASSERT_TRUE(FitDriver(nullptr));
    EXPECT_NEAR(ModelParameters.SedCoefficient[1], kProteinS, 0.01);
    ExpectTruth();
    EXPECT_NEAR(FitControl.CurrentRmsd, 0.005, 0.001);
    EXPECT_TRUE(LogLinesWith("box [").empty());
  }
}

// A model simulated as a whole (here monomer-dimer) carries the buffer in
// its one signal: with time- and radial-invariant noise fitted to data made
// without noise, the model is the data again (the buffer kept, and the
// association's own signal too).
TEST_F(BufferMismatchRunTest, AssociationModelKeepsTheBufferWithNoiseFitted) {
  ModelSelection.Kind = ModelKind::MonomerDimer;
  ModelParametersRecord& mp = ModelParameters;
  // Monomer D (1), log10 Ka (3), monomer and dimer s (5, 6), loading (11).
  mp.ComponentOn = {0, 1, 1, 1, 0};
  mp.MassOrD = {0, 6.0f, 0, -10.0f, 0};
  mp.SedCoefficient = {0, 4.5f, 7.0f, 0, 0};
  mp.Concentration = {0, 0, 0, 1.0f, 0};
  CorrectionOptions.BufferMismatch.On = true;
  const std::vector<float> data = Run();
  for (int j = 1; j <= ScanDataSet.NFILES; ++j)
    for (int k = 1; k <= ScanDataSet.ScanPointCount[j]; ++k)
      ScanDataSet.ScanSignal[j][k] = ScanDataSet.ScanModel[j][k];
  for (const bool ri : {false, true}) {
    SCOPED_TRACE(ri ? "TI and RI noise" : "TI noise");
    FitControl.TINoiseFitted = true;
    mp.RINoiseFitted = ri;
    DeriveFitModeFlags();
    EXPECT_LT(MaxAbsDifference(Run(), data), 0.01);
  }
  EXPECT_TRUE(LogLinesWith("box [").empty());
}

}  // namespace
