// The corrections of radii and times, and the tools that write new files
// from the loaded scans.

#include <cmath>
#include <filesystem>

#include "app/commands/CommandTable.h"
#include "state/LoadOptions.h"
#include "app/scantools/ScanCorrectionCommands.h"
#include "app/scantools/ScanToolSupport.h"
#include "app/viewcmds/FileNameDialogs.h"
#include "app/viewcmds/ToolPlots.h"
#include "app/viewcmds/ViewCommands.h"
#include "app/window/TXLAWindow.h"
#include "data/CommonRadialGrid.h"
#include "data/DataSetServices.h"
#include "data/DerivedDataSets.h"
#include "data/EquilibriumSort.h"
#include "data/ListFiles.h"
#include "data/LoadData.h"
#include "data/RawDataEdits.h"
#include "data/ScanDataSet.h"
#include "data/ScanReaderOptions.h"
#include "data/SpeedStepsForData.h"
#include "state/SolventConditions.h"
#include "ui/Sounds.h"

namespace {

// The data menu's "Set Radial Resolution".
constexpr int kSetRadialResolutionCommand = 590;

std::string FirstScanPath() {
  const auto& d = ScanDataSet;
  if (d.NFILES < 1) return {};
  return (std::filesystem::path(DataFileLocation.DataFolder) / d.ScanFilePaths[1]).string();
}

}  // namespace

void CmShiftScansUndoRotorStretch(TXLAWindow& window) {
  const char* caption = "Undo Rotor Stretch";
  if (!ScansLoaded()) return;
  const bool autoload = LoadOptions.MultiSpeedAutoload;
  float rotorEntry = 8.0f;
  if (!AskNumber(window, rotorEntry, autoload ? "rotor (4 or 8) or 0 for manual" : "rotor (4 or 8)",
                 caption))
    return;
  const int rotor = static_cast<int>(std::floor(rotorEntry));
  float modulus = 0.0f;
  bool manual = rotor == 0;
  if (rotor == 4)
    modulus = 8.62e-6f;
  else if (rotor == 8)
    modulus = 9.59e-6f;
  else if (rotor != 0) {
    Tell(window, "invalid rotor", caption);
    manual = true;
  }
  if (rotor == 0) modulus = 9.59e-6f;

  const bool save = autoload || Ask(window, "save new data?", caption);
  std::string path;
  std::string folder;
  if (save) {
    const std::filesystem::path first = FirstScanPath();
    folder = (first.parent_path() / "unstretch").string();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!ec) {
      path = (std::filesystem::path(folder) / "newscandata").string();
    } else if (!autoload) {
      path = first.string();
      ChooseSaveFileName(window, path, 999, "select save path");
      folder = std::filesystem::path(path).parent_path().string();
    }
  }
  const bool maintainField = autoload || Ask(window, "maintain field?", caption);
  if (manual && !AskNumber(window, modulus, "stretch module", caption)) return;
  if (!autoload && !AskNumber(window, modulus, "stretch module", caption)) return;
  const bool reload = autoload || Ask(window, "reload stretched data?", caption);
  if (reload) {
    if (ShiftScansForRotorStretch(modulus, path, maintainField, true)) {
      BuildFileNameList(0);
      SetListFolder(folder);
      WriteListFile(true);
      ReloadFromList(window.Handle());
    }
  } else {
    ShiftScansForRotorStretch(modulus, path, maintainField, false);
  }
  Repaint(window);
}

void CmCreateSpeedstepsFile(TXLAWindow& window) {
  const char* caption = "EXTRACT SPEED SCHEDULE";
  if (!ScansLoaded()) return;
  float acceleration = 280.0f, deceleration = 100.0f;
  if (!AskNumber(window, acceleration, "acceleration rate (rpm/sec)", caption) ||
      !AskNumber(window, deceleration, "deceleration rate (rpm/sec)", caption))
    return;
  if (SpeedStepsFromScans(acceleration, deceleration)) CmShowRotorSpeedPlot(window);
  if (ScanDataSet.UsingSpeedSteps) TimesFromW2tOff(window.Handle());
}

void CmCorrectIFRadialCalibration(TXLAWindow& window) {
  const char* caption = "RECALIBRATE RADIUS";
  if (!ScansLoaded()) return;
  Tell(window,
       "correct radial calibration in interference requires location of the \n transition from "
       "fringes to grey in the counterbalance image.\nIf the transition grey-black has been used "
       "erroneously, please \nenter the estimated radial positions of these points: \n(accept "
       "defaults if not known)",
       caption);
  float left = 5.9f, right = 7.1f;
  if (!AskNumber(window, left, "left transition grey-black was at", caption) ||
      !AskNumber(window, right, "right transition grey-black was at", caption))
    return;
  // The reference positions 5.85 and 7.15 cm go to the two entries.
  const float a = (right - left) / (7.15f - 5.85f);
  const float b = left - 5.85f * a;
  CorrectIFRadialCalibration(a, b);
  Repaint(window);
  PlayOkSound();
  OfferToSaveScans(window);
}

void CmAddConstantTimeAndW2t(TXLAWindow& window) {
  const char* caption = "TIME OFFSET";
  if (!ScansLoaded()) return;
  Tell(window, "correct time and w^2t entry of file (e.g. after power failure)", caption);
  float dt = 0.0f;
  if (!AskNumber(window, dt, "elapsed time offset (sec)", caption)) return;
  const float omega = ScanDataSet.ScanHeaders[1].Rpm * 0.10471975511965977f;
  float dw = omega * omega * dt;
  if (!AskNumber(window, dw, "elapsed w^2t offset (rad^2/sec)", caption)) return;
  AddConstantTime(dt, dw);
  PlayOkSound();
  Repaint(window);
  OfferToSaveScans(window);
}

void CmSortEqDataToDisk(TXLAWindow& window) {
  const char* caption = "sort EQ data";
  if (!ScansLoaded()) {
    Tell(window, "please load data first", "Sort SE data");
    return;
  }
  if (ScanDataSet.RadialResolution > 0.001f) {
    PlayInfoSound();
    if (!Ask(window, "resolution is limiting data points - continue?", caption)) {
      if (Ask(window, "change resolution?", caption)) DispatchCommand(window, kSetRadialResolutionCommand);
      return;
    }
  }
  EqSortRequest request;
  request.outputPath = "eq.ra1";
  if (ChooseSaveFileName(window, request.outputPath, 999, "select filename for sorted eq data")) {
    if (ScanReaderOptions.InterferenceData && Ask(window, "subtract blank file?", "")) {
      std::string blank = request.blankPath;
      if (ChooseSaveFileName(window, blank, 999, "select blank scan")) request.blankPath = blank;
    }
    if (Ask(window, "make xp files?", "")) {
      request.makeXp = true;
      const char* xpCaption = "make QUORVEL xp file";
      auto& xp = request.xp;
      xp.density = SolventConditions.BufferDensity;
      xp.vbar = SolventConditions.VBAR;
      AskNumber(window, xp.density, "buffer density (g/ml)", xpCaption);
      AskNumber(window, xp.vbar, "partial-specific volume (ml/g)", xpCaption);
      AskNumber(window, xp.extinctionA, "molar extinction coefficient A", xpCaption);
      AskNumber(window, xp.extinctionB, "molar extinction coefficient B", xpCaption);
      AskNumber(window, xp.extinctionC, "molar extinction coefficient C", xpCaption);
    }
    SortEqDataToDisk(window.Handle(), request);
  }
  PlayOkSound();
}

void CmExcludeRegion(TXLAWindow& window) {
  if (!Ask(window, "is the displayed radial range the region to exclude?",
           "exclude data from scans"))
    return;
  const auto& s = DisplayRangeStack;
  ExcludeRadialRegion(s.MinRadius[s.Level], s.MaxRadius[s.Level]);
  CmDataRange(window);
  OfferToSaveScans(window);
}

void CmMirrorImageOfRawData(TXLAWindow& window) {
  const char* caption = "MIRROR DATA";
  const auto answer = platform::Current().ShowMessageBox(
      {window.Handle(),
       "This function makes a mirror image of the data, assuming that there are two reference "
       "points whose radial values are correct but exchanged.\nFor example, the true value of r1 "
       "is r2 and the true vaue of r2 is r1.\nThis may occur if the fringe pattern is experiencing "
       "an extra reflection, \ncausing the inside reference radius to appear on the right and the "
       "outside reference radius to be on the left.",
       caption, platform::BoxIcon::Information, platform::BoxButtons::OkCancel});
  if (answer != platform::BoxAnswer::Ok) return;
  float r1 = 5.85f, r2 = 7.15f;
  if (!AskNumber(window, r1, "first reference radius (cm)", caption) ||
      !AskNumber(window, r2, "second reference radius (cm)", caption))
    return;
  const bool upsideDown = Ask(window, "with upside-down reflection?", caption);
  MirrorRawData(r1, r2, upsideDown);
  RenderAndRepaint(window);
  OfferToSaveScans(window, "save data?");
}

void CmSetNColumns(TXLAWindow& window) {
  auto& o = ScanReaderOptions;
  if (o.FixedColumnsOn) {
    o.FixedColumnsOn = false;
    window.CheckMenuItem(265, false);
    return;
  }
  float count = static_cast<float>(o.FixedColumnCount);
  if (!AskNumber(window, count, "enter number of columns in data file (r|A|?...)",
                 "SET N COLUMNS"))
    return;
  if (!SetFixedColumnCount(static_cast<int>(count))) return;
  o.FixedColumnsOn = true;
  window.CheckMenuItem(265, true);
}
