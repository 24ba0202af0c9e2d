// The Lamm equation without diffusion in closed form. Every volume element
// moves as dr/dt = s w^2 r, so a sharp boundary leaves the meniscus (the
// bottom for flotation) as r_b = m exp(s w^2 t), and the plateau behind it is
// diluted by the widening sector as c0 exp(-2 s w^2 t). With a ramp or a
// speed program, s w^2 t becomes s times the recorded integral of w^2 dt.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "lamm/CLammIdeal.h"
#include "lamm/RadialResolution.h"
#include "numerics/ConstantShorthands.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/PhysicalConstants.h"
#include "numerics/Resampling.h"
#include "ui/Boxes.h"

namespace {

// Beyond this much sedimentation (s w^2 t) nothing is left in solution: the
// boundary is placed outside every cell and the plateau is empty.
constexpr double kAllSedimented = 2.0;
constexpr double kBeyondBottom = 10.0;   // cm
constexpr double kBeyondMeniscus = 3.0;  // cm

// Where a boundary leaving `base` is when the scanning optics, passing the
// meniscus at time te with speed v, reach it: te plus the time to travel
// from the meniscus to its position at te.
double OpticsArrival(double k, double te, double base, double meniscus, double v) {
  return te + (std::exp(k * te) * base - meniscus) / v;
}

// A solvent compressed by the rotor's pressure is densest at the bottom, so
// the buoyancy, and with it the velocity, falls with the radius; each output
// radius is followed as a starting position along its closed-form path and
// the moved profile is read off at the output radii.
void CompressibleNoDiffusion(const CLammIdeal& l, float c0, double omega, double T,
                             const float* radii, float* out, std::int32_t count) {
  const double epsilon = l.Compressibility * 1e-6;
  const double rho = static_cast<double>(l.DensityAt1Atm) * 1000;  // kg/m^3
  const double phi = static_cast<double>(l.Vbar) * 0.001 * rho;
  const double P = 1 - phi;
  const double rhoW = PhysicalConstantsRecord::StandardWaterDensity;
  const double sc = (l.SedimentationCoeff * 1e-13 / l.ViscosityAt1Atm) *
                    (1 - static_cast<double>(l.Vbar) * l.DensityAt1Atm) /
                    (1 - static_cast<double>(l.Vbar) * rhoW);
  const double N = omega * omega * sc / P;
  const double Q = omega * omega * rho * phi * epsilon / 2;
  const double m = l.Meniscus * 0.01;
  const double A = m * m * Q + P;
  const double grow = std::exp(2 * N * A * T);
  const auto denominator = [&](double u) { return grow * Q * u * u + Q * m * m - Q * u * u + P; };
  const double rb = std::sqrt(A) * 100 * m / std::sqrt(denominator(m) / grow);

  OneBasedArray<float> moved(1, count), level(1, count);
  int walked = 0;
  while (walked < count) {
    const double u = radii[walked + 1] * 0.01;
    const double d = denominator(u);
    ++walked;
    moved[walked] = static_cast<float>(std::sqrt(A) * 100 * u / std::sqrt(d / grow));
    level[walked] = static_cast<float>(c0 / (A * A) * d * d / grow);
    if (moved[walked] > radii[count] + 0.001) break;
  }
  int first = 1;
  while (first <= count && radii[first] < rb) out[first++] = 0.0f;
  for (int j = first; j <= count; ++j) out[j] = 0.0f;
  if (first <= count)
    ResampleCurve(count - first + 1, radii + (first - 1), out + (first - 1), walked, moved.data(),
                  level.data());
}

}  // namespace

void CLammIdeal::CLLammNoDiffvec(float c0, double time, double rpm, double omega2t,
                                 const float* radii, float* out, std::int32_t count) {
  const double omega = rpm * kRpmToOmega;
  double te = time, k = OmegaSquaredS;
  if ((SimulateAcceleration || SpeedScheduleOn) && omega != 0) {
    te = omega2t / (omega * omega);
    k = omega * omega * SedimentationCoeff * 1e-13;
  }
  if (PhotophysicsOn) {
    ErrorBox("\nCLLammNoDiffvec not implemented for bSecondSignalState");
    return;
  }
  if (count < 1 || !radii || !out) return;
  const double v = ScanVelocity / 60.0;
  const bool finite = TimeResolutionOn && ScanVelocity > 0;
  const double M = Meniscus, B = Bottom;

  if (CompressibleSolvent) {
    const double T = finite ? OpticsArrival(k, te, k > 0 ? M : B, M, v) : te;
    CompressibleNoDiffusion(*this, c0, omega, T, radii, out, count);
  } else {
    double rb, cp;      // boundary, cm, and plateau concentration
    double rear = 0.0;  // rear edge of a band, cm
    const double bandEdge = M + BandWidth;
    if (!finite) {
      const double g = k * te;
      if (k > 0) {
        rb = g > kAllSedimented ? kBeyondBottom : M * std::exp(g);
        cp = g > kAllSedimented ? 0.0 : c0 * std::exp(-2 * g);
      } else {
        rb = g >= -kAllSedimented ? B * std::exp(g) : kBeyondMeniscus;
        cp = g >= -kAllSedimented ? c0 * std::exp(-2 * g) : 0.0;
      }
      rear = std::exp(k * te) * bandEdge;
    } else {
      // The optics reach radius x at te + (x - m)/v: the boundary is found
      // where they meet it, and each plateau point is diluted up to the time
      // the optics pass it (the factor G below), counted once from te.
      rb = std::exp(k * OpticsArrival(k, te, k > 0 ? M : B, M, v)) * (k > 0 ? M : B);
      cp = c0 * std::exp(-2 * k * te);
      rear = std::exp(k * OpticsArrival(k, te, bandEdge, M, v)) * bandEdge;
    }
    for (int j = 1; j <= count; ++j) {
      const double x = radii[j];
      const double level = finite ? cp * std::exp(-2 * k * (x - M) / v) : cp;
      double c;
      if (BandLoading && BandInverted)
        c = x >= rb && x >= rear ? level : 0.0;
      else if (BandLoading)
        c = rb <= x && x < rear ? level : 0.0;
      else if (TwoLevelLoading)
        c = x < rb ? 0.0 : x >= rear ? level : TwoLevelFactor * level;
      else if (k > 0)
        c = x >= rb ? level : 0.0;
      else
        c = x > rb ? 0.0 : level;
      out[j] = static_cast<float>(c);
    }
  }
  if (RadialResolutionOn) NoDiffRadialResolution(count, RadialResolutionRange, radii, out);
}

void CLammIdeal::NoDiffRadialResolution(std::int32_t count, float range, const float* radii,
                                        float* values) const {
  if (count < 1 || !radii || !values) return;
  OneBasedArray<float> resolved(1, count);
  lamm_detail::ResolveRadially(count, static_cast<double>(range), radii, values, resolved.data());
  std::copy(resolved.data() + 1, resolved.data() + count + 1, values + 1);
}
