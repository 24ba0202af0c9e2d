#pragma once
// A desktop backend on the offscreen platform, a client that records what
// reaches it, and helpers to find menu actions and answer modal dialogs.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Window.h"
#include "platform/qt/DesktopBackend.h"
#include "platform/qt/DesktopWindow.h"

class QAction;
class QMenuBar;

namespace platform::qt::test {

// Records every call as a line ("command 7", "erase", "key 65", ...). The
// paint clears to white and draws a red block at (10, 10) .. (50, 40).
struct RecordingClient : WindowClient {
  std::vector<std::string> events;
  bool busy = false;
  bool allowClose = true;
  // Runs inside OnCommand when set (a command that polls, quits, ...).
  std::function<void(int)> onCommand;
  std::function<void(int)> onTimer;

  void OnCommand(int id) override;
  void OnPaint(Canvas& canvas, bool erase) override;
  void OnSize(Size size) override;
  void OnKeyDown(int key) override;
  void OnChar(int character) override;
  void OnMouse(MouseAction action, const MouseEvent& event) override;
  void OnDropFiles(const std::vector<std::string>& paths) override;
  void OnTimer(int id) override;
  void OnMenuKey(int key, int highlightedId) override;
  bool IsBusy() const override { return busy; }
  // A paint while this is set is one the client would skip.
  bool deferPaint = false;
  bool PaintDeferred() const override { return deferPaint; }
  void OnInputWhileBusy() override { events.push_back("busy input"); }
  bool OnClose() override {
    events.push_back("close");
    return allowClose;
  }
};

class DesktopTest : public ::testing::Test {
 protected:
  DesktopTest();
  ~DesktopTest() override;
  DesktopBackend& backend() { return *backend_; }
  // Processes what Qt has pending (posted events, paints, queued calls).
  static void Settle();

 private:
  std::unique_ptr<DesktopBackend> backend_;
};

// The action of a command id anywhere in the bar, or null.
QAction* FindAction(QMenuBar& bar, int id);

// Calls `act` with the modal dialog as soon as one is open (inside its own
// loop); a dialog `act` left open is cancelled, so no test can hang on it.
class ModalAnswer {
 public:
  explicit ModalAnswer(std::function<void(QWidget&)> act);
  ~ModalAnswer();
  bool Answered() const { return answered_; }

 private:
  std::unique_ptr<QTimer> timer_;
  bool answered_ = false;
};

}  // namespace platform::qt::test
