// What the Lamm engine tests share: the run as the dispatcher leaves it
// before calling an engine (scans loaded, grid allocated and loaded, run
// record filled) and readings of the final profile on the engine's grid.

#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "lamm/CLammIdeal.h"
#include "models/ModelsTestSupport.h"
#include "numerics/ConstantShorthands.h"

namespace engine_test {

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

// Sedimentation equilibrium of an ideal species, c ~ exp(a (r^2 - rm^2))
// with a = s omega^2 / (2 D), normalised to a uniform loading of 1:
// int c r dr = (b^2 - m^2)/2.
inline double EquilibriumConcentration(double r, double s, double D, double rpm, Cell cell) {
  const double a = s * 1e-13 * OmegaSquared(rpm) / (2 * D);
  const double m = cell.meniscus, b = cell.bottom;
  const double norm = (b * b - m * m) / 2 * a / (std::exp(a * (b * b - m * m)) - 1);
  return norm * 2 * std::exp(a * (r * r - m * m));
}

// CLammIdeal's profiles of the same species on the same scan radii.
struct Reference {
  OneBasedArray<ScanHeader> headers;
  OneBasedArray<float> radii;
  OneBasedMatrix<float> output;
  CLammIdeal solver;
  // Further set-up of the solver after its solvent (an inhomogeneous one,
  // say); none when empty.
  std::function<void(CLammIdeal&)> ConfigureSolver;

  // shutOff: back-diffusion shut off, the last node grows with the boundary.
  void Solve(const std::vector<double>& times, double s, double D, double rpm, Cell cell = {},
             std::uint8_t shutOff = 0) {
    const int points = ScanDataSet.ScanPointCount[1];
    radii.Resize(1, points);
    for (int i = 1; i <= points; ++i) radii[i] = ScanDataSet.ScanRadius[1][i];
    ASSERT_EQ(SolveOnRadii(times, s, D, rpm, cell, ScanDataSet.FitLeftLim,
                           ScanDataSet.FitRightLim, shutOff),
              0);
  }

  // The profiles on the radii set before, with the given fit limits; the
  // solver's return code.
  int SolveOnRadii(const std::vector<double>& times, double s, double D, double rpm, Cell cell,
                   float fitLeft, float fitRight, std::uint8_t shutOff = 0) {
    const int n = static_cast<int>(times.size());
    headers.Resize(1, n);
    for (int k = 1; k <= n; ++k) {
      ScanHeader& h = headers[k];
      h.Rpm = static_cast<float>(rpm);
      h.Temperature = 20.0f;
      h.Time = h.RecordedTime = times[static_cast<std::size_t>(k - 1)];
      h.Omega2t = OmegaSquared(rpm) * h.Time;
      h.RampAcceleration = 1e6;
      h.RampDuration = 0;
    }
    const int points = static_cast<int>(radii.size());
    output.Resize(1, n, 1, points);
    solver.SetIdealModel();
    solver.SetParameters(s, D, cell.meniscus, cell.bottom, 1.0, fitLeft, fitRight);
    solver.SetOutput(nullptr, nullptr, headers.data(), output.get(), radii.data(), points, nullptr,
                     nullptr, 0, nullptr, n, 1, 1, 1, 0, 2.43f, 0, 0.008f, 0);
    solver.SetNumerics(100, 2000, 5.0f, 0, 1e-4, shutOff, 1, 1, 1.0f, 1, 0, 0, 1e-6, 1.0, 1, 0, 0,
                       1.0, 0.1, 0.3, 1.0, 1000, 0, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
    solver.SetSolvent(20.0, 0.73, 0.99823, 1.0);
    if (ConfigureSolver) ConfigureSolver(solver);
    return solver.Solve();
  }

  // Root mean square difference of the engine's model scans from these
  // profiles, up to the right fit limit.
  double RmsDifferenceUpToFitLimit() const {
    double sum = 0.0;
    int count = 0;
    for (int k = 1; k <= ScanDataSet.NFILES; ++k)
      for (int i = 1; i <= ScanDataSet.ScanPointCount[k]; ++i) {
        if (ScanDataSet.ScanRadius[k][i] > ScanDataSet.FitRightLim) continue;
        const double d = ScanDataSet.ScanModel[k][i] - output[k][i];
        sum += d * d;
        ++count;
      }
    return std::sqrt(sum / count);
  }
};

// The scans' model signals within the fit limits, and the root mean square
// difference of two such lists.
inline std::vector<double> ScanSignals() {
  std::vector<double> out;
  for (int k = 1; k <= ScanDataSet.NFILES; ++k)
    for (int i = 1; i <= ScanDataSet.ScanPointCount[k]; ++i)
      if (ScanDataSet.ScanRadius[k][i] <= ScanDataSet.FitRightLim)
        out.push_back(ScanDataSet.ScanModel[k][i]);
  return out;
}

inline double Rms(const std::vector<double>& a, const std::vector<double>& b) {
  EXPECT_EQ(a.size(), b.size());
  double sum = 0.0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) sum += (a[i] - b[i]) * (a[i] - b[i]);
  return std::sqrt(sum / static_cast<double>(a.size()));
}

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

  // The rotor speeds up linearly from rest to rpm over ramp seconds; the
  // single scan, at t, was recorded under that acceleration.
  static void StartAccelerationRamp(double t, double rpm, double ramp) {
    ScanDataSet.RampRotorSpeed = true;
    ScanDataSet.ScanHeaders[1].RecordedTime = t;
    GlobalLammRunStateRecord& run = GlobalLammRun;
    run.Accelerating = true;
    run.AccelDuration = ramp;
    run.AccelRate = rpm / ramp;
    run.AccelMaxStep = 1.0;
    run.RunRpm = 0.0;
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
