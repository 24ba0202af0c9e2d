#include "data/ScanHeader.h"

bool HasTimeStampTag(const std::string& description) {
  return description.find("[TIMESTAMP CORRECTED") != std::string::npos ||
         description.find("[T OK]") != std::string::npos;
}
