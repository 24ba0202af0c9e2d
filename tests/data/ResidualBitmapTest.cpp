// The residual bitmap: pixel colours in every shading, the scale, the rows
// in time order over the grid fit range, the peak-region tint, where the
// bitmap lands in the main window and what goes to the clipboard.

#include <vector>

#include "LoadTestSupport.h"
#include "data/ResidualBitmap.h"
#include "state/MainPlotLayout.h"
#include "state/PeakRegion.h"
#include "platform/RecordingCanvas.h"

namespace {

using platform::Color;
using platform::Rgb;

void ResetBitmapRecords() {
  ResidualBitmapOptions = ResidualBitmapOptionsRecord{};
  PeakRegion = PeakRegionRecord{};
  MainPlotLayout = MainPlotLayoutRecord{};
  MainDisplayOptions = MainDisplayOptionsRecord{};
  ResidualPlotYRange = [] { return std::pair<float, float>(0.0f, 0.0f); };
  PutBitmapOnClipboard = [](platform::WindowHandle, const platform::RgbImage&) { return false; };
}

class ResidualBitmapTest : public LoadTest {
 protected:
  void SetUp() override {
    LoadTest::SetUp();
    ResetBitmapRecords();
  }
  void TearDown() override {
    ResetBitmapRecords();
    LoadTest::TearDown();
  }
  // Scans of 101 points over 6.0 .. 7.0 cm at the given times, each with a
  // constant residual, on a common grid of the same radii whose fit range
  // is points 11..90.
  static void LoadConstantResiduals(const std::vector<double>& times,
                                    const std::vector<float>& residuals) {
    LoadScansWithResiduals(times, residuals, 1, 0);
    const auto& d = ScanDataSet;
    auto& g = CommonRadialGrid;
    g.OwnGrid.Resize(1, 101);
    for (int j = 1; j <= 101; ++j) g.OwnGrid[j] = d.ScanRadius[1][j];
    g.CommonGrid = g.OwnGrid.data();
    g.GridOwned = true;
    g.CommonGridSize = 101;
    g.GridFirstFitIndex = 11;
    g.GridLastFitIndex = 90;
  }
};

TEST(ResidualPixelColour, EveryShading) {
  struct Case {
    bool blackAndWhite, continuous, highlight;
    float v;  // in units of the full scale
    ResidualTint tint;
    Color colour;
  };
  const ResidualTint none{}, bluer{25, 25, -50}, redder{-50, 25, 25};
  const Case cases[] = {
      // Grey levels: 128 + floor(128 v / r).
      {true, true, true, 0.0f, none, Rgb(128, 128, 128)},
      {true, true, true, 0.5f, none, Rgb(192, 192, 192)},
      {true, true, true, -0.5f, none, Rgb(64, 64, 64)},
      // Beyond full scale: magenta above, red below, brighter the farther.
      {true, true, true, 2.0f, none, Rgb(255, 0, 255)},
      {true, true, true, 1.5f, none, Rgb(255, 192, 255)},
      {true, true, true, -2.0f, none, Rgb(255, 0, 0)},
      {true, true, true, -1.5f, none, Rgb(63, 0, 0)},
      {true, true, false, 2.0f, none, Rgb(255, 255, 255)},
      {true, true, false, -2.0f, none, Rgb(0, 0, 0)},
      {true, true, true, 0.0f, bluer, Rgb(103, 103, 178)},
      // A tint cannot push a colour past full brightness.
      {true, true, true, 2.0f, redder, Rgb(255, 0, 255)},
      {true, false, true, 0.01f, none, Rgb(255, 255, 255)},
      {true, false, true, -0.01f, none, Rgb(0, 0, 0)},
      {true, false, true, 0.001f, none, Rgb(128, 128, 128)},  // level 0
      // The red - grey - blue ramp.
      {false, true, true, 0.5f, none, Rgb(192, 64, 64)},
      {false, true, true, -0.5f, none, Rgb(64, 64, 192)},
      {false, true, true, 0.0f, none, Rgb(128, 128, 128)},
      {false, true, true, 1.0f, redder, Rgb(255, 0, 0)},
      {false, true, true, -1.0f, bluer, Rgb(0, 0, 255)},
      {false, false, true, 0.3f, none, Rgb(255, 0, 0)},
      {false, false, true, -0.3f, none, Rgb(0, 0, 255)},
      {false, false, true, 0.0f, none, Rgb(255, 255, 255)},
  };
  const float r = 0.05f;
  for (const Case& c : cases) {
    ResidualBitmapOptionsRecord options;
    options.BlackAndWhite = c.blackAndWhite;
    options.ContinuousShading = c.continuous;
    options.HighlightExtremes = c.highlight;
    const Color got = ResidualPixelColour(c.v * r, r, c.tint, options);
    EXPECT_EQ(got, c.colour) << c.blackAndWhite << c.continuous << c.highlight << " v " << c.v
                             << " got " << int(got.red) << "," << int(got.green) << ","
                             << int(got.blue);
  }
  // Without a scale there is no level to show: grey, not an overflow.
  const ResidualBitmapOptionsRecord options;
  EXPECT_EQ(ResidualPixelColour(0.1f, 0.0f, none, options), Rgb(128, 128, 128));
  EXPECT_EQ(ResidualPixelColour(1.0f, 1e-30f, none, options), Rgb(255, 0, 255));
}

TEST_F(ResidualBitmapTest, ScaleFromTheOptionThePlotOrTheRmsd) {
  LoadConstantResiduals({100.0}, {0.02f});
  ResidualBitmapOptions.FullScale = 0.1f;
  EXPECT_FLOAT_EQ(ResidualBitmapScale(), 0.1f);
  ResidualBitmapOptions.FullScale = 0.0f;
  ResidualPlotYRange = [] { return std::pair<float, float>(-0.03f, 0.02f); };
  EXPECT_FLOAT_EQ(ResidualBitmapScale(), 0.03f);
  // Fluorescence data always take three times the rmsd.
  ScanReaderOptions.FluorescenceData = true;
  ResidualBitmapOptions.FullScale = 0.1f;
  EXPECT_NEAR(ResidualBitmapScale(), 0.06f, 1e-6f);
}

TEST_F(ResidualBitmapTest, OneRowPerScanInTimeOrderOverTheFitRange) {
  // Times 300, 100, 200: the rows are scans 2, 3, 1.
  LoadConstantResiduals({300.0, 100.0, 200.0}, {0.025f, -0.025f, 0.0f});
  const platform::RgbImage image = BuildResidualBitmap(false);
  ASSERT_EQ(image.Width(), 80);
  ASSERT_EQ(image.Height(), 3);
  const Color rows[3] = {Rgb(64, 64, 64), Rgb(128, 128, 128), Rgb(192, 192, 192)};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 80; ++x) ASSERT_EQ(image.At(x, y), rows[y]) << x << ", " << y;
  // The residuals were refreshed from data and model first.
  EXPECT_FLOAT_EQ(ScanDataSet.ScanResiduals[1][50], 0.025f);

  CommonRadialGrid.CommonGridSize = 0;
  EXPECT_TRUE(BuildResidualBitmap(false).IsEmpty());
}

TEST_F(ResidualBitmapTest, PeakRegionIsTintedOnScreenOnly) {
  LoadConstantResiduals({100.0, 200.0}, {0.0f, 0.0f});
  PeakRegion.On = true;
  PeakRegion.FirstPoint = {0, 41, 0};
  PeakRegion.LastPoint = {0, 61, 0};  // scan 1: 6.40 .. 6.60 cm
  const platform::RgbImage shown = BuildResidualBitmap(true);
  const Color grey = Rgb(128, 128, 128), tinted = Rgb(103, 103, 178);
  // Grid points 41..61 are columns 30..50 of the first row (scan 1).
  for (int x = 0; x < 80; ++x) {
    EXPECT_EQ(shown.At(x, 0), x >= 30 && x <= 50 ? tinted : grey) << x;
    EXPECT_EQ(shown.At(x, 1), grey) << x;
  }
  PeakRegion.AlternativeTint = true;
  EXPECT_EQ(BuildResidualBitmap(true).At(40, 0), Rgb(178, 103, 103));
  EXPECT_EQ(BuildResidualBitmap(false).At(40, 0), grey);

  // Indices beyond the scan mark nothing.
  PeakRegion.LastPoint = {0, 500, 0};
  EXPECT_EQ(BuildResidualBitmap(true).At(40, 0), grey);
}

TEST_F(ResidualBitmapTest, PlacedAboveTheResidualPlot) {
  LoadConstantResiduals({100.0, 200.0, 300.0}, {0.0f, 0.0f, 0.0f});
  struct Case {
    float width, height;
    bool histogram;
    platform::Rect place;
  };
  const Case cases[] = {
      // x = floor(75 x 1.4) W / 1400, width floor(900 x 1.4) W / 1400,
      // y = 550 H / 1000 - 3 + 3 H / 1000, one pixel row per scan.
      {1400.0f, 1000.0f, false, {105, 550, 105 + 1260, 553}},
      {1400.0f, 1000.0f, true, {105, 550, 105 + 980, 553}},
      {700.0f, 500.0f, false, {52, 273, 52 + 630, 276}},
      {1000.0f, 800.0f, true, {75, 439, 75 + 700, 442}},
  };
  for (const Case& c : cases) {
    MainPlotLayout.ClientWidth = c.width;
    MainPlotLayout.ClientHeight = c.height;
    MainDisplayOptions.ShowResidualsHistogram = c.histogram;
    EXPECT_EQ(ResidualBitmapPlace(), c.place) << c.width << " " << c.histogram;
  }
  platform::RecordingCanvas window;
  DrawResidualBitmap(window);
  const auto images = window.CallsOf(platform::DrawKind::Image);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].rect, cases[3].place);
  EXPECT_EQ(images[0].imageSize, (platform::Size{80, 3}));
}

TEST_F(ResidualBitmapTest, CopyHandsTheUntintedBitmapToTheClipboard) {
  EXPECT_FALSE(CopyResidualBitmap(nullptr));  // no data
  LoadConstantResiduals({100.0}, {0.0f});
  EXPECT_FALSE(CopyResidualBitmap(nullptr));  // no clipboard yet
  PeakRegion.On = true;
  PeakRegion.FirstPoint = {0, 1};
  PeakRegion.LastPoint = {0, 101};
  platform::RgbImage copied;
  PutBitmapOnClipboard = [&](platform::WindowHandle, const platform::RgbImage& image) {
    copied = image;
    return true;
  };
  EXPECT_TRUE(CopyResidualBitmap(nullptr));
  ASSERT_EQ(copied.Width(), 80);
  EXPECT_EQ(copied.At(0, 0), Rgb(128, 128, 128));
}

TEST(BitsToColourCount, PowersOfTwoAndTrueColour) {
  const std::pair<int, long> cases[] = {{1, 2},      {2, 4},         {4, 16},        {8, 256},
                                        {16, 65536}, {24, 16777216}, {32, 16777216}, {0, 16777216}};
  for (const auto& [bits, colours] : cases) EXPECT_EQ(BitsToColourCount(bits), colours) << bits;
}

}  // namespace
