#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>

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

}  // namespace
