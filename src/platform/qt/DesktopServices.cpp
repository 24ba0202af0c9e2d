// The desktop backend's services outside the windows: beeps, the clock,
// sounds, the clipboard, external programs and text drawn into a window.

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <filesystem>

#include "platform/Metafile.h"
#include "platform/SvgWriter.h"
#include "platform/qt/DesktopBackend.h"
#include "platform/qt/DesktopWindow.h"
#include "platform/qt/QtText.h"
#include "platform/qt/RasterCanvas.h"

namespace platform::qt {

namespace {

// Screen pixels per 0.01 mm at the usual 96 pixels per inch.
constexpr double kPixelsPerHundredthMm = 96.0 / 2540.0;
// A picture on the clipboard is rendered at most this wide or high.
constexpr int kMaxPicturePixels = 4096;

// The executable a program name stands for: a path that exists, or a name
// found on the search path; empty when there is none.
QString FindProgram(const std::string& program) {
  if (program.empty()) return {};
  const QString name = ToQString(program);
  if (name.contains(QLatin1Char('/'))) {
    const QFileInfo info(name);
    return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
  }
  return QStandardPaths::findExecutable(name);
}

int PictureSide(int hundredthsMm) {
  return std::clamp(static_cast<int>(hundredthsMm * kPixelsPerHundredthMm + 0.5), 1,
                    kMaxPicturePixels);
}

QImage ToQImage(const RgbImage& image) {
  QImage out(image.Width(), image.Height(), QImage::Format_RGB32);
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x) {
      const Color c = image.At(x, y);
      out.setPixel(x, y, qRgb(c.red, c.green, c.blue));
    }
  return out;
}

}  // namespace

void DesktopBackend::Beep(BoxIcon) {
  QApplication::beep();
}

std::uint64_t DesktopBackend::TickCountMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(
      duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void DesktopBackend::PlaySoundFile(const std::string& path, bool wait) {
  // Without a multimedia module, the ALSA player plays the wave files; a
  // machine without it (or without the file) stays silent.
  if (!std::filesystem::is_regular_file(path)) return;
  const QString player = FindProgram("aplay");
  if (player.isEmpty()) return;
  if (sound_) {
    sound_->kill();  // a new sound cuts off the playing one
    sound_->waitForFinished(1000);
  }
  sound_ = std::make_unique<QProcess>();
  sound_->start(player, {QStringLiteral("-q"), ToQString(path)});
  if (wait) sound_->waitForFinished(-1);
}

bool DesktopBackend::SetClipboardText(const std::string& text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return false;
  clipboard->setText(ToQString(text));
  return true;
}

bool DesktopBackend::SetClipboardPicture(const Metafile& picture, int widthHundredthsMm,
                                         int heightHundredthsMm) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr) return false;
  const Size size{PictureSide(widthHundredthsMm), PictureSide(heightHundredthsMm)};
  // Vector form for programs that take it, pixels for those that do not.
  RasterCanvas canvas(size.width, size.height);
  picture.PlayInto(canvas, Rect{0, 0, size.width, size.height});
  auto data = std::make_unique<QMimeData>();
  data->setData(QStringLiteral("image/svg+xml"),
                QByteArray::fromStdString(MetafileToSvg(picture, size)));
  data->setImageData(canvas.Image());
  clipboard->setMimeData(data.release());  // the clipboard takes ownership
  return true;
}

bool DesktopBackend::SetClipboardBitmap(const RgbImage& image) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (clipboard == nullptr || image.IsEmpty()) return false;
  clipboard->setImage(ToQImage(image));
  return true;
}

bool DesktopBackend::StartProgram(const std::string& program,
                                  const std::vector<std::string>& arguments) {
  const QString executable = FindProgram(program);
  if (executable.isEmpty()) return false;
  QStringList args;
  for (const std::string& a : arguments) args << ToQString(a);
  return QProcess::startDetached(executable, args);
}

bool DesktopBackend::OpenInTextEditor(const std::string& path) {
  // The desktop's opener picks the user's editor for text files.
  if (!std::filesystem::exists(path)) return false;
  return StartProgram("xdg-open", {path});
}

bool DesktopBackend::OpenWebAddress(const std::string& url) {
  const QUrl address = QUrl::fromUserInput(ToQString(url));
  return address.isValid() && QDesktopServices::openUrl(address);
}

void DesktopBackend::DrawWindowText(WindowHandle window, int x, int y, const std::string& text) {
  if (DesktopWindow* w = FindWindow(window)) w->DrawText(x, y, text);
}

Canvas* DesktopBackend::WindowCanvas(WindowHandle window) {
  if (window == nullptr) return nullptr;
  DesktopWindow* w = FindWindow(window);
  return w != nullptr ? &w->ClientCanvas() : nullptr;
}

void DesktopBackend::ShowWindowDrawing(WindowHandle window, const Rect& area) {
  if (window == nullptr) return;
  if (DesktopWindow* w = FindWindow(window)) w->ShowDrawing(area);
}

}  // namespace platform::qt
