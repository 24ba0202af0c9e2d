#pragma once
// A worker thread in the manner of an application framework's thread class:
// the object is built without starting anything, its body is the virtual Run,
// Start hands the body to a system thread, WaitForExit waits for it without
// time-out, and an object is never destroyed while its thread runs. No
// toolkit inside: std::threads do the work. They are kept between bodies:
// creating a system thread costs a few hundred microseconds on a busy
// machine, as much as a worker's whole share of a short parallel step, and
// the steps that use workers start a fresh set each time (every build of
// the normal equations, every Monte Carlo replica). A kept thread waits
// blocked, so an idle program spends no time on them.
//
// Windows, boxes and the message queue belong to the thread that starts the
// workers. Code that would talk to the user while a worker's body runs asks
// Running() and, on a worker, leaves its text with DeferMessage; the starter
// shows what TakeDeferredMessages returns after the join.

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace platform {

class Thread {
 public:
  enum class Status { Created, Running, Finished };
  enum class Priority { Normal, Highest };

  Thread() = default;
  // Destroying an object whose thread still runs is a programming error;
  // the system thread of a finished one is released here.
  virtual ~Thread();
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;

  // Marks the object running and gives it to a waiting system thread (one
  // is created when none waits), which runs Run and marks the object
  // finished when Run returns. False when the object was started before or
  // the system refuses a thread (it then stays created).
  bool Start();
  // Runs the body on the calling thread instead, for an object the system
  // refused a thread; false when the object was started before. The body
  // then runs as its caller (Running() stays null).
  bool RunHere();
  // Waits for Run to return; returns at once when the object is not running
  // (never started, or finished and already waited for).
  void WaitForExit();
  Status GetStatus() const { return status_.load(std::memory_order_acquire); }
  // Run's result; 0 until the thread has finished.
  int ExitCode() const;

  // The object whose body runs on the calling system thread; null on any
  // other thread (the user-interface thread among them).
  static Thread* Running();
  void DeferMessage(std::string text);
  std::vector<std::string> TakeDeferredMessages();

 protected:
  virtual int Run() = 0;
  // Sets the priority of this object's thread; called from Run. False when
  // the system refuses (raising a priority may need privileges).
  bool SetPriority(Priority priority);

 private:
  struct Completion;
  friend struct ThreadAccess;
  void Body();

  // Shared with the system thread that runs the body, which signals the end
  // through it: the object itself may be gone by then.
  std::shared_ptr<Completion> completion_;
  std::atomic<Status> status_{Status::Created};
  int exitCode_ = 0;               // written by the thread before it is marked finished
  std::atomic<long> systemId_{0};  // kernel id of the running thread
  std::mutex messagesMutex_;
  std::vector<std::string> deferredMessages_;
};

}  // namespace platform
