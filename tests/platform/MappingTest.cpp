// The logical-to-device mapping: text mode, anisotropic and isotropic
// extents, origins and the way back.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Mapping.h"

namespace platform {
namespace {

TEST(Mapping, TextModeIsOnePixelPerUnitAndIgnoresExtents) {
  Mapping m;
  m.SetWindowExtent(Size{1399, 1000});
  m.SetViewportExtent(Size{700, 500});
  EXPECT_EQ(m.WindowExtent(), (Size{1, 1}));
  m.SetWindowOrigin(Point{10, 20});
  m.SetViewportOrigin(Point{3, 4});
  EXPECT_EQ(m.ToDevice(Point{15, 30}), (Point{8, 14}));
}

TEST(Mapping, ChoosingTextModeResetsTheExtents) {
  Mapping m;
  m.SetMode(MapMode::Anisotropic);
  m.SetWindowExtent(Size{1399, 1000});
  m.SetViewportExtent(Size{700, 500});
  m.SetMode(MapMode::Text);
  EXPECT_EQ(m.ToDevice(Point{100, 100}), (Point{100, 100}));
}

TEST(Mapping, ZeroExtentsAreRefused) {
  Mapping m;
  m.SetMode(MapMode::Anisotropic);
  m.SetWindowExtent(Size{200, 100});
  m.SetViewportExtent(Size{400, 300});
  m.SetWindowExtent(Size{0, 50});
  m.SetViewportExtent(Size{10, 0});
  EXPECT_EQ(m.WindowExtent(), (Size{200, 100}));
  EXPECT_EQ(m.ViewportExtent(), (Size{400, 300}));
}

struct IsotropicCase {
  Size window;
  Size viewport;
  Size adjusted;  // the viewport extent after the equal-scale rule
};

TEST(Mapping, IsotropicShrinksTheAxisWithTheLargerScale) {
  const IsotropicCase cases[] = {
      {{1399, 1000}, {700, 700}, {700, 500}},      // height gives way: 700 x 1000/1399
      {{1399, 1000}, {2000, 600}, {839, 600}},     // width gives way: 0.6 x 1399
      {{1000, 1000}, {300, 300}, {300, 300}},      // already equal
      {{1399, 1000}, {700, -700}, {700, -500}},    // a flipped axis keeps its sign
      {{1399, -1000}, {-2000, 600}, {-839, 600}},  // the sign of each extent is kept
      {{13000, 9000}, {1300, 1300}, {1300, 900}},  // picture of 130 x 90 mm
  };
  for (const IsotropicCase& c : cases) {
    Mapping m;
    m.SetMode(MapMode::Isotropic);
    m.SetWindowExtent(c.window);
    m.SetViewportExtent(c.viewport);
    EXPECT_EQ(m.ViewportExtent(), c.adjusted)
        << c.window.width << "x" << c.window.height << " onto " << c.viewport.width << "x"
        << c.viewport.height;
    EXPECT_NEAR(std::abs(m.ScaleX()), std::abs(m.ScaleY()), 1.0 / std::abs(c.window.height));
  }
}

TEST(Mapping, DeviceAndLogicalAreInverseUpToRounding) {
  Mapping m;
  m.SetMode(MapMode::Anisotropic);
  m.SetWindowOrigin(Point{-50, 30});
  m.SetWindowExtent(Size{1399, 1000});
  m.SetViewportOrigin(Point{20, 480});
  m.SetViewportExtent(Size{2798, -2000});  // two pixels per unit, y upwards
  for (int x = -50; x < 1400; x += 137) {
    for (int y = 30; y < 1000; y += 91) {
      const Point device = m.ToDevice(Point{x, y});
      EXPECT_EQ(device, (Point{20 + 2 * (x + 50), 480 - 2 * (y - 30)}));
      EXPECT_EQ(m.ToLogical(device), (Point{x, y}));
    }
  }
}

}  // namespace
}  // namespace platform
