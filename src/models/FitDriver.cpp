#include "models/FitDriver.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <utility>

#include "app/records/LoadOptions.h"
#include "app/records/ModelSelection.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetLinks.h"
#include "data/DataSetServices.h"
#include "data/ScanDataSet.h"
#include "data/records/SolventConditions.h"
#include "models/FitObjective.h"
#include "models/GlobalLammState.h"
#include "models/LevenbergMarquardt.h"
#include "models/NelderMead.h"
#include "models/ParameterPacking.h"
#include "models/SimulatedAnnealing.h"
#include "models/TempParameterFile.h"
#include "models/records/FitControl.h"
#include "models/records/ModelParameters.h"
#include "numerics/OneBasedArrays.h"
#include "numerics/RandomNumbers.h"
#include "ui/Sounds.h"

FitDriverSettingsRecord FitDriverSettings;
FitDisplayLinksRecord FitDisplayLinks;

void ResetFitDisplayLinks() {
  FitDisplayLinks = FitDisplayLinksRecord{};
}

namespace {

// Tolerance of every Nelder-Mead run of a fit.
constexpr float kSimplexTolerance = 0.0005f;
// Density of water, which turns a floating vbar into v*rho.
constexpr float kWaterDensity = 0.99823f;
constexpr int kSettingItems = 20;

void ShowBox(platform::WindowHandle window, const std::string& text, const char* caption) {
  platform::Current().ShowMessageBox(
      {window, text, caption, platform::BoxIcon::None, platform::BoxButtons::Ok});
}

void Repaint(platform::WindowHandle window) {
  if (RepaintMainWindow) RepaintMainWindow(window);
}

void ShowStatus(platform::WindowHandle window) {
  if (FitDisplayLinks.FitResultText) FitDisplayLinks.FitResultText(window);
}

void DrawFinal(platform::WindowHandle window) {
  if (FitDisplayLinks.DrawFinalFit) FitDisplayLinks.DrawFinalFit(window);
}

void SaveFinal(platform::WindowHandle window) {
  if (FitControl.SaveBestParameters) TmpSaveBestParams(window, false);
}

FluorescenceCorrectionsRecord& Fluorescence() {
  return CorrectionOptions.Fluorescence;
}
BufferMismatchSettingsRecord& Buffer() {
  return CorrectionOptions.BufferMismatch;
}

int FloatingSettingCount() {
  int a = 0;
  for (int item = 1; item <= kSettingItems; ++item) a += FloatingSettingOn(item) ? 1 : 0;
  return a;
}

}  // namespace

bool FloatingSettingOn(int item) {
  const FluorescenceCorrectionsRecord& fl = Fluorescence();
  const BufferMismatchSettingsRecord& bm = Buffer();
  const bool photophysics = fl.DriftOn && fl.PhotophysicsOn;
  switch (item) {
    case 1:
      return FitDriverSettings.VbarFloating && InhomogeneousSolventOn;
    case 2:
      return fl.ShadowOn && fl.ShadowFitted;
    case 3:
      return CorrectionOptions.WienerSkewing.On && CorrectionOptions.WienerSkewing.MagnitudeFitted;
    case 4:
      return photophysics && fl.ExponentialDriftFitted;
    case 5:
      return photophysics && fl.LimitingSignalFitted;
    case 6:
      return fl.DriftOn && fl.LinearDriftOn && fl.LinearDriftFitted;
    case 7:
      return fl.ConvolutionOn && fl.ConvolutionWidthFitted;
    case 8:
      return fl.MagnificationGradientOn && fl.MagnificationGradientFitted;
    case 9:
      return fl.NonlinearDetectionOn && fl.NonlinearExponentFitted;
    case 10:
      return fl.DepletionOn && fl.DepletionSFitted;
    case 11:
      return fl.DepletionOn && fl.DepletionDFitted;
    case 12:
      return fl.DepletionOn && fl.DepletionAmplitudeFitted;
    case 13:
      return fl.DepletionOn && fl.DepletionKsFitted;
    case 14:
      return bm.On && bm.BufferSignalFitted && !ModelParameters.LinearConcentrations;
    case 15:
      return bm.On && bm.BufferDOrMbFitted;
    case 16:
      return bm.On && bm.BufferSFitted;
    case 17:
      return bm.On && bm.MeniscusMismatchOn && bm.MeniscusDifferenceFitted;
    case 18:
      return bm.On && bm.MeniscusMismatchOn && bm.ConcentrationRatioFitted;
    case 19:
      return bm.On && bm.DifferentReferenceBuffer && bm.ReferenceDOrMbFitted;
    case 20:
      return bm.On && bm.DifferentReferenceBuffer && bm.ReferenceSFitted;
    default:
      return false;
  }
}

float FloatingSettingValue(int item) {
  const FluorescenceCorrectionsRecord& fl = Fluorescence();
  const BufferMismatchSettingsRecord& bm = Buffer();
  const bool mass = FitControl.MassInsteadOfD;
  switch (item) {
    case 1:
      return FitDriverSettings.ApparentVbarOn ? FitDriverSettings.ApparentVbar
                                              : SolventConditions.VBAR;
    case 2:
      return fl.ShadowRadius;
    case 3:
      return CorrectionOptions.WienerSkewing.Magnitude;
    case 4:
      return fl.ExponentialDriftRate;
    case 5:
      return fl.LimitingSignal;
    case 6:
      return fl.LinearDrift;
    case 7:
      return fl.ConvolutionWidth;
    case 8:
      return fl.MagnificationGradient;
    case 9:
      return fl.NonlinearExponent;
    case 10:
      return fl.DepletionS;
    case 11:
      return fl.DepletionD;
    case 12:
      return fl.DepletionAmplitude;
    case 13:
      return fl.DepletionLogKs;
    case 14:
      return static_cast<float>(bm.BufferSignal);
    case 15:
      return static_cast<float>(mass ? bm.BufferMb : bm.BufferD);
    case 16:
      return static_cast<float>(bm.BufferS);
    case 17:
      return static_cast<float>(bm.MeniscusDifference);
    case 18:
      return static_cast<float>(bm.ConcentrationRatio);
    case 19:
      return static_cast<float>(mass ? bm.ReferenceMb : bm.ReferenceD);
    case 20:
      return static_cast<float>(bm.ReferenceS);
    default:
      assert(false && "no such floating setting");
      return 0.0f;
  }
}

void SetFloatingSetting(int item, float value) {
  FluorescenceCorrectionsRecord& fl = Fluorescence();
  BufferMismatchSettingsRecord& bm = Buffer();
  const bool mass = FitControl.MassInsteadOfD;
  switch (item) {
    case 1:
      if (FitDriverSettings.ApparentVbarOn) {
        FitDriverSettings.ApparentVbar = value;
      } else {
        SolventConditions.VBAR = value;
        SolventConditions.VbarRho = value * kWaterDensity;
      }
      return;
    case 2:
      fl.ShadowRadius = value;
      return;
    case 3:
      CorrectionOptions.WienerSkewing.Magnitude = value;
      return;
    case 4:
      fl.ExponentialDriftRate = value;
      return;
    case 5:
      fl.LimitingSignal = value;
      return;
    case 6:
      fl.LinearDrift = value;
      return;
    case 7:
      fl.ConvolutionWidth = value;
      return;
    case 8:
      fl.MagnificationGradient = value;
      return;
    case 9:
      fl.NonlinearExponent = value;
      return;
    case 10:
      fl.DepletionS = value;
      return;
    case 11:
      fl.DepletionD = value;
      return;
    case 12:
      fl.DepletionAmplitude = value;
      return;
    case 13:
      fl.DepletionLogKs = value;
      return;
    case 14:
      bm.BufferSignal = value;
      return;
    case 15:
      (mass ? bm.BufferMb : bm.BufferD) = value;
      return;
    case 16:
      bm.BufferS = value;
      return;
    case 17:
      bm.MeniscusDifference = value;
      return;
    case 18:
      bm.ConcentrationRatio = value;
      return;
    case 19:
      (mass ? bm.ReferenceMb : bm.ReferenceD) = value;
      return;
    case 20:
      bm.ReferenceS = value;
      return;
    default:
      assert(false && "no such floating setting");
  }
}

std::vector<int> FloatingItemNumbers() {
  std::vector<int> items;
  for (int item = 1; item <= kSettingItems; ++item)
    if (FloatingSettingOn(item)) items.push_back(item);
  for (int k = 1; k <= ParameterCount; ++k)
    if (ParameterFitted[k]) items.push_back(0);
  return items;
}

std::vector<int> FloatingSlotNumbers() {
  std::vector<int> slots(static_cast<std::size_t>(FloatingSettingCount()), 0);
  for (int k = 1; k <= ParameterCount; ++k)
    if (ParameterFitted[k]) slots.push_back(k);
  return slots;
}

namespace {

// The packing clamps: values the optimisers must not start from.
float PackClamp(int item, float value) {
  const bool mass = FitControl.MassInsteadOfD;
  switch (item) {
    case 1:
      return value < 0.0f ? 0.01f : value;
    case 15:
      return !mass && value < 0.01f ? 0.01f : value;
    case 18:
      return value < 0.0001f ? 0.0001f : value;
    case 19:
      return !mass && value < 0.0f ? 0.01f : value;
    default:
      return value;
  }
}

// A buffer D or Mb from a vector: a magnitude within physical limits.
float BufferMassOrD(float value) {
  const float m = std::fabs(value);
  if (FitControl.MassInsteadOfD) return m < 10.0f ? 10.0f : m;
  return std::clamp(m, 0.01f, 1000.0f);
}

}  // namespace

int PackFloating(int capacity, float* vector) {
  const std::vector<int> items = FloatingItemNumbers();
  const std::vector<int> slots = FloatingSlotNumbers();
  const int n = static_cast<int>(items.size());
  for (int pos = 1; pos <= n; ++pos) {
    const std::size_t k = static_cast<std::size_t>(pos - 1);
    float value = ParameterVector[slots[k]];
    if (items[k] > 0) {
      const float raw = FloatingSettingValue(items[k]);
      value = PackClamp(items[k], raw);
      if (value != raw) SetFloatingSetting(items[k], value);
    }
    if (vector != nullptr && pos <= capacity) vector[pos] = value;
  }
  return n;
}

void UnpackFloating(float* vector) {
  const std::vector<int> items = FloatingItemNumbers();
  const std::vector<int> slots = FloatingSlotNumbers();
  const int n = static_cast<int>(items.size());
  for (int pos = 1; pos <= n; ++pos) {
    const std::size_t k = static_cast<std::size_t>(pos - 1);
    float& v = vector[pos];
    switch (items[k]) {
      case 0:
        ParameterVector[slots[k]] = v;
        continue;
      case 1:
      case 3:
      case 4:
      case 5:
        if (v < 0.0f) v = 0.0f;
        SetFloatingSetting(items[k], v);
        continue;
      case 2:
        SetFloatingSetting(2, std::clamp(v, 0.01f, 1.0f));
        continue;
      case 7:
        SetFloatingSetting(7, v < 0.0f ? 0.01f : std::min(v, 1.0f));
        continue;
      case 8:
        SetFloatingSetting(8, std::clamp(v, 0.5f, 2.0f));
        continue;
      case 14:
        SetFloatingSetting(14, std::max(v, 0.0f));
        continue;
      case 15:
      case 19:
        SetFloatingSetting(items[k], BufferMassOrD(v));
        continue;
      case 18:
        SetFloatingSetting(18, v <= 0.0001f ? 0.0001f : v);
        continue;
      default:
        SetFloatingSetting(items[k], v);
    }
  }
  UnpackParameterVector();
}

void ApplyVertex(float* vertex) {
  const std::vector<int> items = FloatingItemNumbers();
  const std::vector<int> slots = FloatingSlotNumbers();
  const int n = static_cast<int>(items.size());
  for (int pos = 1; pos <= n; ++pos) {
    const std::size_t k = static_cast<std::size_t>(pos - 1);
    float& v = vertex[pos];
    const int item = items[k];
    if (item == 0) {
      ParameterVector[slots[k]] = v;
      continue;
    }
    if ((item == 3 || item == 4 || item == 5) && v < 0.0f) v = 0.0f;
    SetFloatingSetting(item, item == 15 || item == 19 ? std::fabs(v) : v);
  }
  UnpackParameterVector();
}

namespace {

bool AssociationModel(ModelKind kind) {
  return kind == ModelKind::MonomerDimer || kind == ModelKind::MonomerTrimer ||
         kind == ModelKind::SelfAssociation124 || kind == ModelKind::SelfAssociation148;
}

bool NonidealModel(ModelKind kind) {
  return kind == ModelKind::NonidealSingleSpecies || kind == ModelKind::HinderedSingleSpecies ||
         kind == ModelKind::NonidealMultipleSpecies;
}

// Vertex coordinate of slot k in a fresh simplex, given the first vertex's
// value x and the relative spread r. Absolute spreads let log10 constants,
// the cell ends and the time offset move away from a start at 0.
float SpreadSlot(int k, float x, float current, float r) {
  const FitControlRecord& f = FitControl;
  const ModelKind kind = ModelSelection.Kind;
  auto relative = [&] { return x + GaussianRandom(r * x); };
  auto withAbsolute = [&] { return relative() + GaussianRandom(0.3f * r); };
  const bool sa = kind == ModelKind::SelfAssociation124 || kind == ModelKind::SelfAssociation148;
  if ((k == 3 || k == 7) && sa) return withAbsolute();
  if (k <= 2 && AssociationModel(kind)) return std::max(current, 0.0f);
  if (k <= 4 && !AssociationModel(kind))
    return ScanDataSet.EquilibriumDataMode ? current : std::max(current, 0.0f);
  if (k >= 9 && k <= 12) return NonidealModel(kind) ? withAbsolute() : std::max(current, 0.0f);
  if (k >= 16 && k <= 19) return std::max(current, 0.0f);
  if (k == MeniscusSlot)
    return std::clamp(x + GaussianRandom((f.MAXMENISCUS - f.MINMENISCUS) / 3.0f), f.MINMENISCUS,
                      f.MAXMENISCUS);
  if (k == BottomSlot)
    return std::clamp(x + GaussianRandom((f.MAXBOTTOM - f.MINBOTTOM) / 3.0f), f.MINBOTTOM,
                      f.MAXBOTTOM);
  if (k == 15 || k == 22) return withAbsolute();
  if (k == 23 || k == 25 || k == 27 || k == 29 || k == 31 || k == 33)
    return std::max(relative(), 0.0f);
  if (k == 26 || k == 30 || k == 34) return std::clamp(relative(), 0.0f, 1.0f);
  if (k == 24) return x + GaussianRandom(x) + GaussianRandom(100.0f);
  return current;
}

}  // namespace

void InitialSimplex(int n, float** p) {
  const float r = FitDriverSettings.SimplexRandomization;
  for (int j = 2; j <= n + 1; ++j)
    for (int i = 1; i <= n; ++i) p[j][i] = p[1][i] + GaussianRandom(r * p[1][i]);
  // Without a model the vector belongs to another fit: relative spread only.
  const std::vector<int> slots = FloatingSlotNumbers();
  if (static_cast<int>(slots.size()) != n) return;
  for (int pos = 1; pos <= n; ++pos) {
    const int k = slots[static_cast<std::size_t>(pos - 1)];
    if (k == 0) continue;
    for (int j = 2; j <= n + 1; ++j) p[j][pos] = SpreadSlot(k, p[1][pos], p[j][pos], r);
  }
}

bool FitPreconditions(platform::WindowHandle window) {
  ScanDataSetRecord& d = ScanDataSet;
  if (d.NFILES <= 0 || d.ScanFirstFitIndex.size() < d.NFILES ||
      d.ScanLastFitIndex.size() < d.NFILES) {
    PlayErrorSound();
    ShowBox(window, "load data first", "ERROR");
    return false;
  }
  if (DlsDataMode) return true;
  const ModelParametersRecord& mp = ModelParameters;
  if (mp.Meniscus == 0.0f || mp.Bottom == 0.0f) {
    PlayErrorSound();
    ShowBox(window, "set meniscus and bottom first", "ERROR");
    return false;
  }
  if (d.FitLeftLim == 0.0f || d.FitLeftLim < mp.Meniscus) {
    d.FitLeftLim = mp.Meniscus;
    ShowBox(window, "setting left fit limit to meniscus", "");
    SetFirstFitIndex();
  }
  if (d.FitRightLim == 0.0f || d.FitRightLim > mp.Bottom) {
    d.FitRightLim = mp.Bottom;
    ShowBox(window, "setting right fit limit to bottom", "");
    SetLastFitIndex();
  }
  return true;
}

FitSnapshot TakeFitSnapshot() {
  FitSnapshot s;
  s.items = FloatingItemNumbers();
  const std::vector<int> slots = FloatingSlotNumbers();
  for (std::size_t k = 0; k < s.items.size(); ++k)
    s.values.push_back(s.items[k] > 0 ? FloatingSettingValue(s.items[k])
                                      : ParameterVector[slots[k]]);
  s.slots = ParameterVector;
  return s;
}

namespace {

// One value's change between cycles. The change is taken relative to the
// magnitude of the old value: a negative log10 constant or flotation s must
// settle like a positive one.
bool ValueSettled(float before, float now, float tolerance) {
  if (before == 0.0f) return std::fabs(now) <= tolerance;
  return std::fabs(now - before) / std::fabs(before) <= tolerance;
}

float ZeroStartTolerance(int item, float tolerance) {
  if (item == 3) return 1e-5f;
  if (item == 16 || item == 17) return 0.1f * tolerance;
  return tolerance;
}

}  // namespace

bool CycleConverged(const FitSnapshot& before, const FitSnapshot& now, float previousRmsd,
                    float rmsd, float tolerance) {
  // A perfect previous fit is judged absolutely instead of dividing by 0.
  if (!ValueSettled(previousRmsd, rmsd, tolerance)) return false;
  const std::size_t n = std::min(before.values.size(), now.values.size());
  for (std::size_t k = 0; k < n; ++k) {
    const int item = now.items[k];
    if (item == 0) continue;  // slots are compared below
    const float t = before.values[k] == 0.0f ? ZeroStartTolerance(item, tolerance) : tolerance;
    if (!ValueSettled(before.values[k], now.values[k], t)) return false;
  }
  for (int k = 1; k <= ParameterCount; ++k)
    if (!ValueSettled(before.slots[k], now.slots[k], tolerance)) return false;
  return true;
}

namespace {

int BestVertex(const float* y, int n) {
  int u = 1;
  for (int j = 2; j <= n + 1; ++j)
    if (y[j] < y[u]) u = j;
  return u;
}

// What the discrete fits do with the best vertex at every iteration.
ShowBestVertex ShowDiscreteBest(platform::WindowHandle window, bool unpack) {
  return [window, unpack](float* vertex, float value) {
    if (unpack)
      UnpackFloating(vertex);
    else
      ApplyVertex(vertex);
    FitControl.CurrentRmsd = value;
    ShowStatus(window);
    if (FitControl.SaveBestParameters) TmpSaveBestParams(window, true);
  };
}

FitObjective DiscreteObjective(platform::WindowHandle window) {
  return [window](float* point) { return SimplexSim(point, window); };
}

void StartCounters(platform::WindowHandle window) {
  FitControlRecord& f = FitControl;
  Repaint(window);
  f.FitAbort = false;
  f.EvaluationCount = 0;
  f.SimulationCount = 0;
  ShowStatus(window);
  f.StartRmsd = f.CurrentRmsd;
  f.BestRmsd = f.CurrentRmsd;
}

// Simplex cycles from the current model; the model ends at the best vertex,
// evaluated once more.
void SimplexCycles(platform::WindowHandle window, int n) {
  FitControlRecord& f = FitControl;
  OneBasedMatrix<float> p(1, n + 1, 1, n);
  OneBasedArray<float> y(1, n + 1);
  const std::vector<int> items = FloatingItemNumbers();
  const std::vector<int> slots = FloatingSlotNumbers();
  for (int i = 1; i <= n; ++i) {
    const std::size_t k = static_cast<std::size_t>(i - 1);
    p[1][i] = items[k] > 0 ? FloatingSettingValue(items[k]) : ParameterVector[slots[k]];
  }
  const FitObjective objective = DiscreteObjective(window);
  const ShowBestVertex showBest = ShowDiscreteBest(window, false);
  int evaluations = 0;
  InitialSimplex(n, p.get());
  for (int j = n + 1; j >= 1; --j) y[j] = objective(p[j]);
  NelderMead(p.get(), y.data(), n, kSimplexTolerance, objective, evaluations, showBest);
  int u = BestVertex(y.data(), n);
  ApplyVertex(p[u]);
  FitSnapshot snapshot = TakeFitSnapshot();
  float previous = y[u];
  while (!f.FitAbort) {
    InitialSimplex(n, p.get());
    for (int j = 1; j <= n + 1; ++j) y[j] = objective(p[j]);
    NelderMead(p.get(), y.data(), n, kSimplexTolerance, objective, evaluations, showBest);
    u = BestVertex(y.data(), n);
    ApplyVertex(p[u]);
    FitSnapshot now = TakeFitSnapshot();
    const bool converged = CycleConverged(snapshot, now, previous, y[u], f.FitCycleTolerance);
    snapshot = std::move(now);
    previous = y[u];
    if (converged) break;
  }
  f.FitRunning = false;
  if (f.FitAbort) {
    FitDriverSettings.SerialFitInterrupted = true;
    FitDriverSettings.RealtimeUpdateInterrupted = true;
    f.FitAbort = false;
  }
  objective(p[u]);
}

}  // namespace

bool FitDriver(platform::WindowHandle window) {
  FitControlRecord& f = FitControl;
  const OptimizerChoice kind = FitDriverSettings.OptimizerKind;
  if (kind == OptimizerChoice::SimulatedAnnealing && f.AnnealTemperature > 0.0f)
    return AnnealFit(window);
  if (kind == OptimizerChoice::LevenbergMarquardt ||
      (kind == OptimizerChoice::SimulatedAnnealing && f.AnnealThenLM &&
       f.AnnealTemperature == 0.0f))
    return MLOptimize(window);

  f.OptimizerStep = 0;
  GlobalLammRun.DiscretizationReported = false;
  const bool live = SpeciesSignals.LiveRunDisplay;
  SpeciesSignals.LiveRunDisplay = false;
  if (!FitPreconditions(window)) {
    SpeciesSignals.LiveRunDisplay = live;
    return false;
  }
  f.FitRunning = true;
  StartCounters(window);
  const int n = PackFloating(0, nullptr);
  if (n == 0) {
    f.FitRunning = false;
    SpeciesSignals.LiveRunDisplay = live;
    return true;
  }
  SimplexCycles(window, n);
  UpdateResiduals(false);
  SpeciesSignals.LiveRunDisplay = live;
  SaveFinal(window);
  Repaint(window);
  DrawFinal(window);
  return true;
}

bool AnnealFit(platform::WindowHandle window) {
  FitControlRecord& f = FitControl;
  f.AnnealTemperature = f.AnnealStartTemperature;
  f.OptimizerStep = 0;
  const bool live = SpeciesSignals.LiveRunDisplay;
  SpeciesSignals.LiveRunDisplay = false;
  if (!FitPreconditions(window)) {
    SpeciesSignals.LiveRunDisplay = live;
    return false;
  }
  StartCounters(window);
  f.FitRunning = true;
  const int n = PackFloating(0, nullptr);
  if (n == 0) {
    f.FitRunning = false;
    SpeciesSignals.LiveRunDisplay = live;
    return true;
  }
  OneBasedArray<float> point(1, n);
  PackFloating(n, point.data());
  AnnealProblem problem;
  problem.objective = DiscreteObjective(window);
  problem.showBest = ShowDiscreteBest(window, true);
  problem.initialSimplex = [](int count, float** p) { InitialSimplex(count, p); };
  problem.applyPoint = [](float* v) { UnpackFloating(v); };
  problem.readPoint = [n](float* v) { PackFloating(n, v); };
  const bool annealed = AnnealMinimize(problem, point.data(), n, kSimplexTolerance);
  f.FitRunning = false;
  SpeciesSignals.LiveRunDisplay = live;
  if (!annealed) return false;  // a schedule of fewer than two temperatures
  UpdateResiduals(false);
  SaveFinal(window);
  f.AnnealTemperature = 0.0f;
  if (f.AnnealThenLM || f.AnnealThenSimplex) {
    FitDriver(window);
  } else {
    Repaint(window);
    ShowStatus(window);
  }
  f.AnnealTemperature = f.AnnealStartTemperature;
  return true;
}

bool MLOptimize(platform::WindowHandle window) {
  FitControlRecord& f = FitControl;
  f.OptimizerStep = 0;
  const bool live = SpeciesSignals.LiveRunDisplay;
  SpeciesSignals.LiveRunDisplay = false;
  if (!FitPreconditions(window)) {
    SpeciesSignals.LiveRunDisplay = live;
    return false;
  }
  StartCounters(window);
  const int n = PackFloating(0, nullptr);
  if (n == 0) {
    SpeciesSignals.LiveRunDisplay = live;
    return true;
  }
  AllocMarquardtArrays(n);
  SetDiscreteDerivativeSteps(FloatingItemNumbers());
  OneBasedArray<float> p(1, n);
  PackFloating(n, p.data());
  MarquardtProblem problem;
  problem.objective = DiscreteObjective(window);
  problem.fitPoints = ScanFitPoints;
  problem.afterSmallStep = [window] {
    SaveFinal(window);
    ShowStatus(window);
  };
  problem.window = window;
  const bool normal = MarquardtMinimize(problem, p.data(), n);
  if (normal) WriteMarquardtReport(MarquardtReportFile(), p.data(), n);
  FreeMarquardtArrays();
  UpdateResiduals(false);
  SpeciesSignals.LiveRunDisplay = live;
  SaveFinal(window);
  Repaint(window);
  ShowStatus(window);
  if (normal && DebugLog) DebugLog(window, " --> MLOptimize DONE");
  return normal;
}
