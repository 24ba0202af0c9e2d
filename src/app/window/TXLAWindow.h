#pragma once
// The program's one main window: the frame with the menu bar, the plots and
// every command. It holds only user-interface state; the analysis state lives
// in program-wide records. The constructor makes the frame (menu "MENU_1",
// accelerators, file-dialog records); StartUp then reads the command line
// and the preferences, asks once for agreement to the disclaimer and, when
// the command line names a batch parameter file, runs the whole batch before
// the window is ever shown. Until the platform window exists (Create), menu
// changes go into the menu model and appear with the window.

#include <memory>
#include <string>
#include <vector>

#include "platform/Menu.h"
#include "platform/Window.h"

class TXLAWindow : public platform::WindowClient {
 public:
  explicit TXLAWindow(std::string title);
  ~TXLAWindow() override;
  TXLAWindow(const TXLAWindow&) = delete;
  TXLAWindow& operator=(const TXLAWindow&) = delete;

  // The start-up work of the construction, in its order: the window's
  // hooks, command line, preferences, disclaimer, diagnostics log, batch
  // run. Boxes have no owner yet.
  void StartUp();
  // Points the program-wide hooks (the diagnostics log, runs after a load,
  // repaints, captions, live plot refresh, the paint's exit and result text)
  // at this window; StartUp does it first. The destructor takes them back.
  void InstallWindowHooks();
  // Creates the platform window, runs the set-up step (OnSetup) and shows it.
  void Create();
  // Check marks from the settings; outside a batch run also the display, the
  // greeting sound and dropped files.
  void OnSetup();

  // The platform window; null before Create (during a batch run).
  platform::WindowHost* Host() { return host_.get(); }
  // The owner for boxes: null before Create.
  platform::WindowHandle Handle() const { return host_ ? host_->Handle() : nullptr; }
  platform::MenuModel& Menu() { return menu_; }
  void CheckMenuItem(int id, bool checked) { menu_.Check(id, checked); }
  void EnableMenuItem(int id, bool enabled) { menu_.Enable(id, enabled); }
  const std::string& Title() const { return title_; }
  const std::vector<platform::Accelerator>& Accelerators() const { return accelerators_; }

  // Appends text to the diagnostics log while DiagnosticsOn is set. The first
  // call of the run starts the file anew with a header line; an empty text
  // writes nothing beyond that header.
  void DebugLog(const std::string& text = {});
  // The diagnostics log file of this run ("" until the log has started).
  const std::string& DiagnosticsFileName() const { return diagnosticsFile_; }

  // User-interface state.
  bool MenuHelpMode = false;  // F1 on a highlighted menu item: the next command shows help
  bool RightButtonDown = false;
  bool ToolCaptionPending = false;
  std::string ToolCaptionText;
  bool RunBusy = false;
  bool FitBusy = false;
  bool DialogBusy = false;  // a modal box or dialog is up: mouse and keys are ignored
  // The window was asked to close while a command ran: the command ends
  // without the help wizard's questions, and the close follows.
  bool ClosePending = false;
  bool PrinterCreated = false;
  // The two file-dialog records of the load and save commands. A command that
  // changes a field for one dialog sets it back afterwards.
  platform::FileDialogRequest MainFileDialog;
  platform::FileDialogRequest SecondFileDialog;

  // platform::WindowClient
  void OnCommand(int id) override;
  void OnPaint(platform::Canvas& canvas, bool erase) override;
  void OnSize(platform::Size size) override;
  void OnKeyDown(int key) override;
  void OnChar(int character) override;
  void OnMouse(platform::MouseAction action, const platform::MouseEvent& event) override;
  void OnDropFiles(const std::vector<std::string>& paths) override;
  void OnTimer(int id) override;
  // F1 on a highlighted menu item: help mode, and the item is chosen.
  void OnMenuKey(int key, int highlightedId) override;
  bool IsBusy() const override { return RunBusy || FitBusy; }
  // The paint draws nothing while a command, box or file dialog is up.
  bool PaintDeferred() const override;
  // Any key or click during a Run or Fit asks the computation to stop.
  void OnInputWhileBusy() override;
  void OnCloseWhileBusy() override;
  // The close box ends the message loop; nothing is released or written.
  bool OnClose() override;

 private:
  void SetOptionCheckMarks();
  void FillFileDialogRecords();
  // Puts the hooks InstallWindowHooks set back to doing nothing.
  void RemoveWindowHooks();

  std::string title_;
  platform::MenuModel menu_;
  std::vector<platform::Accelerator> accelerators_;
  std::unique_ptr<platform::WindowHost> host_;
  std::string diagnosticsHeader_;
  std::string diagnosticsFile_;
  bool diagnosticsStarted_ = false;
  bool debugLogHookInstalled_ = false;
  // The log takes the analysis code's lines once the start has opened it;
  // lines of the start before that (reading the preferences) are dropped.
  bool debugLogOpen_ = false;
  bool windowHooksInstalled_ = false;
};

// Sets the window's DialogBusy for the life of a modal box or dialog, so
// that the mouse and keyboard handlers ignore input meanwhile.
class DialogBusyScope {
 public:
  explicit DialogBusyScope(TXLAWindow& window) : window_(window), previous_(window.DialogBusy) {
    window_.DialogBusy = true;
  }
  ~DialogBusyScope() { window_.DialogBusy = previous_; }
  DialogBusyScope(const DialogBusyScope&) = delete;
  DialogBusyScope& operator=(const DialogBusyScope&) = delete;

 private:
  TXLAWindow& window_;
  bool previous_;
};
