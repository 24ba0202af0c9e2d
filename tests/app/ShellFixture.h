#pragma once
// A headless backend and a clean program start for the shell's tests: an
// installation folder of its own, no command line, no batch mode, the
// disclaimer not yet agreed, the preference file and the batch steps
// recording their calls,
// and the diagnostics log in a scratch temporary folder. Everything is put
// back afterwards.

#include <cstdlib>
#include <string>
#include <vector>

#include "app/ProgramStartLinks.h"
#include "app/batch/BatchParameters.h"
#include "app/options/ProgramOptions.h"
#include "state/ProgramFlags.h"
#include "state/ProgramPaths.h"
#include "app/start/ExitProgram.h"
#include "app/start/ProgramStart.h"
#include "app/start/ShellServices.h"
#include "app/window/DiagnosticsLog.h"
#include "app/window/Disclaimer.h"
#include "state/MainPlotLayout.h"
#include "lamm/CLammIdeal.h"
#include "lamm/LammWorkerThread.h"
#include "support/TestSupport.h"

class ShellTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    // The tests build their windows themselves, some without their start.
    InstallWindowlessStartLinks();
    savedPaths_ = ProgramPaths;
    savedServices_ = ShellServices;
    savedArguments_ = CommandLineArgs.Arguments;
    savedOptions_ = ProgramOptions;
    savedHistogram_ = MainDisplayOptions.ShowResidualsHistogram;
    if (const char* tmp = std::getenv("TMPDIR")) savedTmp_ = tmp;
    hadTmp_ = std::getenv("TMPDIR") != nullptr;
    ::setenv("TMPDIR", temp_.path().c_str(), 1);

    SetInstallationFolder(install_.path().string());
    CommandLineArgs.Arguments.clear();
    IniCustomPars.reset();
    BatchMode = false;
    ProgramOptions.DisclaimerAgreed = false;
    ProgramEndRequested = false;
    DiagnosticsOn = false;
    ShellServices.ReadPreferences = [this](TXLAWindow&) {
      calls.push_back("ReadPreferences");
      return preferencesFound;
    };
    ShellServices.WritePreferences = [this](TXLAWindow&) {
      calls.push_back(ProgramOptions.DisclaimerAgreed ? "WritePreferences agreed"
                                                      : "WritePreferences refused");
      return true;
    };
    ShellServices.RunBatch = [this](TXLAWindow&) { calls.push_back("RunBatch"); };
    ShellServices.AllowModelNotes = [this] { calls.push_back("AllowModelNotes"); };
    ShellServices.WriteBatchResultsAndExit = [this](TXLAWindow&) {
      calls.push_back("WriteBatchResultsAndExit");
    };
  }

  void TearDown() override {
    ProgramPaths = savedPaths_;
    ShellServices = savedServices_;
    CommandLineArgs.Arguments = savedArguments_;
    ProgramOptions = savedOptions_;
    IniCustomPars.reset();
    MainDisplayOptions.ShowResidualsHistogram = savedHistogram_;
    BatchMode = false;
    ProgramOptions.DisclaimerAgreed = false;
    ProgramEndRequested = false;
    DiagnosticsOn = false;
    LammDiagnosticsOn = false;
    ThreadDiagnosticsOn = false;
    if (hadTmp_)
      ::setenv("TMPDIR", savedTmp_.c_str(), 1);
    else
      ::unsetenv("TMPDIR");
    HeadlessTest::TearDown();
  }

  // The program's own preference file instead of the recording steps.
  void UseProgramPreferences() {
    ShellServices.ReadPreferences = savedServices_.ReadPreferences;
    ShellServices.WritePreferences = savedServices_.WritePreferences;
  }

  const ScratchFolder& install() const { return install_; }
  const ScratchFolder& temp() const { return temp_; }

  std::vector<std::string> calls;  // the start-up services, in the order called
  bool preferencesFound = false;

 private:
  ScratchFolder install_;
  ScratchFolder temp_;
  ProgramPathsRecord savedPaths_;
  ShellServicesRecord savedServices_;
  std::vector<std::string> savedArguments_;
  ProgramOptionsRecord savedOptions_;
  bool savedHistogram_ = false;
  std::string savedTmp_;
  bool hadTmp_ = false;
};
