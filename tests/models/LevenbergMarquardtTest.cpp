// Levenberg-Marquardt: a linear least-squares problem against its normal
// equations and covariance, Rosenbrock's valley as a least-squares problem, a
// Gaussian peak with seeded noise recovered and matched by the simplex, the
// derivative steps, the tenfold step limit, declined converged steps, the
// zero differential, the interruption and the report file.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "ModelsTestSupport.h"
#include "state/ProgramFlags.h"
#include "models/LevenbergMarquardt.h"
#include "models/NelderMead.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/RandomNumbers.h"
#include "support/TestSupport.h"

namespace {

// A curve fitted to data at fixed abscissae; the objective leaves the model
// at every point behind and returns the rmsd, 1e10 while FitAbort is set.
struct CurveFit {
  int n;
  std::vector<double> x;
  std::vector<float> data, model;
  std::function<double(double, const float*)> f;
  std::vector<std::vector<float>> evaluated;

  CurveFit(int parameters, std::vector<double> abscissae,
           std::function<double(double, const float*)> curve)
      : n(parameters),
        x(std::move(abscissae)),
        data(x.size()),
        model(x.size()),
        f(std::move(curve)) {}

  void MakeData(const std::vector<float>& truth, float noise, std::uint32_t seed) {
    PolarGaussian<float> gauss(seed);
    for (std::size_t k = 0; k < x.size(); ++k)
      data[k] = static_cast<float>(f(x[k], truth.data() - 1)) + gauss.Draw(noise);
  }
  float Evaluate(float* p) {
    if (FitControl.FitAbort) return 1e10f;
    evaluated.emplace_back(p + 1, p + 1 + n);
    double sum = 0.0;
    for (std::size_t k = 0; k < x.size(); ++k) {
      model[k] = static_cast<float>(f(x[k], p));
      sum += double(data[k] - model[k]) * (data[k] - model[k]);
    }
    return static_cast<float>(std::sqrt(sum / x.size()));
  }
  MarquardtProblem Problem() {
    MarquardtProblem problem;
    problem.objective = [this](float* p) { return Evaluate(p); };
    problem.fitPoints = [this](std::vector<float>& d, std::vector<float>& m) {
      d = data;
      m = model;
    };
    return problem;
  }
  // Allocates, sets every derivative step to that of a parameter-vector
  // slot, and fits from start.
  bool Fit(std::vector<float>& start) {
    AllocMarquardtArrays(n);
    SetDiscreteDerivativeSteps(std::vector<int>(n, 0));
    OneBasedArray<float> p(1, n);
    for (int i = 1; i <= n; ++i) p[i] = start[i - 1];
    const bool normal = MarquardtMinimize(Problem(), p.data(), n);
    for (int i = 1; i <= n; ++i) start[i - 1] = p[i];
    return normal;
  }
};

std::vector<double> Grid(double from, double to, int count) {
  std::vector<double> x(count);
  for (int k = 0; k < count; ++k) x[k] = from + (to - from) * k / (count - 1);
  return x;
}

class LevenbergMarquardtTest : public ModelsTest {
 protected:
  void TearDown() override {
    FreeMarquardtArrays();
    RedrawSuppressed = false;
    SerialFitErrorCode = 0;
    ModelsTest::TearDown();
  }
};

TEST_F(LevenbergMarquardtTest, LinearProblemGivesNormalEquationSolutionAndCovariance) {
  // y = c1 + c2 x + c3 x^2: the least-squares solution solves J'J c = J'y,
  // and the covariance with unit weights is (J'J)^-1, the inverse of half
  // the Hessian of chi-square.
  CurveFit fit(3, Grid(0.0, 3.0, 40),
               [](double x, const float* c) { return c[1] + c[2] * x + c[3] * x * x; });
  fit.MakeData({2.0f, 0.5f, -0.3f}, 0.05f, 11);
  OneBasedMatrix<double> jtj(1, 3, 1, 3);
  OneBasedArray<double> jty(1, 3);
  for (std::size_t k = 0; k < fit.x.size(); ++k) {
    const double basis[4] = {0.0, 1.0, fit.x[k], fit.x[k] * fit.x[k]};
    for (int i = 1; i <= 3; ++i) {
      jty[i] += basis[i] * fit.data[k];
      for (int j = 1; j <= 3; ++j) jtj[i][j] += basis[i] * basis[j];
    }
  }
  // Closed-form inverse of the symmetric 3 x 3 matrix by cofactors.
  auto m = [&](int i, int j) { return jtj[i][j]; };
  const double cof[4][4] = {
      {},
      {0, m(2, 2) * m(3, 3) - m(2, 3) * m(3, 2), m(1, 3) * m(3, 2) - m(1, 2) * m(3, 3),
       m(1, 2) * m(2, 3) - m(1, 3) * m(2, 2)},
      {0, m(2, 3) * m(3, 1) - m(2, 1) * m(3, 3), m(1, 1) * m(3, 3) - m(1, 3) * m(3, 1),
       m(1, 3) * m(2, 1) - m(1, 1) * m(2, 3)},
      {0, m(2, 1) * m(3, 2) - m(2, 2) * m(3, 1), m(1, 2) * m(3, 1) - m(1, 1) * m(3, 2),
       m(1, 1) * m(2, 2) - m(1, 2) * m(2, 1)}};
  const double det = m(1, 1) * cof[1][1] + m(1, 2) * cof[2][1] + m(1, 3) * cof[3][1];
  double solution[4] = {};
  for (int i = 1; i <= 3; ++i)
    for (int j = 1; j <= 3; ++j) solution[i] += cof[i][j] / det * jty[j];

  // Starting values far from 1, so that the scaling must be undone.
  std::vector<float> p{3.0f, 0.2f, -2.0f};
  ASSERT_TRUE(fit.Fit(p));
  for (int i = 1; i <= 3; ++i) {
    EXPECT_NEAR(p[i - 1], solution[i], 2e-4) << i;
    for (int j = 1; j <= 3; ++j)
      EXPECT_NEAR(MarquardtWork.covariance[i][j], cof[i][j] / det,
                  2e-3 * std::fabs(cof[i][i] / det))
          << i << "," << j;
  }

  ScratchFolder folder;
  OneBasedArray<float> result(1, 3);
  for (int i = 1; i <= 3; ++i) result[i] = p[i - 1];
  ASSERT_TRUE(WriteMarquardtReport(folder.File("report.txt"), result.data(), 3));
  std::ifstream in(folder.File("report.txt"));
  std::string line;
  for (int i = 1; i <= 3; ++i) {
    ASSERT_TRUE(std::getline(in, line));
    int number = 0;
    double value = 0.0, error = 0.0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d: %le\t(%le)\t - ", &number, &value, &error), 3) << line;
    EXPECT_EQ(number, i);
    EXPECT_NEAR(value, p[i - 1], 1e-5 * std::fabs(p[i - 1]) + 1e-6);
    EXPECT_NEAR(error, std::sqrt(cof[i][i] / det), 2e-3 * std::sqrt(cof[i][i] / det));
  }
  EXPECT_FALSE(std::getline(in, line));
}

TEST_F(LevenbergMarquardtTest, RosenbrocksValleyAsLeastSquares) {
  // Residuals 10 (x2 - x1^2) and 1 - x1: chi-square is Rosenbrock's function.
  CurveFit fit(2, {0.0, 1.0}, [](double which, const float* p) {
    return which == 0.0 ? 10.0 * (double(p[1]) * p[1] - p[2]) : double(p[1]);
  });
  fit.data = {0.0f, 1.0f};
  std::vector<float> p{-1.2f, 1.0f};
  ASSERT_TRUE(fit.Fit(p));
  EXPECT_NEAR(p[0], 1.0f, 1e-3);
  EXPECT_NEAR(p[1], 1.0f, 2e-3);
}

TEST_F(LevenbergMarquardtTest, GaussianPeakIsRecoveredAndTheSimplexReachesTheSameRmsd) {
  auto peak = [](double x, const float* p) {
    const double z = (x - p[2]) / p[3];
    return p[1] * std::exp(-0.5 * z * z) + p[4];
  };
  CurveFit fit(4, Grid(6.2, 7.0, 200), peak);
  const float noise = 0.01f;
  fit.MakeData({1.5f, 6.6f, 0.08f, 0.1f}, noise, 5);
  const std::vector<float> start{1.0f, 6.57f, 0.1f, 0.05f};
  std::vector<float> p = start;
  ASSERT_TRUE(fit.Fit(p));
  EXPECT_NEAR(p[0], 1.5f, 0.015f);
  EXPECT_NEAR(p[1], 6.6f, 0.002f);
  EXPECT_NEAR(p[2], 0.08f, 0.0024f);
  EXPECT_NEAR(p[3], 0.1f, 0.005f);
  OneBasedArray<float> result(1, 4);
  for (int j = 1; j <= 4; ++j) result[j] = p[j - 1];
  const float lmRmsd = fit.Evaluate(result.data());
  EXPECT_NEAR(lmRmsd, noise, 0.1f * noise);

  // Simplex cycles from the same start, each around the best point of the
  // last, as the fit driver runs them.
  std::vector<float> s = start;
  float simplexRmsd = 0.0f;
  for (int cycle = 0; cycle < 8; ++cycle) {
    OneBasedMatrix<float> v(1, 5, 1, 4);
    OneBasedArray<float> y(1, 5);
    for (int i = 1; i <= 5; ++i)
      for (int j = 1; j <= 4; ++j) v[i][j] = s[j - 1] * (i == j + 1 ? 1.05f : 1.0f);
    const FitObjective f = [&](float* q) { return fit.Evaluate(q); };
    for (int i = 1; i <= 5; ++i) y[i] = f(v[i]);
    int evaluations = 0;
    NelderMead(v.get(), y.data(), 4, 1e-6f, f, evaluations, nullptr);
    int b = 1;
    for (int i = 2; i <= 5; ++i)
      if (y[i] < y[b]) b = i;
    for (int j = 1; j <= 4; ++j) s[j - 1] = v[b][j];
    simplexRmsd = y[b];
  }
  EXPECT_NEAR(simplexRmsd, lmRmsd, 1e-4f * lmRmsd);
}

TEST_F(LevenbergMarquardtTest, DerivativeStepsOfTheFloatingItems) {
  struct Case {
    int item;
    bool mass;
    double factor, floor;
  };
  const Case cases[] = {
      {0, true, 1.0005, 0.001},   {1, true, 1.0001, 0.0001}, {2, true, 1.001, 0.001},
      {3, true, 1.01, 1e-6},      {7, true, 1.001, 0.001},   {8, true, 1.0001, 0.0001},
      {13, true, 1.0001, 0.0001}, {14, true, 1.001, 0.001},  {15, true, 1.01, 10.0},
      {15, false, 1.01, 0.1},     {17, true, 1.0001, 0.001}, {18, true, 1.01, 0.01},
      {19, false, 1.01, 0.1},     {20, true, 1.001, 0.001},
  };
  for (const Case& c : cases) {
    const DerivativeStep step = DiscreteDerivativeStep(c.item, c.mass);
    EXPECT_EQ(step.factor, c.factor) << c.item;
    EXPECT_EQ(step.floor, c.floor) << c.item;
  }

  // A parameter of value 5 with factor 1.0001 is differenced at 5.0005 (a
  // step of 0.0001 in scaled units); one that starts at 0 is not scaled and
  // is differenced at its floor.
  CurveFit fit(2, Grid(0.0, 1.0, 5), [](double x, const float* p) { return p[1] * x + p[2]; });
  fit.MakeData({5.0f, 0.0f}, 0.0f, 1);
  AllocMarquardtArrays(2);
  EXPECT_EQ(SetDiscreteDerivativeSteps({1, 0}), 2);
  OneBasedArray<float> p(1, 2);
  p[1] = 5.0f;
  p[2] = 0.0f;
  MarquardtMinimize(fit.Problem(), p.data(), 2);
  ASSERT_GE(fit.evaluated.size(), 3u);
  EXPECT_EQ(fit.evaluated[0], std::vector<float>({5.0f, 0.0f}));
  EXPECT_FLOAT_EQ(fit.evaluated[1][0], 5.0005f);
  EXPECT_EQ(fit.evaluated[1][1], 0.0f);
  EXPECT_EQ(fit.evaluated[2][0], 5.0f);
  EXPECT_FLOAT_EQ(fit.evaluated[2][1], 0.001f);
  EXPECT_FLOAT_EQ(MarquardtWork.ParameterScale[1], 5.0f);
  EXPECT_EQ(MarquardtWork.ParameterScale[2], 0.0f);
}

TEST_F(LevenbergMarquardtTest, OneStepChangesAParameterAtMostTenfold) {
  // From p = 2 the undamped step towards 42 is 20 times the value (19.8 with
  // the damping of 0.01) and is cut to 10 times; towards -38 the proposed
  // value changes sign and is cut to -10 times.
  for (float truth : {42.0f, -38.0f}) {
    SCOPED_TRACE(truth);
    CurveFit fit(1, Grid(0.1, 1.0, 10), [](double x, const float* p) { return p[1] * x; });
    fit.MakeData({truth}, 0.0f, 1);
    std::vector<float> p{2.0f};
    fit.Fit(p);
    ASSERT_GE(fit.evaluated.size(), 3u);
    EXPECT_FLOAT_EQ(fit.evaluated[2][0], truth > 0 ? 20.0f : -20.0f);
    EXPECT_NEAR(p[0], truth, 1e-3 * std::fabs(truth));
  }
}

TEST_F(LevenbergMarquardtTest, StepsAtTheMinimumAreDeclinedWithoutEvaluations) {
  // Data without noise at the starting point: every step is below the step
  // tolerance, none is taken, and 100 iterations end the search normally.
  CurveFit fit(2, Grid(0.0, 1.0, 8),
               [](double x, const float* p) { return p[1] * std::exp(-p[2] * x); });
  fit.MakeData({3.0f, 1.5f}, 0.0f, 1);
  std::vector<float> p{3.0f, 1.5f};
  ASSERT_TRUE(fit.Fit(p));
  EXPECT_EQ(fit.evaluated.size(), 1u + 2u + 1u);  // start, two derivatives, final
  EXPECT_EQ(FitControl.OptimizerStep, MarquardtMaxIterations);
  EXPECT_TRUE(MarquardtWork.MarquardtStepConverged);
  EXPECT_EQ(p, std::vector<float>({3.0f, 1.5f}));
  EXPECT_FALSE(FitControl.FitRunning);
}

TEST_F(LevenbergMarquardtTest, ZeroDifferentialIsReportedAndTheParameterStays) {
  for (bool serial : {false, true}) {
    SCOPED_TRACE(serial);
    RedrawSuppressed = serial;
    SerialFitErrorCode = 0;
    const auto boxesBefore = LogLinesWith("zero differential in mlcof").size();
    CurveFit fit(2, Grid(0.0, 1.0, 8), [](double x, const float* p) { return p[1] * x + p[2]; });
    fit.MakeData({3.0f, 1.0f}, 0.0f, 1);
    AllocMarquardtArrays(2);
    SetDiscreteDerivativeSteps({0, 0});
    MarquardtWork.DerivativeStepFactor[2] = 1.0;  // trial value equal to the value
    OneBasedArray<float> p(1, 2);
    p[1] = 2.0f;
    p[2] = 2.0f;
    ASSERT_TRUE(MarquardtMinimize(fit.Problem(), p.data(), 2));
    EXPECT_EQ(p[2], 2.0f);
    EXPECT_NE(p[1], 2.0f);
    const auto boxes = LogLinesWith("zero differential in mlcof").size() - boxesBefore;
    if (serial) {
      EXPECT_EQ(boxes, 0u);
      EXPECT_EQ(SerialFitErrorCode, 9);
    } else {
      EXPECT_GT(boxes, 0u);
    }
  }
}

TEST_F(LevenbergMarquardtTest, InterruptionEvaluatesTheLastAcceptedPointAndReturnsFalse) {
  // The interrupt arrives during the first derivatives, as the fit objective
  // turns it into FitAbort: no further evaluation but the final one at the
  // starting point, FitAbort cleared, no covariance.
  CurveFit fit(2, Grid(0.0, 1.0, 8), [](double x, const float* p) { return p[1] * x + p[2]; });
  fit.MakeData({3.0f, 1.0f}, 0.01f, 3);
  MarquardtProblem problem = fit.Problem();
  int calls = 0;
  problem.objective = [&](float* q) {
    const float value = fit.Evaluate(q);
    if (++calls == 2) ComputationAbort = true;
    if (ComputationAbort) {
      ComputationAbort = false;
      FitControl.FitAbort = true;
    }
    return value;
  };
  AllocMarquardtArrays(2);
  SetDiscreteDerivativeSteps({0, 0});
  OneBasedArray<float> p(1, 2);
  p[1] = 2.0f;
  p[2] = 2.0f;
  EXPECT_FALSE(MarquardtMinimize(problem, p.data(), 2));
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(fit.evaluated.size(), 3u);
  EXPECT_EQ(fit.evaluated.back(), std::vector<float>({2.0f, 2.0f}));
  EXPECT_FALSE(FitControl.FitAbort);
  EXPECT_FALSE(FitControl.FitRunning);
}

TEST_F(LevenbergMarquardtTest, FitsTheFitRangesOfTheLoadedScans) {
  // Two scans of a sigmoid boundary a / (1 + exp((m - r) / w)) whose
  // midpoint moves with the scan; points outside each scan's fit index range
  // hold garbage and must not enter the fit.
  LoadTestScans({{6.0, 7.0, 0.01, 100.0, nullptr, 0.0f}, {6.0, 7.0, 0.01, 200.0, nullptr, 0.0f}});
  auto boundary = [](int scan, float r, const float* p) {
    const double mid = p[2] + 0.1 * scan;
    return static_cast<float>(p[1] / (1.0 + std::exp((mid - r) / p[3])));
  };
  const float truth[4] = {0.0f, 0.8f, 6.3f, 0.03f};
  for (int scan = 1; scan <= 2; ++scan) {
    ScanDataSet.ScanFirstFitIndex[scan] = 6;
    ScanDataSet.ScanLastFitIndex[scan] = 95;
    for (int k = 1; k <= ScanDataSet.ScanPointCount[scan]; ++k) {
      const bool fitted = k >= 6 && k <= 95;
      ScanDataSet.ScanSignal[scan][k] =
          fitted ? boundary(scan, ScanDataSet.ScanRadius[scan][k], truth) : 1e6f;
    }
  }
  MarquardtProblem problem;
  problem.fitPoints = ScanFitPoints;
  problem.objective = [&](float* p) {
    double sum = 0.0;
    int count = 0;
    for (int scan = 1; scan <= 2; ++scan)
      for (int k = 1; k <= ScanDataSet.ScanPointCount[scan]; ++k) {
        ScanDataSet.ScanModel[scan][k] = boundary(scan, ScanDataSet.ScanRadius[scan][k], p);
        if (k < 6 || k > 95) continue;
        const double d = ScanDataSet.ScanSignal[scan][k] - ScanDataSet.ScanModel[scan][k];
        sum += d * d;
        ++count;
      }
    return static_cast<float>(std::sqrt(sum / count));
  };
  AllocMarquardtArrays(3);
  SetDiscreteDerivativeSteps({0, 0, 0});
  OneBasedArray<float> p(1, 3);
  p[1] = 1.0f;
  p[2] = 6.25f;
  p[3] = 0.05f;
  ASSERT_TRUE(MarquardtMinimize(problem, p.data(), 3));
  EXPECT_EQ(MarquardtWork.MarquardtPointCount, 180.0);
  for (int i = 1; i <= 3; ++i) EXPECT_NEAR(p[i], truth[i], 1e-4 * truth[i]) << i;
}

}  // namespace
