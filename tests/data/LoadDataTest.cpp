// Loading a data set: which files are loaded, their order in time, the
// defaults a load chooses, the settings that follow the kind of data, the
// paths beside the data, and bad files, which never leave a half-loaded set.

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "LoadTestSupport.h"
#include "data/CommonRadialGrid.h"

namespace {

class LoadDataTest : public LoadTest {
 protected:
  std::vector<std::string> LoadedNames() const {
    std::vector<std::string> names;
    for (int i = 1; i <= ScanDataSet.NFILES; ++i) names.push_back(ScanDataSet.ScanFilePaths[i]);
    return names;
  }
  std::vector<int> TimeOrder() const {
    std::vector<int> order;
    for (int k = 1; k <= ScanDataSet.NFILES; ++k) order.push_back(ScanDataSet.ScanTimeOrder[k]);
    return order;
  }
  // The set is whole: every scan has its points, model, noise, residuals.
  void ExpectCompleteSet(int scans) const {
    const auto& d = ScanDataSet;
    ASSERT_EQ(d.NFILES, scans);
    for (int i = 1; i <= scans; ++i) {
      const int n = d.ScanPointCount[i];
      ASSERT_GT(n, 0);
      EXPECT_EQ(d.ScanRadius[i].size(), n);
      EXPECT_EQ(d.ScanModel[i].size(), n);
      EXPECT_EQ(d.ScanNoise[i].size(), n);
      EXPECT_EQ(d.ScanResiduals[i][n], d.ScanSignal[i][n]);
      EXPECT_LE(d.ScanFirstFitIndex[i], d.ScanLastFitIndex[i]);
    }
    EXPECT_GT(CommonRadialGrid.CommonGridSize, 0);
  }
  void ExpectNoSet() const {
    EXPECT_EQ(ScanDataSet.NFILES, 0);
    EXPECT_EQ(ScanDataSet.ScanRadius.size(), 0);
    EXPECT_EQ(CommonRadialGrid.CommonGridSize, 0);
  }
};

TEST_F(LoadDataTest, LoadsEveryListStepthFile) {
  const FileSelection selection = WriteRun(scratch, NumberedScans(std::vector<double>(25, 100.0)));
  ScanDataSet.ListStep = 4;
  LoadAllData(nullptr, selection);
  EXPECT_EQ(LoadedNames(),
            (std::vector<std::string>{"00001.RA1", "00005.RA1", "00009.RA1", "00013.RA1",
                                      "00017.RA1", "00021.RA1", "00025.RA1"}));
  ExpectCompleteSet(7);
  EXPECT_EQ(calls.ProgressRemoved, 1);
  EXPECT_EQ(calls.Plots, 1);
  EXPECT_EQ(calls.TemperatureChecks, 1);

  // A step that keeps one of several names loads it without asking for the
  // equilibrium mode.
  ScanDataSet.ListStep = 30;
  LoadAllData(nullptr, selection);
  EXPECT_EQ(LoadedNames(), std::vector<std::string>{"00001.RA1"});
  EXPECT_FALSE(ScanDataSet.EquilibriumDataMode);
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(LoadDataTest, AtMostAThousandFilesPerLoad) {
  std::vector<RunScanFile> scans = NumberedScans(std::vector<double>(1001, 100.0));
  for (auto& s : scans) s.last = 5.93;  // small files
  const FileSelection selection = WriteRun(scratch, scans);
  LoadTestScans({{6.0, 7.0, 0.01, 100.0}});
  LoadOptions.RealtimeModeActive = true;
  LoadAllData(nullptr, selection);
  EXPECT_EQ(LogLinesWith("[LOAD ERROR] (error) too many scans selected").size(), 1u);
  ExpectNoSet();
  EXPECT_TRUE(LoadOptions.RealtimeLoadFailed);
  EXPECT_EQ(calls.ProgressRemoved, 1);

  LoadOptions = LoadOptionsRecord{};
  ScanDataSet.ListStep = 2;
  LoadAllData(nullptr, selection);
  EXPECT_EQ(ScanDataSet.NFILES, 501);
}

TEST_F(LoadDataTest, ScansAreOrderedByTimeKeepingFileOrderForEqualTimes) {
  LoadAllData(nullptr, WriteRun(scratch, NumberedScans({3.0, 1.0, 2.0, 1.0})));
  EXPECT_EQ(TimeOrder(), (std::vector<int>{2, 4, 3, 1}));
}

TEST_F(LoadDataTest, FreshLoadSetsMeniscusBottomAndLimitsOnlyWhereUnset) {
  RunScanFile a;
  a.first = 5.90;
  a.last = 7.20;
  RunScanFile b = a;
  b.name = "00002.RA1";
  b.time = 2000.0;
  LoadAllData(nullptr, WriteRun(scratch, {a, b}));
  const auto& m = ModelParameters;
  EXPECT_FLOAT_EQ(m.Meniscus, 5.90f);
  EXPECT_FLOAT_EQ(m.Bottom, 7.20f);
  EXPECT_FLOAT_EQ(ParameterVector[MeniscusSlot], 5.90f);
  EXPECT_FLOAT_EQ(ParameterVector[BottomSlot], 7.20f);
  // 5.905 at first, then kept 0.01 cm clear of the meniscus by the fit
  // indices; the meniscus range ends below the limit the load set.
  EXPECT_FLOAT_EQ(ScanDataSet.FitLeftLim, 5.91f);
  EXPECT_FLOAT_EQ(ScanDataSet.FitRightLim, 7.05f);
  EXPECT_FLOAT_EQ(FitControl.MINMENISCUS, 5.88f);
  EXPECT_FLOAT_EQ(FitControl.MAXMENISCUS, 5.904f);
  EXPECT_FLOAT_EQ(FitControl.MINBOTTOM, 7.15f);
  EXPECT_FLOAT_EQ(FitControl.MAXBOTTOM, 7.25f);

  ScratchFolder other;
  RunScanFile c = a;
  c.first = 5.95;
  c.last = 7.10;
  RunScanFile d = c;
  d.name = "00002.RA1";
  LoadAllData(nullptr, WriteRun(other, {c, d}));
  EXPECT_FLOAT_EQ(m.Meniscus, 5.90f);
  EXPECT_FLOAT_EQ(m.Bottom, 7.20f);
  EXPECT_FLOAT_EQ(ScanDataSet.FitLeftLim, 5.95f);  // raised to the first points
  EXPECT_FLOAT_EQ(ScanDataSet.FitRightLim, 7.05f);
}

TEST_F(LoadDataTest, InterferenceMixedWithOtherKindsIsRefused) {
  struct Case {
    std::string first, second;
    bool refused;
  };
  const std::vector<Case> cases = {{"a.IP1", "b.RA1", true},
                                   {"a.RA1", "b.ip1", true},
                                   {"a.RA1", "b.RI1", false},
                                   {"a.IP1", "b.ip2", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first + " " + c.second);
    backend().ClearLog();
    ScratchFolder folder;
    RunScanFile a, b;
    a.name = c.first;
    b.name = c.second;
    LoadAllData(nullptr, WriteRun(folder, {a, b}));
    EXPECT_EQ(LogLinesWith("[ERROR] (error) mixed data types").size(), c.refused ? 1u : 0u);
    EXPECT_EQ(ScanDataSet.NFILES, c.refused ? 0 : 2);
  }
}

TEST_F(LoadDataTest, RunTemperatureFollowsTheFileLoadedLast) {
  RunScanFile a, b;
  a.temperature = 20.0f;
  a.time = 5000.0;
  b.name = "00002.RA1";
  b.temperature = 25.0f;
  b.time = 100.0;
  LoadAllData(nullptr, WriteRun(scratch, {a, b}));
  EXPECT_FLOAT_EQ(SolventConditions.BufferTemperature, 298.15f);
  EXPECT_NEAR(SolventConditions.GasConstantRT, 298.15 * 8.31451e7, 1e4);
}

// Whatever is wrong with a file, the load names it and says why, keeps
// nothing it read, and removes its progress line.
TEST_F(LoadDataTest, BadFileReleasesEverythingReadBefore) {
  struct Case {
    const char* what;
    std::string text;  // none: the file is missing
    bool missing;
    const char* why;
  };
  const std::vector<Case> cases = {
      {"missing", "", true, "could not open the file"},
      {"empty", "", false, "not a scan file (the file is empty)"},
      {"description only", "a scan without header\n", false, "not a scan file"},
      {"header without data", "scan\nR 1 20.0 50000 1000 2.7E+10 280 2\n", false,
       "no data lines"},
      {"truncated in the first point", "scan\nR 1 20.0 50000 1000 2.7E+10 280 2\n5.9", false,
       "no data lines"},
      {"garbage", std::string("\x7f\x45\x4c\x46\x02\x01\x01\0\0\0\xff\xfe", 12), false,
       "not a scan file (no header line)"},
      {"not a number",
       "scan\nR 1 20.0 50000 1000 2.7E+10 280 2\n5.9 0.5 0.1\n5.91 nan 0.1\n5.92 0.5 0.1\n",
       false, "could not read the line: 5.91 nan 0.1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    backend().ClearLog();
    calls.ProgressRemoved = 0;
    LoadTestScans({{6.0, 7.0, 0.01, 100.0}});  // a set loaded before
    ScratchFolder folder;
    FileSelection selection = WriteRun(folder, NumberedScans({100.0, 200.0, 300.0}));
    const std::string bad = folder.File("00002.RA1");
    if (c.missing)
      std::filesystem::remove(bad);
    else
      folder.Write("00002.RA1", c.text);
    LoadOptions.RealtimeModeActive = true;
    LoadOptions.RealtimeLoadFailed = false;
    LoadAllData(nullptr, selection);
    const auto boxes = LogLinesWith("[LOAD ERROR]");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find(bad + "\n" + c.why), std::string::npos) << boxes[0];
    ExpectNoSet();
    EXPECT_TRUE(LoadOptions.RealtimeLoadFailed);
    EXPECT_EQ(calls.ProgressRemoved, 1);
  }
}

TEST_F(LoadDataTest, SingleFileAsksForTheEquilibriumMode) {
  ScratchFolder before;
  LoadAllData(nullptr, WriteRun(before, NumberedScans({100.0, 200.0})));
  const std::string folderBefore = DataFileLocation.DataFolder;
  RunScanFile s;
  s.name = "eq.RA4";
  const std::string single = scratch.Write(s.name, ScanFileText(s));

  backend().ScriptBoxAnswer(platform::BoxAnswer::Ok);
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  LoadAllData(nullptr, {single});
  EXPECT_EQ(LogLinesWith("[ERROR] (error) only one file selected").size(), 1u);
  EXPECT_EQ(LogLinesWith("[LOAD ERROR] (question) switch to Equilibrium Data Mode?").size(), 1u);
  EXPECT_EQ(ScanDataSet.NFILES, 2);  // the loaded set as it was
  EXPECT_EQ(DataFileLocation.DataFolder, folderBefore);
  EXPECT_FALSE(ScanDataSet.EquilibriumDataMode);

  backend().ScriptBoxAnswer(platform::BoxAnswer::Ok);
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  ScanDataSet.RadialResolution = 0.005f;
  LoadAllData(nullptr, {single});
  EXPECT_TRUE(ScanDataSet.EquilibriumDataMode);
  ASSERT_EQ(LoadedNames(), std::vector<std::string>{"eq.RA4"});
  EXPECT_EQ(ScanDataSet.ScanPointCount[1], 131);  // no averaging of equilibrium data
  // The data folder is the file's folder, so the set can be listed and
  // loaded again.
  EXPECT_EQ(DataFileLocation.DataFolder, scratch.path().string());
  BuildFileNameList(0);
  backend().ClearLog();
  LoadFromList(nullptr);
  EXPECT_EQ(ScanDataSet.NFILES, 1);
  EXPECT_TRUE(backend().Log().empty());
}

TEST_F(LoadDataTest, SettingsFollowTheKindOfData) {
  struct Case {
    const char* what;
    char type;
    std::string extension;
    ModelKind model;
    bool noise;
    double signalPerConcentration;
  };
  const std::vector<Case> cases = {
      {"absorbance", 'R', ".RA1", ModelKind::NoModel, false, 1.0},
      {"interference", 'P', ".IP1", ModelKind::NoModel, true, 3.3},
      {"interference, buoyant mass", 'P', ".IP1", ModelKind::BuoyantMassEquilibrium, true, 1.0},
      {"absorbance, buoyant mass", 'R', ".RA1", ModelKind::BuoyantMassEquilibrium, true, 1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    calls = HookCalls{};
    ModelSelection.Kind = c.model;
    auto scans = NumberedScans({100.0, 200.0}, c.extension);
    for (auto& s : scans) s.type = c.type;
    LoadAllData(nullptr, WriteRun(folder, scans));
    ASSERT_EQ(ScanDataSet.NFILES, 2);
    EXPECT_EQ(FitControl.TINoiseFitted, c.noise);
    EXPECT_EQ(ModelParameters.RINoiseFitted, c.noise);
    EXPECT_EQ(ModelParameters.BaselineFitted, 1);
    EXPECT_EQ(ParameterFitted[BaselineSlot], 1);
    EXPECT_EQ(calls.NoiseShown, c.noise ? 1 : 0);
    EXPECT_EQ(calls.NoiseHidden, c.noise ? 0 : 1);
    EXPECT_DOUBLE_EQ(ScanDataSet.SignalPerConcentration, c.signalPerConcentration);
    EXPECT_FALSE(c.model == ModelKind::BuoyantMassEquilibrium &&
                 ScanReaderOptions.InterferenceData);
  }
}

TEST_F(LoadDataTest, IntensityScansWorkOnTheirThirdColumn) {
  ModelParameters.InitialConcentrationExperimental = true;
  ModelParameters.InitialConcentrationConstant = false;
  auto scans = NumberedScans({100.0, 200.0}, ".RI1");
  for (auto& s : scans) s.type = 'I';
  LoadAllData(nullptr, WriteRun(scratch, scans));
  ASSERT_EQ(ScanDataSet.NFILES, 2);
  // Data lines are "r signal 0.01": the third column became the signal.
  EXPECT_FLOAT_EQ(ScanDataSet.ScanSignal[1][1], 0.01f);
  EXPECT_FLOAT_EQ(ScanDataSet.ScanSecondColumn[1][1], 0.5f);
  EXPECT_TRUE(ModelParameters.InitialConcentrationConstant);
  EXPECT_FALSE(ModelParameters.InitialConcentrationExperimental);
}

TEST_F(LoadDataTest, ScanTimesFromOmega2tWhenAsked) {
  auto scans = NumberedScans({1000.0, 2000.0});
  scans[0].omega2t = 1.0e10;
  scans[1].omega2t = 2.5e10;
  const FileSelection selection = WriteRun(scratch, scans);
  ScanDataSet.TimesFromW2t = true;
  LoadAllData(nullptr, selection);
  EXPECT_NEAR(ScanDataSet.ScanHeaders[1].Time, 1.0e10 / Omega2(50000), 0.01);
  EXPECT_NEAR(ScanDataSet.ScanHeaders[2].Time, 2.5e10 / Omega2(50000), 0.01);
  EXPECT_DOUBLE_EQ(ScanDataSet.ScanHeaders[2].RecordedTime, 2000.0);

  ASSERT_TRUE(ScanDataSet.TimesFromW2t);
  TimesFromW2tOff(nullptr);
  EXPECT_FALSE(ScanDataSet.TimesFromW2t);
  EXPECT_DOUBLE_EQ(ScanDataSet.ScanHeaders[1].Time, 1000.0);
}

TEST_F(LoadDataTest, FilesBesideTheDataAreNamedAfterTheLoad) {
  const std::string folder = scratch.path().string();
  auto scans = NumberedScans({100.0, 200.0}, ".RA3");
  scans[1].name = "00002.RB3";
  const FileSelection selection = WriteRun(scratch, scans);
  LoadAllData(nullptr, selection);
  const auto& where = DataFileLocation;
  EXPECT_EQ(where.DataFolder, folder);
  EXPECT_EQ(where.TempParameterFilePath, folder + "/~tmppars.RB3");
  EXPECT_EQ(where.SdistFilePath, folder + "/sdist.RB3");
  EXPECT_EQ(where.NotesFilePath, folder + "/notes.RA3");

  LoadOptions.OldFilenameConvention = true;
  LoadAllData(nullptr, selection);
  EXPECT_EQ(where.TempParameterFilePath, folder + "/00002.~p");
  EXPECT_EQ(where.NotesFilePath, folder + "/00001.not");
}

TEST_F(LoadDataTest, ListFolderReplacesAMissingDataFolder) {
  const FileSelection written = WriteRun(scratch, NumberedScans({100.0, 200.0}));
  FileSelection selection = written;
  selection[0] = "C:\\run";  // the folder a list file named
  LoadOptions.UseListFolder = true;
  LoadOptions.ListFileLocation = scratch.path().string() + "/";
  LoadAllData(nullptr, selection);
  EXPECT_EQ(ScanDataSet.NFILES, 2);
  EXPECT_EQ(DataFileLocation.DataFolder, scratch.path().string());
}

TEST_F(LoadDataTest, RestoredAnalysisRunsTheModelAndShowsTheDeviation) {
  OfferRestorePreviousData = [](platform::WindowHandle, bool atLoad) { return atLoad; };
  RunModel = [this](platform::WindowHandle) {
    ++calls.RunModel;
    for (int i = 1; i <= ScanDataSet.NFILES; ++i)
      for (int k = 1; k <= ScanDataSet.ScanPointCount[i]; ++k)
        ScanDataSet.ScanModel[i][k] = ScanDataSet.ScanSignal[i][k] - 0.25f;
  };
  DrawingAllowed = true;
  LoadAllData(nullptr, WriteRun(scratch, NumberedScans({100.0, 200.0})));
  EXPECT_EQ(calls.RunModel, 1);
  EXPECT_EQ(LogLinesWith("text (10,50) mean dev = 0.250000  ").size(), 1u);

  DrawingAllowed = false;  // nothing drawn before the first paint
  backend().ClearLog();
  LoadAllData(nullptr, WriteRun(scratch, NumberedScans({100.0, 200.0})));
  EXPECT_TRUE(LogLinesWith("mean dev").empty());
}

TEST_F(LoadDataTest, TimeStampCorrectionReloadsTheRewrittenFilesOnce) {
  const FileSelection selection = WriteRun(scratch, NumberedScans({100.0, 200.0}));
  LoadOptions.TimeStampCheckOn = true;
  TimeStampCheck = [this](platform::WindowHandle) {
    ++calls.TimeStampChecks;
    BuildFileNameList(0);
    return true;
  };
  LoadAllData(nullptr, selection);
  EXPECT_EQ(calls.TimeStampChecks, 1);
  EXPECT_EQ(calls.Caption,
            "SEDIMENTATION ANALYSIS -> " + scratch.File("00001.RA1") + "...");  // list loaded
  EXPECT_EQ(ScanDataSet.NFILES, 2);
}

TEST_F(LoadDataTest, ListLoadersShowOrRunTheModel) {
  LoadAllData(nullptr, WriteRun(scratch, NumberedScans({300.0, 100.0, 200.0})));
  BuildFileNameList(0);
  calls = HookCalls{};
  LoadFromList(nullptr);
  ExpectCompleteSet(3);
  EXPECT_EQ(LoadedNames(), (std::vector<std::string>{"00002.RA1", "00003.RA1", "00001.RA1"}));
  EXPECT_EQ(calls.RunModel + calls.InvokeRunModel, 0);
  EXPECT_EQ(calls.Plots, 1);
  EXPECT_EQ(calls.TemperatureChecks, 0);

  ModelParameters.RINoiseFitted = true;  // a batch file's choice
  BatchMode = true;
  LoadFromList(nullptr);
  EXPECT_TRUE(ModelParameters.RINoiseFitted);
  BatchMode = false;

  calls = HookCalls{};
  ReloadFromList(nullptr);
  EXPECT_EQ(calls.InvokeRunModel, 1);
  EXPECT_TRUE(calls.Caption.empty());
  LoadOptions.MultiSpeedAutoload = true;
  ReloadFromList(nullptr);
  EXPECT_EQ(calls.InvokeRunModel, 1);
  EXPECT_FALSE(calls.Caption.empty());
}

TEST_F(LoadDataTest, FailedReloadIsSilentDuringSerialFits) {
  LoadAllData(nullptr, WriteRun(scratch, NumberedScans({100.0, 200.0})));
  BuildFileNameList(0);
  std::filesystem::remove(scratch.File("00002.RA1"));
  RedrawSuppressed = true;
  ReloadFromList(nullptr);
  EXPECT_TRUE(LogLinesWith("LOAD ERROR").empty());
  ExpectNoSet();
  RedrawSuppressed = false;
  LoadFromList(nullptr);
  EXPECT_EQ(LogLinesWith("LOAD ERROR").size(), 1u);
}

TEST_F(LoadDataTest, AddedFilesJoinTheSetInTimeOrder) {
  LoadAllData(nullptr, WriteRun(scratch, NumberedScans({100.0, 300.0})));
  ScratchFolder more;
  RunScanFile late, early;
  late.name = "late.RA1";
  late.time = 400.0;
  late.temperature = 21.0f;
  early.name = "early.RA1";
  early.time = 200.0;
  AddMoreFiles(nullptr, WriteRun(more, {late, early}));
  ExpectCompleteSet(4);
  EXPECT_EQ(LoadedNames(),
            (std::vector<std::string>{"00001.RA1", "00002.RA1", "late.RA1", "early.RA1"}));
  EXPECT_EQ(TimeOrder(), (std::vector<int>{1, 4, 2, 3}));
  EXPECT_FLOAT_EQ(SolventConditions.BufferTemperature, 20.0f + 273.15f);
  EXPECT_EQ(DataFileLocation.DataFolder, scratch.path().string());  // unchanged
  EXPECT_EQ(DataFileLocation.Directory, more.path().string() + "/");
}

TEST_F(LoadDataTest, AddingReportsEveryBadFileThenReleasesTheSet) {
  LoadAllData(nullptr, WriteRun(scratch, NumberedScans({100.0, 300.0})));
  ScratchFolder more;
  more.Write("a.RA1", "");
  more.Write("c.RA1", "garbage");
  RunScanFile good;
  good.name = "b.RA1";
  more.Write(good.name, ScanFileText(good));
  AddMoreFiles(nullptr, {more.path().string(), "a.RA1", "b.RA1", "c.RA1"});
  const auto boxes = LogLinesWith("[LOAD ERROR]");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].find(more.File("a.RA1")), std::string::npos);
  EXPECT_NE(boxes[1].find(more.File("c.RA1")), std::string::npos);
  ExpectNoSet();
}

TEST_F(LoadDataTest, AddingWarnsOnceOfDifferentTimeStampTags) {
  auto scans = NumberedScans({100.0, 200.0});
  for (auto& s : scans) s.description = "[T OK] checked";
  LoadAllData(nullptr, WriteRun(scratch, scans));
  LoadOptions.TimeStampCheckOn = true;
  ScratchFolder more;
  const FileSelection added = WriteRun(more, NumberedScans({300.0, 400.0}));
  AddMoreFiles(nullptr, added);
  const auto boxes = LogLinesWith("time stamp correction discrepancy with previous data!");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find(more.File("00001.RA1")), std::string::npos);
  EXPECT_EQ(ScanDataSet.NFILES, 4);  // the load goes on
}

TEST_F(LoadDataTest, FluorescenceSwitchesScanTimeCorrectionOff) {
  LammSolverSettings.ScanTimeCorrectionOn = true;
  auto scans = NumberedScans({100.0, 200.0}, ".FI1");
  for (auto& s : scans) s.type = 'F';
  LoadAllData(nullptr, WriteRun(scratch, scans));
  EXPECT_FALSE(LammSolverSettings.ScanTimeCorrectionOn);
  EXPECT_EQ(
      LogLinesWith("scan time correction for fluorescence data not yet implemented, switching off")
          .size(),
      1u);
}

// A run as an instrument computer left it: a list file naming a Windows
// folder, moved to this machine and pointed at its new folder.
TEST_F(LoadDataTest, RunFromAWindowsListFile) {
  const auto run = TestDataFolder() / "runs" / "velocity3";
  ASSERT_TRUE(ReadListFile(nullptr, (run / "list.RA1").string()));
  EXPECT_EQ(FileNameList.Paths[1], "C:/xl-a/run 17/00011.RA1");
  EXPECT_FALSE(ListFilesExist());
  SetListFolder(run.string());
  ASSERT_TRUE(ListFilesExist());
  LoadFromList(nullptr);
  ExpectCompleteSet(3);
  EXPECT_TRUE(LogLinesWith("LOAD ERROR").empty());
  EXPECT_EQ(TimeOrder(), (std::vector<int>{1, 2, 3}));
  EXPECT_FLOAT_EQ(ModelParameters.Meniscus, ScanDataSet.ScanRadius[1][1]);
}

}  // namespace
