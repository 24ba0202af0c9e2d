// The temporary parameter file kept beside the data: restoring an analysis.
#include "FuzzSupport.h"
#include "models/TempParameterFile.h"

namespace {

void ReadTempParameters(const std::uint8_t* data, std::size_t size) {
  const std::string path = FuzzInputFile(data, size, "~tmppars");
  ReloadParameters(nullptr, path);
}

const FuzzTargetRegistration kTarget("temp_parameter_file", &ReadTempParameters);

}  // namespace
