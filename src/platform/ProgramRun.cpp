// Outside programs run to their end, and the defaults of the optional
// backend services.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/Platform.h"

namespace platform {

ProgramResult RunProgramToEnd(const ProgramRun& run) {
  ProgramResult result;
  std::vector<std::string> words;
  words.push_back(run.program);
  for (const std::string& a : run.arguments) words.push_back(a);
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child < 0) return result;
  if (child == 0) {
    if (!run.folder.empty() && chdir(run.folder.c_str()) != 0) _exit(127);
    execvp(argv[0], argv.data());
    _exit(127);  // not found or not executable
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return result;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127) return result;
  result.end = ProgramEnd::Finished;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

bool Backend::PrintPage(PrintRequest&) {
  return false;
}

bool Backend::PrinterSetup(WindowHandle) {
  return false;
}

ProgramResult Backend::RunProgramAndWait(const ProgramRun& run) {
  return RunProgramToEnd(run);
}

}  // namespace platform
