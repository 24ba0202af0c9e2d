#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <set>
#include <vector>

#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include "platform/Thread.h"

namespace {

using platform::Thread;

// A body that reports its thread and, when asked, holds until released.
class ProbeThread : public Thread {
 public:
  explicit ProbeThread(int result, bool hold = false) : result_(result), hold_(hold) {}
  ~ProbeThread() override { WaitForExit(); }

  std::atomic<int> runs{0};
  std::thread::id bodyThread;
  std::promise<void> release;
  bool normalPriorityAccepted = false;

 protected:
  int Run() override {
    bodyThread = std::this_thread::get_id();
    normalPriorityAccepted = SetPriority(Priority::Normal);
    SetPriority(Priority::Highest);  // may be refused without privileges
    if (hold_) release.get_future().wait();
    ++runs;
    return result_;
  }

 private:
  int result_;
  bool hold_;
};

TEST(ThreadTest, NothingRunsBeforeStartAndWaitingReturnsAtOnce) {
  ProbeThread t(7);
  EXPECT_EQ(t.GetStatus(), Thread::Status::Created);
  t.WaitForExit();
  EXPECT_EQ(t.runs, 0);
  EXPECT_EQ(t.GetStatus(), Thread::Status::Created);
  EXPECT_EQ(t.ExitCode(), 0);
}

TEST(ThreadTest, StartRunsTheBodyOnItsOwnThreadUntilItReturns) {
  ProbeThread t(7, /*hold=*/true);
  ASSERT_TRUE(t.Start());
  EXPECT_EQ(t.GetStatus(), Thread::Status::Running);
  EXPECT_EQ(t.ExitCode(), 0);
  // Still held in the body: running however long we look.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(t.GetStatus(), Thread::Status::Running);
  t.release.set_value();
  t.WaitForExit();
  EXPECT_EQ(t.GetStatus(), Thread::Status::Finished);
  EXPECT_EQ(t.runs, 1);
  EXPECT_EQ(t.ExitCode(), 7);
  EXPECT_NE(t.bodyThread, std::this_thread::get_id());
  EXPECT_TRUE(t.normalPriorityAccepted);
  t.WaitForExit();  // a second wait returns at once
}

TEST(ThreadTest, AThreadStartsOnlyOnce) {
  ProbeThread t(1);
  ASSERT_TRUE(t.Start());
  EXPECT_FALSE(t.Start());
  t.WaitForExit();
  EXPECT_FALSE(t.Start());
  EXPECT_EQ(t.runs, 1);
}

// The fallback for a thread the system refuses: the body runs on the caller,
// which keeps its own priority.
TEST(ThreadTest, RunHereRunsTheBodyOnTheCallingThreadOnce) {
  ProbeThread t(5);
  ASSERT_TRUE(t.RunHere());
  EXPECT_EQ(t.GetStatus(), Thread::Status::Finished);
  EXPECT_EQ(t.bodyThread, std::this_thread::get_id());
  EXPECT_FALSE(t.normalPriorityAccepted);
  EXPECT_EQ(t.ExitCode(), 5);
  EXPECT_FALSE(t.RunHere());
  EXPECT_FALSE(t.Start());
  EXPECT_EQ(t.runs, 1);
}

// What a body has to say is kept for the starting thread, which is not a
// worker itself.
TEST(ThreadTest, MessagesOfTheBodyWaitForTheStarter) {
  class Talker : public Thread {
   public:
    bool knewItself = false;

   protected:
    int Run() override {
      knewItself = Running() == this;
      Running()->DeferMessage("first");
      Running()->DeferMessage("second");
      return 0;
    }
  };
  Talker t;
  EXPECT_EQ(Thread::Running(), nullptr);
  ASSERT_TRUE(t.Start());
  t.WaitForExit();
  EXPECT_TRUE(t.knewItself);
  EXPECT_EQ(t.TakeDeferredMessages(), (std::vector<std::string>{"first", "second"}));
  EXPECT_TRUE(t.TakeDeferredMessages().empty());
  EXPECT_EQ(Thread::Running(), nullptr);
}

// A finished thread that nobody waited for is released by the destructor
// (a std::thread left joinable would end the program).
TEST(ThreadTest, AFinishedThreadIsReleasedWithoutAWait) {
  class Quick : public Thread {
   protected:
    int Run() override { return 3; }
  };
  auto t = std::make_unique<Quick>();
  ASSERT_TRUE(t->Start());
  while (t->GetStatus() != Thread::Status::Finished) std::this_thread::yield();
  EXPECT_EQ(t->ExitCode(), 3);
  t.reset();
}

// Bodies that need each other to finish all run at once, however many
// system threads are already kept: the workers of one step may wait for
// each other's results.
TEST(ThreadTest, BodiesThatWaitForEachOtherAllRunAtOnce) {
  constexpr int kBodies = 16;
  std::atomic<int> arrived{0};
  class Meeting : public Thread {
   public:
    explicit Meeting(std::atomic<int>& arrived) : arrived_(arrived) {}

   protected:
    int Run() override {
      ++arrived_;
      const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (arrived_ < kBodies && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::yield();
      return arrived_ >= kBodies ? 1 : 0;
    }

   private:
    std::atomic<int>& arrived_;
  };
  for (int round = 0; round < 2; ++round) {
    arrived = 0;
    std::vector<std::unique_ptr<Meeting>> bodies;
    for (int k = 0; k < kBodies; ++k) {
      bodies.push_back(std::make_unique<Meeting>(arrived));
      ASSERT_TRUE(bodies.back()->Start());
    }
    for (auto& body : bodies) {
      body->WaitForExit();
      EXPECT_EQ(body->ExitCode(), 1) << "round " << round;
    }
  }
}

#ifdef __linux__
// A system thread serves one body after another; a body that raised its
// priority leaves the thread as it found it for the next.
TEST(ThreadTest, AKeptThreadServesTheNextBodyAtItsOwnPriority) {
  class Probe : public Thread {
   public:
    explicit Probe(bool raise) : raise_(raise) {}
    long systemThread = 0;
    int niceSeen = 0;

   protected:
    int Run() override {
      systemThread = static_cast<long>(::syscall(SYS_gettid));
      niceSeen = ::getpriority(PRIO_PROCESS, static_cast<id_t>(systemThread));
      if (raise_) SetPriority(Priority::Highest);  // refused without the privilege
      return 0;
    }

   private:
    bool raise_;
  };
  const int processNice = ::getpriority(PRIO_PROCESS, 0);
  std::set<long> systemThreads;
  for (int k = 0; k < 12; ++k) {
    Probe body(/*raise=*/k % 2 == 0);
    ASSERT_TRUE(body.Start());
    body.WaitForExit();
    EXPECT_EQ(body.niceSeen, processNice) << "body " << k;
    systemThreads.insert(body.systemThread);
    // Time for the thread to come back and wait for the next body.
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_LT(systemThreads.size(), 4u);
}
#endif

}  // namespace
