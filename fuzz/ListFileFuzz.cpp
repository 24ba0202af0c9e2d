// List files: the list of a previous load, read into the file name list.
#include "FuzzSupport.h"
#include "data/ListFiles.h"
#include "data/ScanDataSet.h"

namespace {

void ReadList(const std::uint8_t* data, std::size_t size) {
  const std::string path = FuzzInputFile(data, size, "list.RA1");
  ReadListFile(nullptr, path);
  FreeFileNameList();
  FreeDataSet();
}

const FuzzTargetRegistration kTarget("list_file", &ReadList);

}  // namespace
