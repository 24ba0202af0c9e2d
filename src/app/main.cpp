// The program's entry.
//   taluvo                                   the main window
//   taluvo <parameter file>                  a batch run
//   taluvo <handshake text> <parameter file> a batch run that writes the text
//                                            back into its all-done flag file
// More than two arguments start the window too. A batch run without a
// display, or one that ends by itself (AutoExit), runs headless, its window
// drawing into an image in memory. A batch run ends with the code of
// BatchExitCode (0 only when its analysis ran and its results were written).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "app/batch/BatchOutputFolder.h"
#include "app/batch/BatchParameters.h"
#include "app/batch/BatchResults.h"
#include "app/batch/BatchStatus.h"
#include "state/ProgramFlags.h"
#include "app/start/ProgramStart.h"
#include "platform/HeadlessBackend.h"
#include "platform/qt/DesktopBackend.h"
#include "platform/qt/GuiRuntime.h"
#include "platform/qt/RasterWindows.h"

namespace {

// The program file itself, also when it was found on the search path: the
// installation folder is its folder.
std::string ExecutablePath(const char* argv0) {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(argv0) : self.string();
}

bool DisplayAvailable() {
  return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

// Messages of the analysis go to standard error.
std::unique_ptr<platform::HeadlessBackend> EchoingHeadlessBackend() {
  auto backend = std::make_unique<platform::HeadlessBackend>();
  backend->SetEcho(true);
  return backend;
}

// A batch run that ends by itself never waits for a person: it runs headless
// even where a display is at hand, so no box can stop it. A batch that stays
// open afterwards belongs in the window.
bool EndsByItself(const char* parameterFile) {
  CIniCustomPars record;
  return ReadBatchParameters(record, parameterFile) && record.AutoExit;
}

// A readable parameter file without AutoExit asks for a window that stays
// open, which needs a display. Without one the run is refused up front,
// with a message, the report and the flag file, rather than run and gone.
bool RefusedForNoDisplay(int argc, char** argv) {
  CIniCustomPars record;
  if (!ReadBatchParameters(record, argv[argc - 1]) || record.AutoExit) return false;
  if (argc == 3) {
    record.HandshakeText = argv[1];
    record.HandshakeLength = static_cast<int>(record.HandshakeText.size());
  } else {
    record.HandshakeLength = -1;
  }
  NoteBatchFailure(BatchExitCode::CannotStayOpen,
                   std::string("the parameter file ") + argv[argc - 1] +
                       " has no <AutoExit>TRUE</AutoExit>, so the window would stay open after "
                       "the run, but there is no display (neither DISPLAY nor WAYLAND_DISPLAY is "
                       "set); add <AutoExit>TRUE</AutoExit> to run it without a display");
  if (ClaimBatchOutputFolder(record) != OutputClaim::InUse) WriteBatchFailureReport(record);
  return true;
}

// Memory ran out although the sizes read from files are bounded: the run
// ends with a message, its code and, in a batch run, the flag file.
int OutOfMemory() {
  NoteBatchFailure(BatchExitCode::OutOfMemory,
                   "memory ran out; the analysis was stopped (a smaller resolution or fewer "
                   "scans need less)");
  if (BatchMode && IniCustomPars) WriteBatchFailureReport(*IniCustomPars);
  return BatchExitCodeValue();
}

}  // namespace

int main(int argc, char** argv) {
  DropLogLinesBeforeTheWindow();
  const std::string program = ExecutablePath(argv[0]);
  const bool batch = argc == 2 || argc == 3;
  if (batch && !DisplayAvailable() && RefusedForNoDisplay(argc, argv)) return BatchExitCodeValue();
  if (DisplayAvailable() && !(batch && EndsByItself(argv[argc - 1]))) {
    platform::Install(std::make_unique<platform::qt::DesktopBackend>());
  } else if (batch) {
    auto backend = EchoingHeadlessBackend();
    platform::qt::UseRasterWindows(*backend);
    platform::Install(std::move(backend));
  } else {
    std::fprintf(stderr,
                 "taluvo: no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the main "
                 "window cannot be shown; a batch run needs no display: taluvo <parameter "
                 "file>\n");
    return static_cast<int>(BatchExitCode::NoDisplay);
  }

  WrittenFilesInUserFolders = true;
  std::vector<const char*> arguments(argv, argv + argc);
  arguments[0] = program.c_str();
  int exitCode = 0;
  try {
    exitCode = ProgramMain(argc, arguments.data());
  } catch (const std::bad_alloc&) {
    exitCode = OutOfMemory();
  }
  // The toolkit ends here, in order, while all of it still stands: first
  // the backend with what it holds of the toolkit, then the application
  // object. Left to the static objects at exit, the application object
  // would be torn down after parts of the toolkit it calls.
  platform::qt::EndToolkit();
  return exitCode;
}
