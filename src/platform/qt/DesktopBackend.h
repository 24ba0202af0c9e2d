#pragma once
// The platform backend of the desktop program, on Qt Widgets: the main
// window, message boxes and dialogs, the clipboard, sounds and external
// programs. The program's own message queue lives here too: PostMessage and
// the key polls of long computations work as in the headless backend, and
// while a poll processes pending Qt events, or the window's client is busy,
// keys and clicks meant for the main window are held back from it and
// queued as Messages, so that nothing re-enters a half-done command.

#include <QPointer>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/Window.h"

class QDialog;
class QEvent;
class QEventLoop;
class QObject;
class QProcess;
class QWidget;

namespace platform::qt {

class DesktopWindow;

class DesktopBackend : public Backend {
 public:
  // Creates the widget application when none exists yet.
  DesktopBackend();
  ~DesktopBackend() override;
  DesktopBackend(const DesktopBackend&) = delete;
  DesktopBackend& operator=(const DesktopBackend&) = delete;

  BoxAnswer ShowMessageBox(const BoxRequest& request) override;
  bool ShowEntryDialog(EntryRequest& request) override;
  void Beep(BoxIcon kind) override;

  std::optional<Message> PeekMessage(const MessageFilter& filter, bool remove) override;
  std::optional<Message> WaitMessage(const MessageFilter& filter) override;
  void PostMessage(const Message& message) override;
  void TranslateMessage(const Message& message) override;
  void PostQuitMessage(int exitCode) override;

  void DrawWindowText(WindowHandle window, int x, int y, const std::string& text) override;
  Canvas* WindowCanvas(WindowHandle window) override;
  void ShowWindowDrawing(WindowHandle window, const Rect& area) override;
  std::uint64_t TickCountMs() override;
  void PlaySoundFile(const std::string& path, bool wait) override;

  bool SetClipboardText(const std::string& text) override;
  bool SetClipboardPicture(const Metafile& picture, int widthHundredthsMm,
                           int heightHundredthsMm) override;
  bool SetClipboardBitmap(const RgbImage& image) override;

  std::unique_ptr<WindowHost> CreateMainWindow(WindowClient& client, MenuModel& menu,
                                               const std::string& title) override;
  int RunMessageLoop() override;
  bool ShowOpenFileDialog(FileDialogRequest& request) override;
  bool ShowSaveFileDialog(FileDialogRequest& request) override;
  bool ShowTextEntryWindow(TextEntryRequest& request) override;
  bool ShowForm(FormRequest& request) override;
  bool StartProgram(const std::string& program, const std::vector<std::string>& arguments) override;
  bool OpenInTextEditor(const std::string& path) override;
  bool OpenWebAddress(const std::string& url) override;
  bool PrintPage(PrintRequest& request) override;
  bool PrinterSetup(WindowHandle owner) override;
  ProgramResult RunProgramAndWait(const ProgramRun& run) override;

  // A message box on any parent widget (a window or a dialog).
  BoxAnswer ShowBoxOn(QWidget* parent, const BoxRequest& request);
  // Messages in the queue (tests).
  std::size_t PendingMessages() const;
  // The state the windows ask about.
  bool Polling() const { return pollDepth_ > 0; }
  bool InModalLoop() const { return modalDepth_ > 0; }

 private:
  friend class DesktopWindow;
  class InputFilter;
  struct Queued {
    Message message;
    bool absorbed = false;  // already answered with OnInputWhileBusy
  };

  void Register(DesktopWindow* window);
  void Unregister(DesktopWindow* window);
  DesktopWindow* FindWindow(WindowHandle handle) const;
  DesktopWindow* WindowOf(const QWidget& widget) const;
  QWidget* OwnerWidget(WindowHandle owner) const;

  bool FilterEvent(QObject* watched, QEvent* event);
  bool HoldBack(DesktopWindow& window, QWidget& target, QEvent& event, bool busy);
  void Enqueue(Queued entry);
  // Processes pending Qt events as a poll: input for the windows is queued.
  void Pump(bool waitForEvents);
  void ScheduleDrain();
  // A window's client handler has returned: what its polls held back (a
  // paint, input they did not take) may go on.
  void HandlerEnded();
  void Drain();
  std::optional<Message> Take(const MessageFilter& filter, bool remove);
  // Runs a dialog's own loop; queued messages are dispatched meanwhile.
  int RunModal(QDialog& dialog);
  bool FileDialog(FileDialogRequest& request, bool save);

  std::unique_ptr<QObject> context_;  // receives queued calls; gone with us
  std::unique_ptr<InputFilter> filter_;
  std::unique_ptr<QProcess> sound_;
  std::vector<DesktopWindow*> windows_;
  mutable std::mutex mutex_;  // the queue and the quit code
  std::deque<Queued> queue_;
  std::optional<int> quitCode_;
  bool drainScheduled_ = false;
  bool drainDeferred_ = false;
  long lastMouseParam_ = -1;
  QPointer<QEventLoop> loop_;
  int pollDepth_ = 0;
  int modalDepth_ = 0;
};

}  // namespace platform::qt
