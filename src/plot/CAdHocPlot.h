#pragma once
// A plot built straight from raw arrays, for the tool screens: one CWINPlot
// and curves made from one-based x and y arrays that the ad-hoc plot adopts.
// The arrays are wrapped, not copied, so a change to them shows at the next
// rendering.

#include <memory>
#include <vector>

#include "numerics/CCurve.h"
#include "numerics/CVector.h"
#include "plot/CWINPlot.h"

class CAdHocPlot {
 public:
  CAdHocPlot();
  CAdHocPlot(const CAdHocPlot&) = delete;
  CAdHocPlot& operator=(const CAdHocPlot&) = delete;
  ~CAdHocPlot();

  // Adopts x[1..n] and y[1..n] (made with vector(1, n); released with the
  // ad-hoc plot) as a new curve of pPlot; returns its index there. Beyond
  // the initial slots the table grows, so no curve is refused.
  int AddCurve(int n, float* x, float* y);

  std::unique_ptr<CWINPlot> pPlot;
  int nSlots = 100;
  // Per slot 1 .. nSlots (index 0 unused); a point count of 0 marks a free slot.
  std::vector<int> pPointCount;
  std::vector<float*> pXArray;
  std::vector<float*> pYArray;
  std::vector<std::unique_ptr<CVector>> pXVector;
  std::vector<std::unique_ptr<CVector>> pYVector;
  std::vector<std::unique_ptr<CCurve>> pCurve;
  std::vector<bool> pOwnsArrays;

 private:
  void Resize(int slots);
  // Slots in use, for the release of their arrays (a slot of 0 points is
  // free, yet it may hold adopted arrays).
  std::vector<bool> adopted_;
};
