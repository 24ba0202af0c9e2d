#include "ui/WindowProgressLine.h"

#include "state/DisplayState.h"

namespace {

// Putting the bar on screen costs more than drawing it; a few times a second
// is what the eye follows.
constexpr std::uint64_t kShowIntervalMs = 40;

}  // namespace

WindowProgressLine::WindowProgressLine(platform::WindowHandle window, int x, int y,
                                       ProgressColour colour)
    : window_(window) {
  if (colour == ProgressColour::Blue) line_.SetBlue();
  if (colour == ProgressColour::Purple) line_.SetPurple();
  if (window_ == nullptr || !DrawingAllowed) return;
  canvas_ = platform::Current().WindowCanvas(window_);
  if (canvas_ == nullptr) return;
  line_.Place(*canvas_, x, y);
}

WindowProgressLine::~WindowProgressLine() {
  if (canvas_ == nullptr) return;
  line_.Remove(*canvas_);
  Show(true);
}

void WindowProgressLine::Update(float fraction) {
  if (canvas_ == nullptr || !(fraction > line_.Value.load())) return;
  line_.Update(fraction, *canvas_);
  unshown_ = true;
  Show(false);
}

void WindowProgressLine::Report(float fraction) {
  float seen = reported_.load();
  while (fraction > seen && !reported_.compare_exchange_weak(seen, fraction)) {
  }
}

void WindowProgressLine::DrawReported() {
  Update(reported_.load());
}

void WindowProgressLine::Show(bool now) {
  auto& backend = platform::Current();
  const std::uint64_t ms = backend.TickCountMs();
  if (!now && (!unshown_ || ms - lastShownMs_ < kShowIntervalMs)) return;
  lastShownMs_ = ms;
  unshown_ = false;
  const auto& r = line_.BackgroundRect;
  backend.ShowWindowDrawing(window_, r);
}
