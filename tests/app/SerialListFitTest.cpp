// A serial c(s) fit over the "list.*" files of a data folder, end to end:
// two sets of one species each (written as scan files), an unreadable list
// between them, the c(s) of each set at its own species, and the result and
// summary files with their names and contents.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/CsAnalysisFixture.h"
#include "app/serial/MonitorSerialFit.h"
#include "app/serial/SerialFitCommands.h"
#include "data/ListFiles.h"
#include "data/LoadData.h"
#include "data/ScanFileWriter.h"
#include "distributions/SyntheticVelocityData.h"

namespace {

namespace sv = synthetic_velocity;
namespace fs = std::filesystem;

class SerialListFit : public CsAnalysisTest {
 protected:
  // Twelve scans of one species (no offsets) as 00001.RA1 ... in folder.
  static void WriteSet(const fs::path& folder, double s, double D) {
    fs::create_directories(folder);
    sv::Experiment e;
    e.Scans = 12;
    e.Points = 200;
    e.RadialStep = 0.006;
    e.Interval = 600.0;
    e.TIScale = e.RIScale = 0.0;
    sv::Data d = sv::MakeData(e, {{s, D, 1.0}});
    std::vector<float> signal(static_cast<std::size_t>(e.Points) + 1);
    for (int j = 1; j <= e.Scans; ++j) {
      for (int k = 1; k <= e.Points; ++k)
        signal[static_cast<std::size_t>(k)] = static_cast<float>(d.Signal[j][k]);
      char name[16];
      std::snprintf(name, sizeof name, "%05d.RA1", j);
      ASSERT_TRUE(WriteScanFile((folder / name).string(), e.Points, d.Radii.data(), signal.data(),
                                nullptr, "synthetic", false, d.Headers[j]));
    }
  }
  static void WriteList(const fs::path& path, const fs::path& folder, int scans) {
    std::ofstream out(path);
    out << "newformat n=1\n" << folder.string() << "\n";
    for (int j = 1; j <= scans; ++j) {
      char name[16];
      std::snprintf(name, sizeof name, "%05d.RA1", j);
      out << name << "\n";
    }
  }
};

TEST_F(SerialListFit, EachListedSetGetsItsCsFilesAndTheSeriesItsSummaries) {
  const fs::path a = scratch.path() / "a", b = scratch.path() / "b";
  WriteSet(a, 4.0, 6e-7);
  WriteSet(b, 8.0, 4e-7);
  WriteList(a / "list.001", a, 12);
  {
    std::ofstream bad(a / "list.002");  // a list without file names
    bad << "newformat n=1\n" << a.string() << "\n";
  }
  WriteList(a / "list.003", b, 12);

  ChooseCs();
  ASSERT_TRUE(ReadListFile(window->Handle(), (a / "list.001").string()));
  LoadFromList(window->Handle());
  ASSERT_EQ(ScanDataSet.NFILES, 12);
  ChooseCs();

  for (auto answer : {platform::BoxAnswer::No,   // fit each set?
                      platform::BoxAnswer::No,   // restore previous params?
                      platform::BoxAnswer::Yes,  // overwrite FitRightLim?
                      platform::BoxAnswer::No,   // PELKO dfr and c(s)?
                      platform::BoxAnswer::Yes,  // with automatic integration?
                      platform::BoxAnswer::No,   // another integration range?
                      platform::BoxAnswer::No})  // with Monte-Carlo error analysis?
    backend().ScriptBoxAnswer(answer);
  for (const char* entry : {"7.0", "2", "11"}) backend().ScriptEntry(std::string(entry));
  FitControl.CurrentRmsd = 0.5f;  // left by an earlier analysis
  CmSerializeFitByListFile(*window);

  for (const auto& [folder, s] : {std::pair{a, 4.0}, std::pair{b, 8.0}}) {
    SCOPED_TRACE(folder.string());
    ASSERT_TRUE(fs::exists(folder / "distribution.RA1"))
        << ::testing::PrintToString(LogLinesWith(""));
    EXPECT_NEAR(PeakOf((folder / "distribution.RA1").string()), s, 0.05 * s);
    EXPECT_EQ(ReadWholeFile((folder / "ff0.RA1").string()), "1.200000e+00 \n");
    const std::string integrals = ReadWholeFile((folder / "integrals.RA1").string());
    EXPECT_EQ(
        integrals.rfind("smin, smax, c(in range), c(tot), sw(in range), Mwavg(in range), rmsd, "
                        "rmsd/ctot(%)\n2.000 11.000  ",
                        0),
        0u)
        << integrals;
    double smin = 0, smax = 0, c = 0, ctot = 0, sw = 0, mw = 0, rmsd = 0;
    ASSERT_EQ(std::sscanf(integrals.c_str() + integrals.find('\n') + 1,
                          "%lf %lf %lf %lf %lf %lf %lf", &smin, &smax, &c, &ctot, &sw, &mw, &rmsd),
              7);
    EXPECT_NEAR(sw, s, 0.05 * s);
    // The set's own fit (noise-free data), not the rmsd left from before.
    EXPECT_LT(rmsd, 0.05);
    EXPECT_NEAR(c / ctot, 1.0, 0.05);
  }
  // The summaries name both sets that were analysed, in order; the
  // unreadable list is left out and the series went on past it.
  const std::string summary = ReadWholeFile((a / "summary.txt").string());
  EXPECT_NE(summary.find("#1 - " + (a / "list.001").string() + ": "), std::string::npos) << summary;
  EXPECT_NE(summary.find("#2 - " + (a / "list.003").string() + ": "), std::string::npos) << summary;
  EXPECT_EQ(summary.find("list.002"), std::string::npos) << summary;
  const std::string ids = ReadWholeFile((a / "idswsig.txt").string());
  EXPECT_EQ(std::count(ids.begin(), ids.end(), '\n'), 2) << ids;
  EXPECT_EQ(ids.rfind((a / "list.001").string() + "  ", 0), 0u) << ids;
}

// A set of the serial fit with the monitoring tool leaves its distribution
// as "dist<label>.txt" in the set's folder: (s, c(s)) rows closed by the end
// row that the tool waits for.
TEST_F(SerialListFit, AMonitoredSetWritesItsDistributionWithTheEndRow) {
  const fs::path a = scratch.path() / "a";
  WriteSet(a, 4.0, 6e-7);
  WriteList(a / "list.001", a, 12);
  ChooseCs();
  ASSERT_TRUE(ReadListFile(window->Handle(), (a / "list.001").string()));
  LoadFromList(window->Handle());
  ChooseCs();
  SerialFitSets = SerialFitSetsRecord{};
  SerialFitSets.Sets.push_back({.ListPath = (a / "list.001").string(), .Label = "None1"});
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // fit each set?
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // restore previous params?
  RunSerialFitSet(*window);
  SerialFitSets = SerialFitSetsRecord{};

  std::ifstream in(a / "distNone1.txt");
  ASSERT_TRUE(in) << ::testing::PrintToString(LogLinesWith(""));
  std::vector<std::pair<double, double>> rows;
  for (double s = 0, c = 0; in >> s >> c;) rows.emplace_back(s, c);
  ASSERT_GT(rows.size(), 2u);
  EXPECT_EQ(rows.back(), (std::pair{-999.999, -999.999}));
  const auto peak = std::max_element(rows.begin(), rows.end() - 1,
                                     [](auto& x, auto& y) { return x.second < y.second; });
  EXPECT_NEAR(peak->first, 4.0, 0.2);
}

}  // namespace
