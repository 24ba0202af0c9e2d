#include "app/generate/GenerateCommands.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <vector>

#include "app/commands/CommandTable.h"
#include "app/commands/RunFitCommands.h"
#include "app/datacmds/SaveDialogs.h"
#include "app/loading/LoadingSupport.h"
#include "app/options/OptionBoxes.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/SyntheticSeries.h"
#include "app/window/TXLAWindow.h"
#include "data/DataSetServices.h"
#include "data/FilePathParts.h"
#include "data/ScanDataSet.h"
#include "data/ScanOutputSupport.h"
#include "data/SiblingExport.h"
#include "data/SyntheticData.h"
#include "state/SolventConditions.h"
#include "state/DisplayState.h"
#include "models/GlobalLammState.h"
#include "models/ParameterPacking.h"
#include "models/ParametersCommand.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "ui/Boxes.h"

namespace {

const char* const kCaption = "GENERATE DATA";
constexpr float kBottom = 7.2f;
constexpr float kDefaultMeniscus = 6.2f;
// Optical path of the cell, cm: extinction per cm times this is the signal
// per molar concentration.
constexpr float kOpticalPath = 1.2f;
// Density of water at 20 degrees Celsius, which the sibling program expects
// for a simulated run.
constexpr float kWaterDensity = 0.99823f;
constexpr int kTotalLoadingSlot = 11;
constexpr int kFirstConstantSlot = 3;
constexpr int kSecondConstantSlot = 7;
constexpr int kTraceSlot = 10;
constexpr int kMeniscusSlot = 13;

bool Ask(TXLAWindow& window, float& value, float start, const std::string& prompt) {
  return InputPositiveFloatIn(window.Handle(), value, start, true, prompt.c_str(), kCaption);
}

bool AskSigned(TXLAWindow& window, float& value, float start, const std::string& prompt) {
  return InputFloatIn(window.Handle(), value, start, true, prompt.c_str(), kCaption);
}

// A count box, then one box per member, each text formatted with the
// member's number; false on any cancel.
bool AskList(TXLAWindow& window, const char* countText, const char* memberText, float start,
             std::vector<float>& values) {
  float count = 2.0f;
  if (!Ask(window, count, 2.0f, countText)) return false;
  const int n = static_cast<int>(std::floor(std::min(count, 1000.0f)));
  values.clear();
  for (int k = 1; k <= n; ++k) {
    char text[160];
    std::snprintf(text, sizeof text, memberText, k);
    float v = start;
    if (!Ask(window, v, start, text)) return false;
    values.push_back(v);
  }
  return true;
}

void SetMeniscusAndBottom(float meniscus) {
  UnpackParameterVector();
  ModelParameters.Meniscus = meniscus;
  ModelParameters.Bottom = kBottom;
  PackParameterVector();
  DefaultMeniscusBottomLimits();
}

// log10 of an association constant (1/M) in signal units: K / eps'^(n-1)
// times the stoichiometric factor.
float SignalConstant(float factor, float k, float epsilon, int power) {
  return std::log10(factor * k / std::pow(epsilon, static_cast<float>(power)));
}

// The total loading and the association constants of the self-associating
// models, from an extinction coefficient and molar concentrations.
bool AskAssociation(TXLAWindow& window, ModelKind kind) {
  float extinction = 100000.0f, micromolar = 1.0f;
  if (!AskSigned(window, extinction, 100000.0f, "extinction coefficient [M^-1cm^-1]")) return false;
  const float epsilon = extinction * kOpticalPath;
  if (!AskSigned(window, micromolar, 1.0f, "total molar concentration [uM]")) return false;
  const float total = epsilon * micromolar * 1e-6f;
  ParameterVector[kTotalLoadingSlot] = total;
  SyntheticTotalLoading = total;
  float k1 = 500000.0f, k2 = 0.0f;
  switch (kind) {
    case ModelKind::MonomerDimer:
      if (!AskSigned(window, k1, 500000.0f, "Ka12 [1/M]")) return false;
      ParameterVector[kFirstConstantSlot] = SignalConstant(2.0f, k1, epsilon, 1);
      break;
    case ModelKind::MonomerTrimer:
      if (!AskSigned(window, k1, 500000.0f, "Ka13 [1/M]")) return false;
      ParameterVector[kFirstConstantSlot] = SignalConstant(3.0f, k1, epsilon, 2);
      break;
    case ModelKind::SelfAssociation124:
      if (!AskSigned(window, k1, 500000.0f, "Ka12 [1/M]")) return false;
      ParameterVector[kFirstConstantSlot] = SignalConstant(1.0f, k1, epsilon, 1);
      if (!AskSigned(window, k2, k1, "Ka14 [1/M]")) return false;
      ParameterVector[kSecondConstantSlot] = SignalConstant(4.0f, k2, epsilon, 3);
      break;
    case ModelKind::SelfAssociation148:
      if (!AskSigned(window, k1, 500000.0f, "Ka14 [1/M]")) return false;
      ParameterVector[kFirstConstantSlot] = SignalConstant(4.0f, k1, epsilon, 3);
      if (!AskSigned(window, k2, k1, "Ka18 [1/M]")) return false;
      ParameterVector[kSecondConstantSlot] = SignalConstant(8.0f, k2, epsilon, 7);
      break;
    default:
      break;
  }
  return true;
}

// The loadings of the species are what is simulated: while concentrations
// are solved as linear parameters, the simulation would scale each species
// to the (not yet existing) data and write noise alone.
class GivenLoadings {
 public:
  GivenLoadings() : kept_(ModelParameters.LinearConcentrations) {
    ModelParameters.LinearConcentrations = false;
  }
  ~GivenLoadings() { ModelParameters.LinearConcentrations = kept_; }
  GivenLoadings(const GivenLoadings&) = delete;
  GivenLoadings& operator=(const GivenLoadings&) = delete;

 private:
  bool kept_;
};

bool SelfAssociating(ModelKind k) {
  return k == ModelKind::MonomerDimer || k == ModelKind::MonomerTrimer ||
         k == ModelKind::SelfAssociation124 || k == ModelKind::SelfAssociation148;
}

void TouchFile(const std::string& path) {
  if (std::FILE* f = std::fopen(path.c_str(), "w")) std::fclose(f);
}

// The folder of set n, with its trailing separator; empty when it cannot be
// made.
std::string MakeSetFolder(const PathParts& pattern, int n) {
  const std::string folder = FolderOf(pattern) + "/" + std::to_string(n) + "/";
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return std::filesystem::is_directory(folder, ec) ? folder : std::string();
}

std::string Formatted(const char* format, double v) {
  char text[80];
  std::snprintf(text, sizeof text, format, v);
  return text;
}

void WriteSetDescription(const std::string& folder, int count, float tracePercent, float dr,
                         float rpm, float noise, float meniscus) {
  if (std::FILE* f = std::fopen((folder + "info_" + std::to_string(count) + ".txt").c_str(), "w")) {
    std::fputs(SeriesInfoText(tracePercent, dr, rpm, noise, meniscus).c_str(), f);
    std::fclose(f);
  }
  TouchFile(folder + Formatted("tracepercent=%.3f", tracePercent) + ".info");
  TouchFile(folder + Formatted("dr=%.4f_cm", dr) + ".info");
  TouchFile(folder + Formatted("omega=%.0f_rpm", rpm) + ".info");
  TouchFile(folder + Formatted("noise=%.3f", noise) + ".info");
  TouchFile(folder + Formatted("meniscus=%.3f", meniscus) + ".info");
}

struct SeriesSettings {
  std::vector<float> dr, rpm, noise, menisci, traces;
  float acceleration = -1.0f, interval = 300.0f, scans = 0.0f, offset = 0.0f;
};

bool AskSeries(TXLAWindow& window, SeriesSettings& s) {
  if (!AskList(window, "# radial increments?", "%d - density of points dr (cm)", 0.001f, s.dr))
    return false;
  if (!AskList(window, "# rotor speeds?", "%d - rotor speed (rpm)?", 50000.0f, s.rpm)) return false;
  if (AskYesNoBox(window, "simulate with rotor acceleration phase?", kCaption) &&
      !Ask(window, s.acceleration, 200.0f, "acceleration (rpm/sec)"))
    s.acceleration = -1.0f;
  if (!Ask(window, s.interval, 300.0f, "time interval of scans (sec)")) return false;
  if (!AskSigned(window, s.scans, 0.0f, "number of simulated scans (0 for auto)")) return false;
  if (!AskList(window, "# noise levels?", "%d - noise level?", 0.01f, s.noise)) return false;
  if (!AskList(window, "# menisci?", "%d - meniscus (cm)?", 6.2f, s.menisci)) return false;
  if (!AskList(window, "# trace concentrations?", "%d - 2nd species concentration (%%)?", 1.0f,
               s.traces))
    return false;
  for (float& t : s.traces) t *= 0.01f;
  return AskSigned(window, s.offset, 0.0f, "directory # offset");
}

// With an automatic scan count, every meniscus must lie before the right
// fit limit and the first species must sediment.
bool AutomaticCountPossible(TXLAWindow& window, const SeriesSettings& s) {
  if (s.scans >= 1.0f) return true;
  const float s1 = ModelParameters.SedCoefficient[1];
  for (float rpm : s.rpm)
    for (float m : s.menisci)
      if (AutomaticScanCount(rpm, s1, m, ScanDataSet.FitRightLim, s.interval) < 1) {
        ShowOkBox(window,
                  "cannot choose the number of scans automatically: the first species needs a "
                  "positive s and the right fit limit must lie beyond every meniscus - please "
                  "enter the number of scans",
                  kCaption, platform::BoxIcon::Error);
        return false;
      }
  return true;
}

void GenerateSet(TXLAWindow& window, const PathParts& pattern, const std::string& folder, int n,
                 float dr, float rpm, float noise, const SeriesSettings& s, float meniscus) {
  SyntheticDataRequest q;
  q.radialStep = dr;
  q.rpm = rpm;
  q.acceleration = s.acceleration;
  q.noise = noise;
  q.interval = s.interval;
  q.firstTime = s.acceleration > 0.0f ? rpm / s.acceleration + 10.0f : 0.0f;
  q.scanCount = s.scans >= 1.0f
                    ? static_cast<int>(std::floor(s.scans))
                    : AutomaticScanCount(rpm, ModelParameters.SedCoefficient[1], meniscus,
                                         ScanDataSet.FitRightLim, s.interval);
  q.path = folder + pattern.Name + pattern.Extension;
  loading::WaitCursor wait(window);
  {
    GivenLoadings loadings;
    GenerateSyntheticData(window.Handle(), q);
  }
  auto& solvent = SolventConditions;
  const float density = solvent.BufferDensity;
  solvent.BufferDensity = kWaterDensity;
  ExportSiblingXp(window.Handle(), folder + "xp" + std::to_string(n) + ".xp");
  solvent.BufferDensity = density;
}

}  // namespace

int AutomaticScanCount(float rpm, float s1, float meniscus, float rightLimit, float interval) {
  if (!(s1 > 0.0f) || !(meniscus > 0.0f) || !(rightLimit > meniscus) || !(interval > 0.0f) ||
      !(rpm > 0.0f))
    return -1;
  const double omega = rpm * 2.0 * std::numbers::pi / 60.0;
  const double k = omega * omega * 1e-13 * s1;
  return static_cast<int>(std::floor(std::log(rightLimit / meniscus) / k / interval));
}

std::string SeriesInfoText(float tracePercent, float dr, float rpm, float noise, float meniscus) {
  char text[400];
  std::snprintf(text, sizeof text,
                "%f (percent ctrace)\n%f (dr)\n%f (omega)\n%f (noise)\n%f (meniscus)\n",
                static_cast<double>(tracePercent), static_cast<double>(dr),
                static_cast<double>(rpm), static_cast<double>(noise),
                static_cast<double>(meniscus));
  return text;
}

void CmSingle(TXLAWindow& window) {
  const ModelKind kind = ModelSelection.Kind;
  if (IsVanHoldeWeischetFamily(kind)) {
    ShowOkBox(window, "no simulation for van Holde-Weischet boundaries implemented", kCaption);
    return;
  }
  const bool massAndS = IsContinuousModel(kind) ||
                        AskYesNoBox(window, "Fit with M and s instead D and s?", kCaption);
  if (massAndS != FitControl.MassInsteadOfD) CmFitMAndS(window);
  SyntheticDataRequest q;
  {
    DialogBusyScope busy(window);
    if (!Ask(window, q.radialStep, 0.001f, "density of points dr (cm)")) return;
    if (!Ask(window, q.rpm, 50000.0f, "rotor speed (rpm)")) return;
    q.acceleration = -1.0f;
    if (AskYesNoBox(window, "simulate with rotor acceleration phase?", kCaption) &&
        !Ask(window, q.acceleration, 200.0f, "acceleration (rpm/sec)"))
      q.acceleration = -1.0f;
    if (!Ask(window, q.interval, 300.0f, "time interval of scans (sec)")) return;
    float scans = 50.0f;
    if (!Ask(window, scans, 50.0f, "number of simulated scans")) return;
    q.scanCount = static_cast<int>(std::floor(std::min(scans, 10000.0f)));
    if (!Ask(window, q.noise, 0.01f, "std of noise (OD)")) return;
  }
  UnpackParameterVector();
  if (ModelParameters.Meniscus == 0.0f) ModelParameters.Meniscus = kDefaultMeniscus;
  ModelParameters.Bottom = kBottom;
  PackParameterVector();
  DefaultMeniscusBottomLimits();
  if (SelfAssociating(kind)) {
    DialogBusyScope busy(window);
    if (!AskAssociation(window, kind)) return;
  }
  if (!CmParameters(window.Handle())) return;
  std::string path = InDataFolder("0000x.RA0");
  if (!ChooseSavePath(window, path, "save generated data as")) return;
  q.path = path;
  q.firstTime = 0.0f;
  loading::WaitCursor wait(window);
  GivenLoadings loadings;
  // A single generation is a run: the simulation shows its progress and
  // repaints when it has finished.
  const bool live = SpeciesSignals.LiveRunDisplay;
  SpeciesSignals.LiveRunDisplay = true;
  GenerateSyntheticData(window.Handle(), q);
  SpeciesSignals.LiveRunDisplay = live;
  // The window now shows the generated scans; its caption names them as a
  // load names the loaded ones (settings that generate nothing leave the
  // scans, and the caption, as they were).
  const ScanDataSetRecord& d = ScanDataSet;
  if (d.NFILES > 0 && d.ScanHeaders[1].Description == "synthetic")
    SetMainWindowCaption(window.Handle(), "SEDIMENTATION ANALYSIS -> " + OutputFolderOf(path) +
                                              ScanDataSet.ScanFilePaths[1] + "...");
}

void CmSeries(TXLAWindow& window) {
  const ModelKind kind = ModelSelection.Kind;
  if (!IsDiscreteSpeciesModel(kind) || IsVanHoldeWeischetFamily(kind) || IsContinuousModel(kind))
    return;
  if (!CmParameters(window.Handle())) return;
  std::string path = InDataFolder("0000x.RA0");
  if (!ChooseSavePath(window, path, "save generated data as")) return;
  const PathParts pattern = SplitPath(WithForwardSlashes(path));
  SeriesSettings s;
  {
    DialogBusyScope busy(window);
    if (!AskSeries(window, s)) return;
  }
  if (!AutomaticCountPossible(window, s)) return;
  const int offset = static_cast<int>(std::floor(s.offset));
  int count = 0;
  SeriesGenerationRunning = true;
  for (float dr : s.dr)
    for (float rpm : s.rpm)
      for (float noise : s.noise)
        for (float meniscus : s.menisci) {
          ModelParameters.Meniscus = meniscus;
          ParameterVector[kMeniscusSlot] = meniscus;
          for (float trace : s.traces) {
            ++count;
            const int n = offset + count;
            const std::string folder = MakeSetFolder(pattern, n);
            if (folder.empty()) {
              ShowOkBox(window, "could not create new directory", "");
              break;  // on with the next meniscus
            }
            ModelParameters.Concentration[2] = trace;
            ParameterVector[kTraceSlot] = trace;
            WriteSetDescription(folder, count, trace * 100.0f, dr, rpm, noise, meniscus);
            if (DrawingAllowed) platform::Current().DrawWindowText(window.Handle(), 10, 50, folder);
            // The left fit limit first: the meniscus range is kept short of
            // it, and the limit left from earlier data would put the range
            // below this set's meniscus (in the xp file as well).
            ScanDataSet.FitLeftLim = meniscus + 0.01f;
            SetMeniscusAndBottom(meniscus);
            GenerateSet(window, pattern, folder, n, dr, rpm, noise, s, meniscus);
          }
        }
  SeriesGenerationRunning = false;
  RepaintMainWindow(window.Handle());
}

void RegisterGenerateCommands(CommandTable& table) {
  AddCatalogued(table, 214, &CmSingle);
  AddCatalogued(table, 647, &CmSeries);
}
