// Corrections that turn computed concentration profiles into what the
// detector records: the settings of the optics and of fluorescence
// detection, the time-dependent signal factors (linear drift, exponential
// photophysical change or a fluorophore's own time course) and the three
// drivers that Solve runs after a run. The radial corrections themselves
// (magnification gradient excepted) live beside the radial resolution.

#include <algorithm>
#include <cmath>
#include <numbers>

#include "lamm/CLammIdeal.h"
#include "lamm/FluorescenceDetectionRecord.h"
#include "numerics/ConstantShorthands.h"
#include "numerics/Resampling.h"
#include "ui/Boxes.h"

namespace {

// One output row of scan i: where the solver writes it and at which radii.
struct OutputRow {
  float* Values = nullptr;
  const float* Radii = nullptr;
  std::int32_t Count = 0;
  bool Buffered = false;  // the row lives in AddBuffer and is added to Output afterwards
};

OutputRow RowOfScan(const CLammIdeal& l, int i) {
  OutputRow row;
  row.Buffered = l.PerScanRadii || l.AddToOutput;
  if (row.Buffered) {
    if (l.AddBuffer && i <= l.AddBufferRows) row.Values = l.AddBuffer[i];
  } else if (l.Output) {
    row.Values = l.Output[i];
  }
  if (l.PerScanRadii) {
    if (l.ScanRadiusTable && l.ScanPointCounts) {
      row.Radii = l.ScanRadiusTable[i];
      row.Count = l.ScanPointCounts[i];
    }
  } else {
    row.Radii = l.OutputRadius;
    row.Count = l.OutputPointCount;
  }
  if (!row.Values || !row.Radii) row.Count = 0;
  return row;
}

void AddRowToOutput(const CLammIdeal& l, int i, const OutputRow& row) {
  if (!row.Buffered || !l.Output || row.Count <= 0) return;
  float* target = l.Output[i];
  for (int j = 1; j <= row.Count; ++j) target[j] += row.Values[j];
}

double ClampedBrightness(double value) {
  return std::max(value, 0.0);
}

}  // namespace

// --- Settings ---

void CLammIdeal::SetScanTimeOffset(float startRadius) {
  ScanTimeOffset = 0.0;
  if (!(AbsorbanceOptics && ScanVelocity > 0 && TimeResolutionOn)) return;
  // The scanning optics reach the meniscus this long after the first radius.
  const double offset = (Meniscus - startRadius) / (ScanVelocity / 60.0);
  if (offset > 0) ScanTimeOffset = offset;
}

void CLammIdeal::SetRadialMagnification(std::uint8_t on, float factor) {
  RadialMagnificationOn = on;
  RadialMagnificationSlope = on ? factor - 1.0 : 0.0;
}

void CLammIdeal::SetFluorophore(const CFluorophore* fluorophoreTemplate, std::int32_t channel,
                                std::uint8_t linearDriftOn, float driftPerHour) {
  if (!fluorophoreTemplate) {
    ErrorBox("Error pFlotmpl ==0 in CLammIdeal");
    return;
  }
  if (channel < 1) {
    ErrorBox("Error loading wl < 1 in CLammIdeal");
    return;
  }
  if (channel > fluorophoreTemplate->nWavelengths) {
    ErrorBox("Error loading wl > max in CLammIdeal");
    return;
  }
  Fluorophore.emplace();
  fluorophoreTemplate->CopyTo(&*Fluorophore);
  FluorophoreChannel = channel;
  LinearDriftOn = linearDriftOn;
  LinearDriftRate = driftPerHour / 3600.0;
  SignalDriftOn = 1;
}

void CLammIdeal::SetSignalDrift(std::uint8_t on, std::uint8_t linearDriftOn, float linearPerHour,
                                std::uint8_t photoChangeOn, float photoPerHour, float limit) {
  if (!on) {
    SignalDriftOn = 0;
    return;
  }
  SignalDriftOn = 1;
  LinearDriftOn = linearDriftOn;
  LinearDriftRate = linearPerHour / 3600.0;
  PhotoChangeOn = photoChangeOn;
  PhotoChangeRate = photoPerHour / 3600.0;
  PhotoChangeLimit = photoChangeOn ? limit : 1.0;
}

void CLammIdeal::SetConeConvolution(std::uint8_t on, float range, float widthInStd) {
  if (!on || !(range > 0.001f)) {
    ConeConvolutionOn = 0;
    ConeConvolutionRange = 0.0;
    return;
  }
  ConeConvolutionOn = 1;
  ConeConvolutionRange = range;
  ConeConvolutionWidth = widthInStd;
  ConeGridKind = 0;
  if (OutputValid) {
    TestOutputSpacing();
    BuildConeKernel();
  }
}

void CLammIdeal::SetExcitationShadow(std::uint8_t on, float width) {
  ExcitationShadowOn = on;
  ExcitationShadowWidth = on ? width : 0.0;
}

void CLammIdeal::SetFluorescenceDetection(const FluorescenceDetectionRecord& record,
                                          std::int32_t templateIndex) {
  const bool known =
      record.Templates && templateIndex >= 1 && templateIndex <= record.TemplateCount;
  const CFluorophore* fluorophore = known ? &record.Templates[templateIndex] : nullptr;
  const float drift = record.DriftPerHour;
  SetFluorophore(fluorophore, 1, std::fabs(drift) > 1e-8f, drift);
  if (std::fabs(record.Magnification - 1.0f) > 1e-5f)
    SetRadialMagnification(1, record.Magnification);
  // The shadow matters only when it reaches into the fitted range.
  const float shadow = record.ShadowWidth;
  if (std::fabs(shadow) > 0.001f && Bottom - (shadow + record.ConeRange) < RightFitLimit)
    SetExcitationShadow(1, std::fabs(shadow));
  if (std::fabs(record.ConeRange) > 0.001f)
    SetConeConvolution(1, std::fabs(record.ConeRange), record.ConeWidthInStd);
  if (fluorophore && fluorophore->bBurning) {
    const CFluorophore& f = *fluorophore;
    SetPhotophysics(f.BurnStartTime, f.BurnEndTime, f.bWithBurnReset ? f.BurnResetTime : -1.0,
                    f.BurnBeamWidth, f.BurnRate, f.BurnCenterRadius, f.BurnZone, f.BurnDepth,
                    f.BurnAsym, f.BurnCenterRadius2, f.BurnZone2, f.BurnRate2Fract);
  } else {
    PhotophysicsOn = 0;
  }
  if (fluorophore && fluorophore->bWithInitialBurn && fluorophore->nInitialBurn > 0)
    SetPhotophysicsProfile(fluorophore->nInitialBurn, fluorophore->pInitialBurnRad.data(),
                           fluorophore->pInitialBurnFact.data());
  else
    PhotophysicsProfileOn = 0;
}

void CLammIdeal::SetWienerSkewing(float magnitude, float signalPerConcentration) {
  WienerSkewingOn = 1;
  WienerSkewingMagnitude = magnitude;
  WienerSignalPerConcentration = signalPerConcentration;
  WienerConflict = 0;
}

void CLammIdeal::AllocWienerArrays(std::int32_t n) {
  WienerArrayCount = std::max(n, 0);
  WienerQuantity = OneBasedArray<double>(1, WienerArrayCount);
  WienerShiftedRadius = OneBasedArray<double>(1, WienerArrayCount);
  WienerResampled = OneBasedArray<double>(1, WienerArrayCount);
}

void CLammIdeal::FreeWienerArrays() {
  WienerQuantity = WienerShiftedRadius = WienerResampled = OneBasedArray<double>();
  WienerArrayCount = 0;
}

// --- Time-dependent signal factors ---

bool CLammIdeal::ComputeSignalFactors(double t, std::int32_t count, const float* radii, double rpm,
                                      double s) {
  if (count <= 0 || !radii) return false;
  SignalFactors = OneBasedArray<double>(1, count);
  SignalFactorCount = count;
  for (int j = 1; j <= count; ++j) SignalFactors[j] = 1.0;
  if (!SignalDriftOn) return false;
  const double drift = LinearDriftOn ? 1.0 + t * LinearDriftRate : 1.0;
  if (Fluorophore) {
    const double omega = rpm * kRpmToOmega;
    if (!FluorophoreFactors(FluorophoreChannel, t, count, radii, omega * omega * s * 1e-13)) {
      for (int j = 1; j <= count; ++j) SignalFactors[j] = 1.0;
      return false;
    }
  } else if (PhotoChangeOn) {
    const double L = PhotoChangeLimit;
    const double factor =
        ClampedBrightness(L + std::exp(-t * std::fabs(PhotoChangeRate)) * (1 - L));
    for (int j = 1; j <= count; ++j) SignalFactors[j] = factor;
  }
  for (int j = 1; j <= count; ++j) SignalFactors[j] *= drift;
  return true;
}

double CLammIdeal::SignalFactorAt(double t) const {
  if (!SignalDriftOn) return 1.0;
  const double drift = LinearDriftOn ? 1.0 + t * LinearDriftRate : 1.0;
  if (Fluorophore) return drift * FluorophoreFactorAt(FluorophoreChannel, t);
  if (PhotoChangeOn) {
    const double L = PhotoChangeLimit;
    return drift * ClampedBrightness(L + std::exp(-t * std::fabs(PhotoChangeRate)) * (1 - L));
  }
  return drift;
}

// The beam excites less where the sector is wider, so the switching runs
// slower by 5.8/r; while the boundary moves (m te > 0) the mean of
// exp(m t) over the illumination time weights the rate.
bool CLammIdeal::FluorophoreFactors(std::int32_t channel, double t, std::int32_t count,
                                    const float* radii, double m) {
  if (count < 1 || !radii || !Fluorophore || channel < 1 || channel > Fluorophore->nWavelengths ||
      SignalFactors.hi() < count)
    return false;
  for (int j = 1; j <= count; ++j)
    SignalFactors[j] = FluorophoreFactorMoving(channel, t, radii[j], m);
  return true;
}

double CLammIdeal::FluorophoreFactorMoving(std::int32_t channel, double t, double r,
                                           double m) const {
  if (!Fluorophore || channel < 1 || channel > Fluorophore->nWavelengths) return 1.0;
  const CFluorophore& f = *Fluorophore;
  const CFluorophore::Phase phase = f.PhaseAt(channel, t);
  const double te = phase.Tau;
  const double k = std::fabs(f.pRateConstantsOn[channel]);
  const double q = f.pInfTimeSteadyStateOn[channel];
  const double mt = m * te;
  const double F = mt > 0 ? (std::exp(mt) - 1) / mt : 1.0;
  const double e = r > 0 ? -k * F * (5.8 / r) * te / 3600 : -k * F * te / 3600;
  return ClampedBrightness(phase.Level * (q + std::exp(e) * (1 - q)));
}

double CLammIdeal::FluorophoreFactorAt(std::int32_t channel, double t) const {
  if (!Fluorophore || channel < 1 || channel > Fluorophore->nWavelengths) return 1.0;
  return Fluorophore->RelativeBrightness(channel, t);
}

// --- Drivers ---

namespace {

// Magnification gradient, signal factors, excitation shadow and cone
// convolution of one row, in this order.
void CorrectRow(CLammIdeal& l, const OutputRow& row) {
  for (int j = 1; j <= row.Count; ++j) {
    if (l.RadialMagnificationOn)
      row.Values[j] *=
          static_cast<float>((row.Radii[j] - l.Meniscus) * l.RadialMagnificationSlope + 1);
    if (l.SignalDriftOn && l.SignalFactorsValid)
      row.Values[j] *= static_cast<float>(l.SignalFactors[j]);
  }
  if (l.ExcitationShadowOn)
    l.ApplyExcitationShadow(row.Values, row.Radii, row.Count, static_cast<float>(l.Bottom),
                            static_cast<float>(l.ExcitationShadowWidth));
  if (l.ConeConvolutionOn)
    l.ApplyConeConvolution(row.Values, row.Radii, row.Count,
                           static_cast<float>(l.ConeConvolutionRange),
                           static_cast<float>(l.ConeConvolutionWidth),
                           static_cast<float>(l.Meniscus), static_cast<float>(l.Bottom));
}

void ComputeFactorsAndCorrect(CLammIdeal& l, int i, const OutputRow& row) {
  const ScanHeader& h = l.ScanHeaders[i];
  l.SignalFactorsValid = l.ComputeSignalFactors(l.ScanTimeOffset + h.RecordedTime, row.Count,
                                                row.Radii, h.Rpm, l.SedimentationCoeff);
  CorrectRow(l, row);
}

// The solver's own buffer rows start empty, so that nothing of an earlier
// equation is added to the output when a row cannot be computed.
void ClearBufferedRow(const OutputRow& row) {
  if (!row.Buffered) return;
  for (int j = 1; j <= row.Count; ++j) row.Values[j] = 0.0f;
}

}  // namespace

void CLammIdeal::PostCorrectScans() {
  if (!ScanHeaders) return;
  if (RadialMagnificationOn || ExcitationShadowOn || ConeConvolutionOn || SignalDriftOn)
    for (int i = 1; i <= ScanCount; ++i) ComputeFactorsAndCorrect(*this, i, RowOfScan(*this, i));
  if (!StoppedEarly || !ScanList) return;
  // Scans the time loop never reached hold no result.
  for (int k = std::max(NextScan, 1); k <= ScanCount; ++k) {
    const OutputRow row = RowOfScan(*this, ScanList[k]);
    for (int j = 1; j <= row.Count; ++j) row.Values[j] = 0.0f;
  }
}

void CLammIdeal::PostCorrectNoDiffusion() {
  if (!ScanHeaders) return;
  for (int i = 1; i <= ScanCount; ++i) {
    const OutputRow row = RowOfScan(*this, i);
    if (row.Count <= 0) continue;
    ClearBufferedRow(row);
    const ScanHeader& h = ScanHeaders[i];
    CLLammNoDiffvec(static_cast<float>(LoadingConcentration), ScanTimeOffset + h.Time, h.Rpm,
                    h.Omega2t, row.Radii, row.Values, row.Count);
    ComputeFactorsAndCorrect(*this, i, row);
    AddRowToOutput(*this, i, row);
  }
}

void CLammIdeal::PostCorrectStatic() {
  if (!ScanHeaders || !Concentration || !Radius) return;
  for (int i = 1; i <= ScanCount; ++i) {
    const OutputRow row = RowOfScan(*this, i);
    if (row.Count <= 0) continue;
    ClearBufferedRow(row);
    ResampleCurveFromDouble(row.Count, row.Radii, row.Values, GridSize, Radius, Concentration);
    ComputeFactorsAndCorrect(*this, i, row);
    AddRowToOutput(*this, i, row);
  }
}
