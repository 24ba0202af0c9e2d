// Batch runs that cannot succeed, as a caller sees them: the exit code, the
// report that says the run failed and why, and the flag file written last
// all the same. Each case starts from the three-scan fixture run (scans 11,
// 12 and 14 of a velocity run: 13 is missing). A run that gets as far as its
// window's message loop ends that loop for good, so each test runs at most
// one of them.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

#include "app/batch/BatchParameters.h"
#include "app/batch/BatchStatus.h"
#include "state/ProgramFlags.h"
#include "app/start/ProgramStart.h"
#include "platform/qt/RasterWindows.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

std::string Tag(const std::string& key, const std::string& value) {
  return "<" + key + ">" + value + "</" + key + ">\n";
}

// An element's text, with the quotes of the report's escaping read back.
std::string Element(const std::string& xml, const std::string& key) {
  std::smatch m;
  if (!std::regex_search(xml, m, std::regex("<" + key + ">([^<]*)</" + key + ">")))
    return "(none)";
  return std::regex_replace(std::string(m[1]), std::regex("&quot;"), "\"");
}

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

  int Run(const std::string& parameters) {
    const std::string file = work.Write("batch.txt", parameters);
    const std::string program = (install.path() / "taluvo").string();
    const char* argv[] = {program.c_str(), "handshake", file.c_str()};
    // Each run starts as a fresh program would.
    BatchMode = BatchDone = ExitRequested = false;
    IniCustomPars.reset();
    testing::internal::CaptureStderr();
    const int code = ProgramMain(3, argv);
    errors = testing::internal::GetCapturedStderr();
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
  const struct Case {
    const char* what;
    std::string parameters;
    BatchExitCode code;
    const char* reason;  // part of the reason in the report and on standard error
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
  EXPECT_NE(ReadWholeFile(errorsFile).find("has no <AutoExit>TRUE</AutoExit>"), std::string::npos);
  EXPECT_EQ(ReadWholeFile((results / "alldone.txt").string()), "hello");
  EXPECT_EQ(Element(Report(), "ExitCode"), "6");
}
#endif
