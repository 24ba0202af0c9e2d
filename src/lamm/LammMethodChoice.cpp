// Before each run the solver chooses its propagation variant, the number of
// radial grid points and the grid itself, so that the finite elements stay
// accurate and affordable over orders of magnitude of s, D and rotor speed:
// fast-sedimenting species go to the moving frame, the grid is sized from the
// diffusion spread expected at the fit limit, and its spacing may widen away
// from the meniscus. CopySetup makes worker copies of a configured solver.

#include <algorithm>
#include <cassert>
#include <cmath>
#include <numbers>
#include <vector>

#include "lamm/CLammIdeal.h"
#include "numerics/ConstantShorthands.h"
#include "numerics/RootFinders.h"

namespace {

// 2 R with R = 8.314472e7: s omega^2 / (2 D) = M_b omega^2 / (2 R T).
constexpr double kTwoR = 166289440.0;

// The widening grid: equal intervals dr0 from the meniscus to the first node
// beyond ref, then intervals that grow as sqrt(((r - m)/(ref - m)) (ref/r)),
// keeping the relative resolution of a boundary that spreads with distance.
// Returns at most limit radii, the last one the first to reach the bottom
// (replaced by the bottom itself by the caller).
std::vector<double> WideningGridRadii(double meniscus, double bottom, double ref, double dr0,
                                      int limit) {
  std::vector<double> radii{meniscus};
  double r = meniscus;
  for (int k = 1; r <= ref && static_cast<int>(radii.size()) < limit; ++k) {
    r = meniscus + k * dr0;
    radii.push_back(r);
  }
  while (r < bottom && static_cast<int>(radii.size()) < limit) {
    r += dr0 * std::sqrt(((r - meniscus) / (ref - meniscus)) * (ref / r));
    radii.push_back(r);
  }
  return radii;
}

}  // namespace

const ScanHeader* CLammIdeal::FirstListedScan() const {
  if (!ScanHeaders || !ScanList || ScanCount < 1) return nullptr;
  return &ScanHeaders[ScanList[1]];
}

const ScanHeader* CLammIdeal::LastListedScan() const {
  if (!ScanHeaders || !ScanList || ScanCount < 1) return nullptr;
  return &ScanHeaders[ScanList[ScanCount]];
}

void CLammIdeal::ChooseMethod() {
  if (SelfAssociationOn || NonIdealityOn) {
    FixedGrid = 1;
    FixedTimeStep = 0;
    MovingFrame = 0;
    OptimizeGridSpacing = 0;
    AutoGridSize = 0;
    return;
  }
  if (PhotophysicsOn) {
    FixedGrid = 1;
    FixedTimeStep = 0;
    MovingFrame = 0;
    return;
  }
  if (!AutomaticAlgorithm) return;
  // The threshold is a normalised s at 30000 rpm; the fixed grid copes with
  // faster species when its spacing is optimised.
  float a = static_cast<float>(SwitchThreshold);
  if (OptimizeGridSpacing && AutoGridSize && !BandLoading && !TwoLevelLoading)
    a = static_cast<float>(SwitchThresholdOptimized);
  if (SedimentationCoeff < 0 && DiffusionCoeff < 1e-8) a = 0.1f * a;
  const ScanHeader* last = LastListedScan();
  const float w = std::pow((last ? last->Rpm : 0.0f) * 3.3333333333333335e-05f, 2.0f);
  const float threshold = a / w;
  if (!SpeedScheduleOn && std::fabs(SedimentationCoeff) >= threshold) {
    if (!MovingFrame) {
      MovingFrame = 1;
      AutoSGrid = 1;
      FixedGrid = 0;
    }
  } else if (!FixedGrid) {
    FixedGrid = 1;
    MovingFrame = 0;
    FixedTimeStep = 0;
  }
}

void CLammIdeal::ChooseGridSize() {
  const double s = SedimentationCoeff, D = DiffusionCoeff;
  if (SelfAssociationOn || NonIdealityOn) {
    GridSizeChosen = 1;
    GridSize = DefaultGridSize;
    AllocWorkArrays();
    if (BackDiffusionNegligible(MonomerS, MonomerD)) BackDiffusionCut = 1;
    return;
  }
  const bool loading = BandLoading || TwoLevelLoading;
  bool optimize = false;
  float ref = 0.0f;
  if (SpeedScheduleOn) {
    NoRightTruncation = 1;
    BackDiffusionCut = 0;
    GridSize = DefaultGridSize;
  } else if (AutoGridSize && !loading && D > 0 && s > 0 && FrictionalRatio < 0.5f) {
    BackDiffusionCut = 0;
    GridSizeChosen = 1;
    GridSize = DefaultGridSize;
  } else if (AutoGridSize && !loading && D > 0) {
    GridSizeChosen = 0;
    BackDiffusionCut = BackDiffusionNegligible(s, D);
    ref = std::max(LeftFitLimit, static_cast<float>(Meniscus + 0.001));
    // Distance travelled during a linear ramp: integral of s omega(t)^2 r dt
    // with omega = alpha t, at the meniscus.
    const double alpha = Acceleration * kRpmToOmega;
    const double X = std::fabs(s) * 1e-13 / 3 * alpha * alpha * Meniscus * AccelerationEnd *
                     AccelerationEnd * AccelerationEnd;
    const double tRef =
        ref - Meniscus > X
            ? (ref - X - Meniscus) / (ref * std::fabs(OmegaSquaredS)) + AccelerationEnd
            : (ref - Meniscus) / (ref * std::fabs(OmegaSquaredS));
    const double sigma = std::max(std::sqrt(D * tRef), 0.001);  // diffusion spread, cm
    const double wanted = sigma / PointsPerSigma;
    const double n = std::floor((Bottom - Meniscus) * PointsPerSigma / sigma);
    GridSizeFixed = GridSizeMovingFrame = static_cast<float>(n);
    GridRefRadius = ref;
    // The moving frame's second interval is its narrowest one near the
    // meniscus: take the fewest points that keep it within the wanted spacing.
    const double q = Bottom / Meniscus;
    while (static_cast<float>(MinGridSize) < GridSizeMovingFrame) {
      const double m = GridSizeMovingFrame;
      const double d = (std::pow(q, 1.5 / (m - 1)) - std::pow(q, 0.5 / (m - 1))) * Meniscus;
      if (d > wanted) {
        GridSizeMovingFrame += 1;
        break;
      }
      GridSizeMovingFrame -= 1;
    }
    const double chosen = std::floor(MovingFrame ? GridSizeMovingFrame : GridSizeFixed);
    GridSize = static_cast<std::int32_t>(
        std::max<double>(std::min<double>(chosen, MaxGridSize), MinGridSize));
    optimize = FixedGrid && OptimizeGridSpacing && BackDiffusionCut && !loading && s >= 0;
  } else {
    GridSize = DefaultGridSize;
  }
  AllocWorkArrays();
  if (D == 0) {
    BackDiffusionCut = 0;
    return;
  }
  // A strongly floating species leaves the bottom region empty for good.
  const double Mb = s * 1e-13 * (Temperature + 273.15) * kGasConstant / D;
  if (Mb < -1e7 && s < -10) {
    BackDiffusionCut = 1;
    return;
  }
  if (!optimize) return;
  ChooseOptimizedGrid(ref);
  const ScanHeader* last = LastListedScan();
  if (!BackDiffusionCut && !loading && s > 0 && last) {
    const double T = last->Temperature + 273.15;
    const double omega = last->Rpm * kRpmToOmega;
    const double sigma =
        (s * 9.999999999999999e-14 * T * kGasConstant / D) * (omega * omega / (T * kTwoR));
    StretchGridToBottom(sigma);
  }
}

bool CLammIdeal::EquilibriumBelowLevelAtLimit(double rpm, double s, double D) const {
  const ScanHeader* last = LastListedScan();
  if (!last) return false;
  const double T = last->Temperature + 273.15;
  const double omega = rpm * kRpmToOmega;
  const double o = omega * omega / (T * kTwoR);
  const double Mb = s * 9.999999999999999e-14 * T * kGasConstant / D;
  const double r = Mb * o;  // s omega^2 / (2 D), 1/cm^2
  const double m2 = Meniscus * Meniscus, b2 = Bottom * Bottom;
  double t;
  if (s > 0) {
    const double limit2 = static_cast<double>(RightFitLimit) * RightFitLimit;
    if (r > 100 || r * (b2 - limit2) > 100) return true;
    t = limit2;
  } else {
    const double limit2 = static_cast<double>(LeftFitLimit) * LeftFitLimit;
    if (r < -100 || r * (m2 - limit2) > 100) return true;
    t = limit2;
  }
  // Sedimentation equilibrium c ~ exp(r (x^2 - t)): its value at the fit
  // limit relative to the cell average.
  const double v = std::exp(r * (b2 - t)), w = std::exp(r * (m2 - t));
  return 1.0 / (((v - w) / (2 * r)) / ((b2 - m2) / 2)) < BackDiffusionLevel;
}

bool CLammIdeal::BackDiffusionNegligible(double s, double D) const {
  if (ForceBackDiffusionCut) return true;
  if (!BackDiffusionShutOff || s == 0 || D <= 0) return false;
  const ScanHeader* last = LastListedScan();
  return last && EquilibriumBelowLevelAtLimit(last->Rpm, s, D);
}

bool CLammIdeal::BackDiffusionNegligibleAt(double t, double rpm, double s, double D) const {
  if (ForceBackDiffusionCut) return true;
  if (!BackDiffusionShutOff || !(s > 0 && D > 0) || !ScheduleSettled(t)) return false;
  return EquilibriumBelowLevelAtLimit(rpm, s, D);
}

bool CLammIdeal::TestNoDiffusion() {
  const double s = SedimentationCoeff;
  if (DiffusionCoeff == 0) return true;
  if (!SpeedScheduleOn || s == 0 || !ScanHeaders || !ScanList) return false;
  // The last scan whose boundary is still inside the fit range.
  int k = 0;
  for (int j = 1; j <= ScanCount; ++j) {
    const double omega2t = ScanHeaders[ScanList[j]].Omega2t;
    if (s > 0 && static_cast<float>(Meniscus * std::exp(s * 1e-13 * omega2t)) < RightFitLimit)
      k = j;
    if (s < 0 && static_cast<float>(Bottom * std::exp(s * 1e-13 * omega2t)) > LeftFitLimit) k = j;
  }
  if (k == 0) {
    DiffusionCoeff = 0;
    return true;
  }
  // Diffusion the grid cannot resolve is left out of the run.
  const double sigma = std::sqrt(DiffusionCoeff * ScanHeaders[ScanList[k]].Time);
  const double h = (Bottom - Meniscus) / (GridSize - 1);
  if ((s > 0 ? 10.0 : 3.0) * h >= sigma) DiffusionCoeff = 0;
  return DiffusionCoeff == 0;
}

std::int32_t CLammIdeal::ChooseOptimizedGrid(float ref) {
  if (Meniscus == 0 || Bottom == 0 || ref <= Meniscus || GridSize <= 49 || MovingFrame ||
      !FixedGrid) {
    ResizeWorkArrays(GridSize);
    return GridSize;
  }
  const double dr0 = (Bottom - Meniscus) / (GridSize - 1);
  const int l = static_cast<int>(WideningGridRadii(Meniscus, Bottom, ref, dr0, GridSize).size());
  FreeWorkArrays();
  if (l > 49) {
    GridSize = l;
    OptimizedGrid = 1;
    OptimizedGridRef = ref;
    OptimizedGridStep = dr0;
    AllocWorkArrays();
    OptimizedGrid = 0;
  } else {
    GridSize = 50;
    AllocWorkArrays();
  }
  return GridSize;
}

void CLammIdeal::BuildRadialGrid() {
  if (!WorkArraysAllocated) return;
  NonUniformGrid = 0;
  const int N = GridSize;
  double* r = Radius;
  r[1] = Meniscus;
  if (N < 2) return;
  if (MovingFrame) {
    // Geometric grid: self-similar under the frame's exponential motion.
    const double q = Bottom / Meniscus, c = std::pow(q, 1.0 / (N - 1));
    r[2] = Meniscus * std::pow(q, (AutoSGridValue >= 0 ? 0.5 : 1.5) / (N - 1));
    for (int i = 3; i <= N - 1; ++i) r[i] = c * r[i - 1];
  } else if (FixedGrid && OptimizedGrid) {
    const std::vector<double> radii =
        WideningGridRadii(Meniscus, Bottom, OptimizedGridRef, OptimizedGridStep, N);
    for (int i = 2; i <= N; ++i)
      r[i] = i <= static_cast<int>(radii.size()) ? std::min(radii[i - 1], Bottom) : Bottom;
    NonUniformGrid = 1;
  } else if (FixedGrid) {
    for (int i = 1; i <= N; ++i) r[i] = Meniscus + (i - 1) * (Bottom - Meniscus) / (N - 1);
  } else {
    for (int i = 1; i <= N; ++i) r[i] = Meniscus + (i - 0.5) * (Bottom - Meniscus) / N;
    return;
  }
  r[N] = Bottom;
}

double CLammIdeal::GridEndResidual(double q) const {
  double r = StretchRadius, interval = StretchInterval;
  for (int k = StretchIndex + 1; k <= GridSize; ++k) {
    interval *= q;
    r += interval;
  }
  return Bottom - r;
}

double CLammIdeal::zbrent(double x1, double x2, double tol) const {
  return ::zbrent([this](double q) { return GridEndResidual(q); }, x1, x2, tol);
}

bool CLammIdeal::StretchGridToBottom(double sigma) {
  if (!WorkArraysAllocated || BackDiffusionCut || !NonUniformGrid) return false;
  const int N = GridSize;
  double* r = Radius;
  // Beyond the radius where the equilibrium profile has fallen by e^10 the
  // grid may be coarse.
  const double lowest = Meniscus + 0.1 * (Bottom - Meniscus);
  const double x = 1 - 10 / (sigma * Bottom * Bottom);
  StretchStart = sigma > 10 && x > 0 ? Bottom * std::sqrt(x) : lowest;
  if (StretchStart < lowest) StretchStart = lowest;
  const std::vector<double> unstretched(r, r + N + 1);
  int i = 2;
  for (; i <= N; ++i) {
    r[i] = Meniscus + 1.1 * (r[i] - Meniscus);
    if (r[i] > StretchStart) break;
  }
  StretchIndex = std::min(i, N);
  StretchRadius = r[StretchIndex];
  StretchInterval = r[StretchIndex] - r[StretchIndex - 1];
  // A ratio exists only where the residual changes sign over [0, 10].
  const bool bracketed = GridEndResidual(0) * GridEndResidual(10) <= 0;
  StretchRatio = zbrent(0, 10, 1e-6);
  double interval = StretchInterval;
  for (int k = StretchIndex + 1; k <= N; ++k) {
    interval *= StretchRatio;
    r[k] = r[k - 1] + interval;
  }
  r[N] = Bottom;
  bool increasing = true;
  for (int k = 2; k <= N; ++k) increasing = increasing && r[k] > r[k - 1];
  if (!bracketed || !(StretchRatio > 0) || !increasing) {
    // Without a ratio the stretched intervals would be empty or overrun the
    // bottom; the unstretched grid is sound.
    std::copy(unstretched.begin(), unstretched.end(), r);
    return false;
  }
  return true;
}

void CLammIdeal::CopySetup(const CLammIdeal& master) {
  static_cast<LammPhysicalParameters&>(*this) = master;
  static_cast<LammNumericalSettings&>(*this) = master;
  AllocatedGridSize = WorkArraysAllocated ? AllocatedLayout.GridSize : 0;
  static_cast<LammModelSwitches&>(*this) = master;
  static_cast<LammLoading&>(*this) = master;
  static_cast<LammSolvent&>(*this) = master;
  static_cast<LammInhomogeneousSolvent&>(*this) = master;
  static_cast<LammTimeAndRotor&>(*this) = master;
  static_cast<LammPhotobleaching&>(*this) = master;

  // Optics: settings and cone kernel; the per-scan factors and the Wiener
  // arrays belong to a run.
  static_cast<LammOptics&>(*this) = master;
  SignalFactors = OneBasedArray<double>();
  SignalFactorCount = 0;
  SignalFactorsValid = 0;
  WienerQuantity = WienerShiftedRadius = WienerResampled = OneBasedArray<double>();
  WienerArrayCount = 0;
  WienerConflict = 0;

  // Profile output: the bindings, with the cursor at the start.
  static_cast<LammProfileOutput&>(*this) = master;
  ProfileNext = 0;
  ProfileNextTime = 0.0;

  DebugLogOn = master.DebugLogOn;

  // Output: the caller's rows and radii are shared. An identity scan list
  // made by the master's SetOutput is copied, so that the copy may outlive
  // the master.
  static_cast<LammOutputBinding&>(*this) = master;
  OutputValid = 0;
  if (master.OwnsScanList) {
    OwnedScanList = master.OwnedScanList;
    ScanList = OwnedScanList.data();
  } else {
    OwnedScanList = OneBasedArray<std::int32_t>();
  }
  AddBuffer = nullptr;
  AddBufferRows = AddBufferColumns = 0;
  AddBufferStore = OneBasedMatrix<float>();
  if (PerScanRadii)
    BindPerScanAddBuffer();
  else if (AddToOutput)
    AllocAddBuffer(ScanCount, OutputPointCount);
}
