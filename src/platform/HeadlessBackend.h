#pragma once
// The backend without a display. Boxes answer from a scripted queue, or with
// their default button when nothing is scripted; every box, beep, sound and
// drawn text is written to a log that tests read and batch runs may echo.

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/FormDialog.h"
#include "platform/Metafile.h"
#include "platform/Platform.h"
#include "platform/RgbImage.h"
#include "platform/Window.h"

namespace platform {

class HeadlessBackend : public Backend {
 public:
  // Answers for the next message boxes, in order.
  void ScriptBoxAnswer(BoxAnswer answer);
  // Answers for the next entry dialogs: a text means OK with that text,
  // nothing means Cancel.
  void ScriptEntry(std::optional<std::string> text);
  // Messages waiting in the user-interface thread's queue.
  void QueueMessage(const Message& message);
  void QueueKeyPress(WindowHandle window, long keyCode, long character);
  // Fixed clock for tests; the real monotonic clock when not set.
  void SetClockStep(std::uint64_t millisecondsPerRead);
  // Echo each log line to standard error (batch runs).
  void SetEcho(bool on);

  std::vector<std::string> Log() const;
  void ClearLog();
  std::size_t PendingMessages() const;
  std::optional<int> QuitCode() const;
  // What the last clipboard call left there (only one item at a time).
  std::optional<std::string> ClipboardText() const;
  std::optional<Metafile> ClipboardPicture() const;
  std::optional<RgbImage> ClipboardBitmap() const;

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
  // How often direct drawing was put on screen (tests of progress display).
  int WindowDrawingShownCount() const;
  std::uint64_t TickCountMs() override;
  void PlaySoundFile(const std::string& path, bool wait) override;
  bool SetClipboardText(const std::string& text) override;
  bool SetClipboardPicture(const Metafile& picture, int widthHundredthsMm,
                           int heightHundredthsMm) override;
  bool SetClipboardBitmap(const RgbImage& image) override;

  // Windows: their client area draws into a canvas made by this factory
  // (a raster image where the program links the raster backend); without
  // one, a recording canvas of the same size.
  using CanvasFactory = std::function<std::unique_ptr<Canvas>(Size)>;
  void SetCanvasFactory(CanvasFactory factory);
  // Answers for the next file dialogs: the chosen paths, or nothing (Cancel).
  void ScriptFileDialog(std::optional<std::vector<std::string>> paths);
  // Answers for the next text-entry windows: the text, or nothing (Cancel).
  void ScriptTextEntry(std::optional<std::string> text);
  // Whether StartProgram, OpenInTextEditor and OpenWebAddress report success
  // (they only log; nothing is started).
  void SetProgramsAvailable(bool available);
  // Answers for the next form dialogs: the entries a user makes (typed
  // texts, ticks), then OK or Cancel. A form whose check refuses OK takes the
  // next scripted answer as the user's next try on the same dialog; with
  // none left it is cancelled, so an unattended run never loops. An
  // unscripted form is confirmed with what it shows.
  void ScriptForm(FormState entries, bool ok = true);
  // Where printed pages go: the printer answers for the page (a PDF writer,
  // say); without one a page is drawn on a recording canvas and counted as
  // printed. Either way the print is logged with its title.
  using PagePrinter = std::function<bool(PrintRequest&)>;
  void SetPagePrinter(PagePrinter printer);
  // Every form shown so far: caption, controls and the state it opened with.
  struct ShownForm {
    std::string caption;
    std::vector<FormItem> items;
    FormState initial;
  };
  std::vector<ShownForm> ShownForms() const;
  // The last main window created (null when none is alive).
  WindowHost* LastWindow() const;

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

 private:
  void Append(std::string line);
  std::deque<Message>::iterator FindMessage(const MessageFilter& filter);

  mutable std::mutex mutex_;
  std::vector<std::string> log_;
  std::deque<BoxAnswer> boxAnswers_;
  std::deque<std::optional<std::string>> entries_;
  std::deque<Message> queue_;
  std::optional<int> quitCode_;
  std::uint64_t clockStep_ = 0;
  std::uint64_t fakeClock_ = 0;
  bool echo_ = false;
  std::optional<std::string> clipboardText_;
  std::optional<Metafile> clipboardPicture_;
  std::optional<RgbImage> clipboardBitmap_;
  std::string lastUnscriptedEntry_;
  bool entryRefused_ = false;  // a beep since the last entry dialog
  CanvasFactory canvasFactory_;
  std::deque<std::optional<std::vector<std::string>>> fileDialogs_;
  std::deque<std::optional<std::string>> textEntries_;
  struct FormAnswer {
    FormState entries;
    bool ok = true;
  };
  std::deque<FormAnswer> formAnswers_;
  std::vector<ShownForm> shownForms_;
  bool programsAvailable_ = false;
  PagePrinter pagePrinter_;
  int windowDrawingShown_ = 0;
  class Window;
  friend class Window;
  std::vector<Window*> windows_;
  bool FileDialog(const char* kind, FileDialogRequest& request);
  Window* FindWindow(WindowHandle handle) const;
  void Dispatch(const Message& message);
};

// The default answer of a box with these buttons (its first button).
BoxAnswer DefaultAnswer(BoxButtons buttons);
const char* AnswerName(BoxAnswer answer);

}  // namespace platform
