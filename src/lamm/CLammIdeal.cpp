// Construction, destruction, the work arrays and the diagnostics log of the
// Lamm equation solver.

#include "lamm/CLammIdeal.h"

#include <array>
#include <cstdio>
#include <new>

#include "state/ProgramPaths.h"
#include "ui/Boxes.h"

std::atomic<bool> LammDiagnosticsOn{false};

namespace {

// Arrays of N + 1 doubles in each part of the work block.
constexpr int kBaseArrays = 21;  // profile, grid, matrices, tridag factors, scratch
constexpr int kPhotophysicsArrays = 2;
constexpr int kMovingFrameArrays = 17;
constexpr int kConcentrationDependentArrays = 18;

// Co-solute arrays of CosoluteGridSize + 1 doubles.
constexpr int kCosoluteArrays = 22;
constexpr int kCosoluteIntegralArrays = 14;

// The co-solute arrays in the order they are cut from the co-solute block.
std::array<double**, kCosoluteArrays> CosoluteArrayPointers(LammCosoluteWork& w) {
  return {&w.CosoluteRadius,
          &w.CosoluteConcentration,
          &w.CosolutePredicted,
          &w.CosolutePrevious,
          &w.CosoluteRhs,
          &w.CosoluteMassLower,
          &w.CosoluteMassDiag,
          &w.CosoluteMassUpper,
          &w.CosoluteTransportLower,
          &w.CosoluteTransportDiag,
          &w.CosoluteTransportUpper,
          &w.CosoluteImplicitLower,
          &w.CosoluteImplicitDiag,
          &w.CosoluteImplicitUpper,
          &w.CosoluteExplicitLower,
          &w.CosoluteExplicitDiag,
          &w.CosoluteExplicitUpper,
          &w.CosoluteGamma,
          &w.CosolutePivots,
          &w.CosoluteNodeS,
          &w.CosoluteNodeD,
          &w.CosoluteScratch};
}

}  // namespace

CLammIdeal::CLammIdeal() {
  DebugLogOn = LammDiagnosticsOn ? 1 : 0;
}

CLammIdeal::~CLammIdeal() {
  Release();
}

void CLammIdeal::Release() {
  FreeWorkArrays();
  if (CosoluteOn) FreeCosoluteArrays();
}

CLammIdeal::WorkLayout CLammIdeal::RequiredWorkLayout() const {
  WorkLayout layout;
  layout.GridSize = GridSize;
  layout.Photophysics = PhotophysicsOn != 0;
  layout.MovingFrame = MovingFrame != 0;
  layout.ConcentrationDependent = ConcDependentModel || MonomerDimerModel || TetramerOctamerModel ||
                                  DimerTetramerModel || MonomerTrimerModel ||
                                  NonidealSingleSpecies || NonidealMeanField || MultiSpecies;
  return layout;
}

// Hands out consecutive arrays of n + 1 doubles from the block; element 0 of
// each is never used.
class BlockCutter {
 public:
  BlockCutter(std::vector<double>& block, int n) : next_(block.data()), stride_(n + 1) {}
  double* Next() {
    double* array = next_;
    next_ += stride_;
    return array;
  }

 private:
  double* next_;
  std::size_t stride_;
};

void CLammIdeal::CutWorkBlock(const WorkLayout& layout) {
  BlockCutter cut(WorkBlock, layout.GridSize);
  ScanSnapshot = cut.Next();
  Concentration = cut.Next();
  Radius = cut.Next();
  PreviousConcentration = cut.Next();
  RightHandSide = cut.Next();
  ImplicitLower = cut.Next();
  ImplicitDiag = cut.Next();
  ImplicitUpper = cut.Next();
  ExplicitLower = cut.Next();
  ExplicitDiag = cut.Next();
  ExplicitUpper = cut.Next();
  TridagGamma = cut.Next();
  TransportLower = cut.Next();
  TransportDiag = cut.Next();
  TransportUpper = cut.Next();
  MassUpper = cut.Next();
  MassDiag = cut.Next();
  MassLower = cut.Next();
  TridagPivots = cut.Next();
  TridagCoupling = cut.Next();
  ResolutionScratch = cut.Next();
  if (layout.Photophysics) {
    DarkState = cut.Next();
    DarkStateOld = cut.Next();
  }
  if (layout.MovingFrame) {
    for (double** p :
         {&DiffusionLower, &DiffusionDiagonal, &DiffusionUpper, &SedimentationLower,
          &SedimentationDiagonal, &SedimentationUpper, &FrameTermLower, &FrameTermDiagonal,
          &FrameTermUpper, &FrameGrid, &IntervalRhsLower, &IntervalRhsDiagonal, &IntervalRhsUpper,
          &IntervalLhsLower, &IntervalLhsDiagonal, &IntervalLhsUpper, &IntervalRatios})
      *p = cut.Next();
    NewOperatorLower = ImplicitLower;
    NewOperatorDiagonal = ImplicitDiag;
    NewOperatorUpper = ImplicitUpper;
  }
  if (layout.ConcentrationDependent) {
    NodeSedimentation = cut.Next();
    for (double*& p : ElementIntegralArrays) p = cut.Next();
    NodeDiffusion = cut.Next();
    PredictedConcentration = cut.Next();
    TotalConcentration = cut.Next();
  }
}

void CLammIdeal::AllocSpeciesMatrices() {
  if (!MultiSpecies) return;
  const int rows = SpeciesCount, columns = GridSize;
  for (OneBasedMatrix<double>* m :
       {&SpeciesProfiles, &SpeciesPredicted, &SpeciesOld, &WeightedProfiles, &WeightedPredicted,
        &WeightedOld, &SpeciesNodeSedimentation, &SpeciesNodeDiffusion})
    m->Resize(1, rows, 1, columns);
}

std::int32_t CLammIdeal::AllocWorkArrays() {
  if (GridSize <= 0) return 0;
  const WorkLayout need = RequiredWorkLayout();
  // Arrays of another size or for other settings would be too short or lack
  // an array that the run needs: allocate anew.
  if (WorkArraysAllocated && !(AllocatedLayout == need)) FreeWorkArrays();
  try {
    if (!WorkArraysAllocated) {
      const int count = kBaseArrays + (need.Photophysics ? kPhotophysicsArrays : 0) +
                        (need.MovingFrame ? kMovingFrameArrays : 0) +
                        (need.ConcentrationDependent ? kConcentrationDependentArrays : 0);
      WorkBlock.assign(static_cast<std::size_t>(count) * (GridSize + 1), 0.0);
      CutWorkBlock(need);
      AllocatedLayout = need;
      AllocatedGridSize = GridSize;
      WorkArraysAllocated = 1;
    }
    AllocSpeciesMatrices();
  } catch (const std::bad_alloc&) {
    // The run reports code 1; nothing half-allocated stays behind.
    FreeWorkArrays();
    return 0;
  }
  BuildRadialGrid();
  if (ReportTotalAmount && MovingFrame && !AmountCurve) {
    AmountTimes = std::make_unique<CVector>(static_cast<unsigned>(GridSize));
    AmountValues = std::make_unique<CVector>(static_cast<unsigned>(GridSize));
    AmountCurve = std::make_unique<CCurve>(AmountTimes.get(), AmountValues.get());
  }
  return 1;
}

void CLammIdeal::ClearWorkPointers() {
  static_cast<LammWorkArrays&>(*this) = LammWorkArrays{};
}

void CLammIdeal::FreeWorkArrays() {
  // The amount curve refers to the two vectors: it goes first.
  AmountCurve.reset();
  AmountTimes.reset();
  AmountValues.reset();
  if (!WorkArraysAllocated) return;
  std::vector<double>().swap(WorkBlock);
  ClearWorkPointers();
  AllocatedLayout = WorkLayout{};
  WorkArraysAllocated = 0;
}

std::int32_t CLammIdeal::ResizeWorkArrays(std::int32_t n) {
  if (!WorkArraysAllocated) return 0;
  FreeWorkArrays();
  GridSize = n;
  return AllocWorkArrays();
}

bool CLammIdeal::AllocCosoluteArrays() {
  const int n = CosoluteGridSize;
  if (n < 2) return false;
  if (CosoluteArraysAllocated && CosoluteAllocatedSize != n) FreeCosoluteArrays();
  if (!CosoluteArraysAllocated) {
    try {
      CosoluteBlock.assign(static_cast<std::size_t>(kCosoluteArrays) * (n + 1), 0.0);
      if (NonidealCosolute)
        CosoluteIntegralBlock.assign(static_cast<std::size_t>(kCosoluteIntegralArrays) * (n + 1),
                                     0.0);
    } catch (const std::bad_alloc&) {
      FreeCosoluteArrays();
      return false;
    }
    BlockCutter cut(CosoluteBlock, n);
    for (double** p : CosoluteArrayPointers(*this)) *p = cut.Next();
    if (NonidealCosolute) {
      BlockCutter cutIntegrals(CosoluteIntegralBlock, n);
      for (double*& p : CosoluteIntegralArrays) p = cutIntegrals.Next();
    }
    CosoluteArraysAllocated = 1;
    CosoluteAllocatedSize = n;
  }
  // The co-solute's own grid: uniform from meniscus to bottom.
  for (int i = 1; i <= n; ++i)
    CosoluteRadius[i] = Meniscus + (i - 1) * (Bottom - Meniscus) / (n - 1);
  return true;
}

void CLammIdeal::FreeCosoluteArrays() {
  std::vector<double>().swap(CosoluteBlock);
  std::vector<double>().swap(CosoluteIntegralBlock);
  for (double** p : CosoluteArrayPointers(*this)) *p = nullptr;
  CosoluteIntegralArrays.fill(nullptr);
  CosoluteArraysAllocated = 0;
  CosoluteAllocatedSize = 0;
}

namespace {

// Appends (or, for the first write of a session, writes anew) one text to the
// log file; false when the file cannot be opened.
bool WriteLogText(const std::string& path, bool append, const char* text) {
  std::FILE* file = std::fopen(path.c_str(), append ? "a" : "w");
  if (!file) return false;
  std::fputs(text, file);
  std::fflush(file);
  std::fclose(file);
  return true;
}

}  // namespace

void CLammIdeal::DebugLog(const char* text) {
  if (!DebugLogOn) return;
  if (LogFileName.empty()) {
    char name[40];
    std::snprintf(name, sizeof name, "debug_t%d.txt", ThreadNumber);
    LogFileName = ProgramPaths.TempFolder + name;
  }
  std::string message;
  if (LogMessage.empty()) {
    char start[200];
    std::snprintf(start, sizeof start,
                  "starting new debugging session for Lamm equation s = %.4f S, D = %.3f F",
                  SedimentationCoeff, DiffusionCoeff * 1e7);
    LogMessage = start;
    message = LogMessage;
  } else if (text) {
    message = text;
  } else {
    return;
  }
  if (!WriteLogText(LogFileName, LogFileStarted != 0, message.c_str())) {
    ErrorBox("\n\aAttention: could not open " + LogFileName + " to write debugging info");
    return;
  }
  LogFileStarted = 1;
}
