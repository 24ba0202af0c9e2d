#include "models/GlobalLammState.h"

#include <cassert>
#include <cmath>

GlobalLammRunStateRecord GlobalLammRun;
GlobalLammArraysRecord GlobalLammArrays;
MovingGridStateRecord MovingGridState;
SpeciesSignalsRecord SpeciesSignals;

namespace {

double* ArrayOf(std::vector<double>& block, int k, int size) {
  if (block.empty()) return nullptr;
  const std::size_t stride = static_cast<std::size_t>(size) + 1;
  assert(k >= 0 && (static_cast<std::size_t>(k) + 1) * stride <= block.size());
  return block.data() + static_cast<std::size_t>(k) * stride;
}

}  // namespace

double* MainArray(int k) {
  return ArrayOf(GlobalLammArrays.MainBlock, k, GlobalLammArrays.LammAllocatedSize);
}
double* SliceArray(int k) {
  return ArrayOf(GlobalLammArrays.SliceBlock, k, GlobalLammArrays.LammAllocatedSize);
}
double* ReactingArray(int k) {
  return ArrayOf(GlobalLammArrays.ReactingBlock, k, GlobalLammArrays.LammAllocatedSize);
}
double* MovingHatArray(int k) {
  return ArrayOf(GlobalLammArrays.MovingHatBlock, k, GlobalLammArrays.LammAllocatedSize);
}
double* ConcDependentArray(int k) {
  return ArrayOf(GlobalLammArrays.ConcDependentBlock, k, GlobalLammArrays.LammAllocatedSize);
}
double* CosoluteArray(int k) {
  return ArrayOf(GlobalLammArrays.CosoluteBlock, k, GlobalLammArrays.CosoluteGridSize);
}
double* CosoluteTableArray(int k) {
  return ArrayOf(GlobalLammArrays.CosoluteTableBlock, k, GlobalLammArrays.CosoluteGridSize);
}

void MovingHatGridUpdate() {
  GlobalLammArraysRecord& a = GlobalLammArrays;
  const int n = a.LammAllocatedSize;
  if (!a.LammArraysAllocated || a.LammRadius == nullptr) return;
  const std::vector<double>& reference = MovingGridState.ReferenceRadius;
  if (static_cast<int>(reference.size()) < n) return;
  const double factor =
      std::exp(MovingGridState.GridRate * (GlobalLammRun.SimTime - MovingGridState.GridTime));
  for (int i = 2; i <= n - 1; ++i)
    a.LammRadius[i] = reference[static_cast<std::size_t>(i)] * factor;
}
