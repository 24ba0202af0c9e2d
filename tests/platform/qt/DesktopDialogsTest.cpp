// The desktop backend's dialogs, answered from a timer inside their own
// loop, and its clipboard and program services.
#include <gtest/gtest.h>

#include <functional>

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>

#include "platform/Metafile.h"
#include "platform/qt/DesktopTestSupport.h"
#include "platform/qt/FileDialogFilters.h"
#include "platform/qt/QtText.h"
#include "support/TestSupport.h"

namespace platform::qt::test {
namespace {

// True when Qt's case-sensitive wildcard matching of the dialog's patterns
// takes the name: what the dialog would list.
bool DialogShows(const FileFilter& filter, const std::string& name) {
  for (const std::string& p : filter.patterns) {
    const QRegularExpression re(
        QRegularExpression::wildcardToRegularExpression(CaseInsensitivePattern(p)));
    if (re.match(QString::fromStdString(name)).hasMatch()) return true;
  }
  return false;
}

TEST(FileDialogFilters, DialogPatternsMatchLikeTheProgramsFilterWhateverTheCase) {
  const FileFilter filter{"All AUC Files (*.IP*;*.RA*)", {"*.IP*", "*.ra?"}};
  const char* names[] = {"scan.ip1", "SCAN.IP1", "Scan.Ip12", "a.RA1",  "a.ra12",
                         "a.rA",     "ip1",      "x.txt",     "IP.txt", "a.r1"};
  for (const char* name : names)
    EXPECT_EQ(DialogShows(filter, name), MatchesFileFilter(name, filter)) << name;
  EXPECT_EQ(DialogNameFilter(filter), "All AUC Files (*.IP*;*.RA*) (*.[iI][pP]* *.[rR][aA]?)");
  EXPECT_EQ(DialogNameFilter({"All", {}}), "All (*)");
  EXPECT_EQ(DialogSuffix(".txt"), "txt");
}

// An "&" before a letter marks the mnemonic; one that stands alone, as in
// a menu item's "Meniscus & Bottom", must show as itself.
TEST(MnemonicText, KeepsMnemonicsAndShowsAStandaloneAmpersand) {
  const std::pair<const char*, const char*> cases[] = {
      {"&Data", "&Data"},
      {"Fit &M And s", "Fit &M And s"},
      {"Set Fit Limits For Meniscus & Bottom", "Set Fit Limits For Meniscus && Bottom"},
      {"Copy && Paste", "Copy && Paste"},
      {"end &", "end &&"},
      {"&Open\tCtrl+O", "&Open\tCtrl+O"}};
  for (const auto& [text, shown] : cases) EXPECT_EQ(MnemonicText(text), shown) << text;
}

using DesktopDialogTest = DesktopTest;

// A short text under a long caption: the box is as wide as the caption
// needs, so the title bar does not cut it.
TEST_F(DesktopDialogTest, MessageBoxIsWideEnoughForItsCaption) {
  const BoxRequest request{nullptr, "ok?", "SET PRIOR PROBABILITY DISTRIBUTION REFERENCE",
                           BoxIcon::None, BoxButtons::Ok};
  int width = 0;
  ModalAnswer answer([&](QWidget& w) {
    width = w.width();
    dynamic_cast<QMessageBox&>(w).button(QMessageBox::Ok)->click();
  });
  backend().ShowMessageBox(request);
  EXPECT_GE(width, WidthForTitle(QString::fromLatin1(request.caption.c_str())));
}

TEST_F(DesktopDialogTest, MessageBoxShowsTheRequestAndAnswersWithTheButtonPressed) {
  BoxRequest request{nullptr, "Overwrite the file?", "SAVE", BoxIcon::Warning,
                     BoxButtons::YesNoCancel};
  QString caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool yesIsDefault = false;
  ModalAnswer answer([&](QWidget& w) {
    auto& box = dynamic_cast<QMessageBox&>(w);
    caption = box.windowTitle();
    icon = box.icon();
    yesIsDefault = box.defaultButton() == box.button(QMessageBox::Yes);
    box.button(QMessageBox::No)->click();
  });
  EXPECT_EQ(backend().ShowMessageBox(request), BoxAnswer::No);
  EXPECT_EQ(caption, "SAVE");
  EXPECT_EQ(icon, QMessageBox::Warning);
  EXPECT_TRUE(yesIsDefault);
  // Closed without a button: Cancel where the box has one, else No.
  for (const auto& [buttons, expected] :
       {std::pair{BoxButtons::YesNoCancel, BoxAnswer::Cancel},
        std::pair{BoxButtons::YesNo, BoxAnswer::No}, std::pair{BoxButtons::Ok, BoxAnswer::Ok}}) {
    request.buttons = buttons;
    ModalAnswer close([](QWidget& w) { w.close(); });
    EXPECT_EQ(backend().ShowMessageBox(request), expected);
  }
}

TEST_F(DesktopDialogTest, EntryDialogKeepsWithinCapacityAndCancelLeavesTheText) {
  EntryRequest request{nullptr, "GENERATE DATA", "number of scans", "10", 4};
  ModalAnswer type([](QWidget& w) {
    w.findChild<QLineEdit*>()->setText("12345");
    w.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  });
  EXPECT_TRUE(backend().ShowEntryDialog(request));
  EXPECT_EQ(request.text, "123");
  ModalAnswer cancel([](QWidget& w) {
    w.findChild<QLineEdit*>()->setText("7");
    w.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
  });
  EXPECT_FALSE(backend().ShowEntryDialog(request));
  EXPECT_EQ(request.text, "123");
}

TEST_F(DesktopDialogTest, TextEntryWindowReturnsTheEditedTextHoweverItIsClosed) {
  // Its button, the close box, or Esc: the typed text is never lost.
  const std::function<void(QWidget&)> closes[] = {
      [](QWidget& w) { w.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click(); },
      [](QWidget& w) { w.close(); },
      [](QWidget& w) {
        QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&w, &esc);
      }};
  for (const auto& close : closes) {
    TextEntryRequest request{nullptr, "Comments", "first line\n"};
    ModalAnswer edit([&close](QWidget& w) {
      w.findChild<QPlainTextEdit*>()->appendPlainText("second line");
      close(w);
    });
    EXPECT_TRUE(backend().ShowTextEntryWindow(request));
    EXPECT_EQ(request.text, "first line\n\nsecond line");
  }
}

TEST_F(DesktopDialogTest, FileDialogsChooseFromTheFolderAndAddTheDefaultExtension) {
  ScratchFolder folder;
  folder.Write("B.IP2", "x");
  FileDialogRequest open;
  open.title = "Load";
  open.filters = {{"Text (*.txt)", {"*.txt"}}, {"Scans (*.ip*)", {"*.ip*"}}};
  open.filterIndex = 2;
  open.initialFolder = folder.path().string();
  open.fileName = "B.IP2";
  QStringList shownFilters;
  ModalAnswer accept([&](QWidget& w) {
    auto& dialog = dynamic_cast<QFileDialog&>(w);
    shownFilters = dialog.nameFilters();
    static_cast<QDialog&>(dialog).accept();
  });
  ASSERT_TRUE(backend().ShowOpenFileDialog(open));
  EXPECT_EQ(open.chosen, (std::vector<std::string>{folder.File("B.IP2")}));
  EXPECT_EQ(open.filterIndex, 2);
  EXPECT_EQ(shownFilters.size(), 2);

  FileDialogRequest save;
  save.initialFolder = folder.path().string();
  save.fileName = "result";
  save.defaultExtension = "dat";
  ModalAnswer acceptSave([](QWidget& w) { dynamic_cast<QDialog&>(w).accept(); });
  ASSERT_TRUE(backend().ShowSaveFileDialog(save));
  EXPECT_EQ(save.chosen, (std::vector<std::string>{folder.File("result.dat")}));

  ModalAnswer cancel([](QWidget& w) { dynamic_cast<QFileDialog&>(w).reject(); });
  EXPECT_FALSE(backend().ShowOpenFileDialog(open));
  EXPECT_TRUE(open.chosen.empty());
}

TEST_F(DesktopDialogTest, ClipboardTakesTextPicturesAndBitmaps) {
  QClipboard& clipboard = *QGuiApplication::clipboard();
  ASSERT_TRUE(backend().SetClipboardText("a\tb\r\n1\t2\r\n"));
  EXPECT_EQ(clipboard.text(), "a\tb\r\n1\t2\r\n");

  MetafileRecorder recorder;
  recorder.SetMapMode(MapMode::Anisotropic);
  recorder.SetWindowExtent({100, 100});
  recorder.SelectPen(NullPen());
  recorder.SelectBrush(SolidBrush(Rgb(0, 0, 255)));
  recorder.Rectangle({0, 0, 100, 100});
  ASSERT_TRUE(backend().SetClipboardPicture(recorder.Close(), 2540, 1270));
  const QMimeData* picture = clipboard.mimeData();
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(picture->data("image/svg+xml").contains("<svg"));
  const QImage rendered = qvariant_cast<QImage>(picture->imageData());
  EXPECT_EQ(rendered.size(), QSize(96, 48));
  EXPECT_EQ(QColor(rendered.pixel(40, 20)), QColor(0, 0, 255));
  EXPECT_FALSE(picture->hasText());  // the new item replaced the text

  RgbImage bitmap(3, 2, kWhite);
  bitmap.Set(2, 1, Rgb(10, 200, 30));
  ASSERT_TRUE(backend().SetClipboardBitmap(bitmap));
  const QImage copied = clipboard.image();
  ASSERT_EQ(copied.size(), QSize(3, 2));
  EXPECT_EQ(QColor(copied.pixel(2, 1)), QColor(10, 200, 30));
}

TEST_F(DesktopDialogTest, ProgramsStartOnlyWhenTheyExist) {
  EXPECT_TRUE(backend().StartProgram("true", {}));
  EXPECT_TRUE(backend().StartProgram("/bin/true", {"ignored"}));
  EXPECT_FALSE(backend().StartProgram("no-such-program-anywhere", {}));
  EXPECT_FALSE(backend().StartProgram("/no/such/program", {}));
  EXPECT_FALSE(backend().OpenInTextEditor("/no/such/file.txt"));
  backend().PlaySoundFile("/no/such/sound.wav", true);  // silent, does not hang
}

}  // namespace
}  // namespace platform::qt::test
