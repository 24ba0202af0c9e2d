#pragma once
// A progress line in the main window for the life of one long computation:
// placed when made, advanced with the fraction done, removed (the window's
// pixels put back) when destroyed, on every way out of the computation. A
// computation dispatches no paint, so every change is put on screen at
// once, at most every few hundredths of a second (the last one always).
//
// User-interface thread only. Worker threads hand their fraction to Report,
// which only stores it; the thread that waits for them draws it with
// DrawReported.

#include <atomic>
#include <cstdint>

#include "platform/Platform.h"
#include "ui/CProgressLine.h"

enum class ProgressColour { Red, Blue, Purple };

class WindowProgressLine {
 public:
  // Nothing is drawn for a null window, a handle that names no window, or
  // before the main window's first paint.
  WindowProgressLine(platform::WindowHandle window, int x, int y,
                     ProgressColour colour = ProgressColour::Red);
  ~WindowProgressLine();
  WindowProgressLine(const WindowProgressLine&) = delete;
  WindowProgressLine& operator=(const WindowProgressLine&) = delete;

  // Draws the line to the fraction (0..1) when it grew.
  void Update(float fraction);
  // Any thread: remembers the largest fraction reported.
  void Report(float fraction);
  // Draws what Report left (user-interface thread).
  void DrawReported();
  // True while the line is in a window.
  bool Placed() const { return canvas_ != nullptr; }
  const CProgressLine& Line() const { return line_; }

 private:
  void Show(bool now);

  platform::WindowHandle window_ = nullptr;
  platform::Canvas* canvas_ = nullptr;
  CProgressLine line_;
  std::atomic<float> reported_{0.0f};
  std::uint64_t lastShownMs_ = 0;
  bool unshown_ = false;
};
