#include "tools/DlsConversions.h"

#include <cassert>

bool ToFieldACF(int n, float* values, DlsRecord& record) {
  if (record.HoldsFieldAcf) return false;
  assert(n <= 0 || values);
  for (int k = 1; k <= n; ++k) values[k] = SignedSquareRoot(values[k]);
  record.HoldsFieldAcf = true;
  return true;
}

bool ToIntensityACF(int n, float* values, DlsRecord& record) {
  if (!record.HoldsFieldAcf) return false;
  assert(n <= 0 || values);
  for (int k = 1; k <= n; ++k) values[k] = SignedSquare(values[k]);
  record.HoldsFieldAcf = false;
  return true;
}
