// The Parameters command run headless for every model kind: which dialog it
// shows, that confirming it unchanged changes no parameter, how entries come
// back, and the follow-ups (VBAR20 question, grid checks, model entries).

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "ModelsTestSupport.h"
#include "state/SolventConditions.h"
#include "state/DistributionSettingsRecords.h"
#include "lamm/VolumeFractionFactors.h"
#include "models/TempParameterFile.h"
#include "state/SpeciesEngineParameters.h"
#include "models/MeniscusBottomLimits.h"
#include "models/ModelSpecificEntries.h"
#include "models/ParameterPacking.h"
#include "models/ParametersCommand.h"
#include "models/ParamsBox.h"
#include "state/ParameterVector.h"

namespace {

class ParametersCommandTest : public ModelsTest {
 protected:
  void SetUp() override {
    ModelsTest::SetUp();
    ResetEntryRecords();
    InitParamsBoxTransfer(ParamsBoxTransfer);
    AllocParameterVector();
  }
  void TearDown() override {
    ResetEntryRecords();
    ModelsTest::TearDown();
  }
  static void ResetEntryRecords() {
    DistributionSettings = DistributionSettingsRecord{};
    SpeciesEngineParameters = SpeciesEngineParametersRecord{};
    CorrectionOptions = CorrectionOptionsRecord{};
    StickyHardSpheres = false;
    ParametersCommandLinks = NoWindowParametersCommand();
    KeptExtrapolationSwitches = ExtrapolationSwitches{};
  }
  void Select(ModelKind kind) {
    SelectModelKind(kind);
    ModelParameters.Meniscus = 5.9f;
    ModelParameters.Bottom = 7.2f;
    if (IsContinuousModel(kind)) {
      // A c(s)-like set-up: resolution, limits, confidence level, f/f0.
      ModelParameters.Concentration[1] = 100.0f;
      ModelParameters.MassOrD[1] = 0.5f;
      ModelParameters.SedCoefficient[1] = 12.0f;
      ModelParameters.MassOrD[2] = 0.68f;
      ModelParameters.Concentration[3] = 1.2f;
      ModelParameters.MassOrD[3] = 0.73f;
      ModelParameters.SedCoefficient[3] = 1.0f;
      ModelParameters.Concentration[4] = 0.01002f;
      ModelParameters.SedCoefficient[2] = 2.0f;  // f/f0 max of the 2-D models
      ModelParameters.Concentration[2] = 1.0f;
      ModelParameters.SedCoefficient[4] = 10.0f;
      // The discrete species of the hybrid model as its slots hold it.
      DistributionSettings.DiscreteSpeciesMass = 1.0f;
      DistributionSettings.DiscreteSpeciesS = 2.0f;
    }
    if (kind == ModelKind::HinderedCS) {
      // As its model command leaves them: magnitudes of ks and kd.
      SpeciesEngineParameters.LogKs = 0.5f;
      SpeciesEngineParameters.LogKd = 0.2f;
    }
    // As the program keeps them: fit modes derived, derived values unpacked.
    DeriveFitModeFlags();
    PackParameterVector();
    UnpackParameterVector();
    PackParameterVector();
  }
  platform::FormState Entries(std::map<int, std::string> texts, std::map<int, int> ticks = {}) {
    platform::FormState s;
    s.texts = std::move(texts);
    s.checked = std::move(ticks);
    return s;
  }
};

struct KindCase {
  ModelKind kind;
  bool massForm;
  int resource;
  const char* title;
};

TEST_F(ParametersCommandTest, EveryModelShowsItsDialogAndOkUnchangedKeepsEveryValue) {
  const KindCase cases[] = {
      {ModelKind::NonInteractingSpecies, true, 306, "noninteracting species model"},
      {ModelKind::NonInteractingSpecies, false, 400, "noninteracting species model"},
      {ModelKind::ZoneIndependentSpecies, true, 316,
       "analytical zone centrifugation for non-interacting species"},
      {ModelKind::ZoneIndependentSpecies, false, 317,
       "analytical zone centrifugation for non-interacting species"},
      {ModelKind::ElectrophoresisSpecies, false, 322,
       "constant force in linear geometry (electrophoresis model) with v (um/sec)"},
      {ModelKind::DiscreteStokesRadii, false, 339, "Discrete Stokes Radii"},
      {ModelKind::CumulantAnalysis, false, 891, "Cumulant Analysis"},
      {ModelKind::MonomerDimer, true, 308, "rapid monomer-dimer self-association"},
      {ModelKind::MonomerDimer, false, 307, "rapid monomer-dimer self-association"},
      {ModelKind::MonomerTrimer, true, 310, "rapid monomer-trimer self-association"},
      {ModelKind::SelfAssociation148, true, 330,
       "Fit and Simulation Parameters for 1-4-8 rapid self-association"},
      {ModelKind::SelfAssociation124, true, 331,
       "Fit and Simulation Parameters for 1-2-4 rapid self-association"},
      {ModelKind::HinderedSingleSpecies, false, 1101, "Hindered Sedimentation"},
      {ModelKind::NonidealSingleSpecies, false, 325, "Non-Ideal Sedimentation"},
      {ModelKind::NonidealMultipleSpecies, false, 892,
       "Non-Ideal Sedimentation of Mulitple Species s=s0(1-ks*c), D0=D(1+kd*c) [no "
       "backdiffusion]"},
      {ModelKind::ReactingABC, true, 318, "A + B <--> AB"},
      {ModelKind::BuoyantMassEquilibrium, true, 306, "noninteracting species model"},
      {ModelKind::ElectrophoresisCV, true, 328,
       "Continuous c(v) for linear geometry (Electrophoretic Mobility Distribution)"},
      {ModelKind::CSFf0OneDiscrete, true, 599, "Continuous c(s) with 1 discrete species"},
      {ModelKind::CSFf0, true, 596, "Continuous c(s,ff0)"},
      {ModelKind::CSBimodalFf0, true, 340, "Continuous c(s) with Bimodal Frictional Ratio"},
      {ModelKind::CSFlotation, true, 1116, "Continuous c(s) for Flotation"},
      {ModelKind::CSBimodalFf0OneDiscrete, true, 871,
       "Continuous c(s) with Bimodal Frictional Ratio and 1 Extra Discrete Species"},
      {ModelKind::HybridCSLsGStar, true, 951,
       "Hybrid c(s)/ls-g*(s) with/without 1 extra discrete species"},
      {ModelKind::CSFixFf0FloatingVbar, true, 604,
       "Continuous c(s) with fix f/f0 and floating vbar"},
      {ModelKind::FMScalingLaw, true, 888,
       "c(M) for ideal sedimentation with general scaling law s=Ks*M^bs"},
      {ModelKind::CSGeneralScalingLaw, true, 873,
       "c(s) for ideal sedimentation with general scaling law s=Ks*M^bs"},
      {ModelKind::CSWormlikeChain, true, 605, "Continuous c(s) for worm-like chains"},
      {ModelKind::CSConformationalChange, true, 329, "Continuous c(s) with Conformational Change"},
      {ModelKind::CSWithOneDiscrete, true, 337,
       "Sedimentation Coefficient Distribution c(s) with 1 discrete component"},
      {ModelKind::CSWithMsTable, true, 588,
       "Sedimentation Coefficient Distribution c(s) with 1 discrete component"},
      {ModelKind::HinderedCS, true, 1102,
       "Hindered Sedimentation Coefficient Distribution c(s) with 1 disc. comp."},
      {ModelKind::NonidealCS, true, 586,
       "Sedimentation Coefficient Distribution c(s) with 1 discrete component"},
      {ModelKind::CSInvariantD, true, 336, "Continuous s Distribution c(s) with Prior D"},
      {ModelKind::CSLinearRods, true, 332, "Continuous c(s) for linear rods"},
      {ModelKind::ExtrapolateLsGStar, true, 324, "direct boundary van Holde-Weischet"},
      {ModelKind::LsGStarOneDiscrete, true, 538, "least-squares g*(s) with 1 discrete component"},
      {ModelKind::ElectrophoresisLsGStar, true, 323,
       "least-squares g*(s) for linear force (electrophoresis)"},
      {ModelKind::ZoneLsGStar, true, 327,
       "least-squares g*(s) for analytical zone centrifugation "},
      {ModelKind::LsGStar, true, 319, "least-squares g*(s)"},
      {ModelKind::ZoneCS, true, 326,
       "Analytical Zone Centrifugation Sedimentation Coefficient Distribution c(s)"},
      {ModelKind::ContinuousCS, true, 320,
       "Continuous Sedimentation Coefficient Distribution c(s)"},
      {ModelKind::CMInvariantD, true, 321,
       "Continuous Buoyant Mass Distribution c(Mb) with Prior D"},
      {ModelKind::DlsID, true, 334, "Continuous Diffusion Coefficient Distribution (for DLS)"},
      {ModelKind::DlsIRh, true, 333, "Continuous Hydrodynamic Radius Distribution (for DLS)"},
      {ModelKind::DlsIRhTimeCourse, true, 335, "Time Course Rh-Distribution(t) (for DLS)"},
      {ModelKind::ContinuousCM, true, 311, "Continuous Molar Mass Distribution"},
  };
  for (const KindCase& c : cases) {
    ResetModelRecords();
    DistributionSettings = DistributionSettingsRecord{};
    FitControl.MassInsteadOfD = c.massForm;
    AllocParameterVector();
    Select(c.kind);
    const ParamsBoxLayoutInfo layout = ParamsBoxLayout(c.kind, c.massForm);
    EXPECT_EQ(layout.resource, c.resource) << static_cast<int>(c.kind);
    EXPECT_EQ(layout.title, c.title) << static_cast<int>(c.kind);
    // Every control id appears at most once, and meniscus and bottom are
    // there for every sedimentation model.
    std::set<int> ids;
    for (const platform::FormItem& item : layout.items) {
      if (item.id == 0 || item.kind == platform::FormControl::GroupBox) continue;
      EXPECT_TRUE(ids.insert(item.id).second) << c.title << " id " << item.id;
    }
    if (!IsDlsModel(c.kind)) {
      EXPECT_TRUE(ids.count(kMeniscus)) << c.title;
    }

    // Confirmed unchanged, a second time too: not one slot moves.
    const auto before = ParameterVector;
    const auto flagsBefore = ParameterFitted;
    backend().ScriptForm({});
    backend().ScriptForm({});
    ASSERT_TRUE(CmParameters(nullptr)) << c.title;
    ASSERT_TRUE(CmParameters(nullptr)) << c.title;
    for (int slot = 1; slot <= ParameterCount; ++slot) {
      EXPECT_FLOAT_EQ(ParameterVector[slot], before[slot]) << c.title << " slot " << slot;
      EXPECT_EQ(ParameterFitted[slot], flagsBefore[slot]) << c.title << " slot " << slot;
    }
  }
}

TEST_F(ParametersCommandTest, FieldTextKeepsEveryValueItShows) {
  EXPECT_EQ(FieldText("%.0f", 100.0), "100");
  EXPECT_EQ(FieldText("%.0f", 0.5), "0.5");    // not "0"
  EXPECT_EQ(FieldText("%.5f", 0.73), "0.73000");
  EXPECT_EQ(FieldText("%.4f", 1e-5), "1e-05");
  EXPECT_EQ(FieldText("%.5f", 1.5e10), "1.5e+10");  // within 14 characters
  EXPECT_EQ(FieldText("%.1f", 12.0), "12.0");
  // A value made by float arithmetic shows as the user would write it when
  // the field's digits are within rounding of it, not as "7.1499996".
  EXPECT_EQ(FieldText("%.4f", 7.2f - 0.05f), "7.1500");
  EXPECT_EQ(FieldText("%.4f", 5.91f - 0.02f), "5.8900");
  EXPECT_EQ(FieldText("%.4f", 5.91234f), "5.91234");  // a digit beyond the field is kept
}

TEST_F(ParametersCommandTest, EntriesComeBackIntoTheParametersAndCancelKeepsThem) {
  Select(ModelKind::NonInteractingSpecies);
  backend().ScriptForm(Entries({{405, "0.8"}, {406, "66000"}, {407, "4.4"}, {435, "5.95"}},
                               {{408, 1}, {434, 0}}));
  ASSERT_TRUE(CmParameters(nullptr));
  EXPECT_FLOAT_EQ(ModelParameters.Concentration[1], 0.8f);
  EXPECT_FLOAT_EQ(ModelParameters.MassOrD[1], 66000.0f);
  EXPECT_FLOAT_EQ(ModelParameters.SedCoefficient[1], 4.4f);
  EXPECT_EQ(ModelParameters.ComponentOn[2], 1);
  EXPECT_FLOAT_EQ(ParameterVector[MeniscusSlot], 5.95f);
  EXPECT_TRUE(ScanDataSet.DataChanged);
  EXPECT_TRUE(ParametersConfirmed);

  const auto before = ParameterVector;
  backend().ScriptForm(Entries({{405, "3"}}), false);
  EXPECT_FALSE(CmParameters(nullptr));
  EXPECT_FALSE(ParametersConfirmed);
  EXPECT_FALSE(ParameterDialogOpen);
  EXPECT_FLOAT_EQ(ParameterVector[9], before[9]);

  // A bad entry is refused with its message; the corrected try is taken.
  backend().ScriptForm(Entries({{412, "abc"}}));
  backend().ScriptForm(Entries({{412, "0.25"}}));
  ASSERT_TRUE(CmParameters(nullptr));
  EXPECT_EQ(LogLinesWith("box [Input Error] (error) Invalid Entry").size(), 1u);
  EXPECT_FLOAT_EQ(ModelParameters.Concentration[2], 0.25f);
}

// A grid that cannot run is refused in the dialog, naming the field, as
// letters are: a resolution below 2 points and a lower limit at or above
// the upper one (the run would otherwise fail, or fit another range). The
// corrected try is taken.
TEST_F(ParametersCommandTest, GridEntriesThatCannotRunAreRefusedNamingTheField) {
  struct Case {
    const char* name;
    std::map<int, std::string> entries;
    const char* message;
  } cases[] = {
      // The message names its field already: no field line is added.
      {"negative resolution", {{405, "-5"}},
       "Invalid Entry: the resolution needs at least 2 grid points ->"},
      {"one grid point", {{405, "1"}}, "the resolution needs at least 2 grid points"},
      {"s-min above s-max", {{406, "10"}, {407, "5"}}, "Invalid Entry: s min (S) must be below s max (S)"},
      {"equal limits", {{406, "5"}, {407, "5"}}, "s min (S) must be below s max (S)"},
      {"letters name their field", {{407, "abc"}}, "Invalid Entry\n\nfield: s max (S)"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Select(ModelKind::ContinuousCS);
    backend().ClearLog();
    backend().ScriptForm(Entries(c.entries));
    backend().ScriptForm(Entries({{405, "50"}, {406, "1"}, {407, "8"}}));
    ASSERT_TRUE(CmParameters(nullptr));
    EXPECT_EQ(LogLinesWith("box [Input Error] (error) ").size(), 1u);
    EXPECT_EQ(LogLinesWith(c.message).size(), 1u);
    EXPECT_FLOAT_EQ(DistributionSettings.Resolution, 50.0f);
    EXPECT_FLOAT_EQ(DistributionSettings.Smin, 1.0f);
    EXPECT_FLOAT_EQ(DistributionSettings.Smax, 8.0f);
  }
  // A species column names its species.
  Select(ModelKind::NonInteractingSpecies);
  backend().ClearLog();
  backend().ScriptForm(Entries({{414, "x"}}));
  backend().ScriptForm(Entries({{414, "3"}}));
  ASSERT_TRUE(CmParameters(nullptr));
  EXPECT_EQ(LogLinesWith("Invalid Entry\n\nfield: species 2, s (S)").size(), 1u);
}

// Meniscus 5.91 and bottom 7.2 typed while the automatic limits still lie
// around the old positions: the limits box proposes limits around the new
// ones (within the fit limits), not the old ranges that exclude them.
TEST_F(ParametersCommandTest, LimitsBoxProposesLimitsAroundTheEnteredPositions) {
  Select(ModelKind::NonInteractingSpecies);
  ParametersCommandLinks.EditMeniscusBottomLimits = [](platform::WindowHandle w, bool force) {
    EditMeniscusBottomLimits(w, force);
  };
  ModelParameters.MeniscusRangeConfirmed = false;
  ModelParameters.MeniscusBottomLimitsUserSet = false;
  ScanDataSet.FitLeftLim = 5.955f;
  ScanDataSet.FitRightLim = 7.1f;
  FitControl.MINMENISCUS = 5.930f;
  FitControl.MAXMENISCUS = 5.954f;
  FitControl.MINBOTTOM = 7.147f;
  FitControl.MAXBOTTOM = 7.197f;
  backend().ScriptForm(Entries({{435, "5.91"}, {437, "7.2"}}, {{434, 1}, {436, 1}}));
  backend().ScriptForm({});
  ASSERT_TRUE(CmParameters(nullptr));
  const auto forms = backend().ShownForms();
  ASSERT_EQ(forms.back().caption, "set meniscus+limits");
  // Row by row: position, low limit, up limit (the table's cell ids count
  // down from 989).
  std::vector<float> proposed;
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 3; ++j)
      proposed.push_back(std::stof(forms.back().initial.Text(1000 - (10 * i + j))));
  EXPECT_NEAR(proposed[0], 5.91f, 1e-4f);
  EXPECT_NEAR(proposed[1], 5.89f, 1e-4f);
  EXPECT_NEAR(proposed[2], 5.93f, 1e-4f);
  EXPECT_NEAR(proposed[3], 7.2f, 1e-4f);
  EXPECT_NEAR(proposed[4], 7.15f, 1e-4f);
  EXPECT_NEAR(proposed[5], 7.25f, 1e-4f);
  EXPECT_LE(FitControl.MINMENISCUS, 5.91f);
  EXPECT_GE(FitControl.MAXMENISCUS, 5.91f);
  EXPECT_LE(FitControl.MINBOTTOM, 7.2f);
  EXPECT_GE(FitControl.MAXBOTTOM, 7.2f);
}

// The first time meniscus or bottom is fitted the meniscus limits are asked
// for; what the dialog just took (values and fit flags) survives that box.
TEST_F(ParametersCommandTest, EntriesSurviveTheMeniscusLimitsAskedAfterThem) {
  Select(ModelKind::NonInteractingSpecies);
  ParametersCommandLinks.EditMeniscusBottomLimits = [](platform::WindowHandle w, bool force) {
    EditMeniscusBottomLimits(w, force);
  };
  ModelParameters.MeniscusRangeConfirmed = false;
  // Limits that the new meniscus leaves: the box is shown.
  FitControl.MINMENISCUS = 5.88f;
  FitControl.MAXMENISCUS = 5.92f;
  backend().ScriptForm(Entries({{405, "0.8"}, {407, "4.4"}, {435, "5.95"}}, {{434, 1}}));
  backend().ScriptForm({});
  ASSERT_TRUE(CmParameters(nullptr));
  EXPECT_EQ(backend().ShownForms().back().caption, "set meniscus+limits");
  EXPECT_FLOAT_EQ(ModelParameters.Concentration[1], 0.8f);
  EXPECT_FLOAT_EQ(ModelParameters.SedCoefficient[1], 4.4f);
  EXPECT_EQ(ModelParameters.MeniscusFitted, 1);
  EXPECT_FLOAT_EQ(ParameterVector[9], 0.8f);
}

TEST_F(ParametersCommandTest, BothConcentrationsFittedShowAsFittedAgain) {
  Select(ModelKind::NonInteractingSpecies);
  backend().ScriptForm(Entries({}, {{408, 1}, {402, 1}, {409, 1}}));
  ASSERT_TRUE(CmParameters(nullptr));
  EXPECT_TRUE(ModelParameters.LinearConcentrations);
  EXPECT_EQ(ParameterFitted[9], 0);  // solved as linear parameters
  backend().ScriptForm({});
  ASSERT_TRUE(CmParameters(nullptr));
  const auto shown = backend().ShownForms().back().initial;
  EXPECT_EQ(shown.Checked(402), 1);
  EXPECT_EQ(shown.Checked(409), 1);
}

TEST_F(ParametersCommandTest, Vbar20QuestionAtTheRunTemperature) {
  Select(ModelKind::ContinuousCS);
  LoadTestScans({{6.0, 7.0, 0.01, 600.0, nullptr, 0}, {6.0, 7.0, 0.01, 1200.0, nullptr, 0}});
  for (float temperature : {4.0f, 20.3f}) {
    backend().ClearLog();
    for (int i = 1; i <= 2; ++i) ScanDataSet.ScanHeaders[i].Temperature = temperature;
    SolventConditions.VBAR20 = 0.70f;
    backend().ScriptForm({});
    backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
    ASSERT_TRUE(CmParameters(nullptr));
    EXPECT_FLOAT_EQ(SolventConditions.VBAR20, SolventConditions.VBAR);
    EXPECT_EQ(LogLinesWith("set VBAR20 equal to VBAR(4.00C)?").size(),
              temperature < 10.0f ? 1u : 0u);
  }
}

TEST_F(ParametersCommandTest, LogGridWithZeroSminIsSwitchedOffAndTheDialogReopens) {
  Select(ModelKind::ContinuousCS);
  backend().ScriptForm(Entries({{406, "0"}}, {{424, 1}}));
  backend().ScriptForm({});
  ASSERT_TRUE(CmParameters(nullptr));
  EXPECT_EQ(LogLinesWith("smin = 0 is incompatible with log spacing").size(), 1u);
  EXPECT_FALSE(DistributionSettings.LogarithmicGrid);
  const auto shown = backend().ShownForms();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].initial.Checked(424), 0);
}

TEST_F(ParametersCommandTest, ModelEntriesFlotationHybridAndDlsGrid) {
  Select(ModelKind::CSFlotation);
  backend().ScriptForm(Entries({{414, "-2"}, {428, "-10"}}));
  ASSERT_TRUE(CmParameters(nullptr));
  EXPECT_FLOAT_EQ(DistributionSettings.FlotationSettings.FlotationMinS, -10.0f);
  EXPECT_FLOAT_EQ(DistributionSettings.FlotationSettings.FlotationMaxS, -2.0f);
  // The borrowed entries are restored: slot 6 and slot 8 keep their values.
  EXPECT_FLOAT_EQ(ModelParameters.SedCoefficient[2], 2.0f);
  EXPECT_FLOAT_EQ(ModelParameters.SedCoefficient[4], 10.0f);

  Select(ModelKind::HybridCSLsGStar);
  ModelParameters.MassOrD[1] = 0.5f;
  PackParameterVector();
  backend().ScriptForm({});
  ASSERT_TRUE(CmParameters(nullptr));
  EXPECT_EQ(backend().ShownForms().back().initial.Text(406), "0.5");
  EXPECT_FLOAT_EQ(DistributionSettings.Smin, 0.5f);

  Select(ModelKind::DlsIRh);
  backend().ScriptForm(Entries({}, {{449, 1}, {450, 1}}));
  ASSERT_TRUE(CmParameters(nullptr));
  EXPECT_TRUE(DistributionSettings.DlsGridLinear);
  EXPECT_FALSE(DistributionSettings.DlsGridLogD);
  EXPECT_FALSE(DistributionSettings.DlsGridLogRh);  // follows log(1/tau), not its own box
}

TEST_F(ParametersCommandTest, FlotationSizeConvertsAtTheRunTemperatureBothWays) {
  // Stokes-Einstein in the run's solvent: D = kT / (6 pi eta r), computed
  // here independently (water 1.002 mPa s at 20 C times the relative
  // viscosity). At 4 C in a solvent 1.56 times as viscous as water at 20 C,
  // a 5.9 nm radius gives 2.195 F, not the 3.632 F of 20 C.
  const auto stokes = [](double x, double kelvin, double eta) {
    return 1.380649e-23 * kelvin / (6.0 * 3.14159265358979 * 1.002e-3 * eta * x) * 1e4;
  };
  struct Case {
    float kelvin, eta;
  } cases[] = {{293.15f, 1.0f}, {277.15f, 1.5640f}, {310.15f, 0.6918f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kelvin);
    SolventConditions.BufferTemperature = c.kelvin;
    Select(ModelKind::CSFlotation);
    // The viscosity of a continuous model's solvent is its slot 12 (poise).
    ModelParameters.Concentration[4] = 0.01002f * c.eta;
    PackParameterVector();
    UnpackParameterVector();
    ASSERT_NEAR(SolventConditions.RELVISCOSITY, c.eta, 1e-5f);
    auto& fs = DistributionSettings.FlotationSettings;
    fs.FlotationDeconvolutionR = true;
    fs.FlotationDeconvolutionSize = 5.9e-9f;
    backend().ScriptForm({});
    ASSERT_TRUE(CmParameters(nullptr));
    const auto shown = backend().ShownForms().back().initial;
    EXPECT_EQ(shown.Text(413), "5.900");
    EXPECT_NEAR(std::atof(shown.Text(438).c_str()), stokes(5.9e-9, c.kelvin, c.eta) * 1e7, 0.0015);

    // Stored as a D, the radius shown is the one of that D, and choosing
    // the radius then stores it unchanged.
    fs.FlotationDeconvolutionR = false;
    fs.FlotationDeconvolutionSize = 4.0e-7f;
    backend().ScriptForm(Entries({}, {{449, 1}, {450, 0}}));
    ASSERT_TRUE(CmParameters(nullptr));
    const double radius = stokes(4.0e-7, c.kelvin, c.eta);  // the relation is its own inverse
    EXPECT_NEAR(std::atof(backend().ShownForms().back().initial.Text(413).c_str()), radius * 1e9,
                0.0015);
    EXPECT_TRUE(fs.FlotationDeconvolutionR);
    EXPECT_NEAR(fs.FlotationDeconvolutionSize, radius, 1e-12);
  }
}

TEST_F(ParametersCommandTest, FirstComponentNonidealAsksItsConstants) {
  FitControl.MassInsteadOfD = false;
  AllocParameterVector();
  Select(ModelKind::NonInteractingSpecies);
  backend().ScriptForm(Entries({}, {{450, 1}}));
  backend().ScriptEntry("-2.5");
  backend().ScriptBoxAnswer(platform::BoxAnswer::Yes);
  backend().ScriptEntry("-3");
  backend().ScriptBoxAnswer(platform::BoxAnswer::No);
  backend().ScriptEntry("0.9");
  ASSERT_TRUE(CmParameters(nullptr));
  EXPECT_TRUE(ModelParameters.FirstComponentNonideal);
  EXPECT_FLOAT_EQ(ParameterVector[20], -2.5f);
  EXPECT_EQ(ParameterFitted[20], 1);
  EXPECT_FLOAT_EQ(ParameterVector[21], -3.0f);
  EXPECT_EQ(ParameterFitted[21], 0);
  EXPECT_DOUBLE_EQ(ScanDataSet.SignalPerConcentration, 0.9f);
  EXPECT_EQ(LogLinesWith("[NONIDEAL COMPONENT 1] (question) fit ks?").size(), 1u);
}

TEST_F(ParametersCommandTest, HinderedSingleSpeciesShowsMagnitudesAndWhatTheyImply) {
  FitControl.MassInsteadOfD = false;
  AllocParameterVector();
  Select(ModelKind::HinderedSingleSpecies);
  ModelParameters.SedCoefficient[1] = 4.0f;
  ModelParameters.MassOrD[1] = 5.0f;  // 1e-7 cm^2/s
  ModelParameters.Concentration[1] = 0.5f;
  ModelParameters.Concentration[2] = -2.0f;  // reduced ks
  ModelParameters.Concentration[3] = -0.5f;  // Baxter temperature
  ModelParameters.ConcentrationFitted[3] = 1;
  ScanDataSet.SignalPerConcentration = 1.0;
  StickyHardSpheres = true;
  PackParameterVector();
  const auto before = ParameterVector;
  int wienerTables = 0;
  ParametersCommandLinks.WienerSkewingParameters = [&](platform::WindowHandle) { ++wienerTables; };

  backend().ScriptForm(Entries({{440, "0.8"}}, {{410, 0}, {441, 1}}));
  ASSERT_TRUE(CmParameters(nullptr));
  const platform::FormState shown = backend().ShownForms().back().initial;
  EXPECT_EQ(shown.Text(412), "2.000");
  EXPECT_EQ(shown.Text(419), "0.500");
  // Svedberg: M = s R T / (D (1 - vbar rho)) = 72.2 kDa at 20 degrees C.
  const double mass = 4e-13 * 8.31451e7 * 293.15 / (5e-7 * (1.0 - 0.73));
  EXPECT_NEAR(ImpliedMass, mass, 0.002 * mass);
  EXPECT_EQ(shown.Text(421), "72.2");
  EXPECT_GT(ImpliedFf0, 1.0f);
  EXPECT_LT(ImpliedFf0, 1.6f);
  // phi = 0.001 c k (f/f0)^3 vbar with c = 0.5 mg/ml and k = 2.
  EXPECT_NEAR(ImpliedVolumeFraction, 0.001 * 0.5 * 2.0 * std::pow(ImpliedFf0, 3) * 0.73, 1e-6);
  EXPECT_EQ(shown.Text(414), "0.500");  // 1 - 1/(4 tau) with tau = 0.5
  EXPECT_EQ(shown.Checked(410), 1);

  // Sticky spheres switched off: the Baxter temperature is no longer
  // fitted; the implied values never reach the slots; Wiener skew is on
  // with the signal per mg/ml and its table was asked.
  EXPECT_FALSE(StickyHardSpheres);
  EXPECT_EQ(ParameterFitted[11], 0);
  EXPECT_EQ(ParameterFitted[2], 0);
  EXPECT_FLOAT_EQ(ParameterVector[10], 2.0f);
  for (int slot : {3, 4, 6, 7, 12}) EXPECT_FLOAT_EQ(ParameterVector[slot], before[slot]) << slot;
  EXPECT_TRUE(CorrectionOptions.WienerSkewing.On);
  EXPECT_FLOAT_EQ(CorrectionOptions.WienerSkewing.SignalPerConcentration, 0.8f);
  EXPECT_EQ(wienerTables, 1);
}

TEST_F(ParametersCommandTest, NonidealMultipleSpeciesTakesItsSettingsAndAsksExtinctions) {
  FitControl.MassInsteadOfD = false;
  AllocParameterVector();
  Select(ModelKind::NonidealMultipleSpecies);
  const int componentOn = ModelParameters.ComponentOn[1];

  struct Case {
    const char* weight2;
    const char* weight3;
    std::vector<const char*> prompts;
  };
  const Case cases[] = {
      {"0", "0", {}},
      {"0.3", "0", {"extinction species 1:", "extinction species 2:"}},
      {"0.3", "0.2", {"extinction species 1:", "extinction species 2:", "extinction species 3:"}},
  };
  for (const Case& c : cases) {
    backend().ClearLog();
    ModelParameters.SpeciesExtinction = {0.0f, 1.0f, 1.0f, 1.0f};
    backend().ScriptForm(Entries({{443, c.weight2}, {426, c.weight3}, {414, "7.5"}, {439, "6.3"}},
                                 {{401, componentOn ? 0 : 1}, {411, 1}, {424, 1}}));
    for (std::size_t i = 0; i < c.prompts.size(); ++i) backend().ScriptEntry(std::to_string(2 + i));
    ASSERT_TRUE(CmParameters(nullptr)) << c.weight2 << " " << c.weight3;
    EXPECT_FLOAT_EQ(ParameterVector[27], std::stof(c.weight2));
    EXPECT_FLOAT_EQ(ParameterVector[31], std::stof(c.weight3));
    EXPECT_FLOAT_EQ(ParameterVector[28], 7.5f);  // s of species 2, fitted
    EXPECT_EQ(ParameterFitted[28], 1);
    EXPECT_FLOAT_EQ(ParameterVector[25], 6.3f);  // overlay position, its box as fit flag
    EXPECT_EQ(ParameterFitted[25], componentOn ? 0 : 1);
    EXPECT_EQ(ModelParameters.SyntheticBoundaryOverlay, 1);
    // The borrowed check box gives component 1 back its switch.
    EXPECT_EQ(ModelParameters.ComponentOn[1], componentOn);
    for (const char* prompt : {"extinction species 1:", "extinction species 2:",
                               "extinction species 3:"}) {
      const bool asked = std::find(c.prompts.begin(), c.prompts.end(), std::string(prompt)) !=
                         c.prompts.end();
      EXPECT_EQ(LogLinesWith(prompt).size(), asked ? 1u : 0u) << prompt << " " << c.weight2;
    }
    for (std::size_t i = 0; i < c.prompts.size(); ++i)
      EXPECT_FLOAT_EQ(ModelParameters.SpeciesExtinction[i + 1], 2.0f + i);
  }
}

TEST_F(ParametersCommandTest, NonidealCsShowsItsGridSizesAndKeepsThem) {
  Select(ModelKind::NonidealCS);
  // Untouched, the dialog shows the sizes a run would use and gives them
  // back unchanged.
  backend().ScriptForm({});
  ASSERT_TRUE(CmParameters(nullptr));
  const platform::FormState shown = backend().ShownForms().back().initial;
  EXPECT_EQ(shown.Text(438), "500");
  EXPECT_EQ(shown.Text(439), "100");
  EXPECT_EQ(CorrectionOptions.Ctot.MovienGrid, 500);
  EXPECT_EQ(CorrectionOptions.Ctot.CtotRadialPoints, 100);
}

TEST_F(ParametersCommandTest, HinderedCsTakesMeanFieldGridAndStickySpheres) {
  Select(ModelKind::HinderedCS);
  CorrectionOptions.Ctot.MovienGrid = 100;
  CorrectionOptions.Ctot.CtotRadialPoints = 50;
  const float hydration = ParameterVector[4];
  const int pValueFitted = ParameterFitted[2];

  // Without sticky spheres entry 427 reads "off", its fit box cleared.
  backend().ScriptForm(Entries({{443, "1.5"}, {427, "0.3"}, {438, "200"}, {439, "75"},
                                {428, "0"}},
                               {{410, 1}, {445, 1}, {424, 1}, {448, 1}, {452, 1}, {446, 1}}));
  ASSERT_TRUE(CmParameters(nullptr));
  const platform::FormState shown = backend().ShownForms().back().initial;
  EXPECT_EQ(shown.Text(427), "off");
  EXPECT_EQ(shown.Checked(445), 0);
  EXPECT_EQ(shown.Text(443), "0.500");
  EXPECT_EQ(shown.Checked(449), 1);  // mean field from the data

  EXPECT_TRUE(StickyHardSpheres);
  EXPECT_FLOAT_EQ(ParameterVector[20], 1.5f);
  EXPECT_EQ(ParameterFitted[20], 1);
  EXPECT_FLOAT_EQ(ParameterVector[21], 0.3f);
  EXPECT_EQ(ParameterFitted[21], 1);
  EXPECT_FLOAT_EQ(ParameterVector[4], hydration);  // not the Baxter temperature
  EXPECT_EQ(ParameterFitted[2], pValueFitted);     // not the ks fit box
  EXPECT_EQ(CorrectionOptions.Ctot.MovienGrid, 200);
  EXPECT_EQ(CorrectionOptions.Ctot.CtotRadialPoints, 75);
  EXPECT_FALSE(CorrectionOptions.Ctot.CtotFromDataOnly);  // from the best fit
  EXPECT_FALSE(CorrectionOptions.Ctot.UseExternalCtot);
  EXPECT_TRUE(CorrectionOptions.Ctot.FreezeCtot);
  EXPECT_TRUE(CorrectionOptions.Ctot.ExcludeDiscreteFromCtot);
  // Log spacing above s-min 0: the grid is logarithmic, the switch off.
  EXPECT_TRUE(DistributionSettings.LogarithmicGrid);
  EXPECT_FALSE(DistributionSettings.LogSpacedSminOn);
  EXPECT_EQ(ParameterFitted[4], 1);

  // A negative Baxter temperature switches the sticky spheres off with
  // their fit; the stored magnitude stays and "off" is shown again.
  backend().ScriptForm(Entries({{427, "-1"}}, {{445, 1}, {451, 1}}));
  ASSERT_TRUE(CmParameters(nullptr));
  EXPECT_FALSE(StickyHardSpheres);
  EXPECT_EQ(ParameterFitted[21], 0);
  EXPECT_TRUE(CorrectionOptions.Ctot.UseExternalCtot);
  backend().ScriptForm({});
  ASSERT_TRUE(CmParameters(nullptr));
  EXPECT_EQ(backend().ShownForms().back().initial.Text(427), "off");
}

TEST_F(ParametersCommandTest, VanHoldeWeischetSwitchesGoToTheExtrapolation) {
  Select(ModelKind::ExtrapolateLsGStar);
  const int slot11Fitted = ParameterFitted[11];
  backend().ScriptForm(Entries({}, {{416, 0}, {442, 1}, {445, 1}}));
  ASSERT_TRUE(CmParameters(nullptr));
  EXPECT_EQ(backend().ShownForms().back().initial.Checked(416), 1);  // slide frame
  const ExtrapolationSwitches x = KeptExtrapolationSwitches;
  EXPECT_TRUE(x.noSlide);
  EXPECT_TRUE(x.fitBoundaryFractions);
  EXPECT_TRUE(x.resultAsDGds);
  EXPECT_EQ(ParameterFitted[11], slot11Fitted);  // the borrowed box is no fit flag
  backend().ScriptForm({});
  ASSERT_TRUE(CmParameters(nullptr));
  EXPECT_EQ(backend().ShownForms().back().initial.Checked(416), 0);
}

TEST_F(ParametersCommandTest, ScalingLawCalibrationClearsTheFitsOrReopens) {
  Select(ModelKind::FMScalingLaw);
  for (bool succeeds : {true, false}) {
    backend().ClearLog();
    const std::size_t formsBefore = backend().ShownForms().size();
    ParametersCommandLinks.CalibrateCMPowerLaw = [succeeds](platform::WindowHandle) {
      return succeeds;
    };
    backend().ScriptForm(Entries({}, {{425, 1}, {416, 1}}));
    if (!succeeds) backend().ScriptForm(Entries({}, {{425, 0}, {416, 0}}));
    ASSERT_TRUE(CmParameters(nullptr));
    EXPECT_EQ(backend().ShownForms().size() - formsBefore, succeeds ? 1u : 2u);
    EXPECT_EQ(LogLinesWith("[Parameter Error] (warning) calibration of scaling law failed").size(),
              succeeds ? 0u : 1u);
    EXPECT_EQ(DistributionSettings.ScalingKsFitted, 0);
    EXPECT_EQ(DistributionSettings.ScalingExponentFitted, 0);
    EXPECT_EQ(ParameterFitted[11], 0);
    EXPECT_EQ(ParameterFitted[18], 0);
  }
}

}  // namespace

