// Editing picked scans on the headless main window with their files on
// disk: leaving a scan out of the set, deleting one point (into a copy or
// over the original) and reloading after the scan was changed in the text
// editor.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/PlotInteractionFixture.h"
#include "data/LoadTestSupport.h"

namespace {

namespace fs = std::filesystem;

class ScanEditing : public PlotInteraction {
 protected:
  void SetUp() override {
    PlotInteraction::SetUp();
    // As the window has it: every load builds the data plots afresh.
    ::BuildMainDataPlots = [] {
      display::BuildMainDataPlots();
      display::LayoutAndRenderMainPlots();
      FixMapping();
    };
    LoadAllData(window->Handle(), WriteRun(scratch, NumberedScans({1000.0, 2000.0, 3000.0, 4000.0})));
    ASSERT_EQ(ScanDataSet.NFILES, 4);
  }
  void TearDown() override {
    ::BuildMainDataPlots = [] {};
    FreeFileNameList();
    PlotInteraction::TearDown();
  }
  static std::vector<std::string> LoadedNames() {
    std::vector<std::string> names;
    for (int k = 1; k <= ScanDataSet.NFILES; ++k)
      names.push_back(ScanDataSet.ScanFilePaths[ScanDataSet.ScanTimeOrder[k]]);
    return names;
  }
  // The scan loaded from the file of this name (0: none).
  static int ScanNamed(const std::string& name) {
    for (int f = 1; f <= ScanDataSet.NFILES; ++f)
      if (ScanDataSet.ScanFilePaths[f] == name) return f;
    return 0;
  }
  static int DataLines(const std::string& path) {
    const std::string text = ReadWholeFile(path);
    return static_cast<int>(std::count(text.begin(), text.end(), '\n')) - 2;
  }
  // The scan of this rank in time order as picked, with one of its points.
  static void Pick(int rank, int point) {
    ScanEditState.Rank = rank;
    ScanEditState.Point = point;
  }
  ScratchFolder scratch;
};

TEST_F(ScanEditing, DeleteScanLeavesItOutAndKeepsItsFile) {
  ScanDataSet.DataChanged = false;
  Pick(2, 10);
  HandleScanEditClick(*window, 2);
  EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"00001.RA1", "00003.RA1", "00004.RA1"}));
  EXPECT_TRUE(fs::exists(scratch.File("00002.RA1")));
  EXPECT_TRUE(ScanDataSet.DataChanged);
  EXPECT_EQ(ScanEditState.Rank, 0);  // the edit buttons are gone
}

TEST_F(ScanEditing, DeletePointIntoACopyOrOverTheOriginal) {
  const int points = ScanDataSet.ScanPointCount[ScanNamed("00001.RA1")];
  const int linesBefore = DataLines(scratch.File("00001.RA1"));
  ASSERT_EQ(linesBefore, points);
  const float removed = ScanDataSet.ScanRadius[ScanNamed("00001.RA1")][10];
  struct Case {
    bool overwrite;
    const char* loadedName;
  };
  for (const Case c : {Case{false, "00001_mod.RA1"}, Case{true, "00001.RA1"}}) {
    const std::vector<std::string> names = LoadedNames();
    const int rank =
        static_cast<int>(std::find(names.begin(), names.end(), "00001.RA1") - names.begin()) + 1;
    ASSERT_LE(rank, 4);
    Pick(rank, 10);
    backend().ScriptBoxAnswer(c.overwrite ? platform::BoxAnswer::Yes : platform::BoxAnswer::No);
    EditScanInNotepad(*window, 1);
    const int f = ScanNamed(c.loadedName);
    ASSERT_GT(f, 0) << c.loadedName;
    EXPECT_EQ(ScanDataSet.NFILES, 4);
    EXPECT_EQ(ScanDataSet.ScanPointCount[f], points - 1) << c.loadedName;
    for (int k = 1; k <= ScanDataSet.ScanPointCount[f]; ++k)
      EXPECT_NE(ScanDataSet.ScanRadius[f][k], removed) << k;
    if (!c.overwrite) {
      // The copy is loaded in its place; the original stays untouched.
      EXPECT_EQ(DataLines(scratch.File("00001.RA1")), linesBefore);
      EXPECT_EQ(DataLines(scratch.File("00001_mod.RA1")), linesBefore - 1);
      // The next deletion goes over the original again.
      LoadAllData(window->Handle(), WriteRun(scratch, NumberedScans({1000.0, 2000.0, 3000.0, 4000.0})));
    }
  }
  EXPECT_EQ(DataLines(scratch.File("00001.RA1")), linesBefore - 1);

  // Scans on the fine radial grid are not called pre-averaged.
  EXPECT_TRUE(LogLinesWith("pre-averaged").empty());
  EXPECT_EQ(LogLinesWith("overwrite original scan?").size(), 2u);
}

TEST_F(ScanEditing, AScanChangedInTheEditorIsReloadedOnRequest) {
  const std::string path = scratch.File("00003.RA1");
  // The editor changes the scan while it is open: every signal becomes 0.9.
  RunScanFile edited;
  edited.name = "00003.RA1";
  edited.time = 3000.0;
  std::string text = ScanFileText(edited);
  for (std::size_t at = text.find(" 0.5"); at != std::string::npos; at = text.find(" 0.5", at))
    text.replace(at, 4, " 0.9");

  for (bool reload : {false, true}) {
    backend().SetProgramsAvailable(true);
    Pick(3, 5);
    scratch.Write("00003.RA1", text);
    backend().ScriptBoxAnswer(reload ? platform::BoxAnswer::Yes : platform::BoxAnswer::No);
    EditScanInNotepad(*window, 2);
    EXPECT_EQ(LogLinesWith("open in text editor " + path).size(), reload ? 2u : 1u);
    const int f = ScanNamed("00003.RA1");
    ASSERT_GT(f, 0);
    EXPECT_EQ(ScanDataSet.ScanSignal[f][1] > 0.85f, reload) << reload;
  }

  // Without an editor the user is told, and nothing is reloaded.
  backend().SetProgramsAvailable(false);
  Pick(3, 5);
  EditScanInNotepad(*window, 2);
  EXPECT_EQ(LogLinesWith("no text editor could be started for " + path).size(), 1u);
}

}  // namespace
