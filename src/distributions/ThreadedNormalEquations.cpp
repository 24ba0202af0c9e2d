#include "distributions/ThreadedNormalEquations.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "distributions/NormalEquationsAccumulation.h"

int MultiContiNEQThread::Run() {
  assert(Index >= 1 && Accumulator != nullptr);
  // Refused without the privilege on some systems; the work is the same.
  SetPriority(Priority::Highest);
  Accumulator->AccumulateWorker(Index, false, Progress);
  return 0;
}

bool NormalEquationsThreaded(const NormalEquationProblem& problem, NormalEquationArrays& neq,
                             NoiseEliminationRecord& record, int threadCount,
                             const NormalEquationProgress& progress) {
  ComputeNoiseMeans(problem, neq, record);
  const int workers = std::max(threadCount, 1);
  NormalEquationAccumulator accumulator(problem, neq, record, workers);
  // Element 0 stays unused, so that worker k is element k.
  std::vector<std::unique_ptr<MultiContiNEQThread>> threads;
  threads.reserve(static_cast<std::size_t>(workers) + 1);
  for (int k = 0; k <= workers; ++k) {
    threads.push_back(std::make_unique<MultiContiNEQThread>());
    threads.back()->Index = k;
    threads.back()->Accumulator = &accumulator;
    threads.back()->Progress = &progress;
  }
  for (int k = 1; k <= workers; ++k)
    if (!threads[static_cast<std::size_t>(k)]->Start())
      threads[static_cast<std::size_t>(k)]->RunHere();
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
  threads.clear();
  return accumulator.Finish();
}
