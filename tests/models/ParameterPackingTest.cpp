// The parameter vector: the slot layout in both directions with every fit
// flag, the values each model derives, the distribution settings of the
// continuous models, and the fit-mode flags.

#include <string>
#include <tuple>
#include <vector>

#include "ModelsTestSupport.h"
#include "data/DlsLoading.h"
#include "state/DistributionSettingsRecords.h"
#include "models/ParameterPacking.h"
#include "state/ParameterVector.h"
#include "state/SpeciesEngineParameters.h"

namespace {

class ParameterPackingTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    Reset();
  }
  void TearDown() override {
    Reset();
    ModelsTest::TearDown();
  }
  static void Reset() {
    ParameterVector.fill(0.0f);
    ParameterFitted.fill(0);
    DistributionSettings = DistributionSettingsRecord{};
    SpeciesEngineParameters = SpeciesEngineParametersRecord{};
    InhomogeneousSolventOn = false;
    TakeLogSpacingFromSettings = false;
    DlsRecords = OneBasedArray<DlsRecord>();
  }
  static float& V(int slot) { return ParameterVector[static_cast<std::size_t>(slot)]; }
  static int& F(int slot) { return ParameterFitted[static_cast<std::size_t>(slot)]; }
};

// Where each slot's value and flag live, written out slot by slot as the
// layout defines them.
struct SlotField {
  int slot;
  float* value;
  int* flag;  // null: the flag is checked separately
};

std::vector<SlotField> LayoutOf(ModelParametersRecord& p) {
  return {
      {1, &p.MassOrD[1], &p.MassOrDFitted[1]},
      {2, &p.MassOrD[2], &p.MassOrDFitted[2]},
      {3, &p.MassOrD[3], &p.MassOrDFitted[3]},
      {4, &p.MassOrD[4], &p.MassOrDFitted[4]},
      {5, &p.SedCoefficient[1], &p.SedCoefficientFitted[1]},
      {6, &p.SedCoefficient[2], &p.SedCoefficientFitted[2]},
      {7, &p.SedCoefficient[3], &p.SedCoefficientFitted[3]},
      {8, &p.SedCoefficient[4], &p.SedCoefficientFitted[4]},
      {9, &p.Concentration[1], &p.ConcentrationFitted[1]},
      {10, &p.Concentration[2], &p.ConcentrationFitted[2]},
      {11, &p.Concentration[3], &p.ConcentrationFitted[3]},
      {12, &p.Concentration[4], &p.ConcentrationFitted[4]},
      {13, &p.Meniscus, &p.MeniscusFitted},
      {14, &p.Bottom, &p.BottomFitted},
      {15, &p.Baseline, &p.BaselineFitted},
      {16, &p.ExtraParameter[1], &p.ExtraParameterFitted[1]},
      {17, &p.ExtraParameter[2], &p.ExtraParameterFitted[2]},
      {18, &p.ExtraParameter[3], &p.ExtraParameterFitted[3]},
      {19, &p.ExtraParameter[4], &p.ExtraParameterFitted[4]},
      {20, &p.SpareParameter[1], &p.SpareParameterFitted[1]},
      {21, &p.SpareParameter[2], &p.SpareParameterFitted[2]},
      {22, &p.SpareParameter[3], &p.SpareParameterFitted[3]},
      {23, &p.LamellaWidth, &p.LamellaWidthFitted},
      {24, &p.TimeOffset, nullptr},
      {25, &p.NonidealMultiSetting[1].Value, nullptr},
      {26, &p.NonidealMultiSetting[2].Value, nullptr},
      {27, &p.NonidealMultiSetting[3].Value, nullptr},
      {28, &p.NonidealMultiSetting[4].Value, nullptr},
      {29, &p.NonidealMultiSetting[5].Value, nullptr},
      {30, &p.NonidealMultiSetting[6].Value, nullptr},
      {31, &p.NonidealMultiSetting[7].Value, nullptr},
      {32, &p.NonidealMultiSetting[8].Value, nullptr},
      {33, &p.NonidealMultiSetting[9].Value, nullptr},
      {34, &p.NonidealMultiSetting[10].Value, nullptr},
  };
}

// All 34 slots of a zone model (the only layout that uses slot 23) travel
// both ways with their flags; the settings of slots 25, 26, 27, 30, 31 and 34
// come back clamped to zero, the others keep their sign.
TEST_F(ParameterPackingTest, AllSlotsRoundTripWithTheirFlags) {
  ModelSelection.Kind = ModelKind::ZoneIndependentSpecies;
  ModelParametersRecord& p = ModelParameters;
  std::vector<SlotField> layout = LayoutOf(p);
  for (SlotField& f : layout) {
    *f.value = 100.0f + 1.5f * static_cast<float>(f.slot);
    if (f.flag) *f.flag = f.slot % 3 == 0 ? 1 : 0;
  }
  for (int j : {1, 3, 4, 6, 9})
    p.NonidealMultiSetting[static_cast<std::size_t>(j)].Value = -2.0f * j;
  for (int j = 1; j <= 10; ++j)
    p.NonidealMultiSetting[static_cast<std::size_t>(j)].Flag = j % 2 ? 7 : 0;
  p.TimeOffsetFitted = true;
  const ModelParametersRecord original = p;

  PackParameterVector();
  for (const SlotField& f : layout) {
    EXPECT_EQ(V(f.slot), *f.value) << "slot " << f.slot;
    if (f.flag) {
      EXPECT_EQ(F(f.slot), *f.flag) << "slot " << f.slot;
    }
  }
  EXPECT_EQ(F(24), 1);
  for (int j = 1; j <= 10; ++j) EXPECT_EQ(F(24 + j), j % 2 ? 1 : 0) << "slot " << 24 + j;

  // Unpack into a record that holds something else everywhere.
  for (SlotField& f : layout) {
    *f.value = -999.0f;
    if (f.flag) *f.flag = 5;
  }
  p.TimeOffsetFitted = false;
  UnpackParameterVector();
  ModelParametersRecord copy = original;
  const std::vector<SlotField> before = LayoutOf(copy);
  for (std::size_t i = 0; i < layout.size(); ++i) {
    const int slot = layout[i].slot;
    const bool clamped =
        slot == 25 || slot == 26 || slot == 27 || slot == 30 || slot == 31 || slot == 34;
    const float want = clamped && *before[i].value < 0.0f ? 0.0f : *before[i].value;
    EXPECT_EQ(*layout[i].value, want) << "slot " << slot;
    if (layout[i].flag) {
      EXPECT_EQ(*layout[i].flag, *before[i].flag) << "slot " << slot;
    }
  }
  EXPECT_EQ(p.NonidealMultiSetting[4].Value, -8.0f);  // slot 28 keeps its sign
  EXPECT_EQ(p.NonidealMultiSetting[9].Value, -18.0f);
  // The flags of slots 24-34 travel into the vector only.
  EXPECT_FALSE(p.TimeOffsetFitted);
  EXPECT_EQ(p.NonidealMultiSetting[1].Flag, 7);
}

TEST_F(ParameterPackingTest, SlotTwentyThreeOnlyForZoneModels) {
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  ModelParameters.LamellaWidth = 0.3f;
  V(23) = 7.0f;
  PackParameterVector();
  EXPECT_EQ(V(23), 7.0f);
  UnpackParameterVector();
  EXPECT_EQ(ModelParameters.LamellaWidth, 0.3f);
  for (ModelKind zone : {ModelKind::ZoneCS, ModelKind::ZoneLsGStar}) {
    ModelSelection.Kind = zone;
    PackParameterVector();
    EXPECT_EQ(V(23), 0.3f);
  }
}

TEST_F(ParameterPackingTest, ClearFitFlagsKeepsTheValues) {
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  AllocParameterVector();
  ModelParameters.MeniscusFitted = ModelParameters.BottomFitted = 1;
  ModelParameters.Meniscus = 5.95f;
  ClearFitFlags();
  for (int slot = 1; slot <= ParameterCount; ++slot) EXPECT_EQ(F(slot), 0) << "slot " << slot;
  EXPECT_EQ(ModelParameters.MassOrDFitted[1], 0);
  EXPECT_EQ(ModelParameters.MeniscusFitted, 0);
  EXPECT_EQ(ModelParameters.Meniscus, 5.95f);
  EXPECT_EQ(ModelParameters.Concentration[1], 0.5f);
}

TEST_F(ParameterPackingTest, InitialParameters) {
  for (bool mass : {true, false}) {
    FitControl.MassInsteadOfD = mass;
    ModelParameters.ComponentOn[3] = 1;
    ModelParameters.ExtraParameter[2] = 9.0f;
    AllocParameterVector();
    EXPECT_EQ(ModelParameters.ComponentOn[1], 1);
    EXPECT_EQ(ModelParameters.ComponentOn[3], 0);
    EXPECT_EQ(ModelParameters.ExtraParameter[2], 0.0f);
    EXPECT_EQ(V(1), mass ? 50000.0f : 5.0f);
    EXPECT_EQ(V(5), 4.0f);
    EXPECT_EQ(V(9), 0.5f);
    EXPECT_EQ(F(1) + F(5) + F(9), 3);
    EXPECT_EQ(F(15), 0);
  }
}

TEST_F(ParameterPackingTest, OligomerDerivedFromTheMonomer) {
  struct Case {
    ModelKind kind;
    bool mass;
    float m1, s1, s2;
    float oligomer;
  };
  const Case cases[] = {
      {ModelKind::MonomerTrimer, false, 6.0f, 3.0f, 6.0f, 4.0f},  // 6 x 6 / (3 x 3)
      {ModelKind::MonomerTrimer, true, 30000.0f, 3.0f, 6.0f, 90000.0f},
      {ModelKind::MonomerDimer, false, 6.0f, 3.0f, 4.5f, 4.5f},  // 6 x 4.5 / (2 x 3)
      {ModelKind::MonomerDimer, true, 30000.0f, 3.0f, 4.5f, 60000.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.kind) * 10 + c.mass);
    ModelSelection.Kind = c.kind;
    FitControl.MassInsteadOfD = c.mass;
    ModelParameters.MassOrD[1] = c.m1;
    ModelParameters.MassOrD[2] = 123.0f;
    ModelParameters.MassOrDFitted[2] = 1;
    ModelParameters.SedCoefficient[1] = c.s1;
    ModelParameters.SedCoefficient[2] = c.s2;
    PackParameterVector();
    EXPECT_EQ(V(2), 123.0f);  // pack leaves slot 2
    EXPECT_EQ(F(2), 0);
    EXPECT_FLOAT_EQ(SpeciesEngineParameters.OligomerMassOrD, c.oligomer);
    UnpackParameterVector();
    EXPECT_FLOAT_EQ(V(2), c.oligomer);
    EXPECT_EQ(ModelParameters.MassOrD[2], 123.0f);
    EXPECT_EQ(SpeciesEngineParameters.s2, c.s2);
    DeriveFitModeFlags();
    EXPECT_FLOAT_EQ(ModelParameters.MassOrD[2], c.oligomer);
  }
}

TEST_F(ParameterPackingTest, HigherAssociationMasses) {
  for (auto [kind, second, third] : {std::tuple{ModelKind::SelfAssociation148, 4.0f, 8.0f},
                                     std::tuple{ModelKind::SelfAssociation124, 2.0f, 4.0f}}) {
    ModelSelection.Kind = kind;
    ModelParameters.MassOrD[1] = 10000.0f;
    ModelParameters.MassOrDFitted[2] = ModelParameters.ConcentrationFitted[4] = 1;
    PackParameterVector();
    EXPECT_EQ(F(2), 0);
    EXPECT_EQ(F(12), 0);
    EXPECT_EQ(SpeciesEngineParameters.OligomerMassOrD, second * 10000.0f);
    EXPECT_EQ(SpeciesEngineParameters.ThirdSpeciesMass, third * 10000.0f);
    DeriveFitModeFlags();
    EXPECT_EQ(ModelParameters.MassOrD[2], second * 10000.0f);
    EXPECT_EQ(ModelParameters.Concentration[4], third * 10000.0f);
  }
}

TEST_F(ParameterPackingTest, ElectrophoresisBottomFollowsTheMeniscus) {
  ModelSelection.Kind = ModelKind::ElectrophoresisSpecies;
  ModelSelection.LammGeometry.LinearForceElectrophoresis = true;
  ModelParameters.Meniscus = 6.0f;
  ModelParameters.Bottom = 7.2f;
  PackParameterVector();
  EXPECT_FLOAT_EQ(ModelParameters.Bottom, 6.4f);
  EXPECT_FLOAT_EQ(V(14), 6.4f);
  V(14) = 9.0f;
  UnpackParameterVector();
  EXPECT_FLOAT_EQ(ModelParameters.Bottom, 6.4f);
  EXPECT_FLOAT_EQ(V(14), 6.4f);
}

TEST_F(ParameterPackingTest, NonidealComponentCarriesItsConstantsAndTheGridFlags) {
  ModelSelection.Kind = ModelKind::NonidealCS;
  SpeciesEngineParameters.LogKs = -2.5f;
  SpeciesEngineParameters.LogKsFitted = 1;
  DistributionSettings.GridFromFile = true;
  PackParameterVector();
  EXPECT_EQ(V(20), -2.5f);
  EXPECT_EQ(F(20), 1);
  EXPECT_EQ(V(21), -8.0f);
  EXPECT_EQ(F(3), 1);
  EXPECT_EQ(F(4), 0);
  V(21) = -3.0f;
  F(3) = 0;  // unpack does not give the grid flags back from the settings
  UnpackParameterVector();
  EXPECT_EQ(SpeciesEngineParameters.LogKd, -3.0f);
  EXPECT_FALSE(DistributionSettings.GridFromFile);
}

// A continuous model: the slots are the distribution settings and the
// solvent.
TEST_F(ParameterPackingTest, ContinuousCSSettings) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  V(1) = 0.5f;       // smin
  V(2) = 0.68f;      // confidence level
  V(3) = 0.72f;      // vbar
  V(4) = 0.25f;      // hydration
  V(5) = 15.0f;      // smax
  V(7) = 1.005f;     // density
  V(9) = 100.7f;     // resolution
  V(11) = 1.35f;     // f/f0
  V(12) = 0.01002f;  // viscosity in poise
  F(11) = 1;
  F(4) = 1;
  UnpackParameterVector();
  const DistributionSettingsRecord& ds = DistributionSettings;
  const SolventConditionsRecord& s = SolventConditions;
  EXPECT_EQ(ds.Resolution, 100.0f);
  EXPECT_EQ(ds.Smin, 0.5f);
  EXPECT_EQ(ds.Smax, 15.0f);
  EXPECT_EQ(ds.RegularizationPvalue, 0.68f);
  EXPECT_EQ(ds.StartingFrictionalRatio, 1.35f);
  EXPECT_EQ(ds.FrictionalRatioFitted, 1);
  EXPECT_EQ(s.VBAR, 0.72f);
  EXPECT_EQ(s.BufferDensity, 1.005f);
  EXPECT_FLOAT_EQ(s.VbarRho, 0.72f * 1.005f);
  EXPECT_NEAR(s.RELVISCOSITY, 1.0f, 1e-6f);
  EXPECT_EQ(s.Hydration, 0.25f);
  EXPECT_FALSE(ds.GridFromFile);
  EXPECT_TRUE(ds.LogarithmicGrid);
  // A reload takes the log spacing from the settings once.
  DistributionSettings.LogarithmicGrid = false;
  TakeLogSpacingFromSettings = true;
  ModelParameters.MassOrDFitted[4] = 1;
  PackParameterVector();
  EXPECT_EQ(F(4), 0);
  EXPECT_FALSE(TakeLogSpacingFromSettings);
  ModelParameters.MassOrDFitted[4] = 1;
  PackParameterVector();
  EXPECT_TRUE(DistributionSettings.LogarithmicGrid);
}

TEST_F(ParameterPackingTest, FixedSolventRefusesOtherStandardConditions) {
  ModelSelection.Kind = ModelKind::ContinuousCS;
  InhomogeneousSolventOn = true;
  SolventConditions.BufferDensity = 0.99823f;
  SolventConditions.RELVISCOSITY = 1.0f;
  V(3) = 0.73f;
  V(7) = 0.99823f;
  V(12) = 0.01002f;
  UnpackParameterVector();
  EXPECT_TRUE(LogLinesWith("box [").empty());
  V(7) = 1.1f;
  UnpackParameterVector();
  const auto boxes = LogLinesWith(
      "box [Parameter Error] (none) standard conditions cannot be "
      "changed - switch off solvent gradient");
  EXPECT_EQ(boxes.size(), 1u);
  EXPECT_EQ(V(7), 0.99823f);
  EXPECT_EQ(SolventConditions.BufferDensity, 0.99823f);
  EXPECT_FLOAT_EQ(SolventConditions.VbarRho, 0.73f * 0.99823f);
  EXPECT_FLOAT_EQ(V(12), 0.01002f);
}

TEST_F(ParameterPackingTest, InvariantDMustBePositive) {
  ModelSelection.Kind = ModelKind::CSInvariantD;
  V(12) = 0.01002f;
  V(11) = 0.0f;
  UnpackParameterVector();
  EXPECT_EQ(LogLinesWith("box [Warning] (none) diffusion coefficient must be positive, current "
                         "entry could cause crash\nhas been changed to 1e-10!")
                .size(),
            1u);
  EXPECT_EQ(V(11), 0.001f);
  EXPECT_EQ(DistributionSettings.InvariantD, 0.001f);
  backend().ClearLog();
  V(11) = -0.5f;
  UnpackParameterVector();
  EXPECT_EQ(DistributionSettings.InvariantD, -0.5f);
  EXPECT_TRUE(LogLinesWith("box [").empty());
}

TEST_F(ParameterPackingTest, ParametersOfParticularContinuousModels) {
  const DistributionSettingsRecord& ds = DistributionSettings;
  auto load = [&](ModelKind kind) {
    DistributionSettings = DistributionSettingsRecord{};
    ModelSelection.Kind = kind;
    for (int slot = 1; slot <= ParameterCount; ++slot) {
      V(slot) = 10.0f + static_cast<float>(slot) + 0.25f;
      F(slot) = slot % 2;
    }
    V(12) = 0.01002f;
    UnpackParameterVector();
  };
  load(ModelKind::CSFf0OneDiscrete);
  EXPECT_EQ(ds.Ff0Min, 20.25f);
  EXPECT_EQ(ds.Ff0Max, 16.25f);
  EXPECT_EQ(ds.Ff0GridCount, 18.0f);
  EXPECT_EQ(ds.Grid2DSize, 18 * 19);
  EXPECT_EQ(ds.DiscreteSpeciesMass, 26.25f);
  EXPECT_EQ(ds.DiscreteSpeciesSFitted, 1);
  load(ModelKind::CSWithOneDiscrete);
  EXPECT_EQ(ds.DiscreteSpeciesD, 20.25f);
  EXPECT_EQ(ds.DiscreteSpeciesMass, 20.25f);
  EXPECT_EQ(ds.DiscreteSpeciesS, 16.25f);
  EXPECT_EQ(ds.DiscreteSpeciesMassFitted, 0);
  load(ModelKind::CSGeneralScalingLaw);
  EXPECT_EQ(ds.GeneralScalingLaw.ScalingKs, 21.25f);
  EXPECT_EQ(ds.GeneralScalingLaw.ScalingExponent, 28.25f);
  EXPECT_EQ(ds.ScalingKsFitted, 1);
  EXPECT_EQ(ds.FrictionalRatioFitted, 0);
  EXPECT_EQ(F(18), 0);
  load(ModelKind::CSWormlikeChain);
  EXPECT_EQ(ds.WormChainSettings.PersistenceLength, 21.25f);
  EXPECT_EQ(ds.WormChainSettings.CrossSection, 20.25f);
  EXPECT_EQ(ds.WormChainSettings.MonomerMass, 16.25f);
  EXPECT_EQ(ds.WormChainSettings.Hydration, 18.25f);
  EXPECT_EQ(SolventConditions.VBAR, 13.25f);
  load(ModelKind::CSFixFf0FloatingVbar);
  EXPECT_EQ(ds.StartingFrictionalRatio, 13.25f);
  EXPECT_EQ(SolventConditions.VBAR, 21.25f);
  EXPECT_EQ(ds.VbarFitted, 1);
  load(ModelKind::CSBimodalFf0);
  EXPECT_EQ(ds.SecondFf0, 20.25f);
  EXPECT_EQ(ds.SecondRangeSmin, 16.25f);
  EXPECT_EQ(ds.SecondRangeSmax, 18.25f);
  EXPECT_EQ(ds.SecondRangeSminFitted, 0);
  load(ModelKind::ElectrophoresisCV);
  EXPECT_EQ(ds.ConstantD, 13.25f);
  EXPECT_EQ(ds.ConstantDFitted, 1);
  load(ModelKind::CSLinearRods);
  EXPECT_EQ(ds.RodMassPerLength, 21.25f);
  load(ModelKind::DlsIRhTimeCourse);
  EXPECT_EQ(ds.TimeCourseInterval, 21.25f);
  load(ModelKind::ExtrapolateLsGStar);
  EXPECT_EQ(ds.Resolution, 19.0f);
  EXPECT_EQ(ds.Smin, 11.25f);
  EXPECT_EQ(ds.StartingFrictionalRatio, DistributionSettingsRecord{}.StartingFrictionalRatio);
}

TEST_F(ParameterPackingTest, LinearConcentrationsOfDiscreteSpecies) {
  struct Case {
    const char* name;
    int on2, fitted1, fitted2;
    bool experimental, nonidealFirst, dls, fieldAcf;
    bool linear;
  };
  const Case cases[] = {
      {"two on, both fitted", 1, 1, 1, false, false, false, false, true},
      {"two on, one fitted", 1, 1, 0, false, false, false, false, false},
      {"one on, fitted", 0, 1, 0, false, false, false, false, true},
      {"none fitted", 1, 0, 0, false, false, false, false, false},
      {"experimental loading", 1, 1, 1, true, false, false, false, false},
      {"first component non-ideal", 1, 1, 1, false, true, false, false, false},
      {"light scattering g(2)", 1, 1, 1, false, false, true, false, false},
      {"light scattering g(1)", 1, 1, 1, false, false, true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ModelParameters = ModelParametersRecord{};
    ModelSelection.Kind = ModelKind::NonInteractingSpecies;
    ModelParameters.ComponentOn = {0, 1, c.on2, 0, 0};
    ModelParameters.ConcentrationFitted = {0, c.fitted1, c.fitted2, 0, 0};
    ModelParameters.InitialConcentrationExperimental = c.experimental;
    ModelParameters.FirstComponentNonideal = c.nonidealFirst;
    DlsDataMode = c.dls;
    DlsRecords.Resize(1, 2);
    DlsRecords[1].HoldsFieldAcf = c.fieldAcf;
    DeriveFitModeFlags();
    EXPECT_EQ(ModelParameters.LinearConcentrations, c.linear);
    // Linear concentrations are hidden from the optimisers.
    if (c.linear) {
      EXPECT_EQ(ModelParameters.ConcentrationFitted[1], 0);
    }
  }
}

TEST_F(ParameterPackingTest, NoiseAndComponentFlags) {
  ModelSelection.Kind = ModelKind::NonInteractingSpecies;
  ModelParameters.BaselineFitted = 1;
  ModelParameters.ComponentOn = {0, 1, 0, 1, 0};
  ModelParameters.MassOrDFitted = {0, 1, 1, 1, 1};
  ModelParameters.SedCoefficientFitted = {0, 1, 1, 1, 1};
  DeriveFitModeFlags();
  EXPECT_TRUE(ModelParameters.SystematicNoiseOn);
  EXPECT_EQ(ModelParameters.BaselineFitted, 0);
  // Component 2 is off: its flags go; component 4 is not looked at.
  EXPECT_EQ(ModelParameters.MassOrDFitted[2], 0);
  EXPECT_EQ(ModelParameters.SedCoefficientFitted[2], 0);
  EXPECT_EQ(ModelParameters.MassOrDFitted[3], 1);
  EXPECT_EQ(ModelParameters.MassOrDFitted[4], 1);

  ModelParameters.SpareParameterFitted[3] = 1;
  FitControl.TINoiseFitted = true;
  DeriveFitModeFlags();
  EXPECT_TRUE(ModelParameters.SystematicNoiseOn);
  EXPECT_EQ(ModelParameters.SpareParameterFitted[3], 0);
  FitControl.TINoiseFitted = false;
  DeriveFitModeFlags();
  EXPECT_FALSE(ModelParameters.SystematicNoiseOn);
  ModelParameters.RINoiseFitted = true;
  DeriveFitModeFlags();
  EXPECT_TRUE(ModelParameters.SystematicNoiseOn);

  // An experimental initial profile: concentration 1 fixed at 1, no TI noise.
  ModelParameters.InitialConcentrationExperimental = true;
  ModelParameters.BaselineFitted = 1;
  FitControl.TINoiseFitted = true;
  ModelParameters.RINoiseFitted = false;
  DeriveFitModeFlags();
  EXPECT_EQ(ModelParameters.Concentration[1], 1.0f);
  EXPECT_EQ(ModelParameters.ConcentrationFitted[1], 0);
  EXPECT_FALSE(FitControl.TINoiseFitted);
  EXPECT_TRUE(ModelParameters.LocalGlobalSwitches[4]);

  ModelSelection.Kind = ModelKind::BuoyantMassEquilibrium;
  ModelParameters.SedCoefficient[1] = 0.0f;
  DeriveFitModeFlags();
  EXPECT_EQ(ModelParameters.SedCoefficient[1], 1.0f);
}

}  // namespace
