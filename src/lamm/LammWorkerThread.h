#pragma once
// Worker threads that solve a share of a list of Lamm equations. The list
// runner loads N workers with the same inputs; each worker takes its next
// equation from a counter the workers share, so a worker held up by a busy
// core leaves more of the list to the others (with LammListFixedShares,
// worker k of N takes the equations i with i mod N + 1 = k instead, in
// increasing order). Each equation is solved with a private copy of the
// configured master solver, the same way whichever worker takes it, so the
// results do not depend on the schedule. A worker writes only its
// equations' output rows and its own result slots. Nothing else is shared:
// the writes are disjoint, the master and the input arrays are only read
// while workers run, and the counter and ComputationAbort are atomic.
//
// A worker never talks to the user: what it has to say is deferred (see
// platform::Thread) and shown by the runner on its own thread after the
// join.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Thread.h"

class CLammIdeal;

// Program-wide switch of the workers' diagnostics files "MTdebug_t<k>.txt"
// in the temp folder; toggled together with LammDiagnosticsOn.
extern std::atomic<bool> ThreadDiagnosticsOn;

// Program-wide choice of the list schedule: false (the default) lets the
// workers take equations from a shared counter; true gives worker k of N the
// fixed share i mod N + 1 = k.
extern std::atomic<bool> LammListFixedShares;

class MultiThreadCLammIdeal : public platform::Thread {
 public:
  MultiThreadCLammIdeal();
  // Writes its closing line to the worker's log.
  ~MultiThreadCLammIdeal() override;

  // --- Loading, in the runner's order ---
  // Stores k (1..N) and opens the worker's log.
  void SetThreadNumber(std::int32_t k);
  // Number of workers N of this runner call (at least 1); it decides the
  // worker's share.
  void SetWorkerCount(std::int32_t n);
  // The list: s[1..count] in S, D[1..count] in cm^2/s, vbar[1..count] or
  // null for the master's, outputs[1..count] the rows of each equation, and
  // the output radii handed to each copy.
  void SetInputs(const CLammIdeal* master, std::int32_t count, const double* s, const double* D,
                 const double* vbar, float*** outputs, float* radii, std::int32_t pointCount,
                 float** scanRadii, std::int32_t* scanPointCounts);
  // Each equation i starts from profiles[i][1..n] at radii[1..n].
  void SetInitialProfiles(std::int32_t n, const float* radii, float** profiles);
  // The runner's slot arrays [1..N]; this worker writes only slot k.
  void SetResultSlots(std::int32_t* errorCodes, std::int32_t* failedEquations);
  // The counter the runner's workers share: each takes the next equation
  // from it. Null: the fixed share i mod N + 1 = k.
  void SetSharedCounter(std::atomic<std::int32_t>* next);

  // Appends text to the worker's log when ThreadDiagnosticsOn; a null text
  // writes the pending WorkerLogLine. A file that cannot be opened is
  // reported, on the worker's own thread by a deferred message.
  void DebugLog(const char* text);

  // --- Fields ---
  std::int32_t ThreadNumber = 0;            // k, 1..N; 0 for the runner's unused element 0
  std::int32_t WorkerCount = 1;             // N
  std::int32_t* ErrorCodes = nullptr;       // borrowed [1..N]
  std::int32_t* FailedEquations = nullptr;  // borrowed [1..N]
  std::atomic<std::int32_t>* NextEquation = nullptr;  // borrowed shared counter or null
  const CLammIdeal* Master = nullptr;       // borrowed, only read
  std::unique_ptr<CLammIdeal> Solver;       // the equation under way; null between equations
  std::int32_t EquationCount = 0;
  const double* SValues = nullptr;     // borrowed [1..count], S
  const double* DValues = nullptr;     // borrowed [1..count], cm^2/s
  const double* VbarValues = nullptr;  // borrowed [1..count] or null, ml/g
  float*** Outputs = nullptr;          // borrowed [1..count] of [scan][point] rows
  float* Radii = nullptr;              // borrowed common output radii, cm
  std::int32_t PointCount = 0;
  float** ScanRadii = nullptr;  // borrowed per-scan output radii or null
  std::int32_t* ScanPointCounts = nullptr;
  std::string WorkerLogLine;
  std::string WorkerLogFileName;               // empty until the first log call
  bool WorkerLogStarted = false;               // the first write truncates the file
  std::int32_t InitialProfilePointCount = 0;   // 0: no initial profiles
  const float* InitialProfileRadii = nullptr;  // borrowed [1..n], cm
  float** InitialProfiles = nullptr;           // borrowed [1..count] of [1..n]
  bool NonIdeal = false;                       // the master is a concentration-dependent solver

 protected:
  int Run() override;

 private:
  // The equation after `previous` (0 before the first) that this worker
  // solves next; past EquationCount when its share is done.
  std::int32_t TakeEquation(std::int32_t previous);
  // Solves equation i with a fresh copy of the master; Solve's code.
  std::int32_t SolveEquation(std::int32_t i);
  // The copy set up for equation i; false when it refuses the equation's
  // initial profile.
  bool PrepareCopy(CLammIdeal& copy, std::int32_t i) const;
  const char* KindName() const;
};

// The worker of a concentration-dependent master: the same body, its own
// log texts; the master's own copy operation builds the matching solvers.
class MultiThreadCLammNonIdeal : public MultiThreadCLammIdeal {
 public:
  MultiThreadCLammNonIdeal() { NonIdeal = true; }
};
