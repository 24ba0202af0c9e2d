#pragma once
// The program's one main window: the frame with the menu bar, the plots and
// every command. It holds only user-interface state; the analysis state lives
// in program-wide records. Its construction reads the command line and the
// preferences, asks once for agreement to the disclaimer and, when the
// command line names a batch parameter file, runs the whole batch before the
// window is ever shown. Until the platform window exists (Create), menu
// changes go into the menu model and appear with the window.

#include <memory>
#include <string>

#include "platform/Menu.h"
#include "platform/Window.h"

class TXLAWindow : public platform::WindowClient {
 public:
  explicit TXLAWindow(std::string title);
  ~TXLAWindow() override;
  TXLAWindow(const TXLAWindow&) = delete;
  TXLAWindow& operator=(const TXLAWindow&) = delete;

  // Creates the platform window (the set-up step runs here) and shows it.
  void Create();

  // The platform window; null before Create (during a batch run).
  platform::WindowHost* Host() { return host_.get(); }
  // The owner for boxes: null before Create.
  platform::WindowHandle Handle() const { return host_ ? host_->Handle() : nullptr; }
  platform::MenuModel& Menu() { return menu_; }
  void CheckMenuItem(int id, bool checked) { menu_.Check(id, checked); }
  void EnableMenuItem(int id, bool enabled) { menu_.Enable(id, enabled); }
  const std::string& Title() const { return title_; }

  // User-interface state.
  bool MenuHelpMode = false;  // F1 on a highlighted menu item: the next command shows help
  bool RightButtonDown = false;
  bool ToolCaptionPending = false;
  std::string ToolCaptionText;
  bool RunBusy = false;
  bool FitBusy = false;
  bool DialogBusy = false;  // a modal box or dialog is up: mouse and keys are ignored

  // platform::WindowClient
  void OnCommand(int id) override;
  void OnPaint(platform::Canvas& canvas, bool erase) override;
  void OnSize(platform::Size size) override;
  void OnKeyDown(int key) override;
  void OnChar(int character) override;
  void OnMouse(platform::MouseAction action, const platform::MouseEvent& event) override;
  void OnDropFiles(const std::vector<std::string>& paths) override;
  void OnTimer(int id) override;
  void OnMenuKey(int key, int highlightedId) override;
  bool IsBusy() const override { return RunBusy || FitBusy; }
  void OnInputWhileBusy() override;
  bool OnClose() override;

 private:
  std::string title_;
  platform::MenuModel menu_;
  std::unique_ptr<platform::WindowHost> host_;
};
