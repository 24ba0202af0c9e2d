#pragma once
// A headless main window with the option items in its menu, an installation
// folder of its own (where the preference file lives) and every record the
// option commands touch set back to its built-in values before and after
// each test.

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/ProgramStartLinks.h"
#include "app/options/ProgramOptions.h"
#include "state/DlsPreferences.h"
#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "state/ProgramPaths.h"
#include "app/window/TXLAWindow.h"
#include "data/DataSetLinks.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "state/SolventConditions.h"
#include "state/MainPlotLayout.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "state/DistributionShown.h"
#include "state/LammThreadCount.h"
#include "models/FitDriver.h"
#include "models/TempParameterFile.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "platform/Menu.h"
#include "support/TestSupport.h"
#include "ui/Sounds.h"

class OptionsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    // The reset below frees the data set before the window is wired.
    InstallWindowlessStartLinks();
    ResetRecords();
    ProgramPaths.InstallationFolder = folder_.path().string() + "/";
    ProgramPaths.PreferenceFile = folder_.File("taluvoparams.ini");
    // Only the "ok" and "error" sounds have a file, so that the log shows
    // exactly when they play.
    ProgramPaths.SoundBaseFiles = {};
    ProgramPaths.SoundBaseFiles[static_cast<std::size_t>(SoundClass::Ok)] = "ok.wav";
    ProgramPaths.SoundBaseFiles[static_cast<std::size_t>(SoundClass::Error)] = "error.wav";
    Sounds.Counted = true;
    window_ = std::make_unique<TXLAWindow>("test");
    WireAsTheProgramStartDoes(*window_);
    window_->Menu().SetBar({platform::MenuItem::Popup("&Options", OptionItems())});
  }

  void TearDown() override {
    window_.reset();
    ResetRecords();
    ProgramPaths = ProgramPathsRecord{};
    HeadlessTest::TearDown();
  }

  static void ResetRecords() {
    FreeDataSet();
    ProgramOptions = ProgramOptionsRecord{};
    PreferenceLinks = PreferenceLinksRecord{};
    LoadOptions = LoadOptionsRecord{};
    ScanReaderOptions = ScanReaderOptionsRecord{};
    MainDisplayOptions = MainDisplayOptionsRecord{};
    DistributionSettings = DistributionSettingsRecord{};
    DistributionResult = DistributionResultRecord{};
    DistributionRunFlags = DistributionRunFlagsRecord{};
    DistributionShown = false;
    FitDriverSettings.OptimizerKind = OptimizerChoice::Simplex;
    FitControl = FitControlRecord{};
    ModelParameters = ModelParametersRecord{};
    ModelSelection = ModelSelectionRecord{};
    SolventConditions = SolventConditionsRecord{};
    CorrectionOptions = CorrectionOptionsRecord{};
    ScanDataSet.RadialResolution = 0.001f;
    LammThreadCount = 2;
    AlwaysLoadG2 = false;
    BatchMode = false;
    RedrawSuppressed = false;
    DlsDataMode = false;
    Sounds.SoundsOn = false;
    Sounds.Counted = false;
  }

  static std::vector<platform::MenuItem> OptionItems() {
    std::vector<platform::MenuItem> items;
    for (int id : {594, 609, 610, 644, 648, 826, 825, 824, 829, 894, 902, 952, 243, 247, 868, 295,
                   294, 1118, 642})
      items.push_back(platform::MenuItem::Command(id, "item " + std::to_string(id)));
    return items;
  }

  TXLAWindow& window() { return *window_; }
  bool Checked(int id) const { return window_->Menu().IsChecked(id); }

  std::string PreferencePath() const { return folder_.File("taluvoparams.ini"); }
  void WritePreferenceText(const std::string& text) { folder_.Write("taluvoparams.ini", text); }
  std::vector<std::string> PreferenceLines() const {
    std::ifstream in(PreferencePath());
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }

  // A complete file: the 24 lines in the whole-file formats, with the
  // values given for a few lines (1-based) and built-in values elsewhere.
  static std::string FullFile(const std::vector<std::pair<int, std::string>>& changes = {}) {
    std::vector<std::string> lines = {
        "1", "0.0010", "0", "0",   "0", "0",   "0",   "1", "1", "1",         "0",         "2",
        "1", "1",      "2", "1.0", "0", "100", "100", "0", "1", "4.000e-01", "1.000e+02", "1"};
    for (const auto& [line, text] : changes) lines[static_cast<std::size_t>(line - 1)] = text;
    std::ostringstream out;
    for (const auto& l : lines) out << l << "\n";
    return out.str();
  }

  std::size_t BoxCount() { return LogLinesWith("box [").size(); }
  std::size_t OkSounds() { return LogLinesWith("ok.wav").size(); }

 private:
  ScratchFolder folder_;
  std::unique_ptr<TXLAWindow> window_;
};
