#include "platform/qt/GuiRuntime.h"

#include <QApplication>
#include <QFontDatabase>
#include <QInputDevice>
#include <QString>
#include <cassert>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>

#include "platform/Platform.h"

namespace platform::qt {

namespace {

// Where fonts-dejavu-core puts the faces; registered directly when the font
// configuration of the machine does not list them.
constexpr const char* kDejaVuFolder = "/usr/share/fonts/truetype/dejavu";
constexpr const char* kDejaVuFiles[] = {"DejaVuSans.ttf",         "DejaVuSans-Bold.ttf",
                                        "DejaVuSerif.ttf",        "DejaVuSerif-Bold.ttf",
                                        "DejaVuSansMono.ttf",     "DejaVuSansMono-Bold.ttf",
                                        "DejaVuSans-Oblique.ttf", "DejaVuSerif-Italic.ttf"};

void RegisterDejaVu() {
  if (QFontDatabase::families().contains(QStringLiteral("DejaVu Sans"))) return;
  for (const char* file : kDejaVuFiles) {
    const std::filesystem::path path = std::filesystem::path(kDejaVuFolder) / file;
    if (std::filesystem::exists(path)) {
      QFontDatabase::addApplicationFont(QString::fromStdString(path.string()));
    }
  }
}

// The application object made here, when nobody made one before.
std::unique_ptr<QApplication>& OwnApplication() {
  static std::unique_ptr<QApplication> application;
  return application;
}

void MakeApplication() {
  // The application's destructor takes its input devices off Qt's list of
  // devices, a global object of its own. Touching that list first makes it
  // outlive the application at exit (statics go in reverse order).
  QInputDevice::devices();
  // The application keeps references to its arguments for its lifetime.
  static int argc = 1;
  static char name[] = "taluvo";
  static char* argv[] = {name, nullptr};
  OwnApplication() = std::make_unique<QApplication>(argc, argv);
}

void EnsureApplication(bool onScreen) {
  static std::once_flag once;
  std::call_once(once, [onScreen] {
    if (QCoreApplication::instance() == nullptr) {
      if (!onScreen && std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
      MakeApplication();
    }
    // A core application without the GUI part cannot render text.
    assert(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr);
    RegisterDejaVu();
  });
}

}  // namespace

void EnsureGuiApplication() {
  EnsureApplication(false);
}

void EnsureDesktopApplication() {
  EnsureApplication(true);
}

void EndGuiApplication() {
  OwnApplication().reset();
}

void EndToolkit() {
  Install(nullptr);
  EndGuiApplication();
}

}  // namespace platform::qt
