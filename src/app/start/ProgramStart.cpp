#include "app/start/ProgramStart.h"

#include "state/LoadOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramPaths.h"
#include "app/start/ExitProgram.h"
#include "app/start/ShellServices.h"
#include "app/window/TXLAWindow.h"
#include "app/wiring/AnalysisHooks.h"
#include "models/ParameterPacking.h"
#include "platform/Platform.h"
#include "resources/AppStrings.h"

CommandLineArgsRecord CommandLineArgs;
std::string WizardFootnote;

void DropLogLinesBeforeTheWindow() {
  DebugLog = [](platform::WindowHandle, const std::string&) {};
}

TXLAApp::TXLAApp() : name_(ApplicationName) {}

TXLAApp::~TXLAApp() = default;

void TXLAApp::CreateMainWindow() {
  // The engines, kernels and solvent models the simulations call.
  InstallAnalysisHooks();
  // A window starts a fresh analysis: the initial species of the parameter
  // vector belong to the initial model. With the model of an earlier window
  // still selected they would be read as its settings (a c(s) grid of
  // resolution 0.5 from the first species' concentration).
  ModelSelection = ModelSelectionRecord{};
  AllocParameterVector();
  InitInstallPaths();
  window_ = std::make_unique<TXLAWindow>(MainWindowTitle);
  window_->StartUp();
  ShellServices.ClearDisplayRangeStack();
  WizardFootnote = WizardFootnoteText;
}

int TXLAApp::Run() {
  CreateMainWindow();
  // A refused disclaimer has already posted the quit message: the window is
  // never shown.
  if (!ProgramEndRequested) window_->Create();
  return platform::Current().RunMessageLoop();
}

int ProgramMain(int argc, const char* const* argv) {
  SetInstallationFolder(InstallationFolderOf(argc > 0 ? argv[0] : ""));
  if (WrittenFilesInUserFolders) MoveWrittenFilesToUserFolders();
  CommandLineArgs.Arguments.assign(argv + (argc > 0 ? 1 : 0), argv + argc);
  ProgramEndRequested = false;
  TXLAApp app;
  return app.Run();
}
