#pragma once
// One plotted or processed curve: the abscissae and ordinates of its points
// as two CVector objects. Most curves are views over vectors that belong to
// someone else (and those vectors usually wrap the scan arrays); a curve
// made from arrays or read from a file owns its two vectors.
//
// Curves are not copyable: a copy of a view that took the vectors over would
// delete them under their owner, and a deep copy would silently stop showing
// the current values of the arrays it was meant to view. Another view over the
// same vectors is made explicitly with CCurve(x, y); ownership moves.

#include <memory>
#include <string>

#include "numerics/CVector.h"

class CCurve {
 public:
  // No vectors, owns nothing.
  CCurve() = default;
  // A view over two existing vectors; the caller keeps them.
  CCurve(CVector* x, CVector* y);
  // Takes the two vectors over; they are deleted with the curve.
  CCurve(std::unique_ptr<CVector> x, std::unique_ptr<CVector> y);
  // Two new owned vectors of count values: xs[xfirst + i], ys[yfirst + i].
  CCurve(const float* xs, const float* ys, int count, int xfirst, int yfirst);
  CCurve(const CCurve&) = delete;
  CCurve& operator=(const CCurve&) = delete;
  CCurve(CCurve&& other) noexcept;
  CCurve& operator=(CCurve&& other) noexcept;
  ~CCurve() = default;

  CVector* x() const { return x_; }
  CVector* y() const { return y_; }
  bool owns() const { return owns_; }

  // One line per point, "%e %e". Returns 1, or 0 after a message.
  int WriteFile(const std::string& path) const;
  // Columns xcol < ycol (1-based) of every line; blanks, tabs, ";" or ","
  // separate the columns. Returns 1 on success, 0 on failure.
  int ReadFile(const std::string& path, int xcol, int ycol);
  // The same, every m consecutive lines giving one point (their means).
  int ReadFileAveraged(const std::string& path, int xcol, int ycol, int m);

  // Queries. Windows x0..x1 assume x ascending where they stop early.
  float XAtMaxY() const;
  float MinYInWindow(float x0, float x1) const;
  float MaxYInWindow(float x0, float x1) const;
  // Over the indices first..last-1 only.
  float MinYInWindow(float x0, float x1, int first, int last) const;
  float MaxYInWindow(float x0, float x1, int first, int last) const;
  float MeanYInWindow(float x0, float x1) const;
  int NearestXIndex(float x) const;
  int NearestPointByX(float x, float* xout, float* yout) const;
  int NearestPointByY(float y, float* xout, float* yout) const;
  int NearestPoint(float x, float y, float* xout, float* yout) const;
  // y at x on the straight line through the two points around x; outside
  // the curve, through the two end points.
  float YAt(float x) const;
  // Local maxima of y higher than n points on each side, highest first, into
  // the one-based xs[1..], ys[1..] and (when given) indices[1..] (1-based
  // positions); at most maxCount. Returns the number written.
  int FindPeaks(float* xs, float* ys, int* indices, int maxCount, int n) const;

  // Ascending x, each y moving with its x; equal x keep their order.
  void SortByX();

 private:
  int Points() const;
  float X(int i) const { return (*x_)[static_cast<unsigned>(i)]; }
  float Y(int i) const { return (*y_)[static_cast<unsigned>(i)]; }
  void ReplaceByOwned(unsigned count);
  int ReadColumns(const std::string& path, int xcol, int ycol, int m);

  std::unique_ptr<CVector> ownedX_, ownedY_;
  CVector* x_ = nullptr;
  CVector* y_ = nullptr;
  bool owns_ = false;
};

// Writes the one-based x[1..n] and y[1..n] as lines "%f %f"; a message when
// the file cannot be created.
void WriteXYFile(const std::string& path, int n, const float* x, const float* y);
