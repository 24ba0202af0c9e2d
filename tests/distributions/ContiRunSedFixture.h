#pragma once
// Fixture of the tests that run whole distributions: the model's slots as
// the parameter dialog leaves them, the peaks of the stored density and the
// rmsd of the best fit.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "distributions/ContiRunFixture.h"
#include "distributions/RunContiSed.h"
#include "distributions/StoredDistribution.h"
#include "models/ParameterPacking.h"

class ContiRunSedTest : public ContiRunTest {
 protected:
  void TearDown() override {
    StoredDistributionServices = savedServices_;
    ContiKernelServices = ContiKernelServicesRecord{};
    ContiRunTest::TearDown();
  }

  // The model's slots as the parameter dialog leaves them, then unpacked:
  // grid, confidence level, vbar 0.73, density 1, water viscosity, f/f0.
  void SetModel(ModelKind kind, float smin, float smax, float resolution, float p = 0.68f,
                float ff0 = 1.2f, float meniscus = 5.8f, float bottom = 7.2f) {
    ModelSelection.Kind = kind;
    ParameterVector[1] = smin;
    ParameterVector[2] = p;
    ParameterVector[3] = 0.73f;
    ParameterVector[4] = 0.3f;
    ParameterVector[5] = smax;
    ParameterVector[7] = 1.0f;
    ParameterVector[9] = resolution;
    ParameterVector[11] = ff0;
    ParameterVector[12] = 0.01002f;
    ParameterVector[13] = meniscus;
    ParameterVector[14] = bottom;
    UnpackParameterVector();
  }

  // The amplitudes of the stored density (its widths put back).
  static std::vector<double> Amplitudes() {
    const auto& x = DistributionResult.DistSGrid;
    const auto& v = DistributionResult.DistValues;
    const int n = DistributionSettings.DistGridSize;
    std::vector<double> a(static_cast<std::size_t>(n) + 1, 0.0);
    for (int i = 1; i <= n; ++i) {
      const double lo = x[static_cast<std::size_t>(std::max(i - 1, 1))];
      const double hi = x[static_cast<std::size_t>(std::min(i + 1, n))];
      a[static_cast<std::size_t>(i)] = v[static_cast<std::size_t>(i)] * (hi - lo) / 2.0;
    }
    return a;
  }

  struct Peak {
    double area = 0.0, position = 0.0;
  };
  static Peak PeakBetween(double lo, double hi) {
    const auto a = Amplitudes();
    Peak p;
    for (int i = 1; i <= DistributionSettings.DistGridSize; ++i) {
      const double s = DistributionResult.DistSGrid[static_cast<std::size_t>(i)];
      if (s < lo || s >= hi) continue;
      p.area += a[static_cast<std::size_t>(i)];
      p.position += a[static_cast<std::size_t>(i)] * s;
    }
    if (p.area > 0) p.position /= p.area;
    return p;
  }

  StoredDistributionServicesRecord savedServices_ = StoredDistributionServices;

  // Root-mean-square of data minus model over every scan's fit range.
  static double Rmsd() {
    const auto& d = ScanDataSet;
    double sum = 0.0;
    long count = 0;
    for (int j = 1; j <= d.NFILES; ++j)
      for (int k = d.ScanFirstFitIndex[j]; k <= d.ScanLastFitIndex[j]; ++k) {
        const double r = d.ScanSignal[j][k] - d.ScanModel[j][k];
        sum += r * r;
        ++count;
      }
    return std::sqrt(sum / static_cast<double>(count));
  }
};
