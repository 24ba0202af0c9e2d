// A generated series, end to end through the commands: Generate Series
// writes a set of two species, Load New Files reads its scans back, and a
// c(s) Run of them finds both species with their loadings.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/CsAnalysisFixture.h"
#include "app/commands/RunFitCommands.h"
#include "app/generate/GenerateCommands.h"
#include "app/loading/LoadCommands.h"
#include "data/CommonRadialGrid.h"
#include "distributions/DistributionIntegration.h"
#include "models/ParamsBox.h"
#include "numerics/Hydrodynamics.h"

namespace {

namespace fs = std::filesystem;

using GeneratedSeries = CsAnalysisTest;

TEST_F(GeneratedSeries, ReloadedSetGivesBothSpeciesInItsCs) {
  // The species' molar masses are those the c(s) grid gives 5 and 9 S
  // (f/f0 1.2), so that each is one point of the distribution.
  ChooseCs(6.2f);
  const float m1 = CalculateM(5.0f), m2 = CalculateM(9.0f);

  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  FitControl.MassInsteadOfD = true;
  InitParamsBoxTransfer(ParamsBoxTransfer);
  AllocParameterVector();
  auto& p = ModelParameters;
  p.ComponentOn[1] = p.ComponentOn[2] = 1;
  p.Concentration[1] = 1.0f;
  p.SedCoefficient[1] = 5.0f;
  p.SedCoefficient[2] = 9.0f;
  p.MassOrD[1] = m1;
  p.MassOrD[2] = m2;
  PackParameterVector();

  // dr 0.005 cm at 50,000 rpm without acceleration; 12 scans 600 s apart,
  // noise 0.005, meniscus 6.2 cm, the second species 20 % of the total
  // loading of 1 (the first species' value), in folder 1.
  backend().ScriptFileDialog(std::vector<std::string>{scratch.File("0000x.RA0")});
  for (const char* v : {"1", "0.005", "1", "50000"}) backend().ScriptEntry(std::string(v));
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  for (const char* v : {"600", "12", "1", "0.005", "1", "6.2", "1", "20", "0"})
    backend().ScriptEntry(std::string(v));
  CmSeries(*window);

  std::vector<std::string> scans;
  for (const auto& e : fs::directory_iterator(scratch.path() / "1"))
    if (e.path().extension() == ".ra0") scans.push_back(e.path().string());
  ASSERT_EQ(scans.size(), 12u);

  ChooseCs(6.2f);
  backend().ScriptFileDialog(scans);
  backend().ScriptEntry("1");  // every file
  CmLoadNewFiles(*window);
  ASSERT_EQ(ScanDataSet.NFILES, 12);
  ChooseCs(6.2f);
  ScanDataSet.FitLeftLim = 6.25f;
  ScanDataSet.FitRightLim = 7.1f;
  SetFirstFitIndex();
  SetLastFitIndex();
  RunModelCommand(*window);

  struct Expected {
    float from, to, s, loading;
  };
  for (const Expected& x : {Expected{3.5f, 6.5f, 5.0f, 0.8f}, Expected{7.5f, 11.0f, 9.0f, 0.2f}}) {
    SCOPED_TRACE(x.s);
    float c = 0, sw = 0, total = 0;
    IntegrateDistribution(x.from, x.to, c, sw, total);
    EXPECT_NEAR(sw, x.s, 0.05f * x.s);
    EXPECT_NEAR(c, x.loading, 0.1f * x.loading);
  }
}

}  // namespace
