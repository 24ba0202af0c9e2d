// The program's own main window on the Qt desktop backend (offscreen): the
// frame and menu bar as Qt shows them, menu items that run their commands,
// and a whole interactive c(s) analysis - the example scans loaded through
// the file dialog, Run and Fit - that leaves its plots painted in the window.
// No dialog may wait: a watcher answers every modal window the moment it
// opens and keeps what it said, so a test fails instead of hanging.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QLineEdit>
#include <QApplication>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/options/PreferenceFile.h"
#include "app/options/ProgramOptions.h"
#include "state/ModelSelection.h"
#include "state/ProgramFlags.h"
#include "state/ProgramPaths.h"
#include "app/start/ExitProgram.h"
#include "app/start/ProgramStart.h"
#include "app/window/TXLAWindow.h"
#include "data/ScanDataSet.h"
#include "engines/InhomogeneousSolvent.h"
#include "state/DistributionResultRecords.h"
#include "state/DistributionSettingsRecords.h"
#include "models/ParameterPacking.h"
#include "state/FitControl.h"
#include "state/ModelParameters.h"
#include "state/ParameterVector.h"
#include "platform/qt/DesktopBackend.h"
#include "platform/qt/DesktopWindow.h"
#include "platform/qt/QtMenuBar.h"
#include "resources/AppStrings.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;
using platform::qt::DesktopWindow;
using platform::qt::QtMenuBar;

namespace {

fs::path ExampleRun() {
  return fs::path(__FILE__).parent_path().parent_path().parent_path() / "examples" / "velocity";
}

QAction* FindIn(const QList<QAction*>& actions, int id) {
  for (QAction* a : actions) {
    if (QtMenuBar::CommandId(a) == id) return a;
    if (a->menu() != nullptr)
      if (QAction* found = FindIn(a->menu()->actions(), id)) return found;
  }
  return nullptr;
}

// Answers modal windows as they open: a file dialog chooses the file it was
// given (or is cancelled when none is), every other modal window is written
// down as "caption: text" and closed as by Escape.
class ModalWatcher {
 public:
  ModalWatcher() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] { Answer(); });
    timer_.start();
  }
  void ChooseFile(const std::string& path) { fileToChoose_ = path; }
  // Form dialogs go to this handler (which answers them as a user would)
  // instead of being cancelled.
  void AnswerForms(std::function<void(QDialog&)> handler) { formHandler_ = std::move(handler); }
  // The next form dialogs are answered by these, in turn: each sets the
  // fields it wants and presses OK or Cancel itself.
  void AnswerForm(std::function<void(QDialog&)> answer) { forms_.push_back(std::move(answer)); }
  std::vector<std::string> seen;

 private:
  void Answer() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    if (auto* files = qobject_cast<QFileDialog*>(modal)) {
      seen.push_back("file dialog: " + files->windowTitle().toStdString());
      if (fileToChoose_.empty()) {
        files->reject();
        return;
      }
      files->selectFile(QString::fromStdString(fileToChoose_));
      fileToChoose_.clear();
      static_cast<QDialog*>(files)->accept();
      return;
    }
    std::string text = modal->windowTitle().toStdString();
    if (auto* form = qobject_cast<QDialog*>(modal); form && formHandler_ && modal->objectName() == "form") {
      seen.push_back("form: " + text);
      formHandler_(*form);
      return;
    }
    if (auto* form = qobject_cast<QDialog*>(modal);
        form != nullptr && form->objectName() == "form" && (!forms_.empty() || answering_)) {
      if (answering_) return;
      seen.push_back("form: " + text);
      // Answered from the event loop, not from this timer's slot: a box the
      // answer brings up must find the timer free to close it.
      answering_ = true;
      QTimer::singleShot(0, form, [this, form, answer = std::move(forms_.front())] {
        answer(*form);
        answering_ = false;
      });
      forms_.pop_front();
      return;
    }
    if (auto* box = qobject_cast<QMessageBox*>(modal)) text += ": " + box->text().toStdString();
    seen.push_back(text);
    if (auto* dialog = qobject_cast<QDialog*>(modal))
      dialog->reject();
    else
      modal->close();
  }

  QTimer timer_;
  std::string fileToChoose_;
  std::function<void(QDialog&)> formHandler_;
  std::deque<std::function<void(QDialog&)>> forms_;
  bool answering_ = false;
};

void PressKey(QWidget& target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers);
  QApplication::sendEvent(&target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers);
  QApplication::sendEvent(&target, &release);
}


// Pixels in which two images of one size differ.
long DifferingPixels(const platform::RgbImage& a, const platform::RgbImage& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  long n = 0;
  for (std::size_t i = 0; i < a.Pixels().size(); ++i) n += a.Pixels()[i] == b.Pixels()[i] ? 0 : 1;
  return n;
}

std::size_t DistinctColours(const platform::RgbImage& image) {
  std::set<std::uint32_t> colours;
  for (const platform::Color& c : image.Pixels()) colours.insert(platform::PackedColor(c));
  return colours.size();
}

// The s of the largest value of the current distribution.
double PeakS() {
  const auto& s = DistributionResult.DistSGrid;
  const auto& c = DistributionResult.DistValues;
  double peakS = 0.0, peakC = -1.0;
  const auto n = std::min(
      {s.size(), c.size(), static_cast<std::size_t>(DistributionSettings.DistGridSize) + 1});
  for (std::size_t k = 1; k < n; ++k) {
    if (c[k] > peakC) peakC = c[k], peakS = s[k];
  }
  return peakS;
}

// The program started as a user starts it with no arguments: a fresh
// installation folder that holds the sibling program and a preference file
// in which the disclaimer was agreed (and the help wizard's messages are
// off), then the application's window is created and shown. No message loop
// runs; the test drives the window through Qt as the loop would.
class RealWindow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Before the first Qt call of the process: no display is needed.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }

  void SetUp() override {
    previous_ = platform::Install(std::make_unique<platform::qt::DesktopBackend>());
    missing_ = std::make_unique<QAction>();
    watcher_ = std::make_unique<ModalWatcher>();
    savedOptions_ = ProgramOptions;
    SetInstallationFolder(install_.path().string());
    std::ofstream(ProgramPaths.SiblingProgram) << "";
    CommandLineArgs.Arguments.clear();
    BatchMode = false;
    ProgramEndRequested = false;
    ProgramOptions.DisclaimerAgreed = true;
    ProgramOptions.WizardMessagesOn = false;
    {
      TXLAWindow unshown(MainWindowTitle);
      ASSERT_TRUE(WritePreferences(unshown));
    }
    ProgramOptions.DisclaimerAgreed = false;  // the file must say so

    app_ = std::make_unique<TXLAApp>();
    app_->CreateMainWindow();
    ASSERT_FALSE(ProgramEndRequested);
    ASSERT_TRUE(ProgramOptions.DisclaimerAgreed);
    window().Create();
    desktop_ = dynamic_cast<DesktopWindow*>(window().Host());
    ASSERT_NE(desktop_, nullptr);
    Settle();
  }

  void TearDown() override {
    app_.reset();
    Settle();
    watcher_.reset();
    missing_.reset();
    ProgramOptions = savedOptions_;
    ProgramEndRequested = false;
    platform::Install(std::move(previous_));
  }

  static void Settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
  }

  TXLAWindow& window() { return *app_->MainWindow(); }
  QMainWindow& frame() { return desktop_->Frame(); }
  QMenuBar& bar() { return *desktop_->Frame().menuBar(); }
  // The bar is rebuilt when a command changes its items, so an action is
  // looked up afresh every time.
  QAction& Action(int id) {
    QAction* a = FindIn(bar().actions(), id);
    if (a == nullptr) ADD_FAILURE() << "no menu item " << id;
    return a != nullptr ? *a : *missing_;
  }
  void Choose(int id) {
    Action(id).trigger();
    Settle();
  }
  // The client area as painted now.
  platform::RgbImage Painted() {
    desktop_->UpdateNow();
    Settle();
    return desktop_->Snapshot();
  }
  std::vector<std::string>& Boxes() { return watcher_->seen; }
  DesktopWindow& desktop() { return *desktop_; }
  ModalWatcher& Watcher() { return *watcher_; }

 private:
  std::unique_ptr<platform::Backend> previous_;
  std::unique_ptr<ModalWatcher> watcher_;
  std::unique_ptr<QAction> missing_;  // stands in for an item not found
  ScratchFolder install_;
  ProgramOptionsRecord savedOptions_;
  std::unique_ptr<TXLAApp> app_;
  DesktopWindow* desktop_ = nullptr;
};

}  // namespace

TEST_F(RealWindow, FrameAndMenuBarAsQtShowsThem) {
  EXPECT_TRUE(frame().isVisible());
  EXPECT_EQ(frame().windowTitle().toStdString(), "Sedimentation Analysis");

  std::vector<std::string> top;
  for (QAction* a : bar().actions())
    if (!a->isSeparator()) top.push_back(a->text().toStdString());
  EXPECT_EQ(top, (std::vector<std::string>{"&Data", "&Copy", "D&isplay", "M&odel", "&Parameters",
                                           "&Run", "&Fit", "&Generate", "Statistics", "&Options",
                                           "Plot", "&Help"}));
  // Parameters, Run and Fit are commands on the bar itself.
  EXPECT_EQ(QtMenuBar::CommandId(bar().actions()[4]), 212);
  EXPECT_EQ(QtMenuBar::CommandId(bar().actions()[5]), 213);
  EXPECT_EQ(QtMenuBar::CommandId(bar().actions()[6]), 215);

  const std::pair<int, const char*> texts[] = {{200, "&Load New Files\t^L"},
                                               {275, "Continuous c(s) Distribution"},
                                               {231, "Save &Intensity Data as Absorbance Data"},
                                               {221, "About"}};
  for (const auto& [id, text] : texts) EXPECT_EQ(Action(id).text().toStdString(), text) << id;

  // The discrete model is the model of a fresh start; the data and
  // residuals are shown; the residual histogram is off until asked for.
  for (int id : {198, 232, 209}) EXPECT_TRUE(Action(id).isChecked()) << id;
  for (int id : {275, 235, 943}) EXPECT_FALSE(Action(id).isChecked()) << id;
  EXPECT_FALSE(Action(231).isEnabled());
  EXPECT_TRUE(Action(200).isEnabled());
  EXPECT_TRUE(Boxes().empty()) << Boxes().front();
}

TEST_F(RealWindow, ChosenModelItemsSwitchTheModelAndItsCheckMark) {
  ASSERT_EQ(ModelSelection.Kind, ModelKind::NonInteractingSpecies);
  Choose(275);
  EXPECT_EQ(ModelSelection.Kind, ModelKind::ContinuousCS);
  EXPECT_TRUE(Action(275).isChecked());
  EXPECT_FALSE(Action(198).isChecked());

  Choose(198);
  EXPECT_EQ(ModelSelection.Kind, ModelKind::NonInteractingSpecies);
  EXPECT_TRUE(Action(198).isChecked());
  EXPECT_FALSE(Action(275).isChecked());
}

// Every fourth scan of the bundled run (4.3 S, 6.6 S and 10.5 S species,
// meniscus 5.90 cm), named by a list file that the load command's file
// dialog is to choose; the path of that list.
std::string EveryFourthScan(const ScratchFolder& data) {
  std::string list = "newformat n=1\n" + data.path().string() + "\n";
  for (int n = 1; n <= 37; n += 4) {
    char name[16];
    std::snprintf(name, sizeof name, "%05d.RA1", n);
    fs::copy_file(ExampleRun() / name, data.path() / name);
    list += std::string(name) + "\n";
  }
  return data.Write("list.RA1", list);
}

TEST_F(RealWindow, LoadedScansRunAndFitPaintTheirPlots) {
  ScratchFolder data;
  Watcher().ChooseFile(EveryFourthScan(data));

  const platform::RgbImage empty = Painted();
  ASSERT_FALSE(empty.IsEmpty());
  Choose(200);
  ASSERT_EQ(ScanDataSet.NFILES, 10) << (Boxes().empty() ? "" : Boxes().back());
  const platform::RgbImage loaded = Painted();
  EXPECT_GT(DifferingPixels(empty, loaded), 1000);

  Choose(275);
  ASSERT_EQ(ModelSelection.Kind, ModelKind::ContinuousCS);
  Choose(213);
  const platform::RgbImage run = Painted();
  EXPECT_GT(DifferingPixels(loaded, run), 1000);
  EXPECT_GT(PeakS(), 3.0);
  EXPECT_LT(PeakS(), 5.5);

  // The meniscus floats within 5.85 .. 5.95 cm from 5.93 cm, as entered in
  // the parameter box; the fit finds the run's meniscus and main species.
  ModelParameters.Meniscus = ParameterVector[MeniscusSlot] = 5.93f;
  ModelParameters.MeniscusFitted = ParameterFitted[MeniscusSlot] = 1;
  FitControl.MINMENISCUS = 5.85f;
  FitControl.MAXMENISCUS = 5.95f;
  PackParameterVector();
  Choose(215);
  EXPECT_NEAR(ModelParameters.Meniscus, 5.90, 0.01);
  EXPECT_NEAR(PeakS(), 4.3, 0.3);
  const platform::RgbImage fitted = Painted();
  EXPECT_GT(DifferingPixels(run, fitted), 1000);
  // Scans, fit curves, residuals and the distribution in their colours.
  EXPECT_GT(DistinctColours(fitted), 8u);
  EXPECT_EQ(Boxes(), (std::vector<std::string>{"file dialog: select files to fit"}));
}

TEST_F(RealWindow, RunShowsItsPlotsThroughTheEventLoopAlsoAfterTheWizardsBoxes) {
  ScratchFolder data;
  Watcher().ChooseFile(EveryFourthScan(data));
  Choose(200);
  ASSERT_EQ(ScanDataSet.NFILES, 10);
  Choose(275);
  Settle();
  // Only the event loop paints from here on: no forced paint.
  const platform::RgbImage before = desktop().Snapshot();
  ProgramOptions.WizardMessagesOn = true;  // its boxes come up after the run
  Action(213).trigger();
  for (int i = 0; i < 20; ++i) Settle();
  EXPECT_FALSE(Boxes().empty());  // the wizard spoke
  const platform::RgbImage after = desktop().Snapshot();
  EXPECT_GT(DifferingPixels(before, after), 1000);
  // What the loop painted is what a forced paint paints now.
  EXPECT_LT(DifferingPixels(after, Painted()), 50);
}

TEST_F(RealWindow, CsDialogChecksTakesAndHandsItsEntriesToTheNextRun) {
  // The entries made here must not reach the later tests of this window.
  const DistributionSettingsRecord settingsBefore = DistributionSettings;
  const auto parametersBefore = ParameterVector;
  const auto fittedBefore = ParameterFitted;
  const ModelParametersRecord modelBefore = ModelParameters;
  ScratchFolder data;
  Watcher().ChooseFile(EveryFourthScan(data));
  Choose(200);
  ASSERT_EQ(ScanDataSet.NFILES, 10);
  Choose(275);

  // First visit: Tab walks resolution -> s min -> s max; a bad s min is
  // refused with its message and the focus goes back to it. Second visit:
  // the user's numbers, confirmed with Enter.
  int visits = 0;
  std::vector<std::string> tabbed;
  std::string focusAfterRefusal, refusal;
  Watcher().AnswerForms([&](QDialog& form) {
    auto* resolution = form.findChild<QLineEdit*>("field405");
    auto* smin = form.findChild<QLineEdit*>("field406");
    auto* smax = form.findChild<QLineEdit*>("field407");
    if (resolution == nullptr || smin == nullptr || smax == nullptr) {
      form.reject();
      return;
    }
    if (visits++ == 0) {
      // The first field has the focus; Tab goes on to the next fields.
      tabbed.push_back(form.focusWidget() != nullptr ? form.focusWidget()->objectName().toStdString()
                                                     : std::string());
      for (QWidget* f = resolution->nextInFocusChain(); tabbed.size() < 3; f = f->nextInFocusChain())
        if (f->focusPolicy() & Qt::TabFocus) tabbed.push_back(f->objectName().toStdString());
      smin->setText("abc");
      // The refusal opens inside the dialog's OK, while this answer runs:
      // answered from a timer of its own.
      QTimer::singleShot(20, [&refusal] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          refusal = box->windowTitle().toStdString() + ": " + box->text().toStdString();
          box->accept();
        }
      });
      PressKey(*smin, Qt::Key_Return);
      focusAfterRefusal =
          form.focusWidget() != nullptr ? form.focusWidget()->objectName().toStdString() : "";
      return;
    }
    resolution->setText("40");
    smin->setText("2");
    smax->setText("8");
    PressKey(*smax, Qt::Key_Return);
  });
  Choose(212);
  EXPECT_EQ(tabbed, (std::vector<std::string>{"field405", "field406", "field407"}));
  EXPECT_EQ(focusAfterRefusal, "field406");
  EXPECT_EQ(refusal, "Input Error: Invalid Entry\n\nfield: s min (S)");
  EXPECT_EQ(visits, 2);
  EXPECT_FLOAT_EQ(DistributionSettings.Resolution, 40.0f);
  EXPECT_FLOAT_EQ(DistributionSettings.Smin, 2.0f);
  EXPECT_FLOAT_EQ(DistributionSettings.Smax, 8.0f);

  // The run computes the distribution on the new grid.
  Choose(213);
  ASSERT_EQ(DistributionSettings.DistGridSize, 40);
  EXPECT_NEAR(DistributionResult.DistSGrid[1], 2.0, 1e-4);
  EXPECT_NEAR(DistributionResult.DistSGrid[40], 8.0, 1e-4);

  // Ctrl+P opens the dialog again from the keyboard, showing what was
  // entered; Esc leaves everything as it is.
  std::string shownResolution;
  Watcher().AnswerForms([&](QDialog& form) {
    if (auto* resolution = form.findChild<QLineEdit*>("field405"))
      shownResolution = resolution->text().toStdString();
    PressKey(form, Qt::Key_Escape);
  });
  Boxes().clear();
  PressKey(frame(), Qt::Key_P, Qt::ControlModifier);
  Settle();
  EXPECT_EQ(Boxes(), (std::vector<std::string>{
                         "form: Continuous Sedimentation Coefficient Distribution c(s)"}));
  EXPECT_EQ(shownResolution, "40");
  EXPECT_FLOAT_EQ(DistributionSettings.Resolution, 40.0f);
  DistributionSettings = settingsBefore;
  ParameterVector = parametersBefore;
  ParameterFitted = fittedBefore;
  ModelParameters = modelBefore;
}

// A field of a form dialog, by its control id.
template <typename Widget>
Widget* Field(QDialog& form, int id) {
  return form.findChild<Widget*>(QString("field%1").arg(id));
}

// "Inhomogeneous Solvent" opens its dialog from the menu; a co-solute grid
// below five points is refused with its message and the dialog stays open;
// the compressible solvent then switched on carries the check mark, and a
// c(s) run of the loaded scans in that solvent completes.
TEST_F(RealWindow, InhomogeneousSolventDialogRefusesASmallGridAndTheCsRunCompletes) {
  ScratchFolder data;
  Watcher().ChooseFile(EveryFourthScan(data));
  Choose(200);
  ASSERT_EQ(ScanDataSet.NFILES, 10);
  Choose(275);
  ASSERT_EQ(ModelSelection.Kind, ModelKind::ContinuousCS);
  Boxes().clear();
  int shownAgain = 0;
  Watcher().AnswerForm([](QDialog& form) {
    Field<QAbstractButton>(form, 857)->setChecked(true);
    Field<QAbstractButton>(form, 840)->setChecked(true);
    Field<QLineEdit>(form, 851)->setText("3");
    form.accept();  // refused: the message comes up over the dialog
  });
  Watcher().AnswerForm([&shownAgain](QDialog& form) {
    ++shownAgain;
    EXPECT_EQ(Field<QLineEdit>(form, 851)->text().toStdString(), "3");
    Field<QLineEdit>(form, 851)->setText("50");
    form.accept();
  });
  Choose(542);
  EXPECT_EQ(shownAgain, 1);
  ASSERT_GE(Boxes().size(), 3u);
  EXPECT_EQ(Boxes()[0], "form: Inhomogeneous Solvent Parameters");
  EXPECT_EQ(Boxes()[1], "Input Error: the cosolute radial grid size must be at least 5");
  EXPECT_TRUE(InhomogeneousSolventOn);
  EXPECT_TRUE(InhomogeneousSolventSettings.CompressibleSolvent);
  EXPECT_EQ(InhomogeneousSolventSettings.CosoluteGridSize, 50);
  EXPECT_TRUE(Action(542).isChecked());

  const platform::RgbImage before = Painted();
  Choose(213);
  EXPECT_GT(DifferingPixels(before, Painted()), 1000);
  EXPECT_GT(PeakS(), 3.0) << ::testing::PrintToString(Boxes());
  EXPECT_LT(PeakS(), 5.5);
  InhomogeneousSolventOn = false;
  InhomogeneousSolventSettings = InhomogeneousSolventSettingsRecord{};
}
