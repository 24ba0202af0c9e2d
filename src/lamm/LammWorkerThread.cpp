// The body of a list worker: its share of the equations, each solved with a
// private copy of the master, and its diagnostics log.

#include "lamm/LammWorkerThread.h"

#include <cstdio>
#include <utility>

#include "state/ProgramPaths.h"
#include "lamm/CLammIdeal.h"
#include "state/ComputationAbort.h"
#include "ui/Boxes.h"

std::atomic<bool> ThreadDiagnosticsOn{false};
std::atomic<bool> LammListFixedShares{false};

MultiThreadCLammIdeal::MultiThreadCLammIdeal() = default;

MultiThreadCLammIdeal::~MultiThreadCLammIdeal() {
  DebugLog(NonIdeal ? "\ndeleting MultiThreadCLammNonIdeal" : "\ndeleting MultiThreadCLammIdeal");
}

const char* MultiThreadCLammIdeal::KindName() const {
  return NonIdeal ? "MultiThreadCLammNonIdeal" : "MultiThreadCLammIdeal";
}

void MultiThreadCLammIdeal::SetThreadNumber(std::int32_t k) {
  ThreadNumber = k;
  DebugLog(nullptr);
}

void MultiThreadCLammIdeal::SetWorkerCount(std::int32_t n) {
  WorkerCount = n < 1 ? 1 : n;
}

void MultiThreadCLammIdeal::SetInputs(const CLammIdeal* master, std::int32_t count, const double* s,
                                      const double* D, const double* vbar, float*** outputs,
                                      float* radii, std::int32_t pointCount, float** scanRadii,
                                      std::int32_t* scanPointCounts) {
  Master = master;
  EquationCount = count;
  SValues = s;
  DValues = D;
  VbarValues = vbar;
  Outputs = outputs;
  Radii = radii;
  PointCount = pointCount;
  ScanRadii = scanRadii;
  ScanPointCounts = scanPointCounts;
}

void MultiThreadCLammIdeal::SetInitialProfiles(std::int32_t n, const float* radii,
                                               float** profiles) {
  InitialProfilePointCount = n;
  InitialProfileRadii = radii;
  InitialProfiles = profiles;
}

void MultiThreadCLammIdeal::SetResultSlots(std::int32_t* errorCodes,
                                           std::int32_t* failedEquations) {
  ErrorCodes = errorCodes;
  FailedEquations = failedEquations;
}

void MultiThreadCLammIdeal::SetSharedCounter(std::atomic<std::int32_t>* next) {
  NextEquation = next;
}

std::int32_t MultiThreadCLammIdeal::TakeEquation(std::int32_t previous) {
  // The counter only hands out indices: no data passes through it, so the
  // relaxed order suffices (the runner's join orders the results).
  if (NextEquation) return NextEquation->fetch_add(1, std::memory_order_relaxed);
  std::int32_t i = previous + 1;
  while (i <= EquationCount && i % WorkerCount + 1 != ThreadNumber) ++i;
  return i;
}

int MultiThreadCLammIdeal::Run() {
  const std::string start = std::string("\nstart ") + KindName() + "::Run()";
  DebugLog(start.c_str());
  if (ErrorCodes) ErrorCodes[ThreadNumber] = 0;
  if (FailedEquations) FailedEquations[ThreadNumber] = 0;
  if (Master && SValues && DValues && Outputs) {
    SetPriority(Priority::Highest);
    // A failed equation ends the share; a set abort flag (a key press, or
    // another worker's failure) ends it before the next equation.
    std::int32_t code = 0;
    for (std::int32_t i = TakeEquation(0); i <= EquationCount && code == 0 && !ComputationAbort;
         i = TakeEquation(i))
      code = SolveEquation(i);
  }
  const std::string exit = std::string("\nexit from ") + KindName() + "::Run()";
  DebugLog(exit.c_str());
  return 0;
}

bool MultiThreadCLammIdeal::PrepareCopy(CLammIdeal& copy, std::int32_t i) const {
  copy.NoKeyPoll = 1;
  copy.EquationIndex = i;
  copy.ThreadNumber = ThreadNumber;
  // Windows belong to the user-interface thread: a worker's copy draws
  // nothing (the runner shows the list's status line itself).
  copy.MainWindow = nullptr;
  copy.LivePlot = nullptr;
  copy.ShowProgress = 0;
  copy.DisplaySuppressed = 1;
  // Profile rows shared by all equations end up holding the last equation's
  // profiles, as in a sequential run; only that equation may write them, or
  // workers would write the same rows at once.
  if (copy.ProfileOutputOn && !copy.ProfilePerEquation && i != EquationCount)
    copy.ProfileOutputOn = 0;
  copy.SetEquation(SValues[i], DValues[i], Outputs[i], Radii, PointCount, ScanRadii,
                   ScanPointCounts);
  // Re-derives molar mass and frictional ratio of the copy for this s and D.
  const double vbar = VbarValues ? VbarValues[i] : Master->Vbar;
  copy.SetSolvent(Master->Temperature, vbar, Master->SolventDensity, Master->RelativeViscosity);
  // A profile the copy refuses (too few points, or not spanning the cell)
  // would leave it to start from the uniform loading: the equation fails
  // as an invalid set-up instead of returning a run from the wrong start.
  if (InitialProfilePointCount > 0 && InitialProfileRadii && InitialProfiles)
    return copy.SetInitialProfile(InitialProfilePointCount, InitialProfileRadii,
                                  InitialProfiles[i]);
  return true;
}

std::int32_t MultiThreadCLammIdeal::SolveEquation(std::int32_t i) {
  char line[200];
  std::snprintf(line, sizeof line,
                "\nstarting new debugging session for Lamm equation #%d (s = %.4f S, D = %.3f F)",
                i, SValues[i], DValues[i] * 1e7);
  WorkerLogLine = line;
  DebugLog(WorkerLogLine.c_str());

  Solver = Master->NewCopy();
  constexpr std::int32_t kInvalidSetup = 4;
  const std::int32_t code = PrepareCopy(*Solver, i) ? Solver->Solve() : kInvalidSetup;
  if (code > 0) {
    if (ErrorCodes) ErrorCodes[ThreadNumber] = code;
    if (FailedEquations) FailedEquations[ThreadNumber] = i;
    ComputationAbort = true;
  }
  if (Solver->Interrupted) ComputationAbort = true;
  Solver.reset();
  DebugLog(" -> OK");
  return code;
}

namespace {

bool WriteWorkerLog(const std::string& path, bool append, const std::string& text) {
  std::FILE* file = std::fopen(path.c_str(), append ? "a" : "w");
  if (!file) return false;
  std::fputs(text.c_str(), file);
  std::fflush(file);
  std::fclose(file);
  return true;
}

}  // namespace

void MultiThreadCLammIdeal::DebugLog(const char* text) {
  if (!ThreadDiagnosticsOn) return;
  if (WorkerLogFileName.empty()) {
    char name[40], line[100];
    std::snprintf(name, sizeof name, "MTdebug_t%d.txt", ThreadNumber);
    WorkerLogFileName = ProgramPaths.TempFolder + name;
    if (ThreadNumber != 0)
      std::snprintf(line, sizeof line, "\nstarting new debugging session for thread #%d",
                    ThreadNumber);
    else
      std::snprintf(line, sizeof line, "deleting threads (thread #%d)", ThreadNumber);
    WorkerLogLine = line;
  }
  const std::string message = text ? std::string(text) : WorkerLogLine;
  if (message.empty()) return;
  if (WriteWorkerLog(WorkerLogFileName, WorkerLogStarted, message)) {
    WorkerLogStarted = true;
    return;
  }
  std::string box =
      "\n\aAttention: could not open " + WorkerLogFileName + " to write debugging info";
  if (Running() == this)
    DeferMessage(std::move(box));
  else
    ErrorBox(box);
}
