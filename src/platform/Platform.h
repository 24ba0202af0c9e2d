#pragma once
// The platform layer: everything the program needs of a windowing system
// (message boxes, entry dialogs, the thread's message queue, beeps, the
// clock and sound playback) behind one interface. Two backends implement it:
// a headless one (tests and batch runs without a display) and, with the main
// window, a desktop one. Callers never know which one runs.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Geometry.h"
#include "state/WindowHandle.h"

namespace platform {

class Canvas;
class Metafile;
class RgbImage;
class MenuModel;
class WindowClient;
class WindowHost;
struct FileDialogRequest;
struct FormRequest;
struct TextEntryRequest;

enum class MessageKind {
  KeyDown,
  KeyUp,
  Char,
  MouseMove,
  LeftButtonDown,
  LeftButtonUp,
  Timer,
  Paint,
  Other,
  // Dispatched by the headless message loop to the window (tests, batch).
  Command,          // wparam: command id
  RightButtonDown,  // lparam of mouse messages: x in the low 16 bits, y above
  RightButtonUp,
  LeftDoubleClick,
  RightDoubleClick,
  Close
};

struct Message {
  WindowHandle window = nullptr;
  MessageKind kind = MessageKind::Other;
  long wparam = 0;  // key code or character code
  long lparam = 0;
  // Modifier keys held with a key or mouse message.
  bool control = false;
  bool alt = false;
  bool shift = false;
};

inline bool IsKeyboardMessage(MessageKind k) {
  return k == MessageKind::KeyDown || k == MessageKind::KeyUp || k == MessageKind::Char;
}

enum class BoxIcon { None, Information, Question, Warning, Error };
enum class BoxButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class BoxAnswer { Ok, Cancel, Yes, No };

struct BoxRequest {
  WindowHandle owner = nullptr;
  std::string text;
  std::string caption;
  BoxIcon icon = BoxIcon::None;
  BoxButtons buttons = BoxButtons::Ok;
};

// A modal dialog with a caption, a prompt line, one edit field and OK/Cancel.
// `text` is the edit buffer: shown at the start, replaced by the user's text
// on OK. `capacity` counts the terminator, as the edit field does.
struct EntryRequest {
  WindowHandle owner = nullptr;
  std::string caption;
  std::string prompt;
  std::string text;
  std::size_t capacity = 0;
};

// One printed page: what a window's client area of `area` (logical units)
// shows, drawn by `paint` and mapped onto the page isotropically (the aspect
// kept, as large as the page allows).
struct PrintRequest {
  WindowHandle owner = nullptr;
  std::string title;  // the document's name
  Size area;
  std::function<void(Canvas&)> paint;
  // Where the page goes as a PDF file when no printer exists; empty: the
  // user is asked for the file.
  std::string pdfPath;
};

// An outside program run to its end in a folder.
struct ProgramRun {
  WindowHandle owner = nullptr;
  std::string program;  // a path, or a name on the search path
  std::vector<std::string> arguments;
  std::string folder;   // working folder
  std::string title;    // what the wait window says runs
};

// How a waited program ended.
enum class ProgramEnd { Finished, NotStarted, Cancelled };

struct ProgramResult {
  ProgramEnd end = ProgramEnd::NotStarted;
  int exitCode = -1;
};

// Runs the program and blocks until it ends, without a way to cancel (the
// platform layer's plain form; backends with a window offer Cancel).
ProgramResult RunProgramToEnd(const ProgramRun& run);

// Which messages a poll may look at.
struct MessageFilter {
  WindowHandle window = nullptr;  // nullptr: any window of the thread
  bool keyboardOnly = false;
};

class Backend {
 public:
  virtual ~Backend() = default;

  virtual BoxAnswer ShowMessageBox(const BoxRequest& request) = 0;
  // True when the dialog ended with OK; request.text then holds the entry.
  virtual bool ShowEntryDialog(EntryRequest& request) = 0;
  // The platform's default beep of the given kind.
  virtual void Beep(BoxIcon kind) = 0;

  // The calling (user-interface) thread's message queue.
  virtual std::optional<Message> PeekMessage(const MessageFilter& filter, bool remove) = 0;
  // Removes the next message of the filter, waiting for one if none is there.
  // Returns nothing when no message can ever arrive (headless with an empty
  // queue), so callers never hang.
  virtual std::optional<Message> WaitMessage(const MessageFilter& filter) = 0;
  virtual void PostMessage(const Message& message) = 0;
  // Queues the character message that belongs to a key-down.
  virtual void TranslateMessage(const Message& message) = 0;
  virtual void PostQuitMessage(int exitCode) = 0;

  // Text drawn straight into a window's client area at (x, y).
  virtual void DrawWindowText(WindowHandle window, int x, int y, const std::string& text) = 0;
  // The backing image of a window's client area, for drawing straight into
  // it outside a paint (progress lines); null when the handle names no
  // window. User-interface thread only.
  virtual Canvas* WindowCanvas(WindowHandle window) = 0;
  // Puts what was drawn straight into the area (client pixels) on screen
  // now, without a paint: a long computation dispatches no message, so
  // nothing else would show its progress while it runs.
  virtual void ShowWindowDrawing(WindowHandle window, const Rect& area) = 0;

  // Milliseconds of a monotonic clock.
  virtual std::uint64_t TickCountMs() = 0;

  // Plays a sound file: asynchronously (a new sound cuts off the playing
  // one) or waiting until it has ended. A missing file is silent.
  virtual void PlaySoundFile(const std::string& path, bool wait) = 0;

  // The clipboard: each call empties it and puts one item there. False when
  // the clipboard cannot be opened. A picture carries its size in 0.01 mm.
  virtual bool SetClipboardText(const std::string& text) = 0;
  virtual bool SetClipboardPicture(const Metafile& picture, int widthHundredthsMm,
                                   int heightHundredthsMm) = 0;
  virtual bool SetClipboardBitmap(const RgbImage& image) = 0;

  // The main window around `client`, with `menu` as its menu bar (the host
  // follows the model's changes). Client and menu outlive the host.
  virtual std::unique_ptr<WindowHost> CreateMainWindow(WindowClient& client, MenuModel& menu,
                                                       const std::string& title) = 0;
  // Dispatches the thread's messages to the windows until PostQuitMessage;
  // returns its exit code. The headless backend dispatches what is queued
  // and returns when the queue is empty.
  virtual int RunMessageLoop() = 0;
  // The file dialogs; true with request.chosen filled when the user chose.
  virtual bool ShowOpenFileDialog(FileDialogRequest& request) = 0;
  virtual bool ShowSaveFileDialog(FileDialogRequest& request) = 0;
  // A nested text editor window; true with the edited text on OK.
  virtual bool ShowTextEntryWindow(TextEntryRequest& request) = 0;
  // A dialog described as a table of controls (FormDialog.h); true when it
  // closed with OK and its check let it close.
  virtual bool ShowForm(FormRequest& request) = 0;
  // Starts an external program (a path, or a name on the search path) and
  // does not wait for it. False when it is not there or does not start.
  virtual bool StartProgram(const std::string& program,
                            const std::vector<std::string>& arguments) = 0;
  // Opens a text file in the user's text editor, a web address in the
  // browser. False when nothing could open it.
  virtual bool OpenInTextEditor(const std::string& path) = 0;
  virtual bool OpenWebAddress(const std::string& url) = 0;
  // Prints one page: the print dialog where a printer exists, else the page
  // goes to a PDF file. True when the page was printed or written. Without
  // printing support (the default) nothing is printed.
  virtual bool PrintPage(PrintRequest& request);
  // The printer's set-up dialog; false when cancelled or not available.
  virtual bool PrinterSetup(WindowHandle owner);
  // Runs an outside program in its folder and waits for its end; backends
  // with a window show that it runs and let the user cancel it (the
  // program is then stopped).
  virtual ProgramResult RunProgramAndWait(const ProgramRun& run);
};

// The backend in use. A headless backend is installed on first use when none
// was installed before.
Backend& Current();
// Installs a backend and returns the previous one.
std::unique_ptr<Backend> Install(std::unique_ptr<Backend> backend);

}  // namespace platform
