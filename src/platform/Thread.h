#pragma once
// A worker thread in the manner of an application framework's thread class:
// the object is built without starting anything, its body is the virtual Run,
// Start creates the system thread, WaitForExit waits for it without time-out,
// and an object is never destroyed while its thread runs. No toolkit inside:
// a std::thread does the work.

#include <atomic>
#include <thread>

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

  // Marks the object running and creates the system thread, which runs Run
  // and marks the object finished when Run returns. False when the object
  // was started before or the system refuses a thread (it then stays
  // created).
  bool Start();
  // Runs the body on the calling thread instead, for an object the system
  // refused a thread; false when the object was started before.
  bool RunHere();
  // Waits for Run to return; returns at once when the object is not running
  // (never started, or finished and already waited for).
  void WaitForExit();
  Status GetStatus() const { return status_.load(std::memory_order_acquire); }
  // Run's result; 0 until the thread has finished.
  int ExitCode() const;

 protected:
  virtual int Run() = 0;
  // Sets the priority of this object's thread; called from Run. False when
  // the system refuses (raising a priority may need privileges).
  bool SetPriority(Priority priority);

 private:
  void Body();

  std::thread thread_;
  std::atomic<Status> status_{Status::Created};
  int exitCode_ = 0;               // written by the thread before it is marked finished
  std::atomic<long> systemId_{0};  // kernel id of the running thread
};

}  // namespace platform
