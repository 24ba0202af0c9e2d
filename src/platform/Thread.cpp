#include "platform/Thread.h"

#include <cassert>
#include <condition_variable>
#include <system_error>
#include <utility>

#ifdef __linux__
#include <cerrno>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace platform {

// The end of a body, for whoever waits: the object that started it may
// already be gone when the system thread signals.
struct Thread::Completion {
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
};

namespace {

thread_local Thread* runningHere = nullptr;
// Set when a body changed its system thread's priority, which the kept
// thread then restores before it waits for the next body.
thread_local bool priorityChanged = false;

#ifdef __linux__
long SystemThreadId() {
  return static_cast<long>(::syscall(SYS_gettid));
}
#endif

}  // namespace

struct ThreadAccess {
  using Completion = Thread::Completion;
  static void RunBody(Thread& thread) { thread.Body(); }
};

namespace {

using Completion = ThreadAccess::Completion;

// The kept system threads. Each waits on its own slot, so that a start wakes
// exactly one thread and never creates a second one for a body that a
// waiting thread could run. Never destroyed: the threads wait blocked until
// the process ends, and a thread still running a body then must not find
// its pool gone.
class SystemThreads {
 public:
  static SystemThreads& Instance() {
    static SystemThreads* const pool = new SystemThreads;
    return *pool;
  }

  // Hands the body of thread (already marked running) to a waiting system
  // thread, or to a new one. False when the system refuses a new thread.
  bool Run(Thread* thread, std::shared_ptr<Completion> completion);

 private:
  struct Slot {
    std::condition_variable wake;
    Thread* body = nullptr;
    std::shared_ptr<Completion> completion;
  };

  void Serve(Slot* slot);

  std::mutex mutex_;
  std::vector<Slot*> waiting_;
};

bool SystemThreads::Run(Thread* thread, std::shared_ptr<Completion> completion) {
  std::unique_lock lock(mutex_);
  if (!waiting_.empty()) {
    Slot* slot = waiting_.back();
    waiting_.pop_back();
    slot->body = thread;
    slot->completion = std::move(completion);
    lock.unlock();
    slot->wake.notify_one();
    return true;
  }
  auto* slot = new Slot;
  slot->body = thread;
  slot->completion = std::move(completion);
  try {
    std::thread(&SystemThreads::Serve, this, slot).detach();
  } catch (const std::system_error&) {
    delete slot;
    return false;
  }
  return true;
}

void SystemThreads::Serve(Slot* slot) {
#ifdef __linux__
  errno = 0;
  const int ownNice = ::getpriority(PRIO_PROCESS, static_cast<id_t>(SystemThreadId()));
  const bool niceKnown = errno == 0;
#endif
  std::unique_lock lock(mutex_);
  for (;;) {
    slot->wake.wait(lock, [slot] { return slot->body != nullptr; });
    Thread* body = std::exchange(slot->body, nullptr);
    std::shared_ptr<Completion> completion = std::move(slot->completion);
    lock.unlock();
    ThreadAccess::RunBody(*body);  // marks the object finished last
    {
      std::lock_guard end(completion->mutex);
      completion->done = true;
    }
    completion->ended.notify_all();
    completion.reset();
#ifdef __linux__
    if (priorityChanged && niceKnown)
      ::setpriority(PRIO_PROCESS, static_cast<id_t>(SystemThreadId()), ownNice);
#endif
    priorityChanged = false;
    lock.lock();
    waiting_.push_back(slot);
  }
}

}  // namespace

Thread* Thread::Running() {
  return runningHere;
}

void Thread::DeferMessage(std::string text) {
  std::lock_guard lock(messagesMutex_);
  deferredMessages_.push_back(std::move(text));
}

std::vector<std::string> Thread::TakeDeferredMessages() {
  std::lock_guard lock(messagesMutex_);
  return std::exchange(deferredMessages_, {});
}

Thread::~Thread() {
  // The derived object, whose fields Run uses, is already gone here: a
  // thread still running would read freed memory. Once the object is marked
  // finished its system thread touches only the shared completion.
  assert(GetStatus() != Status::Running && "a running thread must not be destroyed");
}

bool Thread::Start() {
  if (GetStatus() != Status::Created) return false;
  // Marked before the body runs, so that a body that ends at once is not
  // overwritten back to running.
  status_.store(Status::Running, std::memory_order_release);
  completion_ = std::make_shared<Completion>();
  if (!SystemThreads::Instance().Run(this, completion_)) {
    completion_.reset();
    status_.store(Status::Created, std::memory_order_release);
    return false;
  }
  return true;
}

bool Thread::RunHere() {
  if (GetStatus() != Status::Created) return false;
  status_.store(Status::Running, std::memory_order_release);
  // systemId_ stays 0: the body must not change the caller's priority.
  exitCode_ = Run();
  status_.store(Status::Finished, std::memory_order_release);
  return true;
}

void Thread::Body() {
#ifdef __linux__
  systemId_.store(SystemThreadId(), std::memory_order_relaxed);
#endif
  runningHere = this;
  exitCode_ = Run();
  runningHere = nullptr;
  systemId_.store(0, std::memory_order_relaxed);
  // The last touch of the object by its system thread.
  status_.store(Status::Finished, std::memory_order_release);
}

void Thread::WaitForExit() {
  if (!completion_) return;
  std::unique_lock lock(completion_->mutex);
  completion_->ended.wait(lock, [this] { return completion_->done; });
}

int Thread::ExitCode() const {
  return GetStatus() == Status::Finished ? exitCode_ : 0;
}

bool Thread::SetPriority(Priority priority) {
#ifdef __linux__
  // Linux gives each thread its own nice value; lower is more urgent.
  const int nice = priority == Priority::Highest ? -2 : 0;
  const long id = systemId_.load(std::memory_order_relaxed);
  if (id == 0) return false;
  priorityChanged = true;
  return ::setpriority(PRIO_PROCESS, static_cast<id_t>(id), nice) == 0;
#else
  return priority == Priority::Normal;
#endif
}

}  // namespace platform
