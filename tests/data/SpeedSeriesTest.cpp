// Speed series of loaded scans, instrument method rows written from and read
// into speed profiles, the conversions in both directions, the conversion
// command and how it shows the written file.

#include <array>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>
#include <vector>

#include "state/ProgramFlags.h"
#include "state/ProgramPaths.h"
#include "data/ShowTextFile.h"
#include "data/SpeedSeries.h"
#include "support/TestSupport.h"

namespace {

class SpeedSeriesTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    savedPaths_ = ProgramPaths;
  }
  void TearDown() override {
    BatchMode = false;
    InstalledTextFileViewer = nullptr;
    ProgramPaths = savedPaths_;
    HeadlessTest::TearDown();
  }
  std::vector<std::string> Boxes() { return LogLinesWith("box ["); }
  std::vector<std::string> Entries() { return LogLinesWith("entry ["); }
  ScratchFolder scratch;

 private:
  ProgramPathsRecord savedPaths_;
};

struct Scan {
  double time;
  float rpm;
  int cell = 1;
  float wavelength = 280;
};

OneBasedArray<ScanHeader> Headers(const std::vector<Scan>& scans) {
  OneBasedArray<ScanHeader> h(1, static_cast<int>(scans.size()));
  for (int i = 1; i <= h.size(); ++i) {
    const Scan& s = scans[static_cast<std::size_t>(i - 1)];
    h[i].Time = h[i].RecordedTime = s.time;
    h[i].Rpm = s.rpm;
    h[i].Cell = s.cell;
    h[i].Wavelength = s.wavelength;
  }
  return h;
}

struct SeriesCase {
  const char* what;
  std::vector<Scan> scans;
  bool variable, irregular, onlyIncrease;
};

TEST_F(SpeedSeriesTest, SpeedSeriesOfScans) {
  const SeriesCase cases[] = {
      {"within 9 rpm", {{100, 40000}, {200, 40009}, {300, 39991}}, false, false, false},
      {"one scan", {{100, 40000}}, false, false, false},
      {"10 rpm apart", {{100, 40000}, {200, 40010}}, true, false, true},
      {"rising", {{3000, 10000}, {20000, 15000}, {30000, 20000}}, true, false, true},
      {"late drop",
       {{3000, 10000}, {20000, 15000}, {30000, 20000}, {40000, 15000}},
       true,
       true,
       false},
      {"early drop", {{1000, 20000}, {2000, 10000}}, true, false, false},
      // Time decides, not the order in which the scans are listed.
      {"listed out of order", {{2000, 20000}, {1000, 10000}}, true, false, true},
      {"cell change", {{100, 10000}, {200, 20000, 2}}, true, true, true},
      {"wavelength 11 nm off", {{100, 10000}, {200, 20000, 1, 291}}, true, true, true},
      {"wavelength 10 nm off", {{100, 10000}, {200, 20000, 1, 290}}, true, false, true},
      {"cell change at one speed", {{100, 10000}, {200, 10000, 2}}, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto h = Headers(c.scans);
    EXPECT_EQ(HasVariableSpeed(h.size(), h.data()), c.variable);
    bool irregular = true, onlyIncrease = true;
    EXPECT_EQ(AnalyzeSpeedChanges(h.size(), h.data(), irregular, onlyIncrease), c.variable);
    EXPECT_EQ(irregular, c.irregular);
    EXPECT_EQ(onlyIncrease, c.onlyIncrease);
  }
}

void SetProfile(CRotorSpeedProfile& p, const std::vector<std::array<float, 3>>& steps) {
  const int n = static_cast<int>(steps.size());
  OneBasedArray<float> s(1, n), r(1, n), a(1, n);
  for (int i = 1; i <= n; ++i) {
    const auto& step = steps[static_cast<std::size_t>(i - 1)];
    s[i] = step[0];
    r[i] = step[1];
    a[i] = step[2];
  }
  p.SetSteps(n, s.data(), r.data(), a.data());
}

std::vector<std::array<float, 3>> StepsOf(const CRotorSpeedProfile& p) {
  std::vector<std::array<float, 3>> steps;
  for (int i = 1; i <= p.SpeedStepCount(); ++i)
    steps.push_back({p.StepStart()[i], p.StepRpm()[i], p.StepAcceleration()[i]});
  return steps;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t begin = 0;
  while (begin <= text.size()) {
    std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(begin, end - begin));
    begin = end + 1;
  }
  return lines;
}

// The five value lines of method row r (1-based), tab-joined.
std::string MethodRow(const std::string& text, int r) {
  const auto lines = Lines(text);
  std::string row;
  for (int k = 0; k < 5; ++k) {
    if (k > 0) row += '\t';
    row += lines[static_cast<std::size_t>(6 * (r - 1) + k)];
  }
  return row;
}

TEST_F(SpeedSeriesTest, TwoStepProgramGivesTheKnownMethodAndReadsBack) {
  CRotorSpeedProfile p;
  SetProfile(p, {{0, 10000, 300}, {3600, 20000, 300}});
  const std::string method = scratch.File("two_steps.EQU");
  ASSERT_TRUE(p.WriteEquMethodRows(method, 90, 20, 0, 1, false));
  const auto fixtures = TestDataFolder() / "speeds";
  EXPECT_EQ(ReadWholeFile(method), ReadWholeFile((fixtures / "two_steps.EQU").string()));
  EXPECT_EQ(MethodSummaryPath(method), scratch.File("two_steps.MethodRows.txt"));
  EXPECT_EQ(ReadWholeFile(MethodSummaryPath(method)),
            ReadWholeFile((fixtures / "two_steps.MethodRows.txt").string()));
  EXPECT_FALSE(std::filesystem::exists(scratch.File("speedsteps.txt")));

  CRotorSpeedProfile back;
  EXPECT_TRUE(back.SpeedStepsFromEqu(method));
  EXPECT_EQ(StepsOf(back), StepsOf(p));
  EXPECT_TRUE(Entries().empty());  // no scans between the ramps: no cycle time asked
  EXPECT_TRUE(Boxes().empty());
}

struct RowCase {
  const char* what;
  std::vector<std::array<float, 3>> steps;
  float cycle;
  int finalScans, maxScans;
  std::vector<std::string> rows;  // the program rows, then fillers
};

TEST_F(SpeedSeriesTest, MethodRowsOfPrograms) {
  const RowCase cases[] = {
      {"hold of 5400 s",
       {{0, 10000, 300}, {5400, 20000, 300}},
       90,
       2,
       1,
       {"10000\t300\t0:00\t20\t1", "10000\t300\t1:30\t20\t0", "20000\t300\t0:00\t20\t2",
        "20000\t300\thold\t20\t0", "0\t400\t0:00\t20\t0"}},
      // Ramp rows last 1.5 times the ideal ramp: 40000 rpm at 200 rpm/s
      // takes 300 s, written as 5 minutes; the hold is what is left of the
      // step. 7100 s leave room for 30 scans of 3 min * 1.3.
      {"long ramps and scans",
       {{0, 40000, 200}, {7400, 30000, 100}, {9000, 60000, 300}},
       150,
       3,
       50,
       {"40000\t200\t0:05\t20\t30", "40000\t200\t1:58\t20\t0", "30000\t100\t0:02\t20\t6",
        "30000\t100\t0:24\t20\t0", "60000\t300\t0:02\t20\t3", "60000\t300\thold\t20\t0",
        "0\t400\t0:00\t20\t0"}},
      // A step that does not start later than the one before (25000 rpm),
      // and a step that repeats the speed before it (the second 30000 rpm),
      // are left out; the next ramp row then starts from the left-out speed.
      {"skipped steps",
       {{0, 10000, 300},
        {3600, 20000, 300},
        {3600, 25000, 300},
        {7200, 30000, 300},
        {9000, 30000, 300},
        {10800, 40000, 300}},
       60,
       0,
       1,
       {"10000\t300\t0:00\t20\t1", "10000\t300\t1:00\t20\t0", "20000\t300\t0:00\t20\t0",
        "20000\t300\t0:00\t20\t0", "30000\t300\t0:00\t20\t1", "30000\t300\t0:30\t20\t0",
        "40000\t300\t0:00\t20\t0", "40000\t300\thold\t20\t0", "0\t400\t0:00\t20\t0"}},
      // The ramp row outlasts the step: no negative hold or scan count.
      {"step shorter than its ramp row",
       {{0, 40000, 100}, {400, 50000, 100}},
       90,
       0,
       5,
       {"40000\t100\t0:10\t20\t0", "40000\t100\t0:00\t20\t0", "50000\t100\t0:02\t20\t0",
        "50000\t100\thold\t20\t0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CRotorSpeedProfile p;
    SetProfile(p, c.steps);
    const std::string method = scratch.File("m.EQU");
    ASSERT_TRUE(p.WriteEquMethodRows(method, c.cycle, 20, c.finalScans, c.maxScans, false));
    const std::string text = ReadWholeFile(method);
    ASSERT_EQ(Lines(text).size(), 600u);
    for (std::size_t r = 0; r < c.rows.size(); ++r)
      EXPECT_EQ(MethodRow(text, static_cast<int>(r) + 1), c.rows[r]) << "row " << r + 1;
  }
}

TEST_F(SpeedSeriesTest, TrailingStepsAtTheFinalSpeedAreDropped) {
  CRotorSpeedProfile longer, shorter;
  SetProfile(longer, {{0, 10000, 300},
                      {3600, 20000, 300},
                      {7200, 30000, 300},
                      {9000, 30000, 300},
                      {9500, 30000, 200}});
  SetProfile(shorter, {{0, 10000, 300}, {3600, 20000, 300}, {7200, 30000, 300}});
  const std::string a = scratch.File("a.EQU"), b = scratch.File("b.EQU");
  ASSERT_TRUE(longer.WriteEquMethodRows(a, 90, 4, 5, 3, false));
  ASSERT_TRUE(shorter.WriteEquMethodRows(b, 90, 4, 5, 3, false));
  EXPECT_EQ(ReadWholeFile(a), ReadWholeFile(b));
  EXPECT_EQ(ReadWholeFile(MethodSummaryPath(a)), ReadWholeFile(MethodSummaryPath(b)));
}

TEST_F(SpeedSeriesTest, StepCountLimitsOfTheWriter) {
  const std::string method = scratch.File("many.EQU");
  for (const int n : {1, 49, 50}) {
    SCOPED_TRACE(n);
    backend().ClearLog();
    std::filesystem::remove(method);
    std::vector<std::array<float, 3>> steps;
    for (int i = 0; i < n; ++i)
      steps.push_back(
          {3600.0f * static_cast<float>(i), 10000.0f + 500.0f * static_cast<float>(i), 300});
    CRotorSpeedProfile p;
    SetProfile(p, steps);
    const bool written = p.WriteEquMethodRows(method, 90, 20, 0, 1, false);
    EXPECT_EQ(written, n == 49);
    EXPECT_EQ(std::filesystem::exists(method), n == 49);
    const char* refusal =
        n == 50  ? "box [CALCULATE MINIMUM TIME TO EQ] (information) too many speed steps"
        : n == 1 ? "needs at least two speed steps"
                 : nullptr;
    if (refusal != nullptr) {
      EXPECT_EQ(LogLinesWith(refusal).size(), 1u);
    }
    if (n == 49) {
      EXPECT_TRUE(Boxes().empty());
      EXPECT_EQ(MethodRow(ReadWholeFile(method), 98), "34000\t300\thold\t20\t0");
    }
  }
}

TEST_F(SpeedSeriesTest, UnopenableMethodOrSummaryIsReported) {
  CRotorSpeedProfile p;
  SetProfile(p, {{0, 10000, 300}, {3600, 20000, 300}});
  const std::string nowhere = scratch.File("missing/m.EQU");
  EXPECT_FALSE(p.WriteEquMethodRows(nowhere, 90, 20, 0, 1, false));
  EXPECT_EQ(LogLinesWith("Attention: could not open " + nowhere).size(), 1u);

  // A folder in the summary's place: the method file stays, empty.
  const std::string method = scratch.File("m.EQU");
  std::filesystem::create_directory(MethodSummaryPath(method));
  EXPECT_FALSE(p.WriteEquMethodRows(method, 90, 20, 0, 1, false));
  EXPECT_EQ(LogLinesWith("Attention: could not open " + MethodSummaryPath(method)).size(), 1u);
  EXPECT_EQ(ReadWholeFile(method), "");
}

TEST_F(SpeedSeriesTest, WritingWithConversionBackLeavesSpeedStepsBesideTheMethod) {
  CRotorSpeedProfile p;
  SetProfile(p, {{0, 10000, 300}, {3600, 20000, 300}, {9000, 45000, 250}});
  ASSERT_TRUE(p.WriteEquMethodRows(scratch.File("run.EQU"), 90, 20, 0, 1, true));
  CRotorSpeedProfile back;
  EXPECT_TRUE(back.LoadSpeedSteps(scratch.File("speedsteps.txt")));
  EXPECT_EQ(StepsOf(back), StepsOf(p));
}

struct ReadCase {
  const char* what;
  std::string text;
  bool asks;                               // the scan cycle time is asked
  std::optional<std::string> cycleAnswer;  // nullopt: cancelled
  bool result;
  std::vector<std::array<float, 3>> steps;
};

std::string Row(const char* rpm, const char* acc, const char* duration, const char* scans) {
  return std::string(rpm) + "\n" + acc + "\n" + duration + "\n20\n" + scans + "\nNO\n";
}

TEST_F(SpeedSeriesTest, ReadingMethodsWithScansBetweenRampsAndMalformedOnes) {
  const char binary[] = "\x00\x01\n\xff\n\n\n\n";
  const ReadCase cases[] = {
      // Two scans of 90 s at the first speed delay the second ramp by 180 s.
      {"scans after the first ramp",
       Row("10000", "300", "0:00", "2") + Row("20000", "300", "hold", "0"),
       true,
       std::string("90"),
       true,
       {{0, 10000, 300}, {180, 20000, 300}}},
      {"cycle time cancelled",
       Row("10000", "300", "0:00", "2") + Row("20000", "300", "hold", "0"),
       true,
       std::nullopt,
       false,
       {}},
      // Scans of the second step come in before the third ramp; the first
      // step's scans are taken back once counted at the second start.
      {"scans of every step",
       Row("10000", "300", "0:10", "1") + Row("20000", "300", "1:00", "3") +
           Row("30000", "300", "hold", "0"),
       true,
       std::string("100"),
       true,
       {{0, 10000, 300}, {700, 20000, 300}, {4500, 30000, 300}}},
      {"no scans at the first speed",
       Row("10000", "300", "0:10", "0") + Row("20000", "300", "1:00", "3") +
           Row("30000", "300", "2:00", "0") + Row("40000", "300", "hold", "0"),
       false,
       std::nullopt,
       true,
       {{0, 10000, 300}, {600, 20000, 300}, {4200, 30000, 300}, {11400, 40000, 300}}},
      {"hours, minutes and a third field",
       Row("10000", "300", "1:30:45", "0") + Row("20000", "300", "hold", "0") +
           Row("30000", "300", "0:00", "0"),
       false,
       std::nullopt,
       true,
       {{0, 10000, 300}, {5400, 20000, 300}}},
      {"windows line ends",
       "10000\r\n300\r\n1:00\r\n20\r\n0\r\nNO\r\n20000\r\n300\r\nhold\r\n20\r\n0\r\nNO",
       false,
       std::nullopt,
       true,
       {{0, 10000, 300}, {3600, 20000, 300}}},
      {"text ends inside a row",
       Row("10000", "300", "1:00", "0") + "20000\n300\n",
       false,
       std::nullopt,
       true,
       {{0, 10000, 300}}},
      {"empty", "", false, std::nullopt, false, {}},
      {"fewer than five lines", "10000\n300\n", false, std::nullopt, false, {}},
      {"words",
       "speed\nacceleration\nduration\ntemperature\nscans\nNO\n",
       false,
       std::nullopt,
       true,
       {{0, 0, 0}}},
      {"binary", std::string(binary, sizeof binary - 1), false, std::nullopt, true, {{0, 0, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    backend().ClearLog();
    if (c.asks) backend().ScriptEntry(c.cycleAnswer);
    const std::string path = scratch.Write("m.EQU", c.text);
    CRotorSpeedProfile p;
    EXPECT_EQ(p.SpeedStepsFromEqu(path), c.result);
    EXPECT_EQ(StepsOf(p), c.steps);
    EXPECT_EQ(LogLinesWith("entry [CREATE SPEEDSTEPS from EQU] scan cycle time (sec)").size(),
              c.asks ? 1u : 0u);
    EXPECT_TRUE(Boxes().empty());
  }
  CRotorSpeedProfile p;
  EXPECT_FALSE(p.SpeedStepsFromEqu(scratch.File("missing.EQU")));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(SpeedSeriesTest, ConversionsInBothDirections) {
  const std::string steps = scratch.Write("speedsteps.txt", "0 10000 300\n3600 20000 300\n");
  const std::string method = scratch.File("speedsteps.EQU");
  EXPECT_TRUE(ConvertSpeedStepsToEqu(steps, method, 90, 20, 0, 1));
  EXPECT_EQ(ReadWholeFile(method),
            ReadWholeFile((TestDataFolder() / "speeds" / "two_steps.EQU").string()));
  const std::string back = scratch.File("back.txt");
  EXPECT_TRUE(ConvertEquToSpeedSteps(method, back));
  EXPECT_EQ(ReadWholeFile(back),
            "0.000000\t10000.000000\t300.000000\n3600.000000\t20000.000000\t300.000000\n");

  // A method that cannot be read still leaves an (empty) speed-steps file.
  const std::string empty = scratch.File("empty.txt");
  EXPECT_FALSE(ConvertEquToSpeedSteps(scratch.File("missing.EQU"), empty));
  EXPECT_TRUE(std::filesystem::exists(empty));
  EXPECT_EQ(ReadWholeFile(empty), "");
}

TEST_F(SpeedSeriesTest, ConversionOfFewerThanTwoStepsWritesNoMethod) {
  struct Case {
    const char* what;
    std::optional<std::string> text;  // nullopt: no file
    const char* message;
  };
  const Case cases[] = {
      {"single step", "0 10000 300\n", "needs at least two speed steps"},
      {"missing file", std::nullopt, "Attention: could not open"},
      {"bad data", "0 10000 0\n", "bad speedstep data"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    backend().ClearLog();
    const std::string steps = scratch.File("in.txt");
    std::filesystem::remove(steps);
    if (c.text) scratch.Write("in.txt", *c.text);
    const std::string method = scratch.File("in.EQU");
    EXPECT_FALSE(ConvertSpeedStepsToEqu(steps, method, 90, 20, 0, 1));
    EXPECT_FALSE(std::filesystem::exists(method));
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_NE(Boxes()[0].find(c.message), std::string::npos);
  }
}

TEST_F(SpeedSeriesTest, CommandConvertsByExtensionAndShowsTheFile) {
  SetInstallationFolder(scratch.path().string());
  const std::string steps = scratch.Write("speedsteps.txt", "0 10000 300\n3600 20000 300\n");
  std::vector<std::string> shown;
  InstalledTextFileViewer = [&](const std::string& path) {
    shown.push_back(path);
    return true;
  };
  // Unscripted entries take what they offer: the installation's
  // speedsteps.txt, its .EQU, and the default settings.
  CmConvertSpeedStepsEqu(nullptr);
  const std::string method = scratch.File("speedsteps.EQU");
  EXPECT_EQ(ReadWholeFile(method),
            ReadWholeFile((TestDataFolder() / "speeds" / "two_steps.EQU").string()));
  EXPECT_EQ(LogLinesWith("entry [input file]").size(), 1u);
  EXPECT_EQ(LogLinesWith("entry [CALCULATE MINIMUM TIME TO EQ] # of final scans").size(), 1u);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], method);

  // From the method back to speed steps in another file of that folder.
  backend().ScriptEntry(method);
  backend().ScriptEntry(scratch.File("from_method.txt"));
  CmConvertSpeedStepsEqu(nullptr);
  EXPECT_EQ(ReadWholeFile(scratch.File("from_method.txt")),
            "0.000000\t10000.000000\t300.000000\n3600.000000\t20000.000000\t300.000000\n");
  ASSERT_EQ(shown.size(), 2u);

  // A cancelled setting converts nothing.
  std::filesystem::remove(method);
  backend().ScriptEntry(steps);
  backend().ScriptEntry(method);
  backend().ScriptEntry(std::nullopt);
  CmConvertSpeedStepsEqu(nullptr);
  EXPECT_FALSE(std::filesystem::exists(method));
  EXPECT_EQ(shown.size(), 2u);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(SpeedSeriesTest, WrittenFileIsNamedInABoxWithoutViewerAndInBatchMode) {
  ShowTextFile("/data/run/speedsteps.EQU");
  EXPECT_EQ(
      LogLinesWith("box [Information] (information) file written: /data/run/speedsteps.EQU").size(),
      1u);
  int started = 0;
  InstalledTextFileViewer = [&](const std::string&) {
    ++started;
    return true;
  };
  BatchMode = true;
  ShowTextFile("/data/run/speedsteps.EQU");
  EXPECT_EQ(started, 0);
  EXPECT_EQ(Boxes().size(), 2u);
  BatchMode = false;
  ShowTextFile("/data/run/speedsteps.EQU");
  EXPECT_EQ(started, 1);
  EXPECT_EQ(Boxes().size(), 2u);
  // A viewer that fails to start falls back to the box.
  InstalledTextFileViewer = [](const std::string&) { return false; };
  ShowTextFile("/data/run/speedsteps.EQU");
  EXPECT_EQ(Boxes().size(), 3u);
}

// Sets environment variables for one scope and restores them after.
class EnvironmentOverride {
 public:
  void Set(const char* name, const std::optional<std::string>& value) {
    if (const char* old = std::getenv(name))
      saved_.push_back({name, std::string(old)});
    else
      saved_.push_back({name, std::nullopt});
    if (value)
      ::setenv(name, value->c_str(), 1);
    else
      ::unsetenv(name);
  }
  ~EnvironmentOverride() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second)
        ::setenv(it->first.c_str(), it->second->c_str(), 1);
      else
        ::unsetenv(it->first.c_str());
    }
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(SpeedSeriesTest, UserTextEditorChoiceAndStart) {
  const std::string bin = (scratch.path() / "bin").string();
  std::filesystem::create_directory(bin);
  const std::string opener = bin + "/xdg-open";
  scratch.Write("bin/xdg-open", "#!/bin/sh\n");
  std::filesystem::permissions(opener, std::filesystem::perms::owner_all);
  EnvironmentOverride env;
  env.Set("VISUAL", "vis");
  env.Set("EDITOR", "ed");
  env.Set("PATH", bin);
  EXPECT_EQ(UserTextEditor(), "vis");
  env.Set("VISUAL", " ");
  EXPECT_EQ(UserTextEditor(), "ed");
  env.Set("EDITOR", std::nullopt);
  EXPECT_EQ(UserTextEditor(), "xdg-open");
  env.Set("PATH", (scratch.path() / "nothing").string());
  EXPECT_EQ(UserTextEditor(), "");
  EXPECT_FALSE(StartUserTextEditor(scratch.File("x.txt")));

  // A stand-in editor records the argument it was given: a path with blanks
  // and shell characters arrives as one argument, untouched.
  const std::string record = scratch.File("argument.txt");
  const std::string editor =
      scratch.Write("editor.sh", "#!/bin/sh\nprintf '%s|%s' \"$2\" \"$#\" > \"" + record +
                                     ".tmp\"\nmv \"" + record + ".tmp\" \"" + record + "\"\n");
  std::filesystem::permissions(editor, std::filesystem::perms::owner_all);
  env.Set("PATH", "/usr/bin:/bin");
  env.Set("VISUAL", editor + " -x");
  const std::string odd = scratch.File("a b $(touch pwned) 'q'.EQU");
  ASSERT_TRUE(StartUserTextEditor(odd));
  for (int k = 0; k < 200 && !std::filesystem::exists(record); ++k)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ReadWholeFile(record), odd + "|2");
  EXPECT_FALSE(std::filesystem::exists("pwned"));
}

}  // namespace
