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
