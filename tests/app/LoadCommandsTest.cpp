// The load commands of the Data menu end to end on scan files in a scratch
// folder: the every-n-th selection and the list file written beside the
// data, reloading that list, lists that moved or begin with a comment,
// dropped files and experiment files of the sibling program.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/ProgramStartLinks.h"
#include "app/loading/LastDataFolder.h"
#include "app/loading/ListFileText.h"
#include "app/loading/LoadCommands.h"
#include "state/ProgramPaths.h"
#include "app/viewcmds/ViewLinks.h"
#include "app/window/TXLAWindow.h"
#include "data/LoadTestSupport.h"
#include "data/ShowTextFile.h"
#include "state/ParameterVector.h"

namespace {

class LoadCommandsTest : public LoadTest {
 protected:
  void SetUp() override {
    LoadTest::SetUp();
    savedPaths_ = ProgramPaths;
    ProgramPaths.LastDataFolderFile = install.File("taluvo.ini");
    ResetViewLinks();
    LoadingState = LoadingStateRecord{};
    WireAsTheProgramStartDoes(window);
    // The runs, repaints and plots a load sets off are counted, not done.
    InstallCountingHooks(calls);
  }
  void TearDown() override {
    ProgramPaths = savedPaths_;
    ResetViewLinks();
    LoadingState = LoadingStateRecord{};
    LoadTest::TearDown();
  }

  // Writes scans 00001 .. count with the extension and returns their paths.
  std::vector<std::string> WriteScans(const ScratchFolder& folder, int count,
                                      const std::string& extension = ".RA1") {
    std::vector<double> times;
    for (int k = 0; k < count; ++k) times.push_back(1000.0 + 300.0 * k);
    std::vector<std::string> paths;
    for (const auto& s : NumberedScans(times, extension)) {
      folder.Write(s.name, ScanFileText(s));
      paths.push_back(folder.File(s.name));
    }
    return paths;
  }

  std::vector<std::string> LoadedNames() const {
    std::vector<std::string> names;
    for (int i = 1; i <= ScanDataSet.NFILES; ++i)
      names.push_back(ScanDataSet.ScanFilePaths[ScanDataSet.ScanTimeOrder[i]]);
    return names;
  }

  ScratchFolder install;
  TXLAWindow window{"Sedimentation Analysis"};

 private:
  ProgramPathsRecord savedPaths_;
};

TEST(LoadListTextTest, HeaderOldFormAndComments) {
  struct Case {
    const char* name;
    std::string text;
    int step;
    std::vector<std::string> entries;
  } cases[] = {
      {"new form", "newformat n=3\n/data/run\na.RA1\nb.RA1\n", 3, {"/data/run", "a.RA1", "b.RA1"}},
      {"any case, CR LF", "NewFormat N=12\r\n/d\r\nx.IP1\r\n", 12, {"/d", "x.IP1"}},
      {"old form", "/data/my_run\na_RA1\n", 1, {"/data/my.run", "a.RA1"}},
      {"leading comment", "% written by hand\nnewformat n=2\n/d\na.RA1\n", 2, {"/d", "a.RA1"}},
      {"comment after a name",
       "newformat n=1\n/d\na.RA1 % first\nb.RA1\n",
       1,
       {"/d", "a.RA1", "b.RA1"}},
      {"step 0 loads every file", "newformat n=0\n/d\na.RA1\n", 1, {"/d", "a.RA1"}},
      {"no names", "newformat n=2\n/d\n", 2, {}},
  };
  for (const auto& c : cases) {
    const LoadList list = ParseLoadList(c.text);
    EXPECT_EQ(list.Step, c.step) << c.name;
    EXPECT_EQ(list.Entries, c.entries) << c.name;
  }
}

TEST(LoadListTextTest, WrittenListReadsBack) {
  const std::vector<std::string> names = {"00001.RA1", "00002.RA1"};
  const LoadList list = ParseLoadList(MakeLoadListText(4, "/data/run", names));
  EXPECT_EQ(list.Step, 4);
  EXPECT_EQ(list.Entries, (std::vector<std::string>{"/data/run", "00001.RA1", "00002.RA1"}));
}

// Ten files with n = 3: the list beside them holds n = 3, the folder and all
// ten names; the set holds the 1st, 4th, 7th and 10th. Loading that list
// again gives the same set without asking for n.
TEST_F(LoadCommandsTest, EveryNthSelectionWritesAListThatReloadsTheSameSet) {
  ScratchFolder data;
  const std::vector<std::string> paths = WriteScans(data, 10);
  backend().ScriptFileDialog(paths);
  backend().ScriptEntry("3");
  CmLoadNewFiles(window);

  const std::vector<std::string> expected = {"00001.RA1", "00004.RA1", "00007.RA1", "00010.RA1"};
  EXPECT_EQ(LoadedNames(), expected);
  const std::string folder = data.path().string();
  std::string listText = "newformat n=3\n" + folder + "\n";
  for (const auto& path : paths) listText += path.substr(folder.size() + 1) + "\n";
  EXPECT_EQ(ReadWholeFile(data.File("list.RA1")), listText);
  EXPECT_EQ(ReadWholeFile(install.File("taluvo.ini")), folder + "/");
  EXPECT_FALSE(LoadingState.FileDialogOpen);

  FreeDataSet();
  backend().ClearLog();
  backend().ScriptFileDialog(std::vector<std::string>{data.File("list.RA1")});
  CmLoadNewFiles(window);
  EXPECT_EQ(LoadedNames(), expected);
  EXPECT_EQ(ScanDataSet.ListStep, 3);
  EXPECT_TRUE(LogLinesWith("load every n'th file").empty());
}

TEST_F(LoadCommandsTest, AnswersBelowOneLoadEveryFile) {
  ScratchFolder data;
  const std::vector<std::string> paths = WriteScans(data, 3);
  for (const char* answer : {"0", "0.5"}) {
    backend().ScriptFileDialog(paths);
    backend().ScriptEntry(answer);
    CmLoadNewFiles(window);
    EXPECT_EQ(ScanDataSet.NFILES, 3) << answer;
    EXPECT_EQ(ScanDataSet.ListStep, 1) << answer;
    EXPECT_TRUE(ReadWholeFile(data.File("list.RA1")).starts_with("newformat n=1\n")) << answer;
  }
}

// A list that begins with a comment and names a folder that no longer
// exists, lying beside its scans: the question, then the scans beside the
// list with the list's step.
TEST_F(LoadCommandsTest, MovedListWithLeadingCommentLoadsFromItsOwnFolder) {
  ScratchFolder data;
  WriteScans(data, 4);
  const std::string list =
      data.Write("list.RA1",
                 "% moved from the old disk\nnewformat n=2\n/no/such/folder\n00001.RA1\n"
                 "00002.RA1\n00003.RA1\n00004.RA1\n");
  backend().ScriptFileDialog(std::vector<std::string>{list});
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  CmLoadNewFiles(window);

  const std::string folder = data.path().string();
  EXPECT_EQ(LogLinesWith("could not find files in /no/such/folder/00001.RA1 - use file from " +
                         folder + " ?")
                .size(),
            1u);
  EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"00001.RA1", "00003.RA1"}));
  EXPECT_FALSE(LoadOptions.UseListFolder);
  EXPECT_EQ(ReadWholeFile(install.File("taluvo.ini")), folder + "/");
}

TEST_F(LoadCommandsTest, CancelledDialogChangesNothing) {
  backend().ScriptFileDialog(std::nullopt);
  CmLoadNewFiles(window);
  EXPECT_EQ(ScanDataSet.NFILES, 0);
  EXPECT_TRUE(LogLinesWith("entry").empty());
  EXPECT_FALSE(LoadingState.FileDialogOpen);
}

TEST(EveryNthFileTest, TakesFilesZeroNTwoN) {
  const std::vector<std::string> files = {"a", "b", "c", "d", "e", "f", "g"};
  struct Case {
    int n;
    std::vector<std::string> expected;
  } cases[] = {{1, files}, {3, {"a", "d", "g"}}, {2, {"a", "c", "e", "g"}},
               {7, {"a"}}, {10, {"a"}},          {0, files}};
  for (const auto& c : cases) EXPECT_EQ(EveryNthFile(files, c.n), c.expected) << c.n;
}

TEST_F(LoadCommandsTest, DroppedFiles) {
  struct Case {
    const char* name;
    int count;
    std::string extension;
    const char* answer;  // every n-th
    int loaded;
  } cases[] = {{"one scan file", 1, ".RA2", nullptr, 0},
               {"twenty absorbance scans", 20, ".RA2", "1", 20},
               {"every third of twenty", 20, ".ra2", "3", 7},
               {"intensity scans", 5, ".RI1", nullptr, 0}};
  for (const auto& c : cases) {
    FreeDataSet();
    backend().ClearLog();
    ScratchFolder data;
    const std::vector<std::string> paths = WriteScans(data, c.count, c.extension);
    if (c.answer) backend().ScriptEntry(c.answer);
    DropFilesOnWindow(window, paths);
    EXPECT_EQ(ScanDataSet.NFILES, c.loaded) << c.name;
    EXPECT_EQ(LogLinesWith("load every n'th file").size(), c.answer ? 1u : 0u) << c.name;
  }
}

TEST_F(LoadCommandsTest, DropAsksBeforeReplacingLoadedData) {
  ScratchFolder first, second;
  backend().ScriptEntry("1");
  DropFilesOnWindow(window, WriteScans(first, 3));
  ASSERT_EQ(ScanDataSet.NFILES, 3);
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  DropFilesOnWindow(window, WriteScans(second, 5));
  EXPECT_EQ(LogLinesWith("erase currently loaded data?").size(), 1u);
  EXPECT_EQ(ScanDataSet.NFILES, 3);
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  backend().ScriptEntry("1");
  DropFilesOnWindow(window, WriteScans(second, 5));
  EXPECT_EQ(ScanDataSet.NFILES, 5);
}

std::string XpText(int type, const std::string& folder, const std::string& names,
                   const std::string& parameters) {
  return std::to_string(type) + " 2 3\nsecond line\n\"" + folder + "\" \"" + names + "\"\n" +
         parameters;
}

TEST_F(LoadCommandsTest, ExperimentFilesOfOtherTypesAndTheOldFormAreRefused) {
  ScratchFolder data;
  struct Case {
    std::string text;
    const char* message;
  } cases[] = {{XpText(3, data.path().string(), "00001.RA1", ""),
                "can only load xp files from sedimentation velocity"},
               {"0\nx\nno quotes here\n", "old XP-file format (use newer version of quorvel)"}};
  for (const auto& c : cases) {
    backend().ClearLog();
    EXPECT_EQ(ImportXpFile(window, data.Write("run.xp", c.text)), 0);
    EXPECT_EQ(LogLinesWith(c.message).size(), 1u) << c.message;
    EXPECT_EQ(ScanDataSet.NFILES, 0);
  }
  backend().ClearLog();
  EXPECT_EQ(ImportXpFile(window, data.File("missing.xp")), 0);
  EXPECT_EQ(LogLinesWith("could not open " + data.File("missing.xp")).size(), 1u);
}

// A velocity experiment with a folder relative to the file: the scans load,
// and the parameter lines apply up to the first line without a number.
TEST_F(LoadCommandsTest, ExperimentFileLoadsScansAndAppliesItsParameters) {
  ScratchFolder data;
  std::filesystem::create_directory(data.path() / "_scans");
  for (const auto& s : NumberedScans({1000.0, 1300.0, 1600.0}))
    std::ofstream((data.path() / "_scans" / s.name).string()) << ScanFileText(s);
  const std::string parameters =
      "1.01 density\n0.002004\n0.75\n5.95\n7.15\n5.97\n5.93\n7.17\n7.13\n6.0\n7.0\n0\n0\n"
      "1\n0\nend of numbers\n1\n";
  const std::string xp =
      data.Write("run.xp", XpText(0, "_scans", "00001.RA1 00002.RA1 00003.RA1", parameters));
  EXPECT_EQ(ImportXpFile(window, xp), 1);
  EXPECT_EQ(ScanDataSet.NFILES, 3);
  EXPECT_FLOAT_EQ(SolventConditions.BufferDensity, 1.01f);
  EXPECT_NEAR(SolventConditions.RELVISCOSITY, 2.0f, 1e-5f);
  EXPECT_NEAR(SolventConditions.VbarRho, 1.01f * 0.75f, 1e-6f);
  EXPECT_FLOAT_EQ(ModelParameters.Meniscus, 5.95f);
  EXPECT_FLOAT_EQ(ModelParameters.Bottom, 7.15f);
  EXPECT_FLOAT_EQ(FitControl.MAXMENISCUS, 5.97f);
  EXPECT_FLOAT_EQ(FitControl.MINBOTTOM, 7.13f);
  EXPECT_FLOAT_EQ(ScanDataSet.FitLeftLim, 6.0f);
  EXPECT_FLOAT_EQ(ScanDataSet.FitRightLim, 7.0f);
  EXPECT_TRUE(FitControl.TINoiseFitted);
  EXPECT_FALSE(ModelParameters.RINoiseFitted);
  // Stopped at "end of numbers": the three later flags keep their values.
  EXPECT_EQ(ModelParameters.MeniscusFitted, 0);
}

TEST_F(LoadCommandsTest, EditDataFilesOpensTheChosenScanInTheEditor) {
  for (bool available : {true, false}) {
    backend().ClearLog();
    backend().SetProgramsAvailable(available);
    backend().ScriptFileDialog(std::vector<std::string>{"/data/run7/00001.RA1"});
    CmEditDataFiles(window);
    EXPECT_EQ(LogLinesWith("open in text editor /data/run7/00001.RA1").size(), 1u);
    EXPECT_EQ(LogLinesWith("could not start a text editor").size(), available ? 0u : 1u);
  }
}

// One scan file chosen: no list is written over the list of the folder.
TEST_F(LoadCommandsTest, SingleFileKeepsTheFoldersList) {
  ScratchFolder data;
  const std::vector<std::string> paths = WriteScans(data, 2);
  data.Write("list.RA1", "newformat n=1\n/elsewhere\nx.RA1\n");
  backend().ScriptFileDialog(std::vector<std::string>{paths.front()});
  backend().ScriptEntry("1");
  CmLoadNewFiles(window);
  EXPECT_EQ(ReadWholeFile(data.File("list.RA1")), "newformat n=1\n/elsewhere\nx.RA1\n");
}

TEST_F(LoadCommandsTest, LastDataFolderKeepsFoldersWithDotsWhole) {
  struct Case {
    std::string given, read;
  } cases[] = {{"/data/run.7", "/data/run.7/"}, {"/data/run7/", "/data/run7/"}, {"/", "/"}};
  for (const auto& c : cases) {
    WriteLastDataFolder(window, c.given);
    std::string folder = "unchanged";
    ReadLastDataFolder(window, folder);
    EXPECT_EQ(folder, c.read) << c.given;
  }
}

}  // namespace

// Selecting a whole data folder takes in the files the program keeps beside
// the scans: they are left out with a note, the scans load, and the list
// written beside them names scans only.
TEST_F(LoadCommandsTest, SideFilesInASelectionAreLeftOutAndTheScansLoad) {
  ScratchFolder data;
  std::vector<std::string> paths = WriteScans(data, 4);
  for (const char* side : {"list.RA1", "~tmppars.RA1", "sdist.RA1"})
    paths.insert(paths.begin() + 1, data.Write(side, "0.5\n1.0\n"));
  backend().ScriptFileDialog(paths);
  backend().ScriptEntry("1");
  CmLoadNewFiles(window);
  EXPECT_EQ(LoadedNames(),
            (std::vector<std::string>{"00001.RA1", "00002.RA1", "00003.RA1", "00004.RA1"}));
  const auto notes = LogLinesWith("not loaded, these are no scan files: sdist.RA1, ~tmppars.RA1, list.RA1");
  EXPECT_EQ(notes.size(), 1u);
  EXPECT_TRUE(LogLinesWith("LOAD ERROR").empty());
  EXPECT_EQ(ReadWholeFile(data.File("list.RA1")).find("tmppars"), std::string::npos);

  // Nothing but side files: nothing is loaded, and the set stays.
  backend().ClearLog();
  backend().ScriptFileDialog(std::vector<std::string>{data.File("sdist.RA1"), data.File("~tmppars.RA1")});
  CmLoadNewFiles(window);
  EXPECT_EQ(ScanDataSet.NFILES, 4);
  EXPECT_EQ(LogLinesWith("no scan files selected").size(), 1u);
}

// The title names the data being loaded, and falls back when they did not
// load: to the plain title when the earlier set is gone with the failed
// load.
TEST_F(LoadCommandsTest, TitleNeverNamesDataThatDidNotLoad) {
  // A window of its own, shown, and gone before the test's backend.
  TXLAWindow shown{"Sedimentation Analysis"};
  shown.Create();
  ASSERT_NE(shown.Host(), nullptr);
  ScratchFolder data;
  std::vector<std::string> paths = WriteScans(data, 3);
  backend().ScriptFileDialog(paths);
  backend().ScriptEntry("1");
  CmLoadNewFiles(shown);
  ASSERT_EQ(ScanDataSet.NFILES, 3);
  EXPECT_NE(shown.Host()->Title().find("00001.RA1"), std::string::npos);

  ScratchFolder broken;
  std::vector<std::string> bad = WriteScans(broken, 3);
  broken.Write("00002.RA1", "no scan\n");
  backend().ScriptFileDialog(bad);
  backend().ScriptEntry("1");
  CmLoadNewFiles(shown);
  EXPECT_EQ(ScanDataSet.NFILES, 0);
  EXPECT_EQ(shown.Host()->Title(), shown.Title());
}

// The speed-file conversion answers from both of its menu places through the
// window's command table, with the file dialogs of the window.
TEST_F(LoadCommandsTest, SpeedStepsConversionRunsFromTheMenuWithFileDialogs) {
  const std::string steps = install.Write("speedsteps.txt", "0 10000 300\n3600 20000 300\n");
  const std::string method = install.File("run.EQU");
  std::vector<std::string> shown;
  InstalledTextFileViewer = [&](const std::string& path) {
    shown.push_back(path);
    return true;
  };
  backend().ScriptFileDialog(std::vector<std::string>{steps});
  backend().ScriptFileDialog(std::vector<std::string>{method});
  window.OnCommand(928);
  InstalledTextFileViewer = nullptr;
  EXPECT_TRUE(LogLinesWith("not available").empty());
  EXPECT_EQ(LogLinesWith("open file dialog \"input file\"").size(), 1u);
  EXPECT_EQ(LogLinesWith("save file dialog \"output file\"").size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(method));
  EXPECT_EQ(shown, std::vector<std::string>{method});
  // Cancelling the input dialog converts nothing and says nothing.
  backend().ClearLog();
  backend().ScriptFileDialog(std::nullopt);
  window.OnCommand(928);
  EXPECT_TRUE(LogLinesWith("box ").empty());
}
