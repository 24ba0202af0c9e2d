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
  assert(Index >= 1 && Accumulator != nullptr);
  // Refused without the privilege on some systems; the work is the same.
  SetPriority(Priority::Highest);
  Accumulator->AccumulateWorker(Index, false, Progress);
  return 0;
}

namespace {

// A worker of the means: kernel columns from a shared counter until none is
// left. Columns are independent, so who computes one does not matter.
class KernelMeansThread : public platform::Thread {
 public:
  const NormalEquationProblem* Problem = nullptr;
  NormalEquationArrays* Arrays = nullptr;
  std::atomic<int>* NextColumn = nullptr;

 protected:
  int Run() override {
    for (int g = NextColumn->fetch_add(1) + 1; g <= Problem->KernelColumns;
         g = NextColumn->fetch_add(1) + 1)
      ComputeKernelColumnMeans(*Problem, *Arrays, g);
    return 0;
  }
};

// The noise means, the kernel's (one pass over all of it) shared among the
// workers, the data's on the calling thread meanwhile.
void ComputeNoiseMeansThreaded(const NormalEquationProblem& problem, NormalEquationArrays& neq,
                               NoiseEliminationRecord& record, int workers) {
  std::atomic<int> nextColumn{0};
  std::vector<std::unique_ptr<KernelMeansThread>> threads;
  for (int k = 0; k < workers; ++k) {
    threads.push_back(std::make_unique<KernelMeansThread>());
    threads.back()->Problem = &problem;
    threads.back()->Arrays = &neq;
    threads.back()->NextColumn = &nextColumn;
  }
  std::vector<bool> started;
  for (auto& t : threads) started.push_back(t->Start());
  ComputeDataNoiseMeans(problem, neq, record);
  for (std::size_t k = 0; k < threads.size(); ++k)
    if (started[k])
      threads[k]->WaitForExit();
    else
      threads[k]->RunHere();
}

}  // namespace

bool NormalEquationsThreaded(const NormalEquationProblem& problem, NormalEquationArrays& neq,
                             NoiseEliminationRecord& record, int threadCount,
                             const NormalEquationProgress& progress) {
  const int workers = std::max(threadCount, 1);
  LogDistributionStep(nullptr, "\n\tnormal equations prep");
  ComputeNoiseMeansThreaded(problem, neq, record, workers);
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
  LogDistributionStep(nullptr, ", allocated threads");
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
  LogDistributionStep(nullptr, ", all done");
  threads.clear();
  LogDistributionStep(nullptr, ", deleted");
  const bool complete = accumulator.Finish();
  LogDistributionStep(nullptr, ", finished");
  return complete;
}
