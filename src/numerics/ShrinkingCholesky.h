#pragma once
// A Cholesky factor of a symmetric positive-definite system from which
// variables can be taken out one at a time. Searches with positivity
// constraints solve the same damped system again and again, each time with
// one more variable held at zero, often a hundred times for one matrix.
//
// The removals are not worked into the factor one by one. Without the
// removed set F the solution follows from that of the whole system,
// z = A⁻¹b: x = z − A⁻¹[:,F]·c, where c solves the coupling system
// A⁻¹[F,F]·c = z[F] (a principal block of the inverse, so positive definite;
// its own factor grows by one row per removal). With the inverse formed once
// per factor (a few times the cost of factorising, shared among threads
// where there are several), a removal costs O(|F|²)
// and a solve O(n·|F|), instead of an O(n²) update of the factor and two
// triangular solves that stream the whole factor. Should the coupling
// system lose its definiteness to rounding (removed variables that depend
// almost wholly on one another), the removals are worked into the factor by
// plane rotations instead, which costs more and is always stable.
//
// A variable whose row is zero when factorised, or removed by rotations,
// stays in the factor as a decoupled unit row and column (its solution is
// 0), so the factor keeps its size and the tuned library solves with it
// unchanged.

#include <cstddef>
#include <utility>
#include <vector>

class ShrinkingCholesky {
 public:
  // Columns of the inverse per block, the threads' unit of work; every
  // block is computed alike whichever thread takes it.
  static constexpr int kInverseBlock = 32;

  // Factors the matrix of order n given by the upper triangle of the
  // one-based a[1..n][1..n]. Variables whose row of a is entirely zero (no
  // data depend on them) are removed from the start. False when the rest is
  // not positive definite; the factor is then unusable.
  bool Factor(const double* const* a, int n);

  // Takes variable i (1..n) out of the system: afterwards Solve solves the
  // system without row and column i. Removing a removed variable does
  // nothing.
  void Remove(int i);
  bool Removed(int i) const { return removed_[static_cast<std::size_t>(i)] != 0; }

  // x[1..n] solving the current system for b[1..n]; removed variables get 0.
  void Solve(const double* b, double* x);

  int Order() const { return n_; }

  // Threads that may share the forming of the inverse (1 by default). The
  // inverse is formed in fixed blocks of columns whoever computes them, so
  // the results do not depend on this.
  void SetThreads(int threads) { threads_ = threads < 1 ? 1 : threads; }

 private:
  double& At(int row, int column) {  // zero-based, column-major, lower
    return factor_[static_cast<std::size_t>(column) * static_cast<std::size_t>(n_) +
                   static_cast<std::size_t>(row)];
  }
  // Element of A⁻¹ (zero-based): each column holds the rows from the start
  // of its block of columns on, the rest is found by symmetry.
  double Inverse(int row, int column) const {
    if (row < column / kInverseBlock * kInverseBlock) std::swap(row, column);
    return inverse_[static_cast<std::size_t>(column) * static_cast<std::size_t>(n_) +
                    static_cast<std::size_t>(row)];
  }
  // Works the removal of variable k (zero-based) into the factor.
  void Rotate(int k);
  // Forms the inverse of the factored matrix.
  void FormInverse();
  // Columns [first, first + count) of the inverse into inverse_.
  void FormInverseColumns(int first, int count);
  // Adds variable k (zero-based) to the coupling system's factor; false
  // when its pivot is lost to rounding.
  bool Couple(int k);
  // work_ := the solution of the factored system (pending removals still
  // in it) for b, reusing the last one when b is unchanged.
  void SolveFactored(const double* b);

  int n_ = 0;
  std::vector<double> factor_;
  std::vector<char> removed_;    // one-based: out of the current system
  std::vector<char> decoupled_;  // one-based: a unit row of the factor
  std::vector<double> work_;     // zero-based
  // Removals since the factor was made, zero-based, in order; the rows of
  // the coupling system's factor (packed, row f holds f + 1 values); the
  // columns of the inverse that belong to them, one after the other.
  std::vector<int> pending_;
  std::vector<double> coupling_;
  std::vector<double> pendingColumns_;
  std::vector<double> inverse_;  // column-major, see Inverse
  bool inverseReady_ = false;
  bool rotating_ = false;  // removals go into the factor until the next Factor
  int threads_ = 1;
  // The right-hand side whose factored solution work_ holds.
  std::vector<double> solvedFor_;
  bool solved_ = false;
  std::vector<double> coefficients_;
};
