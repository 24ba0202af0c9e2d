#include "plot/CAdHocPlot.h"

#include "numerics/OneBasedArrays.h"

CAdHocPlot::CAdHocPlot() : pPlot(std::make_unique<CWINPlot>()) {
  Resize(nSlots);
}

CAdHocPlot::~CAdHocPlot() {
  // The plot goes first: it references the curves below.
  pPlot.reset();
  for (int k = 1; k <= nSlots; ++k) {
    const auto s = static_cast<std::size_t>(k);
    pCurve[s].reset();
    pXVector[s].reset();
    pYVector[s].reset();
    if (adopted_[s] && pOwnsArrays[s]) {
      const int n = pPointCount[s];
      free_vector(pXArray[s], 1, n);
      free_vector(pYArray[s], 1, n);
    }
  }
}

void CAdHocPlot::Resize(int slots) {
  const auto size = static_cast<std::size_t>(slots) + 1;
  pPointCount.resize(size, 0);
  pXArray.resize(size, nullptr);
  pYArray.resize(size, nullptr);
  pXVector.resize(size);
  pYVector.resize(size);
  pCurve.resize(size);
  pOwnsArrays.resize(size, false);
  adopted_.resize(size, false);
  nSlots = slots;
}

int CAdHocPlot::AddCurve(int n, float* x, float* y) {
  int k = 1;
  while (k <= nSlots &&
         (adopted_[static_cast<std::size_t>(k)] || pPointCount[static_cast<std::size_t>(k)] != 0))
    ++k;
  if (k > nSlots) Resize(nSlots * 2);
  const auto s = static_cast<std::size_t>(k);
  pPointCount[s] = n;
  pXArray[s] = x;
  pYArray[s] = y;
  pOwnsArrays[s] = true;
  adopted_[s] = true;
  const unsigned count = n > 0 ? static_cast<unsigned>(n) : 0u;
  pXVector[s] = std::make_unique<CVector>();
  pXVector[s]->AttachFrom(x, count, 1);
  pYVector[s] = std::make_unique<CVector>();
  pYVector[s]->AttachFrom(y, count, 1);
  pCurve[s] = std::make_unique<CCurve>(pXVector[s].get(), pYVector[s].get());
  pPlot->AddCurve(pCurve[s].get());
  return pPlot->nCurves - 1;
}
