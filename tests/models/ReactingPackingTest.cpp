// The parameter vector of the A + B <-> AB models: the values travel with
// the plain layout, and both directions derive the complex at loading
// (slot 11) from the totals, extinctions and K, and the complex's mass
// (slot 3) from the masses of A and B.

#include <cmath>
#include <tuple>

#include "ModelsTestSupport.h"
#include "models/ParameterPacking.h"
#include "state/ParameterVector.h"

namespace {

class ReactingPacking : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    Reset();
    ModelSelection.Kind = ModelKind::ReactingABC;
  }
  void TearDown() override {
    Reset();
    ModelsTest::TearDown();
  }
  static void Reset() {
    ParameterVector.fill(0.0f);
    ParameterFitted.fill(0);
  }
  static float& V(int slot) { return ParameterVector[static_cast<std::size_t>(slot)]; }
  static int& F(int slot) { return ParameterFitted[static_cast<std::size_t>(slot)]; }

  // A 50 kDa + 30 kDa pair, each with its own extinction, and the totals
  // and log10 K given.
  static void EnterModel(float totalA, float totalB, float extinctionA, float extinctionB,
                         float logK) {
    ModelParametersRecord& p = ModelParameters;
    p.MassOrD[1] = 50000.0f;
    p.MassOrD[2] = 30000.0f;
    p.MassOrD[3] = 1.0f;  // to be derived
    p.MassOrD[4] = extinctionA;
    p.SedCoefficient[1] = 4.0f;
    p.SedCoefficient[2] = 3.0f;
    p.SedCoefficient[3] = 6.0f;
    p.SedCoefficient[4] = logK;
    p.Concentration[1] = totalA;
    p.Concentration[2] = totalB;
    p.Concentration[3] = -7.0f;  // to be derived
    p.Concentration[4] = extinctionB;
  }
};

// The complex at loading by bisection of the mass-action law
// c = K (a - c)(b - c): c - K (a - c)(b - c) rises monotonically from -Kab
// at 0 to min(a, b) at the smaller total.
double ComplexByBisection(double a, double b, double K) {
  double lo = 0.0, hi = std::min(a, b);
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    (mid - K * (a - mid) * (b - mid) < 0.0 ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}

TEST_F(ReactingPacking, ComplexAtLoadingObeysMassAction) {
  // total A, total B (signals), extinction A, extinction B, log10 K
  const std::tuple<float, float, float, float, float> cases[] = {
      {1.0f, 1.0f, 1.0f, 1.0f, 0.0f},    // c = (3 - sqrt 5) / 2
      {2.0f, 0.5f, 2.0f, 0.25f, 0.0f},   // the same, through the extinctions
      {0.8f, 0.3f, 1.3f, 0.9f, 5.0f},    // tight binding
      {0.8f, 0.3f, 1.3f, 0.9f, -3.0f},   // weak binding
      {0.5f, 4.0f, 1.0f, 1.0f, 1.2f},    // B in excess
      {1e-3f, 2e-3f, 1.0f, 1.0f, 6.0f},  // dilute, strong
  };
  for (const auto& [sa, sb, fa, fb, logK] : cases) {
    EnterModel(sa, sb, fa, fb, logK);
    PackParameterVector();
    const double a = static_cast<double>(sa) / fa, b = static_cast<double>(sb) / fb;
    const double K = std::pow(10.0, static_cast<double>(logK));
    const double want = ComplexByBisection(a, b, K);
    EXPECT_NEAR(V(11), want, 1e-6 * want) << sa << " " << sb << " " << logK;
    EXPECT_EQ(ModelParameters.Concentration[3], V(11));
  }
  EnterModel(1.0f, 1.0f, 1.0f, 1.0f, 0.0f);
  PackParameterVector();
  EXPECT_NEAR(V(11), (3.0 - std::sqrt(5.0)) / 2.0, 1e-6);
  // Very tight binding takes up all of the scarcer component.
  EnterModel(0.8f, 0.3f, 1.0f, 1.0f, 12.0f);
  PackParameterVector();
  EXPECT_NEAR(V(11), 0.3, 1e-6);
  // No B, no complex.
  EnterModel(0.8f, 0.0f, 1.0f, 1.0f, 3.0f);
  PackParameterVector();
  EXPECT_EQ(V(11), 0.0f);
}

TEST_F(ReactingPacking, RoundTripRecomputesTheDerivedSlots) {
  FitControl.MassInsteadOfD = true;
  EnterModel(1.0f, 1.0f, 1.0f, 1.0f, 0.0f);
  ModelParametersRecord& p = ModelParameters;
  p.ConcentrationFitted[1] = 1;
  p.SedCoefficientFitted[3] = 1;
  p.SedCoefficientFitted[4] = 1;
  p.Meniscus = 6.0f;
  p.Bottom = 7.2f;
  PackParameterVector();
  EXPECT_EQ(V(3), 80000.0f);
  EXPECT_EQ(p.MassOrD[3], 80000.0f);
  const ModelParametersRecord packed = p;

  // Unpack what was packed: the same record.
  UnpackParameterVector();
  EXPECT_EQ(p.MassOrD, packed.MassOrD);
  EXPECT_EQ(p.SedCoefficient, packed.SedCoefficient);
  EXPECT_EQ(p.Concentration, packed.Concentration);
  EXPECT_EQ(p.ConcentrationFitted, packed.ConcentrationFitted);
  EXPECT_EQ(p.SedCoefficientFitted, packed.SedCoefficientFitted);
  EXPECT_EQ(p.Meniscus, 6.0f);
  EXPECT_EQ(p.Bottom, 7.2f);

  // An optimiser moves total A, log10 K and the mass of B; whatever it left
  // in slots 3 and 11 is derived anew.
  V(9) = 3.0f;
  V(8) = 1.0f;
  V(2) = 20000.0f;
  V(3) = 123.0f;
  V(11) = 9.0f;
  UnpackParameterVector();
  EXPECT_EQ(p.Concentration[1], 3.0f);
  EXPECT_EQ(p.SedCoefficient[4], 1.0f);
  EXPECT_EQ(p.MassOrD[2], 20000.0f);
  EXPECT_EQ(V(3), 70000.0f);
  EXPECT_EQ(p.MassOrD[3], 70000.0f);
  EXPECT_NEAR(V(11), ComplexByBisection(3.0, 1.0, 10.0), 1e-6);
  EXPECT_EQ(p.Concentration[3], V(11));
  // The fit flags come back as they went.
  EXPECT_EQ(p.ConcentrationFitted[1], 1);
  EXPECT_EQ(p.SedCoefficientFitted[4], 1);
}

TEST_F(ReactingPacking, DiffusionFormKeepsTheEnteredComplexD) {
  FitControl.MassInsteadOfD = false;
  EnterModel(1.0f, 1.0f, 1.0f, 1.0f, 0.0f);
  ModelParameters.MassOrD[1] = 6.0f;
  ModelParameters.MassOrD[2] = 7.0f;
  ModelParameters.MassOrD[3] = 4.5f;
  PackParameterVector();
  EXPECT_EQ(V(3), 4.5f);
  UnpackParameterVector();
  EXPECT_EQ(ModelParameters.MassOrD[3], 4.5f);
}

TEST_F(ReactingPacking, ImpossibleLoadingKeepsTheComplexSlotQuietly) {
  // extinction A, extinction B, total A, log10 K
  const std::tuple<float, float, float, float> cases[] = {
      {0.0f, 1.0f, 1.0f, 0.0f},
      {1.0f, -2.0f, 1.0f, 0.0f},
      {1.0f, 1.0f, -0.5f, 0.0f},
      {1.0f, 1.0f, 1.0f, 400.0f},
  };
  for (const auto& [fa, fb, sa, logK] : cases) {
    EnterModel(sa, 1.0f, fa, fb, logK);
    ModelParameters.Concentration[3] = 0.25f;
    PackParameterVector();
    EXPECT_EQ(V(11), 0.25f) << fa << " " << fb << " " << sa << " " << logK;
    EXPECT_EQ(ModelParameters.Concentration[3], 0.25f);
    EXPECT_FALSE(std::isnan(V(11)));
  }
  // The simulation reports such a model; packing shows nothing.
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(ReactingPacking, OnlyTheReactingModelsDeriveTheComplex) {
  FitControl.MassInsteadOfD = true;
  for (const ModelKind kind : {ModelKind::ReactingABC, ModelKind::BuoyantMassReactingAB,
                               ModelKind::NonInteractingSpecies}) {
    ModelSelection.Kind = kind;
    EnterModel(1.0f, 1.0f, 1.0f, 1.0f, 0.0f);
    PackParameterVector();
    const bool reacting = kind != ModelKind::NonInteractingSpecies;
    EXPECT_EQ(V(3), reacting ? 80000.0f : 1.0f);
    EXPECT_EQ(V(11) == -7.0f, !reacting);
  }
}

}  // namespace
