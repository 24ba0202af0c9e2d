#include "lamm/LammDisplayLinks.h"

LammDisplayLinksRecord LammDisplayLinks;

namespace {

LammDisplayLinksRecord Defaults() {
  LammDisplayLinksRecord r;
  r.DataPlot = [] { return static_cast<CWINPlot*>(nullptr); };
  r.DrawCurve = [](platform::WindowHandle, CWINPlot*, int, float*, float*, platform::Color, int) {
  };
  return r;
}

const bool kInstalled = [] {
  LammDisplayLinks = Defaults();
  return true;
}();

}  // namespace

void ResetLammDisplayLinks() {
  LammDisplayLinks = Defaults();
}

platform::Color EquationColour(int equation) {
  switch (equation) {
    case 1:
      return platform::Rgb(150, 0, 150);
    case 2:
      return platform::Rgb(0, 255, 0);
    case 3:
      return platform::Rgb(0, 0, 255);
    case 4:
      return platform::Rgb(0, 150, 150);
    default:
      return platform::kBlack;
  }
}
