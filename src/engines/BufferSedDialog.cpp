#include "engines/BufferSedDialog.h"

#include <cmath>
#include <string>

#include "state/ModelSelection.h"
#include "data/ComponentGridSignals.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "engines/SolventDialogSupport.h"
#include "models/ParameterPacking.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

platform::FormState BufferSedTransfer;

namespace {

using platform::FormCheckBox;
using platform::FormEdit;
using platform::FormItem;
using platform::FormLabel;
using platform::FormState;
using solvent_dialogs::Box;
using solvent_dialogs::Format;
using solvent_dialogs::Ticked;
using solvent_dialogs::Value;

enum : int {
  kOn = 553, kExcessSample = 554, kExcessReference = 555, kBufferD = 556, kFloatBufferD = 557,
  kBufferS = 558, kFloatBufferS = 559, kSignal = 560, kFloatSignal = 561,
  kMeniscusMismatch = 562, kMeniscusDifference = 563, kFloatMeniscusDifference = 564,
  kRatio = 565, kFloatRatio = 566, kDifferentReference = 567, kReferenceD = 568,
  kFloatReferenceD = 569, kReferenceS = 570, kFloatReferenceS = 571,
};

// The buffer is component 4 of the discrete model: its loading is slot 12,
// its D (or M) slot 4 and its s slot 8.
constexpr int kBufferComponent = NCOMP;

// RT (erg/mol) at 20 degrees Celsius, assumed while no scans tell the
// temperature.
constexpr float kRTAt20C = 2.436002e10f;

struct OnceNotes {
  bool interference = false;
};
OnceNotes notes;


bool DiscreteNonInteracting() {
  return ModelSelection.Kind == ModelKind::NonInteractingSpecies;
}

bool TimeAndRadialNoiseFitted() {
  return FitControl.TINoiseFitted && ModelParameters.RINoiseFitted;
}

void FillTransfer(FormState& t, bool massMode) {
  const BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  t.checked[kOn] = b.On;
  t.checked[kExcessSample] = 0;
  t.checked[kExcessReference] = 0;
  t.texts[kBufferD] = Format("%.3f ", massMode ? b.BufferMb : b.BufferD);
  t.checked[kFloatBufferD] = b.BufferDOrMbFitted;
  t.texts[kBufferS] = Format("%.4f ", b.BufferS);
  t.checked[kFloatBufferS] = b.BufferSFitted;
  // The excess on the reference side shows as a negative signal.
  t.texts[kSignal] = Format("%.3f ", b.Sign < 0 ? -b.BufferSignal : b.BufferSignal);
  t.checked[kFloatSignal] = b.BufferSignalFitted;
  t.checked[kMeniscusMismatch] = b.MeniscusMismatchOn;
  t.texts[kMeniscusDifference] = Format("%.4f ", b.MeniscusDifference);
  t.checked[kFloatMeniscusDifference] = b.MeniscusDifferenceFitted;
  t.texts[kRatio] = Format("%.3f ", b.ConcentrationRatio);
  t.checked[kFloatRatio] = b.ConcentrationRatioFitted;
  t.checked[kDifferentReference] = b.DifferentReferenceBuffer;
  t.texts[kReferenceD] = Format("%.3f ", massMode ? b.ReferenceMb : b.ReferenceD);
  t.checked[kFloatReferenceD] = b.ReferenceDOrMbFitted;
  t.texts[kReferenceS] = Format("%.4f ", b.ReferenceS);
  t.checked[kFloatReferenceS] = b.ReferenceSFitted;
}

void ReadTransfer(const FormState& t, bool massMode) {
  BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  b.On = Ticked(t, kOn);
  (massMode ? b.BufferMb : b.BufferD) = std::fabs(Value(t, kBufferD));
  b.BufferDOrMbFitted = Ticked(t, kFloatBufferD);
  b.BufferS = Value(t, kBufferS);
  b.BufferSFitted = Ticked(t, kFloatBufferS);
  const double signal = Value(t, kSignal);
  b.ExcessInSample = signal >= 0;
  b.ExcessInReference = !b.ExcessInSample;
  b.Sign = b.ExcessInSample ? 1.0 : -1.0;
  b.BufferSignal = std::fabs(signal);
  b.BufferSignalFitted = Ticked(t, kFloatSignal);
  b.MeniscusMismatchOn = Ticked(t, kMeniscusMismatch);
  b.MeniscusDifference = Value(t, kMeniscusDifference);
  b.MeniscusDifferenceFitted = Ticked(t, kFloatMeniscusDifference);
  b.ConcentrationRatio = Value(t, kRatio);
  b.ConcentrationRatioFitted = Ticked(t, kFloatRatio);
  if (!b.MeniscusMismatchOn) b.MeniscusDifferenceFitted = b.ConcentrationRatioFitted = false;
  b.DifferentReferenceBuffer = Ticked(t, kDifferentReference);
  (massMode ? b.ReferenceMb : b.ReferenceD) = std::fabs(Value(t, kReferenceD));
  b.ReferenceDOrMbFitted = Ticked(t, kFloatReferenceD);
  b.ReferenceS = Value(t, kReferenceS);
  b.ReferenceSFitted = Ticked(t, kFloatReferenceS);
  if (!b.DifferentReferenceBuffer) b.ReferenceDOrMbFitted = b.ReferenceSFitted = false;
}

// D from Mb (mass mode; the buffer s takes the sign of Mb) or Mb from D,
// for both sides; D in 1e-7 cm^2/s.
void DeriveFromEntries(bool massMode, double RT) {
  BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  const auto side = [&](double& D, double& Mb, double& s) {
    if (massMode) {
      D = Mb != 0 ? std::fabs(s) * 1e-6 * RT / std::fabs(Mb) : 0.0;
      s = Mb < 0 ? -std::fabs(s) : std::fabs(s);
    } else {
      Mb = D > 0 ? s * 1e-6 * RT / D : 0.0;
    }
  };
  side(b.BufferD, b.BufferMb, b.BufferS);
  side(b.ReferenceD, b.ReferenceMb, b.ReferenceS);
}

bool IncompatibleModelOrData() {
  const ModelKind k = ModelSelection.Kind;
  switch (k) {
    case ModelKind::LsGStarOneDiscrete:
    case ModelKind::HybridCSLsGStar:
    case ModelKind::CSWithOneDiscrete:
    case ModelKind::NonidealCS:
    case ModelKind::HinderedCS:
    case ModelKind::CSWithMsTable:
    case ModelKind::ExtrapolateLsGStar:
    case ModelKind::VanHoldeWeischet:
    case ModelKind::ElectrophoresisCV:
    case ModelKind::ElectrophoresisLsGStar:
      return true;
    default:
      break;
  }
  const LammGeometry g = GeometryOf(k);
  return IsZoneModel(k) || g == LammGeometry::ExternalLoading ||
         g == LammGeometry::LinearForceElectrophoresis || ScanDataSet.EquilibriumDataMode ||
         DlsDataMode || InhomogeneousSolventOn ||
         ModelParameters.InitialConcentrationExperimental;
}

void ClearBufferComponentFlags() {
  ModelParametersRecord& mp = ModelParameters;
  mp.MassOrDFitted[kBufferComponent] = 0;
  mp.SedCoefficientFitted[kBufferComponent] = 0;
  ParameterFitted[kBufferComponent] = 0;
  ParameterFitted[NCOMP + kBufferComponent] = 0;
}

}  // namespace

void ResetBufferSedTransfer(FormState& transfer) {
  transfer = FormState{};
}

void ResetBufferSedNotes() {
  notes = OnceNotes{};
}

std::vector<FormItem> BufferSedBoxItems(bool massMode) {
  const char* d = massMode ? "buffer Mb (sample side)" : "buffer D (sample side)";
  const char* dr = massMode ? "reference Mb" : "reference D";
  const char* menisc =
      massMode ? "meniscus difference (s-r)" : "float meniscus difference (s-r)";
  return {
      FormCheckBox(kOn, 0, 0, 0, "turn on buffer mismatch model", 2),
      FormLabel(0, 1, 1, "float"),
      FormEdit(kBufferD, 0, 2, 0, massMode ? "buffer Mb [g/mol]" : "buffer D [1e-7 cm^2/s]"),
      FormCheckBox(kFloatBufferD, 0, 2, 1, d),
      FormEdit(kBufferS, 0, 3, 0, "buffer s [S]"),
      FormCheckBox(kFloatBufferS, 0, 3, 1, "buffer s (sample side)"),
      FormEdit(kSignal, 0, 4, 0, "buffer signal (< 0: excess in reference)"),
      FormCheckBox(kFloatSignal, 0, 4, 1, "buffer signal"),
      FormCheckBox(kMeniscusMismatch, 0, 5, 0, "with meniscus mismatch", 2),
      FormEdit(kMeniscusDifference, 0, 6, 0, "meniscus difference [cm]"),
      FormCheckBox(kFloatMeniscusDifference, 0, 6, 1, menisc),
      FormEdit(kRatio, 0, 7, 0, "relative concentration"),
      FormCheckBox(kFloatRatio, 0, 7, 1, "relative concentration s/r"),
      FormCheckBox(kDifferentReference, 0, 8, 0, "different buffer in reference", 2),
      FormEdit(kReferenceD, 0, 9, 0, massMode ? "reference Mb [g/mol]" : "reference D [1e-7 cm^2/s]"),
      FormCheckBox(kFloatReferenceD, 0, 9, 1, dr),
      FormEdit(kReferenceS, 0, 10, 0, "reference s [S]"),
      FormCheckBox(kFloatReferenceS, 0, 10, 1, "reference s"),
  };
}

platform::FormRefusal BufferSedBoxCheck(const FormState& state) {
  int bad = 0;
  for (int id : {kBufferD, kReferenceD})
    if (bad == 0 && !IsNonNegativeNumber(state.Text(id).c_str())) bad = id;
  for (int id : {kBufferS, kSignal, kMeniscusDifference, kRatio, kReferenceS})
    if (bad == 0 && !IsNumber(state.Text(id).c_str())) bad = id;
  if (bad == 0) return {};
  PlayInfoSound();
  return platform::RefuseWith("Invalid Entry", "Input Error", bad);
}

bool RunBufferSedDialog(platform::WindowHandle window) {
  const bool massMode = FitControl.MassInsteadOfD;
  FillTransfer(BufferSedTransfer, massMode);
  platform::FormRequest request;
  request.owner = window;
  request.caption = "Buffer Mismatch";
  request.items = BufferSedBoxItems(massMode);
  request.state = BufferSedTransfer;
  request.check = BufferSedBoxCheck;
  if (!platform::ShowForm(request)) return false;
  BufferSedTransfer = request.state;
  ReadTransfer(BufferSedTransfer, massMode);
  SolventConditionsRecord& sc = SolventConditions;
  if (ScanDataSet.NFILES < 1) {
    sc.GasConstantRT = kRTAt20C;
    Box(window, "assuming t = 20 'C", "");
  }
  DeriveFromEntries(massMode, sc.GasConstantRT);
  BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  if (IsContinuousModel(ModelSelection.Kind) && !b.BufferSignalFitted &&
      !TimeAndRadialNoiseFitted()) {
    Box(window,
        "fixed buffer concentration in c(s) only implemented with TI and RI noise - floating c "
        "now",
        "Attention");
    b.BufferSignalFitted = true;
  }
  return true;
}

bool CheckBufferSedCompatibility(platform::WindowHandle window) {
  BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  if (IncompatibleModelOrData()) {
    Box(window,
        "buffer sedimentation model is incompatible with this model\nswitching buffer "
        "sedimentation off",
        "Attention");
    BufferSedOff(window);
    b.On = false;
    return false;
  }
  if (!ScanReaderOptions.InterferenceData && !notes.interference) {
    notes.interference = true;
    Box(window, "Note: buffer sedimentation model is intended only for interference data",
        "Attention");
  }
  ModelParametersRecord& mp = ModelParameters;
  if (DiscreteNonInteracting()) {
    const auto c = static_cast<std::size_t>(kBufferComponent);
    if (mp.MassOrD[c] != 0.0f || mp.SedCoefficient[c] != 0.0f) {
      Box(window,
          "Note: Component 4 of non-interacting model cannot be used with buffer sedimentation "
          "model.\nSwitching off Component 4.",
          "Attention");
      mp.MassOrD[c] = 0.0f;
      mp.SedCoefficient[c] = 0.0f;
    }
    mp.ComponentOn[c] = 1;
    mp.ConcentrationFitted[c] = b.BufferSignalFitted ? 1 : 0;
    ClearBufferComponentFlags();
  }
  if (IsContinuousModel(ModelSelection.Kind) && !TimeAndRadialNoiseFitted())
    b.BufferSignalFitted = true;
  return true;
}

void FixBufferSedimentationParams() {
  ModelParametersRecord& mp = ModelParameters;
  const BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  if (DiscreteNonInteracting()) {
    if (mp.LinearConcentrations)
      for (int i = 1; i < NCOMP; ++i)
        if (mp.ComponentOn[static_cast<std::size_t>(i)] != 0) {
          mp.ConcentrationFitted[static_cast<std::size_t>(i)] = 1;
          ParameterFitted[static_cast<std::size_t>(2 * NCOMP + i)] = 1;
        }
    const int flag = b.BufferSignalFitted ? 1 : 0;
    mp.ConcentrationFitted[kBufferComponent] = flag;
    ParameterFitted[2 * NCOMP + kBufferComponent] = flag;
  }
  DeriveFitModeFlags();
  PackParameterVector();
  AllocComponentGridArrays();
}

void BufferSedOff(platform::WindowHandle window) {
  TempParameterFileLinks.CheckMenuItem(window, kBufferSedimentationItem, false);
  if (!DiscreteNonInteracting()) return;
  ModelParametersRecord& mp = ModelParameters;
  mp.ComponentOn[kBufferComponent] = 0;
  mp.ConcentrationFitted[kBufferComponent] = 0;
  ParameterFitted[2 * NCOMP + kBufferComponent] = 0;
  ClearBufferComponentFlags();
}

BufferSedCommandOutcome BufferSedimentationCommand(platform::WindowHandle window) {
  BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  const ModelKind k = ModelSelection.Kind;
  if (k == ModelKind::CSFf0 || k == ModelKind::CSFf0OneDiscrete) {
    PlayInfoSound();
    Box(window, "c(s,ff0) model does not work in buffer mismatch mode", "ERROR");
    return {b.On, false};
  }
  const bool wasOn = b.On, signalFitted = b.BufferSignalFitted,
             meniscusMismatch = b.MeniscusMismatchOn;
  if (!RunBufferSedDialog(window)) return {b.On, false};
  const bool switchedOn = b.On && !wasOn;
  if (switchedOn && !CheckBufferSedCompatibility(window)) b.On = false;
  if (b.On && (b.BufferSignalFitted != signalFitted || switchedOn))
    FixBufferSedimentationParams();
  if (!b.On && wasOn) BufferSedOff(window);
  return {b.On, b.On && b.MeniscusMismatchOn != meniscusMismatch};
}
