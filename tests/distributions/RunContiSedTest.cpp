// The distribution run end to end: a known mixture simulated by the Lamm
// solver, with noise and systematic offsets, is recovered by c(s) with
// either regularisation; the species of the grid points; refusals,
// interruptions, questions and the simulation from a given distribution.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "distributions/ContiRunFixture.h"
#include "distributions/ContiRunSedFixture.h"
#include "distributions/RunContiSed.h"
#include "distributions/StoredDistribution.h"
#include "distributions/SyntheticVelocityData.h"
#include "state/DistributionPlotFlags.h"
#include "models/ParameterPacking.h"
#include "models/SimulationArrays.h"
#include "numerics/Hydrodynamics.h"

namespace {

namespace sv = synthetic_velocity;

constexpr double kGasConstant = 8.31451e7;


// A species of s on the frictional ratio of the model, as the c(s) grid
// describes it.
sv::Species SpeciesOnFrictionalRatio(double s, double c) {
  const float M = CalculateM(static_cast<float>(s));
  return {s, DFromMass(M, 20.0f), c};
}

struct RoundTripCase {
  const char* name;
  RegularizationChoice regularization;
};

class ContiRunRoundTrip : public ContiRunSedTest,
                          public ::testing::WithParamInterface<RoundTripCase> {};

// Three species (3, 6 and 9 S) in 20 scans of 301 radii, 1200 to 8800 s, with Gaussian noise
// of 0.005, a TI profile and RI offsets: the c(s) peaks sit within 2 % of
// the species' s, hold their loading concentrations within 3 %, the rmsd is
// the noise, and the fitted offsets are those added.
TEST_P(ContiRunRoundTrip, RecoversAKnownMixture) {
  sv::Experiment e;
  SetModel(ModelKind::ContinuousCS, 1.0f, 12.0f, 50.0f);
  const std::vector<sv::Species> mixture = {SpeciesOnFrictionalRatio(3.0, 0.4),
                                            SpeciesOnFrictionalRatio(6.0, 0.3),
                                            SpeciesOnFrictionalRatio(9.0, 0.2)};
  const sv::Data data = sv::MakeData(e, mixture);
  LoadExperiment(e, data);
  FitTimeAndRadialInvariantNoise();
  SelectRegularization(DistributionSettings.RegularizationType, GetParam().regularization);

  const ContiRunOutcome outcome = RunContiSed(nullptr);
  ASSERT_EQ(outcome, ContiRunOutcome::Stored);

  const double bounds[] = {0.0, 4.5, 7.5, 20.0};
  for (std::size_t p = 0; p < mixture.size(); ++p) {
    const Peak peak = PeakBetween(bounds[p], bounds[p + 1]);
    EXPECT_NEAR(peak.position, mixture[p].s, 0.02 * mixture[p].s) << "peak " << p;
    EXPECT_NEAR(peak.area, mixture[p].c, 0.03 * mixture[p].c) << "peak " << p;
  }
  EXPECT_NEAR(Rmsd(), e.NoiseSd, 0.05 * e.NoiseSd);

  // The offsets are unique up to a constant traded between TI and RI.
  const auto& g = CommonRadialGrid;
  double tiFitted = 0.0, tiAdded = 0.0, riFitted = 0.0, riAdded = 0.0;
  for (int k = 1; k <= e.Points; ++k) {
    tiFitted += g.TINoise[k];
    tiAdded += data.TI[k];
  }
  for (int j = 1; j <= e.Scans; ++j) {
    riFitted += g.RINoise[j];
    riAdded += data.RI[j];
  }
  double tiError = 0.0;
  for (int k = 1; k <= e.Points; ++k) {
    const double diff = (g.TINoise[k] - tiFitted / e.Points) - (data.TI[k] - tiAdded / e.Points);
    tiError += diff * diff;
  }
  // Each TI value averages 20 noisy values: its error is about 0.005/√20.
  EXPECT_LT(std::sqrt(tiError / e.Points), 2.0 * e.NoiseSd / std::sqrt(e.Scans));
  for (int j = 1; j <= e.Scans; ++j)
    EXPECT_NEAR(g.RINoise[j] - riFitted / e.Scans, data.RI[j] - riAdded / e.Scans, 0.002) << j;
}

INSTANTIATE_TEST_SUITE_P(
    Regularizations, ContiRunRoundTrip,
    ::testing::Values(RoundTripCase{"MaxEnt", RegularizationChoice::MaxEnt},
                      RoundTripCase{"Tikhonov", RegularizationChoice::SecondDerivative}),
    [](const ::testing::TestParamInfo<RoundTripCase>& p) { return std::string(p.param.name); });

// s of a species of mass M and diffusion D by the Svedberg equation, at
// 20 degrees Celsius with vbar 0.73 in a buffer of density 1.
double SvedbergS(double M, double D) {
  return 1e13 * M * D * (1.0 - 0.73) / (kGasConstant * 293.15);
}

struct ConversionCase {
  const char* name;
  ModelKind kind;
  int point;
  float gridS;  // the grid value of the point
  std::function<void()> settings;
  std::function<void(const GridPointSpecies&)> check;
};

class GridPointConversion : public ContiRunSedTest,
                            public ::testing::WithParamInterface<ConversionCase> {};

TEST_P(GridPointConversion, GivesTheSpeciesOfTheModel) {
  const ConversionCase& c = GetParam();
  ResizeDistributionGrids(3);
  DistributionResult.DistSGrid[static_cast<std::size_t>(c.point)] = c.gridS;
  DistributionResult.DistMGrid[static_cast<std::size_t>(c.point)] = CalculateM(c.gridS);
  if (c.settings) c.settings();
  const GridPointSpecies x = ConvertGridPoint(c.point, c.kind, 20.0f);
  EXPECT_FALSE(x.Refused);
  EXPECT_EQ(DistributionResult.DistSGrid[static_cast<std::size_t>(c.point)],
            static_cast<float>(x.s));
  c.check(x);
}

const ConversionCase kConversionCases[] = {
    {"CsOnTheFrictionalRatio", ModelKind::ContinuousCS, 2, 5.0f, nullptr,
     [](const GridPointSpecies& x) {
       EXPECT_EQ(x.s, 5.0);
       EXPECT_NEAR(SvedbergS(x.M, x.D), 5.0, 5e-3);
       EXPECT_NEAR(FF0FromMassAndS(x.M, 5.0f, 0.73f, 1.0f, 1.0f), 1.2f, 1e-3);
     }},
    {"LsGStarHasNoDiffusion", ModelKind::LsGStar, 2, 5.0f, nullptr,
     [](const GridPointSpecies& x) { EXPECT_EQ(x.D, 0.0); }},
    {"InvariantD", ModelKind::CSInvariantD, 2, 4.0f, [] { DistributionSettings.InvariantD = 6.0f; },
     [](const GridPointSpecies& x) {
       EXPECT_NEAR(x.D, 6e-7, 1e-12);
       EXPECT_NEAR(SvedbergS(x.M, x.D), 4.0, 4e-3);
     }},
    {"SecondRangeTakesTheSecondFrictionalRatio", ModelKind::CSBimodalFf0, 2, 12.0f,
     [] {
       DistributionSettings.SecondFf0 = 2.0f;
       DistributionSettings.SecondRangeSmin = 10.0f;
       DistributionSettings.SecondRangeSmax = 20.0f;
     },
     [](const GridPointSpecies& x) {
       EXPECT_NEAR(FF0FromMassAndS(x.M, 12.0f, 0.73f, 1.0f, 1.0f), 2.0f, 2e-3);
       EXPECT_NEAR(SvedbergS(x.M, x.D), 12.0, 12e-3);
     }},
    {"ConformationalChangeKeepsItsMass", ModelKind::CSConformationalChange, 2, 8.0f, nullptr,
     [](const GridPointSpecies& x) {
       EXPECT_EQ(x.M, 200000.0f);
       EXPECT_NEAR(SvedbergS(x.M, x.D), 8.0, 8e-3);
     }},
    {"ScalingLawWithoutDeconvolution", ModelKind::FMScalingLaw, 2, 1.0f,
     [] {
       DistributionSettings.ScalingNoDeconvolution = 1;
       DistributionResult.DistMGrid[2] = 100000.0f;
     },
     [](const GridPointSpecies& x) {
       EXPECT_NEAR(x.s, 0.003 * std::pow(100000.0, 0.667), 1e-3);
       EXPECT_EQ(x.D, 0.0);
     }},
    {"DiscreteSpeciesBySAndD", ModelKind::CSWithOneDiscrete, 1, 1.0f,
     [] {
       FitControl.MassInsteadOfD = false;
       DistributionSettings.DiscreteSpeciesS = 7.0f;
       DistributionSettings.DiscreteSpeciesD = 5.0f;
     },
     [](const GridPointSpecies& x) {
       EXPECT_EQ(x.s, 7.0);
       EXPECT_NEAR(x.D, 5e-7, 1e-12);
       EXPECT_NEAR(SvedbergS(x.M, x.D), 7.0, 7e-3);
       EXPECT_EQ(DistributionResult.DistMGrid[1], x.M);
     }},
};

INSTANTIATE_TEST_SUITE_P(Models, GridPointConversion, ::testing::ValuesIn(kConversionCases),
                         [](const ::testing::TestParamInfo<ConversionCase>& p) {
                           return std::string(p.param.name);
                         });

// The discrete species at point 1 of the c(s) model with an M(s) table
// takes its D from its own mass and s, whatever point or run came before.
TEST_F(ContiRunSedTest, MsTableDiscreteSpeciesHasItsOwnDiffusion) {
  ResizeDistributionGrids(3);
  GridServices.MsTableMolarMass = [](double s) { return 10000.0 * s; };
  DistributionSettings.DiscreteSpeciesS = 4.0f;
  DistributionSettings.DiscreteSpeciesMass = 60000.0f;
  DistributionResult.DistSGrid[2] = 9.0f;
  const GridPointSpecies other = ConvertGridPoint(2, ModelKind::CSWithMsTable, 20.0f);
  EXPECT_EQ(other.M, 90000.0f);
  const GridPointSpecies first = ConvertGridPoint(1, ModelKind::CSWithMsTable, 20.0f);
  EXPECT_EQ(first.s, 4.0);
  EXPECT_EQ(first.M, 60000.0f);
  EXPECT_NEAR(SvedbergS(first.M, first.D), 4.0, 4e-3);
  EXPECT_NE(first.D, other.D);
  // Without a mass of its own it takes the table's at its s.
  DistributionSettings.DiscreteSpeciesMass = 0.0f;
  EXPECT_EQ(ConvertGridPoint(1, ModelKind::CSWithMsTable, 20.0f).M, 40000.0f);
}

// A run of the c(s) model with an M(s) table shows its distribution over s:
// a plot that an earlier conversion left over M is made afresh and the
// conversion mark cleared; other models leave both alone.
TEST_F(ContiRunSedTest, MsTableRunUndoesTheMolarMassView) {
  const auto savedInit = InitDistributionPlot;
  int rebuilt = 0;
  InitDistributionPlot = [&] { ++rebuilt; };
  for (const ModelKind kind : {ModelKind::ContinuousCS, ModelKind::CSWithMsTable}) {
    const bool msTable = kind == ModelKind::CSWithMsTable;
    rebuilt = 0;
    DistributionPlotFlags.DistShownAsMolarMass = true;
    ModelSelection.Kind = kind;
    RunContiSed(nullptr);  // no scans: the run ends before any grid
    EXPECT_EQ(DistributionPlotFlags.DistShownAsMolarMass, !msTable);
    EXPECT_EQ(rebuilt, msTable ? 1 : 0);
  }
  DistributionPlotFlags.DistShownAsMolarMass = false;
  InitDistributionPlot = savedInit;
}

// A small experiment for the run's paths: 6 scans, 101 radii from 5.9 to
// 7.1 cm, 15 grid points from 1 to 10 S.
class ContiRunPaths : public ContiRunSedTest {
 protected:
  sv::Experiment Small() const {
    sv::Experiment e;
    e.Scans = 6;
    e.Points = 101;
    e.RadialStep = 0.012;
    e.Interval = 1200.0;
    return e;
  }
  void LoadFlat() {
    const sv::Experiment e = Small();
    sv::Data d;
    sv::MakeHeaders(e, d);
    d.Signal.Resize(1, e.Scans, 1, e.Points);
    LoadExperiment(e, d);
  }
};

TEST_F(ContiRunPaths, RefusedRunsLeaveTheDistributionAlone) {
  // No scans: nothing said, nothing done.
  SetModel(ModelKind::ContinuousCS, 1.0f, 10.0f, 15.0f);
  EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Silent);
  EXPECT_TRUE(backend().Log().empty());

  LoadFlat();
  DistributionResult.DistValues = {0.0f, 7.0f};
  struct Case {
    const char* name;
    std::function<void()> set, unset;
    const char* message;
    bool gridMade = false;  // refused only after the grid step
  };
  const Case cases[] = {
      {"meniscus",
       [] {
         ParameterVector[13] = 0.0f;
         ModelParameters.Meniscus = 0.0f;
       },
       [] {
         ParameterVector[13] = 5.8f;
         ModelParameters.Meniscus = 5.8f;
       },
       "set Meniscus and Bottom first"},
      {"c(v)", [] { ModelSelection.Kind = ModelKind::ElectrophoresisCV; },
       [] { ModelSelection.Kind = ModelKind::ContinuousCS; }, "linear electrophoresis geometry"},
      {"electrophoresis data", [] { ScanReaderOptions.ElectrophoresisDataMode = true; },
       [] { ScanReaderOptions.ElectrophoresisDataMode = false; },
       "not implemented for electrophoresis data"},
      {"light scattering", [] { DlsDataMode = true; }, [] { DlsDataMode = false; },
       "light-scattering data is not available"},
      {"equilibrium", [] { ScanDataSet.EquilibriumDataMode = true; },
       [] { ScanDataSet.EquilibriumDataMode = false; }, "equilibrium data is not available"},
      {"non-ideal", [] { ModelSelection.Kind = ModelKind::NonidealCS; },
       [] { ModelSelection.Kind = ModelKind::ContinuousCS; }, "non-ideal c(s) model"},
      {"s beyond sight", [] { ParameterVector[5] = 500.0f; }, [] { ParameterVector[5] = 10.0f; },
       "is exceeding maximum observable s-values", true},
  };
  for (const Case& c : cases) {
    c.set();
    EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Refused) << c.name;
    EXPECT_EQ(LogLinesWith(c.message).size(), 1u) << c.name;
    if (!c.gridMade) {
      EXPECT_EQ(DistributionResult.DistValues, (std::vector<float>{0.0f, 7.0f})) << c.name;
    }
    c.unset();
  }
}

// A model command may leave the work arrays made for the fixed grid; the
// run switches to the moving frame and must make them anew, not end
// silently with nothing computed (seen as an empty distribution at the
// first Run of c(s) with an M(s) table).
TEST_F(ContiRunPaths, RunOnFixedGridArraysMakesThemForTheMovingFrame) {
  SetModel(ModelKind::ContinuousCS, 1.0f, 10.0f, 15.0f);
  const sv::Experiment e = Small();
  LoadExperiment(e, sv::MakeData(e, {SpeciesOnFrictionalRatio(5.0, 1.0)}));
  LammSolverSettings.MovingFrame = false;
  LammSolverSettings.FixedGrid = true;
  ASSERT_EQ(AllocSimulationArrays(), 1);

  EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  const Peak peak = PeakBetween(0.0, 20.0);
  EXPECT_NEAR(peak.position, 5.0, 0.5);
  EXPECT_GT(peak.area, 0.5);
  FreeSimulationArrays();
}

TEST_F(ContiRunPaths, UnsetFitLimitsBecomeMeniscusAndBottom) {
  LoadFlat();
  ScanDataSet.FitLeftLim = 0.0f;
  ScanDataSet.FitRightLim = 0.0f;
  SetModel(ModelKind::ContinuousCS, 1.0f, 10.0f, 15.0f);
  EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  // Kept inside the data, which begin above the meniscus and end above the
  // bottom: the whole grid is fitted.
  EXPECT_NEAR(ScanDataSet.FitLeftLim, 5.9f, 1e-5);
  EXPECT_NEAR(ScanDataSet.FitRightLim, 7.1f, 1e-5);
  EXPECT_EQ(CommonRadialGrid.GridFirstFitIndex, 1);
  EXPECT_EQ(CommonRadialGrid.GridLastFitIndex, CommonRadialGrid.CommonGridSize);
}

// Whichever answer the question about a too high grid gets, the run ends
// cleanly: refused, or with kernel columns that carry nothing in the fit
// range and a zero distribution.
TEST_F(ContiRunPaths, LsGStarGridBeyondTheFitLimitsDoesNotCrash) {
  LoadFlat();
  SetModel(ModelKind::LsGStar, 200.0f, 300.0f, 15.0f);
  for (const RegularizationChoice r :
       {RegularizationChoice::MaxEnt, RegularizationChoice::SecondDerivative}) {
    SelectRegularization(DistributionSettings.RegularizationType, r);
    SminWarningAccepted = false;
    backend().ScriptBoxAnswer(platform::BoxAnswer::No);
    EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Refused);
    backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
    EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
    for (float v : DistributionResult.DistValues) EXPECT_EQ(v, 0.0f);
  }
  EXPECT_EQ(LogLinesWith("continue anyway (may cause crash)?").size(), 4u);
}

// Electrophoresis data: a boundary moving through the linear column at
// 1 um/s, loaded at 0.8. The ls-g*(v) model finds one peak of that area at
// that velocity, from the closed-form kernel of a diffusion-free boundary.
TEST_F(ContiRunPaths, ElectrophoresisLsGStarFindsTheBoundaryVelocity) {
  const sv::Experiment e = Small();
  sv::Data d;
  sv::MakeHeaders(e, d);
  d.Signal.Resize(1, e.Scans, 1, e.Points);
  for (int j = 1; j <= e.Scans; ++j) {
    d.Headers[j].Omega2t = 0.0f;  // no rotor
    const double front = e.Meniscus + 1.0e-4 * d.Headers[j].Time;
    for (int k = 1; k <= e.Points; ++k)
      d.Signal[j][k] = e.FirstRadius + (k - 1) * e.RadialStep >= front ? 0.8 : 0.0;
  }
  LoadExperiment(e, d);
  ScanReaderOptions.ElectrophoresisDataMode = true;
  SetModel(ModelKind::ElectrophoresisLsGStar, 0.2f, 2.0f, 19.0f);
  EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  ScanReaderOptions.ElectrophoresisDataMode = false;
  EXPECT_TRUE(LogLinesWith("not available").empty());
  const Peak p = PeakBetween(0.2, 2.0);
  EXPECT_NEAR(p.area, 0.8, 0.02);
  EXPECT_NEAR(p.position, 1.0, 0.03);
}

TEST_F(ContiRunPaths, KeyPressDuringTheKernelInterruptsTheRun) {
  LoadFlat();
  SetModel(ModelKind::ContinuousCS, 1.0f, 10.0f, 15.0f);
  backend().QueueKeyPress(nullptr, 65, 'a');
  EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Interrupted);
  EXPECT_TRUE(ComputationAbort);
  EXPECT_TRUE(DistributionRunFlags.ComputationInterrupted);
  EXPECT_TRUE(DistributionRunFlags.FitCurvesShown);
  EXPECT_FALSE(DistKernel.Exists());
}

// The model signal of a given distribution is the loading concentration
// times the solver's own solution for that species.
TEST_F(ContiRunPaths, SimulatesTheSignalOfAGivenDistribution) {
  const sv::Experiment e = Small();
  LoadFlat();
  SetModel(ModelKind::ContinuousCS, 1.0f, 10.0f, 15.0f);
  const std::string file = scratch.Write("dist.dat", "2 0\n4 0.5\n6 0\n");
  ASSERT_TRUE(LoadDistributionFile(file));
  DistributionRunFlags.SimulateFromDistribution = true;
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Simulated);

  sv::Data truth;
  sv::MakeHeaders(e, truth);
  const auto one = sv::SolveSpecies(e, truth, SpeciesOnFrictionalRatio(4.0, 1.0));
  for (int j = 1; j <= e.Scans; ++j)
    for (int k = 1; k <= e.Points; k += 10)
      EXPECT_NEAR(ScanDataSet.ScanModel[j][k], 0.5 * one[j][k], 2e-3) << j << " " << k;
  EXPECT_FALSE(DistKernel.Exists());
}

// In the combined setting the maximum-entropy distribution is shown with the
// second-derivative one beside it; both hold the species.
TEST_F(ContiRunPaths, CombinedSettingKeepsBothDistributions) {
  sv::Experiment e = Small();
  SetModel(ModelKind::ContinuousCS, 1.0f, 10.0f, 15.0f, 0.9f);
  const sv::Data data = sv::MakeData(e, {SpeciesOnFrictionalRatio(5.0, 0.5)});
  LoadExperiment(e, data);
  DistributionSettings.RegularizationType.BothRegularizations = true;
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  const auto& s = DistributionResult.DistSGrid;
  double first = 0.0, second = 0.0;
  bool differ = false;
  for (int i = 2; i < 15; ++i) {
    const double w = (s[static_cast<std::size_t>(i + 1)] - s[static_cast<std::size_t>(i - 1)]) / 2;
    first += DistributionResult.DistValues[static_cast<std::size_t>(i)] * w;
    second += DistributionResult.DistSecondValues[static_cast<std::size_t>(i)] * w;
    differ |= DistributionResult.DistValues[static_cast<std::size_t>(i)] !=
              DistributionResult.DistSecondValues[static_cast<std::size_t>(i)];
  }
  EXPECT_NEAR(first, 0.5, 0.025);
  EXPECT_NEAR(second, 0.5, 0.025);
  EXPECT_TRUE(differ);

  // The second distribution is that of the second-derivative penalty alone.
  const std::vector<float> combinedSecond = DistributionResult.DistSecondValues;
  DistributionSettings.RegularizationType.BothRegularizations = false;
  SelectRegularization(DistributionSettings.RegularizationType,
                       RegularizationChoice::SecondDerivative);
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  for (int i = 1; i <= 15; ++i)
    EXPECT_NEAR(combinedSecond[static_cast<std::size_t>(i)],
                DistributionResult.DistValues[static_cast<std::size_t>(i)], 1e-4)
        << i;
}

// Inside a search the prepared grid and kernel arrays are used, nothing is
// regularised and nothing stored.
TEST_F(ContiRunPaths, SearchEvaluationSolvesWithoutStoring) {
  sv::Experiment e = Small();
  SetModel(ModelKind::ContinuousCS, 1.0f, 10.0f, 15.0f);
  const sv::Data data = sv::MakeData(e, {SpeciesOnFrictionalRatio(5.0, 0.5)});
  LoadExperiment(e, data);
  FitTimeAndRadialInvariantNoise();
  DistributionRunFlags.InNonlinearSearch = true;
  EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Silent);  // no arrays prepared
  ASSERT_TRUE(MakeContiGrid());
  const std::vector<float> before = DistributionResult.DistValues;
  EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Solved);
  EXPECT_EQ(DistributionResult.DistValues, before);
  EXPECT_TRUE(DistKernel.Exists());
  double total = 0.0;
  for (int i = 1; i <= 15; ++i) total += NormalEquations.DistSolution[i];
  EXPECT_NEAR(total, 0.5, 0.025);
}

// A second s x f/f0 run with the same settings and data neither makes the
// grid nor the kernel again (a key press waiting in the queue is never
// polled); a changed f/f0 range makes both.
TEST_F(ContiRunPaths, TwoDimensionalKernelIsReusedUntilTheSettingsChange) {
  sv::Experiment e = Small();
  ParameterVector[10] = 1.0f;  // f/f0 from 1 to 2 in 3 values
  ParameterVector[6] = 2.0f;
  ParameterVector[8] = 3.0f;
  SetModel(ModelKind::CSFf0, 1.0f, 10.0f, 8.0f);
  const sv::Data data = sv::MakeData(e, {SpeciesOnFrictionalRatio(5.0, 0.5)});
  LoadExperiment(e, data);
  FitTimeAndRadialInvariantNoise();
  ASSERT_EQ(DistributionSettings.Grid2DSize, 24);
  ASSERT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  EXPECT_FALSE(DistributionRunFlags.Grid2DRebuild);
  EXPECT_TRUE(DistKernel.Exists());
  double total = 0.0;
  for (int k = 1; k <= 24; ++k)
    total += DistributionResult.Grid2DAmplitudes[static_cast<std::size_t>(k)];
  EXPECT_NEAR(total, 0.5, 0.025);

  ScanDataSet.DataChanged = false;
  backend().QueueKeyPress(nullptr, 65, 'a');
  const std::size_t queued = backend().PendingMessages();
  EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Stored);
  EXPECT_EQ(backend().PendingMessages(), queued);

  ParameterVector[6] = 2.5f;
  EXPECT_EQ(RunContiSed(nullptr), ContiRunOutcome::Interrupted);
  EXPECT_EQ(backend().PendingMessages(), 0u);
}

}  // namespace
