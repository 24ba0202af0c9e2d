// Axial ratios of ellipsoids against Perrin's exact shape factors.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "numerics/Hydrodynamics.h"
#include "numerics/HydrodynamicsFixture.h"

namespace {

// Perrin's frictional ratio of an ellipsoid of revolution of axial ratio p.
double PerrinProlate(double p) {
  const double e = std::sqrt(p * p - 1);
  return e / (std::cbrt(p) * std::log(p + e));
}

double PerrinOblate(double p) {
  const double e = std::sqrt(p * p - 1);
  return e / (std::pow(p, 2.0 / 3.0) * std::atan(e));
}

struct Hydration {
  float vbar, hydration, density;
};
const Hydration kHydrations[] = {{0.73f, 0.0f, 1.0f}, {0.73f, 0.3f, 0.99823f}, {0.70f, 0.5f, 1.1f}};

double HydratedSphereFF0(const Hydration& h) {
  return std::cbrt((h.vbar + h.hydration * h.density) / h.vbar);
}

}  // namespace

using AxialRatios = HydrodynamicsTest;

TEST_F(AxialRatios, InvertPerrinsShapeFactorsOfHydratedEllipsoids) {
  // The fits hold to within a relative error that depends on the shape; the
  // oblate one only for moderately flat discs.
  struct Case {
    double p, tolerance;
  };
  const Case prolate[] = {{1.5, 0.02}, {2, 0.01},   {3, 0.005}, {5, 0.005},
                          {10, 0.005}, {20, 0.005}, {50, 0.005}};
  const Case oblate[] = {{1.5, 0.015}, {2, 0.006}, {3, 0.003}, {5, 0.02}};
  for (const Hydration& h : kHydrations) {
    const double sphere = HydratedSphereFF0(h);
    for (const Case& c : prolate) {
      const float ff0 = static_cast<float>(PerrinProlate(c.p) * sphere);
      EXPECT_NEAR(CalculateProlateRatio(ff0, h.vbar, h.hydration, h.density), c.p,
                  c.tolerance * c.p)
          << "prolate " << c.p << " hydration " << h.hydration;
    }
    for (const Case& c : oblate) {
      const float ff0 = static_cast<float>(PerrinOblate(c.p) * sphere);
      EXPECT_NEAR(CalculateOblateRatio(ff0, h.vbar, h.hydration, h.density), c.p, c.tolerance * c.p)
          << "oblate " << c.p << " hydration " << h.hydration;
    }
  }
}

TEST_F(AxialRatios, FromMassAndSUseTheFrictionalRatioOfThatPair) {
  const Hydration h = kHydrations[1];
  SetSolvent(h.vbar, h.density, 1.3f);
  const double ff0 = PerrinProlate(8) * HydratedSphereFF0(h);
  const float m = 2e5f;
  const float s = SFromMassAndD(m, DFromMassAndFF0(m, 20.0f, static_cast<float>(ff0)), 20.0f);
  EXPECT_NEAR(CalculateProlateRatioFromMS(m, s, h.vbar, h.hydration, h.density, 1.3f), 8, 0.16);
  const float oblate =
      CalculateOblateRatio(static_cast<float>(ff0), h.vbar, h.hydration, h.density);
  EXPECT_NEAR(CalculateOblateRatioFromMS(m, s, h.vbar, h.hydration, h.density, 1.3f), oblate,
              RelTol(oblate, 1e-4));
}

TEST_F(AxialRatios, AreZeroAtOrBelowTheHydratedSphere) {
  for (const Hydration& h : kHydrations) {
    const float sphere = static_cast<float>(HydratedSphereFF0(h));
    for (float ff0 : {sphere, 0.99f * sphere, 1.0f}) {
      EXPECT_EQ(CalculateProlateRatio(ff0, h.vbar, h.hydration, h.density), 0) << ff0;
      EXPECT_EQ(CalculateOblateRatio(ff0, h.vbar, h.hydration, h.density), 0) << ff0;
    }
  }
  // A compact sphere from M and s.
  SetSolvent(0.73f, 1.0f, 1.0f);
  const float s = SFromMassAndD(1e5f, DFromMassAndFF0(1e5f, 20.0f, 1.0f), 20.0f);
  EXPECT_EQ(CalculateProlateRatioFromMS(1e5f, s, 0.73f, 0.3f, 1.0f, 1.0f), 0);
  EXPECT_EQ(CalculateOblateRatioFromMS(1e5f, s, 0.73f, 0.3f, 1.0f, 1.0f), 0);
  EXPECT_EQ(BoxesWith("Error"), 0u);
}

TEST_F(AxialRatios, ReportANonPositiveVolumeRatio) {
  struct Case {
    std::function<float()> f;
    const char* function;
  };
  const Case cases[] = {
      {[] { return CalculateProlateRatio(1.5f, 0.5f, -1.0f, 1.0f); }, "CalculateProlateRatio"},
      {[] { return CalculateOblateRatio(1.5f, 0.5f, -1.0f, 1.0f); }, "CalculateOblateRatio"},
      {[] { return CalculateProlateRatioFromMS(1e5f, 4, 0.5f, -1.0f, 1.0f, 1); },
       "CalculateProlateRatio"},
      {[] { return CalculateOblateRatioFromMS(1e5f, 4, 0.5f, -1.0f, 1.0f, 1); },
       "CalculateOblateRatio"},
  };
  for (const Case& c : cases) {
    backend().ClearLog();
    EXPECT_EQ(c.f(), 0);
    EXPECT_EQ(BoxesWith(std::string("(vbar+hydration*density)/vbar <= 0 in function ") +
                        c.function + " ->"),
              1u)
        << c.function;
  }
}
