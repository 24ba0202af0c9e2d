#pragma once
// Sedimentation velocity data of a known mixture, made with the Lamm
// equation solver itself (one solution per species, summed with its loading
// concentration), plus seeded Gaussian noise, a time-invariant offset
// profile and one radial-invariant offset per scan. Shared by the run tests
// and the benchmark of a distribution run.

#include <cmath>
#include <random>
#include <vector>

#include "data/ScanHeader.h"
#include "lamm/CLammIdeal.h"
#include "numerics/OneBasedArrays.h"

namespace synthetic_velocity {

struct Species {
  double s = 0.0;  // S
  double D = 0.0;  // cm^2/s
  double c = 0.0;  // loading concentration, signal units
};

struct Experiment {
  double Meniscus = 5.8, Bottom = 7.2;  // cm
  double FirstRadius = 5.9, RadialStep = 0.004;
  int Points = 301;
  int Scans = 20;
  double FirstTime = 1200.0, Interval = 400.0;  // s
  float Rpm = 50000.0f;
  double NoiseSd = 0.005;
  unsigned Seed = 12345;
  // Scale of the added time- and radial-invariant offsets (0: none).
  double TIScale = 1.0, RIScale = 1.0;
};

struct Data {
  OneBasedArray<ScanHeader> Headers;
  OneBasedArray<float> Radii;
  OneBasedMatrix<double> Signal;  // [scan][point]
  OneBasedArray<double> TI;       // [point]: the added time-invariant offsets
  OneBasedArray<double> RI;       // [scan]: the added radial-invariant offsets
};

inline void MakeHeaders(const Experiment& e, Data& d) {
  d.Headers.Resize(1, e.Scans);
  for (int j = 1; j <= e.Scans; ++j) {
    ScanHeader& h = d.Headers[j];
    h.Rpm = e.Rpm;
    h.Temperature = 20.0f;
    h.Time = h.RecordedTime = e.FirstTime + (j - 1) * e.Interval;
    const double omega = e.Rpm * 3.14159265358979323846 / 30.0;
    h.Omega2t = omega * omega * h.Time;
    h.RampAcceleration = 1e6;
    h.PointCount = e.Points;
  }
  d.Radii.Resize(1, e.Points);
  for (int k = 1; k <= e.Points; ++k)
    d.Radii[k] = static_cast<float>(e.FirstRadius + (k - 1) * e.RadialStep);
}

// One species at loading concentration 1 on the experiment's radii, for
// every scan, by a fixed-grid solution with a fine grid.
inline OneBasedMatrix<float> SolveSpecies(const Experiment& e, Data& d, const Species& x) {
  OneBasedMatrix<float> out(1, e.Scans, 1, e.Points);
  CLammIdeal solver;
  solver.SetIdealModel();
  solver.SetParameters(x.s, x.D, e.Meniscus, e.Bottom, 1.0, static_cast<float>(e.FirstRadius),
                       d.Radii[e.Points]);
  solver.SetOutput(nullptr, nullptr, d.Headers.data(), out.get(), d.Radii.data(), e.Points, nullptr,
                   nullptr, 0, nullptr, e.Scans, 1, 0, 1, 0, 2.43f, 0, 0.008f, 0);
  solver.SetNumerics(500, 4000, 10.0f, 0, 1e-4, 1, 1, 1, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 0, 1.0,
                     0.1, 0.3, 1.0, 2000, 0, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
  solver.SetSolvent(293.15, 0.73, 1.0, 1.0);
  const int code = solver.Solve();
  if (code != 0) out = OneBasedMatrix<float>(1, e.Scans, 1, e.Points);
  return out;
}

// The data of the mixture: species sum, then TI profile (a smooth bow and
// a random part), RI offsets and Gaussian noise, all from the seed.
inline Data MakeData(const Experiment& e, const std::vector<Species>& mixture) {
  Data d;
  MakeHeaders(e, d);
  d.Signal.Resize(1, e.Scans, 1, e.Points);
  for (const Species& x : mixture) {
    OneBasedMatrix<float> one = SolveSpecies(e, d, x);
    for (int j = 1; j <= e.Scans; ++j)
      for (int k = 1; k <= e.Points; ++k) d.Signal[j][k] += x.c * one[j][k];
  }
  std::mt19937 random(e.Seed);
  std::normal_distribution<double> gauss(0.0, 1.0);
  std::uniform_real_distribution<double> uniform(-1.0, 1.0);
  d.TI.Resize(1, e.Points);
  d.RI.Resize(1, e.Scans);
  for (int k = 1; k <= e.Points; ++k) {
    const double x = (k - 1.0) / (e.Points - 1.0);
    d.TI[k] = 0.03 * std::sin(3.0 * x) + 0.01 * gauss(random);
  }
  for (int j = 1; j <= e.Scans; ++j) d.RI[j] = 0.05 * uniform(random);
  for (int j = 1; j <= e.Scans; ++j)
    for (int k = 1; k <= e.Points; ++k)
      d.Signal[j][k] += e.TIScale * d.TI[k] + e.RIScale * d.RI[j] + e.NoiseSd * gauss(random);
  return d;
}

}  // namespace synthetic_velocity
