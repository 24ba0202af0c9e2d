// The model-free boundary calculators: second-moment s of a boundary made
// by the Lamm equation solver, pressure, radial dilution and spreading, and
// the refusal of inputs that have no defined result.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "data/DataTestSupport.h"
#include "data/ScanDataSet.h"
#include "lamm/CLammIdeal.h"
#include "state/ModelParameters.h"
#include "tools/BoundaryCalculations.h"

namespace {

class BoundaryCalculations : public DataTest {
 protected:
  // A 5 S, 6e-7 cm^2/s species at 50,000 rpm, scans every 600 s from 1200 s,
  // loaded as the data set.
  void LoadSimulatedScans(int count) {
    const double meniscus = 5.9, bottom = 7.2, spacing = 0.005;
    const float rpm = 50000.0f;
    const double w2 = std::pow(rpm * 2 * std::numbers::pi / 60, 2);
    OneBasedArray<ScanHeader> headers(1, count);
    for (int k = 1; k <= count; ++k) {
      headers[k].Rpm = rpm;
      headers[k].Temperature = 20.0f;
      headers[k].Time = headers[k].RecordedTime = 1200.0 + 600.0 * (k - 1);
      headers[k].Omega2t = w2 * headers[k].Time;
      headers[k].RampAcceleration = 1e6;
    }
    const int points = static_cast<int>(std::lround((bottom - meniscus) / spacing)) + 1;
    OneBasedArray<float> radii(1, points);
    for (int i = 1; i <= points; ++i) radii[i] = static_cast<float>(meniscus + (i - 1) * spacing);
    OneBasedMatrix<float> output(1, count, 1, points);
    CLammIdeal solver;
    solver.SetIdealModel();
    solver.SetParameters(5.0, 6e-7, meniscus, bottom, 1.0, 5.95f, 7.1f);
    solver.SetOutput(nullptr, nullptr, headers.data(), output.get(), radii.data(), points, nullptr,
                     nullptr, 0, nullptr, count, 1, 1, 1, 0, 2.43f, 0, 0.008f, 0);
    solver.SetNumerics(100, 2000, 5.0f, 0, 1e-4, 0, 1, 1, 1.0f, 1, 0, 0, 1e-6, 1.0, 1, 0, 0, 1.0,
                       0.1, 0.3, 1.0, 1000, 0, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
    solver.SetSolvent(20.0, 0.73, 0.99823, 1.0);
    ASSERT_EQ(solver.Solve(), 0);

    FreeDataSet();
    AllocScanSlots(count);
    auto& d = ScanDataSet;
    d.NFILES = count;
    // Fit range from just past the meniscus to 7.1 cm.
    const int first = static_cast<int>(std::lround((5.95 - meniscus) / spacing)) + 1;
    const int last = static_cast<int>(std::lround((7.1 - meniscus) / spacing)) + 1;
    for (int i = 1; i <= count; ++i) {
      d.ScanPointCount[i] = points;
      d.ScanRadius[i].Resize(1, points);
      d.ScanSignal[i].Resize(1, points);
      d.ScanModel[i].Resize(1, points);
      for (int k = 1; k <= points; ++k) {
        d.ScanRadius[i][k] = radii[k];
        d.ScanSignal[i][k] = output[i][k];
      }
      d.ScanFirstFitIndex[i] = first;
      d.ScanLastFitIndex[i] = last;
      d.ScanHeaders[i] = headers[i];
      d.ScanTimeOrder[i] = i;
    }
    d.FitRightLim = 7.1f;
    ModelParameters.Meniscus = static_cast<float>(meniscus);
    ModelParameters.Bottom = static_cast<float>(bottom);
  }
};

TEST_F(BoundaryCalculations, SecondMomentFindsTheSimulatedS) {
  LoadSimulatedScans(8);
  for (bool differential : {false, true}) {
    SCOPED_TRACE(differential ? "differential" : "integral");
    SecondMomentResult r;
    std::string reason;
    ASSERT_TRUE(SecondMomentS(differential, r, reason)) << reason;
    EXPECT_NEAR(r.sw, 5.0, 5.0 * 0.005);
    EXPECT_NEAR(r.loading, 1.0, 0.01);
    EXPECT_EQ(r.tableS.size(), differential ? 7u : 8u);
  }
  // The model is the step at each boundary: plateau beyond it, 0 before.
  const auto& d = ScanDataSet;
  EXPECT_EQ(d.ScanModel[1][1], 0.0f);
  EXPECT_GT(d.ScanModel[1][d.ScanPointCount[1]], 0.8f);
}

TEST_F(BoundaryCalculations, DegenerateScansAreRefused) {
  LoadSimulatedScans(1);
  SecondMomentResult r;
  std::string reason;
  EXPECT_FALSE(SecondMomentS(true, r, reason));
  EXPECT_NE(reason.find("two scans"), std::string::npos);
  // No plateau near the right fit limit.
  for (int k = 1; k <= ScanDataSet.ScanPointCount[1]; ++k) ScanDataSet.ScanSignal[1][k] = 0;
  EXPECT_FALSE(SecondMomentS(false, r, reason));
  EXPECT_NE(reason.find("plateau"), std::string::npos);
}

TEST(BoundaryFormulas, PressureAtTheBottom) {
  const CellPressure p = ComputePressure(6.0, 7.2, 1.0, 60000);
  EXPECT_NEAR(p.bottom, 312.7, 0.05);
  EXPECT_GT(p.middle, 0);
  EXPECT_LT(p.middle, p.bottom);
}

TEST(BoundaryFormulas, RadialDilution) {
  RadialDilution r;
  std::string reason;
  const double w2t = 1e11;
  ASSERT_TRUE(ComputeRadialDilution(5, 6.0, 7.2, w2t, {w2t / 2, w2t}, r, reason));
  const double e = 5e-13 * w2t;
  EXPECT_NEAR(r.boundary, 6.0 * std::exp(e), 1e-9);
  EXPECT_NEAR(r.lastPlateau, std::exp(-2 * e), 1e-12);
  // A floating particle starts at the bottom.
  ASSERT_TRUE(ComputeRadialDilution(-5, 6.0, 7.2, w2t, {w2t}, r, reason));
  EXPECT_NEAR(r.boundary, 7.2 * std::exp(-e), 1e-9);
  EXPECT_FALSE(ComputeRadialDilution(0, 6.0, 7.2, w2t, {w2t}, r, reason));
}

TEST(BoundaryFormulas, SpreadRatio) {
  SpreadRatio r;
  std::string reason;
  ASSERT_TRUE(ComputeSpreadRatio(6.2, 7.2, 50000, 1000, 0.73, 1.0, 20, 100, 0.01, r, reason));
  EXPECT_NEAR(r.ratio, r.diffusion / r.heterogeneity, 1e-12);
  const double d = 100e-13 * 8.31451e7 * 293.15 / ((1 - 0.73) * 1e6);
  EXPECT_NEAR(r.d, d, d * 1e-12);
  EXPECT_FALSE(ComputeSpreadRatio(6.2, 7.2, 50000, 1000, 0.73, 1.0, 20, 0, 0.01, r, reason));
}

}  // namespace
