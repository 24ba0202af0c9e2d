// The serial fit with the monitoring tool: a fake tool made by the test is
// started with the program's command line and writes the list of sets; the
// sets are read (every non-empty line), their list files built from the
// numbered scans, and the summary that ends the tool's watch is written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "state/ModelSelection.h"
#include "app/serial/MonitorSerialFit.h"
#include "app/window/TXLAWindow.h"
#include "data/DataOpsTestSupport.h"
#include "data/ListFiles.h"

namespace {

class MonitorSerialFitTest : public DataOpsTest {
 protected:
  void SetUp() override {
    DataOpsTest::SetUp();
    savedModel_ = ModelSelection;
    SerialFitSets = SerialFitSetsRecord{};
    MonitorTool = MonitorToolRecord{};
    MonitorTool.WaitSeconds = 0.01f;
    SerialFitSets.SeriesFolder = scratch.path().string() + "/";
  }
  void TearDown() override {
    ModelSelection = savedModel_;
    SerialFitSets = SerialFitSetsRecord{};
    MonitorTool = MonitorToolRecord{};
    FreeFileNameList();
    DataOpsTest::TearDown();
  }
  void Scans(std::initializer_list<int> numbers) {
    for (int n : numbers) {
      char name[32];
      std::snprintf(name, sizeof name, "%05d.RA1", n);
      scratch.Write(name, ScanText("scan", "R 1 20.0 50000 1000 2.7e10 280 1",
                                   DataLines({0.5, 0.6, 0.7}, 6.0, 0.01)));
    }
  }
  TXLAWindow window{"w"};

 private:
  ModelSelectionRecord savedModel_;
};

// First 1, last 20, step 5 with file 6 missing takes 1, 7, 12, 17 and 20.
TEST_F(MonitorSerialFitTest, NumberedScansStepOnAndMoveByOneOverAGap) {
  Scans({1, 2, 3, 4, 5, 7, 8, 11, 12, 13, 17, 19, 20});
  std::string list;
  ASSERT_TRUE(BuildSerialScanNames(window, list, "None", "RA1", 1, 20, 5));
  const std::string text = ReadWholeFile(list);
  EXPECT_EQ(text, "newformat n=1\n" + SerialFitSets.SeriesFolder +
                      "\n00001.RA1\n00007.RA1\n00012.RA1\n00017.RA1\n00020.RA1\n");
  ASSERT_TRUE(ReadListFile(nullptr, list));
  EXPECT_EQ(FileNameList.Count, 5);
  // Fewer than two files and the last one missing: no list.
  EXPECT_FALSE(BuildSerialScanNames(window, list, "None", "RA1", 30, 40, 1));
}

TEST_F(MonitorSerialFitTest, ExistingFilesMoveToTheFirstFreeNumber) {
  scratch.Write("toBeProcessed.txt", "x");
  int n = 1;
  EXPECT_EQ(NumberedFreeName(scratch.File("toBeProcessed.txt"), n),
            scratch.File("toBeProcessed(1).txt"));
  scratch.Write("toBeProcessed(1).txt", "x");
  n = 1;
  EXPECT_EQ(NumberedFreeName(scratch.File("toBeProcessed.txt"), n),
            scratch.File("toBeProcessed(2).txt"));
  EXPECT_EQ(n, 2);
}

// Every non-empty line is a set, also the last one without a line end; a
// line with the wrong number of fields is a parsing error.
TEST_F(MonitorSerialFitTest, ListsOfSetsAreReadWholeAndCheckedFieldByField) {
  Scans({1, 2, 3, 10, 11});
  auto& s = SerialFitSets;
  s.ListFile = scratch.Write("toBeProcessed.txt", "None RA1 1 3 1\n\nNone RA1 10 11 1");
  ASSERT_TRUE(ReadSerialFitLists(window));
  ASSERT_EQ(s.Sets.size(), 2u);
  EXPECT_EQ(s.Sets[0].Label, "NoneRA1");
  EXPECT_TRUE(std::filesystem::exists(s.Sets[1].ListPath));

  struct Case {
    bool existing;
    const char* text;
  };
  for (const Case& c : {Case{false, "None RA1 1 3\n"}, Case{true, "a/list.RA1 b/list.RA1\n"}}) {
    s.ExistingLists = c.existing;
    s.ListFile = scratch.Write("lists.txt", c.text);
    EXPECT_FALSE(ReadSerialFitLists(window)) << c.text;
  }
  EXPECT_EQ(LogLinesWith("parsing error").size(), 2u);
}

// The fake tool, started with "--cofs --watch <folder>", writes the sets it
// was asked for; the command finds them, and the summary ends the watch.
TEST_F(MonitorSerialFitTest, FakeToolIsStartedOnTheSeriesFolderAndItsListIsRead) {
  Scans({1, 2, 3});
  LoadNamedScans({NamedScan{.name = "00001.RA1"}});
  DataFileLocation.DataFolder = scratch.path().string();
  ModelSelection.Kind = ModelKind::ContinuousCS;
  const std::string tool = scratch.Write(
      "PELKO", "#!/bin/sh\n[ \"$1\" = --cofs ] && [ \"$2\" = --watch ] || exit 1\n"
               "echo \"None RA1 1 3 1\" > \"$3/toBeProcessed.txt\"\n");
  std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
  MonitorTool.ConfiguredPath = tool;
  std::vector<std::string> startedWith;
  MonitorTool.Start = [&](const std::string& program, const std::vector<std::string>& args) {
    startedWith = args;
    std::string line = "'" + program + "'";
    for (const auto& a : args) line += " '" + a + "'";
    return std::system(line.c_str()) == 0;
  };
  scratch.Write("toBeProcessed.txt", "old");
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);  // part of the series
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);   // sets by scan numbers
  ASSERT_TRUE(SerializeFitMonitor(window));
  const std::vector<std::string> expected = {"--cofs", "--watch", scratch.path().string()};
  EXPECT_EQ(startedWith, expected);
  EXPECT_EQ(ReadWholeFile(scratch.File("toBeProcessed(1).txt")), "old");
  ASSERT_TRUE(ReadSerialFitLists(window));
  ASSERT_EQ(SerialFitSets.Sets.size(), 1u);
  SerialFitSets.Sets[0].Rmsd = 0.0125f;
  SerialFitSets.Sets[0].Meniscus = 6.05f;
  SerialFitSets.Sets[0].FrictionalRatio = 1.3f;
  ASSERT_TRUE(WriteSerialFitSummary(window));
  EXPECT_EQ(ReadWholeFile(scratch.File("distFinis.txt")), "NoneRA1\t0.012500\t6.050000\t1.300000\n");
  EXPECT_TRUE(SerialFitSets.Sets.empty());
}

TEST_F(MonitorSerialFitTest, MissingToolShowsWhereItWasLookedFor) {
  LoadNamedScans({NamedScan{.name = "00001.RA1"}});
  ModelSelection.Kind = ModelKind::ContinuousCS;
  MonitorTool.ConfiguredPath = scratch.File("PELKO/PELKO");
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  EXPECT_FALSE(SerializeFitMonitor(window));
  EXPECT_EQ(LogLinesWith("sorry, could not find PELKO file at " + scratch.File("PELKO/PELKO")).size(),
            1u);
}

}  // namespace
