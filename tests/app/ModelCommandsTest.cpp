// The model commands of the kinds that are not continuous: refusals of
// unsuitable data, the guard against choosing a kind again, their
// questions, and the parameter presets that the commands fix.

#include <cmath>

#include "app/ModelCommandsFixture.h"
#include "app/models/ContinuousModelCommands.h"
#include "app/models/ModelCommands.h"
#include "models/ParameterPacking.h"
#include "numerics/Hydrodynamics.h"

namespace {

using K = ModelKind;

// The data a refusal needs, set up before the command.
enum class Data { Dls, Equilibrium, NoElectrophoresis, BufferMismatch, FineRadialGrid };

}  // namespace

TEST_F(ModelCommandsTest, UnsuitableDataAreRefusedBeforeAnyChange) {
  const struct {
    void (*command)(TXLAWindow&);
    Data data;
    const char* box;
  } cases[] = {
      {CmLinearLammEquation, Data::Dls,
       "box [ERROR] (none) this model is not implemented for DLS data"},
      {CmReactingABC, Data::Dls, "box [ERROR] (none) this model is not implemented for DLS data"},
      {CmVanHoldeWeischetTransform, Data::Dls,
       "box [ERROR] (none) this model is not implemented for DLS data"},
      {CmContinuousCSDistribution, Data::Dls,
       "box [ERROR] (none) this model is not implemented for DLS data"},
      {CmAnalyticalZoneCentrifugationLsGS, Data::Dls,
       "box [ERROR] (none) this model is not implemented for DLS data"},
      {CmSingleSpecies, Data::Equilibrium,
       "box [ERROR] (none) this model is not implemented for equilibrium data"},
      {CmMultipleSpecies, Data::Equilibrium,
       "box [ERROR] (none) this model is not implemented for equilibrium data"},
      {CmCumulantAnalysis, Data::Equilibrium, "box [ERROR] (none) need DLS data for this analysis"},
      {CmDLSContinuousIDDistribution, Data::Equilibrium,
       "box [ERROR] (none) need DLS data for this analysis"},
      {CmElectrophoresisCVDistributionWithConstantD, Data::NoElectrophoresis,
       "box [] (none) need electrophoresis data for this model"},
      {CmContinuousCSFf0, Data::BufferMismatch,
       "box [ERROR] (none) this model does not work in buffer mismatch mode"},
      {CmContinuousCSFf0With1DiscreteComponent, Data::FineRadialGrid,
       "box [ATTENTION] (none) radial pre-averaging of data points is recommended (at "
       "0.003)!)\n(Loading Options->Set Radial Resolution)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.box);
    ResetModelCommandRecords();
    backend().ClearLog();
    DlsDataMode = c.data == Data::Dls;
    ScanDataSet.EquilibriumDataMode = c.data == Data::Equilibrium;
    CorrectionOptions.BufferMismatch.On = c.data == Data::BufferMismatch;
    if (c.data == Data::FineRadialGrid) ScanDataSet.RadialResolution = 0.001f;
    const float smin = DistributionSettings.Smin;
    c.command(window);
    EXPECT_EQ(ModelSelection.Kind, K::NonInteractingSpecies);
    EXPECT_FLOAT_EQ(DistributionSettings.Smin, smin);
    EXPECT_EQ(CheckedModelItems(), std::vector<int>{198});
    const auto log = backend().Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], std::string(c.box) + " -> OK");
  }
}

TEST_F(ModelCommandsTest, ChoosingTheCurrentKindAgainChangesNothing) {
  for (void (*command)(TXLAWindow&) :
       {CmNonInteractingDiscreteSpecies, CmContinuousCSWith1DiscreteComponent}) {
    command(window);
    ModelParameters.Concentration[1] = 0.7f;
    ModelParameters.ConcentrationFitted[1] = 1;
    LammSolverSettings.MovingFrame = false;
    const ModelKind kind = ModelSelection.Kind;
    const std::vector<int> checked = CheckedModelItems();
    backend().ClearLog();
    command(window);
    EXPECT_EQ(ModelSelection.Kind, kind);
    EXPECT_FLOAT_EQ(ModelParameters.Concentration[1], 0.7f);
    EXPECT_EQ(ModelParameters.ConcentrationFitted[1], 1);
    EXPECT_FALSE(LammSolverSettings.MovingFrame);
    EXPECT_EQ(CheckedModelItems(), checked);
    EXPECT_TRUE(backend().Log().empty());
  }
}

TEST_F(ModelCommandsTest, DiscreteSpeciesStartEmptyOnTheirGrid) {
  CmContinuousCSDistribution(window);
  ModelParameters.ComponentOn[2] = 1;
  CmNonInteractingDiscreteSpecies(window);
  for (int k = 1; k <= NCOMP; ++k) {
    EXPECT_EQ(ModelParameters.ComponentOn[k], 0);
    EXPECT_FLOAT_EQ(ModelParameters.Concentration[k], 0.0f);
  }
  for (int slot = 1; slot <= ParameterCount; ++slot) EXPECT_EQ(ParameterFitted[slot], 0);
  EXPECT_TRUE(LammSolverSettings.AutomaticAlgorithm);
}

TEST_F(ModelCommandsTest, StokesRadiiBecomeDiffusionCoefficientsForSedimentation) {
  DlsDataMode = true;
  CmDiscreteStokesRadii(window);
  ASSERT_EQ(ModelSelection.Kind, K::DiscreteStokesRadii);
  ModelParameters.MassOrD[1] = 3.0f;  // nm
  ModelParameters.MassOrD[2] = 0.0f;
  ModelParameters.ComponentOn[1] = ModelParameters.ComponentOn[2] = 1;
  const float celsius = SolventConditions.BufferTemperature - 273.15f;
  // Stokes-Einstein: D r is the same for every radius.
  const float dTimesR = DFromStokesRadius(1e-9f, celsius) * 1e-9f;
  CmNonInteractingDiscreteSpecies(window);
  EXPECT_NEAR(ModelParameters.MassOrD[1] * 1e-7f * 3e-9f, dTimesR, 1e-6f * dTimesR);
  EXPECT_EQ(ModelParameters.ComponentOn[1], 0);  // all off once the new kind is set
}

TEST_F(ModelCommandsTest, DiscreteStokesRadiiAsksTheViscosityFirst) {
  DlsDataMode = true;
  backend().ScriptEntry("0.02");
  CmDiscreteStokesRadii(window);
  EXPECT_NEAR(SolventConditions.RELVISCOSITY, 0.1f * 0.02f / 0.001002f, 1e-5f);
  EXPECT_EQ(ModelSelection.Kind, K::DiscreteStokesRadii);
  EXPECT_TRUE(window.Menu().IsChecked(536));
  EXPECT_FALSE(window.Menu().IsChecked(198));

  // Chosen again: the question comes; a cancel changes nothing at all.
  backend().ClearLog();
  backend().ScriptEntry(std::nullopt);
  ModelParameters.ComponentOn[1] = 1;
  CmDiscreteStokesRadii(window);
  EXPECT_EQ(LogLinesWith("entry [DISCRETE STOKES RADII] absolute viscosity").size(), 1u);
  EXPECT_NEAR(SolventConditions.RELVISCOSITY, 0.1f * 0.02f / 0.001002f, 1e-5f);
  EXPECT_EQ(ModelParameters.ComponentOn[1], 1);
}

TEST_F(ModelCommandsTest, ExternalLoadingCellAsksTheOilVolume) {
  backend().ScriptEntry("0.03");
  CmExternalLoadingCell(window);
  EXPECT_EQ(ModelSelection.Kind, K::ExternalLoadingCellSpecies);
  EXPECT_FLOAT_EQ(ModelPresets.ExternalLoadingOilVolume, 0.03f);
  EXPECT_TRUE(LammSolverSettings.FixedGrid);
  EXPECT_FALSE(LammSolverSettings.MovingFrame);

  // Chosen again: only the question; a cancel sets the volume to 0.
  ModelParameters.Concentration[1] = 0.4f;
  backend().ClearLog();
  backend().ScriptEntry(std::nullopt);
  CmExternalLoadingCell(window);
  EXPECT_FLOAT_EQ(ModelPresets.ExternalLoadingOilVolume, 0.0f);
  EXPECT_FLOAT_EQ(ModelParameters.Concentration[1], 0.4f);
  EXPECT_EQ(backend().Log().size(), 1u);
}

TEST_F(ModelCommandsTest, ElectrophoresisPutsTheBottomAColumnLengthBehindTheMeniscus) {
  ModelParameters.Meniscus = 6.0f;
  ModelParameters.ElectrophoresisColumnLength = 0.4f;
  PackParameterVector();
  CmElectrophoresisLammEquationForDiscreteSpecies(window);
  EXPECT_FLOAT_EQ(ModelParameters.Bottom, 6.4f);
  EXPECT_FLOAT_EQ(ParameterVector[BottomSlot], 6.4f);
  EXPECT_FALSE(FitControl.MassInsteadOfD);
  EXPECT_FALSE(window.Menu().IsChecked(217));
}

TEST_F(ModelCommandsTest, SelfAssociationModelsTakeTheOligomerPresets) {
  const struct {
    void (*command)(TXLAWindow&);
    float second, third;
  } cases[] = {{CmSelfAssociation148, 4.0f, 8.0f}, {CmSelfAssociation124, 2.0f, 4.0f}};
  for (const auto& c : cases) {
    ResetModelCommandRecords();
    FitControl.MassInsteadOfD = false;
    ModelPresets.MonomerMass = 10000.0f;
    c.command(window);
    EXPECT_FLOAT_EQ(ParameterVector[1], 10000.0f);
    EXPECT_FLOAT_EQ(ParameterVector[2], c.second * 10000.0f);
    EXPECT_FLOAT_EQ(ParameterVector[12], c.third * 10000.0f);
    EXPECT_FLOAT_EQ(ParameterVector[3], 3.155f);
    EXPECT_FLOAT_EQ(ParameterVector[11], 0.5f);
    EXPECT_EQ(ParameterFitted[11], 1);
    EXPECT_EQ(ParameterFitted[2], 0);
    EXPECT_TRUE(FitControl.MassInsteadOfD);
    EXPECT_TRUE(LammSolverSettings.FixedGrid);
    EXPECT_FALSE(LammSolverSettings.MovingFrame);
  }
}

// The complex of A + B <-> AB at equilibrium obeys the mass action law
// K = c / ((a - c)(b - c)) with 0 <= c <= min(a, b).
TEST(ComplexConcentrationTest, ObeysTheMassActionLaw) {
  const struct {
    double a, b, K;
  } cases[] = {{0.5, 0.5, 1.0}, {1e-6, 2e-6, 1e6}, {3.0, 0.1, 1e-3}, {1e-5, 1e-5, 1e14}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.K);
    const double x = ComplexConcentration(c.a, c.b, c.K);
    ASSERT_GT(x, 0.0);
    ASSERT_LT(x, std::min(c.a, c.b));
    // Strong binding binds nearly all of the scarcer partner; the free
    // amounts then carry the law.
    const double freeA = c.a - x, freeB = c.b - x;
    EXPECT_NEAR(x / (freeA * freeB) / c.K, 1.0, 1e-6);
  }
  EXPECT_EQ(ComplexConcentration(0.0, 1.0, 1.0), 0.0);
  EXPECT_EQ(ComplexConcentration(1.0, 1.0, 0.0), 0.0);
}

TEST_F(ModelCommandsTest, ReactingSystemsStartFromTheMassActionLaw) {
  ModelPresets.LogK = 1.0f;
  ModelPresets.LoadingA = 0.6f;
  ModelPresets.SignalCoefficientA = 2.0f;
  ModelPresets.LoadingB = 0.4f;
  ModelPresets.SignalCoefficientB = 0.5f;
  ModelPresets.MassA = 30000.0f;
  ModelPresets.MassB = 50000.0f;
  const float expected = static_cast<float>(ComplexConcentration(0.3, 0.8, 10.0));
  for (void (*command)(TXLAWindow&) : {CmReactingABC, CmBuoyantMassReactingAB}) {
    command(window);
    EXPECT_FLOAT_EQ(ParameterVector[11], expected);
    EXPECT_FLOAT_EQ(ParameterVector[3], 80000.0f);
    EXPECT_FLOAT_EQ(ParameterVector[8], 1.0f);
    EXPECT_FLOAT_EQ(ModelPresets.SignalCoefficientAB, 2.5f);
  }
  EXPECT_FLOAT_EQ(ParameterVector[5], 1.0f);  // the equilibrium has no s
  EXPECT_TRUE(FitControl.TINoiseFitted);
  EXPECT_EQ(LogLinesWith("please load equilibrium data").size(), 1u);
}

// The stored coefficients survive the switch from fitting M and s (on at
// start), which re-reads the slots under the new kind.
TEST_F(ModelCommandsTest, NonidealSpeciesTakeTheNonidealityCoefficients) {
  SpeciesEngineParameters.LogKs = -3.0f;
  SpeciesEngineParameters.LogKd = -2.5f;
  ModelParameters.SedCoefficient[1] = 4.5f;
  PackParameterVector();
  ASSERT_TRUE(FitControl.MassInsteadOfD);
  CmSingleSpecies(window);
  EXPECT_FALSE(FitControl.MassInsteadOfD);
  EXPECT_FLOAT_EQ(ParameterVector[10], -3.0f);
  EXPECT_FLOAT_EQ(ParameterVector[11], -2.5f);
  EXPECT_FLOAT_EQ(ModelPresets.NonidealReferenceS, 4.5f);
  CmHinderedSingleSpecies(window);
  EXPECT_EQ(ModelSelection.Kind, K::HinderedSingleSpecies);
  EXPECT_EQ(CheckedModelItems(), std::vector<int>{1099});
}

// The multiple-species model: linear ks and kd with their own signs, and
// the overlay and species 2 and 3 (slots 25-34) as the user left them, fit
// flags included, while every other fit flag is cleared.
TEST_F(ModelCommandsTest, MultipleSpeciesTakeTheirStoredSlotsAndOptions) {
  SpeciesEngineParameters.TabulatedSD = true;
  SpeciesEngineParameters.CsClModel = true;
  SpeciesEngineParameters.Repulsive = false;
  SpeciesEngineParameters.LogKs = -3.0f;
  ModelParameters.SedCoefficient[1] = 4.5f;
  ModelParameters.SedCoefficientFitted[1] = 1;
  ModelParameters.NonidealMultiSetting[3] = {1, 0.25f};  // loading weight of species 2
  ModelParameters.NonidealMultiSetting[4] = {1, 7.5f};   // its s
  PackParameterVector();
  CmMultipleSpecies(window);
  ASSERT_EQ(ModelSelection.Kind, K::NonidealMultipleSpecies);
  EXPECT_FALSE(SpeciesEngineParameters.TabulatedSD);
  EXPECT_FALSE(SpeciesEngineParameters.CsClModel);
  EXPECT_TRUE(SpeciesEngineParameters.Repulsive);
  EXPECT_FLOAT_EQ(ParameterVector[10], -3.0f);
  EXPECT_FLOAT_EQ(ParameterVector[25], 6.5f);  // the overlay's initial position
  EXPECT_FLOAT_EQ(ParameterVector[27], 0.25f);
  EXPECT_FLOAT_EQ(ParameterVector[28], 7.5f);
  EXPECT_FLOAT_EQ(ParameterVector[29], 1.0f);
  for (int slot = 1; slot <= ParameterCount; ++slot)
    EXPECT_EQ(ParameterFitted[slot], slot == 27 || slot == 28 ? 1 : 0) << slot;
  EXPECT_FALSE(FitControl.MassInsteadOfD);
}

// After c(s) the species slots hold its grid and solvent (s-min 0.5 as a
// mass, s-max 15 as an s, vbar and density as species 3): a discrete model
// chosen next starts from the species of the last discrete model, or, with
// none yet, from those of a fresh start; the same for the fixed-grid
// geometries that share the species layout.
TEST_F(ModelCommandsTest, DiscreteSpeciesAfterCsStartFromTheLastDiscreteSpecies) {
  struct Case {
    void (*command)(TXLAWindow&);
    ModelKind kind;
  } cases[] = {{CmNonInteractingDiscreteSpecies, K::NonInteractingSpecies},
               {CmLinearLammEquation, K::LinearLammSpecies}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    ResetModelCommandRecords();
    ModelPresets = ModelPresetsRecord{};
    FitControl.MassInsteadOfD = true;
    CmContinuousCSDistribution(window);
    ASSERT_TRUE(IsContinuousModel(ModelSelection.Kind));
    ModelPresets.DiscreteSpeciesKept = false;  // as at a fresh start
    c.command(window);
    ASSERT_EQ(ModelSelection.Kind, c.kind);
    EXPECT_FLOAT_EQ(ParameterVector[1], 50000.0f);
    EXPECT_FLOAT_EQ(ParameterVector[5], 4.0f);
    for (int slot : {2, 3, 4, 6, 7, 8}) EXPECT_FLOAT_EQ(ParameterVector[slot], 0.0f) << slot;

    const float mass[] = {0, 66000.0f, 132000.0f, 0.0f, 0.0f};
    const float sed[] = {0, 4.4f, 6.6f, 0.0f, 0.0f};
    for (int k = 1; k <= 4; ++k) {
      SetSlot(k, mass[k]);
      SetSlot(4 + k, sed[k]);
    }
    SyncParameterVector();
    CmContinuousCSDistribution(window);
    EXPECT_FLOAT_EQ(ParameterVector[3], SolventConditions.VBAR);  // c(s) took the slots
    c.command(window);
    for (int k = 1; k <= 4; ++k) {
      EXPECT_FLOAT_EQ(ParameterVector[k], mass[k]) << k;
      EXPECT_FLOAT_EQ(ParameterVector[4 + k], sed[k]) << k;
    }
  }
}

// After c(s) the slots of component 1 hold the grid (s-min, s-max,
// resolution); the non-ideal species must not start from them (as a "mass"
// turned into D, s-min became a D of 812466) but from the species the user
// last had, or the program's initial one.
TEST_F(ModelCommandsTest, NonidealSpeciesAfterCsStartFromASpeciesNotTheGrid) {
  struct Case {
    void (*command)(TXLAWindow&);
    ModelKind kind;
  } cases[] = {{CmMultipleSpecies, K::NonidealMultipleSpecies},
               {CmSingleSpecies, K::NonidealSingleSpecies},
               {CmHinderedSingleSpecies, K::HinderedSingleSpecies}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind));
    ResetModelCommandRecords();
    ModelPresets = ModelPresetsRecord{};
    CmContinuousCSDistribution(window);
    ASSERT_TRUE(IsContinuousModel(ModelSelection.Kind));
    c.command(window);
    ASSERT_EQ(ModelSelection.Kind, c.kind);
    EXPECT_FLOAT_EQ(ParameterVector[1], 5.0f);
    EXPECT_FLOAT_EQ(ParameterVector[5], 4.0f);
    EXPECT_FLOAT_EQ(ParameterVector[9], 0.5f);

    // A species of a discrete model is taken over as it stands and becomes
    // the one that a later switch from c(s) starts from.
    CmNonInteractingDiscreteSpecies(window);
    SetSlot(1, 3.0f);
    SetSlot(5, 6.5f);
    SetSlot(9, 0.8f);
    SyncParameterVector();
    c.command(window);
    EXPECT_FLOAT_EQ(ParameterVector[1], 3.0f);
    EXPECT_FLOAT_EQ(ParameterVector[5], 6.5f);
    EXPECT_FLOAT_EQ(ParameterVector[9], 0.8f);
    CmContinuousCSDistribution(window);
    c.command(window);
    EXPECT_FLOAT_EQ(ParameterVector[1], 3.0f);
    EXPECT_FLOAT_EQ(ParameterVector[5], 6.5f);
  }
}

TEST_F(ModelCommandsTest, VanHoldeWeischetCancelledAtTheResolutionKeepsTheKindUnchecked) {
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);  // flotation
  backend().ScriptEntry(std::nullopt);
  CmVanHoldeWeischetTransform(window);
  EXPECT_EQ(ModelSelection.Kind, K::VanHoldeWeischet);
  EXPECT_TRUE(ModelSelection.VanHoldeWeischetFlotation);
  EXPECT_TRUE(CheckedModelItems().empty());

  // Again: the direction and resolution questions only; a new resolution
  // releases the old extrapolation.
  int freed = 0;
  ModelCommandLinks.ExtrapolationDataExist = [] { return true; };
  ModelCommandLinks.FreeExtrapolationData = [&] { ++freed; };
  backend().ScriptEntry("80");
  CmVanHoldeWeischetTransform(window);
  EXPECT_FLOAT_EQ(DistributionSettings.Resolution, 80.0f);
  EXPECT_EQ(freed, 1);
}

TEST_F(ModelCommandsTest, ExtrapolationOfLsgWarnsAndPresets) {
  DistributionSettings.RegularizationType.BothRegularizations = true;
  backend().ScriptBoxAnswer(platform::BoxAnswer::Ok);
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  CmExtrapolateLsGSAreaFractions(window);
  EXPECT_EQ(ModelSelection.Kind, K::ExtrapolateLsGStar);
  EXPECT_EQ(
      LogLinesWith("box [ATTENTION] (error) Please Note: This model has not been fully").size(),
      1u);
  EXPECT_FLOAT_EQ(DistributionSettings.Smin, 1.0f);
  EXPECT_FLOAT_EQ(DistributionSettings.Smax, 10.0f);
  EXPECT_FLOAT_EQ(DistributionSettings.Resolution, 50.0f);
  EXPECT_FLOAT_EQ(ParameterVector[2], 0.68f);
  EXPECT_FLOAT_EQ(DistributionSettings.RegularizationPvalue, 0.9f);
  EXPECT_FALSE(DistributionSettings.RegularizationType.BothRegularizations);
  EXPECT_TRUE(DistributionSettings.RegularizationType.MaxEntRegularizationOn);
  EXPECT_TRUE(ModelCommandState.ShowExtrapolationPlot);
  EXPECT_EQ(CheckedModelItems(), std::vector<int>{293});
}

TEST_F(ModelCommandsTest, ZoneSpeciesFitTheLoadingLamella) {
  ModelPresets.ZoneLoading = 0.05f;
  CmAnalyticalZoneCentrifugationIndepSpecies(window);
  EXPECT_FLOAT_EQ(ModelParameters.LamellaWidth, 0.05f);
  EXPECT_EQ(ModelParameters.LamellaWidthFitted, 1);
  EXPECT_TRUE(LammSolverSettings.MovingFrame);
  EXPECT_FALSE(LammSolverSettings.AutomaticAlgorithm);
  EXPECT_TRUE(IsZoneModel(ModelSelection.Kind));
}
