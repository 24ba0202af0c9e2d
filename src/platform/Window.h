#pragma once
// The program's main window as the platform gives it. The program implements
// a WindowClient (what happens on a command, a paint, a key, a click); the
// backend creates a WindowHost around it (the frame with the menu bar, the
// client area and its backing image). All drawing goes into the backing
// image: the paint draws there in two passes (erase, then draw), and direct
// drawing outside a paint (cursor lines, live plot refresh, saved button
// backgrounds) goes there too and shows at the next UpdateNow or paint.

#include <memory>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Geometry.h"
#include "platform/Menu.h"
#include "platform/Platform.h"
#include "platform/RgbImage.h"

namespace platform {

// Key codes of key messages: the classic virtual-key numbers, so tables of
// keys read as they always have.
namespace key {
inline constexpr int Back = 0x08;
inline constexpr int Tab = 0x09;
inline constexpr int Return = 0x0D;
inline constexpr int Shift = 0x10;
inline constexpr int Control = 0x11;
inline constexpr int Menu = 0x12;  // Alt
inline constexpr int Escape = 0x1B;
inline constexpr int Space = 0x20;
inline constexpr int Prior = 0x21;  // Page Up
inline constexpr int Next = 0x22;   // Page Down
inline constexpr int End = 0x23;
inline constexpr int Home = 0x24;
inline constexpr int Left = 0x25;
inline constexpr int Up = 0x26;
inline constexpr int Right = 0x27;
inline constexpr int Down = 0x28;
inline constexpr int Insert = 0x2D;
inline constexpr int Delete = 0x2E;
inline constexpr int F1 = 0x70;
// Letters and digits are their upper-case ASCII codes ('A' = 0x41).
}  // namespace key

struct Accelerator {
  int key = 0;  // a key code above ('A' .. 'Z' for letters)
  bool control = false;
  bool alt = false;
  bool shift = false;
  int command = 0;
};

enum class MouseAction {
  Move,
  LeftDown,
  LeftUp,
  LeftDoubleClick,
  RightDown,
  RightUp,
  RightDoubleClick
};

struct MouseEvent {
  Point at;  // client pixels
  bool leftButton = false;
  bool rightButton = false;
  bool shift = false;
  bool control = false;
};

enum class CursorShape { Arrow, Wait, Cross, SizeWE, SizeNS, Hand };

class WindowClient {
 public:
  virtual ~WindowClient() = default;
  virtual void OnCommand(int id) = 0;
  // One paint is two calls: first with erase = true (clear the whole client
  // area), then with erase = false (draw).
  virtual void OnPaint(Canvas& canvas, bool erase) = 0;
  virtual void OnSize(Size) {}
  virtual void OnKeyDown(int /*key*/) {}
  virtual void OnChar(int /*character*/) {}
  virtual void OnMouse(MouseAction, const MouseEvent&) {}
  virtual void OnDropFiles(const std::vector<std::string>& /*paths*/) {}
  virtual void OnTimer(int /*id*/) {}
  // A key pressed while a menu item is highlighted (the help key in menus).
  virtual void OnMenuKey(int /*key*/, int /*highlightedId*/) {}
  // While this is true, keys and clicks are not dispatched to the window:
  // they reach OnInputWhileBusy instead, so nothing re-enters a half-done
  // command.
  virtual bool IsBusy() const { return false; }
  virtual void OnInputWhileBusy() {}
  // The close box while busy: the close is asked again once the command has
  // ended; meanwhile the command may stop as after any input.
  virtual void OnCloseWhileBusy() { OnInputWhileBusy(); }
  // While this is true a paint would only be skipped by the client (a
  // command or a box is up): the host keeps the paint due and delivers it
  // once the client's handler has returned.
  virtual bool PaintDeferred() const { return false; }
  // The close box. Return false to keep the window open.
  virtual bool OnClose() { return true; }
};

class WindowHost {
 public:
  virtual ~WindowHost() = default;
  virtual WindowHandle Handle() const = 0;
  virtual void Show() = 0;
  virtual void SetTitle(const std::string& title) = 0;
  virtual std::string Title() const = 0;
  virtual void SetAccelerators(std::vector<Accelerator> table) = 0;
  virtual Size ClientSize() const = 0;
  virtual void ResizeClient(Size size) = 0;
  // The backing image of the client area.
  virtual Canvas& ClientCanvas() = 0;
  // Asks for a paint; it happens when the message loop runs next (or at once
  // on UpdateNow).
  virtual void Invalidate() = 0;
  // Paints now when a paint is due, and shows direct drawing on screen.
  virtual void UpdateNow() = 0;
  // The client area as it shows now.
  virtual RgbImage Snapshot() = 0;
  virtual void SetCursor(CursorShape shape) = 0;
  virtual void CaptureMouse(bool capture) = 0;
  virtual void AcceptDroppedFiles(bool accept) = 0;
  virtual void SetTimer(int id, int intervalMs) = 0;
  virtual void KillTimer(int id) = 0;
};

struct FileFilter {
  std::string description;            // "All AUC Files (*.IP*;...)"
  std::vector<std::string> patterns;  // "*.IP*" ...; matched without regard to case
};

struct FileDialogRequest {
  WindowHandle owner = nullptr;
  std::string title;
  std::vector<FileFilter> filters;
  int filterIndex = 1;  // one-based, as chosen when the dialog ends
  std::string initialFolder;
  std::string fileName;          // proposed name (save) or the first choice
  std::string defaultExtension;  // appended to a typed name without one
  bool multiSelect = false;
  bool mustExist = true;
  std::vector<std::string> chosen;  // full paths, on OK
};

// A nested text editor: the caller waits until the user closes it.
struct TextEntryRequest {
  WindowHandle owner = nullptr;
  std::string caption;
  std::string text;  // shown at the start; the edited text on OK
};

// True when a file name matches a pattern ("*.RA*") or one of a filter's
// patterns, without regard to case ('*' and '?' as usual); a filter looks at
// the name without its folder.
bool MatchesFilePattern(const std::string& fileName, const std::string& pattern);
bool MatchesFileFilter(const std::string& fileName, const FileFilter& filter);

}  // namespace platform
