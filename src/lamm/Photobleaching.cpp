// Photobleaching by the excitation beam of fluorescence optics. While the
// beam is on, each grid point loses bright molecules to a dark state at a
// first-order rate that follows the beam's intensity across the radius; the
// dark molecules are kept apart (they sediment, but give no signal) until
// they recover at the reset time.

#include <algorithm>
#include <cmath>

#include "lamm/CLammIdeal.h"
#include "numerics/Resampling.h"

namespace {

constexpr int kDepthSlices = 100;

// The beam narrows linearly from its full width at the window to a point at
// the given depth. Its intensity at a radial distance is taken as the path
// length through the beam there: the chord of the beam's cross-section at
// distance d, integrated over the depth by the trapezoidal rule. The aspect a
// stretches the outer side (a >= 1) or the inner side (a < 1) of the zone.
double BeamPathLength(double r, double centre, double width, double depth, double a) {
  if (!(width > 0) || !(depth > 0)) return 0.0;
  const double x = std::fabs(centre - r);
  double d, h;
  if (a >= 1) {
    const bool outer = r >= centre;
    d = outer ? x / a : x;
    h = outer ? width * a / 2 : width / 2;
  } else {
    const bool outer = r > centre;
    d = outer ? x : x * a;
    h = outer ? width / 2 : width / (2 * a);
  }
  if (x > h) return 0.0;
  const double slice = (depth - x * depth / h) / kDepthSlices;
  double sum = 0.0;
  for (int k = 0; k < kDepthSlices; ++k) {  // the chord of the last slice is 0
    const double z = k * slice;
    const double halfWidth = (depth - z) * (width / 2) / depth;
    const double ratio = halfWidth > 0 ? std::min(d / halfWidth, 1.0) : 1.0;
    const double chord = 2 * halfWidth * std::sin(std::acos(ratio));
    sum += k == 0 ? chord / 2 : chord;
  }
  return sum * slice;
}

// One zone's path lengths on the grid, normalised to sum 1 (all zero when the
// zone misses the grid).
OneBasedArray<double> ZoneProfile(const double* radii, int n, double centre, double width,
                                  double depth, double aspect) {
  OneBasedArray<double> zone(1, n);
  double total = 0.0;
  for (int i = 1; i <= n; ++i) {
    zone[i] = BeamPathLength(radii[i], centre, width, depth, aspect);
    total += zone[i];
  }
  if (total != 0)
    for (int i = 1; i <= n; ++i) zone[i] /= total;
  return zone;
}

}  // namespace

bool CLammIdeal::SetPhotophysics(double beamStart, double beamEnd, double resetTime,
                                 double bleachScale, double bleachRate, double beamCentre,
                                 double beamWidth, double beamDepth, double beamAspect,
                                 double secondBeamCentre, double secondBeamWidth,
                                 double secondBeamWeight) {
  BeamStart = beamStart;
  BeamEnd = beamEnd;
  DarkResetTime = resetTime > beamEnd ? resetTime : -1.0;
  BleachScale = bleachScale;
  BleachRate = bleachRate;
  BeamCentre = beamCentre;
  BeamWidth = beamWidth;
  BeamDepth = beamDepth;
  BeamAspect = beamAspect;
  SecondBeamCentre = secondBeamCentre;
  SecondBeamWidth = secondBeamWidth;
  SecondBeamWeight = std::clamp(secondBeamWeight, 0.0, 1.0);
  const bool valid = beamStart >= 0 && beamEnd >= 0 && bleachScale > 0 && beamEnd >= beamStart &&
                     (DarkResetTime <= 0 || beamEnd <= DarkResetTime);
  PhotophysicsOn = valid;
  return valid;
}

void CLammIdeal::SetPhotophysicsProfile(std::int32_t count, const double* radii,
                                        const double* fractions) {
  if (count <= 0 || !radii || !fractions) {
    PhotophysicsProfileOn = 0;
    return;
  }
  PhotophysicsProfileRadius = OneBasedArray<double>(1, count);
  PhotophysicsProfileValue = OneBasedArray<double>(1, count);
  for (int i = 1; i <= count; ++i) {
    PhotophysicsProfileRadius[i] = radii[i];
    PhotophysicsProfileValue[i] = fractions[i];
  }
  PhotophysicsProfileCount = count;
  PhotophysicsProfileOn = 1;
}

bool CLammIdeal::InitializeBurn() {
  const int n = GridSize;
  BleachRates = OneBasedArray<double>(1, std::max(n, 0));
  BleachRateCount = std::max(n, 0);
  if (n < 1 || !Radius) return false;
  const double e = 1.7 * BleachRate / BleachScale / 3600;  // 1/s
  const double a = std::clamp(BeamAspect, 0.1, 10.0);
  const OneBasedArray<double> first = ZoneProfile(Radius, n, BeamCentre, BeamWidth, BeamDepth, a);
  const OneBasedArray<double> second =
      ZoneProfile(Radius, n, SecondBeamCentre, SecondBeamWidth, BeamDepth, a);
  const double w = SecondBeamWeight;
  for (int i = 1; i <= n; ++i) BleachRates[i] = -e * ((1 - w) * first[i] + w * second[i]);
  return true;
}

void CLammIdeal::ApplyBleaching(double dt) {
  if (!Concentration || !DarkState) return;
  const int n = std::min(GridSize, BleachRateCount);
  for (int i = 1; i <= n; ++i) {
    const double bleached = Concentration[i] * (1 - std::exp(BleachRates[i] * dt));
    Concentration[i] -= bleached;
    DarkState[i] += bleached;
  }
}

// The dark molecules become bright again; the dark state is emptied so that
// no molecule is counted twice.
void CLammIdeal::RestoreBleached() {
  if (!Concentration || !DarkState) return;
  for (int i = 1; i <= GridSize; ++i) {
    Concentration[i] += DarkState[i];
    DarkState[i] = 0.0;
  }
  if (!PreviousConcentration || !DarkStateOld) return;
  for (int i = 1; i <= GridSize; ++i) {
    PreviousConcentration[i] += DarkStateOld[i];
    DarkStateOld[i] = 0.0;
  }
}

void CLammIdeal::ApplyPhotophysicsProfile() {
  if (!PhotophysicsProfileOn || PhotophysicsProfileCount < 1 || !Concentration || !DarkState ||
      !Radius)
    return;
  const int n = GridSize;
  // Where the profile cannot be resampled nothing starts dark.
  OneBasedArray<double> fraction(1, n);
  ResampleCurveDouble(n, Radius, fraction.data(), PhotophysicsProfileCount,
                      PhotophysicsProfileRadius.data(), PhotophysicsProfileValue.data());
  for (int i = 1; i <= n; ++i) {
    const double dark = Concentration[i] * fraction[i];
    Concentration[i] -= dark;
    DarkState[i] = dark;
  }
}
