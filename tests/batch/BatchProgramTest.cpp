// The program itself as automation runs it: separate processes, killed,
// racing for one folder, short of disk, side by side. Each case checks what
// a caller trusts: the exit code, the report and the flag file, and that no
// earlier or partial result can pass for this run's.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "batch/BatchReportXml.h"
#include "support/TestSupport.h"

#ifdef TALUVO_PROGRAM

extern char** environ;

namespace fs = std::filesystem;

namespace {

// The result files a folder holds, by name, with their contents; hidden
// files (the lock, partial files) are not results.
std::map<std::string, std::string> VisibleFiles(const fs::path& folder) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(".")) files[name] = ReadWholeFile(entry.path().string());
  }
  return files;
}

class BatchProgram : public testing::Test {
 protected:
  void SetUp() override {
    data = work.path() / "data";
    fs::create_directories(data);
    for (const char* name : {"00011.RA1", "00012.RA1", "00014.RA1"})
      fs::copy_file(TestDataFolder() / "runs" / "velocity3" / name, data / name);
  }

  // A parameter file for a run into results: the three fixture scans and a
  // quick c(s) run, unless the extra keys ask for more.
  std::string Parameters(const fs::path& results, const std::string& extra,
                         const std::string& flag = "") const {
    const std::string folder = data.string() + "/";
    return Tag("AllDoneFlagFile", flag.empty() ? (results / "alldone.txt").string() : flag) +
           Tag("OutputResultsDirectory", results.string()) + Tag("DataDirectory", data.string()) +
           Tag("PassThrough", "job") + Tag("nIndividualScanFilePaths", "3") +
           Tag("ScanFilePath1", folder + "00011.RA1") + Tag("ScanFilePath2", folder + "00012.RA1") +
           Tag("ScanFilePath3", folder + "00014.RA1") + Tag("Model", "cofs") +
           Tag("Resolution", "20") + Tag("TINoiseFitted", "FALSE") +
           Tag("NumberComputationThreads", "1") + Tag("AutoExit", "TRUE") + extra;
  }

  // The every-scan c(s) fit of the bundled run: long enough to be caught
  // while it runs.
  // (A copy: the analysis writes beside its data.)
  std::string LongParameters(const fs::path& results) const {
    const fs::path example = work.path() / "example";
    if (!fs::exists(example))
      fs::copy(fs::path(__FILE__).parent_path().parent_path().parent_path() / "examples" /
                   "velocity",
               example);
    return Tag("AllDoneFlagFile", (results / "alldone.txt").string()) +
           Tag("OutputResultsDirectory", results.string()) +
           Tag("DataDirectory", example.string()) + Tag("PassThrough", "") +
           Tag("Channel", "RA1") + Tag("FirstScan", "1") + Tag("LastScan", "37") +
           Tag("ScanInterval", "1") + Tag("Meniscus", "5.9") + Tag("LeftFitLimit", "5.97") +
           Tag("RightFitLimit", "7.1") + Tag("Model", "cofs") + Tag("Resolution", "100") +
           Tag("Smax", "15") + Tag("AutoRun", "TRUE") + Tag("AutoFit", "TRUE") +
           Tag("AutoExit", "TRUE");
  }

  // Starts the program headless on a parameter file, with the user's
  // folders inside the scratch folder; the shell line, when given, runs
  // before it (limits, traps). Returns the process.
  pid_t Start(const std::string& parameters, const std::string& name,
              const std::string& shellBefore = "") {
    const std::string file = work.Write(name, parameters);
    const std::string line = shellBefore + " exec env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME=" +
                             work.File("config") + " XDG_RUNTIME_DIR=" + work.File("runtime") +
                             " XDG_CACHE_HOME=" + work.File("cache") + " " + TALUVO_PROGRAM +
                             " handshake " + file + " 2>>" + work.File("errors.txt");
    const char* argv[] = {"/bin/sh", "-c", line.c_str(), nullptr};
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ), 0);
    return pid;
  }
  // Waits for the process; its exit code, or 128 + the signal that ended it.
  static int Finish(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  int Run(const std::string& parameters, const std::string& shellBefore = "") {
    return Finish(Start(parameters, "batch.txt", shellBefore));
  }
  std::string Errors() const { return ReadWholeFile(work.File("errors.txt")); }

  ScratchFolder work;
  fs::path data;
};

// Waits up to ten seconds for a condition that another process brings about.
template <typename Condition>
bool WaitFor(Condition condition) {
  for (int k = 0; k < 1000; ++k) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

}  // namespace

// The worst cases of a battery of hostile runs, each with its code and with
// nothing stale or partial left where the caller looks.
TEST_F(BatchProgram, HostileRunsEndWithTheirCodeAndNoStaleResult) {
  const fs::path results = work.path() / "results";
  // A completed run first, whose results a later failing run must not leave.
  ASSERT_EQ(Run(Parameters(results, Tag("AutoRun", "TRUE"))), 0) << Errors();
  ASSERT_EQ(Element(ReadWholeFile((results / "ResultParameters.xml").string()), "RunStatus"),
            "completed");
  const std::string earlier = ReadWholeFile((results / "distribution.dat").string());
  ASSERT_FALSE(earlier.empty());

  const struct {
    const char* what;
    std::string parameters;
    int code;
    const char* reason;
  } cases[] = {
      {"a device as a scan file",
       std::regex_replace(Parameters(results, ""), std::regex(data.string() + "/00012.RA1"),
                          "/dev/zero"),
       3, "/dev/zero could not be loaded: not a scan file"},
      {"a buffer of viscosity 0", Parameters(results, Tag("BufferViscosity", "0")), 2,
       "BufferViscosity 0 (poise) is not above 0"},
      {"a simulation the program refuses",
       Parameters(results, Tag("SimulateOnly", "TRUE") + Tag("SimulateS", "4") +
                               Tag("SimulateD", "6") + Tag("SimulateC", "1")),
       2, "SimulateOnly: Simulation mode requires 'discrete' model"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Run(c.parameters), c.code) << Errors();
    const auto files = VisibleFiles(results);
    // The report and the flag of this run, and nothing of the earlier one
    // (a run that loaded nothing writes its empty distribution).
    if (files.count("distribution.dat")) {
      EXPECT_NE(files.at("distribution.dat"), earlier);
    }
    ASSERT_EQ(files.count("ResultParameters.xml"), 1u);
    const std::string& xml = files.at("ResultParameters.xml");
    EXPECT_EQ(Element(xml, "RunStatus"), "failed");
    EXPECT_EQ(Element(xml, "ExitCode"), std::to_string(c.code));
    EXPECT_NE(Element(xml, "FailureReason").find(c.reason), std::string::npos)
        << Element(xml, "FailureReason");
    EXPECT_EQ(files.count("alldone.txt") ? files.at("alldone.txt") : "", "handshake");
  }

  // A folder as the parameter file: refused with code 2, not an exception.
  const std::string line = std::string("env -u DISPLAY ") + TALUVO_PROGRAM + " " +
                           work.path().string() + " 2>" + work.File("folder.txt");
  const int status = std::system(line.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_NE(ReadWholeFile(work.File("folder.txt")).find("it is not a regular file"),
            std::string::npos);

  // A flag file in a folder that does not exist: the report says what the
  // exit code says.
  const std::string lost = (work.path() / "no" / "such" / "alldone.txt").string();
  EXPECT_EQ(Run(Parameters(results, "", lost)), 5);
  const std::string xml = ReadWholeFile((results / "ResultParameters.xml").string());
  EXPECT_EQ(Element(xml, "RunStatus"), "failed");
  EXPECT_EQ(Element(xml, "ExitCode"), "5");
  EXPECT_NE(Element(xml, "FailureReason").find("the flag file " + lost + " could not be written"),
            std::string::npos);
}

// A re-run killed while it works leaves neither the earlier run's report
// and flag nor a result of its own that looks complete.
TEST_F(BatchProgram, AKilledReRunLeavesNoStaleOrPartialResult) {
  const fs::path results = work.path() / "results";
  ASSERT_EQ(Run(Parameters(results, Tag("AutoRun", "TRUE"))), 0) << Errors();
  const pid_t rerun = Start(LongParameters(results), "long.txt");
  // The run claims its folder at its start: the earlier report goes first.
  EXPECT_TRUE(WaitFor([&] { return !fs::exists(results / "ResultParameters.xml"); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(rerun, SIGKILL);
  EXPECT_EQ(Finish(rerun), 128 + SIGKILL);
  EXPECT_EQ(VisibleFiles(results), (std::map<std::string, std::string>{}));
}

// Two runs into one folder: the second refuses at once and writes nothing
// there; the first is left to its work.
TEST_F(BatchProgram, ASecondRunIntoABusyFolderRefuses) {
  const fs::path results = work.path() / "results";
  const pid_t first = Start(LongParameters(results), "long.txt");
  ASSERT_TRUE(WaitFor([&] { return fs::exists(results / ".taluvo-batch.lock"); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(Run(Parameters(results, "")), 5);
  EXPECT_NE(Errors().find("the output folder " + results.string() +
                          " is in use by another batch run (process "),
            std::string::npos)
      << Errors();
  EXPECT_EQ(VisibleFiles(results), (std::map<std::string, std::string>{}));
  kill(first, SIGKILL);
  Finish(first);
}

// A disk that takes no more than a few kB (a file size limit stands in for
// a full disk): the report is written whole or not at all, the flag file
// says the run ended, and the exit code says it failed.
TEST_F(BatchProgram, AFullDiskLeavesNoPartialReportOrFlag) {
  const fs::path results = work.path() / "results";
  // Limits in 512-byte blocks (dash) or kB (bash): either way the report
  // and the screenshot do not fit, the flag does.
  const int code = Run(Parameters(results, ""), "trap '' XFSZ; ulimit -f 2;");
  EXPECT_EQ(code, 5) << Errors();
  const auto files = VisibleFiles(results);
  if (files.count("ResultParameters.xml")) {
    const std::string& xml = files.at("ResultParameters.xml");
    EXPECT_EQ(xml.substr(xml.size() - 15), "\n</cGMPTaluvo>\n");
    EXPECT_EQ(Element(xml, "ExitCode"), "5");
  }
  ASSERT_EQ(files.count("alldone.txt"), 1u);
  EXPECT_EQ(files.at("alldone.txt"), "handshake");
}

// Many cells analysed side by side: eight runs started at once, each into
// its own folder, give the same files as the same runs one after another.
TEST_F(BatchProgram, EightRunsAtOnceGiveTheFilesOfEightRunsInTurn) {
  constexpr int kRuns = 8;
  auto parameters = [&](const std::string& set, int k) {
    return Parameters(work.path() / (set + std::to_string(k)),
                      Tag("AutoRun", "TRUE") + Tag("Smax", std::to_string(6 + k)));
  };
  for (int k = 0; k < kRuns; ++k)
    ASSERT_EQ(Run(parameters("turn", k)), 0) << Errors();
  std::vector<pid_t> runs;
  for (int k = 0; k < kRuns; ++k)
    runs.push_back(Start(parameters("once", k), "once" + std::to_string(k) + ".txt"));
  for (pid_t pid : runs) EXPECT_EQ(Finish(pid), 0) << Errors();
  for (int k = 0; k < kRuns; ++k) {
    SCOPED_TRACE(k);
    const std::string turn = (work.path() / ("turn" + std::to_string(k))).string();
    const std::string once = (work.path() / ("once" + std::to_string(k))).string();
    auto inTurn = VisibleFiles(turn);
    const auto atOnce = VisibleFiles(once);
    // The report names its own folder.
    for (auto& [name, text] : inTurn) text = std::regex_replace(text, std::regex(turn), once);
    EXPECT_EQ(inTurn.size(), 8u);
    EXPECT_EQ(inTurn, atOnce);
  }
}

// The program writes its own files into the user's folders, not beside the
// executable; the fits' report of a batch run goes into its output folder.
TEST_F(BatchProgram, WrittenFilesGoToTheUsersFoldersAndTheOutputFolder) {
  const fs::path results = work.path() / "results";
  const fs::path install = fs::path(TALUVO_PROGRAM).parent_path();
  const bool hadIni = fs::exists(install / "taluvo.ini");
  const std::string parameters = std::regex_replace(
      Parameters(results, Tag("SimulateS", "4") + Tag("SimulateD", "6") +
                              Tag("SimulateC", "0.8") + Tag("AutoRun", "TRUE") +
                              Tag("AutoFit", "TRUE") +
                              Tag("FittingAlgorithm", "Levenberg-Marquardt")),
      std::regex("<Model>cofs</Model>"), "<Model>discrete</Model>");
  ASSERT_EQ(Run(parameters), 0) << Errors();
  EXPECT_TRUE(fs::exists(work.path() / "config" / "taluvo" / "taluvo.ini"));
  EXPECT_TRUE(fs::is_directory(work.path() / "runtime" / "taluvo"));
  EXPECT_TRUE(fs::exists(results / "mlfitreport.txt"));
  EXPECT_FALSE(fs::exists(install / "mlfitreport.txt"));
  if (!hadIni) {
    EXPECT_FALSE(fs::exists(install / "taluvo.ini"));
  }
}

#endif
