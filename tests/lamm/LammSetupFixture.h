#pragma once
// A small experiment for solver set-up tests: scan headers at one rotor speed,
// a common radial output grid and output rows, bound to a solver in the
// callers' order with the numerical settings' defaults.

#include <cmath>
#include <cstdint>

#include "data/ScanHeader.h"
#include "lamm/CLammIdeal.h"
#include "numerics/OneBasedArrays.h"

struct LammSetupFixture {
  double Meniscus = 5.8, Bottom = 7.2;  // cm
  float LeftFitLimit = 5.9f, RightFitLimit = 7.15f;
  OneBasedArray<ScanHeader> Headers;
  OneBasedArray<float> Radii;
  OneBasedMatrix<float> Output;

  // Scans k = 1..n at time firstTime + (k - 1) interval (s), at rpm, 20 degrees
  // Celsius, recorded with a ramp of rampAcceleration (rpm/s) lasting
  // rampDuration (s); output radii every 0.01 cm.
  void MakeScans(int n, float rpm, double firstTime = 300, double interval = 300,
                 double rampAcceleration = 1e6, double rampDuration = 0) {
    Headers.Resize(1, n);
    for (int k = 1; k <= n; ++k) {
      ScanHeader& h = Headers[k];
      h.Rpm = rpm;
      h.Temperature = 20.0f;
      h.Time = h.RecordedTime = firstTime + (k - 1) * interval;
      const double omega = rpm * 2 * 3.14159265358979323846 / 60;
      h.Omega2t = omega * omega * h.Time;
      h.RampAcceleration = rampAcceleration;
      h.RampDuration = rampDuration;
    }
    const int points = static_cast<int>((Bottom - Meniscus) / 0.01 + 0.5) + 1;
    Radii.Resize(1, points);
    for (int i = 1; i <= points; ++i) Radii[i] = static_cast<float>(Meniscus + (i - 1) * 0.01);
    Output.Resize(1, n, 1, points);
  }

  int ScanCount() const { return Headers.hi(); }
  int PointCount() const { return Radii.hi(); }

  // Root mean square difference of the output rows from reference rows of
  // the same shape, over the radii up to upTo (cm).
  double RmsAgainst(const OneBasedMatrix<float>& reference, float upTo = 1e30f) const {
    double sum = 0.0;
    int count = 0;
    for (int k = 1; k <= ScanCount(); ++k)
      for (int i = 1; i <= PointCount() && Radii[i] <= upTo; ++i) {
        const double d = Output[k][i] - reference[k][i];
        sum += d * d;
        ++count;
      }
    return count > 0 ? std::sqrt(sum / count) : 0.0;
  }

  // Model, parameters, output (identity scan order) and numerics, as callers
  // configure a solver before a run.
  void Configure(CLammIdeal& solver, double s, double D, double c0 = 1.0) {
    solver.SetIdealModel();
    solver.SetParameters(s, D, Meniscus, Bottom, c0, LeftFitLimit, RightFitLimit);
    solver.SetOutput(nullptr, nullptr, Headers.data(), Output.get(), Radii.data(), PointCount(),
                     nullptr, nullptr, 0, nullptr, ScanCount(), 1, 0, 1, 0, 2.43f, 0, 0.008f, 1);
    SetDefaultNumerics(solver);
  }

  static void SetDefaultNumerics(CLammIdeal& solver, std::uint8_t movingFrame = 0,
                                 std::uint8_t fixedGrid = 1, std::uint8_t automatic = 1,
                                 std::uint8_t optimize = 1, std::uint8_t autoGrid = 1) {
    solver.SetNumerics(100, 2000, 5.0f, 0, 1e-4, 1, optimize, autoGrid, 1.0f, 1, 0, 0, 1e-6, 1.0, 1,
                       0, automatic, 1.0, 0.1, 0.3, 1.0, 1000, 0, movingFrame, fixedGrid, 1e-4f,
                       1e-6, 1, 1.0, 2.0, 5.0, 60.0);
  }
};
