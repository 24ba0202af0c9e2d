// Model selection: the kinds with their command ids, attributes and
// geometries; every command selecting its kind from the start; the reset
// and the switch into continuous distributions.

#include <set>

#include "app/ModelCommandsFixture.h"
#include "app/commands/CommandTable.h"
#include "app/models/ContinuousModelCommands.h"
#include "app/models/ModelCommands.h"
#include "numerics/Hydrodynamics.h"

namespace {

using K = ModelKind;
using G = LammGeometry;

struct KindRow {
  K kind;
  int id;
  bool continuous, discrete, standardKernel;
  G geometry;
};

// The kinds as the model commands define them.
const KindRow kKinds[] = {
    {K::NonInteractingSpecies, 198, false, true, false, G::SectorCell},
    {K::LinearLammSpecies, 280, false, true, false, G::LinearLamm},
    {K::ExternalLoadingCellSpecies, 281, false, true, false, G::ExternalLoading},
    {K::Geometry282Species, 282, false, true, false, G::Geometry282},
    {K::ElectrophoresisSpecies, 291, false, true, false, G::LinearForceElectrophoresis},
    {K::ZoneIndependentSpecies, 246, false, true, false, G::SectorCell},
    {K::DiscreteStokesRadii, 536, false, true, false, G::SectorCell},
    {K::CumulantAnalysis, 890, false, true, false, G::SectorCell},
    {K::MonomerDimer, 197, false, false, false, G::SectorCell},
    {K::MonomerTrimer, 229, false, false, false, G::SectorCell},
    {K::SelfAssociation148, 520, false, false, false, G::SectorCell},
    {K::SelfAssociation124, 228, false, false, false, G::SectorCell},
    {K::ReactingABC, 267, false, false, false, G::SectorCell},
    {K::NonidealSingleSpecies, 227, false, false, false, G::SectorCell},
    {K::HinderedSingleSpecies, 1099, false, false, false, G::SectorCell},
    {K::NonidealMultipleSpecies, 893, false, false, false, G::SectorCell},
    {K::BuoyantMassEquilibrium, 284, false, false, false, G::SectorCell},
    {K::BuoyantMassReactingAB, 523, false, false, false, G::SectorCell},
    {K::ContinuousCM, 235, true, false, false, G::SectorCell},
    {K::CMInvariantD, 277, true, false, false, G::SectorCell},
    {K::CMVariant278, 278, true, false, false, G::SectorCell},
    {K::CMPriorVbar, 279, true, false, false, G::SectorCell},
    {K::FMScalingLaw, 887, true, false, false, G::SectorCell},
    {K::ContinuousCS, 275, true, false, true, G::SectorCell},
    {K::NonidealCS, 585, true, false, false, G::SectorCell},
    {K::HinderedCS, 1100, true, false, false, G::SectorCell},
    {K::CSWithMsTable, 587, true, false, false, G::SectorCell},
    {K::CSWithOneDiscrete, 531, true, false, false, G::SectorCell},
    {K::CSConformationalChange, 514, true, false, false, G::SectorCell},
    {K::CSBimodalFf0, 548, true, false, false, G::SectorCell},
    {K::CSBimodalFf0OneDiscrete, 870, true, false, false, G::SectorCell},
    {K::CSFixFf0FloatingVbar, 602, true, false, false, G::SectorCell},
    {K::CSGeneralScalingLaw, 872, true, false, false, G::SectorCell},
    {K::CSWormlikeChain, 603, true, false, false, G::SectorCell},
    {K::CSFlotation, 1117, true, false, false, G::SectorCell},
    {K::CSFf0, 595, true, false, false, G::SectorCell},
    {K::CSFf0OneDiscrete, 598, true, false, false, G::SectorCell},
    {K::CSInvariantD, 526, true, false, false, G::SectorCell},
    {K::CSLinearRods, 521, true, false, false, G::SectorCell},
    {K::ElectrophoresisCV, 513, true, false, false, G::LinearForceElectrophoresis},
    {K::DlsIRh, 503, true, false, false, G::SectorCell},
    {K::DlsIRhTimeCourse, 522, true, false, false, G::SectorCell},
    {K::DlsID, 502, true, false, false, G::SectorCell},
    {K::LsGStar, 288, true, false, true, G::SectorCell},
    {K::LsGStarOneDiscrete, 539, true, false, true, G::SectorCell},
    {K::HybridCSLsGStar, 950, true, false, false, G::SectorCell},
    {K::ElectrophoresisLsGStar, 501, true, false, true, G::SectorCell},
    {K::ZoneCS, 511, true, false, true, G::SectorCell},
    {K::ZoneLsGStar, 510, true, false, true, G::SectorCell},
    {K::ExtrapolateLsGStar, 293, true, false, false, G::SectorCell},
    {K::VanHoldeWeischet, 292, false, false, false, G::SectorCell},
};

// Commands that test the menu-help mode themselves (the others run in it).
const std::set<int> kAnswersHelp = {198, 227, 235, 277, 279, 275, 514, 526, 288, 246,
                                    511, 510, 503, 502, 522, 280, 281, 291, 501, 513,
                                    292, 293, 197, 228, 229, 267, 278, 520, 521, 1099};

}  // namespace

TEST(ModelKindTest, EveryKindHasItsCommandAttributesAndGeometry) {
  ASSERT_EQ(std::size(kKinds), static_cast<std::size_t>(ModelKindCount));
  std::set<int> ids;
  for (const KindRow& r : kKinds) {
    SCOPED_TRACE(r.id);
    ids.insert(r.id);
    EXPECT_EQ(CommandIdOf(r.kind), r.id);
    EXPECT_EQ(IsContinuousModel(r.kind), r.continuous);
    EXPECT_EQ(IsDiscreteSpeciesModel(r.kind), r.discrete);
    EXPECT_EQ(UsesStandardCSKernel(r.kind), r.standardKernel);
    EXPECT_EQ(GeometryOf(r.kind), r.geometry);
  }
  EXPECT_EQ(ids, std::set<int>(std::begin(AllModelCommandIds), std::end(AllModelCommandIds)));
  EXPECT_EQ(ids.size(), static_cast<std::size_t>(ModelKindCount));
}

TEST(ModelKindTest, FamiliesOfKinds) {
  const struct {
    const char* family;
    bool (*test)(K);
    std::set<K> members;
  } families[] = {
      {"zone", IsZoneModel, {K::ZoneIndependentSpecies, K::ZoneCS, K::ZoneLsGStar}},
      {"ls-g*", IsLsGStarModel, {K::LsGStar, K::ElectrophoresisLsGStar, K::ZoneLsGStar}},
      {"vHW", IsVanHoldeWeischetFamily, {K::VanHoldeWeischet, K::ExtrapolateLsGStar}},
      {"constant D", HasConstantD, {K::CMInvariantD, K::ElectrophoresisCV}},
      {"DLS",
       IsDlsModel,
       {K::DlsIRh, K::DlsIRhTimeCourse, K::DlsID, K::DiscreteStokesRadii, K::CumulantAnalysis}},
      {"equilibrium", IsEquilibriumModel, {K::BuoyantMassEquilibrium, K::BuoyantMassReactingAB}},
  };
  for (const auto& f : families) {
    SCOPED_TRACE(f.family);
    for (const KindRow& r : kKinds) EXPECT_EQ(f.test(r.kind), f.members.count(r.kind) == 1);
    EXPECT_FALSE(f.test(K::NoModel));
  }
}

TEST(ModelKindTest, TheProgramStartsWithDiscreteSpeciesInTheSectorCell) {
  const ModelSelectionRecord fresh;
  EXPECT_EQ(fresh.Kind, K::NonInteractingSpecies);
  ModelSelection = fresh;
  EXPECT_EQ(CurrentGeometry(), G::SectorCell);
}

TEST(ModelKindTest, SelectingAKindSetsExactlyItsGeometrySwitch) {
  for (const KindRow& r : kKinds) {
    SCOPED_TRACE(r.id);
    SelectModelKind(r.kind);
    const LammGeometryRecord& g = ModelSelection.LammGeometry;
    EXPECT_LE(g.LinearLamm + g.ExternalLoadingCell + g.Geometry282 + g.LinearForceElectrophoresis,
              1);
    EXPECT_EQ(CurrentGeometry(), r.geometry);
  }
  ModelSelection = ModelSelectionRecord{};
}

TEST(ModelCommandTableTest, EveryModelCommandIsRegisteredOnceWithItsHelpMark) {
  CommandTable table;
  RegisterModelCommands(table);
  RegisterContinuousModelCommands(table);
  ASSERT_EQ(table.Entries().size(), static_cast<std::size_t>(ModelKindCount));
  for (const KindRow& r : kKinds) {
    SCOPED_TRACE(r.id);
    const CommandEntry* e = table.Find(r.id);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->answersHelp, kAnswersHelp.count(r.id) == 1);
  }
  EXPECT_STREQ(table.Find(235)->name, "SetContinuousModel");
  EXPECT_STREQ(table.Find(1100)->name, "CmContinuousModel1100");
}

class ModelEntryTest : public ModelCommandsTest {};

// From the start, every command selects its kind and geometry and leaves
// only its own item checked (the c(M) variants keep "Continuous c(M)").
TEST_F(ModelEntryTest, EveryCommandSelectsItsKindFromTheStart) {
  for (const ModelCommandEntry& e : ModelCommandEntries()) {
    SCOPED_TRACE(e.name);
    TearDown();
    SetUp();
    const std::set<int> dlsOnly = {503, 502, 522, 536, 890};
    DlsDataMode = dlsOnly.count(e.id) == 1;
    ScanReaderOptions.ElectrophoresisDataMode = e.id == 513;
    e.handler(window);
    EXPECT_EQ(ModelSelection.Kind, e.kind);
    EXPECT_EQ(CurrentGeometry(), GeometryOf(e.kind));
    std::vector<int> expected = {e.id};
    if (e.id == 277 || e.id == 278 || e.id == 279) expected = {235, e.id};
    EXPECT_EQ(CheckedModelItems(), expected);
  }
}

TEST_F(ModelEntryTest, TheMenuHelpModeAnswersInsteadOfSelecting) {
  for (const ModelCommandEntry& e : ModelCommandEntries()) {
    if (!e.answersHelp) continue;
    SCOPED_TRACE(e.name);
    ModelSelection.Kind = K::NonInteractingSpecies;
    window.MenuHelpMode = true;
    e.handler(window);
    EXPECT_FALSE(window.MenuHelpMode);
    EXPECT_EQ(ModelSelection.Kind, K::NonInteractingSpecies);
  }
}

class ResetModelFlagsTest : public ModelCommandsTest {};

TEST_F(ResetModelFlagsTest, BringsTheModelToTheNeutralState) {
  CmElectrophoresisLammEquationForDiscreteSpecies(window);
  ModelSelection.VanHoldeWeischetFlotation = true;
  CorrectionOptions.WienerSkewing.On = true;
  CorrectionOptions.WienerSkewing.MagnitudeFitted = 1;
  ModelCommandState.ExtrapolationPlotShown = true;
  LammSolverSettings.AutomaticAlgorithm = false;
  ScanDataSet.DataChanged = false;
  int eqTestResets = 0;
  ModelCommandLinks.ResetEqTest = [&](TXLAWindow&) { ++eqTestResets; };
  LoadOptions.EqTestMode = true;
  window.CheckMenuItem(235, true);

  ResetModelFlags(window);

  EXPECT_EQ(ModelSelection.Kind, K::NoModel);
  EXPECT_EQ(CurrentGeometry(), G::SectorCell);
  EXPECT_FALSE(ModelSelection.VanHoldeWeischetFlotation);
  EXPECT_FALSE(CorrectionOptions.WienerSkewing.On);
  EXPECT_EQ(CorrectionOptions.WienerSkewing.MagnitudeFitted, 0);
  EXPECT_FALSE(ModelCommandState.ExtrapolationPlotShown);
  EXPECT_TRUE(LammSolverSettings.AutomaticAlgorithm);
  EXPECT_TRUE(ScanDataSet.DataChanged);
  EXPECT_EQ(eqTestResets, 1);
  EXPECT_FALSE(LoadOptions.EqTestMode);
  EXPECT_TRUE(CheckedModelItems().empty());
}

TEST_F(ResetModelFlagsTest, RestoresTheDefaultGridSizeAfterAContinuousModel) {
  LammSolverSettings.DefaultLammGridSize = 800;
  LammSolverSettings.LammGridSize = 300;
  CmContinuousCSDistribution(window);
  EXPECT_EQ(LammSolverSettings.LammGridSize, 500);
  EXPECT_EQ(ModelSwitchState.SavedLammGridSize, 300);
  CmNonInteractingDiscreteSpecies(window);
  EXPECT_EQ(LammSolverSettings.LammGridSize, 800);
  EXPECT_FALSE(ModelSwitchState.LammGridSizeChangedByModel);
}

TEST_F(ResetModelFlagsTest, ScanTimesFromOmega2tSetByLsgAreSwitchedOffOnceWithANote) {
  LoadOneScan(20.0f);
  CmLsGStarS(window);
  EXPECT_TRUE(ScanDataSet.TimesFromW2t);
  EXPECT_EQ(BoxesWith("switching on times from w^2t option"), 1);
  ResetModelFlags(window);
  ResetModelFlags(window);
  EXPECT_FALSE(ScanDataSet.TimesFromW2t);
  EXPECT_EQ(BoxesWith("switching off times from w^2t option"), 1);
}

class SetContinuousModelTest : public ModelCommandsTest {};

TEST_F(SetContinuousModelTest, FreshSwitchTurnsSLimitsIntoMolarMasses) {
  const struct {
    float smin, smax, expectedMin, expectedMax;
  } cases[] = {
      {2.0f, 20.0f, CalculateM(2.0f), CalculateM(20.0f)},
      {1000.0f, 500000.0f, 1000.0f, 500000.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.smin);
    ResetModelCommandRecords();
    DistributionSettings.Smin = c.smin;
    DistributionSettings.Smax = c.smax;
    ASSERT_TRUE(SetContinuousModel(window, K::ContinuousCM));
    EXPECT_EQ(ModelSelection.Kind, K::ContinuousCM);
    EXPECT_FLOAT_EQ(DistributionSettings.Smin, c.expectedMin);
    EXPECT_FLOAT_EQ(DistributionSettings.Smax, c.expectedMax);
    EXPECT_FLOAT_EQ(ParameterVector[1], c.expectedMin);
    EXPECT_FLOAT_EQ(ParameterVector[5], c.expectedMax);
  }
  // A sphere of 2 S is far heavier than 2 Da: the limits really are masses.
  EXPECT_GT(CalculateM(2.0f), 1000.0f);
}

TEST_F(SetContinuousModelTest, FreshSwitchPresetsTheContinuousLayout) {
  SolventConditions.RELVISCOSITY = 1.5f;
  SolventConditions.BufferDensity = 1.02f;
  ModelSwitchState.ModelPvaluePreset = 0.8f;
  LammSolverSettings.FixedGrid = true;
  LammSolverSettings.MovingFrame = false;
  ModelParameters.InitialConcentrationExperimental = true;
  ASSERT_TRUE(SetContinuousModel(window, K::ContinuousCM));
  EXPECT_FLOAT_EQ(ParameterVector[2], 0.8f);
  EXPECT_FLOAT_EQ(ParameterVector[7], 1.02f);
  EXPECT_FLOAT_EQ(ParameterVector[12], 1.5f * 0.01002f);
  EXPECT_FLOAT_EQ(SolventConditions.RELVISCOSITY, 1.5f);  // the round trip keeps it
  EXPECT_EQ(LammSolverSettings.LammGridSize, 500);
  EXPECT_TRUE(LammSolverSettings.MovingFrame);
  EXPECT_FALSE(LammSolverSettings.FixedGrid);
  EXPECT_TRUE(LammSolverSettings.AutomaticAlgorithm);
  EXPECT_TRUE(ModelParameters.InitialConcentrationConstant);
  EXPECT_FALSE(ModelParameters.InitialConcentrationExperimental);
  EXPECT_EQ(CheckedModelItems(), std::vector<int>{235});
}

TEST_F(SetContinuousModelTest, FromContinuousCSKeepsTheLimitsAndRebuildsThePlot) {
  CmContinuousCSDistribution(window);
  EXPECT_FLOAT_EQ(DistributionSettings.Smin, 0.0f);
  EXPECT_FLOAT_EQ(DistributionSettings.Smax, 15.0f);
  int plotRebuilds = 0;
  ModelCommandLinks.InitDistributionPlot = [&](bool) { ++plotRebuilds; };
  CmContinuousCMDistribution(window);
  EXPECT_EQ(ModelSelection.Kind, K::ContinuousCM);
  EXPECT_FLOAT_EQ(DistributionSettings.Smin, 0.0f);
  EXPECT_FLOAT_EQ(DistributionSettings.Smax, 15.0f);
  EXPECT_EQ(plotRebuilds, 1);
  EXPECT_EQ(CheckedModelItems(), std::vector<int>{235});
}

TEST_F(SetContinuousModelTest, LeavesTheElectrophoresisGeometry) {
  ScanReaderOptions.ElectrophoresisDataMode = true;
  CmElectrophoresisCVDistributionWithConstantD(window);
  EXPECT_EQ(CurrentGeometry(), G::LinearForceElectrophoresis);
  ASSERT_TRUE(SetContinuousModel(window, K::ContinuousCM));
  EXPECT_EQ(ModelSelection.Kind, K::ContinuousCM);
  EXPECT_EQ(CurrentGeometry(), G::SectorCell);
}

TEST_F(SetContinuousModelTest, RefusesDlsDataExceptForTheDlsKinds) {
  DlsDataMode = true;
  EXPECT_FALSE(SetContinuousModel(window, K::ContinuousCM));
  EXPECT_EQ(ModelSelection.Kind, K::NonInteractingSpecies);
  EXPECT_EQ(LogLinesWith("box [ERROR] (none) this model is not implemented for DLS data").size(),
            1u);
  EXPECT_TRUE(SetContinuousModel(window, K::DlsIRh));
}

TEST_F(SetContinuousModelTest, SecondDerivativeGivesWayToMaximumEntropyWithANote) {
  const char* note = "Please Note: Switching now to Maximum Entropy Regularization";
  const struct {
    const char* what;
    bool suppressNotes;
    bool keep;
    int notes;
    bool maxEnt;
  } cases[] = {
      {"interactive", false, false, 1, true},
      {"batch or set-up", true, false, 0, true},
      {"kept", false, true, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    backend().ClearLog();
    SelectModelKind(K::NonInteractingSpecies);
    SelectSecondDerivative();
    ModelSwitchState.SuppressModelNotes = c.suppressNotes;
    ModelSwitchState.KeepRegularizationOnSwitch = c.keep;
    ASSERT_TRUE(SetContinuousModel(window, K::ContinuousCS));
    EXPECT_EQ(BoxesWith(note), c.notes);
    EXPECT_EQ(DistributionSettings.RegularizationType.MaxEntRegularizationOn, c.maxEnt);
    EXPECT_EQ(window.Menu().IsChecked(295), c.maxEnt);
    EXPECT_EQ(window.Menu().IsChecked(294), !c.maxEnt);
  }
}

TEST_F(SetContinuousModelTest, ThePlainCMTargetKeepsTheSecondDerivative) {
  SelectSecondDerivative();
  ModelSwitchState.SuppressModelNotes = false;
  ASSERT_TRUE(SetContinuousModel(window, K::ContinuousCM));
  EXPECT_TRUE(DistributionSettings.RegularizationType.SecondDerivativeRegularization);
}

TEST_F(SetContinuousModelTest, ClearsTheSubKindOfTheContinuousModelBefore) {
  const struct {
    void (*command)(TXLAWindow&);
    bool rebuildsPlot;
  } cases[] = {{CmContinuousCSFf0, true},
               {CmContinuousCSWithFlotation, false},
               {CmCMWithInvariantD, false},
               {CmContinuousCSWithInvariantD, true}};
  int plotRebuilds = 0;
  for (const auto& c : cases) {
    ResetModelCommandRecords();
    c.command(window);
    const ModelKind subKind = ModelSelection.Kind;
    SCOPED_TRACE(CommandIdOf(subKind));
    DistributionSettings.GridFromFile = true;
    DistributionSettings.LogarithmicGrid = true;
    ModelParameters.MassOrDFitted[3] = ModelParameters.MassOrDFitted[4] = 1;
    ModelCommandState.ContinuousDistributionOption = true;
    plotRebuilds = 0;
    ModelCommandLinks.InitDistributionPlot = [&](bool) { ++plotRebuilds; };
    ASSERT_TRUE(SetContinuousModel(window, K::ContinuousCM));
    EXPECT_EQ(ModelSelection.Kind, K::ContinuousCM);
    EXPECT_FALSE(DistributionSettings.GridFromFile);
    EXPECT_FALSE(DistributionSettings.LogarithmicGrid);
    EXPECT_EQ(ModelParameters.MassOrDFitted[3], 0);
    EXPECT_EQ(ModelParameters.MassOrDFitted[4], 0);
    EXPECT_FALSE(ModelCommandState.ContinuousDistributionOption);
    EXPECT_EQ(plotRebuilds, c.rebuildsPlot ? 1 : 0);
    EXPECT_EQ(CheckedModelItems(), std::vector<int>{235});
  }
}

TEST_F(SetContinuousModelTest, OneDiscreteComponentFollowsFitMAndSAtSelection) {
  ModelPresets.DiscreteMass = 20000.0f;
  ModelPresets.DiscreteD = 6.0f;
  ModelPresets.DiscreteS = 2.5f;
  for (const bool byMass : {true, false}) {
    SCOPED_TRACE(byMass);
    SelectModelKind(K::NonInteractingSpecies);
    FitControl.MassInsteadOfD = byMass;
    CmContinuousCSWith1DiscreteComponent(window);
    EXPECT_EQ(ModelSelection.OneDiscreteByMass, byMass);
    EXPECT_FLOAT_EQ(ModelParameters.Concentration[2], byMass ? 20000.0f : 6.0f);  // slot 10
    EXPECT_FLOAT_EQ(ModelParameters.SedCoefficient[2], 2.5f);                     // slot 6
  }
}
