// The runners of Lamm equation lists: the threaded runner that loads, starts,
// joins and checks the workers on the calling (user-interface) thread, and
// the sequential runner.

#include "lamm/LammLists.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "state/DisplayState.h"
#include "state/LammThreadCount.h"
#include "lamm/CLammIdeal.h"
#include "lamm/LammWorkerThread.h"
#include "state/ComputationAbort.h"
#include "numerics/OneBasedArrays.h"
#include "platform/Platform.h"
#include "ui/Boxes.h"

namespace {

// The arguments every runner shares.
struct ListInputs {
  std::int32_t count;
  const double* s;
  const double* D;
  const double* vbar;
  float*** outputs;
  float* radii;
  std::int32_t pointCount;
  float** scanRadii;
  std::int32_t* scanPointCounts;
};

struct InitialProfileInputs {
  std::int32_t n = 0;
  const float* radii = nullptr;
  float** profiles = nullptr;
};

using WorkerArray = std::vector<std::unique_ptr<MultiThreadCLammIdeal>>;

void TraceRunner(CLammIdeal& master, const char* text) {
  if (LammDiagnosticsOn) master.DebugLog(text);
}

void ShowFailure(std::int32_t code, std::int32_t equation) {
  char text[80];
  std::snprintf(text, sizeof text, "error #%d in simulation #%d", code, equation);
  ErrorBox(text);
}

// A key press is noticed only here, on the calling thread: workers never
// poll the queue of the user-interface thread.
void PollForAbort(const CLammIdeal& master) {
  if (!ComputationAbort && master.UserAbort()) ComputationAbort = true;
}

void DrawListStatus(const CLammIdeal& master) {
  if (DrawingAllowed && master.MainWindow && !master.FitInProgress && !master.DisplaySuppressed)
    platform::Current().DrawWindowText(master.MainWindow, 10, 30,
                                       "solving Lamm equations...       ");
}

// Element 0 exists as in the worker arrays of the other thread pools, but
// is never loaded or started.
WorkerArray MakeWorkers(const CLammIdeal& master, std::int32_t n) {
  WorkerArray workers;
  workers.reserve(static_cast<std::size_t>(n) + 1);
  for (std::int32_t k = 0; k <= n; ++k) {
    if (master.IsNonIdealSolver)
      workers.push_back(std::make_unique<MultiThreadCLammNonIdeal>());
    else
      workers.push_back(std::make_unique<MultiThreadCLammIdeal>());
  }
  return workers;
}

void LoadWorkers(WorkerArray& workers, const CLammIdeal& master, const ListInputs& in,
                 const InitialProfileInputs* profiles, OneBasedArray<std::int32_t>& errorCodes,
                 OneBasedArray<std::int32_t>& failedEquations,
                 std::atomic<std::int32_t>* sharedCounter) {
  const auto n = static_cast<std::int32_t>(workers.size()) - 1;
  for (std::int32_t k = 1; k <= n; ++k) {
    MultiThreadCLammIdeal& w = *workers[k];
    w.SetThreadNumber(k);
    w.SetWorkerCount(n);
    w.SetInputs(&master, in.count, in.s, in.D, in.vbar, in.outputs, in.radii, in.pointCount,
                in.scanRadii, in.scanPointCounts);
    if (profiles) w.SetInitialProfiles(profiles->n, profiles->radii, profiles->profiles);
    w.SetResultSlots(errorCodes.data(), failedEquations.data());
    w.SetSharedCounter(sharedCounter);
  }
}

// Starts every worker, then waits for each in order. A worker the system
// refused a thread solves its share here, after the others have started, so
// that no part of the list is left unsolved.
void StartAndJoin(WorkerArray& workers, CLammIdeal& master) {
  const auto n = static_cast<std::int32_t>(workers.size()) - 1;
  for (std::int32_t k = 1; k <= n; ++k) {
    workers[k]->Start();
    PollForAbort(master);
  }
  TraceRunner(master, ", started ");
  for (std::int32_t k = 1; k <= n; ++k) {
    MultiThreadCLammIdeal& w = *workers[k];
    if (w.GetStatus() == platform::Thread::Status::Created)
      w.RunHere();
    else
      w.WaitForExit();
    PollForAbort(master);
  }
}

// Boxes for what went wrong on the workers, in worker order; the code of the
// highest-numbered failed worker.
std::int32_t ReportWorkers(WorkerArray& workers, const OneBasedArray<std::int32_t>& errorCodes,
                           const OneBasedArray<std::int32_t>& failedEquations) {
  std::int32_t result = 0;
  const auto n = static_cast<std::int32_t>(workers.size()) - 1;
  for (std::int32_t k = 1; k <= n; ++k) {
    for (const std::string& message : workers[k]->TakeDeferredMessages()) ErrorBox(message);
    if (errorCodes[k] > 0) {
      result = errorCodes[k];
      ShowFailure(errorCodes[k], failedEquations[k]);
    }
  }
  return result;
}

bool AllFinished(const WorkerArray& workers) {
  return std::all_of(workers.begin() + 1, workers.end(), [](const auto& w) {
    return w->GetStatus() == platform::Thread::Status::Finished;
  });
}

std::int32_t RunThreaded(CLammIdeal& master, const ListInputs& in,
                         const InitialProfileInputs* profiles) {
  // A count below one would leave the whole list unsolved without a word.
  const std::int32_t n = std::max(LammThreadCount.load(), 1);
  OneBasedArray<std::int32_t> errorCodes(1, n), failedEquations(1, n);
  if (LammDiagnosticsOn) {
    master.DebugLog(nullptr);
    master.DebugLog("\nStarting CLRunMTList");
  }
  DrawListStatus(master);

  WorkerArray workers = MakeWorkers(master, n);
  TraceRunner(master, " ... pLammThreads allocated");
  // The first equation is 1; the workers share the counter unless the fixed
  // shares are asked for.
  std::atomic<std::int32_t> next{1};
  LoadWorkers(workers, master, in, profiles, errorCodes, failedEquations,
              LammListFixedShares ? nullptr : &next);
  TraceRunner(master, ", loaded");
  StartAndJoin(workers, master);
  TraceRunner(master, ", exited ");
  const std::int32_t result = ReportWorkers(workers, errorCodes, failedEquations);
  TraceRunner(master, ", checked ");
  TraceRunner(master, AllFinished(workers) ? ", all done " : ", not all done yet ");
  workers.clear();
  TraceRunner(master, ", and deleted. ");
  return result;
}

// A one-based array holding vbar for each of count equations.
std::vector<double> ConstantVbar(std::int32_t count, float vbar) {
  return std::vector<double>(static_cast<std::size_t>(std::max(count, 0)) + 1, vbar);
}

}  // namespace

std::int32_t CLRunMTList(CLammIdeal& master, std::int32_t count, const double* s, const double* D,
                         const double* vbar, float*** outputs, float* radii,
                         std::int32_t pointCount, float** scanRadii,
                         std::int32_t* scanPointCounts) {
  return RunThreaded(
      master, {count, s, D, vbar, outputs, radii, pointCount, scanRadii, scanPointCounts}, nullptr);
}

std::int32_t CLRunMTListConst(CLammIdeal& master, std::int32_t count, const double* s,
                              const double* D, float vbar, float*** outputs, float* radii,
                              std::int32_t pointCount, float** scanRadii,
                              std::int32_t* scanPointCounts) {
  const std::vector<double> vbars = ConstantVbar(count, vbar);
  return CLRunMTList(master, count, s, D, vbars.data(), outputs, radii, pointCount, scanRadii,
                     scanPointCounts);
}

std::int32_t CLRunMTListInitialProfiles(CLammIdeal& master, std::int32_t count, const double* s,
                                        const double* D, const double* vbar, float*** outputs,
                                        float* radii, std::int32_t pointCount, float** scanRadii,
                                        std::int32_t* scanPointCounts, std::int32_t n,
                                        const float* profileRadii, float** profiles) {
  const InitialProfileInputs start{n, profileRadii, profiles};
  return RunThreaded(
      master, {count, s, D, vbar, outputs, radii, pointCount, scanRadii, scanPointCounts}, &start);
}

std::int32_t CLRunMTListInitialProfilesConst(CLammIdeal& master, std::int32_t count,
                                             const double* s, const double* D, float vbar,
                                             float*** outputs, float* radii,
                                             std::int32_t pointCount, float** scanRadii,
                                             std::int32_t* scanPointCounts, std::int32_t n,
                                             const float* profileRadii, float** profiles) {
  const std::vector<double> vbars = ConstantVbar(count, vbar);
  return CLRunMTListInitialProfiles(master, count, s, D, vbars.data(), outputs, radii, pointCount,
                                    scanRadii, scanPointCounts, n, profileRadii, profiles);
}

std::int32_t RunLammListSequential(CLammIdeal& master, std::int32_t count, const double* s,
                                   const double* D, const double* vbar, float*** outputs,
                                   float* radii, std::int32_t pointCount, float** scanRadii,
                                   std::int32_t* scanPointCounts) {
  std::int32_t code = 0, failed = 0;
  if (!s || !D || !outputs) return 0;
  for (std::int32_t i = 1; i <= count && code == 0 && !ComputationAbort; ++i) {
    std::unique_ptr<CLammIdeal> copy = master.NewCopy();
    copy->EquationIndex = i;
    copy->SetEquation(s[i], D[i], outputs[i], radii, pointCount, scanRadii, scanPointCounts);
    copy->SetSolvent(master.Temperature, vbar ? vbar[i] : master.Vbar, master.SolventDensity,
                     master.RelativeViscosity);
    copy->DrawEquationStatus(10, 30);
    code = copy->Solve();
    failed = i;
    if (copy->Interrupted) ComputationAbort = true;
  }
  if (!ComputationAbort && code > 0) ShowFailure(code, failed);
  return code;
}

std::int32_t RunLammListSequentialConst(CLammIdeal& master, std::int32_t count, const double* s,
                                        const double* D, float vbar, float*** outputs, float* radii,
                                        std::int32_t pointCount, float** scanRadii,
                                        std::int32_t* scanPointCounts) {
  const std::vector<double> vbars = ConstantVbar(count, vbar);
  return RunLammListSequential(master, count, s, D, vbars.data(), outputs, radii, pointCount,
                               scanRadii, scanPointCounts);
}
