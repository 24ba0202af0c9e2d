// The total concentration seen by the non-ideal solver and the node
// coefficients it gives. ctot comes from the mean-field table (the radius of
// each concentration level, interpolated in time) or from the caller's
// attached solution rows. The exact hard-sphere factors are costly; below
// the concentration up to which they are linear within 0.1 % a slope is used,
// and above it exact evaluations are reused by interpolation within 1 %.

#include <cmath>
#include <cstdio>

#include "data/ScanFileWriter.h"
#include "lamm/CLammNonIdeal.h"
#include "lamm/VolumeFractionFactors.h"

void CLammNonIdeal::FindLinearRange() {
  const double s0 = SedimentationCoeff, D0 = DiffusionCoeff;
  double sc = s0, Dc = D0;
  const auto evaluate = [&](double c) {
    LastVolumeFraction = static_cast<float>(NonidealSDAtConc(
        c, KsValue, KdValue, s0, D0, Vbar, SolventDensity, Temperature, RelativeViscosity, sc, Dc));
  };
  double c = 0.01;
  evaluate(c);
  const double ks1 = -(sc - s0) / c;
  LinearKs = ks1;
  LinearKd = (Dc - D0) / c;
  LinearRangeLimit = c;
  if (ks1 == 0) {
    // Factors of 1 at 0.01 mg/ml (no volume): they are 1 everywhere, and
    // the zero slopes are exact.
    LinearRangeLimit = 1e30;
    return;
  }
  while (c <= 50) {
    c += 0.01;
    evaluate(c);
    const double ks = -(sc - s0) / c;
    if (std::fabs((ks - ks1) / ks1) > 0.001) break;
    LinearKs = ks;
    LinearKd = (Dc - D0) / c;
    LinearRangeLimit = c;
    c += 0.01;
  }
}

void CLammNonIdeal::NodeCoefficientsFromTotal(double t) {
  TotalConcentrationAt(t);
  const int N = GridSize;
  const double s0 = SedimentationCoeff, D0 = DiffusionCoeff;
  if (!HardSphereNonideality) {
    for (int i = WindowLeft; i <= N; ++i) {
      double fs, fd;
      if (!LinearFactors(TotalConcentration[i], fs, fd)) return;
      NodeSedimentation[i] = fs * s0;
      NodeDiffusion[i] = fd * D0;
    }
    return;
  }
  // Up to two exact evaluations of this sweep: a the older, b the newer.
  struct Exact {
    double u, s, D;
  };
  Exact a{0.0, s0, D0}, b{0.0, s0, D0};
  bool haveA = false, haveB = false;
  for (int i = WindowLeft; i <= N; ++i) {
    const double u = TotalConcentration[i] / NonidealityScale;
    double& s = NodeSedimentation[i];
    double& D = NodeDiffusion[i];
    if (u <= 0) {
      s = s0;
      D = D0;
    } else if (u <= LinearRangeLimit) {
      s = s0 - u * LinearKs;
      D = D0 + u * LinearKd;
    } else if (haveB && std::fabs(u - b.u) / b.u <= InterpolationTolerance) {
      const Exact from = haveA ? a : Exact{0.0, s0, D0};
      const double span = b.u - from.u;
      const double f = span != 0 ? (u - from.u) / span : 0.0;
      s = from.s + f * (b.s - from.s);
      D = from.D + f * (b.D - from.D);
    } else {
      LastVolumeFraction = static_cast<float>(NonidealSDAtConc(
          u, KsValue, KdValue, s0, D0, Vbar, SolventDensity, Temperature, RelativeViscosity, s, D));
      if (haveB) {
        a = b;
        haveA = true;
      }
      b = {u, s, D};
      haveB = true;
    }
  }
}

void CLammNonIdeal::TotalConcentrationAt(double t) {
  if (SolutionAttached) {
    TotalConcentrationFromSolution(t);
    return;
  }
  if (!MeanFieldLoaded) return;
  const int a = MeanFieldTimeCount, b = MeanFieldLevelCount;
  TimeCursor = a;
  for (int i = 1; i <= a - 1; ++i)
    if (MeanFieldTimes[i] > t) {
      TimeCursor = i;
      break;
    }
  NextTime = MeanFieldTimes[TimeCursor];
  PreviousTimeIndex = TimeCursor - 1;
  PreviousTime = PreviousTimeIndex >= 1 ? MeanFieldTimes[PreviousTimeIndex] : 0.0;
  TimeFraction = NextTime != PreviousTime ? (t - PreviousTime) / (NextTime - PreviousTime) : 1.0;
  const double* next = MeanFieldRows[static_cast<std::size_t>(TimeCursor)];
  const double* previous =
      PreviousTimeIndex >= 1 ? MeanFieldRows[static_cast<std::size_t>(PreviousTimeIndex)] : nullptr;
  double* radius = MeanFieldWorkRadii;
  for (int j = 1; j <= b; ++j) {
    const double p = previous ? previous[j] : Meniscus;
    radius[j] = p + (next[j] - p) * TimeFraction;
  }
  const int N = GridSize;
  double* ctot = TotalConcentration;
  for (int i = 1; i < WindowLeft && i <= N; ++i) ctot[i] = 0.0;
  const double* level = MeanFieldLevels;
  int j = 2;
  for (int i = WindowLeft; i <= N; ++i) {
    const double r = Radius[i];
    while (j <= b && radius[j] <= r) ++j;
    double value;
    if (j > b || b < 2)
      value = level[b];
    else if (radius[j - 1] == radius[j])
      value = level[j];
    else
      value = level[j - 1] + (r - radius[j - 1]) * MeanFieldLevelStep / (radius[j] - radius[j - 1]);
    ctot[i] = value < 0 ? 0.0 : value;
  }
  if (WriteCtotFiles) WriteCtotFile(t, 1);
}

void CLammNonIdeal::TotalConcentrationFromSolution(double t) {
  if (AttachedGridSize != GridSize || !AttachedRows || !AttachedTimes) return;
  const int a = AttachedTimeCount;
  TimeCursor = a;
  for (int i = 1; i <= a - 1; ++i)
    if (AttachedTimes[i] > t) {
      TimeCursor = i;
      break;
    }
  NextTime = AttachedTimes[TimeCursor];
  PreviousTimeIndex = TimeCursor - 1;
  PreviousTime = PreviousTimeIndex >= 1 ? AttachedTimes[PreviousTimeIndex] : 0.0;
  TimeFraction = NextTime != PreviousTime ? (t - PreviousTime) / (NextTime - PreviousTime) : 1.0;
  const int N = GridSize;
  double* ctot = TotalConcentration;
  for (int i = 1; i < WindowLeft && i <= N; ++i) ctot[i] = 0.0;
  const float* next = AttachedRows[TimeCursor];
  for (int i = WindowLeft; i <= N; ++i) {
    if (TimeCursor == a) {
      ctot[i] = AttachedRows[a][i];
    } else if (TimeCursor == 1) {
      ctot[i] = AttachedRows[1][i];
    } else {
      const float* previous = AttachedRows[PreviousTimeIndex];
      PreviousValue = previous[i];
      NextValue = next[i];
      double value = PreviousValue + (NextValue - PreviousValue) * TimeFraction;
      if (value < -0.001) value = 0.0;
      if (value > previous[N]) value = previous[N];
      ctot[i] = value;
    }
  }
  if (WriteCtotFiles) WriteCtotFile(t, 2);
}

void CLammNonIdeal::WriteCtotFile(double t, std::int32_t source) {
  if (EquationIndex != CtotTraceEquation || !ScanHeaders || !ScanList || ScanCount < 1) return;
  ++CtotFileCounter;
  char name[64];
  std::snprintf(name, sizeof name, "it%dctot%3d.ip0", source, CtotFileCounter);
  const int N = GridSize;
  // The writer takes float rows; these are built only while diagnosing.
  OneBasedArray<float> radii(1, N), values(1, N);
  for (int i = 1; i <= N; ++i) {
    radii[i] = static_cast<float>(Radius[i]);
    values[i] = static_cast<float>(TotalConcentration[i]);
  }
  char description[64];
  std::snprintf(description, sizeof description, "ctotvec t=%.0f", t);
  WriteScanFile(CtotFilePrefix + name, N, radii.data(), values.data(), nullptr, description, true,
                ScanHeaders[ScanList[1]]);
}
