// Construction, copies, set-up and the method choice of the non-ideal solver
// with a given total concentration.

#include "lamm/CLammNonIdeal.h"

#include <algorithm>
#include <new>

#include "lamm/VolumeFractionFactors.h"
#include "state/ComputationAbort.h"
#include "ui/Boxes.h"

CLammNonIdeal::CLammNonIdeal() {
  IsNonIdealSolver = 1;
}

CLammNonIdeal::CLammNonIdeal(const CLammNonIdeal& master) : CLammIdeal() {
  IsNonIdealSolver = 1;
  CopySetup(master);
  IsNonIdealSolver = 1;
  MeanFieldTimeCount = master.MeanFieldTimeCount;
  MeanFieldLevelCount = master.MeanFieldLevelCount;
  MeanFieldLevelStep = master.MeanFieldLevelStep;
  if (master.MeanFieldLoaded &&
      AllocateMeanField(master.MeanFieldTimeCount, master.MeanFieldLevelCount)) {
    // One block holds rows, levels, work radii and times: copied as a whole.
    std::copy(master.MeanFieldBlock.begin(), master.MeanFieldBlock.end(), MeanFieldBlock.begin());
    CtotFilePrefix = master.CtotFilePrefix;
  }
  AttachedRows = master.AttachedRows;
  AttachedTimes = master.AttachedTimes;
  AttachedTimeCount = master.AttachedTimeCount;
  AttachedGridSize = master.AttachedGridSize;
  SolutionAttached = master.SolutionAttached;
  WriteCtotFiles = master.WriteCtotFiles;
  CtotTraceEquation = master.CtotTraceEquation;
  LinearRangeLimit = master.LinearRangeLimit;
  LinearKs = master.LinearKs;
  LinearKd = master.LinearKd;
  LastVolumeFraction = master.LastVolumeFraction;
  InterpolationTolerance = master.InterpolationTolerance;
}

CLammNonIdeal::~CLammNonIdeal() {
  FreeMeanField();
}

std::unique_ptr<CLammIdeal> CLammNonIdeal::NewCopy() const {
  return std::make_unique<CLammNonIdeal>(*this);
}

bool CLammNonIdeal::AllocateMeanField(std::int32_t a, std::int32_t b) {
  if (a < 1 || b < 1) return false;
  std::vector<double> block;
  try {
    // a rows of b + 1, then the levels, the work radii and the times.
    block.assign(static_cast<std::size_t>(a) * (b + 1) + 2 * static_cast<std::size_t>(b + 1) +
                     static_cast<std::size_t>(a + 1),
                 0.0);
    MeanFieldRows.assign(static_cast<std::size_t>(a) + 1, nullptr);
  } catch (const std::bad_alloc&) {
    return false;
  }
  FreeMeanField();
  MeanFieldBlock.swap(block);
  MeanFieldTimeCount = a;
  MeanFieldLevelCount = b;
  MeanFieldRows.assign(static_cast<std::size_t>(a) + 1, nullptr);
  double* next = MeanFieldBlock.data();
  for (int i = 1; i <= a; ++i, next += b + 1) MeanFieldRows[static_cast<std::size_t>(i)] = next;
  MeanFieldLevels = next;
  next += b + 1;
  MeanFieldWorkRadii = next;
  next += b + 1;
  MeanFieldTimes = next;
  MeanFieldLoaded = 1;
  return true;
}

void CLammNonIdeal::FreeMeanField() {
  if (!MeanFieldLoaded) return;
  std::vector<double>().swap(MeanFieldBlock);
  MeanFieldRows.clear();
  MeanFieldTimes = MeanFieldLevels = MeanFieldWorkRadii = nullptr;
  MeanFieldLoaded = 0;
}

void CLammNonIdeal::SetNonidealModel(float paramS, float paramD, double scale,
                                     std::uint8_t hardSphere, std::uint8_t sticky) {
  NonIdealityValid = 0;
  IdealModel = 0;
  NonIdealityOn = 1;
  ConcDependentModel = 1;
  NonidealMeanField = 1;
  NonidealSingleSpecies = 0;
  MultiSpecies = 0;
  NonidealityParamS = paramS;
  NonidealityParamD = paramD;
  KsPositive = KdPositive = 1;
  NonidealityScale = scale;
  HardSphereNonideality = hardSphere;
  StickyHardSpheres = sticky != 0;
  AutoGridSize = 0;
  OptimizeGridSpacing = 0;
  ForceBackDiffusionCut = 1;
}

bool CLammNonIdeal::SetMeanField(std::int32_t a, std::int32_t b, const double* const* rows,
                                 const double* times, const double* levels, double levelStep,
                                 const char* prefix) {
  // Without its table the run would have no total concentration: it stays
  // refused.
  if (!rows || !times || !levels || !AllocateMeanField(a, b)) {
    NonIdealityValid = 0;
    return false;
  }
  for (int i = 1; i <= a; ++i) {
    std::copy(rows[i] + 1, rows[i] + b + 1, MeanFieldRows[static_cast<std::size_t>(i)] + 1);
    MeanFieldTimes[i] = times[i];
  }
  std::copy(levels + 1, levels + b + 1, MeanFieldLevels + 1);
  std::fill(MeanFieldWorkRadii + 1, MeanFieldWorkRadii + b + 1, 0.0);
  MeanFieldLevelStep = levelStep;
  CtotFilePrefix = prefix ? prefix : "";
  CtotFileCounter = 0;
  NonIdealityValid = 1;
  ModelSet = 1;
  return true;
}

void CLammNonIdeal::SetCtotFromSolution(std::int32_t a, std::int32_t n, float** rows,
                                        double* times) {
  if (!rows || !times || a <= 0 || n <= 0) return;
  if (n != DefaultGridSize) {
    SolutionAttached = 0;
    return;
  }
  AttachedRows = rows;
  AttachedTimes = times;
  AttachedTimeCount = a;
  AttachedGridSize = n;
  SolutionAttached = 1;
  CtotFileCounter = 0;
  NonIdealityValid = 1;
  ModelSet = 1;
}

void CLammNonIdeal::ChooseMethod() {
  FixedGrid = 1;
  FixedTimeStep = 0;
  MovingFrame = 0;
  OptimizeGridSpacing = 0;
  AutoGridSize = 0;
  ConcDependentModel = 1;
  if (DiffusionCoeff == 0 || SedimentationCoeff <= 0)
    ErrorBox(
        "D = 0 or s <= 0 models are not implemented yet for concentration dependent "
        "sedimentation models",
        false);
}

void CLammNonIdeal::ChooseGridSize() {
  GridSize = DefaultGridSize;
  AllocWorkArrays();
  if (BackDiffusionNegligible(MonomerS, MonomerD)) BackDiffusionCut = 1;
  NoRightTruncation = 1;
  DynamicTruncation = 1;
}

void CLammNonIdeal::Propagate() {
  BeginTimeLoop();
  NonIdealLammTimeLoop();
  ShowPendingStatus();
  if (Interrupted) ComputationAbort = true;
}
