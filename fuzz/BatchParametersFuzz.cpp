// Batch parameter files: the record, its checks and the scan paths it names.
#include "FuzzSupport.h"
#include "app/batch/BatchParameters.h"
#include "app/batch/BatchRun.h"
#include "app/batch/BatchStatus.h"

namespace {

void ReadParameters(const std::uint8_t* data, std::size_t size) {
  const std::string path = FuzzInputFile(data, size, "parameters.txt");
  CIniCustomPars record;
  ReadBatchParameters(record, path);
  CheckBatchParameters(record, path);
  if (record.Valid) BatchScanPaths(record);
  ResetBatchStatus();
}

const FuzzTargetRegistration kTarget("batch_parameters", &ReadParameters);

}  // namespace
