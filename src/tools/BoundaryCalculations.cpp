#include "tools/BoundaryCalculations.h"

#include <cmath>

#include "data/ScanDataSet.h"
#include "state/ModelParameters.h"

namespace {

bool Finite(double x) {
  return std::isfinite(x);
}

// Number of leading points with radius below the meniscus among the points
// before the fit range; at least 1, so the integration starts with a pair.
int LeadingPoints(int scan, double meniscus) {
  const auto& d = ScanDataSet;
  int k0 = 0;
  for (int k = 1; k <= d.ScanFirstFitIndex[scan]; ++k)
    if (d.ScanRadius[scan][k] < meniscus) k0 = k;
  return k0 < 1 ? 1 : k0;
}

}  // namespace

double AngularVelocity(double rpm) {
  return rpm * 0.10471975511965977;
}

bool SecondMomentS(bool differential, SecondMomentResult& out, std::string& reason) {
  auto& d = ScanDataSet;
  const int n = d.NFILES;
  const double b = d.FitRightLim;
  const double m = ModelParameters.Meniscus;
  if (differential && n < 2) {
    reason = "the differential second moment needs at least two scans";
    return false;
  }
  if (m <= 0 || b <= m) {
    reason = "the meniscus must lie left of the right fitting limit";
    return false;
  }
  out = SecondMomentResult{};
  out.plateau.assign(n + 1, 0.0);
  out.boundaryRadius.assign(n + 1, 0.0);
  std::vector<double> area(n + 1, 0.0);
  std::vector<int> start(n + 1, 1);
  double c0 = 0;
  for (int i = 1; i <= n; ++i) {
    const float* r = d.ScanRadius[i].data();
    const float* c = d.ScanSignal[i].data();
    const int last = d.ScanLastFitIndex[i];
    double sum = 0;
    int count = 0;
    for (int k = 1; k <= last; ++k) {
      if (r[k] > b - 0.1) {
        sum += c[k];
        ++count;
      }
    }
    if (count == 0 || sum == 0) {
      reason = "scan " + std::to_string(i) +
               " has no plateau within 0.1 cm of the right fitting limit";
      return false;
    }
    const double plateau = sum / count;
    start[i] = LeadingPoints(i, m);
    double a = 0;
    for (int k = start[i] + 1; k <= last; ++k)
      a += ((c[k] + c[k - 1]) / 2.0) * ((r[k] + r[k - 1]) / 2.0) * (r[k] - r[k - 1]);
    area[i] = a;
    const double rb2 = b * b - 2 * a / plateau;
    if (!(rb2 > 0)) {
      reason = "the boundary of scan " + std::to_string(i) + " lies outside the cell";
      return false;
    }
    out.plateau[i] = plateau;
    out.boundaryRadius[i] = std::sqrt(rb2);
    c0 += plateau * rb2 / (m * m);
  }
  c0 /= n;
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 1; i <= n; ++i) {
      const double rb = out.boundaryRadius[i];
      out.plateau[i] = c0 * m * m / (rb * rb);
      const double rb2 = b * b - 2 * area[i] / out.plateau[i];
      if (!(rb2 > 0)) {
        reason = "the boundary of scan " + std::to_string(i) + " lies outside the cell";
        return false;
      }
      out.boundaryRadius[i] = std::sqrt(rb2);
    }
  }
  std::vector<double> L(n + 1, 0.0);
  for (int j = 1; j <= n; ++j) {
    const float* r = d.ScanRadius[j].data();
    const float* c = d.ScanSignal[j].data();
    double depletion = 0;
    for (int k = start[j] + 1; k <= d.ScanLastFitIndex[j]; ++k)
      depletion += ((r[k] + r[k - 1]) / 2.0) * (c0 - (c[k] + c[k - 1]) / 2.0) * (r[k] - r[k - 1]);
    const double arg = 1 - 2 * depletion / (c0 * b * b);
    if (!(arg > 0) || !Finite(arg)) {
      reason = "the depletion of scan " + std::to_string(j) + " exceeds the loading";
      return false;
    }
    L[j] = -std::log(arg) / 2;
  }
  out.loading = c0;
  if (differential) {
    std::vector<double> st(n + 1, 0.0);
    for (int j = 1; j <= n; ++j) {
      const double w = AngularVelocity(d.ScanHeaders[j].Rpm);
      if (w <= 0) {
        reason = "scan " + std::to_string(j) + " has no rotor speed";
        return false;
      }
      st[j] = L[j] / (w * w) * 1e13;
    }
    double sum = 0;
    for (int k = 1; k < n; ++k) {
      const int a = d.ScanTimeOrder[k], c = d.ScanTimeOrder[k + 1];
      const double dt = d.ScanHeaders[c].Time - d.ScanHeaders[a].Time;
      if (dt <= 0) {
        reason = "two scans have the same time";
        return false;
      }
      const double s = (st[c] - st[a]) / dt;
      out.tableTimes.push_back(d.ScanHeaders[a].Time);
      out.tableS.push_back(s);
      sum += s;
    }
    out.sw = sum / (n - 1);
    double plateau = 0;
    for (int j = 1; j <= n; ++j) plateau += out.plateau[j];
    out.averagePlateau = plateau / n;
  } else {
    std::vector<double> s(n + 1, 0.0);
    double sum = 0, effective = 0;
    for (int j = 1; j <= n; ++j) {
      const double w2t = d.ScanHeaders[j].Omega2t;
      if (w2t <= 0) {
        reason = "scan " + std::to_string(j) + " has no omega^2 t";
        return false;
      }
      s[j] = L[j] / w2t;
      const double x = 2 * w2t * s[j];
      effective += x > 0 ? c0 * (1 - std::exp(-x)) / x : c0;
      sum += s[j] * 1e13;
    }
    out.sw = sum / n;
    out.averageEffective = effective / n;
    for (int k = 1; k <= n; ++k) {
      const int j = d.ScanTimeOrder[k];
      out.tableTimes.push_back(d.ScanHeaders[j].Time);
      out.tableS.push_back(s[j] * 1e13);
    }
  }
  for (int j = 1; j <= n; ++j) {
    const float rb = static_cast<float>(out.boundaryRadius[j]);
    const float p = static_cast<float>(out.plateau[j]);
    for (int k = 1; k <= d.ScanPointCount[j]; ++k)
      d.ScanModel[j][k] = d.ScanRadius[j][k] > rb ? p : 0.0f;
  }
  return true;
}

bool ComputeRadialDilution(double s, double meniscus, double bottom, double omega2tLast,
                           const std::vector<double>& omega2t, RadialDilution& out,
                           std::string& reason) {
  if (s == 0) {
    reason = "s = 0 does not sediment: enter a nonzero s-value";
    return false;
  }
  const double e = s * 1e-13 * omega2tLast;
  out.reference = s >= 0 ? meniscus : bottom;
  out.boundary = out.reference * std::exp(e);
  out.lastPlateau = std::exp(-2 * e);
  out.averagePlateau = (1 - std::exp(-2 * e)) / (2 * e);
  double mean = 0;
  int count = 0;
  for (double w2t : omega2t) {
    const double x = s * 1e-13 * w2t;
    mean += x != 0 ? (1 - std::exp(-2 * x)) / (2 * x) : 1.0;
    ++count;
  }
  out.scanAverage = count > 0 ? mean / count : 0;
  if (!Finite(out.boundary) || !Finite(out.averagePlateau) || e == 0) {
    reason = "the scans have no sedimentation time";
    return false;
  }
  return true;
}

CellPressure ComputePressure(double meniscus, double bottom, double density, double rpm) {
  const double w = AngularVelocity(rpm);
  const double rho = density * 1000;
  const double middle = (bottom + meniscus) / 2;
  CellPressure p;
  p.bottom = rho * 0.5 * (bottom * bottom - meniscus * meniscus) * 1e-4 * w * w * 1e-5;
  p.middle = rho * 0.5 * (middle * middle - meniscus * meniscus) * 1e-4 * w * w * 1e-5;
  return p;
}

bool ComputeSpreadRatio(double m, double b, double rpm, double massKDa, double vbar,
                        double density, double temperature, double s, double deltaSOverS,
                        SpreadRatio& out, std::string& reason) {
  const double w = AngularVelocity(rpm);
  const double buoyancy = 1 - vbar * density;
  const double rMid = m + (b - m) / 2;
  if (m <= 0 || b <= m || w <= 0 || massKDa <= 0 || buoyancy == 0 || s == 0 ||
      deltaSOverS <= 0) {
    reason = "needs meniscus < bottom and positive speed, mass, s and delta-s/s";
    return false;
  }
  out.d = s * 1e-13 * 8.31451e7 * (temperature + 273.15) / (buoyancy * massKDa * 1000);
  const double t = std::log(rMid / m) / (w * w * s * 1e-13);
  if (!(out.d > 0) || !(t > 0)) {
    reason = "s and the buoyancy give no sedimentation towards the bottom";
    return false;
  }
  out.diffusion = std::sqrt(2 * out.d * t);
  out.heterogeneity = std::log(rMid / m) * deltaSOverS * rMid;
  out.ratio = out.diffusion / out.heterogeneity;
  return true;
}
