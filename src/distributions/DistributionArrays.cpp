#include "distributions/DistributionArrays.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <limits>
#include <new>
#include <utility>

#include "platform/LargePages.h"
#include "ui/Boxes.h"

DistributionKernelArray DistKernel;
NormalEquationArrays NormalEquations;

namespace {

// a·b, or nothing when the product does not fit in a size_t.
bool MultiplySize(std::size_t a, std::size_t b, std::size_t& product) {
  if (a != 0 && b > std::numeric_limits<std::size_t>::max() / a) return false;
  product = a * b;
  return true;
}

// Elements of an n-row matrix or vector set must stay addressable: the
// largest block is n rows of n + 1 doubles.
bool FitsInMemory(std::size_t rows, std::size_t columns, std::size_t elementSize) {
  std::size_t count = 0, bytes = 0;
  return MultiplySize(rows, columns, count) && MultiplySize(count, elementSize, bytes) &&
         bytes < std::numeric_limits<std::ptrdiff_t>::max() / 4;
}

}  // namespace

void DistributionKernelArray::FreeStorage::operator()(float* p) const {
  std::free(p);
}

bool DistributionKernelArray::Allocate(int gridCount, int scanCount, int radiusCount) {
  assert(gridCount >= 1 && scanCount >= 1 && radiusCount >= 0);
  Release();
  const auto g = static_cast<std::size_t>(gridCount), s = static_cast<std::size_t>(scanCount);
  const auto perScan = static_cast<std::size_t>(radiusCount) + 1;
  std::size_t columns = 0;
  if (!MultiplySize(g, s, columns) || !FitsInMemory(columns, perScan, sizeof(float))) return false;
  const std::size_t count = columns * perScan;
  try {
    if (keptCapacity_ >= count) {
      block_ = std::move(kept_);
      blockCapacity_ = keptCapacity_;
      keptCapacity_ = 0;
      std::fill_n(block_.get(), count, 0.0f);
    } else {
      kept_.reset();  // before the larger block is mapped
      keptCapacity_ = 0;
      // Fresh pages from the system are zero already: calloc leaves their
      // first touch to whoever fills the kernel (the Lamm workers, in
      // parallel) instead of clearing them here a second time.
      block_.reset(static_cast<float*>(std::calloc(count, sizeof(float))));
      if (block_ == nullptr) throw std::bad_alloc();
      blockCapacity_ = count;
      platform::AdviseLargePages(block_.get(), count * sizeof(float));
    }
    scanTable_.assign(g * (s + 1), nullptr);
    gridTable_.assign(g + 1, nullptr);
  } catch (const std::bad_alloc&) {
    Release();
    return false;
  }
  for (std::size_t gi = 0; gi < g; ++gi) {
    float** scans = scanTable_.data() + gi * (s + 1);
    for (std::size_t si = 0; si < s; ++si) scans[si + 1] = block_.get() + (gi * s + si) * perScan;
    gridTable_[gi + 1] = scans;
  }
  gridCount_ = gridCount;
  scanCount_ = scanCount;
  radiusCount_ = radiusCount;
  return true;
}

void DistributionKernelArray::Release() {
  if (block_ != nullptr && blockCapacity_ * sizeof(float) <= kKeptBytes &&
      blockCapacity_ > keptCapacity_) {
    kept_ = std::move(block_);
    keptCapacity_ = blockCapacity_;
  }
  block_.reset();
  blockCapacity_ = 0;
  // Swapping with empties gives the memory back, unlike clear().
  std::vector<float*>().swap(scanTable_);
  std::vector<float**>().swap(gridTable_);
  gridCount_ = scanCount_ = radiusCount_ = 0;
}

bool NormalEquationArrays::Allocate(int n, int scanCount, int radiusCount) {
  assert(n >= 1 && scanCount >= 0 && radiusCount >= 0);
  Release();
  if (Kept) {
    // Resizing reuses the storage where it is large enough, clearing it.
    std::unique_ptr<NormalEquationArrays> kept = std::move(Kept);
    std::unique_ptr<double[]> scratch = std::move(BuildScratch);
    const std::size_t count = BuildScratchCount;
    *this = std::move(*kept);
    BuildScratch = std::move(scratch);
    BuildScratchCount = count;
    // Only the storage is handed on: the scalars start afresh.
    DataSquareSum = 0.0;
    RegularizedCount = 0;
  }
  const auto rows = static_cast<std::size_t>(n);
  const auto widest = static_cast<std::size_t>(std::max({n, scanCount, radiusCount})) + 1;
  bool allocated = FitsInMemory(rows, widest, 4 * sizeof(double));
  if (allocated) {
    try {
      KernelScanMean.Resize(1, n, 0, scanCount);
      KernelRadialMean.Resize(1, n, 0, radiusCount);
      KernelGrandMean.Resize(0, n);
      DataScanMean.Resize(0, scanCount);
      DataRadialMean.Resize(0, radiusCount);
      NormalMatrix.Resize(1, n, 0, n);
      RegularizedMatrix.Resize(1, n, 0, n);
      NormalVector.Resize(0, n);
      DistSolution.Resize(0, n);
      SavedTikhonovSolution.Resize(0, n);
      NnlsGradient.Resize(0, n);
      NnlsPassiveSet.Resize(1, n);
      NnlsReducedMatrix.Resize(1, n, 0, n);
      NnlsReducedVector.Resize(0, n);
      NnlsCholeskyDiagonal.Resize(0, n);
      NnlsReducedSolution.Resize(0, n);
      NnlsTrialSolution.Resize(0, n);
      MaxEntWork.Resize(0, n);
    } catch (const std::bad_alloc&) {
      allocated = false;
    }
  }
  if (!allocated) {
    Release();
    ErrorBox("could not allocate arrays, increase memory or take fewer scans");
    return false;
  }
  Size = n;
  ScanCount = scanCount;
  RadiusCount = radiusCount;
  return true;
}

void NormalEquationArrays::Release() {
  std::unique_ptr<double[]> scratch = std::move(BuildScratch);
  const std::size_t count = BuildScratchCount;
  std::unique_ptr<NormalEquationArrays> kept = std::move(Kept);
  if (Size > 0) kept = std::make_unique<NormalEquationArrays>(std::move(*this));
  *this = NormalEquationArrays{};
  Kept = std::move(kept);
  BuildScratch = std::move(scratch);
  BuildScratchCount = count;
}

double* NormalEquationArrays::BuildScratchFor(std::size_t count) {
  if (count > BuildScratchCount) {
    BuildScratch.reset();  // before the larger block is mapped
    BuildScratchCount = 0;
    BuildScratch.reset(new double[count]);
    BuildScratchCount = count;
  }
  return BuildScratch.get();
}

bool AllocKernelArray(int gridCount, int scanCount, int radiusCount) {
  return DistKernel.Allocate(gridCount, scanCount, radiusCount);
}

void FreeKernelArray() {
  DistKernel.Release();
}

bool AllocNormalEqArrays(int n, int scanCount, int radiusCount) {
  return NormalEquations.Allocate(n, scanCount, radiusCount);
}

void FreeNormalEqArrays() {
  NormalEquations.Release();
}
