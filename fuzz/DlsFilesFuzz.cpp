// Light-scattering files: read, written back and read again; what was read
// once must read back.
#include <cstdlib>

#include "FuzzSupport.h"
#include "data/DlsDataFile.h"

namespace {

void ReadDls(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return;
  const bool g2 = (data[0] & 1) != 0;
  const std::string path = FuzzInputFile(data + 1, size - 1, "00001.dlsdat");
  DlsRecord record;
  int count = 0;
  OneBasedArray<float> lags, values;
  if (!ReadDLSDataFile(path, &record, &count, &lags, &values, true)) return;
  const std::string copy = FuzzScratchFolder() + "copy.dlsdat";
  if (!SaveDLSDataFile(copy, count, lags.data(), values.data(), nullptr, record)) return;
  DlsRecord again;
  int countAgain = 0;
  if (!ReadDLSDataFile(copy, &again, &countAgain, &lags, &values, g2)) std::abort();
}

const FuzzTargetRegistration kTarget("dls_files", &ReadDls);

}  // namespace
