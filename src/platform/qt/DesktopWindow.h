#pragma once
// The desktop backend's main window: a QMainWindow with the menu bar shown
// from the program's MenuModel and a client area that keeps one persistent
// backing image. A paint draws the client's two passes into that image and
// shows it; direct drawing goes into the same image and shows on UpdateNow,
// so inverting cursor lines and saved button backgrounds behave as on a
// classic window device context.

#include <QPoint>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Window.h"
#include "platform/qt/RasterCanvas.h"

class QKeyEvent;
class QMainWindow;
class QMouseEvent;
class QTimer;
class QWidget;

namespace platform::qt {

class DesktopBackend;
class QtMenuBar;

class DesktopWindow : public WindowHost {
 public:
  DesktopWindow(DesktopBackend& backend, WindowClient& client, MenuModel& menu,
                const std::string& title);
  ~DesktopWindow() override;

  WindowHandle Handle() const override { return this; }
  void Show() override;
  void SetTitle(const std::string& title) override;
  std::string Title() const override;
  void SetAccelerators(std::vector<Accelerator> table) override;
  Size ClientSize() const override;
  void ResizeClient(Size size) override;
  Canvas& ClientCanvas() override { return canvas_; }
  void Invalidate() override;
  void UpdateNow() override;
  RgbImage Snapshot() override;
  void SetCursor(CursorShape shape) override;
  void CaptureMouse(bool capture) override;
  void AcceptDroppedFiles(bool accept) override;
  void SetTimer(int id, int intervalMs) override;
  void KillTimer(int id) override;

  // For the backend (and tests): the widgets and the client.
  QMainWindow& Frame() const;
  QWidget& ClientWidget() const { return *clientWidget_; }
  WindowClient& Client() const { return client_; }
  // True for the frame, its children and its menus, not for dialogs it owns.
  bool Owns(const QWidget& widget) const;

  // A message from the backend's queue (posted, or input held back while a
  // poll ran).
  void Dispatch(const Message& message);
  // The command an accelerator gives this key message, or 0.
  int AcceleratorCommand(const Message& message) const;
  // Client code may run: no poll is in progress and no handler is running,
  // unless a modal loop nested in the handler dispatches (as a dialog does).
  bool CanCallClient() const;
  bool InHandler() const { return handlerDepth_ > 0; }
  // Input held back from the client while it was busy or polling.
  void InputWhileBusy();
  void MenuKey(int key, int highlightedId);
  // A paint that fell due while the client could not be called.
  void Resume();
  // Text at device pixel (x, y) in the default font and colours, opaque.
  void DrawText(int x, int y, const std::string& text);
  // Puts the area of the backing image on screen now (direct drawing during
  // a command, which dispatches no paint).
  void ShowDrawing(const Rect& area);
  // Called by the backend's polls: direct drawing made since the window
  // was last shown goes on screen, at most every kShowInterval.
  void ShowPendingDrawing();
  // The whole backing image has just been put on screen.
  void MarkShown();
  static constexpr std::chrono::milliseconds kShowInterval{50};

  // Events of the client area and the frame.
  void PaintRequested();
  void Resized(Size size);
  void KeyPressed(const QKeyEvent& event);
  void Mouse(MouseAction action, const QMouseEvent& event);
  void FilesDropped(const std::vector<std::string>& paths);
  bool AcceptsDrops() const { return acceptsDrops_; }
  // The close box: true when the frame may close.
  bool CloseRequested();

 private:
  class FrameWidget;
  class ClientArea;

  template <class F>
  auto Call(F&& f);
  void PaintClient();
  bool ClientPaintsNow() const { return CanCallClient() && !client_.PaintDeferred(); }
  void DispatchKey(const Message& message);

  DesktopBackend& backend_;
  WindowClient& client_;
  std::unique_ptr<FrameWidget> frame_;
  QWidget* clientWidget_ = nullptr;  // a ClientArea, owned by the frame
  std::unique_ptr<QtMenuBar> menuBar_;
  RasterCanvas canvas_;
  std::vector<Accelerator> accelerators_;
  std::map<int, std::unique_ptr<QTimer>> timers_;
  bool paintDue_ = false;
  std::uint64_t shownChanges_ = 0;  // the canvas's change count when last shown whole
  std::chrono::steady_clock::time_point lastShown_{};
  bool acceptsDrops_ = false;
  int handlerDepth_ = 0;  // client handlers running now
};

}  // namespace platform::qt
