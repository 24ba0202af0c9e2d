#pragma once
// Interactive scan-editing tools that take over the main window's mouse and
// keys while they run: the user starts one from a menu, clicks into the
// data or residual plot, steers it with keys and ends it with Enter (keep
// the work) or Esc (drop it). The window offers every mouse event and key to
// the active tool first and handles only what the tool leaves.
//
// A tool that shows its own picture keeps it here; the window's paint shows
// that picture in place of the main plots while the tool is active, so that
// a repaint in the middle of the work (after a question box) keeps it.

#include <memory>
#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "platform/Window.h"

class TXLAWindow;
class CAdHocPlot;

class CMouseAction {
 public:
  virtual ~CMouseAction();
  // Ends every action (this one too), then becomes active with the cross
  // cursor; stays inactive without an owner window.
  void Start();
  virtual void Begin() {}
  // Inactive again: arrow cursor, and the whole window painted anew.
  void Stop();
  virtual void OnStopped() {}
  virtual void Finish() {}   // ends keeping the work
  virtual void Discard() {}  // frees the working data
  // Events; true when the action handled the event and the window must not.
  virtual bool LButtonDown(platform::Point) { return active_; }
  virtual bool LButtonUp(platform::Point) { return active_; }
  virtual bool LButtonDblClk(platform::Point p) { return LButtonDown(p); }
  virtual bool RButtonDown(platform::Point p) { return LButtonDown(p); }
  virtual bool RButtonUp(platform::Point) { return active_; }
  virtual bool RButtonDblClk(platform::Point p) { return LButtonDown(p); }
  virtual bool MouseMove(platform::Point) { return false; }
  virtual bool KeyDown(int /*key*/, int /*repeat*/, int /*flags*/) { return false; }

  void SetOwner(TXLAWindow* owner) { owner_ = owner; }
  TXLAWindow* Owner() const { return owner_; }
  bool Active() const { return active_; }

  // The action's picture and text lines (client pixels), as last drawn.
  const CAdHocPlot* Picture() const { return picture_.get(); }
  struct TextLine {
    int x, y;
    std::string text;
  };
  const std::vector<TextLine>& Lines() const { return lines_; }

 protected:
  // Replaces the picture; puts it and the lines on screen at once.
  void ShowPicture(std::unique_ptr<CAdHocPlot> picture);
  void ClearPicture();
  // Writes a line at client pixel (x, y) now and keeps it for repaints;
  // a line at the same place replaces the earlier one.
  void WriteLine(int x, int y, const std::string& text);

 private:
  bool active_ = false;
  TXLAWindow* owner_ = nullptr;
  std::unique_ptr<CAdHocPlot> picture_;
  std::vector<TextLine> lines_;
};

// Registry entries, in their fixed order.
enum class MouseActionId { TrackScratch = 1, FixScratchJump = 2, FixPointScanFringeJump = 3 };
inline constexpr int kMouseActionCount = 3;

// Makes the three actions (once) and gives them the window.
void CreateMouseActions(TXLAWindow* window);
CMouseAction* MouseActionAt(MouseActionId id);

void StopAllMouseActions();
// The first active action: stopped and discarded (cancel) or finished;
// false when none is active.
bool CancelMouseAction();
bool FinishMouseAction();
// The active action, or null.
CMouseAction* ActiveMouseAction();

// The window's events, offered to the active action.
bool MouseActionEvent(platform::MouseAction action, platform::Point point);
bool MouseActionKeyDown(int key, int repeat, int flags);

// Start an action when scans are loaded.
void StartTrackScratch();
void StartFixScratchJump();
void StartFixPointScanFringeJump();

// Client pixels to the plot units of the main plots (1400 x 1000 on the
// client size), truncated.
int PlotUnitsX(int px);
int PlotUnitsY(int py);
