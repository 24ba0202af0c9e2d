#include "platform/Thread.h"

#include <cassert>
#include <system_error>
#include <utility>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace platform {

namespace {
thread_local Thread* runningHere = nullptr;
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
  // thread still running would read freed memory.
  assert(GetStatus() != Status::Running && "a running thread must not be destroyed");
  if (thread_.joinable()) thread_.join();
}

bool Thread::Start() {
  if (GetStatus() != Status::Created || thread_.joinable()) return false;
  // Marked before the thread exists, so that a body that ends at once is not
  // overwritten back to running.
  status_.store(Status::Running, std::memory_order_release);
  try {
    thread_ = std::thread(&Thread::Body, this);
  } catch (const std::system_error&) {
    status_.store(Status::Created, std::memory_order_release);
    return false;
  }
  return true;
}

bool Thread::RunHere() {
  if (GetStatus() != Status::Created || thread_.joinable()) return false;
  status_.store(Status::Running, std::memory_order_release);
  // systemId_ stays 0: the body must not change the caller's priority.
  exitCode_ = Run();
  status_.store(Status::Finished, std::memory_order_release);
  return true;
}

void Thread::Body() {
#ifdef __linux__
  systemId_.store(static_cast<long>(::syscall(SYS_gettid)), std::memory_order_relaxed);
#endif
  runningHere = this;
  exitCode_ = Run();
  runningHere = nullptr;
  status_.store(Status::Finished, std::memory_order_release);
}

void Thread::WaitForExit() {
  if (thread_.joinable()) thread_.join();
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
  return ::setpriority(PRIO_PROCESS, static_cast<id_t>(id), nice) == 0;
#else
  return priority == Priority::Normal;
#endif
}

}  // namespace platform
