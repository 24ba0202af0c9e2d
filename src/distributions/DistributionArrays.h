#pragma once
// The large arrays of one continuous distribution analysis: the kernel (one
// simulated signal per grid point, scan and radius) and the normal equations
// with the work arrays of their solvers. Both live for the analysis of one
// grid; each owns its storage, and the numerical code reaches it through
// one-based handles like every other array of the program.
//
// The program keeps one of each (DistKernel, NormalEquations below); the grid
// builder allocates them, the stored-distribution step and the run's clean-up
// release them. The solvers take the arrays as an argument, so they can run
// on any set, for instance a test's.

#include <cstddef>
#include <memory>
#include <vector>

#include "numerics/OneBasedArrays.h"

// Kernel K[g][s][r] in single precision: grid points g = 1..G, scans
// s = 1..S, radii r = 0..R (the numerical code uses 1..R). One zeroed block
// of G·S·(R + 1) floats; grid point g, scan s starts at
// ((g − 1)·S + (s − 1))·(R + 1).
class DistributionKernelArray {
 public:
  // Releases what exists, then allocates zeroed storage. False (and nothing
  // allocated) when the block cannot be had or its size does not fit in
  // memory addresses; no message, the caller gives up quietly.
  bool Allocate(int gridCount, int scanCount, int radiusCount);
  // Ends the kernel's existence. Up to kKeptBytes of its storage stay with
  // the array for the next allocation: every run allocates a kernel of the
  // same size, and fresh pages of tens of megabytes cost more to map and
  // touch than the run spends solving with them.
  void Release();
  static constexpr std::size_t kKeptBytes = std::size_t{256} << 20;

  bool Exists() const { return block_ != nullptr; }
  int GridCount() const { return gridCount_; }
  int ScanCount() const { return scanCount_; }
  int RadiusCount() const { return radiusCount_; }

  // The one-based handle K[g][s][r]; null while nothing is allocated.
  float*** get() { return Exists() ? gridTable_.data() : nullptr; }

 private:
  int gridCount_ = 0, scanCount_ = 0, radiusCount_ = 0;
  struct FreeStorage {
    void operator()(float* p) const;
  };
  using Storage = std::unique_ptr<float[], FreeStorage>;
  Storage block_;
  std::size_t blockCapacity_ = 0;  // floats
  Storage kept_;                   // storage of a released kernel
  std::size_t keptCapacity_ = 0;
  std::vector<float*> scanTable_;   // G·(S + 1) scan pointers, slot 0 of each grid unused
  std::vector<float**> gridTable_;  // G + 1 grid pointers, slot 0 unused
};

// The normal equations of n amplitudes, S scans and R radii of the common
// radial grid, all in double and zeroed on allocation. Vectors run over
// 0..n (slot 0 unused by the solvers), matrices over rows 1..n and columns
// 0..n; the mean arrays of the noise elimination over scans 0..S and radii
// 0..R.
struct NormalEquationArrays {
  // Releases what exists, then allocates. On failure "could not allocate
  // arrays, increase memory or take fewer scans" in the error box, nothing
  // stays allocated, and false.
  bool Allocate(int n, int scanCount, int radiusCount);
  void Release();
  bool Exists() const { return Size > 0; }

  int Size = 0;  // n
  int ScanCount = 0;
  int RadiusCount = 0;

  // Noise elimination (mean of kernel column g over the fit radii of a scan,
  // over the scans at a radius, over everything; the same of the data).
  OneBasedMatrix<double> KernelScanMean;    // [1..n][0..S]
  OneBasedMatrix<double> KernelRadialMean;  // [1..n][0..R]
  OneBasedArray<double> KernelGrandMean;    // [0..n]
  OneBasedArray<double> DataScanMean;       // [0..S]
  OneBasedArray<double> DataRadialMean;     // [0..R]

  // The system: A0 = KᵀK, b = Kᵀy, y'y, and A0 plus the smoothness penalty.
  OneBasedMatrix<double> NormalMatrix;       // [1..n][0..n]
  OneBasedMatrix<double> RegularizedMatrix;  // [1..n][0..n]
  OneBasedArray<double> NormalVector;        // [0..n]
  double DataSquareSum = 0.0;
  // Grid points covered by the regularisation (set by the run before it
  // regularises).
  int RegularizedCount = 0;

  // The amplitudes, and those of the Tikhonov pass of the combined setting.
  OneBasedArray<double> DistSolution;           // [0..n]
  OneBasedArray<double> SavedTikhonovSolution;  // [0..n]

  // Work arrays of the non-negative least squares.
  OneBasedArray<double> NnlsGradient;          // [0..n]
  OneBasedArray<int> NnlsPassiveSet;           // [1..n]
  OneBasedMatrix<double> NnlsReducedMatrix;    // [1..n][0..n]
  OneBasedArray<double> NnlsReducedVector;     // [0..n]
  OneBasedArray<double> NnlsCholeskyDiagonal;  // [0..n]
  OneBasedArray<double> NnlsReducedSolution;   // [0..n]
  OneBasedArray<double> NnlsTrialSolution;     // [0..n]
  OneBasedArray<double> MaxEntWork;            // [0..n]

  // Scratch of the normal-equation builds (the lanes' Gram matrices and the
  // workers' blocks). Kept through Release: every run of an analysis builds
  // a system of the same size, and tens of megabytes of fresh pages cost the
  // system more to map and clear than the build spends on them.
  std::unique_ptr<double[]> BuildScratch;
  std::size_t BuildScratchCount = 0;
  // BuildScratch with room for count doubles (contents undefined).
  double* BuildScratchFor(std::size_t count);

  // The arrays of the last released set, whose storage the next Allocate
  // takes over (cleared): the runs of a fit release and allocate the same
  // sizes again and again, and would map fresh pages every time.
  std::unique_ptr<NormalEquationArrays> Kept;
};

// Read-only row handle of a matrix of the arrays.
inline const double* const* ReadRows(const OneBasedMatrix<double>& m) { return m.get(); }

// The program's kernel and normal equations.
extern DistributionKernelArray DistKernel;
extern NormalEquationArrays NormalEquations;

// The allocation steps of the grid builder: kernel first, then, if that
// succeeded, the normal equations; if those fail the kernel is released and
// the grid refused. Each releases the previous arrays (of whatever size)
// first.
bool AllocKernelArray(int gridCount, int scanCount, int radiusCount);
void FreeKernelArray();
bool AllocNormalEqArrays(int n, int scanCount, int radiusCount);
void FreeNormalEqArrays();
