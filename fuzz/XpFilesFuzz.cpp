// Experiment files of the sibling analysis program. Only inputs whose data
// folder lies beside the file ("_data", written here with two small scans)
// are read: an input naming any other folder could load, and rewrite the
// times of, files that are not the fuzzer's.
#include <filesystem>
#include <fstream>
#include <memory>
#include <string_view>

#include "FuzzSupport.h"
#include "app/loading/LoadCommands.h"
#include "state/LoadOptions.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"

namespace {

void WriteScans() {
  const std::string folder = FuzzScratchFolder() + "_data/";
  std::filesystem::create_directories(folder);
  for (int scan = 1; scan <= 2; ++scan) {
    std::ofstream out(folder + "0000" + std::to_string(scan) + ".RA1");
    out << "[T OK]scan\nR 1 20.0 50000 " << 600 * scan << ' ' << 1.6449e10 * scan << " 280 0\n";
    for (int k = 0; k < 30; ++k) out << 5.9 + 0.01 * k << ' ' << 0.01 * k * scan << " 0\n";
  }
}

bool StaysBesideTheFile(std::string_view text) {
  if (text.find_first_of("/\\") != std::string_view::npos) return false;
  if (text.find("..") != std::string_view::npos) return false;
  std::size_t third = 0;
  for (int line = 0; line < 2; ++line) {
    third = text.find('\n', third);
    if (third == std::string_view::npos) return false;
    ++third;
  }
  return text.substr(third).starts_with("\"_");
}

void ReadXp(const std::uint8_t* data, std::size_t size) {
  static std::unique_ptr<TXLAWindow> window = [] {
    WriteScans();
    return std::make_unique<TXLAWindow>("fuzz");
  }();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (!StaysBesideTheFile(text)) return;
  LoadOptions.TimeStampCheckOn = false;
  const std::string path = FuzzInputFile(data, size, "experiment.xp");
  ImportXpFile(*window, path);
  FreeDataSet();
}

const FuzzTargetRegistration kTarget("xp_files", &ReadXp);

}  // namespace
