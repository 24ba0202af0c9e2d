#include "distributions/ThreadedNormalEquations.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "distributions/DistributionDiagnostics.h"
#include "distributions/NormalEquationsAccumulation.h"

int MultiContiNEQThread::Run() {
  assert(Index >= 1 && Accumulator != nullptr && Problem != nullptr && Arrays != nullptr &&
         NextMeansColumn != nullptr);
  // Refused without the privilege on some systems; the work is the same.
  SetPriority(Priority::Highest);
  if (!Accumulator->AccumulateWorker(Index, false, Progress)) return 0;
  // Columns are independent, so who computes one does not matter.
  for (int g = NextMeansColumn->fetch_add(1) + 1; g <= Problem->KernelColumns;
       g = NextMeansColumn->fetch_add(1) + 1) {
    ComputeKernelColumnMeans(*Problem, *Arrays, g);
    Accumulator->MeansReady(1);
  }
  Accumulator->AccumulateCorrection(Index);
  return 0;
}

bool NormalEquationsThreaded(const NormalEquationProblem& problem, NormalEquationArrays& neq,
                             NoiseEliminationRecord& record, int threadCount,
                             const NormalEquationProgress& progress) {
  const int workers = std::max(threadCount, 1);
  LogDistributionStep(nullptr, "\n\tnormal equations prep");
  NormalEquationAccumulator accumulator(problem, neq, record, workers);
  std::atomic<int> nextMeansColumn{0};
  // Element 0 stays unused, so that worker k is element k.
  std::vector<std::unique_ptr<MultiContiNEQThread>> threads;
  threads.reserve(static_cast<std::size_t>(workers) + 1);
  for (int k = 0; k <= workers; ++k) {
    threads.push_back(std::make_unique<MultiContiNEQThread>());
    threads.back()->Index = k;
    threads.back()->Accumulator = &accumulator;
    threads.back()->Progress = &progress;
    threads.back()->Problem = &problem;
    threads.back()->Arrays = &neq;
    threads.back()->NextMeansColumn = &nextMeansColumn;
  }
  LogDistributionStep(nullptr, ", allocated threads");
  std::vector<int> refused;
  for (int k = 1; k <= workers; ++k)
    if (!threads[static_cast<std::size_t>(k)]->Start()) refused.push_back(k);
  ComputeDataNoiseMeans(problem, neq, record);
  accumulator.MeansReady(1);
  for (int k : refused) threads[static_cast<std::size_t>(k)]->RunHere();
  // The workers report their progress; this thread shows it while it waits.
  if (progress.Tick) {
    const auto running = [&] {
      for (int k = 1; k <= workers; ++k)
        if (threads[static_cast<std::size_t>(k)]->GetStatus() == platform::Thread::Status::Running)
          return true;
      return false;
    };
    while (running()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      progress.Tick();
    }
    progress.Tick();  // what was reported last
  }
  for (int k = 1; k <= workers; ++k) threads[static_cast<std::size_t>(k)]->WaitForExit();
  LogDistributionStep(nullptr, ", all done");
  threads.clear();
  LogDistributionStep(nullptr, ", deleted");
  const bool complete = accumulator.Finish();
  LogDistributionStep(nullptr, ", finished");
  return complete;
}
