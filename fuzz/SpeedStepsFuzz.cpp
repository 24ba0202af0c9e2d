// Speed-steps files and instrument method rows, the first byte choosing.
#include "FuzzSupport.h"
#include "data/CRotorSpeedProfile.h"
#include "data/ScanHeader.h"

namespace {

void ReadSpeeds(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return;
  CRotorSpeedProfile profile;
  if (data[0] & 1) {
    const std::string path = FuzzInputFile(data + 1, size - 1, "method.EQU");
    profile.SpeedStepsFromEqu(path);
  } else {
    const std::string path = FuzzInputFile(data + 1, size - 1, "speedsteps.txt");
    ScanHeader headers[2];
    headers[1].Rpm = 50000.0f;
    headers[1].Time = 3600.0;
    headers[1].Omega2t = 9.8e10;
    profile.LoadAndCheck(path, 1, headers);
  }
}

const FuzzTargetRegistration kTarget("speed_steps", &ReadSpeeds);

}  // namespace
