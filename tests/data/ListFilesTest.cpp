// List files: the new and old forms, comments, steps, Windows paths, corrupt
// and oversized lists, writing and reading back, and the serial-fit edits
// of the file-name list.

#include <algorithm>
#include <string>
#include <vector>

#include "LoadTestSupport.h"
#include "ui/Boxes.h"

namespace {

std::vector<std::string> ListedPaths() {
  std::vector<std::string> paths;
  for (int k = 1; k <= FileNameList.Count; ++k) paths.push_back(FileNameList.Paths[k]);
  return paths;
}

class ListFilesTest : public LoadTest {};

struct ListCase {
  const char* what;
  std::string text;
  int step;
  std::string folder;
  std::vector<std::string> paths;
};

TEST_F(ListFilesTest, ReadsEveryFormOfList) {
  const std::vector<ListCase> cases = {
      {"new form, every third file",
       "newformat n=3\nC:\\run\na.RA1\nb.RA1\nc.RA1\nd.RA1\ne.RA1\nf.RA1\ng.RA1\n",
       3,
       "C:/run",
       {"C:/run/a.RA1", "C:/run/d.RA1", "C:/run/g.RA1"}},
      {"header ignores case",
       "NewFormat N=2\n/data/run\nx.RA1\ny.RA1\nz.RA1\n",
       2,
       "/data/run",
       {"/data/run/x.RA1", "/data/run/z.RA1"}},
      {"old form reads '_' as '.'",
       "C:\\run\n00001_RA1\n00002_RA1\n",
       1,
       "C:/run",
       {"C:/run/00001.RA1", "C:/run/00002.RA1"}},
      {"whole-line comment",
       "newformat n=1\n/run\na.RA1\n% bad scan\nb.RA1\n",
       1,
       "/run",
       {"/run/a.RA1", "/run/b.RA1"}},
      // The next name keeps its own line after a comment behind a name.
      {"comment after a name",
       "newformat n=1\n/run\na.RA1 % spike\nb.RA1\n",
       1,
       "/run",
       {"/run/a.RA1", "/run/b.RA1"}},
      {"comment on the last line without line end",
       "newformat n=1\n/run\na.RA1\n% end",
       1,
       "/run",
       {"/run/a.RA1"}},
      {"CRLF line ends and blank lines",
       "newformat n=1\r\n/run\r\n\r\na.RA1\r\nb.RA1\r\n",
       1,
       "/run",
       {"/run/a.RA1", "/run/b.RA1"}},
      {"mixed separators, drive kept",
       "newformat n=1\nD:\\data/run3\\\nx.IP2\n",
       1,
       "D:/data/run3/",
       {"D:/data/run3/x.IP2"}},
      {"a step that leaves a single file",
       "newformat n=10\n/run\na.RA1\nb.RA1\nc.RA1\n",
       10,
       "/run",
       {"/run/a.RA1"}},
      {"names keep only their file part",
       "newformat n=1\n/run\nsub\\a.RA1\n",
       1,
       "/run",
       {"/run/a.RA1"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = scratch.Write("list.RA1", c.text);
    ASSERT_TRUE(ReadListFile(nullptr, path));
    EXPECT_EQ(ScanDataSet.ListStep, c.step);
    EXPECT_EQ(DataFileLocation.DataFolder, c.folder);
    EXPECT_EQ(ListedPaths(), c.paths);
  }
  EXPECT_TRUE(backend().Log().empty());
}

// The text of a list is not bounded by a buffer size: a list of well over
// 260,000 characters keeps its last names.
TEST_F(ListFilesTest, LongListKeepsItsLastNames) {
  std::string text = "newformat n=50\n/run\n";
  const int names = 20000;
  for (int k = 1; k <= names; ++k) text += "scan_number_" + std::to_string(k) + ".RA1\n";
  ASSERT_GT(text.size(), 300000u);
  ASSERT_TRUE(ReadListFile(nullptr, scratch.Write("list.RA1", text)));
  ASSERT_EQ(FileNameList.Count, 400);
  EXPECT_EQ(FileNameList.Paths[400], "/run/scan_number_19951.RA1");
}

TEST_F(ListFilesTest, CorruptListNamesTheBadLineAndChangesNothing) {
  struct Case {
    std::string text;
    std::string line;
  };
  const std::vector<Case> cases = {
      {"newformat n=x\n/run\na.RA1\n", "line 1: newformat n=x"},
      {"newformat n=0\n/run\na.RA1\n", "line 1:"},
      {"newformat n=1\n/run\na.RA1\nb\x01\x02\x03.RA1\nc.RA1\n", "line 4: b???.RA1"},
      {std::string("/run\na.RA1\n\0\0\0\0\n", 17), "line 3:"},
  };
  LoadTestScans({{6.0, 7.0, 0.01, 100.0}, {6.0, 7.0, 0.01, 200.0}});
  FileNameList.Paths.Resize(1, 1);
  FileNameList.Paths[1] = "/old/x.RA1";
  FileNameList.Count = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    backend().ClearLog();
    const std::string path = scratch.Write("list.RA1", c.text);
    EXPECT_FALSE(ReadListFile(nullptr, path));
    const auto boxes = LogLinesWith("[LOAD ERROR]");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(path), std::string::npos);
    EXPECT_NE(boxes[0].find(c.line), std::string::npos);
    EXPECT_EQ(ScanDataSet.NFILES, 2);  // the loaded data stay
    EXPECT_EQ(ListedPaths(), std::vector<std::string>{"/old/x.RA1"});
  }
}

TEST_F(ListFilesTest, RefusesListsItCannotLoad) {
  EXPECT_FALSE(ReadListFile(nullptr, scratch.File("missing.RA1")));
  EXPECT_TRUE(backend().Log().empty());  // an unreadable list is passed over

  EXPECT_FALSE(ReadListFile(nullptr, scratch.Write("list.RA1", "newformat n=1\n/run\n% none\n")));
  EXPECT_EQ(LogLinesWith("no scan files listed").size(), 1u);

  // 1001 files to load are too many; every second of 2001 names is fine.
  std::string names;
  for (int k = 1; k <= 2001; ++k) names += std::to_string(k) + ".RA1\n";
  LoadTestScans({{6.0, 7.0, 0.01, 100.0}});
  EXPECT_FALSE(ReadListFile(nullptr, scratch.Write("list.RA1", "newformat n=2\n/run\n" + names)));
  EXPECT_EQ(LogLinesWith("[LOAD ERROR] (error) too many scans selected").size(), 1u);
  EXPECT_EQ(ScanDataSet.NFILES, 0);  // the loaded set was released all the same
  EXPECT_EQ(FileNameList.Count, 0);
  ASSERT_TRUE(ReadListFile(nullptr, scratch.Write("list.RA1", "newformat n=3\n/run\n" + names)));
  EXPECT_EQ(FileNameList.Count, 667);
}

TEST_F(ListFilesTest, WrittenListReadsBackInTimeOrder) {
  LoadTestScans({{6.0, 7.0, 0.01, 300.0}, {6.0, 7.0, 0.01, 100.0}, {6.0, 7.0, 0.01, 200.0}});
  DataFileLocation.DataFolder = scratch.path().string() + "/";
  BuildFileNameList(0);
  ASSERT_EQ(FileNameList.Count, 3);
  EXPECT_EQ(DataFileLocation.DataFolder, scratch.path().string());  // trailing '/' removed
  ASSERT_TRUE(WriteListFile(false));
  const std::string list = scratch.File("list.RA1");
  EXPECT_EQ(ReadWholeFile(list),
            "newformat n=1\n" + scratch.path().string() + "\nscan2.RA1\nscan3.RA1\nscan1.RA1\n");
  const std::vector<std::string> written = ListedPaths();
  ASSERT_TRUE(ReadListFile(nullptr, list));
  EXPECT_EQ(ListedPaths(), written);

  ASSERT_TRUE(ReadListFile(nullptr, list));  // released the data set
  EXPECT_EQ(ScanDataSet.NFILES, 0);
}

TEST_F(ListFilesTest, ListWithAScanLeftOutIsNotWritten) {
  LoadTestScans({{6.0, 7.0, 0.01, 300.0}, {6.0, 7.0, 0.01, 100.0}, {6.0, 7.0, 0.01, 200.0}});
  DataFileLocation.DataFolder = scratch.path().string();
  BuildFileNameList(3);
  EXPECT_EQ(ListedPaths(),
            (std::vector<std::string>{scratch.File("scan2.RA1"), scratch.File("scan1.RA1")}));
  EXPECT_FALSE(WriteListFile(false));
  EXPECT_FALSE(FileExists(scratch.File("list.RA1")));

  BuildFileNameList(0);
  ASSERT_TRUE(WriteListFile(true));
  EXPECT_TRUE(FileExists(scratch.File("list_corr.RA1")));
}

// Paths that came with backslashes are written with forward slashes.
TEST_F(ListFilesTest, ListIsWrittenWithForwardSlashes) {
  LoadTestScans({{6.0, 7.0, 0.01, 100.0}, {6.0, 7.0, 0.01, 200.0}});
  std::string windowsFolder = scratch.path().string();
  std::replace(windowsFolder.begin(), windowsFolder.end(), '/', '\\');
  DataFileLocation.DataFolder = windowsFolder + "\\";
  BuildFileNameList(0);
  EXPECT_EQ(FileNameList.Paths[2], scratch.File("scan2.RA1"));
  ASSERT_TRUE(WriteListFile(false));
  EXPECT_EQ(ReadWholeFile(scratch.File("list.RA1")),
            "newformat n=1\n" + scratch.path().string() + "\nscan1.RA1\nscan2.RA1\n");
}

TEST_F(ListFilesTest, ListThatCannotBeWrittenIsReported) {
  LoadTestScans({{6.0, 7.0, 0.01, 100.0}});
  DataFileLocation.DataFolder = scratch.File("no such folder");
  BuildFileNameList(0);
  EXPECT_FALSE(WriteListFile(false));
  const auto boxes = LogLinesWith("[Error]");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("Attention: could not open " + scratch.File("no such folder/list.RA1")),
            std::string::npos);
}

TEST_F(ListFilesTest, SerialFitEditsOfTheList) {
  const auto listOf = [](std::vector<std::string> paths) {
    FileNameList.Paths.Resize(1, static_cast<int>(paths.size()));
    for (std::size_t k = 0; k < paths.size(); ++k)
      FileNameList.Paths[static_cast<int>(k) + 1] = paths[k];
    FileNameList.Count = static_cast<int>(paths.size());
  };
  listOf({"C:/run/00001.RA1", "/data/x.IP1"});
  SetListCellNumber(2);
  EXPECT_EQ(ListedPaths(), (std::vector<std::string>{"C:/run/00001.RA2", "/data/x.IP2"}));
  SetListCellNumber(9);
  EXPECT_EQ(ListedPaths(), (std::vector<std::string>{"C:/run/00001.RA2", "/data/x.IP2"}));

  listOf({"C:\\data\\run3\\x.RA1", "/data/run3/y.RA1"});
  SetListSubdirNumber(7);
  EXPECT_EQ(ListedPaths(), (std::vector<std::string>{"C:/data/7/x.RA1", "/data/7/y.RA1"}));

  SetListFolder("elsewhere\\run");
  EXPECT_EQ(ListedPaths(),
            (std::vector<std::string>{"C:elsewhere/run/x.RA1", "elsewhere/run/y.RA1"}));
  SetListFolder("D:\\run");
  EXPECT_EQ(ListedPaths(), (std::vector<std::string>{"D:/run/x.RA1", "D:/run/y.RA1"}));
  SetListFolder("/home/run");
  EXPECT_EQ(ListedPaths(), (std::vector<std::string>{"/home/run/x.RA1", "/home/run/y.RA1"}));
}

TEST_F(ListFilesTest, ListFilesExistOnlyWhenAllCanBeOpened) {
  const std::string a = scratch.Write("a.RA1", "x");
  FileNameList.Paths.Resize(1, 2);
  FileNameList.Paths[1] = a;
  FileNameList.Paths[2] = scratch.File("b.RA1");
  FileNameList.Count = 2;
  EXPECT_FALSE(ListFilesExist());
  scratch.Write("b.RA1", "x");
  EXPECT_TRUE(ListFilesExist());
}

}  // namespace
