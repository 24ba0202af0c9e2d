#include "data/AnalysisSideFiles.h"

#include "data/ScanDataSet.h"
#include "data/ScanFileWriter.h"
#include "numerics/CVector.h"

bool SaveSdistVector(float* values, int n) {
  CVector v;
  if (n > 0) v.AttachFrom(values, static_cast<unsigned>(n), 1);
  return v.WriteFile(DataFileLocation.SdistFilePath) == 1;
}

bool LoadSdistVector(int* count, OneBasedArray<float>* values) {
  CVector v;
  if (v.ReadFile(DataFileLocation.SdistFilePath) != 1 || v.count() == 0) return false;
  const int n = static_cast<int>(v.count());
  values->Resize(1, n);
  for (int k = 1; k <= n; ++k) (*values)[k] = v[static_cast<unsigned>(k - 1)];
  *count = n;
  return true;
}

bool SaveEquilibriumScan(const std::string& path) {
  auto& d = ScanDataSet;
  if (d.NFILES <= 0) return false;
  const int latest = d.ScanTimeOrder[d.NFILES];
  const ScanHeader& h = d.ScanHeaders[latest];
  return WriteScanFile(path, d.ScanPointCount[latest], d.ScanRadius[latest].data(),
                       d.ScanModel[latest].data(), nullptr, "equilibrium", h.TimeStampChecked, h);
}
