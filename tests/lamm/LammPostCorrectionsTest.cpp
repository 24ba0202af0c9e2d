// Corrections of computed scans for what the optics record: finite radial
// resolution and cone convolution against Gaussian integrals of a step, the
// excitation shadow, Wiener skewing of a linear profile, time-dependent signal
// factors, and the drivers that apply them after a run.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "lamm/CFluorophore.h"
#include "lamm/CLammIdeal.h"
#include "lamm/FluorescenceDetectionRecord.h"
#include "lamm/LammSetupFixture.h"
#include "support/TestSupport.h"

namespace {

// Fraction of a Gaussian weight exp(-u^2/a^2), cut at +-reach, that lies
// above u = d.
double WeightAbove(double d, double a, double reach) {
  d = std::clamp(d, -reach, reach);
  return (std::erf(reach / a) - std::erf(d / a)) / (2 * std::erf(reach / a));
}

template <class T>
std::vector<T> UniformRadii(int n, double first, double spacing) {
  std::vector<T> r(static_cast<std::size_t>(n) + 1);
  for (int j = 1; j <= n; ++j)
    r[static_cast<std::size_t>(j)] = static_cast<T>(first + spacing * (j - 1));
  return r;
}

class LammPostCorrectionsTest : public HeadlessTest {
 protected:
  LammSetupFixture data;
  CLammIdeal l;
};

// The slit averages light: transmittances 10^-A weighted by exp(-u^2/sigma^2)
// over +-2 sigma, sigma = 0.4246 FWHM. For a step in absorbance that average
// is a pair of error functions.
TEST_F(LammPostCorrectionsTest, RadialResolutionOfAnAbsorbanceStepFollowsTheSlitIntegral) {
  const int n = 1401;
  const double x0 = 6.45005, range = 0.008, sigma = 0.42462845010615713 * range;
  const double A1 = 0.2, A2 = 1.2;
  const auto truth = [&](double x) {
    const double above = WeightAbove(x0 - x, sigma, 2 * sigma);
    return -std::log10((1 - above) * std::pow(10, -A1) + above * std::pow(10, -A2));
  };
  const auto step = [&](double x) { return x < x0 ? A1 : A2; };

  std::vector<double> r = UniformRadii<double>(n, 6.38, 0.0001), v(r.size());
  for (int j = 1; j <= n; ++j) v[j] = step(r[j]);
  v[n] = 150;  // no light: left as it is
  l.ApplyRadialResolution(n, range, r.data(), v.data());

  std::vector<float> rf = UniformRadii<float>(n, 6.38, 0.0001), vf(rf.size());
  for (int j = 1; j <= n; ++j) vf[j] = static_cast<float>(step(rf[j]));
  l.NoDiffRadialResolution(n, static_cast<float>(range), rf.data(), vf.data());

  // The points next to the dark end see less light; compare up to their reach.
  for (int j = 1; j < n - 80; ++j) {
    EXPECT_NEAR(v[j], truth(r[j]), 2e-3) << "r " << r[j];
    EXPECT_NEAR(vf[j], truth(rf[j]), 2e-3) << "r " << rf[j];
  }
  EXPECT_EQ(v[n], 150);
  EXPECT_LT(v[700], A2 - 0.1);  // the step is really smoothed

  for (int j = 1; j <= n; ++j) v[j] = 0.7;
  l.ApplyRadialResolution(n, range, r.data(), v.data());
  for (int j = 1; j <= n; ++j) EXPECT_NEAR(v[j], 0.7, 1e-12);
}

// The cone convolution averages the signal itself with exp(-u^2/a^2) over
// +-width a; equidistant common radii use a tabulated kernel, other radii the
// direct sum. Both give the error-function edge of a step inside the cell,
// leave a constant alone away from the ends and lose signal at the meniscus.
TEST_F(LammPostCorrectionsTest, ConeConvolutionOfAStepFollowsTheGaussianIntegral) {
  const float range = 0.02f, width = 2.0f;
  const double x0 = 6.5005;
  for (bool kernel : {true, false}) {
    SCOPED_TRACE(kernel ? "tabulated kernel" : "direct sum");
    CLammIdeal cone;
    data.MakeScans(1, 50000);
    const int n = 1401;
    data.Radii = OneBasedArray<float>(1, n);
    for (int j = 1; j <= n; ++j) data.Radii[j] = 5.8f + 0.001f * (j - 1);
    data.Output.Resize(1, 1, 1, n);
    if (kernel) data.Configure(cone, 4, 1e-7);
    cone.Meniscus = data.Meniscus;
    cone.Bottom = data.Bottom;
    cone.SetConeConvolution(1, range, width);
    EXPECT_EQ(cone.ConeGridKind, kernel ? 1 : 0);

    std::vector<float> step(n + 1), flat(n + 1, 1.0f);
    for (int j = 1; j <= n; ++j) step[j] = data.Radii[j] < x0 ? 0.0f : 1.0f;
    cone.ApplyConeConvolution(step.data(), data.Radii.data(), n, range, width, 5.8f, 7.2f);
    cone.ApplyConeConvolution(flat.data(), data.Radii.data(), n, range, width, 5.8f, 7.2f);
    for (int j = 1; j <= n; ++j) {
      const double x = data.Radii[j];
      if (x < 5.9 || x > 7.1) continue;
      EXPECT_NEAR(step[j], WeightAbove(x0 - x, range, range * width), 3e-3) << "r " << x;
      EXPECT_NEAR(flat[j], 1.0, 1e-5) << "r " << x;
    }
    EXPECT_LT(flat[1], 0.6f);  // half the cone looks above the meniscus
    EXPECT_GT(flat[1], 0.4f);
    EXPECT_LT(flat[n], 0.6f);
  }
}

TEST_F(LammPostCorrectionsTest, OutputSpacingDecidesBetweenKernelAndDirectSum) {
  data.MakeScans(2, 50000);
  data.Configure(l, 4, 1e-7);
  l.TestOutputSpacing();
  EXPECT_EQ(l.ConeGridKind, 1);
  data.Radii[40] += 0.003f;
  l.TestOutputSpacing();
  EXPECT_EQ(l.ConeGridKind, 2);
  l.SetConeConvolution(1, 0.02f, 2.0f);
  EXPECT_EQ(l.ConeKernelCount, 0);
  l.SetConeConvolution(1, 0.0005f, 2.0f);  // too narrow to matter: off
  EXPECT_EQ(l.ConeConvolutionOn, 0);
  EXPECT_EQ(l.ConeConvolutionRange, 0.0);
}

// A beam of radius c centred a distance x inside the bottom loses part of its
// cross-section beyond the bottom: half at x = 0, none at x >= c, all at
// x <= -c, and more the closer the beam is to the bottom.
TEST_F(LammPostCorrectionsTest, ExcitationShadowFallsFromFullSignalToNoneAcrossTheBottom) {
  const float bottom = 7.2f, c = 0.05f;
  const int n = 401;
  std::vector<float> r(n + 1), v(n + 1, 2.0f);
  for (int j = 1; j <= n; ++j) r[j] = 7.1f + 0.0005f * (j - 1);  // 7.1 .. 7.3
  l.ApplyExcitationShadow(v.data(), r.data(), n, bottom, c);
  for (int j = 1; j <= n; ++j) {
    const double x = bottom - r[j];
    if (x >= c) {
      EXPECT_EQ(v[j], 2.0f) << x;
    } else if (x <= -c) {
      EXPECT_EQ(v[j], 0.0f) << x;
    }
    if (j > 1) {
      EXPECT_LE(v[j], v[j - 1] + 1e-6f) << x;
    }
  }
  EXPECT_NEAR(v[201], 1.0f, 1e-5);  // at the bottom: half the light
  std::vector<float> unchanged(n + 1, 2.0f);
  l.ApplyExcitationShadow(unchanged.data(), r.data(), n, bottom, 0.0f);
  EXPECT_EQ(unchanged[300], 2.0f);
}

// A linear refractive quantity shifts every radius by magnitude times its
// slope; a linear profile read at the shifted radii is the profile moved by
// that shift.
TEST_F(LammPostCorrectionsTest, WienerSkewingShiftsAProfileByTheGradientOfTheQuantity) {
  const int n = 141;
  std::vector<double> r = UniformRadii<double>(n, 5.8, 0.01), q(r.size()), v(r.size());
  for (int j = 1; j <= n; ++j) {
    q[j] = 2 * r[j];
    v[j] = 3 + 0.5 * r[j];
  }
  l.SetWienerSkewing(0.001f, 1.0f);
  l.AllocWienerArrays(n);
  l.ApplyWienerSkewing(n, r.data(), v.data(), n, q.data());
  const double shift = 0.001 * 2;
  // The first radius has no forward neighbour to take a slope from, so the
  // shift starts from the third point.
  for (int j = 3; j <= n; ++j) EXPECT_NEAR(v[j], 3 + 0.5 * (r[j] - shift), 1e-9) << j;
  EXPECT_EQ(l.WienerConflict, 0);

  // Scans that take time cannot be skewed as one snapshot.
  std::vector<double> kept = v;
  l.TimeResolutionOn = 1;
  l.ScanVelocity = 2.43f;
  l.ApplyWienerSkewing(n, r.data(), v.data(), n, q.data());
  EXPECT_EQ(l.WienerConflict, 1);
  EXPECT_EQ(v, kept);
  l.SetWienerSkewing(0.001f, 1.0f);
  EXPECT_EQ(l.WienerConflict, 0);
}

TEST_F(LammPostCorrectionsTest, SignalDriftAndExponentialChangeMultiplyTheSignal) {
  const float radii[] = {0, 6.0f, 6.5f, 7.0f};
  struct Case {
    std::uint8_t linear, photo;
    std::function<double(double)> factor;
  };
  const Case cases[] = {
      {1, 1, [](double t) { return (1 + 0.001 * t) * (0.3 + 0.7 * std::exp(-0.01 * t)); }},
      {1, 0, [](double t) { return 1 + 0.001 * t; }},  // the limit becomes 1: no change
      {0, 1, [](double t) { return 0.3 + 0.7 * std::exp(-0.01 * t); }},
  };
  for (const Case& c : cases) {
    l.SetSignalDrift(1, c.linear, 3.6f, c.photo, 36.0f, 0.3f);
    for (double t : {0.0, 100.0, 2000.0}) {
      EXPECT_NEAR(l.SignalFactorAt(t), c.factor(t), 1e-6) << t;
      ASSERT_TRUE(l.ComputeSignalFactors(t, 3, radii, 50000, 4));
      for (int j = 1; j <= 3; ++j) EXPECT_NEAR(l.SignalFactors[j], c.factor(t), 1e-6);
    }
  }
  l.SetSignalDrift(0, 1, 3.6f, 1, 36.0f, 0.3f);
  EXPECT_EQ(l.SignalFactorAt(500), 1.0);
  EXPECT_FALSE(l.ComputeSignalFactors(500, 3, radii, 50000, 4));
  EXPECT_EQ(l.SignalFactors[2], 1.0);
}

// A fluorophore switching at 1/s towards 20 %: the beam excites less where
// the sector is wider (rate times 5.8/r), and a moving boundary (m > 0)
// weights the rate by the mean of exp(m t).
TEST_F(LammPostCorrectionsTest, FluorophoreFactorsFollowItsSwitchingAndResets) {
  CFluorophore f;
  f.pRateConstantsOn[1] = 3600;
  f.pInfTimeSteadyStateOn[1] = 0.2f;
  f.bSwitching = 1;
  const float resets[] = {0, 10};
  f.SetResetTimes(1, resets);
  f.LoadRecoveryLevels(1, 1, 0.5f);
  l.SetFluorophore(&f, 1, 1, 0.36f);  // drift 1 % per 100 s
  ASSERT_TRUE(l.Fluorophore.has_value());
  const float radii[] = {0, 5.8f, 11.6f};
  struct Case {
    double t, m, expected58, expected116;
  };
  const double F = (std::exp(1e-2 * 2) - 1) / (1e-2 * 2);
  const Case cases[] = {
      {2, 0, 0.2 + 0.8 * std::exp(-2.0), 0.2 + 0.8 * std::exp(-1.0)},
      {2, 1e-2, 0.2 + 0.8 * std::exp(-2.0 * F), 0.2 + 0.8 * std::exp(-1.0 * F)},
      {10.5, 0, 0.5 * (0.2 + 0.8 * std::exp(-0.5)), 0.5 * (0.2 + 0.8 * std::exp(-0.25))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.t);
    l.SignalFactors = OneBasedArray<double>(1, 2);
    ASSERT_TRUE(l.FluorophoreFactors(1, c.t, 2, radii, c.m));
    EXPECT_NEAR(l.SignalFactors[1], c.expected58, 1e-6);
    EXPECT_NEAR(l.SignalFactors[2], c.expected116, 1e-6);
  }
  ASSERT_TRUE(l.ComputeSignalFactors(2, 2, radii, 0, 4));
  EXPECT_NEAR(l.SignalFactors[1], (1 + 0.01 * 2 / 100) * (0.2 + 0.8 * std::exp(-2.0)), 1e-6);
  EXPECT_NEAR(l.SignalFactorAt(10.5), (1 + 0.0001 * 10.5) * 0.5 * (0.2 + 0.8 * std::exp(-0.5)),
              1e-6);
}

TEST_F(LammPostCorrectionsTest, AFluorophoreIsRefusedWithoutTemplateOrWithAChannelItLacks) {
  CFluorophore kept;
  kept.pRateConstantsOn[1] = 7;
  l.SetFluorophore(&kept, 1, 0, 0);
  CFluorophore other;
  struct Case {
    const CFluorophore* f;
    int channel;
    const char* message;
  };
  const Case cases[] = {{nullptr, 1, "Error pFlotmpl ==0 in CLammIdeal"},
                        {&other, 0, "Error loading wl < 1 in CLammIdeal"},
                        {&other, 2, "Error loading wl > max in CLammIdeal"}};
  for (const Case& c : cases) {
    backend().ClearLog();
    l.SetFluorophore(c.f, c.channel, 1, 5);
    EXPECT_EQ(LogLinesWith(c.message).size(), 1u) << c.message;
    EXPECT_EQ(l.Fluorophore->pRateConstantsOn[1], 7);
    EXPECT_EQ(l.LinearDriftOn, 0);
  }
}

TEST_F(LammPostCorrectionsTest, ScanTimeOffsetIsTheOpticsTravelFromTheFirstRadiusToTheMeniscus) {
  struct Case {
    std::uint8_t absorbance, timeResolution;
    float start;
    double expected;
  };
  const Case cases[] = {{1, 1, 5.9f, 2.5}, {1, 1, 6.1f, 0.0}, {0, 1, 5.9f, 0.0}, {1, 0, 5.9f, 0.0}};
  for (const Case& c : cases) {
    l.Meniscus = 6.0;
    l.ScanVelocity = 2.4f;
    l.AbsorbanceOptics = c.absorbance;
    l.TimeResolutionOn = c.timeResolution;
    l.SetScanTimeOffset(c.start);
    EXPECT_NEAR(l.ScanTimeOffset, c.expected, 1e-5) << c.start;
  }
}

TEST_F(LammPostCorrectionsTest, FluorescenceDetectionRecordSwitchesOnWhatItHolds) {
  data.MakeScans(2, 50000);
  data.Configure(l, 4, 1e-7);
  OneBasedArray<CFluorophore> templates(1, 2);
  CFluorophore& f = templates[2];
  f.bBurning = 1;
  f.BurnStartTime = 100;
  f.BurnEndTime = 500;
  f.bWithBurnReset = 1;
  f.BurnResetTime = 800;
  f.BurnBeamWidth = 0.02;
  f.bWithInitialBurn = 1;
  f.nInitialBurn = 6;
  f.pInitialBurnRad = OneBasedArray<double>(1, 6);
  f.pInitialBurnFact = OneBasedArray<double>(1, 6);
  FluorescenceDetectionRecord record;
  record.Templates = templates.data();
  record.TemplateCount = 2;
  record.DriftPerHour = 0.02f;
  record.Magnification = 1.1f;
  record.ShadowWidth = 0.06f;  // with the cone it reaches 7.13, inside the fit limit 7.15
  record.ConeRange = 0.01f;
  l.SetFluorescenceDetection(record, 2);
  EXPECT_TRUE(l.Fluorophore.has_value());
  EXPECT_EQ(l.SignalDriftOn, 1);
  EXPECT_EQ(l.LinearDriftOn, 1);
  EXPECT_NEAR(l.RadialMagnificationSlope, 0.1, 1e-6);
  EXPECT_NEAR(l.ExcitationShadowWidth, 0.06, 1e-6);
  EXPECT_EQ(l.ConeConvolutionOn, 1);
  EXPECT_EQ(l.ConeGridKind, 1);
  EXPECT_EQ(l.PhotophysicsOn, 1);
  EXPECT_EQ(l.DarkResetTime, 800);
  EXPECT_EQ(l.BleachScale, 0.02);
  EXPECT_EQ(l.PhotophysicsProfileOn, 1);

  CLammIdeal plain;
  data.Configure(plain, 4, 1e-7);
  record.ShadowWidth = 0.01f;  // stays outside the fitted range
  plain.SetFluorescenceDetection(record, 1);
  EXPECT_EQ(plain.ExcitationShadowOn, 0);
  EXPECT_EQ(plain.PhotophysicsOn, 0);
  EXPECT_EQ(plain.PhotophysicsProfileOn, 0);

  backend().ClearLog();
  CLammIdeal unknown;
  unknown.SetFluorescenceDetection(record, 3);
  EXPECT_EQ(LogLinesWith("Error pFlotmpl ==0 in CLammIdeal").size(), 1u);
  EXPECT_FALSE(unknown.Fluorophore.has_value());
}

// After a run the magnification gradient and the signal factors apply to
// every scan; scans that the run never reached are emptied.
TEST_F(LammPostCorrectionsTest, ScansAreCorrectedAndThoseNeverReachedAreEmptied) {
  data.MakeScans(4, 50000, 300, 300);
  data.Configure(l, 4, 1e-7);
  std::int32_t order[] = {0, 4, 3, 2, 1};  // production order, latest first
  l.SetOutput(nullptr, nullptr, data.Headers.data(), data.Output.get(), data.Radii.data(),
              data.PointCount(), nullptr, nullptr, 0, order, 4, 1, 0, 1, 0, 2.43f, 0, 0.008f, 1);
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= data.PointCount(); ++j) data.Output[i][j] = 2.0f;
  l.SetRadialMagnification(1, 1.2f);
  l.SetSignalDrift(1, 1, 0.36f, 0, 0, 1);  // 1 % per 100 s
  l.StoppedEarly = 1;
  l.NextScan = 3;  // scans 4 and 3 were produced
  l.PostCorrectScans();
  for (int i = 1; i <= 4; ++i)
    for (int j = 1; j <= data.PointCount(); j += 20) {
      const double r = data.Radii[j], t = data.Headers[i].RecordedTime;
      const double expected = i >= 3 ? 2 * ((r - data.Meniscus) * 0.2 + 1) * (1 + 1e-4 * t) : 0;
      EXPECT_NEAR(data.Output[i][j], expected, 1e-5) << "scan " << i << " r " << r;
    }
}

TEST_F(LammPostCorrectionsTest, WithoutSedimentationEveryScanIsTheInitialProfile) {
  data.MakeScans(3, 50000);
  data.Configure(l, 0, 0, 1.0);
  l.GridSize = 141;
  ASSERT_EQ(l.AllocWorkArrays(), 1);
  for (int i = 1; i <= l.GridSize; ++i) l.Concentration[i] = 0.6 + 0.1 * (l.Radius[i] - 5.8);
  l.SetAddToOutput(1);
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= data.PointCount(); ++j) data.Output[i][j] = 1.0f;
  l.PostCorrectStatic();
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= data.PointCount(); ++j)
      EXPECT_NEAR(data.Output[i][j], 1.0 + 0.6 + 0.1 * (data.Radii[j] - 5.8), 1e-6);
}

}  // namespace
