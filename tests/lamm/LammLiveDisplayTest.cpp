// What a run of the Lamm solver shows while it computes: its status lines
// in the window, and each computed scan over the live plot in the colour of
// its equation, only where the set-up asks for a display; and what it never
// changes: the computed scans.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lamm/CLammIdeal.h"
#include "lamm/LammDisplayLinks.h"
#include "lamm/LammSetupFixture.h"
#include "numerics/OneBasedArrays.h"
#include "platform/HeadlessBackend.h"
#include "state/ComputationAbort.h"
#include "state/DisplayState.h"
#include "support/TestSupport.h"

namespace {

struct DrawnCurve {
  platform::WindowHandle window = nullptr;
  CWINPlot* plot = nullptr;
  std::vector<float> x, y;  // zero-based copies
  platform::Color colour;
  int size = 0;
};

class LammLiveDisplayTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ComputationAbort = false;
    DrawingAllowed = true;
    data.MakeScans(4, 50000);
    LammDisplayLinks.DrawCurve = [this](platform::WindowHandle w, CWINPlot* p, int n, float* x,
                                        float* y, platform::Color c, int size) {
      curves.push_back({w, p, std::vector<float>(x + 1, x + n + 1),
                        std::vector<float>(y + 1, y + n + 1), c, size});
    };
  }
  void TearDown() override {
    ResetLammDisplayLinks();
    DrawingAllowed = false;
    ComputationAbort = false;
    HeadlessTest::TearDown();
  }

  // A run shown as a single Run of the user shows it: the window, the live
  // plot, progress on, neither a fit nor a suppressed display.
  void Configure(CLammIdeal& l, int equation = 1, bool window = true, bool plot = true,
                 std::uint8_t progress = 1, std::uint8_t fit = 0, std::uint8_t suppressed = 0) {
    data.Configure(l, 4.5, 6e-7);
    l.SetOutput(window ? &windowTag : nullptr, plot ? Plot() : nullptr, data.Headers.data(),
                data.Output.get(), data.Radii.data(), data.PointCount(), nullptr, nullptr,
                progress, nullptr, data.ScanCount(), equation, fit, suppressed, 0, 0.0f, 0, 0.0f,
                1);
  }
  CWINPlot* Plot() { return reinterpret_cast<CWINPlot*>(&plotTag); }

  std::vector<std::string> TextsAt(int y) {
    const std::string prefix = "text (10," + std::to_string(y) + ") ";
    std::vector<std::string> texts;
    for (const auto& line : backend().Log())
      if (line.rfind(prefix, 0) == 0) texts.push_back(line.substr(prefix.size()));
    return texts;
  }

  LammSetupFixture data;
  std::vector<DrawnCurve> curves;
  char windowTag = 0, plotTag = 0;
};

TEST_F(LammLiveDisplayTest, EachScanIsDrawnOverThePlotInTheColourOfItsEquation) {
  const struct {
    int equation;
    platform::Color colour;
  } cases[] = {{1, platform::Rgb(150, 0, 150)}, {2, platform::Rgb(0, 255, 0)},
               {3, platform::Rgb(0, 0, 255)},   {4, platform::Rgb(0, 150, 150)},
               {5, platform::kBlack}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.equation);
    curves.clear();
    CLammIdeal l;
    Configure(l, c.equation);
    ASSERT_EQ(l.Solve(), 0);
    ASSERT_EQ(curves.size(), 4u);
    for (int k = 1; k <= 4; ++k) {
      const DrawnCurve& d = curves[static_cast<std::size_t>(k - 1)];
      EXPECT_EQ(d.window, &windowTag);
      EXPECT_EQ(d.plot, Plot());
      EXPECT_EQ(d.colour, c.colour);
      EXPECT_EQ(d.size, 0);
      ASSERT_EQ(d.x.size(), static_cast<std::size_t>(data.PointCount()));
      // The scan as it was written, at the radii it was sampled at.
      for (int i = 1; i <= data.PointCount(); ++i) {
        ASSERT_EQ(d.x[static_cast<std::size_t>(i - 1)], data.Radii[i]);
        ASSERT_EQ(d.y[static_cast<std::size_t>(i - 1)], data.Output[k][i]) << "scan " << k;
      }
    }
  }
}

// The status lines and the live plot appear only where a window is shown;
// whatever is shown, the computed scans are the same.
TEST_F(LammLiveDisplayTest, OnlyAShownRunDrawsAndDrawingChangesNoNumber) {
  CLammIdeal quiet;
  data.Configure(quiet, 4.5, 6e-7);
  ASSERT_EQ(quiet.Solve(), 0);
  const OneBasedMatrix<float> reference = data.Output;
  ASSERT_TRUE(backend().Log().empty());

  const struct {
    const char* name;
    bool drawingAllowed, window, plot;
    std::uint8_t progress, fit, suppressed;
    bool status, curves;
  } cases[] = {
      {"shown", true, true, true, 1, 0, 0, true, true},
      {"no live plot", true, true, false, 1, 0, 0, true, false},
      {"before the first paint", false, true, true, 1, 0, 0, false, false},
      {"no window", true, false, true, 1, 0, 0, false, false},
      {"progress off", true, true, true, 0, 0, 0, false, false},
      {"a fit runs", true, true, true, 1, 1, 0, false, false},
      {"display suppressed", true, true, true, 1, 0, 1, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    backend().ClearLog();
    curves.clear();
    DrawingAllowed = c.drawingAllowed;
    CLammIdeal l;
    Configure(l, 1, c.window, c.plot, c.progress, c.fit, c.suppressed);
    ASSERT_EQ(l.Solve(), 0);
    EXPECT_EQ(!TextsAt(90).empty(), c.status);
    EXPECT_EQ(!curves.empty(), c.curves);
    EXPECT_EQ(data.RmsAgainst(reference), 0.0);
  }
}

// At most a few status updates a second reach the screen, but the run's
// last step is always shown: the lines end on the run's own count.
TEST_F(LammLiveDisplayTest, StatusLinesAreThrottledAndEndOnTheLastStep) {
  CLammIdeal l;
  Configure(l);
  ASSERT_EQ(l.Solve(), 0);
  const auto steps = TextsAt(90);
  ASSERT_GE(steps.size(), 2u);
  EXPECT_LT(static_cast<int>(steps.size()), l.StepCount);
  EXPECT_EQ(steps.front(), "#it = 1   ");
  EXPECT_EQ(steps.back(), "#it = " + std::to_string(l.StepCount) + "   ");
  for (int y : {70, 110, 130}) EXPECT_EQ(TextsAt(y).size(), steps.size()) << y;
  EXPECT_EQ(TextsAt(70).back().rfind("dt = ", 0), 0u);
  EXPECT_EQ(TextsAt(110).back(), "t = 1200 sec  ");  // the last scan's time
  EXPECT_EQ(TextsAt(130).back().rfind("ri=", 0), 0u);

  // With a clock that moves 1 s between reads every step is due.
  backend().ClearLog();
  backend().SetClockStep(1000);
  CLammIdeal every;
  Configure(every);
  every.ReportTotalAmount = 1;
  ASSERT_EQ(every.Solve(), 0);
  EXPECT_EQ(static_cast<int>(TextsAt(90).size()), every.StepCount);
  // With the total amount reported, the time line carries it.
  const auto times = TextsAt(110);
  ASSERT_FALSE(times.empty());
  EXPECT_NE(times.back().find(" sec (M="), std::string::npos) << times.back();
}

// A sedimenting co-solute is drawn in blue over the same plot, once per
// computed scan of the first equation only.
TEST_F(LammLiveDisplayTest, TheCosoluteIsDrawnInBlueForTheFirstEquation) {
  for (int equation : {1, 2}) {
    SCOPED_TRACE(equation);
    curves.clear();
    CLammIdeal l;
    Configure(l, equation);
    l.SetNumerics(100, 2000, 5.0f, 0, 1e-4, 1, 0, 0, 1.0f, 0, 0, 0, 1e-6, 1.0, 1, 0, 0, 1.0, 0.1,
                  0.3, 0.1, 800, 0, 0, 1, 1e-4f, 1e-6, 1, 1.0, 2.0, 5.0, 60.0);
    l.SetSolvent(20.0, 0.73, 0.998234, 1.0);
    l.SetCosolute(1, 0, 0, 0.5, 2e-5, 1, 60, 0, 0, 1.5, 0, 1, 0.0, nullptr, 0, nullptr, nullptr,
                  nullptr, 0, nullptr, 0);
    ASSERT_EQ(l.Solve(), 0);
    int blue = 0;
    for (const DrawnCurve& d : curves)
      if (d.colour == platform::Rgb(0, 0, 255) && d.size == 1) {
        ++blue;
        EXPECT_EQ(d.x.size(), 60u);
        EXPECT_GT(d.y.front(), 0.0f);
      }
    EXPECT_EQ(blue, equation == 1 ? 4 : 0);
  }
}

}  // namespace
