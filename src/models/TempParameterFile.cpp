#include "models/TempParameterFile.h"

#include <climits>
#include <cmath>
#include <utility>

#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "state/DistributionSettingsRecords.h"
#include "models/GlobalLammState.h"
#include "models/ParameterPacking.h"
#include "models/ScanTimesFromW2t.h"
#include "state/FitControl.h"
#include "state/LammSolverSettings.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "state/RestorePreviousAnalysis.h"
#include "state/SpeciesEngineParameters.h"
#include "numerics/CVector.h"
#include "numerics/NumberTextScanner.h"
#include "ui/Boxes.h"
#include "state/Links.h"

CorrectionOptionsRecord CorrectionOptions;
bool ReloadInProgress = false;
TempParameterFileLinksRecord TempParameterFileLinks;

namespace {

// The rows of the layout that name a model flag or a code of their own.
constexpr int kMarkIndex = 0;
constexpr int kContinuousCodeIndex = 72;
constexpr int kLinearDriftIndex = 177;

float Flag(bool on) {
  return on ? 1.0f : 0.0f;
}

// Truncation towards zero into the int range: a damaged file may hold values
// that no int can take, or no number at all.
int Truncate(float value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<float>(INT_MAX)) return INT_MAX;
  if (value <= static_cast<float>(INT_MIN)) return INT_MIN;
  return static_cast<int>(value);
}

int Floor(float value) {
  return Truncate(std::floor(value));
}

// The continuous model as one code; tested in this order so that the
// variants with a command of their own are recognised before the family.
int ContinuousModelCode(ModelKind k) {
  if (!IsContinuousModel(k)) return 0;
  switch (k) {
    case ModelKind::CSFf0:
      return 3;
    case ModelKind::CSFf0OneDiscrete:
      return 4;
    case ModelKind::CSGeneralScalingLaw:
      return 5;
    case ModelKind::FMScalingLaw:
      return 6;
    case ModelKind::HinderedCS:
      return 7001;
    case ModelKind::NonidealCS:
      return 7;
    case ModelKind::LsGStar:
      return 8;
    case ModelKind::CSFlotation:
      return 9;
    case ModelKind::CSWithOneDiscrete:
      return 2;
    default:
      return 1;
  }
}

int RegularizationCode(const RegularizationTypeRecord& r) {
  if (r.BothRegularizations) return 4;
  if (r.MaxEntRegularizationOn) return 1;
  if (r.SecondDerivativeRegularization) return 2;
  if (r.TP3Regularization) return 3;
  return 0;
}

void DefaultResetModelFlags(platform::WindowHandle window) {
  ModelSelection = ModelSelectionRecord{};
  SelectModelKind(ModelKind::NoModel);
  LammSolverSettings.AutomaticAlgorithm = true;
  LammSolverSettings.LammGridSize = LammSolverSettings.DefaultLammGridSize;
  TimesFromW2tOff(window);
}

void Log(platform::WindowHandle window, const std::string& text) {
  if (DebugLog) DebugLog(window, text);
}

}  // namespace

void ResetTempParameterFileLinks() {
  TempParameterFileLinksRecord& l = TempParameterFileLinks;
  l.ResetModelFlags = DefaultResetModelFlags;
  l.IssueModelCommand = [](platform::WindowHandle, ModelKind kind) { ModelSelection.Kind = kind; };
  // Without the window's solvent commands a restored buffer mismatch stays
  // on: nothing can say it is incompatible.
  l.CheckBufferSedCompatibility = [](platform::WindowHandle) { return true; };
  l.ClearFlotationGridReset = links::Unwired;
  l.SaveCtotBesideParameters = links::Unwired;
  l.LoadCtotBesideParameters = links::Unwired;
  l.FixBufferSedimentationParams = links::Unwired;
  l.BufferSedOff = links::Unwired;
  l.DrawMeniscusCursor = links::Unwired;
  l.CheckMenuItem = links::Unwired;
  l.ReloadSavedFitParameters = links::Unwired;
  l.QuietMode = links::Unwired;
  l.SerialFitRunning = links::Unwired;
}

namespace {
// The links start at their defaults without anyone having to ask.
const bool kLinksReady = (ResetTempParameterFileLinks(), true);
}  // namespace

std::vector<float> TempParameterValues(bool intermediate) {
  const ModelParametersRecord& m = ModelParameters;
  const LammSolverSettingsRecord& l = LammSolverSettings;
  const DistributionSettingsRecord& ds = DistributionSettings;
  const FlotationSettingsRecord& fl = ds.FlotationSettings;
  const BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  const FluorescenceCorrectionsRecord& f = CorrectionOptions.Fluorescence;
  const WienerSkewingRecord& w = CorrectionOptions.WienerSkewing;
  const CtotSettingsRecord& c = CorrectionOptions.Ctot;
  const ModelKind kind = ModelSelection.Kind;
  std::vector<float> v(TempParameterValueCount, 0.0f);
  auto at = [&v](int index) -> float& { return v.at(static_cast<size_t>(index)); };

  at(kMarkIndex) = intermediate ? 0.0f : 1.0f;
  for (int k = 1; k <= NCOMP; ++k) {
    const int o = 9 * (k - 1);
    at(1 + o) = static_cast<float>(m.ComponentOn[k]);
    at(2 + o) = m.Concentration[k];
    // Concentrations solved as linear parameters are hidden from the
    // optimisers (fit flag 0); the file marks them fitted so that the reload
    // recognises the linear mode again.
    at(3 + o) = m.LinearConcentrations && m.ComponentOn[k] != 0
                    ? 1.0f
                    : static_cast<float>(m.ConcentrationFitted[k]);
    at(4 + o) = m.MassOrD[k];
    at(5 + o) = static_cast<float>(m.MassOrDFitted[k]);
    at(6 + o) = m.SedCoefficient[k];
    at(7 + o) = static_cast<float>(m.SedCoefficientFitted[k]);
    at(8 + o) = m.ExtraParameter[k];
    at(9 + o) = static_cast<float>(m.ExtraParameterFitted[k]);
  }
  at(37) = m.Baseline;
  at(38) = m.SystematicNoiseOn ? 1.0f : static_cast<float>(m.BaselineFitted);
  at(39) = m.Meniscus;
  at(40) = m.Bottom;
  at(41) = ScanDataSet.FitLeftLim;
  at(42) = ScanDataSet.FitRightLim;
  at(43) = static_cast<float>(l.DefaultLammGridSize);
  at(44) = m.SpareParameter[1];
  at(45) = static_cast<float>(m.MeniscusFitted);
  at(46) = SolventConditions.VBAR20;
  at(47) = static_cast<float>(m.BottomFitted);
  at(48) = FitControl.MAXMENISCUS;
  at(49) = FitControl.MINMENISCUS;
  at(50) = FitControl.MAXBOTTOM;
  at(51) = FitControl.MINBOTTOM;
  at(52) = SolventConditions.VBAR;
  at(53) = SolventConditions.BufferDensity;
  for (int j = 1; j <= 4; ++j) at(53 + j) = Flag(m.LocalGlobalSwitches[j]);
  at(58) = Flag(l.AutomaticAlgorithm);
  at(59) = Flag(FitControl.MassInsteadOfD);
  at(60) = Flag(l.MovingFrame);
  at(61) = Flag(l.FixedGrid);
  at(62) = static_cast<float>(l.MaxChangePerStep);
  at(63) = static_cast<float>(GlobalLammRun.RelativeChangeLow);
  at(64) = static_cast<float>(GlobalLammRun.RelativeChangeMid);
  at(65) = FitControl.FitCycleTolerance;
  at(66) = Flag(l.FixedTimeStep);
  at(67) = Flag(IsDiscreteSpeciesModel(kind));
  at(68) = Flag(kind == ModelKind::MonomerDimer);
  at(69) = Flag(kind == ModelKind::MonomerTrimer);
  at(70) = Flag(kind == ModelKind::SelfAssociation124);
  at(71) = kind == ModelKind::HinderedSingleSpecies   ? 1001.0f
           : kind == ModelKind::NonidealSingleSpecies ? 1.0f
                                                      : 0.0f;
  at(kContinuousCodeIndex) = static_cast<float>(ContinuousModelCode(kind));
  at(73) = Flag(m.InitialConcentrationConstant);
  at(74) = Flag(m.InitialConcentrationExperimental);
  at(75) = Flag(FitControl.TINoiseFitted);
  at(76) = Flag(l.AutomaticAlgorithm);
  at(77) = Flag(l.AutoSGrid);
  at(78) = Flag(m.TimeOffsetFitted);
  at(79) = m.TimeOffset;
  at(80) = Flag(m.RINoiseFitted);
  at(81) = Flag(ScanDataSet.RampRotorSpeed);
  at(82) = Flag(kind == ModelKind::SelfAssociation148);
  at(83) = Flag(kind == ModelKind::BuoyantMassEquilibrium);
  at(84) = kind == ModelKind::CSFf0 ? 1.0f : kind == ModelKind::CSFf0OneDiscrete ? 2.0f : 0.0f;
  at(85) = ds.Ff0Min;
  at(86) = ds.Ff0Max;
  at(87) = ds.Ff0GridCount;
  at(88) = ds.Ff0RegularizationWeight;
  at(89) = ds.DiscreteSpeciesMass;
  at(90) = ds.DiscreteSpeciesS;
  at(91) = Flag(l.AutoGridSize);
  at(92) = l.PointsPerSigma;
  at(93) = static_cast<float>(l.MaxGridSize);
  at(94) = static_cast<float>(l.MinGridSize);
  at(95) = Flag(b.On);
  at(96) = Flag(b.ExcessInSample);
  at(97) = Flag(b.ExcessInReference);
  at(98) = static_cast<float>(b.Sign);
  at(99) = Flag(b.EstimateSubtracted);
  at(100) = static_cast<float>(b.BufferD);
  at(101) = static_cast<float>(b.BufferMb);
  at(102) = static_cast<float>(b.BufferS);
  at(103) = static_cast<float>(b.BufferSignal);
  at(104) = Flag(b.MeniscusMismatchOn);
  at(105) = static_cast<float>(b.MeniscusDifference);
  at(106) = static_cast<float>(b.ConcentrationRatio);
  at(107) = Flag(b.DifferentReferenceBuffer);
  at(108) = static_cast<float>(b.ReferenceD);
  at(109) = static_cast<float>(b.ReferenceMb);
  at(110) = static_cast<float>(b.ReferenceS);
  at(111) = Flag(b.BufferDOrMbFitted);
  at(112) = Flag(b.BufferSFitted);
  at(113) = Flag(b.BufferSignalFitted);
  at(114) = Flag(b.MeniscusDifferenceFitted);
  at(115) = Flag(b.ConcentrationRatioFitted);
  at(116) = Flag(b.ReferenceDOrMbFitted);
  at(117) = Flag(b.ReferenceSFitted);
  at(118) = l.ScanVelocity;
  at(119) = l.RadialResolutionRange;
  at(120) = Flag(l.ScanTimeCorrectionOn);
  at(121) = Flag(l.RadialResolutionOn);
  at(122) = Flag(IsZoneModel(kind));
  at(123) = Flag(kind == ModelKind::ZoneLsGStar);
  at(124) = Flag(kind == ModelKind::ZoneCS);
  at(125) = Flag(ModelSelection.InvertBand);
  at(126) = m.LamellaWidth;
  at(127) = Flag(m.LamellaWidthFitted != 0);
  at(128) = Flag(kind == ModelKind::NonidealMultipleSpecies);
  at(129) = Flag(m.SyntheticBoundaryOverlay != 0);
  for (int j = 1; j <= NonidealMultiSettingCount; ++j) {
    at(128 + 2 * j) = Flag(m.NonidealMultiSetting[j].Flag != 0);
    at(129 + 2 * j) = m.NonidealMultiSetting[j].Value;
  }
  for (int j = 1; j <= 3; ++j) at(149 + j) = m.SpeciesExtinction[j];
  at(153) = Flag(f.MagnificationGradientFitted);
  at(154) = f.MagnificationGradient;
  at(155) = Flag(f.MagnificationGradientOn);
  at(156) = Flag(f.NonlinearDetectionOn);
  at(157) = f.NonlinearExponent;
  at(158) = f.NonlinearBaseline;
  at(159) = Flag(f.NonlinearExponentFitted);
  at(160) = Flag(f.ExponentialDriftFitted);
  at(161) = f.ExponentialDriftRate;
  at(162) = Flag(f.DriftOn);
  at(163) = Flag(f.ConvolutionWidthFitted);
  at(164) = f.ConvolutionWidth;
  at(165) = Flag(f.ConvolutionOn);
  at(166) = Flag(f.ShadowFitted);
  at(167) = f.ShadowRadius;
  at(168) = Flag(f.ShadowOn);
  at(169) = Flag(f.NonlinearDetectionSecondFlag);
  at(170) = f.ConsiderDistFactor;
  at(171) = Flag(f.PhotophysicsOn);
  at(172) = Flag(ScanDataSet.CheckRotorAcceleration);
  at(173) = Flag(f.LimitingSignalFitted);
  at(174) = f.LimitingSignal;
  at(175) = Flag(f.LinearDriftOn);
  at(176) = Flag(f.LinearDriftFitted);
  at(kLinearDriftIndex) = f.LinearDrift;
  at(178) = Flag(f.DepletionOn);
  at(179) = Flag(f.DepletionSFitted);
  at(180) = Flag(f.DepletionDFitted);
  at(181) = Flag(f.DepletionAmplitudeFitted);
  at(182) = Flag(f.DepletionKsFitted);
  at(183) = f.DepletionS;
  at(184) = f.DepletionD * 1e7f;
  at(185) = f.DepletionAmplitude;
  at(186) = f.DepletionLogKs;
  at(187) = SpeciesEngineParameters.LogKs;
  at(188) = Flag(SpeciesEngineParameters.LogKsFitted != 0);
  at(189) = SpeciesEngineParameters.LogKd;
  at(190) = Flag(SpeciesEngineParameters.LogKdFitted != 0);
  at(191) = static_cast<float>(ScanDataSet.SignalPerConcentration);
  at(192) = Flag(c.CtotFromDataOnly);
  at(193) = Flag(c.ExcludeDiscreteFromCtot);
  at(194) = Flag(c.VolumeFractionNonideality);
  at(195) = Flag(c.UseExternalCtot);
  at(196) = Flag(c.FreezeCtot);
  at(197) = static_cast<float>(c.MovienGrid);
  at(198) = static_cast<float>(c.CtotRadialPoints);
  at(199) = Flag(ds.LogarithmicGrid);
  at(200) = ds.LogSpacedSmin;
  at(201) = Flag(ds.LogSpacedSminOn);
  at(202) = Flag(ds.GridFromFile);
  at(203) = Flag(w.On);
  at(204) = w.Magnitude * 1e6f;
  at(205) = w.SignalPerConcentration;
  at(206) = Flag(w.MagnitudeFitted != 0);
  at(207) = Flag(fl.FlotationDeconvolutionR);
  at(208) = fl.FlotationDeconvolutionSize * 1e7f;
  at(209) = fl.FlotationMinS;
  at(210) = fl.FlotationMaxS;
  at(211) = static_cast<float>(fl.FlotationGridN);
  at(212) = Flag(fl.FlotationOnly);
  at(213) = static_cast<float>(RegularizationCode(ds.RegularizationType));
  at(214) = 0.0f;
  return v;
}

void TmpSaveBestParams(platform::WindowHandle window, bool intermediate) {
  Log(window, "\nEnter TmpSaveBestParams");
  const std::string path = DataFileLocation.TempParameterFilePath;
  if (path.empty()) return;
  // The linear concentrations are written as fitted by TempParameterValues:
  // set in the records here, the unpacking would clear them again.
  UnpackParameterVector();
  const std::vector<float> values = TempParameterValues(intermediate);
  CVector(static_cast<unsigned>(values.size()), values.data()).WriteFile(path);
  if (IsNonidealCsFamily(ModelSelection.Kind))
    TempParameterFileLinks.SaveCtotBesideParameters(path);
  Log(window, " --> done.");
}

namespace {

// The values of a file, read before anything is applied. A value the file
// does not hold leaves its field alone; a flag it does not hold takes the
// layout's default.
class StoredValues {
 public:
  explicit StoredValues(std::vector<float> values) : v_(std::move(values)) {}
  int Count() const { return static_cast<int>(v_.size()); }
  bool Has(int i) const { return i < Count(); }
  float At(int i) const { return v_[static_cast<size_t>(i)]; }
  void Float(int i, float& field) const {
    if (Has(i)) field = At(i);
  }
  void Double(int i, double& field) const {
    if (Has(i)) field = At(i);
  }
  void Int(int i, int& field) const {
    if (Has(i)) field = Truncate(At(i));
  }
  void IntFloor(int i, int& field) const {
    if (Has(i)) field = Floor(At(i));
  }
  // The integer form of a switch kept as bool: any value that truncates to
  // nonzero is on.
  void IntSwitch(int i, bool& field) const {
    if (Has(i)) field = Truncate(At(i)) != 0;
  }
  bool Flag(int i, bool absent) const { return Has(i) ? At(i) == 1.0f : absent; }
  void Flag(int i, bool& field, bool absent) const { field = Flag(i, absent); }
  void FlagInt(int i, int& field, bool absent) const { field = Flag(i, absent) ? 1 : 0; }

 private:
  std::vector<float> v_;
};

// True when nothing but numbers (one per line) fills the file: the reader
// stops at the first text that is no number, and a file damaged after its
// 99th value would otherwise pass for an older, shorter layout and reset the
// settings it no longer holds.
bool HoldsOnlyNumbers(const std::string& path) {
  NumberTextScanner scanner;
  if (!scanner.Open(path)) return false;
  float value = 0.0f;
  while (scanner.ReadFloat(value)) scanner.DiscardLinePiece();
  return scanner.AtEnd();
}

// Reads every value of the file; an empty vector when it cannot be read or
// is damaged.
std::vector<float> ReadStoredValues(const std::string& path) {
  CVector file;
  if (!file.ReadFile(path) || file.count() == 0 || !HoldsOnlyNumbers(path)) return {};
  return std::vector<float>(file.data(), file.data() + file.count());
}

ModelKind KindOfContinuousCode(int code) {
  switch (code) {
    case 1:
      return ModelKind::ContinuousCS;
    case 2:
      return ModelKind::CSWithOneDiscrete;
    case 3:
      return ModelKind::CSFf0;
    case 4:
      return ModelKind::CSFf0OneDiscrete;
    case 5:
      return ModelKind::CSGeneralScalingLaw;
    case 6:
      return ModelKind::FMScalingLaw;
    case 7:
      return ModelKind::NonidealCS;
    case 7001:
      return ModelKind::HinderedCS;
    case 8:
      return ModelKind::LsGStar;
    case 9:
      return ModelKind::CSFlotation;
    default:
      return ModelKind::NoModel;
  }
}

void ApplyComponents(const StoredValues& s) {
  ModelParametersRecord& m = ModelParameters;
  for (int k = 1; k <= NCOMP; ++k) {
    const int o = 9 * (k - 1);
    s.Int(1 + o, m.ComponentOn[k]);
    s.Float(2 + o, m.Concentration[k]);
    s.Int(3 + o, m.ConcentrationFitted[k]);
    s.Float(4 + o, m.MassOrD[k]);
    s.Int(5 + o, m.MassOrDFitted[k]);
    s.Float(6 + o, m.SedCoefficient[k]);
    s.Int(7 + o, m.SedCoefficientFitted[k]);
    s.Float(8 + o, m.ExtraParameter[k]);
    s.Int(9 + o, m.ExtraParameterFitted[k]);
  }
}

void RecomputeFitIndices() {
  if (ScanDataSet.NFILES == 0 || CommonRadialGrid.CommonGridSize == 0) return;
  SetFirstFitIndex();
  SetLastFitIndex();
}

// Values 37 to 66.
void ApplyLimitsSolventAndNumerics(const StoredValues& s) {
  ModelParametersRecord& m = ModelParameters;
  LammSolverSettingsRecord& l = LammSolverSettings;
  s.Float(37, m.Baseline);
  s.Int(38, m.BaselineFitted);
  s.Float(39, m.Meniscus);
  s.Float(40, m.Bottom);
  s.Float(41, ScanDataSet.FitLeftLim);
  s.Float(42, ScanDataSet.FitRightLim);
  RecomputeFitIndices();
  s.Int(43, l.DefaultLammGridSize);
  l.LammGridSize = l.DefaultLammGridSize;
  s.Float(44, m.SpareParameter[1]);
  s.Int(45, m.MeniscusFitted);
  s.Float(46, SolventConditions.VBAR20);
  s.Int(47, m.BottomFitted);
  s.Float(48, FitControl.MAXMENISCUS);
  s.Float(49, FitControl.MINMENISCUS);
  s.Float(50, FitControl.MAXBOTTOM);
  s.Float(51, FitControl.MINBOTTOM);
  s.Float(52, SolventConditions.VBAR);
  s.Float(53, SolventConditions.BufferDensity);
  SolventConditions.VbarRho = SolventConditions.VBAR * SolventConditions.BufferDensity;
  for (int j = 1; j <= 4; ++j) {
    bool on = m.LocalGlobalSwitches[j];
    s.Flag(53 + j, on, false);
    m.LocalGlobalSwitches[j] = on;
  }
  s.Flag(58, l.AutomaticAlgorithm, false);
  s.Flag(59, FitControl.MassInsteadOfD, false);
  s.Flag(60, l.MovingFrame, false);
  s.Flag(61, l.FixedGrid, false);
  s.Double(62, l.MaxChangePerStep);
  GlobalLammRun.MaxRelativeChange = l.MaxChangePerStep;
  s.Double(63, GlobalLammRun.RelativeChangeLow);
  s.Double(64, GlobalLammRun.RelativeChangeMid);
  s.Float(65, FitControl.FitCycleTolerance);
  s.Flag(66, l.FixedTimeStep, false);
}

// The model flags as the file keeps them, one by one.
struct StoredModelFlags {
  bool DiscreteSpecies = false, MonomerDimer = false, MonomerTrimer = false;
  bool SelfAssociation124 = false, SelfAssociation148 = false, BuoyantMass = false;
  bool Nonideal = false, Hindered = false;
  bool Zone = false, ZoneLsGStar = false, ZoneCS = false, NonidealMultiple = false;
};

StoredModelFlags ReadModelFlags(const StoredValues& s) {
  StoredModelFlags f;
  f.DiscreteSpecies = s.Flag(67, false);
  f.MonomerDimer = s.Flag(68, false);
  f.MonomerTrimer = s.Flag(69, false);
  f.SelfAssociation124 = s.Flag(70, false);
  const int nonideal = s.Has(71) ? Truncate(s.At(71)) : 0;
  f.Nonideal = nonideal > 0;
  f.Hindered = nonideal == 1001;
  f.SelfAssociation148 = s.Flag(82, false);
  f.BuoyantMass = s.Flag(83, false);
  f.Zone = s.Flag(122, false);
  f.ZoneLsGStar = s.Flag(123, false);
  f.ZoneCS = s.Flag(124, false);
  f.NonidealMultiple = s.Flag(128, false);
  return f;
}

// The stored flags as one model kind: the more particular flag wins.
ModelKind KindOfFlags(const StoredModelFlags& f, ModelKind reissued) {
  if (f.Zone && f.ZoneCS) return ModelKind::ZoneCS;
  if (f.Zone && f.ZoneLsGStar) return ModelKind::ZoneLsGStar;
  if (reissued != ModelKind::NoModel) return reissued;
  if (f.NonidealMultiple) return ModelKind::NonidealMultipleSpecies;
  if (f.Hindered) return ModelKind::HinderedSingleSpecies;
  if (f.Nonideal) return ModelKind::NonidealSingleSpecies;
  if (f.MonomerDimer) return ModelKind::MonomerDimer;
  if (f.MonomerTrimer) return ModelKind::MonomerTrimer;
  if (f.SelfAssociation124) return ModelKind::SelfAssociation124;
  if (f.SelfAssociation148) return ModelKind::SelfAssociation148;
  if (f.BuoyantMass) return ModelKind::BuoyantMassEquilibrium;
  if (f.Zone && f.DiscreteSpecies) return ModelKind::ZoneIndependentSpecies;
  if (f.DiscreteSpecies) return ModelKind::NonInteractingSpecies;
  return ModelKind::NoModel;
}

// Value 72: the model command of the stored code, run with the reload's
// settings in place. Returns the model it selected (NoModel for no command).
ModelKind ReissueModelCommand(platform::WindowHandle window, int code) {
  const ModelKind kind = KindOfContinuousCode(code);
  if (kind == ModelKind::NoModel) return kind;
  ModelParametersRecord& m = ModelParameters;
  DistributionSettingsRecord& ds = DistributionSettings;
  if (code == 5 || code == 6) {
    ds.GeneralScalingLaw.ScalingKs = m.Concentration[3];
    ds.ScalingKsFitted = m.ConcentrationFitted[3];
    ds.GeneralScalingLaw.ScalingExponent = m.ExtraParameter[3];
    ds.ScalingExponentFitted = m.ExtraParameterFitted[3];
  }
  if (code == 6) ds.ScalingNoDeconvolution = m.ConcentrationFitted[2];
  if (code != 1 && code != 8 && code != 9) FitControl.MassInsteadOfD = true;
  if (code == 9) TempParameterFileLinks.ClearFlotationGridReset();
  TempParameterFileLinks.ResetModelFlags(window);
  ReloadInProgress = true;
  TempParameterFileLinks.IssueModelCommand(window, kind);
  ReloadInProgress = false;
  return kind;
}

// Values 73 to 94 apart from the model flags.
void ApplyRunSettings(const StoredValues& s) {
  ModelParametersRecord& m = ModelParameters;
  LammSolverSettingsRecord& l = LammSolverSettings;
  DistributionSettingsRecord& ds = DistributionSettings;
  s.Flag(73, m.InitialConcentrationConstant, false);
  s.Flag(74, m.InitialConcentrationExperimental, false);
  s.Flag(75, FitControl.TINoiseFitted, false);
  s.Flag(76, l.AutomaticAlgorithm, false);
  s.Flag(77, l.AutoSGrid, false);
  s.Flag(78, m.TimeOffsetFitted, false);
  m.TimeOffsetOn = m.TimeOffsetFitted;
  s.Float(79, m.TimeOffset);
  s.Flag(80, m.RINoiseFitted, false);
  if (s.Has(81)) {
    ScanDataSet.RampRotorSpeed = s.Flag(81, false);
    ScanDataSet.TimesFromW2t = !ScanDataSet.RampRotorSpeed;
  }
  s.Float(85, ds.Ff0Min);
  s.Float(86, ds.Ff0Max);
  s.Float(87, ds.Ff0GridCount);
  s.Float(88, ds.Ff0RegularizationWeight);
  if (s.Has(89)) {
    ds.DiscreteSpeciesMass = s.At(89);
    m.ExtraParameter[1] = ParameterVector[16] = ds.DiscreteSpeciesMass;
  }
  if (s.Has(90)) {
    ds.DiscreteSpeciesS = s.At(90);
    m.ExtraParameter[2] = ParameterVector[17] = ds.DiscreteSpeciesS;
  }
  if (s.Has(91)) s.Flag(91, l.AutoGridSize, false);
  s.Float(92, l.PointsPerSigma);
  s.IntFloor(93, l.MaxGridSize);
  s.IntFloor(94, l.MinGridSize);
}

void ApplyBufferMismatch(const StoredValues& s) {
  BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  s.Flag(95, b.On, false);
  s.Flag(96, b.ExcessInSample, true);
  s.Flag(97, b.ExcessInReference, false);
  b.Sign = s.Flag(98, true) ? 1.0 : -1.0;
  s.Flag(99, b.EstimateSubtracted, false);
  s.Double(100, b.BufferD);
  s.Double(101, b.BufferMb);
  s.Double(102, b.BufferS);
  s.Double(103, b.BufferSignal);
  s.Flag(104, b.MeniscusMismatchOn, false);
  s.Double(105, b.MeniscusDifference);
  s.Double(106, b.ConcentrationRatio);
  s.Flag(107, b.DifferentReferenceBuffer, false);
  s.Double(108, b.ReferenceD);
  s.Double(109, b.ReferenceMb);
  s.Double(110, b.ReferenceS);
  s.Flag(111, b.BufferDOrMbFitted, false);
  s.Flag(112, b.BufferSFitted, false);
  s.Flag(113, b.BufferSignalFitted, false);
  s.Flag(114, b.MeniscusDifferenceFitted, false);
  s.Flag(115, b.ConcentrationRatioFitted, false);
  s.Flag(116, b.ReferenceDOrMbFitted, false);
  s.Flag(117, b.ReferenceSFitted, false);
}

// Values 118 to 152 apart from the model flags.
void ApplyResolutionAndMultiSpecies(const StoredValues& s) {
  ModelParametersRecord& m = ModelParameters;
  LammSolverSettingsRecord& l = LammSolverSettings;
  s.Float(118, l.ScanVelocity);
  s.Float(119, l.RadialResolutionRange);
  s.Flag(120, l.ScanTimeCorrectionOn, false);
  s.Flag(121, l.RadialResolutionOn, false);
  s.Flag(125, ModelSelection.InvertBand, false);
  s.Float(126, m.LamellaWidth);
  s.FlagInt(127, m.LamellaWidthFitted, false);
  s.FlagInt(129, m.SyntheticBoundaryOverlay, false);
  for (int j = 1; j <= NonidealMultiSettingCount; ++j) {
    s.FlagInt(128 + 2 * j, m.NonidealMultiSetting[j].Flag, false);
    s.Float(129 + 2 * j, m.NonidealMultiSetting[j].Value);
  }
  for (int j = 1; j <= 3; ++j) s.Float(149 + j, m.SpeciesExtinction[j]);
}

void ApplyFluorescence(const StoredValues& s) {
  FluorescenceCorrectionsRecord& f = CorrectionOptions.Fluorescence;
  s.Flag(153, f.MagnificationGradientFitted, false);
  s.Float(154, f.MagnificationGradient);
  s.Flag(155, f.MagnificationGradientOn, false);
  s.Flag(156, f.NonlinearDetectionOn, false);
  s.Float(157, f.NonlinearExponent);
  s.Float(158, f.NonlinearBaseline);
  s.Flag(159, f.NonlinearExponentFitted, false);
  s.Flag(160, f.ExponentialDriftFitted, false);
  s.Float(161, f.ExponentialDriftRate);
  s.Flag(163, f.ConvolutionWidthFitted, false);
  s.Float(164, f.ConvolutionWidth);
  s.Flag(165, f.ConvolutionOn, false);
  s.Flag(166, f.ShadowFitted, false);
  s.Float(167, f.ShadowRadius);
  s.Flag(168, f.ShadowOn, false);
  s.Flag(169, f.NonlinearDetectionSecondFlag, false);
  s.Float(170, f.ConsiderDistFactor);
  s.Flag(171, f.PhotophysicsOn, false);
  s.Flag(172, ScanDataSet.CheckRotorAcceleration, false);
  s.Flag(173, f.LimitingSignalFitted, false);
  s.Float(174, f.LimitingSignal);
  s.Flag(175, f.LinearDriftOn, false);
  s.Flag(176, f.LinearDriftFitted, false);
  if (s.Has(kLinearDriftIndex)) {
    f.LinearDrift = s.At(kLinearDriftIndex);
  } else {
    // Older layouts kept the exponential rate in percent per hour.
    if (s.Has(161)) f.ExponentialDriftRate *= 0.01f;
    f.LinearDrift = 0.0f;
  }
  f.DriftOn = f.PhotophysicsOn || f.LinearDriftOn;
  if (!f.PhotophysicsOn) f.ExponentialDriftFitted = f.LimitingSignalFitted = false;
  if (!f.LinearDriftOn) f.LinearDriftFitted = false;
  s.Flag(178, f.DepletionOn, false);
  s.Flag(179, f.DepletionSFitted, false);
  s.Flag(180, f.DepletionDFitted, false);
  s.Flag(181, f.DepletionAmplitudeFitted, false);
  s.Flag(182, f.DepletionKsFitted, false);
  s.Float(183, f.DepletionS);
  if (s.Has(184)) f.DepletionD = s.At(184) * 1e-7f;
  s.Float(185, f.DepletionAmplitude);
  s.Float(186, f.DepletionLogKs);
}

// Values 187 to 212.
void ApplyNonidealityAndGrids(const StoredValues& s) {
  SpeciesEngineParametersRecord& e = SpeciesEngineParameters;
  CtotSettingsRecord& c = CorrectionOptions.Ctot;
  DistributionSettingsRecord& ds = DistributionSettings;
  FlotationSettingsRecord& fl = ds.FlotationSettings;
  WienerSkewingRecord& w = CorrectionOptions.WienerSkewing;
  s.Float(187, e.LogKs);
  s.FlagInt(188, e.LogKsFitted, false);
  s.Float(189, e.LogKd);
  s.FlagInt(190, e.LogKdFitted, false);
  s.Double(191, ScanDataSet.SignalPerConcentration);
  s.Flag(192, c.CtotFromDataOnly, true);
  s.Flag(193, c.ExcludeDiscreteFromCtot, false);
  s.Flag(194, c.VolumeFractionNonideality, false);
  s.Flag(195, c.UseExternalCtot, false);
  s.Flag(196, c.FreezeCtot, false);
  s.IntFloor(197, c.MovienGrid);
  s.IntFloor(198, c.CtotRadialPoints);
  s.Flag(199, ds.LogarithmicGrid, false);
  if (s.Has(199)) TakeLogSpacingFromSettings = true;
  s.Float(200, ds.LogSpacedSmin);
  s.Flag(201, ds.LogSpacedSminOn, false);
  s.Flag(202, ds.GridFromFile, false);
  s.Flag(203, w.On, false);
  if (s.Has(204)) w.Magnitude = s.At(204) * 1e-6f;
  s.Float(205, w.SignalPerConcentration);
  s.FlagInt(206, w.MagnitudeFitted, false);
  s.Flag(207, fl.FlotationDeconvolutionR, true);
  if (s.Has(208)) fl.FlotationDeconvolutionSize = s.At(208) * 1e-7f;
  s.Float(209, fl.FlotationMinS);
  s.Float(210, fl.FlotationMaxS);
  s.IntFloor(211, fl.FlotationGridN);
  s.Flag(212, fl.FlotationOnly, true);
}

// Value 213: one regularisation and its menu check mark.
void ApplyRegularization(platform::WindowHandle window, const StoredValues& s) {
  if (!s.Has(213)) return;
  const int code = Truncate(s.At(213));
  if (code < 1 || code > 4) return;
  RegularizationTypeRecord& r = DistributionSettings.RegularizationType;
  r.MaxEntRegularizationOn = code == 1;
  r.SecondDerivativeRegularization = code == 2;
  r.TP3Regularization = code == 3;
  r.BothRegularizations = code == 4;
  const int commands[4] = {295, 294, 1118, 642};
  for (int i = 0; i < 4; ++i)
    TempParameterFileLinks.CheckMenuItem(window, commands[i], code == i + 1);
}

bool ScanTimesFollowRotor() {
  return !ScanReaderOptions.ElectrophoresisDataMode && !DlsDataMode;
}

void ApplyScanTimeMode() {
  if (ScanDataSet.TimesFromW2t && ScanTimesFollowRotor()) SetScanTimesFromW2t();
  if (ScanDataSet.RampRotorSpeed) {
    ScanDataSet.TimesFromW2t = false;
    if (ScanTimesFollowRotor()) RestoreRecordedScanTimes();
  }
}

void AskVbar20(platform::WindowHandle window) {
  if (SolventConditions.VBAR20 != 0.0f || RedrawSuppressed) return;
  const auto answer = platform::Current().ShowMessageBox(
      {window, "VBAR20 is 0.0 ... adjust to VBAR20=VBAR?", "reload parameters",
       platform::BoxIcon::Question, platform::BoxButtons::YesNo});
  if (answer == platform::BoxAnswer::Yes) SolventConditions.VBAR20 = SolventConditions.VBAR;
}

// Check marks and the buffer-mismatch tools after a reload.
void UpdateShell(platform::WindowHandle window, bool bufferWasOn, bool signalFittedBefore) {
  const TempParameterFileLinksRecord& links = TempParameterFileLinks;
  BufferMismatchSettingsRecord& b = CorrectionOptions.BufferMismatch;
  if (!RedrawSuppressed) {
    links.CheckMenuItem(window, 217, FitControl.MassInsteadOfD);
    if (ModelParameters.TimeOffsetFitted) {
      links.CheckMenuItem(window, 255, true);
      links.CheckMenuItem(window, 256, true);
    }
    if (b.On && !bufferWasOn && !links.CheckBufferSedCompatibility(window)) b.On = false;
    if (b.BufferSignalFitted != signalFittedBefore || (b.On && !bufferWasOn))
      links.FixBufferSedimentationParams();
    if (!b.On && bufferWasOn) links.BufferSedOff(window);
    links.CheckMenuItem(window, 552, b.On);
  }
  if (b.On && b.MeniscusMismatchOn)
    links.DrawMeniscusCursor(window,
                             ModelParameters.Meniscus - static_cast<float>(b.MeniscusDifference));
  const FluorescenceCorrectionsRecord& f = CorrectionOptions.Fluorescence;
  const std::pair<int, bool> marks[] = {{905, f.MagnificationGradientOn},
                                        {907, f.MagnificationGradientOn},
                                        {906, f.NonlinearDetectionOn},
                                        {908, f.NonlinearDetectionOn},
                                        {909, f.DriftOn},
                                        {910, f.DriftOn},
                                        {911, f.ConvolutionOn},
                                        {912, f.ConvolutionOn},
                                        {913, f.ShadowOn},
                                        {914, f.ShadowOn},
                                        {925, f.DepletionOn}};
  for (const auto& [command, on] : marks) links.CheckMenuItem(window, command, on);
}

}  // namespace

int ReloadParameters(platform::WindowHandle window, const std::string& path) {
  const StoredValues s(ReadStoredValues(path));
  if (s.Count() < TempParameterMinimumCount) return 0;
  const TempParameterFileLinksRecord& links = TempParameterFileLinks;
  const bool bufferWasOn = CorrectionOptions.BufferMismatch.On;
  const bool signalFittedBefore = CorrectionOptions.BufferMismatch.BufferSignalFitted;
  links.ResetModelFlags(window);

  ApplyComponents(s);
  ApplyLimitsSolventAndNumerics(s);
  const StoredModelFlags flags = ReadModelFlags(s);
  const ModelKind reissued = ReissueModelCommand(window, Truncate(s.At(kContinuousCodeIndex)));
  // The re-issued command sets the parameter slots up from the current
  // settings (a continuous model's f/f0 with its fit flag, grid limits,
  // resolution); the saved slots are the analysis being restored, so they
  // are read again over what the command set.
  if (reissued != ModelKind::NoModel) ApplyComponents(s);
  ApplyRunSettings(s);
  ApplyBufferMismatch(s);
  ApplyResolutionAndMultiSpecies(s);
  ApplyFluorescence(s);
  ApplyNonidealityAndGrids(s);
  ApplyRegularization(window, s);
  ModelSelection.Kind = KindOfFlags(flags, reissued);

  if (IsNonidealCsFamily(ModelSelection.Kind)) links.LoadCtotBesideParameters(window, path);
  DeriveFitModeFlags();
  ApplyScanTimeMode();
  AskVbar20(window);
  PackParameterVector();
  UpdateShell(window, bufferWasOn, signalFittedBefore);
  return 1;
}

int OfferRestoreFromTempParameterFile(platform::WindowHandle window) {
  const std::string path = DataFileLocation.TempParameterFilePath;
  if (path.empty() || !FileExists(path)) return 0;
  const std::vector<float> values = ReadStoredValues(path);
  if (static_cast<int>(values.size()) < TempParameterMinimumCount) return 0;
  const TempParameterFileLinksRecord& links = TempParameterFileLinks;
  if (RedrawSuppressed && links.SerialFitRunning()) return ReloadParameters(window, path);
  const bool quiet = links.QuietMode();
  auto ask = [window](const char* text) {
    return platform::Current().ShowMessageBox(
               {window, text, "", platform::BoxIcon::Warning, platform::BoxButtons::YesNo}) ==
           platform::BoxAnswer::Yes;
  };
  if (values[kMarkIndex] == 0.0f) {
    if (quiet || ask("restore previous data?")) return ReloadParameters(window, path);
  }
  if (quiet) return ReloadParameters(window, path);
  if (!ask("load previous analysis?")) return 0;
  links.ReloadSavedFitParameters(window);
  return 1;
}

void InstallTempParameterFile() {
  OfferRestorePreviousData = [](platform::WindowHandle window, bool) {
    return OfferRestoreFromTempParameterFile(window) != 0;
  };
}
