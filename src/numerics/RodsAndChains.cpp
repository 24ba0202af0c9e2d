// Sedimentation of straight rods (cylinders with end corrections) and of
// worm-like chains (Yamakawa-Fujii wormlike cylinder), and their inversions
// from s to M; the chain's M(s) table.

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <vector>

#include "state/ProgramPaths.h"
#include "state/DistributionResultRecords.h"
#include "numerics/Hydrodynamics.h"
#include "numerics/HydrodynamicsCommon.h"
#include "numerics/MatrixFiles.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/RootFinders.h"
#include "ui/Boxes.h"

using namespace hydro;

// ---------------------------------------------------------------- rods

float SLinearRod(double mass, double massPerLength) {
  if (mass <= 1 || massPerLength <= 1) return 0;
  const double vbar = SolventConditions.VBAR;
  const double etaRel = SolventConditions.RELVISCOSITY;
  const double length = mass / massPerLength * 1e-9;  // m
  const double volume = mass / kNA * vbar * 1e-6;     // m^3
  const double diameter = std::sqrt(4.0 * volume / (kPi * length));
  const double p = length / diameter;
  if (p < 1) {
    // Shorter than wide: a sphere. D per kelvin, so that with 1/R the
    // temperature cancels from the Svedberg equation.
    const double r = CalculateRadius(static_cast<float>(mass), static_cast<float>(vbar));
    const float dPerKelvin = static_cast<float>(kKB * 1e4 / (6.0 * kPi * kEtaW * etaRel * r));
    return static_cast<float>(Buoyancy() * mass * dPerKelvin * 1.2027166964739955e-8 * 1e13);
  }
  // End correction of a cylinder of axial ratio p (Tirado and Garcia de la
  // Torre); constant for long rods.
  const double nu = p >= 10 ? 0.386 : 0.312 + 0.561 / p + 0.1 / (p * p);
  return static_cast<float>(
      (std::log(p) + nu) *
      (massPerLength * 1e9 * Buoyancy() / (kNA * 3.0 * kPi * kEtaW * etaRel * 1000.0)) * 1e13);
}

double LinearRodSResidual(double mass, double massPerLength, double targetS) {
  return SLinearRod(mass, massPerLength) - targetS;
}

float CalculateMofSforLinearRod(float s, float massPerLength) {
  if (SolventConditions.VBAR <= 0) {
    ErrorBox("VBAR <= 0 in function CalculateMofSforLinearRod");
    return 0;
  }
  const double eta = kEtaW * SolventConditions.RELVISCOSITY;
  if (eta <= 0) {
    ErrorBox("STANDARDVISCOSITY*RELVISCOSITY <= 0 in function CalculateMofSforLinearRod");
    return 0;
  }
  // Only a positive s of a rod with a real mass per length (SLinearRod is 0
  // at or below 1 Da/nm) and positive buoyancy has a root; otherwise the
  // bracketing below would search for ever.
  if (!(s > 0) || !(massPerLength > 1) || !(Buoyancy() > 0)) return 0;
  const auto residual = [massPerLength, s](double mass) {
    return LinearRodSResidual(mass, massPerLength, s);
  };
  const double start = MassFromSphereX(SphereX(s, 1.0, eta, SolventConditions.VBAR, Buoyancy()));
  if (!std::isfinite(start)) return 0;
  // Below 1 Da the rod's s is 0, so halving always ends with a negative
  // residual; s grows only with the logarithm of the length, so an s beyond
  // what a float mass can reach has no representable root.
  double lo = start;
  while (residual(lo) >= 0) lo /= 2;
  double hi = start;
  while (residual(hi) <= 0) {
    if (hi > FLT_MAX) return 0;
    hi *= 2;
  }
  // The last doubling may pass the float range, and with it the root.
  const double root = zbrent(residual, lo, hi, 1.0);
  if (!(std::fabs(root) <= FLT_MAX)) return 0;
  return static_cast<float>(root);
}

// ---------------------------------------------------------- worm-like chains

namespace {

// The chain model's own constants.
constexpr double kChainAvogadro = 6.023e23;
constexpr double kInversePi = 0.3182686187141948;  // 1/3.142
constexpr double kThreePiEtaWater = 0.09426;       // 3 pi 0.01 P, pi = 3.142

// Shape factor Phi of the wormlike cylinder of reduced length L and reduced
// diameter d (both in Kuhn lengths): the friction is 3 pi eta L / Phi.
double ShortChainShape(double L, double d) {
  const double d2 = d * d, d3 = d2 * d, d4 = d2 * d2;
  const double c1 = 1 - 0.01412 * d2 + 0.00592 * d4;
  const double c2 = 0.3863 - 0.1667 * d + 0.0016 * d2 - 0.0224 * d3 - 0.0007 * d4;
  const double c3 = 0.1667 + 0.0222 * d2 + 0.0017 * d4;
  const double c4 = 0.01883 - 0.00789 * d2 - 0.00038 * d4;
  const double c5 = -0.002039 + 0.000805 * d2 + 1.7e-05 * d4;
  const double c6 = 0.04167 * d + 0.00567 * d3;
  const double c7 = 0.5 + 0.0786 * d - 0.0094 * d2 + 0.0107 * d3 + 0.0039 * d4;
  const double c8 = -0.0625 + 0.00132 * d2 - 0.00055 * d4;
  const double c9 = 0.001302 * d + 0.000181 * d3;
  const double c10 = 0.001953 - 6.4e-05 * d2 + 2.7e-05 * d4;
  const double u = d / L;
  const double logLd = std::log(L / d);
  return c1 * logLd + c2 + c3 * L + c4 * L * L + c5 * L * L * L + c6 * u * logLd + c7 * u +
         c8 * u * u + c9 * u * u * u + c10 * u * u * u * u;
}

double LongChainShape(double L, double d) {
  const double d2 = d * d, d3 = d2 * d, d4 = d2 * d2;
  const double logd = std::log(d);
  const double b2 = -(1 - 0.01412 * d2 + 0.00592 * d4) * logd - 1.0561 - 0.1667 * d - 0.19 * d2 -
                    0.0224 * d3 + 0.019 * d4;
  const double b3 = 0.1382 + 0.691 * d2;
  const double b4 = -(0.04167 * d2 + 0.00567 * d4) * logd - 0.3301 + 0.5 * d - 0.5854 * d2 -
                    0.0094 * d3 - 0.0421 * d4;
  const double b5 = -0.03 + 0.1209 * d2 + 0.0259 * d4;
  const double rootL = std::sqrt(L);
  return 1.843 * rootL + b2 + b3 / rootL + b4 / L + b5 / (L * rootL);
}

// Mass per length (Da/nm) and hydrated diameter (nm) of the chain.
struct ChainCrossSection {
  double massPerLength;
  double hydratedDiameter;
};

ChainCrossSection ChainGeometry(const WormChainSettingsRecord& chain) {
  const double m0 = chain.MonomerMass;
  const double delta = chain.Hydration;
  const double vbar = SolventConditions.VBAR;
  const float dryVolume = static_cast<float>(m0 * vbar * 1e21 / kChainAvogadro);  // nm^3
  const double monomerLength = dryVolume / chain.CrossSection;                    // nm
  const double hydratedDensity = (delta * m0 + m0) / (vbar * m0 + delta * m0);
  const double hydratedVolume = (delta * m0 + m0) * 1e21 / (hydratedDensity * kChainAvogadro);
  const double hydratedArea = hydratedVolume / monomerLength;
  return {m0 / monomerLength, 2.0 * std::sqrt(hydratedArea * kInversePi)};
}

}  // namespace

float SWormLikeChain(float mass) {
  const WormChainSettingsRecord& chain = DistributionSettings.WormChainSettings;
  const double P = chain.PersistenceLength;
  const double kuhn = 2.0 * P;
  const ChainCrossSection geometry = ChainGeometry(chain);
  const double d = geometry.hydratedDiameter / kuhn;
  const double L = mass / (geometry.massPerLength * 2.0 * P);
  if (mass < chain.MonomerMass) return 0;
  if (!(L > 0)) return 0;
  // Too short to bend: a straight rod of the chain's mass per length.
  if (L < 0.1) return SLinearRod(mass, geometry.massPerLength);
  const double phi = L < 2.4 ? ShortChainShape(L, d) : LongChainShape(L, d);
  const double friction = kThreePiEtaWater * L * P * 2.0 * 1e-7 / phi;  // g/s
  const double chainMass = geometry.massPerLength * P * 2.0 * L;
  // The chain model's fixed buoyancy factor 1 - vbar rho = 0.27.
  const double s20w = chainMass * 1e13 * 0.27 / (kChainAvogadro * friction);
  return S20wToSBuffer(static_cast<float>(s20w));
}

float WormLikeChainSResidual(float mass, float targetS) {
  return targetS - SWormLikeChain(mass);
}

namespace {

// Tells the root finder that a failed bracket belongs to the chain inversion
// (when the chain model is on), for the time of one inversion.
class ChainInversionMark {
 public:
  ChainInversionMark()
      : previous_(WormChainInversionActive.exchange(
            DistributionSettings.WormChainSettings.WormChainModelOn)) {}
  ~ChainInversionMark() { WormChainInversionActive = previous_; }
  ChainInversionMark(const ChainInversionMark&) = delete;
  ChainInversionMark& operator=(const ChainInversionMark&) = delete;

 private:
  bool previous_;
};

}  // namespace

float MFromSWormLikeChain(float s) {
  const float m0 = DistributionSettings.WormChainSettings.MonomerMass;
  float lo = CalculateMff02(s, 1.0f);
  if (lo < m0) return lo;
  float hi = 100.0f * lo;
  while (SWormLikeChain(lo) > s) {
    lo /= 3;
    if (lo < m0) return lo;
  }
  while (SWormLikeChain(hi) < s) {
    hi *= 3;
    if (hi > 1e20f) return hi;
  }
  const ChainInversionMark mark;
  return zbrentf([s](float mass) { return WormLikeChainSResidual(mass, s); }, lo, hi, 0.001f * s);
}

bool WriteWormChainMofS() {
  const std::vector<float>& sGrid = DistributionResult.DistSGrid;
  const std::vector<float>& mGrid = DistributionResult.DistMGrid;
  const int built = static_cast<int>(std::min(sGrid.size(), mGrid.size())) - 1;
  assert(DistributionSettings.DistGridSize <= built);
  const int n = std::max(0, std::min(DistributionSettings.DistGridSize, built));
  // Both columns refer to standard conditions: s as s20,w, and M (in kDa)
  // scaled by the same buoyancy ratio.
  const double buoyancyRatio = (1.0 - SolventConditions.VBAR * kRhoW) / Buoyancy();
  OneBasedMatrix<double> table(1, n, 1, 2);
  for (int i = 1; i <= n; ++i) {
    const auto k = static_cast<std::size_t>(i);
    table[i][1] = sGrid[k] * buoyancyRatio * SolventConditions.RELVISCOSITY;
    table[i][2] = mGrid[k] * buoyancyRatio * 0.001;
  }
  return WriteDMatrixFile(table.get(), 1, n, 1, 2, ProgramPaths.WormChainTable);
}
