// Lists of Lamm equations on worker threads, with a stand-in for the run: a
// solver whose Solve writes a value identifying the equation's inputs into
// its rows, and that can fail, wait, press a key or report an interruption
// on cue. The distribution rules, the reports of failed workers, aborts and
// the diagnostics files are checked against it; the runners' results on
// real runs are checked in LammListsSolveTest.cpp. Most cases pin which
// worker takes which equation, so they run with the fixed shares; the
// shared counter has cases of its own.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "LammSetupFixture.h"
#include "state/ProgramPaths.h"
#include "state/DisplayState.h"
#include "state/LammThreadCount.h"
#include "lamm/CLammIdeal.h"
#include "lamm/LammLists.h"
#include "lamm/LammWorkerThread.h"
#include "state/ComputationAbort.h"
#include "platform/HeadlessBackend.h"
#include "support/TestSupport.h"

namespace {

using namespace std::chrono_literals;

// What the stand-in run does for given equations, and what it saw.
struct ListScript {
  struct Call {
    int equation;
    int thread;
    bool profileOn;
  };
  std::map<int, std::int32_t> failures;  // equation -> code
  std::set<int> interrupted;             // equations whose copy reports a key press
  std::set<int> waitForAbort;            // equations that hold until ComputationAbort
  std::set<int> rendezvous;              // equations that hold until all of them arrived
  int holdUntilStarted = 0;              // equations that hold until this many have started
  std::set<int> holdForOthers;           // the equations that hold so
  int pressKeyOn = 0;                    // equation that queues a key press
  platform::HeadlessBackend* backend = nullptr;

  std::mutex mutex;
  std::condition_variable arrived;
  int arrivals = 0;
  std::vector<Call> calls;
  bool timedOut = false;
  bool copyPolledOrDrew = false;  // a worker copy could poll keys or draw

  void Record(const CLammIdeal& copy) {
    std::lock_guard lock(mutex);
    calls.push_back({copy.EquationIndex, copy.ThreadNumber, copy.ProfileOutputOn != 0});
    if (copy.ThreadNumber > 0 && (!copy.NoKeyPoll || copy.MainWindow || copy.LivePlot))
      copyPolledOrDrew = true;
  }
  // Holds until the condition holds, looking every millisecond (the abort
  // flag notifies nobody), at most a few seconds: a runner that never sets
  // the flag must fail the test, not hang it.
  template <class Condition>
  void HoldUntil(Condition done) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    std::unique_lock lock(mutex);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) {
        timedOut = true;
        return;
      }
      arrived.wait_for(lock, 1ms);
    }
  }
  void Hold(int equation) {
    if (rendezvous.count(equation)) {
      {
        std::lock_guard lock(mutex);
        ++arrivals;
      }
      arrived.notify_all();
      HoldUntil([&] { return arrivals >= static_cast<int>(rendezvous.size()); });
    }
    if (waitForAbort.count(equation)) HoldUntil([] { return ComputationAbort.load(); });
    if (holdForOthers.count(equation))
      HoldUntil([&] { return static_cast<int>(calls.size()) >= holdUntilStarted; });
  }
  std::vector<int> EquationsOf(int thread) {
    std::vector<int> list;
    for (const Call& c : calls)
      if (c.thread == thread) list.push_back(c.equation);
    return list;
  }
};

// The value the stand-in writes at scan j, point p: it depends on every
// input a list hands to an equation's copy.
float StandInValue(const CLammIdeal& l, int j, int p) {
  const double start = l.InitialProfileOn ? l.InitialProfileValue[3] : 0.0;
  return static_cast<float>(l.EquationIndex * 1000.0 + l.SedimentationCoeff * 10 +
                            l.DiffusionCoeff * 1e7 + l.Vbar * 100 + l.FrictionalRatio + start +
                            j * 0.1 + p * 1e-3);
}

class ScriptedSolver : public CLammIdeal {
 public:
  std::shared_ptr<ListScript> script;

  std::unique_ptr<CLammIdeal> NewCopy() const override {
    auto copy = std::make_unique<ScriptedSolver>();
    copy->CopySetup(*this);
    copy->script = script;
    return copy;
  }

  std::int32_t Solve() override {
    ListScript& s = *script;
    const int i = EquationIndex;
    s.Record(*this);
    s.Hold(i);
    if (i == s.pressKeyOn) s.backend->QueueKeyPress(nullptr, 'A', 'a');
    if (s.interrupted.count(i)) Interrupted = 1;
    if (s.failures.count(i)) return s.failures[i];
    for (int j = 1; j <= ScanCount; ++j)
      for (int p = 1; p <= OutputPointCount; ++p) Output[j][p] = StandInValue(*this, j, p);
    return 0;
  }
};

// A headless backend that notes every user-interface call made on another
// thread than the one that installed it.
class ThreadCheckingBackend : public platform::HeadlessBackend {
 public:
  bool ForeignCalls() const { return foreign_; }

  platform::BoxAnswer ShowMessageBox(const platform::BoxRequest& r) override {
    Check();
    return HeadlessBackend::ShowMessageBox(r);
  }
  std::optional<platform::Message> PeekMessage(const platform::MessageFilter& f,
                                               bool remove) override {
    Check();
    return HeadlessBackend::PeekMessage(f, remove);
  }
  void DrawWindowText(platform::WindowHandle w, int x, int y, const std::string& t) override {
    Check();
    HeadlessBackend::DrawWindowText(w, x, y, t);
  }
  void PlaySoundFile(const std::string& path, bool wait) override {
    Check();
    HeadlessBackend::PlaySoundFile(path, wait);
  }

 private:
  void Check() {
    if (std::this_thread::get_id() != owner_) foreign_ = true;
  }
  std::thread::id owner_ = std::this_thread::get_id();
  std::atomic<bool> foreign_{false};
};

constexpr int kScans = 3;

// A configured master, a list of equations and their rows. Rows start at a
// sentinel, so that skipped equations show.
class LammListsTest : public ::testing::Test {
 protected:
  static constexpr float kUntouched = -12345.0f;

  void SetUp() override {
    auto fresh = std::make_unique<ThreadCheckingBackend>();
    backend_ = fresh.get();
    previous_ = platform::Install(std::move(fresh));
    ComputationAbort = false;
    LammThreadCount = 2;
    LammListFixedShares = true;
    experiment_.MakeScans(kScans, 50000);
    experiment_.Configure(master_, 4.5, 6e-7);
    master_.SetSolvent(20.0, 0.73, 0.99823, 1.0);
    master_.script = script_;
    script_->backend = backend_;
  }
  void TearDown() override {
    EXPECT_FALSE(backend_->ForeignCalls()) << "a worker used the user interface";
    EXPECT_FALSE(script_->copyPolledOrDrew);
    EXPECT_FALSE(script_->timedOut);
    platform::Install(std::move(previous_));
    ComputationAbort = false;
    LammThreadCount = 2;
    LammListFixedShares = false;
    DrawingAllowed = false;
  }

  // count equations with s = i S, D = (1 + i/10) 1e-7 cm^2/s, vbar 0.70 + i/100.
  void MakeList(int count) {
    count_ = count;
    s_.Resize(1, std::max(count, 1));
    D_ = vbar_ = s_;
    rows_.assign(static_cast<std::size_t>(count) + 1, {});
    outputs_.Resize(1, std::max(count, 1));
    for (int i = 1; i <= count; ++i) {
      s_[i] = i;
      D_[i] = (1 + 0.1 * i) * 1e-7;
      vbar_[i] = 0.70 + 0.01 * i;
      rows_[i].Resize(1, kScans, 1, experiment_.PointCount());
      for (int j = 1; j <= kScans; ++j)
        for (int p = 1; p <= experiment_.PointCount(); ++p) rows_[i][j][p] = kUntouched;
      outputs_[i] = rows_[i].get();
    }
  }
  std::int32_t RunThreaded(const double* vbar) {
    return CLRunMTList(master_, count_, s_.data(), D_.data(), vbar, outputs_.data(),
                       experiment_.Radii.data(), experiment_.PointCount(), nullptr, nullptr);
  }
  std::int32_t RunThreaded() { return RunThreaded(vbar_.data()); }
  bool Untouched(int i) {
    return rows_[i][1][1] == kUntouched && rows_[i][kScans][2] == kUntouched;
  }
  bool Solved(int i) { return rows_[i][1][1] == StandInValue(CopyFor(i), 1, 1); }
  // What equation i's copy should hold, built by hand.
  const CLammIdeal& CopyFor(int i) {
    reference_.CopySetup(master_);
    reference_.EquationIndex = i;
    reference_.SetEquation(s_[i], D_[i], nullptr, experiment_.Radii.data(),
                           experiment_.PointCount(), nullptr, nullptr);
    reference_.SetSolvent(master_.Temperature, vbar_[i], master_.SolventDensity,
                          master_.RelativeViscosity);
    return reference_;
  }
  std::vector<std::vector<float>> Snapshot() {
    std::vector<std::vector<float>> all;
    for (int i = 1; i <= count_; ++i)
      for (int j = 1; j <= kScans; ++j)
        all.emplace_back(rows_[i][j] + 1, rows_[i][j] + 1 + experiment_.PointCount());
    return all;
  }
  std::vector<std::string> Boxes() {
    std::vector<std::string> boxes;
    for (const auto& line : backend_->Log())
      if (line.rfind("box", 0) == 0) boxes.push_back(line);
    return boxes;
  }
  // Equation 5 of the list fails with code 2: the list returns that code
  // with the abort flag set, and one box names the equation.
  void RunWithEquationFiveFailing() {
    script_->failures[5] = 2;
    EXPECT_EQ(RunThreaded(), 2);
    EXPECT_TRUE(ComputationAbort);
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("error #2 in simulation #5"), std::string::npos);
  }

  ThreadCheckingBackend* backend_ = nullptr;
  std::unique_ptr<platform::Backend> previous_;
  LammSetupFixture experiment_;
  std::shared_ptr<ListScript> script_ = std::make_shared<ListScript>();
  ScriptedSolver master_;
  CLammIdeal reference_;
  int count_ = 0;
  OneBasedArray<double> s_, D_, vbar_;
  std::vector<OneBasedMatrix<float>> rows_;
  OneBasedArray<float**> outputs_;
};

// Worker k of N takes the equations i with i mod N + 1 = k, in increasing
// order; a count of workers below one means one worker, and workers without
// a share start and end at once.
TEST_F(LammListsTest, EachEquationGoesOnceToWorkerIModNPlusOne) {
  struct Case {
    int threads, count, workers;
  } cases[] = {{1, 7, 1}, {2, 7, 2}, {3, 10, 3}, {4, 9, 4}, {4, 2, 4},
               {6, 3, 6}, {0, 5, 1}, {-3, 5, 1}, {3, 0, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE("threads " + std::to_string(c.threads) + ", count " + std::to_string(c.count));
    LammThreadCount = c.threads;
    script_->calls.clear();
    MakeList(c.count);
    EXPECT_EQ(RunThreaded(), 0);
    EXPECT_EQ(script_->calls.size(), static_cast<std::size_t>(c.count));
    for (int k = 1; k <= c.workers; ++k) {
      std::vector<int> expected;
      for (int i = 1; i <= c.count; ++i)
        if (i % c.workers + 1 == k) expected.push_back(i);
      EXPECT_EQ(script_->EquationsOf(k), expected) << "worker " << k;
    }
    for (int i = 1; i <= c.count; ++i) EXPECT_TRUE(Solved(i)) << "equation " << i;
    EXPECT_FALSE(ComputationAbort);
    EXPECT_TRUE(Boxes().empty());
  }
}

// With the shared counter every equation is solved exactly once, whatever
// the thread count, and each worker takes its equations in increasing order.
TEST_F(LammListsTest, TheSharedCounterHandsOutEachEquationOnce) {
  LammListFixedShares = false;
  struct Case {
    int threads, count;
  } cases[] = {{1, 7}, {2, 7}, {3, 10}, {4, 2}, {8, 40}, {0, 5}, {3, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE("threads " + std::to_string(c.threads) + ", count " + std::to_string(c.count));
    LammThreadCount = c.threads;
    script_->calls.clear();
    MakeList(c.count);
    EXPECT_EQ(RunThreaded(), 0);
    std::multiset<int> taken;
    for (const ListScript::Call& call : script_->calls) taken.insert(call.equation);
    std::multiset<int> expected;
    for (int i = 1; i <= c.count; ++i) expected.insert(i);
    EXPECT_EQ(taken, expected);
    for (int k = 1; k <= std::max(c.threads, 1); ++k) {
      const std::vector<int> own = script_->EquationsOf(k);
      EXPECT_TRUE(std::is_sorted(own.begin(), own.end())) << "worker " << k;
    }
    for (int i = 1; i <= c.count; ++i) EXPECT_TRUE(Solved(i)) << "equation " << i;
    EXPECT_TRUE(Boxes().empty());
  }
}

// A worker held up on its first equation (as by a busy core) leaves the rest
// of the list to the other worker; with fixed shares half the list would
// wait for it.
TEST_F(LammListsTest, AHeldUpWorkerLeavesTheRestOfTheListToTheOthers) {
  LammListFixedShares = false;
  MakeList(10);
  LammThreadCount = 2;
  script_->holdForOthers = {1};
  script_->holdUntilStarted = 10;
  EXPECT_EQ(RunThreaded(), 0);
  int holder = 0;
  for (const ListScript::Call& call : script_->calls)
    if (call.equation == 1) holder = call.thread;
  ASSERT_TRUE(holder == 1 || holder == 2);
  EXPECT_EQ(script_->EquationsOf(holder), (std::vector<int>{1}));
  EXPECT_EQ(script_->EquationsOf(3 - holder), (std::vector<int>{2, 3, 4, 5, 6, 7, 8, 9, 10}));
  for (int i = 1; i <= 10; ++i) EXPECT_TRUE(Solved(i)) << "equation " << i;
}

// A failure under the shared counter stops the list as under fixed shares:
// one box, no equation taken after the failed one by its worker.
TEST_F(LammListsTest, ASharedCounterFailureIsReportedOnce) {
  LammListFixedShares = false;
  MakeList(10);
  RunWithEquationFiveFailing();
  EXPECT_TRUE(Untouched(5));
  for (int k = 1; k <= 2; ++k) {
    const std::vector<int> own = script_->EquationsOf(k);
    const auto failed = std::find(own.begin(), own.end(), 5);
    if (failed != own.end()) {
      EXPECT_EQ(failed + 1, own.end()) << "worker " << k;
    }
  }
}

// Every copy gets the list's s, D and vbar (the master's vbar when none is
// given, the constant of the Const runners) with the master's temperature,
// density and viscosity, whatever runner and thread count.
TEST_F(LammListsTest, ThreadedRowsEqualSequentialRowsBitwise) {
  MakeList(9);
  enum class Vbar { PerEquation, Master, Constant };
  for (Vbar mode : {Vbar::PerEquation, Vbar::Master, Vbar::Constant}) {
    const double* vbar = mode == Vbar::PerEquation ? vbar_.data() : nullptr;
    if (mode == Vbar::Constant)
      RunLammListSequentialConst(master_, count_, s_.data(), D_.data(), 0.6f, outputs_.data(),
                                 experiment_.Radii.data(), experiment_.PointCount(), nullptr,
                                 nullptr);
    else
      RunLammListSequential(master_, count_, s_.data(), D_.data(), vbar, outputs_.data(),
                            experiment_.Radii.data(), experiment_.PointCount(), nullptr, nullptr);
    const auto sequential = Snapshot();
    for (int threads : {1, 2, 3, 4, 12}) {
      SCOPED_TRACE(std::to_string(threads) + " threads, vbar mode " +
                   std::to_string(static_cast<int>(mode)));
      MakeList(9);
      LammThreadCount = threads;
      std::int32_t code;
      if (mode == Vbar::Constant)
        code =
            CLRunMTListConst(master_, count_, s_.data(), D_.data(), 0.6f, outputs_.data(),
                             experiment_.Radii.data(), experiment_.PointCount(), nullptr, nullptr);
      else
        code = RunThreaded(vbar);
      EXPECT_EQ(code, 0);
      const auto threaded = Snapshot();
      ASSERT_EQ(threaded.size(), sequential.size());
      for (std::size_t r = 0; r < threaded.size(); ++r)
        EXPECT_EQ(std::memcmp(threaded[r].data(), sequential[r].data(),
                              threaded[r].size() * sizeof(float)),
                  0)
            << "row " << r;
    }
    if (mode == Vbar::PerEquation) {
      for (int i = 1; i <= count_; ++i) EXPECT_TRUE(Solved(i));
    }
  }
}

TEST_F(LammListsTest, EachEquationStartsFromItsOwnInitialProfile) {
  MakeList(5);
  constexpr int n = 8;
  OneBasedArray<float> radii(1, n);
  std::vector<OneBasedArray<float>> profiles(count_ + 1);
  OneBasedArray<float*> profileRows(1, count_);
  for (int k = 1; k <= n; ++k)
    radii[k] = static_cast<float>(experiment_.Meniscus - 0.1 + 1.6 * (k - 1) / (n - 1));
  for (int i = 1; i <= count_; ++i) {
    profiles[i].Resize(1, n);
    for (int k = 1; k <= n; ++k) profiles[i][k] = static_cast<float>(i * 100 + k);
    profileRows[i] = profiles[i].data();
  }
  LammThreadCount = 3;
  EXPECT_EQ(
      CLRunMTListInitialProfilesConst(master_, count_, s_.data(), D_.data(), 0.7f, outputs_.data(),
                                      experiment_.Radii.data(), experiment_.PointCount(), nullptr,
                                      nullptr, n, radii.data(), profileRows.data()),
      0);
  for (int i = 1; i <= count_; ++i) {
    vbar_[i] = 0.7f;
    const float plain = StandInValue(CopyFor(i), 1, 1);
    EXPECT_FLOAT_EQ(rows_[i][1][1] - plain, profiles[i][3]) << "equation " << i;
  }
}

// A profile the solver refuses would leave the equation to start from the
// uniform loading: the equation fails as an invalid set-up instead.
TEST_F(LammListsTest, ARefusedInitialProfileFailsTheEquation) {
  MakeList(3);
  LammThreadCount = 1;
  constexpr int n = 3;  // too few points to resample
  OneBasedArray<float> radii(1, n), profile(1, n);
  radii[1] = 5.7f, radii[2] = 6.5f, radii[3] = 7.3f;
  OneBasedArray<float*> profileRows(1, count_);
  for (int i = 1; i <= count_; ++i) profileRows[i] = profile.data();
  EXPECT_EQ(
      CLRunMTListInitialProfiles(master_, count_, s_.data(), D_.data(), nullptr, outputs_.data(),
                                 experiment_.Radii.data(), experiment_.PointCount(), nullptr,
                                 nullptr, n, radii.data(), profileRows.data()),
      4);
  EXPECT_TRUE(script_->calls.empty());
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("error #4 in simulation #1"), std::string::npos);
  for (int i = 1; i <= count_; ++i) EXPECT_TRUE(Untouched(i));
}

// Equation 5 fails in worker 2 of 2: worker 2 takes nothing after it, the
// abort flag stops worker 1 before its next equation, and the calling thread
// shows one box after the join.
TEST_F(LammListsTest, AFailedEquationIsReportedOnceByTheCallingThread) {
  MakeList(10);
  RunWithEquationFiveFailing();
  EXPECT_EQ(script_->EquationsOf(2), (std::vector<int>{1, 3, 5}));
  EXPECT_TRUE(Untouched(5) && Untouched(7) && Untouched(9));
  EXPECT_TRUE(Solved(1) && Solved(3));
}

// Both workers fail on their first equations (they meet before failing, so
// that neither sees the other's abort first): two boxes in worker order, the
// result is the code of the highest-numbered worker.
TEST_F(LammListsTest, EveryFailedWorkerGetsABoxAndTheLastCodeWins) {
  MakeList(6);
  script_->failures = {{2, 3}, {1, 7}};
  script_->rendezvous = {1, 2};
  EXPECT_EQ(RunThreaded(), 7);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[0].find("error #3 in simulation #2"), std::string::npos);
  EXPECT_NE(boxes[1].find("error #7 in simulation #1"), std::string::npos);
  for (int i = 1; i <= 6; ++i) EXPECT_TRUE(Untouched(i));
}

TEST_F(LammListsTest, ASequentialFailureIsReportedUnlessAborted) {
  MakeList(6);
  script_->failures[4] = 3;
  EXPECT_EQ(
      RunLammListSequential(master_, count_, s_.data(), D_.data(), vbar_.data(), outputs_.data(),
                            experiment_.Radii.data(), experiment_.PointCount(), nullptr, nullptr),
      3);
  const auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("error #3 in simulation #4"), std::string::npos);
  EXPECT_TRUE(Solved(3) && Untouched(4) && Untouched(5));
  EXPECT_FALSE(ComputationAbort);
}

// A key waiting in the queue is found by the poll right after the first
// start: the one worker finishes the equation it may have taken already and
// takes no other.
TEST_F(LammListsTest, AKeyPressStopsTheListAfterTheEquationsUnderWay) {
  MakeList(10);
  LammThreadCount = 1;
  script_->waitForAbort = {1};
  backend_->QueueKeyPress(nullptr, 'A', 'a');
  EXPECT_EQ(RunThreaded(), 0);
  EXPECT_TRUE(ComputationAbort);
  EXPECT_EQ(backend_->PendingMessages(), 0u);
  EXPECT_TRUE(Solved(1) || Untouched(1));
  for (int i = 2; i <= 10; ++i) EXPECT_TRUE(Untouched(i)) << i;
  EXPECT_TRUE(Boxes().empty());
}

// A key pressed while the workers run is noticed by a poll of the calling
// thread at the latest after worker 1 (which presses it on equation 2, once
// worker 2 holds equation 1) has exited; worker 2 holds equation 1 until
// then and takes no other.
TEST_F(LammListsTest, AKeyPressedDuringTheRunIsNoticedBetweenJoins) {
  MakeList(12);
  LammThreadCount = 2;
  script_->rendezvous = {1, 2};
  script_->pressKeyOn = 2;
  script_->waitForAbort = {1};
  EXPECT_EQ(RunThreaded(), 0);
  EXPECT_TRUE(ComputationAbort);
  EXPECT_EQ(backend_->PendingMessages(), 0u);
  EXPECT_EQ(script_->EquationsOf(2), (std::vector<int>{1}));
  EXPECT_TRUE(Solved(1) && Solved(2));
  for (int i = 3; i <= 11; i += 2) EXPECT_TRUE(Untouched(i)) << i;
}

TEST_F(LammListsTest, ACopyInterruptedByAKeySetsTheAbortFlag) {
  MakeList(6);
  LammThreadCount = 1;
  script_->interrupted = {3};
  EXPECT_EQ(RunThreaded(), 0);
  EXPECT_TRUE(ComputationAbort);
  EXPECT_EQ(script_->EquationsOf(1), (std::vector<int>{1, 2, 3}));
  EXPECT_TRUE(Untouched(4));
}

TEST_F(LammListsTest, NothingIsSolvedWhenAbortedBeforehandOrWithoutInputs) {
  MakeList(4);
  ComputationAbort = true;
  EXPECT_EQ(RunThreaded(), 0);
  EXPECT_TRUE(ComputationAbort);
  ComputationAbort = false;
  EXPECT_EQ(CLRunMTList(master_, count_, nullptr, D_.data(), nullptr, outputs_.data(),
                        experiment_.Radii.data(), experiment_.PointCount(), nullptr, nullptr),
            0);
  EXPECT_EQ(CLRunMTList(master_, count_, s_.data(), D_.data(), nullptr, nullptr,
                        experiment_.Radii.data(), experiment_.PointCount(), nullptr, nullptr),
            0);
  EXPECT_TRUE(script_->calls.empty());
  for (int i = 1; i <= 4; ++i) EXPECT_TRUE(Untouched(i));
  EXPECT_TRUE(Boxes().empty());
}

// The runner draws its status line itself, on the calling thread; worker
// copies neither draw nor poll (checked by the fixture on every test).
TEST_F(LammListsTest, TheStatusLineIsDrawnOnceWhenDrawingIsAllowed) {
  MakeList(4);
  char window = 0;
  master_.MainWindow = &window;
  master_.FitInProgress = master_.DisplaySuppressed = 0;
  EXPECT_EQ(RunThreaded(), 0);
  EXPECT_TRUE(backend_->Log().empty());
  DrawingAllowed = true;
  EXPECT_EQ(RunThreaded(), 0);
  std::vector<std::string> texts;
  for (const auto& line : backend_->Log())
    if (line.rfind("text", 0) == 0) texts.push_back(line);
  EXPECT_EQ(texts, std::vector<std::string>{"text (10,30) solving Lamm equations...       "});
}

// Shared profile rows hold the last equation's profiles after a sequential
// run; workers leave them to that equation alone instead of writing them at
// once. Rows of their own per equation stay with every equation.
TEST_F(LammListsTest, SharedProfileRowsAreLeftToTheLastEquation) {
  OneBasedMatrix<float> sharedRows(1, 2, 1, 4);
  OneBasedArray<double> times(1, 2);
  OneBasedArray<float> radii(1, 4);
  master_.ProfileOutputOn = 1;
  master_.ProfileRows = sharedRows.get();
  master_.ProfileTimes = times.data();
  master_.ProfileRadii = radii.data();
  LammThreadCount = 3;
  for (bool perEquation : {false, true}) {
    master_.ProfilePerEquation = perEquation;
    script_->calls.clear();
    MakeList(5);
    EXPECT_EQ(RunThreaded(), 0);
    std::set<int> writers;
    for (const auto& call : script_->calls)
      if (call.profileOn) writers.insert(call.equation);
    EXPECT_EQ(writers, perEquation ? (std::set<int>{1, 2, 3, 4, 5}) : (std::set<int>{5}));
  }
}

// With the diagnostics switches on, each worker k keeps its own file in the
// temp folder and the master's log traces the runner.
TEST_F(LammListsTest, DiagnosticsFilesOfWorkersAndRunner) {
  ScratchFolder folder;
  const std::string savedTemp = ProgramPaths.TempFolder;
  ProgramPaths.TempFolder = folder.path().string() + "/";
  ThreadDiagnosticsOn = true;
  master_.DebugLogOn = 1;
  LammDiagnosticsOn = true;
  MakeList(3);
  EXPECT_EQ(RunThreaded(), 0);
  LammDiagnosticsOn = false;
  ThreadDiagnosticsOn = false;
  ProgramPaths.TempFolder = savedTemp;

  char line1[120];
  std::snprintf(line1, sizeof line1,
                "\nstarting new debugging session for Lamm equation #2 (s = %.4f S, D = %.3f F)",
                2.0, 1.2);
  EXPECT_EQ(ReadWholeFile(folder.File("MTdebug_t1.txt")),
            std::string("\nstarting new debugging session for thread #1"
                        "\nstart MultiThreadCLammIdeal::Run()") +
                line1 +
                " -> OK"
                "\nexit from MultiThreadCLammIdeal::Run()"
                "\ndeleting MultiThreadCLammIdeal");
  const std::string worker2 = ReadWholeFile(folder.File("MTdebug_t2.txt"));
  EXPECT_NE(worker2.find("equation #1 "), std::string::npos);
  EXPECT_NE(worker2.find("equation #3 "), std::string::npos);
  EXPECT_EQ(ReadWholeFile(folder.File("MTdebug_t0.txt")), "\ndeleting MultiThreadCLammIdeal");
  const std::string runner = ReadWholeFile(folder.File("debug_t0.txt"));
  EXPECT_NE(runner.find("\nStarting CLRunMTList ... pLammThreads allocated, loaded, started , "
                        "exited , checked , all done , and deleted. "),
            std::string::npos)
      << runner;
  EXPECT_TRUE(Boxes().empty());
}

// Files that cannot be opened are reported each time, always by the
// calling thread; the list is solved all the same.
TEST_F(LammListsTest, UnwritableWorkerLogsAreReportedByTheCallingThread) {
  ScratchFolder folder;
  const std::string savedTemp = ProgramPaths.TempFolder;
  ProgramPaths.TempFolder = folder.File("missing") + "/";
  ThreadDiagnosticsOn = true;
  master_.IsNonIdealSolver = 1;
  MakeList(2);
  EXPECT_EQ(RunThreaded(), 0);
  ThreadDiagnosticsOn = false;
  ProgramPaths.TempFolder = savedTemp;
  for (int i = 1; i <= 2; ++i) EXPECT_TRUE(Solved(i));
  const auto boxes = Boxes();
  for (int k = 0; k <= 2; ++k) {
    const std::string name = "MTdebug_t" + std::to_string(k) + ".txt to write debugging info";
    int seen = 0;
    for (const auto& b : boxes) seen += b.find(name) != std::string::npos;
    // Opening line, start, equation, OK, exit and deletion for workers; the
    // deletion line only for element 0.
    EXPECT_EQ(seen, k == 0 ? 1 : 6) << name;
  }
}

}  // namespace
