// Batch runs that cannot succeed, as a caller sees them: the exit code, the
// report that says the run failed and why, and the flag file written last
// all the same. Each case starts from the three-scan fixture run (scans 11,
// 12 and 14 of a velocity run: 13 is missing). Each run gets a fresh
// platform, as a new program start would.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <memory>
#include <filesystem>
#include <cstdio>
#include <regex>
#include <vector>

#include "app/batch/BatchParameters.h"
#include "app/batch/BatchStatus.h"
#include "state/ProgramFlags.h"
#include "app/start/ProgramStart.h"
#include "platform/HeadlessBackend.h"
#include "platform/qt/RasterWindows.h"
#include "batch/BatchReportXml.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

fs::path FixtureRun() {
  return TestDataFolder() / "runs" / "velocity3";
}

class BatchFailures : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    platform::qt::UseRasterWindows(backend());
    data = work.path() / "data";
    fs::create_directories(data);
    for (const char* name : {"00011.RA1", "00012.RA1", "00014.RA1"})
      fs::copy_file(FixtureRun() / name, data / name);
    results = work.path() / "results";
  }

  // Scans 11, 12 and 14 listed one by one; no analysis, so that a run that
  // loads its data succeeds quickly.
  std::string Parameters(const std::string& extra, const std::string& channel = "RA1") const {
    const std::string folder = data.string() + "/";
    return Tag("AllDoneFlagFile", flag.empty() ? (results / "alldone.txt").string() : flag) +
           Tag("OutputResultsDirectory", results.string()) + Tag("DataDirectory", data.string()) +
           Tag("PassThrough", "job 3") + Tag("nIndividualScanFilePaths", "3") +
           Tag("ScanFilePath1", folder + "00011." + channel) +
           Tag("ScanFilePath2", folder + "00012." + channel) +
           Tag("ScanFilePath3", folder + "00014." + channel) + Tag("Model", "cofs") +
           Tag("AutoExit", "TRUE") + extra;
  }

  // The required keys and an explicit list of scan files.
  std::string ListOf(const std::vector<std::string>& paths) const {
    std::string list = Tag("AllDoneFlagFile", (results / "alldone.txt").string()) +
                       Tag("OutputResultsDirectory", results.string()) +
                       Tag("DataDirectory", data.string()) + Tag("PassThrough", "") +
                       Tag("nIndividualScanFilePaths", std::to_string(paths.size()));
    for (std::size_t k = 0; k < paths.size(); ++k)
      list += Tag("ScanFilePath" + std::to_string(k + 1), paths[k]);
    return list + Tag("AutoExit", "TRUE");
  }

  int Run(const std::string& parameters) {
    const std::string file = work.Write("batch.txt", parameters);
    const std::string program = (install.path() / "taluvo").string();
    const char* argv[] = {program.c_str(), "handshake", file.c_str()};
    // Each run starts as a fresh program would.
    BatchMode = BatchDone = ExitRequested = false;
    IniCustomPars.reset();
    // A fresh platform too: a finished message loop keeps its quit code.
    auto fresh = std::make_unique<platform::HeadlessBackend>();
    platform::qt::UseRasterWindows(*fresh);
    auto previous = platform::Install(std::move(fresh));
    testing::internal::CaptureStderr();
    const int code = ProgramMain(3, argv);
    errors = testing::internal::GetCapturedStderr();
    platform::Install(std::move(previous));
    return code;
  }

  void RenameExtensions(const std::string& extension) const {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(data)) files.push_back(entry.path());
    for (const fs::path& file : files)
      fs::rename(file, fs::path(file).replace_extension("." + extension));
  }

  std::string Report() const { return ReadWholeFile((results / "ResultParameters.xml").string()); }

  ScratchFolder install;
  ScratchFolder work;
  fs::path data, results;
  std::string flag;  // the flag file, when not in the results folder
  std::string errors;
};

}  // namespace

TEST_F(BatchFailures, EachFailureHasItsCodeItsReasonAndTheFlagFile) {
  const std::string renamed = (data / "interference.RA1").string();
  fs::copy_file(TestDataFolder() / "scans" / "interference_two_columns.IP2", renamed);
  const std::string axis = work.Write(
      "data/00015.RA1", "axis\nR 1 20.0 50000 3630 9.8E+10 280 2\n-0.0 0.1 0.01\n6.0 0.2 0.01\n");
  const struct Case {
    const char* what;
    std::string parameters;
    BatchExitCode code;
    const char* reason;  // part of the reason in the report and on standard error
    const char* damaged = nullptr;  // a line that replaces the one at 6.52 cm in scan 14
  } cases[] = {
      {"a missing scan of a numbered list",
       Tag("AllDoneFlagFile", (results / "alldone.txt").string()) +
           Tag("OutputResultsDirectory", results.string()) + Tag("DataDirectory", data.string()) +
           Tag("PassThrough", "") + Tag("Channel", "RA1") + Tag("FirstScan", "11") +
           Tag("LastScan", "14") + Tag("ScanInterval", "1") + Tag("AutoExit", "TRUE"),
       BatchExitCode::DataNotLoaded, "00013.RA1 could not be loaded"},
      {"a value that is not a number", Parameters(Tag("Meniscus", "abc")),
       BatchExitCode::ParameterFileRefused, "Meniscus: \"abc\""},
      {"a resolution that would take memory without end",
       Parameters(Tag("Resolution", "100000000")), BatchExitCode::ParameterFileRefused,
       "Resolution 100000000 is outside the range"},
      {"a device listed as a scan",
       ListOf({(data / "00011.RA1").string(), "/dev/zero", (data / "00014.RA1").string()}),
       BatchExitCode::DataNotLoaded, "/dev/zero could not be loaded: not a scan file"},
      {"a scan listed twice",
       ListOf({(data / "00011.RA1").string(), (data / "00012.RA1").string(),
               (data / "." / "00011.RA1").string()}),
       BatchExitCode::DataNotLoaded, "00011.RA1 is listed twice (ScanFilePath1 and ScanFilePath3)"},
      {"an interference scan renamed .RA1",
       ListOf({(data / "00011.RA1").string(), (data / "00012.RA1").string(), renamed}),
       BatchExitCode::DataNotLoaded, "holds data of type P, but its extension names type R"},
      {"a scan with a radius of 0",
       ListOf({(data / "00011.RA1").string(), (data / "00012.RA1").string(), axis}),
       BatchExitCode::DataNotLoaded, "a radius is not above 0 cm"},
      // An isolated value the spike filter would drop without a word.
      {"a spike beyond float range", Parameters(Tag("FilterDataSpikes", "TRUE")),
       BatchExitCode::DataNotLoaded, "could not read the line: 6.5200 1e39", "6.5200 1e39 1.23000E-02"},
      {"a fit range without data",
       Parameters(Tag("LeftFitLimit", "2") + Tag("RightFitLimit", "3")),
       BatchExitCode::ParameterFileRefused, "holds none of the scans' radii"},
      {"an s range the run cannot reach", Parameters(Tag("Smax", "1e6")),
       BatchExitCode::ParameterFileRefused, "Smax 1e+06 (S) lies beyond the run's reach"},
      {"a buffer without viscosity", Parameters(Tag("BufferViscosity", "0")),
       BatchExitCode::ParameterFileRefused, "BufferViscosity 0 (poise) is not above 0"},
      {"a simulation of a distribution model",
       Parameters(Tag("SimulateOnly", "TRUE") + Tag("SimulateS", "4") + Tag("SimulateD", "6") +
                  Tag("SimulateC", "1")),
       BatchExitCode::ParameterFileRefused, "SimulateOnly: Simulation mode requires"},
      {"a last scan at the integer limit",
       Tag("AllDoneFlagFile", (results / "alldone.txt").string()) +
           Tag("OutputResultsDirectory", results.string()) + Tag("DataDirectory", data.string()) +
           Tag("PassThrough", "") + Tag("Channel", "RA1") + Tag("FirstScan", "11") +
           Tag("LastScan", "2147483647") + Tag("ScanInterval", "1"),
       BatchExitCode::ParameterFileRefused, "LastScan 2147483647 is outside the range"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(results);
    const std::string original = ReadWholeFile((data / "00014.RA1").string());
    if (c.damaged) {
      const std::size_t at = original.find("6.5200 ");
      const std::size_t end = original.find('\n', at);
      work.Write("data/00014.RA1", original.substr(0, at) + c.damaged + original.substr(end));
    }
    EXPECT_EQ(Run(c.parameters), static_cast<int>(c.code));
    EXPECT_EQ(ReadWholeFile((results / "alldone.txt").string()), "handshake");
    const std::string xml = Report();
    EXPECT_EQ(Element(xml, "RunStatus"), "failed");
    EXPECT_EQ(Element(xml, "ExitCode"), std::to_string(static_cast<int>(c.code)));
    EXPECT_NE(Element(xml, "FailureReason").find(c.reason), std::string::npos)
        << Element(xml, "FailureReason");
    EXPECT_NE(errors.find(c.reason), std::string::npos) << errors;
    // Nothing was loaded: no scan listed, no rmsd that reads as a fit.
    EXPECT_EQ(Element(xml, "ScanDataFilesLoaded"), "\n");
    EXPECT_EQ(Element(xml, "RMSD"), "(none)");
    if (c.damaged) work.Write("data/00014.RA1", original);
  }
}

TEST_F(BatchFailures, OutputFolderIsCreatedWithItsParents) {
  results = work.path() / "new" / "deeper" / "results";
  EXPECT_EQ(Run(Parameters("")), 0);
  const std::string xml = Report();
  EXPECT_EQ(Element(xml, "RunStatus"), "completed");
  EXPECT_EQ(ReadWholeFile((results / "alldone.txt").string()), "handshake");
  // Only the files loaded, each once.
  EXPECT_EQ(Element(xml, "ScanDataFilesLoaded"),
            "\n  " + (data / "00011.RA1").string() + "\n  " + (data / "00012.RA1").string() +
                "\n  " + (data / "00014.RA1").string() + "\n");
}

TEST_F(BatchFailures, AnOutputFolderThatCannotBeCreatedFailsTheRun) {
  // A file stands where a parent folder would have to be.
  const std::string blocker = work.Write("blocker", "");
  results = fs::path(blocker) / "results";
  flag = (work.path() / "alldone.txt").string();
  EXPECT_EQ(Run(Parameters("")), static_cast<int>(BatchExitCode::ResultsNotWritten));
  EXPECT_EQ(ReadWholeFile(flag), "handshake");
  EXPECT_NE(errors.find("the output folder " + results.string() + " could not be created"),
            std::string::npos)
      << errors;
}

// The files on disk in one case, the parameter file naming them in the
// other.
TEST_F(BatchFailures, LowerCaseExtensionsAreFoundForUpperCaseNames) {
  RenameExtensions("ra1");
  EXPECT_EQ(Run(Parameters("", "RA1")), 0) << errors;
  EXPECT_NE(Element(Report(), "ScanDataFilesLoaded").find("00014.ra1"), std::string::npos);
}

TEST_F(BatchFailures, UpperCaseExtensionsAreFoundForLowerCaseNames) {
  EXPECT_EQ(Run(Parameters("", "ra1")), 0) << errors;
  EXPECT_NE(Element(Report(), "ScanDataFilesLoaded").find("00014.RA1"), std::string::npos);
}

#ifdef TALUVO_PROGRAM
// The program itself, without a display: a run that would stay open cannot,
// and says so instead of ending silently with code 0.
TEST_F(BatchFailures, WithoutDisplayAndAutoExitTheProgramRefusesToStart) {
  std::string parameters = Parameters("");
  parameters.erase(parameters.find("<AutoExit>"), std::string("<AutoExit>TRUE</AutoExit>\n").size());
  const std::string file = work.Write("stay-open.txt", parameters);
  const std::string errorsFile = work.File("errors.txt");
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY " + std::string(TALUVO_PROGRAM) +
                              " hello " + file + " 2> " + errorsFile;
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(BatchExitCode::CannotStayOpen));
  const std::string said = ReadWholeFile(errorsFile);
  EXPECT_NE(said.find("has no <AutoExit>TRUE</AutoExit>"), std::string::npos);
  // The refusal comes before any window: nothing reaches for its log.
  EXPECT_EQ(said.find("programming error"), std::string::npos) << said;
  EXPECT_EQ(ReadWholeFile((results / "alldone.txt").string()), "hello");
  EXPECT_EQ(Element(Report(), "ExitCode"), "6");
}
#endif

// Scans of a run at 10,000, 14,000 and 20,000 rpm without a speedsteps.txt:
// the simulations follow a profile built from the scans' own speeds, and
// the report says so. A speedsteps.txt that contradicts the scans' speeds
// is never used.
TEST_F(BatchFailures, MultiSpeedScansTakeTheirOwnSpeedsOrAreRefused) {
  const fs::path speeds = work.path() / "speeds";
  fs::create_directories(speeds);
  std::vector<std::string> paths;
  for (int n = 1; n <= 6; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "%05d.RA1", n);
    fs::copy_file(TestDataFolder() / "runs" / "threespeed" / name, speeds / name);
    paths.push_back((speeds / name).string());
  }
  const std::string parameters = ListOf(paths) + Tag("Meniscus", "5.99") +
                                 Tag("LeftFitLimit", "6.02") + Tag("RightFitLimit", "7.05");
  EXPECT_EQ(Run(parameters), 0) << errors;
  const std::string used = Element(Report(), "SpeedProfile");
  EXPECT_NE(used.find("built from the scans' recorded speeds (3 steps, 10000 to 20000 rpm)"),
            std::string::npos)
      << used;
  EXPECT_EQ(Element(Report(), "RunStatus"), "completed");

  // One step at the first speed: the later scans contradict it.
  work.Write("speeds/speedsteps.txt", "0\t10000\t280\n");
  EXPECT_EQ(Run(parameters), static_cast<int>(BatchExitCode::DataNotLoaded));
  EXPECT_NE(Element(Report(), "FailureReason")
                .find("the rotor speed profile " + (speeds / "speedsteps.txt").string() +
                      " contradicts the scans' recorded speeds (the scans were recorded at 10000 "
                      "to 20000 rpm)"),
            std::string::npos)
      << Element(Report(), "FailureReason");
  EXPECT_EQ(ReadWholeFile((results / "alldone.txt").string()), "handshake");
}
