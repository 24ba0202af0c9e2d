// Scan files: the reader with the options a load can set, chosen by the
// input's first byte (electrophoresis mode, fixed columns, point averaging,
// spike removal, a wanted third column), then the common grid of a data set
// made of the scan.
#include "FuzzSupport.h"
#include "data/CommonRadialGrid.h"
#include "data/ScanDataSet.h"
#include "data/ScanFileReader.h"
#include "data/ScanReaderOptions.h"

namespace {

void ReadScan(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return;
  const std::uint8_t options = data[0];
  ScanReaderOptions = ScanReaderOptionsRecord{};
  ScanReaderOptions.ElectrophoresisDataMode = (options & 1) != 0;
  ScanReaderOptions.FixedColumnsOn = (options & 2) != 0;
  ScanReaderOptions.FixedColumnCount = 2 + (options >> 6);
  ScanReaderOptions.SpikeFilterOn = (options & 4) != 0;
  const float averaging = (options & 8) != 0 ? 0.002f : 0.0f;
  const std::string path = FuzzInputFile(data + 1, size - 1, "00001.RA1");

  ScanHeader header;
  int count = 0;
  OneBasedArray<float> radius, signal, third;
  bool stamp = false;
  const bool wantThird = (options & 16) != 0;
  if (!ReadScanFile(path, &header, &count, &radius, &signal, wantThird ? &third : nullptr, &stamp,
                    averaging))
    return;
  if ((options & 32) == 0) return;
  // One scan as a data set: the grid is sized from its radii.
  auto& d = ScanDataSet;
  FreeDataSet();
  AllocScanSlots(1);
  d.NFILES = 1;
  d.ScanTimeOrder[1] = 1;
  d.ScanHeaders[1] = header;
  d.ScanPointCount[1] = count;
  d.ScanRadius[1] = radius;
  d.ScanSignal[1] = signal;
  SetupCommonRadialGrid();
  FreeDataSet();
}

const FuzzTargetRegistration kTarget("scan_file", &ReadScan);

}  // namespace
