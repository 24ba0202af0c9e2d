// The program's entry.
//   taluvo                                   the main window
//   taluvo <parameter file>                  a batch run
//   taluvo <handshake text> <parameter file> a batch run that writes the text
//                                            back into its all-done flag file
// More than two arguments start the window too. A batch run without a
// display, or one that ends by itself (AutoExit), runs headless, its window
// drawing into an image in memory.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/batch/BatchParameters.h"
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

}  // namespace

int main(int argc, char** argv) {
  const std::string program = ExecutablePath(argv[0]);
  const bool batch = argc == 2 || argc == 3;
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
    return 1;
  }

  std::vector<const char*> arguments(argv, argv + argc);
  arguments[0] = program.c_str();
  const int exitCode = ProgramMain(argc, arguments.data());
  // The toolkit ends here, in order, while all of it still stands: first
  // the backend with what it holds of the toolkit, then the application
  // object. Left to the static objects at exit, the application object
  // would be torn down after parts of the toolkit it calls.
  platform::qt::EndToolkit();
  return exitCode;
}
