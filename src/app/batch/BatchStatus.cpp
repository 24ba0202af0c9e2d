#include "app/batch/BatchStatus.h"

#include <cstdio>

#include "state/LoadOptions.h"

BatchStatusRecord BatchStatus;

void NoteBatchFailure(BatchExitCode code, const std::string& reason) {
  const std::string line = "taluvo batch: " + reason + "\n";
  std::fputs(line.c_str(), stderr);
  DebugLog(nullptr, line);
  if (BatchStatus.Failed() || code == BatchExitCode::Success) return;
  BatchStatus.Code = code;
  BatchStatus.Reason = reason;
}

void ResetBatchStatus() {
  BatchStatus = BatchStatusRecord{};
}

int BatchExitCodeValue() {
  return static_cast<int>(BatchStatus.Code);
}
