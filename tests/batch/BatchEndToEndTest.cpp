// A whole batch analysis, as a caller runs it: a parameter file names scans
// of a known mixture, the c(s) model with the meniscus fitted, AutoRun,
// AutoFit and AutoExit; the program runs headless from its start to its end
// and leaves the result files, the report and the flag file.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <vector>

#include "state/ProgramFlags.h"
#include "app/start/ProgramStart.h"
#include "state/FitControl.h"
#include "numerics/RandomNumbers.h"
#include "platform/HeadlessBackend.h"
#include "platform/qt/RasterWindows.h"
#include "batch/BatchReportXml.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

fs::path ExampleRun() {
  return fs::path(__FILE__).parent_path().parent_path().parent_path() / "examples" / "velocity";
}

double XmlNumber(const std::string& xml, const std::string& key) {
  std::smatch m;
  if (!std::regex_search(xml, m, std::regex("<" + key + ">([^<]*)</" + key + ">"))) return -1e30;
  return std::stod(m[1]);
}

std::uint32_t U32(const std::string& bytes, std::size_t at) {
  std::uint32_t v = 0;
  for (int k = 3; k >= 0; --k) v = v << 8 | static_cast<unsigned char>(bytes[at + k]);
  return v;
}

class BatchEndToEnd : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    platform::qt::UseRasterWindows(backend());
  }
  // Every interval-th scan of the bundled run (1 to 37) copied into the
  // work folder, and the tags of the files, the scans, the cell, the fit
  // range and the c(s) model: the meniscus floats from 0.01 cm off.
  std::string ScansAndCell(int interval) const {
    const fs::path data = work.path() / "data";
    fs::create_directories(data);
    for (int n = 1; n <= 37; n += interval) {
      char name[16];
      std::snprintf(name, sizeof name, "%05d.RA1", n);
      fs::copy_file(ExampleRun() / name, data / name);
    }
    const fs::path results = work.path() / "results";
    return Tag("AllDoneFlagFile", (results / "alldone.txt").string()) +
           Tag("OutputResultsDirectory", results.string()) + Tag("DataDirectory", data.string()) +
           Tag("Channel", "RA1") + Tag("FirstScan", "1") + Tag("LastScan", "37") +
           Tag("ScanInterval", std::to_string(interval)) + Tag("Meniscus", "5.91") +
           Tag("MeniscusLowerLimit", "5.88") + Tag("MeniscusUpperLimit", "5.94") +
           Tag("MeniscusFitted", "TRUE") + Tag("Bottom", "7.2") + Tag("LeftFitLimit", "5.97") +
           Tag("RightFitLimit", "7.1") + Tag("Model", "cofs");
  }

  ScratchFolder install;  // the installation folder: the program file's folder
  ScratchFolder work;
};

}  // namespace

TEST_F(BatchEndToEnd, CsAnalysisWritesItsResultsAndTheFlagLast) {
  // Every fourth scan of the bundled run (4.3 S, 6.6 S and 10.5 S species,
  // meniscus 5.90 cm), started from a meniscus 0.01 cm off.
  const fs::path results = work.path() / "results";
  const std::string parameters =
      ScansAndCell(4) + Tag("Resolution", "50") + Tag("Smin", "1") + Tag("Smax", "14") +
      Tag("StartingFrictionalRatio", "1.25") + Tag("FrictionalRatioFitted", "FALSE") +
      Tag("RegularizationPvalue", "0.68") + Tag("TINoiseFitted", "TRUE") +
      Tag("RINoiseFitted", "TRUE") + Tag("FittingAlgorithm", "Levenberg-Marquardt") +
      Tag("AutoRun", "TRUE") + Tag("AutoFit", "TRUE") + Tag("AutoExit", "TRUE") +
      Tag("PassThrough", "job 7 & friends");
  const std::string file = work.Write("batch.txt", parameters);
  const std::string program = (install.path() / "taluvo").string();
  const char* argv[] = {program.c_str(), "handshake-42", file.c_str()};

  EXPECT_EQ(ProgramMain(3, argv), 0);

  EXPECT_EQ(ReadWholeFile((results / "alldone.txt").string()), "handshake-42");
  const std::string xml = ReadWholeFile((results / "ResultParameters.xml").string());
  ASSERT_FALSE(xml.empty());
  EXPECT_NE(xml.find("<PassThrough>job 7 &amp; friends</PassThrough>"), std::string::npos);
  EXPECT_NE(xml.find("<Model>cofs</Model>"), std::string::npos);
  EXPECT_NEAR(XmlNumber(xml, "Meniscus"), 5.90, 0.002);
  EXPECT_LT(XmlNumber(xml, "RMSD"), 0.0056);
  EXPECT_EQ(xml.substr(xml.size() - 15), "\n</cGMPTaluvo>\n");

  // The distribution peaks at the main species' s.
  std::ifstream distribution(results / "distribution.dat");
  double s = 0, c = 0, peakS = 0, peakC = -1;
  while (distribution >> s >> c)
    if (c > peakC) peakC = c, peakS = s;
  EXPECT_NEAR(peakS, 4.3, 0.3);

  const std::string bmp = ReadWholeFile((results / "screenshot.bmp").string());
  ASSERT_GT(bmp.size(), 54u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  const std::uint32_t width = U32(bmp, 18), height = U32(bmp, 22);
  EXPECT_GT(width, 0u);
  EXPECT_EQ(U32(bmp, 10), 54u);
  EXPECT_EQ(U32(bmp, 34), ((24 * width + 31) / 32) * 4 * height);
  EXPECT_EQ(U32(bmp, 2), 54u + U32(bmp, 34));
  for (const char* name : {"TInoise.dat", "RInoise.dat", "ScanRMSD.dat", "dfr.dat"})
    EXPECT_TRUE(fs::exists(results / name)) << name;
  // The flag file is written after every other result file.
  const auto flagTime = fs::last_write_time(results / "alldone.txt");
  for (const auto& entry : fs::directory_iterator(results))
    EXPECT_LE(fs::last_write_time(entry.path()), flagTime) << entry.path();
}

// The same parameter file on the same data gives the same result files in
// every run: the random spread of the simplex fit starts from the batch's
// fixed seed, whatever the clock says.
TEST_F(BatchEndToEnd, RepeatedRunsGiveIdenticalResultFiles) {
  const fs::path results = work.path() / "results";
  const std::string parameters =
      ScansAndCell(6) + Tag("Resolution", "30") + Tag("Smin", "1") + Tag("Smax", "14") +
      Tag("StartingFrictionalRatio", "1.2") + Tag("FrictionalRatioFitted", "TRUE") +
      Tag("RegularizationPvalue", "0.68") + Tag("TINoiseFitted", "TRUE") +
      Tag("RINoiseFitted", "FALSE") + Tag("FittingAlgorithm", "Simplex") + Tag("AutoRun", "TRUE") +
      Tag("AutoFit", "TRUE") + Tag("AutoExit", "TRUE") + Tag("PassThrough", "repeat");
  const std::string file = work.Write("batch.txt", parameters);
  const std::string program = (install.path() / "taluvo").string();
  const char* argv[] = {program.c_str(), file.c_str()};
  const char* names[] = {"ResultParameters.xml", "distribution.dat", "TInoise.dat", "ScanRMSD.dat",
                         "dfr.dat"};
  std::vector<std::string> first;
  for (int run = 1; run <= 2; ++run) {
    // Whatever earlier draws left the generators in, the batch restarts them.
    for (int k = 0; k < run * 7; ++k) GaussianRandom(1.0f);
    // Each run as a fresh start of the program: its own platform, flags and
    // fit counters.
    BatchDone = false;
    ExitRequested = false;
    FitControl = FitControlRecord{};
    auto fresh = std::make_unique<platform::HeadlessBackend>();
    platform::qt::UseRasterWindows(*fresh);
    auto previous = platform::Install(std::move(fresh));
    const int code = ProgramMain(2, argv);
    platform::Install(std::move(previous));
    ASSERT_EQ(code, 0);
    for (std::size_t k = 0; k < std::size(names); ++k) {
      const std::string text = ReadWholeFile((results / names[k]).string());
      EXPECT_FALSE(text.empty()) << names[k];
      if (run == 1)
        first.push_back(text);
      else
        EXPECT_EQ(text, first[k]) << names[k];
    }
    fs::remove_all(results);
  }
}
