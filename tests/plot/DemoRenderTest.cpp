// A realistic main-window picture rendered with no display: sedimentation
// scans with their fit, the residuals, a colour-coded two-dimensional
// distribution with its colour bar, and a c(s) distribution with a shaded
// range. Each plot records its own picture; the window replays them all onto
// one raster image, saved as PNG and as the 24-bit BMP of a batch screenshot.
// With TALUVO_DEMO_PLOT_DIR set, the PNG is also left there as demo-plot.png.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/BmpWriter.h"
#include "platform/qt/RasterCanvas.h"
#include "plot/CWINPlot.h"
#include "plot/PlotTestCurves.h"
#include "support/TestSupport.h"

using platform::Rgb;

namespace {

constexpr int kScans = 8;
constexpr float kMeniscus = 6.05f;
constexpr float kBottom = 7.15f;

// Lamm-like boundaries: an error-function front that moves out and spreads
// with time, its plateau lowered by radial dilution.
float Boundary(float r, int scan) {
  const double t = (scan + 1) / static_cast<double>(kScans + 1);
  const double front = kMeniscus + 0.05 + 0.95 * t;
  const double width = 0.02 + 0.05 * std::sqrt(t);
  const double plateau = 1.2 * std::pow(kMeniscus / front, 2.0);
  return static_cast<float>(0.5 * plateau * (1 + std::erf((r - front) / width)) + 0.02);
}

struct Scan {
  std::unique_ptr<TestCurve> data, fit, residuals;
};

// Colours of the scans, early to late: readable on white.
platform::Color ScanColor(int scan) {
  static const platform::Color colors[kScans] = {
      Rgb(0, 90, 200),  Rgb(0, 150, 190), Rgb(0, 160, 90), Rgb(120, 160, 0),
      Rgb(200, 150, 0), Rgb(230, 90, 0),  Rgb(200, 0, 60), Rgb(130, 0, 150)};
  return colors[scan];
}

std::vector<Scan> MakeScans() {
  std::mt19937 random(20240611);
  std::normal_distribution<float> noise(0.0f, 0.008f);
  std::vector<Scan> scans;
  for (int s = 0; s < kScans; ++s) {
    std::vector<float> r, data, fit, residual;
    for (float x = kMeniscus + 0.01f; x < kBottom - 0.01f; x += 0.01f) {
      const float model = Boundary(x, s);
      const float measured = model + noise(random);
      r.push_back(x);
      data.push_back(measured);
      fit.push_back(model);
      residual.push_back(measured - model);
    }
    Scan scan;
    scan.data = std::make_unique<TestCurve>(r, data);
    scan.fit = std::make_unique<TestCurve>(r, fit);
    scan.residuals = std::make_unique<TestCurve>(r, residual);
    scans.push_back(std::move(scan));
  }
  return scans;
}

void BuildDataPlot(CWINPlot& plot, std::vector<Scan>& scans) {
  plot.Place(60, 60, 430, 600);
  plot.nSymbolSize = 3;
  for (int s = 0; s < kScans; ++s) {
    plot.AddCurve(scans[s].data->get());
    plot.SetCurveStyle(2 * s, 15);
    plot.SetCurveColor(2 * s, ScanColor(s));
    plot.AddCurve(scans[s].fit->get());
    plot.SetCurveStyle(2 * s + 1, -1);
    plot.SetCurveColor(2 * s + 1, Rgb(0, 0, 0));
  }
  plot.SetLegendText(0, "data (circles)");
  plot.SetLegendText(1, "fit (lines)");
  plot.ShowLegend();
  plot.SetXTitle("radius (cm)");
  plot.SetYTitle("signal (fringes)");
  plot.SetTopTitle("Sedimentation velocity: data and fit");
  plot.Relayout();
  plot.Render();
}

void BuildResidualPlot(CWINPlot& plot, std::vector<Scan>& scans) {
  plot.Place(510, 60, 650, 600);
  for (int s = 0; s < kScans; ++s) {
    plot.AddCurve(scans[s].residuals->get());
    plot.SetCurveStyle(s, 16);
    plot.SetCurveColor(s, ScanColor(s));
  }
  plot.SetRanges(kMeniscus - 0.06f, kBottom + 0.06f, -0.04f, 0.04f);
  plot.SetXTitle("radius (cm)");
  plot.SetYTitle("residuals");
  plot.Render();
}

// A c(s, f/f0) map: two peaks on a grid, each grid point a tile coloured by
// its value, the projections along both axes, and a colour bar with a scale.
struct Map {
  std::unique_ptr<TestCurve> grid;
  std::vector<float> values;
};

Map MakeMap() {
  Map map;
  std::vector<float> s, f;
  for (int i = 0; i < 24; ++i) {
    for (int j = 0; j < 16; ++j) {
      const float sv = 1.0f + 0.5f * static_cast<float>(i);
      const float fv = 1.0f + 0.125f * static_cast<float>(j);
      s.push_back(sv);
      f.push_back(fv);
      const double a = std::exp(-std::pow((sv - 4.5) / 1.0, 2) - std::pow((fv - 1.3) / 0.15, 2));
      const double b =
          0.6 * std::exp(-std::pow((sv - 9.0) / 1.3, 2) - std::pow((fv - 2.1) / 0.25, 2));
      map.values.push_back(static_cast<float>(a + b));
    }
  }
  map.grid = std::make_unique<TestCurve>(s, f);
  return map;
}

void BuildMapPlot(CWINPlot& plot, Map& map) {
  plot.Place(60, 680, 430, 905);
  plot.AddCurve(map.grid->get());
  plot.SetRanges(0.75f, 12.75f, 0.9375f, 3.0625f);
  plot.SetCurveStyle(0, 11);
  // Tiles as wide and high as one grid step.
  plot.nBarHalfWidth = static_cast<int>(0.25f * plot.fXScale) + 1;
  plot.nSymbolSize = static_cast<int>(-0.0625f * plot.fYScale) + 1;
  plot.SetPointColorValues(0, map.values.data(), 0, static_cast<int>(map.values.size()) - 1, 0);
  plot.bShowColorBar = true;
  plot.nColorBarOffset = 15;
  plot.ShowColorBarScale();
  plot.SetColorBarTitle(0, 0, "c(s,f/f0)");
  plot.nColorBarTitleOffset = -8;
  plot.SetXTitle("s (S)");
  plot.SetYTitle("f/f0");
  // Single-digit labels are wider than half the width estimate of DejaVu
  // Serif digits allows for: the title moves a little further out.
  plot.SetYTitleOffset(8);
  plot.SetTopTitle("Size-and-shape map");
  plot.Render();
}

struct Distribution {
  std::unique_ptr<TestCurve> curve;
  std::unique_ptr<CVector> range;
};

Distribution MakeDistribution() {
  std::vector<float> s, c;
  for (int i = 0; i <= 200; ++i) {
    const float sv = 0.5f + 0.06f * static_cast<float>(i);
    s.push_back(sv);
    c.push_back(static_cast<float>(0.9 * std::exp(-std::pow((sv - 4.5) / 0.35, 2)) +
                                   0.45 * std::exp(-std::pow((sv - 9.0) / 0.6, 2))));
  }
  const float ends[] = {3.6f, 5.4f};
  return Distribution{std::make_unique<TestCurve>(s, c), std::make_unique<CVector>(2u, ends)};
}

void BuildDistributionPlot(CWINPlot& plot, Distribution& d) {
  plot.Place(740, 60, 940, 905);
  plot.AddCurve(d.curve->get());
  plot.SetCurveColor(0, Rgb(0, 0, 180));
  plot.AddShadedInterval(d.range.get());
  plot.SetXTitle("sedimentation coefficient (S)");
  plot.SetYTitle("c(s)");
  plot.Render();
}

std::uint32_t Le32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) |
         (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t Le16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(DemoRender, MainWindowPictureAsPngAndScreenshotBmp) {
  std::vector<Scan> scans = MakeScans();
  Map map = MakeMap();
  Distribution distribution = MakeDistribution();
  CWINPlot data, residuals, mapPlot, distributionPlot;
  BuildDataPlot(data, scans);
  BuildResidualPlot(residuals, scans);
  BuildMapPlot(mapPlot, map);
  BuildDistributionPlot(distributionPlot, distribution);

  // An odd width, so that the BMP rows need padding.
  const int width = 1121, height = 800;
  platform::RasterCanvas window(width, height);
  for (const CWINPlot* plot : {&data, &residuals, &mapPlot, &distributionPlot}) {
    ASSERT_FALSE(plot->hMetaFile.IsNull());
    plot->hMetaFile.PlayInto(window, platform::Rect{0, 0, width, height});
  }

  const ScratchFolder folder;
  const std::string png = folder.File("demo-plot.png");
  const std::string bmp = folder.File("screenshot.bmp");
  ASSERT_TRUE(window.SavePng(png));
  EXPECT_GT(std::filesystem::file_size(png), 10000u);
  const platform::RgbImage image = window.ToRgbImage();
  ASSERT_TRUE(platform::WriteBmp24(bmp, image));
  if (const char* dir = std::getenv("TALUVO_DEMO_PLOT_DIR"))
    window.SavePng((std::filesystem::path(dir) / "demo-plot.png").string());

  // The data plot's frame, replayed at 0.8 of the plot space: its top at
  // 60 * 0.8, its left edge within a pixel of nLeft * 1121 / 1399.
  EXPECT_EQ(image.At(300, 60 * height / 1000), platform::kBlack);
  const int left = static_cast<int>(std::lround(data.nLeft * width / 1399.0));
  EXPECT_TRUE(image.At(left - 1, 200) == platform::kBlack ||
              image.At(left, 200) == platform::kBlack ||
              image.At(left + 1, 200) == platform::kBlack);

  const std::vector<std::uint8_t> b = ReadBytes(bmp);
  const std::uint32_t row = ((24u * width + 31u) / 32u) * 4u;
  ASSERT_GE(b.size(), 54u);
  EXPECT_EQ(b[0], 'B');
  EXPECT_EQ(b[1], 'M');
  EXPECT_EQ(Le16(b, 0), 19778);
  EXPECT_EQ(Le32(b, 2), 54 + row * height);
  EXPECT_EQ(Le32(b, 6), 0u);
  EXPECT_EQ(Le32(b, 10), 54u);
  EXPECT_EQ(Le32(b, 14), 40u);
  EXPECT_EQ(Le32(b, 18), static_cast<std::uint32_t>(width));
  EXPECT_EQ(Le32(b, 22), static_cast<std::uint32_t>(height));
  EXPECT_EQ(Le16(b, 26), 1);
  EXPECT_EQ(Le16(b, 28), 24);
  EXPECT_EQ(Le32(b, 30), 0u);
  EXPECT_EQ(Le32(b, 34), row * height);
  for (std::size_t k = 38; k < 54; ++k) EXPECT_EQ(b[k], 0) << k;
  ASSERT_EQ(b.size(), 54 + static_cast<std::size_t>(row) * height);
  EXPECT_EQ(row, 3364u);  // 3363 bytes of pixels and one of padding
  // The bottom row of the picture comes first, blue, green, red.
  for (int x : {0, 300, 1120}) {
    const platform::Color c = image.At(x, height - 1);
    EXPECT_EQ(b[54 + 3 * x], c.blue);
    EXPECT_EQ(b[54 + 3 * x + 1], c.green);
    EXPECT_EQ(b[54 + 3 * x + 2], c.red);
  }
  EXPECT_EQ(b[54 + row - 1], 0);
}

}  // namespace
