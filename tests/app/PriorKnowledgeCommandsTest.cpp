// Priors from what is known of the sample: the peaks of a c(s) that count
// as discrete species, the report of their signals, the dialog's table mode,
// the full command with its one-run prior, the frictional-ratio Gaussians
// and the imported reaction-boundary profile.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "app/PlotInteractionFixture.h"
#include "app/commands/RunFitCommands.h"
#include "app/params/PriorKnowledgeCommands.h"
#include "state/PriorSettings.h"

namespace {

class PriorKnowledge : public PlotInteraction {
 protected:
  void SetUp() override {
    PlotInteraction::SetUp();
    ModelSelection.Kind = ModelKind::ContinuousCS;
    LoadScans();
    PriorSettings = PriorSettingsRecord{};
    PriorProfileSource = PriorProfileSourceRecord{};
    savedFolder_ = std::filesystem::current_path();
    std::filesystem::current_path(folder.path());
  }
  void TearDown() override {
    std::filesystem::current_path(savedFolder_);
    PriorSettings = PriorSettingsRecord{};
    PriorProfileSource = PriorProfileSourceRecord{};
    PlotInteraction::TearDown();
  }

  // 41 points 0.5 .. 20.5 S: Gaussians of area 0.6 at 4 S and 0.3 at 10 S
  // (sigma 0.5 S), and a flat plateau of area 0.1 from 15 to 20 S.
  static void MakeTwoSpecies() {
    std::vector<float> v;
    for (int i = 1; i <= 41; ++i) {
      const double s = 0.5 * i;
      const auto gauss = [s](double at, double area) {
        return area / (0.5 * std::sqrt(2.0 * M_PI)) * std::exp(-0.5 * std::pow((s - at) / 0.5, 2));
      };
      const double plateau = s >= 15.0 && s <= 20.0 ? 0.02 : 0.0;
      v.push_back(static_cast<float>(gauss(4.0, 0.6) + gauss(10.0, 0.3) + plateau));
    }
    MakeDistribution(v);
  }

  ScratchFolder folder;

 private:
  std::filesystem::path savedFolder_;
};

TEST_F(PriorKnowledge, TwoSeparatePeaksAreReportedWithTheRestAsOtherMaterial) {
  MakeTwoSpecies();
  const std::vector<DistributionPeak> peaks = DiscreteSpeciesPeaks();
  ASSERT_EQ(peaks.size(), 2u);
  // Highest first.
  EXPECT_NEAR(peaks[0].Sw, 4.0f, 0.01f);
  EXPECT_NEAR(peaks[1].Sw, 10.0f, 0.01f);
  const std::string report = DiscreteSpeciesReport(peaks);
  double from = 0, to = 0, sw = 0, signal = 0, percent = 0;
  ASSERT_EQ(std::sscanf(report.c_str(), "peak #1: from %lf - %lfS, sw = %lf, signal = %lf (%lf%%)",
                        &from, &to, &sw, &signal, &percent),
            5)
      << report;
  EXPECT_LT(from, 4.0);
  EXPECT_GT(to, 4.0);
  EXPECT_NEAR(sw, 4.0, 0.01);
  EXPECT_NEAR(signal, 0.6, 0.01);
  EXPECT_NEAR(percent, 60.0, 1.5);
  const std::size_t second = report.find("peak #2: ");
  ASSERT_NE(second, std::string::npos) << report;
  ASSERT_EQ(std::sscanf(report.c_str() + second,
                        "peak #2: from %lf - %lfS, sw = %lf, signal = %lf (%lf%%)", &from, &to, &sw,
                        &signal, &percent),
            5);
  EXPECT_NEAR(percent, 30.0, 1.5);
  const std::size_t other = report.find("\nOTHER MATERIAL:  ");
  ASSERT_NE(other, std::string::npos) << report;
  double rest = 0, overall = 0;
  ASSERT_EQ(std::sscanf(report.c_str() + other, "\nOTHER MATERIAL:  %lf%% (sw=%lf)", &rest, &overall),
            2);
  EXPECT_NEAR(rest, 10.0, 1.5);
  EXPECT_NEAR(overall, 0.6 * 4 + 0.3 * 10 + 0.1 * 17.5, 0.2);
}

TEST_F(PriorKnowledge, APeakWhoseNeighbourDipsOnlyTo70PercentIsNoSpecies) {
  // Peaks at 3 and 5 S with a valley of 0.7 between them; a lone peak at 8.5 S.
  MakeDistribution({0, 0, 0, 0.1f, 0.5f, 1.0f, 0.8f, 0.7f, 0.8f, 1.0f, 0.5f, 0.1f, 0, 0, 0.1f,
                    0.5f, 0.9f, 0.5f, 0.1f, 0, 0});
  const std::vector<DistributionPeak> peaks = DiscreteSpeciesPeaks();
  ASSERT_EQ(peaks.size(), 1u);
  EXPECT_NEAR(peaks[0].Sw, 8.5f, 0.01f);
}

TEST_F(PriorKnowledge, TableModeFillsTheDialogsPeaksOnly) {
  MakeTwoSpecies();
  PriorSettings.PriorPeaks[3] = {7.0, 1.0, 5.0};
  PriorSettings.PriorFromDistributionPeaks = true;
  EXPECT_TRUE(CmPriorKnowledgeOfDiscreteSpecies(*window));
  const auto& table = PriorSettings.PriorPeaks;
  EXPECT_NEAR(table[1].Position, 4.0, 0.01);
  EXPECT_EQ(table[1].Width, 0.0);
  EXPECT_NEAR(table[1].Amplitude, 0.6, 0.01);
  EXPECT_NEAR(table[2].Position, 10.0, 0.01);
  // The entry after the last one filled is cleared.
  EXPECT_EQ(table[3].Width, -1.0);
  EXPECT_FALSE(PriorSettings.DiscreteSpeciesPriorOn);
  EXPECT_EQ(PriorProfileSource.GjPriorCount, 0);
  EXPECT_FALSE(std::filesystem::exists(folder.path() / "DiscInts.dat"));

  // Without a suitable model (or distribution) the table's first entry goes.
  ModelSelection.Kind = ModelKind::LsGStar;
  EXPECT_FALSE(CmPriorKnowledgeOfDiscreteSpecies(*window));
  EXPECT_EQ(table[1].Width, -1.0);
}

TEST_F(PriorKnowledge, TheCommandPlacesThePeaksForOneRunAndReports) {
  MakeTwoSpecies();
  // The run is the model's: here one that only counts, so that the report
  // integrates the distribution made above.
  int runs = 0;
  bool priorDuringRun = false;
  PriorKnowledgeRun = [&](TXLAWindow&) {
    ++runs;
    priorDuringRun = PriorSettings.PriorOnS && PriorSettings.DiscreteSpeciesPriorOn;
  };
  EXPECT_TRUE(CmPriorKnowledgeOfDiscreteSpecies(*window));
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(priorDuringRun);
  EXPECT_FALSE(PriorSettings.PriorOnS);
  EXPECT_TRUE(PriorSettings.DiscreteSpeciesPriorOn);
  EXPECT_TRUE(PriorSettings.DiscreteSpeciesPriorOnce);
  EXPECT_TRUE(window->Menu().IsChecked(529));
  EXPECT_TRUE(window->Menu().IsChecked(295));

  // The profile: base 0.001 with two raised points around each peak.
  const auto& src = PriorProfileSource;
  ASSERT_EQ(src.GjPriorCount, 41);
  int raised = 0;
  for (int j = 1; j <= 41; ++j) raised += src.GjPriorValues[static_cast<std::size_t>(j)] > 0.0011;
  EXPECT_GE(raised, 2);
  EXPECT_LE(raised, 4);
  EXPECT_GT(src.GjPriorValues[8], 0.1);  // 4.0 S is grid point 8

  const std::string report = ReadWholeFile((folder.path() / "DiscInts.dat").string());
  EXPECT_NE(report.find("peak #1: from "), std::string::npos) << report;
  EXPECT_NE(report.find("peak #2: from "), std::string::npos) << report;
  EXPECT_NE(report.find("\nOTHER MATERIAL:  "), std::string::npos) << report;

  // The next run of the model starts without the peaks' prior.
  PriorKnowledgeRun = nullptr;
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  ScanDataSet.NFILES = 0;
  RunModelCommand(*window);
  EXPECT_FALSE(PriorSettings.DiscreteSpeciesPriorOn);
  EXPECT_FALSE(PriorSettings.DiscreteSpeciesPriorOnce);
}

TEST_F(PriorKnowledge, CancellingTheFirstFrictionalRatioGaussianLeavesNone) {
  PriorProfileSource.Ff0PriorPeaks[1] = {1.5, 0.1, 0.05};
  PriorProfileSource.Ff0PriorPeaks[2] = {2.0, 0.1, 0.05};
  PriorSettings.PriorOnFf0 = true;
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  backend().ScriptEntry(std::nullopt);
  AskFf0PriorGaussians(*window);
  EXPECT_FALSE(PriorSettings.PriorOnFf0);
  for (int k = 1; k <= 2; ++k) EXPECT_EQ(PriorProfileSource.Ff0PriorPeaks[static_cast<std::size_t>(k)].Position, 0.0);

  // A complete first Gaussian and a zero position for the second: one stays.
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  for (const char* answer : {"1.4", "0.2", "50", "0"}) backend().ScriptEntry(std::string(answer));
  AskFf0PriorGaussians(*window);
  EXPECT_TRUE(PriorSettings.PriorOnFf0);
  const PriorPeak& first = PriorProfileSource.Ff0PriorPeaks[1];
  EXPECT_NEAR(first.Position, 1.4, 1e-6);
  EXPECT_NEAR(first.Width, 0.1, 1e-6);  // half the width asked
  EXPECT_NEAR(first.Amplitude, 0.05, 1e-6);
  EXPECT_EQ(PriorProfileSource.Ff0PriorPeaks[2].Position, 0.0);
}

TEST_F(PriorKnowledge, AReactionBoundaryProfileBecomesThePrior) {
  MakeTwoSpecies();
  // Profile rows from its far end (8 .. 6 S), then boundary A at 4 S with
  // area 0.5 and boundary B at 7 S with area 0.2.
  const std::string path = folder.Write("gj.dat", "8.0 0.3\n7.0 0.4\n6.0 0.2\n4.0 0.5\n7.0 0.2\n");
  ASSERT_TRUE(ImportGJPrior(path));
  const auto& src = PriorProfileSource;
  ASSERT_EQ(src.GjPriorCount, 41);
  const auto w = [&](int j) { return src.GjPriorValues[static_cast<std::size_t>(j)]; };
  // 0.01 x AB everywhere; the profile interpolated at 6.5 S (grid point 13)
  // and 7.5 S; boundary A at grid point 8 (4.0 S).
  EXPECT_NEAR(w(1), 0.002, 1e-9);
  EXPECT_NEAR(w(13), 0.002 + 0.3, 1e-4);
  EXPECT_NEAR(w(15), 0.002 + 0.35, 1e-4);
  EXPECT_GT(w(8), 0.3);

  // A profile beyond the grid's usable range is refused.
  const std::string far = folder.Write("far.dat", "20.4 0.3\n19.0 0.4\n4.0 0.5\n7.0 0.2\n");
  EXPECT_FALSE(ImportGJPrior(far));
  EXPECT_EQ(LogLinesWith("GJ boundary out of s-range").size(), 1u);
  EXPECT_FALSE(ImportGJPrior(folder.Write("short.dat", "4.0 0.5\n")));
  EXPECT_EQ(LogLinesWith("Could Not Open MaxEnt Prior File").size(), 1u);
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  EXPECT_FALSE(ImportGJPrior(path));
  EXPECT_EQ(LogLinesWith("Error: Importing GJ Prior requires c(s) model to be active").size(), 1u);
}

}  // namespace
