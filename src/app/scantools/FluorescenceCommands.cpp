#include "app/scantools/FluorescenceCommands.h"

#include <cmath>
#include <cstdio>

#include "app/commands/CommandTable.h"
#include "app/scantools/ScanToolSupport.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanReaderOptions.h"
#include "models/TempParameterFile.h"
#include "tools/NonlinearDetection.h"
#include "ui/Boxes.h"

namespace {

FluorescenceCorrectionsRecord& Fl() {
  return CorrectionOptions.Fluorescence;
}

void Mark(TXLAWindow& window, int a, int b, bool on) {
  window.CheckMenuItem(a, on);
  if (b != 0) window.CheckMenuItem(b, on);
}

// Commands meant for fluorescence data ask before they act on other data.
bool FluorescenceOrProceed(TXLAWindow& window, const char* caption) {
  if (ScanReaderOptions.FluorescenceData) return true;
  return Ask(window, "this is intended for fluorescence data - proceed anyway?", caption);
}

bool AskFlag(TXLAWindow& window, const char* text, const char* caption, bool& flag) {
  flag = Ask(window, text, caption);
  return flag;
}

// A value shown in other units than stored: entered x scale, stored / scale.
void AskScaled(TXLAWindow& window, float& value, float scale, const char* prompt,
               const char* caption) {
  float shown = value * scale;
  if (AskNumber(window, shown, prompt, caption)) value = shown / scale;
}

// log10 of a ks entry; entries that have no usable logarithm become -8.
float LogKs(float ks) {
  return ks > 1e-8f ? std::log10(ks) : -8.0f;
}

// Puts the untransformed data back when the transformed ones are shown.
void ShowUntransformedData() {
  auto& f = Fl();
  if (f.NonlinearDetectionOn && NonlinearDetectionState.TransformedShown) {
    f.NonlinearDetectionSecondFlag = false;
    TransformNonlinearDetection(NonlinearDetectionState.StoredExponent,
                                NonlinearDetectionState.StoredBaseline, false);
  }
}

void NonlinearOff(TXLAWindow& window) {
  auto& f = Fl();
  f.NonlinearDetectionOn = false;
  f.NonlinearExponentFitted = false;
  Mark(window, 906, 908, false);
}

// The dialog's kept entries between calls.
platform::FormState FloToolTransfer;

}  // namespace

void CmSignalRadialConvolution(TXLAWindow& window) {
  const char* caption = "Signal Radial Convolution";
  auto& f = Fl();
  if (!FluorescenceOrProceed(window, caption) || !Ask(window, "use radial convolution?", caption)) {
    f.ConvolutionOn = f.ConvolutionWidthFitted = false;
    Mark(window, 911, 912, false);
    return;
  }
  f.ConvolutionOn = true;
  Mark(window, 911, 912, true);
  AskNumber(window, f.ConvolutionWidth, "characteristic width (cm)", caption);
  AskFlag(window, "fit characteristic convolution width?", caption, f.ConvolutionWidthFitted);
  AskNumber(window, f.ConsiderDistFactor, "consider dist factor", caption);
}

void CmJohnstonOgstonDepletion(TXLAWindow& window) {
  const char* caption = "Johnston Ogston Signal Depletion";
  auto& f = Fl();
  if (!FluorescenceOrProceed(window, caption) ||
      !Ask(window, "account for Johnston Ogston anomaly of moving signal depletion?", caption)) {
    f.DepletionOn = false;
    f.DepletionSFitted = f.DepletionDFitted = f.DepletionAmplitudeFitted = false;
    Mark(window, 925, 0, false);
    return;
  }
  f.DepletionOn = true;
  Mark(window, 925, 0, true);
  AskNumber(window, f.DepletionS, "s-value of depletion (S)", caption);
  AskFlag(window, "fit s-value?", caption, f.DepletionSFitted);
  AskScaled(window, f.DepletionD, 1e7f, "D-value of depletion (F)", caption);
  AskFlag(window, "fit D-value?", caption, f.DepletionDFitted);
  AskNumber(window, f.DepletionAmplitude, "amplitude of depletion (S)", caption);
  AskFlag(window, "fit amplitude?", caption, f.DepletionAmplitudeFitted);
  float ks = std::pow(10.0f, f.DepletionLogKs);
  if (AskNumber(window, ks, "ks-value", caption)) f.DepletionLogKs = LogKs(ks);
  AskFlag(window, "fit ks-value?", caption, f.DepletionKsFitted);
}

void CmExcitationShadowAtBottom(TXLAWindow& window) {
  const char* caption = "Signal Excitation Shadow";
  auto& f = Fl();
  if (!FluorescenceOrProceed(window, caption) ||
      !Ask(window, "account for excitation shadow at bottom of cell??", caption)) {
    f.ShadowOn = f.ShadowFitted = false;
    Mark(window, 913, 914, false);
    return;
  }
  f.ShadowOn = true;
  Mark(window, 913, 914, true);
  AskNumber(window, f.ShadowRadius, "cone radius (cm)", caption);
  AskFlag(window, "fit cone radius?", caption, f.ShadowFitted);
}

void CmSignalMagnificationDriftWithTime(TXLAWindow& window) {
  const char* caption = "Signal Amplitude Change With Time";
  auto& f = Fl();
  f.DriftOn = f.PhotophysicsOn = f.LinearDriftOn = false;
  f.LinearDriftFitted = f.ExponentialDriftFitted = f.LimitingSignalFitted = false;
  Mark(window, 909, 910, false);
  if (!FluorescenceOrProceed(window, caption)) return;
  if (Ask(window, "use linear temporal magnification drift?", caption)) {
    f.DriftOn = f.LinearDriftOn = true;
    AskScaled(window, f.LinearDrift, 100.0f, "(df/dt) [%/h]", caption);
    AskFlag(window, "fit temporal magnification drift?", caption, f.LinearDriftFitted);
  }
  if (Ask(window, "use exponential photophysics model?", caption)) {
    f.DriftOn = f.PhotophysicsOn = true;
    AskNumber(window, f.ExponentialDriftRate, "rate [per h]", caption);
    AskScaled(window, f.LimitingSignal, 100.0f, "limiting signal level [%]", caption);
    AskFlag(window, "fit limiting signal level?", caption, f.LimitingSignalFitted);
    AskFlag(window, "fit temporal magnification drift?", caption, f.ExponentialDriftFitted);
  }
  if (f.DriftOn) Mark(window, 909, 910, true);
}

void CmSignalMagnificationRadialGradient(TXLAWindow& window) {
  const char* caption = "Signal Amplitude Change With Radius";
  auto& f = Fl();
  if (!FluorescenceOrProceed(window, caption) ||
      !Ask(window, "use radial magnification gradient?", caption)) {
    f.MagnificationGradientOn = f.MagnificationGradientFitted = false;
    Mark(window, 905, 907, false);
    return;
  }
  f.MagnificationGradientOn = true;
  Mark(window, 905, 907, true);
  AskNumber(window, f.MagnificationGradient, "1+da/dr", caption);
  AskFlag(window, "fit radial magnification gradient?", caption, f.MagnificationGradientFitted);
}

void CmNonlinearDetection(TXLAWindow& window) {
  const char* caption = "Nonlinear Detection";
  auto& f = Fl();
  if (!FluorescenceOrProceed(window, caption)) {
    NonlinearOff(window);
    return;
  }
  if (!Ask(window, "account for nonlinear detection", caption)) {
    ShowUntransformedData();
    NonlinearOff(window);
    return;
  }
  f.NonlinearDetectionOn = true;
  Mark(window, 906, 908, true);
  float p = f.NonlinearExponent;
  // The power law needs a positive exponent; the entry is asked again.
  while (AskNumber(window, p, "power coeff d(log(a))/dc", caption) && !(p > 0.0f))
    Tell(window, "the power coefficient must be greater than 0", caption);
  if (p > 0.0f) f.NonlinearExponent = p;
  AskFlag(window, "fit power coefficient?", caption, f.NonlinearExponentFitted);
  AskNumber(window, f.NonlinearBaseline, "baseline for power law", caption);
  AskFlag(window, "want to show transformed data (YES) or original (NO)?", caption,
          f.NonlinearDetectionSecondFlag);
  TransformNonlinearDetection(f.NonlinearExponent, f.NonlinearBaseline,
                              f.NonlinearDetectionSecondFlag);
  Repaint(window);
}

// ---- the dialog -----------------------------------------------------------

namespace {

std::string Fixed(double v, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

// (id, check-box flag)
struct CheckBinding {
  int id;
  bool FluorescenceCorrectionsRecord::*flag;
};

constexpr CheckBinding kChecks[] = {
    {613, &FluorescenceCorrectionsRecord::MagnificationGradientFitted},
    {615, &FluorescenceCorrectionsRecord::MagnificationGradientOn},
    {621, &FluorescenceCorrectionsRecord::LinearDriftOn},
    {620, &FluorescenceCorrectionsRecord::LinearDriftFitted},
    {835, &FluorescenceCorrectionsRecord::PhotophysicsOn},
    {832, &FluorescenceCorrectionsRecord::ExponentialDriftFitted},
    {449, &FluorescenceCorrectionsRecord::LimitingSignalFitted},
    {622, &FluorescenceCorrectionsRecord::ShadowFitted},
    {623, &FluorescenceCorrectionsRecord::ShadowOn},
    {624, &FluorescenceCorrectionsRecord::ConvolutionWidthFitted},
    {625, &FluorescenceCorrectionsRecord::ConvolutionOn},
    {626, &FluorescenceCorrectionsRecord::NonlinearDetectionOn},
    {630, &FluorescenceCorrectionsRecord::NonlinearExponentFitted},
    {640, &FluorescenceCorrectionsRecord::NonlinearDetectionSecondFlag},
    {401, &FluorescenceCorrectionsRecord::DepletionOn},
    {404, &FluorescenceCorrectionsRecord::DepletionSFitted},
    {403, &FluorescenceCorrectionsRecord::DepletionDFitted},
    {402, &FluorescenceCorrectionsRecord::DepletionAmplitudeFitted},
    {409, &FluorescenceCorrectionsRecord::DepletionKsFitted},
};

// Edits that may hold any number; the others must not be negative.
bool SignedEdit(int id) {
  return id == 612 || id == 614 || id == 627;
}

constexpr int kEdits[] = {612, 614, 834, 450, 616, 617, 619, 618, 627};

void FillState(platform::FormState& s) {
  const auto& f = Fl();
  for (const CheckBinding& c : kChecks) s.checked[c.id] = (f.*c.flag) ? 1 : 0;
  s.texts[612] = Fixed(f.MagnificationGradient, 4);
  s.texts[614] = Fixed(f.LinearDrift * 100.0, 4);
  s.texts[834] = Fixed(f.ExponentialDriftRate, 3);
  s.texts[450] = Fixed(f.LimitingSignal * 100.0, 3);
  s.texts[616] = Fixed(f.ShadowRadius, 4);
  s.texts[617] = Fixed(f.ConvolutionWidth, 4);
  s.texts[619] = Fixed(f.ConsiderDistFactor, 4);
  s.texts[618] = Fixed(f.NonlinearExponent, 4);
  s.texts[627] = Fixed(f.NonlinearBaseline, 4);
  s.texts[414] = Fixed(f.DepletionS, 4);
  s.texts[413] = Fixed(f.DepletionD * 1e7, 4);
  s.texts[405] = Fixed(f.DepletionAmplitude, 4);
  s.texts[412] = Fixed(std::pow(10.0, f.DepletionLogKs), 5);
}

float Number(const platform::FormState& s, int id) {
  return static_cast<float>(std::atof(s.Text(id).c_str()));
}

bool Ticked(const platform::FormState& s, int id) {
  return s.Checked(id) != 0;
}

}  // namespace

void InitFloToolSettings() {
  FloToolTransfer = platform::FormState{};
}

platform::FormRequest FloToolForm(TXLAWindow& window) {
  using namespace platform;
  FormRequest r;
  r.owner = window.Handle();
  r.caption = "Tools For Fitting Fluorescence AUC data";
  r.items = {
      FormCheckBox(613, 0, 0, 0, "fit"),
      FormEdit(612, 0, 0, 1, "1+da/dr"),
      FormCheckBox(615, 0, 0, 2, "with radial magnification gradient"),
      FormCheckBox(621, 0, 1, 2, "with temporal linear magnification drift"),
      FormCheckBox(620, 0, 1, 0, "fit"),
      FormEdit(614, 0, 1, 1, "% per h"),
      FormCheckBox(835, 0, 2, 2, "exponential photophysical intensity change"),
      FormEdit(834, 0, 2, 1, "rate (per h)"),
      FormEdit(450, 0, 3, 1, "limiting level %"),
      FormCheckBox(832, 0, 2, 0, "fit"),
      FormCheckBox(449, 0, 3, 0, "fit"),
      FormCheckBox(622, 0, 4, 0, "fit"),
      FormEdit(616, 0, 4, 1, "cm"),
      FormCheckBox(623, 0, 4, 2, "with excitation shadow"),
      FormCheckBox(624, 0, 5, 0, "fit"),
      FormEdit(617, 0, 5, 1, "cm"),
      FormEdit(619, 0, 6, 1, "calculate Gaussian within # std"),
      FormCheckBox(625, 0, 5, 2, "with radial convolution from detection cone"),
      FormCheckBox(626, 0, 7, 2, "with nonlinear detection"),
      FormEdit(618, 0, 7, 1, "power coefficient d(log(a))/dc"),
      FormEdit(627, 0, 8, 1, "baseline for tranform"),
      FormCheckBox(630, 0, 7, 0, "fit"),
      FormCheckBox(640, 0, 8, 2, "show transformed"),
  };
  // The depletion controls are hidden: their entries travel with the
  // state but are not shown.
  FillState(r.state);
  r.check = [](const FormState& s) {
    for (int id : kEdits) {
      const std::string text = s.Text(id);
      const bool ok = SignedEdit(id) ? IsNumber(text.c_str()) : IsNonNegativeNumber(text.c_str());
      if (!ok) {
        platform::Current().Beep(platform::BoxIcon::None);
        return RefuseWith("Invalid Entry", "Input Error", id);
      }
    }
    return FormRefusal{};
  };
  return r;
}

void ApplyFloToolState(TXLAWindow& window, const platform::FormState& s) {
  auto& f = Fl();
  f.DepletionOn = Ticked(s, 401);
  Mark(window, 925, 0, f.DepletionOn);
  f.DepletionS = Number(s, 414);
  f.DepletionD = Number(s, 413) * 1e-7f;
  f.DepletionAmplitude = Number(s, 405);
  f.DepletionLogKs = LogKs(Number(s, 412));
  f.DepletionSFitted = Ticked(s, 404);
  f.DepletionDFitted = Ticked(s, 403);
  f.DepletionAmplitudeFitted = Ticked(s, 402);
  f.DepletionKsFitted = Ticked(s, 409);

  f.MagnificationGradientFitted = Ticked(s, 613);
  f.MagnificationGradient = Number(s, 612);
  f.MagnificationGradientOn = Ticked(s, 615);
  Mark(window, 905, 907, f.MagnificationGradientOn);

  f.LinearDriftOn = Ticked(s, 621);
  f.LinearDriftFitted = f.LinearDriftOn && Ticked(s, 620);
  f.LinearDrift = Number(s, 614) * 0.01f;
  f.PhotophysicsOn = Ticked(s, 835);
  f.ExponentialDriftRate = Number(s, 834);
  f.LimitingSignal = Number(s, 450) * 0.01f;
  f.ExponentialDriftFitted = f.PhotophysicsOn && Ticked(s, 832);
  f.LimitingSignalFitted = f.PhotophysicsOn && Ticked(s, 449);
  f.DriftOn = f.PhotophysicsOn || f.LinearDriftOn;
  Mark(window, 909, 910, f.DriftOn);

  f.ShadowFitted = Ticked(s, 622);
  f.ShadowRadius = Number(s, 616);
  f.ShadowOn = Ticked(s, 623);
  Mark(window, 913, 914, f.ShadowOn);
  f.ConvolutionWidthFitted = Ticked(s, 624);
  f.ConvolutionWidth = Number(s, 617);
  f.ConsiderDistFactor = Number(s, 619);
  f.ConvolutionOn = Ticked(s, 625);
  Mark(window, 911, 912, f.ConvolutionOn);

  const bool wanted = Ticked(s, 626);
  if (wanted == f.NonlinearDetectionOn) {
    const float before = f.NonlinearExponent, baseBefore = f.NonlinearBaseline;
    const bool showBefore = f.NonlinearDetectionSecondFlag;
    f.NonlinearExponentFitted = Ticked(s, 630);
    f.NonlinearDetectionSecondFlag = Ticked(s, 640);
    const float entered = Number(s, 618);
    // The power law needs a positive exponent.
    f.NonlinearExponent = entered > 0.0f ? entered : 0.01f;
    f.NonlinearBaseline = Number(s, 627);
    Mark(window, 906, 908, f.NonlinearDetectionOn);
    if (f.NonlinearDetectionOn && (entered != before || f.NonlinearBaseline != baseBefore ||
                                   f.NonlinearDetectionSecondFlag != showBefore))
      TransformNonlinearDetection(f.NonlinearExponent, f.NonlinearBaseline,
                                  f.NonlinearDetectionSecondFlag);
  } else if (wanted) {
    f.NonlinearDetectionOn = true;
    Mark(window, 906, 908, true);
  } else {
    ShowUntransformedData();
    f.NonlinearDetectionOn = f.NonlinearDetectionSecondFlag = f.NonlinearExponentFitted = false;
    Mark(window, 906, 908, false);
  }
}

void CmFloToolBox(TXLAWindow& window) {
  if (!ScanReaderOptions.FluorescenceData &&
      !Ask(window, "this is intended for fluorescence data - proceed anyway?", "FloTools"))
    return;
  platform::FormRequest form = FloToolForm(window);
  if (!platform::ShowForm(form)) return;
  FloToolTransfer = form.state;
  ApplyFloToolState(window, form.state);
  Repaint(window);
}

void RegisterFluorescenceCommands(CommandTable& table) {
  table.Add(911, &CmSignalRadialConvolution, false, "CmSignalRadialConvolution");
  table.Add(912, &CmSignalRadialConvolution, false, "CmSignalRadialConvolution");
  table.Add(925, &CmJohnstonOgstonDepletion, false, "CmJohnstonOgstonSignalDepletion");
  table.Add(913, &CmExcitationShadowAtBottom, false, "CmExcitationShadowAtBottom");
  table.Add(914, &CmExcitationShadowAtBottom, false, "CmExcitationShadowAtBottom");
  table.Add(909, &CmSignalMagnificationDriftWithTime, false, "CmSignalMagnificationDriftWithTime");
  table.Add(910, &CmSignalMagnificationDriftWithTime, false, "CmSignalMagnificationDriftWithTime");
  table.Add(905, &CmSignalMagnificationRadialGradient, false,
            "CmSignalMagnificationRadialGradient");
  table.Add(907, &CmSignalMagnificationRadialGradient, false,
            "CmSignalMagnificationRadialGradient");
  table.Add(906, &CmNonlinearDetection, false, "CmNonlinearDetection");
  table.Add(908, &CmNonlinearDetection, false, "CmNonlinearDetection");
  table.Add(915, &CmFloToolBox, false, "CmFloToolBox");
}
