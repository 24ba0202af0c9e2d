// Every way out of the program ends the process cleanly: the program runs
// as its entry runs it (desktop backend, ProgramMain, the toolkit's end)
// in a child process, which is then ended with the program's exit code, so
// that the toolkit's teardown and the static objects' destruction take
// place exactly as after a real run.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/options/PreferenceFile.h"
#include "app/options/ProgramOptions.h"
#include "state/ProgramFlags.h"
#include "state/ProgramPaths.h"
#include "app/start/ExitProgram.h"
#include "app/start/ProgramStart.h"
#include "app/window/TXLAWindow.h"
#include "platform/qt/DesktopBackend.h"
#include "platform/qt/GuiRuntime.h"
#include "platform/qt/QtMenuBar.h"
#include "resources/AppStrings.h"
#include "support/TestSupport.h"

namespace {

enum class WayOut { CloseBox, ExitCommand, DeclineDisclaimer };

constexpr int kExitCommand = 230;

QAction* FindCommand(const QList<QAction*>& actions, int id) {
  for (QAction* a : actions) {
    if (platform::qt::QtMenuBar::CommandId(a) == id) return a;
    if (a->menu() != nullptr)
      if (QAction* found = FindCommand(a->menu()->actions(), id)) return found;
  }
  return nullptr;
}

QMainWindow* ShownMainWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* frame = qobject_cast<QMainWindow*>(w); frame != nullptr && frame->isVisible())
      return frame;
  return nullptr;
}

// Does what a person would to leave the program, as soon as it can be done.
void LeaveBy(WayOut way, QTimer& timer) {
  QObject::connect(&timer, &QTimer::timeout, &timer, [way] {
    if (way == WayOut::DeclineDisclaimer) {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
        if (QAbstractButton* no = box->button(QMessageBox::No)) no->click();
      return;
    }
    QMainWindow* frame = ShownMainWindow();
    if (frame == nullptr || QApplication::activeModalWidget() != nullptr) return;
    if (way == WayOut::CloseBox) {
      frame->close();
    } else if (QAction* exit = FindCommand(frame->menuBar()->actions(), kExitCommand)) {
      exit->trigger();
    }
  });
  timer.start(20);
}

// The installation folder of the run: the sibling program is there, and
// the preference file says whether the disclaimer was agreed to.
std::string PrepareInstallation(const ScratchFolder& install, bool agreed) {
  SetInstallationFolder(install.path().string());
  std::ofstream(ProgramPaths.SiblingProgram) << "";
  ProgramOptions.DisclaimerAgreed = agreed;
  ProgramOptions.WizardMessagesOn = false;
  {
    TXLAWindow unshown(MainWindowTitle);
    WritePreferences(unshown);
  }
  ProgramOptions = ProgramOptionsRecord{};
  return (install.path() / "taluvo").string();
}

[[noreturn]] void RunProgramAndExit(WayOut way) {
  // On the display where there is one (the toolkit's teardown differs
  // between platforms), else offscreen.
  if (std::getenv("DISPLAY") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ScratchFolder install;
  const std::string program = PrepareInstallation(install, way != WayOut::DeclineDisclaimer);
  platform::Install(std::make_unique<platform::qt::DesktopBackend>());
  int code = 0;
  {
    QTimer leave;
    LeaveBy(way, leave);
    const char* arguments[] = {program.c_str()};
    code = ProgramMain(1, arguments);
  }
  platform::qt::EndToolkit();
  std::filesystem::remove_all(install.path());  // no destructor runs past exit
  std::exit(code);
}

}  // namespace

TEST(ProgramExitDeathTest, EveryWayOutEndsWithExitCodeZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  for (WayOut way : {WayOut::CloseBox, WayOut::ExitCommand, WayOut::DeclineDisclaimer})
    EXPECT_EXIT(RunProgramAndExit(way), ::testing::ExitedWithCode(0), "") << static_cast<int>(way);
}
