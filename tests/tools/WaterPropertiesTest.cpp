// Water and heavy-water density and viscosity against their defining
// points, and the buffer translation of the calculator.
#include <gtest/gtest.h>

#include "tools/WaterProperties.h"

namespace {

TEST(WaterProperties, DensityCurvesPeakAtTheirMaximumTemperature) {
  EXPECT_FLOAT_EQ(WaterDensity(kH2O, 3.986f), 1.0f);
  EXPECT_NEAR(WaterDensity(kH2O, 20.0f), 0.99824f, 5e-6);
  EXPECT_FLOAT_EQ(WaterDensity(kD2O, 11.22f), 1.10602f);
  // Either side of the maximum the water is lighter.
  EXPECT_LT(WaterDensity(kH2O, 0.0f), 1.0f);
  EXPECT_LT(WaterDensity(kH2O, 30.0f), WaterDensity(kH2O, 20.0f));
}

TEST(WaterProperties, ViscosityCurvesAndTables) {
  struct Case {
    int kind;
    float t;
    float expected;
  } cases[] = {
      {kH2O, 20.0f, 0.001002f},      // the reference itself
      {kD2O, 26.498f, 0.001002f * 1.0544f},
      {kD2O18, 20.0f, 0.001315f},    // table point
      {kD2O18, 17.5f, 0.00141035f},  // half-way between 15 and 20: 0.0014104
      {kH2O18, 35.0f, 0.0007568f},   // the last point belongs to the last band
      {kH2O18, 15.0f, 0.0012008f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " at " << c.t);
    EXPECT_NEAR(WaterViscosity(c.kind, c.t), c.expected, c.expected * 2e-6);
  }
  // Outside the tables the oxygen-18 waters follow the scaled curves.
  EXPECT_FLOAT_EQ(WaterViscosity(kH2O18, 40.0f), WaterViscosity(kD2O, 40.0f) / 1.17f);
  EXPECT_FLOAT_EQ(WaterViscosity(kD2O18, 10.0f), WaterViscosity(kH2O, 10.0f) * 1.255f);
  // Warmer water flows more easily.
  EXPECT_LT(WaterViscosity(kH2O, 30.0f), WaterViscosity(kH2O, 20.0f));
}

TEST(WaterProperties, BufferTranslation) {
  // In ordinary water at 20 C the buffer keeps its viscosity and gains the
  // difference of the curve from the reference density.
  BufferAtTemperature b = TranslateBuffer(1.005f, 0.0011f, 20.0f, kH2O, 0.0f);
  EXPECT_NEAR(b.density, 1.005005, 1e-6);
  EXPECT_NEAR(b.viscosity * 1000, 1.1, 1e-6);
  // Pure heavy water with a water-like buffer gives the heavy water itself.
  b = TranslateBuffer(0.99823f, 0.001002f, 25.0f, kD2O, 1.0f);
  EXPECT_NEAR(b.density, WaterDensity(kD2O, 25.0f), 1e-6);
  EXPECT_NEAR(b.viscosity, WaterViscosity(kD2O, 25.0f), 1e-9);
  // Half heavy water lies half-way.
  const BufferAtTemperature half = TranslateBuffer(0.99823f, 0.001002f, 25.0f, kD2O, 0.5f);
  EXPECT_NEAR(half.density, (WaterDensity(kD2O, 25.0f) + WaterDensity(kH2O, 25.0f)) / 2, 1e-6);
}

}  // namespace
