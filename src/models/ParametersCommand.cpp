#include "models/ParametersCommand.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "state/ModelSelection.h"
#include "data/ComponentGridSignals.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "state/DistributionSettingsRecords.h"
#include "models/ModelSpecificEntries.h"
#include "models/ParameterPacking.h"
#include "models/ParamsBox.h"
#include "models/SimulateModel.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "state/SpeciesEngineParameters.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

bool ParametersConfirmed = false;
bool ParameterDialogOpen = false;
ParametersCommandLinksRecord ParametersCommandLinks;

namespace {

using platform::FormState;

bool IsScalingLawModel(ModelKind k) {
  return k == ModelKind::CSGeneralScalingLaw || k == ModelKind::FMScalingLaw;
}

// Models whose entry 440 is the signal per mg/ml instead of the step limit.
bool ShowsSignalPerConcentration(ModelKind k) {
  return IsNonidealSpeciesKind(k) || k == ModelKind::NonidealCS || k == ModelKind::HinderedCS ||
         SpeciesEngineParameters.AssociationNonidealityOn;
}

bool Electrophoresis() {
  return CurrentGeometry() == LammGeometry::LinearForceElectrophoresis;
}

double Number(const FormState& t, int id) {
  return std::atof(t.Text(id).c_str());
}

float NumberF(const FormState& t, int id) {
  return static_cast<float>(Number(t, id));
}

int Tick(const FormState& t, int id) {
  return t.Checked(id) != 0 ? 1 : 0;
}

// The run temperature: the mean of the scans' temperatures (20 degrees
// Celsius without scans or with light-scattering data).
double RunTemperature() {
  const ScanDataSetRecord& d = ScanDataSet;
  if (d.NFILES < 1 || DlsDataMode) return 20.0;
  double sum = 0.0;
  for (int i = 1; i <= d.NFILES; ++i) sum += d.ScanHeaders[i].Temperature;
  return sum / d.NFILES;
}

void AskVbar20(platform::WindowHandle window) {
  const ModelKind k = ModelSelection.Kind;
  if (!IsContinuousModel(k)) return;
  switch (k) {
    case ModelKind::LsGStar:
    case ModelKind::ElectrophoresisLsGStar:
    case ModelKind::ZoneLsGStar:
    case ModelKind::ExtrapolateLsGStar:
    case ModelKind::CSFixFf0FloatingVbar:
    case ModelKind::CSGeneralScalingLaw:
    case ModelKind::FMScalingLaw:
      return;
    default:
      break;
  }
  SolventConditionsRecord& s = SolventConditions;
  if (s.VBAR20 == s.VBAR) return;
  double t = RunTemperature();
  if (std::fabs(t - 20.0) <= 0.5) {
    s.VBAR20 = s.VBAR;
    return;
  }
  char text[96];
  std::snprintf(text, sizeof text, "set VBAR20 equal to VBAR(%.2fC)?", t);
  if (platform::Current().ShowMessageBox({window, text, "SETTING VBAR PARAMETERS",
                                          platform::BoxIcon::Question,
                                          platform::BoxButtons::YesNo}) ==
      platform::BoxAnswer::Yes)
    s.VBAR20 = s.VBAR;
}

}  // namespace

std::string FieldText(const char* format, double value) {
  constexpr std::size_t kFieldCharacters = 14;
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  const float shown = static_cast<float>(std::atof(text));
  const float exact = static_cast<float>(value);
  // Values made by sums or read from files carry float noise in their last
  // bits: the field's own digits are shown when they lie within a few units
  // of that last bit, so the user reads "7.1500", not "7.1499996".
  constexpr float kNoise = 4.0f * std::numeric_limits<float>::epsilon();
  const bool withinNoise = std::fabs(shown - exact) <= kNoise * std::fabs(exact);
  if (std::string(text).size() <= kFieldCharacters && (shown == exact || withinNoise))
    return text;
  // The shortest "%g" form that gives the same float back.
  for (int digits = 1; digits <= 9; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    if (static_cast<float>(std::atof(text)) == static_cast<float>(value)) break;
  }
  return text;
}

void FillParamsBoxTransfer(FormState& t) {
  const ModelParametersRecord& m = ModelParameters;
  const ModelKind kind = ModelSelection.Kind;
  const bool massForm = FitControl.MassInsteadOfD;
  const bool csGroup = UsesStandardCSKernel(kind);
  const bool buffer = BufferColumnShown(kind);
  const bool zone = IsZoneModel(kind);
  const char* massFormat =
      (!massForm || IsAssociationKind(kind) || IsContinuousModel(kind)) ? "%.5f" : "%.0f";
  for (int k = 1; k <= 4; ++k) {
    t.checked[ComponentOnId(k)] = m.ComponentOn[k] != 0;
    t.checked[ConcentrationFitId(k)] = m.ConcentrationFitted[k] != 0;
    t.checked[MassOrDFitId(k)] = m.MassOrDFitted[k] != 0;
    t.checked[SedFitId(k)] = m.SedCoefficientFitted[k] != 0;
    t.texts[ConcentrationId(k)] = FieldText("%.5f", m.Concentration[k]);
    t.texts[MassOrDId(k)] = FieldText(massFormat, m.MassOrD[k]);
    t.texts[SedId(k)] = FieldText("%.5f", m.SedCoefficient[k]);
  }
  if (zone) t.checked[SedFitId(4)] = m.LamellaWidthFitted != 0;
  if (csGroup) {
    const char* rangeFormat = m.SedCoefficient[1] > 1000.0f ? "%.0f" : "%.1f";
    t.texts[ConcentrationId(1)] = FieldText("%.0f", m.Concentration[1]);
    t.texts[MassOrDId(1)] = FieldText(rangeFormat, m.MassOrD[1]);
    t.texts[SedId(1)] = FieldText(rangeFormat, m.SedCoefficient[1]);
  }
  if (zone) t.texts[SedId(4)] = FieldText("%.5f", m.LamellaWidth);
  if (buffer) t.texts[426] = t.texts[427] = t.texts[428] = "buffer";
  t.checked[kBaselineFit] = (m.BaselineFitted != 0 || m.SystematicNoiseOn) ? 1 : 0;
  t.texts[kBaseline] = FieldText("%.5f", m.Baseline);
  t.checked[kMeniscusFit] = m.MeniscusFitted != 0;
  t.texts[kMeniscus] = FieldText("%.4f", m.Meniscus);
  t.checked[kBottomFit] = m.BottomFitted != 0;
  t.texts[kBottom] =
      FieldText("%.4f", Electrophoresis() ? m.ElectrophoresisColumnLength : m.Bottom);
  t.checked[kTINoiseFit] = FitControl.TINoiseFitted;
  t.checked[kRINoiseFit] = m.RINoiseFitted;
  const LammSolverSettingsRecord& s = LammSolverSettings;
  t.texts[kToleranceEntry] = FieldText("%.3f", 100.0 * FitControl.FitCycleTolerance);
  t.texts[kGridSizeEntry] = FieldText("%.0f", s.DefaultLammGridSize);
  t.texts[kStepEntry] = FieldText(
      "%.4f", ShowsSignalPerConcentration(kind) ? ScanDataSet.SignalPerConcentration
                                                : s.MaxChangePerStep);
  t.checked[kClaverieSimulations] = s.FixedGrid;
  t.checked[kAutoMethod] = s.AutomaticAlgorithm;
  t.checked[kMoveHat] = s.MovingFrame;
  t.texts[kModelEntry] = FieldText("%.2f", s.AutoSGridValue);
  t.checked[kAutoSHat] = s.AutoSGrid;
  t.checked[kFixedDt] = s.FixedTimeStep;
  for (int k = 1; k <= 4; ++k) {
    t.checked[445 + 2 * k] = m.LocalGlobalSwitches[k];
    t.checked[446 + 2 * k] = !m.LocalGlobalSwitches[k];
  }
}

void ReadParamsBoxTransfer(const FormState& t) {
  ModelParametersRecord& m = ModelParameters;
  const ModelKind kind = ModelSelection.Kind;
  const bool buffer = BufferColumnShown(kind);
  for (int k = 1; k <= 4; ++k) m.ComponentOn[k] = Tick(t, ComponentOnId(k));
  if (!buffer) m.Concentration[4] = NumberF(t, 426);
  for (int k = 1; k <= 3; ++k) m.Concentration[k] = NumberF(t, ConcentrationId(k));
  for (int k = 1; k <= 3; ++k) m.MassOrD[k] = NumberF(t, MassOrDId(k));
  // The non-ideal c(s) models show log10 kd in entry 427.
  if (!buffer && kind != ModelKind::NonidealCS && kind != ModelKind::HinderedCS)
    m.MassOrD[4] = NumberF(t, 427);
  for (int k = 1; k <= 3; ++k) m.SedCoefficient[k] = NumberF(t, SedId(k));
  if (IsZoneModel(kind))
    m.LamellaWidth = NumberF(t, 428);
  else if (IsScalingLawModel(kind))
    m.ExtraParameter[3] = NumberF(t, 428);
  else if (!buffer)
    m.SedCoefficient[4] = NumberF(t, 428);
  m.Baseline = NumberF(t, kBaseline);
  const float meniscus = m.Meniscus, bottom = m.Bottom;
  m.Meniscus = NumberF(t, kMeniscus);
  if (Electrophoresis()) {
    m.ElectrophoresisColumnLength = NumberF(t, kBottom);
    m.Bottom = m.Meniscus + m.ElectrophoresisColumnLength;
  } else {
    m.Bottom = NumberF(t, kBottom);
  }
  if (m.Meniscus != meniscus || m.Bottom != bottom) ScanDataSet.DataChanged = true;
  if (ShowsSignalPerConcentration(kind)) ScanDataSet.SignalPerConcentration = Number(t, kStepEntry);
  for (int k = 1; k <= 4; ++k) {
    m.ConcentrationFitted[k] = Tick(t, ConcentrationFitId(k));
    m.MassOrDFitted[k] = Tick(t, MassOrDFitId(k));
    if (IsZoneModel(kind) && k == 4)
      m.LamellaWidthFitted = Tick(t, SedFitId(4));
    else
      m.SedCoefficientFitted[k] = Tick(t, SedFitId(k));
  }
  if (IsScalingLawModel(kind)) m.ExtraParameterFitted[3] = Tick(t, 425);
  m.BaselineFitted = Tick(t, kBaselineFit);
  m.MeniscusFitted = Tick(t, kMeniscusFit);
  m.BottomFitted = Tick(t, kBottomFit);
  FitControl.TINoiseFitted = Tick(t, kTINoiseFit) != 0;
  m.RINoiseFitted = Tick(t, kRINoiseFit) != 0;
  m.LocalGlobalSwitches[1] = Tick(t, 447) != 0;
  m.LocalGlobalSwitches[2] = Tick(t, 449) != 0;
  if (kind != ModelKind::NonidealCS && kind != ModelKind::HinderedCS)
    m.LocalGlobalSwitches[3] = Tick(t, 451) != 0;
  m.LocalGlobalSwitches[4] = Tick(t, 453) != 0;
}

bool CmParameters(platform::WindowHandle window) {
  for (;;) {
    if (ParametersCommandLinks.EqTestActive()) {
      ParametersCommandLinks.ResetEqTest();
      return true;
    }
    ParametersConfirmed = true;
    MaybePlayInfoSound();
    ModelParametersRecord& m = ModelParameters;
    if (ScanReaderOptions.IntensityData) {
      m.InitialConcentrationConstant = true;
      m.InitialConcentrationExperimental = false;
    }
    UnpackParameterVector();
    if (m.LinearConcentrations)
      for (int k = 1; k <= 4; ++k)
        if (m.ComponentOn[k]) m.ConcentrationFitted[k] = 1;

    FormState& t = ParamsBoxTransfer;
    FillParamsBoxTransfer(t);
    const ModelKind kind = ModelSelection.Kind;
    ModelEntries entries(window, kind);
    entries.BeforeDialog(t);
    ParamsBoxLayoutInfo layout = ParamsBoxLayout(kind, FitControl.MassInsteadOfD);
    if (layout.resource != 0) {
      platform::FormRequest request;
      request.owner = window;
      request.caption = layout.title;
      request.items = std::move(layout.items);
      request.state = t;
      request.check = ParamsBoxCheckFor(request.items);
      ParameterDialogOpen = true;
      const bool ok = platform::ShowForm(request);
      ParameterDialogOpen = false;
      if (!ok) {
        ParametersConfirmed = false;
        entries.Cancelled(t);
        return false;
      }
      t = request.state;
    }
    ParameterDialogOpen = false;
    entries.AfterDialog(t);
    ReadParamsBoxTransfer(t);
    entries.AfterReadBack(t);

    LammSolverSettingsRecord& s = LammSolverSettings;
    if (IsContinuousModel(kind)) {
      const bool movingHat = kind == ModelKind::ElectrophoresisCV;
      s.MovingFrame = movingHat;
      s.FixedGrid = !movingHat;
    }
    if ((m.MeniscusFitted || m.BottomFitted) && !m.MeniscusRangeConfirmed) {
      // The limits box takes the parameters from the vector first; packed
      // now, the vector holds the entries just read back instead of the
      // state before the dialog, which would undo them.
      PackParameterVector();
      ParametersCommandLinks.EditMeniscusBottomLimits(window, false);
      m.MeniscusRangeConfirmed = true;
    }
    if (ScanDataSet.EquilibriumDataMode && FitControl.TINoiseFitted) {
      FitControl.TINoiseFitted = false;
      platform::Current().ShowMessageBox({window,
                                          "switching off TI noise - not implemented for sed eq data",
                                          "", platform::BoxIcon::Warning,
                                          platform::BoxButtons::Ok});
    }
    DeriveFitModeFlags();
    PackParameterVector();
    AskVbar20(window);
    AllocComponentGridArrays();
    if (!entries.GridSettingsAccepted()) continue;  // the dialog again, corrected
    entries.Finish();
    return true;
  }
}
