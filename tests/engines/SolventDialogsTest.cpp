// The dialogs of the buffer-mismatch and inhomogeneous-solvent models run
// headless: what they show, what they refuse, how entries become settings,
// and what switching a model on or off does to the rest of the analysis.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <string>

#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "engines/BufferSedDialog.h"
#include "engines/CosoluteSolver.h"
#include "engines/InhomogeneousSolvent.h"
#include "engines/InhomogeneousSolventDialog.h"
#include "models/FitDriver.h"
#include "models/ModelsTestSupport.h"
#include "models/ParameterPacking.h"
#include "models/TempParameterFile.h"
#include "state/ParameterVector.h"
#include "numerics/PhysicalConstants.h"

namespace {

constexpr double kRT20 = 2.436002e10;

class SolventDialogsTest : public ModelsTest {
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
    CorrectionOptions.BufferMismatch = BufferMismatchSettingsRecord{};
    InhomogeneousSolventSettings = InhomogeneousSolventSettingsRecord{};
    InhomogeneousSolventOn = false;
    FitDriverSettings.VbarFloating = false;
    FitControl.MassInsteadOfD = false;
    ResetBufferSedTransfer(BufferSedTransfer);
    ResetDensgradTransfer(DensgradTransfer);
    ResetBufferSedNotes();
    ResetDensgradNotes();
  }
  void Enter(std::map<int, std::string> texts, std::map<int, int> ticks = {}, bool ok = true) {
    platform::FormState entries;
    entries.texts = std::move(texts);
    entries.checked = std::move(ticks);
    backend().ScriptForm(entries, ok);
  }
  std::size_t Boxes(const std::string& text) const { return LogLinesWith(text).size(); }
};

// --- Buffer mismatch -------------------------------------------------------

TEST_F(SolventDialogsTest, BufferDialogShowsTheSettingsAndTakesASignalSignAsTheSide) {
  ScanReaderOptions.InterferenceData = true;
  Enter({{560, "-12.5"}});
  ASSERT_TRUE(RunBufferSedDialog(nullptr));
  const auto shown = backend().ShownForms();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].caption, "Buffer Mismatch");
  EXPECT_EQ(shown[0].initial.Text(556), "86.000 ");
  EXPECT_EQ(shown[0].initial.Text(558), "0.2100 ");
  EXPECT_EQ(shown[0].initial.Text(560), "30.000 ");
  EXPECT_EQ(shown[0].initial.Text(563), "0.1000 ");
  // The excess controls stay hidden.
  EXPECT_EQ(platform::FindFormItem(shown[0].items, 554), nullptr);
  const BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  EXPECT_EQ(b.BufferSignal, 12.5);
  EXPECT_EQ(b.Sign, -1.0);
  EXPECT_TRUE(b.ExcessInReference);
  // Without scans the temperature is taken as 20 degrees Celsius.
  EXPECT_EQ(Boxes("assuming t = 20 'C"), 1u);
  EXPECT_NEAR(b.BufferMb, 0.21 * 1e-6 * kRT20 / 86.0, 1e-6);
  // Shown negative again.
  backend().ScriptForm({}, false);
  EXPECT_FALSE(RunBufferSedDialog(nullptr));
  EXPECT_EQ(backend().ShownForms()[1].initial.Text(560), "-12.500 ");
}

TEST_F(SolventDialogsTest, BufferDialogRefusesEntriesThatAreNoNumbersOfTheirSign) {
  const std::map<int, std::string> bad[] = {
      {{556, "-1"}}, {{568, "x"}}, {{558, "s"}}, {{560, "--"}}, {{565, "ratio"}}};
  for (const auto& entry : bad) {
    Reset();
    Enter(entry);
    Enter({{556, "50"}, {568, "70"}, {558, "0.2"}, {560, "3"}, {565, "1"}});
    ASSERT_TRUE(RunBufferSedDialog(nullptr)) << entry.begin()->first;
    EXPECT_EQ(LogLinesWith("refused, focus " + std::to_string(entry.begin()->first)).size(), 1u);
    EXPECT_EQ(CorrectionOptions.BufferMismatch.BufferD, 50.0);
  }
  EXPECT_EQ(Boxes("box [Input Error] (error) Invalid Entry"), 5u);
}

TEST_F(SolventDialogsTest, MassModeDerivesDFromTheBuoyantMass) {
  FitControl.MassInsteadOfD = true;
  SolventConditions.GasConstantRT = static_cast<float>(kRT20);
  ScanDataSet.NFILES = 0;
  Enter({{556, "120"}, {558, "0.3"}, {568, "100"}, {570, "0.1"}});
  ASSERT_TRUE(RunBufferSedDialog(nullptr));
  const BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  // D by Svedberg, in 1e-7 cm^2/s.
  EXPECT_EQ(b.BufferMb, 120.0);
  EXPECT_NEAR(b.BufferD, 0.3 * 1e-6 * kRT20 / 120.0, 1e-6);
  EXPECT_NEAR(b.ReferenceD, 0.1 * 1e-6 * kRT20 / 100.0, 1e-6);
  const auto items = backend().ShownForms()[0].items;
  EXPECT_EQ(platform::FindFormItem(items, 557)->text, "buffer Mb (sample side)");
}

TEST_F(SolventDialogsTest, BufferModelIsRefusedWithModelsItCannotRunWith) {
  for (ModelKind k : {ModelKind::NonidealCS, ModelKind::CSWithOneDiscrete,
                      ModelKind::VanHoldeWeischet, ModelKind::ZoneCS}) {
    Reset();
    SelectModelKind(k);
    Enter({}, {{553, 1}});
    const BufferSedCommandOutcome o = BufferSedimentationCommand(nullptr);
    EXPECT_FALSE(o.On);
    EXPECT_FALSE(CorrectionOptions.BufferMismatch.On);
  }
  EXPECT_EQ(Boxes("buffer sedimentation model is incompatible with this model"), 4u);
  // c(s, f/f0) does not even open the dialog.
  Reset();
  SelectModelKind(ModelKind::CSFf0);
  const std::size_t forms = backend().ShownForms().size();
  EXPECT_FALSE(BufferSedimentationCommand(nullptr).On);
  EXPECT_EQ(backend().ShownForms().size(), forms);
  EXPECT_EQ(Boxes("box [ERROR] (information) c(s,ff0) model does not work in buffer mismatch mode"),
            1u);
  // An inhomogeneous solvent excludes it as well.
  Reset();
  SelectModelKind(ModelKind::NonInteractingSpecies);
  InhomogeneousSolventOn = true;
  EXPECT_FALSE(CheckBufferSedCompatibility(nullptr));
}

TEST_F(SolventDialogsTest, BufferModelTakesComponentFourOfTheDiscreteModel) {
  SelectModelKind(ModelKind::NonInteractingSpecies);
  ModelParameters.ComponentOn = {0, 1, 1, 0, 0};
  ModelParameters.SedCoefficient[4] = 7.0f;
  ModelParameters.MassOrD[4] = 4.0f;
  ModelParameters.MassOrDFitted[4] = 1;
  Enter({}, {{553, 1}, {561, 1}});
  EXPECT_TRUE(BufferSedimentationCommand(nullptr).On);
  const ModelParametersRecord& m = ModelParameters;
  EXPECT_EQ(Boxes("Switching off Component 4."), 1u);
  // Once per program run: the model is meant for interference data.
  EXPECT_EQ(Boxes("intended only for interference data"), 1u);
  EXPECT_EQ(m.ComponentOn[4], 1);
  EXPECT_EQ(m.SedCoefficient[4], 0.0f);
  EXPECT_EQ(m.MassOrD[4], 0.0f);
  EXPECT_EQ(m.MassOrDFitted[4], 0);
  // The buffer signal is floated as component 4's loading.
  EXPECT_EQ(m.ConcentrationFitted[4], 1);
  EXPECT_EQ(ParameterFitted[2 * NCOMP + 4], 1);
  // Switching off frees the component again.
  Enter({}, {{553, 0}});
  EXPECT_FALSE(BufferSedimentationCommand(nullptr).On);
  EXPECT_EQ(m.ComponentOn[4], 0);
  EXPECT_EQ(m.ConcentrationFitted[4], 0);
  Enter({}, {{553, 1}});
  BufferSedimentationCommand(nullptr);
  EXPECT_EQ(Boxes("intended only for interference data"), 1u);
}

TEST_F(SolventDialogsTest, ContinuousModelsFloatTheBufferSignalUnlessBothNoisesAreFitted) {
  SelectModelKind(ModelKind::ContinuousCS);
  Enter({}, {{553, 1}, {561, 0}});
  EXPECT_TRUE(BufferSedimentationCommand(nullptr).On);
  EXPECT_EQ(Boxes("fixed buffer concentration in c(s) only implemented with TI and RI noise"), 1u);
  EXPECT_TRUE(CorrectionOptions.BufferMismatch.BufferSignalFitted);
  FitControl.TINoiseFitted = true;
  ModelParameters.RINoiseFitted = true;
  Enter({}, {{561, 0}});
  BufferSedimentationCommand(nullptr);
  EXPECT_FALSE(CorrectionOptions.BufferMismatch.BufferSignalFitted);
}

// --- Inhomogeneous solvent -------------------------------------------------

TEST_F(SolventDialogsTest, SwitchingTheSolventModelOnAndOffConvertsSAndDOnce) {
  SelectModelKind(ModelKind::NonInteractingSpecies);
  ModelParameters.ComponentOn = {0, 1, 0, 0, 0};
  ModelParameters.SedCoefficient[1] = 4.0f;
  ModelParameters.MassOrD[1] = 6.0f;
  SolventConditions.VBAR = 0.73f;
  SolventConditions.BufferDensity = 1.1f;
  SolventConditions.RELVISCOSITY = 1.3f;
  SolventConditions.VbarRho = 0.73f * 1.1f;
  PackParameterVector();
  Enter({{842, "1.1"}, {843, "0.013026"}}, {{857, 1}, {840, 1}});
  EXPECT_TRUE(SetInhomogeneousSolvent(nullptr));
  EXPECT_TRUE(InhomogeneousSolventOn);
  EXPECT_EQ(Boxes("changing s and D (and M) to standard conditions!"), 1u);
  const double eta = 1.3, rhoW = PhysicalConstantsRecord::StandardWaterDensity;
  const double s20w = 4.0 * eta * (1.0 - 0.73 * rhoW) / (1.0 - 0.73 * 1.1);
  EXPECT_NEAR(ModelParameters.SedCoefficient[1], s20w, 2e-3);
  EXPECT_NEAR(ModelParameters.MassOrD[1], 6.0 * eta, 2e-3);
  // Confirmed again while on: the settings change, s and D are not
  // converted a second time.
  Enter({{841, "2.5"}}, {{857, 1}});
  EXPECT_TRUE(SetInhomogeneousSolvent(nullptr));
  EXPECT_EQ(Boxes("changing s and D (and M) to standard conditions!"), 1u);
  EXPECT_NEAR(InhomogeneousSolventSettings.SolventCompressibility, 2.5e-4, 1e-12);
  EXPECT_NEAR(ModelParameters.SedCoefficient[1], s20w, 2e-3);
  // Off: back to the entered values.
  Enter({}, {{857, 0}});
  EXPECT_FALSE(SetInhomogeneousSolvent(nullptr));
  EXPECT_EQ(Boxes("changing s and D (and M) back to experimental conditions!"), 1u);
  EXPECT_NEAR(ModelParameters.SedCoefficient[1], 4.0, 2e-4);
  EXPECT_NEAR(ModelParameters.MassOrD[1], 6.0, 2e-4);
  EXPECT_FALSE(FitDriverSettings.VbarFloating);
}

TEST_F(SolventDialogsTest, SolventDialogRefusesBadEntriesOnlyWhileTheModelIsOn) {
  struct Case {
    std::map<int, std::string> texts;
    int focus;
    const char* message;  // null: refused without a message
  };
  const Case cases[] = {
      {{{851, "4"}}, 851, "the cosolute radial grid size must be at least 5"},
      {{{838, "-0.7"}}, 838, nullptr},
      {{{846, "salt"}}, 846, nullptr},
      {{{841, "x"}}, 841, nullptr},
  };
  for (const Case& c : cases) {
    Reset();
    Enter(c.texts, {{857, 1}, {844, 1}});
    Enter({{838, "0.73"}, {846, "1"}, {841, "-1"}, {851, "5"}});
    EXPECT_TRUE(SetInhomogeneousSolvent(nullptr));
    EXPECT_EQ(LogLinesWith("refused, focus " + std::to_string(c.focus)).size(), 1u) << c.focus;
    EXPECT_EQ(InhomogeneousSolventSettings.CosoluteGridSize, 5);
  }
  EXPECT_EQ(Boxes("box [Input Error] (error) the cosolute radial grid size must be at least 5"),
            1u);
  EXPECT_EQ(LogLinesWith("box [Input Error]").size(), 1u);
  // With the model off nothing is validated.
  Reset();
  Enter({{851, "2"}}, {{857, 0}});
  EXPECT_FALSE(SetInhomogeneousSolvent(nullptr));
  EXPECT_EQ(InhomogeneousSolventSettings.CosoluteGridSize, 2);
}

TEST_F(SolventDialogsTest, CosoluteModeTakesTheSolventAtTheLoadingFromItsSeries) {
  ScratchFolder folder;
  const std::string density = folder.File("rho.dat"), viscosity = folder.File("eta.dat");
  std::ofstream(density) << "0.99823\n0\n12.0\n";  // rho = 0.99823 + 0.12 c
  std::ofstream(viscosity) << "1.0\n0\n5.0\n";       // eta = eta_w (1 + 0.05 c)
  backend().ScriptFileDialog(std::vector<std::string>{density});
  backend().ScriptFileDialog(std::vector<std::string>{viscosity});
  Enter({{846, "2"}, {851, "40"}}, {{857, 1}, {844, 1}, {860, 1}, {861, 1}, {850, 1}});
  EXPECT_TRUE(SetInhomogeneousSolvent(nullptr));
  const InhomogeneousSolventSettingsRecord& s = InhomogeneousSolventSettings;
  EXPECT_TRUE(s.SedimentingCosolute && s.CosoluteOn);
  EXPECT_FALSE(s.CompressibleSolvent);
  EXPECT_TRUE(s.CosoluteNonideal && s.CosoluteCsCl);
  EXPECT_EQ(s.CosoluteGridSize, 40);
  EXPECT_EQ(s.DensityFile, density);
  EXPECT_EQ(s.DensityCoefficientCount, 3);
  EXPECT_NEAR(s.DensityAt1atm, 0.99823 + 0.24, 1e-5);
  EXPECT_NEAR(s.RelativeViscosity, 1.1, 1e-5);
  EXPECT_EQ(Boxes("Attention"), 1u);
  // A cancelled file choice keeps the series and says so.
  backend().ScriptFileDialog(std::nullopt);
  Enter({}, {{857, 1}, {860, 1}});
  SetInhomogeneousSolvent(nullptr);
  EXPECT_EQ(Boxes("Could Not Open New DENSITY(c) Data File"), 1u);
  EXPECT_EQ(s.DensityFile, density);
  EXPECT_EQ(s.DensityCoefficientCount, 3);
}

}  // namespace
