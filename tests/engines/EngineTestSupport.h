// What the Lamm engine tests share: the run as the dispatcher leaves it
// before calling an engine (scans loaded, grid allocated and loaded, run
// record filled) and readings of the final profile on the engine's grid.

#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "models/ModelsTestSupport.h"

namespace engine_test {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMeniscus = 5.8, kBottom = 7.2;

inline double OmegaSquared(double rpm) {
  const double omega = rpm * 2 * kPi / 60;
  return omega * omega;
}

inline std::vector<double> Times(double first, double interval, int count) {
  std::vector<double> t;
  for (int k = 0; k < count; ++k) t.push_back(first + k * interval);
  return t;
}

struct Cell {
  double meniscus = kMeniscus, bottom = kBottom;
};

class EngineRunTest : public ModelsTest {
 protected:
  // Scans at the given times with radii every 0.01 cm, a uniform loading c0
  // on an evenly spaced grid of n nodes, and the run record as the
  // dispatcher leaves it before calling the engine. The model kind must be
  // chosen before: the arrays allocated depend on it.
  static void SetUpEngineRun(const std::vector<double>& times, double rpm, int n, double c0,
                             Cell cell) {
    std::vector<TestScan> scans;
    for (double t : times) scans.push_back({cell.meniscus, cell.bottom, 0.01, t, nullptr, 0.0f});
    LoadTestScans(scans);
    ScanDataSet.RampRotorSpeed = false;
    ScanDataSet.FitLeftLim = static_cast<float>(cell.meniscus + 0.1);
    ScanDataSet.FitRightLim = static_cast<float>(cell.bottom - 0.05);
    ModelParameters.Meniscus = static_cast<float>(cell.meniscus);
    ModelParameters.Bottom = static_cast<float>(cell.bottom);
    LammSolverSettings.LammGridSize = n;
    LammSolverSettings.MovingFrame = false;
    LammSolverSettings.FixedGrid = true;
    ASSERT_EQ(AllocSimulationArrays(), 1);
    for (int i = 1; i <= n; ++i) GlobalLammArrays.LammConcentration[i] = c0;
    GlobalLammRunStateRecord& run = GlobalLammRun;
    run.RunRpm = run.FinalRpm = rpm;
    run.SimTime = 0.0;
    run.TimeStep = 1.0;
    run.IterationCount = 0;
    run.KeepRunning = 1;
    run.NextScan = 1;
    run.NextScanTime = ScanDataSet.ScanHeaders[ScanDataSet.ScanTimeOrder[1]].Time;
    run.OutputTime = run.NextScanTime;
    run.OutputPending = 1;
    run.MaxRelativeChange = LammSolverSettings.MaxChangePerStep;
  }

  static int N() { return GlobalLammArrays.LammAllocatedSize; }
  static const double* C() { return GlobalLammArrays.LammConcentration; }
  static const double* R() { return GlobalLammArrays.LammRadius; }

  // The value of the final profile at radius x (linear interpolation).
  static double At(double x) {
    for (int i = 1; i < N(); ++i)
      if (R()[i + 1] >= x)
        return C()[i] + (C()[i + 1] - C()[i]) * (x - R()[i]) / (R()[i + 1] - R()[i]);
    return C()[N()];
  }

  // Trapezoid integral of c r dr over the final profile from the meniscus
  // to x.
  static double FirstMoment(double x) {
    double sum = 0.0;
    for (int i = 1; i < N() && R()[i] < x; ++i) {
      const double a = R()[i], b = std::min(R()[i + 1], x);
      const double fb = R()[i + 1] <= x ? C()[i + 1] : At(x);
      sum += 0.5 * (C()[i] * a + fb * b) * (b - a);
    }
    return sum;
  }

  // s from the second moment of the boundary: r2^2 = (rp^2 cp - 2 int c r
  // dr)/cp moves as rm^2 exp(2 s int omega^2 dt), the integral being w2t.
  static double SecondMomentS(double rp, double w2t) {
    const double cp = At(rp);
    const double r2 = (rp * rp * cp - 2 * FirstMoment(rp)) / cp;
    return std::log(r2 / (kMeniscus * kMeniscus)) / (2 * 1e-13 * w2t);
  }
};

}  // namespace engine_test
