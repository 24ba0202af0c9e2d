#include "platform/qt/GuiRuntime.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QString>
#include <cassert>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>

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

// Owned here when the drawing layer made it; destroyed at program exit.
std::unique_ptr<QGuiApplication>& OwnApplication() {
  static std::unique_ptr<QGuiApplication> application;
  return application;
}

}  // namespace

void EnsureGuiApplication() {
  static std::once_flag once;
  std::call_once(once, [] {
    if (QCoreApplication::instance() == nullptr) {
      if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
      // The application keeps references to its arguments for its lifetime.
      static int argc = 1;
      static char name[] = "taluvo";
      static char* argv[] = {name, nullptr};
      OwnApplication() = std::make_unique<QGuiApplication>(argc, argv);
    }
    // A core application without the GUI part cannot render text.
    assert(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr);
    RegisterDejaVu();
  });
}

}  // namespace platform::qt
