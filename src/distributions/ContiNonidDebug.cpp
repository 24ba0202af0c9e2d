// The debug files of the non-ideal c(s) model: every stage of the mean
// field written as scan files, one per grid time, so that the field can be
// looked at with the program's own data loading.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "state/ProgramPaths.h"
#include "data/ScanDataSet.h"
#include "data/ScanFileWriter.h"
#include "distributions/ContiNonid.h"
#include "models/TempParameterFile.h"

std::string CtotDebugFolder() {
  return ProgramPaths.TempFolder + "ctotdebug/";
}

void CContiNonid::WriteDebugFrames(const std::string& stem, int count, const float* radii,
                                   const std::function<const float*(int)>& row) const {
  if (!CorrectionOptions.Ctot.CreateDebugFiles || count < 1 || radii == nullptr) return;
  const ScanDataSetRecord& d = ScanDataSet;
  if (d.NFILES < 1) return;
  const std::string folder = CtotDebugFolder();
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  const ScanHeader& header = d.ScanHeaders[d.ScanTimeOrder[1]];
  // The writer takes mutable one-based arrays; the frames are copied.
  std::vector<float> r(static_cast<std::size_t>(count) + 1), v(r.size());
  std::copy(radii + 1, radii + count + 1, r.begin() + 1);
  for (int i = 1; i <= CtotTimeCount; ++i) {
    const float* values = row(i);
    if (values == nullptr) continue;
    std::copy(values + 1, values + count + 1, v.begin() + 1);
    char description[64];
    std::snprintf(description, sizeof description, "ctotvec t=%.0f", CtotTimes[i]);
    WriteScanFile(folder + stem + std::to_string(i) + ".ip0", count, r.data(), v.data(),
                  nullptr, description, false, header);
  }
}

void CContiNonid::WriteFieldDebugFrames(const std::string& paddedStem,
                                        const std::string& resampledStem) const {
  if (!FieldAllocated) return;
  if (!paddedStem.empty() && Ctot.rows() >= CtotTimeCount)
    WriteDebugFrames(paddedStem, PaddedRadii.size(), PaddedRadii.data(),
                     [&](int i) { return Ctot[i]; });
  if (!resampledStem.empty() && ResampledCtot.rows() >= CtotTimeCount)
    WriteDebugFrames(resampledStem, ResampledSize, ResampledRadii.data(),
                     [&](int i) { return ResampledCtot[i]; });
}
