#pragma once
// A Cholesky factor of a symmetric positive-definite system from which
// variables can be taken out one at a time. Searches with positivity
// constraints solve the same damped system again and again, each time with
// one more variable held at zero; refactorising costs n³/3 per removal,
// while the factor of the smaller system follows from the old one by a
// rank-one update of its trailing block in (n − k)² operations.
//
// A removed variable stays in the factor as a decoupled unit row and column
// (its solution is 0), so the factor keeps its size and the tuned library
// solves with it unchanged.

#include <cstddef>
#include <vector>

class ShrinkingCholesky {
 public:
  // Factors the matrix of order n given by the upper triangle of the
  // one-based a[1..n][1..n]. Variables whose row of a is entirely zero (no
  // data depend on them) are removed from the start. False when the rest is
  // not positive definite; the factor is then unusable.
  bool Factor(const double* const* a, int n);

  // Takes variable i (1..n) out of the system: afterwards the factor is that
  // of the system without row and column i. Removing a removed variable
  // does nothing.
  void Remove(int i);
  bool Removed(int i) const { return removed_[static_cast<std::size_t>(i)] != 0; }

  // x[1..n] solving the current system for b[1..n]; removed variables get 0.
  void Solve(const double* b, double* x);

  int Order() const { return n_; }

 private:
  double& At(int row, int column) {  // zero-based, column-major, lower
    return factor_[static_cast<std::size_t>(column) * static_cast<std::size_t>(n_) +
                   static_cast<std::size_t>(row)];
  }

  int n_ = 0;
  std::vector<double> factor_;
  std::vector<char> removed_;  // one-based
  std::vector<double> work_;
};
