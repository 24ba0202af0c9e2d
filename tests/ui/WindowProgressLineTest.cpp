// A progress line in the main window for the life of a computation: it is
// drawn into the window's own canvas and put on screen while the work runs
// (no paint comes meanwhile), not more often than the eye follows, and
// the window is left as it was; a worker's fraction is drawn by the waiting
// thread only.

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "WidgetTestSupport.h"
#include "platform/Window.h"
#include "ui/WindowProgressLine.h"

namespace {

using platform::DrawKind;

class NoClient : public platform::WindowClient {
 public:
  void OnCommand(int) override {}
  void OnPaint(platform::Canvas&, bool) override {}
};

class WindowProgressLineTest : public WidgetTest {
 protected:
  void SetUp() override {
    WidgetTest::SetUp();
    AllowDrawing(true);
    host_ = backend().CreateMainWindow(client_, menu_, "main");
    // Each clock read moves on by 25 ms: every second update may be shown.
    backend().SetClockStep(25);
  }
  void TearDown() override {
    host_.reset();  // before the backend it belongs to
    WidgetTest::TearDown();
  }
  platform::WindowHandle window() const { return host_->Handle(); }
  platform::RecordingCanvas& canvas() {
    return static_cast<platform::RecordingCanvas&>(host_->ClientCanvas());
  }
  int shown() { return backend().WindowDrawingShownCount(); }

 private:
  NoClient client_;
  platform::MenuModel menu_;
  std::unique_ptr<platform::WindowHost> host_;
};

TEST_F(WindowProgressLineTest, DrawsIntoTheWindowAndShowsItWhileTheWorkRuns) {
  {
    WindowProgressLine line(window(), 10, 10, ProgressColour::Blue);
    ASSERT_TRUE(line.Placed());
    EXPECT_EQ(canvas().CallsOf(DrawKind::Line).size(), 0u);  // nothing done yet
    for (int k = 1; k <= 10; ++k) line.Update(0.1f * static_cast<float>(k));
    // Every update draws the bar; the screen follows at most every 40 ms.
    const auto lines = canvas().CallsOf(DrawKind::Line);
    ASSERT_EQ(lines.size(), 80u);
    EXPECT_EQ(lines.back().pen.color, platform::Rgb(0, 100, 255));
    EXPECT_EQ(shown(), 5);
    line.Update(0.5f);  // smaller: nothing drawn, nothing shown
    EXPECT_EQ(canvas().CallsOf(DrawKind::Line).size(), 80u);
  }
  // Removed: the saved pixels are put back, and that is shown at once.
  EXPECT_EQ(shown(), 6);
}

TEST_F(WindowProgressLineTest, NothingWithoutAWindowOrBeforeTheFirstPaint) {
  struct Case {
    bool allowed;
    bool ownWindow;
  };
  for (const Case c : {Case{false, true}, Case{true, false}}) {
    AllowDrawing(c.allowed);
    canvas().Clear();
    {
      WindowProgressLine line(c.ownWindow ? window() : nullptr, 10, 10);
      EXPECT_FALSE(line.Placed());
      line.Update(0.7f);
    }
    EXPECT_TRUE(canvas().Calls().empty()) << c.allowed;
    EXPECT_EQ(shown(), 0);
  }
}

TEST_F(WindowProgressLineTest, AWorkersFractionIsDrawnByTheWaitingThread) {
  WindowProgressLine line(window(), 10, 65);
  std::thread worker([&] {
    line.Report(0.25f);
    line.Report(0.75f);
    line.Report(0.5f);  // never backwards
  });
  worker.join();
  EXPECT_TRUE(canvas().CallsOf(DrawKind::Line).empty());
  line.DrawReported();
  EXPECT_FLOAT_EQ(line.Line().Value.load(), 0.75f);
  EXPECT_EQ(canvas().CallsOf(DrawKind::Line).size(), 8u);
}

}  // namespace
