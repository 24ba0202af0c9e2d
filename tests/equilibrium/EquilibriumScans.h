#pragma once
// Synthetic sedimentation-equilibrium scans for the M* and buoyant-mass
// tests: ideal species in a 3 mm column, each normalised to its loading
// concentration (its mean over the sector), at one rotor speed per scan,
// with seeded Gaussian noise and a baseline.

#include <cmath>
#include <random>
#include <vector>

#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "state/SolventConditions.h"
#include "models/ModelsTestSupport.h"

namespace eqtest {

inline constexpr float kMeniscus = 6.9f, kBottom = 7.2f;
inline constexpr double kVbarRho = 0.73;
inline constexpr double kRT = 8.31451e7 * 293.15;

struct Species {
  double M;   // g/mol
  double c0;  // loading, signal units
};

// k = (1 - vbar rho) omega^2 / (2 R T): ln c rises by k M per cm^2 of r^2.
inline double KFactor(double rpm) {
  const double omega = rpm * 2.0 * 3.141592653589793 / 60.0;
  return (1.0 - kVbarRho) * omega * omega / (2.0 * kRT);
}

// The textbook profile of one species, normalised over meniscus..bottom.
inline double Profile(const Species& s, double rpm, double r) {
  const double a = KFactor(rpm) * s.M;
  const double m2 = double(kMeniscus) * kMeniscus, b2 = double(kBottom) * kBottom;
  const double span = a * (b2 - m2);
  return s.c0 * span / (std::exp(span) - 1.0) * std::exp(a * (r * r - m2));
}

struct Run {
  std::vector<double> rpms;
  std::vector<Species> species;
  double first = kMeniscus + 0.0125;  // first radius, cm
  double last = kBottom - 0.005;
  double step = 0.001;
  double noise = 0.0;
  double baseline = 0.01;
};

// Loads one scan per speed, sets meniscus, bottom, fit limits 0.01 cm inside
// them, the solvent, the baseline and the common grid.
inline void LoadRun(const Run& run) {
  std::vector<TestScan> scans;
  for (std::size_t k = 0; k < run.rpms.size(); ++k)
    scans.push_back({run.first, run.last, run.step, 100.0 * double(k), nullptr, 0.0f});
  LoadTestScans(scans);
  std::mt19937 random(4711);
  std::normal_distribution<double> gauss(0.0, run.noise > 0 ? run.noise : 1.0);
  auto& d = ScanDataSet;
  for (int i = 1; i <= d.NFILES; ++i) {
    const double rpm = run.rpms[std::size_t(i - 1)];
    d.ScanHeaders[i].Rpm = float(rpm);
    d.ScanHeaders[i].Temperature = 20.0f;
    for (int k = 1; k <= d.ScanPointCount[i]; ++k) {
      double v = run.baseline;
      for (const Species& s : run.species) v += Profile(s, rpm, d.ScanRadius[i][k]);
      if (run.noise > 0) v += gauss(random);
      d.ScanSignal[i][k] = float(v);
    }
  }
  d.EquilibriumDataMode = true;
  ModelParameters.Meniscus = kMeniscus;
  ModelParameters.Bottom = kBottom;
  ModelParameters.Baseline = float(run.baseline);
  SolventConditions.VbarRho = float(kVbarRho);
  SolventConditions.GasConstantRT = float(kRT);
  d.FitLeftLim = kMeniscus + 0.01f;
  d.FitRightLim = kBottom - 0.01f;
  SetupCommonRadialGrid();
}

}  // namespace eqtest
