#include "app/options/PreferenceFile.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/commands/RegularizationCommands.h"
#include "app/options/OptionBoxes.h"
#include "app/options/OptionCommands.h"
#include "app/options/ProgramOptions.h"
#include "state/DlsPreferences.h"
#include "state/LoadOptions.h"
#include "state/ProgramFlags.h"
#include "state/ProgramPaths.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/MainPlotLayout.h"
#include "state/DistributionSettingsRecords.h"
#include "state/LammThreadCount.h"
#include "models/FitDriver.h"
#include "ui/Boxes.h"
#include "ui/Sounds.h"

namespace {

// The numbers of the file, one from the start of each line (what follows on
// the line is ignored); the first line without a number ends the reading.
// Nothing when the file cannot be opened.
std::optional<std::vector<float>> ReadPreferenceNumbers(const std::string& path) {
  std::ifstream in(path);
  if (!in) return std::nullopt;
  std::vector<float> numbers;
  std::string line;
  while (std::getline(in, line)) {
    const char* start = line.c_str();
    char* end = nullptr;
    const float value = std::strtof(start, &end);
    if (end == start) break;
    numbers.push_back(value);
  }
  return numbers;
}

template <typename T>
std::string Format(const char* format, T value) {
  const int n = std::snprintf(nullptr, 0, format, value);
  std::string text(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(text.data(), text.size() + 1, format, value);
  return text;
}

std::string Flag(bool on) {
  return on ? "1\n" : "0\n";
}

// More worker threads than this only cost memory; a damaged file asking for
// millions would fail to start them.
constexpr int kMostThreads = 256;
// The largest time-stamp threshold code kept: a threshold of twice the
// expected time and more says nothing any more.
constexpr float kLargestThresholdCode = 1e6f;

// A thread count from the file or an entry box: truncated towards zero, at
// least one, since every worker pool needs a worker, and at most kMostThreads.
int ThreadCountOf(float value) {
  const float truncated = std::trunc(value);
  if (!(truncated >= 1.0f)) return 1;
  return truncated > static_cast<float>(kMostThreads) ? kMostThreads
                                                       : static_cast<int>(truncated);
}

// A value of a damaged file brought into [low, high]; fallback when it is no
// number at all. Every value is clamped before it is converted to an integer.
float Clamped(float v, float low, float high, float fallback) {
  if (std::isnan(v)) return fallback;
  return v < low ? low : v > high ? high : v;
}

// The time-stamp threshold as the file keeps it; with the sign flipped it
// also says that the check is off.
int TimestampThresholdCode(float sign) {
  return TimestampThresholdCodeOf(ProgramOptions.TimestampThreshold, sign);
}

bool AskPreference(TXLAWindow& window, const char* question) {
  return AskYesNoBox(window, question, "SET PREFERENCE");
}

void NoteRegularizationSwitch(TXLAWindow& window, int code) {
  static constexpr std::array<const char*, 4> kNotes = {
      "Please Note: Switching now to Maximum Entropy Regularization",
      "Please Note: Switching now to Tikhonov Regularization",
      "Please Note: Switching now to Weighted Third Derivative Regularization",
      "Please Note: Switching now to Max Ent & Tikhonov Regularization"};
  ShowOkBox(window, kNotes[static_cast<std::size_t>(code - 1)], "continuous distribution");
}

std::optional<OptimizerChoice> OptimizerOfCode(float v) {
  if (v == 1.0f) return OptimizerChoice::Simplex;
  if (v == 2.0f) return OptimizerChoice::SimulatedAnnealing;
  if (v == 3.0f) return OptimizerChoice::LevenbergMarquardt;
  return std::nullopt;
}

// One line of the file: how it is applied when present (a change that must
// be written back raises rewrite), what holds when it is missing, and how it
// is written.
struct PreferenceLine {
  void (*read)(TXLAWindow& window, float v, bool& rewrite);
  void (*missing)(TXLAWindow& window);
  std::string (*write)();
};

// Lines 2 to 24; line 1 (the disclaimer) is applied before, also in batch mode.
const std::array<PreferenceLine, kPreferenceLineCount - 1>& PreferenceLines() {
  static const std::array<PreferenceLine, kPreferenceLineCount - 1> kLines = {{
      // 2: radial step of the common grid, cm
      {[](TXLAWindow&, float v, bool&) {
         ScanDataSet.RadialResolution = v > 0.0f ? Clamped(v, 1e-5f, 0.1f, 0.001f) : 0.001f;
       },
       [](TXLAWindow&) { ScanDataSet.RadialResolution = 0.001f; },
       [] { return Format("%.4f\n", static_cast<double>(ScanDataSet.RadialResolution)); }},
      // 3
      {[](TXLAWindow&, float v, bool&) { MainDisplayOptions.LiveUpdateResidualBitmap = v > 0; },
       [](TXLAWindow& w) {
         MainDisplayOptions.LiveUpdateResidualBitmap =
             AskPreference(w, "update residuals bitmap during fit?");
       },
       [] { return Flag(MainDisplayOptions.LiveUpdateResidualBitmap); }},
      // 4
      {[](TXLAWindow&, float v, bool&) { MainDisplayOptions.LiveUpdateResidualPlot = v > 0; },
       [](TXLAWindow& w) {
         MainDisplayOptions.LiveUpdateResidualPlot =
             AskPreference(w, "update residuals plot during fit?");
       },
       [] { return Flag(MainDisplayOptions.LiveUpdateResidualPlot); }},
      // 5
      {[](TXLAWindow&, float v, bool&) { MainDisplayOptions.LiveUpdateDataPlot = v > 0; },
       [](TXLAWindow&) { MainDisplayOptions.LiveUpdateDataPlot = false; },
       [] { return Flag(MainDisplayOptions.LiveUpdateDataPlot); }},
      // 6
      {[](TXLAWindow&, float v, bool&) { MainDisplayOptions.LiveUpdateDistributionPlot = v > 0; },
       [](TXLAWindow&) { MainDisplayOptions.LiveUpdateDistributionPlot = false; },
       [] { return Flag(MainDisplayOptions.LiveUpdateDistributionPlot); }},
      // 7
      {[](TXLAWindow&, float v, bool&) { Sounds.SoundsOn = v > 0; },
       [](TXLAWindow&) { Sounds.SoundsOn = false; }, [] { return Flag(Sounds.SoundsOn); }},
      // 8
      {[](TXLAWindow&, float v, bool&) { MainDisplayOptions.ScanColourFromTime = v > 0; },
       [](TXLAWindow&) { MainDisplayOptions.ScanColourFromTime = true; },
       [] { return Flag(MainDisplayOptions.ScanColourFromTime); }},
      // 9
      {[](TXLAWindow&, float v, bool&) { ProgramOptions.WizardMessagesOn = v > 0; },
       [](TXLAWindow&) { ProgramOptions.WizardMessagesOn = true; },
       [] { return Flag(ProgramOptions.WizardMessagesOn); }},
      // 10: regularisation 1 to 4; any other value leaves it
      {[](TXLAWindow& w, float v, bool&) {
         for (int code = 1; code <= 4; ++code) {
           if (v != static_cast<float>(code)) continue;
           if (code != CurrentRegularizationCode()) NoteRegularizationSwitch(w, code);
           SelectRegularizationCode(code);
         }
       },
       [](TXLAWindow&) {}, [] { return Format("%d\n", CurrentRegularizationCode()); }},
      // 11
      {[](TXLAWindow&, float v, bool&) {
         ProgramOptions.UseIntegrationRangesFile = v > 0;
         if (ProgramOptions.UseIntegrationRangesFile && PreferenceLinks.LoadIntegrationRanges)
           PreferenceLinks.LoadIntegrationRanges();
       },
       [](TXLAWindow&) { ProgramOptions.UseIntegrationRangesFile = false; },
       [] { return Flag(ProgramOptions.UseIntegrationRangesFile); }},
      // 12: threads of the normal equations, 0 for one thread
      {[](TXLAWindow&, float v, bool&) {
         DistributionSettings.MultithreadingOn = v > 0;
         DistributionSettings.ThreadCount = v > 0 ? ThreadCountOf(v) : 1;
       },
       [](TXLAWindow&) {
         DistributionSettings.MultithreadingOn = true;
         DistributionSettings.ThreadCount = 2;
       },
       [] {
         const auto& d = DistributionSettings;
         return Format("%d\n", d.MultithreadingOn ? d.ThreadCount : 0);
       }},
      // 13: optimiser
      {[](TXLAWindow&, float v, bool& rewrite) {
         const std::optional<OptimizerChoice> choice = OptimizerOfCode(v);
         if (!choice) return;
         if (*choice != FitDriverSettings.OptimizerKind) rewrite = true;
         FitDriverSettings.OptimizerKind = *choice;
       },
       [](TXLAWindow&) {},
       [] { return Format("%d\n", OptimizerCode(FitDriverSettings.OptimizerKind)); }},
      // 14
      {[](TXLAWindow&, float v, bool&) {
         DistributionSettings.SuppressBaselineCorrelation = v > 0;
       },
       [](TXLAWindow&) { DistributionSettings.SuppressBaselineCorrelation = true; },
       [] { return Flag(DistributionSettings.SuppressBaselineCorrelation); }},
      // 15: threads of the Lamm equation lists
      {[](TXLAWindow&, float v, bool&) { LammThreadCount = ThreadCountOf(v); },
       [](TXLAWindow&) { LammThreadCount = 2; },
       [] { return Format("%d\n", LammThreadCount.load()); }},
      // 16: least time between live plot updates, s
      {[](TXLAWindow&, float v, bool&) {
         MainDisplayOptions.LiveUpdateInterval = v > 0 ? Clamped(v, 0.0f, 3600.0f, 1.0f) : 1.0f;
       },
       [](TXLAWindow&) { MainDisplayOptions.LiveUpdateInterval = 1.0f; },
       [] { return Format("%.1f\n", static_cast<double>(MainDisplayOptions.LiveUpdateInterval)); }},
      // 17
      {[](TXLAWindow&, float v, bool&) { AlwaysLoadG2 = v > 0; },
       [](TXLAWindow&) { AlwaysLoadG2 = false; }, [] { return Flag(AlwaysLoadG2); }},
      // 18: time-stamp check on or off, in the sign
      {[](TXLAWindow&, float v, bool&) { LoadOptions.TimeStampCheckOn = v > 0; },
       [](TXLAWindow&) { LoadOptions.TimeStampCheckOn = true; },
       [] {
         return Format("%d\n", TimestampThresholdCode(LoadOptions.TimeStampCheckOn ? 1.0f : -1.0f));
       }},
      // 19: time-stamp threshold
      {[](TXLAWindow&, float v, bool&) {
         ProgramOptions.TimestampThreshold =
             1.0f + Clamped(v, 0.0f, kLargestThresholdCode, 0.0f) * 0.00001f;
       },
       [](TXLAWindow&) {}, [] { return Format("%d\n", TimestampThresholdCode(1.0f)); }},
      // 20
      {[](TXLAWindow&, float v, bool&) { ProgramOptions.ErrorPropagationToSw = v > 0; },
       [](TXLAWindow&) { ProgramOptions.ErrorPropagationToSw = false; },
       [] { return Flag(ProgramOptions.ErrorPropagationToSw); }},
      // 21: spike filter
      {[](TXLAWindow&, float v, bool&) { ScanReaderOptions.SpikeFilterOn = v > 0; },
       [](TXLAWindow&) {}, [] { return Flag(ScanReaderOptions.SpikeFilterOn); }},
      // 22: spike level of absorbance scans
      {[](TXLAWindow&, float v, bool&) {
         if (v > 0 && std::isfinite(v)) ScanReaderOptions.SpikeThresholdAbsorbance = v;
       },
       [](TXLAWindow&) {},
       [] {
         return Format("%.3e\n", static_cast<double>(ScanReaderOptions.SpikeThresholdAbsorbance));
       }},
      // 23: spike level of fluorescence scans
      {[](TXLAWindow&, float v, bool&) {
         if (v > 0 && std::isfinite(v)) ScanReaderOptions.SpikeThresholdFluorescence = v;
       },
       [](TXLAWindow&) {},
       [] {
         return Format("%.3e\n", static_cast<double>(ScanReaderOptions.SpikeThresholdFluorescence));
       }},
      // 24
      {[](TXLAWindow&, float v, bool&) { ScanReaderOptions.FlagStrongGradients = v > 0; },
       [](TXLAWindow&) {}, [] { return Flag(ScanReaderOptions.FlagStrongGradients); }},
  }};
  return kLines;
}

}  // namespace

int TimestampThresholdCodeOf(float threshold, float sign) {
  const float code = std::floor((threshold - 1.0f) * 100000.0f * sign);
  if (std::isnan(code)) return 0;
  const float largest = kLargestThresholdCode;
  return static_cast<int>(sign < 0.0f ? std::clamp(code, -largest, 0.0f)
                                      : std::clamp(code, 0.0f, largest));
}

bool ReadPreferences(TXLAWindow& window) {
  const std::optional<std::vector<float>> numbers =
      ReadPreferenceNumbers(ProgramPaths.PreferenceFile);
  if (!numbers || numbers->empty()) return false;
  const std::vector<float>& v = *numbers;
  if (v[0] == 1.0f) ProgramOptions.DisclaimerAgreed = true;
  if (BatchMode) return true;

  bool rewrite = false;
  const auto& lines = PreferenceLines();
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const std::size_t at = k + 1;  // index of the line's number in the file
    if (at < v.size()) {
      lines[k].read(window, v[at], rewrite);
    } else {
      lines[k].missing(window);
      // A missing radial step alone is no reason to write the file.
      if (k > 0) rewrite = true;
    }
  }
  if (rewrite) {
    PlayOkSound();
    WritePreferences(window);
  }
  return true;
}

bool WritePreferences(TXLAWindow& window) {
  const std::string path = ProgramPaths.PreferenceFile;
  std::ofstream out(path, std::ios::trunc);
  if (out) {
    out << Flag(ProgramOptions.DisclaimerAgreed);
    for (const PreferenceLine& line : PreferenceLines()) out << line.write();
    out.flush();
  }
  if (out) return true;
  PlayInfoSound();
  ShowOkBox(window,
            "could not write to disk into directory " + path +
                " \nPlease generate directory or make write-accessible",
            "ERROR", platform::BoxIcon::Error);
  return false;
}

bool WritePreferenceEntry(TXLAWindow&, int index, int value) {
  const std::string path = ProgramPaths.PreferenceFile;
  std::optional<std::vector<float>> numbers = ReadPreferenceNumbers(path);
  if (index < 0 || !numbers || numbers->size() < static_cast<std::size_t>(index) + 1) return false;
  (*numbers)[static_cast<std::size_t>(index)] = static_cast<float>(value);
  std::ofstream out(path, std::ios::trunc);
  if (!out) {
    ErrorBox("\nAttention: could not open " + path);
    return false;
  }
  for (float number : *numbers) out << Format("%f\n", static_cast<double>(number));
  out.flush();
  if (!out) {
    ErrorBox("\nAttention: could not open " + path);
    return false;
  }
  return true;
}

void SetOptionCheckMarks(TXLAWindow& window) {
  window.CheckMenuItem(kSoundItem, Sounds.SoundsOn);
  window.CheckMenuItem(kScanColourFromTimeItem, MainDisplayOptions.ScanColourFromTime);
  window.CheckMenuItem(kWizardMessagesItem, ProgramOptions.WizardMessagesOn);
  window.CheckMenuItem(kIntegrationRangesFileItem, ProgramOptions.UseIntegrationRangesFile);
  window.CheckMenuItem(kMultipleThreadsItem, DistributionSettings.MultithreadingOn);
  window.CheckMenuItem(kSuppressBaselineCorrelationItem,
                       DistributionSettings.SuppressBaselineCorrelation);
  window.CheckMenuItem(kAlwaysLoadG2Item, AlwaysLoadG2);
  window.CheckMenuItem(kCheckTimestampsItem, LoadOptions.TimeStampCheckOn);
  window.CheckMenuItem(kErrorPropagationItem, ProgramOptions.ErrorPropagationToSw);
  window.CheckMenuItem(kOldFilenameConventionItem, LoadOptions.OldFilenameConvention);
  window.CheckMenuItem(kDontLoadSpikesItem, ScanReaderOptions.SpikeFilterOn);
  window.CheckMenuItem(kFlagStrongGradientsItem, ScanReaderOptions.FlagStrongGradients);
  CheckOptimizerMarks(window);
  CheckRegularizationMarks(window);
}
